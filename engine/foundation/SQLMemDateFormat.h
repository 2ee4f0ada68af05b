// Date patterns of the SQL date functions (TODATE, TOSTRING): a pattern such as "YYYY-MM-DD HH24:NN:SS"
// is compiled once and then formats date-times, parses text back and sizes its output. Beside it, the
// value-buffer routines that size and fill engine blocks by base data type, and wide-text casing.
#pragma once
#include <string_view>
#include <vector>
#include "vcl/rtl/SysTypes.h"

struct TFormatSettings;

// Pattern words; a token's number is its place in this list. Compilation matches the longest word
// first, in any letter case, so "MONTH" is one token and not MON followed by "TH".
enum TDateFormatToken : Byte {
  dftYYYY = 0,
  dftYY = 1,
  dftYEAR = 2,
  dftQ = 3,
  dftMONTH = 4,
  dftMON = 5,
  dftMM = 6,
  dftM = 7,
  dftRM = 8,
  dftDDD = 9,
  dftDD = 10,
  dftDAY = 11,
  dftDY = 12,
  dftDW = 13,
  dftD = 14,
  dftHH12 = 15,
  dftHH24 = 16,
  dftHH = 17,
  dftH12 = 18,
  dftH24 = 19,
  dftH = 20,
  dftNN = 21,
  dftN = 22,
  dftSS = 23,
  dftS = 24,
  dftZZZ = 25,
  dftZ = 26,
  dftAMPM = 27,
  dftLiteral = 28,  // the item's text is copied (formatting) or skipped (parsing)
};

// A compiled date pattern. Text inside single or double quotes is literal; characters that start no
// pattern word are literal too. Names and separators follow the format settings passed in (the
// process-wide ones when none are given).
//
// Parsing reads back what formatting writes: month and day names are read back from the settings'
// name lists (case-insensitively, longest name first), DDD sets the month and day when the pattern has
// no other month or day, and DW is read as its digit. The hour-mod-12 tokens write 0 at noon and
// midnight, and "PM" adds 12 to the hour read, so 12:30 formats as "00:30 PM" and reads back.
// The one exception is a pattern in which a field of varying width (M, D, DDD, H, H12, H24, N, S, Z,
// RM) is followed directly by text that could continue it (digits; for RM "I", "V" or "X"): "YYYY MD"
// writes 11 January 2024 as "2024 111", which could as well be 1 November. Such a pattern formats, but
// parsing with it raises EConvertError, so that no text is ever read silently as another date.
class TDateFormater {
 public:
  struct TItem {
    TDateFormatToken token;
    AnsiString text;  // literal text; empty for pattern words
  };

  explicit TDateFormater(std::string_view pattern);

  AnsiString DateTimeToStr(TDateTime value) const;
  AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings) const;

  // Text that does not fit the pattern raises EConvertError (a non-number where digits belong, an
  // unknown month or day name, an impossible date or time), and so does any text when the pattern's
  // fields run together (see above); an AM/PM field holding anything else
  // raises ESQLMemException 30129. A pattern without year, month or day gives 30 December 1899 plus
  // the time read.
  TDateTime StrToDateTime(std::string_view text) const;
  TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) const;

  // An upper bound of the length of any text DateTimeToStr produces for years 1..9999 under these
  // settings (names are measured in the settings' name lists).
  Integer GetResultLength() const;
  Integer GetResultLength(const TFormatSettings& settings) const;

  const std::vector<TItem>& Items() const noexcept { return items_; }

 private:
  std::vector<TItem> items_;
  AnsiString unreadable_;  // why parsing is refused; empty when the pattern reads back
};

// The length of the longest pattern word (5, "MONTH"), which bounds the compiler's look-ahead.
Integer DateFormatMaxTokenLength();

// The date formats' start-up step: fixes the compiler's look-ahead from the token table.
void StartDateFormatUnit();

// ---- value buffers ----

// Bytes of a value of the base data type: length is the character count of text types and the byte
// count of Bytes/VarBytes. BLOB types count their 8-byte slot. An unknown type raises 30050
// "Unknown DataType: '%s'" with the type's name; a negative length raises ERangeError.
Integer ValueBufferSize(Integer dataType, Integer length);

// Copies a value into a new engine block that the caller owns (buffer and size are set; buffer is
// nullptr and size 0 when there is nothing to copy).
//  - 8-bit text (1, 3): source is zero-terminated; the block holds the text and its terminator. An
//    empty text gives no block.
//  - wide text (2, 4): the same with zero-terminated UTF-16 units (source need not be aligned).
//  - BLOB, Memo, WideMemo, Bytes, VarBytes (18..20, 23, 24): the length bytes at source, without any
//    terminator; length 0 gives no block.
//  - every other type: ValueBufferSize(type, 0) bytes.
// An unknown type raises 30050; allocation failures raise as the memory manager does.
void CopyValueToBuffer(Integer dataType, const void* source, void*& buffer, Integer& size, Integer length = 0);

// Text in the HEX (16) or MIME base 64 (4196) string format decoded into a new engine block exactly as
// long as the bytes (size is set); no bytes give nullptr and size 0. Input the format does not accept
// raises EStringFormat. The caller owns the block.
void* HexToBinaryBuffer(std::string_view text, Integer& size);
void* Mime64ToBinaryBuffer(std::string_view text, Integer& size);

// ---- wide text ----

// The locale's one-to-one upper and lower casing of each character.
WideString UpperCaseWide(std::u16string_view text);
WideString LowerCaseWide(std::u16string_view text);
