// The SQL operators of TSQLMemVariant. They are kept apart from the value's storage and conversion
// code: every operator here goes through the value's public setters and getters, so the ownership
// rules (borrowed blocks are never written) hold without further care.
//
// The value layer's integers wrap on purpose; everything is computed in unsigned or 64-bit arithmetic
// where C++ would otherwise overflow, and divisions and shifts are guarded before they run.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/OsSeam.h"

namespace {

constexpr Int64 kDay = MSecsPerDay;

// The runtime errors of the operators, with the texts the platform's runtime gives them.
[[noreturn]] void RaiseDivByZero() { throw EDivByZero("Division by zero"); }
[[noreturn]] void RaiseZeroDivide() { throw EZeroDivide("Floating point division by zero"); }
[[noreturn]] void RaiseFloatOverflow() { throw EOverflow("Floating point overflow"); }
[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

[[noreturn]] void RaiseNotNumeric(Integer code, const char* operatorText) {
  SQLMemError(code, SQLMemNotNumericArgument, {operatorText});
}

// A pair of types without a common type: the value cannot be promoted (ConvertTo's refusal).
[[noreturn]] void RaiseNoCommonType(const TSQLMemVariant& v) {
  SQLMemError(30052, SQLMemCannotCast, {EngineDataTypeName(v.DataType()), EngineDataTypeName(edtNone)});
}

bool IsFloatType(Integer t) { return (t >= edtSingle && t <= edtExtended) || t == edtCurrency; }
bool IsSignedIntegerType(Integer t) { return t >= edtShortInt && t <= edtLargeInt; }
bool IsUnsignedIntegerType(Integer t) { return t >= edtByte && t <= edtCardinal; }
// 8- and 16-bit integer results are range-checked; the wider ones wrap.
bool IsCheckedIntegerType(Integer t) {
  return t == edtShortInt || t == edtSmallInt || t == edtByte || t == edtWord;
}

Int64 FloorDiv(Int64 a, Int64 b) {  // b > 0
  const Int64 q = a / b;
  return (a % b < 0) ? q - 1 : q;
}

Int64 FloorMod(Int64 a, Int64 b) {  // b > 0; result in 0..b-1
  const Int64 r = a % b;
  return r < 0 ? r + b : r;
}

// x cut to integer type t (or to the 32 bits of a day number or time): its low bytes are kept.
Int64 CutToType(Integer t, Int64 x) {
  const auto bits = static_cast<UInt64>(x);
  switch (t) {
    case edtShortInt: return static_cast<ShortInt>(static_cast<Byte>(bits));
    case edtSmallInt: return static_cast<SmallInt>(static_cast<Word>(bits));
    case edtInteger:
    case edtDate:
    case edtTime: return static_cast<Integer>(static_cast<Cardinal>(bits));
    case edtByte: return static_cast<Byte>(bits);
    case edtWord: return static_cast<Word>(bits);
    case edtCardinal: return static_cast<Cardinal>(bits);
    default: return x;  // LargeInt
  }
}

// Whether a is the least number of signed type t.
bool IsTypeMinimum(Integer t, Int64 a) {
  switch (t) {
    case edtShortInt: return a == std::numeric_limits<ShortInt>::min();
    case edtSmallInt: return a == std::numeric_limits<SmallInt>::min();
    case edtInteger: return a == std::numeric_limits<Integer>::min();
    case edtLargeInt: return a == std::numeric_limits<Int64>::min();
    default: return false;
  }
}

// An integer result in type t: 8- and 16-bit types must hold it (ERangeError), wider ones wrap. Only
// exact results may reach the checked types; their operands are small enough for that in 64 bits.
Int64 FitToType(Integer t, Int64 x) {
  const Int64 cut = CutToType(t, x);
  if (IsCheckedIntegerType(t) && cut != x) RaiseRangeError();
  return cut;
}

// ---- reading operands in a type and storing results ----

Int64 ReadInteger(const TSQLMemVariant& v, Integer t) {
  Byte buf[16] = {};
  v.GetValue(buf, t);
  switch (t) {
    case edtShortInt: return LoadValue<ShortInt>(buf);
    case edtSmallInt: return LoadValue<SmallInt>(buf);
    case edtInteger:
    case edtDate:
    case edtTime: return LoadValue<Integer>(buf);
    case edtLargeInt: return LoadValue<Int64>(buf);
    case edtByte: return LoadValue<Byte>(buf);
    case edtWord: return LoadValue<Word>(buf);
    case edtCardinal: return LoadValue<Cardinal>(buf);
    case edtBoolean: return LoadValue<SmallInt>(buf) != 0 ? 1 : 0;
    default: RaiseRangeError();
  }
}

long double ReadFloat(const TSQLMemVariant& v, Integer t) {
  Byte buf[16] = {};
  v.GetValue(buf, t);
  switch (t) {
    case edtSingle: return LoadValue<float>(buf);
    case edtDouble:
    case edtCurrency: return LoadValue<double>(buf);
    case edtExtended: return LoadExtended(buf);
    default: RaiseRangeError();
  }
}

// The value becomes a non-null value of type t holding bytes in t's storage form. A value already of
// type t in a block of its own is overwritten in place (aggregates add into one value per row).
void StoreBytes(TSQLMemVariant& v, Integer t, const void* bytes) {
  if (v.DataType() != t) v.Clear(t);
  v.SetValue(bytes, t);
}

void StoreInteger(TSQLMemVariant& v, Integer t, Int64 x) {
  Byte buf[8] = {};
  switch (t) {
    case edtShortInt: StoreValue(buf, static_cast<ShortInt>(x)); break;
    case edtSmallInt: StoreValue(buf, static_cast<SmallInt>(x)); break;
    case edtInteger:
    case edtDate:
    case edtTime: StoreValue(buf, static_cast<Integer>(x)); break;
    case edtLargeInt: StoreValue(buf, x); break;
    case edtByte: StoreValue(buf, static_cast<Byte>(x)); break;
    case edtWord: StoreValue(buf, static_cast<Word>(x)); break;
    case edtCardinal: StoreValue(buf, static_cast<Cardinal>(x)); break;
    default: RaiseRangeError();
  }
  StoreBytes(v, t, buf);
}

// A float result in type t; a finite number beyond the type's largest raises EOverflow.
void StoreFloat(TSQLMemVariant& v, Integer t, long double x) {
  Byte buf[16] = {};
  const bool finite = std::isfinite(x);
  switch (t) {
    case edtSingle:
      if (finite && std::fabs(x) > FLT_MAX) RaiseFloatOverflow();
      StoreValue(buf, static_cast<float>(x));
      break;
    case edtDouble:
    case edtCurrency:
      if (finite && std::fabs(x) > DBL_MAX) RaiseFloatOverflow();
      StoreValue(buf, static_cast<double>(x));
      break;
    case edtExtended: StoreExtended(buf, x); break;
    default: RaiseRangeError();
  }
  StoreBytes(v, t, buf);
}

void StoreBoolean(TSQLMemVariant& v, bool b) {
  Byte buf[2];
  StoreValue(buf, static_cast<SmallInt>(b ? -1 : 0));
  StoreBytes(v, edtBoolean, buf);
}

void StoreTimeStamp(TSQLMemVariant& v, Integer date, Integer time) {
  Byte buf[8];
  StoreValue(buf, date);
  StoreValue(buf + 4, time);
  StoreBytes(v, edtTimeStamp, buf);
}

// ---- the four arithmetic operators ----

enum class TArithOp { Add, Subtract, Multiply, Divide };

bool IsArithmeticType(Integer t) {
  return (t >= edtShortInt && t <= edtTimeStamp) || t == edtBoolean || t == edtCurrency;
}

Integer NotNumericCode(TArithOp op) {
  switch (op) {
    case TArithOp::Add:
    case TArithOp::Subtract: return 30124;
    case TArithOp::Multiply: return 30126;
    case TArithOp::Divide: return 30127;
  }
  return 30124;
}

const char* OperatorText(TArithOp op) {
  switch (op) {
    case TArithOp::Add: return "+";
    case TArithOp::Subtract: return "-";
    case TArithOp::Multiply: return "*";
    case TArithOp::Divide: return "/";
  }
  return "+";
}

// a op b for integer type t. Sums, differences and products are taken modulo 2^64, which is exact for
// the 8- and 16-bit types (checked afterwards) and wraps correctly for the wider ones.
Int64 IntegerOp(TArithOp op, Integer t, Int64 a, Int64 b) {
  const auto ua = static_cast<UInt64>(a), ub = static_cast<UInt64>(b);
  switch (op) {
    case TArithOp::Add: return FitToType(t, static_cast<Int64>(ua + ub));
    case TArithOp::Subtract: return FitToType(t, static_cast<Int64>(ua - ub));
    case TArithOp::Multiply: return FitToType(t, static_cast<Int64>(ua * ub));
    case TArithOp::Divide:
      if (b == 0) RaiseDivByZero();
      if (b == -1) {
        // The minimum of Integer or LargeInt divided by -1 overflows; that of ShortInt or SmallInt
        // leaves the type's range (FitToType). Otherwise -a is exact.
        if (IsTypeMinimum(t, a) && (t == edtInteger || t == edtLargeInt)) RaiseIntOverflow();
        return FitToType(t, -a);
      }
      return FitToType(t, a / b);
  }
  return 0;
}

long double FloatOp(TArithOp op, long double a, long double b) {
  long double r = 0;
  switch (op) {
    case TArithOp::Add: r = a + b; break;
    case TArithOp::Subtract: r = a - b; break;
    case TArithOp::Multiply: r = a * b; break;
    case TArithOp::Divide:
      if (b == 0) {
        if (a == 0 || std::isnan(a)) RaiseInvalidOp();
        RaiseZeroDivide();
      }
      r = a / b;
      break;
  }
  if (std::isnan(r) && !std::isnan(a) && !std::isnan(b)) RaiseInvalidOp();  // inf - inf, 0 * inf
  if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) RaiseFloatOverflow();
  return r;
}

// One date or time part: a null part counts as zero. Operands are 32-bit, so the results are exact.
Int64 PartOp(TArithOp op, Int64 a, Int64 b) {
  switch (op) {
    case TArithOp::Add: return a + b;
    case TArithOp::Subtract: return a - b;
    case TArithOp::Multiply: return a * b;
    case TArithOp::Divide:
      if (b == 0) RaiseDivByZero();
      return a / b;
  }
  return 0;
}

struct TStampResult {
  Integer date;
  Integer time;
};

// Date and time parts of a time stamp (or of a Date or Time alone, with the other part null). A result
// part is null when both operands' parts are; the whole days of the milliseconds move to the date.
TStampResult StampOp(TArithOp op, const TSQLMemTimeStamp& a, const TSQLMemTimeStamp& b) {
  const bool dateNull = a.date == NullDate && b.date == NullDate;
  const bool timeNull = a.time == NullTime && b.time == NullTime;
  Int64 days = 0;
  if (!dateNull) days = PartOp(op, a.date == NullDate ? 0 : a.date, b.date == NullDate ? 0 : b.date);
  Int64 ms = 0;
  Int64 carry = 0;
  if (!timeNull) {
    const Int64 raw = PartOp(op, a.time == NullTime ? 0 : a.time, b.time == NullTime ? 0 : b.time);
    carry = FloorDiv(raw, kDay);
    ms = FloorMod(raw, kDay);
  }
  TStampResult r{NullDate, NullTime};
  if (!dateNull || carry != 0) r.date = static_cast<Integer>(CutToType(edtDate, days + carry));
  if (!timeNull) r.time = static_cast<Integer>(ms);
  return r;
}

TSQLMemTimeStamp DateOnly(Integer d) { return TSQLMemTimeStamp{d, NullTime}; }
TSQLMemTimeStamp TimeOnly(Integer ms) { return TSQLMemTimeStamp{NullDate, ms}; }

// Both sides are non-null; v is changed only by the final store.
void Arithmetic(TSQLMemVariant& v, const TSQLMemVariant& right, TArithOp op) {
  const Integer t = OperationResultType(v.DataType(), right.DataType());
  if (t == edtNone) RaiseNoCommonType(v);
  if (!IsArithmeticType(t)) RaiseNotNumeric(NotNumericCode(op), OperatorText(op));
  if (IsIntegerDataType(t)) {
    const Int64 a = ReadInteger(v, t), b = ReadInteger(right, t);
    StoreInteger(v, t, IntegerOp(op, t, a, b));
  } else if (IsFloatType(t)) {
    const long double a = ReadFloat(v, t), b = ReadFloat(right, t);
    StoreFloat(v, t, FloatOp(op, a, b));
  } else if (t == edtDate) {
    const Integer a = static_cast<Integer>(ReadInteger(v, t)), b = static_cast<Integer>(ReadInteger(right, t));
    StoreInteger(v, t, StampOp(op, DateOnly(a), DateOnly(b)).date);
  } else if (t == edtTime) {
    const Integer a = static_cast<Integer>(ReadInteger(v, t)), b = static_cast<Integer>(ReadInteger(right, t));
    // Times add, multiply and divide as millisecond counts (a sum of durations may pass a day); only
    // a difference is taken back into the day.
    const Int64 r = op == TArithOp::Subtract ? StampOp(op, TimeOnly(a), TimeOnly(b)).time : IntegerOp(op, edtInteger, a, b);
    StoreInteger(v, t, r);
  } else if (t == edtTimeStamp) {
    const TStampResult r = StampOp(op, v.GetAsTimeStampValue(), right.GetAsTimeStampValue());
    StoreTimeStamp(v, r.date, r.time);
  } else {  // Boolean: OR for every operator; a difference adds the negated right side
    const bool a = ReadInteger(v, t) != 0, b = ReadInteger(right, t) != 0;
    StoreBoolean(v, op == TArithOp::Subtract ? (a || !b) : (a || b));
  }
}

// ---- bitwise operators ----

enum class TBitOp { And, Or, Xor, ShiftLeft, ShiftRight };

// Bitwise operators and shifts on non-null sides; the null rules are the caller's.
void BitOperation(TSQLMemVariant& v, const TSQLMemVariant& right, TBitOp op, Integer code, const char* text) {
  const Integer t = OperationResultType(v.DataType(), right.DataType());
  if (t == edtNone) RaiseNoCommonType(v);
  const bool isShift = op == TBitOp::ShiftLeft || op == TBitOp::ShiftRight;
  if (!IsIntegerDataType(t) && (isShift || t != edtBoolean)) RaiseNotNumeric(code, text);
  const Int64 a = ReadInteger(v, t), b = ReadInteger(right, t);
  if (t == edtBoolean) {
    const bool x = a != 0, y = b != 0;
    StoreBoolean(v, op == TBitOp::And ? (x && y) : op == TBitOp::Or ? (x || y) : (x != y));
    return;
  }
  switch (op) {
    case TBitOp::And: StoreInteger(v, t, a & b); return;
    case TBitOp::Or: StoreInteger(v, t, a | b); return;
    case TBitOp::Xor: StoreInteger(v, t, a ^ b); return;
    case TBitOp::ShiftLeft:
    case TBitOp::ShiftRight: break;
  }
  // Counts are taken modulo the width of the pattern, so no shift reaches 32 (64) bits.
  if (t == edtLargeInt) {
    const unsigned count = static_cast<unsigned>(b & 63);
    const auto bits = static_cast<UInt64>(a);
    StoreInteger(v, t, static_cast<Int64>(op == TBitOp::ShiftLeft ? bits << count : bits >> count));
    return;
  }
  const unsigned count = static_cast<unsigned>(b & 31);
  const auto bits = static_cast<Cardinal>(static_cast<UInt64>(a));
  const Cardinal shifted = op == TBitOp::ShiftLeft ? bits << count : bits >> count;
  // The pattern reads as a signed number for the signed types, as an unsigned one otherwise, and the
  // 8- and 16-bit types must hold it.
  const Int64 r = IsSignedIntegerType(t) ? Int64{static_cast<Integer>(shifted)} : Int64{shifted};
  StoreInteger(v, t, FitToType(t, r));
}

// ---- numeric functions ----

// 10^|d| for ROUND and TRUNCATE digits: a 32-bit number of at most nine digits either way.
Integer ReadDigits(const TSQLMemVariant& digits, Integer& scale) {
  const Integer d = CheckedCast<Integer>(digits.GetAsLargeInt());
  if (d > 9 || d < -9) RaiseIntOverflow();  // 10^d beyond 32 bits
  scale = 1;
  for (Integer i = 0; i < (d < 0 ? -d : d); ++i) scale *= 10;
  return d;
}

Int64 FloatToInt64(long double x) {
  if (!(x >= -9223372036854775808.0L && x < 9223372036854775808.0L)) RaiseInvalidOp();
  return static_cast<Int64>(x);
}

// x rounded (or truncated) at d decimals; d < 0 works on tens, hundreds, ... A number too large to
// have such digits is returned as it is.
template <class F>
long double ApplyAtDigits(long double x, Integer d, Integer scale, F whole) {
  const long double m = scale;
  if (d >= 0) {
    const long double scaled = x * m;
    return std::isfinite(scaled) ? whole(scaled) / m : x;
  }
  return whole(x / m) * m;
}

// Exact integer power. A negative exponent gives 1/base^-e truncated toward zero.
Int64 IntegerPower(Int64 base, Int64 exponent) {
  if (exponent < 0) {
    if (base == 0) RaiseZeroDivide();
    if (base == 1) return 1;
    if (base == -1) return (exponent & 1) ? -1 : 1;
    return 0;
  }
  Int64 result = 1;
  while (exponent > 0) {
    if (exponent & 1) result = CheckedMul(result, base);
    exponent >>= 1;
    // Squared only when another factor follows, so a last base that would overflow is never formed.
    if (exponent > 0) base = CheckedMul(base, base);
  }
  return result;
}

long double FloatPower(long double base, long double exponent) {
  if (base == 0 && exponent < 0) RaiseZeroDivide();
  const long double r = std::pow(base, exponent);
  if (std::isnan(r) && !std::isnan(base) && !std::isnan(exponent)) RaiseInvalidOp();
  if (std::isinf(r) && std::isfinite(base) && std::isfinite(exponent)) RaiseFloatOverflow();
  return r;
}

// Minimum hex digits of an integer type: its width in nibbles.
int HexDigits(Integer t) {
  switch (t) {
    case edtShortInt:
    case edtByte: return 2;
    case edtSmallInt:
    case edtWord: return 4;
    case edtLargeInt: return 16;
    default: return 8;
  }
}

AnsiString IntegerHex(Integer t, Int64 x) {
  switch (t) {
    case edtShortInt: return IntToHex(static_cast<ShortInt>(x), 2);
    case edtSmallInt: return IntToHex(static_cast<SmallInt>(x), 4);
    case edtInteger: return IntToHex(static_cast<Integer>(x), 8);
    case edtByte: return IntToHex(static_cast<Byte>(x), 2);
    case edtWord: return IntToHex(static_cast<Word>(x), 4);
    case edtCardinal: return IntToHex(static_cast<Cardinal>(x), 8);
    default: return IntToHex(x, HexDigits(t));
  }
}

}  // namespace

