#include "engine/foundation/SQLMemMemory.h"

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"

namespace {

const Byte* Bytes(const void* p) { return static_cast<const Byte*>(p); }
Byte* Bytes(void* p) { return static_cast<Byte*>(p); }

// Runs f, which must raise ESQLMemException, and returns the exception's code and full message.
template <class F>
std::pair<Integer, AnsiString> EngineErrorOf(F&& f) {
  try {
    f();
  } catch (const ESQLMemException& e) {
    return {e.NativeError(), e.Message()};
  }
  ADD_FAILURE() << "no ESQLMemException raised";
  return {0, ""};
}

void FillPattern(void* p, Int64 size, Byte seed) {
  for (Int64 i = 0; i < size; ++i) Bytes(p)[i] = static_cast<Byte>(seed + i * 7);
}

bool HasPattern(const void* p, Int64 size, Byte seed) {
  for (Int64 i = 0; i < size; ++i) {
    if (Bytes(p)[i] != static_cast<Byte>(seed + i * 7)) return false;
  }
  return true;
}

bool AllZero(const void* p, Int64 from, Int64 to) {
  for (Int64 i = from; i < to; ++i) {
    if (Bytes(p)[i] != 0) return false;
  }
  return true;
}

class MemoryManagerTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(mm_.Allocated(), 0) << "a test left blocks allocated"; }
  TSQLMemMemoryManager mm_;
};

}  // namespace

// ---- block layout and method choice ----

struct MethodCase {
  Int64 size;
  int forced;  // -1: the chooser decides
  TSQLMemAllocMethod expected;
};

class BlockLayout : public MemoryManagerTest, public testing::WithParamInterface<MethodCase> {};

TEST_P(BlockLayout, HeaderTailAndMethodFollowTheTotalSize) {
  const MethodCase c = GetParam();
  mm_.ForceAllocationMethod(c.forced);
  void* p = mm_.GetMem(c.size);
  ASSERT_NE(p, nullptr);
  const Byte* raw = Bytes(p) - 9;
  const Cardinal size32 = static_cast<Cardinal>(c.size);
  const Byte sizeBytes[4] = {static_cast<Byte>(size32), static_cast<Byte>(size32 >> 8), static_cast<Byte>(size32 >> 16),
                             static_cast<Byte>(size32 >> 24)};
  EXPECT_EQ(std::memcmp(raw, sizeBytes, 4), 0);
  EXPECT_EQ(raw[4], static_cast<Byte>(c.expected));
  const Byte headerSignature[4] = {0xAC, 0xCC, 0xCA, 0xAC};
  EXPECT_EQ(std::memcmp(raw + 5, headerSignature, 4), 0);
  const Byte tailSignature[4] = {0xCE, 0xAC, 0xCE, 0xAC};
  EXPECT_EQ(std::memcmp(Bytes(p) + c.size, tailSignature, 4), 0);
  EXPECT_EQ(mm_.GetBlockSize(p), c.size);
  EXPECT_EQ(mm_.Allocated(), c.size);

  // Every byte of the block is the caller's.
  FillPattern(p, c.size, 3);
  EXPECT_TRUE(HasPattern(p, c.size, 3));
  mm_.FreeMem(p);
  EXPECT_EQ(p, nullptr);
}

// Totals (size + 13) of 726/727, 64500/64501 and 1048576/1048577 sit on the chooser's edges.
INSTANTIATE_TEST_SUITE_P(
    MemoryManager, BlockLayout,
    testing::Values(MethodCase{1, -1, TSQLMemAllocMethod::RuntimeHeap},
                    MethodCase{713, -1, TSQLMemAllocMethod::RuntimeHeap},
                    MethodCase{714, -1, TSQLMemAllocMethod::GlobalAlloc},
                    MethodCase{64487, -1, TSQLMemAllocMethod::GlobalAlloc},
                    MethodCase{64488, -1, TSQLMemAllocMethod::RuntimeHeap},
                    MethodCase{1048563, -1, TSQLMemAllocMethod::RuntimeHeap},
                    MethodCase{1048564, -1, TSQLMemAllocMethod::GlobalAlloc},
                    MethodCase{5000, 1, TSQLMemAllocMethod::VirtualAlloc},
                    MethodCase{5000, 0, TSQLMemAllocMethod::RuntimeHeap}));

