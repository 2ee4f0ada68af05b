#include "engine/storage/SQLMemTableStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemBTreeKey.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

// Native codes this unit adds where the format leaves a failure without one.
//   10190  the body could not be compressed (nothing is written for it)
//   10191  the body could not be decompressed, or decompressed to another size than the header says
//   10456  the compressed body is shorter than its size says (read), or could not be written (write)
namespace {

constexpr Integer kCompressFailed = 10190;
constexpr Integer kDecompressFailed = 10191;
constexpr Integer kCompressedBody = 10456;
constexpr Int64 kMaxBodySize = std::numeric_limits<Integer>::max();
// The object-id sequence is a default sequence definition: its values stay within 0..4294967295.
constexpr Int64 kMaxObjectIdSequenceValue = 4294967295;
// The smallest table stream: header, a one-byte name, the object-id value and at least one body byte.
constexpr Int64 kMinTableStreamSize = kTableStreamHeaderSize + 1 + 8 + 1;

Int64 BytesLeft(TStream& stream) { return std::max<Int64>(stream.GetSize() - stream.GetPosition(), 0); }

// A field read from the stream that holds an impossible value: the read error of that field.
[[noreturn]] void RaiseDamaged(TStream& stream, Int64 fieldPosition, Int64 fieldSize, Integer code) {
  SQLMemError(code, SQLMemCannotReadBlockFromStream, {fieldPosition, stream.GetSize(), fieldSize, fieldSize});
}

// Transfers of any length (a BLOB value may pass 2 GB in a stored body) in pieces the checked routines take.
constexpr Int64 kPiece = 1 << 30;

void WriteBytes(TStream& stream, const Byte* data, Int64 count, Integer code) {
  for (Int64 done = 0; done < count;) {
    const Integer n = static_cast<Integer>(std::min(count - done, kPiece));
    StreamWriteChecked(data + done, n, stream, code);
    done += n;
  }
}

void ReadBytes(TStream& stream, Byte* data, Int64 count, Integer code) {
  for (Int64 done = 0; done < count;) {
    const Integer n = static_cast<Integer>(std::min(count - done, kPiece));
    StreamReadChecked(data + done, n, stream, code);
    done += n;
  }
}

// A read-only stream over the decompressed body, so that the body is not copied once more.
using TBodyView = TSQLMemByteView;

// The body as the writer makes it before it is compressed: one heap block that grows geometrically and
// is not zero-filled first (a memory stream zeroes each step it grows by), so each byte is written once.
class TBodyWriter : public TStream {
 public:
  using TStream::Seek;
  Integer Read(void*, Integer) override { return 0; }
  Integer Write(const void* buffer, Integer count) override {
    if (count <= 0 || position_ < 0) return 0;
    const Int64 end = CheckedAdd<Int64>(position_, count);
    if (end > static_cast<Int64>(block_.Size()))
      block_.Resize(static_cast<std::size_t>(std::max<Int64>({end, kFirstSize, 2 * static_cast<Int64>(block_.Size())})));
    if (position_ > size_) std::memset(block_.Data() + size_, 0, static_cast<std::size_t>(position_ - size_));
    std::memcpy(block_.Data() + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    size_ = std::max(size_, end);
    return count;
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    position_ = SeekTarget(offset, origin, position_, size_);
    return position_;
  }
  Int64 GetSize() override { return size_; }
  const Byte* Data() const { return block_.Data(); }
  // Room for size bytes in all, so that the rest of the body is written without moving what is there.
  void Reserve(Int64 size) {
    if (size > static_cast<Int64>(block_.Size())) block_.Resize(static_cast<std::size_t>(size));
  }

 private:
  static constexpr Int64 kFirstSize = 1 << 20;
  THeapBlock block_;
  Int64 size_ = 0;
  Int64 position_ = 0;
};

// ---- definitions the writer and the reader agree on ----

// A field whose data type is not the one of its SQL field type would lay records out (and find its
// BLOB values) differently from the table that wrote them.
bool FieldTypesAgree(const TSQLMemFieldDef& field) {
  return field.DataType != edtNone && FieldTypeToDataType(field.FieldType) == field.DataType;
}

struct BLOBField {
  Integer fieldNo;
  Integer offset;
};

std::vector<BLOBField> BLOBFieldsOf(const TSQLMemFieldDefs& fields) {
  std::vector<BLOBField> result;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (IsBLOBDataType(field.DataType)) result.push_back({i, field.RecordOffset});
  }
  return result;
}

bool FieldIsNull(const Byte* record, Integer fieldNo) { return (record[fieldNo / 8] >> (fieldNo % 8) & 1) != 0; }

// The slot map the record section may carry for count records: the clear bits among the Capacity
// slots are exactly count, MinSlot and MaxSlot are the lowest and highest of them, and with Dense set
// they are the slots 0..count - 1 (the i-th record is in slot i). Bits of the last byte past the
// capacity describe no slot: the writer stores them as 1 (free) and the reader ignores them.
bool SlotMapHolds(const TSQLMemSlotMap& map, Int64 count) {
  if (count <= 0 || map.Capacity < count || map.MinSlot < 0 || map.MinSlot > map.MaxSlot ||
      map.MaxSlot >= map.Capacity || map.FreeBits.size() != static_cast<std::size_t>((Int64{map.Capacity} + 7) / 8))
    return false;
  Int64 used = 0;
  Integer lowest = -1;
  Integer highest = -1;
  for (Integer slot = 0; slot < map.Capacity; ++slot) {
    if (map.IsFree(slot)) continue;
    ++used;
    if (lowest < 0) lowest = slot;
    highest = slot;
  }
  if (used != count || lowest != map.MinSlot || highest != map.MaxSlot) return false;
  return map.Dense == 0 || (map.MinSlot == 0 && map.MaxSlot == count - 1);
}

Integer NextUsedSlot(const TSQLMemSlotMap& map, Integer slot) {
  while (slot < map.Capacity && map.IsFree(slot)) ++slot;
  return slot;
}

Int64 CheckedRecordCount(Int64 count) {
  if (count < 0 || count > std::numeric_limits<Integer>::max()) RaiseRangeError();
  return count;
}

// ---- writing ----

void WriteSequences(TStream& body, TSQLMemTableStreamSource& table, const TSQLMemFieldDefs& fields) {
  // Each AutoInc field owns its sequence, so one sequence per such field; should two fields ever share
  // one, it is written once and the count says how many were written, so that the reader never takes
  // a field definition for a sequence.
  std::vector<const TSQLMemSequenceDef*> sequences;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!IsAutoIncFieldType(field.FieldType)) continue;
    const TSQLMemSequenceDef* sequence = table.FindSequence(field.SequenceId);
    if (sequence == nullptr) SQLMemError(30013, SQLMemSequenceNotFound, {field.SequenceId});
    bool written = false;
    for (const TSQLMemSequenceDef* s : sequences) written = written || s->ObjectId == sequence->ObjectId;
    if (!written) sequences.push_back(sequence);
  }
  StreamWriteValue<Integer>(body, static_cast<Integer>(sequences.size()), 10205);
  for (const TSQLMemSequenceDef* sequence : sequences) sequence->SaveToStream(body);
}

