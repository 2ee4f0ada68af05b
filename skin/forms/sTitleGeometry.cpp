#include "skin/forms/sTitleGeometry.h"

#include <algorithm>

namespace {

constexpr int kDefaultButtonSize = 21;  // a system button's size when the skin has no close mask
constexpr int kHelpGap = 6;             // the help button stands apart from the other system buttons

const TskTitleMask& MaskOf(const TskTitleInput& in, TskSysButton button) {
  switch (button) {
    case sbClose: return UsesCloseAlone(in) ? in.CloseAloneMask : in.CloseMask;
    case sbMax: return in.MaxMask;
    case sbMin: return in.MinMask;
    case sbHelp: break;
  }
  return in.HelpMask;
}

bool ButtonIsBig(const TskTitleInput& in, TskSysButton button) {
  if (!UsesBigButtons(in)) return false;
  // Help is big only when the skin lacks small masks and every button falls back to the big ones.
  return button != sbHelp || !in.SmallMasksExist;
}

bool ButtonShown(const TskTitleInput& in, TskSysButton button) {
  if (!in.SystemMenu) return false;
  switch (button) {
    case sbClose: return true;
    case sbMax: return in.VisibleMax;
    case sbMin: return in.VisibleMin;
    case sbHelp: break;
  }
  return in.Help;
}

}  // namespace

bool UsesBigButtons(const TskTitleInput& in) {
  return in.Border == TskTitleBorder::Single || in.Border == TskTitleBorder::Sizeable || !in.SmallMasksExist;
}

bool UsesCloseAlone(const TskTitleInput& in) {
  return UsesBigButtons(in) && in.CloseAloneMask.Valid() && (!in.SystemMenu || (!in.VisibleMax && !in.VisibleMin));
}

int SysButtonWidth(const TskTitleInput& in, TskSysButton button) {
  const TskTitleMask& mask = MaskOf(in, button);
  return mask.Valid() ? mask.StateWidth : kDefaultButtonSize;
}

int SysButtonHeight(const TskTitleInput& in) {
  const TskTitleMask& mask = MaskOf(in, sbClose);
  return mask.Valid() ? mask.StateHeight : kDefaultButtonSize;
}

int VisibleSysButtonCount(const TskTitleInput& in) {
  if (!in.SystemMenu) return 0;
  return 3 + (in.Help ? 1 : 0) - (in.VisibleMax ? 0 : 1) - (in.VisibleMin ? 0 : 1);
}

namespace {
int MaxTitleHeight(const TskTitleInput& in) { return in.MaxHeight != 0 ? in.MaxHeight : in.TitleHeight; }
}  // namespace

int TitleButtonsTop(const TskTitleInput& in) {
  if (!in.BorderWindow) return in.Maximized ? 6 : 0;
  if (!in.Maximized) return in.ShadowTop + in.BITop;
  const int maxHeight = MaxTitleHeight(in);
  return in.ShadowTop + 4 + (maxHeight != in.TitleHeight ? std::max(0, in.TitleHeight - maxHeight) : 0);
}

int TitleCentre(const TskTitleInput& in) {
  int centre = in.CaptionHeight / 2 + in.FrameWidth / 2;
  if (in.BorderWindow) {
    const int maxHeight = MaxTitleHeight(in);
    centre = in.ShadowTop + in.CaptionHeight - maxHeight + maxHeight / 2;
    if (!in.Maximized || maxHeight == in.TitleHeight) centre += in.CenterOffset;
  }
  return centre + (in.Maximized ? 2 : 0);
}

namespace {
constexpr int kUserButtonsGap = 6;  // between the system buttons and the user's

bool AnyUserButtonShown(const TskTitleInput& in) {
  for (const TskUserTitleButton& b : in.UserButtons)
    if (b.Visible) return true;
  return false;
}
}  // namespace

int ButtonsWidth(const TskTitleInput& in) {
  int width = in.BIRight;
  const int space = UsesBigButtons(in) ? in.BISpace : 0;
  if (in.SystemMenu) {
    width += SysButtonWidth(in, sbClose);
    for (TskSysButton b : {sbMax, sbMin, sbHelp})
      if (ButtonShown(in, b)) width += SysButtonWidth(in, b) + space;
  }
  // Hidden user buttons take no room.
  if (AnyUserButtonShown(in)) {
    width += kUserButtonsGap;
    for (const TskUserTitleButton& b : in.UserButtons)
      if (b.Visible) width += b.Width + space;
  }
  return width;
}

