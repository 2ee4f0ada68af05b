#include "engine/storage/SQLMemKeyPathCache.h"

#include <algorithm>

#include "engine/foundation/SQLMemExcept.h"

TSQLMemKeyPathCache::Entry* TSQLMemKeyPathCache::Find(Integer sessionId) {
  for (const auto& entry : entries_)
    if (entry->SessionId == sessionId) return entry.get();
  return nullptr;
}

std::unique_ptr<TSQLMemKeyPath> TSQLMemKeyPathCache::GetPath(Integer sessionId, const TSQLMemRecordID& recordId, bool reset) {
  auto result = std::make_unique<TSQLMemKeyPath>();
  GetPath(sessionId, recordId, reset, *result);
  return result;
}

void TSQLMemKeyPathCache::GetPath(Integer sessionId, const TSQLMemRecordID& recordId, bool reset,
                                  TSQLMemKeyPath& path) {
  Entry* entry = Find(sessionId);
  if (entry == nullptr) {
    auto created = std::make_unique<Entry>();
    created->SessionId = sessionId;
    created->RecordId = recordId;
    entries_.push_back(std::move(created));
    path.Clear();
    return;
  }
  if (reset || entry->RecordId != recordId) {
    entry->Path.Clear();
    if (!reset && entry->HasLookedUp && entry->LookedUpId == recordId) {
      path.Assign(entry->LookedUpPath);
      return;
    }
  }
  path.Assign(entry->Path);
}

void TSQLMemKeyPathCache::SetLookedUpPath(Integer sessionId, const TSQLMemRecordID& recordId,
                                          const TSQLMemKeyPath& path) {
  Entry* entry = Find(sessionId);
  if (entry == nullptr) return;
  entry->HasLookedUp = true;
  entry->LookedUpId = recordId;
  entry->LookedUpPath.Assign(path);
}

void TSQLMemKeyPathCache::SetPath(Integer sessionId, const TSQLMemRecordID& recordId, const TSQLMemKeyPath& path) {
  Entry* entry = Find(sessionId);
  if (entry == nullptr)
    SQLMemError(11630,
                "Index error - cannot find the key path: SessionID = %d, RecordID.PageNo = %d, "
                "RecordID.PageItemNo = %d, Items.Count = %d",
                {sessionId, recordId.RecordNo, recordId.ItemNo, Count()});
  entry->RecordId = recordId;
  entry->Path.Assign(path);
}

void TSQLMemKeyPathCache::Remove(Integer sessionId) {
  if (sessionId == -1) {
    entries_.clear();
    return;
  }
  std::erase_if(entries_, [&](const std::unique_ptr<Entry>& entry) { return entry->SessionId == sessionId; });
}
