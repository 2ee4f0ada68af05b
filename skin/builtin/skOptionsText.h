// A skin's options text ("Options.dat") as the generator writes it and the skin tools read it back:
// INI sections in file order, each with its keys in order; and the two mask value forms the built-in
// skin uses, cut from the master bitmap:
//   glyph   "@LLLL@TTTT@RRRR@BBBB@c@t"                        (rectangle, image count, mask type)
//   borders "^LLLL^TTTT^RRRR^BBBB^wwww^wwww^wwww^wwww^c^t^d^b" (rectangle, left/top/right/bottom
//                                                              widths, count, type, draw mode, width)
// Rectangles are left, top, right, bottom with right and bottom exclusive; numbers are zero-padded.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "skin/manager/sConst.h"

struct TskOptionsSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Keys;

  // The key's own value (no inheritance); nullptr when the section lacks it.
  const std::string* Find(const std::string& key) const;
};

struct TskOptionsText {
  std::vector<TskOptionsSection> Sections;

  const TskOptionsSection* Find(const std::string& name) const;
  // The key's value in the section or, when missing, along its PARENTCLASS chain (a chain that
  // returns to a section already visited ends the search).
  const std::string* Lookup(const std::string& section, const std::string& key) const;
};

// "[NAME]" and "KEY=value" lines joined with CRLF (the form the skin loader's INI reader expects).
std::string WriteOptionsText(const TskOptionsText& options);
// Reads INI text: sections in order, "KEY=value" split at the first "=", lines trimmed, blank lines and
// ";" comments skipped; keys before the first section are dropped.
TskOptionsText ParseOptionsText(const std::string& text);

enum class TskMaskForm { Glyph, Borders };

struct TskMaskValue {
  TskMaskForm Form = TskMaskForm::Glyph;
  TRect R;
  int Count = 1;  // images side by side
  int Type = 0;   // image rows (0: images only; n: n image rows and n alpha rows below)
  int WL = 0, WT = 0, WR = 0, WB = 0;  // border widths
  int DrawMode = 0;                    // +1 stretch, +2 skip in state 0, +4 paint the centre
  int CommonWidth = 0;

  int StateWidth() const { return Count > 0 ? R.Width() / Count : 0; }
  int StateHeight() const { return R.Height() / (Type + 1); }
  // The rectangle of one state image (state clamped to the images there are).
  TRect StateRect(int state) const;
};

std::string FormatMaskValue(const TskMaskValue& mask);
// Reads a value of either form with the skin reader's parser (sSkinOptions); nothing when it does not
// follow its template exactly.
std::optional<TskMaskValue> ParseMaskValue(const std::string& value);
