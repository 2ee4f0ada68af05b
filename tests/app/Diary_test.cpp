// The diary program itself, driven from outside as a user drives it: keystrokes through the system's
// input queue, clicks and window messages; what it shows is read from its windows (status bar, memo,
// the grid's scroll bar, its dialogs) and what it keeps from its Data folder. Each test runs its own
// copy of the program in a folder of its own.
#include <gtest/gtest.h>

#include "DiaryDriver.h"

using namespace diarytest;

TEST(Diary, HelpWindowOpensWithItsShortcutButNotWithAltGr) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  ASSERT_TRUE(diary.Activate());
  // AltGr+R (left Ctrl with right Alt, as European layouts send it) is a character, not Ctrl+Alt+R.
  PressKey('R', {VK_LCONTROL, VK_RMENU});
  EXPECT_EQ(diary.WaitForWindow(L"TfrmReadme", 1000), nullptr);
  PressKey('R', {VK_CONTROL, VK_MENU});
  HWND help = diary.WaitForWindow(L"TfrmReadme");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(WindowText(help), W("Segítség a program használatához"));
  HWND text = ChildOfClass(help, L"TMemo");
  ASSERT_NE(text, nullptr);
  const std::wstring guide = WindowText(text);
  EXPECT_NE(guide.find(W("Szerkesztés befejezése = CTRL+ALT+P")), std::wstring::npos);
  // Esc is the "Bezár" button.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(help); }));
  // Leaving an empty diary still writes its data file.
  DWORD code = 99;
  ASSERT_TRUE(diary.Close(code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Diary::ReadFile(folder.DataFile()).substr(0, 4), "ACS1");
}

namespace {

bool Exists(const std::wstring& name) { return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

const std::wstring kWarning = W(" (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)");

using Titles = std::vector<std::wstring>;

}  // namespace

TEST(Diary, KeepsItsDaysAndTheirTextsFromOneStartToTheNext) {
  DiaryFolder folder;
  const std::wstring text = W("Árvíztűrő tükörfúrógép, őszi nap.");
  const std::wstring sunday = W("2024.01.07 - Vasárnap");
  const std::wstring tuesday = W("2024.01.09 - Kedd");
  const std::wstring newYearsEve = W("2023.12.31 - Vasárnap");
  {
    // First start: the Data folder and an empty diary; saving an empty diary writes nothing yet.
    Diary diary(folder);
    ASSERT_TRUE(diary.Started());
    EXPECT_TRUE(Exists(folder.DataFolder()));
    EXPECT_EQ(diary.Status(), L"");
    EXPECT_EQ(diary.Titles(), Titles{});
    ASSERT_TRUE(diary.Activate());
    PressKey('S', {VK_CONTROL, VK_MENU});
    EXPECT_FALSE(Exists(folder.DataFile()));

    // A day through the calendar; its text is typed at once and posted with Ctrl+Alt+P.
    ASSERT_EQ(diary.AddDay(2024, 1, 7), sunday);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == sunday; })) << U8(diary.Status());
    TypeText(text);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == text; })) << U8(diary.MemoText());
    EXPECT_EQ(diary.Status(), sunday + kWarning);
    EXPECT_FALSE(IsWindowEnabled(diary.Grid()));
    EXPECT_FALSE(IsWindowEnabled(diary.ToolBar()));
    // AltGr+P types (or is ignored) but never finishes the edit.
    PressKey('P', {VK_LCONTROL, VK_RMENU});
    EXPECT_EQ(diary.Status(), sunday + kWarning);
    PressKey('P', {VK_CONTROL, VK_MENU});
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == sunday; })) << U8(diary.Status());
    EXPECT_TRUE(IsWindowEnabled(diary.Grid()));
    EXPECT_TRUE(IsWindowEnabled(diary.ToolBar()));

    // Two more days; the grid keeps them in date order whatever the order of adding. A day that
    // exists is only selected.
    ASSERT_EQ(diary.AddDay(2024, 1, 9), tuesday);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == tuesday; })) << U8(diary.Status());
    ASSERT_EQ(diary.AddDay(2023, 12, 31), newYearsEve);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == newYearsEve; })) << U8(diary.Status());
    ASSERT_EQ(diary.AddDay(2024, 1, 7), sunday);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == sunday; })) << U8(diary.Status());
    EXPECT_EQ(diary.MemoText(), text);
    EXPECT_EQ(diary.Titles(), (Titles{newYearsEve, sunday, tuesday}));

    // Save: the file is written and the same day stays current.
    PressKey(VK_UP);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == sunday; })) << U8(diary.Status());
    PressKey('S', {VK_CONTROL, VK_MENU});
    ASSERT_TRUE(diary.WaitFor([&] { return Exists(folder.DataFile()); }));
    EXPECT_EQ(Diary::ReadFile(folder.DataFile()).substr(0, 4), "ACS1");
    EXPECT_EQ(diary.Status(), sunday);
    EXPECT_EQ(diary.MemoText(), text);
    DWORD code = 99;
    ASSERT_TRUE(diary.Close(code));
    EXPECT_EQ(code, 0u);
  }
  {
    // Second start: the three days, the last one current; the Sunday's text as typed.
    Diary diary(folder);
    ASSERT_TRUE(diary.Started());
    EXPECT_EQ(diary.Status(), tuesday);
    EXPECT_EQ(diary.Titles(), (Titles{newYearsEve, sunday, tuesday}));
    PressKey(VK_UP);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == sunday; })) << U8(diary.Status());
    EXPECT_EQ(diary.MemoText(), text);
    // No temporary file of the saves is left behind: only the data file is there.
    EXPECT_EQ(folder.DataFiles(), std::vector<std::wstring>{L"qnt.dat"});
  }
}

