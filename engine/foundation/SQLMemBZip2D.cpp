#include "engine/foundation/SQLMemBZip2D.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include "vcl/rtl/Format.h"

namespace {

constexpr std::int64_t kMaxOutput = std::numeric_limits<Integer>::max();

// The library's memory comes uncleared from the C heap; items x size must not overflow.
void* BZAlloc(void*, int items, int size) {
  if (items < 0 || size < 0) return nullptr;
  if (items != 0 && static_cast<std::size_t>(size) > std::numeric_limits<std::size_t>::max() / items) return nullptr;
  return std::malloc(static_cast<std::size_t>(items) * static_cast<std::size_t>(size));
}

void BZFree(void*, void* address) { std::free(address); }

template <class E>
[[noreturn]] void RaiseBZError(int code) {
  throw E(Format("error %d", {code}));
}

std::int64_t RoundUp256(std::int64_t n) { return (n + 255) / 256 * 256; }

std::int64_t TotalOut(const bz_stream& s) {
  return static_cast<std::int64_t>((std::uint64_t{s.total_out_hi32} << 32) | s.total_out_lo32);
}

std::int64_t TotalIn(const bz_stream& s) {
  return static_cast<std::int64_t>((std::uint64_t{s.total_in_hi32} << 32) | s.total_in_lo32);
}

}  // namespace

// bzip2 reports an internal consistency failure through a hook whose default prints a message and ends
// the process. Ours raises EBZip2Error "Compression Error <code>" instead, which the dispatch turns into
// a failed call. A library built with stdio calls BZ2_bz__AssertH__fail: this definition takes the
// shared library's place, and the static Windows library reaches the __wrap_ one through the linker's
// --wrap (cmake/Quillnote.cmake). A library built without stdio calls bz_internal_error.
extern "C" {
[[noreturn]] void bz_internal_error(int errcode) { throw EBZip2Error(Format("Compression Error %d", {errcode})); }
#ifdef _WIN32
[[noreturn]] void __wrap_BZ2_bz__AssertH__fail(int errcode) { bz_internal_error(errcode); }
#else
[[noreturn]] void BZ2_bz__AssertH__fail(int errcode) { bz_internal_error(errcode); }
#endif
}

void BZCompressBuf(const void* inBuf, Integer inSize, THeapBlock& outBuf, Integer& outSize, Integer blockSize100k) {
  outBuf.Reset();
  outSize = 0;
  if (inSize < 0 || (inSize > 0 && !inBuf)) RaiseBZError<EBZCompressionError>(BZ_PARAM_ERROR);

  std::int64_t capacity = RoundUp256(std::int64_t{inSize} + inSize / 10 + 12);
  if (capacity > kMaxOutput) RaiseBZError<EBZCompressionError>(BZ_OUTBUFF_FULL);
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(capacity), false);

  bz_stream stream{};
  stream.bzalloc = BZAlloc;
  stream.bzfree = BZFree;
  const int init = BZ2_bzCompressInit(&stream, blockSize100k, 0, 0);
  if (init != BZ_OK) RaiseBZError<EBZCompressionError>(init);
  struct End {
    bz_stream* s;
    ~End() { BZ2_bzCompressEnd(s); }
  } end{&stream};

  stream.next_in = static_cast<char*>(const_cast<void*>(inBuf));
  stream.avail_in = static_cast<unsigned>(inSize);
  stream.next_out = reinterpret_cast<char*>(out.Data());
  stream.avail_out = static_cast<unsigned>(capacity);
  for (;;) {
    const std::int64_t inBefore = TotalIn(stream), outBefore = TotalOut(stream);
    const int result = BZ2_bzCompress(&stream, BZ_FINISH);
    if (result == BZ_STREAM_END) break;
    if (result < 0) RaiseBZError<EBZCompressionError>(result);
    if (TotalIn(stream) == inBefore && TotalOut(stream) == outBefore) RaiseBZError<EBZCompressionError>(BZ_SEQUENCE_ERROR);
    if (stream.avail_out > 0) continue;
    // Out of room: 256 more bytes, the library's output continuing at the same offset.
    capacity += 256;
    if (capacity > kMaxOutput) RaiseBZError<EBZCompressionError>(BZ_OUTBUFF_FULL);
    out.Resize(static_cast<std::size_t>(capacity));
    const std::int64_t produced = TotalOut(stream);
    stream.next_out = reinterpret_cast<char*>(out.Data() + produced);
    stream.avail_out = static_cast<unsigned>(capacity - produced);
  }
  const std::int64_t produced = TotalOut(stream);
  out.Resize(static_cast<std::size_t>(produced));
  outSize = static_cast<Integer>(produced);
  outBuf = std::move(out);
}

void BZDecompressBuf(const void* inBuf, Integer inSize, Integer outEstimate, THeapBlock& outBuf, Integer& outSize,
                     Integer outLimit) {
  outBuf.Reset();
  outSize = 0;
  if (inSize <= 0 || !inBuf) return;

  const std::int64_t step = RoundUp256(inSize);
  const std::int64_t limit = outLimit > 0 ? std::int64_t{outLimit} + 1 : kMaxOutput;
  std::int64_t capacity = std::min(outEstimate > 0 ? std::int64_t{outEstimate} : step, limit);
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(capacity), false);

  bz_stream stream{};
  stream.bzalloc = BZAlloc;
  stream.bzfree = BZFree;
  const int init = BZ2_bzDecompressInit(&stream, 0, 0);
  if (init != BZ_OK) RaiseBZError<EBZDecompressionError>(init);
  struct End {
    bz_stream* s;
    ~End() { BZ2_bzDecompressEnd(s); }
  } end{&stream};

  stream.next_in = static_cast<char*>(const_cast<void*>(inBuf));
  stream.avail_in = static_cast<unsigned>(inSize);
  stream.next_out = reinterpret_cast<char*>(out.Data());
  stream.avail_out = static_cast<unsigned>(capacity);
  for (;;) {
    const std::int64_t inBefore = TotalIn(stream), outBefore = TotalOut(stream);
    const int result = BZ2_bzDecompress(&stream);
    if (result == BZ_STREAM_END) break;
    if (result < 0) RaiseBZError<EBZDecompressionError>(result);
    // Input that decodes to nothing ends the call with an empty result.
    if (TotalOut(stream) == 0) break;
    // The library stops early only for want of room. A call that still had room has used up all
    // input without reaching the end of the stream; a call that moved nothing would repeat forever.
    if (stream.avail_out > 0 || (TotalIn(stream) == inBefore && TotalOut(stream) == outBefore))
      RaiseBZError<EBZDecompressionError>(BZ_UNEXPECTED_EOF);
    const std::int64_t produced = TotalOut(stream);
    if (capacity >= limit) RaiseBZError<EBZDecompressionError>(BZ_OUTBUFF_FULL);
    capacity = std::min(capacity + std::max(step, capacity / 2), limit);
    out.Resize(static_cast<std::size_t>(capacity));
    stream.next_out = reinterpret_cast<char*>(out.Data() + produced);
    stream.avail_out = static_cast<unsigned>(capacity - produced);
  }
  const std::int64_t produced = TotalOut(stream);
  if (produced > kMaxOutput || (outLimit > 0 && produced > outLimit))
    RaiseBZError<EBZDecompressionError>(BZ_OUTBUFF_FULL);
  out.Resize(static_cast<std::size_t>(produced));
  outSize = static_cast<Integer>(produced);
  outBuf = std::move(out);
}
