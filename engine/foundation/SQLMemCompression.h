// Buffer compression of the engine: one dispatch pair that compresses or decompresses a whole memory
// buffer with the algorithm named by a stored one-byte id (zlib, bzip2 or the engine's PPM coder).
// The dispatch never raises; it reports success as a boolean and the callers raise their own errors.
// Algorithm 1 codes whole zlib streams through libdeflate (SQLMemDeflate.h); a stream whose size is not
// known beforehand is read by zlib's own decoder (SQLMemZlib.h).
#pragma once
#include "engine/foundation/SQLMemHeapBlock.h"
#include "vcl/rtl/SysTypes.h"

// Compression algorithm ids, stored in data files and BLOB descriptors.
enum class CompressionAlgorithm : Byte { None = 0, Zlib = 1, BZip = 2, PPM = 3 };

// Model order and model memory of PPM levels 1..9; another level raises ERangeError.
struct TPPMLevel {
  Integer order;
  Integer memoryMB;
};
TPPMLevel PPMLevelParameters(Byte level);

// Compresses inSize bytes with an algorithm (1 zlib, 2 bzip2, 3 PPM) and its mode (zlib level 0..9,
// bzip2 block size 1..9 x 100 000 bytes, PPM level 1..9). True when the output is in outBuf (exactly
// outSize bytes, a plain heap block). False for algorithm 0, an unknown algorithm, an empty input, a
// mode the algorithm refuses, a failure of the coder or an output that does not fit; outBuf is then
// empty and outSize 0.
bool CompressBuffer(Byte algorithm, Byte mode, const void* inBuf, Integer inSize, THeapBlock& outBuf,
                    Integer& outSize) noexcept;

// Decompresses. On entry outSize is the expected size: 0 (unknown) is allowed for zlib and bzip2,
// which grow their output as needed; PPM decodes into exactly that room and fails when the data
// holds more. On success outSize is the size produced (which the caller compares with what it
// stored) and outBuf holds that many bytes. False for algorithm 0, an unknown algorithm, an empty
// input, damaged or truncated data, or an empty result; outBuf is then empty and outSize 0.
// outLimit > 0 is the most the caller accepts (for a BLOB block, its block size): data that decodes
// to more fails as soon as it passes it, so damaged input never allocates beyond it.
bool DecompressBuffer(Byte algorithm, const void* inBuf, Integer inSize, Integer& outSize,
                      THeapBlock& outBuf, Integer outLimit = 0) noexcept;

// "NONE", "ZLIB", "BZIP", "PPM" (compared upper-cased) give 0..3; any other name gives 0.
Byte CompressionAlgorithmByName(const AnsiString& name);
// The name of ids 0..3; a larger id raises ERangeError.
AnsiString CompressionAlgorithmName(Byte id);
