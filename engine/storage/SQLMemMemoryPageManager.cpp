#include "engine/storage/SQLMemMemoryPageManager.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/CheckedInt.h"

using namespace sqlmem_page_stream;

namespace {

// The page blocks of a store while they are being made, freed unless handed over.
struct BlockArray {
  std::vector<Byte*> blocks;
  BlockArray() = default;
  BlockArray(const BlockArray&) = delete;
  BlockArray& operator=(const BlockArray&) = delete;
  ~BlockArray() { Free(blocks); }

  static void Free(std::vector<Byte*>& blocks) noexcept {
    for (Byte*& block : blocks) {
      void* p = block;
      FreePageMemory(p);
      block = nullptr;
    }
    blocks.clear();
  }
};

}  // namespace

TSQLMemMemoryPageManager::TSQLMemMemoryPageManager()
    : TSQLMemMemoryPageManager(CheckedCast<Word>(MemoryPageSize), PageCacheCapacity) {}

TSQLMemMemoryPageManager::TSQLMemMemoryPageManager(Word pageSize, Integer cacheCapacity)
    : TSQLMemPageManager(pageSize, cacheCapacity) {}

TSQLMemMemoryPageManager::~TSQLMemMemoryPageManager() { FreeStore(); }

void TSQLMemMemoryPageManager::CheckStoreCanClose() {
  if (allocatedPageCount_ > 0) SQLMemError(20023, SQLMemIndexPagesNotReleased);
}

void TSQLMemMemoryPageManager::FreeStore() noexcept {
  BlockArray::Free(buffers_);
  try {
    map_.SetSize(0);
  } catch (...) {
    // Releasing the map's block does not fail; nothing to report from here.
  }
}

Byte* TSQLMemMemoryPageManager::StoreBuffer(Integer pageNo) const {
  CheckIndex(pageNo, buffers_.size());
  return buffers_[static_cast<std::size_t>(pageNo)];
}

void TSQLMemMemoryPageManager::CheckInUse(Integer pageNo, Integer code) const {
  if (pageNo < 0 || pageNo >= map_.BitCount() || !map_.GetBit(pageNo)) SQLMemError(code, SQLMemNotReleasedPageAllocated);
}

void TSQLMemMemoryPageManager::AttachBuffer(TSQLMemPage* page) { page->AttachStoreBuffer(StoreBuffer(page->PageNo())); }

void TSQLMemMemoryPageManager::AllocatePage(TSQLMemPage* page) {
  Integer candidate;
  if (!map_.FindBit(false, candidate)) {
    candidate = pageCapacity_ == 0 ? 0 : CheckedAdd(highestPageNo_, 1);
    if (candidate >= pageCapacity_) {
      const Integer capacity = CheckedAdd(pageCapacity_, allocationStep_);
      map_.SetSize(capacity);
      pageCapacity_ = capacity;
    }
  }
  // The map says the number is free; a set bit here means the store's figures disagree (a damaged
  // load), and handing the page out twice would overwrite a page in use.
  if (map_.GetBit(candidate)) SQLMemError(20037, SQLMemNotReleasedPageAllocated);
  if (candidate >= static_cast<Integer>(buffers_.size())) {
    const std::size_t length = std::max<std::size_t>(static_cast<std::size_t>(candidate) + 1,
                                                     buffers_.size() + static_cast<std::size_t>(allocationStep_));
    buffers_.reserve(length);
    while (buffers_.size() < length) buffers_.push_back(static_cast<Byte*>(MemoryManager().AllocMem(pageSize_)));
  }
  map_.SetBit(candidate, true);
  allocatedPageCount_ = CheckedAdd(allocatedPageCount_, 1);
  highestPageNo_ = std::max(highestPageNo_, candidate);
  page->SetPageNo(candidate);
  AttachBuffer(page);
}

void TSQLMemMemoryPageManager::ReleasePageNumber(Integer pageNo) {
  map_.SetBit(pageNo, false);
  allocatedPageCount_ = CheckedSub(allocatedPageCount_, 1);
}

void TSQLMemMemoryPageManager::ReadPage(TSQLMemPage* page) {
  CheckInUse(page->PageNo(), 10392);
  page->FreeBuffer();
  AttachBuffer(page);
}

