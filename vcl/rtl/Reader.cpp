#include "vcl/rtl/Reader.h"

#include <algorithm>
#include <optional>
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"

namespace {

// A reference into a root that had not been read when the referring definition was: it waits here
// until a root of that name is read. The watcher below drops it when the component that holds it (or
// its root) is freed first, so nothing is ever set on a freed object.
struct PendingReference {
  TComponent* holder;  // the component whose definition held the reference
  TComponent* root;    // the root it was read into
  TPersistent* instance;
  AnsiString rootName;
  AnsiString componentName;
  AnsiString prop;
  AnsiString expectedClass;
  TDefPosition pos;
  TReader::TReferenceSetter assign;
};

class TGlobalWatcher : public TComponent {
 public:
  TGlobalWatcher() : TComponent(nullptr) {}
  void Notification(TComponent* component, TOperation operation) override;
};

struct Globals {
  std::vector<TComponent*> roots;  // alive roots in the order read
  std::vector<PendingReference> pending;
  TGlobalWatcher* watcher = nullptr;

  TGlobalWatcher& Watcher() {
    if (watcher == nullptr) watcher = new TGlobalWatcher();
    return *watcher;
  }
  ~Globals() {
    roots.clear();
    pending.clear();
    delete watcher;
  }
};

Globals& TheGlobals() {
  static Globals g;
  return g;
}

void Forget(TComponent* component) {
  Globals& g = TheGlobals();
  std::erase(g.roots, component);
  std::erase_if(g.pending, [component](const PendingReference& p) {
    return p.holder == component || p.root == component;
  });
}

void TGlobalWatcher::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) Forget(component);
}

bool HasPendingFor(TComponent* holder) {
  const Globals& g = TheGlobals();
  return std::any_of(g.pending.begin(), g.pending.end(), [holder](const PendingReference& p) { return p.holder == holder; });
}

// Sets csReading for the life of a scope.
class ReadingScope {
 public:
  explicit ReadingScope(TComponent& c) : c_(c) { c_.SetReading(true); }
  ~ReadingScope() { c_.SetReading(false); }
  ReadingScope(const ReadingScope&) = delete;
  ReadingScope& operator=(const ReadingScope&) = delete;

 private:
  TComponent& c_;
};

// Restores a value when the scope ends.
template <class T>
class Restore {
 public:
  Restore(T& var, T value) : var_(var), saved_(std::move(var)) { var_ = std::move(value); }
  ~Restore() { var_ = std::move(saved_); }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& var_;
  T saved_;
};

// Calls EndUpdate after body, also when body raises (then an error of EndUpdate itself is dropped in
// favour of the first one).
template <class T, class Body>
void WithUpdate(T& target, Body body) {
  target.BeginUpdate();
  try {
    body();
  } catch (...) {
    try {
      target.EndUpdate();
    } catch (...) {
    }
    throw;
  }
  target.EndUpdate();
}

}  // namespace

// ---- method and field tables ----

void TMethodTable::AddAny(const AnsiString& name, std::any handler) {
  for (auto& m : methods_) {
    if (SameDefName(m.first, name)) {
      m.second = std::move(handler);
      return;
    }
  }
  methods_.emplace_back(name, std::move(handler));
}

const std::any* TMethodTable::Find(std::string_view name) const {
  for (const auto& m : methods_) {
    if (SameDefName(m.first, name)) return &m.second;
  }
  return nullptr;
}

void TFieldTable::AddField(const AnsiString& name, AnsiString className, std::function<bool(TComponent*)> assign) {
  if (Field* f = Find(name)) {
    f->className = std::move(className);
    f->assign = std::move(assign);
    return;
  }
  fields_.push_back(Field{name, std::move(className), std::move(assign), false});
}

TFieldTable::Field* TFieldTable::Find(std::string_view name) {
  for (Field& f : fields_) {
    if (SameDefName(f.name, name)) return &f;
  }
  return nullptr;
}

// ---- the reader ----

struct TReader::LocalFixup {
  TPersistent* instance;
  TComponent* holder;
  AnsiString rootName;  // empty for a name in this root
  AnsiString componentName;
  AnsiString prop;
  AnsiString expectedClass;
  TDefPosition pos;
  TReferenceSetter assign;
};

TReader::TReader() = default;
TReader::~TReader() = default;

void TReader::Error(TDefPosition pos, const AnsiString& text) const { throw EDefinitionError(pos.line, pos.column, text); }

const TPropertyTable& TReader::TableOf(const TPersistent& instance, TDefPosition pos) const {
  const TPropertyTable* table = PropertyTableOf(instance);
  if (table == nullptr) Error(pos, Format("class %s is not registered for reading", {instance.ClassName()}));
  return *table;
}

