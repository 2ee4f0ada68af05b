// The local cursor's table repair: every record that can still be read is copied into a new table
// with the same definitions, which then takes the old table's place. Problems go to a log text.
#include <cstring>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr char kCrLf[] = "\r\n";

// A fresh record buffer for the copy; the cursor's own comes back afterwards.
class BufferSwap {
 public:
  explicit BufferSwap(TSQLMemLocalCursor& cursor) : cursor_(cursor), saved_(cursor.CurrentRecordBuffer) {
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
  }
  ~BufferSwap() {
    cursor_.FreeRecordBuffer(cursor_.CurrentRecordBuffer);
    cursor_.CurrentRecordBuffer = saved_;
  }
  BufferSwap(const BufferSwap&) = delete;
  BufferSwap& operator=(const BufferSwap&) = delete;

 private:
  TSQLMemLocalCursor& cursor_;
  Byte* saved_;
};

// Copies the readable records of source into target: forwards until a read fails, then backwards
// from the end up to where the forward pass stopped. Read and insert failures are logged; anything
// else propagates.
class RecordCopier {
 public:
  RecordCopier(TSQLMemLocalCursor& source, TSQLMemLocalCursor& target, AnsiString& log)
      : source_(source), target_(target), log_(log) {}
  void Run();

 private:
  void CopyRecord();
  void CopyBLOBs();
  void TrackAutoincValues();
  void Log(const char* what, const AnsiString& message) {
    log_ += what + source_.TableName + kCrLf + message + kCrLf;
  }
  [[noreturn]] void RaiseUnreadable(Integer code) const {
    SQLMemError(code, Format(SQLMemRepairCannotGetRecord, {source_.PageNo, static_cast<Integer>(source_.ItemNo)}) +
                          source_.TableName);
  }

  TSQLMemLocalCursor& source_;
  TSQLMemLocalCursor& target_;
  AnsiString& log_;
  std::vector<Int64> kept_;  // per field: the autoincrement value to continue from
  Int64 copied_ = 0;
};

void RecordCopier::CopyBLOBs() {
  const TSQLMemFieldDefs& projected = source_.ProjectedFieldDefs();
  for (Integer i = 0; i < projected.GetCount(); ++i) {
    if (!IsBLOBDataType(projected.GetFieldDef(i).DataType)) continue;
    const Integer tableFieldNo = projected.GetFieldDef(i).TableFieldNo;
    // The copied slot refers to the source table's value: the target gets a value of its own.
    target_.SetFieldData(tableFieldNo, nullptr, target_.CurrentRecordBuffer);
    if (IsRecordFieldNull(tableFieldNo, source_.CurrentRecordBuffer)) continue;
    TStream* writer = target_.OpenBLOB(tableFieldNo, bomWrite);
    if (writer == nullptr) SQLMemError(10110, SQLMemNilPointer);
    try {
      TStream* reader = source_.OpenBLOB(i, bomRead);
      if (reader == nullptr) SQLMemError(10110, SQLMemNilPointer);
      std::vector<Byte> bytes(static_cast<std::size_t>(reader->GetSize()));
      reader->SetPosition(0);
      if (!bytes.empty()) reader->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
      source_.CloseBLOB(i);
      if (!bytes.empty()) writer->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    } catch (const Exception&) {
      // An unreadable value is copied as an empty one.
      writer->SetSize(0);
    }
    target_.CloseBLOB(tableFieldNo);
  }
}

void RecordCopier::TrackAutoincValues() {
  const TSQLMemFieldDefs& fields = *target_.FieldDefs;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!IsAutoIncFieldType(field.FieldType) || field.Cycle != 0) continue;
    if (IsRecordFieldNull(i, target_.CurrentRecordBuffer)) continue;
    TSQLMemVariant value;
    target_.GetFieldValue(value, i, true, true);
    value.ConvertTo(edtLargeInt);
    const Int64 v = value.GetAsLargeInt();
    Int64& kept = kept_[static_cast<std::size_t>(i)];
    if (copied_ == 1 || (field.Increment < 0 ? v < kept : v > kept)) kept = v;
  }
}

void RecordCopier::CopyRecord() {
  try {
    std::memcpy(target_.CurrentRecordBuffer, source_.CurrentRecordBuffer,
                static_cast<std::size_t>(source_.RecordBufferSize));
    if (source_.FieldDefs->HasBLOBOrVarString) CopyBLOBs();
    target_.PostRecord(true);
    if (target_.ResultCode != 0) {
      Log(SQLMemRepairCannotInsertRecord, target_.ErrorText);
      target_.DiscardRecordChanges();
    } else {
      ++copied_;
      if (!kept_.empty()) TrackAutoincValues();
    }
    source_.CloseBLOBStreams(false);
  } catch (const Exception& e) {
    Log(SQLMemRepairCannotInsertRecord, e.Message());
    target_.CloseBLOBStreams(false);
    target_.DiscardRecordChanges();
    source_.CloseBLOBStreams(false);
  }
}

