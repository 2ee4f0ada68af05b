// The classes a form definition may name and the properties it may set on them. Every streamable
// class has a small hand-written table next to it, registered from its unit's registration function;
// those functions run once at start-up, from one thread, before any definition is read (they are
// explicit calls so that the order of start-up stays visible):
//
//   void RegisterStdCtrls() {
//     RegisterStreamedClass<TButton, TWinControl>("TButton", [](TPropertyTableOf<TButton>& p) {
//       p.StringProp("Caption", &TButton::SetCaption);
//       p.BoolProp("Cancel", &TButton::SetCancel);
//       p.IntegerProp("Color", &TButton::SetColor, ColorIdents());   // numbers or clWhite, clBlack...
//       p.EnumProp("Align", &TButton::SetAlign, AlignIdents());      // TIdents<TAlign>
//       p.SetProp<TAnchors>("Anchors", &TButton::SetAnchors, AnchorIdents());
//       p.ObjectProp("Font", &TButton::Font);                        // "Font.Height = -11"
//       p.ComponentProp("PopupMenu", &TButton::SetPopupMenu);        // resolved after the whole form
//       p.EventProp("OnClick", &TButton::OnClick);                   // bound by method name
//     });
//   }
//
// A class inherits the properties of the parent named in its registration (which may be registered
// before or after it). Setters are member functions, public data members, or callables taking (T&, value).
// Property and value names are matched without regard to ASCII case.
#pragma once
#include <any>
#include <concepts>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/Reader.h"
#include "vcl/rtl/Strings.h"

// Names of enumeration values, set elements and named integer constants (colours, cursors).
template <class V>
using TIdents = std::vector<std::pair<const char*, V>>;

enum class TPropKind {
  Integer = 0,
  Int64 = 1,
  Boolean = 2,
  Float = 3,
  String = 4,
  Enum = 5,
  Set = 6,
  Binary = 7,
  Strings = 8,
  Collection = 9,
  Object = 10,     // a nested persistent object, set through dotted names ("Font.Height")
  Component = 11,  // a reference to a component, resolved once the whole definition is read
  Event = 12,      // a handler of the root's method table, bound by name
  Custom = 13,     // the table's own code reads the value
};

class TPropInfo {
 public:
  // Applies a value to an instance of the table's class (or of a class derived from it).
  using TApply = std::function<void(TPersistent& instance, const TDefValue& value, TReader& reader)>;
  // The nested object of an Object property.
  using TNested = std::function<TPersistent*(TPersistent& instance)>;

  TPropInfo(AnsiString name, TPropKind kind, TApply apply, TNested nested = {})
      : name_(std::move(name)), kind_(kind), apply_(std::move(apply)), nested_(std::move(nested)) {}

  const AnsiString& Name() const { return name_; }
  TPropKind Kind() const { return kind_; }
  void Apply(TPersistent& instance, const TDefValue& value, TReader& reader) const {
    apply_(instance, value, reader);
  }
  TPersistent* Nested(TPersistent& instance) const { return nested_ ? nested_(instance) : nullptr; }

 private:
  AnsiString name_;
  TPropKind kind_;
  TApply apply_;
  TNested nested_;
};

class TPropertyTable {
 public:
  using TFactory = std::function<TComponent*(TComponent* owner)>;

  TPropertyTable(AnsiString className, const std::type_info& type, const std::type_info* parentType,
                 TFactory factory);
  virtual ~TPropertyTable() = default;
  TPropertyTable(const TPropertyTable&) = delete;
  TPropertyTable& operator=(const TPropertyTable&) = delete;

  const AnsiString& ClassName() const { return className_; }
  const std::type_info& Type() const { return *type_; }
  // The table of the parent class; nil at the top. Raises EComponentError when the parent named at
  // registration has not been registered.
  const TPropertyTable* Parent() const;
  // The property of that name in this class or its ancestors; nil when none.
  const TPropInfo* Find(std::string_view name) const;
  const std::vector<TPropInfo>& OwnProperties() const { return props_; }

  // Components of classes that can be made from a definition (not abstract, constructible with an
  // owner) are created by New<T>(owner); others raise EComponentError here.
  bool CanCreate() const { return static_cast<bool>(factory_); }
  TComponent* CreateComponent(TComponent* owner) const;

 protected:
  void AddProperty(TPropInfo info);

 private:
  AnsiString className_;
  const std::type_info* type_;
  const std::type_info* parentType_;  // nil at the top
  TFactory factory_;
  std::vector<TPropInfo> props_;
};

