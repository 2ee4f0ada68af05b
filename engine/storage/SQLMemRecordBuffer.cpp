#include "engine/storage/SQLMemRecordBuffer.h"

#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

void CheckFieldNo(Integer fieldNo, const TSQLMemFieldDefs& fieldDefs, Integer code) {
  if (fieldNo < 0 || fieldNo >= fieldDefs.GetCount())
    SQLMemError(code, SQLMemInvalidFieldNumber, {fieldNo, fieldDefs.GetCount()});
}

// Bytes of text before its terminator, looking at no more than limit bytes: a zero byte (8-bit) or a
// zero 16-bit unit (wide, counted in steps of 2). A negative limit means no bound (a caller's text).
Integer TextByteLength(const Byte* text, bool wide, Integer limit) {
  Integer n = 0;
  if (wide) {
    while ((limit < 0 || n + 1 < limit) && (text[n] != 0 || text[n + 1] != 0)) n = CheckedAdd(n, 2);
  } else {
    while ((limit < 0 || n < limit) && text[n] != 0) n = CheckedAdd(n, 1);
  }
  return n;
}

}  // namespace

bool IsRecordFieldNull(Integer fieldNo, const Byte* recordBuffer) { return GetBit(fieldNo, recordBuffer); }

void SetRecordFieldNull(Integer fieldNo, bool isNull, Byte* recordBuffer) { SetBit(isNull, fieldNo, recordBuffer); }

bool GetRecordFieldData(Integer fieldNo, const TSQLMemFieldDefs& fieldDefs, void* destination,
                        const Byte* recordBuffer) {
  // The field number is checked before its null bit is read, so a wrong number never reads past the
  // bitmap.
  CheckFieldNo(fieldNo, fieldDefs, 10000);
  if (IsRecordFieldNull(fieldNo, recordBuffer)) return false;
  if (destination == nullptr) return true;
  const TSQLMemFieldDef& field = fieldDefs.GetFieldDef(fieldNo);
  if (IsBLOBFieldType(field.FieldType)) return true;
  const Byte* slot = recordBuffer + field.RecordOffset;
  if (IsStringFieldType(field.FieldType)) {
    if (IsWideFieldType(field.FieldType)) {
      std::memcpy(destination, &slot, sizeof slot);
      return true;
    }
    // A slot without a terminator (a damaged record) yields at most the slot's bytes, terminated.
    const Integer length = TextByteLength(slot, false, field.DataSize - 1);
    std::memcpy(destination, slot, static_cast<std::size_t>(length));
    static_cast<Byte*>(destination)[length] = 0;
    return true;
  }
  std::memcpy(destination, slot, static_cast<std::size_t>(field.DataSize));
  return true;
}

void PutRecordFieldData(Integer fieldNo, const TSQLMemFieldDefs& fieldDefs, const void* source, Byte* recordBuffer) {
  CheckFieldNo(fieldNo, fieldDefs, 10004);
  if (source == nullptr) {
    SetRecordFieldNull(fieldNo, true, recordBuffer);
    return;
  }
  SetRecordFieldNull(fieldNo, false, recordBuffer);
  const TSQLMemFieldDef& field = fieldDefs.GetFieldDef(fieldNo);
  Byte* slot = recordBuffer + field.RecordOffset;
  if (!IsStringFieldType(field.FieldType)) {
    std::memcpy(slot, source, static_cast<std::size_t>(field.DataSize));
    return;
  }
  const bool wide = IsWideFieldType(field.FieldType);
  const Integer terminator = wide ? 2 : 1;
  Integer length = TextByteLength(static_cast<const Byte*>(source), wide, -1);
  if (length == 0) {
    SetRecordFieldNull(fieldNo, true, recordBuffer);
    return;
  }
  if (length > field.DataSize - terminator) length = field.DataSize - terminator;
  std::memmove(slot, source, static_cast<std::size_t>(length));
  std::memset(slot + length, 0, static_cast<std::size_t>(terminator));
}

// ---------------------------------------------------------------------------------------------
// TSQLMemRecordBufferCache

TSQLMemRecordBufferCache::TSQLMemRecordBufferCache(Integer bufferSize) : bufferSize_(bufferSize) {
  if (bufferSize <= 0) RaiseRangeError();
}

TSQLMemRecordBufferCache::~TSQLMemRecordBufferCache() {
  // Every buffer is returned even when one of them turns out damaged.
  for (Byte* buffer : buffers_) {
    try {
      void* p = buffer;
      MemoryManager().FreeMem(p);
    } catch (...) {
    }
  }
}

Byte* TSQLMemRecordBufferCache::GetBuffer() {
  TSQLMemLockHold hold(lock_, true);
  const Integer count = GetBufferCount();
  if (count > 0 && GetUsedCount() < count) {
    Integer index = 0;
    if (!inUse_.FindBit(false, index)) SQLMemError(11763, SQLMemNilPointer);
    inUse_.SetBit(index, true);
    return buffers_[static_cast<std::size_t>(index)];
  }
  // Everything that can fail happens before the list changes, so the list and the map stay equal in size.
  const Integer newCount = CheckedAdd(count, 1);
  buffers_.reserve(static_cast<std::size_t>(newCount));
  inUse_.SetSize(newCount);
  Byte* buffer = nullptr;
  try {
    buffer = static_cast<Byte*>(MemoryManager().GetMem(bufferSize_));
  } catch (...) {
    inUse_.SetSize(count);
    throw;
  }
  buffers_.push_back(buffer);
  inUse_.SetBit(count, true);
  return buffer;
}

void TSQLMemRecordBufferCache::ReleaseBuffer(const Byte* buffer) {
  TSQLMemLockHold hold(lock_, true);
  for (std::size_t i = 0; i < buffers_.size(); ++i) {
    if (buffers_[i] == buffer) {
      inUse_.SetBit(static_cast<Integer>(i), false);
      return;
    }
  }
}
