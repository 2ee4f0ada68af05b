// The status bar over the system status bar: placed by the layer at the bottom, one simple panel with
// Hungarian text, and the size grip only on sizeable forms.
#include "vcl/gui/StatusBar.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/rtl/Exceptions.h"
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

// Panels side by side, each Width wide and the last to the end, with their texts; an owner-drawn one
// is painted by OnDrawPanel on the bar's Canvas.
TEST(StatusBar, PanelsShowTheirTextsAndOwnerDrawnOnesTheApplicationsDrawing) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(400, 300);
  auto* bar = New<TStatusBar>(form.get());
  bar->SetHeight(22);
  bar->AddPanel().Text = Utf8ToCp1250("Hétfő");
  bar->AddPanel();
  bar->Panels(1).Width = 120;
  bar->Panels(1).Style = psOwnerDraw;
  bar->AddPanel().Text = "Vége";
  int calls = 0;
  bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const TRect& rect) {
    ++calls;
    EXPECT_EQ(panel, &sender->Panels(1));
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    FillRect(sender->Canvas().Handle(), &r, red);
    DeleteObject(red);
  };
  bar->SetParent(form.get());
  form->Show();
  UpdateWindow(bar->Handle());
  const HWND window = bar->Handle();
  ASSERT_EQ(SendMessageW(window, SB_GETPARTS, 0, 0), 3);
  int edges[3] = {};
  SendMessageW(window, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  EXPECT_EQ(edges[0], 50);
  EXPECT_EQ(edges[1], 170);
  EXPECT_EQ(edges[2], -1);
  char16_t text[64] = {};
  SendMessageW(window, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(Utf16ToUtf8(text), "Hétfő");
  EXPECT_GE(calls, 1);
  RECT part{};
  SendMessageW(window, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
  const HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, (part.left + part.right) / 2, (part.top + part.bottom) / 2), RGB(255, 0, 0));
  ReleaseDC(window, dc);
  EXPECT_FALSE(bar->Canvas().HandleAllocated());
  EXPECT_THROW(bar->Panels(3), EListError);
}
