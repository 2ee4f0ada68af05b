#include "skin/builtin/skBuiltinSkin.h"

#include <algorithm>
#include <array>
#include <functional>
#include "skin/builtin/skSkinPackWriter.h"
#include "vcl/rtl/Exceptions.h"

namespace {

// ---- palette: light neutral faces close to the system's button face, one calm blue accent ----
constexpr uint32_t kFace = Rgb(240, 240, 240);
constexpr uint32_t kWindow = Rgb(255, 255, 255);
constexpr uint32_t kText = Rgb(28, 28, 28);
constexpr uint32_t kMutedText = Rgb(124, 124, 124);
constexpr uint32_t kLine = Rgb(200, 200, 200);
constexpr uint32_t kBorder = Rgb(160, 160, 160);
constexpr uint32_t kControlBorder = Rgb(122, 122, 122);
constexpr uint32_t kAccent = Rgb(0, 120, 215);
constexpr uint32_t kAccentDark = Rgb(0, 84, 153);
constexpr uint32_t kHotFace = Rgb(229, 241, 251);
constexpr uint32_t kPressedFace = Rgb(204, 228, 247);
constexpr uint32_t kMenuFace = Rgb(252, 252, 252);
constexpr uint32_t kMenuHot = Rgb(214, 232, 249);
constexpr uint32_t kMenuHotBorder = Rgb(160, 200, 236);
constexpr uint32_t kSelection = Rgb(0, 103, 192);
// Titles: active a pale blue wash with dark text, inactive a plain grey; frames follow them.
constexpr uint32_t kTitleTop = Rgb(228, 237, 248), kTitleBottom = Rgb(206, 222, 242);
constexpr uint32_t kInactiveTitleTop = Rgb(238, 238, 238), kInactiveTitleBottom = Rgb(226, 226, 226);
constexpr uint32_t kTitleText = Rgb(22, 42, 70);
constexpr uint32_t kFrameEdge = Rgb(84, 124, 172), kInactiveFrameEdge = Rgb(168, 168, 168);
constexpr uint32_t kTitleGlyph = Rgb(40, 52, 68);
constexpr uint32_t kCloseHot = Rgb(212, 58, 58), kClosePressed = Rgb(168, 40, 40);
constexpr uint32_t kTitleButtonHot = Rgb(244, 248, 253), kTitleButtonPressed = Rgb(176, 198, 226);
constexpr uint32_t kScrollFace = Rgb(240, 240, 240), kScrollHot = Rgb(218, 218, 218);
constexpr uint32_t kThumb = Rgb(200, 200, 200), kThumbHot = Rgb(166, 166, 166), kThumbPressed = Rgb(110, 110, 110);

constexpr int kAtlasWidth = 256;
constexpr int kAtlasMaxHeight = 2048;
constexpr int kGap = 2;  // key-colour pixels between blocks

// One cell painter: draws state `state` into `cell` of the canvas.
using CellPainter = std::function<void(TskRgbaImage& canvas, const TRect& cell, int state)>;

class SkinBuilder;

// Adds keys to one section of the options text.
class SectionBuilder {
 public:
  explicit SectionBuilder(TskOptionsSection& s) : s_(s) {}
  SectionBuilder& Text(const std::string& key, const std::string& value) {
    s_.Keys.emplace_back(key, value);
    return *this;
  }
  SectionBuilder& Int(const std::string& key, int value) { return Text(key, std::to_string(value)); }
  SectionBuilder& Color(const std::string& key, uint32_t pixel) { return Int(key, PixelToColor(pixel)); }
  SectionBuilder& Mask(const std::string& key, const TskMaskValue& m) { return Text(key, FormatMaskValue(m)); }
  // Normal and hot colours (background and text) in one go.
  SectionBuilder& Colors(uint32_t color, uint32_t fontColor, uint32_t hotColor, uint32_t hotFontColor) {
    return Color("COLOR", color).Color("FONTCOLOR", fontColor).Color("HOTCOLOR", hotColor).Color("HOTFONTCOLOR", hotFontColor);
  }
  // A vertical two-colour gradient over the whole face, for the normal and the hot state.
  SectionBuilder& Gradients(uint32_t top, uint32_t bottom, uint32_t hotTop, uint32_t hotBottom) {
    auto data = [](uint32_t a, uint32_t b) {
      return std::to_string(PixelToColor(a)) + ";" + std::to_string(PixelToColor(b)) + ";100;0;0;";
    };
    return Int("GRADIENTPERCENT", 100).Text("GRADIENTDATA", data(top, bottom))
        .Int("HOTGRADIENTPERCENT", 100).Text("HOTGRADIENTDATA", data(hotTop, hotBottom));
  }

