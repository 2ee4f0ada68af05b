// POSIX side of the OS seam (everything but memory). Files behave as the Win32 side does: share modes are
// enforced between the handles of this process through a registry keyed by the file's identity (device and
// inode), errors are reported as Win32 codes, and temporary names have the Win32 shape. Locale-aware text
// goes through ICU.
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace os {
namespace {

thread_local Cardinal lastError = 0;

Cardinal Win32CodeOf(int err) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EMFILE:
    case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case EXDEV: return 17;  // ERROR_NOT_SAME_DEVICE
    case EROFS: return 19;  // ERROR_WRITE_PROTECT
    case ETXTBSY: return kErrorSharingViolation;
    case EEXIST: return kErrorFileExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC: return 112;  // ERROR_DISK_FULL
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EBUSY: return 170;  // ERROR_BUSY
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case EFBIG: return 223;  // ERROR_FILE_TOO_LARGE
    case EIO: return 1117;  // ERROR_IO_DEVICE
    case ELOOP: return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    default: return kErrorFromErrno | static_cast<Cardinal>(err);
  }
}

void Fail(Cardinal code) { lastError = code; }
void FailErrno(int err) { Fail(Win32CodeOf(err)); }

// Win32 tells a missing file (2) from a missing folder on the way (3); errno says ENOENT for both.
void FailPath(int err, const std::string& path) {
  if (err == ENOENT) {
    const auto slash = path.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(kErrorPathNotFound);
  }
  FailErrno(err);
}

std::string NativePath(const WideString& path) { return Utf16ToUtf8(path); }

// ---- share modes between the handles of this process ----

struct OpenFile {
  dev_t dev;
  ino_t ino;
  Cardinal access;
  Cardinal share;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<int, OpenFile> files;  // by descriptor
};

Registry& Files() {
  static Registry r;
  return r;
}

// The Win32 rule: a new open must allow what every existing handle does, and every existing handle must
// allow what the new open asks for. A handle without read or write access (attributes only) takes no part.
bool ShareConflict(const OpenFile& open, Cardinal access, Cardinal share) {
  if (access == 0 || open.access == 0) return false;
  return ((access & kAccessRead) && !(open.share & kShareRead)) ||
         ((access & kAccessWrite) && !(open.share & kShareWrite)) ||
         ((open.access & kAccessRead) && !(share & kShareRead)) ||
         ((open.access & kAccessWrite) && !(share & kShareWrite));
}

// Called with the registry locked: whether some handle of the file keeps it from being deleted or renamed.
bool DeleteBlocked(const Registry& r, const struct stat& st) {
  for (const auto& [fd, f] : r.files)
    if (f.dev == st.st_dev && f.ino == st.st_ino && f.access != 0 && !(f.share & kShareDelete)) return true;
  return false;
}

// What the registry knows of a descriptor: true with its access bits, or false for a descriptor that was
// not opened here (a handle the caller got elsewhere is used as it is).
bool RegisteredAccess(int fd, Cardinal& access) {
  Registry& r = Files();
  std::lock_guard lock(r.mutex);
  const auto it = r.files.find(fd);
  if (it == r.files.end()) return false;
  access = it->second.access;
  return true;
}

bool ToDescriptor(FileHandle h, int& fd) {
  if (h < 0 || h > INT32_MAX) {
    Fail(kErrorInvalidHandle);
    return false;
  }
  fd = static_cast<int>(h);
  return true;
}

// Checks the access a handle was opened with before reading, writing or cutting through it.
bool CheckAccess(int fd, Cardinal needed) {
  Cardinal access = 0;
  if (RegisteredAccess(fd, access) && (access & needed) != needed) {
    Fail(kErrorAccessDenied);
    return false;
  }
  return true;
}

constexpr Int64 kMaxChunk = 1 << 30;

// ---- text locale (ICU) ----

struct Collators {
  std::string name;  // BCP 47
  UCollator* caseSensitive = nullptr;
  UCollator* ignoreCase = nullptr;
  Collators() = default;
  Collators(const Collators&) = delete;
  Collators& operator=(const Collators&) = delete;
  ~Collators() {
    if (caseSensitive) ucol_close(caseSensitive);
    if (ignoreCase) ucol_close(ignoreCase);
  }
};

// The locale that the environment chooses for collation (LC_ALL, then LC_COLLATE, then LANG), as an ICU
// locale id; Hungarian when the environment names none or the C/POSIX locale.
std::string EnvironmentLocale() {
  const char* value = nullptr;
  for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    value = std::getenv(var);
    if (value && *value) break;
    value = nullptr;
  }
  std::string id = value ? value : "";
  id = id.substr(0, id.find_first_of(".@"));  // drop the code set and the modifier
  if (id.empty() || id == "C" || id == "POSIX") return "hu_HU";
  return id;
}

