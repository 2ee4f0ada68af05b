// The engine dataset's editing: insert, edit, cancel, post, add record and delete over the cursor's
// write protocol, with the database's record events around them.
//
// The cursor's record operations never raise for a failure of the table; they leave a result code
// and a text. The codes each step expects are handled here by name; any other nonzero code is raised
// as a database error with the cursor's text, so that no failure of the table passes as success.
#include <cstring>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/db/DBConsts.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/StrUtils.h"

namespace {

// Result codes of the cursor's record operations.
constexpr Integer kResultOk = 0;
constexpr Integer kAddFailed = -1;
constexpr Integer kDeleteFailed = -3;
constexpr Integer kModifiedByOther = -5;
constexpr Integer kDeletedByOther = -7;
constexpr Integer kTemporaryUpdate = -9;
constexpr Integer kTemporaryDelete = -10;
constexpr Integer kTemporaryDiscard = -11;

// The cursor's own text; when it has none, what was being done and the code, so that the message
// never comes out empty.
[[noreturn]] void RaiseCursorFailure(const TSQLMemCursor& cursor, const AnsiString& action) {
  if (!cursor.ErrorText.empty()) DatabaseError(cursor.ErrorText);
  DatabaseError(action + "result code " + IntToStr(cursor.ResultCode));
}

// Clears the value arrays a step filled, on every way out of it.
class TValueArraysGuard {
 public:
  TValueArraysGuard() = default;
  TValueArraysGuard(const TValueArraysGuard&) = delete;
  TValueArraysGuard& operator=(const TValueArraysGuard&) = delete;
  ~TValueArraysGuard() {
    for (TSQLMemArrayOfTSQLMemVariant* values : arrays_)
      for (auto& value : *values)
        if (value != nullptr) value->Clear();
  }
  void Add(TSQLMemArrayOfTSQLMemVariant& values) { arrays_.push_back(&values); }

 private:
  std::vector<TSQLMemArrayOfTSQLMemVariant*> arrays_;
};

}  // namespace

// ---- the record events ----

AnsiString TSQLMemDataSet::EventTableName() const {
  if (cursor_ != nullptr && !cursor_->TableName.empty()) return cursor_->TableName;
  return "Unknown table";
}

bool TSQLMemDataSet::HasBeforeInsertRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->BeforeInsertRecord);
}
bool TSQLMemDataSet::HasAfterInsertRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->AfterInsertRecord);
}
bool TSQLMemDataSet::HasBeforeUpdateRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->BeforeUpdateRecord);
}
bool TSQLMemDataSet::HasAfterUpdateRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->AfterUpdateRecord);
}
bool TSQLMemDataSet::HasBeforeDeleteRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->BeforeDeleteRecord);
}
bool TSQLMemDataSet::HasAfterDeleteRecordEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->AfterDeleteRecord);
}
bool TSQLMemDataSet::HasBeforeExecuteSQLEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->BeforeExecuteSQL);
}
bool TSQLMemDataSet::HasAfterExecuteSQLEvent() const {
  return database_ != nullptr && static_cast<bool>(database_->AfterExecuteSQL);
}

void TSQLMemDataSet::ReadFieldValues(TSQLMemArrayOfTSQLMemVariant& values) {
  TSQLMemCursor& cursor = CheckCursor(10315);
  const Integer count = std::min<Integer>(static_cast<Integer>(values.size()), cursor.ProjectedFieldDefs().GetCount());
  for (Integer i = 0; i < count; ++i) {
    if (values[static_cast<std::size_t>(i)] == nullptr) values[static_cast<std::size_t>(i)] = std::make_unique<TSQLMemVariant>();
    ReadCursorField(*values[static_cast<std::size_t>(i)], i);
  }
  fieldChanged_ = false;
}

void TSQLMemDataSet::ClearFieldValues(TSQLMemArrayOfTSQLMemVariant& values) noexcept {
  for (auto& value : values)
    if (value != nullptr) value->Clear();
}

// ---- insert, edit, cancel ----

void TSQLMemDataSet::InternalInsert() {
  if (ReadOnly()) return;
  // The engine keeps no state for a record being inserted: the framework's InitRecord has already
  // cleared the new buffer with the table's defaults, and the post writes it.
  CheckCursor(10064);
}

void TSQLMemDataSet::InternalEdit() {
  if (ReadOnly()) return;
  TSQLMemCursor& cursor = CheckCursor(10065);
  Byte* active = ActiveBuffer();
  if (active == nullptr) SQLMemError(10067, SQLMemNilPointer);
  cursor.CurrentRecordBuffer = active;
  // The memory tables take no record locks; the call tells whether the table can be edited at all.
  try {
    cursor.CancelRecord();
  } catch (const Exception& e) {
    DatabaseError(AnsiString(SQLMemErrorEditingRecord) + e.Message());
  }
  switch (cursor.ResultCode) {
    case kResultOk:
      break;
    case kTemporaryUpdate:
      DatabaseError(SQLMemCannotUpdateRecordTemporaryMode);
    default:
      RaiseCursorFailure(cursor, SQLMemErrorEditingRecord);
  }
  const Integer size = GetRecordSize();
  Byte* copy = static_cast<Byte*>(MemoryManager().GetMem(size));
  std::memcpy(copy, active, static_cast<std::size_t>(size));
  if (editCopy_ != nullptr) {
    void* old = editCopy_;
    MemoryManager().FreeMem(old);
  }
  editCopy_ = copy;
  if (HasUpdateHandler()) ReadFieldValues(oldValues_);
}