void WriteRecord(TStream& body, TSQLMemTableStreamSource& table, Byte* record, Integer recordSize,
                 const std::vector<BLOBField>& blobFields) {
  if (blobFields.empty()) {
    StreamWriteChecked(record, recordSize, body, 10200);
    return;
  }
  struct Value {
    const Byte* block;
    Int64 length;
  };
  std::vector<Value> values;
  // The value slot of each present BLOB takes the position of its block in the body: the blocks follow
  // the record back to back in field order.
  Int64 position = CheckedAdd<Int64>(body.GetPosition(), recordSize);
  for (const BLOBField& f : blobFields) {
    if (FieldIsNull(record, f.fieldNo)) continue;
    Int64 length = 0;
    const Byte* block = table.GetBLOBBlock(record, f.fieldNo, length);
    if (block == nullptr) SQLMemError(10196, SQLMemNilPointer);
    if (length < 0) RaiseRangeError();
    StoreValue<Int64>(record + f.offset, position);
    position = CheckedAdd<Int64>(position, CheckedAdd<Int64>(kStreamBLOBHeadSize, length));
    values.push_back({block, length});
  }
  StreamWriteChecked(record, recordSize, body, 10197);
  for (const Value& v : values) {
    Byte head[kStreamBLOBHeadSize];
    std::memcpy(head, v.block, kMemoryBLOBHeadSize);
    StoreValue<Int64>(head + kMemoryBLOBHeadSize, v.length);
    StreamWriteChecked(head, kStreamBLOBHeadSize, body, 10198);
    WriteBytes(body, v.block + kMemoryBLOBHeadSize, v.length, 10199);
  }
}

