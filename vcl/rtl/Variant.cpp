#include "vcl/rtl/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/StrUtils.h"
#include "vcl/rtl/TextConv.h"

// Element storage of a variant array: bytes packed for byte arrays, variants of the element type
// otherwise.
struct Variant::ArrayData {
  TVarType elementType = varVariant;
  Integer lowBound = 0;
  std::vector<Byte> bytes;
  std::vector<Variant> items;

  Int64 Count() const { return elementType == varByte ? static_cast<Int64>(bytes.size()) : static_cast<Int64>(items.size()); }
  Integer HighBound() const { return static_cast<Integer>(lowBound + Count() - 1); }
};

// The conversion code needs the representation; it lives here rather than in the class.
struct VariantAccess {
  using ArrayData = Variant::ArrayData;
  static const Variant::ArrayData* Array(const Variant& v) { return v.array_.get(); }
  static Variant::ArrayData* Array(Variant& v) { return v.array_.get(); }
  static Int64 Int(const Variant& v) { return v.int_; }
  static double Real(const Variant& v) { return v.real_; }
  static const AnsiString& Str(const Variant& v) { return v.str_; }
  static const WideString& WStr(const Variant& v) { return v.wstr_; }
  static Variant Make(TVarType type, Int64 bits) { return Variant(type, bits); }
  static Variant MakeReal(TVarType type, double value) {
    Variant v;
    v.type_ = type;
    v.real_ = value;
    return v;
  }
  static Variant MakeArray(std::unique_ptr<Variant::ArrayData> data) {
    Variant v;
    v.type_ = static_cast<TVarType>(varArray | data->elementType);
    v.array_ = std::move(data);
    return v;
  }
};

namespace {

using Int128 = __int128;
using VA = VariantAccess;

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) + ") into type (" +
                              VarTypeAsText(to) + ")");
}

[[noreturn]] void RaiseInvalidCast() { throw EVariantTypeCastError("Invalid variant type conversion"); }

[[noreturn]] void RaiseOverflow(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void RaiseBadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }

bool IsOrdinalType(TVarType t) {
  switch (t) {
    case varSmallint:
    case varInteger:
    case varBoolean:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64: return true;
    default: return false;
  }
}

bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble || t == varCurrency; }

bool IsStringType(TVarType t) { return t == varString || t == varOleStr; }

// The scalar codes a variant can hold and convert to.
bool IsScalarType(TVarType t) {
  return IsOrdinalType(t) || IsFloatType(t) || IsStringType(t) || t == varDate;
}

// A number taken from a variant: an exact integer, a floating value or a Currency amount.
struct Num {
  enum Kind { Int, Float, Curr } kind = Int;
  Int128 i = 0;
  double d = 0;
  Int64 raw = 0;

  static Num OfInt(Int128 v) { return Num{Int, v, 0, 0}; }
  static Num OfFloat(double v) { return Num{Float, 0, v, 0}; }
  static Num OfCurr(Int64 r) { return Num{Curr, 0, 0, r}; }

  double AsDouble() const {
    switch (kind) {
      case Int: return static_cast<double>(i);
      case Float: return d;
      default: return static_cast<double>(raw) / Currency::kScale;
    }
  }
};

Int128 DivRoundEven(Int128 num, Int128 den) {
  Int128 q = num / den;
  Int128 r = num % den;
  Int128 twice = (r < 0 ? -r : r) * 2;
  if (twice > den || (twice == den && q % 2 != 0)) q += num < 0 ? -1 : 1;
  return q;
}

UInt64 ParseUnsigned(std::string_view s, bool& ok) {
  UInt64 v = 0;
  std::string_view t = s;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  ok = r.ec == std::errc() && r.ptr == t.data() + t.size() && !t.empty();
  return v;
}

// The text of a variant that holds a string, as Windows-1250.
AnsiString StringOf(const Variant& v) {
  return v.VarType() == varOleStr ? Utf16ToCp1250(VA::WStr(v)) : VA::Str(v);
}

