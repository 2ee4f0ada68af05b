// The diary's built-in skin: the committed pack is what the generator makes, it reads back through the
// skin reader, and it holds what the diary's windows ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include "skin/portable/PixelFixtures.h"
#include "skin/portable/SkinFixtures.h"
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinLint.h"
#include "skin/builtin/skSkinPreview.h"
#include "skin/manager/sConst.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinTables.h"
#include "skin/manager/skSkinPack.h"

namespace {

using namespace skintest;

const TskBuiltinSkin& Skin() {
  static const TskBuiltinSkin skin = BuildBuiltinSkin();
  return skin;
}

std::unique_ptr<TskSkinConvertor> Unpack(const Bytes& pack) {
  auto convertor = std::make_unique<TskSkinConvertor>();
  convertor->PackedData = StreamOf(pack);
  ParsePackedSkin(convertor);
  return convertor;
}

// The options text and master bitmap of an unpacked skin.
struct Unpacked {
  TskOptionsText Options;
  TskRgbaImage Master;
};

Unpacked ReadBack(const Bytes& pack) {
  std::unique_ptr<TskSkinConvertor> c = Unpack(pack);
  EXPECT_EQ(c->ImageCount, 1);
  Unpacked out;
  out.Options = ParseOptionsText(ContentOf(*c->Options));
  for (const TskImageItem& item : c->ImageItems) {
    EXPECT_EQ(item.Name, "MASTER.BMP");
    EXPECT_TRUE(item.IsBitmap);
    out.Master = DecodeBmp32(ContentOf(*item.Data));
  }
  return out;
}

TEST(BuiltinSkin, CommittedPackHoldsWhatTheGeneratorMakes) {
  const Bytes committed = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
  ASSERT_FALSE(committed.empty());
  std::unique_ptr<TskSkinConvertor> c = Unpack(committed);
  ASSERT_EQ(c->ImageItems.size(), 1u);
  const bool same = ContentOf(*c->Options) == Skin().OptionsText && ContentOf(*c->ImageItems[0].Data) == Skin().MasterBmp;
  EXPECT_TRUE(same) << "skin/builtin/builtin-skin.cvz is out of date; rewrite it with: cmake --build --preset native "
                       "--target skingen && build/native/tools/skingen/skingen skin/builtin/builtin-skin.cvz";
}

TEST(BuiltinSkin, IsTheSameOnEveryRun) {
  EXPECT_EQ(BuildBuiltinSkin().Pack, Skin().Pack);
}

TEST(BuiltinSkin, PackIsSmallAndSafeForOneBufferReaders) {
  std::vector<TskPackEntryInfo> entries;
  EXPECT_EQ(LintPack(Skin().Pack, &entries), std::vector<std::string>{});
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Name, "Options.dat");
  EXPECT_EQ(entries[1].Name, "MASTER.BMP");
  EXPECT_LT(Skin().Pack.size(), 40u * 1024) << "the skin should stay about the size of a small icon set";
}

TEST(BuiltinSkin, PassesEveryLintRule) {
  const Unpacked u = ReadBack(Skin().Pack);
  EXPECT_EQ(LintSkinOptions(Skin().OptionsText, u.Master.Width(), u.Master.Height()), std::vector<std::string>{});
  EXPECT_EQ(LintMasterBitmap(u.Master), std::vector<std::string>{});
}

// What the diary needs, read back from the pack: the version, the sections, the GLOBALINFO masks inside
// the master bitmap, and title buttons that fit both the skin's caption and the system's.
TEST(BuiltinSkin, HoldsWhatTheDiaryNeeds) {
  const Unpacked u = ReadBack(Skin().Pack);
  const TskOptionsSection* global = u.Options.Find("GLOBALINFO");
  ASSERT_NE(global, nullptr);
  ASSERT_NE(global->Find("VERSION"), nullptr);
  EXPECT_EQ(*global->Find("VERSION"), "8.00");
  for (const char* name : {"FORM", "FORMTITLE", "DIALOG", "DIALOGTITLE", "BUTTON", "MAINMENU", "MENUITEM", "ICOLINE",
                           "DIVIDERV", "SELECTION", "EDIT", "CHECKBOX", "MENULINE"})
    EXPECT_NE(u.Options.Find(name), nullptr) << name;
  for (const std::string& name : kGlobalInfoMasks) {
    const std::string* v = global->Find(name);
    ASSERT_NE(v, nullptr) << name;
    const std::optional<TskMaskValue> m = ParseMaskValue(*v);
    ASSERT_TRUE(m) << name << "=" << *v;
    EXPECT_TRUE(!m->R.IsEmpty() && m->R.Right <= u.Master.Width() && m->R.Bottom <= u.Master.Height()) << name;
    // The skin manager's own arithmetic must see whole states.
    TsMaskData data;
    data.R = m->R;
    data.ImageCount = static_cast<SmallInt>(m->Count);
    data.MaskType = static_cast<SmallInt>(m->Type);
    EXPECT_EQ(MaskStateWidth(data) * m->Count, m->R.Width()) << name;
  }
  const int titleHeight = std::stoi(*global->Find("TITLEHEIGHT")), top = std::stoi(*global->Find("BITOP"));
  for (const char* close : {"BICONCLOSE", "SICONCLOSE"}) {
    const int h = ParseMaskValue(*global->Find(close))->StateHeight();
    EXPECT_LE(h, kSystemCaptionHeight) << close;
    EXPECT_LE(top + h, titleHeight) << close;
  }
}

