#include "vcl/rtl/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The outcome of a conversion: the result, or the exception's kind and text.
struct Outcome {
  std::optional<Variant> value;
  AnsiString error;  // "cast: <message>" or "overflow: <message>"
};

Outcome Convert(const Variant& v, TVarType to) {
  try {
    return Outcome{VarAsType(v, to), ""};
  } catch (const EVariantOverflowError& e) {
    return Outcome{std::nullopt, "overflow: " + e.Message()};
  } catch (const EVariantTypeCastError& e) {
    return Outcome{std::nullopt, "cast: " + e.Message()};
  }
}

struct ConversionCase {
  const char* name;
  Variant from;
  TVarType to;
  Variant expected;    // used when error is empty; compared by type and value
  const char* error;   // expected "cast: ..." / "overflow: ..." or ""
};

void CheckConversions(std::initializer_list<ConversionCase> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = Convert(c.from, c.to);
    if (*c.error) {
      EXPECT_FALSE(o.value.has_value());
      EXPECT_EQ(o.error, c.error);
      continue;
    }
    ASSERT_TRUE(o.value.has_value()) << o.error;
    EXPECT_EQ(o.value->VarType(), c.to);
    EXPECT_EQ(o.value->VarType(), c.expected.VarType()) << "expectation built with the wrong type";
    EXPECT_EQ(VarCompareValue(*o.value, c.expected), vrEqual) << VarToStr(*o.value);
  }
}

Variant DateV(Word y, Word m, Word d, Word h = 0, Word n = 0) {
  return VarFromDateTime(EncodeDate(y, m, d) + EncodeTime(h, n, 0, 0));
}

AnsiString Cp(const char* utf8) { return Utf8ToCp1250(utf8); }

}  // namespace

TEST(Variant, ConstructorsTakeThePlatformsTypeCodes) {
  struct Case {
    Variant v;
    TVarType code;
  } cases[] = {
      {Variant(), 0},
      {Null(), 1},
      {Variant(SmallInt{-2}), 2},
      {Variant(7), 3},
      {Variant(1.5f), 4},
      {Variant(1.5), 5},
      {Variant(Currency(3)), 6},
      {VarFromDateTime(45306.5), 7},
      {Variant(u"w"), 8},
      {Variant(WideString(u"w")), 8},
      {Variant(true), 11},
      {Variant(ShortInt{-1}), 16},
      {Variant(Byte{1}), 17},
      {Variant(Word{1}), 18},
      {Variant(LongWord{1}), 19},
      {Variant(Int64{1}), 20},
      {Variant(UInt64{1}), 21},
      {Variant("s"), 256},
      {Variant(AnsiString("s")), 256},
      {Variant('c'), 256},
      {VarArrayOf({1, 2}), 0x200C},
      {VarArrayCreate(0, 1, varInteger), 0x2003},
      {VarArrayOfBytes(std::vector<Byte>{1, 2}), 8209},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(VarType(c.v), c.code);
  }
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_FALSE(VarIsNull(Variant(0)));
  EXPECT_FALSE(VarIsEmpty(Variant("")));
}

