// The control adapter of a skinned form with the built-in skin: which controls get which window adapter
// (by the manager's class lists, exactly), the walks that add no duplicates and rebuild what a new
// window lost, the provider's veto and sections, labels in the skin's font colour, embedded forms, and
// the skin's removal.
#include "skin/forms/sCtrlAdapter.h"

#include <gtest/gtest.h>

#include <typeinfo>
#include <vector>

#include "common/ComponentCount.h"
#include "skin/SkinFixture.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBBarWnd.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBControlScrollWnd.h"
#include "skin/adapters/skSBEditWnd.h"
#include "skin/adapters/skSBPanelWnd.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBTabWnd.h"
#include "skin/adapters/skSBToolBarVCLWnd.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/PageControl.h"
#include "vcl/gui/Panel.h"

using namespace skintest;

namespace {

TskMainWnd* AdapterOf(TWinControl* control) {
  return control->HandleAllocated() ? FindAdapter(control->Handle()) : nullptr;
}

bool HasAdapterProperty(TWinControl* control) { return GetPropW(control->Handle(), kAdapterProperty) != nullptr; }

// A shown form; its provider (as one dropped on it) comes once a test has placed its controls, and the
// adapter with PrepareForm.
class CtrlAdapterTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    FreePageAdapters();
    SkinFixture::TearDown();
  }
  void MakeForm() {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(40, 40, 320, 220);
    form_->Show();
    guitest::Pump();
  }
  void Provide() { provider_ = New<TsSkinProvider>(form_); }
  template <class T>
  T* Add(TWinControl* parent, Integer left = 10, Integer top = 10) {
    T* control = New<T>(form_);
    control->SetBounds(left, top, 80, 26);
    control->SetParent(parent);
    return control;
  }
  TButton* AddButton(Integer left = 10, Integer top = 10) { return Add<TButton>(form_, left, top); }
  TskCtrlAdapter& Adapter() {
    EXPECT_NE(provider_->ControlAdapter(), nullptr);
    return *provider_->ControlAdapter();
  }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
};

TEST_F(CtrlAdapterTest, ListedButtonsGetAButtonAdapterOnceAndAgainAfterANewWindow) {
  MakeForm();
  TButton* button = AddButton();
  TButton* spared = AddButton(100);
  spared->SetTag(kNoAdapterTag);
  TEdit* edit = Add<TEdit>(form_, 10, 60);  // the edits' list holds a blank only
  Provide();
  provider_->PrepareForm();

  ASSERT_EQ(Adapter().ItemCount(), 1);
  EXPECT_TRUE(HasAdapterProperty(button));
  EXPECT_NE(dynamic_cast<TskBtnWnd*>(AdapterOf(button)), nullptr);
  EXPECT_FALSE(HasAdapterProperty(spared));
  EXPECT_FALSE(HasAdapterProperty(edit));
  EXPECT_EQ(Adapter().GetItem(0)->Control, button);
  EXPECT_EQ(Adapter().GetItem(0)->SkinData->ControlKind, kAdapterItemKind);
  EXPECT_EQ(Adapter().GetItem(0)->SkinData->SkinSection(), "BUTTON");
  EXPECT_EQ(Adapter().GetItem(1), nullptr);
  EXPECT_EQ(Adapter().GetItem(-1), nullptr);

  TskMainWnd* first = AdapterOf(button);
  Adapter().AdaptControls();
  EXPECT_EQ(Adapter().ItemCount(), 1);
  EXPECT_EQ(AdapterOf(button), first);

  // The new window is announced to the form, whose adapter walks again and adapts it afresh.
  const HWND oldWindow = button->Handle();
  button->RecreateWnd();
  guitest::Pump();
  ASSERT_NE(button->Handle(), oldWindow);
  EXPECT_NE(dynamic_cast<TskBtnWnd*>(AdapterOf(button)), nullptr);
  EXPECT_EQ(Adapter().ItemCount(), 1);
  EXPECT_FALSE(WndAdapterDead(Adapter().GetItem(0)->WndAdapter));
}

TEST_F(CtrlAdapterTest, AButtonMadeLaterIsAdaptedWhenItsWindowIsAnnounced) {
  MakeForm();
  Provide();
  provider_->PrepareForm();
  ASSERT_EQ(Adapter().ItemCount(), 0);
  TButton* later = AddButton();  // inserted without a window; the window follows as it is parented
  guitest::Pump();
  EXPECT_NE(dynamic_cast<TskBtnWnd*>(AdapterOf(later)), nullptr);
  EXPECT_EQ(Adapter().ItemCount(), 1);
}

