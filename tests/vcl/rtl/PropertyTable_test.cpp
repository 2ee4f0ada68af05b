#include "vcl/rtl/PropertyTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace tabletest {

class TBaseThing : public TComponent {
 public:
  using TComponent::TComponent;
  void SetSize(Integer v) { size = v; }
  Integer size = 0;
};

class TDerivedThing : public TBaseThing {
 public:
  using TBaseThing::TBaseThing;
  void AfterConstruction() override {
    TBaseThing::AfterConstruction();
    constructed = true;
  }
  void SetLabel(const AnsiString& v) { label = v; }
  AnsiString label;
  bool constructed = false;
};

class TAbstractThing : public TBaseThing {
 public:
  using TBaseThing::TBaseThing;
  virtual void Draw() = 0;
};

class TPlainThing : public TPersistent {};

class TOrphanThing : public TBaseThing {  // its parent below is never registered
 public:
  using TBaseThing::TBaseThing;
};
class TUnregisteredParent : public TBaseThing {
 public:
  using TBaseThing::TBaseThing;
};
class TOrphanChild : public TUnregisteredParent {
 public:
  using TUnregisteredParent::TUnregisteredParent;
};

void RegisterThings() {
  RegisterStreamedClass<TBaseThing>("TBaseThing", [](TPropertyTableOf<TBaseThing>& p) {
    p.IntegerProp("Size", &TBaseThing::SetSize);
  });
  RegisterStreamedClass<TDerivedThing, TBaseThing>("TDerivedThing", [](TPropertyTableOf<TDerivedThing>& p) {
    p.StringProp("Label", &TDerivedThing::SetLabel);
  });
  RegisterStreamedClass<TAbstractThing, TBaseThing>("TAbstractThing");
  RegisterStreamedClass<TPlainThing>("TPlainThing");
}

TEST(PropertyTable, PropertiesAreFoundInTheClassAndItsAncestorsIgnoringCase) {
  RegisterThings();
  const TPropertyTable* derived = FindStreamedClass("tderivedthing");
  ASSERT_NE(derived, nullptr);
  EXPECT_EQ(derived->ClassName(), "TDerivedThing");
  EXPECT_EQ(derived, FindPropertyTable(typeid(TDerivedThing)));
  EXPECT_EQ(derived->Parent(), FindStreamedClass("TBaseThing"));
  ASSERT_NE(derived->Find("LABEL"), nullptr);
  EXPECT_EQ(derived->Find("label")->Kind(), TPropKind::String);
  ASSERT_NE(derived->Find("size"), nullptr);  // inherited
  EXPECT_EQ(derived->Find("Size")->Kind(), TPropKind::Integer);
  EXPECT_EQ(derived->Find("Colour"), nullptr);
  EXPECT_EQ(FindStreamedClass("TBaseThing")->Find("Label"), nullptr);  // not upwards
  EXPECT_EQ(derived->OwnProperties().size(), 1u);
  EXPECT_EQ(FindStreamedClass("TNothing"), nullptr);
}

TEST(PropertyTable, ComponentsAreCreatedWithTheirOwnerWhenTheClassAllows) {
  RegisterThings();
  std::unique_ptr<TComponent> owner(new TComponent(nullptr));
  const TPropertyTable* derived = FindStreamedClass("TDerivedThing");
  ASSERT_TRUE(derived->CanCreate());
  auto* thing = dynamic_cast<TDerivedThing*>(derived->CreateComponent(owner.get()));
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->Owner(), owner.get());
  EXPECT_TRUE(thing->constructed);  // made by New<T>: AfterConstruction ran
  EXPECT_EQ(PropertyTableOf(*thing), derived);

  for (const char* name : {"TAbstractThing", "TPlainThing"}) {
    const TPropertyTable* table = FindStreamedClass(name);
    ASSERT_NE(table, nullptr) << name;
    EXPECT_FALSE(table->CanCreate()) << name;
    EXPECT_THROW(table->CreateComponent(owner.get()), EComponentError) << name;
  }
}

TEST(PropertyTable, RegistrationConflictsRaise) {
  RegisterThings();
  // Another class under a taken name, and a registered class under a second name.
  EXPECT_THROW(RegisterStreamedClass<TOrphanThing>("TBaseThing"), EComponentError);
  EXPECT_THROW(RegisterStreamedClass<TBaseThing>("TBaseThing2"), EComponentError);
  EXPECT_EQ(FindStreamedClass("TBaseThing2"), nullptr);
  // A property defined twice in one class.
  EXPECT_THROW((RegisterStreamedClass<TOrphanThing>("TOrphanThing", [](TPropertyTableOf<TOrphanThing>& p) {
                 p.IntegerProp("Size", &TOrphanThing::SetSize);
                 p.IntegerProp("SIZE", &TOrphanThing::SetSize);
               })),
               EComponentError);
  // The same class again replaces its table.
  RegisterStreamedClass<TDerivedThing, TBaseThing>("TDerivedThing");
  EXPECT_EQ(FindStreamedClass("TDerivedThing")->Find("Label"), nullptr);
  RegisterThings();
  EXPECT_NE(FindStreamedClass("TDerivedThing")->Find("Label"), nullptr);
}

TEST(PropertyTable, AnUnregisteredParentIsReportedByName) {
  RegisterThings();
  RegisterStreamedClass<TOrphanChild, TUnregisteredParent>("TOrphanChild");
  const TPropertyTable* orphan = FindStreamedClass("TOrphanChild");
  ASSERT_NE(orphan, nullptr);
  try {
    orphan->Find("Size");
    ADD_FAILURE();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "The parent class TUnregisteredParent of TOrphanChild is not registered");
  }
}

}  // namespace tabletest
