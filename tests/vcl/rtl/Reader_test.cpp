#include "vcl/rtl/Reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"

// Small components in the shape of the diary's: controls with a parent, a font, lines, a grid with
// columns, a dataset with custom stored data, data sources, popup menus, image lists, a skin store.
namespace readertest {

std::vector<std::string> gLog;  // what happened, in order

enum TTestAlign { alNone = 0, alTop = 1, alBottom = 2, alLeft = 3, alRight = 4, alClient = 5 };
enum TFontStyle { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };
using TFontStyles = TSet<TFontStyle, 4>;
enum TGridOption { goColLines = 0, goRowLines = 1, goTabs = 2, goRowSelect = 3 };
using TGridOptions = TSet<TGridOption, 4>;
using TCloseEvent = std::function<void(TObject* sender, int& action)>;

class TTestFont : public TPersistent {
 public:
  void SetName(const AnsiString& v) { name = v; }
  void SetHeight(Integer v) { height = v; }
  void SetStyle(TFontStyles v) { style = v; }
  AnsiString name;
  Integer height = 0;
  TFontStyles style;
};

class TTestPopup;

class TTestControl : public TComponent {
 public:
  using TComponent::TComponent;
  void SetParentComponent(TComponent* p) override { parent = p; }
  void SetWidth(Integer v) {
    if (v < 0) throw ERangeError("Width must not be negative");
    width = v;
  }
  void SetAlign(TTestAlign v) { align = v; }
  void SetColor(Integer v) { color = v; }
  void SetVisible(bool v) { visible = v; }
  void SetCaption(const AnsiString& v) { caption = v; }
  void SetPopupMenu(TTestPopup* v) { popupMenu = v; }
  TTestFont* Font() { return &font_; }
  TStrings& Lines() { return lines_; }
  void Loaded() override;

  TComponent* parent = nullptr;
  Integer width = 0;
  TTestAlign align = alNone;
  Integer color = 0;
  bool visible = true;
  AnsiString caption;
  TTestPopup* popupMenu = nullptr;
  TNotifyEvent OnClick;

 private:
  TTestFont font_;
  TStringList lines_;
};

class TTestAbstract : public TTestControl {
 public:
  using TTestControl::TTestControl;
  virtual void Paint() = 0;
};

class TTestImages : public TComponent {
 public:
  using TComponent::TComponent;
  void SetCount(Integer v) { count = v; }
  Integer count = 0;
};

class TTestPopup : public TComponent {
 public:
  using TComponent::TComponent;
  void SetImages(TTestImages* v) { images = v; }
  void Loaded() override {
    gLog.push_back("Loaded " + Name() + (images ? " images" : " no images"));
    TComponent::Loaded();
  }
  TTestImages* images = nullptr;
  TNotifyEvent OnPopup;
};

class TTestTitle : public TPersistent {
 public:
  AnsiString caption;
};

class TTestColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  void SetFieldName(const AnsiString& v) { fieldName = v; }
  void SetWidth(Integer v) { width = v; }
  TTestTitle& Title() { return title_; }
  AnsiString fieldName;
  Integer width = 64;

 private:
  TTestTitle title_;
};

class TTestDataSet;

class TTestDataSource : public TComponent {
 public:
  using TComponent::TComponent;
  void SetDataSet(TTestDataSet* v) { dataSet = v; }
  TTestDataSet* dataSet = nullptr;
  TNotifyEvent OnStateChange;
};

class TTestGrid : public TTestControl {
 public:
  explicit TTestGrid(TComponent* owner) : TTestControl(owner), columns_(this, TCollectionItemClass::Of<TTestColumn>()) {}
  TCollection& Columns() { return columns_; }
  void SetOptions(TGridOptions v) { options = v; }
  void SetDataSource(TTestDataSource* v) { dataSource = v; }
  TGridOptions options;
  TTestDataSource* dataSource = nullptr;

 private:
  TOwnedCollection columns_;
};

class TTestParam : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString name;
  AnsiString value;
  bool isNull = true;
};

