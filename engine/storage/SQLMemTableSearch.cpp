// The table's record search for cursors: scans that turn a cursor's range, filters and a search
// condition into scan conditions, merge them, let the most selective index drive the walk and test the
// rest per record; the filter bitmap over which a filtered cursor moves, and record counts, record
// numbers and Locate on top of it.
//
// Order: a cursor sees its records in its index's order, or in natural (record id) order without an
// index. Every walk that fills a bitmap hands the records over in that order, so that moving over the
// bitmap moves in the cursor's order.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemCursorPosition.h"
#include "engine/storage/SQLMemScanConditions.h"
#include "engine/storage/SQLMemTableData.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

class TTableLock {
 public:
  TTableLock(TSQLMemTableData& table, bool take) : table_(take ? &table : nullptr) {
    if (table_ != nullptr) table_->Lock(true);
  }
  ~TTableLock() {
    if (table_ != nullptr) table_->Unlock();
  }
  TTableLock(const TTableLock&) = delete;
  TTableLock& operator=(const TTableLock&) = delete;

 private:
  TSQLMemTableData* table_;
};

// A buffer of the table's record buffer cache, given back when it goes. A table that no cursor has
// attached has no cache (a foreign-key check scans its parent table through a borrowing cursor): the
// buffer then comes from a cache of its own.
class TCachedBuffer {
 public:
  explicit TCachedBuffer(TSQLMemTableData& table) : cache_(table.RecordBufferCache()) {
    if (cache_ == nullptr) {
      ownCache_ = std::make_unique<TSQLMemRecordBufferCache>(table.RecordSize());
      cache_ = ownCache_.get();
    }
    buffer_ = cache_->GetBuffer();
  }
  ~TCachedBuffer() { cache_->ReleaseBuffer(buffer_); }
  TCachedBuffer(const TCachedBuffer&) = delete;
  TCachedBuffer& operator=(const TCachedBuffer&) = delete;
  Byte* Get() const { return buffer_; }

 private:
  std::unique_ptr<TSQLMemRecordBufferCache> ownCache_;
  TSQLMemRecordBufferCache* cache_;
  Byte* buffer_;
};

// The comparisons a scan took out of filter expressions: given back to their expressions when the scan
// ends, on every path.
class TPendingComparisons {
 public:
  TPendingComparisons() = default;
  ~TPendingComparisons() {
    try {
      TSQLMemScanSearchConditionArray::AddFromList(list);
    } catch (...) {  // a destructor never raises; the normal path gave them back already
    }
  }
  TPendingComparisons(const TPendingComparisons&) = delete;
  TPendingComparisons& operator=(const TPendingComparisons&) = delete;
  void GiveBack() { TSQLMemScanSearchConditionArray::AddFromList(list); }

  TSQLMemScanPendingList list;
};

bool KindHolds(Byte kind, int order) {
  switch (kind) {
    case 1: return order == 0;
    case 2: return order < 0;
    case 3: return order > 0;
    case 4: return order <= 0;
    case 5: return order >= 0;
    default: return true;
  }
}

// One run of ScanRecords.
class TRecordScan {
 public:
  TRecordScan(TSQLMemTableData& table, TSQLMemCursor& cursor, bool forward, bool fromEnd, bool anyMatch,
              TSQLMemRecordBitmap* bitmap)
      : table_(table), cursor_(cursor), sessionId_(TSQLMemTableData::SessionIdOf(&cursor)), forward_(forward),
        fromEnd_(fromEnd), anyMatch_(anyMatch), bitmap_(bitmap) {}

