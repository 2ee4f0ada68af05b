#include "skin/forms/sSkinProvider.h"

#include "skin/forms/skTitleBar.h"
#include "skin/manager/sMDIForm.h"

#include "skin/adapters/skSBMainWnd.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/skntSystem.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/sStyleSimply.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/rtl/CommandLine.h"
#include "vcl/rtl/Exceptions.h"

bool PreviewFlag = false;

TComponent* TsSkinProvider::FormOwner(TComponent* owner) {
  if (dynamic_cast<TCustomForm*>(owner) == nullptr) throw EAbort("TsSkinProvider component may be used with forms only!");
  return owner;
}

TsSkinProvider::TsSkinProvider(TComponent* owner, bool runTimeCreated) : TComponent(FormOwner(owner)) {
  PreviewFlag = ParamCount() > 0 && ParamStr(1) == "/skpreview";
  TCustomForm* form = static_cast<TCustomForm*>(owner);
  Form = form;
  if (Designing() || form->ComponentState().Contains(csDesigning)) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      if (form->Components(i) != this && dynamic_cast<TsSkinProvider*>(form->Components(i)) != nullptr) {
        Form = nullptr;
        throw EAbort("Only one instance of the TsSkinProvider component is allowed!");
      }
    }
  } else {
    auto* other = reinterpret_cast<TsSkinProvider*>(form->Perform(SkinCommandMessage, SkinCommandWParam(scGetProvider), 0));
    if (other != nullptr && other != this) {
      if (other->RunTimeCreated) {
        delete other;  // the streamed provider takes over; the form gets its own procedure back first
      } else {
        EmptyProvider = true;
      }
    }
  }

  RunTimeCreated = runTimeCreated;
  skinData_ = std::make_unique<TsCommonData>(this);
  skinData_->SetSkinSection("FORM");
  skinData_->ControlKind = 224;
  if (!form->ControlState().Empty()) skinData_->SetUpdating(true);

  addedTitle_ = std::make_unique<TskAddedTitle>(this);
  AeroAtCreation = AeroIsEnabled();
  titleIcon_ = std::make_unique<TsTitleIcon>(this);
  titleButtons_ = std::make_unique<TsTitleButtons>(this);

  if (!Designing() && !EmptyProvider) {
    TitleBgBmp = std::make_unique<TBitmap>();
    MenuBarBmp = std::make_unique<TBitmap>();
    MenuBarBmp->SetPixelFormat(pf32bit);
    ClearButtons = true;
    MenuRowCount = -1;
    savedWindowProc_ = form->WindowProc();
    ownWindowProc_ = TWndMethod(this, &TsSkinProvider::FormWndProc);
    form->SetWindowProc(ownWindowProc_);
    hooked_ = true;
    if (auto* plain = dynamic_cast<TForm*>(form)) AddSkinnedForm(plain);
    DrawnActive = true;
  }
}

TsSkinProvider* TsSkinProvider::CreateRunTime(TCustomForm* form) {
  auto* provider = New<TsSkinProvider>(form, true);
  // The form's last title bar becomes the provider's.
  for (int i = form->ComponentCount() - 1; i >= 0; --i) {
    if (auto* bar = dynamic_cast<TsTitleBar*>(form->Components(i))) {
      provider->titleBar_ = bar;
      break;
    }
  }
  return provider;
}

// Only the provider that hooked the form gives the procedure back and leaves the skinned-form list: an
// inert second provider installed neither, and the form's procedure is still the other provider's.
TsSkinProvider::~TsSkinProvider() {
  MinMaxTimer.reset();  // its animation window may be the border window
  MDIHelper.reset();
  if (MDIFrameProvider == this) MDIFrameProvider = nullptr;
  if (ActiveMDIChildProvider == this) ActiveMDIChildProvider = nullptr;
  KillCaptForm();
  ReleaseTitleItems();
  if (mdiIcons_) mdiIcons_->SetWindowProc(mdiIconsProc_);
  mdiIcons_.reset();
  BorderForm.reset();
  FreeAdapter(ClientScrollAdapter);  // it sits on top of the provider in the form's WindowProc
  if (hooked_ && Form != nullptr) {
    if (auto* plain = dynamic_cast<TForm*>(Form)) RemoveSkinnedForm(plain);
    if (Form->WindowProc() == ownWindowProc_) Form->SetWindowProc(savedWindowProc_);
    hooked_ = false;
  }
  controlAdapter_.reset();
}

void TsSkinProvider::AfterConstruction() {
  TComponent::AfterConstruction();
  TsSkinManager* manager = Manager();
  if (EmptyProvider || RunTimeCreated || manager == nullptr || !manager->Active() || Designing()) return;
  InitializeSkin();
}

void TsSkinProvider::Loaded() {
  TComponent::Loaded();
  if (EmptyProvider || RunTimeCreated || Manager() == nullptr || Designing() || !FormSkinned()) return;
  PrepareForm();
}