void TReader::ReadRootComponent(TComponent& root, const TDefObject& def) {
  if (root_ != nullptr) throw EReadError("A reader reads one root component");
  root_ = &root;
  rootPos_ = def.pos;
  current_ = &root;
  SetRoot(&root);
  const TPropertyTable& table = TableOf(root, def.pos);
  if (!SameDefName(table.ClassName(), def.className)) {
    Error(def.pos, Format("the definition is of class %s, not %s", {def.className, table.ClassName()}));
  }
  auto* hooks = dynamic_cast<TDefinitionRoot*>(&root);
  if (hooks != nullptr) {
    hooks->DefineMethods(methods_);
    hooks->DefineFields(fields_);
  }
  Globals& g = TheGlobals();
  root.Loading();
  loaded_.push_back(&root);
  try {
    if (!def.name.empty()) {
      try {
        root.SetName(def.name);
      } catch (const EComponentError& e) {
        Error(def.pos, e.Message());
      }
    }
    {
      ReadingScope reading(root);
      Restore<AnsiString> context(context_, root.Name() + ".");
      for (const TDefProperty& p : def.properties) ApplyPath(root, p.name, p);
    }
    for (const auto& child : def.children) ReadComponent(*child, &root);
    current_ = &root;
    ResolveLocalFixups();
    CheckFields();
    // Now other roots may refer to this one, and references that waited for it are set.
    if (!root.Name().empty()) {
      if (std::find(g.roots.begin(), g.roots.end(), &root) == g.roots.end()) g.roots.push_back(&root);
      g.Watcher().FreeNotification(&root);
      ResolvePendingFor(root);
    }
  } catch (...) {
    Forget(&root);
    for (TComponent* c : loaded_) c->SetReading(false);
    throw;
  }
  for (TComponent* c : loaded_) c->Loaded();
  if (hooks != nullptr) hooks->DefinitionLoaded();
}

TComponent* TReader::ReadComponent(const TDefObject& def, TComponent* parent) {
  const TPropertyTable* table = FindStreamedClass(def.className);
  if (table == nullptr) Error(def.pos, Format("class %s is not registered", {def.className}));
  if (!table->CanCreate()) Error(def.pos, Format("class %s cannot be created from a definition", {def.className}));
  TComponent* c = nullptr;
  try {
    c = table->CreateComponent(root_);
  } catch (const EDefinitionError&) {
    throw;
  } catch (const Exception& e) {
    Error(def.pos, Format("error creating %s: %s", {def.name.empty() ? def.className : def.name, e.Message()}));
  }
  c->Loading();
  loaded_.push_back(c);
  current_ = c;
  try {
    if (!def.name.empty()) c->SetName(def.name);
    if (TFieldTable::Field* field = fields_.Find(def.name); field != nullptr && !def.name.empty()) {
      if (!field->assign(c)) {
        Error(def.pos, Format("%s is a %s, but the field %s needs a %s",
                              {def.name, c->ClassName(), field->name, field->className}));
      }
      field->bound = true;
    }
    c->SetParentComponent(parent);
  } catch (const EDefinitionError&) {
    throw;
  } catch (const Exception& e) {
    Error(def.pos, e.Message());
  }
  {
    ReadingScope reading(*c);
    Restore<AnsiString> context(context_, (def.name.empty() ? def.className : def.name) + ".");
    for (const TDefProperty& p : def.properties) ApplyPath(*c, p.name, p);
  }
  for (const auto& child : def.children) ReadComponent(*child, c);
  return c;
}

void TReader::ReadProperties(TPersistent& instance, const std::vector<TDefProperty>& props) {
  for (const TDefProperty& p : props) ApplyPath(instance, p.name, p);
}

void TReader::ApplyPath(TPersistent& instance, std::string_view path, const TDefProperty& prop) {
  const TPropertyTable& table = TableOf(instance, prop.pos);
  size_t dot = path.find('.');
  std::string_view head = path.substr(0, dot);
  const TPropInfo* info = table.Find(head);
  if (dot != std::string_view::npos) {
    if (info == nullptr || info->Kind() != TPropKind::Object) {
      Error(prop.pos, Format("%s has no object property %s", {table.ClassName(), AnsiString(head)}));
    }
    TPersistent* nested = info->Nested(instance);
    if (nested == nullptr) Error(prop.pos, Format("%s of %s is nil", {AnsiString(head), table.ClassName()}));
    Restore<AnsiString> context(context_, context_ + AnsiString(head) + ".");
    ApplyPath(*nested, path.substr(dot + 1), prop);
    return;
  }
  Restore<AnsiString> context(context_, context_ + AnsiString(head));
  if (info != nullptr) {
    try {
      info->Apply(instance, prop.value, *this);
    } catch (const EDefinitionError&) {
      throw;
    } catch (const Exception& e) {
      Error(prop.value.pos, Format("error reading %s: %s", {context_, e.Message()}));
    }
    return;
  }
  if (ReadDefinedProperty(instance, head, prop.value)) return;
  Error(prop.pos, Format("%s has no property %s", {table.ClassName(), AnsiString(head)}));
}