// The record section; returns the number of records written.
Int64 WriteRecordSection(TStream& body, TSQLMemTableStreamSource& table, const TSQLMemFieldDefs& fields) {
  const Int64 count = CheckedRecordCount(table.RecordCount());
  if (count == 0) return 0;
  TSQLMemSlotMap map;
  table.GetSlotMap(map);
  WriteSlotMap(body, map, count);

  const Integer recordSize = fields.RecordSize();
  const std::vector<BLOBField> blobFields = BLOBFieldsOf(fields);
  TSQLMemStreamBuffer record(recordSize);
  // Writing into the body's own block: the records and their values are sized first, so the block grows
  // once and the bytes written so far are not moved again and again.
  if (auto* writer = dynamic_cast<TBodyWriter*>(&body)) {
    Int64 size = body.GetPosition();
    for (Integer slot = table.FetchRecord(true, record.Data()); slot >= 0; slot = table.FetchRecord(false, record.Data())) {
      size = CheckedAdd<Int64>(size, recordSize);
      for (const BLOBField& f : blobFields) {
        if (FieldIsNull(record.Data(), f.fieldNo)) continue;
        Int64 length = 0;
        if (table.GetBLOBBlock(record.Data(), f.fieldNo, length) != nullptr && length > 0)
          size = CheckedAdd<Int64>(size, kStreamBLOBHeadSize + length);
      }
    }
    writer->Reserve(std::min(size, kMaxBodySize));
  }
  Int64 written = 0;
  Integer expected = map.MinSlot;
  for (Integer slot = table.FetchRecord(true, record.Data()); slot >= 0;
       slot = table.FetchRecord(false, record.Data())) {
    // The records must be the used slots of the map, in order, or the reader would place them elsewhere.
    if (written == count || slot != expected) SQLMemError(10200, SQLMemInvalidRecordCount, {written + 1, count});
    WriteRecord(body, table, record.Data(), recordSize, blobFields);
    ++written;
    expected = NextUsedSlot(map, slot + 1);
  }
  if (written != count) SQLMemError(10200, SQLMemInvalidRecordCount, {written, count});
  return written;
}

// The size of the index's keys over the fields.
Integer IndexKeySize(const TSQLMemIndexDef& index, const TSQLMemFieldDefs& fields) {
  struct Fields : TSQLMemKeyFieldSource {
    const TSQLMemFieldDefs* defs;
    const TSQLMemFieldDefs* KeyFieldDefs() const override { return defs; }
  } source;
  source.defs = &fields;
  TSQLMemBTreeKeyRef keyRef;
  keyRef.Build(index, &source);
  return keyRef.KeySize();
}

// The page store with only the pages of the saved indexes' trees in use: a temporary index is not
// saved, and a page of its tree written as in use would belong to no index once the stream is loaded.
void WriteIndexPages(TStream& body, TSQLMemMemoryPageManager& pages, const TSQLMemIndexDefs& indexes,
                     const TSQLMemFieldDefs& fields) {
  std::vector<bool> keep(static_cast<std::size_t>(pages.PageCapacity()), false);
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexes.GetItem(i);
    if (index.Temporary != 0 || index.RootPageNo == -1) continue;
    const Integer keySize = IndexKeySize(index, fields);
    // Every page reached from the root through the nodes' child numbers; a number seen before or out
    // of the store is not followed again.
    std::vector<Integer> pending{index.RootPageNo};
    while (!pending.empty()) {
      const Integer pageNo = pending.back();
      pending.pop_back();
      if (pageNo < 0 || pageNo >= pages.PageCapacity() || keep[static_cast<std::size_t>(pageNo)]) continue;
      keep[static_cast<std::size_t>(pageNo)] = true;
      const Byte* page = pages.StoreBuffer(pageNo);
      if (page[1] == 1) continue;  // a leaf
      const Integer count = LoadValue<Word>(page + 14);
      const Integer itemSize = keySize + 4;
      for (Integer item = 0; item < count && 18 + Int64{item + 1} * itemSize <= pages.PageSize(); ++item)
        pending.push_back(LoadValue<Integer>(page + 18 + item * itemSize + keySize));
    }
  }
  pages.SaveToStream(body, keep);
}

Int64 WriteBody(TStream& body, TSQLMemTableStreamSource& table) {
  const TSQLMemFieldDefs& fields = table.FieldDefs();
  for (Integer i = 0; i < fields.GetCount(); ++i)
    if (!FieldTypesAgree(fields.GetFieldDef(i)))
      SQLMemError(10171, SQLMemUnknownDataType, {EngineDataTypeName(fields.GetFieldDef(i).DataType)});
  WriteSequences(body, table, fields);
  fields.SaveToStream(body);
  table.ConstraintDefs().SaveToStream(body);
  table.IndexDefs().SaveToStream(body);
  WriteIndexPages(body, table.PageManager(), table.IndexDefs(), fields);
  return WriteRecordSection(body, table, fields);
}

// Rewrites the header at start with its final values and goes back to where the writing ended.
void FinishHeader(TStream& stream, Int64 start, TSQLMemTableStreamHeader& header, TSQLMemTableStreamSource& table) {
  const Int64 end = stream.GetPosition();
  if (stream.Seek(start, TSeekOrigin::soBeginning) != start)
    SQLMemError(10155, SQLMemCannotSetStreamPosition, {start, end, stream.GetSize()});
  header.RecordCount = CheckedRecordCount(table.RecordCount());
  WriteTableStreamHeader(stream, header);
  stream.Seek(end, TSeekOrigin::soBeginning);
}

// ---- reading ----

// Damage that a definition's own reader reports as a range or overflow error (an empty column name, a
// layout past 2 GB) is reported as the read error of the section, like all other damage.
template <typename Fn>
void ReadSection(TStream& body, Integer code, Fn&& read) {
  const Int64 start = body.GetPosition();
  try {
    read();
  } catch (const EIntError&) {
    RaiseDamaged(body, start, body.GetPosition() - start, code);
  }
}

