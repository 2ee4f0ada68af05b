#include "engine/foundation/SQLMemTypes.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include "engine/foundation/DataFiles.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// ---- type map ----

TEST(TypeMap, RowsMatchTheReferenceTable) {
  const std::vector<std::string> lines = ReadDataLines("engine/TypeMap.txt");
  ASSERT_EQ(lines.size(), TypeMap.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::istringstream row(lines[i]);
    std::string name, vclName;
    int fieldType = 0, dataType = 0, vclFieldType = 0;
    row >> name >> fieldType >> dataType >> vclFieldType >> vclName;
    EXPECT_EQ(TypeMap[i].name, name) << "row " << i + 1;
    EXPECT_EQ(TypeMap[i].fieldType, fieldType) << "row " << i + 1;
    EXPECT_EQ(TypeMap[i].dataType, dataType) << "row " << i + 1;
    EXPECT_EQ(TypeMap[i].vclFieldType, vclFieldType) << "row " << i + 1 << " " << vclName;
  }
}

TEST(TypeMap, FieldTypesMapToTheirBaseDataTypeAndDisplayName) {
  const std::vector<std::string> lines = ReadDataLines("engine/FieldTypes.txt");
  ASSERT_EQ(lines.size(), 35u);
  std::set<int> described;
  for (const std::string& line : lines) {
    std::istringstream row(line);
    int code = 0, dataType = 0;
    std::string displayName;
    row >> code >> displayName >> dataType;
    EXPECT_EQ(FieldTypeToDataType(code), dataType) << displayName;
    for (const TSQLMemFieldTypeDesc& d : FieldTypeDescs) {
      if (d.fieldType == code) {
        EXPECT_EQ(d.displayName, displayName);
      }
    }
  }
  for (const TSQLMemFieldTypeDesc& d : FieldTypeDescs) described.insert(d.fieldType);
  EXPECT_EQ(described.size(), 35u);
  EXPECT_EQ(FieldTypeDescs[28].fieldType, sftMemo);  // the list is not in code order
}

TEST(TypeMap, LookupsTakeTheFirstMatchingRow) {
  struct Case {
    const char* what;
    Integer got;
    Integer expected;
  };
  const Case cases[] = {
      {"FieldTypeToDataType(AutoInc)", FieldTypeToDataType(12), 7},
      {"FieldTypeToDataType(DateTime)", FieldTypeToDataType(27), 17},
      {"FieldTypeToDataType(TimeStamp)", FieldTypeToDataType(28), 17},
      {"FieldTypeToDataType(0)", FieldTypeToDataType(0), 0},
      {"FieldTypeToDataType(36)", FieldTypeToDataType(36), 0},
      {"DataTypeToFieldType(3)", DataTypeToFieldType(3), 2},
      {"DataTypeToFieldType(7)", DataTypeToFieldType(7), 7},
      {"DataTypeToFieldType(13)", DataTypeToFieldType(13), 21},
      {"DataTypeToFieldType(17)", DataTypeToFieldType(17), 27},
      {"DataTypeToFieldType(18)", DataTypeToFieldType(18), 31},
      {"DataTypeToFieldType(19)", DataTypeToFieldType(19), 33},
      {"DataTypeToFieldType(25)", DataTypeToFieldType(25), 0},
      {"FieldTypeToVCLFieldType(27)", FieldTypeToVCLFieldType(27), ftDateTime},
      {"FieldTypeToVCLFieldType(28)", FieldTypeToVCLFieldType(28), ftTimeStamp},
      {"FieldTypeToVCLFieldType(31)", FieldTypeToVCLFieldType(31), ftBlob},
      {"FieldTypeToVCLFieldType(99)", FieldTypeToVCLFieldType(99), ftUnknown},
      {"VCLFieldTypeToFieldType(ftBlob)", VCLFieldTypeToFieldType(ftBlob), 31},
      {"VCLFieldTypeToFieldType(ftParadoxOle)", VCLFieldTypeToFieldType(ftParadoxOle), 31},
      {"VCLFieldTypeToFieldType(ftDBaseOle)", VCLFieldTypeToFieldType(ftDBaseOle), 31},
      {"VCLFieldTypeToFieldType(ftTypedBinary)", VCLFieldTypeToFieldType(ftTypedBinary), 31},
      {"VCLFieldTypeToFieldType(ftInteger)", VCLFieldTypeToFieldType(ftInteger), 7},
      {"VCLFieldTypeToFieldType(ftLargeint)", VCLFieldTypeToFieldType(ftLargeint), 8},
      {"VCLFieldTypeToFieldType(ftWideMemo)", VCLFieldTypeToFieldType(ftWideMemo), 35},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;

  EXPECT_STREQ(FieldTypeName(2), "STRING");
  EXPECT_STREQ(FieldTypeName(21), "FLOAT");
  EXPECT_STREQ(FieldTypeName(0), "Unknown");
  EXPECT_STREQ(FieldTypeName(36), "Unknown");
}

TEST(TypeMap, DataTypeNamesAreTheFirstRowsNames) {
  const char* const expected[] = {"CHAR",         "WIDECHAR",      "STRING",        "WIDESTRING", "SIGNEDINT8",
                                  "SIGNEDINT16",  "INTEGER",       "SIGNEDINT64",   "UNSIGNEDINT8",
                                  "UNSIGNEDINT16", "UNSIGNEDINT32", "SINGLE",       "FLOAT",      "EXTENDED",
                                  "DATE",         "TIME",          "DATETIME",      "BLOB",       "MEMO",
                                  "WIDEMEMO",     "LOGICAL",       "CURRENCY",      "BYTES",      "VARBYTES"};
  for (Integer dataType = 1; dataType <= 24; ++dataType) {
    EXPECT_STREQ(EngineDataTypeName(dataType), expected[dataType - 1]) << dataType;
  }
  EXPECT_STREQ(EngineDataTypeName(0), "Unknown");
  EXPECT_STREQ(EngineDataTypeName(25), "Unknown");
}

TEST(TypeMap, UnmappedDatasetFieldTypeRaises30289) {
  for (Integer vcl : {Integer(ftBCD), Integer(ftUnknown), Integer(ftGuid), 40}) {
    try {
      VCLFieldTypeToFieldType(vcl);
      ADD_FAILURE() << vcl;
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), 30289);
      EXPECT_EQ(e.Message(), "Unknown DataType: '" + std::to_string(vcl) + "' - Native error: 30289");
    }
  }
}

