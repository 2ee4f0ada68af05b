// Index definitions of a dataset: what indexes a table has (name, field list, options), as the dataset
// reports them or as a program sets them up before creating a table. The list belongs to its dataset,
// which fills it on request through an updater; Updated says whether the list still mirrors the table.
#pragma once
#include <functional>
#include <string_view>
#include "vcl/db/FieldDefs.h"
#include "vcl/rtl/Set.h"

class TStrings;

enum TIndexOption {
  ixPrimary = 0,
  ixUnique = 1,
  ixDescending = 2,       // every field descending (unless DescFields names some)
  ixCaseInsensitive = 3,  // every field case-insensitive (unless CaseInsFields names some)
  ixExpression = 4,       // the index is on Expression rather than on fields
  ixNonMaintained = 5,
};
using TIndexOptions = TSet<TIndexOption, 6>;

class TIndexDefs;

// Name and SetName come from TNamedItem: a non-empty name that another definition of the list has
// (case ignored) raises EDatabaseError "Duplicate name '%s' in TIndexDefs"; unnamed definitions may be
// several.
class TIndexDef : public TNamedItem {
 public:
  explicit TIndexDef(TCollection* collection) : TNamedItem(collection) {}

  // Field names separated by ";" (the engine also accepts ",").
  const AnsiString& Fields() const { return fields_; }
  void SetFields(const AnsiString& value);
  TIndexOptions Options() const { return options_; }
  void SetOptions(TIndexOptions value);
  // The fields of Fields that sort descending / without regard to case, ";"-separated.
  const AnsiString& DescFields() const { return descFields_; }
  void SetDescFields(const AnsiString& value);
  const AnsiString& CaseInsFields() const { return caseInsFields_; }
  void SetCaseInsFields(const AnsiString& value);
  // An index expression; setting a non-empty one also sets ixExpression, an empty one clears it.
  const AnsiString& Expression() const { return expression_; }
  void SetExpression(const AnsiString& value);
  const AnsiString& Source() const { return source_; }
  void SetSource(const AnsiString& value);
  Integer GroupingLevel() const { return groupingLevel_; }
  void SetGroupingLevel(Integer value);

  // Copies another TIndexDef (its name only when that is not empty).
  void Assign(const TPersistent* source) override;
  AnsiString DisplayName() const override;

 private:
  AnsiString fields_;
  TIndexOptions options_;
  AnsiString descFields_;
  AnsiString caseInsFields_;
  AnsiString expression_;
  AnsiString source_;
  Integer groupingLevel_ = 0;
};

class TIndexDefs : public TDefCollection {
 public:
  // `owner` is the dataset (nil for a free-standing list); errors name it when it is a component.
  explicit TIndexDefs(TPersistent* owner);

  TIndexDef* Items(int index) const;  // EListError for an index out of range
  TIndexDef* AddIndexDef();
  // A new definition; with ixExpression `fields` is its Expression. A duplicate name raises (see
  // TIndexDef::SetName) and adds nothing.
  TIndexDef* Add(const AnsiString& name, const AnsiString& fields, TIndexOptions options);

  // IndexOf and GetItemNames (the named definitions) come from TDefCollection.
  // The definition with that name; EDatabaseError "Index '%s' not found" (naming the dataset) when none.
  TIndexDef* Find(std::string_view name) const;

  // The index to use for ordering by `fields` (a ";"-separated list): first an index whose field list is
  // exactly that list, else one whose field list starts with it. Field names compare without regard to
  // case and spaces around them are ignored. Indexes on an expression or with ixDescending never qualify;
  // with caseInsensitive only those with ixCaseInsensitive do. Brings the list up to date first (Update).
  // Nil when none qualifies.
  TIndexDef* GetIndexForFields(std::string_view fields, bool caseInsensitive);
  // As GetIndexForFields(fields, false), raising EDatabaseError "No index for fields '%s'" when none.
  TIndexDef* FindIndexForFields(std::string_view fields);

  // ---- keeping the list in step with the dataset ----
  // The dataset's routine that fills the list from its table.
  void SetUpdater(std::function<void()> updater) { updater_ = std::move(updater); }
  // When the list is not Updated: runs the updater (if any) and marks the list Updated.
  void Update();
  using TDefCollection::Update;  // the collection's change hook keeps its own name
  // When the list is not Updated: runs `method` and marks the list Updated. Changes made by the method
  // (or the updater) neither clear Updated nor fire OnUpdate; when it raises, Updated stays false.
  // Updated, SetUpdated and OnUpdate come from TDefCollection.
  using TDefCollection::UpdateDefs;

 private:
  std::function<void()> updater_;
};
