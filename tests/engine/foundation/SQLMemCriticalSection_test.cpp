#include "engine/foundation/SQLMemCriticalSection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <condition_variable>
#include <thread>
#include <vector>

#include <pthread.h>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"

namespace {

using namespace std::chrono_literals;
using Lock = TSQLMemReadWriteThreadSyncByCriticalSections;

// Every wait in these tests is bounded by this; it is far above any real delay, so a test only ever
// runs into it when a grant rule is broken (the test then fails instead of hanging).
constexpr auto kLimit = 30s;

// A thread that runs the calls posted to it, one after another, so that a test can take a lock on
// one thread and release it later on the same thread.
class Worker {
 public:
  Worker() : thread_([this] { Loop(); }) {}
  ~Worker() {
    Post({});
    if (exited_.wait_for(kLimit) != std::future_status::ready) {
      std::fprintf(stderr, "a worker thread is still blocked after %lld s\n", static_cast<long long>(kLimit.count()));
      std::abort();
    }
    thread_.join();
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts fn on the worker; the future tells when it has returned.
  std::future<void> Post(std::function<void()> fn) {
    const bool stop = !fn;
    std::packaged_task<void()> task(stop ? [] {} : std::move(fn));
    auto done = task.get_future();
    {
      std::lock_guard l(mutex_);
      queue_.push_back({std::move(task), stop});
    }
    wake_.notify_one();
    return done;
  }

  // Runs fn on the worker and waits for it; exceptions come back to the caller.
  template <class F>
  auto Call(F fn) -> decltype(fn()) {
    using R = decltype(fn());
    std::packaged_task<R()> task(std::move(fn));
    auto result = task.get_future();
    auto ran = Post([&task] { task(); });
    Await(ran);
    return result.get();
  }

  static void Await(std::future<void>& f) {
    if (f.wait_for(kLimit) != std::future_status::ready) {
      std::fprintf(stderr, "a lock call did not return within %lld s\n", static_cast<long long>(kLimit.count()));
      std::abort();
    }
  }

 private:
  struct Item {
    std::packaged_task<void()> task;
    bool stop = false;
  };

  void Loop() {
    for (;;) {
      Item item;
      {
        std::unique_lock l(mutex_);
        wake_.wait(l, [this] { return !queue_.empty(); });
        item = std::move(queue_.front());
        queue_.pop_front();
      }
      item.task();
      if (item.stop) break;
    }
    exitedPromise_.set_value();
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Item> queue_;
  std::promise<void> exitedPromise_;
  std::future<void> exited_ = exitedPromise_.get_future();
  std::thread thread_;
};

template <class Pred>
bool WaitUntil(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

bool Done(std::future<void>& f) { return f.wait_for(0s) == std::future_status::ready; }

// Gives a waiting thread many chances to be (wrongly) granted before a test checks that it was not.
// The outcome never depends on timing: a correct lock can't grant in this window.
bool StillWaiting(std::future<void>& f) {
  for (int i = 0; i < 50; ++i) {
    if (Done(f)) return false;
    std::this_thread::sleep_for(1ms);
  }
  return !Done(f);
}

Integer ThreadNumber() { return static_cast<Integer>(static_cast<Cardinal>(os::CurrentThreadId())); }

// Every engine block that a test's objects take is given back when they are gone.
class ReadWriteLock : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    allocatedBefore_ = MemoryManager().Allocated();
  }
  void TearDown() override { EXPECT_EQ(MemoryManager().Allocated(), allocatedBefore_) << "engine blocks leaked"; }

 private:
  Int64 allocatedBefore_ = 0;
};

TEST_F(ReadWriteLock, OneThreadReentersInEitherModeAndUpgrades) {
  Lock lock;
  lock.BeginRead();
  lock.BeginRead();
  EXPECT_EQ(lock.GetSnapshot().state, 1);
  lock.BeginWrite();  // the sole reader upgrades
  auto s = lock.GetSnapshot();
  EXPECT_EQ(s.state, -1);
  EXPECT_EQ(s.callerHolds, 3);
  lock.BeginRead();  // a writer reading is a re-entry: it stays a writer
  EXPECT_EQ(lock.GetSnapshot().state, -1);
  for (int i = 0; i < 3; ++i) lock.EndLock();
  EXPECT_EQ(lock.GetSnapshot().state, -1);
  lock.EndLock();
  s = lock.GetSnapshot();
  EXPECT_EQ(s.state, 0);
  EXPECT_EQ(s.holders, 0);
  EXPECT_EQ(s.waitingReaders, 0);
  EXPECT_EQ(s.waitingWriters, 0);
}

TEST_F(ReadWriteLock, EndLockWithoutAHoldRaises11638AndChangesNothing) {
  Lock lock;
  try {
    lock.EndLock();
    FAIL() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 11638);
    EXPECT_EQ(e.Message(), "Invalid item number - ItemNo = " + std::to_string(static_cast<Cardinal>(ThreadNumber())) +
                               ", ItemCount = 0 - Native error: 11638");
  }

