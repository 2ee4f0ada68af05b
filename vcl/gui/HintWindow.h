// THintWindow: the small top-level window that shows a control's hint near the mouse. It never takes
// the focus and lets mouse clicks through to the window below.
#pragma once
#include "vcl/gui/CustomControl.h"

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* owner);

  // Shows hint in rect (screen coordinates), above other windows, without activating it.
  virtual void ActivateHint(const TRect& rect, const AnsiString& hint);
  // The size the hint needs at most maxWidth pixels wide (the rectangle starts at 0, 0).
  virtual TRect CalcHintRect(Integer maxWidth, const AnsiString& hint);
  // Hides the window and frees it (a later hint makes a new one).
  void ReleaseHandle();
  bool IsHintShowing() const;

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

// The part of a hint before "|" (the tooltip), and the part after it (the status-line text); a hint
// without "|" is both.
AnsiString GetShortHint(const AnsiString& hint);
AnsiString GetLongHint(const AnsiString& hint);
