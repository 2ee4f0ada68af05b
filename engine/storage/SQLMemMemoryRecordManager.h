// The record store of an in-memory table: one contiguous block of fixed-size slots and a free-slot
// bitmap. A record's id is its slot number (item number 0); records are only appended, a deleted slot
// stays free for ever (until the table is emptied), so slot numbers are stable for a record's life and
// survive a save and load.
//
// Invariants: bit i of the free map is set for every slot that holds no record, including every slot
// at or above the highest used one and the bits of the map's last byte beyond the capacity; MinSlot and
// MaxSlot are the lowest and highest used slots (both 0 when empty); while Dense is set no record was
// ever deleted, so slot i holds the (i + 1)-th record.
#pragma once
#include "engine/storage/SQLMemRecordBuffer.h"

// What the record store needs of its table: the BLOB blocks of a stored record that an update replaces.
class TSQLMemMemoryRecordTable {
 public:
  virtual ~TSQLMemMemoryRecordTable() = default;
  virtual bool HasBLOBFields() const = 0;
  // Before storedRecord is overwritten by newRecord: frees each block of storedRecord for which
  // newRecord holds a block of its own edit or NULL (the stored record's other blocks stay shared).
  virtual void FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord) = 0;
  // After the copy: the slot's BLOB blocks belong to the stored record (no edit mark is kept in a slot).
  virtual void MarkStoredBLOBs(Byte* storedRecord) = 0;
};

class TSQLMemMemoryRecordManager : public TSQLMemBaseRecordManager {
 public:
  // table may be nil for a table without BLOB fields. allocBy > 0: the first growth takes allocBy slots;
  // otherwise the store grows one slot at a time. A record size of 0 raises 10011.
  TSQLMemMemoryRecordManager(TSQLMemMemoryRecordTable* table, Integer allocBy, Integer recordSize);
  ~TSQLMemMemoryRecordManager() override;

  // Frees every slot: count, capacity, MinSlot and MaxSlot become 0; Dense keeps its value.
  void EmptyRecords(Integer sessionId) override;
  // Copies the buffer into the slot after the highest used one (slot 0 when empty); false, with nothing
  // changed, when the store cannot grow.
  bool AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId, Integer sessionId) override;
  // Overwrites a live record; false for a slot that holds no record.
  bool UpdateRecord(const Byte* recordBuffer, const TSQLMemRecordID& recordId, Integer sessionId) override;
  // Frees a live record's slot (false for one that holds none) and clears Dense; the last record
  // going empties the store.
  bool DeleteRecord(const TSQLMemRecordID& recordId, Integer sessionId) override;
  bool RecordExists(const TSQLMemRecordID& recordId, Integer sessionId) override;
  // Natural (slot) order. A found record is copied into the request's buffer; a request without a
  // buffer raises 10019.
  void NavigateRecord(TSQLMemNavigationRequest& request) override;
  // An estimate of the record's 1-based position: exact for a store without gaps, always 1..count;
  // -1 for a slot outside MinSlot..MaxSlot or an empty store.
  Int64 GetRecordNo(const TSQLMemRecordID& recordId, Integer sessionId) override;
  // The slot map: int32 capacity C, uint8 Dense, int32 MinSlot, int32 MaxSlot, then when C > 0 the
  // free map of ceil(C / 8) bytes. Loading empties the store first and checks every figure (read codes
  // 10449-10453); the records follow through LoadRecord.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Places the next record of a loaded table: slot is -1 before the first one; it moves to the next
  // slot (with Dense clear, the next one the map marks used). Past the map 10454, past the capacity 10847.
  void LoadRecord(Byte* recordBuffer, Int64& slot) override;
  // After the last LoadRecord of a load: the map must mark exactly the placed slots used, from MinSlot
  // to MaxSlot, else 10454 (a damaged stream whose figures disagree).
  void CheckLoadedSlots() const;

  // N = 0 frees both blocks; otherwise resizes them to N slots. Slots added are marked free.
  void SetCapacity(Integer n);
  // The slot of the 0-based record number n in slot order; -1 for n < 0 or n > count. n = count gives
  // the slot after the last record. A map that ends too soon raises 10457.
  Int64 RecordNoToSlot(Int64 n) const;
  // The 1-based record number of a slot (the records in slots 0..slot); -1 outside the capacity.
  Int64 SlotToRecordNo(Int64 slot) const;

  Integer Capacity() const { return capacity_; }
  Integer AllocBy() const { return allocBy_; }
  Integer MinSlot() const { return minSlot_; }
  Integer MaxSlot() const { return maxSlot_; }
  Byte Dense() const { return dense_; }
  bool SlotIsFree(Integer slot) const;  // ERangeError outside the capacity
  // The bytes of a slot (ERangeError outside the capacity).
  const Byte* SlotData(Integer slot) const;
  // The number of used slots a free-map byte describes (its zero bits).
  static Byte UsedBitsPerByte(Byte value);

 private:
  bool IsUsed(Integer slot) const;  // within MinSlot..MaxSlot and not free
  Byte* Slot(Integer slot) const;
  void SetFree(Integer slot, bool isFree);
  // Grows the store so that slot fits, by the rules of AllocBy.
  void GrowFor(Integer slot);
  // The next used slot above from / below from within MinSlot..MaxSlot; -1 when none.
  Integer NextUsed(Int64 from) const;
  Integer PriorUsed(Int64 from) const;
  void CopyOut(Integer slot, TSQLMemNavigationRequest& request) const;

  TSQLMemMemoryRecordTable* table_;  // borrowed; may be nil
  Byte* slots_ = nullptr;            // engine block of capacity_ x recordSize_ bytes
  Byte* freeBits_ = nullptr;         // engine block of ceil(capacity_ / 8) bytes; bit set = free
  Integer capacity_ = 0;
  Integer allocBy_;
  Integer minSlot_ = 0;
  Integer maxSlot_ = 0;
  Byte dense_ = 255;
  // Where LoadRecord stands in the free map.
  Integer loadByte_ = 0;
  Integer loadBit_ = 0;
};
