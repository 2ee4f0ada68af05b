// Variant: a value of one of the platform's variant types, told apart by its VarType code (the codes
// below are the platform's and are stored by callers). Conversions between the scalar kinds follow the
// platform: text <-> number through the process-wide FormatSettings, Boolean true is -1 as a number
// and "True" as text, a Date is its TDateTime number. Null converts to nothing (the conversion raises);
// Empty converts to 0, "" or false. Variant arrays are one-dimensional with any bounds.
#pragma once
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include "vcl/rtl/Currency.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/SysTypes.h"

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;  // WideString
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;  // element type of arrays that hold any variant
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varUInt64 = 0x0015;
inline constexpr TVarType varStrArg = 0x0048;
inline constexpr TVarType varString = 0x0100;  // AnsiString (Windows-1250)
inline constexpr TVarType varAny = 0x0101;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;  // flag: an array of the masked element type
inline constexpr TVarType varByRef = 0x4000;

enum TVariantRelationship { vrEqual = 0, vrLessThan = 1, vrGreaterThan = 2, vrNotEqual = 3 };

// The errors, with the texts they carry:
QN_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);    // "Invalid variant operation"
QN_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);     // "Could not convert variant of type (%s) into
                                                                // type (%s)", "Invalid variant type conversion"
QN_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);     // "Overflow while converting variant of type
                                                                // (%s) into type (%s)"
QN_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError);   // "Invalid argument"
QN_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);   // "Invalid variant type"
QN_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);     // "Variant or safe array index out of bounds"
QN_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);   // "Variant is not an array"
QN_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);  // "Error creating variant or safe array"

class Variant {
 public:
  Variant() noexcept;  // Empty (Unassigned)
  Variant(bool value);
  // Integers take the code of their width and signedness: ShortInt, Byte, Smallint, Word, Integer,
  // LongWord, Int64, UInt64.
  template <IntegerValue T>
  Variant(T value) : Variant(IntegerCode<T>(), static_cast<Int64>(value)) {}
  Variant(float value);
  Variant(double value);
  Variant(Currency value);
  Variant(char value);  // a one-character string
  Variant(const char* value);
  Variant(std::string_view value);
  Variant(const AnsiString& value);
  Variant(AnsiString&& value);
  Variant(const char16_t* value);
  Variant(const WideString& value);
  Variant(WideString&& value);

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsArray() const { return (type_ & varArray) != 0; }

  // Conversions (see the unit comment). A value the target cannot hold raises EVariantOverflowError;
  // a kind the target cannot take (Null, an array, text that is no number or date) raises
  // EVariantTypeCastError. Floating values round to integers half to even.
  bool AsBoolean() const;
  ShortInt AsShortInt() const;
  Byte AsByte() const;
  SmallInt AsSmallInt() const;
  Word AsWord() const;
  Integer AsInteger() const;
  LongWord AsLongWord() const;
  Int64 AsInt64() const;
  UInt64 AsUInt64() const;
  float AsSingle() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  AnsiString AsString() const;
  WideString AsWideString() const;

 private:
  struct ArrayData;
  friend struct VariantAccess;

  Variant(TVarType type, Int64 bits);
  template <typename T>
  static constexpr TVarType IntegerCode() {
    if constexpr (std::is_signed_v<T>) {
      return sizeof(T) == 1 ? varShortInt : sizeof(T) == 2 ? varSmallint : sizeof(T) == 4 ? varInteger : varInt64;
    } else {
      return sizeof(T) == 1 ? varByte : sizeof(T) == 2 ? varWord : sizeof(T) == 4 ? varLongWord : varUInt64;
    }
  }

  TVarType type_ = varEmpty;
  Int64 int_ = 0;     // integer kinds (UInt64 as its bits), Boolean 0/1, Currency's raw amount
  double real_ = 0;   // Single, Double, Date
  AnsiString str_;    // varString
  WideString wstr_;   // varOleStr
  std::unique_ptr<ArrayData> array_;
};

Variant Null();
Variant Unassigned();
Variant VarFromDateTime(TDateTime value);  // a varDate variant (a TDateTime alone would be a Double)

inline TVarType VarType(const Variant& v) { return v.VarType(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsType(const Variant& v, TVarType type);
bool VarIsOrdinal(const Variant& v);  // integer kinds and Boolean
bool VarIsFloat(const Variant& v);    // Single, Double, Currency
bool VarIsNumeric(const Variant& v);  // ordinal or float
bool VarIsStr(const Variant& v);      // varString or varOleStr
// The type's name as messages show it: "Integer", "String", "OleStr", "Array Variant", "$0400".
AnsiString VarTypeAsText(TVarType type);

// The variant converted to `type` (a scalar code, varEmpty or varNull). Arrays convert only to their
// own type; other targets raise EVariantTypeCastError "Invalid variant type conversion".
Variant VarAsType(const Variant& v, TVarType type);
// Text of the value, "" for Null and Empty (where AsString raises on Null).
AnsiString VarToStr(const Variant& v);
AnsiString VarToStrDef(const Variant& v, const AnsiString& defaultValue);
WideString VarToWideStr(const Variant& v);
TDateTime VarToDateTime(const Variant& v);

// Arrays. VarArrayCreate makes an array of lowBound..highBound (highBound = lowBound - 1 is empty)
// with zero elements (Empty for varVariant); the element type is a scalar type other than varString
// (EVariantBadVarTypeError otherwise). VarArrayOf makes a varVariant array with bounds 0..n-1.
Variant VarArrayCreate(Integer lowBound, Integer highBound, TVarType elementType);
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(std::span<const Variant> values);
// A byte array (varArray | varByte, code 8209) with bounds 0..n-1.
Variant VarArrayOfBytes(std::span<const Byte> bytes);
Integer VarArrayDimCount(const Variant& v);  // 1 for an array, 0 otherwise
// Bounds of dimension `dim` (1 only). Not an array: EVariantNotAnArrayError; another dimension:
// EVariantBadIndexError.
Integer VarArrayLowBound(const Variant& v, Integer dim = 1);
Integer VarArrayHighBound(const Variant& v, Integer dim = 1);
// Element access; an index outside the bounds raises EVariantBadIndexError. Put converts the value to
// the element type of a typed array.
Variant VarArrayGet(const Variant& v, Integer index);
void VarArrayPut(Variant& v, const Variant& value, Integer index);
// Changes the high bound, keeping the elements that stay and zeroing new ones.
void VarArrayRedim(Variant& v, Integer highBound);
// The bytes of a byte array, in place; any other variant raises (not an array: EVariantNotAnArrayError,
// another element type: EVariantInvalidArgError).
std::span<Byte> VarArrayBytes(Variant& v);
std::span<const Byte> VarArrayBytes(const Variant& v);

// Compares as the platform does: Empty equals only Empty and Null only Null, and either against
// anything else is vrNotEqual. Numbers (Boolean as -1/0, Date as its number) compare by value; texts
// compare ordinally (Windows-1250 bytes, or UTF-16 units when one side is an OleStr); a text against a
// number, date or Boolean is converted to that kind first (raising when it cannot be). Arrays raise
// EVariantInvalidOpError.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);
bool operator==(const Variant& a, const Variant& b);
