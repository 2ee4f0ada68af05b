// Menus: the item tree and its command numbers, the Windows menu built from it, popping a menu up
// (OnPopup first, the chosen item clicked afterwards, sub-menus opened), shortcuts through the item's
// parents, owner drawing with images and with a handler that takes it over, and items driven by actions.
#include "vcl/gui/Menus.h"

#include <gtest/gtest.h>

#include <set>

#include "GuiTestSupport.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/PopupMenu.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

// The memo menu of the diary's main window, built in code.
struct DiaryMenu {
  std::unique_ptr<TComponent> owner{new TComponent(nullptr)};
  TPopupMenu* menu = New<TPopupMenu>(owner.get());
  TMenuItem* cut = Item(Hu("Kivágás"), ShortCut('X', {ssCtrl}), 0);
  TMenuItem* copy = Item(Hu("Másolás"), ShortCut('C', {ssCtrl}), 1);
  TMenuItem* line = Item("-", scNone, -1);
  TMenuItem* post = Item(Hu("Szerkesztés befejezése"), ShortCut('P', {ssCtrl, ssAlt}), 4);
  std::vector<AnsiString> clicks;
  int popups = 0;

  DiaryMenu() {
    menu->OnPopup = [this](TObject* sender) {
      EXPECT_EQ(sender, menu);
      ++popups;
    };
  }
  TMenuItem* Item(const AnsiString& caption, TShortCut shortCut, Integer image) {
    auto* item = New<TMenuItem>(owner.get());
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    item->SetImageIndex(image);
    item->OnClick = [this](TObject* sender) { clicks.push_back(static_cast<TMenuItem*>(sender)->Caption()); };
    menu->Items()->Add(item);
    return item;
  }
};

struct Entry {
  UINT type = 0, state = 0, id = 0;
  ULONG_PTR data = 0;
  HMENU submenu = nullptr;
  std::u16string text;
};

Entry EntryOf(HMENU menu, UINT position) {
  Entry e;
  wchar_t text[128] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 127;
  EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
  e.type = info.fType;
  e.state = info.fState;
  e.id = info.wID;
  e.data = info.dwItemData;
  e.submenu = info.hSubMenu;
  e.text = reinterpret_cast<const char16_t*>(text);
  return e;
}

}  // namespace

TEST(MenuItems, TreeOperationsAndTheirErrors) {
  DiaryMenu d;
  TMenuItem& root = *d.menu->Items();
  ASSERT_EQ(root.Count(), 4);
  EXPECT_EQ(d.post->MenuIndex(), 3);
  EXPECT_EQ(d.post->GetParentMenu(), d.menu);
  EXPECT_EQ(d.post->GetParentComponent(), d.menu);
  EXPECT_TRUE(d.line->IsLine());

  // A sub-menu.
  auto* sub = New<TMenuItem>(d.owner.get());
  d.post->Add(sub);
  EXPECT_EQ(sub->Parent(), d.post);
  EXPECT_EQ(sub->GetParentMenu(), d.menu);
  EXPECT_EQ(sub->GetParentComponent(), d.post);
  EXPECT_EQ(d.menu->FindItem(sub->Command(), fkCommand), sub);
  EXPECT_EQ(FindMenuItemByCommand(sub->Command()), sub);

  // Moving, and what may not be inserted.
  d.cut->SetMenuIndex(2);
  EXPECT_EQ(root.IndexOf(d.cut), 2);
  EXPECT_EQ(root.IndexOf(d.copy), 0);
  EXPECT_THROW(d.post->Add(d.post), EMenuError);
  EXPECT_THROW(sub->Add(d.post), EMenuError);  // a parent into its own child
  EXPECT_THROW(root.Insert(9, New<TMenuItem>(d.owner.get())), EMenuError);
  EXPECT_THROW(root.Items(4), EMenuError);
  EXPECT_THROW(d.cut->Remove(d.copy), EMenuError);

  // Freeing an item takes it out of its parent; its command is free again.
  const UINT command = sub->Command();
  delete sub;
  EXPECT_EQ(d.post->Count(), 0);
  EXPECT_EQ(FindMenuItemByCommand(command), nullptr);

  // Commands are unique.
  std::set<UINT> commands;
  for (int i = 0; i < root.Count(); ++i) commands.insert(root.Items(i)->Command());
  EXPECT_EQ(commands.size(), 4u);

  // The menu goes first: its items stay with their owner, out of any menu.
  delete d.menu;
  EXPECT_EQ(d.cut->Parent(), nullptr);
  EXPECT_EQ(d.cut->GetParentMenu(), nullptr);
}

