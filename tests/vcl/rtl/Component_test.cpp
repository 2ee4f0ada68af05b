#include "vcl/rtl/Component.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

namespace {

std::vector<std::string> gLog;

// A component that records every notification it gets as "<receiver>:<+|-><subject>", with "?" when the
// subject was not (yet, or no longer) a complete TRec, and its own destruction as "~<name>".
class TRec : public TComponent {
 public:
  explicit TRec(TComponent* owner, const std::string& name = "") : TComponent(owner) {
    if (!name.empty()) SetName(name);
  }
  ~TRec() override {
    std::string entry = "~" + Name();
    if (Owner() != nullptr) entry += " (still owned)";
    if (!ComponentState().Contains(csDestroying)) entry += " (not destroying)";
    if (watched != nullptr) entry += " (still watching)";
    gLog.push_back(entry);
  }
  void Notification(TComponent* component, TOperation operation) override {
    gLog.push_back(Name() + ":" + (operation == opInsert ? "+" : "-") + component->Name() +
                   (Is<TRec>(component) ? "" : "?"));
    if (operation == opRemove && component == watched) watched = nullptr;
    if (throwOn && *throwOn == operation) throw EAbort("handler refuses");
    TComponent::Notification(component, operation);
  }

  TComponent* watched = nullptr;
  std::optional<TOperation> throwOn;
};

// Owns a sub-component it made itself; notes how many of its components are left when its own
// destructor runs.
class TWithPart : public TRec {
 public:
  explicit TWithPart(TComponent* owner) : TRec(owner, "Whole") { new TRec(this, "Part"); }
  ~TWithPart() override { partsLeft = ComponentCount(); }
  static inline int partsLeft = -1;
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { gLog.clear(); }
  void TearDown() override { gLog.clear(); }
  std::vector<std::string> TakeLog() {
    std::vector<std::string> log;
    log.swap(gLog);
    return log;
  }
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(ComponentTest, OwnerFreesItsComponentsLastFirstEachRemovedBeforeItGoes) {
  auto* form = new TRec(nullptr, "Form");
  auto* a = new TRec(form, "A");
  new TRec(form, "B");
  new TRec(a, "A1");
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(a->Owner(), form);
  TakeLog();
  delete form;
  // The components go while the form is still whole (each freeing its own first), none of them still
  // owned when its destructor runs, and without notifications: nobody asked to watch them. The form's
  // own destructor runs last.
  EXPECT_EQ(TakeLog(), (Log{"~B", "~A1", "~A", "~Form"}));
}

TEST_F(ComponentTest, DeletingAnOwnedComponentTellsTheOwnerTreeWhileItIsComplete) {
  auto* form = New<TRec>(nullptr, "Form");
  auto* a = New<TRec>(form, "A");
  auto* b = New<TRec>(form, "B");
  New<TRec>(a, "A1");
  New<TRec>(form, "C");
  TakeLog();
  delete b;
  // The owner hears first and passes the news to its components from the last to the first, each of
  // them to its own components; the leaving component is still on the list and hears too.
  EXPECT_EQ(TakeLog(), (Log{"Form:-B", "C:-B", "B:-B", "A:-B", "A1:-B", "~B"}));
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->FindComponent("B"), nullptr);
  delete form;
}

TEST_F(ComponentTest, InsertNotificationSeesTheComponentCompleteOnlyWhenMadeByNew) {
  auto* form = New<TRec>(nullptr, "Form");
  auto* a = New<TRec>(form, "A");
  New<TRec>(a, "A1");
  TakeLog();
  New<TRec>(form, "B");
  EXPECT_EQ(TakeLog(), (Log{"Form:+B", "B:+B", "A:+B", "A1:+B"}));
  new TRec(form, "C");
  // From inside TComponent's constructor: the new component is nameless and not yet a TRec, so its own
  // override does not run either.
  EXPECT_EQ(TakeLog(), (Log{"Form:+?", "B:+?", "A:+?", "A1:+?"}));
  delete form;
}

TEST_F(ComponentTest, FreeNotificationAcrossOwnersIsMutualAndClearedOnEitherSide) {
  auto* form1 = New<TRec>(nullptr, "Form1");
  auto* form2 = New<TRec>(nullptr, "Form2");
  auto* table = New<TRec>(form1, "Table");
  auto* source = New<TRec>(form2, "Source");
  source->watched = table;
  table->FreeNotification(source);
  EXPECT_TRUE(table->ComponentState().Contains(csFreeNotification));
  TakeLog();
  delete form1;
  // The table leaves its owner loudly, and the owner and the watcher hear about it while complete.
  EXPECT_EQ(TakeLog(), (Log{"Form1:-Table", "Table:-Table", "Source:-Table", "~Table", "~Form1"}));
  EXPECT_EQ(source->watched, nullptr);

  // The other way round: the watcher goes first and the watched one must not call it afterwards.
  auto* form3 = New<TRec>(nullptr, "Form3");
  auto* table3 = New<TRec>(form3, "Table3");
  table3->FreeNotification(source);
  delete form2;
  TakeLog();
  delete form3;
  EXPECT_EQ(TakeLog(), (Log{"Form3:-Table3", "Table3:-Table3", "~Table3", "~Form3"}));
}

TEST_F(ComponentTest, RemoveFreeNotificationStopsTheNews) {
  auto* a = New<TRec>(nullptr, "A");
  auto* b = New<TRec>(nullptr, "B");
  a->FreeNotification(b);
  a->RemoveFreeNotification(b);
  TakeLog();
  delete a;
  EXPECT_EQ(TakeLog(), (Log{"~A"}));
  delete b;
}

TEST_F(ComponentTest, WatchedSiblingLeavesLoudlyWhenTheOwnerIsFreed) {
  auto* form = New<TRec>(nullptr, "Form");
  auto* grid = New<TRec>(form, "Grid");
  auto* table = New<TRec>(form, "Table");  // freed before the grid (last first)
  grid->watched = table;
  table->FreeNotification(grid);           // same owner: no list, the flag makes the owner announce it
  New<TRec>(form, "Quiet");
  TakeLog();
  delete form;
  // The form is still whole: it hears, and so do its remaining components.
  EXPECT_EQ(TakeLog(), (Log{"~Quiet", "Form:-Table", "Table:-Table", "Grid:-Table", "~Table", "~Grid", "~Form"}));
}

TEST_F(ComponentTest, NamesMustBeIdentifiersUniqueAmongTheOwnersComponents) {
  struct NameCase {
    const char* name;
    bool valid;
  };
  const NameCase cases[] = {{"Button1", true}, {"_x", true}, {"", true},       {"1abc", false},
                            {"a b", false},    {"a.b", false}, {"\xF5z", false}, {"Ab_9", true}};
  TComponent loose(nullptr);
  for (const NameCase& c : cases) {
    if (c.valid) {
      EXPECT_NO_THROW(loose.SetName(c.name)) << c.name;
      EXPECT_EQ(loose.Name(), c.name);
    } else {
      try {
        loose.SetName(c.name);
        ADD_FAILURE() << "accepted " << c.name;
      } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + c.name + "' is not a valid component name");
      }
    }
  }

  TComponent form(nullptr);
  auto* edit = new TComponent(&form);
  edit->SetName("Edit1");
  auto* other = new TComponent(&form);
  try {
    other->SetName("EDIT1");
    ADD_FAILURE() << "duplicate accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named EDIT1 already exists");
  }
  EXPECT_EQ(other->Name(), "");
  EXPECT_NO_THROW(edit->SetName("EDIT1"));  // a change of case is no clash with itself
  EXPECT_EQ(form.FindComponent("edit1"), edit);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  TComponent elsewhere(nullptr);
  auto* twin = new TComponent(&elsewhere);
  EXPECT_NO_THROW(twin->SetName("Edit1"));  // other owner, other namespace
  // Bringing a named component in checks the name too, and a refusal leaves it where it was.
  EXPECT_THROW(form.InsertComponent(twin), EComponentError);
  EXPECT_EQ(twin->Owner(), &elsewhere);
}

