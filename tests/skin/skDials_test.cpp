// The thread hook of the window adapters: which forms get a run-time provider (by Tag, class, skinning
// rules, style, loading state, an own provider), and the popup-menu window's adapter while a menu is
// open: its transparency at show, the skin's opacity after the first frame paint, and none after.
#include <gtest/gtest.h>

#include <functional>

#include "common/ComponentCount.h"
#include "skin/SkinFixture.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBMnuWnd.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// A form whose window parameters a test adjusts before the window is made.
class TParamsForm : public TForm {
 public:
  explicit TParamsForm(TComponent* owner) : TForm(owner) {}
  std::function<void(TCreateParams&)> Adjust;

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    if (Adjust) Adjust(params);
  }
};

int LiveProviders() {
  int count = 0;
  for (const TskHookedWindow* entry : ProviderList())
    if (dynamic_cast<const TskProvider*>(entry) != nullptr) ++count;
  return count;
}

class SkinDialogs : public SkinFixture {
 protected:
  void SetUp() override {
    RegisterSkinDialogs();
    SkinFixture::SetUp();
    ASSERT_TRUE(manager_->SkinHookInstalled());
  }
  void TearDown() override {
    for (TForm* form : forms_) delete form;
    forms_.clear();
    SkinFixture::TearDown();
    UnregisterSkinDialogs();
    EXPECT_EQ(LiveProviders(), 0);
    EXPECT_TRUE(PopupMenuAdapters().empty());
  }
  template <class T = TForm>
  T* MakeForm() {
    T* form = New<T>(nullptr);
    form->SetBounds(20 + 20 * static_cast<int>(forms_.size()), 20, 220, 140);
    forms_.push_back(form);
    return form;
  }
  // The form got a provider from the hook (and so a run-time skin provider).
  static bool HookSkinned(TCustomForm* form) { return CountComponents<TskProvider>(form) == 1; }

  std::vector<TForm*> forms_;
};

TEST_F(SkinDialogs, FormsWhoseTagHoldsTheOwnFormBitsAreLeftAlone) {
  struct Case {
    Integer tag;
    bool skinned;
  };
  const Case cases[] = {{-98, false}, {-97, false}, {-2, false}, {-1, false}, {-100, true}, {98, true}, {0, true}};
  for (const Case& c : cases) {
    TForm* form = MakeForm();
    form->SetTag(c.tag);
    form->Show();
    guitest::Pump();
    EXPECT_EQ(HookSkinned(form), c.skinned) << "Tag " << c.tag;
    EXPECT_EQ(CountComponents<TsSkinProvider>(form), c.skinned ? 1 : 0) << "Tag " << c.tag;
    EXPECT_EQ(WindowIsSkinned(form->Handle()), c.skinned) << "Tag " << c.tag;
  }
}

TEST_F(SkinDialogs, MessageFormsFollowStdDialogsAndOtherFormsStdForms) {
  struct Case {
    TskSkinningRules rules;
    bool messageSkinned;
    bool formSkinned;
  };
  const Case cases[] = {{TskSkinningRules{srStdForms, srStdDialogs}, true, true},
                        {TskSkinningRules{srStdForms}, false, true},
                        {TskSkinningRules{srStdDialogs}, true, false},
                        {TskSkinningRules{}, false, false}};
  for (const Case& c : cases) {
    manager_->SetSkinningRules(c.rules);
    std::unique_ptr<TForm> message(CreateMessageDialog("Szöveg", mtInformation, TMsgDlgButtons{mbOK}));
    ASSERT_EQ(message->ClassName(), "TMessageForm");
    message->Show();
    TForm* form = MakeForm();
    form->Show();
    guitest::Pump();
    EXPECT_EQ(HookSkinned(message.get()), c.messageSkinned);
    EXPECT_EQ(HookSkinned(form), c.formSkinned);
    message.reset();
  }
}

