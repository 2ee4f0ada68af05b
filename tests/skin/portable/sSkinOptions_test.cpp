#include "skin/manager/sSkinOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

namespace {

std::unique_ptr<TMemIniFile> IniOf(std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  auto ini = std::make_unique<TMemIniFile>(AnsiString(), true);
  ini->SetStrings(lines);
  return ini;
}

const TsColorToRGB kIdentity = [](Integer c) { return c; };

const TsGeneralData* Find(const TsGeneralDataArray& sections, const char* name) {
  for (const auto& s : sections)
    if (s.ClassName == name) return &s;
  return nullptr;
}

// ---- image values ----

struct MaskCase {
  const char* value;
  TsMaskForm form;
  TRect r;
  Integer count, type, drawMode, borderWidth, imgType;
  Integer wl, wt, wr, wb;
};

TEST(SkinMaskValue, EveryFormParsesIntoItsFields) {
  const MaskCase cases[] = {
      {"@0147@0027@0195@0044@3@0", TsMaskForm::Glyph, {147, 27, 195, 44}, 3, 0, 0, 0, itSimple, 0, 0, 0, 0},
      {"^0000^0147^0090^0207^0014^0014^0015^0015^3^1^7^1", TsMaskForm::Borders, {0, 147, 90, 207}, 3, 1, 7, 1,
       itBorders, 14, 14, 15, 15},
      // Zero widths and no common width: a third of a state image (90 / 3 / 3) and of a row (60 / 2 / 3).
      {"^0000^0000^0090^0060^0000^0000^0000^0000^3^1^1^0", TsMaskForm::Borders, {0, 0, 90, 60}, 3, 1, 1, 0,
       itBorders, 10, 10, 10, 10},
      // Zero widths with a common width: all four take it.
      {"^0000^0000^0090^0060^0000^0000^0000^0000^3^1^1^2", TsMaskForm::Borders, {0, 0, 90, 60}, 3, 1, 1, 2,
       itBorders, 2, 2, 2, 2},
      {"~0010~0020~0030~0040~05", TsMaskForm::Texture, {10, 20, 30, 40}, 1, 0, 5, 0, itTexture, 0, 0, 0, 0},
      {"~0010~0020~0030~0040~05~1", TsMaskForm::Texture, {10, 20, 30, 40}, 1, 1, 5, 0, itTexture, 0, 0, 0, 0},
      {"!BTN.BMP!2!1", TsMaskForm::OwnImage, {}, 2, 1, 1, 0, 0, 0, 0, 0, 0},
      {"!glyph.png!4!0!9!1!2!3!4!6", TsMaskForm::OwnImage, {}, 4, 0, 6, 0, 4, 1, 2, 3, 4},
      {"!BTN.BMP!x!1", TsMaskForm::OwnImage, {}, 0, 1, 1, 0, 0, 0, 0, 0, 0},
      {"Panel.bmp", TsMaskForm::PlainFile, {}, 3, 1, 0, 0, itBorders, 0, 0, 0, 0},
      {"#MASK (0,0,60,40) (2,1,0)", TsMaskForm::Bracketed, {0, 0, 60, 40}, 2, 1, 1, 0, itBorders, 10, 6, 10, 6},
      {"#MASK (0,0,60,40) (0,-3,5,4)", TsMaskForm::Bracketed, {0, 0, 60, 40}, 1, 0, 4, 5, itBorders, 5, 5, 5, 5},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.value);
    const TsMaskValue m = ParseMaskValue(c.value, 8.0);
    EXPECT_EQ(m.Form, c.form);
    EXPECT_EQ(m.R, c.r);
    EXPECT_EQ(m.ImageCount, c.count);
    EXPECT_EQ(m.MaskType, c.type);
    EXPECT_EQ(m.DrawMode, c.drawMode);
    EXPECT_EQ(m.BorderWidth, c.borderWidth);
    EXPECT_EQ(m.ImgType, c.imgType);
    EXPECT_EQ((std::vector<Integer>{m.WL, m.WT, m.WR, m.WB}), (std::vector<Integer>{c.wl, c.wt, c.wr, c.wb}));
  }
}

