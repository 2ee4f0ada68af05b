#include "engine/foundation/SQLMemValueConvert.h"

#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/DataFiles.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

class ValueConvert : public EnglishEngineBlocksTest {};

// A source value in its storage form.
struct Source {
  Integer type = 0;
  std::string bytes;
};

template <class T>
Source Fixed(Integer type, T v) {
  Source s{type, std::string(sizeof v, '\0')};
  std::memcpy(s.bytes.data(), &v, sizeof v);
  return s;
}

Source Text(Integer type, const std::string& text) { return {type, text + '\0'}; }
Source Wide(Integer type, const std::u16string& text) {
  Source s{type, std::string((text.size() + 1) * 2, '\0')};
  std::memcpy(s.bytes.data(), text.data(), text.size() * 2);
  return s;
}
Source Raw(Integer type, const std::string& bytes) { return {type, bytes}; }
Source Stamp(Integer date, Integer time) {
  Source s{edtTimeStamp, std::string(8, '\0')};
  std::memcpy(s.bytes.data(), &date, 4);
  std::memcpy(s.bytes.data() + 4, &time, 4);
  return s;
}
Source Extended(long double v) {
  Source s{edtExtended, std::string(10, '\0')};
  StoreExtended(s.bytes.data(), v);
  return s;
}

TSQLMemBlock Convert(const Source& s, Integer target) {
  return ConvertValueBuffer(s.bytes.data(), static_cast<Integer>(s.bytes.size()), s.type, target);
}

std::string Hex(const void* p, Integer n) {
  std::string out = "#";
  char buf[3];
  for (Integer i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<const Byte*>(p)[i]);
    out += buf;
  }
  return out;
}

std::string Number(long double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17Lg", v);
  return buf;
}

// A converted block as the expectation table writes it: text as 'text'/size (w'' for UTF-16),
// BLOB bytes in hex, numbers in decimal, time stamps as day/milliseconds, "null" for no block.
std::string Render(const TSQLMemBlock& b, Integer type) {
  if (!b) return "null";
  const void* p = b.Data();
  const std::string size = "/" + std::to_string(b.Size());
  switch (type) {
    case edtChar:
    case edtVarchar: return "'" + std::string(static_cast<const char*>(p)) + "'" + size;
    case edtMemo: return "'" + std::string(static_cast<const char*>(p), b.Size()) + "'" + size;
    case edtBLOB: return Hex(p, b.Size()) + size;
    case edtWideChar:
    case edtWideVarchar:
    case edtWideMemo: {
      std::u16string w(b.Size() / 2, u'\0');
      std::memcpy(w.data(), p, w.size() * 2);
      if (type != edtWideMemo) w = w.c_str();
      return "w'" + Cp1250ToUtf8(Utf16ToCp1250(w)) + "'" + size;
    }
    case edtShortInt: return std::to_string(LoadValue<ShortInt>(p));
    case edtSmallInt:
    case edtBoolean: return std::to_string(LoadValue<SmallInt>(p));
    case edtInteger:
    case edtDate:
    case edtTime: return std::to_string(LoadValue<Integer>(p));
    case edtLargeInt: return std::to_string(LoadValue<Int64>(p));
    case edtByte: return std::to_string(LoadValue<Byte>(p));
    case edtWord: return std::to_string(LoadValue<Word>(p));
    case edtCardinal: return std::to_string(LoadValue<Cardinal>(p));
    case edtSingle: return Number(LoadValue<float>(p));
    case edtDouble:
    case edtCurrency: return Number(LoadValue<double>(p));
    case edtExtended: return Number(LoadExtended(p));
    case edtTimeStamp:
      return std::to_string(LoadValue<Integer>(p)) + "/" + std::to_string(LoadValue<Integer>(static_cast<const Byte*>(p) + 4));
    default: return "?";
  }
}

