// The dataset's text filter: Filter, Filtered and FilterOptions over the diary's table, parsed by the
// engine's expression parser and applied by the cursor to every record the set shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "tests/engine/dataset/DataSetEditingSupport.h"

namespace {

class DataSetTextFilter : public DataSetEditingTest {
 protected:
  void SetUp() override {
    DataSetEditingTest::SetUp();
    AddDays({{"2024.01.01", "abc", "Text 0"},
             {"2024.01.02", "abcdef", "Text 1"},
             {"2024.01.03", "ABCD", "Text 2"},
             {"2024.01.04", "xabc", "Text 3"},
             {"2024.02.10", "Feast", "Cake"},
             {"2024.02.11", "", "Untitled"}});
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> titles;
    for (edited->First(); !edited->Eof(); edited->Next()) titles.push_back(Current());
    return titles;
  }
};

struct TextFilterCase {
  const char* filter;
  TFilterOptions options;
  std::vector<std::string> titles;
};

TEST_F(DataSetTextFilter, TheSetShowsExactlyTheRecordsTheFilterTextAccepts) {
  const TextFilterCase cases[] = {
      {"Title = 'abc'", {}, {"abc"}},
      {"Title = 'abc*'", {}, {"abc", "abcdef"}},
      {"Title = 'abc*'", {foCaseInsensitive}, {"abc", "abcdef", "ABCD"}},
      {"Title = 'abc*'", {foNoPartialCompare}, {}},
      {"Title = 'ABCD'", {foCaseInsensitive}, {"ABCD"}},
      {"Title = 'abcd'", {}, {}},
      {"Title LIKE '%abc%'", {}, {"abc", "abcdef", "xabc"}},
      {"Title = 'abc' OR Title = 'Feast'", {}, {"abc", "Feast"}},
      {"Title = 'abc*' AND ShortDateDay > '2024.01.01'", {}, {"abcdef"}},
      {"Title = '' OR ShortDateDay = '2024.02.10'", {}, {"Feast", ""}},
      {"Title IS NULL", {}, {""}},
      {"Title IS NOT NULL AND NOT (Title = 'abc*')", {}, {"ABCD", "xabc", "Feast"}},
      {"Title <> 'abc'", {}, {"abcdef", "ABCD", "xabc", "Feast", ""}},
      {"ShortDateDay BETWEEN '2024.01.02' AND '2024.01.03'", {}, {"abcdef", "ABCD"}},
      {"UPPER(Title) = 'ABC' OR LENGTH(Title) = 5", {}, {"abc", "Feast"}},
  };
  edited->Open();
  for (const TextFilterCase& c : cases) {
    SCOPED_TRACE(c.filter);
    try {
      edited->SetFilterOptions(c.options);
      edited->SetFilter(c.filter);
      edited->SetFiltered(true);
      EXPECT_EQ(Titles(), c.titles);
      edited->SetFiltered(false);
      EXPECT_EQ(Titles().size(), 6u);
    } catch (const Exception& e) {
      ADD_FAILURE() << e.Message();
    }
  }
}

TEST_F(DataSetTextFilter, AFilterThatDoesNotParseIsRefusedAndTheSetStaysWhole) {
  edited->Open();
  edited->SetFilter("Title = ");
  try {
    edited->SetFiltered(true);
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30066);
  }
  edited->SetFiltered(false);
  edited->SetFilter("Nobody = 1");
  EXPECT_THROW(edited->SetFiltered(true), ESQLMemException);
  edited->SetFiltered(false);
  EXPECT_EQ(Titles().size(), 6u);
}

TEST_F(DataSetTextFilter, AFilterSetBeforeOpeningAppliesFromTheFirstRecord) {
  edited->SetFilter("Title = 'abc*'");
  edited->SetFiltered(true);
  edited->Open();
  EXPECT_EQ(Current(), "abc");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"abc", "abcdef"}));
  // A new text takes over at once in a filtered set.
  edited->SetFilter("Title = 'Feast'");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Feast"}));
}

}  // namespace
