// Times one thumb-drag step of a skinned scroll bar (the mouse moves, the position goes to the window,
// the bar is painted again) on a 200-line multi-line EDIT with the scroll-bar adapter, against the
// system's own repaint of the same bar after SetScrollInfo on an unadapted twin, in one run. Each step
// is timed alone; the median of `rounds` steps counts. Target: within 2x of the system.
// Usage (win64 tree): build/win64/wine-run build/win64/bench/scroll_bar_timing.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "SkinTiming.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/TextConv.h"

namespace {

double MedianMs(int rounds, const std::function<void(int)>& step) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  step(0);
  std::vector<double> times;
  for (int i = 1; i <= rounds; ++i) {
    QueryPerformanceCounter(&start);
    step(i);
    GdiFlush();
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

HWND MakeEdit(HWND parent, int x) {
  std::wstring text;
  for (int i = 0; i < 200; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
  return CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE,
                         x, 10, 200, 300, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400;
  try {
    std::unique_ptr<TsSkinManager> manager = StartBuiltinSkin(QN_BUILTIN_SKIN);
    const HWND frame = CreateWindowExW(0, L"STATIC", L"scroll timing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 480,
                                       360, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const HWND skinned = MakeEdit(frame, 10);
    const HWND plain = MakeEdit(frame, 240);
    TskMainWnd* adapter = New<TskScrollWnd>(skinned, true, "EDIT", nullptr, nullptr);
    auto* scroll = static_cast<TskScrollWnd*>(adapter);
    SetWindowPos(skinned, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    UpdateWindow(frame);

    // The drag: the thumb is grabbed at its top, then the mouse swings between two places on the track.
    TRect bar;
    scroll->BarRect(1, bar);
    const TskThumb thumb = ThumbGeometry(scroll->VertBar()->State, bar, CurrentScrollMetrics(manager.get()));
    const int x = bar.Left + bar.Width() / 2;
    SendMessageW(skinned, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, thumb.Start + 2));
    const double drag = MedianMs(rounds, [&](int i) {
      POINT p{x, thumb.Start + 2 + (i % 2 == 0 ? 40 : 120)};
      ScreenToClient(skinned, &p);
      SendMessageW(skinned, WM_MOUSEMOVE, MK_LBUTTON, At(p.x, p.y));
    });
    SendMessageW(skinned, WM_LBUTTONUP, 0, 0);
    // The drag really scrolled: the edit's first line follows the last position sent.
    const auto firstLine = SendMessageW(skinned, EM_GETFIRSTVISIBLELINE, 0, 0);

    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(plain, SB_VERT, &si);
    const double system = MedianMs(rounds, [&](int i) {
      SCROLLINFO pos{};
      pos.cbSize = sizeof pos;
      pos.fMask = SIF_POS;
      pos.nPos = i % 2 == 0 ? si.nMax / 4 : si.nMax / 2;
      SetScrollInfo(plain, SB_VERT, &pos, TRUE);
    });
    std::printf("%-58s %9s %9s\n", "one step on a 200-line EDIT (median)", "ms", "/system");
    std::printf("%-58s %9.4f %9.2f\n", "system: SetScrollInfo with redraw, unadapted twin", system, 1.0);
    std::printf("%-58s %9.4f %9.2f\n", "skinned: thumb-drag step (position sent, bar repainted)", drag, drag / system);
    std::printf("first visible line after the drag: %lld\n", static_cast<long long>(firstLine));
    FreeAdapter(adapter);
    DestroyWindow(frame);
  } catch (const Exception& e) {
    std::fprintf(stderr, "scroll_bar_timing: %s\n", Cp1250ToUtf8(e.Message()).c_str());
    return 1;
  }
  std::fflush(stdout);
  DoneApplication();
  SkinLibraryShutdown();
  return 0;
}
