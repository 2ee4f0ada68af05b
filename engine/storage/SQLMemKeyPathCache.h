// Where each session's cursor last stood in one index: the record and its key path, so that the next
// move from that record need not search the tree again. Beside it the path last looked up in the tree:
// a dataset filling its buffers reads onwards from a record and then, from the same record, backwards.
#pragma once
#include <memory>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemBTreeKey.h"

class TSQLMemKeyPathCache {
 public:
  // A copy of the session's path. It is empty when reset is set, when the session stood on another
  // record, or when the session had no entry (which it then gets, for recordId).
  std::unique_ptr<TSQLMemKeyPath> GetPath(Integer sessionId, const TSQLMemRecordID& recordId, bool reset);
  // The same into path (the caller's, so that a move per record allocates nothing).
  void GetPath(Integer sessionId, const TSQLMemRecordID& recordId, bool reset, TSQLMemKeyPath& path);
  // Remembers recordId and a copy of path for the session; a session without an entry raises 11630.
  void SetPath(Integer sessionId, const TSQLMemRecordID& recordId, const TSQLMemKeyPath& path);
  // Remembers the path just looked up in the tree for recordId; GetPath hands out a copy while the
  // session stands on another record. Nothing happens for a session without an entry.
  void SetLookedUpPath(Integer sessionId, const TSQLMemRecordID& recordId, const TSQLMemKeyPath& path);
  // Forgets the session's entries; -1 forgets every session's.
  void Remove(Integer sessionId);
  Integer Count() const noexcept { return static_cast<Integer>(entries_.size()); }

 private:
  struct Entry {
    Integer SessionId = 0;
    TSQLMemRecordID RecordId;
    TSQLMemKeyPath Path;
    bool HasLookedUp = false;
    TSQLMemRecordID LookedUpId;
    TSQLMemKeyPath LookedUpPath;
  };
  Entry* Find(Integer sessionId);

  std::vector<std::unique_ptr<Entry>> entries_;
};
