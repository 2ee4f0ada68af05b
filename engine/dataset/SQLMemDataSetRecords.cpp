// The engine dataset's records: buffers and their bookmark area, navigation through the cursor,
// bookmarks, record numbers and the record count.
#include <cstring>
#include <limits>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/storage/SQLMemCursor.h"

namespace {

constexpr Integer kFlagOffset = kSQLMemPositionSize;  // the flag byte follows the 6 position bytes

Integer NarrowCount(Int64 value) {
  if (value > std::numeric_limits<Integer>::max()) return std::numeric_limits<Integer>::max();
  if (value < std::numeric_limits<Integer>::min()) return -1;
  return static_cast<Integer>(value);
}

}  // namespace

// ---- layout ----

Integer TSQLMemDataSet::BookmarkOffset() const { return CheckCursor(10036).TrailerOffset; }

Integer TSQLMemDataSet::CalcFieldsOffset() const { return BookmarkOffset() + kSQLMemBookmarkSize; }

void TSQLMemDataSet::ReadCursorPosition(Byte* bookmark) const {
  const TSQLMemCursor& cursor = CheckCursor(10037);
  const Integer pageNo = cursor.PageNo;
  const SmallInt itemNo = cursor.ItemNo;
  std::memcpy(bookmark, &pageNo, 4);
  std::memcpy(bookmark + 4, &itemNo, 2);
}

void TSQLMemDataSet::PositionCursorAt(const Byte* bookmark) {
  TSQLMemCursor& cursor = CheckCursor(10038);
  if (bookmark == nullptr) SQLMemError(10039, SQLMemNilPointer);
  Integer pageNo;
  SmallInt itemNo;
  std::memcpy(&pageNo, bookmark, 4);
  std::memcpy(&itemNo, bookmark + 4, 2);
  cursor.PageNo = pageNo;
  cursor.ItemNo = itemNo;
  cursor.Bof = cursor.Eof = 0;
}

// ---- buffers ----

Byte* TSQLMemDataSet::AllocRecordBuffer() {
  TSQLMemCursor& cursor = CheckCursor(10040);
  Byte* buffer = cursor.AllocRecordBuffer();
  cursor.InitRecordBuffer(buffer);
  return buffer;
}

void TSQLMemDataSet::FreeRecordBuffer(Byte*& buffer) {
  if (buffer == nullptr) return;
  // The cursor must never be left reading into a buffer the framework has given back.
  if (cursor_ != nullptr && cursor_->CurrentRecordBuffer == buffer) cursor_->CurrentRecordBuffer = cursorBuffer_;
  if (cursor_ != nullptr) {
    cursor_->FreeRecordBuffer(buffer);
  } else {
    void* p = buffer;
    buffer = nullptr;
    MemoryManager().FreeMem(p);
  }
}

Word TSQLMemDataSet::GetRecordSize() {
  const Integer size = CheckCursor(10042).RecordBufferSize;
  if (size < 0 || size > std::numeric_limits<Word>::max()) RaiseRangeError();
  return static_cast<Word>(size);
}

void TSQLMemDataSet::InitRecord(Byte* buffer) {
  TDataSet::InitRecord(buffer);
  SetBookmarkFlag(buffer, bfInserted);
  const Integer pageNo = -1;
  const SmallInt itemNo = -1;
  Byte* area = buffer + BookmarkOffset();
  std::memcpy(area, &pageNo, 4);
  std::memcpy(area + 4, &itemNo, 2);
}

void TSQLMemDataSet::InternalInitRecord(Byte* buffer) {
  TSQLMemCursor& cursor = CheckCursor(10043);
  std::memset(buffer, 0, static_cast<std::size_t>(cursor.RecordBufferSize));
  cursor.ClearRecordBuffer(buffer, true);
}

