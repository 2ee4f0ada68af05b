// The record copier: every record of one dataset inserted into another, field by field by name (or by
// position when the caller names the destination fields in order). A table's restructure copies its
// records into the new table by name, and INSERT ... SELECT copies a query's result into its target by
// position. Problems with single records do not stop the copy: they are
// collected as text, and an empty text means everything was copied.
#pragma once
#include <functional>
#include <vector>
#include "vcl/rtl/SysTypes.h"

class TDataSet;

struct TSQLMemBatchMoveOptions {
  // Told the percentage done (0 first, 100 last, and each new whole percent in between, as the number of
  // the next record over the record count, so the last report of the copy itself may pass 100); answers
  // true to stop. A table passes its DoProgress with the operation it runs. May be empty.
  std::function<bool(double percent)> Progress;
  // After the copy, each auto-increment field of an engine dataset destination that received values
  // continues after the highest copied value (below the lowest for a negative increment). The table's
  // import, restructure and repair ask for it; copies into a table that keeps its own values do not.
  bool TrackSequences = false;
  // When not empty, fields pair by position instead of by name: the i-th source field is copied into the
  // destination field named DestinationFields[i]; source fields past the end of the list are not copied.
  std::vector<AnsiString> DestinationFields;
  // Between two engine datasets, a field whose destination has the same engine type and size is copied
  // as the engine's value, past the destination field's change events: for destinations that no
  // application holds (INSERT ... SELECT's target).
  bool CopyEngineValues = false;
};

// Copies the records of `source`, from its first, into `destination` (open, in browse mode), then
// returns `source` to the record it was on. A source field is copied into the destination field of the
// same name (or the one DestinationFields names at its position) when the destination has a field definition and a field of that name; a null value clears
// the destination field. errorText gets one line per field that could not be copied (the field stays
// null), per record that could not be posted (that record is left out and the copy goes on), and ends
// the copy with a line when the source cannot move to its next record; "Operation aborted" when the
// progress answer stops it. Exceptions of opening the copy (browse mode, record count, bookmarks,
// First) and of starting an insert pass through.
void BatchMoveRecords(TDataSet& source, TDataSet& destination, const TSQLMemBatchMoveOptions& options,
                      AnsiString& errorText);
