#include "vcl/gui/CustomControl.h"

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(*this)) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
  canvas_->FreeHandle();
  canvas_->Lock();
  canvas_->SetHandle(dc);
  try {
    canvas_->Font().Assign(&Font());
    canvas_->Brush().SetColor(Color());
    Paint();
  } catch (...) {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
    throw;
  }
  canvas_->SetHandle(nullptr);
  canvas_->Unlock();
}

void TCustomControl::WndProc(TMessage& message) {
  if (message.Msg != WM_PAINT && message.Msg != WM_PRINTCLIENT) {
    TWinControl::WndProc(message);
    return;
  }
  // Painting goes through PaintWindow (and Paint) rather than the default window procedure.
  TControlState state = ControlState();
  SetControlState(state.Include(csCustomPaint));
  try {
    TWinControl::WndProc(message);
  } catch (...) {
    state = ControlState();
    SetControlState(state.Exclude(csCustomPaint));
    throw;
  }
  state = ControlState();
  SetControlState(state.Exclude(csCustomPaint));
}
