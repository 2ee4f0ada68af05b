// The skinned popup menus: which handler slots the engine fills and gives back, and a real popup
// menu read back from its window while it is open (the hot item, the divider, the caption item, the
// faded disabled item, the check glyph, the icon column, the region's cut corner, one popup bitmap).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "skin/SkinFixture.h"
#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBMainWnd.h"
#include "skin/adapters/skSBMnuWnd.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/PopupMenu.h"

using namespace skintest;

namespace {

struct Rgb {
  int r, g, b;
};
Rgb Split(COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }
bool Near(COLORREF a, COLORREF b, int tolerance = 2) {
  const Rgb x = Split(a), y = Split(b);
  return std::abs(x.r - y.r) <= tolerance && std::abs(x.g - y.g) <= tolerance && std::abs(x.b - y.b) <= tolerance;
}
int Darkest(COLORREF c) {
  const Rgb x = Split(c);
  return std::min({x.r, x.g, x.b});
}

class SkinMenus : public SkinFixture {
 protected:
  void SetUp() override {
    RegisterSkinDialogs();
    SkinFixture::SetUp();
  }
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
    UnregisterSkinDialogs();
    ClearMenuItemDataList();
  }
  TMenuItem* Add(TPopupMenu* menu, const AnsiString& caption) {
    auto* item = New<TMenuItem>(form_);
    item->SetCaption(caption);
    menu->Items()->Add(item);
    return item;
  }
  TsSkinableMenus& Menus() { return manager_->SkinableMenus(); }

  TForm* form_ = New<TForm>(Application);
};

TEST_F(SkinMenus, HookingFillsOnlyFreeSlotsAndGivesBackOnlyItsOwnHandlers) {
  auto* menu = New<TPopupMenu>(form_);
  TMenuItem* plain = Add(menu, "Egy");
  TMenuItem* own = Add(menu, "Kettő");
  TMenuItem* sub = New<TMenuItem>(form_);
  sub->SetCaption("Mély");
  own->Add(sub);
  int ownDraws = 0;
  const auto ownDraw = TAdvancedMenuDrawItemEvent::FromFunction(
      [&](TObject*, TCanvas&, const TRect&, TOwnerDrawState) { ++ownDraws; });
  own->OnAdvancedDrawItem = ownDraw;

  // The skin is active: the menus the application owns were hooked when it became so.
  ASSERT_TRUE(Menus().Active());
  EXPECT_FALSE(menu->OwnerDraw());  // made after the skin came: not hooked yet
  Menus().UpdateMenus(true);
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_TRUE(menu->MenuAnimation().Contains(maNone));
  for (TMenuItem* item : {plain, own, sub}) EXPECT_TRUE(static_cast<bool>(item->OnMeasureItem)) << item->Caption();
  EXPECT_TRUE(plain->OnAdvancedDrawItem == TAdvancedMenuDrawItemEvent(&Menus(), &TsSkinableMenus::DrawPopupItem));
  EXPECT_TRUE(own->OnAdvancedDrawItem == ownDraw);

  struct Case {
    const char* name;
    std::function<void()> unhook;
  };
  const Case cases[] = {
      {"the popup menu", [&] { Menus().HookPopupMenu(menu, false); }},
      {"the sub-items", [&] { Menus().HookSubItems(menu->Items(), false); }},
      {"every menu", [&] { Menus().UpdateMenus(false); }},
  };
  for (const Case& c : cases) {
    Menus().HookPopupMenu(menu, true);
    c.unhook();
    for (TMenuItem* item : {plain, own, sub}) EXPECT_FALSE(static_cast<bool>(item->OnMeasureItem)) << c.name;
    EXPECT_FALSE(static_cast<bool>(plain->OnAdvancedDrawItem)) << c.name;
    EXPECT_TRUE(own->OnAdvancedDrawItem == ownDraw) << c.name;
  }
  EXPECT_FALSE(menu->OwnerDraw());
  EXPECT_FALSE(menu->MenuAnimation().Contains(maNone));
  EXPECT_EQ(ownDraws, 0);

  // With SkinnedPopups off nothing is hooked; switching it on hooks the application's menus again.
  manager_->SetSkinnedPopups(false);
  Menus().UpdateMenus(true);
  EXPECT_FALSE(menu->OwnerDraw());
  EXPECT_FALSE(static_cast<bool>(plain->OnMeasureItem));
  manager_->SetSkinnedPopups(true);
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_TRUE(static_cast<bool>(plain->OnMeasureItem));
}

