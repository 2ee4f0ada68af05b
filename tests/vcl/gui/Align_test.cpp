// Alignment: the diary's main-window layout built from panels, checked before the windows exist and
// after the form is shown, then after a resize; the order rules and the parts that change the space
// a control gets (visibility, margins, constraints, bevels).
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"

namespace {

class TLayoutForm : public TForm {
 public:
  explicit TLayoutForm(TComponent* owner) : TForm(owner) {
    SetClientSize(632, 446);
    ToolBar = Panel(this, alTop, "ToolBar");
    ToolBar->SetHeight(29);
    StatusBar = Panel(this, alBottom, "StatusBar");
    StatusBar->SetHeight(19);
    PanelMain = Panel(this, alClient, "PanelMain");
    PanelLeft = Panel(PanelMain, alLeft, "PanelLeft");
    PanelLeft->SetWidth(250);
    PanelLeft->Padding().SetBounds(10, 10, 5, 10);
    Grid = Panel(PanelLeft, alClient, "Grid");
    Splitter = Panel(PanelMain, alLeft, "Splitter");
    Splitter->SetLeft(300);  // right of PanelLeft: keeps its place after it
    Splitter->SetWidth(5);
    PanelRight = Panel(PanelMain, alClient, "PanelRight");
    PanelRight->Padding().SetBounds(5, 10, 10, 10);
    PanelImage = Panel(PanelRight, alClient, "PanelImage");
    Memo = Panel(PanelImage, alClient, "Memo");
  }
  // The diary's resize rule: the left panel takes a third of the main panel.
  void FormResize(TObject*) { PanelLeft->SetWidth(PanelMain->Width() / 3); }
  TPanel *ToolBar, *StatusBar, *PanelMain, *PanelLeft, *Grid, *Splitter, *PanelRight, *PanelImage, *Memo;

 private:
  TPanel* Panel(TWinControl* parent, TAlign align, const char* name) {
    auto* p = New<TPanel>(this);
    p->SetName(name);
    p->SetBevelOuter(bvNone);
    p->SetParent(parent);
    p->SetAlign(align);
    return p;
  }
};

struct Expected {
  const char* name;
  TRect bounds;  // in the parent's client coordinates
};

void CheckLayout(TLayoutForm& f, const std::vector<Expected>& table, bool windows) {
  for (const Expected& e : table) {
    SCOPED_TRACE(e.name);
    auto* c = static_cast<TControl*>(f.FindComponent(e.name));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->BoundsRect(), e.bounds);
    if (windows) {
      auto* w = static_cast<TWinControl*>(c);
      ASSERT_TRUE(w->HandleAllocated());
      RECT r{};
      GetWindowRect(w->Handle(), &r);
      MapWindowPoints(nullptr, GetParent(w->Handle()), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(FromRECT(r), e.bounds);
    }
  }
}

const std::vector<Expected> kInitial = {
    {"ToolBar", Bounds(0, 0, 632, 29)},     {"StatusBar", Bounds(0, 427, 632, 19)},
    {"PanelMain", Bounds(0, 29, 632, 398)}, {"PanelLeft", Bounds(0, 0, 250, 398)},
    {"Grid", Bounds(10, 10, 235, 378)},     {"Splitter", Bounds(250, 0, 5, 398)},
    {"PanelRight", Bounds(255, 0, 377, 398)}, {"PanelImage", Bounds(5, 10, 362, 378)},
    {"Memo", Bounds(0, 0, 362, 378)},
};

}  // namespace

TEST(Align, DiaryLayoutBeforeAndAfterTheWindowsExist) {
  std::unique_ptr<TLayoutForm> f(New<TLayoutForm>(nullptr));
  EXPECT_EQ(f->ClientWidth(), 632);
  EXPECT_EQ(f->ClientHeight(), 446);
  CheckLayout(*f, kInitial, false);

  f->Show();
  guitest::Pump();
  EXPECT_EQ(f->ClientWidth(), 632);
  CheckLayout(*f, kInitial, true);

  // 900 pixels of main panel: the left panel gets 300, the rest follows.
  f->OnResize = [&](TObject* sender) { f->FormResize(sender); };
  f->SetClientSize(900, 446);
  guitest::Pump();
  CheckLayout(*f, {{"PanelMain", Bounds(0, 29, 900, 398)},
                   {"PanelLeft", Bounds(0, 0, 300, 398)},
                   {"Grid", Bounds(10, 10, 285, 378)},
                   {"Splitter", Bounds(300, 0, 5, 398)},
                   {"PanelRight", Bounds(305, 0, 595, 398)},
                   {"Memo", Bounds(0, 0, 580, 378)}},
              true);
}

