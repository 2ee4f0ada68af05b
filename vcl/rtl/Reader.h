// The form-definition reader: binds a parsed definition (DefinitionText.h) to components through the
// registered property tables (PropertyTable.h). It creates the nested components (owner = the root,
// parent = the enclosing component), sets their properties, hands the root its child pointers and
// event handlers by name, resolves component references once the whole definition is read (references
// into roots not read yet wait in a process-wide list until that root is read), then calls Loaded on
// every component and finally the root's DefinitionLoaded hook (a form's OnCreate).
//
// Components are marked csLoading from their creation until their Loaded call, and csReading while
// their own properties are read. A failed read raises EDefinitionError naming the line (exceptions that
// setters raise are wrapped into it, with the property's path); the components made so far stay with
// the root, whose owner frees them as usual. Exceptions from Loaded and DefinitionLoaded pass unchanged.
// Definitions are read on the main thread; the list of roots and waiting references is not locked.
#pragma once
#include <any>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>
#include "vcl/rtl/Component.h"
#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/Format.h"

class TCollection;
class TStrings;
class TPropertyTable;

// The handlers that a root's definition may bind its event properties to, by method name. A handler is
// stored with its exact std::function type; an event property accepts only a handler of its own type.
class TMethodTable {
 public:
  template <class Ev>
  void Add(const AnsiString& name, Ev handler) {
    AddAny(name, std::any(std::move(handler)));
  }
  // A member function of the root: methods.Add("btnOKClick", this, &TfrmNew::btnOKClick) stores a
  // std::function<void(TObject*)> (a TNotifyEvent).
  template <class C, class R, class... A>
  void Add(const AnsiString& name, C* self, R (C::*method)(A...)) {
    AddAny(name, std::any(std::function<R(A...)>([self, method](A... args) -> R {
             return (self->*method)(std::forward<A>(args)...);
           })));
  }
  const std::any* Find(std::string_view name) const;  // nil when none
  int Count() const { return static_cast<int>(methods_.size()); }

 private:
  void AddAny(const AnsiString& name, std::any handler);
  std::vector<std::pair<AnsiString, std::any>> methods_;
};

// The root's member pointers that receive the components of its definition, by component name. Every
// field must find a component of a fitting class, or the read fails.
class TFieldTable {
 public:
  template <class C>
  void Add(const AnsiString& name, C*& field) {
    static_assert(std::is_base_of_v<TComponent, C>, "fields hold components");
    AddField(name, ClassNameOf<C>(), [&field](TComponent* c) {
      C* typed = dynamic_cast<C*>(c);
      if (typed == nullptr) return false;
      field = typed;
      return true;
    });
  }
  int Count() const { return static_cast<int>(fields_.size()); }

 private:
  friend class TReader;
  struct Field {
    AnsiString name;
    AnsiString className;
    std::function<bool(TComponent*)> assign;
    bool bound = false;
  };
  void AddField(const AnsiString& name, AnsiString className, std::function<bool(TComponent*)> assign);
  Field* Find(std::string_view name);
  std::vector<Field> fields_;
};

// Mixed into a component that is the root of a definition (a form, a data module) to give the reader
// its handlers and fields and to hear when the whole definition has been loaded.
class TDefinitionRoot {
 public:
  virtual ~TDefinitionRoot() = default;
  virtual void DefineMethods(TMethodTable& /*methods*/) {}
  virtual void DefineFields(TFieldTable& /*fields*/) {}
  // After every component's Loaded (the form's OnCreate runs from here).
  virtual void DefinitionLoaded() {}
};

class TReader : public TFiler {
 public:
  // Applies a resolved reference; false when the component's class does not fit the property.
  using TReferenceSetter = std::function<bool(TPersistent& instance, TComponent* target)>;

  TReader();
  ~TReader() override;

  // Reads `def` into `root`, which exists already (the form object itself): see the header comment.
  // The definition's class must be the class `root` is registered as. A reader reads one root.
  void ReadRootComponent(TComponent& root, const TDefObject& def);

  // ---- for property tables and DefineProperties procedures ----
  [[noreturn]] void Error(TDefPosition pos, const AnsiString& text) const;
  // Sets the properties of a persistent object (a nested object, a collection item) from `props`.
  void ReadProperties(TPersistent& instance, const std::vector<TDefProperty>& props);
  void ReadStrings(TStrings& strings, const TDefValue& value);       // value: a string list
  void ReadCollection(TCollection& collection, const TDefValue& value);  // value: a collection
  // Records a component reference (value: an identifier, or nil) to resolve after the whole definition.
  void AddReference(TPersistent& instance, const TDefValue& value, const AnsiString& prop,
                    const AnsiString& expectedClass, TReferenceSetter assign);
  // The root's handler named by value (an identifier); nil for the value nil. Raises for an unknown name.
  const std::any* FindMethod(const TDefValue& value, const AnsiString& prop) const;

  // The value of the property that a DefineProperty procedure is reading, and typed reads of it that
  // raise EDefinitionError for a value of another kind.
  const TDefValue& Value() const;
  Int64 ReadInteger() const;
  double ReadFloat() const;
  AnsiString ReadString() const;
  AnsiString ReadIdent() const;
  bool ReadBoolean() const;
  std::vector<AnsiString> ReadStringList() const;
  void ReadCollection(TCollection& collection);

  // TFiler: a DefineProperties procedure's name is looked up when the class table does not have it.
  void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override;

 private:
  struct LocalFixup;
  TComponent* ReadComponent(const TDefObject& def, TComponent* parent);
  void ApplyPath(TPersistent& instance, std::string_view path, const TDefProperty& prop);
  bool ReadDefinedProperty(TPersistent& instance, std::string_view name, const TDefValue& value);
  void ResolveLocalFixups();
  void ResolvePendingFor(TComponent& root);
  void CheckFields() const;
  const TPropertyTable& TableOf(const TPersistent& instance, TDefPosition pos) const;
  const TDefValue& RequireValue(TDefValueKind kind) const;

  TComponent* root_ = nullptr;
  TDefPosition rootPos_;
  TComponent* current_ = nullptr;  // the component whose definition is being read
  AnsiString context_;             // "Memo1.Lines" while that property is read, for messages
  TMethodTable methods_;
  TFieldTable fields_;
  std::vector<TComponent*> loaded_;  // root first, then the components in the order read
  std::vector<LocalFixup> fixups_;
  // A DefineProperties call in progress looks for this name.
  std::string_view definedName_;
  const TDefValue* definedValue_ = nullptr;
  bool definedFound_ = false;
};

// Parses `utf8Text` and reads it into root.
void ReadComponentFromText(TComponent& root, std::string_view utf8Text);
// Reads the definition named after root's registered class (FormResource.h: a registered text or,
// in the Windows program, the RCDATA resource), the way a form is made.
void ReadComponentResource(TComponent& root);

// Roots read so far that are still alive, by name (ASCII case ignored); references "frmMain.DS2" are
// resolved through this list. Nil when none.
TComponent* FindGlobalComponent(std::string_view name);
// References waiting for a root that has not been read yet.
int PendingGlobalReferenceCount();
