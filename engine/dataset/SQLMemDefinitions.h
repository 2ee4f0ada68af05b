// A table's structure as the dataset components hold it, and its conversions. The same columns and
// indexes exist in three vocabularies: the dataset framework's FieldDefs and IndexDefs (what forms store
// and programs set up), the components' own advanced field and foreign-key definitions (everything the
// engine can express: defaults, limits, sequences, BLOB compression, foreign keys), and the engine's
// field, index and constraint definitions (what a cursor creates and reports). Every conversion replaces
// the content of its target unless it says it appends, and keeps no reference to its inputs.
#pragma once
#include <memory>
#include <string_view>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/SysTypes.h"

class TFieldDefs;
class TSQLMemFieldDefs;
class TSQLMemIndexDef;
class TSQLMemIndexDefs;
class TSQLMemConstraintDefs;
class TSQLMemConstraintDefForeignKey;

// One column as the components hold it.
class TSQLMemAdvFieldDef : public TObject {
 public:
  TSQLMemAdvFieldDef();
  // Copies every attribute; the three values become own copies.
  void Assign(const TSQLMemAdvFieldDef& source);

  AnsiString Name;
  Byte FieldType = 0;  // the engine's SQL field type code
  bool Required = false;
  Integer Size = 0;  // declared length of character and byte types
  TSQLMemVariant DefaultValue;
  TSQLMemVariant MinValue;  // the limits become a CHECK constraint on the column
  TSQLMemVariant MaxValue;
  Int64 Increment = 1;  // auto-increment step
  Int64 InitialValue = 0;
  Int64 MinSequence = 0;
  Int64 MaxSequence = 9223372036854775807;
  bool Cycled = false;
  Byte BlobCompressionAlgorithm = 0;  // 0 none, 1 zlib, 2 bzip2, 3 PPM
  Byte BlobCompressionMode = 0;
  Integer BlobBlockSize;  // the process-wide default at creation (102400 unless changed)
};

// An owning, ordered list of column definitions.
class TSQLMemAdvFieldDefs : public TObject {
 public:
  TSQLMemAdvFieldDefs();
  ~TSQLMemAdvFieldDefs() override;

  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TSQLMemAdvFieldDef* Items(Integer index) const;  // ERangeError outside 0 .. Count - 1
  TSQLMemAdvFieldDef* operator[](Integer index) const { return Items(index); }
  // A new definition with the defaults, appended.
  TSQLMemAdvFieldDef* Add();
  void Clear();
  void Assign(const TSQLMemAdvFieldDefs& source);
  // The first definition whose name equals `name` ignoring case; nullptr when none.
  TSQLMemAdvFieldDef* FindByName(std::string_view name) const;
  // Frees the first definition of that name; none raises 30349 "Field '%s' not found".
  void DeleteByName(std::string_view name);
  // Whether some column is of a wide fixed or wide variable character type.
  bool AdvFieldDefsHaveWideChar() const;

 private:
  std::vector<std::unique_ptr<TSQLMemAdvFieldDef>> items_;
};

// Referential actions of a foreign key, as the engine numbers them.
enum TSQLMemForeignKeyAction : Byte { fkaCascade = 1, fkaSetNull = 2, fkaSetDefault = 3, fkaNoAction = 4 };
// Match types of a foreign key.
enum TSQLMemForeignKeyMatch : Byte { fkmSimple = 0, fkmFull = 1, fkmPartial = 2 };

// One foreign key as the components hold it.
class TSQLMemForeignKeyDef : public TPersistent {
 public:
  void Assign(const TPersistent* source) override;

  AnsiString Name;  // the constraint's name
  Byte MatchType = 0;
  Byte DeleteAction = 0;
  Byte UpdateAction = 0;
  AnsiString ReferenceTableName;
  AnsiString Fields;  // the referencing columns, separated by ";"
};

class TSQLMemForeignKeyDefs : public TPersistent {
 public:
  TSQLMemForeignKeyDefs();
  ~TSQLMemForeignKeyDefs() override;

  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TSQLMemForeignKeyDef* Items(Integer index) const;  // nullptr outside 0 .. Count - 1
  TSQLMemForeignKeyDef* Add();
  void Clear();
  void Assign(const TPersistent* source) override;
  // Names compare without regard to case; -1 / nullptr when absent.
  Integer IndexOf(std::string_view name) const;
  TSQLMemForeignKeyDef* FindByName(std::string_view name) const;

 private:
  std::vector<std::unique_ptr<TSQLMemForeignKeyDef>> items_;
};

// ---- Field lists ----

// The names of a field list: "," counts as ";", blanks around a name are dropped, and so are empty
// pieces ("A;" is one field).
std::vector<AnsiString> SplitFieldList(std::string_view fields);
// Whether a framework definition has that name (case ignored).
bool FieldDefExists(const TFieldDefs& fieldDefs, std::string_view name);

