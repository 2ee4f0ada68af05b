// Drives a running copy of the diary from outside, as a user would: it finds the program's windows,
// reads what they show (window texts, the status bar, the grid's scroll bar) and gives input only
// through window messages and the keyboard (SendInput). The day pick in the new-day dialog clicks the
// calendar where the calendar itself says the day is (its hit test, asked across the processes).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ProcessSupport.h"

namespace diarytest {

// With QN_DIARY_TRACE set, the driver reports its steps on stderr (to see where a run hangs).
inline void Trace(const char* step) {
  if (std::getenv("QN_DIARY_TRACE") != nullptr) std::fprintf(stderr, "diary: %s\n", step);
}

constexpr DWORD kStartMs = 30000;  // a first start under Wine may be slow
constexpr DWORD kWaitMs = 10000;

// The child windows of a window (all levels) with that window class, in Z order.
inline std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className);
inline HWND ChildOfClass(HWND parent, const std::wstring& className);  // the first one; nil when none
// A child window with that exact text (a button's caption); nil when none.
inline HWND ChildWithText(HWND parent, const std::wstring& text);
inline std::wstring WindowText(HWND window);

// UTF-16 text as UTF-8 (for failure messages).
inline std::string U8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// UTF-8 source text as UTF-16.
inline std::wstring W(const char* utf8);

// Keyboard input through the system's input queue, to the foreground window's focus.
inline void PressKey(WORD vk, std::initializer_list<WORD> modifiers = {});
inline void TypeText(const std::wstring& text);

// A copy of qnt.exe in a folder of its own (under the temporary folder), so that its Data folder
// beside it belongs to the test; the folder is removed at the end.
class DiaryFolder {
 public:
  DiaryFolder();
  ~DiaryFolder();
  DiaryFolder(const DiaryFolder&) = delete;
  DiaryFolder& operator=(const DiaryFolder&) = delete;

  const std::wstring& Folder() const { return folder_; }
  std::wstring Exe() const { return folder_ + L"\\qnt.exe"; }
  std::wstring DataFolder() const { return folder_ + L"\\Data"; }
  std::wstring DataFile() const { return DataFolder() + L"\\qnt.dat"; }
  // The names of the files in the Data folder.
  std::vector<std::wstring> DataFiles() const;

 private:
  std::wstring folder_;
};

// A running diary: started in the constructor, waited for until its main window shows; ended (closed,
// or killed when it does not close) at the end.
class Diary {
 public:
  // Starts the program; waits for its main window unless told not to (a start that shows a message
  // first).
  explicit Diary(const DiaryFolder& folder, bool waitForMain = true);
  // Waits for the main window to show; false on time-out.
  bool WaitForMain();
  ~Diary();
  Diary(const Diary&) = delete;
  Diary& operator=(const Diary&) = delete;

  apptest::Process& Process() { return process_; }
  HWND Main() const { return main_; }
  bool Started() const { return main_ != nullptr; }
  HWND Grid() const { return ChildOfClass(main_, L"TDBGrid"); }
  HWND Memo() const { return ChildOfClass(main_, L"TDBMemo"); }
  HWND StatusBar() const { return ChildOfClass(main_, L"TStatusBar"); }
  HWND ToolBar() const { return ChildOfClass(main_, L"TToolBar"); }

  // The status bar's simple text (read through a buffer in the program's memory: the status bar's
  // messages are not carried between processes).
  std::wstring Status();
  std::wstring MemoText() const { return WindowText(Memo()); }
  // The titles of all days in the grid's order, read by walking the grid from the first day with the
  // Down key (the status bar shows the current day); the grid keeps the focus and the last day.
  std::vector<std::wstring> Titles();

  // The file's bytes ("" when it cannot be read).
  static std::string ReadFile(const std::wstring& name);

  // Brings the main window to the front and gives the focus to one of its controls (a click on it).
  bool Activate();
  void ClickOn(HWND control);
  // Waits for a visible top-level window of the program with that class (a dialog); nil on time-out.
  HWND WaitForWindow(const std::wstring& className, DWORD ms = kWaitMs);
  // Waits until the condition holds (messages pumped meanwhile).
  bool WaitFor(const std::function<bool()>& condition, DWORD ms = kWaitMs);

