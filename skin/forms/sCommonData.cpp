#include "skin/forms/sCommonData.h"

#include <algorithm>
#include <cmath>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sColorShift.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Graphic.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/Panel.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

template <class T>
T BindUser32(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 == nullptr ? nullptr : reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

bool Destroying(const TComponent* component) { return component->ComponentState().Contains(csDestroying); }
bool Loading(const TComponent* component) { return component->ComponentState().Contains(csLoading); }

LRESULT PerformCommand(TControl* control, Word command, LPARAM lParam = 0) {
  return control->Perform(SkinCommandMessage, SkinCommandWParam(command), lParam);
}

// The window a glow of the host's form goes beside: the form's parent window for an embedded form,
// and for an MDI child the skinned main form.
HWND GlowOwnerOf(TControl* host) {
  TCustomForm* form = GetParentForm(host);
  if (form == nullptr) return nullptr;
  if (form->FormStyle() == fsMDIChild && Application != nullptr) {
    TCustomForm* main = Application->MainForm();
    if (main != nullptr && main->HandleAllocated() && SendSkinCommand(main->Handle(), scGetProvider) != 0)
      return main->Handle();
  }
  if (!form->HandleAllocated()) return nullptr;
  const HWND parent = GetParent(form->Handle());
  const bool child = (GetWindowLongPtrW(form->Handle(), GWL_STYLE) & WS_CHILD) != 0;
  return child && parent != nullptr ? parent : form->Handle();
}

TRect ClipBoxOf(HDC dc) {
  RECT r{};
  GetClipBox(dc, &r);
  return TRect{r.left, r.top, r.right, r.bottom};
}

TRect WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return TRect{r.left, r.top, r.right, r.bottom};
}

// The part of a window that its window DC may paint, in window coordinates.
TRect WindowClipBox(HWND window) {
  const HDC dc = GetWindowDC(window);
  const TRect box = ClipBoxOf(dc);
  ReleaseDC(window, dc);
  return box;
}

}  // namespace

TUpdateLayeredWindow UpdateLayeredWindowProc = BindUser32<TUpdateLayeredWindow>("UpdateLayeredWindow");
TSetLayeredWindowAttributes SetLayeredWindowAttributesProc =
    BindUser32<TSetLayeredWindowAttributes>("SetLayeredWindowAttributes");

bool LayeredWindowsAvailable() { return UpdateLayeredWindowProc != nullptr; }

bool MakeWindowTransparent(HWND window, bool on) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (on && LayeredWindowsAvailable()) {
    if ((exStyle & WS_EX_LAYERED) != 0) return false;
    SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    if (SetLayeredWindowAttributesProc != nullptr) SetLayeredWindowAttributesProc(window, 0, 1, LWA_ALPHA);
    return true;
  }
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  if ((style & WS_VISIBLE) != 0) SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
  if ((exStyle & WS_EX_LAYERED) != 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
  return false;
}

// ---- creation ----

TsCommonData::TsCommonData(TObject* owner, bool withCache)
    : HostObject(owner), HostControl(dynamic_cast<TControl*>(owner)) {
  if (withCache) InitCacheBmp();
}

TsCommonData::~TsCommonData() {
  SectionIndex = TextureIndex = HotTextureIndex = -1;
  HostControl = nullptr;
  HostObject = nullptr;
  OwnSkinManager = nullptr;
  CloseGlow();
}

TCustomForm* TsCommonData::ProviderForm() const {
  const auto* provider = dynamic_cast<const IskProviderHost*>(HostObject);
  return provider != nullptr ? provider->ProviderForm() : nullptr;
}

bool TsCommonData::HasSections(const TsSkinManager* manager) const { return manager != nullptr && !manager->gd.empty(); }

void TsCommonData::CloseGlow() {
  if (GlowIndex != -1) CloseGlowEffect(GlowIndex);
  GlowIndex = -1;
}

// ---- published ----

TsSkinManager* TsCommonData::GetSkinManager() const {
  return OwnSkinManager != nullptr ? OwnSkinManager : TsSkinManager::DefaultManager();
}

void TsCommonData::RefreshHost(TsSkinManager* manager) {
  const bool refresh = HasSections(manager) && manager->IsValidSkinIndex(SectionIndex);
  PerformCommand(HostControl, refresh ? scRefresh : scRemoveSkin, reinterpret_cast<LPARAM>(manager));
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
  if (manager == OwnSkinManager) return;
  OwnSkinManager = manager == TsSkinManager::DefaultManager() ? nullptr : manager;
  if (HostControl != nullptr && Loading(HostControl)) return;
  if (HasSections(manager)) {
    UpdateIndexes();
  } else {
    SectionIndex = -1;
  }
  if (ProviderForm() != nullptr || HostControl == nullptr || HostControl->Parent() == nullptr ||
      Destroying(HostControl))
    return;
  RefreshHost(manager);
}

void TsCommonData::SetSkinSection(const AnsiString& value) {
  // Compared as stored: "edit" over "EDIT", or "" over "UNKNOWN", changes nothing and refreshes nothing.
  const AnsiString name = value.empty() ? AnsiString("UNKNOWN") : AnsiUpperCase(value);
  if (name == skinSection_) return;
  skinSection_ = name;
  TsSkinManager* manager = GetSkinManager();
  if (HasSections(manager)) {
    UpdateIndexes();
  } else {
    SectionIndex = -1;
  }
  const bool live = HostControl != nullptr && !Loading(HostControl) &&
                    !HostControl->ControlState().Contains(csReadingState) && HostControl->Parent() != nullptr &&
                    !Destroying(HostControl);
  if (!live) {
    if (ProviderForm() != nullptr) BackgroundDirty = true;
    return;
  }
  if (!UpdatingFlag) RefreshHost(manager);
  CloseGlow();
}

void TsCommonData::SetCustomColor(bool value) {
  if (value == CustomColor) return;
  CustomColor = value;
  if (HostControl != nullptr && !Loading(HostControl)) UpdateHostColors(true);
}

void TsCommonData::SetCustomFont(bool value) {
  if (value == CustomFont) return;
  CustomFont = value;
  if (HostControl != nullptr && !Loading(HostControl)) UpdateHostColors(true);
}

// ---- questions ----

bool TsCommonData::Skinned(bool checkActive) const {
  try {
    if (skinSection_.empty()) return false;
    const TsSkinManager* manager = GetSkinManager();
    if (manager == nullptr || Destroying(manager) || !manager->IsValidSkinIndex(SectionIndex)) return false;
    if (const auto* component = dynamic_cast<const TComponent*>(HostObject); component != nullptr && Destroying(component))
      return false;
    return checkActive ? manager->SkinData.Active : true;
  } catch (...) {
    return false;
  }
}

