// The indexes of a table: their definitions, the index objects built on them (opened when first
// needed and cached until closed), and the upkeep of every index when records are stored, changed or
// removed. The index object behind each definition is a B-tree; the manager keeps each stored
// definition's root page current, so that saving the table saves a tree that can be opened again.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemKeyPath;
class TSQLMemPageManager;
class TSQLMemRecordBitmap;
class TSQLMemTableServices;
class TSQLMemIndexRecordSource;
struct TSQLMemIndexedRecord;
struct TSQLMemIndexScanState;
struct TSQLMemScanSearchCondition;

// An index of a table as its manager, the record search and the cursors drive it. Paths and scan
// states belong to the caller (freed with their unique_ptr). Comparing two paths and the side of a
// scan condition need no index; the B-tree offers them as class operations.
class TSQLMemIndex {
 public:
  virtual ~TSQLMemIndex() = default;

  // The index's own copy of its definition (with the current root page).
  virtual const TSQLMemIndexDef& IndexDef() const = 0;
  // Drops the cached key paths of a session; -1: of every session.
  virtual void ReleaseCache(Integer sessionId) = 0;
  // Builds the index over the records; the new root page goes into indexDef as well.
  virtual void CreateIndex(Integer sessionId, TSQLMemIndexDef& indexDef, TSQLMemIndexRecordSource& records) = 0;
  // Frees every page of the index.
  virtual void DropIndex(Integer sessionId) = 0;
  // Takes over the tree that the definition's root page names (none for -1).
  virtual void OpenIndex(const TSQLMemIndexDef& indexDef) = 0;
  // Serves a navigation request in key order.
  virtual void Navigate(TSQLMemNavigationRequest& request) = 0;
  virtual std::unique_ptr<TSQLMemKeyPath> CreateKeyPath() const = 0;
  virtual bool FindRecordPath(Integer sessionId, const TSQLMemRecordID& recordId, TSQLMemKeyPath& path,
                              const Byte* recordBuffer) = 0;
  virtual Int64 GetRecordNo(Integer sessionId, const TSQLMemRecordID& recordId, const TSQLMemRecordBitmap* bitmap,
                            const Byte* recordBuffer) = 0;
  virtual TSQLMemRecordID GetRecordIdByNo(Integer sessionId, const TSQLMemRecordBitmap* bitmap, Int64 recordNo) = 0;
  virtual void RemoveDuplicates(Integer sessionId, TSQLMemRecordBitmap* bitmap) = 0;
  virtual std::unique_ptr<TSQLMemIndexScanState> CreateScanState() const = 0;
  virtual bool ScanNext(Integer sessionId, bool first, TSQLMemIndexScanState* state, TSQLMemRecordID& recordId,
                        const Byte* recordBuffer, const TSQLMemScanSearchCondition* startCondition,
                        const TSQLMemScanSearchCondition* endCondition, bool forward) = 0;
  // Remembers that the session's scan stands on recordId, so that a navigation from that record (the
  // cursor placed on a record a search found) starts there instead of looking the record up again.
  virtual void KeepScanPosition(Integer sessionId, const TSQLMemRecordID& recordId,
                                const TSQLMemIndexScanState& state) = 0;
  // -1, 0 or 1 over the first columnCount key columns of two records.
  virtual int CompareKeys(const Byte* recordBuffer1, const Byte* recordBuffer2, Integer columnCount) = 0;
  virtual Int64 EstimateRangeCount(Integer sessionId, const TSQLMemScanSearchCondition& condition1,
                                   const TSQLMemScanSearchCondition& condition2, Int64 total) = 0;
  virtual bool IsKeyFree(Integer sessionId, const Byte* recordBuffer) = 0;
  virtual bool IsUpdateKeyFree(Integer sessionId, const Byte* oldRecordBuffer, const Byte* newRecordBuffer) = 0;
  virtual void InsertKey(const TSQLMemIndexedRecord& record) = 0;
  virtual void DeleteKey(const TSQLMemIndexedRecord& record) = 0;
  virtual void UpdateKey(const TSQLMemIndexedRecord& record) = 0;
  // Checks the structure of the index (integrity errors).
  virtual void Validate(Integer sessionId) = 0;
};

