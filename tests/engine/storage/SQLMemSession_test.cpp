#include "engine/storage/SQLMemSession.h"

#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/storage/SQLMemSQLProcessor.h"

namespace {

class Session : public TSQLMemBaseSession {
 public:
  bool GetConnected() override { return false; }
  void SetConnected(bool) override {}
};

TEST(BaseSession, StartsUnregisteredWithoutNamedObjects) {
  Session session;
  EXPECT_EQ(session.SessionId, -1);
  EXPECT_EQ(session.Temporary, 0);
  EXPECT_EQ(session.InMemory, 0);
  EXPECT_EQ(session.NamedObjectCount(), 0);
}

TEST(BaseSession, SequenceValuesKeepOneObjectPerExactName) {
  Session session;
  session.SetSequenceValue("Seq", 5);
  session.SetSequenceValue("Seq", 9);
  session.SetSequenceValue("SEQ", 1);  // names are compared exactly
  EXPECT_EQ(session.NamedObjectCount(), 2);
  auto* seq = dynamic_cast<TSQLMemSessionNamedObjectSequenceValue*>(session.FindNamedObject("Seq"));
  ASSERT_NE(seq, nullptr);
  EXPECT_EQ(seq->Value, 9);
  EXPECT_EQ(dynamic_cast<TSQLMemSessionNamedObjectSequenceValue*>(session.FindNamedObject("SEQ"))->Value, 1);
  EXPECT_EQ(session.FindNamedObject("seq"), nullptr);
}

TEST(BaseSession, DatabaseKindsOfOtherEnginesAreNotSupported) {
  Session session;
  const char* text = "Error - operation is not supported - Native error: %d";
  ExpectEngineError([&] { session.CreateDatabase(); }, 10888, Format(text, {10888}));
  ExpectEngineError([&] { session.SessionHook1(); }, 10889, Format(text, {10889}));
  ExpectEngineError([&] { session.SessionHook2(); }, 10890, Format(text, {10890}));
}

using SQLProcessorTest = EngineBlocksTest;

TEST_F(SQLProcessorTest, AChangedParameterValueAsksForPreparationAgain) {
  TSQLMemSQLProcessor processor(nullptr);
  EXPECT_EQ(processor.FirstPreparation, 1);
  processor.SetSQLText("select 1");
  EXPECT_EQ(processor.SQLText, "select 1");
  TSQLMemSQLParam& day = processor.Params.Add("Day");
  TSQLMemSQLParam& title = processor.Params.Add("Title");
  day.Value.SetAsInteger(1);
  title.Value.SetAsString("a");
  processor.RowsTotal = 5;
  processor.Execute();
  EXPECT_EQ(processor.NeedsPreparation, 0) << "the first preparation compares with nothing";
  EXPECT_EQ(processor.RowsTotal, 0);
  EXPECT_EQ(processor.FirstPreparation, 0);

  processor.Prepare();
  EXPECT_EQ(processor.NeedsPreparation, 0) << "same values";

  title.Value.SetAsString("b");
  processor.Prepare();
  EXPECT_EQ(processor.NeedsPreparation, 1);
  processor.Prepare();
  EXPECT_EQ(processor.NeedsPreparation, 0) << "the new signature was kept";
}

TEST_F(SQLProcessorTest, ValueSignatureDependsOnValuesAndTheirOrder) {
  TSQLMemSQLParams a, b;
  EXPECT_EQ(static_cast<Cardinal>(a.GetValueSignature()), 0xF37ADE3Bu) << "no parameters: the seed";
  a.Add("x").Value.SetAsInteger(1);
  a.Add("y").Value.SetAsInteger(2);
  b.Add("p").Value.SetAsInteger(1);
  b.Add("q").Value.SetAsInteger(2);
  EXPECT_EQ(a.GetValueSignature(), b.GetValueSignature()) << "names do not count";
  b.GetItem(0).Value.SetAsInteger(2);
  b.GetItem(1).Value.SetAsInteger(1);
  EXPECT_NE(a.GetValueSignature(), b.GetValueSignature());
  b.GetItem(1).Value.SetNull();
  EXPECT_NE(a.GetValueSignature(), b.GetValueSignature());
}

}  // namespace