  // Adds (or selects) a day through the new-day dialog: its calendar set to the date while the dialog
  // is hidden, Ctrl+Alt+N, OK. Returns the title the day should get (worked out here), or a text in
  // brackets saying what went wrong.
  std::wstring AddDay(int year, int month, int day);
  // Ctrl+Alt+N, a click on a day of the calendar, OK: the title of the day clicked.
  std::wstring AddDayByClick();
  // The program's new-day dialog window, shown or not.
  HWND NewDayDialog();
  // The day, month and year the new-day dialog's calendar shows as selected.
  SYSTEMTIME CalendarSelection(HWND calendar);

  // Clicks the button with that caption on a dialog of the program and waits for the dialog to go.
  bool ClickButton(HWND dialog, const std::wstring& caption);

  // Closes the main window (WM_CLOSE) and waits for the process to end; false when it did not end.
  bool Close(DWORD& exitCode);
  // Ends the program at once (no saving); the driver then leaves it alone.
  void Kill();

  // The whole text of a message box of the program (its caption, text and buttons, as Ctrl+C on it
  // copies them); "" when nothing came.
  std::wstring MessageText(HWND box);

 private:
  apptest::Process process_;
  HWND main_ = nullptr;
};

// The day's title as the diary writes it: "yyyy.mm.dd - <Hungarian weekday>", worked out here
// independently of the program.
inline std::wstring ExpectedTitle(int year, int month, int day);

// ---- implementation ----

inline std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className) {
  struct Search {
    const std::wstring* className;
    std::vector<HWND> found;
  } search{&className, {}};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (*s->className == name) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND ChildOfClass(HWND parent, const std::wstring& className) {
  const std::vector<HWND> all = ChildrenOfClass(parent, className);
  return all.empty() ? nullptr : all.front();
}

inline std::wstring WindowText(HWND window) {
  // WM_GETTEXT is marshalled between processes; GetWindowText would not ask another process's control.
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

inline HWND ChildWithText(HWND parent, const std::wstring& text) {
  struct Search {
    const std::wstring* text;
    HWND found;
  } search{&text, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (WindowText(window) == *s->text) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring W(const char* utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), n);
  text.resize(static_cast<size_t>(n - 1));
  return text;
}

inline void PressKey(WORD vk, std::initializer_list<WORD> modifiers) {
  Trace("key");
  std::vector<INPUT> inputs;
  auto key = [&inputs](WORD code, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = code;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (code == VK_RMENU || code == VK_RCONTROL) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    inputs.push_back(in);
  };
  for (WORD m : modifiers) key(m, false);
  key(vk, false);
  key(vk, true);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) key(*it, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Trace("key sent");
  apptest::WaitUntil([] { return false; }, 150);
  Trace("key done");
}

inline void TypeText(const std::wstring& text) {
  Trace("type");
  for (wchar_t c : text) {
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = c;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof(INPUT));
  }
  apptest::WaitUntil([] { return false; }, 200);
}

inline std::wstring ExpectedTitle(int year, int month, int day) {
  static const char* const kNames[] = {"Vasárnap", "Hétfő", "Kedd", "Szerda", "Csütörtök", "Péntek", "Szombat"};
  // Sakamoto's day of the week (0 = Sunday).
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = month < 3 ? year - 1 : year;
  const int dow = (y + y / 4 - y / 100 + y / 400 + t[month - 1] + day) % 7;
  wchar_t date[16];
  swprintf(date, 16, L"%04d.%02d.%02d", year, month, day);
  return std::wstring(date) + L" - " + W(kNames[dow]);
}

inline DiaryFolder::DiaryFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"qnt-diary-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
  CreateDirectoryW(folder_.c_str(), nullptr);
  std::wstring source = apptest::OwnExeName();
  const std::string program = QN_PROGRAM_EXE;
  source.assign(program.begin(), program.end());
  for (wchar_t& c : source)
    if (c == L'/') c = L'\\';
  CopyFileW(source.c_str(), Exe().c_str(), FALSE);
}

