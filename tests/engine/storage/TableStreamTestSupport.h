// A table for the table stream tests: definitions, a slot store with a free-slot bitmap kept the way the
// memory record manager keeps it, BLOB blocks by handle, and an index whose B-tree lives in the table's
// page store. It is both what the writer reads and what the reader rebuilds. The diary's table (RecID
// autoinc, ShortDateDay char(10) primary key, Title char(25), Text memo) is built from it.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreePage.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemTableStream.h"
#include "tests/engine/storage/BTreeTestSupport.h"

class StreamTable : public TSQLMemTableStreamSource, public TSQLMemTableStreamSink {
 public:
  static constexpr Integer kSession = 1;
  static constexpr Integer kGrowth = 64;  // slots added when the store is full

  StreamTable() : pages_(4096, 200), tree_(pages_, keyRef_) {}
  ~StreamTable() override {
    if (root_ == -1) return;
    try {
      TSQLMemBTreePage(tree_, tree_.TakePage(kSession, root_)).Controller().FreePages(kSession);
      pages_.ApplyChanges(kSession);
    } catch (...) {
    }
  }

  // ---- building ----

  // The diary's schema; object ids 1..6, so the object-id sequence stands at 6.
  void DefineDiary() {
    TSQLMemSequenceDef& sequence = sequences.AddSequenceDef();
    sequence.Name = "$S_Autoinc$fans$RecID";
    sequence.ObjectId = 1;
    AddField("RecID", 2, sftAutoInc, 0).SequenceId = 1;
    AddField("ShortDateDay", 3, sftChar, 10);
    AddField("Title", 4, sftChar, 25);
    TSQLMemFieldDef& text = AddField("Text", 5, sftMemo, 0);
    text.BLOBCompressionAlgorithm = 1;
    text.BLOBCompressionLevel = 9;
    fields.UpdateLayout();
    TSQLMemConstraintDefPrimary& primary = constraints.AddPrimary();
    primary.Name = "PK_fans";
    primary.ObjectId = 7;
    primary.Name2 = "fans";
    primary.Id3 = 6;
    primary.Columns.push_back({"ShortDateDay", 3});
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = "ByShortDate";
    index.ObjectId = 6;
    index.Unique = index.Primary = 1;
    index.SetColumnCount(1);
    index.GetColumn(0).Name = "ShortDateDay";
    objectIdValue = 7;
    BuildKeyRef(keyRef_, {TestColumn{edtChar, 10}});
  }

  // A record of the diary's fields: the next RecID, the date, the title and, unless it is empty, the
  // text in a new BLOB block (an empty text stays NULL, as a memo stored with size 0 does).
  std::vector<Byte> MakeDay(const std::string& date, const std::string& title, const std::string& text) {
    std::vector<Byte> record(RecordBytes(), 0);
    StoreValue<Integer>(&record[static_cast<std::size_t>(Offset(0))], static_cast<Integer>(sequences.GetSequenceDef(0).NextValue()));
    std::memcpy(&record[static_cast<std::size_t>(Offset(1))], date.data(), date.size());
    std::memcpy(&record[static_cast<std::size_t>(Offset(2))], title.data(), std::min<std::size_t>(title.size(), 25));
    if (text.empty()) {
      record[0] |= 1 << 3;
    } else {
      Byte* block = NewBlock(static_cast<Int64>(text.size()));
      StoreValue<Integer>(block, static_cast<Integer>(text.size() / 1000 + 1));
      StoreValue<Int64>(block + 4, static_cast<Int64>(text.size()) * 3);
      std::memcpy(block + kMemoryBLOBHeadSize, text.data(), text.size());
      SetHandle(record.data(), 3, static_cast<Cardinal>(blobs_.size()));
    }
    return record;
  }

  // Appends a diary day and enters it into the index; the slot.
  Integer AddDay(const std::string& date, const std::string& title, const std::string& text) {
    const Integer slot = Append(MakeDay(date, title, text).data());
    IndexInsert(date, slot);
    return slot;
  }

  // Removes the record of a slot from the store, its BLOB and its index key.
  void DeleteDay(Integer slot) {
    const Byte* record = Slot(slot);
    IndexDelete(std::string(reinterpret_cast<const char*>(record + Offset(1))), slot);
    if (!FieldIsNull(record, 3)) blobs_[Handle(record, 3) - 1].Reset();
    FreeSlot(slot);
  }

