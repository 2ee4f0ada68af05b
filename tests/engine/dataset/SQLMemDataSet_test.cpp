// The engine dataset over the diary's table: opening and closing, the database hold, navigation
// through the framework's buffer ring, bookmarks, record numbers and the record count.
#include "engine/dataset/SQLMemDataSet.h"

#include <gtest/gtest.h>

#include "tests/engine/dataset/DataSetTestSupport.h"

namespace {

using DataSetOpen = DiaryDataSetTest;

TEST_F(DataSetOpen, TheDiaryTableOpensWithItsFourColumns) {
  AddNumberedDays(3);
  dataSet->Open();
  ASSERT_TRUE(dataSet->Active());
  ASSERT_EQ(dataSet->FieldCount(), 4);
  EXPECT_EQ(dataSet->Fields()[0]->DataType(), ftAutoInc);
  EXPECT_EQ(dataSet->FieldByName("ShortDateDay")->DataType(), ftString);
  EXPECT_EQ(dataSet->FieldByName("Title")->Size(), 25);
  EXPECT_EQ(dataSet->FieldByName("Text")->DataType(), ftMemo);
  EXPECT_EQ(dataSet->RecordCount(), 3);
  EXPECT_EQ(dataSet->FieldByName("Title")->AsString(), "Day 0");
  EXPECT_EQ(dataSet->FieldByName("Text")->AsString(), "Text 0");
  dataSet->Close();
  EXPECT_EQ(dataSet->Database(), nullptr);
}

}  // namespace
