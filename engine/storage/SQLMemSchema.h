// The schema definitions of a table: plain data objects describing its fields, indexes, constraints and
// sequences, each a named object with an object id, and the lists that own them. Every kind has an
// exact little-endian stream form (part of the table stream, so of the data file) and an Assign.
#pragma once
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TStream;

// The uncompressed block size given to new BLOB fields (bytes).
extern Integer DefaultBLOBBlockSize;

// Stream form: uint8 name length, the name's bytes, int32 object id.
class TSQLMemMetaObjectDef {
 public:
  TSQLMemMetaObjectDef() = default;
  virtual ~TSQLMemMetaObjectDef() = default;
  TSQLMemMetaObjectDef(const TSQLMemMetaObjectDef&) = delete;
  TSQLMemMetaObjectDef& operator=(const TSQLMemMetaObjectDef&) = delete;

  // Copies what both objects have in common; a source of another kind gives only the meta part.
  virtual void Assign(const TSQLMemMetaObjectDef& source);
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;

  AnsiString Name;       // at most 255 bytes; compared case-insensitively
  Integer ObjectId = -1;  // unique within a database
  // Carried and copied, never streamed.
  AnsiString Description;
  Integer DescriptionId = -1;
};

// A sequence of int64 values (autoincrement fields, the database's object ids).
// Stream form: meta; uint8 DataType; int64 MinValue, MaxValue, CurrentValue, Increment; uint8 Cycle.
class TSQLMemSequenceDef : public TSQLMemMetaObjectDef {
 public:
  void Assign(const TSQLMemMetaObjectDef& source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // Advances by Increment (overflow raises EIntOverflow); past MaxValue it restarts at MinValue when
  // cycling, else raises 30009. From the defaults the first value is 1.
  virtual Int64 NextValue();

  Byte DataType = edtCardinal;
  Int64 MinValue = 0;
  Int64 MaxValue = 4294967295;
  Int64 CurrentValue = 0;
  Int64 Increment = 1;
  Byte Cycle = 1;  // non-zero: cycle
};

// One column of a table.
// Stream form: meta; uint8 DataType; uint8 FieldType; int32 Size; for BLOB data types (18..20) uint8
// compression algorithm, uint8 level, int32 block size; then for AutoInc field types (12..19) int32
// SequenceId, int64 Increment, InitialValue, MinValue, MaxValue, uint8 Cycle; otherwise the default
// value in the typed-value stream form.
class TSQLMemFieldDef : public TSQLMemMetaObjectDef {
 public:
  void Assign(const TSQLMemMetaObjectDef& source) override;  // FormatVersion is not copied
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

  // Takes the SQL field type and declared size; a field type without a data type raises 30007.
  void SetDataType(Integer fieldType, Integer size);
  // DataSize from the data type and size; CompactSize likewise, but 6 for BLOB and variable strings.
  void ComputeSizes();

  Byte DataType = edtNone;
  Byte FieldType = sftUnknown;
  Integer Size = 0;  // declared length of text and byte types
  // Layout, computed by ComputeSizes and the list's UpdateLayout.
  Integer DataSize = 0;
  Integer CompactSize = 0;
  Integer RecordOffset = 0;
  Integer CompactOffset = 0;
  Integer SequenceId = -1;
  TSQLMemVariant DefaultValue;
  Byte BLOBCompressionAlgorithm = 0;
  Byte BLOBCompressionLevel = 0;
  Integer BLOBBlockSize = DefaultBLOBBlockSize;
  Int64 Increment = 1;
  Int64 InitialValue = 0;
  Int64 MinValue = 0;
  Int64 MaxValue = 9223372036854775807;
  Byte Cycle = 0;
  double FormatVersion = 4.2;  // handed over by the owning list before each load or save
  // In a cursor's projected field list: the number of the table field this entry shows. Copied, never
  // streamed.
  Integer TableFieldNo = -1;
};

// Stream form: uint8 name length (1..255), the name, uint8 Descending, uint8 CaseInsensitive. An empty
// name can be neither written nor read (ERangeError).
struct TSQLMemIndexColumn {
  AnsiString Name;
  Byte Descending = 0;
  Byte CaseInsensitive = 0;
};

// Stream form: meta; uint8 IndexKind, Unique, Primary; int32 column count; int32 RootPageNo; the columns.
class TSQLMemIndexDef : public TSQLMemMetaObjectDef {
 public:
  void Assign(const TSQLMemMetaObjectDef& source) override;
  void LoadFromStream(TStream& stream) override;  // Temporary becomes 0
  void SaveToStream(TStream& stream) const override;

