#include "skin/forms/sTextFit.h"

#include <gtest/gtest.h>

namespace {

// Every character 5 pixels wide, a dot 2.
Integer Measure(const AnsiString& text) {
  Integer width = 0;
  for (char c : text) width += c == '.' ? 2 : 5;
  return width;
}

TEST(TextFit, ShortensWithDotsUntilItFitsAndNeverAnswersDotsAlone) {
  struct Case {
    const char* text;
    Integer width;
    const char* expected;
  } cases[] = {
      {"Hello", 25, "Hello"},      // fits exactly: unchanged, no dots
      {"Hello", 100, "Hello"},
      {"Hello", 24, "Hel..."},     // 15 + 6 = 21 fits, "Hell..." (26) does not
      {"Hello", 21, "Hel..."},
      {"Hello", 20, "He..."},
      {"Hello", 11, "H..."},       // 5 + 6
      {"Hello", 10, ""},           // not even "H..." fits: empty, not "..."
      {"Hello", 0, ""},
      {"Hello", -3, ""},
      {"", 0, ""},
      {"", 10, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShortenTextToWidth(c.text, c.width, Measure), c.expected) << c.text << " in " << c.width;
}

}  // namespace
