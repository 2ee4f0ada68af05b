// The tool bar over the system tool bar: button layout (button size, separators, hidden buttons,
// edges), clicks through the native buttons, enabled state of the buttons and of the whole bar, and
// the buttons' hints.
#include "vcl/gui/ToolBar.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/HintWindow.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/TextConv.h"

namespace {

class TfrmTools : public TForm {
 public:
  explicit TfrmTools(TComponent* owner) : TForm(owner) {
    SetClientSize(400, 200);
    images = New<TImageList>(this);
    images->AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
    images->AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
    bar = New<TToolBar>(this);
    bar->SetHeight(29);
    bar->SetButtonWidth(28);
    bar->SetButtonHeight(26);
    bar->SetEdgeBorders(TEdgeBorders{ebBottom});
    bar->SetImages(images);
    bar->SetParent(this);
    btnNew = Button(0, Utf8ToCp1250("Új"));
    sep1 = Separator(-1);
    btnDelete = Button(1, Utf8ToCp1250("Töröl"));
    sep2 = Separator(12);
    btnSave = Button(1, "Ment");
  }
  TToolButton* Button(Integer image, const AnsiString& hint) {
    auto* b = New<TToolButton>(this);
    b->SetImageIndex(image);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->OnClick = [this](TObject* sender) { clicked.push_back(static_cast<TToolButton*>(sender)); };
    b->SetParent(bar);
    return b;
  }
  TToolButton* Separator(Integer width) {
    auto* b = New<TToolButton>(this);
    if (width >= 0) b->SetWidth(width);
    b->SetStyle(tbsSeparator);
    b->SetParent(bar);
    return b;
  }
  TImageList* images;
  TToolBar* bar;
  TToolButton *btnNew, *sep1, *btnDelete, *sep2, *btnSave;
  std::vector<TToolButton*> clicked;
};

struct ToolBarFixture : ::testing::Test {
  std::unique_ptr<TfrmTools> form{New<TfrmTools>(nullptr)};
  void TearDown() override { guitest::Pump(); }
  void Click(TToolButton* b) {
    const TRect r = b->BoundsRect();
    const LPARAM at = MAKELPARAM(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    SendMessageW(form->bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(form->bar->Handle(), WM_LBUTTONUP, 0, at);
    guitest::Pump();
  }
  static TBBUTTON NativeButton(TToolButton* b) {
    TBBUTTON tb{};
    SendMessageW(b->ToolBar()->Handle(), TB_GETBUTTON, static_cast<WPARAM>(b->Index()), reinterpret_cast<LPARAM>(&tb));
    return tb;
  }
  bool NativeEnabled(TToolButton* b) {
    const int index = b->Index();
    TBBUTTON tb{};
    SendMessageW(form->bar->Handle(), TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&tb));
    return (tb.fsState & TBSTATE_ENABLED) != 0;
  }
};

}  // namespace

TEST_F(ToolBarFixture, ButtonsAreLaidOutAsTheNativeToolBarPlacesThem) {
  // Before the window exists the layer lays the buttons out itself (a raised bar keeps 2 pixels above).
  const TRect expected[] = {Bounds(0, 2, 28, 26), Bounds(28, 2, 8, 26), Bounds(36, 2, 28, 26), Bounds(64, 2, 12, 26),
                            Bounds(76, 2, 28, 26)};
  ASSERT_EQ(form->bar->ButtonCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form->bar->Buttons(i)->BoundsRect(), expected[i]) << i;
  EXPECT_EQ(form->bar->ClientHeight(), 27);  // the bottom edge: two pixels

  form->Show();
  HWND bar = form->bar->Handle();
  EXPECT_EQ(guitest::WindowClassOf(bar), L"TToolBar");
  EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 5);
  for (int i = 0; i < 5; ++i) {
    RECT r{};
    SendMessageW(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(FromRECT(r), expected[i]) << i;
    EXPECT_EQ(form->bar->Buttons(i)->BoundsRect(), expected[i]) << i;
  }
  EXPECT_EQ(form->bar->BoundsRect(), Bounds(0, 0, 400, 29));
  EXPECT_EQ(form->bar->ClientHeight(), 27);
  TBBUTTON tb{};
  SendMessageW(bar, TB_GETBUTTON, 2, reinterpret_cast<LPARAM>(&tb));
  EXPECT_EQ(tb.iBitmap, 1);

  // A hidden button takes no room; a wider separator moves the rest.
  form->btnDelete->SetVisible(false);
  EXPECT_EQ(form->btnSave->Left(), 28 + 8 + 12);
  form->btnDelete->SetVisible(true);
  form->sep2->SetWidth(20);
  EXPECT_EQ(form->btnSave->Left(), 28 + 8 + 28 + 20);
  form->btnSave->SetImageIndex(0);
  SendMessageW(bar, TB_GETBUTTON, 4, reinterpret_cast<LPARAM>(&tb));
  EXPECT_EQ(tb.iBitmap, 0);

  // Bigger buttons.
  form->bar->SetButtonWidth(32);
  EXPECT_EQ(form->btnDelete->BoundsRect(), Bounds(40, 2, 32, 26));
  form->bar->SetFlat(true);
  EXPECT_NE(GetWindowLongPtrW(form->bar->Handle(), GWL_STYLE) & TBSTYLE_FLAT, 0);
  EXPECT_EQ(form->btnDelete->BoundsRect(), Bounds(40, 0, 32, 26));
  bar = form->bar->Handle();
  delete form->btnNew;
  EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 4);
  EXPECT_EQ(form->sep1->Left(), 0);
}

