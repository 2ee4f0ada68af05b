// The index manager over a test table: indexes built, opened when needed and closed, keys kept in step
// with the records, the stored root page kept current, and navigation and comparison through an index.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemIndexManager.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/ManagerTestSupport.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr Integer kSession = ManagerTestTable::kSession;

class IndexManagerTest : public EngineBlocksTest {
 protected:
  void TearDown() override {
    owned_.reset();
    EngineBlocksTest::TearDown();
  }

  std::vector<Byte> Row(Integer num, const char* name = "x") { return table_.Buffer(0, &num, 1, name); }
  TSQLMemRecordID Store(Integer num, const char* name = "x") { return table_.Store(Row(num, name)); }
  Integer NumOf(const std::vector<Byte>& buffer) {
    Integer num = INT_MIN;
    GetRecordFieldData(0, table_.Fields(), &num, buffer.data());
    return num;
  }
  TSQLMemIndexDef& Stored(Integer indexId) {
    return table_.Indexes().IndexDefs.GetItem(table_.Indexes().IndexDefs.IndexOfObjectID(indexId));
  }
  TSQLMemNavigationRequest Request(Integer indexId, std::vector<Byte>& buffer) {
    TSQLMemNavigationRequest request;
    request.SessionId = kSession;
    request.IndexId = indexId;
    request.RecordBuffer = buffer.data();
    request.Direction = ndNext;
    return request;
  }
  // The Num values of the records in the index's order, walked from the first with NavigateByIndex.
  std::vector<Integer> Walk(Integer indexId) {
    std::vector<Byte> buffer = table_.NewBuffer();
    TSQLMemNavigationRequest request = Request(indexId, buffer);
    request.First = 1;
    std::vector<Integer> nums;
    for (table_.Indexes().NavigateByIndex(request); request.Result == nrFound; table_.Indexes().NavigateByIndex(request)) {
      nums.push_back(NumOf(buffer));
      request.First = 0;
      request.Direction = ndNext;
    }
    return nums;
  }
  std::vector<Integer> StoredNums() {
    std::vector<Integer> nums;
    for (const auto& row : table_.Records().Rows()) nums.push_back(NumOf(row.second));
    std::sort(nums.begin(), nums.end());
    return nums;
  }
  void Apply() { table_.Pages().ApplyChanges(kSession); }

  std::unique_ptr<ManagerTestTable> owned_ =
      std::make_unique<ManagerTestTable>(std::initializer_list<ManagerTestField>{{"Num", sftInteger}, {"Name", sftVarchar, 6}});
  ManagerTestTable& table_ = *owned_;
};

TEST_F(IndexManagerTest, AddedIndexCoversTheStoredRecordsAndIsOpenedOnlyWhenNeeded) {
  for (Integer num : {30, 10, 20}) Store(num);
  TSQLMemIndexDef def;
  def.Name = "ByNum";
  def.SetColumnCount(1);
  def.GetColumn(0).Name = "Num";
  const Integer id = table_.Indexes().AddIndex(kSession, table_.AllRecords(), def);
  Apply();
  EXPECT_EQ(def.ObjectId, id);  // the caller's definition took the new id and the root
  EXPECT_EQ(Stored(id).Name, "ByNum");
  EXPECT_NE(Stored(id).RootPageNo, -1);
  EXPECT_EQ(Stored(id).RootPageNo, def.RootPageNo);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);

  TSQLMemIndex& index = table_.Indexes().GetIndex(id);
  EXPECT_EQ(&table_.Indexes().GetIndex(id), &index);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 1);
  EXPECT_EQ(Walk(id), (std::vector<Integer>{10, 20, 30}));
  table_.Indexes().CloseIndex(id);
  table_.Indexes().CloseIndex(id);  // not open: nothing happens
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
  ExpectEngineError([&] { table_.Indexes().GetIndex(id + 50); }, 20018, "Index not found - Native error: 20018");
}

TEST_F(IndexManagerTest, FailedBuildLeavesNoDefinitionBehind) {
  Store(1);
  TSQLMemIndexDef def;
  def.Name = "ByMissing";
  def.SetColumnCount(1);
  def.GetColumn(0).Name = "Missing";
  EXPECT_EQ(NativeErrorOf([&] { table_.Indexes().AddIndex(kSession, table_.AllRecords(), def); }), 20043);
  EXPECT_EQ(table_.Indexes().IndexDefs.GetCount(), 0);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
}

// Hands out the table's records and raises after a given number of them.
class FailingRecords : public TSQLMemIndexRecordSource {
 public:
  FailingRecords(TSQLMemIndexRecordSource& records, int failAfter) : records_(records), left_(failAfter) {}
  bool NextRecord(Byte* recordBuffer, TSQLMemRecordID& recordId) override {
    if (left_-- == 0) SQLMemError(10010, "Nil pointer occured");
    return records_.NextRecord(recordBuffer, recordId);
  }

