#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "vcl/rtl/OsSeam.h"

TEST(OsMemory, StatusReportsAvailableWithinTotal) {
  const os::MemoryStatus status = os::GetMemoryStatus();
  EXPECT_GT(status.totalPhys, 16u * 1024 * 1024);
  EXPECT_GT(status.availPhys, 0u);
  EXPECT_LE(status.availPhys, status.totalPhys);
}

TEST(OsMemory, GlobalBlocksAreWritableAcrossTheirWholeSize) {
  for (std::size_t size : {std::size_t{1}, std::size_t{727}, std::size_t{64500}, std::size_t{1048577}}) {
    SCOPED_TRACE(size);
    auto* p = static_cast<unsigned char*>(os::GlobalAllocFixed(size));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0x5A, size);
    EXPECT_EQ(p[0], 0x5A);
    EXPECT_EQ(p[size - 1], 0x5A);
    os::GlobalFreeBlock(p);
  }
}

TEST(OsMemory, CommittedPagesArriveZeroFilled) {
  // Three pages and a bit, so that the block ends inside a page.
  const std::size_t size = 3 * 4096 + 17;
  auto* p = static_cast<unsigned char*>(os::VirtualAllocCommit(size));
  ASSERT_NE(p, nullptr);
  std::size_t nonZero = 0;
  for (std::size_t i = 0; i < size; ++i) nonZero += p[i] != 0;
  EXPECT_EQ(nonZero, 0u);
  std::memset(p, 0xA5, size);
  EXPECT_EQ(p[size - 1], 0xA5);
  os::VirtualFreeRelease(p, size);
}

TEST(OsMemory, FailuresAndEmptyRequestsGiveNullAndNullIsReleasedHarmlessly) {
  EXPECT_EQ(os::GlobalAllocFixed(0), nullptr);
  EXPECT_EQ(os::VirtualAllocCommit(0), nullptr);
  // No machine commits half the address space.
  EXPECT_EQ(os::VirtualAllocCommit(std::numeric_limits<std::size_t>::max() / 2), nullptr);
  os::GlobalFreeBlock(nullptr);
  os::VirtualFreeRelease(nullptr, 4096);
}
