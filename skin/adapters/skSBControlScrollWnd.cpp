#include "skin/adapters/skSBControlScrollWnd.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/ScrollBar.h"

namespace {

// The part of the view under the rect: what is painted there stays inside it.
TsPixelView SubView(const TsPixelView& view, const TRect& rect) {
  const TRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, view.Width),
                std::min(rect.Bottom, view.Height)};
  if (r.IsEmpty()) return {};
  return TsPixelView{view.Row(r.Top) + r.Left, r.Width(), r.Height(), view.Stride};
}

}  // namespace

TskSBWnd::TskSBWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data)
    : TskMainWnd(window, repaint, section, manager, data) {
  if (SkinData != nullptr) Control = dynamic_cast<TScrollBar*>(SkinData->HostControl);
  ReadControlScrollInfo();
}

void TskSBWnd::ReadControlScrollInfo() {
  if (Control == nullptr) return;
  Scroll.Min = Control->Min();
  Scroll.Max = Control->Max();
  Scroll.Page = Control->PageSize();
  Scroll.Pos = Scroll.TrackPos = Control->Position();
}

bool TskSBWnd::IsVertical() const { return (GetWindowLongPtrW(Window, GWL_STYLE) & SBS_VERT) != 0; }

void TskSBWnd::UpdateParts() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const bool vertical = IsVertical();
  const Integer length = vertical ? WndSize.Y : WndSize.X;
  const Integer across = vertical ? WndSize.X : WndSize.Y;
  const TskControlParts parts =
      ControlScrollParts(length, GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL), Scroll, vertical);
  auto along = [&](Integer from, Integer to) { return vertical ? TRect{0, from, across, to} : TRect{from, 0, to, across}; };
  Btn1Rect = along(0, parts.Button1);
  Btn2Rect = along(length - parts.Button2, length);
  SliderRect = along(parts.SliderStart, parts.SliderStart + parts.SliderLength);
  Bar1Rect = along(0, parts.SliderCentre);
  Bar2Rect = along(parts.SliderCentre, length);
}

