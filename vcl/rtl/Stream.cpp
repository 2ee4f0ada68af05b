#include "vcl/rtl/Stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr const char* kReadError = "Stream read error";
constexpr const char* kWriteError = "Stream write error";
constexpr Int64 kCopyPiece = 64 * 1024;
constexpr Int64 kMemoryDelta = 8 * 1024;  // internal growth of a memory stream rounds up to this

Integer PieceOf(Int64 remaining, Int64 limit) {
  return static_cast<Integer>(std::min(remaining, limit));
}

// How many of count bytes a stream of the given size can give from position.
Integer Available(Int64 position, Int64 size, Integer count) {
  if (count <= 0 || position < 0 || position >= size) return 0;
  return static_cast<Integer>(std::min<Int64>(count, size - position));
}

}  // namespace

// ---- TStream ----

Integer TStream::Seek(Integer offset, Word origin) {
  const Int64 result = Seek(static_cast<Int64>(offset), origin);
  return CheckedCast<Integer>(result);
}

Int64 TStream::Seek(Int64 offset, Word origin) {
  if (origin > soFromEnd) throw EStreamError(Format("Invalid seek origin %d", {origin}));
  return Seek(offset, static_cast<TSeekOrigin>(origin));
}

void TStream::SetSize(Int64) { throw EStreamError("Stream size cannot be changed"); }

void TStream::SetSize(Integer newSize) { SetSize(static_cast<Int64>(newSize)); }

Int64 TStream::GetSize() {
  const Int64 position = Seek(Int64{0}, soCurrent);
  const Int64 size = Seek(Int64{0}, soEnd);
  Seek(position, soBeginning);
  return size;
}

Int64 TStream::GetPosition() { return Seek(Int64{0}, soCurrent); }

void TStream::SetPosition(Int64 position) { Seek(position, soBeginning); }

