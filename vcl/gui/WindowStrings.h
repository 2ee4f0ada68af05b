// The strings of a list-like system window (a list box's items, a combo box's list) as a TStrings, and
// the selected one: while the control has its window they live in the window, otherwise (before it is
// made, and while it is made again) in this object. Text is Windows-1250 here and UTF-16 in the window.
#pragma once
#include <vector>
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/Strings.h"

// The window's messages for its strings (LB_ or CB_ ones).
struct TItemMessages {
  UINT GetCount, GetTextLen, GetText, InsertString, DeleteString, ResetContent, GetCurSel, SetCurSel;
};
extern const TItemMessages ListBoxItemMessages;
extern const TItemMessages ComboBoxItemMessages;

class TWindowStrings : public TStrings {
 public:
  TWindowStrings(TWinControl& control, const TItemMessages& messages) : control_(control), messages_(messages) {}

  int Count() const override;
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString& s) override;
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;

  // The selected string; -1 for none. A value outside the strings selects nothing.
  Integer ItemIndex() const;
  void SetItemIndex(Integer value);
  // Around a new window: the strings and the selection move out of the old one (before it goes) and
  // into the new one (once it is made).
  void TakeFromWindow();
  void GiveToWindow();

 protected:
  void SetUpdateState(bool updating) override;

 private:
  bool HasWindow() const { return control_.HandleAllocated(); }
  HWND Window() const { return control_.Handle(); }
  void Check(int index, int count) const;

  TWinControl& control_;
  const TItemMessages& messages_;
  std::vector<AnsiString> saved_;
  Integer savedIndex_ = -1;
};
