#include "engine/storage/SQLMemRecordBLOB.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr Integer kHandleBytes = 4;
constexpr Integer kMarkBytes = 2;
// The largest piece moved by one Read call between a value's stream and its block.
constexpr Int64 kCopyPiece = 1 << 20;

const Byte* Slot(const Byte* recordBuffer, const TSQLMemFieldDef& field) { return recordBuffer + field.RecordOffset; }
Byte* Slot(Byte* recordBuffer, const TSQLMemFieldDef& field) { return recordBuffer + field.RecordOffset; }

// The mark sits at the field's CompactSize from the slot's start; a layout that leaves it no room in
// the slot is a damaged definition.
Integer MarkOffset(const TSQLMemFieldDef& field) {
  if (field.CompactSize < kHandleBytes || field.CompactSize > field.DataSize - kMarkBytes) RaiseRangeError();
  return field.CompactSize;
}

// Zero-fills (under EngineWipeMemory) and frees an engine block; errors of the wipe are ignored.
void ReleaseBlock(Byte* block) {
  if (EngineWipeMemory) {
    try {
      std::memset(block, 0, static_cast<std::size_t>(MemoryManager().GetBlockSize(block)));
    } catch (...) {
    }
  }
  void* p = block;
  MemoryManager().FreeMem(p);
}

}  // namespace

TSQLMemBLOBBlockHead ReadBLOBBlockHead(const Byte* block) {
  return {LoadValue<Integer>(block), LoadValue<Int64>(block + 4)};
}

void WriteBLOBBlockHead(Byte* block, const TSQLMemBLOBBlockHead& head) {
  StoreValue<Integer>(block, head.BlockCount);
  StoreValue<Int64>(block + 4, head.UncompressedSize);
}

CompressedBLOBDescriptor FieldBLOBDescriptor(const TSQLMemFieldDef& field) {
  CompressedBLOBDescriptor descriptor;
  descriptor.BlockSize = field.BLOBBlockSize;
  descriptor.Algorithm = field.BLOBCompressionAlgorithm;
  descriptor.Mode = field.BLOBCompressionLevel;
  return descriptor;
}

TSQLMemBLOBHandle GetBLOBSlotHandle(const Byte* recordBuffer, const TSQLMemFieldDef& field) {
  return LoadValue<TSQLMemBLOBHandle>(Slot(recordBuffer, field));
}

void SetBLOBSlotHandle(Byte* recordBuffer, const TSQLMemFieldDef& field, TSQLMemBLOBHandle handle) {
  Byte* slot = Slot(recordBuffer, field);
  StoreValue<TSQLMemBLOBHandle>(slot, handle);
  std::memset(slot + kHandleBytes, 0, static_cast<std::size_t>(MarkOffset(field) - kHandleBytes));
}

Word GetBLOBSlotMark(const Byte* recordBuffer, const TSQLMemFieldDef& field) {
  return LoadValue<Word>(Slot(recordBuffer, field) + MarkOffset(field));
}

void SetBLOBSlotMark(Byte* recordBuffer, const TSQLMemFieldDef& field, Word mark) {
  StoreValue<Word>(Slot(recordBuffer, field) + MarkOffset(field), mark);
}

// ---- TSQLMemBLOBBlockTable ----

TSQLMemBLOBBlockTable::~TSQLMemBLOBBlockTable() { Clear(); }

TSQLMemBLOBHandle TSQLMemBLOBBlockTable::NewBlock(Int64 dataLength, Byte*& block) {
  if (dataLength < 0) RaiseRangeError();
  void* p = MemoryManager().GetMem(CheckedAdd<Int64>(kBLOBBlockHeadSize, dataLength));
  std::lock_guard guard(lock_);
  try {
    TSQLMemBLOBHandle handle;
    if (!freeHandles_.empty()) {
      handle = freeHandles_.back();
      freeHandles_.pop_back();
    } else {
      // Handle 0 stays "no block", so the last entry may not take the top handle plus one.
      if (blocks_.size() >= static_cast<std::size_t>(UINT32_MAX)) RaiseIntOverflow();
      blocks_.push_back(nullptr);
      handle = static_cast<TSQLMemBLOBHandle>(blocks_.size());
    }
    blocks_[handle - 1] = static_cast<Byte*>(p);
    ++count_;
    block = static_cast<Byte*>(p);
    return handle;
  } catch (...) {
    MemoryManager().FreeMem(p);
    throw;
  }
}

