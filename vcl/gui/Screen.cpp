#include "vcl/gui/Screen.h"

#include <algorithm>

#include "vcl/gui/Form.h"
#include "vcl/rtl/Format.h"

TScreen::TScreen(TComponent* owner)
    : TComponent(owner), hintFont_(std::make_unique<TFont>()), menuFont_(std::make_unique<TFont>()) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    HFONT status = CreateFontIndirectW(&metrics.lfStatusFont);
    HFONT menu = CreateFontIndirectW(&metrics.lfMenuFont);
    if (status != nullptr) {
      hintFont_->SetHandle(status);
      DeleteObject(status);
    }
    if (menu != nullptr) {
      menuFont_->SetHandle(menu);
      DeleteObject(menu);
    }
  }
  hintFont_->SetColor(clInfoText);
  menuFont_->SetColor(clMenuText);
}

TScreen::~TScreen() = default;

HCURSOR TScreen::Cursors(TCursor value) const {
  const wchar_t* id = IDC_ARROW;
  switch (value) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: id = IDC_WAIT; break;
    case crNo:
    case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorW(nullptr, id);
}

void TScreen::SetCursor(TCursor value) {
  if (value == cursor_) return;
  cursor_ = value;
  if (value == crDefault) {
    // The window under the mouse chooses again.
    POINT p{};
    GetCursorPos(&p);
    if (HWND window = WindowFromPoint(p))
      SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                   MAKELPARAM(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), WM_MOUSEMOVE));
  } else {
    ::SetCursor(Cursors(value));
  }
}

TCustomForm* TScreen::CustomForms(int index) const {
  if (index < 0 || index >= CustomFormCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return customForms_[static_cast<std::size_t>(index)];
}

int TScreen::FormCount() const {
  return static_cast<int>(std::count_if(customForms_.begin(), customForms_.end(),
                                        [](TCustomForm* f) { return dynamic_cast<TForm*>(f) != nullptr; }));
}

TForm* TScreen::Forms(int index) const {
  int i = 0;
  for (TCustomForm* f : customForms_) {
    if (auto* form = dynamic_cast<TForm*>(f)) {
      if (i == index) return form;
      ++i;
    }
  }
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

TForm* TScreen::ActiveForm() const { return dynamic_cast<TForm*>(activeCustomForm_); }

Integer TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
Integer TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return Rect(0, 0, Width(), Height());
  return FromRECT(r);
}

Integer TScreen::PixelsPerInch() const { return TFont::PixelsPerInch(); }

void TScreen::AddForm(TCustomForm* form) {
  if (std::find(customForms_.begin(), customForms_.end(), form) == customForms_.end()) customForms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(customForms_, form);
  if (activeCustomForm_ == form) {
    activeCustomForm_ = nullptr;
    activeControl_ = nullptr;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
}

void TScreen::SetActive(TCustomForm* form, TWinControl* control) {
  const bool formChanged = form != activeCustomForm_;
  const bool controlChanged = control != activeControl_;
  if (formChanged) {
    activeCustomForm_ = form;
    // The active form moves to the front of the list.
    auto it = std::find(customForms_.begin(), customForms_.end(), form);
    if (it != customForms_.end()) std::rotate(customForms_.begin(), it, it + 1);
  }
  activeControl_ = control;
  if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
  if (controlChanged && OnActiveControlChange) OnActiveControlChange(this);
}
