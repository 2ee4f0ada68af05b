// Skin commands to many receivers: broadcasts over child controls and child windows, the end of an
// update, and the notice to a control's form.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "skin/SkinTestControls.h"
#include "skin/forms/sVclUtils.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiTestSupport.h"

namespace {

using skintest::AddControl;
using skintest::TSkinnedForm;
using skintest::TSkinnedGraphic;
using skintest::TSkinnedPanel;

// form
//   plainBox (not skinned)      -> inner (skinned), innerGraphic (skinned, no window)
//   skinnedBox (skinned)        -> nested (skinned, no window)
//   graphic (skinned, no window)
struct BroadcastFixture : ::testing::Test {
  BroadcastFixture() {
    form->SetBounds(0, 0, 300, 200);
    plainBox = AddControl<TPanel>(form.get(), 0);
    inner = AddControl<TSkinnedPanel>(plainBox);
    innerGraphic = AddControl<TSkinnedGraphic>(plainBox);
    skinnedBox = AddControl<TSkinnedPanel>(form.get(), 50);
    nested = AddControl<TSkinnedGraphic>(skinnedBox);
    graphic = AddControl<TSkinnedGraphic>(form.get(), 100);
    form->Show();
    for (auto* c : {inner, skinnedBox}) c->commands.clear();
  }
  void TearDown() override { guitest::Pump(); }

  std::unique_ptr<TSkinnedForm> form{New<TSkinnedForm>(nullptr)};
  TPanel* plainBox;
  TSkinnedPanel* inner;
  TSkinnedGraphic* innerGraphic;
  TSkinnedPanel* skinnedBox;
  TSkinnedGraphic* nested;
  TSkinnedGraphic* graphic;
};

TMessage SkinCommand(Word command) { return TMessage{SkinCommandMessage, SkinCommandWParam(command), 0, 0}; }

TEST_F(BroadcastFixture, ChildControlsGetItDirectlyOrThroughTheirSkinnedParent) {
  BroadcastToChildControls(form.get(), SkinCommand(scBgChanged));
  EXPECT_TRUE(inner->Saw(scBgChanged));         // reached through the unskinned box
  EXPECT_TRUE(innerGraphic->Saw(scBgChanged));  // Perform
  EXPECT_TRUE(skinnedBox->Saw(scBgChanged));    // skinned: passes it on to its children itself
  EXPECT_FALSE(nested->Saw(scBgChanged));
  EXPECT_TRUE(graphic->Saw(scBgChanged));
  EXPECT_TRUE(inner->data->BackgroundDirty);
}

TEST_F(BroadcastFixture, ChildWindowsGetItOnlyOneLevelDown) {
  BroadcastToChildWindows(form->Handle(), SkinCommand(scBgChanged));
  EXPECT_TRUE(skinnedBox->Saw(scBgChanged));
  EXPECT_FALSE(inner->Saw(scBgChanged));  // a grandchild window
  EXPECT_FALSE(graphic->Saw(scBgChanged));

  EndChildWindowsUpdate(plainBox->Handle());
  EXPECT_TRUE(inner->Saw(scParentUpdated));
}

TEST_F(BroadcastFixture, EndOfUpdateReachesShowingWindowsAndWindowlessControls) {
  EndChildrenUpdate(form.get());
  EXPECT_TRUE(skinnedBox->Saw(scParentUpdated));
  EXPECT_FALSE(graphic->Saw(scParentUpdated));  // graphic controls are skipped
  EXPECT_FALSE(inner->Saw(scParentUpdated));    // children of children are their parent's business

  skinnedBox->commands.clear();
  skinnedBox->SetVisible(false);
  EndChildrenUpdate(form.get());
  EXPECT_FALSE(skinnedBox->Saw(scParentUpdated));

  skinnedBox->SetVisible(true);
  InAnimationProcess = true;
  EndChildrenUpdate(form.get());
  InAnimationProcess = false;
  EXPECT_FALSE(skinnedBox->Saw(scParentUpdated));
}

TEST_F(BroadcastFixture, ParentFormHearsOfAddedControls) {
  form->commands.clear();
  NotifyParentForm(innerGraphic);
  ASSERT_TRUE(form->Saw(scControlAdded));
  EXPECT_EQ(form->lastLParam, reinterpret_cast<LPARAM>(static_cast<TControl*>(innerGraphic)));
  form->commands.clear();
  NotifyParentForm(nullptr);
  EXPECT_TRUE(form->commands.empty());
}

}  // namespace

namespace {

TEST_F(BroadcastFixture, ABroadcastEndsAtTheFirstChildBeingDestroyed) {
  skinnedBox->Destroying();  // the second child of the form; the third is fine
  BroadcastToChildControls(form.get(), SkinCommand(scBgChanged));
  EXPECT_TRUE(inner->Saw(scBgChanged)) << "children before it get the message";
  EXPECT_FALSE(skinnedBox->Saw(scBgChanged));
  EXPECT_FALSE(graphic->Saw(scBgChanged)) << "nothing after it";
}

// Counts the messages of one kind that reach each window of a raw window tree.
struct CountingWindows {
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == SkinCommandMessage) ++counts()[window];
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  static std::map<HWND, int>& counts() {
    static std::map<HWND, int> c;
    return c;
  }
  CountingWindows() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = Proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"QnCountingWindow";
    RegisterClassW(&cls);
    counts().clear();
  }
  ~CountingWindows() {
    for (HWND w : created) DestroyWindow(w);
    UnregisterClassW(L"QnCountingWindow", GetModuleHandleW(nullptr));
  }
  HWND Make(HWND parent, DWORD style) {
    HWND w = CreateWindowExW(0, L"QnCountingWindow", L"", style, 0, 0, 50, 50, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    created.insert(created.begin(), w);
    return w;
  }
  std::vector<HWND> created;
};

