#include "vcl/gui/Edit.h"

#include "vcl/rtl/TextConv.h"

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"EDIT");
  params.Style |= ES_AUTOHSCROLL | ES_LEFT;
  if (readOnly_) params.Style |= ES_READONLY;
  if (!hideSelection_) params.Style |= ES_NOHIDESEL;
  if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  creating_ = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
}

void TCustomEdit::AfterCreateWnd() {
  // Always set: without it the system stops the user at about 32000 characters, and a limit of 0
  // lifts that cap.
  SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_ > 0 ? maxLength_ : 0), 0);
  SendMessageW(Handle(), EM_SETMODIFY, modified_ ? TRUE : FALSE, 0);
}

void TCustomEdit::DestroyWnd() {
  modified_ = SendMessageW(Handle(), EM_GETMODIFY, 0, 0) != 0;
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(Integer value) {
  if (value < 0) value = 0;
  if (value == maxLength_) return;
  maxLength_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

void TCustomEdit::SetHideSelection(bool value) {
  if (value == hideSelection_) return;
  hideSelection_ = value;
  RecreateWnd();
}

bool TCustomEdit::Modified() {
  if (!HandleAllocated()) return modified_;
  return SendMessageW(Handle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
  modified_ = value;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETMODIFY, value ? TRUE : FALSE, 0);
}

Integer TCustomEdit::SelStart() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(start);
}

Integer TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(end - start);
}

void TCustomEdit::SetSelStart(Integer value) { SendMessageW(Handle(), EM_SETSEL, value, value); }

void TCustomEdit::SetSelLength(Integer value) {
  const Integer start = SelStart();
  SendMessageW(Handle(), EM_SETSEL, start, start + value);
}

AnsiString TCustomEdit::SelText() {
  const Integer start = SelStart();
  const Integer length = SelLength();
  const AnsiString all = Text();
  if (start < 0 || static_cast<std::size_t>(start) > all.size() || length <= 0) return AnsiString();
  return all.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

void TCustomEdit::SetSelText(const AnsiString& value) {
  const WideString w = Cp1250ToUtf16(value);
  SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() { SendMessageW(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessageW(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessageW(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageW(Handle(), WM_PASTE, 0, 0); }
bool TCustomEdit::CanUndo() { return HandleAllocated() && SendMessageW(Handle(), EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::Undo() { SendMessageW(Handle(), WM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() {
  if (HandleAllocated()) SendMessageW(Handle(), EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

bool TCustomEdit::BeginUserChange() { return !readOnly_; }

bool TCustomEdit::IsModifyingKey(Word key, TShiftState shift) const {
  // Delete (Shift+Delete cuts); Shift+Insert pastes. Backspace arrives as a character.
  return key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift) && !shift.Contains(ssCtrl));
}

bool TCustomEdit::IsModifyingChar(char key) const {
  const auto c = static_cast<unsigned char>(key);
  switch (c) {
    case 0x08:  // Backspace
    case 0x16:  // Ctrl+V
    case 0x18:  // Ctrl+X
    case 0x1A:  // Ctrl+Z
    case 0x7F:  // Ctrl+Backspace
      return true;
    default:
      return c >= 0x20;
  }
}

void TCustomEdit::KeyDown(Word& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key != 0 && IsModifyingKey(key, shift) && !BeginUserChange()) key = 0;
}

void TCustomEdit::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (key != 0 && IsModifyingChar(key) && !BeginUserChange()) key = 0;
}

bool TCustomEdit::UserCommand(TMessage& m) {
  if (BeginUserChange()) return false;
  if (m.Msg == WM_CUT) {
    // A refused cut leaves the text alone but still copies, as the read-only window itself does.
    TMessage copy{WM_COPY, 0, 0, 0};
    DefaultHandler(copy);
  }
  m.Result = 0;
  return true;
}

void TCustomEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE && !creating_) Change();
      return;
    case CM_TEXTCHANGED:
      TWinControl::WndProc(m);
      // Text set by code: a multi-line window does not report it (nor does a window not made yet).
      if (!ComponentState().Contains(csLoading) &&
          (!HandleAllocated() || (GetWindowLongPtrW(Handle(), GWL_STYLE) & ES_MULTILINE) != 0))
        Change();
      return;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (UserCommand(m)) return;
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
