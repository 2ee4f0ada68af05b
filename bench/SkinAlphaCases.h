// The paints that the skin painting benchmark (SkinAlpha_bench) and the Windows timing program
// (SkinAlphaTiming_win32) measure: a section background and a nine-part mask over a full-HD target,
// with the mask's sides tiled or stretched and its centre one colour ("flat", as skins mostly draw it)
// or shaded top to bottom (every stretched row then mixes several source rows).
#pragma once
#include <vector>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sGradient.h"

namespace skinbench {

constexpr Integer kWidth = 1920;
constexpr Integer kHeight = 1080;

struct Case {
  const char* Label;
  bool Stretched;
  bool Shaded;
};
inline constexpr Case kCases[] = {{"tiled", false, false}, {"stretched flat", true, false}, {"stretched shaded", true, true}};

// A border mask of three 24 x 24 states with weight rows below, 8-pixel borders, key-colour corners,
// and a section whose fill is a two-step gradient at 70 percent over its colour, with that border.
struct SkinFixture {
  explicit SkinFixture(const Case& c) : pixels(72 * 48, 0), image{pixels.data(), 72, 48, 72} {
    for (Integer y = 0; y < 24; ++y)
      for (Integer x = 0; x < 72; ++x) {
        const Integer sx = x % 24;
        const bool border = sx < 8 || y < 8 || sx >= 16 || y >= 16;
        const bool corner = (sx == 0 || sx == 23) && (y == 0 || y == 23);
        const Cardinal centre = c.Shaded ? 0xFF000000u | (0x101010u * static_cast<Cardinal>(y)) : 0xFFE0E0E0u;
        image.At(x, y) = corner ? kKeyPixel : border ? 0xFF3060A0u : centre;
        image.At(x, y + 24) = border ? 0 : c.Shaded ? 0x00010101u * static_cast<Cardinal>(8 * y) : 0x00404040u;
      }
    TsMaskData mask;
    mask.R = {0, 0, 72, 48};
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.WL = mask.WT = mask.WR = mask.WB = 8;
    mask.DrawFlags = static_cast<SmallInt>(mdPaintCentre | (c.Stretched ? mdStretch : 0));
    masks = {mask};
    TsGeneralData section;
    section.Props[0].Color = 0x00C0FF;
    section.Props[0].GradientPercent = 70;
    ParseGradientData("16777215;12632256;50;0;0;12632256;8421504;50;0;0;", section.Props[0].GradientArray);
    section.BorderMask = 0;
    sections = {section};
    skin.Sections = &sections;
    skin.Masks = &masks;
    skin.Master = image;
  }
  // The fill, the border over the saved corners, and (the rect being the bitmap) the premultiplication.
  void PaintSection(const TsPixelView& target) const {
    PaintSectionBackground(target, {0, 0, target.Width, target.Height}, skin, 0, 1);
  }
  void PaintMask(const TsPixelView& target) const {
    PaintMaskImage(target, {0, 0, target.Width, target.Height}, 2, masks[0], image, {});
  }

  std::vector<Cardinal> pixels;
  TsPixelView image;
  TsMaskArray masks;
  TsGeneralDataArray sections;
  TsSkinPixels skin;
};

}  // namespace skinbench
