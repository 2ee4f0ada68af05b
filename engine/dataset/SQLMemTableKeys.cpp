// The table's key buffers: the set-key state that fills them, the exact key search and ranges.
#include <cstring>

#include "engine/dataset/SQLMemKeyBuffer.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/db/Fields.h"

namespace {

constexpr Byte kKeyEqual = 1;  // the cursor's key condition "equal"

std::size_t BufferSize(const TSQLMemCursor& cursor) { return static_cast<std::size_t>(cursor.RecordBufferSize); }

}  // namespace

void TSQLMemTable::SetKey() { EditKeyBuffer(kiKey, true); }
void TSQLMemTable::SetRangeStart() { EditKeyBuffer(kiRangeStart, true); }
void TSQLMemTable::SetRangeEnd() { EditKeyBuffer(kiRangeEnd, true); }

void TSQLMemTable::EditKeyBuffer(int which, bool clear) {
  TSQLMemCursor& cursor = CheckCursor(10286);
  CheckBrowseMode();
  Byte* buffer = keyBuffers_[static_cast<std::size_t>(which)];
  setKeyBuffer_ = buffer;
  std::memcpy(keyBuffers_[kiSavedKey], buffer, BufferSize(cursor));
  if (clear) cursor.InitRecordBuffer(buffer);
  SetState(dsSetKey);  // clears Modified, which the buffer's own mark then sets
  SetModified(ReadKeyInfo(buffer, KeyInfoOffset()).Modified);
  DataEvent(deDataSetChange, 0);
}

void TSQLMemTable::FinishKeyEdit(bool commit) {
  TSQLMemCursor& cursor = CheckCursor(10288);
  DataEvent(deCheckBrowseMode, 0);
  if (commit) {
    TSQLMemKeyInfo info = ReadKeyInfo(setKeyBuffer_, KeyInfoOffset());
    info.Modified = Modified();
    WriteKeyInfo(setKeyBuffer_, KeyInfoOffset(), info);
  } else {
    std::memcpy(setKeyBuffer_, keyBuffers_[kiSavedKey], BufferSize(cursor));
  }
  SetState(dsBrowse);
  DataEvent(deDataSetChange, 0);
}

void TSQLMemTable::Post() {
  TSQLMemDataSet::Post();
  if (State() == dsSetKey) FinishKeyEdit(true);
}

void TSQLMemTable::Cancel() {
  TSQLMemDataSet::Cancel();
  if (State() == dsSetKey) FinishKeyEdit(false);
}

bool TSQLMemTable::GotoKey() {
  TSQLMemCursor& cursor = CheckCursor(10290);
  CheckBrowseMode();
  DoBeforeScroll();
  CursorPosChanged();
  Byte* key = keyBuffers_[kiKey];
  const Integer count = ReadKeyInfo(key, KeyInfoOffset()).FieldCount;
  cursor.KeyBuffer = key;
  cursor.KeyFieldCount = count != 0 ? count : KeyFieldCount();
  if (!cursor.GotoKey(kKeyEqual)) return false;
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

bool TSQLMemTable::FindKey(std::initializer_list<Variant> values) {
  SetKey();
  Integer count = 0;
  try {
    for (const Variant& value : values) IndexFieldAt(count++)->SetAsVariant(value);
  } catch (...) {
    FinishKeyEdit(false);  // a value that does not fit leaves neither the state nor the key changed
    throw;
  }
  Byte* key = keyBuffers_[kiKey];
  TSQLMemKeyInfo info = ReadKeyInfo(key, KeyInfoOffset());
  info.FieldCount = count;
  WriteKeyInfo(key, KeyInfoOffset(), info);
  return GotoKey();
}

bool TSQLMemTable::SetRangeToCursor() {
  TSQLMemCursor& cursor = CheckCursor(10296);
  const std::size_t size = BufferSize(cursor);
  const Byte* start = keyBuffers_[kiRangeStart];
  const Byte* end = keyBuffers_[kiRangeEnd];
  Byte* appliedStart = keyBuffers_[kiAppliedRangeStart];
  Byte* appliedEnd = keyBuffers_[kiAppliedRangeEnd];
  if (std::memcmp(start, appliedStart, size) == 0 && std::memcmp(end, appliedEnd, size) == 0) return false;
  std::memcpy(appliedStart, start, size);
  std::memcpy(appliedEnd, end, size);
  // The cursor keeps the applied copies, so that editing a bound changes nothing until it is applied.
  // A bound never filled in is no bound: its fields are all NULL, which as an end would exclude every
  // record that has a value.
  const TSQLMemKeyInfo startInfo = ReadKeyInfo(appliedStart, KeyInfoOffset());
  const TSQLMemKeyInfo endInfo = ReadKeyInfo(appliedEnd, KeyInfoOffset());
  const auto count = [this](const TSQLMemKeyInfo& info) { return info.FieldCount != 0 ? info.FieldCount : KeyFieldCount(); };
  cursor.SetRange(startInfo.Modified ? appliedStart : nullptr, endInfo.Modified ? appliedEnd : nullptr, count(startInfo),
                  count(endInfo), startInfo.Exclusive, endInfo.Exclusive);
  return true;
}

void TSQLMemTable::ApplyRange() {
  CheckBrowseMode();
  if (SetRangeToCursor()) First();
}

bool TSQLMemTable::ResetRange() {
  TSQLMemCursor& cursor = CheckCursor(10287);
  if (cursor.FilterExpression != nullptr) return false;  // the SQL layer's range stays
  Byte* appliedStart = keyBuffers_[kiAppliedRangeStart];
  Byte* appliedEnd = keyBuffers_[kiAppliedRangeEnd];
  if (!ReadKeyInfo(appliedStart, KeyInfoOffset()).Modified && !ReadKeyInfo(appliedEnd, KeyInfoOffset()).Modified)
    return false;
  cursor.InitRecordBuffer(appliedStart);
  cursor.InitRecordBuffer(appliedEnd);
  cursor.CancelRange();
  return true;
}

void TSQLMemTable::CancelRange() {
  CheckBrowseMode();
  UpdateCursorPos();
  if (ResetRange()) Resync({});
}