  bool Run(TSQLMemExpression* expression, const TSQLMemScanSearchCondition* extraCondition, TSQLMemRecordID& found) {
    if (table_.RecordManager() == nullptr) SQLMemError(10015, SQLMemNilPointer);
    if (table_.IndexManager() == nullptr) SQLMemError(10380, SQLMemNilPointer);
    if (table_.GetRecordCount() == 0) return false;
    // A walk from the cursor's position that starts at an end starts from that end; past the far end
    // there is nothing.
    if (!fromEnd_) {
      if (forward_ ? cursor_.Eof != 0 : cursor_.Bof != 0) return false;
      if (forward_ ? cursor_.Bof != 0 : cursor_.Eof != 0) fromEnd_ = true;
    }
    Collect(expression, extraCondition);
    bool result = false;
    if (!Impossible() && MergeScanConditions(conditions_, [this](const TSQLMemScanSearchCondition& a,
                                                                 const TSQLMemScanSearchCondition& b, Integer count) {
          return Index(a.IndexID).CompareKeys(static_cast<const Byte*>(a.KeyBuffer),
                                              static_cast<const Byte*>(b.KeyBuffer), count);
        })) {
      ChooseDrivingCondition();
      result = Walk(found);
    }
    pending_.GiveBack();
    return result;
  }

 private:
  // ---- step 1: the conditions ----
  void Collect(TSQLMemExpression* expression, const TSQLMemScanSearchCondition* extraCondition) {
    TSQLMemScanSearchConditionArray array;
    if (extraCondition != nullptr) array.Add(*extraCondition);
    if (expression != nullptr) array.AddFromExpression(expression);
    if (cursor_.TextFilter != nullptr) array.AddFromExpression(cursor_.TextFilter.get());
    if (cursor_.FilterExpression != nullptr) array.AddFromExpression(cursor_.FilterExpression.get());
    const Integer indexId = cursor_.CurrentIndexId();
    auto add = [&array, indexId](Byte kind, Byte* key, Integer count) {
      TSQLMemScanSearchCondition condition;
      condition.Kind = kind;
      condition.KeyBuffer = key;
      condition.KeyFieldCount = count;
      condition.IndexID = indexId;
      array.Add(condition);
    };
    if (cursor_.HasIndex()) {
      if (cursor_.RangeStartKeyBuffer != nullptr)
        add(cursor_.RangeStartExclusive != 0 ? 3 : 5, cursor_.RangeStartKeyBuffer, cursor_.RangeStartKeyFieldCount);
      if (cursor_.RangeEndKeyBuffer != nullptr)
        add(cursor_.RangeEndExclusive != 0 ? 2 : 4, cursor_.RangeEndKeyBuffer, cursor_.RangeEndKeyFieldCount);
      if (cursor_.ContinuationKeyFieldCount > 0 && cursor_.ContinuationKeyBuffer != nullptr && cursor_.Bof == 0 &&
          cursor_.Eof == 0)
        add(forward_ ? 3 : 2, cursor_.ContinuationKeyBuffer, cursor_.ContinuationKeyFieldCount);
    }
    array.BindIndexes(table_.IndexManager()->IndexDefs, pending_.list);
    for (Integer i = 0; i < array.Count(); ++i) conditions_.push_back(array.GetItem(i));
    // An index sorts NULL first and matches it like a value, while a comparison under SQL rules is false
    // for NULL: the field of every comparison taken out of a filter must hold a value, and a NULL
    // constant matches nothing.
    for (const TSQLMemScanPendingEntry& entry : pending_.list) {
      const auto* comparison = dynamic_cast<const TSQLMemExprNodeComparison*>(entry.Node);
      if (comparison == nullptr || !comparison->RawNull) continue;
      if (comparison->ConstOperand()->Value().IsNull()) nullConstant_ = true;
      nonNullFields_.push_back(comparison->FieldOperand()->ColumnIndex());
    }
  }

  // An expression condition that no record can meet.
  bool Impossible() const {
    return nullConstant_ || std::any_of(conditions_.begin(), conditions_.end(), [](const TSQLMemScanSearchCondition& c) {
             return !IsKeyCondition(c) && c.Expression != nullptr && c.Expression->HasImpossibleTextEquality();
           });
  }

  TSQLMemIndex& Index(Integer indexId) { return table_.IndexManager()->GetIndex(indexId); }

