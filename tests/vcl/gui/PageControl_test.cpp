// The page control over the system tab class: its sheets as tabs in order with their captions, the
// active sheet shown in the page area and the others hidden, a chosen tab making its sheet active
// (OnChange after), and a sheet that goes taking its tab with it.
#include "vcl/gui/PageControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "GuiTestSupport.h"
#include "vcl/rtl/TextConv.h"

namespace {

std::u16string TabText(HWND window, int index) {
  wchar_t text[64]{};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(window, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

class PageControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.reset(New<TForm>(nullptr));
    form_->SetBounds(50, 50, 360, 280);
    pages_ = New<TPageControl>(form_.get());
    pages_->SetBounds(10, 10, 300, 200);
    pages_->SetParent(form_.get());
    for (const char* caption : {"Általános", "Nézet", "Mentés"}) {
      auto* sheet = New<TTabSheet>(form_.get());
      sheet->SetCaption(Utf8ToCp1250(caption));
      sheet->SetPageControl(pages_);
      sheets_.push_back(sheet);
    }
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    form_.reset();
    guitest::Pump();
  }
  // What a click on a tab does: the control selects it and tells its parent.
  void ChooseTab(int index) {
    const HWND window = pages_->Handle();
    SendMessageW(window, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header{window, 0, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(form_->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  }

  std::unique_ptr<TForm> form_;
  TPageControl* pages_ = nullptr;
  std::vector<TTabSheet*> sheets_;
};

TEST_F(PageControlTest, SheetsAreTabsInOrderAndTheFirstFillsThePageArea) {
  const HWND window = pages_->Handle();
  ASSERT_EQ(SendMessageW(window, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(TabText(window, 0), u"Általános");
  EXPECT_EQ(TabText(window, 2), u"Mentés");
  EXPECT_EQ(pages_->PageCount(), 3);
  EXPECT_EQ(sheets_[1]->PageIndex(), 1);
  EXPECT_EQ(pages_->ActivePage(), sheets_[0]);
  EXPECT_EQ(SendMessageW(window, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(sheets_[0]->Handle()));
  EXPECT_FALSE(sheets_[1]->HandleAllocated() && IsWindowVisible(sheets_[1]->Handle()));
  RECT area{0, 0, 300, 200};
  SendMessageW(window, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(sheets_[0]->BoundsRect(), FromRECT(area)) << "the page area";

  sheets_[2]->SetCaption("Mentés és nyomtatás");
  EXPECT_EQ(TabText(window, 2), Cp1250ToUtf16(sheets_[2]->Caption()));
}

TEST_F(PageControlTest, AChosenTabShowsItsSheetThenTellsOnChange) {
  TTabSheet* seen = nullptr;
  pages_->OnChange = [&](TObject*) { seen = pages_->ActivePage(); };
  ChooseTab(2);
  EXPECT_EQ(seen, sheets_[2]) << "the sheet is active when OnChange runs";
  EXPECT_TRUE(IsWindowVisible(sheets_[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(sheets_[0]->Handle()));

  pages_->SetActivePageIndex(1);
  EXPECT_EQ(SendMessageW(pages_->Handle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(IsWindowVisible(sheets_[1]->Handle()));
  EXPECT_FALSE(IsWindowVisible(sheets_[2]->Handle()));
}

TEST_F(PageControlTest, ASheetThatGoesTakesItsTabAndTheNextSheetShows) {
  pages_->SetActivePage(sheets_[1]);
  delete sheets_[1];
  const HWND window = pages_->Handle();
  ASSERT_EQ(pages_->PageCount(), 2);
  ASSERT_EQ(SendMessageW(window, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(TabText(window, 1), u"Mentés");
  EXPECT_EQ(pages_->ActivePage(), sheets_[2]);
  EXPECT_EQ(SendMessageW(window, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(IsWindowVisible(sheets_[2]->Handle()));
  EXPECT_THROW(pages_->Pages(2), EListError);
}

}  // namespace
