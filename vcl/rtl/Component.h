// TComponent: the named, owned building block of forms and data modules. An owner keeps a list of the
// components it owns and frees them when it is freed; components tell each other about insertions and
// removals (Notification), and any two components can ask to hear when the other is freed
// (FreeNotification). Names are identifiers, unique (ignoring case) among the components of one owner.
//
// Life cycle and the C++ rules that keep it safe:
// - Create with `new T(owner)` or New<T>(owner). The component joins the owner's list at once (Owner,
//   Components, FindComponent and the name rules hold from the start). The owner's components get
//   Notification(c, opInsert): with `new` from inside TComponent's constructor, as the library does, so
//   the receiver sees the object before its derived constructors ran (a class test on it fails); with
//   New<T> only after the object is complete, so receivers can test its class. Components whose
//   insertion others test by class (sessions, skin managers, datasets) are made with New<T>, and so is
//   every component a form reader creates.
// - Free with `delete` or through the owner. `delete` runs BeforeDestruction while the object is still
//   complete: it marks it and everything it owns csDestroying, tells the components that asked for free
//   notification, and removes it from its owner (which tells the owner's components, opRemove); derived
//   classes add their own steps (a control leaves its parent and destroys its window). Then, still on
//   the complete object, DestroyOwned frees the owned components, last first, each removed from this
//   owner before it is freed: a component that hooked its owner (replaced a form's window procedure)
//   can still give the hook back. The destructors run last and find nothing left to do.
// - Components fire no events while being freed (csDestroying is on for the whole tree before any
//   destructor runs).
// - Notifications that arrive during destruction never stop it: an exception from a Notification handler
//   raised while an object is being freed is dropped.
#pragma once
#include <string_view>
#include <vector>
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Set.h"

enum TOperation { opInsert = 0, opRemove = 1 };

enum TComponentStateItem {
  csLoading = 0,           // read from a form definition; cleared by Loaded after all references are fixed
  csReading = 1,           // its own properties are being read right now
  csWriting = 2,
  csDestroying = 3,        // being freed (also set on everything it owns)
  csDesigning = 4,
  csAncestor = 5,
  csUpdating = 6,
  csFixups = 7,            // has references to other components still to be resolved
  csFreeNotification = 8,  // someone asked for free notification; its owner then removes it loudly
  csInline = 9,
  csDesignInstance = 10,
};
using TComponentState = TSet<TComponentStateItem, 11>;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  // ---- ownership ----
  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned components in creation order; an index out of range raises EListError.
  TComponent* Components(int index) const;
  // The position of this component in its owner's list (-1 without owner); setting clamps to the list.
  int ComponentIndex() const;
  void SetComponentIndex(int value);
  // The owned component of that name (ASCII case ignored); nil for an empty name or none.
  TComponent* FindComponent(std::string_view name) const;
  // Makes this component the owner of `component` (taking it from its previous owner), then sends
  // Notification(component, opInsert) to this component and everything it owns. Raises
  // EComponentError for a duplicate name or when the component would end up owning itself.
  void InsertComponent(TComponent* component);
  // Sends Notification(component, opRemove), then gives the component up (it has no owner afterwards).
  // Nothing happens when this component is not its owner.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();

  // ---- name and tag ----
  const AnsiString& Name() const { return name_; }
  // Raises EComponentError "'x' is not a valid component name" for a non-identifier and
  // "A component named x already exists" when another component of the owner has the name.
  virtual void SetName(const AnsiString& value);
  Integer Tag() const { return tag_; }
  void SetTag(Integer value) { tag_ = value; }

  // ---- notifications ----
  // Told about components inserted into or removed from this component's owner tree, and about the
  // destruction of components this one asked for free notification. The default forgets a removed
  // component's free notification and passes the call on to every owned component (last first).
  // Overrides call the inherited one.
  virtual void Notification(TComponent* component, TOperation operation);
  // Asks to hear (Notification(this_one, opRemove) on `component`) when this component is freed; the
  // request is mutual. Components of the same owner need no list: they hear through their owner.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // ---- state ----
  TComponentState ComponentState() const { return state_; }
  // Marks this component and everything it owns csDestroying.
  void Destroying();
  // Loading sets csLoading before a definition is read; Loaded runs once all components of the
  // definition are read and their references fixed, and clears csLoading. Overrides call the inherited.
  virtual void Loading();
  virtual void Loaded();
  void SetReading(bool value) { SetStateItem(csReading, value); }
  void SetWriting(bool value) { SetStateItem(csWriting, value); }
  void SetFixups(bool value) { SetStateItem(csFixups, value); }
  virtual void Updating();   // csUpdating on
  virtual void Updated();    // csUpdating off
  virtual void SetDesigning(bool value, bool setChildren = true);
  void SetAncestor(bool value);   // also on owned components
  void SetInline(bool value) { SetStateItem(csInline, value); }
  void SetDesignInstance(bool value) { SetStateItem(csDesignInstance, value); }

  // ---- parent (the visual tree, kept by controls; a form reader sets it for nested definitions) ----
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* /*parent*/) {}

  TPersistent* GetOwner() const override { return owner_; }
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void DestroyOwned() override;

 protected:
  // Checks a rename of `component` (nil: this component itself has no owner) from curName to newName;
  // raises the duplicate-name error. Forms extend it.
  virtual void ValidateRename(TComponent* component, std::string_view curName, std::string_view newName);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);
  void RemoveFreeNotifications() noexcept;
  void DetachFromOwner() noexcept;
  // The steps of leaving: csDestroying on the tree, free notifications, the owner.
  void Leave() noexcept;
  void FreeComponents() noexcept;
  void SetStateItem(TComponentStateItem item, bool value);

  TComponent* owner_ = nullptr;
  AnsiString name_;
  Integer tag_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;    // owned; freed by this component
  std::vector<TComponent*> freeNotifies_;  // mutual: each of these has this component in its list
  bool insertPending_ = false;             // made by New<T>: opInsert goes out in AfterConstruction
};

// The library's identifier rule: an ASCII letter or '_', then letters, digits or '_'.
bool IsValidIdent(std::string_view ident);
