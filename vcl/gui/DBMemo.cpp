#include "vcl/gui/DBMemo.h"

#include "vcl/gui/DataAware.h"
#include "vcl/db/Fields.h"

namespace {

// The window breaks lines only at CR LF: a lone CR or LF stored in the field becomes CR LF.
AnsiString WindowLineBreaks(const AnsiString& text) {
  AnsiString out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

TDBMemo::TDBMemo(TComponent* owner) : TCustomMemo(owner), link_(std::make_unique<TFieldDataLink>()) {
  link_->SetControl(this);
  link_->OnDataChange = [this](TObject* sender) { DataChange(sender); };
  link_->OnEditingChange = [this](TObject* sender) { EditingChange(sender); };
  link_->OnUpdateData = [this](TObject* sender) { UpdateData(sender); };
  link_->OnFocusRequest = [this](TFieldDataLink*) {
    if (!CanFocus()) return false;
    SetFocus();
    return true;
  };
  // Nothing to edit yet.
  TCustomEdit::SetReadOnly(true);
}

void TDBMemo::BeforeDestruction() {
  // The link goes without telling this memo: there is nothing to show or write any more.
  link_->OnDataChange = nullptr;
  link_->OnEditingChange = nullptr;
  link_->OnUpdateData = nullptr;
  link_->OnFocusRequest = nullptr;
  try {
    link_->SetDataSource(nullptr);
  } catch (...) {
  }
  TCustomMemo::BeforeDestruction();
}

TDBMemo::~TDBMemo() { link_.reset(); }

void TDBMemo::SetDataSource(TDataSource* value) { SetLinkDataSource(*this, *link_, value); }

void TDBMemo::Notification(TComponent* component, TOperation operation) {
  TCustomMemo::Notification(component, operation);
  ForgetRemovedDataSource(link_.get(), component, operation);
}

void TDBMemo::SetDataField(const AnsiString& value) { link_->SetFieldName(value); }

void TDBMemo::SetReadOnly(bool value) {
  link_->SetReadOnly(value);
  EditingChange(nullptr);
}

// ---- the field link ----

void TDBMemo::LoadText() {
  AnsiString text;
  if (TField* field = link_->Field()) {
    if (field->IsBlob()) {
      text = field->AsString();
    } else {
      text = Focused() && link_->CanModify() ? field->Text() : field->DisplayText();
    }
  }
  text = WindowLineBreaks(text);
  // Setting the same text again would move the caret to the start: entering edit state (which
  // reloads the record) while the user types must leave the caret where the user is typing.
  if (text == Text()) return;
  loading_ = true;
  try {
    SetText(text);
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
}

void TDBMemo::DataChange(TObject* /*sender*/) {
  if (ComponentState().Contains(csDestroying)) return;
  LoadText();
}

void TDBMemo::EditingChange(TObject* /*sender*/) {
  if (ComponentState().Contains(csDestroying)) return;
  TCustomEdit::SetReadOnly(!link_->Editing());
}

void TDBMemo::UpdateData(TObject* /*sender*/) {
  TField* field = link_->Field();
  // Outside edit state the field cannot take the text (text set by code while browsing stays unsaved).
  if (field == nullptr || !link_->Editing()) return;
  if (field->IsBlob()) {
    field->SetAsString(Text());
  } else {
    field->SetText(Text());
  }
}

// ---- the user's changes ----

bool TDBMemo::BeginUserChange() { return !link_->ReadOnly() && link_->Edit(); }

void TDBMemo::Change() {
  if (!loading_) link_->Modified();
  TCustomMemo::Change();
}

void TDBMemo::KeyPress(char& key) {
  TCustomMemo::KeyPress(key);
  if (key == 27) {
    // Esc that no one else took: back to the field's value.
    link_->Reset();
    key = 0;
  }
}

void TDBMemo::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      TCustomMemo::WndProc(m);
      // The window is read-only whenever the link is not editing, yet a memo that may be edited still
      // wants Return and Tab: they start the edit.
      if (!ReadOnly()) {
        if (WantReturns()) m.Result |= DLGC_WANTALLKEYS;
        if (WantTabs()) m.Result |= DLGC_WANTTAB;
      }
      return;
    case CM_EXIT:
      // Leaving the memo hands the text to the field (the record stays in edit state).
      link_->UpdateRecord();
      break;
    case CM_GETDATALINK:
      m.Result = reinterpret_cast<LRESULT>(link_.get());
      return;
    default:
      break;
  }
  TCustomMemo::WndProc(m);
}
