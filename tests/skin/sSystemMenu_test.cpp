// The skinned system menu on real forms under Wine: its items follow the form, their captions and
// shortcuts come from the window's own system menu, entries an application added are carried over and
// posted back as WM_SYSCOMMAND, a user sub-menu takes its place, and the skin list runs in columns of 20.
#include "skin/forms/sSystemMenu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// The form's procedure before the provider: records the system commands that reach it.
class TCommandLog {
 public:
  explicit TCommandLog(TForm* form) : form_(form) {}
  void WndProc(TMessage& message) {
    if (message.Msg == WM_SYSCOMMAND) {
      commands.push_back(message.WParam);
      return;  // kept from the system: a move or size command would start its modal loop
    }
    form_->WndProc(message);
  }
  TWndMethod Method() { return TWndMethod(this, &TCommandLog::WndProc); }
  std::vector<WPARAM> commands;

 private:
  TForm* form_;
};

class SystemMenuTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  // A form with a window (and the command log as its procedure), its extra system menu entries added
  // by `prepare` before the provider comes.
  TsSystemMenu& MakeForm(TFormBorderStyle border, int show, const std::function<void(HMENU)>& prepare = nullptr) {
    form_ = New<TForm>(nullptr);
    form_->SetBorderStyle(border);
    form_->SetBounds(80, 60, 300, 200);
    log_ = std::make_unique<TCommandLog>(form_);
    form_->SetWindowProc(log_->Method());
    form_->HandleNeeded();
    if (prepare) prepare(GetSystemMenu(form_->Handle(), FALSE));
    provider_ = New<TsSkinProvider>(form_);
    if (show != SW_HIDE) ShowWindow(form_->Handle(), show);
    EXPECT_NE(provider_->SkinSysMenu, nullptr);
    provider_->SkinSysMenu->UpdateItems(false);
    return *provider_->SkinSysMenu;
  }
  TMenuItem* Item(const char* name) { return static_cast<TMenuItem*>(provider_->SkinSysMenu->FindComponent(name)); }
  // Visible and enabled of the six items in the order restore, move, size, minimise, maximise, close.
  std::string States() {
    std::string out;
    for (const char* name : {"skIR", "skIM", "skIS", "skIN", "skIX", "skIC"}) {
      TMenuItem* item = Item(name);
      out += item == nullptr ? "--" : std::string(item->Visible() ? "V" : "h") + (item->Enabled() ? "E" : "d");
      out += ' ';
    }
    return out;
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TCommandLog> log_;
};

TEST_F(SystemMenuTest, ItemsFollowTheFormsFrameAndState) {
  struct Case {
    const char* name;
    TFormBorderStyle border;
    int show;
    const char* states;  // restore move size minimise maximise close
  } cases[] = {
      {"sizeable", bsSizeable, SW_SHOWNOACTIVATE, "Vd VE VE VE VE VE "},
      // A dialog: restore, size, minimise and maximise hidden, close visible.
      {"dialog", bsDialog, SW_SHOWNOACTIVATE, "hd VE hE hE hd VE "},
      // Maximised: restore enabled, move disabled; maximise stays visible.
      {"maximised sizeable", bsSizeable, SW_SHOWMAXIMIZED, "VE Vd VE VE VE VE "},
      // An iconic secondary form: minimise visible but disabled, size disabled.
      {"iconic secondary", bsSizeable, SW_SHOWMINNOACTIVE, "VE VE Vd Vd VE VE "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TsSystemMenu& menu = MakeForm(c.border, c.show);
    EXPECT_EQ(States(), c.states);
    // The title asks the same answers.
    EXPECT_EQ(menu.VisibleMax(), Item("skIX")->Visible());
    EXPECT_EQ(menu.EnabledMax(), Item("skIX")->Enabled());
    EXPECT_EQ(menu.EnabledMin(), Item("skIN")->Enabled());
    EXPECT_EQ(menu.EnabledRestore(), Item("skIR")->Enabled());
    EXPECT_TRUE(menu.VisibleClose());
    delete form_;
    form_ = nullptr;
  }
}

TEST_F(SystemMenuTest, AnIconicMainFormMayMinimiseFromItsMenu) {
  guitest::FreshApplication app;
  TForm* main = nullptr;
  app->CreateForm(main);
  ASSERT_EQ(app->MainForm(), main);
  auto* provider = New<TsSkinProvider>(main);
  ShowWindow(main->Handle(), SW_SHOWMINNOACTIVE);
  ASSERT_NE(provider->SkinSysMenu, nullptr);
  provider->SkinSysMenu->UpdateItems(false);
  EXPECT_TRUE(provider->SkinSysMenu->VisibleMin());
  EXPECT_TRUE(provider->SkinSysMenu->EnabledMin());
}

TEST_F(SystemMenuTest, CaptionsAndShortcutsComeFromTheWindowsOwnMenu) {
  MakeForm(bsSizeable, SW_SHOWNOACTIVATE);
  const HMENU own = GetSystemMenu(form_->Handle(), FALSE);
  wchar_t text[64] = {};
  ASSERT_GT(GetMenuStringW(own, SC_CLOSE, text, 64, MF_BYCOMMAND), 0);
  const std::wstring close = text;
  const size_t tab = close.find(L'\t');
  EXPECT_EQ(Item("skIC")->Caption(), std::string(close.begin(), close.begin() + static_cast<long>(std::min(tab, close.size()))));
  if (tab != std::wstring::npos) {
    EXPECT_EQ(Item("skIC")->ShortCut(), TextToShortCut(std::string(close.begin() + static_cast<long>(tab) + 1, close.end())));
  }
  EXPECT_EQ(provider_->SkinSysMenu->ExtraItemCount(), 0);

  // Choosing an item sends its command to the form.
  Item("skIM")->Click();
  ASSERT_FALSE(log_->commands.empty());
  EXPECT_EQ(log_->commands.back(), static_cast<WPARAM>(SC_MOVE));
}

TEST_F(SystemMenuTest, AnAddedEntryStandsBetweenMaximiseAndCloseAndIsPostedBack) {
  MakeForm(bsSizeable, SW_SHOWNOACTIVATE, [](HMENU menu) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 0x0010, L"&About\tCtrl+B");
  });
  TsSystemMenu& menu = *provider_->SkinSysMenu;
  EXPECT_EQ(menu.ExtraItemCount(), 1);
  TMenuItem* root = menu.Items();
  const int max = root->IndexOf(Item("skIX"));
  const int close = root->IndexOf(Item("skIC"));
  ASSERT_GE(max, 0);
  // maximise, separator, the entry, separator, close
  ASSERT_EQ(close, max + 4);
  TMenuItem* extra = root->Items(max + 2);
  EXPECT_EQ(extra->Caption(), "&About");
  EXPECT_EQ(extra->ShortCut(), TextToShortCut("Ctrl+B"));
  EXPECT_NE(extra->ShortCut(), scNone);
  EXPECT_EQ(extra->Tag(), 0x0010);
  EXPECT_TRUE(root->Items(max + 1)->IsLine());
  EXPECT_TRUE(root->Items(max + 3)->IsLine());

  log_->commands.clear();
  extra->Click();
  EXPECT_TRUE(log_->commands.empty()) << "posted, not sent";
  ASSERT_TRUE(guitest::PumpUntil([&] { return !log_->commands.empty(); }));
  EXPECT_EQ(log_->commands, std::vector<WPARAM>{0x0010});
}