  // ---- step 2: the driving condition ----
  void ChooseDrivingCondition() {
    std::vector<Integer> keys;
    for (Integer i = 0; i < static_cast<Integer>(conditions_.size()); ++i)
      if (IsKeyCondition(conditions_[i])) keys.push_back(i);
    if (keys.empty()) return;
    // An equality on a unique index (or one led by an autoincrement field) finds at most a few records.
    for (Integer i : keys) {
      if (conditions_[i].Kind == 1 && IsSelectiveIndex(conditions_[i].IndexID)) {
        driving_ = i;
        return;
      }
    }
    if (keys.size() == 1 && conditions_[keys[0]].IndexID == cursor_.CurrentIndexId()) {
      driving_ = keys[0];
      return;
    }
    // The bound (or neighbouring pair of bounds on one index) whose range the index estimates smallest,
    // when it is small against the records the walk would otherwise read.
    const Int64 total = table_.GetRecordCount();
    Int64 best = total;
    Integer bestFirst = -1, bestSecond = -1;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const Integer first = keys[k];
      Integer second = -1;
      if (k + 1 < keys.size() && keys[k + 1] == first + 1 &&
          conditions_[first + 1].IndexID == conditions_[first].IndexID) {
        second = first + 1;
        ++k;
      }
      const TSQLMemScanSearchCondition& c1 = conditions_[first];
      const TSQLMemScanSearchCondition& c2 = second != -1 ? conditions_[second] : c1;
      const Int64 estimate = Index(c1.IndexID).EstimateRangeCount(sessionId_, c1, c2, total);
      if (estimate < best) {
        best = estimate;
        bestFirst = first;
        bestSecond = second;
      }
    }
    if (bestFirst != -1 && CheckedMul(best, best) <= EstimateLimit(total)) {
      driving_ = bestFirst;
      partner_ = bestSecond;
    } else {
      // The first bound drives; its neighbouring bound on the same index ends the walk instead of being
      // tested on every record up to the index's end.
      driving_ = keys[0];
      if (keys.size() > 1 && keys[1] == keys[0] + 1 && conditions_[keys[1]].IndexID == conditions_[keys[0]].IndexID)
        partner_ = keys[1];
    }
    if (partner_ != -1) {
      // The bound the index orders first starts a forward walk and ends a backward one.
      if (TSQLMemBTreeIndex::ConditionSide(conditions_[driving_]) > 0) std::swap(driving_, partner_);
      if (!forward_) std::swap(driving_, partner_);
    }
  }

  bool IsSelectiveIndex(Integer indexId) {
    const TSQLMemIndexDef& def = Index(indexId).IndexDef();
    if (def.Unique != 0 || def.Primary != 0) return true;
    if (def.GetColumnCount() == 0) return false;
    const TSQLMemFieldDefs& fields = table_.TableFieldDefs();
    const Integer fieldNo = fields.IndexOfName(def.GetColumn(0).Name);
    return fieldNo >= 0 && IsAutoIncFieldType(fields.GetFieldDef(fieldNo).FieldType);
  }

  // The square of an estimate that may drive the walk: the table's size for a cursor in index order;
  // in natural order a fifth of the records from the cursor's position on.
  Int64 EstimateLimit(Int64 total) {
    if (cursor_.HasIndex()) return total;
    Int64 position = 0;
    if (!fromEnd_) {
      position = table_.RecordManager()->GetRecordNo(CursorRecordId(cursor_), sessionId_);
      if (position < 0) position = 0;
    }
    return (total - position) / 5;
  }

  // ---- step 3: the walk ----
  bool Walk(TSQLMemRecordID& found) {
    if (driving_ == -1) {
      // Without a bound to drive it, a cursor in index order still needs its records in that order.
      if (cursor_.HasIndex()) return WalkIndex(cursor_.CurrentIndexId(), nullptr, nullptr, found);
      return WalkNatural(found);
    }
    if (driving_ >= static_cast<Integer>(conditions_.size()))
      SQLMemError(10382, SQLMemInvalidConditionNumber, {driving_, static_cast<Integer>(conditions_.size())});
    const TSQLMemScanSearchCondition* start = &conditions_[driving_];
    const TSQLMemScanSearchCondition* end = partner_ != -1 ? &conditions_[partner_] : nullptr;
    if (start->IndexID == cursor_.CurrentIndexId()) return WalkIndex(start->IndexID, start, end, found);
    return WalkOtherIndex(start, end, found);
  }

  bool Passes(Integer skip1, Integer skip2, Byte* record) {
    for (Integer fieldNo : nonNullFields_)
      if (IsRecordFieldNull(fieldNo, record)) return false;
    for (Integer i = 0; i < static_cast<Integer>(conditions_.size()); ++i) {
      if (i == skip1 || i == skip2) continue;
      const TSQLMemScanSearchCondition& c = conditions_[i];
      if (IsKeyCondition(c)) {
        const int order = Index(c.IndexID).CompareKeys(record, static_cast<const Byte*>(c.KeyBuffer), c.KeyFieldCount);
        if (!KindHolds(c.Kind, order)) return false;
      } else if (c.Expression != nullptr) {
        c.Expression->SetRecordBuffer(record);
        if (!c.Expression->GetBooleanValue()) return false;
      }
    }
    return !cursor_.RecordFilter || cursor_.RecordFilter(cursor_, record);
  }
  bool PassesOthers(Byte* record) { return Passes(driving_, partner_, record); }

  bool ReadRecord(const TSQLMemRecordID& id, Byte* buffer) {
    TSQLMemNavigationRequest request;
    request.SessionId = sessionId_;
    request.Direction = ndCurrent;
    request.RecordId = id;
    request.RecordBuffer = buffer;
    table_.RecordManager()->NavigateRecord(request);
    return request.Result == nrFound;
  }

  bool WalkNatural(TSQLMemRecordID& found) {
    TCachedBuffer buffer(table_);
    TSQLMemNavigationRequest request;
    request.SessionId = sessionId_;
    request.Direction = forward_ ? ndNext : ndPrior;
    request.RecordBuffer = buffer.Get();
    request.RecordId = CursorRecordId(cursor_);
    request.First = fromEnd_ && forward_ ? 1 : 0;
    request.Last = fromEnd_ && !forward_ ? 1 : 0;
    for (;;) {
      table_.RecordManager()->NavigateRecord(request);
      if (request.Result != nrFound) return false;
      if (Passes(-1, -1, buffer.Get())) {
        if (bitmap_ == nullptr) {
          found = request.RecordId;
          return true;
        }
        bitmap_->AddRecord(request.RecordId);
      }
      request.First = request.Last = 0;
    }
  }

  // Walks an index between the bounds in the walk's direction, from the cursor's record or an end:
  // the cursor's own index, so the records come in the cursor's order.
  bool WalkIndex(Integer indexId, const TSQLMemScanSearchCondition* start, const TSQLMemScanSearchCondition* end,
                 TSQLMemRecordID& found) {
    TSQLMemIndex& index = Index(indexId);
    TCachedBuffer buffer(table_);
    std::unique_ptr<TSQLMemIndexScanState> state = index.CreateScanState();
    TSQLMemRecordID id = CursorRecordId(cursor_);
    bool first = fromEnd_;
    if (!first && !ReadRecord(id, buffer.Get())) return false;
    while (index.ScanNext(sessionId_, first, state.get(), id, buffer.Get(), start, end, forward_)) {
      first = false;
      if (!ReadRecord(id, buffer.Get())) continue;
      if (!PassesOthers(buffer.Get())) continue;
      if (bitmap_ == nullptr) {
        found = id;
        // The cursor goes to this record next, and usually moves on from it in the same index.
        index.KeepScanPosition(sessionId_, id, *state);
        return true;
      }
      bitmap_->AddRecord(id);
    }
    return false;
  }

  // Walks the driving index over its whole range and picks, among the passing records, the one nearest
  // to the cursor's record in the cursor's order (natural, or its own index).
  bool WalkOtherIndex(const TSQLMemScanSearchCondition* start, const TSQLMemScanSearchCondition* end,
                      TSQLMemRecordID& found) {
    // This walk always runs forward, so a pair starts at the bound the index orders first.
    if (!forward_ && end != nullptr) std::swap(start, end);
    TSQLMemIndex& index = Index(start->IndexID);
    TSQLMemIndex* own = cursor_.HasIndex() ? &Index(cursor_.CurrentIndexId()) : nullptr;
    TCachedBuffer buffer(table_);
    const TSQLMemRecordID cursorId = CursorRecordId(cursor_);
    std::unique_ptr<TSQLMemKeyPath> cursorPath;
    if (own != nullptr && !fromEnd_) {
      cursorPath = own->CreateKeyPath();
      if (!ReadRecord(cursorId, buffer.Get()) || !own->FindRecordPath(sessionId_, cursorId, *cursorPath, buffer.Get()))
        SQLMemError(forward_ ? 10387 : 10386, SQLMemCannotFindRecordPosition,
                    {cursor_.CurrentIndexId(), cursorId.RecordNo, Integer{cursorId.ItemNo}});
    }
    struct Match {
      TSQLMemRecordID id;
      std::unique_ptr<TSQLMemKeyPath> path;  // in the cursor's index; nil in natural order
    };
    // The cursor's order: below 0 when a comes before b.
    auto order = [this, own](const TSQLMemRecordID& a, const TSQLMemKeyPath* aPath, const TSQLMemRecordID& b,
                             const TSQLMemKeyPath* bPath) {
      if (own != nullptr) return TSQLMemBTreeIndex::ComparePaths(aPath, bPath);
      return table_.CompareRecordIds(a, b);
    };
    std::vector<Match> matches;  // without a bitmap: the nearest one so far
    std::unique_ptr<TSQLMemIndexScanState> state = index.CreateScanState();
    TSQLMemRecordID id;
    bool first = true;
    while (index.ScanNext(sessionId_, first, state.get(), id, buffer.Get(), start, end, true)) {
      first = false;
      if (!ReadRecord(id, buffer.Get()) || !PassesOthers(buffer.Get())) continue;
      Match match{id, nullptr};
      if (own != nullptr) {
        match.path = own->CreateKeyPath();
        if (!own->FindRecordPath(sessionId_, id, *match.path, buffer.Get()))
          SQLMemError(11331, SQLMemCannotFindRecordPosition, {cursor_.CurrentIndexId(), id.RecordNo, Integer{id.ItemNo}});
      }
      if (bitmap_ != nullptr) {
        matches.push_back(std::move(match));
        continue;
      }
      if (!fromEnd_) {
        // Only records beyond the cursor's in the walk's direction count.
        const int c = order(match.id, match.path.get(), cursorId, cursorPath.get());
        if (forward_ ? c <= 0 : c >= 0) continue;
      }
      if (anyMatch_) {
        found = match.id;
        return true;
      }
      if (matches.empty()) {
        matches.push_back(std::move(match));
        continue;
      }
      const int c = order(match.id, match.path.get(), matches.front().id, matches.front().path.get());
      if (forward_ ? c < 0 : c > 0) matches.front() = std::move(match);
    }
    if (bitmap_ == nullptr) {
      if (matches.empty()) return false;
      found = matches.front().id;
      return true;
    }
    std::sort(matches.begin(), matches.end(), [&order](const Match& a, const Match& b) {
      return order(a.id, a.path.get(), b.id, b.path.get()) < 0;
    });
    for (const Match& m : matches) bitmap_->AddRecord(m.id);
    return false;
  }

  TSQLMemTableData& table_;
  TSQLMemCursor& cursor_;
  Integer sessionId_;
  bool forward_;
  bool fromEnd_;
  bool anyMatch_;
  TSQLMemRecordBitmap* bitmap_;
  TPendingComparisons pending_;
  std::vector<TSQLMemScanSearchCondition> conditions_;
  Integer driving_ = -1;
  Integer partner_ = -1;
  std::vector<Integer> nonNullFields_;  // table field numbers
  bool nullConstant_ = false;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Range and filter test