  TSQLMemIndexColumn& GetColumn(Integer index);  // ERangeError outside 0..count - 1
  const TSQLMemIndexColumn& GetColumn(Integer index) const;
  Integer GetColumnCount() const { return static_cast<Integer>(columns_.size()); }
  void SetColumnCount(Integer n);  // new columns are empty

  Byte IndexKind = 0;
  Byte Unique = 0;
  Byte Primary = 0;
  Integer RootPageNo = -1;  // -1: the index has no B-tree page yet
  Byte Temporary = 0;       // temporary indexes are not saved

 private:
  std::vector<TSQLMemIndexColumn> columns_;
};

enum TSQLMemConstraintKind : Byte {
  ckPrimary = 0,
  ckForeignKey = 1,
  ckUnique = 2,
  ckNotNull = 3,
  ckCheck = 4,
  ckForeignKeyAction = 5,
};

class TSQLMemConstraintDef : public TSQLMemMetaObjectDef {
 public:
  explicit TSQLMemConstraintDef(Byte kind) : Kind(kind) {}
  const Byte Kind;
};

// A key field of a unique, primary or foreign-key constraint.
struct TSQLMemConstraintColumn {
  AnsiString Name;
  Integer ObjectId = -1;
};

// Three (name, id) pairs: Name2 is the table's name; Name3 the constrained field (not null, check);
// Id3 the constraint's index (unique, primary).
class TSQLMemConstraintDefNamed : public TSQLMemConstraintDef {
 public:
  using TSQLMemConstraintDef::TSQLMemConstraintDef;
  void Assign(const TSQLMemMetaObjectDef& source) override;

  AnsiString Name1, Name2, Name3;
  Integer Id1 = -1, Id2 = -1, Id3 = -1;
};

// Stream form: meta; int32 Id1, Id2, Id3; per name uint8 n = length + 1, then the length byte and the
// characters (so a name of 255 characters cannot be written).
class TSQLMemConstraintDefNotNull : public TSQLMemConstraintDefNamed {
 public:
  TSQLMemConstraintDefNotNull();
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

 protected:
  explicit TSQLMemConstraintDefNotNull(Byte kind);
};

// The not-null form followed by MinValue and MaxValue in the typed-value stream form.
class TSQLMemConstraintDefCheck : public TSQLMemConstraintDefNotNull {
 public:
  TSQLMemConstraintDefCheck();
  void Assign(const TSQLMemMetaObjectDef& source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

  TSQLMemVariant MinValue;
  TSQLMemVariant MaxValue;
};

// Stream form: meta; int32 Id1, Id2, Id3; per name int32 n = length + 1, then the length byte and the
// characters; int32 column count; per column int32 object id, int32 n = length + 1, length byte, characters.
class TSQLMemConstraintDefUnique : public TSQLMemConstraintDefNamed {
 public:
  TSQLMemConstraintDefUnique();
  void Assign(const TSQLMemMetaObjectDef& source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

  std::vector<TSQLMemConstraintColumn> Columns;

 protected:
  explicit TSQLMemConstraintDefUnique(Byte kind);
};

class TSQLMemConstraintDefPrimary : public TSQLMemConstraintDefUnique {
 public:
  TSQLMemConstraintDefPrimary();
};

// Action values: 0 refuse, 1 cascade, 2 set null, 3 set default, 4 no action.
// Stream form: meta; int32 length and characters of RelatedTableName; int32 RelatedTableId; the same for
// RelatedConstraintName / Id; uint8 DeleteAction, UpdateAction, MatchType; int32 column count; per
// column int32 object id, int32 length, characters.
class TSQLMemConstraintDefForeignKeyAction : public TSQLMemConstraintDef {
 public:
  TSQLMemConstraintDefForeignKeyAction();
  void Assign(const TSQLMemMetaObjectDef& source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

  AnsiString RelatedTableName;
  Integer RelatedTableId = -1;
  AnsiString RelatedConstraintName;
  Integer RelatedConstraintId = -1;
  Byte DeleteAction = 0;
  Byte UpdateAction = 0;
  Byte MatchType = 0;
  std::vector<TSQLMemConstraintColumn> Columns;

 protected:
  explicit TSQLMemConstraintDefForeignKeyAction(Byte kind);
};

class TSQLMemConstraintDefForeignKey : public TSQLMemConstraintDefForeignKeyAction {
 public:
  TSQLMemConstraintDefForeignKey();
};

// An owning, ordered list of definitions. Stream form: int32 count, then the items in the subclass's
// form. Name look-ups are case-insensitive (the first match wins); -1 / nullptr when absent. A typed
// list takes only definitions of its kind (EInvalidCast otherwise) and no nil item (10425).
class TSQLMemMetaObjectDefs {
 public:
  TSQLMemMetaObjectDefs() = default;
  virtual ~TSQLMemMetaObjectDefs() = default;
  TSQLMemMetaObjectDefs(const TSQLMemMetaObjectDefs&) = delete;
  TSQLMemMetaObjectDefs& operator=(const TSQLMemMetaObjectDefs&) = delete;

