#include "engine/foundation/SQLMemMemory.h"

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// Header fields, as offsets from the raw allocation.
constexpr std::size_t kSizeOffset = 0;
constexpr std::size_t kMethodOffset = 4;
constexpr std::size_t kSignatureOffset = 5;

// Runtime-heap blocks are asked for in whole steps of kHeapStep bytes, so that a small block freed
// for one size can serve any later request of its size class, and a block resized where it lies
// keeps that capacity.
constexpr std::size_t kHeapStep = 16;
constexpr std::size_t HeapBytes(std::size_t total) noexcept { return (total + kHeapStep - 1) & ~(kHeapStep - 1); }
// Small blocks (up to kSmallBlockBytes with header and tail) freed on a thread wait in that thread's
// lists, one per size class, for the thread's next request of their class, so that the common
// allocation skips the runtime heap. A thread keeps at most kSmallBlockCacheBytes of them.
constexpr std::size_t kSmallBlockBytes = 512;
constexpr std::size_t kSmallClasses = kSmallBlockBytes / kHeapStep;
constexpr Int64 kSmallBlockCacheBytes = 32 * 1024;
constexpr std::size_t SmallClassOf(std::size_t heapBytes) noexcept { return heapBytes / kHeapStep - 1; }

// Block headers and tails sit at odd addresses; they are little-endian, as both targets are, and are
// read and written whole through memcpy (one unaligned access each, so that the read of a header
// just written is served from the store).
static_assert(std::endian::native == std::endian::little);

