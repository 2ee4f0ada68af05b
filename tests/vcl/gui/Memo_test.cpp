// The memo over the system EDIT class: Lines in step with the window, creation styles, selection and
// the clipboard with Hungarian text, the announcement (and refusal) of the user's changes that a
// data-aware memo builds on, OnChange/Modified, the dialog keys, and reading it from a definition.
#include "vcl/gui/Memo.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Clipbrd.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FormResource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TextConv.h"

namespace {

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

// A memo as a data-aware one uses it: it hears every change the user is about to make and may
// refuse it.
class TGuardedMemo : public TMemo {
 public:
  using TMemo::TMemo;
  bool allow = true;
  int asked = 0;
  int changes = 0;

 protected:
  bool BeginUserChange() override {
    ++asked;
    return allow && TMemo::BeginUserChange();
  }
  void Change() override {
    ++changes;
    TMemo::Change();
  }
};

class TfrmMemo : public TForm {
 public:
  explicit TfrmMemo(TComponent* owner) : TForm(owner) {
    SetClientSize(400, 300);
    memo = New<TGuardedMemo>(this);
    memo->SetBounds(10, 10, 300, 150);
    memo->SetParent(this);
    other = New<TMemo>(this);
    other->SetBounds(10, 170, 300, 60);
    other->SetParent(this);
    ok = New<TButton>(this);
    ok->SetBounds(10, 250, 75, 25);
    ok->SetDefault(true);
    ok->SetParent(this);
    ok->OnClick = [this](TObject*) { ++oks; };
    cancel = New<TButton>(this);
    cancel->SetBounds(100, 250, 75, 25);
    cancel->SetCancel(true);
    cancel->SetParent(this);
    cancel->OnClick = [this](TObject*) { ++cancels; };
  }
  TGuardedMemo* memo;
  TMemo* other;
  TButton* ok;
  TButton* cancel;
  int oks = 0;
  int cancels = 0;
};

struct MemoFixture : ::testing::Test {
  std::unique_ptr<TfrmMemo> form{New<TfrmMemo>(nullptr)};
  TGuardedMemo& memo = *form->memo;
  void SetUp() override {
    form->Show();
    memo.SetFocus();
  }
  void TearDown() override { guitest::Pump(); }
  void Type(char16_t c) {
    PostMessageW(memo.Handle(), WM_CHAR, c, 1);
    guitest::Pump();
  }
  void Key(WORD key, std::initializer_list<int> down = {}) {
    guitest::KeysDown keys(down);
    guitest::PostKey(memo.Handle(), key);
    guitest::Pump();
  }
};

}  // namespace

TEST(MemoLines, SplitAndJoinRoundTrip) {
  struct Case {
    const char* text;
    std::vector<AnsiString> lines;
    const char* canonical;  // the text JoinMemoLines gives back
  };
  const Case cases[] = {
      {"", {}, ""},
      {"egy", {"egy"}, "egy"},
      {"egy\r\nketto", {"egy", "ketto"}, "egy\r\nketto"},
      {"egy\r\n", {"egy"}, "egy"},  // a final break adds no line
      {"\r\n", {""}, "\r\n"},
      {"egy\r\n\r\n", {"egy", ""}, "egy\r\n\r\n"},
      {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}, "a\r\nb\r\nc\r\n\r\nd"},  // lone LF and CR break too
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitMemoLines(c.text), c.lines);
    EXPECT_EQ(JoinMemoLines(c.lines), c.canonical);
    EXPECT_EQ(SplitMemoLines(JoinMemoLines(c.lines)), c.lines);
  }
}