TEST(MenuItems, WindowsMenuFollowsTheItems) {
  DiaryMenu d;
  d.copy->SetEnabled(false);
  d.post->SetChecked(true);
  HMENU menu = d.menu->Handle();
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  const Entry cut = EntryOf(menu, 0);
  EXPECT_EQ(Utf16ToUtf8(cut.text), "Kivágás\tCtrl+X");
  EXPECT_EQ(cut.id, d.cut->Command());
  EXPECT_EQ(cut.data, d.cut->Command());  // the command, never a pointer
  EXPECT_EQ(cut.state & MFS_GRAYED, 0u);
  EXPECT_NE(EntryOf(menu, 1).state & MFS_GRAYED, 0u);
  EXPECT_NE(EntryOf(menu, 2).type & MFT_SEPARATOR, 0u);
  EXPECT_NE(EntryOf(menu, 3).state & MFS_CHECKED, 0u);
  EXPECT_EQ(Utf16ToUtf8(EntryOf(menu, 3).text), "Szerkesztés befejezése\tCtrl+Alt+P");
  EXPECT_EQ(EntryOf(menu, 0).type & MFT_OWNERDRAW, 0u);  // no images, no handlers: the system draws

  // A change builds it again: hidden items are left out, a sub-menu gets a handle.
  d.cut->SetVisible(false);
  auto* sub = New<TMenuItem>(d.owner.get());
  sub->SetCaption("al");
  d.post->Add(sub);
  menu = d.menu->Handle();
  ASSERT_EQ(GetMenuItemCount(menu), 3);
  const Entry post = EntryOf(menu, 2);
  EXPECT_EQ(post.submenu, d.post->Handle());
  ASSERT_NE(post.submenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(post.submenu), 1);
  EXPECT_EQ(d.menu->Items()->FindHandle(post.submenu), d.post);

  // With images every item is owner-drawn.
  TImageList images(nullptr);
  d.menu->SetImages(&images);
  EXPECT_NE(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
  d.menu->SetImages(nullptr);
}

TEST(PopupMenus, OnPopupRunsFirstAndTheChosenItemIsClickedAfterwards) {
  DiaryMenu d;
  // The popup handler decides what is enabled, as the diary's does from the memo's selection.
  d.menu->OnPopup = [&](TObject*) {
    ++d.popups;
    d.cut->SetEnabled(false);
  };
  std::vector<UINT> shownStates;
  guitest::RunLater([&] {
    HMENU shown = d.menu->Handle();
    for (UINT i = 0; i < 2; ++i) shownStates.push_back(EntryOf(shown, i).state);
    // The user picks the first enabled item with the keyboard.
    PostMessageW(PopupListWindow(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(PopupListWindow(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(PopupListWindow(), WM_KEYDOWN, VK_RETURN, 0);
  });
  d.menu->Popup(100, 100);
  EXPECT_EQ(d.popups, 1);
  EXPECT_EQ(d.menu->PopupPoint(), Point(100, 100));
  ASSERT_EQ(shownStates.size(), 2u);
  EXPECT_NE(shownStates[0] & MFS_GRAYED, 0u);
  EXPECT_EQ(shownStates[1] & MFS_GRAYED, 0u);
  guitest::Pump();  // the command arrives through the message queue
  ASSERT_EQ(d.clicks.size(), 1u);
  EXPECT_EQ(d.clicks[0], Hu("Másolás"));

  // A command for a disabled item does nothing; a foreign command is left alone.
  PostMessageW(PopupListWindow(), WM_COMMAND, d.cut->Command(), 0);
  PostMessageW(PopupListWindow(), WM_COMMAND, 0xFFFF, 0);
  guitest::Pump();
  EXPECT_EQ(d.clicks.size(), 1u);
}

TEST(PopupMenus, OpeningASubMenuClicksItsItemWhichMayChangeIt) {
  DiaryMenu d;
  auto* sub = New<TMenuItem>(d.owner.get());
  sub->SetCaption("Egy");
  d.post->Add(sub);
  int opened = 0;
  d.post->OnClick = [&](TObject*) {
    ++opened;
    auto* more = New<TMenuItem>(d.owner.get());
    more->SetCaption("Kettő");
    d.post->Add(more);
  };
  HMENU submenu = nullptr;
  int countWhileOpen = 0;
  guitest::RunLater([&] {
    submenu = d.post->Handle();
    SendMessageW(PopupListWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), 3);
    countWhileOpen = GetMenuItemCount(submenu);
    EndMenu();
  });
  d.menu->Popup(50, 50);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(countWhileOpen, 2);  // the open sub-menu shows the new item
  EXPECT_EQ(d.post->Count(), 2);
}

TEST(PopupMenus, ShortcutsClickTheParentsFirstAndDisabledItemsKeepTheirKeys) {
  DiaryMenu d;
  struct Case {
    const char* what;
    std::initializer_list<int> down;
    WORD key;
    bool enableCut;
    bool taken;
    std::vector<AnsiString> clicks;
  };
  const Case cases[] = {
      {"Ctrl+X", {VK_CONTROL, VK_LCONTROL}, 'X', true, true, {Hu("Kivágás")}},
      {"Ctrl+X on a disabled item: taken, nothing runs", {VK_CONTROL, VK_LCONTROL}, 'X', false, true, {}},
      {"Ctrl+Alt+P", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}, 'P', true, true, {Hu("Szerkesztés befejezése")}},
      {"AltGr+P is a character", {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_RMENU}, 'P', true, false, {}},
      {"no item has it", {VK_CONTROL, VK_LCONTROL}, 'Q', true, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d.clicks.clear();
    d.popups = 0;
    // OnPopup runs before the item (the root is the first parent clicked) and decides its state.
    d.menu->OnPopup = [&](TObject*) {
      ++d.popups;
      d.cut->SetEnabled(c.enableCut);
    };
    guitest::KeysDown keys(c.down);
    EXPECT_EQ(d.menu->IsShortCut(TWMKey{c.key, 0}), c.taken);
    EXPECT_EQ(d.clicks, c.clicks);
    EXPECT_EQ(d.popups, c.taken ? 1 : 0);
  }

  // An item of a sub-menu: its parent item is clicked on the way; a disabled parent stops it.
  auto* sub = New<TMenuItem>(d.owner.get());
  sub->SetShortCut(ShortCut(VK_F5, {}));
  sub->OnClick = [&](TObject*) { d.clicks.push_back("sub"); };
  d.post->Add(sub);
  d.clicks.clear();
  guitest::KeysDown none({});
  EXPECT_TRUE(d.menu->IsShortCut(TWMKey{VK_F5, 0}));
  EXPECT_EQ(d.clicks, (std::vector<AnsiString>{Hu("Szerkesztés befejezése"), "sub"}));
  d.post->SetEnabled(false);
  d.clicks.clear();
  EXPECT_TRUE(d.menu->IsShortCut(TWMKey{VK_F5, 0}));
  EXPECT_TRUE(d.clicks.empty());
}

namespace {

struct MenuSurface {
  TBitmap bitmap;
  MenuSurface() {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(200, 30);
    bitmap.Canvas().Brush().SetColor(clFuchsia);
    bitmap.Canvas().FillRect(Rect(0, 0, 200, 30));
  }
  // Sends the owner-draw messages for an item as the system would.
  TPoint Measure(TMenuItem* item) {
    MEASUREITEMSTRUCT mi{};
    mi.CtlType = ODT_MENU;
    mi.itemID = item->Command();
    mi.itemData = item->Command();
    TMessage m{WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi), 0};
    EXPECT_TRUE(HandleMenuMessage(m));
    return Point(static_cast<Integer>(mi.itemWidth), static_cast<Integer>(mi.itemHeight));
  }
  void Draw(TMenuItem* item, UINT state, Integer height) {
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_MENU;
    di.itemID = item->Command();
    di.itemData = item->Command();
    di.itemState = state;
    di.hDC = bitmap.Canvas().Handle();
    di.rcItem = RECT{0, 0, 200, height};
    TMessage m{WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di), 0};
    EXPECT_TRUE(HandleMenuMessage(m));
  }
  TColor At(int x, int y) { return bitmap.Canvas().Pixels(x, y); }
};

}  // namespace

TEST(MenuOwnerDraw, ImagesCaptionAndSelectionArePainted) {
  DiaryMenu d;
  TImageList images(nullptr);
  images.AddIconResource(GetModuleHandleW(nullptr), "TESTICON");  // red body
  images.AddIconResource(GetModuleHandleW(nullptr), "TESTICON");
  d.menu->SetImages(&images);
  MenuSurface s;
  const TPoint size = s.Measure(d.copy);
  EXPECT_GE(size.Y, images.Height() + 6);
  EXPECT_GT(size.X, images.Width() + 40);  // image column, caption and shortcut
  EXPECT_EQ(s.Measure(d.line).Y, GetSystemMetrics(SM_CYMENU) / 2);

  const int h = size.Y;
  s.Draw(d.copy, 0, h);
  const Integer imageX = (std::max(16, GetSystemMetrics(SM_CXMENUCHECK)) + 6 - 16) / 2;
  EXPECT_EQ(s.At(imageX + 8, h / 2), clRed);                       // the item's image
  EXPECT_EQ(s.At(190, 1), static_cast<TColor>(ColorToRGB(clMenu)));  // the background
  bool text = false;
  for (int x = 30; x < 120 && !text; ++x)
    for (int y = 2; y < h - 2 && !text; ++y) text = s.At(x, y) == static_cast<TColor>(ColorToRGB(clMenuText));
  EXPECT_TRUE(text);

  s.Draw(d.copy, ODS_SELECTED, h);
  EXPECT_EQ(s.At(190, 1), static_cast<TColor>(ColorToRGB(clHighlight)));
  s.Draw(d.copy, ODS_GRAYED, h);
  EXPECT_NE(s.At(imageX + 8, h / 2), clRed);  // a disabled item's image is greyed

  d.menu->SetImages(nullptr);
}

TEST(MenuOwnerDraw, HandlersTakeTheMeasureAndThePaintingOver) {
  struct Painter {
    int calls = 0;
    TOwnerDrawState state;
    void Measure(TObject*, TCanvas&, Integer& width, Integer& height) {
      width = 77;
      height += 1;
    }
    void Draw(TObject*, TCanvas& canvas, const TRect& rect, TOwnerDrawState s) {
      ++calls;
      state = s;
      canvas.Brush().SetColor(clLime);
      canvas.FillRect(rect);
    }
  } painter;
  DiaryMenu d;
  d.cut->OnMeasureItem = TMenuMeasureItemEvent(&painter, &Painter::Measure);
  d.cut->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent(&painter, &Painter::Draw);
  EXPECT_TRUE(d.cut->IsOwnerDrawn());
  EXPECT_FALSE(d.copy->IsOwnerDrawn());
  EXPECT_NE(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
  // The handlers can be recognised later (to be given back only when still one's own).
  EXPECT_TRUE(d.cut->OnAdvancedDrawItem == TAdvancedMenuDrawItemEvent(&painter, &Painter::Draw));

  MenuSurface s;
  const TPoint size = s.Measure(d.cut);
  EXPECT_EQ(size.X, 77);
  EXPECT_EQ(size.Y, s.Measure(d.copy).Y + 1);  // the default measure, then the handler's change
  s.Draw(d.cut, ODS_SELECTED | ODS_NOACCEL, 20);
  EXPECT_EQ(painter.calls, 1);
  EXPECT_TRUE(painter.state.Contains(odSelected));
  EXPECT_TRUE(painter.state.Contains(odNoAccel));
  EXPECT_EQ(s.At(100, 10), clLime);

  // Messages for other controls' items are not the menus'.
  DRAWITEMSTRUCT button{};
  button.CtlType = ODT_BUTTON;
  TMessage m{WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&button), 0};
  EXPECT_FALSE(HandleMenuMessage(m));
}

TEST(Menus, DrawingHooksSetAfterTheMenuWasBuiltRebuildIt) {
  struct Painter {
    void Draw(TObject*, TCanvas&, const TRect&, TOwnerDrawState) {}
    void Measure(TObject*, TCanvas&, Integer&, Integer&) {}
  } painter;
  DiaryMenu d;
  EXPECT_EQ(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
  d.cut->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent(&painter, &Painter::Draw);
  EXPECT_NE(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
  d.cut->OnAdvancedDrawItem = {};
  EXPECT_EQ(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
  d.cut->OnMeasureItem = TMenuMeasureItemEvent(&painter, &Painter::Measure);
  EXPECT_NE(EntryOf(d.menu->Handle(), 0).type & MFT_OWNERDRAW, 0u);
}

TEST(PopupMenus, ShownOwnerDrawnMenuIsMeasuredThroughTheListWindow) {
  DiaryMenu d;
  int measured = 0;
  struct Counter {
    int* n;
    void Measure(TObject*, TCanvas&, Integer&, Integer&) { ++*n; }
  } counter{&measured};
  for (int i = 0; i < d.menu->Items()->Count(); ++i)
    d.menu->Items()->Items(i)->OnMeasureItem = TMenuMeasureItemEvent(&counter, &Counter::Measure);
  guitest::RunLater([] { EndMenu(); });
  d.menu->Popup(10, 10);
  EXPECT_GE(measured, 4);
}

TEST(MenuItems, ItemBitmapsAndSubMenuImagesForTheirOwnersDrawing) {
  DiaryMenu d;
  // No bitmap until one is given; an empty one counts as none.
  EXPECT_FALSE(d.cut->HasBitmap());
  d.cut->Bitmap();
  EXPECT_FALSE(d.cut->HasBitmap());
  TBitmap glyph;
  glyph.SetPixelFormat(pf32bit);
  glyph.SetSize(12, 10);
  d.cut->SetBitmap(&glyph);
  ASSERT_TRUE(d.cut->HasBitmap());
  EXPECT_EQ(d.cut->Bitmap().Width(), 12);
  EXPECT_EQ(d.cut->Bitmap().Height(), 10);
  // The sub-menu images are forgotten when the list goes.
  auto* images = New<TImageList>(d.owner.get());
  d.copy->SetSubMenuImages(images);
  EXPECT_EQ(d.copy->SubMenuImages(), images);
  delete images;
  EXPECT_EQ(d.copy->SubMenuImages(), nullptr);
  // Reading order and opening animation: left to right and the system's until set.
  EXPECT_EQ(d.menu->BiDiMode(), bdLeftToRight);
  EXPECT_FALSE(d.menu->MenuAnimation().Contains(maNone));
  EXPECT_FALSE(SysLocale.MiddleEast);
}

TEST(MenuItems, AnActionDrivesItsItemAndRunsWhenTheItemIsClicked) {
  std::unique_ptr<TComponent> owner(new TComponent(nullptr));
  auto* item = New<TMenuItem>(owner.get());
  item->SetCaption("Old");
  auto* action = New<TAction>(owner.get());
  action->SetCaption("Tile");
  action->SetChecked(true);
  action->SetShortCut(ShortCut('T', {ssCtrl}));
  bool allowed = true;
  int updates = 0, runs = 0;
  action->OnUpdate = [&](TObject*) {
    ++updates;
    action->SetEnabled(allowed);
  };
  action->OnExecute = [&](TObject*) { ++runs; };
  item->SetAction(action);
  // Set: the item shows the action as it is, without updating it.
  EXPECT_EQ(updates, 0);
  EXPECT_EQ(item->Caption(), "Tile");
  EXPECT_TRUE(item->Checked());
  EXPECT_EQ(item->ShortCut(), ShortCut('T', {ssCtrl}));
  // Initiated: the action's update decides, the item follows.
  allowed = false;
  item->InitiateAction();
  EXPECT_EQ(updates, 1);
  EXPECT_FALSE(item->Enabled());
  item->Click();
  EXPECT_EQ(runs, 0);
  allowed = true;
  item->InitiateAction();
  EXPECT_TRUE(item->Enabled());
  item->Click();  // Execute updates the action first
  EXPECT_EQ(runs, 1);
  // An OnClick of the item's own comes instead of the action.
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  item->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(runs, 1);
  // A freed action leaves the item as it was.
  delete action;
  EXPECT_EQ(item->Action(), nullptr);
  item->InitiateAction();
  EXPECT_EQ(item->Caption(), "Tile");
}
