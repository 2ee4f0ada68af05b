#include "skin/forms/skTitleBar.h"

#include <algorithm>

#include "skin/forms/sTitleHint.h"
#include "skin/forms/skTitleItemAnim.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr Word kTitleChanged = scTitleChanged;
constexpr const char* kMenuButtonResource = "MENUBTN";

// The system caption font with what the item's font data takes from its own Font.
HFONT CreateItemFont(TskFontData& data) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW lf = metrics.lfCaptionFont;
  const TFont& font = data.Font();
  if (!data.UseSysStyle()) {
    lf.lfWeight = font.Style().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.Style().Contains(fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = font.Style().Contains(fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = font.Style().Contains(fsStrikeOut) ? TRUE : FALSE;
  }
  if (!data.UseSysFontName()) {
    const WideString name = Cp1250ToUtf16(font.Name());
    const size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
    std::copy_n(reinterpret_cast<const wchar_t*>(name.c_str()), n, lf.lfFaceName);
    lf.lfFaceName[n] = 0;
  }
  if (!data.UseSysSize()) lf.lfHeight = font.Height();
  return CreateFontIndirectW(&lf);
}

TskItemSize MeasureText(HFONT font, const WideString& text) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  const bool ok = GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()),
                                        &size) != FALSE;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return ok ? TskItemSize{size.cx, size.cy} : TskItemSize{};
}

// The drop-down arrow: the letter "u" of "Marlett" in the caption font's height.
Integer ArrowWidth(HFONT captionFont) {
  LOGFONTW lf{};
  GetObjectW(captionFont, sizeof lf, &lf);
  LOGFONTW marlett{};
  marlett.lfHeight = lf.lfHeight;
  marlett.lfCharSet = DEFAULT_CHARSET;
  wcscpy(marlett.lfFaceName, L"Marlett");
  const HFONT font = CreateFontIndirectW(&marlett);
  const Integer width = MeasureText(font, WideString(u"u")).Width;
  DeleteObject(font);
  return width;
}

}  // namespace

void PrepareMenuButtonPixels(Cardinal* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Cardinal& p = pixels[i];
    if ((p & 0x00FFFFFFu) == 0x00FF00FFu) continue;
    const Cardinal a = 255 - (p >> 24);
    Cardinal out = a << 24;
    for (int c = 0; c < 24; c += 8) out |= ((p >> c & 0xFF) * a / 256) << c;
    p = out;
  }
}

// ---- TskFontData ----

TskFontData::TskFontData(TskTitleBarItem* item) : item_(item), font_(std::make_unique<TFont>()) {}
TskFontData::~TskFontData() = default;

void TskFontData::SetFont(const TFont* value) { font_->Assign(value); }

void TskFontData::SetGlowColor(TColor value) {
  glowColor_ = value;
  Changed();
}

void TskFontData::SetGlowSize(Integer value) {
  glowSize_ = value;
  Changed();
}

void TskFontData::SetUseSys(int index, bool value) {
  useSys_[index] = value;
  Changed();
}

void TskFontData::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TskFontData*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  font_->Assign(other->font_.get());
  glowColor_ = other->glowColor_;
  glowSize_ = other->glowSize_;
  std::copy(std::begin(other->useSys_), std::end(other->useSys_), useSys_);
}

void TskFontData::Changed() {
  TsTitleBar* bar = item_ != nullptr ? item_->TitleBar() : nullptr;
  TCustomForm* form = bar != nullptr ? bar->Form() : nullptr;
  if (form != nullptr && form->HandleAllocated()) SendSkinCommand(form->Handle(), kTitleChanged, 1);
}

// ---- TskTitleBarItem ----

TskTitleBarItem::TskTitleBarItem(TCollection* collection)
    : TCollectionItem(collection), fontData_(std::make_unique<TskFontData>(this)), glyph_(std::make_unique<TBitmap>()) {}

TskTitleBarItem::~TskTitleBarItem() = default;

void TskTitleBarItem::AfterConstruction() {
  TCollectionItem::AfterConstruction();
  if (name_.empty()) name_ = ClassName();
}

void TskTitleBarItem::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TskTitleBarItem*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  align_ = other->align_;
  autoSize_ = other->autoSize_;
  caption_ = other->caption_;
  DropdownMenu = other->DropdownMenu;
  down_ = other->down_;
  enabled_ = other->enabled_;
  fontData_->Assign(other->fontData_.get());
  glyph_->Assign(other->glyph_.get());
  height_ = other->height_;
  hint_ = other->hint_;
  std::copy(std::begin(other->imageIndexes_), std::end(other->imageIndexes_), imageIndexes_);
  name_ = other->name_;
  numGlyphs_ = other->numGlyphs_;
  ShowHint = other->ShowHint;
  skinSection_ = other->skinSection_;
  spacing_ = other->spacing_;
  style_ = other->style_;
  visible_ = other->visible_;
  width_ = other->width_;
  OnClick = other->OnClick;
  OnMouseDown = other->OnMouseDown;
  OnMouseUp = other->OnMouseUp;
  OnMouseEnter = other->OnMouseEnter;
  OnMouseLeave = other->OnMouseLeave;
}

