// The data-aware controls read from a form definition: the grid with its options, border, colour and
// columns (titles included), the memo with its field, and both bound to a data source of the form.
#include "vcl/gui/DBControlClasses.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/db/ArrayDataSet.h"
#include "vcl/gui/DBGrid.h"
#include "vcl/gui/DBMemo.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

class TDiaryLikeForm : public TForm {
 public:
  using TForm::TForm;
  TDataSource* DS = nullptr;
  TDBGrid* Grid = nullptr;
  TDBMemo* Memo = nullptr;
  int cellClicks = 0;

  void DefineFields(TFieldTable& fields) override {
    fields.Add("DS", DS);
    fields.Add("Grid", Grid);
    fields.Add("Memo", Memo);
  }
  void DefineMethods(TMethodTable& methods) override {
    methods.Add("GridCellClick", this, &TDiaryLikeForm::GridCellClick);
  }
  void GridCellClick(TColumn*) { ++cellClicks; }
};

}  // namespace

TEST(DBControlDefinitions, GridAndMemoAreReadWithTheirColumnsAndFields) {
  RegisterGuiClasses();
  if (FindStreamedClass("TDataSource") == nullptr) RegisterStreamedClass<TDataSource, TComponent>("TDataSource");
  RegisterStreamedClass<TDiaryLikeForm, TForm>("TDiaryLikeForm");
  RegisterDefinitionText("TDiaryLikeForm", R"(
    object DiaryLikeForm: TDiaryLikeForm
      ClientWidth = 400
      ClientHeight = 300
      object DS: TDataSource
      end
      object Grid: TDBGrid
        Left = 10
        Top = 10
        Width = 200
        Height = 250
        Hint = 'Nap'
        Color = clWhite
        BorderStyle = bsNone
        DataSource = DS
        Options = [dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection, dgCancelOnExit]
        Columns = <
          item
            FieldName = 'Title'
            Title.Caption = 'Cím:'
            Width = 100
          end
          item
            FieldName = 'ID'
            Alignment = taCenter
            Visible = False
          end>
        OnCellClick = GridCellClick
      end
      object Memo: TDBMemo
        Left = 220
        Top = 10
        Width = 170
        Height = 250
        Hint = 'Szöveg'
        Color = clWhite
        BorderStyle = bsNone
        ScrollBars = ssVertical
        DataSource = DS
        DataField = 'Text'
        ReadOnly = True
      end
    end)");
  std::unique_ptr<TDiaryLikeForm> form(New<TDiaryLikeForm>(nullptr));
  UnregisterDefinitionText("TDiaryLikeForm");
  ASSERT_NE(form->Grid, nullptr);
  ASSERT_NE(form->Memo, nullptr);

  TDBGrid& grid = *form->Grid;
  EXPECT_EQ(grid.DataSource(), form->DS);
  EXPECT_EQ(grid.Hint(), "Nap");
  EXPECT_EQ(grid.Color(), clWhite);
  EXPECT_EQ(grid.BorderStyle(), bsNone);
  EXPECT_EQ(grid.Options(), (TDBGridOptions{dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                                            dgAlwaysShowSelection, dgCancelOnExit}));
  ASSERT_EQ(grid.Columns().Count(), 2);
  EXPECT_EQ(grid.Columns()[0]->FieldName(), "Title");
  EXPECT_EQ(grid.Columns()[0]->Title().Caption(), Utf8ToCp1250("Cím:"));
  EXPECT_EQ(grid.Columns()[0]->Width(), 100);
  EXPECT_EQ(grid.Columns()[1]->Alignment(), taCenter);
  EXPECT_FALSE(grid.Columns()[1]->Visible());
  ASSERT_TRUE(grid.OnCellClick);
  grid.OnCellClick(grid.Columns()[0]);
  EXPECT_EQ(form->cellClicks, 1);

  TDBMemo& memo = *form->Memo;
  EXPECT_EQ(memo.DataSource(), form->DS);
  EXPECT_EQ(memo.DataField(), "Text");
  EXPECT_TRUE(memo.ReadOnly());
  EXPECT_EQ(memo.ScrollBars(), ssVertical);
  EXPECT_EQ(memo.BorderStyle(), bsNone);
  EXPECT_EQ(memo.Hint(), Utf8ToCp1250("Szöveg"));

  // With data behind the source, both show it.
  auto* ds = New<dbtest::TArrayDataSet>(form.get(), std::vector<dbtest::Column>{
                                                         {"ID", ftInteger}, {"Title", ftString, 25}, {"Text", ftMemo}});
  ds->Open();
  ds->AppendRecord({1, Utf8ToCp1250("2024.01.08 - Hétfő"), Utf8ToCp1250("Első bejegyzés")});
  form->DS->SetDataSet(ds);
  form->Show();
  EXPECT_EQ(guitest::WindowClassOf(grid.Handle()), L"TDBGrid");
  EXPECT_EQ(guitest::WindowClassOf(memo.Handle()), L"TDBMemo");
  EXPECT_EQ(grid.SelectedField(), ds->FieldByName("Title"));
  EXPECT_EQ(memo.Text(), Utf8ToCp1250("Első bejegyzés"));
  EXPECT_EQ(grid.DataLink().BufferCount(), grid.VisibleRowCount());
  guitest::Pump();
}
