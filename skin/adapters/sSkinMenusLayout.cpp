#include "skin/adapters/sSkinMenusLayout.h"

#include <algorithm>

#include "vcl/rtl/CheckedInt.h"

TsMenuItemType MenuItemTypeOf(const AnsiString& caption) {
  if (caption == "-") return smDivider;
  // The empty caption has no first or last character to look at.
  if (!caption.empty() && caption.front() == '-' && caption.back() == '-') return smCaption;
  return smNormal;
}

Integer PopupHeightOf(const std::vector<TskPopupItemSize>& items) {
  Integer tallest = 0;
  Integer column = 0;
  for (const TskPopupItemSize& item : items) {
    if (!item.Visible) continue;
    if (item.Break) {
      tallest = std::max(tallest, column);
      column = 0;
    }
    column = CheckedAdd(column, item.Height);
  }
  return std::max(tallest, column);
}

Integer PopupWidthOf(const std::vector<TskPopupItemSize>& items) {
  constexpr Integer kColumnPadding = 12;
  constexpr Integer kColumnGap = 4;
  Integer total = 0;
  Integer widest = 0;
  for (const TskPopupItemSize& item : items) {
    if (!item.Visible) continue;
    if (item.Break) {
      total = CheckedAdd(total, CheckedAdd(widest, kColumnPadding + kColumnGap));
      widest = 0;
    }
    widest = std::max(widest, item.Width);
  }
  return CheckedAdd(total, CheckedAdd(widest, kColumnPadding));
}

bool InFirstColumn(const std::vector<TskPopupItemSize>& items, size_t index) {
  const size_t end = std::min(index + 1, items.size());
  return std::none_of(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(end),
                      [](const TskPopupItemSize& item) { return item.Break; });
}

Integer PopupItemHeight(TsMenuItemType type, Integer textHeight, Integer glyphHeight, const TskMenuMetrics& metrics) {
  if (type == smDivider) return 2;
  const Integer content = type == smCaption ? textHeight : std::max(textHeight, glyphHeight);
  return CheckedAdd(content, CheckedAdd(CheckedMul(metrics.Margin, 2), 2));
}

Integer PopupItemWidth(Integer glyphWidth, Integer textWidth, Integer extraWidthOfColumn, const TskMenuMetrics& metrics) {
  Integer width = CheckedAdd(CheckedMul(glyphWidth, 2), textWidth);
  width = CheckedAdd(width, CheckedAdd(CheckedMul(metrics.Margin, 3), metrics.Spacing));
  return CheckedAdd(width, extraWidthOfColumn);
}

TskCaptionParts SplitPopupCaption(const AnsiString& caption) {
  TskCaptionParts parts;
  if (const size_t tab = caption.find('\t'); tab != AnsiString::npos) {
    parts.Text = caption.substr(0, tab);
    parts.AfterTab = caption.substr(tab + 1);
    parts.HasTab = true;
    parts.Align = caLeft;
  } else if (!caption.empty() && caption.front() == '\x08') {
    parts.Text = caption.substr(1) + "      ";
    parts.Align = caRight;
  } else {
    parts.Text = caption;
  }
  return parts;
}