TEST_F(MemoryManagerTest, AllocMemZeroFillsOnEveryPath) {
  for (Int64 size : {Int64{1}, Int64{2000}, Int64{100000}, Int64{2000000}}) {
    SCOPED_TRACE(size);
    void* p = mm_.AllocMem(size);
    EXPECT_TRUE(AllZero(p, 0, size));
    mm_.FreeMem(p);
  }
}

// ---- request errors ----

TEST_F(MemoryManagerTest, ZeroAndOutOfRangeRequestsAllocateNothing) {
  EXPECT_EQ(EngineErrorOf([&] { mm_.GetMem(0); }),
            std::make_pair(Integer{30286}, AnsiString("Cannot alocate 0 bytes - Native error: 30286")));
  EXPECT_EQ(EngineErrorOf([&] { mm_.AllocMem(0); }).first, 30286);
  // The header keeps the size in 32 bits.
  EXPECT_THROW(mm_.GetMem(Int64{1} << 32), ERangeError);
  EXPECT_THROW(mm_.GetMem(-1), ERangeError);
  EXPECT_EQ(mm_.Allocated(), 0);
  EXPECT_EQ(mm_.PeakAllocated(), 0);
}

TEST_F(MemoryManagerTest, LimitAdmitsExactlyTheLimitAndNotOneByteMore) {
  mm_.SetMemoryLimit(1000);
  void* a = mm_.GetMem(600);
  void* b = mm_.GetMem(400);  // allocated is now exactly the limit
  EXPECT_EQ(mm_.Allocated(), 1000);
  EXPECT_EQ(EngineErrorOf([&] { mm_.GetMem(1); }),
            std::make_pair(Integer{30004}, AnsiString("Memory limit exceeded (Limit = 1000 bytes) - Native error: 30004")));
  EXPECT_EQ(mm_.Allocated(), 1000);
  EXPECT_EQ(mm_.PeakAllocated(), 1000);
  mm_.FreeMem(b);
  void* c = mm_.GetMem(400);  // room again after a release
  mm_.FreeMem(a);
  mm_.FreeMem(c);
  mm_.SetMemoryLimit(0);  // no limit
  void* big = mm_.GetMem(5000);
  mm_.FreeMem(big);
  EXPECT_THROW(mm_.SetMemoryLimit(-1), ERangeError);
}

TEST_F(MemoryManagerTest, FailureToAllocateIsWrappedAndLeavesTotalsAlone) {
  mm_.ForceAllocationMethod(3);
  EXPECT_EQ(EngineErrorOf([&] { mm_.GetMem(10); }),
            std::make_pair(Integer{30015}, AnsiString("GetMem error: Unknown GetMem method type: 3 - Native error: 30340 - "
                                                      "Native error: 30015")));
  EXPECT_EQ(mm_.Allocated(), 0);
  EXPECT_EQ(mm_.PeakAllocated(), 0);
}

// ---- block checks ----

struct OverrunCase {
  Int64 size;
  int forced;
};

class OverrunDetection : public MemoryManagerTest, public testing::WithParamInterface<OverrunCase> {};

TEST_P(OverrunDetection, OneBytePastTheEndIsReportedAfterRelease) {
  mm_.ForceAllocationMethod(GetParam().forced);
  const Int64 size = GetParam().size;
  void* p = mm_.GetMem(size);
  Bytes(p)[size] = 0;  // the first byte of the tail guard
  EXPECT_EQ(EngineErrorOf([&] { mm_.FreeMem(p); }),
            std::make_pair(Integer{30137}, AnsiString("Memory overrun detected - Native error: 30137")));
  // Released and cleared all the same (a leak here would fail the sanitizer run).
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(mm_.Allocated(), 0);
}

INSTANTIATE_TEST_SUITE_P(MemoryManager, OverrunDetection,
                         testing::Values(OverrunCase{1, -1}, OverrunCase{1000, -1}, OverrunCase{100000, -1},
                                         OverrunCase{3000, 1}));