// Stores "Data" (bytes kept as they are) and "ParamData" (a collection) through DefineProperties,
// as the query component does.
class TTestDataSet : public TComponent {
 public:
  explicit TTestDataSet(TComponent* owner) : TComponent(owner), params_(TCollectionItemClass::Of<TTestParam>()) {}
  TStrings* SQL() { return &sql_; }
  TCollection& Params() { return params_; }
  void DefineProperties(TFiler& filer) override {
    TComponent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Data",
        [this](TStream& s) {
          data.resize(static_cast<size_t>(s.GetSize()));
          if (!data.empty()) s.ReadBuffer(data.data(), static_cast<Integer>(data.size()));
        },
        {}, !data.empty());
    filer.DefineProperty("ParamData", [this](TReader& r) { r.ReadCollection(params_); }, {}, params_.Count() > 0);
  }
  void SetVersion(double v) { version = v; }
  void SetMaxRows(Int64 v) { maxRows = v; }
  std::vector<Byte> data;
  double version = 0;
  Int64 maxRows = 0;
  TNotifyEvent AfterScroll;

 private:
  TStringList sql_;
  TCollection params_;
};

class TTestSkin : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  void DefineProperties(TFiler& filer) override {
    TCollectionItem::DefineProperties(filer);
    filer.DefineBinaryProperty("Data", [this](TStream& s) { packed = static_cast<Integer>(s.GetSize()); }, {}, true);
  }
  AnsiString name;
  Integer packed = -1;
};

class TTestSkinStore : public TComponent {
 public:
  explicit TTestSkinStore(TComponent* owner) : TComponent(owner), skins_(this, TCollectionItemClass::Of<TTestSkin>()) {}
  TCollection& Skins() { return skins_; }

 private:
  TOwnedCollection skins_;
};

// The form: a control that is the root of a definition, calling OnCreate once it is loaded.
class TTestForm : public TTestControl, public TDefinitionRoot {
 public:
  using TTestControl::TTestControl;
  void DefinitionLoaded() override {
    if (OnCreate) OnCreate(this);
  }
  TNotifyEvent OnCreate;
  TCloseEvent OnClose;
};

void TTestControl::Loaded() {
  std::string entry = "Loaded " + Name();
  if (!ComponentState().Contains(csLoading)) entry += " NOT LOADING";
  if (ComponentState().Contains(csReading)) entry += " STILL READING";
  if (popupMenu != nullptr) entry += " popup=" + popupMenu->Name();
  gLog.push_back(entry);
  TComponent::Loaded();
}

class TfrmMainTest : public TTestForm {
 public:
  using TTestForm::TTestForm;
  void DefineMethods(TMethodTable& m) override {
    m.Add("FormCreate", this, &TfrmMainTest::FormCreate);
    m.Add("FormClose", this, &TfrmMainTest::FormClose);
    m.Add("Memo1Click", this, &TfrmMainTest::Memo1Click);
    m.Add<TNotifyEvent>("DS1StateChange", [this](TObject*) { ++stateChanges; });
    m.Add("Popup1Popup", this, &TfrmMainTest::Memo1Click);
  }
  void DefineFields(TFieldTable& f) override {
    f.Add("Panel1", Panel1);
    f.Add("Memo1", Memo1);
    f.Add("Grid1", Grid1);
    f.Add("Table1", Table1);
    f.Add("DS1", DS1);
    f.Add("DS2", DS2);
    f.Add("Popup1", Popup1);
    f.Add("Skins1", Skins1);
  }
  void FormCreate(TObject* sender) {
    gLog.push_back("FormCreate " + static_cast<TComponent*>(sender)->Name() +
                   (ComponentState().Contains(csLoading) ? " loading" : " loaded"));
  }
  void FormClose(TObject*, int& action) { action = 2; }
  void Memo1Click(TObject*) { ++clicks; }

  TTestControl* Panel1 = nullptr;
  TTestControl* Memo1 = nullptr;
  TTestGrid* Grid1 = nullptr;
  TTestDataSet* Table1 = nullptr;
  TTestDataSource* DS1 = nullptr;
  TTestDataSource* DS2 = nullptr;
  TTestPopup* Popup1 = nullptr;
  TTestSkinStore* Skins1 = nullptr;
  int clicks = 0;
  int stateChanges = 0;
};

class TfrmImagesTest : public TTestForm {
 public:
  using TTestForm::TTestForm;
};

class TfrmPlainTest : public TTestForm {
 public:
  using TTestForm::TTestForm;
  void DefineMethods(TMethodTable& m) override {
    m.Add<TNotifyEvent>("Click", [](TObject*) {});
    m.Add<TCloseEvent>("Close", [](TObject*, int&) {});
  }
};

