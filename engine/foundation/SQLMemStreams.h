// The engine's byte streams: memory, named file, temporary file and the temporary stream that moves
// from memory to a temporary file once it is sized past 1 MB, all on one base with a reader/writer lock,
// bulk copies with progress, and the checked read, write and seek routines every engine format uses.
#pragma once
#include <atomic>
#include <functional>
#include <memory>

#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/SysTypes.h"

// Stream sizes of the engine, fixed at build time.
inline constexpr Integer StreamDefaults[8] = {
    32768,    // 0: block size of the temporary-file stream and the temporary stream
    1048576,  // 1: memory threshold of the temporary stream
    102400,   // 2: default copy block size of every engine stream
    102400,   // 3: copy block size of the file stream
    102400,   // 4..7: compressed BLOB block sizes by mode
    524288,
    1048576,
    1572864,
};

// A scratch buffer of stream data in one engine memory-manager block, zero-filled before release when
// EngineWipeMemory is set.
class TSQLMemStreamBuffer {
 public:
  TSQLMemStreamBuffer() = default;
  explicit TSQLMemStreamBuffer(Integer size, bool zeroFill = false) { Allocate(size, zeroFill); }
  ~TSQLMemStreamBuffer() { Release(); }
  TSQLMemStreamBuffer(const TSQLMemStreamBuffer&) = delete;
  TSQLMemStreamBuffer& operator=(const TSQLMemStreamBuffer&) = delete;

  // Replaces the buffer by a new one of size bytes (contents undefined unless zeroFill).
  void Allocate(Integer size, bool zeroFill = false);
  void Release() noexcept;
  Byte* Data() const noexcept { return static_cast<Byte*>(block_.Data()); }
  Integer Size() const noexcept { return block_.Size(); }

 private:
  TSQLMemBlock block_;
};

class TSQLMemReadWriteThreadSyncByCriticalSections;
class TSQLMemStream;
// Percent runs from 0 to 100; setting cancel stops a bulk copy after the piece in progress.
using TSQLMemProgressEvent = std::function<void(TSQLMemStream& sender, double percent, bool& cancel)>;

// The base of the engine streams. It does not lock itself: owners call Lock/Unlock around compound
// accesses (setting the position, then reading or writing).
class TSQLMemStream : public TStream {
 public:
  TSQLMemStream();
  ~TSQLMemStream() override;

  // Exclusive takes the lock for writing, else for reading. A stream made without a lock (the
  // temporary-file stream, which only its owner reaches) ignores both calls.
  virtual void Lock(bool exclusive);
  virtual void Unlock();

  // Piece size of the bulk copies; 0 makes them raise, a negative size raises ERangeError here.
  Integer BlockSize() const noexcept { return blockSize_; }
  void SetBlockSize(Integer blockSize);

  TSQLMemProgressEvent OnProgress;

  // Copies the whole content to dest at dest's position, in BlockSize pieces through one engine buffer.
  // Both positions are restored afterwards, also when the copy fails. Raises 10418 for BlockSize 0,
  // 10146 on a short read of this stream, 10147 on a short write to dest.
  void SaveToStream(TStream& dest);
  // CopyFromStream(source, source.Size, 0).
  void LoadWholeStream(TStream& source);
  // Replaces the content by count bytes of source from sourcePosition. This stream's position is
  // restored to what it was (not cut to the new size), and so is source's. Raises 10419 for BlockSize 0,
  // 10148 on a short read of source, 10149 on a short write to this stream.
  void CopyFromStream(TStream& source, Int64 count, Int64 sourcePosition);

 protected:
  struct NoLock {};
  explicit TSQLMemStream(NoLock);
  void DoProgress(double percent);

  Integer blockSize_;
  bool cancel_ = false;

 private:
  // The stream's lock, made by its first Lock call: most streams are never locked.
  TSQLMemReadWriteThreadSyncByCriticalSections& TheLock();

  bool lockable_ = true;
  std::atomic<TSQLMemReadWriteThreadSyncByCriticalSections*> lock_{nullptr};
};