TEST_F(SkinDialogs, AtCreationOnlyTopLevelFormsWithBothStylesAreTaken) {
  struct Case {
    const char* name;
    std::function<void(TWinControl::TCreateParams&)> adjust;
    bool skinned;
  };
  const Case cases[] = {
      {"ordinary", nullptr, true},
      {"TPUtilWindow", [](TWinControl::TCreateParams& p) { p.WinClassName = L"TPUtilWindow"; }, false},
      {"extended style 0",
       [](TWinControl::TCreateParams& p) {
         p.Style = WS_POPUP | WS_BORDER;
         p.ExStyle = 0;
         p.WndParent = nullptr;
       },
       false},
      {"owned popup", [](TWinControl::TCreateParams& p) { p.Style = WS_POPUP | WS_CAPTION; }, false},
  };
  for (const Case& c : cases) {
    auto* form = MakeForm<TParamsForm>();
    form->Adjust = c.adjust;
    form->HandleNeeded();  // made, not shown: nothing is activated
    EXPECT_EQ(HookSkinned(form), c.skinned) << c.name;
    std::erase(forms_, form);
    delete form;
  }
  // The form took the class of the layer's utility windows over: the class goes with it, so that the
  // next utility window registers it again with its own procedure.
  EXPECT_TRUE(UnregisterClassW(L"TPUtilWindow", GetModuleHandleW(nullptr)));
}

TEST_F(SkinDialogs, BorderlessPopupsLoadingFormsAndFormsWithAProviderGetNone) {
  TForm* borderless = MakeForm();
  borderless->SetBorderStyle(bsNone);
  borderless->Show();
  guitest::Pump();
  EXPECT_FALSE(HookSkinned(borderless));
  EXPECT_FALSE(SkinTopLevelWindow(borderless->Handle()));

  TForm* loading = MakeForm();
  loading->Loading();
  EXPECT_TRUE(SkinTopLevelWindow(loading->Handle()));  // answered, not skinned
  EXPECT_FALSE(HookSkinned(loading));
  EXPECT_FALSE(WindowIsSkinned(loading->Handle()));

  TForm* own = MakeForm();
  New<TsSkinProvider>(own);
  own->Show();
  guitest::Pump();
  EXPECT_FALSE(HookSkinned(own));
  EXPECT_EQ(CountComponents<TsSkinProvider>(own), 1);
  EXPECT_FALSE(SkinTopLevelWindow(own->Handle()));
}

TEST_F(SkinDialogs, ProvidersLeaveTheListWithTheirFormAndGoWithTheHook) {
  TForm* first = MakeForm();
  TForm* second = MakeForm();
  first->Show();
  second->Show();
  guitest::Pump();
  ASSERT_EQ(LiveProviders(), 2);
  EXPECT_EQ(FindScreenForm(first->Handle()), first);
  std::erase(forms_, first);
  delete first;
  EXPECT_EQ(LiveProviders(), 1);  // its place is nil now
  ASSERT_EQ(ProviderList().size(), 2u);
  TForm* third = MakeForm();
  third->Show();
  guitest::Pump();
  EXPECT_EQ(LiveProviders(), 2);
  EXPECT_EQ(ProviderList().size(), 2u) << "the nil place is taken again: message boxes do not grow the list";

  manager_->SetActive(false);  // the hook goes, and the providers it made
  EXPECT_EQ(LiveProviders(), 0);
  EXPECT_TRUE(ProviderList().empty());
  EXPECT_FALSE(HookSkinned(second));
  EXPECT_FALSE(HookSkinned(third));
}

// ---- popup menus ----

// The owner window of a test popup: an owner-drawn item is measured as the skinned menus measure, and
// the first idle moment of the open menu records the adapters and the popup's opacity, then ends it.
struct TPopupProbe {
  bool ownerDrawn = false;
  size_t adaptersWhileOpen = 0;
  HWND popup = nullptr;
  bool layered = false;
  BYTE alpha = 0;
  bool idle = false;
};
TPopupProbe* gProbe = nullptr;

