#include "engine/foundation/SQLMemBZip2D.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

std::string Compressed(const std::string& data, Integer blockSize100k) {
  THeapBlock out;
  Integer size = -1;
  BZCompressBuf(data.data(), static_cast<Integer>(data.size()), out, size, blockSize100k);
  EXPECT_EQ(out.Size(), static_cast<std::size_t>(size));
  return std::string(reinterpret_cast<const char*>(out.Data()), out.Size());
}

std::string Decompressed(const std::string& bz, Integer estimate) {
  THeapBlock out;
  Integer size = -1;
  BZDecompressBuf(bz.data(), static_cast<Integer>(bz.size()), estimate, out, size);
  EXPECT_EQ(out.Size(), static_cast<std::size_t>(size));
  return std::string(reinterpret_cast<const char*>(out.Data()), out.Size());
}

TEST(BZip2Wrapper, EveryBlockSizeWritesAStreamTheLibraryReads) {
  const std::string data = samples::RecordBinary(150000);
  for (Integer blockSize = 1; blockSize <= 9; ++blockSize) {
    SCOPED_TRACE(blockSize);
    const std::string bz = Compressed(data, blockSize);
    ASSERT_EQ(bz.substr(0, 3), "BZh");
    EXPECT_EQ(bz[3], static_cast<char>('0' + blockSize));
    std::string back(data.size(), '\0');
    unsigned backSize = static_cast<unsigned>(back.size());
    ASSERT_EQ(BZ2_bzBuffToBuffDecompress(back.data(), &backSize, const_cast<char*>(bz.data()),
                                         static_cast<unsigned>(bz.size()), 0, 0),
              BZ_OK);
    EXPECT_EQ(back, data);
    EXPECT_EQ(Decompressed(bz, 0), data);
  }
}

TEST(BZip2Wrapper, ABlockSizeOutsideOneToNineRaises) {
  for (Integer blockSize : {0, 10, -1}) {
    THeapBlock out;
    Integer size = -1;
    try {
      BZCompressBuf("abc", 3, out, size, blockSize);
      FAIL() << blockSize;
    } catch (const EBZCompressionError& e) {
      EXPECT_EQ(e.Message(), "error -2");
    }
    EXPECT_TRUE(out.Empty());
    EXPECT_EQ(size, 0);
  }
}

TEST(BZip2Wrapper, OutputGrowsPastAMissingOrWrongEstimate) {
  const std::string data = samples::EnglishText(3 * 1024 * 1024);
  const std::string bz = Compressed(data, 9);
  for (Integer estimate : {0, 1, static_cast<Integer>(data.size())}) EXPECT_EQ(Decompressed(bz, estimate), data);
}

TEST(BZip2Wrapper, TruncatedOrDamagedStreamsRaiseAndNeverLoop) {
  // Several 100 000-byte blocks, so that a cut stream has already produced output when its input
  // runs out: the library then keeps answering "fine" without moving.
  const std::string data = samples::EnglishText(600000);
  const std::string bz = Compressed(data, 1);
  std::string flipped = bz;
  flipped[bz.size() / 3] ^= 0x04;
  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      {"cut at 70 %", bz.substr(0, bz.size() * 7 / 10)},
      {"cut at 20 %", bz.substr(0, bz.size() / 5)},
      {"last byte missing", bz.substr(0, bz.size() - 1)},
      {"flipped bit", flipped},
      {"not bzip2", samples::RandomBytes(5000)},
  };
  const std::regex message("error -[0-9]+");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (Integer estimate : {0, static_cast<Integer>(data.size())}) {
      THeapBlock out;
      Integer size = -1;
      try {
        BZDecompressBuf(c.input.data(), static_cast<Integer>(c.input.size()), estimate, out, size);
        FAIL();
      } catch (const EBZDecompressionError& e) {
        EXPECT_TRUE(std::regex_match(e.Message(), message)) << e.Message();
      }
      EXPECT_TRUE(out.Empty());
    }
  }
  // The input running out before the end of the stream is the library's "unexpected end".
  THeapBlock out;
  Integer size = -1;
  const std::string cut = bz.substr(0, bz.size() * 7 / 10);
  EXPECT_THROW(
      try { BZDecompressBuf(cut.data(), static_cast<Integer>(cut.size()), 0, out, size); } catch (const EBZDecompressionError& e) {
        EXPECT_EQ(e.Message(), "error -7");
        throw;
      },
      EBZDecompressionError);
}

}  // namespace

// The library's internal consistency failures raise instead of ending the process. A decompressor whose
// private state names no state of its machine runs into one (4001).
TEST(BZip2Wrapper, AnInternalFailureOfTheLibraryRaises) {
  bz_stream s{};
  ASSERT_EQ(BZ2_bzDecompressInit(&s, 0, 0), BZ_OK);
  // The library's state record starts with the stream's address, then the machine's state number.
  const std::int32_t noSuchState = 999;
  std::memcpy(static_cast<char*>(s.state) + sizeof(bz_stream*), &noSuchState, sizeof noSuchState);
  char in[4] = {'B', 'Z', 'h', '9'};
  char out[16];
  s.next_in = in;
  s.avail_in = sizeof in;
  s.next_out = out;
  s.avail_out = sizeof out;
  try {
    BZ2_bzDecompress(&s);
    ADD_FAILURE() << "no error raised";
  } catch (const EBZip2Error& e) {
    EXPECT_EQ(e.Message(), "Compression Error 4001");
  }
  EXPECT_EQ(BZ2_bzDecompressEnd(&s), BZ_OK);
}
