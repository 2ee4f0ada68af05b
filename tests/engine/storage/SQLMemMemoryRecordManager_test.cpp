#include "engine/storage/SQLMemMemoryRecordManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "engine/foundation/SQLMemMemory.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/StreamBytes.h"

namespace {

constexpr Integer kRecordSize = 12;

// A record whose bytes all hold one value, so a slot's contents name the record stored there.
std::vector<Byte> Record(Byte value) { return std::vector<Byte>(kRecordSize, value); }

TSQLMemRecordID Id(Integer slot) { return TSQLMemRecordID{slot, 0}; }

Integer Append(TSQLMemMemoryRecordManager& manager, Byte value) {
  TSQLMemRecordID id{-99, 7};
  const std::vector<Byte> record = Record(value);
  EXPECT_TRUE(manager.AppendRecord(record.data(), id, 1));
  EXPECT_EQ(id.ItemNo, 0);
  return id.RecordNo;
}

// Runs one navigation request; answers the result and, when found, the slot and the first data byte.
struct Move {
  Byte result;
  Integer slot = -1;
  Byte value = 0;
};

Move Navigate(TSQLMemMemoryRecordManager& manager, Byte direction, Integer from, bool first = false, bool last = false) {
  std::vector<Byte> buffer(kRecordSize, 0);
  TSQLMemNavigationRequest request;
  request.Direction = direction;
  request.RecordId = Id(from);
  request.RecordBuffer = buffer.data();
  request.First = first ? 1 : 0;
  request.Last = last ? 1 : 0;
  manager.NavigateRecord(request);
  if (request.Result != nrFound) return {request.Result};
  EXPECT_EQ(request.First, 0);
  EXPECT_EQ(request.Last, 0);
  return {request.Result, request.RecordId.RecordNo, buffer[0]};
}

// Slots in slot order, walked through the record manager from the first record on.
std::vector<Integer> WalkForward(TSQLMemMemoryRecordManager& manager) {
  std::vector<Integer> slots;
  Move m = Navigate(manager, ndNext, 0, true);
  while (m.result == nrFound) {
    slots.push_back(m.slot);
    m = Navigate(manager, ndNext, m.slot);
  }
  EXPECT_EQ(m.result, nrAfterLast);
  return slots;
}

// A table that records the BLOB hooks the store calls on update.
class BLOBTable : public TSQLMemMemoryRecordTable {
 public:
  bool HasBLOBFields() const override { return true; }
  void FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord) override {
    calls.push_back("free " + std::to_string(storedRecord[0]) + "->" + std::to_string(newRecord[0]));
  }
  void MarkStoredBLOBs(Byte* storedRecord) override {
    calls.push_back("mark " + std::to_string(storedRecord[0]));
    storedRecord[1] = 0xF0;
  }
  std::vector<std::string> calls;
};

}  // namespace

class MemoryRecordManagerTest : public EngineBlocksTest {};

TEST_F(MemoryRecordManagerTest, RecordSizeZeroIsRefused) {
  ExpectEngineError([] { TSQLMemMemoryRecordManager manager(nullptr, 0, 0); }, 10011,
                    "Invalid record size = 0 - Native error: 10011");
}

TEST_F(MemoryRecordManagerTest, GrowthFollowsAllocBy) {
  // AllocBy 0: one slot per append.
  TSQLMemMemoryRecordManager single(nullptr, 0, kRecordSize);
  for (Integer i = 0; i < 3; ++i) {
    EXPECT_EQ(Append(single, static_cast<Byte>(i)), i);
    EXPECT_EQ(single.Capacity(), i + 1);
  }
  // AllocBy 4: the first growth takes 4 slots, the next the memory manager's step for 5 records (or
  // more, when one step is smaller than a record).
  TSQLMemMemoryRecordManager stepped(nullptr, 4, kRecordSize);
  Append(stepped, 1);
  EXPECT_EQ(stepped.Capacity(), 4);
  for (Byte i = 2; i <= 5; ++i) Append(stepped, i);
  EXPECT_EQ(stepped.Capacity(), 4 + GetAllocationStep(5 * kRecordSize) / kRecordSize);
  TSQLMemMemoryRecordManager wide(nullptr, 1, 5000);
  std::vector<Byte> big(5000, 1);
  TSQLMemRecordID id;
  ASSERT_TRUE(wide.AppendRecord(big.data(), id, 1));
  ASSERT_TRUE(wide.AppendRecord(big.data(), id, 1));
  ASSERT_LT(GetAllocationStep(2 * 5000), 5000);
  EXPECT_EQ(wide.Capacity(), 2) << "a step smaller than a record still makes room for the record";
}

