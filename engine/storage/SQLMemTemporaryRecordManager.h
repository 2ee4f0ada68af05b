// The record store of a temporary table: records are only appended and read back by position. The
// first records live in one memory area that grows in steps up to a limit; every record past the
// limit spills to a temporary file through a write buffer that holds the most recently spilled record
// until the next append or read flushes it. A record's id is its 0-based sequence number as a 48-bit
// little-endian number in the six bytes of the id (record number the low 32 bits, item number the
// high 16).
//
// Invariants: memory count <= memory capacity <= memory limit; record n lies in the memory area when
// n < memory limit, else at (n - limit) x record size of the spill file (or still in the write
// buffer); the spill file exists from the first spilled record until EmptyRecords or destruction.
#pragma once
#include <memory>

#include "engine/storage/SQLMemRecordBuffer.h"

class TSQLMemTempFileStream;

// The 48-bit sequence number of a temporary table's record id, and back (the low six bytes).
Int64 TemporaryRecordIdToNumber(const TSQLMemRecordID& recordId);
TSQLMemRecordID TemporaryNumberToRecordId(Int64 number);

class TSQLMemTemporaryRecordManager : public TSQLMemBaseRecordManager {
 public:
  // A record size of 0 raises 10124; a write-buffer capacity of 0 is taken as 1. The memory limit is
  // (available engine memory div 10) div record size, taken now; memoryLimit >= 0 replaces it (tests
  // give a small one so that records spill early).
  TSQLMemTemporaryRecordManager(Integer recordSize, Integer growthStep, Integer writeBufferCapacity,
                                Integer memoryLimit = -1);
  // Empties the records (the spill file goes) and frees the write buffer. Never raises.
  ~TSQLMemTemporaryRecordManager() override;

  // Count 0, the memory area freed (wiped first under EngineWipeMemory), the spill file deleted.
  void EmptyRecords(Integer sessionId) override;
  // Adds the record after the last one; the id is its sequence number. Any failure answers false.
  bool AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId, Integer sessionId) override;
  bool RecordExists(const TSQLMemRecordID& recordId, Integer sessionId) override;
  // Sequence order; the request's id receives the new position whatever the result. A record that
  // cannot be read gives nrNotFound.
  void NavigateRecord(TSQLMemNavigationRequest& request) override;
  Int64 GetRecordNo(const TSQLMemRecordID& recordId, Integer sessionId) override;
  // Stream form: int32 record size, int64 record count, int32 write-buffer capacity, int32 write-buffer
  // bytes, int32 memory count, int32 memory capacity, int32 memory limit, int32 growth step, the memory
  // records (memory count x record size, when the capacity is above 0), int64 spill size and the spill
  // bytes. Saving flushes the write buffer first. Loading checks every figure against the others and
  // against what the source holds (a damaged stream raises the read code of the figure).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // Record n into target (record size bytes); a failure on the spill path raises 10127.
  void ReadRecord(Int64 n, Byte* target);

  Integer MemoryLimit() const noexcept { return memoryLimit_; }
  Integer MemoryCount() const noexcept { return memoryCount_; }
  Integer MemoryCapacity() const noexcept { return memoryCapacity_; }
  Integer WriteBufferCapacity() const noexcept { return writeBufferCapacity_; }
  Integer WriteBufferCount() const noexcept { return writeBufferCount_; }
  Integer GrowthStep() const noexcept { return growthStep_; }
  // The spill file's name; empty while nothing has spilled.
  WideString SpillFileName() const;

 private:
  void FlushWriteBuffer();
  void OpenSpillStream();
  void FreeMemoryArea() noexcept;
  void ResizeMemoryArea(Integer capacity);
  Int64 SpillOffset(Int64 n) const;

  Integer writeBufferCapacity_;
  Integer writeBufferSize_ = 0;  // bytes
  Integer memoryCount_ = 0;
  Byte* memoryArea_ = nullptr;   // engine block of memoryCapacity_ x record size bytes
  Integer memoryCapacity_ = 0;
  Byte* writeBuffer_ = nullptr;  // engine block of writeBufferSize_ bytes
  Integer writeBufferCount_ = 0;
  std::unique_ptr<TSQLMemTempFileStream> spill_;
  Integer memoryLimit_ = 0;
  Integer growthStep_;
};
