// User title buttons and the title bar on a skinned form under Wine with the built-in skin: where they
// sit and which hit-test codes they answer, how items are painted (a disabled one at half strength, a
// tab that is down last), tab groups, the drop-down click, hints, command 62 on a change and clicks
// that come through the border window.
#include "skin/forms/skTitleBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sTitleHint.h"
#include "skin/forms/skTitleItemAnim.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLibrary.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/HintWindow.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/gui/UtilWindow.h"
#include "vcl/rtl/Reader.h"

using namespace skintest;

namespace {

// A shown skinned sizeable form with a title bar; user buttons and items are added by the tests.
class TitleBarTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    // A shown menu leaves the layer's hidden popup window behind: it goes, so that later tests find the
    // process as it was (the next menu makes it again).
    if (menuShown_) DeallocateHWnd(PopupListWindow());
    SkinFixture::TearDown();
  }
  void MakeForm() {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(60, 50, 420, 240);
    form_->SetCaption("Napló");
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    bar_ = New<TsTitleBar>(form_);  // the provider adopts it as it is inserted
    ShowWindow(form_->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
  }
  TskTitleBarItem* AddItem(TskBtnStyle style, const AnsiString& caption = "", TskItemAlign align = tbaLeft) {
    auto* item = static_cast<TskTitleBarItem*>(bar_->Items().Add());
    item->SetStyle(style);
    item->SetCaption(caption);
    item->SetAlign(align);
    return item;
  }
  TsTitleButton* AddButton() { return static_cast<TsTitleButton*>(provider_->TitleButtons().Add()); }
  void Layout() {
    provider_->SkinSysMenu->UpdateItems(false);
    provider_->UpdateTitleLayout();
  }
  RECT Outer() const {
    RECT r{};
    GetWindowRect(form_->Handle(), &r);
    return r;
  }
  static TPoint Centre(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  LPARAM ScreenAt(TPoint p) const {
    const RECT r = Outer();
    return MAKELPARAM(static_cast<WORD>(r.left + p.X), static_cast<WORD>(r.top + p.Y));
  }
  LRESULT Hit(TPoint p) const { return SendMessageW(form_->Handle(), WM_NCHITTEST, 0, ScreenAt(p)); }
  // Press and release of the left button at a point of the form, as the system sends them.
  void Press(TPoint p) {
    SendMessageW(form_->Handle(), WM_NCLBUTTONDOWN, static_cast<WPARAM>(Hit(p)), ScreenAt(p));
  }
  void Release(TPoint p) { SendMessageW(form_->Handle(), WM_NCLBUTTONUP, static_cast<WPARAM>(Hit(p)), ScreenAt(p)); }
  // The frame painted again; the cache's pixel (0x00RRGGBB).
  void Repaint() {
    provider_->SkinData().BackgroundDirty = true;
    provider_->PaintFormFrame();
  }
  Cardinal CachePixel(TPoint p) const {
    TBitmap& cache = *provider_->SkinData().CacheBitmap;
    GdiFlush();
    return static_cast<const Cardinal*>(cache.ScanLine(p.Y))[p.X] & 0x00FFFFFFu;
  }

  TForm* form_ = nullptr;
  TsTitleBar* bar_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  bool menuShown_ = false;
};

TEST_F(TitleBarTest, UserButtonsStandLeftOfTheSystemButtonsAndAnswerOnlyWhenEnabled) {
  MakeForm();
  TsTitleButton* first = AddButton();
  TsTitleButton* hidden = AddButton();
  TsTitleButton* third = AddButton();
  hidden->SetVisible(false);
  Layout();
  const TRect minimize = provider_->SysButtons[sbMin].Rect;
  const TskTitleInput in = provider_->TitleInput();
  const int space = UsesBigButtons(in) ? in.BISpace : 0;
  // The first user button ends the 6-pixel gap (and the skin's spacing) left of the minimize button.
  EXPECT_EQ(first->Data.Rect.Right, minimize.Left - space - 6);
  EXPECT_EQ(first->Data.Rect.Top, minimize.Top);
  EXPECT_EQ(hidden->Data.Rect.Width(), 0);
  EXPECT_EQ(third->Data.Rect.Right, first->Data.Rect.Left - space);
  EXPECT_EQ(Hit(Centre(first->Data.Rect)), 1000);
  // The hidden button keeps its ordinal: the third answers 1002.
  EXPECT_EQ(Hit(Centre(third->Data.Rect)), 1002);
  third->SetEnabled(false);
  EXPECT_EQ(Hit(Centre(third->Data.Rect)), HTCAPTION);
}

TEST_F(TitleBarTest, AUserButtonsGlyphIsCentredInItsButton) {
  MakeForm();
  TsTitleButton* button = AddButton();
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(8, 6);
  glyph.Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));  // red
  glyph.Canvas().FillRect(TRect{0, 0, 8, 6});
  glyph.Canvas().SetPixels(0, 5, static_cast<TColor>(0x00FF00));  // the bottom-left pixel: the transparent colour
  button->SetGlyph(&glyph);
  Layout();
  Repaint();
  const TRect r = button->Data.Rect;
  const TPoint at{r.Left + (r.Width() - 8) / 2, r.Top + (r.Height() - 6) / 2};
  EXPECT_EQ(CachePixel(TPoint{at.X + 1, at.Y}), 0xFF0000u);
  EXPECT_EQ(CachePixel(TPoint{at.X + 7, at.Y + 5}), 0xFF0000u);
  EXPECT_NE(CachePixel(TPoint{at.X, at.Y + 5}), 0x00FF00u) << "the transparent colour stays out";
}

