// The memory table's table stream: the writer reads the table through a source over its managers,
// record store and BLOB blocks; the reader builds a complete second set of managers beside the table
// and the table swaps them in only when the whole stream has been read. A damaged stream therefore
// never leaves a half-built table behind, nor destroys the table it was meant to replace.
#include <utility>

#include "engine/foundation/SQLMemCompressedBLOBStream.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemTableStream.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

// The table as the writer sees it; the table lock is held while it is used.
class TMemoryTableSource : public TSQLMemTableStreamSource {
 public:
  explicit TMemoryTableSource(TSQLMemMemoryTableData& table) : table_(table) {}

  AnsiString TableName() override { return table_.GetTableName(); }
  Int64 ObjectIdSequenceValue() override { return table_.Database().ObjectIdSequenceValue(); }
  Int64 RecordCount() override { return table_.GetRecordCount(); }
  const TSQLMemFieldDefs& FieldDefs() override { return table_.TableFieldDefs(); }
  const TSQLMemConstraintDefs& ConstraintDefs() override {
    return table_.ConstraintManager() != nullptr ? table_.ConstraintManager()->ConstraintDefs : noConstraints_;
  }
  const TSQLMemIndexDefs& IndexDefs() override {
    return table_.IndexManager() != nullptr ? table_.IndexManager()->IndexDefs : noIndexes_;
  }
  const TSQLMemSequenceDef* FindSequence(Integer objectId) override {
    TSQLMemBaseSequenceManager* sequences = table_.SequenceManager();
    return sequences != nullptr ? static_cast<const TSQLMemSequenceDef*>(sequences->SequenceDefs.FindByObjectID(objectId))
                                : nullptr;
  }
  TSQLMemMemoryPageManager& PageManager() override { return table_.MemoryPageManager(); }

  void GetSlotMap(TSQLMemSlotMap& map) override {
    const TSQLMemMemoryRecordManager& records = Records();
    map.Capacity = records.Capacity();
    map.Dense = records.Dense();
    map.MinSlot = records.MinSlot();
    map.MaxSlot = records.MaxSlot();
    map.FreeBits.assign(static_cast<std::size_t>((Int64{map.Capacity} + 7) / 8), 0);
    for (Integer slot = 0; slot < map.Capacity; ++slot)
      if (records.SlotIsFree(slot)) map.FreeBits[static_cast<std::size_t>(slot / 8)] |= static_cast<Byte>(1 << (slot % 8));
  }

  Integer FetchRecord(bool first, Byte* buffer) override {
    request_.Direction = ndNext;
    request_.First = first ? 1 : 0;
    request_.SessionId = kNoSessionId;
    request_.RecordBuffer = buffer;
    Records().NavigateRecord(request_);
    return request_.Result == nrFound ? request_.RecordId.RecordNo : -1;
  }

  // The buffer is the writer's copy of the record: its BLOB slots are about to hold stream positions,
  // so it never goes back to the table's BLOB operations after this.
  const Byte* GetBLOBBlock(const Byte* recordBuffer, Integer fieldNo, Int64& dataLength) override {
    return table_.RecordBLOBs().GetBLOBBlock(recordBuffer, fieldNo, dataLength, 10196);
  }

 private:
  TSQLMemMemoryRecordManager& Records() const {
    TSQLMemMemoryRecordManager* records = table_.MemoryRecordManager();
    if (records == nullptr) SQLMemError(10009, SQLMemNilPointer);
    return *records;
  }

  TSQLMemMemoryTableData& table_;
  TSQLMemNavigationRequest request_;
  TSQLMemConstraintDefs noConstraints_;
  TSQLMemIndexDefs noIndexes_;
};

}  // namespace

// Everything a load builds, owned here until the table takes it. Destroyed in reverse order, so a
// failed load gives back its BLOB blocks and records first, then closes the loaded indexes while the
// page store they work on still exists.
struct TSQLMemMemoryTableData::TLoadedTable {
  std::unique_ptr<TSQLMemMemoryPageManager> pages = std::make_unique<TSQLMemMemoryPageManager>();
  std::unique_ptr<TSQLMemBaseSequenceManager> sequences;
  std::unique_ptr<TSQLMemBaseFieldManager> fields;
  std::unique_ptr<TSQLMemBaseConstraintManager> constraints;
  std::unique_ptr<TSQLMemBaseIndexManager> indexes;
  std::unique_ptr<TSQLMemMemoryRecordManager> records;
  std::unique_ptr<TSQLMemRecordBLOBs> blobs;
  bool hasBLOBFields = false;
  Int64 recordCount = 0;  // as the header says
  Int64 lastSlot = -1;    // the record store's placement cursor
};