// Inheritance gives the further sections their masks: every section reaches a colour, and the
// dialog frame is the form's.
TEST(BuiltinSkin, FurtherSectionsInheritFromTheDiarySections) {
  const TskOptionsText& o = Skin().Options;
  EXPECT_GE(o.Sections.size(), 55u);
  for (const TskOptionsSection& s : o.Sections) EXPECT_NE(o.Lookup(s.Name, "COLOR"), nullptr) << s.Name;
  ASSERT_NE(o.Lookup("DIALOG", "BORDERSMASK"), nullptr);
  EXPECT_EQ(*o.Lookup("DIALOG", "BORDERSMASK"), *o.Find("FORM")->Find("BORDERSMASK"));
  EXPECT_EQ(*o.Lookup("SPEEDBUTTON_SMALL", "BORDERSMASK"), *o.Find("BUTTON")->Find("BORDERSMASK"));
}

// Glyphs are cut out by the key colour; frames have square corners (no parent background copied in),
// buttons rounded ones.
TEST(BuiltinSkin, KeyColourSurroundsShapesAndRoundsOnlyButtons) {
  const Unpacked u = ReadBack(Skin().Pack);
  const TskOptionsSection* global = u.Options.Find("GLOBALINFO");
  const TskMaskValue close = *ParseMaskValue(*global->Find("BICONCLOSE"));
  const TRect normal = close.StateRect(0), hot = close.StateRect(1);
  EXPECT_EQ(u.Master.At(normal.Left, normal.Top), kKeyPixel);
  EXPECT_EQ(u.Master.At(normal.Left + normal.Width() / 2, normal.Top + normal.Height() / 2) >> 24, 0xFFu)
      << "the close cross passes through the centre";
  EXPECT_EQ(u.Master.At(hot.Left + hot.Width() / 2, hot.Top + 1) >> 24, 0xFFu) << "hot buttons sit on a plate";

  auto cornerKeyed = [&](const char* section) {
    const TskMaskValue m = *ParseMaskValue(*u.Options.Find(section)->Find("BORDERSMASK"));
    const TRect s = m.StateRect(0);
    return u.Master.At(s.Left, s.Top) == kKeyPixel;
  };
  EXPECT_FALSE(cornerKeyed("FORM"));
  EXPECT_TRUE(cornerKeyed("BUTTON"));
}

// The built-in skin read by the skin reader itself, as the painters see it.
const TsLoadedSkin& Loaded() {
  static const TsLoadedSkin skin = ReadSkinForPreview(Skin().Pack);
  return skin;
}