TEST_F(MemoryRecordManagerTest, SlotRulesOfAppendAndDelete) {
  TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
  EXPECT_EQ(manager.Dense(), 255);
  for (Byte v = 10; v < 13; ++v) Append(manager, v);
  EXPECT_EQ(manager.MinSlot(), 0);
  EXPECT_EQ(manager.MaxSlot(), 2);

  // Deleting the first of three: MinSlot moves on, Dense goes, record number 1 is slot 1.
  EXPECT_TRUE(manager.DeleteRecord(Id(0), 1));
  EXPECT_EQ(manager.GetRecordCount(), 2);
  EXPECT_EQ(manager.MinSlot(), 1);
  EXPECT_EQ(manager.Dense(), 0);
  EXPECT_EQ(manager.RecordNoToSlot(0), 1);
  EXPECT_EQ(manager.SlotToRecordNo(1), 1);
  EXPECT_FALSE(manager.DeleteRecord(Id(0), 1)) << "a free slot cannot be deleted twice";

  // Deleting the last: MaxSlot moves back, so the next append lands right after the new last record.
  EXPECT_TRUE(manager.DeleteRecord(Id(2), 1));
  EXPECT_EQ(manager.MaxSlot(), 1);
  EXPECT_EQ(Append(manager, 20), 2);

  // Deleting every record empties the store; the next append starts at slot 0 again.
  EXPECT_TRUE(manager.DeleteRecord(Id(1), 1));
  EXPECT_TRUE(manager.DeleteRecord(Id(2), 1));
  EXPECT_EQ(manager.GetRecordCount(), 0);
  EXPECT_EQ(manager.Capacity(), 0);
  EXPECT_EQ(manager.MaxSlot(), 0);
  EXPECT_FALSE(manager.DeleteRecord(Id(0), 1));
  EXPECT_EQ(Append(manager, 30), 0);
  EXPECT_EQ(manager.Dense(), 0) << "an emptied store keeps its Dense flag";
}

TEST_F(MemoryRecordManagerTest, ExistenceAndUpdateAskForALiveSlot) {
  TSQLMemMemoryRecordManager manager(nullptr, 8, kRecordSize);
  for (Byte v = 1; v <= 4; ++v) Append(manager, v);
  ASSERT_TRUE(manager.DeleteRecord(Id(1), 1));
  ASSERT_EQ(manager.Capacity(), 8);
  const std::vector<Byte> record = Record(99);
  struct Case {
    Integer slot;
    bool live;
  };
  // Slot 1 was deleted; 4..7 were allocated and never used; the rest lie outside the store.
  for (const Case& c : {Case{-1, false}, Case{0, true}, Case{1, false}, Case{3, true}, Case{4, false},
                        Case{7, false}, Case{8, false}, Case{1 << 30, false}}) {
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(manager.RecordExists(Id(c.slot), 1), c.live);
    EXPECT_EQ(manager.UpdateRecord(record.data(), Id(c.slot), 1), c.live);
  }
  EXPECT_EQ(manager.SlotData(0)[0], 99);
  EXPECT_EQ(manager.SlotData(1)[0], 2) << "the deleted slot was not written";
  EXPECT_EQ(manager.GetRecordCount(), 3);
}

TEST_F(MemoryRecordManagerTest, UpdateHandsTheReplacedBLOBsToTheTable) {
  BLOBTable table;
  TSQLMemMemoryRecordManager manager(&table, 0, kRecordSize);
  Append(manager, 5);
  std::vector<Byte> record = Record(6);
  ASSERT_TRUE(manager.UpdateRecord(record.data(), Id(0), 1));
  EXPECT_EQ(table.calls, (std::vector<std::string>{"free 5->6", "mark 6"}));
  EXPECT_EQ(manager.SlotData(0)[1], 0xF0);
  EXPECT_EQ(record[1], 6) << "the caller's buffer is left alone";
}

