// A review sheet of a skin: every section painted in states 0, 1 and 2 (background, border mask,
// glyph, a text sample in the state's font colour), every glyph mask state by state (magnified twice)
// on the common face and on the active title, and two sample windows (active and inactive) with a
// title, title buttons, a button, an edit, check boxes and a popup menu. Everything is painted by the
// skin manager's own painters over the tables its reader makes of the pack; only the labels use a
// little font of their own.
#pragma once
#include <string>
#include <vector>
#include "skin/builtin/skOptionsText.h"
#include "skin/builtin/skSkinImage.h"
#include "skin/manager/sSkinTables.h"

// Where the sheet put what, for checking it.
struct TskSheetTile {
  std::string Section;
  int State = 0;
  TRect Place;
};
struct TskSheetGlyph {
  std::string Name;  // "KEY" for GLOBALINFO's glyphs, else "SECTION.KEY"
  int State = 0;
  TRect Place;      // the glyph magnified Zoom times
  int Zoom = 1;
  uint32_t Face = 0; // the colour it is painted over
};
struct TskContactSheet {
  TskRgbaImage Image;
  std::vector<TskSheetTile> Tiles;
  std::vector<TskSheetGlyph> Glyphs;
};

TskContactSheet PaintContactSheet(const TsLoadedSkin& skin);
// A pack read as the skin manager reads it (BMP images as the generator writes them), with the
// sections' mask indexes set; raises when the bytes are no pack or the skin is refused.
TsLoadedSkin ReadSkinForPreview(const std::string& pack);
// The sheet of an options text and master bitmap (packed first, then read as above).
TskRgbaImage PaintContactSheet(const TskOptionsText& options, const TskRgbaImage& master);