TEST(SkinMaskValue, OwnImagesGetDefaultWidthsOnlyWithoutThem) {
  TsMaskValue short_ = ParseMaskValue("!BTN.BMP!2!1", 8.0);
  EXPECT_TRUE(short_.NeedsDefaultWidths);
  short_.R = {0, 0, 60, 60};
  ApplyDefaultBorderWidths(short_);
  EXPECT_EQ(short_.WL, 10);
  EXPECT_EQ(short_.WT, 10);
  EXPECT_FALSE(ParseMaskValue("!BTN.BMP!2!1!0!1!1!1!1", 8.0).NeedsDefaultWidths);
  // A count of 0 and a negative type would divide by zero: they count as 1 and 0.
  TsMaskValue zero;
  zero.R = {0, 0, 30, 30};
  zero.ImageCount = 0;
  zero.MaskType = -1;
  ApplyDefaultBorderWidths(zero);
  EXPECT_EQ(zero.WL, 10);
  EXPECT_EQ(zero.WT, 10);
}

TEST(SkinMaskValue, ValuesThatAreNoImagesAndBrokenColumns) {
  for (const char* v : {"", "16777215", "#", "N/A", "15790320;14737632;50;0;0;", "!NOTES.TXT!1!1", "Photo.jpg"})
    EXPECT_EQ(ParseMaskValue(v, 8.0).Form, TsMaskForm::None) << v;
  // Fixed columns that hold no number, or that the value does not reach, raise.
  for (const char* v : {"@01x7@0027@0195@0044@3@0", "@0147@0027", "^0000^0147^0090^0207^0014", "~0010~0020"})
    EXPECT_THROW(ParseMaskValue(v, 8.0), EConvertError) << v;
}

TEST(SkinMaskValue, OldSkinsTakeTheStretchBitFromAOnePixelMiddle) {
  // 3 states of 21 x 21 (mask type 1: 42 rows), widths 10: the middle is one pixel.
  EXPECT_EQ(ParseMaskValue("^0000^0000^0063^0042^0010^0010^0010^0010^3^1^6^0", 7.3).DrawMode, 7);
  EXPECT_EQ(ParseMaskValue("^0000^0000^0063^0042^0009^0010^0010^0010^3^1^7^0", 7.3).DrawMode, 6);
  EXPECT_EQ(ParseMaskValue("^0000^0000^0063^0042^0009^0010^0010^0010^3^1^7^0", 7.4).DrawMode, 7);
  EXPECT_EQ(ParseMaskValue("~0010~0020~0030~0040~05~1", 7.0).DrawMode, 4);
}

TEST(SkinMaskValue, CornerFlagFollowsKeyPixelsInTheFirstStateCorners) {
  // One 2-state mask of 8 x 4 per state, widths 2.
  std::vector<Cardinal> pixels(16 * 4, 0xFF808080u);
  const TsPixelView view{pixels.data(), 16, 4, 16};
  TsMaskData mask;
  mask.R = {0, 0, 16, 4};
  mask.ImageCount = 2;
  mask.WL = mask.WT = mask.WR = mask.WB = 2;
  EXPECT_EQ(ScanMaskCorners(view, mask), 0);
  view.At(5, 1) = 0x00FF00FFu;  // top edge between the corners: not a corner
  view.At(9, 0) = 0xFFFF00FFu;  // second state's corner: not scanned
  EXPECT_EQ(ScanMaskCorners(view, mask), 0);
  view.At(7, 3) = 0xFFFF00FFu;  // bottom right corner of the first state, opaque magenta
  EXPECT_EQ(ScanMaskCorners(view, mask), 1);
  // A rectangle past the image is clipped, not read.
  mask.R = {10, 2, 40, 30};
  mask.ImageCount = 1;
  EXPECT_EQ(ScanMaskCorners(view, mask), 0);
}

