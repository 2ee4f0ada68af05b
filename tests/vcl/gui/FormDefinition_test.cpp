// Forms read from their definitions: the RCDATA resource named after the form class (as the program's
// forms are), and registered texts; fields and handlers bound by name, OnCreate after everything is
// loaded, a definition that shows the form, and the errors of a missing or wrong definition.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/Panel.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

class TResourceForm : public TForm {
 public:
  using TForm::TForm;
  TPanel* Header = nullptr;
  TPanel* Body = nullptr;
  TButton* OK = nullptr;
  TAction* acHello = nullptr;
  int hellos = 0;
  TRect okBoundsAtCreate;

  void DefineFields(TFieldTable& fields) override {
    fields.Add("Header", Header);
    fields.Add("Body", Body);
    fields.Add("OK", OK);
    fields.Add("acHello", acHello);
  }
  void DefineMethods(TMethodTable& methods) override {
    methods.Add("FormCreate", this, &TResourceForm::FormCreate);
    methods.Add("HelloExecute", this, &TResourceForm::HelloExecute);
  }
  void FormCreate(TObject*) { okBoundsAtCreate = OK->BoundsRect(); }
  void HelloExecute(TObject*) { ++hellos; }
};

class TTextForm : public TForm {
 public:
  using TForm::TForm;
};

class TMissingForm : public TForm {
 public:
  using TForm::TForm;
};

struct DefinitionFixture : ::testing::Test {
  void SetUp() override {
    RegisterGuiClasses();
    RegisterStreamedClass<TResourceForm, TForm>("TResourceForm");
    RegisterStreamedClass<TTextForm, TForm>("TTextForm");
    RegisterStreamedClass<TMissingForm, TForm>("TMissingForm");
  }
  void TearDown() override {
    UnregisterDefinitionText("TTextForm");
    guitest::Pump();
  }
};

}  // namespace

TEST_F(DefinitionFixture, FormIsReadFromItsResource) {
  std::unique_ptr<TResourceForm> f(New<TResourceForm>(nullptr));
  EXPECT_EQ(f->Name(), "ResourceForm");
  EXPECT_EQ(Cp1250ToUtf8(f->Caption()), "Naplóíró űrlap");
  EXPECT_EQ(f->BorderStyle(), bsDialog);
  EXPECT_EQ(f->Position(), poScreenCenter);
  EXPECT_EQ(f->ClientWidth(), 300);  // applied once the border style was known
  EXPECT_EQ(f->ClientHeight(), 200);
  ASSERT_NE(f->Header, nullptr);
  ASSERT_NE(f->OK, nullptr);
  EXPECT_EQ(f->Header->BoundsRect(), Bounds(0, 0, 300, 40));
  EXPECT_EQ(f->Body->BoundsRect(), Bounds(0, 40, 300, 160));
  EXPECT_EQ(f->OK->BoundsRect(), Bounds(10, 135, 290, 25));  // Body's padding on the left
  EXPECT_EQ(f->okBoundsAtCreate, f->OK->BoundsRect());       // OnCreate saw the aligned form
  EXPECT_EQ(Cp1250ToUtf8(f->Header->Caption()), "fejléc");
  EXPECT_EQ(f->OK->ModalResult(), mrOk);
  EXPECT_TRUE(f->OK->Default());
  EXPECT_FALSE(f->ComponentState().Contains(csLoading));
  EXPECT_FALSE(f->Visible());

  // The action came with its list, shortcut and handler.
  ASSERT_NE(f->acHello, nullptr);
  EXPECT_NE(f->acHello->ActionList(), nullptr);
  EXPECT_EQ(f->acHello->ShortCut(), 49224);
  f->Show();
  {
    guitest::KeysDown keys({VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
    guitest::PostKey(f->OK->Handle(), 'H');
    guitest::Pump();
  }
  EXPECT_EQ(f->hellos, 1);
}

TEST_F(DefinitionFixture, RegisteredTextDefinitionCanShowTheForm) {
  RegisterDefinitionText("TTextForm", R"(
    object TextForm: TTextForm
      Caption = 'Szöveg'
      Visible = True
      Color = clWhite
      Constraints.MinWidth = 200
      Width = 100
      Tag = 7
    end)");
  std::unique_ptr<TTextForm> f(New<TTextForm>(nullptr));
  EXPECT_TRUE(f->Visible());
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  EXPECT_EQ(f->Color(), clWhite);
  EXPECT_EQ(f->Width(), 200);
  EXPECT_EQ(f->Tag(), 7);
}

TEST_F(DefinitionFixture, MissingOrWrongDefinitionsFailTheCreation) {
  EXPECT_THROW(New<TMissingForm>(nullptr), EResNotFound);
  RegisterDefinitionText("TTextForm", "object TextForm: TTextForm\n  Align = alSideways\nend\n");
  try {
    New<TTextForm>(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(e.Line(), 2);
  }
  // A plain TForm reads nothing.
  std::unique_ptr<TForm> plain(New<TForm>(nullptr));
  EXPECT_TRUE(plain->Name().empty());
}