TEST_F(MemoFixture, LinesFollowTheWindowBothWays) {
  // Lines set before the window exists show up in it.
  auto* late = New<TMemo>(form.get());
  late->Lines().Add(Hu("első sor"));
  late->Lines().Add(Hu("második sor"));
  EXPECT_FALSE(late->HandleAllocated());
  late->SetParent(form.get());
  ASSERT_TRUE(late->HandleAllocated());
  EXPECT_EQ(Utf16ToUtf8(WindowText(late->Handle())), "első sor\r\nmásodik sor");

  // Changes through Lines reach the window, and fire OnChange.
  int changes = 0;
  late->OnChange = [&](TObject*) { ++changes; };
  late->Lines().Insert(1, Hu("közbülső"));
  late->Lines().SetStrings(0, Hu("ÁRVÍZ"));
  late->Lines().Delete(2);
  EXPECT_EQ(Utf16ToUtf8(WindowText(late->Handle())), "ÁRVÍZ\r\nközbülső");
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(late->Lines().Delete(5), EStringListError);

  // A batch sets the text once.
  changes = 0;
  late->Lines().BeginUpdate();
  for (int i = 0; i < 50; ++i) late->Lines().Add("sor");
  EXPECT_EQ(late->Lines().Count(), 52);  // the batch's lines are seen before it ends
  late->Lines().EndUpdate();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(late->Lines().Count(), 52);

  // What the user types is in Lines; an empty last line counts once it is there.
  memo.Clear();
  Type(u'\u0151');  // ő
  Type(u'\r');
  Type(u'x');
  ASSERT_EQ(memo.Lines().Count(), 2);
  EXPECT_EQ(memo.Lines().Strings(0), Hu("ő"));
  EXPECT_EQ(memo.Lines().Strings(1), "x");
  memo.Lines().Clear();
  memo.Lines().Add("");
  EXPECT_EQ(memo.Lines().Count(), 1);
  EXPECT_EQ(memo.Text(), "\r\n");
  // Lines.Text is the memo's text as it stands (no break added at the end).
  memo.Lines().SetText("a\nb");
  EXPECT_EQ(memo.Lines().Text(), "a\r\nb");
  EXPECT_EQ(memo.Text(), "a\r\nb");
}

TEST_F(MemoFixture, CreationStylesFollowThePropertiesAndANewWindowKeepsTheState) {
  EXPECT_EQ(guitest::WindowClassOf(memo.Handle()), L"TGuardedMemo");
  EXPECT_EQ(guitest::WindowClassOf(form->other->Handle()), L"TMemo");
  auto style = [&] { return GetWindowLongPtrW(memo.Handle(), GWL_STYLE); };
  auto exStyle = [&] { return GetWindowLongPtrW(memo.Handle(), GWL_EXSTYLE); };
  EXPECT_NE(style() & ES_MULTILINE, 0);
  EXPECT_EQ(style() & (WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL), 0);  // word wrap, no bars
  EXPECT_NE(exStyle() & WS_EX_CLIENTEDGE, 0);

  memo.SetText(Hu("tűzoltó"));
  memo.SetModified(true);
  memo.changes = 0;
  memo.SetScrollBars(ssVertical);
  memo.SetBorderStyle(bsNone);
  memo.SetReadOnly(true);
  EXPECT_NE(style() & WS_VSCROLL, 0);
  EXPECT_EQ(exStyle() & WS_EX_CLIENTEDGE, 0);
  EXPECT_NE(style() & ES_READONLY, 0);
  memo.SetScrollBars(ssBoth);
  EXPECT_EQ(style() & WS_HSCROLL, 0);  // wrapped text needs no horizontal bar
  memo.SetWordWrap(false);
  EXPECT_NE(style() & WS_HSCROLL, 0);
  EXPECT_NE(style() & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(memo.Text(), Hu("tűzoltó"));
  EXPECT_TRUE(memo.Modified());
  EXPECT_EQ(memo.changes, 0);  // making the windows again is no change
}

TEST_F(MemoFixture, SelectionInHungarianText) {
  memo.SetText(Hu("árvíztűrő tükörfúrógép"));
  memo.SetSelStart(10);
  memo.SetSelLength(6);
  EXPECT_EQ(memo.SelStart(), 10);
  EXPECT_EQ(memo.SelLength(), 6);
  EXPECT_EQ(memo.SelText(), Hu("tükörf"));
  memo.SetSelText(Hu("ŐŰ"));
  EXPECT_EQ(memo.Text(), Hu("árvíztűrő ŐŰúrógép"));
  EXPECT_EQ(memo.SelStart(), 12);  // the caret after the new text
  EXPECT_EQ(memo.SelLength(), 0);
  memo.SelectAll();
  EXPECT_EQ(memo.SelLength(), 18);
  memo.SetSelLength(100);  // past the end: to the end
  EXPECT_EQ(memo.SelText(), memo.Text());
  EXPECT_EQ(memo.asked, 0);  // changes by code are not announced
}

TEST_F(MemoFixture, ClipboardRoundTripOfHungarianText) {
  const AnsiString text = Hu("árvíztűrő tükörfúrógép");
  memo.SetText(text);
  Clipboard().Clear();
  EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
  memo.SelectAll();
  memo.CopyToClipboard();
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));  // the system offers the ANSI form of the Unicode text
  EXPECT_TRUE(Clipboard().HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard().AsText(), text);

  // Cut takes the selection away; paste puts it into another memo unchanged.
  memo.SetSelStart(0);
  memo.SetSelLength(9);
  memo.CutToClipboard();
  EXPECT_EQ(memo.Text(), Hu(" tükörfúrógép"));
  form->other->Clear();
  form->other->PasteFromClipboard();
  EXPECT_EQ(form->other->Text(), Hu("árvíztűrő"));
  EXPECT_EQ(Utf16ToUtf8(WindowText(form->other->Handle())), "árvíztűrő");

  // Text put on the clipboard by code pastes as the user's; there is no length cap of the window's own.
  std::vector<AnsiString> manyLines(500, AnsiString(78, 'x'));
  const AnsiString longText = JoinMemoLines(manyLines);  // 40000 characters
  Clipboard().SetAsText(longText);
  memo.Clear();
  memo.PasteFromClipboard();
  EXPECT_EQ(memo.Text().size(), longText.size());

  // A limit set by MaxLength holds for pasting.
  Clipboard().SetAsText(Hu("őrült hosszú szöveg"));
  form->other->SetMaxLength(5);
  form->other->Clear();
  form->other->PasteFromClipboard();
  EXPECT_EQ(form->other->Text(), Hu("őrült"));
}

