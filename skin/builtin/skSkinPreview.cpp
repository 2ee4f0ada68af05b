#include "skin/builtin/skSkinPreview.h"

#include <algorithm>
#include <cctype>
#include <string>
#include "skin/manager/sGradient.h"

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

long Int(const std::string* v, long fallback) {
  if (!v || v->empty()) return fallback;
  try {
    return std::stol(*v);
  } catch (const std::exception&) {
    return fallback;
  }
}

uint32_t ColorPixel(const std::string* v, uint32_t fallback) {
  return v ? ColorToPixel(static_cast<Integer>(Int(v, 0))) : fallback;
}

// Copies one part of a state image into `to`, stretched (nearest pixel); keyed parts skip key pixels.
void StretchPart(TskRgbaImage& c, const TskRgbaImage& src, const TsRect& from, const TsRect& to, bool keyed) {
  if (from.IsEmpty() || to.IsEmpty()) return;
  for (int y = to.Top; y < to.Bottom; ++y)
    for (int x = to.Left; x < to.Right; ++x) {
      const int sx = from.Left + (x - to.Left) * from.Width() / to.Width();
      const int sy = from.Top + (y - to.Top) * from.Height() / to.Height();
      const uint32_t p = src.At(sx, sy);
      if (!keyed || p != kKeyPixel) c.Set(x, y, p);
    }
}

// A border mask over `r`: corners keyed, sides stretched, the centre with draw mode +4.
void PaintBorders(TskRgbaImage& c, const TskRgbaImage& master, const TskMaskValue& m, const TsRect& r, int state) {
  if ((m.DrawMode & 2) && state == 0) return;
  const TsRect s = m.StateRect(state);
  const int xs[4] = {s.Left, s.Left + m.WL, s.Right - m.WR, s.Right};
  const int ys[4] = {s.Top, s.Top + m.WT, s.Bottom - m.WB, s.Bottom};
  const int xd[4] = {r.Left, r.Left + m.WL, r.Right - m.WR, r.Right};
  const int yd[4] = {r.Top, r.Top + m.WT, r.Bottom - m.WB, r.Bottom};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      if (i == 1 && j == 1 && !(m.DrawMode & 4)) continue;
      StretchPart(c, master, {xs[i], ys[j], xs[i + 1], ys[j + 1]}, {xd[i], yd[j], xd[i + 1], yd[j + 1]}, i != 1 && j != 1);
    }
}

void PaintGlyph(TskRgbaImage& c, const TskRgbaImage& master, const TskMaskValue& m, int x, int y, int state, int zoom = 1) {
  const TsRect s = m.StateRect(state);
  StretchPart(c, master, s, {x, y, x + s.Width() * zoom, y + s.Height() * zoom}, true);
}

class Painter {
 public:
  Painter(const TskOptionsText& o, const TskRgbaImage& m) : o_(o), m_(m) {}

  const std::string* Key(const std::string& section, const std::string& key) const { return o_.Lookup(section, key); }
  std::optional<TskMaskValue> Mask(const std::string& section, const std::string& key) const {
    const std::string* v = Key(section, key);
    return v ? ParseMaskValue(*v) : std::nullopt;
  }
  // The colour state: hot (1) for states above 0 when the section has a hot state.
  bool Hot(const std::string& section, int state) const { return state > 0 && Int(Key(section, "STATES"), 3) > 1; }
  uint32_t FontColor(const std::string& section, int state) const {
    return ColorPixel(Key(section, Hot(section, state) ? "HOTFONTCOLOR" : "FONTCOLOR"), Rgb(0, 0, 0));
  }

  void Section(TskRgbaImage& c, const std::string& section, const TsRect& r, int state) const {
    const bool hot = Hot(section, state);
    const std::string pre = hot ? "HOT" : "";
    if (Int(Key(section, pre + "TRANSPARENCY"), 0) < 100) {
      const std::string* data = Key(section, pre + "GRADIENTDATA");
      TsGradArray gradient;
      if (Int(Key(section, pre + "GRADIENTPERCENT"), 0) > 0 && data) ParseGradientData(*data, gradient);
      if (!gradient.empty()) {
        TsPixelView view = c.View();
        DrawGradient(view, r, gradient);
      } else {
        c.Fill(r, ColorPixel(Key(section, hot ? "HOTCOLOR" : "COLOR"), Rgb(255, 255, 255)));
      }
    }
    if (const auto m = Mask(section, "BORDERSMASK")) PaintBorders(c, m_, *m, r, state);
  }

  const TskRgbaImage& Master() const { return m_; }
  const TskOptionsText& Options() const { return o_; }