void TSQLMemDataSet::InternalCancel() {
  TSQLMemCursor& cursor = CheckCursor(10066);
  const bool inserting = State() == dsInsert;
  if (State() == dsEdit && HasUpdateHandler()) ClearFieldValues(oldValues_);
  if (editCopy_ != nullptr) {
    void* copy = editCopy_;
    editCopy_ = nullptr;
    MemoryManager().FreeMem(copy);
  }
  if (Byte* active = ActiveBuffer()) cursor.CurrentRecordBuffer = active;
  cursor.DiscardRecordChanges();
  // A temporary table keeps nothing to discard: cancelling there is done when the buffer is dropped.
  if (cursor.ResultCode != kResultOk && cursor.ResultCode != kTemporaryDiscard)
    RaiseCursorFailure(cursor, inserting ? SQLMemErrorInsertingRecord : SQLMemErrorUpdatingRecord);
}

// ---- post ----

void TSQLMemDataSet::InternalPost() {
  if (!Active()) SQLMemError(10029, SQLMemDatasetNotOpened);
  const bool inserting = State() == dsInsert;
  const bool editing = State() == dsEdit;
  if (!inserting && !editing) SQLMemError(10030, SQLMemDatasetNotInInsertOrEdit);
  if (ReadOnly()) SQLMemError(10032, SQLMemDatasetReadOnly);
  TSQLMemCursor& cursor = CheckCursor(10048);

  TValueArraysGuard cleared;
  cursor.CurrentRecordBuffer = ActiveBuffer();
  // The edit copy is the old image for this post only; the cursor never keeps a pointer to it.
  struct TOldImage {
    TSQLMemCursor& cursor;
    ~TOldImage() { cursor.PreviousRecordBuffer = nullptr; }
  } oldImage{cursor};
  if (editing) cursor.PreviousRecordBuffer = editCopy_;
  const AnsiString tableName = EventTableName();
  if ((inserting && HasInsertHandler()) || (editing && HasUpdateHandler())) {
    cleared.Add(newValues_);
    ReadFieldValues(newValues_);
  }
  if (inserting && HasBeforeInsertRecordEvent() && database_->DoBeforeInsertRecord(this, tableName, newValues_))
    DatabaseError(SQLMemInsertBlockedByEvent);
  if (editing && HasBeforeUpdateRecordEvent() &&
      database_->DoBeforeUpdateRecord(this, tableName, oldValues_, newValues_))
    DatabaseError(SQLMemUpdateBlockedByEvent);

  try {
    cursor.PostRecord(inserting);
  } catch (const Exception& e) {
    DatabaseError(AnsiString(inserting ? SQLMemErrorInsertingRecord : SQLMemErrorUpdatingRecord) + e.Message());
  }
  cursor.PreviousRecordBuffer = nullptr;
  if (cursor.ResultCode != kResultOk)
    RaiseCursorFailure(cursor, inserting ? SQLMemErrorInsertingRecord : SQLMemErrorUpdatingRecord);
  if (editing) {
    // The edit is over: its copy and the old values go with it. After a failed post both stay, so
    // that the next attempt hands the handlers the record as it was.
    void* copy = editCopy_;
    editCopy_ = nullptr;
    MemoryManager().FreeMem(copy);
    cleared.Add(oldValues_);
  }
  // The cursor has written its position into the buffer, which therefore names a stored record.
  SetBookmarkFlag(ActiveBuffer(), bfCurrent);
  recordWritten_ = true;

  if (inserting && HasAfterInsertRecordEvent()) {
    if (fieldChanged_) ReadFieldValues(newValues_);
    database_->DoAfterInsertRecord(this, tableName, newValues_);
  } else if (editing && HasAfterUpdateRecordEvent()) {
    if (fieldChanged_) ReadFieldValues(newValues_);
    database_->DoAfterUpdateRecord(this, tableName, oldValues_, newValues_);
  }
}

