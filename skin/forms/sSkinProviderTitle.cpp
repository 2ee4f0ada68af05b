#include "skin/forms/sSkinProviderTitle.h"

#include <algorithm>
#include <string>

#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sTitleHint.h"
#include "skin/forms/skTitleBar.h"
#include "skin/forms/skTitleItemAnim.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Application.h"
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

void TsTitleButton::ShowHint(TCustomForm* form) {
  if (hint_.empty() || hintWindow_ != nullptr) return;
  hintWindow_ = ShowTitleHint(form, hint_);
}

void TsTitleButton::HideHint() { hintWindow_.reset(); }

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

// ---- the provider's title: metrics, system buttons, hit test ----

bool TsSkinProvider::TitleButtonPressed = false;

namespace {

constexpr const char* kTitleMaskSection = "GLOBALINFO";

// A metric read once for the process: the title geometry asks for it on every mouse move.
Integer CachedMetric(int index) {
  static Integer caption = GetSystemMetrics(SM_CYCAPTION);
  static Integer smallCaption = GetSystemMetrics(SM_CYSMCAPTION);
  return index == SM_CYSMCAPTION ? smallCaption : caption;
}

bool IsButtonCode(Integer code) {
  return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP || (code >= 101 && code <= 103) ||
         (code >= 1000 && code <= 1100) || (code >= 2000 && code <= 2100);
}

TsBgPixels CacheAsBackground(const TsPixelView& cache) {
  TsBgPixels bg;
  bg.Bitmap = cache;
  return bg;
}

// The title caption icon's side for a caption height.
Integer IconSizeForCaption(Integer captionHeight) {
  if (captionHeight <= 8) return 1;
  return captionHeight <= 16 ? 8 : 16;
}

// A title icon glyph into the cache: the key colour 0xFF00FF stays out, every other pixel is opaque.
// A 32-bit glyph is blended by its alpha at the rectangle's corner in its own size; any other glyph
// is stretched over the rectangle.
void DrawTitleGlyph(TBitmap& cache, const TBitmap& glyph, const TRect& r) {
  const bool ownAlpha = glyph.PixelFormat() == pf32bit;
  TBitmap work;
  work.Assign(&glyph);
  work.SetPixelFormat(pf32bit);
  const Integer w = ownAlpha ? glyph.Width() : r.Width();
  const Integer h = ownAlpha ? glyph.Height() : r.Height();
  TBitmap sized;
  sized.SetPixelFormat(pf32bit);
  sized.SetSize(w, h);
  SetStretchBltMode(sized.Canvas().Handle(), COLORONCOLOR);
  StretchBlt(sized.Canvas().Handle(), 0, 0, w, h, work.Canvas().Handle(), 0, 0, work.Width(), work.Height(), SRCCOPY);
  GdiFlush();
  const TsPixelView source = PixelViewOf(sized);
  const TsPixelView target = PixelViewOf(cache);
  for (Integer y = 0; y < h; ++y) {
    if (r.Top + y < 0 || r.Top + y >= target.Height) continue;
    for (Integer x = 0; x < w; ++x) {
      if (r.Left + x < 0 || r.Left + x >= target.Width) continue;
      const Cardinal pixel = source.Row(y)[x];
      if ((pixel & 0x00FFFFFFu) == 0x00FF00FFu) continue;
      Cardinal& out = target.Row(r.Top + y)[r.Left + x];
      const Cardinal a = ownAlpha ? pixel >> 24 : 255;
      Cardinal blended = 0xFF000000u;
      for (int c = 0; c < 24; c += 8) {
        const Cardinal s = pixel >> c & 0xFF, d = out >> c & 0xFF;
        blended |= ((s * a + d * (255 - a)) / 255) << c;
      }
      out = blended;
    }
  }
}

}  // namespace

bool TsSkinProvider::IsBordered() const {
  if (Form == nullptr) return false;
  if (Form->BorderStyle() != bsNone || Form->FormStyle() == fsMDIChild) return true;
  return Form->HandleAllocated() && (GetWindowLongPtrW(Form->Handle(), GWL_STYLE) & WS_CHILD) != 0;
}

