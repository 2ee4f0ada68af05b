// The B-tree index over a fake table of records (an integer and a short text column), with pages small
// enough that a hundred records spread over many leaves and three levels; results are checked against
// brute force over the table's records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/BTreeTestSupport.h"

namespace {

constexpr Integer kSession = 1;

struct Row {
  std::optional<Integer> num;  // nullopt: NULL
  std::string name;
  TSQLMemRecordID id;
  std::vector<Byte> buffer;
};

// The table: field definitions Num (integer) and Name (text of 6), its records by id, and a page store
// of 128-byte pages (five keys to a leaf).
class FakeTable : public TSQLMemIndexTable, public TSQLMemIndexRecordSource, public TSQLMemRecordBitmapTable {
 public:
  FakeTable() : pages_(128, 200) {
    fields_.AddFieldDef().SetDataType(sftInteger, 0);
    fields_.GetFieldDef(0).Name = "Num";
    fields_.AddFieldDef().SetDataType(sftVarchar, 6);
    fields_.GetFieldDef(1).Name = "Name";
    fields_.UpdateLayout();
  }

  const TSQLMemFieldDefs* KeyFieldDefs() const override { return withoutFields_ ? nullptr : &fields_; }
  TSQLMemPageManager& IndexPageManager() override { return pages_; }
  void ReadIndexedRecord(TSQLMemNavigationRequest& request) override {
    EXPECT_EQ(request.Direction, ndCurrent);
    const Row& row = Find(request.RecordId);
    std::memcpy(request.RecordBuffer, row.buffer.data(), row.buffer.size());
  }
  bool NextRecord(Byte* recordBuffer, TSQLMemRecordID& recordId) override {
    if (cursor_ >= rows_.size()) return false;
    const Row& row = rows_[cursor_++];
    std::memcpy(recordBuffer, row.buffer.data(), row.buffer.size());
    recordId = row.id;
    return true;
  }
  Int64 GetRecordCount() override { return static_cast<Int64>(rows_.size()); }
  bool IsInMemory() const override { return true; }
  bool IsTemporary() const override { return false; }

  std::vector<Byte> Buffer(std::optional<Integer> num, const std::string& name) const {
    std::vector<Byte> buffer(static_cast<std::size_t>(fields_.RecordSize()), 0);
    PutRecordFieldData(0, fields_, num ? &*num : nullptr, buffer.data());
    PutRecordFieldData(1, fields_, name.c_str(), buffer.data());
    return buffer;
  }
  const Row& Add(std::optional<Integer> num, const std::string& name = "x") {
    const Integer n = nextNo_++;
    rows_.push_back({num, name, TSQLMemRecordID{n, static_cast<Word>(n % 5)}, Buffer(num, name)});
    return rows_.back();
  }
  const Row& Find(const TSQLMemRecordID& id) const {
    for (const Row& row : rows_)
      if (row.id == id) return row;
    throw std::runtime_error("no such record");
  }
  std::vector<Row>& Rows() { return rows_; }
  TSQLMemMemoryPageManager& Pages() { return pages_; }
  void Rewind() { cursor_ = 0; }
  bool withoutFields_ = false;

 private:
  TSQLMemFieldDefs fields_;
  TSQLMemMemoryPageManager pages_;
  std::vector<Row> rows_;
  std::size_t cursor_ = 0;
  Integer nextNo_ = 1;
};

// Brute-force order: NULL first, then by number, then by name (the index's order on unique keys).
bool RowLess(const Row& a, const Row& b) {
  if (a.num.has_value() != b.num.has_value()) return !a.num.has_value();
  if (a.num != b.num) return *a.num < *b.num;
  return a.name < b.name;
}

// Whether a record's Num passes a comparison of the given kind with v (NULL below every value).
bool Passes(const Row& row, Byte kind, Integer v) {
  return KindAccepts(!row.num ? -1 : (*row.num < v ? -1 : (*row.num > v ? 1 : 0)), kind);
}

class BTreeIndexTest : public EngineBlocksTest {
 protected:
  void TearDown() override {
    if (index_ != nullptr) {
      index_->DropIndex(kSession);
      table_.Pages().ApplyChanges(kSession);
      index_.reset();
    }
    owned_.reset();
    EngineBlocksTest::TearDown();
  }

