#include "skin/forms/sFrameGeometry.h"

#include <algorithm>

#include "skin/forms/sPixelRoutines.h"

namespace {
constexpr Integer kCaptionGap = 4;   // between the icon and the caption
constexpr Integer kButtonsGap = 12;  // between the caption and the buttons
constexpr Integer kTitleBarTextGap = 8;  // between a title bar's left or right items and the caption
}  // namespace

Integer FrameSysBorderWidth(const TskFrameInput& in, bool withExt) {
  if (withExt && in.BorderWindow && in.ExtBorderWidth != 0) return in.ExtBorderWidth;
  return in.PlainFrame;
}

Integer FrameSysBorderWidthNoExt(const TskFrameInput& in) { return in.BorderWindow ? 0 : FrameSysBorderWidth(in, true); }

Integer BorderFormSideOffset(const TskFrameInput& in) {
  return in.BorderWindow ? FrameSysBorderWidth(in, true) - in.PlainFrame : 0;
}

Integer BorderFormTopOffset(const TskFrameInput& in) {
  return in.BorderWindow ? in.CaptionHeightExt - in.CaptionHeight - in.PlainFrame : 0;
}

Integer FrameCacheWidth(const TskFrameInput& in) {
  Integer width = in.Iconic && !in.MainForm ? in.WindowWidth : in.FormWidth + 2 * BorderFormSideOffset(in);
  return width + in.Shadow.Left + in.Shadow.Right;
}

Integer FrameCacheHeight(const TskFrameInput& in) {
  Integer height = in.Iconic && !in.MainForm ? FrameSysBorderWidthNoExt(in) + in.CaptionHeightExt + 2 : in.FormHeight;
  if (in.BorderWindow) {
    height += BorderFormSideOffset(in) + BorderFormTopOffset(in) + in.Shadow.Top + in.Shadow.Bottom;
    if (in.MenuLineHeight != 0) ++height;
  }
  return height;
}

Integer FrameTitleAreaHeight(const TskFrameInput& in) {
  const Integer noExt = FrameSysBorderWidthNoExt(in);
  Integer height;
  if (in.BorderWindow) {
    height = noExt + in.CaptionHeightExt;
  } else {
    const Integer bottom = in.CaptionHeight > 0 || in.HasBorder ? noExt + in.BorderWidth : 0;
    height = std::max<Integer>(in.WindowHeight - in.ClientHeight - bottom, 0);
  }
  if (in.Iconic) height += noExt;
  return height - in.HScrollHeight;
}

Integer FrameClientOffsetX(const TskFrameInput& in) {
  if (in.BorderWindow) return FrameSysBorderWidth(in, true) + in.BorderWidth + in.Shadow.Left;
  return (in.WindowWidth - in.ClientWidth - in.VScrollWidth) / 2;
}

Integer FrameClientOffsetY(const TskFrameInput& in) {
  if (in.BorderWindow) {
    return in.CaptionHeightExt + in.MenuLines * in.MenuLineHeight + in.BorderWidth + in.Shadow.Top +
           (in.MenuLineHeight != 0 ? 1 : 0);
  }
  const Integer bottom = in.HasBorder ? FrameSysBorderWidth(in, true) + in.BorderWidth : 0;
  return in.WindowHeight - in.ClientHeight - bottom - in.HScrollHeight;
}

Integer FrameTitleBottom(const TskFrameInput& in) {
  return FrameSysBorderWidthNoExt(in) + in.CaptionHeightExt + in.Shadow.Top;
}

TRect FrameRect(const TskFrameInput& in) {
  return TRect{in.Shadow.Left, in.Shadow.Top, FrameCacheWidth(in) - in.Shadow.Right,
               FrameCacheHeight(in) - in.Shadow.Bottom};
}

TRect CaptionTextRect(const TskFrameInput& frame, const TskCaptionInput& in) {
  TRect r;
  r.Left = FrameSysBorderWidth(frame, true) + in.IconWidth + in.BILeft + frame.Shadow.Left +
           (in.CaptionSection ? 2 : 0) + kCaptionGap;
  r.Right = FrameCacheWidth(frame) - in.ButtonsWidth - frame.Shadow.Right - kButtonsGap;
  if (in.TitleBar) {
    r.Left = in.BarLeft + in.BarLeftWidth + kTitleBarTextGap;
    r.Right = in.BarRight - in.BarRightWidth - kTitleBarTextGap;
  }
  r.Bottom = FrameTitleBottom(frame);
  if (frame.BorderWindow) {
    Integer down = in.CenterOffset;
    if (frame.Maximized && in.MaxHeight != in.TitleHeight) down += (in.TitleHeight - in.MaxHeight) / 2;
    r.Bottom += down;
  }
  // The text's top sits on the title's centre (which already holds a border window's centre offset).
  r.Top = in.Centre - in.TextHeight / 2;
  TAlignment alignment = in.Alignment;
  if (in.RightToLeft && alignment != taCenter) alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  const Integer needed = in.CaptionWidth + in.AddedWidth + 4;
  if (alignment == taRightJustify) {
    if (needed < r.Width()) r.Left = r.Right - needed;
  } else if (alignment == taCenter) {
    r.Left = std::max(r.Left, r.Left + (r.Width() - needed) / 2);
    r.Right = std::min(r.Left + in.CaptionWidth, r.Right);
  }
  return r;
}

Integer AddedTitleColor(bool ownColor, Integer fontColor, bool active, Integer titleNormal, Integer titleActive) {
  const Integer title = active ? titleActive : titleNormal;
  if (!ownColor) return title >= 0 ? title : fontColor;
  return active || titleNormal < 0 ? fontColor : BlendColors(fontColor, titleNormal, 0.5);
}
