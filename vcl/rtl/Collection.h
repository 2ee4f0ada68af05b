// TCollection: an ordered list of items of one class that the collection owns (field and index
// definitions, grid columns, stored skins, title buttons). Items know their collection, index and a
// unique ID; changes reach the collection's Update, batched by BeginUpdate/EndUpdate.
//
// Items are made by Add/Insert through the collection's item class, so the collection hears about an
// item (Notify cnAdded, then Update) once it is complete. `new TMyItem(collection)` also works: the item
// joins at once and the collection hears about it from inside TCollectionItem's constructor. Items
// are freed by Delete/Clear, by the collection, or with `delete`, which takes them out of the collection
// first.
#pragma once
#include <vector>
#include "vcl/rtl/Persistent.h"

class TCollection;
class TCollectionItem;

enum TCollectionNotification { cnAdded = 0, cnExtracting = 1, cnDeleting = 2 };

// The class of a collection's items: how to make one and how to recognise one.
struct TCollectionItemClass {
  TCollectionItem* (*create)(TCollection* collection) = nullptr;
  bool (*isInstance)(const TCollectionItem* item) = nullptr;

  template <class T>
  static TCollectionItemClass Of();
};

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (nil: out of any); the target must accept the item's class,
  // else EListError "Invalid property value".
  void SetCollection(TCollection* value);
  // Unique within the collection, in order of joining; never reused.
  int ID() const { return id_; }
  int Index() const;  // -1 outside a collection
  // Moves the item within its collection; EListError for an index out of range.
  virtual void SetIndex(int value);
  virtual AnsiString DisplayName() const;  // the class name unless a subclass names its items
  virtual void SetDisplayName(const AnsiString& value);

  TPersistent* GetOwner() const override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

 protected:
  // Tells the collection that this item (allItems false) or the whole list changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
  bool addPending_ = false;  // made by Add: the collection hears about it in AfterConstruction
};

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass itemClass);
  ~TCollection() override;

  TCollectionItem* Add();
  // A new item at `index` (0..Count); EListError otherwise, before anything is added.
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // EListError "List index out of bounds (n)" for an index out of range.
  TCollectionItem* Items(int index) const;
  void SetItems(int index, const TCollectionItem* value);  // assigns value to the item at index
  TCollectionItem* FindItemID(int id) const;
  const TCollectionItemClass& ItemClass() const { return itemClass_; }

  // From another collection: clears this one and adds one item per source item, each Assigned from it.
  void Assign(const TPersistent* source) override;

  virtual void BeginUpdate();
  virtual void EndUpdate();  // the last one calls Update(nullptr)
  int UpdateCount() const { return updateCount_; }

 protected:
  // Something changed: `item` alone, or anything (nil). Not called while an update is in progress.
  virtual void Update(TCollectionItem* /*item*/) {}
  // An item was added, is about to leave (extracting), or is about to be freed by Delete (deleting).
  virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item, bool announce);
  void Announce(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void Unlink(TCollectionItem* item);

  TCollectionItemClass itemClass_;
  std::vector<TCollectionItem*> items_;  // owned
  int nextId_ = 0;
  int updateCount_ = 0;
};

// A collection that belongs to a persistent object (its GetOwner), e.g. a component's columns.
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
      : TCollection(itemClass), owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

 private:
  TPersistent* owner_;
};

template <class T>
TCollectionItemClass TCollectionItemClass::Of() {
  static_assert(std::is_base_of_v<TCollectionItem, T>, "collection items derive from TCollectionItem");
  return {[](TCollection* c) -> TCollectionItem* { return New<T>(c); },
          [](const TCollectionItem* item) { return dynamic_cast<const T*>(item) != nullptr; }};
}
