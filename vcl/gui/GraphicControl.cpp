#include "vcl/gui/GraphicControl.h"

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>(*this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg != WM_PAINT) {
    TControl::WndProc(message);
    return;
  }
  canvas_->FreeHandle();
  canvas_->Lock();
  canvas_->SetHandle(reinterpret_cast<HDC>(message.WParam));
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
