// The engine's type codes: SQL field types (1..35) describe columns, base data types (1..24) say how a
// value is stored. The 58-row type map ties both to SQL type names and to the dataset framework's field
// types. Also here: the type tests, the engine's date/time forms, the name hash and the LIKE matcher.
// Plain functions over constant tables, and the prepared LIKE pattern.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>
#include "vcl/db/FieldTypes.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/SysTypes.h"

// SQL field type codes, as stored in field definitions.
enum SQLFieldTypeCode : Byte {
  sftUnknown = 0,  // what the look-ups answer for a code they do not know
  sftChar = 1,
  sftVarchar = 2,
  sftWideChar = 3,
  sftWideVarchar = 4,
  sftShortInt = 5,
  sftSmallInt = 6,
  sftInteger = 7,
  sftLargeInt = 8,
  sftByte = 9,
  sftWord = 10,
  sftCardinal = 11,
  sftAutoInc = 12,
  sftAutoIncShortInt = 13,
  sftAutoIncSmallInt = 14,
  sftAutoIncInteger = 15,
  sftAutoIncLargeInt = 16,
  sftAutoIncByte = 17,
  sftAutoIncWord = 18,
  sftAutoIncCardinal = 19,
  sftSingle = 20,
  sftDouble = 21,
  sftExtended = 22,
  sftBoolean = 23,
  sftCurrency = 24,
  sftDate = 25,
  sftTime = 26,
  sftDateTime = 27,
  sftTimeStamp = 28,
  sftBytes = 29,
  sftVarBytes = 30,
  sftBLOB = 31,
  sftGraphic = 32,
  sftMemo = 33,
  sftFormattedMemo = 34,
  sftWideMemo = 35,
};

// Base data types and their storage form in a value buffer (integers little-endian).
enum EngineDataType : Byte {
  edtNone = 0,          // not yet typed; no data
  edtChar = 1,          // fixed-length 8-bit text, then one zero byte
  edtWideChar = 2,      // fixed-length UTF-16 text, then one zero unit
  edtVarchar = 3,       // as 1
  edtWideVarchar = 4,   // as 2
  edtShortInt = 5,      // int8
  edtSmallInt = 6,      // int16
  edtInteger = 7,       // int32
  edtLargeInt = 8,      // int64
  edtByte = 9,          // uint8
  edtWord = 10,         // uint16
  edtCardinal = 11,     // uint32
  edtSingle = 12,       // 32-bit IEEE float
  edtDouble = 13,       // 64-bit IEEE float
  edtExtended = 14,     // 80-bit extended float (10 bytes)
  edtDate = 15,         // int32 day number; NullDate when null
  edtTime = 16,         // int32 milliseconds since midnight (0..86399999); NullTime when null
  edtTimeStamp = 17,    // day number, then milliseconds (TSQLMemTimeStamp)
  edtBLOB = 18,         // raw bytes
  edtMemo = 19,         // 8-bit text bytes
  edtWideMemo = 20,     // UTF-16 text bytes
  edtBoolean = 21,      // int16; 0 false, anything else true (conversions write -1)
  edtCurrency = 22,     // 64-bit IEEE float holding the amount itself (not scaled)
  edtBytes = 23,        // raw bytes
  edtVarBytes = 24,     // raw bytes
};

// ---- The type map ----

struct TSQLFieldType {
  const char* name;          // SQL type name
  SQLFieldTypeCode fieldType;
  EngineDataType dataType;
  TFieldType vclFieldType;   // the dataset framework's field type
};

// 58 rows; several names share a field type, and every look-up takes the first matching row.
extern const std::array<TSQLFieldType, 58> TypeMap;