  virtual Integer GetCount() const { return static_cast<Integer>(items_.size()); }
  virtual void AddItem(std::unique_ptr<TSQLMemMetaObjectDef> item);
  // A new definition of the list's kind, appended; the base list raises 30339.
  virtual TSQLMemMetaObjectDef& InternalAddCreated();
  // Clears, then reads the count into StreamCount; subclasses read the items.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  // Clears, then copies the source's items in order; a name already copied raises 10424 and keeps
  // what was copied before it.
  virtual void Assign(const TSQLMemMetaObjectDefs& source);
  virtual void Delete(Integer index);
  virtual void Insert(Integer index, std::unique_ptr<TSQLMemMetaObjectDef> item);
  virtual void Move(Integer curIndex, Integer newIndex);
  virtual void Clear();

  TSQLMemMetaObjectDef& GetDef(Integer index) const;  // ERangeError outside 0..count - 1
  void SetDef(Integer index, std::unique_ptr<TSQLMemMetaObjectDef> item);  // frees the old item
  Integer IndexOfName(std::string_view name) const;
  TSQLMemMetaObjectDef* FindByName(std::string_view name) const;
  Integer IndexOfObjectID(Integer id) const;
  TSQLMemMetaObjectDef* FindByObjectID(Integer id) const;

  Integer StreamCount = 0;  // the count read by the last LoadFromStream

 protected:
  virtual const char* ClassName() const { return "TSQLMemMetaObjectDefs"; }
  virtual bool Holds(const TSQLMemMetaObjectDef& /*item*/) const { return true; }
  // Called after every change of the items.
  virtual void ItemsChanged() {}
  TSQLMemMetaObjectDef& Append(std::unique_ptr<TSQLMemMetaObjectDef> item);

 private:
  void CheckItem(const TSQLMemMetaObjectDef* item) const;

  std::vector<std::unique_ptr<TSQLMemMetaObjectDef>> items_;
};

// The fields of a table; also computes the record layout.
class TSQLMemFieldDefs : public TSQLMemMetaObjectDefs {
 public:
  TSQLMemMetaObjectDef& InternalAddCreated() override { return AddFieldDef(); }
  void LoadFromStream(TStream& stream) override;  // ends with UpdateLayout
  void SaveToStream(TStream& stream) const override;

  TSQLMemFieldDef& GetFieldDef(Integer index) const;
  TSQLMemFieldDef& AddFieldDef();
  TSQLMemFieldDef* FindByName(std::string_view name) const;
  // Record layout: a null bitmap of ceil(count / 8) bytes, then each field's value at RecordOffset,
  // DataSize bytes long, in list order with no padding (CompactOffset likewise with CompactSize).
  // Also recomputes the three flags.
  void UpdateLayout();
  // The bytes of a record buffer: the last field's RecordOffset + DataSize; no fields raise 10131.
  Integer RecordSize() const;
  Integer NullBitmapSize() const { return (GetCount() + 7) / 8; }