TEST_F(SystemMenuTest, AUserSubMenuAtTheBottomFollowsCloseAfterALine) {
  TPopupMenu* user = New<TPopupMenu>(nullptr);
  auto* first = New<TMenuItem>(user);
  first->SetName("miFirst");
  first->SetCaption("First");
  int clicks = 0;
  first->OnClick = [&](TObject*) { ++clicks; };
  user->Items()->Add(first);
  auto* second = New<TMenuItem>(user);
  second->SetCaption("Second");  // unnamed
  user->Items()->Add(second);

  TsSystemMenu& menu = MakeForm(bsSizeable, SW_SHOWNOACTIVATE);
  provider_->SysSubMenu().Caption = "Tools";
  provider_->SysSubMenu().PopupMenu = user;
  provider_->SysSubMenu().Position = ipBottom;
  menu.UpdateItems(true);
  TMenuItem* root = menu.Items();
  const int close = root->IndexOf(Item("skIC"));
  ASSERT_EQ(root->Count(), close + 3);
  EXPECT_EQ(root->Items(close + 1)->Name(), "sk_BtmDiv");
  TMenuItem* sub = root->Items(close + 2);
  EXPECT_EQ(sub->Name(), "sk_SubMenu");
  EXPECT_EQ(sub->Caption(), "Tools");
  ASSERT_EQ(sub->Count(), 2);
  EXPECT_EQ(sub->Items(0)->Name(), "miFirstCopy");
  EXPECT_EQ(sub->Items(1)->Caption(), "Second");
  sub->Items(0)->Click();
  EXPECT_EQ(clicks, 1);

  // At the top the sub-menu comes first, a line after it.
  provider_->SysSubMenu().Position = ipTop;
  menu.UpdateItems(true);
  EXPECT_EQ(root->Items(0)->Name(), "sk_SubMenu");
  EXPECT_EQ(root->Items(1)->Name(), "sk_TopDiv");
  provider_->SysSubMenu().PopupMenu = nullptr;
  delete user;
}

TEST_F(SystemMenuTest, TwentyFiveSkinsMakeTwoColumnsAndAChoiceLoadsTheSkin) {
  const Bytes pack = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
  for (int i = 1; i < 25; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Skin %02d", i);
    manager_->InternalSkins().Add(name, std::vector<Byte>(pack.begin(), pack.end()));
  }
  TsSystemMenu& menu = MakeForm(bsSizeable, SW_SHOWNOACTIVATE);
  menu.AddSkinItems();
  TMenuItem* list = menu.Items()->Items(0);
  EXPECT_EQ(list->Name(), "SkinSelectItem");
  EXPECT_EQ(list->Caption(), "Available skins");
  EXPECT_TRUE(menu.Items()->Items(1)->IsLine());
  ASSERT_EQ(list->Count(), 25);
  int checked = 0;
  for (int i = 0; i < 25; ++i) {
    SCOPED_TRACE(i);
    TMenuItem* item = list->Items(i);
    EXPECT_EQ(item->Name(), "SkinSelectItem" + std::to_string(i));
    EXPECT_TRUE(item->RadioItem());
    EXPECT_EQ(item->Break(), i == 20) << "the 21st skin starts the second column";
    checked += item->Checked() ? 1 : 0;
    if (item->Checked()) {
      EXPECT_EQ(item->Caption(), manager_->SkinName());
    }
  }
  EXPECT_EQ(checked, 1);

  TMenuItem* other = list->Items(list->Items(0)->Checked() ? 1 : 0);
  const AnsiString name = other->Caption();
  other->Click();
  EXPECT_EQ(manager_->SkinName(), name);
}

}  // namespace
