// TSQLMemVariant: the engine's one scalar value. Field values, SQL parameters, defaults, expression
// results and aggregate accumulators are all one: a base data type, an engine block holding the value
// in that type's storage form, and a null mark. Setters keep a typed value's declared type and convert
// into it; conversion, comparison and hashing follow SQLMemValueConvert. The SQL operators (arithmetic,
// numeric functions, bitwise operators, HEX) work on it in place.
#pragma once
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/SysTypes.h"
#include "vcl/rtl/Variant.h"

class TStream;

// Ownership: the value owns its block and frees it (zero-filled first under EngineWipeMemory), unless the
// block is borrowed: Assign(source, false) shares the source's block and SetData without copy may take
// a foreign one. A borrowed block is never freed or resized by the value, which must not outlive the
// block's owner.
//
// Invariants: the value is null when the null mark is set or there is no block. 8-bit text holds its
// terminator (size = length + 1), wide text likewise (size = 2 * (length + 1)); BLOB types (18..20)
// hold exactly their bytes.
//
// Stream form (little-endian, no padding): data type byte; null mark byte (255 null, 0 value); then,
// only for a value, an int32 data size and the data bytes.
class TSQLMemVariant {
 public:
  static constexpr Byte kNullMark = 255;

  // A null value of the data type (0: not yet typed; the first setter gives it a type).
  explicit TSQLMemVariant(Integer dataType = edtNone);
  virtual ~TSQLMemVariant();
  TSQLMemVariant(const TSQLMemVariant&) = delete;
  TSQLMemVariant& operator=(const TSQLMemVariant&) = delete;

  // Reads the stream form after clearing the value to type 0. Short reads raise ESQLMemException
  // 10183 (type), 10184 (null mark), 10185 (size), 10186 (data); a size that is negative or larger
  // than what the stream still holds raises 10186 before anything is allocated.
  virtual void LoadFromStream(TStream& stream);
  // Writes the stream form; short writes raise 10179 (type), 10180, 10181, 10182 (data).
  virtual void SaveToStream(TStream& stream) const;
  // Becomes the source's type, size and null mark. A non-null source's block is shared (borrowed)
  // without copyData; with copyData the value gets its own copy (for BLOB types of an owned source
  // block, the whole block as the memory manager allocated it).
  virtual void Assign(const TSQLMemVariant& source, bool copyData);

  // ---- state and raw access ----
  Byte DataType() const noexcept { return dataType_; }
  Integer DataSize() const noexcept { return dataSize_; }
  void* Data() const noexcept { return data_; }
  bool OwnsData() const noexcept { return !notOwned_; }

  // Frees an owned block; afterwards the value is a null of newType with no block.
  void Clear(Integer newType = edtNone);
  // Sets the null mark only: type, block and size stay.
  void SetNull() noexcept { nullMark_ = kNullMark; }
  bool IsNull() const noexcept { return nullMark_ != 0 || data_ == nullptr; }
  // Raises 30016 "Value is Null" when IsNull.
  void CheckNotNull() const;
  // 0 marks the value null; otherwise the block is resized to n bytes (kept bytes stay; a borrowed
  // block is copied into a new owned one) and the null mark is cleared. Negative n raises ERangeError.
  void SetDataSize(Integer n);
  // Takes block (an engine block) as the value's own data without copying; a missing block or a
  // length <= 0 clears the value to a null of its type instead.
  void AttachData(void* block, Integer length);
  // With copy, the value gets length bytes of buffer in its own block (reusing an owned block of that
  // size); without copy, buffer itself becomes the data, owned when takeOwnership is set (then it must
  // be an engine block) and borrowed otherwise. A missing buffer or length <= 0 clears the value to a
  // null of dataType.
  void SetData(void* buffer, Integer length, Integer dataType, bool copy, bool takeOwnership);
  // Copies the data (at most maxLength bytes unless maxLength is -1) to buffer; false when null.
  bool CopyDataTo(void* buffer, Integer maxLength) const;
  // Retypes the value: a null value just takes the type; a value is converted, and a value that does
  // not convert becomes a null of type t (the conversion's error is dropped).
  void SetDataType(Integer t);
  // Converts the value in place. Refused pairs and failed conversions raise (30052, 30051) and leave
  // the value unchanged.
  void ConvertTo(Integer t);