// Converts and renders, or gives the native code of the error.
std::string Outcome(const Source& s, Integer target) {
  try {
    return Render(Convert(s, target), target);
  } catch (const ESQLMemException& e) {
    return std::to_string(e.NativeError());
  }
}

// ---- the conversion matrix ----

// One sample value per type; ConversionMatrix.txt holds the expected outcome of every pair under the
// English profile (refused pairs 30052, failed conversions 30051).
TEST_F(ValueConvert, EveryPairOfTypesGivesItsExpectedOutcome) {
  std::vector<Source> samples(25);
  samples[0] = Raw(0, "\x01\x02");
  samples[1] = Text(1, "12");
  samples[2] = Wide(2, u"12");
  samples[3] = Text(3, "12");
  samples[4] = Wide(4, u"12");
  samples[5] = Fixed<ShortInt>(5, 12);
  samples[6] = Fixed<SmallInt>(6, 12);
  samples[7] = Fixed<Integer>(7, 12);
  samples[8] = Fixed<Int64>(8, 12);
  samples[9] = Fixed<Byte>(9, 12);
  samples[10] = Fixed<Word>(10, 12);
  samples[11] = Fixed<Cardinal>(11, 12);
  samples[12] = Fixed<float>(12, 1.75f);
  samples[13] = Fixed<double>(13, 1.75);
  samples[14] = Extended(1.75L);
  samples[15] = Fixed<Integer>(15, 693596);  // 1 January 1900
  samples[16] = Fixed<Integer>(16, 64800000);  // 18:00
  samples[17] = Stamp(693596, 64800000);
  samples[18] = Raw(18, "12");
  samples[19] = Raw(19, "12");
  samples[20] = Raw(20, std::string("1\0" "2\0", 4));
  samples[21] = Fixed<SmallInt>(21, -1);
  samples[22] = Fixed<double>(22, 12.5);
  samples[23] = Raw(23, "\x01\x02");
  samples[24] = Raw(24, "\x01\x02");

  const std::vector<std::string> lines = ReadDataLines("engine/ConversionMatrix.txt");
  ASSERT_EQ(lines.size(), 625u);
  for (const std::string& line : lines) {
    std::istringstream row(line);
    int source = 0, target = 0;
    row >> source >> target;
    std::string expected;
    std::getline(row >> std::ws, expected);
    EXPECT_EQ(Outcome(samples[source], target), expected)
        << EngineDataTypeName(source) << " -> " << EngineDataTypeName(target);
  }
}

TEST_F(ValueConvert, RefusedAndFailedConversionsNameBothTypes) {
  ExpectEngineError([] { Convert(Fixed<Integer>(7, 5), edtBLOB); }, 30052,
                    "Cannot cast from 'INTEGER' to 'BLOB' - Native error: 30052");
  ExpectEngineError([] { Convert(Fixed<SmallInt>(21, -1), edtCurrency); }, 30052,
                    "Cannot cast from 'LOGICAL' to 'CURRENCY' - Native error: 30052");
  ExpectEngineError([] { Convert(Text(3, "300"), edtShortInt); }, 30051,
                    "Cannot cast from 'STRING' to 'SIGNEDINT8' - Native error: 30051");
  ExpectEngineError([] { Convert(Fixed<Integer>(7, 1), 0); }, 30052,
                    "Cannot cast from 'INTEGER' to 'Unknown' - Native error: 30052");
}

