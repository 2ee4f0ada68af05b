#include "engine/foundation/SQLMemDecUtil.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using namespace std::string_literals;

constexpr Integer kAllFormats[] = {StringFormatCopy, StringFormatHEX, StringFormatHEXL,
                                   StringFormatMIME64, StringFormatUU, StringFormatXX};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string ExceptionText(const std::function<void()>& f) {
  try {
    f();
  } catch (const EStringFormat& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

// Leaves the process registry as start-up makes it, whatever a test registered.
class StringFormatRegistry : public ::testing::Test {
 protected:
  void TearDown() override { ResetStringFormats(); }
};

}  // namespace

TEST(Crc32, IsTheRawReflectedRegisterWithoutInversion) {
  EXPECT_EQ(Crc32Update(0, "abc"), 0xCA6598D0u);
  // With the customary inversions added by hand it is the standard CRC-32.
  EXPECT_EQ(~Crc32Update(0xFFFFFFFFu, "123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(Crc32Update(0, "ab"), "c"), Crc32Update(0, "abc"));  // updates chain
}

// The register as defined, one byte at a time; the reference for the word-at-a-time implementation.
Cardinal ReferenceCrc32(Cardinal crc, const std::string& data) {
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc;
}

TEST(Crc32, AgreesWithTheBitwiseRegisterOnRandomInputs) {
  std::mt19937 rng(20261210);
  for (int k = 0; k < 300; ++k) {
    std::string data(rng() % 5000, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const Cardinal start = k % 3 == 0 ? 0u : static_cast<Cardinal>(rng());
    ASSERT_EQ(Crc32Update(start, data), ReferenceCrc32(start, data)) << "length " << data.size();
    // Any split of the data gives the same register: callers feed blocks piecewise.
    const std::size_t cut = data.empty() ? 0 : rng() % data.size();
    ASSERT_EQ(Crc32Update(Crc32Update(start, std::string_view(data).substr(0, cut)), std::string_view(data).substr(cut)),
              ReferenceCrc32(start, data));
  }
}

TEST(Crc32, NoDataReturnsTheStartValue) {
  EXPECT_EQ(Crc32Update(0x12345678u, ""), 0x12345678u);
  EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 5), 0x12345678u);
  EXPECT_EQ(Crc32Update(0x12345678u, "abc", -1), 0x12345678u);
}

TEST(StringFormats, EncodeKnownValues) {
  struct Case {
    Integer format;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {StringFormatHEX, Bytes({0x01, 0xAB}), "01AB"},
      {StringFormatHEXL, Bytes({0x01, 0xAB}), "01ab"},
      {StringFormatCopy, "a\0b"s, "a\0b"s},
      {StringFormatMIME64, "f", "Zg=="},
      {StringFormatMIME64, "fo", "Zm8="},
      {StringFormatMIME64, "foo", "Zm9v"},
      {StringFormatMIME64, "foobar", "Zm9vYmFy"},
      {StringFormatUU, "Cat", "#0V%T"},
      {StringFormatUU, "A", "!00``"},  // a short group still gives four digits
      {StringFormatXX, "Cat", "1Eq3o"},
      {StringFormatDefault, "fo", "Zm8="},  // -1 is MIME base 64
      {0, "anything", ""},
      {StringFormatHEX, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeStringFormat(c.bytes, c.format), c.text) << c.format << " " << c.text;
  }
}

TEST(StringFormats, DecodeKnownValues) {
  struct Case {
    Integer format;
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {StringFormatHEX, "01 ab", Bytes({0x01, 0xAB})},        // space skipped, lower case accepted
      {StringFormatHEX, "$1F", Bytes({0x1F})},
      {StringFormatHEX, "12$34$56", Bytes({0x34, 0x56})},     // only the first "$" restarts
      {StringFormatHEX, "ABC", Bytes({0xAB, 0xC0})},          // unpaired last nibble
      {StringFormatHEX, "0x1F", Bytes({0x10, 0x1F})},         // "X" is a nibble of value 16
      {StringFormatHEXL, "01ab", Bytes({0x01, 0xAB})},
      {StringFormatHEXL, "01AB", Bytes({0x01, 0xAB})},        // HEXL accepts upper case and decodes it
      {StringFormatMIME64, "QUI", "AB"},                       // missing padding
      {StringFormatMIME64, "QUI=", "AB"},
      {StringFormatMIME64, "QUI=\r\n", "AB"},                  // a line break after the last group
      {StringFormatMIME64, " QU\tI= ", "AB"},
      {StringFormatMIME64, "Zm9v\r\nYmFy\r\n", "foobar"},
      {StringFormatMIME64, "====", ""},
      {StringFormatUU, "#0V%T", "Cat"},
      {StringFormatUU, "!00", "A"},                            // the line may end after its last digit
      {StringFormatUU, "``", ""},                              // empty lines
      {StringFormatXX, "1Eq3o", "Cat"},
      {0, "QUI=", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeStringFormat(c.text, c.format), c.bytes) << c.format << " " << c.text;
  }
}

TEST(StringFormats, RefusedInputRaisesWithTheFormatName) {
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("1G", StringFormatHEX); }),
            "Input is not an valid Hexadecimal Format.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("QU=I!", StringFormatMIME64); }),
            "Input is not an valid MIME Base 64 Format.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("N", StringFormatUU); }),  // a line of 46 bytes
            "Input is not an valid UU Coding Format.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("#0V", StringFormatUU); }),  // ends inside the line
            "Input is not an valid UU Coding Format.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("#0V%T\r\n", StringFormatUU); }),  // lines have no separator
            "Input is not an valid UU Coding Format.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("1e", StringFormatXX); }),
            "Input is not an valid XX Coding Format.");
  // Decode itself refuses a bad line length too, for callers that skip the check.
  EXPECT_THROW(TStringFormat_UU::Instance().Decode("N"), EStringFormat);
}