bool TSQLMemTableData::RecordAccepted(TSQLMemCursor& cursor) {
  Byte* record = cursor.CurrentRecordBuffer;
  if (cursor.HasIndex() && cursor.IsRanged()) {
    TSQLMemIndex& index = TableIndexManager().GetIndex(cursor.CurrentIndexId());
    if (cursor.RangeStartKeyBuffer != nullptr) {
      const int c = index.CompareKeys(record, cursor.RangeStartKeyBuffer, cursor.RangeStartKeyFieldCount);
      if (cursor.RangeStartExclusive != 0 ? c <= 0 : c < 0) return false;
    }
    if (cursor.RangeEndKeyBuffer != nullptr) {
      const int c = index.CompareKeys(record, cursor.RangeEndKeyBuffer, cursor.RangeEndKeyFieldCount);
      if (cursor.RangeEndExclusive != 0 ? c >= 0 : c > 0) return false;
    }
  }
  for (TSQLMemExpression* filter : {cursor.TextFilter.get(), cursor.FilterExpression.get()}) {
    if (filter == nullptr) continue;
    filter->SetRecordBuffer(record);
    if (!filter->GetBooleanValue()) return false;
  }
  return !cursor.RecordFilter || cursor.RecordFilter(cursor, record);
}

// ---------------------------------------------------------------------------------------------
// Scans and the filter bitmap