  // An index on Num (and Name when both), created over the table's records.
  TSQLMemBTreeIndex& Create(bool unique = false, bool withName = true) {
    def_.Name = "ByNum";
    def_.Unique = unique ? 1 : 0;
    def_.SetColumnCount(withName ? 2 : 1);
    def_.GetColumn(0).Name = "num";  // found whatever its case
    if (withName) def_.GetColumn(1).Name = "Name";
    index_ = std::make_unique<TSQLMemBTreeIndex>(table_);
    table_.Rewind();
    index_->CreateIndex(kSession, def_, table_);
    table_.Pages().ApplyChanges(kSession);
    return *index_;
  }
  TSQLMemBTreeIndex& Index() { return *index_; }

  void Insert(const Row& row) {
    Index().InsertKey({kSession, row.buffer.data(), nullptr, row.id});
    table_.Pages().ApplyChanges(kSession);
  }

  std::vector<Row> Sorted() {
    std::vector<Row> rows = table_.Rows();
    std::stable_sort(rows.begin(), rows.end(), RowLess);
    return rows;
  }

  TSQLMemNavigationRequest Request(Byte direction, const TSQLMemRecordID& from, std::vector<Byte>& buffer) {
    TSQLMemNavigationRequest request;
    request.SessionId = kSession;
    request.Direction = direction;
    request.RecordId = from;
    request.RecordBuffer = buffer.data();
    return request;
  }

  // A scan condition on the leading column.
  TSQLMemScanSearchCondition Condition(Byte kind, std::vector<Byte>& keyBuffer, Integer v) {
    keyBuffer = table_.Buffer(v, "");
    TSQLMemScanSearchCondition condition;
    condition.Kind = kind;
    condition.KeyBuffer = keyBuffer.data();
    condition.KeyFieldCount = 1;
    return condition;
  }

  // Ids of the unique-key table of 0..n-1 in shuffled order.
  void FillUnique(int n) {
    std::vector<int> nums(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) nums[static_cast<std::size_t>(i)] = i;
    std::shuffle(nums.begin(), nums.end(), std::mt19937(7));
    for (int v : nums) table_.Add(v, "n" + std::to_string(v % 10));
  }

  std::unique_ptr<FakeTable> owned_ = std::make_unique<FakeTable>();  // its store goes before the leak check
  FakeTable& table_ = *owned_;
  TSQLMemIndexDef def_;
  std::unique_ptr<TSQLMemBTreeIndex> index_;  // its pages are freed at the end
};

}  // namespace

TEST_F(BTreeIndexTest, KeyRefIsBuiltFromTheIndexColumnsAndTheTableFields) {
  TSQLMemIndexDef def;
  def.SetColumnCount(2);
  def.GetColumn(0).Name = "NAME";
  def.GetColumn(0).Descending = 1;
  def.GetColumn(0).CaseInsensitive = 1;
  def.GetColumn(1).Name = "Num";
  TSQLMemBTreeKeyRef keyRef;
  keyRef.Build(def, &table_);
  ASSERT_EQ(keyRef.ColumnCount(), 2);
  const TSQLMemFieldDefs& fields = *table_.KeyFieldDefs();
  EXPECT_EQ(keyRef.Column(0).FieldNo, 1);
  EXPECT_EQ(keyRef.Column(0).RecordOffset, fields.GetFieldDef(1).RecordOffset);
  EXPECT_TRUE(keyRef.Column(0).Descending && keyRef.Column(0).CaseInsensitive);
  EXPECT_EQ(keyRef.Column(1).FieldNo, 0);
  EXPECT_EQ(keyRef.Column(1).KeyOffset, fields.GetFieldDef(1).DataSize + 1);
  EXPECT_EQ(keyRef.KeySize(), fields.GetFieldDef(0).DataSize + fields.GetFieldDef(1).DataSize + 2);
  EXPECT_EQ(keyRef.ColumnsInUse(), 2);

  // Rebuilding replaces the columns; a failed build leaves them alone.
  def.SetColumnCount(1);
  keyRef.Build(def, &table_);
  EXPECT_EQ(keyRef.ColumnCount(), 1);
  def.GetColumn(0).Name = "Missing";
  EXPECT_EQ(NativeErrorOf([&] { keyRef.Build(def, &table_); }), 20043);
  EXPECT_EQ(NativeErrorOf([&] { keyRef.Build(def, nullptr); }), 20044);
  table_.withoutFields_ = true;
  EXPECT_EQ(NativeErrorOf([&] { keyRef.Build(def, &table_); }), 20045);
  EXPECT_EQ(keyRef.ColumnCount(), 1);
}

