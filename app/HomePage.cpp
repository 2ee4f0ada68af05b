#include "app/HomePage.h"

#include <utility>

#include "app/Crypt.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/TextConv.h"

#include <shellapi.h>

namespace {

TShellOpenHook& ShellOpenHook() {
  static TShellOpenHook hook;
  return hook;
}

}  // namespace

AnsiString HomePageAddress() { return "http://" + DecipherHexText(kHomePageCipherText, kHomePageKey); }

void OpenHomePage() { ShellOpen(HomePageAddress()); }

void ShellOpen(const AnsiString& target) {
  if (ShellOpenHook()) {
    ShellOpenHook()(target);
    return;
  }
  const WideString wide = Cp1250ToUtf16(target);
  ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(wide.c_str()), L"", L"", SW_SHOW);
}

TShellOpenHook SetShellOpenHook(TShellOpenHook hook) { return std::exchange(ShellOpenHook(), std::move(hook)); }