  // ---- the two engines of the typed accessors ----
  // Stores a value given in sourceType's storage form: text types zero-terminated; BLOB, Bytes and
  // VarBytes as length bytes (length is ignored for the other types). A value of type 0 takes
  // sourceType; a BLOB-typed value becomes sourceType; any other typed value converts the input into
  // its own type. An empty text or byte string leaves a null value. A failed conversion raises and
  // leaves the value unchanged.
  void SetValue(const void* buffer, Integer sourceType, Integer length = 0);
  // Writes the value in wantedType's storage form to out, for fixed-size types (not text, BLOB or
  // bytes: use the text getters for those). Raises 30016 for a null value; the value is unchanged.
  void GetValue(void* out, Integer wantedType) const;

  // ---- typed accessors (getters raise 30016 "Value is Null" on null, except the text getters,
  // which give empty text) ----
  void SetAsShortInt(ShortInt v);
  ShortInt GetAsShortInt() const;
  void SetAsSmallInt(SmallInt v);
  SmallInt GetAsSmallInt() const;
  void SetAsInteger(Integer v);
  Integer GetAsInteger() const;
  void SetAsLargeInt(Int64 v);
  Int64 GetAsLargeInt() const;
  void SetAsByte(Byte v);
  Byte GetAsByte() const;
  void SetAsWord(Word v);
  Word GetAsWord() const;
  void SetAsCardinal(Cardinal v);
  Cardinal GetAsCardinal() const;
  void SetAsString(const AnsiString& v);
  AnsiString GetAsString() const;
  void SetAsWideString(const WideString& v);
  WideString GetAsWideString() const;
  void SetAsSingle(float v);
  float GetAsSingle() const;
  void SetAsDouble(double v);
  double GetAsDouble() const;
  void SetAsExtended(long double v);
  long double GetAsExtended() const;
  void SetAsDateValue(Integer dayNumber);
  Integer GetAsDateValue() const;
  void SetAsDate(TDateTime v);
  TDateTime GetAsDate() const;
  void SetAsTimeValue(Integer msecs);
  Integer GetAsTimeValue() const;
  void SetAsTime(TDateTime v);
  TDateTime GetAsTime() const;
  void SetAsTimeStampValue(const TSQLMemTimeStamp& v);
  TSQLMemTimeStamp GetAsTimeStampValue() const;
  void SetAsDateTime(TDateTime v);
  TDateTime GetAsDateTime() const;
  void SetAsBoolean(bool v);  // stored as -1 / 0
  bool GetAsBoolean() const;
  void SetAsCurrency(double amount);
  double GetAsCurrency() const;

  // ---- type tests on the value's own data type ----
  bool IsNumeric() const { return IsNumericDataType(dataType_); }
  bool IsInteger() const { return IsIntegerDataType(dataType_); }
  bool IsText() const { return IsTextDataType(dataType_); }
  bool IsWide() const { return IsWideDataType(dataType_); }
  bool IsBLOB() const { return IsBLOBDataType(dataType_); }
  bool IsDateTime() const { return IsDateTimeDataType(dataType_); }
  // BLOB types: the data size in bytes; text: the length in characters; -1 when null or not text.
  Integer GetTextLength() const;

  // ---- exchange with Variant ----
  // By the Variant's type code: Null marks the value null (type kept); the scalar codes go through the
  // setter of their kind; 8-bit strings (72, 256, 257) and custom codes 272..2047 through SetAsString;
  // a byte array (8209) is stored as Bytes (23). Any other code, Empty included, raises 30113
  // "Unsupported Variant Type %s" with the code in decimal.
  void SetAsVariant(const Variant& v);
  // By the data type: text as String or OleStr, integers in their own width, floats and Currency as
  // Double, Date and Time as a Double TDateTime, TimeStamp as a Date variant, BLOB as a String up to
  // its first zero byte, Boolean, Bytes as a byte array (Empty when null). Other types give Null when
  // null and otherwise raise 30114 "Unsupported Variant Type %s" with the type's name.
  Variant GetAsVariant() const;