TEST(Variant, ConversionMatrixOfNumbers) {
  CheckConversions({
      {"Integer to Smallint", Variant(42), varSmallint, Variant(SmallInt{42}), ""},
      {"Integer to Byte", Variant(42), varByte, Variant(Byte{42}), ""},
      {"Integer to Double", Variant(42), varDouble, Variant(42.0), ""},
      {"Integer to Currency", Variant(42), varCurrency, Variant(Currency(42)), ""},
      {"Integer to String", Variant(-42), varString, Variant("-42"), ""},
      {"Integer to OleStr", Variant(42), varOleStr, Variant(u"42"), ""},
      {"Integer to Boolean", Variant(42), varBoolean, Variant(true), ""},
      {"zero to Boolean", Variant(0), varBoolean, Variant(false), ""},
      {"Integer to Date", Variant(45306), varDate, DateV(2024, 1, 15), ""},
      {"Integer to Int64", Variant(42), varInt64, Variant(Int64{42}), ""},
      {"Integer to Smallint overflow", Variant(70000), varSmallint, Variant(),
       "overflow: Overflow while converting variant of type (Integer) into type (Smallint)"},
      {"negative to Byte", Variant(-1), varByte, Variant(),
       "overflow: Overflow while converting variant of type (Integer) into type (Byte)"},
      {"negative to LongWord", Variant(-1), varLongWord, Variant(),
       "overflow: Overflow while converting variant of type (Integer) into type (LongWord)"},
      {"Int64 to Integer overflow", Variant(Int64{1} << 40), varInteger, Variant(),
       "overflow: Overflow while converting variant of type (Int64) into type (Integer)"},
      {"UInt64 max to String", Variant(std::numeric_limits<UInt64>::max()), varString,
       Variant("18446744073709551615"), ""},
      {"UInt64 max to Int64", Variant(std::numeric_limits<UInt64>::max()), varInt64, Variant(),
       "overflow: Overflow while converting variant of type (UInt64) into type (Int64)"},
      {"Double 2.5 to Integer rounds to even", Variant(2.5), varInteger, Variant(2), ""},
      {"Double 3.5 to Integer rounds to even", Variant(3.5), varInteger, Variant(4), ""},
      {"Double -2.5 to Integer", Variant(-2.5), varInteger, Variant(-2), ""},
      {"Double to String", Variant(1.5), varString, Variant("1.5"), ""},
      {"Double to Integer overflow", Variant(1e10), varInteger, Variant(),
       "overflow: Overflow while converting variant of type (Double) into type (Integer)"},
      {"NaN to Integer", Variant(std::nan("")), varInteger, Variant(),
       "overflow: Overflow while converting variant of type (Double) into type (Integer)"},
      {"Double to Currency overflow", Variant(1e300), varCurrency, Variant(),
       "overflow: Overflow while converting variant of type (Double) into type (Currency)"},
      {"Double to Single overflow", Variant(1e39), varSingle, Variant(),
       "overflow: Overflow while converting variant of type (Double) into type (Single)"},
      {"Single to String", Variant(0.1f), varString, Variant("0.1"), ""},
      {"Single to Double", Variant(0.1f), varDouble, Variant(static_cast<double>(0.1f)), ""},
      {"Boolean to Integer", Variant(true), varInteger, Variant(-1), ""},
      {"Boolean to Double", Variant(true), varDouble, Variant(-1.0), ""},
      {"Boolean to String", Variant(true), varString, Variant("True"), ""},
      {"false to String", Variant(false), varString, Variant("False"), ""},
      {"true to Byte", Variant(true), varByte, Variant(),
       "overflow: Overflow while converting variant of type (Boolean) into type (Byte)"},
      {"Currency to String", Variant(Currency::FromRaw(15000)), varString, Variant("1.5"), ""},
      {"Currency 1.5 to Integer", Variant(Currency::FromRaw(15000)), varInteger, Variant(2), ""},
      {"Currency 2.5 to Integer", Variant(Currency::FromRaw(25000)), varInteger, Variant(2), ""},
      {"Currency to Double", Variant(Currency::FromRaw(15000)), varDouble, Variant(1.5), ""},
      {"Date to Double", DateV(2024, 1, 15, 12), varDouble, Variant(45306.5), ""},
      {"Date to Integer", DateV(2024, 1, 15, 12), varInteger, Variant(45306), ""},
      {"Date to String", DateV(2024, 1, 15, 12), varString, Variant("1/15/2024 12:00:00 PM"), ""},
      {"midnight Date to String", DateV(2024, 1, 15), varString, Variant("1/15/2024"), ""},
      {"Date outside the calendar to String", VarFromDateTime(1e300), varString, Variant(),
       "overflow: Overflow while converting variant of type (Date) into type (String)"},
  });
}