void TSQLMemMemoryPageManager::WritePage(TSQLMemPage* page) {
  CheckInUse(page->PageNo(), 10393);
  // A page that the B-tree grew for a split has its own copy; its page bytes go back to the store.
  if (page->OwnsBuffer() && page->Buffer() != nullptr)
    std::memcpy(StoreBuffer(page->PageNo()), page->Buffer(), pageSize_);
}

void TSQLMemMemoryPageManager::SaveToStream(TStream& stream) {
  SaveToStream(stream, std::vector<bool>(static_cast<std::size_t>(pageCapacity_), true));
}

void TSQLMemMemoryPageManager::SaveToStream(TStream& stream, const std::vector<bool>& keep) {
  const auto kept = [&](Integer pageNo) {
    return static_cast<std::size_t>(pageNo) < keep.size() && keep[static_cast<std::size_t>(pageNo)] &&
           map_.GetBit(pageNo);
  };
  TSQLMemBitsArray map;
  map.SetSize(pageCapacity_);
  for (Integer pageNo = 0; pageNo < pageCapacity_; ++pageNo)
    if (kept(pageNo)) map.SetBit(pageNo, true);
  WriteInt32(stream, pageCapacity_, 10362);
  WriteInt32(stream, highestPageNo_, 10363);
  WriteInt32(stream, allocationStep_, 10364);
  WriteWord(stream, pageSize_, 10365);
  WriteWord(stream, reservedSize_, 10366);
  WriteInt32(stream, map.SetBitCount(), 10367);
  map.SaveToStream(stream);
  const std::vector<Byte> zeros(pageSize_, 0);
  for (Integer pageNo = 0; pageNo < pageCapacity_; ++pageNo)
    StreamWriteChecked(kept(pageNo) ? StoreBuffer(pageNo) : zeros.data(), pageSize_, stream, 10368);
}

void TSQLMemMemoryPageManager::LoadFromStream(TStream& stream) {
  PrepareForLoad();
  // Everything is read and checked before the store changes, so a damaged stream leaves it as it was.
  const Int64 capacityAt = stream.GetPosition();
  const Integer capacity = ReadInt32(stream, 10369);
  if (capacity < 0) RaiseDamagedField(stream, capacityAt, 4, 10369);
  const Int64 highestAt = stream.GetPosition();
  const Integer highest = ReadInt32(stream, 10370);
  if (highest < 0 || (capacity > 0 && highest >= capacity) || (capacity == 0 && highest != 0))
    RaiseDamagedField(stream, highestAt, 4, 10370);
  const Int64 stepAt = stream.GetPosition();
  const Integer step = ReadInt32(stream, 10371);
  if (step < 1) RaiseDamagedField(stream, stepAt, 4, 10371);
  const Int64 pageSizeAt = stream.GetPosition();
  const Word pageSize = ReadWord(stream, 10372);
  if (pageSize < kFreshPageHeaderSize) RaiseDamagedField(stream, pageSizeAt, 2, 10372);
  const Word reserved = ReadWord(stream, 10373);
  const Int64 allocatedAt = stream.GetPosition();
  const Integer allocated = ReadInt32(stream, 10374);
  TSQLMemBitsArray map;
  map.LoadFromStream(stream);
  // The map must cover exactly the capacity, and the allocated count must be its set bits.
  if (map.BitCount() != capacity || map.CountSetBits() != allocated || map.SetBitCount() != allocated)
    RaiseDamagedField(stream, allocatedAt, 4, 10374);
  const Int64 pagesAt = stream.GetPosition();
  const Int64 pageBytes = CheckedMul<Int64>(capacity, pageSize);
  if (BytesLeft(stream) < pageBytes) RaiseDamagedField(stream, pagesAt, pageSize, 10375);
  BlockArray blocks;
  blocks.blocks.reserve(static_cast<std::size_t>(capacity));
  for (Integer pageNo = 0; pageNo < capacity; ++pageNo) {
    blocks.blocks.push_back(static_cast<Byte*>(MemoryManager().AllocMem(pageSize)));
    StreamReadChecked(blocks.blocks.back(), pageSize, stream, 10375);
  }
  BlockArray::Free(buffers_);
  buffers_.swap(blocks.blocks);
  CopyBits(map, map_);
  pageCapacity_ = capacity;
  highestPageNo_ = highest;
  allocationStep_ = step;
  pageSize_ = pageSize;
  reservedSize_ = reserved;
  allocatedPageCount_ = allocated;
}
