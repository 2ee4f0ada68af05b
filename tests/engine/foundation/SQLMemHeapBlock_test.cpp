#include "engine/foundation/SQLMemHeapBlock.h"

#include <gtest/gtest.h>

#include <utility>

TEST(HeapBlock, ResizingKeepsTheContentAndMovingHandsItOver) {
  THeapBlock block = THeapBlock::Allocate(1000, true);
  ASSERT_EQ(block.Size(), 1000u);
  for (std::size_t i = 0; i < block.Size(); ++i) ASSERT_EQ(block.Data()[i], 0) << i;
  for (std::size_t i = 0; i < block.Size(); ++i) block.Data()[i] = static_cast<std::uint8_t>(i * 7);

  block.Resize(1 << 20);
  block.Resize(500);
  ASSERT_EQ(block.Size(), 500u);
  for (std::size_t i = 0; i < 500; ++i) ASSERT_EQ(block.Data()[i], static_cast<std::uint8_t>(i * 7)) << i;

  THeapBlock taken = std::move(block);
  EXPECT_TRUE(block.Empty());
  EXPECT_EQ(block.Data(), nullptr);
  EXPECT_EQ(taken.Size(), 500u);

  taken.Resize(0);
  EXPECT_TRUE(taken.Empty());
  EXPECT_TRUE(THeapBlock::Allocate(0, false).Empty());
}
