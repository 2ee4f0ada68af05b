#include "skin/adapters/skSBPictureWnd.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sSkinText.h"
#include "vcl/gui/Bitmap.h"

namespace {

constexpr UINT kRedrawNow = RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE;

// A 32-bit bitmap whose alpha bytes are not all 0 (one with all 0 is an opaque picture).
bool HasAlpha(HBITMAP bitmap, const BITMAP& info) {
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::vector<Cardinal> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows > 0 && std::any_of(pixels.begin(), pixels.end(), [](Cardinal p) { return (p >> 24) != 0; });
}

}  // namespace

// ---- links ----

void TskLinkWnd::WndProc(TMessage& message) {
  if ((GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0 || SkinData == nullptr) {
    TskStaticWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_MOVE:
      SkinData->BackgroundDirty = true;
      CallOldProc(message);
      RedrawWindow(Window, nullptr, nullptr, kRedrawNow);
      return;
    case WM_SETTEXT:
      CallOldProc(message);
      ReadWindowText();
      SkinData->BackgroundDirty = true;
      RedrawWindow(Window, nullptr, nullptr, kRedrawNow);
      return;
    case WM_PAINT: {
      // The text is drawn with the background (on erase).
      PAINTSTRUCT ps{};
      BeginPaint(Window, &ps);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      if (!IsWindowVisible(Window)) break;
      Paint(message);
      message.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    default:
      break;
  }
  TskStaticWnd::WndProc(message);
}

bool TskLinkWnd::DrawCaption() {
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  canvas.Brush().SetStyle(bsClear);
  AssignSystemFont(canvas, 5);
  TFontStyles style = canvas.Font().Style();
  canvas.Font().SetStyle(style.Include(fsUnderline));
  const TRect rect{0, 0, WndSize.X + 4, WndSize.Y};
  DrawControlText(canvas, LinkDisplayText(WindowText), true, false, *SkinData, DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP,
                  rect);
  return true;
}

// ---- pictures ----

TskIconWnd::TskIconWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                       TsCommonData* data)
    : TskStaticWnd(window, repaint, section, manager, data),
      isBitmap_((GetWindowLongPtrW(window, GWL_STYLE) & 3) != SS_ICON) {}

bool TskIconWnd::DrawCaption() {
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  if (!isBitmap_) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(Window, STM_GETICON, 0, 0));
    if (icon == nullptr) return false;
    DrawIconEx(canvas.Handle(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    return true;
  }
  // Asked again at each paint: the application may have put another bitmap in and deleted this one.
  const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(Window, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    return false;
  const HDC source = CreateCompatibleDC(canvas.Handle());
  const HGDIOBJ old = SelectObject(source, bitmap);
  const Integer w = std::min<Integer>(info.bmWidth, WndSize.X), h = std::min<Integer>(info.bmHeight, WndSize.Y);
  if (info.bmBitsPixel == 32 && HasAlpha(bitmap, info)) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(canvas.Handle(), 0, 0, w, h, source, 0, 0, w, h, blend);
  } else {
    BitBlt(canvas.Handle(), 0, 0, w, h, source, 0, 0, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
  return true;
}