 private:
  TskOptionsSection& s_;
};

class SkinBuilder {
 public:
  SectionBuilder Section(const std::string& name, const std::string& parent = "") {
    options_.Sections.push_back({name, {}});
    SectionBuilder s(options_.Sections.back());
    if (!parent.empty()) s.Text("PARENTCLASS", parent);
    return s;
  }

  // A glyph mask: `count` states of w x h side by side, key colour around the shapes.
  TskMaskValue Glyph(int w, int h, int count, const CellPainter& paint) {
    TskMaskValue m;
    m.Form = TskMaskForm::Glyph;
    m.Count = count;
    m.R = Place(w * count, h);
    PaintStates(m, paint);
    return m;
  }

  // A border mask with equal widths on the four sides.
  TskMaskValue Borders(int w, int h, int count, int width, int drawMode, int commonWidth, const CellPainter& paint) {
    return Borders(w, h, count, {width, width, width, width}, drawMode, commonWidth, paint);
  }
  // Widths left, top, right, bottom.
  TskMaskValue Borders(int w, int h, int count, std::array<int, 4> widths, int drawMode, int commonWidth,
                       const CellPainter& paint) {
    TskMaskValue m;
    m.Form = TskMaskForm::Borders;
    m.Count = count;
    m.WL = widths[0];
    m.WT = widths[1];
    m.WR = widths[2];
    m.WB = widths[3];
    m.DrawMode = drawMode;
    m.CommonWidth = commonWidth;
    m.R = Place(w * count, h);
    PaintStates(m, paint);
    return m;
  }

  TskBuiltinSkin Finish() {
    TskBuiltinSkin skin;
    const int height = y_ + shelf_ + kGap;
    skin.Master = TskRgbaImage(kAtlasWidth, height);
    skin.Master.Blit(canvas_, {0, 0, kAtlasWidth, height}, 0, 0, false);
    skin.Options = std::move(options_);
    return skin;
  }

 private:
  // Shelf packing: blocks left to right, a new shelf below the tallest block when the row is full.
  TRect Place(int w, int h) {
    if (x_ + w + kGap > kAtlasWidth) {
      x_ = kGap;
      y_ += shelf_ + kGap;
      shelf_ = 0;
    }
    if (w + 2 * kGap > kAtlasWidth || y_ + h + kGap > kAtlasMaxHeight) throw Exception("skin atlas is full");
    const TRect r{x_, y_, x_ + w, y_ + h};
    x_ += w + kGap;
    shelf_ = std::max(shelf_, h);
    return r;
  }

  void PaintStates(const TskMaskValue& m, const CellPainter& paint) {
    for (int s = 0; s < m.Count; ++s) paint(canvas_, m.StateRect(s), s);
  }

