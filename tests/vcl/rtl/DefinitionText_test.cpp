#include "vcl/rtl/DefinitionText.h"

#include <gtest/gtest.h>

#include <string>
#include "vcl/rtl/TextConv.h"

namespace {

const char* const kMainForm = R"(// main window of a test program
object frmMain: TfrmMain
  Caption = 'Napl' + #243 + ' ''demo'''
  Font.Height = -11
  Font.Name = 'Tahoma'
  Color = $00F0CAA6
  Options = [dgTabs, dgRowSelect]
  Version = 8.25
  OnCreate = FormCreate
  object PanelMain: TPanel
    Align = alClient
    object Memo1: TMemo
      Lines = (
        'első sor'
        'second'#13#10'line'
        '')
      PopupMenu = frmOther.PopupMenu2
    end
  end
  object SkinManager1: TsSkinManager
    InternalSkins = <
      item
        Name = 'XPLuna (internal)'
        Data = {
          43567A66 0100
          ff}
      end
      item
      end>
  end
  object TLabel
  end
end
)";

TEST(DefinitionText, ParsesNestedObjectsWithEveryKindOfValue) {
  auto root = ParseDefinition(kMainForm);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->name, "frmMain");
  EXPECT_EQ(root->className, "TfrmMain");
  EXPECT_EQ(root->pos.line, 2);
  EXPECT_EQ(root->pos.column, 1);

  const auto& p = root->properties;
  ASSERT_EQ(p.size(), 7u);
  EXPECT_EQ(p[0].name, "Caption");
  EXPECT_EQ(p[0].value.kind, TDefValueKind::String);
  EXPECT_EQ(p[0].value.text, Utf8ToCp1250("Napló 'demo'"));
  EXPECT_EQ(p[0].pos.line, 3);
  EXPECT_EQ(p[0].pos.column, 3);
  EXPECT_EQ(p[0].value.pos.column, 13);

  EXPECT_EQ(p[1].name, "Font.Height");
  EXPECT_EQ(p[1].value.kind, TDefValueKind::Integer);
  EXPECT_EQ(p[1].value.integer, -11);
  EXPECT_EQ(p[2].value.text, "Tahoma");
  EXPECT_EQ(p[3].value.integer, 0xF0CAA6);

  EXPECT_EQ(p[4].value.kind, TDefValueKind::Set);
  EXPECT_EQ(p[4].value.list, (std::vector<AnsiString>{"dgTabs", "dgRowSelect"}));
  EXPECT_EQ(p[5].value.kind, TDefValueKind::Float);
  EXPECT_DOUBLE_EQ(p[5].value.real, 8.25);
  EXPECT_EQ(p[6].value.kind, TDefValueKind::Identifier);
  EXPECT_EQ(p[6].value.text, "FormCreate");

  ASSERT_EQ(root->children.size(), 3u);
  const TDefObject& panel = *root->children[0];
  EXPECT_EQ(panel.name, "PanelMain");
  EXPECT_EQ(panel.className, "TPanel");
  ASSERT_EQ(panel.children.size(), 1u);
  const TDefObject& memo = *panel.children[0];
  EXPECT_EQ(memo.name, "Memo1");
  EXPECT_EQ(memo.pos.line, 12);
  EXPECT_EQ(memo.pos.column, 5);
  ASSERT_EQ(memo.properties.size(), 2u);
  EXPECT_EQ(memo.properties[0].value.kind, TDefValueKind::StringList);
  EXPECT_EQ(memo.properties[0].value.list,
            (std::vector<AnsiString>{Utf8ToCp1250("első sor"), "second\r\nline", ""}));
  EXPECT_EQ(memo.properties[1].value.kind, TDefValueKind::Identifier);
  EXPECT_EQ(memo.properties[1].value.text, "frmOther.PopupMenu2");

  const TDefObject& skins = *root->children[1];
  ASSERT_EQ(skins.properties.size(), 1u);
  const TDefValue& coll = skins.properties[0].value;
  EXPECT_EQ(coll.kind, TDefValueKind::Collection);
  ASSERT_EQ(coll.items.size(), 2u);
  EXPECT_EQ(coll.items[0].pos.line, 22);
  ASSERT_EQ(coll.items[0].properties.size(), 2u);
  EXPECT_EQ(coll.items[0].properties[0].value.text, "XPLuna (internal)");
  const TDefValue& data = coll.items[0].properties[1].value;
  EXPECT_EQ(data.kind, TDefValueKind::Binary);
  EXPECT_EQ(data.bytes, (std::vector<Byte>{0x43, 0x56, 0x7A, 0x66, 0x01, 0x00, 0xFF}));
  EXPECT_TRUE(coll.items[1].properties.empty());

  const TDefObject& unnamed = *root->children[2];
  EXPECT_EQ(unnamed.name, "");
  EXPECT_EQ(unnamed.className, "TLabel");
}

