// The foundation services as the SQL layer relies on them: the keyword numbers its parsers test, the
// name hash of parameter names, the parameter signature's fold and the weekday routines of its date
// functions.
#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemLexer.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/TextConv.h"

namespace {

TEST(SQLLayerServices, KeywordNumbersThatTheParsersTest) {
  const struct {
    const char* word;
    Integer index;
  } cases[] = {
      {"ALL", 3},        {"ALTER", 5},     {"AS", 9},          {"ASC", 10},      {"BY", 20},        {"COMMIT", 36},
      {"CORRESPONDING", 43}, {"CREATE", 45}, {"CROSS", 46},   {"DELETE", 62},   {"DESC", 63},      {"DISTINCT", 68},
      {"DROP", 71},      {"EXCEPT", 76},   {"FROM", 90},       {"FULL", 91},     {"GROUP", 97},     {"HAVING", 99},
      {"INNER", 107},    {"INSERT", 110},  {"INTERSECT", 113}, {"INTO", 115},    {"JOIN", 119},     {"LEFT", 124},
      {"MEMORY", 131},   {"MINUS", 134},   {"NATURAL", 140},   {"NULL", 146},    {"ON", 151},       {"ORDER", 156},
      {"OUTER", 157},    {"RIGHT", 177},   {"ROLLBACK", 178},  {"SELECT", 184},  {"SET", 187},      {"START", 196},
      {"TABLE", 200},    {"TOP", 208},     {"UNION", 215},     {"UNIQUE", 216},  {"UPDATE", 218},   {"USING", 222},
      {"VALUES", 224},   {"WHERE", 230},   {"PASSWORD", 236},  {"INDEX", 243},   {"NOCASE", 244},   {"RENAME", 265},
      {"DATABASE", 288}, {"GROUP_CONCAT", 294},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(GetReservedWord(c.index), c.word);
    EXPECT_EQ(LookupReservedWord(AnsiLowerCase(c.word)), c.index) << c.word;
  }
  EXPECT_STREQ(GetReservedWord(0), "ABSOLUTE");
  EXPECT_EQ(LookupReservedWord("absolute"), NoReservedWord);
}

TEST(SQLLayerServices, NameHashIsTheUninvertedCrcOfTheUpperCasedName) {
  // Expected values from an independent CRC-32 (reflected 0xEDB88320, start 0, no final inversion).
  const struct {
    const char* nameUtf8;
    Cardinal hash;
  } cases[] = {
      {"day", 0x8C46B208u},
      {"Day", 0x8C46B208u},
      {"SQLMem_MS_Param0", 0x81BB4C97u},
      {"árvíz", 0x28AA45A9u},  // upper-cased in code page 1250 to "ÁRVÍZ"
      {"", 0u},
  };
  for (const auto& c : cases) {
    const AnsiString name = Utf8ToCp1250(c.nameUtf8);
    EXPECT_EQ(NameHash(name, true), c.hash) << c.nameUtf8;
    EXPECT_EQ(TSQLMemSQLParam(name).NameHashValue, c.hash) << c.nameUtf8;
  }
}

using SQLLayerBlocks = EngineBlocksTest;

TEST_F(SQLLayerBlocks, ParameterSignatureFoldsValueHashesByPosition) {
  for (Cardinal mode = 0; mode < 256; ++mode) ASSERT_EQ(MixInt32Bytes(0x12345678u, 0, mode), 0x12345678u) << mode;
  TSQLMemSQLParams params;
  params.Add("a").Value.SetAsInteger(1);
  params.Add("b").Value.SetAsString("x");
  const Cardinal expected =
      MixInt32Bytes(MixInt32Bytes(0xF37ADE3Bu, params.GetItem(0).Value.GetHash(), 0), params.GetItem(1).Value.GetHash(), 1);
  EXPECT_EQ(static_cast<Cardinal>(params.GetValueSignature()), expected);
}

TEST(SQLLayerServices, WeekdaysCountFromSundayOrFromMonday) {
  const struct {
    TDateTime date;
    Word sundayFirst;
    Word mondayFirst;
  } cases[] = {
      {EncodeDate(2026, 12, 11), 6, 5},  // a Friday
      {EncodeDate(2026, 12, 13), 1, 7},  // a Sunday
      {EncodeDate(2026, 12, 14), 2, 1},  // a Monday
      {0.0, 7, 6},                       // 30 December 1899, a Saturday
      {-6.75, 1, 7},                     // 24 December 1899, a Sunday, in the evening
      {EncodeDate(1, 1, 1), 2, 1},       // a Monday
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DayOfWeekSundayFirst(c.date), c.sundayFirst) << c.date;
    EXPECT_EQ(DayOfWeekMondayFirst(c.date), c.mondayFirst) << c.date;
  }
}

}  // namespace
