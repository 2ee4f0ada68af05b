// The engine dataset's searching and filters: Locate and Lookup on the diary's day key, FindRecord,
// and the OnFilterRecord callback that the cursor asks for each record.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/dataset/DataSetEditingSupport.h"
#include "vcl/rtl/ExceptionHandler.h"

namespace {

class DataSetSearch : public DataSetEditingTest {
 protected:
  void AddSearchDays() {
    AddDays({{"2024.01.01", "Day 0", "Text 0"},
             {"2024.01.02", "Day 1", "Text 1"},
             {"2024.01.03", "Day 2", "Text 2"},
             {"2024.02.10", "Feast", "Cake"},
             {"2024.Nov.5", "Odd key", "Letters in the key"}});
  }
  // Every title from the first record on, as the dataset shows them.
  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (edited->First(); !edited->Eof(); edited->Next()) titles.push_back(Current());
    return titles;
  }
};

struct LocateCase {
  const char* name;
  const char* fields;
  Variant values;
  TLocateOptions options;
  const char* found;  // title of the record found; nullptr when none
};

TEST_F(DataSetSearch, LocateFindsTheDayByItsKey) {
  AddSearchDays();
  const LocateCase cases[] = {
      {"exact", "ShortDateDay", Variant("2024.01.03"), {}, "Day 2"},
      {"missing", "ShortDateDay", Variant("2024.03.01"), {}, nullptr},
      {"partial", "ShortDateDay", Variant("2024.02"), {loPartialKey}, "Feast"},
      {"partial without the option", "ShortDateDay", Variant("2024.02"), {}, nullptr},
      {"other case", "ShortDateDay", Variant("2024.NOV.5"), {}, nullptr},
      {"case-insensitive", "ShortDateDay", Variant("2024.NOV.5"), {loCaseInsensitive}, "Odd key"},
      {"case-insensitive and partial", "ShortDateDay", Variant("2024.nov"), {loCaseInsensitive, loPartialKey},
       "Odd key"},
      {"two fields", "ShortDateDay;Title", VarArrayOf({Variant("2024.01.02"), Variant("Day 1")}), {}, "Day 1"},
      {"two fields, one differs", "ShortDateDay;Title", VarArrayOf({Variant("2024.01.02"), Variant("Day 2")}), {},
       nullptr},
  };
  edited->Open();
  int scrolls = 0;
  edited->AfterScroll = [&](TDataSet*) { ++scrolls; };
  for (const LocateCase& c : cases) {
    SCOPED_TRACE(c.name);
    edited->First();
    edited->Next();  // "Day 1": a failed search must leave it current
    scrolls = 0;
    const bool found = edited->Locate(c.fields, c.values, c.options);
    EXPECT_EQ(found, c.found != nullptr);
    EXPECT_EQ(Current(), c.found != nullptr ? c.found : "Day 1");
    EXPECT_EQ(scrolls, found ? 1 : 0);
    // Navigation goes on from the record found.
    if (found && std::string(c.found) == "Day 2") {
      edited->Next();
      EXPECT_EQ(Current(), "Feast");
    }
  }
}

TEST_F(DataSetSearch, LocateRefusesAnUnknownFieldAndWorksInAFilteredSet) {
  AddSearchDays();
  edited->Open();
  EXPECT_EQ(EngineErrorOf([&] { edited->Locate("Weekday", Variant("x"), {}); }), 30115);
  EXPECT_EQ(Current(), "Day 0");
  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) {
    accept = set->FieldByName("Title")->AsString() != "Day 2";
  });
  edited->SetFiltered(true);
  EXPECT_FALSE(edited->Locate("ShortDateDay", Variant("2024.01.03"), {})) << "the record is filtered out";
  EXPECT_TRUE(edited->Locate("ShortDateDay", Variant("2024.02.10"), {}));
  EXPECT_EQ(Current(), "Feast");
}

TEST_F(DataSetSearch, LocatePostsAPendingEditFirst) {
  AddSearchDays();
  edited->Open();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("First day");
  EXPECT_TRUE(edited->Locate("ShortDateDay", Variant("2024.01.03"), {}));
  EXPECT_EQ(edited->State(), dsBrowse);
  EXPECT_EQ(Rows().front(), "2024.01.01/First day/Text 0");
}

