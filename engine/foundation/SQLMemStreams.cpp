#include "engine/foundation/SQLMemStreams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemCriticalSection.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Runs the restoring step of a failed operation without letting its own failure hide the first one.
template <class F>
void RestoreQuietly(F&& restore) noexcept {
  try {
    restore();
  } catch (...) {
  }
}

// Access and share rights of an open mode other than create.
Cardinal AccessOfMode(Word mode) {
  if (mode & 0x02) return os::kAccessReadWrite;
  if (mode & 0x01) return os::kAccessWrite;
  return os::kAccessRead;
}

Cardinal ShareOfMode(Word mode) {
  if (mode & 0x10) return os::kShareNone;
  if (mode & 0x20) return os::kShareRead;
  return os::kShareRead | os::kShareWrite;
}

}  // namespace

// ---- TSQLMemStreamBuffer ----

void TSQLMemStreamBuffer::Allocate(Integer size, bool zeroFill) {
  TSQLMemBlock block = TSQLMemBlock::Allocate(size, zeroFill);
  Release();
  block_ = std::move(block);
}

void TSQLMemStreamBuffer::Release() noexcept {
  if (!block_) return;
  if (EngineWipeMemory) std::memset(block_.Data(), 0, static_cast<size_t>(block_.Size()));
  block_.Reset();
}

// ---- TSQLMemStream ----

TSQLMemStream::TSQLMemStream() : blockSize_(StreamDefaults[2]) {}

TSQLMemStream::TSQLMemStream(NoLock) : blockSize_(StreamDefaults[2]), lockable_(false) {}

TSQLMemStream::~TSQLMemStream() { delete lock_.load(std::memory_order_acquire); }

TSQLMemReadWriteThreadSyncByCriticalSections& TSQLMemStream::TheLock() {
  TSQLMemReadWriteThreadSyncByCriticalSections* lock = lock_.load(std::memory_order_acquire);
  if (lock != nullptr) return *lock;
  // Two threads may lock a new stream at once: the first lock installed is the one both use.
  auto fresh = std::make_unique<TSQLMemReadWriteThreadSyncByCriticalSections>();
  fresh->SetOwner(this, "TSQLMemStream");
  if (lock_.compare_exchange_strong(lock, fresh.get(), std::memory_order_acq_rel, std::memory_order_acquire)) {
    return *fresh.release();
  }
  return *lock;
}

void TSQLMemStream::Lock(bool exclusive) {
  if (!lockable_) return;
  if (exclusive) {
    TheLock().BeginWrite();
  } else {
    TheLock().BeginRead();
  }
}

void TSQLMemStream::Unlock() {
  if (lockable_) TheLock().EndLock();
}

void TSQLMemStream::SetBlockSize(Integer blockSize) {
  if (blockSize < 0) RaiseRangeError();
  blockSize_ = blockSize;
}

void TSQLMemStream::DoProgress(double percent) {
  if (OnProgress) OnProgress(*this, percent, cancel_);
}

void TSQLMemStream::SaveToStream(TStream& dest) {
  if (blockSize_ == 0) SQLMemError(10418, SQLMemStreamBlockSizeZero);
  const Int64 ownPosition = GetPosition();
  const Int64 destPosition = dest.GetPosition();
  auto restore = [&] {
    SetPosition(ownPosition);
    dest.SetPosition(destPosition);
  };
  try {
    SetPosition(0);
    cancel_ = false;
    DoProgress(0);
    const Int64 size = GetSize();
    TSQLMemStreamBuffer buffer(blockSize_);
    for (Int64 done = 0; !cancel_ && done < size;) {
      const Integer n = static_cast<Integer>(std::min<Int64>(blockSize_, size - done));
      const Int64 readAt = GetPosition();
      const Integer got = Read(buffer.Data(), n);
      if (got != n) SQLMemError(10146, SQLMemCannotReadBlockFromStream, {readAt, GetSize(), n, got});
      const Int64 writeAt = dest.GetPosition();
      const Integer put = dest.Write(buffer.Data(), n);
      if (put != n) SQLMemError(10147, SQLMemCannotWriteBlockToStream, {writeAt, dest.GetSize(), n, put});
      done += n;
      DoProgress(static_cast<double>(done) / static_cast<double>(size) * 100.0);
    }
  } catch (...) {
    RestoreQuietly(restore);
    throw;
  }
  restore();
  if (!cancel_) DoProgress(100);
}

