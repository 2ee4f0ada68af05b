// Multi-megabyte round trips of the PPM coder (minutes under the sanitizers, hence the "slow" label).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemPPM.h"
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

constexpr Byte kPPM = static_cast<Byte>(CompressionAlgorithm::PPM);

TEST(CompressBufferLarge, PPMRoundTripsSeveralMegabytesAtEveryLevel) {
  const struct {
    const char* name;
    std::string data;
  } sets[] = {{"English", samples::EnglishText(2 << 20)},
              {"Hungarian", samples::HungarianText(2 << 20)},
              {"records", samples::RecordBinary(3 << 19)},
              {"random", samples::RandomBytes(256 << 10)}};
  for (Byte level = 1; level <= 9; ++level) {
    for (const auto& set : sets) {
      SCOPED_TRACE(testing::Message() << "level " << int{level} << ", " << set.name);
      THeapBlock packed;
      Integer packedSize = 0;
      ASSERT_TRUE(CompressBuffer(kPPM, level, set.data.data(), static_cast<Integer>(set.data.size()), packed,
                                 packedSize));
      THeapBlock back;
      Integer size = static_cast<Integer>(set.data.size());
      ASSERT_TRUE(DecompressBuffer(kPPM, packed.Data(), packedSize, size, back));
      ASSERT_EQ(size, static_cast<Integer>(set.data.size()));
      EXPECT_TRUE(std::equal(set.data.begin(), set.data.end(), reinterpret_cast<const char*>(back.Data())));
    }
  }
}

// Several megabytes run a small model out of memory many times; both sides restart in step.
TEST(CompressBufferLarge, PPMModelRestartsOnSeveralMegabytes) {
  const struct {
    const char* name;
    std::string data;
    TPPMLevel model;
  } cases[] = {{"English, order 16 in 1 MB", samples::EnglishText(4 << 20), {16, 1}},
               {"Hungarian, order 8 in 2 MB", samples::HungarianText(4 << 20), {8, 2}},
               {"records, level 1", samples::RecordBinary(2 << 20), PPMLevelParameters(1)},
               {"records, level 3", samples::RecordBinary(3 << 20), PPMLevelParameters(3)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> packed(c.data.size() + c.data.size() / 20 + 50);
    TPPMModelStats encoded, decoded;
    const Integer n = PPMCompress(c.data.data(), static_cast<Integer>(c.data.size()), packed.data(),
                                  static_cast<Integer>(packed.size()), c.model.order, c.model.memoryMB, &encoded);
    std::string back(c.data.size(), '\0');
    ASSERT_EQ(PPMDecompress(packed.data(), n, back.data(), static_cast<Integer>(back.size()), &decoded),
              static_cast<Integer>(c.data.size()));
    EXPECT_TRUE(back == c.data);
    EXPECT_GE(encoded.restarts, 2);
    EXPECT_EQ(decoded.restarts, encoded.restarts);
    EXPECT_EQ(encoded.repairs, 0);
  }
}

// A run of one byte value codes at the coder's highest ratio (about 2700:1) and still decodes
// through the dispatch, whose expected-size check allows up to 4096:1.
TEST(CompressBufferLarge, PPMMostCompressibleDataDecodes) {
  const std::string zeros(16 << 20, '\0');
  for (Byte level : {1, 9}) {
    THeapBlock packed;
    Integer packedSize = 0;
    ASSERT_TRUE(CompressBuffer(kPPM, level, zeros.data(), static_cast<Integer>(zeros.size()), packed, packedSize));
    EXPECT_GT(static_cast<std::int64_t>(zeros.size()), 2000 * std::int64_t{packedSize});
    THeapBlock back;
    Integer size = static_cast<Integer>(zeros.size());
    ASSERT_TRUE(DecompressBuffer(kPPM, packed.Data(), packedSize, size, back));
    ASSERT_EQ(size, static_cast<Integer>(zeros.size()));
    EXPECT_TRUE(std::all_of(back.Data(), back.Data() + size, [](std::uint8_t b) { return b == 0; }));
  }
}

}  // namespace
