#include "engine/storage/SQLMemMemoryRecordManager.h"

#include <array>
#include <cstring>
#include <new>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemPageManager.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr std::array<Byte, 256> kUsedBitsPerByte = [] {
  std::array<Byte, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int zeros = 0;
    for (int bit = 0; bit < 8; ++bit)
      if ((v & (1 << bit)) == 0) ++zeros;
    table[static_cast<std::size_t>(v)] = static_cast<Byte>(zeros);
  }
  return table;
}();

Integer BitmapBytes(Integer capacity) { return static_cast<Integer>((Int64{capacity} + 7) / 8); }

// Resizes an engine block (allocating it when there is none yet); p is unchanged on failure.
void ResizeBlock(Byte*& p, Int64 size) {
  void* block = p;
  if (block == nullptr)
    block = MemoryManager().GetMem(size);
  else
    MemoryManager().ReallocMem(block, false, size);
  p = static_cast<Byte*>(block);
}

void FreeBlock(Byte*& p) noexcept {
  void* block = p;
  p = nullptr;
  try {
    MemoryManager().FreeMem(block);
  } catch (...) {  // a damaged block is released all the same
  }
}

}  // namespace

Byte TSQLMemMemoryRecordManager::UsedBitsPerByte(Byte value) { return kUsedBitsPerByte[value]; }

TSQLMemMemoryRecordManager::TSQLMemMemoryRecordManager(TSQLMemMemoryRecordTable* table, Integer allocBy,
                                                       Integer recordSize)
    : table_(table), allocBy_(allocBy) {
  if (recordSize == 0) SQLMemError(10011, SQLMemInvalidRecordSize);
  if (recordSize < 0) RaiseRangeError();
  recordSize_ = recordSize;
  recordLock_ = std::make_unique<TSQLMemReadWriteThreadSyncByCriticalSections>();
  recordLock_->SetOwner(this, "TSQLMemMemoryRecordManager");
}

TSQLMemMemoryRecordManager::~TSQLMemMemoryRecordManager() {
  FreeBlock(slots_);
  FreeBlock(freeBits_);
}

void TSQLMemMemoryRecordManager::EmptyRecords(Integer /*sessionId*/) {
  recordCount_ = 0;
  SetCapacity(0);
  minSlot_ = maxSlot_ = 0;
}

void TSQLMemMemoryRecordManager::SetCapacity(Integer n) {
  if (n < 0) RaiseRangeError();
  if (n == 0) {
    FreeBlock(slots_);
    FreeBlock(freeBits_);
    capacity_ = 0;
    return;
  }
  const Int64 slotBytes = CheckedMul<Int64>(n, recordSize_);
  ResizeBlock(slots_, slotBytes);
  const Integer oldBytes = BitmapBytes(capacity_);
  const Integer newBytes = BitmapBytes(n);
  ResizeBlock(freeBits_, newBytes);
  // Slots beyond the old capacity hold no record yet: their bits (also those in the old last byte)
  // start free, so neither a record number nor an existence test ever counts them.
  if (newBytes > oldBytes) std::memset(freeBits_ + oldBytes, 0xFF, static_cast<std::size_t>(newBytes - oldBytes));
  for (Integer slot = capacity_; slot < n && slot < oldBytes * 8; ++slot) SetBit(true, slot, freeBits_);
  capacity_ = n;
}

bool TSQLMemMemoryRecordManager::SlotIsFree(Integer slot) const {
  CheckIndex(slot, capacity_);
  return GetBit(slot, freeBits_);
}

const Byte* TSQLMemMemoryRecordManager::SlotData(Integer slot) const {
  CheckIndex(slot, capacity_);
  return Slot(slot);
}

Byte* TSQLMemMemoryRecordManager::Slot(Integer slot) const {
  return slots_ + static_cast<std::ptrdiff_t>(slot) * recordSize_;
}

void TSQLMemMemoryRecordManager::SetFree(Integer slot, bool isFree) { SetBit(isFree, slot, freeBits_); }

bool TSQLMemMemoryRecordManager::IsUsed(Integer slot) const {
  return recordCount_ > 0 && slot >= minSlot_ && slot <= maxSlot_ && !GetBit(slot, freeBits_);
}

