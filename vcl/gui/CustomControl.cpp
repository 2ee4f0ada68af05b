#include "vcl/gui/CustomControl.h"

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(*this)) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
  TCanvasPaintScope scope(*canvas_, dc);
  Paint();
}

void TCustomControl::WndProc(TMessage& message) {
  if (message.Msg != WM_PAINT && message.Msg != WM_PRINTCLIENT) {
    TWinControl::WndProc(message);
    return;
  }
  // Painting goes through PaintWindow (and Paint) rather than the default window procedure.
  TControlStateScope customPaint(*this, csCustomPaint);
  TWinControl::WndProc(message);
}