TEST(SkinPngPixels, WhiteWithoutAlphaClearsAndNewSkinsPremultiply) {
  std::vector<Cardinal> p = {0x00FFFFFFu, 0x80FF8040u, 0xFFFFFFFFu};
  std::vector<Cardinal> old = p;
  PrepareSkinPngPixels(p.data(), p.size(), 8.0);
  EXPECT_EQ(p, (std::vector<Cardinal>{0, 0x807F4020u, 0xFFFEFEFEu}));
  PrepareSkinPngPixels(old.data(), old.size(), 7.45);
  EXPECT_EQ(old, (std::vector<Cardinal>{0, 0x80FF8040u, 0xFFFFFFFFu}));
}

// ---- sections ----

TEST(SkinSections, KeysDefaultsStatesAndGradients) {
  const auto ini = IniOf(
      "[GLOBALINFO]\nVERSION=8.00\nCOLOR=100\nHOTCOLOR=200\n"
      "[BUTTON]\nCOLOR=N/A\nHOTCOLOR=300\nFONTCOLOR=5\nSTATES=1\nSHOWFOCUS=TRUE\nGIVEOWNFONT=yes\n"
      "GRADIENTPERCENT=40\nGRADIENTDATA=255;0;100;0;0;\n"
      "[EDIT]\nGRADIENTPERCENT=40\nGRADIENTDATA=x\nHOTGRADIENTPERCENT=30\nFADINGITERATIONS=-1\n");
  TsGeneralDataArray sections;
  ReadSkinSections(*ini, nullptr, kIdentity, sections);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].ClassName, "GLOBALINFO");
  EXPECT_EQ(sections[0].Props[1].Color, 200);

  const TsGeneralData& button = sections[1];
  EXPECT_EQ(button.Props[0].Color, 0xFFFFFF);  // not a number: the default
  EXPECT_EQ(button.Props[0].TextColor, 5);
  EXPECT_TRUE(button.ShowFocus);
  EXPECT_FALSE(button.GiveOwnFont);
  EXPECT_EQ(button.Props[0].GradientPercent, 40);
  ASSERT_EQ(button.Props[0].GradientArray.size(), 1u);
  EXPECT_EQ(button.Props[0].GradientArray[0].Color1, 255);
  // One state: the hot state is the normal one whatever hot keys the section has.
  EXPECT_EQ(button.Props[1].Color, button.Props[0].Color);
  EXPECT_EQ(button.Props[1].GradientArray, button.Props[0].GradientArray);
  EXPECT_EQ(button.Hot.Color, 0xFFFFFF);

  const TsGeneralData& edit = sections[2];
  EXPECT_EQ(edit.States, 3);
  EXPECT_EQ(edit.Props[0].GradientPercent, 0);  // a gradient text shorter than 2 characters
  EXPECT_EQ(edit.Props[1].GradientPercent, 0);  // no hot gradient text
  EXPECT_EQ(edit.FadingIterations, 5);          // -1 counts as missing
  EXPECT_EQ(edit.Props[0].ContourLeft, clNoContour);
}

TEST(SkinSections, ParentsFillMissingValuesThroughTheColourConversion) {
  const auto ini = IniOf(
      "[PANEL]\nTRANSPARENCY=100\nCOLOR=-16777201\nFONTCOLOR=7\nGRADIENTDATA=1;2;50;0;0;\n"
      "[GROUPBOX]\nPARENTCLASS=PANEL\nFONTCOLOR=-1\n"
      "[SELF]\nPARENTCLASS=SELF\nCOLOR=-1\n"
      "[A]\nPARENTCLASS=B\n[B]\nPARENTCLASS=A\nFONTCOLOR=9\n"
      "[Q]\nPARENTCLASS=?\n");
  const TsColorToRGB toRGB = [](Integer c) { return c < 0 ? 0x123456 : c; };
  TsGeneralDataArray sections;
  ReadSkinSections(*ini, nullptr, toRGB, sections);
  const TsGeneralData* group = Find(sections, "GROUPBOX");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Props[0].Transparency, 100);
  EXPECT_EQ(group->Props[0].Color, 0x123456);  // a system colour constant found through the parent
  EXPECT_EQ(group->Props[0].TextColor, 7);
  EXPECT_EQ(group->Props[0].GradientArray.size(), 1u);
  EXPECT_EQ(group->ParentClass, "PANEL");
  EXPECT_EQ(Find(sections, "SELF")->Props[0].Color, 0xFFFFFF);
  // A cycle ends: each takes what the loop holds, or the default.
  EXPECT_EQ(Find(sections, "A")->Props[0].TextColor, 9);
  EXPECT_EQ(Find(sections, "B")->Props[0].TextColor, 9);
  EXPECT_EQ(Find(sections, "A")->Props[0].Color, 0xFFFFFF);
  EXPECT_EQ(Find(sections, "Q")->Props[0].Color, 0xFFFFFF);
}

