#include "engine/storage/SQLMemTemporaryRecordManager.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {

// Ids are 48-bit: the largest sequence number a record can have.
constexpr Int64 kMaxRecordNumber = (Int64{1} << 48) - 1;
constexpr Int64 kCopyPiece = 1 << 20;

void ResizeBlock(Byte*& p, Int64 size) {
  void* block = p;
  if (block == nullptr)
    block = MemoryManager().GetMem(size);
  else
    MemoryManager().ReallocMem(block, false, size);
  p = static_cast<Byte*>(block);
}

void FreeBlock(Byte*& p) noexcept {
  void* block = p;
  p = nullptr;
  try {
    MemoryManager().FreeMem(block);
  } catch (...) {  // a damaged block is released all the same
  }
}

// A figure of the stream form that does not agree with the others: the stream is damaged.
[[noreturn]] void RaiseBadFigure(TStream& stream, Integer code, Integer width) {
  SQLMemError(code, SQLMemCannotReadBlockFromStream,
              {stream.GetPosition() - width, stream.GetSize(), Int64{width}, Int64{width}});
}

}  // namespace

Int64 TemporaryRecordIdToNumber(const TSQLMemRecordID& recordId) {
  return Int64{static_cast<Cardinal>(recordId.RecordNo)} | (Int64{recordId.ItemNo} << 32);
}

TSQLMemRecordID TemporaryNumberToRecordId(Int64 number) {
  return TSQLMemRecordID{static_cast<Integer>(static_cast<Cardinal>(number & 0xFFFFFFFF)),
                         static_cast<Word>((number >> 32) & 0xFFFF)};
}

TSQLMemTemporaryRecordManager::TSQLMemTemporaryRecordManager(Integer recordSize, Integer growthStep,
                                                             Integer writeBufferCapacity, Integer memoryLimit)
    : writeBufferCapacity_(writeBufferCapacity == 0 ? 1 : writeBufferCapacity), growthStep_(growthStep) {
  if (recordSize == 0) SQLMemError(10124, SQLMemInvalidRecordSize);
  if (recordSize < 0 || writeBufferCapacity_ < 0 || growthStep_ < 0) RaiseRangeError();
  recordSize_ = recordSize;
  recordLock_ = std::make_unique<TSQLMemReadWriteThreadSyncByCriticalSections>();
  recordLock_->SetOwner(this, "TSQLMemTemporaryRecordManager");
  memoryLimit_ = memoryLimit >= 0 ? memoryLimit
                                  : CheckedCast<Integer>(MemoryManager().GetAvailableMemory() / 10 / recordSize);
  writeBufferSize_ = CheckedMul(writeBufferCapacity_, recordSize_);
  ResizeBlock(writeBuffer_, writeBufferSize_);
}

TSQLMemTemporaryRecordManager::~TSQLMemTemporaryRecordManager() {
  try {
    EmptyRecords(-1);
  } catch (...) {  // a destructor never raises
  }
  FreeBlock(writeBuffer_);
}

WideString TSQLMemTemporaryRecordManager::SpillFileName() const {
  return spill_ != nullptr ? spill_->TempFileName() : WideString();
}

void TSQLMemTemporaryRecordManager::FreeMemoryArea() noexcept {
  if (memoryArea_ != nullptr && EngineWipeMemory)
    std::memset(memoryArea_, 0, static_cast<std::size_t>(Int64{memoryCapacity_} * recordSize_));
  FreeBlock(memoryArea_);
  memoryCount_ = 0;
  memoryCapacity_ = 0;
}

void TSQLMemTemporaryRecordManager::EmptyRecords(Integer /*sessionId*/) {
  recordCount_ = 0;
  writeBufferCount_ = 0;
  FreeMemoryArea();
  // The temporary file stream deletes its file when it goes.
  spill_.reset();
}

void TSQLMemTemporaryRecordManager::ResizeMemoryArea(Integer capacity) {
  ResizeBlock(memoryArea_, CheckedMul<Int64>(capacity, recordSize_));
  memoryCapacity_ = capacity;
}

Int64 TSQLMemTemporaryRecordManager::SpillOffset(Int64 n) const { return CheckedMul<Int64>(n - memoryLimit_, recordSize_); }

void TSQLMemTemporaryRecordManager::OpenSpillStream() { spill_ = std::make_unique<TSQLMemTempFileStream>(); }

void TSQLMemTemporaryRecordManager::FlushWriteBuffer() {
  if (writeBufferCount_ < 1) return;
  if (writeBufferCount_ > writeBufferCapacity_)
    SQLMemError(10126, SQLMemInvalidRecordCount, {writeBufferCount_, writeBufferCapacity_});
  if (spill_ == nullptr) SQLMemError(10128, SQLMemNilPointer);
  const Int64 position = SpillOffset(recordCount_ - writeBufferCount_);
  const Int64 before = spill_->GetPosition();
  if (spill_->Seek(position, soBeginning) != position)
    SQLMemError(10128, SQLMemCannotSetStreamPosition, {position, before, spill_->GetSize()});
  const Integer bytes = writeBufferCount_ * recordSize_;
  if (spill_->Write(writeBuffer_, bytes) != bytes) SQLMemError(10125, SQLMemErrorWritingToStream);
  writeBufferCount_ = 0;
}

