#include "engine/sql/SQLMemExprNodeBLOB.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/Exceptions.h"

TSQLMemExprNodeBLOBFunction::TSQLMemExprNodeBLOBFunction(Byte op, Integer format, const AnsiString& literal)
    : TSQLMemExprNode(op, true, false) {
  value_.Clear(edtBLOB);
  if (op != opToBlob) return;
  Integer size = 0;
  void* bytes = nullptr;
  try {
    bytes = format == 1 ? HexToBinaryBuffer(literal, size) : Mime64ToBinaryBuffer(literal, size);
  } catch (const ESQLMemException&) {
    throw;
  } catch (const Exception&) {
    SQLMemError(11344, SQLMemCannotConvertBLOBValue, {literal, format});
  }
  value_.AttachData(bytes, size);
}

TSQLMemVariant& TSQLMemExprNodeBLOBFunction::Evaluate() {
  if (operator_ != opToBlob) SQLMemError(11343, SQLMemUnknownOperator, {OperatorName(operator_)});
  return value_;
}