// The number in a variant, for conversion into `target`.
Num ToNum(const Variant& v, TVarType target) {
  TVarType t = v.VarType();
  switch (t) {
    case varEmpty: return Num::OfInt(0);
    case varBoolean: return Num::OfInt(VA::Int(v) != 0 ? -1 : 0);
    case varUInt64: return Num::OfInt(static_cast<UInt64>(VA::Int(v)));
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return Num::OfInt(VA::Int(v));
    case varSingle:
    case varDouble:
    case varDate: return Num::OfFloat(VA::Real(v));
    case varCurrency: return Num::OfCurr(VA::Int(v));
    case varString:
    case varOleStr: {
      AnsiString s = StringOf(v);
      Int64 i;
      if (TryStrToInt64(s, i)) return Num::OfInt(i);
      bool ok;
      UInt64 u = ParseUnsigned(s, ok);
      if (ok) return Num::OfInt(u);
      if (target == varCurrency) {
        Currency c;
        if (TryStrToCurr(s, c)) return Num::OfCurr(c.Raw());
      }
      double d;
      if (TryStrToFloat(s, d)) return Num::OfFloat(d);
      RaiseCast(t, target);
    }
    default:
      if (t & varArray) RaiseInvalidCast();
      RaiseCast(t, target);
  }
}

Int128 ToInteger(const Variant& v, TVarType target, Int128 lo, Int128 hi) {
  Num n = ToNum(v, target);
  Int128 r;
  switch (n.kind) {
    case Num::Int: r = n.i; break;
    case Num::Curr: r = DivRoundEven(n.raw, Currency::kScale); break;
    default: {
      double d = std::nearbyint(n.d);
      // Beyond 2^64 no integer target can hold it; the check also catches NaN and infinities.
      if (!(std::fabs(d) < 18446744073709551616.0)) RaiseOverflow(v.VarType(), target);
      r = static_cast<Int128>(d);
    }
  }
  if (r < lo || r > hi) RaiseOverflow(v.VarType(), target);
  return r;
}

