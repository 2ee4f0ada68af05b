// Helpers of the GUI tests: pumping the message queue, running code from inside a modal loop, faking
// the keyboard's modifier state, a private Application for tests that end the message loop, and pixel
// reads.
#pragma once
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/UtilWindow.h"

namespace guitest {

inline void Pump() { Application->ProcessMessages(); }

// Pumps messages (waiting for them in between) until the condition holds or about two seconds have
// passed; false on the time-out.
template <class F>
bool PumpUntil(F done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 2000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

// Pumps messages for about that many milliseconds.
inline void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
}

// Runs an action once the message loop (ProcessMessages, ShowModal...) gets to it.
inline void RunLater(std::function<void()> action) {
  struct Runner {
    HWND window = nullptr;
    std::function<void()> action;
  };
  auto* runner = new Runner{nullptr, std::move(action)};
  runner->window = AllocateHWnd(TWndMethod::FromFunction([runner](TMessage& m) {
    if (m.Msg == WM_USER + 1) {
      HWND window = runner->window;
      std::function<void()> act = std::move(runner->action);
      delete runner;
      DeallocateHWnd(window);
      act();
      return;
    }
    m.Result = DefWindowProcW(runner->window, m.Msg, m.WParam, m.LParam);
  }));
  PostMessageW(runner->window, WM_USER + 1, 0, 0);
}

// Posts a key press (down and up) to a window, as the keyboard would.
inline void PostKey(HWND window, WORD key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

// Holds the given keys down in this thread's keyboard state; everything is released at the end.
class KeysDown {
 public:
  explicit KeysDown(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~KeysDown() {
    BYTE state[256] = {};
    SetKeyboardState(state);
  }
  KeysDown(const KeysDown&) = delete;
  KeysDown& operator=(const KeysDown&) = delete;
};

// A private Application for the test's lifetime (main form, Terminate and WM_QUIT stay with it).
class FreshApplication {
 public:
  FreshApplication() : app_(new TApplication(nullptr)), saved_(Application) {
    Application = app_.get();
    app_->Initialize();
  }
  ~FreshApplication() {
    app_->ProcessMessages();
    app_.reset();
    Application = saved_;
  }
  TApplication* operator->() const { return app_.get(); }
  FreshApplication(const FreshApplication&) = delete;
  FreshApplication& operator=(const FreshApplication&) = delete;

 private:
  std::unique_ptr<TApplication> app_;
  TApplication* saved_;
};

// The colour of a window's client pixel as painted on screen (CLR_INVALID when not visible).
inline COLORREF ClientPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

inline std::wstring WindowClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

}  // namespace guitest