void TSQLMemStream::LoadWholeStream(TStream& source) { CopyFromStream(source, source.GetSize(), 0); }

void TSQLMemStream::CopyFromStream(TStream& source, Int64 count, Int64 sourcePosition) {
  if (blockSize_ == 0) SQLMemError(10419, SQLMemStreamBlockSizeZero);
  const Int64 end = CheckedAdd(sourcePosition, count);
  const Int64 ownPosition = GetPosition();
  const Int64 sourceStart = source.GetPosition();
  auto restore = [&] {
    source.SetPosition(sourceStart);
    SetPosition(ownPosition);
  };
  try {
    source.SetPosition(sourcePosition);
    SetSize(Int64{0});
    SetPosition(0);
    cancel_ = false;
    DoProgress(0);
    TSQLMemStreamBuffer buffer(blockSize_);
    for (Int64 at = source.GetPosition(); !cancel_ && at < end; at = source.GetPosition()) {
      const Integer n = static_cast<Integer>(std::min<Int64>(blockSize_, end - at));
      const Integer got = source.Read(buffer.Data(), n);
      if (got != n) SQLMemError(10148, SQLMemCannotReadBlockFromStream, {at, source.GetSize(), n, got});
      const Int64 writeAt = GetPosition();
      const Integer put = Write(buffer.Data(), n);
      if (put != n) SQLMemError(10149, SQLMemCannotWriteBlockToStream, {writeAt, GetSize(), n, put});
      const Int64 sourceSize = source.GetSize();
      if (sourceSize > 0) {
        DoProgress(static_cast<double>(source.GetPosition()) / static_cast<double>(sourceSize) * 100.0);
      }
    }
  } catch (...) {
    RestoreQuietly(restore);
    throw;
  }
  restore();
  if (!cancel_) DoProgress(100);
}

// ---- TSQLMemMemoryStream ----

TSQLMemMemoryStream::TSQLMemMemoryStream(void* data, Integer dataSize) {
  if (data == nullptr) return;
  const Int64 blockSize = MemoryManager().GetBlockSize(data);
  if (dataSize > blockSize) RaiseRangeError();
  memory_ = static_cast<Byte*>(data);
  capacity_ = dataSize >= 0 ? dataSize : blockSize;
  size_ = capacity_;
}

TSQLMemMemoryStream::~TSQLMemMemoryStream() { FreeBlock(); }

void TSQLMemMemoryStream::FreeBlock() noexcept {
  if (memory_ == nullptr) return;
  // The block may be larger than the capacity (an adopted block with a smaller size).
  if (EngineWipeMemory) {
    RestoreQuietly([&] { std::memset(memory_, 0, static_cast<size_t>(MemoryManager().GetBlockSize(memory_))); });
  }
  void* p = memory_;
  memory_ = nullptr;
  RestoreQuietly([&] { MemoryManager().FreeMem(p); });
}

