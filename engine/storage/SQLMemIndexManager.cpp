#include "engine/storage/SQLMemIndexManager.h"

#include <algorithm>
#include <functional>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemPageManager.h"
#include "engine/storage/SQLMemTableServices.h"

TSQLMemBaseIndexManager::TSQLMemBaseIndexManager(TSQLMemTableServices& table)
    : table_(table), pageManager_(table.IndexPageManager()) {}

TSQLMemBaseIndexManager::~TSQLMemBaseIndexManager() = default;

void TSQLMemBaseIndexManager::LoadFromStream(TStream& stream) {
  // Open indexes know the trees of the definitions being replaced.
  openIndexes_.clear();
  IndexDefs.LoadFromStream(stream);
  pageManager_.LoadFromStream(stream);
}

void TSQLMemBaseIndexManager::SaveToStream(TStream& stream) {
  IndexDefs.SaveToStream(stream);
  pageManager_.SaveToStream(stream);
}

void TSQLMemBaseIndexManager::AssignDefs(const TSQLMemIndexDefs& indexDefs) {
  openIndexes_.clear();
  IndexDefs.Assign(indexDefs);
}

std::unique_ptr<TSQLMemIndex> TSQLMemBaseIndexManager::NewIndex() { return std::make_unique<TSQLMemBTreeIndex>(table_); }

TSQLMemIndex* TSQLMemBaseIndexManager::FindOpenIndex(Integer indexId) const {
  for (const auto& index : openIndexes_)
    if (index->IndexDef().ObjectId == indexId) return index.get();
  return nullptr;
}

Integer TSQLMemBaseIndexManager::AddIndex(Integer sessionId, TSQLMemIndexRecordSource& records,
                                         TSQLMemIndexDef& indexDef) {
  const Integer indexId = table_.NextObjectId();
  indexDef.ObjectId = indexId;
  IndexDefs.AddIndexDef().Assign(indexDef);
  // The building index is not kept: the next GetIndex opens the tree again from its definition.
  std::unique_ptr<TSQLMemIndex> building = NewIndex();
  try {
    building->CreateIndex(sessionId, indexDef, records);
    IndexDefs.GetItem(IndexDefs.IndexOfObjectID(indexId)).Assign(indexDef);
  } catch (...) {
    // Neither the definition nor the pages of a half-built tree stay behind.
    try {
      building->DropIndex(sessionId);
    } catch (...) {
    }
    indexDef.RootPageNo = -1;
    IndexDefs.Delete(IndexDefs.IndexOfObjectID(indexId));
    throw;
  }
  return indexId;
}

TSQLMemIndex& TSQLMemBaseIndexManager::GetIndex(Integer indexId) {
  if (TSQLMemIndex* open = FindOpenIndex(indexId)) return *open;
  const Integer position = IndexDefs.IndexOfObjectID(indexId);
  if (position == -1) SQLMemError(20018, "Index not found");
  std::unique_ptr<TSQLMemIndex> index = NewIndex();
  index->OpenIndex(IndexDefs.GetItem(position));
  openIndexes_.push_back(std::move(index));
  return *openIndexes_.back();
}

void TSQLMemBaseIndexManager::CloseIndex(Integer indexId) {
  std::erase_if(openIndexes_, [indexId](const auto& index) { return index->IndexDef().ObjectId == indexId; });
}

void TSQLMemBaseIndexManager::DropIndexPages(Integer sessionId, Integer indexId) {
  GetIndex(indexId).DropIndex(sessionId);
  IndexDefs.GetItem(IndexDefs.IndexOfObjectID(indexId)).RootPageNo = -1;
  CloseIndex(indexId);
}

void TSQLMemBaseIndexManager::DropAllIndexPages(Integer sessionId) {
  for (Integer i = 0; i < IndexDefs.GetCount(); ++i) DropIndexPages(sessionId, IndexDefs.GetItem(i).ObjectId);
}

void TSQLMemBaseIndexManager::RebuildIndex(Integer sessionId, Integer indexId, TSQLMemIndexRecordSource& records) {
  DropIndexPages(sessionId, indexId);
  TSQLMemIndexDef& stored = IndexDefs.GetItem(IndexDefs.IndexOfObjectID(indexId));
  std::unique_ptr<TSQLMemIndex> building = NewIndex();
  try {
    building->CreateIndex(sessionId, stored, records);
  } catch (...) {
    try {
      building->DropIndex(sessionId);
    } catch (...) {
    }
    stored.RootPageNo = -1;
    throw;
  }
}

void TSQLMemBaseIndexManager::DeleteIndex(Integer sessionId, Integer indexId) {
  DropIndexPages(sessionId, indexId);
  IndexDefs.Delete(IndexDefs.IndexOfObjectID(indexId));
}

void TSQLMemBaseIndexManager::DeleteAllIndexes(Integer sessionId) {
  while (IndexDefs.GetCount() > 0) DeleteIndex(sessionId, IndexDefs.GetItem(0).ObjectId);
}