void ReadSequences(TStream& body, TSQLMemSequenceDefs& sequences) {
  sequences.Clear();
  const Int64 at = body.GetPosition();
  const Integer count = StreamReadValue<Integer>(body, 10218);
  // A sequence record takes at least 39 bytes.
  if (count < 0 || count > BytesLeft(body) / 39) RaiseDamaged(body, at, 4, 10218);
  for (Integer i = 0; i < count; ++i) {
    auto sequence = std::make_unique<TSQLMemSequenceDef>();
    sequence->LoadFromStream(body);
    sequences.AddItem(std::move(sequence));
  }
}

void CheckFields(TStream& body, Int64 at, const TSQLMemFieldDefs& fields, const TSQLMemSequenceDefs& sequences) {
  if (fields.GetCount() == 0) RaiseDamaged(body, at, 4, 10159);
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!FieldTypesAgree(field)) RaiseDamaged(body, at, 1, 10188);
    if (IsAutoIncFieldType(field.FieldType) && sequences.FindByObjectID(field.SequenceId) == nullptr)
      SQLMemError(30013, SQLMemSequenceNotFound, {field.SequenceId});
  }
}

// ---- index pages ----

// The index pages are used as they were saved (no tree is rebuilt), so the loader checks their structure
// before the table takes them: a damaged page could otherwise send a tree walk in circles, past the end
// of a page or to records that do not exist. Key order is not checked: that needs the collation, and a
// key out of order misplaces a search without reaching outside the tree.
class TIndexPagesCheck {
 public:
  TIndexPagesCheck(TStream& body, Int64 pagesAt, const TSQLMemMemoryPageManager& pages)
      : body_(body), pagesAt_(pagesAt), pages_(pages), seen_(static_cast<std::size_t>(pages.PageCapacity()), false) {}

  void CheckTree(const TSQLMemIndexDef& index, const TSQLMemFieldDefs& fields) {
    if (index.RootPageNo == -1) return;
    Tree tree{IndexKeySize(index, fields), {}};
    std::vector<Integer> level{index.RootPageNo};
    for (Integer depth = 1; !level.empty(); ++depth) {
      if (depth > 32) Damaged();
      const bool leafLevel = Page(level[0], false)[1] == 1;
      std::vector<Integer> below;
      for (std::size_t i = 0; i < level.size(); ++i) {
        const Byte* page = Page(level[i]);
        const Integer count = LoadValue<Word>(page + 14);
        const Integer itemSize = tree.keySize + (leafLevel ? 6 : 4);
        if (page[0] != (depth == 1 ? 1 : 0) || page[1] != (leafLevel ? 1 : 0) || page[11] != 0 ||
            LoadValue<Word>(page + 12) != tree.keySize || LoadValue<Word>(page + 16) != 0 ||
            LoadValue<Integer>(page + 2) != (i == 0 ? -1 : level[i - 1]) ||
            LoadValue<Integer>(page + 6) != (i + 1 == level.size() ? -1 : level[i + 1]) ||
            18 + Int64{count} * itemSize > pages_.PageSize() || (!leafLevel && count == 0))
          Damaged();
        for (Integer item = 0; item < count && !leafLevel; ++item)
          below.push_back(LoadValue<Integer>(page + 18 + item * itemSize + tree.keySize));
        if (leafLevel) tree.leaves.push_back(level[i]);
      }
      level = std::move(below);
    }
    trees_.push_back(std::move(tree));
  }

  // Every leaf item names a used slot with item number 0, and each tree names every record once.
  void CheckReferences(Int64 count, const TSQLMemSlotMap* map) {
    for (const Tree& tree : trees_) {
      Int64 items = 0;
      std::vector<bool> named(map == nullptr ? 0 : static_cast<std::size_t>(map->Capacity), false);
      for (Integer pageNo : tree.leaves) {
        const Byte* page = Page(pageNo, false);
        const Integer n = LoadValue<Word>(page + 14);
        for (Integer item = 0; item < n; ++item) {
          const TSQLMemRecordID id = LoadRecordID(page + 18 + item * (tree.keySize + 6) + tree.keySize);
          if (map == nullptr || id.RecordNo < 0 || id.RecordNo >= map->Capacity || map->IsFree(id.RecordNo) ||
              id.ItemNo != 0 || named[static_cast<std::size_t>(id.RecordNo)])
            Damaged();
          named[static_cast<std::size_t>(id.RecordNo)] = true;
        }
        items += n;
      }
      if (items != count) Damaged();
    }
  }

 private:
  struct Tree {
    Integer keySize;
    std::vector<Integer> leaves;
  };

  [[noreturn]] void Damaged() { RaiseDamaged(body_, pagesAt_, pages_.PageSize(), 10375); }

