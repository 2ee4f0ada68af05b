// The splitter between the diary's left and right panels: dragging resizes the left neighbour (while
// dragging or when the button is let go), within MinSize on both sides, folding with AutoSnap, and a
// handler may veto a size.
#include "vcl/gui/Splitter.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Panel.h"

namespace {

class TfrmSplit : public TForm {
 public:
  explicit TfrmSplit(TComponent* owner) : TForm(owner) {
    SetClientSize(632, 400);
    main = Panel(this, alClient);
    left = Panel(main, alLeft);
    left->SetWidth(250);
    splitter = New<TSplitter>(this);
    splitter->SetLeft(250);  // right of the left panel
    splitter->SetWidth(5);
    splitter->SetMinSize(30);
    splitter->SetAutoSnap(false);
    splitter->SetParent(main);
    splitter->OnMoved = [this](TObject*) { ++moves; };
    right = Panel(main, alClient);
  }
  TPanel* Panel(TWinControl* parent, TAlign align) {
    auto* p = New<TPanel>(this);
    p->SetBevelOuter(bvNone);
    p->SetAlign(align);
    p->SetParent(parent);
    return p;
  }
  TPanel *main, *left, *right;
  TSplitter* splitter;
  int moves = 0;
};

struct SplitterFixture : ::testing::Test {
  std::unique_ptr<TfrmSplit> form{New<TfrmSplit>(nullptr)};
  void SetUp() override { form->Show(); }
  void TearDown() override { guitest::Pump(); }
  // A drag in the main panel's coordinates, from the middle of the splitter to x (through the points).
  void Drag(std::initializer_list<Integer> xs, std::function<void()> whileDown = {}) {
    HWND window = form->main->Handle();
    const Integer y = 100;
    const Integer start = form->splitter->Left() + 2;
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start, y));
    Integer last = start;
    for (Integer x : xs) {
      SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(x), y));
      last = x;
    }
    if (whileDown) whileDown();
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(last), y));
  }
};

}  // namespace

TEST_F(SplitterFixture, DragResizesTheLeftNeighbourAndTheRestFollows) {
  EXPECT_EQ(form->splitter->BoundsRect(), Bounds(250, 0, 5, 400));
  EXPECT_EQ(form->splitter->FindNeighbour(), form->left);
  EXPECT_EQ(form->splitter->Cursor(), crHSplit);

  // The default style shows a bar while dragging and resizes at the end.
  std::vector<Integer> widthsWhileDown;
  Drag({262, 300}, [&] { widthsWhileDown.push_back(form->left->Width()); });
  EXPECT_EQ(widthsWhileDown, std::vector<Integer>{250});
  EXPECT_EQ(form->left->Width(), 298);
  EXPECT_EQ(form->splitter->Left(), 298);
  EXPECT_EQ(form->right->BoundsRect(), Bounds(303, 0, 632 - 303, 400));
  EXPECT_EQ(form->moves, 1);

  // rsUpdate resizes as the mouse moves.
  form->splitter->SetResizeStyle(rsUpdate);
  Drag({200, 150}, [&] { widthsWhileDown.push_back(form->left->Width()); });
  EXPECT_EQ(widthsWhileDown.back(), 148);  // pressed at 300, let go at 150
  EXPECT_EQ(form->left->Width(), 148);
  EXPECT_EQ(form->moves, 3);
}

TEST_F(SplitterFixture, SizesStayWithinMinSizeOnBothSides) {
  form->splitter->SetResizeStyle(rsUpdate);
  Drag({2000 & 0x7FFF});
  EXPECT_EQ(form->left->Width(), 632 - 5 - 30);  // the right side keeps MinSize
  Drag({10});
  EXPECT_EQ(form->left->Width(), 30);

  // With AutoSnap a drag below MinSize folds the neighbour; it can be pulled out again.
  form->splitter->SetAutoSnap(true);
  Drag({20});
  EXPECT_EQ(form->left->Width(), 0);
  EXPECT_EQ(form->splitter->Left(), 0);
  EXPECT_EQ(form->splitter->FindNeighbour(), form->left);
  Drag({120});
  EXPECT_EQ(form->left->Width(), 118);

  // A handler may change or refuse the size.
  form->splitter->OnCanResize = [](TObject*, Integer& size, bool& accept) {
    if (size > 300) accept = false;
    size -= size % 10;
  };
  Drag({257});
  EXPECT_EQ(form->left->Width(), 250);
  Drag({400});
  EXPECT_EQ(form->left->Width(), 250);
}

TEST_F(SplitterFixture, ACaptureLostMidwayCancelsTheDrag) {
  HWND window = form->main->Handle();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(252, 50));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(350, 50));
  SendMessageW(window, WM_CANCELMODE, 0, 0);
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(350, 50));
  EXPECT_EQ(form->left->Width(), 250);
  EXPECT_EQ(form->moves, 0);
}
