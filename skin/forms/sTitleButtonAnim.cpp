#include "skin/forms/sTitleButtonAnim.h"

#include <algorithm>

#include "skin/forms/sBorderForm.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {

constexpr const char* kGlowSection = "GLOBALINFO";
// No sending of WM_WINDOWPOSCHANGING, no owner z-order, no activation, position and size kept.
constexpr UINT kPlaceFlags = SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
constexpr LONG_PTR kFadeExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_LAYERED;

bool IsGlowingCode(Integer code) { return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE; }

// The window whose screen rectangle the button's rectangle is relative to.
HWND PictureWindow(const IskFadeOwner& owner) {
  const HWND border = owner.FadeBorderWindow();
  return border != nullptr ? border : owner.FadeOwnerWindow();
}

TPoint PictureOrigin(const IskFadeOwner& owner) {
  RECT r{};
  if (const HWND window = PictureWindow(owner)) GetWindowRect(window, &r);
  return TPoint{r.left, r.top};
}

}  // namespace

void DrawFadeGlyph(TBitmap& image, const TBitmap& glyph, Integer x, Integer y) {
  if (glyph.Empty() || image.Empty()) return;
  const bool ownAlpha = glyph.PixelFormat() == pf32bit;
  TBitmap work;
  work.Assign(&glyph);
  work.SetPixelFormat(pf32bit);
  GdiFlush();
  const TsPixelView source = PixelViewOf(work);
  const TsPixelView target = PixelViewOf(image);
  // The bottom-left pixel's colour is the glyph's background.
  const Cardinal key = source.Row(source.Height - 1)[0] & 0x00FFFFFFu;
  for (Integer row = 0; row < source.Height; ++row) {
    if (y + row < 0 || y + row >= target.Height) continue;
    for (Integer col = 0; col < source.Width; ++col) {
      if (x + col < 0 || x + col >= target.Width) continue;
      const Cardinal pixel = source.Row(row)[col];
      Cardinal& out = target.Row(y + row)[x + col];
      if (!ownAlpha) {
        if ((pixel & 0x00FFFFFFu) != key) out = pixel | 0xFF000000u;
        continue;
      }
      const Cardinal a = pixel >> 24;
      const Cardinal outAlpha = out >> 24;
      Cardinal blended = (a + outAlpha * (255 - a) / 255) << 24;
      for (int c = 0; c < 24; c += 8) {
        const Cardinal s = pixel >> c & 0xFF, d = out >> c & 0xFF;
        blended |= ((s * a + d * (255 - a)) / 255) << c;
      }
      out = blended;
    }
  }
}

TskSBAnimation::TskSBAnimation(IskFadeOwner* owner, TskSysButtonData& button)
    : TTimer(nullptr), owner_(owner), button_(&button) {
  SetEnabled(false);
  SetInterval(kFadeInterval);
}

TskSBAnimation::~TskSBAnimation() {
  SetEnabled(false);
  FreeImage();
}

HWND TskSBAnimation::FadeWindow() const {
  return glowWnd_ != nullptr && glowWnd_->HandleAllocated() ? glowWnd_->Handle() : nullptr;
}

Byte TskSBAnimation::StepValue() const {
  // One step (or none) shows the whole image: the count is never a divisor below 2.
  if (StepCount <= 1) return 255;
  return static_cast<Byte>(std::max<Integer>(255 / StepCount, 0));
}

void TskSBAnimation::ChangeState(Integer state, bool fadingIn) {
  if (state == State) return;
  State = state;
  if (state != 0) {
    if (state == 2) FreeImage();
    Step = 1;
    FadingIn = fadingIn;
    ShowFrame(StepValue());
    Step = 2;
  } else {
    FadingIn = false;
    --Step;
    ShowFrame(StepValue());
  }
  if (StepCount > 1) SetEnabled(true);
}

void TskSBAnimation::Timer() {
  if (FadingIn) {
    if (Step >= StepCount) {
      // Once the owner heard that the mouse left, it may have redirected the fading or freed it.
      if (MouseLeft()) return;
      if (StepCount != -1) {
        StepCount = -1;
        ShowFrame(255);
        FadeInCompleted();
      }
      return;
    }
    ShowFrame(static_cast<Byte>(std::min<Integer>(StepValue() * Step, 255)));
    ++Step;
    return;
  }
  if (Step <= 0) {
    State = -1;
    SetEnabled(false);
    FreeImage();
    return;
  }
  ShowFrame(static_cast<Byte>(std::clamp<Integer>(StepValue() * Step, 0, 255)));
  --Step;
}

