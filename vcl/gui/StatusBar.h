// TStatusBar over the system status bar (window class "TStatusBar", a superclass of
// "msctls_statusbar32"), at the bottom of its parent by default. The diary shows one simple panel:
// SimplePanel on, the text in SimpleText. The layer places it (the window does not move itself to the
// parent's bottom edge); a size grip shows when its parent is a sizeable form.
#pragma once
#include "vcl/gui/WinControl.h"

class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TComponent* owner);

  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool value);
  const AnsiString& SimpleText() const { return simpleText_; }
  void SetSimpleText(const AnsiString& value);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;

 private:
  void ApplyText();

  bool simplePanel_ = false;
  AnsiString simpleText_;
  bool sizeGrip_ = true;
};
