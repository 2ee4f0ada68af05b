// Case mapping and comparison of text. The Ansi* and Wide* routines follow the user's locale through the
// OS seam (CompareStringW and LCMapStringW on Windows, ICU natively); 8-bit text is Windows-1250 and is
// converted to UTF-16 on the way. The plain routines touch only the ASCII letters a-z and compare bytes,
// the same on every machine (identifiers, keywords, file extensions).
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

// Each letter is mapped on its own, so the length never changes; a letter whose other case has no
// Windows-1250 byte (the micro sign) stays as it is.
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);
// Locale order (<0, 0, >0), punctuation counting as characters; the Text forms ignore case but not accents.
int AnsiCompareText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);

WideString WideUpperCase(std::u16string_view s);
WideString WideLowerCase(std::u16string_view s);
int WideCompareText(std::u16string_view a, std::u16string_view b);
int WideCompareStr(std::u16string_view a, std::u16string_view b);
bool WideSameText(std::u16string_view a, std::u16string_view b);
bool WideSameStr(std::u16string_view a, std::u16string_view b);

// ASCII only: bytes outside a-z / A-Z are left alone and compared by value.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
// The difference of the first unequal (folded) bytes; when one text is a prefix of the other, -1 or 1.
int CompareText(std::string_view a, std::string_view b);
int CompareStr(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
