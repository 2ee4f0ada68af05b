#include "engine/foundation/SQLMemPPM.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

struct Coded {
  std::string bytes;
  TPPMModelStats stats;
};

Coded Encode(const std::string& data, Integer order, Integer memoryMB) {
  std::vector<std::uint8_t> out(data.size() + data.size() / 20 + 50);
  Coded coded;
  const Integer n = PPMCompress(data.data(), static_cast<Integer>(data.size()), out.data(),
                                static_cast<Integer>(out.size()), order, memoryMB, &coded.stats);
  coded.bytes.assign(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
  return coded;
}

// Decodes into a heap block of exactly `room` bytes, so that a write past it is an ASan error.
std::string Decode(const std::string& coded, std::size_t room, TPPMModelStats* stats = nullptr) {
  std::vector<std::uint8_t> out(room);
  const Integer n = PPMDecompress(coded.data(), static_cast<Integer>(coded.size()), out.data(),
                                  static_cast<Integer>(room), stats);
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
}

TEST(PPMCompressor, ParameterWordLayout) {
  EXPECT_EQ(PPMParameterWord(16, 100), 0x0000663Fu);
  EXPECT_EQ(PPMParameterWord(2, 2), 0x00006011u);
  EXPECT_EQ(PPMParameterWord(1, 1), 0x00006000u);
  EXPECT_EQ(PPMParameterWord(16, 256), 0x00006FFFu);
  for (auto [order, mb] : {std::pair{0, 1}, {17, 1}, {1, 0}, {1, 257}})
    EXPECT_THROW(PPMParameterWord(order, mb), ERangeError) << order << " " << mb;

  const Coded coded = Encode("x", 16, 100);
  ASSERT_GE(coded.bytes.size(), 4u);
  EXPECT_EQ(coded.bytes.substr(0, 4), std::string("\x3F\x66\x00\x00", 4));
}

TEST(PPMCompressor, OneByteCodesToTheWordAndAFewBytes) {
  for (Integer order : {1, 2, 16}) {
    const Coded coded = Encode("Q", order, 1);
    EXPECT_GT(coded.bytes.size(), 4u);
    EXPECT_LE(coded.bytes.size(), 12u);
    EXPECT_EQ(Decode(coded.bytes, 1), "Q");
  }
  // Nothing but the end marker.
  const Coded empty = Encode("", 4, 1);
  EXPECT_EQ(Decode(empty.bytes, 0), "");
}

TEST(PPMCompressor, RoundTripsAtEveryOrder) {
  const std::string sets[] = {samples::EnglishText(10000), samples::HungarianText(10000),
                              samples::RecordBinary(10000), samples::RandomBytes(3000),
                              std::string(8000, '\0') + std::string(8000, '\xFF')};
  for (Integer order = 1; order <= PPMMaxOrder; ++order) {
    for (const std::string& data : sets) {
      SCOPED_TRACE(testing::Message() << "order " << order << ", " << data.size() << " bytes");
      const Coded coded = Encode(data, order, 4);
      ASSERT_GT(coded.bytes.size(), 4u);
      EXPECT_EQ(Decode(coded.bytes, data.size()), data);
      EXPECT_EQ(coded.stats.repairs, 0);
    }
  }
}

// A 1 MB model runs out of memory several times on these inputs; the decoder must restart its model
// at exactly the same symbols.
TEST(PPMCompressor, ModelRestartsKeepEncoderAndDecoderInStep) {
  const std::string sets[] = {samples::EnglishText(120000), samples::HungarianText(120000),
                              samples::RecordBinary(100000), samples::RandomBytes(80000)};
  for (const std::string& data : sets) {
    SCOPED_TRACE(data.size());
    const Coded coded = Encode(data, 16, 1);
    TPPMModelStats decoded;
    EXPECT_EQ(Decode(coded.bytes, data.size(), &decoded), data);
    EXPECT_GE(coded.stats.restarts, 1);
    EXPECT_EQ(decoded.restarts, coded.stats.restarts);
    EXPECT_EQ(coded.stats.repairs, 0);
    EXPECT_EQ(decoded.repairs, 0);
  }
}

TEST(PPMCompressor, AnotherVariantDecodesToNothing) {
  Coded coded = Encode("variant", 4, 1);
  for (char variant : {'\x50', '\x70', '\x00'}) {
    coded.bytes[1] = static_cast<char>((coded.bytes[1] & 0x0F) | variant);
    EXPECT_EQ(Decode(coded.bytes, 100), "");
  }
}

TEST(PPMCompressor, OutputThatDoesNotFitItsRoomRaises) {
  const std::string random = samples::RandomBytes(20000);
  // Random data grows a little; the dispatch's room of 105 % + 50 bytes holds it.
  const Coded coded = Encode(random, 8, 2);
  ASSERT_GT(coded.bytes.size(), random.size());
  for (std::size_t room : {std::size_t{3}, std::size_t{100}, random.size()}) {
    std::vector<std::uint8_t> out(room);
    EXPECT_THROW(PPMCompress(random.data(), static_cast<Integer>(random.size()), out.data(),
                             static_cast<Integer>(room), 8, 2),
                 EPPMError)
        << room;
  }
  // The decoder's room is the expected size: one byte less raises instead of writing past it.
  EXPECT_THROW(Decode(coded.bytes, random.size() - 1), EPPMError);
  EXPECT_EQ(Decode(coded.bytes, random.size() + 10), random);
}

TEST(PPMCompressor, TruncatedInputRaises) {
  const std::string text = samples::EnglishText(30000);
  const Coded coded = Encode(text, 6, 2);
  for (std::size_t keep : {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{7}, coded.bytes.size() / 2,
                           coded.bytes.size() - 1}) {
    SCOPED_TRACE(keep);
    EXPECT_THROW(Decode(coded.bytes.substr(0, keep), text.size()), EPPMError);
  }
}

// Flipped bits: the decoder stays inside its room and ends in bounded time; almost every flip is
// noticed (an error or a different result; the callers also compare sizes and checksums).
TEST(PPMCompressor, FlippedBitsStayInsideTheRoom) {
  const std::string data = samples::HungarianText(12000) + samples::RecordBinary(6000);
  const Coded coded = Encode(data, 8, 2);
  int flips = 0, noticed = 0;
  for (std::size_t pos = 4; pos < coded.bytes.size(); pos += 61) {
    for (int bit : {0, 5}) {
      std::string damaged = coded.bytes;
      damaged[pos] = static_cast<char>(damaged[pos] ^ (1 << bit));
      ++flips;
      try {
        if (Decode(damaged, data.size()) != data) ++noticed;
      } catch (const EPPMError&) {
        ++noticed;
      }
    }
  }
  EXPECT_GE(noticed * 100, flips * 98) << noticed << " of " << flips;
}

}  // namespace
