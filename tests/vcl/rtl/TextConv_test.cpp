#include "vcl/rtl/TextConv.h"

#include <gtest/gtest.h>

TEST(TextConv, HungarianPangramRoundTripsThroughWindows1250) {
  const std::string utf8 = "árvíztűrő tükörfúrógép ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP";
  AnsiString cp = Utf8ToCp1250(utf8);
  ASSERT_EQ(cp.size(), 45u);  // one byte per letter
  EXPECT_EQ(static_cast<unsigned char>(cp[0]), 0xE1);   // á
  EXPECT_EQ(static_cast<unsigned char>(cp[6]), 0xFB);   // ű
  EXPECT_EQ(static_cast<unsigned char>(cp[8]), 0xF5);   // ő
  EXPECT_EQ(Cp1250ToUtf8(cp), utf8);
  EXPECT_EQ(Utf16ToCp1250(Cp1250ToUtf16(cp)), cp);
}

TEST(TextConv, EveryByteSurvivesARoundTrip) {
  AnsiString all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf16ToCp1250(Cp1250ToUtf16(all)), all);
  EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(all)), all);
}

TEST(TextConv, UnmappableAndMalformedInput) {
  EXPECT_EQ(Utf8ToCp1250("a\xE6\x97\xA5z"), "a?z");          // CJK letter has no byte
  EXPECT_EQ(Utf16ToCp1250(u"\U0001F600"), "?");              // astral character
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                 // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD");             // overlong NUL
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");  // surrogate pair
  EXPECT_EQ(Utf16CharToCp1250(u'€'), 0x80);
  EXPECT_EQ(Utf16CharToCp1250(u'中'), 0);
}
