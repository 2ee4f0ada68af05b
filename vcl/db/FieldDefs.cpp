#include "vcl/db/FieldDefs.h"

#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSet.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Strings.h"


// ---- TNamedItem / TDefCollection ----

void TNamedItem::SetName(const AnsiString& value) {
  if (AnsiSameStr(value, name_)) return;
  if (auto* defs = dynamic_cast<TDefCollection*>(Collection()); defs != nullptr && !value.empty()) {
    const int index = defs->IndexOf(value);
    if (index >= 0 && defs->Items(index) != this)
      DatabaseErrorFmt(SDuplicateName, {value, defs->ClassName()}, defs->DataSet());
  }
  name_ = value;
  Changed(false);
}

void TNamedItem::SetCheckedName(const AnsiString& value) {
  name_ = value;
  Changed(false);
}

TDefCollection::TDefCollection(TDataSet* dataSet, TPersistent* owner, TCollectionItemClass itemClass)
    : TOwnedCollection(owner, itemClass), dataSet_(dataSet) {}

void TDefCollection::Update(TCollectionItem* /*item*/) {
  if (InternalUpdating()) return;
  updated_ = false;
  if (OnUpdate) OnUpdate(this);
}

int TDefCollection::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(static_cast<const TNamedItem*>(Items(i))->Name(), name)) return i;
  return -1;
}

TNamedItem* TDefCollection::Find(std::string_view name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : static_cast<TNamedItem*>(Items(index));
}

void TDefCollection::GetItemNames(TStrings& list) const {
  list.BeginUpdate();
  try {
    list.Clear();
    for (int i = 0; i < Count(); ++i)
      if (const AnsiString& name = static_cast<const TNamedItem*>(Items(i))->Name(); !name.empty()) list.Add(name);
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

// ---- TFieldDef ----

TFieldDef::TFieldDef(TCollection* collection) : TNamedItem(collection) {}

TFieldDefs* TFieldDef::Defs() const { return dynamic_cast<TFieldDefs*>(Collection()); }

void TFieldDef::SetDataType(TFieldType value) {
  dataType_ = value;
  precision_ = value == ftFloat || value == ftCurrency ? 15 : 0;
  Changed(false);
}

void TFieldDef::SetSize(int value) {
  size_ = value;
  Changed(false);
}

void TFieldDef::SetPrecision(int value) {
  precision_ = value;
  Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes value) {
  attributes_ = value;
  Changed(false);
}

void TFieldDef::SetRequired(bool value) {
  if (value)
    attributes_.Include(faRequired);
  else
    attributes_.Exclude(faRequired);
  Changed(false);
}

TField* TFieldDef::CreateField(TComponent* owner) const {
  const TFieldFactory factory = DefaultFieldClass(dataType_);
  if (factory == nullptr) DatabaseErrorFmt(SUnknownFieldType, {Name()});
  TField* field = factory(owner);
  try {
    field->SetSize(size_);
    field->SetFieldName(Name());
    field->SetFieldType(dataType_);
    field->SetRequired(Required());
    if (attributes_.Contains(faReadonly)) field->SetReadOnly(true);
    if (auto* floatField = dynamic_cast<TFloatField*>(field); floatField != nullptr && precision_ > 0)
      floatField->SetPrecision(precision_);
    if (internalCalcField_) field->SetFieldKind(fkInternalCalc);
    const TFieldDefs* defs = Defs();
    field->SetDataSet(defs != nullptr ? defs->DataSet() : nullptr);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

void TFieldDef::Assign(const TPersistent* source) {
  const auto* def = dynamic_cast<const TFieldDef*>(source);
  if (def == nullptr) {
    TNamedItem::Assign(source);
    return;
  }
  if (Collection() != nullptr) Collection()->BeginUpdate();
  try {
    SetName(def->Name());
    dataType_ = def->dataType_;
    size_ = def->size_;
    precision_ = def->precision_;
    attributes_ = def->attributes_;
    internalCalcField_ = def->internalCalcField_;
    // The column number follows the position in the new collection unless it was set explicitly.
    fieldNo_ = def->fieldNo_;
  } catch (...) {
    if (Collection() != nullptr) Collection()->EndUpdate();
    throw;
  }
  if (Collection() != nullptr) Collection()->EndUpdate();
}

// ---- TFieldDefs ----

TFieldDefs::TFieldDefs(TDataSet* owner) : TDefCollection(owner, owner, TCollectionItemClass::Of<TFieldDef>()) {}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

void TFieldDefs::Add(const AnsiString& name, TFieldType dataType, int size, bool required) {
  if (name.empty()) DatabaseError(SFieldNameMissing, DataSet());
  if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateName, {name, ClassName()}, DataSet());
  BeginUpdate();
  try {
    TFieldDef* def = AddFieldDef();
    try {
      // The collection was searched for the name above.
      def->SetCheckedName(name);
      def->SetDataType(dataType);
      def->SetSize(size);
      def->SetRequired(required);
    } catch (...) {
      delete def;
      throw;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  TNamedItem* item = TDefCollection::Find(name);
  if (item == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, DataSet());
  return static_cast<TFieldDef*>(item);
}

TFieldDef* TFieldDefs::Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }

void TFieldDefs::Update() {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  UpdateDefs([&] { dataSet->InitFieldDefs(); });
}
