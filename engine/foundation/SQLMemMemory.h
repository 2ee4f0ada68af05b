// The engine's memory manager: every engine block carries a 9-byte header and a 4-byte tail, so that
// foreign pointers and writes past the end of a block are caught when the block is sized, resized or
// freed. It keeps the totals in use and at peak, counts the calls and enforces an optional limit.
// Each thread takes its share of the total in reservations of at most kMemoryReservationGrain bytes
// beyond its blocks, so that most calls touch no memory shared with other threads, and keeps the small
// blocks it frees (up to 32 KiB of them) for its next requests of their size, so that most small
// blocks skip the runtime heap; those kept blocks are not in use and count in no total.
#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>

#include "vcl/rtl/SysTypes.h"

// How the raw memory of a block was obtained; the number is stored in the block header.
enum class TSQLMemAllocMethod : Byte {
  RuntimeHeap = 0,  // the runtime's ordinary heap
  VirtualAlloc = 1, // committed pages; supported, but the size chooser never selects it
  GlobalAlloc = 2,  // GlobalAlloc(GMEM_FIXED)
};

// Layout of an engine block. The caller's pointer is the raw allocation plus kBlockHeaderSize, so
// nothing inside a block is aligned: read typed values through memcpy helpers only.
inline constexpr Int64 kBlockHeaderSize = 9;   // uint32 size, uint8 method, uint32 signature
inline constexpr Int64 kBlockTailSize = 4;     // uint32 signature
inline constexpr Int64 kBlockOverhead = kBlockHeaderSize + kBlockTailSize;
inline constexpr Cardinal kBlockHeaderSignature = 0xACCACCAC;
inline constexpr Cardinal kBlockTailSignature = 0xACCEACCE;
// The most a thread holds reserved beyond its blocks. The limit is checked against the blocks in
// use (exact on one thread; threads asking at the same moment may each pass it by their request),
// and the peak may exceed the real highest total by up to this many bytes per thread.
inline constexpr Int64 kMemoryReservationGrain = 64 * 1024;

// Calls made by the manager's users, each counted once under its own operation (an AllocMem is
// not also a GetMem, a ReallocMem is neither a GetMem nor a FreeMem).
struct TSQLMemCallCounters {
  Int64 allocMem = 0;
  Int64 getMem = 0;
  Int64 freeMem = 0;
  Int64 reallocMem = 0;
};

class TSQLMemMemoryManager {
 public:
  TSQLMemMemoryManager();
  TSQLMemMemoryManager(const TSQLMemMemoryManager&) = delete;
  TSQLMemMemoryManager& operator=(const TSQLMemMemoryManager&) = delete;
  // Live blocks are not tracked and stay allocated.
  ~TSQLMemMemoryManager();

  // A new block of size bytes, contents undefined. Raises 30286 for 0, 30004 past the memory limit,
  // ERangeError for a size outside 1..2^32-1, and 30015 "GetMem error: %s" when the memory itself
  // can't be had. After a failure nothing is allocated and the totals are unchanged.
  void* GetMem(Int64 size);
  // GetMem, with the size bytes zeroed.
  void* AllocMem(Int64 size);
  // Checks and releases the block and sets p to nullptr; nullptr is allowed and does nothing.
  // Raises 30001 for a block without the header signature (nothing is released) and 30137 when
  // the tail guard was overwritten (the block is released first).
  void FreeMem(void*& p);
  // Resizes the block to newSize bytes, keeping min(old, new) bytes; with zeroFill the bytes past the
  // old size are zeroed. A runtime-heap block that stays on the runtime heap is resized where it lies
  // when the heap can (p may still change); otherwise the bytes move to a new block. Any failure raises 30014 "ReallocMem error: %s". When the
  // new block can't be had, p still names the old, unchanged block; when the old block turns out
  // overrun, p names the new block (holding the copied bytes) before the error is raised.
  void ReallocMem(void*& p, bool zeroFill, Int64 newSize);
  void ReallocMemZero(void*& p, Int64 newSize) { ReallocMem(p, true, newSize); }
  // The size the block was requested with; 0 for nullptr; 30005 for a block without the header.
  Int64 GetBlockSize(const void* p) const;

  // Reads the available physical memory (see SetAvailableMemorySource), remembers it and returns it,
  // or the memory limit when one is set and smaller.
  Int64 GetAvailableMemory();

  // 0 means no limit (the initial state). A negative limit raises ERangeError.
  void SetMemoryLimit(Int64 limit);
  Int64 MemoryLimit() const noexcept { return memoryLimit_.load(std::memory_order_relaxed); }
  // Bytes handed out and not yet freed (requested sizes, headers excluded), summed over the threads.
  Int64 Allocated() const;
  // The highest total the threads held reserved: never below the highest total in use, and above it
  // by at most kMemoryReservationGrain per thread.
  Int64 PeakAllocated() const;
  // The figure of the last GetAvailableMemory call (0 before the first).
  Int64 AvailablePhysicalMemory() const noexcept { return availablePhysicalMemory_.load(std::memory_order_relaxed); }
  TSQLMemCallCounters CallCounters() const noexcept;