TEST_F(CtrlAdapterTest, TheProviderVetoesOrNamesTheSectionAndCommand25WalksAgain) {
  MakeForm();
  TButton* vetoed = AddButton();
  TButton* named = AddButton(100);
  bool veto = true;
  Provide();
  provider_->OnSkinItem = [&](TObject* sender, TComponent* item, bool& canBeAdded, AnsiString& section) {
    EXPECT_EQ(sender, provider_);
    if (item == vetoed) canBeAdded = !veto;
    if (item == named) section = "checkbox";
  };
  provider_->PrepareForm();
  ASSERT_EQ(Adapter().ItemCount(), 1);
  EXPECT_FALSE(HasAdapterProperty(vetoed));
  EXPECT_EQ(Adapter().GetItem(0)->Control, named);
  EXPECT_EQ(Adapter().GetItem(0)->SkinData->SkinSection(), "CHECKBOX");

  veto = false;
  SendSkinCommand(form_->Handle(), scControlAdded, 0);
  EXPECT_TRUE(HasAdapterProperty(vetoed));
  EXPECT_EQ(Adapter().ItemCount(), 2);

  // A control with a window that the form comes to own is adapted as it is inserted.
  veto = true;
  TButton* ownerless = New<TButton>(nullptr);
  vetoed = ownerless;
  ownerless->SetBounds(190, 10, 80, 26);
  ownerless->SetParent(form_);
  guitest::Pump();
  ASSERT_TRUE(ownerless->HandleAllocated());
  vetoed = nullptr;  // the question now vetoes nothing
  EXPECT_FALSE(HasAdapterProperty(ownerless)) << "not yet: no walk since";
  form_->InsertComponent(ownerless);
  EXPECT_TRUE(HasAdapterProperty(ownerless));
  EXPECT_EQ(Adapter().ItemCount(), 3);
}

TEST_F(CtrlAdapterTest, LabelsTakeTheSkinsFontColourUnlessSparedAmongTheComponents) {
  MakeForm();
  const TColor skinColor = static_cast<TColor>(manager_->GetGlobalFontColor());
  const TColor own = skinColor == clRed ? clBlue : clRed;
  const auto label = [&](Integer tag, bool placed) {
    TLabel* l = New<TLabel>(form_);
    l->SetTag(tag);
    if (placed) l->SetParent(form_);
    l->SetTransparent(false);
    l->Font().SetColor(own);
    return l;
  };
  TLabel* sparedAmongComponents = label(kKeepLabelColorTag, false);
  TLabel* unplaced = label(0, false);
  TLabel* placed = label(kKeepLabelColorTag, true);
  TPanel* panel = Add<TPanel>(form_, 10, 100);
  TLabel* onPanel = New<TLabel>(form_);  // owned by the form, placed on a panel: the panel's walk
  onPanel->SetTag(kKeepLabelColorTag);
  onPanel->SetParent(panel);
  onPanel->Font().SetColor(own);
  Provide();
  provider_->PrepareForm();

  EXPECT_EQ(sparedAmongComponents->Font().Color(), own);
  EXPECT_FALSE(sparedAmongComponents->Transparent());
  EXPECT_EQ(unplaced->Font().Color(), skinColor);
  EXPECT_TRUE(unplaced->Transparent());
  EXPECT_EQ(placed->Font().Color(), skinColor);
  EXPECT_EQ(onPanel->Font().Color(), skinColor);
}

TEST_F(CtrlAdapterTest, WithoutThirdPartySkinningTheWalkDoesNothing) {
  manager_->SetSkinningRules(TskSkinningRules{srStdForms, srStdDialogs});
  MakeForm();
  TButton* button = AddButton();
  TLabel* label = New<TLabel>(form_);
  label->SetParent(form_);
  label->Font().SetColor(clRed);
  Provide();
  provider_->PrepareForm();
  EXPECT_EQ(Adapter().ItemCount(), 0);
  EXPECT_FALSE(HasAdapterProperty(button));
  EXPECT_EQ(label->Font().Color(), clRed);
}

