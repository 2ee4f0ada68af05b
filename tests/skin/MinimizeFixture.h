// What the minimise, restore and taskbar tests share: a skinned form shown on the screen, the layered
// windows recorded (a headless system cannot read them back), composition off unless a test turns it
// on, and the system's own minimise animation setting kept here (Wine does not store it). And a fake
// taskbar in this process: "Shell_TrayWnd" with the chain of windows down to a real task toolbar whose
// buttons' data hold the windows they stand for.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSystemAnimation.h"
#include "vcl/gui/Form.h"

namespace skintest {

class MinimizeFixture : public SkinFixture {
 protected:
  static inline BOOL composing = FALSE;
  static HRESULT WINAPI IsCompositionEnabled(BOOL* enabled) {
    *enabled = composing;
    return S_OK;
  }

  void SetUp() override {
    SkinFixture::SetUp();
    savedDwm_ = DwmEntries();
    composing = FALSE;
    DwmEntries().IsCompositionEnabled = &IsCompositionEnabled;
    savedAccess_ = MinAnimateAccess;
    MinAnimateAccess.Get = [this](int& value) {
      value = systemAnimation_;
      return true;
    };
    MinAnimateAccess.Set = [this](int value) { systemAnimation_ = value; };
    manager_->SetExtendedBorders(false);
    recorder_ = std::make_unique<TLayeredRecorder>();
  }
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    recorder_.reset();
    MinAnimateAccess = savedAccess_;
    DwmEntries() = savedDwm_;
    SkinFixture::TearDown();
  }

  void MakeForm(TRect bounds = TRect{200, 150, 440, 310}) {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
    ASSERT_TRUE(provider_->SkinData().CacheBitmap);
    recorder_->calls.clear();
  }
  HWND Window() const { return form_->Handle(); }
  TskMinTimer* Timer() const { return dynamic_cast<TskMinTimer*>(provider_->MinMaxTimer.get()); }
  TRect WindowBounds(HWND window) const {
    RECT r{};
    GetWindowRect(window, &r);
    return TRect{r.left, r.top, r.right, r.bottom};
  }
  bool Layered(HWND window) const { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }
  // The pictures put on a window since the recording was last cleared.
  std::vector<TLayeredCall> FramesOn(HWND window) const {
    std::vector<TLayeredCall> frames;
    for (const TLayeredCall& call : recorder_->calls)
      if (call.Update && call.Window == window) frames.push_back(call);
    return frames;
  }
  // The constant alphas given to a window with SetLayeredWindowAttributes.
  std::vector<int> AttributeAlphas(HWND window) const {
    std::vector<int> alphas;
    for (const TLayeredCall& call : recorder_->calls)
      if (!call.Update && call.Window == window) alphas.push_back(call.Alpha);
    return alphas;
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TLayeredRecorder> recorder_;
  int systemAnimation_ = 1;

 private:
  TskDwmEntries savedDwm_;
  TskMinAnimateAccess savedAccess_;
};

// A taskbar of this process at the rectangle: "Shell_TrayWnd", and with buttons the chain
// "ReBarWindow32" > "MSTaskSwWClass" > "ToolbarWindow32", the toolbar's buttons standing for the
// windows given (nil: a separator). Hidden, so that it takes no focus.
class TFakeTaskbar {
 public:
  explicit TFakeTaskbar(TRect bounds, std::vector<HWND> buttons = {}, bool withChain = false) {
    RegisterClassOnce(L"Shell_TrayWnd");
    RegisterClassOnce(L"MSTaskSwWClass");
    tray_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, bounds.Left, bounds.Top, bounds.Width(),
                            bounds.Height(), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!withChain) return;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    rebar_ = CreateWindowExW(0, L"ReBarWindow32", L"", WS_CHILD | WS_VISIBLE, 0, 0, bounds.Width(), bounds.Height(),
                             tray_, nullptr, GetModuleHandleW(nullptr), nullptr);
    tasks_ = CreateWindowExW(0, L"MSTaskSwWClass", L"", WS_CHILD | WS_VISIBLE, 60, 0, bounds.Width() - 60,
                             bounds.Height(), rebar_, nullptr, GetModuleHandleW(nullptr), nullptr);
    toolbar_ = CreateWindowExW(0, L"ToolbarWindow32", L"", WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
                               0, bounds.Width() - 60, bounds.Height(), tasks_, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(120, 24));
    data_.reserve(buttons.size());
    std::vector<TBBUTTON> records;
    for (size_t i = 0; i < buttons.size(); ++i) {
      data_.push_back(std::make_unique<HWND>(buttons[i]));
      TBBUTTON b{};
      b.iBitmap = I_IMAGENONE;
      b.idCommand = static_cast<int>(100 + i);
      b.fsState = TBSTATE_ENABLED;
      b.fsStyle = buttons[i] == nullptr ? BTNS_SEP : BTNS_BUTTON;
      b.dwData = reinterpret_cast<DWORD_PTR>(data_.back().get());
      records.push_back(b);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONS, records.size(), reinterpret_cast<LPARAM>(records.data()));
  }
  ~TFakeTaskbar() { DestroyWindow(tray_); }
  TFakeTaskbar(const TFakeTaskbar&) = delete;
  TFakeTaskbar& operator=(const TFakeTaskbar&) = delete;

  HWND Toolbar() const { return toolbar_; }
  // The button's rectangle on the screen, asked of the toolbar directly.
  TRect ButtonRect(int index) const {
    RECT item{}, bar{};
    SendMessageW(toolbar_, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    GetWindowRect(toolbar_, &bar);
    return TRect{item.left + bar.left, item.top + bar.top, item.right + bar.left, item.bottom + bar.top};
  }
  void Hide(int index) { SendMessageW(toolbar_, TB_HIDEBUTTON, static_cast<WPARAM>(100 + index), TRUE); }

 private:
  static void RegisterClassOnce(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
  }

  HWND tray_ = nullptr;
  HWND rebar_ = nullptr;
  HWND tasks_ = nullptr;
  HWND toolbar_ = nullptr;
  std::vector<std::unique_ptr<HWND>> data_;  // what each button's data points at
};

}  // namespace skintest
