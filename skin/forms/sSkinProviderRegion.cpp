// The window region that gives a skinned form the skin's shape: the key-colour pixels of the frame's
// border masks are left out of the window, and a maximized form loses the system frame that would
// otherwise show beyond the screen's edge on a neighbouring monitor.
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

namespace {

// A form's code may keep its own window shape before the frame is painted the first time: it answers
// this question with the same number.
constexpr UINT kKeepRegionQuestion = 0xBC4D;
constexpr WPARAM kKeepRegionAnswer = 0x41A2;

}  // namespace

bool TsSkinProvider::CacheSizeChanged() const {
  const TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr) return true;
  const TskFrameInput frame = FrameInput();
  return cache->Width() != FrameCacheWidth(frame) || cache->Height() != FrameCacheHeight(frame);
}

void TsSkinProvider::UpdateRegionRects() {
  RegionRects.clear();
  TsSkinManager* manager = Manager();
  if (manager == nullptr || Form == nullptr) return;
  const Integer width = CacheWidth();
  const TsSkinPixels pixels = SkinPixelsOf(*manager);
  if (manager->IsValidMaskIndex(skinData_->BorderMaskIndex)) {
    const TsMaskData& mask = manager->ma[static_cast<size_t>(skinData_->BorderMaskIndex)];
    const TsPixelView image = pixels.ImageOf(mask);
    AddMaskRegionRects(RegionRects, width, mask, image, false, 0);
    AddMaskRegionRects(RegionRects, width, mask, image, true, Form->Height() - MaskBottomHeight(mask));
  }
  const Integer title = TitleSkinIndex();
  if (!manager->IsValidSkinIndex(title)) return;
  const Integer titleMask = manager->gd[static_cast<size_t>(title)].BorderMask;
  if (!manager->IsValidMaskIndex(titleMask)) return;
  const TsMaskData& mask = manager->ma[static_cast<size_t>(titleMask)];
  AddMaskRegionRects(RegionRects, width, mask, pixels.ImageOf(mask), false, 0);
}

HRGN TsSkinProvider::BuildFrameRegion(Integer x, Integer y) const {
  const Integer height = Form != nullptr ? Form->Height() : 0;
  HRGN region = CreateRectRgn(x, y, x + CacheWidth(), y + height);
  for (const TRect& r : RegionRects) {
    HRGN cut = CreateRectRgn(x + r.Left, y + r.Top, x + r.Right, y + r.Bottom);
    CombineRgn(region, region, cut, RGN_DIFF);
    DeleteObject(cut);
  }
  return region;
}

void TsSkinProvider::UpdateFormRegion(bool redraw) {
  if (!drawNonClientArea_ || Form == nullptr || !Form->HandleAllocated() || MDIMenuLoop) return;
  const HWND window = Form->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const bool iconic = IsIconic(window) != FALSE;
  if (Form->BorderStyle() == bsNone && !iconic && (style & WS_THICKFRAME) == 0) return;
  if (!FirstInitialized &&
      static_cast<WPARAM>(Form->Perform(kKeepRegionQuestion, kKeepRegionAnswer, 0)) == kKeepRegionAnswer)
    return;
  // The border window gives the form's own window its region (the client part only).
  if (BorderForm) return;
  RegionChanging = true;
  HRGN region = nullptr;
  const TSizeConstraints& limits = Form->Constraints();
  if (IsZoomed(window) && limits.MaxWidth() == 0 && limits.MaxHeight() == 0 && Form->FormStyle() != fsMDIChild) {
    const Integer side = SysBorderWidth();
    const Integer top = FrameSysBorderWidthNoExt(FrameInput());
    RECT r{};
    GetWindowRect(window, &r);
    region = CreateRectRgn(side, top, r.right - r.left - side, r.bottom - r.top - top);
  } else {
    region = BuildFrameRegion(0, 0);
  }
  RegionChanged = false;
  // The system owns the region once it is set.
  if (SetWindowRgn(window, region, redraw ? TRUE : FALSE) == 0) DeleteObject(region);
  RegionChanging = false;
}

// The region of a frame painting: rebuilt after the frame changed; true when the region's own
// redraw paints the frame, so the caller has nothing left to do.
bool TsSkinProvider::UpdateRegionOnPaint() {
  if (!RegionChanged || RegionChanging || Form == nullptr) return false;
  const HWND window = Form->Handle();
  const bool iconic = IsIconic(window) != FALSE;
  const bool sizeable = (GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME) != 0;
  if (!IsBordered() && !sizeable && !iconic) {
    SetWindowRgn(window, nullptr, TRUE);
    return false;
  }
  if (!BorderForm) UpdateRegionRects();
  RegionChanged = false;
  if (Form->FormState().Contains(fsShowing) && Form->Position() != poDefault && !IsZoomed(window)) {
    UpdateFormRegion(false);
    return false;
  }
  if (InAnimationProcess) return false;
  UpdateFormRegion(true);
  return !skinData_->BackgroundDirty;
}
