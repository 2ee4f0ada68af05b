#include "engine/foundation/SQLMemCriticalSection.h"

#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"

#include <memory>
#include <new>
#include <vector>

#include <pthread.h>

namespace {

// Errors name the 32-bit thread identifier of the operating system (GetCurrentThreadId).
Integer CallerKey() { return static_cast<Integer>(static_cast<Cardinal>(os::CurrentThreadId())); }

// The calling thread's holds of every reader/writer lock it holds now, by lock identifier. A thread
// holds few locks at a time, the most recent last, so a backward scan finds them at once; an entry
// goes when its last hold is released.
struct HoldEntry {
  UInt64 lock;
  Int64 holds;
};

// The calling thread's table sits on the heap behind a trivially destructible pointer, and goes when the
// thread ends through a key of the threads library whose destructor is given the table itself. A
// thread_local object's destructor can't free it: with mingw-w64, thread_local objects live in emulated
// TLS, whose blocks the threads library may free at thread end before the runtime runs those
// destructors, so such a destructor would read a fresh, zeroed pointer and leak the table. A lock taken
// after the hand-back (by another thread-end destructor, or by objects with static storage at process
// exit) gets a fresh table, which the next round of key destructors frees in turn.
thread_local std::vector<HoldEntry>* threadHoldTable = nullptr;
std::atomic<Int64> liveHoldTables{0};

void FreeHoldTable(void* table) noexcept {
  delete static_cast<std::vector<HoldEntry>*>(table);
  liveHoldTables.fetch_sub(1, std::memory_order_relaxed);
  threadHoldTable = nullptr;
}

std::vector<HoldEntry>& NewThreadHolds() {
  static pthread_key_t key;
  static const bool haveKey = pthread_key_create(&key, &FreeHoldTable) == 0;
  auto table = std::make_unique<std::vector<HoldEntry>>();
  // Without the key (no key left in the process) the table stays until the process ends.
  if (haveKey && pthread_setspecific(key, table.get()) != 0) throw std::bad_alloc();
  liveHoldTables.fetch_add(1, std::memory_order_relaxed);
  threadHoldTable = table.release();
  return *threadHoldTable;
}

std::vector<HoldEntry>& ThreadHolds() {
  if (threadHoldTable == nullptr) [[unlikely]] return NewThreadHolds();
  return *threadHoldTable;
}

// Nil when the calling thread holds no lock (it may have no table yet).
Int64* FindHolds(UInt64 lock) {
  if (threadHoldTable == nullptr) return nullptr;
  auto& table = *threadHoldTable;
  for (auto it = table.rbegin(); it != table.rend(); ++it) {
    if (it->lock == lock) return &it->holds;
  }
  return nullptr;
}

void RemoveHolds(UInt64 lock) noexcept {
  auto& table = ThreadHolds();
  for (std::size_t i = table.size(); i-- > 0;) {
    if (table[i].lock == lock) {
      table[i] = table.back();
      table.pop_back();
      return;
    }
  }
}

std::atomic<UInt64> nextLockId{1};

// Counts the calling thread among the waiters of a lock from its first refused attempt to its grant
// (or its error).
class WaitCount {
 public:
  explicit WaitCount(std::atomic<Integer>& waiting) : waiting_(waiting) {}
  ~WaitCount() {
    if (counted_) waiting_.fetch_sub(1, std::memory_order_relaxed);
  }
  WaitCount(const WaitCount&) = delete;
  WaitCount& operator=(const WaitCount&) = delete;
  // Called when an attempt was refused: counts the thread once and yields the processor.
  void Yield() {
    if (!counted_) {
      waiting_.fetch_add(1, std::memory_order_relaxed);
      counted_ = true;
    }
    os::SleepMs(0);
  }

 private:
  std::atomic<Integer>& waiting_;
  bool counted_ = false;
};

[[noreturn]] void RaiseNotHolding(Int64 thread, Int64 holders) {
  SQLMemError(11638, "Invalid item number - ItemNo = %d, ItemCount = %d", {thread, holders});
}

}  // namespace

void TSQLMemReadWriteThreadSync::SetOwner(const void* owner, std::string_view ownerClassName) {
  owner_ = owner;
  ownerClassName_ = owner == nullptr ? AnsiString("NULL Pointer") : AnsiString(ownerClassName);
}

// ---------------------------------------------------------------------------------------------
// TSQLMemReadWriteThreadSyncByCriticalSections

TSQLMemReadWriteThreadSyncByCriticalSections::TSQLMemReadWriteThreadSyncByCriticalSections()
    : id_(nextLockId.fetch_add(1, std::memory_order_relaxed)) {}

bool TSQLMemReadWriteThreadSyncByCriticalSections::TryChangeState(Integer expected, Integer desired) noexcept {
  return state_.compare_exchange_weak(expected, desired, std::memory_order_acquire, std::memory_order_relaxed);
}