bool TskSBAnimation::MouseLeft() {
  const HWND owner = owner_->FadeOwnerWindow();
  if (owner == nullptr) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  const TPoint origin = PictureOrigin(*owner_);
  const TPoint p{cursor.x - origin.X, cursor.y - origin.Y};
  const TRect& r = button_->Rect;
  if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom) return false;
  SetEnabled(false);
  SendMessageW(owner, WM_MOUSELEAVE, 0, 0);
  return true;
}

Integer TskSBAnimation::GlowMask() const {
  TsSkinManager* manager = owner_->FadeManager();
  if (manager == nullptr || State != 1 || !IsGlowingCode(button_->HitCode) || !manager->Effects().AllowGlowing())
    return -1;
  AnsiString name;
  const HWND owner = owner_->FadeOwnerWindow();
  if (button_->HitCode == HTMINBUTTON && owner != nullptr && IsIconic(owner) != FALSE) {
    name = "BICONNORM";
  } else if (manager->IsValidMaskIndex(button_->ImageIndex)) {
    name = manager->ma[static_cast<size_t>(button_->ImageIndex)].PropertyName;
  } else {
    return -1;
  }
  return manager->GetMaskIndexByNames(kGlowSection, name + "GLOW0");
}

Integer TskSBAnimation::GlowMargin() const {
  const TsSkinManager* manager = owner_->FadeManager();
  if (manager == nullptr) return 0;
  switch (button_->HitCode) {
    case HTMINBUTTON: return manager->SkinData.BIMinGlowMargin;
    case HTMAXBUTTON: return manager->SkinData.BIMaxGlowMargin;
    case HTCLOSE: return manager->SkinData.BICloseGlowMargin;
    default: return 0;
  }
}

TRect TskSBAnimation::TargetRect() const {
  const TPoint origin = PictureOrigin(*owner_);
  const TRect& b = button_->Rect;
  TRect r{origin.X + b.Left, origin.Y + b.Top, origin.X + b.Right, origin.Y + b.Bottom};
  const Integer glow = GlowMask();
  const Integer margin = GlowMargin();
  if (glow >= 0 && margin != 0) {
    const TRect& m = owner_->FadeManager()->ma[static_cast<size_t>(glow)].R;
    r.Left -= margin;
    r.Top -= margin;
    r.Right = r.Left + m.Width();
    r.Bottom = r.Top + m.Height();
  }
  return r;
}

void TskSBAnimation::BuildImage() {
  TsSkinManager* manager = owner_->FadeManager();
  const TRect target = TargetRect();
  if (manager == nullptr || target.Width() <= 0 || target.Height() <= 0) return;
  image_ = std::make_unique<TBitmap>();
  image_->SetPixelFormat(pf32bit);
  image_->SetSize(target.Width(), target.Height());
  GdiFlush();
  const TsPixelView view = PixelViewOf(*image_);
  const TRect all{0, 0, view.Width, view.Height};
  if (const Integer glow = GlowMask(); glow >= 0) {
    // The glow's own picture from its top-left corner, whatever the margin.
    const TsMaskData& mask = manager->ma[static_cast<size_t>(glow)];
    const TsPixelView source = SkinPixelsOf(*manager).ImageOf(mask);
    for (Integer y = 0; y < view.Height; ++y) {
      if (mask.R.Top + y < 0 || mask.R.Top + y >= source.Height) continue;
      for (Integer x = 0; x < view.Width; ++x) {
        if (mask.R.Left + x < 0 || mask.R.Left + x >= source.Width) continue;
        view.Row(y)[x] = source.Row(mask.R.Top + y)[mask.R.Left + x];
      }
    }
  } else {
    FillBitmapRectArgb(view, all, 0, 255);
    SetBitmapRectAlpha(view, all, 0, false);
    const bool hasMask = manager->IsValidMaskIndex(button_->ImageIndex);
    if (hasMask) {
      const TsMaskData& mask = manager->ma[static_cast<size_t>(button_->ImageIndex)];
      TsBgPixels background;
      background.Bitmap = view;
      PaintMaskGlyph(view, 0, 0, std::max<Integer>(button_->State, 0), background, mask,
                     SkinPixelsOf(*manager).ImageOf(mask), 1);
    }
    const bool plainMask = !hasMask || manager->ma[static_cast<size_t>(button_->ImageIndex)].MaskType == 0;
    if (owner_->FadeBorderWindow() == nullptr && plainMask) {
      for (Integer y = 0; y < view.Height; ++y)
        for (Integer x = 0; x < view.Width; ++x)
          if (view.Row(y)[x] == kKeyPixel) view.Row(y)[x] |= 0xFF000000u;
    }
  }
  if (button_->HitCode >= 1000) {
    if (const TBitmap* glyph = owner_->FadeGlyph(button_->HitCode); glyph != nullptr && !glyph->Empty()) {
      const Integer shift = button_->State == 2 ? 1 : 0;
      DrawFadeGlyph(*image_, *glyph, (view.Width - glyph->Width()) / 2 + shift, (view.Height - glyph->Height()) / 2 + shift);
    }
  }
}