TEST_F(SkinMenus, AContextMenuIsHookedWhenItsSkinnedControlOrAdaptedWindowIsAskedForIt) {
  auto* menu = New<TPopupMenu>(form_);
  TMenuItem* item = Add(menu, "Egy");
  menu->SetAutoPopup(false);  // the hooks run; the menu does not show
  auto* panel = New<TPanel>(form_);
  panel->SetParent(form_);
  panel->SetBounds(10, 10, 120, 60);
  panel->SetPopupMenu(menu);
  form_->SetBounds(40, 40, 200, 120);
  form_->Show();
  guitest::Pump();
  TsCommonData data(panel);
  // A point inside the panel: over the form's title bar the system would show the window menu.
  POINT inside{20, 20};
  ClientToScreen(panel->Handle(), &inside);
  const LPARAM at = MAKELPARAM(inside.x, inside.y);
  struct Case {
    const char* name;
    std::function<void()> contextMenu;
  };
  const Case cases[] = {
      {"a skinned control's common message handling",
       [&] {
         TMessage m{WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), at, 0};
         HandleControlMessage(m, &data);
       }},
      {"the window adapter of the control's window",
       [&] {
         TskMainWnd* adapter = New<TskMainWnd>(panel->Handle(), false, "PANEL", nullptr, &data);
         SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), at);
         FreeAdapter(adapter);
       }},
  };
  for (const Case& c : cases) {
    Menus().HookPopupMenu(menu, false);
    ASSERT_FALSE(static_cast<bool>(item->OnMeasureItem)) << c.name;
    c.contextMenu();
    EXPECT_TRUE(static_cast<bool>(item->OnMeasureItem)) << c.name;
    EXPECT_TRUE(menu->OwnerDraw()) << c.name;
  }
  form_->Hide();
}

TEST_F(SkinMenus, SkinBorderWidthIsTheMasksSharedWidthOrThreeAndIsReadAgainAfterARefresh) {
  const Integer mask = manager_->GetMaskIndex(Section("MAINMENU"), "MAINMENU", "BORDERSMASK");
  ASSERT_TRUE(manager_->IsValidMaskIndex(mask));
  const Integer shared = manager_->ma[static_cast<size_t>(mask)].BorderWidth;
  EXPECT_EQ(Menus().SkinBorderWidth(), shared > 0 ? shared : 3);
  manager_->ma[static_cast<size_t>(mask)].BorderWidth = 0;
  EXPECT_EQ(Menus().SkinBorderWidth(), shared > 0 ? shared : 3);  // cached
  Menus().ResetSkinBorderWidth();
  EXPECT_EQ(Menus().SkinBorderWidth(), 3);
  manager_->RefreshAllWindows(false);  // the manager resets the cache
  manager_->ma[static_cast<size_t>(mask)].BorderWidth = 7;
  EXPECT_EQ(Menus().SkinBorderWidth(), 7);
}

TEST_F(SkinMenus, ApplyingTheBorderCutsTheTopLeftPixelOrTheMasksKeyCorners) {
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 120, 90, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  auto bitmap = CreateBmp32(120, 90);
  TMenuItem* first = New<TMenuItem>(form_);
  auto* menu = New<TPopupMenu>(form_);
  menu->Items()->Add(first);
  TskPopupRecord* record = Menus().PreparePopupBitmap(first, 120, nullptr, 90);
  ASSERT_NE(record, nullptr);
  Menus().ApplyPopupBorder(window, record->Bitmap.get());
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, 60, 45));
  for (const TRect& r : Menus().OuterRegions()) EXPECT_FALSE(PtInRegion(region, r.Left, r.Top));
  DeleteObject(region);
  DestroyWindow(window);
}