TEST_F(MemoryManagerTest, ForeignPointersAreRefusedWithoutBeingReleased) {
  // A buffer that is not an engine block, and a pointer into the middle of one.
  std::array<Byte, 64> foreign{};
  void* block = mm_.GetMem(100);
  std::memset(block, 0, 100);
  for (void* bad : {static_cast<void*>(foreign.data() + 16), static_cast<void*>(Bytes(block) + 40)}) {
    void* p = bad;
    EXPECT_EQ(EngineErrorOf([&] { mm_.FreeMem(p); }),
              std::make_pair(Integer{30001}, AnsiString("Invalid pointer - Native error: 30001")));
    EXPECT_EQ(p, bad);
    EXPECT_EQ(EngineErrorOf([&] { mm_.GetBlockSize(p); }).first, 30005);
    EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(p, true, 10); }),
              std::make_pair(Integer{30014}, AnsiString("ReallocMem error: Invalid pointer - Native error: 30002 - "
                                                        "Native error: 30014")));
    EXPECT_EQ(p, bad);
  }
  EXPECT_EQ(mm_.Allocated(), 100);
  mm_.FreeMem(block);
}

TEST_F(MemoryManagerTest, NilIsHarmlessToFreeSizesAsZeroAndCannotBeResized) {
  void* p = nullptr;
  mm_.FreeMem(p);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(mm_.GetBlockSize(nullptr), 0);
  EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(p, false, 10); }).first, 30014);
  EXPECT_EQ(p, nullptr);
}

// ---- resizing ----

struct ReallocCase {
  Int64 oldSize;
  Int64 newSize;
  bool zeroFill;
};

class Resizing : public MemoryManagerTest, public testing::WithParamInterface<ReallocCase> {};

TEST_P(Resizing, KeepsTheCommonBytesAndZeroesTheGrowthOnRequest) {
  const ReallocCase c = GetParam();
  void* p = mm_.GetMem(c.oldSize);
  FillPattern(p, c.oldSize, 11);
  mm_.ReallocMem(p, c.zeroFill, c.newSize);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mm_.GetBlockSize(p), c.newSize);
  EXPECT_EQ(mm_.Allocated(), c.newSize);
  EXPECT_TRUE(HasPattern(p, std::min(c.oldSize, c.newSize), 11));
  if (c.zeroFill && c.newSize > c.oldSize) {
    EXPECT_TRUE(AllZero(p, c.oldSize, c.newSize));
  }
  FillPattern(p, c.newSize, 5);  // the whole new block is usable
  mm_.FreeMem(p);
}

INSTANTIATE_TEST_SUITE_P(MemoryManager, Resizing,
                         testing::Values(ReallocCase{10, 20, true}, ReallocCase{20, 10, true},
                                         ReallocCase{10, 20, false}, ReallocCase{10, 10, true},
                                         ReallocCase{500, 5000, true},       // heap to GlobalAlloc
                                         ReallocCase{5000, 200000, true},    // GlobalAlloc to heap
                                         ReallocCase{200000, 300, true}));   // heap band to heap band

TEST_F(MemoryManagerTest, ReallocZeroIsReallocWithZeroFill) {
  void* p = mm_.GetMem(4);
  FillPattern(p, 4, 1);
  mm_.ReallocMemZero(p, 12);
  EXPECT_TRUE(HasPattern(p, 4, 1));
  EXPECT_TRUE(AllZero(p, 4, 12));
  mm_.FreeMem(p);
}

TEST_F(MemoryManagerTest, ReallocThatCannotGetTheNewBlockKeepsTheOldOne) {
  mm_.SetMemoryLimit(100);
  void* p = mm_.GetMem(50);
  void* const old = p;
  FillPattern(p, 50, 9);
  EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(p, true, 200); }),
            std::make_pair(Integer{30014}, AnsiString("ReallocMem error: Memory limit exceeded (Limit = 100 bytes) - "
                                                      "Native error: 30004 - Native error: 30014")));
  EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(p, true, 0); }).second,
            "ReallocMem error: Cannot alocate 0 bytes - Native error: 30286 - Native error: 30014");
  EXPECT_EQ(p, old);
  EXPECT_TRUE(HasPattern(p, 50, 9));
  EXPECT_EQ(mm_.Allocated(), 50);
  mm_.FreeMem(p);
}

