#include "engine/foundation/SQLMemArrays.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Stream.h"

namespace {

// ---- engine memory (every buffer of this unit comes from the process memory manager) ----

Byte* MemGet(Int64 bytes) { return static_cast<Byte*>(MemoryManager().GetMem(bytes)); }

Byte* MemAllocZero(Int64 bytes) { return static_cast<Byte*>(MemoryManager().AllocMem(bytes)); }

void MemRealloc(Byte*& p, bool zeroFill, Int64 bytes) {
  void* q = p;
  try {
    MemoryManager().ReallocMem(q, zeroFill, bytes);
  } catch (...) {
    p = static_cast<Byte*>(q);  // the manager tells where the bytes are, even on failure
    throw;
  }
  p = static_cast<Byte*>(q);
}

// Arrays that never held anything never reach the manager, so they may exist before the engine starts.
void MemFree(Byte*& p) {
  if (p == nullptr) return;
  void* q = p;
  p = nullptr;
  MemoryManager().FreeMem(q);
}

// Destructors release without raising: a damaged block is reported by the manager's checks when it
// is freed, and a destructor has nobody to report to.
void MemFreeQuietly(Byte*& p) noexcept {
  try {
    MemFree(p);
  } catch (...) {
  }
}

Int64 MemBlockSize(const void* p) { return MemoryManager().GetBlockSize(p); }

// ---- unaligned typed access ----

template <class T>
T Load(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(Byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

constexpr Int64 kHeaderItemSize = CompressedBlockHeader::kSize + 8;  // header, then the position

}  // namespace

// ---------------------------------------------------------------------------------------------
// GrowableStorage

namespace sqlmem_detail {

GrowableStorage::GrowableStorage(Int64 itemSize, Int64 initialSize, Int64 step, Int64 maxStep)
    : itemSize_(itemSize), growStep_(step), shrinkStep_(step), maxStep_(maxStep) {
  if (step < 0 || maxStep < 0) RaiseRangeError();
  SetSize(initialSize);
}

GrowableStorage::~GrowableStorage() { MemFreeQuietly(data_); }

void GrowableStorage::SetSize(Int64 n) {
  if (n < 0) RaiseRangeError();
  if (n == 0) {
    MemFree(data_);
    count_ = 0;
    capacity_ = 0;
    return;
  }
  if (n > capacity_) {
    const Int64 step = std::min(CheckedMul<Int64>(growStep_, 2), maxStep_);
    const Int64 stepped = CheckedAdd(capacity_, step);
    const Int64 newCapacity = stepped > n ? stepped : n;
    if (data_ == nullptr) {
      data_ = MemAllocZero(CheckedMul(newCapacity, itemSize_));
      capacity_ = newCapacity;
    } else {
      Resize(newCapacity, true);
    }
    growStep_ = step;
  } else if (n < count_) {
    if (capacity_ - n > shrinkStep_) {
      const Int64 step = std::min(CheckedMul<Int64>(shrinkStep_, 2), maxStep_);
      Resize(n, false);
      shrinkStep_ = step;
    }
  }
  // Items that come back into use inside the kept storage read as zero, like freshly grown ones.
  if (n > count_) std::memset(data_ + count_ * itemSize_, 0, static_cast<std::size_t>((n - count_) * itemSize_));
  count_ = n;
}

void GrowableStorage::Resize(Int64 newCapacity, bool zeroFill) {
  Byte* const old = data_;
  try {
    MemRealloc(data_, zeroFill, CheckedMul(newCapacity, itemSize_));
  } catch (...) {
    // The manager moved the bytes before it found the old block damaged: the new block is ours.
    if (data_ != old) {
      capacity_ = newCapacity;
      count_ = std::min(count_, newCapacity);
    }
    throw;
  }
  capacity_ = newCapacity;
}

Byte* GrowableStorage::At(Int64 i) {
  CheckIndex(i, count_);
  return data_ + i * itemSize_;
}

const Byte* GrowableStorage::At(Int64 i) const {
  CheckIndex(i, count_);
  return data_ + i * itemSize_;
}

void GrowableStorage::Delete(Int64 i) {
  CheckIndex(i, count_);
  std::memmove(data_ + i * itemSize_, data_ + (i + 1) * itemSize_,
               static_cast<std::size_t>((count_ - i - 1) * itemSize_));
  --count_;
}

void GrowableStorage::InsertGap(Int64 i) {
  if (i < 0 || i > count_) RaiseRangeError();
  SetSize(CheckedAdd<Int64>(count_, 1));
  std::memmove(data_ + (i + 1) * itemSize_, data_ + i * itemSize_,
               static_cast<std::size_t>((count_ - 1 - i) * itemSize_));
}

}  // namespace sqlmem_detail

// ---------------------------------------------------------------------------------------------
// TSQLMemIntegerArray

TSQLMemIntegerArray::TSQLMemIntegerArray(Integer initialSize, Integer step, Integer maxStep)
    : items_(sizeof(Integer), initialSize, step, maxStep) {}

void TSQLMemIntegerArray::SetSize(Integer n) { items_.SetSize(n); }

Integer TSQLMemIntegerArray::GetItem(Integer index) const { return Load<Integer>(items_.At(index)); }

void TSQLMemIntegerArray::SetItem(Integer index, Integer value) { Store(items_.At(index), value); }

void TSQLMemIntegerArray::Append(Integer value) {
  const Integer n = CheckedAdd(Count(), 1);
  items_.SetSize(n);
  Store(items_.At(n - 1), value);
}

void TSQLMemIntegerArray::Delete(Integer index) { items_.Delete(index); }

Integer TSQLMemIntegerArray::IndexOf(Integer value) const {
  const Integer n = Count();
  for (Integer i = 0; i < n; ++i)
    if (Load<Integer>(items_.At(i)) == value) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemInt64Array

TSQLMemInt64Array::TSQLMemInt64Array(Int64 initialSize, Int64 step, Int64 maxStep)
    : items_(sizeof(Int64), initialSize, step, maxStep) {}

void TSQLMemInt64Array::SetSize(Int64 n) { items_.SetSize(n); }

Int64 TSQLMemInt64Array::GetItem(Int64 index) const { return Load<Int64>(items_.At(index)); }

void TSQLMemInt64Array::SetItem(Int64 index, Int64 value) { Store(items_.At(index), value); }

void TSQLMemInt64Array::Append(Int64 value) {
  const Int64 n = CheckedAdd<Int64>(Count(), 1);
  items_.SetSize(n);
  Store(items_.At(n - 1), value);
}

void TSQLMemInt64Array::Delete(Int64 index) { items_.Delete(index); }

Int64 TSQLMemInt64Array::IndexOf(Int64 value) const {
  const Int64 n = Count();
  for (Int64 i = 0; i < n; ++i)
    if (Load<Int64>(items_.At(i)) == value) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Record identifiers

void StoreRecordID(void* dest, const TSQLMemRecordID& id) {
  auto* p = static_cast<Byte*>(dest);
  const Cardinal r = static_cast<Cardinal>(id.RecordNo);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(r >> (8 * i));
  p[4] = static_cast<Byte>(id.ItemNo);
  p[5] = static_cast<Byte>(id.ItemNo >> 8);
}

TSQLMemRecordID LoadRecordID(const void* src) {
  const auto* p = static_cast<const Byte*>(src);
  Cardinal r = 0;
  for (int i = 0; i < 4; ++i) r |= static_cast<Cardinal>(p[i]) << (8 * i);
  TSQLMemRecordID id;
  id.RecordNo = static_cast<Integer>(r);
  id.ItemNo = static_cast<Word>(p[4] | (p[5] << 8));
  return id;
}

TSQLMemRecordIDArray::TSQLMemRecordIDArray(Integer initialSize, Integer step, Integer maxStep)
    : items_(TSQLMemRecordID::kSize, initialSize, step, maxStep) {}

void TSQLMemRecordIDArray::SetSize(Integer n) { items_.SetSize(n); }

TSQLMemRecordID TSQLMemRecordIDArray::GetItem(Integer index) const { return LoadRecordID(items_.At(index)); }

void TSQLMemRecordIDArray::SetItem(Integer index, const TSQLMemRecordID& id) { StoreRecordID(items_.At(index), id); }

void TSQLMemRecordIDArray::Append(const TSQLMemRecordID& id) {
  const Integer n = CheckedAdd(Count(), 1);
  items_.SetSize(n);
  StoreRecordID(items_.At(n - 1), id);
}

void TSQLMemRecordIDArray::Insert(Integer index, const TSQLMemRecordID& id) {
  CheckedAdd(Count(), 1);  // the count stays an Integer
  items_.InsertGap(index);
  StoreRecordID(items_.At(index), id);
}

void TSQLMemRecordIDArray::Delete(Integer index) { items_.Delete(index); }

int TSQLMemRecordIDArray::CompareItems(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const {
  auto cmp = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
  if (compareByPageOnly_) return cmp(a.RecordNo, b.RecordNo);
  if (compareAsOneNumber_) {
    const int byItem = cmp(a.ItemNo, b.ItemNo);
    return byItem != 0 ? byItem : cmp(static_cast<Cardinal>(a.RecordNo), static_cast<Cardinal>(b.RecordNo));
  }
  const int byRecord = cmp(a.RecordNo, b.RecordNo);
  return byRecord != 0 ? byRecord : cmp(static_cast<SmallInt>(a.ItemNo), static_cast<SmallInt>(b.ItemNo));
}

void TSQLMemRecordIDArray::Sort() {
  if (Count() > 1) SortRange(0, Count() - 1);
  sorted_ = true;
}

// Quicksort with the middle item as pivot and a Hoare partition: after each swap both indexes move
// on, and the scan repeats until they cross, so every partition shrinks the range. The smaller part
// is sorted by recursion and the larger one by the loop, which keeps the depth logarithmic.
void TSQLMemRecordIDArray::SortRange(Integer lo, Integer hi) {
  while (lo < hi) {
    const TSQLMemRecordID pivot = GetItem(lo + (hi - lo) / 2);
    Integer i = lo;
    Integer j = hi;
    do {
      while (i < hi && CompareItems(GetItem(i), pivot) < 0) ++i;
      while (j > lo && CompareItems(GetItem(j), pivot) > 0) --j;
      if (i <= j) {
        if (i != j) {
          const TSQLMemRecordID t = GetItem(i);
          SetItem(i, GetItem(j));
          SetItem(j, t);
        }
        ++i;
        --j;
      }
    } while (i <= j);
    // A partition that leaves the whole range on one side would never end; it can only come from a
    // comparison that is not an order.
    if (j >= hi || i <= lo)
      SQLMemError(11329, "Sorting error in TSQLMemRecordIDArray: Hi = %d, Lo = %d, iHi = %d, iLo = %d, ItemCount = %d",
                  {j, i, hi, lo, Count()});
    if (j - lo < hi - i) {
      SortRange(lo, j);
      lo = i;
    } else {
      SortRange(i, hi);
      hi = j;
    }
  }
}

Integer TSQLMemRecordIDArray::IndexOf(const TSQLMemRecordID& id) const {
  const Integer n = Count();
  if (sorted_ && n > 10) {
    // Binary search for the first item not below id.
    Integer lo = 0;
    Integer hi = n;
    while (lo < hi) {
      const Integer mid = lo + (hi - lo) / 2;
      if (CompareItems(GetItem(mid), id) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo < n && CompareItems(GetItem(lo), id) == 0 ? lo : -1;
  }
  for (Integer i = 0; i < n; ++i)
    if (GetItem(i) == id) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemCompressedStreamBlockHeadersArray

TSQLMemCompressedStreamBlockHeadersArray::TSQLMemCompressedStreamBlockHeadersArray()
    : items_(kHeaderItemSize, 0, 10, 10000) {}

void TSQLMemCompressedStreamBlockHeadersArray::SetSize(Int64 n) { items_.SetSize(n); }

void TSQLMemCompressedStreamBlockHeadersArray::Append(const CompressedBlockHeader& header, Int64 position) {
  const Int64 n = CheckedAdd<Int64>(Count(), 1);
  items_.SetSize(n);
  SetHeader(n - 1, header);
  SetPosition(n - 1, position);
}

CompressedBlockHeader TSQLMemCompressedStreamBlockHeadersArray::GetHeader(Int64 index) const {
  const Byte* p = items_.At(index);
  CompressedBlockHeader h;
  h.CompressedSize = Load<Integer>(p);
  h.UncompressedSize = Load<Integer>(p + 4);
  h.Crc32 = Load<Cardinal>(p + 8);
  h.NextOffset = Load<Int64>(p + 12);
  return h;
}

void TSQLMemCompressedStreamBlockHeadersArray::SetHeader(Int64 index, const CompressedBlockHeader& header) {
  Byte* p = items_.At(index);
  Store(p, header.CompressedSize);
  Store(p + 4, header.UncompressedSize);
  Store(p + 8, header.Crc32);
  Store(p + 12, header.NextOffset);
}

Int64 TSQLMemCompressedStreamBlockHeadersArray::GetPosition(Int64 index) const {
  return Load<Int64>(items_.At(index) + CompressedBlockHeader::kSize);
}

void TSQLMemCompressedStreamBlockHeadersArray::SetPosition(Int64 index, Int64 position) {
  Store(items_.At(index) + CompressedBlockHeader::kSize, position);
}

Int64 TSQLMemCompressedStreamBlockHeadersArray::FindBlock(Int64 position) const {
  // The first block starting after the position, minus one.
  Int64 lo = 0;
  Int64 hi = Count();
  while (lo < hi) {
    const Int64 mid = lo + (hi - lo) / 2;
    if (GetPosition(mid) <= position)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo > 0 ? lo - 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemBitsArray

namespace {

int PopCount(Byte b) {
  int n = 0;
  for (; b != 0; b &= static_cast<Byte>(b - 1)) ++n;
  return n;
}

}  // namespace

TSQLMemBitsArray::~TSQLMemBitsArray() { MemFreeQuietly(data_); }

void TSQLMemBitsArray::SetSize(Integer n) {
  if (n < 0) RaiseRangeError();
  if (n == 0) {
    MemFree(data_);
    bitCount_ = 0;
    setBitCount_ = 0;
    return;
  }
  const Int64 bytes = (static_cast<Int64>(n) + 7) / 8;
  if (data_ == nullptr)
    data_ = MemAllocZero(bytes);
  else if (bytes != MemBlockSize(data_))
    MemRealloc(data_, true, bytes);
  const bool shrinking = n < bitCount_;
  bitCount_ = n;
  if (shrinking) {
    // Clear the bits past the new end in the last byte, so that growing again brings back clear bits.
    if (n % 8 != 0) data_[bytes - 1] &= static_cast<Byte>((1u << (n % 8)) - 1);
    setBitCount_ = CountSetBits();
  }
}

bool TSQLMemBitsArray::GetBit(Integer index) const {
  if (index < 0 || index >= bitCount_)
    SQLMemError(10394, "Invalid bit no = %d, number of bits = %d", {index, bitCount_});
  return ::GetBit(index, data_);
}

void TSQLMemBitsArray::SetBit(Integer index, bool value) {
  if (index < 0 || index >= bitCount_)
    SQLMemError(10395, "Invalid bit no = %d, number of bits = %d", {index, bitCount_});
  if (::GetBit(index, data_) == value) return;
  ::SetBit(value, index, data_);
  setBitCount_ += value ? 1 : -1;
}

bool TSQLMemBitsArray::FindBit(bool value, Integer& index) const {
  const Byte skip = value ? 0x00 : 0xFF;  // a byte that cannot hold the value
  const Int64 bytes = DataSize();
  for (Int64 b = 0; b < bytes; ++b) {
    if (data_[b] == skip) continue;
    const Int64 end = std::min<Int64>(bitCount_, b * 8 + 8);
    for (Int64 i = b * 8; i < end; ++i) {
      if (::GetBit(static_cast<Integer>(i), data_) == value) {
        index = static_cast<Integer>(i);
        return true;
      }
    }
  }
  return false;
}

namespace {

// Exact-size transfers that raise the caller's native code, with the engine's stream messages.
void WriteChecked(TStream& stream, const void* buffer, Integer count, Integer code) {
  const Int64 position = stream.GetPosition();
  const Integer written = stream.Write(buffer, count);
  if (written != count)
    SQLMemError(code, "Cannot write to stream. Position = %d, Stream size = %d, Block size = %d, Bytes Write = %d",
                {position, stream.GetSize(), count, written});
}

void RaiseReadError(TStream& stream, Int64 position, Integer count, Integer done, Integer code) {
  SQLMemError(code, "Cannot read from stream. Position = %d, Stream size = %d, Block size = %d, Bytes Read = %d",
              {position, stream.GetSize(), count, done});
}

void ReadChecked(TStream& stream, void* buffer, Integer count, Integer code) {
  const Int64 position = stream.GetPosition();
  const Integer done = stream.Read(buffer, count);
  if (done != count) RaiseReadError(stream, position, count, done, code);
}

void WriteInt32(TStream& stream, Integer value, Integer code) {
  Byte bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<Byte>(static_cast<Cardinal>(value) >> (8 * i));
  WriteChecked(stream, bytes, 4, code);
}

Integer ReadInt32(TStream& stream, Integer code) {
  Byte bytes[4];
  ReadChecked(stream, bytes, 4, code);
  Cardinal v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<Cardinal>(bytes[i]) << (8 * i);
  return static_cast<Integer>(v);
}

}  // namespace

void TSQLMemBitsArray::SaveToStream(TStream& stream) const {
  WriteInt32(stream, bitCount_, 10398);
  WriteInt32(stream, setBitCount_, 10427);
  if (bitCount_ > 0) WriteChecked(stream, data_, DataSize(), 10400);
}

void TSQLMemBitsArray::LoadFromStream(TStream& stream) {
  const Int64 start = stream.GetPosition();
  const Integer bits = ReadInt32(stream, 10401);
  if (bits < 0) RaiseReadError(stream, start, 4, 4, 10401);
  const Integer setBits = ReadInt32(stream, 10426);
  if (setBits < 0 || setBits > bits) RaiseReadError(stream, start + 4, 4, 4, 10426);
  const Integer bytes = static_cast<Integer>((Int64{bits} + 7) / 8);
  // Size the array only for data that is really there, so that a damaged count can't claim memory.
  const Int64 dataStart = stream.GetPosition();
  const Int64 available = std::max<Int64>(stream.GetSize() - dataStart, 0);
  if (available < bytes) RaiseReadError(stream, dataStart, bytes, static_cast<Integer>(available), 10402);
  SetSize(bits);
  if (bits > 0) {
    ReadChecked(stream, data_, bytes, 10402);
    // Bits past the end of the last byte mean nothing; keep them clear, as SetSize does.
    if (bits % 8 != 0) data_[bytes - 1] &= static_cast<Byte>((1u << (bits % 8)) - 1);
  }
  setBitCount_ = setBits;
}

Integer TSQLMemBitsArray::CountSetBits() const {
  Integer n = 0;
  const Integer bytes = DataSize();
  for (Integer b = 0; b < bytes; ++b) n += PopCount(data_[b]);
  return n;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemHashArray

namespace {

constexpr Int64 kSlotWordSize = 4;
constexpr Int64 kSlotSize = kSlotWordSize + static_cast<Int64>(sizeof(Byte*));  // word, then the bucket's address
constexpr Int64 kKeySize = 4;

}  // namespace

TSQLMemHashArray::TSQLMemHashArray(Integer dataSize, Integer bits, Integer shift, Integer bucketStep)
    : dataSize_(dataSize), bits_(bits), shift_(shift), bucketStep_(bucketStep) {
  if (bits < 1 || bits >= 32)
    SQLMemError(11662, "Error setting Key, invalid KeySize = %d. KeySize should be >= 0 and < %d", {bits, 32});
  if (dataSize < 0 || shift < 0 || shift >= 32 || bucketStep < 1) RaiseRangeError();
  entrySize_ = kKeySize + dataSize;
  slotCount_ = Cardinal{1} << bits;
  const Int64 directoryBytes = CheckedMul<Int64>(slotCount_, kSlotSize);
  directory_ = MemAllocZero(directoryBytes);
  bytesTaken_ = directoryBytes;
  for (Cardinal i = 0; i < slotCount_; ++i) Store<Cardinal>(directory_ + i * kSlotSize, i << (32 - bits));
}

TSQLMemHashArray::~TSQLMemHashArray() {
  if (directory_ == nullptr) return;
  for (Cardinal i = 0; i < slotCount_; ++i) {
    Byte* bucket = Bucket(i);
    MemFreeQuietly(bucket);
  }
  MemFreeQuietly(directory_);
}

Cardinal TSQLMemHashArray::SlotOf(Cardinal key) const {
  const Cardinal slot = rules_.SlotOfKey ? rules_.SlotOfKey(key) : (key >> shift_) & (slotCount_ - 1);
  if (slot >= slotCount_) RaiseRangeError();
  return slot;
}

Cardinal TSQLMemHashArray::CountPartOf(Cardinal word) const {
  if (rules_.CountPart) return rules_.CountPart(word);
  return word & ((Cardinal{1} << (32 - bits_)) - 1);
}

Cardinal TSQLMemHashArray::WithCountPart(Cardinal word, Cardinal countPart) const {
  if (rules_.SetCountPart) return rules_.SetCountPart(word, countPart);
  const Cardinal mask = (Cardinal{1} << (32 - bits_)) - 1;
  if (countPart > mask)
    SQLMemError(11663, "Invalid count = %d, max count = %d", {static_cast<Int64>(countPart) + 1, Int64{mask} + 1});
  return (word & ~mask) | countPart;
}

Cardinal TSQLMemHashArray::SlotWord(Cardinal slot) const {
  if (slot >= slotCount_) RaiseRangeError();
  return Load<Cardinal>(directory_ + slot * kSlotSize);
}

Byte* TSQLMemHashArray::Bucket(Cardinal slot) const { return Load<Byte*>(directory_ + slot * kSlotSize + kSlotWordSize); }

void TSQLMemHashArray::SetSlot(Cardinal slot, Cardinal word, Byte* bucket) {
  Store(directory_ + slot * kSlotSize, word);
  Store(directory_ + slot * kSlotSize + kSlotWordSize, bucket);
}

bool TSQLMemHashArray::FindOrAdd(Cardinal key, const void* data) {
  if (data != nullptr && dataSize_ < 1) SQLMemError(11665, "Invalid data size = %d", {dataSize_});
  const Cardinal slot = SlotOf(key);
  const Cardinal word = SlotWord(slot);
  Byte* bucket = Bucket(slot);
  auto storeEntry = [&](Byte* entry) {
    Store(entry, key);
    if (dataSize_ > 0) {
      if (data != nullptr)
        std::memcpy(entry + kKeySize, data, static_cast<std::size_t>(dataSize_));
      else
        std::memset(entry + kKeySize, 0, static_cast<std::size_t>(dataSize_));
    }
  };

  if (bucket == nullptr) {
    const Int64 bytes = CheckedMul<Int64>(bucketStep_, entrySize_);
    bucket = MemGet(bytes);
    storeEntry(bucket);
    SetSlot(slot, WithCountPart(word, 0), bucket);
    bytesTaken_ += bytes;
    ++slotsUsed_;
    ++entriesStored_;
    return true;
  }

  const Int64 n = Int64{CountPartOf(word)} + 1;
  for (Int64 i = 0; i < n; ++i)
    if (Load<Cardinal>(bucket + i * entrySize_) == key) return false;

  const Int64 maxCount = Int64{1} << (32 - bits_);
  if (n >= maxCount) SQLMemError(11664, "Invalid count = %d, max count = %d", {n + 1, maxCount});
  const Int64 needed = CheckedMul(n + 1, entrySize_);
  const Int64 blockSize = MemBlockSize(bucket);
  if (blockSize < needed) {
    const Int64 grown = CheckedAdd(blockSize, CheckedMul<Int64>(bucketStep_, entrySize_));
    MemRealloc(bucket, false, grown);
    SetSlot(slot, word, bucket);
    bytesTaken_ += grown - blockSize;
    ++bucketEnlargements_;
  }
  storeEntry(bucket + n * entrySize_);
  SetSlot(slot, WithCountPart(word, static_cast<Cardinal>(n)), bucket);
  ++entriesStored_;
  return true;
}

bool TSQLMemHashArray::Find(Cardinal key, void* data) const {
  const Cardinal slot = SlotOf(key);
  const Byte* bucket = Bucket(slot);
  if (bucket == nullptr) return false;
  const Int64 n = Int64{CountPartOf(SlotWord(slot))} + 1;
  for (Int64 i = 0; i < n; ++i) {
    const Byte* entry = bucket + i * entrySize_;
    if (Load<Cardinal>(entry) != key) continue;
    if (data != nullptr && dataSize_ > 0) std::memcpy(data, entry + kKeySize, static_cast<std::size_t>(dataSize_));
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemScanSearchConditionArray

TSQLMemScanSearchCondition& TSQLMemScanSearchConditionArray::GetItem(Integer index) {
  CheckIndex(index, items_.size());
  return *items_[static_cast<std::size_t>(index)];
}

const TSQLMemScanSearchCondition& TSQLMemScanSearchConditionArray::GetItem(Integer index) const {
  CheckIndex(index, items_.size());
  return *items_[static_cast<std::size_t>(index)];
}

void TSQLMemScanSearchConditionArray::Add(const TSQLMemScanSearchCondition& condition) {
  if (condition.Expression == nullptr && condition.IndexID == -1)
    SQLMemError(10388, "Invalid scan condition - indexID = %d, count = %d", {condition.IndexID, condition.KeyFieldCount});
  items_.push_back(std::make_unique<TSQLMemScanSearchCondition>(condition));
}

void TSQLMemScanSearchConditionArray::AddFromExpression(TSQLMemExpression* expression) {
  TSQLMemScanSearchCondition condition;
  condition.Expression = expression;
  items_.push_back(std::make_unique<TSQLMemScanSearchCondition>(condition));
}

void TSQLMemScanSearchConditionArray::Delete(Integer index) {
  if (index < 0 || index >= Count())
    SQLMemError(10413, "Invalid item number - ItemNo = %d, ItemCount = %d", {index, Count()});
  items_.erase(items_.begin() + index);
}

namespace {

TSQLMemScanConditionServices& ScanConditionServices() {
  static TSQLMemScanConditionServices services;
  return services;
}

}  // namespace

TSQLMemScanConditionServices SetScanConditionServices(TSQLMemScanConditionServices services) {
  std::swap(ScanConditionServices(), services);
  return services;
}

void TSQLMemScanSearchConditionArray::BindIndexes(const TSQLMemIndexDefs& indexDefs, TSQLMemScanPendingList& pending) {
  const auto& extract = ScanConditionServices().ExtractScanConditions;
  if (!extract) return;
  // Extraction appends to this array; the conditions it adds are lookups already and are not revisited.
  const Integer count = Count();
  for (Integer i = 0; i < count; ++i) {
    TSQLMemExpression* expression = GetItem(i).Expression;
    if (expression != nullptr) extract(*expression, indexDefs, *this, pending);
  }
}

void TSQLMemScanSearchConditionArray::AddFromList(TSQLMemScanPendingList& pending) {
  while (!pending.empty()) {
    TSQLMemScanPendingEntry& entry = pending.front();
    if (entry.Expression == nullptr) SQLMemError(20060, SQLMemPointerIsNil);
    if (entry.Node == nullptr) SQLMemError(20061, SQLMemPointerIsNil);
    if (entry.KeyBuffer == nullptr) SQLMemError(20062, SQLMemPointerIsNil);
    const auto& addCondition = ScanConditionServices().AddCondition;
    if (!addCondition) SQLMemError(30035, SQLMemNotImplementedYet);
    addCondition(*entry.Expression, entry.Node);
    MemoryManager().FreeMem(entry.KeyBuffer);
    pending.erase(pending.begin());
  }
}

// ---------------------------------------------------------------------------------------------
// Helpers

bool GetBit(Integer index, const void* buffer) {
  if (index < 0) RaiseRangeError();
  return (static_cast<const Byte*>(buffer)[index / 8] >> (index % 8)) & 1;
}

void SetBit(bool value, Integer index, void* buffer) {
  if (index < 0) RaiseRangeError();
  Byte& b = static_cast<Byte*>(buffer)[index / 8];
  const Byte mask = static_cast<Byte>(1u << (index % 8));
  b = value ? static_cast<Byte>(b | mask) : static_cast<Byte>(b & ~mask);
}

AnsiString MakeUniqueName(std::string_view base) {
  const Cardinal r1 = os::RandomInt(2147483647);
  const Cardinal t1 = os::TickCount();
  const Cardinal r2 = os::RandomInt(2147483647);
  const Cardinal t2 = os::TickCount();
  const Cardinal number = r2 ^ (r1 ^ t1) ^ t2;
  const auto thread = static_cast<Cardinal>(os::CurrentThreadId());
  return AnsiString(base) + std::to_string(number) + "-" + std::to_string(thread);
}

void BurnString(AnsiString& s) {
  if (s.empty()) return;
  // Through a volatile pointer, so the compiler can't drop the stores to a buffer about to be emptied.
  volatile char* p = s.data();
  for (std::size_t i = 0; i < s.size(); ++i) p[i] = static_cast<char>(0xFF);
  s.clear();
}

Cardinal MixInt32Bytes(Cardinal a, Cardinal b, Cardinal mode) {
  // For each mode, the byte of b mixed into result bytes 3, 2, 1 and 0.
  static constexpr Byte kPick[12][4] = {
      {0, 1, 2, 3}, {0, 3, 1, 2}, {3, 1, 2, 0}, {2, 3, 1, 0}, {2, 0, 3, 1}, {2, 1, 0, 3},
      {3, 0, 2, 1}, {1, 3, 0, 2}, {1, 0, 3, 2}, {0, 3, 2, 1}, {2, 1, 3, 0}, {1, 0, 2, 3},
  };
  const Byte* pick = kPick[mode % 12];
  Cardinal mixed = 0;
  for (int k = 3; k >= 0; --k) {
    const Cardinal bByte = (b >> (8 * pick[3 - k])) & 0xFF;
    mixed |= bByte << (8 * k);
  }
  return a ^ mixed;
}
