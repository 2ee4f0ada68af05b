// Properties read and written by name through the registered tables: ordinals, objects, sets in their
// text form, an unregistered derived class using its ancestor's table, and missing properties skipped.
#include "vcl/rtl/PropertyAccess.h"

#include <gtest/gtest.h>

#include <memory>

#include "vcl/rtl/PropertyTable.h"

namespace propaccess {

enum TShade { shLight = 0, shDark = 1, shDeep = 5 };
enum TEdge { edLeft = 0, edTop = 1, edRight = 2 };
using TEdges = TSet<TEdge, 3>;

const TIdents<TShade> kShades = {{"shLight", shLight}, {"shDark", shDark}, {"shDeep", shDeep}};
const TIdents<TEdge> kEdges = {{"edLeft", edLeft}, {"edTop", edTop}, {"edRight", edRight}};

class TProbeFont : public TPersistent {};

// Registered on its own, without properties, as a base class may be: its table must not hide the
// derived class's.
class TProbeBase : public TComponent {
 public:
  using TComponent::TComponent;
};

class TProbeControl : public TProbeBase {
 public:
  using TProbeBase::TProbeBase;
  Integer Color() const { return color_; }
  void SetColor(Integer v) { color_ = v; }
  bool Flat() const { return flat_; }
  void SetFlat(bool v) { flat_ = v; }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  TEdges Edges() const { return edges_; }
  void SetEdges(TEdges v) { edges_ = v; }
  TProbeFont& Font() { return font_; }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* v) { buddy_ = v; }
  void SetWriteOnly(Integer v) { writeOnly_ = v; }
  Integer writeOnly_ = 0;

 private:
  Integer color_ = 0;
  bool flat_ = false;
  TShade shade_ = shLight;
  TEdges edges_;
  TProbeFont font_;
  TComponent* buddy_ = nullptr;
};

class TProbeDerived : public TProbeControl {  // not registered: reads go through TProbeControl's table
 public:
  using TProbeControl::TProbeControl;
};

void Register() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterStreamedClass<TProbeBase>("TProbeBase");
  RegisterStreamedClass<TProbeControl>("TProbeControl", [](TPropertyTableOf<TProbeControl>& p) {
    p.IntegerProp("Color", &TProbeControl::SetColor);
    p.OrdGetter("Color", &TProbeControl::Color);
    p.BoolProp("Flat", &TProbeControl::SetFlat);
    p.OrdGetter("Flat", &TProbeControl::Flat);
    p.EnumProp("Shade", &TProbeControl::SetShade, kShades);
    p.OrdGetter("Shade", &TProbeControl::Shade);
    p.SetProp<TEdges>("Edges", &TProbeControl::SetEdges, kEdges);
    p.SetGetter<TEdges>("Edges", &TProbeControl::Edges, kEdges);
    p.ObjectProp("Font", &TProbeControl::Font);
    p.ComponentProp("Buddy", &TProbeControl::SetBuddy);
    p.ComponentGetter("Buddy", &TProbeControl::Buddy);
    p.IntegerProp("WriteOnly", &TProbeControl::SetWriteOnly);
  });
}

struct PropertyAccess : ::testing::Test {
  void SetUp() override { Register(); }
  std::unique_ptr<TProbeDerived> control{New<TProbeDerived>(nullptr)};
};

TEST_F(PropertyAccess, OrdinalsAreReadAndWrittenByName) {
  control->SetColor(0x123456);
  control->SetShade(shDeep);
  EXPECT_TRUE(HasPropByName(control.get(), "color"));  // names ignore case
  EXPECT_EQ(GetOrdPropByName(control.get(), "Color"), 0x123456);
  EXPECT_EQ(GetOrdPropByName(control.get(), "Shade"), 5);
  EXPECT_EQ(GetOrdPropByName(control.get(), "Flat"), 0);

  SetOrdPropByName(control.get(), "Flat", 1);
  SetOrdPropByName(control.get(), "Color", 0xFF);
  SetOrdPropByName(control.get(), "Shade", 1);
  EXPECT_TRUE(control->Flat());
  EXPECT_EQ(control->Color(), 0xFF);
  EXPECT_EQ(control->Shade(), shDark);
  SetOrdPropByName(control.get(), "Shade", 3);  // no such value: ignored
  EXPECT_EQ(control->Shade(), shDark);
  EXPECT_THROW(SetOrdPropByName(control.get(), "Color", Int64{1} << 40), ERangeError);

  SetOrdPropByName(control.get(), "WriteOnly", 7);
  EXPECT_EQ(control->writeOnly_, 7);
  EXPECT_EQ(GetOrdPropByName(control.get(), "WriteOnly"), -1);  // no getter
}

TEST_F(PropertyAccess, MissingPropertiesAndObjectsAreSkipped) {
  struct Case {
    const TObject* obj;
    const char* name;
  } cases[] = {{control.get(), "Missing"}, {nullptr, "Color"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(HasPropByName(c.obj, c.name));
    EXPECT_EQ(GetOrdPropByName(c.obj, c.name), -1);
    EXPECT_EQ(GetObjPropByName(c.obj, c.name), nullptr);
    EXPECT_FALSE(SetPropHasElement(c.obj, c.name, "edTop"));
  }
  SetOrdPropByName(control.get(), "Missing", 1);
  ChangeSetPropByName(control.get(), "Missing", "edTop", true);
  TProbeFont unregistered;
  EXPECT_FALSE(HasPropByName(&unregistered, "Color"));
}

TEST_F(PropertyAccess, ObjectPropertiesAreReadByName) {
  std::unique_ptr<TComponent> buddy(new TComponent(nullptr));
  control->SetBuddy(buddy.get());
  EXPECT_EQ(GetObjPropByName(control.get(), "Font"), &control->Font());
  EXPECT_EQ(GetObjPropByName(control.get(), "Buddy"), buddy.get());
  EXPECT_EQ(GetObjPropByName(control.get(), "Color"), nullptr);  // not an object
}

TEST_F(PropertyAccess, SetElementsAreTestedAddedAndRemovedByName) {
  control->SetEdges({edLeft, edRight});
  EXPECT_TRUE(SetPropHasElement(control.get(), "Edges", "edRight"));
  EXPECT_TRUE(SetPropHasElement(control.get(), "Edges", "EDLEFT"));
  EXPECT_FALSE(SetPropHasElement(control.get(), "Edges", "edTop"));

  ChangeSetPropByName(control.get(), "Edges", "edTop", true);
  EXPECT_EQ(control->Edges(), (TEdges{edLeft, edTop, edRight}));
  ChangeSetPropByName(control.get(), "Edges", "edTop", true);  // already there: unchanged
  EXPECT_EQ(control->Edges(), (TEdges{edLeft, edTop, edRight}));
  ChangeSetPropByName(control.get(), "Edges", "edLeft", false);
  ChangeSetPropByName(control.get(), "Edges", "edLeft", false);
  EXPECT_EQ(control->Edges(), (TEdges{edTop, edRight}));
  ChangeSetPropByName(control.get(), "Edges", "edBottom", true);  // unknown element: left out
  EXPECT_EQ(control->Edges(), (TEdges{edTop, edRight}));
}

}  // namespace propaccess
