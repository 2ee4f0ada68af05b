#include <gtest/gtest.h>

#include <map>
#include <memory>
#include "skin/forms/sCommonData.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Panel.h"

using namespace skintest;

namespace {

constexpr Cardinal kFill = 0x00112233u;

TEST(BitmapPixels, ViewsFollowTheScanLinesOfBottomUpBitmaps) {
  auto b = Filled(3, 4, 0);
  const TsPixelView v = PixelViewOf(*b);
  ASSERT_EQ(v.Width, 3);
  ASSERT_EQ(v.Height, 4);
  v.At(2, 3) = 0xAABBCCDDu;
  EXPECT_EQ(PixelOf(*b, 2, 3), 0xAABBCCDDu);
  FillBitmapRectArgb(v, {0, 0, 1, 1}, 0x0000FF, 0x80);
  EXPECT_EQ(PixelOf(*b, 0, 0), 0x80FF0000u);

  TBitmap grey;
  grey.SetPixelFormat(pf24bit);
  grey.SetSize(2, 2);
  EXPECT_TRUE(PixelViewOf(grey).IsEmpty());

  TskBgInfo info;
  info.Bitmap = b.get();
  info.IsBitmap = true;
  info.OffsetX = 5;
  EXPECT_EQ(BgPixelsOf(info).Bitmap.Bits, v.Bits);
  EXPECT_EQ(BgPixelsOf(info).OffsetX, 5);
  EXPECT_FALSE(BgPixelsOf(DefaultBgInfo).HasBitmap());
}

TEST(BitmapText, TextPixelsTakeTheColourOpaqueAndNothingOutsideTheRectChanges) {
  auto b = Filled(60, 30, kFill);
  const TRect rect{10, 5, 50, 25};
  DrawTextToBitmap(*b, u"HgW", 0x0000FF, DT_LEFT | DT_TOP | DT_SINGLELINE, rect);
  int changed = 0, pure = 0;
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 60; ++x) {
      const Cardinal p = PixelOf(*b, x, y);
      if (p == kFill) continue;
      ++changed;
      EXPECT_TRUE(rect.Contains(TPoint{x, y})) << x << "," << y;
      EXPECT_EQ(p >> 24, 0xFFu) << x << "," << y;
      if (p == 0xFFFF0000u) ++pure;
    }
  EXPECT_GT(changed, 10);
  EXPECT_GT(pure, 0);  // fully inked pixels are the text colour exactly
}

// The text is drawn in the bitmap's canvas font, which is what callers measure it in: a rect of the
// measured width holds it whole, ellipsis or not, pixel for pixel as the canvas itself draws it.
TEST(BitmapText, TextTakesTheCanvasFontAndFitsTheWidthMeasuredInIt) {
  const struct {
    const char* name;
    Integer height;
    TFontStyles style;
  } fonts[] = {{"Tahoma", -11, TFontStyles{fsBold}}, {"Tahoma", -11, TFontStyles{}}, {"Arial", -16, TFontStyles{}}};
  const AnsiString text = "Quillnote day";
  for (const auto& f : fonts) {
    SCOPED_TRACE(f.name);
    auto drawn = Filled(120, 30, 0x00FFFFFFu);
    auto reference = Filled(120, 30, 0x00FFFFFFu);
    for (TBitmap* b : {drawn.get(), reference.get()}) {
      b->Canvas().Font().SetName(f.name);
      b->Canvas().Font().SetHeight(f.height);
      b->Canvas().Font().SetStyle(f.style);
    }
    const Integer width = drawn->Canvas().TextWidth(text);
    ASSERT_GT(width, 0);
    ASSERT_LT(width, 110);
    DrawTextToBitmap(*drawn, u"Quillnote day", 0, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS,
                     TRect{2, 2, 2 + width, 28});
    reference->Canvas().Brush().SetStyle(bsClear);
    reference->Canvas().TextOut(2, 2, text);
    GdiFlush();
    int inked = 0, differ = 0;
    for (Integer y = 0; y < 30; ++y)
      for (Integer x = 0; x < 120; ++x) {
        const bool a = (PixelOf(*drawn, x, y) & 0xFFFFFFu) != 0xFFFFFFu;
        const bool b = (PixelOf(*reference, x, y) & 0xFFFFFFu) != 0xFFFFFFu;
        inked += b ? 1 : 0;
        differ += a != b ? 1 : 0;
      }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(differ, 0) << "the text is not drawn as the canvas draws it in its font";
  }
}

