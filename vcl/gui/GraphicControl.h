// TGraphicControl: a control without a window of its own. Its parent paints it (Paint draws on
// Canvas, a canvas over the parent's DC moved to the control's corner and clipped to its bounds) and
// passes it the mouse messages for its area.
#pragma once
#include <memory>
#include "vcl/gui/WinControl.h"

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas& Canvas() { return *canvas_; }
  void WndProc(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};