  TskRgbaImage canvas_{kAtlasWidth, kAtlasMaxHeight};
  TskOptionsText options_;
  int x_ = kGap, y_ = kGap, shelf_ = 0;
};

// ---- shapes ----

enum class TitleShape { Close, Max, Restore, Min, Help };

// A title-button shape of size `size` centred in the cell.
void DrawTitleShape(TskRgbaImage& c, const TRect& cell, TitleShape shape, uint32_t p, int size) {
  const int l = cell.Left + (cell.Width() - size) / 2, t = cell.Top + (cell.Height() - size) / 2;
  const int r = l + size - 1, b = t + size - 1;
  switch (shape) {
    case TitleShape::Close:
      c.Line(l, t, r, b, p);
      c.Line(l + 1, t, r, b - 1, p);
      c.Line(r, t, l, b, p);
      c.Line(r - 1, t, l, b - 1, p);
      break;
    case TitleShape::Max:
      c.Frame({l, t, r + 1, b + 1}, p);
      c.Fill({l, t + 1, r + 1, t + 2}, p);
      break;
    case TitleShape::Restore: {
      const int d = size / 4 + 1;
      c.Frame({l + d, t, r + 1, b + 1 - d}, p);
      c.Fill({l, t + d, r + 1 - d, b + 1}, kKeyPixel);
      c.Frame({l, t + d, r + 1 - d, b + 1}, p);
      c.Fill({l, t + d + 1, r + 1 - d, t + d + 2}, p);
      break;
    }
    case TitleShape::Min:
      c.Fill({l + 1, b - 1, r, b + 1}, p);
      break;
    case TitleShape::Help: {
      // A question mark from a 5 x 8 pattern.
      static const char* rows[] = {".###.", "#...#", "....#", "...#.", "..#..", "..#..", ".....", "..#.."};
      const int x0 = cell.Left + (cell.Width() - 5) / 2, y0 = cell.Top + (cell.Height() - 8) / 2;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x)
          if (rows[y][x] == '#') c.Set(x0 + x, y0 + y, p);
      break;
    }
  }
}

// Title buttons: nothing but the shape when normal, a rounded plate when hot or pressed (red for close).
CellPainter TitleButton(TitleShape shape, int shapeSize) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    const bool close = shape == TitleShape::Close;
    uint32_t glyph = kTitleGlyph;
    if (state > 0) {
      const uint32_t plate = close ? (state == 1 ? kCloseHot : kClosePressed)
                                   : (state == 1 ? kTitleButtonHot : kTitleButtonPressed);
      c.RoundedPlate(cell, 3, plate, plate, plate);
      if (close) glyph = Rgb(255, 255, 255);
    }
    DrawTitleShape(c, cell, shape, glyph, shapeSize);
  };
}

enum class Mark { None, Check, Grayed, Dot };

// Check boxes and radio buttons: normal, hot, pressed.
CellPainter CheckGlyph(bool radio, Mark mark) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    const uint32_t edge = state == 0 ? kControlBorder : state == 1 ? kAccent : kAccentDark;
    const uint32_t face = state == 0 ? kWindow : state == 1 ? kHotFace : kPressedFace;
    const uint32_t ink = state == 0 ? kText : kAccentDark;
    const double cx = cell.Left + cell.Width() / 2.0, cy = cell.Top + cell.Height() / 2.0;
    if (radio) {
      c.Disc(cx, cy, cell.Width() / 2.0, edge);
      c.Disc(cx, cy, cell.Width() / 2.0 - 1, face);
    } else {
      c.Fill(cell, face);
      c.Frame(cell, edge);
    }
    const int l = cell.Left, t = cell.Top;
    switch (mark) {
      case Mark::Check:
        for (int d = 0; d < 2; ++d) {
          c.Line(l + 3, t + 5 + d, l + 5, t + 7 + d, ink);
          c.Line(l + 5, t + 7 + d, l + 9, t + 3 + d, ink);
        }
        break;
      case Mark::Grayed: c.Fill({l + 3, t + 3, cell.Right - 3, cell.Bottom - 3}, state == 0 ? kBorder : kAccent); break;
      case Mark::Dot: c.Disc(cx, cy, 2.6, ink); break;
      case Mark::None: break;
    }
  };
}

// A menu check mark alone (normal, hot).
void PaintMenuCheck(TskRgbaImage& c, const TRect& cell, int) {
  for (int d = 0; d < 2; ++d) {
    c.Line(cell.Left + 3, cell.Top + 5 + d, cell.Left + 5, cell.Top + 7 + d, kText);
    c.Line(cell.Left + 5, cell.Top + 7 + d, cell.Left + 9, cell.Top + 3 + d, kText);
  }
}