class TfrmFieldsTest : public TTestForm {
 public:
  using TTestForm::TTestForm;
  void DefineFields(TFieldTable& f) override {
    f.Add("Grid1", Grid1);
    f.Add("Missing1", Missing1);
  }
  TTestGrid* Grid1 = nullptr;
  TTestControl* Missing1 = nullptr;
};

const TIdents<Integer> kColors = {{"clBlack", 0}, {"clWhite", 0xFFFFFF}};
const TIdents<TTestAlign> kAligns = {{"alNone", alNone}, {"alTop", alTop}, {"alBottom", alBottom},
                                     {"alLeft", alLeft}, {"alRight", alRight}, {"alClient", alClient}};
const TIdents<TFontStyle> kFontStyles = {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline},
                                         {"fsStrikeOut", fsStrikeOut}};
const TIdents<TGridOption> kGridOptions = {{"goColLines", goColLines}, {"goRowLines", goRowLines},
                                           {"goTabs", goTabs}, {"goRowSelect", goRowSelect}};

void RegisterTestClasses() {
  RegisterStreamedClass<TPersistent>("TPersistent");
  RegisterStreamedClass<TComponent, TPersistent>("TComponent", [](TPropertyTableOf<TComponent>& p) {
    p.IntegerProp("Tag", &TComponent::SetTag);
  });
  RegisterStreamedClass<TCollectionItem, TPersistent>("TCollectionItem");
  RegisterStreamedClass<TTestFont, TPersistent>("TTestFont", [](TPropertyTableOf<TTestFont>& p) {
    p.StringProp("Name", &TTestFont::SetName);
    p.IntegerProp("Height", &TTestFont::SetHeight);
    p.SetProp<TFontStyles>("Style", &TTestFont::SetStyle, kFontStyles);
  });
  RegisterStreamedClass<TTestControl, TComponent>("TTestControl", [](TPropertyTableOf<TTestControl>& p) {
    p.IntegerProp("Width", &TTestControl::SetWidth);
    p.EnumProp("Align", &TTestControl::SetAlign, kAligns);
    p.IntegerProp("Color", &TTestControl::SetColor, kColors);
    p.BoolProp("Visible", &TTestControl::SetVisible);
    p.StringProp("Caption", &TTestControl::SetCaption);
    p.ObjectProp("Font", &TTestControl::Font);
    p.StringsProp("Lines", &TTestControl::Lines);
    p.ComponentProp("PopupMenu", &TTestControl::SetPopupMenu);
    p.EventProp("OnClick", &TTestControl::OnClick);
  });
  RegisterStreamedClass<TTestAbstract, TTestControl>("TTestAbstract");
  RegisterStreamedClass<TTestImages, TComponent>("TTestImages", [](TPropertyTableOf<TTestImages>& p) {
    p.IntegerProp("Count", &TTestImages::SetCount);
  });
  RegisterStreamedClass<TTestPopup, TComponent>("TTestPopup", [](TPropertyTableOf<TTestPopup>& p) {
    p.ComponentProp("Images", &TTestPopup::SetImages);
    p.EventProp("OnPopup", &TTestPopup::OnPopup);
  });
  RegisterStreamedClass<TTestTitle, TPersistent>("TTestTitle", [](TPropertyTableOf<TTestTitle>& p) {
    p.StringProp("Caption", &TTestTitle::caption);  // a public data member works as a setter
  });
  RegisterStreamedClass<TTestColumn, TCollectionItem>("TTestColumn", [](TPropertyTableOf<TTestColumn>& p) {
    p.StringProp("FieldName", &TTestColumn::SetFieldName);
    p.IntegerProp("Width", &TTestColumn::SetWidth);
    p.ObjectProp("Title", &TTestColumn::Title);
  });
  RegisterStreamedClass<TTestGrid, TTestControl>("TTestGrid", [](TPropertyTableOf<TTestGrid>& p) {
    p.CollectionProp("Columns", &TTestGrid::Columns);
    p.SetProp<TGridOptions>("Options", &TTestGrid::SetOptions, kGridOptions);
    p.ComponentProp("DataSource", &TTestGrid::SetDataSource);
  });
  RegisterStreamedClass<TTestParam, TCollectionItem>("TTestParam", [](TPropertyTableOf<TTestParam>& p) {
    p.StringProp("Name", &TTestParam::name);
    // A value whose kind decides its type, read by the table's own code.
    p.CustomProp("Value", [](TTestParam& param, const TDefValue& v, TReader& r) {
      if (v.kind == TDefValueKind::String) {
        param.value = v.text;
      } else if (v.kind == TDefValueKind::Integer) {
        param.value = std::to_string(v.integer);
      } else {
        r.Error(v.pos, "Value expects a string or an integer");
      }
      param.isNull = false;
    });
  });
  RegisterStreamedClass<TTestDataSet, TComponent>("TTestDataSet", [](TPropertyTableOf<TTestDataSet>& p) {
    p.StringsProp("SQL", &TTestDataSet::SQL);
    p.FloatProp("Version", &TTestDataSet::SetVersion);
    p.Int64Prop("MaxRows", &TTestDataSet::SetMaxRows);
    p.EventProp("AfterScroll", &TTestDataSet::AfterScroll);
  });
  RegisterStreamedClass<TTestDataSource, TComponent>("TTestDataSource", [](TPropertyTableOf<TTestDataSource>& p) {
    p.ComponentProp("DataSet", &TTestDataSource::SetDataSet);
    p.EventProp("OnStateChange", &TTestDataSource::OnStateChange);
  });
  RegisterStreamedClass<TTestSkin, TCollectionItem>("TTestSkin", [](TPropertyTableOf<TTestSkin>& p) {
    p.StringProp("Name", &TTestSkin::name);
  });
  RegisterStreamedClass<TTestSkinStore, TComponent>("TTestSkinStore", [](TPropertyTableOf<TTestSkinStore>& p) {
    p.CollectionProp("Skins", &TTestSkinStore::Skins);
  });
  RegisterStreamedClass<TTestForm, TTestControl>("TTestForm", [](TPropertyTableOf<TTestForm>& p) {
    p.EventProp("OnCreate", &TTestForm::OnCreate);
    p.EventProp("OnClose", &TTestForm::OnClose);
  });
  RegisterStreamedClass<TfrmMainTest, TTestForm>("TfrmMainTest");
  RegisterStreamedClass<TfrmImagesTest, TTestForm>("TfrmImagesTest");
  RegisterStreamedClass<TfrmPlainTest, TTestForm>("TfrmPlainTest");
  RegisterStreamedClass<TfrmFieldsTest, TTestForm>("TfrmFieldsTest");
}