// Each list makes its own adapter for a class it names (the panel, page-control and tab-control lists
// whatever control they name); lists whose adapter this library lacks, and a class name written in
// another letter case, make none (the item is dropped).
TEST_F(CtrlAdapterTest, TheListThatNamesTheClassChoosesTheAdapter) {
  struct Case {
    int list;
    const char* entry;
    const std::type_info* adapter;  // nil: none
    const char* section;
  };
  const Case cases[] = {
      {0, "TButton", &typeid(TskEditWnd), "EDIT"},
      {1, "TButton", &typeid(TskBtnWnd), "BUTTON"},
      {1, "tbutton", nullptr, nullptr},
      {2, "TButton", &typeid(TskBitBtnWnd), "BUTTON"},
      {3, "TButton", &typeid(TskCheckBoxWnd), "CHECKBOX"},
      {6, "TButton", &typeid(TskGroupBoxWnd), "GROUPBOX"},
      {8, "TButton", &typeid(TskPanelWnd), nullptr},
      {13, "TButton", &typeid(TskPageControlWnd), "PAGECONTROL"},
      {14, "TButton", &typeid(TskTabControlWnd), "PAGECONTROL"},
      {15, "TButton", &typeid(TskToolBarVCLWnd), nullptr},
      {16, "TButton", &typeid(TskStatusBarWnd), "STATUSBAR"},
      {17, "TButton", nullptr, nullptr},
      {18, "TButton", &typeid(TskEditWnd), "PANEL_LOW"},
      {19, "TButton", &typeid(TskSpinWnd), nullptr},
      {20, "TButton", &typeid(TskSBWnd), "CHECKBOX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "list " << c.list << " " << c.entry);
    for (int list = 0; list < TsSkinManager::ThirdPartyKindCount; ++list) manager_->SetThirdParty(list, " ");
    manager_->SetThirdParty(c.list, c.entry);
    MakeForm();
    TButton* button = AddButton();
    Provide();
  provider_->PrepareForm();
    TskMainWnd* adapter = AdapterOf(button);
    if (c.adapter == nullptr) {
      EXPECT_EQ(adapter, nullptr);
      EXPECT_EQ(Adapter().ItemCount(), 0);
    } else {
      ASSERT_NE(adapter, nullptr);
      EXPECT_EQ(typeid(*adapter), *c.adapter);
      ASSERT_EQ(Adapter().ItemCount(), 1);
      if (c.section != nullptr) {
        EXPECT_EQ(Adapter().GetItem(0)->SkinData->SkinSection(), c.section);
      }
    }
    delete form_;
    form_ = nullptr;
  }
}

// A listed panel and page control on a skinned form: the panel takes the section of its bevels, the
// page control's shown sheet a page adapter naming the sheet, and a sheet shown later one when it is
// chosen.
TEST_F(CtrlAdapterTest, AListedPanelAndPageControlGetTheirAdaptersAndTheSheetsPageAdapters) {
  for (int list = 0; list < TsSkinManager::ThirdPartyKindCount; ++list) manager_->SetThirdParty(list, " ");
  manager_->SetThirdParty(8, "TPanel");
  manager_->SetThirdParty(13, "TPageControl");
  MakeForm();
  auto* panel = Add<TPanel>(form_, 10, 10);
  panel->SetBevelOuter(bvLowered);
  auto* pages = Add<TPageControl>(form_, 110, 10);
  pages->SetBounds(110, 10, 190, 160);
  TTabSheet* sheets[2] = {New<TTabSheet>(form_), New<TTabSheet>(form_)};
  for (TTabSheet* sheet : sheets) {
    sheet->SetCaption("Lap");
    sheet->SetPageControl(pages);
  }
  guitest::Pump();
  Provide();
  provider_->PrepareForm();

  auto* panelAdapter = dynamic_cast<TskPanelWnd*>(AdapterOf(panel));
  ASSERT_NE(panelAdapter, nullptr);
  EXPECT_EQ(panelAdapter->Panel(), panel);
  EXPECT_EQ(panelAdapter->SkinData->SkinSection(), "PANEL_LOW");
  ASSERT_NE(dynamic_cast<TskPageControlWnd*>(AdapterOf(pages)), nullptr);
  auto* first = dynamic_cast<TskPageWnd*>(AdapterOf(sheets[0]));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Page, sheets[0]);
  pages->SetActivePage(sheets[1]);
  auto* second = dynamic_cast<TskPageWnd*>(AdapterOf(sheets[1]));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Page, sheets[1]);
}

TEST_F(CtrlAdapterTest, AFormPlacedInTheFormGetsAProviderOfItsOwn) {
  MakeForm();
  TForm* inner = New<TForm>(form_);
  inner->SetBounds(10, 10, 150, 100);
  inner->SetParent(form_);
  inner->Show();
  guitest::Pump();
  Provide();
  provider_->PrepareForm();
  ASSERT_EQ(CountComponents<TsSkinProvider>(inner), 1);
  auto* own = reinterpret_cast<TsSkinProvider*>(inner->Perform(SkinCommandMessage, SkinCommandWParam(scGetProvider), 0));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->SkinData().SkinSection(), "FORM");
  EXPECT_EQ(Adapter().ItemCount(), 0);
  Adapter().AdaptControls();
  EXPECT_EQ(CountComponents<TsSkinProvider>(inner), 1);
}