Integer TsSkinProvider::SysCaptionHeight() const {
  const bool iconic = Form != nullptr && Form->HandleAllocated() && IsIconic(Form->Handle());
  const bool tool = Form != nullptr && (Form->BorderStyle() == bsToolWindow || Form->BorderStyle() == bsSizeToolWin);
  return CachedMetric(tool && !iconic ? SM_CYSMCAPTION : SM_CYCAPTION);
}

Integer TsSkinProvider::SysBorderWidth() const {
  if (Form == nullptr || !Form->HandleAllocated()) return 0;
  const LONG_PTR style = GetWindowLongPtrW(Form->Handle(), GWL_STYLE);
  if ((style & WS_THICKFRAME) != 0) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_BORDER) != 0) return GetSystemMetrics(SM_CXDLGFRAME);
  return 0;
}

Integer TsSkinProvider::CaptionHeight(bool withExt) const {
  if (Form == nullptr || !Form->HandleAllocated()) return 0;
  const HWND window = Form->Handle();
  const bool captioned = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  if (!(IsBordered() && captioned) && !IsIconic(window)) return 0;
  // A border window's title is the skin's own height.
  const TsSkinManager* manager = Manager();
  const Integer ext = withExt && HasBorderWindow() && manager != nullptr ? manager->SkinData.TitleHeight : 0;
  const Integer metric = SysCaptionHeight();
  if (TallMaxTitle) return std::max(ext, metric + 4);
  return ext != 0 ? ext : metric;
}

Integer TsSkinProvider::CacheWidth() const {
  if (Form == nullptr) return 0;
  if (Form->HandleAllocated() && IsIconic(Form->Handle()) && Application != nullptr && Application->MainForm() != Form) {
    RECT r{};
    GetWindowRect(Form->Handle(), &r);
    return r.right - r.left;
  }
  return FrameCacheWidth(FrameInput());
}

TskTitleInput TsSkinProvider::TitleInput() const {
  TskTitleInput in;
  if (Form == nullptr || !Form->HandleAllocated()) return in;
  const HWND window = Form->Handle();
  RECT outer{};
  GetWindowRect(window, &outer);
  in.FormWidth = CacheWidth();
  in.FormHeight = outer.bottom - outer.top;
  in.SysCaptionHeight = SysCaptionHeight();
  in.CaptionHeight = CaptionHeight(true);
  in.FrameWidth = in.SysBorderWidth = in.SysBorderWidthNoExt = SysBorderWidth();
  in.MenuLineHeight = MenuLineHeight();
  in.MenuLines = in.MenuLineHeight != 0 && MenuPresent() ? MenuLinesCount() : 0;
  if (HasBorderWindow()) {
    const TskFrameInput frame = FrameInput();
    in.BorderWindow = true;
    in.SysBorderWidth = FrameSysBorderWidth(frame, true);
    in.SysBorderWidthNoExt = 0;
    in.ShadowLeft = frame.Shadow.Left;
    in.ShadowRight = frame.Shadow.Right;
    in.ShadowTop = frame.Shadow.Top;
  }
  in.Border = static_cast<TskTitleBorder>(Form->BorderStyle());
  in.Maximized = IsZoomed(window) != FALSE;
  in.Iconic = IsIconic(window) != FALSE;
  in.ThickFrame = (GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME) != 0;
  in.IsMainForm = Application != nullptr && Application->MainForm() == Form;
  in.SystemMenu = HasSysMenu();
  in.Help = Form->BorderIcons().Contains(biHelp);
  in.IconRect = {CaptionIconRect.Left, CaptionIconRect.Top, CaptionIconRect.Right, CaptionIconRect.Bottom};
  if (SkinSysMenu != nullptr) {
    in.VisibleClose = SkinSysMenu->VisibleClose();
    in.VisibleMax = SkinSysMenu->VisibleMax();
    in.VisibleMin = SkinSysMenu->VisibleMin();
    in.EnabledMax = SkinSysMenu->EnabledMax();
    in.EnabledMin = SkinSysMenu->EnabledMin();
    in.EnabledRestore = SkinSysMenu->EnabledRestore();
  }
  TsSkinManager* manager = Manager();
  if (manager == nullptr) return in;
  const TsSkinData& skin = manager->SkinData;
  in.BIRight = skin.BIRightMargin;
  in.BISpace = skin.BISpacing;
  in.BIVAlign = skin.BIVAlign;
  in.BILeft = skin.BILeftMargin;
  in.TitleHeight = skin.TitleHeight;
  in.MaxHeight = skin.MaxHeight;
  in.CenterOffset = skin.CenterOffset;
  in.BITop = skin.BITopMargin;
  auto maskOf = [manager](Integer index) -> TskTitleMask {
    if (!manager->IsValidMaskIndex(index)) return {};
    const TsMaskData& mask = manager->ma[static_cast<size_t>(index)];
    return {MaskStateWidth(mask), MaskStateHeight(mask)};
  };
  in.SmallMasksExist = manager->IsValidMaskIndex(manager->GetMaskIndexByNames(kTitleMaskSection, "SICONCLOSE"));
  in.CloseAloneMask = maskOf(manager->GetMaskIndexByNames(kTitleMaskSection, "BICLOSEALONE"));
  const bool big = UsesBigButtons(in);
  in.CloseMask = maskOf(manager->GetMaskIndexByNames(kTitleMaskSection, big ? "BICONCLOSE" : "SICONCLOSE"));
  // The masks of the buttons themselves (restore for a maximised form, ...) as the layout chooses them.
  in.MaxMask = maskOf(SysButtons[sbMax].ImageIndex);
  in.MinMask = maskOf(SysButtons[sbMin].ImageIndex);
  in.HelpMask = maskOf(SysButtons[sbHelp].ImageIndex);
  const TskTitleMask userMask = maskOf(manager->GetMaskIndexByNames(kTitleMaskSection, "TITLEBUTTON"));
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    TsTitleButton* button = titleButtons_->Items(i);
    TskUserTitleButton user;
    const Integer glyph = button->Glyph().Empty() ? 0 : button->Glyph().Width() + 2;
    user.Width = std::max<Integer>(glyph, userMask.Valid() ? userMask.StateWidth : 21);
    user.Visible = button->Visible();
    user.Enabled = button->Enabled();
    in.UserButtons.push_back(user);
  }
  AddTitleItemSpots(in);
  return in;
}