TEST(TypeTests, AcceptExactlyTheirCodes) {
  struct Case {
    const char* name;
    std::function<bool(Integer)> test;
    std::set<Integer> codes;
  };
  const Case cases[] = {
      {"IsBLOBDataType", IsBLOBDataType, {18, 19, 20}},
      {"IsBLOBFieldType", IsBLOBFieldType, {31, 32, 33, 34, 35}},
      {"IsVarStringDataType", IsVarStringDataType, {3, 4}},
      {"IsWideStringDataType", IsWideStringDataType, {2, 4}},
      {"IsTextDataType", IsTextDataType, {1, 2, 3, 4, 19, 20}},
      {"IsStringFieldType", IsStringFieldType, {1, 2, 3, 4}},
      {"IsWideDataType", IsWideDataType, {2, 4, 20}},
      {"IsWideFieldType", IsWideFieldType, {3, 4, 35}},
      {"IsBytesFieldType", IsBytesFieldType, {29, 30}},
      {"IsAutoIncFieldType", IsAutoIncFieldType, {12, 13, 14, 15, 16, 17, 18, 19}},
      {"IsNumericDataType", IsNumericDataType, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 22}},
      {"IsIntegerDataType", IsIntegerDataType, {5, 6, 7, 8, 9, 10, 11}},
      {"IsDateTimeDataType", IsDateTimeDataType, {15, 16, 17}},
      {"IsScalarFieldType", IsScalarFieldType, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                                15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28}},
  };
  for (const Case& c : cases) {
    for (Integer code = -1; code <= 40; ++code) {
      EXPECT_EQ(c.test(code), c.codes.count(code) == 1) << c.name << "(" << code << ")";
    }
  }
}

// ---- date and time forms ----