// The conversions done without an engine block give the bytes and the errors of the general path;
// text always reaches an integer type that way, whatever the text holds.
TEST_F(ValueConvert, ConversionsOnTheStackMatchTheGeneralPath) {
  const std::vector<Source> sources = {
      Text(edtVarchar, "123456"), Text(edtVarchar, "-128"), Text(edtVarchar, "4294967295"),
      Text(edtVarchar, "-9223372036854775808"), Text(edtVarchar, " 12"), Text(edtVarchar, "1e3"),
      Text(edtVarchar, "$1F"), Text(edtVarchar, ""), Text(edtVarchar, "99999999999999999999"),
      Raw(edtMemo, "70000"), Wide(edtWideVarchar, u"-32769"), Wide(edtWideVarchar, u"65535"),
      Fixed<ShortInt>(edtShortInt, -128), Fixed<Integer>(edtInteger, -70000), Fixed<Int64>(edtLargeInt, INT64_MIN),
      Fixed<Int64>(edtLargeInt, 4294967296), Fixed<Cardinal>(edtCardinal, 4294967295u), Fixed<Word>(edtWord, 65535),
      Fixed<float>(edtSingle, -1.75f), Fixed<double>(edtDouble, 3e38), Fixed<double>(edtDouble, 1e300),
      Fixed<double>(edtDouble, std::numeric_limits<double>::quiet_NaN()), Extended(-2.5e19L), Extended(1e4000L)};
  const Integer targets[] = {edtShortInt, edtSmallInt, edtInteger, edtLargeInt, edtByte,
                             edtWord,     edtCardinal, edtSingle,  edtDouble,   edtExtended, edtCurrency};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    for (const Integer target : targets) {
      SCOPED_TRACE("source " + std::to_string(i) + " -> " + EngineDataTypeName(target));
      Byte out[16];
      std::string onStack;
      bool taken = false;
      try {
        taken = ConvertValueOnStack(s.bytes.data(), static_cast<Integer>(s.bytes.size()), s.type, target, out);
        if (taken) {
          TSQLMemBlock bytes(out, ValueBufferSize(target, 0));  // borrowed for rendering only
          onStack = Render(bytes, target);
          bytes.Release();
        }
      } catch (const ESQLMemException& e) {
        taken = true;
        onStack = std::to_string(e.NativeError());
      }
      if (IsTextDataType(s.type) && target <= edtCardinal) {
        EXPECT_TRUE(taken);
      }
      if (taken) {
        EXPECT_EQ(onStack, Outcome(s, target));
      }
    }
  }
}

// ---- single conversions worth pinning ----