bool LanguageKnown(const char* icuId) {
  char language[ULOC_LANG_CAPACITY] = {};
  UErrorCode err = U_ZERO_ERROR;
  uloc_getLanguage(icuId, language, sizeof language, &err);
  if (U_FAILURE(err) || !*language) return false;
  for (int32_t i = 0, n = uloc_countAvailable(); i < n; ++i) {
    char other[ULOC_LANG_CAPACITY] = {};
    UErrorCode e = U_ZERO_ERROR;
    uloc_getLanguage(uloc_getAvailable(i), other, sizeof other, &e);
    if (U_SUCCESS(e) && std::strcmp(language, other) == 0) return true;
  }
  return false;
}

std::shared_ptr<const Collators> MakeCollators(const std::string& icuId) {
  if (!LanguageKnown(icuId.c_str())) return nullptr;
  auto c = std::make_shared<Collators>();
  UErrorCode err = U_ZERO_ERROR;
  c->caseSensitive = ucol_open(icuId.c_str(), &err);
  if (U_FAILURE(err)) return nullptr;
  c->ignoreCase = ucol_open(icuId.c_str(), &err);
  if (U_FAILURE(err)) return nullptr;
  // Letters that differ only in case are equal at secondary strength; accents still count (NORM_IGNORECASE).
  // Punctuation is not ignored (SORT_STRINGSORT), which is ICU's default "non-ignorable" handling.
  ucol_setStrength(c->caseSensitive, UCOL_TERTIARY);
  ucol_setStrength(c->ignoreCase, UCOL_SECONDARY);
  ucol_setAttribute(c->caseSensitive, UCOL_NORMALIZATION_MODE, UCOL_ON, &err);
  ucol_setAttribute(c->ignoreCase, UCOL_NORMALIZATION_MODE, UCOL_ON, &err);
  if (U_FAILURE(err)) return nullptr;
  char tag[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode tagErr = U_ZERO_ERROR;
  uloc_toLanguageTag(icuId.c_str(), tag, sizeof tag, true, &tagErr);
  c->name = U_SUCCESS(tagErr) ? tag : icuId;
  return c;
}

struct TextLocaleState {
  std::mutex mutex;
  std::shared_ptr<const Collators> current;
};

TextLocaleState& TextLocale() {
  static TextLocaleState s;
  return s;
}

std::shared_ptr<const Collators> DefaultCollators() {
  auto c = MakeCollators(EnvironmentLocale());
  return c ? c : MakeCollators("hu_HU");
}

std::atomic<Cardinal> textLocaleGeneration{0};

std::shared_ptr<const Collators> CurrentCollators() {
  TextLocaleState& s = TextLocale();
  std::lock_guard lock(s.mutex);
  if (!s.current) s.current = DefaultCollators();
  if (!s.current) throw Exception("The text collation of ICU is not available");
  return s.current;
}

// The collators of the current locale as this thread last saw them: a compare takes no lock and
// touches no shared reference count. ICU's compare functions may share one collator between threads;
// the thread's reference keeps the collators alive after a locale change until its next compare.
const Collators& ThreadCollators() {
  thread_local std::shared_ptr<const Collators> cached;
  thread_local Cardinal cachedGeneration = 0;
  const Cardinal generation = textLocaleGeneration.load(std::memory_order_acquire);
  if (!cached || cachedGeneration != generation) {
    cached = CurrentCollators();
    cachedGeneration = generation;
  }
  return *cached;
}

template <typename Map>
void MapCase(WideString& s, Map map) {
  const int32_t length = CheckedCast<int32_t>(s.size());
  UChar* text = reinterpret_cast<UChar*>(s.data());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U16_NEXT(text, i, length, c);
    const UChar32 mapped = map(c);
    // Simple case mapping keeps BMP characters in the BMP; should it ever not, the character stays.
    if (U16_LENGTH(mapped) != i - start) continue;
    int32_t at = start;
    U16_APPEND_UNSAFE(text, at, mapped);  // same length as the character it replaces
  }
}

std::atomic<Cardinal> lastTempUnique{0};

}  // namespace

// ---- threads and time ----

// gettid is a system call on every use and the engine's locks ask for the caller's id on every entry:
// each thread asks once. (A forked child would inherit its parent's cached id; nothing here forks
// without exec.)
ThreadId CurrentThreadId() {
  thread_local const ThreadId id = static_cast<ThreadId>(::gettid());
  return id;
}

