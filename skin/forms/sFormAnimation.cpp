#include "skin/forms/sFormAnimation.h"

#include <algorithm>

#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sOutputWindow.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"

namespace {

constexpr UINT kRedrawForm = RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME;
// Time for the compositor to present the redrawn window before the animation window leaves it.
constexpr DWORD kCompositionWait = 48;

bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// The animation window of a show: the border window when there is one (its region taken away, so that
// the whole picture shows), else a new animation form.
struct TskAnimTarget {
  HWND Window = nullptr;
  std::unique_ptr<TForm> Form;  // made for the animation; nil when the border window serves
  HWND Border = nullptr;
};

TskAnimTarget AnimTargetFor(TskBorderForm* border, const TRect& bounds, bool topmost) {
  TskAnimTarget target;
  if (border != nullptr && border->BorderHandle() != nullptr) {
    target.Window = target.Border = border->BorderHandle();
    SetWindowRgn(target.Window, nullptr, FALSE);
    return target;
  }
  target.Form = NewAnimForm(bounds, topmost);
  target.Window = target.Form->Handle();
  return target;
}

void WaitForComposition(Integer steps) {
  if (steps > 0 && AeroIsEnabled()) Sleep(kCompositionWait);
}

void PutBelow(HWND window, HWND above) {
  SetWindowPos(window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOOWNERZORDER);
}

// Sets the border form's busy flag for a scope: repaints meanwhile must not reach the border window.
class TBusyBorder {
 public:
  explicit TBusyBorder(TskBorderForm* border) : border_(border) {
    if (border_ != nullptr) border_->Busy = true;
  }
  ~TBusyBorder() {
    if (border_ != nullptr) border_->Busy = false;
  }
  TBusyBorder(const TBusyBorder&) = delete;
  TBusyBorder& operator=(const TBusyBorder&) = delete;

 private:
  TskBorderForm* border_;
};

void RestoreBorderRegion(TskBorderForm& border) {
  if (HRGN region = border.FormRegion()) {
    if (SetWindowRgn(border.BorderHandle(), region, TRUE) == 0) DeleteObject(region);
  }
}

}  // namespace

std::unique_ptr<TBitmap> FormAnimationImage(TsSkinProvider& provider) {
  TBitmap* cache = provider.SkinData().CacheBitmap.get();
  TCustomForm* form = provider.Form;
  if (cache == nullptr || cache->Width() == 0 || form == nullptr || !form->HandleAllocated()) return nullptr;
  std::unique_ptr<TBitmap> image = CopyAnimBitmap(*cache);
  const HDC dc = image->Canvas().Handle();
  const Integer cx = provider.ClientOffsetX(), cy = provider.ClientOffsetY();
  // The cache holds the frame and the client's background; the child controls go over it, each at
  // its place in the client area.
  for (int i = 0; i < form->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(form->Controls(i));
    if (child == nullptr || !child->Visible() || !child->HandleAllocated()) continue;
    const int saved = SaveDC(dc);
    SetWindowOrgEx(dc, -(cx + child->Left()), -(cy + child->Top()), nullptr);
    PaintWindowImage(*image, child, child->Left(), child->Top(), nullptr);
    RestoreDC(dc, saved);
  }
  PaintControlImage(dc, form, true, TPoint{cx, cy});
  if (provider.BorderForm != nullptr) {
    RECT client{};
    GetClientRect(form->Handle(), &client);
    SetImageAlpha(*image, TRect{cx, cy, cx + client.right, cy + client.bottom}, 255);
  } else {
    SetImageAlpha(*image, TRect{0, 0, image->Width(), image->Height()}, 255);
  }
  return image;
}