TEST_F(BTreeIndexTest, KeyPathCacheKeepsTheLastLookedUpPathBesideTheCurrentOne) {
  TSQLMemKeyPathCache cache;
  const TSQLMemRecordID a{5, 1}, b{6, 2}, c{7, 3};
  TSQLMemKeyPath found, moved;
  found.AddLevel(3, 1, 4);
  moved.AddLevel(3, 2, 4);
  cache.SetLookedUpPath(1, a, found);  // a session without an entry keeps nothing
  EXPECT_EQ(cache.GetPath(1, a, false)->Count(), 0);
  cache.SetLookedUpPath(1, a, found);
  cache.SetPath(1, b, moved);  // the cursor moved on from a to b
  EXPECT_EQ(TSQLMemKeyPath::Compare(*cache.GetPath(1, b, false), moved), 0);
  EXPECT_EQ(TSQLMemKeyPath::Compare(*cache.GetPath(1, a, false), found), 0) << "back at the looked-up record";
  EXPECT_EQ(cache.GetPath(1, c, false)->Count(), 0) << "a path belongs to its record";
  EXPECT_EQ(cache.GetPath(1, a, true)->Count(), 0) << "a reset asks for no path";
  EXPECT_EQ(cache.GetPath(2, a, false)->Count(), 0) << "another session's path is not shared";
  cache.Remove(-1);  // what every change of the index's keys does
  EXPECT_EQ(cache.GetPath(1, a, false)->Count(), 0);
}

TEST_F(BTreeIndexTest, KeyPathCacheKeepsOnePathPerSessionForItsRecord) {
  TSQLMemKeyPathCache cache;
  const TSQLMemRecordID a{5, 1}, b{6, 2};
  TSQLMemKeyPath path;
  path.AddLevel(3, 1, 4);
  path.AddLevel(9, 2, 5);
  EXPECT_EQ(NativeErrorOf([&] { cache.SetPath(1, a, path); }), 11630);
  EXPECT_EQ(cache.GetPath(1, a, false)->Count(), 0);  // the session gets its entry
  cache.SetPath(1, a, path);
  EXPECT_EQ(TSQLMemKeyPath::Compare(*cache.GetPath(1, a, false), path), 0);
  EXPECT_EQ(cache.GetPath(2, a, false)->Count(), 0) << "another session's path is not shared";
  EXPECT_EQ(cache.GetPath(1, b, false)->Count(), 0) << "a path belongs to its record";
  EXPECT_EQ(cache.GetPath(1, a, false)->Count(), 0) << "the other record's request cleared it";
  cache.SetPath(1, a, path);
  EXPECT_EQ(cache.GetPath(1, a, true)->Count(), 0);
  EXPECT_EQ(cache.Count(), 2);
  cache.Remove(2);
  EXPECT_EQ(cache.Count(), 1);
  cache.Remove(-1);
  EXPECT_EQ(cache.Count(), 0);
}

