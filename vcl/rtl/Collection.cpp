#include "vcl/rtl/Collection.h"

#include <algorithm>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Exceptions.h"

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection == nullptr) return;
  collection->InsertItem(this, false);
  if (CreatedByNew()) {
    addPending_ = true;
    return;
  }
  try {
    collection->Announce(this);
  } catch (...) {
    // No destructor runs for a failed constructor: take the item out again.
    collection->Unlink(this);
    throw;
  }
}

TCollectionItem::~TCollectionItem() {
  if (collection_ == nullptr) return;
  if (addPending_) {
    // Its constructor failed under Add: the collection never heard of it.
    collection_->Unlink(this);
    return;
  }
  // Items not freed with `delete` (none normally) leave here instead of in BeforeDestruction.
  try {
    collection_->RemoveItem(this);
  } catch (...) {
  }
}

void TCollectionItem::AfterConstruction() {
  TPersistent::AfterConstruction();
  if (addPending_) {
    addPending_ = false;
    if (collection_ != nullptr) collection_->Announce(this);
  }
}

void TCollectionItem::BeforeDestruction() {
  TPersistent::BeforeDestruction();
  if (collection_ != nullptr) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
  if (value == collection_) return;
  if (value != nullptr && value->itemClass_.isInstance != nullptr && !value->itemClass_.isInstance(this))
    throw EListError("Invalid property value");
  if (collection_ != nullptr) collection_->RemoveItem(this);
  if (value != nullptr) value->InsertItem(this, true);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int value) {
  const int current = Index();
  if (current < 0 || current == value) return;
  auto& items = collection_->items_;
  if (value < 0 || value >= static_cast<int>(items.size())) RaiseListIndexError(value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + value, this);
  Changed(true);
}

AnsiString TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const AnsiString&) { Changed(false); }

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::Changed(bool allItems) {
  if (collection_ != nullptr && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TCollectionItemClass itemClass) : itemClass_(itemClass) {}

TCollection::~TCollection() {
  // No Update calls while the items go.
  updateCount_ = 1;
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
  if (itemClass_.create == nullptr) throw EListError("Invalid property value");
  return itemClass_.create(this);
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) RaiseListIndexError(index);
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return items_[static_cast<std::size_t>(index)];
}

void TCollection::SetItems(int index, const TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;  // clearing first would lose the source
  BeginUpdate();
  try {
    Clear();
    for (const TCollectionItem* item : other->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item, bool announce) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextId_;
  nextId_ = CheckedAdd(nextId_, 1);
  if (announce) Announce(item);
}

void TCollection::Announce(TCollectionItem* item) {
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  try {
    Notify(item, cnExtracting);
  } catch (...) {
    Unlink(item);  // the item leaves even when a handler objects
    throw;
  }
  Unlink(item);
  Changed();
}

void TCollection::Unlink(TCollectionItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  item->collection_ = nullptr;
  item->addPending_ = false;
}