bool TsCommonData::IsActive() const {
  if (HostControl == nullptr || Destroying(HostControl) || !HostControl->Enabled() ||
      HostControl->ComponentState().Contains(csDesigning))
    return false;
  if (FocusFlag) return true;
  if (auto* windowed = dynamic_cast<TWinControl*>(HostControl);
      windowed != nullptr && windowed->HandleAllocated() && GetFocus() == windowed->Handle() &&
      dynamic_cast<TPanel*>(HostControl) == nullptr)
    return true;
  return MouseInside && !InKindSet(NoHotTrackKinds(), ControlKind);
}

bool TsCommonData::StateClearOrActive() const { return (StateBits & ssPlainBackground) == 0 || IsActive(); }

bool TsCommonData::IsUpdating() const {
  const TsSkinManager* manager = GetSkinManager();
  if (manager == nullptr || manager->ComponentState().Contains(csDesigning)) return false;
  if (!StateClearOrActive()) return UpdatingFlag;
  if (HostControl != nullptr) {
    if (Destroying(HostControl)) return UpdatingFlag;
    if (UpdatingFlag) return true;
    return HostControl->Parent() != nullptr && SendSkinCommandToControl(HostControl->Parent(), scIsUpdating) == 1;
  }
  if (TCustomForm* form = ProviderForm(); form != nullptr && form->Parent() != nullptr)
    return SendSkinCommandToControl(form->Parent(), scIsUpdating) == 1;
  return false;
}

Integer TsCommonData::ParentRepaintAnswer() const {
  if (HostControl == nullptr) return 0;
  TWinControl* parent = HostControl->Parent();
  if (parent == nullptr || !parent->HandleAllocated()) return 0;
  return static_cast<Integer>(SendSkinCommand(parent->Handle(), scParentBgNeeded));
}

Integer TsCommonData::ParentBgState() const {
  if (UrgentPaint || !Skinned() || HostControl == nullptr || !HostControl->Enabled()) return 1;
  const TsSkinManager* manager = GetSkinManager();
  const TsGeneralData& section = manager->gd[static_cast<size_t>(SectionIndex)];
  TWinControl* parent = HostControl->Parent();
  if (section.Props[0].Transparency > 0 && parent != nullptr && parent->HandleAllocated())
    return static_cast<Integer>(SendSkinCommand(parent->Handle(), scParentBgNeeded));
  return 0;
}

Integer TsCommonData::GetBgColor(Integer state, HWND window) const {
  Integer own = clSkinFallbackColor;
  if (HostControl != nullptr) {
    own = HostControl->Color();
  } else if (TCustomForm* form = ProviderForm()) {
    own = form->Color();
  }
  if (!Skinned()) return own;
  const auto parentColor = [&]() -> Integer {
    if (HostControl != nullptr) return ControlBackgroundColor(HostControl->Parent());
    if (window != nullptr) return WindowBackgroundColor(GetParent(window));
    return clSkinFallbackColor;
  };
  const TsGeneralData& section = GetSkinManager()->gd[static_cast<size_t>(SectionIndex)];
  return SkinnedBgColor(section, state, CustomColor, own, parentColor);
}

// ---- updates ----

void TsCommonData::NotifyHost(Word command) {
  if (HostControl != nullptr) {
    PerformCommand(HostControl, command);
  } else if (TCustomForm* form = ProviderForm(); form != nullptr && form->HandleAllocated()) {
    SendSkinCommand(form->Handle(), command);
  }
}

void TsCommonData::BeginUpdate() {
  ++UpdateDepth;
  UpdatingFlag = true;
  StateBits |= ssInUpdate;
  NotifyHost(scBeginUpdate);
}

void TsCommonData::EndUpdate(bool repaint) {
  --UpdateDepth;
  UpdatingFlag = false;
  StateBits &= static_cast<Word>(~ssInUpdate);
  if (UpdateDepth > 0) return;
  NotifyHost(scEndUpdate);
  if (repaint) Invalidate(false);
}

void TsCommonData::Invalidate(bool now) {
  if (HostControl != nullptr) {
    if (Destroying(HostControl) || Loading(HostControl)) return;
    BackgroundDirty = true;
    if (!ControlIsPaintable(HostControl)) return;
    if (auto* windowed = dynamic_cast<TWinControl*>(HostControl)) {
      if (!windowed->HandleAllocated()) return;
      UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;
      if (now) flags |= RDW_UPDATENOW;
      RedrawWindow(windowed->Handle(), nullptr, nullptr, flags);
    } else {
      HostControl->Repaint();
    }
    return;
  }
  if (TCustomForm* form = ProviderForm()) {
    BackgroundDirty = true;
    if (form->HandleAllocated())
      RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
  }
}

void TsCommonData::InitCacheBmp() {
  // Bitmaps of this library are always device-independent sections, so none needs converting.
  if (!CacheBitmap) {
    CacheBitmap = std::make_unique<TBitmap>();
    CacheBitmap->SetPixelFormat(pf32bit);
    CacheBitmap->Canvas().OnChange = nullptr;
  }
  if (HostControl == nullptr) return;
  const Integer width = std::max(HostControl->Width(), 0);
  const Integer height = std::max(HostControl->Height(), 0);
  if (CacheBitmap->Width() != width || CacheBitmap->Height() != height) CacheBitmap->SetSize(width, height);
}

// ---- skin resolution ----

void TsCommonData::UpdateIndexes() {
  BackgroundDirty = true;
  TsSkinManager* manager = GetSkinManager();
  SectionIndex = manager != nullptr && manager->Active() ? manager->GetSkinIndex(skinSection_) : -1;
  UpdateBackgroundMode();
  StateBits = ssNotComputed;
  if (SectionIndex >= 0) {
    BorderMaskIndex = manager->gd[static_cast<size_t>(SectionIndex)].BorderMask;
    TextureIndex = manager->GetTextureIndex(SectionIndex, skinSection_, "PATTERN");
    HotTextureIndex = manager->GetTextureIndex(SectionIndex, skinSection_, "HOTPATTERN");
    UpdateSkinState(false);
  } else {
    TextureIndex = HotTextureIndex = -1;
  }
}

