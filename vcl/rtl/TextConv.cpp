#include "vcl/rtl/TextConv.h"

#include <array>

namespace {

// Unicode code points of the bytes 0x80..0xFF. The five bytes the code page leaves undefined map to
// the code point of the same number, as Windows does, so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9
};

struct ReverseTable {
  std::array<unsigned char, 0x10000> bytes{};
  constexpr ReverseTable() {
    for (unsigned b = 0; b < 0x80; ++b) bytes[b] = static_cast<unsigned char>(b);
    for (unsigned b = 0; b < 128; ++b) bytes[kHighHalf[b]] = static_cast<unsigned char>(0x80 + b);
  }
};

const ReverseTable& Reverse() {
  static const ReverseTable table;
  return table;
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one code point at i (advancing i); malformed or overlong input gives U+FFFD.
char32_t NextUtf8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra;
  char32_t cp;
  if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

// Decodes one code point at i of UTF-16; a lone surrogate gives U+FFFD.
char32_t NextUtf16(std::u16string_view s, size_t& i) {
  char16_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
      char32_t lo = s[i++];
      return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (lo - 0xDC00);
    }
    return 0xFFFD;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) return 0xFFFD;
  return c;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char16_t Cp1250CharToUtf16(unsigned char c) { return c < 0x80 ? c : kHighHalf[c - 0x80]; }

unsigned char Utf16CharToCp1250(char16_t c) { return c == 0 ? 0 : Reverse().bytes[c]; }

WideString Cp1250ToUtf16(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  for (char c : text) out += Cp1250CharToUtf16(static_cast<unsigned char>(c));
  return out;
}

AnsiString Utf16ToCp1250(std::u16string_view text) {
  AnsiString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = NextUtf16(text, i);
    if (cp == 0) {
      out += '\0';
      continue;
    }
    unsigned char b = cp < 0x10000 ? Reverse().bytes[cp] : 0;
    out += b != 0 ? static_cast<char>(b) : '?';
  }
  return out;
}

WideString Utf8ToUtf16(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf16(out, NextUtf8(text, i));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, NextUtf16(text, i));
  return out;
}

AnsiString Utf8ToCp1250(std::string_view text) { return Utf16ToCp1250(Utf8ToUtf16(text)); }

std::string Cp1250ToUtf8(std::string_view text) { return Utf16ToUtf8(Cp1250ToUtf16(text)); }