  // ---- comparison and hash ----
  // Compares this value (first) with other (second) by CompareValues in the user's locale. rawCodes
  // keeps codes 3..5; otherwise a null sorts before any value and two nulls are equal (3 -> 1, 4 -> 2,
  // 5 -> 0). partial compares only other's text length, so "abcdef" partially equals "abc". A BLOB-typed
  // value against a text value compares as text: a Memo as 8-bit text, a WideMemo as wide text, a BLOB
  // as text of the other side's type (a partial compare then takes the text side's length).
  Integer Compare(const TSQLMemVariant& other, bool rawCodes, bool partial, bool caseInsensitive) const;
  // CRC-32 from 0xDE3C6A08 over the value's bytes (text without its terminator), plus each byte when
  // there are at most 10; a null value hashes to 0x73B58EAF.
  Cardinal GetHash() const;

  // ---- operators (SQLMemVariantOps.cpp) ----
  // Each works in place on this value, the left operand; the right operand is only read (it may be
  // this value itself). A binary operator meets both sides in t = OperationResultType(this type, right
  // type): a pair without one raises 30052 "Cannot cast from '%s' to '%s'" naming "Unknown" as the
  // target; reading a side in t converts it (30051 / 30052 on failure); the result is a value of type
  // t. Every operator checks and computes before it stores: a failing operator leaves the value as it
  // was.
  //
  // Integers: Integer, Cardinal and LargeInt results wrap around (modulo 2^32, 2^64), as do day numbers;
  // a ShortInt, SmallInt, Byte or Word result outside its type raises ERangeError. Floats and Currency
  // are computed in extended precision; a result too large for its type raises EOverflow, an invalid
  // one (0/0, inf - inf) EInvalidOp, a division of a non-zero number by zero EZeroDivide.
  // Dates, times and time stamps: a null date part (NullDate) or null time part (NullTime) counts as
  // zero, and a result part is null only when both operands' parts are. Time sums, products and
  // quotients are plain millisecond counts, wrapping only modulo 2^32 (23:00 + 02:00 is 25:00, a
  // duration); a Time difference and a negated Time stay in 0..86399999 (a time of day). A time stamp's
  // whole days of milliseconds are carried into (or borrowed from) its day number.

