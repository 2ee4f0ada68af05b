#include "vcl/rtl/Component.h"

#include <algorithm>
#include <exception>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool SameTextAscii(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
    return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
  });
}

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
  auto it = std::find(list.begin(), list.end(), c);
  if (it != list.end()) list.erase(it);
}

}  // namespace

bool IsValidIdent(std::string_view ident) {
  if (ident.empty() || !IsAsciiLetter(static_cast<unsigned char>(ident[0]))) return false;
  return std::all_of(ident.begin() + 1, ident.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
  });
}

TComponent::TComponent(TComponent* owner) {
  if (owner == nullptr) return;
  // A new component has no name yet, so nothing in InsertComponent's checks can fail; only the
  // insert notification is held back for objects made by New<T> (sent by AfterConstruction).
  owner->Insert(this);
  if (owner->state_.Contains(csDesigning)) SetDesigning(true);
  if (CreatedByNew()) {
    insertPending_ = true;
    return;
  }
  try {
    owner->Notification(this, opInsert);
  } catch (...) {
    // The constructor fails, so no destructor will run: leave no dangling entry behind.
    owner->Remove(this);
    RemoveFreeNotifications();
    throw;
  }
}

TComponent::~TComponent() {
  // Nothing is left to do after `delete`; an object freed otherwise (one on the stack) has its
  // teardown here, when it is no longer complete.
  Leave();
  FreeComponents();
}

void TComponent::AfterConstruction() {
  TPersistent::AfterConstruction();
  if (insertPending_) {
    insertPending_ = false;
    if (owner_ != nullptr) owner_->Notification(this, opInsert);
  }
}

void TComponent::BeforeDestruction() {
  TPersistent::BeforeDestruction();
  Leave();
}

void TComponent::DestroyOwned() {
  TPersistent::DestroyOwned();
  FreeComponents();
}

void TComponent::Leave() noexcept {
  Destroying();
  RemoveFreeNotifications();
  DetachFromOwner();
}

void TComponent::FreeComponents() noexcept {
  try {
    DestroyComponents();
  } catch (...) {
    // Every owned component is freed even when a notification fails.
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) RaiseListIndexError(index);
  return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int value) {
  const int current = ComponentIndex();
  if (current < 0) return;
  auto& list = owner_->components_;
  value = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
  if (value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + value, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameTextAscii(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr || component->owner_ == this) return;
  for (const TComponent* p = this; p != nullptr; p = p->owner_)
    if (p == component) throw EComponentError(Format("A component cannot own itself: %s", {component->name_}));
  ValidateRename(component, "", component->name_);
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  Insert(component);
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  component->insertPending_ = false;
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->owner_ != this) return;
  ValidateRename(component, component->name_, "");
  Notification(component, opRemove);
  // A handler may already have moved the component elsewhere.
  if (component->owner_ == this) Remove(component);
}

void TComponent::DestroyComponents() {
  std::exception_ptr failure;
  while (!components_.empty()) {
    TComponent* instance = components_.back();
    // Components others asked to hear about leave loudly, so that their siblings can let go of them;
    // the rest leave quietly (nobody of this owner can hold them without free notification).
    const bool loud = instance->state_.Contains(csFreeNotification) ||
                      (state_.Contains(csDesigning) && state_.Contains(csInline));
    if (loud) {
      try {
        RemoveComponent(instance);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
    if (instance->owner_ == this) Remove(instance);
    delete instance;
  }
  if (failure) std::rethrow_exception(failure);
}

void TComponent::SetName(const AnsiString& value) {
  if (name_ == value) return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError(Format("'%s' is not a valid component name", {value}));
  if (owner_ != nullptr)
    owner_->ValidateRename(this, name_, value);
  else
    ValidateRename(nullptr, name_, value);
  name_ = value;
}

void TComponent::ValidateRename(TComponent* component, std::string_view curName, std::string_view newName) {
  // Also called by InsertComponent before the component joins this owner, so that a named component
  // cannot bring a duplicate in.
  if (component != nullptr && !SameTextAscii(curName, newName) && FindComponent(newName) != nullptr)
    throw EComponentError(Format("A component named %s already exists", {newName}));
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Handlers may add or free components while the list is walked: re-clamp the index after each call.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    components_[static_cast<std::size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (owner_ == nullptr || component->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
      freeNotifies_.push_back(component);
      component->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) { EraseOne(freeNotifies_, component); }

void TComponent::RemoveFreeNotifications() noexcept {
  // Each pair is unlinked before the other side hears, so a handler that does not call the inherited
  // Notification cannot make this loop spin.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    other->RemoveNotification(this);
    try {
      other->Notification(this, opRemove);
    } catch (...) {
      // The object is going away whatever the handler thinks of it.
    }
  }
}

void TComponent::DetachFromOwner() noexcept {
  TComponent* owner = owner_;
  if (owner == nullptr) return;
  if (insertPending_) {
    // Its constructor failed under New<T>: nobody has heard of it, so nobody needs to hear it leave.
    owner->Remove(this);
    return;
  }
  try {
    owner->RemoveComponent(this);
  } catch (...) {
    // Leave the owner's list in any case.
  }
  if (owner_ == owner) owner->Remove(this);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::Loading() { state_.Include(csLoading); }

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::Updating() { state_.Include(csUpdating); }

void TComponent::Updated() { state_.Exclude(csUpdating); }

void TComponent::SetDesigning(bool value, bool setChildren) {
  SetStateItem(csDesigning, value);
  if (setChildren)
    for (TComponent* c : components_) c->SetDesigning(value);
}

void TComponent::SetAncestor(bool value) {
  SetStateItem(csAncestor, value);
  for (TComponent* c : components_) c->SetAncestor(value);
}

void TComponent::SetStateItem(TComponentStateItem item, bool value) {
  if (value)
    state_.Include(item);
  else
    state_.Exclude(item);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  component->owner_ = nullptr;
  component->insertPending_ = false;
  EraseOne(components_, component);
}