enum class Side { Top, Bottom, Left, Right };

// A triangle arrow pointing to `side`, centred in the cell: four rows from the tip, each one pixel
// wider on both ends.
void DrawArrow(TskRgbaImage& c, const TRect& cell, Side side, uint32_t p) {
  const int cx = cell.Left + cell.Width() / 2, cy = cell.Top + cell.Height() / 2;
  for (int i = 0; i < 4; ++i) {
    switch (side) {
      case Side::Top: c.Line(cx - i, cy - 2 + i, cx + i, cy - 2 + i, p); break;
      case Side::Bottom: c.Line(cx - i, cy + 1 - i, cx + i, cy + 1 - i, p); break;
      case Side::Left: c.Line(cx - 2 + i, cy - i, cx - 2 + i, cy + i, p); break;
      case Side::Right: c.Line(cx + 1 - i, cy - i, cx + 1 - i, cy + i, p); break;
    }
  }
}

// Arrows: grey, black when hot, and when pressed `pressed`, which must stand out from the pressed face
// (white on the dark pressed scroll button, the accent on a combo box's white face).
CellPainter ArrowGlyph(Side side, uint32_t pressed) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    DrawArrow(c, cell, side, state == 0 ? Rgb(96, 96, 96) : state == 1 ? Rgb(0, 0, 0) : pressed);
  };
}

// A plate of one colour per state (rounded when radius > 0); a state colour of kKeyPixel leaves the cell empty.
CellPainter Plates(int radius, std::vector<uint32_t> borders, std::vector<uint32_t> faces) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    if (faces[state] == kKeyPixel) return;
    c.RoundedPlate(cell, radius, borders[state], faces[state], faces[state]);
  };
}

// A plate whose face runs from a light top to a darker bottom.
CellPainter ShadedPlates(int radius, std::vector<uint32_t> borders, std::vector<uint32_t> tops,
                         std::vector<uint32_t> bottoms) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    c.RoundedPlate(cell, radius, borders[state], tops[state], bottoms[state]);
  };
}

// A tab: rounded on the side away from its page, open (no outline) towards it.
CellPainter Tab(Side outward) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    const uint32_t edge = state == 1 ? Rgb(150, 190, 230) : kLine;
    const uint32_t face = state == 0 ? kFace : state == 1 ? kHotFace : kMenuFace;
    const int w = cell.Width(), h = cell.Height();
    TskRgbaImage tmp(w + 8, h + 8);
    TRect plate{4, 4, 4 + w, 4 + h};
    switch (outward) {  // stretch the plate past the page side so that its rounding falls outside
      case Side::Top: plate.Bottom += 4; break;
      case Side::Bottom: plate.Top -= 4; break;
      case Side::Left: plate.Right += 4; break;
      case Side::Right: plate.Left -= 4; break;
    }
    tmp.RoundedPlate(plate, 3, edge, face, face);
    c.Blit(tmp, {4, 4, 4 + w, 4 + h}, cell.Left, cell.Top, false);
  };
}

// A frame of `edge` one pixel wide with `inner` inside it.
CellPainter Framed(std::vector<uint32_t> edges, std::vector<uint32_t> inners) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    c.Fill(cell, inners[state]);
    c.Frame(cell, edges[state]);
  };
}

// A separator: a 1-pixel line on a face, in the third row (column) of the cell. It lies in the mask's
// top (left) border, so stretching the middle keeps it one pixel wide, near the centre of a menu
// separator's few rows.
CellPainter Divider(bool vertical, uint32_t face, uint32_t line) {
  return [=](TskRgbaImage& c, const TRect& cell, int) {
    c.Fill(cell, face);
    if (vertical) c.Fill({cell.Left + 2, cell.Top, cell.Left + 3, cell.Bottom}, line);
    else c.Fill({cell.Left, cell.Top + 2, cell.Right, cell.Top + 3}, line);
  };
}

