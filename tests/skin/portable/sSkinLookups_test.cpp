#include "skin/manager/sSkinLookups.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>
#include "skin/portable/SkinSections.h"

namespace {

using skintest::SectionsOf;

TsMaskData Mask(const char* section, const char* key, Byte imgType = itBorders) {
  TsMaskData m;
  m.ClassName = section;
  m.PropertyName = key;
  m.ImgType = imgType;
  return m;
}

TsPatternData Pattern(const char* section, const char* key) {
  TsPatternData p;
  p.ClassName = section;
  p.PropertyName = key;
  return p;
}

// A skin with a parent chain TOOLBUTTON -> SPEEDBUTTON -> BUTTON, a section that is its own parent and
// two that name each other.
const char* const kChainSkin =
    "[GLOBALINFO]\nVERSION=8.00\n"
    "[BUTTON]\nCOLOR=1\n"
    "[SPEEDBUTTON]\nPARENTCLASS=BUTTON\n"
    "[TOOLBUTTON]\nPARENTCLASS=SPEEDBUTTON\n"
    "[SELF]\nPARENTCLASS=SELF\n"
    "[PING]\nPARENTCLASS=PONG\n"
    "[PONG]\nPARENTCLASS=PING\n";

class SkinLookups : public ::testing::Test {
 protected:
  TsGeneralDataArray sections_ = SectionsOf(kChainSkin);
  TsMaskArray masks_ = {
      Mask("SPEEDBUTTON", "BORDERSMASK"),           // 0
      Mask("BUTTON", "GLYPHMASK"),                  // 1
      Mask("TOOLBUTTON", "BORDERSMASK"),            // 2: the own one, after the parent's
      Mask("BUTTON", "PATTERN", itSimple),          // 3: not a texture
      Mask("BUTTON", "PATTERN", itTexture),         // 4
      Mask("PONG", "OTHER"),                        // 5
  };
  TsPatternArray patterns_ = {Pattern("BUTTON", "PATTERN"), Pattern("SPEEDBUTTON", "HOTPATTERN")};
  TsSkinTables skin_{sections_, masks_, patterns_};