TEST_F(ValueConvert, NumbersBetweenIntegerTypes) {
  struct Case {
    Source source;
    Integer target;
    const char* expected;
  };
  const Case cases[] = {
      {Fixed<Integer>(7, 300), edtByte, "44"},                       // signed sources keep the low bytes
      {Fixed<Integer>(7, -1), edtCardinal, "4294967295"},
      {Fixed<Int64>(8, 0x100000005LL), edtInteger, "5"},
      {Fixed<Int64>(8, -1), edtByte, "255"},
      {Fixed<Int64>(8, 0x100000005LL), edtDate, "5"},
      {Fixed<Cardinal>(11, 300), edtByte, "30051"},                  // unsigned sources are checked
      {Fixed<Cardinal>(11, 3000000000u), edtInteger, "30051"},
      {Fixed<Cardinal>(11, 3000000000u), edtLargeInt, "3000000000"},
      {Fixed<Byte>(9, 200), edtShortInt, "30051"},
      {Fixed<Cardinal>(11, 3000000000u), edtVarchar, "'3000000000'/11"},
      {Fixed<ShortInt>(5, -128), edtVarchar, "'-128'/5"},
      {Fixed<Int64>(8, INT64_MIN), edtVarchar, "'-9223372036854775808'/21"},
      {Fixed<Integer>(7, 0), edtBoolean, "0"},
      {Fixed<Integer>(7, 5), edtTimeStamp, "5/-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.source, c.target), c.expected) << EngineDataTypeName(c.source.type) << " -> " << c.target;
  }
}

TEST_F(ValueConvert, TextToNumbersAndBack) {
  struct Case {
    Source source;
    Integer target;
    const char* expected;
  };
  const Case cases[] = {
      {Text(3, "12"), edtInteger, "12"},
      {Text(3, "-2147483648"), edtInteger, "-2147483648"},
      {Text(3, "2147483648"), edtInteger, "30051"},
      {Text(3, "300"), edtShortInt, "30051"},
      {Text(3, "-129"), edtShortInt, "30051"},
      {Text(3, "65535"), edtWord, "65535"},
      {Text(3, "-1"), edtByte, "30051"},
      // Cardinal reads its whole range (the 32-bit parser stopped at 2147483647).
      {Text(3, "3000000000"), edtCardinal, "3000000000"},
      {Text(3, "4294967295"), edtCardinal, "4294967295"},
      {Text(3, "4294967296"), edtCardinal, "30051"},
      {Text(3, "-1"), edtCardinal, "30051"},
      {Text(3, "9223372036854775807"), edtLargeInt, "9223372036854775807"},
      {Text(3, "12x"), edtLargeInt, "30051"},
      {Text(3, "1e300"), edtSingle, "30051"},
      {Text(3, "1e300"), edtDouble, "1.0000000000000001e+300"},
      {Text(3, "yes"), edtBoolean, "0"},
      {Text(3, "true"), edtBoolean, "-1"},
      {Text(3, "TRUE"), edtBoolean, "-1"},
      {Text(3, "1"), edtBoolean, "-1"},
      {Text(3, " 1"), edtBoolean, "0"},
      {Text(3, "3/5/2009"), edtDate, "733471"},
      {Text(3, "1:30 PM"), edtTime, "48600000"},
      {Text(3, "3/5/2009 1:30 PM"), edtTimeStamp, "733471/48600000"},
      {Wide(4, u"42"), edtSmallInt, "42"},
      {Fixed<SmallInt>(21, 0), edtVarchar, "'False'/6"},
      {Fixed<SmallInt>(21, 7), edtInteger, "1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.source, c.target), c.expected) << EngineDataTypeName(c.source.type) << " '" << c.source.bytes << "' -> " << c.target;
  }
}

// Text to float always reads "."; float and Currency to text and text to Currency use the locale.
TEST_F(ValueConvert, DecimalSeparators) {
  TFormatSettingsScope hungarian(HungarianFormatSettings());
  EXPECT_EQ(Outcome(Text(3, "12.5"), edtDouble), "12.5");
  EXPECT_EQ(Outcome(Text(3, "12,5"), edtDouble), "30051");
  EXPECT_EQ(Outcome(Fixed<double>(13, 12.5), edtVarchar), "'12,5'/5");
  EXPECT_EQ(Outcome(Fixed<double>(22, 12.5), edtVarchar), "'12,5'/5");
  EXPECT_EQ(Outcome(Text(3, "12,5"), edtCurrency), "12.5");
  EXPECT_EQ(Outcome(Text(3, "2009.03.05"), edtDate), "733471");
}

TEST_F(ValueConvert, FloatsToIntegersAndTimes) {
  struct Case {
    Source source;
    Integer target;
    const char* expected;
  };
  const Case cases[] = {
      {Fixed<double>(13, -2.9), edtInteger, "-2"},
      {Fixed<double>(13, 1e10), edtInteger, "30051"},
      {Fixed<double>(13, 1e10), edtLargeInt, "10000000000"},
      {Fixed<double>(13, 1e19), edtLargeInt, "30051"},
      {Fixed<double>(13, std::nan("")), edtInteger, "30051"},
      {Fixed<double>(13, 1e300), edtSingle, "30051"},
      {Fixed<double>(13, 1.75), edtTimeStamp, "1/64800000"},
      // Before day 0 the fraction still counts forward within its day, never as a negative time.
      {Fixed<double>(13, -1.25), edtTimeStamp, "-1/21600000"},
      // A fraction that rounds to a whole day moves to the next day.
      {Fixed<double>(13, 0.9999999999999), edtTimeStamp, "1/0"},
      {Fixed<double>(13, 86400001.4), edtTime, "1"},
      {Fixed<float>(12, 2.9f), edtTime, "2"},
      {Fixed<double>(13, 2.5), edtTime, "2"},  // rounding halves to even
      {Fixed<double>(22, -7.99), edtSmallInt, "-7"},
      {Fixed<double>(22, 1e6), edtSmallInt, "30051"},
      {Fixed<Integer>(15, 693596), edtDouble, "693596"},  // the day number, not a TDateTime day
      {Fixed<Integer>(15, NullDate), edtVarchar, "null"},
      {Fixed<Integer>(15, NullDate), edtBoolean, "0"},
      {Fixed<Integer>(16, NullTime), edtBoolean, "0"},
      {Fixed<Integer>(16, NullTime), edtVarchar, "'12:00:00 AM'/12"},
      {Stamp(NullDate, NullTime), edtVarchar, "null"},
      {Stamp(NullDate, NullTime), edtBoolean, "0"},
      {Stamp(NullDate, 43200000), edtDouble, "0.5"},
      {Stamp(10, NullTime), edtDouble, "10"},
      {Stamp(1, 1), edtCurrency, "1"},  // rounded to four decimals
      {Stamp(1, 8640), edtCurrency, "1.0001"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.source, c.target), c.expected) << EngineDataTypeName(c.source.type) << " -> " << c.target;
  }
}

// Text into a BLOB type holds exactly the bytes: no terminator rides along into a Memo.
TEST_F(ValueConvert, TextIntoBLOBTypesHoldsExactlyItsBytes) {
  EXPECT_EQ(Outcome(Text(3, "abc"), edtMemo), "'abc'/3");
  EXPECT_EQ(Outcome(Text(3, "abc"), edtBLOB), "#616263/3");
  EXPECT_EQ(Outcome(Wide(4, u"ab"), edtWideMemo), "w'ab'/4");
  EXPECT_EQ(Outcome(Wide(4, u"ab"), edtBLOB), "#61006200/4");
  // A Memo is 8-bit text: wide text is narrowed into it.
  EXPECT_EQ(Outcome(Wide(4, u"\u0151z"), edtMemo), "'\xF5z'/2");
  // A BLOB without a terminator is read only up to its size.
  EXPECT_EQ(Outcome(Raw(19, "abc"), edtVarchar), "'abc'/4");
  EXPECT_EQ(Outcome(Raw(18, std::string("ab\0cd", 5)), edtVarchar), "'ab'/3");
  EXPECT_EQ(Outcome(Raw(19, ""), edtVarchar), "null");
}

TEST_F(ValueConvert, ConvertValueDataHandsOverTheBlock) {
  const Source s = Text(3, "77");
  void* p = ConvertValueData(s.bytes.data(), static_cast<Integer>(s.bytes.size()), s.type, edtWord);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MemoryManager().GetBlockSize(p), 2);
  EXPECT_EQ(LoadValue<Word>(p), 77);
  MemoryManager().FreeMem(p);
}

