#include "vcl/gui/UtilWindow.h"

#include <memory>

#include "vcl/gui/Application.h"
#include "vcl/rtl/OsSeam.h"

namespace {

const wchar_t kUtilClass[] = L"TPUtilWindow";
const wchar_t kMethodProp[] = L"QuillnoteUtilMethod";

LRESULT CALLBACK UtilWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* method = static_cast<TWndMethod*>(GetPropW(window, kMethodProp));
  if (method == nullptr || !*method) return DefWindowProcW(window, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  try {
    (*method)(m);
  } catch (...) {
    if (Application != nullptr) Application->HandleException(nullptr);
  }
  return m.Result;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kUtilClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = UtilWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kUtilClass;
    if (RegisterClassExW(&wc) == 0) os::RaiseLastOSError();
  }
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                nullptr);
  if (window == nullptr) os::RaiseLastOSError();
  auto holder = std::make_unique<TWndMethod>(std::move(method));
  SetPropW(window, kMethodProp, holder.release());
  return window;
}

void DeallocateHWnd(HWND window) {
  if (window == nullptr) return;
  std::unique_ptr<TWndMethod> holder(static_cast<TWndMethod*>(RemovePropW(window, kMethodProp)));
  DestroyWindow(window);
}