bool TSQLMemTableData::ScanRecords(TSQLMemCursor& cursor, TSQLMemExpression* expression, bool anyMatch, bool lockHeld,
                                   TSQLMemRecordBitmap* bitmap, TSQLMemRecordID* foundId, bool forward, bool fromEnd,
                                   const TSQLMemScanSearchCondition* extraCondition) {
  TTableLock lock(*this, !lockHeld);
  TRecordScan scan(*this, cursor, forward, fromEnd, anyMatch, bitmap);
  TSQLMemRecordID found;
  const bool result = scan.Run(expression, extraCondition, found);
  if (result && foundId != nullptr) *foundId = found;
  return result;
}

void TSQLMemTableData::BuildFilterBitmap(TSQLMemCursor& cursor) {
  TTableLock lock(*this, true);
  if (cursor.FilterBitmap == nullptr) cursor.FilterBitmap = std::make_unique<TSQLMemRecordBitmap>(this);
  TSQLMemRecordBitmap& bitmap = *cursor.FilterBitmap;
  bitmap.SetActive(false);
  bitmap.SetIndexed(cursor.HasIndex());
  bitmap.TuneGrowth();
  if (GetRecordCount() > 0) {
    TCursorPositionKeeper state(cursor);
    std::vector<Byte> scratch(static_cast<std::size_t>(std::max(cursor.RecordBufferSize, RecordSize())));
    cursor.CurrentRecordBuffer = scratch.data();
    cursor.SetBeginOfData();
    ScanRecords(cursor, nullptr, false, true, &bitmap, nullptr, true, true, nullptr);
  }
  bitmap.SetActive(true);
}

