// Record buffers: the fixed-size byte block in which a table keeps one row, the routines that move one
// field into or out of it, the navigation request of the record managers, the abstract record manager
// and the cache from which a table's cursors borrow buffers.
//
// Layout of a record buffer (no alignment, no padding): a null bitmap of ceil(field count / 8) bytes
// (field N owns bit N mod 8 of byte N div 8, least significant first; a set bit means NULL), then each
// field's slot at its RecordOffset, DataSize bytes long, in field-definition order (TSQLMemFieldDefs::
// UpdateLayout). Text is zero-terminated inside its slot; a BLOB slot is 8 bytes.
//
// Pointer size: the layout is the stored one and keeps its widths on every platform, so no slot ever
// holds a machine address. A BLOB slot refers to its in-memory block by a 32-bit handle into the
// table's own block table (SQLMemRecordBLOB.h; the table stream replaces it by the int64 stream
// position); the buffer cache keeps its buffer addresses in a pointer-size list, and a wide-text read
// hands out a full pointer-size address.
#pragma once
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemCriticalSection.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemFieldDefs;

// Copies field fieldNo of recordBuffer to destination and answers true, or answers false (copying
// nothing) when the field is NULL. With no destination only the answer is given. BLOB field types copy
// nothing. Wide text (field types 3, 4) copies no characters: the destination receives the address of
// the slot itself (sizeof(void*) bytes), through which the caller may change the record. 8-bit text
// copies its characters and terminator, at most the slot's size. Other types copy the whole slot.
// A field number outside the fields raises 10000.
bool GetRecordFieldData(Integer fieldNo, const TSQLMemFieldDefs& fieldDefs, void* destination,
                        const Byte* recordBuffer);

// Writes field fieldNo of recordBuffer from source, or marks it NULL when source is nil. Text is taken
// up to its first zero byte (8-bit) or zero unit (wide), cut to fit the slot with its terminator, and
// terminated; an empty text is stored as NULL. Bytes after the terminator keep their contents. Other
// types copy the whole slot from source. A field number outside the fields raises 10004.
void PutRecordFieldData(Integer fieldNo, const TSQLMemFieldDefs& fieldDefs, const void* source, Byte* recordBuffer);

// The null bit of field fieldNo in a record buffer.
bool IsRecordFieldNull(Integer fieldNo, const Byte* recordBuffer);
void SetRecordFieldNull(Integer fieldNo, bool isNull, Byte* recordBuffer);

enum TSQLMemNavigationDirection : Byte {
  ndCurrent = 0,
  ndNext = 1,
  ndPrior = 2,
};

enum TSQLMemNavigationResult : Byte {
  nrFound = 0,      // the id (and, from a record manager, the data) is in the request
  nrBeforeFirst = 1,
  nrAfterLast = 2,  // also when there are no records
  nrNotFound = 3,   // the starting record does not exist, or the request makes no sense
};

// What a cursor asks a record manager, an index or a bitmap for. With First set, ndNext yields the
// first record, ndPrior nrBeforeFirst, ndCurrent nrNotFound; with Last set, ndPrior yields the last,
// ndNext nrAfterLast, ndCurrent nrNotFound. Record managers clear First / Last once a record is found.
struct TSQLMemNavigationRequest {
  Integer SessionId = 0;
  Byte Direction = ndCurrent;
  Integer IndexId = -1;              // the serving index (index navigation only)
  TSQLMemRecordID RecordId;          // in: where to move from; out: the record found
  Byte* RecordBuffer = nullptr;      // receives the found record's data
  Byte First = 0;
  Byte Last = 0;
  Byte Result = nrNotFound;
};

// Stores the record buffers of one table (in memory or in a temporary store). Append, update and
// delete report failure by their answer instead of raising.
class TSQLMemBaseRecordManager {
 public:
  TSQLMemBaseRecordManager() = default;
  virtual ~TSQLMemBaseRecordManager() = default;
  TSQLMemBaseRecordManager(const TSQLMemBaseRecordManager&) = delete;
  TSQLMemBaseRecordManager& operator=(const TSQLMemBaseRecordManager&) = delete;

  virtual Int64 GetRecordCount() const { return recordCount_; }
  virtual void EmptyRecords(Integer sessionId) = 0;
  virtual bool AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId, Integer sessionId) = 0;
  virtual bool UpdateRecord(const Byte* /*recordBuffer*/, const TSQLMemRecordID& /*recordId*/, Integer /*sessionId*/) {
    return false;
  }
  virtual bool DeleteRecord(const TSQLMemRecordID& /*recordId*/, Integer /*sessionId*/) { return false; }
  virtual bool RecordExists(const TSQLMemRecordID& recordId, Integer sessionId) = 0;
  virtual void NavigateRecord(TSQLMemNavigationRequest& request) = 0;
  // 1-based position of the record; -1 when there is none.
  virtual Int64 GetRecordNo(const TSQLMemRecordID& recordId, Integer sessionId) = 0;
  virtual void LoadFromStream(TStream& /*stream*/) {}
  virtual void SaveToStream(TStream& /*stream*/) {}
  // Reads the record after position into recordBuffer (position -1 before the first call).
  virtual void LoadRecord(Byte* /*recordBuffer*/, Int64& /*position*/) {}

  Integer RecordSize() const { return recordSize_; }
  TSQLMemReadWriteThreadSync* RecordLock() const { return recordLock_.get(); }

 protected:
  // Each descendant creates its lock and registers itself as the lock's owner.
  std::unique_ptr<TSQLMemReadWriteThreadSyncByCriticalSections> recordLock_;
  Integer recordSize_ = 0;
  Int64 recordCount_ = 0;
};

// The record buffers that the cursors of one table borrow. Buffers are never returned to the memory
// manager before the cache goes, so it holds as many as were ever lent out at the same time; their
// contents are not cleared between loans. GetBuffer and ReleaseBuffer are serialised on the cache's lock.
class TSQLMemRecordBufferCache {
 public:
  explicit TSQLMemRecordBufferCache(Integer bufferSize);
  ~TSQLMemRecordBufferCache();
  TSQLMemRecordBufferCache(const TSQLMemRecordBufferCache&) = delete;
  TSQLMemRecordBufferCache& operator=(const TSQLMemRecordBufferCache&) = delete;

  // The first free buffer, else a new one of the buffer size (not zero-filled).
  Byte* GetBuffer();
  // Marks the buffer free again; an address that the cache did not lend is ignored.
  void ReleaseBuffer(const Byte* buffer);
  Integer GetUsedCount() const { return inUse_.CountSetBits(); }
  Integer GetBufferCount() const { return static_cast<Integer>(buffers_.size()); }
  Integer BufferSize() const { return bufferSize_; }

 private:
  TSQLMemReadWriteThreadSyncBySingleCriticalSection lock_;
  std::vector<Byte*> buffers_;  // engine blocks, owned
  Integer bufferSize_;
  TSQLMemBitsArray inUse_;      // bit i set: buffer i is lent out
};
