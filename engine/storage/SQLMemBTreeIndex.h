// The B-tree index of a table: a B+-tree of pages in the table's page manager, kept in step with the
// table's records, and the services the cursors and the SQL layer ask of an index: moving in key order,
// record numbers, range scans over scan conditions, a DISTINCT filter, range size estimates and the
// uniqueness checks. The index takes no lock; the table's locks serialise its operations. Pages changed
// by an operation stay with the session's changes until the table applies them.
#pragma once
#include <memory>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemBTreePage.h"
#include "engine/storage/SQLMemIndexManager.h"
#include "engine/storage/SQLMemKeyPathCache.h"
#include "engine/storage/SQLMemRecordBitmap.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"

// What the index needs of its table: the pages, the field definitions for its keys, the page check
// that GetPage asks, and the copy of a record into a navigation request's buffer.
class TSQLMemIndexTable : public TSQLMemKeyFieldSource {
 public:
  virtual TSQLMemPageManager& IndexPageManager() = 0;
  virtual TSQLMemPageOutdatedCheck IndexPageCheck() const { return nullptr; }
  virtual TSQLMemTableData* IndexTableData() { return nullptr; }
  // Serves the request with direction ndCurrent: copies the record with the request's id into its
  // buffer.
  virtual void ReadIndexedRecord(TSQLMemNavigationRequest& request) = 0;
};

// The records an index is built over, one at a time (the table's cursor when the index is created).
class TSQLMemIndexRecordSource {
 public:
  virtual ~TSQLMemIndexRecordSource() = default;
  // Fills recordBuffer and recordId with the next record; false after the last.
  virtual bool NextRecord(Byte* recordBuffer, TSQLMemRecordID& recordId) = 0;
};

// One record whose key is added, removed or moved, on behalf of a session: its values, its values
// before the change (for UpdateKey), and its id.
struct TSQLMemIndexedRecord {
  Integer SessionId = 0;
  const Byte* RecordBuffer = nullptr;
  const Byte* OldRecordBuffer = nullptr;
  TSQLMemRecordID RecordId;
};

// Where a range scan stands: the direction of its first fetch, whether it has started, the position it
// must not pass and the current position.
struct TSQLMemIndexScanState {
  bool Forward = true;
  bool Started = false;
  // The scan's far end: where the bound's own key decides whether an item lies inside it, each item
  // is compared with that key (EndByKey); otherwise the bound's last position is found once (EndPath).
  bool EndByKey = false;
  std::unique_ptr<TSQLMemKeyPath> EndPath;
  std::unique_ptr<TSQLMemKeyPath> CurrentPath = std::make_unique<TSQLMemKeyPath>();
};

class TSQLMemBTreeIndex : public TSQLMemIndex {
 public:
  static constexpr Word kReferenceSize = TSQLMemRecordID::kSize;

  explicit TSQLMemBTreeIndex(TSQLMemIndexTable& table);
  TSQLMemBTreeIndex(const TSQLMemBTreeIndex&) = delete;
  TSQLMemBTreeIndex& operator=(const TSQLMemBTreeIndex&) = delete;

  const TSQLMemIndexDef& IndexDef() const noexcept override { return indexDef_; }
  const TSQLMemBTreeKeyRef& KeyRef() const noexcept { return keyRef_; }
  Integer RootPageNo() const noexcept { return indexDef_.RootPageNo; }

  // ---- the tree ----
  // Builds a new tree over the source's records; the new root's number goes into indexDef as well. A
  // unique or primary index over records that share a key raises 30320 / 30319 (the index manager
  // then drops what was built).
  void CreateIndex(Integer sessionId, TSQLMemIndexDef& indexDef, TSQLMemIndexRecordSource& records) override;
  // Takes over a tree that already exists (or none, RootPageNo -1).
  void OpenIndex(const TSQLMemIndexDef& indexDef) override;
  // Frees every page of the tree.
  void DropIndex(Integer sessionId) override;
  void ReleaseCache(Integer sessionId) override { cache_.Remove(sessionId); }
  const TSQLMemKeyPathCache& Cache() const noexcept { return cache_; }

  // ---- keeping step with the records ----
  // A new root is recorded only in the index's own copy of the definition.
  void InsertKey(const TSQLMemIndexedRecord& record) override;
  // A record whose key is not in the tree (also in an empty tree) raises 20027.
  void DeleteKey(const TSQLMemIndexedRecord& record) override;
  // Moves the record from its old key to its new; equal keys touch no page.
  void UpdateKey(const TSQLMemIndexedRecord& record) override;
  // Whether the record's key may be stored: always in an index that is neither unique nor primary.
  bool IsKeyFree(Integer sessionId, const Byte* recordBuffer) override;
  bool IsUpdateKeyFree(Integer sessionId, const Byte* oldRecordBuffer, const Byte* newRecordBuffer) override;