Byte TSQLMemTableData::MoveFilteredCursor(TSQLMemCursor& cursor, Byte direction) {
  TTableLock lock(*this, true);
  if (cursor.FilterBitmap == nullptr || !cursor.FilterBitmap->Active()) BuildFilterBitmap(cursor);
  TSQLMemNavigationRequest request;
  request.Direction = direction;
  request.RecordId = CursorRecordId(cursor);
  request.First = cursor.Bof;
  request.Last = cursor.Eof;
  cursor.FilterBitmap->Navigate(request);
  if (request.Result == nrFound) {
    TSQLMemNavigationRequest read;
    read.Direction = ndCurrent;
    read.RecordId = request.RecordId;
    read.RecordBuffer = cursor.CurrentRecordBuffer;
    FetchRecord(SessionIdOf(&cursor), read);
    request.Result = read.Result;
  }
  switch (request.Result) {
    case nrFound: PlaceCursor(cursor, request.RecordId); break;
    case nrBeforeFirst: cursor.SetBeginOfData(); break;
    case nrAfterLast: cursor.SetEndOfData(); break;
    default: break;
  }
  return request.Result;
}

// ---------------------------------------------------------------------------------------------
// Keeping a built bitmap in step

namespace {

// The nearest record before recordId in the cursor's order that the bitmap holds; false when none.
// The record's key is in the cursor's index already.
bool BitmapRecordBefore(TSQLMemTableData& table, TSQLMemCursor& cursor, const TSQLMemRecordID& recordId,
                        const Byte* record, TSQLMemRecordID& before) {
  const TSQLMemRecordBitmap& bitmap = *cursor.FilterBitmap;
  const Integer sessionId = TSQLMemTableData::SessionIdOf(&cursor);
  std::vector<Byte> buffer(static_cast<std::size_t>(table.RecordSize()));
  if (!cursor.HasIndex()) {
    TSQLMemNavigationRequest request;
    request.SessionId = sessionId;
    request.Direction = ndPrior;
    request.RecordId = recordId;
    request.RecordBuffer = buffer.data();
    for (;;) {
      table.TableRecordManager().NavigateRecord(request);
      if (request.Result != nrFound) return false;
      if (bitmap.CheckRecord(request.RecordId)) {
        before = request.RecordId;
        return true;
      }
    }
  }
  TSQLMemIndex& index = table.TableIndexManager().GetIndex(cursor.CurrentIndexId());
  std::unique_ptr<TSQLMemIndexScanState> state = index.CreateScanState();
  TSQLMemRecordID id = recordId;
  std::memcpy(buffer.data(), record, buffer.size());
  while (index.ScanNext(sessionId, false, state.get(), id, buffer.data(), nullptr, nullptr, false)) {
    if (bitmap.CheckRecord(id)) {
      before = id;
      return true;
    }
  }
  return false;
}

// Puts the record into the bitmap right after its nearest neighbour before it (none: at the start).
void PlaceInBitmap(TSQLMemTableData& table, TSQLMemCursor& cursor, const TSQLMemRecordID& recordId, const Byte* record) {
  TSQLMemRecordBitmap& bitmap = *cursor.FilterBitmap;
  TSQLMemRecordID last;
  if (bitmap.GetCount() > 0) bitmap.GetRecordIdByNo(bitmap.GetCount(), last);
  TSQLMemRecordID before;
  if (!cursor.HasIndex() && (bitmap.GetCount() == 0 || table.CompareRecordIds(last, recordId) < 0))
    bitmap.AddRecord(recordId);  // natural order and the highest id: appended, the list stays sorted
  else if (BitmapRecordBefore(table, cursor, recordId, record, before))
    bitmap.InsertRecord(recordId, before, false, false);
  else
    bitmap.InsertRecord(recordId, recordId, false, true);
}

}  // namespace