TEST_F(ComponentTest, ComponentsIndexIsCheckedAndComponentIndexClamps) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* b = new TComponent(&form);
  auto* c = new TComponent(&form);
  try {
    form.Components(3);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  EXPECT_THROW(form.Components(-1), EListError);
  c->SetComponentIndex(-5);
  EXPECT_EQ(form.Components(0), c);
  a->SetComponentIndex(99);
  EXPECT_EQ(form.Components(2), a);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(form.ComponentIndex(), -1);
}

TEST_F(ComponentTest, InsertComponentMovesOwnershipAndRefusesCycles) {
  auto* form1 = New<TRec>(nullptr, "Form1");
  auto* form2 = New<TRec>(nullptr, "Form2");
  auto* panel = New<TRec>(form1, "Panel");
  auto* inner = New<TRec>(panel, "Inner");
  TakeLog();
  form2->InsertComponent(panel);
  EXPECT_EQ(TakeLog(), (Log{"Form1:-Panel", "Panel:-Panel", "Inner:-Panel", "Form2:+Panel", "Panel:+Panel",
                            "Inner:+Panel"}));
  EXPECT_EQ(panel->Owner(), form2);
  EXPECT_EQ(form1->ComponentCount(), 0);
  EXPECT_THROW(inner->InsertComponent(form2), EComponentError);  // form2 owns panel owns inner
  EXPECT_THROW(panel->InsertComponent(panel), EComponentError);
  form2->RemoveComponent(panel);
  EXPECT_EQ(panel->Owner(), nullptr);
  delete form1;
  delete form2;
  delete panel;
}