// Helpers of the typed table below: checked conversions that raise EDefinitionError at the value.
namespace detail {
Integer DefToInteger(const TDefValue& v, TReader& r, const AnsiString& prop, const TIdents<Integer>& named);
Int64 DefToInt64(const TDefValue& v, TReader& r, const AnsiString& prop);
bool DefToBoolean(const TDefValue& v, TReader& r, const AnsiString& prop);
double DefToFloat(const TDefValue& v, TReader& r, const AnsiString& prop);
const AnsiString& DefToString(const TDefValue& v, TReader& r, const AnsiString& prop);
// The index into names of the identifier value; raises for another kind or an unknown name.
size_t DefToIdent(const TDefValue& v, TReader& r, const AnsiString& prop, const std::vector<const char*>& names);
// The indexes into names of the set's members.
std::vector<size_t> DefToSetMembers(const TDefValue& v, TReader& r, const AnsiString& prop,
                                    const std::vector<const char*>& names);
const std::vector<Byte>& DefToBinary(const TDefValue& v, TReader& r, const AnsiString& prop);
void RequireKind(const TDefValue& v, TDefValueKind kind, TReader& r, const AnsiString& prop);
[[noreturn]] void RaiseNotInstance(const AnsiString& className);

// Assigns through a setter member function, a public data member or a callable (T&, value).
template <class T, class F, class V>
void Put(T& obj, const F& f, V&& value) {
  if constexpr (std::is_member_object_pointer_v<F>) {
    obj.*f = std::forward<V>(value);
  } else {
    std::invoke(f, obj, std::forward<V>(value));
  }
}

// Reads a getter's result (a pointer, a reference or a smart pointer) as a plain pointer.
template <class P, class T, class F>
P* GetPointer(T& obj, const F& f) {
  decltype(auto) r = std::invoke(f, obj);
  using R = std::remove_cvref_t<decltype(r)>;
  if constexpr (std::is_pointer_v<R>) {
    return r;
  } else if constexpr (requires { r.get(); }) {
    return r.get();
  } else {
    return &r;
  }
}

template <class F>
struct MemberType;
template <class C, class M>
struct MemberType<M C::*> {
  using Type = M;
};
}  // namespace detail

// The registration-time view of a table: one method per kind of property.
template <class T>
class TPropertyTableOf : public TPropertyTable {
 public:
  using TPropertyTable::TPropertyTable;