class TSQLMemMemoryTableData::TLoadedInPlace {
 public:
  TLoadedInPlace(TSQLMemMemoryTableData& table, TLoadedTable& loaded)
      : table_(table), loaded_(loaded), withRecords_(loaded.records != nullptr) {
    Swap();
  }
  ~TLoadedInPlace() { Swap(); }
  TLoadedInPlace(const TLoadedInPlace&) = delete;
  TLoadedInPlace& operator=(const TLoadedInPlace&) = delete;

 private:
  void Swap() noexcept {
    std::swap(table_.pageManager_, loaded_.pages);
    std::swap(table_.fieldManager_, loaded_.fields);
    std::swap(table_.indexManager_, loaded_.indexes);
    if (withRecords_) {
      std::unique_ptr<TSQLMemBaseRecordManager> own = std::move(table_.recordManager_);
      table_.recordManager_.reset(loaded_.records.release());
      loaded_.records.reset(static_cast<TSQLMemMemoryRecordManager*>(own.release()));
    }
  }

  TSQLMemMemoryTableData& table_;
  TLoadedTable& loaded_;
  const bool withRecords_;
};

class TSQLMemMemoryTableData::TStreamSink : public TSQLMemTableStreamSink {
 public:
  TStreamSink(TSQLMemMemoryTableData& table, TLoadedTable& loaded) : table_(table), loaded_(loaded) {}

  TSQLMemMemoryPageManager& PageManager() override { return *loaded_.pages; }
  void DefinitionsLoaded(TSQLMemTableStreamDefs& defs) override { table_.BuildLoadedManagers(loaded_, defs); }

  // The record store takes the map through its own stream form, which checks it once more.
  void LoadSlotMap(const TSQLMemSlotMap& map) override {
    TSQLMemMemoryStream form;
    WriteSlotMap(form, map, loaded_.recordCount);
    form.Seek(0, TSeekOrigin::soBeginning);
    loaded_.records->LoadFromStream(form);
    loaded_.lastSlot = -1;
  }

  Byte* AttachNewBLOBBlock(Byte* recordBuffer, Integer fieldNo, Int64 dataLength) override {
    return loaded_.blobs->AttachNewBLOBBlock(recordBuffer, fieldNo, dataLength);
  }

  // Opened as a cursor opens it (over the block itself, not a copy): the chain of a compressed value
  // must add up to the size its head claims, and a value stored as it is must be exactly its bytes.
  bool BLOBValueHolds(const Byte* recordBuffer, Integer fieldNo) override {
    try {
      Int64 length = 0;
      const Byte* block = loaded_.blobs->GetBLOBBlock(recordBuffer, fieldNo, length, 10203);
      const TSQLMemBLOBBlockHead head = ReadBLOBBlockHead(block);
      CompressedBLOBDescriptor descriptor = FieldBLOBDescriptor(loaded_.fields->FieldDefs.GetFieldDef(fieldNo));
      descriptor.BlockCount = head.BlockCount;
      descriptor.UncompressedSize = head.UncompressedSize;
      TSQLMemByteView bytes(block + kBLOBBlockHeadSize, length);
      TSQLMemCompressedBLOBStream value(bytes, descriptor, false);
      return value.GetSize() == head.UncompressedSize && (descriptor.Algorithm != 0 || length == head.UncompressedSize);
    } catch (const Exception&) {
      return false;
    }
  }

  void LoadRecord(const Byte* recordBuffer, Integer slot) override {
    scratch_.assign(recordBuffer, recordBuffer + loaded_.records->RecordSize());
    loaded_.records->LoadRecord(scratch_.data(), loaded_.lastSlot);
    // The reader and the store walk the same map, so they agree on every slot; should they not, the
    // record would be found under another id than its index keys name.
    if (loaded_.lastSlot != slot) SQLMemError(10454, SQLMemInvalidRecordNo, {slot});
  }

 private:
  TSQLMemMemoryTableData& table_;
  TLoadedTable& loaded_;
  std::vector<Byte> scratch_;
};