  Worker reader;
  reader.Call([&] { lock.BeginRead(); });
  try {
    lock.EndLock();  // this thread holds nothing; the reader's hold must survive
    FAIL() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 11638);
    EXPECT_NE(e.Message().find(", ItemCount = 1 - "), AnsiString::npos) << e.Message();
  }
  EXPECT_EQ(lock.GetSnapshot().state, 1);
  EXPECT_EQ(reader.Call([&] { return lock.GetSnapshot().callerHolds; }), 1);
  // The critical section was left: another thread can still use the lock.
  lock.BeginRead();
  EXPECT_EQ(lock.GetSnapshot().state, 2);
  lock.EndLock();
  reader.Call([&] { lock.EndLock(); });
  EXPECT_EQ(lock.GetSnapshot().state, 0);
}

TEST_F(ReadWriteLock, ReaderWaitsWhileAnotherThreadWrites) {
  Lock lock;
  Worker writer;
  Worker reader;
  writer.Call([&] { lock.BeginWrite(); });

  auto granted = reader.Post([&] { lock.BeginRead(); });
  ASSERT_TRUE(WaitUntil([&] { return lock.GetSnapshot().waitingReaders == 1; }));
  EXPECT_TRUE(StillWaiting(granted));

  // The writer's own read is granted at once and needs its own release.
  EXPECT_EQ(writer.Call([&] {
              lock.BeginRead();
              return lock.GetSnapshot().callerHolds;
            }),
            2);
  writer.Call([&] { lock.EndLock(); });
  EXPECT_TRUE(StillWaiting(granted));
  EXPECT_EQ(lock.GetSnapshot().state, -1);

  writer.Call([&] { lock.EndLock(); });
  Worker::Await(granted);
  auto s = lock.GetSnapshot();
  EXPECT_EQ(s.state, 1);
  EXPECT_EQ(s.waitingReaders, 0);
  reader.Call([&] { lock.EndLock(); });
}

TEST_F(ReadWriteLock, WriterWaitsForEveryReaderWhileNewReadersGetIn) {
  Lock lock;
  Worker reader1, reader2, reader3, writer;
  reader1.Call([&] { lock.BeginRead(); });
  reader2.Call([&] { lock.BeginRead(); });
  EXPECT_EQ(lock.GetSnapshot().state, 2);

  auto granted = writer.Post([&] { lock.BeginWrite(); });
  ASSERT_TRUE(WaitUntil([&] { return lock.GetSnapshot().waitingWriters == 1; }));
  EXPECT_TRUE(StillWaiting(granted));

  // A waiting writer does not hold back a new reader.
  reader3.Call([&] { lock.BeginRead(); });
  EXPECT_EQ(lock.GetSnapshot().state, 3);

  reader1.Call([&] { lock.EndLock(); });
  reader3.Call([&] { lock.EndLock(); });
  EXPECT_TRUE(StillWaiting(granted));  // reader2 still holds
  EXPECT_EQ(lock.GetSnapshot().state, 1);

  reader2.Call([&] { lock.EndLock(); });
  Worker::Await(granted);
  auto s = lock.GetSnapshot();
  EXPECT_EQ(s.state, -1);
  EXPECT_EQ(s.holders, 1);
  EXPECT_EQ(s.waitingWriters, 0);
  writer.Call([&] { lock.EndLock(); });
  EXPECT_EQ(lock.GetSnapshot().state, 0);
}

TEST_F(ReadWriteLock, ReaderUpgradesOnceTheOtherReadersHaveLeft) {
  Lock lock;
  Worker upgrader, other;
  upgrader.Call([&] { lock.BeginRead(); });
  other.Call([&] { lock.BeginRead(); });

  auto granted = upgrader.Post([&] { lock.BeginWrite(); });
  ASSERT_TRUE(WaitUntil([&] { return lock.GetSnapshot().waitingWriters == 1; }));
  EXPECT_TRUE(StillWaiting(granted));

  other.Call([&] { lock.EndLock(); });
  Worker::Await(granted);
  EXPECT_EQ(lock.GetSnapshot().state, -1);
  EXPECT_EQ(upgrader.Call([&] { return lock.GetSnapshot().callerHolds; }), 2);

  // Until both holds are gone the upgraded thread writes: another reader waits.
  upgrader.Call([&] { lock.EndLock(); });
  auto readerGranted = other.Post([&] { lock.BeginRead(); });
  ASSERT_TRUE(WaitUntil([&] { return lock.GetSnapshot().waitingReaders == 1; }));
  EXPECT_TRUE(StillWaiting(readerGranted));
  upgrader.Call([&] { lock.EndLock(); });
  Worker::Await(readerGranted);
  other.Call([&] { lock.EndLock(); });
  EXPECT_EQ(lock.GetSnapshot().state, 0);
}

