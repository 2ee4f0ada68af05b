// Skin commands to many receivers: broadcasts over child controls and child windows, the end of an
// update, and the notice to a control's form.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Panel.h"
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

namespace {

// A graphic control that paints itself in one colour.
class TSolidGraphic : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  TColor fill = clRed;

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(fill);
    Canvas().FillRect(TRect{0, 0, Width(), Height()});
  }
};

Cardinal RgbAt(TBitmap& bitmap, Integer x, Integer y) {
  GdiFlush();
  return PixelViewOf(bitmap).At(x, y) & 0x00FFFFFFu;
}

TPanel* FlatPanel(TWinControl* parent, const TRect& bounds, TColor color) {
  TPanel* panel = New<TPanel>(parent->Owner() != nullptr ? parent->Owner() : parent);
  panel->SetBevelOuter(bvNone);
  panel->SetBoundsRect(bounds);
  panel->SetColor(color);
  panel->SetParent(parent);
  return panel;
}

TEST(WindowImages, AFormWithTwoChildWindowsPaintsIntoABitmap) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetBorderStyle(bsNone);
  form->SetBounds(50, 60, 60, 40);
  form->SetColor(0x00C08040);
  FlatPanel(form.get(), Bounds(5, 5, 20, 15), clRed);
  FlatPanel(form.get(), Bounds(30, 10, 20, 20), clLime);
  form->Show();
  guitest::Pump();
  auto image = skintest::Filled(60, 40, 0xFF000000u);
  PaintWindowImage(*image, form.get(), 0, 0);
  EXPECT_EQ(RgbAt(*image, 15, 12), 0xFF0000u) << "the first child, red";
  EXPECT_EQ(RgbAt(*image, 40, 20), 0x00FF00u) << "the second child, green";
  EXPECT_EQ(RgbAt(*image, 2, 35), 0x4080C0u) << "the form's own colour";
  EXPECT_EQ(RgbAt(*image, 55, 3), 0x4080C0u);
}

TEST(WindowImages, AHiddenControlShowsItsParentsBackground) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetBorderStyle(bsNone);
  form->SetBounds(50, 60, 60, 40);
  TPanel* hidden = FlatPanel(form.get(), Bounds(5, 5, 20, 15), clRed);
  form->SetColor(clLime);
  hidden->SetVisible(false);
  form->Show();
  guitest::Pump();
  auto image = skintest::Filled(30, 20, 0xFF000000u);
  PaintWindowImage(*image, hidden, 2, 3);
  EXPECT_EQ(RgbAt(*image, 2, 3), 0x00FF00u) << "the form's colour, as it answers the background request";
  EXPECT_EQ(RgbAt(*image, 21, 17), 0x00FF00u);
  EXPECT_EQ(RgbAt(*image, 1, 3), 0u) << "nothing outside the control's area";
  EXPECT_EQ(RgbAt(*image, 22, 3), 0u);
}

// A container with three graphic children: red at (2, 2), one that paints only the key colour at
// (20, 2), green at (40, 2), each 10 x 10.
class ControlImages : public ::testing::Test {
 protected:
  ControlImages() {
    form_->SetBounds(50, 60, 100, 80);
    container_ = FlatPanel(form_.get(), Bounds(0, 0, 60, 40), clBtnFace);
    const TColor fills[] = {clRed, static_cast<TColor>(0xFF00FF), clLime};
    const Integer lefts[] = {2, 20, 40};
    for (int i = 0; i < 3; ++i) {
      auto* g = New<TSolidGraphic>(form_.get());
      g->fill = fills[i];
      g->SetBounds(lefts[i], 2, 10, 10);
      g->SetParent(container_);
    }
    form_->Show();
    guitest::Pump();
  }
  std::unique_ptr<TForm> form_{New<TForm>(nullptr)};
  TPanel* container_;
};

TEST_F(ControlImages, GraphicChildrenLandAtTheirPlacesAndKeyColouredOnesAreLeftOut) {
  struct Case {
    TPoint offset;
  } cases[] = {{{0, 0}}, {{18, 0}}, {{7, 20}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset.X);
    auto target = skintest::Filled(80, 60, 0xFF123456u);
    PaintControlImage(target->Canvas().Handle(), container_, true, c.offset);
    const auto at = [&](Integer x, Integer y) { return RgbAt(*target, x + c.offset.X, y + c.offset.Y); };
    EXPECT_EQ(at(5, 5), 0xFF0000u);
    EXPECT_EQ(at(45, 5), 0x00FF00u);
    EXPECT_EQ(at(25, 5), 0x123456u) << "the key-coloured child is not copied";
    // With the offset (18, 0) the red child's place plus the offset is the key-coloured child's corner:
    // the red child must still be copied, and the key-coloured one not.
  }
  auto target = skintest::Filled(80, 60, 0xFF123456u);
  container_->SetVisible(false);
  PaintControlImage(target->Canvas().Handle(), container_, true, TPoint{0, 0});
  EXPECT_EQ(RgbAt(*target, 5, 5), 0x123456u) << "a hidden container paints nothing";
}

}  // namespace
