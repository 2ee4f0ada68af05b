#include "engine/storage/SQLMemBTreeKey.h"

#include <cstring>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"

// ---------------------------------------------------------------------------------------------
// TSQLMemBTreeKeyRef

namespace {

// Two segments of a 32- or 64-bit integer column, compared in place: both keys of an index hold the
// column in one type, so the value comparison's type resolution has nothing to decide. NULL orders
// first, as there. False for any other column type.
bool CompareIntegerSegments(const TSQLMemKeyColumn& column, const Byte* a, const Byte* b, int& result) noexcept {
  if (column.DataType == edtInteger && column.SegmentSize >= 5) {
    result = TSQLMemBTreeKeyRef::CompareInteger(a, b, 0, false);
    return true;
  }
  Int64 x = 0, y = 0;
  if (column.DataType == edtLargeInt && column.SegmentSize >= 9) {
    std::memcpy(&x, a + 1, sizeof x);
    std::memcpy(&y, b + 1, sizeof y);
  } else {
    return false;
  }
  if (a[0] == 1 || b[0] == 1) result = (a[0] == 1 ? 0 : 1) - (b[0] == 1 ? 0 : 1);
  else result = x < y ? -1 : (x > y ? 1 : 0);
  return true;
}

}  // namespace

void TSQLMemBTreeKeyRef::AddColumn(Integer recordOffset, Integer fieldNo, Integer dataSize, Byte dataType,
                                   bool descending, bool caseInsensitive) {
  if (dataSize < 0) RaiseRangeError();
  TSQLMemKeyColumn column;
  column.KeyOffset = keySize_;
  column.RecordOffset = recordOffset;
  column.FieldNo = fieldNo;
  column.SegmentSize = CheckedAdd(dataSize, 1);
  column.DataType = dataType;
  column.Descending = descending;
  column.CaseInsensitive = caseInsensitive;
  const Integer keySize = CheckedAdd(keySize_, column.SegmentSize);
  columns_.push_back(column);
  keySize_ = keySize;
  columnsInUse_ = ColumnCount();
}

void CheckIndexColumnField(const TSQLMemIndexDef& indexDef, const TSQLMemFieldDef& field) {
  if (IsBLOBDataType(field.DataType))
    SQLMemError(11435, "Field '%s' is a BLOB field and cannot be used in index '%s'", {field.Name, indexDef.Name});
}

void TSQLMemBTreeKeyRef::Build(const TSQLMemIndexDef& indexDef, const TSQLMemKeyFieldSource* table) {
  if (table == nullptr) SQLMemError(20044, "Pointer is nil");
  const TSQLMemFieldDefs* fields = table->KeyFieldDefs();
  if (fields == nullptr) SQLMemError(20045, "Pointer is nil");
  TSQLMemBTreeKeyRef built;
  built.referenceSize_ = referenceSize_;
  for (Integer i = 0; i < indexDef.GetColumnCount(); ++i) {
    const TSQLMemIndexColumn& column = indexDef.GetColumn(i);
    Integer fieldNo = -1;
    for (Integer f = 0; f < fields->GetCount() && fieldNo < 0; ++f)
      if (AnsiSameText(fields->GetFieldDef(f).Name, column.Name)) fieldNo = f;
    if (fieldNo < 0) SQLMemError(20043, "Cannot find index field '%s'", {column.Name});
    const TSQLMemFieldDef& field = fields->GetFieldDef(fieldNo);
    CheckIndexColumnField(indexDef, field);
    built.AddColumn(field.RecordOffset, fieldNo, field.DataSize, field.DataType, column.Descending != 0,
                    column.CaseInsensitive != 0);
  }
  columns_ = std::move(built.columns_);
  keySize_ = built.keySize_;
  columnsInUse_ = ColumnCount();
}

const TSQLMemKeyColumn& TSQLMemBTreeKeyRef::Column(Integer i) const {
  CheckIndex(i, columns_.size());
  return columns_[static_cast<std::size_t>(i)];
}

void TSQLMemBTreeKeyRef::SetColumnsInUse(Integer n) {
  if (n < 0 || n > ColumnCount()) RaiseRangeError();
  columnsInUse_ = n;
}

Byte* TSQLMemBTreeKeyRef::AllocKey() const { return static_cast<Byte*>(MemoryManager().AllocMem(keySize_ > 0 ? keySize_ : 1)); }

void TSQLMemBTreeKeyRef::FreeKey(Byte*& key) const noexcept {
  void* p = key;
  key = nullptr;
  try {
    MemoryManager().FreeMem(p);
  } catch (...) {
    // A damaged key block is released all the same; there is no caller to tell.
  }
}

