// The system clipboard as the controls and menus need it: whether a format is there (a paste item is
// enabled when text is) and the text itself, Windows-1250 on this side and Unicode text on the
// clipboard, so that Hungarian letters survive a copy to and from other programs whatever the
// system's ANSI code page.
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/Exceptions.h"

QN_DECLARE_EXCEPTION(EClipboardError, Exception);

class TClipboard {
 public:
  TClipboard() = default;
  ~TClipboard();
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // Whether the clipboard holds data of a format (CF_TEXT is there whenever any text is: the system
  // converts between the text formats).
  bool HasFormat(UINT format) const;
  // The text on the clipboard ("" when there is none); characters outside Windows-1250 become '?'.
  AnsiString AsText();
  // Replaces the clipboard's contents with the text.
  void SetAsText(const AnsiString& value);
  void Clear();

  // Keeps the clipboard open across several calls (nested; each Open needs its Close). Raises
  // EClipboardError "Cannot open clipboard" when another window holds it.
  void Open();
  void Close();

 private:
  int openCount_ = 0;
  bool emptied_ = false;  // EmptyClipboard already ran in the current Open
};

// The process's clipboard object.
TClipboard& Clipboard();