TEST(DateForms, ConvertDayNumbersAndMilliseconds) {
  EXPECT_EQ(DateToDateTime(NullDate), 0.0);
  EXPECT_EQ(DateToDateTime(693594), 0.0);
  EXPECT_EQ(DateToDateTime(1), -693593.0);  // 1 January of year 1
  EXPECT_EQ(DateTimeToDate(0.75), 693594);
  EXPECT_EQ(DateTimeToDate(-1.25), 693593);  // truncated toward zero
  EXPECT_EQ(TimeToDateTime(NullTime), 0.0);
  EXPECT_EQ(TimeToDateTime(43200000), 0.5);
  EXPECT_EQ(DateTimeToTime(0.5), 43200000);
  EXPECT_EQ(DateTimeToTime(45000.25), 21600000);

  TSQLMemTimeStamp ts;
  DateTimeToTimeStamp(45000.75, ts);
  EXPECT_EQ(ts.date, 45000 + 693594);
  EXPECT_EQ(ts.time, 64800000);
  EXPECT_EQ(TimeStampToDateTime(ts), 45000.75);
  EXPECT_EQ(TimeStampToDateTime(TSQLMemTimeStamp{693595, NullTime}), 1.0);
  // The runtime's time stamp routines stay usable beside the engine's.
  EXPECT_EQ(DateTimeToTimeStamp(45000.75).Date, ts.date);
}

TEST(DateForms, OutOfRangeDatesRaise) {
  EXPECT_THROW(DateTimeToDate(3e9), ERangeError);
  EXPECT_THROW(DateTimeToDate(-3e9), ERangeError);
  EXPECT_THROW(DateTimeToDate(std::nan("")), ERangeError);
  EXPECT_THROW(DateTimeToTime(INFINITY), ERangeError);
}

TEST(DateForms, TimesBefore1899KeepTheirTimeOfDay) {
  // -1.25 is 29 December 1899, 06:00: the time of day is the fraction's absolute value, and it must
  // not come out negative (-1 would even read as the null time).
  EXPECT_EQ(DateTimeToTime(-1.25), 21600000);
  TSQLMemTimeStamp ts;
  DateTimeToTimeStamp(-1.25, ts);
  EXPECT_EQ(ts.date, 693593);
  EXPECT_EQ(ts.time, 21600000);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.25);
}

TEST(DateForms, TimesThatRoundToMidnightStayValid) {
  const double almostMidnight = 10.0 + (MSecsPerDay - 0.2) / MSecsPerDay;  // 0.2 ms before day 11
  EXPECT_EQ(DateTimeToTime(almostMidnight), MSecsPerDay - 1);
  TSQLMemTimeStamp ts;
  DateTimeToTimeStamp(almostMidnight, ts);
  EXPECT_EQ(ts.date, 11 + DateDelta);
  EXPECT_EQ(ts.time, 0);
  EXPECT_EQ(TimeStampToDateTime(ts), 11.0);
}

TEST(DateForms, TimeStampsRoundTripToTheMillisecond) {
  std::mt19937 rng(4711);
  std::uniform_real_distribution<double> dist(-700000.0, 2958465.0);  // year 1 .. 9999
  for (int k = 0; k < 20000; ++k) {
    const double t = dist(rng);
    if (t > -1 && t < 0) continue;  // the same moments as 0..1, with the same time stamps
    TSQLMemTimeStamp ts;
    DateTimeToTimeStamp(t, ts);
    const TDateTime back = TimeStampToDateTime(ts);
    ASSERT_NEAR(back, t, 0.51 / MSecsPerDay + std::fabs(t) * 1e-15) << "seed 4711, t = " << t;
  }
}

// ---- other routines ----

TEST(TypeRoutines, BufferTextLengthStopsAtTheTerminator) {
  const std::string narrow = "abc\0def"s;
  EXPECT_EQ(BufferTextLength(narrow.data(), 7, sftVarchar), 3);
  EXPECT_EQ(BufferTextLength("abc", 3, sftChar), 3);  // no terminator inside the buffer
  EXPECT_EQ(BufferTextLength(nullptr, 10, sftChar), 0);
  const std::string wide = "a\0\0b\0\0"s;  // "a", then U+6200, U+0000 (aligned pairs)
  EXPECT_EQ(BufferTextLength(wide.data(), 6, sftWideVarchar), 4);
  EXPECT_EQ(BufferTextLength(wide.data(), 6, sftVarchar), 1);
  EXPECT_EQ(BufferTextLength("ab\0", 3, sftWideChar), 2);  // odd size: whole units only
}

TEST(TypeRoutines, ReservedWordsAndMime64) {
  EXPECT_STREQ(GetReservedWord(0), "ABSOLUTE");
  EXPECT_STREQ(GetReservedWord(294), "GROUP_CONCAT");
  EXPECT_THROW(GetReservedWord(295), ERangeError);
  EXPECT_EQ(BinaryToMime64("AB", 2), "QUI=");
  EXPECT_EQ(BinaryToMime64(nullptr, 0), "");
}

