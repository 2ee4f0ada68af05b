// The diary's row change against the system's plainest equivalent, in one program under the same
// Windows (or Wine): 100 presses of Down in the main window's grid (each moves to the next day and
// repaints what changed: grid rows, memo, status bar) beside 100 presses of Down in a LISTBOX whose
// selection change puts the item's text into an EDIT. Both are driven through the message queue and
// painted at once after each press; the program prints the CPU and wall time per change and their
// ratio (the target: the diary within 2x of the list box). A program, not a test.
//
//   build/win64/wine-run build/win64/bench/diary_row_timing.exe [days]
//
// The diary's window is made as the program makes it (skin library, definitions, data file beside
// this program: a Data folder is made and removed again, nothing is saved); its table is then filled
// with `days` consecutive days (default 200; with 100 or fewer, Down and Up take turns) in memory.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "app/DiaryProgram.h"
#include "app/uMain.h"
#include "app/uNew.h"
#include "vcl/db/Fields.h"
#include "vcl/gui/Application.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr int kChanges = 100;

// WM_PAINT and WM_NCPAINT per window class while the diary's rows change: what a row change repaints.
std::map<std::wstring, int> g_paints;
std::map<std::wstring, long long> g_paintedArea;  // pixels of the update rectangles
bool g_countPaints = false;

