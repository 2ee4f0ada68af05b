#include "engine/dataset/SQLMemBatchMove.h"

#include <cmath>
#include <vector>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/DataSet.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace {

constexpr char kOperationAborted[] = "Operation aborted";

// A source field and the destination field it is copied into.
struct FieldPair {
  TField* source;
  TField* destination;
  // With sequence tracking: the destination's auto-increment field number (-1 when the field is not one),
  // its increment and the range of the values copied into it.
  Integer sequenceFieldNo = -1;
  Int64 increment = 1;
  bool seen = false;
  Int64 minimum = 0;
  Int64 maximum = 0;
  // For a copy of engine values: the fields' numbers in the source and destination cursors (-1: the
  // fields copy the value through the field objects).
  Integer sourceNo = -1;
  Integer destinationNo = -1;
};

// The number of the engine field behind `field` of an engine dataset, when it holds the same data as the
// destination's field number destinationNo (type and size, no BLOB); -1 otherwise.
Integer SameEngineField(TSQLMemDataSet& source, const TField& field, TSQLMemDataSet& destination, Integer destinationNo) {
  const Integer sourceNo = field.FieldNo() - 1;
  const TSQLMemFieldDefs& from = source.Cursor()->ProjectedFieldDefs();
  const TSQLMemFieldDefs& to = destination.Cursor()->ProjectedFieldDefs();
  if (sourceNo < 0 || sourceNo >= from.GetCount() || destinationNo < 0 || destinationNo >= to.GetCount()) return -1;
  const TSQLMemFieldDef& a = from.GetFieldDef(sourceNo);
  const TSQLMemFieldDef& b = to.GetFieldDef(destinationNo);
  if (!SameText(a.Name, field.FieldName()) || a.DataType != b.DataType || a.DataSize != b.DataSize ||
      IsBLOBDataType(a.DataType))
    return -1;
  return sourceNo;
}

void CopyValue(const FieldPair& pair, TSQLMemDataSet* engineSource, TSQLMemDataSet* engineDestination,
               TSQLMemVariant& value) {
  if (pair.sourceNo >= 0) {
    engineSource->GetFieldValue(value, pair.sourceNo);
    engineDestination->SetFieldValue(value, pair.destinationNo);
    return;
  }
  TField& from = *pair.source;
  TField& to = *pair.destination;
  if (from.IsNull())
    to.Clear();
  else if (to.DataType() == ftLargeint)
    to.SetAsLargeInt(from.AsLargeInt());
  else if (to.DataType() == ftBytes)
    to.SetAsString(from.AsString());
  else
    to.Assign(&from);
}

void TrackSequence(FieldPair& pair) {
  const TField& from = *pair.source;
  if (from.IsNull()) return;  // the destination numbers such a record itself
  const Int64 value = from.DataType() == ftLargeint ? from.AsLargeInt() : from.AsInteger();
  if (!pair.seen) {
    pair.seen = true;
    pair.minimum = pair.maximum = value;
  } else if (pair.increment < 0) {
    pair.minimum = std::min(pair.minimum, value);
  } else {
    pair.maximum = std::max(pair.maximum, value);
  }
}

}  // namespace