TEST_F(ValueConvert, ShortSourcesAreRefused) {
  const Integer one = 1;
  EXPECT_THROW(ConvertValueBuffer(&one, 2, edtInteger, edtDouble), ERangeError);
  EXPECT_THROW(ConvertValueBuffer(nullptr, 0, edtInteger, edtDouble), ERangeError);
}

// ---- comparison ----

TSQLMemValueRef Ref(const Source& s) {
  return TSQLMemValueRef{s.bytes.data(), static_cast<Integer>(s.bytes.size()), s.type, false};
}

TEST_F(ValueConvert, NullsDecideFirst) {
  const Source a = Fixed<Integer>(7, 1);
  TSQLMemValueRef nullRef{nullptr, 0, edtBLOB, true};  // even an incomparable type
  EXPECT_EQ(CompareValues(nullRef, nullRef, false, -1), ccBothNull);
  EXPECT_EQ(CompareValues(nullRef, Ref(a), false, -1), ccFirstNull);
  EXPECT_EQ(CompareValues(Ref(a), nullRef, false, -1), ccSecondNull);
  TSQLMemValueRef noData{nullptr, 0, edtInteger, false};
  ExpectEngineError([&] { CompareValues(noData, Ref(a), false, -1); }, 30140, "Value is Null - Native error: 30140");

  const Integer signs[] = {0, -1, 1, -1, 1, 0};
  for (Integer code = 0; code <= 5; ++code) EXPECT_EQ(CompareValuesSign(code), signs[code]) << code;
}

