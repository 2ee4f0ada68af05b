// The control adapter of a skinned form: it walks the form's components and child controls and gives
// each windowed control whose class name stands in one of the skin manager's 21 class lists the window
// adapter of that list (one TskAdapterItem per control), makes labels transparent in the skin's font
// colour, and gives a form placed inside the form a provider of its own. Class names compare exactly
// (case-sensitive). A provider owns at most one control adapter, while its form is skinned.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "skin/forms/sCommonData.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Persistent.h"

class TComponent;
class TControl;
class TWinControl;
class TskCtrlAdapter;
class TskMainWnd;
class TsSkinManager;
class TsSkinProvider;

// Asked before a control is taken: it may veto it (canBeAdded false) or give it a section.
using TAddItemEvent = std::function<void(TObject* sender, TComponent* item, bool& canBeAdded, AnsiString& skinSection)>;

// The Tag that keeps a control away from every adapter, and the one that keeps a label's colour when
// the label is met among the form's components.
inline constexpr Integer kNoAdapterTag = -98;
inline constexpr Integer kKeepLabelColorTag = 98;
// The control kind of an adapter item's skin state.
inline constexpr Integer kAdapterItemKind = 227;

// The window adapter that list `list` (0..20) makes for a control, or nil when the list names a class
// that gets none (or one this library does not have).
TskMainWnd* CreateListedAdapter(int list, TWinControl* control, TsCommonData* data, TsSkinManager* manager);

// One adapted windowed control and its window adapter.
class TskAdapterItem : public TPersistent {
 public:
  explicit TskAdapterItem(TskCtrlAdapter* adapter);
  // Frees the window adapter, then the skin state.
  ~TskAdapterItem() override;
  // Makes the window adapter of the first list that names the control's class (none for Tag -98, a
  // control without window or parent, one skinned by itself, or without a manager).
  virtual void HookControl(TWinControl* control);

  TWinControl* Control = nullptr;          // not owned
  std::unique_ptr<TsCommonData> SkinData;  // kind 227; its host becomes the control
  TskCtrlAdapter* Adapter = nullptr;       // the owner
  TskMainWnd* WndAdapter = nullptr;        // owned; nil when no list matched
};

class TskCtrlAdapter : public TPersistent {
 public:
  explicit TskCtrlAdapter(TsSkinProvider* provider) : OwnerProvider(provider) {}
  // Frees the items whose windows are gone, then all the others at once (their windows go with the
  // form: the adapters keep the windows' procedures unless the skin is being removed).
  ~TskCtrlAdapter() override;

  // The walk's filter: no for Tag -98, a windowed control without window or one that is skinned by
  // itself; a label as OnSkinItem decides; a form (section "FORM") as OnSkinItem decides; another
  // control when a class list names its class.
  virtual bool IsAdaptable(TControl* control);
  // Nil outside 0..ItemCount-1.
  virtual TskAdapterItem* GetItem(int index) const;
  // A control inserted at run time: AddItem without a section.
  virtual void AddNewControl(TWinControl* control) { AddItem(control, AnsiString()); }
  // Adds the item of a windowed control, or rebuilds the window adapter of its item when the old one's
  // window is gone; a form gets a provider instead. OnSkinItem may veto it or give a section.
  virtual void AddItem(TWinControl* control, const AnsiString& section);
  // Frees the item at the index and moves the last item into its place (order is not kept); nothing
  // outside 0..ItemCount-1.
  virtual void DeleteItem(int index);
  // The message to the window of every item whose window adapter lives and whose control has a parent.
  virtual void BroadcastMessage(const TMessage& message);

  // Adapts root's components and controls and those of its windowed children (root nil: the form).
  // Nothing while a walk runs (an adapter's creation can lead back here) or without srThirdParty in
  // the manager's skinning rules.
  void AdaptControls(TWinControl* root = nullptr);
  // Frees every item that has no window adapter or whose adapter's window is gone (order kept).
  void RemoveDeadItems();
  // Frees every item, last first.
  void FreeAllItems();
  int ItemCount() const { return static_cast<int>(items_.size()); }

  TsSkinProvider* OwnerProvider;  // not owned

 private:
  TsSkinManager* Manager() const;
  // OnSkinItem of the provider, when assigned.
  void AskProvider(TComponent* item, bool& canBeAdded, AnsiString& section);
  void Walk(TWinControl* target);
  void AdaptEmbeddedForm(TWinControl* form, const AnsiString& section);
  // The label takes the skin's font colour and paints no background.
  static void TakeSkinLabelColor(TControl* label);

  std::vector<std::unique_ptr<TskAdapterItem>> items_;
};

// The window adapter of an item reports that its window is gone (detached, destroyed or being freed).
bool WndAdapterDead(const TskMainWnd* adapter);