// ---- arithmetic ----

void TSQLMemVariant::Add(const TSQLMemVariant& right) {
  if (IsText() || right.IsText()) {
    // The setters keep this value's type, so a number takes the concatenation as its own type.
    if (IsWide() || right.IsWide()) {
      SetAsWideString(GetAsWideString() + right.GetAsWideString());
    } else {
      SetAsString(GetAsString() + right.GetAsString());
    }
    return;
  }
  if (right.IsNull()) {
    SetNull();
    return;
  }
  if (IsNull()) {
    Assign(right, true);
    return;
  }
  Arithmetic(*this, right, TArithOp::Add);
}

void TSQLMemVariant::Subtract(const TSQLMemVariant& right) {
  const bool direct = !IsText() && !right.IsText() && !IsNull() && !right.IsNull();
  if (direct) {
    Arithmetic(*this, right, TArithOp::Subtract);
    return;
  }
  TSQLMemVariant negated;
  negated.Assign(right, true);
  negated.Negate();
  Add(negated);
}

void TSQLMemVariant::Multiply(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  Arithmetic(*this, right, TArithOp::Multiply);
}

void TSQLMemVariant::Divide(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  try {
    Arithmetic(*this, right, TArithOp::Divide);
  } catch (const ESQLMemException&) {
    throw;
  } catch (const Exception& e) {
    SQLMemError(30128, SQLMemDivisionError, {e.Message()});
  }
}