void TSQLMemMemoryTableData::BuildLoadedManagers(TLoadedTable& loaded, TSQLMemTableStreamDefs& defs) {
  // The definitions keep the object ids and root pages they were saved with.
  loaded.sequences = std::make_unique<TSQLMemBaseSequenceManager>(&database_);
  loaded.sequences->SequenceDefs.Assign(defs.Sequences);
  loaded.fields = std::make_unique<TSQLMemBaseFieldManager>(this, loaded.sequences.get());
  loaded.fields->FieldDefs.Assign(defs.Fields);
  loaded.fields->FieldDefs.UpdateLayout();
  loaded.hasBLOBFields = false;
  for (Integer i = 0; i < loaded.fields->FieldDefs.GetCount(); ++i)
    if (IsBLOBDataType(loaded.fields->FieldDefs.GetFieldDef(i).DataType)) loaded.hasBLOBFields = true;
  loaded.constraints = std::make_unique<TSQLMemBaseConstraintManager>(this);
  loaded.constraints->ConstraintDefs.Assign(defs.Constraints);

  // An index manager works on the page store its table hands it when it is made, and the constraints
  // are resolved against the table's fields and indexes: both are done with the loaded parts put in
  // the table's place for the moment.
  {
    TLoadedInPlace inPlace(*this, loaded);
    indexManager_ = std::make_unique<TSQLMemBaseIndexManager>(*this);
    indexManager_->AssignDefs(defs.Indexes);
    loaded.constraints->ResolveAll();
  }

  loaded.records = std::make_unique<TSQLMemMemoryRecordManager>(this, allocBy_, loaded.fields->FieldDefs.RecordSize());
  loaded.blobs = std::make_unique<TSQLMemRecordBLOBs>(&loaded.fields->FieldDefs);
}

void TSQLMemMemoryTableData::TakeLoadedTable(TLoadedTable& loaded, const AnsiString& tableName) {
  // The name first: the only step that can fail (out of memory), before anything is exchanged.
  SetTableName(tableName);
  // The old index manager goes before the old page store it works on.
  std::swap(indexManager_, loaded.indexes);
  loaded.indexes.reset();
  std::swap(pageManager_, loaded.pages);
  std::unique_ptr<TSQLMemBaseRecordManager> oldRecords = std::move(recordManager_);
  recordManager_ = std::move(loaded.records);
  std::swap(recordBLOBs_, loaded.blobs);  // the old blocks go with the old table block
  std::swap(constraintManager_, loaded.constraints);
  std::swap(fieldManager_, loaded.fields);
  std::swap(sequenceManager_, loaded.sequences);
  hasBLOBFields_ = loaded.hasBLOBFields;
}

void TSQLMemMemoryTableData::LoadFromStream(TStream& stream) {
  TTableLockHold hold(*this);
  CheckCanLoad(stream);
  TSQLMemTableStreamHeader header;
  ReadTableStreamHeader(stream, header);
  TLoadedTable loaded;
  loaded.recordCount = header.RecordCount;
  TStreamSink sink(*this, loaded);
  LoadTableStreamBody(stream, header, sink);
  if (header.RecordCount > 0) loaded.records->CheckLoadedSlots();
  std::vector<AnsiString> rebuilt = RepairLoadedIndexes(loaded);
  // The stream's object ids stay taken: the database never hands them out again.
  database_.RaiseObjectIdSequenceValue(header.ObjectIdSequenceValue);
  TakeLoadedTable(loaded, header.TableName);
  rebuiltIndexes_ = std::move(rebuilt);
}

// The index pages come as they were saved and the stream reader checked only their structure: their
// keys decide where a search looks, so a key out of order or one that is not its record's would make
// a search miss a record that exists (and a unique key admit a second one). Such an index is built
// again from the records; the records are what the table holds.
std::vector<AnsiString> TSQLMemMemoryTableData::RepairLoadedIndexes(TLoadedTable& loaded) {
  std::vector<AnsiString> rebuilt;
  TLoadedInPlace inPlace(*this, loaded);
  const TSQLMemIndexDefs& indexes = indexManager_->IndexDefs;
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexes.GetItem(i);
    if (LoadedIndexHolds(index)) continue;
    RebuildIndex(kNoSessionId, index.ObjectId);
    rebuilt.push_back(index.Name);
  }
  pageManager_->ApplyChanges(kNoSessionId);
  return rebuilt;
}

namespace {

// The checks of one loaded tree over raw pages whose structure the stream reader has checked (levels
// chained both ways, items within their pages, leaves naming used slots), so the walks need no guard.
class TLoadedTreeCheck {
 public:
  TLoadedTreeCheck(const TSQLMemMemoryPageManager& pages, const TSQLMemBTreeKeyRef& keyRef,
                   const TSQLMemMemoryRecordManager& records)
      : pages_(pages), keyRef_(keyRef), records_(records), keySize_(keyRef.KeySize()),
        recordKey_(static_cast<std::size_t>(keySize_ > 0 ? keySize_ : 1)) {}

