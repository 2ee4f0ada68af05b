// Menus: TMenuItem, a tree of items (caption, shortcut, image, enabled/visible/checked state, click
// handler and owner-draw hooks), and TMenu, the component that holds the tree, its image list and the
// Windows menu built from it. An item whose caption is "-" is a separator.
//
// Items are owner-drawn when the menu has OwnerDraw or an image list, or when the item has a draw or
// measure handler of its own: the item then measures and paints itself (image, caption, shortcut text,
// separator line), and code that paints menus its own way (the skin library) sets OnMeasureItem and
// OnAdvancedDrawItem, comparable method pointers that it can recognise and give back.
//
// Every item has a command number of its own, unique in the process; a menu's WM_COMMAND, WM_MEASUREITEM
// and WM_DRAWITEM find the item by it (a menu entry's item data holds the command, never a pointer).
// The Windows menu is built when first needed and again after any change of the items.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Messages.h"
#include "vcl/gui/ShortCuts.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Set.h"

class TBasicAction;
class TBitmap;
class TMenu;
class TCustomImageList;

// The reading order of a menu's texts (and which side its images and check marks sit on).
enum TBiDiMode { bdLeftToRight = 0, bdRightToLeft = 1, bdRightToLeftNoAlign = 2, bdRightToLeftReadingOnly = 3 };

// What the system's locale says of text direction: MiddleEast is true on systems whose locale reads
// right to left (Arabic, Hebrew, Farsi). This program runs under Central European locales only.
struct TSysLocale {
  bool MiddleEast = false;
};
extern TSysLocale SysLocale;

