// A test of window adapters: a skin variant of the test's own loaded, a form of a colour of its own that
// answers the background request (so that corners and see-through sections show it), child windows
// made on it and adapters made on them, all freed after the test; and pixel reads of windows.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "SkinFixture.h"
#include "SkinTestControls.h"
#include "skin/adapters/skSBMainWnd.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/WinControl.h"

namespace skintest {

// A mask painter's pixel (0xAARRGGBB) as GetPixel reads it (0x00BBGGRR).
inline Cardinal Ref(uint32_t argb) { return ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF); }

inline Cardinal WindowPixel(HWND window, int x, int y) {
  const HDC dc = GetWindowDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}
inline Cardinal ClientPixel(HWND window, int x, int y) {
  const HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

inline constexpr TColor kAdapterFormColor = 0x2050A0;

class AdapterFixture : public SkinFixture {
 protected:
  virtual TSkinVariant Variant() const = 0;

  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    LoadVariant(Variant());
    if (HasFatalFailure()) return;
    InitCommonControls();
    RegisterGuiClasses();
    form_ = New<TSkinnedForm>(nullptr);
    form_->SetBounds(30, 30, 560, 420);
    form_->SetColor(kAdapterFormColor);
    // The form has painted: it does not tell its children to wait.
    form_->data->BackgroundDirty = false;
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    AdaptingDialogChildren = false;
    for (TskMainWnd*& a : adapters_) FreeAdapter(a);
    adapters_.clear();
    controlData_.clear();  // after the adapters that borrow them
    for (HWND w : windows_) DestroyWindow(w);
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  // A child window of the form; nil when the class does not exist.
  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0) {
    const HWND window = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                        form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) windows_.push_back(window);
    return window;
  }
  // An adapter on the window (made in dialog mode when asked), freed after the test; the window is
  // painted through it.
  template <typename T>
  T* Adapt(HWND window, const char* section = "", TsCommonData* data = nullptr, bool dialogMode = false) {
    AdaptingDialogChildren = dialogMode;
    T* adapter = New<T>(window, true, section, nullptr, data);
    AdaptingDialogChildren = false;
    adapters_.push_back(adapter);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return adapter;
  }

  // An adapter on a control's window with a skin state of the control's own (kept until the adapters
  // are gone).
  template <typename T>
  T* AdaptControl(TWinControl* control, const char* section = "") {
    controlData_.push_back(std::make_unique<TsCommonData>(control));
    return Adapt<T>(control->Handle(), section, controlData_.back().get());
  }

  TSkinnedForm* form_ = nullptr;
  std::vector<HWND> windows_;
  std::vector<TskMainWnd*> adapters_;
  std::vector<std::unique_ptr<TsCommonData>> controlData_;
};

}  // namespace skintest