EngineDataType FieldTypeToDataType(Integer fieldType);       // edtNone when no row matches
SQLFieldTypeCode DataTypeToFieldType(Integer dataType);      // sftUnknown when no row matches
// Raises ESQLMemException 30289 "Unknown DataType: '%s'" (with the ordinal) when no row matches.
SQLFieldTypeCode VCLFieldTypeToFieldType(Integer vclFieldType);
TFieldType FieldTypeToVCLFieldType(Integer fieldType);       // ftUnknown when no row matches
const char* FieldTypeName(Integer fieldType);                // "Unknown" when no row matches
const char* EngineDataTypeName(Integer dataType);            // name of the first row; "Unknown" when none

// The display names of the field types, as field editors list them (not in code order).
struct TSQLMemFieldTypeDesc {
  const char* displayName;
  SQLFieldTypeCode fieldType;
};
extern const std::array<TSQLMemFieldTypeDesc, 35> FieldTypeDescs;

// ---- Type tests (codes outside the listed sets give false) ----

bool IsBLOBDataType(Integer dataType);        // 18..20
bool IsBLOBFieldType(Integer fieldType);      // 31..35
bool IsVarStringDataType(Integer dataType);   // 3, 4
bool IsWideStringDataType(Integer dataType);  // 2, 4
bool IsTextDataType(Integer dataType);        // 1..4, 19, 20
bool IsStringFieldType(Integer fieldType);    // 1..4
bool IsWideDataType(Integer dataType);        // 2, 4, 20
bool IsWideFieldType(Integer fieldType);      // 3, 4, 35
bool IsBytesFieldType(Integer fieldType);     // 29, 30
bool IsAutoIncFieldType(Integer fieldType);   // 12..19
bool IsNumericDataType(Integer dataType);     // 5..14, 22
bool IsIntegerDataType(Integer dataType);     // 5..11
bool IsDateTimeDataType(Integer dataType);    // 15..17
bool IsScalarFieldType(Integer fieldType);    // 1..28

// ---- Date and time forms ----
// A day number is the TDateTime day plus DateDelta (693594; day 1 is 1 January of year 1); a time is
// milliseconds since midnight. Date-times before 30 December 1899 keep the platform's convention: the
// integral part is the day (rounded toward zero) and the time of day is the fraction's absolute value.
// The runtime's own TTimeStamp routines (vcl/rtl/DateUtils.h) know no null parts and raise on them;
// the engine's time stamp is TSQLMemTimeStamp, and its conversion from a TDateTime fills an output
// argument so that it does not collide with the runtime's DateTimeToTimeStamp.

inline constexpr Integer NullDate = -2147483647 - 1;
inline constexpr Integer NullTime = -1;

struct TSQLMemTimeStamp {
  Integer date = NullDate;
  Integer time = NullTime;
};

TDateTime DateToDateTime(Integer day);              // 0.0 for NullDate
Integer DateTimeToDate(TDateTime t);                // raises ERangeError outside int32
TDateTime TimeToDateTime(Integer ms);               // 0.0 for NullTime
Integer DateTimeToTime(TDateTime t);                // 0..86399999
TDateTime TimeStampToDateTime(const TSQLMemTimeStamp& ts);
// A time that rounds up to midnight moves to the next day.
void DateTimeToTimeStamp(TDateTime t, TSQLMemTimeStamp& ts);

// The weekday of a date-time, 1..7: counted from Sunday (WEEKDAY, DAYNAME) or from Monday (DAYOFWEEK).
Word DayOfWeekSundayFirst(TDateTime t);
Word DayOfWeekMondayFirst(TDateTime t);

// ---- Other routines ----

// Bytes of text in a value buffer of `size` bytes before its terminator: for field types that
// IsWideFieldType accepts, the first aligned pair of zero bytes; otherwise the first zero byte.
// Without a terminator the whole buffer counts (rounded down to whole units when wide); no buffer gives 0.
Integer BufferTextLength(const void* buffer, Integer size, Integer fieldType);

// The SQL keyword with this number (0..294); raises ERangeError otherwise.
const char* GetReservedWord(Integer index);