TEST(Variant, ConversionMatrixOfTextsNullAndEmpty) {
  CheckConversions({
      {"String to Integer", Variant("123"), varInteger, Variant(123), ""},
      {"String with blanks to Integer", Variant(" 123"), varInteger, Variant(123), ""},
      {"hex String to Integer", Variant("$FF"), varInteger, Variant(255), ""},
      {"String to Double", Variant("12.5"), varDouble, Variant(12.5), ""},
      {"decimal String to Integer", Variant("12.5"), varInteger, Variant(12), ""},
      {"String to Currency", Variant("12.34565"), varCurrency, Variant(Currency::FromRaw(123456)), ""},
      {"String to UInt64", Variant("18446744073709551615"), varUInt64,
       Variant(std::numeric_limits<UInt64>::max()), ""},
      {"garbage to Integer", Variant("abc"), varInteger, Variant(),
       "cast: Could not convert variant of type (String) into type (Integer)"},
      {"garbage OleStr to Double", Variant(u"abc"), varDouble, Variant(),
       "cast: Could not convert variant of type (OleStr) into type (Double)"},
      {"String to Smallint overflow", Variant("99999"), varSmallint, Variant(),
       "overflow: Overflow while converting variant of type (String) into type (Smallint)"},
      {"True to Boolean", Variant("True"), varBoolean, Variant(true), ""},
      {"false to Boolean", Variant("false"), varBoolean, Variant(false), ""},
      {"0 to Boolean", Variant("0"), varBoolean, Variant(false), ""},
      {"yes to Boolean", Variant("yes"), varBoolean, Variant(),
       "cast: Could not convert variant of type (String) into type (Boolean)"},
      {"String to Date", Variant("1/15/2024 12:00"), varDate, DateV(2024, 1, 15, 12), ""},
      {"garbage to Date", Variant("x"), varDate, Variant(),
       "cast: Could not convert variant of type (String) into type (Date)"},
      {"OleStr to String", Variant(u"\u00e1rv\u00edzt\u0171r\u0151"), varString, Variant(Cp("árvíztűrő")), ""},
      {"String to OleStr", Variant(Cp("tükörfúrógép")), varOleStr, Variant(u"t\u00fck\u00f6rf\u00far\u00f3g\u00e9p"), ""},
      {"Null to Integer", Null(), varInteger, Variant(),
       "cast: Could not convert variant of type (Null) into type (Integer)"},
      {"Null to String", Null(), varString, Variant(),
       "cast: Could not convert variant of type (Null) into type (String)"},
      {"Null to OleStr", Null(), varOleStr, Variant(),
       "cast: Could not convert variant of type (Null) into type (OleStr)"},
      {"Null to Null", Null(), varNull, Null(), ""},
      {"Empty to Integer", Variant(), varInteger, Variant(0), ""},
      {"Empty to String", Variant(), varString, Variant(""), ""},
      {"Empty to Boolean", Variant(), varBoolean, Variant(false), ""},
      {"Empty to Date", Variant(), varDate, VarFromDateTime(0), ""},
      {"Integer to Empty", Variant(5), varEmpty, Variant(), ""},
      {"array to Integer", VarArrayOf({1}), varInteger, Variant(), "cast: Invalid variant type conversion"},
      {"array to String", VarArrayOf({1}), varString, Variant(), "cast: Invalid variant type conversion"},
      {"Integer to array", Variant(1), varArray | varInteger, Variant(), "cast: Invalid variant type conversion"},
      {"Integer to Dispatch", Variant(1), varDispatch, Variant(), "cast: Invalid variant type conversion"},
      {"Integer to Variant", Variant(1), varVariant, Variant(), "cast: Invalid variant type conversion"},
  });
}

TEST(Variant, TextConversionsFollowTheProcessWideSettings) {
  TFormatSettingsScope hungarian(HungarianFormatSettings());
  CheckConversions({
      {"Double to String", Variant(1.5), varString, Variant("1,5"), ""},
      {"String to Double", Variant("1,5"), varDouble, Variant(1.5), ""},
      {"dotted String to Double", Variant("1.5"), varDouble, Variant(),
       "cast: Could not convert variant of type (String) into type (Double)"},
      {"Currency to String", Variant(Currency::FromRaw(-12345)), varString, Variant("-1,2345"), ""},
      {"Date to String", DateV(2024, 1, 15, 12), varString, Variant("2024. 01. 15. 12:00:00"), ""},
      {"String to Date", Variant("2024.01.15."), varDate, DateV(2024, 1, 15), ""},
  });
}

TEST(Variant, NullReadsAsEmptyTextOnlyThroughVarToStr) {
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_EQ(VarToStr(Variant(5)), "5");
  EXPECT_EQ(VarToStrDef(Null(), "-"), "-");
  EXPECT_EQ(VarToWideStr(Null()), u"");
  EXPECT_THROW(Null().AsString(), EVariantTypeCastError);
  EXPECT_THROW(Null().AsBoolean(), EVariantTypeCastError);
  EXPECT_THROW(Null().AsDateTime(), EVariantTypeCastError);
  EXPECT_THROW(VarToDateTime(Null()), EVariantTypeCastError);
  // The whole family derives from EVariantError.
  EXPECT_THROW(Null().AsInteger(), EVariantError);
}

