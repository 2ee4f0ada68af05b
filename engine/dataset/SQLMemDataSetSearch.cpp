// The engine dataset's searching and filters: FindRecord, Locate and Lookup, the text filter handed
// to the cursor and the OnFilterRecord callback the cursor asks for every record.
#include <cstring>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TryFinally.h"

// ---- filters ----

void TSQLMemDataSet::ApplyTextFilter(TSQLMemCursor& cursor) {
  if (!Filter().empty()) {
    TSQLMemFilterOptions options;
    options.CaseInsensitive = FilterOptions().Contains(foCaseInsensitive);
    options.PartialCompare = !FilterOptions().Contains(foNoPartialCompare);
    cursor.SetFilterText(Filter(), options);
  } else {
    cursor.ClearFilterText();
  }
}

void TSQLMemDataSet::ActivateFilters() {
  TSQLMemCursor& cursor = CheckCursor(10269);
  ApplyTextFilter(cursor);
  if (OnFilterRecord())
    cursor.RecordFilter = [this](TSQLMemCursor& /*cursor*/, const Byte* recordBuffer) { return FilterRecord(recordBuffer); };
  else
    cursor.RecordFilter = nullptr;
  // Records the cursor remembers as passing were judged by the filters before.
  cursor.ResetFilterBitmap();
}

void TSQLMemDataSet::DeactivateFilters() {
  TSQLMemCursor& cursor = CheckCursor(10270);
  cursor.ClearFilterText();
  // Without Filtered the callback would pass every record; the cursor need not ask it at all.
  cursor.RecordFilter = nullptr;
  cursor.ResetFilterBitmap();
}

bool TSQLMemDataSet::FilterRecord(const Byte* recordBuffer) {
  if (!(Filtered() || searching_) || !OnFilterRecord() || cursor_ == nullptr || recordBuffer == nullptr) return true;
  TSQLMemCursor& cursor = *cursor_;
  // The table hands over its own copy of the record's data, without the dataset's areas behind it:
  // the handler reads a full buffer of the dataset's, whose bookmark names no stored position (so
  // that reading a field never moves the cursor in the middle of the table's scan).
  const Integer dataSize = cursor.TrailerOffset;
  filterRecord_.assign(static_cast<std::size_t>(cursor.RecordBufferSize), 0);
  std::memcpy(filterRecord_.data(), recordBuffer, static_cast<std::size_t>(dataSize));
  Byte* record = filterRecord_.data();
  const Integer noPosition = -1;
  std::memcpy(record + dataSize, &noPosition, 4);
  std::memset(record + dataSize + 4, 0xFF, 2);
  record[dataSize + kSQLMemPositionSize] = bfInserted;

  // The handler's field reads point the cursor at the record (BLOBs are read through it); the scan
  // gets its cursor back as it was.
  Byte* savedCursorBuffer = cursor.CurrentRecordBuffer;
  const Integer savedPageNo = cursor.PageNo;
  const SmallInt savedItemNo = cursor.ItemNo;
  const Byte savedBof = cursor.Bof, savedEof = cursor.Eof;
  Byte* savedFilterBuffer = filterBuffer_;
  const TDataSetState saved = SetTempState(dsFilter);
  filterBuffer_ = record;
  cursor.CurrentRecordBuffer = record;
  auto restore = [&] {
    filterBuffer_ = savedFilterBuffer;
    RestoreState(saved);
    cursor.CurrentRecordBuffer = savedCursorBuffer;
    cursor.PageNo = savedPageNo;
    cursor.ItemNo = savedItemNo;
    cursor.Bof = savedBof;
    cursor.Eof = savedEof;
  };
  bool accept = true;
  try {
    OnFilterRecord()(this, accept);
  } catch (...) {
    // The application reports the handler's failure; the record keeps the answer it had.
    try {
      InternalHandleException();
    } catch (...) {
      restore();
      throw;
    }
  }
  restore();
  return accept;
}

void TSQLMemDataSet::SetFiltered(bool value) {
  if (!Active()) {
    TDataSet::SetFiltered(value);
    return;
  }
  CheckCursor(10267);
  if (value == Filtered()) return;
  CheckBrowseMode();
  if (value)
    ActivateFilters();
  else
    DeactivateFilters();
  TDataSet::SetFiltered(value);
  First();
}