template <typename T>
T ToIntegerOf(const Variant& v, TVarType target) {
  return static_cast<T>(ToInteger(v, target, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

bool BooleanFromString(const Variant& v) {
  AnsiString s = StringOf(v);
  bool b;
  if (TryStrToBool(Trim(s), b)) return b;
  RaiseCast(v.VarType(), varBoolean);
}

// A Single as text: the shortest of 7 or 9 significant digits that reads back as the same Single.
AnsiString SingleToStr(float f) {
  AnsiString s = FloatToStrF(f, ffGeneral, 7, 0);
  double back;
  if (TryStrToFloat(s, back) && static_cast<float>(back) == f) return s;
  return FloatToStrF(f, ffGeneral, 9, 0);
}

std::unique_ptr<VA::ArrayData> NewArray(Integer lowBound, Integer highBound, TVarType elementType) {
  bool allowed = elementType == varVariant || (IsScalarType(elementType) && elementType != varString);
  if (!allowed) throw EVariantBadVarTypeError("Invalid variant type");
  Int64 count = static_cast<Int64>(highBound) - lowBound + 1;
  if (count < 0) throw EVariantArrayCreateError("Error creating variant or safe array");
  auto data = std::make_unique<VA::ArrayData>();
  data->elementType = elementType;
  data->lowBound = lowBound;
  if (elementType == varByte)
    data->bytes.assign(static_cast<size_t>(count), 0);
  else
    data->items.assign(static_cast<size_t>(count), elementType == varVariant ? Variant() : VarAsType(Variant(), elementType));
  return data;
}

const VA::ArrayData& ArrayOf(const Variant& v) {
  const VA::ArrayData* a = VA::Array(v);
  if (!a) throw EVariantNotAnArrayError("Variant is not an array");
  return *a;
}

VA::ArrayData& ArrayOf(Variant& v) {
  VA::ArrayData* a = VA::Array(v);
  if (!a) throw EVariantNotAnArrayError("Variant is not an array");
  return *a;
}

size_t ElementIndex(const VA::ArrayData& a, Integer index) {
  Int64 offset = static_cast<Int64>(index) - a.lowBound;
  if (offset < 0 || offset >= a.Count()) RaiseBadIndex();
  return static_cast<size_t>(offset);
}

template <typename T>
int Compare3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

TVariantRelationship FromSign(int c) { return c < 0 ? vrLessThan : (c > 0 ? vrGreaterThan : vrEqual); }

// Compares two numbers exactly where both are exact (integers and Currency), else as doubles.
int CompareNums(const Num& a, const Num& b) {
  auto scaled = [](const Num& n) { return n.kind == Num::Curr ? static_cast<Int128>(n.raw) : n.i * Currency::kScale; };
  if (a.kind != Num::Float && b.kind != Num::Float) {
    if (a.kind == Num::Int && b.kind == Num::Int) return Compare3(a.i, b.i);
    return Compare3(scaled(a), scaled(b));
  }
  double x = a.AsDouble(), y = b.AsDouble();
  if (std::isnan(x) || std::isnan(y)) return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? -1 : 1);
  return Compare3(x, y);
}

}  // namespace

// ---- construction ----

Variant::Variant() noexcept = default;
Variant::Variant(TVarType type, Int64 bits) : type_(type), int_(bits) {}
Variant::Variant(bool value) : type_(varBoolean), int_(value ? 1 : 0) {}
Variant::Variant(float value) : type_(varSingle), real_(value) {}
Variant::Variant(double value) : type_(varDouble), real_(value) {}
Variant::Variant(Currency value) : type_(varCurrency), int_(value.Raw()) {}
Variant::Variant(char value) : type_(varString), str_(1, value) {}
Variant::Variant(const char* value) : type_(varString), str_(value ? value : "") {}
Variant::Variant(std::string_view value) : type_(varString), str_(value) {}
Variant::Variant(const AnsiString& value) : type_(varString), str_(value) {}
Variant::Variant(AnsiString&& value) : type_(varString), str_(std::move(value)) {}
Variant::Variant(const char16_t* value) : type_(varOleStr), wstr_(value ? value : u"") {}
Variant::Variant(const WideString& value) : type_(varOleStr), wstr_(value) {}
Variant::Variant(WideString&& value) : type_(varOleStr), wstr_(std::move(value)) {}

Variant::Variant(const Variant& other)
    : type_(other.type_),
      int_(other.int_),
      real_(other.real_),
      str_(other.str_),
      wstr_(other.wstr_),
      array_(other.array_ ? std::make_unique<ArrayData>(*other.array_) : nullptr) {}

Variant::Variant(Variant&& other) noexcept = default;

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept = default;
Variant::~Variant() = default;

Variant Null() { return VA::Make(varNull, 0); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime value) { return VA::MakeReal(varDate, value); }

// ---- conversions ----

bool Variant::AsBoolean() const {
  if (IsStringType(type_)) return BooleanFromString(*this);
  if (type_ == varBoolean) return int_ != 0;
  Num n = ToNum(*this, varBoolean);
  switch (n.kind) {
    case Num::Int: return n.i != 0;
    case Num::Curr: return n.raw != 0;
    default: return n.d != 0;
  }
}

ShortInt Variant::AsShortInt() const { return ToIntegerOf<ShortInt>(*this, varShortInt); }
Byte Variant::AsByte() const { return ToIntegerOf<Byte>(*this, varByte); }
SmallInt Variant::AsSmallInt() const { return ToIntegerOf<SmallInt>(*this, varSmallint); }
Word Variant::AsWord() const { return ToIntegerOf<Word>(*this, varWord); }
Integer Variant::AsInteger() const { return ToIntegerOf<Integer>(*this, varInteger); }
LongWord Variant::AsLongWord() const { return ToIntegerOf<LongWord>(*this, varLongWord); }
Int64 Variant::AsInt64() const { return ToIntegerOf<Int64>(*this, varInt64); }
UInt64 Variant::AsUInt64() const { return ToIntegerOf<UInt64>(*this, varUInt64); }

double Variant::AsDouble() const {
  if (type_ == varDouble || type_ == varDate || type_ == varSingle) return real_;
  return ToNum(*this, varDouble).AsDouble();
}

float Variant::AsSingle() const {
  double d = type_ == varSingle ? real_ : ToNum(*this, varSingle).AsDouble();
  if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) RaiseOverflow(type_, varSingle);
  return static_cast<float>(d);
}

Currency Variant::AsCurrency() const {
  if (type_ == varCurrency) return Currency::FromRaw(int_);
  Num n = ToNum(*this, varCurrency);
  switch (n.kind) {
    case Num::Curr: return Currency::FromRaw(n.raw);
    case Num::Int: {
      Int128 raw = n.i * Currency::kScale;
      if (raw > std::numeric_limits<Int64>::max() || raw < std::numeric_limits<Int64>::min())
        RaiseOverflow(type_, varCurrency);
      return Currency::FromRaw(static_cast<Int64>(raw));
    }
    default:
      try {
        return Currency::FromDouble(n.d);
      } catch (const EInvalidOp&) {
        RaiseOverflow(type_, varCurrency);
      }
  }
}