inline DiaryFolder::~DiaryFolder() {
  // Everything the program made: Data and the files in it, then the program and the folder.
  for (const std::wstring& name : DataFiles()) DeleteFileW((DataFolder() + L"\\" + name).c_str());
  RemoveDirectoryW(DataFolder().c_str());
  DeleteFileW(Exe().c_str());
  RemoveDirectoryW(folder_.c_str());
}

inline std::vector<std::wstring> DiaryFolder::DataFiles() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW((DataFolder() + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

inline Diary::Diary(const DiaryFolder& folder, bool waitForMain) : process_(folder.Exe()) {
  if (waitForMain) WaitForMain();
}

inline bool Diary::WaitForMain() {
  Trace("wait for main");
  if (!process_.Started()) return false;
  return apptest::WaitUntil(
      [&] { return (main_ = apptest::FindProcessWindow(process_.Id(), L"TfrmMain")) != nullptr; }, kStartMs);
}

inline Diary::~Diary() {
  if (process_.Running()) {
    DWORD code = 0;
    if (main_ != nullptr) Close(code);
  }
}

inline std::wstring Diary::Status() {
  HWND bar = StatusBar();
  // In simple mode part 0 answers with the simple text.
  const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0) & 0xFFFF;
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_.Id());
  void* remote = VirtualAllocEx(process, nullptr, buffer.size() * sizeof(wchar_t), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  WriteProcessMemory(process, remote, buffer.data(), buffer.size() * sizeof(wchar_t), nullptr);
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote, buffer.data(), buffer.size() * sizeof(wchar_t), nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  buffer.back() = L'\0';
  return std::wstring(buffer.data());
}

inline std::vector<std::wstring> Diary::Titles() {
  std::vector<std::wstring> titles;
  if (!Activate()) return titles;
  ClickOn(Grid());
  PressKey(VK_HOME, {VK_CONTROL});
  std::wstring current = Status();
  while (!current.empty() && titles.size() < 100) {
    titles.push_back(current);
    PressKey(VK_DOWN);
    const std::wstring next = Status();
    if (next == current) break;
    current = next;
  }
  return titles;
}

inline std::string Diary::ReadFile(const std::wstring& name) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

inline bool Diary::WaitFor(const std::function<bool()>& condition, DWORD ms) { return apptest::WaitUntil(condition, ms); }

inline bool Diary::Activate() {
  Trace("activate");
  SetForegroundWindow(main_);
  return WaitFor([&] { return GetForegroundWindow() == main_; });
}

inline void Diary::ClickOn(HWND control) {
  const LPARAM at = MAKELPARAM(4, 4);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(control, WM_LBUTTONUP, 0, at);
  apptest::WaitUntil([] { return false; }, 150);
}

inline HWND Diary::WaitForWindow(const std::wstring& className, DWORD ms) {
  Trace("wait for window");

  HWND found = nullptr;
  WaitFor([&] { return (found = apptest::FindProcessWindow(process_.Id(), className)) != nullptr; }, ms);
  return found;
}

// Sends a message whose lParam points at a structure, through a copy of the structure in the
// program's own memory (a pointer of this process means nothing there).
template <class T>
LRESULT SendWithRemoteStruct(HANDLE process, HWND window, UINT message, WPARAM wParam, T& data) {
  void* remote = VirtualAllocEx(process, nullptr, sizeof(T), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return 0;
  WriteProcessMemory(process, remote, &data, sizeof(T), nullptr);
  // A posted message first wakes the program's message loop if it idles, so that it takes the sent
  // message at once.
  PostMessageW(window, WM_NULL, 0, 0);
  const LRESULT result = SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote, &data, sizeof(T), nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return result;
}

inline SYSTEMTIME Diary::CalendarSelection(HWND calendar) {
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_.Id());
  SYSTEMTIME st{};
  SendWithRemoteStruct(process, calendar, MCM_GETCURSEL, 0, st);
  CloseHandle(process);
  return st;
}

inline HWND Diary::NewDayDialog() {
  HWND found = nullptr;
  std::pair<DWORD, HWND*> search(process_.Id(), &found);
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<std::pair<DWORD, HWND*>*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (process == search->first && std::wstring(name) == L"TfrmNew") {
          *search->second = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

inline std::wstring Diary::AddDay(int year, int month, int day) {
  Trace("add day");
  // The dialog keeps its calendar's date between showings and titles the day from it when it shows:
  // the date is set while the dialog is hidden, as if picked there the last time.
  HWND dialog = NewDayDialog();
  if (dialog == nullptr) {
    // Its window is made when it first shows: open it once and cancel it with Esc.
    if (!Activate()) return L"(main window not in front)";
    PressKey('N', {VK_CONTROL, VK_MENU});
    dialog = WaitForWindow(L"TfrmNew");
    if (dialog == nullptr) return L"(the new-day dialog did not show)";
    PressKey(VK_ESCAPE);
    if (!WaitFor([&] { return !IsWindowVisible(dialog); })) return L"(Esc did not close the new-day dialog)";
  }
  HWND calendar = ChildOfClass(dialog, L"TMonthCalendar");
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_.Id());
  SendWithRemoteStruct(process, calendar, MCM_SETCURSEL, 0, st);
  CloseHandle(process);
  if (!Activate()) return L"(main window not in front)";
  PressKey('N', {VK_CONTROL, VK_MENU});
  if (WaitForWindow(L"TfrmNew") == nullptr) return L"(the new-day dialog did not show)";
  PostMessageW(ChildWithText(dialog, L"OK"), BM_CLICK, 0, 0);
  if (!WaitFor([&] { return !IsWindowVisible(dialog); })) {
    HWND box = apptest::FindProcessWindow(process_.Id(), L"TMessageForm");
    return box != nullptr ? L"(the new-day dialog stayed, with a message: " + WindowText(box) + L")"
                          : L"(the new-day dialog stayed)";
  }
  return ExpectedTitle(year, month, day);
}

inline std::wstring Diary::AddDayByClick() {
  Trace("add day by click");
  if (!Activate()) return L"(main window not in front)";
  PressKey('N', {VK_CONTROL, VK_MENU});
  HWND dialog = WaitForWindow(L"TfrmNew");
  if (dialog == nullptr) return L"(the new-day dialog did not show)";
  HWND calendar = ChildOfClass(dialog, L"TMonthCalendar");
  // The middle of the calendar's lower half lies in its grid of days.
  RECT r{};
  GetClientRect(calendar, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + 3 * r.bottom) / 4);
  PostMessageW(calendar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(calendar, WM_LBUTTONUP, 0, at);
  apptest::WaitUntil([] { return false; }, 300);
  const SYSTEMTIME picked = CalendarSelection(calendar);
  PostMessageW(ChildWithText(dialog, L"OK"), BM_CLICK, 0, 0);
  if (!WaitFor([&] { return !IsWindowVisible(dialog); })) return L"(the new-day dialog stayed)";
  return ExpectedTitle(picked.wYear, picked.wMonth, picked.wDay);
}

inline bool Diary::ClickButton(HWND dialog, const std::wstring& caption) {
  HWND button = ChildWithText(dialog, caption);
  if (button == nullptr) return false;
  PostMessageW(button, BM_CLICK, 0, 0);
  return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

inline void Diary::Kill() {
  process_.Kill();
  main_ = nullptr;
}

inline std::wstring Diary::MessageText(HWND box) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  SetForegroundWindow(box);
  if (!WaitFor([&] { return GetForegroundWindow() == box; })) return std::wstring();
  PressKey('C', {VK_CONTROL});
  std::wstring text;
  WaitFor([&] {
    if (!OpenClipboard(nullptr)) return false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      text = static_cast<const wchar_t*>(GlobalLock(data));
      GlobalUnlock(data);
    }
    CloseClipboard();
    return !text.empty();
  });
  return text;
}

inline bool Diary::Close(DWORD& exitCode) {
  Trace("close");
  PostMessageW(main_, WM_CLOSE, 0, 0);
  if (process_.WaitForExit(kWaitMs * 2, exitCode)) return true;
  return false;
}

}  // namespace diarytest
