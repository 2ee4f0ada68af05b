// Buffer decompression of every algorithm over arbitrary bytes, and over damaged forms of valid
// compressed data (which reach far deeper into the decoders): it never crashes, hangs, leaks or
// allocates past its limit, and what it accepts fits the limit.
#include <cstring>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemSettings.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitializeEngineFoundation();
  return 0;
}

// Byte 0: the algorithm (bits 0-1) and whether the rest is compressed first (bit 2); bytes 1-2: which
// byte of the compressed form is damaged; byte 3: how (xor mask; 0 leaves it intact); bytes 4-5: the
// expected size and the output limit (in 16-byte steps).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t control = in.Byte();
  const Byte algorithm = control & 3;
  const bool compressFirst = (control & 4) != 0;
  const std::uint16_t damageAt = in.Word();
  const std::uint8_t damage = in.Byte();
  Integer expected = Integer{in.Byte()} * 16;
  const Integer limit = Integer{in.Byte()} * 16;

  THeapBlock packed;
  Integer packedSize = 0;
  const std::uint8_t* input = in.Rest();
  Integer inputSize = static_cast<Integer>(in.RestSize());
  if (compressFirst) {
    // Small modes: bzip2 100 000-byte blocks, PPM's smallest model, zlib's fastest level.
    if (!CompressBuffer(algorithm, 1, input, inputSize, packed, packedSize)) return 0;
    if (packedSize > 0) packed.Data()[damageAt % packedSize] ^= damage;
    input = packed.Data();
    inputSize = packedSize;
    if (damage == 0) expected = static_cast<Integer>(in.RestSize());
  }

  THeapBlock out;
  Integer outSize = expected;
  if (DecompressBuffer(algorithm, input, inputSize, outSize, out, limit)) {
    FUZZ_CHECK(outSize > 0 && static_cast<std::size_t>(outSize) == out.Size());
    FUZZ_CHECK(limit == 0 || outSize <= limit);
    if (compressFirst && damage == 0 && limit == 0) {
      FUZZ_CHECK(outSize == static_cast<Integer>(in.RestSize()) && std::memcmp(out.Data(), in.Rest(), in.RestSize()) == 0);
    }
  } else {
    FUZZ_CHECK(out.Size() == 0 && outSize == 0);
    // Intact data within the limit always comes back.
    FUZZ_CHECK(!(compressFirst && damage == 0 && limit == 0));
  }
  return 0;
}