class TSQLMemBaseIndexManager {
 public:
  // The manager works on the table's pages (taken from the table now).
  explicit TSQLMemBaseIndexManager(TSQLMemTableServices& table);
  // Closes every open index. Never raises.
  virtual ~TSQLMemBaseIndexManager();
  TSQLMemBaseIndexManager(const TSQLMemBaseIndexManager&) = delete;
  TSQLMemBaseIndexManager& operator=(const TSQLMemBaseIndexManager&) = delete;

  // The definitions, then the page store, in one stream.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // Replaces the definitions by copies of those given.
  virtual void AssignDefs(const TSQLMemIndexDefs& indexDefs);

  // ---- index objects ----
  // Gives indexDef the database's next object id, stores a copy and builds the index over the records.
  // A failed build leaves no definition behind and raises again. The new object id.
  Integer AddIndex(Integer sessionId, TSQLMemIndexRecordSource& records, TSQLMemIndexDef& indexDef);
  // The open index of that object id, opened from its definition when it is not open yet; an unknown
  // id raises 20018 "Index not found".
  TSQLMemIndex& GetIndex(Integer indexId);
  // Frees the open index; nothing when it is not open.
  void CloseIndex(Integer indexId);
  // Frees the index's pages and forgets its root page (the definition stays).
  void DropIndexPages(Integer sessionId, Integer indexId);
  void DropAllIndexPages(Integer sessionId);
  // Frees the index's pages and builds its tree again over the source's records, under the same
  // definition (the root page changes). A unique index over records that share a key raises as
  // AddIndex does, and is left without pages.
  void RebuildIndex(Integer sessionId, Integer indexId, TSQLMemIndexRecordSource& records);
  // Frees the index's pages and deletes its definition.
  void DeleteIndex(Integer sessionId, Integer indexId);
  void DeleteAllIndexes(Integer sessionId);
  void ReleaseIndexCaches(Integer sessionId);
  Integer OpenIndexCount() const { return static_cast<Integer>(openIndexes_.size()); }

  // ---- navigation and comparison ----
  // Serves the request through the index request.IndexId. A request that starts from a record (neither
  // First nor Last) first re-reads that record into the request's buffer; when the record is gone the
  // request comes back unchanged, with result nrNotFound.
  void NavigateByIndex(TSQLMemNavigationRequest& request);
  // Compares two records by the first columnCount columns of an index (0: all of them); an unknown id
  // raises 11497. An index that was not open before is closed again.
  Integer CompareRecordsByIndex(Integer indexId, const Byte* recordBuffer1, const Byte* recordBuffer2,
                                Integer columnCount);
  // The object id of an index whose leading columns match (TSQLMemIndexDefs::FindIndexByColumns).
  Integer FindMatchingIndex(const std::vector<AnsiString>* columns, const std::vector<AnsiString>* directions,
                            const std::vector<AnsiString>* cases) const;

  // ---- record keys ----
  // Each of the three is all or nothing: when one index fails, the indexes done before it are put
  // back as they were (as far as they let themselves) and the error passes on.
  // After a record was stored: its key goes into every index; a root page that moved is recorded in
  // the stored definition.
  void InsertRecordKeys(const TSQLMemIndexedRecord& record);
  // After a record changed: every index moves it from its old key to its new one.
  void UpdateRecordKeys(const TSQLMemIndexedRecord& record);
  // Before a record is removed: reads it again into recordBuffer and takes its key out of every index;
  // nothing when the record is already gone.
  void DeleteRecordKeys(Integer sessionId, const TSQLMemRecordID& recordId, Byte* recordBuffer);

  TSQLMemPageManager& GetPageManager() const { return pageManager_; }
  TSQLMemIndexDefs IndexDefs;

 private:
  TSQLMemIndex* FindOpenIndex(Integer indexId) const;
  std::unique_ptr<TSQLMemIndex> NewIndex();
  // Runs undo on the first done indexes, the last first; their errors are swallowed.
  void UndoKeySteps(Integer done, const std::function<void(TSQLMemIndex&)>& undo) noexcept;

  TSQLMemTableServices& table_;
  std::vector<std::unique_ptr<TSQLMemIndex>> openIndexes_;
  TSQLMemPageManager& pageManager_;
};
