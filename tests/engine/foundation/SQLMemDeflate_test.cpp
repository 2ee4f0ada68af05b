// Whole-buffer zlib streams through libdeflate, and the buffer dispatch of algorithm 1 on top of it:
// every level writes what zlib reads, zlib's streams are read whatever size the caller expects, and
// a stream holding more than the caller accepts is refused.
#include "engine/foundation/SQLMemDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemZlib.h"
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

std::string ZlibCompress(const std::string& data, int level) {
  std::string out(compressBound(static_cast<uLong>(data.size())), '\0');
  uLongf size = static_cast<uLongf>(out.size());
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

TEST(Deflate, EveryLevelWritesAStreamZlibReads) {
  const std::string text = samples::HungarianText(60000);
  for (Byte level = 0; level <= 9; ++level) {
    THeapBlock packed;
    Integer size = 0;
    DeflateZlibCompress(text.data(), static_cast<Integer>(text.size()), level, packed, size);
    ASSERT_EQ(packed.Size(), static_cast<std::size_t>(size)) << int{level};
    std::string back(text.size(), '\0');
    uLongf produced = static_cast<uLongf>(back.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &produced, packed.Data(), static_cast<uLong>(size)), Z_OK)
        << int{level};
    EXPECT_EQ(back, text) << int{level};
  }
  THeapBlock out;
  Integer size = 0;
  EXPECT_THROW(DeflateZlibCompress(text.data(), 100, 10, out, size), ECompressionError);
  EXPECT_THROW(DeflateZlibCompress(text.data(), 0, 9, out, size), ECompressionError);
}

// What the dispatch gives for zlib's own stream of `data` when the caller expects `expected` bytes and
// accepts at most `limit`: the size produced, or -1 for a refusal.
TEST(Deflate, DispatchReadsZlibStreamsWhateverSizeIsExpected) {
  const std::string data = samples::EnglishText(50000);
  const std::string packed = ZlibCompress(data, 9);
  const Integer n = static_cast<Integer>(data.size());
  const struct {
    const char* name;
    Integer expected, limit, result;
  } cases[] = {
      {"the exact size", n, 0, n},
      {"the exact size, capped there", n, n, n},
      {"size unknown", 0, 0, n},
      {"more than it holds", n + 100, 0, n},
      {"less than it holds", n - 100, 0, n},
      {"less than it holds, capped there", n - 100, n - 100, -1},
      {"size unknown, capped below it", 0, n - 1, -1},
      {"an impossible size for the input", 2000000000, 0, n},
  };
  for (const auto& c : cases) {
    THeapBlock out;
    Integer size = c.expected;
    const bool ok = DecompressBuffer(1, packed.data(), static_cast<Integer>(packed.size()), size, out, c.limit);
    EXPECT_EQ(ok ? size : -1, c.result) << c.name;
    if (ok) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Data()), out.Size()), data) << c.name;
    }
  }
}

TEST(Deflate, DamagedStreamsAreRefused) {
  const std::string data = samples::HungarianText(20000);
  const std::string packed = ZlibCompress(data, 6);
  const struct {
    const char* name;
    std::size_t at;
    char mask;
  } cases[] = {{"method", 0, 0x01}, {"header check", 1, 0x01}, {"deflate data", 100, 0x40},
               {"Adler-32", packed.size() - 2, 0x08}};
  for (const auto& c : cases) {
    std::string damaged = packed;
    damaged[c.at] ^= c.mask;
    THeapBlock out;
    Integer size = 0;
    EXPECT_EQ(DeflateZlibDecompress(damaged.data(), static_cast<Integer>(damaged.size()), static_cast<Integer>(data.size()),
                                    out, size),
              TDeflateInflateResult::Damaged)
        << c.name;
    EXPECT_TRUE(out.Empty()) << c.name;
    size = static_cast<Integer>(data.size());
    EXPECT_FALSE(DecompressBuffer(1, damaged.data(), static_cast<Integer>(damaged.size()), size, out)) << c.name;
  }
  THeapBlock out;
  Integer size = 0;
  EXPECT_EQ(DeflateZlibDecompress(packed.data(), static_cast<Integer>(packed.size()), 100, out, size),
            TDeflateInflateResult::TooLarge);
  EXPECT_TRUE(out.Empty());
}

}  // namespace
