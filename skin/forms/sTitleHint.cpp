#include "skin/forms/sTitleHint.h"

#include "skin/forms/sCommonData.h"
#include "skin/forms/sFormPlacement.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"

namespace {
constexpr DWORD kHintFadeMs = 200;
constexpr Integer kHintExtraHeight = 4;

bool SystemSetting(UINT action) {
  BOOL on = FALSE;
  return SystemParametersInfoW(action, 0, &on, 0) != FALSE && on != FALSE;
}
}  // namespace

bool TitleHintFades(const AnsiString& hint) {
  return hint.size() < kFadingHintLimit && LayeredWindowsAvailable() && SystemSetting(SPI_GETTOOLTIPANIMATION) &&
         SystemSetting(SPI_GETTOOLTIPFADE);
}

TRect TitleHintRect(TPoint cursor, TPoint size, const TRect& workArea) {
  TRect r{cursor.X + kHintCursorOffset.X, cursor.Y + kHintCursorOffset.Y, 0, 0};
  const Integer height = size.Y + kHintExtraHeight;
  if (r.Left + size.X > workArea.Right) r.Left = workArea.Right - size.X;
  if (r.Top + height > workArea.Bottom) r.Top = workArea.Bottom - height;
  r.Right = r.Left + size.X;
  r.Bottom = r.Top + height;
  return r;
}

std::unique_ptr<THintWindow> ShowTitleHint(TCustomForm* form, const AnsiString& hint) {
  if (hint.empty()) return nullptr;
  auto window = std::unique_ptr<THintWindow>(New<THintWindow>(Application));
  window->SetColor(clInfoBk);
  const TRect size = window->CalcHintRect(kHintMaxWidth, hint);
  POINT cursor{};
  GetCursorPos(&cursor);
  const TRect r = TitleHintRect(TPoint{cursor.x, cursor.y}, TPoint{size.Width(), size.Height()}, FormWorkArea(form));
  window->SetText(hint);
  window->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  const HWND handle = window->Handle();
  SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (TitleHintFades(hint)) AnimateWindow(handle, kHintFadeMs, AW_BLEND);
  ShowWindow(handle, SW_SHOWNOACTIVATE);
  InvalidateRect(handle, nullptr, TRUE);
  return window;
}