TsTitleBar* TskTitleBarItem::TitleBar() const {
  auto* items = dynamic_cast<TskTitleItems*>(Collection());
  return items != nullptr ? items->TitleBar() : nullptr;
}

void TskTitleBarItem::SetAlign(TskItemAlign value) { Store(align_, value); }
void TskTitleBarItem::SetAutoSize(bool value) { Store(autoSize_, value); }
void TskTitleBarItem::SetCaption(const AnsiString& value) { Store(caption_, value); }
void TskTitleBarItem::SetHeight(Integer value) { Store(height_, value); }
void TskTitleBarItem::SetNumGlyphs(Integer value) { Store(numGlyphs_, std::max<Integer>(value, 1)); }
void TskTitleBarItem::SetSpacing(Integer value) { Store(spacing_, value); }
void TskTitleBarItem::SetStyle(TskBtnStyle value) { Store(style_, value); }
void TskTitleBarItem::SetVisible(bool value) { Store(visible_, value); }
void TskTitleBarItem::SetWidth(Integer value) { Store(width_, value); }

void TskTitleBarItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Invalidate(false);
}

void TskTitleBarItem::SetGlyph(const TBitmap* value) {
  glyph_->Assign(value);
  Invalidate(true);
}

void TskTitleBarItem::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  MouseState = value ? 2 : 0;
  Invalidate(false);
}

void TskTitleBarItem::SetSkinSection(const AnsiString& value) {
  if (skinSection_ == value) return;
  skinSection_ = value;
  if (OnChange) OnChange(this);
  Invalidate(false);
}

void TskTitleBarItem::SetGroupIndex(Integer value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  Invalidate(false);
}

void TskTitleBarItem::SetImageIndexOf(int which, Integer value) {
  if (imageIndexes_[which] == value) return;
  imageIndexes_[which] = value;
  if (which != 0 && MouseState == 2) MouseState = 0;
  Invalidate(which == 0);
}

void TskTitleBarItem::ComputeSize() {
  TsTitleBar* bar = TitleBar();
  TskItemContentInput in;
  in.Style = style_;
  TCustomImageList* images = bar != nullptr ? bar->Images() : nullptr;
  if (images != nullptr && imageIndexes_[0] >= 0 && imageIndexes_[0] < images->Count()) {
    in.ImageWidth = images->Width();
    in.ImageHeight = images->Height();
  } else if (!glyph_->Empty()) {
    in.ImageWidth = glyph_->Width() / numGlyphs_;
    in.ImageHeight = glyph_->Height();
  }
  in.Caption = caption_;
  in.Spacing = spacing_;
  in.Dropdown = DropdownMenu != nullptr;
  in.ItemsMargin = bar != nullptr ? bar->ItemsMargin() : 3;
  HFONT font = nullptr;
  if (!caption_.empty() || in.Dropdown) font = CreateItemFont(*fontData_);
  if (in.Dropdown) in.ArrowWidth = ArrowWidth(font);
  const WideString text = Cp1250ToUtf16(caption_);
  const TskItemAutoSize size =
      AutoSizeItem(in, [font, &text](const std::string&) { return MeasureText(font, text); }, {width_, height_});
  if (font != nullptr) DeleteObject(font);
  ContentSize = size.Content;
  width_ = size.Item.Width;
  height_ = size.Item.Height;
}

void TskTitleBarItem::Invalidate(bool autoSize) {
  if (autoSize && autoSize_ && visible_) ComputeSize();
  // The faded picture and the caption's glow show the item as it was.
  if (Animation) Animation->FreeImage();
  fontData_->GlowCache.reset();
  if (TsTitleBar* bar = TitleBar()) bar->Invalidate();
}

void TskTitleBarItem::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (Pressed || !enabled_) return;
  Pressed = true;
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (style_ == bsTab) {
    if (down_) return;
    Click();
    if (auto* items = dynamic_cast<TskTitleItems*>(Collection())) {
      for (int i = 0; i < items->Count(); ++i) {
        TskTitleBarItem* other = items->Items(i);
        if (other != this && other->style_ == bsTab && other->visible_ && other->groupIndex_ == groupIndex_ && other->down_)
          other->SetDown(false);
      }
    }
    SetDown(true);
    return;
  }
  auto* menu = DropdownMenu;
  if ((style_ == bsButton || style_ == bsMenu) && menu != nullptr && menu->Items()->Count() > 0) {
    TsTitleBar* bar = TitleBar();
    TCustomForm* host = HostForm != nullptr ? HostForm : bar != nullptr ? bar->Form() : nullptr;
    TPoint origin{0, 0};
    if (HostForm == nullptr && bar != nullptr && bar->PictureOrigin) {
      origin = bar->PictureOrigin();
    } else if (host != nullptr && host->HandleAllocated()) {
      RECT r{};
      GetWindowRect(host->Handle(), &r);
      origin = TPoint{r.left, r.top};
    }
    MenuShown = true;
    Invalidate(false);
    menu->Popup(Rect.Left + origin.X, Rect.Bottom + origin.Y);  // returns when the menu closes
    MenuShown = false;
    MouseState = 0;
    Animation.reset();
    Invalidate(false);
    Click();
  }
}

