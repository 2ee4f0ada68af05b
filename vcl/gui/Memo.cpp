#include "vcl/gui/Memo.h"

#include "vcl/gui/Form.h"

std::vector<AnsiString> SplitMemoLines(std::string_view text) {
  std::vector<AnsiString> lines;
  std::size_t start = 0;
  std::size_t p = 0;
  while (p < text.size()) {
    const char c = text[p];
    if (c != '\r' && c != '\n') {
      ++p;
      continue;
    }
    lines.emplace_back(text.substr(start, p - start));
    p += (c == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ? 2 : 1;
    start = p;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

AnsiString JoinMemoLines(const std::vector<AnsiString>& lines) {
  AnsiString text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  if (!lines.empty() && lines.back().empty()) text += "\r\n";
  return text;
}

namespace {

// The memo's text seen as lines. Every read and change goes to the memo's text (the window's, once
// it exists); inside BeginUpdate/EndUpdate the lines are collected and the text is set once at the end.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo& memo) : memo_(memo) {}

  int Count() const override { return static_cast<int>(Current().size()); }
  AnsiString Get(int index) const override {
    const std::vector<AnsiString> lines = Current();
    return lines[Checked(index, lines.size())];
  }
  void Put(int index, const AnsiString& s) override {
    Change([&](std::vector<AnsiString>& lines) { lines[Checked(index, lines.size())] = s; });
  }
  void Insert(int index, const AnsiString& s) override {
    Change([&](std::vector<AnsiString>& lines) {
      if (index < 0 || static_cast<std::size_t>(index) > lines.size()) Error("List index out of bounds (%d)", index);
      lines.insert(lines.begin() + index, s);
    });
  }
  void Delete(int index) override {
    Change([&](std::vector<AnsiString>& lines) { lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(Checked(index, lines.size()))); });
  }
  void Clear() override {
    Change([](std::vector<AnsiString>& lines) { lines.clear(); });
  }

 protected:
  AnsiString GetTextStr() const override { return updating_ ? JoinMemoLines(pending_) : memo_.Text(); }
  void SetTextStr(std::string_view text) override {
    std::vector<AnsiString> lines = SplitMemoLines(text);
    Change([&](std::vector<AnsiString>& current) { current = std::move(lines); });
  }
  void SetUpdateState(bool updating) override {
    if (updating) {
      pending_ = SplitMemoLines(memo_.Text());
      updating_ = true;
    } else {
      updating_ = false;
      memo_.SetText(JoinMemoLines(pending_));
      pending_.clear();
    }
  }

 private:
  std::vector<AnsiString> Current() const { return updating_ ? pending_ : SplitMemoLines(memo_.Text()); }
  std::size_t Checked(int index, std::size_t count) const {
    if (index < 0 || static_cast<std::size_t>(index) >= count) Error("List index out of bounds (%d)", index);
    return static_cast<std::size_t>(index);
  }
  template <class F>
  void Change(F change) {
    if (updating_) {
      change(pending_);
      return;
    }
    std::vector<AnsiString> lines = SplitMemoLines(memo_.Text());
    change(lines);
    memo_.SetText(JoinMemoLines(lines));
  }

  TCustomMemo& memo_;
  bool updating_ = false;
  std::vector<AnsiString> pending_;
};

}  // namespace

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(*this)) {
  StoreBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL | ES_LEFT);
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!wordWrap_) params.Style |= ES_AUTOHSCROLL;
  if (wantReturns_) params.Style |= ES_WANTRETURN;
  switch (alignment_) {
    case taRightJustify: params.Style |= ES_RIGHT; break;
    case taCenter: params.Style |= ES_CENTER; break;
    default: params.Style |= ES_LEFT; break;
  }
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  // A wrapped memo has no lines wider than itself: no horizontal bar.
  if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_) params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  RecreateWnd();
}

bool TCustomMemo::IsModifyingChar(char key) const {
  // A line break (Return, Ctrl+Return) or a tab that reaches the window goes into the text.
  return key == '\r' || key == '\n' || key == '\t' || TCustomEdit::IsModifyingChar(key);
}

void TCustomMemo::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      TCustomEdit::WndProc(m);
      if (wantTabs_ && !ReadOnly()) {
        m.Result |= DLGC_WANTTAB;
      } else {
        m.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
      }
      if (!wantReturns_ || ReadOnly()) m.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
      return;
    case CN_KEYDOWN:
      TCustomEdit::WndProc(m);
      // The window does nothing with Esc; the form's Cancel button gets it (as a dialog's
      // multi-line edit passes it on).
      if (m.Result == 0 && m.WParam == VK_ESCAPE && KeyDataToShiftState(m.LParam).Empty()) {
        if (TCustomForm* form = GetParentForm(this); form != nullptr && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0)
          m.Result = 1;
      }
      return;
    default:
      break;
  }
  TCustomEdit::WndProc(m);
}
