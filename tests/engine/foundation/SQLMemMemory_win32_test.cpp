// The Windows allocators behind the engine's blocks: the raw allocation really is a GlobalAlloc
// block or a committed VirtualAlloc region, and releasing it returns it to the system.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/foundation/SQLMemMemory.h"

namespace {
void* RawOf(void* p) { return static_cast<Byte*>(p) - kBlockHeaderSize; }
}  // namespace

TEST(MemoryManagerWin32, GlobalAllocBlocksAreFixedGlobalMemory) {
  TSQLMemMemoryManager mm;
  void* p = mm.GetMem(1000);  // total 1013: the GlobalAlloc band
  void* raw = RawOf(p);
  ASSERT_EQ(static_cast<Byte*>(raw)[4], static_cast<Byte>(TSQLMemAllocMethod::GlobalAlloc));
  EXPECT_EQ(GlobalHandle(raw), static_cast<HGLOBAL>(raw));  // GMEM_FIXED: the handle is the address
  EXPECT_GE(GlobalSize(raw), SIZE_T{1013});
  mm.FreeMem(p);
}

TEST(MemoryManagerWin32, CommittedBlocksAreReleasedWhole) {
  TSQLMemMemoryManager mm;
  mm.ForceAllocationMethod(static_cast<int>(TSQLMemAllocMethod::VirtualAlloc));
  void* p = mm.AllocMem(10000);
  void* raw = RawOf(p);
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(VirtualQuery(raw, &info, sizeof info), 0u);
  EXPECT_EQ(info.AllocationBase, raw);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));
  mm.FreeMem(p);
  ASSERT_NE(VirtualQuery(raw, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}
