// The engine's reader/writer locks. A hold belongs to a thread and is re-entrant: the holder may take
// the lock again in either mode and releases it once per take. Readers are refused only while another
// thread writes; a writer is granted only when the lock is free or held by itself alone, so a sole
// reader upgrades by asking for the write lock. Two readers that both ask to upgrade wait for each
// other for ever: callers never ask for the write lock while sharing a read hold.
#pragma once
#include <atomic>
#include <memory>
#include <string_view>
#include "engine/foundation/SQLMemArrays.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemReadWriteThreadSync {
 public:
  TSQLMemReadWriteThreadSync() = default;
  virtual ~TSQLMemReadWriteThreadSync() = default;
  TSQLMemReadWriteThreadSync(const TSQLMemReadWriteThreadSync&) = delete;
  TSQLMemReadWriteThreadSync& operator=(const TSQLMemReadWriteThreadSync&) = delete;

  // Returns when the calling thread holds the lock for reading (or already held it in any mode).
  virtual void BeginRead() = 0;
  // Returns when the calling thread holds the lock exclusively.
  virtual void BeginWrite() = 0;
  // Releases one hold of the calling thread; a thread that holds nothing gets 11638.
  virtual void EndLock() = 0;

  // The guarded object, for diagnostics only; a nil owner is named "NULL Pointer".
  void SetOwner(const void* owner, std::string_view ownerClassName);
  const void* Owner() const { return owner_; }
  const AnsiString& OwnerClassName() const { return ownerClassName_; }

 private:
  const void* owner_ = nullptr;
  AnsiString ownerClassName_ = "NULL Pointer";
};

// The true reader/writer lock. One atomic word holds the state (0 free, n > 0 read by n threads,
// -1 written); each thread keeps its own hold counts in thread-local storage, so an uncontended hold
// is one compare-and-swap to take and one atomic update to give back, with no allocation. Waiting is
// a retry loop that yields the processor between attempts; there is no queue and no fairness, and
// waiting writers do not hold back new readers.
class TSQLMemReadWriteThreadSyncByCriticalSections final : public TSQLMemReadWriteThreadSync {
 public:
  TSQLMemReadWriteThreadSyncByCriticalSections();

  void BeginRead() override;
  void BeginWrite() override;
  void EndLock() override;

  // A view of the lock, for diagnostics and tests; consistent while no other thread changes it.
  struct Snapshot {
    Integer waitingReaders = 0;  // threads inside BeginRead not yet granted
    Integer waitingWriters = 0;  // threads inside BeginWrite not yet granted
    Integer state = 0;           // 0 free, n > 0 read by n threads, -1 written
    Integer holders = 0;         // threads holding the lock
    Int64 callerHolds = 0;       // holds of the calling thread
  };
  Snapshot GetSnapshot() const;
  // The hold tables of all threads that took one of these locks and have not ended (with the one of
  // the process's main thread, which stays): a thread's table goes when the thread ends.
  static Int64 ThreadHoldTables() noexcept;

 private:
  // Tries once to move the state from expected to desired; on failure the caller waits and retries.
  bool TryChangeState(Integer expected, Integer desired) noexcept;

  // Names this lock in the threads' hold tables; never reused, so a table entry of a lock that is
  // gone can't be taken for a later lock at the same address.
  const UInt64 id_;
  std::atomic<Integer> state_{0};
  std::atomic<Integer> waitingReaders_{0};
  std::atomic<Integer> waitingWriters_{0};
};

// The plain lock: both modes enter one re-entrant critical section, so readers exclude each other.
class TSQLMemReadWriteThreadSyncBySingleCriticalSection final : public TSQLMemReadWriteThreadSync {
 public:
  void BeginRead() override;
  void BeginWrite() override;
  // A thread that does not hold the section gets 11638 instead of corrupting it.
  void EndLock() override;

 private:
  void Enter();

  os::CriticalSection section_;
  std::atomic<os::ThreadId> holder_{0};  // written only by the thread inside the section
  Int64 depth_ = 0;                      // that thread's holds
};

// Holds a lock for a scope: BeginRead or BeginWrite now, EndLock when the scope ends.
class TSQLMemLockHold {
 public:
  TSQLMemLockHold(TSQLMemReadWriteThreadSync& lock, bool exclusive);
  ~TSQLMemLockHold();
  TSQLMemLockHold(const TSQLMemLockHold&) = delete;
  TSQLMemLockHold& operator=(const TSQLMemLockHold&) = delete;

 private:
  TSQLMemReadWriteThreadSync& lock_;
};