void TsCommonData::ApplyDefaultSection() {
  if (!skinSection_.empty()) {
    UpdateIndexes();
    return;
  }
  const std::string_view section = DefaultSectionOfKind(ControlKind);
  if (!section.empty()) {
    SetSkinSection(AnsiString(section));
  } else if (HostObject != nullptr) {
    SetSkinSection(HostObject->ClassName());
  }
}

void TsCommonData::AfterHostLoaded() {
  ApplyDefaultSection();
  if (!Skinned() || HostControl == nullptr || HostControl->Parent() == nullptr || Loading(HostControl)) return;
  if (dynamic_cast<TWinControl*>(HostControl) != nullptr) NotifyParentForm(HostControl);
  UpdateHostColors(false);
}

void TsCommonData::UpdateBackgroundMode() {
  const TsSkinManager* manager = GetSkinManager();
  BackgroundMode = manager != nullptr && manager->IsValidSkinIndex(SectionIndex)
                       ? BackgroundModeOf(manager->gd[static_cast<size_t>(SectionIndex)])
                       : 0;
}

void TsCommonData::UpdateHostColors(bool repaint) {
  if (!Skinned() || !InKindSet(EditLikeKinds(), ControlKind) || HostControl == nullptr) return;
  if (auto* windowed = dynamic_cast<TWinControl*>(HostControl); windowed != nullptr && !windowed->HandleAllocated())
    return;
  const TsGeneralData& section = GetSkinManager()->gd[static_cast<size_t>(SectionIndex)];
  const auto shifted = [&](Integer color) {
    return ChangeColorSaturation(ChangeColorHue(HueShift, color), SaturationShift);
  };
  if (!CustomColor) {
    const Integer color = shifted(section.Props[0].Color);
    if (HostControl->Color() != color) HostControl->SetColor(color);
  }
  if (!CustomFont) {
    const Integer color = shifted(section.Props[0].TextColor);
    if (HostControl->Font().Color() != color) HostControl->Font().SetColor(color);
  }
  if (repaint) Invalidate(false);
}

Integer TsCommonData::PlainBackgroundKind() const {
  const TsSkinManager* manager = GetSkinManager();
  if (manager == nullptr) return 1;
  TskPlainBgContext context;
  if (HostControl != nullptr && HostControl->Parent() != nullptr) {
    TWinControl* parent = HostControl->Parent();
    context.ParentState = [parent]() -> Integer {
      if (!parent->HandleAllocated()) return 2;
      return static_cast<Integer>(SendSkinCommand(parent->Handle(), scGetSkinState));
    };
  }
  if (TCustomForm* form = ProviderForm()) context.FormPaintsItself = static_cast<bool>(form->OnPaint);
  return PlainBackgroundKindOf(manager->gd, manager->ma, SectionIndex, context);
}

void TsCommonData::UpdateSkinState(bool propagate) {
  StateBits &= static_cast<Word>(~ssPlainBackground);
  if (HostControl != nullptr) {
    // Forms scroll their client as containers do.
    if (dynamic_cast<TPanel*>(HostControl) != nullptr || dynamic_cast<TCustomForm*>(HostControl) != nullptr) {
      const Integer kind = PlainBackgroundKind();
      if (kind == 2) return;
      if (kind % 2 == 1) StateBits |= ssPlainBackground;
      StateBits &= static_cast<Word>(~ssNotComputed);
    }
    if (auto* windowed = dynamic_cast<TWinControl*>(HostControl); windowed != nullptr && propagate) {
      for (int i = 0; i < windowed->ControlCount(); ++i)
        SendSkinCommandToControl(windowed->Controls(i), scGetSkinState, 1);
    }
    return;
  }
  if (TCustomForm* form = ProviderForm()) {
    if (PlainBackgroundKind() != 1) return;
    if (form->FormStyle() != fsMDIForm) StateBits |= ssPlainBackground;
    StateBits &= static_cast<Word>(~ssNotComputed);
  }
}

void TsCommonData::ShowGlow(bool hide, HWND window) {
  TsSkinManager* manager = GetSkinManager();
  if (manager == nullptr || !manager->Effects().AllowGlowing() || !manager->IsValidSkinIndex(SectionIndex)) return;
  const TsGeneralData& section = manager->gd[static_cast<size_t>(SectionIndex)];
  if (section.GlowLevel < 1) return;
  // A glow counts as open only while its index still names one: emptying the glow list (a form's move)
  // leaves the index stale.
  const bool open = GlowIndex != -1 && GlowEffectAt(GlowIndex) != nullptr;
  if (!open) GlowIndex = -1;
  TRect rect;
  TRect clip;
  HWND owner = nullptr;
  if (HostControl != nullptr) {
    if (!MouseInside || HostControl->ControlState().Contains(csLButtonDown) || (hide && open)) {
      CloseGlow();
      return;
    }
    if (open) return;
    owner = GlowOwnerOf(HostControl);
    if (owner == nullptr) return;
    if (auto* windowed = dynamic_cast<TWinControl*>(HostControl)) {
      if (!windowed->HandleAllocated()) return;
      rect = WindowRectOf(windowed->Handle());
      clip = WindowClipBox(windowed->Handle());
    } else {
      TWinControl* parent = HostControl->Parent();
      if (parent == nullptr || !parent->HandleAllocated()) return;
      const TPoint origin = HostControl->ClientOrigin();
      rect = Bounds(origin.X, origin.Y, HostControl->Width(), HostControl->Height());
      const HDC dc = GetDC(parent->Handle());
      TRect box = ClipBoxOf(dc);
      ReleaseDC(parent->Handle(), dc);
      box = TRect{box.Left - HostControl->Left(), box.Top - HostControl->Top(), box.Right - HostControl->Left(),
                  box.Bottom - HostControl->Top()};
      clip = TRect{std::max(box.Left, 0), std::max(box.Top, 0), std::min(box.Right, HostControl->Width()),
                   std::min(box.Bottom, HostControl->Height())};
    }
  } else {
    if (window == nullptr) return;
    if (hide && open) {
      CloseGlow();
      return;
    }
    if (open) return;
    rect = WindowRectOf(window);
    clip = WindowClipBox(window);
    owner = TopLevelAncestor(window);
  }
  GlowIndex = OpenGlowEffect(rect, clip, skinSection_, manager, owner, 255, section.GlowOffset, "GLOW");
}

// ---- parent backgrounds ----