Byte* TSQLMemBLOBBlockTable::Find(TSQLMemBLOBHandle handle, Integer code) const {
  if (handle == kNoBLOBBlock || handle > blocks_.size() || blocks_[handle - 1] == nullptr) {
    SQLMemError(code, SQLMemNilPointer);
  }
  return blocks_[handle - 1];
}

Byte* TSQLMemBLOBBlockTable::Block(TSQLMemBLOBHandle handle, Integer code) const {
  std::lock_guard guard(lock_);
  return Find(handle, code);
}

Int64 TSQLMemBLOBBlockTable::DataLength(TSQLMemBLOBHandle handle, Integer code) const {
  std::lock_guard guard(lock_);
  return MemoryManager().GetBlockSize(Find(handle, code)) - kBLOBBlockHeadSize;
}

void TSQLMemBLOBBlockTable::FreeBlock(TSQLMemBLOBHandle handle, Integer code) {
  Byte* block;
  {
    std::lock_guard guard(lock_);
    block = Find(handle, code);
    // The entry is given up before the block, so that a failing free cannot leave a handle to it.
    freeHandles_.reserve(blocks_.size());
    blocks_[handle - 1] = nullptr;
    freeHandles_.push_back(handle);
    --count_;
  }
  ReleaseBlock(block);
}

void TSQLMemBLOBBlockTable::Clear() noexcept {
  std::vector<Byte*> blocks;
  {
    std::lock_guard guard(lock_);
    blocks.swap(blocks_);
    freeHandles_.clear();
    count_ = 0;
  }
  for (Byte* block : blocks) {
    if (block == nullptr) continue;
    try {
      ReleaseBlock(block);
    } catch (...) {
      // A damaged block is left where it is; the others still go.
    }
  }
}

Integer TSQLMemBLOBBlockTable::Count() const {
  std::lock_guard guard(lock_);
  return count_;
}

// ---- TSQLMemRecordBLOBs ----

TSQLMemRecordBLOBs::TSQLMemRecordBLOBs(const TSQLMemFieldDefs* fieldDefs) : fieldDefs_(nullptr) {
  SetFieldDefs(fieldDefs);
}

void TSQLMemRecordBLOBs::SetFieldDefs(const TSQLMemFieldDefs* fieldDefs) {
  fieldDefs_ = fieldDefs;
  hasBLOBFields_ = false;
  if (fieldDefs_ == nullptr) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    if (IsBLOBDataType(fieldDefs_->GetFieldDef(i).DataType)) hasBLOBFields_ = true;
  }
}

const TSQLMemFieldDef& TSQLMemRecordBLOBs::BLOBField(Integer fieldNo) const {
  if (fieldDefs_ == nullptr) RaiseRangeError();
  CheckIndex(fieldNo, fieldDefs_->GetCount());
  const TSQLMemFieldDef& field = fieldDefs_->GetFieldDef(fieldNo);
  if (!IsBLOBDataType(field.DataType)) RaiseRangeError();
  return field;
}

std::unique_ptr<TSQLMemLocalBLOBStream> TSQLMemRecordBLOBs::OpenBLOB(const Byte* recordBuffer, Byte mode,
                                                                     Integer fieldNo,
                                                                     TSQLMemCursor* recordContext) const {
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  if (field.BLOBBlockSize == 0) SQLMemError(10420, SQLMemStreamBlockSizeZero);
  CompressedBLOBDescriptor descriptor = FieldBLOBDescriptor(field);
  auto base = std::make_unique<TSQLMemTemporaryStream>();
  const bool isNew = mode == bomWrite || recordBuffer == nullptr || IsRecordFieldNull(fieldNo, recordBuffer);
  if (!isNew) {
    const TSQLMemBLOBHandle handle = GetBLOBSlotHandle(recordBuffer, field);
    const Byte* block = blocks_.Block(handle, 10112);
    const Int64 length = blocks_.DataLength(handle, 10112);
    const TSQLMemBLOBBlockHead head = ReadBLOBBlockHead(block);
    base->WriteBuffer64(block + kBLOBBlockHeadSize, length);
    base->Seek(0, soBeginning);
    descriptor.BlockCount = head.BlockCount;
    descriptor.UncompressedSize = head.UncompressedSize;
  }
  auto blobStream = std::make_unique<TSQLMemCompressedBLOBStream>(*base, descriptor, isNew);
  return std::make_unique<TSQLMemLocalBLOBStream>(std::move(blobStream), std::move(base), fieldNo, mode,
                                                  recordContext);
}

