// The month calendar over the system one: Date set and read back (before and after the window
// exists, the time dropped), a clicked day becomes the Date (and fires OnChange) before OnClick runs,
// the keys move the day, and the minimum size holds a whole month.
#include "vcl/gui/MonthCalendar.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/rtl/DateUtils.h"

TEST(MonthCalendar, DateFollowsTheWindowAndClicksChooseADay) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(300, 250);
  auto* cal = New<TMonthCalendar>(form.get());
  cal->SetBounds(10, 10, 240, 180);
  const TDateTime sunday = EncodeDate(2024, 1, 7);
  cal->SetDate(sunday + 0.75);  // 18:00 of that day
  EXPECT_EQ(cal->Date(), sunday);
  cal->SetParent(form.get());
  form->Show();
  EXPECT_EQ(guitest::WindowClassOf(cal->Handle()), L"TMonthCalendar");
  SYSTEMTIME st{};
  SendMessageW(cal->Handle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
  EXPECT_EQ(st.wYear, 2024);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 7);
  EXPECT_EQ(cal->Date(), sunday);

  // A click on another day of the month shown: the Date has changed by the time OnClick runs.
  std::vector<TDateTime> atClick;
  int changes = 0;
  cal->OnClick = [&](TObject*) { atClick.push_back(cal->Date()); };
  cal->OnChange = [&](TObject*) { ++changes; };
  MCHITTESTINFO hit{};
  hit.cbSize = sizeof(hit);
  TDateTime target = 0;
  // Look for the 10th of January on the calendar's face.
  for (int y = 0; y < cal->Height() && target == 0; y += 3) {
    for (int x = 0; x < cal->Width() && target == 0; x += 3) {
      hit.pt = POINT{x, y};
      SendMessageW(cal->Handle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.uHit == MCHT_CALENDARDATE && hit.st.wMonth == 1 && hit.st.wDay == 10) target = EncodeDate(2024, 1, 10);
    }
  }
  ASSERT_NE(target, 0);
  const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
  SendMessageW(cal->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(cal->Handle(), WM_LBUTTONUP, 0, at);
  guitest::Pump();
  ASSERT_EQ(atClick.size(), 1u);
  EXPECT_EQ(atClick[0], target);
  EXPECT_EQ(changes, 1);

  // A date set by code is no change of the user's; a new window keeps it.
  cal->SetDate(target + 1);
  EXPECT_EQ(changes, 1);
  cal->RecreateWnd();
  EXPECT_EQ(cal->Date(), target + 1);
}

TEST(MonthCalendar, KeysMoveTheDayAndTheMinimumSizeShowsAWholeMonth) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(400, 300);
  auto* cal = New<TMonthCalendar>(form.get());
  cal->SetParent(form.get());
  form->Show();
  EXPECT_EQ(cal->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, static_cast<LRESULT>(DLGC_WANTARROWS));
  cal->SetDate(EncodeDate(2024, 1, 31));
  int changes = 0;
  cal->OnChange = [&](TObject*) { ++changes; };
  struct Case {
    WORD key;
    TDateTime expected;
  };
  // One after the other, from 2024-01-31; a month step keeps within the shorter month.
  const Case cases[] = {
      {VK_RIGHT, EncodeDate(2024, 2, 1)},  {VK_LEFT, EncodeDate(2024, 1, 31)}, {VK_DOWN, EncodeDate(2024, 2, 7)},
      {VK_UP, EncodeDate(2024, 1, 31)},    {VK_NEXT, EncodeDate(2024, 2, 29)}, {VK_PRIOR, EncodeDate(2024, 1, 29)},
      {VK_END, EncodeDate(2024, 1, 31)},   {VK_HOME, EncodeDate(2024, 1, 1)},  {VK_LEFT, EncodeDate(2023, 12, 31)},
  };
  int expectedChanges = 0;
  for (const Case& c : cases) {
    SendMessageW(cal->Handle(), WM_KEYDOWN, c.key, 1);
    EXPECT_EQ(cal->Date(), c.expected) << "key " << c.key;
    SYSTEMTIME st{};
    SendMessageW(cal->Handle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    EXPECT_EQ(EncodeDate(st.wYear, st.wMonth, st.wDay), c.expected) << "key " << c.key;
    EXPECT_EQ(changes, ++expectedChanges);
  }
  // The size for a whole month: at least what the calendar asks for its client area.
  RECT need{};
  SendMessageW(cal->Handle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need));
  const TPoint size = cal->MinimumSize();
  EXPECT_GE(size.X, need.right - need.left);
  EXPECT_GE(size.Y, need.bottom - need.top);
  cal->SetBounds(0, 0, size.X, size.Y);
  RECT client{};
  GetClientRect(cal->Handle(), &client);
  EXPECT_GE(client.right, need.right - need.left);
  EXPECT_GE(client.bottom, need.bottom - need.top);
}
