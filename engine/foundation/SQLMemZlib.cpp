#include "engine/foundation/SQLMemZlib.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include "vcl/rtl/Format.h"

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::int64_t kMaxOutput = std::numeric_limits<Integer>::max();

// The library's memory comes zero-filled from the C heap; items x size must not overflow.
voidpf ZAlloc(voidpf, uInt items, uInt size) {
  if (items != 0 && size > std::numeric_limits<std::size_t>::max() / items) return Z_NULL;
  return std::calloc(items, size);
}

void ZFree(voidpf, voidpf address) { std::free(address); }

[[noreturn]] void RaiseZlibError(int code) {
  throw ECompressionError(Format("ZLib error %d: %s", {code, ZlibErrorText(code)}));
}

int CheckZlib(int code) {
  if (code < 0) RaiseZlibError(code);
  return code;
}

std::int64_t RoundUp256(std::int64_t n) { return (n + 255) / 256 * 256; }

}  // namespace

AnsiString ZlibErrorText(int code) {
  static const char* const kTexts[] = {"need dictionary", "stream end",   "",
                                       "file error",      "stream error", "data error",
                                       "insufficient memory", "buffer error", "incompatible version", ""};
  const int index = 2 - code;
  if (index < 0 || index >= static_cast<int>(std::size(kTexts))) return "";
  return kTexts[index];
}

void ZlibCompressBuf(const void* inBuf, Integer inSize, THeapBlock& outBuf, Integer& outSize, Byte level) {
  outBuf.Reset();
  outSize = 0;
  if (inSize < 0 || (inSize > 0 && !inBuf)) RaiseZlibError(Z_STREAM_ERROR);

  std::int64_t capacity = RoundUp256(std::int64_t{inSize} + inSize / 10 + 12);
  if (capacity > kMaxOutput) RaiseZlibError(Z_BUF_ERROR);
  // Not zero-filled: the library writes every byte that is kept, and the rest is cut off at the end.
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(capacity), false);

  z_stream stream{};
  stream.zalloc = ZAlloc;
  stream.zfree = ZFree;
  CheckZlib(deflateInit2(&stream, level, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
  // The stream is ended on every path, also when a step below raises.
  struct End {
    z_stream* s;
    bool done = false;
    ~End() {
      if (!done) deflateEnd(s);
    }
  } end{&stream};

  stream.next_in = static_cast<Bytef*>(const_cast<void*>(inBuf));
  stream.avail_in = static_cast<uInt>(inSize);
  stream.next_out = out.Data();
  stream.avail_out = static_cast<uInt>(capacity);
  for (;;) {
    const uLong inBefore = stream.total_in, outBefore = stream.total_out;
    if (CheckZlib(deflate(&stream, Z_FINISH)) == Z_STREAM_END) break;
    if (stream.total_in == inBefore && stream.total_out == outBefore) RaiseZlibError(Z_BUF_ERROR);
    if (stream.avail_out > 0) continue;
    // Out of room: 256 more bytes, the library's output continuing at the same offset.
    capacity += 256;
    if (capacity > kMaxOutput) RaiseZlibError(Z_BUF_ERROR);
    out.Resize(static_cast<std::size_t>(capacity));
    stream.next_out = out.Data() + stream.total_out;
    stream.avail_out = static_cast<uInt>(capacity - static_cast<std::int64_t>(stream.total_out));
  }
  end.done = true;
  CheckZlib(deflateEnd(&stream));
  out.Resize(stream.total_out);
  outSize = static_cast<Integer>(stream.total_out);
  outBuf = std::move(out);
}

void ZlibDecompressBuf(const void* inBuf, Integer inSize, Integer outEstimate, THeapBlock& outBuf,
                       Integer& outSize, Integer outLimit) {
  outBuf.Reset();
  outSize = 0;
  if (inSize <= 0 || !inBuf) return;
  try {
    const std::int64_t step = RoundUp256(inSize);
    std::int64_t capacity = step;
    if (outEstimate > 0 && outEstimate <= kZlibMaxInflateRatio * inSize + 1024) capacity = outEstimate;
    // One byte beyond a cap shows that the data holds more than the caller accepts.
    const std::int64_t limit = outLimit > 0 ? std::int64_t{outLimit} + 1 : kMaxOutput;
    capacity = std::min(capacity, limit);
    THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(capacity), false);

    z_stream stream{};
    stream.zalloc = ZAlloc;
    stream.zfree = ZFree;
    if (inflateInit2(&stream, kWindowBits) != Z_OK) return;
    struct End {
      z_stream* s;
      bool done = false;
      ~End() {
        if (!done) inflateEnd(s);
      }
    } end{&stream};

    stream.next_in = static_cast<Bytef*>(const_cast<void*>(inBuf));
    stream.avail_in = static_cast<uInt>(inSize);
    stream.next_out = out.Data();
    stream.avail_out = static_cast<uInt>(capacity);
    for (;;) {
      const uLong inBefore = stream.total_in, outBefore = stream.total_out;
      const int result = inflate(&stream, Z_NO_FLUSH);
      if (result == Z_STREAM_END) break;
      // Only Z_OK means that more can come. A stream that wants a preset dictionary (Z_NEED_DICT)
      // keeps answering so without progress; a call that moved nothing, or one that still had room
      // and so has used up all input, means damaged or truncated data.
      if (result != Z_OK) return;
      if (stream.total_in == inBefore && stream.total_out == outBefore) return;
      if (stream.avail_out > 0) return;
      // Grow by at least the input size (rounded to 256) and at least half of what is there, so a
      // large output is reached in few steps.
      const std::int64_t produced = static_cast<std::int64_t>(stream.total_out);
      if (capacity >= limit) return;
      capacity = std::min(capacity + std::max(step, capacity / 2), limit);
      out.Resize(static_cast<std::size_t>(capacity));
      stream.next_out = out.Data() + produced;
      stream.avail_out = static_cast<uInt>(capacity - produced);
    }
    const uLong total = stream.total_out;
    end.done = true;
    if (inflateEnd(&stream) != Z_OK) return;
    if (total > static_cast<uLong>(kMaxOutput)) return;
    if (outLimit > 0 && total > static_cast<uLong>(outLimit)) return;
    const auto produced = static_cast<Integer>(total);
    out.Resize(static_cast<std::size_t>(produced));
    outBuf = std::move(out);
    outSize = produced;
  } catch (const std::exception&) {
    outBuf.Reset();
    outSize = 0;
  }
}
