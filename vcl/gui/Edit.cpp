#include "vcl/gui/Edit.h"

#include "vcl/rtl/TextConv.h"

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"EDIT");
  params.Style |= ES_AUTOHSCROLL | ES_LEFT;
  if (readOnly_) params.Style |= ES_READONLY;
  if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::AfterCreateWnd() {
  if (maxLength_ > 0) SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TEdit::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TEdit::SetMaxLength(Integer value) {
  if (value == maxLength_) return;
  maxLength_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(value > 0 ? value : 0), 0);
}

Integer TEdit::SelStart() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(start);
}

Integer TEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(end - start);
}

void TEdit::SetSelStart(Integer value) { SendMessageW(Handle(), EM_SETSEL, value, value); }

void TEdit::SetSelLength(Integer value) {
  const Integer start = SelStart();
  SendMessageW(Handle(), EM_SETSEL, start, start + value);
}

AnsiString TEdit::SelText() {
  const Integer start = SelStart();
  const Integer length = SelLength();
  const WideString all = Cp1250ToUtf16(Text());
  if (start < 0 || static_cast<std::size_t>(start) > all.size()) return AnsiString();
  return Utf16ToCp1250(all.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
}

void TEdit::SetSelText(const AnsiString& value) {
  const WideString w = Cp1250ToUtf16(value);
  SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

void TEdit::SelectAll() {
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE) Change();
    return;
  }
  TWinControl::WndProc(m);
}
