// Main menus and MDI forms: a form's menu bar follows its items and dispatches their commands, menus
// merge by GroupIndex, and an MDI frame keeps its children in its client window, knows the active one and
// shows the active child's menu merged into its own.
#include "vcl/gui/MainMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"
#include "vcl/rtl/TextConv.h"

namespace {

TMenuItem* AddItem(TMenu* menu, TMenuItem* parent, const char* caption, Integer group = 0) {
  auto* item = New<TMenuItem>(menu->Owner());
  item->SetCaption(caption);
  item->SetGroupIndex(group);
  (parent != nullptr ? parent : menu->Items())->Add(item);
  return item;
}

// The captions of a Windows menu's entries in order.
std::vector<std::string> BarCaptions(HMENU menu) {
  std::vector<std::string> captions;
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 127, MF_BYPOSITION);
    captions.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(text)));
  }
  return captions;
}

std::vector<std::string> Captions(const std::vector<TMenuItem*>& items) {
  std::vector<std::string> captions;
  for (const TMenuItem* item : items) captions.push_back(Cp1250ToUtf8(item->Caption()));
  return captions;
}

using Strings = std::vector<std::string>;

// An MDI frame with a File (group 0), Window (group 9) and Help (group 10) menu, and two children whose
// menus have an Edit item in group 1.
struct MdiFixture {
  TForm* frame = New<TForm>(nullptr);
  TMainMenu* menu = New<TMainMenu>(frame);
  TMenuItem* file = AddItem(menu, nullptr, "File", 0);
  TMenuItem* window = AddItem(menu, nullptr, "Window", 9);
  TMenuItem* help = AddItem(menu, nullptr, "Help", 10);
  TForm* first = nullptr;
  TForm* second = nullptr;

  MdiFixture() {
    AddItem(menu, file, "Exit");
    AddItem(menu, window, "Cascade");
    frame->SetMenu(menu);
    frame->SetWindowMenu(window);
    frame->SetFormStyle(fsMDIForm);
    frame->SetBounds(20, 20, 600, 400);
    frame->Show();
    first = Child("First");
    second = Child("Second");
  }
  ~MdiFixture() {
    delete second;
    delete first;
    delete frame;
  }
  TForm* Child(const char* caption) {
    auto* child = New<TForm>(nullptr);
    child->SetCaption(caption);
    child->SetFormStyle(fsMDIChild);
    auto* childMenu = New<TMainMenu>(child);
    AddItem(childMenu, nullptr, (std::string(caption) + " edit").c_str(), 1);
    child->SetMenu(childMenu);
    child->SetBounds(10, 10, 200, 150);
    child->Show();
    return child;
  }
};

}  // namespace