TEST_F(MemoryManagerTest, ReallocOfAnOverrunBlockHandsBackTheNewBlockWithTheData) {
  void* p = mm_.GetMem(10);
  FillPattern(p, 10, 21);
  Bytes(p)[12] = 0xFF;  // damages the tail guard
  EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(p, true, 20); }),
            std::make_pair(Integer{30014}, AnsiString("ReallocMem error: Memory overrun detected - Native error: 30137 - "
                                                      "Native error: 30014")));
  // The damaged block is gone; the new one holds the copied bytes and is the caller's to free.
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mm_.GetBlockSize(p), 20);
  EXPECT_TRUE(HasPattern(p, 10, 21));
  EXPECT_TRUE(AllZero(p, 10, 20));
  EXPECT_EQ(mm_.Allocated(), 20);
  mm_.FreeMem(p);
}

// ---- small blocks kept for reuse ----

// Freed small blocks serve later requests of other sizes in their size class, also after being
// resized where they lie: every block served must hold its whole size and an intact tail guard (the
// sanitizer run catches a block smaller than it claims), and the totals stay exact.
TEST_F(MemoryManagerTest, ReusedSmallBlocksHoldTheirSizeAndGuardsWhateverTheyServed) {
  const unsigned seed = 20261211;
  SCOPED_TRACE(seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<Int64> sizeOf(1, 520);  // up to just past the small sizes
  struct Live {
    void* p;
    Int64 size;
    Byte seed;
  };
  std::vector<Live> live;
  Int64 expected = 0;
  for (int step = 0; step < 4000; ++step) {
    const unsigned action = rng() % 3;
    if (action == 0 || live.size() < 8) {
      Live b{nullptr, sizeOf(rng), static_cast<Byte>(step)};
      b.p = mm_.GetMem(b.size);
      FillPattern(b.p, b.size, b.seed);
      live.push_back(b);
      expected += b.size;
    } else {
      const std::size_t i = rng() % live.size();
      Live& b = live[i];
      ASSERT_TRUE(HasPattern(b.p, b.size, b.seed)) << "step " << step;
      if (action == 1) {
        mm_.FreeMem(b.p);  // raises when the tail guard was hit
        expected -= b.size;
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        const Int64 newSize = sizeOf(rng);
        mm_.ReallocMem(b.p, false, newSize);
        ASSERT_TRUE(HasPattern(b.p, std::min(b.size, newSize), b.seed)) << "step " << step;
        expected += newSize - b.size;
        b.size = newSize;
        FillPattern(b.p, b.size, b.seed);
      }
    }
    ASSERT_EQ(mm_.Allocated(), expected) << "step " << step;
  }
  for (Live& b : live) mm_.FreeMem(b.p);

  // A block taken again for a smaller size of its class still catches one byte past its end.
  void* big = mm_.GetMem(50);
  mm_.FreeMem(big);
  void* small = mm_.GetMem(40);
  Bytes(small)[40] = 0;
  EXPECT_EQ(EngineErrorOf([&] { mm_.FreeMem(small); }).first, 30137);
}

TEST_F(MemoryManagerTest, AFreedSmallBlockIsRefusedWhenUsedAgain) {
  void* p = mm_.GetMem(64);
  void* stale = p;
  mm_.FreeMem(p);
  EXPECT_EQ(EngineErrorOf([&] { mm_.FreeMem(stale); }).first, 30001);
  EXPECT_EQ(EngineErrorOf([&] { mm_.GetBlockSize(stale); }).first, 30005);
  EXPECT_EQ(EngineErrorOf([&] { mm_.ReallocMem(stale, false, 10); }).first, 30014);
  EXPECT_EQ(mm_.Allocated(), 0);
}

// ---- totals and counters ----

TEST_F(MemoryManagerTest, TotalsFollowEveryOperationAndThePeakNeverFalls) {
  const unsigned seed = 20240611;
  SCOPED_TRACE(seed);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<Int64> sizeOf(1, 70000);  // crosses the heap and GlobalAlloc bands
  std::vector<void*> live;
  Int64 expected = 0;
  Int64 peak = 0;
  Int64 peakWithMoves = 0;  // a resize may hold the old and the new block at once
  auto sizeOfLive = [&](void* p) { return mm_.GetBlockSize(p); };
  for (int step = 0; step < 400; ++step) {
    const unsigned action = rng() % 3;
    if (action == 0 || live.empty()) {
      const Int64 size = sizeOf(rng);
      live.push_back(rng() % 2 ? mm_.GetMem(size) : mm_.AllocMem(size));
      expected += size;
    } else if (action == 1) {
      const std::size_t i = rng() % live.size();
      expected -= sizeOfLive(live[i]);
      mm_.FreeMem(live[i]);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      const std::size_t i = rng() % live.size();
      const Int64 newSize = sizeOf(rng);
      peakWithMoves = std::max(peakWithMoves, expected + newSize);
      expected += newSize - sizeOfLive(live[i]);
      mm_.ReallocMem(live[i], rng() % 2 == 0, newSize);
    }
    peak = std::max(peak, expected);
    peakWithMoves = std::max(peakWithMoves, expected);
    ASSERT_EQ(mm_.Allocated(), expected) << "step " << step;
    // The peak follows the thread's reservations: at least the real peak, at most one grain above
    // the highest total that existed (a resize holds both blocks for a moment).
    ASSERT_GE(mm_.PeakAllocated(), peak) << "step " << step;
    ASSERT_LE(mm_.PeakAllocated(), peakWithMoves + kMemoryReservationGrain) << "step " << step;
  }
  const Int64 peakBefore = mm_.PeakAllocated();
  for (void*& p : live) mm_.FreeMem(p);
  EXPECT_EQ(mm_.Allocated(), 0);
  EXPECT_EQ(mm_.PeakAllocated(), peakBefore);
}

TEST_F(MemoryManagerTest, EachCallIsCountedOnceUnderItsOwnOperation) {
  void* a = mm_.AllocMem(8);
  void* b = mm_.GetMem(8);
  mm_.ReallocMem(a, false, 16);
  mm_.ReallocMemZero(b, 32);
  mm_.FreeMem(a);
  mm_.FreeMem(b);
  const TSQLMemCallCounters n = mm_.CallCounters();
  EXPECT_EQ(n.allocMem, 1);
  EXPECT_EQ(n.getMem, 1);
  EXPECT_EQ(n.reallocMem, 2);
  EXPECT_EQ(n.freeMem, 2);
}

TEST_F(MemoryManagerTest, ConcurrentUseKeepsTotalsAndCountersExact) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kRounds; ++i) {
        void* p = mm_.GetMem(1 + (i * 37 + t) % 900);
        mm_.ReallocMem(p, true, 1 + (i * 53 + t) % 900);
        mm_.FreeMem(p);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mm_.Allocated(), 0);
  const TSQLMemCallCounters n = mm_.CallCounters();
  EXPECT_EQ(n.getMem, kThreads * kRounds);
  EXPECT_EQ(n.reallocMem, kThreads * kRounds);
  EXPECT_EQ(n.freeMem, kThreads * kRounds);
  EXPECT_GT(mm_.PeakAllocated(), 0);
  // Each thread held at most two blocks and one reservation grain.
  EXPECT_LE(mm_.PeakAllocated(), kThreads * (2 * 900 + kMemoryReservationGrain));
}