namespace {

Integer DefaultGlobalColor() {
  const TsSkinManager* manager = TsSkinManager::DefaultManager();
  return manager != nullptr ? manager->GetGlobalColor() : clSkinFallbackColor;
}

void FillDCRect(HDC dc, const TRect& rect, Integer color) {
  const HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// The requester's place moved by (dx, dy): its place inside the next responder up.
void MoveRequest(TskBgRequest& request, Integer dx, Integer dy) {
  request.OffsetX += dx;
  request.OffsetY += dy;
}

// Without an answer, in paint mode: the asked control or window paints itself into the request's DC,
// seen through a viewport moved to the requester's place in it.
template <class Paint>
void PaintThroughViewport(TskBgRequest& request, Paint paint) {
  const HDC dc = request.TargetDC;
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -request.OffsetX, -request.OffsetY, nullptr);
  request.Rect = TRect{request.Rect.Left + request.OffsetX, request.Rect.Top + request.OffsetY,
                       request.Rect.Right + request.OffsetX, request.Rect.Bottom + request.OffsetY};
  IntersectClipRect(dc, request.Rect.Left, request.Rect.Top, request.Rect.Right, request.Rect.Bottom);
  paint(reinterpret_cast<WPARAM>(dc));
  RestoreDC(dc, saved);
}

LPARAM RequestParam(TskBgRequest& request) { return reinterpret_cast<LPARAM>(&request); }

}  // namespace

bool GetParentBgFromControl(TskBgRequest& request, TControl* control, bool paint) {
  if (control == nullptr) return false;
  request.AnswerKind = bgNotAnswered;
  request.PaintFlag = paint ? 1 : 0;
  if (Destroying(control)) {
    // A control being freed is neither asked nor painted: its colour stands in.
    if (!paint) {
      request.AnswerKind = bgColor;
      request.Color = static_cast<Integer>(ColorToRGB(control->Color()));
    }
    return false;
  }
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (windowed != nullptr && windowed->HandleAllocated()) {
    SendMessageW(windowed->Handle(), SkinCommandMessage, SkinCommandWParam(scFillBgRequest), RequestParam(request));
  } else {
    PerformCommand(control, scFillBgRequest, RequestParam(request));
  }
  if (request.AnswerKind != bgNotAnswered) return true;
  if (paint) {
    PaintThroughViewport(request, [&](WPARAM dc) {
      control->Perform(WM_ERASEBKGND, dc, 0);
      control->Perform(WM_PAINT, dc, 0);
    });
  } else {
    request.AnswerKind = bgColor;
    const auto answer = static_cast<Integer>(PerformCommand(control, scGetBgColor));
    request.Color = answer != 0 ? answer : static_cast<Integer>(ColorToRGB(control->Color()));
  }
  return false;
}

bool GetParentBgFromWindow(TskBgRequest& request, HWND window, bool paint) {
  const bool paintedIn = request.PaintFlag != 0;
  request.AnswerKind = bgNotAnswered;
  request.PaintFlag = paint ? 1 : 0;
  if (window != nullptr)
    SendMessageW(window, SkinCommandMessage, SkinCommandWParam(scFillBgRequest), RequestParam(request));
  if (request.AnswerKind != bgNotAnswered) return true;
  if (paintedIn && window != nullptr && request.TargetDC != nullptr) {
    PaintThroughViewport(request, [&](WPARAM dc) {
      SendMessageW(window, WM_ERASEBKGND, dc, 0);
      SendMessageW(window, WM_PAINT, dc, 0);
    });
  } else {
    request.AnswerKind = bgColor;
    request.Color = DefaultGlobalColor();
  }
  return false;
}

TskBgInfo BgInfoFromReply(const TskBgRequest& request) {
  if (request.AnswerKind == bgBitmap) return MakeBgInfoFromBitmap(request.Bitmap, request.OffsetX, request.OffsetY);
  return TskBgInfo{nullptr, request.OffsetX, request.OffsetY, static_cast<Integer>(ColorToRGB(request.Color)), false};
}

TskBgInfo GetParentBgOfWnd(HWND window) {
  const HWND parent = window != nullptr ? GetParent(window) : nullptr;
  if (parent == nullptr) return DefaultBgInfo;
  TskBgRequest request;
  GetParentBgFromWindow(request, parent, false);
  return BgInfoFromReply(request);
}

void TsCommonData::FillBgRequest(TskBgRequest& request, Integer state, HWND window) const {
  if (!Skinned() || CustomColor) {
    request.AnswerKind = bgColor;
    if (HostControl != nullptr) {
      request.Color = HostControl->Color();
    } else if (TCustomForm* form = ProviderForm()) {
      request.Color = form->Color();
    }
    return;
  }
  const TsSkinManager* manager = GetSkinManager();
  const TsGenState& values = manager->gd[static_cast<size_t>(SectionIndex)].Props[state != 0 ? 1 : 0];
  const auto cacheAnswer = [&] {
    request.AnswerKind = bgBitmap;
    if (request.PaintFlag != 0) {
      TBitmap& cache = *CacheBitmap;
      const TRect& r = request.Rect;
      BitBlt(request.TargetDC, r.Left, r.Top, r.Width(), r.Height(), cache.Canvas().Handle(), request.OffsetX,
             request.OffsetY, SRCCOPY);
    } else {
      request.Bitmap = CacheBitmap.get();
      request.OffsetX = request.OffsetY = 0;
    }
  };
  const Integer t = values.Transparency;
  if (t == 0) {
    if (values.GradientPercent <= 0 && values.ImagePercent < 1) {
      request.AnswerKind = bgColor;
      request.Bitmap = CacheBitmap.get();
      request.Color = GetBgColor(state, window);
      if (request.PaintFlag != 0 && request.TargetDC != nullptr) FillDCRect(request.TargetDC, request.Rect, request.Color);
      return;
    }
    request.Color = manager->GetGlobalColor();
    if (CacheBitmap) {
      cacheAnswer();
    } else {
      request.AnswerKind = bgColor;  // nothing painted yet: the colour is all there is
    }
    return;
  }
  const bool cacheValid = (StateBits & ssPlainBackground) == 0 && CacheBitmap && !BackgroundDirty;
  if (t == 100 && !cacheValid) {
    // The host shows its parent: the question goes up with the host's place in the parent added. A
    // painting responder up there paints at the requester's place, so in paint mode the place moves
    // before asking; an answer bitmap otherwise gets it afterwards.
    TControl* parent = nullptr;
    TPoint place;
    if (HostControl != nullptr) {
      parent = HostControl->Parent();
      place = TPoint{HostControl->Left(), HostControl->Top()};
    } else if (TCustomForm* form = ProviderForm()) {
      parent = form->Parent();
      place = TPoint{form->Left(), form->Top()};
    }
    const bool paint = request.PaintFlag != 0;
    if (parent != nullptr) {
      if (paint) MoveRequest(request, place.X, place.Y);
      GetParentBgFromControl(request, parent, paint);
      if (!paint && request.AnswerKind == bgBitmap) MoveRequest(request, place.X, place.Y);
      return;
    }
    if (window == nullptr) {
      request.AnswerKind = bgColor;
      request.Color = DefaultGlobalColor();
      return;
    }
    const HWND parentWindow = GetParent(window);
    RECT r{};
    GetWindowRect(window, &r);
    POINT topLeft{r.left, r.top};
    if (parentWindow != nullptr) ScreenToClient(parentWindow, &topLeft);
    GetParentBgFromWindow(request, parentWindow, false);
    if (request.AnswerKind == bgBitmap) MoveRequest(request, topLeft.x, topLeft.y);
    return;
  }
  if (t != 100 && !CacheBitmap) {
    request.AnswerKind = bgColor;
    request.Color = static_cast<Integer>(clSkinNoColor);
    return;
  }
  cacheAnswer();
}