TEST(BitmapText, ContoursAreDrawnOnlyInTheColoursGiven) {
  const Integer white = 0xFFFFFF;
  auto count = [&](const TsTextColors& colors) {
    auto b = Filled(60, 30, 0xFF000000u);
    DrawContouredText(*b, u"HH", colors, DT_LEFT | DT_TOP | DT_SINGLELINE, TRect{10, 5, 50, 25});
    std::map<Cardinal, int> seen;
    for (Integer y = 0; y < 30; ++y)
      for (Integer x = 0; x < 60; ++x) ++seen[PixelOf(*b, x, y)];
    return seen;
  };
  auto plain = count(TsTextColors{white});
  EXPECT_GT(plain[0xFFFFFFFFu], 0);
  for (const auto& [pixel, n] : plain) {
    // Only black, white and the greys of anti-aliased edges.
    const Cardinal r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, bl = pixel & 0xFF;
    EXPECT_TRUE(r == g && g == bl) << std::hex << pixel;
  }
  auto contoured = count(TsTextColors{white, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF});
  // The left contour (red) shows left of the H's stems, the bottom one (yellow) below them.
  EXPECT_GT(contoured[0xFFFF0000u], 0);
  EXPECT_GT(contoured[0xFFFFFF00u], 0);
  EXPECT_GT(contoured[0xFFFFFFFFu], 0);

  const TsGeneralData section = [] {
    TsGeneralData s;
    s.States = 1;
    s.Props[0].TextColor = 0x123456;
    s.Props[1].TextColor = 0x654321;
    s.Props[0].ContourTop = 7;
    return s;
  }();
  EXPECT_EQ(SectionTextColors(section, true).Text, 0x123456);  // one state: no hot colours
  EXPECT_EQ(SectionTextColors(section, true).ContourTop, 7);
  EXPECT_EQ(SectionTextColors(section, false).ContourLeft, -1);
}

std::map<Cardinal, int> PixelCounts(TBitmap& b) {
  std::map<Cardinal, int> seen;
  for (Integer y = 0; y < b.Height(); ++y)
    for (Integer x = 0; x < b.Width(); ++x) ++seen[PixelOf(b, x, y)];
  return seen;
}

TEST(BitmapText, SkinTextTakesTheSectionsColoursFromTheManagerOrTheDefaultOne) {
  std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
  TsGeneralData section;
  section.States = 3;
  section.Props[0].TextColor = 0x0000FF;     // red
  section.Props[1].TextColor = 0x00FF00;     // green
  section.Props[0].ContourBottom = 0xFF0000;  // blue below the stems
  section.Props[1].ContourBottom = 0xFF0000;
  manager->gd = {section};
  const Cardinal red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu, yellow = 0xFFFFFF00u;
  const struct {
    const char* name;
    bool contour, hot;
    Integer section;
    bool defaultManager;
    std::vector<Cardinal> present, absent;
  } cases[] = {
      {"normal", false, false, 0, false, {red}, {blue, green}},
      {"contoured", true, false, 0, false, {red, blue}, {green}},
      {"hot", true, true, 0, false, {green, blue}, {red}},
      {"no such section: the font's colour", true, false, 3, false, {yellow}, {red, blue}},
      {"default manager", true, false, 0, true, {red, blue}, {yellow}},
  };
  for (const auto& c : cases) {
    if (c.defaultManager && TsSkinManager::DefaultManager() != manager.get()) continue;  // another one came first
    auto b = Filled(60, 30, 0xFF000000u);
    b->Canvas().Font().SetColor(static_cast<TColor>(0x00FFFF));
    DrawSkinText(*b, u"HH", c.contour, c.defaultManager ? nullptr : manager.get(), c.hot, c.section,
                 DT_LEFT | DT_TOP | DT_SINGLELINE, TRect{10, 5, 50, 25});
    auto seen = PixelCounts(*b);
    for (Cardinal p : c.present) EXPECT_GT(seen[p], 0) << c.name << " " << std::hex << p;
    for (Cardinal p : c.absent) EXPECT_EQ(seen[p], 0) << c.name << " " << std::hex << p;
  }
  auto b = Filled(20, 10, kFill);
  DrawSkinText(*b, u"", true, manager.get(), false, 0, DT_LEFT, TRect{0, 0, 20, 10});
  DrawSkinText(*b, u"H", true, manager.get(), false, 0, DT_LEFT, TRect{5, 5, 5, 9});
  EXPECT_EQ(PixelCounts(*b)[kFill], 200);
}