  // A page of the tree; each page belongs to one tree and one place in it.
  const Byte* Page(Integer pageNo, bool firstVisit = true) {
    if (pageNo < 0 || pageNo >= pages_.PageCapacity() || !pages_.AllocationMap().GetBit(pageNo)) Damaged();
    if (firstVisit) {
      if (seen_[static_cast<std::size_t>(pageNo)]) Damaged();
      seen_[static_cast<std::size_t>(pageNo)] = true;
    }
    return pages_.StoreBuffer(pageNo);
  }

  TStream& body_;
  Int64 pagesAt_;
  const TSQLMemMemoryPageManager& pages_;
  std::vector<bool> seen_;
  std::vector<Tree> trees_;
};

void ReadRecordBLOB(TStream& body, Byte* record, const BLOBField& f, TSQLMemTableStreamSink& table) {
  // The blocks of a record follow it back to back; a position that points anywhere else is damage, and
  // following it could make two values share bytes or read outside the body.
  const Int64 at = body.GetPosition();
  const Int64 position = LoadValue<Int64>(record + f.offset);
  if (position != at) SQLMemError(10202, SQLMemCannotSetStreamPosition, {position, at, body.GetSize()});
  Byte head[kStreamBLOBHeadSize];
  StreamReadChecked(head, kStreamBLOBHeadSize, body, 10203);
  const Integer blockCount = LoadValue<Integer>(head);
  const Int64 size = LoadValue<Int64>(head + 4);
  const Int64 length = LoadValue<Int64>(head + kMemoryBLOBHeadSize);
  if (blockCount < 0 || size < 0 || length < 0 || length > BytesLeft(body) ||
      length > Int64{std::numeric_limits<Cardinal>::max()} - kMemoryBLOBHeadSize)
    RaiseDamaged(body, at, kStreamBLOBHeadSize, 10203);
  // The slot's eight bytes held the position; in memory they become the block's 32-bit reference, two
  // zero bytes and the mark of a block that the stored record owns (the table's AttachNewBLOBBlock).
  Byte* block = table.AttachNewBLOBBlock(record, f.fieldNo, length);
  std::memcpy(block, head, kMemoryBLOBHeadSize);
  ReadBytes(body, block + kMemoryBLOBHeadSize, length, 10204);
  // A head whose sizes disagree with the bytes behind it is damage of the stream, not an error for
  // the moment the value is shown.
  if (!table.BLOBValueHolds(record, f.fieldNo)) RaiseDamaged(body, at, kStreamBLOBHeadSize, 10203);
}

void ReadRecordSection(TStream& body, Int64 count, Integer recordSize, const std::vector<BLOBField>& blobFields,
                       TIndexPagesCheck& indexCheck, TSQLMemTableStreamSink& table) {
  if (count <= 0) {
    indexCheck.CheckReferences(0, nullptr);
    return;
  }
  TSQLMemSlotMap map;
  ReadSlotMap(body, count, map);
  indexCheck.CheckReferences(count, &map);
  if (CheckedMul<Int64>(count, recordSize) > BytesLeft(body)) RaiseDamaged(body, body.GetPosition(), recordSize, 10201);

  table.LoadSlotMap(map);
  TSQLMemStreamBuffer record(recordSize);
  Integer slot = map.MinSlot;
  for (Int64 i = 0; i < count; ++i) {
    StreamReadChecked(record.Data(), recordSize, body, 10201);
    for (const BLOBField& f : blobFields)
      if (!FieldIsNull(record.Data(), f.fieldNo)) ReadRecordBLOB(body, record.Data(), f, table);
    table.LoadRecord(record.Data(), slot);
    slot = NextUsedSlot(map, slot + 1);
  }
}

void ReadBody(TStream& body, const TSQLMemTableStreamHeader& header, TSQLMemTableStreamSink& table) {
  TSQLMemTableStreamDefs defs;
  ReadSection(body, 10218, [&] { ReadSequences(body, defs.Sequences); });
  const Int64 fieldsAt = body.GetPosition();
  defs.Fields.FormatVersion = header.Version;
  ReadSection(body, 10159, [&] { defs.Fields.LoadFromStream(body); });
  CheckFields(body, fieldsAt, defs.Fields, defs.Sequences);
  ReadSection(body, 10159, [&] { defs.Constraints.LoadFromStream(body); });
  ReadSection(body, 10159, [&] { defs.Indexes.LoadFromStream(body); });
  const Int64 pagesAt = body.GetPosition();
  TSQLMemMemoryPageManager& pages = table.PageManager();
  ReadSection(body, 10369, [&] { pages.LoadFromStream(body); });
  TIndexPagesCheck indexCheck(body, pagesAt, pages);
  ReadSection(body, 10375, [&] {
    for (Integer i = 0; i < defs.Indexes.GetCount(); ++i) indexCheck.CheckTree(defs.Indexes.GetItem(i), defs.Fields);
  });
  // The records must fit what is left, before the table sizes anything by the record size.
  const Integer recordSize = defs.Fields.RecordSize();
  if (header.RecordCount * recordSize > BytesLeft(body)) RaiseDamaged(body, body.GetPosition(), recordSize, 10201);
  const std::vector<BLOBField> blobFields = BLOBFieldsOf(defs.Fields);
  table.DefinitionsLoaded(defs);
  ReadRecordSection(body, header.RecordCount, recordSize, blobFields, indexCheck, table);
}