void TSQLMemDataSet::ClearCalcFields(Byte* buffer) {
  if (buffer == nullptr || CalcFieldsSize() <= 0) return;
  std::memset(buffer + CalcFieldsOffset(), 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TSQLMemDataSet::GetBookmarkData(const Byte* buffer, Byte* data) {
  if (buffer == nullptr || data == nullptr) SQLMemError(10044, SQLMemNilPointer);
  std::memcpy(data, buffer + BookmarkOffset(), kSQLMemPositionSize);
  data[kFlagOffset] = buffer[BookmarkOffset() + kFlagOffset];
}

void TSQLMemDataSet::SetBookmarkData(Byte* buffer, const Byte* data) {
  if (buffer == nullptr || data == nullptr) SQLMemError(10045, SQLMemNilPointer);
  std::memcpy(buffer + BookmarkOffset(), data, kSQLMemPositionSize);
}

TBookmarkFlag TSQLMemDataSet::GetBookmarkFlag(const Byte* buffer) {
  if (buffer == nullptr) SQLMemError(10046, SQLMemNilPointer);
  const Byte flag = buffer[BookmarkOffset() + kFlagOffset];
  return flag <= bfInserted ? static_cast<TBookmarkFlag>(flag) : bfCurrent;
}

void TSQLMemDataSet::SetBookmarkFlag(Byte* buffer, TBookmarkFlag value) {
  if (buffer == nullptr) SQLMemError(10047, SQLMemNilPointer);
  buffer[BookmarkOffset() + kFlagOffset] = value;
}

// ---- navigation ----

void TSQLMemDataSet::InternalFirst() { CheckCursor(10048).SetBeginOfData(); }

void TSQLMemDataSet::InternalLast() { CheckCursor(10050).SetEndOfData(); }

TGetResult TSQLMemDataSet::GetRecord(Byte* buffer, TGetMode getMode, bool doCheck) {
  TSQLMemCursor& cursor = CheckCursor(10041);
  if (recordWritten_ && getMode == gmCurrent && cursor.CurrentRecordBuffer != nullptr) {
    // Just posted: the cursor's buffer holds the record as written.
    if (cursor.CurrentRecordBuffer != buffer)
      std::memcpy(buffer, cursor.CurrentRecordBuffer, static_cast<std::size_t>(cursor.RecordBufferSize));
    recordWritten_ = false;
    repositioned_ = false;
    return grOK;
  }
  const bool freshStart = cursor.Bof != 0 || cursor.Eof != 0;
  // Next and prior move from the framework's current record (the edge of the ring it is filling),
  // not from wherever another operation left the cursor.
  if (!repositioned_ && !freshStart && BufferCount() > 1 && CurrentRecord() >= 0) {
    const Byte* current = Buffers(CurrentRecord());
    if (current != buffer && GetBookmarkFlag(current) == bfCurrent) PositionCursorAt(current + BookmarkOffset());
  }
  cursor.CurrentRecordBuffer = buffer;
  TGetResult result = grError;
  try {
    switch (cursor.GetRecord(static_cast<Byte>(getMode))) {
      case 0:
        result = grOK;
        break;
      case 1:
        result = grBOF;
        break;
      case 2:
        result = grEOF;
        break;
      default:
        result = grError;
        break;
    }
  } catch (const Exception&) {
    result = grError;
  }
  recordWritten_ = false;
  repositioned_ = false;
  if (result == grOK) {
    ClearCalcFields(buffer);
    GetCalcFields(buffer);
    ReadCursorPosition(buffer + BookmarkOffset());
    SetBookmarkFlag(buffer, bfCurrent);
  } else if (result == grError && doCheck) {
    SQLMemError(10026, SQLMemCannotRetrieveRecord);
  }
  return result;
}

void TSQLMemDataSet::InternalSetToRecord(Byte* buffer) {
  if (buffer == nullptr) SQLMemError(10051, SQLMemNilPointer);
  InternalGotoBookmark(buffer + BookmarkOffset());
}

void TSQLMemDataSet::InternalGotoBookmark(const Byte* bookmark) { PositionCursorAt(bookmark); }

// ---- record numbers and count ----

Integer TSQLMemDataSet::GetRecNo() {
  if (State() == dsInsert || cursor_ == nullptr) return -1;
  const Byte* active = ActiveBuffer();
  if (active == nullptr || IsEmpty()) return -1;
  try {
    PositionCursorAt(active + BookmarkOffset());
    const Int64 recNo = cursor_->GetRecNo();
    return recNo < 0 ? -1 : NarrowCount(recNo);
  } catch (const Exception&) {
    return -1;
  }
}

void TSQLMemDataSet::SetRecNo(Integer value) {
  if (value <= 0) SQLMemError(11622, SQLMemInvalidSetRecNoValue, {value});
  TSQLMemCursor& cursor = CheckCursor(10052);
  CheckBrowseMode();
  DoBeforeScroll();
  cursor.SetRecNo(value);
  repositioned_ = true;
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

Integer TSQLMemDataSet::GetRecordCount() {
  if (!Active()) return 0;
  TSQLMemCursor& cursor = CheckCursor(10056);
  try {
    return NarrowCount(cursor.GetRecordCount());
  } catch (const Exception&) {
    return 0;
  }
}

// ---- bookmarks ----

bool TSQLMemDataSet::BookmarkValid(const Byte* bookmark) {
  if (bookmark == nullptr || cursor_ == nullptr || cursorBuffer_ == nullptr) return false;
  TSQLMemCursor& cursor = *cursor_;
  const Integer pageNo = cursor.PageNo;
  const SmallInt itemNo = cursor.ItemNo;
  const Byte bof = cursor.Bof, eof = cursor.Eof;
  Byte* savedBuffer = cursor.CurrentRecordBuffer;
  // The cursor checks the record the trailer of its current buffer names.
  cursor.CurrentRecordBuffer = cursorBuffer_;
  std::memcpy(cursorBuffer_ + BookmarkOffset(), bookmark, kSQLMemPositionSize);
  bool valid = false;
  try {
    valid = cursor.RecordExists();
  } catch (const Exception&) {
    valid = false;
  }
  cursor.CurrentRecordBuffer = savedBuffer;
  cursor.PageNo = pageNo;
  cursor.ItemNo = itemNo;
  cursor.Bof = bof;
  cursor.Eof = eof;
  return valid;
}

Integer TSQLMemDataSet::CompareBookmarks(const Byte* bookmark1, const Byte* bookmark2) {
  if (bookmark1 == nullptr && bookmark2 == nullptr) return 0;
  if (bookmark1 == nullptr) return 1;
  if (bookmark2 == nullptr) return -1;
  TSQLMemCursor& cursor = CheckCursor(10053);
  const Integer pageNo = cursor.PageNo;
  const SmallInt itemNo = cursor.ItemNo;
  const Byte bof = cursor.Bof, eof = cursor.Eof;
  Byte* savedBuffer = cursor.CurrentRecordBuffer;
  auto recordNumber = [&](const Byte* bookmark) -> Int64 {
    if (!BookmarkValid(bookmark)) return -1;
    try {
      PositionCursorAt(bookmark);
      return cursor.GetRecNo();
    } catch (const Exception&) {
      return -1;
    }
  };
  const Int64 first = recordNumber(bookmark1);
  const Int64 second = recordNumber(bookmark2);
  cursor.CurrentRecordBuffer = savedBuffer;
  cursor.PageNo = pageNo;
  cursor.ItemNo = itemNo;
  cursor.Bof = bof;
  cursor.Eof = eof;
  if (first == second) return 0;
  return first > second ? 1 : -1;
}

bool TSQLMemDataSet::GetCurrentRecord(Byte* buffer) {
  if (cursor_ == nullptr || buffer == nullptr || IsEmpty()) return false;
  const Byte* active = ActiveBuffer();
  if (active == nullptr || GetBookmarkFlag(active) != bfCurrent) return false;
  UpdateCursorPos();
  Byte* savedBuffer = cursor_->CurrentRecordBuffer;
  cursor_->CurrentRecordBuffer = buffer;
  bool found = false;
  try {
    found = cursor_->GetRecord(0) == 0;
  } catch (const Exception&) {
    found = false;
  }
  cursor_->CurrentRecordBuffer = savedBuffer;
  return found;
}