TEST(MainMenu, FormBarFollowsTheItemsAndDispatchesCommands) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto* menu = New<TMainMenu>(form.get());
  TMenuItem* file = AddItem(menu, nullptr, "&File");
  TMenuItem* open = AddItem(menu, file, "&Open");
  AddItem(menu, nullptr, "&Help");
  int clicks = 0;
  open->OnClick = [&](TObject*) { ++clicks; };
  form->SetMenu(menu);
  form->Show();
  HMENU bar = GetMenu(form->Handle());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar, menu->CurrentHandle());
  EXPECT_EQ(BarCaptions(bar), (Strings{"&File", "&Help"}));
  EXPECT_EQ(menu->WindowHandle(), form->Handle());

  // A change shows on the bar at once; a hidden item leaves it.
  file->SetCaption(Utf8ToCp1250("&Fájl"));
  EXPECT_EQ(BarCaptions(GetMenu(form->Handle())), (Strings{"&Fájl", "&Help"}));
  menu->Items()->Items(1)->SetVisible(false);
  EXPECT_EQ(BarCaptions(GetMenu(form->Handle())), (Strings{"&Fájl"}));

  // The item's command comes back as WM_COMMAND from the menu.
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(open->Command(), 0), 0);
  EXPECT_EQ(clicks, 1);
  // The bar has a height: the client area is the window less frame, caption and bar.
  MENUBARINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMenuBarInfo(form->Handle(), OBJID_MENU, 0, &info));
  EXPECT_GT(info.rcBar.bottom, info.rcBar.top);

  // Without a menu the window has no bar; freeing the menu takes the bar away too.
  form->SetMenu(nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
  form->SetMenu(menu);
  EXPECT_NE(GetMenu(form->Handle()), nullptr);
  delete menu;
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

TEST(MainMenu, MergeReplacesEqualGroupsAndInsertsByGroupIndex) {
  struct Case {
    const char* name;
    std::vector<Integer> frameGroups;   // frame items "F<group>"
    std::vector<Integer> mergedGroups;  // merged items "M<group>"
    Strings expected;
  } cases[] = {
      {"replaces the same group", {0, 1, 3}, {1}, {"F0", "M1", "F3"}},
      {"inserts between groups", {0, 3}, {1, 2}, {"F0", "M1", "M2", "F3"}},
      {"several frame items of a group go", {0, 1, 1, 5}, {1}, {"F0", "M1", "F5"}},
      {"after the last group", {0, 1}, {7}, {"F0", "F1", "M7"}},
      {"before the first", {2, 3}, {0, 0}, {"M0", "M0", "F2", "F3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TComponent> owner(new TComponent(nullptr));
    auto* frame = New<TMainMenu>(owner.get());
    auto* merged = New<TMainMenu>(owner.get());
    for (Integer g : c.frameGroups) AddItem(frame, nullptr, ("F" + std::to_string(g)).c_str(), g);
    for (Integer g : c.mergedGroups) AddItem(merged, nullptr, ("M" + std::to_string(g)).c_str(), g);
    frame->Merge(merged);
    EXPECT_EQ(Captions(frame->BarItems()), c.expected);
    EXPECT_EQ(BarCaptions(frame->Handle()), c.expected);
    EXPECT_EQ(merged->MergedInto(), frame);
    frame->Unmerge(merged);
    EXPECT_EQ(frame->MergedMenu(), nullptr);
    EXPECT_EQ(merged->MergedInto(), nullptr);
    EXPECT_EQ(frame->BarItems().size(), c.frameGroups.size());
  }
}

TEST(MainMenu, MergedItemsAnswerTheirCommandsAndGoWithTheirMenu) {
  std::unique_ptr<TComponent> owner(new TComponent(nullptr));
  auto* frame = New<TMainMenu>(owner.get());
  auto* merged = New<TMainMenu>(owner.get());
  AddItem(frame, nullptr, "F0", 0);
  TMenuItem* edit = AddItem(merged, nullptr, "Edit", 1);
  TMenuItem* undo = AddItem(merged, edit, "Undo");
  int clicks = 0, popups = 0;
  undo->OnClick = [&](TObject*) { ++clicks; };
  edit->OnClick = [&](TObject*) { ++popups; };
  frame->Merge(merged);
  HMENU bar = frame->Handle();
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_TRUE(frame->DispatchMenuPopup(GetSubMenu(bar, 1)));
  EXPECT_TRUE(frame->DispatchMenuCommand(undo->Command()));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(popups, 1);
  // A change of a merged item rebuilds the frame's bar; freeing the merged menu unmerges it.
  edit->SetCaption("Edit2");
  EXPECT_EQ(BarCaptions(frame->Handle()), (Strings{"F0", "Edit2"}));
  delete merged;
  EXPECT_EQ(frame->MergedMenu(), nullptr);
  EXPECT_EQ(BarCaptions(frame->Handle()), (Strings{"F0"}));
}

TEST(MDIForm, ChildrenLiveInTheClientWindowAndMergeTheirMenus) {
  MdiFixture mdi;
  TForm* frame = mdi.frame;
  ASSERT_NE(frame->ClientHandle(), nullptr);
  wchar_t className[32] = {};
  GetClassNameW(frame->ClientHandle(), className, 31);
  EXPECT_EQ(std::wstring(className), L"MDIClient");
  EXPECT_EQ(GetParent(frame->ClientHandle()), frame->Handle());
  EXPECT_EQ(GetParent(mdi.first->Handle()), frame->ClientHandle());
  EXPECT_NE(GetWindowLongPtrW(mdi.first->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD, 0);
  EXPECT_EQ(mdi.first->Menu()->CurrentHandle(), nullptr);  // no bar of its own

  ASSERT_EQ(frame->MDIChildCount(), 2);
  std::vector<TCustomForm*> children{frame->MDIChildren(0), frame->MDIChildren(1)};
  EXPECT_NE(std::find(children.begin(), children.end(), mdi.first), children.end());
  EXPECT_NE(std::find(children.begin(), children.end(), mdi.second), children.end());
  EXPECT_THROW(frame->MDIChildren(2), EListError);
  EXPECT_EQ(mdi.first->MDIChildCount(), 0);
  EXPECT_EQ(mdi.first->ActiveMDIChild(), nullptr);

  // The last child shown is active, and its Edit item sits in group 1 of the frame's bar.
  EXPECT_EQ(frame->ActiveMDIChild(), mdi.second);
  EXPECT_EQ(BarCaptions(GetMenu(frame->Handle())), (Strings{"File", "Second edit", "Window", "Help"}));
  mdi.first->BringToFront();
  EXPECT_EQ(frame->ActiveMDIChild(), mdi.first);
  EXPECT_EQ(frame->Menu()->MergedMenu(), mdi.first->Menu());
  EXPECT_EQ(BarCaptions(GetMenu(frame->Handle())), (Strings{"File", "First edit", "Window", "Help"}));

  // A child is made by the client window (what watches the client sees it come), with its caption.
  static int creates = 0;
  static WNDPROC clientProc = nullptr;
  clientProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(frame->ClientHandle(), GWLP_WNDPROC));
  const auto recorder = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_MDICREATE) ++creates;
    return CallWindowProcW(clientProc, w, m, wp, lp);
  };
  SetWindowLongPtrW(frame->ClientHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+recorder));
  TForm* third = mdi.Child("Third");
  SetWindowLongPtrW(frame->ClientHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(clientProc));
  EXPECT_EQ(creates, 1);
  EXPECT_EQ(GetParent(third->Handle()), frame->ClientHandle());
  wchar_t text[16] = {};
  GetWindowTextW(third->Handle(), text, 15);
  EXPECT_EQ(std::wstring(text), L"Third");
  delete third;

  // A child that goes takes its menu with it.
  delete mdi.first;
  mdi.first = nullptr;
  EXPECT_EQ(frame->MDIChildCount(), 1);
  for (const std::string& caption : BarCaptions(GetMenu(frame->Handle()))) EXPECT_NE(caption, "First edit");
}

