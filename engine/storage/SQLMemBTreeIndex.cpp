#include "engine/storage/SQLMemBTreeIndex.h"

#include <cmath>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"

// A key block of the index's key size, freed on every path.
class TSQLMemBTreeIndex::TakenKey {
 public:
  explicit TakenKey(const TSQLMemBTreeKeyRef& keyRef) : keyRef_(keyRef), key_(keyRef.AllocKey()) {}
  TakenKey(const TSQLMemBTreeKeyRef& keyRef, const void* recordBuffer) : TakenKey(keyRef) {
    keyRef.MakeKey(static_cast<const Byte*>(recordBuffer), key_);
  }
  ~TakenKey() { keyRef_.FreeKey(key_); }
  TakenKey(const TakenKey&) = delete;
  TakenKey& operator=(const TakenKey&) = delete;
  Byte* Get() const noexcept { return key_; }

 private:
  const TSQLMemBTreeKeyRef& keyRef_;
  Byte* key_;
};

// Compares only the leading columns while a partial-key search runs; all columns again afterwards.
class TSQLMemBTreeIndex::ColumnsInUse {
 public:
  ColumnsInUse(TSQLMemBTreeKeyRef& keyRef, Integer n) : keyRef_(keyRef) { keyRef.SetColumnsInUse(n); }
  ~ColumnsInUse() { keyRef_.SetColumnsInUse(keyRef_.ColumnCount()); }
  ColumnsInUse(const ColumnsInUse&) = delete;
  ColumnsInUse& operator=(const ColumnsInUse&) = delete;

 private:
  TSQLMemBTreeKeyRef& keyRef_;
};

namespace {

Byte* ReferenceOf(const TSQLMemRecordID& id, Byte (&bytes)[TSQLMemRecordID::kSize]) {
  StoreRecordID(bytes, id);
  return bytes;
}

// The leaf item's record id; an entry outside the page raises ERangeError.
TSQLMemRecordID ItemRecordId(const TSQLMemBTreePage& leaf, Integer entryNo) {
  CheckIndex(entryNo, static_cast<std::size_t>(leaf.Count()));
  return LoadRecordID(leaf.DataPtr(entryNo));
}

}  // namespace

TSQLMemBTreeIndex::TSQLMemBTreeIndex(TSQLMemIndexTable& table)
    : table_(table), pages_(table.IndexPageManager(), keyRef_, table.IndexPageCheck(), table.IndexTableData()) {
  keyRef_.SetReferenceSize(kReferenceSize);
}

// ---------------------------------------------------------------------------------------------
// Pages

TSQLMemBTreePage TSQLMemBTreeIndex::TakePage(Integer sessionId, Integer pageNo) {
  return TSQLMemBTreePage(pages_, pages_.TakePage(sessionId, pageNo));
}

Integer TSQLMemBTreeIndex::NewRoot(Integer sessionId) {
  TSQLMemBTreePage root(pages_, pages_.NewPage(sessionId));
  root.InitRoot();
  root.SetDirty();
  return root.PageNo();
}

