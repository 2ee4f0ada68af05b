// A sort in its two forms: three ";"-separated texts (the fields, those of them descending, those
// compared without regard to case) as index definitions carry them, and three parallel lists (the
// fields, "ASC" or "DESC" per field, "CASE" or "NO_CASE" per field) as index look-ups take them.
#pragma once
#include <vector>

#include "vcl/rtl/SysTypes.h"

// The lists of the texts: field names trimmed and upper-cased; a field is "DESC" when the descending
// text names it, "NO_CASE" when the case-insensitive text does. The three lists are replaced.
void BuildSortLists(const AnsiString& fieldsText, const AnsiString& descText, const AnsiString& caseInsText,
                    std::vector<AnsiString>& cases, std::vector<AnsiString>& directions,
                    std::vector<AnsiString>& fields);

// The texts of the lists (which must be of one length): every field in the field text, the "DESC" ones
// in the descending text, the "NO_CASE" ones in the case-insensitive text, each in list order.
void JoinSortLists(AnsiString& fieldsText, AnsiString& descText, AnsiString& caseInsText,
                   const std::vector<AnsiString>& cases, const std::vector<AnsiString>& directions,
                   const std::vector<AnsiString>& fields);