// A panel that answers the background request with a bitmap of its own (or a colour).
class TAnsweringPanel : public TPanel {
 public:
  using TPanel::TPanel;
  void WndProc(TMessage& message) override {
    if (message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == scFillBgRequest) {
      auto* request = reinterpret_cast<TskBgRequest*>(message.LParam);
      ++asked;
      cleared = request->AnswerKind == bgNotAnswered && request->PaintFlag == 0 && request->TargetDC == nullptr;
      if (background) {
        request->Bitmap = background.get();
        request->OffsetX = 2;
        request->OffsetY = 1;
        request->AnswerKind = bgBitmap;
      } else {
        request->Color = static_cast<Integer>(clBtnFace);
        request->AnswerKind = bgColor;
      }
      message.Result = 1;
      return;
    }
    TPanel::WndProc(message);
  }
  std::unique_ptr<TBitmap> background;
  int asked = 0;
  bool cleared = false;
};

TEST(ParentBackground, AControlAsksItsParentAndPaintsTheAnswerIntoItsKeyCorners) {
  std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
  // One border mask of one 4 x 4 state (plain), key colour in its top-left and bottom-right pixels.
  manager->MasterBitmap.reset(Filled(4, 4, 0xFF808080u).release());
  static_cast<Cardinal*>(manager->MasterBitmap->ScanLine(0))[0] = kKeyPixel;
  static_cast<Cardinal*>(manager->MasterBitmap->ScanLine(3))[3] = kKeyPixel;
  TsMaskData mask;
  mask.R = {0, 0, 4, 4};
  mask.ImageCount = 1;
  mask.WL = mask.WT = mask.WR = mask.WB = 1;
  mask.Flags = 1;
  manager->ma = {mask};

  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto* panel = New<TAnsweringPanel>(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 100, 60);
  auto* control = New<skintest::TSkinnedGraphic>(form.get());
  control->SetParent(panel);
  control->SetBounds(5, 7, 10, 8);
  panel->HandleNeeded();  // windowed parents are asked through their window
  TsCommonData& data = *control->data;
  data.OwnSkinManager = manager.get();
  data.BorderMaskIndex = 0;
  data.CacheBitmap = Filled(10, 8, 0xFF112233u);

  // A bitmap answer: the cache's key corners take its pixels at the control's place plus the offsets.
  panel->background = Filled(40, 40, 0);
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 40; ++x) static_cast<Cardinal*>(panel->background->ScanLine(y))[x] = 0x01000000u | (x << 8) | y;
  PaintParentBackground(data, 0, pcTopLeft | pcBottomRight | pcBottomLeft);
  EXPECT_EQ(panel->asked, 1);
  EXPECT_TRUE(panel->cleared);
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 0, 0), 0xFF000000u | ((0 + 5 + 2) << 8) | (0 + 7 + 1));
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 9, 7), 0xFF000000u | ((9 + 5 + 2) << 8) | (7 + 7 + 1));
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 1, 0), 0xFF112233u);  // not a key pixel
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 0, 7), 0xFF112233u);  // bottom-left: no key pixel there

  // A colour answer (a system colour) is resolved and written whole; a corner not asked stays.
  panel->background.reset();
  data.CacheBitmap = Filled(10, 8, 0xFF112233u);
  PaintParentBackground(data, 0, pcTopLeft);
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 0, 0), SwapRedBlue(ColorToRGB(clBtnFace)));
  EXPECT_EQ(PixelOf(*data.CacheBitmap, 9, 7), 0xFF112233u);

  // Nothing is asked without a corner flag in the mask or without a cache.
  manager->ma[0].Flags = 0;
  PaintParentBackground(data, 0, 15);
  manager->ma[0].Flags = 1;
  data.CacheBitmap.reset();
  PaintParentBackground(data, 0, 15);
  EXPECT_EQ(panel->asked, 2);
}

TEST(SectionBackgroundBitmap, TheManagersSkinPaintsIntoAThirtyTwoBitBitmap) {
  std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
  TsGeneralData section;
  section.Props[0].Color = 0x0000FF;
  manager->gd = {section};
  auto b = Filled(6, 4, kFill);
  PaintSectionBackground(0, 0, manager.get(), b.get(), TRect{1, 1, 5, 3});
  EXPECT_EQ(PixelOf(*b, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(*b, 0, 0), kFill);
  PaintSectionBackground(0, 0, manager.get(), b.get(), TRect{1, 1, 7, 3});  // past the bitmap
  EXPECT_EQ(PixelOf(*b, 5, 1), kFill);
}

}  // namespace