void TSQLMemReadWriteThreadSyncByCriticalSections::BeginRead() {
  if (Int64* holds = FindHolds(id_)) {  // re-entry in either mode
    *holds = CheckedAdd<Int64>(*holds, 1);
    return;
  }
  auto& table = ThreadHolds();
  table.reserve(table.size() + 1);  // the entry can then be added after the grant without failing
  WaitCount waiting(waitingReaders_);
  for (;;) {
    const Integer state = state_.load(std::memory_order_relaxed);
    if (state == -1) {  // another thread writes
      waiting.Yield();
      continue;
    }
    if (TryChangeState(state, CheckedAdd(state, 1))) break;
  }
  table.push_back({id_, 1});
}

void TSQLMemReadWriteThreadSyncByCriticalSections::BeginWrite() {
  Int64* holds = FindHolds(id_);
  if (holds != nullptr) {
    const Int64 more = CheckedAdd<Int64>(*holds, 1);
    // Held by this thread: writing already (only the writer holds a written lock), or a reader that
    // upgrades once it reads alone.
    WaitCount waiting(waitingWriters_);
    while (state_.load(std::memory_order_relaxed) != -1 && !TryChangeState(1, -1)) waiting.Yield();
    *holds = more;
    return;
  }
  auto& table = ThreadHolds();
  table.reserve(table.size() + 1);
  WaitCount waiting(waitingWriters_);
  while (!TryChangeState(0, -1)) waiting.Yield();
  table.push_back({id_, 1});
}

void TSQLMemReadWriteThreadSyncByCriticalSections::EndLock() {
  Int64* holds = FindHolds(id_);
  if (holds == nullptr) {
    const Integer state = state_.load(std::memory_order_relaxed);
    RaiseNotHolding(static_cast<Cardinal>(CallerKey()), state > 0 ? state : state == -1 ? 1 : 0);
  }
  if (--*holds > 0) return;
  RemoveHolds(id_);
  // A writer leaving frees the lock (nobody else changes a written state); a reader leaving lowers
  // the number of reading threads.
  if (state_.load(std::memory_order_relaxed) == -1) {
    state_.store(0, std::memory_order_release);
  } else {
    state_.fetch_sub(1, std::memory_order_release);
  }
}

Int64 TSQLMemReadWriteThreadSyncByCriticalSections::ThreadHoldTables() noexcept {
  return liveHoldTables.load(std::memory_order_relaxed);
}

TSQLMemReadWriteThreadSyncByCriticalSections::Snapshot TSQLMemReadWriteThreadSyncByCriticalSections::GetSnapshot()
    const {
  Snapshot s;
  s.waitingReaders = waitingReaders_.load(std::memory_order_relaxed);
  s.waitingWriters = waitingWriters_.load(std::memory_order_relaxed);
  s.state = state_.load(std::memory_order_acquire);
  s.holders = s.state > 0 ? s.state : s.state == -1 ? 1 : 0;
  const Int64* holds = FindHolds(id_);
  s.callerHolds = holds != nullptr ? *holds : 0;
  return s;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemReadWriteThreadSyncBySingleCriticalSection

void TSQLMemReadWriteThreadSyncBySingleCriticalSection::Enter() {
  section_.Enter();
  // Inside the section: only this thread touches the holder and the depth now.
  holder_.store(os::CurrentThreadId(), std::memory_order_relaxed);
  ++depth_;
}

void TSQLMemReadWriteThreadSyncBySingleCriticalSection::BeginRead() { Enter(); }

void TSQLMemReadWriteThreadSyncBySingleCriticalSection::BeginWrite() { Enter(); }

void TSQLMemReadWriteThreadSyncBySingleCriticalSection::EndLock() {
  // Only the holder can find its own identifier here: the field changes only inside the section.
  const os::ThreadId me = os::CurrentThreadId();
  if (holder_.load(std::memory_order_relaxed) != me || depth_ == 0)
    RaiseNotHolding(static_cast<Cardinal>(me), holder_.load(std::memory_order_relaxed) != 0 ? 1 : 0);
  if (--depth_ == 0) holder_.store(0, std::memory_order_relaxed);
  section_.Leave();
}

// ---------------------------------------------------------------------------------------------
// TSQLMemLockHold

TSQLMemLockHold::TSQLMemLockHold(TSQLMemReadWriteThreadSync& lock, bool exclusive) : lock_(lock) {
  if (exclusive)
    lock_.BeginWrite();
  else
    lock_.BeginRead();
}

TSQLMemLockHold::~TSQLMemLockHold() {
  // This thread took the hold, so the release cannot be refused; nothing may leave a destructor.
  try {
    lock_.EndLock();
  } catch (...) {
  }
}