TEST_F(MemoryRecordManagerTest, NavigationInSlotOrder) {
  TSQLMemMemoryRecordManager empty(nullptr, 0, kRecordSize);
  EXPECT_EQ(Navigate(empty, ndNext, 0, true).result, nrAfterLast);
  EXPECT_EQ(Navigate(empty, ndCurrent, 0).result, nrAfterLast);

  TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
  for (Byte v = 0; v < 6; ++v) Append(manager, v);
  ASSERT_TRUE(manager.DeleteRecord(Id(0), 1));
  ASSERT_TRUE(manager.DeleteRecord(Id(2), 1));
  ASSERT_TRUE(manager.DeleteRecord(Id(3), 1));
  // Slots 1, 4, 5 are used.
  struct Case {
    Byte direction;
    Integer from;
    bool first, last;
    Byte result;
    Integer slot;
  };
  const Case cases[] = {
      {ndNext, 0, true, false, nrFound, 1},       {ndPrior, 0, true, false, nrBeforeFirst, -1},
      {ndCurrent, 0, true, false, nrNotFound, -1}, {ndPrior, 0, false, true, nrFound, 5},
      {ndNext, 0, false, true, nrAfterLast, -1},   {ndCurrent, 0, false, true, nrNotFound, -1},
      {ndCurrent, 4, false, false, nrFound, 4},    {ndCurrent, 2, false, false, nrNotFound, -1},
      {ndCurrent, 6, false, false, nrNotFound, -1}, {ndNext, 1, false, false, nrFound, 4},
      {ndNext, 2, false, false, nrFound, 4},       {ndNext, -7, false, false, nrFound, 1},
      {ndNext, 5, false, false, nrAfterLast, -1},  {ndPrior, 4, false, false, nrFound, 1},
      {ndPrior, 1, false, false, nrBeforeFirst, -1}, {ndPrior, 100, false, false, nrFound, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "direction " << int(c.direction) << " from " << c.from << " first " << c.first
                                      << " last " << c.last);
    const Move m = Navigate(manager, c.direction, c.from, c.first, c.last);
    EXPECT_EQ(m.result, c.result);
    if (c.result == nrFound) {
      EXPECT_EQ(m.slot, c.slot);
      EXPECT_EQ(m.value, c.slot) << "the slot's bytes are copied into the request's buffer";
    }
  }
  TSQLMemNavigationRequest noBuffer;
  noBuffer.Direction = ndCurrent;
  noBuffer.RecordId = Id(4);
  ExpectEngineError([&] { manager.NavigateRecord(noBuffer); }, 10019, "Error retreiving record - Native error: 10019");
}

TEST_F(MemoryRecordManagerTest, RecordNumbersAgainstAModel) {
  // Random appends, updates and deletes; after each step the store agrees with an ordered map of
  // slot -> value on counts, bounds, existence, record numbers and the order of a walk.
  const unsigned seed = 20261210;
  std::mt19937 random(seed);
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  TSQLMemMemoryRecordManager manager(nullptr, 3, kRecordSize);
  std::map<Integer, Byte> model;
  Integer nextSlot = 0;
  for (int step = 0; step < 600; ++step) {
    const unsigned op = random() % 10;
    if (op < 6 || model.empty()) {
      const Byte value = static_cast<Byte>(random());
      const Integer slot = Append(manager, value);
      ASSERT_EQ(slot, model.empty() ? 0 : model.rbegin()->first + 1);
      model[slot] = value;
      nextSlot = slot + 1;
    } else {
      auto it = std::next(model.begin(), static_cast<long>(random() % model.size()));
      if (op == 6) {
        const std::vector<Byte> record = Record(static_cast<Byte>(it->second + 1));
        ASSERT_TRUE(manager.UpdateRecord(record.data(), Id(it->first), 1));
        it->second = record[0];
      } else {
        ASSERT_TRUE(manager.DeleteRecord(Id(it->first), 1));
        model.erase(it);
      }
    }
    ASSERT_EQ(manager.GetRecordCount(), static_cast<Int64>(model.size()));
    if (model.empty()) continue;
    ASSERT_EQ(manager.MinSlot(), model.begin()->first);
    ASSERT_EQ(manager.MaxSlot(), model.rbegin()->first);
    Int64 recordNo = 0;
    for (Integer slot = -1; slot <= nextSlot + 1; ++slot) {
      const bool live = model.count(slot) > 0;
      ASSERT_EQ(manager.RecordExists(Id(slot), 1), live) << "slot " << slot;
      if (live) {
        ASSERT_EQ(manager.RecordNoToSlot(recordNo), slot);
        ++recordNo;
        ASSERT_EQ(manager.SlotToRecordNo(slot), recordNo);
        const Int64 estimate = manager.GetRecordNo(Id(slot), 1);
        ASSERT_GE(estimate, 1);
        ASSERT_LE(estimate, manager.GetRecordCount());
      }
    }
    ASSERT_EQ(manager.RecordNoToSlot(recordNo), model.rbegin()->first + 1) << "one past the last record";
    ASSERT_EQ(manager.RecordNoToSlot(recordNo + 1), -1);
    ASSERT_EQ(manager.RecordNoToSlot(-1), -1);
    if (step % 50 == 0) {
      std::vector<Integer> expected;
      for (const auto& [slot, value] : model) expected.push_back(slot);
      ASSERT_EQ(WalkForward(manager), expected);
    }
  }
}

