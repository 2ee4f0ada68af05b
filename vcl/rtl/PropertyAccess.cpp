#include "vcl/rtl/PropertyAccess.h"

#include <algorithm>

#include "vcl/rtl/PropertyTable.h"

namespace {

// The property and the object as the tables take it; nil when either is missing.
const TPropInfo* Lookup(const TObject* obj, std::string_view name, TPersistent*& instance) {
  instance = dynamic_cast<TPersistent*>(const_cast<TObject*>(obj));
  if (instance == nullptr) return nullptr;
  for (const TPropertyTable* table : PropertyTablesFor(*instance))
    if (const TPropInfo* prop = table->Find(name)) return prop;
  return nullptr;
}

}  // namespace

bool HasPropByName(const TObject* obj, std::string_view name) {
  TPersistent* instance = nullptr;
  return Lookup(obj, name, instance) != nullptr;
}

TObject* GetObjPropByName(const TObject* obj, std::string_view name) {
  TPersistent* instance = nullptr;
  const TPropInfo* prop = Lookup(obj, name, instance);
  return prop != nullptr && prop->getObject ? prop->getObject(*instance) : nullptr;
}

Int64 GetOrdPropByName(const TObject* obj, std::string_view name) {
  TPersistent* instance = nullptr;
  const TPropInfo* prop = Lookup(obj, name, instance);
  return prop != nullptr && prop->getOrd ? prop->getOrd(*instance) : -1;
}

void SetOrdPropByName(TObject* obj, std::string_view name, Int64 value) {
  TPersistent* instance = nullptr;
  const TPropInfo* prop = Lookup(obj, name, instance);
  if (prop != nullptr && prop->setOrd) prop->setOrd(*instance, value);
}

bool SetPropHasElement(const TObject* obj, std::string_view propName, std::string_view elementName) {
  TPersistent* instance = nullptr;
  const TPropInfo* prop = Lookup(obj, propName, instance);
  if (prop == nullptr || !prop->getSet) return false;
  const std::vector<AnsiString> members = prop->getSet(*instance);
  return std::any_of(members.begin(), members.end(),
                     [&](const AnsiString& m) { return SameDefName(m, elementName); });
}

void ChangeSetPropByName(TObject* obj, std::string_view propName, std::string_view elementName, bool add) {
  TPersistent* instance = nullptr;
  const TPropInfo* prop = Lookup(obj, propName, instance);
  if (prop == nullptr || !prop->getSet || !prop->setSet) return;
  std::vector<AnsiString> members = prop->getSet(*instance);
  auto it = std::find_if(members.begin(), members.end(), [&](const AnsiString& m) { return SameDefName(m, elementName); });
  if (add == (it != members.end())) return;  // already as asked
  if (add) {
    members.emplace_back(elementName);
  } else {
    members.erase(it);
  }
  prop->setSet(*instance, members);
}
