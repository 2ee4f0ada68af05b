#include "vcl/gui/Application.h"

#include <algorithm>
#include <exception>

#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/HintWindow.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/ExceptionHandler.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// The process's Application and Screen exist before main runs, as the library's do; they are not
// freed at exit (DoneApplication frees the forms).
struct GlobalObjects {
  GlobalObjects() {
    Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
  }
} gGlobalObjects;

const wchar_t kApplicationClass[] = L"TApplication";
const wchar_t kApplicationProp[] = L"QuillnoteApplication";
constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;

LRESULT CALLBACK ApplicationWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* app = static_cast<TApplication*>(GetPropW(window, kApplicationProp));
  if (app == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  app->MainWndProc(m);
  return m.Result;
}

const wchar_t* Wide(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner), icon_(std::make_unique<TIcon>()) {
  title_ = Utf16ToCp1250(ChangeFileExt(ExtractFileName(os::ExecutablePath()), WideString()));
  // Errors of the portable layers (a dataset's data events) are reported like the GUI's own.
  InstallExceptionHandler(this, [this](TObject* sender) { HandleException(sender); });
  // The program's own icon, when its executable carries one under the usual name.
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (FindResourceW(instance, L"MAINICON", RT_GROUP_ICON) != nullptr)
    icon_->LoadFromResourceName(instance, "MAINICON");
}

TApplication::~TApplication() {
  RemoveExceptionHandler(this);
  try {
    StopHintTimer();
    DestroyComponents();
  } catch (...) {
  }
  hintWindow_ = nullptr;
  mainForm_ = nullptr;
  DestroyHandle();
}

void TApplication::DestroyHandle() {
  if (handle_ == nullptr) return;
  RemovePropW(handle_, kApplicationProp);
  DestroyWindow(handle_);
  handle_ = nullptr;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  Handle();
}

HWND TApplication::Handle() {
  if (handle_ != nullptr) return handle_;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kApplicationClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ApplicationWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kApplicationClass;
    if (RegisterClassExW(&wc) == 0) os::RaiseLastOSError();
  }
  const WideString title = Cp1250ToUtf16(title_);
  // Never shown: it owns the forms (which therefore stay above it) and receives the application's
  // own messages.
  handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationClass, Wide(title),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, instance, nullptr);
  if (handle_ == nullptr) os::RaiseLastOSError();
  SetPropW(handle_, kApplicationProp, this);
  return handle_;
}

void TApplication::SetTitle(const AnsiString& value) {
  title_ = value;
  if (handle_ != nullptr) SetWindowTextW(handle_, Wide(Cp1250ToUtf16(value)));
}

AnsiString TApplication::ExeName() const { return Utf16ToCp1250(os::ExecutablePath()); }

void TApplication::SetMainFormAfterCreate(TComponent* component) {
  auto* form = dynamic_cast<TCustomForm*>(component);
  if (mainForm_ != nullptr || form == nullptr) return;
  mainForm_ = form;
  if (form->HandleAllocated()) {
    // Made before it was known to be the main form: it gets its taskbar button now.
    HWND window = form->Handle();
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  } else {
    form->HandleNeeded();
  }
}

// ---- the message loop ----

void TApplication::Run() {
  if (mainForm_ == nullptr) return;
  if (showMainForm_) mainForm_->Show();
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!terminated_);
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ProcessMessages() {
  MSG message;
  while (ProcessMessage(message)) {
  }
}

void TApplication::HandleMessage() {
  MSG message;
  if (!ProcessMessage(message)) Idle();
}

bool TApplication::ProcessMessage(MSG& message) {
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(message, handled);
  if (handled) return true;
  IsHintMsg(message);
  if (IsKeyMsg(message)) return true;
  TranslateMessage(&message);
  DispatchMessageW(&message);
  return true;
}

void TApplication::Idle() {
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleException(this);
  }
  // Bitmaps keep their memory DCs while in use; an idle program gives them back to the system.
  if (done) TBitmap::FreeMemoryContexts();
  if (done) WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  HWND window = GetCapture();
  if (window == nullptr) window = message.hwnd;
  while (window != nullptr && FindControl(window) == nullptr) window = GetParent(window);
  if (window == nullptr) return false;
  return SendMessageW(window, CN_BASE + message.message, message.wParam, message.lParam) != 0;
}

