// The diary driven from outside through the ways a person finds to lose work or get stuck: typing
// with no day, closing while a post or a save fails, the end of the Windows session, a damaged data
// file whose bytes would reach the message, the new-day dialog's calendar and keyboard, a tool-button
// hint over a question, and the help text's width.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <cstring>

#include "DiaryDriver.h"

using namespace diarytest;

namespace {

bool Exists(const std::wstring& name) { return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

const std::wstring kWarning = W(" (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)");

// Posts WM_CLOSE and waits for the program to end or for a message box; the box or nil.
HWND CloseExpectingBox(Diary& diary) {
  PostMessageW(diary.Main(), WM_CLOSE, 0, 0);
  HWND box = nullptr;
  diary.WaitFor([&] {
    box = apptest::FindProcessWindow(diary.Process().Id(), L"TMessageForm");
    return box != nullptr || !diary.Process().Running();
  });
  return box;
}

// Sends a message to a window of the program with a structure in the program's memory.
template <class T>
LRESULT SendRemote(Diary& diary, HWND window, UINT message, WPARAM wParam, T& data) {
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, diary.Process().Id());
  const LRESULT result = SendWithRemoteStruct(process, window, message, wParam, data);
  CloseHandle(process);
  return result;
}

// The day under a point of the calendar's client area (wYear 0 when the point shows no day).
SYSTEMTIME DayAt(Diary& diary, HWND calendar, int x, int y) {
  MCHITTESTINFO hit{};
  hit.cbSize = MCHITTESTINFO_V1_SIZE;
  hit.pt = POINT{x, y};
  SendRemote(diary, calendar, MCM_HITTEST, 0, hit);
  if ((hit.uHit & MCHT_CALENDARDATE) != MCHT_CALENDARDATE) return SYSTEMTIME{};
  return hit.st;
}

int DayNumber(const SYSTEMTIME& st) {
  // Days since a fixed date, for differences within a few weeks.
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER v{};
  v.LowPart = ft.dwLowDateTime;
  v.HighPart = ft.dwHighDateTime;
  return static_cast<int>(v.QuadPart / (10000000ULL * 86400ULL));
}

// A saved diary file with `bytes` written over the start of the last stored copy of the name `name`
// inside its compressed table data (the index's column, for the day's key): the file stays readable
// up to the point where that name is looked for. "" when the file does not have the expected shape.
std::string WithBytesInStoredName(const std::string& file, const std::string& tableName, const std::string& name,
                                  const std::string& bytes) {
  // The table's header: ... uncompressed size (8 bytes at 20), compressed size (4 at 36), algorithm
  // (1 at 40), the name's length (1 at 42) and the name; then an 8-byte value and the body.
  const size_t tableNameAt = file.find(tableName);
  if (tableNameAt == std::string::npos || tableNameAt < 43) return std::string();
  const size_t header = tableNameAt - 43;
  std::int64_t plainSize = 0;
  std::int32_t packedSize = 0;
  std::memcpy(&plainSize, file.data() + header + 20, 8);
  std::memcpy(&packedSize, file.data() + header + 36, 4);
  const size_t bodyAt = tableNameAt + tableName.size() + 8;
  if (file[header + 40] != 1 || packedSize <= 0 || bodyAt + static_cast<size_t>(packedSize) > file.size()) return std::string();
  std::string body(static_cast<size_t>(plainSize), '\0');
  uLongf plain = static_cast<uLongf>(plainSize);
  if (uncompress(reinterpret_cast<Bytef*>(body.data()), &plain, reinterpret_cast<const Bytef*>(file.data() + bodyAt),
                 static_cast<uLong>(packedSize)) != Z_OK) {
    return std::string();
  }
  const size_t at = body.rfind(name);
  if (at == std::string::npos) return std::string();
  body.replace(at, bytes.size(), bytes);
  std::string packed(compressBound(static_cast<uLong>(body.size())), '\0');
  uLongf packedLength = static_cast<uLongf>(packed.size());
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedLength, reinterpret_cast<const Bytef*>(body.data()),
            static_cast<uLong>(body.size()), 9);
  packed.resize(packedLength);
  std::string out = file.substr(0, bodyAt) + packed + file.substr(bodyAt + static_cast<size_t>(packedSize));
  const auto newSize = static_cast<std::int32_t>(packedLength);
  std::memcpy(out.data() + header + 36, &newSize, 4);
  return out;
}

}  // namespace

