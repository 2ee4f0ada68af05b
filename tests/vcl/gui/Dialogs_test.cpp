// The standard dialogs: answered through their hooks, and the real Hungarian dialogs answered with
// the keyboard from inside their modal loops.
#include "vcl/gui/Dialogs.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/TextConv.h"

namespace {

std::string U(const AnsiString& cp1250) { return Cp1250ToUtf8(cp1250); }

// The dialog on top while a modal loop runs, with the captions of its buttons in order.
struct DialogView {
  std::string className, caption;
  std::vector<std::string> buttons;
  static DialogView Of(TCustomForm* form) {
    DialogView v{form->ClassName(), U(form->Caption()), {}};
    for (int i = 0; i < form->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TButton*>(form->Controls(i))) v.buttons.push_back(U(b->Caption()));
    return v;
  }
};

}  // namespace

TEST(Dialogs, HooksAnswerInsteadOfTheUser) {
  std::vector<std::string> calls;
  SetShowMessageHook([&](const AnsiString& text) { calls.push_back("show " + U(text)); });
  SetMessageDlgHook([&](const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer) {
    calls.push_back("ask " + U(text));
    EXPECT_EQ(type, mtConfirmation);
    EXPECT_TRUE(buttons.Contains(mbYes) && buttons.Contains(mbNo));
    return mrYes;
  });
  SetInputQueryHook([&](const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
    calls.push_back("query " + U(caption) + " / " + U(prompt));
    value = Utf8ToCp1250("kő");
    return true;
  });

  ShowMessage(Utf8ToCp1250("Nincs találat."));
  EXPECT_EQ(MessageDlg(Utf8ToCp1250("Valóban törölni akarja?"), mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0), mrYes);
  AnsiString term;
  EXPECT_TRUE(InputQuery(Utf8ToCp1250("Keresés"), Utf8ToCp1250("Írja be a keresendő szöveget:"), term));
  EXPECT_EQ(U(term), "kő");
  EXPECT_EQ(calls, (std::vector<std::string>{"show Nincs találat.", "ask Valóban törölni akarja?",
                                             "query Keresés / Írja be a keresendő szöveget:"}));
  SetShowMessageHook(nullptr);
  SetMessageDlgHook(nullptr);
  SetInputQueryHook(nullptr);
}

TEST(Dialogs, ConfirmationDialogIsHungarianAndAnswersWithItsButtons) {
  struct Case {
    WORD key;
    TModalResult expected;
  };
  for (const Case& c : {Case{VK_RETURN, mrYes}, Case{VK_ESCAPE, mrNo}}) {
    DialogView view;
    guitest::RunLater([&] {
      TCustomForm* dialog = Screen->ActiveCustomForm();
      ASSERT_NE(dialog, nullptr);
      view = DialogView::Of(dialog);
      guitest::PostKey(GetFocus(), c.key);
    });
    EXPECT_EQ(MessageDlg(Utf8ToCp1250("Valóban törölni akarja a kijelölt [2024.01.07 - Vasárnap] napot?"),
                         mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0),
              c.expected);
    EXPECT_EQ(view.className, "TMessageForm");
    EXPECT_EQ(view.caption, "Megerősítés");
    EXPECT_EQ(view.buttons, (std::vector<std::string>{"&Igen", "&Nem"}));
  }
}

TEST(Dialogs, ShowMessageAndTheExceptionBoxUseTheApplicationsTitle) {
  const AnsiString title = Application->Title();
  Application->SetTitle("Quillnote");
  DialogView message, error;
  guitest::RunLater([&] {
    message = DialogView::Of(Screen->ActiveCustomForm());
    guitest::PostKey(GetFocus(), VK_RETURN);
  });
  ShowMessage(Utf8ToCp1250("Nem írta be, hogy mit akar keresni."));
  guitest::RunLater([&] {
    error = DialogView::Of(Screen->ActiveCustomForm());
    guitest::PostKey(GetFocus(), VK_ESCAPE);
  });
  Application->ShowException(Exception("Table not found"));
  Application->SetTitle(title);
  EXPECT_EQ(message.caption, "Quillnote");
  EXPECT_EQ(message.buttons, (std::vector<std::string>{"OK"}));
  EXPECT_EQ(error.caption, "Quillnote");
  EXPECT_EQ(error.buttons, (std::vector<std::string>{"OK"}));
}