const char* const kMainDefinition = R"(object frmMain: TfrmMainTest
  Caption = 'Napló'
  Width = 632
  Color = clWhite
  Font.Name = 'Tahoma'
  Font.Height = -11
  Font.Style = [fsBold, fsItalic]
  OnCreate = FormCreate
  OnClose = FormClose
  object Panel1: TTestControl
    Align = alClient
    Color = $F0CAA6
    Tag = -98
    object Memo1: TTestControl
      Visible = False
      Lines = (
        'első sor'
        'második ' + #337
        '')
      PopupMenu = Popup1
      OnClick = Memo1Click
    end
  end
  object Grid1: TTestGrid
    DataSource = DS1
    Options = [goTabs, goRowSelect]
    PopupMenu = nil
    Columns = <
      item
        FieldName = 'Title'
        Width = 100
        Title.Caption = 'Cím:'
      end
      item
        FieldName = 'Text'
      end>
  end
  object Table1: TTestDataSet
    SQL = ('select *' 'from fans')
    Version = 4.2
    MaxRows = 5000000000
    Data = { 0102 FF }
    ParamData = <
      item
        Name = 'p'
        Value = '%x%'
      end
      item
        Name = 'q'
        Value = 7
      end>
    AfterScroll = nil
  end
  object DS1: TTestDataSource
    DataSet = Table1
    OnStateChange = DS1StateChange
  end
  object DS2: TTestDataSource
    DataSet = frmMain.Table1
  end
  object Popup1: TTestPopup
    Images = frmImages.Images1
    OnPopup = Popup1Popup
  end
  object Skins1: TTestSkinStore
    Skins = <
      item
        Name = 'XPLuna (internal)'
        Data = { 43567A66 0000 }
      end>
  end
end
)";

