#include "vcl/gui/WindowStrings.h"

#include "vcl/rtl/TextConv.h"

const TItemMessages ListBoxItemMessages = {LB_GETCOUNT,     LB_GETTEXTLEN,   LB_GETTEXT,   LB_INSERTSTRING,
                                           LB_DELETESTRING, LB_RESETCONTENT, LB_GETCURSEL, LB_SETCURSEL};
const TItemMessages ComboBoxItemMessages = {CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_INSERTSTRING,
                                            CB_DELETESTRING, CB_RESETCONTENT, CB_GETCURSEL, CB_SETCURSEL};

// LB_ERR and CB_ERR are both -1, LB_ERRSPACE and CB_ERRSPACE both -2.
static_assert(LB_ERR == CB_ERR && LB_ERRSPACE == CB_ERRSPACE);

int TWindowStrings::Count() const {
  if (!HasWindow()) return static_cast<int>(saved_.size());
  const LRESULT count = SendMessageW(Window(), messages_.GetCount, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

void TWindowStrings::Check(int index, int count) const {
  if (index < 0 || index >= count) Error("List index out of bounds (%d)", index);
}

AnsiString TWindowStrings::Get(int index) const {
  Check(index, Count());
  if (!HasWindow()) return saved_[static_cast<size_t>(index)];
  const LRESULT length = SendMessageW(Window(), messages_.GetTextLen, static_cast<WPARAM>(index), 0);
  if (length <= 0) return AnsiString();
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const LRESULT got =
      SendMessageW(Window(), messages_.GetText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return Utf16ToCp1250(text);
}

void TWindowStrings::Put(int index, const AnsiString& s) {
  Check(index, Count());
  const Integer selected = ItemIndex();
  Delete(index);
  Insert(index, s);
  if (selected == index) SetItemIndex(index);
}

void TWindowStrings::Insert(int index, const AnsiString& s) {
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  if (!HasWindow()) {
    saved_.insert(saved_.begin() + index, s);
    if (savedIndex_ >= index) ++savedIndex_;
    return;
  }
  const WideString text = Cp1250ToUtf16(s);
  const LRESULT at =
      SendMessageW(Window(), messages_.InsertString, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (at == LB_ERR || at == LB_ERRSPACE) Error("Insufficient memory for list item (%d)", index);
}

void TWindowStrings::Delete(int index) {
  Check(index, Count());
  if (!HasWindow()) {
    saved_.erase(saved_.begin() + index);
    if (savedIndex_ == index) {
      savedIndex_ = -1;
    } else if (savedIndex_ > index) {
      --savedIndex_;
    }
    return;
  }
  SendMessageW(Window(), messages_.DeleteString, static_cast<WPARAM>(index), 0);
}

void TWindowStrings::Clear() {
  if (!HasWindow()) {
    saved_.clear();
    savedIndex_ = -1;
    return;
  }
  SendMessageW(Window(), messages_.ResetContent, 0, 0);
}

void TWindowStrings::SetUpdateState(bool updating) {
  if (!HasWindow()) return;
  SendMessageW(Window(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
  if (!updating) InvalidateRect(Window(), nullptr, TRUE);
}

Integer TWindowStrings::ItemIndex() const {
  if (!HasWindow()) return savedIndex_;
  const LRESULT index = SendMessageW(Window(), messages_.GetCurSel, 0, 0);
  return index == LB_ERR ? -1 : static_cast<Integer>(index);
}

void TWindowStrings::SetItemIndex(Integer value) {
  if (value < 0 || value >= Count()) value = -1;
  if (!HasWindow()) {
    savedIndex_ = value;
    return;
  }
  SendMessageW(Window(), messages_.SetCurSel, static_cast<WPARAM>(value), 0);
}

void TWindowStrings::TakeFromWindow() {
  std::vector<AnsiString> items;
  const int count = Count();
  items.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) items.push_back(Get(i));
  savedIndex_ = ItemIndex();
  saved_ = std::move(items);
}

void TWindowStrings::GiveToWindow() {
  std::vector<AnsiString> items = std::move(saved_);
  saved_.clear();
  const Integer index = savedIndex_;
  savedIndex_ = -1;
  for (const AnsiString& s : items) Add(s);
  SetItemIndex(index);
}
