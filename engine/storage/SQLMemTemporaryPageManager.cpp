#include "engine/storage/SQLMemTemporaryPageManager.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/CheckedInt.h"

using namespace sqlmem_page_stream;

TSQLMemTemporaryPageManager::TSQLMemTemporaryPageManager()
    : TSQLMemTemporaryPageManager(CheckedCast<Word>(TemporaryPageSize), PageCacheCapacity, TempPagesInMemory) {}

TSQLMemTemporaryPageManager::TSQLMemTemporaryPageManager(Word pageSize, Integer cacheCapacity, Integer memoryBudget)
    : TSQLMemPageManager(pageSize, cacheCapacity),
      memoryBudget_(memoryBudget),
      inner_(std::make_unique<TSQLMemMemoryPageManager>(pageSize, cacheCapacity)) {
  if (memoryBudget < 0) RaiseRangeError();
}

TSQLMemTemporaryPageManager::~TSQLMemTemporaryPageManager() = default;

void TSQLMemTemporaryPageManager::CheckStoreCanClose() {
  if (allocatedPageCount_ > 0) SQLMemError(20036, SQLMemIndexPagesNotReleased);
}

void TSQLMemTemporaryPageManager::FreeStore() noexcept {
  try {
    map_.SetSize(0);
  } catch (...) {
    // Releasing the map's block does not fail; nothing to report from here.
  }
  spill_.reset();
  inner_.reset();
}

void TSQLMemTemporaryPageManager::CheckInUse(Integer pageNo, Integer code) const {
  if (pageNo < 0 || pageNo >= map_.BitCount() || !map_.GetBit(pageNo)) SQLMemError(code, SQLMemNotReleasedPageAllocated);
}

Int64 TSQLMemTemporaryPageManager::SpillOffset(Integer pageNo) const {
  return CheckedMul<Int64>(CheckedSub(pageNo, memoryBudget_), pageSize_);
}

TSQLMemTemporaryStream& TSQLMemTemporaryPageManager::Spill() {
  if (!spill_) spill_ = std::make_unique<TSQLMemTemporaryStream>();
  return *spill_;
}

void TSQLMemTemporaryPageManager::AttachBuffer(TSQLMemPage* page) { ReadPage(page); }

void TSQLMemTemporaryPageManager::AllocatePage(TSQLMemPage* page) {
  Integer pageNo;
  if (pageCapacity_ < memoryBudget_) {
    inner_->AllocatePage(page);
    pageNo = page->PageNo();
    if (pageNo >= pageCapacity_) {
      map_.SetSize(CheckedAdd(pageNo, 1));
      pageCapacity_ = pageNo + 1;
    }
  } else {
    pageNo = pageCapacity_;
    const Integer capacity = CheckedAdd(pageCapacity_, 1);
    if (!page->OwnsBuffer() || page->Buffer() == nullptr) page->AllocBuffer();
    Spill();
    map_.SetSize(capacity);
    pageCapacity_ = capacity;
    page->SetPageNo(pageNo);
  }
  map_.SetBit(pageNo, true);
  allocatedPageCount_ = CheckedAdd(allocatedPageCount_, 1);
}

void TSQLMemTemporaryPageManager::ReleasePageNumber(Integer pageNo) {
  map_.SetBit(pageNo, false);
  allocatedPageCount_ = CheckedSub(allocatedPageCount_, 1);
  if (pageNo < memoryBudget_) inner_->ReleasePageNumber(pageNo);
}

void TSQLMemTemporaryPageManager::ReadPage(TSQLMemPage* page) {
  const Integer pageNo = page->PageNo();
  CheckInUse(pageNo, 10396);
  if (pageNo < memoryBudget_) {
    inner_->ReadPage(page);
    return;
  }
  const Int64 offset = SpillOffset(pageNo);
  // A spilled page is written when its changes are applied; until then the spill stream does not
  // hold it, and the page reads as the fresh page it was allocated as.
  if (!spill_ || spill_->GetSize() < offset + pageSize_) {
    page->AllocBuffer();
    return;
  }
  if (!page->OwnsBuffer() || page->Buffer() == nullptr) page->AllocBuffer();
  StreamSeekChecked(*spill_, 10396, offset);
  StreamReadChecked(page->Buffer(), pageSize_, *spill_, 10396);
}