TEST(DiaryUse, WithoutADayTheMemoTakesNoTypingAndClosingEnds) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  // An empty diary: typing into the memo starts nothing.
  ASSERT_TRUE(diary.Activate());
  diary.ClickOn(diary.Memo());
  TypeText(L"nincs nap");
  EXPECT_EQ(diary.MemoText(), L"");
  EXPECT_EQ(diary.Status(), L"");
  EXPECT_TRUE(IsWindowEnabled(diary.Grid()));
  // A day that is added and deleted again leaves the diary empty once more.
  const std::wstring title = diary.AddDay(2024, 5, 1);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  ASSERT_TRUE(diary.Activate());
  PressKey('D', {VK_CONTROL, VK_MENU});
  HWND ask = diary.WaitForWindow(L"TMessageForm");
  ASSERT_NE(ask, nullptr);
  ASSERT_TRUE(diary.ClickButton(ask, W("&Igen")));
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status().empty(); })) << U8(diary.Status());
  ASSERT_TRUE(diary.Activate());
  diary.ClickOn(diary.Memo());
  TypeText(L"megint semmi");
  EXPECT_EQ(diary.MemoText(), L"");
  EXPECT_EQ(diary.Status(), L"");
  // Closing ends the program at once, with nothing asked.
  HWND box = CloseExpectingBox(diary);
  ASSERT_EQ(box, nullptr) << "a message on closing: " << U8(diary.MessageText(box));
  DWORD code = 99;
  ASSERT_TRUE(diary.Close(code));
  EXPECT_EQ(code, 0u);
  // With a day the memo takes typing again.
  Diary again(folder);
  ASSERT_TRUE(again.Started());
  const std::wstring day = again.AddDay(2024, 5, 2);
  ASSERT_TRUE(again.WaitFor([&] { return again.Status() == day; })) << U8(again.Status());
  TypeText(L"van nap");
  EXPECT_TRUE(again.WaitFor([&] { return again.MemoText() == L"van nap"; })) << U8(again.MemoText());
  EXPECT_EQ(again.Status(), day + kWarning);
}

