#include "engine/foundation/SQLMemZlib.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

std::string Compressed(const std::string& data, Byte level) {
  THeapBlock out;
  Integer size = -1;
  ZlibCompressBuf(data.data(), static_cast<Integer>(data.size()), out, size, level);
  EXPECT_EQ(out.Size(), static_cast<std::size_t>(size));
  return std::string(reinterpret_cast<const char*>(out.Data()), out.Size());
}

// Decompresses with the wrapper; "" stands for the empty failure result, which is also checked.
std::string Decompressed(const std::string& z, Integer estimate) {
  THeapBlock out;
  Integer size = -1;
  ZlibDecompressBuf(z.data(), static_cast<Integer>(z.size()), estimate, out, size);
  EXPECT_EQ(out.Size(), static_cast<std::size_t>(size));
  if (size == 0) {
    EXPECT_EQ(out.Data(), nullptr);
  }
  return std::string(reinterpret_cast<const char*>(out.Data()), out.Size());
}

TEST(ZlibWrapper, EveryLevelWritesAZlibStreamTheLibraryReads) {
  const std::string text = samples::EnglishText(50000);
  for (Byte level = 0; level <= 9; ++level) {
    SCOPED_TRACE(int{level});
    const std::string z = Compressed(text, level);
    // RFC 1950 header: deflate with a 32 KB window, header check bits valid.
    ASSERT_GE(z.size(), 6u);
    EXPECT_EQ(static_cast<unsigned char>(z[0]), 0x78);
    EXPECT_EQ((static_cast<unsigned char>(z[0]) * 256 + static_cast<unsigned char>(z[1])) % 31, 0);
    std::string back(text.size(), '\0');
    uLongf backSize = back.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &backSize,
                         reinterpret_cast<const Bytef*>(z.data()), z.size()),
              Z_OK);
    EXPECT_EQ(back, text);
    EXPECT_EQ(level == 0, z.size() > text.size());
  }
}

TEST(ZlibWrapper, ALevelTheLibraryRefusesRaisesWithItsText) {
  THeapBlock out;
  Integer size = -1;
  try {
    ZlibCompressBuf("abc", 3, out, size, 10);
    FAIL();
  } catch (const ECompressionError& e) {
    EXPECT_EQ(e.Message(), "ZLib error -2: stream error");
  }
  EXPECT_TRUE(out.Empty());
  EXPECT_EQ(size, 0);
}

TEST(ZlibWrapper, ErrorTextsByCode) {
  const struct {
    int code;
    const char* text;
  } cases[] = {{2, "need dictionary"}, {1, "stream end"},          {0, ""},
               {-1, "file error"},     {-2, "stream error"},       {-3, "data error"},
               {-4, "insufficient memory"}, {-5, "buffer error"}, {-6, "incompatible version"},
               {-7, ""},               {3, ""},                     {-8, ""}};
  for (const auto& c : cases) EXPECT_EQ(ZlibErrorText(c.code), c.text) << c.code;
}

TEST(ZlibWrapper, OutputGrowsPastAMissingOrWrongEstimate) {
  // 4 MB of one repeated line compresses about 600:1, far beyond the input size.
  std::string data;
  while (data.size() < 4 * 1024 * 1024) data += "Dear diary, nothing happened today.\r\n";
  const std::string z = Compressed(data, 9);
  ASSERT_LT(z.size() * 100, data.size());
  for (Integer estimate : {0, 1, 1000, static_cast<Integer>(data.size()), static_cast<Integer>(data.size()) + 7,
                           0x7FFFFFFF}) {
    SCOPED_TRACE(estimate);
    EXPECT_EQ(Decompressed(z, estimate), data);
  }
}

TEST(ZlibWrapper, DamagedInputGivesAnEmptyResultWithoutRaising) {
  const std::string text = samples::HungarianText(20000);
  const std::string z = Compressed(text, 6);

  // A stream that asks for a preset dictionary: inflate answers "need dictionary" on every call.
  std::string dictStream(256, '\0');
  {
    z_stream s{};
    ASSERT_EQ(deflateInit(&s, 9), Z_OK);
    const std::string dictionary = "Dear diary";
    deflateSetDictionary(&s, reinterpret_cast<const Bytef*>(dictionary.data()), dictionary.size());
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = 100;
    s.next_out = reinterpret_cast<Bytef*>(dictStream.data());
    s.avail_out = dictStream.size();
    ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    dictStream.resize(s.total_out);
    deflateEnd(&s);
  }
  std::string flipped = z;
  flipped[z.size() / 2] ^= 0x10;
  std::string badTrailer = z;
  badTrailer.back() ^= 0x01;

  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      {"dictionary required", dictStream},
      {"cut after the header", z.substr(0, 2)},
      {"cut in the middle", z.substr(0, z.size() / 2)},
      {"cut before the checksum", z.substr(0, z.size() - 4)},
      {"one byte", z.substr(0, 1)},
      {"flipped bit", flipped},
      {"wrong checksum", badTrailer},
      {"not zlib at all", samples::RandomBytes(1000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (Integer estimate : {0, static_cast<Integer>(text.size())}) EXPECT_EQ(Decompressed(c.input, estimate), "");
  }
}

}  // namespace
