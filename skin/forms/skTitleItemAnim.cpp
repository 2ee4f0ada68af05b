#include "skin/forms/skTitleItemAnim.h"

#include "skin/forms/skTitleBar.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {

constexpr Integer kNoHandlerColor = 0x00FFFF;  // yellow

}  // namespace

TskItemAnimation::TskItemAnimation(IskFadeOwner* owner, TskTitleBarItem& item)
    : TskSBAnimation(owner, record_), item_(&item) {}

TskItemAnimation::~TskItemAnimation() { FreePrevious(); }

HWND TskItemAnimation::PreviousWindow() const {
  return previous_ != nullptr && previous_->HandleAllocated() ? previous_->Handle() : nullptr;
}

void TskItemAnimation::FreePrevious() {
  TForm* window = previous_;
  previous_ = nullptr;
  delete window;
}

void TskItemAnimation::CrossFade() {
  TForm* window = ReleaseWindow();
  if (window == nullptr) return;
  FreePrevious();
  previous_ = window;
}

void TskItemAnimation::FadeInCompleted() { FreePrevious(); }

void TskItemAnimation::Follow() {
  record_.Rect = item_->Rect;
  record_.State = item_->State();
  record_.HitCode = 2000 + item_->Index();
}

void TskItemAnimation::Stop() {
  SetEnabled(false);
  State = -1;
  FreeImage();
  FreePrevious();
}

void TskItemAnimation::BuildImage() {
  const TRect target = TargetRect();
  if (target.Width() <= 0 || target.Height() <= 0) return;
  auto image = std::make_unique<TBitmap>();
  image->SetPixelFormat(pf32bit);
  image->SetSize(target.Width(), target.Height());
  const TRect all{0, 0, target.Width(), target.Height()};
  if (item_->PaintHandler) {
    item_->PaintHandler(item_, all, image.get());
  } else {
    GdiFlush();
    FillBitmapRectArgb(PixelViewOf(*image), all, kNoHandlerColor, 255);
  }
  SetImage(std::move(image));
}