TEST(Variant, TypeNamesAndTests) {
  struct Case {
    TVarType type;
    const char* name;
  } cases[] = {{varEmpty, "Empty"},   {varInteger, "Integer"}, {varOleStr, "OleStr"},
               {varString, "String"}, {varUInt64, "UInt64"},   {varArray | varByte, "Array Byte"},
               {varAny, "Any"},       {0x0400, "$0400"},       {varArray | varVariant, "Array Variant"}};
  for (const auto& c : cases) EXPECT_EQ(VarTypeAsText(c.type), c.name);
  EXPECT_TRUE(VarIsNumeric(Variant(true)));
  EXPECT_TRUE(VarIsOrdinal(Variant(Byte{1})));
  EXPECT_TRUE(VarIsFloat(Variant(Currency(1))));
  EXPECT_FALSE(VarIsNumeric(VarFromDateTime(1)));
  EXPECT_TRUE(VarIsStr(Variant(u"x")));
  EXPECT_FALSE(VarIsStr(Variant(1)));
  EXPECT_TRUE(VarIsType(Variant(1.0), varDouble));
}

TEST(VariantArray, VarArrayOfHoldsAnyVariants) {
  Variant a = VarArrayOf({1, "two", Null(), 4.5});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayGet(a, 0).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(a, 1).AsString(), "two");
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, 2)));
  VarArrayPut(a, VarArrayOf({"nested"}), 2);
  EXPECT_EQ(VarArrayGet(VarArrayGet(a, 2), 0).AsString(), "nested");
  // Copies are independent.
  Variant copy = a;
  VarArrayPut(copy, 99, 0);
  EXPECT_EQ(VarArrayGet(a, 0).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(copy, 0).AsInteger(), 99);
  Variant empty = VarArrayOf({});
  EXPECT_EQ(VarArrayHighBound(empty), -1);
}

TEST(VariantArray, BoundsAndTheirErrors) {
  Variant a = VarArrayCreate(-2, 2, varInteger);
  EXPECT_EQ(VarArrayLowBound(a), -2);
  EXPECT_EQ(VarArrayHighBound(a), 2);
  EXPECT_EQ(VarType(VarArrayGet(a, -2)), varInteger);
  EXPECT_EQ(VarArrayGet(a, -2).AsInteger(), 0);
  auto message = [](auto f) -> AnsiString {
    try {
      f();
    } catch (const EVariantError& e) {
      return e.Message();
    }
    return "(nothing raised)";
  };
  EXPECT_EQ(message([&] { VarArrayGet(a, 3); }), "Variant or safe array index out of bounds");
  EXPECT_EQ(message([&] { VarArrayGet(a, -3); }), "Variant or safe array index out of bounds");
  EXPECT_EQ(message([&] { VarArrayHighBound(a, 2); }), "Variant or safe array index out of bounds");
  EXPECT_EQ(message([] { VarArrayLowBound(Variant(1)); }), "Variant is not an array");
  EXPECT_EQ(message([] { VarArrayGet(Null(), 0); }), "Variant is not an array");
  EXPECT_EQ(message([] { VarArrayCreate(0, -2, varInteger); }), "Error creating variant or safe array");
  EXPECT_EQ(message([] { VarArrayCreate(0, 1, varString); }), "Invalid variant type");
  EXPECT_EQ(message([] { VarArrayCreate(0, 1, varNull); }), "Invalid variant type");
  EXPECT_THROW(VarArrayGet(a, 3), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(Variant(1)), EVariantNotAnArrayError);
  Variant none = VarArrayCreate(5, 4, varDouble);
  EXPECT_EQ(VarArrayHighBound(none), 4);
  EXPECT_THROW(VarArrayGet(none, 5), EVariantBadIndexError);
}

TEST(VariantArray, TypedArraysConvertWhatIsPut) {
  Variant a = VarArrayCreate(1, 3, varInteger);
  VarArrayPut(a, "5", 1);
  VarArrayPut(a, 2.5, 2);
  EXPECT_EQ(VarType(VarArrayGet(a, 1)), varInteger);
  EXPECT_EQ(VarArrayGet(a, 1).AsInteger(), 5);
  EXPECT_EQ(VarArrayGet(a, 2).AsInteger(), 2);
  EXPECT_THROW(VarArrayPut(a, "x", 3), EVariantTypeCastError);
  EXPECT_THROW(VarArrayPut(a, Null(), 3), EVariantTypeCastError);
  Variant s = VarArrayCreate(0, 0, varOleStr);
  VarArrayPut(s, 12, 0);
  EXPECT_EQ(VarArrayGet(s, 0).AsWideString(), u"12");
  EXPECT_EQ(VarType(VarAsType(a, varArray | varInteger)), varArray | varInteger);
  EXPECT_THROW(VarAsType(a, varArray | varDouble), EVariantTypeCastError);
}