bool TSQLMemRecordBLOBs::StoredBytes(const Byte* recordBuffer, Integer fieldNo, const Byte*& data, Int64& size) const {
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  if (recordBuffer == nullptr || field.BLOBBlockSize == 0 || field.BLOBCompressionAlgorithm != 0 ||
      IsRecordFieldNull(fieldNo, recordBuffer))
    return false;
  const TSQLMemBLOBHandle handle = GetBLOBSlotHandle(recordBuffer, field);
  const Byte* block = blocks_.Block(handle, 10112);
  const Int64 length = blocks_.DataLength(handle, 10112);
  const TSQLMemBLOBBlockHead head = ReadBLOBBlockHead(block);
  if (head.UncompressedSize < 0 || head.UncompressedSize > length) return false;
  data = block + kBLOBBlockHeadSize;
  size = head.UncompressedSize;
  return true;
}

TSQLMemBLOBHandle TSQLMemRecordBLOBs::CopyToNewBlock(TSQLMemLocalBLOBStream& stream) {
  TSQLMemCompressedBLOBStream& blobStream = stream.BLOBStream();
  const TSQLMemBLOBBlockHead head{CheckedCast<Integer>(blobStream.Descriptor().BlockCount), blobStream.GetSize()};
  TStream& base = stream.BaseStream();
  const Int64 length = base.GetSize();
  Byte* block = nullptr;
  const TSQLMemBLOBHandle handle = blocks_.NewBlock(length, block);
  WriteBLOBBlockHead(block, head);
  Int64 done = 0;
  if (base.Seek(0, soBeginning) == 0) {
    while (done < length) {
      const Integer got = base.Read(block + kBLOBBlockHeadSize + done,
                                    static_cast<Integer>(std::min(length - done, kCopyPiece)));
      if (got <= 0) break;
      done += got;
    }
  }
  if (done != length) {
    blocks_.FreeBlock(handle, 10117);
    SQLMemError(10117, SQLMemCannotReadBlockFromStream, {0, length, length, done});
  }
  return handle;
}

void TSQLMemRecordBLOBs::StoreBLOB(Byte* recordBuffer, Integer fieldNo, TSQLMemLocalBLOBStream& stream) {
  // Opening for writing empties the value, so a mode-0 stream replaces it even when nothing was
  // written: clearing a memo must not bring its old text back.
  if (stream.Mode() == bomRead || (stream.Mode() != bomWrite && !stream.Modified)) return;
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  // The new block is made before the old one goes, so that a failure changes nothing.
  const TSQLMemBLOBHandle handle = stream.BLOBStream().GetSize() == 0 ? kNoBLOBBlock : CopyToNewBlock(stream);
  if (IsEditBLOB(recordBuffer, fieldNo)) FreeBLOB(recordBuffer, fieldNo);
  SetBLOBSlotHandle(recordBuffer, field, handle);
  // An emptied value is the edit's too: the post clears the stored value.
  SetBLOBSlotMark(recordBuffer, field, kBLOBMarkEdit);
  SetRecordFieldNull(fieldNo, handle == kNoBLOBBlock, recordBuffer);
}

void TSQLMemRecordBLOBs::FreeBLOB(Byte* recordBuffer, Integer fieldNo) {
  if (!hasBLOBFields_) return;
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  if (IsRecordFieldNull(fieldNo, recordBuffer)) return;
  blocks_.FreeBlock(GetBLOBSlotHandle(recordBuffer, field), 10118);
  SetRecordFieldNull(fieldNo, true, recordBuffer);
}

