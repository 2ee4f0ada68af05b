#include "vcl/gui/StatusBar.h"

#include <algorithm>

#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(*this)) {
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
  ApplyPanels();
}

TStatusPanel& TStatusBar::Panels(int index) {
  if (index < 0 || index >= PanelCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return panels_[static_cast<size_t>(index)];
}

TStatusPanel& TStatusBar::AddPanel() { return panels_.emplace_back(); }

void TStatusBar::ApplyPanels() {
  if (!HandleAllocated() || panels_.empty()) return;
  std::vector<int> edges;
  int right = 0;
  for (const TStatusPanel& panel : panels_) edges.push_back(right += panel.Width);
  edges.back() = -1;
  SendMessageW(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (size_t i = 0; i < panels_.size(); ++i) {
    const WideString text = Cp1250ToUtf16(panels_[i].Text);
    const bool ownerDraw = panels_[i].Style == psOwnerDraw;
    SendMessageW(Handle(), SB_SETTEXTW, i | (ownerDraw ? SBT_OWNERDRAW : 0),
                 ownerDraw ? 0 : reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void TStatusBar::DrawPanel(DRAWITEMSTRUCT& item) {
  const int index = static_cast<int>(item.itemID);
  if (!OnDrawPanel || index < 0 || index >= PanelCount()) return;
  canvas_->SetHandle(item.hDC);
  try {
    OnDrawPanel(this, &panels_[static_cast<size_t>(index)],
                TRect{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom});
  } catch (...) {
    canvas_->SetHandle(nullptr);
    throw;
  }
  canvas_->SetHandle(nullptr);
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

void TStatusBar::SetBorderWidth(Integer value) {
  value = std::max<Integer>(value, 0);
  if (value == borderWidth_) return;
  borderWidth_ = value;
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TStatusBar::WndProc(TMessage& m) {
  if (m.Msg == WM_NCCALCSIZE && borderWidth_ > 0) {
    DefaultHandler(m);
    auto* r = reinterpret_cast<RECT*>(m.LParam);  // the first rectangle of NCCALCSIZE_PARAMS too
    InflateRect(r, -borderWidth_, -borderWidth_);
    return;
  }
  if (m.Msg == WM_NCPAINT && borderWidth_ > 0) {
    DefaultHandler(m);
    RECT window{}, client{};
    GetWindowRect(Handle(), &window);
    GetClientRect(Handle(), &client);
    const HDC dc = GetWindowDC(Handle());
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, borderWidth_, borderWidth_, borderWidth_ + client.right, borderWidth_ + client.bottom);
    const HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
    const RECT all{0, 0, window.right - window.left, window.bottom - window.top};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    RestoreDC(dc, saved);
    ReleaseDC(Handle(), dc);
    return;
  }
  if (m.Msg == CN_DRAWITEM) {
    DrawPanel(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam));
    m.Result = TRUE;
    return;
  }
  // The window paints its own background and parts.
  if (m.Msg == WM_ERASEBKGND || m.Msg == WM_PAINT) {
    DefaultHandler(m);
    return;
  }
  TWinControl::WndProc(m);
}
