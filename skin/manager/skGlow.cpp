#include "skin/manager/skGlow.h"

#include <algorithm>
#include <vector>

#include "skin/forms/sCommonData.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sControlPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {

// Slots of closed glows stay (empty) so that the indexes callers hold keep their meaning.
std::vector<std::unique_ptr<TskGlowEffect>>& GlowList() {
  static std::vector<std::unique_ptr<TskGlowEffect>> list;
  return list;
}

// The index of the list's first slot. Emptying the list moves it past every index handed out, so an
// index kept from before (a control's glow closed by a form's move) never names a later glow.
Integer firstGlowIndex = 0;

// The slot of an index; nil for an index outside the list (stale, -1 or never handed out).
std::unique_ptr<TskGlowEffect>* GlowSlot(Integer index) {
  auto& list = GlowList();
  const Integer position = index - firstGlowIndex;
  if (index < 0 || position < 0 || position >= std::ssize(list)) return nullptr;
  return &list[static_cast<size_t>(position)];
}

bool glowClosing = false;

struct ClosingScope {
  bool saved = glowClosing;
  ClosingScope() { glowClosing = true; }
  ~ClosingScope() { glowClosing = saved; }
};

// The mask with exactly these section and key names.
Integer FindMask(const TsSkinManager& manager, const AnsiString& section, const AnsiString& key) {
  for (size_t i = 0; i < manager.ma.size(); ++i) {
    if (manager.ma[i].ClassName == section && manager.ma[i].PropertyName == key) return static_cast<Integer>(i);
  }
  return -1;
}

// Every glow window shares one blend: source over, full constant alpha, the image's own alpha per pixel.
constexpr BLENDFUNCTION kGlowBlend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

TskGlowPlacement PlaceGlow(const TRect& controlRect, const TRect& visibleRect, const TsBorderWidths& borders,
                           Integer innerMargin) {
  TskGlowPlacement p;
  const Integer cw = controlRect.Width();
  const Integer ch = controlRect.Height();
  p.ImageWidth = cw + borders.Left + borders.Right - 2 * innerMargin;
  p.ImageHeight = ch + borders.Top + borders.Bottom - 2 * innerMargin;
  if (visibleRect != TRect{0, 0, cw, ch}) {
    const Integer vw = visibleRect.Width();
    const Integer vh = visibleRect.Height();
    p.Cut.Left = visibleRect.Left != 0 ? borders.Left + visibleRect.Left - innerMargin : 0;
    p.Cut.Top = visibleRect.Top != 0 ? borders.Top + visibleRect.Top - innerMargin : 0;
    if (visibleRect.Right != cw)
      p.Cut.Right = p.Cut.Left != 0 ? p.ImageWidth - p.Cut.Left - vw : cw + borders.Right - vw - innerMargin;
    if (visibleRect.Bottom != ch)
      p.Cut.Bottom = p.Cut.Top != 0 ? p.ImageHeight - p.Cut.Top - vh : ch + borders.Bottom - vh - innerMargin;
    // A margin wider than the border would make a cut negative: nothing is cut there then.
    p.Cut.Left = std::max(p.Cut.Left, 0);
    p.Cut.Top = std::max(p.Cut.Top, 0);
    p.Cut.Right = std::max(p.Cut.Right, 0);
    p.Cut.Bottom = std::max(p.Cut.Bottom, 0);
  }
  p.Position = TPoint{controlRect.Left + innerMargin + p.Cut.Left - borders.Left,
                      controlRect.Top + innerMargin + p.Cut.Top - borders.Top};
  return p;
}

// Glows outlive their manager when it is freed first (the library's shut-down comes after the forms):
// the watch hears of it so that the effect never reads a freed manager.
class TskGlowEffect::TManagerWatch : public TComponent {
 public:
  explicit TManagerWatch(TskGlowEffect* effect) : TComponent(nullptr), effect_(effect) {}
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation != opRemove || component != effect_->skinManager_) return;
    effect_->skinManager_ = nullptr;
    effect_->managerGone_ = true;
  }

 private:
  TskGlowEffect* effect_;
};

TskGlowEffect::TskGlowEffect(TsSkinManager* manager, Integer glowMask, Integer innerMargin)
    : skinManager_(manager), glowMask_(glowMask), innerMargin_(innerMargin) {
  if (manager == nullptr) return;
  managerWatch_ = std::make_unique<TManagerWatch>(this);
  manager->FreeNotification(managerWatch_.get());
}

TskGlowEffect::~TskGlowEffect() {
  if (skinManager_ != nullptr && managerWatch_) skinManager_->RemoveFreeNotification(managerWatch_.get());
  if (glowForm_ == nullptr) return;
  const bool now = managerGone_ ||
                   (skinManager_ != nullptr && skinManager_->ComponentState().Contains(csDestroying)) ||
                   Application == nullptr || Application->Terminated();
  if (now) {
    FreeForm();
    return;
  }
  UnhookForm();
  TForm* form = glowForm_;
  glowForm_ = nullptr;
  try {
    form->Release();
  } catch (...) {
    delete form;  // no message loop to free it later
  }
}

void TskGlowEffect::UnhookForm() {
  if (glowForm_ != nullptr && savedWindowProc_) glowForm_->SetWindowProc(savedWindowProc_);
  savedWindowProc_ = TWndMethod();
}

void TskGlowEffect::FreeForm() {
  if (glowForm_ == nullptr) return;
  ClosingScope closing;
  UnhookForm();
  delete glowForm_;
  glowForm_ = nullptr;
}

