// Whole-buffer zlib streams through libdeflate, which codes a buffer held in memory at once much faster
// than zlib's streaming coder. What it writes is one zlib stream (RFC 1950: header, deflate data,
// Adler-32 trailer) that any zlib reads, and it reads any zlib stream whose size is known beforehand.
// The buffer dispatch (CompressBuffer / DecompressBuffer) takes it for algorithm 1.
#pragma once
#include "engine/foundation/SQLMemHeapBlock.h"
#include "vcl/rtl/SysTypes.h"

// Compresses inSize > 0 bytes at level 0..9 (0 stores the bytes inside the zlib stream; 9 is the
// tightest of zlib's range). On success outBuf holds exactly outSize bytes. A level outside 0..9, an
// empty input or a refusal of the library raises ECompressionError; a refused allocation EOutOfMemory.
void DeflateZlibCompress(const void* inBuf, Integer inSize, Byte level, THeapBlock& outBuf, Integer& outSize);

enum class TDeflateInflateResult {
  Done,      // outBuf holds the whole stream's outSize bytes (outSize <= room)
  TooLarge,  // the stream decodes to more than room bytes; outBuf is empty
  Damaged    // not a complete, intact zlib stream (also one that asks for a preset dictionary or is empty)
};

// Decompresses one zlib stream into at most room > 0 bytes, allocated once. Bytes after the stream's
// end are ignored, as zlib does. Never raises except EOutOfMemory when room cannot be allocated.
TDeflateInflateResult DeflateZlibDecompress(const void* inBuf, Integer inSize, Integer room, THeapBlock& outBuf,
                                            Integer& outSize);
