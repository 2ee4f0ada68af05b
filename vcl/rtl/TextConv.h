// Conversions between the system's 8-bit text (always Windows-1250, whatever the machine's ANSI code
// page), UTF-16 (the W functions of Win32) and UTF-8 (source literals, POSIX file names).
// Characters that Windows-1250 cannot hold become '?'; malformed UTF-8 becomes U+FFFD.
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

WideString Cp1250ToUtf16(std::string_view text);
AnsiString Utf16ToCp1250(std::u16string_view text);

WideString Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

AnsiString Utf8ToCp1250(std::string_view text);   // for Hungarian literals written in UTF-8 source
std::string Cp1250ToUtf8(std::string_view text);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// The Unicode code point of one Windows-1250 byte, and the byte of a code point (0 when it has none).
char16_t Cp1250CharToUtf16(unsigned char c);
unsigned char Utf16CharToCp1250(char16_t c);
