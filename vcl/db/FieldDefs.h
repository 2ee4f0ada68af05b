// Field definitions: what a dataset's columns are (name, type, size, attributes), kept as a
// collection so that forms can store them. Default fields are made from them (CreateField), and a
// table creates its columns from them. TDefCollection and TNamedItem are the shared base of
// definition collections whose items are found by name (ignoring case).
#pragma once
#include <string_view>
#include "vcl/db/FieldTypes.h"
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/Set.h"

class TDataSet;
class TField;
class TComponent;

// A collection item with a name that is unique (ignoring case) within its collection.
class TNamedItem : public TCollectionItem {
 public:
  explicit TNamedItem(TCollection* collection) : TCollectionItem(collection) {}
  const AnsiString& Name() const { return name_; }
  // Raises "Duplicate name '%s' in %s" when another item of the collection has the (non-empty) name.
  void SetName(const AnsiString& value);
  AnsiString DisplayName() const override { return name_; }
  void SetDisplayName(const AnsiString& value) override { SetName(value); }

 private:
  friend class TFieldDefs;
  // The name of a new item whose collection was just searched for it (TFieldDefs::Add).
  void SetCheckedName(const AnsiString& value);

  AnsiString name_;
};

// A collection of named definitions that belongs to a dataset. Updated is true while the
// collection mirrors the dataset's source: set by Update, cleared by any change made from outside
// an update and by the dataset's property changes.
class TDefCollection : public TOwnedCollection {
 public:
  TDefCollection(TDataSet* dataSet, TPersistent* owner, TCollectionItemClass itemClass);

  TDataSet* DataSet() const { return dataSet_; }
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }
  // Fired after a change made from outside an update (a table then knows to store its definitions).
  TNotifyEvent OnUpdate;
  // nil / -1 when no item has the name.
  TNamedItem* Find(std::string_view name) const;
  int IndexOf(std::string_view name) const;
  // The names of the named items.
  void GetItemNames(class TStrings& list) const;

 protected:
  // Runs `update` (which refills the collection from the source) unless Updated, then sets Updated.
  // Changes made by it neither clear Updated nor fire OnUpdate; when it raises, Updated stays false.
  template <class F>
  void UpdateDefs(F&& update) {
    if (updated_) return;
    ++internalUpdateCount_;
    BeginUpdate();
    try {
      update();
    } catch (...) {
      EndUpdate();
      --internalUpdateCount_;
      throw;
    }
    EndUpdate();
    --internalUpdateCount_;
    updated_ = true;
  }
  bool InternalUpdating() const { return internalUpdateCount_ > 0; }
  void Update(TCollectionItem* item) override;

 private:
  TDataSet* dataSet_;
  bool updated_ = false;
  int internalUpdateCount_ = 0;
};

enum TFieldAttribute { faHiddenCol = 0, faReadonly = 1, faRequired = 2, faLink = 3, faUnNamed = 4, faFixed = 5 };
using TFieldAttributes = TSet<TFieldAttribute, 6>;

class TFieldDefs;

class TFieldDef : public TNamedItem {
 public:
  explicit TFieldDef(TCollection* collection);

  TFieldType DataType() const { return dataType_; }
  // Also resets Precision to the type's default (15 for floating and currency types).
  void SetDataType(TFieldType value);
  int Size() const { return size_; }
  void SetSize(int value);
  int Precision() const { return precision_; }
  void SetPrecision(int value);
  TFieldAttributes Attributes() const { return attributes_; }
  void SetAttributes(TFieldAttributes value);
  bool Required() const { return attributes_.Contains(faRequired); }
  void SetRequired(bool value);
  bool InternalCalcField() const { return internalCalcField_; }
  void SetInternalCalcField(bool value) { internalCalcField_ = value; }
  // The column number: set explicitly, else the position + 1.
  int FieldNo() const { return fieldNo_ > 0 ? fieldNo_ : Index() + 1; }
  void SetFieldNo(int value) { fieldNo_ = value; }
  TFieldDefs* Defs() const;

  // A new field of the type's class owned by `owner`, with this definition's name, size, required
  // and read-only flags, joined to the collection's dataset. "Field '%s' is of an unknown type"
  // for a type without a field class.
  TField* CreateField(TComponent* owner) const;
  void Assign(const TPersistent* source) override;

 private:
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  int fieldNo_ = 0;
  TFieldAttributes attributes_;
  bool internalCalcField_ = false;
};

class TFieldDefs : public TDefCollection {
 public:
  explicit TFieldDefs(TDataSet* owner);

  // Raises "Field name missing" for an empty name and the duplicate-name error for a taken one.
  void Add(const AnsiString& name, TFieldType dataType, int size = 0, bool required = false);
  TFieldDef* AddFieldDef();
  // Raises "Field '%s' not found".
  TFieldDef* Find(std::string_view name) const;
  TFieldDef* Items(int index) const;
  TFieldDef* operator[](int index) const { return Items(index); }
  // Refreshes the definitions from the dataset (InitFieldDefs) unless Updated.
  void Update();

 protected:
  using TDefCollection::Update;  // the collection's change hook keeps its own name
};
