// The one seam between the portable code and the operating system. Each function has a Win32 side
// (the kernel32 call named beside it, in OsSeam_win32.cpp / OsMemory_win32.cpp) and a POSIX side
// (OsSeam_posix.cpp / OsMemory_posix.cpp). Nothing else in vcl/rtl or engine/ calls the OS directly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include "vcl/rtl/SysTypes.h"

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
Cardinal LastError();                        // GetLastError / errno of the last failed call here
AnsiString SysErrorMessage(Cardinal code);   // text of an OS error, Windows-1250

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
bool DeleteFile(const WideString& path);                          // DeleteFileW
bool RenameFile(const WideString& from, const WideString& to, bool replaceExisting);  // MoveFileExW
WideString TempFolder();                                          // GetTempPathW, ends in a separator
// GetTempFileNameW(folder, prefix, 0): creates a new empty file with a unique name and returns its path;
// empty on failure.
WideString CreateTempFileName(const WideString& folder, const WideString& prefix);
WideString ExecutablePath();                                      // GetModuleFileNameW(nullptr)
WideString::value_type PathDelimiter();                           // '\\' on Windows, '/' elsewhere

// ---- locale-aware text (CompareStringW with LOCALE_USER_DEFAULT and SORT_STRINGSORT; ICU natively) ----
int CompareText(std::u16string_view a, std::u16string_view b, bool ignoreCase);  // <0, 0, >0
void UpperCaseInPlace(WideString& s);   // CharUpperBuffW / LCMapStringW
void LowerCaseInPlace(WideString& s);

// ---- one seedable random generator for the whole process ----
void RandSeed(UInt64 seed);
void Randomize();                       // seeds from the clock
Cardinal RandomInt(Cardinal range);     // 0 <= r < range (0 for range 0)
double RandomFloat();                   // 0 <= r < 1

}  // namespace os