TEST_F(DataSetSearch, LookupLeavesTheCurrentRecord) {
  AddSearchDays();
  edited->Open();
  edited->Next();
  ASSERT_EQ(Current(), "Day 1");
  int scrolls = 0;
  edited->AfterScroll = [&](TDataSet*) { ++scrolls; };

  EXPECT_EQ(edited->Lookup("ShortDateDay", Variant("2024.02.10"), "Title").AsString(), "Feast");
  EXPECT_EQ(Current(), "Day 1");
  const Variant both = edited->Lookup("ShortDateDay", Variant("2024.01.03"), "Title;Text");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(VarArrayGet(both, 0).AsString(), "Day 2");
  EXPECT_EQ(VarArrayGet(both, 1).AsString(), "Text 2");
  EXPECT_TRUE(VarIsNull(edited->Lookup("ShortDateDay", Variant("2030.01.01"), "Title")));
  // Lookup compares exactly: no partial key, no case folding.
  EXPECT_TRUE(VarIsNull(edited->Lookup("ShortDateDay", Variant("2024.02"), "Title")));
  EXPECT_TRUE(VarIsNull(edited->Lookup("ShortDateDay", Variant("2024.NOV.5"), "Title")));

  EXPECT_EQ(Current(), "Day 1");
  EXPECT_EQ(scrolls, 0);
  edited->Next();
  EXPECT_EQ(Current(), "Day 2") << "navigation goes on from the record that stayed current";
  edited->Prior();
  edited->Prior();
  EXPECT_EQ(Current(), "Day 0");
}

TEST_F(DataSetSearch, TheFilterCallbackDecidesWhichRecordsTheSetShows) {
  AddSearchDays();
  edited->Open();
  int calls = 0;
  edited->SetOnFilterRecord([&](TDataSet* set, bool& accept) {
    ++calls;
    EXPECT_EQ(set->State(), dsFilter);
    accept = set->FieldByName("Text")->AsString().rfind("Text", 0) == 0;
  });
  EXPECT_EQ(Titles().size(), 5u) << "a handler alone does not filter";
  edited->SetFiltered(true);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Day 0", "Day 1", "Day 2"}));
  EXPECT_EQ(edited->State(), dsBrowse);
  // A record written by another cursor is judged when the set is refreshed.
  AddDays({{"2024.01.04", "Day 3", "Text 3"}, {"2024.01.05", "Day 4", "No text"}});
  edited->Refresh();
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Day 0", "Day 1", "Day 2", "Day 3"}));

  // A new handler takes over at once; removing it shows everything again.
  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) { accept = set->FieldByName("Title")->AsString() == "Feast"; });
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Feast"}));
  edited->SetOnFilterRecord(nullptr);
  EXPECT_EQ(Titles().size(), 7u);

  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) { accept = set->FieldByName("Title")->AsString() == "Feast"; });
  edited->SetFiltered(false);
  EXPECT_EQ(Titles().size(), 7u);
}

TEST_F(DataSetSearch, ASetFilteredBeforeItOpensFiltersFromItsFirstRecord) {
  AddSearchDays();
  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) { accept = set->FieldByName("Title")->AsString() != "Day 0"; });
  edited->SetFiltered(true);
  edited->Open();
  EXPECT_EQ(Current(), "Day 1");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Day 1", "Day 2", "Feast", "Odd key"}));
  // Closed and opened again, the set keeps filtering.
  edited->Close();
  edited->Open();
  EXPECT_EQ(Titles().size(), 4u);
}

TEST_F(DataSetSearch, AFailingFilterHandlerIsReportedAndTheRecordKeepsItsAnswer) {
  AddSearchDays();
  std::vector<std::string> reported;
  InstallExceptionHandler(this, [&](TObject*) {
    try {
      throw;
    } catch (const Exception& e) {
      reported.push_back(e.Message());
    }
  });
  edited->Open();
  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) {
    const std::string title = set->FieldByName("Title")->AsString();
    if (title == "Day 1") throw Exception("bad day");  // before the answer: the record stays in
    if (title == "Day 2") {
      accept = false;
      throw Exception("worse day");  // after it: the record stays out
    }
  });
  edited->SetFiltered(true);
  const std::vector<std::string> titles = Titles();
  RemoveExceptionHandler(this);
  EXPECT_EQ(titles, (std::vector<std::string>{"Day 0", "Day 1", "Feast", "Odd key"}));
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), "bad day");
  EXPECT_EQ(edited->State(), dsBrowse);
}

TEST_F(DataSetSearch, FindRecordSearchesWithTheHandlerThoughTheSetIsNotFiltered) {
  AddSearchDays();
  edited->Open();
  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) {
    accept = set->FieldByName("Title")->AsString().rfind("Day", 0) != 0;
  });
  EXPECT_EQ(Titles().size(), 5u);
  EXPECT_TRUE(edited->FindFirst());
  EXPECT_EQ(Current(), "Feast");
  EXPECT_TRUE(edited->FindNext());
  EXPECT_EQ(Current(), "Odd key");
  EXPECT_FALSE(edited->FindNext());
  EXPECT_FALSE(edited->Found());
  EXPECT_EQ(Current(), "Odd key");
  EXPECT_TRUE(edited->FindPrior());
  EXPECT_EQ(Current(), "Feast");
  EXPECT_TRUE(edited->FindLast());
  EXPECT_EQ(Current(), "Odd key");
  // The search over, the set shows every record again.
  EXPECT_EQ(Titles().size(), 5u);

  // Without a handler every record matches: FindNext moves one record on.
  edited->SetOnFilterRecord(nullptr);
  EXPECT_TRUE(edited->FindFirst());
  EXPECT_EQ(Current(), "Day 0");
  EXPECT_TRUE(edited->FindNext());
  EXPECT_EQ(Current(), "Day 1");
}

