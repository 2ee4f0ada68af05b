// The main menu's bar items under the menu engine, with the built-in skin: which handler slots the
// engine fills and gives back on the top items (an application's own handlers stay), how a bar item is
// measured, and a skinned form's bar items painted over its menu line (hot MENUITEM when selected, the
// line itself otherwise, a disabled item blended towards the line), into the provider's picture and
// through the system's WM_DRAWITEM onto the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinMenuLineTesting.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/gui/Screen.h"

using namespace skintest;

namespace {

// A COLORREF as a 32-bit DIB pixel's colour bits.
Cardinal DibColor(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class BarItems : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  TMenuItem* Add(const char* caption) {
    auto* item = New<TMenuItem>(form_);
    item->SetCaption(caption);
    menu_->Items()->Add(item);
    return item;
  }
  // The form gets its provider before it shows (the menu is hooked by the provider's first painting).
  void Skin() {
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    form_->Show();
  }
  TBitmap& Paint() { return RepaintPicture(*provider_); }
  TRect BarRect(UINT position) const { return MenuBarEntryRect(form_->Handle(), position); }
  // The menu line under a picture point, as MenuBarBmp keeps it.
  Cardinal LineAt(Integer x, Integer y) {
    const TskFrameInput frame = provider_->FrameInput();
    const Integer barX = FrameClientOffsetX(frame);
    const Integer barY = FrameClientOffsetY(frame) - frame.MenuLines * frame.MenuLineHeight - 1;
    return PixelOf(*provider_->MenuBarBmp, x - barX, y - barY) & 0xFFFFFF;
  }
  // The pixels of the rect in the picture.
  std::vector<Cardinal> Pixels(TBitmap& picture, const TRect& r) {
    std::vector<Cardinal> out;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x) out.push_back(PixelOf(picture, x, y) & 0xFFFFFF);
    return out;
  }
  TsSkinableMenus& Menus() { return manager_->SkinableMenus(); }

  TForm* form_ = New<TForm>(Application);
  TMainMenu* menu_ = [this] {
    auto* menu = New<TMainMenu>(form_);
    form_->SetBounds(60, 50, 420, 240);
    form_->SetMenu(menu);
    return menu;
  }();
  TsSkinProvider* provider_ = nullptr;
};

}  // namespace