void TSQLMemTableData::KeepFilterBitmapAfterInsert(TSQLMemCursor& cursor, const TSQLMemRecordID& recordId) {
  if (cursor.FilterBitmap == nullptr || !cursor.FilterBitmap->Active()) return;
  Byte* record = cursor.CurrentRecordBuffer;
  if (RecordAccepted(cursor)) {
    PlaceInBitmap(*this, cursor, recordId, record);
    return;
  }
  // The cursor does not see the new record: it goes to the nearest record it sees before it.
  TSQLMemRecordID before;
  if (BitmapRecordBefore(*this, cursor, recordId, record, before) &&
      ReadStoredRecord(SessionIdOf(&cursor), before, record))
    PlaceCursor(cursor, before);
  else
    cursor.SetBeginOfData();
}

void TSQLMemTableData::KeepFilterBitmapAfterUpdate(TSQLMemCursor& cursor, const TSQLMemRecordID& recordId) {
  if (cursor.FilterBitmap == nullptr || !cursor.FilterBitmap->Active()) return;
  TSQLMemRecordBitmap& bitmap = *cursor.FilterBitmap;
  const bool held = bitmap.CheckRecord(recordId);
  if (!RecordAccepted(cursor)) {
    if (!held) return;
    // The record leaves the cursor's view: the cursor moves on to the next record it sees, else the prior.
    PlaceCursor(cursor, recordId);
    Byte result = MoveFilteredCursor(cursor, ndNext);
    if (result != nrFound) {
      PlaceCursor(cursor, recordId);
      result = MoveFilteredCursor(cursor, ndPrior);
    }
    bitmap.RemoveRecord(recordId);
    if (result != nrFound) cursor.SetBeginOfData();
    return;
  }
  // In natural order a record keeps its place; in index order a changed key moves it.
  if (held && !cursor.HasIndex()) return;
  if (held) bitmap.RemoveRecord(recordId);
  PlaceInBitmap(*this, cursor, recordId, cursor.CurrentRecordBuffer);
}

