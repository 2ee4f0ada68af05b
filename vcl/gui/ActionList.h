// Actions and action lists: an action has a caption, a hint, a shortcut, an image of its list's image
// list, enabled/visible/checked states, an OnUpdate handler that brings those up to date and an
// OnExecute handler; an action list offers its actions' shortcuts to the form's key pre-dispatch
// (TCustomForm::IsShortCut). Actions are components of the form; an action list
// refers to them (it does not own them) and forgets an action that is freed.
#pragma once
#include <vector>
#include "vcl/gui/ShortCuts.h"
#include "vcl/rtl/Component.h"

class TCustomActionList;
class TCustomImageList;

class TBasicAction : public TComponent {
 public:
  using TComponent::TComponent;
  // Runs OnExecute; true when there was a handler.
  virtual bool Execute();
  // Runs OnUpdate (which may enable or disable the action); true when there was a handler.
  virtual bool Update();
  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;
};

class TContainedAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  ~TContainedAction() override;
  void BeforeDestruction() override;

  TCustomActionList* ActionList() const { return actionList_; }
  void SetActionList(TCustomActionList* value);
  int Index() const;  // within the action list; -1 outside one
  const AnsiString& Category() const { return category_; }
  void SetCategory(const AnsiString& value) { category_ = value; }

  // In a definition an action sits inside its action list.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* actionList_ = nullptr;
  AnsiString category_;
};

class TCustomAction : public TContainedAction {
 public:
  using TContainedAction::TContainedAction;

  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& value) { caption_ = value; }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& value) { hint_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool Checked() const { return checked_; }
  void SetChecked(bool value) { checked_ = value; }
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer value) { imageIndex_ = value; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value) { shortCut_ = value; }

  // Updates the action first (OnUpdate); a disabled action does not run.
  bool Execute() override;

 private:
  AnsiString caption_;
  AnsiString hint_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  Integer imageIndex_ = -1;
  TShortCut shortCut_ = scNone;
};

class TAction : public TCustomAction {
 public:
  using TCustomAction::TCustomAction;
};

class TCustomActionList : public TComponent {
 public:
  using TComponent::TComponent;
  ~TCustomActionList() override;
  void BeforeDestruction() override;

  int ActionCount() const { return static_cast<int>(actions_.size()); }
  TContainedAction* Actions(int index) const;  // EListError outside the list
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);

  // Runs the enabled action whose shortcut the key is (AltGr combinations are never shortcuts); true
  // when one ran.
  virtual bool IsShortCut(const TWMKey& message);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TContainedAction;
  void AddAction(TContainedAction* action);
  void RemoveAction(TContainedAction* action);
  void ReleaseActions() noexcept;

  std::vector<TContainedAction*> actions_;
  TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
 public:
  using TCustomActionList::TCustomActionList;
};
