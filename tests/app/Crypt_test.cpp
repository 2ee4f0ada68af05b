// The hex-text cipher: known enciphered texts, the round trip, the key's part, odd and empty texts and
// digits that are not hexadecimal.
#include <gtest/gtest.h>

#include "app/Crypt.h"
#include "vcl/rtl/Exceptions.h"

namespace {

// Worked out by hand from the cipher's definition: byte i of the text is XORed with the high byte of
// the running key R (starting at key mod 65536), and R := (R + enciphered byte) * 52845 + 11719 mod 65536.
struct KnownText {
  const char* plain;
  Integer key;
  const char* enciphered;
};
const KnownText kKnown[] = {
    {"abc", 0, "610797"},  // R starts at 0: the first byte goes through unchanged
    {"abc", 1, "615159"},
    {"abc", 65536, "610797"},  // only the low 16 bits of the key count
    {"www.quillnote.hu", 417093, "2A3FC5190CBDC0DAA61B33EC6BAE52ED"},
};

}  // namespace

TEST(Crypt, KnownTextsInBothDirections) {
  for (const KnownText& k : kKnown) {
    SCOPED_TRACE(k.enciphered);
    EXPECT_EQ(EncipherHexText(k.plain, k.key), k.enciphered);
    EXPECT_EQ(DecipherHexText(k.enciphered, k.key), k.plain);
  }
}

TEST(Crypt, RoundTripOfEveryByteValueAndKeysThatDiffer) {
  std::string plain;
  for (int b = 0; b < 256; ++b) plain += static_cast<char>(b);
  for (Integer key : {0, 417093, -1, 0x7FFFFFFF}) {
    SCOPED_TRACE(key);
    const AnsiString enciphered = EncipherHexText(plain, key);
    EXPECT_EQ(enciphered.size(), 512u);  // longer texts than 255 bytes are fine
    EXPECT_EQ(DecipherHexText(enciphered, key), plain);
    const AnsiString other = DecipherHexText(enciphered, key + 1);
    EXPECT_EQ(other.size(), plain.size());
    EXPECT_NE(other, plain);
  }
}

TEST(Crypt, DigitsOfEitherCaseAndALastUnpairedDigit) {
  EXPECT_EQ(DecipherHexText("", 417093), "");
  EXPECT_EQ(DecipherHexText("6", 0), "");
  EXPECT_EQ(DecipherHexText("61079", 0), "ab");
  EXPECT_EQ(DecipherHexText("2a3fc5190cbdc0daa61b33ec6bae52ed", 417093), "www.quillnote.hu");
}

TEST(Crypt, APairThatIsNotHexadecimalRaisesTheConversionError) {
  for (const char* text : {"6x", "61G7", "  ", "-1", "61 7"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(DecipherHexText(text, 0), EConvertError);
  }
}