void TskSBAnimation::MakeWindow() {
  glowWnd_ = New<TForm>(nullptr);
  glowWnd_->SetTag(kSkinOwnWindowTag);
  glowWnd_->SetBorderStyle(bsNone);
  const HWND window = glowWnd_->Handle();
  SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | kFadeExStyle);
}

void TskSBAnimation::SetImage(std::unique_ptr<TBitmap> image) { image_ = std::move(image); }

TForm* TskSBAnimation::ReleaseWindow() {
  image_.reset();
  TForm* window = glowWnd_;
  glowWnd_ = nullptr;
  return window;
}

void TskSBAnimation::FreeImage() {
  image_.reset();
  if (glowWnd_ != nullptr) {
    TForm* form = glowWnd_;
    glowWnd_ = nullptr;
    delete form;
  }
}

void TskSBAnimation::ShowFrame(Byte alpha) {
  const HWND owner = owner_->FadeOwnerWindow();
  if (owner == nullptr) return;
  if (image_ == nullptr) BuildImage();
  if (image_ == nullptr) return;
  if (glowWnd_ == nullptr) MakeWindow();
  const HWND window = FadeWindow();
  if (window == nullptr) return;
  TRect r = TargetRect();
  // A glow wider than the button lies centred over it.
  const Integer dx = image_->Width() - r.Width(), dy = image_->Height() - r.Height();
  if (dx != 0) {
    r.Left -= dx / 2;
    r.Top -= dy / 2;
  }
  // Just above the window that shows the button.
  const HWND picture = PictureWindow(*owner_);
  HWND after = HWND_TOP;
  if ((GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
    after = HWND_TOPMOST;
  } else if (const HWND previous = GetWindow(picture, GW_HWNDPREV); previous != nullptr && previous != window) {
    after = previous;
  }
  SetWindowPos(window, after, 0, 0, 0, 0, kPlaceFlags);
  SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | kFadeExStyle);
  POINT position{r.Left, r.Top};
  SIZE size{image_->Width(), image_->Height()};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  GdiFlush();
  if (TUpdateLayeredWindow update = UpdateLayeredWindowFunction()) {
    const HDC screen = GetDC(nullptr);
    update(window, screen, &position, &size, image_->Canvas().Handle(), &source, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
  }
  if (IsWindowVisible(window) == FALSE) ShowWindow(window, SW_SHOWNOACTIVATE);
}

void StartTitleButtonAnim(TskSysButtonData& button, Integer state, Integer steps, IskFadeOwner* owner, bool fadingIn) {
  if (!button.Anim) {
    if (owner == nullptr) return;
    button.Anim.reset(New<TskSBAnimation>(owner, button));
    button.Anim->StepCount = steps;
    button.Anim->ChangeState(state, fadingIn);
    return;
  }
  button.Anim->Redirect(state, steps, fadingIn);
}

void TskSBAnimation::Redirect(Integer state, Integer steps, bool fadingIn) {
  if (fadingIn) State = state;
  StepCount = steps;
  FadingIn = fadingIn;
  SetEnabled(true);
  if (state == 2) {
    // A press shows its own picture at once.
    Step = steps;
    FreeImage();
    ShowFrame(static_cast<Byte>(std::min<Integer>(StepValue() * std::max<Integer>(steps, 1), 255)));
  }
}
