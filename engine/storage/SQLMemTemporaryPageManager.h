// The page store of temporary tables: a budget of pages numbered from 0 lives in an inner memory
// store, every page numbered from the budget on lives in a temporary spill stream, page n at
// (n - budget) x page size. Once the numbers have reached the budget every new page spills, even when
// low numbers are free again, and spilled numbers are never reused.
#pragma once
#include <memory>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemPageManager.h"

class TSQLMemTemporaryStream;

class TSQLMemTemporaryPageManager : public TSQLMemPageManager {
 public:
  // The budget is the engine's TempPagesInMemory setting when the manager is made.
  TSQLMemTemporaryPageManager();
  TSQLMemTemporaryPageManager(Word pageSize, Integer cacheCapacity, Integer memoryBudget);
  ~TSQLMemTemporaryPageManager() override;

  // Stream form: the inner store's form, the allocation map, int32 page capacity, int32 budget,
  // uint16 page size, uint16 reserved size, int32 allocated count, int64 spill size, the spill bytes.
  // Loading takes the stored budget, so spilled pages keep their places.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // Gives the page its current bytes, as ReadPage does: a page number that AddPage reuses from a
  // session's freed list needs a buffer like any other.
  void AttachBuffer(TSQLMemPage* page) override;
  void AllocatePage(TSQLMemPage* page) override;
  void ReleasePageNumber(Integer pageNo) override;
  // 10396 for a number not in use. A spilled page never written yet reads as a fresh page.
  void ReadPage(TSQLMemPage* page) override;
  void WritePage(TSQLMemPage* page) override;  // 10397 for a number not in use

  Integer MemoryBudget() const noexcept { return memoryBudget_; }
  Integer PageCapacity() const noexcept { return pageCapacity_; }
  const TSQLMemBitsArray& AllocationMap() const noexcept { return map_; }
  const TSQLMemMemoryPageManager& InnerStore() const noexcept { return *inner_; }
  // The spill stream; nil until the first page spills.
  TSQLMemTemporaryStream* SpillStream() const noexcept { return spill_.get(); }

 protected:
  void CheckStoreCanClose() override;  // 20036 while numbers are in use
  void FreeStore() noexcept override;

 private:
  void CheckInUse(Integer pageNo, Integer code) const;
  Int64 SpillOffset(Integer pageNo) const;
  TSQLMemTemporaryStream& Spill();

  TSQLMemBitsArray map_;
  Integer pageCapacity_ = 0;  // one more than the highest number ever allocated
  Integer memoryBudget_;
  std::unique_ptr<TSQLMemMemoryPageManager> inner_;
  std::unique_ptr<TSQLMemTemporaryStream> spill_;
};
