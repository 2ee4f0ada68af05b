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
// Properties that code reads or writes by name at run time (PropertyAccess.h) also get a getter:
//       p.OrdGetter("Color", &TButton::Color);                       // Integer, Boolean, enumeration
//       p.SetGetter<TAnchors>("Anchors", &TButton::Anchors, AnchorIdents());
//       p.ComponentGetter("PopupMenu", &TButton::PopupMenu);
// Writing by name uses the setter given at registration; Object properties read through their getter.
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

  // ---- access by name at run time (each empty unless the table provides it) ----
  using TGetOrd = std::function<Int64(TPersistent& instance)>;
  using TSetOrd = std::function<void(TPersistent& instance, Int64 value)>;
  using TGetObject = std::function<TObject*(TPersistent& instance)>;
  // A set property as the names of its members, in declaration order.
  using TGetSet = std::function<std::vector<AnsiString>(TPersistent& instance)>;
  using TSetSet = std::function<void(TPersistent& instance, const std::vector<AnsiString>& members)>;
  TGetOrd getOrd;
  TSetOrd setOrd;
  TGetObject getObject;
  TGetSet getSet;
  TSetSet setSet;

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
  // True when the object is of the table's class or of a class derived from it.
  virtual bool IsInstance(const TPersistent& obj) const = 0;

 protected:
  TPropInfo& AddProperty(TPropInfo info);
  // The property of that name among this class's own; raises EComponentError when there is none.
  TPropInfo& OwnProperty(std::string_view name);

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
// Raises ERangeError when an ordinal written by name does not fit an Integer property.
Integer OrdToInteger(Int64 value, const AnsiString& prop);

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

  bool IsInstance(const TPersistent& obj) const override {
    if constexpr (std::is_base_of_v<T, TPersistent>) {
      return true;
    } else {
      return dynamic_cast<const T*>(&obj) != nullptr;
    }
  }

  template <class F>
  void IntegerProp(const char* name, F setter, TIdents<Integer> named = {}) {
    AnsiString prop = name;
    Add(name, TPropKind::Integer, [=](T& obj, const TDefValue& v, TReader& r) {
      detail::Put(obj, setter, detail::DefToInteger(v, r, prop, named));
    }).setOrd = [=](TPersistent& obj, Int64 value) { detail::Put(Self(obj), setter, detail::OrdToInteger(value, prop)); };
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
    }).setOrd = [=](TPersistent& obj, Int64 value) { detail::Put(Self(obj), setter, value != 0); };
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
    }).setOrd = [=](TPersistent& obj, Int64 value) {
      // Only values the enumeration names are taken.
      for (const auto& i : idents)
        if (static_cast<Int64>(i.second) == value) detail::Put(Self(obj), setter, i.second);
    };
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
    }).setSet = [=](TPersistent& obj, const std::vector<AnsiString>& members) {
      // Names the set does not know are left out.
      S set{};
      for (const AnsiString& m : members)
        for (const auto& i : idents)
          if (SameDefName(i.first, m)) set.Include(i.second);
      detail::Put(Self(obj), setter, set);
    };
  }
  // Getters for reading by name (see the top of this file); the property must be registered already.
  template <class G>
  void OrdGetter(const char* name, G getter) {
    OwnProperty(name).getOrd = [getter](TPersistent& obj) {
      return static_cast<Int64>(std::invoke(getter, Self(obj)));
    };
  }
  template <class S, class E, class G>
  void SetGetter(const char* name, G getter, TIdents<E> idents) {
    OwnProperty(name).getSet = [getter, idents](TPersistent& obj) {
      const S set = std::invoke(getter, Self(obj));
      std::vector<AnsiString> members;
      for (const auto& i : idents)
        if (set.Contains(i.second)) members.emplace_back(i.first);
      return members;
    };
  }
  template <class G>
  void ComponentGetter(const char* name, G getter) {
    OwnProperty(name).getObject = [getter](TPersistent& obj) -> TObject* {
      return detail::GetPointer<TObject>(Self(obj), getter);
    };
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
        [getter](TPersistent& obj) -> TPersistent* { return detail::GetPointer<TPersistent>(Self(obj), getter); }))
        .getObject = [getter](TPersistent& obj) -> TObject* { return detail::GetPointer<TPersistent>(Self(obj), getter); };
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
  TPropInfo& Add(const char* name, TPropKind kind, G apply) {
    return AddInfo(TPropInfo(name, kind, [apply](TPersistent& instance, const TDefValue& v, TReader& r) {
      apply(Self(instance), v, r);
    }));
  }
  TPropInfo& AddInfo(TPropInfo info) { return AddProperty(std::move(info)); }
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
// The tables that apply to the object: its own class's first, then those of registered classes it
// derives from, the ones with more registered ancestors first.
std::vector<const TPropertyTable*> PropertyTablesFor(const TPersistent& obj);
