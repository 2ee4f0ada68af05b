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

// A text in UTF-16 for the locale's comparison: a short one (names, keys) on the stack, since the
// comparisons of names run for every field of every dataset that opens.
class Utf16Text {
 public:
  explicit Utf16Text(std::string_view text) {
    if (text.size() <= kShort) {
      for (std::size_t i = 0; i < text.size(); ++i) short_[i] = Cp1250CharToUtf16(static_cast<unsigned char>(text[i]));
      view_ = std::u16string_view(short_, text.size());
    } else {
      long_ = Cp1250ToUtf16(text);
      view_ = long_;
    }
  }
  Utf16Text(const Utf16Text&) = delete;
  Utf16Text& operator=(const Utf16Text&) = delete;
  std::u16string_view View() const { return view_; }

 private:
  static constexpr std::size_t kShort = 64;
  char16_t short_[kShort];
  WideString long_;
  std::u16string_view view_;
};

}  // namespace

AnsiString AnsiUpperCase(std::string_view s) { return MapAnsiCase(s, os::UpperCaseInPlace); }
AnsiString AnsiLowerCase(std::string_view s) { return MapAnsiCase(s, os::LowerCaseInPlace); }

int AnsiCompareText(std::string_view a, std::string_view b) {
  return os::CompareText(Utf16Text(a).View(), Utf16Text(b).View(), true);
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return os::CompareText(Utf16Text(a).View(), Utf16Text(b).View(), false);
}

// Equal bytes are equal texts in every locale; only different bytes need the locale's comparison.
bool AnsiSameText(std::string_view a, std::string_view b) { return a == b || AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b || AnsiCompareStr(a, b) == 0; }

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
