#include "skin/manager/skntUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include "skin/manager/sConst.h"

namespace {

TEST(SkinWords, PositionWordAndCountOverDelimiterRuns) {
  struct Case {
    const char* text;
    const char* delimiters;
    Integer n;
    Integer position;
    const char* word;
    Integer count;
  } cases[] = {
      {"  a  b ", " ", 1, 3, "a", 2},
      {"  a  b ", " ", 2, 6, "b", 2},
      {"  a  b ", " ", 3, 0, "", 2},  // fewer words
      {"12,4;;0", ",;", 3, 7, "0", 3},
      {"", ",", 1, 0, "", 0},
      {",,,", ",", 1, 0, "", 0},
      {"word", ",", 1, 1, "word", 1},
      {"a,b", ",", 0, 0, "", 2},      // there is no word 0
      {"a,b", ",", -1, 0, "", 2},
      {"a,b", "", 1, 1, "a,b", 1},    // no delimiters: one word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" n=" << c.n);
    EXPECT_EQ(WordPosition(c.n, c.text, c.delimiters), c.position);
    EXPECT_EQ(GetWordBySet(c.n, c.text, c.delimiters), c.word);
    EXPECT_EQ(WordCount(c.text, c.delimiters), c.count);
  }
}

TEST(SkinWords, WordAsIntReadsDecimalOrAnswersZero) {
  struct Case {
    const char* text;
    Integer n;
    Integer value;
  } cases[] = {
      {"10, -4, +7", 1, 10},  {"10, -4, +7", 2, -4}, {"10, -4, +7", 3, 7},
      {"10, -4, +7", 4, 0},   // absent
      {"1, x, 3", 2, 0},      // not a number
      {"1, $1F, 3", 2, 0},    // hex is not a word value
      {"2147483647", 1, INT_MAX},
      {"2147483648", 1, 0},   // out of range
      {"-", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" n=" << c.n);
    EXPECT_EQ(WordAsInt(c.n, c.text, TCharSet(", ")), c.value);
  }
}

TEST(SkinWords, CharSetHoldsEveryByteValue) {
  TCharSet set("\x01\x7F\x80\xFF");
  for (int c = 0; c < 256; ++c) {
    const bool expected = c == 1 || c == 0x7F || c == 0x80 || c == 0xFF;
    EXPECT_EQ(CharInSet(static_cast<char>(c), set), expected) << c;
  }
}

TEST(SkinStrings, ReplaceAndDelete) {
  struct Case {
    const char* text;
    const char* oldText;
    const char* newText;
    const char* result;
  } cases[] = {
      {"aaa", "a", "aa", "aaaaaa"},  // inserted text is not searched again
      {"abcabc", "bc", "", "aa"},
      {"abc", "", "x", "abc"},       // nothing to search for
      {"abc", "abcd", "x", "abc"},
      {"a.b.c", ".", "\\", "a\\b\\c"},
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceSubstr(c.text, c.oldText, c.newText), c.result) << c.text << " " << c.oldText;
  }
  EXPECT_EQ(DeleteCharFromStr(" a b  c ", ' '), "abc");
  EXPECT_EQ(DeleteCharFromStr("", ' '), "");
}