void BatchMoveRecords(TDataSet& source, TDataSet& destination, const TSQLMemBatchMoveOptions& options,
                      AnsiString& errorText) {
  errorText.clear();
  Int64 recordNo = 1;
  source.CheckBrowseMode();
  const Int64 total = source.RecordCount();
  const auto progress = [&](double percent) { return options.Progress ? options.Progress(percent) : false; };
  if (progress(0)) {
    errorText = kOperationAborted;
    return;
  }
  TBookmark start = source.GetBookmark();
  auto* engineDestination = dynamic_cast<TSQLMemDataSet*>(&destination);
  auto* engineSource = dynamic_cast<TSQLMemDataSet*>(&source);
  const bool engineCopy = options.CopyEngineValues && engineSource != nullptr && engineSource->Cursor() != nullptr &&
                          engineDestination != nullptr && engineDestination->Cursor() != nullptr;
  TSQLMemVariant value;
  const bool tracking =
      options.TrackSequences && engineDestination != nullptr && engineDestination->Cursor() != nullptr;

  source.First();
  std::vector<FieldPair> pairs;
  const bool byPosition = !options.DestinationFields.empty();
  for (int i = 0; i < source.Fields().Count(); ++i) {
    TField* from = source.Fields()[i];
    if (byPosition && static_cast<std::size_t>(i) >= options.DestinationFields.size()) break;
    const AnsiString& name = byPosition ? options.DestinationFields[static_cast<std::size_t>(i)] : from->FieldName();
    const int defIndex = destination.FieldDefs().IndexOf(name);
    if (defIndex < 0) continue;
    TField* to = destination.FindField(name);
    if (to == nullptr) continue;
    FieldPair pair{from, to};
    if (engineCopy) {
      pair.sourceNo = SameEngineField(*engineSource, *from, *engineDestination, defIndex);
      if (pair.sourceNo >= 0) pair.destinationNo = defIndex;
    }
    if (tracking) {
      // The destination's definitions as its cursor reports them, one per field position.
      const TSQLMemFieldDefs& engineDefs = engineDestination->Cursor()->ProjectedFieldDefs();
      if (defIndex < engineDefs.GetCount()) {
        const TSQLMemFieldDef& def = engineDefs.GetFieldDef(defIndex);
        if (IsAutoIncFieldType(def.FieldType)) {
          // The sequence belongs to the table's field that this position shows.
          pair.sequenceFieldNo = def.TableFieldNo >= 0 ? def.TableFieldNo : defIndex;
          pair.increment = def.Increment;
        }
      }
    }
    pairs.push_back(pair);
  }

  Int64 lastPercent = 0;
  while (!source.Eof()) {
    destination.Insert();
    for (FieldPair& pair : pairs) {
      try {
        CopyValue(pair, engineSource, engineDestination, value);
      } catch (const Exception& e) {
        errorText +=
            Format("Error copying table. Record #%d, field '%s' was copied with Null value due to error: %s\r\n",
                   {recordNo, pair.source->FieldName(), e.Message()});
        try {
          pair.destination->Clear();
        } catch (const Exception&) {  // the field keeps what the failed copy left
        }
      }
      if (pair.sequenceFieldNo >= 0) {
        try {
          TrackSequence(pair);
        } catch (const Exception&) {  // a value that is no number does not move the sequence
        }
      }
    }
    try {
      destination.Post();
    } catch (const Exception& e) {
      errorText +=
          Format("Error copying table. Record #%d was not imported due to error: %s\r\n", {recordNo, e.Message()});
      // The record is left out; without the cancel the next insert would try to post it again.
      destination.Cancel();
    }
    ++recordNo;
    try {
      source.Next();
    } catch (const Exception&) {
      errorText += "\r\n";
      errorText += Format("Cannot retieve record #%d, operation aborted. %d records were successfully copied\r\n",
                          {recordNo, recordNo - 1});
      return;
    }
    if (total > 0) {
      const double percent = static_cast<double>(recordNo) * 100.0 / static_cast<double>(total);
      if (static_cast<Int64>(std::floor(percent)) > lastPercent) {
        if (progress(percent)) {
          errorText += "\r\n";
          errorText += kOperationAborted;
          break;
        }
        lastPercent = static_cast<Int64>(std::floor(percent));
      }
    }
  }

  if (tracking) {
    // Only fields that received values: a sequence nothing was copied into keeps counting on its own.
    TSQLMemCursor& cursor = *engineDestination->Cursor();
    for (const FieldPair& pair : pairs) {
      if (pair.sequenceFieldNo < 0 || !pair.seen) continue;
      const Int64 kept = pair.increment < 0 ? pair.minimum : pair.maximum;
      cursor.SetLastAutoincValue(pair.sequenceFieldNo, kept);
      // The session's last value alone would let the next record take an id that was copied: the
      // table's sequence continues after the kept value too.
      if (auto* local = dynamic_cast<TSQLMemLocalCursor*>(&cursor))
        if (auto* table = dynamic_cast<TSQLMemMemoryTableData*>(local->TableData()))
          table->SetFieldSequenceValue(pair.sequenceFieldNo, kept);
    }
  }
  if (!start.IsNull()) source.GotoBookmark(start);
  source.FreeBookmark(start);
  progress(100);
}