void TsSkinProvider::InitTitleButtonMasks() {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || manager->CommonSkinIndex < 0 || Form == nullptr) return;
  const TskTitleInput in = TitleInput();
  const bool big = UsesBigButtons(in);
  auto mask = [manager, big](const char* name) {
    return manager->GetMaskIndexByNames(kTitleMaskSection, (big ? "BICON" : "SICON") + std::string(name));
  };
  // Maximised, the maximize button shows the restore image; an iconic secondary form's minimize
  // button shows it too (its maximize button stays the maximize image).
  const bool secondaryIcon = in.Iconic && !in.IsMainForm;
  SysButtons[sbClose].ImageIndex = UsesCloseAlone(in) ? manager->GetMaskIndexByNames(kTitleMaskSection, "BICLOSEALONE")
                                                      : mask("CLOSE");
  SysButtons[sbMax].ImageIndex = mask(in.Maximized && !in.Iconic ? "NORM" : "MAX");
  SysButtons[sbMin].ImageIndex = mask(secondaryIcon ? "NORM" : "MIN");
  Integer help = mask("HELP");
  if (!manager->IsValidMaskIndex(help)) help = manager->GetMaskIndexByNames(kTitleMaskSection, "BICONHELP");
  SysButtons[sbHelp].ImageIndex = help;
  const Integer codes[] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};
  for (int b = sbClose; b <= sbHelp; ++b) {
    SysButtons[b].HitCode = codes[b];
    SysButtons[b].Big = big && (b != sbHelp || !in.SmallMasksExist);
  }
}

bool TsSkinProvider::IconVisible() {
  if (Form == nullptr || !TitleIcon().Visible() || !showAppIcon_ || !HasSysMenu()) return false;
  return Form->BorderStyle() == bsSingle || Form->BorderStyle() == bsSizeable;
}

