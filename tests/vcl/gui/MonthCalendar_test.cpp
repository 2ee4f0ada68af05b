// The month calendar over the system one: Date set and read back (before and after the window
// exists, the time dropped), and a clicked day becomes the Date (and fires OnChange) before OnClick runs.
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
