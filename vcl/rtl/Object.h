// The root of the component layer's class tree: class names for messages, dynamic type tests that
// raise EInvalidCast, a construction/destruction protocol (AfterConstruction, BeforeDestruction) that
// runs while the object is complete, and the conventions every class of the layer follows.
//
// Conventions (the whole GUI follows them):
// - Properties are a getter named after the property and a setter "Set" + name: Name()/SetName(),
//   Tag()/SetTag(), indexed ones take the index first: Strings(i)/SetStrings(i, s).
// - Events are public std::function members named after the event property (OnChange, OnClick),
//   empty while no handler is assigned. The object fires one only when it is set and passes itself as
//   the sender: `if (OnChange) OnChange(this);`. The sender comes first, then the event's arguments;
//   "var" arguments are references. A form binds a handler by capturing itself:
//   `btnNew->OnClick = [this](TObject* sender) { btnNewClick(sender); };`. Exceptions raised by a
//   handler pass to whoever caused the event, as in the library.
// - Objects of the tree live on the heap: create them with `new T(...)` or New<T>(...), free them with
//   `delete` (or through their owner, see Component.h). TObject must be the first base of a class, and
//   no class of the tree is over-aligned.
#pragma once
#include <cstddef>
#include <functional>
#include <new>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include "vcl/rtl/SysTypes.h"

class TObject;

using TNotifyEvent = std::function<void(TObject* sender)>;

namespace detail {
// Address of the object New<T> is constructing on this thread (nullptr otherwise); the object's
// TObject constructor takes it, so objects created while T's constructor runs are not affected.
inline thread_local const void* tCreationMark = nullptr;
}  // namespace detail

class TObject {
 public:
  TObject() noexcept;
  virtual ~TObject();
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // The class name as written in the source ("TStringList", "TfrmMain"), without namespaces.
  AnsiString ClassName() const;
  // Case-insensitive (ASCII) comparison with the class name.
  bool ClassNameIs(std::string_view name) const;

  // Runs after the constructor of the most derived class when the object was made by New<T>; an
  // exception from it destroys the object and passes on.
  virtual void AfterConstruction() {}
  // Runs at the start of `delete`, while the object is still complete (derived destructors have not
  // run yet). Exceptions from it are swallowed: destruction goes on.
  virtual void BeforeDestruction() {}
  // Runs right after BeforeDestruction, still on the complete object: where an owner frees what it
  // owns, so that what it frees may still call back into a whole object. Exceptions are swallowed.
  virtual void DestroyOwned() {}

  // `delete` on any object of the tree: BeforeDestruction, then the destructors, then the memory.
  void operator delete(TObject* p, std::destroying_delete_t);
  // The allocation that pairs with it; the plain delete only frees the memory of an object whose
  // constructor failed.
  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

 protected:
  // True when New<T> made this object and will call AfterConstruction once the constructors finish.
  bool CreatedByNew() const noexcept { return createdByNew_; }

 private:
  bool createdByNew_;
};

// Creates an object like `new T(args...)` and then calls its AfterConstruction. Components made this
// way announce themselves to their owner's components only once they are complete (see Component.h).
template <class T, class... Args>
T* New(Args&&... args) {
  static_assert(std::is_base_of_v<TObject, T>, "New<T> creates objects of the TObject tree");
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned objects are not supported");
  void* block = T::operator new(sizeof(T));
  const void* outer = detail::tCreationMark;
  detail::tCreationMark = block;
  T* obj;
  try {
    obj = ::new (block) T(std::forward<Args>(args)...);
  } catch (...) {
    detail::tCreationMark = outer;
    T::operator delete(block);
    throw;
  }
  detail::tCreationMark = outer;
  try {
    obj->AfterConstruction();
  } catch (...) {
    delete obj;
    throw;
  }
  return obj;
}

// The class name of a type or of the dynamic type of an object, without namespaces.
AnsiString ClassNameOf(const std::type_info& type);
template <class T>
AnsiString ClassNameOf() {
  return ClassNameOf(typeid(T));
}

// Raises EInvalidCast "Invalid class typecast".
[[noreturn]] void RaiseInvalidCast();

// The library's "obj is T": false for nil.
template <class T>
bool Is(const TObject* obj) {
  return dynamic_cast<const T*>(obj) != nullptr;
}

// The library's "obj as T": nil stays nil; an object of another class raises EInvalidCast.
template <class T>
T* As(TObject* obj) {
  if (obj == nullptr) return nullptr;
  T* result = dynamic_cast<T*>(obj);
  if (result == nullptr) RaiseInvalidCast();
  return result;
}
template <class T>
const T* As(const TObject* obj) {
  if (obj == nullptr) return nullptr;
  const T* result = dynamic_cast<const T*>(obj);
  if (result == nullptr) RaiseInvalidCast();
  return result;
}

// Deletes the object and clears the variable first, so that code reached during the destruction
// already sees nil.
template <class T>
void FreeAndNil(T*& p) {
  T* doomed = p;
  p = nullptr;
  delete doomed;
}