TEST_F(ToolBarFixture, ClicksReachEnabledButtonsOnly) {
  form->Show();
  Click(form->btnDelete);
  ASSERT_EQ(form->clicked.size(), 1u);
  EXPECT_EQ(form->clicked[0], form->btnDelete);

  form->btnDelete->SetEnabled(false);
  EXPECT_FALSE(NativeEnabled(form->btnDelete));
  Click(form->btnDelete);
  EXPECT_EQ(form->clicked.size(), 1u);

  // The whole bar off (as the diary's in edit state): every button greyed and dead; back on, each
  // button has its own state again.
  form->bar->SetEnabled(false);
  EXPECT_FALSE(NativeEnabled(form->btnNew));
  EXPECT_FALSE(IsWindowEnabled(form->bar->Handle()));
  Click(form->btnNew);
  EXPECT_EQ(form->clicked.size(), 1u);
  form->bar->SetEnabled(true);
  EXPECT_TRUE(NativeEnabled(form->btnNew));
  EXPECT_FALSE(NativeEnabled(form->btnDelete));
  Click(form->btnNew);
  ASSERT_EQ(form->clicked.size(), 2u);
  EXPECT_EQ(form->clicked[1], form->btnNew);
}

TEST_F(ToolBarFixture, MovingOverAButtonShowsItsHint) {
  const Integer pause = Application->HintPause();
  const Integer shortPause = Application->HintShortPause();
  Application->SetHintPause(0);
  Application->SetHintShortPause(0);
  form->Show();
  const TRect r = form->btnNew->BoundsRect();
  SendMessageW(form->bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.Left + 5, r.Top + 5));
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), Utf8ToCp1250("Új"));
  EXPECT_EQ(Application->MouseControl(), form->btnNew);

  const TRect d = form->btnDelete->BoundsRect();
  SendMessageW(form->bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(d.Left + 5, d.Top + 5));
  EXPECT_EQ(Application->HintWindow()->Caption(), Utf8ToCp1250("Töröl"));

  // Past the last button: the bar itself, which has no hint.
  SendMessageW(form->bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 5));
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  Application->CancelHint();
  Application->SetHintPause(pause);
  Application->SetHintShortPause(shortPause);
}

TEST_F(ToolBarFixture, HotImagesReachTheNativeToolBarUntilTheyAreFreed) {
  TToolBar* bar = form->bar;
  const HWND window = bar->Handle();
  EXPECT_EQ(SendMessageW(window, TB_GETHOTIMAGELIST, 0, 0), 0);
  auto* hot = New<TImageList>(form.get());
  hot->AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
  bar->SetHotImages(hot);
  EXPECT_EQ(bar->HotImages(), hot);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(window, TB_GETHOTIMAGELIST, 0, 0)), hot->Handle());
  delete hot;
  EXPECT_EQ(bar->HotImages(), nullptr);
  EXPECT_EQ(SendMessageW(window, TB_GETHOTIMAGELIST, 0, 0), 0);
  EXPECT_EQ(bar->Images(), form->images) << "the normal images stay";
}