TEST(Diary, ClosingWhileADayIsEditedKeepsTheText) {
  DiaryFolder folder;
  const std::wstring text = W("Szerkesztés közben zártam be: ő, ű.");
  std::wstring title;
  {
    Diary diary(folder);
    ASSERT_TRUE(diary.Started());
    title = diary.AddDayByClick();
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status()) << " / " << U8(title);
    TypeText(text);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == text; })) << U8(diary.MemoText());
    EXPECT_EQ(diary.Status(), title + kWarning);
    DWORD code = 99;
    ASSERT_TRUE(diary.Close(code));  // the window's close box, without Ctrl+Alt+P
    EXPECT_EQ(code, 0u);
  }
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  EXPECT_EQ(diary.Status(), title);
  EXPECT_EQ(diary.MemoText(), text);
}

TEST(Diary, DeletingADayAsksFirst) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  ASSERT_TRUE(diary.Activate());
  // Nothing to delete, nothing asked.
  PressKey('D', {VK_CONTROL, VK_MENU});
  EXPECT_EQ(diary.WaitForWindow(L"TMessageForm", 1000), nullptr);

  const std::wstring first = diary.AddDay(2024, 2, 28);
  const std::wstring second = diary.AddDay(2024, 2, 29);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == second; })) << U8(diary.Status());
  // Deleting asks nothing while the day is being edited.
  TypeText(L"x");
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == second + kWarning; })) << U8(diary.Status());
  PressKey('D', {VK_CONTROL, VK_MENU});
  EXPECT_EQ(diary.WaitForWindow(L"TMessageForm", 1000), nullptr);
  PressKey('P', {VK_CONTROL, VK_MENU});
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == second; })) << U8(diary.Status());

  // "No" keeps the day, "Yes" deletes it.
  PressKey('D', {VK_CONTROL, VK_MENU});
  HWND ask = diary.WaitForWindow(L"TMessageForm");
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(WindowText(ask), W("Megerősítés"));
  ASSERT_TRUE(diary.ClickButton(ask, W("&Nem")));
  EXPECT_EQ(diary.Titles(), (Titles{first, second}));
  ASSERT_TRUE(diary.Activate());
  PressKey('D', {VK_CONTROL, VK_MENU});
  ask = diary.WaitForWindow(L"TMessageForm");
  ASSERT_NE(ask, nullptr);
  ASSERT_TRUE(diary.ClickButton(ask, W("&Igen")));
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == first; })) << U8(diary.Status());
  EXPECT_EQ(diary.Titles(), Titles{first});
}

TEST(Diary, AnUnreadableDataFileIsKeptAsideAndTheDiaryStartsEmpty) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"not a data file", "Kedves Naplóm! Ez nem adatfájl."},
      {"the signature, then garbage", std::string("ACS1") + std::string(60, '\x7F')},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DiaryFolder folder;
    CreateDirectoryW(folder.DataFolder().c_str(), nullptr);
    {
      HANDLE file = CreateFileW(folder.DataFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(file, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
    Diary diary(folder, false);
    HWND message = diary.WaitForWindow(L"TMessageForm", kStartMs);
    ASSERT_NE(message, nullptr) << "no message about the file";
    EXPECT_EQ(WindowText(message), W("Hiba"));
    // Told once the file is already under its new name: no data file any more.
    std::vector<std::wstring> files = folder.DataFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind(L"qnt-hibas-", 0), 0u) << U8(files[0]);
    const std::wstring kept = folder.DataFolder() + L"\\" + files[0];
    EXPECT_EQ(Diary::ReadFile(kept), c.bytes);
    ASSERT_TRUE(diary.ClickButton(message, L"OK"));
    ASSERT_TRUE(diary.WaitForMain());
    EXPECT_EQ(diary.Titles(), Titles{});
    const std::wstring title = diary.AddDay(2025, 3, 15);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status()) << " / " << U8(title);
    DWORD code = 99;
    ASSERT_TRUE(diary.Close(code));
    EXPECT_EQ(code, 0u);
    // The new diary is saved beside the kept file, which is left as it was.
    EXPECT_EQ(Diary::ReadFile(folder.DataFile()).substr(0, 4), "ACS1");
    EXPECT_EQ(Diary::ReadFile(kept), c.bytes);
  }
}