TEST_F(ComponentTest, StateFlagsFollowDesigningLoadingAndAncestry) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* a1 = new TComponent(a);
  form.SetDesigning(true);
  EXPECT_TRUE(a1->ComponentState().Contains(csDesigning));
  auto* late = new TComponent(&form);  // joins a designing owner
  EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
  form.SetDesigning(false, false);
  EXPECT_FALSE(form.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));

  a->SetAncestor(true);
  EXPECT_EQ(a1->ComponentState() * TComponentState{csAncestor}, TComponentState{csAncestor});
  a->Loading();
  a->SetReading(true);
  EXPECT_TRUE(a->ComponentState().Contains(csLoading));
  a->SetReading(false);
  a->Loaded();
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  EXPECT_FALSE(a->ComponentState().Contains(csReading));
  a->Updating();
  EXPECT_TRUE(a->ComponentState().Contains(csUpdating));
  a->Updated();
  EXPECT_FALSE(a->ComponentState().Contains(csUpdating));
  a->SetTag(-98);
  EXPECT_EQ(a->Tag() & -98, -98);
}

TEST_F(ComponentTest, OwnedComponentsAreGoneBeforeTheOwnersDestructorRuns) {
  auto* form = New<TRec>(nullptr, "Form");
  New<TWithPart>(form);
  TakeLog();
  TWithPart::partsLeft = -1;
  delete form;
  EXPECT_EQ(TakeLog(), (Log{"~Part", "~Whole", "~Form"}));
  EXPECT_EQ(TWithPart::partsLeft, 0);
}

TEST_F(ComponentTest, AHandlerThatRaisesCannotStopADestruction) {
  auto* form = New<TRec>(nullptr, "Form");
  auto* grumpy = New<TRec>(form, "Grumpy");
  grumpy->throwOn = opRemove;
  auto* victim = New<TRec>(form, "Victim");
  auto* outsider = New<TRec>(nullptr, "Outsider");
  outsider->throwOn = opRemove;
  victim->FreeNotification(outsider);
  EXPECT_NO_THROW(delete victim);
  EXPECT_EQ(form->ComponentCount(), 1);
  delete form;
  delete outsider;
}

TEST_F(ComponentTest, AFailedInsertLeavesNoTrace) {
  auto* form = New<TRec>(nullptr, "Form");
  form->throwOn = opInsert;
  EXPECT_THROW(new TRec(form, "X"), EAbort);
  EXPECT_THROW(New<TRec>(form, "Y"), EAbort);
  EXPECT_EQ(form->ComponentCount(), 0);
  form->throwOn.reset();
  delete form;
}

TEST_F(ComponentTest, AComponentOnTheStackCleansUpItsOwnedOnes) {
  auto* watcher = New<TRec>(nullptr, "Watcher");
  {
    TComponent form(nullptr);
    auto* grid = New<TRec>(&form, "Grid");
    grid->FreeNotification(watcher);
    new TRec(&form, "Edit");
    TakeLog();
  }
  EXPECT_EQ(TakeLog(), (Log{"~Edit", "Grid:-Grid", "Watcher:-Grid", "~Grid"}));
  delete watcher;
}

TEST_F(ComponentTest, NotificationWalkSurvivesComponentsLeavingMidway) {
  // A handler that frees other components while the owner is passing a notification around.
  class TSweeper : public TComponent {
   public:
    using TComponent::TComponent;
    void Notification(TComponent* component, TOperation operation) override {
      TComponent::Notification(component, operation);
      if (operation == opInsert && component != this) {
        while (Owner()->ComponentCount() > 2) delete Owner()->Components(0);
      }
    }
  };
  TComponent form(nullptr);
  for (int i = 0; i < 5; ++i) new TComponent(&form);
  New<TSweeper>(&form);
  New<TComponent>(&form);  // walks from the end; the sweeper empties the front of the list meanwhile
  EXPECT_EQ(form.ComponentCount(), 2);
}
