#include "skin/forms/skTitleBarLayout.h"

#include <algorithm>

namespace {
constexpr int kMinItemSide = 16;
constexpr int kMenuExtraMargin = 4;  // a menu button's margin is wider by this on each side
}  // namespace

TskItemAutoSize AutoSizeItem(const TskItemContentInput& in, const TskTextMeasurer& measure, TskItemSize current) {
  TskItemAutoSize out;
  int w = in.ImageWidth, h = in.ImageHeight;
  if (!in.Caption.empty()) {
    const TskItemSize text = measure ? measure(in.Caption) : TskItemSize{};
    if (w > 0) w += in.Spacing;
    w += text.Width + (in.Style == bsTab ? 4 : 0);
    h = std::max(h, text.Height);
  }
  if ((in.Style == bsButton || in.Style == bsMenu) && in.Dropdown) w += (in.Style == bsMenu ? 4 : 1) + in.ArrowWidth;
  if (in.Style == bsMenu || in.Style == bsTab) h += 1;
  out.Content = {w, h};
  if (in.Style == bsSpacing) {
    out.Item = current;
    return out;
  }
  const int margin = in.ItemsMargin + (in.Style == bsMenu ? kMenuExtraMargin : 0);
  out.Item.Width = std::max(kMinItemSide, 2 * margin + w);
  out.Item.Height = std::max(kMinItemSide, 2 * in.ItemsMargin + h);
  return out;
}

TskTitleBarLayout LayoutTitleBar(const std::vector<TskLayoutItem>& items, const TskTitleBarArea& area) {
  TskTitleBarLayout out;
  for (const TskLayoutItem& item : items)
    if (item.Visible) out.Widths[item.Align] += item.Width;
  const int left = out.Widths[tbaLeft], right = out.Widths[tbaRight];
  int x[4];
  x[tbaLeft] = area.Left;
  x[tbaRight] = area.Right - right;
  x[tbaCenter] = area.Left + (area.FullRight - area.Left - out.Widths[tbaCenter]) / 2;
  x[tbaCenterInSpace] = area.Left + left + (area.Right - area.Left - right - left - out.Widths[tbaCenterInSpace]) / 2;
  out.Rects.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    const TskLayoutItem& item = items[i];
    if (!item.Visible) continue;
    int top = area.Centre - item.Height / 2;
    if (item.Style == bsMenu) top = area.Top;
    else if (item.Style == bsTab) top = area.Bottom - item.Height;
    int& at = x[item.Align];
    out.Rects[i] = {at, top, at + item.Width, top + item.Height};
    at += item.Width;
  }
  return out;
}
