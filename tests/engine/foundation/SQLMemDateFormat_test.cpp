#include "engine/foundation/SQLMemDateFormat.h"

#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Every engine block a test takes is given back.
class EngineBlocks : public EngineBlocksTest {};

AnsiString Hu(const char* utf8) { return Utf8ToCp1250(utf8); }

TDateTime At(Word y, Word mo, Word d, Word h = 0, Word mi = 0, Word s = 0, Word ms = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s, ms);
}

constexpr double kHalfMs = 0.5 / 86400000.0;

// ---- compiling ----

TEST(DateFormater, CompilesWordsLiteralsAndQuotedText) {
  struct Case {
    const char* pattern;
    std::vector<std::pair<TDateFormatToken, std::string>> items;
  };
  const Case cases[] = {
      {"DD.MM.YYYY", {{dftDD, ""}, {dftLiteral, "."}, {dftMM, ""}, {dftLiteral, "."}, {dftYYYY, ""}}},
      {"'Day' DD", {{dftLiteral, "Day"}, {dftLiteral, " "}, {dftDD, ""}}},
      {"\"at\"HH24", {{dftLiteral, "at"}, {dftHH24, ""}}},
      {"MONTH", {{dftMONTH, ""}}},     // the longest word, not MON + "TH"
      {"yyyy-mm-dd", {{dftYYYY, ""}, {dftLiteral, "-"}, {dftMM, ""}, {dftLiteral, "-"}, {dftDD, ""}}},
      {"hh12:nn AmPm", {{dftHH12, ""}, {dftLiteral, ":"}, {dftNN, ""}, {dftLiteral, " "}, {dftAMPM, ""}}},
      {"DDDD", {{dftDDD, ""}, {dftD, ""}}},
      {"RMQ", {{dftRM, ""}, {dftQ, ""}}},
      {"x'unclosed", {{dftLiteral, "x"}, {dftLiteral, "unclosed"}}},
      {"''", {}},
  };
  for (const Case& c : cases) {
    const TDateFormater f(c.pattern);
    ASSERT_EQ(f.Items().size(), c.items.size()) << c.pattern;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      EXPECT_EQ(f.Items()[i].token, c.items[i].first) << c.pattern << " item " << i;
      EXPECT_EQ(f.Items()[i].text, c.items[i].second) << c.pattern << " item " << i;
    }
  }
}

TEST(DateFormater, StartUpFixesTheLongestTokenWord) {
  InitializeEngineFoundation();
  EXPECT_EQ(DateFormatMaxTokenLength(), 5);
}

// ---- formatting ----

TEST(DateFormater, FormatsEveryTokenUnderEnglishSettings) {
  const TFormatSettings en = EnglishFormatSettings();
  const TDateTime t = At(2009, 3, 5, 13, 5, 9, 7);  // a Thursday
  struct Case {
    const char* pattern;
    const char* expected;
  };
  const Case cases[] = {
      {"DD.MM.YYYY", "05.03.2009"},
      {"YYYY-MM-DD HH24:NN:SS.ZZZ", "2009-03-05 13:05:09.007"},
      {"YEAR YY Q", "2009 09 1"},
      {"MONTH MON MM M RM", "March Mar 03 3 III"},
      {"DDD DD DAY DY DW D", "64 05 Thursday Thu 4 5"},
      {"HH12 HH H12 H HH24 H24", "01 01 1 1 13 13"},
      {"NN N SS S ZZZ Z", "05 5 09 9 007 7"},
      {"hh12:nn AMPM", "01:05 PM"},
      {"'Day' DD", "Day 05"},
  };
  for (const Case& c : cases) EXPECT_EQ(TDateFormater(c.pattern).DateTimeToStr(t, en), c.expected) << c.pattern;

  // Noon and midnight write hour 0 in the 12-hour forms.
  EXPECT_EQ(TDateFormater("hh12:nn AMPM").DateTimeToStr(At(2009, 3, 5, 12, 30), en), "00:30 PM");
  EXPECT_EQ(TDateFormater("HH:NN AMPM").DateTimeToStr(At(2009, 3, 5, 0, 30), en), "00:30 AM");
  // Sunday is 7; 1 January of year 1 was a Monday.
  EXPECT_EQ(TDateFormater("DW").DateTimeToStr(At(2009, 3, 8), en), "7");
  EXPECT_EQ(TDateFormater("DW").DateTimeToStr(At(1, 1, 1), en), "1");
  EXPECT_EQ(TDateFormater("RM DDD").DateTimeToStr(At(2008, 12, 31), en), "XII 366");
}