TEST(DiaryUse, TheEndOfTheWindowsSessionSavesTheEditAndTheDays) {
  DiaryFolder folder;
  const std::wstring text = W("Kijelentkezés előtt írtam: ő, ű.");
  std::wstring first, second;
  {
    Diary diary(folder);
    ASSERT_TRUE(diary.Started());
    first = diary.AddDay(2024, 6, 1);
    second = diary.AddDay(2024, 6, 2);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == second; })) << U8(diary.Status());
    TypeText(text);
    ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == text; })) << U8(diary.MemoText());
    // The system asks, then tells the session ends, then ends the process without a close.
    EXPECT_NE(SendMessageW(diary.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
    SendMessageW(diary.Main(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    diary.Kill();
  }
  ASSERT_TRUE(Exists(folder.DataFile())) << "nothing saved at the end of the session";
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  EXPECT_EQ(diary.Status(), second);
  EXPECT_EQ(diary.MemoText(), text);
  EXPECT_EQ(diary.Titles(), (std::vector<std::wstring>{first, second}));
}

TEST(DiaryUse, AFailedSaveOnExitAsksAndLeavesTheDiaryUsableOnTheSameDay) {
  DiaryFolder folder;
  const std::wstring text = W("Mentés előtt: árvíztűrő.");
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  const std::wstring first = diary.AddDay(2024, 3, 1);
  const std::wstring title = diary.AddDay(2024, 3, 2);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  TypeText(text);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.MemoText() == text; })) << U8(diary.MemoText());
  PressKey('P', {VK_CONTROL, VK_MENU});
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());

  // A folder where the data file goes: the save on exit fails, and the user is asked.
  ASSERT_TRUE(CreateDirectoryW(folder.DataFile().c_str(), nullptr));
  HWND box = CloseExpectingBox(diary);
  ASSERT_NE(box, nullptr) << "the program ended although it could not save";
  const std::wstring message = diary.MessageText(box);
  EXPECT_NE(message.find(W("A naplót nem sikerült menteni:")), std::wstring::npos) << U8(message);
  EXPECT_NE(message.find(W("Kilép mentés nélkül?")), std::wstring::npos) << U8(message);
  // "No": the window stays, on the same day, with its text, the grid and the tool bar usable.
  ASSERT_TRUE(diary.ClickButton(box, W("&Nem")));
  ASSERT_TRUE(diary.Process().Running());
  EXPECT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  EXPECT_EQ(diary.MemoText(), text);
  EXPECT_TRUE(IsWindowEnabled(diary.ToolBar()));
  EXPECT_EQ(diary.Titles(), (std::vector<std::wstring>{first, title}));

  // The way cleared and even the Data folder gone: Save makes the folder again and writes the file.
  ASSERT_TRUE(RemoveDirectoryW(folder.DataFile().c_str()));
  for (const std::wstring& name : folder.DataFiles()) DeleteFileW((folder.DataFolder() + L"\\" + name).c_str());
  ASSERT_TRUE(RemoveDirectoryW(folder.DataFolder().c_str()));
  ASSERT_TRUE(diary.Activate());
  PressKey('S', {VK_CONTROL, VK_MENU});
  ASSERT_TRUE(diary.WaitFor([&] { return Exists(folder.DataFile()); })) << "Save wrote nothing";
  EXPECT_EQ(Diary::ReadFile(folder.DataFile()).substr(0, 4), "ACS1");
  EXPECT_EQ(diary.Status(), title);

  // Failing again: "Yes" leaves without saving, and the saved file stays as it was.
  const std::string saved = Diary::ReadFile(folder.DataFile());
  ASSERT_TRUE(DeleteFileW(folder.DataFile().c_str()));
  ASSERT_TRUE(CreateDirectoryW(folder.DataFile().c_str(), nullptr));
  box = CloseExpectingBox(diary);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(diary.ClickButton(box, W("&Igen")));
  DWORD code = 99;
  ASSERT_TRUE(diary.Process().WaitForExit(kWaitMs, code));
  EXPECT_EQ(code, 0u);
  RemoveDirectoryW(folder.DataFile().c_str());
}

