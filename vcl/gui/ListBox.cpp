#include "vcl/gui/ListBox.h"

#include "vcl/rtl/TextConv.h"

// The items of a list box: the window's strings while it has one, the control's saved copy otherwise.
class TListBoxStrings : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox& box) : box_(box) {}

  int Count() const override {
    if (!box_.HandleAllocated()) return static_cast<int>(box_.saved_.size());
    const LRESULT count = SendMessageW(Window(), LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
  }
  AnsiString Get(int index) const override {
    Check(index, Count());
    if (!box_.HandleAllocated()) return box_.saved_[static_cast<size_t>(index)];
    const LRESULT length = SendMessageW(Window(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length <= 0) return AnsiString();
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT got = SendMessageW(Window(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return Utf16ToCp1250(text);
  }
  void Put(int index, const AnsiString& s) override {
    Check(index, Count());
    const Integer selected = box_.ItemIndex();
    Delete(index);
    Insert(index, s);
    if (selected == index) box_.SetItemIndex(index);
  }
  void Insert(int index, const AnsiString& s) override {
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    if (!box_.HandleAllocated()) {
      box_.saved_.insert(box_.saved_.begin() + index, s);
      if (box_.savedIndex_ >= index) ++box_.savedIndex_;
      return;
    }
    const WideString text = Cp1250ToUtf16(s);
    const LRESULT at = SendMessageW(Window(), LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
    if (at == LB_ERR || at == LB_ERRSPACE) Error("Insufficient memory for list box item (%d)", index);
  }
  void Delete(int index) override {
    Check(index, Count());
    if (!box_.HandleAllocated()) {
      box_.saved_.erase(box_.saved_.begin() + index);
      if (box_.savedIndex_ == index) box_.savedIndex_ = -1;
      else if (box_.savedIndex_ > index) --box_.savedIndex_;
      return;
    }
    SendMessageW(Window(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }
  void Clear() override {
    if (!box_.HandleAllocated()) {
      box_.saved_.clear();
      box_.savedIndex_ = -1;
      return;
    }
    SendMessageW(Window(), LB_RESETCONTENT, 0, 0);
  }

 protected:
  void SetUpdateState(bool updating) override {
    if (box_.HandleAllocated()) SendMessageW(Window(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating && box_.HandleAllocated()) InvalidateRect(Window(), nullptr, TRUE);
  }

 private:
  HWND Window() const { return box_.Handle(); }
  void Check(int index, int count) const {
    if (index < 0 || index >= count) Error("List index out of bounds (%d)", index);
  }
  TCustomListBox& box_;
};

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListBoxStrings>(*this)) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  StoreBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"LISTBOX");
  params.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL;
  if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::AfterCreateWnd() {
  std::vector<AnsiString> items = std::move(saved_);
  saved_.clear();
  const Integer index = savedIndex_;
  savedIndex_ = -1;
  for (const AnsiString& s : items) items_->Add(s);
  SetItemIndex(index);
}

void TCustomListBox::DestroyWnd() {
  std::vector<AnsiString> items;
  const int count = items_->Count();
  items.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) items.push_back(items_->Get(i));
  const Integer index = ItemIndex();
  TWinControl::DestroyWnd();
  saved_ = std::move(items);
  savedIndex_ = index;
}

Integer TCustomListBox::ItemIndex() const {
  if (!HandleAllocated()) return savedIndex_;
  const LRESULT index = SendMessageW(const_cast<TCustomListBox*>(this)->Handle(), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<Integer>(index);
}

void TCustomListBox::SetItemIndex(Integer value) {
  const int count = items_->Count();
  if (value < 0 || value >= count) value = -1;
  if (!HandleAllocated()) {
    savedIndex_ = value;
    return;
  }
  SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}