TskTitleLayout UpdateTitleLayout(const TskTitleInput& in) {
  TskTitleLayout out;
  out.BigButtons = UsesBigButtons(in);
  out.CloseAlone = UsesCloseAlone(in);
  out.ButtonsWidth = ButtonsWidth(in);
  // Without a border window the buttons' own top (7 maximized) sits one pixel below TitleButtonsTop,
  // which answers the title's top.
  const int bigTop = in.BorderWindow ? TitleButtonsTop(in) : in.Maximized ? 7 : 0;
  const int centre = TitleCentre(in);
  int x = in.FormWidth - (in.BIRight + in.ShadowRight + in.SysBorderWidth);
  out.ButtonsRight = x;
  const int height = SysButtonHeight(in);
  for (TskSysButton b : {sbClose, sbMax, sbMin, sbHelp}) {
    TskTitleRect& r = out.Buttons[b];
    if (!ButtonShown(in, b)) {
      r = {x, 0, x, 0};
      continue;
    }
    if (b == sbHelp) x -= kHelpGap;
    const bool big = ButtonIsBig(in, b);
    r.Right = x;
    r.Left = x - SysButtonWidth(in, b);
    r.Top = big && in.BIVAlign == 1 ? bigTop : centre - height / 2;
    r.Bottom = r.Top + height;
    x = r.Left - (out.BigButtons ? in.BISpace : 0);
  }
  if (AnyUserButtonShown(in)) x -= kUserButtonsGap;
  for (const TskUserTitleButton& b : in.UserButtons) {
    if (!b.Visible) {
      out.UserButtons.push_back({x, 0, x, 0});
      continue;
    }
    const int top = out.BigButtons && in.BIVAlign == 1 ? bigTop : centre - height / 2;
    out.UserButtons.push_back({x - b.Width, top, x, top + height});
    x -= b.Width + (out.BigButtons ? in.BISpace : 0);
  }
  out.NextRight = x;
  return out;
}

namespace {

// The 1-based ordinal of the system button under the point; 0 for none.
int ButtonOrdinalAt(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y) {
  if (!in.SystemMenu) return 0;
  const bool onClose = layout.Buttons[sbClose].Contains(x, y);
  int ordinal = 1;
  for (TskSysButton b : {sbMax, sbMin, sbHelp}) {
    if (!ButtonShown(in, b)) continue;
    ++ordinal;
    if (layout.Buttons[b].Contains(x, y)) return ordinal;
  }
  return onClose ? 1 : 0;
}

int ButtonCode(const TskTitleInput& in, int n) {
  switch (n) {
    case 1: return in.SystemMenu ? 20 : 1;
    case 2:
      if (in.VisibleMax) {
        if (in.EnabledMax) return 9;
        return in.EnabledRestore && !in.Iconic ? 9 : 2;
      }
      if (in.VisibleMin || in.Iconic) return in.EnabledMin ? 8 : 2;
      return in.Help ? 21 : 1;
    case 3:
      if (in.VisibleMin || in.Iconic) return in.Iconic || in.EnabledMin ? 8 : 2;
      return in.Help ? 21 : 1;
    case 4: return in.Help && in.VisibleMax ? 21 : 1;
  }
  return 1;
}

}  // namespace

int SysButtonHitCode(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y) {
  const int n = ButtonOrdinalAt(in, layout, x, y);
  if (n == 0) return 0;
  const int code = ButtonCode(in, n);
  return code == 1 ? 0 : code;
}

int UserButtonHitCode(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y) {
  for (size_t i = 0; i < layout.UserButtons.size() && i < in.UserButtons.size(); ++i) {
    if (!in.UserButtons[i].Visible || !layout.UserButtons[i].Contains(x, y)) continue;
    return in.UserButtons[i].Enabled ? 1000 + static_cast<int>(i) : -1;
  }
  return 0;
}

int TitleItemHitCode(const TskTitleInput& in, int x, int y) {
  for (size_t j = 0; j < in.TitleItems.size(); ++j) {
    const TskTitleItemSpot& item = in.TitleItems[j];
    if (!item.Visible || !item.Rect.Contains(x, y)) continue;
    if (!item.Hittable) return 0;
    return item.Answers ? 2000 + static_cast<int>(j) : -1;
  }
  return 0;
}

int TitleHitTest(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y) {
  if (const int n = in.BorderWindow ? 0 : ButtonOrdinalAt(in, layout, x, y); n > 1) {
    if (int code = ButtonCode(in, n); code != 1) return code;
  } else if (!in.BorderWindow) {
    // A user button or an item claims the point before the close button; one that does not answer
    // leaves it to the frame and the caption.
    int claimed = UserButtonHitCode(in, layout, x, y);
    if (claimed == 0) claimed = TitleItemHitCode(in, x, y);
    if (claimed > 0) return claimed;
    if (claimed == 0 && n == 1) {
      if (int code = ButtonCode(in, n); code != 1) return code;
    }
  }
  if (!in.Maximized && in.ThickFrame && !in.BorderWindow) {
    const int b = in.SysBorderWidth;
    int code = 1;
    if (y < in.SysBorderWidthNoExt) code = 12;
    else if (y > in.FormHeight - b) code = 15;
    if (x < b) code = code == 12 ? 13 : code == 15 ? 16 : 10;
    else if (x > in.FormWidth - b) code = code == 12 ? 14 : code == 15 ? 17 : 11;
    if (code != 1) return code;
  }
  const int c = in.SysCaptionHeight + in.SysBorderWidthNoExt;
  if (y >= 0 && y <= c) {
    // The menu line only answers on a form that has one.
    if (in.MenuLines > 0 && y >= in.FrameWidth + in.SysCaptionHeight &&
        y <= in.FrameWidth + in.CaptionHeight + in.MenuLineHeight)
      return 5;
    return in.IconRect.Contains(x, y) ? 3 : 2;
  }
  if (y > c + in.MenuLines * in.MenuLineHeight) return 1;
  return 5;
}