TEST(DiaryUse, TheReasonOfADamagedFileShowsOnlyPrintableText) {
  DiaryFolder folder;
  {
    Diary diary(folder);
    ASSERT_TRUE(diary.Started());
    diary.AddDay(2024, 7, 1);
    DWORD code = 99;
    ASSERT_TRUE(diary.Close(code));
  }
  // The stored name of the key's index column begins with bytes that are no text: control bytes, DEL,
  // and a byte with no character in Windows-1250. The load's error names that column.
  const std::string bytes = WithBytesInStoredName(Diary::ReadFile(folder.DataFile()), "fans", "ShortDateDay",
                                                  std::string("\x01\x1b\x7f\x81", 4));
  ASSERT_FALSE(bytes.empty()) << "the saved file has not the expected shape";
  {
    HANDLE file = CreateFileW(folder.DataFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  Diary diary(folder, false);
  HWND box = diary.WaitForWindow(L"TMessageForm", kStartMs);
  ASSERT_NE(box, nullptr) << "the damaged file was read without a word";
  const std::wstring message = diary.MessageText(box);
  ASSERT_NE(message.find(W("A napló adatfájlja nem olvasható be:")), std::wstring::npos) << U8(message);
  const size_t reason = message.find(L"Ok: ");
  ASSERT_NE(reason, std::wstring::npos) << U8(message);
  const std::wstring line = message.substr(reason, message.find(L"\r\n", reason) - reason);
  for (wchar_t c : line) {
    EXPECT_TRUE(c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) << "character " << static_cast<int>(c) << " in "
                                                                      << U8(line);
  }
  EXPECT_NE(line.find(L"tDateDay"), std::wstring::npos) << "the reason names the column: " << U8(line);
  ASSERT_TRUE(diary.ClickButton(box, L"OK"));
  ASSERT_TRUE(diary.WaitForMain());
  // The file is kept aside as it was; the diary starts empty and works.
  std::wstring kept;
  for (const std::wstring& f : folder.DataFiles())
    if (f.rfind(L"qnt-hibas-", 0) == 0) kept = folder.DataFolder() + L"\\" + f;
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(Diary::ReadFile(kept), bytes);
  EXPECT_EQ(diary.Titles(), std::vector<std::wstring>{});
  const std::wstring title = diary.AddDay(2024, 7, 2);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  DWORD code = 99;
  ASSERT_TRUE(diary.Close(code));
  Diary after(folder);
  ASSERT_TRUE(after.Started());
  EXPECT_EQ(after.Titles(), std::vector<std::wstring>{title});
}

TEST(DiaryUse, TheNewDayCalendarShowsAWholeMonthAndMovesWithTheKeyboard) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  // Open once so that the dialog's window exists, set its day while hidden, open again.
  ASSERT_EQ(diary.AddDay(2024, 3, 13), ExpectedTitle(2024, 3, 13));
  HWND dialog = diary.NewDayDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(diary.Activate());
  PressKey('N', {VK_CONTROL, VK_MENU});
  ASSERT_NE(diary.WaitForWindow(L"TfrmNew"), nullptr);
  HWND calendar = ChildOfClass(dialog, L"TMonthCalendar");
  ASSERT_NE(calendar, nullptr);

  // As large as the calendar says it needs, and inside the dialog with the buttons below it.
  RECT need{};
  SendRemote(diary, calendar, MCM_GETMINREQRECT, 0, need);
  RECT client{};
  GetClientRect(calendar, &client);
  EXPECT_GE(client.right, need.right - need.left);
  EXPECT_GE(client.bottom, need.bottom - need.top);
  RECT inDialog{}, dialogClient{};
  GetWindowRect(calendar, &inDialog);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&inDialog), 2);
  GetClientRect(dialog, &dialogClient);
  EXPECT_TRUE(inDialog.left >= 0 && inDialog.top >= 0 && inDialog.right <= dialogClient.right &&
              inDialog.bottom <= dialogClient.bottom);
  for (const wchar_t* caption : {L"OK", L"M\u00e9gse"}) {
    HWND button = ChildWithText(dialog, caption);
    ASSERT_NE(button, nullptr);
    RECT b{};
    GetWindowRect(button, &b);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&b), 2);
    EXPECT_GE(b.top, inDialog.bottom) << U8(caption);
    EXPECT_LE(b.right, dialogClient.right) << U8(caption);
    EXPECT_LE(b.bottom, dialogClient.bottom) << U8(caption);
  }
  // Seven weekday columns: the leftmost and the rightmost day of a row are six days apart.
  const int row = client.bottom * 3 / 5;
  const SYSTEMTIME left = DayAt(diary, calendar, 3, row);
  const SYSTEMTIME right = DayAt(diary, calendar, client.right - 4, row);
  ASSERT_NE(left.wYear, 0) << "no day at the left end of the row";
  ASSERT_NE(right.wYear, 0) << "no day at the right end of the row";
  EXPECT_EQ(DayNumber(right) - DayNumber(left), 6);
  // The next-month arrow is a button, not a sliver: at least 8 pixels of it inside the calendar.
  int arrowWidth = 0;
  for (int y = 0; y < client.bottom / 4 && arrowWidth == 0; ++y) {
    for (int x = client.right - 1; x >= client.right / 2; --x) {
      MCHITTESTINFO hit{};
      hit.cbSize = MCHITTESTINFO_V1_SIZE;
      hit.pt = POINT{x, y};
      SendRemote(diary, calendar, MCM_HITTEST, 0, hit);
      if (hit.uHit == MCHT_TITLEBTNNEXT) {
        ++arrowWidth;
      } else if (arrowWidth > 0) {
        break;
      }
    }
  }
  EXPECT_GE(arrowWidth, 8);

  // The keyboard: Right a day, Down a week; OK takes the day shown.
  PressKey(VK_RIGHT);
  PressKey(VK_DOWN);
  const SYSTEMTIME picked = diary.CalendarSelection(calendar);
  EXPECT_EQ(picked.wDay, 21);
  EXPECT_EQ(picked.wMonth, 3);
  PostMessageW(ChildWithText(dialog, L"OK"), BM_CLICK, 0, 0);
  ASSERT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(dialog); }));
  EXPECT_TRUE(diary.WaitFor([&] { return diary.Status() == ExpectedTitle(2024, 3, 21); })) << U8(diary.Status());
}

