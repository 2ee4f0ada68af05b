// One item of a select list as the SELECT parser delivers it: a column (or "*") or an expression, with
// the alias given to it. Conditions resolve names that are aliases of plain columns through it.
#pragma once
#include "vcl/rtl/SysTypes.h"

class TSQLMemExpression;

struct TSQLMemSelectListItem {
  AnsiString TableName;     // table name or alias written before the column; empty when none
  bool AllColumns = false;  // "*", alone or after a table name
  AnsiString FieldName;     // column name as written
  bool IsExpression = false;
  TSQLMemExpression* Expression = nullptr;  // the parsed expression when IsExpression; not owned by the item
  AnsiString Alias;         // the name given with AS; empty when none
};
