#include "engine/storage/SQLMemRecordBitmap.h"

#include <algorithm>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr Integer kInitialStep = 10;
constexpr Integer kInitialMaxStep = 1000;

std::unique_ptr<TSQLMemRecordIDArray> NewIdList(const TSQLMemRecordBitmapTable& table, Integer step, Integer maxStep) {
  auto ids = std::make_unique<TSQLMemRecordIDArray>(0, step, maxStep);
  ids->SetCompareByPageOnly(table.IsInMemory());
  ids->SetCompareAsOneNumber(table.IsTemporary());
  return ids;
}

}  // namespace

TSQLMemRecordBitmap::TSQLMemRecordBitmap(TSQLMemRecordBitmapTable* table) : table_(table) {
  if (table == nullptr) SQLMemError(10425, SQLMemNilPointer);
  ids_ = NewIdList(*table_, kInitialStep, kInitialMaxStep);
}

void TSQLMemRecordBitmap::SetActive(bool active) {
  active_ = active;
  if (!active) {
    ids_->SetSize(0);
    ids_->SetSorted(true);
  }
}

void TSQLMemRecordBitmap::TuneGrowth() {
  Integer n = CheckedCast<Integer>(table_->GetRecordCount() / 10);
  if (n < 1) n = 1000;
  // The list's steps are fixed when it is made, so a list with the new steps takes over the ids.
  auto ids = NewIdList(*table_, std::max(n / 100, 10), n);
  ids->SetSize(ids_->Count());
  for (Integer i = 0; i < ids_->Count(); ++i) ids->SetItem(i, ids_->GetItem(i));
  ids->SetSorted(ids_->Sorted());
  ids_ = std::move(ids);
}

Int64 TSQLMemRecordBitmap::GetRecordNo(const TSQLMemRecordID& id) const {
  const Integer index = ids_->IndexOf(id);
  return index < 0 ? -1 : Int64{index} + 1;
}

void TSQLMemRecordBitmap::GetRecordIdByNo(Int64 number, TSQLMemRecordID& id) const {
  if (number < 1 || number > GetCount())
    SQLMemError(11326, SQLMemInvalidItemNumber, {number - 1, GetCount()});
  id = ids_->GetItem(static_cast<Integer>(number - 1));
}

void TSQLMemRecordBitmap::AddRecord(const TSQLMemRecordID& id) {
  if (ids_->Count() == 0) {
    ids_->Append(id);
    lastId_ = id;
    return;
  }
  if (!ids_->Sorted()) {
    ids_->Append(id);
    return;
  }
  const int order = ids_->CompareItems(id, lastId_);
  if (order == 0) SQLMemError(11328, SQLMemDuplicateRecordIDInMap, {id.RecordNo, id.ItemNo});
  ids_->Append(id);
  if (order < 0)
    ids_->SetSorted(false);
  else
    lastId_ = id;
}

void TSQLMemRecordBitmap::InsertRecord(const TSQLMemRecordID& id, const TSQLMemRecordID& afterId, bool atEnd,
                                       bool atStart) {
  if (atEnd) {
    ids_->SetSorted(false);
    ids_->Append(id);
  } else if (atStart) {
    ids_->SetSorted(false);
    ids_->Insert(0, id);
  } else {
    // The position is looked up while the list may still be searched as sorted.
    const Integer after = ids_->IndexOf(afterId);
    if (after < 0) SQLMemError(11332, SQLMemRecordDoesNotExist, {afterId.RecordNo, afterId.ItemNo});
    ids_->SetSorted(false);
    ids_->Insert(after + 1, id);
  }
}

void TSQLMemRecordBitmap::RemoveRecord(const TSQLMemRecordID& id) {
  const Integer index = ids_->IndexOf(id);
  if (index < 0) SQLMemError(11327, SQLMemRecordDoesNotExist, {id.RecordNo, id.ItemNo});
  ids_->Delete(index);
}

void TSQLMemRecordBitmap::Navigate(TSQLMemNavigationRequest& request) const {
  auto found = [&request](const TSQLMemRecordID& id) {
    request.RecordId = id;
    request.Result = nrFound;
  };
  const Integer count = ids_->Count();
  if (!active_) {
    request.Result = nrNotFound;
  } else if (count == 0) {
    request.Result = nrAfterLast;
  } else if (request.First != 0) {
    if (request.Direction == ndNext)
      found(ids_->GetItem(0));
    else
      request.Result = request.Direction == ndPrior ? nrBeforeFirst : nrNotFound;
  } else if (request.Last != 0) {
    if (request.Direction == ndPrior)
      found(ids_->GetItem(count - 1));
    else
      request.Result = request.Direction == ndNext ? nrAfterLast : nrNotFound;
  } else {
    const Integer index = ids_->IndexOf(request.RecordId);
    if (index < 0)
      request.Result = nrNotFound;
    else if (request.Direction == ndCurrent)
      request.Result = nrFound;
    else if (request.Direction == ndNext && index + 1 < count)
      found(ids_->GetItem(index + 1));
    else if (request.Direction == ndNext)
      request.Result = nrAfterLast;
    else if (request.Direction == ndPrior && index > 0)
      found(ids_->GetItem(index - 1));
    else
      request.Result = request.Direction == ndPrior ? nrBeforeFirst : nrNotFound;
  }
}