bool TReader::ReadDefinedProperty(TPersistent& instance, std::string_view name, const TDefValue& value) {
  Restore<std::string_view> savedName(definedName_, name);
  Restore<const TDefValue*> savedValue(definedValue_, &value);
  Restore<bool> savedFound(definedFound_, false);
  try {
    instance.DefineProperties(*this);
  } catch (const EDefinitionError&) {
    throw;
  } catch (const Exception& e) {
    Error(value.pos, Format("error reading %s: %s", {context_, e.Message()}));
  }
  return definedFound_;
}

void TReader::DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc, bool) {
  if (definedValue_ == nullptr || definedFound_ || !SameDefName(name, definedName_)) return;
  definedFound_ = true;
  if (readData) readData(*this);
}

void TReader::DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc, bool) {
  if (definedValue_ == nullptr || definedFound_ || !SameDefName(name, definedName_)) return;
  definedFound_ = true;
  const TDefValue& v = *definedValue_;
  if (v.kind != TDefValueKind::Binary) {
    Error(v.pos, Format("%s expects a binary value, not %s", {name, DescribeDefValueKind(v.kind)}));
  }
  if (!readData) return;
  TMemoryStream stream;
  stream.WriteBuffer64(v.bytes.data(), static_cast<Int64>(v.bytes.size()));
  stream.SetPosition(0);
  readData(stream);
}

void TReader::ReadStrings(TStrings& strings, const TDefValue& value) {
  if (value.kind != TDefValueKind::StringList) Error(value.pos, "a string list was expected");
  WithUpdate(strings, [&] {
    strings.Clear();
    for (const AnsiString& line : value.list) strings.Add(line);
  });
}

void TReader::ReadCollection(TCollection& collection, const TDefValue& value) {
  if (value.kind != TDefValueKind::Collection) Error(value.pos, "a collection was expected");
  WithUpdate(collection, [&] {
    collection.Clear();
    for (size_t i = 0; i < value.items.size(); ++i) {
      TCollectionItem* item = collection.Add();
      Restore<AnsiString> context(context_, context_ + Format("[%d].", {static_cast<Int64>(i)}));
      ReadProperties(*item, value.items[i].properties);
    }
  });
}

void TReader::AddReference(TPersistent& instance, const TDefValue& value, const AnsiString& prop,
                           const AnsiString& expectedClass, TReferenceSetter assign) {
  if (value.kind != TDefValueKind::Identifier) {
    Error(value.pos, Format("%s expects a component name, not %s", {prop, DescribeDefValueKind(value.kind)}));
  }
  if (SameDefName(value.text, "nil")) {
    assign(instance, nullptr);
    return;
  }
  LocalFixup f{&instance, current_, "", value.text, prop, expectedClass, value.pos, std::move(assign)};
  size_t dot = value.text.find('.');
  if (dot != std::string::npos) {
    f.rootName = value.text.substr(0, dot);
    f.componentName = value.text.substr(dot + 1);
    if (f.componentName.find('.') != std::string::npos) {
      Error(value.pos, Format("%s: a component is named Name or Root.Name, not %s", {prop, value.text}));
    }
  }
  fixups_.push_back(std::move(f));
}

const std::any* TReader::FindMethod(const TDefValue& value, const AnsiString& prop) const {
  if (value.kind != TDefValueKind::Identifier) {
    Error(value.pos, Format("%s expects a method name, not %s", {prop, DescribeDefValueKind(value.kind)}));
  }
  if (SameDefName(value.text, "nil")) return nullptr;
  const std::any* method = methods_.Find(value.text);
  if (method == nullptr) {
    Error(value.pos, Format("%s has no method %s for %s", {root_ != nullptr ? root_->ClassName() : AnsiString("the root"),
                                                           value.text, prop}));
  }
  return method;
}

void TReader::ResolveLocalFixups() {
  Globals& g = TheGlobals();
  for (LocalFixup& f : fixups_) {
    TComponent* target = nullptr;
    if (f.rootName.empty() || SameDefName(f.rootName, root_->Name())) {
      target = f.rootName.empty() && SameDefName(f.componentName, root_->Name()) ? root_
                                                                                 : root_->FindComponent(f.componentName);
      if (target == nullptr) {
        Error(f.pos, Format("%s refers to %s, which is not a component of %s", {f.prop, f.componentName, root_->Name()}));
      }
    } else if (TComponent* other = FindGlobalComponent(f.rootName)) {
      target = other->FindComponent(f.componentName);
      if (target == nullptr) {
        Error(f.pos, Format("%s refers to %s, which is not a component of %s", {f.prop, f.componentName, f.rootName}));
      }
    } else {
      // The other root has not been read yet: wait for it.
      g.pending.push_back(PendingReference{f.holder, root_, f.instance, f.rootName, f.componentName, f.prop,
                                           f.expectedClass, f.pos, std::move(f.assign)});
      g.Watcher().FreeNotification(f.holder);
      if (f.holder != root_) g.Watcher().FreeNotification(root_);
      f.holder->SetFixups(true);
      continue;
    }
    if (!f.assign(*f.instance, target)) {
      Error(f.pos, Format("%s is a %s, but %s needs a %s", {f.componentName, target->ClassName(), f.prop, f.expectedClass}));
    }
  }
  fixups_.clear();
}

