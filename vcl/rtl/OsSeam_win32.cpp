// Win32 side of the OS seam (everything but memory): thin calls of kernel32. Text crosses as UTF-16
// (the W functions), so names and letters outside the system's ANSI code page survive.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace os {
namespace {

thread_local Cardinal lastError = 0;

void Fail(Cardinal code) { lastError = code; }
void FailLast() { Fail(::GetLastError()); }

const wchar_t* W(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
wchar_t* W(WideString& s) { return reinterpret_cast<wchar_t*>(s.data()); }

HANDLE H(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

constexpr Int64 kMaxChunk = 1 << 30;

// The locale of CompareText and the case mapping: the user's default unless a test chose another.
std::atomic<LCID> textLocale{LOCALE_USER_DEFAULT};
std::atomic<Cardinal> textLocaleGeneration{0};

}  // namespace

// ---- threads and time ----

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }
void SleepMs(Cardinal ms) { ::Sleep(ms); }
Cardinal TickCount() { return ::GetTickCount(); }
UInt64 TickCount64() { return ::GetTickCount64(); }

struct CriticalSection::Impl {
  CRITICAL_SECTION section;
  Impl() { ::InitializeCriticalSection(&section); }
  ~Impl() { ::DeleteCriticalSection(&section); }
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;
void CriticalSection::Enter() { ::EnterCriticalSection(&impl_->section); }
void CriticalSection::Leave() { ::LeaveCriticalSection(&impl_->section); }
bool CriticalSection::TryEnter() { return ::TryEnterCriticalSection(&impl_->section) != FALSE; }

// ---- errors ----

Cardinal LastError() { return lastError; }

AnsiString SysErrorMessage(Cardinal code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || !text) return {};
  WideString message(reinterpret_cast<const char16_t*>(text), n);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' '))
    message.pop_back();
  return Utf16ToCp1250(message);
}

// ---- files ----

FileHandle FileOpen(const WideString& path, Cardinal access, Cardinal share, FileCreation creation) {
  if (access > kAccessReadWrite || share > (kShareRead | kShareWrite | kShareDelete)) {
    Fail(ERROR_INVALID_PARAMETER);
    return kInvalidFile;
  }
  DWORD desired = 0;
  if (access & kAccessRead) desired |= GENERIC_READ;
  if (access & kAccessWrite) desired |= GENERIC_WRITE;
  DWORD shareMode = 0;
  if (share & kShareRead) shareMode |= FILE_SHARE_READ;
  if (share & kShareWrite) shareMode |= FILE_SHARE_WRITE;
  if (share & kShareDelete) shareMode |= FILE_SHARE_DELETE;
  DWORD disposition = OPEN_EXISTING;
  switch (creation) {
    case FileCreation::CreateNew: disposition = CREATE_NEW; break;
    case FileCreation::CreateAlways: disposition = CREATE_ALWAYS; break;
    case FileCreation::OpenExisting: disposition = OPEN_EXISTING; break;
    case FileCreation::OpenAlways: disposition = OPEN_ALWAYS; break;
    case FileCreation::TruncateExisting: disposition = TRUNCATE_EXISTING; break;
  }
  const HANDLE h =
      ::CreateFileW(W(path), desired, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    FailLast();
    return kInvalidFile;
  }
  return reinterpret_cast<FileHandle>(h);
}

Int64 FileRead(FileHandle h, void* buffer, Int64 count) {
  if (count < 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  Int64 done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < count) {
    DWORD n = 0;
    if (!::ReadFile(H(h), out + done, static_cast<DWORD>(std::min(count - done, kMaxChunk)), &n, nullptr)) {
      FailLast();
      return done > 0 ? done : -1;
    }
    if (n == 0) break;  // end of file
    done += n;
  }
  return done;
}

