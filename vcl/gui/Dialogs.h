// The standard dialogs with Hungarian captions and buttons: ShowMessage, MessageDlg, InputQuery and
// the exception box. Each goes through a replaceable hook (tests answer the dialogs there); with no
// hook set, a modal form of class "TMessageForm" (InputQuery: "TInputQueryForm") is shown. Ctrl+C on a
// message form copies its caption, text and buttons to the clipboard, as the system's message boxes do.
//
// Captions: mtWarning "Figyelmeztetés", mtError "Hiba", mtInformation "Információ", mtConfirmation
// "Megerősítés", mtCustom (and ShowMessage) the application's title. Buttons: "&Igen", "&Nem", "OK",
// "Mégse", "&Megszakítás", "Ú&jra", "&Kihagyás", "&Mind", "Egyiket s&em", "Igen, mi&ndet", "&Súgó".
// All texts are Windows-1250.
#pragma once
#include <functional>
#include "vcl/gui/Control.h"
#include "vcl/rtl/Set.h"

class TForm;

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };
enum TMsgDlgBtn {
  mbYes = 0, mbNo = 1, mbOK = 2, mbCancel = 3, mbAbort = 4, mbRetry = 5, mbIgnore = 6, mbAll = 7, mbNoToAll = 8,
  mbYesToAll = 9, mbHelp = 10
};
using TMsgDlgButtons = TSet<TMsgDlgBtn, 11>;

// Shows text with an OK button; the caption is the application's title.
void ShowMessage(const AnsiString& text);
// Asks a question; returns the ModalResult of the button chosen (mrYes, mrNo, mrOk, mrCancel ...), or
// the cancel button's result when the box is closed otherwise (mrCancel without a cancel button).
Integer MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpContext);
// The same with the button that Enter chooses named (one of buttons; the hook is asked the same way).
Integer MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpContext,
                   TMsgDlgBtn defaultButton);
// Asks for a line of text; true (and value changed) when the user confirms with OK.
bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value);
// InputQuery's value, or defaultValue when the user cancels.
AnsiString InputBox(const AnsiString& caption, const AnsiString& prompt, const AnsiString& defaultValue);
// The box that shows an unhandled exception (TApplication::ShowException).
void ShowExceptionBox(const AnsiString& message, const AnsiString& caption);

// ---- hooks: each setter returns the previous hook; an empty hook restores the dialog ----
using TShowMessageHook = std::function<void(const AnsiString& text)>;
using TMessageDlgHook =
    std::function<Integer(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpContext)>;
using TInputQueryHook = std::function<bool(const AnsiString& caption, const AnsiString& prompt, AnsiString& value)>;
using TExceptionBoxHook = std::function<void(const AnsiString& message, const AnsiString& caption)>;
TShowMessageHook SetShowMessageHook(TShowMessageHook hook);
TMessageDlgHook SetMessageDlgHook(TMessageDlgHook hook);
TInputQueryHook SetInputQueryHook(TInputQueryHook hook);
TExceptionBoxHook SetExceptionBoxHook(TExceptionBoxHook hook);

// ---- the dialogs themselves (what the default hooks show) ----
// The caption of a dialog type and the text of a button, Windows-1250.
AnsiString MsgDlgCaption(TMsgDlgType type);
AnsiString MsgDlgButtonCaption(TMsgDlgBtn button);
// A message form, not shown yet; the caller frees it. ShowModal returns the chosen button's result.
// Enter chooses OK, else Yes, else Retry, unless defaultButton names one of buttons.
TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);
TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
