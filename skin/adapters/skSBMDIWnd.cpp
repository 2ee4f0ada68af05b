#include "skin/adapters/skSBMDIWnd.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/skDials.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMDIForm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {

// The client's scroll state changed (sent by the client to itself when its children move).
constexpr UINT kMDICalcScroll = 0x3F;
// The edge WS_EX_CLIENTEDGE gives the client.
constexpr Integer kClientEdge = 2;

bool HasClientEdge(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0; }

}  // namespace

TskMDIWnd::TskMDIWnd(HWND window, TsSkinProvider* provider)
    : TskBaseWnd(window, false, "MDIAREA", provider != nullptr ? provider->SkinData().GetSkinManager() : nullptr,
                 nullptr),
      MDIForm(provider != nullptr ? provider->Form : nullptr),
      FormSkinData(provider != nullptr ? &provider->SkinData() : nullptr),
      Provider(provider) {}

bool TskMDIWnd::FormSkinned() const {
  return !Detached() && Provider != nullptr && Provider->FormSkinned() && SkinManager != nullptr &&
         SkinManager->Active();
}

bool TskMDIWnd::ChildMaximized() const {
  const TCustomForm* child = MDIForm != nullptr ? MDIForm->ActiveMDIChild() : nullptr;
  return child != nullptr && IsZoomed(const_cast<TCustomForm*>(child)->Handle());
}

TRect TskMDIWnd::AreaInPicture() const {
  RECT client{}, form{};
  GetWindowRect(Window, &client);
  GetWindowRect(MDIForm->Handle(), &form);
  const TskFrameInput frame = Provider->FrameInput();
  const Integer dx = BorderFormSideOffset(frame) + frame.Shadow.Left - form.left;
  const Integer dy = BorderFormTopOffset(frame) + frame.Shadow.Top - form.top;
  return TRect{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
}

bool TskMDIWnd::PictureShowsArea() const {
  return SkinManager->IsValidSkinIndex(FormSkinData->SectionIndex) ||
         SkinManager->IsValidSkinIndex(SkinManager->GetSkinIndex("MDIAREA"));
}

void TskMDIWnd::PaintMDIArea(HDC dc, bool printing) {
  if (!FormSkinned() || MDIForm == nullptr) return;
  const TRect area = AreaInPicture();
  if (!PictureShowsArea()) {
    FillDCColor(dc, TRect{0, 0, area.Width(), area.Height()}, Provider->FormColor());
    return;
  }
  if (!FormSkinData->CacheBitmap || FormSkinData->BackgroundDirty || Provider->CacheSizeChanged()) {
    FormSkinData->BackgroundDirty = true;
    Provider->PaintFormFrame();
  }
  TBitmap* picture = FormSkinData->CacheBitmap.get();
  if (picture == nullptr) return;
  const Integer shift = !printing && HasClientEdge(Window) ? kClientEdge : 0;
  BitBlt(dc, 0, 0, area.Width() - shift, area.Height() - shift, picture->Canvas().Handle(), area.Left + shift,
         area.Top + shift, SRCCOPY);
}

void TskMDIWnd::PaintClientFrame(HDC dc) {
  if (!FormSkinned() || MDIForm == nullptr) return;
  const TRect area = AreaInPicture();
  const Integer edge = HasClientEdge(Window) ? kClientEdge : 0;
  if (edge == 0) return;
  if (PictureShowsArea() && FormSkinData->CacheBitmap) {
    CopyFrameStrips(dc, 0, 0, area.Width(), area.Height(), FormSkinData->CacheBitmap->Canvas().Handle(), area.Left,
                    area.Top, edge);
  } else {
    const Integer color = Provider->FormColor();
    FillDCBorders(dc, TRect{0, 0, area.Width(), area.Height()}, edge, color, edge, edge, edge);
  }
}

bool TskMDIWnd::HandleSkinCommand(TMessage& message) {
  if (message.Msg != SkinCommandMessage) return false;
  switch (SkinCommandOf(message.WParam)) {
    case scChildPainted:
      if (MDIForm != nullptr) message.Result = SendSkinCommandToControl(MDIForm, scChildPainted, message.LParam);
      return true;
    case scScrollBegin: {
      // The thumb's moves are the adapter's own: the client gets the position and keeps its state.
      const auto code = LOWORD(message.LParam);
      message.Result = code == SB_THUMBPOSITION || code == SB_THUMBTRACK ? 1 : 0;
      return true;
    }
    case scScrollEnd:
      UpdateScrollInfo(true);
      return true;
    default:
      return false;
  }
}

void TskMDIWnd::ThumbScroll(TMessage& message) {
  const int bar = message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(Window, bar, &info)) return;
  // The position comes in lParam (the skinned bar sends it there), else in wParam's high word.
  const Integer pos = message.LParam != 0 ? static_cast<Integer>(message.LParam) : HIWORD(message.WParam);
  const Integer to = std::clamp<Integer>(pos, info.nMin, std::max<Integer>(info.nMin, info.nMax));
  const Integer shift = kScrollStep * (info.nPos - to);
  if (shift != 0) {
    if (bar == SB_HORZ)
      ScrollWindow(Window, shift, 0, nullptr, nullptr);
    else
      ScrollWindow(Window, 0, shift, nullptr, nullptr);
  }
  info.fMask = SIF_POS;
  info.nPos = to;
  SetScrollInfo(Window, bar, &info, FALSE);
  message.Result = 0;
}