// The bytes in the MIME base 64 string format.
AnsiString BinaryToMime64(const void* data, Integer length);

// CRC-32 (start value 0) over the name's bytes, upper-cased first with the locale's upper-casing when
// caseInsensitive is set; 0 for an empty name. Every engine caller passes caseInsensitive = true.
Cardinal NameHash(std::string_view name, bool caseInsensitive);
// Whether two names are equal regardless of case, with the upper case NameHash folds by (one table
// look-up per byte, no conversion of the whole text).
bool SameNameText(std::string_view a, std::string_view b);

// SQL LIKE on 8-bit (Windows-1250) and UTF-16 text: "%" matches a run of characters and "_" exactly one;
// there is no escape character. The text and the pattern are zero-terminated: anything after a NUL is
// ignored. With caseInsensitive, characters compare by the locale's collation with case ignored.
// Two documented quirks: a pattern whose rest is exactly "%" matches whatever text remains, but a "%"
// elsewhere never stands for the empty rest of the text, so "a" matches "a%" but not "a%%". The wide
// matcher recognises that rest "%" by the locale's comparison with case ignored.
// Time is at most O(text length * pattern length) and the match stops as soon as its answer is known.
// Both keep the last pattern of the calling thread prepared (TSQLMemLikePatternOf), so a statement
// that matches one pattern against many rows prepares it once and allocates nothing per row.
bool MatchLikePattern(std::string_view text, std::string_view pattern, bool caseInsensitive);
bool MatchLikePatternW(std::u16string_view text, std::u16string_view pattern, bool caseInsensitive);

// A LIKE pattern prepared once and matched against many texts, with MatchLikePattern's answers.
// Preparing reads the locale: with caseInsensitive each pattern character gets a table of the text
// characters the collation calls equal to it (8-bit: all 256; UTF-16: the Latin blocks, any other
// character is compared through the locale when met), and the wide pattern finds its "rest is %"
// positions. Matching then allocates nothing. A prepared pattern is read-only: threads may share it.
// After a change of the text locale, prepare the pattern again (LocaleGeneration tells which it read).
template <typename Ch>
class TSQLMemLikePatternOf {
 public:
  TSQLMemLikePatternOf(std::basic_string_view<Ch> pattern, bool caseInsensitive);
  bool Matches(std::basic_string_view<Ch> text) const;
  // 8-bit only: from now on a text matches as if each of its bytes were first replaced by map[byte],
  // a mapping that keeps the length (a case mapping), so that LOWER(x) LIKE p needs no mapped copy of x.
  // map must take 0 to 0 and nothing else to 0, since a NUL ends the text; raises ERangeError otherwise.
  void MapTextBytes(const std::array<char, 256>& map);

  std::basic_string_view<Ch> Source() const noexcept { return source_; }
  bool CaseInsensitive() const noexcept { return caseInsensitive_; }
  Cardinal LocaleGeneration() const noexcept { return generation_; }

 private:
  bool Equal(std::size_t step, Ch c) const;
  bool Seek(std::size_t step, const Ch* text, std::size_t n, std::size_t& i) const;

  std::basic_string<Ch> source_;  // the pattern as given, up to its NUL
  // The pattern as matched: the rest from the first "rest is %" position is one "%", and a final run
  // of two or more "%" (which needs at least one character) is "_%".
  std::basic_string<Ch> steps_;
  std::size_t anyRestStep_;  // the step whose rest matches whatever text remains; npos when none
  bool caseInsensitive_;
  Cardinal generation_;
  std::vector<Cardinal> rowOf_;       // per literal step: offset of its equality row in rows_
  std::vector<Byte> rows_;            // 1 where the text character is equal to the step's character
  std::vector<int> onlyEqual_;        // per literal step: the one 8-bit character equal to it, or -1
};
using TSQLMemLikePattern = TSQLMemLikePatternOf<char>;
using TSQLMemLikePatternW = TSQLMemLikePatternOf<char16_t>;