void TskSBWnd::Repaint() {
  RepaintNeeded = false;
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TskSBWnd::RepaintIfNeeded() {
  if (RepaintNeeded) Repaint();
}

void TskSBWnd::WndProc(TMessage& message) {
  if (SkinOff() || (Control != nullptr && Control->ComponentState().Contains(csDestroying))) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      BeginPaint(Window, &ps);
      Paint(reinterpret_cast<HDC>(message.WParam));
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_PRINT:
      Paint(reinterpret_cast<HDC>(message.WParam));
      return;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      message.Result = 0;
      return;
    case SBM_SETSCROLLINFO:
      SetScrollInfoMessage(message);
      return;
    case CM_CHANGED:
      HandOnLocked(message);
      return;
    case WM_SETREDRAW:
      if (!Repainting) LockCount += message.WParam == 0 ? 1 : -1;
      break;
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
      MouseDown(message);
      return;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
    case WM_CAPTURECHANGED:
      CallOldProc(message);
      MouseUp();
      return;
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK:
      DoubleClick(message);
      return;
    case WM_NCHITTEST:
      TskMainWnd::WndProc(message);
      TrackMouse(ScreenPointInClient(message));
      return;
    case CM_MOUSEENTER:
      Bar1State = Bar2State = 1;
      Repaint();
      break;
    case CM_MOUSELEAVE:
      Btn1State = Btn2State = 0;
      if (SliderState != 2) SliderState = Bar1State = Bar2State = 0;
      Repaint();
      break;
    case CM_ENABLEDCHANGED:
      TskMainWnd::WndProc(message);
      SkinData->BackgroundDirty = true;
      Repaint();
      return;
    case SkinCommandMessage:
      switch (SkinCommandOf(message.WParam)) {
        case scParentUpdated:
          SkinData->UpdatingFlag = false;
          Repaint();
          return;
        case scIsSkinned:
          message.Result = 1;
          return;
        case scRepaintNow:
          Repaint();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskSBWnd::PassOnWithoutRedraw(TMessage& message) {
  // The adapter's own redraw switches are not the application's: they are not counted.
  const bool wasRepainting = Repainting;
  Repainting = true;
  SendMessageW(Window, WM_SETREDRAW, 0, 0);
  CallOldProc(message);
  SendMessageW(Window, WM_SETREDRAW, 1, 0);
  Repainting = wasRepainting;
}

void TskSBWnd::HandOnLocked(TMessage& message) {
  // The system bar takes the data without painting; the adapter paints the result once.
  PassOnWithoutRedraw(message);
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
}

void TskSBWnd::SetScrollInfoMessage(TMessage& message) {
  const auto* info = reinterpret_cast<const SCROLLINFO*>(message.LParam);
  if (info != nullptr) {
    TskScrollRequest request;
    request.Mask = info->fMask;
    request.Min = info->nMin;
    request.Max = info->nMax;
    request.Page = static_cast<Integer>(std::min<UINT>(info->nPage, 0x7FFFFFFF));
    request.Pos = info->nPos;
    ApplyScrollRequest(Scroll, request, BeginTrack);
    if ((info->fMask & SIF_RANGE) != 0 && (info->fMask & SIF_POS) != 0) PushToControl();
  }
  HandOnLocked(message);
}

void TskSBWnd::PushToControl() {
  if (Control == nullptr || pushing_) return;
  if (Control->Min() == Scroll.Min && Control->Max() == Scroll.Max && Control->PageSize() == Scroll.Page &&
      Control->Position() == Scroll.Pos)
    return;
  // The data are already clamped to a range the control accepts: its page follows the new range
  // first (SetParams cuts a page longer than it), then takes the window's.
  const TskControlScroll taken = Scroll;
  pushing_ = true;
  try {
    Control->SetParams(taken.Pos, taken.Min, taken.Max);
    if (Control->PageSize() != taken.Page) Control->SetPageSize(taken.Page);
  } catch (...) {
    pushing_ = false;
    Scroll = taken;
    throw;
  }
  pushing_ = false;
  Scroll = taken;
}

TPoint TskSBWnd::CursorInClient() const {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(Window, &p);
  return TPoint{p.x, p.y};
}

TPoint TskSBWnd::ScreenPointInClient(const TMessage& message) const {
  POINT p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
  ScreenToClient(Window, &p);
  return TPoint{p.x, p.y};
}

Integer* TskSBWnd::PartAt(TPoint p) {
  UpdateParts();
  if (Btn1Rect.Contains(p)) return &Btn1State;
  if (Btn2Rect.Contains(p)) return &Btn2State;
  if (SliderRect.Contains(p)) return &SliderState;
  if (Bar1Rect.Contains(p)) return &Bar1State;
  if (Bar2Rect.Contains(p)) return &Bar2State;
  return nullptr;
}

void TskSBWnd::SetPartState(Integer* part, Integer state) {
  // One part hot or pressed: the buttons and the slider return to normal, the bars to hot.
  const Integer before[5] = {Btn1State, Btn2State, SliderState, Bar1State, Bar2State};
  Btn1State = Btn2State = SliderState = 0;
  Bar1State = Bar2State = 1;
  if (part != nullptr) *part = state;
  const Integer after[5] = {Btn1State, Btn2State, SliderState, Bar1State, Bar2State};
  if (!std::equal(std::begin(before), std::end(before), std::begin(after))) RepaintNeeded = true;
}

Integer TskSBWnd::PositionAt(TPoint p) {
  const bool vertical = IsVertical();
  return ControlPositionAt(vertical ? p.Y : p.X, vertical ? WndSize.Y : WndSize.X,
                           GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL),
                           vertical ? SliderRect.Height() : SliderRect.Width(), Scroll, IsWindowEnabled(Window) != FALSE);
}

void TskSBWnd::PressAt(TPoint p) {
  Integer* part = PartAt(p);
  if (part == &Btn1State) ScrollCode = 0;
  if (part == &Btn2State) ScrollCode = 1;
  if (part == &SliderState) {
    ScrollCode = 5;
    MouseOffset = PositionAt(p) - Scroll.Pos;
    BeginTrack = true;
  }
  if (part == &Bar1State || part == &Bar2State) {
    // A page click: the pressed bar, the other as the control's hot state leaves it.
    ScrollCode = part == &Bar1State ? 2 : 3;
    SetPartState(nullptr, 0);
    Bar1State = Bar2State = SkinData->IsActive() ? 1 : 0;
    *part = 2;
    RepaintNeeded = true;
  } else {
    SetPartState(part, 2);
  }
  Repaint();
}

void TskSBWnd::MouseDown(TMessage& message) {
  POINT p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
  if (message.Msg == WM_NCLBUTTONDOWN) ScreenToClient(Window, &p);
  PressAt(TPoint{p.x, p.y});
  // The system bar tracks the press in a loop of its own until the button is released; redraw stays
  // off meanwhile so that only the adapter paints the bar.
  for (; LockCount > 0; --LockCount) SendMessageW(Window, WM_SETREDRAW, 1, 0);
  SendMessageW(Window, WM_SETREDRAW, 0, 0);
  CallOldProc(message);
  SendMessageW(Window, WM_SETREDRAW, 1, 0);
  // The system's loop has ended with the press: a release the adapter did not see still ends it.
  if (ScrollCode != 8) MouseUp();
}

void TskSBWnd::MouseUp() {
  const TPoint p = CursorInClient();
  Integer* part = PartAt(p);
  if (part == &SliderState || SliderState == 2) {
    ScrollCode = 4;
    SetPartState(&SliderState, SliderRect.Contains(p) ? 1 : 0);
  } else if (Btn1State == 2 || Btn2State == 2) {
    SetPartState(Btn1State == 2 ? &Btn1State : &Btn2State, 1);
  } else if (Bar1State == 2 || Bar2State == 2) {
    Bar1State = Bar2State = SkinData->IsActive() ? 1 : 0;
    RepaintNeeded = true;
  }
  BeginTrack = false;
  Scroll.TrackPos = Scroll.Pos;
  Repaint();
  ScrollCode = 8;
}

void TskSBWnd::DoubleClick(TMessage& message) {
  PassOnWithoutRedraw(message);
  PressAt(CursorInClient());
  MouseUp();
}

void TskSBWnd::TrackMouse(TPoint p) {
  if (SliderState == 2 && BeginTrack) {
    UpdateParts();
    const Integer last = std::max(Scroll.Max - std::max(Scroll.Page - 1, 0), Scroll.Min);
    const Integer position = std::clamp(PositionAt(p) - MouseOffset, Scroll.Min, last);
    if (position != Scroll.TrackPos) {
      Scroll.TrackPos = position;
      // The control's own data follow (and come back through SBM_SETSCROLLINFO); a foreign bar's copy
      // is the adapter's.
      if (Control != nullptr) Control->SetPosition(position);
      else Scroll.Pos = position;
      RepaintNeeded = true;
    }
  } else {
    SetPartState(PartAt(p), 1);
  }
  RepaintIfNeeded();
}

void TskSBWnd::PaintPart(const TsPixelView& view, Integer section, const AnsiString& name, const TRect& rect,
                         Integer state, Integer glyph, bool pressedShift) {
  if (!SkinManager->IsValidSkinIndex(section) || rect.IsEmpty()) return;
  TsBgPixels background;
  background.Bitmap = view;
  PaintSectionInState(*SkinManager, section, name, view, rect, background, TPoint{rect.Left, rect.Top}, state);
  const TPoint size = SkinGlyphSize(*SkinManager, glyph);
  if (size.X <= 0 || size.Y <= 0) return;
  // A grip longer than its part is centred on it and cut at its edges.
  const TsPixelView part = SubView(view, rect);
  TPoint at = CentredGlyphOrigin(TRect{0, 0, part.Width, part.Height}, size.X, size.Y);
  if (pressedShift && state == 2) at = TPoint{at.X + 1, at.Y + 1};
  PaintSkinGlyph(*SkinManager, glyph, part, at, state);
}

void TskSBWnd::Paint(HDC given) {
  if (Control != nullptr && (!ControlIsPaintable(Control) || Control->ComponentState().Contains(csLoading))) return;
  if (SkinData->IsUpdating()) return;
  UpdateParts();
  if (WndSize.X <= 0 || WndSize.Y <= 0) return;
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != WndSize.X || cache.Height() != WndSize.Y) cache.SetSize(WndSize.X, WndSize.Y);
  const TsPixelView view = PixelViewOf(cache);
  const TskBgInfo parentBg = FillWithParentBg(view, Window, WndPos);

  const TsCommonIndexes& indexes = SkinManager->ConstData;
  const bool vertical = IsVertical();
  const bool enabled = IsWindowEnabled(Window) != FALSE;
  const Integer enabledFactor = enabled ? 1 : 0;
  const TsCachedSection& track1 = indexes.ScrollTracks[vertical ? stTrack1V : stTrack1H];
  const TsCachedSection& track2 = indexes.ScrollTracks[vertical ? stTrack2V : stTrack2H];
  // A bar part in its normal state shows the control's hot state.
  const Integer hot = SkinData->IsActive() ? 1 : 0;
  PaintPart(view, track1.SkinIndex, vertical ? "SCROLLBAR1V" : "SCROLLBAR1H", Bar1Rect,
            (Bar1State == 0 ? hot : Bar1State) * enabledFactor, -1, false);
  PaintPart(view, track2.SkinIndex, vertical ? "SCROLLBAR2V" : "SCROLLBAR2H", Bar2Rect,
            (Bar2State == 0 ? hot : Bar2State) * enabledFactor, -1, false);
  const TsCachedSection& first = indexes.ScrollButtons[vertical ? sbTop : sbLeft];
  const TsCachedSection& second = indexes.ScrollButtons[vertical ? sbBottom : sbRight];
  PaintPart(view, first.SkinIndex, vertical ? "SCROLLBTNTOP" : "SCROLLBTNLEFT", Btn1Rect, Btn1State, first.GlyphMask,
            false);
  PaintPart(view, second.SkinIndex, vertical ? "SCROLLBTNBOTTOM" : "SCROLLBTNRIGHT", Btn2Rect, Btn2State,
            second.GlyphMask, false);
  const Integer length = vertical ? WndSize.Y : WndSize.X;
  const Integer sliderStart = vertical ? SliderRect.Top : SliderRect.Left;
  const Integer sliderEnd = vertical ? SliderRect.Bottom : SliderRect.Right;
  const Integer firstEnd = vertical ? Btn1Rect.Bottom : Btn1Rect.Right;
  if (sliderStart >= firstEnd && sliderEnd <= length - (vertical ? Btn2Rect.Height() : Btn2Rect.Width())) {
    const TsCachedSection& slider = indexes.ScrollButtons[vertical ? sbSliderV : sbSliderH];
    PaintPart(view, slider.SkinIndex, vertical ? "SCROLLSLIDERV" : "SCROLLSLIDERH", SliderRect, SliderState,
              enabled ? slider.GlyphMask : -1, true);
  }
  if (!enabled) BlendWithBackground(view, bwBlend, WndPos.X, WndPos.Y, BgPixelsOf(parentBg), parentBg.Color);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, cache.Canvas().Handle(), 0, 0, SRCCOPY);
  if (given == nullptr) ReleaseDC(Window, dc);
}