void TSQLMemVariant::Negate() {
  if (IsNull()) return;
  const Integer t = dataType_;
  if (IsSignedIntegerType(t)) {
    const Int64 a = ReadInteger(*this, t);
    if ((t == edtInteger || t == edtLargeInt) && IsTypeMinimum(t, a)) RaiseIntOverflow();
    StoreInteger(*this, t, FitToType(t, -a));  // a ShortInt or SmallInt minimum leaves the range
  } else if (IsUnsignedIntegerType(t)) {
    // Negated as the signed type of the same width, whose minimum is the largest magnitude allowed.
    const Int64 a = ReadInteger(*this, t);
    const Int64 limit = t == edtByte ? 128 : t == edtWord ? 32768 : Int64{1} << 31;
    if (a > limit) RaiseRangeError();
    StoreInteger(*this, t, CutToType(t, -a));
  } else if (IsFloatType(t)) {
    StoreFloat(*this, t, -ReadFloat(*this, t));
  } else if (t == edtDate) {
    const Integer d = static_cast<Integer>(ReadInteger(*this, t));
    StoreInteger(*this, t, StampOp(TArithOp::Subtract, DateOnly(NullDate), DateOnly(d)).date);
  } else if (t == edtTime) {
    const Integer ms = static_cast<Integer>(ReadInteger(*this, t));
    StoreInteger(*this, t, StampOp(TArithOp::Subtract, TimeOnly(NullTime), TimeOnly(ms)).time);
  } else if (t == edtTimeStamp) {
    const TStampResult r = StampOp(TArithOp::Subtract, TSQLMemTimeStamp{}, GetAsTimeStampValue());
    StoreTimeStamp(*this, r.date, r.time);
  } else if (t == edtBoolean) {
    StoreBoolean(*this, ReadInteger(*this, t) == 0);
  } else {
    SQLMemError(30123, SQLMemCannotInvertNotNumeric, {EngineDataTypeName(t)});
  }
}

