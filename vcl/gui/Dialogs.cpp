#include "vcl/gui/Dialogs.h"

#include <algorithm>
#include <memory>

#include "vcl/gui/Application.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Clipbrd.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Label.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr Integer kMargin = 12;
constexpr Integer kButtonWidth = 75;
constexpr Integer kButtonHeight = 25;
constexpr Integer kButtonGap = 8;
constexpr Integer kIconSize = 32;

TShowMessageHook& ShowMessageHook() {
  static TShowMessageHook hook;
  return hook;
}
TMessageDlgHook& MessageDlgHook() {
  static TMessageDlgHook hook;
  return hook;
}
TInputQueryHook& InputQueryHook() {
  static TInputQueryHook hook;
  return hook;
}
TExceptionBoxHook& ExceptionBoxHook() {
  static TExceptionBoxHook hook;
  return hook;
}

const TModalResult kButtonResults[] = {mrYes,    mrNo,     mrOk,      mrCancel,   mrAbort, mrRetry,
                                       mrIgnore, mrAll,    mrNoToAll, mrYesToAll, mrNone};

// The text's size when wrapped at maxWidth, in the font of the form.
SIZE MeasureText(TFont& font, const AnsiString& text, Integer maxWidth) {
  const WideString w = Cp1250ToUtf16(text);
  HDC dc = GetDC(nullptr);
  const int saved = SaveDC(dc);
  SelectObject(dc, font.Handle());
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(w.c_str()), static_cast<int>(w.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  RestoreDC(dc, saved);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// The form of MessageDlg, ShowMessage and the exception box: an icon for the dialog type, the text,
// and a centred row of buttons.
class TMessageForm : public TForm {
 public:
  TMessageForm(TComponent* owner, TMsgDlgType type, const AnsiString& text) : TForm(owner), type_(type), text_(text) {
    SetKeyPreview(true);
  }

 protected:
  void KeyDown(Word& key, TShiftState shift) override {
    TForm::KeyDown(key, shift);
    if (key == 'C' && shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
      CopyToClipboard();
      key = 0;
    }
  }

  void Paint() override {
    TForm::Paint();
    const wchar_t* id = nullptr;
    switch (type_) {
      case mtWarning: id = IDI_WARNING; break;
      case mtError: id = IDI_ERROR; break;
      case mtInformation: id = IDI_INFORMATION; break;
      case mtConfirmation: id = IDI_QUESTION; break;
      default: break;
    }
    if (id != nullptr)
      DrawIconEx(Canvas().Handle(), kMargin, kMargin, LoadIconW(nullptr, id), kIconSize, kIconSize, 0, nullptr,
                 DI_NORMAL);
  }

 private:
  // The system message box's layout of the copy: caption, text and the buttons' captions between lines.
  void CopyToClipboard() {
    const AnsiString line = "---------------------------\r\n";
    AnsiString buttons;
    for (int i = 0; i < ComponentCount(); ++i) {
      if (auto* button = dynamic_cast<TButton*>(Components(i))) {
        AnsiString caption = button->Caption();
        std::erase(caption, '&');
        buttons += caption + "   ";
      }
    }
    Clipboard().SetAsText(line + Caption() + "\r\n" + line + text_ + "\r\n" + line + buttons + "\r\n" + line);
  }

  TMsgDlgType type_;
  AnsiString text_;
};

// The form of InputQuery: prompt, edit line, OK and Cancel.
class TInputQueryForm : public TForm {
 public:
  using TForm::TForm;
};

Integer ShowMessageForm(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, const AnsiString* caption,
                        const TMsgDlgBtn* defaultButton = nullptr) {
  std::unique_ptr<TForm> form(defaultButton != nullptr ? CreateMessageDialog(text, type, buttons, *defaultButton)
                                                       : CreateMessageDialog(text, type, buttons));
  if (caption != nullptr) form->SetCaption(*caption);
  return form->ShowModal();
}

}  // namespace

AnsiString MsgDlgCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return Utf8ToCp1250("Figyelmeztetés");
    case mtError: return Utf8ToCp1250("Hiba");
    case mtInformation: return Utf8ToCp1250("Információ");
    case mtConfirmation: return Utf8ToCp1250("Megerősítés");
    default: return Application != nullptr ? Application->Title() : AnsiString();
  }
}

AnsiString MsgDlgButtonCaption(TMsgDlgBtn button) {
  static const char* const kCaptions[] = {"&Igen",     "&Nem",  "OK",           "Mégse",         "&Megszakítás", "Ú&jra",
                                          "&Kihagyás", "&Mind", "Egyiket s&em", "Igen, mi&ndet", "&Súgó"};
  return Utf8ToCp1250(kCaptions[button]);
}

TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  if (buttons.Empty()) buttons.Include(mbOK);
  return CreateMessageDialog(text, type, buttons,
                             buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry);
}

TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
  if (buttons.Empty()) buttons.Include(mbOK);
  std::unique_ptr<TMessageForm> form(New<TMessageForm>(nullptr, type, text));
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetCaption(MsgDlgCaption(type));

  const Integer maxTextWidth = std::max<Integer>(200, (Screen != nullptr ? Screen->Width() : 800) / 2);
  const SIZE textSize = MeasureText(form->Font(), text, maxTextWidth);
  const bool hasIcon = type != mtCustom;
  const Integer textLeft = hasIcon ? kMargin + kIconSize + kMargin : kMargin;
  const Integer contentHeight = std::max<Integer>(textSize.cy, hasIcon ? kIconSize : 0);

  auto* label = New<TLabel>(form.get());
  label->SetName("Message");
  label->SetShowAccelChar(false);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(textLeft, kMargin + (contentHeight - textSize.cy) / 2, textSize.cx, textSize.cy);
  label->SetCaption(text);
  label->SetParent(form.get());

  int count = 0;
  for (int b = mbYes; b <= mbHelp; ++b) count += buttons.Contains(static_cast<TMsgDlgBtn>(b)) ? 1 : 0;
  const Integer rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  const Integer clientWidth = std::max<Integer>(textLeft + textSize.cx + kMargin, rowWidth + 2 * kMargin);
  const Integer buttonTop = kMargin + contentHeight + 16;
  form->SetClientSize(clientWidth, buttonTop + kButtonHeight + kMargin);

  const TMsgDlgBtn cancelButton = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
  Integer x = (clientWidth - rowWidth) / 2;
  for (int b = mbYes; b <= mbHelp; ++b) {
    const auto kind = static_cast<TMsgDlgBtn>(b);
    if (!buttons.Contains(kind)) continue;
    auto* button = New<TButton>(form.get());
    static const char* const kNames[] = {"Yes", "No",       "OK",       "Cancel", "Abort", "Retry",
                                         "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    button->SetName(kNames[b]);
    button->SetCaption(MsgDlgButtonCaption(kind));
    button->SetModalResult(kButtonResults[b]);
    button->SetBounds(x, buttonTop, kButtonWidth, kButtonHeight);
    button->SetParent(form.get());
    if (kind == defaultButton) {
      button->SetDefault(true);
      form->SetActiveControl(button);
    }
    if (kind == cancelButton) button->SetCancel(true);
    x += kButtonWidth + kButtonGap;
  }
  return form.release();
}

// ---- the dialogs ----

void ShowMessage(const AnsiString& text) {
  if (ShowMessageHook()) {
    ShowMessageHook()(text);
    return;
  }
  ShowMessageForm(text, mtCustom, TMsgDlgButtons{mbOK}, nullptr);
}

Integer MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpContext) {
  if (MessageDlgHook()) return MessageDlgHook()(text, type, buttons, helpContext);
  return ShowMessageForm(text, type, buttons, nullptr);
}

Integer MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpContext,
                   TMsgDlgBtn defaultButton) {
  if (MessageDlgHook()) return MessageDlgHook()(text, type, buttons, helpContext);
  return ShowMessageForm(text, type, buttons, nullptr, &defaultButton);
}

void ShowExceptionBox(const AnsiString& message, const AnsiString& caption) {
  if (ExceptionBoxHook()) {
    ExceptionBoxHook()(message, caption);
    return;
  }
  ShowMessageForm(message, mtError, TMsgDlgButtons{mbOK}, &caption);
}

bool InputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
  if (InputQueryHook()) return InputQueryHook()(caption, prompt, value);

  std::unique_ptr<TInputQueryForm> form(New<TInputQueryForm>(nullptr));
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetCaption(caption);
  constexpr Integer kWidth = 300;

  auto* label = New<TLabel>(form.get());
  label->SetName("Prompt");
  label->SetBounds(kMargin, kMargin, kWidth - 2 * kMargin, 13);
  label->SetCaption(prompt);
  label->SetParent(form.get());

  auto* edit = New<TEdit>(form.get());
  edit->SetName("Value");
  edit->SetBounds(kMargin, label->Top() + label->Height() + 6, kWidth - 2 * kMargin, 21);
  edit->SetText(value);
  edit->SetParent(form.get());

  const Integer buttonTop = edit->Top() + edit->Height() + 14;
  const Integer rowLeft = (kWidth - (2 * kButtonWidth + kButtonGap)) / 2;
  auto* ok = New<TButton>(form.get());
  ok->SetName("OK");
  ok->SetCaption(MsgDlgButtonCaption(mbOK));
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  ok->SetBounds(rowLeft, buttonTop, kButtonWidth, kButtonHeight);
  ok->SetParent(form.get());
  auto* cancel = New<TButton>(form.get());
  cancel->SetName("Cancel");
  cancel->SetCaption(MsgDlgButtonCaption(mbCancel));
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  cancel->SetBounds(rowLeft + kButtonWidth + kButtonGap, buttonTop, kButtonWidth, kButtonHeight);
  cancel->SetParent(form.get());

  form->SetClientSize(kWidth, buttonTop + kButtonHeight + kMargin);
  form->SetActiveControl(edit);
  form->OnShow = [edit](TObject*) { edit->SelectAll(); };
  if (form->ShowModal() != mrOk) return false;
  value = edit->Text();
  return true;
}

AnsiString InputBox(const AnsiString& caption, const AnsiString& prompt, const AnsiString& defaultValue) {
  AnsiString value = defaultValue;
  InputQuery(caption, prompt, value);
  return value;
}

// ---- hooks ----

TShowMessageHook SetShowMessageHook(TShowMessageHook hook) { return std::exchange(ShowMessageHook(), std::move(hook)); }
TMessageDlgHook SetMessageDlgHook(TMessageDlgHook hook) { return std::exchange(MessageDlgHook(), std::move(hook)); }
TInputQueryHook SetInputQueryHook(TInputQueryHook hook) { return std::exchange(InputQueryHook(), std::move(hook)); }
TExceptionBoxHook SetExceptionBoxHook(TExceptionBoxHook hook) {
  return std::exchange(ExceptionBoxHook(), std::move(hook));
}