  // Allocates every later block by this method instead of the size chooser; -1 returns to the
  // chooser. Lets the committed-page path, which the chooser never picks, be exercised, and a
  // method number outside 0..2 gives the "Unknown GetMem method type" failure.
  void ForceAllocationMethod(int method) noexcept { forcedMethod_.store(method, std::memory_order_relaxed); }

  // The method the chooser takes for a raw block of total bytes (size plus kBlockOverhead): small
  // and medium blocks come from the runtime heap, the band between them and big blocks from
  // GlobalAlloc.
  static TSQLMemAllocMethod ChooseAllocationMethod(Int64 total) noexcept;

 private:
  // One thread's call counters and share of the total.
  struct CallTally;
  // The operations without counting, so that an operation built on another is counted once.
  // Inlined into the counted operations: a GetMem or FreeMem costs one call.
  [[gnu::always_inline]] inline void* DoGetMem(CallTally& tally, Int64 size);
  [[gnu::always_inline]] inline void DoFreeMem(CallTally& tally, void*& p);
  // The raw memory by a method other than the runtime heap, or after the heap failed; raises 30015
  // (with the reservation of the block given back) when it can't be had.
  [[gnu::noinline]] void* AllocateOtherwise(CallTally& tally, int method, std::size_t total, Int64 size, Int64 taken);
  // Counts size bytes as in use by the calling thread, taking them from its reservation, which is
  // refilled from the shared total within the limit (30004 when the limit leaves no room).
  // Returns the bytes newly taken from the shared total, so that a failed allocation gives them back.
  Int64 AddAllocated(CallTally& tally, Int64 size);
  // Lets the peak follow the shared total of the thread's last refill, once its block exists.
  void RaisePeak(const CallTally& tally) noexcept;
  // Undoes AddAllocated after the memory could not be had.
  void UndoAddAllocated(CallTally& tally, Int64 size, Int64 taken) noexcept;
  // Reserves more from the shared total for a thread whose reservation is short of size.
  Int64 Refill(CallTally& tally, Int64 size);
  // Gives the thread's whole unused reservation back to the shared total.
  void ReturnReservation(CallTally& tally) noexcept;
  friend struct ThreadTallyCache;

  // Resizes a runtime-heap block where it lies when the new size stays on the runtime heap; false
  // (nothing changed) when the block must move to another kind of memory.
  bool ReallocInPlace(CallTally& tally, void*& p, bool zeroFill, Int64 newSize);
  void SubtractAllocated(CallTally& tally, Int64 size) noexcept;

  // The calling thread's call counters and reservation for this manager.
  CallTally& ThreadTally();
  // The calling thread's first call on this manager (or its first since the thread forgot it).
  [[gnu::noinline]] CallTally& NewThreadTally();

  // Names this manager in the threads' tally caches; never reused, so a cached tally of a manager
  // that is gone can't be taken for a later manager at the same address.
  const UInt64 id_;
  std::atomic<Int64> memoryLimit_{0};
  // The total the threads hold reserved (their blocks plus their unused reservations); a thread
  // refills within the limit, or past it only when the blocks in use leave room. The peak follows it by compare-and-swap. A change of the limit advances the epoch,
  // and a thread that sees it gives its reservation back before it takes anything under the new limit.
  std::atomic<Int64> reserved_{0};
  std::atomic<Int64> peak_{0};
  std::atomic<UInt64> limitEpoch_{0};
  // Statistics.
  std::atomic<Int64> availablePhysicalMemory_{0};
  // The call counters and bytes in use, one set per thread that used the manager (each written by
  // its thread alone, so counting a call is a plain store) and summed when read. A list that only
  // grows: a thread's counts stay in the sums after the thread has ended; its reservation returns.
  std::atomic<CallTally*> tallies_{nullptr};
  std::atomic<int> forcedMethod_{-1};
};

// Where GetAvailableMemory reads the available physical memory from: by default the operating
// system's memory status. Tests install a fixed figure; an empty function restores the default.
// Returns the source that was in place. Set it while no engine code runs concurrently.
using TAvailableMemorySource = std::function<Int64()>;
TAvailableMemorySource SetAvailableMemorySource(TAvailableMemorySource source);

// The process-wide manager. It exists between InitializeEngineFoundation and
// FinalizeEngineFoundation (SQLMemSettings.h); asking for it outside that span raises
// EInvalidOperation.
TSQLMemMemoryManager& MemoryManager();
bool MemoryManagerExists() noexcept;
// The memory unit's start-up and shutdown steps, run by the engine foundation's start-up sequence.
// Creating is idempotent; freeing leaves the blocks still allocated where they are.
void CreateProcessMemoryManager();
void FreeProcessMemoryManager() noexcept;

// Copies count bytes from source to dest; the ranges may overlap. Nothing for count <= 0.
void MoveBytes(const void* source, void* dest, Int64 count);

// The step by which a growing buffer that has reached totalSize bytes is enlarged: 1024 up to
// 10 KB, then 10 KB up to 100 KB, 100 KB up to 1 MB, 1 MB up to 10 MB, 2 MB up to 100 MB,
// 10 MB up to 1 GB, 100 MB beyond.
Int64 GetAllocationStep(Int64 totalSize) noexcept;