  // The record manager's append: the slot after the highest, never a freed one.
  Integer Append(const Byte* record) {
    const Integer slot = count == 0 ? 0 : map.MaxSlot + 1;
    if (slot >= map.Capacity) {
      map.Capacity += kGrowth;
      map.FreeBits.resize(static_cast<std::size_t>((map.Capacity + 7) / 8), 0xFF);
      slots_.resize(static_cast<std::size_t>(map.Capacity) * RecordBytes());
    }
    std::memcpy(Slot(slot), record, RecordBytes());
    map.FreeBits[static_cast<std::size_t>(slot / 8)] &= static_cast<Byte>(~(1 << (slot % 8)));
    if (count == 0 || slot < map.MinSlot) map.MinSlot = slot;
    map.MaxSlot = slot;
    ++count;
    return slot;
  }

  // The record manager's delete: the slot's bit is set, the bounds move to used slots.
  void FreeSlot(Integer slot) {
    map.FreeBits[static_cast<std::size_t>(slot / 8)] |= static_cast<Byte>(1 << (slot % 8));
    --count;
    map.Dense = 0;
    if (count == 0) return;
    while (map.IsFree(map.MinSlot)) ++map.MinSlot;
    while (map.IsFree(map.MaxSlot)) --map.MaxSlot;
  }