TEST_F(ValueConvert, ValuesMeetInTheResultTypeOfThePair) {
  struct Case {
    Source a, b;
    Integer expected;
  };
  const Case cases[] = {
      {Fixed<Integer>(7, 5), Fixed<double>(13, 5.0), ccEqual},
      {Fixed<Integer>(7, 5), Fixed<Int64>(8, 5), ccEqual},
      {Fixed<Integer>(7, 2), Text(3, "10"), ccGreater},  // as text: "2" after "10"
      {Fixed<Integer>(7, 2), Fixed<Integer>(7, 10), ccLess},
      {Fixed<Cardinal>(11, 3000000000u), Fixed<Integer>(7, -1), ccGreater},  // in LargeInt
      {Fixed<ShortInt>(5, -1), Fixed<Word>(10, 5), ccLess},                   // in Integer, not Word
      {Fixed<ShortInt>(5, -1), Fixed<Cardinal>(11, 5), ccLess},               // in LargeInt
      {Fixed<Byte>(9, 200), Fixed<Byte>(9, 100), ccGreater},
      {Fixed<Word>(10, 40000), Fixed<Word>(10, 100), ccGreater},               // unsigned order
      {Fixed<SmallInt>(21, -1), Fixed<SmallInt>(21, 1), ccEqual},              // any non-zero is true
      {Fixed<SmallInt>(21, 0), Fixed<SmallInt>(21, 1), ccLess},
      {Fixed<double>(13, 1.5), Fixed<float>(12, 1.5f), ccEqual},
      {Fixed<double>(13, std::nan("")), Fixed<double>(13, 1.0), ccLess},
      {Extended(2.5L), Fixed<double>(13, 2.25), ccGreater},
      {Fixed<double>(22, 3.0), Fixed<Integer>(7, 3), ccEqual},
      {Fixed<Integer>(15, 693596), Stamp(693596, 5), ccEqual},                 // the stamp read as a date
      {Stamp(693596, 5), Fixed<Integer>(15, 693596), ccEqual},
      {Stamp(10, 5), Stamp(10, 6), ccLess},
      {Stamp(11, 0), Stamp(10, 86399999), ccGreater},
      {Fixed<Integer>(16, 1000), Fixed<Integer>(16, 999), ccGreater},
      {Text(3, "abc"), Text(1, "abd"), ccLess},
      {Wide(4, u"b"), Text(3, "a"), ccGreater},
      {Raw(19, "abd"), Raw(19, "abc"), ccGreater},   // Memo blocks have no terminator
      {Raw(19, "ab"), Text(3, "ab"), ccEqual},
      {Raw(20, std::string("a\0", 2)), Raw(20, std::string("a\0b\0", 4)), ccLess},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareValues(Ref(c.a), Ref(c.b), false, -1), c.expected)
        << EngineDataTypeName(c.a.type) << " vs " << EngineDataTypeName(c.b.type);
  }
}