Integer TSQLMemMemoryStream::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
  const Integer n = static_cast<Integer>(std::min<Int64>(count, size_ - position_));
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Integer TSQLMemMemoryStream::Write(const void* buffer, Integer count) {
  if (count <= 0 || position_ < 0) return 0;
  const Int64 end = CheckedAdd<Int64>(position_, count);
  if (end > size_) SetSize(end);
  std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

Int64 TSQLMemMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TSQLMemMemoryStream::SetSize(Int64 newSize) {
  if (newSize == size_) return;
  if (newSize <= 0) {
    FreeBlock();
    capacity_ = 0;
    size_ = 0;
    growth_ = 0;
    resizeCount_ = 0;
  } else if (memory_ == nullptr) {
    const Int64 capacity = std::max<Int64>(newSize, 1024);
    memory_ = static_cast<Byte*>(MemoryManager().GetMem(capacity));
    capacity_ = capacity;
    size_ = newSize;
    resizeCount_ = 0;
  } else {
    const Int64 step = capacity_ <= 0 ? 4 : capacity_ == 4 ? 1020 : GetAllocationStep(capacity_);
    if (newSize < size_) {
      if (capacity_ - newSize >= step) {
        void* p = memory_;
        MemoryManager().ReallocMem(p, false, newSize);
        memory_ = static_cast<Byte*>(p);
        capacity_ = newSize;
        resizeCount_ = 0;
      }
    } else if (newSize > capacity_) {
      Int64 growth = std::max(step, newSize - capacity_);
      Int64 capacity = CheckedAdd(capacity_, growth);
      if (const Int64 odd = capacity % 4; odd != 0) {
        growth += 4 - odd;
        capacity += 4 - odd;
      }
      void* p = memory_;
      MemoryManager().ReallocMem(p, false, capacity);
      memory_ = static_cast<Byte*>(p);
      capacity_ = capacity;
      growth_ = growth;
      resizeCount_ = 0;
    } else {
      ++resizeCount_;
    }
    size_ = newSize;
  }
  if (position_ > size_) position_ = size_;
}

void TSQLMemMemoryStream::Reserve(Int64 capacity) {
  if (capacity <= capacity_) return;
  if (const Int64 odd = capacity % 4; odd != 0) capacity = CheckedAdd<Int64>(capacity, 4 - odd);
  if (memory_ == nullptr) {
    memory_ = static_cast<Byte*>(MemoryManager().GetMem(capacity));
  } else {
    void* p = memory_;
    MemoryManager().ReallocMem(p, false, capacity);
    memory_ = static_cast<Byte*>(p);
  }
  capacity_ = capacity;
}

// ---- TSQLMemFileStream ----

TSQLMemFileStream::TSQLMemFileStream(const AnsiString& fileName, Word mode) : fileName_(fileName), mode_(mode) {
  blockSize_ = StreamDefaults[3];
  Open(Cp1250ToUtf16(fileName), fileName);
}

TSQLMemFileStream::TSQLMemFileStream(const WideString& fileName, Word mode) : wideFileName_(fileName), mode_(mode) {
  blockSize_ = StreamDefaults[3];
  Open(fileName, Utf16ToCp1250(fileName));
}

void TSQLMemFileStream::Open(const WideString& path, const AnsiString& nameForMessage) {
  if (mode_ == SQLMemFileModeCreate) {
    handle_ = os::FileOpen(path, os::kAccessReadWrite, os::kShareNone, os::FileCreation::CreateAlways);
    if (handle_ == os::kInvalidFile) SQLMemError(10104, SQLMemCannotCreateFile, {nameForMessage});
  } else {
    handle_ = os::FileOpen(path, AccessOfMode(mode_), ShareOfMode(mode_), os::FileCreation::OpenExisting);
    if (handle_ == os::kInvalidFile) SQLMemError(10105, SQLMemCannotOpenFile, {nameForMessage, mode_});
  }
}

TSQLMemFileStream::~TSQLMemFileStream() {
  if (handle_ != os::kInvalidFile) os::FileClose(handle_);
}

Integer TSQLMemFileStream::Read(void* buffer, Integer count) {
  if (count <= 0) return 0;
  const Int64 n = os::FileRead(handle_, buffer, count);
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Integer TSQLMemFileStream::Write(const void* buffer, Integer count) {
  if (count <= 0) return 0;
  const Int64 n = os::FileWrite(handle_, buffer, count);
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Int64 TSQLMemFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  return os::FileSeek(handle_, offset, static_cast<int>(origin));
}

void TSQLMemFileStream::SetSize(Int64 newSize) {
  const Int64 position = os::FileSeek(handle_, 0, 1);
  if (position < 0 || os::FileSeek(handle_, newSize, 0) < 0 || !os::FileSetEnd(handle_)) {
    const Cardinal error = os::LastError();
    if (position >= 0) os::FileSeek(handle_, position, 0);
    os::RaiseOSError(error);
  }
  if (os::FileSeek(handle_, newSize < position ? newSize : position, 0) < 0) os::RaiseLastOSError();
}

// ---- TSQLMemTempFileStream ----

TSQLMemTempFileStream::TempName::~TempName() {
  if (!path.empty()) os::DeleteFile(path);
}

TSQLMemTempFileStream::TSQLMemTempFileStream() : TSQLMemStream(NoLock{}) {
  blockSize_ = StreamDefaults[0];
  name_.path = CreateTempFileName();
  file_ = std::make_unique<TSQLMemFileStream>(name_.path, SQLMemFileModeCreate);
  buffer_.Allocate(blockSize_);
}

// Members go in reverse order: the buffer, the file (closing the handle), then the name (deleting it).
TSQLMemTempFileStream::~TSQLMemTempFileStream() = default;

Int64 TSQLMemTempFileStream::BlockStart(Int64 block) const { return CheckedMul<Int64>(block, blockSize_); }

void TSQLMemTempFileStream::SeekFile(Int64 position, bool forWrite) {
  if (file_->Seek(position, soBeginning) != position) {
    if (forWrite) SQLMemError(11698, SQLMemCannotWriteBlockToStream, {position_, size_, blockSize_, Integer{0}});
    SQLMemError(11697, SQLMemCannotReadBlockFromStream, {position_, size_, blockSize_, Integer{0}});
  }
}

void TSQLMemTempFileStream::LoadBlock(Int64 block) {
  const Int64 start = BlockStart(block);
  // The buffer is about to change: until the load succeeds it holds no block.
  cachedBlock_ = -1;
  cachedLength_ = 0;
  if (start < size_) {
    SeekFile(start, false);
    const Integer length = static_cast<Integer>(std::min<Int64>(blockSize_, size_ - start));
    const Integer got = file_->Read(buffer_.Data(), length);
    if (got != length) SQLMemError(11697, SQLMemCannotReadBlockFromStream, {position_, size_, blockSize_, got});
    cachedLength_ = length;
  } else {
    std::memset(buffer_.Data(), 0, static_cast<size_t>(blockSize_));
  }
  cachedBlock_ = block;
}

void TSQLMemTempFileStream::WriteBlock(Int64 block) {
  if (cachedLength_ <= 0) return;
  SeekFile(BlockStart(block), true);
  const Integer length = static_cast<Integer>(cachedLength_);
  const Integer put = file_->Write(buffer_.Data(), length);
  if (put != length) SQLMemError(11698, SQLMemCannotWriteBlockToStream, {position_, size_, blockSize_, put});
}

void TSQLMemTempFileStream::Flush() {
  if (dirtyBlock_ == -1) return;
  WriteBlock(dirtyBlock_);
  dirtyBlock_ = -1;
}

Integer TSQLMemTempFileStream::Read(void* buffer, Integer count) {
  auto* out = static_cast<Byte*>(buffer);
  Integer copied = 0;
  try {
    if (position_ < 0) return 0;
    while (copied < count && position_ < size_) {
      const Int64 block = position_ / blockSize_;
      const Int64 offset = position_ % blockSize_;
      if (block != cachedBlock_) {
        Flush();
        LoadBlock(block);
      }
      const Int64 n = std::min({blockSize_ - offset, Int64{count - copied}, size_ - position_});
      std::memcpy(out + copied, buffer_.Data() + offset, static_cast<size_t>(n));
      copied += static_cast<Integer>(n);
      position_ += n;
    }
  } catch (const Exception&) {
  }
  return copied;
}

Integer TSQLMemTempFileStream::Write(const void* buffer, Integer count) {
  if (count <= 0 || position_ < 0) return 0;
  const Int64 end = CheckedAdd<Int64>(position_, count);
  if (end > size_) SetSize(end);
  const auto* in = static_cast<const Byte*>(buffer);
  const Int64 first = position_ / blockSize_;
  const Int64 last = (end - 1) / blockSize_;
  for (Int64 block = first; block <= last; ++block) {
    const Int64 start = BlockStart(block);
    const Int64 from = std::max(position_, start) - start;
    const Int64 to = std::min(end, start + blockSize_) - start;
    const Int64 valid = std::min<Int64>(blockSize_, size_ - start);
    // A block whose valid bytes are all overwritten is staged without reading it.
    const bool whole = from == 0 && to >= valid;
    if (block != cachedBlock_) {
      Flush();
      if (!whole) {
        try {
          LoadBlock(block);
        } catch (const Exception&) {
          return 0;
        }
      }
    }
    std::memcpy(buffer_.Data() + from, in + (start + from - position_), static_cast<size_t>(to - from));
    cachedBlock_ = block;
    cachedLength_ = valid;
    if (block != last) {
      WriteBlock(block);
      if (dirtyBlock_ == block) dirtyBlock_ = -1;
    } else {
      dirtyBlock_ = block;
    }
  }
  position_ = end;
  return count;
}

Int64 TSQLMemTempFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TSQLMemTempFileStream::SetSize(Int64 newSize) {
  if (newSize == size_) return;
  if (newSize < 0) RaiseRangeError();
  if (!EngineWipeMemory) {
    // The cached block stays cached (dirty or not): it is cut with the stream, or it takes on the zeros
    // the file grows by, so that appending in small pieces does not write the block back each time.
    file_->SetSize(newSize);
    size_ = file_->GetSize();
    if (cachedBlock_ != -1) {
      const Int64 start = BlockStart(cachedBlock_);
      if (start >= size_) {
        if (dirtyBlock_ == cachedBlock_) dirtyBlock_ = -1;
        cachedBlock_ = -1;
        cachedLength_ = 0;
      } else {
        const Int64 valid = std::min<Int64>(blockSize_, size_ - start);
        if (valid > cachedLength_) {
          std::memset(buffer_.Data() + cachedLength_, 0, static_cast<size_t>(valid - cachedLength_));
        }
        cachedLength_ = valid;
      }
    }
  } else {
    Flush();
    if (newSize > size_) {
      // Every byte up to the new end is written by the engine, so that the file never shows what the
      // disk held before.
      const Int64 first = size_ / blockSize_;
      const Int64 last = (newSize - 1) / blockSize_;
      for (Int64 block = first; block <= last; ++block) {
        const Int64 start = BlockStart(block);
        LoadBlock(block);
        std::memset(buffer_.Data() + cachedLength_, 0, static_cast<size_t>(blockSize_ - cachedLength_));
        cachedLength_ = std::min<Int64>(blockSize_, newSize - start);
        WriteBlock(block);
      }
    } else {
      if (const Int64 rest = newSize % blockSize_; rest != 0) {
        const Int64 block = newSize / blockSize_;
        LoadBlock(block);
        cachedLength_ = rest;
        WriteBlock(block);
      }
      file_->SetSize(newSize);
    }
    size_ = newSize;
    // The cached block may lie beyond the new end; it is read again when needed.
    cachedBlock_ = -1;
    cachedLength_ = 0;
  }
  if (position_ > size_) position_ = size_;
}

// ---- TSQLMemTemporaryStream ----

TSQLMemTemporaryStream::TSQLMemTemporaryStream()
    : threshold_(StreamDefaults[1]), memoryPart_(std::make_unique<TSQLMemMemoryStream>()) {
  blockSize_ = StreamDefaults[0];
}

TSQLMemTemporaryStream::~TSQLMemTemporaryStream() = default;

TStream& TSQLMemTemporaryStream::Part() {
  if (inMemory_) return *memoryPart_;
  return *filePart_;
}

Integer TSQLMemTemporaryStream::Read(void* buffer, Integer count) { return Part().Read(buffer, count); }

Integer TSQLMemTemporaryStream::Write(const void* buffer, Integer count) { return Part().Write(buffer, count); }

Int64 TSQLMemTemporaryStream::Seek(Int64 offset, TSeekOrigin origin) { return Part().Seek(offset, origin); }

Int64 TSQLMemTemporaryStream::GetSize() { return Part().GetSize(); }

void TSQLMemTemporaryStream::Reserve(Int64 capacity) {
  if (inMemory_) memoryPart_->Reserve(capacity);
}

WideString TSQLMemTemporaryStream::TempFileName() const {
  return filePart_ ? filePart_->TempFileName() : WideString();
}

void TSQLMemTemporaryStream::SetSize(Int64 newSize) {
  if (inMemory_ && newSize > threshold_) {
    // The file part is complete before the memory part goes, so that a failure leaves the stream in
    // memory as it was (and the new file is deleted with its part).
    auto filePart = std::make_unique<TSQLMemTempFileStream>();
    const Int64 size = memoryPart_->GetSize();
    for (Int64 done = 0; done < size;) {
      const Integer n = static_cast<Integer>(std::min<Int64>(size - done, std::numeric_limits<Integer>::max()));
      filePart->WriteBuffer(memoryPart_->Memory() + done, n);
      done += n;
    }
    filePart->Seek(memoryPart_->GetPosition(), soBeginning);
    filePart->SetSize(newSize);
    filePart_ = std::move(filePart);
    memoryPart_.reset();
    inMemory_ = false;
  } else {
    Part().SetSize(newSize);
  }
  if (Part().GetPosition() > Part().GetSize()) Part().SetPosition(Part().GetSize());
}

// ---- checked access ----

void StreamWriteChecked(const void* buffer, Integer count, TStream& stream, Integer code) {
  const Int64 position = stream.GetPosition();
  const Integer put = stream.Write(buffer, count);
  if (put < count) SQLMemError(code, SQLMemCannotWriteBlockToStream, {position, stream.GetSize(), count, put});
}

void StreamReadChecked(void* buffer, Integer count, TStream& stream, Integer code) {
  const Int64 position = stream.GetPosition();
  const Integer got = stream.Read(buffer, count);
  if (got < count) SQLMemError(code, SQLMemCannotReadBlockFromStream, {position, stream.GetSize(), count, got});
}

void StreamSeekChecked(TStream& stream, Integer code, Int64 newPosition) {
  const Int64 before = stream.GetPosition();
  stream.SetPosition(newPosition);
  if (stream.GetPosition() != newPosition) SQLMemError(code, SQLMemCannotSetStreamPosition, {newPosition, before, stream.GetSize()});
}

// ---- names and start-up ----

WideString CreateTempFileName() {
  if (EngineTempFolder.empty()) return {};
  return os::CreateTempFileName(EngineTempFolder, u"ACR");
}

bool FileExistsAnsiOrWide(const AnsiString& fileName, const WideString& wideFileName) {
  if (!wideFileName.empty()) return os::FileExists(wideFileName);
  if (!fileName.empty()) return os::FileExists(Cp1250ToUtf16(fileName));
  return false;
}

void StartStreamUnit() { EngineTempFolder = os::TempFolder(); }

// ---------------------------------------------------------------------------------------------
// TSQLMemByteView

Integer TSQLMemByteView::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ >= size_) return 0;
  const Integer n = static_cast<Integer>(std::min<Int64>(count, size_ - position_));
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

Int64 TSQLMemByteView::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}