TEST_F(MemoFixture, UserChangesAreAnnouncedAndCanBeRefused) {
  struct Case {
    const char* what;
    std::function<void(MemoFixture&)> act;
    const char* after;  // the text when the change is allowed (starting from "abc|def", caret after c)
  };
  const Case cases[] = {
      {"typed letter", [](MemoFixture& f) { f.Type(u'\u0171'); }, "abcűdef"},
      {"Return", [](MemoFixture& f) { f.Type(u'\r'); }, "abc\r\ndef"},
      {"Backspace", [](MemoFixture& f) { f.Type(u'\b'); }, "abdef"},
      {"Delete", [](MemoFixture& f) { f.Key(VK_DELETE); }, "abcef"},
      {"Ctrl+V", [](MemoFixture& f) { f.Type(0x16); }, "abcPdef"},
      {"Shift+Insert", [](MemoFixture& f) { f.Key(VK_INSERT, {VK_SHIFT, VK_LSHIFT}); }, "abcPdef"},
      {"paste from a menu", [](MemoFixture& f) { f.memo.PasteFromClipboard(); }, "abcPdef"},
      {"clear", [](MemoFixture& f) { f.memo.SetSelLength(2); f.memo.ClearSelection(); }, "abcf"},
  };
  for (bool allow : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (allow ? " allowed" : " refused"));
      Clipboard().SetAsText("P");
      memo.SetText("abcdef");
      memo.SetSelStart(3);
      memo.allow = allow;
      memo.asked = 0;
      c.act(*this);
      EXPECT_GE(memo.asked, 1);
      EXPECT_EQ(memo.Text(), allow ? Hu(c.after) : AnsiString("abcdef"));
    }
  }

  // Keys that change nothing are not announced.
  memo.asked = 0;
  Key(VK_LEFT);
  Key(VK_HOME, {VK_SHIFT, VK_LSHIFT});
  Key('C', {VK_CONTROL, VK_LCONTROL});
  EXPECT_EQ(memo.asked, 0);

  // A refused cut still copies.
  memo.allow = false;
  memo.SetText("abcdef");
  memo.SetSelStart(1);
  memo.SetSelLength(2);
  Clipboard().Clear();
  memo.CutToClipboard();
  EXPECT_EQ(memo.Text(), "abcdef");
  EXPECT_EQ(Clipboard().AsText(), "bc");

  // An undo is a change too.
  memo.allow = true;
  memo.SetText("abc");
  memo.SetSelStart(3);
  Type(u'd');
  ASSERT_TRUE(memo.CanUndo());
  memo.allow = false;
  memo.Undo();
  EXPECT_EQ(memo.Text(), "abcd");
  memo.allow = true;
  memo.Undo();
  EXPECT_EQ(memo.Text(), "abc");

  // A read-only memo refuses by itself.
  memo.SetReadOnly(true);
  memo.SetText("abc");
  memo.SetSelStart(3);
  Type(u'x');
  memo.PasteFromClipboard();
  EXPECT_EQ(memo.Text(), "abc");
}