 private:
  const TskOptionsText& o_;
  const TskRgbaImage& m_;
};

constexpr int kTileW = 96, kTileH = 34, kLabelW = 150, kRowH = 42, kColumnW = kLabelW + 3 * (kTileW + 8) + 16;

void SectionTile(TskRgbaImage& c, const Painter& p, const std::string& name, int x, int y, int state) {
  const TsRect r{x, y, x + kTileW, y + kTileH};
  p.Section(c, name, r, state);
  if (const auto g = p.Mask(name, "GLYPHMASK"))
    PaintGlyph(c, p.Master(), *g, r.Right - g->StateWidth() - 6, y + (kTileH - g->StateHeight()) / 2, state);
  DrawText(c, x + 8, y + (kTileH - 10) / 2, "Ab 12", p.FontColor(name, state));
}

// A small window with the skin's frame, title, title buttons and a few controls.
void SampleWindow(TskRgbaImage& c, const Painter& p, int x, int y, bool active) {
  const int w = 300, h = 170, state = active ? 1 : 0;
  const TsRect r{x, y, x + w, y + h};
  const int border = static_cast<int>(Int(p.Key("GLOBALINFO", "BORDERWIDTH"), 4));
  int title = static_cast<int>(Int(p.Key("GLOBALINFO", "TITLEHEIGHT"), 30));
  if (title == 0) title = 30;
  p.Section(c, "FORM", r, state);
  c.Fill({r.Left + border, r.Top + border + title, r.Right - border, r.Bottom - border},
         ColorPixel(p.Key("FORM", active ? "HOTCOLOR" : "COLOR"), kKeyPixel));
  p.Section(c, "FORMTITLE", {r.Left, r.Top, r.Right, r.Top + border + title}, state);
  DrawText(c, r.Left + border + 8, r.Top + border + (title - 10) / 2, "QUILLNOTE", p.FontColor("FORMTITLE", state));
  int bx = r.Right - border - static_cast<int>(Int(p.Key("GLOBALINFO", "BIRIGHT"), 0));
  const int by = r.Top + border + static_cast<int>(Int(p.Key("GLOBALINFO", "BITOP"), 0));
  for (const char* b : {"BICONCLOSE", "BICONMAX", "BICONMIN"}) {
    if (const auto m = p.Mask("GLOBALINFO", b)) {
      bx -= m->StateWidth();
      const int s = active && std::string(b) == "BICONCLOSE" ? 1 : 0;
      PaintGlyph(c, p.Master(), *m, bx, by, s);
      bx -= static_cast<int>(Int(p.Key("GLOBALINFO", "BISPACE"), 0));
    }
  }
  const int cx = r.Left + border + 12, cy = r.Top + border + title + 12;
  p.Section(c, "EDIT", {cx, cy, cx + 160, cy + 22}, active ? 1 : 0);
  DrawText(c, cx + 6, cy + 6, "DEAR DIARY", p.FontColor("EDIT", 0));
  if (const auto m = p.Mask("GLOBALINFO", "BOXCHECKED")) PaintGlyph(c, p.Master(), *m, cx, cy + 34, 0);
  if (const auto m = p.Mask("GLOBALINFO", "RADIOUNCHECKED")) PaintGlyph(c, p.Master(), *m, cx, cy + 54, 1);
  DrawText(c, cx + 20, cy + 36, "REMEMBER", p.FontColor("CHECKBOX", 0));
  DrawText(c, cx + 20, cy + 56, "LATER", p.FontColor("CHECKBOX", 0));
  for (int i = 0; i < 2; ++i) {
    const TsRect br{r.Right - border - 12 - 84 * (2 - i) + 6, r.Bottom - border - 34, r.Right - border - 12 - 84 * (1 - i), r.Bottom - border - 10};
    const int s = i == 0 && active ? 1 : 0;
    p.Section(c, "BUTTON", br, s);
    const std::string label = i == 0 ? "OK" : "CANCEL";
    DrawText(c, br.Left + (br.Width() - TextWidth(label)) / 2, br.Top + 7, label, p.FontColor("BUTTON", s));
  }
}