  bool HasBLOBOrVarString = false;
  bool HasAutoInc = false;
  bool HasDefaults = false;
  double FormatVersion = 4.2;

 protected:
  const char* ClassName() const override { return "TSQLMemFieldDefs"; }
  bool Holds(const TSQLMemMetaObjectDef& item) const override;
};

// The indexes of a table. The stream form counts and holds only the indexes that are not temporary.
class TSQLMemIndexDefs : public TSQLMemMetaObjectDefs {
 public:
  TSQLMemMetaObjectDef& InternalAddCreated() override { return AddIndexDef(); }
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

  virtual TSQLMemIndexDef& GetItem(Integer index) const;
  virtual void SetItem(Integer index, std::unique_ptr<TSQLMemIndexDef> item);
  TSQLMemIndexDef& AddIndexDef();
  TSQLMemIndexDef* FindByName(std::string_view name) const;
  TSQLMemIndexDef* FindPrimary() const;
  // The object id of the first index whose leading columns match the given names, directions ("ASC",
  // "DESC"; other words accept either) and cases ("CASE", "NO_CASE"); -1 when none. A missing list
  // raises 10389/10390/10391, lists of unequal length 10276 (directions) or 10277 (cases).
  Integer FindIndexByColumns(const std::vector<AnsiString>* columns, const std::vector<AnsiString>* directions,
                             const std::vector<AnsiString>* cases) const;

 protected:
  const char* ClassName() const override { return "TSQLMemIndexDefs"; }
  bool Holds(const TSQLMemMetaObjectDef& item) const override;
};

// The constraints of a table. Each item's stream form is its kind byte, then the kind's own form.
class TSQLMemConstraintDefs : public TSQLMemMetaObjectDefs {
 public:
  void LoadFromStream(TStream& stream) override;  // an unknown kind raises 30316
  void SaveToStream(TStream& stream) const override;
  // Copies each item through the factory of its kind.
  void Assign(const TSQLMemMetaObjectDefs& source) override;

  TSQLMemConstraintDef& GetConstraintDef(Integer index) const;
  TSQLMemConstraintDefPrimary& AddPrimary();
  TSQLMemConstraintDefForeignKey& AddForeignKey();
  TSQLMemConstraintDefUnique& AddUnique();
  TSQLMemConstraintDefNotNull& AddNotNull();
  TSQLMemConstraintDefCheck& AddCheck();
  TSQLMemConstraintDefForeignKeyAction& AddForeignKeyAction();
  // A new definition of the kind through its factory; nullptr (nothing added) for another kind.
  TSQLMemConstraintDef* AddByKind(Byte kind);

  // Some action item answers other than 4 (no action) on delete / on update.
  bool HasDeleteActions() const { return HasActions(&TSQLMemConstraintDefForeignKeyAction::DeleteAction); }
  bool HasUpdateActions() const { return HasActions(&TSQLMemConstraintDefForeignKeyAction::UpdateAction); }

  bool HasForeignKeys = false;
  bool HasForeignKeyActions = false;

 protected:
  const char* ClassName() const override { return "TSQLMemConstraintDefs"; }
  bool Holds(const TSQLMemMetaObjectDef& item) const override;
  // The two flags follow the items.
  void ItemsChanged() override;

 private:
  bool HasActions(Byte TSQLMemConstraintDefForeignKeyAction::*action) const;
};

// The sequences of a table. They have no item form here: the table stream writes them itself.
class TSQLMemSequenceDefs : public TSQLMemMetaObjectDefs {
 public:
  TSQLMemMetaObjectDef& InternalAddCreated() override { return AddSequenceDef(); }
  TSQLMemSequenceDef& GetSequenceDef(Integer index) const;
  TSQLMemSequenceDef& AddSequenceDef();

 protected:
  const char* ClassName() const override { return "TSQLMemSequenceDefs"; }
  bool Holds(const TSQLMemMetaObjectDef& item) const override;
};