void SleepMs(Cardinal ms) {
  if (ms == 0) {
    ::sched_yield();
    return;
  }
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

UInt64 TickCount64() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<UInt64>(ts.tv_sec) * 1000u + static_cast<UInt64>(ts.tv_nsec) / 1000000u;
}

Cardinal TickCount() { return static_cast<Cardinal>(TickCount64()); }

struct CriticalSection::Impl {
  std::recursive_mutex mutex;
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;
void CriticalSection::Enter() { impl_->mutex.lock(); }
void CriticalSection::Leave() { impl_->mutex.unlock(); }
bool CriticalSection::TryEnter() { return impl_->mutex.try_lock(); }

// ---- errors ----

Cardinal LastError() { return lastError; }

AnsiString SysErrorMessage(Cardinal code) {
  if (code & kErrorFromErrno) {
    char buffer[256];
    return Utf8ToCp1250(::strerror_r(static_cast<int>(code & ~kErrorFromErrno), buffer, sizeof buffer));
  }
  // The texts Windows gives for the codes the mapping above produces.
  switch (code) {
    case 0: return "The operation completed successfully.";
    case 2: return "The system cannot find the file specified.";
    case 3: return "The system cannot find the path specified.";
    case 4: return "The system cannot open the file.";
    case 5: return "Access is denied.";
    case 6: return "The handle is invalid.";
    case 8: return "Not enough memory resources are available to process this command.";
    case 17: return "The system cannot move the file to a different disk drive.";
    case 19: return "The media is write protected.";
    case 32: return "The process cannot access the file because it is being used by another process.";
    case 80: return "The file exists.";
    case 87: return "The parameter is incorrect.";
    case 112: return "There is not enough space on the disk.";
    case 131: return "An attempt was made to move the file pointer before the beginning of the file.";
    case 145: return "The directory is not empty.";
    case 170: return "The requested resource is in use.";
    case 183: return "Cannot create a file when that file already exists.";
    case 206: return "The filename or extension is too long.";
    case 223: return "The file size exceeds the limit allowed and cannot be saved.";
    case 1117: return "The request could not be performed because of an I/O device error.";
    case 1921: return "The name of the file cannot be resolved by the system.";
    default: return "";
  }
}

// ---- files ----

FileHandle FileOpen(const WideString& path, Cardinal access, Cardinal share, FileCreation creation) {
  if (access > kAccessReadWrite || share > (kShareRead | kShareWrite | kShareDelete)) {
    Fail(kErrorInvalidParameter);
    return kInvalidFile;
  }
  const bool truncate = creation == FileCreation::CreateAlways || creation == FileCreation::TruncateExisting;
  if (creation == FileCreation::TruncateExisting && !(access & kAccessWrite)) {
    Fail(kErrorInvalidParameter);
    return kInvalidFile;
  }
  // Cutting an existing file needs a writable descriptor, whatever the caller asked for; the registry
  // still refuses writes through a handle opened for reading only.
  int flags = O_CLOEXEC;
  const Cardinal fdAccess = truncate ? kAccessReadWrite : access;
  flags |= fdAccess == kAccessReadWrite ? O_RDWR : fdAccess == kAccessWrite ? O_WRONLY : O_RDONLY;
  switch (creation) {
    case FileCreation::CreateNew: flags |= O_CREAT | O_EXCL; break;
    case FileCreation::CreateAlways:
    case FileCreation::OpenAlways: flags |= O_CREAT; break;
    case FileCreation::OpenExisting:
    case FileCreation::TruncateExisting: break;
  }
  const std::string native = NativePath(path);
  Registry& r = Files();
  std::lock_guard lock(r.mutex);
  int fd;
  do fd = ::open(native.c_str(), flags, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    FailPath(errno, native);
    return kInvalidFile;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    FailErrno(err);
    return kInvalidFile;
  }
  if (S_ISDIR(st.st_mode)) {  // CreateFileW refuses a folder without backup semantics
    ::close(fd);
    Fail(kErrorAccessDenied);
    return kInvalidFile;
  }
  const Cardinal effective = access | (truncate ? Cardinal{kAccessWrite} : 0u);
  for (const auto& [other, f] : r.files) {
    if (f.dev == st.st_dev && f.ino == st.st_ino && ShareConflict(f, effective, share)) {
      ::close(fd);
      Fail(kErrorSharingViolation);
      return kInvalidFile;
    }
  }
  if (truncate && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    FailErrno(err);
    return kInvalidFile;
  }
  r.files[fd] = OpenFile{st.st_dev, st.st_ino, access, share};
  return fd;
}

Int64 FileRead(FileHandle h, void* buffer, Int64 count) {
  int fd;
  if (!ToDescriptor(h, fd)) return -1;
  if (count < 0) {
    Fail(kErrorInvalidParameter);
    return -1;
  }
  if (!CheckAccess(fd, kAccessRead)) return -1;
  Int64 done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(fd, out + done, static_cast<size_t>(std::min(count - done, kMaxChunk)));
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno(errno);
      return done > 0 ? done : -1;
    }
    if (n == 0) break;  // end of file
    done += n;
  }
  return done;
}

