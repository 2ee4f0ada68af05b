#include "vcl/rtl/StrUtils.h"

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"

TEST(StrUtils, TrimRemovesBlanksAndControlCharacters) {
  struct Case {
    const char* text;
    const char* both;
    const char* left;
    const char* right;
  } cases[] = {
      {"  ab c \t\r\n", "ab c", "ab c \t\r\n", "  ab c"},
      {"", "", "", ""},
      {" \x01 ", "", "", ""},
      {"x", "x", "x", "x"},
      {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},  // the no-break space is a character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Trim(c.text), c.both);
    EXPECT_EQ(TrimLeft(c.text), c.left);
    EXPECT_EQ(TrimRight(c.text), c.right);
  }
}

TEST(StrUtils, PosAndCopyCountFromOne) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("cb", "abcb"), 3);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(PosEx("b", "abcb", 3), 4);
  EXPECT_EQ(PosEx("b", "abcb", 5), 0);
  EXPECT_EQ(PosEx("b", "abcb", 0), 0);
  struct Case {
    Integer index, count;
    const char* expected;
  } cases[] = {{1, 3, "abc"}, {2, 2, "bc"}, {5, 10, "ef"}, {6, 1, "f"}, {7, 1, ""},
               {0, 2, "ab"},  {-5, 1, "a"}, {3, 0, ""},    {3, -1, ""}, {1, 2147483647, "abcdef"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << "," << c.count);
    EXPECT_EQ(Copy("abcdef", c.index, c.count), c.expected);
  }
}

TEST(StrUtils, QuotingRoundTrips) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"'it''s'", "it's"}, {"''", ""},        {"'ab'cd", "ab"},  // text after the closing quote is dropped
      {"abc", "abc"},      {"'abc", "'abc"},  {"", ""},          {"'", "'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AnsiDequotedStr(c.text, '\''), c.expected);
  }
  for (const char* text : {"", "x", "a'b", "''", "'''"}) EXPECT_EQ(AnsiDequotedStr(QuotedStr(text), '\''), text);
}

TEST(StrUtils, StringReplaceFirstAllAndIgnoringCase) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    unsigned flags;
    const char* expected;
  } cases[] = {
      {"a-b-c", "-", "+", 0, "a+b-c"},
      {"a-b-c", "-", "+", rfReplaceAll, "a+b+c"},
      {"aaa", "aa", "b", rfReplaceAll, "ba"},
      {"Hello HELLO", "hello", "x", rfIgnoreCase, "x HELLO"},
      {"Hello HELLO", "hello", "x", rfReplaceAll | rfIgnoreCase, "x x"},
      {"Hello", "hello", "x", rfReplaceAll, "Hello"},
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"abc", "b", "", rfReplaceAll, "ac"},
      {"xx", "x", "xx", rfReplaceAll, "xxxx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StringReplace(c.text, c.from, c.to, c.flags), c.expected);
  }
}

TEST(StrUtils, BooleansAsText) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool("false"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBoolDef("maybe", true));
  try {
    StrToBool("yes");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'yes' is not a valid boolean value");
  }
  EXPECT_TRUE(SameStr("abc", "abc"));
  EXPECT_FALSE(SameStr("abc", "ABC"));
}