TEST(DateFormater, FormatsNamesFromTheSettings) {
  const TDateTime t = At(2009, 9, 10, 8, 4);  // a Thursday in September
  EXPECT_EQ(TDateFormater("YYYY. MONTH D., DAY").DateTimeToStr(t, HungarianFormatSettings()),
            Hu("2009. szeptember 10., csütörtök"));
  EXPECT_EQ(TDateFormater("DY DD MON").DateTimeToStr(t, HungarianFormatSettings()), Hu("Cs 10 szept."));
  {
    TFormatSettingsScope scope(EnglishFormatSettings());
    EXPECT_EQ(TDateFormater("DAY, MONTH DD").DateTimeToStr(t), "Thursday, September 10");
  }
}

// ---- parsing ----

TEST(DateFormater, ParsesTheFieldsOfThePattern) {
  const TFormatSettings en = EnglishFormatSettings();
  struct Case {
    const char* pattern;
    const char* text;
    TDateTime expected;
  };
  const Case cases[] = {
      {"DD.MM.YYYY", "05.03.2009", At(2009, 3, 5)},
      {"D.M.YYYY", "5.3.2009", At(2009, 3, 5)},
      {"hh12:nn AMPM", "01:05 PM", At(1899, 12, 30, 13, 5)},
      {"hh12:nn AMPM", "00:30 pm", At(1899, 12, 30, 12, 30)},
      {"HH12:NN AMPM", "11:59 AM", At(1899, 12, 30, 11, 59)},
      {"YY-MM-DD", "29-01-02", At(2029, 1, 2)},
      {"YY-MM-DD", "30-01-02", At(1930, 1, 2)},
      {"HH:NN", "10:30", At(1899, 12, 30, 10, 30)},  // no date fields: the zero date
      {"YYYY Q DD", "2009 3 15", At(2009, 7, 15)},
      {"DD RM YYYY", "05 VIII 2009", At(2009, 8, 5)},
      {"DD-RM-YYYY", "05-XII-2009", At(2009, 12, 5)},
      {"YYYYMMDDHH24NNSSZZZ", "20090305130509007", At(2009, 3, 5, 13, 5, 9, 7)},
      {"YYYY-MM-DD HH24:NN:SS.Z", "1899-12-29 06:00:00.5", At(1899, 12, 29, 6, 0, 0, 5)},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(TDateFormater(c.pattern).StrToDateTime(c.text, en), c.expected, kHalfMs) << c.pattern << " / " << c.text;
  }
}

// Names were once skipped by a fixed width, so "05 Mar 2009" came out as 30 December 1899.
TEST(DateFormater, ReadsMonthAndDayNames) {
  const TFormatSettings en = EnglishFormatSettings();
  const TFormatSettings hu = HungarianFormatSettings();
  EXPECT_EQ(TDateFormater("DD MON YYYY").StrToDateTime("05 Mar 2009", en), At(2009, 3, 5));
  EXPECT_EQ(TDateFormater("DD MON YYYY").StrToDateTime("05 MAR 2009", en), At(2009, 3, 5));
  EXPECT_EQ(TDateFormater("DAY, DD MONTH YYYY").StrToDateTime("Wednesday, 30 September 2009", en), At(2009, 9, 30));
  EXPECT_EQ(TDateFormater("DY DD MON YYYY").StrToDateTime("Wed 30 Sep 2009", en), At(2009, 9, 30));
  EXPECT_EQ(TDateFormater("YYYY. MONTH DD.").StrToDateTime(Hu("2009. május 07."), hu), At(2009, 5, 7));
  EXPECT_EQ(TDateFormater("YYYY. MON DD.").StrToDateTime(Hu("2009. máj. 07."), hu), At(2009, 5, 7));
  EXPECT_EQ(TDateFormater("DAY YYYY MON DD").StrToDateTime(Hu("Csütörtök 2009 SZEPT. 10"), hu), At(2009, 9, 10));
  EXPECT_EQ(TDateFormater("YYYY DDD").StrToDateTime("2008 366", en), At(2008, 12, 31));
  EXPECT_EQ(TDateFormater("DW DD.MM.YYYY").StrToDateTime("4 05.03.2009", en), At(2009, 3, 5));
  EXPECT_THROW(TDateFormater("DD MON YYYY").StrToDateTime("05 Mrz 2009", en), EConvertError);
  EXPECT_THROW(TDateFormater("YYYY DDD").StrToDateTime("2009 366", en), EConvertError);
}