void TskTitleBarItem::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (enabled_ && OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (Pressed && style_ != bsTab) Click();
  Pressed = false;
}

void TskTitleBarItem::Click() {
  Pressed = false;
  if (OnClick) OnClick(this);
}

void TskTitleBarItem::PopupHint() {
  if (!ShowHint || hint_.empty() || hintWindow_ != nullptr) return;
  TsTitleBar* bar = TitleBar();
  hintWindow_ = ShowTitleHint(HostForm != nullptr ? HostForm : bar != nullptr ? bar->Form() : nullptr, hint_);
}

void TskTitleBarItem::HideHint() { hintWindow_.reset(); }

void TskTitleBarItem::StartFade(Integer state, IskFadeOwner* owner, bool fadingIn) {
  if (state == 0) {
    if (Animation) Animation->Stop();
    return;
  }
  const Integer steps = state == 2 ? 1 : kFadeSteps;
  if (Animation && Animation->State != -1) {
    // The picture of the new state is painted afresh over the old one, which stays until it is whole.
    if (Animation->State != state) Animation->CrossFade();
    Animation->Follow();
    Animation->Redirect(state, steps, fadingIn);
    return;
  }
  // A new fading (or one that went idle) starts from its first step.
  if (!Animation) {
    if (owner == nullptr) return;
    Animation.reset(New<TskItemAnimation>(owner, *this));
  }
  Animation->Follow();
  Animation->StepCount = steps;
  Animation->ChangeState(state, fadingIn);
}

TskTitleItems::TskTitleItems(TsTitleBar* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TskTitleBarItem>()), titleBar_(owner) {}

// ---- TsTitleBar ----

TComponent* TsTitleBar::FormOwner(TComponent* owner) {
  if (dynamic_cast<TCustomForm*>(owner) == nullptr) throw EAbort("TsTitleBar component may be used with forms only!");
  return owner;
}

TsTitleBar::TsTitleBar(TComponent* owner)
    : TComponent(FormOwner(owner)), form_(static_cast<TCustomForm*>(owner)), items_(std::make_unique<TskTitleItems>(this)) {
  if (FindResourceW(GetModuleHandleW(nullptr), L"MENUBTN", reinterpret_cast<LPCWSTR>(RT_BITMAP)) != nullptr) {
    menuButton_ = std::make_unique<TBitmap>();
    menuButton_->LoadFromResourceName(GetModuleHandleW(nullptr), kMenuButtonResource);
    menuButton_->SetPixelFormat(pf32bit);
    for (Integer y = 0; y < menuButton_->Height(); ++y)
      PrepareMenuButtonPixels(static_cast<Cardinal*>(menuButton_->ScanLine(y)), static_cast<size_t>(menuButton_->Width()));
  }
  itemsMargin_ = 3;
}

TsTitleBar::~TsTitleBar() = default;

void TsTitleBar::Loaded() {
  TComponent::Loaded();
  for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->Invalidate(true);
}

void TsTitleBar::SetImages(TCustomImageList* value) {
  images_ = value;
  UpdateLayout();
  Invalidate();
}

void TsTitleBar::SetShowCaption(bool value) {
  showCaption_ = value;
  Invalidate();
}

void TsTitleBar::Invalidate() {
  if (form_ == nullptr || form_->ComponentState().Contains(csLoading) || ComponentState().Contains(csLoading)) return;
  if (form_->HandleAllocated()) SendSkinCommand(form_->Handle(), kTitleChanged, 1);
}

void TsTitleBar::UpdateLayout() {
  std::vector<TskLayoutItem> items;
  items.reserve(static_cast<size_t>(items_->Count()));
  for (int i = 0; i < items_->Count(); ++i) {
    const TskTitleBarItem* item = items_->Items(i);
    items.push_back({item->Visible(), item->Align(), item->Style(), item->Width(), item->Height()});
  }
  const TskTitleBarLayout layout = LayoutTitleBar(items, Area);
  std::copy(std::begin(layout.Widths), std::end(layout.Widths), widths_);
  for (int i = 0; i < items_->Count(); ++i) {
    const TskItemRect& r = layout.Rects[static_cast<size_t>(i)];
    items_->Items(i)->Rect = TRect{r.Left, r.Top, r.Right, r.Bottom};
  }
}
