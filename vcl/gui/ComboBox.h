// TComboBox: a combo box over the system COMBOBOX class (window class "TComboBox", or the class name
// of a descendant). Style says what kind: a text box with a drop-down list (csDropDown), a text box
// over an always visible list (csSimple), or a drop-down list only (csDropDownList); changing it makes
// the window again. Items is the list, kept in step with the window as a list box's (WindowStrings.h).
#pragma once
#include <memory>
#include "vcl/gui/WindowStrings.h"

enum TComboBoxStyle { csDropDown = 0, csSimple = 1, csDropDownList = 2 };

class TCustomComboBox : public TWinControl {
 public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  TStrings& Items() const { return *items_; }
  void SetItems(const TStrings& value) { items_->Assign(&value); }
  Integer ItemIndex() const { return items_->ItemIndex(); }
  void SetItemIndex(Integer value) { items_->SetItemIndex(value); }
  // The height of the open list, in items.
  Integer DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(Integer value) { dropDownCount_ = value; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  void AfterCreateWnd() override;

 private:
  TComboBoxStyle style_ = csDropDown;
  Integer dropDownCount_ = 8;
  std::unique_ptr<TWindowStrings> items_;
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};