Cardinal LoadU32(const Byte* p) noexcept {
  Cardinal v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StoreU32(Byte* p, Cardinal v) noexcept { std::memcpy(p, &v, sizeof v); }

Byte* RawOf(void* p) noexcept { return static_cast<Byte*>(p) - kBlockHeaderSize; }
const Byte* RawOf(const void* p) noexcept { return static_cast<const Byte*>(p) - kBlockHeaderSize; }

bool HasHeaderSignature(const void* p) noexcept {
  return LoadU32(RawOf(p) + kSignatureOffset) == kBlockHeaderSignature;
}

Cardinal StoredSize(const void* p) noexcept { return LoadU32(RawOf(p) + kSizeOffset); }

void* AllocateRaw(int method, std::size_t total) {
  switch (method) {
    case static_cast<int>(TSQLMemAllocMethod::RuntimeHeap):
      return std::malloc(HeapBytes(total));
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

// Asking the system costs tens of microseconds (a file read on Linux), and every temporary table
// asks: a figure younger than kMemoryStatusLifetime serves instead.
constexpr auto kMemoryStatusLifetime = std::chrono::milliseconds(100);

Int64 ReadAvailablePhysicalMemory() {
  std::lock_guard guard(SourceLock());
  if (Source()) return Source()();
  static Int64 cached = 0;
  static std::chrono::steady_clock::time_point readAt;
  const auto now = std::chrono::steady_clock::now();
  if (cached == 0 || now - readAt >= kMemoryStatusLifetime) {
    cached = CheckedCast<Int64>(os::GetMemoryStatus().availPhys);
    readAt = now;
  }
  return cached;
}

std::unique_ptr<TSQLMemMemoryManager>& ProcessManagerOwner() {
  static std::unique_ptr<TSQLMemMemoryManager> owner;
  return owner;
}

std::atomic<TSQLMemMemoryManager*> processManager{nullptr};

std::atomic<UInt64> nextManagerId{1};

// The failures of the hot operations, out of line so that the common path sets up no call frame for them.
[[noreturn, gnu::noinline, gnu::cold]] void RaiseZeroSize() { SQLMemError(30286, "Cannot alocate 0 bytes"); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidPointer(Integer code) { SQLMemError(code, "Invalid pointer"); }
[[noreturn, gnu::noinline, gnu::cold]] void RaiseOverrun() { SQLMemError(30137, "Memory overrun detected"); }

// Adds one to a counter that only its own thread writes: no read-modify-write is needed.
void CountCall(std::atomic<Int64>& counter) noexcept {
  counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}


// A waiting block keeps the link to the next one in its first bytes, over the size and method; the
// last byte of the header signature is cleared, so that freeing or sizing it again is refused as a
// foreign pointer. Under AddressSanitizer the block past its header is poisoned while it waits, so
// that a use after free is still caught.
Byte* NextWaiting(const Byte* raw) noexcept {
  Byte* next;
  std::memcpy(&next, raw, sizeof next);
  return next;
}
void LinkWaiting(Byte* raw, Byte* next) noexcept {
  std::memcpy(raw, &next, sizeof next);
  raw[kSignatureOffset + 3] = 0;
}
void PoisonWaiting([[maybe_unused]] Byte* raw, [[maybe_unused]] std::size_t heapBytes) noexcept {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_POISON_MEMORY_REGION(raw + kBlockHeaderSize, heapBytes - kBlockHeaderSize);
#endif
}
void UnpoisonWaiting([[maybe_unused]] Byte* raw, [[maybe_unused]] std::size_t heapBytes) noexcept {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_UNPOISON_MEMORY_REGION(raw, heapBytes);
#endif
}

}  // namespace

// One thread's call counters and share of the total, on a cache line of their own so that threads
// don't share one. Only the owning thread writes them; other threads read the counters and inUse.
struct alignas(64) TSQLMemMemoryManager::CallTally {
  std::atomic<Int64> allocMem{0};
  std::atomic<Int64> getMem{0};
  std::atomic<Int64> freeMem{0};
  std::atomic<Int64> reallocMem{0};
  // Bytes of the blocks this thread allocated less those it freed (negative when it freed blocks
  // of other threads); the sum over the threads is the total in use.
  std::atomic<Int64> inUse{0};
  // Taken from the shared total: the blocks in use plus the reservation not yet in use, so that a
  // call updates inUse alone; the limit epoch it was reserved under.
  Int64 held = 0;
  UInt64 epoch = 0;
  // The shared total right after this thread's last refill; the peak takes it once the block exists.
  Int64 reservedTotal = 0;
  CallTally* next = nullptr;
  // Freed small blocks waiting for reuse by this thread, by size class, and their bytes. They are
  // not in use: neither the totals nor the reservation count them.
  Int64 waitingBytes = 0;
  Byte* waiting[kSmallClasses] = {};

  // A waiting block of heapBytes (a small size), or nullptr when none waits.
  Byte* TakeWaiting(std::size_t heapBytes) noexcept {
    Byte*& head = waiting[SmallClassOf(heapBytes)];
    Byte* raw = head;
    if (raw == nullptr) return nullptr;
    UnpoisonWaiting(raw, heapBytes);
    head = NextWaiting(raw);
    waitingBytes -= static_cast<Int64>(heapBytes);
    return raw;
  }
  // Keeps a freed small block for reuse; false when the thread already keeps its fill.
  bool KeepWaiting(Byte* raw, std::size_t heapBytes) noexcept {
    if (waitingBytes + static_cast<Int64>(heapBytes) > kSmallBlockCacheBytes) return false;
    Byte*& head = waiting[SmallClassOf(heapBytes)];
    LinkWaiting(raw, head);
    PoisonWaiting(raw, heapBytes);
    head = raw;
    waitingBytes += static_cast<Int64>(heapBytes);
    return true;
  }
  // Returns every waiting block to the runtime heap.
  void ReleaseWaiting() noexcept {
    for (std::size_t c = 0; c < kSmallClasses; ++c) {
      const std::size_t heapBytes = (c + 1) * kHeapStep;
      while (Byte* raw = TakeWaiting(heapBytes)) std::free(raw);
    }
  }
};

namespace {

// The managers that exist, by id, so that a thread that ends (or forgets a manager) can give its
// reservation back to a manager that is still there. Locked only on those rare occasions.
std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::pair<UInt64, TSQLMemMemoryManager*>>& Registry() {
  static auto* managers = new std::vector<std::pair<UInt64, TSQLMemMemoryManager*>>;  // outlives every thread
  return *managers;
}

}  // namespace

// The managers a thread used last, with its tally for each. A thread mostly works with one manager;
// a thread that comes back to a manager it no longer remembers starts another tally, which the sums
// include as well. When the thread ends, or a manager drops out of the list, the reservation held
// for it goes back to the manager if it still exists.
struct ThreadTallyCache {
  struct Entry {
    UInt64 manager;
    TSQLMemMemoryManager::CallTally* tally;
  };
  static constexpr int kCached = 4;
  static void Release(const Entry& e) noexcept {
    if (e.tally == nullptr) return;
    std::lock_guard guard(RegistryLock());
    for (const auto& [id, manager] : Registry()) {
      if (id == e.manager) {
        manager->ReturnReservation(*e.tally);
        e.tally->ReleaseWaiting();
      }
    }
  }
  // Trivially destructible, so that the lookup on every call needs no initialisation guard.
  static thread_local Entry entries[kCached];
  static thread_local int nextSlot;

  // The hand-back when the thread ends works on a copy of the entries on the heap, held under a key
  // of the threads library, whose destructor is given the copy itself. A thread_local object's
  // destructor can't do it: with mingw-w64, thread_local objects live in emulated TLS, whose blocks
  // the threads library frees at thread end before the runtime runs those destructors, so such a
  // destructor reads a fresh, zeroed block (its own storage already freed) and finds nothing to return.
  // The copy is reached through the key rather than a thread_local pointer for the same reason: a
  // thread that allocates again after its hand-back (from another thread-end destructor) gets a new copy.
  static void ReleaseAtExit(void* copy) noexcept {
    auto* kept = static_cast<Entry*>(copy);
    for (int i = 0; i < kCached; ++i) Release(kept[i]);
    delete[] kept;
  }
  static Entry* ExitCopy() noexcept {
    static pthread_key_t key;
    static const bool haveKey = pthread_key_create(&key, &ReleaseAtExit) == 0;
    if (!haveKey) return nullptr;  // no hand-back at thread end: the reservation stays counted
    auto* copy = static_cast<Entry*>(pthread_getspecific(key));
    if (copy != nullptr) return copy;
    copy = new (std::nothrow) Entry[kCached]{};
    if (copy != nullptr && pthread_setspecific(key, copy) != 0) {
      delete[] copy;
      copy = nullptr;
    }
    return copy;
  }
};

thread_local ThreadTallyCache::Entry ThreadTallyCache::entries[ThreadTallyCache::kCached] = {};
thread_local int ThreadTallyCache::nextSlot = 0;

TSQLMemMemoryManager::TSQLMemMemoryManager() : id_(nextManagerId.fetch_add(1, std::memory_order_relaxed)) {
  std::lock_guard guard(RegistryLock());
  Registry().emplace_back(id_, this);
}

TSQLMemMemoryManager::~TSQLMemMemoryManager() {
  {
    std::lock_guard guard(RegistryLock());
    auto& managers = Registry();
    std::erase_if(managers, [this](const auto& entry) { return entry.first == id_; });
  }
  for (CallTally* t = tallies_.load(std::memory_order_acquire); t != nullptr;) {
    CallTally* next = t->next;
    t->ReleaseWaiting();
    delete t;
    t = next;
  }
}

inline TSQLMemMemoryManager::CallTally& TSQLMemMemoryManager::ThreadTally() {
  for (const ThreadTallyCache::Entry& c : ThreadTallyCache::entries) {
    if (c.manager == id_) return *c.tally;
  }
  return NewThreadTally();
}

TSQLMemMemoryManager::CallTally& TSQLMemMemoryManager::NewThreadTally() {
  ThreadTallyCache::Entry* exitCopy = ThreadTallyCache::ExitCopy();
  auto* tally = new CallTally;
  tally->epoch = limitEpoch_.load(std::memory_order_relaxed);
  tally->next = tallies_.load(std::memory_order_relaxed);
  while (!tallies_.compare_exchange_weak(tally->next, tally, std::memory_order_release, std::memory_order_relaxed)) {
  }
  ThreadTallyCache::Entry& slot = ThreadTallyCache::entries[ThreadTallyCache::nextSlot];
  ThreadTallyCache::Release(slot);
  slot = {id_, tally};
  if (exitCopy != nullptr) exitCopy[ThreadTallyCache::nextSlot] = slot;
  ThreadTallyCache::nextSlot = (ThreadTallyCache::nextSlot + 1) % ThreadTallyCache::kCached;
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

Int64 TSQLMemMemoryManager::AddAllocated(CallTally& tally, Int64 size) {
  const Int64 inUse = tally.inUse.load(std::memory_order_relaxed) + size;
  Int64 taken = 0;
  if (tally.epoch != limitEpoch_.load(std::memory_order_relaxed) || inUse > tally.held) [[unlikely]] {
    taken = Refill(tally, size);
  }
  tally.inUse.store(inUse, std::memory_order_relaxed);
  return taken;
}

Int64 TSQLMemMemoryManager::Refill(CallTally& tally, Int64 size) {
  // A reservation made under another limit goes back first, so that a lowered limit holds at once.
  const UInt64 epoch = limitEpoch_.load(std::memory_order_acquire);
  if (tally.epoch != epoch) {
    ReturnReservation(tally);
    tally.epoch = epoch;
  }
  const Int64 limit = memoryLimit_.load(std::memory_order_relaxed);
  const Int64 shortBy = size - (tally.held - tally.inUse.load(std::memory_order_relaxed));
  // Block sizes fit 32 bits, so the reservations of the blocks that exist cannot approach 2^63.
  Int64 total = reserved_.load(std::memory_order_relaxed);
  Int64 take = 0;
  do {
    take = shortBy + kMemoryReservationGrain;
    if (limit > 0 && total + take > limit) take = shortBy;  // only what this block needs
    if (limit > 0 && CheckedAdd(total, take) > limit) {
      // The reservations are full; unused ones of other threads (or of threads that ended) don't
      // count against the limit: the blocks in use decide, and the total may pass the limit by them.
      if (CheckedAdd(Allocated(), size) > limit) SQLMemError(30004, "Memory limit exceeded (Limit = %d bytes)", {limit});
      total = reserved_.fetch_add(take, std::memory_order_relaxed);
      break;
    }
  } while (!reserved_.compare_exchange_weak(total, total + take, std::memory_order_relaxed));
  tally.held += take;
  tally.reservedTotal = total + take;
  return take;
}

void TSQLMemMemoryManager::RaisePeak(const CallTally& tally) noexcept {
  const Int64 total = tally.reservedTotal;
  Int64 peak = peak_.load(std::memory_order_relaxed);
  while (total > peak && !peak_.compare_exchange_weak(peak, total, std::memory_order_relaxed)) {
  }
}

void TSQLMemMemoryManager::UndoAddAllocated(CallTally& tally, Int64 size, Int64 taken) noexcept {
  tally.inUse.store(tally.inUse.load(std::memory_order_relaxed) - size, std::memory_order_relaxed);
  tally.held -= taken;
  reserved_.fetch_sub(taken, std::memory_order_relaxed);
}

void TSQLMemMemoryManager::SubtractAllocated(CallTally& tally, Int64 size) noexcept {
  const Int64 inUse = tally.inUse.load(std::memory_order_relaxed) - size;
  tally.inUse.store(inUse, std::memory_order_relaxed);
  if (tally.held - inUse > kMemoryReservationGrain) [[unlikely]] {
    reserved_.fetch_sub(tally.held - inUse - kMemoryReservationGrain, std::memory_order_relaxed);
    tally.held = inUse + kMemoryReservationGrain;
  }
}

void TSQLMemMemoryManager::ReturnReservation(CallTally& tally) noexcept {
  const Int64 inUse = tally.inUse.load(std::memory_order_relaxed);
  reserved_.fetch_sub(tally.held - inUse, std::memory_order_relaxed);
  tally.held = inUse;
}

void* TSQLMemMemoryManager::GetMem(Int64 size) {
  CallTally& tally = ThreadTally();
  CountCall(tally.getMem);
  return DoGetMem(tally, size);
}

inline void* TSQLMemMemoryManager::DoGetMem(CallTally& tally, Int64 size) {
  if (size == 0) RaiseZeroSize();
  // The header stores the size in 32 bits.
  const Cardinal storedSize = CheckedCast<Cardinal>(size);
  const std::size_t total = static_cast<std::size_t>(storedSize) + static_cast<std::size_t>(kBlockOverhead);
  const Int64 taken = AddAllocated(tally, size);  // raises 30004 past the limit

  int method = forcedMethod_.load(std::memory_order_relaxed);
  if (method < 0) method = static_cast<int>(ChooseAllocationMethod(static_cast<Int64>(total)));
  // The runtime heap, the common case, is called here (a small block from the thread's waiting ones
  // first); anything else, and a failure, on the side.
  void* raw = nullptr;
  if (method == static_cast<int>(TSQLMemAllocMethod::RuntimeHeap)) [[likely]] {
    const std::size_t heapBytes = HeapBytes(total);
    if (heapBytes <= kSmallBlockBytes) raw = tally.TakeWaiting(heapBytes);
    if (raw == nullptr) raw = std::malloc(heapBytes);
  }
  if (raw == nullptr) raw = AllocateOtherwise(tally, method, total, size, taken);
  auto* bytes = static_cast<Byte*>(raw);
  StoreU32(bytes + kSizeOffset, storedSize);
  bytes[kMethodOffset] = static_cast<Byte>(method);
  StoreU32(bytes + kSignatureOffset, kBlockHeaderSignature);
  StoreU32(bytes + kBlockHeaderSize + storedSize, kBlockTailSignature);
  if (taken > 0) RaisePeak(tally);
  return bytes + kBlockHeaderSize;
}

void* TSQLMemMemoryManager::AllocateOtherwise(CallTally& tally, int method, std::size_t total, Int64 size,
                                              Int64 taken) {
  try {
    void* raw = method == static_cast<int>(TSQLMemAllocMethod::RuntimeHeap) ? nullptr : AllocateRaw(method, total);
    if (raw == nullptr) throw EOutOfMemory("Out of memory");
    return raw;
  } catch (const Exception& e) {
    UndoAddAllocated(tally, size, taken);
    SQLMemError(30015, "GetMem error: %s", {e.Message()});
  } catch (const std::bad_alloc&) {
    UndoAddAllocated(tally, size, taken);
    SQLMemError(30015, "GetMem error: %s", {"Out of memory"});
  }
}

void* TSQLMemMemoryManager::AllocMem(Int64 size) {
  CallTally& tally = ThreadTally();
  CountCall(tally.allocMem);
  void* p = DoGetMem(tally, size);
  std::memset(p, 0, static_cast<std::size_t>(size));
  return p;
}

void TSQLMemMemoryManager::FreeMem(void*& p) {
  CallTally& tally = ThreadTally();
  CountCall(tally.freeMem);
  DoFreeMem(tally, p);
}

inline void TSQLMemMemoryManager::DoFreeMem(CallTally& tally, void*& p) {
  // Freeing nothing is harmless, as releasing an empty reference is everywhere else.
  if (p == nullptr) return;
  if (!HasHeaderSignature(p)) RaiseInvalidPointer(30001);
  const Cardinal size = StoredSize(p);
  Byte* raw = RawOf(p);
  const bool overrun = LoadU32(raw + kBlockHeaderSize + size) != kBlockTailSignature;
  SubtractAllocated(tally, static_cast<Int64>(size));
  const Byte method = raw[kMethodOffset];
  if (method == static_cast<Byte>(TSQLMemAllocMethod::RuntimeHeap)) [[likely]] {
    // Every runtime-heap block holds at least its size rounded to the heap step (see HeapBytes). An
    // overrun block goes back to the heap, which may have checks of its own.
    const std::size_t heapBytes = HeapBytes(static_cast<std::size_t>(size) + static_cast<std::size_t>(kBlockOverhead));
    if (overrun || heapBytes > kSmallBlockBytes || !tally.KeepWaiting(raw, heapBytes)) std::free(raw);
  } else
    ReleaseRaw(method, raw, static_cast<std::size_t>(size) + static_cast<std::size_t>(kBlockOverhead));
  p = nullptr;
  // Reported only now: the damaged block is gone and the caller's reference is cleared.
  if (overrun) RaiseOverrun();
}

void TSQLMemMemoryManager::ReallocMem(void*& p, bool zeroFill, Int64 newSize) {
  CallTally& tally = ThreadTally();
  CountCall(tally.reallocMem);
  try {
    if (p == nullptr || !HasHeaderSignature(p)) SQLMemError(30002, "Invalid pointer");
    if (ReallocInPlace(tally, p, zeroFill, newSize)) return;
    const Int64 oldSize = StoredSize(p);
    void* q = DoGetMem(tally, newSize);
    const Int64 kept = oldSize < newSize ? oldSize : newSize;
    std::memcpy(q, p, static_cast<std::size_t>(kept));
    if (zeroFill && newSize > oldSize) {
      std::memset(static_cast<Byte*>(q) + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
    }
    try {
      DoFreeMem(tally, p);
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

bool TSQLMemMemoryManager::ReallocInPlace(CallTally& tally, void*& p, bool zeroFill, Int64 newSize) {
  Byte* raw = RawOf(p);
  const Cardinal oldSize = StoredSize(p);
  if (newSize <= 0 || newSize > static_cast<Int64>(std::numeric_limits<Cardinal>::max())) return false;
  if (forcedMethod_.load(std::memory_order_relaxed) >= 0) return false;
  if (raw[kMethodOffset] != static_cast<Byte>(TSQLMemAllocMethod::RuntimeHeap)) return false;
  const Int64 newTotal = newSize + kBlockOverhead;
  if (ChooseAllocationMethod(newTotal) != TSQLMemAllocMethod::RuntimeHeap) return false;
  // An overrun block takes the moving path, which reports the overrun after the bytes are safe.
  if (LoadU32(raw + kBlockHeaderSize + oldSize) != kBlockTailSignature) return false;
  const Int64 growth = newSize > oldSize ? newSize - oldSize : 0;
  const Int64 taken = growth > 0 ? AddAllocated(tally, growth) : 0;  // raises 30004 past the limit
  auto* bytes = static_cast<Byte*>(std::realloc(raw, HeapBytes(static_cast<std::size_t>(newTotal))));
  if (bytes == nullptr) {  // the old block stays
    if (growth > 0) UndoAddAllocated(tally, growth, taken);
    SQLMemError(30015, "GetMem error: %s", {"Out of memory"});
  }
  const auto stored = static_cast<Cardinal>(newSize);
  StoreU32(bytes + kSizeOffset, stored);
  StoreU32(bytes + kBlockHeaderSize + stored, kBlockTailSignature);
  if (zeroFill && newSize > oldSize) {
    std::memset(bytes + kBlockHeaderSize + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  }
  if (taken > 0) RaisePeak(tally);
  if (newSize < oldSize) SubtractAllocated(tally, oldSize - newSize);
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
  limitEpoch_.fetch_add(1, std::memory_order_release);
}

Int64 TSQLMemMemoryManager::Allocated() const {
  Int64 total = 0;
  for (const CallTally* t = tallies_.load(std::memory_order_acquire); t != nullptr; t = t->next) {
    total += t->inUse.load(std::memory_order_relaxed);
  }
  return total;
}

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