LRESULT CALLBACK ProbeOwnerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      measure->itemWidth = 90;
      measure->itemHeight = 20;
      PopupMeasured = true;
      return TRUE;
    }
    case WM_DRAWITEM:
      return TRUE;
    case WM_ENTERIDLE:
      if (wParam == MSGF_MENU && gProbe != nullptr && !gProbe->idle) {
        gProbe->idle = true;
        gProbe->adaptersWhileOpen = PopupMenuAdapters().size();
        gProbe->popup = PopupMenuAdapters().empty() ? nullptr : PopupMenuAdapters().front()->Window;
        if (gProbe->popup != nullptr) {
          gProbe->layered = (GetWindowLongPtrW(gProbe->popup, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
          DWORD flags = 0;
          GetLayeredWindowAttributes(gProbe->popup, nullptr, &gProbe->alpha, &flags);
        }
        EndMenu();
      }
      return 0;
    default:
      return DefWindowProcW(window, msg, wParam, lParam);
  }
}

TPopupProbe TrackProbeMenu(bool ownerDrawn) {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeOwnerProc;
    wc.lpszClassName = L"QnPopupProbeOwner";
    return RegisterClassW(&wc);
  }();
  EXPECT_NE(atom, 0);
  TPopupProbe probe;
  probe.ownerDrawn = ownerDrawn;
  gProbe = &probe;
  HWND owner = CreateWindowExW(0, L"QnPopupProbeOwner", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, ownerDrawn ? MF_OWNERDRAW : MF_STRING, 1, L"Első");
  AppendMenuW(menu, ownerDrawn ? MF_OWNERDRAW : MF_STRING, 2, L"Második");
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, 100, 100, 0, owner, nullptr);
  guitest::Pump();
  DestroyMenu(menu);
  DestroyWindow(owner);
  gProbe = nullptr;
  return probe;
}

TEST_F(SkinDialogs, APopupMenuHasOneAdapterWhileOpenAndTheSkinsOpacityAfterItsFirstPaint) {
  struct Case {
    const char* name;
    bool ownerDrawn;  // measured by the skinned menus
    Byte alphaBlend;
    bool layeredWhileOpen;
    std::vector<Byte> alphasSet;  // in order, for the popup window
  };
  const Case cases[] = {
      {"translucent", true, 200, true, {0, 200}},
      {"opaque", true, 255, false, {0}},
      {"drawn by the system", false, 200, false, {}},
  };
  for (const Case& c : cases) {
    manager_->MenuSupport().AlphaBlend = c.alphaBlend;
    TLayeredRecorder recorder;
    const TPopupProbe probe = TrackProbeMenu(c.ownerDrawn);
    ASSERT_TRUE(probe.idle) << c.name;
    EXPECT_EQ(probe.adaptersWhileOpen, 1u) << c.name;
    ASSERT_NE(probe.popup, nullptr) << c.name;
    EXPECT_EQ(probe.layered, c.layeredWhileOpen) << c.name;
    if (c.layeredWhileOpen) {
      EXPECT_EQ(probe.alpha, c.alphaBlend) << c.name;
    }
    std::vector<Byte> alphas;
    for (const TLayeredCall& call : recorder.calls)
      if (call.Window == probe.popup) alphas.push_back(call.Alpha);
    EXPECT_EQ(alphas, c.alphasSet) << c.name;
    EXPECT_TRUE(PopupMenuAdapters().empty()) << c.name;
    EXPECT_FALSE(PopupMeasured) << c.name;
  }
}

TEST_F(SkinDialogs, PopupsAreLeftAloneWithSkinnedPopupsOff) {
  manager_->SetSkinnedPopups(false);
  const TPopupProbe probe = TrackProbeMenu(true);
  ASSERT_TRUE(probe.idle);
  EXPECT_EQ(probe.adaptersWhileOpen, 0u);
  PopupMeasured = false;
}

}  // namespace