TEST(Align, HiddenControlsTakeNoSpaceAndOrderFollowsPosition) {
  std::unique_ptr<TForm> f(New<TForm>(nullptr));
  f->SetClientSize(200, 100);
  auto* a = New<TPanel>(f.get());
  a->SetParent(f.get());
  a->SetHeight(10);
  a->SetAlign(alTop);
  auto* b = New<TPanel>(f.get());
  b->SetParent(f.get());
  b->SetHeight(20);
  b->SetAlign(alTop);
  auto* right = New<TPanel>(f.get());
  right->SetParent(f.get());
  right->SetWidth(30);
  right->SetAlign(alRight);
  auto* client = New<TPanel>(f.get());
  client->SetParent(f.get());
  client->SetAlign(alClient);

  // At the same position the control aligned last goes first, as in the library.
  EXPECT_EQ(b->BoundsRect(), Bounds(0, 0, 200, 20));
  EXPECT_EQ(a->BoundsRect(), Bounds(0, 20, 200, 10));
  EXPECT_EQ(right->BoundsRect(), Bounds(170, 30, 30, 70));
  EXPECT_EQ(client->BoundsRect(), Bounds(0, 30, 170, 70));

  a->SetTop(-1);  // moved above its neighbour: it takes the first place
  EXPECT_EQ(a->BoundsRect(), Bounds(0, 0, 200, 10));
  EXPECT_EQ(b->BoundsRect(), Bounds(0, 10, 200, 20));

  a->SetVisible(false);
  EXPECT_EQ(b->BoundsRect(), Bounds(0, 0, 200, 20));
  EXPECT_EQ(client->BoundsRect(), Bounds(0, 20, 170, 80));
  EXPECT_EQ(right->BoundsRect(), Bounds(170, 20, 30, 80));
  a->SetVisible(true);
  EXPECT_EQ(a->BoundsRect(), Bounds(0, 0, 200, 10));
  EXPECT_EQ(client->BoundsRect(), Bounds(0, 30, 170, 70));

  right->SetAlign(alNone);  // keeps where it was, the client area grows under it
  EXPECT_EQ(right->BoundsRect(), Bounds(170, 30, 30, 70));
  EXPECT_EQ(client->BoundsRect(), Bounds(0, 30, 200, 70));
}

TEST(Align, MarginsConstraintsAndBevelsShapeTheSpace) {
  std::unique_ptr<TForm> f(New<TForm>(nullptr));
  f->SetClientSize(200, 100);
  auto* outer = New<TPanel>(f.get());
  outer->SetParent(f.get());
  outer->SetAlign(alClient);
  outer->SetBevelOuter(bvRaised);  // 1 pixel
  outer->SetBorderWidth(2);

  auto* top = New<TPanel>(f.get());
  top->SetParent(outer);
  top->SetHeight(10);
  top->SetAlign(alTop);
  top->SetAlignWithMargins(true);  // 3 on every side by default
  top->Margins().SetTop(5);

  auto* left = New<TPanel>(f.get());
  left->SetParent(outer);
  left->Constraints().SetMaxHeight(40);
  left->SetWidth(20);
  left->SetAlign(alLeft);

  auto* client = New<TPanel>(f.get());
  client->SetParent(outer);
  client->SetAlign(alClient);

  // Inside: 3 pixels of bevel and border on each side: (3, 3) .. (197, 97).
  EXPECT_EQ(top->BoundsRect(), Bounds(6, 8, 188, 10));
  EXPECT_EQ(left->BoundsRect(), Bounds(3, 21, 20, 40));  // wanted 76 high, limited to 40
  EXPECT_EQ(client->BoundsRect(), Bounds(23, 21, 174, 76));

  left->Constraints().SetMinWidth(30);  // a constraint applies at once
  EXPECT_EQ(left->Width(), 30);
  EXPECT_EQ(client->Left(), 33);
}