void TSQLMemVariant::Abs() {
  if (IsNull()) return;
  const Integer t = dataType_;
  if (IsSignedIntegerType(t)) {
    if (ReadInteger(*this, t) < 0) Negate();
  } else if (IsUnsignedIntegerType(t)) {
    // unchanged
  } else if (IsFloatType(t)) {
    StoreFloat(*this, t, std::fabs(ReadFloat(*this, t)));
  } else {
    RaiseNotNumeric(11651, "ABS");
  }
}

void TSQLMemVariant::Sign() {
  if (IsNull()) return;
  const Integer t = dataType_;
  if (IsIntegerDataType(t)) {
    const Int64 a = ReadInteger(*this, t);
    StoreInteger(*this, t, (a > 0) - (a < 0));
  } else if (IsFloatType(t)) {
    const long double x = ReadFloat(*this, t);
    StoreFloat(*this, t, x > 0 ? 1.0L : x < 0 ? -1.0L : 0.0L);
  } else {
    RaiseNotNumeric(11652, "SIGN");
  }
}

namespace {

template <class F>
void IntegerOfFloat(TSQLMemVariant& v, F whole) {
  if (v.IsNull() || !v.IsNumeric()) {
    v.SetNull();
    return;
  }
  const Integer t = v.DataType();
  long double r = 0;
  if (IsIntegerDataType(t)) {
    r = static_cast<long double>(ReadInteger(v, t));
  } else {
    r = whole(ReadFloat(v, t));
  }
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) RaiseIntOverflow();
  StoreInteger(v, edtInteger, static_cast<Integer>(r));
}

}  // namespace

