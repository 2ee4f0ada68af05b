#include "vcl/db/IndexDefs.h"

#include <vector>

#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSet.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/StrUtils.h"
#include "vcl/rtl/Strings.h"

namespace {

// A field list split at ";" and "," with blanks around each name removed; an empty text is no fields.
std::vector<AnsiString> SplitFieldList(std::string_view list) {
  std::vector<AnsiString> names;
  if (Trim(list).empty()) return names;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = list.find_first_of(";,", start);
    names.push_back(Trim(list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return names;
}

// True when the first wanted.size() names of `have` are `wanted` (case ignored); exact also asks for
// equal lengths.
bool FieldListMatches(const std::vector<AnsiString>& wanted, const std::vector<AnsiString>& have, bool exact) {
  if (wanted.empty() || have.size() < wanted.size()) return false;
  if (exact && have.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i)
    if (!AnsiSameText(wanted[i], have[i])) return false;
  return true;
}

const TComponent* OwnerComponent(const TPersistent* owner) { return dynamic_cast<const TComponent*>(owner); }

}  // namespace

// ---- TIndexDef ----

void TIndexDef::SetFields(const AnsiString& value) {
  fields_ = value;
  Changed(false);
}

void TIndexDef::SetOptions(TIndexOptions value) {
  options_ = value;
  Changed(false);
}

void TIndexDef::SetDescFields(const AnsiString& value) {
  descFields_ = value;
  Changed(false);
}

void TIndexDef::SetCaseInsFields(const AnsiString& value) {
  caseInsFields_ = value;
  Changed(false);
}

void TIndexDef::SetExpression(const AnsiString& value) {
  expression_ = value;
  if (value.empty())
    options_.Exclude(ixExpression);
  else
    options_.Include(ixExpression);
  Changed(false);
}

void TIndexDef::SetSource(const AnsiString& value) {
  source_ = value;
  Changed(false);
}

void TIndexDef::SetGroupingLevel(Integer value) {
  groupingLevel_ = value;
  Changed(false);
}

void TIndexDef::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TIndexDef*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  if (other == this) return;
  TCollection* owner = Collection();
  if (owner != nullptr) owner->BeginUpdate();
  try {
    if (!other->Name().empty()) SetName(other->Name());
    fields_ = other->fields_;
    options_ = other->options_;
    descFields_ = other->descFields_;
    caseInsFields_ = other->caseInsFields_;
    expression_ = other->expression_;
    source_ = other->source_;
    groupingLevel_ = other->groupingLevel_;
    Changed(false);
  } catch (...) {
    if (owner != nullptr) owner->EndUpdate();
    throw;
  }
  if (owner != nullptr) owner->EndUpdate();
}

AnsiString TIndexDef::DisplayName() const { return Name().empty() ? TCollectionItem::DisplayName() : Name(); }

// ---- TIndexDefs ----

TIndexDefs::TIndexDefs(TPersistent* owner)
    : TDefCollection(dynamic_cast<TDataSet*>(owner), owner, TCollectionItemClass::Of<TIndexDef>()) {}

TIndexDef* TIndexDefs::Items(int index) const { return static_cast<TIndexDef*>(TCollection::Items(index)); }

TIndexDef* TIndexDefs::AddIndexDef() { return static_cast<TIndexDef*>(TCollection::Add()); }

TIndexDef* TIndexDefs::Add(const AnsiString& name, const AnsiString& fields, TIndexOptions options) {
  TIndexDef* def = AddIndexDef();
  try {
    def->SetName(name);
    def->SetOptions(options);
    if (options.Contains(ixExpression))
      def->SetExpression(fields);
    else
      def->SetFields(fields);
  } catch (...) {
    delete def;
    throw;
  }
  return def;
}

TIndexDef* TIndexDefs::Find(std::string_view name) const {
  const int i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(SIndexNotFound, {name}, OwnerComponent(GetOwner()));
  return Items(i);
}

TIndexDef* TIndexDefs::GetIndexForFields(std::string_view fields, bool caseInsensitive) {
  Update();
  const std::vector<AnsiString> wanted = SplitFieldList(fields);
  if (wanted.empty()) return nullptr;
  for (bool exact : {true, false}) {
    for (int i = 0; i < Count(); ++i) {
      TIndexDef* def = Items(i);
      const TIndexOptions options = def->Options();
      if (options.Contains(ixDescending) || options.Contains(ixExpression)) continue;
      if (caseInsensitive && !options.Contains(ixCaseInsensitive)) continue;
      if (FieldListMatches(wanted, SplitFieldList(def->Fields()), exact)) return def;
    }
  }
  return nullptr;
}

TIndexDef* TIndexDefs::FindIndexForFields(std::string_view fields) {
  TIndexDef* def = GetIndexForFields(fields, false);
  if (def == nullptr) DatabaseErrorFmt(SNoIndexForFields, {fields}, OwnerComponent(GetOwner()));
  return def;
}

void TIndexDefs::Update() {
  UpdateDefs([this] {
    if (updater_) updater_();
  });
}