  // ---- positions ----
  std::unique_ptr<TSQLMemKeyPath> CreateKeyPath() const override { return std::make_unique<TSQLMemKeyPath>(); }
  bool FindRecordPath(Integer sessionId, const TSQLMemRecordID& recordId, TSQLMemKeyPath& path, const Byte* recordBuffer) override;
  // Nil paths raise 10384 / 10385.
  static int ComparePaths(const TSQLMemKeyPath* a, const TSQLMemKeyPath* b);
  TSQLMemRecordID GetRecordId(Integer sessionId, const TSQLMemKeyPath& path);
  bool MoveFirst(Integer sessionId, TSQLMemKeyPath& path);
  bool MoveLast(Integer sessionId, TSQLMemKeyPath& path);
  bool MoveNext(Integer sessionId, TSQLMemKeyPath& path);
  bool MovePrior(Integer sessionId, TSQLMemKeyPath& path);
  bool Move(Integer sessionId, bool absolute, TSQLMemKeyPath& path, bool forward);
  // Moves a cursor in key order (see TSQLMemNavigationRequest); ndCurrent raises 20053.
  void Navigate(TSQLMemNavigationRequest& request) override;

  // ---- record numbers ----
  // 1-based position in key order among the records an active bitmap accepts (all without one); -1
  // for a record that is not in the index.
  Int64 GetRecordNo(Integer sessionId, const TSQLMemRecordID& recordId, const TSQLMemRecordBitmap* bitmap,
                    const Byte* recordBuffer) override;
  // The record at a 1-based position: 20074 for an empty index, 20075 past the last record and below 1.
  TSQLMemRecordID GetRecordIdByNo(Integer sessionId, const TSQLMemRecordBitmap* bitmap, Int64 recordNo) override;
  // Keeps in the bitmap only the first record of each key.
  void RemoveDuplicates(Integer sessionId, TSQLMemRecordBitmap* bitmap) override;

  // ---- range scans ----
  std::unique_ptr<TSQLMemIndexScanState> CreateScanState() const override { return std::make_unique<TSQLMemIndexScanState>(); }
  // The next record of a range scan between a start and an end condition (either may be nil). The
  // first call of a scan passes first; later calls continue from the state. A state that has not
  // started without first continues after the record (recordId, recordBuffer) given. Every call of a
  // scan passes the same conditions.
  bool ScanNext(Integer sessionId, bool first, TSQLMemIndexScanState* state, TSQLMemRecordID& recordId,
                const Byte* recordBuffer, const TSQLMemScanSearchCondition* startCondition,
                const TSQLMemScanSearchCondition* endCondition, bool forward) override;
  void KeepScanPosition(Integer sessionId, const TSQLMemRecordID& recordId,
                        const TSQLMemIndexScanState& state) override;
  // -1, 0 or 1 over the first columnCount columns of both records' keys.
  int CompareKeys(const Byte* recordBuffer1, const Byte* recordBuffer2, Integer columnCount) override;
  // -1 for a lower bound (">", ">="), 1 for an upper bound ("<", "<="), otherwise 0.
  static int ConditionSide(const TSQLMemScanSearchCondition& condition) noexcept;
  // The records between the two bounds, estimated from their relative positions: 0..total.
  Int64 EstimateRangeCount(Integer sessionId, const TSQLMemScanSearchCondition& condition1,
                           const TSQLMemScanSearchCondition& condition2, Int64 total) override;

  // Checks the whole tree's structure (integrity errors 20029-20034).
  void Validate(Integer sessionId) override;

 private:
  class TakenKey;
  class ColumnsInUse;

  TSQLMemBTreePage TakePage(Integer sessionId, Integer pageNo);
  // A new empty root leaf, released again; its page number.
  Integer NewRoot(Integer sessionId);
  // The first item of the leftmost leaf; false for an empty tree.
  bool FirstLeafPage(Integer sessionId, Integer& pageNo);
  bool FindByCondition(Integer sessionId, bool forward, TSQLMemKeyPath& path, const TSQLMemScanSearchCondition& condition);
  bool PositionScan(Integer sessionId, bool first, TSQLMemIndexScanState& state, const TSQLMemRecordID& recordId,
                    const Byte* recordBuffer, const TSQLMemScanSearchCondition* startCondition, bool forward,
                    bool& skipMove);
  // How a scan that found its start learns where it ends (see TSQLMemIndexScanState).
  void PlanScanEnd(Integer sessionId, TSQLMemIndexScanState& state, const TSQLMemScanSearchCondition* bound,
                   bool boundIsStart, bool forward, bool& found);
  // Whether the item at the path meets the bound that ends a scan in the given direction.
  bool WithinEndBound(Integer sessionId, const TSQLMemKeyPath& path, const TSQLMemScanSearchCondition& bound,
                      bool forward);

  TSQLMemIndexTable& table_;
  TSQLMemIndexDef indexDef_;
  TSQLMemBTreeKeyRef keyRef_;
  TSQLMemBTreePages pages_;
  TSQLMemKeyPathCache cache_;
};
