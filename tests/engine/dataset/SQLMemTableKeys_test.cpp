// Key search and ranges of the table component: the set-key state, GotoKey and FindKey on the primary
// index, ranges applied, re-applied and cancelled.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/engine/dataset/TableIndexTestSupport.h"

namespace {

using TableKeys = TableIndexTest;
using Days = std::vector<std::string>;

const Days kDays = {"2024.01.03", "2024.01.01", "2024.01.05", "2024.01.02", "2024.01.04"};

std::string Day(TDataSet& table) { return table.FieldByName("ShortDateDay")->AsString(); }

TEST_F(TableKeys, GotoKeyFindsTheExactDayOnThePrimaryIndex) {
  TSQLMemTable* table = OpenDiaryTable(kDays);
  table->SetIndexName("ByShortDate");
  table->First();
  int scrolls = 0;
  table->AfterScroll = [&](TDataSet*) { ++scrolls; };

  table->SetKey();
  EXPECT_EQ(table->State(), dsSetKey);
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.04");
  EXPECT_EQ(Day(*table), "2024.01.04");  // the set-key state shows the key
  EXPECT_TRUE(table->GotoKey());
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("Title")->AsString(), "2024.01.04 - title");
  EXPECT_EQ(scrolls, 1);
  table->Next();
  EXPECT_EQ(Day(*table), "2024.01.05");

  // Not found: false, and the table stays where it was.
  table->Prior();
  table->SetKey();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.0");  // a prefix is not the key
  EXPECT_FALSE(table->GotoKey());
  EXPECT_EQ(Day(*table), "2024.01.04");

  EXPECT_TRUE(table->FindKey({Variant("2024.01.01")}));
  EXPECT_EQ(Day(*table), "2024.01.01");
  EXPECT_FALSE(table->FindKey({Variant("1999.01.01")}));
  EXPECT_EQ(Day(*table), "2024.01.01");
}

// A key that names no field count searches on every field of the index; FindKey with fewer values than
// the index has fields searches on those only.
TEST_F(TableKeys, AKeySearchesOnEveryIndexFieldUnlessFewerAreNamed) {
  TSQLMemTable* notes = NewTable("notes");
  notes->FieldDefs().Add("Day", ftString, 10);
  notes->FieldDefs().Add("No", ftInteger);
  notes->FieldDefs().Add("Note", ftString, 20);
  notes->IndexDefs().Add("ByDay", "Day;No", {ixPrimary});
  notes->CreateTable();
  AddRows("notes", {{"2024.01.03", 2, "3/2"}, {"2024.01.01", 1, "1/1"}, {"2024.01.03", 1, "3/1"}});
  notes->SetIndexName("ByDay");
  notes->Open();

  notes->SetKey();
  notes->FieldByName("Day")->SetAsString("2024.01.03");
  EXPECT_FALSE(notes->GotoKey());  // No is null in the key, and no record has a null No
  EXPECT_EQ(notes->FieldByName("Note")->AsString(), "1/1");

  EXPECT_TRUE(notes->FindKey({Variant("2024.01.03")}));
  EXPECT_EQ(notes->FieldByName("Note")->AsString(), "3/1");
  EXPECT_TRUE(notes->FindKey({Variant("2024.01.03"), Variant(2)}));
  EXPECT_EQ(notes->FieldByName("Note")->AsString(), "3/2");
  EXPECT_EQ(DatabaseErrorText([&] { notes->FindKey({Variant("a"), Variant(1), Variant("x")}); }), SFieldIndexError);
  EXPECT_EQ(notes->State(), dsBrowse);
  EXPECT_EQ(notes->FieldByName("Note")->AsString(), "3/2");
  EXPECT_TRUE(notes->GotoKey());  // the key is the one FindKey last searched
  EXPECT_EQ(notes->FieldByName("Note")->AsString(), "3/2");
}

TEST_F(TableKeys, TheSetKeyStateTakesIndexFieldsOnlyAndCancelRestoresTheKey) {
  TSQLMemTable* table = OpenDiaryTable(kDays);
  table->SetIndexName("ByShortDate");
  table->SetKey();
  EXPECT_EQ(EngineErrorCode([&] { table->FieldByName("Title")->SetAsString("x"); }), 20019);
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.02");
  table->Post();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_FALSE(table->Modified());

  // A cancelled edit of the key leaves it as it was posted.
  table->SetKey();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.05");
  table->Cancel();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_TRUE(table->GotoKey());
  EXPECT_EQ(Day(*table), "2024.01.02");
}

TEST_F(TableKeys, KeyAndRangeOperationsOnAClosedTableRaise) {
  TSQLMemTable* table = NewTable("fans");
  struct Case {
    const char* what;
    std::function<void()> run;
    Integer code;
  };
  const Case cases[] = {
      {"SetKey", [&] { table->SetKey(); }, 10286},
      {"SetRangeStart", [&] { table->SetRangeStart(); }, 10286},
      {"GotoKey", [&] { table->GotoKey(); }, 10290},
      {"FindIndexForSort", [&] { table->FindIndexForSort({"Title"}, {"ASC"}, {"CASE"}); }, 11382},
  };
  for (const Case& c : cases) EXPECT_EQ(EngineErrorCode(c.run), c.code) << c.what;
  EXPECT_NE(DatabaseErrorText([&] { table->ApplyRange(); }), "<no error>");
}

TEST_F(TableKeys, ApplyRangeMovesToTheFirstRecordOnlyWhenTheRangeChanged) {
  TSQLMemTable* table = OpenDiaryTable(kDays);
  table->SetIndexName("ByShortDate");
  table->SetRangeStart();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.02");
  table->SetRangeEnd();  // the start's edit is posted on the way
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.04");
  table->Last();
  int moves = 0;
  table->BeforeScroll = [&](TDataSet*) { ++moves; };
  table->ApplyRange();
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(Day(*table), "2024.01.02");
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.02", "2024.01.03", "2024.01.04"}));

  table->First();
  table->Next();
  moves = 0;
  table->ApplyRange();  // bounds unchanged: nothing moves
  EXPECT_EQ(moves, 0);
  EXPECT_EQ(Day(*table), "2024.01.03");

  // Editing a bound changes nothing until it is applied.
  table->SetRangeEnd();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.02");
  table->Post();
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.02", "2024.01.03", "2024.01.04"}));

  // A start without an end: the range is open upwards.
  table->SetRangeStart();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.04");
  table->SetRangeEnd();
  table->Post();
  table->ApplyRange();
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.04", "2024.01.05"}));

  TCountingLink link(*table, *owner_);
  table->CancelRange();
  EXPECT_GT(link.changes, 0);
  EXPECT_EQ(Column(*table, "ShortDateDay").size(), kDays.size());
  link.changes = 0;
  table->CancelRange();  // no range in force: no resync
  EXPECT_EQ(link.changes, 0);
}

TEST_F(TableKeys, ChangingTheIndexDropsTheRange) {
  TSQLMemTable* table = OpenDiaryTable(kDays);
  table->SetIndexName("ByShortDate");
  table->SetRangeStart();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.05");
  table->SetRangeEnd();
  table->FieldByName("ShortDateDay")->SetAsString("2024.01.05");
  table->ApplyRange();
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.05"}));
  table->SetIndexName("");
  EXPECT_EQ(Column(*table, "ShortDateDay").size(), kDays.size());
  // The bounds are still there; applying them again on the index restricts again.
  table->SetIndexName("ByShortDate");
  table->ApplyRange();
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.05"}));
}

}  // namespace