enum TOwnerDrawStateItem {
  odSelected = 0, odGrayed = 1, odDisabled = 2, odChecked = 3, odFocused = 4, odDefault = 5, odHotLight = 6,
  odInactive = 7, odNoAccel = 8, odNoFocusRect = 9, odReserved1 = 10, odReserved2 = 11, odComboBoxEdit = 12
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem, 13>;

using TMenuMeasureItemEvent = TMethodPtr<void(TObject* sender, TCanvas& canvas, Integer& width, Integer& height)>;
using TMenuDrawItemEvent = TMethodPtr<void(TObject* sender, TCanvas& canvas, const TRect& rect, bool selected)>;
using TAdvancedMenuDrawItemEvent =
    TMethodPtr<void(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state)>;

enum TFindItemKind { fkCommand = 0, fkShortCut = 2 };

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  // ---- what the item shows ----
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& value);
  bool IsLine() const { return caption_ == "-"; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value);
  // The image of the menu's image list (-1: none).
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  bool Default() const { return default_; }
  void SetDefault(bool value);
  // Starts a new column.
  bool Break() const { return break_; }
  void SetBreak(bool value);
  Integer GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Integer value) { groupIndex_ = value; }
  // The item's own image (drawn instead of an image of the list); made empty on first use.
  TBitmap& Bitmap();
  bool HasBitmap() const;  // a bitmap with pixels was given
  void SetBitmap(const TBitmap* value);
  // The image list of the item's sub-items (nil: the menu's Images).
  TCustomImageList* SubMenuImages() const { return subMenuImages_; }
  void SetSubMenuImages(TCustomImageList* value);
  // Shown by the application (its Hint) while the item is highlighted; the part after "|".
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value) { hint_ = value; }

  // ---- the tree ----
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;  // EMenuError outside 0..Count-1
  // Adds or inserts an item (taken out of its previous parent first). EMenuError when the item already
  // is in a menu here, is this item or one of its parents.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes an item out without freeing it.
  void Delete(int index);
  void Remove(TMenuItem* item);
  // Frees every sub-item.
  void Clear();
  int IndexOf(const TMenuItem* item) const;  // -1 when not a sub-item
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const { return parent_ != nullptr ? parent_->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  // The menu the item belongs to (through its parents); nil outside a menu.
  TMenu* GetParentMenu() const;
  // The sub-item (or deeper) with the command or the shortcut; nil when none.
  TMenuItem* Find(UINT value, TFindItemKind kind) const;
  // The sub-item (or deeper) whose sub-menu the handle is; nil when none.
  TMenuItem* FindHandle(HMENU handle) const;

  // The number of the item's WM_COMMAND.
  UINT Command() const { return command_; }
  // The sub-menu made for the item's children while the menu is built (nil otherwise).
  HMENU Handle() const { return handle_; }

  // Runs OnClick when the item is enabled (without OnClick, its action's Execute).
  virtual void Click();

  // ---- the item's action ----
  // The item shows its action's caption, enabled, visible and checked states and shortcut (taken when
  // the action is set and whenever InitiateAction runs). Nil: none.
  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* value);
  // Brings the action up to date (its OnUpdate) and the item with it; nothing without an action.
  void InitiateAction();
  // Puts the sub-items into the item's sub-menu again, in place (the open sub-menu of a menu being shown
  // keeps its handle); nothing while the item has no sub-menu.
  void RebuildHandle();

  // In a definition an item sits inside its menu or its parent item.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void Notification(TComponent* component, TOperation operation) override;

  // ---- owner drawing ----
  bool IsOwnerDrawn() const;
  // The size of the item: the default measure, then OnMeasureItem.
  void MeasureItem(TCanvas& canvas, Integer& width, Integer& height);
  // Paints the item: OnAdvancedDrawItem, else OnDrawItem, else the default painting.
  void AdvancedDrawItem(TCanvas& canvas, const TRect& rect, TOwnerDrawState state);
  // The default painting: background, image or check mark, caption and shortcut text, or the
  // separator's line.
  void DrawItem(TCanvas& canvas, const TRect& rect, TOwnerDrawState state);

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

 protected:
  // A property changed: the menu is built again when next needed.
  void MenuChanged();

 private:
  friend class TMenu;
  void CheckInsert(const TMenuItem* item) const;
  void TakeOut(TMenuItem* item);
  // Puts the visible sub-items into a Windows menu (sub-menus made for items with children).
  void FillMenu(HMENU menu) { FillEntries(menu, items_); }
  static void FillEntries(HMENU menu, const std::vector<TMenuItem*>& items);
  void ForgetHandles();
  // Takes the action's caption, states and shortcut.
  void ActionChanged();
  // True when an item put into the Windows menu has gained or lost its owner drawing since (its
  // drawing hooks are plain members, set at any time).
  bool OwnerDrawingChanged() const;

  AnsiString caption_;
  TShortCut shortCut_ = scNone;
  Integer imageIndex_ = -1;
  bool enabled_ = true;
  bool visible_ = true;
  bool builtOwnerDrawn_ = false;  // as put into the Windows menu
  bool checked_ = false;
  bool radioItem_ = false;
  bool default_ = false;
  bool break_ = false;
  Integer groupIndex_ = 0;
  AnsiString hint_;
  std::unique_ptr<TBitmap> bitmap_;
  TCustomImageList* subMenuImages_ = nullptr;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item of a menu
  TBasicAction* action_ = nullptr;
  UINT command_ = 0;
  HMENU handle_ = nullptr;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item; the menu's entries are its sub-items.
  TMenuItem* Items() const { return items_; }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode value) { biDiMode_ = value; }

  // The Windows menu of the items, built again after a change (not while it is being shown).
  HMENU Handle();
  // The Windows menu as built last, without building it (nil when none).
  HMENU CurrentHandle() const { return handle_; }
  // The window that receives the menu's commands and owner-draw messages (nil: none yet).
  virtual HWND WindowHandle() const { return nullptr; }

  // The key as a shortcut of an item: the item's parents are clicked first (a popup menu's root runs
  // OnPopup, which may enable or disable the item), then the item when it is enabled. True when an item
  // has the shortcut, even a disabled one: the key is the menu's and goes no further (as a Ctrl+Alt
  // combination would otherwise type the character of AltGr with that letter). AltGr combinations are
  // never shortcuts.
  virtual bool IsShortCut(const TWMKey& message);
  // Clicks the item with the command; false when no item has it.
  bool DispatchCommand(UINT command);
  // A sub-menu is about to open: its item is clicked (its handler may change the sub-items, which are
  // put into the open menu again). False when no item of this menu has the handle.
  bool DispatchPopup(HMENU submenu);
  TMenuItem* FindItem(UINT value, TFindItemKind kind) const { return items_->Find(value, kind); }

  // Nesting count of the menu being shown; the Windows menu is not rebuilt meanwhile.
  bool Tracking() const { return tracking_ > 0; }

  void Notification(TComponent* component, TOperation operation) override;

  TNotifyEvent OnChange;

 protected:
  void BeginTracking() { ++tracking_; }
  void EndTracking() { if (tracking_ > 0) --tracking_; }
  // A change waits for the Windows menu to be built again.
  bool Stale() const { return stale_; }
  // An item or a property changed: the Windows menu is built again when next needed.
  virtual void Changed();
  // The kind of Windows menu the items go into (a popup menu here; a menu bar for a form's main menu).
  virtual HMENU NewHandle();
  // Puts the entries into a newly made Windows menu (the root's sub-items here).
  virtual void FillHandle(HMENU handle);
  static void FillEntries(HMENU handle, const std::vector<TMenuItem*>& items) { TMenuItem::FillEntries(handle, items); }

 private:
  friend class TMenuItem;
  void DestroyHandle() noexcept;

  TMenuItem* items_;  // owned
  TCustomImageList* images_ = nullptr;
  bool ownerDraw_ = false;
  TBiDiMode biDiMode_ = bdLeftToRight;
  HMENU handle_ = nullptr;
  bool stale_ = true;
  int tracking_ = 0;
};

QN_DECLARE_EXCEPTION(EMenuError, Exception);

// The item with a command, in any menu of the process; nil when none.
TMenuItem* FindMenuItemByCommand(UINT command);
// Handles a menu's WM_MEASUREITEM / WM_DRAWITEM / WM_MENUSELECT for the window that received it: the
// item is found by its command, measured or painted, or its hint given to the application. True when
// the message was a menu item's.
bool HandleMenuMessage(TMessage& message);