TEST(SkinPaths, TrailingSeparatorRule) {
  struct Case {
    const char* path;
    const char* result;
  } cases[] = {
      {"", ""},
      {"c:\\Skins\\", "c:\\Skins\\"},
      {"c:\\Skins/", "c:\\Skins\\"},
      {"c:\\Skins", "c:\\Skins\\"},
      {"c", "c:\\"},  // a bare drive letter
      {"/", "\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(IncludeTrailingSeparator(c.path), c.result) << c.path;
}

TEST(SkinChoices, BetweenMinMaxAndSwap) {
  EXPECT_TRUE(ValueBetween(5, 10, 1));
  EXPECT_TRUE(ValueBetween(5, 1, 10));
  EXPECT_FALSE(ValueBetween(11, 10, 1));
  EXPECT_TRUE(ValueBetween(10, 10, 1));
  EXPECT_TRUE(ValueBetween(1, 10, 1));
  EXPECT_FALSE(ValueBetween(0, 1, 10));
  EXPECT_EQ(MaxOf2(-3, 2), 2);
  EXPECT_EQ(MinOf2(-3, 2), -3);
  EXPECT_EQ(IfThenInt(false, 1, 2), 2);
  EXPECT_EQ(IfThenStr(true, "a", "b"), "a");
  Integer a = 1, b = 2;
  SwapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(SkinRects, WidthHeightAndOverlap) {
  const TRect inverted{10, 10, 4, 7};
  EXPECT_EQ(RectWidth(inverted), -6);
  EXPECT_EQ(RectWidth(inverted, true), 0);
  EXPECT_EQ(RectHeight(inverted), -3);
  EXPECT_EQ(RectHeight(inverted, true), 0);
  EXPECT_EQ(RectWidth(TRect{INT_MIN, 0, INT_MAX, 0}), INT_MAX);  // no overflow past the edges

  struct Case {
    TRect a, b;
    bool overlap;
  } cases[] = {
      {{0, 0, 10, 10}, {5, 5, 15, 15}, true},
      {{0, 0, 10, 10}, {10, 0, 20, 10}, false},  // touching edges
      {{0, 0, 10, 10}, {2, 2, 2, 8}, false},     // b empty, though inside a
      {{0, 0, 10, 10}, {2, 2, 3, 3}, true},
      {{5, 5, 6, 6}, {0, 0, 10, 10}, true},
      {{0, 0, 10, 10}, {-5, 12, 5, 20}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RectsOverlap(c.a, c.b), c.overlap) << c.b.Left << "," << c.b.Top << "," << c.b.Right << "," << c.b.Bottom;
  }
}

class SkinIniSections : public testing::Test {
 protected:
  const TIniSections sections_ = ParseIniSections({
      "orphan=1",  // before the first section: dropped
      "[GENERAL]",
      "; a comment",
      "",
      "Width=0x1F",
      "Height=12",
      "Bad=abc",
      "Hex=0x",
      "Wrong=0xG1",
      "Name=Luna=2",
      "Empty=",
      "[OTHER]",
      "Width=3",
      "[]",
      "Width=4",
  });
};

TEST_F(SkinIniSections, SectionsKeepTheirLinesInOrder) {
  ASSERT_EQ(sections_.size(), 3u);
  EXPECT_EQ(sections_[0].Name, "GENERAL");
  EXPECT_EQ(sections_[0].Lines.size(), 7u);
  EXPECT_EQ(sections_[0].Lines.front(), "Width=0x1F");
  EXPECT_EQ(sections_[1].Name, "OTHER");
  EXPECT_EQ(sections_[2].Name, "");
  EXPECT_EQ(sections_[2].Lines, std::vector<AnsiString>{"Width=4"});
}

TEST_F(SkinIniSections, ValuesAndIntegersWithDefaults) {
  EXPECT_EQ(IniValueFromSections(sections_, "GENERAL", "Name", "-"), "Luna=2");
  EXPECT_EQ(IniValueFromSections(sections_, "GENERAL", "Empty", "-"), "");
  EXPECT_EQ(IniValueFromSections(sections_, "GENERAL", "Nam", "-"), "-");   // a prefix of a key
  EXPECT_EQ(IniValueFromSections(sections_, "general", "Name", "-"), "-");  // names are exact
  EXPECT_EQ(IniValueFromSections(sections_, "MISSING", "Width", "-"), "-");
  EXPECT_EQ(IniValueFromSections(sections_, "GENERAL", "orphan", "-"), "-");

  struct Case {
    const char* section;
    const char* key;
    Integer value;
  } cases[] = {
      {"GENERAL", "Width", 0x1F}, {"OTHER", "Width", 3}, {"GENERAL", "Height", 12},
      {"GENERAL", "Bad", 77},     {"GENERAL", "Hex", 77}, {"GENERAL", "Wrong", 77},
      {"GENERAL", "Empty", 77},   {"GENERAL", "None", 77},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniIntFromSections(sections_, c.section, 77, c.key), c.value) << c.section << "." << c.key;
  }
}

}  // namespace
