// Captions drawn in their section's colours into 32-bit bitmaps under the real font rasteriser: where
// the contours land, the emboss of disabled text, the glow written into a host's cache, and the reuse of
// a glow mask. Glyph pixels differ between systems, so the tests look at colours, counts and bounds.
#include "skin/forms/sSkinText.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <memory>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"

using namespace skintest;

namespace {

constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// A colour value as the pixel's colour bytes.
Cardinal PixelRgb(Integer color) { return SwapRedBlue(static_cast<Cardinal>(color)) & 0x00FFFFFFu; }

// Where the pixels of one colour lie.
struct TColourSpread {
  int count = 0;
  double meanX = 0, meanY = 0;
  Integer maxX = -1, maxY = -1;
};
std::map<Cardinal, TColourSpread> Spread(TBitmap& bitmap) {
  GdiFlush();
  std::map<Cardinal, TColourSpread> spread;
  for (Integer y = 0; y < bitmap.Height(); ++y)
    for (Integer x = 0; x < bitmap.Width(); ++x) {
      TColourSpread& s = spread[PixelOf(bitmap, x, y) & 0x00FFFFFFu];
      s.meanX += x;
      s.meanY += y;
      s.maxX = std::max(s.maxX, x);
      s.maxY = std::max(s.maxY, y);
      ++s.count;
    }
  for (auto& [colour, s] : spread) {
    s.meanX /= s.count;
    s.meanY /= s.count;
  }
  return spread;
}

// A canvas of a black 32-bit bitmap with a big bold font.
std::unique_ptr<TBitmap> Sheet(Cardinal fill = 0xFF000000u, Integer w = 120, Integer h = 60) {
  auto bitmap = Filled(w, h, fill);
  bitmap->Canvas().Font().SetName("Arial");
  bitmap->Canvas().Font().SetHeight(-40);
  bitmap->Canvas().Font().SetStyle(TFontStyles{fsBold});
  return bitmap;
}

constexpr Integer kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF, kWhite = 0xFFFFFF;

// Sections of known text colours: "PANEL" white with four contours of their own, "EDIT" white without
// contours but with a glow, "WEBBUTTON" white in both states.
class SkinText : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    TSkinVariant variant;
    variant.Set("PANEL", "FONTCOLOR", kWhite).Set("PANEL", "TCLEFT", kRed).Set("PANEL", "TCTOP", kGreen);
    variant.Set("PANEL", "TCRIGHT", kBlue).Set("PANEL", "TCBOTTOM", kYellow).Set("PANEL", "GSIZE", 0);
    variant.Set("PANEL", "TRANSPARENCY", 0).Set("PANEL", "COLOR", 0);
    for (const char* key : {"TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"}) variant.Set("EDIT", key, -1);
    variant.Set("EDIT", "FONTCOLOR", kWhite).Set("EDIT", "GSIZE", 3).Set("EDIT", "GCOL", kRed);
    variant.Set("EDIT", "TRANSPARENCY", 0);
    variant.Set("WEBBUTTON", "STATES", 2).Set("WEBBUTTON", "FONTCOLOR", kWhite).Set("WEBBUTTON", "HOTFONTCOLOR", kWhite);
    LoadVariant(variant);
    if (HasFatalFailure()) return;
    form_ = New<TSkinnedForm>(nullptr);
    form_->SetBounds(100, 100, 300, 200);
    host_ = AddControl<TSkinnedPanel>(form_, 10);
    host_->SetBounds(10, 10, 120, 60);
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    delete form_;
    SkinFixture::TearDown();
  }
  TsCommonData& Data() { return *host_->data; }

  TSkinnedForm* form_ = nullptr;
  TSkinnedPanel* host_ = nullptr;
};