TEST_F(TitleBarTest, ItemsAnswer2000PlusTheirIndexSpacingAndInfoNever) {
  MakeForm();
  TskTitleBarItem* button = AddItem(bsButton, "Egy");
  TskTitleBarItem* spacing = AddItem(bsSpacing);
  TskTitleBarItem* info = AddItem(bsInfo, "Info");
  TskTitleBarItem* disabled = AddItem(bsButton, "Ki");
  TskTitleBarItem* right = AddItem(bsButton, "Jobb", tbaRight);
  disabled->SetEnabled(false);
  Layout();
  EXPECT_EQ(Hit(Centre(button->Rect)), 2000);
  EXPECT_EQ(Hit(Centre(spacing->Rect)), HTCAPTION);
  EXPECT_EQ(Hit(Centre(info->Rect)), HTCAPTION);
  EXPECT_EQ(Hit(Centre(disabled->Rect)), HTCAPTION);
  EXPECT_EQ(Hit(Centre(right->Rect)), 2004);
  // The bar lies between the icon and the buttons: its right items end 6 left of the system buttons.
  EXPECT_GE(button->Rect.Left, provider_->CaptionIconRect.Right);
  EXPECT_EQ(right->Rect.Right, provider_->SysButtons[sbMin].Rect.Left - provider_->TitleInput().BISpace - 6);
}

TEST_F(TitleBarTest, ADisabledItemIsPaintedAtHalfStrengthOverTheTitle) {
  MakeForm();
  // On the right: the caption, which moves with the left items, stays away from it.
  TskTitleBarItem* item = AddItem(bsButton, "", tbaRight);
  item->SetSkinSection("BUTTON");  // a section that paints an opaque face in its normal state
  item->SetWidth(40);
  item->SetAutoSize(false);
  Layout();
  const TPoint p = Centre(item->Rect);
  item->SetVisible(false);
  Layout();
  Repaint();
  const Cardinal title = CachePixel(p);
  item->SetVisible(true);
  Layout();
  Repaint();
  const Cardinal face = CachePixel(p);
  ASSERT_NE(face, title) << "the item paints over the title";
  item->SetEnabled(false);
  Repaint();
  const Cardinal half = CachePixel(p);
  for (int c = 0; c < 24; c += 8) {
    const int expected = ((title >> c & 0xFF) + (face >> c & 0xFF)) / 2;
    EXPECT_NEAR(static_cast<int>(half >> c & 0xFF), expected, 1) << "channel at bit " << c;
  }
}

TEST_F(TitleBarTest, ATabThatIsDownIsPaintedAfterTheOthers) {
  MakeForm();
  TskTitleBarItem* first = AddItem(bsTab, "A");
  TskTitleBarItem* down = AddItem(bsTab, "B");
  TskTitleBarItem* last = AddItem(bsButton, "C");
  down->SetDown(true);
  Layout();
  std::vector<TskTitleBarItem*> order;
  for (TskTitleBarItem* item : {first, down, last})
    item->PaintHandler = [&order](TskTitleBarItem* it, const TRect&, TBitmap*) { order.push_back(it); };
  provider_->PaintTitleItems();
  EXPECT_EQ(order, (std::vector<TskTitleBarItem*>{last, first, down}));
}