TskBgInfo TsCommonData::GetParentBg() const {
  if (!Skinned() || HostControl == nullptr) return TskBgInfo{nullptr, 0, 0, GetBgColor(0), false};
  TskBgRequest request;
  if (HostControl->Parent() != nullptr) {
    GetParentBgFromControl(request, HostControl->Parent(), false);
  } else if (auto* windowed = dynamic_cast<TWinControl*>(HostControl); windowed != nullptr && windowed->HandleAllocated()) {
    GetParentBgFromWindow(request, GetParent(windowed->Handle()), false);
  } else {
    return TskBgInfo{nullptr, 0, 0, GetBgColor(0), false};
  }
  if (request.AnswerKind == bgColorKey) {
    TskBgInfo info;
    info.Bitmap = request.Bitmap;
    info.OffsetX = request.OffsetX;
    info.OffsetY = request.OffsetY;
    info.Color = static_cast<Integer>(clSkinNoColor);
    return info;
  }
  return BgInfoFromReply(request);
}

// ---- painting ----

TsSectionSkin SectionSkinOf(const TsSkinManager& manager) {
  TsSectionSkin skin;
  skin.Pixels = SkinPixelsOf(manager);
  skin.Patterns = &manager.pa;
  skin.PatternImage = [](const TsPatternData& pattern) {
    auto* bitmap = dynamic_cast<TBitmap*>(pattern.Img.get());
    return bitmap != nullptr ? PixelViewOf(*bitmap) : TsPixelView{};
  };
  return skin;
}

namespace {

}  // namespace

void TsCommonData::PaintOwnSection(const TskBgInfo& background, bool fillCentre, TBitmap& bitmap, TPoint offset,
                                   const TRect& rect, Integer state) const {
  const TsSkinManager* manager = GetSkinManager();
  const TsPixelView view = PixelViewOf(bitmap);
  if (manager == nullptr || !manager->IsValidSkinIndex(SectionIndex) || view.IsEmpty() || rect.IsEmpty() ||
      rect.Left < 0 || rect.Top < 0 || rect.Right > view.Width || rect.Bottom > view.Height)
    return;
  const TsGeneralData& section = manager->gd[static_cast<size_t>(SectionIndex)];
  state = SectionPaintState(section, state);
  Integer color = static_cast<Integer>(clSkinNoColor);
  if (CustomColor) {
    if (HostControl != nullptr) {
      color = static_cast<Integer>(ColorToRGB(HostControl->Color()));
    } else if (TCustomForm* form = ProviderForm()) {
      color = static_cast<Integer>(ColorToRGB(form->Color()));
    }
  }
  const TsSectionSkin skin = SectionSkinOf(*manager);
  const TsBgPixels bg = BgPixelsOf(background);
  const TRect r = rect;
  PaintSectionFill(skin, SectionIndex, skinSection_, bg, color, HotTextureIndex, TextureIndex, view, offset.X, offset.Y,
                   r, state);
  const bool bordered =
      PaintSectionFrame(skin, SectionIndex, bg, BorderMaskIndex, view, offset.X, offset.Y, r, state, fillCentre);
  // A see-through look without a border keeps its colours: they are the parent's.
  if (!bordered && section.Props[static_cast<size_t>(std::min(state, 1))].Transparency != 0) return;
  if (HueShift != 0) ChangeBitmapHue(view, HueShift);
  if (SaturationShift != 0) ChangeBitmapSaturation(view, SaturationShift);
}

void PaintSectionToDC(Integer section, const AnsiString& name, const TskBgInfo& background, TsSkinManager* manager,
                      HDC dc, TPoint offset, const TRect& rect, Integer state, bool fillCentre) {
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  if (manager == nullptr || !manager->IsValidSkinIndex(section) || rect.Left < 0 || rect.Top < 0 ||
      rect.Width() <= 0 || rect.Height() <= 0)
    return;
  TBitmap layer;
  layer.SetPixelFormat(pf32bit);
  layer.SetSize(rect.Width(), rect.Height());
  PaintSectionItem(SectionSkinOf(*manager), section, name, BgPixelsOf(background), -1, -1, PixelViewOf(layer),
                   offset.X, offset.Y, TRect{0, 0, rect.Width(), rect.Height()}, state, fillCentre);
  const int saved = SaveDC(dc);
  BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), layer.Canvas().Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
}

Integer PaintSectionByName(TBitmap& bitmap, const AnsiString& name, const AnsiString& altName, HDC dc, Integer color,
                           const TRect& rect, TsSkinManager* manager, Integer state) {
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  if (manager == nullptr) return -1;
  AnsiString used = name;
  Integer section = manager->GetSkinIndex(used);
  if (!manager->IsValidSkinIndex(section)) {
    used = altName;
    section = manager->GetSkinIndex(used);
  }
  if (!manager->IsValidSkinIndex(section)) return section;
  const TsPixelView view = PixelViewOf(bitmap);
  TsBgPixels background{{}, 0, 0, color};
  if (dc != nullptr) {
    BitBlt(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height(), dc, rect.Left, rect.Top, SRCCOPY);
    GdiFlush();
    background.Bitmap = view;
  }
  PaintSectionItem(SectionSkinOf(*manager), section, used, background, -1, -1, view, 0, 0,
                   TRect{0, 0, view.Width, view.Height}, state, true);
  return section;
}