void TsSkinProvider::UpdateTitleLayout() {
  InitTitleButtonMasks();
  TskTitleInput in = TitleInput();
  const TsSkinManager* manager = Manager();
  // The icon sits after the frame (and a border window's shadow) and the skin's left margin, centred
  // on the title's middle.
  const Integer left = in.SysBorderWidth + in.ShadowLeft + (manager != nullptr ? manager->SkinData.BILeftMargin : 0);
  const Integer centre = TitleCentre(in);
  CaptionIconRect = TRect{left, centre, left, centre};
  if (IconVisible()) {
    const Integer size = IconSizeForCaption(in.CaptionHeight);
    const Integer w = TitleIcon().Width() > 0 ? TitleIcon().Width() : size;
    const Integer h = TitleIcon().Height() > 0 ? TitleIcon().Height() : size;
    CaptionIconRect = TRect{left, centre - h / 2, left + w, centre - h / 2 + h};
  }
  in.IconRect = {CaptionIconRect.Left, CaptionIconRect.Top, CaptionIconRect.Right, CaptionIconRect.Bottom};
  const TskTitleLayout layout = ::UpdateTitleLayout(in);
  PlaceUserButtons(layout);
  LayoutTitleBarIn(in, layout);
  for (int b = sbClose; b <= sbHelp; ++b) {
    const TskTitleRect& r = layout.Buttons[b];
    TskSysButtonData& button = SysButtons[b];
    button.Rect = TRect{r.Left, r.Top, r.Right, r.Bottom};
    const bool shown = SkinSysMenu != nullptr && r.Width() > 0;
    if (!shown) {
      button.State = -1;
    } else if (button.State < 0) {
      button.State = 0;
    }
  }
}

Integer TsSkinProvider::HitTest(const TMessage& message) {
  if (SkinSysMenu == nullptr) InitializeSkin();
  if (Form == nullptr || !Form->HandleAllocated()) return HTNOWHERE;
  const TPoint p = ScreenToFormPoint(static_cast<SmallInt>(LOWORD(message.LParam)),
                                     static_cast<SmallInt>(HIWORD(message.LParam)));
  UpdateTitleLayout();
  const TskTitleInput in = TitleInput();
  TskTitleLayout layout;  // no system menu object: no buttons to hit
  if (SkinSysMenu != nullptr)
    for (int b = sbClose; b <= sbHelp; ++b) {
      const TRect& r = SysButtons[b].Rect;
      layout.Buttons[b] = {r.Left, r.Top, r.Right, r.Bottom};
    }
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    const TRect& r = titleButtons_->Items(i)->Data.Rect;
    layout.UserButtons.push_back({r.Left, r.Top, r.Right, r.Bottom});
  }
  Integer code = TitleHitTest(in, layout, p.X, p.Y);
  // The grip in the bottom-right corner of the client area answers as the sizing corner.
  if (code == HTCLIENT && p.Y > in.SysCaptionHeight + in.SysBorderWidthNoExt && GripMode == gmRightBottom &&
      !in.Maximized && in.ThickFrame) {
    if (TsSkinManager* manager = Manager(); manager != nullptr && manager->IsValidMaskIndex(manager->ConstData.GripImage)) {
      const TsMaskData& grip = manager->ma[static_cast<size_t>(manager->ConstData.GripImage)];
      const Integer x = CacheWidth() - MaskStateWidth(grip) - in.SysBorderWidth - 1;
      const Integer y = in.FormHeight - MaskStateHeight(grip) - in.SysBorderWidth - 1;
      if (p.X >= x && p.Y >= y) code = HTBOTTOMRIGHT;
    }
  }
  return code;
}

TskSysButtonData* TsSkinProvider::ButtonOfCode(Integer code) {
  switch (code) {
    case HTCLOSE: return &SysButtons[sbClose];
    case HTMAXBUTTON: return &SysButtons[sbMax];
    case HTMINBUTTON: return &SysButtons[sbMin];
    case HTHELP: return &SysButtons[sbHelp];
    default: break;
  }
  // A user button (laid out by the title layout) while it is shown.
  const Integer index = code - 1000;
  if (index < 0 || index >= titleButtons_->Count()) return nullptr;
  TsTitleButton* item = titleButtons_->Items(index);
  if (!item->Visible()) return nullptr;
  item->Data.HitCode = code;
  return &item->Data;
}

TBitmap* TsSkinProvider::FadeGlyph(Integer hitCode) const {
  const Integer index = hitCode - 1000;
  if (index < 0 || index >= titleButtons_->Count()) return nullptr;
  TBitmap& glyph = titleButtons_->Items(index)->Glyph();
  return glyph.Empty() ? nullptr : &glyph;
}

