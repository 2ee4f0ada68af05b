// Text boxes over the system EDIT class: TCustomEdit holds what single-line and multi-line boxes share
// (border, read-only, length limit, selection, clipboard, undo, the modified flag, OnChange), TEdit is
// the single-line box (window class "TEdit"); TMemo (Memo.h) is the multi-line one. Text is
// Windows-1250 on this side and UTF-16 in the window; positions count characters, which are the same
// in both because every Windows-1250 character is one UTF-16 unit.
//
// Changes the user makes (a typed character, Delete, Backspace, cut, paste, clear, undo, whether from
// the keyboard, a menu or the control's own context menu) are announced to BeginUserChange first, which
// may refuse them: a data-aware descendant puts its dataset into edit state there and refuses when it
// cannot. Changes made by code (Text, SelText, Lines) are not asked about. Every change of the text,
// from the user or from code, then arrives at Change (OnChange), except while the window is being made
// and while the control is read from a definition.
#pragma once
#include "vcl/gui/WinControl.h"

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // The most characters the user can type or paste; 0 = no limit beyond the system's.
  Integer MaxLength() const { return maxLength_; }
  void SetMaxLength(Integer value);
  // Whether the selection disappears while the control does not have the focus.
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);

  // Whether the user changed the text since it was set by code (or since SetModified(false)).
  bool Modified();
  void SetModified(bool value);

  // The selection, in characters of the text. A length reaching past the end selects to the end.
  Integer SelStart();
  void SetSelStart(Integer value);
  Integer SelLength();
  void SetSelLength(Integer value);
  AnsiString SelText();
  // Replaces the selection with value (undoable, fires OnChange) and puts the caret after it.
  void SetSelText(const AnsiString& value);
  void SelectAll();
  void ClearSelection();
  void Clear() { SetText(AnsiString()); }

  // The clipboard operations of the window (WM_CUT, WM_COPY, WM_PASTE), as the user's keys do them;
  // cut and paste are announced to BeginUserChange like the user's own.
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanUndo();
  void Undo();
  void ClearUndo();

  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void AfterCreateWnd() override;

  // ---- the surface for descendants ----
  // The text changed (the window's EN_CHANGE, from the user or from code); fires OnChange.
  virtual void Change();
  // Asked before a change the user makes; false refuses it (the key or the command is dropped; a
  // refused cut still copies). The default refuses nothing while the box is editable.
  virtual bool BeginUserChange();
  // Whether a key (WM_KEYDOWN) or a typed character (WM_CHAR, Windows-1250; control characters
  // included) changes the text when the window handles it.
  virtual bool IsModifyingKey(Word key, TShiftState shift) const;
  virtual bool IsModifyingChar(char key) const;
  // Key events: the handlers (OnKeyDown, OnKeyPress) first, then a modifying key is announced to
  // BeginUserChange and dropped when it is refused.
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;

 private:
  bool UserCommand(TMessage& message);

  TBorderStyle borderStyle_ = bsSingle;
  bool readOnly_ = false;
  Integer maxLength_ = 0;
  bool hideSelection_ = true;
  bool modified_ = false;   // kept here while there is no window
  bool creating_ = false;   // EN_CHANGE while the window is made is not a change
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};