 private:
  TSQLMemIndexRecordSource& records_;
  int left_;
};

TEST_F(IndexManagerTest, BuildFailingHalfwayLeavesNeitherDefinitionNorPages) {
  for (Integer num = 0; num < 40; ++num) Store(num);
  TSQLMemIndexDef def;
  def.Name = "ByNum";
  def.SetColumnCount(1);
  def.GetColumn(0).Name = "Num";
  FailingRecords records(table_.AllRecords(), 30);
  EXPECT_EQ(NativeErrorOf([&] { table_.Indexes().AddIndex(kSession, records, def); }), 10010);
  Apply();
  EXPECT_EQ(table_.Indexes().IndexDefs.GetCount(), 0);
  EXPECT_EQ(table_.Pages().AllocatedPageCount(), 0);
  EXPECT_EQ(def.RootPageNo, -1);
}

TEST_F(IndexManagerTest, StoredRootPageStaysTheTreesRootThroughSplitsAndAfterItsPagesWereDropped) {
  const Integer id = table_.AddIndex("ByNum", {"Num", "Name"});
  std::vector<Integer> nums(80);
  std::iota(nums.begin(), nums.end(), 0);
  std::shuffle(nums.begin(), nums.end(), std::mt19937(11));
  for (Integer num : nums) {
    Store(num, ("n" + std::to_string(num % 7)).c_str());
    ASSERT_EQ(Stored(id).RootPageNo, table_.Indexes().GetIndex(id).IndexDef().RootPageNo);
  }
  EXPECT_GT(table_.Pages().AllocatedPageCount(), 5) << "the keys should have split leaves and grown the tree";
  // The stored definition alone opens the whole tree again (as after saving and loading the table).
  table_.Indexes().CloseIndex(id);
  EXPECT_NO_THROW(table_.Indexes().GetIndex(id).Validate(kSession));
  EXPECT_EQ(Walk(id), StoredNums());

  table_.Indexes().DropIndexPages(kSession, id);
  Apply();
  EXPECT_EQ(Stored(id).RootPageNo, -1);
  EXPECT_EQ(table_.Pages().AllocatedPageCount(), 0);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
  // The next key makes a new root, which the stored definition takes over.
  const Integer before = Stored(id).RootPageNo;
  Store(500);
  EXPECT_NE(Stored(id).RootPageNo, before);
  table_.Indexes().CloseIndex(id);
  EXPECT_EQ(Walk(id), (std::vector<Integer>{500}));
}

TEST_F(IndexManagerTest, UpdatedRecordMovesToItsNewKeyInEveryIndex) {
  const Integer byNum = table_.AddIndex("ByNum", {"Num"});
  const Integer byName = table_.AddIndex("ByName", {"Name"});
  for (Integer num : {1, 2, 3}) Store(num, ("n" + std::to_string(num)).c_str());
  const TSQLMemRecordID second{2, 0};
  const std::vector<Byte> old = table_.Records().Rows().at(2);
  const std::vector<Byte> changed = Row(9, "n0");
  table_.Records().UpdateRecord(changed.data(), second, kSession);
  table_.Indexes().UpdateRecordKeys(TSQLMemIndexedRecord{kSession, changed.data(), old.data(), second});
  Apply();
  EXPECT_EQ(Walk(byNum), (std::vector<Integer>{1, 3, 9}));
  EXPECT_EQ(Walk(byName), (std::vector<Integer>{9, 1, 3}));
}

TEST_F(IndexManagerTest, DeletingKeysRereadsTheRecordAndDoesNothingForARecordAlreadyGone) {
  const Integer byNum = table_.AddIndex("ByNum", {"Num"});
  const Integer byName = table_.AddIndex("ByName", {"Name"});
  for (Integer num : {1, 2, 3}) Store(num, ("n" + std::to_string(num)).c_str());
  // The caller's buffer holds other values: the keys are found from the record as stored.
  std::vector<Byte> buffer = Row(77, "zz");
  table_.Indexes().DeleteRecordKeys(kSession, TSQLMemRecordID{2, 0}, buffer.data());
  Apply();
  EXPECT_EQ(NumOf(buffer), 2);
  table_.Records().DeleteRecord(TSQLMemRecordID{2, 0}, kSession);
  EXPECT_EQ(Walk(byNum), (std::vector<Integer>{1, 3}));
  EXPECT_EQ(Walk(byName), (std::vector<Integer>{1, 3}));

  // Removed meanwhile (by another session): no key is touched, nothing is raised.
  table_.Records().DeleteRecord(TSQLMemRecordID{3, 0}, kSession);
  std::vector<Byte> untouched = Row(55);
  EXPECT_NO_THROW(table_.Indexes().DeleteRecordKeys(kSession, TSQLMemRecordID{3, 0}, untouched.data()));
  EXPECT_EQ(NumOf(untouched), 55);
  EXPECT_EQ(table_.Pages().SessionPageCount(kSession), 0);
}