TEST_F(TitleBarTest, TabsOfOneGroupExcludeEachOtherAndADownTabIgnoresPresses) {
  MakeForm();
  TskTitleBarItem* a = AddItem(bsTab, "A");
  TskTitleBarItem* b = AddItem(bsTab, "B");
  TskTitleBarItem* other = AddItem(bsTab, "Másik");
  other->SetGroupIndex(1);
  other->SetDown(true);
  a->SetDown(true);
  int clicks = 0;
  b->OnClick = [&clicks](TObject*) { ++clicks; };
  a->OnClick = [&clicks](TObject*) { clicks += 100; };
  Layout();
  EXPECT_EQ(Hit(Centre(a->Rect)), HTCAPTION) << "a tab that is down does not answer";
  const TPoint atB = Centre(b->Rect);
  ASSERT_EQ(Hit(atB), 2001);
  Press(atB);
  Release(atB);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(other->Down()) << "another group is left alone";
  EXPECT_FALSE(TsSkinProvider::TitleButtonPressed);
  // Pressing the tab that is down does nothing, even when it is asked directly.
  b->MouseDown(mbLeft, TShiftState{}, 0, 0);
  b->MouseUp(mbLeft, TShiftState{}, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(b->Down());
}

TEST_F(TitleBarTest, AButtonWithADropDownMenuClicksAfterTheMenuClosesNotOnMouseUp) {
  MakeForm();
  auto* menu = New<TPopupMenu>(form_);
  auto* entry = New<TMenuItem>(menu);
  entry->SetCaption("Első");
  menu->Items()->Add(entry);
  TskTitleBarItem* item = AddItem(bsButton, "Menü");
  item->DropdownMenu = menu;
  item->Invalidate(true);
  menuShown_ = true;
  int clicks = 0, clicksWhileShown = -1;
  bool shownWhileOpen = false;
  item->OnClick = [&clicks](TObject*) { ++clicks; };
  menu->OnPopup = [&](TObject*) {
    clicksWhileShown = clicks;
    shownWhileOpen = item->MenuShown && item->State() == 2;
  };
  Layout();
  const TPoint p = Centre(item->Rect);
  ASSERT_EQ(Hit(p), 2000);
  // The menu's modal loop ends from a timer.
  const UINT_PTR timer = SetTimer(nullptr, 0, 60, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
  Press(p);
  KillTimer(nullptr, timer);
  EXPECT_EQ(clicksWhileShown, 0);
  EXPECT_TRUE(shownWhileOpen);
  EXPECT_EQ(clicks, 1) << "clicked when the menu closed";
  EXPECT_FALSE(item->MenuShown);
  EXPECT_EQ(item->State(), 0);
  EXPECT_FALSE(TsSkinProvider::TitleButtonPressed);
  Release(p);
  EXPECT_EQ(clicks, 1) << "the release clicks no more";
  // A plain button clicks on the release.
  TskTitleBarItem* plain = AddItem(bsButton, "Sima");
  plain->OnClick = [&clicks](TObject*) { clicks += 10; };
  Layout();
  const TPoint q = Centre(plain->Rect);
  Press(q);
  EXPECT_EQ(clicks, 1);
  Release(q);
  EXPECT_EQ(clicks, 11);
}

TEST_F(TitleBarTest, TheMouseEntersAndLeavesItemsOnce) {
  MakeForm();
  TskTitleBarItem* first = AddItem(bsButton, "Egy");
  TskTitleBarItem* second = AddItem(bsButton, "Kettő");
  std::vector<std::string> events;
  first->OnMouseEnter = [&events](TObject*) { events.push_back("enter 1"); };
  first->OnMouseLeave = [&events](TObject*) { events.push_back("leave 1"); };
  second->OnMouseEnter = [&events](TObject*) { events.push_back("enter 2"); };
  Layout();
  auto moveTo = [this](TPoint p) {
    SendMessageW(form_->Handle(), WM_NCMOUSEMOVE, static_cast<WPARAM>(Hit(p)), ScreenAt(p));
  };
  moveTo(Centre(first->Rect));
  moveTo(TPoint{Centre(first->Rect).X + 1, Centre(first->Rect).Y});
  EXPECT_EQ(first->MouseState, 1);
  EXPECT_EQ(provider_->HotHitTest, 2000);
  moveTo(Centre(second->Rect));
  EXPECT_EQ(first->MouseState, 0);
  EXPECT_EQ(second->MouseState, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"enter 1", "leave 1", "enter 2"}));
}

// The caption stands between the bar's left and right items, 8 pixels from each, and only with ShowCaption.
TEST_F(TitleBarTest, TheCaptionStandsBetweenTheLeftAndRightItems) {
  MakeForm();
  AddItem(bsButton, "Bal");
  AddItem(bsButton, "Jobb", tbaRight);
  Layout();
  Repaint();
  EXPECT_TRUE(provider_->CaptionTextBounds.IsEmpty()) << "ShowCaption off";
  bar_->SetShowCaption(true);
  Layout();
  Repaint();
  ASSERT_FALSE(provider_->CaptionTextBounds.IsEmpty());
  EXPECT_EQ(provider_->CaptionTextBounds.Left, bar_->Area.Left + bar_->AlignedWidth(tbaLeft) + 8);
  EXPECT_LE(provider_->CaptionTextBounds.Right, bar_->Area.Right - bar_->AlignedWidth(tbaRight) - 8);
}