TEST_F(ValueConvert, TextComparisonTakesCaseAndLength) {
  EXPECT_EQ(CompareValues(Ref(Text(3, "abc")), Ref(Text(3, "ABC")), true, -1), ccEqual);
  EXPECT_NE(CompareValues(Ref(Text(3, "abc")), Ref(Text(3, "ABC")), false, -1), ccEqual);
  EXPECT_EQ(CompareValues(Ref(Wide(4, u"abc")), Ref(Wide(4, u"ABC")), true, -1), ccEqual);
  EXPECT_EQ(CompareValues(Ref(Text(3, "abcdef")), Ref(Text(3, "abcxyz")), false, 3), ccEqual);
  EXPECT_EQ(CompareValues(Ref(Text(3, "abcdef")), Ref(Text(3, "abcxyz")), false, 4), ccLess);
  EXPECT_EQ(CompareValues(Ref(Text(3, "ab")), Ref(Text(3, "abc")), false, 10), ccLess);
  EXPECT_EQ(CompareValues(Ref(Text(3, "")), Ref(Text(3, "a")), false, -1), ccLess);
}

// Date keys and other texts of digits and full stops are compared without the collation: the answer
// must still be the collation's, for narrow and wide texts, with a length and beside texts with letters.
TEST_F(ValueConvert, DigitTextsCompareAsTheCollationDoes) {
  const struct {
    const char* a;
    const char* b;
    Integer length;
  } cases[] = {
      {"2024.03.15", "2024.03.15", -1}, {"2024.03.15", "2024.03.16", -1}, {"2024.12.01", "2024.02.28", -1},
      {"2024.03", "2024.03.15", -1},    {"10", "9", -1},                  {"1.9", "10", -1},
      {".1", "0", -1},                  {"", "0", -1},                    {"2024.03.15", "2024.03.16", 9},
      {"2024.03.15", "2024.03.1a", -1}, {"2024.03.15", "2024 03 15", -1}, {"2024.03.15", "2024.03.15 ", -1},
  };
  const auto sign = [](int r) { return r < 0 ? ccLess : (r == 0 ? ccEqual : ccGreater); };
  for (const auto& c : cases) {
    for (const bool ignoreCase : {false, true}) {
      std::u16string a = Utf8ToUtf16(c.a), b = Utf8ToUtf16(c.b);
      if (c.length >= 0) {
        a = a.substr(0, static_cast<std::size_t>(c.length));
        b = b.substr(0, static_cast<std::size_t>(c.length));
      }
      const Integer expected = sign(os::CompareText(a, b, ignoreCase));
      EXPECT_EQ(CompareValues(Ref(Text(3, c.a)), Ref(Text(3, c.b)), ignoreCase, c.length), expected) << c.a << " " << c.b;
      EXPECT_EQ(CompareValues(Ref(Wide(4, Utf8ToUtf16(c.a))), Ref(Wide(4, Utf8ToUtf16(c.b))), ignoreCase, c.length),
                expected)
          << c.a << " " << c.b;
    }
  }
}

// Narrow texts against the collation of their UTF-16 form, at random: texts that share starts of any
// length (shorter and longer than a machine word), end early or hold a NUL, with and without a length;
// in Hungarian, whose digraphs (cs, dzs, gy, ly, ny, sz, zs, and doubled: ccs, ssz) sort as one letter
// and may straddle where the texts start to differ.
TEST_F(ValueConvert, NarrowTextsCompareAsTheirCollationDoes) {
  ASSERT_TRUE(os::SetTextLocale("hu-HU"));
  struct RestoreLocale {
    ~RestoreLocale() { os::SetTextLocale(""); }
  } restore;
  const unsigned seed = 20261211;
  std::mt19937 random(seed);
  const std::string alphabet = "aAbz09.,-  " + Utf16ToCp1250(u"áÁőŰcsdgylnSZ");
  const auto text = [&](std::size_t n) {
    std::string t;
    for (std::size_t i = 0; i < n; ++i) t += alphabet[random() % alphabet.size()];
    return t;
  };
  const auto sign = [](int r) { return r < 0 ? ccLess : (r == 0 ? ccEqual : ccGreater); };
  for (int n = 0; n < 6000; ++n) {
    const std::string a = text(random() % 20);
    std::string b = a.substr(0, random() % (a.size() + 1)) + text(random() % 4);
    if (random() % 8 == 0) b += std::string(1, '\0') + text(3);  // a value ends at its first NUL
    const Integer length = random() % 4 == 0 ? static_cast<Integer>(random() % 18) : -1;
    const auto visible = [length](const std::string& t) {
      const std::string upToNul = t.substr(0, t.find('\0'));
      return Cp1250ToUtf16(length < 0 ? upToNul : upToNul.substr(0, static_cast<std::size_t>(length)));
    };
    for (const bool ignoreCase : {false, true}) {
      const Integer expected = sign(os::CompareText(visible(a), visible(b), ignoreCase));
      ASSERT_EQ(CompareValues(Ref(Text(3, a)), Ref(Text(3, b)), ignoreCase, length), expected)
          << "seed " << seed << ", case " << n << ": '" << a << "' vs '" << b << "', length " << length;
    }
  }
}