void TsSkinProvider::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (skinData_ == nullptr) return;
  if (auto* manager = dynamic_cast<TsSkinManager*>(component)) {
    if (operation == opInsert && skinData_->OwnSkinManager == nullptr) {
      skinData_->SetSkinManager(manager);
    } else if (operation == opRemove && skinData_->OwnSkinManager == manager) {
      skinData_->OwnSkinManager = nullptr;
    }
  }
  if (operation == opRemove && component == SkinSysMenu) SkinSysMenu = nullptr;
  if (auto* bar = dynamic_cast<TsTitleBar*>(component)) {
    if (operation == opInsert && titleBar_ == nullptr) titleBar_ = bar;
    if (operation == opRemove) titleBar_ = nullptr;
  }
  if (operation == opInsert && controlAdapter_ != nullptr) {
    auto* control = dynamic_cast<TWinControl*>(component);
    if (control != nullptr && controlAdapter_->IsAdaptable(control)) controlAdapter_->AddNewControl(control);
  }
}

bool TsSkinProvider::FormShowing() const {
  return Form != nullptr && Form->HandleAllocated() && Form->Visible() &&
         !Form->ComponentState().Contains(csDestroying);
}

// ---- published properties ----

void TsSkinProvider::SetCaptionAlignment(TAlignment value) {
  if (value == captionAlignment_) return;
  captionAlignment_ = value;
  skinData_->BackgroundDirty = true;
  if (FormShowing() && !Designing() && FormSkinned()) RepaintFrame();
}