void TSQLMemBTreeKeyRef::MakeKey(const Byte* recordBuffer, Byte* key) const {
  for (const TSQLMemKeyColumn& column : columns_) {
    Byte* segment = key + column.KeyOffset;
    if (::GetBit(column.FieldNo, recordBuffer)) {
      segment[0] = 1;
    } else {
      segment[0] = 0;
      std::memcpy(segment + 1, recordBuffer + column.RecordOffset, static_cast<std::size_t>(column.SegmentSize - 1));
    }
  }
}

int TSQLMemBTreeKeyRef::Compare(const Byte* key1, const Byte* key2) const {
  for (Integer i = 0; i < columnsInUse_; ++i) {
    const TSQLMemKeyColumn& column = columns_[static_cast<std::size_t>(i)];
    const Byte* a = key1 + column.KeyOffset;
    const Byte* b = key2 + column.KeyOffset;
    int result = 0;
    if (!CompareIntegerSegments(column, a, b, result)) {
      const TSQLMemValueRef first{a + 1, column.SegmentSize - 1, column.DataType, a[0] == 1};
      const TSQLMemValueRef second{b + 1, column.SegmentSize - 1, column.DataType, b[0] == 1};
      result = CompareValuesSign(CompareValues(first, second, column.CaseInsensitive, -1));
    }
    if (column.Descending) result = -result;
    if (result != 0) return result;
  }
  return 0;
}

bool TSQLMemBTreeKeyRef::SingleIntegerColumn(Integer& keyOffset, bool& descending) const noexcept {
  if (columnsInUse_ != 1) return false;
  const TSQLMemKeyColumn& column = columns_.front();
  if (column.DataType != edtInteger || column.SegmentSize < 5) return false;
  keyOffset = column.KeyOffset;
  descending = column.Descending;
  return true;
}

bool TSQLMemBTreeKeyRef::ReferencesEqual(const Byte* ref1, const Byte* ref2, Integer size) noexcept {
  return std::memcmp(ref1, ref2, static_cast<std::size_t>(size)) == 0;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemKeyPath

void TSQLMemKeyPath::AddLevel(Integer pageNo, Integer entryNo, Integer entryCount) {
  if (current_ < 0 || current_ >= kMaxLevels)
    SQLMemError(11660, SQLMemKeyPathInvalidItemNo, {current_, pageNo, entryNo, entryCount});
  levels_[static_cast<std::size_t>(current_)] = Level{pageNo, entryNo, entryCount};
  ++current_;
  ++count_;
}

TSQLMemKeyPath::Level& TSQLMemKeyPath::At(Integer level) {
  CheckIndex(level, kMaxLevels);
  return levels_[static_cast<std::size_t>(level)];
}

const TSQLMemKeyPath::Level& TSQLMemKeyPath::At(Integer level) const {
  CheckIndex(level, kMaxLevels);
  return levels_[static_cast<std::size_t>(level)];
}

bool TSQLMemKeyPath::ContainsPage(Integer pageNo) const noexcept {
  for (Integer i = 0; i < count_ && i < kMaxLevels; ++i)
    if (levels_[static_cast<std::size_t>(i)].PageNo == pageNo) return true;
  return false;
}

void TSQLMemKeyPath::Assign(const TSQLMemKeyPath& other) noexcept {
  levels_ = other.levels_;
  count_ = other.count_;
  current_ = other.current_;
}

int TSQLMemKeyPath::Compare(const TSQLMemKeyPath& a, const TSQLMemKeyPath& b) {
  if (a.count_ != b.count_) SQLMemError(20051, SQLMemInvalidIndexKeyPath);
  for (Integer i = 0; i < a.count_; ++i) {
    const Level& x = a.At(i);
    const Level& y = b.At(i);
    if (x.PageNo != y.PageNo) SQLMemError(20052, SQLMemInvalidIndexKeyPath);
    if (x.EntryNo != y.EntryNo) return x.EntryNo < y.EntryNo ? -1 : 1;
  }
  return 0;
}

double TSQLMemKeyPath::Fraction() const noexcept {
  if (count_ <= 0) return 0;
  Int64 c = 0;
  Int64 d = 1;
  for (Integer i = std::min(count_, kMaxLevels) - 1; i >= 0; --i) {
    const Level& level = levels_[static_cast<std::size_t>(i)];
    c += Int64{level.EntryNo} * d;
    d *= level.EntryCount;
  }
  return d == 0 ? 0 : static_cast<double>(c) / static_cast<double>(d);
}