// ---- Column conversions ----

// Framework definitions to engine fields: name (at most 255 characters), engine type of the framework
// type (an unmapped type raises 30289), size.
void FieldDefsToEngineFieldDefs(const TFieldDefs& fieldDefs, TSQLMemFieldDefs& engineFieldDefs);
// Framework definitions to advanced ones: name, engine type, size, required.
void FieldDefsToAdvFieldDefs(const TFieldDefs& fieldDefs, TSQLMemAdvFieldDefs& advFieldDefs);
// Advanced definitions to framework ones: name, framework type of the engine type, size (of text and
// byte columns; 0 for every other type), required.
void AdvFieldDefsToFieldDefs(const TSQLMemAdvFieldDefs& advFieldDefs, TFieldDefs& fieldDefs);
// Advanced definitions to engine fields with every attribute, and, unless `temporary`, to the
// constraints they and the engine indexes imply: NOT NULL for a required column, CHECK for a column
// with limits, a primary-key or unique constraint for each primary or unique index. A field type the
// engine cannot store raises 30007.
void AdvFieldDefsToEngineDefs(const TSQLMemAdvFieldDefs& advFieldDefs, TSQLMemFieldDefs& engineFieldDefs,
                              const TSQLMemIndexDefs& engineIndexDefs, bool temporary,
                              TSQLMemConstraintDefs& constraints);
// Engine fields (as a cursor reports them) and the table's constraints back to advanced definitions.
// NOT NULL and CHECK constraints find their column by object id among `tableFieldDefs` (missing: 30032
// and 30031 "Field #%d not found"); key and foreign-key constraints are skipped; a kind the components
// do not know raises 30039.
void EngineDefsToAdvFieldDefs(const TSQLMemFieldDefs& engineFieldDefs, const TSQLMemFieldDefs& tableFieldDefs,
                              const TSQLMemConstraintDefs& constraints, TSQLMemAdvFieldDefs& advFieldDefs);
// Engine fields to framework definitions (sizes as above), none required; then the column of every NOT NULL constraint
// is marked required, unless the engine numbers it (auto-increment).
void EngineDefsToFieldDefs(const TSQLMemFieldDefs& engineFieldDefs, const TSQLMemConstraintDefs& constraints,
                           TFieldDefs& fieldDefs);

// ---- Index conversions ----

// One engine index definition: kind 0, unique and primary from the options, one column per field of
// `fields` (separated by ";" or ","). A column is descending when DescFields names it, or when the
// options have ixDescending and DescFields is empty; case-insensitive likewise with CaseInsFields and
// ixCaseInsensitive. Raises 20048 "Invalid index name '%s'" for an empty name, 20049 "Cannot find
// index field '%s'" for an empty field list, 20050 for a field that neither `fieldDefs` nor
// `advFieldDefs` has.
void BuildEngineIndexDef(TSQLMemIndexDef& indexDef, const AnsiString& name, const AnsiString& fields,
                         TIndexOptions options, const AnsiString& descFields, const AnsiString& caseInsFields,
                         const TFieldDefs& fieldDefs, const TSQLMemAdvFieldDefs& advFieldDefs);
void IndexDefsToEngineIndexDefs(const TIndexDefs& indexDefs, const TFieldDefs& fieldDefs,
                                const TSQLMemAdvFieldDefs& advFieldDefs, TSQLMemIndexDefs& engineIndexDefs);
// Engine indexes to framework ones, the engine's temporary (sort) indexes left out: fields joined with
// ";", ixPrimary for the primary index, ixUnique for it and every unique one, ixDescending when every
// column descends (else DescFields names those that do), ixCaseInsensitive and CaseInsFields likewise.
void EngineIndexDefsToIndexDefs(const TSQLMemIndexDefs& engineIndexDefs, TIndexDefs& indexDefs);

// ---- Foreign keys ----

// Copies the definition into the constraint; no columns raise 11418.
void ForeignKeyDefToConstraintDef(const TSQLMemForeignKeyDef& def, TSQLMemConstraintDefForeignKey& constraint);
// Appends one foreign-key constraint per definition (the constraints already there stay).
void ForeignKeyDefsToConstraintDefs(const TSQLMemForeignKeyDefs& defs, TSQLMemConstraintDefs& constraints);
// One definition per foreign-key constraint of the list.
void ConstraintDefsToForeignKeyDefs(const TSQLMemConstraintDefs& constraints, TSQLMemForeignKeyDefs& defs);
// Points every definition that references table `oldName` (case ignored) at `newName`.
void RenameForeignKeyReferences(std::string_view oldName, const AnsiString& newName, TSQLMemForeignKeyDefs& defs);

// ---- Version ----

// The engine's version text, "4.20 ", with a point as the decimal separator whatever the locale.
AnsiString CurrentVersion();
