// TCustomControl: a windowed control that paints itself: Paint draws on Canvas during WM_PAINT.
#pragma once
#include <memory>
#include "vcl/gui/WinControl.h"

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas& Canvas() { return *canvas_; }
  void WndProc(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};