void TSQLMemMemoryRecordManager::GrowFor(Integer slot) {
  const Int64 needed = CheckedAdd<Int64>(slot, 1);
  Int64 newCapacity = needed;
  if (allocBy_ > 0) {
    if (capacity_ == 0) {
      newCapacity = allocBy_ >= needed ? allocBy_ : needed;
    } else {
      Int64 step = GetAllocationStep(CheckedMul<Int64>(needed, recordSize_));
      const Int64 missing = CheckedMul<Int64>(needed - capacity_, recordSize_);
      if (missing > step) step = missing;
      newCapacity = CheckedAdd<Int64>(capacity_, step / recordSize_);
    }
  }
  SetCapacity(CheckedCast<Integer>(newCapacity));
}

bool TSQLMemMemoryRecordManager::AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId,
                                              Integer /*sessionId*/) {
  if (recordBuffer == nullptr) return false;
  try {
    const Integer slot = recordCount_ == 0 ? 0 : CheckedAdd(maxSlot_, 1);
    if (slot >= capacity_) GrowFor(slot);
    std::memcpy(Slot(slot), recordBuffer, static_cast<std::size_t>(recordSize_));
    SetFree(slot, false);
    if (recordCount_ == 0 || slot < minSlot_) minSlot_ = slot;
    if (recordCount_ == 0 || slot > maxSlot_) maxSlot_ = slot;
    recordCount_ = CheckedAdd<Int64>(recordCount_, 1);
    recordId = TSQLMemRecordID{slot, 0};
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TSQLMemMemoryRecordManager::UpdateRecord(const Byte* recordBuffer, const TSQLMemRecordID& recordId,
                                              Integer /*sessionId*/) {
  // A freed slot still holds the deleted record's bytes, BLOB references included; writing into it
  // would free those blocks a second time and report success for a record nobody can see.
  const Integer slot = recordId.RecordNo;
  if (recordBuffer == nullptr || !IsUsed(slot)) return false;
  try {
    Byte* stored = Slot(slot);
    const bool hasBLOBs = table_ != nullptr && table_->HasBLOBFields();
    if (hasBLOBs) table_->FreeReplacedBLOBs(stored, recordBuffer);
    std::memmove(stored, recordBuffer, static_cast<std::size_t>(recordSize_));
    if (hasBLOBs) table_->MarkStoredBLOBs(stored);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool TSQLMemMemoryRecordManager::DeleteRecord(const TSQLMemRecordID& recordId, Integer sessionId) {
  const Integer slot = recordId.RecordNo;
  if (!IsUsed(slot)) return false;
  try {
    dense_ = 0;
    if (recordCount_ == 1) {
      EmptyRecords(sessionId);
      return true;
    }
    SetFree(slot, true);
    recordCount_ -= 1;
    if (slot == minSlot_) minSlot_ = NextUsed(slot);
    if (slot == maxSlot_) maxSlot_ = PriorUsed(slot);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool TSQLMemMemoryRecordManager::RecordExists(const TSQLMemRecordID& recordId, Integer /*sessionId*/) {
  return IsUsed(recordId.RecordNo);
}

Integer TSQLMemMemoryRecordManager::NextUsed(Int64 from) const {
  for (Int64 slot = from + 1 < minSlot_ ? minSlot_ : from + 1; slot <= maxSlot_; ++slot)
    if (!GetBit(static_cast<Integer>(slot), freeBits_)) return static_cast<Integer>(slot);
  return -1;
}

Integer TSQLMemMemoryRecordManager::PriorUsed(Int64 from) const {
  for (Int64 slot = from - 1 > maxSlot_ ? maxSlot_ : from - 1; slot >= minSlot_; --slot)
    if (!GetBit(static_cast<Integer>(slot), freeBits_)) return static_cast<Integer>(slot);
  return -1;
}

void TSQLMemMemoryRecordManager::CopyOut(Integer slot, TSQLMemNavigationRequest& request) const {
  if (request.RecordBuffer == nullptr) SQLMemError(10019, SQLMemErrorRetrievingRecord);
  std::memmove(request.RecordBuffer, Slot(slot), static_cast<std::size_t>(recordSize_));
  request.RecordId = TSQLMemRecordID{slot, 0};
  request.Result = nrFound;
}

void TSQLMemMemoryRecordManager::NavigateRecord(TSQLMemNavigationRequest& request) {
  if (recordCount_ == 0) {
    request.Result = nrAfterLast;
    return;
  }
  if (request.First != 0) {
    if (request.Direction == ndNext) {
      CopyOut(minSlot_, request);
      request.First = 0;
    } else {
      request.Result = request.Direction == ndPrior ? nrBeforeFirst : nrNotFound;
    }
    return;
  }
  if (request.Last != 0) {
    if (request.Direction == ndPrior) {
      CopyOut(maxSlot_, request);
      request.Last = 0;
    } else {
      request.Result = request.Direction == ndNext ? nrAfterLast : nrNotFound;
    }
    return;
  }
  const Integer from = request.RecordId.RecordNo;
  switch (request.Direction) {
    case ndCurrent:
      if (IsUsed(from))
        CopyOut(from, request);
      else
        request.Result = nrNotFound;
      return;
    case ndNext: {
      const Integer slot = NextUsed(from);
      if (slot < 0)
        request.Result = nrAfterLast;
      else
        CopyOut(slot, request);
      return;
    }
    case ndPrior: {
      const Integer slot = PriorUsed(from);
      if (slot < 0)
        request.Result = nrBeforeFirst;
      else
        CopyOut(slot, request);
      return;
    }
    default:
      request.Result = nrNotFound;
  }
}

Int64 TSQLMemMemoryRecordManager::GetRecordNo(const TSQLMemRecordID& recordId, Integer /*sessionId*/) {
  const Integer slot = recordId.RecordNo;
  if (recordCount_ == 0 || slot < minSlot_ || slot > maxSlot_) return -1;
  if (recordCount_ == 1) return 1;
  // The records spread evenly over MinSlot..MaxSlot: exact when there is no gap (count = span), an
  // interpolation otherwise; O(1) because the search only weighs candidate positions with it.
  const Int64 span = Int64{maxSlot_} - minSlot_ + 1;
  const Int64 estimate = (Int64{slot} - minSlot_) * recordCount_ / span + 1;
  return estimate > recordCount_ ? recordCount_ : estimate;
}

Int64 TSQLMemMemoryRecordManager::RecordNoToSlot(Int64 n) const {
  if (n < 0 || n > recordCount_) return -1;
  if (dense_ != 0) return n;
  if (n == recordCount_) return recordCount_ == 0 ? 0 : Int64{maxSlot_} + 1;
  const Integer bytes = BitmapBytes(capacity_);
  Int64 running = 0;
  Integer byteIndex = 0;
  while (byteIndex < bytes && running + kUsedBitsPerByte[freeBits_[byteIndex]] <= n) {
    running += kUsedBitsPerByte[freeBits_[byteIndex]];
    ++byteIndex;
  }
  if (byteIndex >= bytes) SQLMemError(10457, SQLMemInvalidBitNo, {Int64{byteIndex} * 8, capacity_});
  for (Integer bit = 0; bit < 8; ++bit) {
    const Integer slot = byteIndex * 8 + bit;
    if (slot >= capacity_) break;
    if (!GetBit(slot, freeBits_)) {
      if (running == n) return slot;
      ++running;
    }
  }
  SQLMemError(10457, SQLMemInvalidBitNo, {Int64{byteIndex} * 8, capacity_});
}

Int64 TSQLMemMemoryRecordManager::SlotToRecordNo(Int64 slot) const {
  if (slot < 0 || slot >= capacity_) return -1;
  if (dense_ != 0) return slot + 1;
  const Integer last = static_cast<Integer>(slot);
  Int64 count = 0;
  const Integer wholeBytes = (last + 1) / 8;
  for (Integer i = 0; i < wholeBytes; ++i) count += kUsedBitsPerByte[freeBits_[i]];
  for (Integer s = wholeBytes * 8; s <= last; ++s)
    if (!GetBit(s, freeBits_)) ++count;
  return count;
}

void TSQLMemMemoryRecordManager::SaveToStream(TStream& stream) {
  using namespace sqlmem_page_stream;
  WriteInt32(stream, capacity_, 10444);
  StreamWriteChecked(&dense_, 1, stream, 10445);
  WriteInt32(stream, minSlot_, 10446);
  WriteInt32(stream, maxSlot_, 10447);
  if (capacity_ > 0) StreamWriteChecked(freeBits_, BitmapBytes(capacity_), stream, 10448);
}

void TSQLMemMemoryRecordManager::LoadFromStream(TStream& stream) {
  using namespace sqlmem_page_stream;
  EmptyRecords(-2);
  const Int64 capacityAt = stream.GetPosition();
  const Integer capacity = ReadInt32(stream, 10449);
  Byte dense = 0;
  StreamReadChecked(&dense, 1, stream, 10450);
  const Int64 minAt = stream.GetPosition();
  const Integer minSlot = ReadInt32(stream, 10451);
  const Int64 maxAt = stream.GetPosition();
  const Integer maxSlot = ReadInt32(stream, 10452);
  // The map follows at once, so a capacity whose map the stream cannot hold is damage, not a size to
  // allocate.
  if (capacity < 0 || BitmapBytes(capacity) > BytesLeft(stream)) RaiseDamagedField(stream, capacityAt, 4, 10449);
  if (minSlot < 0 || (capacity > 0 ? minSlot >= capacity : minSlot != 0)) RaiseDamagedField(stream, minAt, 4, 10451);
  if (maxSlot < minSlot || (capacity > 0 ? maxSlot >= capacity : maxSlot != 0))
    RaiseDamagedField(stream, maxAt, 4, 10452);
  SetCapacity(capacity);
  if (capacity > 0) {
    const Integer bytes = BitmapBytes(capacity);
    StreamReadChecked(freeBits_, bytes, stream, 10453);
    // Bits past the capacity carry no meaning in the stream; in memory they are free.
    for (Integer slot = capacity; slot < bytes * 8; ++slot) SetBit(true, slot, freeBits_);
  }
  dense_ = dense;
  minSlot_ = minSlot;
  maxSlot_ = maxSlot;
}

void TSQLMemMemoryRecordManager::LoadRecord(Byte* recordBuffer, Int64& slot) {
  const Integer bytes = BitmapBytes(capacity_);
  Int64 next = slot < 0 ? 0 : slot + 1;
  if (dense_ == 0) {
    // Steps the load cursor bit by bit, past the slots that the map marks free.
    if (slot < 0) {
      loadByte_ = 0;
      loadBit_ = 0;
    } else if (++loadBit_ > 7) {
      loadBit_ = 0;
      ++loadByte_;
    }
    for (;;) {
      if (loadByte_ >= bytes) SQLMemError(10454, SQLMemInvalidRecordNo, {loadByte_});
      if (!GetBit(loadByte_ * 8 + loadBit_, freeBits_)) break;
      if (++loadBit_ > 7) {
        loadBit_ = 0;
        ++loadByte_;
      }
    }
    next = Int64{loadByte_} * 8 + loadBit_;
  }
  if (next >= capacity_) SQLMemError(10847, SQLMemInvalidRecordNo, {capacity_});
  std::memcpy(Slot(static_cast<Integer>(next)), recordBuffer, static_cast<std::size_t>(recordSize_));
  if (dense_ != 0) SetFree(static_cast<Integer>(next), false);
  slot = next;
  recordCount_ = CheckedAdd<Int64>(recordCount_, 1);
}

void TSQLMemMemoryRecordManager::CheckLoadedSlots() const {
  if (recordCount_ == 0) return;
  Int64 used = 0;
  Integer first = -1;
  Integer last = -1;
  for (Integer slot = 0; slot < capacity_; ++slot) {
    if (GetBit(slot, freeBits_)) continue;
    if (first < 0) first = slot;
    last = slot;
    ++used;
  }
  if (used != recordCount_ || first != minSlot_ || last != maxSlot_)
    SQLMemError(10454, SQLMemInvalidRecordNo, {used != recordCount_ ? recordCount_ : Int64{first != minSlot_ ? minSlot_ : maxSlot_}});
}
