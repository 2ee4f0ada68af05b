// The skin lint finds each kind of fault: every case spoils the built-in skin in one way and expects
// the one complaint that names it.
#include "skin/builtin/skSkinLint.h"

#include <gtest/gtest.h>

#include <functional>
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinPackWriter.h"
#include "skin/portable/SkinFixtures.h"

namespace {

using namespace skintest;

TskOptionsSection& SectionOf(TskOptionsText& o, const std::string& name) {
  for (TskOptionsSection& s : o.Sections)
    if (s.Name == name) return s;
  ADD_FAILURE() << "no section " << name;
  return o.Sections.front();
}

void SetKey(TskOptionsText& o, const std::string& section, const std::string& key, const std::string& value) {
  TskOptionsSection& s = SectionOf(o, section);
  for (auto& [k, v] : s.Keys)
    if (k == key) {
      v = value;
      return;
    }
  s.Keys.emplace_back(key, value);
}

void EraseKey(TskOptionsText& o, const std::string& section, const std::string& key) {
  auto& keys = SectionOf(o, section).Keys;
  std::erase_if(keys, [&](const auto& kv) { return kv.first == key; });
}

// Changes a mask value of the built-in skin through a function on its parsed form.
void EditMask(TskOptionsText& o, const std::string& section, const std::string& key,
              const std::function<void(TskMaskValue&)>& edit) {
  TskMaskValue m = *ParseMaskValue(*SectionOf(o, section).Find(key));
  edit(m);
  SetKey(o, section, key, FormatMaskValue(m));
}

bool Mentions(const std::vector<std::string>& problems, const std::string& part) {
  for (const std::string& p : problems)
    if (p.find(part) != std::string::npos) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& problems) {
  std::string out;
  for (const std::string& p : problems) out += "\n  " + p;
  return out;
}

struct SpoilCase {
  const char* what;
  std::function<void(TskOptionsText&)> spoilOptions;  // on the parsed options
  std::function<void(std::string&)> spoilText;        // or on the written text
  const char* complaint;
};

TEST(SkinLint, NamesEveryKindOfFault) {
  const TskBuiltinSkin skin = BuildBuiltinSkin();
  const int w = skin.Master.Width(), h = skin.Master.Height();
  const SpoilCase cases[] = {
      {"lower-case key", [](auto& o) { SetKey(o, "FORM", "Color", "0"); }, nullptr, "upper-case KEY=value"},
      {"lower-case section", [](auto& o) { o.Sections.push_back({"Panel2", {}}); }, nullptr, "section name is not upper case"},
      {"blank after =", [](auto& o) { SetKey(o, "FORM", "TRANSPARENCY", " 0"); }, nullptr, "blank after"},
      {"LF line end", nullptr, [](auto& t) { t.replace(t.find("\r\n"), 2, "\n"); }, "CRLF"},
      {"non-ASCII text", [](auto& o) { SetKey(o, "GLOBALINFO", "AUTHOR", "N\xF5"); }, nullptr, "plain ASCII"},
      {"# in text", [](auto& o) { SetKey(o, "GLOBALINFO", "AUTHOR", "Team #1"); }, nullptr, "contains \"#\""},
      {"image name in text", [](auto& o) { SetKey(o, "GLOBALINFO", "DESCRIPTION", "see look.png"); }, nullptr, "\".PNG\""},
      {"texture-like text", [](auto& o) { SetKey(o, "GLOBALINFO", "DESCRIPTION", "~soft"); }, nullptr, "texture or own-image"},
      {"version", [](auto& o) { SetKey(o, "GLOBALINFO", "VERSION", "8.12"); }, nullptr, "VERSION is not 8.00"},
      {"lower-case master", [](auto& o) { SetKey(o, "GLOBALINFO", "MASTERBITMAP", "Master.bmp"); }, nullptr, "MASTERBITMAP"},
      {"one global state", [](auto& o) { SetKey(o, "GLOBALINFO", "STATES", "1"); }, nullptr, "STATES below 2"},
      {"system colour", [](auto& o) { SetKey(o, "EDIT", "COLOR", "-16777211"); }, nullptr, "not a colour value"},
      {"broken template", [](auto& o) { SetKey(o, "EDIT", "BORDERSMASK", "^12^0"); }, nullptr, "does not follow its template"},
      {"mask outside master",
       [w](auto& o) { EditMask(o, "GLOBALINFO", "GRIPIMAGE", [w](TskMaskValue& m) { m.R.Left = w - 4, m.R.Right = w + 8; }); },
       nullptr, "outside the master bitmap"},
      {"states not whole", [](auto& o) { EditMask(o, "GLOBALINFO", "BOXCHECKED", [](TskMaskValue& m) { m.Count = 2; }); },
       nullptr, "whole number of states"},
      {"middle part zero", [](auto& o) { EditMask(o, "BUTTON", "BORDERSMASK", [](TskMaskValue& m) { m.WL = m.WR = 6; }); },
       nullptr, "middle part"},
      {"parent cycle", [](auto& o) { SetKey(o, "FORM", "PARENTCLASS", "DIALOG"); }, nullptr, "cycle"},
      {"parent itself", [](auto& o) { SetKey(o, "PANEL", "PARENTCLASS", "PANEL"); }, nullptr, "names itself"},
      {"missing section", [](auto& o) { std::erase_if(o.Sections, [](auto& s) { return s.Name == "MENUITEM"; }); },
       nullptr, "MENUITEM: section the diary needs"},
      {"missing glyph", [](auto& o) { EraseKey(o, "GLOBALINFO", "SICONHELP"); }, nullptr, "SICONHELP: mask is missing"},
      {"tall title button",
       [](auto& o) { EditMask(o, "GLOBALINFO", "BICONCLOSE", [](TskMaskValue& m) { m.R.Bottom = m.R.Top + 22; }); },
       nullptr, "do not fit both caption heights"},
      {"uneven title buttons",
       [](auto& o) { EditMask(o, "GLOBALINFO", "BICONMIN", [](TskMaskValue& m) { m.R.Bottom -= 2; }); }, nullptr,
       "BICONMIN: height differs"},
      {"triangle gradient", [](auto& o) { SetKey(o, "FORMTITLE", "GRADIENTDATA", "0;16777215;100;2;0;"); }, nullptr,
       "gradient mode"},
      {"gradient text", [](auto& o) { SetKey(o, "FORMTITLE", "HOTGRADIENTDATA", "0;white;100;0;0;"); }, nullptr,
       "does not parse"},
      {"percent without data", [](auto& o) { SetKey(o, "ICOLINE", "GRADIENTPERCENT", "100"); }, nullptr,
       "GRADIENTPERCENT without GRADIENTDATA"},
      {"duplicate key", [](auto& o) { SectionOf(o, "EDIT").Keys.emplace_back("COLOR", "0"); }, nullptr, "appears twice"},
  };
  for (const SpoilCase& c : cases) {
    TskOptionsText options = skin.Options;
    if (c.spoilOptions) c.spoilOptions(options);
    std::string text = WriteOptionsText(options);
    if (c.spoilText) c.spoilText(text);
    const std::vector<std::string> problems = LintSkinOptions(text, w, h);
    EXPECT_TRUE(Mentions(problems, c.complaint)) << c.what << ": expected \"" << c.complaint << "\", got" << Joined(problems);
  }
}

TEST(SkinLint, MasterPixelsAreOpaqueOrExactlyTheKey) {
  const struct {
    uint32_t pixel;
    bool fine;
  } cases[] = {{kKeyPixel, true}, {Rgb(16, 32, 48), true}, {0xFFFF00FFu, false}, {0x80FF00FFu, false}, {0x00000000u, false}};
  for (const auto& c : cases) {
    TskRgbaImage image(3, 2, Rgb(1, 2, 3));
    image.Set(2, 1, c.pixel);
    EXPECT_EQ(LintMasterBitmap(image).empty(), c.fine) << std::hex << c.pixel;
  }
}

TEST(SkinLint, PackEntriesMustBeCompleteNonEmptyAndShort) {
  std::vector<TskPackEntryInfo> entries;
  EXPECT_EQ(LintPack(WritePackedSkin({{"Options.dat", "[A]\r\n"}, {"X.BMP", Noise(1000, 7)}}), &entries),
            std::vector<std::string>{});
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].Size, 1000u);
  EXPECT_GT(entries[1].StreamSize, 1000u) << "noise does not compress";

  const struct {
    const char* what;
    Bytes pack;
    const char* complaint;
  } cases[] = {
      {"empty entry", Pack({{"Options.dat", "[A]"}, {"E.BMP", ""}}), "E.BMP: empty entry"},
      {"long stream", Pack({{"Options.dat", "[A]"}, {"N.BMP", Noise(70000, 3)}}), "longer than 64 KiB"},
      {"size too small", PackHeader(1) + PackEntryBytes("Options.dat", "[ABCDEF]", 9, 3), "longer than its size"},
      {"size too large", PackHeader(1) + PackEntryBytes("Options.dat", "[ABCDEF]", 9, 30), "inflates to 8 bytes"},
      {"cut short", Pack({{"Options.dat", "[ABCDEF]"}}).substr(0, 30), "damaged"},
      {"trailing bytes", Pack({{"Options.dat", "[A]"}}) + "xx", "bytes after the last entry"},
      {"other magic", "CVzg" + Bytes(4, '\0'), "no \"CVzf\" header"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> problems = LintPack(c.pack);
    EXPECT_TRUE(Mentions(problems, c.complaint)) << c.what << ": got" << Joined(problems);
  }
}

