// Painting one skin section into a 32-bit bitmap: the fill of colour, gradient and texture made partly
// transparent over what lies behind, then the section's four corner images and its border mask; and
// the window-region rectangles of a border mask's key-colour corners. On pixel views, so portable;
// transparency paints into one temporary layer and blends once.
#pragma once
#include <string_view>
#include <vector>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLookups.h"

// What the section painters read of a loaded skin: the tables, the pixels masks are cut from, and the
// pixels of pattern images.
struct TsSectionSkin {
  TsSkinPixels Pixels;
  const TsPatternArray* Patterns = nullptr;
  // The 32-bit pixels of a pattern's image; unset or empty: the pattern is not painted.
  TsPixelView (*PatternImage)(const TsPatternData& pattern) = nullptr;

  TsSkinTables Tables() const;
};

// A section's fill in the rect, in a state (clamped to the section's states): the colour (clKeyColor:
// the section's own, with its transparency, gradient and texture; any other: that colour, opaque and
// plain), over the background as the transparency says. The textures, when not -1, replace the
// section's for the hot and the normal state; `name` finds them otherwise. offsetX/offsetY: where the
// rect lies in the area the background describes.
void PaintSectionFill(const TsSectionSkin& skin, Integer section, std::string_view name, const TsBgPixels& background,
                      Integer color, Integer hotTexture, Integer texture, const TsPixelView& bitmap, Integer offsetX,
                      Integer offsetY, const TRect& rect, Integer state);

// The fill, the corner images and the border mask (its centre only with fillCentre). Nothing for an
// invalid section or a rect that is empty or leaves the bitmap.
void PaintSectionItem(const TsSectionSkin& skin, Integer section, std::string_view name, const TsBgPixels& background,
                      Integer hotTexture, Integer texture, const TsPixelView& bitmap, Integer offsetX, Integer offsetY,
                      const TRect& rect, Integer state, bool fillCentre);

// A fill with textures the caller gives (texture for the normal state, hotTexture for the hot one; no
// lookups by name, no pattern images), opaque where the background has no bitmap (the background's
// colour when the section is see-through), blended by t x 255 / 100 over a background bitmap; then the
// mask over it. For the parts of scroll bars. Nothing for an invalid section or a rect that is empty
// or leaves the bitmap.
void PaintSectionWithMask(const TsSectionSkin& skin, Integer section, Integer mask, Integer texture,
                          Integer hotTexture, const TsPixelView& bitmap, Integer offsetX, Integer offsetY,
                          const TRect& rect, Integer state, bool fillCentre, const TsBgPixels& background);

// What lies over a section's fill: its four corner images (the fill showing through their key colour)
// and the border mask (its centre only with fillCentre) over the background moved by the offset. True
// when the border was painted: a valid mask that is not left out in state 0.
bool PaintSectionFrame(const TsSectionSkin& skin, Integer section, const TsBgPixels& background, Integer borderMask,
                       const TsPixelView& bitmap, Integer offsetX, Integer offsetY, const TRect& rect, Integer state,
                       bool fillCentre);

// Appends the key-colour pixels of a border mask's top corners (with bottom: its bottom corners) as
// rectangles one pixel high: runs along each row, the left corner at x 0, the right one ending at
// `width`, rows starting at `top`. Nothing without an image that holds those rows.
void AddMaskRegionRects(std::vector<TRect>& rects, Integer width, const TsMaskData& mask, const TsPixelView& image,
                        bool bottom, Integer top);