TEST_F(SkinMenus, TheExtraLineIsPaintedAndMeasuredOnlyWhereItIsShown) {
  manager_->MenuSupport().UseExtraLine = true;
  const Integer lineWidth = manager_->MenuSupport().ExtraLineWidth;
  const COLORREF strip = ColorToRGB(SectionData("EXTRALINE").Props[0].Color);
  const COLORREF icoLine = ColorToRGB(SectionData("ICOLINE").Props[0].Color);
  struct Case {
    const char* name;
    const char* firstName;
    bool lineVisible;  // the event's answer
    bool shown;
  };
  const Case cases[] = {
      {"shown", "Shown", true, true},
      {"hidden by the event", "Hidden", false, false},
      {"the skin selection sub-menu", "SkinSelectItem", true, false},
  };
  int asked = 0;
  for (const Case& c : cases) {
    manager_->OnGetMenuExtraLineData = TskGetExtraLineData::FromFunction(
        [&](TMenuItem*, AnsiString& section, AnsiString& caption, std::unique_ptr<TBitmap>&, bool& visible) {
          ++asked;
          EXPECT_EQ(section, "EXTRALINE");
          caption = "&Napl\xF3";
          visible = c.lineVisible;
        });
    auto* menu = New<TPopupMenu>(form_);
    TMenuItem* first = Add(menu, "Első");
    first->SetName(c.firstName);
    TMenuItem* later = Add(menu, "Második oszlop");
    later->SetBreak(true);
    ClearMenuItemDataList();
    // Measured before the popup has a record: the event decides.
    TBitmap measureBitmap;
    measureBitmap.SetPixelFormat(pf32bit);
    measureBitmap.SetSize(4, 4);
    Integer width = 0, height = 0, plainWidth = 0;
    Menus().MeasurePopupItem(first, measureBitmap.Canvas(), width, height);
    manager_->MenuSupport().UseExtraLine = false;
    Menus().MeasurePopupItem(first, measureBitmap.Canvas(), plainWidth, height);
    manager_->MenuSupport().UseExtraLine = true;
    EXPECT_EQ(width - plainWidth, c.shown ? lineWidth : 0) << c.name;

    TskPopupRecord* record = Menus().PreparePopupBitmap(first, 160, nullptr, 120);
    ASSERT_NE(record, nullptr) << c.name;
    EXPECT_EQ(record->LineShown, c.shown) << c.name;
    const Integer border = Menus().SkinBorderWidth();
    const COLORREF left = GetPixel(record->Bitmap->Canvas().Handle(), border + 3, 20);
    EXPECT_TRUE(Near(left, c.shown ? strip : icoLine)) << c.name << std::hex << " " << left;
    // A column after a Break never gets the line's width.
    EXPECT_EQ(Menus().ExtraWidthOfColumn(later), 0) << c.name;
    EXPECT_EQ(Menus().ExtraWidthOfColumn(first), c.shown ? lineWidth : 0) << c.name;
    ClearMenuItemDataList();
  }
  // Each measure before the popup has a record asks, and so does making the record; the skin
  // selection sub-menu is never asked.
  EXPECT_EQ(asked, 6);
  manager_->OnGetMenuExtraLineData = TskGetExtraLineData();
}

// ---- a popup menu read back while it is open ----

// Runs the steps one after the other on a timer while the popup menu is open (the menu's own loop
// dispatches the timer), then closes the menu.
class TPopupSession {
 public:
  using Step = std::function<void(HWND popup)>;
  explicit TPopupSession(std::vector<Step> steps) : steps_(std::move(steps)) {}
  void Run(TPopupMenu& menu) {
    current_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 60, Tick);
    menu.Popup(200, 150);
    KillTimer(nullptr, timer);
    current_ = nullptr;
    guitest::Pump();
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TPopupSession* s = current_;
    if (s == nullptr) return;
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) return;
    if (s->next_ < s->steps_.size()) {
      s->steps_[s->next_++](popup);
    } else {
      EndMenu();
    }
  }
  static inline TPopupSession* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
};

// The item's rectangle in the popup window.
TRect ItemRect(HWND popup, HMENU menu, int position) {
  RECT item{}, window{};
  GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &item);
  GetWindowRect(popup, &window);
  return TRect{item.left - window.left, item.top - window.top, item.right - window.left, item.bottom - window.top};
}

