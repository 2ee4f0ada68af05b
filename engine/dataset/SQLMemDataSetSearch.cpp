// The engine dataset's searching and filters: FindRecord, Locate and Lookup, the text filter handed
// to the cursor and the OnFilterRecord callback the cursor asks for every record.
#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/rtl/Exceptions.h"

namespace {

// Runs cleanup after body, also when body raises; when both raise, body's error goes on.
template <class Body, class Cleanup>
void WithCleanup(Body&& body, Cleanup&& cleanup) {
  try {
    body();
  } catch (...) {
    try {
      cleanup();
    } catch (...) {
    }
    throw;
  }
  cleanup();
}

}  // namespace

// ---- filters ----

void TSQLMemDataSet::ActivateFilters() {
  TSQLMemCursor& cursor = CheckCursor(10269);
  if (!Filter().empty()) {
    TSQLMemFilterOptions options;
    options.CaseInsensitive = FilterOptions().Contains(foCaseInsensitive);
    options.PartialCompare = !FilterOptions().Contains(foNoPartialCompare);
    cursor.SetFilterText(Filter(), options);
  } else {
    cursor.ClearFilterText();
  }
  if (OnFilterRecord())
    cursor.RecordFilter = [this](TSQLMemCursor& /*cursor*/, const Byte* recordBuffer) { return FilterRecord(recordBuffer); };
  else
    cursor.RecordFilter = nullptr;
  // Records the cursor remembers as passing were judged by the filters before.
  cursor.ResetFilterBitmap();
}

void TSQLMemDataSet::DeactivateFilters() { CheckCursor(10270).ClearFilterText(); }

bool TSQLMemDataSet::FilterRecord(const Byte* recordBuffer) {
  if (!(Filtered() || searching_) || !OnFilterRecord()) return true;
  bool accept = true;
  Byte* savedFilterBuffer = filterBuffer_;
  const TDataSetState saved = SetTempState(dsFilter);
  // The handler reads the record through the field objects; it is never written through them here.
  filterBuffer_ = const_cast<Byte*>(recordBuffer);
  auto restore = [&] {
    filterBuffer_ = savedFilterBuffer;
    RestoreState(saved);
  };
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
  if (Filtered()) First();
}

// ---- FindRecord ----

bool TSQLMemDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  TSQLMemCursor& cursor = CheckCursor(10280);
  UpdateCursorPos();
  const bool activated = !Filtered();
  if (activated) ActivateFilters();
  bool found = false;
  Byte* buffer = AllocRecordBuffer();
  searching_ = true;
  WithCleanup(
      [&] {
        if (goForward) {
          if (restart) InternalFirst();
          found = GetRecord(buffer, gmNext, false) == grOK;
        } else {
          if (restart) InternalLast();
          found = GetRecord(buffer, gmPrior, false) == grOK;
        }
      },
      [&] {
        searching_ = false;
        FreeRecordBuffer(buffer);
        if (activated) DeactivateFilters();
        cursor.ResetFilterBitmap();
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
  WithCleanup(
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
  SetFound(found);
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
  WithCleanup(
      [&] {
        CalculateFields(TempBuffer());
        result = FieldValues(resultFields);
      },
      [&] { RestoreState(saved); });
  return result;
}