// Scroll thumbs: an inset bar on the track colour.
CellPainter Thumb() {
  return [](TskRgbaImage& c, const TRect& cell, int state) {
    c.Fill(cell, kScrollFace);
    c.Fill({cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1},
           state == 0 ? kThumb : state == 1 ? kThumbHot : kThumbPressed);
  };
}

// Three grip lines across a thumb, dark enough to stand out from the thumb in every state.
CellPainter Grip(bool vertical) {
  return [=](TskRgbaImage& c, const TRect& cell, int state) {
    const uint32_t p = state == 0 ? Rgb(96, 96, 96) : state == 1 ? Rgb(64, 64, 64) : kScrollFace;
    for (int i = 0; i < 3; ++i) {
      if (vertical) c.Fill({cell.Left, cell.Top + 2 * i, cell.Right, cell.Top + 2 * i + 1}, p);
      else c.Fill({cell.Left + 2 * i, cell.Top, cell.Left + 2 * i + 1, cell.Bottom}, p);
    }
  };
}

void PaintSizeGrip(TskRgbaImage& c, const TRect& cell, int) {
  for (int row = 0; row < 3; ++row)
    for (int col = 2 - row; col < 3; ++col)
      c.Fill({cell.Left + 2 + col * 3, cell.Top + 2 + row * 3, cell.Left + 4 + col * 3, cell.Top + 4 + row * 3}, kControlBorder);
}

// ---- the sections ----

void AddGlobalInfo(SkinBuilder& b) {
  SectionBuilder g = b.Section("GLOBALINFO");
  g.Text("VERSION", "8.00").Text("AUTHOR", "Quillnote").Text("DESCRIPTION", "Light theme of the diary")
      .Text("MASTERBITMAP", kBuiltinMasterEntry).Int("STATES", 2)
      .Colors(kFace, kText, kWindow, kText).Color("BORDERCOLOR", kBorder)
      .Int("TITLEHEIGHT", 26).Int("MAXHEIGHT", 0).Int("BORDERWIDTH", 4)
      .Int("CENTEROFFSET", 0).Int("ALIGNOFFSET", 0).Int("BORDERMODE", 0)
      .Int("BILEFT", 4).Int("BIRIGHT", 4).Int("BITOP", 4).Int("BISPACE", 1).Int("BIVALIGN", 0).Int("BIKEEPHUE", 0)
      .Int("BICONCLOSEGLOW", 0).Int("BICONMAXGLOW", 0).Int("BICONMINGLOW", 0)
      .Int("SHADOW1COLOR", 0).Int("SHADOW1OFFSET", 0).Int("SHADOW1BLUR", -1).Int("SHADOW1TRANSPARENCY", 0)
      .Int("AEROBLUR", 0).Int("EXTSHADOW", 0);
  // Title buttons fit the skin's own caption (26) and the system caption (18): 25 x 17 and 17 x 15.
  const struct {
    const char* suffix;
    TitleShape shape;
  } buttons[] = {{"CLOSE", TitleShape::Close}, {"MAX", TitleShape::Max}, {"NORM", TitleShape::Restore},
                 {"MIN", TitleShape::Min}, {"HELP", TitleShape::Help}};
  for (const auto& bt : buttons) g.Mask(std::string("BICON") + bt.suffix, b.Glyph(25, 17, 3, TitleButton(bt.shape, 9)));
  for (const auto& bt : buttons) g.Mask(std::string("SICON") + bt.suffix, b.Glyph(17, 15, 3, TitleButton(bt.shape, 7)));
  g.Mask("BOXCHECKED", b.Glyph(13, 13, 3, CheckGlyph(false, Mark::Check)))
      .Mask("BOXUNCHECKED", b.Glyph(13, 13, 3, CheckGlyph(false, Mark::None)))
      .Mask("BOXGRAYED", b.Glyph(13, 13, 3, CheckGlyph(false, Mark::Grayed)))
      .Mask("RADIOCHECKED", b.Glyph(13, 13, 3, CheckGlyph(true, Mark::Dot)))
      .Mask("RADIOUNCHECKED", b.Glyph(13, 13, 3, CheckGlyph(true, Mark::None)))
      .Mask("RADIOGRAYED", b.Glyph(13, 13, 3, CheckGlyph(true, Mark::Grayed)))
      .Mask("CHECK", b.Glyph(13, 13, 2, PaintMenuCheck))
      .Mask("GRIPIMAGE", b.Glyph(12, 12, 1, PaintSizeGrip));
}

