// TMemo: the multi-line text box over the system EDIT class (window class "TMemo", or the class name of
// a descendant). Lines is a TStrings view of the text kept in step with the window: a line is the text
// between two line breaks (CR LF, or a lone CR or LF), whatever the word wrap shows on screen. Scroll
// bars, word wrap and alignment are creation styles (changing them makes the window again, keeping
// the text). Esc always reaches the form (its Cancel button); Return and Tab reach it when the memo
// does not want them (WantReturns off or read-only, WantTabs off).
#pragma once
#include <memory>
#include "vcl/gui/Edit.h"
#include "vcl/rtl/Strings.h"

enum TScrollStyle { ssNone = 0, ssHorizontal = 1, ssVertical = 2, ssBoth = 3 };

class TCustomMemo : public TCustomEdit {
 public:
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  // The text as lines; changing them changes the text (and fires OnChange once the window exists).
  TStrings& Lines() { return *lines_; }
  void SetLines(const TStrings& value) { lines_->Assign(&value); }

  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) { wantReturns_ = value; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value) { wantTabs_ = value; }

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  bool IsModifyingChar(char key) const override;

 private:
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  TAlignment alignment_ = taLeftJustify;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  std::unique_ptr<TStrings> lines_;
};

class TMemo : public TCustomMemo {
 public:
  using TCustomMemo::TCustomMemo;
};

// The lines of a text (breaks: CR LF, CR, LF; a break at the very end adds no line) and the text of
// lines (joined by CR LF; a last line that is empty keeps its break, so that the two round-trip).
std::vector<AnsiString> SplitMemoLines(std::string_view text);
AnsiString JoinMemoLines(const std::vector<AnsiString>& lines);
