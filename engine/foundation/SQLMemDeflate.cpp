#include "engine/foundation/SQLMemDeflate.h"

#include <libdeflate.h>

#include <limits>
#include <memory>
#include "engine/foundation/SQLMemZlib.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace {

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};
struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const noexcept { libdeflate_free_decompressor(d); }
};

[[noreturn]] void RaiseDeflateError(const char* what) {
  throw ECompressionError(Format("Deflate error: %s", {AnsiString(what)}));
}

}  // namespace

void DeflateZlibCompress(const void* inBuf, Integer inSize, Byte level, THeapBlock& outBuf, Integer& outSize) {
  outBuf.Reset();
  outSize = 0;
  if (inSize <= 0 || inBuf == nullptr) RaiseDeflateError("empty input");
  if (level > 9) RaiseDeflateError("level out of range");
  const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(libdeflate_alloc_compressor(level));
  if (!compressor) throw EOutOfMemory("Out of memory");
  const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), static_cast<std::size_t>(inSize));
  THeapBlock out = THeapBlock::Allocate(bound, false);
  const std::size_t size =
      libdeflate_zlib_compress(compressor.get(), inBuf, static_cast<std::size_t>(inSize), out.Data(), out.Size());
  // The bound always fits; a result of 0 or one past a 32-bit size would be the library's fault.
  if (size == 0 || size > static_cast<std::size_t>(std::numeric_limits<Integer>::max()))
    RaiseDeflateError("output does not fit");
  out.Resize(size);
  outBuf = std::move(out);
  outSize = static_cast<Integer>(size);
}

TDeflateInflateResult DeflateZlibDecompress(const void* inBuf, Integer inSize, Integer room, THeapBlock& outBuf,
                                            Integer& outSize) {
  outBuf.Reset();
  outSize = 0;
  if (inSize <= 0 || inBuf == nullptr || room <= 0) return TDeflateInflateResult::Damaged;
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) throw EOutOfMemory("Out of memory");
  THeapBlock out = THeapBlock::Allocate(static_cast<std::size_t>(room), false);
  std::size_t size = 0;
  switch (libdeflate_zlib_decompress(decompressor.get(), inBuf, static_cast<std::size_t>(inSize), out.Data(),
                                     out.Size(), &size)) {
    case LIBDEFLATE_SUCCESS:
      break;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
      return TDeflateInflateResult::TooLarge;
    default:
      return TDeflateInflateResult::Damaged;
  }
  if (size == 0) return TDeflateInflateResult::Damaged;
  if (size < out.Size()) out.Resize(size);
  outBuf = std::move(out);
  outSize = static_cast<Integer>(size);
  return TDeflateInflateResult::Done;
}