  // "+", SUM, CUMSUM. When either side is text (IsText), the two texts concatenated (a null side adds
  // nothing), wide when either side is wide, stored by the text setter, which keeps this value's type:
  // Integer 1 + '2' is Integer 12, Integer 1 + 'x' raises 30051. Otherwise a null right side makes the
  // value null, a null value becomes a copy of the right side (an empty accumulator), and two values
  // add in t: integers and floats as above, Date day numbers, Time milliseconds, TimeStamp both parts,
  // Boolean OR. Any other t raises 30124 "Not numeric argument in numeric operator '%s'" ("+").
  void Add(const TSQLMemVariant& right);
  // Binary "-": what Add gives with the negated right side (Negate), except that two non-null numbers
  // subtract directly in t, so that Byte 10 - Byte 5 is 5 (10 + 251 would leave the Byte's range) and
  // Integer 1 - Cardinal 1 is 0 (not 1 + 4294967295). A time stamp minus a time stamp is the
  // difference as days and milliseconds (normalised as above); a date or time stamp minus a number
  // goes back that many days.
  void Subtract(const TSQLMemVariant& right);
  // Unary "-". A null value stays null. ShortInt..LargeInt negated (the type's minimum raises
  // ERangeError for 8/16 bits, EIntOverflow for 32/64); Byte, Word, Cardinal negated as the signed type
  // of their width (above 128, 32768, 2^31: ERangeError) and cut back to their width (Byte 5 -> 251);
  // floats and Currency; Date the day number; Time one day minus the milliseconds, modulo one day;
  // TimeStamp both parts, normalised; Boolean NOT. Other types raise 30123 "Cannot invert value with
  // not numeric type '%s'" with the type's name.
  void Negate();
  // "*", CUMPROD. A null value stays null; a null right side makes the value null. Product in t (Date
  // and Time the raw numbers, TimeStamp part by part, Boolean OR); other t raise 30126 ("*").
  void Multiply(const TSQLMemVariant& right);
  // "/". Nulls as Multiply. Integer quotient truncated toward zero, float quotient, Date and Time the
  // raw numbers, TimeStamp part by part, Boolean OR; other t raise 30127 ("/"). Every failure other than
  // an ESQLMemException (division by zero, overflow, invalid operation, range) is raised as 30128
  // "Division error: %s" with the original message.
  void Divide(const TSQLMemVariant& right);
  // ABS. A null value stays null. ShortInt..LargeInt (the minimum raises as in Negate), floats and
  // Currency; Byte, Word, Cardinal unchanged. Other types raise 11651 (argument "ABS").
  void Abs();
  // CEILING / FLOOR. A null or non-numeric value becomes null. The result is an Integer: integer values
  // keep their number, floats and Currency give their ceiling / floor; a result outside 32 bits raises
  // EIntOverflow.
  void Ceiling();
  void Floor();
  // MOD, "%". A null value stays null; a non-numeric side (IsNumeric) makes the value null; a null
  // numeric right side raises 30016 "Value is Null". Both sides are read as LargeInt and the value
  // becomes the LargeInt remainder (sign of the dividend); a zero divisor raises EDivByZero.
  void Modulo(const TSQLMemVariant& right);
  // POWER. Nulls as Modulo. Two integer types: the exact LargeInt power (EIntOverflow beyond 64 bits; a
  // negative exponent truncates toward zero, and 0 to a negative power raises EZeroDivide). Otherwise
  // both are read as Extended and the value becomes the Extended power (EInvalidOp for a negative base
  // with a fractional exponent, EZeroDivide for 0 to a negative power, EOverflow).
  void Power(const TSQLMemVariant& right);
  // RANDOM. Without a range, or with a null one, an Extended in [0, 1); with a range n (read as Integer)
  // an Integer in [0, n), 0 when n <= 0. Draws from the process's seedable generator (os::RandSeed).
  void Random(const TSQLMemVariant* range);
  // ROUND. A null value raises 30016. The value is read as Extended. Without digits: a LargeInt, halves
  // to even (ROUND(2.5) is 2); with digits d (a 32-bit number, |d| <= 9, else ERangeError /
  // EIntOverflow): an Extended rounded to d decimals, halves away from zero (ROUND(-2.567, 2) is -2.57);
  // a negative d rounds to tens, hundreds, ... (ROUND(1250, -2) is 1300).
  void Round(const TSQLMemVariant* digits);
  // TRUNCATE. As Round, truncating toward zero instead.
  void Truncate(const TSQLMemVariant* digits);
  // SIGN. A null value stays null. Signed integers, floats and Currency give 1, -1 or 0; Byte, Word and
  // Cardinal 1 or 0; the value keeps its type. Other types raise 11652 (argument "SIGN").
  void Sign();
  // "&", "|", "^" (XOR). A null value stays null; a null right side makes it null (type kept). Integer t
  // bitwise, Boolean t logically; other t raise 11645, 11646, 11650.
  void BitAnd(const TSQLMemVariant& right);
  void BitOr(const TSQLMemVariant& right);
  void BitXor(const TSQLMemVariant& right);
  // "~". A null value stays null. Integers complemented within their type, Boolean NOT; other types
  // raise 11647.
  void BitNot();
  // "<<", ">>". Nulls as BitAnd. Integer t only (others raise 11648, 11649). The count is the right
  // side read in t, taken modulo 32 (modulo 64 for LargeInt); the shift works on the 32-bit pattern of
  // the number (64-bit for LargeInt), ShiftRight logically; a ShortInt, SmallInt, Byte or Word result
  // outside its type raises ERangeError.
  void ShiftLeft(const TSQLMemVariant& right);
  void ShiftRight(const TSQLMemVariant& right);
  // HEX. Style 1 prefixes "$", style 2 "0x" and lower-cases the whole text, any other style nothing. A
  // text value gives its bytes in hexadecimal (the text without terminator), an integer its upper-case
  // hex digits, at least 2 (ShortInt, Byte), 4 (SmallInt, Word), 8 (Integer, Cardinal) or 16 (LargeInt)
  // of them. The result is 8-bit text of type Char; a null value or any other type gives a null Char.
  void ToHexString(Integer style);

 private:
  // The value's bytes in wantedType's storage form: its own block when the types agree, else a
  // converted copy.
  class TView;
  TView ViewAs(Integer wantedType) const;
  template <class T>
  T GetFixed(Integer wantedType) const;
  template <class T>
  void SetFixed(Integer sourceType, T v);
  // Takes an owned block (nullptr leaves a null).
  void TakeBlock(void* block, Integer size) noexcept;

  Byte dataType_ = edtNone;
  Integer dataSize_ = 0;
  void* data_ = nullptr;
  bool notOwned_ = false;
  Byte nullMark_ = kNullMark;
};
