#include "vcl/gui/StatusBar.h"

#include "vcl/gui/Form.h"
#include "vcl/rtl/TextConv.h"

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks});
  StoreBounds(0, 0, 150, 19);
  SetAlign(alBottom);
  SetColor(clBtnFace);
}

void TStatusBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, STATUSCLASSNAMEW);
  params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
  const auto* form = dynamic_cast<const TCustomForm*>(Parent());
  if (sizeGrip_ && form != nullptr && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin))
    params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::AfterCreateWnd() {
  SendMessageW(Handle(), SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
  ApplyText();
}

void TStatusBar::ApplyText() {
  if (!HandleAllocated()) return;
  const WideString text = Cp1250ToUtf16(simpleText_);
  SendMessageW(Handle(), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::SetSimplePanel(bool value) {
  if (value == simplePanel_) return;
  simplePanel_ = value;
  if (HandleAllocated()) {
    SendMessageW(Handle(), SB_SIMPLE, value ? TRUE : FALSE, 0);
    ApplyText();
  }
}

void TStatusBar::SetSimpleText(const AnsiString& value) {
  if (value == simpleText_) return;
  simpleText_ = value;
  ApplyText();
}

void TStatusBar::SetSizeGrip(bool value) {
  if (value == sizeGrip_) return;
  sizeGrip_ = value;
  RecreateWnd();
}

void TStatusBar::WndProc(TMessage& m) {
  // The window paints its own background and parts.
  if (m.Msg == WM_ERASEBKGND || m.Msg == WM_PAINT) {
    DefaultHandler(m);
    return;
  }
  TWinControl::WndProc(m);
}