bool TSQLMemBTreeIndex::FirstLeafPage(Integer sessionId, Integer& pageNo) {
  pageNo = RootPageNo();
  while (pageNo != -1) {
    TSQLMemBTreePage page = TakePage(sessionId, pageNo);
    if (page.IsLeaf()) return true;
    if (page.Count() == 0) return false;
    pageNo = page.ChildPageNo(0);
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// The tree

void TSQLMemBTreeIndex::OpenIndex(const TSQLMemIndexDef& indexDef) {
  indexDef_.Assign(indexDef);
  keyRef_.Build(indexDef_, &table_);
  keyRef_.SetReferenceSize(kReferenceSize);
}

void TSQLMemBTreeIndex::CreateIndex(Integer sessionId, TSQLMemIndexDef& indexDef, TSQLMemIndexRecordSource& records) {
  indexDef_.Assign(indexDef);
  indexDef_.RootPageNo = -1;
  keyRef_.Build(indexDef_, &table_);
  keyRef_.SetReferenceSize(kReferenceSize);
  const TSQLMemFieldDefs* fields = table_.KeyFieldDefs();
  std::vector<Byte> buffer(static_cast<std::size_t>(fields->RecordSize()), 0);
  indexDef_.RootPageNo = NewRoot(sessionId);
  indexDef.RootPageNo = indexDef_.RootPageNo;
  TSQLMemIndexedRecord record;
  record.SessionId = sessionId;
  record.RecordBuffer = buffer.data();
  while (records.NextRecord(buffer.data(), record.RecordId)) {
    // Records that already share a key cannot take a unique index: every later post of that key
    // would be refused by it.
    if (!IsKeyFree(sessionId, buffer.data())) {
      if (indexDef_.Primary != 0)
        SQLMemError(30319, "Primary Key constraint '%s' violated. Duplicate found.", {indexDef_.Name});
      SQLMemError(30320, "Constraint unique '%s' violated. Duplicate found.", {indexDef_.Name});
    }
    InsertKey(record);
  }
}

void TSQLMemBTreeIndex::DropIndex(Integer sessionId) {
  if (RootPageNo() == -1) return;
  TakePage(sessionId, RootPageNo()).Controller().FreePages(sessionId);
  // Nothing may reach the freed pages through this index or a remembered path.
  indexDef_.RootPageNo = -1;
  cache_.Remove(-1);
}

void TSQLMemBTreeIndex::Validate(Integer sessionId) {
  if (RootPageNo() == -1) return;
  TSQLMemKeyPath path;
  TakePage(sessionId, RootPageNo()).Controller().Validate(sessionId, path);
}

// ---------------------------------------------------------------------------------------------
// Keeping step with the records

void TSQLMemBTreeIndex::InsertKey(const TSQLMemIndexedRecord& record) {
  TakenKey key(keyRef_, record.RecordBuffer);
  Byte reference[TSQLMemRecordID::kSize];
  if (RootPageNo() == -1) indexDef_.RootPageNo = NewRoot(record.SessionId);
  TSQLMemKeyPath path;
  TakePage(record.SessionId, RootPageNo())
      .Controller()
      .InsertKey(record.SessionId, key.Get(), path, ReferenceOf(record.RecordId, reference));
}

void TSQLMemBTreeIndex::DeleteKey(const TSQLMemIndexedRecord& record) {
  if (RootPageNo() == -1) SQLMemError(20027, "Index error: cannot delete entry. Entry not found");
  TakenKey key(keyRef_, record.RecordBuffer);
  Byte reference[TSQLMemRecordID::kSize];
  TSQLMemKeyPath path;
  if (!TakePage(record.SessionId, RootPageNo())
           .Controller()
           .DeleteKey(record.SessionId, key.Get(), path, ReferenceOf(record.RecordId, reference)))
    SQLMemError(20027, "Index error: cannot delete entry. Entry not found");
}

void TSQLMemBTreeIndex::UpdateKey(const TSQLMemIndexedRecord& record) {
  TakenKey oldKey(keyRef_, record.OldRecordBuffer);
  TakenKey newKey(keyRef_, record.RecordBuffer);
  if (keyRef_.Compare(oldKey.Get(), newKey.Get()) == 0) return;
  if (RootPageNo() == -1) SQLMemError(20027, "Index error: cannot delete entry. Entry not found");
  Byte reference[TSQLMemRecordID::kSize];
  ReferenceOf(record.RecordId, reference);
  TSQLMemKeyPath path;
  if (!TakePage(record.SessionId, RootPageNo()).Controller().DeleteKey(record.SessionId, oldKey.Get(), path, reference))
    SQLMemError(20027, "Index error: cannot delete entry. Entry not found");
  path.Clear();
  TakePage(record.SessionId, RootPageNo()).Controller().InsertKey(record.SessionId, newKey.Get(), path, reference);
}

bool TSQLMemBTreeIndex::IsKeyFree(Integer sessionId, const Byte* recordBuffer) {
  if ((indexDef_.Unique == 0 && indexDef_.Primary == 0) || RootPageNo() == -1) return true;
  TakenKey key(keyRef_, recordBuffer);
  TSQLMemKeyPath path;
  return !TakePage(sessionId, RootPageNo()).Controller().FindByCondition(sessionId, true, path, ckEqual, key.Get());
}

bool TSQLMemBTreeIndex::IsUpdateKeyFree(Integer sessionId, const Byte* oldRecordBuffer, const Byte* newRecordBuffer) {
  if (CompareKeys(oldRecordBuffer, newRecordBuffer, keyRef_.ColumnCount()) == 0) return true;
  return IsKeyFree(sessionId, newRecordBuffer);
}

// ---------------------------------------------------------------------------------------------
// Positions

bool TSQLMemBTreeIndex::FindRecordPath(Integer sessionId, const TSQLMemRecordID& recordId, TSQLMemKeyPath& path,
                                       const Byte* recordBuffer) {
  if (RootPageNo() == -1) return false;
  path.Clear();
  TakenKey key(keyRef_, recordBuffer);
  Byte reference[TSQLMemRecordID::kSize];
  return TakePage(sessionId, RootPageNo())
      .Controller()
      .FindKey(sessionId, key.Get(), path, ReferenceOf(recordId, reference));
}

int TSQLMemBTreeIndex::ComparePaths(const TSQLMemKeyPath* a, const TSQLMemKeyPath* b) {
  if (a == nullptr) SQLMemError(10384, "Nil pointer occured");
  if (b == nullptr) SQLMemError(10385, "Nil pointer occured");
  return TSQLMemKeyPath::Compare(*a, *b);
}

TSQLMemRecordID TSQLMemBTreeIndex::GetRecordId(Integer sessionId, const TSQLMemKeyPath& path) {
  if (path.Count() <= 0) SQLMemError(20068, "Index error: invalid position");
  const TSQLMemKeyPath::Level& level = path.At(path.Count() - 1);
  return ItemRecordId(TakePage(sessionId, level.PageNo), level.EntryNo);
}

bool TSQLMemBTreeIndex::MoveFirst(Integer sessionId, TSQLMemKeyPath& path) {
  if (RootPageNo() == -1) return false;
  path.Clear();
  return TakePage(sessionId, RootPageNo()).Controller().First(sessionId, path);
}

bool TSQLMemBTreeIndex::MoveLast(Integer sessionId, TSQLMemKeyPath& path) {
  if (RootPageNo() == -1) return false;
  path.Clear();
  return TakePage(sessionId, RootPageNo()).Controller().Last(sessionId, path);
}

bool TSQLMemBTreeIndex::MoveNext(Integer sessionId, TSQLMemKeyPath& path) {
  if (path.Count() <= 0) SQLMemError(20069, "Index error: invalid position");
  Integer level = path.Count() - 1;
  while (level >= 0 && path.At(level).EntryNo >= path.At(level).EntryCount - 1) --level;
  if (level < 0) return false;
  ++path.At(level).EntryNo;
  // The deeper levels continue on the next page of their level, from its first item.
  for (Integer i = level + 1; i < path.Count(); ++i) {
    const Integer next = TakePage(sessionId, path.At(i).PageNo).NextPageNo();
    if (next == -1) SQLMemError(20070, "Index error: invalid page number");
    path.At(i) = {next, 0, TakePage(sessionId, next).Count()};
  }
  return true;
}

bool TSQLMemBTreeIndex::MovePrior(Integer sessionId, TSQLMemKeyPath& path) {
  if (path.Count() <= 0) SQLMemError(20069, "Index error: invalid position");
  Integer level = path.Count() - 1;
  while (level >= 0 && path.At(level).EntryNo <= 0) --level;
  if (level < 0) return false;
  --path.At(level).EntryNo;
  // The deeper levels continue on the prior page of their level, from its last item.
  for (Integer i = level + 1; i < path.Count(); ++i) {
    const Integer prior = TakePage(sessionId, path.At(i).PageNo).PriorPageNo();
    if (prior == -1) SQLMemError(20071, "Index error: invalid page number");
    const Integer count = TakePage(sessionId, prior).Count();
    path.At(i) = {prior, count - 1, count};
  }
  return true;
}

bool TSQLMemBTreeIndex::Move(Integer sessionId, bool absolute, TSQLMemKeyPath& path, bool forward) {
  if (absolute) return forward ? MoveFirst(sessionId, path) : MoveLast(sessionId, path);
  return forward ? MoveNext(sessionId, path) : MovePrior(sessionId, path);
}

void TSQLMemBTreeIndex::Navigate(TSQLMemNavigationRequest& request) {
  if (request.Direction == ndCurrent) SQLMemError(20053, "Invalid get record mode for index: grmCurrent");
  if (RootPageNo() == -1) {
    request.Result = nrAfterLast;
    return;
  }
  const Integer sessionId = request.SessionId;
  const bool absolute = request.First != 0 || request.Last != 0;
  TSQLMemKeyPath path;
  cache_.GetPath(sessionId, request.RecordId, absolute, path);
  bool found;
  bool moved;
  if (absolute) {
    // Forward from before the first record, or backward from after the last.
    found = request.First != 0 ? MoveFirst(sessionId, path) : MoveLast(sessionId, path);
    moved = found;
  } else {
    // A remembered path still belongs to the request's record; else the record is looked up, and its
    // path kept for the next move from the same record.
    found = path.Count() > 0;
    if (!found && FindRecordPath(sessionId, request.RecordId, path, request.RecordBuffer)) {
      found = true;
      cache_.SetLookedUpPath(sessionId, request.RecordId, path);
    }
    moved = found && (request.Direction == ndNext ? MoveNext(sessionId, path) : MovePrior(sessionId, path));
  }
  if (!found) {
    // An index without items has no first or last record: the cursor stands after the end.
    request.Result = absolute ? nrAfterLast : nrNotFound;
    return;
  }
  // From before the first record only a forward move finds one, from after the last only a backward
  // move: as in natural order, the other direction answers the end the cursor already stands at.
  if (absolute && request.Direction != (request.First != 0 ? ndNext : ndPrior)) {
    request.Result = request.First != 0 ? nrBeforeFirst : nrAfterLast;
    return;
  }
  if (!moved) {
    if (request.Direction == ndNext) {
      request.Result = nrAfterLast;
      request.Last = 1;
    } else {
      request.Result = nrBeforeFirst;
      request.First = 1;
    }
    return;
  }
  request.First = 0;
  request.Last = 0;
  request.RecordId = GetRecordId(sessionId, path);
  const Byte direction = request.Direction;
  request.Direction = ndCurrent;
  try {
    table_.ReadIndexedRecord(request);
  } catch (...) {
    request.Direction = direction;
    throw;
  }
  request.Direction = direction;
  request.Result = nrFound;
  cache_.SetPath(sessionId, request.RecordId, path);
}

// ---------------------------------------------------------------------------------------------
// Record numbers

Int64 TSQLMemBTreeIndex::GetRecordNo(Integer sessionId, const TSQLMemRecordID& recordId,
                                     const TSQLMemRecordBitmap* bitmap, const Byte* recordBuffer) {
  TSQLMemKeyPath path;
  if (!FindRecordPath(sessionId, recordId, path, recordBuffer)) return -1;
  const bool filtered = bitmap != nullptr && bitmap->Active();
  const TSQLMemKeyPath::Level& level = path.At(path.Count() - 1);
  Int64 number = 0;
  Integer pageNo = level.PageNo;
  Integer last = level.EntryNo;  // the last item that counts on this leaf
  while (pageNo != -1) {
    TSQLMemBTreePage leaf = TakePage(sessionId, pageNo);
    if (last < 0) last = leaf.Count() - 1;
    if (!filtered) {
      number = CheckedAdd(number, Int64{last} + 1);
    } else {
      for (Integer i = 0; i <= last; ++i)
        if (bitmap->CheckRecord(ItemRecordId(leaf, i))) number = CheckedAdd(number, Int64{1});
    }
    pageNo = leaf.PriorPageNo();
    last = -1;
  }
  return number;
}

TSQLMemRecordID TSQLMemBTreeIndex::GetRecordIdByNo(Integer sessionId, const TSQLMemRecordBitmap* bitmap, Int64 recordNo) {
  Integer pageNo;
  if (!FirstLeafPage(sessionId, pageNo) || TakePage(sessionId, pageNo).Count() == 0)
    SQLMemError(20074, "Cannot retreive record from empty index");
  // No record stands before the first: a number below 1 would address the item before a leaf.
  if (recordNo < 1) SQLMemError(20075, "Cannot set RecNo greater than RecordCount");
  const bool filtered = bitmap != nullptr && bitmap->Active();
  Int64 passed = 0;
  while (pageNo != -1) {
    TSQLMemBTreePage leaf = TakePage(sessionId, pageNo);
    if (filtered) {
      for (Integer i = 0; i < leaf.Count(); ++i) {
        const TSQLMemRecordID id = ItemRecordId(leaf, i);
        if (bitmap->CheckRecord(id) && ++passed == recordNo) return id;
      }
    } else if (passed + leaf.Count() >= recordNo) {
      return ItemRecordId(leaf, static_cast<Integer>(recordNo - passed - 1));
    } else {
      passed += leaf.Count();
    }
    pageNo = leaf.NextPageNo();
  }
  SQLMemError(20075, "Cannot set RecNo greater than RecordCount");
}

void TSQLMemBTreeIndex::RemoveDuplicates(Integer sessionId, TSQLMemRecordBitmap* bitmap) {
  if (bitmap == nullptr) SQLMemError(20076, "Pointer is nil");
  Integer pageNo;
  if (!FirstLeafPage(sessionId, pageNo)) return;
  TakenKey current(keyRef_);
  bool haveCurrent = false;
  const Integer keySize = keyRef_.KeySize();
  while (pageNo != -1) {
    TSQLMemBTreePage leaf = TakePage(sessionId, pageNo);
    for (Integer i = 0; i < leaf.Count(); ++i) {
      const TSQLMemRecordID id = ItemRecordId(leaf, i);
      if (!bitmap->CheckRecord(id)) continue;
      const Byte* key = leaf.ItemPtr(i);
      if (haveCurrent && keyRef_.Compare(current.Get(), key) == 0) {
        bitmap->RemoveRecord(id);
      } else {
        std::copy(key, key + keySize, current.Get());
        haveCurrent = true;
      }
    }
    pageNo = leaf.NextPageNo();
  }
}

// ---------------------------------------------------------------------------------------------
// Range scans and estimates

bool TSQLMemBTreeIndex::FindByCondition(Integer sessionId, bool forward, TSQLMemKeyPath& path,
                                        const TSQLMemScanSearchCondition& condition) {
  if (RootPageNo() == -1) return false;
  TakenKey key(keyRef_, condition.KeyBuffer);
  ColumnsInUse partial(keyRef_, condition.KeyFieldCount);
  return TakePage(sessionId, RootPageNo()).Controller().FindByCondition(sessionId, forward, path, condition.Kind, key.Get());
}

int TSQLMemBTreeIndex::CompareKeys(const Byte* recordBuffer1, const Byte* recordBuffer2, Integer columnCount) {
  TakenKey key1(keyRef_, recordBuffer1);
  TakenKey key2(keyRef_, recordBuffer2);
  ColumnsInUse partial(keyRef_, columnCount);
  return keyRef_.Compare(key1.Get(), key2.Get());
}

int TSQLMemBTreeIndex::ConditionSide(const TSQLMemScanSearchCondition& condition) noexcept {
  switch (condition.Kind) {
    case ckGreater:
    case ckGreaterOrEqual:
      return -1;
    case ckLess:
    case ckLessOrEqual:
      return 1;
    default:
      return 0;
  }
}

bool TSQLMemBTreeIndex::PositionScan(Integer sessionId, bool first, TSQLMemIndexScanState& state,
                                     const TSQLMemRecordID& recordId, const Byte* recordBuffer,
                                     const TSQLMemScanSearchCondition* startCondition, bool forward, bool& skipMove) {
  TSQLMemKeyPath& path = *state.CurrentPath;
  if (startCondition == nullptr) {
    if (first) return Move(sessionId, true, path, forward);
    return FindRecordPath(sessionId, recordId, path, recordBuffer);
  }
  path.Clear();
  if (!FindByCondition(sessionId, forward, path, *startCondition)) return false;
  if (first) return true;
  // Continuing from a record: from the record itself when it lies inside the range, else from just
  // before the range's start, so that the step that follows lands on it.
  TSQLMemKeyPath recordPath;
  if (!FindRecordPath(sessionId, recordId, recordPath, recordBuffer)) return true;
  const int c = ComparePaths(&recordPath, &path);
  if (forward ? c < 0 : c > 0) {
    // At the very first (last) item there is nothing to step back to: the start itself is next.
    skipMove = !Move(sessionId, false, path, !forward);
  } else {
    path.Assign(recordPath);
  }
  return true;
}

bool TSQLMemBTreeIndex::ScanNext(Integer sessionId, bool first, TSQLMemIndexScanState* state, TSQLMemRecordID& recordId,
                                 const Byte* recordBuffer, const TSQLMemScanSearchCondition* startCondition,
                                 const TSQLMemScanSearchCondition* endCondition, bool forward) {
  if (state == nullptr) SQLMemError(20077, "Pointer is nil");
  if (first && state->Started) SQLMemError(20078, "Index error: invalid params");
  bool found = true;
  bool skipMove = false;
  if (first || !state->Started)
    found = PositionScan(sessionId, first, *state, recordId, recordBuffer, startCondition, forward, skipMove);
  // The last position the scan may reach: the far end of the end condition, else of the start one.
  const TSQLMemScanSearchCondition* bound = endCondition != nullptr ? endCondition : startCondition;
  if (found && !state->Started) PlanScanEnd(sessionId, *state, bound, endCondition == nullptr, forward, found);
  if (found && !first && !skipMove) found = Move(sessionId, false, *state->CurrentPath, forward);
  if (found && state->EndByKey) found = WithinEndBound(sessionId, *state->CurrentPath, *bound, forward);
  if (found && state->EndPath != nullptr) {
    const int c = ComparePaths(state->CurrentPath.get(), state->EndPath.get());
    found = forward ? c <= 0 : c >= 0;
  }
  if (found) {
    recordId = GetRecordId(sessionId, *state->CurrentPath);
    if (!state->Started) {
      state->Forward = forward;
      state->Started = true;
    }
  }
  return found;
}

void TSQLMemBTreeIndex::PlanScanEnd(Integer sessionId, TSQLMemIndexScanState& state,
                                    const TSQLMemScanSearchCondition* bound, bool boundIsStart, bool forward,
                                    bool& found) {
  state.EndPath.reset();
  state.EndByKey = false;
  if (bound == nullptr) return;
  // The far end of the bound is the last item (first, backward) that meets it, found by a second
  // descent. The key comparison gives the same answer without one wherever meeting the bound does not
  // depend on whether some item meets it: a bound on the far side ("<", "<=" forward; ">", ">="
  // backward) always, and an equality when it is the start, which an item met already. A start
  // bound on the near side ends the scan only at the index's end.
  const int side = ConditionSide(*bound);
  const int farSide = forward ? 1 : -1;
  if (side == farSide || (boundIsStart && bound->Kind == ckEqual)) {
    state.EndByKey = true;
    return;
  }
  if (boundIsStart && side == -farSide) return;
  auto endPath = std::make_unique<TSQLMemKeyPath>();
  found = FindByCondition(sessionId, !forward, *endPath, *bound);
  state.EndPath = std::move(endPath);
}

bool TSQLMemBTreeIndex::WithinEndBound(Integer sessionId, const TSQLMemKeyPath& path,
                                       const TSQLMemScanSearchCondition& bound, bool forward) {
  if (path.Count() <= 0) SQLMemError(20068, "Index error: invalid position");
  const TSQLMemKeyPath::Level& level = path.At(path.Count() - 1);
  const TSQLMemBTreePage leaf = TakePage(sessionId, level.PageNo);
  CheckIndex(level.EntryNo, static_cast<std::size_t>(leaf.Count()));
  TakenKey key(keyRef_, bound.KeyBuffer);
  ColumnsInUse partial(keyRef_, bound.KeyFieldCount);
  // The bound's key against the item's, in the order the tree's own searches compare them.
  const int c = keyRef_.Compare(key.Get(), leaf.ItemPtr(level.EntryNo));
  switch (bound.Kind) {
    case ckEqual: return forward ? c >= 0 : c <= 0;
    case ckLess: return c > 0;
    case ckLessOrEqual: return c >= 0;
    case ckGreater: return c < 0;
    case ckGreaterOrEqual: return c <= 0;
    default: return true;
  }
}

void TSQLMemBTreeIndex::KeepScanPosition(Integer sessionId, const TSQLMemRecordID& recordId,
                                         const TSQLMemIndexScanState& state) {
  if (state.Started && state.CurrentPath != nullptr && state.CurrentPath->Count() > 0)
    cache_.SetLookedUpPath(sessionId, recordId, *state.CurrentPath);
}

Int64 TSQLMemBTreeIndex::EstimateRangeCount(Integer sessionId, const TSQLMemScanSearchCondition& condition1,
                                            const TSQLMemScanSearchCondition& condition2, Int64 total) {
  if (RootPageNo() == -1) return 0;
  const bool firstIsLower = ConditionSide(condition1) < 0;
  const TSQLMemScanSearchCondition& lower = firstIsLower ? condition1 : condition2;
  const TSQLMemScanSearchCondition& upper = firstIsLower ? condition2 : condition1;
  TSQLMemKeyPath path;
  if (!FindByCondition(sessionId, true, path, lower)) return 0;
  const double f1 = path.Fraction();
  path.Clear();
  if (!FindByCondition(sessionId, false, path, upper)) return 0;
  const double f2 = path.Fraction();
  const double estimate = std::round((f2 - f1) * static_cast<double>(total));
  if (estimate < 0) return 0;
  if (estimate > static_cast<double>(total)) return total;
  return static_cast<Int64>(estimate);
}