void TSQLMemVariant::Ceiling() {
  IntegerOfFloat(*this, [](long double x) { return std::ceil(x); });
}

void TSQLMemVariant::Floor() {
  IntegerOfFloat(*this, [](long double x) { return std::floor(x); });
}

void TSQLMemVariant::Modulo(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (!IsNumeric() || !right.IsNumeric()) {
    SetNull();
    return;
  }
  right.CheckNotNull();
  const Int64 a = GetAsLargeInt(), b = right.GetAsLargeInt();
  if (b == 0) RaiseDivByZero();
  StoreInteger(*this, edtLargeInt, b == -1 ? 0 : a % b);  // the minimum % -1 would trap
}

void TSQLMemVariant::Power(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (!IsNumeric() || !right.IsNumeric()) {
    SetNull();
    return;
  }
  right.CheckNotNull();
  if (IsInteger() && right.IsInteger()) {
    const Int64 r = IntegerPower(GetAsLargeInt(), right.GetAsLargeInt());
    StoreInteger(*this, edtLargeInt, r);
  } else {
    const long double r = FloatPower(GetAsExtended(), right.GetAsExtended());
    StoreFloat(*this, edtExtended, r);
  }
}

void TSQLMemVariant::Random(const TSQLMemVariant* range) {
  if (range == nullptr || range->IsNull()) {
    StoreFloat(*this, edtExtended, os::RandomFloat());
    return;
  }
  const Integer n = range->GetAsInteger();
  StoreInteger(*this, edtInteger, n > 0 ? static_cast<Integer>(os::RandomInt(static_cast<Cardinal>(n))) : 0);
}