TEST_F(IndexManagerTest, NavigationFromARecordThatIsGoneLeavesTheIndexAlone) {
  const Integer id = table_.AddIndex("ByNum", {"Num"});
  for (Integer num : {5, 1, 3}) Store(num);  // record numbers 1, 2, 3
  std::vector<Byte> buffer = Row(0);
  TSQLMemNavigationRequest request = Request(id, buffer);
  request.RecordId = TSQLMemRecordID{3, 0};  // Num 3: the next in key order is 5
  table_.Indexes().NavigateByIndex(request);
  ASSERT_EQ(request.Result, nrFound);
  EXPECT_EQ(NumOf(buffer), 5);
  EXPECT_EQ(request.RecordId, (TSQLMemRecordID{1, 0}));

  table_.Indexes().CloseIndex(id);
  table_.Records().DeleteRecord(TSQLMemRecordID{2, 0}, kSession);
  buffer = Row(0);
  request = Request(id, buffer);
  request.RecordId = TSQLMemRecordID{2, 0};
  request.Result = nrFound;
  table_.Indexes().NavigateByIndex(request);
  EXPECT_EQ(request.Result, nrNotFound);
  EXPECT_EQ(request.RecordId, (TSQLMemRecordID{2, 0}));
  EXPECT_EQ(NumOf(buffer), 0);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
}

TEST_F(IndexManagerTest, ComparingRecordsByAnIndexLeavesNoIndexOpenThatWasNotOpenBefore) {
  const Integer id = table_.AddIndex("ByNumName", {"Num", "Name"});
  const std::vector<Byte> a = Row(1, "b");
  const std::vector<Byte> b = Row(1, "a");
  EXPECT_EQ(table_.Indexes().CompareRecordsByIndex(id, a.data(), b.data(), 1), 0);
  EXPECT_GT(table_.Indexes().CompareRecordsByIndex(id, a.data(), b.data(), 0), 0);  // all columns
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
  // An index open before the comparison stays open, and a reference to it stays good.
  TSQLMemIndex& open = table_.Indexes().GetIndex(id);
  EXPECT_LT(table_.Indexes().CompareRecordsByIndex(id, b.data(), a.data(), 2), 0);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 1);
  EXPECT_EQ(open.IndexDef().ObjectId, id);
  table_.Indexes().CloseIndex(id);
  ExpectEngineError([&] { table_.Indexes().CompareRecordsByIndex(99, a.data(), b.data(), 0); }, 11497,
                    "Cannot find index by ID = 99 - Native error: 11497");
  EXPECT_EQ(NativeErrorOf([&] { table_.Indexes().CompareRecordsByIndex(99, a.data(), b.data(), 1); }), 20018);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
}

TEST_F(IndexManagerTest, DefinitionsAndPagesRoundTripThroughTheStreamForm) {
  const Integer id = table_.AddIndex("ByNum", {"Num"});
  for (Integer num = 0; num < 40; ++num) Store(num * 7 % 40);
  TMemoryStream stream;
  table_.Indexes().SaveToStream(stream);
  ManagerTestTable copy{{"Num", sftInteger}, {"Name", sftVarchar, 6}};
  stream.SetPosition(0);
  copy.Indexes().LoadFromStream(stream);
  ASSERT_EQ(copy.Indexes().IndexDefs.GetCount(), 1);
  EXPECT_EQ(copy.Indexes().IndexDefs.GetItem(0).ObjectId, id);
  EXPECT_EQ(copy.Indexes().IndexDefs.GetItem(0).RootPageNo, Stored(id).RootPageNo);
  EXPECT_EQ(copy.Pages().AllocatedPageCount(), table_.Pages().AllocatedPageCount());
  EXPECT_NO_THROW(copy.Indexes().GetIndex(id).Validate(kSession));
}

TEST_F(IndexManagerTest, DeletingEveryIndexFreesTheirPagesAndDefinitions) {
  table_.AddIndex("ByNum", {"Num"});
  table_.AddIndex("ByName", {"Name"});
  for (Integer num = 0; num < 30; ++num) Store(num, "abc");
  table_.Indexes().GetIndex(table_.Indexes().IndexDefs.GetItem(1).ObjectId);
  table_.Indexes().DropAllIndexPages(kSession);
  Apply();
  EXPECT_EQ(table_.Pages().AllocatedPageCount(), 0);
  EXPECT_EQ(table_.Indexes().IndexDefs.GetCount(), 2);
  EXPECT_EQ(table_.Indexes().IndexDefs.GetItem(1).RootPageNo, -1);
  Store(99);
  table_.Indexes().DeleteAllIndexes(kSession);
  Apply();
  EXPECT_EQ(table_.Indexes().IndexDefs.GetCount(), 0);
  EXPECT_EQ(table_.Indexes().OpenIndexCount(), 0);
  EXPECT_EQ(table_.Pages().AllocatedPageCount(), 0);
}

}  // namespace