TEST(MDIForm, ClientTakesWhatAlignedControlsLeaveAndChildrenNeedAFrame) {
  {
    std::unique_ptr<TForm> orphan(New<TForm>(nullptr));
    orphan->SetFormStyle(fsMDIChild);
    EXPECT_THROW(orphan->HandleNeeded(), EInvalidOperation);
  }
  MdiFixture mdi;
  auto* bar = New<TPanel>(mdi.frame);
  bar->SetHeight(30);
  bar->SetAlign(alTop);
  bar->SetParent(mdi.frame);
  RECT client{}, area{};
  GetClientRect(mdi.frame->Handle(), &client);
  GetWindowRect(mdi.frame->ClientHandle(), &area);
  MapWindowPoints(nullptr, mdi.frame->Handle(), reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(area.top, 30);
  EXPECT_EQ(area.bottom, client.bottom);
  EXPECT_EQ(area.right - area.left, client.right);
  // Going back to a plain form makes the window again, without a client window.
  delete mdi.second;
  delete mdi.first;
  mdi.first = mdi.second = nullptr;
  mdi.frame->SetFormStyle(fsNormal);
  mdi.frame->HandleNeeded();
  EXPECT_EQ(mdi.frame->ClientHandle(), nullptr);
  EXPECT_EQ(BarCaptions(GetMenu(mdi.frame->Handle())), (Strings{"File", "Window", "Help"}));
}

TEST(MainMenu, AutoMergeFormMergesIntoTheMainFormWhileActive) {
  guitest::FreshApplication app;
  TForm* main = nullptr;
  app->CreateForm(main);  // the first form made this way is the main form
  auto* mainMenu = New<TMainMenu>(main);
  AddItem(mainMenu, nullptr, "File", 0);
  AddItem(mainMenu, nullptr, "Help", 5);
  main->SetMenu(mainMenu);
  ASSERT_EQ(app->MainForm(), main);
  std::unique_ptr<TForm> other(New<TForm>(nullptr));
  auto* otherMenu = New<TMainMenu>(other.get());
  AddItem(otherMenu, nullptr, "Tools", 3);
  otherMenu->SetAutoMerge(true);
  other->SetMenu(otherMenu);
  other->HandleNeeded();
  EXPECT_EQ(GetMenu(other->Handle()), nullptr);  // no bar of its own
  other->Perform(CM_ACTIVATE, 0, 0);
  EXPECT_EQ(Captions(mainMenu->BarItems()), (Strings{"File", "Tools", "Help"}));
  other->Perform(CM_DEACTIVATE, 0, 0);
  EXPECT_EQ(Captions(mainMenu->BarItems()), (Strings{"File", "Help"}));
  other.reset();
  delete main;
}