void TSQLMemBaseIndexManager::ReleaseIndexCaches(Integer sessionId) {
  for (const auto& index : openIndexes_) index->ReleaseCache(sessionId);
}

void TSQLMemBaseIndexManager::NavigateByIndex(TSQLMemNavigationRequest& request) {
  if (request.First == 0 && request.Last == 0) {
    // Refreshes the caller's buffer with the record the move starts from, whose key the index needs.
    TSQLMemNavigationRequest current = request;
    current.Direction = ndCurrent;
    table_.TableRecordManager().NavigateRecord(current);
    if (current.Result == nrNotFound) {
      request.Result = nrNotFound;
      return;
    }
  }
  GetIndex(request.IndexId).Navigate(request);
}

Integer TSQLMemBaseIndexManager::CompareRecordsByIndex(Integer indexId, const Byte* recordBuffer1,
                                                       const Byte* recordBuffer2, Integer columnCount) {
  if (columnCount == 0) {
    const Integer position = IndexDefs.IndexOfObjectID(indexId);
    if (position == -1) SQLMemError(11497, "Cannot find index by ID = %d", {indexId});
    columnCount = IndexDefs.GetItem(position).GetColumnCount();
  }
  // An index that was open already stays open: its callers may hold it across the comparison.
  const bool wasOpen = FindOpenIndex(indexId) != nullptr;
  TSQLMemIndex& index = GetIndex(indexId);
  Integer result;
  try {
    result = index.CompareKeys(recordBuffer1, recordBuffer2, columnCount);
  } catch (...) {
    if (!wasOpen) CloseIndex(indexId);
    throw;
  }
  if (!wasOpen) CloseIndex(indexId);
  return result;
}

Integer TSQLMemBaseIndexManager::FindMatchingIndex(const std::vector<AnsiString>* columns,
                                                   const std::vector<AnsiString>* directions,
                                                   const std::vector<AnsiString>* cases) const {
  return IndexDefs.FindIndexByColumns(columns, directions, cases);
}

void TSQLMemBaseIndexManager::InsertRecordKeys(const TSQLMemIndexedRecord& record) {
  Integer done = 0;
  try {
    for (; done < IndexDefs.GetCount(); ++done) {
      TSQLMemIndexDef& stored = IndexDefs.GetItem(done);
      TSQLMemIndex& index = GetIndex(stored.ObjectId);
      index.InsertKey(record);
      index.ReleaseCache(-1);
      // The index records a root it had to create only in its own copy; the stored definition is the
      // one the table saves and the index is opened from again.
      if (index.IndexDef().RootPageNo != stored.RootPageNo) stored.RootPageNo = index.IndexDef().RootPageNo;
    }
  } catch (...) {
    UndoKeySteps(done, [&](TSQLMemIndex& index) { index.DeleteKey(record); });
    throw;
  }
}

void TSQLMemBaseIndexManager::UpdateRecordKeys(const TSQLMemIndexedRecord& record) {
  Integer done = 0;
  try {
    for (; done < IndexDefs.GetCount(); ++done) {
      TSQLMemIndex& index = GetIndex(IndexDefs.GetItem(done).ObjectId);
      index.UpdateKey(record);
      index.ReleaseCache(-1);
    }
  } catch (...) {
    const TSQLMemIndexedRecord back{record.SessionId, record.OldRecordBuffer, record.RecordBuffer, record.RecordId};
    UndoKeySteps(done, [&](TSQLMemIndex& index) { index.UpdateKey(back); });
    throw;
  }
}

void TSQLMemBaseIndexManager::UndoKeySteps(Integer done, const std::function<void(TSQLMemIndex&)>& undo) noexcept {
  // Best effort, last index first: the error that stopped the operation is the one reported.
  for (Integer i = done; i-- > 0;) {
    try {
      TSQLMemIndex& index = GetIndex(IndexDefs.GetItem(i).ObjectId);
      undo(index);
      index.ReleaseCache(-1);
    } catch (...) {
    }
  }
}

void TSQLMemBaseIndexManager::DeleteRecordKeys(Integer sessionId, const TSQLMemRecordID& recordId, Byte* recordBuffer) {
  TSQLMemNavigationRequest request;
  request.SessionId = sessionId;
  request.Direction = ndCurrent;
  request.RecordId = recordId;
  request.RecordBuffer = recordBuffer;
  table_.TableRecordManager().NavigateRecord(request);
  // Another session may have removed the record already; its keys went with it.
  if (request.Result == nrNotFound) return;
  TSQLMemIndexedRecord record;
  record.SessionId = sessionId;
  record.RecordBuffer = recordBuffer;
  record.RecordId = recordId;
  Integer done = 0;
  try {
    for (; done < IndexDefs.GetCount(); ++done) {
      TSQLMemIndex& index = GetIndex(IndexDefs.GetItem(done).ObjectId);
      index.DeleteKey(record);
      index.ReleaseCache(-1);
    }
  } catch (...) {
    UndoKeySteps(done, [&](TSQLMemIndex& index) { index.InsertKey(record); });
    throw;
  }
}