void TStream::ReadBuffer(void* buffer, Integer count) {
  if (count < 0) throw EReadError(kReadError);
  auto* out = static_cast<Byte*>(buffer);
  Integer done = 0;
  while (done < count) {
    const Integer n = Read(out + done, count - done);
    if (n <= 0 || n > count - done) throw EReadError(kReadError);
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, Integer count) {
  if (count < 0) throw EWriteError(kWriteError);
  const auto* in = static_cast<const Byte*>(buffer);
  Integer done = 0;
  while (done < count) {
    const Integer n = Write(in + done, count - done);
    if (n <= 0 || n > count - done) throw EWriteError(kWriteError);
    done += n;
  }
}

void TStream::ReadBuffer64(void* buffer, Int64 count) {
  if (count < 0) throw EReadError(kReadError);
  auto* out = static_cast<Byte*>(buffer);
  for (Int64 done = 0; done < count;) {
    const Integer n = PieceOf(count - done, std::numeric_limits<Integer>::max());
    ReadBuffer(out + done, n);
    done += n;
  }
}

void TStream::WriteBuffer64(const void* buffer, Int64 count) {
  if (count < 0) throw EWriteError(kWriteError);
  const auto* in = static_cast<const Byte*>(buffer);
  for (Int64 done = 0; done < count;) {
    const Integer n = PieceOf(count - done, std::numeric_limits<Integer>::max());
    WriteBuffer(in + done, n);
    done += n;
  }
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
  if (count < 0) RaiseRangeError();
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  std::vector<Byte> buffer(static_cast<size_t>(std::min(count, kCopyPiece)));
  for (Int64 done = 0; done < count;) {
    const Integer n = PieceOf(count - done, kCopyPiece);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    done += n;
  }
  return count;
}

Int64 TStream::SeekTarget(Int64 offset, TSeekOrigin origin, Int64 position, Int64 size) {
  switch (origin) {
    case TSeekOrigin::soBeginning: return offset;
    case TSeekOrigin::soCurrent: return CheckedAdd(position, offset);
    case TSeekOrigin::soEnd: return CheckedAdd(size, offset);
  }
  throw EStreamError(Format("Invalid seek origin %d", {static_cast<Word>(origin)}));
}

// ---- TMemoryStream ----

void TMemoryStream::FreeBlock::operator()(Byte* p) const noexcept { std::free(p); }

TMemoryStream::~TMemoryStream() = default;

Integer TMemoryStream::Read(void* buffer, Integer count) {
  const Integer n = Available(position_, size_, count);
  if (n == 0) return 0;
  std::memcpy(buffer, memory_.get() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Integer TMemoryStream::Write(const void* buffer, Integer count) {
  if (count <= 0 || position_ < 0) return 0;
  const Int64 end = CheckedAdd<Int64>(position_, count);
  if (end > capacity_) Grow(end);
  std::memcpy(memory_.get() + position_, buffer, static_cast<size_t>(count));
  size_ = std::max(size_, end);
  position_ = end;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TMemoryStream::SetSize(Int64 newSize) {
  if (newSize < 0) RaiseRangeError();
  if (newSize > capacity_) {
    Grow(newSize);
  } else if (newSize < size_) {
    // Bytes cut off read as zero if the stream grows again within its capacity.
    std::memset(memory_.get() + newSize, 0, static_cast<size_t>(size_ - newSize));
    // Give memory back when at least one growth step would be freed.
    const Int64 rounded = (newSize + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
    if (capacity_ - rounded >= kMemoryDelta) SetCapacity(rounded);
  }
  size_ = newSize;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::SetCapacity(Int64 newCapacity) {
  if (newCapacity < 0) RaiseRangeError();
  if (newCapacity == capacity_) return;
  if (newCapacity == 0) {
    memory_.reset();
  } else {
    if (static_cast<UInt64>(newCapacity) > std::numeric_limits<size_t>::max()) throw EOutOfMemory("Out of memory");
    void* p = std::realloc(memory_.get(), static_cast<size_t>(newCapacity));
    if (!p) throw EOutOfMemory("Out of memory");
    (void)memory_.release();
    memory_.reset(static_cast<Byte*>(p));
    if (newCapacity > capacity_)
      std::memset(memory_.get() + capacity_, 0, static_cast<size_t>(newCapacity - capacity_));
  }
  capacity_ = newCapacity;
  if (size_ > capacity_) size_ = capacity_;
}

// Grows by half of the current capacity at least, so that a stream written piece by piece is copied
// a logarithmic number of times.
void TMemoryStream::Grow(Int64 minCapacity) {
  Int64 target = std::max(minCapacity, capacity_ + capacity_ / 2);
  if (target <= std::numeric_limits<Int64>::max() - kMemoryDelta)
    target = (target + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
  SetCapacity(target);
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  size_ = 0;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  if (&source == this) {  // the content is already in place
    position_ = 0;
    return;
  }
  source.SetPosition(0);
  const Int64 count = source.GetSize();
  SetSize(count);
  position_ = 0;
  if (count != 0) source.ReadBuffer64(memory_.get(), count);
}

void TMemoryStream::SaveToStream(TStream& dest) {
  if (size_ == 0) return;
  if (&dest == this) {  // writing may move the block that is being read: write from a copy
    const std::vector<Byte> copy(memory_.get(), memory_.get() + size_);
    WriteBuffer64(copy.data(), static_cast<Int64>(copy.size()));
    return;
  }
  dest.WriteBuffer64(memory_.get(), size_);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) { LoadFromFile(Cp1250ToUtf16(fileName)); }

void TMemoryStream::LoadFromFile(const WideString& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) { SaveToFile(Cp1250ToUtf16(fileName)); }

void TMemoryStream::SaveToFile(const WideString& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- THandleStream ----

Integer THandleStream::Read(void* buffer, Integer count) {
  if (count <= 0) return 0;
  const Int64 n = os::FileRead(handle_, buffer, count);
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Integer THandleStream::Write(const void* buffer, Integer count) {
  if (count <= 0) return 0;
  const Int64 n = os::FileWrite(handle_, buffer, count);
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Int64 THandleStream::Seek(Int64 offset, TSeekOrigin origin) {
  return os::FileSeek(handle_, offset, static_cast<int>(origin));
}

void THandleStream::SetSize(Int64 newSize) {
  if (newSize < 0) RaiseRangeError();
  const Int64 position = GetPosition();
  if (position < 0) os::RaiseLastOSError();
  if (Seek(newSize, soBeginning) != newSize || !os::FileSetEnd(handle_)) {
    const Cardinal error = os::LastError();
    Seek(position, soBeginning);
    os::RaiseOSError(error);
  }
  Seek(std::min(position, newSize), soBeginning);
}

// ---- TFileStream ----

namespace {

struct OpenArguments {
  Cardinal access;
  Cardinal share;
  bool valid;
};

// fmShareCompat shares reading and writing, as fmShareDenyNone does: the compatibility mode of old
// systems let every program at the file.
OpenArguments OpenArgumentsOf(Word mode) {
  static constexpr Cardinal kAccess[] = {os::kAccessRead, os::kAccessWrite, os::kAccessReadWrite};
  const Word access = mode & 0x000F;
  const Word share = mode & 0x00F0;
  if (access > fmOpenReadWrite || share > fmShareDenyNone || (mode & 0xFF00) != 0) return {0, 0, false};
  Cardinal shareBits = os::kShareRead | os::kShareWrite;
  if (share == fmShareExclusive) shareBits = os::kShareNone;
  if (share == fmShareDenyWrite) shareBits = os::kShareRead;
  if (share == fmShareDenyRead) shareBits = os::kShareWrite;
  return {kAccess[access], shareBits, true};
}

}  // namespace

TFileStream::TFileStream(const AnsiString& fileName, Word mode) : TFileStream(Cp1250ToUtf16(fileName), mode) {}

TFileStream::TFileStream(const WideString& fileName, Word mode)
    : THandleStream(os::kInvalidFile), fileName_(fileName) {
  if (mode == fmCreate) {
    handle_ = os::FileOpen(fileName, os::kAccessReadWrite, os::kShareNone, os::FileCreation::CreateAlways);
    if (handle_ == os::kInvalidFile)
      throw EFCreateError(Format("Cannot create file \"%s\". %s",
                                 {Utf16ToCp1250(fileName), os::SysErrorMessage(os::LastError())}));
    return;
  }
  const OpenArguments a = OpenArgumentsOf(mode);
  Cardinal error = os::kErrorInvalidParameter;
  if (a.valid) {
    handle_ = os::FileOpen(fileName, a.access, a.share, os::FileCreation::OpenExisting);
    error = os::LastError();
  }
  if (handle_ == os::kInvalidFile)
    throw EFOpenError(
        Format("Cannot open file \"%s\". %s", {Utf16ToCp1250(fileName), os::SysErrorMessage(error)}));
}

TFileStream::~TFileStream() {
  if (handle_ != os::kInvalidFile) os::FileClose(handle_);
}

// ---- TStringStream ----

Integer TStringStream::Read(void* buffer, Integer count) {
  const Integer n = Available(position_, GetSize(), count);
  if (n == 0) return 0;
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Integer TStringStream::Write(const void* buffer, Integer count) {
  if (count <= 0 || position_ < 0) return 0;
  const Int64 end = CheckedAdd<Int64>(position_, count);
  if (end > GetSize()) data_.resize(CheckedCast<size_t>(end), '\0');
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

Int64 TStringStream::Seek(Int64 offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, GetSize());
  return position_;
}

void TStringStream::SetSize(Int64 newSize) {
  if (newSize < 0) RaiseRangeError();
  data_.resize(CheckedCast<size_t>(newSize), '\0');
  if (position_ > newSize) position_ = newSize;
}

AnsiString TStringStream::ReadString(Integer count) {
  const Integer n = Available(position_, GetSize(), count);
  if (n == 0) return {};
  AnsiString result = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
  position_ += n;
  return result;
}

void TStringStream::WriteString(std::string_view s) {
  WriteBuffer64(s.data(), static_cast<Int64>(s.size()));
}