TEST(TitleBarAdoption, ARunTimeProviderTakesTheFormsLastTitleBar) {
  auto* form = New<TForm>(nullptr);
  New<TsTitleBar>(form);
  auto* last = New<TsTitleBar>(form);
  TsSkinProvider* provider = TsSkinProvider::CreateRunTime(form);
  EXPECT_EQ(provider->TitleBar(), last);
  delete form;
}

TEST_F(TitleBarTest, AHintAppearsAtTheCursorInsideTheWorkAreaAndTopmost) {
  const TskMonitorSource saved = SetMonitorSource([](HWND) { return TskMonitorAreas{TRect{0, 0, 1024, 768}, TRect{0, 0, 600, 400}}; });
  MakeForm();
  TsTitleButton* button = AddButton();
  button->SetHint("Mentés");
  TskTitleBarItem* item = AddItem(bsButton, "Elem");
  item->SetHint("Az elem súgója");
  item->ShowHint = true;
  Layout();
  // Over the user button, well inside the work area: at the cursor + (8, 16).
  POINT savedCursor{};
  GetCursorPos(&savedCursor);
  const RECT outer = Outer();
  const TPoint at = Centre(button->Data.Rect);
  SetCursorPos(outer.left + at.X, outer.top + at.Y);
  POINT cursor{};
  GetCursorPos(&cursor);
  SendMessageW(form_->Handle(), WM_NCMOUSEMOVE, static_cast<WPARAM>(Hit(at)), ScreenAt(at));
  THintWindow* hint = button->HintWindow();
  ASSERT_NE(hint, nullptr);
  RECT r{};
  GetWindowRect(hint->Handle(), &r);
  EXPECT_EQ(r.left, cursor.x + 8);
  EXPECT_EQ(r.top, cursor.y + 16);
  EXPECT_NE(GetWindowLongPtrW(hint->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_TRUE(IsWindowVisible(hint->Handle()));
  // Moving onto the item hides the button's hint and shows the item's.
  const TPoint onItem = Centre(item->Rect);
  SendMessageW(form_->Handle(), WM_NCMOUSEMOVE, static_cast<WPARAM>(Hit(onItem)), ScreenAt(onItem));
  EXPECT_EQ(button->HintWindow(), nullptr);
  EXPECT_NE(item->HintWindow(), nullptr);
  // Near the work area's bottom-right corner the hint is pushed back inside it.
  const TRect pushed = TitleHintRect(TPoint{590, 395}, TPoint{120, 20}, TRect{0, 0, 600, 400});
  EXPECT_EQ(pushed, (TRect{480, 376, 600, 400}));
  SetMonitorSource(saved);
  SetCursorPos(savedCursor.x, savedCursor.y);
}

TEST(TitleHint, ALongHintNeverFadesEvenWhenTooltipsFade) {
  BOOL animation = FALSE, fade = FALSE;
  SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animation, 0);
  SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
  SystemParametersInfoW(SPI_SETTOOLTIPANIMATION, 0, reinterpret_cast<void*>(TRUE), 0);
  SystemParametersInfoW(SPI_SETTOOLTIPFADE, 0, reinterpret_cast<void*>(TRUE), 0);
  EXPECT_TRUE(TitleHintFades(std::string(99, 'x')));
  EXPECT_FALSE(TitleHintFades(std::string(120, 'x')));
  SystemParametersInfoW(SPI_SETTOOLTIPFADE, 0, reinterpret_cast<void*>(FALSE), 0);
  EXPECT_FALSE(TitleHintFades("short")) << "fading off";
  SystemParametersInfoW(SPI_SETTOOLTIPANIMATION, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(animation)), 0);
  SystemParametersInfoW(SPI_SETTOOLTIPFADE, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(fade)), 0);
}

TEST_F(TitleBarTest, AChangedItemSendsCommand62AndTheTitleRepaints) {
  MakeForm();
  TskTitleBarItem* item = AddItem(bsButton, "", tbaRight);
  item->SetSkinSection("BUTTON");
  Layout();
  Repaint();
  const TPoint p = Centre(item->Rect);
  const Cardinal before = CachePixel(p);
  std::vector<LPARAM> commands;
  const TWndMethod saved = form_->WindowProc();
  form_->SetWindowProc(TWndMethod::FromFunction([&](TMessage& m) {
    if (m.Msg == SkinCommandMessage && HIWORD(m.WParam) == scTitleChanged) commands.push_back(m.LParam);
    saved(m);
  }));
  item->SetVisible(false);
  form_->SetWindowProc(saved);
  ASSERT_EQ(commands, std::vector<LPARAM>{1});
  // The frame was painted again without the item.
  EXPECT_NE(CachePixel(p), before);
}

