// A cursor's position as the table operations handle it: the record id it stands on, placing it on a
// record, and keeping its position, end flags and current buffer across a step that moves it.
#pragma once
#include "engine/storage/SQLMemCursor.h"

inline TSQLMemRecordID CursorRecordId(const TSQLMemCursor& cursor) {
  return TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
}

// Puts the cursor on the record and clears its end flags; the record is not read.
inline void PlaceCursor(TSQLMemCursor& cursor, const TSQLMemRecordID& recordId) {
  cursor.PageNo = recordId.RecordNo;
  cursor.ItemNo = static_cast<SmallInt>(recordId.ItemNo);
  cursor.Bof = cursor.Eof = 0;
}

// Keeps a cursor's position, end flags and current buffer, and puts them back when it goes, unless
// KeepPosition was called: then only the buffer comes back.
class TCursorPositionKeeper {
 public:
  explicit TCursorPositionKeeper(TSQLMemCursor& cursor)
      : cursor_(cursor), pageNo_(cursor.PageNo), itemNo_(cursor.ItemNo), bof_(cursor.Bof), eof_(cursor.Eof),
        buffer_(cursor.CurrentRecordBuffer) {}
  ~TCursorPositionKeeper() {
    if (restore_) Restore();
  }
  TCursorPositionKeeper(const TCursorPositionKeeper&) = delete;
  TCursorPositionKeeper& operator=(const TCursorPositionKeeper&) = delete;
  void Restore() {
    cursor_.PageNo = pageNo_;
    cursor_.ItemNo = itemNo_;
    cursor_.Bof = bof_;
    cursor_.Eof = eof_;
    cursor_.CurrentRecordBuffer = buffer_;
  }
  void KeepPosition() {
    cursor_.CurrentRecordBuffer = buffer_;
    restore_ = false;
  }

 private:
  TSQLMemCursor& cursor_;
  Integer pageNo_;
  SmallInt itemNo_;
  Byte bof_, eof_;
  Byte* buffer_;
  bool restore_ = true;
};