TEST_F(DataSetSearch, UnderAGridTheSearchesMoveTheWindowToTheRecordFound) {
  AddNumberedDays(30);
  TGridTitles& grid = AttachGrid(7);
  edited->Open();
  auto titles = [](int from, int to) {
    std::vector<std::string> list;
    for (int i = from; i <= to; ++i) list.push_back("Day " + std::to_string(i));
    return list;
  };
  ASSERT_EQ(grid.Rows(), titles(0, 6));
  edited->MoveBy(2);

  ASSERT_TRUE(edited->Locate("ShortDateDay", Variant(NumberedDay(20).day), {}));
  EXPECT_EQ(Current(), "Day 20");
  EXPECT_EQ(grid.Rows(), titles(17, 23)) << "the record found sits in the middle";
  edited->Next();
  EXPECT_EQ(Current(), "Day 21");

  EXPECT_EQ(edited->Lookup("ShortDateDay", Variant(NumberedDay(3).day), "Title").AsString(), "Day 3");
  EXPECT_EQ(Current(), "Day 21");
  EXPECT_EQ(grid.Rows(), titles(17, 23));
  edited->Prior();
  EXPECT_EQ(Current(), "Day 20");

  edited->SetOnFilterRecord([](TDataSet* set, bool& accept) {
    const std::string title = set->FieldByName("Title")->AsString();
    accept = !title.empty() && title.back() == '5';
  });
  ASSERT_TRUE(edited->FindNext());
  EXPECT_EQ(Current(), "Day 25");
  ASSERT_TRUE(edited->FindPrior());
  EXPECT_EQ(Current(), "Day 15");
  EXPECT_EQ(grid.Rows(), titles(12, 18));
  edited->Next();
  EXPECT_EQ(Current(), "Day 16") << "the unfiltered set goes on from the record found";
}

TEST_F(DataSetSearch, UnderAGridALocateAcrossIndexPagesShowsItsNeighboursInKeyOrder) {
  // Enough days for an index of several pages, so that the window around a record found by a search is
  // read backwards and forwards from where the search stood, across page boundaries and the ends.
  constexpr int kDays = 1500;
  AddNumberedDays(kDays);
  TGridTitles& grid = AttachGrid(7);
  edited->Open();
  for (const int day : {700, 0, 1, 3, 1023, 1024, 256, 255, 1200, 1497, kDays - 1, 511, 512, 2}) {
    ASSERT_TRUE(edited->Locate("ShortDateDay", Variant(NumberedDay(day).day), {})) << day;
    EXPECT_EQ(Current(), "Day " + std::to_string(day));
    const int from = std::clamp(day - 3, 0, kDays - 7);
    std::vector<std::string> rows;
    for (int i = from; i < from + 7; ++i) rows.push_back("Day " + std::to_string(i));
    EXPECT_EQ(grid.Rows(), rows) << "around day " << day;
  }
  edited->Prior();
  EXPECT_EQ(Current(), "Day 1");
  edited->MoveBy(4);
  EXPECT_EQ(Current(), "Day 5");
}

TEST_F(DataSetSearch, LookupComputesTheCalculatedFieldsOfTheRecordFound) {
  AddSearchDays();
  edited->FieldDefs().Update();
  for (int i = 0; i < edited->FieldDefs().Count(); ++i) edited->FieldDefs().Items(i)->CreateField(edited);
  auto* label = New<TStringField>(edited);
  label->SetFieldName("Label");
  label->SetSize(40);
  label->SetFieldKind(fkCalculated);
  label->SetDataSet(edited);
  edited->OnCalcFields = [](TDataSet* set) {
    set->FieldByName("Label")->SetAsString(set->FieldByName("ShortDateDay")->AsString() + " - " +
                                           set->FieldByName("Title")->AsString());
  };
  edited->Open();
  EXPECT_EQ(edited->Lookup("ShortDateDay", Variant("2024.02.10"), "Label").AsString(), "2024.02.10 - Feast");
  EXPECT_EQ(Current("Label"), "2024.01.01 - Day 0");
  EXPECT_TRUE(edited->Locate("Title", Variant("Day 2"), {}));
  EXPECT_EQ(Current("Label"), "2024.01.03 - Day 2");
}

}  // namespace
