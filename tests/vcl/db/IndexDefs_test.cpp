#include "vcl/db/IndexDefs.h"

#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

namespace {

template <class E, class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

// Index definitions of a dataset named "Table1".
class IndexDefsTest : public testing::Test {
 protected:
  IndexDefsTest() : table_(new TComponent(nullptr)), defs_(table_.get()) { table_->SetName("Table1"); }

  std::unique_ptr<TComponent> table_;
  TIndexDefs defs_;
};

TEST_F(IndexDefsTest, FindIgnoresCaseAndNamesTheDatasetWhenMissing) {
  defs_.Add("ByShortDate", "ShortDateDay", {ixPrimary});
  defs_.Add("ByTitle", "Title", {});
  EXPECT_EQ(defs_.Find("byshortdate"), defs_.Items(0));
  EXPECT_EQ(defs_.IndexOf("BYTITLE"), 1);
  EXPECT_EQ(defs_.IndexOf("ByText"), -1);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { defs_.Find("ByText"); }), "Table1: Index 'ByText' not found");

  TIndexDefs loose(nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { loose.Find("X"); }), "Index 'X' not found");
}

TEST_F(IndexDefsTest, DuplicateNameIsRefusedAndAddsNothing) {
  defs_.Add("ByDate", "D", {});
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { defs_.Add("BYDATE", "E", {}); }), "Duplicate name 'BYDATE' in TIndexDefs");
  EXPECT_EQ(defs_.Count(), 1);
  // Renaming to its own name in another case, and several unnamed definitions, are fine.
  defs_.Items(0)->SetName("bydate");
  defs_.Add("", "E", {});
  defs_.Add("", "F", {});
  EXPECT_EQ(defs_.Count(), 3);
  TStringList names;
  defs_.GetItemNames(names);
  EXPECT_EQ(names.Text(), "bydate\r\n");
}

TEST_F(IndexDefsTest, ExpressionIndexKeepsItsTextAsExpression) {
  TIndexDef* def = defs_.Add("ByUpper", "UPPER(Title)", {ixExpression});
  EXPECT_EQ(def->Expression(), "UPPER(Title)");
  EXPECT_EQ(def->Fields(), "");
  def->SetExpression("");
  EXPECT_FALSE(def->Options().Contains(ixExpression));
  def->SetExpression("LOWER(Title)");
  EXPECT_TRUE(def->Options().Contains(ixExpression));
}

TEST_F(IndexDefsTest, GetIndexForFieldsPrefersExactListsThenLeadingFields) {
  // The three-field index comes first, so an exact match has to beat an earlier prefix match.
  defs_.Add("ByABC", "A;B;C", {ixUnique});
  defs_.Add("ByAB", "A;B", {});
  defs_.Add("Primary", "ID", {ixPrimary});
  defs_.Add("ByDesc", "D", {ixDescending});
  defs_.Add("ByExpr", "D", {ixExpression});
  defs_.Add("ByCaseIns", "E;F", {ixCaseInsensitive});
  defs_.Add("ByDescFields", "G", {})->SetDescFields("G");

  struct Case {
    const char* fields;
    bool caseInsensitive;
    const char* expected;  // nullptr: no index
  };
  const Case cases[] = {
      {"ID", false, "Primary"},
      {"a;b", false, "ByAB"},
      {" A ; B ", false, "ByAB"},
      {"A,B", false, "ByAB"},
      {"A;B;C", false, "ByABC"},
      {"A", false, "ByABC"},  // leading field of the first index that starts with it
      {"I", false, nullptr},  // "I" is no leading field of "ID"
      {"A;C", false, nullptr},
      {"B", false, nullptr},
      {"A;B;C;D", false, nullptr},
      {"D", false, nullptr},  // descending and expression indexes never qualify
      {"G", false, "ByDescFields"},
      {"E", true, "ByCaseIns"},
      {"A;B", true, nullptr},
      {"", false, nullptr},
  };
  for (const Case& c : cases) {
    TIndexDef* def = defs_.GetIndexForFields(c.fields, c.caseInsensitive);
    EXPECT_EQ(def == nullptr ? std::string("(none)") : def->Name(), c.expected ? c.expected : "(none)")
        << "fields \"" << c.fields << "\" caseInsensitive " << c.caseInsensitive;
  }
  EXPECT_EQ(defs_.FindIndexForFields("a;B")->Name(), "ByAB");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { defs_.FindIndexForFields("X;Y"); }), "Table1: No index for fields 'X;Y'");
}