Integer ParentSectionIndex(TControl* control, Integer fallback, const TsSkinManager& manager, Integer state) {
  if (control == nullptr || control->Parent() == nullptr) return fallback;
  TWinControl* parent = control->Parent();
  Integer section = -1;
  if (auto* data = dynamic_cast<TsCommonData*>(GetObjPropByName(parent, "SkinData"));
      data != nullptr && manager.IsValidSkinIndex(data->SectionIndex)) {
    section = data->SectionIndex;
  } else {
    TskSectionInfo info;
    if (parent->HandleAllocated()) SendSkinCommand(parent->Handle(), scGetSkinIndex, reinterpret_cast<LPARAM>(&info));
    if (!manager.IsValidSkinIndex(info.Index)) return fallback;
    section = info.Index;
  }
  const TsGeneralData& data = manager.gd[static_cast<size_t>(section)];
  if (data.Props[static_cast<size_t>(SectionPaintState(data, state))].Transparency > 50)
    return ParentSectionIndex(parent, fallback, manager, 0);
  return data.GiveOwnFont ? section : fallback;
}

namespace {

// The cache's source rect into the clip of the DC, the given places left out.
void CopyCacheExcluding(TsCommonData& data, const TRect& sourceRect, bool repaintParent, HDC dc, const TRect& clip,
                        const std::vector<TRect>& excluded) {
  if (!data.CacheBitmap) return;
  if (repaintParent) PaintParentBackground(data, 0, 15);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
  for (const TRect& r : excluded) ExcludeClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  BitBlt(dc, clip.Left, clip.Top, clip.Width(), clip.Height(), data.CacheBitmap->Canvas().Handle(), sourceRect.Left,
         sourceRect.Top, SRCCOPY);
  RestoreDC(dc, saved);
}

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

void CopyControlCache(TWinControl* parent, TsCommonData& data, const TRect& sourceRect, Integer dy, Integer dx,
                      bool repaintParent, HDC dc, const TRect& clip) {
  if (!data.CacheBitmap) return;
  std::vector<TRect> excluded;
  for (int i = 0; parent != nullptr && i < parent->ControlCount(); ++i) {
    TControl* child = parent->Controls(i);
    const TRect bounds = child->BoundsRect();
    if (!child->Visible() || !Overlap(bounds, clip)) continue;
    const bool paintsOver = dynamic_cast<TGraphicControl*>(child) != nullptr ||
                            child->ComponentState().Contains(csDesigning) ||
                            child->ControlStyle().Contains(csOpaque);
    if (paintsOver) excluded.push_back(TRect{bounds.Left + dx, bounds.Top + dy, bounds.Right + dx, bounds.Bottom + dy});
  }
  CopyCacheExcluding(data, sourceRect, repaintParent, dc, clip, excluded);
}

void CopyGroupBoxCache(HWND window, TsCommonData& data, const TRect& sourceRect, Integer dy, Integer dx,
                       bool repaintParent, HDC dc, const TRect& clip) {
  if (!data.CacheBitmap) return;
  const TRect origin = WindowRectOf(window);
  const TsSkinManager* manager = TsSkinManager::DefaultManager();
  const Integer groupBorder = manager != nullptr ? manager->GetMaskIndex(manager->GetSkinIndex("GROUPBOX"), "GROUPBOX",
                                                                         "BORDERSMASK")
                                                 : -1;
  std::vector<TRect> excluded;
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const TRect screen = WindowRectOf(child);
    const TRect r{screen.Left - origin.Left - dx, screen.Top - origin.Top - dy, screen.Right - origin.Left - dx,
                  screen.Bottom - origin.Top - dy};
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(child, GWL_EXSTYLE);
    const bool groupBox = (style & 0xF) == BS_GROUPBOX && (exStyle & WS_EX_CLIENTEDGE) == 0;
    if (!groupBox) {
      excluded.push_back(r);
      continue;
    }
    if (manager == nullptr) continue;  // without a skin's widths a group box is not left out at all
    const Integer caption = std::clamp(static_cast<Integer>(SendSkinCommand(child, scGetSkinManager)), 0, r.Height());
    const Integer left = manager->MaskLeftWidth(groupBorder);
    const Integer right = manager->MaskRightWidth(groupBorder);
    const Integer bottom = manager->MaskBottomHeight(groupBorder);
    excluded.push_back(TRect{r.Left, r.Top, r.Right, r.Top + caption});
    excluded.push_back(TRect{r.Left, r.Top, r.Left + left, r.Bottom});
    excluded.push_back(TRect{r.Right - right, r.Top, r.Right, r.Bottom});
    excluded.push_back(TRect{r.Left, r.Bottom - bottom, r.Right, r.Bottom});
  }
  CopyCacheExcluding(data, sourceRect, repaintParent, dc, clip, excluded);
}

// ---- the common receiver ----