void TSQLMemDataSet::AppendRecordDirect(const TSQLMemVariant* const* values, Integer count) {
  if (HasInsertHandler() || State() != dsBrowse) {
    Append();
    for (Integer i = 0; i < count; ++i) SetFieldValue(*values[i], i);
    Post();
    return;
  }
  if (ReadOnly()) SQLMemError(10032, SQLMemDatasetReadOnly);
  TSQLMemCursor& cursor = CheckCursor(10048);
  // The cursor's buffer is the dataset's between calls: it is given back on every way out.
  struct TRecord {
    TSQLMemCursor& cursor;
    Byte* const kept;
    Byte* buffer;
    ~TRecord() {
      cursor.CurrentRecordBuffer = kept;
      cursor.FreeRecordBuffer(buffer);
    }
  } record{cursor, cursor.CurrentRecordBuffer, cursor.AllocRecordBuffer()};
  std::memset(record.buffer, 0, static_cast<std::size_t>(cursor.RecordBufferSize));
  cursor.ClearRecordBuffer(record.buffer, true);
  cursor.CurrentRecordBuffer = record.buffer;
  for (Integer i = 0; i < count; ++i) WriteCursorField(cursor, *values[i], i);
  try {
    cursor.PostRecord(true);
  } catch (const Exception& e) {
    DatabaseError(AnsiString(SQLMemErrorInsertingRecord) + e.Message());
  }
  if (cursor.ResultCode != kResultOk) RaiseCursorFailure(cursor, SQLMemErrorInsertingRecord);
}

void TSQLMemDataSet::InternalAddRecord(Byte* buffer, bool /*append*/) {
  if (!Active()) SQLMemError(10075, SQLMemDatasetNotOpened);
  if (State() != dsInsert) SQLMemError(10076, SQLMemDatasetNotInInsertOrEdit);
  if (ReadOnly()) SQLMemError(10077, SQLMemDatasetReadOnly);
  TSQLMemCursor& cursor = CheckCursor(10078);
  if (buffer == nullptr) SQLMemError(10078, SQLMemNilPointer);

  TValueArraysGuard cleared;
  cursor.CurrentRecordBuffer = buffer;
  const AnsiString tableName = EventTableName();
  if (HasInsertHandler()) {
    cleared.Add(newValues_);
    ReadFieldValues(newValues_);
  }
  if (HasBeforeInsertRecordEvent() && database_->DoBeforeInsertRecord(this, tableName, newValues_))
    DatabaseError(SQLMemInsertBlockedByEvent);
  cursor.PostRecord(true);
  switch (cursor.ResultCode) {
    case kResultOk:
      break;
    case kAddFailed:
      DatabaseErrorFmt(SQLMemErrorAddingRecord,
                       {cursor.TableName, BoolToStr(cursor.InMemory != 0, true), BoolToStr(cursor.Temporary != 0, true)});
    default:
      RaiseCursorFailure(cursor, SQLMemErrorInsertingRecord);
  }
  SetBookmarkFlag(buffer, bfCurrent);
  recordWritten_ = true;
  if (HasAfterInsertRecordEvent()) {
    if (fieldChanged_) ReadFieldValues(newValues_);
    database_->DoAfterInsertRecord(this, tableName, newValues_);
  }
}

// ---- delete ----

void TSQLMemDataSet::InternalDelete() {
  if (!Active()) SQLMemError(10068, SQLMemDatasetNotOpened);
  if (ReadOnly()) SQLMemError(10069, SQLMemDatasetReadOnly);
  CheckCursor(10070);
  if (ActiveBuffer() == nullptr || IsEmpty()) SQLMemError(10071, SQLMemNilPointer);
  // The old values and the position come from the record as stored, not as edited.
  if (State() == dsEdit || State() == dsInsert) Cancel();
  TSQLMemCursor& cursor = CheckCursor(10070);
  Byte* active = ActiveBuffer();
  if (active == nullptr || IsEmpty()) SQLMemError(10071, SQLMemNilPointer);

  TValueArraysGuard cleared;
  cursor.CurrentRecordBuffer = active;
  const AnsiString tableName = EventTableName();
  if (HasDeleteHandler()) {
    cleared.Add(oldValues_);
    ReadFieldValues(oldValues_);
  }
  if (HasBeforeDeleteRecordEvent() && database_->DoBeforeDeleteRecord(this, tableName, oldValues_))
    DatabaseError(SQLMemDeleteBlockedByEvent);
  try {
    cursor.DeleteRecord();
  } catch (const Exception& e) {
    DatabaseError(AnsiString(SQLMemErrorDeletingRecord) + e.Message());
  }
  switch (cursor.ResultCode) {
    case kResultOk:
      break;
    case kTemporaryDelete:
      DatabaseError(SQLMemCannotDeleteRecordTemporaryMode);
    case kDeleteFailed:
      DatabaseError(AnsiString(SQLMemErrorDeletingRecord) + cursor.ErrorText);
    case kModifiedByOther:
      DatabaseError(SQLMemDeleteRecordModifiedByOther);
    case kDeletedByOther:
      DatabaseError(SQLMemDeleteRecordDeletedByOther);
    default:
      RaiseCursorFailure(cursor, SQLMemErrorDeletingRecord);
  }
  repositioned_ = true;
  if (HasAfterDeleteRecordEvent()) database_->DoAfterDeleteRecord(this, tableName, oldValues_);
}
