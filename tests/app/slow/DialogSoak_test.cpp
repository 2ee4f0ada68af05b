// The diary's dialogs, the system's message box and popup menus opened and closed many times with the
// skin's thread hook on: each is skinned as it appears and leaves nothing behind when it goes (a message
// box's provider goes once the box is destroyed). After a warm-up round, the live GDI
// objects, the USER objects (windows and menus) and the busy heap bytes must not have grown.
// Handles are counted by probing the handle tables (the system's own counters answer 0 under Wine).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DiaryForms.h"
#include "common/ComponentCount.h"
#include "skin/adapters/skDials.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Screen.h"

namespace {

// GDI objects of this process: the table's index is the handle's low word (a handle without its
// upper word names the entry whatever its generation).
int LiveGdiObjects() {
  int count = 0;
  for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  return count;
}

// USER windows and menus (of the whole desktop: the test runs alone), by the same kind of probe.
int LiveUserObjects() {
  int count = 0;
  for (ULONG_PTR index = 0x20; index <= 0xFFFF; index += 2) {
    const auto handle = reinterpret_cast<HANDLE>(index);
    if (IsWindow(static_cast<HWND>(handle)) || IsMenu(static_cast<HMENU>(handle))) ++count;
  }
  return count;
}

// Busy bytes of every heap of the process.
long long BusyHeapBytes() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  long long bytes = 0;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes += entry.cbData;
    HeapUnlock(heap);
  }
  return bytes;
}

struct Usage {
  int gdi = 0;
  int user = 0;
  long long heap = 0;
};
Usage Measure() {
  guitest::Pump();
  return Usage{LiveGdiObjects(), LiveUserObjects(), BusyHeapBytes()};
}

// Ends the modal form on top once the modal loop runs.
void CancelModalLater() {
  guitest::RunLater([] {
    for (int i = Screen->CustomFormCount() - 1; i >= 0; --i) {
      TCustomForm* form = Screen->CustomForms(i);
      if (form->FormState().Contains(fsModal)) {
        form->SetModalResult(mrCancel);
        return;
      }
    }
  });
}

// Ends the open menu from inside its loop.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

// Closes the system message box that is up, once it is (the timer fires inside the box's own loop).
void CALLBACK CloseMessageBoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND active = GetActiveWindow();
  wchar_t cls[16]{};
  if (active == nullptr || GetClassNameW(active, cls, 16) == 0 || lstrcmpW(cls, L"#32770") != 0) return;
  KillTimer(nullptr, id);
  PostMessageW(active, WM_COMMAND, IDOK, 0);
}

// The hook's providers of system dialogs that are alive.
int LiveDialogProviders() {
  int count = 0;
  for (const TskHookedWindow* entry : ProviderList())
    if (const auto* provider = dynamic_cast<const TskProvider*>(entry); provider != nullptr && provider->DialogHandle != nullptr)
      ++count;
  return count;
}

class DialogSoak : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { apptest::RegisterDiaryClasses(); }
  void SetUp() override {
    RegisterSkinDialogs();
    forms_ = std::make_unique<apptest::TDiaryForms>();  // the main form's manager installs the hook
    frmMain->Show();
    guitest::Pump();
    ASSERT_TRUE(frmMain->sSkinManager1->SkinHookInstalled());
  }
  void TearDown() override {
    forms_.reset();
    UnregisterSkinDialogs();
  }
  std::unique_ptr<apptest::TDiaryForms> forms_;
};

struct Opening {
  const char* name;
  std::function<void()> open;  // opens and closes it once
};

TEST_F(DialogSoak, DialogsAndMenusOpenedAThousandTimesLeaveNothingBehind) {
  AnsiString value;
  const std::vector<Opening> openings = {
      {"new-day dialog",
       [] {
         CancelModalLater();
         frmNew->ShowModal();
       }},
      {"help window",
       [] {
         frmReadme->Show();
         guitest::Pump();
         frmReadme->Close();
       }},
      {"MessageDlg",
       [] {
         CancelModalLater();
         MessageDlg("Biztos?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0);
       }},
      {"ShowMessage",
       [] {
         CancelModalLater();
         ShowMessage("Kész.");
       }},
      {"input box",
       [&value] {
         CancelModalLater();
         InputQuery("Keresés", "Mit keres?", value);
       }},
      {"system message box",
       [] {
         SetTimer(nullptr, 0, 1, CloseMessageBoxTimer);
         MessageBoxW(frmMain->Handle(), L"Biztosan törli?", L"Kérdés", MB_OK | MB_ICONQUESTION);
       }},
      {"memo menu",
       [] {
         SetTimer(nullptr, 0, 1, EndMenuTimer);
         frmMain->PopupMenu1->Popup(200, 200);
       }},
      {"day list menu",
       [] {
         SetTimer(nullptr, 0, 1, EndMenuTimer);
         frmMain->PopupMenu2->Popup(200, 200);
       }},
  };
  constexpr int kWarmUp = 20;
  constexpr int kRounds = 1000;
  for (const Opening& o : openings) {
    SCOPED_TRACE(o.name);
    for (int i = 0; i < kWarmUp; ++i) o.open();
    // Each kind was skinned: the dialogs' hook providers went with their forms or stay with the
    // program's two forms; menus left no adapter.
    EXPECT_TRUE(PopupMenuAdapters().empty());
    const Usage before = Measure();
    for (int i = 0; i < kRounds; ++i) o.open();
    const Usage after = Measure();
    std::printf("%s: GDI %d -> %d, USER %d -> %d, busy heap %lld -> %lld\n", o.name, before.gdi, after.gdi,
                before.user, after.user, before.heap, after.heap);
    // One object or one small block per round would show as a thousand; some slack covers caches
    // that fill once (fonts, glyph caches).
    EXPECT_LE(after.gdi - before.gdi, 8) << "GDI objects " << before.gdi << " -> " << after.gdi;
    EXPECT_LE(after.user - before.user, 4) << "USER objects " << before.user << " -> " << after.user;
    EXPECT_LE(after.heap - before.heap, 4096) << "busy heap bytes " << before.heap << " -> " << after.heap;
    EXPECT_TRUE(PopupMenuAdapters().empty());
    // A closed message box's provider goes at the next destruction of a window.
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(LiveDialogProviders(), 0);
  }
  // The diary's other forms took one provider each from the hook; the main form has one provider
  // (its own, or the hook's while its definition has none), never a second.
  EXPECT_EQ(CountComponents<TskProvider>(frmNew), 1);
  EXPECT_EQ(CountComponents<TskProvider>(frmReadme), 1);
  EXPECT_EQ(CountComponents<TsSkinProvider>(frmMain), 1);
}

}  // namespace