TEST_F(BTreeIndexTest, NavigationWalksKeyOrderBothWaysAndAnswersAtTheEnds) {
  FillUnique(120);
  TSQLMemBTreeIndex& index = Create();
  EXPECT_EQ(def_.RootPageNo, index.RootPageNo());
  ASSERT_NO_THROW(index.Validate(kSession));
  const std::vector<Row> order = Sorted();
  std::vector<Byte> buffer(table_.Rows()[0].buffer.size());

  // Forward from the first flag: every record in key order, its data copied, then after-last.
  TSQLMemNavigationRequest request = Request(ndNext, {}, buffer);
  request.First = 1;
  for (const Row& expected : order) {
    index.Navigate(request);
    ASSERT_EQ(request.Result, nrFound);
    ASSERT_EQ(request.RecordId, expected.id);
    ASSERT_EQ(buffer, expected.buffer);
    EXPECT_EQ(request.First, 0);
    EXPECT_EQ(request.Direction, ndNext);
  }
  index.Navigate(request);
  EXPECT_EQ(request.Result, nrAfterLast);
  EXPECT_EQ(request.Last, 1);
  EXPECT_EQ(request.RecordId, order.back().id);

  // Backward from the last flag. Moving on past an end answers that end, as natural order does: next
  // after the last and prior before the first find nothing.
  const struct {
    Byte direction;
    bool first;
    Byte result;
  } ends[] = {{ndNext, false, nrAfterLast}, {ndPrior, true, nrBeforeFirst}};
  for (const auto& end : ends) {
    request = Request(end.direction, order[3].id, buffer);
    (end.first ? request.First : request.Last) = 1;
    index.Navigate(request);
    EXPECT_EQ(request.Result, end.result);
    EXPECT_EQ(request.RecordId, order[3].id) << "the request keeps its record";
  }
  request = Request(ndPrior, {}, buffer);
  request.Last = 1;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    index.Navigate(request);
    ASSERT_EQ(request.Result, nrFound);
    ASSERT_EQ(request.RecordId, it->id);
  }
  index.Navigate(request);
  EXPECT_EQ(request.Result, nrBeforeFirst);
  EXPECT_EQ(request.First, 1);

  // A session without a remembered path finds the record by its key; a record not in the index is
  // not found.
  TSQLMemNavigationRequest other = Request(ndNext, order[40].id, buffer);
  other.SessionId = 7;
  std::copy(order[40].buffer.begin(), order[40].buffer.end(), buffer.begin());
  index.Navigate(other);
  EXPECT_EQ(other.Result, nrFound);
  EXPECT_EQ(other.RecordId, order[41].id);
  other = Request(ndPrior, {999, 0}, buffer);
  const std::vector<Byte> absent = table_.Buffer(500, "zz");
  std::copy(absent.begin(), absent.end(), buffer.begin());
  index.Navigate(other);
  EXPECT_EQ(other.Result, nrNotFound);
  other.Direction = ndCurrent;
  EXPECT_EQ(NativeErrorOf([&] { index.Navigate(other); }), 20053);
  index.ReleaseCache(-1);
  EXPECT_EQ(index.Cache().Count(), 0);
}

TEST_F(BTreeIndexTest, AnEmptyIndexHasARootButNoRecords) {
  TSQLMemBTreeIndex& index = Create();
  EXPECT_NE(index.RootPageNo(), -1);
  std::vector<Byte> buffer(table_.Buffer(1, "a").size());
  for (Byte direction : {ndNext, ndPrior}) {
    TSQLMemNavigationRequest request = Request(direction, {}, buffer);
    request.First = 1;
    index.Navigate(request);
    EXPECT_EQ(request.Result, nrAfterLast);
  }
  EXPECT_EQ(NativeErrorOf([&] { index.GetRecordIdByNo(kSession, nullptr, 1); }), 20074);
  const Row& row = table_.Add(3, "a");
  EXPECT_EQ(NativeErrorOf([&] { index.DeleteKey({kSession, row.buffer.data(), nullptr, row.id}); }), 20027);
  EXPECT_EQ(index.GetRecordNo(kSession, row.id, nullptr, row.buffer.data()), -1);

  // An index opened without a tree: deleting or moving a key is refused before any page is asked for.
  TSQLMemIndexDef def;
  def.SetColumnCount(1);
  def.GetColumn(0).Name = "Num";
  TSQLMemBTreeIndex bare(table_);
  bare.OpenIndex(def);
  const std::vector<Byte> other = table_.Buffer(4, "a");
  EXPECT_EQ(NativeErrorOf([&] { bare.DeleteKey({kSession, row.buffer.data(), nullptr, row.id}); }), 20027);
  EXPECT_EQ(NativeErrorOf([&] { bare.UpdateKey({kSession, other.data(), row.buffer.data(), row.id}); }), 20027);
  EXPECT_TRUE(bare.IsKeyFree(kSession, row.buffer.data()));
  TSQLMemNavigationRequest request = Request(ndNext, {}, buffer);
  request.First = 1;
  bare.Navigate(request);
  EXPECT_EQ(request.Result, nrAfterLast);
}