Int64 FileWrite(FileHandle h, const void* buffer, Int64 count) {
  if (count < 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  Int64 done = 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  while (done < count) {
    DWORD n = 0;
    if (!::WriteFile(H(h), in + done, static_cast<DWORD>(std::min(count - done, kMaxChunk)), &n, nullptr)) {
      FailLast();
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

Int64 FileSeek(FileHandle h, Int64 offset, int origin) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (origin < 0 || origin > 2) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(H(h), distance, &result, kMethod[origin])) {
    FailLast();
    return -1;
  }
  return result.QuadPart;
}

bool FileSetEnd(FileHandle h) {
  if (::SetEndOfFile(H(h))) return true;
  FailLast();
  return false;
}

bool FileFlush(FileHandle h) {
  if (::FlushFileBuffers(H(h))) return true;
  FailLast();
  return false;
}

void FileClose(FileHandle h) noexcept {
  if (h != kInvalidFile) ::CloseHandle(H(h));
}

bool FileExists(const WideString& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const WideString& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const WideString& path) {
  if (::CreateDirectoryW(W(path), nullptr)) return true;
  FailLast();
  return false;
}

bool RemoveDir(const WideString& path) {
  if (::RemoveDirectoryW(W(path))) return true;
  FailLast();
  return false;
}

bool DeleteFile(const WideString& path) {
  if (::DeleteFileW(W(path))) return true;
  FailLast();
  return false;
}

bool RenameFile(const WideString& from, const WideString& to, bool replaceExisting) {
  if (::MoveFileExW(W(from), W(to), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
  FailLast();
  return false;
}

bool ReplaceFileAtomic(const WideString& from, const WideString& to) {
  // Write-through: the call returns only once the move is on the disk.
  if (::MoveFileExW(W(from), W(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  FailLast();
  return false;
}

WideString TempFolder() {
  WideString buffer(MAX_PATH + 1, u'\0');
  DWORD n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), W(buffer));
  if (n > buffer.size()) {  // too small: n is the size needed, terminator included
    buffer.assign(n, u'\0');
    n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), W(buffer));
  }
  if (n == 0 || n > buffer.size()) {
    FailLast();
    return {};
  }
  buffer.resize(n);
  return buffer;
}

WideString CreateTempFileName(const WideString& folder, const WideString& prefix) {
  WideString buffer(MAX_PATH + 1, u'\0');
  if (::GetTempFileNameW(W(folder), W(prefix), 0, W(buffer)) == 0) {
    FailLast();
    return {};
  }
  buffer.resize(buffer.find(u'\0'));
  return buffer;
}

WideString ExecutablePath() {
  WideString buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, W(buffer), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      FailLast();
      return {};
    }
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);  // truncated
  }
}

WideString::value_type PathDelimiter() { return u'\\'; }

// ---- locale-aware text ----

int CompareText(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  const DWORD flags = SORT_STRINGSORT | (ignoreCase ? NORM_IGNORECASE : 0);
  const int r = ::CompareStringW(textLocale.load(), flags, reinterpret_cast<const wchar_t*>(a.data()),
                                 CheckedCast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                                 CheckedCast<int>(b.size()));
  if (r == 0) {  // only for arguments we never pass
    FailLast();
    RaiseLastOSError();
  }
  return r - CSTR_EQUAL;
}

namespace {
void MapCase(WideString& s, DWORD flag) {
  if (s.empty()) return;
  const int length = CheckedCast<int>(s.size());
  // LCMAP_UPPERCASE / LCMAP_LOWERCASE map one UTF-16 unit to one, so the text is mapped where it lies.
  WideString mapped(s.size(), u'\0');
  const int n = ::LCMapStringW(textLocale.load(), flag, W(s), length, W(mapped), length);
  if (n == length) s.swap(mapped);
}
}  // namespace

void UpperCaseInPlace(WideString& s) { MapCase(s, LCMAP_UPPERCASE); }
void LowerCaseInPlace(WideString& s) { MapCase(s, LCMAP_LOWERCASE); }

bool SetTextLocale(std::string_view bcp47Name) {
  if (bcp47Name.empty()) {
    textLocale.store(LOCALE_USER_DEFAULT);
    textLocaleGeneration.fetch_add(1);
    return true;
  }
  const WideString name = Utf8ToUtf16(bcp47Name);
  const LCID lcid = ::LocaleNameToLCID(W(name), 0);
  if (lcid == 0) return false;
  textLocale.store(lcid);
  textLocaleGeneration.fetch_add(1);
  return true;
}

Cardinal TextLocaleGeneration() noexcept { return textLocaleGeneration.load(); }

std::string TextLocaleName() {
  LCID lcid = textLocale.load();
  if (lcid == LOCALE_USER_DEFAULT) lcid = ::GetUserDefaultLCID();
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return {};
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(name));
}

}  // namespace os
