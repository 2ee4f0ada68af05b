#include "engine/foundation/SQLMemMemory.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// Header fields, as offsets from the raw allocation.
constexpr std::size_t kSizeOffset = 0;
constexpr std::size_t kMethodOffset = 4;
constexpr std::size_t kSignatureOffset = 5;

// Block headers and tails sit at odd addresses; they are read and written bytewise, little-endian.
Cardinal LoadU32(const Byte* p) noexcept {
  return static_cast<Cardinal>(p[0]) | static_cast<Cardinal>(p[1]) << 8 | static_cast<Cardinal>(p[2]) << 16 |
         static_cast<Cardinal>(p[3]) << 24;
}

void StoreU32(Byte* p, Cardinal v) noexcept {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
  p[2] = static_cast<Byte>(v >> 16);
  p[3] = static_cast<Byte>(v >> 24);
}

Byte* RawOf(void* p) noexcept { return static_cast<Byte*>(p) - kBlockHeaderSize; }
const Byte* RawOf(const void* p) noexcept { return static_cast<const Byte*>(p) - kBlockHeaderSize; }

bool HasHeaderSignature(const void* p) noexcept {
  return LoadU32(RawOf(p) + kSignatureOffset) == kBlockHeaderSignature;
}

Cardinal StoredSize(const void* p) noexcept { return LoadU32(RawOf(p) + kSizeOffset); }

void* AllocateRaw(int method, std::size_t total) {
  switch (method) {
    case static_cast<int>(TSQLMemAllocMethod::RuntimeHeap):
      return std::malloc(total);
    case static_cast<int>(TSQLMemAllocMethod::VirtualAlloc):
      return os::VirtualAllocCommit(total);
    case static_cast<int>(TSQLMemAllocMethod::GlobalAlloc):
      return os::GlobalAllocFixed(total);
    default:
      SQLMemError(30340, "Unknown GetMem method type: %d", {method});
  }
}

// A method byte outside 0..2 releases nothing: the memory can't be returned to an unknown owner.
void ReleaseRaw(Byte method, void* raw, std::size_t total) noexcept {
  switch (method) {
    case static_cast<Byte>(TSQLMemAllocMethod::RuntimeHeap):
      std::free(raw);
      break;
    case static_cast<Byte>(TSQLMemAllocMethod::VirtualAlloc):
      os::VirtualFreeRelease(raw, total);
      break;
    case static_cast<Byte>(TSQLMemAllocMethod::GlobalAlloc):
      os::GlobalFreeBlock(raw);
      break;
    default:
      break;
  }
}

std::mutex& SourceLock() {
  static std::mutex lock;
  return lock;
}

TAvailableMemorySource& Source() {
  static TAvailableMemorySource source;
  return source;
}

Int64 ReadAvailablePhysicalMemory() {
  {
    std::lock_guard guard(SourceLock());
    if (Source()) return Source()();
  }
  return CheckedCast<Int64>(os::GetMemoryStatus().availPhys);
}

std::unique_ptr<TSQLMemMemoryManager>& ProcessManagerOwner() {
  static std::unique_ptr<TSQLMemMemoryManager> owner;
  return owner;
}

std::atomic<TSQLMemMemoryManager*> processManager{nullptr};

std::atomic<UInt64> nextManagerId{1};

// Adds one to a counter that only its own thread writes: no read-modify-write is needed.
void CountCall(std::atomic<Int64>& counter) noexcept {
  counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

}  // namespace

// One thread's call counters, on a cache line of their own so that threads don't share one.
struct alignas(64) TSQLMemMemoryManager::CallTally {
  std::atomic<Int64> allocMem{0};
  std::atomic<Int64> getMem{0};
  std::atomic<Int64> freeMem{0};
  std::atomic<Int64> reallocMem{0};
  CallTally* next = nullptr;
};

TSQLMemMemoryManager::TSQLMemMemoryManager() : id_(nextManagerId.fetch_add(1, std::memory_order_relaxed)) {}

TSQLMemMemoryManager::~TSQLMemMemoryManager() {
  for (CallTally* t = tallies_.load(std::memory_order_acquire); t != nullptr;) {
    CallTally* next = t->next;
    delete t;
    t = next;
  }
}

