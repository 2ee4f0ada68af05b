// The geometry of a skinned form's picture: how wide and high the cache of the whole window is, where
// the client area and the title lie in it, and where the caption text goes. Pure functions over one
// record of numbers (system frame, caption heights, the form's sizes, an extended border window's
// presence, offsets and shadow margins), so the tables run natively.
#pragma once
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Types.h"

struct TskFrameInput {
  Integer PlainFrame = 0;        // the system frame: SM_CXFRAME (sizing), SM_CXDLGFRAME (border) or 0
  bool HasBorder = true;         // WS_BORDER in the style
  Integer CaptionHeight = 0;     // without the extended title
  Integer CaptionHeightExt = 0;  // with it (equal without a border window)
  Integer FormWidth = 0, FormHeight = 0;
  Integer WindowWidth = 0, WindowHeight = 0;  // the window rectangle (an iconic form's is its icon's)
  Integer ClientWidth = 0, ClientHeight = 0;
  Integer BorderWidth = 0;       // the form's own inner border
  bool Iconic = false, MainForm = true, Maximized = false;
  Integer MenuLineHeight = 0, MenuLines = 0;
  Integer VScrollWidth = 0, HScrollHeight = 0;  // visible skinned scroll bars of the client area
  // The extended border window.
  bool BorderWindow = false;
  Integer ExtBorderWidth = 0;    // the skin's BORDERWIDTH
  TRect Shadow;                  // margins left, top, right, bottom (all 0 without a border window)
};

// The frame's width; withExt: an extended border window's skin width when it has one.
Integer FrameSysBorderWidth(const TskFrameInput& in, bool withExt);
// 0 with an extended border window, else the frame's width.
Integer FrameSysBorderWidthNoExt(const TskFrameInput& in);
Integer BorderFormSideOffset(const TskFrameInput& in);
Integer BorderFormTopOffset(const TskFrameInput& in);
// An iconic secondary form's cache is its window's width by caption + frame + 2; otherwise the form's
// size, grown by the border window's offsets and the shadow margins.
Integer FrameCacheWidth(const TskFrameInput& in);
Integer FrameCacheHeight(const TskFrameInput& in);
// The non-client height above the client area.
Integer FrameTitleAreaHeight(const TskFrameInput& in);
// The client area's corner in the cache.
Integer FrameClientOffsetX(const TskFrameInput& in);
Integer FrameClientOffsetY(const TskFrameInput& in);
// The title's bottom and the rectangle the frame is painted into (the cache less the shadow margins).
Integer FrameTitleBottom(const TskFrameInput& in);
TRect FrameRect(const TskFrameInput& in);

struct TskCaptionInput {
  Integer IconWidth = 0;       // 0 when no icon is shown
  Integer BILeft = 0;
  bool CaptionSection = false; // the skin has "CAPTION" (the caption stands 2 further right)
  Integer ButtonsWidth = 0;
  Integer CenterOffset = 0, TitleHeight = 0, MaxHeight = 0;  // the skin's, for a border window
  Integer Centre = 0;          // the title's vertical centre
  Integer TextHeight = 0;      // the caption font's height
  Integer CaptionWidth = 0, AddedWidth = 0;  // measured texts (AddedWidth 0 without an added title)
  TAlignment Alignment = taLeftJustify;
  bool RightToLeft = false;    // left and right alignment swap
  // A title bar's area and the widths its left and right items take: the caption goes between them.
  bool TitleBar = false;
  Integer BarLeft = 0, BarRight = 0, BarLeftWidth = 0, BarRightWidth = 0;
};

// Where the caption text goes: the rectangle between the icon and the buttons, aligned; its top on the
// title's centre less half the text height.
TRect CaptionTextRect(const TskFrameInput& frame, const TskCaptionInput& in);

// The added title's colour (RGB). Without a colour of its own (its font's clNone or clWindowText) it
// takes the title section's font colour of the state; an inactive form mixes its own colour half and
// half with the title's normal font colour, so that it fades with the caption. A title colour of -1
// (no title section) leaves the font's colour.
Integer AddedTitleColor(bool ownColor, Integer fontColor, bool active, Integer titleNormal, Integer titleActive);