  TSQLMemFieldDef& AddField(const char* fieldName, Integer id, Integer fieldType, Integer size) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = fieldName;
    field.ObjectId = id;
    field.SetDataType(fieldType, size);
    return field;
  }
  std::size_t RecordBytes() const { return static_cast<std::size_t>(fields.RecordSize()); }

  Integer Offset(Integer fieldNo) const { return fields.GetFieldDef(fieldNo).RecordOffset; }
  Byte* Slot(Integer slot) { return slots_.data() + static_cast<std::size_t>(slot) * RecordBytes(); }
  static bool FieldIsNull(const Byte* record, Integer fieldNo) { return (record[fieldNo / 8] >> (fieldNo % 8) & 1) != 0; }
  Cardinal Handle(const Byte* record, Integer fieldNo) const { return LoadValue<Cardinal>(record + Offset(fieldNo)); }
  std::string BLOBBytes(const Byte* record, Integer fieldNo) {
    const TSQLMemBlock& block = blobs_.at(Handle(record, fieldNo) - 1);
    return std::string(static_cast<const char*>(block.Data()), static_cast<std::size_t>(block.Size()));
  }
  Integer Root() const { return root_; }
  Integer LiveBlocks() const {
    Integer n = 0;
    for (const TSQLMemBlock& b : blobs_) n += b ? 1 : 0;
    return n;
  }

  // The index's (key, record id) items along the leaves, from the index definition's root.
  std::vector<TestItem> IndexItems() {
    std::vector<TestItem> items;
    if (root_ == -1) return items;
    TSQLMemKeyPath path;
    if (!TSQLMemBTreePage(tree_, tree_.TakePage(kSession, root_)).Controller().First(kSession, path)) return items;
    for (Integer pageNo = path.At(path.Count() - 1).PageNo; pageNo != -1;) {
      TSQLMemBTreePage leaf(tree_, tree_.TakePage(kSession, pageNo));
      for (Integer i = 0; i < leaf.Count(); ++i) {
        const Byte* item = leaf.ItemPtr(i);
        items.push_back({Key(item, item + leaf.KeyLength()), Key(leaf.DataPtr(i), leaf.DataPtr(i) + 6)});
      }
      pageNo = leaf.NextPageNo();
    }
    return items;
  }

  // ---- what the writer reads ----

  AnsiString TableName() override { return name; }
  Int64 ObjectIdSequenceValue() override { return objectIdValue; }
  Int64 RecordCount() override { return count; }
  const TSQLMemFieldDefs& FieldDefs() override { return fields; }
  const TSQLMemConstraintDefs& ConstraintDefs() override { return constraints; }
  const TSQLMemIndexDefs& IndexDefs() override { return indexes; }
  const TSQLMemSequenceDef* FindSequence(Integer objectId) override {
    return static_cast<const TSQLMemSequenceDef*>(sequences.FindByObjectID(objectId));
  }
  TSQLMemMemoryPageManager& PageManager() override { return pages_; }
  void GetSlotMap(TSQLMemSlotMap& result) override { result = map; }
  Integer FetchRecord(bool first, Byte* buffer) override {
    Integer slot = first ? 0 : fetched_ + 1;
    while (slot < map.Capacity && map.IsFree(slot)) ++slot;
    if (count == 0 || slot > map.MaxSlot) return -1;
    fetched_ = slot;
    std::memcpy(buffer, Slot(slot), static_cast<std::size_t>(RecordBytes()));
    return slot;
  }
  const Byte* GetBLOBBlock(const Byte* recordBuffer, Integer fieldNo, Int64& dataLength) override {
    const Cardinal handle = Handle(recordBuffer, fieldNo);
    if (handle == 0 || handle > blobs_.size() || !blobs_[handle - 1]) SQLMemError(10196, "Nil pointer occured");
    dataLength = blobs_[handle - 1].Size() - kMemoryBLOBHeadSize;
    return static_cast<const Byte*>(blobs_[handle - 1].Data());
  }

  // ---- what the reader builds through ----

  void DefinitionsLoaded(TSQLMemTableStreamDefs& defs) override {
    sequences.Assign(defs.Sequences);
    fields.Assign(defs.Fields);
    fields.UpdateLayout();
    constraints.Assign(defs.Constraints);
    indexes.Assign(defs.Indexes);
    root_ = indexes.GetCount() > 0 ? indexes.GetItem(0).RootPageNo : -1;
    BuildKeyRef(keyRef_, {TestColumn{edtChar, 10}});
    definitionsLoaded = true;
  }
  void LoadSlotMap(const TSQLMemSlotMap& loaded) override {
    map = loaded;
    slots_.assign(static_cast<std::size_t>(loaded.Capacity) * RecordBytes(), 0);
  }
  Byte* AttachNewBLOBBlock(Byte* recordBuffer, Integer fieldNo, Int64 dataLength) override {
    Byte* block = NewBlock(dataLength);
    SetHandle(recordBuffer, fieldNo, static_cast<Cardinal>(blobs_.size()));
    recordBuffer[fieldNo / 8] &= static_cast<Byte>(~(1 << (fieldNo % 8)));
    return block;
  }
  void LoadRecord(const Byte* recordBuffer, Integer slot) override {
    std::memcpy(Slot(slot), recordBuffer, static_cast<std::size_t>(RecordBytes()));
    ++count;
  }

  AnsiString name = "fans";
  Int64 objectIdValue = 0;
  TSQLMemSequenceDefs sequences;
  TSQLMemFieldDefs fields;
  TSQLMemConstraintDefs constraints;
  TSQLMemIndexDefs indexes;
  TSQLMemSlotMap map;
  Int64 count = 0;
  bool definitionsLoaded = false;

 private:
  Byte* NewBlock(Int64 dataLength) {
    blobs_.push_back(TSQLMemBlock::Allocate(static_cast<Integer>(kMemoryBLOBHeadSize + dataLength), false));
    return static_cast<Byte*>(blobs_.back().Data());
  }
  // The in-memory slot: handle, two zero bytes, the stored record's ownership mark.
  void SetHandle(Byte* record, Integer fieldNo, Cardinal handle) {
    Byte* slot = record + Offset(fieldNo);
    StoreValue<Cardinal>(slot, handle);
    StoreValue<Word>(slot + 4, 0);
    StoreValue<Word>(slot + 6, 0xF0F0);
  }

  Key IndexKey(const std::string& date) { return MakeTestKey(keyRef_, {TestValue{false, 0, date}}); }
  static Key SlotRef(Integer slot) {
    Key ref(6, 0);
    StoreRecordID(ref.data(), TSQLMemRecordID{slot, 0});
    return ref;
  }
  void IndexInsert(const std::string& date, Integer slot) {
    if (root_ == -1) {
      TSQLMemBTreePage root(tree_, tree_.NewPage(kSession));
      root.InitRoot();
      root.SetDirty();
      root_ = root.PageNo();
      indexes.GetItem(0).RootPageNo = root_;
    }
    {
      TSQLMemKeyPath path;
      TSQLMemBTreePage(tree_, tree_.TakePage(kSession, root_)).Controller().InsertKey(kSession, IndexKey(date).data(), path, SlotRef(slot).data());
    }
    pages_.ApplyChanges(kSession);
  }
  void IndexDelete(const std::string& date, Integer slot) {
    {
      TSQLMemKeyPath path;
      TSQLMemBTreePage(tree_, tree_.TakePage(kSession, root_)).Controller().DeleteKey(kSession, IndexKey(date).data(), path, SlotRef(slot).data());
    }
    pages_.ApplyChanges(kSession);
  }

  TSQLMemBTreeKeyRef keyRef_;
  TSQLMemMemoryPageManager pages_;
  TSQLMemBTreePages tree_;
  Integer root_ = -1;
  std::vector<Byte> slots_;
  std::vector<TSQLMemBlock> blobs_;  // handle n is entry n - 1
  Integer fetched_ = -1;
};