void TSQLMemTemporaryPageManager::WritePage(TSQLMemPage* page) {
  const Integer pageNo = page->PageNo();
  CheckInUse(pageNo, 10397);
  if (pageNo < memoryBudget_) {
    inner_->WritePage(page);
    return;
  }
  TSQLMemTemporaryStream& spill = Spill();
  const Int64 offset = SpillOffset(pageNo);
  const Int64 oldSize = spill.GetSize();
  if (oldSize < offset) {
    // Spilled pages allocated before this one and not yet written get their fresh image, so that the
    // stream never holds undefined bytes. Sizing first lets a large spill move to its file.
    spill.SetSize(CheckedAdd<Int64>(offset, pageSize_));
    TSQLMemPage fresh(this);
    fresh.AllocBuffer();
    StreamSeekChecked(spill, 10397, oldSize);
    for (Int64 at = oldSize; at < offset; at += pageSize_) StreamWriteChecked(fresh.Buffer(), pageSize_, spill, 10397);
  } else if (oldSize < offset + pageSize_) {
    spill.SetSize(CheckedAdd<Int64>(offset, pageSize_));
  }
  StreamSeekChecked(spill, 10397, offset);
  StreamWriteChecked(page->Buffer(), pageSize_, spill, 10397);
}

void TSQLMemTemporaryPageManager::SaveToStream(TStream& stream) {
  inner_->SaveToStream(stream);
  map_.SaveToStream(stream);
  WriteInt32(stream, pageCapacity_, 11196);
  WriteInt32(stream, memoryBudget_, 11197);
  WriteWord(stream, pageSize_, 11198);
  WriteWord(stream, reservedSize_, 11199);
  WriteInt32(stream, allocatedPageCount_, 11200);
  const Int64 spillSize = spill_ ? spill_->GetSize() : 0;
  WriteInt64(stream, spillSize, 11201);
  if (spillSize > 0) {
    // The copy leaves the destination's position where it was; the spill bytes are passed over.
    const Int64 at = stream.GetPosition();
    spill_->SaveToStream(stream);
    StreamSeekChecked(stream, 11201, at + spillSize);
  }
}

void TSQLMemTemporaryPageManager::LoadFromStream(TStream& stream) {
  PrepareForLoad();
  // Everything is read into new parts and checked before they replace the old ones.
  auto inner = std::make_unique<TSQLMemMemoryPageManager>(pageSize_, CacheCapacity());
  inner->LoadFromStream(stream);
  TSQLMemBitsArray map;
  map.LoadFromStream(stream);
  const Int64 capacityAt = stream.GetPosition();
  const Integer capacity = ReadInt32(stream, 11202);
  if (capacity != map.BitCount()) RaiseDamagedField(stream, capacityAt, 4, 11202);
  const Int64 budgetAt = stream.GetPosition();
  const Integer budget = ReadInt32(stream, 11203);
  if (budget < 0) RaiseDamagedField(stream, budgetAt, 4, 11203);
  const Int64 pageSizeAt = stream.GetPosition();
  const Word pageSize = ReadWord(stream, 11204);
  if (pageSize != inner->PageSize()) RaiseDamagedField(stream, pageSizeAt, 2, 11204);
  const Word reserved = ReadWord(stream, 11205);
  const Int64 allocatedAt = stream.GetPosition();
  const Integer allocated = ReadInt32(stream, 11206);
  if (allocated != map.CountSetBits() || allocated != map.SetBitCount()) RaiseDamagedField(stream, allocatedAt, 4, 11206);
  // The numbers below the budget are the inner store's, and both maps must agree on them.
  Integer inMemory = 0;
  for (Integer pageNo = 0; pageNo < capacity && pageNo < budget; ++pageNo) {
    const bool used = map.GetBit(pageNo);
    inMemory += used ? 1 : 0;
    if (used && (pageNo >= inner->PageCapacity() || !inner->AllocationMap().GetBit(pageNo)))
      RaiseDamagedField(stream, allocatedAt, 4, 11206);
  }
  if (inMemory != inner->AllocatedPageCount()) RaiseDamagedField(stream, allocatedAt, 4, 11206);
  const Int64 spillAt = stream.GetPosition();
  const Int64 spillSize = ReadInt64(stream, 11207);
  // Whole pages only, and none beyond the highest number allocated.
  const Int64 spillPages = capacity > budget ? Int64{capacity} - budget : 0;
  if (spillSize < 0 || spillSize % pageSize != 0 || spillSize / pageSize > spillPages || spillSize > BytesLeft(stream))
    RaiseDamagedField(stream, spillAt, 8, 11207);
  std::unique_ptr<TSQLMemTemporaryStream> spill;
  if (spillSize > 0) {
    spill = std::make_unique<TSQLMemTemporaryStream>();
    const Int64 at = stream.GetPosition();
    spill->CopyFromStream(stream, spillSize, at);
    spill->SetSize(spillSize);  // a large spill moves to its file
    StreamSeekChecked(stream, 11207, at + spillSize);
  }
  inner_ = std::move(inner);
  spill_ = std::move(spill);
  CopyBits(map, map_);
  pageCapacity_ = capacity;
  memoryBudget_ = budget;
  pageSize_ = pageSize;
  reservedSize_ = reserved;
  allocatedPageCount_ = allocated;
}
