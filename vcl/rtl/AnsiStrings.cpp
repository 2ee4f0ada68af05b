#include "vcl/rtl/AnsiStrings.h"

#include <algorithm>

#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString MapAnsiCase(std::string_view s, void (*map)(WideString&)) {
  const WideString original = Cp1250ToUtf16(s);
  WideString mapped = original;
  map(mapped);
  AnsiString result(s);
  if (mapped.size() != original.size()) return result;  // both seams map one to one; never taken
  for (size_t i = 0; i < mapped.size(); ++i) {
    if (mapped[i] == original[i]) continue;
    const unsigned char b = Utf16CharToCp1250(mapped[i]);
    if (b != 0) result[i] = static_cast<char>(b);
  }
  return result;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename Fold>
int CompareBytes(std::string_view a, std::string_view b, Fold fold) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = static_cast<unsigned char>(fold(a[i]));
    const int y = static_cast<unsigned char>(fold(b[i]));
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

AnsiString AnsiUpperCase(std::string_view s) { return MapAnsiCase(s, os::UpperCaseInPlace); }
AnsiString AnsiLowerCase(std::string_view s) { return MapAnsiCase(s, os::LowerCaseInPlace); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  return os::CompareText(Cp1250ToUtf16(a), Cp1250ToUtf16(b), true);
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return os::CompareText(Cp1250ToUtf16(a), Cp1250ToUtf16(b), false);
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return AnsiCompareStr(a, b) == 0; }

WideString WideUpperCase(std::u16string_view s) {
  WideString r(s);
  os::UpperCaseInPlace(r);
  return r;
}

WideString WideLowerCase(std::u16string_view s) {
  WideString r(s);
  os::LowerCaseInPlace(r);
  return r;
}

int WideCompareText(std::u16string_view a, std::u16string_view b) { return os::CompareText(a, b, true); }
int WideCompareStr(std::u16string_view a, std::u16string_view b) { return os::CompareText(a, b, false); }
bool WideSameText(std::u16string_view a, std::u16string_view b) { return WideCompareText(a, b) == 0; }
bool WideSameStr(std::u16string_view a, std::u16string_view b) { return WideCompareStr(a, b) == 0; }

AnsiString UpperCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

int CompareText(std::string_view a, std::string_view b) { return CompareBytes(a, b, AsciiUpper); }
int CompareStr(std::string_view a, std::string_view b) { return CompareBytes(a, b, [](char c) { return c; }); }
bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }
