// Counts what a resize sends a form while it lives: WM_NCPAINT, WM_ERASEBKGND and erases of the whole
// client area, through a thread hook that sees each message as it arrives (before any procedure that
// replaced the window's own). Used by the skinned-form tests and the diary's main-window tests.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

namespace skintest {

// One step's counts (or the worst of all steps). The hook counts the messages; the test fills in the
// frame pictures put on the border window and the erases that reached the form's saved procedure.
struct TResizeCounts {
  int ncPaints = 0;
  int erases = 0;
  int wholeClientErases = 0;
  int pictures = 0;
  int savedErases = 0;

  void TakeWorst(const TResizeCounts& step) {
    ncPaints = std::max(ncPaints, step.ncPaints);
    erases = std::max(erases, step.erases);
    wholeClientErases = std::max(wholeClientErases, step.wholeClientErases);
    pictures = std::max(pictures, step.pictures);
    savedErases = std::max(savedErases, step.savedErases);
  }
  std::string Text() const {
    return std::to_string(ncPaints) + " nc, " + std::to_string(pictures) + " border, " + std::to_string(erases) +
           " erase, " + std::to_string(wholeClientErases) + " whole, " + std::to_string(savedErases) + " saved";
  }
};

// The targets of a live resize, checked on the worst step: one frame picture a step, no more than the
// system's own WM_NCPAINT, no erase of the whole client, none that reaches the saved procedure.
inline void ExpectResizeTargets(const TResizeCounts& worst) {
  EXPECT_EQ(worst.pictures, 1) << "one border-window picture a step";
  EXPECT_LE(worst.ncPaints, 1) << "the system's own WM_NCPAINT of the size change";
  EXPECT_EQ(worst.wholeClientErases, 0) << "the client's pixels are kept; only uncovered strips are erased";
  EXPECT_EQ(worst.savedErases, 0) << "the provider erases the client itself";
}

class TResizeCountHook {
 public:
  explicit TResizeCountHook(HWND form) : form_(form) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
  }
  ~TResizeCountHook() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  TResizeCountHook(const TResizeCountHook&) = delete;
  TResizeCountHook& operator=(const TResizeCountHook&) = delete;

  bool Hooked() const { return hook_ != nullptr; }

  TResizeCounts counts;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && current_ != nullptr && sent->hwnd == current_->form_) {
      TResizeCounts& c = current_->counts;
      if (sent->message == WM_NCPAINT) ++c.ncPaints;
      if (sent->message == WM_ERASEBKGND) {
        ++c.erases;
        // The whole client: the clip's bounds are the client's and its middle is inside (the L-shaped
        // strips that a growing step uncovers have the client's bounds too).
        const HDC dc = reinterpret_cast<HDC>(sent->wParam);
        RECT clip{}, client{};
        GetClipBox(dc, &clip);
        GetClientRect(sent->hwnd, &client);
        if (EqualRect(&clip, &client) && PtVisible(dc, client.right / 2, client.bottom / 2)) ++c.wholeClientErases;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  inline static TResizeCountHook* current_ = nullptr;
  HWND form_;
  HHOOK hook_ = nullptr;
};

// The bounds of a resize step: four growing steps, then four shrinking ones, by 12 pixels, at the
// right and bottom edges on even steps and at the left and top ones on odd steps.
inline RECT ResizeStepBounds(const RECT& r, int step) {
  const int d = (step / 4) % 2 == 0 ? 12 : -12;
  RECT next = r;
  if (step % 2 == 0) {
    next.right += d;
    next.bottom += d;
  } else {
    next.left -= d;
    next.top -= d;
  }
  return next;
}

}  // namespace skintest
