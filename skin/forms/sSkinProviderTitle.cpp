#include "skin/forms/sSkinProviderTitle.h"

#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicsObjects.h"

namespace {

bool ReadOrDesigned(const TsSkinProvider* provider) {
  return provider == nullptr || provider->ComponentState().Contains(csLoading) ||
         provider->ComponentState().Contains(csDesigning);
}

}  // namespace

// ---- TsTitleIcon ----

TsTitleIcon::TsTitleIcon(TsSkinProvider* provider) : provider_(provider), glyph_(std::make_unique<TBitmap>()) {}
TsTitleIcon::~TsTitleIcon() = default;

void TsTitleIcon::SetGlyph(const TBitmap* value) { glyph_->Assign(value); }

void TsTitleIcon::SetVisible(bool value) {
  visible_ = value;
  if (!ReadOrDesigned(provider_)) provider_->RepaintFrame();
}

// ---- TsTitleButton ----

TsTitleButton::TsTitleButton(TCollection* collection)
    : TCollectionItem(collection), glyph_(std::make_unique<TBitmap>()) {}
TsTitleButton::~TsTitleButton() = default;

void TsTitleButton::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  if (name_.empty()) name_ = "TsTitleButton";
}

TsSkinProvider* TsTitleButton::Provider() const {
  auto* buttons = dynamic_cast<TsTitleButtons*>(Collection());
  return buttons != nullptr ? buttons->Provider() : nullptr;
}

void TsTitleButton::SetGlyph(const TBitmap* value) { glyph_->Assign(value); }

void TsTitleButton::SetVisible(bool value) {
  visible_ = value;
  if (TsSkinProvider* provider = Provider()) provider->RepaintFrame();
}

void TsTitleButton::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TsTitleButton*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  enabled_ = other->enabled_;
  glyph_->Assign(other->glyph_.get());
  hint_ = other->hint_;
  name_ = other->name_;
  useSkinData_ = other->useSkinData_;
  OnMouseDown = other->OnMouseDown;
  OnMouseUp = other->OnMouseUp;
}

void TsTitleButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TsTitleButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

TsTitleButtons::TsTitleButtons(TsSkinProvider* provider)
    : TOwnedCollection(provider, TCollectionItemClass::Of<TsTitleButton>()), provider_(provider) {}

// ---- TskAddedTitle ----

TskAddedTitle::TskAddedTitle(TsSkinProvider* provider) : provider_(provider), font_(std::make_unique<TFont>()) {
  font_->SetColor(clNone);
  font_->OnChange = [this](TObject*) { Changed(); };
}
TskAddedTitle::~TskAddedTitle() { font_->OnChange = nullptr; }

void TskAddedTitle::SetText(const AnsiString& value) {
  text_ = value;
  Changed();
}

void TskAddedTitle::SetShowMainCaption(bool value) {
  showMainCaption_ = value;
  Changed();
}

void TskAddedTitle::Changed() {
  if (provider_ != nullptr && !provider_->ComponentState().Contains(csLoading)) provider_->RepaintFrame();
}