TEST(DiaryUse, AToolButtonHintDoesNotStayOverTheDeleteQuestion) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  const std::wstring title = diary.AddDay(2024, 8, 1);
  ASSERT_TRUE(diary.WaitFor([&] { return diary.Status() == title; })) << U8(diary.Status());
  ASSERT_TRUE(diary.Activate());
  // The delete button is the second of the tool bar: after the new-day button and an 8-pixel
  // separator, 28 pixels wide.
  HWND bar = diary.ToolBar();
  const POINT at{28 + 8 + 14, 12};
  POINT screen = at;
  ClientToScreen(bar, &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM pos = MAKELPARAM(at.x, at.y);
  PostMessageW(bar, WM_MOUSEMOVE, 0, pos);
  HWND hint = diary.WaitForWindow(L"THintWindow", 3000);
  ASSERT_NE(hint, nullptr) << "no hint over the delete button";
  PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, pos);
  PostMessageW(bar, WM_LBUTTONUP, 0, pos);
  HWND ask = diary.WaitForWindow(L"TMessageForm");
  ASSERT_NE(ask, nullptr);
  // The mouse rests on the button while the question is up: the hint stays away.
  for (int i = 0; i < 4; ++i) {
    PostMessageW(bar, WM_MOUSEMOVE, 0, pos);
    apptest::WaitUntil([] { return false; }, 400);
    EXPECT_EQ(apptest::FindProcessWindow(diary.Process().Id(), L"THintWindow"), nullptr) << "hint over the question";
  }
  ASSERT_TRUE(diary.ClickButton(ask, W("&Nem")));
  EXPECT_EQ(diary.Status(), title);
}

TEST(DiaryUse, TheHelpTextUsesTheWidthOfItsWindow) {
  DiaryFolder folder;
  Diary diary(folder);
  ASSERT_TRUE(diary.Started());
  ASSERT_TRUE(diary.Activate());
  PressKey('R', {VK_CONTROL, VK_MENU});
  HWND help = diary.WaitForWindow(L"TfrmReadme");
  ASSERT_NE(help, nullptr);
  HWND text = ChildOfClass(help, L"TMemo");
  ASSERT_NE(text, nullptr);
  RECT client{};
  GetClientRect(text, &client);
  // The right end of the longest line the memo shows.
  int widest = 0;
  const LRESULT lines = SendMessageW(text, EM_GETLINECOUNT, 0, 0);
  for (LRESULT i = 0; i < lines; ++i) {
    const LRESULT start = SendMessageW(text, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    const LRESULT length = SendMessageW(text, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (length <= 0) continue;
    const LRESULT pos = SendMessageW(text, EM_POSFROMCHAR, static_cast<WPARAM>(start + length - 1), 0);
    widest = std::max(widest, static_cast<int>(static_cast<short>(LOWORD(pos))));
  }
  EXPECT_GE(widest, client.right * 85 / 100) << "lines end at " << widest << " of " << client.right;
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(diary.WaitFor([&] { return !IsWindowVisible(help); }));
}
