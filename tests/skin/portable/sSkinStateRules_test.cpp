#include "skin/forms/sSkinStateRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinOptions.h"
#include "skin/portable/SkinSections.h"

namespace {

TEST(SkinStateRules, KindSetsHoldExactlyTheirKinds) {
  struct Case {
    Integer kind;
    bool editLike, noHotTrack, noGlow, showsGlow;
  } cases[] = {
      {0, false, false, false, true},   {1, false, false, false, true},  {2, true, false, false, true},
      {18, true, false, false, true},   {19, false, true, false, true},  {41, true, false, false, true},
      {51, false, true, true, false},   {53, false, true, false, true},  {55, false, true, false, true},
      {74, false, true, true, false},   {75, false, false, false, true}, {76, true, false, false, true},
      {84, true, false, false, true},   {85, false, false, false, true}, {92, false, false, false, false},
      {94, false, false, false, false}, {95, false, false, false, true}, {96, true, false, false, true},
      {110, false, true, true, false},  {131, true, false, false, true}, {140, true, false, false, true},
      {141, false, true, true, false},  {142, false, true, false, true}, {161, false, true, true, false},
      {162, false, false, false, true}, {226, false, false, true, false}, {255, false, false, false, true},
      // Outside the sets' range: in none of them.
      {256, false, false, false, true}, {-1, false, false, false, true}, {1000, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(InKindSet(EditLikeKinds(), c.kind), c.editLike);
    EXPECT_EQ(InKindSet(NoHotTrackKinds(), c.kind), c.noHotTrack);
    EXPECT_EQ(InKindSet(NoGlowKinds(), c.kind), c.noGlow);
    EXPECT_EQ(KindShowsGlow(c.kind), c.showsGlow);
  }
  EXPECT_EQ(EditLikeKinds().count(), 17u + 1 + 9 + 1 + 10);
  EXPECT_EQ(NoHotTrackKinds().count(), 1u + 24 + 1 + 21);
  EXPECT_EQ(NoGlowKinds().count(), 17u);  // 51, 52, 54, 56-60, 68, 73, 74, 110, 141, 143, 151, 161, 226
}

TEST(SkinStateRules, KindsWithoutASectionOfTheirOwnTakeTheirClassName) {
  struct Case {
    Integer kind;
    const char* section;
  } cases[] = {
      {2, "EDIT"},        {8, "EDIT"},         {9, ""},             {10, "EDIT"},       {11, "COMBOBOX"},
      {18, "COMBOBOX"},   {19, "BAR"},         {20, "BARTITLE"},    {32, "CHECKBOX"},   {33, "CHECKBOX"},
      {41, "EDIT"},       {51, "PANEL"},       {52, "PANEL_LOW"},   {53, "TOOLBAR"},    {54, "TOOLBAR"},
      {55, ""},           {56, "DRAGBAR"},     {57, "TABSHEET"},    {58, "PANEL_LOW"},  {59, "PANEL"},
      {60, "TOOLBAR"},    {68, "PANEL"},       {73, "PANEL"},       {74, "GROUPBOX"},   {75, "SPLITTER"},
      {76, "EDIT"},       {77, ""},            {78, "EDIT"},        {81, "COMBOBOX"},   {82, "COMBOBOX"},
      {83, "EDIT"},       {85, "EDIT"},        {92, "SPEEDBUTTON"}, {93, "BUTTON"},     {94, "BUTTON"},
      {95, "SPEEDBUTTON"}, {96, "EDIT"},       {97, ""},            {98, "TOOLBUTTON"}, {131, "EDIT"},
      {140, "EDIT"},      {141, "PAGECONTROL"}, {142, ""},          {143, "PAGECONTROL"}, {151, "STATUSBAR"},
      {152, "CHECKBOX"},  {161, "GAUGE"},      {165, "TRACKBAR"},   {224, ""},          {226, "GROUPBOX"},
      {227, "EDIT"},      {0, ""},             {-5, ""},            {300, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultSectionOfKind(c.kind), c.section) << c.kind;
}

using skintest::SectionsOf;

const TsGeneralData& Named(const TsGeneralDataArray& sections, const char* name) {
  for (const TsGeneralData& s : sections)
    if (s.ClassName == name) return s;
  throw std::runtime_error(name);
}

// Colours as 0x00BBGGRR; the parent is 0x00C86400 (R 0, G 100, B 200).
const char* const kColorSkin =
    "[GLOBALINFO]\nVERSION=8.00\n"
    "[OPAQUE]\nSTATES=2\nCOLOR=3289650\nHOTCOLOR=255\nTRANSPARENCY=0\nHOTTRANSPARENCY=40\n"
    "[GLASS]\nSTATES=2\nCOLOR=3289650\nTRANSPARENCY=100\nHOTCOLOR=65280\nHOTTRANSPARENCY=0\n"
    "[TINT]\nSTATES=3\nCOLOR=3289650\nTRANSPARENCY=40\nHOTCOLOR=3289650\nHOTTRANSPARENCY=40\n"
    "[SINGLE]\nSTATES=1\nCOLOR=3289650\nTRANSPARENCY=40\n";

TEST(SkinStateRules, BackgroundColourMixesTheSectionWithItsParentByTransparency) {
  const TsGeneralDataArray sections = SectionsOf(kColorSkin);
  constexpr Integer kParent = 0x00C86400;
  constexpr Integer kSection = 3289650;  // 0x00323232
  constexpr Integer kOwn = 0x00ABCDEF;
  // Each channel round(0.4 x parent + 0.6 x section): R 0.4*0+0.6*50=30, G 40+30=70, B 80+30=110.
  constexpr Integer kForty = (110 << 16) | (70 << 8) | 30;
  // Hot OPAQUE at 40 over red 255: R 0.6*255=153, G 40, B 80.
  constexpr Integer kHotForty = (80 << 16) | (40 << 8) | 153;
  struct Case {
    const char* section;
    Integer state;
    bool customColor;
    Integer expected;
    bool asksParent;
  } cases[] = {
      {"OPAQUE", 0, false, kSection, false},   // transparency 0: the section's own colour
      {"OPAQUE", 0, true, kOwn, false},        // ... or the host's own when it keeps it
      {"OPAQUE", 1, false, kHotForty, true},   // the hot state has its own transparency
      {"OPAQUE", 7, false, kHotForty, true},   // any state above 0 is hot
      {"GLASS", 0, false, kParent, true},      // 100: the parent's colour
      {"GLASS", 0, true, kParent, true},       // keeping the own colour matters only at 0
      {"GLASS", 1, false, 0x00FF00, false},
      {"TINT", 0, false, kForty, true},
      {"TINT", 2, false, kForty, true},
      {"SINGLE", 0, false, kForty, true},
      {"SINGLE", 1, false, kForty, true},      // one state: hot paints as normal
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " state " + std::to_string(c.state));
    int asked = 0;
    const Integer color = SkinnedBgColor(Named(sections, c.section), c.state, c.customColor, kOwn, [&] {
      ++asked;
      return kParent;
    });
    EXPECT_EQ(color, c.expected);
    EXPECT_EQ(asked, c.asksParent ? 1 : 0);
  }
}

TEST(SkinStateRules, OneStateSectionsPaintTheNormalStateEvenWithHotValues) {
  // A section whose hot values differ although it has one state (a skin may give them): never used.
  TsGeneralData section;
  section.States = 1;
  section.Props[0].Color = 0x000010;
  section.Props[1].Color = 0x000020;
  section.Props[1].Transparency = 100;
  const auto noParent = []() -> Integer { ADD_FAILURE() << "the parent is not asked at transparency 0"; return 0; };
  EXPECT_EQ(SectionPaintState(section, 1), 0);
  EXPECT_EQ(SkinnedBgColor(section, 1, false, 0, noParent), 0x000010);
  section.States = 2;
  EXPECT_EQ(SectionPaintState(section, 1), 1);
  EXPECT_EQ(SectionPaintState(section, 0), 0);
  EXPECT_EQ(SectionPaintState(section, -3), 0);
}

TEST(SkinStateRules, BackgroundModeFollowsTheImageAndTheFirstGradientStep) {
  const TsGeneralDataArray sections = SectionsOf(
      "[GLOBALINFO]\nVERSION=8.00\n"
      "[PLAIN]\nCOLOR=1\n"
      "[IMAGE]\nIMAGEPERCENT=40\n"
      "[VERT]\nGRADIENTPERCENT=60\nGRADIENTDATA=1;2;100;0;0;\n"
      "[HORZ]\nGRADIENTPERCENT=60\nGRADIENTDATA=1;2;50;1;0;3;4;50;0;0;\n"
      "[ODD]\nGRADIENTPERCENT=60\nGRADIENTDATA=1;2;100;7;0;\n"
      "[UNUSED]\nGRADIENTPERCENT=0\nGRADIENTDATA=1;2;100;0;0;\n"
      "[BOTH]\nIMAGEPERCENT=40\nGRADIENTPERCENT=60\nGRADIENTDATA=1;2;100;1;0;\n");
  struct Case {
    const char* section;
    SmallInt mode;
  } cases[] = {{"PLAIN", 0}, {"IMAGE", bmTexture}, {"VERT", bmHeight}, {"HORZ", bmWidth},
               {"UNUSED", 0}, {"ODD", 0}, {"BOTH", bmTexture | bmWidth}};
  for (const Case& c : cases) EXPECT_EQ(BackgroundModeOf(Named(sections, c.section)), c.mode) << c.section;
  TsGeneralData triangles;
  triangles.Props[0].GradientPercent = 100;
  triangles.Props[0].GradientArray = {TsGradStep{1, 2, 100, gmTriangles, 0}};
  EXPECT_EQ(BackgroundModeOf(triangles), bmWidth | bmHeight);
}

TsMaskData BorderMask(SmallInt drawFlags, SmallInt width) {
  TsMaskData m;
  m.R = TRect{0, 0, 60, 60};
  m.ImageCount = 1;
  m.WL = m.WT = m.WR = m.WB = width;
  m.DrawFlags = drawFlags;
  return m;
}

TEST(SkinStateRules, PlainBackgroundsAreOneColourWithoutImagesCornersOrWideBorders) {
  TsGeneralDataArray sections(1);
  TsMaskArray masks = {BorderMask(mdStretch, 4), BorderMask(mdPaintCentre, 4), BorderMask(0, 16),
                       BorderMask(0, 15), BorderMask(10, 0)};
  TsGeneralData& s = sections[0];
  struct Case {
    const char* what;
    std::function<void(TsGeneralData&)> change;
    Integer parentAnswer;  // -1: no parent
    bool formPaints;
    Integer expected;
  } cases[] = {
      {"plain colour", [](TsGeneralData&) {}, -1, false, 1},
      {"thin border", [](TsGeneralData& d) { d.BorderMask = 0; }, -1, false, 1},
      {"border painting its centre", [](TsGeneralData& d) { d.BorderMask = 1; }, -1, false, 0},
      {"borders of 16 + 16", [](TsGeneralData& d) { d.BorderMask = 2; }, -1, false, 0},
      {"borders of 15 + 15", [](TsGeneralData& d) { d.BorderMask = 3; }, -1, false, 1},
      {"a corner image", [](TsGeneralData& d) { d.ImgBottomRight = 0; }, -1, false, 0},
      {"a corner index past the masks", [](TsGeneralData& d) { d.ImgTopLeft = 9; }, -1, false, 1},
      {"half transparent", [](TsGeneralData& d) { d.Props[0].Transparency = 40; }, -1, false, 0},
      {"an image share", [](TsGeneralData& d) { d.Props[0].ImagePercent = 10; }, -1, false, 0},
      {"a gradient share", [](TsGeneralData& d) { d.Props[0].GradientPercent = 10; }, -1, false, 0},
      {"a form painting itself", [](TsGeneralData&) {}, -1, true, 0},
      {"see-through, no parent", [](TsGeneralData& d) { d.Props[0].Transparency = 100; }, -1, false, 0},
      {"see-through over a plain parent", [](TsGeneralData& d) { d.Props[0].Transparency = 100; }, 1, false, 1},
      {"see-through, parent without window", [](TsGeneralData& d) { d.Props[0].Transparency = 100; }, 2, false, 2},
      {"see-through with a full texture",
       [](TsGeneralData& d) {
         d.Props[0].Transparency = 100;
         d.TextureIndex = 4;
       },
       1, false, 0},
  };
  for (const Case& c : cases) {
    s = TsGeneralData{};
    s.States = 1;
    c.change(s);
    TskPlainBgContext context;
    if (c.parentAnswer >= 0) context.ParentState = [&] { return c.parentAnswer; };
    context.FormPaintsItself = c.formPaints;
    EXPECT_EQ(PlainBackgroundKindOf(sections, masks, 0, context), c.expected) << c.what;
  }
  EXPECT_EQ(PlainBackgroundKindOf(sections, masks, -1, {}), 1) << "no section";
  EXPECT_EQ(PlainBackgroundKindOf(sections, masks, 1, {}), 1) << "an index past the sections";
}

}  // namespace
