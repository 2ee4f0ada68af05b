#include "engine/dataset/SQLMemDataFile.h"

#include <utility>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/OsSeam.h"

namespace {

constexpr char kCannotFlushFile[] = "Cannot write file. FileName = %s, Error = %s";
constexpr char kCannotReplaceFile[] = "Cannot replace file. FileName = %s, Error = %s";

TSQLMemFileWriteWrapper& WriteWrapper() {
  static TSQLMemFileWriteWrapper wrapper;
  return wrapper;
}

TSQLMemFileReplacer& Replacer() {
  static TSQLMemFileReplacer replacer;
  return replacer;
}

// The temporary file: created empty with no sharing, so nothing else reads a half-written file, and
// deleted again unless it has become the data file.
class TReplacementFile : public TStream {
 public:
  TReplacementFile(const WideString& path, const AnsiString& nameForMessage) : path_(path) {
    handle_ = os::FileOpen(path, os::kAccessReadWrite, os::kShareNone, os::FileCreation::CreateAlways);
    if (handle_ == os::kInvalidFile) SQLMemError(10104, SQLMemCannotCreateFile, {nameForMessage});
  }
  ~TReplacementFile() override {
    Close();
    if (!kept_) os::DeleteFile(path_);
  }

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override {
    if (count <= 0) return 0;
    const Int64 n = os::FileRead(handle_, buffer, count);
    return n < 0 ? 0 : static_cast<Integer>(n);
  }
  // A failed write reports what it wrote, so that the writer's checked writes raise, and keeps the
  // system's reason (a full disk, say) for the error the save then reports.
  Integer Write(const void* buffer, Integer count) override {
    Int64 done = 0;
    while (done < count) {
      const Int64 n = os::FileWrite(handle_, static_cast<const Byte*>(buffer) + done, count - done);
      if (n <= 0) {
        if (n < 0) writeError_ = os::LastError();
        break;
      }
      done += n;
    }
    return static_cast<Integer>(done);
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    return os::FileSeek(handle_, offset, static_cast<int>(origin));
  }
  void SetSize(Int64 newSize) override {
    const Int64 position = os::FileSeek(handle_, 0, 1);
    if (position < 0 || os::FileSeek(handle_, newSize, 0) < 0 || !os::FileSetEnd(handle_)) os::RaiseLastOSError();
    if (os::FileSeek(handle_, newSize < position ? newSize : position, 0) < 0) os::RaiseLastOSError();
  }

  // Puts the content on the disk and closes the file; raises 20110 when the disk refuses.
  void Flush(const AnsiString& nameForMessage) {
    if (!os::FileFlush(handle_)) {
      const Cardinal error = os::LastError();
      SQLMemError(20110, kCannotFlushFile, {nameForMessage, os::SysErrorMessage(error)});
    }
    Close();
  }
  // From here on the file is the data file (or gone): the destructor leaves it alone.
  void Keep() { kept_ = true; }
  // Raises 20110 with the system's reason when a write to the file failed; nothing otherwise.
  void RaiseWriteError(const AnsiString& nameForMessage) const {
    if (writeError_ != 0) SQLMemError(20110, kCannotFlushFile, {nameForMessage, os::SysErrorMessage(writeError_)});
  }

 private:
  void Close() noexcept {
    if (handle_ != os::kInvalidFile) os::FileClose(handle_);
    handle_ = os::kInvalidFile;
  }

  WideString path_;
  os::FileHandle handle_ = os::kInvalidFile;
  bool kept_ = false;
  Cardinal writeError_ = 0;
};

}  // namespace

WideString ReplacementFileName(const WideString& path) { return path + u".tmp"; }

void WriteFileReplacing(const WideString& path, const AnsiString& nameForMessage,
                        const std::function<void(TStream& stream)>& write) {
  // No name would make the temporary file ".tmp" in the working folder: refused as the engine refuses
  // to create a file without a name.
  if (path.empty()) SQLMemError(10104, SQLMemCannotCreateFile, {nameForMessage});
  const WideString temporary = ReplacementFileName(path);
  TReplacementFile file(temporary, nameForMessage);
  try {
    if (const TSQLMemFileWriteWrapper& wrapper = WriteWrapper()) {
      const std::unique_ptr<TStream> wrapped = wrapper(file);
      write(*wrapped);
    } else {
      write(file);
    }
  } catch (...) {
    // The writer reports a short write; the system knows why it was short.
    file.RaiseWriteError(nameForMessage);
    throw;
  }
  // Flushed before the rename: after a crash the name must never point at content still in a cache.
  file.Flush(nameForMessage);
  const TSQLMemFileReplacer& replacer = Replacer();
  if (!(replacer ? replacer(temporary, path) : os::ReplaceFileAtomic(temporary, path))) {
    const Cardinal error = os::LastError();
    // The rename may have taken place with only the flush of the folder failing after it: the file is
    // then replaced (and must not be deleted), but the disk has not confirmed it.
    if (!os::FileExists(temporary) && os::FileExists(path)) {
      file.Keep();
      SQLMemError(20110, kCannotFlushFile, {nameForMessage, os::SysErrorMessage(error)});
    }
    SQLMemError(20111, kCannotReplaceFile, {nameForMessage, os::SysErrorMessage(error)});
  }
  file.Keep();
}

void SetFileWriteWrapper(TSQLMemFileWriteWrapper wrapper) { WriteWrapper() = std::move(wrapper); }

void SetFileReplacer(TSQLMemFileReplacer replacer) { Replacer() = std::move(replacer); }
