#include "skin/manager/sGradient.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>
#include "vcl/rtl/Exceptions.h"

namespace {

constexpr Integer kWhite = 0xFFFFFF;
constexpr Integer kBlack = 0;
constexpr Integer kRed = 0x0000FF;   // component-library colours: red in the low byte
constexpr Integer kBlue = 0xFF0000;
constexpr Integer kGreen = 0x00FF00;
constexpr Cardinal kUntouched = 0x12345678;

constexpr Cardinal Px(Cardinal r, Cardinal g, Cardinal b) { return 0xFF000000u | r << 16 | g << 8 | b; }
constexpr Cardinal Grey(Cardinal v) { return Px(v, v, v); }

// A top-down 32-bit buffer pre-filled with a value that no gradient paints.
struct Canvas32 {
  Canvas32(Integer width, Integer height) : pixels(static_cast<std::size_t>(width * height), kUntouched) {
    view = TsPixelView{pixels.data(), width, height, width};
  }
  Cardinal operator()(Integer x, Integer y) const { return view.At(x, y); }
  std::vector<Cardinal> pixels;
  TsPixelView view;
};

TsGradArray Parse(std::string_view text) {
  TsGradArray g;
  ParseGradientData(text, g);
  return g;
}

TEST(GradientText, ParsesStepsOfFiveWords) {
  struct Case {
    const char* text;
    TsGradArray expected;
  } cases[] = {
      {"16777215;0;100;0;0;", {{kWhite, kBlack, 100, 0, 0}}},
      {"16777215;0;100;0;0;7;8;", {{kWhite, kBlack, 100, 0, 0}}},  // two words left over: ignored
      {"255;65280;50;1;9;65280;16711680;50;0;9;", {{kRed, kGreen, 50, 1, 0}, {kGreen, kBlue, 50, 0, 0}}},
      {"1;2;150;0;0;", {{1, 2, 100, 0, 0}}},      // percent clamped to 0..100
      {"1;2;-5;0;0;", {{1, 2, 0, 0, 0}}},
      {"-1;-16777201;10;2;0;", {{0, 0, 10, 2, 0}}},  // negative colours (system colours) become 0
      {";;1;;2;3;4;5", {{1, 2, 3, 4, 0}}},          // empty words do not count, the last ";" is optional
      {"1;2;3;7;x;", {{1, 2, 3, 7, 0}}},             // the fifth word is never read; modes are kept
      {"", {}},
      {";;;", {}},
      {"1;2;3;4;", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Parse(c.text), c.expected);
  }
}

TEST(GradientText, MalformedNumberRaisesConversionErrorAndLeavesNoSteps) {
  for (const char* text : {"white;0;100;0;0;", "1;2;3;4;0;1;2;x;4;0;", "1;2; ;4;0;", "99999999999;0;1;0;0;"}) {
    SCOPED_TRACE(text);
    TsGradArray g = Parse("1;2;3;0;0;");
    ASSERT_EQ(g.size(), 1u);
    EXPECT_THROW(ParseGradientData(text, g), EConvertError);
    EXPECT_TRUE(g.empty());
  }
}

TEST(GradientText, RandomTextsParseOrRaiseAndPaintWithinTheBuffer) {
  // Texts made of the characters a gradient holds, and a few it should not: every one either parses
  // or raises the conversion error, and what parses paints inside the rectangle only (ASan watches).
  const unsigned seed = 20261210;
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  const std::string alphabet = "0123456789;;;;;--x $";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    TsGradArray g;
    try {
      ParseGradientData(text, g);
    } catch (const EConvertError&) {
      ASSERT_TRUE(g.empty()) << text;
      continue;
    }
    for (const TsGradStep& step : g) {
      ASSERT_GE(step.Color1, 0) << text;
      ASSERT_LE(step.Percent, 100) << text;
    }
    Canvas32 c(5, 5);
    const Integer h = static_cast<Integer>(random() % 4);
    DrawGradient(c.view, TRect{1, 1, 1 + h, 4}, g);
    for (Integer y = 0; y < 5; ++y) {
      for (Integer x = 0; x < 5; ++x) {
        if (x < 1 || x >= 1 + h || y < 1 || y >= 4) {
          ASSERT_EQ(c(x, y), kUntouched) << text;
        }
      }
    }
  }
}

TEST(VerticalGradient, OneStepRunsFromFirstToLastRow) {
  Canvas32 c(6, 10);
  DrawGradient(c.view, TRect{1, 0, 5, 10}, Parse("16777215;0;100;0;0;"));
  // 10 rows: 255 * (1 - k / 9), rounded.
  const struct { Integer row; Cardinal value; } expected[] = {{0, 255}, {1, 227}, {4, 142}, {5, 113}, {9, 0}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.row);
    for (Integer x = 1; x < 5; ++x) EXPECT_EQ(c(x, e.row), Grey(e.value));
    EXPECT_EQ(c(0, e.row), kUntouched);
    EXPECT_EQ(c(5, e.row), kUntouched);
  }
  for (Integer y = 1; y < 10; ++y) EXPECT_LT(c(1, y) & 0xFF, c(1, y - 1) & 0xFF);
}

