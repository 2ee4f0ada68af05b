// The engine dataset's operations for the SQL layer: field values as engine values (BLOBs included),
// the filter condition, the projection, the bulk delete and update, the record position and the
// checks each operation makes first.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/sql/SQLMemExpression.h"
#include "tests/engine/dataset/DataSetEditingSupport.h"

namespace {

using DataSetEngineOps = DataSetEditingTest;

std::string Text(const TSQLMemVariant& value) {
  if (value.IsNull()) return "null";
  return std::string(static_cast<const char*>(value.Data()), static_cast<std::size_t>(value.DataSize()));
}

TEST_F(DataSetEngineOps, FieldValuesAreReadAsTheyAreStored) {
  AddDays({{"2024.01.01", "Day 0", "Text 0"}, {"2024.01.02", "Empty", ""}});
  edited->Open();
  TSQLMemVariant value;
  edited->GetFieldValue(value, kRecID);
  EXPECT_EQ(value.GetAsLargeInt(), 1);
  edited->GetFieldValue(value, kTitle);
  EXPECT_EQ(std::string(value.GetAsString()), "Day 0");
  // A BLOB counts its own bytes; the block holds two zero bytes after them.
  edited->GetFieldValue(value, kText);
  EXPECT_EQ(value.DataType(), edtMemo);
  EXPECT_EQ(value.DataSize(), 6);
  EXPECT_EQ(Text(value), "Text 0");
  EXPECT_EQ(static_cast<const char*>(value.Data())[6], '\0');
  EXPECT_EQ(static_cast<const char*>(value.Data())[7], '\0');

  edited->Next();
  edited->GetFieldValue(value, kText);
  EXPECT_TRUE(value.IsNull());
  EXPECT_EQ(value.DataType(), edtMemo) << "an empty BLOB is a null of the field's type";
  EXPECT_EQ(EngineErrorOf([&] { edited->GetFieldValue(value, 4); }), 10737);
}

TEST_F(DataSetEngineOps, FieldValuesWrittenIntoANewRecordArePosted) {
  AddNumberedDays(1);
  edited->Open();
  edited->Append();
  TSQLMemVariant day, title, text;
  day.SetAsString("2024.03.01");
  title.SetAsString("Written");
  text.SetAsString("Memo text");
  edited->SetFieldValue(day, kShortDateDay);
  edited->SetFieldValue(title, kTitle);
  edited->SetFieldValue(text, kText);
  EXPECT_EQ(Current(), "Written") << "the fields show what was written";
  edited->Post();
  EXPECT_EQ(Rows().back(), "2024.03.01/Written/Memo text");

  // A BLOB read from one record and written into another arrives byte for byte.
  TSQLMemVariant copied;
  edited->GetFieldValue(copied, kText);
  edited->Append();
  day.SetAsString("2024.03.02");
  edited->SetFieldValue(day, kShortDateDay);
  edited->SetFieldValue(copied, kText);
  edited->Post();
  TSQLMemVariant again;
  edited->GetFieldValue(again, kText);
  EXPECT_EQ(again.DataSize(), 9);
  EXPECT_EQ(Text(again), "Memo text");

  // NULL clears a field, BLOBs included.
  edited->Edit();
  TSQLMemVariant null;
  null.SetNull();
  edited->SetFieldValue(null, kText);
  edited->SetFieldValue(null, kTitle);
  edited->Post();
  EXPECT_EQ(Rows().back(), "2024.03.02/null/null");
  EXPECT_EQ(EngineErrorOf([&] { edited->SetFieldValue(null, 9); }), 10738);
}

TEST_F(DataSetEngineOps, AFilterConditionHidesTheRecordsItRejects) {
  AddNumberedDays(4);
  edited->Open();
  auto condition = std::make_unique<TSQLMemExpression>();
  condition->BuildLocateCondition(edited->Cursor(), "Title", Variant("Day 2"), false, false);
  edited->SetFilterExpression(std::move(condition));
  edited->First();
  EXPECT_EQ(edited->RecordCount(), 1);
  EXPECT_EQ(Current(), "Day 2");
  edited->SetFilterExpression(nullptr);
  edited->Cursor()->ResetFilterBitmap();
  edited->First();
  EXPECT_EQ(edited->RecordCount(), 4);
}

TEST_F(DataSetEngineOps, AProjectionReopensOnTheSameCursorUnlessItChangesNothing) {
  AddNumberedDays(2);
  int opens = 0;
  edited->AfterOpen = [&](TDataSet*) { ++opens; };
  edited->Open();
  // The fields shown already, under their own names: nothing happens.
  edited->SetProjection({"RecID", "ShortDateDay", "Title", "Text"}, {"", "", "", ""});
  edited->SetProjection({"RecID", "ShortDateDay", "Title", "Text"}, {"RecID", "SHORTDATEDAY", "Title", "Text"});
  EXPECT_EQ(opens, 1);

  edited->SetProjection({"Title", "ShortDateDay"}, {"Caption", ""});
  EXPECT_EQ(opens, 2);
  EXPECT_EQ(edited->cursorsMade, 1) << "the cursor was kept across the reopen";
  EXPECT_EQ(edited->keptCursor_, nullptr);
  ASSERT_EQ(edited->FieldCount(), 2);
  EXPECT_EQ(edited->Fields()[0]->FieldName(), "Caption");
  EXPECT_EQ(edited->Fields()[1]->FieldName(), "ShortDateDay");
  EXPECT_EQ(Current("Caption"), "Day 0");
  edited->Next();
  EXPECT_EQ(Current("ShortDateDay"), NumberedDay(1).day);

  // The same names over other fields are a change.
  edited->SetProjection({"ShortDateDay", "Title"}, {"Caption", "ShortDateDay"});
  EXPECT_EQ(opens, 3);
  edited->First();
  EXPECT_EQ(Current("Caption"), NumberedDay(0).day);
  EXPECT_EQ(Current("ShortDateDay"), "Day 0");

  // An unknown name leaves the dataset as it was.
  EXPECT_EQ(EngineErrorOf([&] { edited->SetProjection({"Nope"}, {""}); }), 10323);
  EXPECT_TRUE(edited->Active());
  EXPECT_EQ(edited->FieldCount(), 2);
}

TEST_F(DataSetEngineOps, BulkDeleteAndUpdateLeaveTheSetShowingTheTable) {
  AddNumberedDays(3);
  edited->Open();
  edited->Last();
  std::vector<TSQLMemVariant> values(1);
  values[0].SetAsString("Same");
  edited->UpdateAllRecords({"Title"}, values);
  EXPECT_EQ(Current(), "Same");
  EXPECT_TRUE(edited->Bof()) << "the set reads again from the first record";
  EXPECT_EQ(Rows(), (std::vector<std::string>{NumberedDay(0).day + "/Same/Text 0", NumberedDay(1).day + "/Same/Text 1",
                                              NumberedDay(2).day + "/Same/Text 2"}));
  EXPECT_EQ(EngineErrorOf([&] { edited->UpdateAllRecords({"Nope"}, values); }), 11447);

  edited->DeleteAllRecords();
  EXPECT_TRUE(edited->IsEmpty());
  EXPECT_EQ(edited->RecordCount(), 0);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(DataSetEngineOps, TheOperationsNeedAnOpenSet) {
  AddNumberedDays(1);
  TSQLMemVariant value;
  std::vector<TSQLMemVariant> values;
  Integer recordNo = 0;
  SmallInt itemNo = 0;
  EXPECT_EQ(EngineErrorOf([&] { edited->DeleteAllRecords(); }), 11304);
  EXPECT_EQ(EngineErrorOf([&] { edited->UpdateAllRecords({}, values); }), 11463);
  EXPECT_EQ(EngineErrorOf([&] { edited->GetFieldValue(value, 0); }), 10315);
  EXPECT_EQ(EngineErrorOf([&] { edited->SetFieldValue(value, 0); }), 10316);
  EXPECT_EQ(EngineErrorOf([&] { edited->SetFilterExpression(nullptr); }), 10300);
  EXPECT_EQ(EngineErrorOf([&] { edited->SetProjection({"Title"}, {""}); }), 10320);
  EXPECT_EQ(EngineErrorOf([&] { edited->GetRecordPosition(recordNo, itemNo); }), 11352);
  EXPECT_NE(DatabaseErrorOf([&] { edited->Locate("Title", Variant("Day 0"), {}); }), "<no error>");
  EXPECT_NE(DatabaseErrorOf([&] { edited->IncTableUseCount(); }), "<no error>");
}

TEST_F(DataSetEngineOps, TheRecordPositionIsTheCurrentRecords) {
  AddNumberedDays(3);
  edited->Open();
  edited->Next();
  edited->Next();
  Integer recordNo = -5;
  SmallInt itemNo = -5;
  edited->GetRecordPosition(recordNo, itemNo);
  const TBookmark bookmark = edited->GetBookmark();
  ASSERT_FALSE(bookmark.IsNull());
  Integer bookmarkRecordNo;
  SmallInt bookmarkItemNo;
  std::memcpy(&bookmarkRecordNo, bookmark.Data(), 4);
  std::memcpy(&bookmarkItemNo, bookmark.Data() + 4, 2);
  EXPECT_EQ(recordNo, bookmarkRecordNo);
  EXPECT_EQ(itemNo, bookmarkItemNo);
}

}  // namespace