void TsSkinProvider::SetShowAppIcon(bool value) {
  if (value == showAppIcon_) return;
  showAppIcon_ = value;
  skinData_->BackgroundDirty = true;
  if (FormShowing()) SendMessageW(Form->Handle(), WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetUseGlobalColor(bool value) {
  if (value == useGlobalColor_) return;
  useGlobalColor_ = value;
  ApplyGlobalColor();
}

void TsSkinProvider::ApplyGlobalColor() {
  if (Form == nullptr) return;
  TsSkinManager* manager = Manager();
  if (FormSkinned() && manager != nullptr && useGlobalColor_ && !skinData_->CustomColor) {
    Form->SetColor(manager->GetGlobalColor());
  } else {
    Form->SetColor(clBtnFace);
  }
}

void TsSkinProvider::SetTitleSkin(const AnsiString& value) {
  if (value == titleSkin_) return;
  titleSkin_ = value;
  TitleSectionIndex = -1;
  skinData_->BackgroundDirty = true;
  if (FormShowing()) SendMessageW(Form->Handle(), WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetMenuLineSkin(const AnsiString& value) {
  if (value == menuLineSkin_) return;
  menuLineSkin_ = value;
  if (Designing()) skinData_->Invalidate();
}

void TsSkinProvider::SetAllowExtBorders(bool value) {
  if (value == allowExtBorders_) return;
  allowExtBorders_ = value;
  if (LoadingOrDesigning()) return;
  skinData_->BackgroundDirty = true;
  if (Form != nullptr && Form->HandleAllocated())
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TsSkinProvider::SetDrawNonClientArea(bool value) {
  if (value == drawNonClientArea_) return;
  drawNonClientArea_ = value;
  if (Designing() || Form == nullptr) return;
  if (value) {
    SetSysMenuStyle(true);
    if (FormShowing() && FormSkinned()) {
      skinData_->BackgroundDirty = true;
      RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
    }
    return;
  }
  if (Form->HandleAllocated() && SetWindowThemeProc != nullptr) SetWindowThemeProc(Form->Handle(), nullptr, nullptr);
  SetSysMenuStyle(true);  // WS_SYSMENU back for a form with a system menu icon
  if (FormShowing()) SetWindowRgn(Form->Handle(), nullptr, TRUE);
}

// ---- skin set-up ----

Integer TsSkinProvider::ResolveTitleSection() const {
  TsSkinManager* manager = Manager();
  if (manager == nullptr) return -1;
  const Integer index = titleSkin_.empty() ? -1 : manager->GetSkinIndex(titleSkin_);
  return index >= 0 ? index : manager->GetSkinIndex("FORMTITLE");
}

void TsSkinProvider::InitializeSkin() {
  TsSkinManager* manager = Manager();
  if (RunTimeCreated || EmptyProvider || manager == nullptr || Form == nullptr || !Form->HandleAllocated() ||
      !manager->SkinData.Active)
    return;
  skinData_->UpdateIndexes();
  if (SkinSysMenu == nullptr) {
    SkinSysMenu = New<TsSystemMenu>(this, Form);
    SkinSysMenu->UpdateItems(false);
  }
  SetSysMenuStyle(true);
  if (ClearButtons) ClearButtons = false;
  if (Form->FormStyle() == fsMDIForm) HookMDI(true);  // the MDI frame's companion
  TitleSectionIndex = ResolveTitleSection();
  CaptionSectionIndex = manager->GetSkinIndex("CAPTION");
  InitTitleButtonMasks();
  RegionChanged = CaptionChanged = CaptionRegionChanged = true;
  const bool beingMade = Form->ControlState().Contains(csCreating) ||
                         Form->ControlState().Contains(csReadingState) ||
                         Form->ComponentState().Contains(csLoading) || ComponentState().Contains(csLoading);
  if (!beingMade && useGlobalColor_ && !skinData_->CustomColor) Form->SetColor(manager->GetGlobalColor());
}

void TsSkinProvider::PrepareForm() {
  if (Form != nullptr && Form->HandleAllocated()) DisableDwmTransitions(Form->Handle(), drawNonClientArea_);
  InitializeSkin();
  if (SkinSysMenu != nullptr) SkinSysMenu->UpdateItems(false);
  if (controlAdapter_ == nullptr) NewControlAdapter();
  if (TsSkinManager* manager = Manager()) {
    const Integer mask = manager->GetMaskIndexByNames("GLOBALINFO", "TITLEBUTTON");
    for (int i = 0; i < titleButtons_->Count(); ++i) {
      TsTitleButton* button = titleButtons_->Items(i);
      button->MaskIndex = button->UseSkinData() ? mask : -1;
    }
  }
  if (Form != nullptr && Form->BorderStyle() == bsSizeToolWin) {
    AllowBlendOnMoving = false;
    SetUseGlobalColor(true);
  }
}

void TsSkinProvider::SetSysMenuStyle(bool on) {
  if (Form == nullptr || !Form->HandleAllocated()) return;
  const HWND window = Form->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const bool systemMenu = Form->BorderIcons().Contains(biSystemMenu);
  if (on) {
    if (drawNonClientArea_) {
      if ((style & WS_SYSMENU) != 0) SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    } else if (systemMenu && (style & WS_SYSMENU) == 0) {
      SetWindowLongPtrW(window, GWL_STYLE, style | WS_SYSMENU);
    }
    return;
  }
  if (!systemMenu) return;
  SetWindowLongPtrW(window, GWL_STYLE, style | WS_SYSMENU);
  const LRESULT icon = SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
  SendMessageW(window, WM_SETICON, ICON_SMALL, icon);
}

bool TsSkinProvider::WantsExtBorders(bool flag) const {
  if (!flag || Form == nullptr || !drawNonClientArea_ || !allowExtBorders_ || Form->Parent() != nullptr) return false;
  if (Form->BorderStyle() == bsNone || Form->FormStyle() == fsMDIChild) return false;
  const bool zoomed = Form->HandleAllocated() ? IsZoomed(Form->Handle()) != FALSE : Form->WindowState() == wsMaximized;
  return !zoomed || !NoExtBordersOnMaximized;
}

void TsSkinProvider::RepaintFrame() {
  if (Form == nullptr || !Form->HandleAllocated() || ProviderAnimating() || !drawNonClientArea_) return;
  if (!IsWindowVisible(Form->Handle()) || Form->ControlState().Contains(csDestroyingHandle) || !FormSkinned()) return;
  if (Form->FormStyle() == fsMDIChild && MDIFrameProvider != nullptr && MDIFrameProvider != this &&
      IsZoomed(Form->Handle())) {
    // A maximized child has no frame of its own: its title is the frame's.
    TsSkinProvider& frame = *MDIFrameProvider;
    if (frame.Form == nullptr || !frame.Form->HandleAllocated()) return;
    frame.skinData_->BackgroundDirty = true;
    const HWND window = frame.Form->Handle();
    if (const HDC dc = GetWindowDC(window)) {
      frame.PaintNonClientToDC(dc);
      ReleaseDC(window, dc);
    }
    return;
  }
  skinData_->BackgroundDirty = true;
  if (RepaintThroughBorderWindow(true)) return;  // a border window exists only while the form shows
  SendToSelf(WM_NCPAINT, 1, 0);
}

Integer TsSkinProvider::ClientOffsetX() const { return FrameClientOffsetX(FrameInput()); }

Integer TsSkinProvider::ClientOffsetY() const { return FrameClientOffsetY(FrameInput()); }

TPoint TsSkinProvider::FormScreenOrigin() const {
  if (Form == nullptr || !Form->HandleAllocated()) return TPoint{0, 0};
  RECT window{};
  GetWindowRect(Form->Handle(), &window);
  return TPoint{window.left, window.top};
}

TPoint TsSkinProvider::ScreenToFormPoint(Integer x, Integer y) const {
  const TPoint origin = FormScreenOrigin();
  return TPoint{x - origin.X, y - origin.Y};
}