TEST_F(BTreeIndexTest, RecordNumbersRoundTripAcrossLeavesWithAndWithoutABitmap) {
  FillUnique(97);
  TSQLMemBTreeIndex& index = Create();
  const std::vector<Row> order = Sorted();
  for (std::size_t i = 0; i < order.size(); ++i) {
    ASSERT_EQ(index.GetRecordNo(kSession, order[i].id, nullptr, order[i].buffer.data()), Int64(i + 1));
    ASSERT_EQ(index.GetRecordIdByNo(kSession, nullptr, Int64(i + 1)), order[i].id);
  }
  for (Int64 outside : {Int64{0}, Int64{-1}, Int64(order.size() + 1)})
    EXPECT_EQ(NativeErrorOf([&] { index.GetRecordIdByNo(kSession, nullptr, outside); }), 20075) << outside;

  // An active bitmap holding every third record (in id order) numbers only those.
  TSQLMemRecordBitmap bitmap(&table_);
  bitmap.SetActive(true);
  std::vector<Row> byId = table_.Rows();
  std::sort(byId.begin(), byId.end(), [](const Row& a, const Row& b) { return a.id.RecordNo < b.id.RecordNo; });
  for (std::size_t i = 0; i < byId.size(); i += 3) bitmap.AddRecord(byId[i].id);
  Int64 n = 0;
  for (const Row& row : order) {
    if (!bitmap.CheckRecord(row.id)) continue;
    ++n;
    ASSERT_EQ(index.GetRecordNo(kSession, row.id, &bitmap, row.buffer.data()), n);
    ASSERT_EQ(index.GetRecordIdByNo(kSession, &bitmap, n), row.id);
  }
  EXPECT_EQ(NativeErrorOf([&] { index.GetRecordIdByNo(kSession, &bitmap, n + 1); }), 20075);
  bitmap.SetActive(false);
  EXPECT_EQ(index.GetRecordIdByNo(kSession, &bitmap, 50), order[49].id) << "an inactive bitmap filters nothing";
}

TEST_F(BTreeIndexTest, RemoveDuplicatesKeepsTheFirstRecordOfEachKeyInTheBitmap) {
  std::mt19937 rng(3);
  for (int i = 0; i < 80; ++i) {
    const int v = static_cast<int>(rng() % 12);
    table_.Add(v == 0 ? std::nullopt : std::optional<Integer>(v), "d");
  }
  TSQLMemBTreeIndex& index = Create();
  TSQLMemRecordBitmap bitmap(&table_);
  bitmap.SetActive(true);
  std::set<std::optional<Integer>> keysInBitmap;
  for (const Row& row : table_.Rows())
    if (row.id.RecordNo % 4 != 0) {
      bitmap.AddRecord(row.id);
      keysInBitmap.insert(row.num);
    }
  index.RemoveDuplicates(kSession, &bitmap);
  EXPECT_EQ(bitmap.GetCount(), Int64(keysInBitmap.size()));
  std::set<std::optional<Integer>> kept;
  for (const Row& row : table_.Rows())
    if (bitmap.CheckRecord(row.id)) {
      EXPECT_TRUE(kept.insert(row.num).second) << "two records of one key kept";
    }
  EXPECT_EQ(kept, keysInBitmap);
  EXPECT_EQ(NativeErrorOf([&] { index.RemoveDuplicates(kSession, nullptr); }), 20076);
}

// One range scan: conditions on Num (kind 0: none) and a direction.
struct ScanCase {
  Byte startKind;
  Integer start;
  Byte endKind;
  Integer end;
  bool forward;
};