TEST(DateFormater, RefusesTextThatDoesNotFit) {
  const TFormatSettings en = EnglishFormatSettings();
  ExpectEngineError([&] { TDateFormater("HH:NN AMPM").StrToDateTime("01:05 XM", en); }, 30129,
                    "AM/PM word expected, but 'XM' found - Native error: 30129");
  ExpectEngineError([&] { TDateFormater("HH:NN AMPM").StrToDateTime("01:05 P", en); }, 30129,
                    "AM/PM word expected, but 'P' found - Native error: 30129");
  EXPECT_THROW(TDateFormater("DD.MM.YYYY").StrToDateTime("aa.03.2009", en), EConvertError);
  EXPECT_THROW(TDateFormater("DD.MM.YYYY").StrToDateTime("-1.03.2009", en), EConvertError);
  EXPECT_THROW(TDateFormater("DD.MM.YYYY").StrToDateTime("31.02.2009", en), EConvertError);
  EXPECT_THROW(TDateFormater("DD.MM.YYYY").StrToDateTime("05.03.", en), EConvertError);
  EXPECT_THROW(TDateFormater("YYYY Q DD").StrToDateTime("2009 5 01", en), EConvertError);
  EXPECT_THROW(TDateFormater("RM").StrToDateTime("IIII", en), EConvertError);
  // 12 with PM is hour 24: the 12-hour forms write noon as 00.
  EXPECT_THROW(TDateFormater("HH12:NN AMPM").StrToDateTime("12:30 PM", en), EConvertError);
  EXPECT_THROW(TDateFormater("HH24:NN").StrToDateTime("24:00", en), EConvertError);
}

// Whatever a pattern writes, it reads back: every token under both profiles.
TEST(DateFormater, ParsingReadsBackWhatFormattingWrote) {
  const char* patterns[] = {
      "YYYY-MM-DD HH24:NN:SS.ZZZ",
      "DD MON YYYY H24:N:S.Z",
      "DAY, DD MONTH YEAR HH12:NN:SS AMPM",
      "DY D-RM-YY H12.NN AMPM",
      "YYYY DDD HH:NN",
      "DW D.M.YYYY",
      "\"year\" YYYY', month' MM', day' DD",
  };
  const TDateTime values[] = {
      At(2009, 3, 5, 13, 5, 9, 7),  At(1999, 12, 31, 23, 59, 59, 999), At(2024, 2, 29), At(2000, 9, 10, 12, 30),
      At(1930, 5, 1, 0, 0, 1),      At(2029, 11, 30, 11, 59),          At(2015, 8, 16, 18, 45, 30, 500),
  };
  for (const TFormatSettings& fs : {EnglishFormatSettings(), HungarianFormatSettings()}) {
    for (const char* pattern : patterns) {
      const TDateFormater f(pattern);
      for (TDateTime v : values) {
        const AnsiString text = f.DateTimeToStr(v, fs);
        const TDateTime back = f.StrToDateTime(text, fs);
        // The pattern's fields decide what survives: the time is compared to its shown precision.
        const AnsiString again = f.DateTimeToStr(back, fs);
        EXPECT_EQ(again, text) << pattern << " / " << Cp1250ToUtf8(text);
        Word y1, m1, d1, y2, m2, d2;
        DecodeDate(v, y1, m1, d1);
        DecodeDate(back, y2, m2, d2);
        EXPECT_EQ(y1 * 10000 + m1 * 100 + d1, y2 * 10000 + m2 * 100 + d2) << pattern << " / " << Cp1250ToUtf8(text);
      }
    }
  }
}