const char* const kImagesDefinition = R"(object frmImages: TfrmImagesTest
  object Images1: TTestImages
    Count = 15
  end
  object Memo2: TTestControl
    PopupMenu = frmMain.Popup1
  end
end
)";

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    gLog.clear();
  }
  // Forms are freed at the end of each test, which also takes them out of the global list.
  template <class F>
  F* Make() {
    forms_.emplace_back(New<F>(nullptr));
    return static_cast<F*>(forms_.back().get());
  }
  std::vector<std::unique_ptr<TComponent>> forms_;
};

TEST_F(ReaderTest, LoadsAFormWithNestedControlsCollectionsBinaryReferencesAndEvents) {
  TfrmImagesTest* images = Make<TfrmImagesTest>();
  ReadComponentFromText(*images, kImagesDefinition);
  ASSERT_EQ(PendingGlobalReferenceCount(), 1);  // Memo2 waits for frmMain
  auto* memo2 = dynamic_cast<TTestControl*>(images->FindComponent("Memo2"));
  ASSERT_NE(memo2, nullptr);
  EXPECT_EQ(memo2->popupMenu, nullptr);
  EXPECT_TRUE(memo2->ComponentState().Contains(csFixups));
  gLog.clear();

  TfrmMainTest* form = Make<TfrmMainTest>();
  ReadComponentFromText(*form, kMainDefinition);

  // The root.
  EXPECT_EQ(form->Name(), "frmMain");
  EXPECT_EQ(form->caption, Utf8ToCp1250("Napló"));
  EXPECT_EQ(form->width, 632);
  EXPECT_EQ(form->color, 0xFFFFFF);
  EXPECT_EQ(form->Font()->name, "Tahoma");
  EXPECT_EQ(form->Font()->height, -11);
  EXPECT_EQ(form->Font()->style, (TFontStyles{fsBold, fsItalic}));
  ASSERT_TRUE(form->OnClose);
  int action = 0;
  form->OnClose(form, action);
  EXPECT_EQ(action, 2);

  // Fields, owners and parents.
  ASSERT_NE(form->Panel1, nullptr);
  ASSERT_NE(form->Memo1, nullptr);
  ASSERT_NE(form->Grid1, nullptr);
  ASSERT_NE(form->Table1, nullptr);
  ASSERT_NE(form->DS1, nullptr);
  ASSERT_NE(form->DS2, nullptr);
  ASSERT_NE(form->Popup1, nullptr);
  ASSERT_NE(form->Skins1, nullptr);
  EXPECT_EQ(form->ComponentCount(), 8);
  EXPECT_EQ(form->Memo1->Owner(), form);
  EXPECT_EQ(form->Memo1, form->FindComponent("Memo1"));
  EXPECT_EQ(form->Panel1->parent, form);
  EXPECT_EQ(form->Memo1->parent, form->Panel1);
  EXPECT_EQ(form->Grid1->parent, form);

  // Controls.
  EXPECT_EQ(form->Panel1->align, alClient);
  EXPECT_EQ(form->Panel1->color, 0xF0CAA6);
  EXPECT_EQ(form->Panel1->Tag(), -98);
  EXPECT_FALSE(form->Memo1->visible);
  ASSERT_EQ(form->Memo1->Lines().Count(), 3);
  EXPECT_EQ(form->Memo1->Lines().Strings(0), Utf8ToCp1250("első sor"));
  EXPECT_EQ(form->Memo1->Lines().Strings(1), Utf8ToCp1250("második ő"));
  EXPECT_EQ(form->Memo1->Lines().Strings(2), "");
  EXPECT_EQ(form->Memo1->popupMenu, form->Popup1);  // a reference to a component read later
  ASSERT_TRUE(form->Memo1->OnClick);
  form->Memo1->OnClick(form->Memo1);
  EXPECT_EQ(form->clicks, 1);

  // The grid's collection with a nested object in its items, its set and its reference.
  EXPECT_EQ(form->Grid1->options, (TGridOptions{goTabs, goRowSelect}));
  EXPECT_EQ(form->Grid1->dataSource, form->DS1);
  EXPECT_EQ(form->Grid1->popupMenu, nullptr);
  ASSERT_EQ(form->Grid1->Columns().Count(), 2);
  auto* col0 = dynamic_cast<TTestColumn*>(form->Grid1->Columns().Items(0));
  auto* col1 = dynamic_cast<TTestColumn*>(form->Grid1->Columns().Items(1));
  ASSERT_NE(col0, nullptr);
  ASSERT_NE(col1, nullptr);
  EXPECT_EQ(col0->fieldName, "Title");
  EXPECT_EQ(col0->width, 100);
  EXPECT_EQ(col0->Title().caption, Utf8ToCp1250("Cím:"));
  EXPECT_EQ(col1->fieldName, "Text");
  EXPECT_EQ(col1->width, 64);

  // The dataset: strings, float, 64-bit integer and the data it defines itself.
  ASSERT_EQ(form->Table1->SQL()->Count(), 2);
  EXPECT_EQ(form->Table1->SQL()->Text(), "select *\r\nfrom fans\r\n");
  EXPECT_DOUBLE_EQ(form->Table1->version, 4.2);
  EXPECT_EQ(form->Table1->maxRows, 5000000000LL);
  EXPECT_EQ(form->Table1->data, (std::vector<Byte>{0x01, 0x02, 0xFF}));
  ASSERT_EQ(form->Table1->Params().Count(), 2);
  auto* p0 = dynamic_cast<TTestParam*>(form->Table1->Params().Items(0));
  auto* p1 = dynamic_cast<TTestParam*>(form->Table1->Params().Items(1));
  ASSERT_NE(p0, nullptr);
  ASSERT_NE(p1, nullptr);
  EXPECT_EQ(p0->name, "p");
  EXPECT_EQ(p0->value, "%x%");
  EXPECT_EQ(p1->value, "7");
  EXPECT_FALSE(form->Table1->AfterScroll);

  // Data sources: a plain reference, a dotted one to the own root, an event.
  EXPECT_EQ(form->DS1->dataSet, form->Table1);
  EXPECT_EQ(form->DS2->dataSet, form->Table1);
  ASSERT_TRUE(form->DS1->OnStateChange);
  form->DS1->OnStateChange(form->DS1);
  EXPECT_EQ(form->stateChanges, 1);

  // Cross-root references, both ways: into a root read before, and from it to this one.
  EXPECT_EQ(form->Popup1->images, images->FindComponent("Images1"));
  EXPECT_EQ(memo2->popupMenu, form->Popup1);
  EXPECT_FALSE(memo2->ComponentState().Contains(csFixups));
  EXPECT_EQ(PendingGlobalReferenceCount(), 0);
  ASSERT_TRUE(form->Popup1->OnPopup);

  // A collection item's own binary data.
  ASSERT_EQ(form->Skins1->Skins().Count(), 1);
  auto* skin = dynamic_cast<TTestSkin*>(form->Skins1->Skins().Items(0));
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->name, "XPLuna (internal)");
  EXPECT_EQ(skin->packed, 6);

  // Loaded ran on every component in read order, root first, after all references were fixed and
  // while each was still loading; OnCreate came last.
  std::vector<std::string> expected = {
      "Loaded frmMain", "Loaded Panel1", "Loaded Memo1 popup=Popup1", "Loaded Grid1",
      "Loaded Popup1 images", "FormCreate frmMain loaded"};
  EXPECT_EQ(gLog, expected);
  for (int i = 0; i < form->ComponentCount(); ++i) {
    EXPECT_FALSE(form->Components(i)->ComponentState().Contains(csLoading)) << i;
    EXPECT_FALSE(form->Components(i)->ComponentState().Contains(csReading)) << i;
  }
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_EQ(FindGlobalComponent("FRMMAIN"), form);
  EXPECT_EQ(FindGlobalComponent("frmImages"), images);
}

