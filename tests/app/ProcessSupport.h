// Helpers of the tests that start programs: a started process that is ended when the test ends, waits
// that keep this thread's messages flowing (another process may be sending to a window here), and
// finding a process's windows. Every wait is bounded.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace apptest {

// Handles every message waiting for this thread (sent messages included).
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps messages until the condition holds; false when it still does not after `ms`.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    PumpMessages();
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

class Process {
 public:
  // Starts `exe` with the arguments after its quoted name; the process is not started when the call
  // fails (Started() false).
  Process(const std::wstring& exe, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (Running()) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return started_; }
  DWORD Id() const { return info_.dwProcessId; }
  bool Running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  // Ends the process at once, as the system does after the end of a session or a crash would.
  void Kill() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }

  // Waits (pumping messages) for the process to end; false when it is still running after `ms`.
  bool WaitForExit(DWORD ms, DWORD& exitCode) {
    if (!started_) return false;
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
      PumpMessages();
      if (!Running()) break;
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
    return GetExitCodeProcess(info_.hProcess, &exitCode) != FALSE;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// A visible top-level window of the process with that window class; nil when there is none.
inline HWND FindProcessWindow(DWORD processId, const std::wstring& className) {
  struct Search {
    DWORD processId;
    const std::wstring* className;
    HWND found;
  } search{processId, &className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (process == s->processId && IsWindowVisible(window) && *s->className == name) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// This program's file name.
inline std::wstring OwnExeName() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return path;
}

// "TOneInstance::" + the low 32 bits of the file's size, as the single-instance record of a program
// of that file is named; worked out here independently of the component.
inline std::wstring RecordNameFor(const std::wstring& exe) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &data);
  return L"TOneInstance::" + std::to_wstring(static_cast<std::int32_t>(data.nFileSizeLow));
}

// The 6-byte single-instance record as another process sees it: made or opened by name and read and
// written field by field (window handle as 32 bits, signed maximum, unsigned count).
class SharedRecord {
 public:
  // Opens the record of that name; Valid() is false when there is none.
  static SharedRecord Open(const std::wstring& name) {
    return SharedRecord(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  }
  // Makes a record of that name before any copy of the program runs (fields zero).
  static SharedRecord Create(const std::wstring& name) {
    return SharedRecord(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 6, name.c_str()));
  }
  SharedRecord(SharedRecord&& other) noexcept : mapping_(other.mapping_), view_(other.view_) {
    other.mapping_ = nullptr;
    other.view_ = nullptr;
  }
  SharedRecord& operator=(SharedRecord&&) = delete;
  ~SharedRecord() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
  }

  bool Valid() const { return view_ != nullptr; }
  std::int32_t Window() const {
    std::int32_t v;
    std::memcpy(&v, view_, 4);
    return v;
  }
  HWND WindowHandle() const { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(Window())); }
  std::int8_t Max() const { return static_cast<std::int8_t>(view_[4]); }
  std::uint8_t Count() const { return view_[5]; }
  void Set(std::int32_t window, std::int8_t max, std::uint8_t count) {
    std::memcpy(view_, &window, 4);
    view_[4] = static_cast<unsigned char>(max);
    view_[5] = count;
  }

 private:
  explicit SharedRecord(HANDLE mapping) : mapping_(mapping) {
    if (mapping_ != nullptr) view_ = static_cast<unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 6));
  }
  HANDLE mapping_;
  unsigned char* view_ = nullptr;
};

}  // namespace apptest