// The first column of a mask's state-0 image that holds a pixel other than the key colour.
int FirstOpaqueColumn(const TsSkinManager& manager, const TsMaskData& mask) {
  const TsPixelView image = SkinPixelsOf(manager).ImageOf(mask);
  for (int x = 0; x < MaskStateWidth(mask); ++x)
    for (int y = 0; y < MaskStateHeight(mask); ++y)
      if ((image.At(mask.R.Left + x, mask.R.Top + y) & 0x00FFFFFFu) != 0x00FF00FFu) return x;
  return -1;
}

TEST_F(SkinMenus, AnOpenPopupShowsItsItemsFromTheSkin) {
  auto* menu = New<TPopupMenu>(form_);
  TMenuItem* normal = Add(menu, "Normál");
  TMenuItem* radio = Add(menu, "Rádió");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  Add(menu, "-");
  Add(menu, "-Cím-");
  TMenuItem* disabled = Add(menu, "Tiltott elem");
  disabled->SetEnabled(false);
  Add(menu, "Az összes kijelölése\tCtrl+Alt+A");
  (void)normal;
  Menus().UpdateMenus(true);
  ASSERT_TRUE(menu->OwnerDraw());

  const COLORREF hot = ColorToRGB(SectionData("MENUITEM").Props[1].Color);
  const COLORREF icoLine = ColorToRGB(SectionData("ICOLINE").Props[0].Color);
  const COLORREF captionPlate = ColorToRGB(SectionData(manager_->GetSkinIndex("MENUCAPTION") >= 0 ? "MENUCAPTION" : "TOOLBAR").Props[0].Color);
  const COLORREF face = ColorToRGB(SectionData("MAINMENU").Props[0].Color);
  const Integer text = SectionData("MENUITEM").Props[0].TextColor;
  const Integer radioMask = manager_->GetMaskIndex(manager_->CommonSkinIndex, "GLOBALINFO", "RADIOCHECKED");
  ASSERT_TRUE(manager_->IsValidMaskIndex(radioMask));
  const int glyphColumn = FirstOpaqueColumn(*manager_, manager_->ma[static_cast<size_t>(radioMask)]);
  ASSERT_GE(glyphColumn, 0);

  TBitmap* firstBitmap = nullptr;
  bool sameBitmap = false;
  size_t recordsWhileOpen = 0;
  bool regionCut = false;
  COLORREF hotPixel = 0, captionPixel = 0, iconPixel = 0;
  int dividerLinePixels = 0, normalDarkest = 255, disabledDarkest = 255, glyphLeft = -1, glyphExpected = -2;
  int afterTabPixels = 0;
  const auto read = [&](HWND popup) {
    HMENU h = menu->CurrentHandle();
    const HDC dc = GetWindowDC(popup);
    const TRect r0 = ItemRect(popup, h, 0), r1 = ItemRect(popup, h, 1), r2 = ItemRect(popup, h, 2),
                r3 = ItemRect(popup, h, 3), r4 = ItemRect(popup, h, 4), r5 = ItemRect(popup, h, 5);
    hotPixel = GetPixel(dc, r0.Right - 10, (r0.Top + r0.Bottom) / 2);
    captionPixel = GetPixel(dc, r3.Right - 6, (r3.Top + r3.Bottom) / 2);
    iconPixel = GetPixel(dc, r5.Left + 2, (r5.Top + r5.Bottom) / 2);
    for (int y = r2.Top; y < r2.Bottom; ++y)
      for (int x = r2.Left; x < r2.Right; ++x)
        if (!Near(GetPixel(dc, x, y), face, 6) && !Near(GetPixel(dc, x, y), icoLine, 6)) ++dividerLinePixels;
    const auto darkest = [&](const TRect& r) {
      int d = 255;
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left + 30; x < r.Right - 10; ++x) d = std::min(d, Darkest(GetPixel(dc, x, y)));
      return d;
    };
    normalDarkest = darkest(r5);
    disabledDarkest = darkest(r4);
    for (int y = r5.Top; y < r5.Bottom; ++y)
      for (int x = r5.Right - 70; x < r5.Right - 8; ++x)
        if (Darkest(GetPixel(dc, x, y)) < 120) ++afterTabPixels;
    // The radio item's check glyph: its first column that differs from the icon column.
    glyphExpected = r1.Left + 2 + Menus().Margin + glyphColumn;
    for (int x = r1.Left; x < r1.Left + 30 && glyphLeft < 0; ++x)
      for (int y = r1.Top; y < r1.Bottom; ++y)
        if (!Near(GetPixel(dc, x, y), icoLine, 12)) {
          glyphLeft = x;
          break;
        }
    ReleaseDC(popup, dc);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    regionCut = GetWindowRgn(popup, region) != ERROR && !PtInRegion(region, 0, 0);
    DeleteObject(region);
    recordsWhileOpen = PopupRecords().size();
    if (!PopupRecords().empty()) firstBitmap = PopupRecords().front()->Bitmap.get();
  };
  TPopupSession session({
      [](HWND popup) { guitest::PostKey(popup, VK_DOWN); },
      read,
      [](HWND popup) { guitest::PostKey(popup, VK_DOWN); },
      [&](HWND) {
        sameBitmap = PopupRecords().size() == 1 && PopupRecords().front()->Bitmap.get() == firstBitmap;
      },
  });
  session.Run(*menu);
  ASSERT_TRUE(session.Finished());

  EXPECT_TRUE(Near(hotPixel, hot)) << std::hex << hotPixel << " " << hot;
  EXPECT_GT(dividerLinePixels, 10);
  EXPECT_TRUE(Near(captionPixel, captionPlate)) << std::hex << captionPixel << " " << captionPlate;
  EXPECT_TRUE(Near(iconPixel, icoLine)) << std::hex << iconPixel << " " << icoLine;
  // Text: dark in a normal item; in the disabled one faded to 0.4 of its way from the background.
  const int faded = Darkest(face) - static_cast<int>(0.4 * (Darkest(face) - Darkest(ColorToRGB(text))));
  EXPECT_LT(normalDarkest, 100);
  EXPECT_GE(disabledDarkest, faded - 3);
  EXPECT_LT(disabledDarkest, Darkest(face) - 20);
  EXPECT_GT(afterTabPixels, 5);  // the shortcut text after the Tab, at the right
  EXPECT_NEAR(glyphLeft, glyphExpected, 1);
  EXPECT_TRUE(regionCut);
  EXPECT_EQ(recordsWhileOpen, 1u);
  EXPECT_TRUE(sameBitmap);
  EXPECT_TRUE(PopupRecords().empty());  // the popup's record went with its window
}