TEST_F(MemoFixture, OnChangeAndModifiedTellUserChangesFromCode) {
  std::vector<AnsiString> seen;
  memo.OnChange = [&](TObject* sender) { seen.push_back(static_cast<TMemo*>(sender)->Text()); };
  memo.SetText(Hu("kód"));
  EXPECT_FALSE(memo.Modified());
  memo.SetSelStart(3);
  Type(u'!');
  EXPECT_TRUE(memo.Modified());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], Hu("kód"));
  EXPECT_EQ(seen[1], Hu("kód!"));
  memo.SetModified(false);
  EXPECT_FALSE(memo.Modified());
}

TEST_F(MemoFixture, DialogKeysReachTheFormWhenTheMemoDoesNotUseThem) {
  memo.SetText("abc");
  memo.SetSelStart(3);
  Key(VK_ESCAPE);  // never used by the memo
  EXPECT_EQ(form->cancels, 1);
  Key(VK_RETURN);  // a line break in an editable memo
  EXPECT_EQ(form->oks, 0);
  EXPECT_EQ(memo.Text(), "abc\r\n");
  memo.SetReadOnly(true);
  Key(VK_RETURN);  // the default button of the form in a read-only one
  EXPECT_EQ(form->oks, 1);
  Key(VK_TAB);  // the next control, unless WantTabs
  EXPECT_EQ(GetFocus(), form->other->Handle());
}

TEST(MemoDefinition, PropertiesAndLinesComeFromTheText) {
  class TMemoForm : public TForm {
   public:
    using TForm::TForm;
    TMemo* MemoReadme = nullptr;
    void DefineFields(TFieldTable& fields) override { fields.Add("MemoReadme", MemoReadme); }
  };
  RegisterGuiClasses();
  RegisterStreamedClass<TMemoForm, TForm>("TMemoForm");
  RegisterDefinitionText("TMemoForm", R"(
    object MemoForm: TMemoForm
      ClientWidth = 554
      ClientHeight = 288
      object MemoReadme: TMemo
        Left = 8
        Top = 8
        Width = 515
        Height = 221
        BorderStyle = bsNone
        ReadOnly = True
        ScrollBars = ssVertical
        MaxLength = 100
        Lines = (
          'A napló egy nap egy bejegyzés.'
          ''
          'Kilépés: CTRL+ALT+E')
      end
    end)");
  std::unique_ptr<TMemoForm> f(New<TMemoForm>(nullptr));
  UnregisterDefinitionText("TMemoForm");
  ASSERT_NE(f->MemoReadme, nullptr);
  TMemo& m = *f->MemoReadme;
  EXPECT_EQ(m.BoundsRect(), Bounds(8, 8, 515, 221));
  EXPECT_EQ(m.BorderStyle(), bsNone);
  EXPECT_TRUE(m.ReadOnly());
  EXPECT_EQ(m.ScrollBars(), ssVertical);
  EXPECT_EQ(m.MaxLength(), 100);
  ASSERT_EQ(m.Lines().Count(), 3);
  EXPECT_EQ(m.Lines().Strings(0), Hu("A napló egy nap egy bejegyzés."));
  EXPECT_EQ(m.Lines().Strings(1), "");
  f->Show();
  EXPECT_EQ(Utf16ToUtf8(WindowText(m.Handle())), "A napló egy nap egy bejegyzés.\r\n\r\nKilépés: CTRL+ALT+E");
}
