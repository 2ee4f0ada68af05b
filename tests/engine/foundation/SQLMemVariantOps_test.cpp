// The operators of TSQLMemVariant, one case table per operator: operand types and values in, the
// result's type and value (or the error) out. Every failing case also checks that the value is left as
// it was, and every case that the right operand is only read.
#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/OsSeam.h"

namespace {

constexpr Integer kInt32Min = std::numeric_limits<Integer>::min();
constexpr Integer kInt32Max = std::numeric_limits<Integer>::max();
constexpr Int64 kInt64Min = std::numeric_limits<Int64>::min();
constexpr Int64 kInt64Max = std::numeric_limits<Int64>::max();

class SQLMemVariantOpsTest : public EnglishEngineBlocksTest {};

// ---- values as the tables write them ----

struct V {
  Integer type = edtNone;
  bool null = true;
  long double number = 0;  // integers (exact in 64 bits of mantissa), floats, Currency, Date, Time, Boolean
  TSQLMemTimeStamp ts{};
  std::string text;        // 8-bit text; ASCII for the wide types
};

V Null(Integer type = edtNone) { return V{type, true, 0, {}, {}}; }
V Num(Integer type, long double n) { return V{type, false, n, {}, {}}; }
V S8(Int64 n) { return Num(edtShortInt, n); }
V S16(Int64 n) { return Num(edtSmallInt, n); }
V S32(Int64 n) { return Num(edtInteger, n); }
V S64(Int64 n) { return Num(edtLargeInt, n); }
V U8(Int64 n) { return Num(edtByte, n); }
V U16(Int64 n) { return Num(edtWord, n); }
V U32(Int64 n) { return Num(edtCardinal, n); }
V F32(long double x) { return Num(edtSingle, x); }
V F64(long double x) { return Num(edtDouble, x); }
V F80(long double x) { return Num(edtExtended, x); }
V Cur(long double x) { return Num(edtCurrency, x); }
V Dt(Int64 day) { return Num(edtDate, day); }
V Tm(Int64 ms) { return Num(edtTime, ms); }
V B(bool b) { return Num(edtBoolean, b ? 1 : 0); }
V Ts(Integer day, Integer ms) { return V{edtTimeStamp, false, 0, {day, ms}, {}}; }
V Str(std::string s) { return V{edtVarchar, false, 0, {}, std::move(s)}; }
V Chr(std::string s) { return V{edtChar, false, 0, {}, std::move(s)}; }
V WStr(std::string s) { return V{edtWideVarchar, false, 0, {}, std::move(s)}; }

WideString Widen(const std::string& ascii) { return WideString(ascii.begin(), ascii.end()); }

std::string Narrow(const WideString& w) {
  std::string s;
  for (char16_t c : w) s += static_cast<char>(c);
  return s;
}

void Fill(TSQLMemVariant& x, const V& v) {
  x.Clear(v.type);
  if (v.null) return;
  const auto n = static_cast<Int64>(v.number);
  switch (v.type) {
    case edtShortInt: x.SetAsShortInt(static_cast<ShortInt>(n)); break;
    case edtSmallInt: x.SetAsSmallInt(static_cast<SmallInt>(n)); break;
    case edtInteger: x.SetAsInteger(static_cast<Integer>(n)); break;
    case edtLargeInt: x.SetAsLargeInt(n); break;
    case edtByte: x.SetAsByte(static_cast<Byte>(n)); break;
    case edtWord: x.SetAsWord(static_cast<Word>(n)); break;
    case edtCardinal: x.SetAsCardinal(static_cast<Cardinal>(n)); break;
    case edtSingle: x.SetAsSingle(static_cast<float>(v.number)); break;
    case edtDouble: x.SetAsDouble(static_cast<double>(v.number)); break;
    case edtExtended: x.SetAsExtended(v.number); break;
    case edtCurrency: x.SetAsCurrency(static_cast<double>(v.number)); break;
    case edtDate: x.SetAsDateValue(static_cast<Integer>(n)); break;
    case edtTime: x.SetAsTimeValue(static_cast<Integer>(n)); break;
    case edtTimeStamp: x.SetAsTimeStampValue(v.ts); break;
    case edtBoolean: x.SetAsBoolean(n != 0); break;
    case edtChar:
    case edtVarchar: x.SetAsString(v.text); break;
    case edtWideChar:
    case edtWideVarchar: x.SetAsWideString(Widen(v.text)); break;
    default: FAIL() << "no test setter for type " << v.type;
  }
  ASSERT_EQ(x.DataType(), v.type);
}

std::string Describe(const V& v) {
  std::ostringstream s;
  s << EngineDataTypeName(v.type);
  if (v.null) return s.str() + " null";
  s << ' ';
  if (v.type == edtTimeStamp) {
    s << '(' << v.ts.date << ", " << v.ts.time << ')';
  } else if (IsTextDataType(v.type)) {
    s << '\'' << v.text << '\'';
  } else {
    s.precision(21);
    s << v.number;
  }
  return s.str();
}

std::string RawBytes(const TSQLMemVariant& x) {
  std::ostringstream s;
  s << EngineDataTypeName(x.DataType()) << (x.IsNull() ? " null" : "") << " [";
  const auto* p = static_cast<const Byte*>(x.Data());
  for (Integer i = 0; p != nullptr && i < x.DataSize(); ++i) s << (i ? " " : "") << static_cast<int>(p[i]);
  return s.str() + "]";
}

// Whether x holds exactly the value v: same type, null mark and value.
::testing::AssertionResult Holds(const TSQLMemVariant& x, const V& v) {
  const auto fail = [&] { return ::testing::AssertionFailure() << RawBytes(x) << ", expected " << Describe(v); };
  if (x.DataType() != v.type || x.IsNull() != v.null) return fail();
  if (v.null) return ::testing::AssertionSuccess();
  bool same = false;
  switch (v.type) {
    case edtShortInt:
    case edtSmallInt:
    case edtInteger:
    case edtLargeInt:
    case edtByte:
    case edtWord:
    case edtCardinal: same = x.GetAsLargeInt() == static_cast<Int64>(v.number); break;
    case edtSingle: same = x.GetAsSingle() == static_cast<float>(v.number); break;
    case edtDouble: same = x.GetAsDouble() == static_cast<double>(v.number); break;
    case edtCurrency: same = x.GetAsCurrency() == static_cast<double>(v.number); break;
    case edtExtended: same = x.GetAsExtended() == v.number; break;
    case edtDate: same = x.GetAsDateValue() == static_cast<Integer>(v.number); break;
    case edtTime: same = x.GetAsTimeValue() == static_cast<Integer>(v.number); break;
    case edtTimeStamp: {
      const TSQLMemTimeStamp ts = x.GetAsTimeStampValue();
      same = ts.date == v.ts.date && ts.time == v.ts.time;
      break;
    }
    case edtBoolean: same = x.GetAsBoolean() == (v.number != 0); break;
    case edtChar:
    case edtVarchar: same = x.GetAsString() == v.text; break;
    case edtWideChar:
    case edtWideVarchar: same = Narrow(x.GetAsWideString()) == v.text; break;
    default: break;
  }
  return same ? ::testing::AssertionSuccess() : fail();
}

// ---- outcomes ----

enum class Err { None, Engine, Range, IntOverflow, DivByZero, ZeroDivide, Overflow, InvalidOp };

const char* ErrName(Err e) {
  switch (e) {
    case Err::None: return "no error";
    case Err::Engine: return "ESQLMemException";
    case Err::Range: return "ERangeError";
    case Err::IntOverflow: return "EIntOverflow";
    case Err::DivByZero: return "EDivByZero";
    case Err::ZeroDivide: return "EZeroDivide";
    case Err::Overflow: return "EOverflow";
    case Err::InvalidOp: return "EInvalidOp";
  }
  return "?";
}

struct Outcome {
  V value;
  Err err = Err::None;
  Integer code = 0;     // native code of an ESQLMemException
  std::string message;  // its whole message, when the case gives one
};

Outcome Is(V v) { return Outcome{std::move(v), Err::None, 0, {}}; }
Outcome Raises(Integer code, std::string message = {}) { return Outcome{{}, Err::Engine, code, std::move(message)}; }
Outcome Fails(Err e) { return Outcome{{}, e, 0, {}}; }

// Runs op on a value filled from `value` and checks the outcome. A failing operator must leave the
// value as it was.
template <class Op>
void Check(const std::string& label, const V& value, Op op, const Outcome& expected) {
  SCOPED_TRACE(label);
  TSQLMemVariant x;
  Fill(x, value);
  Err got = Err::None;
  Integer code = 0;
  std::string message;
  try {
    op(x);
  } catch (const ESQLMemException& e) {
    got = Err::Engine;
    code = e.NativeError();
    message = e.Message();
  } catch (const ERangeError&) {
    got = Err::Range;
  } catch (const EIntOverflow&) {
    got = Err::IntOverflow;
  } catch (const EDivByZero&) {
    got = Err::DivByZero;
  } catch (const EZeroDivide&) {
    got = Err::ZeroDivide;
  } catch (const EOverflow&) {
    got = Err::Overflow;
  } catch (const EInvalidOp&) {
    got = Err::InvalidOp;
  }
  EXPECT_EQ(ErrName(got), std::string(ErrName(expected.err))) << message;
  if (got == Err::Engine && expected.err == Err::Engine) {
    EXPECT_EQ(code, expected.code) << message;
    if (!expected.message.empty()) {
      EXPECT_EQ(message, expected.message);
    }
  }
  if (expected.err == Err::None) {
    EXPECT_TRUE(Holds(x, expected.value));
  } else {
    EXPECT_TRUE(Holds(x, value)) << "a failing operator changed the value";
  }
}

struct BinaryCase {
  V left;
  V right;
  Outcome expected;
};

using BinaryOp = void (TSQLMemVariant::*)(const TSQLMemVariant&);

void RunBinary(const char* op, BinaryOp method, const std::vector<BinaryCase>& cases) {
  for (const BinaryCase& c : cases) {
    TSQLMemVariant right;
    Fill(right, c.right);
    Check(Describe(c.left) + " " + op + " " + Describe(c.right), c.left, [&](TSQLMemVariant& x) { (x.*method)(right); },
          c.expected);
    EXPECT_TRUE(Holds(right, c.right)) << "the right operand changed";
  }
}

struct UnaryCase {
  V value;
  Outcome expected;
};

void RunUnary(const char* op, void (TSQLMemVariant::*method)(), const std::vector<UnaryCase>& cases) {
  for (const UnaryCase& c : cases) {
    Check(std::string(op) + " " + Describe(c.value), c.value, [&](TSQLMemVariant& x) { (x.*method)(); }, c.expected);
  }
}

// ---- Add ----

TEST_F(SQLMemVariantOpsTest, AddCases) {
  RunBinary("+", &TSQLMemVariant::Add, {
      // integers: the result type of the pair; 8/16-bit results checked, wider ones wrap
      {S32(2), S32(3), Is(S32(5))},
      {S32(2), F64(0.5), Is(F64(2.5))},
      {S8(100), S8(100), Fails(Err::Range)},
      {S8(-100), S8(-28), Is(S8(-128))},
      {U8(200), U8(55), Is(U8(255))},
      {U8(200), U8(56), Fails(Err::Range)},
      {U16(65535), U16(1), Fails(Err::Range)},
      {S16(32767), S16(1), Fails(Err::Range)},
      {S32(kInt32Max), S32(1), Is(S32(kInt32Min))},
      {S32(kInt32Min), S32(-1), Is(S32(kInt32Max))},
      {U32(4294967295), U32(1), Is(U32(0))},
      {S64(kInt64Max), S64(1), Is(S64(kInt64Min))},
      {S8(-1), U16(5), Is(S32(4))},    // signed with unsigned: the next wider signed type
      {S32(-1), U32(5), Is(S64(4))},
      {U8(5), S8(-1), Is(S16(4))},
      {U8(250), U16(10), Is(U16(260))},  // Byte with Word gives Word
      {S32(2), Cur(1.5), Is(Cur(3.5))},  // a number with Currency gives Currency ...
      {Cur(1.5), S32(2), Is(S32(3))},    // ... Currency with a number the number
      {Cur(1.5), Cur(2.25), Is(Cur(3.75))},
      {F80(1), F32(0.5), Is(F80(1.5))},
      {F64(1e308), F64(1e308), Fails(Err::Overflow)},
      {F32(3e38), F32(3e38), Fails(Err::Overflow)},
      {B(true), B(false), Is(B(true))},
      {B(false), B(false), Is(B(false))},
      {B(true), S32(2), Is(S32(3))},
      // nulls: a null right side makes the value null, a null value takes the right side
      {Null(edtInteger), S32(4), Is(S32(4))},
      {Null(edtNone), F64(2.5), Is(F64(2.5))},
      {S32(4), Null(edtInteger), Is(Null(edtInteger))},
      {S32(4), Null(edtNone), Is(Null(edtInteger))},
      // text concatenates, in the value's own type
      {Str("ab"), Null(edtVarchar), Is(Str("ab"))},
      {Str("ab"), S32(3), Is(Str("ab3"))},
      {Null(edtNone), Str("x"), Is(Str("x"))},
      {S32(1), Str("2"), Is(S32(12))},
      {S32(1), Str("x"), Raises(30051, "Cannot cast from 'STRING' to 'INTEGER' - Native error: 30051")},
      {WStr("ab"), S32(1), Is(WStr("ab1"))},
      {Str("ab"), WStr("c"), Is(Str("abc"))},
      // dates and times
      {Dt(700000), S32(3), Is(Dt(700003))},
      {Dt(700000), F64(1.75), Is(Dt(700001))},
      {Dt(700000), Tm(3600000), Is(Ts(700000, 3600000))},  // Date with Time gives TimeStamp
      {Tm(3600000), Dt(700000), Is(Ts(700000, 3600000))},
      {Ts(10, 1000), Dt(5), Is(Dt(15))},                    // TimeStamp with Date gives Date
      {Tm(82800000), Tm(7200000), Is(Tm(90000000))},       // 23:00 + 02:00 is 25:00, not 01:00
      {Tm(2147483647), Tm(1), Is(Tm(-2147483647 - 1))},    // wraps only modulo 2^32
      {Ts(10, 86399000), Ts(0, 2000), Is(Ts(11, 1000))},
      {Ts(10, 1000), S32(3), Is(Ts(13, 1000))},
      {Ts(10, 1000), F64(0.5), Is(Ts(10, 43201000))},
      {Ts(10, NullTime), Ts(5, NullTime), Is(Ts(15, NullTime))},
      // pairs without a common type or without a sum
      {Dt(1), B(true), Raises(30052, "Cannot cast from 'DATE' to 'Unknown' - Native error: 30052")},
      {Cur(1), Dt(1), Raises(30052)},
  });
}

// Every pair of the numeric, date and Boolean types adds in the type OperationResultType gives it.
TEST_F(SQLMemVariantOpsTest, AddAndMultiplyMeetInTheResultTypeOfEveryPair) {
  const std::vector<Integer> types = {edtShortInt, edtSmallInt, edtInteger, edtLargeInt, edtByte,
                                      edtWord,     edtCardinal, edtSingle,  edtDouble,   edtExtended,
                                      edtDate,     edtTime,     edtTimeStamp, edtBoolean, edtCurrency};
  for (const Integer l : types) {
    for (const Integer r : types) {
      SCOPED_TRACE(std::string(EngineDataTypeName(l)) + " with " + EngineDataTypeName(r));
      const Integer t = OperationResultType(l, r);
      for (const bool multiply : {false, true}) {
        TSQLMemVariant value(l), right(r);
        value.SetAsInteger(1);
        right.SetAsInteger(2);
        try {
          multiply ? value.Multiply(right) : value.Add(right);
          EXPECT_NE(t, 0);
          EXPECT_EQ(value.DataType(), t);
          if (IsNumericDataType(t)) {
            const Int64 two = r == edtBoolean ? 1 : 2;  // a Boolean 2 is true, 1 as a number
            EXPECT_EQ(value.GetAsLargeInt(), multiply ? two : 1 + two);
          }
          if (t == edtBoolean) {
            EXPECT_TRUE(value.GetAsBoolean());
          }
        } catch (const ESQLMemException& e) {
          EXPECT_EQ(t, 0) << e.Message();
          EXPECT_EQ(e.NativeError(), 30052);
          EXPECT_EQ(value.DataType(), l);
        }
      }
    }
  }
}

// ---- Subtract ----

TEST_F(SQLMemVariantOpsTest, SubtractCases) {
  RunBinary("-", &TSQLMemVariant::Subtract, {
      {S32(5), S32(7), Is(S32(-2))},
      {U8(10), U8(5), Is(U8(5))},  // 10 + (-5 as a Byte, 251) would leave the Byte's range
      {U8(5), U8(10), Fails(Err::Range)},
      {S8(-1), S8(-128), Is(S8(127))},
      {U32(5), U32(10), Is(U32(4294967291))},
      {S32(kInt32Min), S32(1), Is(S32(kInt32Max))},
      {S64(kInt64Min), S64(1), Is(S64(kInt64Max))},
      {S32(1), U32(1), Is(S64(0))},  // 1 + (-1 as a Cardinal) would be 4294967296
      {F64(2.5), S32(1), Is(F64(1.5))},
      {Cur(1), Cur(0.25), Is(Cur(0.75))},
      {B(false), B(false), Is(B(true))},  // false OR NOT false, as the sum with the negation gives
      // date +/- number, and differences
      {Dt(700010), Dt(700003), Is(Dt(7))},
      {Dt(700010), S32(3), Is(Dt(700007))},
      {Tm(1000), Tm(2000), Is(Tm(86399000))},
      {Ts(700010, 3600000), S32(1), Is(Ts(700009, 3600000))},
      {Ts(700010, 3600000), F64(0.5), Is(Ts(700009, 46800000))},
      {Ts(10, 1000), Ts(9, 2000), Is(Ts(0, 86399000))},
      {Ts(738000, 3600000), Ts(737990, 7200000), Is(Ts(9, 82800000))},
      {Ts(5, 0), Ts(5, 1), Is(Ts(-1, 86399999))},
      {Dt(700000), Tm(1000), Is(Ts(699999, 86399000))},  // midnight minus a second
      // nulls and text: as Add of the negated right side
      {Null(edtInteger), S32(4), Is(S32(-4))},
      {S32(4), Null(edtInteger), Is(Null(edtInteger))},
      {Str("ab"), S32(3), Is(Str("ab-3"))},
      {S32(1), Str("x"), Raises(30123, "Cannot invert value with not numeric type 'STRING' - Native error: 30123")},
      {Dt(1), B(true), Raises(30052)},
  });
}

// Where the engine's other spelling of a difference (the sum with the negated right side) is defined,
// Subtract gives the same bytes: checked on every pair of one type over its edge values. (Not for Time:
// a sum of times is a duration, a difference a time of day.)
TEST_F(SQLMemVariantOpsTest, SubtractAgreesWithAddingTheNegationOfOneType) {
  const std::vector<std::vector<V>> families = {
      {S8(0), S8(1), S8(-1), S8(127), S8(-128), S8(-50)},
      {S16(0), S16(7), S16(-32768), S16(32767), S16(-300)},
      {S32(0), S32(1), S32(-1), S32(kInt32Max), S32(kInt32Min), S32(123456789)},
      {S64(0), S64(-1), S64(kInt64Max), S64(kInt64Min), S64(5000000000)},
      {U32(0), U32(1), U32(2147483648), U32(4294967295), U32(77)},
      {F64(0), F64(-0.0), F64(1.5), F64(-2.25), F64(1e300), F64(-1e300)},
      {F32(0), F32(3.5f), F32(-1e38f), F32(1e38f)},
      {F80(1), F80(-7.25)},
      {Cur(0), Cur(12.5), Cur(-3.25)},
      {Dt(0), Dt(1), Dt(-5), Dt(700000), Dt(NullDate)},
      {Ts(10, 1000), Ts(0, 0), Ts(-3, 86399999), Ts(7, NullTime), Ts(700000, 43200000)},
      {B(true), B(false)},
  };
  for (const auto& family : families) {
    for (const V& a : family) {
      for (const V& b : family) {
        SCOPED_TRACE(Describe(a) + " - " + Describe(b));
        TSQLMemVariant left, right, viaSum, negated;
        Fill(left, a);
        Fill(right, b);
        Fill(viaSum, a);
        negated.Assign(right, true);
        try {
          negated.Negate();
          viaSum.Add(negated);
        } catch (const Exception&) {
          continue;  // not defined that way
        }
        left.Subtract(right);
        EXPECT_EQ(RawBytes(left), RawBytes(viaSum));
      }
    }
  }
}

// ---- Multiply ----

TEST_F(SQLMemVariantOpsTest, MultiplyCases) {
  RunBinary("*", &TSQLMemVariant::Multiply, {
      {S32(6), S32(7), Is(S32(42))},
      {S32(65536), S32(65536), Is(S32(0))},
      {S32(kInt32Max), S32(2), Is(S32(-2))},
      {U32(4294967295), U32(4294967295), Is(U32(1))},
      {S64(kInt64Max), S64(2), Is(S64(-2))},
      {S64(kInt64Min), S64(-1), Is(S64(kInt64Min))},
      {S8(16), S8(8), Fails(Err::Range)},
      {S8(-16), S8(8), Is(S8(-128))},
      {U16(256), U16(256), Fails(Err::Range)},
      {F64(1.5), S32(2), Is(F64(3))},
      {F64(1e200), F64(1e200), Fails(Err::Overflow)},
      {Cur(2.5), Cur(4), Is(Cur(10))},
      {B(true), B(false), Is(B(true))},
      {Dt(3), S32(2), Is(Dt(6))},
      {Tm(50000000), S32(2), Is(Tm(100000000))},  // the raw milliseconds, not taken into the day
      {Ts(2, 43200000), Ts(3, 2), Is(Ts(7, 0))},
      {Null(edtInteger), S32(4), Is(Null(edtInteger))},
      {S32(4), Null(edtDouble), Is(Null(edtInteger))},
      {Str("2"), S32(3), Raises(30126, "Not numeric argument in numeric operator '*' - Native error: 30126")},
      {Dt(1), B(true), Raises(30052)},
  });
}

// ---- Divide ----

TEST_F(SQLMemVariantOpsTest, DivideCases) {
  RunBinary("/", &TSQLMemVariant::Divide, {
      {S32(7), S32(2), Is(S32(3))},
      {S32(-7), S32(2), Is(S32(-3))},
      {U8(200), U8(7), Is(U8(28))},
      {S32(7), F64(2), Is(F64(3.5))},
      {F64(1), F64(4), Is(F64(0.25))},
      {S32(10), Cur(4), Is(Cur(2.5))},
      {Cur(10), S32(4), Is(S32(2))},  // Currency with a number meets as the number
      {Dt(10), S32(3), Is(Dt(3))},
      {Tm(90000000), Tm(2), Is(Tm(45000000))},
      {B(true), B(false), Is(B(true))},
      {S32(1), S32(0), Raises(30128, "Division error: Division by zero - Native error: 30128")},
      {F64(1), F64(0), Raises(30128, "Division error: Floating point division by zero - Native error: 30128")},
      {F64(0), F64(0), Raises(30128, "Division error: Invalid floating point operation - Native error: 30128")},
      {F64(1e300), F64(1e-300), Raises(30128, "Division error: Floating point overflow - Native error: 30128")},
      {S32(kInt32Min), S32(-1), Raises(30128, "Division error: Integer overflow - Native error: 30128")},
      {S64(kInt64Min), S64(-1), Raises(30128)},
      {S8(-128), S8(-1), Raises(30128, "Division error: Range check error - Native error: 30128")},
      {S16(-32768), S16(-1), Raises(30128)},
      {S8(-127), S8(-1), Is(S8(127))},
      {Dt(10), S32(0), Raises(30128)},
      {Ts(10, 1000), Ts(0, 1000), Raises(30128)},
      {Null(edtInteger), S32(0), Is(Null(edtInteger))},
      {S32(1), Null(edtInteger), Is(Null(edtInteger))},
      // the engine's own errors keep their codes
      {Str("a"), S32(2), Raises(30127, "Not numeric argument in numeric operator '/' - Native error: 30127")},
      {Dt(10), Str("x"), Raises(30051)},
  });
}

// ---- unary operators ----

TEST_F(SQLMemVariantOpsTest, NegateCases) {
  RunUnary("-", &TSQLMemVariant::Negate, {
      {S8(5), Is(S8(-5))},
      {S32(7), Is(S32(-7))},
      {S8(-128), Fails(Err::Range)},
      {S16(-32768), Fails(Err::Range)},
      {S32(kInt32Min), Fails(Err::IntOverflow)},
      {S64(kInt64Min), Fails(Err::IntOverflow)},
      {U8(5), Is(U8(251))},
      {U8(128), Is(U8(128))},
      {U8(129), Fails(Err::Range)},
      {U16(1), Is(U16(65535))},
      {U16(32769), Fails(Err::Range)},
      {U32(2147483648), Is(U32(2147483648))},
      {U32(2147483649), Fails(Err::Range)},
      {U32(0), Is(U32(0))},
      {F64(2.5), Is(F64(-2.5))},
      {Cur(1.25), Is(Cur(-1.25))},
      {Dt(700000), Is(Dt(-700000))},
      {Dt(NullDate), Is(Dt(NullDate))},
      {Tm(1000), Is(Tm(86399000))},
      {Tm(0), Is(Tm(0))},  // not 86400000, which is no time of day
      {Ts(10, 1000), Is(Ts(-11, 86399000))},
      {Ts(10, 0), Is(Ts(-10, 0))},
      {Ts(10, NullTime), Is(Ts(-10, NullTime))},
      {B(true), Is(B(false))},
      {B(false), Is(B(true))},
      {Null(edtInteger), Is(Null(edtInteger))},
      {Str("1"), Raises(30123, "Cannot invert value with not numeric type 'STRING' - Native error: 30123")},
  });
}

TEST_F(SQLMemVariantOpsTest, AbsCases) {
  RunUnary("ABS", &TSQLMemVariant::Abs, {
      {S8(-5), Is(S8(5))},
      {S64(-9), Is(S64(9))},
      {S32(9), Is(S32(9))},
      {S8(-128), Fails(Err::Range)},
      {S32(kInt32Min), Fails(Err::IntOverflow)},
      {S64(kInt64Min), Fails(Err::IntOverflow)},
      {U8(200), Is(U8(200))},
      {F64(-2.5), Is(F64(2.5))},
      {Cur(-3), Is(Cur(3))},
      {Null(edtVarchar), Is(Null(edtVarchar))},
      {Str("1"), Raises(11651, "Not numeric argument in numeric operator 'ABS' - Native error: 11651")},
      {B(true), Raises(11651)},
      {Dt(5), Raises(11651)},
  });
}

TEST_F(SQLMemVariantOpsTest, SignCases) {
  RunUnary("SIGN", &TSQLMemVariant::Sign, {
      {S32(-7), Is(S32(-1))},
      {S32(0), Is(S32(0))},
      {S64(5), Is(S64(1))},
      {S8(-128), Is(S8(-1))},
      {U8(200), Is(U8(1))},
      {U32(0), Is(U32(0))},
      {F64(-0.5), Is(F64(-1))},
      {F32(0), Is(F32(0))},
      {Cur(2), Is(Cur(1))},
      {Null(edtInteger), Is(Null(edtInteger))},
      {B(true), Raises(11652, "Not numeric argument in numeric operator 'SIGN' - Native error: 11652")},
  });
}

TEST_F(SQLMemVariantOpsTest, CeilingAndFloorCases) {
  struct Case {
    V value;
    Outcome ceiling;
    Outcome floor;
  };
  const std::vector<Case> cases = {
      {F64(2.1), Is(S32(3)), Is(S32(2))},
      {F64(-2.1), Is(S32(-2)), Is(S32(-3))},
      {F64(5), Is(S32(5)), Is(S32(5))},
      {Cur(1.5), Is(S32(2)), Is(S32(1))},
      {F80(2147483647.5L), Fails(Err::IntOverflow), Is(S32(kInt32Max))},
      {F64(-3e9), Fails(Err::IntOverflow), Fails(Err::IntOverflow)},
      // integers keep their number (as an Integer) or overflow, never a cut-off one
      {S64(-7), Is(S32(-7)), Is(S32(-7))},
      {U8(200), Is(S32(200)), Is(S32(200))},
      {S64(5000000000), Fails(Err::IntOverflow), Fails(Err::IntOverflow)},
      {U32(3000000000), Fails(Err::IntOverflow), Fails(Err::IntOverflow)},
      // null and non-numeric values become null
      {Str("2.5"), Is(Null(edtVarchar)), Is(Null(edtVarchar))},
      {B(true), Is(Null(edtBoolean)), Is(Null(edtBoolean))},
      {Dt(3), Is(Null(edtDate)), Is(Null(edtDate))},
      {Null(edtDouble), Is(Null(edtDouble)), Is(Null(edtDouble))},
  };
  for (const Case& c : cases) {
    Check("CEILING " + Describe(c.value), c.value, [](TSQLMemVariant& x) { x.Ceiling(); }, c.ceiling);
    Check("FLOOR " + Describe(c.value), c.value, [](TSQLMemVariant& x) { x.Floor(); }, c.floor);
  }
}

// ---- MOD and POWER ----

TEST_F(SQLMemVariantOpsTest, ModuloCases) {
  RunBinary("MOD", &TSQLMemVariant::Modulo, {
      {S32(7), S32(3), Is(S64(1))},
      {S32(-7), S32(3), Is(S64(-1))},
      {S32(7), S32(-3), Is(S64(1))},
      {F64(7.9), S32(2), Is(S64(1))},
      {Cur(7.5), S32(2), Is(S64(1))},
      {U32(4294967295), U8(10), Is(S64(5))},
      {S64(kInt64Min), S64(-1), Is(S64(0))},
      {S64(kInt64Min), S64(kInt64Max), Is(S64(-1))},
      {S32(1), S32(0), Fails(Err::DivByZero)},
      {Str("7"), S32(3), Is(Null(edtVarchar))},
      {S32(7), Str("3"), Is(Null(edtInteger))},
      {S32(7), B(true), Is(Null(edtInteger))},
      {S32(7), Null(edtNone), Is(Null(edtInteger))},
      {Null(edtInteger), S32(3), Is(Null(edtInteger))},
      {Null(edtInteger), Null(edtInteger), Is(Null(edtInteger))},
      {S32(7), Null(edtInteger), Raises(30016, "Value is Null - Native error: 30016")},
  });
}

TEST_F(SQLMemVariantOpsTest, PowerCases) {
  RunBinary("POWER", &TSQLMemVariant::Power, {
      {S32(2), S32(10), Is(S64(1024))},
      {S32(3), S32(16), Is(S64(43046721))},  // exact, where a 32-bit float gives 43046720
      {U32(16777217), S32(1), Is(S64(16777217))},
      {S32(3), S32(39), Is(S64(4052555153018976267))},
      {S32(3), S32(40), Fails(Err::IntOverflow)},
      {S32(-2), S32(63), Is(S64(kInt64Min))},
      {S32(2), S32(63), Fails(Err::IntOverflow)},
      {S32(2), S32(-1), Is(S64(0))},
      {S32(-1), S32(-3), Is(S64(-1))},
      {S32(1), S64(kInt64Max), Is(S64(1))},
      {S32(0), S32(0), Is(S64(1))},
      {S32(0), S32(-1), Fails(Err::ZeroDivide)},
      {F64(4), F64(0.5), Is(F80(2))},
      {F64(2), S32(-2), Is(F80(0.25))},
      {Cur(1.5), S32(2), Is(F80(2.25))},
      {F64(-8), F64(1.0 / 3), Fails(Err::InvalidOp)},
      {F64(0), F64(-1), Fails(Err::ZeroDivide)},
      {F80(10), S32(5000), Fails(Err::Overflow)},
      {Str("2"), S32(2), Is(Null(edtVarchar))},
      {S32(2), Null(edtInteger), Raises(30016)},
      {Null(edtInteger), S32(2), Is(Null(edtInteger))},
  });
}

// ---- ROUND and TRUNCATE ----

struct DigitsCase {
  V value;
  std::vector<V> digits;  // empty: no digits argument
  Outcome expected;
};

void RunDigits(const char* op, void (TSQLMemVariant::*method)(const TSQLMemVariant*), const std::vector<DigitsCase>& cases) {
  for (const DigitsCase& c : cases) {
    TSQLMemVariant digits;
    if (!c.digits.empty()) Fill(digits, c.digits.front());
    const std::string label =
        std::string(op) + "(" + Describe(c.value) + (c.digits.empty() ? "" : ", " + Describe(c.digits.front())) + ")";
    Check(label, c.value, [&](TSQLMemVariant& x) { (x.*method)(c.digits.empty() ? nullptr : &digits); }, c.expected);
  }
}

TEST_F(SQLMemVariantOpsTest, RoundCases) {
  RunDigits("ROUND", &TSQLMemVariant::Round, {
      {F64(2.5), {}, Is(S64(2))},  // halves to even without digits
      {F64(3.5), {}, Is(S64(4))},
      {F64(-2.5), {}, Is(S64(-2))},
      {F64(-2.6), {}, Is(S64(-3))},
      {Str("2.5"), {}, Is(S64(2))},
      {F64(2.567), {S32(2)}, Is(F80(2.57L))},
      {F64(-2.567), {S32(2)}, Is(F80(-2.57L))},  // symmetric: not -2.56
      {F64(2.5), {S32(0)}, Is(F80(3))},
      {F64(-2.5), {S32(0)}, Is(F80(-3))},
      {S32(7), {S32(1)}, Is(F80(7))},
      {F64(1250), {S32(-2)}, Is(F80(1300))},
      {F64(-1250), {S32(-2)}, Is(F80(-1300))},
      {F64(1249), {S32(-2)}, Is(F80(1200))},
      {F80(1e4931L), {S32(9)}, Is(F80(1e4931L))},  // no digits left to round
      {F64(1), {S32(10)}, Fails(Err::IntOverflow)},
      {F64(1), {S64(5000000000)}, Fails(Err::Range)},
      {F64(1e300), {}, Fails(Err::InvalidOp)},
      {Null(edtDouble), {}, Raises(30016, "Value is Null - Native error: 30016")},
      {F64(1), {Null(edtInteger)}, Raises(30016)},
  });
}

TEST_F(SQLMemVariantOpsTest, TruncateCases) {
  RunDigits("TRUNC", &TSQLMemVariant::Truncate, {
      {F64(2.567), {}, Is(S64(2))},
      {F64(-2.7), {}, Is(S64(-2))},
      {F64(2.567), {S32(2)}, Is(F80(2.56L))},
      {F64(-2.567), {S32(2)}, Is(F80(-2.56L))},
      {F64(1299), {S32(-2)}, Is(F80(1200))},
      {F64(-1299), {S32(-2)}, Is(F80(-1200))},
      {F64(1e19), {}, Fails(Err::InvalidOp)},
      {Null(edtDouble), {S32(1)}, Raises(30016)},
  });
}

// ---- bitwise operators ----

TEST_F(SQLMemVariantOpsTest, BitAndOrXorCases) {
  RunBinary("&", &TSQLMemVariant::BitAnd, {
      {S32(12), S32(10), Is(S32(8))},
      {S8(-1), S8(15), Is(S8(15))},
      {U8(0xF0), U16(0xFF), Is(U16(0xF0))},
      {S64(-1), S64(kInt64Min), Is(S64(kInt64Min))},
      {B(true), B(false), Is(B(false))},
      {B(true), S32(6), Is(S32(0))},
      {S32(5), Null(edtInteger), Is(Null(edtInteger))},
      {Null(edtInteger), S32(1), Is(Null(edtInteger))},
      {F64(1), S32(1), Raises(11645, "Not numeric argument in numeric operator '&' - Native error: 11645")},
      {Dt(1), B(true), Raises(30052)},
  });
  RunBinary("|", &TSQLMemVariant::BitOr, {
      {S32(12), S32(3), Is(S32(15))},
      {U32(0x80000000), U32(1), Is(U32(0x80000001))},
      {B(false), B(true), Is(B(true))},
      {B(false), B(false), Is(B(false))},
      {Str("1"), S32(1), Raises(11646)},
  });
  RunBinary("^", &TSQLMemVariant::BitXor, {
      {S32(12), S32(10), Is(S32(6))},
      {B(true), B(true), Is(B(false))},
      {B(true), B(false), Is(B(true))},
      {F64(1), S32(1), Raises(11650)},
  });
  // A true result of the logical operators is stored as -1.
  TSQLMemVariant x, y;
  x.SetAsBoolean(false);
  y.SetAsBoolean(true);
  x.BitXor(y);
  SmallInt raw = 0;
  ASSERT_TRUE(x.CopyDataTo(&raw, sizeof raw));
  EXPECT_EQ(raw, -1);
}

TEST_F(SQLMemVariantOpsTest, BitNotCases) {
  RunUnary("~", &TSQLMemVariant::BitNot, {
      {S32(0), Is(S32(-1))},
      {S8(5), Is(S8(-6))},
      {U8(5), Is(U8(250))},
      {U16(0), Is(U16(65535))},
      {U32(0), Is(U32(4294967295))},
      {S64(0), Is(S64(-1))},
      {B(true), Is(B(false))},
      {Null(edtInteger), Is(Null(edtInteger))},
      {F64(1), Raises(11647, "Not numeric argument in numeric operator '~' - Native error: 11647")},
  });
}

TEST_F(SQLMemVariantOpsTest, ShiftCases) {
  RunBinary("<<", &TSQLMemVariant::ShiftLeft, {
      {S32(1), S32(4), Is(S32(16))},
      {S32(1), S32(31), Is(S32(kInt32Min))},
      {S32(1), S32(32), Is(S32(1))},  // counts are taken modulo 32 ...
      {S32(1), S32(33), Is(S32(2))},
      {S32(1), S32(-1), Is(S32(kInt32Min))},
      {S32(3), S32(kInt32Min), Is(S32(3))},
      {S64(1), S64(63), Is(S64(kInt64Min))},
      {S64(1), S64(64), Is(S64(1))},  // ... and modulo 64 for LargeInt
      {S64(3), S64(-1), Is(S64(kInt64Min))},
      {S64(1), S64(kInt64Min), Is(S64(1))},
      {U32(0x80000000), U32(1), Is(U32(0))},
      {U16(1), U16(15), Is(U16(32768))},
      {S8(-1), S8(1), Is(S8(-2))},
      {S8(64), S8(1), Fails(Err::Range)},
      {U8(128), U8(1), Fails(Err::Range)},
      {U8(1), S32(8), Is(S32(256))},  // Byte with Integer meets as Integer
      {S32(1), Null(edtInteger), Is(Null(edtInteger))},
      {B(true), B(true), Raises(11648, "Not numeric argument in numeric operator '<<' - Native error: 11648")},
      {F64(1), S32(1), Raises(11648)},
  });
  RunBinary(">>", &TSQLMemVariant::ShiftRight, {
      {S32(256), S32(4), Is(S32(16))},
      {S32(-1), S32(28), Is(S32(15))},  // logical
      {S32(-1), S32(32), Is(S32(-1))},
      {S64(-1), S64(60), Is(S64(15))},
      {S64(-1), S64(64), Is(S64(-1))},
      {U32(0x80000000), U32(31), Is(U32(1))},
      {S8(-2), S8(0), Is(S8(-2))},
      {S8(-2), S8(1), Fails(Err::Range)},  // the 32-bit pattern shifted no longer fits a ShortInt
      {Null(edtInteger), S32(1), Is(Null(edtInteger))},
      {F64(1), S32(1), Raises(11649)},
  });
}

// ---- HEX ----

TEST_F(SQLMemVariantOpsTest, ToHexStringCases) {
  struct Case {
    V value;
    Integer style;
    Outcome expected;
  };
  const std::vector<Case> cases = {
      {S32(255), 1, Is(Chr("$000000FF"))},
      {S32(255), 2, Is(Chr("0x000000ff"))},
      {S32(255), 0, Is(Chr("000000FF"))},
      {S32(255), 7, Is(Chr("000000FF"))},
      {S8(-1), 0, Is(Chr("FF"))},
      {U8(171), 2, Is(Chr("0xab"))},
      {U16(10), 0, Is(Chr("000A"))},
      {S16(-2), 0, Is(Chr("FFFE"))},
      {U32(4294967295), 1, Is(Chr("$FFFFFFFF"))},
      {S64(-2), 0, Is(Chr("FFFFFFFFFFFFFFFE"))},
      {S64(4096), 0, Is(Chr("0000000000001000"))},
      {Str("AB"), 0, Is(Chr("4142"))},
      {Str("AB"), 2, Is(Chr("0x4142"))},
      {Str("\xF5"), 1, Is(Chr("$F5"))},  // the 8-bit bytes of the text
      {WStr("A"), 0, Is(Chr("4100"))},   // UTF-16 little-endian
      {F64(1), 1, Is(Null(edtChar))},
      {B(true), 0, Is(Null(edtChar))},
      {Null(edtInteger), 1, Is(Null(edtChar))},
  };
  for (const Case& c : cases) {
    Check("HEX(" + Describe(c.value) + ", " + std::to_string(c.style) + ")", c.value,
          [&](TSQLMemVariant& x) { x.ToHexString(c.style); }, c.expected);
  }
}

// ---- RANDOM ----

TEST_F(SQLMemVariantOpsTest, RandomDrawsFloatsOrIntegersInRange) {
  os::RandSeed(20240601);
  TSQLMemVariant ten, nullRange(edtInteger), zero, text;
  ten.SetAsInteger(10);
  zero.SetAsInteger(0);
  text.SetAsString("x");
  std::set<Integer> seen;
  for (int i = 0; i < 300; ++i) {
    TSQLMemVariant v;
    v.Random(&ten);
    ASSERT_EQ(v.DataType(), edtInteger);
    const Integer n = v.GetAsInteger();
    ASSERT_TRUE(n >= 0 && n < 10) << n;
    seen.insert(n);

    TSQLMemVariant f;
    f.Random(i % 2 ? nullptr : &nullRange);
    ASSERT_EQ(f.DataType(), edtExtended);
    const long double x = f.GetAsExtended();
    ASSERT_TRUE(x >= 0 && x < 1) << static_cast<double>(x);
  }
  EXPECT_EQ(seen.size(), 10u);

  TSQLMemVariant z;
  z.Random(&zero);
  EXPECT_EQ(z.GetAsInteger(), 0);
  TSQLMemVariant kept;
  kept.SetAsDouble(1.5);
  EXPECT_THROW(kept.Random(&text), ESQLMemException);
  EXPECT_EQ(kept.GetAsDouble(), 1.5);

  // The same seed draws the same numbers.
  auto draws = [&] {
    os::RandSeed(77);
    std::vector<Integer> r;
    for (int i = 0; i < 5; ++i) {
      TSQLMemVariant v;
      v.Random(&ten);
      r.push_back(v.GetAsInteger());
    }
    return r;
  };
  EXPECT_EQ(draws(), draws());
}

// ---- values shared with other owners ----

// The expression evaluator runs operators on borrowed values (Assign without copy); the owner's block
// is never written, whatever the operator.
TEST_F(SQLMemVariantOpsTest, OperatorsNeverWriteIntoABorrowedBlock) {
  TSQLMemVariant owner, three;
  owner.SetAsInteger(5);
  three.SetAsInteger(3);
  const std::vector<std::function<void(TSQLMemVariant&)>> ops = {
      [&](TSQLMemVariant& v) { v.Add(three); },      [&](TSQLMemVariant& v) { v.Subtract(three); },
      [&](TSQLMemVariant& v) { v.Multiply(three); }, [&](TSQLMemVariant& v) { v.Divide(three); },
      [](TSQLMemVariant& v) { v.Negate(); },         [](TSQLMemVariant& v) { v.Sign(); },
      [](TSQLMemVariant& v) { v.BitNot(); },         [&](TSQLMemVariant& v) { v.ShiftLeft(three); },
      [&](TSQLMemVariant& v) { v.BitXor(three); },   [](TSQLMemVariant& v) { v.Ceiling(); },
  };
  for (const auto& op : ops) {
    TSQLMemVariant borrowed;
    borrowed.Assign(owner, false);
    op(borrowed);
    EXPECT_TRUE(borrowed.OwnsData());
    EXPECT_EQ(owner.GetAsInteger(), 5);
  }
}

TEST_F(SQLMemVariantOpsTest, AValueMayBeItsOwnRightOperand) {
  TSQLMemVariant n, s;
  n.SetAsInteger(21);
  n.Add(n);
  EXPECT_EQ(n.GetAsInteger(), 42);
  n.Subtract(n);
  EXPECT_EQ(n.GetAsInteger(), 0);
  s.SetAsString("ab");
  s.Add(s);
  EXPECT_EQ(s.GetAsString(), "abab");
}

// A running SUM adds into one value: null rows are skipped by the caller, the first non-null row
// starts the sum, and Integer overflow wraps.
TEST_F(SQLMemVariantOpsTest, RunningSumAccumulatesInPlace) {
  TSQLMemVariant sum, row;
  for (Integer i = 0; i < 1000; ++i) {
    row.SetAsInteger(kInt32Max / 500);
    sum.Add(row);
  }
  EXPECT_EQ(sum.DataType(), edtInteger);
  const Int64 exact = Int64{kInt32Max / 500} * 1000;
  EXPECT_EQ(sum.GetAsInteger(), static_cast<Integer>(static_cast<Cardinal>(exact)));
}

}  // namespace