TEST(SkinOptionsText, MaskValuesFollowTheirTemplatesExactly) {
  const char* good[] = {"@0147@0027@0195@0044@3@0", "^0000^0147^0090^0207^0014^0014^0015^0015^3^1^7^1"};
  for (const char* v : good) {
    const std::optional<TskMaskValue> m = ParseMaskValue(v);
    ASSERT_TRUE(m) << v;
    EXPECT_EQ(FormatMaskValue(*m), v);
  }
  const TskMaskValue glyph = *ParseMaskValue(good[0]);
  EXPECT_EQ(glyph.R, (TRect{147, 27, 195, 44}));
  EXPECT_EQ(glyph.StateWidth(), 16);
  EXPECT_EQ(glyph.StateRect(5), (TRect{179, 27, 195, 44})) << "states past the last take the last";
  const TskMaskValue borders = *ParseMaskValue(good[1]);
  EXPECT_EQ(borders.StateHeight(), 30) << "mask type 1: an alpha row below the images";
  EXPECT_EQ(borders.DrawMode, 7);
  for (const char* bad : {"@0147@0027@0195@0044@3", "@147@0027@0195@0044@3@0", "@0147@0027@0195@0044@3@0x",
                          "^0000^0147^0090^0207^0014^0014^0015^0015^3^1^7", "@0147@00a7@0195@0044@3@0", ""})
    EXPECT_FALSE(ParseMaskValue(bad)) << bad;
}

TEST(SkinOptionsText, ReadsWhatItWritesAndFollowsParents) {
  TskOptionsText o;
  o.Sections = {{"A", {{"PARENTCLASS", "B"}, {"X", "1"}}}, {"B", {{"PARENTCLASS", "A"}, {"Y", "2=3"}}}};
  const std::string text = WriteOptionsText(o);
  EXPECT_EQ(text, "[A]\r\nPARENTCLASS=B\r\nX=1\r\n\r\n[B]\r\nPARENTCLASS=A\r\nY=2=3\r\n\r\n");
  const TskOptionsText back = ParseOptionsText("; comment\n[A]\r\n PARENTCLASS = B \r\nX=1\n\n[B]\nPARENTCLASS=A\nY=2=3");
  ASSERT_EQ(back.Sections.size(), 2u);
  EXPECT_EQ(WriteOptionsText(back), text);
  EXPECT_EQ(*back.Lookup("A", "Y"), "2=3");
  EXPECT_EQ(back.Lookup("A", "Z"), nullptr) << "a cycle ends the search";
}

}  // namespace
