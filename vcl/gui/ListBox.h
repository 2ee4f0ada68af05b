// TListBox: a list of strings over the system LISTBOX class (window class "TListBox", or the class
// name of a descendant), one selected item at most. Items is a TStrings view kept in step with the
// window: while the window exists the strings live in it, otherwise (before it is made, and while it
// is made again) in the control. ItemIndex is the selected item, -1 for none. Text is Windows-1250 on
// this side and UTF-16 in the window.
#pragma once
#include <memory>
#include "vcl/gui/WindowStrings.h"

class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  TStrings& Items() const { return *items_; }
  void SetItems(const TStrings& value) { items_->Assign(&value); }
  // The selected item; -1 for none. A value outside the items selects nothing.
  Integer ItemIndex() const { return items_->ItemIndex(); }
  void SetItemIndex(Integer value) { items_->SetItemIndex(value); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  void Clear() { items_->Clear(); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  void AfterCreateWnd() override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
  std::unique_ptr<TWindowStrings> items_;
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};