TSQLMemMemoryManager::CallTally& TSQLMemMemoryManager::ThreadTally() {
  // A thread mostly works with one manager; a few recent ones are remembered. A thread that comes
  // back to a manager it no longer remembers starts another tally, which the sums include as well.
  struct CachedTally {
    UInt64 manager;
    CallTally* tally;
  };
  constexpr int kCached = 4;
  thread_local CachedTally cache[kCached] = {};
  thread_local int nextSlot = 0;
  for (const CachedTally& c : cache) {
    if (c.manager == id_) return *c.tally;
  }
  auto* tally = new CallTally;
  tally->next = tallies_.load(std::memory_order_relaxed);
  while (!tallies_.compare_exchange_weak(tally->next, tally, std::memory_order_release, std::memory_order_relaxed)) {
  }
  cache[nextSlot] = {id_, tally};
  nextSlot = (nextSlot + 1) % kCached;
  return *tally;
}

TSQLMemAllocMethod TSQLMemMemoryManager::ChooseAllocationMethod(Int64 total) noexcept {
  // The middle band comes from the runtime heap because its small-block pools serve it well; the
  // bands on either side go to GlobalAlloc.
  if (total <= 726) return TSQLMemAllocMethod::RuntimeHeap;
  if (total <= 64500) return TSQLMemAllocMethod::GlobalAlloc;
  if (total <= 1048576) return TSQLMemAllocMethod::RuntimeHeap;
  return TSQLMemAllocMethod::GlobalAlloc;
}

void TSQLMemMemoryManager::AddAllocated(Int64 size) {
  // Block sizes fit 32 bits, so the total of the blocks that exist cannot approach 2^63.
  const Int64 total = allocated_.fetch_add(size, std::memory_order_relaxed) + size;
  Int64 peak = peak_.load(std::memory_order_relaxed);
  while (total > peak && !peak_.compare_exchange_weak(peak, total, std::memory_order_relaxed)) {
  }
}

void TSQLMemMemoryManager::SubtractAllocated(Int64 size) {
  const Int64 before = allocated_.fetch_sub(size, std::memory_order_relaxed);
  if (before < size) {  // a block this manager never counted
    allocated_.fetch_add(size, std::memory_order_relaxed);
    CheckedSub(before, size);  // raises the range error of a total below zero
  }
}

void* TSQLMemMemoryManager::GetMem(Int64 size) {
  CountCall(ThreadTally().getMem);
  return DoGetMem(size);
}

void* TSQLMemMemoryManager::DoGetMem(Int64 size) {
  if (size == 0) SQLMemError(30286, "Cannot alocate 0 bytes");
  const Int64 limit = memoryLimit_.load(std::memory_order_relaxed);
  if (limit > 0 && CheckedAdd(allocated_.load(std::memory_order_relaxed), size) > limit) {
    SQLMemError(30004, "Memory limit exceeded (Limit = %d bytes)", {limit});
  }
  // The header stores the size in 32 bits.
  const Cardinal storedSize = CheckedCast<Cardinal>(size);
  const std::size_t total = static_cast<std::size_t>(storedSize) + static_cast<std::size_t>(kBlockOverhead);

  void* raw = nullptr;
  int method = forcedMethod_.load(std::memory_order_relaxed);
  try {
    if (method < 0) method = static_cast<int>(ChooseAllocationMethod(static_cast<Int64>(total)));
    raw = AllocateRaw(method, total);
    if (raw == nullptr) throw EOutOfMemory("Out of memory");
    auto* bytes = static_cast<Byte*>(raw);
    StoreU32(bytes + kSizeOffset, storedSize);
    bytes[kMethodOffset] = static_cast<Byte>(method);
    StoreU32(bytes + kSignatureOffset, kBlockHeaderSignature);
    StoreU32(bytes + kBlockHeaderSize + storedSize, kBlockTailSignature);
    AddAllocated(size);
  } catch (const Exception& e) {
    if (raw != nullptr) ReleaseRaw(static_cast<Byte>(method), raw, total);
    SQLMemError(30015, "GetMem error: %s", {e.Message()});
  } catch (const std::bad_alloc&) {
    if (raw != nullptr) ReleaseRaw(static_cast<Byte>(method), raw, total);
    SQLMemError(30015, "GetMem error: %s", {"Out of memory"});
  }
  return static_cast<Byte*>(raw) + kBlockHeaderSize;
}

