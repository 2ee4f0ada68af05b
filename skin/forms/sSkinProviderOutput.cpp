// The frame's picture put on the screen: WM_NCPAINT brings the cache up to date and copies its frame
// strips to the window's device context; WM_NCACTIVATE switches the picture between the active and
// the inactive look.
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"

void TsSkinProvider::PaintNonClientToDC(HDC dc) {
  if (skinData_->BackgroundDirty || !skinData_->StateClearOrActive()) PaintFormFrame();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr || dc == nullptr || Form == nullptr) return;
  const TskFrameInput frame = FrameInput();
  const HDC from = cache->Canvas().Handle();
  const Integer width = cache->Width(), height = cache->Height();
  const Integer noExt = FrameSysBorderWidthNoExt(frame) + frame.BorderWidth;
  const Integer side = FrameSysBorderWidth(frame, true) + frame.BorderWidth;
  const bool captioned = (GetWindowLongPtrW(Form->Handle(), GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  const Integer top = captioned ? FrameTitleAreaHeight(frame) : noExt;
  // Where the side strips start in the picture: below the title (and the menu lines).
  const Integer sideTop =
      (frame.Iconic ? 1 : 0) + FrameSysBorderWidthNoExt(frame) + frame.CaptionHeightExt + frame.BorderWidth;
  const Integer formHeight = Form->Height();
  BitBlt(dc, 0, 0, width, top, from, 0, 0, SRCCOPY);
  BitBlt(dc, 0, top, side, height - top, from, 0, sideTop, SRCCOPY);
  BitBlt(dc, side, formHeight - noExt, width - side, noExt, from, side, formHeight - noExt, SRCCOPY);
  BitBlt(dc, width - side, top, noExt, height - noExt, from, width - side, sideTop, SRCCOPY);
}

bool TsSkinProvider::NCPaint() {
  if (!drawNonClientArea_ || Form == nullptr || !Form->HandleAllocated()) return false;
  // A composed desktop draws moving and sizing itself: the outline drag would paint under it.
  if (ResizeMode == rmBorder && AeroIsEnabled()) ResizeMode = rmStandard;
  const HWND window = Form->Handle();
  if (CoveredByMaximizedSibling()) return true;
  const bool iconic = IsIconic(window) != FALSE;
  // The taskbar shows an iconic application window; the provider has nothing to paint there.
  if (iconic && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0) return true;
  if (UpdateRegionOnPaint()) return true;
  skinData_->SetUpdating(false);
  if (!skinData_->CacheBitmap || skinData_->CacheBitmap->Width() == 0) skinData_->BackgroundDirty = true;
  if (skinData_->BackgroundDirty && !PaintFormFrame()) return true;
  const HDC dc = GetWindowDC(window);
  if (dc == nullptr) return true;
  const int saved = SaveDC(dc);
  const bool sizeable = (GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME) != 0;
  if (BorderForm) {
    PaintInnerStripsToDC(dc);
  } else if (IsBordered() || !sizeable || iconic) {
    PaintNonClientToDC(dc);
  } else {
    PaintBorderlessFrame(dc);
  }
  RestoreDC(dc, saved);
  ReleaseDC(window, dc);
  RegionChanging = false;
  return true;
}

// A borderless sizeable form: its sizing frame, widened by the form's border and 3 pixels, on all four
// sides, each strip from the same place of the cache.
void TsSkinProvider::PaintBorderlessFrame(HDC dc) {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr) return;
  const TskFrameInput frame = FrameInput();
  const Integer b = FrameSysBorderWidth(frame, true) + frame.BorderWidth + 3;
  const Integer w = cache->Width(), h = cache->Height();
  const HDC from = cache->Canvas().Handle();
  const TRect strips[] = {{0, 0, w, b}, {0, b, b, h}, {b, h - b, w, h}, {w - b, b, w, h - b}};
  for (const TRect& r : strips) BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), from, r.Left, r.Top, SRCCOPY);
}

bool TsSkinProvider::PaintingMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_NCPAINT: {
      if (SkinSysMenu == nullptr) InitializeSkin();
      if (!drawNonClientArea_) return false;
      if ((AnimState & 0x200) != 0) return true;
      if (RunTimeCreated) {
        RunTimeCreated = false;
        PrepareForm();
      }
      if (Form->HandleAllocated() && IsIconic(Form->Handle())) skinData_->BackgroundDirty = true;
      if (!Form->HandleAllocated() || !IsWindowVisible(Form->Handle()) ||
          Form->ControlState().Contains(csDestroyingHandle) || SkinSysMenu == nullptr) {
        return true;
      }
      NCPaint();
      message.Result = 0;
      return true;
    }
    case WM_NCACTIVATE: {
      if (!drawNonClientArea_ || !Form->HandleAllocated()) return false;
      if (SkinSysMenu == nullptr) InitializeSkin();
      AnimState |= 0x8000;
      const bool active = message.WParam != 0;
      if ((AnimState & 0x80) == 0 && DrawnActive != active) {
        DrawnActive = active;
        skinData_->BackgroundDirty = true;
      }
      // The system draws its own caption for the change: the caption form keeps it from the screen
      // (without composition), and the skin's frame is put back over it.
      const bool cover = !AeroIsEnabled() && !RunTimeCreated && !Form->OnPaint;
      if (cover) UpdateCaptForm(false);
      try {
        CallSavedProc(message);
      } catch (...) {
        KillCaptForm();
        AnimState &= ~Cardinal{0x8000};
        throw;
      }
      KillCaptForm();
      AnimState &= ~Cardinal{0x8000};
      RefreshFrameOfChild();
      if (IsWindowVisible(Form->Handle())) SendToSelf(WM_NCPAINT, 1, 0);
      return true;
    }
    default:
      return ClientMessage(message) || WindowMessage(message);
  }
}