bool TSQLMemTemporaryRecordManager::AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId,
                                                 Integer /*sessionId*/) {
  try {
    if (recordCount_ >= kMaxRecordNumber) return false;
    if (memoryCount_ >= memoryCapacity_ && memoryCapacity_ >= memoryLimit_) {
      if (spill_ == nullptr) OpenSpillStream();
      FlushWriteBuffer();
      std::memcpy(writeBuffer_ + Int64{writeBufferCount_} * recordSize_, recordBuffer,
                  static_cast<std::size_t>(recordSize_));
      ++writeBufferCount_;
    } else {
      // The area grows by the step, or by half its size once that is more: a fixed step alone would copy
      // the whole area again every step records, quadratic in a large result.
      if (memoryCount_ >= memoryCapacity_)
        ResizeMemoryArea(static_cast<Integer>(std::min<Int64>(
            Int64{memoryCapacity_} + std::max({growthStep_, memoryCapacity_ / 2, 1}), memoryLimit_)));
      std::memcpy(memoryArea_ + recordCount_ * recordSize_, recordBuffer, static_cast<std::size_t>(recordSize_));
      ++memoryCount_;
    }
    recordId = TemporaryNumberToRecordId(recordCount_);
    ++recordCount_;
    return true;
  } catch (...) {  // appends report failure by their answer
    return false;
  }
}

void TSQLMemTemporaryRecordManager::ReadRecord(Int64 n, Byte* target) {
  if (n < 0 || n >= recordCount_) RaiseRangeError();
  if (n < memoryLimit_) {
    std::memcpy(target, memoryArea_ + n * recordSize_, static_cast<std::size_t>(recordSize_));
    return;
  }
  try {
    FlushWriteBuffer();
    if (spill_ == nullptr) SQLMemError(10129, SQLMemNilPointer);
    const Int64 position = SpillOffset(n);
    const Int64 before = spill_->GetPosition();
    if (spill_->Seek(position, soBeginning) != position)
      SQLMemError(10129, SQLMemCannotSetStreamPosition, {position, before, spill_->GetSize()});
    const Integer got = spill_->Read(target, recordSize_);
    if (got != recordSize_)
      SQLMemError(10130, SQLMemCannotReadBlockFromStream, {position, spill_->GetSize(), Int64{recordSize_}, Int64{got}});
  } catch (...) {
    SQLMemError(10127, SQLMemErrorRetrievingRecord);
  }
}

bool TSQLMemTemporaryRecordManager::RecordExists(const TSQLMemRecordID& recordId, Integer /*sessionId*/) {
  const Int64 position = TemporaryRecordIdToNumber(recordId);
  return recordCount_ > 0 && position < recordCount_;
}

Int64 TSQLMemTemporaryRecordManager::GetRecordNo(const TSQLMemRecordID& recordId, Integer /*sessionId*/) {
  const Int64 position = TemporaryRecordIdToNumber(recordId);
  return position < recordCount_ ? position + 1 : -1;
}

void TSQLMemTemporaryRecordManager::NavigateRecord(TSQLMemNavigationRequest& request) {
  Int64 position = TemporaryRecordIdToNumber(request.RecordId);
  Byte result = nrNotFound;
  if (recordCount_ == 0) {
    result = nrAfterLast;
  } else if (request.First != 0) {
    if (request.Direction == ndNext) {
      position = 0;
      result = nrFound;
      request.First = 0;
    } else if (request.Direction == ndPrior) {
      result = nrBeforeFirst;
    }
  } else if (request.Last != 0) {
    if (request.Direction == ndPrior) {
      position = recordCount_ - 1;
      result = nrFound;
      request.Last = 0;
    } else if (request.Direction == ndNext) {
      result = nrAfterLast;
    }
  } else if (request.Direction == ndCurrent) {
    result = position < recordCount_ ? nrFound : nrNotFound;
  } else if (request.Direction == ndNext) {
    if (position >= recordCount_ - 1) {
      result = nrAfterLast;
    } else {
      ++position;
      result = nrFound;
    }
  } else if (request.Direction == ndPrior) {
    if (position <= 0) {
      result = nrBeforeFirst;
    } else {
      --position;
      result = nrFound;
    }
  }
  if (result == nrFound && request.RecordBuffer != nullptr) {
    try {
      ReadRecord(position, request.RecordBuffer);
    } catch (const ESQLMemException&) {  // a record that cannot be read is not found
      result = nrNotFound;
    }
  }
  request.RecordId = TemporaryNumberToRecordId(position);
  request.Result = result;
}

