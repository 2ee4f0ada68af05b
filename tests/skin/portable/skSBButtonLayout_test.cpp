// Where a skinned button's caption, glyph and check glyph go, and which check mask it shows.
#include "skin/adapters/skSBButtonLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(ButtonLayout, PushButtonCaptionIsCentredWithDrawTextMarginsAndMovesWhenPressed) {
  struct Case {
    Integer w, h, tw, th;
    bool pressed;
    TRect expected;
  } cases[] = {
      {75, 25, 31, 13, false, {21, 6, 55, 19}},   // dx 22, dy 6
      {75, 25, 31, 13, true, {22, 7, 56, 20}},    // one pixel lower and right
      {10, 25, 31, 13, false, {-11, 6, 22, 19}},  // wider than the button: dx -10 (truncated, not floored)
      {75, 24, 0, 0, false, {36, 12, 40, 12}},    // no caption
      {75, 25, 30, 14, false, {21, 5, 55, 20}},   // odd remainders go right and down
  };
  for (const Case& c : cases)
    EXPECT_EQ(ButtonCaptionRect(c.w, c.h, c.tw, c.th, c.pressed), c.expected) << c.w << "x" << c.h << " text " << c.tw;
  EXPECT_EQ(ButtonCaptionRect(10, 10, 13, 13, false), (TRect{-2, -1, 13, 11})) << "-3 / 2 truncates to -1";
}

