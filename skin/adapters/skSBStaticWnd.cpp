#include "skin/adapters/skSBStaticWnd.h"

#include <windows.h>

#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sSkinText.h"
#include "vcl/gui/Bitmap.h"

namespace {

constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

}  // namespace

void TskStaticWnd::WndProc(TMessage& message) {
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(Window, GWL_EXSTYLE);
  if ((style & WS_TABSTOP) != 0 || (exStyle & WS_EX_STATICEDGE) != 0) {
    TskMainWnd::WndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(Window) != FALSE;
  switch (message.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      const HDC dc = BeginPaint(Window, &ps);
      // The window's DC covers the whole window, as the cache does; a DC given in wParam (from
      // WM_PRINT) is painted into instead.
      if (visible && dc != nullptr) Paint(message);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_PRINT:
      Paint(message);
      return;
    case WM_ERASEBKGND:
      if (!visible) break;
      message.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    case WM_MOVE:
    case WM_ENABLE:
      if (!visible || SkinData == nullptr) break;
      SkinData->BackgroundDirty = true;
      CallOldProc(message);
      RedrawWindow(Window, nullptr, nullptr, kRedrawNow);
      return;
    case WM_SETTEXT:
      if (!visible || SkinData == nullptr) break;
      SendMessageW(Window, WM_SETREDRAW, 0, 0);
      CallOldProc(message);
      ReadWindowText();
      SkinData->BackgroundDirty = true;
      SendMessageW(Window, WM_SETREDRAW, 1, 0);
      RedrawWindow(Window, nullptr, nullptr, kRedrawNow);
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskStaticWnd::Paint(TMessage& message) {
  if (SkinData == nullptr) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const bool own = message.WParam == 0;
  const HDC dc = own ? GetWindowDC(Window) : reinterpret_cast<HDC>(message.WParam);
  if (dc == nullptr) return;
  const int saved = SaveDC(dc);
  SkinData->BackgroundDirty = true;
  SkinData->InitCacheBmp();
  if (SkinData->CacheBitmap->Width() != WndSize.X || SkinData->CacheBitmap->Height() != WndSize.Y)
    SkinData->CacheBitmap->SetSize(WndSize.X, WndSize.Y);
  RebuildWindowBg(SkinData, Window, false);
  if (DrawCaption())
    BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
  if (own) ReleaseDC(Window, dc);
}

bool TskStaticWnd::DrawCaption() {
  if (WindowText.empty()) return true;
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  canvas.Brush().SetStyle(bsClear);
  const TRect rect{0, 0, WndSize.X, WndSize.Y};
  AssignSystemFont(canvas, 5);
  UINT flags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP;
  if ((GetWindowLongPtrW(Window, GWL_STYLE) & SS_NOPREFIX) != 0) flags |= DT_NOPREFIX;
  if ((GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_RIGHT) != 0) flags |= DT_RIGHT;
  DrawControlText(canvas, WindowText, true, false, *SkinData, flags, rect);
  return true;
}