TEST_F(MemoryManagerTest, TheLimitCountsBlocksInUseNotOtherThreadsUnusedReservations) {
  constexpr Int64 kLimit = 4 * kMemoryReservationGrain;
  mm_.SetMemoryLimit(kLimit);
  // Fills the limit with blocks of 1000 bytes from the calling thread; the bytes it got.
  auto fill = [this](std::vector<void*>& blocks) {
    for (;;) {
      try {
        blocks.push_back(mm_.GetMem(1000));
      } catch (const ESQLMemException& e) {
        EXPECT_EQ(e.NativeError(), 30004);
        return mm_.Allocated();
      }
    }
  };
  std::vector<void*> blocks;
  {
    // Another thread keeps a block and its unused reservation while this one fills the limit.
    std::mutex lock;
    std::condition_variable changed;
    bool holding = false, filled = false;
    std::thread other([&] {
      void* p = mm_.GetMem(100);
      std::unique_lock guard(lock);
      holding = true;
      changed.notify_all();
      changed.wait(guard, [&] { return filled; });
      guard.unlock();
      mm_.FreeMem(p);
    });
    {
      std::unique_lock guard(lock);
      changed.wait(guard, [&] { return holding; });
    }
    // The other thread's unused reservation doesn't count: its block does.
    const Int64 got = fill(blocks);
    EXPECT_LE(got, kLimit);
    EXPECT_GT(got + 1000, kLimit);
    EXPECT_LE(mm_.PeakAllocated(), kLimit + kMemoryReservationGrain);
    {
      std::lock_guard guard(lock);
      filled = true;
    }
    changed.notify_all();
    other.join();
  }
  // Nor does the reservation of a thread that ended.
  const Int64 got = fill(blocks);
  EXPECT_GT(got + 1000, kLimit);
  EXPECT_LE(got, kLimit);
  for (void*& p : blocks) mm_.FreeMem(p);
}