double Luminance(Cardinal p) {
  const auto channel = [](Cardinal v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(p >> 16 & 0xFF) + 0.7152 * channel(p >> 8 & 0xFF) + 0.0722 * channel(p & 0xFF);
}

double Contrast(Cardinal a, Cardinal b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The section a glyph is drawn over: its own, or for the common glyphs the section that hosts them.
std::string FaceSectionOf(const TsMaskData& glyph) {
  if (glyph.ClassName != "GLOBALINFO") return glyph.ClassName;
  const std::string key = glyph.PropertyName;
  if (key.starts_with("BICON") || key.starts_with("SICON")) return "FORMTITLE";
  if (key == "CHECK") return "MENUITEM";
  if (key == "GRIPIMAGE") return "STATUSBAR";
  return "CHECKBOX";
}

// Every state of every glyph painted by the skin's own painters over its section's face in the same
// state: the glyph's strongest pixel stands out from the face under it by at least 3:1, so no state is
// drawn in the colour of its face (a white arrow on a white face).
TEST(BuiltinSkin, EveryGlyphStateStandsOutFromItsFace) {
  const TsLoadedSkin& skin = Loaded();
  const TsSkinPixels pixels = skin.Pixels();
  int glyphs = 0;
  for (const TsMaskData& glyph : skin.Masks) {
    if (glyph.ImgType != itSimple) continue;
    ++glyphs;
    const std::string sectionName = FaceSectionOf(glyph);
    Integer section = -1;
    for (size_t i = 0; i < skin.Sections.size(); ++i)
      if (skin.Sections[i].ClassName == sectionName) section = static_cast<Integer>(i);
    ASSERT_GE(section, 0) << sectionName;
    const Integer w = MaskStateWidth(glyph), h = MaskStateHeight(glyph);
    // A control of a usual size with the glyph in its middle.
    const Integer cw = std::max<Integer>(w + 16, 40), ch = std::max<Integer>(h + 12, 24);
    const Integer gx = 1 + (cw - w) / 2, gy = 1 + (ch - h) / 2;
    for (Integer state = 0; state < std::max<Integer>(glyph.ImageCount, 1); ++state) {
      // The common face (GLOBALINFO), the section's background over it, then the glyph; a margin of
      // one pixel keeps the painted rect inside the bitmap (no premultiplication).
      Pixels face(cw + 2, ch + 2, ColorToPixel(skin.Sections[0].Props[0].Color));
      PaintSectionBackground(face.view, {1, 1, cw + 1, ch + 1}, pixels, section, state);
      Pixels painted = face;
      PaintMaskGlyph(painted.view, gx, gy, state, TsBgPixels{}, glyph, pixels.ImageOf(glyph), 1);
      double best = 1;
      for (Integer y = gy; y < gy + h; ++y)
        for (Integer x = gx; x < gx + w; ++x) best = std::max(best, Contrast(painted(x, y), face(x, y)));
      EXPECT_GE(best, 3.0) << glyph.ClassName << "." << glyph.PropertyName << " state " << state << " over "
                           << sectionName;
    }
  }
  EXPECT_GE(glyphs, 20);
}

// The review sheet shows what the painters paint: each section tile's left edge (where no text or
// glyph goes) is the section painter's own output, and each glyph is the glyph painter's output over its
// face, magnified exactly as many times as the sheet says.
TEST(BuiltinSkin, ReviewSheetPaintsThroughTheSkinsOwnPainters) {
  const TsLoadedSkin& skin = Loaded();
  const TskContactSheet sheet = PaintContactSheet(skin);
  const TsSkinPixels pixels = skin.Pixels();
  ASSERT_EQ(sheet.Tiles.size(), 3 * skin.Sections.size());
  for (const TskSheetTile& tile : sheet.Tiles) {
    const Integer w = tile.Place.Width(), h = tile.Place.Height();
    Pixels alone(w + 2, h + 2, Argb(0xFF, 255, 255, 255));  // the sheet's paper
    PaintSectionBackground(alone.view, {1, 1, w + 1, h + 1}, pixels, FindSkinIndex(skin.Sections, tile.Section), tile.State);
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < 6; ++x)
        ASSERT_EQ(sheet.Image.At(tile.Place.Left + x, tile.Place.Top + y), alone(x + 1, y + 1))
            << tile.Section << " state " << tile.State << " at " << x << "," << y;
  }
  ASSERT_FALSE(sheet.Glyphs.empty());
  for (const TskSheetGlyph& glyph : sheet.Glyphs) {
    const TsMaskData* mask = nullptr;
    for (const TsMaskData& m : skin.Masks)
      if ((m.ClassName == "GLOBALINFO" ? m.PropertyName : m.ClassName + "." + m.PropertyName) == glyph.Name) mask = &m;
    ASSERT_NE(mask, nullptr) << glyph.Name;
    EXPECT_EQ(glyph.Zoom, 2) << glyph.Name;  // the sheet's heading says "ZOOM 2"
    const Integer w = MaskStateWidth(*mask), h = MaskStateHeight(*mask);
    ASSERT_EQ(glyph.Place.Width(), w * glyph.Zoom) << glyph.Name;
    ASSERT_EQ(glyph.Place.Height(), h * glyph.Zoom) << glyph.Name;
    Pixels alone(w, h, glyph.Face);
    PaintMaskGlyph(alone.view, 0, 0, glyph.State, TsBgPixels{}, *mask, pixels.ImageOf(*mask), 1);
    for (Integer y = 0; y < glyph.Place.Height(); ++y)
      for (Integer x = 0; x < glyph.Place.Width(); ++x)
        ASSERT_EQ(sheet.Image.At(glyph.Place.Left + x, glyph.Place.Top + y), alone(x / glyph.Zoom, y / glyph.Zoom))
            << glyph.Name << " state " << glyph.State << " at " << x << "," << y;
  }
}

}  // namespace