void* TSQLMemMemoryManager::AllocMem(Int64 size) {
  CountCall(ThreadTally().allocMem);
  void* p = DoGetMem(size);
  std::memset(p, 0, static_cast<std::size_t>(size));
  return p;
}

void TSQLMemMemoryManager::FreeMem(void*& p) {
  CountCall(ThreadTally().freeMem);
  DoFreeMem(p);
}

void TSQLMemMemoryManager::DoFreeMem(void*& p) {
  // Freeing nothing is harmless, as releasing an empty reference is everywhere else.
  if (p == nullptr) return;
  bool overrun = false;
  try {
    if (!HasHeaderSignature(p)) SQLMemError(30001, "Invalid pointer");
    const Cardinal size = StoredSize(p);
    Byte* raw = RawOf(p);
    overrun = LoadU32(raw + kBlockHeaderSize + size) != kBlockTailSignature;
    SubtractAllocated(static_cast<Int64>(size));
    ReleaseRaw(raw[kMethodOffset], raw, static_cast<std::size_t>(size) + static_cast<std::size_t>(kBlockOverhead));
    p = nullptr;
  } catch (const ESQLMemException&) {
    throw;
  } catch (const Exception& e) {
    SQLMemError(30138, "FreeAndNillMem error: %s", {e.Message()});
  }
  // Reported only now: the damaged block is gone and the caller's reference is cleared.
  if (overrun) SQLMemError(30137, "Memory overrun detected");
}

