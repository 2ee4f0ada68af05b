// A diary dataset that can insert, edit, post and cancel, for the tests of what writes through a
// dataset (BLOB streams, the record copier). Its write protocol is the tests' own and goes straight
// through the cursor: a post writes the active buffer as a new or an updated record, a cancel drops the
// record's new BLOB values. It stands in for the dataset's editing without its record events.
#pragma once
#include <vector>

#include "engine/storage/SQLMemLocalEngine.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/DBConsts.h"

class TWritableDiaryDataSet : public TDiaryDataSet {
 public:
  explicit TWritableDiaryDataSet(TComponent* owner) : TDiaryDataSet(owner) {}

 protected:
  void InternalEdit() override { editCopy_.assign(ActiveBuffer(), ActiveBuffer() + GetRecordSize()); }
  void InternalCancel() override {
    cursor_->CurrentRecordBuffer = ActiveBuffer();
    cursor_->DiscardRecordChanges();
    editCopy_.clear();
  }
  void InternalPost() override {
    const bool inserting = State() == dsInsert;
    cursor_->CurrentRecordBuffer = ActiveBuffer();
    cursor_->PreviousRecordBuffer = inserting ? nullptr : editCopy_.data();
    cursor_->PostRecord(inserting);
    cursor_->PreviousRecordBuffer = nullptr;
    if (cursor_->ResultCode != 0) DatabaseError(cursor_->ErrorText, this);
    editCopy_.clear();
    SetBookmarkFlag(ActiveBuffer(), bfCurrent);
    recordWritten_ = true;
  }

 private:
  std::vector<Byte> editCopy_;
};
