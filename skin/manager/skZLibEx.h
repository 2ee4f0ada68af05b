// The skin library's forward-only inflate stream. It reads one zlib stream from a source stream that
// other readers may share, and when the zlib stream ends it gives the unread input back by moving the
// source's position, so that the source stands on the first byte after the stream: this is how packed
// skins find their next entry without a stored compressed length. Also the zlib error family and the
// inflate set-up that the PNG reader shares.
#pragma once
#include <zlib.h>

#include <functional>
#include <memory>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

// A zlib failure; ErrorCode is zlib's result code (Z_DATA_ERROR, ...).
class EZLibError : public Exception {
 public:
  EZLibError(AnsiString message, Integer errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
  explicit EZLibError(Integer errorCode);  // the message is the code's text from the table below
  Integer ErrorCode() const noexcept { return errorCode_; }

 private:
  Integer errorCode_;
};
class EZDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// zlib's result codes as text: 2 "need dictionary" ... -6 "incompatible version"; other codes give "".
AnsiString ZLibErrorMessage(Integer code);

// Starts inflate on a zeroed stream state for the zlib linked in, with the stream state's real size
// (which differs between 32- and 64-bit builds). Raises EZDecompressionError with zlib's code.
void InitInflate(z_stream& state);

// The common state of a compression stream over a source stream that it does not own.
class TCustomZStream : public TStream {
 public:
  static constexpr Integer kBufferSize = 65536;  // the input is read from the source in pieces of this

  // Fired after each piece of input is read from the source; receives this stream.
  std::function<void(TStream& sender)> OnProgress;

 protected:
  explicit TCustomZStream(TStream& source);

  TStream& source_;
  Int64 sourcePosition_;  // where this stream last left the source
  z_stream state_{};
  std::unique_ptr<Byte[]> buffer_;
};

// Inflates one zlib stream from the source's position at creation. Reading is forward only; Write
// raises. Position is the count of inflated bytes so far.
class TZDecompressionStream : public TCustomZStream {
 public:
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  // Up to count inflated bytes; fewer when the zlib stream ends or the source runs dry.
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;  // raises "Invalid ZStream operation!"
  // Offset 0 from the beginning restarts inflate at the source's position 0; forward moves skip
  // inflated bytes; 0 from the end skips to the end; anything else raises "Invalid ZStream operation!".
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;

  // True once inflate has reached the end of the zlib stream (the source then stands just past it).
  bool StreamEnded() const { return ended_; }
  // Inflates and discards up to the end of the zlib stream, so that the source stands just past it.
  // Returns the bytes that were still to come; raises EReadError when the source ends first.
  Int64 SkipToStreamEnd();

 private:
  Int64 position_ = 0;
  bool ended_ = false;
};
