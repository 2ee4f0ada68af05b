// Keys of the B-tree indexes and the path that records a position in a tree. A key holds one
// segment per index column: a null byte (1 = NULL, 0 = value) and the column's data bytes as the
// record buffer holds them. Keys compare column by column in the user's locale; NULL sorts first in an
// ascending column and last in a descending one.
#pragma once
#include <cstring>
#include <array>
#include <vector>

#include "vcl/rtl/Object.h"
#include "vcl/rtl/SysTypes.h"

// Comparison kinds of a search (the kind byte of a scan search condition).
enum TSQLMemCompareKind : Byte {
  ckNone = 0,
  ckEqual = 1,         // "="
  ckLess = 2,          // "<"
  ckGreater = 3,       // ">"
  ckLessOrEqual = 4,   // "<="
  ckGreaterOrEqual = 5 // ">="
};

// One index column as keys hold and compare it.
struct TSQLMemKeyColumn {
  Integer KeyOffset = 0;     // of the segment's null byte in the key
  Integer RecordOffset = 0;  // of the field's data in the record buffer
  Integer FieldNo = 0;       // the field's position, also its bit in the record's NULL bitmap
  Integer SegmentSize = 0;   // data size + 1
  Byte DataType = 0;         // engine data type
  bool Descending = false;
  bool CaseInsensitive = false;
};

class TSQLMemFieldDef;
class TSQLMemFieldDefs;
class TSQLMemIndexDef;

// Raises 11435 when the field cannot be a column of the index: a BLOB field's record slot holds a
// reference to its value, which means nothing as a key and changes when the table is loaded.
void CheckIndexColumnField(const TSQLMemIndexDef& indexDef, const TSQLMemFieldDef& field);

// What building a key ref needs of its table: the table's field definitions (nil while the table has
// none).
class TSQLMemKeyFieldSource {
 public:
  virtual ~TSQLMemKeyFieldSource() = default;
  virtual const TSQLMemFieldDefs* KeyFieldDefs() const = 0;
};

class TSQLMemBTreeKeyRef : public TObject {
 public:
  // Replaces the columns by those of the index definition, found by name among the table's fields. A
  // missing table raises 20044, a table without field definitions 20045, an unknown column 20043, a
  // BLOB column 11435.
  void Build(const TSQLMemIndexDef& indexDef, const TSQLMemKeyFieldSource* table);
  // Appends a column of dataSize data bytes after the columns already there.
  void AddColumn(Integer recordOffset, Integer fieldNo, Integer dataSize, Byte dataType, bool descending,
                 bool caseInsensitive);

  Integer KeySize() const noexcept { return keySize_; }
  Word ReferenceSize() const noexcept { return referenceSize_; }
  void SetReferenceSize(Word size) noexcept { referenceSize_ = size; }
  Integer ColumnCount() const noexcept { return static_cast<Integer>(columns_.size()); }
  const TSQLMemKeyColumn& Column(Integer i) const;
  // The leading columns that comparisons use: all of them, except while a partial-key search runs.
  Integer ColumnsInUse() const noexcept { return columnsInUse_; }
  void SetColumnsInUse(Integer n);  // ERangeError outside 0..ColumnCount

  // A zero-filled engine block of key size, and its release.
  Byte* AllocKey() const;
  void FreeKey(Byte*& key) const noexcept;
  // The key of a record buffer (NULL bitmap first, then the field slots).
  void MakeKey(const Byte* recordBuffer, Byte* key) const;
  // -1, 0 or 1 over the columns in use. A column type without an order raises the value comparison's
  // error.
  int Compare(const Byte* key1, const Byte* key2) const;
  // Whether the comparison uses one column of 32-bit integers alone (where it starts in the key and
  // whether it runs descending): a page's search then compares the values in place (CompareInteger).
  bool SingleIntegerColumn(Integer& keyOffset, bool& descending) const noexcept;
  // Compare's answer for two keys of such a column at keyOffset: NULL (flag byte 1) orders first.
  static int CompareInteger(const Byte* key1, const Byte* key2, Integer keyOffset, bool descending) noexcept {
    const Byte* a = key1 + keyOffset;
    const Byte* b = key2 + keyOffset;
    int result = 0;
    if (a[0] == 1 || b[0] == 1) {
      result = (a[0] == 1 ? 0 : 1) - (b[0] == 1 ? 0 : 1);
    } else {
      Integer x = 0, y = 0;
      std::memcpy(&x, a + 1, sizeof x);
      std::memcpy(&y, b + 1, sizeof y);
      result = x < y ? -1 : (x > y ? 1 : 0);
    }
    return descending ? -result : result;
  }
  static bool ReferencesEqual(const Byte* ref1, const Byte* ref2, Integer size) noexcept;

 private:
  std::vector<TSQLMemKeyColumn> columns_;
  Integer keySize_ = 0;
  Word referenceSize_ = 6;
  Integer columnsInUse_ = 0;
};

// The route from the root to one item: per level the page, the item's position in it and the page's
// item count when the level was recorded. Node operations address the level at Current.
class TSQLMemKeyPath : public TObject {
 public:
  static constexpr Integer kMaxLevels = 32;
  struct Level {
    Integer PageNo = 0;
    Integer EntryNo = 0;
    Integer EntryCount = 0;
  };

  void Clear() noexcept { count_ = current_ = 0; }
  // Records a level at Current and moves Current and Count on; 11660 when Current is not a level.
  void AddLevel(Integer pageNo, Integer entryNo, Integer entryCount);
  void DropLevel() noexcept { --count_; --current_; }
  void LevelUp() noexcept { --current_; }
  void LevelDown() noexcept { ++current_; }

  Integer Count() const noexcept { return count_; }
  Integer Current() const noexcept { return current_; }
  // Levels are checked: ERangeError outside 0..31.
  Level& At(Integer level);
  const Level& At(Integer level) const;
  Integer CurrentPageNo() const { return At(current_).PageNo; }
  bool ContainsPage(Integer pageNo) const noexcept;
  void Assign(const TSQLMemKeyPath& other) noexcept;
  // Position order of two paths through the same tree: 20051 for different depths, 20052 for paths
  // that part ways at some level.
  static int Compare(const TSQLMemKeyPath& a, const TSQLMemKeyPath& b);
  // The entry's relative position in the tree, 0 <= f < 1 (0 for an empty path).
  double Fraction() const noexcept;

 private:
  std::array<Level, kMaxLevels> levels_{};
  Integer count_ = 0;
  Integer current_ = 0;
};
