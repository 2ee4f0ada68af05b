// Locale-aware text follows Hungarian rules in both trees: the win64 tree runs under Wine with a
// Hungarian user locale (the default is checked, not set); natively the test picks "hu-HU" for ICU,
// since the machine's locale may be anything. ICU and Windows agree on every case below.
#include "vcl/rtl/AnsiStrings.h"

#include <gtest/gtest.h>

#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

class HungarianText : public testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    ASSERT_EQ(os::TextLocaleName(), "hu-HU");
#else
    ASSERT_TRUE(os::SetTextLocale("hu-HU"));
#endif
  }
  void TearDown() override { os::SetTextLocale(""); }
};

AnsiString A(std::string_view utf8) { return Utf8ToCp1250(utf8); }

int Sign(int v) { return (v > 0) - (v < 0); }

struct OrderCase {
  const char* a;
  const char* b;
  int str;   // AnsiCompareStr
  int text;  // AnsiCompareText
};

constexpr OrderCase kOrder[] = {
    {"a", "á", -1, -1},              // an acute accent is a lesser difference than a letter...
    {"á", "b", -1, -1},
    {"ázik", "azok", -1, -1},        // ...so the letters decide first: i before o
    {"öt", "oz", 1, 1},              // ö is its own letter, after o
    {"ő", "ö", 1, 1},
    {"üz", "ut", 1, 1},
    {"csak", "cuki", 1, 1},          // the digraph cs sorts after c
    {"zs", "zz", 1, 1},
    {"a", "A", -1, 0},               // lower case first; equal when case is ignored
    {"ÁRVÍZ", "árvíz", 1, 0},
    {"árvíztűrő", "ÁRVÍZTŰRŐ", -1, 0},
    {"a-b", "ab", -1, -1},           // punctuation counts (string sort)
    {"", "a", -1, -1},
    {"alma", "alma", 0, 0},
};

TEST_F(HungarianText, CompareFollowsHungarianOrder) {
  for (const OrderCase& c : kOrder) {
    SCOPED_TRACE(std::string(c.a) + " : " + c.b);
    EXPECT_EQ(Sign(AnsiCompareStr(A(c.a), A(c.b))), c.str);
    EXPECT_EQ(Sign(AnsiCompareStr(A(c.b), A(c.a))), -c.str);
    EXPECT_EQ(Sign(AnsiCompareText(A(c.a), A(c.b))), c.text);
    EXPECT_EQ(AnsiSameText(A(c.a), A(c.b)), c.text == 0);
    EXPECT_EQ(AnsiSameStr(A(c.a), A(c.b)), c.str == 0);
    EXPECT_EQ(Sign(WideCompareStr(Utf8ToUtf16(c.a), Utf8ToUtf16(c.b))), c.str);
    EXPECT_EQ(Sign(WideCompareText(Utf8ToUtf16(c.a), Utf8ToUtf16(c.b))), c.text);
  }
}

TEST_F(HungarianText, CaseMappingOfThePangram) {
  EXPECT_EQ(AnsiUpperCase(A("árvíztűrő tükörfúrógép")), A("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"));
  EXPECT_EQ(AnsiLowerCase(A("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP")), A("árvíztűrő tükörfúrógép"));
  EXPECT_EQ(WideUpperCase(u"árvíztűrő tükörfúrógép"), u"ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP");
  EXPECT_EQ(WideLowerCase(u"ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"), u"árvíztűrő tükörfúrógép");
  // Other Central European letters of the code page, and bytes that are not letters.
  EXPECT_EQ(AnsiUpperCase(A("łśźżčřňť 1.5€")), A("ŁŚŹŻČŘŇŤ 1.5€"));
}

TEST_F(HungarianText, EveryByteMapsToOneByteAndLettersRoundTrip) {
  AnsiString all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const AnsiString upper = AnsiUpperCase(all);
  const AnsiString lower = AnsiLowerCase(all);
  ASSERT_EQ(upper.size(), all.size());
  ASSERT_EQ(lower.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(all[i]);
    SCOPED_TRACE(static_cast<int>(c));
    // A byte that changes maps back: upper(lower(x)) == x for capitals and the reverse.
    if (upper[i] != all[i]) {
      EXPECT_EQ(AnsiLowerCase(std::string(1, upper[i])), std::string(1, all[i]));
    }
    if (lower[i] != all[i]) {
      EXPECT_EQ(AnsiUpperCase(std::string(1, lower[i])), std::string(1, all[i]));
    }
  }
  // The micro sign's capital (Greek Mu) and ß's have no byte in the code page: they stay.
  EXPECT_EQ(AnsiUpperCase("\xB5\xDF"), "\xB5\xDF");
}

TEST(AsciiText, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(UpperCase(A("árvíz Abc-09_z")), A("áRVíZ ABC-09_Z"));
  EXPECT_EQ(LowerCase(A("ÁRVÍZ Abc-09_Z")), A("ÁrvÍz abc-09_z"));
}

TEST(AsciiText, CompareFoldsAsciiLettersOnly) {
  struct Case {
    const char* a;
    const char* b;
    int text;
    int str;
  };
  const Case cases[] = {
      {"abc", "ABC", 0, 1},
      {"abc", "abd", -1, -1},
      {"ab", "abc", -1, -1},
      {"abc", "ab", 1, 1},
      {"", "", 0, 0},
      {"_", "a", 1, -1},         // folded to upper case: '_' (0x5F) > 'A' (0x41), but < 'a'
      {"\xE1", "\xC1", 1, 1},    // á and Á are bytes, not letters, here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " : " + c.b);
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.text);
    EXPECT_EQ(Sign(CompareStr(c.a, c.b)), c.str);
    EXPECT_EQ(SameText(c.a, c.b), c.text == 0);
  }
  EXPECT_EQ(CompareText("a", "c"), 'A' - 'C');  // the difference of the folded bytes
}

}  // namespace
