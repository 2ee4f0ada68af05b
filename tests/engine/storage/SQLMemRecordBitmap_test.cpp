#include "engine/storage/SQLMemRecordBitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"

namespace {

class FakeTable : public TSQLMemRecordBitmapTable {
 public:
  Int64 GetRecordCount() override { return recordCount; }
  bool IsInMemory() const override { return inMemory; }
  bool IsTemporary() const override { return temporary; }

  Int64 recordCount = 0;
  bool inMemory = false;
  bool temporary = false;
};

TSQLMemRecordID Id(Integer recordNo, Word itemNo = 0) { return TSQLMemRecordID{recordNo, itemNo}; }

class RecordBitmapTest : public EngineBlocksTest {
 protected:
  // An active bitmap over the given record numbers, added in that order.
  void Filled(std::initializer_list<Integer> recordNos) {
    bitmap_.SetActive(false);
    for (Integer n : recordNos) bitmap_.AddRecord(Id(n));
    bitmap_.SetActive(true);
  }
  // The bitmap's blocks go before the fixture counts them.
  void TearDown() override {
    holder_.reset();
    EngineBlocksTest::TearDown();
  }

  FakeTable table_;
  std::unique_ptr<TSQLMemRecordBitmap> holder_ = std::make_unique<TSQLMemRecordBitmap>(&table_);
  TSQLMemRecordBitmap& bitmap_ = *holder_;
};

TEST_F(RecordBitmapTest, NeedsItsTable) {
  ExpectEngineError([] { TSQLMemRecordBitmap bitmap(nullptr); }, 10425, "Nil pointer occured - Native error: 10425");
}

TEST_F(RecordBitmapTest, NavigationOverTheList) {
  struct Case {
    const char* what;
    Byte direction, first, last;
    Integer from;
    Byte result;
    Integer found;  // record number answered with nrFound
  };
  const Case cases[] = {
      {"first flag, next: the first id", ndNext, 1, 0, 0, nrFound, 10},
      {"first flag, prior", ndPrior, 1, 0, 0, nrBeforeFirst, 0},
      {"first flag, current", ndCurrent, 1, 0, 0, nrNotFound, 0},
      {"last flag, prior: the last id", ndPrior, 0, 1, 0, nrFound, 30},
      {"last flag, next", ndNext, 0, 1, 0, nrAfterLast, 0},
      {"last flag, current", ndCurrent, 0, 1, 0, nrNotFound, 0},
      {"current", ndCurrent, 0, 0, 20, nrFound, 20},
      {"next", ndNext, 0, 0, 20, nrFound, 30},
      {"next at the end", ndNext, 0, 0, 30, nrAfterLast, 0},
      {"prior", ndPrior, 0, 0, 20, nrFound, 10},
      {"prior at the start", ndPrior, 0, 0, 10, nrBeforeFirst, 0},
      {"from an absent id", ndNext, 0, 0, 15, nrNotFound, 0},
  };
  Filled({10, 20, 30});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSQLMemNavigationRequest request;
    request.Direction = c.direction;
    request.First = c.first;
    request.Last = c.last;
    request.RecordId = Id(c.from);
    bitmap_.Navigate(request);
    EXPECT_EQ(request.Result, c.result);
    if (c.result == nrFound) {
      EXPECT_EQ(request.RecordId, Id(c.found));
    }
    EXPECT_EQ(request.First, c.first) << "the flags are left alone";
    EXPECT_EQ(request.Last, c.last);
  }
}

TEST_F(RecordBitmapTest, EmptyActiveBitmapIsAtTheEndAndInactiveOneAnswersNotFound) {
  TSQLMemNavigationRequest request;
  request.Direction = ndNext;
  request.First = 1;
  bitmap_.Navigate(request);
  EXPECT_EQ(request.Result, nrNotFound);
  bitmap_.SetActive(true);
  bitmap_.Navigate(request);
  EXPECT_EQ(request.Result, nrAfterLast);
}

TEST_F(RecordBitmapTest, IdsArrivingOutOfOrderMakeTheListUnsorted) {
  Filled({5, 3, 9});
  EXPECT_FALSE(bitmap_.Sorted());
  // Searches still find every id (linearly).
  EXPECT_EQ(bitmap_.GetRecordNo(Id(5)), 1);
  EXPECT_EQ(bitmap_.GetRecordNo(Id(3)), 2);
  EXPECT_EQ(bitmap_.GetRecordNo(Id(9)), 3);
  EXPECT_EQ(bitmap_.GetRecordNo(Id(4)), -1);
  // Deactivating empties the list and makes it sorted again.
  bitmap_.SetActive(false);
  EXPECT_EQ(bitmap_.GetCount(), 0);
  EXPECT_TRUE(bitmap_.Sorted());
}

TEST_F(RecordBitmapTest, TheSameIdTwiceInARowIsRefused) {
  bitmap_.AddRecord(Id(5, 1));
  ExpectEngineError([&] { bitmap_.AddRecord(Id(5, 1)); }, 11328,
                    "Error adding record to record map - duplicate record ID = 5 1 - Native error: 11328");
  EXPECT_EQ(bitmap_.GetCount(), 1);
}

