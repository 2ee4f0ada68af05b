// Conversion between the base data types' storage forms, comparison of two typed values with the
// engine's result codes, and the result-type table that decides in which type two values meet.
// Every change of a value's type in the engine goes through ConvertValueBuffer.
#pragma once
#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/SysTypes.h"

// A value in its type's storage form, as conversion and comparison read it. size is the number of
// bytes readable at data: text is read up to its first zero byte (unit) or the end of those bytes,
// whichever comes first, so BLOB blocks without a terminator are safe to pass.
struct TSQLMemValueRef {
  const void* data = nullptr;
  Integer size = 0;
  Integer dataType = 0;
  bool isNull = false;
};

// ---- conversion ----
// Converts the value at source (sourceSize bytes of sourceType's storage form) into a new engine block
// of targetType's storage form. Text results carry their terminator, BLOB results (18..20) do not.
// An empty text result gives an empty TSQLMemBlock (the value it lands in is null).
//
// A pair without a conversion raises 30052 "Cannot cast from '%s' to '%s'"; a conversion that fails
// (text that does not parse, a number outside the target's range) raises 30051 with the same text.
// Both name the source and target by EngineDataTypeName. Rules worth knowing:
//  - text -> numbers: integers by the runtime's parsers, Cardinal read as 64-bit and checked to
//    0..4294967295; floats always with "." as the decimal separator; Currency with the locale's.
//  - numbers -> text: floats and Currency with the locale's decimal separator.
//  - ShortInt..LargeInt to a narrower integer keep the low bytes unchecked; unsigned sources and
//    every float, date or Currency source are range-checked.
//  - Integers -> Date/Time/TimeStamp are day numbers and milliseconds, not TDateTime days.
TSQLMemBlock ConvertValueBuffer(const void* source, Integer sourceSize, Integer sourceType, Integer targetType);
// The same, returning only the block, which the caller frees with MemoryManager().FreeMem.
void* ConvertValueData(const void* source, Integer sourceSize, Integer sourceType, Integer targetType);
// Converts into out, without an engine block, the conversions whose result has a fixed size and
// needs no block on the way: text to an integer type, and integer or float values to a numeric type
// that holds them. Returns false (out untouched, nothing raised) for every other case, which
// ConvertValueBuffer serves. When it returns true, out holds ValueBufferSize(targetType, 0) bytes
// (at most 16), the bytes ConvertValueBuffer gives, and it raises what ConvertValueBuffer raises.
bool ConvertValueOnStack(const void* source, Integer sourceSize, Integer sourceType, Integer targetType, Byte* out);
// The text ConvertValueBuffer gives for an integer value in a Varchar (without its terminator); false
// for a value of another type.
bool IntegerValueText(const void* source, Integer sourceSize, Integer sourceType, AnsiString& text);

// ---- comparison ----
// Result codes of CompareValues.
enum TSQLMemCompareCode : Integer {
  ccEqual = 0,
  ccLess = 1,         // first less than second
  ccGreater = 2,      // first greater than second
  ccFirstNull = 3,    // only the first is null
  ccSecondNull = 4,   // only the second is null
  ccBothNull = 5,
};

// Compares first with second. Nulls decide first (codes 3, 4, 5). Otherwise both meet in the type of
// OperationResultType(first, second) (the first's type when the types are equal; 30044 when the pair
// has none) and are compared there: text by the user's locale with string sort order (case ignored on
// request; length >= 0 compares only the first length characters of each text), integers by value
// with the signedness of the type, floats and Currency as floats, time stamps by day then milliseconds,
// Booleans with false before true. A type without an order (BLOB, Bytes) raises 30047
// "Unknown DataType: '%s'"; an operand without data raises 30140 "Value is Null".
Integer CompareValues(const TSQLMemValueRef& first, const TSQLMemValueRef& second, bool caseInsensitive,
                      Integer length);
// -1 for codes 1 and 3, +1 for 2 and 4, 0 for 0 and 5.
Integer CompareValuesSign(Integer code);

// ---- result types ----
// The base data type in which a binary operation of a left and a right operand is carried out, 0 when
// the pair has none. The table is not symmetric: a number with Currency gives Currency, Currency with a
// number the number; Date with Time gives TimeStamp, TimeStamp with Date gives Date. Signed with
// unsigned integers meet in the next wider signed type (ShortInt with Byte: SmallInt; ShortInt or
// SmallInt with Word: Integer; with Cardinal: LargeInt), except that Byte with Word gives Word.
Byte OperationResultType(Integer left, Integer right);
// The same lifted to SQL field types: the left field type when its data type is the result, else the
// right one when its data type is, else the first field type of the result's data type.
Integer CommonFieldType(Integer leftFieldType, Integer rightFieldType);
