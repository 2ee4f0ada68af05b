// The one seam between the portable code and the operating system. Each function has a Win32 side
// (the kernel32 call named beside it, in OsSeam_win32.cpp / OsMemory_win32.cpp) and a POSIX side
// (OsSeam_posix.cpp / OsMemory_posix.cpp). Nothing else in vcl/rtl or engine/ calls the OS directly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include "vcl/rtl/SysTypes.h"

// windows.h makes DeleteFile a macro (DeleteFileW); in a file that includes both, the seam's name wins
// as long as windows.h comes first.
#ifdef DeleteFile
#undef DeleteFile
#endif

namespace os {

// ---- memory (OsMemory_*.cpp) ----
struct MemoryStatus {
  UInt64 totalPhys = 0;
  UInt64 availPhys = 0;  // GlobalMemoryStatus's dwAvailPhys / MemAvailable
};
MemoryStatus GetMemoryStatus();
void* GlobalAllocFixed(std::size_t size);            // GlobalAlloc(GMEM_FIXED); nullptr on failure
void GlobalFreeBlock(void* p) noexcept;               // GlobalFree
void* VirtualAllocCommit(std::size_t size);          // VirtualAlloc(MEM_COMMIT, PAGE_READWRITE), zero-filled; nullptr on failure
void VirtualFreeRelease(void* p, std::size_t size) noexcept;  // VirtualFree(MEM_RELEASE)

// ---- threads and time ----
using ThreadId = UInt64;
ThreadId CurrentThreadId();        // GetCurrentThreadId
void SleepMs(Cardinal ms);         // Sleep; SleepMs(0) yields the processor
Cardinal TickCount();              // GetTickCount: milliseconds, wraps after ~49.7 days
UInt64 TickCount64();

// A re-entrant lock: the owning thread may enter again (Initialize/Enter/Leave/DeleteCriticalSection).
class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter();
  void Leave();
  bool TryEnter();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- errors ----
// Error codes are Win32 codes in both trees: the POSIX side maps errno to the matching Win32 code, so
// portable callers can test for a missing file or a share conflict in one way. An errno without a Win32
// counterpart becomes kErrorFromErrno | errno (bit 29 marks application-defined codes in Win32).
inline constexpr Cardinal kErrorFileNotFound = 2;
inline constexpr Cardinal kErrorPathNotFound = 3;
inline constexpr Cardinal kErrorAccessDenied = 5;
inline constexpr Cardinal kErrorInvalidHandle = 6;
inline constexpr Cardinal kErrorSharingViolation = 32;
inline constexpr Cardinal kErrorFileExists = 80;
inline constexpr Cardinal kErrorInvalidParameter = 87;
inline constexpr Cardinal kErrorNegativeSeek = 131;
inline constexpr Cardinal kErrorDirNotEmpty = 145;
inline constexpr Cardinal kErrorAlreadyExists = 183;
inline constexpr Cardinal kErrorFromErrno = 0x20000000;

Cardinal LastError();                        // the error of the last failed call here, on this thread
AnsiString SysErrorMessage(Cardinal code);   // text of an OS error, Windows-1250, no trailing line break
// Raises EOSError "System Error.  Code: <code>.\r\n<text>" for LastError().
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(Cardinal code);

// ---- files (paths are UTF-16; on POSIX they are converted to UTF-8) ----
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

enum FileAccess : Cardinal { kAccessRead = 1, kAccessWrite = 2, kAccessReadWrite = 3 };
// Share modes as the Win32 FILE_SHARE_* bits: what other opens of the same file are allowed.
enum FileShare : Cardinal { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };
enum class FileCreation { CreateNew, CreateAlways, OpenExisting, OpenAlways, TruncateExisting };

// CreateFileW. Returns kInvalidFile and sets LastError on failure; a share conflict with another open
// handle of this process (POSIX) or of any process (Win32) is a failure (ERROR_SHARING_VIOLATION = 32).
FileHandle FileOpen(const WideString& path, Cardinal access, Cardinal share, FileCreation creation);
Int64 FileRead(FileHandle h, void* buffer, Int64 count);         // ReadFile; -1 on failure
Int64 FileWrite(FileHandle h, const void* buffer, Int64 count);  // WriteFile; -1 on failure
Int64 FileSeek(FileHandle h, Int64 offset, int origin);           // SetFilePointerEx; origin 0/1/2; -1 on failure
bool FileSetEnd(FileHandle h);                                    // SetEndOfFile at the current position
bool FileFlush(FileHandle h);
void FileClose(FileHandle h) noexcept;                            // CloseHandle

bool FileExists(const WideString& path);
bool DirectoryExists(const WideString& path);
bool CreateDir(const WideString& path);
bool RemoveDir(const WideString& path);
// DeleteFileW and MoveFileExW. As on Windows, a file that is open without kShareDelete can be neither
// deleted nor renamed (kErrorSharingViolation); renaming onto an existing name without replaceExisting
// fails with kErrorAlreadyExists.
bool DeleteFile(const WideString& path);
bool RenameFile(const WideString& from, const WideString& to, bool replaceExisting);
// Puts the file from in the place of to in one step and makes the change durable before it returns
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; rename, then fsync of the
// folders, on POSIX). A reader of to sees either the old file or the new one, never a mixture or
// nothing. The sharing rules of RenameFile apply. false with LastError when it fails: when the
// rename itself failed, both files are as they were; when only the final flush of the folder failed,
// the replacement has taken place but may not yet be on the disk.
bool ReplaceFileAtomic(const WideString& from, const WideString& to);
WideString TempFolder();                                          // GetTempPathW, ends in a separator
// GetTempFileNameW(folder, prefix, 0): creates a new empty file with a unique name and returns its path;
// empty on failure. The name is the first three characters of prefix, up to four upper-case hex digits
// and ".tmp" ("ACR1A2B.tmp"); the POSIX side makes names of the same shape.
WideString CreateTempFileName(const WideString& folder, const WideString& prefix);
WideString ExecutablePath();                                      // GetModuleFileNameW(nullptr)
WideString::value_type PathDelimiter();                           // '\\' on Windows, '/' elsewhere

// ---- locale-aware text (CompareStringW with LOCALE_USER_DEFAULT and SORT_STRINGSORT; ICU natively) ----
// The text locale is the user's default locale: on Windows LOCALE_USER_DEFAULT; natively ICU's default
// locale, which follows LC_ALL / LC_COLLATE / LANG. When that is the C or POSIX locale (no locale chosen
// at all), Hungarian is used: this is a Hungarian program, and the C locale says nothing about its letters.
int CompareText(std::u16string_view a, std::u16string_view b, bool ignoreCase);  // <0, 0, >0
// One-to-one case mapping of each character (LCMapStringW LCMAP_UPPERCASE / LCMAP_LOWERCASE; ICU's simple
// case mapping natively): the length never changes, so "ß" stays "ß" in both trees.
void UpperCaseInPlace(WideString& s);
void LowerCaseInPlace(WideString& s);
// Chooses the text locale by its BCP 47 name ("hu-HU"); an empty name returns to the user's default.
// For tests that pin the order of accented letters. False (and no change) for a name the OS does not know.
bool SetTextLocale(std::string_view bcp47Name);
std::string TextLocaleName();           // BCP 47 name of the text locale in use, e.g. "hu-HU"
// Changes with every SetTextLocale: callers that cache answers of CompareText (per-character tables)
// rebuild them when it moves.
Cardinal TextLocaleGeneration() noexcept;

// ---- one seedable random generator for the whole process ----
// xoshiro256** seeded through splitmix64: the same seed gives the same sequence in both trees. Before any
// RandSeed or Randomize the generator starts as if seeded with 0. Safe to call from any thread.
void RandSeed(UInt64 seed);
void Randomize();                       // seeds from the clock
Cardinal RandomInt(Cardinal range);     // 0 <= r < range (0 for range 0)
double RandomFloat();                   // 0 <= r < 1

}  // namespace os
