// The in-memory INI text: parsing, case-sensitive and case-insensitive names, typed reads with their
// defaults, "." decimals under a "," locale, writing back and the file round trip.
#include "vcl/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <memory>

#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"

namespace {

const char kOptions[] =
    "; skin options\r\n"
    "stray=before any section\r\n"
    "[GLOBALINFO]\r\n"
    "VERSION = 7.5\r\n"
    "Color=1\r\n"
    "COLOR=2\r\n"
    "\r\n"
    "[BUTTON]\r\n"
    "HOTCOLOR=0x00FF00\r\n"
    "STATES=3\r\n"
    "SHADOW=-\r\n"
    "EMPTY=\r\n"
    "[GLOBALINFO]\r\n"
    "AUTHOR=me\r\n";

std::unique_ptr<TMemIniFile> Load(bool caseSensitive) {
  TStringList lines;
  lines.SetText(kOptions);
  auto ini = std::make_unique<TMemIniFile>(AnsiString(), caseSensitive);
  ini->SetStrings(lines);
  return ini;
}

}  // namespace

TEST(MemIniFile, CaseSensitiveNamesKeepKeysApart) {
  const auto owned = Load(true);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadInteger("GLOBALINFO", "Color", -1), 1);
  EXPECT_EQ(ini.ReadInteger("GLOBALINFO", "COLOR", -1), 2);
  EXPECT_EQ(ini.ReadInteger("GLOBALINFO", "color", -1), -1);
  EXPECT_FALSE(ini.SectionExists("button"));
  EXPECT_TRUE(ini.SectionExists("BUTTON"));
  EXPECT_EQ(ini.ReadString("GLOBALINFO", "AUTHOR", ""), "me");  // a repeated section goes on

  TStringList sections, keys;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.CommaText(), "GLOBALINFO,BUTTON");
  ini.ReadSection("GLOBALINFO", keys);
  EXPECT_EQ(keys.CommaText(), "VERSION,Color,COLOR,AUTHOR");
}

TEST(MemIniFile, CaseInsensitiveNamesFindTheFirstMatch) {
  const auto owned = Load(false);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadInteger("globalinfo", "color", -1), 1);
  EXPECT_TRUE(ini.ValueExists("button", "states"));
  EXPECT_FALSE(ini.ValueExists("button", "stray"));
  EXPECT_FALSE(ini.ValueExists("", "stray"));  // text before the first section belongs to none
}

TEST(MemIniFile, TypedReadsFallBackToTheirDefaults) {
  const auto owned = Load(true);
  TMemIniFile& ini = *owned;
  struct Case {
    const char* key;
    Integer integer;
    bool boolean;
  } cases[] = {
      {"HOTCOLOR", 0x00FF00, true},  // hexadecimal after 0x
      {"STATES", 3, true},
      {"SHADOW", 42, true},          // no number: the default
      {"EMPTY", 42, true},
      {"MISSING", 42, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.ReadInteger("BUTTON", c.key, 42), c.integer);
    EXPECT_EQ(ini.ReadBool("BUTTON", c.key, true), c.boolean);
  }
  EXPECT_FALSE(ini.ReadBool("BUTTON", "SHADOW", false));
  EXPECT_EQ(ini.ReadString("BUTTON", "SHADOW", "x"), "-");
  EXPECT_EQ(ini.ReadString("BUTTON", "EMPTY", "x"), "");
  EXPECT_EQ(ini.ReadString("NOWHERE", "EMPTY", "x"), "x");
}

TEST(MemIniFile, FloatsUseTheDotWhateverTheLocale) {
  const TFormatSettings saved = FormatSettings();
  FormatSettings() = HungarianFormatSettings();  // "," decimals
  const auto owned = Load(true);
  TMemIniFile& ini = *owned;
  EXPECT_DOUBLE_EQ(ini.ReadFloat("GLOBALINFO", "VERSION", 0), 7.5);
  ini.WriteFloat("GLOBALINFO", "SCALE", 1.25);
  EXPECT_EQ(ini.ReadString("GLOBALINFO", "SCALE", ""), "1.25");
  ini.WriteString("GLOBALINFO", "LOCAL", "2,5");  // written by hand in the locale's form
  EXPECT_DOUBLE_EQ(ini.ReadFloat("GLOBALINFO", "LOCAL", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("GLOBALINFO", "AUTHOR", -1), -1);
  FormatSettings() = saved;
}

TEST(MemIniFile, WritesEraseAndTheFileRoundTrip) {
  const WideString folder = os::TempFolder();
  const AnsiString name = Utf16ToCp1250(folder) + "qn_inifile_test.ini";
  DeleteFile(name);
  {
    TMemIniFile ini(name, true);
    EXPECT_EQ(ini.ReadString("A", "k", "none"), "none");  // no file yet
    ini.WriteInteger("A", "k", -5);
    ini.WriteBool("A", "b", true);
    ini.WriteString("B", "text", Utf8ToCp1250("tűz"));
    ini.WriteInteger("A", "k", 6);  // replaces in place
    ini.WriteString("C", "gone", "1");
    ini.EraseSection("C");
    ini.WriteString("B", "drop", "1");
    ini.DeleteKey("B", "drop");
    ini.UpdateFile();
  }
  TMemIniFile again(name, true);
  TStringList lines;
  again.GetStrings(lines);
  EXPECT_EQ(lines.Text(), Utf8ToCp1250("[A]\r\nk=6\r\nb=1\r\n\r\n[B]\r\ntext=tűz\r\n\r\n"));
  TStringList values;
  again.ReadSectionValues("A", values);
  EXPECT_EQ(values.Values("k"), "6");
  EXPECT_TRUE(DeleteFile(name));
}
