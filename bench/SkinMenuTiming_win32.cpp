// Times one highlight move on an open 30-item popup menu drawn by the skinned menus (the old item and
// the new one are painted again from the popup bitmap), against the system's drawing of the same move on
// an unskinned twin, in one run: the highlight is moved with HiliteMenuItem, which repaints the two
// items the way the keyboard and the mouse do. Each move is timed alone; the median of `rounds` moves
// is a turn's result, and the median of five turns of each menu, taken alternately, counts. Target:
// within 2x of the system. The popup's bitmap is made once per popup: the program
// also prints how many popup bitmaps were made while the skinned menu was open.
// Usage (win64 tree): build/win64/wine-run build/win64/bench/skin_menu_timing.exe [rounds]
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

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDials.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr int kItems = 30;

struct TMoveTiming {
  int rounds = 0;
  double medianMs = 0;
  size_t bitmapsMade = 0;  // distinct popup bitmaps seen while the menu was open
  bool done = false;
};

TMoveTiming* gTiming = nullptr;
TPopupMenu* gMenu = nullptr;
std::vector<const TBitmap*> gBitmaps;

void NoteBitmaps() {
  for (const auto& record : PopupRecords())
    if (std::find(gBitmaps.begin(), gBitmaps.end(), record->Bitmap.get()) == gBitmaps.end())
      gBitmaps.push_back(record->Bitmap.get());
}

// Runs once the popup shows: moves the highlight `rounds` times, timing each move, then closes it.
void CALLBACK Measure(HWND, UINT, UINT_PTR, DWORD) {
  if (gTiming == nullptr || gTiming->done) return;
  const HWND popup = FindWindowW(L"#32768", nullptr);
  if (popup == nullptr || !IsWindowVisible(popup)) return;
  gTiming->done = true;
  const HMENU menu = gMenu->CurrentHandle();
  const HWND owner = PopupListWindow();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  HiliteMenuItem(owner, menu, 0, MF_BYPOSITION | MF_HILITE);
  NoteBitmaps();
  std::vector<double> times;
  for (int i = 1; i <= gTiming->rounds; ++i) {
    QueryPerformanceCounter(&start);
    HiliteMenuItem(owner, menu, static_cast<UINT>(i % kItems), MF_BYPOSITION | MF_HILITE);
    GdiFlush();
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    NoteBitmaps();
  }
  std::sort(times.begin(), times.end());
  gTiming->medianMs = times[times.size() / 2];
  gTiming->bitmapsMade = gBitmaps.size();
  EndMenu();
}

TMoveTiming TimeMoves(TPopupMenu& menu, int rounds) {
  TMoveTiming timing;
  timing.rounds = rounds;
  gTiming = &timing;
  gMenu = &menu;
  gBitmaps.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, Measure);
  menu.Popup(100, 40);
  KillTimer(nullptr, timer);
  Application->ProcessMessages();
  gTiming = nullptr;
  return timing;
}

TPopupMenu* MakeMenu(TComponent* owner) {
  auto* menu = New<TPopupMenu>(owner);
  for (int i = 0; i < kItems; ++i) {
    auto* item = New<TMenuItem>(owner);
    item->SetCaption(Utf8ToCp1250(("Bejegyzés " + std::to_string(i + 1)).c_str()));
    if (i % 7 == 3) item->SetShortCut(ShortCut('A' + static_cast<Word>(i % 26), {ssCtrl}));
    menu->Items()->Add(item);
  }
  return menu;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  try {
    RegisterGuiClasses();
    Application->Initialize();
    SkinLibraryStartup();
    RegisterSkinDialogs();
    std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
    std::ifstream in(QN_BUILTIN_SKIN, std::ios::binary);
    manager->InternalSkins().Add("Quillnote", std::vector<Byte>(std::istreambuf_iterator<char>(in), {}));
    manager->SetSkinName("Quillnote");
    std::unique_ptr<TComponent> owner(new TComponent(nullptr));
    TPopupMenu* plain = MakeMenu(owner.get());
    TPopupMenu* skinned = MakeMenu(owner.get());
    manager->SkinableMenus().HookPopupMenu(skinned, true);
    plain->SetMenuAnimation(TMenuAnimations{maNone});

    // The two menus take turns, five times each, so that a busy phase of the machine weighs on both;
    // the median of the five medians counts.
    std::vector<double> systemRuns, skinRuns;
    TMoveTiming system, skin;
    for (int turn = 0; turn < 5; ++turn) {
      system = TimeMoves(*plain, rounds);
      skin = TimeMoves(*skinned, rounds);
      systemRuns.push_back(system.medianMs);
      skinRuns.push_back(skin.medianMs);
    }
    std::sort(systemRuns.begin(), systemRuns.end());
    std::sort(skinRuns.begin(), skinRuns.end());
    system.medianMs = systemRuns[2];
    skin.medianMs = skinRuns[2];
    std::printf("%-58s %9s %9s\n", "one highlight move on a 30-item popup (median)", "ms", "/system");
    std::printf("%-58s %9.4f %9.2f\n", "system: unskinned twin", system.medianMs, 1.0);
    std::printf("%-58s %9.4f %9.2f\n", "skinned: two items painted from the popup bitmap", skin.medianMs,
                system.medianMs > 0 ? skin.medianMs / system.medianMs : 0.0);
    std::printf("popup bitmaps made while the skinned popup was open: %zu\n", skin.bitmapsMade);
    if (!system.done || !skin.done) std::printf("a popup never showed\n");
    owner.reset();
    UnregisterSkinDialogs();
  } catch (const Exception& e) {
    std::fprintf(stderr, "skin_menu_timing: %s\n", Cp1250ToUtf8(e.Message()).c_str());
    return 1;
  }
  std::fflush(stdout);
  DoneApplication();
  SkinLibraryShutdown();
  return 0;
}