namespace {

// Ctrl+Alt+F, the term typed into the input box, Enter: true when the box came and went.
bool StartSearch(Diary& diary, const std::wstring& term) {
  if (!diary.Activate()) return false;
  PressKey('F', {VK_CONTROL, VK_MENU});
  HWND box = diary.WaitForWindow(L"TInputQueryForm");
  if (box == nullptr || WindowText(box) != W("Keresés")) return false;
  TypeText(term);
  PressKey(VK_RETURN);
  return diary.WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

// The result window once it shows; nil when it does not.
HWND ResultWindow(Diary& diary) {
  HWND window = diary.WaitForWindow(L"TfrmFind");
  return window != nullptr && diary.WaitFor([&] { return IsWindowVisible(window) != FALSE; }) ? window : nullptr;
}

// Types a day's text into the memo of the current day and finishes the edit.
void WriteDay(Diary& diary, const std::wstring& title, const std::wstring& text) {
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  TypeText(text);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == text; })) << U8(diary.MemoText());
  PressKey('P', {VK_CONTROL, VK_MENU});
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
}

}  // namespace

TEST(Diary, SearchListsTheDaysThatHoldTheTermInAnyCaseAndEveryCloseEndsIt) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  const std::wstring flood = W("Árvíztűrő tükörfúrógép.");
  const std::wstring quiet = W("Semmi különös.");
  const std::wstring loud = W("Ma: TŰRŐ és ÁRVÍZ.");
  WriteDay(diary, diary.AddDay(2024, 1, 9), flood);
  WriteDay(diary, diary.AddDay(2024, 1, 7), quiet);
  WriteDay(diary, diary.AddDay(2024, 1, 8), loud);

  // Capitals find the small letters and the capitals, in date order; Esc closes the window.
  ASSERT_TRUE(StartSearch(diary, W("ÁRVÍZ")));
  HWND found = ResultWindow(diary);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(WindowText(found), W("Keresés eredménye a [ÁRVÍZ] kifejezésre"));
  HWND memo = ChildOfClass(found, L"TDBMemo");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(WindowText(memo), loud) << "the first hit is the earlier day";
  PressKey(VK_DOWN);
  EXPECT_TRUE(diary.WaitFor([&] { return WindowText(memo) == flood; })) << U8(WindowText(memo));
  PressKey(VK_DOWN);
  EXPECT_EQ(WindowText(memo), flood) << "two hits only";
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(found); }));

  // Small letters find capitals; the button closes the window.
  ASSERT_TRUE(StartSearch(diary, W("tűrő")));
  ASSERT_EQ(ResultWindow(diary), found);
  EXPECT_EQ(WindowText(memo), loud);
  ASSERT_TRUE(diary.ClickButton(found, W("Bezár")));

  // The close box closes it too, and a new search opens it again.
  ASSERT_TRUE(StartSearch(diary, W("semmi")));
  ASSERT_EQ(ResultWindow(diary), found);
  EXPECT_EQ(WindowText(memo), quiet);
  PostMessageW(found, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(found); }));

  // An empty term and a term without hits only say so.
  const struct {
    std::wstring term;
    std::wstring message;
  } nothing[] = {{L"", W("Nem írta be, hogy mit akar keresni.")}, {L"xyz", W("Nincs találat.")}};
  for (const auto& n : nothing) {
    SCOPED_TRACE(U8(n.message));
    ASSERT_TRUE(StartSearch(diary, n.term));
    HWND box = diary.WaitForWindow(L"TMessageForm");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(diary.MessageText(box).find(n.message), std::wstring::npos);
    ASSERT_TRUE(diary.ClickButton(box, L"OK"));
    EXPECT_FALSE(IsWindowVisible(found));
  }

  // A search while a day is edited closes without an error, and the edit goes on.
  diary.ClickOn(diary.Memo());
  PressKey(VK_END, {VK_CONTROL});
  TypeText(L"!");
  ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == loud + L"!"; })) << U8(diary.MemoText());
  ASSERT_TRUE(StartSearch(diary, W("fúró")));
  ASSERT_EQ(ResultWindow(diary), found);
  EXPECT_EQ(WindowText(memo), flood);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(found); }));
  EXPECT_EQ(apptest::FindProcessWindow(diary.Process().Id(), L"TMessageForm"), nullptr) << "an error box";
  PressKey('P', {VK_CONTROL, VK_MENU});
  EXPECT_TRUE(diary.WaitFor([&] { return diary.Status() == ExpectedTitle(2024, 1, 8); })) << U8(diary.Status());
  EXPECT_EQ(diary.MemoText(), loud + L"!");
}