  // The leaves left to right: each key is its record's, and no key is below the one before (nor equal
  // to it in a unique index).
  bool LeavesHold(Integer rootPageNo, bool unique) {
    Integer pageNo = rootPageNo;
    for (const Byte* page = pages_.StoreBuffer(pageNo); page[1] != 1; page = pages_.StoreBuffer(pageNo))
      pageNo = LoadValue<Integer>(page + 18 + keySize_);
    const Byte* previous = nullptr;
    for (; pageNo != -1;) {
      const Byte* page = pages_.StoreBuffer(pageNo);
      const Integer count = LoadValue<Word>(page + 14);
      for (Integer item = 0; item < count; ++item) {
        const Byte* key = page + 18 + item * (keySize_ + TSQLMemBTreeIndex::kReferenceSize);
        keyRef_.MakeKey(records_.SlotData(LoadRecordID(key + keySize_).RecordNo), recordKey_.data());
        if (keyRef_.Compare(key, recordKey_.data()) != 0) return false;
        if (previous != nullptr) {
          const int order = keyRef_.Compare(previous, key);
          if (order > 0 || (order == 0 && unique)) return false;
        }
        previous = key;
      }
      pageNo = LoadValue<Integer>(page + 6);
    }
    return true;
  }

  // Every separator of a node after its first lies between the keys of the subtrees beside it, so a
  // search for a key takes the way to it. lowest and highest receive the subtree's outer keys (nullptr
  // for a subtree without keys).
  bool SeparatorsHold(Integer pageNo, const Byte*& lowest, const Byte*& highest) {
    const Byte* page = pages_.StoreBuffer(pageNo);
    const Integer count = LoadValue<Word>(page + 14);
    lowest = highest = nullptr;
    if (page[1] == 1) {
      if (count == 0) return true;
      const Integer itemSize = keySize_ + TSQLMemBTreeIndex::kReferenceSize;
      lowest = page + 18;
      highest = page + 18 + (count - 1) * itemSize;
      return true;
    }
    const Integer itemSize = keySize_ + 4;
    for (Integer item = 0; item < count; ++item) {
      const Byte* separator = page + 18 + item * itemSize;
      const Byte* below = nullptr;
      const Byte* above = nullptr;
      if (!SeparatorsHold(LoadValue<Integer>(separator + keySize_), below, above)) return false;
      if (below == nullptr) continue;
      if (item > 0 && (keyRef_.Compare(separator, below) > 0 ||
                       (highest != nullptr && keyRef_.Compare(separator, highest) < 0)))
        return false;
      if (lowest == nullptr) lowest = below;
      highest = above;
    }
    return true;
  }

 private:
  const TSQLMemMemoryPageManager& pages_;
  const TSQLMemBTreeKeyRef& keyRef_;
  const TSQLMemMemoryRecordManager& records_;
  Integer keySize_;
  std::vector<Byte> recordKey_;
};

}  // namespace

bool TSQLMemMemoryTableData::LoadedIndexHolds(const TSQLMemIndexDef& indexDef) {
  auto& index = static_cast<TSQLMemBTreeIndex&>(indexManager_->GetIndex(indexDef.ObjectId));
  if (index.RootPageNo() == -1) return MemoryRecordManager()->GetRecordCount() == 0;
  TLoadedTreeCheck check(*pageManager_, index.KeyRef(), *MemoryRecordManager());
  const Byte* lowest = nullptr;
  const Byte* highest = nullptr;
  return check.LeavesHold(index.RootPageNo(), indexDef.Unique != 0 || indexDef.Primary != 0) &&
         check.SeparatorsHold(index.RootPageNo(), lowest, highest);
}

void TSQLMemMemoryTableData::SaveToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue,
                                          bool ignoreOpenCursors) {
  TTableLockHold hold(*this);
  CheckCanSave(stream, algorithm, level, headerSizeValue, ignoreOpenCursors);
  if (recordManager_ == nullptr || fieldManager_ == nullptr) SQLMemError(10009, SQLMemNilPointer);
  TMemoryTableSource source(*this);
  SaveTableStream(stream, source, algorithm, level, CheckedCast<Integer>(headerSizeValue));
}