void TReader::ResolvePendingFor(TComponent& root) {
  Globals& g = TheGlobals();
  std::vector<PendingReference> due;
  for (auto it = g.pending.begin(); it != g.pending.end();) {
    if (SameDefName(it->rootName, root.Name()) && it->root != &root) {
      due.push_back(std::move(*it));
      it = g.pending.erase(it);
    } else {
      ++it;
    }
  }
  // Every waiting reference is settled before the first error is reported.
  std::optional<EDefinitionError> failure;
  for (PendingReference& p : due) {
    TComponent* target = root.FindComponent(p.componentName);
    if (!HasPendingFor(p.holder)) p.holder->SetFixups(false);
    AnsiString problem;
    if (target == nullptr) {
      problem = Format("%s refers to %s, which is not a component of %s", {p.prop, p.componentName, p.rootName});
    } else if (!p.assign(*p.instance, target)) {
      problem = Format("%s is a %s, but %s needs a %s", {p.componentName, target->ClassName(), p.prop, p.expectedClass});
    }
    if (!problem.empty() && !failure) {
      failure.emplace(p.pos.line, p.pos.column, Format("in the definition of %s: %s", {p.root->Name(), problem}));
    }
  }
  if (failure) throw *failure;
}

void TReader::CheckFields() const {
  for (const TFieldTable::Field& f : fields_.fields_) {
    if (!f.bound) {
      Error(rootPos_, Format("the field %s of %s has no component in the definition", {f.name, root_->ClassName()}));
    }
  }
}

// ---- reading inside a DefineProperty procedure ----

const TDefValue& TReader::Value() const {
  if (definedValue_ == nullptr) throw EReadError("No defined property is being read");
  return *definedValue_;
}

const TDefValue& TReader::RequireValue(TDefValueKind kind) const {
  const TDefValue& v = Value();
  if (v.kind != kind) {
    Error(v.pos, Format("%s expects %s, not %s",
                        {AnsiString(definedName_), DescribeDefValueKind(kind), DescribeDefValueKind(v.kind)}));
  }
  return v;
}

Int64 TReader::ReadInteger() const { return RequireValue(TDefValueKind::Integer).integer; }

double TReader::ReadFloat() const {
  const TDefValue& v = Value();
  if (v.kind == TDefValueKind::Integer) return static_cast<double>(v.integer);
  return RequireValue(TDefValueKind::Float).real;
}

AnsiString TReader::ReadString() const { return RequireValue(TDefValueKind::String).text; }
AnsiString TReader::ReadIdent() const { return RequireValue(TDefValueKind::Identifier).text; }

bool TReader::ReadBoolean() const {
  const TDefValue& v = RequireValue(TDefValueKind::Identifier);
  if (SameDefName(v.text, "True")) return true;
  if (SameDefName(v.text, "False")) return false;
  Error(v.pos, Format("%s expects True or False", {AnsiString(definedName_)}));
}

std::vector<AnsiString> TReader::ReadStringList() const { return RequireValue(TDefValueKind::StringList).list; }

void TReader::ReadCollection(TCollection& collection) { ReadCollection(collection, RequireValue(TDefValueKind::Collection)); }

// ---- entry points and the global list ----

void ReadComponentFromText(TComponent& root, std::string_view utf8Text) {
  std::unique_ptr<TDefObject> def = ParseDefinition(utf8Text);
  TReader reader;
  reader.ReadRootComponent(root, *def);
}

void ReadComponentResource(TComponent& root) {
  const TPropertyTable* table = PropertyTableOf(root);
  if (table == nullptr) throw EReadError(Format("Class %s is not registered for reading", {root.ClassName()}));
  ReadComponentFromText(root, LoadDefinitionText(table->ClassName()));
}

TComponent* FindGlobalComponent(std::string_view name) {
  for (TComponent* c : TheGlobals().roots) {
    if (SameDefName(c->Name(), name) && !c->ComponentState().Contains(csDestroying)) return c;
  }
  return nullptr;
}

int PendingGlobalReferenceCount() { return static_cast<int>(TheGlobals().pending.size()); }