// ---------------------------------------------------------------------------------------------
// Counts and numbers

Int64 TSQLMemTableData::GetCursorRecordCount(TSQLMemCursor& cursor) {
  TTableLock lock(*this, true);
  if (!cursor.NeedsRecordFiltering()) return GetRecordCount();
  if (cursor.FilterBitmap == nullptr || !cursor.FilterBitmap->Active()) BuildFilterBitmap(cursor);
  return cursor.FilterBitmap->GetCount();
}

void TSQLMemTableData::SetRecNo(TSQLMemCursor& cursor, Int64 recordNo) {
  TTableLock lock(*this, true);
  const Int64 count = GetCursorRecordCount(cursor);
  if (count <= 0) return;
  // Numbers start at 1: a number below that addresses the first record, never the one before it.
  recordNo = std::clamp<Int64>(recordNo, 1, count);
  cursor.Bof = cursor.Eof = 0;
  if (cursor.NeedsRecordFiltering()) {
    TSQLMemRecordID id;
    cursor.FilterBitmap->GetRecordIdByNo(recordNo, id);
    PlaceCursor(cursor, id);
  } else if (cursor.HasIndex()) {
    PlaceCursor(cursor, TableIndexManager().GetIndex(cursor.CurrentIndexId()).GetRecordIdByNo(SessionIdOf(&cursor), nullptr, recordNo));
  } else {
    SetRecNoNatural(cursor, recordNo);
  }
}

Int64 TSQLMemTableData::GetRecNo(TSQLMemCursor& cursor) {
  TTableLock lock(*this, true);
  if (cursor.Bof != 0 || cursor.Eof != 0 || GetRecordCount() == 0) return -1;
  const TSQLMemRecordID id = CursorRecordId(cursor);
  if (cursor.NeedsRecordFiltering()) {
    if (cursor.FilterBitmap == nullptr || !cursor.FilterBitmap->Active()) BuildFilterBitmap(cursor);
    return cursor.FilterBitmap->GetRecordNo(id);
  }
  if (cursor.HasIndex()) {
    std::vector<Byte> record(static_cast<std::size_t>(RecordSize()));
    if (!ReadStoredRecord(SessionIdOf(&cursor), id, record.data())) return -1;
    return TableIndexManager().GetIndex(cursor.CurrentIndexId()).GetRecordNo(SessionIdOf(&cursor), id, nullptr, record.data());
  }
  return GetRecNoNatural(cursor);
}

// ---------------------------------------------------------------------------------------------
// Locate

bool TSQLMemTableData::LocateByExpression(TSQLMemCursor& cursor, TSQLMemExpression* expression) {
  if (expression == nullptr) SQLMemError(11375, SQLMemNilPointer);
  TTableLock lock(*this, true);
  TCursorPositionKeeper state(cursor);
  TSQLMemRecordID found;
  if (!ScanRecords(cursor, expression, false, true, nullptr, &found, true, true, nullptr)) return false;
  state.KeepPosition();
  PlaceCursor(cursor, found);
  TSQLMemNavigationRequest read;
  read.Direction = ndCurrent;
  read.RecordId = found;
  read.RecordBuffer = cursor.CurrentRecordBuffer;
  FetchRecord(SessionIdOf(&cursor), read);
  return true;
}

bool TSQLMemTableData::LocateByCondition(TSQLMemCursor& cursor, Byte kind) {
  TTableLock lock(*this, true);
  TSQLMemScanSearchCondition condition;
  condition.Kind = kind;
  condition.KeyBuffer = cursor.KeyBuffer;
  condition.KeyFieldCount = cursor.KeyFieldCount;
  condition.IndexID = cursor.CurrentIndexId();
  TCursorPositionKeeper state(cursor);
  TSQLMemRecordID found;
  if (!ScanRecords(cursor, nullptr, false, true, nullptr, &found, true, true, &condition)) return false;
  state.KeepPosition();
  PlaceCursor(cursor, found);
  return true;
}
