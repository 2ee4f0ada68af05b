#include "engine/foundation/SQLMemCriticalSection.h"

#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

// Holder lists keep the 32-bit thread identifier of the operating system (GetCurrentThreadId).
Integer CallerKey() { return static_cast<Integer>(static_cast<Cardinal>(os::CurrentThreadId())); }

// Enter for a scope; Leave may come early, before the scope ends.
class SectionGuard {
 public:
  explicit SectionGuard(os::CriticalSection& section) : section_(section) { section_.Enter(); }
  ~SectionGuard() {
    if (entered_) section_.Leave();
  }
  SectionGuard(const SectionGuard&) = delete;
  SectionGuard& operator=(const SectionGuard&) = delete;
  void Leave() {
    entered_ = false;
    section_.Leave();
  }

 private:
  os::CriticalSection& section_;
  bool entered_ = true;
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
    : holderThreads_(0, 10, 100), holdCounts_(0, 10, 100) {}

void TSQLMemReadWriteThreadSyncByCriticalSections::BeginRead() {
  const Integer me = CallerKey();
  bool counted = false;
  for (;;) {
    SectionGuard guard(section_);
    const Integer index = state_ != 0 ? holderThreads_.IndexOf(me) : -1;
    if (!counted) {
      waitingReaders_ = CheckedAdd(waitingReaders_, 1);
      counted = true;
    }
    if (index < 0 && state_ == -1) {  // another thread writes
      guard.Leave();
      os::SleepMs(0);
      continue;
    }
    --waitingReaders_;
    if (index >= 0) {
      holdCounts_.SetItem(index, CheckedAdd<Int64>(holdCounts_.GetItem(index), 1));
      return;
    }
    const Integer newState = CheckedAdd(state_, 1);
    holderThreads_.Append(me);
    try {
      holdCounts_.Append(1);
    } catch (...) {
      holderThreads_.Delete(holderThreads_.Count() - 1);
      throw;
    }
    state_ = newState;
    return;
  }
}

void TSQLMemReadWriteThreadSyncByCriticalSections::BeginWrite() {
  const Integer me = CallerKey();
  bool counted = false;
  for (;;) {
    SectionGuard guard(section_);
    const Integer index = state_ != 0 ? holderThreads_.IndexOf(me) : -1;
    if (!counted) {
      waitingWriters_ = CheckedAdd(waitingWriters_, 1);
      counted = true;
    }
    // Free, or held by this thread alone (a writer re-entering or a sole reader upgrading).
    const bool available = state_ == 0 || (index >= 0 && holderThreads_.Count() == 1);
    if (!available) {
      guard.Leave();
      os::SleepMs(0);
      continue;
    }
    --waitingWriters_;
    if (index >= 0) {
      holdCounts_.SetItem(index, CheckedAdd<Int64>(holdCounts_.GetItem(index), 1));
    } else {
      holderThreads_.Append(me);
      try {
        holdCounts_.Append(1);
      } catch (...) {
        holderThreads_.Delete(holderThreads_.Count() - 1);
        throw;
      }
    }
    state_ = -1;
    return;
  }
}

void TSQLMemReadWriteThreadSyncByCriticalSections::EndLock() {
  const Integer me = CallerKey();
  SectionGuard guard(section_);
  const Integer index = holderThreads_.IndexOf(me);
  if (index < 0) RaiseNotHolding(static_cast<Cardinal>(me), holderThreads_.Count());
  const Int64 left = holdCounts_.GetItem(index) - 1;
  if (left > 0) {
    holdCounts_.SetItem(index, left);
    return;
  }
  holderThreads_.Delete(index);
  holdCounts_.Delete(index);
  // A writer leaving frees the lock; a reader leaving lowers the number of reading threads.
  state_ = state_ < 1 ? 0 : state_ - 1;
}

TSQLMemReadWriteThreadSyncByCriticalSections::Snapshot TSQLMemReadWriteThreadSyncByCriticalSections::GetSnapshot()
    const {
  const Integer me = CallerKey();
  SectionGuard guard(section_);
  Snapshot s;
  s.waitingReaders = waitingReaders_;
  s.waitingWriters = waitingWriters_;
  s.state = state_;
  s.holders = holderThreads_.Count();
  const Integer index = holderThreads_.IndexOf(me);
  s.callerHolds = index >= 0 ? holdCounts_.GetItem(index) : 0;
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
