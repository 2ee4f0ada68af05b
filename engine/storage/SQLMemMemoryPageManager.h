// The page store of in-memory tables: every page lives in a block of its own, one per page number,
// and pages are changed in place in those blocks. Numbers are handed out lowest free first; the
// allocation map and the block array grow 50 pages at a time and never shrink.
#pragma once
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemPageManager.h"

class TSQLMemMemoryPageManager : public TSQLMemPageManager {
 public:
  // Page size and cache capacity default to the engine's settings.
  TSQLMemMemoryPageManager();
  TSQLMemMemoryPageManager(Word pageSize, Integer cacheCapacity);
  ~TSQLMemMemoryPageManager() override;

  // Stream form: int32 page capacity N, int32 highest number, int32 allocation step, uint16 page size,
  // uint16 reserved size, int32 allocated count, the allocation map, then N pages. Loading takes the
  // stored page size and checks every figure against the others and against the bytes left.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // The same form with only the pages that keep names (one flag per page number, up to the capacity)
  // counted as in use: the others are written free and zero-filled. The store itself does not change.
  void SaveToStream(TStream& stream, const std::vector<bool>& keep);

  // Points the page at the block of its number; the B-tree then changes the page in place.
  void AttachBuffer(TSQLMemPage* page) override;
  // The lowest free number, else the next above the highest (20037 if that is taken after all).
  void AllocatePage(TSQLMemPage* page) override;
  // The block stays allocated for the number's next use.
  void ReleasePageNumber(Integer pageNo) override;
  void ReadPage(TSQLMemPage* page) override;   // 10392 for a number not in use
  void WritePage(TSQLMemPage* page) override;  // 10393 for a number not in use

  Integer PageCapacity() const noexcept { return pageCapacity_; }
  Integer HighestPageNo() const noexcept { return highestPageNo_; }
  Integer AllocationStep() const noexcept { return allocationStep_; }
  const TSQLMemBitsArray& AllocationMap() const noexcept { return map_; }
  Integer BufferCount() const noexcept { return static_cast<Integer>(buffers_.size()); }
  // The block of a page number (ERangeError beyond the block array).
  Byte* StoreBuffer(Integer pageNo) const;

 protected:
  void CheckStoreCanClose() override;  // 20023 while numbers are in use
  void FreeStore() noexcept override;

 private:
  void CheckInUse(Integer pageNo, Integer code) const;

  TSQLMemBitsArray map_;
  Integer pageCapacity_ = 0;
  Integer allocationStep_ = 50;
  Integer highestPageNo_ = 0;
  std::vector<Byte*> buffers_;  // owned engine blocks of page size
};