bool TApplication::IsShortCut(const TWMKey& message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(message, handled);
  if (handled) return true;
  return mainForm_ != nullptr && mainForm_->HandleAllocated() && IsWindowEnabled(mainForm_->Handle()) &&
         mainForm_->IsShortCut(message);
}

// ---- the application window ----

void TApplication::MainWndProc(TMessage& message) noexcept {
  try {
    WndProc(message);
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::WndProc(TMessage& m) {
  for (const TWindowHook& hook : std::vector<TWindowHook>(hooks_))
    if (hook(m)) return;
  switch (m.Msg) {
    case WM_TIMER:
      if (m.WParam == kHintShowTimer) {
        StopHintTimer();
        ActivateHint();
        return;
      }
      if (m.WParam == kHintHideTimer) {
        // The hint goes; it comes back only after the mouse has left the control.
        StopHintTimer();
        if (hintWindow_ != nullptr) hintWindow_->ReleaseHandle();
        hintActive_ = false;
        return;
      }
      break;
    case CM_RELEASE: {
      auto* form = reinterpret_cast<TCustomForm*>(m.LParam);
      for (int i = 0; Screen != nullptr && i < Screen->CustomFormCount(); ++i) {
        if (Screen->CustomForms(i) == form) {
          delete form;
          break;
        }
      }
      return;
    }
    case WM_CLOSE:
      if (mainForm_ != nullptr) mainForm_->Close();
      return;
    case WM_SYSCOMMAND:
      // The application window is never shown: its own minimise and restore act on the main form.
      if ((m.WParam & 0xFFF0) == SC_MINIMIZE) {
        Minimize();
        return;
      }
      if ((m.WParam & 0xFFF0) == SC_RESTORE) {
        Restore();
        return;
      }
      break;
    default:
      break;
  }
  m.Result = DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
}

void TApplication::Minimize() {
  if (mainForm_ == nullptr || !mainForm_->HandleAllocated()) return;
  const HWND window = mainForm_->Handle();
  if (IsIconic(window) == FALSE) ShowWindow(window, SW_MINIMIZE);
}

void TApplication::Restore() {
  if (mainForm_ == nullptr || !mainForm_->HandleAllocated()) return;
  const HWND window = mainForm_->Handle();
  if (IsIconic(window) != FALSE) ShowWindow(window, SW_RESTORE);
}

void TApplication::HookMainWindow(const TWindowHook& hook) { hooks_.push_back(hook); }

void TApplication::UnhookMainWindow(const TWindowHook& hook) {
  auto it = std::find(hooks_.begin(), hooks_.end(), hook);
  if (it != hooks_.end()) hooks_.erase(it);
}

// ---- exceptions ----

void TApplication::HandleException(TObject* sender) noexcept {
  try {
    if (HWND captured = GetCapture()) SendMessageW(captured, WM_CANCELMODE, 0, 0);
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    auto report = [&](const Exception& e) {
      if (OnException) {
        OnException(sender, e);
      } else {
        ShowException(e);
      }
    };
    try {
      std::rethrow_exception(current);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
      report(e);
    } catch (const std::exception& e) {
      report(Exception(e.what()));
    } catch (...) {
      report(Exception("Unknown exception"));
    }
  } catch (...) {
    // The handler or the box failed as well: nothing more can be reported.
  }
}

void TApplication::ShowException(const Exception& e) {
  AnsiString text = e.Message();
  // As the library does: a message ending in a character after '.' gets a full stop.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  ShowExceptionBox(text, title_);
}

// ---- hints and the mouse ----

void TApplication::SetShowHint(bool value) {
  if (value == showHint_) return;
  showHint_ = value;
  if (!value) CancelHint();
}

void TApplication::SetHint(const AnsiString& value) {
  if (value == hint_) return;
  hint_ = value;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(Integer ms, UINT_PTR id) {
  StopHintTimer();
  SetTimer(Handle(), id, static_cast<UINT>(std::max(ms, 1)), nullptr);
  hintTimer_ = id;
}

void TApplication::StopHintTimer() {
  if (hintTimer_ != 0 && handle_ != nullptr) KillTimer(handle_, hintTimer_);
  hintTimer_ = 0;
}

void TApplication::CancelHint() {
  StopHintTimer();
  if (hintWindow_ != nullptr) hintWindow_->ReleaseHandle();
  hintActive_ = false;
  hintControl_ = nullptr;
}

void TApplication::HintMouseMessage(TControl* control, TMessage& /*message*/) {
  if (!showHint_) return;
  TControl* target = control;
  while (target != nullptr && !target->ShowHint()) target = target->Parent();
  if (target == nullptr) {
    CancelHint();
    SetHint(AnsiString());
    return;
  }
  if (target != hintControl_) {
    const bool wasActive = hintActive_;
    CancelHint();
    hintControl_ = target;
    const Integer pause = wasActive ? hintShortPause_ : hintPause_;
    if (pause <= 0) {
      ActivateHint();
    } else {
      StartHintTimer(pause, kHintShowTimer);
    }
  }
  SetHint(GetLongHint(target->Hint()));
}

void TApplication::ActivateHint() {
  if (hintControl_ == nullptr) return;
  const AnsiString text = GetShortHint(hintControl_->Hint());
  if (text.empty()) return;
  // No hint for a control whose window a modal dialog has disabled (the mouse may still rest on it).
  TWinControl* window = dynamic_cast<TWinControl*>(hintControl_);
  if (window == nullptr) window = hintControl_->Parent();
  if (window != nullptr && window->HandleAllocated() &&
      !IsWindowEnabled(GetAncestor(window->Handle(), GA_ROOT))) {
    return;
  }
  if (hintWindow_ == nullptr) hintWindow_ = New<THintWindow>(this);
  hintWindow_->SetColor(hintColor_);
  POINT cursor{};
  GetCursorPos(&cursor);
  TRect r = hintWindow_->CalcHintRect(Screen != nullptr ? Screen->Width() : 800, text);
  const Integer screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const Integer screenHeight = GetSystemMetrics(SM_CYSCREEN);
  Integer x = cursor.x;
  Integer y = cursor.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  if (x + r.Width() > screenWidth) x = screenWidth - r.Width();
  if (y + r.Height() > screenHeight) y = cursor.y - r.Height() - 2;
  hintWindow_->ActivateHint(Bounds(std::max(x, 0), std::max(y, 0), r.Width(), r.Height()), text);
  hintActive_ = true;
  StartHintTimer(hintHidePause_, kHintHideTimer);
}

void TApplication::IsHintMsg(const MSG& message) {
  if (!hintActive_) return;
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_ACTIVATEAPP:
      CancelHint();
      break;
    default:
      break;
  }
}

void TApplication::SetMouseControl(TControl* control) {
  if (control == mouseControl_) return;
  TControl* old = mouseControl_;
  mouseControl_ = control;
  if (old != nullptr) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (control == nullptr) {
    CancelHint();
    return;
  }
  control->Perform(CM_MOUSEENTER, 0, 0);
  // The windowed control (or the parent of a graphic one) reports when the mouse leaves it.
  TWinControl* window = dynamic_cast<TWinControl*>(control);
  if (window == nullptr) window = control->Parent();
  if (window != nullptr && window->HandleAllocated()) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window->Handle(), 0};
    TrackMouseEvent(&track);
  }
}

void TApplication::ControlDestroyed(TControl* control) {
  if (control == nullptr) return;
  if (control == mouseControl_) mouseControl_ = nullptr;
  if (control == hintWindow_) {
    hintWindow_ = nullptr;
    hintActive_ = false;
  }
  if (control == hintControl_) CancelHint();
  if (control == mainForm_) mainForm_ = nullptr;
  if (Screen != nullptr) {
    if (Screen->activeControl_ == control) Screen->activeControl_ = nullptr;
    if (Screen->activeCustomForm_ == control) Screen->activeCustomForm_ = nullptr;
  }
}

void DoneApplication() {
  if (Application == nullptr) return;
  try {
    Application->CancelHint();
    Application->DestroyComponents();
  } catch (...) {
  }
  Application->hintWindow_ = nullptr;
  Application->mainForm_ = nullptr;
  Application->DestroyHandle();
}
