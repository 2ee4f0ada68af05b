#include "vcl/gui/DBControlClasses.h"

#include "vcl/gui/DBGrid.h"
#include "vcl/gui/DBMemo.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

const TIdents<TAlignment> kAlignments = {
    {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
const TIdents<TBorderStyle> kBorderStyles = {{"bsNone", bsNone}, {"bsSingle", bsSingle}};
const TIdents<TDBGridOption> kGridOptions = {
    {"dgEditing", dgEditing},
    {"dgAlwaysShowEditor", dgAlwaysShowEditor},
    {"dgTitles", dgTitles},
    {"dgIndicator", dgIndicator},
    {"dgColumnResize", dgColumnResize},
    {"dgColLines", dgColLines},
    {"dgRowLines", dgRowLines},
    {"dgTabs", dgTabs},
    {"dgRowSelect", dgRowSelect},
    {"dgAlwaysShowSelection", dgAlwaysShowSelection},
    {"dgConfirmDelete", dgConfirmDelete},
    {"dgCancelOnExit", dgCancelOnExit},
    {"dgMultiSelect", dgMultiSelect},
};

}  // namespace

void RegisterDBControlClasses() {
  RegisterStreamedClass<TColumnTitle>("TColumnTitle", [](TPropertyTableOf<TColumnTitle>& p) {
    p.StringProp("Caption", &TColumnTitle::SetCaption);
    p.EnumProp("Alignment", &TColumnTitle::SetAlignment, kAlignments);
  });
  RegisterStreamedClass<TColumn>("TColumn", [](TPropertyTableOf<TColumn>& p) {
    p.StringProp("FieldName", &TColumn::SetFieldName);
    p.IntegerProp("Width", &TColumn::SetWidth);
    p.EnumProp("Alignment", &TColumn::SetAlignment, kAlignments);
    p.BoolProp("Visible", &TColumn::SetVisible);
    p.ObjectProp("Title", [](TColumn& c) -> TColumnTitle& { return c.Title(); });
  });
  RegisterStreamedClass<TDBGrid, TCustomControl>("TDBGrid", [](TPropertyTableOf<TDBGrid>& p) {
    p.ComponentProp("DataSource", &TDBGrid::SetDataSource);
    p.CollectionProp("Columns", &TDBGrid::Columns);
    p.SetProp<TDBGridOptions>("Options", &TDBGrid::SetOptions, kGridOptions);
    p.EnumProp("BorderStyle", &TDBGrid::SetBorderStyle, kBorderStyles);
    p.EventProp("OnCellClick", &TDBGrid::OnCellClick);
    p.EventProp("OnTitleClick", &TDBGrid::OnTitleClick);
  });
  RegisterStreamedClass<TDBMemo, TCustomMemo>("TDBMemo", [](TPropertyTableOf<TDBMemo>& p) {
    p.ComponentProp("DataSource", &TDBMemo::SetDataSource);
    p.StringProp("DataField", &TDBMemo::SetDataField);
    p.BoolProp("ReadOnly", &TDBMemo::SetReadOnly);
  });
}
