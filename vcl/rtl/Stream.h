// Streams of bytes: the abstract TStream with 64-bit positions and sizes, and the memory, handle, file
// and string streams built on it. The engine's own streams derive from TStream too.
#pragma once
#include <memory>
#include <string_view>
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/SysTypes.h"

// Origins of the 64-bit Seek. A scoped enumeration, so that Seek(0, soEnd) cannot be mistaken for the
// 32-bit Seek, whose origin is one of the Word constants soFrom*.
enum class TSeekOrigin : Word { soBeginning = 0, soCurrent = 1, soEnd = 2 };
inline constexpr TSeekOrigin soBeginning = TSeekOrigin::soBeginning;
inline constexpr TSeekOrigin soCurrent = TSeekOrigin::soCurrent;
inline constexpr TSeekOrigin soEnd = TSeekOrigin::soEnd;
inline constexpr Word soFromBeginning = 0;
inline constexpr Word soFromCurrent = 1;
inline constexpr Word soFromEnd = 2;

// Open modes of TFileStream: one access mode, or-ed with one share mode; fmCreate stands alone.
inline constexpr Word fmCreate = 0xFFFF;  // create or empty; read and write, no sharing
inline constexpr Word fmOpenRead = 0x0000;
inline constexpr Word fmOpenWrite = 0x0001;
inline constexpr Word fmOpenReadWrite = 0x0002;
inline constexpr Word fmShareCompat = 0x0000;     // others may read and write
inline constexpr Word fmShareExclusive = 0x0010;  // others may do nothing
inline constexpr Word fmShareDenyWrite = 0x0020;  // others may read
inline constexpr Word fmShareDenyRead = 0x0030;   // others may write
inline constexpr Word fmShareDenyNone = 0x0040;   // others may read and write

// A stream of bytes with a current position. Position may lie beyond Size (after a Seek); Read there
// returns 0 and Write extends the stream.
//
// A derived stream overrides Read, Write, Seek(Int64, TSeekOrigin) and, when its size can change,
// SetSize(Int64); GetSize when it knows its size without seeking. The 32-bit Seek and SetSize slots
// call the 64-bit ones and may be overridden too. Overriding hides the other overloads in C++, so a
// derived class says `using TStream::Seek; using TStream::SetSize;`.
class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Copy up to count bytes and return how many were copied (0 at the end, or for count <= 0).
  virtual Integer Read(void* buffer, Integer count) = 0;
  virtual Integer Write(const void* buffer, Integer count) = 0;

  // Moves the position and returns it. The 32-bit slot raises ERangeError when the new position does
  // not fit 32 bits (the position has moved all the same). Seek(Int64, Word) is the 64-bit seek with a
  // soFrom* origin, for callers that hold the offset in an Int64.
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
  virtual Integer Seek(Integer offset, Word origin);
  Int64 Seek(Int64 offset, Word origin);

  // Cuts or extends the stream; the position stays where it was unless it lay beyond the new end, then
  // it moves to the end. The base class raises EStreamError: a stream that cannot change size says so.
  virtual void SetSize(Int64 newSize);
  virtual void SetSize(Integer newSize);
  virtual Int64 GetSize();  // by seeking to the end and back

  Int64 GetPosition();
  void SetPosition(Int64 position);
  // Property-style reads, as the rest of the layer names them.
  Int64 Size() { return GetSize(); }
  Int64 Position() { return GetPosition(); }

  // Read or write exactly count bytes, else raise EReadError "Stream read error" / EWriteError
  // "Stream write error". A short Read is retried until it returns nothing.
  void ReadBuffer(void* buffer, Integer count);
  void WriteBuffer(const void* buffer, Integer count);
  // The same for any length, in pieces.
  void ReadBuffer64(void* buffer, Int64 count);
  void WriteBuffer64(const void* buffer, Int64 count);

  // Copies count bytes from source's position to this stream's position; count 0 copies the whole of
  // source from its beginning. Returns the bytes copied; a short source raises EReadError.
  Int64 CopyFrom(TStream& source, Int64 count);

 protected:
  // The target of a seek on a stream that keeps its own position and size; raises EStreamError for an
  // origin outside the three, EIntOverflow when the target does not fit 64 bits.
  static Int64 SeekTarget(Int64 offset, TSeekOrigin origin, Int64 position, Int64 size);
};

// A stream in one growing block of memory. Memory() is the block (nullptr while the capacity is 0);
// bytes between Size and Capacity, and any gap left by writing beyond the end, read as zero.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;  // negative raises ERangeError
  Int64 GetSize() override { return size_; }

  void* Memory() const { return memory_.get(); }
  Int64 GetCapacity() const { return capacity_; }
  // Exactly newCapacity bytes; a capacity below Size cuts the stream to it.
  void SetCapacity(Int64 newCapacity);
  void Clear();  // empty, with no memory held

  // Replaces the content by the whole of source; Position becomes 0.
  void LoadFromStream(TStream& source);
  // Writes the whole content to dest at dest's position; this stream's Position is not used or moved.
  void SaveToStream(TStream& dest);
  void LoadFromFile(const AnsiString& fileName);
  void LoadFromFile(const WideString& fileName);
  void SaveToFile(const AnsiString& fileName);
  void SaveToFile(const WideString& fileName);

 private:
  struct FreeBlock {
    void operator()(Byte* p) const noexcept;
  };
  void Grow(Int64 minCapacity);

  std::unique_ptr<Byte, FreeBlock> memory_;
  Int64 capacity_ = 0;
  Int64 size_ = 0;
  Int64 position_ = 0;
};

// A stream over an OS file handle that someone else owns. Read and Write return 0 when the OS call
// fails; Seek returns -1; SetSize raises EOSError.
class THandleStream : public TStream {
 public:
  explicit THandleStream(os::FileHandle handle) : handle_(handle) {}

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;

  os::FileHandle Handle() const { return handle_; }

 protected:
  os::FileHandle handle_;
};

// A stream over a file that it opens and closes. Mode is fmCreate, or an fmOpen* access or-ed with an
// fmShare* mode. Failure raises EFCreateError 'Cannot create file "<name>". <reason>' or EFOpenError
// 'Cannot open file "<name>". <reason>'. 8-bit names are Windows-1250.
class TFileStream : public THandleStream {
 public:
  TFileStream(const AnsiString& fileName, Word mode);
  TFileStream(const WideString& fileName, Word mode);
  ~TFileStream() override;

  const WideString& FileName() const { return fileName_; }

 private:
  WideString fileName_;
};

// A stream over an 8-bit string held in the stream.
class TStringStream : public TStream {
 public:
  explicit TStringStream(AnsiString data = {}) : data_(std::move(data)) {}

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override { return static_cast<Int64>(data_.size()); }

  const AnsiString& DataString() const { return data_; }
  // Up to count bytes from the position (fewer at the end), moving the position past them.
  AnsiString ReadString(Integer count);
  void WriteString(std::string_view s);

 private:
  AnsiString data_;
  Int64 position_ = 0;
};