TEST(Dialogs, InputQueryReturnsWhatWasTypedOnlyWithOK) {
  AnsiString value = Utf8ToCp1250("régi");
  std::string shownValue;
  DialogView view;
  guitest::RunLater([&] {
    TCustomForm* dialog = Screen->ActiveCustomForm();
    view = DialogView::Of(dialog);
    auto* edit = dynamic_cast<TEdit*>(dialog->ActiveControl());
    ASSERT_NE(edit, nullptr);
    shownValue = U(edit->Text());
    SetWindowTextW(edit->Handle(), L"t\u0171z");  // tűz, as typed
    guitest::PostKey(GetFocus(), VK_RETURN);
  });
  EXPECT_TRUE(InputQuery(Utf8ToCp1250("Keresés"), Utf8ToCp1250("Írja be a keresendő szöveget:"), value));
  EXPECT_EQ(U(value), "tűz");
  EXPECT_EQ(shownValue, "régi");
  EXPECT_EQ(view.className, "TInputQueryForm");
  EXPECT_EQ(view.caption, "Keresés");
  EXPECT_EQ(view.buttons, (std::vector<std::string>{"OK", "Mégse"}));

  guitest::RunLater([&] {
    SetWindowTextW(GetFocus(), L"eldobva");
    guitest::PostKey(GetFocus(), VK_ESCAPE);
  });
  EXPECT_FALSE(InputQuery("a", "b", value));
  EXPECT_EQ(U(value), "tűz");
}

TEST(Dialogs, ButtonCaptionsAndTypeCaptions) {
  EXPECT_EQ(U(MsgDlgCaption(mtWarning)), "Figyelmeztetés");
  EXPECT_EQ(U(MsgDlgCaption(mtError)), "Hiba");
  EXPECT_EQ(U(MsgDlgCaption(mtInformation)), "Információ");
  std::unique_ptr<TForm> form(CreateMessageDialog("?", mtWarning, TMsgDlgButtons{mbOK, mbCancel, mbRetry}));
  const DialogView view = DialogView::Of(form.get());
  EXPECT_EQ(view.buttons, (std::vector<std::string>{"OK", "Mégse", "Ú&jra"}));
  EXPECT_EQ(form->BorderStyle(), bsDialog);
}

TEST(Dialogs, EnterChoosesTheNamedDefaultAndCtrlCCopiesTheBox) {
  const AnsiString text = Utf8ToCp1250("A naplót nem sikerült menteni.\r\nKilép mentés nélkül?");
  std::wstring copied;
  guitest::RunLater([&] {
    TCustomForm* dialog = Screen->ActiveCustomForm();
    ASSERT_NE(dialog, nullptr);
    {
      guitest::KeysDown ctrl({VK_CONTROL});
      SendMessageW(GetFocus(), WM_KEYDOWN, 'C', 1);
    }
    if (OpenClipboard(nullptr)) {
      if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
      }
      CloseClipboard();
    }
    guitest::PostKey(GetFocus(), VK_RETURN);
  });
  // Enter takes "No" here, the button named as the default.
  EXPECT_EQ(MessageDlg(text, mtWarning, TMsgDlgButtons{mbYes, mbNo}, 0, mbNo), mrNo);
  // The copy is laid out as the system's message boxes lay theirs out.
  const std::wstring line = L"---------------------------\r\n";
  EXPECT_EQ(copied, line + L"Figyelmeztet\u00e9s\r\n" + line + L"A napl\u00f3t nem siker\u00fclt menteni.\r\nKil\u00e9p ment\u00e9s n\u00e9lk\u00fcl?\r\n" +
                        line + L"Igen   Nem   \r\n" + line);
}
