// TEdit: a single-line text box over the system EDIT class (window class "TEdit"). Text is
// Windows-1250 on this side and UTF-16 in the window; typing fires OnChange.
#pragma once
#include "vcl/gui/WinControl.h"

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  Integer MaxLength() const { return maxLength_; }
  void SetMaxLength(Integer value);

  // The selection, in characters of the window's text.
  Integer SelStart();
  void SetSelStart(Integer value);
  Integer SelLength();
  void SetSelLength(Integer value);
  AnsiString SelText();
  void SetSelText(const AnsiString& value);
  void SelectAll();
  void Clear() { SetText(AnsiString()); }

  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  virtual void Change();

 private:
  TBorderStyle borderStyle_ = bsSingle;
  bool readOnly_ = false;
  Integer maxLength_ = 0;
};