TEST_F(RecordBitmapTest, InOrderIdsStaySortedAndAreFoundByBinarySearch) {
  bitmap_.SetActive(false);
  for (Integer n = 0; n < 40; ++n) bitmap_.AddRecord(Id(n * 3));
  bitmap_.SetActive(true);
  EXPECT_TRUE(bitmap_.Sorted());
  for (Integer n = 0; n < 40; ++n) EXPECT_EQ(bitmap_.GetRecordNo(Id(n * 3)), n + 1);
  EXPECT_EQ(bitmap_.GetRecordNo(Id(4)), -1);
  EXPECT_TRUE(bitmap_.CheckRecord(Id(117)));
  EXPECT_FALSE(bitmap_.CheckRecord(Id(118)));
}

TEST_F(RecordBitmapTest, TableKindFixesTheIdOrder) {
  // A temporary table orders ids as 48-bit numbers: the item number weighs more than the record number.
  FakeTable temporary;
  temporary.temporary = true;
  TSQLMemRecordBitmap byNumber(&temporary);
  byNumber.AddRecord(Id(7, 0));
  byNumber.AddRecord(Id(1, 1));
  EXPECT_TRUE(byNumber.Sorted());

  // An in-memory table compares record numbers alone, so a second item of the same record repeats it.
  FakeTable memory;
  memory.inMemory = true;
  TSQLMemRecordBitmap byRecord(&memory);
  byRecord.AddRecord(Id(7, 0));
  EXPECT_THROW(byRecord.AddRecord(Id(7, 1)), ESQLMemException);

  // Other tables compare the record number, then the item number.
  bitmap_.AddRecord(Id(7, 0));
  bitmap_.AddRecord(Id(1, 1));
  EXPECT_FALSE(bitmap_.Sorted());
}

TEST_F(RecordBitmapTest, PositionsAreOneBased) {
  Filled({10, 20, 30});
  TSQLMemRecordID id;
  bitmap_.GetRecordIdByNo(3, id);
  EXPECT_EQ(id, Id(30));
  ExpectEngineError([&] { bitmap_.GetRecordIdByNo(0, id); }, 11326,
                    "Invalid item number - ItemNo = -1, ItemCount = 3 - Native error: 11326");
  ExpectEngineError([&] { bitmap_.GetRecordIdByNo(4, id); }, 11326,
                    "Invalid item number - ItemNo = 3, ItemCount = 3 - Native error: 11326");
}

TEST_F(RecordBitmapTest, InsertAndRemovePlaceNewRecords) {
  Filled({10, 20, 30});
  bitmap_.InsertRecord(Id(25), Id(20), false, false);
  bitmap_.InsertRecord(Id(5), Id(0), false, true);
  bitmap_.InsertRecord(Id(35), Id(0), true, false);
  EXPECT_FALSE(bitmap_.Sorted());
  std::vector<Integer> order;
  for (Int64 n = 1; n <= bitmap_.GetCount(); ++n) {
    TSQLMemRecordID id;
    bitmap_.GetRecordIdByNo(n, id);
    order.push_back(id.RecordNo);
  }
  EXPECT_EQ(order, (std::vector<Integer>{5, 10, 20, 25, 30, 35}));

  ExpectEngineError([&] { bitmap_.InsertRecord(Id(1), Id(99), false, false); }, 11332,
                    "Record does not exist, ID = 99, 0 - Native error: 11332");
  bitmap_.RemoveRecord(Id(20));
  EXPECT_FALSE(bitmap_.CheckRecord(Id(20)));
  EXPECT_EQ(bitmap_.GetCount(), 5);
  ExpectEngineError([&] { bitmap_.RemoveRecord(Id(20)); }, 11327, "Record does not exist, ID = 20, 0 - Native error: 11327");
}

TEST_F(RecordBitmapTest, GrowthFollowsTheTablesSize) {
  const struct {
    Int64 records;
    Integer step;
  } cases[] = {{0, 10}, {5, 10}, {50000, 50}, {10000000, 10000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    table_.recordCount = c.records;
    // As the table does it: deactivate, tune, fill.
    bitmap_.SetActive(false);
    bitmap_.TuneGrowth();
    EXPECT_EQ(bitmap_.GrowStep(), c.step);
  }
  // Tuning a filled list keeps its ids and its order.
  Filled({5, 3});
  bitmap_.TuneGrowth();
  EXPECT_EQ(bitmap_.GetCount(), 2);
  EXPECT_EQ(bitmap_.GetRecordNo(Id(3)), 2);
  EXPECT_FALSE(bitmap_.Sorted());
  table_.recordCount = Int64{1} << 40;  // a tenth does not fit 32 bits
  EXPECT_THROW(bitmap_.TuneGrowth(), ERangeError);
}

}  // namespace