// What the diary's windows use: frames and titles, dialogs, buttons, popup menus, lists, edits, labels.
void AddDiarySections(SkinBuilder& b) {
  b.Section("FORM").Int("STATES", 2).Colors(kFace, kText, kFace, kText)
      .Mask("BORDERSMASK", b.Borders(12, 12, 2, 4, 1, 0, Framed({kInactiveFrameEdge, kFrameEdge},
                                                                  {kInactiveTitleBottom, kTitleBottom})));
  b.Section("FORMTITLE").Int("STATES", 2)
      .Colors(kInactiveTitleBottom, kMutedText, kTitleBottom, kTitleText)
      .Gradients(kInactiveTitleTop, kInactiveTitleBottom, kTitleTop, kTitleBottom);
  b.Section("DIALOG", "FORM");
  b.Section("DIALOGTITLE", "FORMTITLE");
  b.Section("BUTTON").Int("STATES", 3).Colors(Rgb(245, 245, 245), kText, kHotFace, kText).Int("SHOWFOCUS", 1)
      .Mask("BORDERSMASK", b.Borders(12, 12, 3, 3, 5, 0,
                                     ShadedPlates(3, {Rgb(173, 173, 173), kAccent, kAccentDark},
                                                  {Rgb(253, 253, 253), Rgb(240, 247, 253), kPressedFace},
                                                  {Rgb(236, 236, 236), Rgb(220, 236, 250), kPressedFace})));
  b.Section("MAINMENU").Int("STATES", 1).Colors(kMenuFace, kText, kMenuFace, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 1, 2, 5, 2, Framed({kBorder}, {kMenuFace})));
  b.Section("MENUITEM").Int("STATES", 2).Colors(kMenuFace, kText, kMenuHot, kText)
      .Int("TRANSPARENCY", 100).Int("HOTTRANSPARENCY", 0)
      .Mask("BORDERSMASK", b.Borders(8, 8, 2, 2, 3, 0, Plates(2, {kKeyPixel, kMenuHotBorder}, {kKeyPixel, kMenuHot})));
  b.Section("ICOLINE").Int("STATES", 1).Colors(Rgb(244, 244, 244), kText, Rgb(244, 244, 244), kText);
  b.Section("DIVIDERV").Int("STATES", 1).Colors(kMenuFace, kText, kMenuFace, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 1, {1, 3, 1, 2}, 5, 0, Divider(false, kMenuFace, Rgb(215, 215, 215))));
  b.Section("SELECTION").Int("STATES", 2).Colors(kSelection, kWindow, kSelection, kWindow);
  b.Section("EDIT").Int("STATES", 2).Colors(kWindow, kText, kWindow, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 2, 1, 1, 0, Framed({kControlBorder, kAccent}, {kWindow, kWindow})));
  b.Section("CHECKBOX").Int("STATES", 2).Colors(kFace, kText, kFace, kText)
      .Int("TRANSPARENCY", 100).Int("HOTTRANSPARENCY", 100);
  b.Section("MENULINE", "FORM");
}