TEST_F(ReaderTest, ReferencesIntoARootReadEarlierResolveAtOnce) {
  TfrmMainTest* form = Make<TfrmMainTest>();
  // Main first: Popup1 waits for frmImages.
  ReadComponentFromText(*form, kMainDefinition);
  EXPECT_EQ(form->Popup1->images, nullptr);
  EXPECT_EQ(PendingGlobalReferenceCount(), 1);
  TfrmImagesTest* images = Make<TfrmImagesTest>();
  ReadComponentFromText(*images, kImagesDefinition);
  EXPECT_EQ(form->Popup1->images, images->FindComponent("Images1"));
  EXPECT_EQ(dynamic_cast<TTestControl*>(images->FindComponent("Memo2"))->popupMenu, form->Popup1);
  EXPECT_EQ(PendingGlobalReferenceCount(), 0);
}

TEST_F(ReaderTest, WaitingReferencesDieWithTheirRoot) {
  TfrmMainTest* form = Make<TfrmMainTest>();
  ReadComponentFromText(*form, kMainDefinition);
  EXPECT_EQ(PendingGlobalReferenceCount(), 1);
  forms_.clear();  // frees frmMain
  EXPECT_EQ(PendingGlobalReferenceCount(), 0);
  EXPECT_EQ(FindGlobalComponent("frmMain"), nullptr);
  // frmImages now finds nobody waiting for it, and its own reference to frmMain waits.
  TfrmImagesTest* images = Make<TfrmImagesTest>();
  ReadComponentFromText(*images, kImagesDefinition);
  EXPECT_EQ(PendingGlobalReferenceCount(), 1);
  forms_.clear();
  EXPECT_EQ(PendingGlobalReferenceCount(), 0);
}

