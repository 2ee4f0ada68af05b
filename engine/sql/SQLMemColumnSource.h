// What a field node needs of a query operator to read one of its columns: the look-up of a column by
// name and the read of a column of the current row. The query operators implement it; field nodes of
// select lists, WHERE and HAVING conditions bind to it instead of to a table cursor.
#pragma once
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemColumnSource {
 public:
  virtual ~TSQLMemColumnSource() = default;

  // Appends to result the indexes of the columns called fieldName (of the table or alias tableName
  // when it is not empty; names compare without regard to case) and returns how many were found.
  // markUsed makes the matched columns part of the output; a lookup for a condition leaves it false.
  virtual Integer FindColumns(const AnsiString& fieldName, const AnsiString& tableName, TSQLMemIntegerArray& result,
                              bool markUsed) = 0;
  // Reads column columnIndex of the current row into value (null when the column is null). allowHidden
  // lets conditions read columns that are not part of the output; option passes through.
  virtual void GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) = 0;
  virtual Integer GetColumnType(Integer columnIndex) const = 0;       // SQL field type
  virtual Integer GetColumnSize(Integer columnIndex) const = 0;       // declared size of text columns
  virtual Integer GetColumnPrecision(Integer columnIndex) const = 0;  // the further column attribute
  // Whether the source reads a table that has a field of this name; false for sources over other
  // operators. A condition whose fields all pass can be handed to that table's cursor.
  virtual bool TableHasField(const AnsiString& fieldName) const = 0;
};