TEST_F(BTreeIndexTest, RangeScansReturnExactlyTheRecordsInRangeInScanOrder) {
  std::mt19937 rng(11);
  for (int i = 0; i < 110; ++i) {
    const int v = static_cast<int>(rng() % 40);
    table_.Add(v < 3 ? std::nullopt : std::optional<Integer>(v), "s" + std::to_string(i % 3));
  }
  TSQLMemBTreeIndex& index = Create();
  std::vector<ScanCase> cases;
  for (Byte kind = ckEqual; kind <= ckGreaterOrEqual; ++kind)
    for (bool forward : {true, false})
      for (Integer v : {-5, 3, 17, 20, 39, 60}) cases.push_back({kind, v, ckNone, 0, forward});
  for (bool forward : {true, false}) {
    cases.push_back({ckNone, 0, ckNone, 0, forward});
    for (auto [a, b] : {std::pair{5, 30}, std::pair{17, 17}, std::pair{30, 5}, std::pair{-3, 100}}) {
      // The start is the bound the scan begins at: the lower one forward, the upper one backward.
      const Byte lowers[] = {ckGreater, ckGreaterOrEqual};
      const Byte uppers[] = {ckLess, ckLessOrEqual};
      for (Byte lower : lowers)
        for (Byte upper : uppers)
          cases.push_back(forward ? ScanCase{lower, a, upper, b, true} : ScanCase{upper, b, lower, a, false});
    }
    cases.push_back({ckNone, 0, forward ? ckLessOrEqual : ckGreaterOrEqual, 20, forward});  // end bound only
  }
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "start " << int(c.startKind) << " " << c.start << ", end " << int(c.endKind)
                                      << " " << c.end << (c.forward ? " forward" : " backward"));
    std::vector<Byte> startKey, endKey;
    const TSQLMemScanSearchCondition start = Condition(c.startKind, startKey, c.start);
    const TSQLMemScanSearchCondition end = Condition(c.endKind, endKey, c.end);
    std::multiset<Integer> expected;
    for (const Row& row : table_.Rows())
      if (Passes(row, c.startKind, c.start) && Passes(row, c.endKind, c.end)) expected.insert(row.id.RecordNo);

    auto state = index.CreateScanState();
    std::multiset<Integer> got;
    const Row* previous = nullptr;
    TSQLMemRecordID id;
    for (bool first = true; index.ScanNext(kSession, first, state.get(), id, nullptr, c.startKind ? &start : nullptr,
                                           c.endKind ? &end : nullptr, c.forward);
         first = false) {
      const Row& row = table_.Find(id);
      got.insert(id.RecordNo);
      if (previous != nullptr) {
        ASSERT_FALSE(c.forward ? RowLess(row, *previous) && row.num != previous->num
                               : RowLess(*previous, row) && row.num != previous->num)
            << "out of scan order";
      }
      previous = &row;
      ASSERT_LE(got.size(), table_.Rows().size());
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(state->Started, !expected.empty());
    if (state->Started) {
      EXPECT_EQ(state->Forward, c.forward);
      EXPECT_EQ(NativeErrorOf([&] { index.ScanNext(kSession, true, state.get(), id, nullptr, nullptr, nullptr, true); }),
                20078);
    }
  }
  TSQLMemRecordID id;
  EXPECT_EQ(NativeErrorOf([&] { index.ScanNext(kSession, true, nullptr, id, nullptr, nullptr, nullptr, true); }), 20077);
}

TEST_F(BTreeIndexTest, AScanContinuesAfterAGivenRecordOrFromTheRangeStart) {
  FillUnique(60);
  TSQLMemBTreeIndex& index = Create();
  const std::vector<Row> order = Sorted();
  std::vector<Byte> key;
  struct Resume {
    Integer from;       // the record to continue after
    Integer rangeFrom;  // the start condition ">= rangeFrom"
    Integer expectedFirst;
  };
  // Inside the range: the record after it. Before the range: the range's first record, also when that is
  // the index's very first record.
  for (const Resume& r : {Resume{30, 10, 31}, Resume{5, 20, 20}, Resume{0, 0, 1}, Resume{40, 0, 41}}) {
    SCOPED_TRACE(r.from);
    const TSQLMemScanSearchCondition start = Condition(ckGreaterOrEqual, key, r.rangeFrom);
    const Row& from = order[static_cast<std::size_t>(r.from)];
    auto state = index.CreateScanState();
    TSQLMemRecordID id = from.id;
    ASSERT_TRUE(index.ScanNext(kSession, false, state.get(), id, from.buffer.data(), &start, nullptr, true));
    EXPECT_EQ(table_.Find(id).num, r.expectedFirst);
    ASSERT_TRUE(index.ScanNext(kSession, false, state.get(), id, nullptr, &start, nullptr, true));
    EXPECT_EQ(table_.Find(id).num, r.expectedFirst + 1);
  }
  // Without a condition the scan continues after the record, backward here.
  auto state = index.CreateScanState();
  TSQLMemRecordID id = order[10].id;
  ASSERT_TRUE(index.ScanNext(kSession, false, state.get(), id, order[10].buffer.data(), nullptr, nullptr, false));
  EXPECT_EQ(table_.Find(id).num, 9);
}