TEST_F(TitleBarTest, TheBarRefusesAnythingButAForm) {
  MakeForm();
  EXPECT_THROW(New<TsTitleBar>(bar_), EAbort);
  // The provider adopted the form's bar; it forgets it when the bar goes.
  EXPECT_EQ(provider_->TitleBar(), bar_);
  delete bar_;
  EXPECT_EQ(provider_->TitleBar(), nullptr);
}

TEST_F(TitleBarTest, TheMenuButtonPictureHasThreeStatesWithItsAlphaPrepared) {
  MakeForm();
  TBitmap* picture = bar_->MenuButtonImage();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 3 * 24);
  GdiFlush();
  const Cardinal corner = static_cast<const Cardinal*>(picture->ScanLine(0))[0];
  EXPECT_EQ(corner & 0x00FFFFFFu, 0x00FF00FFu) << "the key colour stays";
  const Cardinal inside = static_cast<const Cardinal*>(picture->ScanLine(10))[12];
  EXPECT_EQ(inside >> 24, 170u) << "opacity = 255 - stored transparency";
  // Prepared: the colour is multiplied by the alpha.
  Cardinal pixel = 0x55804020u;  // stored transparency 0x55
  PrepareMenuButtonPixels(&pixel, 1);
  EXPECT_EQ(pixel, (0xAAu << 24) | ((0x80u * 0xAA / 256) << 16) | ((0x40u * 0xAA / 256) << 8) | (0x20u * 0xAA / 256));
}

// An item that keeps its own glow has its caption glow in the font data's colour; taking the skin's
// glow again paints it as before.
TEST_F(TitleBarTest, ACaptionGlowsInTheFontDatasOwnColour) {
  MakeForm();
  TskTitleBarItem* item = AddItem(bsButton, "Glow", tbaRight);
  Layout();
  auto picture = [this, item] {
    Repaint();
    std::vector<Cardinal> out;
    for (int y = item->Rect.Top; y < item->Rect.Bottom; ++y)
      for (int x = item->Rect.Left; x < item->Rect.Right; ++x) out.push_back(CachePixel(TPoint{x, y}));
    return out;
  };
  const std::vector<Cardinal> plain = picture();
  item->FontData().SetUseSys(2, false);
  item->FontData().SetGlowColor(clRed);
  item->FontData().SetGlowSize(4);
  const std::vector<Cardinal> glowing = picture();
  // Around the caption (the text itself is painted over its glow) the title moves towards red.
  auto channel = [](Cardinal c, int shift) { return static_cast<int>(c >> shift & 0xFF); };
  int redder = 0, otherwise = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] == glowing[i]) continue;
    const Cardinal was = plain[i], now = glowing[i];
    const bool towardsRed = channel(now, 16) >= channel(was, 16) && channel(now, 8) < channel(was, 8) && channel(now, 0) < channel(was, 0);
    ++(towardsRed ? redder : otherwise);
  }
  EXPECT_GT(redder, 20) << "a red halo around the caption";
  EXPECT_LT(otherwise, redder / 4) << "only the caption's own pixels may change otherwise";
  item->FontData().SetUseSys(2, true);
  EXPECT_EQ(picture(), plain);
}