// ---------------------------------------------------------------------------------------------
// Stream form

void TSQLMemTemporaryRecordManager::SaveToStream(TStream& stream) {
  if (spill_ != nullptr) FlushWriteBuffer();
  StreamWriteChecked(&recordSize_, 4, stream, 11215);
  StreamWriteChecked(&recordCount_, 8, stream, 11216);
  StreamWriteChecked(&writeBufferCapacity_, 4, stream, 11208);
  StreamWriteChecked(&writeBufferSize_, 4, stream, 11209);
  StreamWriteChecked(&memoryCount_, 4, stream, 11210);
  StreamWriteChecked(&memoryCapacity_, 4, stream, 11211);
  StreamWriteChecked(&memoryLimit_, 4, stream, 11212);
  StreamWriteChecked(&growthStep_, 4, stream, 11213);
  if (memoryCapacity_ > 0) {
    const Int64 bytes = Int64{memoryCount_} * recordSize_;
    for (Int64 done = 0; done < bytes;) {
      const Integer piece = static_cast<Integer>(std::min(bytes - done, kCopyPiece));
      StreamWriteChecked(memoryArea_ + done, piece, stream, 11214);
      done += piece;
    }
  }
  const Int64 spillSize = recordCount_ > memoryLimit_ && spill_ != nullptr ? spill_->GetSize() : 0;
  StreamWriteChecked(&spillSize, 8, stream, 11226);
  if (spillSize > 0) {
    const Int64 keep = spill_->GetPosition();
    spill_->Seek(0, soBeginning);
    // The destination's errors are its own: a short write raises 10147 inside the copy.
    spill_->SaveToStream(stream);
    spill_->Seek(keep, soBeginning);
    stream.Seek(spillSize, soCurrent);
  }
}

void TSQLMemTemporaryRecordManager::LoadFromStream(TStream& stream) {
  EmptyRecords(-1);
  Integer recordSize = 0, writeBufferCapacity = 0, writeBufferSize = 0, memoryCount = 0, memoryCapacity = 0,
          memoryLimit = 0, growthStep = 0;
  Int64 recordCount = 0, spillSize = 0;
  StreamReadChecked(&recordSize, 4, stream, 11217);
  if (recordSize != recordSize_) RaiseBadFigure(stream, 11217, 4);
  StreamReadChecked(&recordCount, 8, stream, 11218);
  if (recordCount < 0 || recordCount > kMaxRecordNumber) RaiseBadFigure(stream, 11218, 8);
  StreamReadChecked(&writeBufferCapacity, 4, stream, 11219);
  if (writeBufferCapacity < 1) RaiseBadFigure(stream, 11219, 4);
  StreamReadChecked(&writeBufferSize, 4, stream, 11220);
  if (Int64{writeBufferSize} != Int64{writeBufferCapacity} * recordSize_) RaiseBadFigure(stream, 11220, 4);
  StreamReadChecked(&memoryCount, 4, stream, 11221);
  StreamReadChecked(&memoryCapacity, 4, stream, 11222);
  StreamReadChecked(&memoryLimit, 4, stream, 11223);
  StreamReadChecked(&growthStep, 4, stream, 11224);
  // The memory area fills up to the limit before anything spills.
  const bool figuresAgree = memoryCount >= 0 && memoryCount <= memoryCapacity && memoryCapacity <= memoryLimit &&
                            memoryCount == std::min<Int64>(recordCount, memoryLimit) && growthStep >= 0;
  if (!figuresAgree) RaiseBadFigure(stream, 11224, 4);
  const Int64 memoryBytes = memoryCapacity > 0 ? Int64{memoryCount} * recordSize_ : 0;
  if (memoryBytes > stream.GetSize() - stream.GetPosition()) RaiseBadFigure(stream, 11225, 0);

  writeBufferCapacity_ = writeBufferCapacity;
  ResizeBlock(writeBuffer_, writeBufferSize);
  writeBufferSize_ = writeBufferSize;
  memoryLimit_ = memoryLimit;
  growthStep_ = growthStep;
  if (memoryCapacity > 0) ResizeMemoryArea(memoryCapacity);
  for (Int64 done = 0; done < memoryBytes;) {
    const Integer piece = static_cast<Integer>(std::min(memoryBytes - done, kCopyPiece));
    StreamReadChecked(memoryArea_ + done, piece, stream, 11225);
    done += piece;
  }
  memoryCount_ = memoryCount;

  StreamReadChecked(&spillSize, 8, stream, 11227);
  const Int64 spilled = recordCount - memoryCount;
  if (spillSize != spilled * recordSize_ || spillSize > stream.GetSize() - stream.GetPosition())
    RaiseBadFigure(stream, 11227, 8);
  if (spillSize > 0) {
    OpenSpillStream();
    spill_->CopyFromStream(stream, spillSize, stream.GetPosition());
    stream.Seek(spillSize, soCurrent);
  }
  recordCount_ = recordCount;
}
