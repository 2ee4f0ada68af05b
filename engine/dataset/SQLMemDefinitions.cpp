#include "engine/dataset/SQLMemDefinitions.h"

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/StrUtils.h"

namespace {

// Engine object names are stored with a one-byte length.
AnsiString EngineName(const AnsiString& name) { return name.substr(0, 255); }

AnsiString JoinFields(const std::vector<AnsiString>& names) {
  AnsiString text;
  for (const AnsiString& name : names) {
    if (!text.empty()) text += ';';
    text += name;
  }
  return text;
}

bool ListHas(const std::vector<AnsiString>& names, std::string_view name) {
  for (const AnsiString& n : names)
    if (SameNameText(n, name)) return true;
  return false;
}

// The framework's size of an engine column: text and byte columns keep their declared length, every
// other type has a size of its own.
Integer FrameworkSize(Integer fieldType, Integer size) {
  return IsStringFieldType(fieldType) || IsBytesFieldType(fieldType) ? size : 0;
}

// Only the algorithms the engine knows are kept; anything else stores uncompressed.
Byte KnownCompressionAlgorithm(Byte algorithm) { return algorithm >= 1 && algorithm <= 3 ? algorithm : 0; }

}  // namespace

// ---- TSQLMemAdvFieldDef ----

TSQLMemAdvFieldDef::TSQLMemAdvFieldDef() : BlobBlockSize(DefaultBLOBBlockSize) {}

void TSQLMemAdvFieldDef::Assign(const TSQLMemAdvFieldDef& source) {
  if (&source == this) return;
  Name = source.Name;
  FieldType = source.FieldType;
  Required = source.Required;
  Size = source.Size;
  DefaultValue.Assign(source.DefaultValue, true);
  MinValue.Assign(source.MinValue, true);
  MaxValue.Assign(source.MaxValue, true);
  Increment = source.Increment;
  InitialValue = source.InitialValue;
  MinSequence = source.MinSequence;
  MaxSequence = source.MaxSequence;
  Cycled = source.Cycled;
  BlobCompressionAlgorithm = source.BlobCompressionAlgorithm;
  BlobCompressionMode = source.BlobCompressionMode;
  BlobBlockSize = source.BlobBlockSize;
}

// ---- TSQLMemAdvFieldDefs ----

TSQLMemAdvFieldDefs::TSQLMemAdvFieldDefs() = default;
TSQLMemAdvFieldDefs::~TSQLMemAdvFieldDefs() = default;

TSQLMemAdvFieldDef* TSQLMemAdvFieldDefs::Items(Integer index) const {
  CheckIndex(index, items_.size());
  return items_[static_cast<std::size_t>(index)].get();
}

TSQLMemAdvFieldDef* TSQLMemAdvFieldDefs::Add() {
  items_.push_back(std::make_unique<TSQLMemAdvFieldDef>());
  return items_.back().get();
}

void TSQLMemAdvFieldDefs::Clear() { items_.clear(); }

void TSQLMemAdvFieldDefs::Assign(const TSQLMemAdvFieldDefs& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.items_) Add()->Assign(*item);
}

TSQLMemAdvFieldDef* TSQLMemAdvFieldDefs::FindByName(std::string_view name) const {
  for (const auto& item : items_)
    if (SameNameText(item->Name, name)) return item.get();
  return nullptr;
}

void TSQLMemAdvFieldDefs::DeleteByName(std::string_view name) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (SameNameText((*it)->Name, name)) {
      items_.erase(it);
      return;
    }
  }
  SQLMemError(30349, "Field '%s' not found", {AnsiString(name)});
}

bool TSQLMemAdvFieldDefs::AdvFieldDefsHaveWideChar() const {
  for (const auto& item : items_)
    if (IsWideStringDataType(FieldTypeToDataType(item->FieldType))) return true;
  return false;
}

// ---- TSQLMemForeignKeyDef(s) ----

void TSQLMemForeignKeyDef::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSQLMemForeignKeyDef*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  Name = other->Name;
  MatchType = other->MatchType;
  DeleteAction = other->DeleteAction;
  UpdateAction = other->UpdateAction;
  ReferenceTableName = other->ReferenceTableName;
  Fields = other->Fields;
}

TSQLMemForeignKeyDefs::TSQLMemForeignKeyDefs() = default;
TSQLMemForeignKeyDefs::~TSQLMemForeignKeyDefs() = default;