TEST(StringFormats, UnknownFormatRaises) {
  EXPECT_EQ(ExceptionText([] { EncodeStringFormat("x", 7); }), "String Format \"7\" not exists.");
  EXPECT_EQ(ExceptionText([] { DecodeStringFormat("x", 7); }), "String Format \"7\" not exists.");
  EXPECT_EQ(EncodeStringFormat("", 7), "");  // nothing to convert is not an error
}

TEST(StringFormats, NegativeLengthMeansZeroTerminated) {
  const char text[] = "AB\0CD";
  EXPECT_EQ(EncodeStringFormat(text, -1, StringFormatHEX), "4142");
  EXPECT_EQ(EncodeStringFormat(nullptr, 3, StringFormatHEX), "");
}

TEST(StringFormats, EveryFormatRoundTrips) {
  std::mt19937 rng(20240607);
  std::vector<std::string> inputs = {"", Bytes({0}), Bytes({0xFF}), "ab", "abc", "\r\n$=%"};
  for (std::size_t size : {44u, 45u, 46u, 89u, 90u, 91u, 1000u}) {
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    inputs.push_back(s);
  }
  std::string all(256, '\0');
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<char>(i);
  inputs.push_back(all);

  for (Integer format : kAllFormats) {
    const TStringFormat* f = FindStringFormat(format);
    ASSERT_NE(f, nullptr) << format;
    for (const std::string& in : inputs) {
      const std::string text = EncodeStringFormat(in, format);
      EXPECT_TRUE(f->IsValid(text, true)) << f->Name() << " size " << in.size();
      EXPECT_EQ(DecodeStringFormat(text, format), in) << f->Name() << " size " << in.size();
    }
  }
}

TEST(StringFormats, DecodersSurviveArbitraryInput) {
  // Decode is also reachable without the validity check; whatever it gets, it returns at most the
  // bytes its input can hold or raises EStringFormat, and never reads outside its input (the native
  // tree runs this under ASan).
  std::mt19937 rng(99);
  for (int k = 0; k < 3000; ++k) {
    std::string text(rng() % 70, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 2 ? rng() : "`!#0V%T=+-QU \r\n"[rng() % 16]);
    for (Integer format : kAllFormats) {
      try {
        const std::size_t size = FindStringFormat(format)->Decode(text).size();
        EXPECT_LE(size, format == StringFormatCopy ? text.size() : text.size() * 3 / 4 + 3) << format;
      } catch (const EStringFormat&) {
        EXPECT_TRUE(format == StringFormatUU || format == StringFormatXX) << format;
      }
    }
  }
}

TEST(StringFormats, UULinesHoldAtMost45Bytes) {
  const std::string text = EncodeStringFormat(std::string(46, 'x'), StringFormatUU);
  ASSERT_EQ(text.size(), 1 + 60 + 1 + 4u);
  EXPECT_EQ(text[0], 'M');   // 45
  EXPECT_EQ(text[61], '!');  // 1
}

TEST_F(StringFormatRegistry, StartsWithTheSixFormatsAndMime64AsDefault) {
  for (Integer format : kAllFormats) {
    ASSERT_NE(FindStringFormat(format), nullptr);
    EXPECT_EQ(FindStringFormat(format)->Id(), format);
  }
  EXPECT_EQ(FindStringFormat(-1), &TStringFormat_MIME64::Instance());
  EXPECT_EQ(FindStringFormat(7), nullptr);
}

TEST_F(StringFormatRegistry, RegisteringReplacesAnIdInPlaceAndAppendsNewOnes) {
  struct Shouting : TStringFormat_HEX {
    Integer Id() const override { return StringFormatHEXL; }  // takes over HEXL's id
  };
  struct Custom : TStringFormat {
    Integer Id() const override { return 4242; }
  };
  struct Unregistered : TStringFormat {
    Integer Id() const override { return -1; }
  };
  static const Shouting shouting;
  static const Custom custom;
  static const Unregistered unregistered;
  RegisterFormatClasses({&shouting, &custom, &unregistered});
  EXPECT_EQ(FindStringFormat(StringFormatHEXL), &shouting);
  EXPECT_EQ(EncodeStringFormat(Bytes({0xAB}), StringFormatHEXL), "AB");
  EXPECT_EQ(FindStringFormat(4242), &custom);

  RegisterStringFormats();  // start-up puts the standard formats back in place
  EXPECT_EQ(FindStringFormat(StringFormatHEXL), &TStringFormat_HEXL::Instance());
  EXPECT_EQ(FindStringFormat(4242), &custom);

  RegisterFormatClasses({&shouting});
  ResetStringFormats();  // shutdown forgets everything registered at run time
  EXPECT_EQ(FindStringFormat(StringFormatHEXL), &TStringFormat_HEXL::Instance());
  EXPECT_EQ(FindStringFormat(4242), nullptr);
  EXPECT_EQ(FindStringFormat(StringFormatXX), &TStringFormat_XX::Instance());
}