// Parses "object X: TX  P = <value>  end" and returns the value of P.
TDefValue ValueOf(const std::string& valueText) {
  auto root = ParseDefinition("object X: TX\n  P = " + valueText + "\nend\n");
  EXPECT_EQ(root->properties.size(), 1u);
  return root->properties.at(0).value;
}

TEST(DefinitionText, IntegerAndFloatLiterals) {
  struct Case {
    const char* text;
    Int64 value;
  } ints[] = {
      {"0", 0},
      {"42", 42},
      {"-11", -11},
      {"$ff", 255},
      {"-$10", -16},
      {"$7FFFFFFFFFFFFFFF", INT64_MAX},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
  };
  for (const auto& c : ints) {
    TDefValue v = ValueOf(c.text);
    EXPECT_EQ(v.kind, TDefValueKind::Integer) << c.text;
    EXPECT_EQ(v.integer, c.value) << c.text;
  }
  struct FloatCase {
    const char* text;
    double value;
  } floats[] = {{"8.00", 8.0}, {"-0.5", -0.5}, {"1e3", 1000.0}, {"2.5E-2", 0.025}};
  for (const auto& c : floats) {
    TDefValue v = ValueOf(c.text);
    EXPECT_EQ(v.kind, TDefValueKind::Float) << c.text;
    EXPECT_DOUBLE_EQ(v.real, c.value) << c.text;
  }
}