void TSQLMemVariant::Round(const TSQLMemVariant* digits) {
  CheckNotNull();
  const long double x = GetAsExtended();
  if (digits == nullptr) {
    StoreInteger(*this, edtLargeInt, FloatToInt64(std::nearbyint(x)));  // halves to even
    return;
  }
  Integer scale = 1;
  const Integer d = ReadDigits(*digits, scale);
  StoreFloat(*this, edtExtended, ApplyAtDigits(x, d, scale, [](long double y) { return std::round(y); }));
}

void TSQLMemVariant::Truncate(const TSQLMemVariant* digits) {
  CheckNotNull();
  const long double x = GetAsExtended();
  if (digits == nullptr) {
    StoreInteger(*this, edtLargeInt, FloatToInt64(std::trunc(x)));
    return;
  }
  Integer scale = 1;
  const Integer d = ReadDigits(*digits, scale);
  StoreFloat(*this, edtExtended, ApplyAtDigits(x, d, scale, [](long double y) { return std::trunc(y); }));
}

// ---- bitwise ----

void TSQLMemVariant::BitAnd(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  BitOperation(*this, right, TBitOp::And, 11645, "&");
}

void TSQLMemVariant::BitOr(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  BitOperation(*this, right, TBitOp::Or, 11646, "|");
}