Int64 FileWrite(FileHandle h, const void* buffer, Int64 count) {
  int fd;
  if (!ToDescriptor(h, fd)) return -1;
  if (count < 0) {
    Fail(kErrorInvalidParameter);
    return -1;
  }
  if (!CheckAccess(fd, kAccessWrite)) return -1;
  Int64 done = 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  while (done < count) {
    const ssize_t n = ::write(fd, in + done, static_cast<size_t>(std::min(count - done, kMaxChunk)));
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno(errno);
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

Int64 FileSeek(FileHandle h, Int64 offset, int origin) {
  int fd;
  if (!ToDescriptor(h, fd)) return -1;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (origin < 0 || origin > 2) {
    Fail(kErrorInvalidParameter);
    return -1;
  }
  const off_t result = ::lseek(fd, static_cast<off_t>(offset), kWhence[origin]);
  if (result < 0) {
    // The only EINVAL of a valid origin is a target before the start of the file.
    if (errno == EINVAL) Fail(kErrorNegativeSeek);
    else FailErrno(errno);
    return -1;
  }
  return result;
}

bool FileSetEnd(FileHandle h) {
  int fd;
  if (!ToDescriptor(h, fd) || !CheckAccess(fd, kAccessWrite)) return false;
  const off_t position = ::lseek(fd, 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(fd, position) != 0) {
    FailErrno(errno);
    return false;
  }
  return true;
}

bool FileFlush(FileHandle h) {
  int fd;
  if (!ToDescriptor(h, fd)) return false;
  if (::fsync(fd) != 0 && errno != EINVAL) {  // EINVAL: pipes and the like have nothing to flush
    FailErrno(errno);
    return false;
  }
  return true;
}

void FileClose(FileHandle h) noexcept {
  if (h < 0 || h > INT32_MAX) return;
  const int fd = static_cast<int>(h);
  Registry& r = Files();
  std::lock_guard lock(r.mutex);
  r.files.erase(fd);
  ::close(fd);
}

bool FileExists(const WideString& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const WideString& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const WideString& path) {
  const std::string native = NativePath(path);
  if (::mkdir(native.c_str(), 0777) == 0) return true;
  if (errno == EEXIST) Fail(kErrorAlreadyExists);
  else FailPath(errno, native);
  return false;
}

bool RemoveDir(const WideString& path) {
  const std::string native = NativePath(path);
  if (::rmdir(native.c_str()) == 0) return true;
  if (errno == EEXIST || errno == ENOTEMPTY) Fail(kErrorDirNotEmpty);
  else if (errno == ENOTDIR) Fail(kErrorInvalidParameter);  // RemoveDirectoryW on a file: ERROR_DIRECTORY
  else FailPath(errno, native);
  return false;
}

bool DeleteFile(const WideString& path) {
  const std::string native = NativePath(path);
  Registry& r = Files();
  std::lock_guard lock(r.mutex);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) {
    FailPath(errno, native);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    Fail(kErrorAccessDenied);
    return false;
  }
  if (DeleteBlocked(r, st)) {
    Fail(kErrorSharingViolation);
    return false;
  }
  if (::unlink(native.c_str()) != 0) {
    FailPath(errno, native);
    return false;
  }
  return true;
}

bool RenameFile(const WideString& from, const WideString& to, bool replaceExisting) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  Registry& r = Files();
  std::lock_guard lock(r.mutex);
  struct stat st;
  if (::lstat(source.c_str(), &st) != 0) {
    FailPath(errno, source);
    return false;
  }
  if (DeleteBlocked(r, st)) {
    Fail(kErrorSharingViolation);
    return false;
  }
  struct stat targetSt;
  const bool targetExists = ::lstat(target.c_str(), &targetSt) == 0;
  if (targetExists && replaceExisting && DeleteBlocked(r, targetSt)) {
    Fail(kErrorSharingViolation);
    return false;
  }
  if (targetExists && !replaceExisting) {
    Fail(kErrorAlreadyExists);
    return false;
  }
  int rc;
  if (replaceExisting) {
    rc = ::rename(source.c_str(), target.c_str());
  } else {
    // No replacing, also against a file that appears between the check above and now.
    rc = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) rc = ::rename(source.c_str(), target.c_str());
  }
  if (rc != 0) {
    if (errno == EEXIST) Fail(kErrorAlreadyExists);
    else FailPath(errno, errno == ENOENT ? target : source);
    return false;
  }
  return true;
}

