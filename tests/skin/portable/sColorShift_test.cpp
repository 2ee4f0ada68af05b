#include "skin/manager/sColorShift.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ColorRoutines, HueRotationAndSaturationOfSingleColours) {
  struct Case {
    Integer shift, color, expected;
  } hue[] = {
      {120, 0x0000FF, 0x00FF00},     // pure red (colour form) becomes pure green
      {240, 0x0000FF, 0xFF0000},     // and pure blue
      {-120, 0x0000FF, 0xFF0000},    // a negative shift turns the other way
      {480, 0x0000FF, 0x00FF00},     // whole turns do not matter
      {60, 0x808080, 0x808080},      // grey stays grey
      {0, 0x123456, 0x123456},
      {180, 0x7F0000FF, 0x7FFFFF00}, // the top byte stays
  };
  for (const Case& c : hue) EXPECT_EQ(ChangeColorHue(c.shift, c.color), c.expected) << c.shift << " " << c.color;

  EXPECT_EQ(ChangeColorSaturation(0x0064C8, -100), 0x646464);  // (200, 100, 0) -> grey (100, 100, 100)
  EXPECT_EQ(ChangeColorSaturation(0x0064C8, 50), 0x0064FA);    // away from the mean, rounded
  EXPECT_EQ(ChangeColorSaturation(0x0000FF, 100), 0x0000FF);   // clamped
  EXPECT_EQ(ChangeColorSaturation(0x7F123456, 0), 0x7F123456);
}

TEST(ColorRoutines, BitmapShiftsLeaveKeyAndGreyPixels) {
  std::vector<Cardinal> pixels = {0x80FF0000u, 0x00FF00FFu, 0xFF808080u, 0xFF00FF00u};
  const TsPixelView view{pixels.data(), 2, 2, 2};
  ChangeBitmapHue(view, 120);
  EXPECT_EQ(pixels, (std::vector<Cardinal>{0x8000FF00u, 0x00FF00FFu, 0xFF808080u, 0xFF0000FFu}));
  ChangeBitmapSaturation(view, -100);
  EXPECT_EQ(pixels, (std::vector<Cardinal>{0x80555555u, 0x00FF00FFu, 0xFF808080u, 0xFF555555u}));
}

TsMaskData GlobalMask(const char* key, TRect r) {
  TsMaskData m;
  m.ClassName = "GLOBALINFO";
  m.PropertyName = key;
  m.R = r;
  m.ImageCount = 1;
  return m;
}

TEST(SkinColorShift, SectionsImagesAndTheGlyphsThatKeepTheirHue) {
  // Master 4 x 1, all red: pixel 0 is the close glyph, pixel 1 its glow, pixel 2 the maximise glyph.
  std::vector<Cardinal> master(4, 0xFFFF0000u);
  std::vector<Cardinal> own = {0xFFFF0000u};
  TsMaskArray masks = {GlobalMask("BICONCLOSE", {0, 0, 1, 1}), GlobalMask("BICONCLOSEGLOW0", {1, 0, 2, 1}),
                       GlobalMask("BICONMAX", {2, 0, 3, 1}), GlobalMask("SICONCLOSE", {0, 0, 1, 1})};
  masks[3].ClassName = "GLOBALINFO";  // an own image: left out of the shift
  TsGeneralDataArray sections(1);
  sections[0].Props[0].Color = 0x0000FF;
  sections[0].Props[1].Color = 0xFF00FF;     // "no colour" stays
  sections[0].Props[0].ContourLeft = -1;
  sections[0].Normal.GradientArray = {{0x0000FF, 0x0000FF, 100, 0, 0}};
  TsSkinData data;
  data.BIKeepHUE = 2;  // close buttons only
  data.BorderColor = 0x0064C8;

  TsShiftedSkin skin{sections, masks, data, TsPixelView{master.data(), 4, 1, 4},
                     [&](const TsMaskData& m) { return &m == &masks[3] ? TsPixelView{own.data(), 1, 1, 1} : TsPixelView{}; }};
  ShiftSkinColors(skin, 120, 0);
  EXPECT_EQ(master, (std::vector<Cardinal>{0xFFFF0000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF00FF00u}));
  EXPECT_EQ(own[0], 0xFFFF0000u);
  EXPECT_EQ(sections[0].Props[0].Color, 0x00FF00);
  EXPECT_EQ(sections[0].Props[1].Color, 0xFF00FF);
  EXPECT_EQ(sections[0].Props[0].ContourLeft, -1);
  EXPECT_EQ(sections[0].Normal.GradientArray[0].Color2, 0x00FF00);
  EXPECT_EQ(data.BorderColor, 0x0064C8);  // the hue leaves the border colour

  // With BIKEEPHUE 1 the maximise glyph keeps its hue too; saturation 150 acts as 49 on everything.
  data.BIKeepHUE = 1;
  master.assign(4, 0xFFFF0000u);
  ShiftSkinColors(skin, 120, 0);
  EXPECT_EQ(master, (std::vector<Cardinal>{0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFF00FF00u}));
  ShiftSkinColors(skin, 0, -150);
  EXPECT_EQ(data.BorderColor, ChangeColorSaturation(0x0064C8, -49));
  EXPECT_EQ(master[0], static_cast<Cardinal>(ChangeColorSaturation(static_cast<Integer>(0xFFFF0000u), -49)));
}

}  // namespace
