#include "vcl/gui/MainMenu.h"

#include <algorithm>

#include "vcl/gui/Form.h"

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  if (mergedInto_ != nullptr) mergedInto_->Unmerge(this);
  if (merged_ != nullptr) {
    merged_->mergedInto_ = nullptr;
    merged_ = nullptr;
  }
}

void TMainMenu::SetAutoMerge(bool value) {
  if (value == autoMerge_) return;
  autoMerge_ = value;
  if (TCustomForm* form = Form()) form->UpdateMenuBar();
}

void TMainMenu::Merge(TMainMenu* menu) {
  if (menu == this || menu == merged_) return;
  if (merged_ != nullptr) {
    merged_->mergedInto_ = nullptr;
    RemoveFreeNotification(merged_);
  }
  merged_ = menu;
  if (menu != nullptr) {
    if (menu->mergedInto_ != nullptr && menu->mergedInto_ != this) menu->mergedInto_->Unmerge(menu);
    menu->mergedInto_ = this;
    menu->FreeNotification(this);
  }
  Changed();
}

void TMainMenu::Unmerge(TMainMenu* menu) {
  if (menu == nullptr || menu != merged_) return;
  Merge(nullptr);
}

void TMainMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == merged_) {
    merged_ = nullptr;
    Changed();
  }
  if (component == mergedInto_) mergedInto_ = nullptr;
}

std::vector<TMenuItem*> TMainMenu::BarItems() const {
  std::vector<TMenuItem*> bar;
  for (int i = 0; i < Items()->Count(); ++i) bar.push_back(Items()->Items(i));
  if (merged_ == nullptr) return bar;
  const TMenuItem* root = merged_->Items();
  // A merged group takes the place of this menu's items of that group.
  for (int i = 0; i < root->Count(); ++i) {
    const Integer group = root->Items(i)->GroupIndex();
    std::erase_if(bar, [&](const TMenuItem* item) { return item->Parent() == Items() && item->GroupIndex() == group; });
  }
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    auto at = std::find_if(bar.begin(), bar.end(), [&](const TMenuItem* e) { return e->GroupIndex() > item->GroupIndex(); });
    bar.insert(at, item);
  }
  return bar;
}

TCustomForm* TMainMenu::Form() const {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  return form != nullptr && form->Menu() == this ? form : nullptr;
}

HWND TMainMenu::WindowHandle() const {
  if (mergedInto_ != nullptr) return mergedInto_->WindowHandle();
  TCustomForm* form = Form();
  return form != nullptr && form->HandleAllocated() ? form->Handle() : nullptr;
}

void TMainMenu::FillHandle(HMENU handle) { FillEntries(handle, BarItems()); }

void TMainMenu::Changed() {
  TMenu::Changed();
  if (ComponentState().Contains(csDestroying) || Tracking()) return;
  if (mergedInto_ != nullptr) {
    mergedInto_->Changed();
  } else if (TCustomForm* form = Form()) {
    form->UpdateMenuBar();
  }
}

void TMainMenu::ExitMenuLoop() {
  EndTracking();
  if (!Tracking() && Stale()) Changed();
}

bool TMainMenu::DispatchMenuCommand(UINT command) {
  if (DispatchCommand(command)) return true;
  return merged_ != nullptr && merged_->DispatchCommand(command);
}

bool TMainMenu::DispatchMenuPopup(HMENU submenu) {
  if (DispatchPopup(submenu)) return true;
  return merged_ != nullptr && merged_->DispatchPopup(submenu);
}
