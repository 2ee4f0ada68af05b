#include "engine/foundation/SQLMemCompression.h"

#include <array>
#include <cstdint>
#include "engine/foundation/SQLMemBZip2D.h"
#include "engine/foundation/SQLMemDeflate.h"
#include "engine/foundation/SQLMemPPM.h"
#include "engine/foundation/SQLMemZlib.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr std::array<const char*, 4> kAlgorithmNames = {"NONE", "ZLIB", "BZIP", "PPM"};
constexpr std::array<TPPMLevel, 9> kPPMLevels = {
    {{2, 2}, {3, 3}, {4, 7}, {5, 16}, {7, 30}, {8, 30}, {10, 45}, {13, 100}, {16, 100}}};

void CompressPPM(Byte mode, const void* inBuf, Integer inSize, THeapBlock& outBuf, Integer& outSize) {
  const TPPMLevel level = PPMLevelParameters(mode);
  // Room for 105 % of the input plus 50 bytes; data that codes larger is refused.
  const Integer capacity = CheckedAdd(CheckedAdd(inSize, inSize / 20), 50);
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(capacity), true);
  outSize = PPMCompress(inBuf, inSize, out.Data(), capacity, level.order, level.memoryMB);
  if (outSize > 0) out.Resize(static_cast<std::size_t>(outSize));
  outBuf = std::move(out);
}

// The most the PPM coder can get out of one coded byte: its most probable event, a hit in a
// one-state context, has a probability of at most 16352/16384 and so costs at least 0.0028 bits,
// about 2850 bytes per coded byte. A larger expected size is a damaged stored size, refused before
// anything is allocated for it.
constexpr std::int64_t kMaxPPMRatio = 4096;

void DecompressPPM(const void* inBuf, Integer inSize, Integer& outSize, THeapBlock& outBuf) {
  if (outSize <= 0 || outSize > kMaxPPMRatio * inSize) {
    outSize = 0;
    return;
  }
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(outSize), true);
  outSize = PPMDecompress(inBuf, inSize, out.Data(), outSize);
  if (outSize > 0) out.Resize(static_cast<std::size_t>(outSize));
  outBuf = std::move(out);
}

// A known size is decoded by libdeflate in one call into exactly that room. An unknown or implausible
// size, and a stream that holds more than it says where the caller's limit leaves room for more, go to
// zlib's decoder, which grows its output as it goes.
void DecompressZlib(const void* inBuf, Integer inSize, Integer expected, Integer outLimit, THeapBlock& outBuf,
                    Integer& outSize) {
  if (expected > 0 && expected <= kZlibMaxInflateRatio * inSize + 1024) {
    switch (DeflateZlibDecompress(inBuf, inSize, expected, outBuf, outSize)) {
      case TDeflateInflateResult::Done:
      case TDeflateInflateResult::Damaged:
        return;
      case TDeflateInflateResult::TooLarge:
        if (outLimit > 0 && expected >= outLimit) return;
        break;
    }
  }
  ZlibDecompressBuf(inBuf, inSize, expected, outBuf, outSize, outLimit);
}

}  // namespace

TPPMLevel PPMLevelParameters(Byte level) {
  if (level < 1 || level > kPPMLevels.size()) RaiseRangeError();
  return kPPMLevels[level - 1];
}

bool CompressBuffer(Byte algorithm, Byte mode, const void* inBuf, Integer inSize, THeapBlock& outBuf,
                    Integer& outSize) noexcept {
  outBuf.Reset();
  outSize = 0;
  if (inSize <= 0 || !inBuf) return false;
  try {
    switch (static_cast<CompressionAlgorithm>(algorithm)) {
      case CompressionAlgorithm::Zlib:
        DeflateZlibCompress(inBuf, inSize, mode, outBuf, outSize);
        break;
      case CompressionAlgorithm::BZip:
        BZCompressBuf(inBuf, inSize, outBuf, outSize, mode);
        break;
      case CompressionAlgorithm::PPM:
        CompressPPM(mode, inBuf, inSize, outBuf, outSize);
        break;
      default:
        return false;
    }
  } catch (...) {
    outSize = 0;
  }
  if (outSize > 0) return true;
  outBuf.Reset();
  outSize = 0;
  return false;
}

bool DecompressBuffer(Byte algorithm, const void* inBuf, Integer inSize, Integer& outSize,
                      THeapBlock& outBuf, Integer outLimit) noexcept {
  outBuf.Reset();
  const Integer expected = outSize;
  outSize = 0;
  if (inSize <= 0 || !inBuf || expected < 0 || outLimit < 0) return false;
  if (outLimit > 0 && expected > outLimit) return false;
  try {
    switch (static_cast<CompressionAlgorithm>(algorithm)) {
      case CompressionAlgorithm::Zlib:
        DecompressZlib(inBuf, inSize, expected, outLimit, outBuf, outSize);
        break;
      case CompressionAlgorithm::BZip:
        BZDecompressBuf(inBuf, inSize, expected, outBuf, outSize, outLimit);
        break;
      case CompressionAlgorithm::PPM:
        outSize = expected;
        DecompressPPM(inBuf, inSize, outSize, outBuf);
        break;
      default:
        return false;
    }
  } catch (...) {
    outSize = 0;
  }
  if (outSize > 0) return true;
  outBuf.Reset();
  outSize = 0;
  return false;
}

Byte CompressionAlgorithmByName(const AnsiString& name) {
  AnsiString upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (std::size_t id = 0; id < kAlgorithmNames.size(); ++id)
    if (upper == kAlgorithmNames[id]) return static_cast<Byte>(id);
  return 0;
}

AnsiString CompressionAlgorithmName(Byte id) {
  if (id >= kAlgorithmNames.size()) RaiseRangeError();
  return kAlgorithmNames[id];
}
