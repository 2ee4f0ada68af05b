#include "skin/manager/skZLibEx.h"

#include <cstring>

namespace {

constexpr const char* kInvalidOperation = "Invalid ZStream operation!";
constexpr Integer kSkipPiece = 8192;

}  // namespace

AnsiString ZLibErrorMessage(Integer code) {
  switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    case Z_OK: return "ok";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return {};
  }
}

EZLibError::EZLibError(Integer errorCode) : Exception(ZLibErrorMessage(errorCode)), errorCode_(errorCode) {}

void InitInflate(z_stream& state) {
  std::memset(&state, 0, sizeof(state));
  // inflateInit passes zlib's own version and sizeof(z_stream); a fixed size would be wrong on x64.
  const int result = inflateInit(&state);
  if (result != Z_OK) throw EZDecompressionError(result);
}

TCustomZStream::TCustomZStream(TStream& source)
    : source_(source), sourcePosition_(source.Position()), buffer_(std::make_unique<Byte[]>(kBufferSize)) {}

TZDecompressionStream::TZDecompressionStream(TStream& source) : TCustomZStream(source) { InitInflate(state_); }

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&state_); }

Integer TZDecompressionStream::Read(void* buffer, Integer count) {
  if (count <= 0) return 0;
  state_.next_out = static_cast<Bytef*>(buffer);
  state_.avail_out = static_cast<uInt>(count);
  // Several readers may share the source: continue from where this stream left it.
  if (source_.Position() != sourcePosition_) source_.SetPosition(sourcePosition_);
  while (state_.avail_out > 0 && !ended_) {
    if (state_.avail_in == 0) {
      const Integer got = source_.Read(buffer_.get(), kBufferSize);
      if (got <= 0) break;
      state_.next_in = buffer_.get();
      state_.avail_in = static_cast<uInt>(got);
      sourcePosition_ = source_.Position();
      if (OnProgress) OnProgress(*this);
    }
    const int result = inflate(&state_, Z_NO_FLUSH);
    // A stream that asks for a preset dictionary would make no progress: skins never use one.
    if (result < 0 || result == Z_NEED_DICT) throw EZDecompressionError(result);
    if (result == Z_STREAM_END) ended_ = true;
  }
  if (ended_ && state_.avail_in > 0) {
    // Give the input that follows the zlib stream back to the source.
    sourcePosition_ -= state_.avail_in;
    source_.SetPosition(sourcePosition_);
    state_.avail_in = 0;
  }
  const Integer produced = count - static_cast<Integer>(state_.avail_out);
  position_ += produced;
  return produced;
}

Integer TZDecompressionStream::Write(const void*, Integer) { throw EZDecompressionError(kInvalidOperation, 0); }

Int64 TZDecompressionStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 skip = -1;
  if (origin == soBeginning && offset == 0) {
    // Restarts at the source's very beginning, not where this stream was created.
    inflateReset(&state_);
    state_.avail_in = 0;
    source_.SetPosition(0);
    sourcePosition_ = 0;
    position_ = 0;
    ended_ = false;
    return 0;
  }
  if (origin == soCurrent && offset >= 0) skip = offset;
  if (origin == soBeginning && offset >= position_) skip = offset - position_;
  if (skip >= 0) {
    Byte scratch[kSkipPiece];
    while (skip > 0) {
      const Integer piece = skip < kSkipPiece ? static_cast<Integer>(skip) : kSkipPiece;
      ReadBuffer(scratch, piece);
      skip -= piece;
    }
    return position_;
  }
  if (origin == soEnd && offset == 0) {
    Byte scratch[kSkipPiece];
    while (Read(scratch, kSkipPiece) > 0) {
    }
    return position_;
  }
  throw EZDecompressionError(kInvalidOperation, 0);
}

Int64 TZDecompressionStream::SkipToStreamEnd() {
  Byte scratch[kSkipPiece];
  Int64 skipped = 0;
  while (!ended_) {
    const Integer got = Read(scratch, kSkipPiece);
    if (got == 0 && !ended_) throw EReadError("Stream read error");
    skipped += got;
  }
  return skipped;
}