// With glowing allowed (or a border window, whose picture cannot show a single button at once) a
// top-level form's buttons fade into their new state in a window of their own.
bool TsSkinProvider::ButtonFades(Integer code) const {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || Form == nullptr || (code >= 101 && code <= 103) || !LayeredWindowsAvailable()) return false;
  return (manager->Effects().AllowGlowing() || BorderForm != nullptr) && AnimState == 0 && Form->Parent() == nullptr &&
         Form->FormStyle() != fsMDIChild;
}

void TsSkinProvider::FreeTitleButtonEffects() {
  auto free = [](TskSysButtonData& button) {
    if (button.Anim) {
      button.Anim->SetEnabled(false);
      button.Anim->FreeImage();
      button.Anim->State = -1;
    }
    if (button.GlowID >= 0) CloseGlowEffect(button.GlowID);
  };
  for (TskSysButtonData& button : SysButtons) free(button);
  for (TskSysButtonData& button : MDIButtons) free(button);
  for (int i = 0; i < titleButtons_->Count(); ++i) free(titleButtons_->Items(i)->Data);
  StopTitleItemFades();
}

void TsSkinProvider::DrawTitleButton(TskSysButtonData& button, bool enabled) {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || !manager->IsValidMaskIndex(button.ImageIndex) || !skinData_->CacheBitmap) return;
  const Integer image = std::max<Integer>(button.State, 0);
  const Integer mode = image == 0 && (!DrawnActive || !enabled) ? 2 : 1;
  GdiFlush();
  const TsPixelView cache = PixelViewOf(*skinData_->CacheBitmap);
  const TsMaskData& mask = manager->ma[static_cast<size_t>(button.ImageIndex)];
  PaintMaskGlyph(cache, button.Rect.Left, button.Rect.Top, image, CacheAsBackground(cache), mask,
                 SkinPixelsOf(*manager).ImageOf(mask), mode);
}

void TsSkinProvider::PaintTitleButtons() {
  if (!IsBordered()) return;
  RestoreButtonsArea();
  if (HasSysMenu() && SkinSysMenu != nullptr) {
    DrawTitleButton(SysButtons[sbClose], SkinSysMenu->VisibleClose());
    if (SkinSysMenu->VisibleMax()) DrawTitleButton(SysButtons[sbMax], SkinSysMenu->EnabledMax());
    if (SkinSysMenu->VisibleMin()) DrawTitleButton(SysButtons[sbMin], SkinSysMenu->EnabledMin());
    if (Form->BorderIcons().Contains(biHelp)) DrawTitleButton(SysButtons[sbHelp], true);
  }
  PaintUserButtons();
  PaintTitleItems();
}

void TsSkinProvider::SaveButtonsArea(bool whole) {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr || TitleBgBmp == nullptr) return;
  const TskTitleInput in = TitleInput();
  const Integer width = std::min<Integer>(in.SysBorderWidth + ::ButtonsWidth(in) + 10, cache->Width() - 1);
  const Integer height = std::min<Integer>(in.SysBorderWidthNoExt + in.CaptionHeight + in.FrameWidth, cache->Height());
  if (width <= 0 || height <= 0) return;
  TitleBgBmp->SetPixelFormat(cache->PixelFormat());
  TitleBgBmp->SetSize(width, height);
  savedTitleRows_ = whole ? height : std::min<Integer>(height, in.SysBorderWidthNoExt + in.CaptionHeight);
  BitBlt(TitleBgBmp->Canvas().Handle(), 0, 0, width, savedTitleRows_, cache->Canvas().Handle(),
         cache->Width() - width - 1, 0, SRCCOPY);
}