TEST_F(IndexDefsTest, UpdateFillsFromTheDatasetOnceUntilSomethingChanges) {
  int runs = 0;
  int outsideChanges = 0;
  defs_.OnUpdate = [&](TObject*) { ++outsideChanges; };
  defs_.SetUpdater([&] {
    ++runs;
    defs_.Clear();
    defs_.Add("ByShortDate", "ShortDateDay", {ixPrimary});
  });
  EXPECT_FALSE(defs_.Updated());

  // GetIndexForFields brings the list up to date itself.
  EXPECT_EQ(defs_.FindIndexForFields("ShortDateDay")->Name(), "ByShortDate");
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(defs_.Updated());
  EXPECT_EQ(outsideChanges, 0);  // the updater's own changes are no outside changes
  defs_.Update();
  EXPECT_EQ(runs, 1);

  // A change made by the program: the list no longer mirrors the table.
  defs_.Items(0)->SetOptions({ixPrimary, ixUnique});
  EXPECT_FALSE(defs_.Updated());
  EXPECT_EQ(outsideChanges, 1);
  defs_.Update();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(defs_.Items(0)->Options(), (TIndexOptions{ixPrimary}));

  // Marked out of date explicitly (as a property change of the dataset does).
  defs_.SetUpdated(false);
  defs_.Update();
  EXPECT_EQ(runs, 3);
}

TEST_F(IndexDefsTest, FailingUpdaterLeavesTheListOutOfDate) {
  bool fail = true;
  defs_.SetUpdater([&] {
    defs_.Add("Half", "A", {});
    if (fail) throw std::runtime_error("table gone");
  });
  EXPECT_THROW(defs_.Update(), std::runtime_error);
  EXPECT_FALSE(defs_.Updated());
  EXPECT_EQ(defs_.UpdateCount(), 0);
  fail = false;
  defs_.Clear();
  defs_.Update();
  EXPECT_TRUE(defs_.Updated());
  EXPECT_EQ(defs_.Count(), 1);
}

TEST_F(IndexDefsTest, AssignCopiesEveryPropertyIntoIndependentItems) {
  TIndexDef* src = defs_.Add("PK", "A;B", {ixPrimary, ixDescending, ixCaseInsensitive});
  src->SetDescFields("B");
  src->SetCaseInsFields("A");
  src->SetSource("src");
  src->SetGroupingLevel(2);
  defs_.Add("ByExpr", "UPPER(C)", {ixExpression});

  TIndexDefs copy(nullptr);
  copy.Add("Stale", "Z", {});
  copy.Assign(&defs_);
  ASSERT_EQ(copy.Count(), 2);
  const TIndexDef* c = copy.Items(0);
  EXPECT_EQ(c->Name(), "PK");
  EXPECT_EQ(c->Fields(), "A;B");
  EXPECT_EQ(c->Options(), (TIndexOptions{ixPrimary, ixDescending, ixCaseInsensitive}));
  EXPECT_EQ(c->DescFields(), "B");
  EXPECT_EQ(c->CaseInsFields(), "A");
  EXPECT_EQ(c->Source(), "src");
  EXPECT_EQ(c->GroupingLevel(), 2);
  EXPECT_EQ(copy.Items(1)->Expression(), "UPPER(C)");
  EXPECT_TRUE(copy.Items(1)->Options().Contains(ixExpression));

  src->SetFields("X");
  EXPECT_EQ(c->Fields(), "A;B");
}

}  // namespace

TEST_F(IndexDefsTest, UpdateWithoutAnUpdaterMarksTheListUpdated) {
  // A list set up by the program (no table behind it yet) is up to date once updated.
  defs_.Add("ByTitle", "Title", {});
  EXPECT_FALSE(defs_.Updated());
  defs_.Update();
  EXPECT_TRUE(defs_.Updated());
  EXPECT_EQ(defs_.Count(), 1);
  TIndexDef* def = defs_.Find("ByTitle");
  def->SetFields("Title;Day");
  EXPECT_FALSE(defs_.Updated());
}