void TSQLMemDataSet::SetFilterText(const AnsiString& value) {
  const bool changed = value != Filter();
  TDataSet::SetFilterText(value);
  if (Active() && Filtered() && changed) {
    CheckCursor(10266);
    CheckBrowseMode();
    ActivateFilters();
    First();
  }
}

void TSQLMemDataSet::SetFilterOptions(TFilterOptions value) {
  const bool changed = !(value == FilterOptions());
  TDataSet::SetFilterOptions(value);
  if (Active() && Filtered() && changed) {
    CheckCursor(10266);
    CheckBrowseMode();
    ActivateFilters();
    First();
  }
}

void TSQLMemDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
  if (!Active()) {
    TDataSet::SetOnFilterRecord(value);
    return;
  }
  CheckCursor(10275);
  CheckBrowseMode();
  const bool hadHandler = static_cast<bool>(OnFilterRecord());
  TDataSet::SetOnFilterRecord(value);
  if (hadHandler != static_cast<bool>(value)) {
    if (Filtered())
      ActivateFilters();
    else
      DeactivateFilters();
  }
  // Records the cursor remembers as passing were judged by the handler before.
  cursor_->ResetFilterBitmap();
  if (Filtered()) First();
}

// ---- FindRecord ----

bool TSQLMemDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  TSQLMemCursor& cursor = CheckCursor(10280);
  // The search starts at the active record and then walks the cursor on its own: the framework's
  // current record is forgotten, so that it neither pulls the cursor back at each step nor believes
  // the cursor still stands where it was.
  CursorPosChanged();
  UpdateCursorPos();
  CursorPosChanged();
  // A set that is not Filtered searches with its filters all the same: the text filter through the
  // cursor for the duration, the OnFilterRecord handler here, record by record. (In the cursor the
  // handler would make a remembered set of passing records, from which no search can start at a
  // record outside it.)
  const bool textFilterAdded = !Filtered() && !Filter().empty();
  const bool testHere = !Filtered() && static_cast<bool>(OnFilterRecord());
  bool found = false;
  Byte* buffer = AllocRecordBuffer();
  searching_ = true;
  TryFinally(
      [&] {
        if (textFilterAdded) ApplyTextFilter(cursor);
        if (restart) {
          if (goForward)
            InternalFirst();
          else
            InternalLast();
        }
        const TGetMode mode = goForward ? gmNext : gmPrior;
        while (GetRecord(buffer, mode, false) == grOK) {
          if (!testHere || FilterRecord(buffer)) {
            found = true;
            break;
          }
        }
      },
      [&] {
        searching_ = false;
        FreeRecordBuffer(buffer);
        if (textFilterAdded) DeactivateFilters();
        CursorPosChanged();
      });
  if (found) {
    Resync(TResyncMode{rmExact, rmCenter});
    SetFound(true);
    DoAfterScroll();
  }
  return found;
}

// ---- Locate and Lookup ----

bool TSQLMemDataSet::LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
  TSQLMemCursor& cursor = CheckCursor(10271);
  Byte* buffer = TempBuffer();
  if (buffer == nullptr) SQLMemError(10271, SQLMemNilPointer);
  Byte* savedFilterBuffer = filterBuffer_;
  const TDataSetState saved = SetTempState(dsFilter);
  filterBuffer_ = buffer;
  // The cursor reads the record it finds into its current buffer.
  cursor.CurrentRecordBuffer = buffer;
  bool found = false;
  TryFinally(
      [&] {
        found = cursor.Locate(keyFields, keyValues, options.Contains(loCaseInsensitive),
                              options.Contains(loPartialKey));
      },
      [&] {
        filterBuffer_ = savedFilterBuffer;
        RestoreState(saved);
      });
  return found;
}

bool TSQLMemDataSet::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
  DoBeforeScroll();
  CheckBrowseMode();
  CursorPosChanged();
  CheckCursor(10271);
  const bool found = LocateRecord(keyFields, keyValues, options);
  if (found) {
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
  }
  return found;
}

Variant TSQLMemDataSet::Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) {
  Variant result = Null();
  CheckBrowseMode();
  CursorPosChanged();
  CheckCursor(10271);
  if (!LocateRecord(keyFields, keyValues, TLocateOptions{})) return result;
  const TDataSetState saved = SetTempState(dsCalcFields);
  TryFinally(
      [&] {
        CalculateFields(TempBuffer());
        result = FieldValues(resultFields);
      },
      [&] { RestoreState(saved); });
  return result;
}