TEST(SkinSections, CommonSectionsAddNewSectionsOnly) {
  const auto ini = IniOf("[BUTTON]\nCOLOR=10\nFONTCOLOR=11\nGLOW=4\nSTATES=1\n");
  TStringList common;
  common.SetText(
      "; application additions\n[BUTTON]\nCOLOR=99\n[MyButton]\nPARENTCLASS=button\nHOTCOLOR=0x10\n"
      "[Lone]\nCOLOR=5\n");
  TsGeneralDataArray sections;
  ReadSkinSections(*ini, &common, kIdentity, sections);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].Props[0].Color, 10);  // the skin's own section is left alone
  const TsGeneralData& mine = sections[1];
  EXPECT_EQ(mine.ClassName, "MyButton");
  EXPECT_EQ(mine.ParentClass, "BUTTON");
  EXPECT_EQ(mine.States, 3);
  EXPECT_EQ(mine.Props[0].Color, 10);
  EXPECT_EQ(mine.Props[0].TextColor, 11);
  EXPECT_EQ(mine.GlowLevel, 0);  // glow values never come from the base
  EXPECT_EQ(mine.Props[1].Color, 16);
  EXPECT_EQ(sections[2].ParentClass, "-1");
  EXPECT_EQ(sections[2].Props[0].Color, 5);
}

// The error of a value out of range names the key and the section, and says what is wrong.
void ExpectRefused(const std::function<void()>& read, const std::string& key, const std::string& section,
                   const std::string& detail) {
  try {
    read();
    ADD_FAILURE() << key << " in [" << section << "] was taken";
  } catch (const Exception& e) {
    const std::string text = e.Message();
    EXPECT_NE(text.find("value " + key + " in section [" + section + "]"), std::string::npos) << text;
    EXPECT_NE(text.find(detail), std::string::npos) << text;
  }
}