TEST_F(BarItems, TopItemsGetTheBarHandlersOnlyInFreeSlotsAndLoseOnlyTheEnginesOwn) {
  TMenuItem* plain = Add("&File");
  TMenuItem* own = Add("Edit");
  auto* sub = New<TMenuItem>(form_);
  sub->SetCaption("Open");
  plain->Add(sub);
  int ownDraws = 0;
  const auto ownDraw = TAdvancedMenuDrawItemEvent::FromFunction(
      [&](TObject*, TCanvas&, const TRect&, TOwnerDrawState) { ++ownDraws; });
  own->OnAdvancedDrawItem = ownDraw;
  const TAdvancedMenuDrawItemEvent barDraw(&Menus(), &TsSkinableMenus::DrawBarItem);
  const TMenuMeasureItemEvent barMeasure(&Menus(), &TsSkinableMenus::MeasureBarItem);

  struct Case {
    const char* name;
    std::function<void(bool)> hook;
  };
  const Case cases[] = {
      {"the main menu", [&](bool on) { Menus().HookMainMenu(menu_, on); }},
      {"each top item", [&](bool on) { for (TMenuItem* item : {plain, own}) Menus().HookItem(item, on); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.hook(true);
    EXPECT_TRUE(plain->OnAdvancedDrawItem == barDraw);
    EXPECT_TRUE(plain->OnMeasureItem == barMeasure);
    EXPECT_TRUE(own->OnAdvancedDrawItem == ownDraw);  // the application's handler stays
    EXPECT_TRUE(own->OnMeasureItem == barMeasure);    // its free slot is filled
    c.hook(false);
    for (TMenuItem* item : {plain, own}) EXPECT_FALSE(static_cast<bool>(item->OnMeasureItem));
    EXPECT_FALSE(static_cast<bool>(plain->OnAdvancedDrawItem));
    EXPECT_TRUE(own->OnAdvancedDrawItem == ownDraw);  // and survives disabling
  }
  EXPECT_TRUE(Menus().IsTopMainMenuItem(plain));
  EXPECT_FALSE(Menus().IsTopMainMenuItem(sub));

  // With SkinnedPopups off an active manager leaves the main menu as the system draws it.
  manager_->SetSkinnedPopups(false);
  Menus().HookMainMenu(menu_, true);
  EXPECT_FALSE(menu_->OwnerDraw());
  EXPECT_FALSE(static_cast<bool>(plain->OnAdvancedDrawItem));
  manager_->SetSkinnedPopups(true);
  EXPECT_EQ(ownDraws, 0);
}

// Every menu of the application: a main menu gets the bar items only on a skinned form (on a bare one
// its owner-drawn bar would paint nothing).
TEST_F(BarItems, EveryMenuHooksTheMainMenuOfASkinnedFormOnly) {
  TMenuItem* file = Add("&File");
  auto* sub = New<TMenuItem>(form_);
  sub->SetCaption("Open");
  file->Add(sub);
  const TAdvancedMenuDrawItemEvent barDraw(&Menus(), &TsSkinableMenus::DrawBarItem);
  form_->Show();
  Menus().UpdateMenus(true);
  EXPECT_FALSE(menu_->OwnerDraw());
  EXPECT_FALSE(static_cast<bool>(file->OnAdvancedDrawItem));
  EXPECT_FALSE(static_cast<bool>(file->OnMeasureItem));

  Skin();
  Menus().UpdateMenus(false);
  EXPECT_FALSE(menu_->OwnerDraw());
  EXPECT_FALSE(static_cast<bool>(file->OnAdvancedDrawItem));
  EXPECT_FALSE(static_cast<bool>(sub->OnAdvancedDrawItem));
  Menus().UpdateMenus(true);
  EXPECT_TRUE(menu_->OwnerDraw());
  EXPECT_TRUE(file->OnAdvancedDrawItem == barDraw);
  // Below the bar the items are popup items.
  EXPECT_TRUE(sub->OnAdvancedDrawItem == TAdvancedMenuDrawItemEvent(&Menus(), &TsSkinableMenus::DrawPopupItem));
  Menus().UpdateMenus(false);
}

TEST_F(BarItems, ABarItemIsAMenuLineHighAndItsCaptionWideWithoutAmpersandsPlusItsGlyph) {
  auto* images = New<TImageList>(form_);
  images->SetWidth(20);
  images->SetHeight(12);
  TMenuItem* item = Add("x");
  TCanvas canvas;
  const HDC dc = GetDC(nullptr);
  canvas.SetHandle(dc);
  canvas.SetFont(Screen->MenuFont());
  struct Case {
    const char* caption;
    const char* shown;
    bool withImage;
    Integer bitmapWidth;  // 0: no bitmap
    Integer extra;
  };
  const Case cases[] = {
      {"File", "File", false, 0, 0},
      {"&File", "File", false, 0, 0},
      {"Save && &exit", "Save  exit", false, 0, 0},
      {"&Edit", "Edit", true, 0, 20 + 6},
      {"&Edit", "Edit", true, 9, 20 + 6},  // the image wins over the bitmap
      {"&View", "View", false, 9, 9 + 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    item->SetCaption(c.caption);
    menu_->SetImages(c.withImage ? images : nullptr);
    item->SetImageIndex(c.withImage ? 0 : -1);
    item->Bitmap().SetSize(c.bitmapWidth, c.bitmapWidth);
    Integer width = -1, height = -1;
    Menus().MeasureBarItem(item, canvas, width, height);
    EXPECT_EQ(height, GetSystemMetrics(SM_CYMENU) - 1);
    EXPECT_EQ(width, canvas.TextWidth(c.shown) + c.extra);
  }
  canvas.SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
}

TEST_F(BarItems, AnItemLeftHotOnTheSystemsBarIsDrawnPlainWhenTheHotTitleButtonChanges) {
  TMenuItem* file = Add("&File");
  Add("Help");
  Skin();
  TBitmap& cache = Paint();
  const TRect fileRect = BarRect(0);
  const std::vector<Cardinal> plain = Pixels(cache, fileRect);
  // The system draws the item hot onto the window's bar (here a bitmap of the window's size); the
  // picture shows it hot as well.
  TBitmap bar;
  bar.SetPixelFormat(pf32bit);
  bar.SetSize(form_->Width(), form_->Height());
  Menus().DrawBarItem(file, cache.Canvas(), fileRect, TOwnerDrawState{odSelected});
  Menus().DrawBarItem(file, bar.Canvas(), fileRect, TOwnerDrawState{odSelected});
  GdiFlush();
  ASSERT_NE(Pixels(cache, fileRect), plain);
  EXPECT_EQ(Menus().PendingBarItem, file);
  // The mouse goes on to the close button: the item is drawn plain again.
  provider_->SetHotButton(HTCLOSE, false);
  GdiFlush();
  EXPECT_EQ(Menus().PendingBarItem, nullptr);
  EXPECT_EQ(Pixels(cache, fileRect), plain);
  // An item the system draws plain again leaves nothing pending.
  Menus().DrawBarItem(file, bar.Canvas(), fileRect, TOwnerDrawState{odSelected});
  Menus().DrawBarItem(file, bar.Canvas(), fileRect, TOwnerDrawState{});
  EXPECT_EQ(Menus().PendingBarItem, nullptr);
}

TEST_F(BarItems, ASkinnedFormsBarItemsAreDrawnOverTheMenuLineHotWhenSelectedAndFadedWhenDisabled) {
  TMenuItem* file = Add("&File");
  TMenuItem* edit = Add("&Edit");
  edit->SetEnabled(false);
  Add("Help");
  Skin();
  TBitmap& cache = Paint();
  ASSERT_TRUE(file->OnAdvancedDrawItem == TAdvancedMenuDrawItemEvent(&Menus(), &TsSkinableMenus::DrawBarItem));
  ASSERT_TRUE(provider_->MenuBarBmp);
  const Cardinal hot = DibColor(ColorToRGB(SectionData("MENUITEM").Props[1].Color));
  ASSERT_NE(hot, LineAt(BarRect(0).Left + 1, BarRect(0).Top + 1));

  // Painted by the menu line: the item shows the line (MENUITEM's normal state is see-through) and its
  // caption.
  const TRect fileRect = BarRect(0);
  int onLine = 0, other = 0;
  for (Integer y = fileRect.Top; y < fileRect.Bottom; ++y)
    for (Integer x = fileRect.Left; x < fileRect.Right; ++x)
      ((PixelOf(cache, x, y) & 0xFFFFFF) == LineAt(x, y) ? onLine : other)++;
  EXPECT_GT(onLine, 2 * other);
  EXPECT_GT(other, 0);  // the caption

  // Selected: the hot MENUITEM over most of it.
  const auto countHot = [&](const std::vector<Cardinal>& pixels) {
    return std::count(pixels.begin(), pixels.end(), hot);
  };
  Menus().DrawBarItem(file, cache.Canvas(), fileRect, TOwnerDrawState{odSelected});
  GdiFlush();
  const std::vector<Cardinal> selected = Pixels(cache, fileRect);
  EXPECT_GT(countHot(selected) * 2, static_cast<long>(selected.size()));
  // A disabled item is never hot; its picture is the enabled one blended 102/256 towards the line.
  const TRect editRect = BarRect(1);
  edit->SetEnabled(true);
  Menus().DrawBarItem(edit, cache.Canvas(), editRect, TOwnerDrawState{});
  GdiFlush();
  const std::vector<Cardinal> enabled = Pixels(cache, editRect);
  edit->SetEnabled(false);
  Menus().DrawBarItem(edit, cache.Canvas(), editRect, TOwnerDrawState{odSelected});
  GdiFlush();
  const std::vector<Cardinal> disabled = Pixels(cache, editRect);
  ASSERT_EQ(countHot(disabled), 0);
  int caption = 0;
  size_t i = 0;
  for (Integer y = editRect.Top; y < editRect.Bottom; ++y) {
    for (Integer x = editRect.Left; x < editRect.Right; ++x, ++i) {
      const Cardinal line = LineAt(x, y);
      Cardinal expected = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const int s = (line >> shift) & 0xFF, d = (enabled[i] >> shift) & 0xFF;
        const int mixed = s + static_cast<int>(std::floor(102.0 * (d - s) / 256.0));
        expected |= static_cast<Cardinal>(mixed) << shift;
      }
      ASSERT_EQ(disabled[i], expected) << x << "," << y;
      if (enabled[i] != line) ++caption;
    }
  }
  EXPECT_GT(caption, 0);

  // The system's own WM_DRAWITEM of a selected bar item paints it onto the window, at the same place.
  const HDC windowDC = GetWindowDC(form_->Handle());
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = file->Command();
  draw.itemData = file->Command();
  draw.itemState = ODS_SELECTED;
  draw.hDC = windowDC;
  draw.hwndItem = reinterpret_cast<HWND>(GetMenu(form_->Handle()));
  draw.rcItem = RECT{fileRect.Left, fileRect.Top, fileRect.Right, fileRect.Bottom};
  SendMessageW(form_->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
  int hotOnWindow = 0, matching = 0;
  i = 0;
  for (Integer y = fileRect.Top; y < fileRect.Bottom; ++y)
    for (Integer x = fileRect.Left; x < fileRect.Right; ++x, ++i) {
      const Cardinal shown = DibColor(GetPixel(windowDC, x, y));
      if (shown == hot) ++hotOnWindow;
      if (shown == selected[i]) ++matching;
    }
  ReleaseDC(form_->Handle(), windowDC);
  EXPECT_EQ(matching, static_cast<int>(selected.size()));
  EXPECT_GT(hotOnWindow * 2, static_cast<int>(selected.size()));
}