void TskMDIWnd::TileOrCascade(TMessage& message) {
  CallOldProc(message);
  FormSkinData->BackgroundDirty = true;
  Provider->HotHitTest = -1;
  if (TCustomForm* child = MDIForm->ActiveMDIChild(); child != nullptr && WindowIsSkinned(child->Handle())) {
    const LONG_PTR style = GetWindowLongPtrW(child->Handle(), GWL_STYLE);
    if ((style & WS_SYSMENU) != 0) SetWindowLongPtrW(child->Handle(), GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
  }
  if (Provider->MDIHelper != nullptr) Provider->MDIHelper->RefreshProviderFrame();
  InvalidateRect(Window, nullptr, TRUE);
  RedrawWindow(MDIForm->Handle(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
  if (Provider->SkinSysMenu != nullptr) Provider->SkinSysMenu->UpdateItems(false);
  message.Result = 0;
}

void TskMDIWnd::WndProc(TMessage& message) {
  if (!Detached() && HandleSkinCommand(message)) return;
  if (!FormSkinned() || MDIForm == nullptr || !MDIForm->HandleAllocated()) {
    TskBaseWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      if (InAnimationProcess) return;
      break;
    case WM_ERASEBKGND:
      // A maximized child covers the client, which keeps its own background behind it.
      if (message.WParam == 0 || (!InAnimationProcess && ChildMaximized())) break;
      if (!InAnimationProcess) {
        const HDC dc = reinterpret_cast<HDC>(message.WParam);
        const int saved = SaveDC(dc);
        PaintMDIArea(dc, false);
        RestoreDC(dc, saved);
      }
      message.Result = 1;
      return;
    case WM_WINDOWPOSCHANGING:
      FormSkinData->BackgroundDirty = true;
      break;
    case WM_WINDOWPOSCHANGED:
      RedrawWindow(MDIForm->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      break;
    case WM_STYLECHANGED:
      CallOldProc(message);
      return;
    case WM_NCPAINT:
      if (ChildMaximized() || InAnimationProcess) break;
      if (const HDC dc = GetWindowDC(Window)) {
        PaintClientFrame(dc);
        PaintScrollBars(dc);
        ReleaseDC(Window, dc);
      }
      message.Result = 1;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(message.WParam) == SB_THUMBTRACK) {
        message.Result = 0;
        return;
      }
      if (LOWORD(message.WParam) == SB_THUMBPOSITION) {
        ThumbScroll(message);
        return;
      }
      break;
    case WM_MDICREATE: {
      CallOldProc(message);
      if (const auto child = reinterpret_cast<HWND>(message.Result)) SkinTopLevelWindow(child);
      return;
    }
    case WM_MDITILE:
    case WM_MDICASCADE:
      TileOrCascade(message);
      return;
    case WM_MDISETMENU:
      CallOldProc(message);
      FormSkinData->BackgroundDirty = true;
      Provider->MenuLineDirty = true;
      Provider->MenuRowCount = -1;
      return;
    case WM_PRINT: {
      if (message.WParam == 0) break;
      message.Result = 0;
      if (Provider->HasBorderWindow() || ChildMaximized()) return;
      const HDC dc = reinterpret_cast<HDC>(message.WParam);
      const int saved = SaveDC(dc);
      PaintMDIArea(dc, true);
      PaintScrollBars(dc);
      RestoreDC(dc, saved);
      return;
    }
    default:
      break;
  }
  TskBaseWnd::WndProc(message);
  if (Detached()) return;
  switch (message.Msg) {
    case kMDICalcScroll:
    case WM_PARENTNOTIFY: {
      const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
      if (HorzBar() != nullptr) HorzBar()->State.Shown = (style & WS_HSCROLL) != 0;
      if (VertBar() != nullptr) VertBar()->State.Shown = (style & WS_VSCROLL) != 0;
      UpdateScrollInfo(true);
      break;
    }
    case WM_MDIREFRESHMENU:
      Provider->RepaintFrame();
      break;
    default:
      break;
  }
}