void TskGlowEffect::WndProc(TMessage& message) {
  // Clicks go through the glow to whatever lies under it.
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  savedWindowProc_(message);
}

void TskGlowEffect::PrepareAlphaImage(Integer width, Integer height) {
  AlphaImage = std::make_unique<TBitmap>();
  AlphaImage->SetPixelFormat(pf32bit);
  AlphaImage->SetSize(width, height);
  const TsPixelView target = PixelViewOf(*AlphaImage);
  for (Integer y = 0; y < target.Height; ++y) std::fill_n(target.Row(y), target.Width, 0u);
  const TsMaskData& mask = skinManager_->ma.at(static_cast<size_t>(glowMask_));
  TBitmap* source = mask.Image ? mask.Image.get() : skinManager_->MasterBitmap.get();
  if (source == nullptr) return;
  PaintMaskImage(target, TRect{0, 0, width, height}, 0, mask, PixelViewOf(*source), TsBgPixels{});
}

bool TskGlowEffect::Show(const TRect& controlRect, const TRect& visibleRect, HWND window) {
  if (glowForm_ != nullptr || skinManager_ == nullptr) return false;
  const TsBorderWidths borders = MaskBorderWidths(skinManager_->ma.at(static_cast<size_t>(glowMask_)));
  const TskGlowPlacement place = PlaceGlow(controlRect, visibleRect, borders, innerMargin_);
  if (!place.Showable()) return false;
  const TUpdateLayeredWindow updateLayered = UpdateLayeredWindowFunction();
  if (updateLayered == nullptr) return false;

  // The z-order: above everything beside a topmost window, else right above the given window.
  const bool topmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  HWND insertAfter = HWND_TOPMOST;
  if (!topmost) {
    const HWND previous = GetWindow(window, GW_HWNDPREV);
    insertAfter = previous != nullptr ? previous : window;
  }

  glowForm_ = New<TForm>(nullptr);
  glowForm_->SetTag(GlowFormTag);
  glowForm_->SetBorderStyle(bsNone);
  if (topmost) glowForm_->SetFormStyle(fsStayOnTop);
  TControlStyle style = glowForm_->ControlStyle();
  style.Exclude(csCaptureMouse);
  glowForm_->SetControlStyle(style);
  glowForm_->SetBounds(place.Position.X, place.Position.Y, place.WindowWidth(), place.WindowHeight());
  savedWindowProc_ = glowForm_->WindowProc();
  glowForm_->SetWindowProc(TWndMethod(this, &TskGlowEffect::WndProc));
  const HWND glow = glowForm_->Handle();

  PrepareAlphaImage(place.ImageWidth, place.ImageHeight);
  struct DropImage {
    std::unique_ptr<TBitmap>& image;
    ~DropImage() { image.reset(); }
  } drop{AlphaImage};

  SetWindowLongPtrW(glow, GWL_EXSTYLE, GetWindowLongPtrW(glow, GWL_EXSTYLE) | GlowWindowExStyle);
  SetWindowPos(glow, insertAfter, place.Position.X, place.Position.Y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE);

  POINT position{place.Position.X, place.Position.Y};
  SIZE size{place.WindowWidth(), place.WindowHeight()};
  POINT source{place.Cut.Left, place.Cut.Top};
  BLENDFUNCTION blend = kGlowBlend;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(memory, AlphaImage->Handle());
  const BOOL shown = updateLayered(glow, screen, &position, &size, memory, &source, 0, &blend, ULW_ALPHA);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!shown) return false;
  ShowWindow(glow, SW_SHOWNOACTIVATE);
  return true;
}

Integer OpenGlowEffect(const TRect& controlRect, const TRect& visibleRect, const AnsiString& section,
                       TsSkinManager* manager, HWND window, Byte /*alpha*/, Integer margin,
                       const AnsiString& glowName) {
  if (!LayeredWindowsAvailable()) return -1;
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  if (manager == nullptr) return -1;
  const Integer mask = FindMask(*manager, section, glowName + "0");
  if (mask < 0) return -1;
  auto effect = std::make_unique<TskGlowEffect>(manager, mask, margin);
  if (!effect->Show(controlRect, visibleRect, window)) {
    effect->FreeForm();
    return -1;
  }
  auto& list = GlowList();
  list.push_back(std::move(effect));
  return firstGlowIndex + static_cast<Integer>(list.size()) - 1;
}

void CloseGlowEffect(Integer& index) {
  std::unique_ptr<TskGlowEffect>* slot = GlowSlot(index);
  if (slot == nullptr || !*slot) return;
  std::unique_ptr<TskGlowEffect> effect = std::move(*slot);
  effect->FreeForm();
  effect.reset();
  index = -1;
}

void CloseAllGlowEffects(bool freeForms) {
  // Taken out first: freeing a form may run code that opens or closes glows.
  auto list = std::move(GlowList());
  GlowList().clear();
  firstGlowIndex += static_cast<Integer>(list.size());
  for (auto& effect : list) {
    if (effect && freeForms) effect->FreeForm();
    effect.reset();
  }
}

Integer GlowEffectCount() { return static_cast<Integer>(GlowList().size()); }

TskGlowEffect* GlowEffectAt(Integer index) {
  std::unique_ptr<TskGlowEffect>* slot = GlowSlot(index);
  return slot != nullptr ? slot->get() : nullptr;
}

bool GlowClosing() { return glowClosing; }
