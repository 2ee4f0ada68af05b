// Thin wrappers over the bzip2 library for whole-buffer compression: the output is one bzip2 stream
// in a heap block that grows as the library asks for room.
#pragma once
#include "engine/foundation/SQLMemHeapBlock.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/SysTypes.h"

QN_DECLARE_EXCEPTION(EBZip2Error, Exception);  // also "Compression Error <code>": the library's internal failure
QN_DECLARE_EXCEPTION(EBZCompressionError, EBZip2Error);
QN_DECLARE_EXCEPTION(EBZDecompressionError, EBZip2Error);

// Compresses inSize bytes with blocks of blockSize100k x 100 000 bytes (1..9). On success outBuf holds
// exactly outSize bytes. A library failure (a block size outside 1..9 among them) raises
// EBZCompressionError "error <code>"; outBuf is then empty and outSize 0.
void BZCompressBuf(const void* inBuf, Integer inSize, THeapBlock& outBuf, Integer& outSize, Integer blockSize100k);

// Decompresses one bzip2 stream. outEstimate is the expected size (0 when unknown); the output grows
// past it when needed. Damaged data raises EBZDecompressionError "error <code>", and so does a
// truncated stream ("error -7", the library's unexpected end of data): the input runs out before the
// end of the stream. Input that yields no output at all gives an empty outBuf and outSize 0.
// outLimit > 0 caps the output (the run-length stage can expand a few bytes enormously): data that
// decodes to more raises as soon as it passes the cap.
void BZDecompressBuf(const void* inBuf, Integer inSize, Integer outEstimate, THeapBlock& outBuf, Integer& outSize,
                     Integer outLimit = 0);
