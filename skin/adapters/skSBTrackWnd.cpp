#include "skin/adapters/skSBTrackWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBTrackGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"

namespace {

TRect RectFrom(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void MirrorBitmap(const TsPixelView& view, bool horizontal) {
  if (view.IsEmpty()) return;
  if (horizontal) {
    for (Integer y = 0; y < view.Height; ++y) std::reverse(view.Row(y), view.Row(y) + view.Width);
    return;
  }
  for (Integer y = 0; y < view.Height / 2; ++y)
    std::swap_ranges(view.Row(y), view.Row(y) + view.Width, view.Row(view.Height - 1 - y));
}

// ---- track bar ----

TskTrackWnd::TskTrackWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                         TsCommonData* data)
    : TskMainWnd(window, repaint, SectionOrDefault(section, "TRACKBAR"), manager, data) {}

bool TskTrackWnd::IsVertical() const { return (GetWindowLongPtrW(Window, GWL_STYLE) & kTbsVert) != 0; }

void TskTrackWnd::WndProc(TMessage& message) {
  if (SkinOff()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      Paint(message);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      message.Result = 0;
      return;
    case WM_LBUTTONDOWN:
      MousePressed = true;
      break;
    case WM_LBUTTONUP:
      MousePressed = false;
      break;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskTrackWnd::Paint(const TMessage& message) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  PAINTSTRUCT ps{};
  BeginPaint(Window, &ps);
  if (!SkinData->IsUpdating()) {
    if (ParentWnd != nullptr) SendSkinCommand(ParentWnd, scChildPainted, 0);
    const auto given = reinterpret_cast<HDC>(message.WParam);
    if (IsWindowVisible(Window) || given != nullptr) {
      PrepareCache();
      const HDC dc = given != nullptr ? given : GetDC(Window);
      if (dc != nullptr && SkinData->CacheBitmap != nullptr) {
        BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        if (given == nullptr) ReleaseDC(Window, dc);
      }
    }
  }
  EndPaint(Window, &ps);
}

void TskTrackWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (WndSize.X <= 0 || WndSize.Y <= 0) return;
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != WndSize.X || cache.Height() != WndSize.Y) cache.SetSize(WndSize.X, WndSize.Y);
  const TsPixelView view = PixelViewOf(cache);
  const TskBgInfo background = FillWithParentBg(view, Window, WndPos);
  const TsSkinManager& manager = *SkinManager;
  if (manager.IsValidSkinIndex(SkinData->SectionIndex))
    SkinData->PaintOwnSection(background, true, cache, WndPos, TRect{0, 0, WndSize.X, WndSize.Y}, MousePressed ? 1 : 0);
  TrackBarIndex = manager.GetSkinIndex("TRACKBAR");
  if (manager.IsValidSkinIndex(TrackBarIndex)) {
    const bool vertical = IsVertical();
    RECT raw{};
    SendMessageW(Window, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&raw));
    // Some controls report a vertical bar's channel as if it lay horizontally: it is turned when it
    // lies across the bar.
    TRect channel = RectFrom(raw);
    if (vertical && channel.Width() > channel.Height()) channel = TRect{raw.top, raw.left, raw.bottom, raw.right};
    const Integer channelMask = manager.GetMaskIndex(TrackBarIndex, "TRACKBAR", "SLIDERCHANNEL");
    const TPoint channelSize = SkinGlyphSize(manager, channelMask);
    if (channelSize.X > 0 && channelSize.Y > 0) {
      channel = NarrowTrackChannel(channel, vertical ? channelSize.X : channelSize.Y, vertical);
      const TsMaskData& mask = manager.ma[static_cast<size_t>(channelMask)];
      TsBgPixels self;
      self.Bitmap = view;
      PaintMaskImage(view, channel, std::min<Integer>(MousePressed ? 1 : 0, std::max<Integer>(mask.ImageCount, 1) - 1),
                     mask, SkinPixelsOf(manager).ImageOf(mask), self);
    }
    RECT thumbRaw{};
    SendMessageW(Window, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumbRaw));
    const TRect thumb = RectFrom(thumbRaw);
    PaintTicks(view, channel, thumb);
    PaintThumb(view, thumb);
  }
  if (!IsWindowEnabled(Window))
    BlendWithBackground(view, bwBlend, WndPos.X, WndPos.Y, BgPixelsOf(background), background.Color);
  SkinData->BackgroundDirty = false;
}

