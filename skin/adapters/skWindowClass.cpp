#include "skin/adapters/skWindowClass.h"

#include "vcl/rtl/TextConv.h"

AnsiString GetWindowClassName(HWND window) {
  constexpr int kMaxClassName = 128;
  wchar_t name[kMaxClassName + 1] = {};
  const int length = GetClassNameW(window, name, kMaxClassName + 1);
  if (length <= 0) return {};
  return Utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(name), static_cast<std::size_t>(length)));
}

bool IsPopupMenuWindow(HWND window) { return GetWindowClassName(window) == kPopupMenuClassName; }
