// The record bitmap: the ids of the records that pass a cursor's filter, filled by the table during a
// filtered scan; the cursor then navigates over it instead of over the table. It belongs to one cursor
// and takes no lock.
#pragma once
#include <memory>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/storage/SQLMemRecordBuffer.h"

// What a bitmap needs of its table: the record count (to size its growth) and the table's kind, which
// fixes how record ids are ordered (in-memory tables by record number alone, temporary tables as
// 48-bit numbers, others by record number and then item number). The table data implements it.
class TSQLMemRecordBitmapTable {
 public:
  virtual ~TSQLMemRecordBitmapTable() = default;
  virtual Int64 GetRecordCount() = 0;
  virtual bool IsInMemory() const = 0;
  virtual bool IsTemporary() const = 0;
};

class TSQLMemRecordBitmap {
 public:
  // A missing table raises 10425. The bitmap starts inactive, empty and sorted.
  explicit TSQLMemRecordBitmap(TSQLMemRecordBitmapTable* table);

  // Deactivating also empties the list and marks it sorted again.
  void SetActive(bool active);
  bool Active() const { return active_; }
  void SetIndexed(bool indexed) { indexed_ = indexed; }
  bool Indexed() const { return indexed_; }
  // Sizes the list's growth for the table: n = record count div 10 (1000 when below 1); growth step
  // max(n div 100, 10), largest step n.
  void TuneGrowth();

  Int64 GetCount() const { return ids_->Count(); }
  bool Sorted() const { return ids_->Sorted(); }
  Integer GrowStep() const { return ids_->GrowStep(); }
  // 1-based position of the id; -1 when absent.
  Int64 GetRecordNo(const TSQLMemRecordID& id) const;
  // The id at 1-based position number; outside 1..count raises 11326.
  void GetRecordIdByNo(Int64 number, TSQLMemRecordID& id) const;
  bool CheckRecord(const TSQLMemRecordID& id) const { return ids_->IndexOf(id) >= 0; }

  // Appends an id found by a scan. While the ids arrive in order the list stays sorted (binary search);
  // the same id twice in a row raises 11328; a lower id marks the list unsorted.
  void AddRecord(const TSQLMemRecordID& id);
  // Places a new record: at the end, at the front, or right after afterId (absent: 11332). The list is
  // no longer taken as sorted.
  void InsertRecord(const TSQLMemRecordID& id, const TSQLMemRecordID& afterId, bool atEnd, bool atStart);
  void RemoveRecord(const TSQLMemRecordID& id);  // absent: 11327
  // Moves the request's id over the list (see TSQLMemNavigationRequest); copies no record data and
  // leaves the First and Last flags alone. An inactive bitmap answers nrNotFound.
  void Navigate(TSQLMemNavigationRequest& request) const;

 private:
  TSQLMemRecordBitmapTable* table_;  // borrowed
  std::unique_ptr<TSQLMemRecordIDArray> ids_;
  TSQLMemRecordID lastId_;  // the highest id appended while sorted
  bool active_ = false;
  bool indexed_ = false;
};