TEST(ButtonLayout, MaxCaptionWidthLeavesRoomForTheGlyph) {
  struct Case {
    bool caption;
    Integer width, glyph, expected;
  } cases[] = {{false, 75, 0, 0}, {true, 75, 0, 76}, {true, 75, 16, 59}, {true, 10, 16, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(ButtonMaxCaptionWidth(c.caption, c.width, c.glyph), c.expected) << c.caption << " " << c.glyph;
}

TEST(ButtonLayout, GlyphButtonPlacesGlyphAndCaptionByLayout) {
  // A 100 x 40 button, a 16 x 16 glyph, a caption of 40 x 14, spacing 4.
  struct Case {
    Integer layout;
    bool pressed;
    TRect glyph, caption;
  } cases[] = {
      {0, false, {20, 12, 36, 28}, {40, 13, 80, 27}},  // glyph left, caption right after it
      {1, false, {64, 12, 80, 28}, {20, 13, 60, 27}},  // glyph right, caption just before it
      {2, false, {43, 3, 59, 19}, {30, 23, 70, 37}},   // glyph above
      {3, false, {43, 21, 59, 37}, {30, 3, 70, 17}},   // glyph below
      {0, true, {21, 13, 37, 29}, {41, 14, 81, 28}},   // pressed: both one pixel lower and right
  };
  for (const Case& c : cases) {
    TsBitBtnLayout b{100, 40, 16, 16, 40, 14, c.layout, 4, 0, true, c.pressed};
    EXPECT_EQ(BitBtnGlyphRect(b), c.glyph) << "layout " << c.layout << " pressed " << c.pressed;
    EXPECT_EQ(BitBtnCaptionRect(b), c.caption) << "layout " << c.layout << " pressed " << c.pressed;
  }
  // Without a caption the spacing is not counted: the glyph alone is centred.
  EXPECT_EQ(BitBtnGlyphRect(TsBitBtnLayout{100, 40, 16, 16, 0, 0, 0, 4, 0, false, false}), (TRect{42, 12, 58, 28}));
  // Without a glyph the caption is centred in the whole button.
  EXPECT_EQ(BitBtnCaptionRect(TsBitBtnLayout{100, 40, 0, 0, 40, 14, 0, 4, 0, true, false}), (TRect{30, 13, 70, 27}));
}

TEST(ButtonLayout, GlyphButtonCaptionWidthLimit) {
  struct Case {
    Integer layout, glyphHeight, margin;
    bool caption;
    Integer expected;
  } cases[] = {
      {0, 16, 2, true, 100 - 4 - 20},  // beside: glyph and spacing taken off
      {1, 16, 0, true, 80},
      {2, 16, 2, true, 96},            // above: only the margins
      {0, 0, 2, true, 96},             // no glyph height: nothing beside
      {0, 16, 2, false, 0},
      {0, 16, 60, true, 0},            // margins larger than the button
  };
  for (const Case& c : cases)
    EXPECT_EQ(BitBtnMaxCaptionWidth(TsBitBtnLayout{100, 40, 16, c.glyphHeight, 0, 0, c.layout, 4, c.margin, c.caption,
                                                   false}),
              c.expected)
        << "layout " << c.layout << " margin " << c.margin;
}

TEST(ButtonLayout, ForeignBitmapButtonPutsTheGlyphLeftOfItsShiftedCaption) {
  const TRect caption = ButtonCaptionRect(100, 30, 40, 14, false);  // {29, 8, 72, 22}
  const TRect moved = ForeignGlyphCaptionRect(caption, 16);
  EXPECT_EQ(moved, (TRect{38, 8, 81, 22}));
  EXPECT_EQ(ForeignGlyphRect(moved, 30, 16, 16, false), (TRect{20, 7, 36, 23}));
  EXPECT_EQ(ForeignGlyphRect(moved, 30, 16, 16, true), (TRect{20, 8, 36, 24}));
  EXPECT_TRUE(ForeignGlyphRect(caption, 30, 0, 0, false).IsEmpty());
  EXPECT_EQ(ForeignGlyphCaptionRect(caption, 0), caption);
}

TEST(ButtonLayout, GroupBoxCaptionStripStaysInsideTheBox) {
  struct Case {
    Integer width, tw, th;
    bool rtl;
    TRect expected;
  } cases[] = {
      {200, 50, 13, false, {6, 0, 64, 15}},
      {200, 50, 13, true, {136, 0, 194, 15}},
      {200, 50, 0, false, {6, 0, 64, 6}},      // no text height: at least 4 + 2
      {40, 50, 13, false, {6, 0, 39, 15}},     // cut at W - 1
      {200, 190, 13, false, {6, 0, 199, 15}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GroupBoxCaptionRect(c.width, c.tw, c.th, c.rtl), c.expected) << c.width << " " << c.tw << " " << c.rtl;
}

TEST(ButtonLayout, CheckMaskByTypeAndState) {
  // The button types: 2 check, 3 auto check, 4 radio, 5 3-state, 6 auto 3-state, 9 auto radio, 12.
  struct TypeCase {
    Integer type;
    bool radio;
  } types[] = {{0, false}, {2, false}, {3, false}, {4, true}, {5, false}, {6, false}, {7, false},
               {9, true},  {12, true}, {13, false}, {15, false}};
  for (const TypeCase& t : types) EXPECT_EQ(IsRadioType(t.type), t.radio) << "type " << t.type;

  struct Case {
    Integer buttonState;
    bool radio;
    const char* mask;
  } cases[] = {
      {0, false, "BOXUNCHECKED"},   {1, false, "BOXCHECKED"},   {2, false, "BOXGRAYED"},
      {0, true, "RADIOUNCHECKED"},  {1, true, "RADIOCHECKED"},  {2, true, "BOXGRAYED"},
      {1 | 4 | 8, false, "BOXCHECKED"},  // pushed and focused bits do not count
      {3, true, "BOXGRAYED"},            // indeterminate wins over checked
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckMaskName(c.radio, CheckStateOf(c.buttonState)), c.mask) << c.buttonState << " radio " << c.radio;
}

TEST(ButtonLayout, CheckGlyphSizeNeverDividesByZero) {
  TsMaskData mask;
  mask.R = TRect{0, 0, 39, 26};
  mask.ImageCount = 3;
  mask.MaskType = 1;
  EXPECT_EQ(CheckGlyphSize(mask, 0, 0).Width, 13);
  EXPECT_EQ(CheckGlyphSize(mask, 0, 0).Height, 13);
  mask.ImageCount = 0;  // counted as one image
  EXPECT_EQ(CheckGlyphSize(mask, 0, 0).Width, 39);
  mask.MaskType = -1;   // no rows: nothing to draw
  EXPECT_EQ(CheckGlyphSize(mask, 0, 0).Height, 0);
  mask.MaskType = -2;   // a damaged line
  EXPECT_EQ(CheckGlyphSize(mask, 0, 0).Height, 0);
  // A mask with its own bitmap: three images across, two rows.
  EXPECT_EQ(CheckGlyphSize(mask, 48, 32).Width, 16);
  EXPECT_EQ(CheckGlyphSize(mask, 48, 32).Height, 16);
}

}  // namespace