// Only the rows that were saved go back: the rest of the bitmap holds nothing of this cache.
void TsSkinProvider::RestoreButtonsArea() {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr || TitleBgBmp == nullptr || TitleBgBmp->Empty() || savedTitleRows_ <= 0) return;
  BitBlt(cache->Canvas().Handle(), cache->Width() - TitleBgBmp->Width() - 1, 0, TitleBgBmp->Width(), savedTitleRows_,
         TitleBgBmp->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsSkinProvider::RepaintButton(Integer code) {
  if (code >= 2000) {
    if (TskTitleBarItem* item = TitleItemOfCode(code)) RepaintTitleItem(*item);
    return;
  }
  TskSysButtonData* button = ButtonOfCode(code);
  TsSkinManager* manager = Manager();
  if (button == nullptr || manager == nullptr || Form == nullptr || !Form->HandleAllocated()) return;
  if (button->State != -1 && ButtonFades(code)) {
    if (button->GlowID >= 0) CloseGlowEffect(button->GlowID);
    const bool pressed = button->State == 2;
    StartTitleButtonAnim(*button, button->State, pressed ? 1 : kFadeSteps, this, button->State == 1 || pressed);
    return;
  }
  TBitmap* cache = skinData_->CacheBitmap.get();
  const TRect r = button->Rect;
  if (button->State != -1 && r.Left > CaptionIconRect.Right && cache != nullptr) {
    // The title under the button comes back from the saved strip first.
    if (TitleBgBmp != nullptr && !TitleBgBmp->Empty()) {
      const Integer stripLeft = cache->Width() - TitleBgBmp->Width() - 1;
      BitBlt(cache->Canvas().Handle(), r.Left, r.Top, r.Width(), r.Height(), TitleBgBmp->Canvas().Handle(),
             r.Left - stripLeft, r.Top, SRCCOPY);
    }
    const bool iconic = IsIconic(Form->Handle()) != FALSE;
    const bool disabled = code == HTMAXBUTTON && iconic && SkinSysMenu != nullptr && !SkinSysMenu->EnabledMax();
    if (manager->IsValidMaskIndex(button->ImageIndex)) {
      const Integer mode = disabled || (button->State == 0 && !DrawnActive) ? 2 : 1;
      GdiFlush();
      const TsPixelView view = PixelViewOf(*cache);
      const TsMaskData& mask = manager->ma[static_cast<size_t>(button->ImageIndex)];
      PaintMaskGlyph(view, r.Left, r.Top, button->State, CacheAsBackground(view), mask, SkinPixelsOf(*manager).ImageOf(mask),
                     mode);
    }
    GdiFlush();
    // With a border window the button is in its picture (border-window coordinates): it shows again.
    if (!RepaintThroughBorderWindow(false)) {
      const HDC dc = GetWindowDC(Form->Handle());
      BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), cache->Canvas().Handle(), r.Left, r.Top, SRCCOPY);
      ReleaseDC(Form->Handle(), dc);
    }
  }
  // A hot system button glows when the skin gives it a glow.
  const TsSkinData& skin = manager->SkinData;
  const Integer glow = code == HTCLOSE ? skin.BICloseGlow : code == HTMAXBUTTON ? skin.BIMaxGlow
                     : code == HTMINBUTTON ? skin.BIMinGlow : 0;
  const Integer margin = code == HTCLOSE ? skin.BICloseGlowMargin : code == HTMAXBUTTON ? skin.BIMaxGlowMargin
                       : skin.BIMinGlowMargin;
  const bool mayGlow = glow > 0 && manager->Effects().AllowGlowing() && Form->Parent() == nullptr &&
                       Form->FormStyle() != fsMDIChild && manager->IsValidMaskIndex(button->ImageIndex);
  if (button->State == 1 && mayGlow) {
    if (button->GlowID < 0) {
      // The button's rectangle is in the picture: the border window's, when the form has one.
      TPoint origin = FormScreenOrigin();
      if (const HWND border = BorderForm ? BorderForm->BorderHandle() : nullptr) {
        RECT b{};
        GetWindowRect(border, &b);
        origin = TPoint{b.left, b.top};
      }
      const TRect screen{origin.X + r.Left, origin.Y + r.Top, origin.X + r.Right, origin.Y + r.Bottom};
      const AnsiString name = manager->ma[static_cast<size_t>(button->ImageIndex)].PropertyName + "GLOW";
      button->GlowID = OpenGlowEffect(screen, TRect{0, 0, r.Width(), r.Height()}, kTitleMaskSection, manager,
                                      Form->Handle(), 255, margin, name);
    }
  } else if (button->GlowID >= 0) {
    CloseGlowEffect(button->GlowID);
  }
}

void TsSkinProvider::SetHotButton(Integer code, bool repaint) {
  if (!drawNonClientArea_) return;
  RepaintPendingMenuItem();
  if (code != HotHitTest && HotHitTest > 0) {
    if (TskSysButtonData* old = ButtonOfCode(HotHitTest); old != nullptr && old->State != -1) old->State = 0;
    ShowUserButtonHint(HotHitTest, false);
    SetItemHot(TitleItemOfCode(HotHitTest), false);
    if (repaint) RepaintButton(HotHitTest);
  }
  const bool changed = code != HotHitTest;
  HotHitTest = code;
  if (TitleButtonPressed || code < 1) return;
  if (TskSysButtonData* button = ButtonOfCode(code); button != nullptr && button->State != -1) button->State = 1;
  if (changed) {
    ShowUserButtonHint(code, true);
    SetItemHot(TitleItemOfCode(code), true);
  }
  // An item repaints the frame under it: only when it became hot.
  if (repaint && (changed || TitleItemOfCode(code) == nullptr)) RepaintButton(code);
}

