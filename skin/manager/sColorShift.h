// The colour shift of a whole skin: the manager's HueOffset rotates the hue and its Saturation moves
// the saturation of the skin's images and section colours when a skin is read, so one skin serves in
// many tints. The colour routines themselves (hue rotation in HSV, saturation as distance from the
// channels' mean) work on single colours and on pixel views. Portable.
#pragma once
#include <functional>
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"
#include "skin/manager/sSkinOptions.h"

// HSV hue rotation of 0xRRGGBB by `shift` degrees; greys stay; the top byte stays.
Integer RotateHueRGB(Integer shift, Integer rgb);
// The same for a colour value 0x00BBGGRR; 0 leaves it unchanged.
Integer ChangeColorHue(Integer shift, Integer color);
// Each channel moved away from (amount > 0) or toward (amount < 0) the mean of the three by `amount`
// percent, clamped to 0..255; -100 gives grey, 0 leaves the colour unchanged; the top byte stays.
Integer ChangeColorSaturation(Integer color, Integer amount);
// The same on every pixel that is neither the key colour nor grey; alpha is kept.
void ChangeBitmapHue(const TsPixelView& bitmap, Integer shift);
void ChangeBitmapSaturation(const TsPixelView& bitmap, Integer amount);

// The skin's images as the shift reaches them: the master bitmap, and each mask's own image (an empty
// view for a mask cut from the master).
struct TsShiftedSkin {
  TsGeneralDataArray& Sections;
  const TsMaskArray& Masks;
  TsSkinData& Data;
  TsPixelView Master;
  std::function<TsPixelView(const TsMaskData&)> OwnImage;
};

// Rotates the hue by `hueOffset` (when not 0) and then changes the saturation by `saturation` modulo
// 101 (when not 0) of the master bitmap, every own mask image and the colours of every section (both
// states' background, font, contour and glow colours and every gradient step). With BIKEEPHUE 1 the
// title-button glyphs and their glow masks keep their hue, with any other non-zero BIKEEPHUE the close
// buttons' only. The saturation also reaches the caption shadow colour and BORDERCOLOR. Colour values
// that mean "none" (-1 and the key colour) are left alone.
void ShiftSkinColors(TsShiftedSkin& skin, Integer hueOffset, Integer saturation);
