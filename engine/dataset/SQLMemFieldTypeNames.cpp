#include "engine/dataset/SQLMemFieldTypeNames.h"

const TIdents<TFieldType>& FieldTypeIdents() {
  static const TIdents<TFieldType> idents = {
      {"ftUnknown", ftUnknown}, {"ftString", ftString}, {"ftSmallint", ftSmallint}, {"ftInteger", ftInteger},
      {"ftWord", ftWord}, {"ftBoolean", ftBoolean}, {"ftFloat", ftFloat}, {"ftCurrency", ftCurrency},
      {"ftBCD", ftBCD}, {"ftDate", ftDate}, {"ftTime", ftTime}, {"ftDateTime", ftDateTime},
      {"ftBytes", ftBytes}, {"ftVarBytes", ftVarBytes}, {"ftAutoInc", ftAutoInc}, {"ftBlob", ftBlob},
      {"ftMemo", ftMemo}, {"ftGraphic", ftGraphic}, {"ftFmtMemo", ftFmtMemo}, {"ftParadoxOle", ftParadoxOle},
      {"ftDBaseOle", ftDBaseOle}, {"ftTypedBinary", ftTypedBinary}, {"ftCursor", ftCursor},
      {"ftFixedChar", ftFixedChar}, {"ftWideString", ftWideString}, {"ftLargeint", ftLargeint},
      {"ftADT", ftADT}, {"ftArray", ftArray}, {"ftReference", ftReference}, {"ftDataSet", ftDataSet},
      {"ftOraBlob", ftOraBlob}, {"ftOraClob", ftOraClob}, {"ftVariant", ftVariant},
      {"ftInterface", ftInterface}, {"ftIDispatch", ftIDispatch}, {"ftGuid", ftGuid},
      {"ftTimeStamp", ftTimeStamp}, {"ftFMTBcd", ftFMTBcd}, {"ftFixedWideChar", ftFixedWideChar},
      {"ftWideMemo", ftWideMemo}};
  return idents;
}