TEST(NameHash, IsTheCrcOfTheUpperCasedName) {
  EXPECT_EQ(NameHash("", true), 0u);
  EXPECT_EQ(NameHash("", false), 0u);
  EXPECT_EQ(NameHash("abc", true), Crc32Update(0, "ABC"));
  EXPECT_EQ(NameHash("abc", true), NameHash("ABC", true));
  EXPECT_EQ(NameHash("abc", false), Crc32Update(0, "abc"));
  EXPECT_NE(NameHash("abc", false), NameHash("ABC", false));
  // Accented letters of the 8-bit code page fold as well.
  EXPECT_EQ(NameHash(Utf8ToCp1250("árvíztűrő tükörfúrógép"), true),
            NameHash(Utf8ToCp1250("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"), true));
}

// ---- LIKE ----

// The matcher as it is defined: recursive, exponential with several "%". The reference for the
// differential test.
template <typename Ch>
bool ReferenceLike(const Ch* t, const Ch* p, bool caseInsensitive) {
  const std::basic_string_view<Ch> rest(p);
  if constexpr (std::is_same_v<Ch, char>) {
    if (rest == "%") return true;
  } else {
    if (rest == u"%" || os::CompareText(rest, u"%", true) == 0) return true;
  }
  if (*t == 0) return *p == 0;
  if (*p == Ch('%')) {
    const std::size_t left = std::basic_string_view<Ch>(t).size();
    for (std::size_t k = 0; k < left; ++k) {
      if (ReferenceLike(t + k, p + 1, caseInsensitive)) return true;
    }
    return false;
  }
  if (*p == Ch('_')) return ReferenceLike(t + 1, p + 1, caseInsensitive);
  if (*p == 0) return false;
  bool equal = *t == *p;
  if (!equal && caseInsensitive) {
    char16_t a, b;
    if constexpr (std::is_same_v<Ch, char>) {
      a = Cp1250CharToUtf16(static_cast<unsigned char>(*t));
      b = Cp1250CharToUtf16(static_cast<unsigned char>(*p));
    } else {
      a = *t;
      b = *p;
    }
    equal = os::CompareText(std::u16string_view(&a, 1), std::u16string_view(&b, 1), true) == 0;
  }
  return equal && ReferenceLike(t + 1, p + 1, caseInsensitive);
}

// Both matchers, on the 8-bit text and on its UTF-16 form.
void ExpectLike(const std::string& textUtf8, const std::string& patternUtf8, bool caseInsensitive, bool expected) {
  EXPECT_EQ(MatchLikePattern(Utf8ToCp1250(textUtf8), Utf8ToCp1250(patternUtf8), caseInsensitive), expected)
      << "'" << textUtf8 << "' LIKE '" << patternUtf8 << "' ci=" << caseInsensitive;
  EXPECT_EQ(MatchLikePatternW(Utf8ToUtf16(textUtf8), Utf8ToUtf16(patternUtf8), caseInsensitive), expected)
      << "wide: '" << textUtf8 << "' LIKE '" << patternUtf8 << "' ci=" << caseInsensitive;
}

TEST(Like, CaseTable) {
  struct Case {
    const char* text;
    const char* pattern;
    bool caseInsensitive;
    bool match;
  };
  const Case cases[] = {
      {"", "", false, true},
      {"", "%", false, true},
      {"", "_", false, false},
      {"", "%%", false, false},
      {"", "a", false, false},
      {"a", "", false, false},
      {"abc", "abc", false, true},
      {"abc", "a%", false, true},
      {"abc", "%c", false, true},
      {"abc", "a_c", false, true},
      {"abc", "%b%", false, true},
      {"abc", "ab", false, false},
      {"abc", "abcd", false, false},
      {"abc", "_", false, false},
      {"abc", "___", false, true},
      {"abc", "%%", false, true},
      {"abc", "abc%", false, true},   // rest "%" matches the empty rest of the text
      {"abc", "abc%%", false, false}, // but "%" elsewhere never does
      {"ab", "a%b", false, true},
      {"ab", "a%%b", false, true},
      {"a", "a%", false, true},
      {"a", "a%%", false, false},
      {"a", "%a", false, true},
      {"a", "%%a", false, true},
      {"a%c", "a%c", false, true},     // no escape: "%" is always a wildcard
      {"ABC", "abc", false, false},
      {"ABC", "abc", true, true},
      {"ABC", "a_C%", true, true},
      {"Árvíztűrő tükörfúrógép", "%TŰRŐ%", true, true},
      {"Árvíztűrő tükörfúrógép", "%TŰRŐ%", false, false},
      {"Árvíztűrő tükörfúrógép", "árvíz%", true, true},
      {"Őz", "oz", true, false},  // accents are not ignored
  };
  for (const Case& c : cases) ExpectLike(c.text, c.pattern, c.caseInsensitive, c.match);
}

