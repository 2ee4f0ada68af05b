// The popup that stands in for a skinned form's system menu: its items follow the form's border style,
// border icons and state, their captions come from the window's own system menu, the entries an
// application added to that menu are carried over, and every choice reaches the form as WM_SYSCOMMAND.
// The title layout and the hit test read its six answers.
#pragma once
#include "skin/forms/sSystemMenuRules.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/PopupMenu.h"

class TsSkinProvider;

// The six questions a skinned title asks of a system menu.
class TsCustomSysMenu : public TPopupMenu {
 public:
  explicit TsCustomSysMenu(TComponent* owner) : TPopupMenu(owner) {}
  virtual bool VisibleClose() = 0;
  virtual bool VisibleMax() = 0;
  virtual bool VisibleMin() = 0;
  virtual bool EnabledMax() = 0;
  virtual bool EnabledMin() = 0;
  virtual bool EnabledRestore() = 0;
};

enum TskMenuItemPos { ipTop = 0, ipBottom = 1, ipBeforeClose = 2 };

// A user popup shown as a sub-menu of the system menu (nothing while Caption is empty or no popup is set).
class TskSysSubMenu : public TPersistent {
 public:
  AnsiString Caption;
  TPopupMenu* PopupMenu = nullptr;  // not owned
  TskMenuItemPos Position = ipBeforeClose;
};

class TsSystemMenu : public TsCustomSysMenu {
 public:
  // Owned by the provider; named "skSysMenu" and the tick count; the items are built at once.
  TsSystemMenu(TsSkinProvider* provider, TCustomForm* form);

  // Clears and fills the items from the window's system menu (empty without one).
  void BuildItems();
  // Rebuilds when asked or when the close item is missing, then sets the six items' visibility and state.
  void UpdateItems(bool rebuild);
  // Puts the list of the manager's skins at the top (a new column every 20), once per build.
  void AddSkinItems();

  bool VisibleClose() override { return States().Close.Visible; }
  bool VisibleMax() override { return States().Maximize.Visible; }
  bool VisibleMin() override { return States().Minimize.Visible; }
  bool EnabledMax() override { return States().Maximize.Enabled; }
  bool EnabledMin() override { return States().Minimize.Enabled; }
  bool EnabledRestore() override { return States().Restore.Enabled; }

  // The form's answers for the item rules.
  TskSysMenuForm FormState() const;
  int ExtraItemCount() const { return extraCount_; }

 private:
  TskSysMenuState States() const { return SysMenuItemStates(FormState()); }
  HMENU WindowMenu() const;
  TMenuItem* AddItem(const AnsiString& name, const AnsiString& caption, TNotifyEvent onClick);
  void AddSeparator(const AnsiString& name = AnsiString());
  // The command's text in the window's menu before the tab (the default without the command), and
  // its shortcut (the text after the tab).
  AnsiString CommandCaption(HMENU menu, UINT command, const AnsiString& fallback, TShortCut* shortCut) const;
  void AddSubMenu(TskMenuItemPos position);
  void SendCommand(UINT command, bool refresh);

  TsSkinProvider* provider_;
  TCustomForm* form_;
  int extraCount_ = 0;
  TMenuItem* restore_ = nullptr;
  TMenuItem* move_ = nullptr;
  TMenuItem* size_ = nullptr;
  TMenuItem* minimize_ = nullptr;
  TMenuItem* maximize_ = nullptr;
  TMenuItem* close_ = nullptr;
  TMenuItem* subMenu_ = nullptr;
};

// The resource texts of the system menu.
extern const char* const SRestore;
extern const char* const SMove;
extern const char* const SSize;
extern const char* const SMinimize;
extern const char* const SMaximize;
extern const char* const SClose;
extern const char* const SAvailSkins;
extern const char* const SInternal;
