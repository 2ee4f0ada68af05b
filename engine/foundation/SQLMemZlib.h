// Thin wrappers over the zlib library for whole-buffer compression: the output is a zlib stream
// (RFC 1950 header and Adler-32 trailer around deflate data, window bits 15, memory level 8, default
// strategy) in a heap block that grows as the library asks for room.
#pragma once
#include "engine/foundation/SQLMemHeapBlock.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/SysTypes.h"

QN_DECLARE_EXCEPTION(EZlibError, Exception);
QN_DECLARE_EXCEPTION(ECompressionError, EZlibError);

// Deflate cannot expand data more than about 1032 times: a stored size estimate beyond this many times
// the input (plus a little) cannot be right, so it is never allocated up front.
inline constexpr Int64 kZlibMaxInflateRatio = 1032;

// Compresses inSize bytes at Level 0..9 (0 stores the bytes inside a zlib stream). On success outBuf
// holds exactly outSize bytes. A library failure raises ECompressionError
// "ZLib error <code>: <text>"; outBuf is then empty and outSize 0.
void ZlibCompressBuf(const void* inBuf, Integer inSize, THeapBlock& outBuf, Integer& outSize, Byte level);

// Decompresses one zlib stream. outEstimate is the expected size (0 when unknown); the output grows
// past it when needed. Never raises: damaged, truncated or dictionary-bound input (and a refused
// allocation) give an empty outBuf and outSize 0.
// outLimit > 0 caps the output: data that decodes to more fails as soon as it passes the cap, so
// damaged input never allocates beyond what the caller can accept.
void ZlibDecompressBuf(const void* inBuf, Integer inSize, Integer outEstimate, THeapBlock& outBuf,
                       Integer& outSize, Integer outLimit = 0);

// The text the wrapper gives a zlib result code (2 .. -7); "" for any other code.
AnsiString ZlibErrorText(int code);