TEST_F(MemoryRecordManagerTest, RecordNumberEstimateIsExactWithoutGaps) {
  TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
  for (Byte v = 0; v < 5; ++v) Append(manager, v);
  ASSERT_TRUE(manager.DeleteRecord(Id(0), 1));
  for (Integer slot = 1; slot <= 4; ++slot) EXPECT_EQ(manager.GetRecordNo(Id(slot), 1), slot);
  EXPECT_EQ(manager.GetRecordNo(Id(0), 1), -1);
  EXPECT_EQ(manager.GetRecordNo(Id(5), 1), -1);
  TSQLMemMemoryRecordManager one(nullptr, 0, kRecordSize);
  EXPECT_EQ(one.GetRecordNo(Id(0), 1), -1);
  Append(one, 1);
  EXPECT_EQ(one.GetRecordNo(Id(0), 1), 1);
}

namespace {

// Saves the slot map and the live records of a store the way the table stream does, and loads them
// into a new store.
void SaveAndLoad(TSQLMemMemoryRecordManager& source, TSQLMemMemoryRecordManager& target) {
  TSQLMemMemoryStream stream;
  source.SaveToStream(stream);
  std::vector<std::vector<Byte>> records;
  Move m = Navigate(source, ndNext, 0, true);
  while (m.result == nrFound) {
    records.push_back(std::vector<Byte>(source.SlotData(m.slot), source.SlotData(m.slot) + kRecordSize));
    m = Navigate(source, ndNext, m.slot);
  }
  stream.Seek(Int64{0}, TSeekOrigin::soBeginning);
  target.LoadFromStream(stream);
  Int64 slot = -1;
  for (std::vector<Byte>& record : records) target.LoadRecord(record.data(), slot);
  target.CheckLoadedSlots();
}

// Loads a slot map given field by field.
void LoadMap(TSQLMemMemoryRecordManager& manager, const std::string& bytes) {
  TSQLMemMemoryStream stream;
  FillStream(stream, bytes);
  manager.LoadFromStream(stream);
}

}  // namespace

