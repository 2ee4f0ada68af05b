// The status bar over the system status bar: placed by the layer at the bottom, one simple panel with
// Hungarian text, and the size grip only on sizeable forms.
#include "vcl/gui/StatusBar.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/rtl/TextConv.h"

namespace {

std::u16string SimpleText(HWND bar) {
  char16_t text[256] = {};
  // A simple-mode bar answers for part 0.
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

TEST(StatusBar, SimplePanelShowsTheTextAtTheBottom) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(400, 300);
  auto* bar = New<TStatusBar>(form.get());
  bar->SetHeight(19);
  bar->SetSimplePanel(true);
  bar->SetSimpleText(Utf8ToCp1250("2024.01.07 - Vasárnap"));
  bar->SetParent(form.get());
  form->Show();
  EXPECT_EQ(guitest::WindowClassOf(bar->Handle()), L"TStatusBar");
  EXPECT_EQ(bar->BoundsRect(), Bounds(0, 281, 400, 19));
  EXPECT_NE(SendMessageW(bar->Handle(), SB_ISSIMPLE, 0, 0), 0);
  EXPECT_EQ(Utf16ToUtf8(SimpleText(bar->Handle())), "2024.01.07 - Vasárnap");

  bar->SetSimpleText(bar->SimpleText() + Utf8ToCp1250(" (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)"));
  EXPECT_EQ(Utf16ToUtf8(SimpleText(bar->Handle())),
            "2024.01.07 - Vasárnap (FIGYELEM! A szerkesztő módból a CTRL+ALT+P billentyűkombinációval lehet kilépni!)");

  // The layer keeps its place when the form changes size (the window does not move itself).
  form->SetClientSize(500, 200);
  EXPECT_EQ(bar->BoundsRect(), Bounds(0, 181, 500, 19));
  RECT r{};
  GetWindowRect(bar->Handle(), &r);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(FromRECT(r), Bounds(0, 181, 500, 19));

  // The text survives a new window; the grip follows the form's border.
  EXPECT_NE(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
  form->SetBorderStyle(bsDialog);
  bar->RecreateWnd();
  EXPECT_EQ(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
  EXPECT_EQ(Utf16ToUtf8(SimpleText(bar->Handle())).substr(0, 10), "2024.01.07");
  EXPECT_NE(SendMessageW(bar->Handle(), SB_ISSIMPLE, 0, 0), 0);
}