void StartFormShowAnimation(TsSkinProvider& provider, Integer time, Byte finalAlpha, TskAnimType mode) {
  auto* form = dynamic_cast<TForm*>(provider.Form);
  if (form == nullptr || !form->HandleAllocated()) return;
  const HWND window = form->Handle();
  provider.PaintFormFrame();
  std::unique_ptr<TBitmap> image = FormAnimationImage(provider);
  if (!image) return;
  TskAnimationScope scope;
  TskBorderForm* border = provider.BorderForm.get();
  const Integer steps = AnimStepCount(time);
  const TPoint position = FormImagePosition(provider);
  const TRect bounds{position.X, position.Y, position.X + image->Width(), position.Y + image->Height()};
  TskAnimTarget target = AnimTargetFor(border, bounds, Topmost(window));
  RunShowRounds(target.Window, AnimInsertAfter(window, window), *image, position, steps, finalAlpha, mode, false);

  const HWND anim = target.Window;
  SetWindowPos(anim, nullptr, position.X, position.Y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  if (steps > 0) ShowAnimImage(anim, *image, finalAlpha, position);
  provider.InAnimation = false;
  if (form->AlphaBlend()) form->SetAlphaBlendValue(finalAlpha);
  SetWindowPos(window, anim, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  InAnimationProcess = false;
  {
    TBusyBorder busy(border);
    RedrawWindow(window, nullptr, nullptr, kRedrawForm);
  }
  image.reset();
  WaitForComposition(steps);
  PutBelow(anim, window);
  if (target.Border != nullptr) {
    RestoreBorderRegion(*border);
    TsSkinManager* manager = provider.SkinData().GetSkinManager();
    TBitmap* cache = provider.SkinData().CacheBitmap.get();
    if (manager != nullptr && manager->SkinData.AeroBlur && cache != nullptr) ShowAnimImage(anim, *cache, 255, position);
  }
  target.Form.reset();
  if (provider.OnAfterAnimation) provider.OnAfterAnimation(aeShowing);
}

void CaptureDialogImage(IskAnimatedDialog& dialog, TBitmap& bitmap, bool wholeWindow) {
  const HWND window = dialog.OwnerWindow();
  if (window == nullptr) return;
  const TPoint offset = dialog.OwnerClientOffset();
  RECT client{};
  GetClientRect(window, &client);
  const TRect area{offset.X, offset.Y, offset.X + client.right, offset.Y + client.bottom};
  if (wholeWindow) {
    const TRect inWindow = ClientRectInWindow(window);
    const HDC source = GetWindowDC(window);
    BitBlt(bitmap.Canvas().Handle(), offset.X, offset.Y, client.right, client.bottom, source, inWindow.Left, inWindow.Top,
           SRCCOPY);
    ReleaseDC(window, source);
    SetImageAlpha(bitmap, area, 255);
    return;
  }
  const HDC dc = bitmap.Canvas().Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.Left, area.Top, area.Right, area.Bottom);
  dialog.PrintDialogChildren(dc, offset, TPoint{client.right, client.bottom});
  RestoreDC(dc, saved);
  if (dialog.DialogBorderForm() != nullptr)
    SetImageAlpha(bitmap, area, 255);
  else
    SetImageAlpha(bitmap, TRect{0, 0, bitmap.Width(), bitmap.Height()}, 255);
}

void AnimShowDialog(IskAnimatedDialog& dialog, Integer time, Byte finalAlpha, TskAnimType mode) {
  const HWND window = dialog.OwnerWindow();
  TsCommonData* data = dialog.OwnerSkinData();
  TBitmap* cache = data != nullptr ? data->CacheBitmap.get() : nullptr;
  if (window == nullptr || cache == nullptr || cache->Width() == 0) return;
  std::unique_ptr<TBitmap> image = CopyAnimBitmap(*cache);
  CaptureDialogImage(dialog, *image, false);
  TskAnimationScope scope;
  TskBorderForm* border = dialog.DialogBorderForm();
  const Integer steps = AnimStepCount(time);
  POINT client{0, 0};
  ClientToScreen(window, &client);
  const TPoint offset = dialog.OwnerClientOffset();
  const TPoint position{client.x - offset.X, client.y - offset.Y};
  const TRect bounds{position.X, position.Y, position.X + image->Width(), position.Y + image->Height()};
  TskAnimTarget target = AnimTargetFor(border, bounds, Topmost(window));
  RunShowRounds(target.Window, AnimInsertAfter(window, window), *image, position, steps, finalAlpha, mode, true);

  const HWND anim = target.Window;
  SetWindowRgn(anim, nullptr, FALSE);
  if (steps > 0) ShowAnimImage(anim, *image, finalAlpha, position);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  InAnimationProcess = false;
  if (target.Border != nullptr) {
    {
      TBusyBorder busy(border);
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
    }
    RestoreBorderRegion(*border);
    ShowAnimImage(anim, *cache, 255, position);
  } else {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  }
  WaitForComposition(steps);
  PutBelow(anim, window);
  image.reset();
  target.Form.reset();
}
