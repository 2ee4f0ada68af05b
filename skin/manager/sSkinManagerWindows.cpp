// The skin manager's dealings with windows: telling every form to take, drop or repaint the skin, the
// control under the mouse, the thread's CBT hook, the hook on the application's main window and the
// skin an external skin editor sends.
#include <windows.h>

#include <utility>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSystemAnimation.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/sStyleSimply.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/Strings.h"

bool SkinUpdating = false;
bool SkinRemoving = false;

namespace {

LRESULT CALLBACK PassOnHook(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

HOOKPROC& HookProcedure() {
  static HOOKPROC procedure = PassOnHook;
  return procedure;
}

TskHookRelease& HookRelease() {
  static TskHookRelease release = nullptr;
  return release;
}

// WM_COPYDATA's wParam from the external skin editor.
constexpr WPARAM kSkinTransferCopyData = 7;

TMessage SkinMessage(Word command, const TsSkinManager* manager) {
  return TMessage{SkinCommandMessage, SkinCommandWParam(command), reinterpret_cast<LPARAM>(manager), 0};
}

bool Destroying(const TComponent* c) { return c->ComponentState().Contains(csDestroying); }

void SendToForm(TCustomForm* form, const TMessage& message) {
  if (!form->HandleAllocated()) return;
  SendMessageW(form->Handle(), message.Msg, message.WParam, message.LParam);
  BroadcastToChildControls(form, message);
}

// Sets a global flag for a scope and puts the previous value back.
class TFlagSet {
 public:
  TFlagSet(bool& flag, bool value) : flag_(flag), previous_(flag) { flag_ = value; }
  ~TFlagSet() { flag_ = previous_; }
  TFlagSet(const TFlagSet&) = delete;
  TFlagSet& operator=(const TFlagSet&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

// The forms captured for an animated change are released on every way out of the scope.
class TFrozenForms {
 public:
  TFrozenForms(TsSkinManager& manager, bool capture) : manager_(manager), captured_(capture) {
    if (captured_) CaptureFormsBeforeRefresh(manager_);
  }
  ~TFrozenForms() {
    if (captured_) ReleaseFormsAfterRefresh(manager_, true);
  }
  TFrozenForms(const TFrozenForms&) = delete;
  TFrozenForms& operator=(const TFrozenForms&) = delete;

 private:
  TsSkinManager& manager_;
  bool captured_;
};

// The visible windows of the hooked-window list that broadcasts reach.
std::vector<HWND> VisibleHookedWindows() {
  std::vector<HWND> windows;
  for (const TskHookedWindow* hooked : HookedWindows())
    if (hooked != nullptr && hooked->CtrlHandle != nullptr && IsWindowVisible(hooked->CtrlHandle))
      windows.push_back(hooked->CtrlHandle);
  return windows;
}

}  // namespace

HOOKPROC SetSkinHookProcedure(HOOKPROC procedure) {
  const HOOKPROC previous = HookProcedure();
  HookProcedure() = procedure != nullptr ? procedure : PassOnHook;
  return previous;
}

TskHookRelease SetSkinHookRelease(TskHookRelease release) {
  return std::exchange(HookRelease(), release);
}

std::vector<TskHookedWindow*>& HookedWindows() {
  static std::vector<TskHookedWindow*> windows;
  return windows;
}

void FreeHookedWindows() {
  if (const TskHookRelease release = HookRelease(); release != nullptr) release();
  // The list is taken first: a freed entry looks for itself in the list to clear its place.
  std::vector<TskHookedWindow*> entries = std::move(HookedWindows());
  HookedWindows().clear();
  for (TskHookedWindow* entry : entries)
    if (entry != nullptr) entry->FreeHooked();
}

void BroadcastToForms(const TMessage& message) {
  if (Application != nullptr) {
    // Last to first: a receiver may free a form, and the walk re-reads the count each round.
    for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
      if (i >= Application->ComponentCount()) continue;
      auto* form = dynamic_cast<TForm*>(Application->Components(i));
      if (form == nullptr || Destroying(form) || form->ComponentState().Contains(csLoading)) continue;
      // Skinned forms are reached through the skinned-form list below.
      if (form->HandleAllocated() && WindowIsSkinned(form->Handle())) continue;
      SendToForm(form, message);
    }
  }
  const std::vector<TForm*> skinned = SkinnedForms();  // a receiver may change the list
  for (TForm* form : skinned)
    if (!Destroying(form)) SendToForm(form, message);
  const std::vector<HWND> hooked = VisibleHookedWindows();  // a receiver may change the list
  for (HWND window : hooked) SendMessageW(window, message.Msg, message.WParam, message.LParam);
}

bool WaitForSkinChangeAnimation(Cardinal milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (SkinChangeAnimating) {
    if (GetTickCount64() >= deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (SkinChangeAnimating) Sleep(5);
  }
  return true;
}

// ---- refresh, removal and repaint ----

void TsSkinManager::RefreshAllWindows(bool animated) {
  if (LoadingDefinition()) return;
  // Glows hold mask indexes of the skin they were opened with.
  CloseAllGlowEffects(true);
  // The forms frozen here are released at the end even when the repaint below does not run.
  TFrozenForms frozen(*this, animated && !Designing());
  SkinData.Active = false;
  menus_->ResetSkinBorderWidth();
  {
    TFlagSet updating(SkinUpdating, true);
    UpdateCommonIndexes();
    if (notifier_ != nullptr)
      notifier_->RefreshAllWindows(*this, animated);
    else
      BroadcastToForms(SkinMessage(scNewSkin, this));
  }
  SkinData.Active = hasSkin_;
  if (IsDefault()) menus_->SyncActive();
  if (DefaultManager() == this && !SkinHookInstalled() && !Designing()) InstallHook();
  if (animated) RepaintAllWindows(false);
}

void TsSkinManager::RemoveSkinFromAllWindows() {
  TFlagSet removing(SkinRemoving, true);
  CloseAllGlowEffects(true);
  RemoveHook();
  SkinData.Active = false;
  if (IsDefault()) menus_->SyncActive();
  ClearMenuItemDataList();
  if (notifier_ != nullptr)
    notifier_->RemoveSkinFromAllWindows(*this);
  else
    BroadcastToForms(SkinMessage(scRemoveSkin, this));
  ma.clear();
  pa.clear();
  gd.clear();
  MasterBitmap.reset();
  hasSkin_ = false;
  UpdateCommonIndexes();
}

void TsSkinManager::RepaintAllWindows(bool animated) {
  BroadcastToForms(SkinMessage(scBeforeRefresh, this));
  {
    TFrozenForms frozen(*this, animated && !LoadingDefinition());
    BroadcastToForms(SkinMessage(scRefresh, this));
  }
  for (HWND window : VisibleHookedWindows())
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

// ---- the control under the mouse ----

// A hot control that is freed is forgotten (Notification).
void TsSkinManager::SetHot(TControl*& slot, TControl* control) {
  slot = control;
  if (control != nullptr) FreeNotification(control);
}

void TsSkinManager::SetActiveControl(TControl* control) {
  if (hotWindow_ != nullptr) {
    const HWND old = hotWindow_;
    hotWindow_ = nullptr;
    SendSkinCommand(old, scMouseLeave, reinterpret_cast<LPARAM>(this));
  }
  if (control == hotControl_) return;
  if (hotControl_ != nullptr && hotGraphControl_ != nullptr) {
    SetActiveGraphControl(nullptr);
    if (hotGraphControl_ != nullptr) return;
  }
  TControl* old = hotControl_;
  SetHot(hotControl_, control);
  if (old != nullptr) SendSkinCommandToControl(old, scMouseLeave, reinterpret_cast<LPARAM>(this));
  if (control != nullptr) SendSkinCommandToControl(control, scMouseEnter, reinterpret_cast<LPARAM>(this));
}

void TsSkinManager::SetActiveControl(HWND window) {
  if (window == nullptr) {
    SetActiveControl(static_cast<TControl*>(nullptr));
    return;
  }
  if (window == hotWindow_) return;
  if (TWinControl* control = FindControl(window)) {
    SetActiveControl(control);
    return;
  }
  SetActiveControl(static_cast<TControl*>(nullptr));
  if (hotControl_ != nullptr) return;  // a hot graphic control the mouse is still over stays
  hotWindow_ = window;
  SendSkinCommand(window, scMouseEnter, reinterpret_cast<LPARAM>(this));
}

HWND TsSkinManager::ActiveWindow() const {
  if (hotWindow_ != nullptr) return hotWindow_;
  auto* windowed = dynamic_cast<TWinControl*>(hotControl_);
  return windowed != nullptr && windowed->HandleAllocated() ? windowed->Handle() : nullptr;
}

void TsSkinManager::SetActiveGraphControl(TControl* control) {
  if (control == hotGraphControl_) return;
  if (control == nullptr && hotGraphControl_ != nullptr) {
    // A control the mouse is still over stays hot.
    const auto* data = reinterpret_cast<const TsCommonData*>(SendSkinCommandToControl(hotGraphControl_, scGetCommonData));
    if (data != nullptr && data->MouseInside) return;
  }
  TControl* old = hotGraphControl_;
  SetHot(hotGraphControl_, control);
  if (control != nullptr) {
    hotControl_ = nullptr;
    if (const HWND window = std::exchange(hotWindow_, nullptr); window != nullptr)
      SendSkinCommand(window, scMouseLeave, reinterpret_cast<LPARAM>(this));
  }
  if (old != nullptr) SendSkinCommandToControl(old, scMouseLeave, reinterpret_cast<LPARAM>(this));
}

void TsSkinManager::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == hotControl_) hotControl_ = nullptr;
  if (component == hotGraphControl_) hotGraphControl_ = nullptr;
}

// ---- the CBT hook ----

void TsSkinManager::InstallHook() {
  if (skinHook_ != nullptr || Designing() || DefaultManager() != this) return;
  skinHook_ = SetWindowsHookExW(WH_CBT, HookProcedure(), nullptr, GetCurrentThreadId());
}

void TsSkinManager::RemoveHook() {
  if (skinHook_ == nullptr) return;
  UnhookWindowsHookEx(skinHook_);
  skinHook_ = nullptr;
  FreeHookedWindows();
}

// ---- the application's main window ----

namespace {

// The main form's provider while the main form has a window.
TsSkinProvider* MainFormProvider() {
  TCustomForm* main = Application->MainForm();
  if (main == nullptr || !main->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(main->Handle(), scGetProvider));
}

// The main form fades out once while the application ends, when the manager's FormHide effect has a
// time and the form's provider paints its frame and allows animations.
void HideMainFormAtExit(TsSkinManager& manager) {
  // Once per application's end (a test may end several applications).
  static const TApplication* endedApplication = nullptr;
  static const TCustomForm* hidden = nullptr;
  if (endedApplication != Application) {
    endedApplication = Application;
    hidden = nullptr;
  }
  TCustomForm* main = Application->MainForm();
  const TskFormHide& effect = *manager.AnimEffects().FormHide;
  if (main == nullptr || main == hidden || !effect.Active || effect.Time == 0 || !main->HandleAllocated() ||
      !IsWindowVisible(main->Handle()))
    return;
  TsSkinProvider* provider = MainFormProvider();
  if (provider == nullptr || !provider->DrawNonClientArea() || !provider->AllowAnimation) return;
  hidden = main;
  StartFormHideAnimation(*provider);
}

// WM_DWMSENDICONICTHUMBNAIL and WM_DWMSENDICONICLIVEPREVIEWBITMAP.
constexpr UINT kIconicThumbnailRequest = 0x323, kLivePreviewRequest = 0x326;

}  // namespace

// The application minimises its main form: with the Minimizing effect the provider's animation starts
// first; without composition the form is minimised here, with the system's own animation off.
bool TsSkinManager::MinimizeMainForm() {
  TCustomForm* main = Application->MainForm();
  if (!SkinData.Active || main == nullptr || !main->HandleAllocated()) return false;
  const HWND window = main->Handle();
  TsSkinProvider* provider = MainFormProvider();
  if (IsIconic(window) != FALSE || IsWindowVisible(window) == FALSE || provider == nullptr) return false;
  if (!AnimEffects().Minimizing->Active) {
    provider->BorderForm.reset();
    return false;
  }
  if (provider->DrawNonClientArea()) provider->StartMinimizeAnimation();
  if (AeroIsEnabled()) return false;
  TSystemAnimationOff off;
  Application->Minimize();
  return true;
}

// The application restores its main form: the picture flies back when the form minimised with the
// animation; the form comes back with the system's own animation off.
bool TsSkinManager::RestoreMainForm() {
  TCustomForm* main = Application->MainForm();
  if (!SkinData.Active || main == nullptr || !main->HandleAllocated() || IsIconic(main->Handle()) == FALSE) return false;
  if (TsSkinProvider* provider = MainFormProvider()) provider->StartRestoreAnimation();
  TSystemAnimationOff off;
  Application->Restore();
  return true;
}

bool TsSkinManager::SendMainFormIconic(TMessage& message) {
  TsSkinProvider* provider = MainFormProvider();
  if (provider == nullptr || !AeroIsEnabled()) return false;
  const HWND window = Application->MainForm()->Handle();
  if (message.Msg == kLivePreviewRequest) {
    message.Result = SendIconicLivePreview(window, *provider) ? 1 : 0;
  } else {
    const Integer width = HIWORD(message.LParam), height = LOWORD(message.LParam);
    message.Result = width != 0 && height != 0 && SendIconicThumbnail(window, *provider, width, height) ? 1 : 0;
  }
  return true;
}

bool TsSkinManager::MainWindowHook(TMessage& message) {
  switch (message.Msg) {
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
      // Hidden at the end of the run: an animated skin change still under way finishes first, but the
      // program never waits for it for long.
      if (pos != nullptr && (pos->flags & SWP_HIDEWINDOW) != 0 && Application->Terminated()) {
        HideMainFormAtExit(*this);
        WaitForSkinChangeAnimation(2000);
      }
      return false;
    }
    case WM_THEMECHANGED:
      return true;  // the skin, not the system theme, decides the look
    case WM_SKINMENUITEMBORDER:
    case WM_SKINMENUWINDOWBORDER:
      if (!skinnedPopups_) return false;
      return menus_->HandleApplicationMessage(message);
    case WM_SYSCOMMAND:
      if ((message.WParam & 0xFFF0) == SC_MINIMIZE) return MinimizeMainForm();
      if ((message.WParam & 0xFFF0) == SC_RESTORE) return RestoreMainForm();
      return false;
    case kIconicThumbnailRequest:
    case kLivePreviewRequest:
      return SendMainFormIconic(message);
    case CM_ACTIVATE:
      if (Screen != nullptr)
        for (int i = 0; i < Screen->CustomFormCount(); ++i) {
          TCustomForm* form = Screen->CustomForms(i);
          if (form->HandleAllocated()) SendSkinCommand(form->Handle(), scRepaintNow);
        }
      return false;
    default:
      return false;
  }
}

// ---- the skin transfer ----

void TsSkinManager::ReceiveSkinByCopyData(TMessage& message) {
  if (message.Msg != WM_COPYDATA || message.WParam != kSkinTransferCopyData) return;
  const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(message.LParam);
  if (copy == nullptr) return;
  const std::optional<TsSkinTransfer> transfer = ReadSkinTransferBlock(copy->lpData, copy->cbData);
  if (!transfer) return;

  SkinTransferred = true;
  TStringList options;
  options.SetCaseSensitive(true);
  options.SetText(transfer->Options);
  {
    TFlagSet manual(ManualUpdate, true);
    const TStrings* previous = TransferOptions;
    TransferOptions = &options;
    try {
      SetSkinDirectory(transfer->Directory);
      SetSkinName(transfer->Name);
    } catch (...) {
      TransferOptions = previous;
      throw;
    }
    TransferOptions = previous;
  }
  TFlagSet noAnimation(AnimEffects().SkinChanging->Active, false);
  RefreshAllWindows(true);
  message.Result = 1;
}