TEST_F(ValueConvert, PairsWithoutAnOrderRaise) {
  ExpectEngineError([] { CompareValues(Ref(Fixed<Integer>(7, 1)), Ref(Raw(18, "x")), false, -1); }, 30044,
                    "Cannot compare Incompatible DataTypes: 'INTEGER' and 'BLOB' - Native error: 30044");
  ExpectEngineError([] { CompareValues(Ref(Raw(18, "x")), Ref(Raw(18, "x")), false, -1); }, 30047,
                    "Unknown DataType: 'BLOB' - Native error: 30047");
  ExpectEngineError([] { CompareValues(Ref(Raw(23, "x")), Ref(Raw(23, "x")), false, -1); }, 30047,
                    "Unknown DataType: 'BYTES' - Native error: 30047");
  // A failed conversion of an operand frees what was converted before it.
  EXPECT_THROW(CompareValues(Ref(Text(3, "x")), Ref(Fixed<Integer>(16, 5)), false, -1), ESQLMemException);
}

// ---- result types ----

TEST(ResultType, TableMatchesTheReferenceExceptSignedWithUnsigned) {
  const std::vector<std::string> lines = ReadDataLines("engine/OperationResultType.txt");
  ASSERT_EQ(lines.size(), 25u);
  // ShortInt and SmallInt with Word meet in Integer and with Cardinal in LargeInt (the reference table
  // has Word and Cardinal there, under which ShortInt -1 would compare as 65535).
  auto expectedOverride = [](int l, int r) -> int {
    if ((l == 5 || l == 6) && r == 10) return 7;
    if ((l == 5 || l == 6) && r == 11) return 8;
    return -1;
  };
  for (int l = 0; l < 25; ++l) {
    std::istringstream row(lines[l]);
    for (int r = 0; r < 25; ++r) {
      int reference = -1;
      row >> reference;
      const int override = expectedOverride(l, r);
      EXPECT_EQ(OperationResultType(l, r), override >= 0 ? override : reference) << l << " with " << r;
    }
  }
  EXPECT_EQ(OperationResultType(-1, 7), 0);
  EXPECT_EQ(OperationResultType(7, 25), 0);
}

TEST(ResultType, CommonFieldTypePrefersTheOperandsOwnFieldTypes) {
  struct Case {
    Integer left, right, expected;
  };
  const Case cases[] = {
      {sftInteger, sftDouble, sftDouble},
      {sftAutoInc, sftInteger, sftAutoInc},       // both store Integer: the left one
      {sftInteger, sftAutoInc, sftInteger},
      {sftShortInt, sftWord, sftInteger},         // neither: the result's first field type
      {sftMemo, sftVarchar, sftVarchar},
      {sftVarchar, sftMemo, sftChar},             // text with Memo: fixed 8-bit text
      {sftDate, sftTime, sftDateTime},
      {sftDateTime, sftDate, sftDate},
      {sftBLOB, sftInteger, sftUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(CommonFieldType(c.left, c.right), c.expected) << c.left << ", " << c.right;
}

}  // namespace