void RecordCopier::Run() {
  struct RepairFlag {
    TSQLMemLocalCursor& cursor;
    ~RepairFlag() { cursor.Repair = 0; }
  } repairFlag{source_};
  source_.Repair = 1;
  const BufferSwap sourceBuffer(source_);
  const BufferSwap targetBuffer(target_);
  if (source_.FieldDefs->HasAutoInc) kept_.assign(static_cast<std::size_t>(source_.FieldDefs->GetCount()), 0);

  bool leftBeginning = false;
  try {
    source_.SetBeginOfData();
    for (Byte result = source_.GetRecord(1); result != 2; result = source_.GetRecord(1)) {
      if (result == 3) RaiseUnreadable(11167);
      if (result != 0) break;
      leftBeginning = true;
      CopyRecord();
    }
  } catch (const Exception& e) {
    Log(SQLMemRepairCannotGetRecordsFromFirst, e.Message());
    const Integer failedPage = source_.PageNo;
    const SmallInt failedItem = source_.ItemNo;
    try {
      source_.SetEndOfData();
      for (Byte result = source_.GetRecord(2); result != 1; result = source_.GetRecord(2)) {
        if (result == 3) RaiseUnreadable(11168);
        if (result != 0) break;
        if (leftBeginning && source_.PageNo == failedPage && source_.ItemNo == failedItem) break;
        CopyRecord();
      }
    } catch (const Exception& backwards) {
      Log(SQLMemRepairCannotGetRecordsFromLast, backwards.Message());
    }
  }
  if (kept_.empty() || copied_ == 0) return;
  const TSQLMemFieldDefs& fields = *target_.FieldDefs;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!IsAutoIncFieldType(field.FieldType) || field.Cycle != 0) continue;
    const Int64 kept = kept_[static_cast<std::size_t>(i)];
    target_.SetLastAutoincValue(i, kept);
    // The session's last value alone would let the next record take the first id again: the
    // table's sequence continues after the value kept too.
    if (auto* memoryTable = dynamic_cast<TSQLMemMemoryTableData*>(target_.TableData()))
      memoryTable->SetFieldSequenceValue(i, kept);
  }
}

// Takes a table made for the repair out again; the repair's own error is the one that counts.
void DropQuietly(TSQLMemLocalCursor& cursor) noexcept {
  try {
    cursor.CloseTable();
    cursor.DeleteTable(false);
  } catch (...) {
  }
}

}  // namespace

bool TSQLMemLocalCursor::RepairTable(AnsiString& log, TSQLMemLocalSession* session) {
  // The tables of in-memory and temporary databases have no stored form that could be damaged.
  if (InMemoryOrTemporary()) return true;
  return RebuildTable(log, session);
}

bool TSQLMemLocalCursor::RebuildTable(AnsiString& log, TSQLMemLocalSession* session) {
  if (Exclusive == 0) SQLMemError(11165, SQLMemTableNotExclusive, {TableName});
  try {
    OpenTable(nullptr, nullptr, nullptr);
    ReadTableDefs();
  } catch (const Exception&) {
    return false;
  }
  TSQLMemLocalCursor target;
  target.InMemory = InMemory;
  target.Temporary = Temporary;
  target.Exclusive = 1;
  target.Session = session != nullptr ? session : Session;
  target.TableName = MakeUniqueName(TableName + "_REPAIRED_");
  while (target.SessionDatabase(11762).TableExists(target.TableName))
    target.TableName = MakeUniqueName(TableName + "_REPAIRED_");
  try {
    TSQLMemIndexDefs indexes;
    indexes.Assign(GetIndexDefs());
    target.CreateTable(*FieldDefs, indexes, *ConstraintDefs);
    target.OpenTable(nullptr, nullptr, nullptr);
    target.ReadTableDefs();
  } catch (const Exception&) {
    log += SQLMemRepairCannotCreateTable + target.TableName + kCrLf;
    DropQuietly(target);
    return false;
  }
  try {
    RecordCopier(*this, target, log).Run();
  } catch (...) {
    // Only a complete copy may replace the source: an error the copy did not expect keeps the source
    // as it is and takes the partial copy away.
    DropQuietly(target);
    throw;
  }
  CloseTable();
  target.CloseTable();
  DeleteTable(false);
  target.RenameTable(TableName);
  return true;
}