TEST(Like, TextAndPatternEndAtANul) {
  EXPECT_TRUE(MatchLikePattern("ab\0cd"s, "ab", false));
  EXPECT_TRUE(MatchLikePattern("ab", "a_\0zz"s, false));
  EXPECT_TRUE(MatchLikePatternW(u"ab\0cd"s, u"ab", false));
}

// The matcher decides without measuring the text first: each text here is a short buffer seen through
// a view that claims a megabyte, and its answer is known before the buffer ends (at a fit, a mismatch
// or a NUL), so a pass for the length, or any read past the deciding character, runs off the buffer,
// which the sanitizer build reports.
TEST(Like, DecidesWithoutReadingPastTheAnswer) {
  struct Case {
    std::string_view text;  // the bytes that exist
    const char* pattern;
    bool caseInsensitive;
    bool match;
  };
  const Case cases[] = {
      {"b"sv, "a%", false, false},    {"a"sv, "a%", false, true},       {"A"sv, "a%", true, true},
      {"xb"sv, "_a%", true, false},   {"xyab"sv, "%ab%", false, true},  {"xyAB"sv, "%ab%", true, true},
      {"q\0"sv, "%ab%", true, false}, {"ab\0"sv, "a%b", false, true},  {"ab\0"sv, "a%", false, true},
  };
  constexpr std::size_t kClaimed = std::size_t{1} << 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " LIKE " + c.pattern);
    const auto bytes = std::make_unique<char[]>(c.text.size());
    std::memcpy(bytes.get(), c.text.data(), c.text.size());
    EXPECT_EQ(MatchLikePattern(std::string_view(bytes.get(), kClaimed), c.pattern, c.caseInsensitive), c.match);
    const auto wide = std::make_unique<char16_t[]>(c.text.size());
    std::copy(c.text.begin(), c.text.end(), wide.get());
    EXPECT_EQ(MatchLikePatternW(std::u16string_view(wide.get(), kClaimed), Utf8ToUtf16(c.pattern), c.caseInsensitive),
              c.match);
  }
}