// A field of varying width followed directly by text that could continue it loses its boundary:
// such a pattern still formats, but parsing refuses it rather than reading another date.
TEST(DateFormater, FieldsThatRunTogetherAreNeverReadAsAnotherDate) {
  const TFormatSettings en = EnglishFormatSettings();
  struct Case {
    const char* pattern;
    TDateTime value;
    const char* text;
  };
  const Case cases[] = {
      {"YYYY MD", At(2024, 1, 11), "2024 111"},          // could be 1 November
      {"HN", At(2024, 1, 11, 1, 23), "123"},             // could be 12:03
      {"DDDYYYY", At(2024, 1, 11), "112024"},
      {"D'1'", At(2024, 1, 1), "11"},
      {"RM'IX'", At(2024, 1, 1), "IIX"},
      {"SZZZ", At(2024, 1, 1, 0, 0, 5, 7), "5007"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    const TDateFormater f(c.pattern);
    EXPECT_EQ(f.DateTimeToStr(c.value, en), c.text);
    EXPECT_THROW(f.StrToDateTime(c.text, en), EConvertError);
  }
  // Fixed widths, names and separators keep the boundaries: these read back.
  for (const char* pattern : {"YYYYMMDD", "HH24NNSS", "DMONTHYYYY", "M/D/YYYY H:N", "RM-D YYYY", "H AMPM", "DWDD.MM.YYYY"}) {
    SCOPED_TRACE(pattern);
    const TDateFormater f(pattern);
    const AnsiString text = f.DateTimeToStr(At(2024, 1, 11, 1, 23), en);
    EXPECT_EQ(f.DateTimeToStr(f.StrToDateTime(text, en), en), text);
  }
}

// ---- result length ----

TEST(DateFormater, ResultLengthBoundsEveryText) {
  EXPECT_EQ(TDateFormater("YYYY-MM-DD").GetResultLength(EnglishFormatSettings()), 10);
  EXPECT_EQ(TDateFormater("DAY").GetResultLength(EnglishFormatSettings()), 12);
  EXPECT_EQ(TDateFormater("MONTH").GetResultLength(EnglishFormatSettings()), 9);
  EXPECT_EQ(TDateFormater("RM").GetResultLength(EnglishFormatSettings()), 4);                 // "VIII"
  EXPECT_EQ(TDateFormater("MONTH").GetResultLength(HungarianFormatSettings()), 10);          // "szeptember"
  EXPECT_EQ(TDateFormater("MON").GetResultLength(HungarianFormatSettings()), 6);             // "szept."
  EXPECT_EQ(TDateFormater("'at' HH24:NN").GetResultLength(EnglishFormatSettings()), 8);
  EXPECT_EQ(TDateFormater("Q DW").GetResultLength(EnglishFormatSettings()), 4);  // Q one, DW two

  std::string all;
  for (const char* word : {"YYYY", "YY", "YEAR", "Q", "MONTH", "MON", "MM", "M", "RM", "DDD", "DD", "DAY", "DY",
                           "DW", "D", "HH12", "HH24", "HH", "H12", "H24", "H", "NN", "N", "SS", "S", "ZZZ", "Z",
                           "AMPM"}) {
    all += word;
    all += '|';
  }
  const TDateFormater f(all);
  for (const TFormatSettings& fs : {EnglishFormatSettings(), HungarianFormatSettings()}) {
    const Integer bound = f.GetResultLength(fs);
    // Every month, every weekday, the longest fields of the day.
    for (Word month = 1; month <= 12; ++month) {
      for (Word day = 20; day <= 26; ++day) {
        const AnsiString text = f.DateTimeToStr(At(2008, month, day, 23, 59, 59, 999), fs);
        EXPECT_LE(static_cast<Integer>(text.size()), bound) << Cp1250ToUtf8(text);
      }
    }
  }
}

// ---- value buffers ----

TEST_F(EngineBlocks, ValueBufferSizeByDataType) {
  struct Case {
    Integer type, length, size;
  };
  const Case cases[] = {
      {1, 10, 11}, {3, 0, 1},  {2, 10, 22}, {4, 10, 22}, {5, 0, 1},   {9, 0, 1},   {6, 0, 2},   {10, 0, 2},
      {21, 0, 2},  {7, 0, 4},  {11, 0, 4},  {12, 0, 4},  {15, 0, 4},  {16, 0, 4},  {8, 0, 8},   {13, 0, 8},
      {17, 0, 8},  {18, 0, 8}, {19, 0, 8},  {20, 0, 8},  {22, 0, 8},  {14, 0, 10}, {23, 7, 7},  {24, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueBufferSize(c.type, c.length), c.size) << c.type << "/" << c.length;
  ExpectEngineError([] { ValueBufferSize(0, 0); }, 30050, "Unknown DataType: 'Unknown' - Native error: 30050");
  ExpectEngineError([] { ValueBufferSize(25, 0); }, 30050, "Unknown DataType: 'Unknown' - Native error: 30050");
  EXPECT_THROW(ValueBufferSize(3, -2), ERangeError);
}

// Takes a block that CopyValueToBuffer made and gives it back when the test is done with it.
struct Copied {
  void* buffer = nullptr;
  Integer size = 0;
  Copied(Integer type, const void* source, Integer length = 0) { CopyValueToBuffer(type, source, buffer, size, length); }
  ~Copied() { MemoryManager().FreeMem(buffer); }
  std::string Bytes() const { return buffer ? std::string(static_cast<const char*>(buffer), size) : std::string(); }
};

TEST_F(EngineBlocks, CopyValueToBufferCopiesEachStorageForm) {
  {
    const Copied text(3, "abc");
    EXPECT_EQ(text.Bytes(), std::string("abc\0", 4));
    EXPECT_EQ(MemoryManager().GetBlockSize(text.buffer), 4);
  }
  {
    const Copied fixed(1, "x");
    EXPECT_EQ(fixed.Bytes(), std::string("x\0", 2));
  }
  {
    // Wide text from an odd address: the copy must not assume alignment.
    char raw[9] = {0, 'a', 0, 'b', 0, 0, 0, 0, 0};
    const Copied wide(4, raw + 1);
    EXPECT_EQ(wide.Bytes(), std::string("a\0b\0\0\0", 6));
  }
  {
    const Copied empty(3, "");
    EXPECT_EQ(empty.buffer, nullptr);
    EXPECT_EQ(empty.size, 0);
    const char16_t none[1] = {0};
    const Copied emptyWide(2, none);
    EXPECT_EQ(emptyWide.buffer, nullptr);
  }
  {
    const Integer v = 0x01020304;
    const Copied integer(7, &v);
    EXPECT_EQ(integer.Bytes(), std::string("\x04\x03\x02\x01", 4));
  }
  {
    const char extended[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const Copied e(14, extended);
    EXPECT_EQ(e.Bytes(), std::string(extended, 10));
  }
  // Byte strings carry their length (they were once copied as nothing, so Bytes values became null).
  {
    const Copied bytes(23, "\x00\x01\x02", 3);
    EXPECT_EQ(bytes.Bytes(), std::string("\x00\x01\x02", 3));
    const Copied blob(18, "ab\0c", 4);
    EXPECT_EQ(blob.Bytes(), std::string("ab\0c", 4));
    const Copied memo(19, "abc", 3);
    EXPECT_EQ(memo.Bytes(), "abc");  // no terminator
    const Copied none(24, "x", 0);
    EXPECT_EQ(none.buffer, nullptr);
  }
  void* buffer = reinterpret_cast<void*>(1);
  Integer size = 5;
  ExpectEngineError([&] { CopyValueToBuffer(0, "x", buffer, size); }, 30050,
                    "Unknown DataType: 'Unknown' - Native error: 30050");
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(size, 0);
}

TEST_F(EngineBlocks, CopyValueToBufferReportsTheMemoryLimit) {
  MemoryManager().SetMemoryLimit(MemoryManager().Allocated() + 8);
  void* buffer = nullptr;
  Integer size = 0;
  const std::string big(100, 'x');
  EXPECT_THROW(CopyValueToBuffer(3, big.c_str(), buffer, size), ESQLMemException);
  MemoryManager().SetMemoryLimit(0);
  EXPECT_EQ(buffer, nullptr);
}

TEST_F(EngineBlocks, DecodesHexAndBase64IntoBlocksOfTheExactLength) {
  Integer size = -1;
  void* hex = HexToBinaryBuffer("01ab FF", size);
  ASSERT_NE(hex, nullptr);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(MemoryManager().GetBlockSize(hex), 3);
  EXPECT_EQ(std::memcmp(hex, "\x01\xAB\xFF", 3), 0);
  MemoryManager().FreeMem(hex);

  void* mime = Mime64ToBinaryBuffer("AQID", size);
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(std::memcmp(mime, "\x01\x02\x03", 3), 0);
  MemoryManager().FreeMem(mime);

  EXPECT_EQ(HexToBinaryBuffer("", size), nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(Mime64ToBinaryBuffer("", size), nullptr);
  EXPECT_THROW(HexToBinaryBuffer("1G", size), EStringFormat);
}

TEST(WideCase, MapsHungarianLetters) {
  EXPECT_EQ(UpperCaseWide(u"árvíztűrő tükörfúrógép"), u"ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP");
  EXPECT_EQ(LowerCaseWide(u"ÁRVÍZTŰRŐ Tükör"), u"árvíztűrő tükör");
  EXPECT_EQ(UpperCaseWide(u""), u"");
}

}  // namespace