TEST_F(MemoryManagerTest, AThreadThatEndsGivesItsReservationBack) {
  // Each thread takes a block and frees it, keeping a reservation of a whole grain; ended, it hands
  // the reservation back, so the shared total (which the peak follows) stays near one grain.
  for (int round = 0; round < 3; ++round) {
    std::thread([this] {
      void* p = mm_.GetMem(1000);
      mm_.FreeMem(p);
    }).join();
  }
  void* p = mm_.GetMem(1000);
  EXPECT_LE(mm_.PeakAllocated(), 1000 + kMemoryReservationGrain);
  mm_.FreeMem(p);
}

TEST_F(MemoryManagerTest, ALoweredLimitHoldsAtOnceForTheReservationAlreadyTaken) {
  void* a = mm_.GetMem(100);  // the thread now holds a reservation well beyond 100 bytes
  mm_.SetMemoryLimit(150);
  EXPECT_EQ(EngineErrorOf([&] { mm_.GetMem(51); }).first, 30004);
  void* b = mm_.GetMem(50);
  EXPECT_EQ(mm_.Allocated(), 150);
  mm_.FreeMem(a);
  mm_.FreeMem(b);
}

// ---- available memory ----

TEST_F(MemoryManagerTest, AvailableMemoryIsTheSmallerOfTheSystemFigureAndTheLimit) {
  const TAvailableMemorySource previous = SetAvailableMemorySource([] { return Int64{2147483648}; });
  EXPECT_EQ(mm_.GetAvailableMemory(), 2147483648);
  mm_.SetMemoryLimit(1000);
  EXPECT_EQ(mm_.GetAvailableMemory(), 1000);
  EXPECT_EQ(mm_.AvailablePhysicalMemory(), 2147483648);  // the system figure is remembered as read
  mm_.SetMemoryLimit(Int64{1} << 40);
  EXPECT_EQ(mm_.GetAvailableMemory(), 2147483648);
  mm_.SetMemoryLimit(0);
  SetAvailableMemorySource(previous);
  // Back to the operating system's figure.
  EXPECT_GT(mm_.GetAvailableMemory(), 0);
}

// ---- unit routines ----

TEST(MoveBytes, CopiesCorrectlyWhateverTheOverlap) {
  struct Case {
    int from, to, count;
  };
  const Case cases[] = {{10, 11, 20}, {10, 12, 20}, {10, 13, 20}, {11, 10, 20}, {12, 10, 20}, {13, 10, 20},
                        {10, 20, 30}, {20, 10, 30}, {0, 40, 20},  {10, 10, 20}, {5, 6, 0},    {5, 6, -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to << " x " << c.count);
    std::array<Byte, 64> buffer;
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<Byte>(i + 1);
    std::array<Byte, 64> expected = buffer;
    for (int i = 0; i < c.count; ++i) expected[static_cast<std::size_t>(c.to + i)] = buffer[static_cast<std::size_t>(c.from + i)];
    MoveBytes(buffer.data() + c.from, buffer.data() + c.to, c.count);
    EXPECT_EQ(buffer, expected);
  }
}

TEST(AllocationStep, GrowsWithTheSizeReached) {
  struct Case {
    Int64 total, step;
  };
  const Case cases[] = {{0, 1024},
                        {10240, 1024},
                        {10241, 10240},
                        {102400, 10240},
                        {102401, 102400},
                        {1048576, 102400},
                        {1048577, 1048576},
                        {10485760, 1048576},
                        {10485761, 2097152},
                        {104857600, 2097152},
                        {104857601, 10485760},
                        {1073741824, 10485760},
                        {1073741825, 104857600},
                        {Int64{1} << 40, 104857600}};
  for (const Case& c : cases) EXPECT_EQ(GetAllocationStep(c.total), c.step) << c.total;
}