// The saved bytes of a table.
inline std::string SaveTable(StreamTable& table, Byte algorithm, Byte level = 9, Integer headerSizeValue = 2097152) {
  TSQLMemMemoryStream stream;
  SaveTableStream(stream, table, algorithm, level, headerSizeValue);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.GetSize()));
}

// Loads the table stream at the stream's position into the table; the position afterwards.
inline Int64 LoadTable(StreamTable& table, TStream& stream) {
  TSQLMemTableStreamHeader header;
  ReadTableStreamHeader(stream, header);
  table.name = header.TableName;
  table.objectIdValue = header.ObjectIdSequenceValue;
  LoadTableStreamBody(stream, header, table);
  return stream.GetPosition();
}

inline Int64 LoadTable(StreamTable& table, const std::string& bytes) {
  TSQLMemMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.SetPosition(0);
  return LoadTable(table, stream);
}

// -1 when the stream loads from position 0, else the native code of the engine error it raises; any
// other exception escapes and fails the test.
inline Integer LoadOutcome(TStream& stream) {
  StreamTable table;
  try {
    stream.SetPosition(0);
    LoadTable(table, stream);
    return -1;
  } catch (const ESQLMemException& e) {
    return e.NativeError();
  }
}

inline Integer LoadOutcome(const std::string& bytes) {
  TSQLMemMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return LoadOutcome(stream);
}

// Every prefix of the saved bytes, shortest last, is refused with an engine error.
inline void ExpectEveryTruncationRefused(const std::string& saved) {
  TSQLMemMemoryStream stream;
  stream.WriteBuffer(saved.data(), static_cast<Integer>(saved.size()));
  for (Int64 n = static_cast<Int64>(saved.size()) - 1; n >= 0; --n) {
    stream.SetSize(n);
    ASSERT_NE(LoadOutcome(stream), -1) << "prefix of " << n << " bytes loaded";
  }
}

// Flips `flips` seeded random bits of the saved bytes, one at a time: each damaged stream either loads
// or raises an engine error. Returns how many loaded.
inline Integer FlipBitsAndLoad(const std::string& saved, Integer flips, unsigned seed) {
  TSQLMemMemoryStream stream;
  stream.WriteBuffer(saved.data(), static_cast<Integer>(saved.size()));
  std::mt19937 random(seed);
  Integer loaded = 0;
  for (Integer i = 0; i < flips; ++i) {
    const std::size_t at = random() % saved.size();
    const Byte bit = static_cast<Byte>(1 << (random() % 8));
    stream.Memory()[at] ^= bit;
    const Integer outcome = LoadOutcome(stream);
    stream.Memory()[at] ^= bit;
    if (outcome == -1) ++loaded;
  }
  return loaded;
}

// A diary of `days` days from 2020.01.01 with every seventh deleted, titles of varying length and
// memos from empty to maxMemo bytes (text of Hungarian Windows-1250 letters).
inline void BuildDiary(StreamTable& table, Integer days, Integer maxMemo, unsigned seed) {
  table.DefineDiary();
  std::mt19937 random(seed);
  std::vector<Integer> slots;
  for (Integer d = 0; d < days; ++d) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", 2020 + d / 336, d / 28 % 12 + 1, d % 28 + 1);
    const Integer length = d % 5 == 0 ? 0 : static_cast<Integer>(random() % static_cast<unsigned>(maxMemo + 1));
    std::string memo(static_cast<std::size_t>(length), ' ');
    for (char& c : memo) c = "abc \xF5\xFB\xE1\r\n"[random() % 9];
    slots.push_back(table.AddDay(date, std::string("Nap ") + std::to_string(d), memo));
  }
  for (std::size_t i = 3; i < slots.size(); i += 7) table.DeleteDay(slots[i]);
}