TEST(DefinitionText, StringsJoinPartsAndConvertToWindows1250) {
  struct Case {
    const char* text;
    std::string utf8;  // expected value, written as UTF-8
  } cases[] = {
      {"''", ""},
      {"'it''s'", "it's"},
      {"#65#$42'c'", "ABc"},
      {"'a'#13#10'b'", "a\r\nb"},
      {"'x' +\n    'y' + #33", "xy!"},
      {"'árvíztűrő'", "árvíztűrő"},
      {"#337#$171", "őű"},       // code points, not bytes
      {"'// not a comment'", "// not a comment"},
      {"#8364", "€"},
      {"#0", std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    TDefValue v = ValueOf(c.text);
    EXPECT_EQ(v.kind, TDefValueKind::String) << c.text;
    EXPECT_EQ(v.text, Utf8ToCp1250(c.utf8)) << c.text;
  }
}

TEST(DefinitionText, SetsListsBinaryAndIdentifiers) {
  EXPECT_TRUE(ValueOf("[]").list.empty());
  EXPECT_EQ(ValueOf("[]").kind, TDefValueKind::Set);
  EXPECT_EQ(ValueOf("[ ebBottom ]").list, std::vector<AnsiString>{"ebBottom"});
  EXPECT_EQ(ValueOf("()").kind, TDefValueKind::StringList);
  EXPECT_TRUE(ValueOf("()").list.empty());
  EXPECT_EQ(ValueOf("('a' + 'b' 'c')").list, (std::vector<AnsiString>{"ab", "c"}));
  EXPECT_EQ(ValueOf("{}").kind, TDefValueKind::Binary);
  EXPECT_TRUE(ValueOf("{}").bytes.empty());
  EXPECT_EQ(ValueOf("{ 0 1 a B }").bytes, (std::vector<Byte>{0x01, 0xAB}));
  EXPECT_EQ(ValueOf("<>").kind, TDefValueKind::Collection);
  EXPECT_EQ(ValueOf("True").text, "True");
  EXPECT_EQ(ValueOf("frmMain.ImageList2").text, "frmMain.ImageList2");
  // A collection inside a collection item.
  TDefValue nested = ValueOf("< item Sub = < item A = 1 end > end >");
  ASSERT_EQ(nested.items.size(), 1u);
  EXPECT_EQ(nested.items[0].properties.at(0).value.items.at(0).properties.at(0).value.integer, 1);
}

TEST(DefinitionText, KeywordsIgnoreCaseAndByteOrderMarkAndCrLfAreAccepted) {
  auto root = ParseDefinition("\xEF\xBB\xBFOBJECT a: TA\r\n  B = 1 // one\r\n  Object c: TC END\r\nEnd");
  EXPECT_EQ(root->name, "a");
  EXPECT_EQ(root->properties.at(0).pos.line, 2);
  EXPECT_EQ(root->children.at(0)->pos.line, 3);
  EXPECT_TRUE(SameDefName("Font.Height", "font.HEIGHT"));
  EXPECT_FALSE(SameDefName("Font", "Fonts"));
}

TEST(DefinitionText, MalformedDefinitionsNameTheLine) {
  struct Case {
    const char* text;
    int line;
    int column;
    const char* fragment;  // part of the message after "Line N, column C: "
  } cases[] = {
      {"", 1, 1, "'object' was expected"},
      {"object", 1, 7, "a name or class name was expected"},
      {"object a: TA\n  P = 1\n", 1, 1, "has no 'end'"},
      {"object a: TA\n  P 1\nend", 2, 5, "'=' was expected"},
      {"object a: TA\n  P =\nend", 3, 1, "a value was expected"},
      {"object a: TA\n  P = 'abc\nend", 2, 7, "unterminated string"},
      {"object a: TA\n  P = { 0A 1 }\nend", 2, 14, "odd number of hex digits"},
      {"object a: TA\n  P = { 0G }\nend", 2, 10, "hex digit expected"},
      {"object a: TA\n  P = { 00", 2, 7, "unterminated binary"},
      {"object a: TA\n  P = { 00\nend", 3, 2, "hex digit expected"},
      {"object a: TA\n  P = 99999999999999999999\nend", 2, 7, "integer out of range"},
      {"object a: TA\n  P = $10000000000000000\nend", 2, 7, "out of range"},
      {"object a: TA\n  P = 1.\nend", 2, 7, "digits must follow"},
      {"object a: TA\n  P = 12ab\nend", 2, 7, "malformed number"},
      {"object a: TA\n  P = 1e999\nend", 2, 7, "float out of range"},
      {"object a: TA\n  P = [a, ]\nend", 2, 11, "a set member was expected"},
      {"object a: TA\n  P = [a b]\nend", 2, 10, "',' was expected"},
      {"object a: TA\n  P = ('a' 1)\nend", 2, 12, "a string or ')' was expected"},
      {"object a: TA\n  P = < A = 1 >\nend", 2, 9, "'item' or '>' was expected"},
      {"object a: TA\n  P = < item A = 1 >\nend", 2, 20, "a property name was expected"},
      {"object a: TA\n  P = 'a' +\nend", 3, 1, "a string was expected after '+'"},
      {"object a: TA\n  P = #1114112\nend", 2, 7, "invalid character code"},
      {"object a: TA\n  P = #$D800\nend", 2, 7, "invalid character code"},
      {"object a: TA\n  P = #\nend", 2, 7, "a character code must follow"},
      {"object a: TA\n  P = '\xE6\x97\xA5'\nend", 2, 7, "U+65E5"},
      {"object a: TA\n  P = '\xC3'\nend", 2, 7, "not valid UTF-8"},
      {"object a: TA\n  Font. = 1\nend", 2, 7, "a name must follow '.'"},
      {"object a: TA\n  P = 1\n  p = 2\nend", 3, 3, "assigned twice"},
      {"object a: TA\n  P = ;\nend", 2, 7, "unexpected character ';'"},
      {"object a: TA\n  P = 1\nend\nobject b: TB end", 4, 1, "after the end of the definition"},
      {"object a.b: TA end", 1, 8, "must not contain '.'"},
      {"object a: TA\n  object : TB end\nend", 2, 10, "a name or class name was expected"},
      {"object a: TA\n  end = 1\nend", 2, 7, "after the end of the definition"},
      {"object a: TA\n  P = <\n    item\n      A = 1\n", 3, 5, "collection item has no 'end'"},
  };
  for (const auto& c : cases) {
    try {
      ParseDefinition(c.text);
      ADD_FAILURE() << "no error for: " << c.text;
    } catch (const EDefinitionError& e) {
      EXPECT_EQ(e.Line(), c.line) << c.text << "\n" << e.Message();
      EXPECT_EQ(e.Column(), c.column) << c.text << "\n" << e.Message();
      std::string prefix = "Line " + std::to_string(c.line) + ", column " + std::to_string(c.column) + ": ";
      EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(c.fragment), std::string::npos) << c.text << "\n" << e.Message();
    }
  }
}

TEST(DefinitionText, ErrorIsAReadError) {
  EXPECT_THROW(ParseDefinition("object"), EReadError);
  EXPECT_THROW(ParseDefinition("object"), EStreamError);
}

TEST(DefinitionText, DeepNestingIsRefusedNotOverflowed) {
  std::string objects, collections = "object a: TA\n  P = ";
  for (int i = 0; i < 10000; ++i) objects += "object a: TA\n";
  for (int i = 0; i < 10000; ++i) collections += "< item Q = ";
  EXPECT_THROW(ParseDefinition(objects), EDefinitionError);
  EXPECT_THROW(ParseDefinition(collections), EDefinitionError);
  // Modest nesting is fine.
  std::string ok;
  for (int i = 0; i < 20; ++i) ok += "object a: TA\n";
  for (int i = 0; i < 20; ++i) ok += "end\n";
  EXPECT_NO_THROW(ParseDefinition(ok));
}

}  // namespace