// A form definition brings a title bar with its items, and names the bar its provider shows: not the one
// the provider would adopt by itself.
TEST_F(TitleBarTest, AFormDefinitionReadsTheBarItsItemsAndTheProvidersTitleBar) {
  RegisterGuiClasses();
  RegisterSkinProviderClasses();
  RegisterTitleBarClasses();
  form_ = New<TForm>(nullptr);
  ReadComponentFromText(*form_, R"(object Form1: TForm
  object sSkinProvider1: TsSkinProvider
    TitleBar = sTitleBar2
  end
  object PopupMenu1: TPopupMenu
  end
  object sTitleBar1: TsTitleBar
  end
  object sTitleBar2: TsTitleBar
    Items = <
      item
        Align = tbaRight
        AutoSize = False
        Caption = 'Tab'
        Down = True
        Height = 20
        Hint = 'The first tab'
        ImageIndex = 2
        HotImageIndex = 3
        PressedImageIndex = 4
        DisabledImageIndex = 5
        Name = 'First'
        ShowHint = True
        SkinSection = 'BUTTON'
        Spacing = 6
        Style = bsTab
        Width = 60
      end
      item
        DropdownMenu = PopupMenu1
        Enabled = False
        FontData.GlowColor = clRed
        FontData.GlowSize = 3
        FontData.UseSysSize = False
        FontData.Font.Height = -15
        NumGlyphs = 2
        Visible = False
      end
      item
      end>
    ItemsMargin = 10
    ItemsSpacing = 2
    ShowCaption = True
  end
end
)");
  auto* provider = dynamic_cast<TsSkinProvider*>(form_->FindComponent("sSkinProvider1"));
  auto* bar = dynamic_cast<TsTitleBar*>(form_->FindComponent("sTitleBar2"));
  ASSERT_NE(provider, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(provider->TitleBar(), bar);
  EXPECT_EQ(bar->ItemsMargin(), 10);
  EXPECT_EQ(bar->ItemsSpacing(), 2);
  EXPECT_TRUE(bar->ShowCaption());
  ASSERT_EQ(bar->Items().Count(), 3);

  const TskTitleBarItem* tab = bar->Items().Items(0);
  EXPECT_EQ(tab->Align(), tbaRight);
  EXPECT_FALSE(tab->AutoSize());
  EXPECT_EQ(tab->Caption(), "Tab");
  EXPECT_TRUE(tab->Down());
  EXPECT_EQ(tab->Height(), 20);
  EXPECT_EQ(tab->Hint(), "The first tab");
  EXPECT_EQ((std::vector<Integer>{tab->ImageIndex(), tab->HotImageIndex(), tab->PressedImageIndex(), tab->DisabledImageIndex()}),
            (std::vector<Integer>{2, 3, 4, 5}));
  EXPECT_EQ(tab->Name(), "First");
  EXPECT_TRUE(tab->ShowHint);
  EXPECT_EQ(tab->SkinSection(), "BUTTON");
  EXPECT_EQ(tab->Spacing(), 6);
  EXPECT_EQ(tab->Style(), bsTab);
  EXPECT_EQ(tab->Width(), 60);

  TskTitleBarItem* menu = bar->Items().Items(1);
  EXPECT_EQ(menu->DropdownMenu, form_->FindComponent("PopupMenu1"));
  EXPECT_FALSE(menu->Enabled());
  EXPECT_EQ(menu->FontData().GlowColor(), clRed);
  EXPECT_EQ(menu->FontData().GlowSize(), 3);
  EXPECT_FALSE(menu->FontData().UseSysSize());
  EXPECT_TRUE(menu->FontData().UseSysStyle());
  EXPECT_EQ(menu->FontData().Font().Height(), -15);
  EXPECT_EQ(menu->NumGlyphs(), 2);
  EXPECT_FALSE(menu->Visible());

  // An item the definition leaves empty: its class name, and sized at the margin read after it.
  const TskTitleBarItem* plain = bar->Items().Items(2);
  EXPECT_EQ(plain->Name(), "TskTitleBarItem");
  EXPECT_EQ(plain->Width(), 20);
  EXPECT_EQ(plain->Height(), 20);
}

// An item under the mouse fades into its hot picture in a layered window over it, as the title buttons
// do, while the frame's picture keeps showing it normal; the real cursor is placed, because the
// fading watches it.
class TitleItemFadeTest : public TitleBarTest {
 protected:
  void SetUp() override {
    TitleBarTest::SetUp();
    GetCursorPos(&savedCursor_);
  }
  void TearDown() override {
    SetCursorPos(savedCursor_.x, savedCursor_.y);
    TitleBarTest::TearDown();
  }
  static std::vector<int> Alphas(const TLayeredRecorder& recorder, HWND window) {
    std::vector<int> out;
    for (const TLayeredCall& c : recorder.calls)
      if (c.Window == window && c.Update) out.push_back(c.Alpha);
    return out;
  }
  void MoveTo(TPoint p) {
    const RECT r = Outer();
    SetCursorPos(r.left + p.X, r.top + p.Y);
    SendMessageW(form_->Handle(), WM_NCMOUSEMOVE, static_cast<WPARAM>(Hit(p)), ScreenAt(p));
  }

  POINT savedCursor_{};
};

TEST_F(TitleItemFadeTest, AHotItemFadesInOverTenTicksAndGoesAtOnceWhenTheMouseLeaves) {
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TskTitleBarItem* item = AddItem(bsButton, "", tbaRight);
  item->SetSkinSection("BUTTON");  // an opaque face, another colour when hot
  item->SetWidth(40);
  item->SetAutoSize(false);
  Layout();
  const TPoint p = Centre(item->Rect);
  item->MouseState = 1;
  Repaint();
  const Cardinal hot = CachePixel(p);
  item->MouseState = 0;
  Repaint();
  const Cardinal normal = CachePixel(p);
  ASSERT_NE(hot, normal);

  TLayeredRecorder recorder;
  MoveTo(p);
  ASSERT_EQ(provider_->HotHitTest, 2000);
  ASSERT_NE(item->Animation, nullptr);
  const HWND fade = item->Animation->FadeWindow();
  ASSERT_NE(fade, nullptr);
  EXPECT_NE(GetWindowLongPtrW(fade, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  guitest::PumpFor(300);
  std::vector<int> in = Alphas(recorder, fade);
  const auto full = std::find(in.begin(), in.end(), 255);
  ASSERT_NE(full, in.end());
  in.erase(full + 1, in.end());
  EXPECT_EQ(in, (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 255}));
  EXPECT_EQ(item->Animation->StepCount, -1) << "the fade-in completed";
  // Over the item, its size, showing the item hot; the frame was not painted again for it.
  const TLayeredCall& last = recorder.calls.back();
  const RECT outer = Outer();
  EXPECT_EQ(last.Position, (TPoint{outer.left + item->Rect.Left, outer.top + item->Rect.Top}));
  EXPECT_EQ(last.Size, (TPoint{item->Rect.Width(), item->Rect.Height()}));
  EXPECT_EQ(last.PixelAt(p.X - item->Rect.Left, p.Y - item->Rect.Top) & 0x00FFFFFFu, hot);
  EXPECT_EQ(CachePixel(p), normal);

  // A press shows the pressed picture at once, in one frame, in a new window; the hot one stays until
  // the pressed one is whole (the next tick).
  recorder.calls.clear();
  Press(p);
  EXPECT_EQ(item->MouseState, 2);
  const HWND pressed = item->Animation->FadeWindow();
  EXPECT_EQ(Alphas(recorder, pressed), std::vector<int>{255});
  EXPECT_EQ(item->Animation->PreviousWindow(), fade);
  guitest::PumpFor(100);
  EXPECT_EQ(item->Animation->PreviousWindow(), nullptr);
  EXPECT_FALSE(IsWindow(fade));
  // The release fades the hot picture in again while the pressed window stays; then that goes.
  recorder.calls.clear();
  Release(p);
  EXPECT_EQ(item->MouseState, 1);
  EXPECT_EQ(item->Animation->PreviousWindow(), pressed);
  guitest::PumpFor(300);
  const std::vector<int> again = Alphas(recorder, item->Animation->FadeWindow());
  ASSERT_FALSE(again.empty());
  EXPECT_LT(again.front(), 255);
  EXPECT_EQ(again.back(), 255);
  EXPECT_FALSE(IsWindow(pressed));

  // The mouse leaves for the bare desktop: the fading tells the form, and the picture goes at once.
  const HWND window = item->Animation->FadeWindow();
  recorder.calls.clear();
  SetCursorPos(5, 5);
  guitest::PumpFor(300);
  EXPECT_EQ(provider_->HotHitTest, -1);
  EXPECT_EQ(item->MouseState, 0);
  EXPECT_TRUE(Alphas(recorder, window).empty()) << "no fading out";
  EXPECT_EQ(item->Animation->FadeWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(item->Animation->Enabled());
  EXPECT_EQ(CachePixel(p), normal);
}

// An item whose section shows only what lies under it fades a picture of the title at its place, not a
// transparent one.
TEST_F(TitleItemFadeTest, AFullyTransparentItemFadesInTheTitleUnderIt) {
  TSkinVariant variant;
  variant.Set("CLEARITEM", "TRANSPARENCY", 100).Set("CLEARITEM", "HOTTRANSPARENCY", 100);
  LoadVariant(variant);
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  ASSERT_EQ(SectionData("CLEARITEM").Props[1].Transparency, 100);
  TskTitleBarItem* item = AddItem(bsButton, "", tbaRight);
  item->SetSkinSection("CLEARITEM");
  item->SetWidth(40);
  item->SetAutoSize(false);
  Layout();
  Repaint();
  const TPoint p = Centre(item->Rect);
  TLayeredRecorder recorder;
  MoveTo(p);
  ASSERT_FALSE(recorder.calls.empty());
  const TLayeredCall& first = recorder.calls.front();
  for (const TPoint at : {TPoint{1, 1}, TPoint{p.X - item->Rect.Left, p.Y - item->Rect.Top}}) {
    const Cardinal pixel = first.PixelAt(at.X, at.Y);
    EXPECT_EQ(pixel & 0x00FFFFFFu, CachePixel(TPoint{item->Rect.Left + at.X, item->Rect.Top + at.Y}));
    EXPECT_NE(pixel >> 24, 0u);
  }
}

// A provider that goes takes its fading, painter and section handler from the items that stay.
TEST_F(TitleItemFadeTest, AProviderThatGoesLeavesTheItemsNothingOfItself) {
  MakeForm();
  TskTitleBarItem* item = AddItem(bsButton, "Elem");
  Layout();
  item->MouseState = 1;
  item->StartFade(1, provider_, true);
  ASSERT_NE(item->Animation, nullptr);
  ASSERT_TRUE(item->PaintHandler);
  delete provider_;
  provider_ = nullptr;
  EXPECT_EQ(item->Animation, nullptr);
  EXPECT_FALSE(item->PaintHandler);
  EXPECT_FALSE(item->OnChange);
  EXPECT_EQ(item->SkinData, nullptr);
  item->SetSkinSection("BUTTON");  // no provider hears it
  guitest::PumpFor(50);
}

// An item without a painter fades an opaque yellow picture of its size.
TEST_F(TitleItemFadeTest, AnItemWithoutAPainterFadesInYellow) {
  MakeForm();
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TskTitleBarItem* item = AddItem(bsButton, "Elem");
  Layout();
  item->PaintHandler = nullptr;
  item->MouseState = 1;
  TLayeredRecorder recorder;
  item->StartFade(1, provider_, true);
  ASSERT_FALSE(recorder.calls.empty());
  const TLayeredCall& first = recorder.calls.front();
  EXPECT_EQ(first.Alpha, 25);
  ASSERT_EQ(first.Size, (TPoint{item->Rect.Width(), item->Rect.Height()}));
  EXPECT_TRUE(std::all_of(first.Pixels.begin(), first.Pixels.end(), [](Cardinal c) { return c == 0xFFFFFF00u; }));
  // Nothing fades without an owner to show it over.
  TskTitleBarItem* other = AddItem(bsButton, "Más");
  other->StartFade(1, nullptr, true);
  EXPECT_EQ(other->Animation, nullptr);
}

// Through the border window: its hit test finds the item, a press and a release click it.
class TitleBarBorderTest : public TitleBarTest {
 protected:
  void SetUp() override {
    SkinLibraryStartup();
    TitleBarTest::SetUp();
    manager_->SetExtendedBorders(true);
  }
  void TearDown() override {
    TitleBarTest::TearDown();
    SkinLibraryShutdown();
  }
};

TEST_F(TitleBarBorderTest, ClicksThroughTheBorderWindowReachTheItems) {
  TLayeredRecorder recorder;
  MakeForm();
  TskTitleBarItem* item = AddItem(bsButton, "Elem");
  int downs = 0, clicks = 0;
  item->OnMouseDown = [&downs](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++downs; };
  item->OnClick = [&clicks](TObject*) { ++clicks; };
  provider_->UpdateExtBorders(true);
  ASSERT_TRUE(provider_->BorderForm);
  const HWND border = provider_->BorderForm->BorderHandle();
  Layout();
  // The item's rectangle is in the border window's picture.
  RECT b{};
  GetWindowRect(border, &b);
  const TPoint p = Centre(item->Rect);
  const LPARAM at = MAKELPARAM(static_cast<WORD>(b.left + p.X), static_cast<WORD>(b.top + p.Y));
  TMessage hit{WM_NCHITTEST, 0, at, 0};
  ASSERT_EQ(provider_->BorderForm->HitTest(hit), 2000);
  SendMessageW(border, WM_NCLBUTTONDOWN, HTCAPTION, at);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(clicks, 0);
  SendMessageW(border, WM_NCLBUTTONUP, HTCAPTION, at);
  EXPECT_EQ(clicks, 1);
  // A double-click on it clicks again.
  SendMessageW(border, WM_NCLBUTTONDBLCLK, HTCAPTION, at);
  EXPECT_EQ(clicks, 2);
  // A drop-down menu opens under the item where the border window shows it.
  auto* menu = New<TPopupMenu>(form_);
  auto* entry = New<TMenuItem>(menu);
  entry->SetCaption("Első");
  menu->Items()->Add(entry);
  item->DropdownMenu = menu;
  menuShown_ = true;
  const UINT_PTR timer = SetTimer(nullptr, 0, 60, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
  SendMessageW(border, WM_NCLBUTTONDOWN, HTCAPTION, at);
  KillTimer(nullptr, timer);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(menu->PopupPoint(), (TPoint{b.left + item->Rect.Left, b.top + item->Rect.Bottom}));
}

// With a border window the item's fading lies over the item where the border window shows it.
TEST_F(TitleBarBorderTest, AnItemFadesOverTheBorderWindowsPicture) {
  MakeForm();
  TskTitleBarItem* item = AddItem(bsButton, "Elem");
  provider_->UpdateExtBorders(true);
  ASSERT_TRUE(provider_->BorderForm);
  Layout();
  RECT b{};
  GetWindowRect(provider_->BorderForm->BorderHandle(), &b);
  TLayeredRecorder recorder;
  provider_->SetHotButton(2000, true);
  ASSERT_NE(item->Animation, nullptr);
  const HWND fade = item->Animation->FadeWindow();
  ASSERT_NE(fade, nullptr);
  const auto first = std::find_if(recorder.calls.begin(), recorder.calls.end(), [fade](const TLayeredCall& c) { return c.Window == fade; });
  ASSERT_NE(first, recorder.calls.end());
  EXPECT_EQ(first->Position, (TPoint{b.left + item->Rect.Left, b.top + item->Rect.Top}));
  EXPECT_EQ(first->Size, (TPoint{item->Rect.Width(), item->Rect.Height()}));
}

}  // namespace