  Integer Index(const char* name) const { return FindSkinIndex(sections_, name); }
};

TEST_F(SkinLookups, SectionIndexIsExactAndFirst) {
  EXPECT_EQ(Index("GLOBALINFO"), 0);
  EXPECT_EQ(Index("TOOLBUTTON"), 3);
  EXPECT_EQ(Index("toolbutton"), -1);  // names compare exactly
  EXPECT_EQ(Index(""), -1);
  EXPECT_EQ(Index("MISSING"), -1);
}

TEST_F(SkinLookups, MasksTexturesAndPatternsFollowTheParentChain) {
  struct Case {
    const char* section;
    const char* key;
    Integer mask, texture, pattern;
  } cases[] = {
      {"TOOLBUTTON", "BORDERSMASK", 2, -1, -1},   // its own mask wins over the parent's earlier one
      {"SPEEDBUTTON", "BORDERSMASK", 0, -1, -1},
      {"TOOLBUTTON", "GLYPHMASK", 1, -1, -1},     // two steps up
      {"TOOLBUTTON", "PATTERN", 3, 4, 0},         // the texture search skips masks of other kinds
      {"TOOLBUTTON", "HOTPATTERN", -1, -1, 1},
      {"BUTTON", "BORDERSMASK", -1, -1, -1},      // no parent, no mask: never down the chain
      {"SELF", "BORDERSMASK", -1, -1, -1},        // names itself
      {"PING", "BORDERSMASK", -1, -1, -1},        // a two-section circle ends
      {"PING", "OTHER", 5, -1, -1},               // and still finds what lies on it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.section << "." << c.key);
    const Integer index = Index(c.section);
    ASSERT_GE(index, 0);
    EXPECT_EQ(FindMaskIndex(skin_, index, c.section, c.key), c.mask);
    EXPECT_EQ(FindTextureIndex(skin_, index, c.section, c.key), c.texture);
    EXPECT_EQ(FindPatternIndex(skin_, index, c.section, c.key), c.pattern);
  }
  // Indexes that name no section, and empty names, find nothing.
  EXPECT_EQ(FindMaskIndex(skin_, -1, "TOOLBUTTON", "BORDERSMASK"), -1);
  EXPECT_EQ(FindMaskIndex(skin_, 99, "TOOLBUTTON", "BORDERSMASK"), -1);
  EXPECT_EQ(FindMaskIndex(skin_, Index("TOOLBUTTON"), "", "BORDERSMASK"), -1);
  // By names: no inheritance.
  EXPECT_EQ(FindMaskIndexByNames(masks_, "TOOLBUTTON", "BORDERSMASK"), 2);
  EXPECT_EQ(FindMaskIndexByNames(masks_, "TOOLBUTTON", "GLYPHMASK"), -1);
  EXPECT_EQ(FindMaskIndexByNames(masks_, "", ""), -1);
}

TEST(SkinColors, CommonColorsAndTheirSystemFallbacks) {
  const TsSystemColors system;
  const auto skin = SectionsOf(
      "[GLOBALINFO]\nCOLOR=100\nHOTCOLOR=200\nFONTCOLOR=300\n"
      "[EDIT]\nFONTCOLOR=400\nHOTFONTCOLOR=401\n");
  EXPECT_EQ(SkinGlobalColor(skin, 0, system), 100);
  EXPECT_EQ(SkinWindowColor(skin, 0, system), 200);
  EXPECT_EQ(SkinGlobalFontColor(skin, 0), 300);
  EXPECT_EQ(SkinEditFontColor(skin, system), 400);

  const TsGeneralDataArray none;
  EXPECT_EQ(SkinGlobalColor(none, -1, system), system.BtnFace);
  EXPECT_EQ(SkinWindowColor(none, -1, system), system.Window);
  EXPECT_EQ(SkinGlobalFontColor(none, -1), kSkinNoColor);
  EXPECT_EQ(SkinEditFontColor(none, system), system.WindowText);
}

TEST(SkinColors, HighlightFallsBackFromSelectionToMenuItemToTheSystem) {
  TsSystemColors system;
  system.Highlight = 0x123456;
  system.HighlightText = 0x654321;
  struct Case {
    const char* text;
    bool hot;
    Integer color, font;
  } cases[] = {
      {"[SELECTION]\nCOLOR=10\nHOTCOLOR=11\nFONTCOLOR=20\nHOTFONTCOLOR=21\n", false, 10, 20},
      {"[SELECTION]\nCOLOR=10\nHOTCOLOR=11\nFONTCOLOR=20\nHOTFONTCOLOR=21\n", true, 11, 21},
      // One state: the hot question reads the normal state.
      {"[SELECTION]\nSTATES=1\nCOLOR=10\nHOTCOLOR=11\nFONTCOLOR=20\nHOTFONTCOLOR=21\n", true, 10, 20},
      // "No colour" in SELECTION: MENUITEM's hot colours.
      {"[SELECTION]\nCOLOR=16711935\nFONTCOLOR=16711935\n[MENUITEM]\nHOTCOLOR=30\nHOTFONTCOLOR=40\n", false, 30, 40},
      {"[MENUITEM]\nHOTCOLOR=30\nHOTFONTCOLOR=40\n", true, 30, 40},
      // MENUITEM's white background is no highlight; its white font colour is.
      {"[MENUITEM]\nHOTCOLOR=16777215\nHOTFONTCOLOR=16777215\n", false, 0x123456, 0xFFFFFF},
      {"[MENUITEM]\nHOTCOLOR=-1\nHOTFONTCOLOR=16711935\n", false, 0x123456, 0x654321},
      {"[FORM]\nCOLOR=5\n", false, 0x123456, 0x654321},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto skin = SectionsOf(c.text);
    EXPECT_EQ(SkinHighlightColor(skin, c.hot, system), c.color);
    EXPECT_EQ(SkinHighlightFontColor(skin, c.hot, system), c.font);
  }
}

TEST(MaskBorderWidths, OwnWidthThenCommonWidthThenStateSize) {
  struct Case {
    SmallInt wl, wt, wr, wb, common, count, type;
    Integer left, top, right, bottom;
  } cases[] = {
      {1, 2, 3, 4, 7, 3, 0, 1, 2, 3, 4},         // own widths win
      {0, 0, 0, 0, 7, 3, 0, 7, 7, 7, 7},         // the common width next
      {0, 0, 0, 0, 0, 3, 1, 30, 20, 30, 20},     // the state image: 90/3 wide, 40/2 high
      {0, 0, 0, 0, 0, 0, 0, 90, 40, 0, 40},      // no image count: the left width counts one image
      {-2, 0, 5, 0, 0, 1, -1, 90, 0, 5, 0},      // a negative own width is not given; type -1 has no rows
  };
  for (const Case& c : cases) {
    TsMaskData m;
    m.R = {0, 0, 90, 40};
    m.WL = c.wl, m.WT = c.wt, m.WR = c.wr, m.WB = c.wb;
    m.BorderWidth = c.common;
    m.ImageCount = c.count;
    m.MaskType = c.type;
    SCOPED_TRACE(testing::Message() << "own " << c.wl << " common " << c.common << " count " << c.count);
    EXPECT_EQ(MaskLeftWidth(m), c.left);
    EXPECT_EQ(MaskTopHeight(m), c.top);
    EXPECT_EQ(MaskRightWidth(m), c.right);
    EXPECT_EQ(MaskBottomHeight(m), c.bottom);
  }
}

TEST(CommonIndexes, CachedMasksAndEverySectionsOwnIndexes) {
  auto sections = SectionsOf(
      "[FORM]\nSTATES=2\n"
      "[GLOBALINFO]\nVERSION=8.00\n"
      "[COMBOBTN]\n[COMBOBOX]\n[TABTOP]\nPARENTCLASS=FORM\n[SCROLLBTNLEFT]\n[SCROLLBAR1V]\nSTATES=1\n"
      "[WEBBUTTON]\n");
  const TsMaskArray masks = {
      Mask("GLOBALINFO", "BOXCHECKED"),       // 0
      Mask("GLOBALINFO", "SMALLGRAYED"),      // 1
      Mask("GLOBALINFO", "EXBORDER"),         // 2
      Mask("GLOBALINFO", "GRIPVERT"),         // 3
      Mask("GLOBALINFO", "SICONHELP"),        // 4
      Mask("COMBOBTN", "BORDERSMASK"),        // 5
      Mask("COMBOBOX", "GLYPHMASK"),          // 6
      Mask("COMBOBTN", "HOTPATTERN", itTexture),  // 7
      Mask("FORM", "BORDERSMASK"),            // 8: TABTOP inherits it
      Mask("SCROLLBTNLEFT", "GLYPHMASK"),     // 9
      Mask("SCROLLBAR1V", "PATTERN", itTexture),  // 10
      Mask("SCROLLBAR1V", "HOTPATTERN", itTexture),  // 11: one state, so no hot texture
      Mask("FORM", "IMGBTMRIGHT"),            // 12
      Mask("FORM", "HOTPATTERN", itTexture),  // 13
      Mask("GLOBALINFO", "BORDERSMASK"),      // 14: the common section keeps its own indexes
  };
  const TsCommonIndexes c = UpdateCommonIndexes(sections, masks, {});
  EXPECT_EQ(c.CommonSkin, 1);
  EXPECT_EQ(c.CheckGlyphs[cgBoxChecked], 0);
  EXPECT_EQ(c.CheckGlyphs[cgSmallGrayed], 1);
  EXPECT_EQ(c.CheckGlyphs[cgRadioChecked], -1);
  EXPECT_EQ(c.ExBorder, 2);
  EXPECT_EQ(c.GripVert, 3);
  EXPECT_EQ(c.GripImage, -1);
  EXPECT_EQ(c.TitleButtons[tbSmallHelp], 4);
  EXPECT_EQ(c.TitleButtons[tbBigClose], -1);
  EXPECT_EQ(c.ComboButton, (TsCachedSection{2, 5, 6, -1, 7}));
  EXPECT_EQ(c.Tabs[tsTop], (TsCachedSection{4, 8, -1, -1, -1}));
  EXPECT_EQ(c.Tabs[tsBottom], TsCachedSection{});
  EXPECT_EQ(c.ScrollButtons[sbLeft], (TsCachedSection{5, -1, 9, -1, -1}));
  EXPECT_EQ(c.ScrollTracks[stTrack1V], (TsCachedSection{6, -1, -1, 10, 11}));
  EXPECT_EQ(c.WebButton, 7);

  const TsGeneralData& form = sections[0];
  EXPECT_EQ(form.BorderMask, 8);
  EXPECT_EQ(form.ImgBottomRight, 12);
  EXPECT_EQ(form.ImgTopLeft, -1);
  EXPECT_EQ(form.TextureIndex, -1);
  EXPECT_EQ(form.Props[1].Texture, 13);
  EXPECT_EQ(sections[4].BorderMask, 8);               // TABTOP, from FORM
  EXPECT_EQ(sections[6].Props[0].Texture, 10);        // SCROLLBAR1V
  EXPECT_EQ(sections[6].Props[1].Texture, -1);        // one state
  EXPECT_EQ(sections[1].BorderMask, -1);              // GLOBALINFO is not filled in
}

TEST(SkinColorShift, SaturationIsTakenModulo101) {
  EXPECT_EQ(NormalizedSaturation(150), 49);
  EXPECT_EQ(NormalizedSaturation(-150), -49);
  EXPECT_EQ(NormalizedSaturation(100), 100);
  EXPECT_EQ(NormalizedSaturation(0), 0);
}

TEST(ExtendedShadow, SizeFromTheMaskOrTheBuiltInImages) {
  TsSkinData data;
  data.FormOffset = 4;
  EXPECT_EQ(ExtendedShadowSize(nullptr, data), (TsShadowSize{9, 9, 9, 9}));
  TsMaskData ex;
  ex.R = {0, 0, 60, 30};
  ex.ImageCount = 2;
  ex.WL = 10, ex.WT = 12, ex.WR = 2, ex.WB = 4;
  EXPECT_EQ(ExtendedShadowSize(&ex, data), (TsShadowSize{6, 8, 0, 0}));  // never below 0
  data.BorderMode = 1;
  EXPECT_EQ(ExtendedShadowSize(&ex, data), (TsShadowSize{4, 4, 4, 4}));
}

std::vector<char> TransferBlock(const char* name, const char* dir, const std::string& options) {
  std::vector<char> block(kSkinTransferBlockSize, '\0');
  const Cardinal magic = kSkinTransferMagic;
  std::memcpy(block.data(), &magic, 4);
  std::memcpy(block.data() + 4, name, std::strlen(name));
  std::memcpy(block.data() + 132, dir, std::strlen(dir));
  std::memcpy(block.data() + 645, options.data(), options.size());
  return block;
}

TEST(SkinTransferBlock, ReadsTheFieldsAndIgnoresShortOrForeignBlocks) {
  auto block = TransferBlock("Mint", "c:\\Skins", "[GLOBALINFO]\r\nVERSION=8.00\r\n");
  const auto transfer = ReadSkinTransferBlock(block.data(), block.size());
  ASSERT_TRUE(transfer.has_value());
  EXPECT_EQ(transfer->Name, "Mint");
  EXPECT_EQ(transfer->Directory, "c:\\Skins");
  EXPECT_EQ(transfer->Options, "[GLOBALINFO]\r\nVERSION=8.00\r\n");

  // A field that fills its room without a terminator ends at its room, not in the next field.
  std::memset(block.data() + 4, 'N', 128);
  std::memset(block.data() + 645, 'o', 30001);
  const auto full = ReadSkinTransferBlock(block.data(), block.size());
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->Name, std::string(128, 'N'));
  EXPECT_EQ(full->Directory, "c:\\Skins");
  EXPECT_EQ(full->Options.size(), 30001u);

  // Short blocks (read through an exact-size copy, so that ASan sees any read past them) and foreign ones.
  for (size_t size : {size_t{0}, size_t{3}, size_t{10}, kSkinTransferBlockSize - 1}) {
    std::vector<char> shortBlock(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(ReadSkinTransferBlock(shortBlock.data(), shortBlock.size()).has_value()) << size;
  }
  EXPECT_FALSE(ReadSkinTransferBlock(nullptr, kSkinTransferBlockSize).has_value());
  block[0] = 0x01;
  EXPECT_FALSE(ReadSkinTransferBlock(block.data(), block.size()).has_value());
}

}  // namespace