namespace {

// The style-refresh command, which the manager's simple style sends.
constexpr Word scStyleRefresh = 13;

// The section the state of a skinned host reads (its manager's, index valid), or nil.
const TsGeneralData* SectionOfData(const TsCommonData& data) {
  const TsSkinManager* manager = data.GetSkinManager();
  if (manager == nullptr || !manager->IsValidSkinIndex(data.SectionIndex)) return nullptr;
  return &manager->gd[static_cast<size_t>(data.SectionIndex)];
}

// The section name that the simple style compares with; nothing assigns it, so it stays empty and
// matches no section ("UNKNOWN" at the least).
const AnsiString& SimpleStyleSection() {
  static const AnsiString name;
  return name;
}

void RemoveSkin(TsCommonData& data, TsSkinManager* manager) {
  if (Destroying(manager)) data.OwnSkinManager = nullptr;
  data.BorderMaskIndex = data.SectionIndex = data.TextureIndex = data.HotTextureIndex = -1;
  data.UpdatingFlag = true;
  if (data.CacheBitmap) data.CacheBitmap->SetSize(0, 0);
  TControl* host = data.HostControl;
  if (host == nullptr) return;
  if (auto* edit = dynamic_cast<TCustomEdit*>(host)) {
    if (!data.CustomColor) edit->SetColor(clWindow);
    if (!data.CustomFont) edit->Font().SetColor(clWindowText);
    if (edit->HandleAllocated()) RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  } else if (auto* windowed = dynamic_cast<TWinControl*>(host)) {
    for (int i = 0; i < windowed->ControlCount(); ++i)
      if (auto* label = dynamic_cast<TLabel*>(windowed->Controls(i))) label->Font().SetColor(clWindowText);
  }
}

// Command 19: whether the host's look depends on more than one colour (a gradient, an image, or a
// parent that must be asked anew); a see-through section passes its parent's answer on.
Integer ComplexBackgroundAnswer(const TsCommonData& data, const TsGeneralData& section) {
  if (section.Props[0].Transparency == 100 && data.HostControl != nullptr && data.HostControl->Parent() != nullptr)
    return data.ParentRepaintAnswer() & 0x7F;
  const TsGenState& normal = section.Props[0];
  return normal.GradientPercent + normal.ImagePercent > 0 || data.ParentBgState() == 1 ? 1 : 0;
}

// The parent's answer to command 21; its Color when it has no window or answers no colour.
Integer ParentBgColorAnswer(TWinControl* parent) {
  if (parent->HandleAllocated()) {
    const auto answer = static_cast<Integer>(SendSkinCommand(parent->Handle(), scGetBgColor));
    if (static_cast<Cardinal>(answer) != clSkinNoColor) return answer;
  }
  return static_cast<Integer>(ColorToRGB(parent->Color()));
}

// Command 21 for a host control.
Integer BackgroundColorAnswer(const TsCommonData& data) {
  TControl* host = data.HostControl;
  const TsGeneralData* section = data.Skinned() ? SectionOfData(data) : nullptr;
  if (section == nullptr) return static_cast<Integer>(ColorToRGB(host->Color()));
  const Integer t = section->Props[0].Transparency;
  const Integer own = section->Props[0].Color;
  if (t == 0) return own;
  TWinControl* parent = host->Parent();
  const Integer p = parent != nullptr ? ParentBgColorAnswer(parent) : static_cast<Integer>(ColorToRGB(host->Color()));
  if (t == 100) return p;
  // Each channel moves from the section's colour toward the parent's by t / 256 (not t / 100).
  const auto pc = static_cast<Cardinal>(p), sc = static_cast<Cardinal>(own);
  Cardinal out = pc & 0xFF000000u;
  for (int c = 0; c < 24; c += 8) {
    const Int64 sv = (sc >> c) & 0xFF, pv = (pc >> c) & 0xFF;
    const Int64 v = sv + static_cast<Int64>(std::floor(static_cast<double>(t * (pv - sv)) / 256.0));
    out |= static_cast<Cardinal>(std::clamp<Int64>(v, 0, 255)) << c;
  }
  return static_cast<Integer>(out);
}

void ParentBackgroundChanged(TsCommonData& data, bool redraw) {
  const bool changed = data.ParentBgState() != 0;
  data.BackgroundDirty = data.BackgroundDirty || changed;
  auto* windowed = dynamic_cast<TWinControl*>(data.HostControl);
  if (windowed == nullptr) return;
  if (redraw && windowed->HandleAllocated())
    RedrawWindow(windowed->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN);
  if (!changed) return;
  for (int i = 0; i < windowed->ControlCount(); ++i) {
    TControl* child = windowed->Controls(i);
    if (!Destroying(child)) SendSkinCommandToControl(child, scUpdateChildren);
  }
}

// Command 33 to each child: windowed ones with a window by SendMessage, the others through Perform.
void DropChildCaches(TWinControl* windowed, bool graphicToo) {
  for (int i = 0; i < windowed->ControlCount(); ++i) {
    TControl* child = windowed->Controls(i);
    auto* w = dynamic_cast<TWinControl*>(child);
    if (w != nullptr && w->HandleAllocated()) {
      SendSkinCommand(w->Handle(), scClearCache);
    } else if (graphicToo) {
      PerformCommand(child, scClearCache);
    }
  }
}

}  // namespace

bool HandleSkinCommand(TMessage& message, TsCommonData* data) {
  if (data == nullptr || message.Msg != SkinCommandMessage) return false;
  const Word command = SkinCommandOf(message.WParam);
  const bool on = SkinSwitchOf(message.WParam) == 1;
  TsSkinManager* manager = data->GetSkinManager();
  const bool ownManager = manager != nullptr && reinterpret_cast<LPARAM>(manager) == message.LParam;
  if ((command == scSetSkinSection || command == scGetSkinIndex || command == scFillBgRequest) && SentFromOtherThread())
    return true;  // swallowed unread
  switch (command) {
    case scNewSkin:
      if (!ownManager) return false;
      data->UpdateIndexes();
      data->UpdateSkinState(false);
      SkinIsChanging = false;
      return false;
    case scRemoveSkin:
      if (ownManager) RemoveSkin(*data, manager);
      return false;
    case scRefresh:
      if (!ownManager) return false;
      data->BackgroundDirty = true;
      data->SetUpdating(false);
      data->UpdateHostColors(true);
      data->UpdateSkinState(false);
      return false;
    case scIsSkinned:
      message.Result = 1;
      return true;
    case scSetUpdating:
      data->UpdatingFlag = on;
      return false;
    case scSetUrgentPainting:
      data->UrgentPaint = on;
      return false;
    case scIsUpdating:
      message.Result = data->NeedsRepaint() ? 1 : 0;
      return true;
    case scIsHalfVisible:
      message.Result = data->PartialPaint ? 1 : 0;
      return true;
    case scStyleRefresh:
      if (!SimpleStyleSection().empty() && AnsiUpperCase(data->SkinSection()) == SimpleStyleSection()) {
        SkinIsChanging = false;
        data->Invalidate(false);
      }
      return false;
    case scSetSkinSection:
      if (message.LParam != 0) data->SetSkinSection(reinterpret_cast<const TskSectionInfo*>(message.LParam)->Name);
      return false;
    case scBgChanged:
      data->BackgroundDirty = true;
      return false;
    case scParentBgNeeded:
      if (const TsGeneralData* section = data->SectionIndex >= 0 ? SectionOfData(*data) : nullptr) {
        const Integer answer = ComplexBackgroundAnswer(*data, *section);
        message.LParam = answer;
        message.Result = answer;
      }
      return true;
    case scUpdateChildren:
      ParentBackgroundChanged(*data, on);
      return false;
    case scGetBgColor:
      if (data->HostControl == nullptr) return false;
      message.Result = static_cast<LRESULT>(static_cast<Cardinal>(BackgroundColorAnswer(*data)));
      return true;
    case scSetHalfVisible:
      data->PartialPaint = true;
      return false;
    case scGetSkinIndex:
      if (message.LParam != 0) reinterpret_cast<TskSectionInfo*>(message.LParam)->Index = data->SectionIndex;
      return true;
    case scClearCache:
      if (!data->CacheBitmap) return false;
      if (auto* windowed = dynamic_cast<TWinControl*>(data->HostControl)) DropChildCaches(windowed, false);
      data->CacheBitmap->SetSize(0, 0);
      data->BackgroundDirty = true;
      data->UpdatingFlag = true;
      return false;
    case scFillBgRequest:
      if (message.LParam != 0) data->FillBgRequest(*reinterpret_cast<TskBgRequest*>(message.LParam), 0, nullptr);
      return true;
    case scGetSkinState:
      // 1 recomputes the whole subtree and answers nothing; otherwise a state never computed is first.
      if (message.LParam == 1) {
        data->UpdateSkinState(true);
      } else {
        if (data->StateBits == ssNotComputed) data->UpdateSkinState(false);
        message.Result = data->StateBits;
      }
      return true;
    case scGetCommonData:
      message.Result = reinterpret_cast<LRESULT>(data);
      return true;
    case scPrintMode:
      if (message.LParam != 0) {
        data->StateBits |= ssPrinting;
      } else {
        data->StateBits &= static_cast<Word>(~ssPrinting);
      }
      data->PrintTarget = reinterpret_cast<HDC>(message.LParam);
      return true;
    case scGetApplication:
      message.Result = reinterpret_cast<LRESULT>(Application);
      return false;
    default:
      return false;
  }
}