// The rest of a complete skin, mostly by inheritance, for controls the diary does not skin today.
void AddFurtherSections(SkinBuilder& b) {
  // Containers.
  const TskMaskValue pageFrame = b.Borders(6, 6, 1, 1, 1, 0, Framed({kLine}, {kMenuFace}));
  b.Section("PANEL").Int("STATES", 1).Colors(kFace, kText, kFace, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 1, 1, 1, 0, Framed({kLine}, {kFace})));
  b.Section("PANEL_LOW", "PANEL").Colors(Rgb(232, 232, 232), kText, Rgb(232, 232, 232), kText);
  b.Section("GROUPBOX").Int("STATES", 1).Colors(kFace, kText, kFace, kText).Int("TRANSPARENCY", 100)
      .Mask("BORDERSMASK", b.Borders(10, 10, 1, 3, 1, 0, Plates(3, {kLine}, {kFace})));
  b.Section("TABSHEET").Int("STATES", 1).Colors(kMenuFace, kText, kMenuFace, kText);
  b.Section("PAGECONTROL").Int("STATES", 1).Colors(kMenuFace, kText, kMenuFace, kText).Mask("BORDERSMASK", pageFrame);
  for (const char* s : {"PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"}) b.Section(s, "PAGECONTROL");
  const struct {
    const char* name;
    Side side;
  } tabs[] = {{"TABTOP", Side::Top}, {"TABBOTTOM", Side::Bottom}, {"TABLEFT", Side::Left}, {"TABRIGHT", Side::Right}};
  for (const auto& t : tabs)
    b.Section(t.name).Int("STATES", 3).Colors(kFace, kText, kHotFace, kText)
        .Mask("BORDERSMASK", b.Borders(12, 12, 3, 3, 5, 0, Tab(t.side)));
  b.Section("MDIAREA").Int("STATES", 1).Colors(Rgb(171, 171, 171), kText, Rgb(171, 171, 171), kText);
  b.Section("SPLITTER").Int("STATES", 2).Colors(kFace, kText, Rgb(220, 220, 220), kText);
  b.Section("DRAGBAR", "SPLITTER");

  // Bars and buttons.
  b.Section("BAR").Int("STATES", 1).Colors(kFace, kText, kFace, kText);
  b.Section("BARTITLE", "FORMTITLE");
  b.Section("TOOLBAR").Int("STATES", 1).Colors(kFace, kText, kFace, kText);
  b.Section("TOOLBUTTON").Int("STATES", 3).Colors(kFace, kText, kHotFace, kText).Int("TRANSPARENCY", 100)
      .Mask("BORDERSMASK", b.Borders(8, 8, 3, 2, 3, 0,
                                     Plates(2, {kKeyPixel, kMenuHotBorder, kAccent}, {kKeyPixel, kHotFace, kPressedFace})));
  b.Section("DIVIDER").Int("STATES", 1).Colors(kFace, kText, kFace, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 1, {3, 1, 2, 1}, 5, 0, Divider(true, kFace, kLine)));
  b.Section("STATUSBAR").Int("STATES", 1).Colors(kFace, kText, kFace, kText);
  b.Section("SPEEDBUTTON", "BUTTON");
  b.Section("SPEEDBUTTON_SMALL", "SPEEDBUTTON");
  b.Section("WEBBUTTON").Int("STATES", 2).Colors(kFace, Rgb(0, 102, 204), kFace, kAccent)
      .Int("TRANSPARENCY", 100).Int("HOTTRANSPARENCY", 100);
  b.Section("BUTTON_HUGE", "BUTTON")
      .Mask("BORDERSMASK", b.Borders(16, 16, 3, 5, 5, 0,
                                     ShadedPlates(5, {Rgb(173, 173, 173), kAccent, kAccentDark},
                                                  {Rgb(253, 253, 253), Rgb(240, 247, 253), kPressedFace},
                                                  {Rgb(236, 236, 236), Rgb(220, 236, 250), kPressedFace})));
  b.Section("MENUCAPTION", "TOOLBAR");
  b.Section("EXTRALINE").Int("STATES", 1).Colors(kTitleBottom, kTitleText, kTitleBottom, kTitleText);
  b.Section("TB_BTN", "TOOLBUTTON");
  b.Section("TB_MENUBTN", "TOOLBUTTON");
  b.Section("TB_TAB", "TABTOP");

  // Input controls.
  b.Section("COMBOBOX", "EDIT").Mask("GLYPHMASK", b.Glyph(9, 9, 3, ArrowGlyph(Side::Bottom, kAccentDark)));
  b.Section("COMBOBTN", "TOOLBUTTON");
  b.Section("UPDOWNBTN", "BUTTON");
  b.Section("COLHEADER").Int("STATES", 3).Colors(kWindow, kText, kHotFace, kText)
      .Mask("BORDERSMASK", b.Borders(6, 6, 3, 1, 5, 0, Framed({kLine, kMenuHotBorder, kAccent},
                                                                 {kWindow, kHotFace, kPressedFace})));
  b.Section("GAUGE", "EDIT");
  b.Section("TRACKBAR").Int("STATES", 2).Colors(kFace, kText, kFace, kText).Int("TRANSPARENCY", 100)
      .Int("HOTTRANSPARENCY", 100)
      .Mask("SLIDERMASK", b.Glyph(11, 19, 3, Plates(2, {kControlBorder, kAccent, kAccentDark}, {kWindow, kHotFace, kPressedFace})))
      .Mask("SLIDERVMASK", b.Glyph(19, 11, 3, Plates(2, {kControlBorder, kAccent, kAccentDark}, {kWindow, kHotFace, kPressedFace})))
      .Mask("SLIDERCHANNEL", b.Borders(6, 4, 1, 1, 5, 0, Framed({kBorder}, {Rgb(231, 234, 234)})))
      .Mask("TICKHORZ", b.Glyph(1, 4, 1, [](TskRgbaImage& c, const TRect& cell, int) { c.Fill(cell, kControlBorder); }))
      .Mask("TICKVERT", b.Glyph(4, 1, 1, [](TskRgbaImage& c, const TRect& cell, int) { c.Fill(cell, kControlBorder); }));

  // Scroll bars.
  b.Section("SCROLLBAR1H").Int("STATES", 2).Colors(kScrollFace, kText, kScrollFace, kText);
  b.Section("SCROLLBAR1V", "SCROLLBAR1H");
  b.Section("SCROLLBAR2H", "SCROLLBAR1H").Colors(kScrollHot, kText, kScrollHot, kText);
  b.Section("SCROLLBAR2V", "SCROLLBAR2H");
  const TskMaskValue scrollButton = b.Borders(8, 8, 3, 2, 5, 0, Framed({kScrollFace, kScrollHot, kThumbPressed},
                                                                          {kScrollFace, kScrollHot, kThumbPressed}));
  const struct {
    const char* name;
    Side side;
  } arrows[] = {{"SCROLLBTNTOP", Side::Top}, {"SCROLLBTNBOTTOM", Side::Bottom},
                {"SCROLLBTNLEFT", Side::Left}, {"SCROLLBTNRIGHT", Side::Right}};
  for (const auto& a : arrows)
    b.Section(a.name).Int("STATES", 3).Colors(kScrollFace, kText, kScrollHot, kText)
        .Mask("BORDERSMASK", scrollButton).Mask("GLYPHMASK", b.Glyph(9, 9, 3, ArrowGlyph(a.side, kWindow)));
  b.Section("SCROLLSLIDERH").Int("STATES", 3).Colors(kThumb, kText, kThumbHot, kText)
      .Mask("BORDERSMASK", b.Borders(10, 10, 3, 3, 5, 0, Thumb()))
      .Mask("GLYPHMASK", b.Glyph(5, 6, 3, Grip(false)));
  b.Section("SCROLLSLIDERV", "SCROLLSLIDERH").Mask("GLYPHMASK", b.Glyph(6, 5, 3, Grip(true)));
}

}  // namespace

TskBuiltinSkin BuildBuiltinSkin() {
  SkinBuilder b;
  AddGlobalInfo(b);
  AddDiarySections(b);
  AddFurtherSections(b);
  TskBuiltinSkin skin = b.Finish();
  skin.OptionsText = WriteOptionsText(skin.Options);
  skin.MasterBmp = EncodeBmp32(skin.Master);
  skin.Pack = WritePackedSkin({{kBuiltinOptionsEntry, skin.OptionsText}, {kBuiltinMasterEntry, skin.MasterBmp}});
  return skin;
}