TEST_F(BTreeIndexTest, RangeEstimatesStayWithinTheCountAndNearTheTruth) {
  const int total = 150;
  FillUnique(total);
  TSQLMemBTreeIndex& index = Create();
  std::vector<Byte> k1, k2;
  for (auto [a, b] : {std::pair{10, 60}, std::pair{0, 149}, std::pair{-10, 500}, std::pair{70, 71}, std::pair{90, 20},
                      std::pair{200, 300}, std::pair{-9, -1}}) {
    SCOPED_TRACE(::testing::Message() << a << ".." << b);
    const TSQLMemScanSearchCondition lower = Condition(ckGreater, k1, a);
    const TSQLMemScanSearchCondition upper = Condition(ckLess, k2, b);
    const Int64 estimate = index.EstimateRangeCount(kSession, lower, upper, total);
    EXPECT_EQ(index.EstimateRangeCount(kSession, upper, lower, total), estimate) << "the bounds in either order";
    int truth = 0;
    for (const Row& row : table_.Rows()) truth += (*row.num > a && *row.num < b) ? 1 : 0;
    EXPECT_GE(estimate, 0);
    EXPECT_LE(estimate, total);
    EXPECT_NEAR(double(estimate), double(truth), total * 0.15);
    if (truth == 0) {
      EXPECT_EQ(estimate, 0);
    }
  }
}

TEST_F(BTreeIndexTest, AUniqueIndexRefusesAnExistingKeyIncludingNull) {
  table_.Add(1);
  table_.Add(std::nullopt);
  TSQLMemBTreeIndex& index = Create(true, false);
  const std::vector<Byte> one = table_.Buffer(1, "other");
  const std::vector<Byte> two = table_.Buffer(2, "");
  const std::vector<Byte> null = table_.Buffer(std::nullopt, "");
  EXPECT_FALSE(index.IsKeyFree(kSession, one.data()));
  EXPECT_FALSE(index.IsKeyFree(kSession, null.data())) << "NULL keys are equal";
  EXPECT_TRUE(index.IsKeyFree(kSession, two.data()));
  EXPECT_TRUE(index.IsUpdateKeyFree(kSession, one.data(), table_.Rows()[0].buffer.data())) << "its own key";
  EXPECT_FALSE(index.IsUpdateKeyFree(kSession, two.data(), one.data()));
  EXPECT_TRUE(index.IsUpdateKeyFree(kSession, one.data(), two.data()));

  // The same records under an index that is not unique: every key is free.
  TSQLMemIndexDef def;
  def.SetColumnCount(1);
  def.GetColumn(0).Name = "Num";
  def.RootPageNo = index.RootPageNo();
  TSQLMemBTreeIndex plain(table_);
  plain.OpenIndex(def);
  EXPECT_TRUE(plain.IsKeyFree(kSession, one.data()));
  EXPECT_EQ(plain.GetRecordNo(kSession, table_.Rows()[0].id, nullptr, one.data()), 2) << "the tree opened is the same";
}

