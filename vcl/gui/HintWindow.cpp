#include "vcl/gui/HintWindow.h"

#include "vcl/gui/Application.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/TextConv.h"

namespace {
constexpr UINT kTextFlags = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
}

AnsiString GetShortHint(const AnsiString& hint) {
  const std::size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString& hint) {
  const std::size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(bar + 1);
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  InitVisible(false);
  InitParentFont(false);
  SetColor(clInfoBk);
  if (Screen != nullptr) SetFont(Screen->HintFont());
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WndParent = Application != nullptr ? Application->Handle() : nullptr;
  params.WindowClass.style |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(Integer maxWidth, const AnsiString& hint) {
  const WideString text = Cp1250ToUtf16(hint);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &r,
            kTextFlags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return Rect(0, 0, r.right + 6, r.bottom + 2);
}

void THintWindow::ActivateHint(const TRect& rect, const AnsiString& hint) {
  SetText(hint);
  HWND window = Handle();
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  SetWindowPos(window, HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
  Update();
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) DestroyHandle();
}

bool THintWindow::IsHintShowing() const {
  return HandleAllocated() && IsWindowVisible(const_cast<THintWindow*>(this)->Handle());
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 1;
  Canvas().Font().SetColor(Screen != nullptr ? Screen->HintFont().Color() : clInfoText);
  Canvas().Brush().SetStyle(bsClear);
  const WideString text = Cp1250ToUtf16(Text());
  RECT rc = ToRECT(r);
  HDC dc = Canvas().Handle();
  const int saved = SaveDC(dc);
  SelectObject(dc, Canvas().Font().Handle());
  SetTextColor(dc, ColorToRGB(Canvas().Font().Color()));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &rc, kTextFlags);
  RestoreDC(dc, saved);
}

void THintWindow::WndProc(TMessage& message) {
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::WndProc(message);
}