TEST_F(CtrlAdapterTest, ARefreshMakesTheMissingAdapterAndRemovingTheSkinDetachesEveryAdapter) {
  MakeForm();
  TButton* first = AddButton();
  TButton* second = AddButton(100);
  const TWndMethod ownProc = first->WindowProc();
  Provide();
  ASSERT_EQ(provider_->ControlAdapter(), nullptr);
  SendSkinCommand(form_->Handle(), scRefresh, reinterpret_cast<LPARAM>(manager_));
  ASSERT_EQ(Adapter().ItemCount(), 2);
  EXPECT_TRUE(HasAdapterProperty(first));

  manager_->SetActive(false);
  EXPECT_EQ(provider_->ControlAdapter(), nullptr);
  EXPECT_FALSE(HasAdapterProperty(first));
  EXPECT_FALSE(HasAdapterProperty(second));
  EXPECT_TRUE(first->WindowProc() == ownProc);
  // The button's own painting answers again: a paint of the window reaches the button's procedure.
  EXPECT_EQ(SendSkinCommand(first->Handle(), scIsSkinned), 0);
}

TEST_F(CtrlAdapterTest, ItemsAreDeletedOnlyInsideTheListTheLastTakingTheirPlace) {
  MakeForm();
  AddButton();
  AddButton(100);
  TButton* third = AddButton(190);
  Provide();
  provider_->PrepareForm();
  ASSERT_EQ(Adapter().ItemCount(), 3);
  Adapter().DeleteItem(-1);
  Adapter().DeleteItem(3);
  EXPECT_EQ(Adapter().ItemCount(), 3);
  Adapter().DeleteItem(0);
  ASSERT_EQ(Adapter().ItemCount(), 2);
  EXPECT_EQ(Adapter().GetItem(0)->Control, third);
}

// A walk started while one runs (here from the provider's question in the middle of the form's walk,
// after the walk went down into a panel) does nothing; the outer walk still covers every control.
TEST_F(CtrlAdapterTest, AWalkStartedInsideAWalkDoesNothing) {
  MakeForm();
  TPanel* panel = Add<TPanel>(form_, 10, 100);
  TButton* inPanel = Add<TButton>(panel, 5, 5);
  TButton* after = AddButton(150);
  int questions = 0;
  int nestedQuestions = 0;
  bool nested = false;
  Provide();
  provider_->OnSkinItem = [&](TObject*, TComponent* item, bool&, AnsiString&) {
    ++questions;
    if (nested) ++nestedQuestions;
    if (item == after && !nested) {
      nested = true;
      provider_->ControlAdapter()->AdaptControls();
      nested = false;
    }
  };
  provider_->PrepareForm();
  EXPECT_EQ(nestedQuestions, 0);
  EXPECT_TRUE(HasAdapterProperty(inPanel));
  EXPECT_TRUE(HasAdapterProperty(after));
  EXPECT_EQ(Adapter().ItemCount(), 2);
  EXPECT_GT(questions, 0);
}

TEST_F(CtrlAdapterTest, AdaptedControlsHearTheEndOfThePaintedClientsUpdate) {
  MakeForm();
  TPanel* panel = Add<TPanel>(form_, 10, 100);  // unskinned: the children's broadcast does not pass it
  TButton* button = Add<TButton>(panel, 5, 5);
  Provide();
  provider_->PrepareForm();
  ASSERT_EQ(Adapter().ItemCount(), 1);
  TsCommonData& data = *Adapter().GetItem(0)->SkinData;
  data.UpdatingFlag = true;
  provider_->EndChildrenPainting();
  EXPECT_FALSE(data.UpdatingFlag);
  EXPECT_TRUE(HasAdapterProperty(button));
}

// The hook's run-time provider of a dialog makes its adapter once the form is activated.
class CtrlAdapterDialogs : public SkinFixture {
 protected:
  void SetUp() override {
    RegisterSkinDialogs();
    SkinFixture::SetUp();
  }
  void TearDown() override {
    delete form_;
    SkinFixture::TearDown();
    UnregisterSkinDialogs();
  }
  TForm* form_ = nullptr;
};

TEST_F(CtrlAdapterDialogs, ARunTimeProvidersFormGetsItsButtonsAdaptedWhenActivated) {
  form_ = New<TForm>(nullptr);
  form_->SetBounds(30, 30, 260, 160);
  TButton* ok = New<TButton>(form_);
  ok->SetBounds(20, 20, 80, 26);
  ok->SetParent(form_);
  form_->Show();
  guitest::Pump();
  auto* provider =
      reinterpret_cast<TsSkinProvider*>(form_->Perform(SkinCommandMessage, SkinCommandWParam(scGetProvider), 0));
  ASSERT_NE(provider, nullptr);
  EXPECT_TRUE(provider->RunTimeCreated || provider->ControlAdapter() != nullptr);
  SendMessageW(form_->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  ASSERT_NE(provider->ControlAdapter(), nullptr);
  EXPECT_NE(dynamic_cast<TskBtnWnd*>(AdapterOf(ok)), nullptr);
}

}  // namespace
