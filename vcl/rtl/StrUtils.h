// Everyday routines on 8-bit text: trimming, 1-based searching and copying as the component library
// counts, quoting, replacing, and Boolean text. Case handling here is ASCII only; locale-aware
// casing and comparison live with the OS seam.
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

// Remove leading and/or trailing characters <= ' ' (blanks and control characters).
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

// 1-based position of the first `sub` in `s`, 0 when absent or when `sub` is empty.
Integer Pos(std::string_view sub, std::string_view s);
// The same, starting the search at 1-based `offset` (0 for an offset outside 1..length).
Integer PosEx(std::string_view sub, std::string_view s, Integer offset = 1);
// `count` characters from 1-based `index`. An index below 1 counts as 1 (the count is kept); an
// index past the end or a count <= 0 gives ""; the count is cut at the end of the text.
AnsiString Copy(std::string_view s, Integer index, Integer count);

// 'text' with inner quotes doubled.
AnsiString QuotedStr(std::string_view s);
AnsiString AnsiQuotedStr(std::string_view s, char quote);
// Undoes AnsiQuotedStr: text that starts with `quote` gives the quoted part (doubled quotes made
// single) up to its closing quote. Text that is not properly quoted (no opening quote, or no
// closing quote) comes back unchanged.
AnsiString AnsiDequotedStr(std::string_view s, char quote);

enum TReplaceFlag : Byte { rfReplaceAll = 1, rfIgnoreCase = 2 };
// Replaces the first (or every, with rfReplaceAll) occurrence of `oldPattern`; rfIgnoreCase matches
// ASCII letters in either case. An empty pattern replaces nothing.
AnsiString StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                         unsigned flags);

// "-1" / "0", or "True" / "False" with useBoolStrs.
AnsiString BoolToStr(bool value, bool useBoolStrs = false);
// "True"/"False" in any ASCII case, or a number as StrToFloat reads it (non-zero is true). Otherwise EConvertError
// "'%s' is not a valid boolean value".
bool StrToBool(std::string_view s);
bool TryStrToBool(std::string_view s, bool& value);
bool StrToBoolDef(std::string_view s, bool defaultValue);

// Case-sensitive equality.
bool SameStr(std::string_view a, std::string_view b);