void TSQLMemMemoryManager::ReallocMem(void*& p, bool zeroFill, Int64 newSize) {
  CountCall(ThreadTally().reallocMem);
  try {
    if (p == nullptr || !HasHeaderSignature(p)) SQLMemError(30002, "Invalid pointer");
    if (ReallocInPlace(p, zeroFill, newSize)) return;
    const Int64 oldSize = StoredSize(p);
    void* q = DoGetMem(newSize);
    const Int64 kept = oldSize < newSize ? oldSize : newSize;
    std::memcpy(q, p, static_cast<std::size_t>(kept));
    if (zeroFill && newSize > oldSize) {
      std::memset(static_cast<Byte*>(q) + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
    }
    try {
      DoFreeMem(p);
    } catch (...) {
      // The old block is already released (overrun) or was never ours: either way the caller keeps
      // the new block with its data, so nothing is lost or leaked.
      p = q;
      throw;
    }
    p = q;
  } catch (const Exception& e) {
    SQLMemError(30014, "ReallocMem error: %s", {e.Message()});
  }
}

bool TSQLMemMemoryManager::ReallocInPlace(void*& p, bool zeroFill, Int64 newSize) {
  Byte* raw = RawOf(p);
  const Cardinal oldSize = StoredSize(p);
  if (newSize <= 0 || newSize > static_cast<Int64>(std::numeric_limits<Cardinal>::max())) return false;
  if (forcedMethod_.load(std::memory_order_relaxed) >= 0) return false;
  if (raw[kMethodOffset] != static_cast<Byte>(TSQLMemAllocMethod::RuntimeHeap)) return false;
  const Int64 newTotal = newSize + kBlockOverhead;
  if (ChooseAllocationMethod(newTotal) != TSQLMemAllocMethod::RuntimeHeap) return false;
  // An overrun block takes the moving path, which reports the overrun after the bytes are safe.
  if (LoadU32(raw + kBlockHeaderSize + oldSize) != kBlockTailSignature) return false;
  const Int64 limit = memoryLimit_.load(std::memory_order_relaxed);
  if (limit > 0 && newSize > oldSize && CheckedAdd(allocated_.load(std::memory_order_relaxed), newSize) > limit) {
    SQLMemError(30004, "Memory limit exceeded (Limit = %d bytes)", {limit});
  }
  auto* bytes = static_cast<Byte*>(std::realloc(raw, static_cast<std::size_t>(newTotal)));
  if (bytes == nullptr) SQLMemError(30015, "GetMem error: %s", {"Out of memory"});  // the old block stays
  const auto stored = static_cast<Cardinal>(newSize);
  StoreU32(bytes + kSizeOffset, stored);
  StoreU32(bytes + kBlockHeaderSize + stored, kBlockTailSignature);
  if (zeroFill && newSize > oldSize) {
    std::memset(bytes + kBlockHeaderSize + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  }
  if (newSize > oldSize) {
    AddAllocated(newSize - oldSize);
  } else {
    allocated_.fetch_sub(oldSize - newSize, std::memory_order_relaxed);
  }
  p = bytes + kBlockHeaderSize;
  return true;
}

Int64 TSQLMemMemoryManager::GetBlockSize(const void* p) const {
  if (p == nullptr) return 0;
  if (!HasHeaderSignature(p)) SQLMemError(30005, "Invalid pointer");
  return StoredSize(p);
}

Int64 TSQLMemMemoryManager::GetAvailableMemory() {
  const Int64 available = ReadAvailablePhysicalMemory();
  availablePhysicalMemory_.store(available, std::memory_order_relaxed);
  const Int64 limit = memoryLimit_.load(std::memory_order_relaxed);
  return limit > 0 && limit < available ? limit : available;
}

void TSQLMemMemoryManager::SetMemoryLimit(Int64 limit) {
  if (limit < 0) RaiseRangeError();
  memoryLimit_.store(limit, std::memory_order_relaxed);
}

Int64 TSQLMemMemoryManager::Allocated() const { return allocated_.load(std::memory_order_relaxed); }

Int64 TSQLMemMemoryManager::PeakAllocated() const { return peak_.load(std::memory_order_relaxed); }

TSQLMemCallCounters TSQLMemMemoryManager::CallCounters() const noexcept {
  TSQLMemCallCounters n;
  for (const CallTally* t = tallies_.load(std::memory_order_acquire); t != nullptr; t = t->next) {
    n.allocMem += t->allocMem.load(std::memory_order_relaxed);
    n.getMem += t->getMem.load(std::memory_order_relaxed);
    n.freeMem += t->freeMem.load(std::memory_order_relaxed);
    n.reallocMem += t->reallocMem.load(std::memory_order_relaxed);
  }
  return n;
}

TAvailableMemorySource SetAvailableMemorySource(TAvailableMemorySource source) {
  std::lock_guard guard(SourceLock());
  TAvailableMemorySource previous = std::move(Source());
  Source() = std::move(source);
  return previous;
}

TSQLMemMemoryManager& MemoryManager() {
  TSQLMemMemoryManager* manager = processManager.load(std::memory_order_acquire);
  if (manager == nullptr) {
    throw EInvalidOperation("The engine memory manager does not exist: the engine foundation is not initialised");
  }
  return *manager;
}

bool MemoryManagerExists() noexcept { return processManager.load(std::memory_order_acquire) != nullptr; }

void CreateProcessMemoryManager() {
  auto& owner = ProcessManagerOwner();
  if (owner) return;
  owner = std::make_unique<TSQLMemMemoryManager>();
  processManager.store(owner.get(), std::memory_order_release);
}

void FreeProcessMemoryManager() noexcept {
  processManager.store(nullptr, std::memory_order_release);
  ProcessManagerOwner().reset();
}

void MoveBytes(const void* source, void* dest, Int64 count) {
  if (count <= 0) return;
  std::memmove(dest, source, static_cast<std::size_t>(count));
}

Int64 GetAllocationStep(Int64 totalSize) noexcept {
  struct Band {
    Int64 upTo;
    Int64 step;
  };
  static constexpr Band kBands[] = {
      {10240, 1024},          {102400, 10240},          {1048576, 102400},       {10485760, 1048576},
      {104857600, 2097152},   {1073741824, 10485760},
  };
  for (const Band& band : kBands) {
    if (totalSize <= band.upTo) return band.step;
  }
  return 104857600;
}