TEST(SkinSenders, ChildWindowBroadcastsReachExactlyTheDirectChildren) {
  CountingWindows tree;
  const HWND top = tree.Make(nullptr, WS_OVERLAPPEDWINDOW);
  const HWND a = tree.Make(top, WS_CHILD);
  const HWND b = tree.Make(top, WS_CHILD | WS_VISIBLE);
  const HWND grandchild = tree.Make(a, WS_CHILD);
  const HWND owned = tree.Make(top, WS_POPUP);  // owned by top, not its child
  BroadcastToChildWindows(top, TMessage{SkinCommandMessage, SkinCommandWParam(scBgChanged), 0, 0});
  auto& c = CountingWindows::counts();
  EXPECT_EQ(c[a], 1);
  EXPECT_EQ(c[b], 1);
  EXPECT_EQ(c[grandchild], 0);
  EXPECT_EQ(c[owned], 0);
  EXPECT_EQ(c[top], 0);

  // The end of an update goes to every child window in the list, hidden ones too.
  c.clear();
  EndChildWindowsUpdate(top);
  EXPECT_EQ(c[a], 1);
  EXPECT_EQ(c[b], 1);
  EXPECT_EQ(c[grandchild], 0);
}

TEST(SkinSenders, TheTopLevelAncestorFollowsParentsNotOwners) {
  CountingWindows tree;
  const HWND owner = tree.Make(nullptr, WS_OVERLAPPEDWINDOW);
  const HWND dialog = tree.Make(owner, WS_POPUP);
  const HWND box = tree.Make(dialog, WS_CHILD);
  const HWND control = tree.Make(box, WS_CHILD);
  ASSERT_EQ(GetParent(dialog), owner) << "a popup's GetParent is its owner";
  EXPECT_EQ(TopLevelAncestor(control), dialog);
  EXPECT_EQ(TopLevelAncestor(dialog), dialog);
  EXPECT_EQ(TopLevelAncestor(owner), owner);
  EXPECT_EQ(TopLevelAncestor(nullptr), nullptr);
}

TEST_F(BroadcastFixture, BackgroundColoursAskSkinnedControlsAndTakeOthersColours) {
  plainBox->SetColor(clRed);
  skinnedBox->SetColor(clBtnFace);
  EXPECT_EQ(ControlBackgroundColor(plainBox), 0x0000FF);
  EXPECT_EQ(static_cast<Cardinal>(ControlBackgroundColor(skinnedBox)), ColorToRGB(clBtnFace));
  EXPECT_TRUE(skinnedBox->Saw(scGetBgColor)) << "asked through the skin command";
  EXPECT_EQ(ControlBackgroundColor(nullptr), 0xFF00FF);
  EXPECT_EQ(static_cast<Cardinal>(WindowBackgroundColor(skinnedBox->Handle())), ColorToRGB(clBtnFace));
  EXPECT_EQ(WindowBackgroundColor(nullptr), 0xFF00FF);
  EXPECT_EQ(WindowBackgroundColor(plainBox->Handle()), 0) << "an unskinned window does not answer";
}

TEST_F(BroadcastFixture, SmallQuestionsAboutControls) {
  EXPECT_TRUE(ControlIsPaintable(inner));
  EXPECT_TRUE(ControlIsPaintable(graphic));
  EXPECT_FALSE(ControlIsPaintable(nullptr));
  EXPECT_FALSE(ControlIsPaintable(form.get())) << "no parent";
  std::unique_ptr<TPanel> holder(New<TPanel>(nullptr));  // no parent, so no window for its children
  TPanel* loose = New<TPanel>(holder.get());
  EXPECT_FALSE(ControlIsPaintable(loose));
  loose->SetParent(holder.get());
  ASSERT_FALSE(loose->HandleAllocated());
  EXPECT_FALSE(ControlIsPaintable(loose)) << "no window yet";
  graphic->SetControlState(graphic->ControlState().Include(csReadingState));
  EXPECT_FALSE(ControlIsPaintable(graphic)) << "being read";
  graphic->SetControlState(graphic->ControlState().Exclude(csReadingState));

  EXPECT_EQ(MenuOwnerForm(inner), form.get());
  EXPECT_EQ(MenuOwnerForm(nullptr), nullptr);
  EXPECT_EQ(ControlTextFlags(inner, taCenter), static_cast<UINT>(DT_CENTER | DT_EXPANDTABS | DT_VCENTER));
  EXPECT_EQ(ControlTextFlags(inner, taRightJustify), static_cast<UINT>(DT_RIGHT | DT_EXPANDTABS | DT_VCENTER));

  // The client area of a bordered form sits inside its frame and below its caption.
  const TRect client = ClientRectInWindow(form->Handle());
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE)));
  EXPECT_EQ(client.Left, -frame.left);
  EXPECT_EQ(client.Top, -frame.top);
  EXPECT_EQ(client.Width(), form->ClientWidth());

  plainBox->SetAlign(alTop);
  graphic->SetAlign(alTop);
  EXPECT_EQ(AlignedChildrenSize(form.get(), alTop, false), plainBox->Height());
  EXPECT_EQ(AlignedChildrenSize(form.get(), alTop, true), plainBox->Height() + graphic->Height());
  EXPECT_EQ(AlignedChildrenSize(form.get(), alClient, true), 0);
}

}  // namespace