TEST_F(SkinText, EachContourColourShowsOnItsOwnSide) {
  Data().SetSkinSection("PANEL");
  ASSERT_TRUE(Data().Skinned());
  auto sheet = Sheet();
  DrawControlText(sheet->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  // Smoothed glyph edges mix the colours: each pixel counts for the colour its channels lean to (each
  // channel above or below half).
  GdiFlush();
  std::map<Cardinal, TColourSpread> spread;
  for (Integer y = 0; y < 60; ++y)
    for (Integer x = 0; x < 120; ++x) {
      const Cardinal p = PixelOf(*sheet, x, y);
      const Cardinal lean = ((p >> 16 & 0xFF) >= 0x80 ? 0xFF0000u : 0) | ((p >> 8 & 0xFF) >= 0x80 ? 0xFF00u : 0) |
                            ((p & 0xFF) >= 0x80 ? 0xFFu : 0);
      TColourSpread& s = spread[lean];
      s.meanX += x;
      s.meanY += y;
      ++s.count;
    }
  for (auto& [colour, s] : spread) {
    s.meanX /= s.count;
    s.meanY /= s.count;
  }
  const TColourSpread white = spread[PixelRgb(kWhite)];
  ASSERT_GT(white.count, 50);
  for (Integer colour : {kRed, kGreen, kBlue, kYellow}) ASSERT_GT(spread[PixelRgb(colour)].count, 5) << std::hex << colour;
  EXPECT_LT(spread[PixelRgb(kRed)].meanX, white.meanX - 1) << "left";
  EXPECT_GT(spread[PixelRgb(kBlue)].meanX, white.meanX + 1) << "right";
  EXPECT_LT(spread[PixelRgb(kGreen)].meanY, white.meanY - 1) << "top";
  EXPECT_GT(spread[PixelRgb(kYellow)].meanY, white.meanY + 1) << "bottom";

  // Without contours the text is drawn once, in its one colour (greys only where glyph edges are smoothed).
  Data().SetSkinSection("EDIT");
  Data().CacheBitmap.reset();
  auto plain = Sheet();
  DrawControlText(plain->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  spread = Spread(*plain);
  EXPECT_GT(spread[PixelRgb(kWhite)].count, 50);
  for (const auto& [colour, s] : spread) {
    const Cardinal r = colour >> 16 & 0xFF, g = colour >> 8 & 0xFF, b = colour & 0xFF;
    EXPECT_TRUE(r == g && g == b) << std::hex << colour << " seen " << std::dec << s.count << " times";
  }
}

TEST_F(SkinText, ADisabledUnskinnedCaptionIsEmbossedOnePixelApart) {
  Data().SetSkinSection("NOSUCH");
  ASSERT_FALSE(Data().Skinned());
  auto sheet = Sheet(0xFF404040u);
  DrawControlText(sheet->Canvas(), "HIH", false, false, Data(), kCentred, TRect{0, 0, 120, 60});
  auto spread = Spread(*sheet);
  const Cardinal light = SwapRedBlue(GetSysColor(COLOR_3DHILIGHT)) & 0xFFFFFFu;
  const Cardinal shadow = SwapRedBlue(GetSysColor(COLOR_3DSHADOW)) & 0xFFFFFFu;
  ASSERT_NE(light, shadow);
  ASSERT_GT(spread[light].count, 5);
  ASSERT_GT(spread[shadow].count, 50);
  EXPECT_EQ(spread[light].maxX, spread[shadow].maxX + 1);
  EXPECT_EQ(spread[light].maxY, spread[shadow].maxY + 1);
  // Enabled: once, in the canvas's font colour.
  auto enabled = Sheet(0xFF404040u);
  enabled->Canvas().Font().SetColor(clWhite);
  DrawControlText(enabled->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  spread = Spread(*enabled);
  EXPECT_GT(spread[0xFFFFFF].count, 50);
  EXPECT_EQ(spread.count(shadow), 0u);
}

TEST_F(SkinText, TheGlowGoesIntoTheCacheOnlyWithAGlowSize) {
  Data().InitCacheBmp();
  ASSERT_FALSE(Data().CacheBitmap->Empty());
  const auto fillCache = [&] {
    Data().CacheBitmap->SetPixelFormat(pf32bit);
    for (Integer y = 0; y < Data().CacheBitmap->Height(); ++y)
      for (Integer x = 0; x < Data().CacheBitmap->Width(); ++x)
        static_cast<Cardinal*>(Data().CacheBitmap->ScanLine(y))[x] = 0x00102030u;
    Data().CacheBitmap->Canvas().SetFont(Sheet()->Canvas().Font());
  };
  const auto cacheChanged = [&] {
    GdiFlush();
    for (Integer y = 0; y < Data().CacheBitmap->Height(); ++y)
      for (Integer x = 0; x < Data().CacheBitmap->Width(); ++x)
        if (PixelOf(*Data().CacheBitmap, x, y) != 0x00102030u) return true;
    return false;
  };
  Data().SetSkinSection("PANEL");  // glow size 0
  fillCache();
  auto sheet = Sheet();
  DrawControlText(sheet->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  EXPECT_FALSE(cacheChanged()) << "glow size 0 leaves the cache";
  Data().SetSkinSection("EDIT");  // glow size 3 in red
  fillCache();
  DrawControlText(sheet->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  ASSERT_TRUE(cacheChanged());
  const Cardinal middle = PixelOf(*Data().CacheBitmap, 60, 31);
  EXPECT_GT(middle >> 16 & 0xFF, 0xC0u) << std::hex << middle << ": a red glow in the middle of the text";
  EXPECT_LT(middle >> 8 & 0xFF, 0x20u) << std::hex << middle;
  EXPECT_GT(middle >> 24, 0xC0u) << "nearly opaque where the text is";
}

TEST_F(SkinText, ASecondGlowWithAMaskOfTheSameSizeReusesIt) {
  const TRect rect{10, 10, 110, 50};
  std::unique_ptr<TBitmap> mask;
  auto first = Sheet();
  DrawTextOnBitmap(*first, "HIH", rect, mask, kRed, 2, gsAllSides, kCentred);
  ASSERT_TRUE(mask);
  const TBitmap* kept = mask.get();
  EXPECT_EQ(mask->Width(), rect.Width() + 2 * (2 + 4));
  EXPECT_EQ(mask->PixelFormat(), pf8bit);
  auto second = Sheet();
  DrawTextOnBitmap(*second, "..", rect, mask, kRed, 2, gsAllSides, kCentred);
  EXPECT_EQ(mask.get(), kept);
  GdiFlush();
  int differences = 0, glowing = 0;
  for (Integer y = 0; y < 60; ++y)
    for (Integer x = 0; x < 120; ++x) {
      differences += PixelOf(*first, x, y) != PixelOf(*second, x, y);
      glowing += (PixelOf(*first, x, y) & 0xFF0000u) != 0;
    }
  EXPECT_EQ(differences, 0) << "the kept mask's image, not the new text";
  EXPECT_GT(glowing, 50);
  // Another size draws anew.
  auto third = Sheet();
  DrawTextOnBitmap(*third, "..", TRect{10, 10, 100, 50}, mask, kRed, 2, gsAllSides, kCentred);
  GdiFlush();
  int redrawn = 0;
  for (Integer y = 0; y < 60; ++y)
    for (Integer x = 0; x < 120; ++x) redrawn += (PixelOf(*third, x, y) & 0xFF0000u) != 0;
  EXPECT_LT(redrawn, glowing / 2) << "two dots glow less than HIH";
}

TEST_F(SkinText, AHotWebButtonCaptionIsUnderlinedAndTheFontKeepsItsStyle) {
  Data().SetSkinSection("WEBBUTTON");
  ASSERT_TRUE(Data().Skinned());
  auto normal = Sheet();
  DrawControlText(normal->Canvas(), "HIH", true, false, Data(), kCentred, TRect{0, 0, 120, 60});
  auto hot = Sheet();
  DrawControlText(hot->Canvas(), "HIH", true, true, Data(), kCentred, TRect{0, 0, 120, 60});
  EXPECT_EQ(hot->Canvas().Font().Style(), TFontStyles{fsBold}) << "the underline does not stay on the canvas";
  EXPECT_GT(Spread(*hot)[0xFFFFFF].count, Spread(*normal)[0xFFFFFF].count + 10) << "the underline";
}

TEST_F(SkinText, SectionTextTakesTheStatesColoursOrGreysWhenDisabled) {
  const Integer panel = Section("PANEL");
  auto enabled = Sheet();
  DrawSectionText(enabled->Canvas(), "HIH", true, nullptr, 0, panel, kCentred, TRect{0, 0, 120, 60});
  auto spread = Spread(*enabled);
  EXPECT_GT(spread[PixelRgb(kWhite)].count, 50);
  EXPECT_GT(spread[PixelRgb(kRed)].count + spread[PixelRgb(kYellow)].count, 5) << "with its contours";
  // Disabled: the canvas's font takes the normal font colour mixed 40% into the section's colour:
  // round(0.4 x 255) = 102 in each channel.
  auto disabled = Sheet();
  DrawSectionText(disabled->Canvas(), "HIH", false, nullptr, 0, panel, kCentred, TRect{0, 0, 120, 60});
  EXPECT_EQ(static_cast<Integer>(disabled->Canvas().Font().Color()), 0x666666);
  spread = Spread(*disabled);
  EXPECT_GT(spread[0x666666].count, 50);
  EXPECT_EQ(spread.count(PixelRgb(kRed)), 0u) << "no contours";
  // An invalid section draws in the canvas's colour.
  auto invalid = Sheet();
  invalid->Canvas().Font().SetColor(clLime);
  DrawSectionText(invalid->Canvas(), "HIH", true, nullptr, 0, -1, kCentred, TRect{0, 0, 120, 60});
  EXPECT_GT(Spread(*invalid)[0x00FF00].count, 50);
}

TEST(SkinTextFit, ShortensInTheCanvasFont) {
  auto sheet = Sheet();
  TCanvas& canvas = sheet->Canvas();
  const AnsiString text = "Hosszú szöveg, ami nem fér el";
  const Integer width = canvas.TextWidth("Hosszú...");
  const AnsiString shortened = ShortenTextToWidth(canvas, text, width);
  EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
  EXPECT_LE(canvas.TextWidth(shortened), width);
  EXPECT_EQ(ShortenTextToWidth(canvas, text, canvas.TextWidth(text)), text);
  EXPECT_EQ(ShortenTextToWidth(canvas, text, canvas.TextWidth("...")), "");
}

}  // namespace