TSQLMemForeignKeyDef* TSQLMemForeignKeyDefs::Items(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(index)].get();
}

TSQLMemForeignKeyDef* TSQLMemForeignKeyDefs::Add() {
  items_.push_back(std::make_unique<TSQLMemForeignKeyDef>());
  return items_.back().get();
}

void TSQLMemForeignKeyDefs::Clear() { items_.clear(); }

void TSQLMemForeignKeyDefs::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSQLMemForeignKeyDefs*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  Clear();
  for (const auto& item : other->items_) Add()->Assign(item.get());
}

Integer TSQLMemForeignKeyDefs::IndexOf(std::string_view name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (SameNameText(items_[static_cast<std::size_t>(i)]->Name, name)) return i;
  return -1;
}

TSQLMemForeignKeyDef* TSQLMemForeignKeyDefs::FindByName(std::string_view name) const { return Items(IndexOf(name)); }

// ---- Field lists ----

std::vector<AnsiString> SplitFieldList(std::string_view fields) {
  std::vector<AnsiString> names;
  std::size_t start = 0;
  while (start <= fields.size()) {
    std::size_t end = fields.find_first_of(";,", start);
    if (end == std::string_view::npos) end = fields.size();
    AnsiString name = Trim(fields.substr(start, end - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

bool FieldDefExists(const TFieldDefs& fieldDefs, std::string_view name) {
  for (int i = 0; i < fieldDefs.Count(); ++i)
    if (SameNameText(fieldDefs.Items(i)->Name(), name)) return true;
  return false;
}

// ---- Column conversions ----

void FieldDefsToEngineFieldDefs(const TFieldDefs& fieldDefs, TSQLMemFieldDefs& engineFieldDefs) {
  engineFieldDefs.Clear();
  for (int i = 0; i < fieldDefs.Count(); ++i) {
    const TFieldDef& def = *fieldDefs.Items(i);
    TSQLMemFieldDef& field = engineFieldDefs.AddFieldDef();
    field.Name = EngineName(def.Name());
    field.SetDataType(VCLFieldTypeToFieldType(def.DataType()), def.Size());
  }
}

void FieldDefsToAdvFieldDefs(const TFieldDefs& fieldDefs, TSQLMemAdvFieldDefs& advFieldDefs) {
  advFieldDefs.Clear();
  for (int i = 0; i < fieldDefs.Count(); ++i) {
    const TFieldDef& def = *fieldDefs.Items(i);
    TSQLMemAdvFieldDef& adv = *advFieldDefs.Add();
    adv.Name = def.Name();
    adv.FieldType = VCLFieldTypeToFieldType(def.DataType());
    adv.Size = def.Size();
    adv.Required = def.Required();
  }
}

void AdvFieldDefsToFieldDefs(const TSQLMemAdvFieldDefs& advFieldDefs, TFieldDefs& fieldDefs) {
  fieldDefs.BeginUpdate();
  try {
    fieldDefs.Clear();
    for (Integer i = 0; i < advFieldDefs.Count(); ++i) {
      const TSQLMemAdvFieldDef& adv = *advFieldDefs.Items(i);
      fieldDefs.Add(adv.Name, FieldTypeToVCLFieldType(adv.FieldType), FrameworkSize(adv.FieldType, adv.Size),
                    adv.Required);
    }
  } catch (...) {
    fieldDefs.EndUpdate();
    throw;
  }
  fieldDefs.EndUpdate();
}

void AdvFieldDefsToEngineDefs(const TSQLMemAdvFieldDefs& advFieldDefs, TSQLMemFieldDefs& engineFieldDefs,
                              const TSQLMemIndexDefs& engineIndexDefs, bool temporary,
                              TSQLMemConstraintDefs& constraints) {
  engineFieldDefs.Clear();
  constraints.Clear();
  for (Integer i = 0; i < advFieldDefs.Count(); ++i) {
    const TSQLMemAdvFieldDef& adv = *advFieldDefs.Items(i);
    TSQLMemFieldDef& field = engineFieldDefs.AddFieldDef();
    field.Name = EngineName(adv.Name);
    field.SetDataType(adv.FieldType, adv.Size);
    field.Increment = adv.Increment;
    field.InitialValue = adv.InitialValue;
    field.MinValue = adv.MinSequence;
    field.MaxValue = adv.MaxSequence;
    field.Cycle = adv.Cycled ? 1 : 0;
    field.DefaultValue.Assign(adv.DefaultValue, true);
    field.BLOBCompressionAlgorithm = KnownCompressionAlgorithm(adv.BlobCompressionAlgorithm);
    field.BLOBCompressionLevel = adv.BlobCompressionMode;
    field.BLOBBlockSize = adv.BlobBlockSize;
  }
  if (temporary) return;
  // The engine checks NOT NULL and the limits through constraints on the column, found by name when the
  // table is created.
  for (Integer i = 0; i < advFieldDefs.Count(); ++i) {
    const TSQLMemAdvFieldDef& adv = *advFieldDefs.Items(i);
    if (adv.Required) constraints.AddNotNull().Name3 = EngineName(adv.Name);
    if (!adv.MinValue.IsNull() || !adv.MaxValue.IsNull()) {
      TSQLMemConstraintDefCheck& check = constraints.AddCheck();
      check.Name3 = EngineName(adv.Name);
      check.MinValue.Assign(adv.MinValue, true);
      check.MaxValue.Assign(adv.MaxValue, true);
    }
  }
  for (Integer i = 0; i < engineIndexDefs.GetCount(); ++i)
    ConstraintFromIndexDef(engineIndexDefs.GetItem(i), constraints);
}

namespace {

void ReadEngineField(const TSQLMemFieldDef& field, TSQLMemAdvFieldDef& adv) {
  adv.Name = field.Name;
  adv.FieldType = field.FieldType;
  adv.Size = field.Size;
  adv.Increment = field.Increment;
  adv.InitialValue = field.InitialValue;
  adv.MinSequence = field.MinValue;
  adv.MaxSequence = field.MaxValue;
  adv.Cycled = field.Cycle != 0;
  adv.DefaultValue.Assign(field.DefaultValue, true);
  adv.BlobCompressionAlgorithm = KnownCompressionAlgorithm(field.BLOBCompressionAlgorithm);
  adv.BlobCompressionMode = field.BLOBCompressionLevel;
  adv.BlobBlockSize = field.BLOBBlockSize;
}

// The table field a NOT NULL or CHECK constraint is on, by the field's object id.
const TSQLMemFieldDef& ConstrainedField(const TSQLMemFieldDefs& tableFieldDefs,
                                        const TSQLMemConstraintDefNotNull& constraint, Integer code) {
  const TSQLMemMetaObjectDef* field = tableFieldDefs.FindByObjectID(constraint.Id3);
  if (field == nullptr) SQLMemError(code, "Field #%d not found", {constraint.Id3});
  return static_cast<const TSQLMemFieldDef&>(*field);
}

}  // namespace

void EngineDefsToAdvFieldDefs(const TSQLMemFieldDefs& engineFieldDefs, const TSQLMemFieldDefs& tableFieldDefs,
                              const TSQLMemConstraintDefs& constraints, TSQLMemAdvFieldDefs& advFieldDefs) {
  advFieldDefs.Clear();
  for (Integer i = 0; i < engineFieldDefs.GetCount(); ++i)
    ReadEngineField(engineFieldDefs.GetFieldDef(i), *advFieldDefs.Add());
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    switch (constraint.Kind) {
      case ckNotNull: {
        const TSQLMemFieldDef& field =
            ConstrainedField(tableFieldDefs, static_cast<const TSQLMemConstraintDefNotNull&>(constraint), 30032);
        // A column the cursor does not show (a projection) has no definition to mark.
        if (TSQLMemAdvFieldDef* adv = advFieldDefs.FindByName(field.Name)) adv->Required = true;
        break;
      }
      case ckCheck: {
        const auto& check = static_cast<const TSQLMemConstraintDefCheck&>(constraint);
        const TSQLMemFieldDef& field = ConstrainedField(tableFieldDefs, check, 30031);
        if (TSQLMemAdvFieldDef* adv = advFieldDefs.FindByName(field.Name)) {
          adv->MinValue.Assign(check.MinValue, true);
          adv->MaxValue.Assign(check.MaxValue, true);
        }
        break;
      }
      case ckPrimary:
      case ckForeignKey:
      case ckUnique:
      case ckForeignKeyAction:
        break;
      default:
        SQLMemError(30039, "Not implemented yet");
    }
  }
}

void EngineDefsToFieldDefs(const TSQLMemFieldDefs& engineFieldDefs, const TSQLMemConstraintDefs& constraints,
                           TFieldDefs& fieldDefs) {
  fieldDefs.BeginUpdate();
  try {
    fieldDefs.Clear();
    for (Integer i = 0; i < engineFieldDefs.GetCount(); ++i) {
      const TSQLMemFieldDef& field = engineFieldDefs.GetFieldDef(i);
      fieldDefs.Add(field.Name, FieldTypeToVCLFieldType(field.FieldType), FrameworkSize(field.FieldType, field.Size),
                    false);
    }
    // The engine numbers an auto-increment column itself: the framework must not ask for its value.
    for (Integer i = 0; i < constraints.GetCount(); ++i) {
      const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
      if (constraint.Kind != ckNotNull) continue;
      const auto& notNull = static_cast<const TSQLMemConstraintDefNotNull&>(constraint);
      // The column by its object id; a constraint not yet bound to ids names it.
      AnsiString name = notNull.Name3;
      if (const TSQLMemMetaObjectDef* field = engineFieldDefs.FindByObjectID(notNull.Id3);
          field != nullptr && notNull.Id3 != -1)
        name = field->Name;
      for (int j = 0; j < fieldDefs.Count(); ++j)
        if (SameNameText(fieldDefs.Items(j)->Name(), name) &&
            !IsAutoIncFieldType(engineFieldDefs.GetFieldDef(j).FieldType))
          fieldDefs.Items(j)->SetRequired(true);
    }
  } catch (...) {
    fieldDefs.EndUpdate();
    throw;
  }
  fieldDefs.EndUpdate();
}

// ---- Index conversions ----

void BuildEngineIndexDef(TSQLMemIndexDef& indexDef, const AnsiString& name, const AnsiString& fields,
                         TIndexOptions options, const AnsiString& descFields, const AnsiString& caseInsFields,
                         const TFieldDefs& fieldDefs, const TSQLMemAdvFieldDefs& advFieldDefs) {
  if (name.empty()) SQLMemError(20048, "Invalid index name '%s'", {name});
  const std::vector<AnsiString> columns = SplitFieldList(fields);
  if (columns.empty()) SQLMemError(20049, "Cannot find index field '%s'", {fields});
  const std::vector<AnsiString> descending = SplitFieldList(descFields);
  const std::vector<AnsiString> caseInsensitive = SplitFieldList(caseInsFields);
  indexDef.Name = EngineName(name);
  indexDef.IndexKind = 0;
  indexDef.Unique = options.Contains(ixUnique) ? 1 : 0;
  indexDef.Primary = options.Contains(ixPrimary) ? 1 : 0;
  indexDef.SetColumnCount(static_cast<Integer>(columns.size()));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const AnsiString& field = columns[i];
    if (!FieldDefExists(fieldDefs, field) && advFieldDefs.FindByName(field) == nullptr)
      SQLMemError(20050, "Cannot find index field '%s'", {field});
    TSQLMemIndexColumn& column = indexDef.GetColumn(static_cast<Integer>(i));
    column.Name = EngineName(field);
    column.Descending = ListHas(descending, field) || (options.Contains(ixDescending) && descending.empty()) ? 1 : 0;
    column.CaseInsensitive =
        ListHas(caseInsensitive, field) || (options.Contains(ixCaseInsensitive) && caseInsensitive.empty()) ? 1 : 0;
  }
}

void IndexDefsToEngineIndexDefs(const TIndexDefs& indexDefs, const TFieldDefs& fieldDefs,
                                const TSQLMemAdvFieldDefs& advFieldDefs, TSQLMemIndexDefs& engineIndexDefs) {
  engineIndexDefs.Clear();
  for (int i = 0; i < indexDefs.Count(); ++i) {
    const TIndexDef& def = *indexDefs.Items(i);
    BuildEngineIndexDef(engineIndexDefs.AddIndexDef(), def.Name(), def.Fields(), def.Options(), def.DescFields(),
                        def.CaseInsFields(), fieldDefs, advFieldDefs);
  }
}

void EngineIndexDefsToIndexDefs(const TSQLMemIndexDefs& engineIndexDefs, TIndexDefs& indexDefs) {
  indexDefs.BeginUpdate();
  try {
    indexDefs.Clear();
    for (Integer i = 0; i < engineIndexDefs.GetCount(); ++i) {
      const TSQLMemIndexDef& index = engineIndexDefs.GetItem(i);
      if (index.Temporary != 0) continue;  // the engine's own sort indexes are no index of the table
      std::vector<AnsiString> fields, descending, caseInsensitive;
      for (Integer c = 0; c < index.GetColumnCount(); ++c) {
        const TSQLMemIndexColumn& column = index.GetColumn(c);
        fields.push_back(column.Name);
        if (column.Descending != 0) descending.push_back(column.Name);
        if (column.CaseInsensitive != 0) caseInsensitive.push_back(column.Name);
      }
      TIndexOptions options;
      // The engine keeps a primary index unique whatever its unique flag says.
      if (index.Unique != 0 || index.Primary != 0) options.Include(ixUnique);
      if (index.Primary != 0) options.Include(ixPrimary);
      // An index descending (or case-insensitive) on every column says so by its option, as
      // BuildEngineIndexDef reads it: an order search must not take it for an ascending index.
      const bool allDescending = !fields.empty() && descending.size() == fields.size();
      const bool allCaseInsensitive = !fields.empty() && caseInsensitive.size() == fields.size();
      if (allDescending) options.Include(ixDescending);
      if (allCaseInsensitive) options.Include(ixCaseInsensitive);
      TIndexDef* def = indexDefs.Add(index.Name, JoinFields(fields), options);
      if (!allDescending) def->SetDescFields(JoinFields(descending));
      if (!allCaseInsensitive) def->SetCaseInsFields(JoinFields(caseInsensitive));
    }
  } catch (...) {
    indexDefs.EndUpdate();
    throw;
  }
  indexDefs.EndUpdate();
}

// ---- Foreign keys ----

void ForeignKeyDefToConstraintDef(const TSQLMemForeignKeyDef& def, TSQLMemConstraintDefForeignKey& constraint) {
  constraint.Name = EngineName(def.Name);
  constraint.RelatedTableName = EngineName(def.ReferenceTableName);
  constraint.MatchType = def.MatchType;
  constraint.DeleteAction = def.DeleteAction;
  constraint.UpdateAction = def.UpdateAction;
  constraint.Columns.clear();
  for (const AnsiString& field : SplitFieldList(def.Fields)) {
    TSQLMemConstraintColumn column;
    column.Name = field;
    constraint.Columns.push_back(std::move(column));
  }
  if (constraint.Columns.empty())
    SQLMemError(11418,
                "Error - no columns specified in foreign key definition, key name = %s, reference table name = %s",
                {def.Name, def.ReferenceTableName});
}

void ForeignKeyDefsToConstraintDefs(const TSQLMemForeignKeyDefs& defs, TSQLMemConstraintDefs& constraints) {
  for (Integer i = 0; i < defs.Count(); ++i) {
    TSQLMemConstraintDefForeignKey& constraint = constraints.AddForeignKey();
    try {
      ForeignKeyDefToConstraintDef(*defs.Items(i), constraint);
    } catch (...) {
      // A key that cannot be expressed is not left half-filled in the list.
      constraints.Delete(constraints.GetCount() - 1);
      throw;
    }
  }
}

void ConstraintDefsToForeignKeyDefs(const TSQLMemConstraintDefs& constraints, TSQLMemForeignKeyDefs& defs) {
  defs.Clear();
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    if (constraint.Kind != ckForeignKey) continue;
    const auto& key = static_cast<const TSQLMemConstraintDefForeignKey&>(constraint);
    TSQLMemForeignKeyDef& def = *defs.Add();
    def.Name = key.Name;
    def.ReferenceTableName = key.RelatedTableName;
    def.MatchType = key.MatchType;
    def.DeleteAction = key.DeleteAction;
    def.UpdateAction = key.UpdateAction;
    std::vector<AnsiString> columns;
    for (const TSQLMemConstraintColumn& column : key.Columns) columns.push_back(column.Name);
    def.Fields = JoinFields(columns);
  }
}

void RenameForeignKeyReferences(std::string_view oldName, const AnsiString& newName, TSQLMemForeignKeyDefs& defs) {
  for (Integer i = 0; i < defs.Count(); ++i)
    if (SameNameText(defs.Items(i)->ReferenceTableName, oldName)) defs.Items(i)->ReferenceTableName = newName;
}

// ---- Version ----

AnsiString CurrentVersion() {
  // Formatted with settings of its own rather than by switching the process-wide separator, so that
  // the text never depends on, nor disturbs, the user's locale.
  TFormatSettings settings = FormatSettings();
  settings.DecimalSeparator = '.';
  return FormatFloat("0.00", 4.2, settings) + " ";
}