void TsSkinProvider::SetPressedButton(Integer code) {
  if (code != HotHitTest && HotHitTest > 0) {
    if (TskSysButtonData* old = ButtonOfCode(HotHitTest); old != nullptr && old->State != -1) old->State = 0;
    if (TskTitleBarItem* old = TitleItemOfCode(HotHitTest)) old->MouseState = 0;
    RepaintButton(HotHitTest);
  }
  HotHitTest = code;
  if (TskTitleBarItem* item = TitleItemOfCode(code)) {
    // A tab is pressed by its own mouse-down: it never shows a pressed state of the title's.
    if (item->Style() == bsTab) {
      if (item->Animation) item->Animation->FreeImage();
      HotHitTest = -1;
      return;
    }
    item->MouseState = 2;
    TitleButtonPressed = true;
    RepaintButton(code);
    return;
  }
  TskSysButtonData* button = ButtonOfCode(code);
  if (button == nullptr || button->State == -1) return;
  if (code == HTMAXBUTTON) {
    const bool maximized = Form != nullptr && Form->HandleAllocated() && IsZoomed(Form->Handle());
    const bool allowed = SkinSysMenu != nullptr &&
                         (SkinSysMenu->EnabledMax() || (maximized && SkinSysMenu->EnabledRestore()));
    if (!allowed) {
      HotHitTest = 0;
      return;
    }
  }
  button->State = 2;
  TitleButtonPressed = true;
  RepaintButton(code);
}

void TsSkinProvider::NCMouseMove(TMessage& message) {
  const Integer code = HitTest(message);
  message.Result = code;
  if (IsButtonCode(code)) {
    SetHotButton(code, true);
    return;
  }
  SetHotButton(0, true);
  CallSavedProc(message);
}

void TsSkinProvider::PaintTitleIcon() {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (!IconVisible() || cache == nullptr || Form == nullptr) return;
  const TRect r = CaptionIconRect;
  if (r.IsEmpty()) return;
  TBitmap& glyph = TitleIcon().Glyph();
  if (!glyph.Empty()) {
    DrawTitleGlyph(*cache, glyph, r);
    return;
  }
  // The icon is drawn over the title; where it leaves the title's pixel as it was, that pixel (with its
  // alpha) is kept, everything the icon covered becomes opaque.
  TBitmap saved;
  saved.SetPixelFormat(pf32bit);
  saved.SetSize(r.Width(), r.Height());
  BitBlt(saved.Canvas().Handle(), 0, 0, r.Width(), r.Height(), cache->Canvas().Handle(), r.Left, r.Top, SRCCOPY);
  HICON icon = Form->Icon().Handle();
  if (icon == nullptr && Application != nullptr && !Application->Icon().Empty()) {
    icon = reinterpret_cast<HICON>(SendMessageW(Application->Handle(), WM_GETICON, ICON_SMALL2, 0));
    // The application's own window is never given its icon: then its icon is drawn as it stands.
    if (icon == nullptr) icon = Application->Icon().Handle();
  }
  if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
  DrawIconEx(cache->Canvas().Handle(), r.Left, r.Top, icon, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
  GdiFlush();
  const TsPixelView before = PixelViewOf(saved);
  const TsPixelView after = PixelViewOf(*cache);
  for (Integer y = 0; y < r.Height(); ++y) {
    if (r.Top + y < 0 || r.Top + y >= after.Height) continue;
    for (Integer x = 0; x < r.Width(); ++x) {
      if (r.Left + x < 0 || r.Left + x >= after.Width) continue;
      Cardinal& pixel = after.Row(r.Top + y)[r.Left + x];
      const Cardinal old = before.Row(y)[x];
      pixel = (pixel & 0x00FFFFFFu) == (old & 0x00FFFFFFu) ? old : pixel | 0xFF000000u;
    }
  }
}