void TskTrackWnd::PaintTicks(const TsPixelView& view, const TRect& channel, const TRect& thumb) {
  const auto style = static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_STYLE));
  const TskTickSides sides = TrackTickSides(style);
  if (!sides.Before && !sides.After) return;
  const bool vertical = IsVertical();
  const auto count = static_cast<Integer>(SendMessageW(Window, TBM_GETNUMTICS, 0, 0));
  const std::vector<Integer> places =
      vertical ? TrackTickPlaces(channel.Top, channel.Height(), thumb.Height(), count)
               : TrackTickPlaces(channel.Left, channel.Width(), thumb.Width(), count);
  const Integer offset = vertical ? TrackTickOffset(thumb.Width(), channel.Width())
                                  : TrackTickOffset(thumb.Height(), channel.Height());
  const Integer before = (vertical ? channel.Left : channel.Top) - offset - TickLength;
  const Integer after = (vertical ? channel.Right : channel.Bottom) + offset;
  const TsSkinManager& manager = *SkinManager;
  const Integer tickMask = manager.GetMaskIndex(TrackBarIndex, "TRACKBAR", vertical ? "TICKVERT" : "TICKHORZ");
  const TPoint glyph = SkinGlyphSize(manager, tickMask);
  const Integer shadow = static_cast<Integer>(ColorToRGB(clBtnShadow));
  for (const Integer across : {before, after}) {
    if ((across == before && !sides.Before) || (across == after && !sides.After)) continue;
    for (const Integer place : places) {
      if (glyph.X > 0 && glyph.Y > 0) {
        // The tick's right (bottom) edge is at its place.
        const TPoint at = vertical ? TPoint{across, place - glyph.Y + 1} : TPoint{place - glyph.X + 1, across};
        PaintSkinGlyph(manager, tickMask, view, at, MousePressed ? 1 : 0);
      } else if (vertical) {
        FillBitmapRectArgb(view, TRect{across, place - 1, across + TickLength, place}, 0xFFFFFF, 255);
        FillBitmapRectArgb(view, TRect{across, place, across + TickLength, place + 1}, shadow, 255);
      } else {
        FillBitmapRectArgb(view, TRect{place - 1, across, place, across + TickLength}, 0xFFFFFF, 255);
        FillBitmapRectArgb(view, TRect{place, across, place + 1, across + TickLength}, shadow, 255);
      }
    }
  }
}

void TskTrackWnd::PaintThumb(const TsPixelView& view, const TRect& thumb) {
  const TsSkinManager& manager = *SkinManager;
  const bool vertical = IsVertical();
  Integer mask = vertical ? manager.GetMaskIndex(TrackBarIndex, "TRACKBAR", "SLIDERVMASK") : -1;
  if (!manager.IsValidMaskIndex(mask)) mask = manager.GetMaskIndex(TrackBarIndex, "TRACKBAR", "SLIDERMASK");
  const TPoint size = SkinGlyphSize(manager, mask);
  if (size.X <= 0 || size.Y <= 0 || thumb.IsEmpty()) return;
  const Integer state = MousePressed ? 1 : 0;
  const auto style = static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_STYLE));
  if (TrackThumbUnstretched(thumb, size.X, size.Y, style)) {
    PaintSkinGlyph(manager, mask, view, CentredGlyphOrigin(thumb, size.X, size.Y), state);
    return;
  }
  // The thumb area scaled to the mask's size takes the mask there, and goes back scaled to the thumb.
  TBitmap& cache = *SkinData->CacheBitmap;
  TBitmap scaled;
  scaled.SetPixelFormat(pf32bit);
  scaled.SetSize(size.X, size.Y);
  const HDC scaledDc = scaled.Canvas().Handle();
  SetStretchBltMode(scaledDc, COLORONCOLOR);
  StretchBlt(scaledDc, 0, 0, size.X, size.Y, cache.Canvas().Handle(), thumb.Left, thumb.Top, thumb.Width(),
             thumb.Height(), SRCCOPY);
  const TsPixelView scaledView = PixelViewOf(scaled);
  const bool pointsBack = (style & kTbsTop) != 0 && (style & kTbsBoth) == 0;
  if (pointsBack) MirrorBitmap(scaledView, vertical);
  PaintSkinGlyph(manager, mask, scaledView, TPoint{0, 0}, state);
  if (pointsBack) MirrorBitmap(scaledView, vertical);
  const HDC cacheDc = cache.Canvas().Handle();
  SetStretchBltMode(cacheDc, COLORONCOLOR);
  StretchBlt(cacheDc, thumb.Left, thumb.Top, thumb.Width(), thumb.Height(), scaledDc, 0, 0, size.X, size.Y, SRCCOPY);
}

// ---- static edge ----

TskEdgeWnd::TskEdgeWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data)
    : TskStaticWnd(window, repaint, SectionOrDefault(section, "EDIT"), manager, data) {}

void TskEdgeWnd::WndProc(TMessage& message) {
  if (SkinOff()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      // The static paints its content; the edge goes over it.
      CallOldProc(message);
      Paint(message);
      return;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      message.Result = 0;
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskEdgeWnd::Paint(TMessage& message) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const auto given = reinterpret_cast<HDC>(message.WParam);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  SkinData->BackgroundDirty = true;
  RebuildWindowBg(SkinData, Window, false);
  if (SkinData->CacheBitmap != nullptr && SkinData->CacheBitmap->Width() == WndSize.X)
    CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, 2);
  if (given == nullptr) ReleaseDC(Window, dc);
}
