#include "vcl/db/FieldDefs.h"

#include <functional>

#include <gtest/gtest.h>

#include "vcl/db/ArrayDataSet.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

using dbtest::Column;
using dbtest::TArrayDataSet;

namespace {

class FieldDefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = new TComponent(nullptr);
    ds = New<TArrayDataSet>(owner, std::vector<Column>{{"RecID", ftAutoInc},
                                                      {"ShortDateDay", ftString, 10},
                                                      {"Title", ftString, 25},
                                                      {"Text", ftMemo}});
    ds->SetName("fans");
  }
  void TearDown() override { delete owner; }

  TComponent* owner = nullptr;
  TArrayDataSet* ds = nullptr;
};

TEST_F(FieldDefsTest, AddFindAndIndexOf) {
  TFieldDefs& defs = ds->FieldDefs();
  defs.Add("RecID", ftAutoInc);
  defs.Add("Title", ftString, 25, true);
  defs.Add("Amount", ftFloat);
  ASSERT_EQ(defs.Count(), 3);
  EXPECT_EQ(defs[1]->Name(), "Title");
  EXPECT_EQ(defs[1]->DataType(), ftString);
  EXPECT_EQ(defs[1]->Size(), 25);
  EXPECT_TRUE(defs[1]->Required());
  EXPECT_TRUE(defs[1]->Attributes().Contains(faRequired));
  EXPECT_FALSE(defs[0]->Required());
  EXPECT_EQ(defs[2]->Precision(), 15);
  EXPECT_EQ(defs[1]->FieldNo(), 2);
  EXPECT_EQ(defs.IndexOf("title"), 1) << "names ignore case";
  EXPECT_EQ(defs.IndexOf("Nope"), -1);
  EXPECT_EQ(defs.Find("AMOUNT"), defs[2]);

  struct Case {
    std::function<void()> act;
    const char* error;
  };
  const Case cases[] = {
      {[&] { (void)defs.Find("Nope"); }, "fans: Field 'Nope' not found"},
      {[&] { defs.Add("title", ftInteger); }, "fans: Duplicate name 'title' in TFieldDefs"},
      {[&] { defs.Add("", ftInteger); }, "fans: Field name missing"},
      {[&] { defs[0]->SetName("Amount"); }, "fans: Duplicate name 'Amount' in TFieldDefs"},
  };
  for (const Case& c : cases) {
    try {
      c.act();
      ADD_FAILURE() << "no error for " << c.error;
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  EXPECT_EQ(defs.Count(), 3) << "failed adds leave nothing behind";

  TStringList names;
  defs.GetItemNames(names);
  EXPECT_EQ(names.CommaText(), "RecID,Title,Amount");
}

TEST_F(FieldDefsTest, UpdateReadsTheDefinitionsOnceUntilAPropertyChanges) {
  TFieldDefs& defs = ds->FieldDefs();
  EXPECT_FALSE(defs.Updated());
  defs.Update();  // a closed dataset opens its cursor just for the definitions
  EXPECT_TRUE(defs.Updated());
  EXPECT_FALSE(ds->Active());
  ASSERT_EQ(defs.Count(), 4);
  EXPECT_EQ(defs[3]->Name(), "Text");
  EXPECT_EQ(defs[3]->DataType(), ftMemo);

  defs.Update();  // a mirror already: nothing is read
  EXPECT_TRUE(defs.Updated());
  int updates = 0;
  defs.OnUpdate = [&](TObject*) { ++updates; };
  defs.Add("Mine", ftInteger);
  EXPECT_FALSE(defs.Updated()) << "a definition added by hand";
  EXPECT_EQ(updates, 1);
  defs.Update();
  EXPECT_EQ(defs.Count(), 4) << "read again from the dataset";
  EXPECT_EQ(updates, 1) << "the refill is not a change from outside";
  EXPECT_TRUE(defs.Updated());
  ds->DataEvent(dePropertyChange, 0);
  EXPECT_FALSE(defs.Updated()) << "a property of the dataset changed";
}

TEST_F(FieldDefsTest, CreateFieldMakesAFieldOfTheTypeJoinedToTheDataset) {
  TFieldDefs& defs = ds->FieldDefs();
  defs.Add("Title", ftFixedChar, 25, true);
  defs.Add("Price", ftCurrency);
  defs.Add("Odd", ftBCD);
  defs[1]->SetPrecision(10);
  defs[1]->SetAttributes(TFieldAttributes{faReadonly});
  TField* title = defs[0]->CreateField(owner);
  EXPECT_EQ(title->ClassName(), "TStringField");
  EXPECT_EQ(title->DataType(), ftFixedChar);
  EXPECT_EQ(title->Size(), 25);
  EXPECT_TRUE(title->Required());
  EXPECT_EQ(title->DataSet(), ds);
  EXPECT_EQ(ds->FindField("Title"), title);
  TField* price = defs[1]->CreateField(owner);
  EXPECT_EQ(static_cast<TFloatField*>(price)->Precision(), 10);
  EXPECT_TRUE(price->ReadOnly());
  try {
    defs[2]->CreateField(owner);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Odd' is of an unknown type");
  }
  defs.Add("Wrong", ftInteger, 4);
  EXPECT_THROW(defs[3]->CreateField(owner), EDatabaseError) << "Invalid field size";
  EXPECT_EQ(ds->FieldCount(), 2) << "a field that could not be made is not left behind";
}

TEST_F(FieldDefsTest, AssignCopiesEveryDefinition) {
  TFieldDefs& defs = ds->FieldDefs();
  defs.Add("A", ftString, 5, true);
  defs.Add("B", ftDateTime);
  auto* other = New<TArrayDataSet>(owner);
  other->SetFieldDefs(defs);
  ASSERT_EQ(other->FieldDefs().Count(), 2);
  EXPECT_EQ(other->FieldDefs()[0]->Name(), "A");
  EXPECT_EQ(other->FieldDefs()[0]->Size(), 5);
  EXPECT_TRUE(other->FieldDefs()[0]->Required());
  EXPECT_EQ(other->FieldDefs()[1]->DataType(), ftDateTime);
  EXPECT_EQ(other->FieldDefs().DataSet(), other);
}

}  // namespace
