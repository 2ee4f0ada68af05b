// TMainMenu: the menu bar of a form. Its Windows menu is a bar, given to the form's window (or to an MDI
// frame's client window, which keeps the frame's Window menu) and built again whenever an item changes.
//
// Merging: another form's main menu (the active MDI child's, or an AutoMerge form's) can be merged in.
// Its top items take the place of this menu's top items of the same GroupIndex and go between the
// others in GroupIndex order; the bar then shows both menus' items, and the commands, sub-menus and
// owner drawing of the merged items are answered by their own menu's items.
#pragma once
#include <vector>
#include "vcl/gui/Menus.h"

class TCustomForm;

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  // The menu merges into the main form's menu when its form is active (ignored for an MDI child's menu,
  // which always merges into its frame's). A menu with AutoMerge shows no bar of its own.
  bool AutoMerge() const { return autoMerge_; }
  void SetAutoMerge(bool value);

  // Merges a menu in (replacing one merged before); nil merges nothing.
  void Merge(TMainMenu* menu);
  // Takes the menu out again when it is the merged one.
  void Unmerge(TMainMenu* menu);
  TMainMenu* MergedMenu() const { return merged_; }
  // The menu this one is merged into (nil: none).
  TMainMenu* MergedInto() const { return mergedInto_; }
  // The top items in the bar's order: this menu's, with the merged menu's in their groups' places.
  // Invisible items are listed too (the bar leaves them out).
  std::vector<TMenuItem*> BarItems() const;

  // The form whose menu this is (the owner, when it shows this menu); nil otherwise.
  TCustomForm* Form() const;
  // The window that shows the bar: the form's, or for a merged menu the window it is merged into.
  HWND WindowHandle() const override;

  // A command or a sub-menu of the bar: handled by the item of this menu or of the merged one.
  bool DispatchMenuCommand(UINT command);
  bool DispatchMenuPopup(HMENU submenu);

  // The bar is in its menu loop: it is not built again meanwhile, only at the end.
  void EnterMenuLoop() { BeginTracking(); }
  void ExitMenuLoop();

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void Changed() override;
  HMENU NewHandle() override { return CreateMenu(); }
  void FillHandle(HMENU handle) override;

 private:
  bool autoMerge_ = false;
  TMainMenu* merged_ = nullptr;
  TMainMenu* mergedInto_ = nullptr;
};