namespace {

// The system's custom draw reaches the events with the bar's Canvas on the DC being painted: the bar
// before painting, then each button (not the separators) with its own object and state; a handler
// that says no default drawing keeps the system's button off the DC.
TEST_F(ToolBarFixture, CustomDrawReachesTheBarAndEachButtonOnTheCanvas) {
  TToolBar* bar = form->bar;
  std::vector<TCustomDrawStage> barStages;
  std::vector<TToolButton*> drawn;
  bool canvasSet = true;
  bar->OnAdvancedCustomDraw = [&](TToolBar* sender, const TRect&, TCustomDrawStage stage, bool&) {
    EXPECT_EQ(sender, bar);
    barStages.push_back(stage);
  };
  bar->OnAdvancedCustomDrawButton = [&](TToolBar*, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                                        Cardinal&, bool& defaultDraw) {
    if (stage != cdPrePaint) return;
    drawn.push_back(button);
    canvasSet = canvasSet && bar->Canvas().HandleAllocated();
    if (button == form->btnSave) {
      EXPECT_NE(state & CDIS_DISABLED, 0u);
      // Painted by the handler alone: a red square where the button is.
      RECT r{};
      SendMessageW(bar->Handle(), TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
      const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(bar->Canvas().Handle(), &r, red);
      DeleteObject(red);
      defaultDraw = false;
    }
  };
  form->btnSave->SetEnabled(false);
  form->Show();
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_FALSE(barStages.empty());
  EXPECT_EQ(barStages.front(), cdPrePaint);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), form->btnNew), drawn.end());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), form->btnDelete), drawn.end());
  EXPECT_EQ(std::find(drawn.begin(), drawn.end(), form->sep1), drawn.end());
  EXPECT_TRUE(canvasSet);
  RECT r{};
  SendMessageW(bar->Handle(), TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
  const HDC dc = GetDC(bar->Handle());
  EXPECT_EQ(GetPixel(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2), RGB(255, 0, 0));
  ReleaseDC(bar->Handle(), dc);
  EXPECT_FALSE(bar->Canvas().HandleAllocated()) << "the DC is given back after the paint";
}

}  // namespace

TEST_F(ToolBarFixture, MarkedIndeterminateAndCaptionsReachTheNativeButtons) {
  TToolBar* bar = form->bar;
  auto nativeState = [bar](TToolButton* b) {
    return static_cast<int>(SendMessageW(bar->Handle(), TB_GETSTATE, static_cast<WPARAM>(NativeButton(b).idCommand), 0));
  };
  form->btnNew->SetMarked(true);
  form->btnSave->SetIndeterminate(true);
  EXPECT_NE(nativeState(form->btnNew) & TBSTATE_MARKED, 0);
  EXPECT_NE(nativeState(form->btnSave) & TBSTATE_INDETERMINATE, 0);
  EXPECT_EQ(nativeState(form->btnDelete) & (TBSTATE_MARKED | TBSTATE_INDETERMINATE), 0);
  EXPECT_EQ(reinterpret_cast<TToolButton*>(NativeButton(form->btnDelete).dwData), form->btnDelete)
      << "each native button carries its button";

  auto text = [bar](TToolButton* b) {
    wchar_t buffer[64] = {};
    const LRESULT length = SendMessageW(bar->Handle(), TB_GETBUTTONTEXTW, static_cast<WPARAM>(NativeButton(b).idCommand),
                                        reinterpret_cast<LPARAM>(buffer));
    return length > 0 ? std::wstring(buffer, static_cast<size_t>(length)) : std::wstring();
  };
  form->btnSave->SetCaption("Ment");
  EXPECT_EQ(text(form->btnSave), L"") << "no captions shown";
  bar->SetShowCaptions(true);
  EXPECT_EQ(text(form->btnSave), L"Ment");
  form->btnSave->SetCaption(Utf8ToCp1250("Mentés"));
  EXPECT_EQ(text(form->btnSave), L"Ment\u00E9s") << "a new caption follows";
  EXPECT_NE(nativeState(form->btnSave) & TBSTATE_INDETERMINATE, 0) << "the states stay as the buttons are put again";
}

TEST_F(ToolBarFixture, ADropDownButtonShowsItsMenuBelowItAndTellsTheBarWhenItCloses) {
  form->Show();
  auto* menu = New<TPopupMenu>(form.get());
  auto* item = New<TMenuItem>(form.get());
  item->SetCaption("One");
  menu->Items()->Add(item);
  form->btnSave->SetStyle(tbsDropDown);
  form->btnSave->SetDropdownMenu(menu);
  bool closedSeen = false;
  const TWndMethod previous = form->bar->WindowProc();
  form->bar->SetWindowProc(TWndMethod::FromFunction([&](TMessage& m) {
    if (m.Msg == CN_DROPDOWNCLOSED) closedSeen = true;
    previous(m);
  }));
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  Click(form->btnSave);
  KillTimer(nullptr, timer);
  form->bar->SetWindowProc(previous);
  const TRect r = form->btnSave->BoundsRect();
  POINT below{r.Left, r.Bottom};
  ClientToScreen(form->bar->Handle(), &below);
  EXPECT_EQ(menu->PopupPoint(), Point(below.x, below.y));
  EXPECT_TRUE(closedSeen);

  delete menu;
  EXPECT_EQ(form->btnSave->DropdownMenu(), nullptr) << "a freed menu is let go";
}