// A popup menu: three items (the second highlighted), a separator and a checked item.
void SampleMenu(TskRgbaImage& c, const Painter& p, int x, int y) {
  const TsRect r{x, y, x + 150, y + 118};
  p.Section(c, "MAINMENU", r, 0);
  const auto frame = p.Mask("MAINMENU", "BORDERSMASK");
  const int b = frame ? (frame->CommonWidth ? frame->CommonWidth : 3) : 3;
  p.Section(c, "ICOLINE", {r.Left + b, r.Top + b, r.Left + b + 24, r.Bottom - b}, 0);
  const char* items[] = {"NEW DAY", "FIND", "-", "WORD WRAP", "EXIT"};
  int iy = r.Top + b + 2;
  for (int i = 0; i < 5; ++i) {
    if (items[i][0] == '-') {
      p.Section(c, "DIVIDERV", {r.Left + b + 26, iy, r.Right - b - 2, iy + 7}, 0);
      iy += 7;
      continue;
    }
    const int s = i == 1 ? 1 : 0;
    const TsRect ir{r.Left + b + 1, iy, r.Right - b - 1, iy + 24};
    p.Section(c, "MENUITEM", ir, s);
    if (i == 3)
      if (const auto m = p.Mask("GLOBALINFO", "CHECK")) PaintGlyph(c, p.Master(), *m, ir.Left + 5, iy + 5, 0);
    DrawText(c, ir.Left + 32, iy + 7, items[i], p.FontColor("MENUITEM", s));
    iy += 24;
  }
}

}  // namespace

TskRgbaImage PaintContactSheet(const TskOptionsText& options, const TskRgbaImage& master) {
  const Painter p(options, master);
  const uint32_t paper = Rgb(255, 255, 255), ink = Rgb(40, 40, 40);
  const int sections = static_cast<int>(options.Sections.size());
  const int perColumn = (sections + 1) / 2;
  // Glyph masks: every "@" value of every section.
  std::vector<std::pair<std::string, TskMaskValue>> glyphs;
  for (const TskOptionsSection& s : options.Sections)
    for (const auto& [k, v] : s.Keys)
      if (const auto m = ParseMaskValue(v); m && m->Form == TskMaskForm::Glyph)
        glyphs.emplace_back(s.Name == "GLOBALINFO" ? k : s.Name + "." + k, *m);
  const int glyphRowH = 66, glyphsPerRow = 4, glyphCellW = kColumnW * 2 / glyphsPerRow;
  const int sectionsH = 40 + perColumn * kRowH;
  const int glyphsH = 30 + static_cast<int>((glyphs.size() + glyphsPerRow - 1) / glyphsPerRow) * glyphRowH;
  const int samplesH = 220;
  TskRgbaImage c(2 * kColumnW + 20, sectionsH + glyphsH + samplesH + 20, paper);

  DrawText(c, 12, 12, "SECTIONS  STATE 0  1  2", ink, 3);
  for (int i = 0; i < sections; ++i) {
    const std::string& name = options.Sections[i].Name;
    const int x = 12 + (i / perColumn) * kColumnW, y = 40 + (i % perColumn) * kRowH;
    DrawText(c, x, y + (kTileH - 10) / 2, name, ink);
    for (int s = 0; s < 3; ++s) SectionTile(c, p, name, x + kLabelW + s * (kTileW + 8), y, s);
  }

  int y0 = sectionsH + 10;
  DrawText(c, 12, y0, "GLYPHS  ON FACE AND ON THE ACTIVE TITLE  ZOOM 2", ink, 3);
  y0 += 30;
  const uint32_t face = ColorPixel(p.Key("GLOBALINFO", "COLOR"), Rgb(240, 240, 240));
  const uint32_t titleFace = ColorPixel(p.Key("FORMTITLE", "HOTCOLOR"), face);
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const auto& [name, m] = glyphs[i];
    const int x = 12 + static_cast<int>(i % glyphsPerRow) * glyphCellW, y = y0 + static_cast<int>(i / glyphsPerRow) * glyphRowH;
    DrawText(c, x, y, name, ink);
    const int zoom = m.StateWidth() * 2 * m.Count * 2 + 24 > glyphCellW ? 1 : 2;
    const int w = m.StateWidth() * zoom, h = m.StateHeight() * zoom;
    for (int s = 0; s < m.Count; ++s)
      for (int bg = 0; bg < 2; ++bg) {
        const int gx = x + (bg * m.Count + s) * (w + 4) + bg * 8, gy = y + 16;
        c.Fill({gx - 2, gy - 2, gx + w + 2, gy + h + 2}, bg ? titleFace : face);
        PaintGlyph(c, master, m, gx, gy, s, zoom);
      }
  }

  const int ys = sectionsH + glyphsH + 10;
  DrawText(c, 12, ys, "SAMPLES", ink, 3);
  const uint32_t desk = Rgb(120, 130, 140);
  c.Fill({12, ys + 30, 12 + 820, ys + 30 + 190}, desk);
  SampleWindow(c, p, 22, ys + 40, true);
  SampleWindow(c, p, 342, ys + 40, false);
  SampleMenu(c, p, 662, ys + 50);
  return c;
}