void TSQLMemRecordBLOBs::FreeRecordBLOBs(Byte* recordBuffer) {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    if (IsBLOBDataType(fieldDefs_->GetFieldDef(i).DataType)) FreeBLOB(recordBuffer, i);
  }
}

void TSQLMemRecordBLOBs::DiscardNewBLOBs(Byte* recordBuffer) {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    if (IsBLOBDataType(fieldDefs_->GetFieldDef(i).DataType) && IsEditBLOB(recordBuffer, i)) FreeBLOB(recordBuffer, i);
  }
}

void TSQLMemRecordBLOBs::FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord) {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    if (!IsBLOBDataType(fieldDefs_->GetFieldDef(i).DataType)) continue;
    if (IsRecordFieldNull(i, newRecord) || IsEditBLOB(newRecord, i)) FreeBLOB(storedRecord, i);
  }
}

void TSQLMemRecordBLOBs::MarkBLOBs(bool ownedByEdit, Byte* recordBuffer) const {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    const TSQLMemFieldDef& field = fieldDefs_->GetFieldDef(i);
    if (!IsBLOBDataType(field.DataType)) continue;
    if (!IsRecordFieldNull(i, recordBuffer))
      SetBLOBSlotMark(recordBuffer, field, ownedByEdit ? kBLOBMarkEdit : kBLOBMarkStored);
    else if (!ownedByEdit && GetBLOBSlotMark(recordBuffer, field) == kBLOBMarkEdit)
      SetBLOBSlotMark(recordBuffer, field, 0);  // a stored NULL is no clearing by an edit
  }
}

void TSQLMemRecordBLOBs::KeepStoredBLOBs(const Byte* storedRecord, Byte* newRecord) const {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    const TSQLMemFieldDef& field = fieldDefs_->GetFieldDef(i);
    if (!IsBLOBDataType(field.DataType) || IsEditBLOB(newRecord, i)) continue;
    std::memcpy(newRecord + field.RecordOffset, storedRecord + field.RecordOffset,
                static_cast<std::size_t>(field.DataSize));
    SetRecordFieldNull(i, IsRecordFieldNull(i, storedRecord), newRecord);
  }
}

void TSQLMemRecordBLOBs::DropForeignBLOBs(Byte* newRecord) const {
  if (!hasBLOBFields_) return;
  for (Integer i = 0; i < fieldDefs_->GetCount(); ++i) {
    if (IsBLOBDataType(fieldDefs_->GetFieldDef(i).DataType) && !IsRecordFieldNull(i, newRecord) &&
        !IsEditBLOB(newRecord, i))
      SetRecordFieldNull(i, true, newRecord);
  }
}

bool TSQLMemRecordBLOBs::IsEditBLOB(const Byte* recordBuffer, Integer fieldNo) const {
  return GetBLOBSlotMark(recordBuffer, BLOBField(fieldNo)) == kBLOBMarkEdit;
}

const Byte* TSQLMemRecordBLOBs::GetBLOBBlock(const Byte* recordBuffer, Integer fieldNo, Int64& dataLength,
                                             Integer code) const {
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  dataLength = 0;
  if (IsRecordFieldNull(fieldNo, recordBuffer)) return nullptr;
  const TSQLMemBLOBHandle handle = GetBLOBSlotHandle(recordBuffer, field);
  const Byte* block = blocks_.Block(handle, code);
  dataLength = blocks_.DataLength(handle, code);
  return block;
}

Byte* TSQLMemRecordBLOBs::AttachNewBLOBBlock(Byte* recordBuffer, Integer fieldNo, Int64 dataLength) {
  const TSQLMemFieldDef& field = BLOBField(fieldNo);
  Byte* block = nullptr;
  const TSQLMemBLOBHandle handle = blocks_.NewBlock(dataLength, block);
  SetBLOBSlotHandle(recordBuffer, field, handle);
  SetBLOBSlotMark(recordBuffer, field, kBLOBMarkStored);
  SetRecordFieldNull(fieldNo, false, recordBuffer);
  return block;
}