// A stream in one block of the engine memory manager. Capacity grows by the allocation step of the
// current capacity (at least 1024 bytes for a first block) in multiples of 4, and is given back on
// shrinking only when at least one step would be freed. Bytes of a gap left by writing beyond the end
// are undefined.
class TSQLMemMemoryStream : public TSQLMemStream {
 public:
  // Without data the stream starts empty, with no block. With data, the stream adopts that engine block
  // (and frees it): its capacity and size are dataSize, or the block's size when dataSize is negative.
  // A dataSize beyond the block's size raises ERangeError and leaves the block with the caller.
  explicit TSQLMemMemoryStream(void* data = nullptr, Integer dataSize = -1);
  ~TSQLMemMemoryStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  // Reads and writes at a negative position do nothing and return 0.
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // A size of 0 or less empties the stream and frees the block.
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override { return size_; }

  // Grows the block to hold at least capacity bytes (a multiple of 4); size and position stay, and a
  // smaller capacity changes nothing. For a writer that appends much and knows it: later writes within
  // the room need no reallocation. A failure leaves the block as it was.
  void Reserve(Int64 capacity);
  // The block (nullptr while there is none); valid until the next size change.
  Byte* Memory() const noexcept { return memory_; }
  Int64 Capacity() const noexcept { return capacity_; }
  Integer ResizeCount() const noexcept { return resizeCount_; }  // size changes served within the capacity
  Int64 Growth() const noexcept { return growth_; }               // increment of the last growing reallocation

 private:
  void FreeBlock() noexcept;

  Byte* memory_ = nullptr;
  Int64 position_ = 0;
  Int64 size_ = 0;
  Int64 capacity_ = 0;
  Integer resizeCount_ = 0;
  Int64 growth_ = 0;
};

// Open modes of the file streams: 0xFFFF creates (or empties) the file with read and write access and
// no sharing. Otherwise the file must exist; bit 0x02 opens it for reading and writing, else bit 0x01
// for writing, else for reading, and the share bits say what other opens may do: 0x10 nothing, else
// 0x20 read, else read and write.
inline constexpr Word SQLMemFileModeCreate = 0xFFFF;

// A stream over a named file. Read and Write return 0 when the OS call fails; SetSize raises EOSError.
class TSQLMemFileStream : public TSQLMemStream {
 public:
  // An 8-bit (Windows-1250) or a wide name. Raises 10104 "Cannot create file. FileName = %s" when the
  // create mode fails, 10105 "Cannot open file. FileName = %s, Mode = %d" when an open mode fails.
  TSQLMemFileStream(const AnsiString& fileName, Word mode);
  TSQLMemFileStream(const WideString& fileName, Word mode);
  ~TSQLMemFileStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;  // -1 when the OS refuses
  // Cuts or extends the file; the position stays unless it lay beyond the new end.
  void SetSize(Int64 newSize) override;

  const AnsiString& FileName() const noexcept { return fileName_; }          // empty when opened by wide name
  const WideString& WideFileName() const noexcept { return wideFileName_; }  // empty when opened by 8-bit name
  Word Mode() const noexcept { return mode_; }

 private:
  void Open(const WideString& path, const AnsiString& nameForMessage);

  os::FileHandle handle_ = os::kInvalidFile;
  AnsiString fileName_;
  WideString wideFileName_;
  Word mode_;
};

// Content in a fresh "ACR*.tmp" file of EngineTempFolder, read and written in 32768-byte blocks
// through one cached block. The block written last may be newer than the file; it is written back
// before the cache takes another block and before a size change, so that runs of small writes into
// one block cost one block write. The file is deleted when the stream is destroyed, and when its
// construction fails after the file was made. Bytes a grow adds read as zero. The stream has no lock.
class TSQLMemTempFileStream : public TSQLMemStream {
 public:
  // Raises 10104 when no temporary file can be created (also while EngineTempFolder is empty).
  TSQLMemTempFileStream();
  ~TSQLMemTempFileStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  // Raises nothing: a block that cannot be loaded ends the read with the bytes copied so far.
  Integer Read(void* buffer, Integer count) override;
  // Returns 0 when a partly overwritten block cannot be loaded; raises 11698 when a block cannot be
  // written back.
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override { return size_; }

  const WideString& TempFileName() const noexcept { return name_.path; }

