// The sequences of autoincrement fields: values drawn, the last value per session, and sequence names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>

#include "engine/storage/SQLMemSequenceManager.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/ManagerTestSupport.h"
#include "vcl/rtl/OsSeam.h"

namespace {

class SequenceManagerTest : public EngineBlocksTest {
 protected:
  TSQLMemSequenceDef& AddSequence(const AnsiString& name, Integer id) {
    TSQLMemSequenceDef& def = sequences_.SequenceDefs.AddSequenceDef();
    def.Name = name;
    def.ObjectId = id;
    return def;
  }

  TSQLMemBaseSequenceManager sequences_{nullptr};
  TestSession first_{1};
  TestSession second_{2};
};

TEST_F(SequenceManagerTest, NextValuesIncreaseAndEachSessionSeesItsOwnLastValue) {
  AddSequence("$S_Autoinc$T$ID", 7);
  EXPECT_EQ(sequences_.GetNextValue(&first_, 7), 1);
  EXPECT_EQ(sequences_.GetNextValue(&second_, 7), 2);
  EXPECT_EQ(sequences_.GetNextValue(&first_, 7), 3);
  EXPECT_EQ(sequences_.GetCurrentValue(&first_, 7), 3);
  EXPECT_EQ(sequences_.GetCurrentValue(&second_, 7), 2);
  EXPECT_EQ(first_.NamedObjectCount(), 1);  // one named object per sequence, updated in place
  sequences_.SetCurrentValue(second_, 7, 40);
  EXPECT_EQ(sequences_.GetCurrentValue(&second_, 7), 40);
  EXPECT_EQ(sequences_.GetSequenceDef(7).CurrentValue, 3);
}

TEST_F(SequenceManagerTest, CurrentValueBeforeAnyNextValueOfTheSessionRaises) {
  AddSequence("$S_Autoinc$T$ID", 7);
  sequences_.GetNextValue(&first_, 7);
  ExpectEngineError([&] { sequences_.GetCurrentValue(&second_, 7); }, 30012,
                    "No SequenceLastValue in session for sequence '$S_Autoinc$T$ID'. Call GetNextVal first - "
                    "Native error: 30012");
  // The session's named object is found by the exact name: another sequence's value does not count.
  AddSequence("$s_autoinc$t$id", 8);
  EXPECT_THROW(sequences_.GetCurrentValue(&first_, 8), ESQLMemException);
}

TEST_F(SequenceManagerTest, UnknownSequenceRaisesTheCodeOfEachOperation) {
  struct Case {
    const char* what;
    std::function<void()> call;
    Integer code;
  } cases[] = {
      {"GetSequenceDef", [&] { sequences_.GetSequenceDef(9); }, 30013},
      {"GetNextValue", [&] { sequences_.GetNextValue(&first_, 9); }, 30010},
      {"GetCurrentValue", [&] { sequences_.GetCurrentValue(&first_, 9); }, 30011},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectEngineError(c.call, c.code, "Sequence #9 not found - Native error: " + std::to_string(c.code));
  }
}

TEST_F(SequenceManagerTest, ExhaustedSequenceWithoutCycleRaisesAndRecordsNothing) {
  TSQLMemSequenceDef& def = AddSequence("S", 3);
  def.MaxValue = 1;
  def.Cycle = 0;
  EXPECT_EQ(sequences_.GetNextValue(&first_, 3), 1);
  EXPECT_THROW(sequences_.GetNextValue(&first_, 3), ESQLMemException);
  EXPECT_EQ(sequences_.GetCurrentValue(&first_, 3), 1);
}

TEST_F(SequenceManagerTest, SequenceNamesAreMadeUniqueWithARandomNumberAfterTheBaseName) {
  EXPECT_EQ(sequences_.MakeSequenceName(true, "ID", "T"), "$S_Autoinc$T$ID");
  EXPECT_EQ(sequences_.MakeSequenceName(false, "ID", "T"), "$S_Linked$T$ID");
  AddSequence("$S_AUTOINC$t$id", 1);  // names compare without case
  os::RandSeed(5);
  const AnsiString taken = sequences_.MakeSequenceName(true, "ID", "T");
  ASSERT_GT(taken.size(), AnsiString("$S_Autoinc$T$ID").size());
  EXPECT_EQ(taken.substr(0, 15), "$S_Autoinc$T$ID");
  const AnsiString digits = taken.substr(15);
  EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }));
  EXPECT_LE(std::stoi(digits), 65534);
  // The same seed draws the same name; when that one is taken too, the next draw is appended to the
  // base name, not to the taken name.
  AddSequence(taken, 2);
  os::RandSeed(5);
  const AnsiString next = sequences_.MakeSequenceName(true, "ID", "T");
  EXPECT_NE(next, taken);
  EXPECT_EQ(next.substr(0, 15), "$S_Autoinc$T$ID");
  EXPECT_LE(next.size(), 15u + 5u);
}

}  // namespace