TDateTime Variant::AsDateTime() const {
  if (IsStringType(type_)) {
    TDateTime d;
    if (TryStrToDateTime(Trim(StringOf(*this)), d)) return d;
    RaiseCast(type_, varDate);
  }
  return ToNum(*this, varDate).AsDouble();
}

AnsiString Variant::AsString() const {
  switch (type_) {
    case varEmpty: return AnsiString();
    case varString: return str_;
    case varOleStr: return Utf16ToCp1250(wstr_);
    case varBoolean: return int_ != 0 ? "True" : "False";
    case varUInt64: return IntToStr(static_cast<UInt64>(int_));
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return IntToStr(int_);
    case varSingle: return SingleToStr(static_cast<float>(real_));
    case varDouble: return FloatToStr(real_);
    case varCurrency: return CurrToStr(Currency::FromRaw(int_));
    case varDate:
      try {
        return DateTimeToStr(real_);
      } catch (const EInvalidOp&) {  // far outside the calendar
        RaiseOverflow(type_, varString);
      }
    default:
      if (type_ & varArray) RaiseInvalidCast();
      RaiseCast(type_, varString);
  }
}

WideString Variant::AsWideString() const {
  if (type_ == varOleStr) return wstr_;
  try {
    return Cp1250ToUtf16(AsString());
  } catch (const EVariantTypeCastError&) {
    if (type_ & varArray) throw;
    RaiseCast(type_, varOleStr);
  }
}

Variant VarAsType(const Variant& v, TVarType type) {
  if (v.IsArray() || (type & varArray) != 0) {
    if (v.VarType() == type) return v;
    RaiseInvalidCast();
  }
  if (type == v.VarType()) return v;
  switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    default: break;
  }
  if (!IsScalarType(type)) RaiseInvalidCast();
  if (v.IsNull()) RaiseCast(varNull, type);
  switch (type) {
    case varSmallint: return v.AsSmallInt();
    case varInteger: return v.AsInteger();
    case varSingle: return v.AsSingle();
    case varDouble: return v.AsDouble();
    case varCurrency: return v.AsCurrency();
    case varDate: return VarFromDateTime(v.AsDateTime());
    case varOleStr: return v.AsWideString();
    case varBoolean: return v.AsBoolean();
    case varShortInt: return v.AsShortInt();
    case varByte: return v.AsByte();
    case varWord: return v.AsWord();
    case varLongWord: return v.AsLongWord();
    case varInt64: return v.AsInt64();
    case varUInt64: return v.AsUInt64();
    default: return v.AsString();
  }
}

AnsiString VarToStr(const Variant& v) { return v.IsNull() ? AnsiString() : v.AsString(); }

AnsiString VarToStrDef(const Variant& v, const AnsiString& defaultValue) {
  return v.IsNull() || v.IsEmpty() ? defaultValue : v.AsString();
}

WideString VarToWideStr(const Variant& v) { return v.IsNull() ? WideString() : v.AsWideString(); }

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

bool VarIsType(const Variant& v, TVarType type) { return v.VarType() == type; }
bool VarIsOrdinal(const Variant& v) { return IsOrdinalType(v.VarType()); }
bool VarIsFloat(const Variant& v) { return IsFloatType(v.VarType()); }
bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }
bool VarIsStr(const Variant& v) { return IsStringType(v.VarType()); }

AnsiString VarTypeAsText(TVarType type) {
  static const char* const kNames[] = {"Empty",   "Null",     "Smallint", "Integer", "Single",  "Double",
                                       "Currency", "Date",    "OleStr",   "Dispatch", "Error",  "Boolean",
                                       "Variant", "Unknown",  "Decimal",  "$000F",   "ShortInt", "Byte",
                                       "Word",    "LongWord", "Int64",    "UInt64"};
  AnsiString prefix;
  if (type & varArray) prefix += "Array ";
  if (type & varByRef) prefix += "ByRef ";
  TVarType base = type & varTypeMask;
  if (base < sizeof kNames / sizeof kNames[0]) return prefix + kNames[base];
  if (base == varString) return prefix + "String";
  if (base == varAny) return prefix + "Any";
  return prefix + "$" + IntToHex(base, 4);
}

