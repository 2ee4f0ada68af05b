#include "skin/adapters/skDialogGeometry.h"

namespace {
constexpr int kDefaultButtonSize = 21;  // a title button whose glyph the skin lacks
}  // namespace

TskDialogBorder DialogBorderKind(unsigned style) {
  if ((style & kDlgStylePopup) != 0 && (style & kDlgStyleCaption) != kDlgStyleCaption) return dbNone;
  if ((style & kDlgStyleThickFrame) != 0) return dbSizeable;
  if ((style & kDlgStyleModalFrame) != 0) return dbModal;
  return dbSizeable;
}

TskDialogState TskDialogState::FromStyles(unsigned style, unsigned exStyle, TskDialogBorder border, bool zoomed,
                                          bool iconic, bool noCloseClass) {
  TskDialogState s;
  s.Border = border;
  s.SysMenu = (style & kDlgStyleSysMenu) != 0;
  s.MaxBox = (style & kDlgStyleMaxBox) != 0;
  s.MinBox = (style & kDlgStyleMinBox) != 0;
  s.Help = (exStyle & kDlgExStyleHelp) != 0;
  s.Zoomed = zoomed;
  s.Iconic = iconic;
  s.NoCloseClass = noCloseClass;
  return s;
}

namespace {
bool SingleOrSizeable(TskDialogBorder border) { return border == dbSingle || border == dbSizeable; }
}  // namespace

TskDialogButtonRules DialogButtonRules(const TskDialogState& s) {
  TskDialogButtonRules r;
  r.Close = s.SysMenu && !s.NoCloseClass;
  r.Maximize = s.MaxBox && !s.Zoomed && SingleOrSizeable(s.Border);
  r.Minimize = s.MinBox && !s.Iconic;
  r.Restore = s.MaxBox && (s.Iconic || s.Zoomed);
  return r;
}

TskSysMenuState DialogSysMenuItems(const TskDialogState& s) {
  const TskDialogButtonRules rules = DialogButtonRules(s);
  TskSysMenuState m;
  m.Restore = {SingleOrSizeable(s.Border) && s.SysMenu, rules.Restore};
  m.Move = {true, !s.Zoomed};
  m.Size = {SingleOrSizeable(s.Border), s.Border != dbSingle && !s.Iconic};
  m.Minimize = {s.MinBox, rules.Minimize};
  m.Maximize = {s.MaxBox, rules.Maximize};
  m.Close = {s.SysMenu, true};
  return m;
}

int DialogButtonWidth(const TskDialogTitleInput& in, TskDialogButton button) {
  const TskTitleMask& mask = in.Masks[static_cast<size_t>(button)];
  return mask.Valid() ? mask.StateWidth : kDefaultButtonSize;
}

int DialogButtonHeight(const TskDialogTitleInput& in, TskDialogButton button) {
  const TskTitleMask& mask = in.Masks[static_cast<size_t>(button)];
  return mask.Valid() ? mask.StateHeight : kDefaultButtonSize;
}

TskDialogTitleLayout LayoutDialogButtons(const TskDialogTitleInput& in) {
  TskDialogTitleLayout out;
  const TskDialogState& s = in.State;
  if (!s.SysMenu) return out;
  out.Shown = {true, s.MaxBox, s.MinBox, s.Help};
  const int space = SingleOrSizeable(s.Border) || in.CloseIsBigClose ? in.BISpace : 0;
  const bool zoomedInBorder = s.Zoomed && in.BorderWindow;
  int right = in.CacheWidth - in.BIRight - in.ShadowRight - in.SysBorderWidth;
  for (int i = 0; i < kDialogButtonCount; ++i) {
    const auto b = static_cast<TskDialogButton>(i);
    if (!out.Shown[static_cast<size_t>(i)]) continue;
    const int width = DialogButtonWidth(in, b);
    const int height = DialogButtonHeight(in, b);
    int top;
    if (in.BIVAlign == 1 && in.Large[static_cast<size_t>(i)] && b != dbHelp) {
      top = in.ShadowTop + (in.BorderWindow ? in.BITop : 0) + (zoomedInBorder ? 3 : 0);
    } else {
      top = in.ShadowTop + (in.SysBorderWidthNoExt + in.CaptionHeight - height) / 2 +
            (zoomedInBorder ? in.PlainFrame / 2 : 0) + (in.ExtDrawMode ? in.CenterOffset : 0);
    }
    out.Buttons[static_cast<size_t>(i)] = {right - width, top, right, top + height};
    out.ButtonsWidth += width;
    right -= width + space;
  }
  return out;
}

int DialogHitTest(const TskDialogTitleInput& in, const TskDialogTitleLayout& layout, int x, int y, int windowWidth,
                  int windowHeight) {
  const int closeHeight = DialogButtonHeight(in, dbClose);
  const int rowTop = (in.SysBorderWidthNoExt + in.CaptionHeight - closeHeight) / 2;
  if (y >= rowTop && y <= rowTop + closeHeight) {
    if (x >= in.SysBorderWidth && x <= in.SysBorderWidth + in.SmallIconWidth) return 3;
    const TskDialogButtonRules rules = DialogButtonRules(in.State);
    for (int i = 0; i < kDialogButtonCount; ++i) {
      const TskTitleRect& r = layout.Buttons[static_cast<size_t>(i)];
      if (!layout.Shown[static_cast<size_t>(i)] || x < r.Left || x >= r.Right) continue;
      switch (static_cast<TskDialogButton>(i)) {
        case dbClose: return in.State.SysMenu ? 20 : 2;
        case dbMax: return rules.Maximize || rules.Restore ? 9 : 2;
        case dbMin: return rules.Minimize || in.State.Iconic ? 8 : 2;
        case dbHelp: return 21;
      }
    }
    return 2;
  }
  if (in.State.Zoomed && (x < 2 || y < 2 || x >= windowWidth - 4 || y >= windowHeight - 4)) return -1;
  return 0;
}