TEST_F(ReaderTest, FormsAreReadFromTheDefinitionNamedAfterTheirClass) {
  RegisterDefinitionText("TfrmImagesTest", kImagesDefinition);
  TfrmImagesTest* images = Make<TfrmImagesTest>();
  ReadComponentResource(*images);
  EXPECT_EQ(images->Name(), "frmImages");
  EXPECT_EQ(dynamic_cast<TTestImages*>(images->FindComponent("Images1"))->count, 15);
  UnregisterDefinitionText("TfrmImagesTest");
  TfrmPlainTest* plain = Make<TfrmPlainTest>();
  EXPECT_THROW(ReadComponentResource(*plain), EResNotFound);
}

// Definitions that parse but do not fit their classes: the error names the line of the culprit.
TEST_F(ReaderTest, DefinitionsThatDoNotFitTheirClassesNameTheLine) {
  struct Case {
    const char* body;  // inside "object frmPlain: TfrmPlainTest" ... "end", starting on line 2
    int line;
    const char* fragment;
  } cases[] = {
      {"  object X: TNoSuchClass\n  end", 2, "class TNoSuchClass is not registered"},
      {"  object X: TTestAbstract\n  end", 2, "cannot be created"},
      {"  object X: TTestControl\n    Widht = 1\n  end", 3, "TTestControl has no property Widht"},
      {"  Width = 'wide'", 2, "Width expects an integer, not a string"},
      {"  Width = 99999999999", 2, "out of range for Width"},
      {"  Width = -5", 2, "error reading frmPlain.Width: Width must not be negative"},
      {"  Color = clPurple", 2, "clPurple is not a value of Color"},
      {"  Align = alMiddle", 2, "alMiddle is not a value of Align"},
      {"  Align = 3", 2, "Align expects an identifier, not an integer"},
      {"  Visible = Yes", 2, "Visible expects True or False"},
      {"  Font.Style = [fsBold, fsWide]", 2, "fsWide is not an element of Style"},
      {"  Font.Style = fsBold", 2, "expects a set"},
      {"  Width.Low = 1", 2, "has no object property Width"},
      {"  Font = 'Tahoma'", 2, "Font holds an object"},
      {"  Font.Colour = 1", 2, "TTestFont has no property Colour"},
      {"  Lines = 'one line'", 2, "Lines expects a string list"},
      {"  PopupMenu = Nowhere", 2, "PopupMenu refers to Nowhere, which is not a component of frmPlain"},
      {"  object P: TTestControl\n  end\n  PopupMenu = P", 4, "P is a TTestControl, but PopupMenu needs a TTestPopup"},
      {"  PopupMenu = a.b.c", 2, "Name or Root.Name"},
      {"  PopupMenu = 12", 2, "expects a component name"},
      {"  OnClick = NoSuchMethod", 2, "TfrmPlainTest has no method NoSuchMethod for OnClick"},
      {"  OnClick = Close", 2, "method Close does not fit event OnClick"},
      {"  object A: TTestControl\n  end\n  object a: TTestControl\n  end", 4, "A component named a already exists"},
      {"  object G: TTestGrid\n    Columns = <\n      item\n        Wdth = 3\n      end>\n  end", 5,
       "TTestColumn has no property Wdth"},
      {"  object G: TTestGrid\n    Columns = <\n      item\n        Width = 'x'\n      end>\n  end", 5,
       "Width expects an integer"},
      {"  object T: TTestDataSet\n    Data = 'bytes'\n  end", 3, "Data expects a binary value"},
      {"  object T: TTestDataSet\n    ParamData = 5\n  end", 3, "ParamData expects a collection"},
      {"  object T: TTestDataSet\n    ParamData = <\n      item\n        Value = [a]\n      end>\n  end", 5,
       "Value expects a string or an integer"},
      {"  object I: TTestImages\n    Count = 1\n    Count = 2\n  end", 4, "assigned twice"},
  };
  for (const auto& c : cases) {
    std::string text = std::string("object frmPlain: TfrmPlainTest\n") + c.body + "\nend\n";
    std::unique_ptr<TComponent> form(New<TfrmPlainTest>(nullptr));
    try {
      ReadComponentFromText(*form, text);
      ADD_FAILURE() << "no error for:\n" << text;
    } catch (const EDefinitionError& e) {
      EXPECT_EQ(e.Line(), c.line) << text << "\n" << e.Message();
      EXPECT_EQ(e.Message().rfind("Line " + std::to_string(c.line) + ",", 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(c.fragment), std::string::npos) << text << "\n" << e.Message();
    }
    EXPECT_EQ(FindGlobalComponent("frmPlain"), nullptr) << "a failed root is not offered to others";
  }
}

TEST_F(ReaderTest, RootAndFieldMismatchesAreReported) {
  TfrmPlainTest* plain = Make<TfrmPlainTest>();
  try {
    ReadComponentFromText(*plain, "\nobject frmX: TfrmMainTest\nend");
    ADD_FAILURE();
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(e.Line(), 2);
    EXPECT_NE(e.Message().find("of class TfrmMainTest, not TfrmPlainTest"), std::string::npos) << e.Message();
  }

  struct Case {
    const char* text;
    int line;
    const char* fragment;
  } cases[] = {
      {"object f: TfrmFieldsTest\n  object Grid1: TTestControl\n  end\nend", 2,
       "Grid1 is a TTestControl, but the field Grid1 needs a TTestGrid"},
      {"object f: TfrmFieldsTest\n  object Grid1: TTestGrid\n  end\nend", 1,
       "the field Missing1 of TfrmFieldsTest has no component"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TComponent> form(New<TfrmFieldsTest>(nullptr));
    try {
      ReadComponentFromText(*form, c.text);
      ADD_FAILURE() << c.text;
    } catch (const EDefinitionError& e) {
      EXPECT_EQ(e.Line(), c.line) << e.Message();
      EXPECT_NE(e.Message().find(c.fragment), std::string::npos) << e.Message();
    }
  }
}

TEST_F(ReaderTest, ACrossRootReferenceToAMissingComponentIsReported) {
  TfrmImagesTest* images = Make<TfrmImagesTest>();
  ReadComponentFromText(*images, kImagesDefinition);
  // frmImages is alive and has no Images9: the reference cannot wait for anything.
  TfrmPlainTest* plain = Make<TfrmPlainTest>();
  try {
    ReadComponentFromText(*plain, "object frmPlain: TfrmPlainTest\n  object P: TTestPopup\n    Images = frmImages.Images9\n  end\nend");
    ADD_FAILURE();
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(e.Line(), 3);
    EXPECT_NE(e.Message().find("Images9, which is not a component of frmImages"), std::string::npos) << e.Message();
  }
  // A waiting reference whose root arrives without the component fails that root's read.
  forms_.clear();
  TfrmPlainTest* waiting = Make<TfrmPlainTest>();
  ReadComponentFromText(*waiting, "object frmPlain: TfrmPlainTest\n  object P: TTestPopup\n    Images = frmImages.Images9\n  end\nend");
  EXPECT_EQ(PendingGlobalReferenceCount(), 1);
  TfrmImagesTest* late = Make<TfrmImagesTest>();
  try {
    ReadComponentFromText(*late, kImagesDefinition);
    ADD_FAILURE();
  } catch (const EDefinitionError& e) {
    EXPECT_EQ(e.Line(), 3);
    EXPECT_NE(e.Message().find("in the definition of frmPlain"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(PendingGlobalReferenceCount(), 0);
}

}  // namespace readertest