void TSQLMemVariant::BitXor(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  BitOperation(*this, right, TBitOp::Xor, 11650, "^");
}

void TSQLMemVariant::ShiftLeft(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  BitOperation(*this, right, TBitOp::ShiftLeft, 11648, "<<");
}

void TSQLMemVariant::ShiftRight(const TSQLMemVariant& right) {
  if (IsNull()) return;
  if (right.IsNull()) {
    SetNull();
    return;
  }
  BitOperation(*this, right, TBitOp::ShiftRight, 11649, ">>");
}

void TSQLMemVariant::BitNot() {
  if (IsNull()) return;
  const Integer t = dataType_;
  if (IsIntegerDataType(t)) {
    StoreInteger(*this, t, CutToType(t, ~ReadInteger(*this, t)));
  } else if (t == edtBoolean) {
    StoreBoolean(*this, ReadInteger(*this, t) == 0);
  } else {
    RaiseNotNumeric(11647, "~");
  }
}

// ---- HEX ----

void TSQLMemVariant::ToHexString(Integer style) {
  const Integer t = dataType_;
  if (IsNull() || !(IsText() || IsIntegerDataType(t))) {
    Clear(edtChar);
    return;
  }
  AnsiString text = style == 1 ? "$" : style == 2 ? "0x" : "";
  if (IsText()) {
    const Integer bytes = BufferTextLength(data_, dataSize_, DataTypeToFieldType(t));
    text += EncodeStringFormat(data_, bytes, StringFormatHEX);
  } else {
    text += IntegerHex(t, ReadInteger(*this, t));
  }
  if (style == 2) text = LowerCase(text);
  Clear(edtChar);
  SetAsString(text);
}