TEST(VerticalGradient, SecondOfTwoHalvesEndsOnLastRow) {
  // Height 11: the first step covers rows 0..5, the second starts on row 5 and ends on row 10.
  Canvas32 c(3, 11);
  const TsGradArray g = Parse("16777215;0;50;0;0;255;65280;50;0;0;");
  DrawGradient(c.view, TRect{0, 0, 3, 11}, g);
  EXPECT_EQ(c(0, 0), Grey(255));
  EXPECT_EQ(c(0, 4), Grey(51));        // 255 - 4 * 255 / 5
  EXPECT_EQ(c(0, 5), Px(255, 0, 0));   // the second step paints the shared row
  EXPECT_EQ(c(2, 10), Px(0, 255, 0));
}

TEST(VerticalGradient, StepsOfOneRowPaintTheirFirstColour) {
  // A one-row rectangle, and a step whose share is below one row, have no room for a ramp.
  Canvas32 one(4, 3);
  DrawGradient(one.view, TRect{0, 1, 4, 2}, Parse("255;16711680;100;0;0;"));
  EXPECT_EQ(one(0, 1), Px(255, 0, 0));
  EXPECT_EQ(one(3, 1), Px(255, 0, 0));
  EXPECT_EQ(one(0, 0), kUntouched);
  EXPECT_EQ(one(0, 2), kUntouched);

  Canvas32 c(2, 8);
  DrawGradient(c.view, TRect{0, 0, 2, 8}, Parse("255;16711680;0;0;0;65280;65280;100;0;0;"));
  EXPECT_EQ(c(0, 0), Px(0, 255, 0));  // step 0 covered row 0 only, step 1 painted over it
  EXPECT_EQ(c(1, 7), Px(0, 255, 0));
}

TEST(HorizontalGradient, ColumnsRampAndEveryRowIsTheSame) {
  // Width 5, two 50 % steps: round(2.5) is 2 (ties to even), so step 0 covers columns 0..2 and step 1
  // columns 2..4.
  Canvas32 c(5, 4);
  DrawGradient(c.view, TRect{0, 0, 5, 4}, Parse("0;16777215;50;1;0;255;16711680;50;1;0;"));
  const Cardinal expectedRow[] = {Grey(0), Grey(128), Px(255, 0, 0), Px(128, 0, 128), Px(0, 0, 255)};
  for (Integer y = 0; y < 4; ++y) {
    for (Integer x = 0; x < 5; ++x) EXPECT_EQ(c(x, y), expectedRow[x]) << x << "," << y;
  }
}

TEST(Gradient, ClipsToThePixelsAndIgnoresWhatItCannotPaint) {
  Canvas32 c(4, 4);
  // The rectangle hangs over every edge: the visible part is the whole buffer, laid out over 4 rows.
  DrawGradient(c.view, TRect{-3, -2, 9, 4}, Parse("0;16777215;100;0;0;"));
  EXPECT_EQ(c(0, 0), Grey(0));
  EXPECT_EQ(c(3, 3), Grey(255));

  Canvas32 d(4, 4);
  for (const char* text : {"", "0;16777215;100;2;0;", "0;16777215;100;3;0;", "0;16777215;100;-1;0;"}) {
    DrawGradient(d.view, TRect{0, 0, 4, 4}, Parse(text));  // empty, triangles on a pixel view, unknown modes
  }
  DrawGradient(d.view, TRect{2, 2, 2, 4}, Parse("0;0;100;0;0;"));    // empty rectangle
  DrawGradient(d.view, TRect{5, 0, 9, 4}, Parse("0;0;100;0;0;"));    // outside the pixels
  for (Cardinal p : d.pixels) ASSERT_EQ(p, kUntouched);
  // The same buffer and rectangle take a vertical gradient.
  DrawGradient(d.view, TRect{0, 0, 4, 4}, Parse("0;0;100;0;0;"));
  EXPECT_EQ(d(3, 3), Grey(0));
}

TEST(GradientInRect, MixesTiledTextureAndExistingPixelsByWeight) {
  Canvas32 tex(4, 2);
  // Reference rectangle: columns 1..2, row 1 of the texture: black, then white.
  tex.view.At(1, 1) = Grey(0);
  tex.view.At(2, 1) = Grey(255);
  const TsGradArray flat = Parse("255;255;100;0;0;");  // plain red
  struct Case {
    Integer textureWeight, gradientWeight;
    Cardinal even, odd;  // pixels in even and odd columns (texture black / white)
  } cases[] = {
      {0, 255, Px(254, 0, 0), Px(254, 0, 0)},     // gradient alone over blue: 0 + 255*(255-0)>>8
      {128, 255, Px(126, 0, 0), Px(254, 126, 127)},
      {255, 0, Px(0, 0, 255), Px(0, 0, 255)},     // weight 0 leaves the pixels as they were
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.textureWeight << "/" << k.gradientWeight);
    Canvas32 c(5, 2);
    for (Cardinal& p : c.pixels) p = Px(0, 0, 255);
    DrawGradientInRect(c.view, TRect{0, 0, 5, 2}, flat, tex.view, TRect{1, 1, 3, 2}, k.textureWeight,
                       k.gradientWeight);
    for (Integer y = 0; y < 2; ++y) {
      for (Integer x = 0; x < 5; ++x) EXPECT_EQ(c(x, y), x % 2 == 0 ? k.even : k.odd) << x << "," << y;
    }
  }
}

}  // namespace