bool HasRegion(HWND window) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const bool has = GetWindowRgn(window, region) != ERROR;
  DeleteObject(region);
  return has;
}

TEST_F(SkinMenus, TheBorderMessageFindsItsItemByMenuAndCommandAndIgnoresAnItemThatWent) {
  auto* menu = New<TPopupMenu>(form_);
  TMenuItem* item = Add(menu, "Egy");
  Add(menu, "Kettő");
  auto* other = New<TPopupMenu>(form_);
  TMenuItem* elsewhere = Add(other, "Máshol");
  TMenuItem* gone = New<TMenuItem>(form_);
  const UINT goneCommand = gone->Command();
  delete gone;
  Menus().UpdateMenus(true);
  bool stale = true, foreign = true, live = false;
  TPopupSession session({[&](HWND popup) {
    const HWND app = Application->Handle();
    const auto hmenu = reinterpret_cast<LPARAM>(menu->CurrentHandle());
    const auto send = [&](UINT command) {
      SetWindowRgn(popup, nullptr, TRUE);
      for (TskMnuWnd* adapter : PopupMenuAdapters())
        if (adapter != nullptr && adapter->Window == popup) adapter->BorderApplied = false;
      SendMessageW(app, WM_SKINMENUITEMBORDER, command, hmenu);
      return HasRegion(popup);
    };
    stale = send(goneCommand);
    foreign = send(elsewhere->Command());
    live = send(item->Command());
  }});
  session.Run(*menu);
  ASSERT_TRUE(session.Finished());
  EXPECT_FALSE(stale);
  EXPECT_FALSE(foreign);
  EXPECT_TRUE(live);
}

}  // namespace