namespace {

// uxtheme's IsAppThemed: visual styles are in use for this application.
bool ThemesInUse() {
  using TIsAppThemed = BOOL(WINAPI*)();
  static const TIsAppThemed isAppThemed = [] {
    const HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll");
    return uxtheme == nullptr ? nullptr
                              : reinterpret_cast<TIsAppThemed>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "IsAppThemed")));
  }();
  return isAppThemed != nullptr && isAppThemed() != FALSE;
}

void SendNcPaint(TWinControl* windowed) {
  if (windowed != nullptr && windowed->HandleAllocated()) SendMessageW(windowed->Handle(), WM_NCPAINT, 0, 0);
}

bool MultiState(const TsCommonData& data) {
  const TsGeneralData* section = SectionOfData(data);
  return section != nullptr && section->States > 1;
}

}  // namespace

bool HandleControlMessage(TMessage& message, TsCommonData* data) {
  if (data == nullptr) return false;
  if (message.Msg == SkinCommandMessage) return HandleSkinCommand(message, data);
  TControl* host = data->HostControl;
  auto* windowed = dynamic_cast<TWinControl*>(host);
  const bool editLike = InKindSet(EditLikeKinds(), data->ControlKind);
  switch (message.Msg) {
    case WM_MOVE:
      if (data->ParentBgState() == 1) {
        data->BackgroundDirty = true;
        if (host != nullptr) host->Perform(SkinCommandMessage, SkinCommandWParam(scUpdateChildren, 1), 0);
      }
      data->CloseGlow();
      return false;
    case WM_SIZE:
      if (data->Skinned()) {
        data->BackgroundDirty = true;
        const TsGeneralData* section = SectionOfData(*data);
        // Our controls anchor to the left and top only: every child follows a gradient's new size.
        if (windowed != nullptr && section != nullptr && section->Props[0].GradientPercent > 0)
          for (int i = 0; i < windowed->ControlCount(); ++i) {
            TControl* child = windowed->Controls(i);
            if (!Destroying(child)) child->Perform(SkinCommandMessage, SkinCommandWParam(scUpdateChildren, 1), 0);
          }
      }
      data->CloseGlow();
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      if (windowed == nullptr || !windowed->CanFocus() || !windowed->TabStop()) return false;
      const bool focused = message.Msg == WM_SETFOCUS;
      data->BackgroundDirty = true;
      data->FocusFlag = focused;
      const bool redraw = focused ? data->Skinned() && editLike && MultiState(*data) : editLike && windowed->Visible();
      if (redraw && windowed->HandleAllocated())
        RedrawWindow(windowed->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      return false;
    }
    case WM_FONTCHANGE:
    case CM_ENABLEDCHANGED:
      data->MouseInside = false;
      data->FocusFlag = false;
      if (host != nullptr && !host->Enabled()) data->CloseGlow();
      return false;
    case WM_UPDATEUISTATE:
      if (data->Skinned()) return true;
      if (windowed != nullptr && windowed->HandleAllocated() && SetWindowThemeProc != nullptr && ThemesInUse())
        SetWindowThemeProc(windowed->Handle(), nullptr, nullptr);
      return false;
    case WM_PARENTNOTIFY:
      if (windowed != nullptr && LOWORD(message.WParam) == WM_CREATE) NotifyParentForm(host);
      return false;
    case CM_VISIBLECHANGED:
      if (host == nullptr || Destroying(host) || !data->CacheBitmap) return false;
      if (message.WParam != 0) {
        data->SetUpdating(false);
      } else {
        data->CacheBitmap->SetSize(0, 0);
        if (windowed != nullptr) DropChildCaches(windowed, true);
      }
      data->BackgroundDirty = true;
      return false;
    case CM_MOUSEENTER:
      if (host != nullptr && host->ComponentState().Contains(csDesigning)) return false;
      if (!data->Skinned()) return false;
      if (!InKindSet(NoHotTrackKinds(), data->ControlKind)) data->MouseInside = true;
      if (windowed != nullptr && TsSkinManager::DefaultManager() != nullptr) {
        TsSkinManager::DefaultManager()->SetActiveControl(windowed);
        if (KindShowsGlow(data->ControlKind)) data->ShowGlow(false);
        if (editLike && MultiState(*data)) {
          data->BackgroundDirty = true;
          SendNcPaint(windowed);
        }
      }
      return false;
    case CM_MOUSELEAVE:
      if (host != nullptr && host->ComponentState().Contains(csDesigning)) return false;
      if (!data->Skinned()) return false;
      if (!InKindSet(NoHotTrackKinds(), data->ControlKind)) data->MouseInside = false;
      if (KindShowsGlow(data->ControlKind)) data->CloseGlow();
      if (windowed != nullptr && windowed->Visible() && editLike) {
        data->BackgroundDirty = true;
        SendNcPaint(windowed);
      }
      return false;
    case CM_SHOWINGCHANGED:
      if (host != nullptr && host->Visible()) data->AfterHostLoaded();
      return false;
    case WM_CONTEXTMENU:
      HookContextMenu(host, data->GetSkinManager());
      return false;
    default:
      return false;
  }
}

bool SentFromOtherThread() { return (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0; }