  template <class F>
  void IntegerProp(const char* name, F setter, TIdents<Integer> named = {}) {
    AnsiString prop = name;
    Add(name, TPropKind::Integer, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToInteger(v, r, prop, named));
    });
  }
  template <class F>
  void Int64Prop(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Int64, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToInt64(v, r, prop));
    });
  }
  template <class F>
  void BoolProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Boolean, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToBoolean(v, r, prop));
    });
  }
  template <class F>
  void FloatProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Float, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToFloat(v, r, prop));
    });
  }
  template <class F>
  void StringProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::String, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToString(v, r, prop));
    });
  }
  // An enumeration named by identifiers; the setter receives E.
  template <class E, class F>
  void EnumProp(const char* name, F setter, TIdents<E> idents) {
    AnsiString prop = name;
    std::vector<const char*> names;
    for (const auto& i : idents) names.push_back(i.first);
    Add(name, TPropKind::Enum, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, idents[detail::DefToIdent(v, r, prop, names)].second);
    });
  }
  // A set "[a, b]" of elements named by identifiers; the setter receives S, built with S::Include
  // (TSet<E, N> or any type with that member).
  template <class S, class E, class F>
  void SetProp(const char* name, F setter, TIdents<E> idents) {
    AnsiString prop = name;
    std::vector<const char*> names;
    for (const auto& i : idents) names.push_back(i.first);
    Add(name, TPropKind::Set, [=](T& obj, const TDefValue& v, TReader& r) {
      S set{};
      for (size_t index : detail::DefToSetMembers(v, r, prop, names)) set.Include(idents[index].second);
      detail::Put(obj, setter, set);
    });
  }
  // Bytes written "{ hex }"; the setter receives const std::vector<Byte>&.
  template <class F>
  void BinaryProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Binary, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToBinary(v, r, prop));
    });
  }
  // A string list "( ... )" read into the TStrings the getter returns (cleared first).
  template <class F>
  void StringsProp(const char* name, F getter) {
    AnsiString prop = name;
    Add(name, TPropKind::Strings, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::RequireKind(v, TDefValueKind::StringList, r, prop);
      r.ReadStrings(*detail::GetPointer<TStrings>(obj, getter), v);
    });
  }
  // A collection "< item ... end >" read into the TCollection the getter returns (cleared first);
  // each item's properties come from the table of the item's class.
  template <class F>
  void CollectionProp(const char* name, F getter) {
    AnsiString prop = name;
    Add(name, TPropKind::Collection, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::RequireKind(v, TDefValueKind::Collection, r, prop);
      r.ReadCollection(*detail::GetPointer<TCollection>(obj, getter), v);
    });
  }
  // A nested persistent object (Font, Constraints, Padding, Title); its own table gives the properties
  // that dotted names reach.
  template <class F>
  void ObjectProp(const char* name, F getter) {
    AddInfo(TPropInfo(
        name, TPropKind::Object,
        [prop = AnsiString(name)](TPersistent&, const TDefValue& v, TReader& r) {
          r.Error(v.pos, Format("%s holds an object: set its properties as %s.<name>", {prop, prop}));
        },
        [getter](TPersistent& obj) -> TPersistent* { return detail::GetPointer<TPersistent>(Self(obj), getter); }));
  }
  // A reference to a component of class C (or nil): "DS1", or "frmMain.DS2" in another root. The
  // setter runs once the whole definition is read (later, for a root not read yet).
  template <class C, class U>
  void ComponentProp(const char* name, void (U::*setter)(C*)) {
    ComponentProp<C>(name, [setter](T& obj, C* c) { (obj.*setter)(c); });
  }
  template <class C, class F>
  void ComponentProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Component, [=](T& obj, const TDefValue& v, TReader& r) {
      r.AddReference(obj, v, prop, ClassNameOf<C>(), [setter](TPersistent& instance, TComponent* target) {
        C* c = dynamic_cast<C*>(target);
        if (target != nullptr && c == nullptr) return false;
        detail::Put(Self(instance), setter, c);
        return true;
      });
    });
  }
  // An event bound by method name through the root's method table. The usual form names the
  // std::function member (&TButton::OnClick); a setter needs the handler type given: EventProp<TEv>.
  template <class U, class Ev>
  void EventProp(const char* name, Ev U::*member) {
    EventProp<Ev>(name, [member](T& obj, Ev handler) { obj.*member = std::move(handler); });
  }
  template <class Ev, class F>
  void EventProp(const char* name, F setter) {
    AnsiString prop = name;
    Add(name, TPropKind::Event, [=](T& obj, const TDefValue& v, TReader& r) {
      const std::any* method = r.FindMethod(v, prop);
      if (method == nullptr) {
        detail::Put(obj, setter, Ev{});
        return;
      }
      const Ev* handler = std::any_cast<Ev>(method);
      if (handler == nullptr) {
        r.Error(v.pos, Format("method %s does not fit event %s", {v.text, prop}));
      }
      detail::Put(obj, setter, *handler);
    });
  }
  // Anything else: apply(T&, const TDefValue&, TReader&) reads the value itself.
  template <class F>
  void CustomProp(const char* name, F apply) {
    Add(name, TPropKind::Custom, [apply](T& obj, const TDefValue& v, TReader& r) { std::invoke(apply, obj, v, r); });
  }

 private:
  static T& Self(TPersistent& instance) {
    T* obj = dynamic_cast<T*>(&instance);
    if (obj == nullptr) detail::RaiseNotInstance(ClassNameOf<T>());
    return *obj;
  }
  template <class G>
  void Add(const char* name, TPropKind kind, G apply) {
    AddInfo(TPropInfo(name, kind, [apply](TPersistent& instance, const TDefValue& v, TReader& r) {
      apply(Self(instance), v, r);
    }));
  }
  void AddInfo(TPropInfo info) { AddProperty(std::move(info)); }
};

// ---- the registry ----

namespace detail {
TPropertyTable& AddTable(std::unique_ptr<TPropertyTable> table);
}  // namespace detail

// Registers class T under `name` with parent class Parent (void at the top of the streamed tree) and
// fills its table. Registering the same class again replaces its table; another class under a taken
// name, or the same class under another name, raises EComponentError.
template <class T, class Parent = void>
TPropertyTable& RegisterStreamedClass(const char* name, const std::function<void(TPropertyTableOf<T>&)>& define = {}) {
  static_assert(std::is_base_of_v<TPersistent, T>, "streamed classes derive from TPersistent");
  static_assert(std::is_void_v<Parent> || std::is_base_of_v<Parent, T>, "T must derive from Parent");
  TPropertyTable::TFactory factory;
  if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                std::is_constructible_v<T, TComponent*>) {
    factory = [](TComponent* owner) -> TComponent* { return New<T>(owner); };
  }
  const std::type_info* parent = nullptr;
  if constexpr (!std::is_void_v<Parent>) parent = &typeid(Parent);
  auto table = std::make_unique<TPropertyTableOf<T>>(name, typeid(T), parent, std::move(factory));
  if (define) define(*table);
  return detail::AddTable(std::move(table));
}

// The table registered under a class name (ASCII case ignored); nil when none.
const TPropertyTable* FindStreamedClass(std::string_view className);
// The table registered for exactly this type; nil when none.
const TPropertyTable* FindPropertyTable(const std::type_info& type);
inline const TPropertyTable* PropertyTableOf(const TPersistent& obj) { return FindPropertyTable(typeid(obj)); }
