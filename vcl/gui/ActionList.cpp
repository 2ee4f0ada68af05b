#include "vcl/gui/ActionList.h"

#include <algorithm>

#include "vcl/gui/ImageList.h"
#include "vcl/rtl/Format.h"

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

TContainedAction::~TContainedAction() {
  if (actionList_ != nullptr) actionList_->RemoveAction(this);
}

void TContainedAction::BeforeDestruction() {
  TBasicAction::BeforeDestruction();
  if (actionList_ != nullptr) actionList_->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* value) {
  if (value == actionList_) return;
  if (actionList_ != nullptr) actionList_->RemoveAction(this);
  if (value != nullptr) value->AddAction(this);
}

TComponent* TContainedAction::GetParentComponent() const { return actionList_; }

void TContainedAction::SetParentComponent(TComponent* parent) {
  if (auto* list = dynamic_cast<TCustomActionList*>(parent)) SetActionList(list);
}

int TContainedAction::Index() const {
  if (actionList_ == nullptr) return -1;
  const auto& list = actionList_->actions_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

bool TCustomAction::Execute() {
  Update();
  if (!enabled_) return false;
  return TContainedAction::Execute();
}

TCustomActionList::~TCustomActionList() { ReleaseActions(); }

void TCustomActionList::BeforeDestruction() {
  TComponent::BeforeDestruction();
  ReleaseActions();
}

void TCustomActionList::ReleaseActions() noexcept {
  for (TContainedAction* a : actions_) a->actionList_ = nullptr;
  actions_.clear();
}

TContainedAction* TCustomActionList::Actions(int index) const {
  if (index < 0 || index >= ActionCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return actions_[static_cast<std::size_t>(index)];
}

void TCustomActionList::SetImages(TCustomImageList* value) {
  if (value == images_) return;
  if (images_ != nullptr) RemoveFreeNotification(images_);
  images_ = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TCustomActionList::AddAction(TContainedAction* action) {
  actions_.push_back(action);
  action->actionList_ = this;
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
  std::erase(actions_, action);
  action->actionList_ = nullptr;
}

bool TCustomActionList::IsShortCut(const TWMKey& message) {
  const TShortCut shortCut = ShortCutFromMessage(message);
  if (shortCut == scNone) return false;
  for (TContainedAction* a : std::vector<TContainedAction*>(actions_)) {
    auto* action = dynamic_cast<TCustomAction*>(a);
    if (action != nullptr && action->ShortCut() == shortCut) return action->Execute();
  }
  return false;
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}