// Writers change two fields one after the other, yielding in between; a reader or writer that ever
// got in while another writer was inside would see them differ.
TEST_F(ReadWriteLock, WritersExcludeEveryoneUnderContention) {
  Lock lock;
  long first = 0;
  long second = 0;
  std::atomic<int> torn{0};
  auto work = [&](int seed) {
    for (int i = 0; i < 300; ++i) {
      if ((i + seed) % 3 == 0) {
        TSQLMemLockHold hold(lock, true);
        TSQLMemLockHold again(lock, (i & 1) != 0);  // re-entry in either mode
        ++first;
        std::this_thread::yield();
        ++second;
      } else {
        TSQLMemLockHold hold(lock, false);
        if (first != second) ++torn;
      }
    }
  };
  {
    std::vector<std::unique_ptr<Worker>> workers;
    std::vector<std::future<void>> finished;
    for (int t = 0; t < 4; ++t) {
      workers.push_back(std::make_unique<Worker>());
      finished.push_back(workers.back()->Post([&work, t] { work(t); }));
    }
    for (auto& f : finished) Worker::Await(f);
  }
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, 400);  // each thread writes on every third step (seeds 0..3)
  auto s = lock.GetSnapshot();
  EXPECT_EQ(s.state, 0);
  EXPECT_EQ(s.holders, 0);
}

TEST_F(ReadWriteLock, HoldIsReleasedWhenTheGuardedWorkRaises) {
  Lock lock;
  try {
    TSQLMemLockHold hold(lock, true);
    throw std::runtime_error("guarded work failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(lock.GetSnapshot().state, 0);
  EXPECT_EQ(lock.GetSnapshot().holders, 0);
}

TEST_F(ReadWriteLock, AThreadThatEndsFreesItsHoldTable) {
  Lock lock;
  // Threads that held locks, in both modes and re-entered, and released them before ending; half of
  // them take the lock once more at thread end, from a key destructor of the threads library, which
  // may run after their table is gone (a thread_local object can't serve here: with mingw-w64 its
  // storage may already be freed when its destructor runs).
  static pthread_key_t lateLocker;
  static const bool haveKey = pthread_key_create(&lateLocker, [](void* lock) {
    static_cast<Lock*>(lock)->BeginRead();
    static_cast<Lock*>(lock)->EndLock();
  }) == 0;
  ASSERT_TRUE(haveKey);
  const Int64 before = Lock::ThreadHoldTables();
  for (int i = 0; i < 40; ++i) {
    std::thread([&lock, i] {
      if (i % 2 == 1) pthread_setspecific(lateLocker, &lock);
      lock.BeginRead();
      lock.BeginWrite();
      lock.EndLock();
      lock.EndLock();
    }).join();
  }
  EXPECT_EQ(Lock::ThreadHoldTables(), before);
  EXPECT_EQ(lock.GetSnapshot().state, 0);
}

TEST_F(ReadWriteLock, OwnerIsRecordedForDiagnostics) {
  Lock lock;
  EXPECT_EQ(lock.OwnerClassName(), "NULL Pointer");
  int guarded = 0;
  lock.SetOwner(&guarded, "TSQLMemFileStream");
  EXPECT_EQ(lock.Owner(), &guarded);
  EXPECT_EQ(lock.OwnerClassName(), "TSQLMemFileStream");
  lock.SetOwner(nullptr, "TSQLMemFileStream");
  EXPECT_EQ(lock.OwnerClassName(), "NULL Pointer");
}

TEST_F(ReadWriteLock, SingleSectionLockReentersAndMakesOthersWait) {
  TSQLMemReadWriteThreadSyncBySingleCriticalSection lock;
  lock.BeginRead();
  lock.BeginRead();  // its own recursion

  Worker other;
  auto granted = other.Post([&] { lock.BeginRead(); });  // readers exclude each other here
  EXPECT_TRUE(StillWaiting(granted));
  lock.EndLock();
  EXPECT_TRUE(StillWaiting(granted));
  lock.EndLock();
  Worker::Await(granted);

  // Now the other thread holds it: releasing from here is refused and leaves its hold intact.
  try {
    lock.EndLock();
    FAIL() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 11638);
  }
  auto writeGranted = other.Post([&] { lock.BeginWrite(); });
  Worker::Await(writeGranted);
  other.Call([&] {
    lock.EndLock();
    lock.EndLock();
  });
  lock.BeginWrite();  // free again
  lock.EndLock();
  EXPECT_THROW(lock.EndLock(), ESQLMemException);
}

}  // namespace