std::string RandomString(std::mt19937& rng, const std::string& alphabet, int maxLength) {
  std::string s(rng() % static_cast<unsigned>(maxLength + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

TEST(Like, AgreesWithTheRecursiveDefinitionOnRandomInputs) {
  const unsigned seed = 1234567;
  std::mt19937 rng(seed);
  const std::string textChars = "abA";
  const std::string patternChars = "abA%_";
  auto randomString = [&](const std::string& alphabet, int maxLength) { return RandomString(rng, alphabet, maxLength); };
  for (int k = 0; k < 20000; ++k) {
    std::string text = randomString(textChars, 7);
    // Now and then a NUL ends the text before its size does; the definition stops at it too.
    if (k % 4 == 2) text += '\0' + randomString(textChars, 3);
    const std::string pattern = randomString(patternChars, 6);
    const bool ci = (k & 1) != 0;
    const bool expected = ReferenceLike(text.c_str(), pattern.c_str(), ci);
    ASSERT_EQ(MatchLikePattern(text, pattern, ci), expected)
        << "seed " << seed << ": '" << text << "' LIKE '" << pattern << "' ci=" << ci;
    const std::u16string wideText = Utf8ToUtf16(text);
    const std::u16string widePattern = Utf8ToUtf16(pattern);
    ASSERT_EQ(MatchLikePatternW(wideText, widePattern, ci), ReferenceLike(wideText.c_str(), widePattern.c_str(), ci))
        << "seed " << seed << ": wide '" << text << "' LIKE '" << pattern << "' ci=" << ci;
  }
}

// The prepared pattern against the definition on accented letters, whose case pairs only the locale
// knows, with texts long enough for the back-tracking to move runs between "%" signs.
TEST(Like, PreparedPatternAgreesWithTheDefinitionOnAccentedLetters) {
  const unsigned seed = 7654321;
  std::mt19937 rng(seed);
  const std::string textChars = Utf8ToCp1250("aáÁőŐb");
  const std::string patternChars = Utf8ToCp1250("aÁőŐ%_");
  auto randomString = [&](const std::string& alphabet, int maxLength) { return RandomString(rng, alphabet, maxLength); };
  for (int k = 0; k < 3000; ++k) {
    const std::string pattern = randomString(patternChars, 6);
    const bool ci = (k & 1) != 0;
    const TSQLMemLikePattern prepared(pattern, ci);
    const TSQLMemLikePatternW preparedWide(Cp1250ToUtf16(pattern), ci);
    for (int t = 0; t < 4; ++t) {
      const std::string text = randomString(textChars, 10);
      ASSERT_EQ(prepared.Matches(text), ReferenceLike(text.c_str(), pattern.c_str(), ci))
          << "seed " << seed << ": '" << Cp1250ToUtf8(text) << "' LIKE '" << Cp1250ToUtf8(pattern) << "' ci=" << ci;
      const std::u16string wideText = Cp1250ToUtf16(text), widePattern = Cp1250ToUtf16(pattern);
      ASSERT_EQ(preparedWide.Matches(wideText), ReferenceLike(wideText.c_str(), widePattern.c_str(), ci))
          << "seed " << seed << ": wide '" << Cp1250ToUtf8(text) << "' LIKE '" << Cp1250ToUtf8(pattern) << "' ci=" << ci;
    }
  }
}

// Texts long enough for the seek to pass runs of bytes eight at a time; and the same patterns reading
// the text through a case mapping (MapTextBytes), against the definition over the mapped text.
TEST(Like, PreparedPatternOnLongTextsAndThroughACaseMapping) {
  const unsigned seed = 2468;
  std::mt19937 rng(seed);
  std::array<char, 256> lower{};
  std::string bytes(256, '\0');
  for (int b = 0; b < 256; ++b) bytes[static_cast<std::size_t>(b)] = static_cast<char>(b);
  const std::string lowered = AnsiLowerCase(bytes);
  std::copy(lowered.begin(), lowered.end(), lower.begin());
  const std::string textChars = Utf8ToCp1250("xyzxyzxyzhHőŐ ");
  const std::string patternChars = Utf8ToCp1250("hHőŐx%_");
  for (int k = 0; k < 3000; ++k) {
    const std::string pattern = RandomString(rng, patternChars, 5);
    const bool ci = (k % 3) == 0;
    std::string text = RandomString(rng, textChars, 40);
    if (k % 5 == 4) text += '\0' + RandomString(rng, textChars, 10);
    std::string mapped = text;
    for (char& c : mapped) c = lower[static_cast<unsigned char>(c)];
    const auto trace = [&] {
      return testing::Message() << "seed " << seed << ": '" << Cp1250ToUtf8(text) << "' LIKE '" << Cp1250ToUtf8(pattern)
                                << "' ci=" << ci;
    };
    const TSQLMemLikePattern plain(pattern, ci);
    ASSERT_EQ(plain.Matches(text), ReferenceLike(text.c_str(), pattern.c_str(), ci)) << trace();
    TSQLMemLikePattern throughLower(pattern, ci);
    throughLower.MapTextBytes(lower);
    ASSERT_EQ(throughLower.Matches(text), ReferenceLike(mapped.c_str(), pattern.c_str(), ci)) << trace() << " lowered";
  }
  std::array<char, 256> endless = lower;
  endless['a'] = '\0';
  TSQLMemLikePattern refused("a%", false);
  EXPECT_THROW(refused.MapTextBytes(endless), ERangeError) << "a mapping to NUL would end the text early";
}

TEST(Like, ManyPercentSignsOnALongText) {
  const std::string text(10000, 'a');
  EXPECT_FALSE(MatchLikePattern(text, "%a%a%a%a%a%b", false));
  EXPECT_TRUE(MatchLikePattern(text + "b", "%a%a%a%a%a%b", false));
  EXPECT_FALSE(MatchLikePatternW(std::u16string(10000, u'a'), u"%a%a%a%a%a%b", true));
}

}  // namespace
