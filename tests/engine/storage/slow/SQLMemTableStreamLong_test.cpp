// Damaged copies of the diary's data file in bulk: every truncation of the stored and the compressed
// stream of a diary with its index pages, and 10 000 seeded bit flips of each; every copy either loads
// or raises an engine error. (A bzip2 body takes 1000 flips: its decoder's set-up dominates each load.)
#include <gtest/gtest.h>

#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/TableStreamTestSupport.h"

class TableStreamLongTest : public EngineBlocksTest {};

TEST_F(TableStreamLongTest, EveryTruncationOfTheDiaryIsRefused) {
  StreamTable diary;
  BuildDiary(diary, 60, 400, 11);
  for (Byte algorithm : {Byte{1}, Byte{0}}) {
    SCOPED_TRACE(static_cast<int>(algorithm));
    ExpectEveryTruncationRefused(SaveTable(diary, algorithm));
  }
}

TEST_F(TableStreamLongTest, TenThousandBitFlipsLoadOrRaise) {
  StreamTable diary;
  BuildDiary(diary, 60, 400, 12);
  for (Byte algorithm : {Byte{1}, Byte{0}, Byte{2}}) {
    SCOPED_TRACE(static_cast<int>(algorithm));
    const std::string saved = SaveTable(diary, algorithm);
    const Integer flips = algorithm == 2 ? 1000 : 10000;
    const Integer loaded = FlipBitsAndLoad(saved, flips, 20261210u + algorithm);
    std::printf("algorithm %d: %zu bytes, %d of %d damaged copies loaded\n", algorithm, saved.size(), loaded, flips);
    // Only the header bytes that the reader ignores or cannot judge let a compressed copy through.
    if (algorithm != 0) {
      EXPECT_LT(loaded, flips / 20);
    }
  }
}
