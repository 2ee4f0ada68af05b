#include "skin/forms/sAnimWindow.h"

#include <algorithm>
#include <cmath>

#include "skin/forms/sBorderForm.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"

TskAnimationScope::TskAnimationScope() { InAnimationProcess = true; }
TskAnimationScope::~TskAnimationScope() { InAnimationProcess = false; }

std::unique_ptr<TBitmap> NewAnimBitmap(Integer width, Integer height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(std::max<Integer>(width, 1), std::max<Integer>(height, 1));
  FillBitmapRectArgb(PixelViewOf(*bitmap), TRect{0, 0, bitmap->Width(), bitmap->Height()}, 0, 0);
  return bitmap;
}

std::unique_ptr<TBitmap> CopyAnimBitmap(TBitmap& source) {
  auto copy = NewAnimBitmap(source.Width(), source.Height());
  GdiFlush();
  const TsPixelView from = PixelViewOf(source), to = PixelViewOf(*copy);
  if (from.IsEmpty() || to.IsEmpty()) {
    BitBlt(copy->Canvas().Handle(), 0, 0, source.Width(), source.Height(), source.Canvas().Handle(), 0, 0, SRCCOPY);
    return copy;
  }
  for (Integer y = 0; y < to.Height; ++y) std::copy_n(from.Row(y), to.Width, to.Row(y));
  return copy;
}

std::unique_ptr<TForm> NewAnimForm(const TRect& bounds, bool topmost) {
  auto form = std::unique_ptr<TForm>(New<TForm>(nullptr));
  form->SetTag(kSkinOwnWindowTag);
  form->SetBorderStyle(bsNone);
  if (topmost) form->SetFormStyle(fsStayOnTop);
  form->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  const HWND window = form->Handle();
  SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);
  return form;
}

void MakeAnimWindowLayered(HWND window) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  const LONG_PTR wanted = exStyle | WS_EX_LAYERED | WS_EX_NOACTIVATE;
  if (wanted != exStyle) SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);
}

void RemoveLayeredStyle(HWND window) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) != 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
}

void ShowAnimImage(HWND window, TBitmap& image, Byte alpha, TPoint position) {
  GdiFlush();
  SetLayeredImage(window, &image, alpha, &position);
}

TPoint FormImagePosition(TsSkinProvider& provider) {
  POINT client{0, 0};
  if (provider.Form != nullptr && provider.Form->HandleAllocated()) ClientToScreen(provider.Form->Handle(), &client);
  return TPoint{client.x - provider.ClientOffsetX(), client.y - provider.ClientOffsetY()};
}

void DrawAnimRound(TBitmap& work, TBitmap& image, const TskAnimFrame& frame, bool zoom, bool firstRound, bool clear) {
  const HDC to = work.Canvas().Handle();
  const HDC from = image.Canvas().Handle();
  if (!zoom || !frame.Stretch) {
    // A fading image never changes; a zoomed one is copied whole once it outgrew the picture.
    if (zoom || firstRound) BitBlt(to, 0, 0, image.Width(), image.Height(), from, 0, 0, SRCCOPY);
    return;
  }
  if (clear) FillBitmapRectArgb(PixelViewOf(work), TRect{0, 0, work.Width(), work.Height()}, 0, 0);
  const auto left = static_cast<int>(std::lround(frame.Rect.Left)), top = static_cast<int>(std::lround(frame.Rect.Top));
  const auto right = static_cast<int>(std::lround(frame.Rect.Right)), bottom = static_cast<int>(std::lround(frame.Rect.Bottom));
  SetStretchBltMode(to, COLORONCOLOR);
  StretchBlt(to, left, top, right - left, bottom - top, from, 0, 0, image.Width(), image.Height(), SRCCOPY);
}

void SetImageAlpha(TBitmap& image, const TRect& rect, Byte alpha) {
  GdiFlush();
  const TRect r{std::max<Integer>(rect.Left, 0), std::max<Integer>(rect.Top, 0), std::min(rect.Right, image.Width()),
                std::min(rect.Bottom, image.Height())};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  SetBitmapRectAlpha(PixelViewOf(image), r, alpha, false);
}

HWND AnimInsertAfter(HWND form, HWND lowest) {
  if ((GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) return HWND_TOPMOST;
  const HWND previous = GetWindow(lowest, GW_HWNDPREV);
  return previous != nullptr ? previous : HWND_TOP;
}

void RunShowRounds(HWND window, HWND insertAfter, TBitmap& image, TPoint position, Integer steps, Byte finalAlpha,
                   TskAnimType mode, bool dialog, const std::function<void(const TskAnimFrame&)>& eachRound) {
  MakeAnimWindowLayered(window);
  ShowAnimImage(window, image, steps < 1 ? finalAlpha : 0, position);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  // A window made just now may itself be the one above the form: it is where it belongs then.
  const UINT keepOrder = insertAfter == window ? SWP_NOZORDER : 0;
  SetWindowPos(window, insertAfter, position.X, position.Y, image.Width(), image.Height(),
               SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW | keepOrder);
  if (steps < 1) return;
  std::unique_ptr<TBitmap> work = NewAnimBitmap(image.Width(), image.Height());
  TskAnimSteps rounds = TskAnimSteps::Showing(steps, finalAlpha, mode == atAero, image.Width(), image.Height(), dialog);
  for (Integer i = 0; i <= steps; ++i) {
    const TskAnimFrame frame = rounds.Next();
    DrawAnimRound(*work, image, frame, mode == atAero, i == 0, false);
    ShowAnimImage(window, *work, frame.Alpha, position);
    if (eachRound) eachRound(frame);
    Sleep(kAnimStepTime);
  }
}