TEST_F(BTreeIndexTest, InsertDeleteAndUpdateKeepTheTreeEqualToTheTable) {
  TSQLMemBTreeIndex& index = Create();
  std::mt19937 rng(5);
  auto checkAll = [&] {
    ASSERT_NO_THROW(index.Validate(kSession));
    const std::vector<Row> order = Sorted();
    for (std::size_t i = 0; i < order.size(); ++i) {
      const TSQLMemRecordID id = index.GetRecordIdByNo(kSession, nullptr, Int64(i + 1));
      const Row& row = table_.Find(id);
      ASSERT_FALSE(RowLess(row, order[i]) || RowLess(order[i], row)) << "position " << i;
    }
    if (!order.empty()) {
      EXPECT_EQ(NativeErrorOf([&] { index.GetRecordIdByNo(kSession, nullptr, Int64(order.size() + 1)); }), 20075);
    }
  };
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    std::vector<Row>& rows = table_.Rows();
    const unsigned roll = static_cast<unsigned>(rng() % 10);
    const std::optional<Integer> v = rng() % 8 == 0 ? std::nullopt : std::optional<Integer>(static_cast<Integer>(rng() % 50));
    if (rows.empty() || roll < (step < 250 ? 6u : 2u)) {
      Insert(table_.Add(v, "i"));
    } else if (roll < 8) {
      const std::size_t victim = rng() % rows.size();
      index.DeleteKey({kSession, rows[victim].buffer.data(), nullptr, rows[victim].id});
      table_.Pages().ApplyChanges(kSession);
      rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(victim));
    } else {
      Row& row = rows[rng() % rows.size()];
      std::vector<Byte> old = row.buffer;
      row.num = v;
      row.buffer = table_.Buffer(v, row.name);
      index.UpdateKey({kSession, row.buffer.data(), old.data(), row.id});
      table_.Pages().ApplyChanges(kSession);
    }
    if (step % 20 == 0) checkAll();
  }
  checkAll();
  const Row& gone = table_.Rows().front();
  std::vector<Byte> elsewhere = table_.Buffer(1000, "q");
  EXPECT_EQ(NativeErrorOf([&] { index.DeleteKey({kSession, elsewhere.data(), nullptr, gone.id}); }), 20027);
  EXPECT_EQ(NativeErrorOf([&] { index.UpdateKey({kSession, gone.buffer.data(), elsewhere.data(), gone.id}); }), 20027);
}

// A record's key taken out (a merge may free a page) and put back changed (a split may add one) in one
// change set: the number freed by the merge is reused by the split before the apply. Mostly each pair
// starts from applied pages (the freed page then comes from the cache); sometimes the change set spans
// several pairs.
TEST_F(BTreeIndexTest, DeletesAndInsertsBetweenAppliesKeepTheLeafChainSound) {
  FillUnique(150);
  TSQLMemBTreeIndex& index = Create();
  std::mt19937 rng(11);
  std::vector<Row>& rows = table_.Rows();
  for (int step = 0; step < 300; ++step) {
    SCOPED_TRACE(step);
    Row& row = rows[rng() % rows.size()];
    index.DeleteKey({kSession, row.buffer.data(), nullptr, row.id});
    ASSERT_NO_THROW(index.Validate(kSession));
    row.num = rng() % 8 == 0 ? std::nullopt : std::optional<Integer>(static_cast<Integer>(rng() % 50));
    row.buffer = table_.Buffer(row.num, row.name);
    index.InsertKey({kSession, row.buffer.data(), nullptr, row.id});
    ASSERT_NO_THROW(index.Validate(kSession));
    if (step % 5 != 4) table_.Pages().ApplyChanges(kSession);
  }
  table_.Pages().ApplyChanges(kSession);
  ASSERT_NO_THROW(index.Validate(kSession));
  const std::vector<Row> order = Sorted();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Row& row = table_.Find(index.GetRecordIdByNo(kSession, nullptr, Int64(i + 1)));
    ASSERT_FALSE(RowLess(row, order[i]) || RowLess(order[i], row)) << "position " << i;
  }
}

TEST_F(BTreeIndexTest, DeletingFromTheFrontMergesIntoNextSiblingsWithSoundSeparators) {
  // The first page of every level has no prior sibling, so emptying the index from its first key
  // merges leaves and nodes into their next siblings from entry 0 again and again.
  FillUnique(150);
  TSQLMemBTreeIndex& index = Create(false, false);
  std::vector<Row> order = Sorted();
  std::vector<Byte> key;
  for (std::size_t i = 0; i < order.size(); ++i) {
    SCOPED_TRACE(i);
    index.DeleteKey({kSession, order[i].buffer.data(), nullptr, order[i].id});
    table_.Pages().ApplyChanges(kSession);
    ASSERT_NO_THROW(index.Validate(kSession));
    // Every key left is still found by a search from the root, which follows the separators.
    for (std::size_t j = i + 1; j < order.size(); j += 7) {
      const TSQLMemScanSearchCondition equal = Condition(ckEqual, key, *order[j].num);
      auto state = index.CreateScanState();
      TSQLMemRecordID id;
      ASSERT_TRUE(index.ScanNext(kSession, true, state.get(), id, nullptr, &equal, nullptr, true)) << *order[j].num;
      ASSERT_EQ(id, order[j].id);
    }
  }
  EXPECT_EQ(NativeErrorOf([&] { index.GetRecordIdByNo(kSession, nullptr, 1); }), 20074);
}