TEST(SkinSections, NumbersOutsideTheirMeaningRefuseTheSkinNamingKeyAndSection) {
  const struct {
    const char* text;
    const char* key;
    const char* section;
    const char* detail;
  } cases[] = {
      {"[PANEL]\nTRANSPARENCY=-9000000\n", "TRANSPARENCY", "PANEL", "-9000000 is outside 0..100"},
      {"[PANEL]\nTRANSPARENCY=-50\n", "TRANSPARENCY", "PANEL", "-50 is outside 0..100"},
      {"[BUTTON]\nSTATES=-2147483648\n", "STATES", "BUTTON", "-2147483648 is outside 1..1000"},
      {"[BUTTON]\nSTATES=0\n", "STATES", "BUTTON", "0 is outside"},
      {"[BUTTON]\nHOTTRANSPARENCY=101\n", "HOTTRANSPARENCY", "BUTTON", "101"},
      {"[BUTTON]\nGRADIENTPERCENT=250\nGRADIENTDATA=1;2;50;0;0;\n", "GRADIENTPERCENT", "BUTTON", "250"},
      {"[BUTTON]\nIMAGEPERCENT=-3\n", "IMAGEPERCENT", "BUTTON", "-3"},
      {"[BUTTON]\nGSIZE=300\n", "GSIZE", "BUTTON", "300 is outside 0..255"},
      {"[BUTTON]\nGLOW=-4\n", "GLOW", "BUTTON", "-4"},
      {"[BUTTON]\nFADINGITERATIONS=2000000000\n", "FADINGITERATIONS", "BUTTON", "2000000000"},
      // Inherited: the section being read is named.
      {"[PANEL]\nTRANSPARENCY=130\n[GROUPBOX]\nPARENTCLASS=PANEL\n", "TRANSPARENCY", "PANEL", "130"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto ini = IniOf(c.text);
    ExpectRefused([&] {
      TsGeneralDataArray sections;
      ReadSkinSections(*ini, nullptr, kIdentity, sections);
    }, c.key, c.section, c.detail);
  }
  // The same rules for sections an application adds; the edges of each range are taken.
  TStringList common;
  common.SetText("[Mine]\nTRANSPARENCY=-1000\n");
  ExpectRefused([&] {
    TsGeneralDataArray sections;
    ReadSkinSections(*IniOf("[BUTTON]\n"), &common, kIdentity, sections);
  }, "TRANSPARENCY", "Mine", "-1000");
  TsGeneralDataArray sections;
  ReadSkinSections(*IniOf("[A]\nTRANSPARENCY=100\nSTATES=1\nGSIZE=255\n[B]\nTRANSPARENCY=0\nSTATES=1000\n"), nullptr,
                   kIdentity, sections);
  EXPECT_EQ(sections[0].Props[0].Transparency, 100);
  EXPECT_EQ(sections[1].States, 1000);
}

TEST(SkinMaskValue, GeometryOutsideTheImageRefusesTheSkin) {
  const struct {
    const char* value;
    TRect ownImage;  // the size an image of its own turned out to have
    const char* detail;
  } cases[] = {
      // A 20-pixel mask whose borders 15 and 9 leave no middle.
      {"^0000^0000^0020^0020^0015^0001^0009^0001^1^0^1^0", {}, "left and right borders 15 and 9 exceed the state width 20"},
      {"^0000^0000^0020^0020^0001^0015^0001^0009^1^0^1^0", {}, "top and bottom borders 15 and 9 exceed the state height 20"},
      {"!B.PNG!1!0!0!-2!1!1!1", {0, 0, 30, 30}, "left and right borders -2 and 1"},
      {"!B.PNG!99999!0!0!1!1!1!1", {0, 0, 30, 30}, "image count 99999 for a width of 30"},
      {"!B.PNG!-5!0", {0, 0, 30, 30}, "image count -5"},
      {"!B.PNG!1!-2147483648!0!1!1!1!1", {0, 0, 30, 30}, "mask type -2147483648"},
      {"!B.PNG!1!0!0!1!1!1!1!-7", {0, 0, 30, 30}, "draw mode -7"},
      {"#M (-2147483648,0,2147483647,40) (1,0,0)", {}, "the rectangle is 4294967295 x 40"},
      {"#M (0,0,60,40) (1,0,500)", {}, "border width 500"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TsMaskValue m = ParseMaskValue(c.value, 8.0);
    if (!m.FromMaster()) {
      m.R = c.ownImage;
      if (m.NeedsDefaultWidths) ApplyDefaultBorderWidths(m);
    }
    ExpectRefused([&] { CheckMaskValue(m, "BUTTON", "BORDERSMASK"); }, "BORDERSMASK", "BUTTON", c.detail);
  }
  // Borders that leave an empty middle, a count of 0 (one image) and mask type -1 are taken.
  for (const char* v : {"^0000^0000^0020^0020^0010^0010^0010^0010^1^0^1^0", "@0000@0000@0020@0020@0@0"}) {
    const TsMaskValue m = ParseMaskValue(v, 8.0);
    EXPECT_NO_THROW(CheckMaskValue(m, "BUTTON", "BORDERSMASK")) << v;
  }
  TsMaskValue none = ParseMaskValue("!B.PNG!1!-1", 8.0);
  none.R = {0, 0, 30, 30};
  ApplyDefaultBorderWidths(none);
  EXPECT_NO_THROW(CheckMaskValue(none, "BUTTON", "GLYPHMASK"));
}

TEST(SkinGlobalInfo, DefaultsLenientAndStrictKeys) {
  TsSkinData d;
  ReadGlobalInfo(*IniOf("[GLOBALINFO]\nVERSION=8.50\nTITLEHEIGHT=0\nBORDERWIDTH=abc\nAUTHOR=Me\n"), d, 4);
  EXPECT_DOUBLE_EQ(d.Version, 8.5);
  EXPECT_EQ(d.TitleHeight, 30);
  EXPECT_EQ(d.BorderWidth, 4);
  EXPECT_EQ(d.FormOffset, 4);
  EXPECT_EQ(d.Shadow1Blur, -1);
  EXPECT_EQ(d.Author, "Me");
  TsSkinData empty;
  ReadGlobalInfo(*IniOf("[FORM]\nCOLOR=1\n"), empty, 3);
  EXPECT_EQ(empty.Version, 0);
  EXPECT_THROW(ReadGlobalInfo(*IniOf("[GLOBALINFO]\nSHADOW1BLUR=soft\n"), d, 4), EConvertError);
  ExpectRefused([&] { ReadGlobalInfo(*IniOf("[GLOBALINFO]\nSHADOW1TRANSPARENCY=-40\n"), d, 4); },
                "SHADOW1TRANSPARENCY", "GLOBALINFO", "-40 is outside 0..100");
  ExpectRefused([&] { ReadGlobalInfo(*IniOf("[GLOBALINFO]\nTITLEHEIGHT=-2147483648\n"), d, 4); }, "TITLEHEIGHT",
                "GLOBALINFO", "outside 0..1024");
}

// ---- names, folders and versions ----

TEST(SkinNames, PackedExtensionSeparatorAndFolderRules) {
  const std::pair<const char*, const char*> cut[] = {
      {"Mint.cvz", "Mint"}, {"Mint.CVZ", "Mint"}, {".cvz", ".cvz"}, {"Mint", "Mint"}, {"a.cvz.cvz", "a.cvz"}};
  for (const auto& [in, out] : cut) EXPECT_EQ(CutPackedExtension(in), out) << in;

  const std::pair<const char*, const char*> sep[] = {
      {"", ""}, {"c:\\Skins\\", "c:\\Skins\\"}, {"c:\\Skins/", "c:\\Skins\\"}, {"D", "D:\\"}, {"Skins", "Skins\\"}};
  for (const auto& [in, out] : sep) EXPECT_EQ(AddSkinSeparator(in), out) << in;

  const AnsiString app = "C:\\App\\Bin\\";
  const std::pair<const char*, const char*> resolve[] = {
      {"..\\Skins", "C:\\App\\Skins"},    {".\\Skins", "C:\\App\\Bin\\Skins"}, {"./Skins", "C:\\App\\Bin\\Skins"},
      {"Skins", "C:\\App\\Bin\\Skins"},   {"c:\\Skins", "c:\\Skins"},          {"\\\\server\\s", "\\\\server\\s"},
      {"..", "C:\\App\\"},
  };
  for (const auto& [in, out] : resolve) EXPECT_EQ(ResolveSkinDirectory(in, app), out) << in;
  // A program at a drive root has no parent folder: nothing is cut past the start.
  EXPECT_EQ(ResolveSkinDirectory("..\\Skins", "C:\\"), "Skins");
  EXPECT_EQ(ResolveSkinDirectory("..\\Skins", ""), "Skins");
}

TEST(SkinVersion, RangesAndNoticeText) {
  const std::pair<double, TsVersionNotice> cases[] = {{7.0, TsVersionNotice::None},   {8.99, TsVersionNotice::None},
                                                      {9.0, TsVersionNotice::TooNew}, {6.5, TsVersionNotice::TooOld},
                                                      {0, TsVersionNotice::TooOld}};
  for (const auto& [v, notice] : cases) EXPECT_EQ(ClassifySkinVersion(v), notice) << v;
  EXPECT_EQ(OldSkinNoticeText("Mint").substr(0, 43), "You are using an old version of the \"Mint\" ");
}

}  // namespace
