// General routines of the skin library: small choices, rectangle arithmetic, the word splitting that
// option values are read with ("12,4,0,0"), the sections of an ini-style text, string edits and the
// path separator rule. Portable: no Win32 here (the system routines are in skntSystem.h).
#pragma once
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>
#include "vcl/rtl/SysTypes.h"

// A set of 8-bit characters: bit n stands for character n.
class TCharSet {
 public:
  TCharSet() = default;
  // The characters of the text; implicit so that callers write WordCount(s, ",; ").
  TCharSet(std::string_view chars) {
    for (char c : chars) Include(c);
  }
  TCharSet(const char* chars) : TCharSet(std::string_view(chars)) {}
  void Include(char c) {
    const auto n = static_cast<unsigned char>(c);
    bits_[n >> 5] |= 1u << (n & 31);
  }
  bool Contains(char c) const {
    const auto n = static_cast<unsigned char>(c);
    return (bits_[n >> 5] >> (n & 31) & 1u) != 0;
  }

 private:
  std::array<Cardinal, 8> bits_{};  // 256 bits
};

inline bool CharInSet(char c, const TCharSet& set) { return set.Contains(c); }

inline Integer IfThenInt(bool flag, Integer a, Integer b) { return flag ? a : b; }
inline AnsiString IfThenStr(bool flag, const AnsiString& a, const AnsiString& b) { return flag ? a : b; }
inline Integer MaxOf2(Integer a, Integer b) { return a > b ? a : b; }
inline Integer MinOf2(Integer a, Integer b) { return a < b ? a : b; }
inline void SwapInts(Integer& a, Integer& b) { std::swap(a, b); }

// True when the value lies between the bounds, given in either order, bounds included.
inline bool ValueBetween(Integer value, Integer bound1, Integer bound2) {
  return bound1 <= bound2 ? bound1 <= value && value <= bound2 : bound2 <= value && value <= bound1;
}

// Rectangles of any type with Left/Top/Right/Bottom fields (the GUI's TRect, the skin records' TRect).
// Widths are computed in 64 bits so that extreme edges cannot overflow, then clamped to Integer.
namespace skntdetail {
inline Integer Span(Int64 from, Int64 to, bool clampNegative) {
  const Int64 span = to - from;
  if (clampNegative && span < 0) return 0;
  return static_cast<Integer>(span < INT32_MIN ? INT32_MIN : (span > INT32_MAX ? INT32_MAX : span));
}
}  // namespace skntdetail
template <class R>
Integer RectWidth(const R& r, bool clampNegative = false) {
  return skntdetail::Span(r.Left, r.Right, clampNegative);
}
template <class R>
Integer RectHeight(const R& r, bool clampNegative = false) {
  return skntdetail::Span(r.Top, r.Bottom, clampNegative);
}
// False when the rectangles do not overlap or b is empty (touching edges do not overlap).
template <class R>
bool RectsOverlap(const R& a, const R& b) {
  if (b.Right <= b.Left || b.Bottom <= b.Top) return false;
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Words are the runs of characters outside the delimiter set; positions are 1-based.
// WordPosition: where the n-th word starts, 0 when the text has fewer words (or n < 1).
Integer WordPosition(Integer n, std::string_view text, const TCharSet& delimiters);
// The n-th word; empty when absent.
AnsiString GetWordBySet(Integer n, std::string_view text, const TCharSet& delimiters);
// The n-th word as an integer; 0 when absent or not a number.
Integer WordAsInt(Integer n, std::string_view text, const TCharSet& delimiters);
Integer WordCount(std::string_view text, const TCharSet& delimiters);

// The text without any occurrence of the character.
AnsiString DeleteCharFromStr(std::string_view text, char c);
// Every occurrence of oldText replaced by newText, left to right; inserted text is not searched again.
// An empty oldText leaves the text unchanged.
AnsiString ReplaceSubstr(std::string_view text, std::string_view oldText, std::string_view newText);

// The separator rule of skin paths: empty stays empty; a final "\" stays; a final "/" becomes "\";
// a bare drive letter gets ":\"; anything else gets "\".
AnsiString IncludeTrailingSeparator(const AnsiString& path);

// An ini-style text split into sections: a line "[NAME]" opens a section; empty lines, lines beginning
// ";" and lines before the first section are skipped. Names and keys are compared exactly.
struct TIniSection {
  AnsiString Name;
  std::vector<AnsiString> Lines;
};
using TIniSections = std::vector<TIniSection>;

TIniSections ParseIniSections(const std::vector<AnsiString>& lines);
// The text after "key=" in the first section of that name (the first such line), else the default.
AnsiString IniValueFromSections(const TIniSections& sections, std::string_view section, std::string_view key,
                                const AnsiString& defaultValue);
// As above, read as an integer: "0x"/"0X" followed by hex digits, or decimal; anything else (and a
// missing key) gives the default.
Integer IniIntFromSections(const TIniSections& sections, std::string_view section, Integer defaultValue,
                           std::string_view key);
