#include "skin/builtin/skSkinPreview.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinPackWriter.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/skSkinPack.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

namespace {

// A 3 x 5 pixel font for labels: upper-case letters, digits and a few signs.
const char* GlyphRows(char c) {
  switch (c) {
    case 'A': return "010101111101101"; case 'B': return "110101110101110"; case 'C': return "011100100100011";
    case 'D': return "110101101101110"; case 'E': return "111100110100111"; case 'F': return "111100110100100";
    case 'G': return "011100101101011"; case 'H': return "101101111101101"; case 'I': return "111010010010111";
    case 'J': return "001001001101010"; case 'K': return "101101110101101"; case 'L': return "100100100100111";
    case 'M': return "101111111101101"; case 'N': return "110101101101101"; case 'O': return "010101101101010";
    case 'P': return "110101110100100"; case 'Q': return "010101101110011"; case 'R': return "110101110101101";
    case 'S': return "011100010001110"; case 'T': return "111010010010010"; case 'U': return "101101101101111";
    case 'V': return "101101101101010"; case 'W': return "101101111111101"; case 'X': return "101101010101101";
    case 'Y': return "101101010010010"; case 'Z': return "111001010100111"; case '0': return "111101101101111";
    case '1': return "010110010010111"; case '2': return "110001010100111"; case '3': return "110001010001110";
    case '4': return "101101111001001"; case '5': return "111100110001110"; case '6': return "011100111101111";
    case '7': return "111001010010010"; case '8': return "111101111101111"; case '9': return "111101111001110";
    case '_': return "000000000000111"; case '-': return "000000111000000"; case '.': return "000000000000010";
    default: return "000000000000000";
  }
}

void DrawText(TskRgbaImage& c, int x, int y, const std::string& text, uint32_t p, int scale = 2) {
  for (char ch : text) {
    const char* rows = GlyphRows(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
    for (int i = 0; i < 15; ++i)
      if (rows[i] == '1') c.Fill({x + i % 3 * scale, y + i / 3 * scale, x + (i % 3 + 1) * scale, y + (i / 3 + 1) * scale}, p);
    x += 4 * scale;
  }
}

int TextWidth(const std::string& text, int scale = 2) { return static_cast<int>(text.size()) * 4 * scale; }

// The sheet paints through the skin manager's own section and mask painters, over the tables the skin
// reader made of the pack, so that it shows what skinned windows will show.
class Painter {
 public:
  Painter(const TsLoadedSkin& skin, TskRgbaImage& canvas)
      : skin_(skin), pixels_(skin.Pixels()), canvas_(canvas), view_(canvas.View()) {}

  Integer SectionIndex(const std::string& name) const { return FindSkinIndex(skin_.Sections, name); }
  // The section's mask of that key, inherited along PARENTCLASS; nullptr without one.
  const TsMaskData* Mask(const std::string& section, const std::string& key) const {
    const Integer i = FindMaskIndex(TsSkinTables{skin_.Sections, skin_.Masks, skin_.Patterns}, SectionIndex(section),
                                    section, key);
    return i >= 0 ? &skin_.Masks[static_cast<size_t>(i)] : nullptr;
  }
  uint32_t FontColor(const std::string& section, int state) const {
    const Integer i = SectionIndex(section);
    if (i < 0) return Rgb(0, 0, 0);
    return ColorToPixel(SectionTextColors(skin_.Sections[static_cast<size_t>(i)], state > 0).Text);
  }
  uint32_t Color(const std::string& section, int state) const {
    const Integer i = SectionIndex(section);
    return i < 0 ? Rgb(255, 255, 255) : ColorToPixel(skin_.Sections[static_cast<size_t>(i)].Props[state > 0 ? 1 : 0].Color);
  }
  void Section(const std::string& section, const TRect& r, int state) const {
    PaintSectionBackground(view_, r, pixels_, SectionIndex(section), state);
  }
  // A glyph state at (x, y), magnified `zoom` times (nearest pixel) from what the painter draws over
  // the canvas there.
  void Glyph(const TsMaskData& m, int x, int y, int state, int zoom = 1) const {
    const Integer w = MaskStateWidth(m), h = MaskStateHeight(m);
    if (zoom == 1) {
      PaintMaskGlyph(view_, x, y, state, TsBgPixels{}, m, pixels_.ImageOf(m), 1);
      return;
    }
    // The face under the enlarged glyph, sampled at its top-left pixel per glyph pixel, painted on.
    TskRgbaImage cell(w, h);
    for (int cy = 0; cy < h; ++cy)
      for (int cx = 0; cx < w; ++cx) cell.Set(cx, cy, canvas_.Contains(x + cx * zoom, y + cy * zoom) ? canvas_.At(x + cx * zoom, y + cy * zoom) : 0);
    PaintMaskGlyph(cell.View(), 0, 0, state, TsBgPixels{}, m, pixels_.ImageOf(m), 1);
    StretchNearest(view_, {x, y, x + w * zoom, y + h * zoom}, cell.View(), {0, 0, w, h});
  }
  const TsSkinData& Data() const { return skin_.Data; }

 private:
  const TsLoadedSkin& skin_;
  TsSkinPixels pixels_;
  TskRgbaImage& canvas_;
  TsPixelView view_;
};

constexpr int kTileW = 96, kTileH = 34, kLabelW = 150, kRowH = 42, kColumnW = kLabelW + 3 * (kTileW + 8) + 16;
constexpr int kGlyphZoom = 2;

void SectionTile(TskRgbaImage& c, const Painter& p, const std::string& name, int x, int y, int state) {
  const TRect r{x, y, x + kTileW, y + kTileH};
  p.Section(name, r, state);
  if (const TsMaskData* g = p.Mask(name, "GLYPHMASK"))
    p.Glyph(*g, r.Right - MaskStateWidth(*g) - 6, y + (kTileH - MaskStateHeight(*g)) / 2, state);
  DrawText(c, x + 8, y + (kTileH - 10) / 2, "Ab 12", p.FontColor(name, state));
}

// A small window with the skin's frame, title, title buttons and a few controls.
void SampleWindow(TskRgbaImage& c, const Painter& p, int x, int y, bool active) {
  const int w = 300, h = 170, state = active ? 1 : 0;
  const TRect r{x, y, x + w, y + h};
  const TsSkinData& d = p.Data();
  const int border = d.BorderWidth, title = d.TitleHeight;
  p.Section("FORM", r, state);
  c.Fill({r.Left + border, r.Top + border + title, r.Right - border, r.Bottom - border}, p.Color("FORM", state));
  p.Section("FORMTITLE", {r.Left, r.Top, r.Right, r.Top + border + title}, state);
  DrawText(c, r.Left + border + 8, r.Top + border + (title - 10) / 2, "QUILLNOTE", p.FontColor("FORMTITLE", state));
  int bx = r.Right - border - d.BIRightMargin;
  const int by = r.Top + border + d.BITopMargin;
  for (const char* b : {"BICONCLOSE", "BICONMAX", "BICONMIN"}) {
    if (const TsMaskData* m = p.Mask("GLOBALINFO", b)) {
      bx -= MaskStateWidth(*m);
      p.Glyph(*m, bx, by, active && std::string(b) == "BICONCLOSE" ? 1 : 0);
      bx -= d.BISpacing;
    }
  }
  const int cx = r.Left + border + 12, cy = r.Top + border + title + 12;
  p.Section("EDIT", {cx, cy, cx + 160, cy + 22}, active ? 1 : 0);
  DrawText(c, cx + 6, cy + 6, "DEAR DIARY", p.FontColor("EDIT", 0));
  if (const TsMaskData* m = p.Mask("GLOBALINFO", "BOXCHECKED")) p.Glyph(*m, cx, cy + 34, 0);
  if (const TsMaskData* m = p.Mask("GLOBALINFO", "RADIOUNCHECKED")) p.Glyph(*m, cx, cy + 54, 1);
  DrawText(c, cx + 20, cy + 36, "REMEMBER", p.FontColor("CHECKBOX", 0));
  DrawText(c, cx + 20, cy + 56, "LATER", p.FontColor("CHECKBOX", 0));
  for (int i = 0; i < 2; ++i) {
    const TRect br{r.Right - border - 12 - 84 * (2 - i) + 6, r.Bottom - border - 34, r.Right - border - 12 - 84 * (1 - i), r.Bottom - border - 10};
    const int s = i == 0 && active ? 1 : 0;
    p.Section("BUTTON", br, s);
    const std::string label = i == 0 ? "OK" : "CANCEL";
    DrawText(c, br.Left + (br.Width() - TextWidth(label)) / 2, br.Top + 7, label, p.FontColor("BUTTON", s));
  }
}

// A popup menu: three items (the second highlighted), a separator and a checked item.
void SampleMenu(TskRgbaImage& c, const Painter& p, int x, int y) {
  const TRect r{x, y, x + 150, y + 118};
  p.Section("MAINMENU", r, 0);
  const TsMaskData* frame = p.Mask("MAINMENU", "BORDERSMASK");
  const int b = frame && frame->BorderWidth ? frame->BorderWidth : 3;
  p.Section("ICOLINE", {r.Left + b, r.Top + b, r.Left + b + 24, r.Bottom - b}, 0);
  const char* items[] = {"NEW DAY", "FIND", "-", "WORD WRAP", "EXIT"};
  int iy = r.Top + b + 2;
  for (int i = 0; i < 5; ++i) {
    if (items[i][0] == '-') {
      p.Section("DIVIDERV", {r.Left + b + 26, iy, r.Right - b - 2, iy + 7}, 0);
      iy += 7;
      continue;
    }
    const int s = i == 1 ? 1 : 0;
    const TRect ir{r.Left + b + 1, iy, r.Right - b - 1, iy + 24};
    p.Section("MENUITEM", ir, s);
    if (i == 3)
      if (const TsMaskData* m = p.Mask("GLOBALINFO", "CHECK")) p.Glyph(*m, ir.Left + 5, iy + 5, 0);
    DrawText(c, ir.Left + 32, iy + 7, items[i], p.FontColor("MENUITEM", s));
    iy += 24;
  }
}

}  // namespace

TskContactSheet PaintContactSheet(const TsLoadedSkin& skin) {
  const uint32_t paper = Rgb(255, 255, 255), ink = Rgb(40, 40, 40);
  const int sections = static_cast<int>(skin.Sections.size());
  const int perColumn = (sections + 1) / 2;
  // Glyph masks: every "@" value of every section.
  std::vector<const TsMaskData*> glyphs;
  for (const TsMaskData& m : skin.Masks)
    if (m.ImgType == itSimple) glyphs.push_back(&m);
  // Glyphs flow left to right, each as wide as its states on both faces, magnified kGlyphZoom times.
  const int glyphRowH = 66, sheetW = 2 * kColumnW + 20;
  const auto nameOf = [](const TsMaskData& m) {
    return m.ClassName == "GLOBALINFO" ? m.PropertyName : m.ClassName + "." + m.PropertyName;
  };
  const auto glyphCellW = [&](const TsMaskData& m) {
    return std::max(2 * std::max<int>(m.ImageCount, 1) * (MaskStateWidth(m) * kGlyphZoom + 4) + 8,
                    TextWidth(nameOf(m))) + 24;
  };
  int glyphRows = glyphs.empty() ? 0 : 1;
  for (int x = 12; const TsMaskData* m : glyphs) {
    if (x + glyphCellW(*m) > sheetW - 12 && x > 12) x = 12, ++glyphRows;
    x += glyphCellW(*m);
  }
  const int sectionsH = 40 + perColumn * kRowH;
  const int glyphsH = 30 + glyphRows * glyphRowH;
  const int samplesH = 220;
  TskContactSheet sheet;
  TskRgbaImage& c = sheet.Image;
  c = TskRgbaImage(sheetW, sectionsH + glyphsH + samplesH + 20, paper);
  const Painter p(skin, c);

  DrawText(c, 12, 12, "SECTIONS  STATE 0  1  2", ink, 3);
  for (int i = 0; i < sections; ++i) {
    const std::string name = skin.Sections[static_cast<size_t>(i)].ClassName;
    const int x = 12 + (i / perColumn) * kColumnW, y = 40 + (i % perColumn) * kRowH;
    DrawText(c, x, y + (kTileH - 10) / 2, name, ink);
    for (int s = 0; s < 3; ++s) {
      const int tx = x + kLabelW + s * (kTileW + 8);
      SectionTile(c, p, name, tx, y, s);
      sheet.Tiles.push_back({name, s, {tx, y, tx + kTileW, y + kTileH}});
    }
  }

  int y0 = sectionsH + 10;
  DrawText(c, 12, y0, "GLYPHS  ON FACE AND ON THE ACTIVE TITLE  ZOOM " + std::to_string(kGlyphZoom), ink, 3);
  y0 += 30;
  const uint32_t face = p.Color("GLOBALINFO", 0);
  const uint32_t titleFace = p.Color("FORMTITLE", 1);
  int gx0 = 12, gy0 = y0;
  for (const TsMaskData* glyph : glyphs) {
    const TsMaskData& m = *glyph;
    const std::string name = nameOf(m);
    if (gx0 + glyphCellW(m) > sheetW - 12 && gx0 > 12) gx0 = 12, gy0 += glyphRowH;
    const int x = gx0, y = gy0;
    gx0 += glyphCellW(m);
    DrawText(c, x, y, name, ink);
    const int count = std::max<int>(m.ImageCount, 1);
    const int w = MaskStateWidth(m) * kGlyphZoom, h = MaskStateHeight(m) * kGlyphZoom;
    for (int s = 0; s < count; ++s)
      for (int bg = 0; bg < 2; ++bg) {
        const int gx = x + (bg * count + s) * (w + 4) + bg * 8, gy = y + 16;
        c.Fill({gx - 2, gy - 2, gx + w + 2, gy + h + 2}, bg ? titleFace : face);
        p.Glyph(m, gx, gy, s, kGlyphZoom);
        sheet.Glyphs.push_back({name, s, {gx, gy, gx + w, gy + h}, kGlyphZoom, bg ? titleFace : face});
      }
  }

  const int ys = sectionsH + glyphsH + 10;
  DrawText(c, 12, ys, "SAMPLES", ink, 3);
  const uint32_t desk = Rgb(120, 130, 140);
  c.Fill({12, ys + 30, 12 + 820, ys + 30 + 190}, desk);
  SampleWindow(c, p, 22, ys + 40, true);
  SampleWindow(c, p, 342, ys + 40, false);
  SampleMenu(c, p, 662, ys + 50);
  return sheet;
}

TsLoadedSkin ReadSkinForPreview(const std::string& pack) {
  auto convertor = std::make_unique<TskSkinConvertor>();
  convertor->PackedData = std::make_unique<TMemoryStream>();
  if (!pack.empty()) convertor->PackedData->WriteBuffer(pack.data(), static_cast<Integer>(pack.size()));
  ParsePackedSkin(convertor);
  if (!convertor) throw Exception("Loaded data is not a packed Corvane file");
  TsSkinReadOptions options;
  options.Decoders = GeneratorImageDecoders();
  TsLoadedSkin skin;
  ReadPackedSkinTables(*convertor, options, skin);
  UpdateCommonIndexes(skin.Sections, skin.Masks, skin.Patterns);
  return skin;
}

TskRgbaImage PaintContactSheet(const TskOptionsText& options, const TskRgbaImage& master) {
  const std::string pack = WritePackedSkin({{kBuiltinOptionsEntry, WriteOptionsText(options)}, {kBuiltinMasterEntry, EncodeBmp32(master)}});
  return PaintContactSheet(ReadSkinForPreview(pack)).Image;
}