namespace {

// The folder that holds path ("." for a bare name).
std::string ParentFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is durable only once the folder's entries are on the disk.
bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    FailErrno(errno);
    return false;
  }
  int rc;
  do rc = ::fsync(fd);
  while (rc != 0 && errno == EINTR);
  const int err = errno;
  ::close(fd);
  if (rc != 0 && err != EINVAL) {  // EINVAL: a file system that cannot sync folders has nothing to do
    FailErrno(err);
    return false;
  }
  return true;
}

}  // namespace

bool ReplaceFileAtomic(const WideString& from, const WideString& to) {
  // rename(2) replaces the target atomically; RenameFile adds the share checks.
  if (!RenameFile(from, to, true)) return false;
  const std::string targetFolder = ParentFolder(NativePath(to));
  const std::string sourceFolder = ParentFolder(NativePath(from));
  if (!SyncFolder(targetFolder)) return false;
  return sourceFolder == targetFolder || SyncFolder(sourceFolder);
}

WideString TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return Utf8ToUtf16(folder);
}

WideString CreateTempFileName(const WideString& folder, const WideString& prefix) {
  std::string base = NativePath(folder);
  if (!base.empty() && base.back() != '/') base += '/';
  base += NativePath(prefix.substr(0, 3));
  // Like GetTempFileNameW: start from the clock, count up through the 65535 four-digit hex numbers.
  Cardinal unique = lastTempUnique.load();
  if (unique == 0) unique = TickCount() ^ static_cast<Cardinal>(::getpid());
  for (Cardinal tries = 0; tries < 0xFFFF; ++tries) {
    unique = (unique + 1) & 0xFFFF;
    if (unique == 0) unique = 1;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(unique));
    const std::string name = base + hex + ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      lastTempUnique.store(unique);
      return Utf8ToUtf16(name);
    }
    if (errno != EEXIST) {
      FailPath(errno, name);
      return {};
    }
  }
  Fail(kErrorFileExists);
  return {};
}

WideString ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      FailErrno(errno);
      return {};
    }
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return Utf8ToUtf16(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

WideString::value_type PathDelimiter() { return u'/'; }

// ---- locale-aware text ----

int CompareText(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  const Collators& c = ThreadCollators();
  const UCollationResult r =
      ucol_strcoll(ignoreCase ? c.ignoreCase : c.caseSensitive, reinterpret_cast<const UChar*>(a.data()),
                   CheckedCast<int32_t>(a.size()), reinterpret_cast<const UChar*>(b.data()),
                   CheckedCast<int32_t>(b.size()));
  return r == UCOL_LESS ? -1 : r == UCOL_EQUAL ? 0 : 1;
}

void UpperCaseInPlace(WideString& s) { MapCase(s, [](UChar32 c) { return u_toupper(c); }); }

void LowerCaseInPlace(WideString& s) { MapCase(s, [](UChar32 c) { return u_tolower(c); }); }

bool SetTextLocale(std::string_view bcp47Name) {
  std::shared_ptr<const Collators> next;
  if (bcp47Name.empty()) {
    next = DefaultCollators();
  } else {
    char id[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode err = U_ZERO_ERROR;
    const std::string tag(bcp47Name);
    int32_t parsed = 0;
    uloc_forLanguageTag(tag.c_str(), id, sizeof id, &parsed, &err);
    if (U_FAILURE(err) || parsed != static_cast<int32_t>(tag.size())) return false;
    next = MakeCollators(id);
  }
  if (!next) return false;
  TextLocaleState& s = TextLocale();
  std::lock_guard lock(s.mutex);
  s.current = std::move(next);
  textLocaleGeneration.fetch_add(1, std::memory_order_acq_rel);
  return true;
}

Cardinal TextLocaleGeneration() noexcept { return textLocaleGeneration.load(std::memory_order_acquire); }

std::string TextLocaleName() { return CurrentCollators()->name; }

}  // namespace os