// The whole content of a stream held in memory; nullptr for any other stream.
const Byte* StreamMemory(TStream& stream) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) return static_cast<const Byte*>(memory->Memory());
  if (auto* memory = dynamic_cast<TSQLMemMemoryStream*>(&stream)) return memory->Memory();
  return nullptr;
}

// The compressed body, read as one block and decompressed as one block.
THeapBlock ReadCompressedBody(TStream& stream, const TSQLMemTableStreamHeader& header) {
  const Int64 at = stream.GetPosition();
  if (header.CompressedSize <= 0 || header.CompressedSize > BytesLeft(stream))
    SQLMemError(kCompressedBody, SQLMemCannotReadBlockFromStream, {at, stream.GetSize(), header.CompressedSize, BytesLeft(stream)});
  if (header.UncompressedSize <= 0 || header.UncompressedSize > kMaxBodySize) RaiseRangeError();
  const Integer expected = static_cast<Integer>(header.UncompressedSize);
  // A stream in memory is decompressed where it lies; any other is read into one block first.
  const Byte* packed = StreamMemory(stream);
  THeapBlock copy;
  if (packed != nullptr) {
    packed += at;
    stream.Seek(header.CompressedSize, TSeekOrigin::soCurrent);
  } else {
    copy = THeapBlock::Allocate(static_cast<std::size_t>(header.CompressedSize), false);
    StreamReadChecked(copy.Data(), header.CompressedSize, stream, kCompressedBody);
    packed = copy.Data();
  }
  THeapBlock body;
  Integer size = expected;
  // The stored size bounds the output, so that damaged data never decompresses into more memory.
  if (!DecompressBuffer(header.Algorithm, packed, header.CompressedSize, size, body, expected))
    SQLMemError(kDecompressFailed, SQLMemDecompressBufferFailed, {header.Algorithm, header.CompressedSize, expected});
  // A body of another size than the header says is refused: the header and the body disagree, so one
  // of them is damaged.
  if (size != expected) SQLMemError(kDecompressFailed, SQLMemDecompressSizeMismatch, {size, expected});
  return body;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Header

void WriteTableStreamHeader(TStream& stream, const TSQLMemTableStreamHeader& header) {
  if (header.TableName.empty() || header.TableName.size() > 255) RaiseRangeError();
  Byte raw[kTableStreamHeaderSize];
  std::memcpy(raw, kTableStreamSignature, 4);
  StoreValue<double>(raw + 4, header.Version);
  StoreValue<Int64>(raw + 12, header.RecordCount);
  StoreValue<Int64>(raw + 20, header.UncompressedSize);
  StoreValue<Int64>(raw + 28, header.Reserved);
  StoreValue<Integer>(raw + 36, header.CompressedSize);
  raw[40] = header.Algorithm;
  raw[41] = header.Level;
  raw[42] = static_cast<Byte>(header.TableName.size());
  StreamWriteChecked(raw, kTableStreamHeaderSize, stream, 10156);
  StreamWriteChecked(header.TableName.data(), static_cast<Integer>(header.TableName.size()), stream, 10157);
  StreamWriteValue<Int64>(stream, header.ObjectIdSequenceValue, 10416);
}

void ReadTableStreamHeader(TStream& stream, TSQLMemTableStreamHeader& header) {
  const Int64 start = stream.GetPosition();
  Byte raw[kTableStreamHeaderSize];
  StreamReadChecked(raw, kTableStreamHeaderSize, stream, 10160);
  if (std::memcmp(raw, kTableStreamSignature, 4) != 0)
    SQLMemError(10161, SQLMemInvalidSignature, {std::string_view(reinterpret_cast<const char*>(raw), 4), kTableStreamSignature});
  const double version = LoadValue<double>(raw + 4);
  // 10454 is also the code of a record placed past the slot bitmap; the two keep their one code, as
  // callers that test codes expect, and differ by their messages.
  if (std::isnan(version) || version > kTableStreamMaxVersion)
    SQLMemError(10162, SQLMemInvalidVersionNumber, {version, kTableStreamVersion});
  if (version < 1.0001) SQLMemError(10443, SQLMemInvalidVersionNumber, {version, kTableStreamVersion});
  if (version < 1.010001) SQLMemError(10454, SQLMemInvalidVersionNumber, {version, kTableStreamVersion});
  if (version < kTableStreamMinVersion) SQLMemError(10455, SQLMemInvalidVersionNumber, {version, kTableStreamVersion});

  TSQLMemTableStreamHeader h;
  h.Version = version;
  h.RecordCount = LoadValue<Int64>(raw + 12);
  h.UncompressedSize = LoadValue<Int64>(raw + 20);
  h.Reserved = LoadValue<Int64>(raw + 28);
  h.CompressedSize = LoadValue<Integer>(raw + 36);
  h.Algorithm = raw[40];
  h.Level = raw[41];
  if (h.RecordCount < 0 || h.RecordCount > std::numeric_limits<Integer>::max()) RaiseDamaged(stream, start + 12, 8, 10160);
  if (h.Algorithm > static_cast<Byte>(CompressionAlgorithm::PPM)) RaiseDamaged(stream, start + 40, 1, 10160);
  // The two sizes mean something only for a compressed body; a stored body ignores them. A save that
  // failed before its body was compressed leaves the uncompressed size 0, so such a file is refused here.
  if (h.Algorithm != 0) {
    if (h.UncompressedSize <= 0 || h.UncompressedSize > kMaxBodySize) RaiseDamaged(stream, start + 20, 8, 10160);
    if (h.CompressedSize <= 0) RaiseDamaged(stream, start + 36, 4, 10160);
  }
  // A stream never carries an empty name: the writer refuses one, so an empty one is damage.
  const Byte nameLength = raw[42];
  if (nameLength == 0) RaiseDamaged(stream, start + 42, 1, 10163);
  h.TableName.assign(nameLength, '\0');
  StreamReadChecked(h.TableName.data(), nameLength, stream, 10163);
  const Int64 valueAt = stream.GetPosition();
  h.ObjectIdSequenceValue = StreamReadValue<Int64>(stream, 10417);
  if (h.ObjectIdSequenceValue < 0 || h.ObjectIdSequenceValue > kMaxObjectIdSequenceValue)
    RaiseDamaged(stream, valueAt, 8, 10417);
  h.BodyPosition = stream.GetPosition();
  if (h.Algorithm != 0 && h.CompressedSize > BytesLeft(stream))
    SQLMemError(kCompressedBody, SQLMemCannotReadBlockFromStream, {h.BodyPosition, stream.GetSize(), h.CompressedSize, BytesLeft(stream)});
  header = std::move(h);
}

TSQLMemTableStreamHeader CheckTableStreamHeader(TStream& stream) {
  const Int64 start = stream.GetPosition();
  TSQLMemTableStreamHeader header;
  try {
    ReadTableStreamHeader(stream, header);
  } catch (...) {
    stream.Seek(start, TSeekOrigin::soBeginning);
    throw;
  }
  stream.Seek(start, TSeekOrigin::soBeginning);
  return header;
}

AnsiString PeekTableStreamName(TStream& stream) {
  const Int64 start = stream.GetPosition();
  AnsiString name;
  try {
    Byte raw[kTableStreamHeaderSize];
    if (stream.Read(raw, kTableStreamHeaderSize) == kTableStreamHeaderSize) {
      name.assign(raw[42], '\0');
      if (stream.Read(name.data(), raw[42]) != raw[42]) name.clear();
    }
  } catch (const Exception&) {
    name.clear();
  }
  stream.Seek(start, TSeekOrigin::soBeginning);
  return name;
}

// ---------------------------------------------------------------------------------------------
// Slot map

void WriteSlotMap(TStream& stream, TSQLMemSlotMap map, Int64 count) {
  if (map.Capacity > 0 && map.FreeBits.size() == static_cast<std::size_t>((Int64{map.Capacity} + 7) / 8) &&
      map.Capacity % 8 != 0)
    map.FreeBits.back() |= static_cast<Byte>(0xFF << (map.Capacity % 8));
  // A map that the reader would refuse is not written: the save fails instead of leaving a file that
  // cannot be loaded.
  if (!SlotMapHolds(map, count)) SQLMemError(10448, SQLMemInvalidRecordCount, {count, map.Capacity});
  StreamWriteValue<Integer>(stream, map.Capacity, 10444);
  StreamWriteValue<Byte>(stream, map.Dense, 10445);
  StreamWriteValue<Integer>(stream, map.MinSlot, 10446);
  StreamWriteValue<Integer>(stream, map.MaxSlot, 10447);
  StreamWriteChecked(map.FreeBits.data(), static_cast<Integer>(map.FreeBits.size()), stream, 10448);
}

void ReadSlotMap(TStream& body, Int64 count, TSQLMemSlotMap& map) {
  const Int64 capacityAt = body.GetPosition();
  map.Capacity = StreamReadValue<Integer>(body, 10449);
  // The bitmap must be there before anything is sized by the capacity.
  if (map.Capacity < count || (Int64{map.Capacity} + 7) / 8 > BytesLeft(body)) RaiseDamaged(body, capacityAt, 4, 10449);
  map.Dense = StreamReadValue<Byte>(body, 10450);
  const Int64 minAt = body.GetPosition();
  map.MinSlot = StreamReadValue<Integer>(body, 10451);
  if (map.MinSlot < 0 || map.MinSlot >= map.Capacity) RaiseDamaged(body, minAt, 4, 10451);
  const Int64 maxAt = body.GetPosition();
  map.MaxSlot = StreamReadValue<Integer>(body, 10452);
  if (map.MaxSlot < map.MinSlot || map.MaxSlot >= map.Capacity) RaiseDamaged(body, maxAt, 4, 10452);
  const Int64 bitsAt = body.GetPosition();
  map.FreeBits.resize(static_cast<std::size_t>((Int64{map.Capacity} + 7) / 8));
  StreamReadChecked(map.FreeBits.data(), static_cast<Integer>(map.FreeBits.size()), body, 10453);
  // Slots above the highest used one have never been placed since the capacity last grew, and a
  // writer need not have initialised their bits (records are placed only up to MaxSlot): whatever they
  // say, they are free.
  for (Integer slot = map.MaxSlot + 1; slot < map.Capacity; ++slot)
    map.FreeBits[static_cast<std::size_t>(slot / 8)] |= static_cast<Byte>(1 << (slot % 8));
  if (!SlotMapHolds(map, count)) RaiseDamaged(body, bitsAt, static_cast<Int64>(map.FreeBits.size()), 10453);
}

// ---------------------------------------------------------------------------------------------
// Table stream

void SaveTableStream(TStream& stream, TSQLMemTableStreamSource& table, Byte algorithm, Byte level,
                     Integer headerSizeValue) {
  TSQLMemTableStreamHeader header;
  header.Algorithm = algorithm;
  header.Level = level == 0 ? 1 : level;
  header.CompressedSize = headerSizeValue;
  header.TableName = table.TableName();
  header.ObjectIdSequenceValue = table.ObjectIdSequenceValue();
  // Refused before anything is written: values the reader would not take back.
  if (header.TableName.empty() || header.TableName.size() > 255) RaiseRangeError();
  if (header.ObjectIdSequenceValue < 0 || header.ObjectIdSequenceValue > kMaxObjectIdSequenceValue) RaiseRangeError();
  if (algorithm > static_cast<Byte>(CompressionAlgorithm::PPM))
    SQLMemError(kCompressFailed, SQLMemCompressBufferFailed, {algorithm, header.Level, 0, 0});

  const Int64 start = stream.GetPosition();
  Int64 written = 0;
  try {
    header.RecordCount = CheckedRecordCount(table.RecordCount());
    WriteTableStreamHeader(stream, header);
    if (algorithm == 0) {
      written = WriteBody(stream, table);
    } else {
      THeapBlock packed;
      Integer packedSize = 0;
      Integer bodySize = 0;
      {
        TBodyWriter body;
        written = WriteBody(body, table);
        if (body.GetSize() > kMaxBodySize) RaiseRangeError();
        bodySize = static_cast<Integer>(body.GetSize());
        if (!CompressBuffer(algorithm, header.Level, body.Data(), bodySize, packed, packedSize) || packedSize <= 0)
          SQLMemError(kCompressFailed, SQLMemCompressBufferFailed, {algorithm, header.Level, bodySize, packedSize});
      }
      StreamWriteChecked(packed.Data(), packedSize, stream, kCompressedBody);
      header.CompressedSize = packedSize;
      header.UncompressedSize = bodySize;
    }
  } catch (...) {
    // The header keeps the provisional sizes, so that a reader refuses what a failed save left.
    header.CompressedSize = headerSizeValue;
    header.UncompressedSize = 0;
    try {
      FinishHeader(stream, start, header, table);
    } catch (...) {
    }
    throw;
  }
  FinishHeader(stream, start, header, table);
  if (header.RecordCount != written) SQLMemError(10156, SQLMemInvalidRecordCount, {header.RecordCount, written});
}

void LoadTableStreamBody(TStream& stream, const TSQLMemTableStreamHeader& header, TSQLMemTableStreamSink& table) {
  if (header.Algorithm == 0) {
    ReadBody(stream, header, table);
    return;
  }
  const THeapBlock body = ReadCompressedBody(stream, header);
  TBodyView view(body.Data(), static_cast<Int64>(body.Size()));
  ReadBody(view, header, table);
}

// ---------------------------------------------------------------------------------------------
// Database stream

void SaveDatabaseStream(TStream& stream, Integer tableCount, const std::function<void(Integer)>& saveTable) {
  if (tableCount < 0) RaiseRangeError();
  StreamWriteValue<Integer>(stream, tableCount, 11759);
  for (Integer i = 0; i < tableCount; ++i) saveTable(i);
}

void LoadDatabaseStream(TStream& stream, const std::function<void()>& loadTable) {
  const Int64 at = stream.GetPosition();
  const Integer count = StreamReadValue<Integer>(stream, 11760);
  if (count < 0 || count > BytesLeft(stream) / kMinTableStreamSize) RaiseDamaged(stream, at, 4, 11760);
  for (Integer i = 0; i < count; ++i) loadTable();
}