// ---- arrays ----

Variant VarArrayCreate(Integer lowBound, Integer highBound, TVarType elementType) {
  return VA::MakeArray(NewArray(lowBound, highBound, elementType));
}

Variant VarArrayOf(std::span<const Variant> values) {
  auto data = std::make_unique<VA::ArrayData>();
  data->elementType = varVariant;
  data->items.assign(values.begin(), values.end());
  return VA::MakeArray(std::move(data));
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

Variant VarArrayOfBytes(std::span<const Byte> bytes) {
  auto data = std::make_unique<VA::ArrayData>();
  data->elementType = varByte;
  data->bytes.assign(bytes.begin(), bytes.end());
  return VA::MakeArray(std::move(data));
}

Integer VarArrayDimCount(const Variant& v) { return v.IsArray() ? 1 : 0; }

Integer VarArrayLowBound(const Variant& v, Integer dim) {
  const auto& a = ArrayOf(v);
  if (dim != 1) RaiseBadIndex();
  return a.lowBound;
}

Integer VarArrayHighBound(const Variant& v, Integer dim) {
  const auto& a = ArrayOf(v);
  if (dim != 1) RaiseBadIndex();
  return a.HighBound();
}

Variant VarArrayGet(const Variant& v, Integer index) {
  const auto& a = ArrayOf(v);
  size_t i = ElementIndex(a, index);
  if (a.elementType == varByte) return Variant(a.bytes[i]);
  return a.items[i];
}

void VarArrayPut(Variant& v, const Variant& value, Integer index) {
  auto& a = ArrayOf(v);
  size_t i = ElementIndex(a, index);
  if (a.elementType == varByte)
    a.bytes[i] = value.AsByte();
  else if (a.elementType == varVariant)
    a.items[i] = value;
  else
    a.items[i] = VarAsType(value, a.elementType);
}

void VarArrayRedim(Variant& v, Integer highBound) {
  auto& a = ArrayOf(v);
  Int64 count = static_cast<Int64>(highBound) - a.lowBound + 1;
  if (count < 0) throw EVariantArrayCreateError("Error creating variant or safe array");
  if (a.elementType == varByte)
    a.bytes.resize(static_cast<size_t>(count), 0);
  else
    a.items.resize(static_cast<size_t>(count),
                   a.elementType == varVariant ? Variant() : VarAsType(Variant(), a.elementType));
}

std::span<Byte> VarArrayBytes(Variant& v) {
  auto& a = ArrayOf(v);
  if (a.elementType != varByte) throw EVariantInvalidArgError("Invalid argument");
  return std::span<Byte>(a.bytes);
}

std::span<const Byte> VarArrayBytes(const Variant& v) {
  const auto& a = ArrayOf(v);
  if (a.elementType != varByte) throw EVariantInvalidArgError("Invalid argument");
  return std::span<const Byte>(a.bytes);
}

// ---- comparison ----

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varEmpty) return tb == varEmpty ? vrEqual : vrNotEqual;
  if (ta == varNull) return tb == varNull ? vrEqual : vrNotEqual;
  if (tb == varEmpty || tb == varNull) return vrNotEqual;
  if (a.IsArray() || b.IsArray()) throw EVariantInvalidOpError("Invalid variant operation");
  if (IsStringType(ta) && IsStringType(tb)) {
    if (ta == varOleStr || tb == varOleStr) return FromSign(a.AsWideString().compare(b.AsWideString()));
    return FromSign(VA::Str(a).compare(VA::Str(b)));
  }
  // A text against another kind takes that kind.
  TVarType other = IsStringType(ta) ? tb : (IsStringType(tb) ? ta : varEmpty);
  if (other == varDate) return FromSign(Compare3(a.AsDateTime(), b.AsDateTime()));
  if (other == varBoolean) return FromSign(Compare3(a.AsBoolean() ? -1 : 0, b.AsBoolean() ? -1 : 0));
  return FromSign(CompareNums(ToNum(a, tb), ToNum(b, ta)));
}

bool VarSameValue(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }

bool operator==(const Variant& a, const Variant& b) { return VarSameValue(a, b); }
