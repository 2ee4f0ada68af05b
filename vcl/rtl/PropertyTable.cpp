#include "vcl/rtl/PropertyTable.h"

#include <algorithm>

#include "vcl/rtl/AnsiStrings.h"
#include <typeindex>
#include <unordered_map>

namespace {

// Filled at start-up by the units' registration functions, read afterwards; not locked.
struct Registry {
  std::vector<std::unique_ptr<TPropertyTable>> tables;
  std::unordered_map<std::type_index, TPropertyTable*> byType;
  std::unordered_map<std::string, TPropertyTable*> byName;  // upper-case class name
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

[[noreturn]] void KindError(const TDefValue& v, TReader& r, const AnsiString& prop, const char* expected) {
  r.Error(v.pos, Format("%s expects %s, not %s", {prop, expected, DescribeDefValueKind(v.kind)}));
}

}  // namespace

TPropertyTable::TPropertyTable(AnsiString className, const std::type_info& type, const std::type_info* parentType,
                               TFactory factory)
    : className_(std::move(className)), type_(&type), parentType_(parentType), factory_(std::move(factory)) {}

const TPropertyTable* TPropertyTable::Parent() const {
  if (parentType_ == nullptr) return nullptr;
  const TPropertyTable* parent = FindPropertyTable(*parentType_);
  if (parent == nullptr) {
    throw EComponentError(Format("The parent class %s of %s is not registered",
                                 {ClassNameOf(*parentType_), className_}));
  }
  return parent;
}

const TPropInfo* TPropertyTable::Find(std::string_view name) const {
  for (const TPropertyTable* t = this; t != nullptr; t = t->Parent()) {
    for (const TPropInfo& p : t->props_) {
      if (SameDefName(p.Name(), name)) return &p;
    }
  }
  return nullptr;
}

TComponent* TPropertyTable::CreateComponent(TComponent* owner) const {
  if (!factory_) throw EComponentError(Format("Class %s cannot be created from a definition", {className_}));
  return factory_(owner);
}

TPropInfo& TPropertyTable::AddProperty(TPropInfo info) {
  for (const TPropInfo& p : props_) {
    if (SameDefName(p.Name(), info.Name())) {
      throw EComponentError(Format("Property %s.%s is defined twice", {className_, info.Name()}));
    }
  }
  props_.push_back(std::move(info));
  return props_.back();
}

TPropInfo& TPropertyTable::OwnProperty(std::string_view name) {
  for (TPropInfo& p : props_)
    if (SameDefName(p.Name(), name)) return p;
  throw EComponentError(Format("Property %s.%s is not registered", {className_, name}));
}

TPropertyTable& detail::AddTable(std::unique_ptr<TPropertyTable> table) {
  Registry& r = TheRegistry();
  std::string key = UpperCase(table->ClassName());
  auto byName = r.byName.find(key);
  auto byType = r.byType.find(std::type_index(table->Type()));
  if (byName != r.byName.end() && byName->second->Type() != table->Type()) {
    throw EComponentError(Format("A class named %s is already registered", {table->ClassName()}));
  }
  if (byType != r.byType.end() && UpperCase(byType->second->ClassName()) != key) {
    throw EComponentError(Format("Class %s is already registered as %s",
                                 {table->ClassName(), byType->second->ClassName()}));
  }
  TPropertyTable* added = table.get();
  if (byType != r.byType.end()) {
    for (auto& t : r.tables) {
      if (t.get() == byType->second) t = std::move(table);
    }
  } else {
    r.tables.push_back(std::move(table));
  }
  r.byType[std::type_index(added->Type())] = added;
  r.byName[key] = added;
  return *added;
}

const TPropertyTable* FindStreamedClass(std::string_view className) {
  Registry& r = TheRegistry();
  auto it = r.byName.find(UpperCase(className));
  return it == r.byName.end() ? nullptr : it->second;
}

const TPropertyTable* FindPropertyTable(const std::type_info& type) {
  Registry& r = TheRegistry();
  auto it = r.byType.find(std::type_index(type));
  return it == r.byType.end() ? nullptr : it->second;
}

std::vector<const TPropertyTable*> PropertyTablesFor(const TPersistent& obj) {
  // Depth counts the registered ancestors; classes registered without their parent count as shallow,
  // so callers look a name up in each table in turn.
  std::vector<std::pair<int, const TPropertyTable*>> found;
  const TPropertyTable* exact = FindPropertyTable(typeid(obj));
  for (const auto& t : TheRegistry().tables) {
    if (t.get() == exact || !t->IsInstance(obj)) continue;
    int depth = 0;
    for (const TPropertyTable* p = t.get(); p != nullptr; ++depth) {
      try {
        p = p->Parent();
      } catch (const EComponentError&) {
        p = nullptr;
      }
    }
    found.emplace_back(depth, t.get());
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<const TPropertyTable*> tables;
  if (exact != nullptr) tables.push_back(exact);
  for (const auto& f : found) tables.push_back(f.second);
  return tables;
}

Integer detail::OrdToInteger(Int64 value, const AnsiString& prop) {
  if (!std::in_range<Integer>(value)) throw ERangeError(Format("%d is out of range for %s", {value, prop}));
  return static_cast<Integer>(value);
}

// ---- value conversions ----

Integer detail::DefToInteger(const TDefValue& v, TReader& r, const AnsiString& prop, const TIdents<Integer>& named) {
  if (v.kind == TDefValueKind::Integer) {
    if (!std::in_range<Integer>(v.integer)) {
      r.Error(v.pos, Format("%d is out of range for %s", {v.integer, prop}));
    }
    return static_cast<Integer>(v.integer);
  }
  if (v.kind == TDefValueKind::Identifier && !named.empty()) {
    for (const auto& n : named) {
      if (SameDefName(n.first, v.text)) return n.second;
    }
    r.Error(v.pos, Format("%s is not a value of %s", {v.text, prop}));
  }
  KindError(v, r, prop, named.empty() ? "an integer" : "an integer or a named value");
}

Int64 detail::DefToInt64(const TDefValue& v, TReader& r, const AnsiString& prop) {
  if (v.kind != TDefValueKind::Integer) KindError(v, r, prop, "an integer");
  return v.integer;
}

bool detail::DefToBoolean(const TDefValue& v, TReader& r, const AnsiString& prop) {
  if (v.kind == TDefValueKind::Identifier) {
    if (SameDefName(v.text, "True")) return true;
    if (SameDefName(v.text, "False")) return false;
  }
  KindError(v, r, prop, "True or False");
}

double detail::DefToFloat(const TDefValue& v, TReader& r, const AnsiString& prop) {
  if (v.kind == TDefValueKind::Float) return v.real;
  if (v.kind == TDefValueKind::Integer) return static_cast<double>(v.integer);
  KindError(v, r, prop, "a number");
}

const AnsiString& detail::DefToString(const TDefValue& v, TReader& r, const AnsiString& prop) {
  if (v.kind != TDefValueKind::String) KindError(v, r, prop, "a string");
  return v.text;
}

size_t detail::DefToIdent(const TDefValue& v, TReader& r, const AnsiString& prop,
                          const std::vector<const char*>& names) {
  if (v.kind != TDefValueKind::Identifier) KindError(v, r, prop, "an identifier");
  for (size_t i = 0; i < names.size(); ++i) {
    if (SameDefName(names[i], v.text)) return i;
  }
  r.Error(v.pos, Format("%s is not a value of %s", {v.text, prop}));
}

std::vector<size_t> detail::DefToSetMembers(const TDefValue& v, TReader& r, const AnsiString& prop,
                                            const std::vector<const char*>& names) {
  if (v.kind != TDefValueKind::Set) KindError(v, r, prop, "a set");
  std::vector<size_t> members;
  for (const AnsiString& m : v.list) {
    size_t i = 0;
    while (i < names.size() && !SameDefName(names[i], m)) ++i;
    if (i == names.size()) r.Error(v.pos, Format("%s is not an element of %s", {m, prop}));
    members.push_back(i);
  }
  return members;
}

const std::vector<Byte>& detail::DefToBinary(const TDefValue& v, TReader& r, const AnsiString& prop) {
  if (v.kind != TDefValueKind::Binary) KindError(v, r, prop, "a binary value");
  return v.bytes;
}

void detail::RequireKind(const TDefValue& v, TDefValueKind kind, TReader& r, const AnsiString& prop) {
  if (v.kind != kind) r.Error(v.pos, Format("%s expects %s, not %s", {prop, DescribeDefValueKind(kind), DescribeDefValueKind(v.kind)}));
}

void detail::RaiseNotInstance(const AnsiString& className) {
  throw EComponentError(Format("The object is not a %s", {className}));
}