TEST(VariantArray, ByteArraysExposeTheirBytes) {
  const Byte data[] = {0x00, 0x7F, 0xFF};
  Variant b = VarArrayOfBytes(data);
  EXPECT_EQ(VarType(b), 8209);
  EXPECT_EQ(VarArrayLowBound(b), 0);
  EXPECT_EQ(VarArrayHighBound(b), 2);
  EXPECT_EQ(VarArrayGet(b, 2).AsInteger(), 255);
  EXPECT_EQ(VarType(VarArrayGet(b, 2)), varByte);
  std::span<Byte> bytes = VarArrayBytes(b);
  ASSERT_EQ(bytes.size(), 3u);
  bytes[0] = 0x41;
  EXPECT_EQ(VarArrayGet(b, 0).AsInteger(), 0x41);
  VarArrayPut(b, 200, 1);
  EXPECT_EQ(VarArrayBytes(std::as_const(b))[1], 200);
  EXPECT_THROW(VarArrayPut(b, 256, 1), EVariantOverflowError);
  VarArrayRedim(b, 4);
  EXPECT_EQ(VarArrayHighBound(b), 4);
  EXPECT_EQ(VarArrayGet(b, 4).AsInteger(), 0);
  EXPECT_EQ(VarArrayGet(b, 0).AsInteger(), 0x41);
  VarArrayRedim(b, -1);
  EXPECT_TRUE(VarArrayBytes(b).empty());
  Variant created = VarArrayCreate(0, 1023, varByte);
  EXPECT_EQ(VarArrayBytes(created).size(), 1024u);
  Variant ints = VarArrayCreate(0, 1, varInteger);
  EXPECT_THROW(VarArrayBytes(ints), EVariantInvalidArgError);
  Variant notArray(5);
  EXPECT_THROW(VarArrayBytes(notArray), EVariantNotAnArrayError);
}

TEST(Variant, CompareValueAndEquality) {
  struct Case {
    const char* name;
    Variant a, b;
    TVariantRelationship expected;
  } cases[] = {
      {"equal numbers of different kinds", 1, 1.0, vrEqual},
      {"smaller", 1, 2, vrLessThan},
      {"larger", Variant(Byte{200}), Variant(ShortInt{-1}), vrGreaterThan},
      {"UInt64 against Int64", Variant(std::numeric_limits<UInt64>::max()), Variant(Int64{-1}), vrGreaterThan},
      {"Currency against Double", Variant(Currency::FromRaw(15000)), 1.5, vrEqual},
      {"Currency against Integer", Variant(Currency::FromRaw(15001)), 2, vrLessThan},
      {"Boolean true is -1", true, -1, vrEqual},
      {"texts ordinal", "abc", "abd", vrLessThan},
      {"texts are case-sensitive", "B", "a", vrLessThan},
      {"AnsiString against OleStr", Variant(Cp("é")), Variant(u"\u00e9"), vrEqual},
      {"text against number compares numbers", "10", 9, vrGreaterThan},
      {"text against Date", Variant("1/15/2024"), DateV(2024, 1, 15), vrEqual},
      {"text against Boolean", Variant("True"), true, vrEqual},
      {"Date against Double", DateV(2024, 1, 15, 12), 45306.5, vrEqual},
      {"Null and Null", Null(), Null(), vrEqual},
      {"Null and zero", Null(), 0, vrNotEqual},
      {"zero and Null", 0, Null(), vrNotEqual},
      {"Empty and Empty", Variant(), Variant(), vrEqual},
      {"Empty and zero", Variant(), 0, vrNotEqual},
      {"Empty and Null", Variant(), Null(), vrNotEqual},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VarCompareValue(c.a, c.b), c.expected);
    EXPECT_EQ(c.a == c.b, c.expected == vrEqual);
  }
  EXPECT_THROW(VarCompareValue("abc", 1), EVariantTypeCastError);
  EXPECT_THROW(VarCompareValue(VarArrayOf({1}), VarArrayOf({1})), EVariantInvalidOpError);
  EXPECT_TRUE(Variant(5) != Variant(6));
  EXPECT_TRUE(Variant(5) == 5);
  EXPECT_TRUE(Variant("5") == 5.0);
  EXPECT_TRUE(VarSameValue(Variant("x"), Variant("x")));
}