 private:
  // Deletes the named file when it goes; declared before the file stream, so that the handle is
  // closed before the name is deleted.
  struct TempName {
    WideString path;
    TempName() = default;
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
    ~TempName();
  };

  Int64 BlockStart(Int64 block) const;
  void LoadBlock(Int64 block);
  void WriteBlock(Int64 block);
  void Flush();
  void SeekFile(Int64 position, bool forWrite);

  TempName name_;
  std::unique_ptr<TSQLMemFileStream> file_;
  TSQLMemStreamBuffer buffer_;
  Int64 cachedBlock_ = -1;   // block held in buffer_, -1 for none
  Int64 cachedLength_ = 0;   // valid bytes of that block in buffer_ (what a write-back writes)
  Int64 position_ = 0;
  Int64 size_ = 0;
  Int64 dirtyBlock_ = -1;    // block whose bytes in buffer_ are newer than the file, -1 for none
};

// Starts in memory and moves its content to a temporary file when SetSize asks for more than 1048576
// bytes; there is no way back. Writes alone never move it, however far they grow the memory part.
class TSQLMemTemporaryStream : public TSQLMemStream {
 public:
  TSQLMemTemporaryStream();
  ~TSQLMemTemporaryStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // When the move to a file fails, the stream stays in memory, unchanged, and no file is left.
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override;

  bool InMemory() const noexcept { return inMemory_; }
  Integer Threshold() const noexcept { return threshold_; }
  // The memory part's room (TSQLMemMemoryStream::Reserve); nothing once the content is in a file.
  void Reserve(Int64 capacity);
  // The memory part's capacity; 0 once the content is in a file.
  Int64 Capacity() const noexcept { return inMemory_ ? memoryPart_->Capacity() : 0; }
  // The temporary file's name; empty while in memory.
  WideString TempFileName() const;

 private:
  TStream& Part();

  bool inMemory_ = true;
  Integer threshold_;
  std::unique_ptr<TSQLMemMemoryStream> memoryPart_;
  std::unique_ptr<TSQLMemTempFileStream> filePart_;
};

// A read-only stream over bytes that someone else owns and keeps alive while the view is used; writes
// write nothing. Reading a block of memory through an engine format needs no copy of it.
class TSQLMemByteView : public TStream {
 public:
  TSQLMemByteView(const Byte* data, Int64 size) : data_(data), size_(size) {}
  using TStream::Seek;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* /*buffer*/, Integer /*count*/) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return size_; }

 private:
  const Byte* data_;
  Int64 size_;
  Int64 position_ = 0;
};

// Verified access for the engine's format readers and writers; each caller passes its own native code.
// Fewer bytes than count raise it with "Cannot write to stream. Position = %d, Stream size = %d, Block
// size = %d, Bytes Write = %d" / "Cannot read from stream. ... Bytes Read = %d" (the position before the
// call, the size, count, the bytes moved).
void StreamWriteChecked(const void* buffer, Integer count, TStream& stream, Integer code);
void StreamReadChecked(void* buffer, Integer count, TStream& stream, Integer code);
// Sets the position and reads it back; a different answer raises code with "Cannot set stream position
// to %d. Position = %d, Size = %d" (the position asked for, the position before, the size).
void StreamSeekChecked(TStream& stream, Integer code, Int64 newPosition);

// One little-endian value of a stored form through the checked transfers.
template <typename T>
void StreamWriteValue(TStream& stream, T value, Integer code) {
  StreamWriteChecked(&value, sizeof(T), stream, code);
}

template <typename T>
T StreamReadValue(TStream& stream, Integer code) {
  T value{};
  StreamReadChecked(&value, sizeof(T), stream, code);
  return value;
}

// A new, empty, uniquely named file "ACR<hex>.tmp" in EngineTempFolder; its full name, or empty text
// when EngineTempFolder is empty or no file could be made.
WideString CreateTempFileName();

// Whether a file of that name exists: the wide name when it is not empty, else the 8-bit one; false
// when both are empty. A file that another holder keeps open without sharing exists all the same.
bool FileExistsAnsiOrWide(const AnsiString& fileName, const WideString& wideFileName);

// The streams unit's start-up step: EngineTempFolder becomes the system temporary folder.
void StartStreamUnit();