TEST_F(MemoryRecordManagerTest, ASavedStoreReloadsIntoTheSameSlots) {
  TSQLMemMemoryRecordManager source(nullptr, 10, kRecordSize);
  for (Byte v = 0; v < 10; ++v) Append(source, v);
  ASSERT_TRUE(source.DeleteRecord(Id(3), 1));
  ASSERT_EQ(source.Capacity(), 10);
  // int32 capacity, uint8 Dense, int32 MinSlot, int32 MaxSlot, then the free map (slot 3 and the six
  // bits past the capacity set).
  TSQLMemMemoryStream stream;
  source.SaveToStream(stream);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size())),
            StreamBytes().I32(10).U8(0).I32(0).I32(9).U8(0x08).U8(0xFC).Str());

  TSQLMemMemoryRecordManager target(nullptr, 10, kRecordSize);
  SaveAndLoad(source, target);
  EXPECT_EQ(target.GetRecordCount(), 9);
  EXPECT_EQ(WalkForward(target), (std::vector<Integer>{0, 1, 2, 4, 5, 6, 7, 8, 9}));
  for (Integer slot : WalkForward(target)) EXPECT_EQ(target.SlotData(slot)[0], slot);
  EXPECT_FALSE(target.RecordExists(Id(3), 1));
  EXPECT_EQ(Append(target, 10), 10) << "appends continue after the highest slot";

  // A dense store places its records from slot 0 on.
  TSQLMemMemoryRecordManager dense(nullptr, 0, kRecordSize);
  for (Byte v = 0; v < 3; ++v) Append(dense, v);
  TSQLMemMemoryRecordManager denseCopy(nullptr, 0, kRecordSize);
  SaveAndLoad(dense, denseCopy);
  EXPECT_EQ(denseCopy.Dense(), 255);
  EXPECT_EQ(WalkForward(denseCopy), (std::vector<Integer>{0, 1, 2}));
}

TEST_F(MemoryRecordManagerTest, DamagedSlotMapsAreRefusedBeforeUse) {
  struct Case {
    const char* what;
    std::string bytes;
    Integer code;
  };
  const Case cases[] = {
      {"negative capacity", StreamBytes().I32(-1).U8(0).I32(0).I32(0).Str(), 10449},
      {"map longer than the stream", StreamBytes().I32(1 << 30).U8(0).I32(0).I32(0).U8(0).Str(), 10449},
      {"negative MinSlot", StreamBytes().I32(8).U8(0).I32(-1).I32(0).U8(0).Str(), 10451},
      {"MinSlot past the capacity", StreamBytes().I32(8).U8(0).I32(8).I32(9).U8(0).Str(), 10451},
      {"MaxSlot below MinSlot", StreamBytes().I32(8).U8(0).I32(3).I32(2).U8(0).Str(), 10452},
      {"MaxSlot past the capacity", StreamBytes().I32(8).U8(0).I32(0).I32(8).U8(0).Str(), 10452},
      {"slots without capacity", StreamBytes().I32(0).U8(0).I32(0).I32(1).Str(), 10452},
      {"truncated before MaxSlot", StreamBytes().I32(8).U8(0).I32(0).Str(), 10452},
      {"truncated map", StreamBytes().I32(16).U8(0).I32(0).I32(1).U8(0).Str(), 10449},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
    try {
      LoadMap(manager, c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code);
    }
    EXPECT_EQ(manager.Capacity(), 0);
  }
}

TEST_F(MemoryRecordManagerTest, PlacementPastTheMapOrTheCapacityIsRefused) {
  std::vector<Byte> record = Record(1);
  {
    // Dense with capacity 2: the third record has no slot.
    TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
    LoadMap(manager, StreamBytes().I32(2).U8(255).I32(0).I32(1).U8(0xFC).Str());
    Int64 slot = -1;
    manager.LoadRecord(record.data(), slot);
    manager.LoadRecord(record.data(), slot);
    ExpectEngineError([&] { manager.LoadRecord(record.data(), slot); }, 10847, "Invalid record No = 2 - Native error: 10847");
  }
  {
    // Not dense, capacity 8, one used slot: a second record runs off the map.
    TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
    LoadMap(manager, StreamBytes().I32(8).U8(0).I32(2).I32(2).U8(0xFB).Str());
    Int64 slot = -1;
    manager.LoadRecord(record.data(), slot);
    EXPECT_EQ(slot, 2);
    ExpectEngineError([&] { manager.LoadRecord(record.data(), slot); }, 10454, "Invalid record No = 1 - Native error: 10454");
  }
  {
    // A map whose MinSlot disagrees with its used bits.
    TSQLMemMemoryRecordManager manager(nullptr, 0, kRecordSize);
    LoadMap(manager, StreamBytes().I32(8).U8(0).I32(0).I32(2).U8(0xFB).Str());
    Int64 slot = -1;
    manager.LoadRecord(record.data(), slot);
    ExpectEngineError([&] { manager.CheckLoadedSlots(); }, 10454, "Invalid record No = 0 - Native error: 10454");
  }
}