LRESULT CALLBACK CountPaints(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code >= 0 && g_countPaints && (call->message == WM_PAINT || call->message == WM_NCPAINT)) {
    wchar_t name[64] = {};
    GetClassNameW(call->hwnd, name, 64);
    ++g_paints[std::wstring(name) + (call->message == WM_NCPAINT ? L" (frame)" : L"")];
    RECT r{};
    if (call->message == WM_PAINT && GetUpdateRect(call->hwnd, &r, FALSE))
      g_paintedArea[name] += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The same for the paints that come through the message queue.
LRESULT CALLBACK CountQueuedPaints(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && g_countPaints && msg->message == WM_PAINT) {
    wchar_t name[64] = {};
    GetClassNameW(msg->hwnd, name, 64);
    ++g_paints[name];
    RECT r{};
    if (GetUpdateRect(msg->hwnd, &r, FALSE)) g_paintedArea[name] += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Times {
  double cpuMs = 0;   // user + kernel time of this process
  double wallMs = 0;
};

double CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

double WallMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Presses Down in `target` kChanges times (Down and Up by turns when there are not enough rows),
// handling the messages and painting after each press.
template <class PumpFn>
Times PressDown(HWND target, HWND top, int rows, PumpFn pump) {
  pump();
  RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const double cpu0 = CpuMs(), wall0 = WallMs();
  for (int i = 0; i < kChanges; ++i) {
    const WPARAM key = rows > kChanges || i % 2 == 0 ? VK_DOWN : VK_UP;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    pump();
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  return Times{(CpuMs() - cpu0) / kChanges, (WallMs() - wall0) / kChanges};
}

// ---- the plain window: a LISTBOX and an EDIT that shows the selected item ----

HWND g_list = nullptr;
HWND g_edit = nullptr;

LRESULT CALLBACK PlainProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && reinterpret_cast<HWND>(lParam) == g_list && HIWORD(wParam) == LBN_SELCHANGE) {
    const LRESULT index = SendMessageW(g_list, LB_GETCURSEL, 0, 0);
    wchar_t text[256] = {};
    SendMessageW(g_list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    SetWindowTextW(g_edit, text);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

Times TimePlainWindow(int days, RECT bounds) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"QnPlainListWindow";
  RegisterClassW(&wc);
  HWND top = CreateWindowExW(0, wc.lpszClassName, L"plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, bounds.left, bounds.top,
                             bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr, wc.hInstance,
                             nullptr);
  RECT client;
  GetClientRect(top, &client);
  const int listWidth = client.right / 3;
  g_list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, listWidth,
                           client.bottom, top, nullptr, wc.hInstance, nullptr);
  g_edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr, WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL,
                           listWidth, 0, client.right - listWidth, client.bottom, top, nullptr, wc.hInstance, nullptr);
  for (int i = 0; i < days; ++i) {
    const std::wstring item = L"2024.01." + std::to_wstring(i) + L" - nap: " + std::to_wstring(i);
    SendMessageW(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageW(g_list, LB_SETCURSEL, 0, 0);
  SetFocus(g_list);
  const Times t = PressDown(g_list, top, days, Pump);
  if (SendMessageW(g_list, LB_GETCURSEL, 0, 0) != (days > kChanges ? kChanges : 0)) std::printf("  (the list box did not move %d items)\n", kChanges);
  DestroyWindow(top);
  return t;
}

// ---- the diary ----

Times TimeDiary(int days, RECT& bounds) {
  TDataSet* table = frmMain->Table();
  TDateTime day = EncodeDate(2020, 1, 1);
  for (int i = 0; i < days; ++i, day += 1) {
    SelectOrInsertDay(*table, DayTitle(day));
    table->Edit();
    table->FieldByName("Text")->SetAsString(Utf8ToCp1250("Árvíztűrő tükörfúrógép, a nap szövege: ") +
                                            std::to_string(i));
    table->Post();
  }
  table->First();
  frmMain->SetBounds(40, 40, 800, 600);
  frmMain->Show();
  frmMain->DBG1->SetFocus();
  GetWindowRect(frmMain->Handle(), &bounds);
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountPaints, nullptr, GetCurrentThreadId());
  HHOOK queued = SetWindowsHookExW(WH_GETMESSAGE, CountQueuedPaints, nullptr, GetCurrentThreadId());
  g_countPaints = true;
  const Times t =
      PressDown(frmMain->DBG1->Handle(), frmMain->Handle(), days, [] { Application->ProcessMessages(); });
  g_countPaints = false;
  UnhookWindowsHookEx(queued);
  UnhookWindowsHookEx(hook);
  if (table->RecNo() != (days > kChanges ? kChanges + 1 : 1)) std::printf("  (the diary did not move %d days)\n", kChanges);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc > 1 ? std::max(std::atoi(argv[1]), 2) : 200;
  int exitCode = 0;
  try {
    StartDiary();
    RECT bounds{};
    const Times diary = TimeDiary(days, bounds);
    const Times plain = TimePlainWindow(days, bounds);
    std::printf("%d row changes, %d days\n", kChanges, days);
    std::printf("  diary grid + memo:  %8.2f ms CPU  %8.2f ms wall per change\n", diary.cpuMs, diary.wallMs);
    std::printf("  LISTBOX + EDIT:     %8.2f ms CPU  %8.2f ms wall per change\n", plain.cpuMs, plain.wallMs);
    std::printf("  ratio (target <= 2): %.2f CPU, %.2f wall\n", diary.cpuMs / plain.cpuMs, diary.wallMs / plain.wallMs);
    std::printf("  the diary's paints in %d changes:", kChanges);
    for (const auto& [name, count] : g_paints) std::printf(" %ls %d;", name.c_str(), count);
    std::printf("\n  pixels per change:");
    for (const auto& [name, area] : g_paintedArea) std::printf(" %ls %lld;", name.c_str(), area / kChanges);
    std::printf("\n");
    // Nothing is saved: the table goes before the window closes, and the Data folder made for it too.
    frmMain->SQLMemTable1->Close();
    frmMain->SQLMemTable1->DeleteTable();
    RemoveDir(DataFolder);
  } catch (const Exception& e) {
    std::fprintf(stderr, "diary_row_timing: %s\n", Cp1250ToUtf8(e.Message()).c_str());
    exitCode = 1;
  }
  std::fflush(stdout);
  // The windows would save on the way out; the process ends here instead.
  ExitProcess(static_cast<UINT>(exitCode));
}
