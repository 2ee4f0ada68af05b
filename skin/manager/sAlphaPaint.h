// The routines every skinned control composes its look with in memory: pixel access and colour-order
// conversions, premultiplication, rectangle fills and blends, copies through the key colour, and the
// painters of skin masks (nine-part images with states, an optional row of weights below each image,
// the "alpha half"). They work on pixel views, top row first, with integer arithmetic; none keeps
// state. The mask painters take the pixels a mask's rectangle refers to (its own image or the skin's
// master bitmap) as a view, so the caller resolves which one.
#pragma once
#include <functional>
#include <string_view>
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"

// Bits of TsMaskData::DrawFlags as the painters read them.
enum : SmallInt {
  mdStretch = 0x1,         // stretch the sides and the centre instead of tiling them
  mdSkipNormalState = 0x2, // do not paint the mask in state 0
  mdPaintCentre = 0x4,
};

Cardinal ByteSwap32(Cardinal value);
// Swaps bytes 0 and 2 (a colour value to pixel order and back); bytes 1 and 3 stay.
Cardinal SwapRedBlue(Cardinal color);
Cardinal SwapRedBlueBytes(Cardinal color);  // the same, by masking

// The pixel at (x, y); ERangeError outside the view.
Cardinal GetBitmapPixel32(const TsPixelView& bitmap, Integer x, Integer y);
void SetBitmapPixel32(const TsPixelView& bitmap, Integer x, Integer y, Cardinal value);

// Every pixel whose colour is magenta (low 24 bits 0xFF00FF), whatever its alpha, becomes exactly the
// key colour 0x00FF00FF: images reach the painters with an opaque alpha byte after loading, and the
// painters compare whole pixels. Call once when a skin image is loaded.
void NormalizeKeyPixels(const TsPixelView& bitmap);

// Colour channels times alpha, shifted right by 8; 0x00FFFFFF (white, alpha 0) becomes 0. The rect is
// clipped to the view.
void PremultiplyRect(const TsPixelView& bitmap, const TRect& rect);
void PremultiplyBitmap(const TsPixelView& bitmap);

// Every pixel of the rect (clipped) becomes alpha << 24 | the colour in pixel order.
void FillBitmapRectArgb(const TsPixelView& bitmap, const TRect& rect, Integer color, Byte alpha);
// Four opaque strips: top (full width), left (below it), bottom (right of the left strip), right
// (between the top and bottom strips).
void FillRectFrame(const TsPixelView& bitmap, const TRect& rect, Integer left, Integer color, Integer bottom,
                   Integer right, Integer top);
// Every colour channel becomes round(g * channel + (1 - g) * colour channel), g = percent / 100; alpha
// stays. The rect's right and bottom edges are included here (cut at width - 1 and height - 1).
void BlendRectWithColor(const TsPixelView& bitmap, const TRect& inclusiveRect, Integer percent, Integer color);
// Every colour channel becomes round(channel - percent * (channel - colour channel) / 100) and alpha
// the given value; the rect is clipped (right and bottom excluded).
void BlendRectTowardColor(const TsPixelView& bitmap, const TRect& rect, Integer color, Byte alpha, Integer percent);
// Sets the alpha byte over the rect (clipped); with keepKey pixels equal to 0x00FF00FF stay.
void SetBitmapRectAlpha(const TsPixelView& bitmap, const TRect& rect, Byte alpha, bool keepKey);

// Bits of BlendWithBackground's flags.
enum : Integer { bwBlend = 0x1, bwGrayscale = 0x2 };
// Bit 1 greys the bitmap first; bit 0 then blends it with the background: a background bitmap by
// BlendBitmapRectKeyed (key colour skipped, factor 0.4) at the background's offsets plus the given
// one, else the background colour (the key colour meaning controlColor) at 50 percent.
void BlendWithBackground(const TsPixelView& bitmap, Integer flags, Integer offsetX, Integer offsetY,
                         const TsBgPixels& background, Integer controlColor);

// Copies source pixels (from sourceX, sourceY) into the rect of the target where the mask says the key
// colour: with a mask, its pixel at a point chosen by drawMode (13 the mask rect's top-left, 14 its
// right border column, 16 its bottom border row, 17 its bottom-right corner; others the top-left) is
// tested, low 24 bits against 0xFF00FF; with no mask (nullptr) the target pixel itself is tested.
void CopyThroughMask(const TsPixelView& target, const TsPixelView& source, const TRect& rect, Integer drawMode,
                     const TsMaskData* mask, const TsPixelView& maskImage, Integer sourceX, Integer sourceY);

// Copies the mask's source rect from its image into the target rect (the smaller size, clipped to both).
// Key-colour source pixels take the background; with an alpha half (mask type above 0) the other
// pixels are blended by the weight pixel one state height lower: ((t - s) * m + s * 256) >> 8.
void CopyMaskFromMaster(const TsPixelView& target, const TRect& rect, const TRect& sourceRect,
                        const TsMaskData& mask, const TsPixelView& maskImage, const TsBgPixels& background);

// One part of a mask with an alpha half over a background: key-colour mask pixels take the background
// bitmap's pixel (or get alpha 0 without one); the others are blended by the weight row's channels and
// their alpha becomes 255 - weight red when it was 0, max(alpha, 255 - weight red) below 255.
void CopyMaskPartOverBackground(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                                Integer alphaOffset, const TsBgPixels& background, const TsPixelView& maskImage);
// A part stretched to the target rect with its weights stretched alike, then composed over what the
// target holds (its alpha bounds how much of it survives). alphaOffset 0 copies the part opaque.
void StretchMaskPartOverBackground(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                                   const TsPixelView& maskImage, Integer alphaOffset, bool bothDirections);

// Border widths after fitting them into a rect: an excess is taken half from each side, the odd pixel
// from the right (bottom) one, neither below 0.
struct TsBorderWidths {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TsBorderWidths FitBorders(const TsMaskData& mask, Integer width, Integer height);

// The nine-part painter of section borders: corners, sides and (with mdPaintCentre) the centre of the
// mask's state image into the rect, sides and centre stretched (mdStretch) or tiled. Key-colour
// pixels of the corners show the background; of tiled parts with an alpha half they get alpha 0.
void PaintSectionBorderMask(const TsPixelView& target, const TRect& rect, const TsBgPixels& background,
                            const TsMaskData& mask, const TsPixelView& maskImage, Integer state);
// The nine-part painter of other masks: every part goes through the weight rows (alpha half) or is
// copied with the key colour showing the background (plain masks).
void PaintMaskImage(const TsPixelView& target, const TRect& rect, Integer state, const TsMaskData& mask,
                    const TsPixelView& maskImage, const TsBgPixels& background);

// Copies a state image of a glyph: with an alpha half, pixels that are not the key colour and whose
// weight red byte is below 255 are blended (mode 1 by the weight, other modes paler, by
// min(weight + 100, 255)) and the target alpha grows by (255 - alpha) * (255 - red) >> 8; a plain
// glyph is copied with its key colour left out.
void CopyGlyphWithAlphaHalf(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                            const TsMaskData& mask, Integer blendMode, const TsPixelView& source);
// One state image of a mask at a point (negative coordinates clip the image).
void PaintMaskGlyph(const TsPixelView& target, Integer x, Integer y, Integer state, const TsBgPixels& background,
                    const TsMaskData& mask, const TsPixelView& maskImage, Integer blendMode);

// The colours a section's text is drawn in: the hot state's when hot is asked and the section has one
// (more than one state), else the normal state's; contours without one are -1.
struct TsTextColors {
  Integer Text = 0;
  Integer ContourLeft = -1, ContourTop = -1, ContourRight = -1, ContourBottom = -1;
};
TsTextColors SectionTextColors(const TsGeneralData& section, bool hot);

// Tiles of one state image of a texture with an alpha half (MaskStateWidth x MaskStateHeight) copied
// over the rect with the key colour showing the background (CopyMaskFromMaster). Mode tmTile covers the
// whole rect, the last column and row cut; tmTileWhole lays whole tiles only and fills the rest (the
// right column and bottom row) from the background bitmap, else with the background colour. Other
// modes, and a texture without a state size, paint nothing.
void PaintPatternTexture(const TsPixelView& target, const TRect& rect, const TsBgPixels& background, Integer mode,
                         const TsMaskData& mask, const TsPixelView& maskImage);

// What the section painters read of a loaded skin: its sections and masks, and the pixels a mask is cut
// from (the mask's own image, else the master bitmap).
struct TsSkinPixels {
  const TsGeneralDataArray* Sections = nullptr;
  const TsMaskArray* Masks = nullptr;
  TsPixelView Master;
  // The pixels of a mask's own image; unset (or an empty answer) means the master bitmap.
  std::function<TsPixelView(const TsMaskData& mask)> OwnImage;

  bool ValidSection(Integer index) const {
    return Sections != nullptr && index >= 0 && static_cast<size_t>(index) < Sections->size();
  }
  bool ValidMask(Integer index) const {
    return Masks != nullptr && index >= 0 && static_cast<size_t>(index) < Masks->size();
  }
  TsPixelView ImageOf(const TsMaskData& mask) const;
};

// The background of a section state in the rect: its colour, gradient and texture layered by their
// percentages, made partly transparent by the state's transparency. A colour other than clKeyColor
// replaces the section's colour and switches gradient, texture and transparency off. A transparency
// of 100 clears the rect to 0 when it covers the whole bitmap and otherwise paints nothing.
void FillSectionState(const TsPixelView& bitmap, const TRect& rect, const TsSkinPixels& skin, Integer section,
                      Integer state, Integer color);
// A section's background in the rect: the state's fill, then the section's border mask, whose key-colour
// corner pixels show what the rect held before. Nothing for an invalid section or a rect that is empty
// or not inside the bitmap. A rect that covers the whole bitmap is premultiplied at the end.
void PaintSectionBackground(const TsPixelView& bitmap, const TRect& rect, const TsSkinPixels& skin,
                            Integer section, Integer state);

// The parent's background behind a control, as its answer to the background request gave it: a bitmap
// (with the control's origin at OffsetX, OffsetY in it) or a colour value.
struct TsParentBg {
  TsPixelView Bitmap;  // empty: the colour is the answer
  Integer OffsetX = 0;
  Integer OffsetY = 0;
  Integer Color = 0;
};
// Bits of the corner flags of PaintParentBgCorners.
enum : Integer { pcTopLeft = 0x1, pcBottomLeft = 0x2, pcTopRight = 0x4, pcBottomRight = 0x8 };
// Where a border mask's corner blocks of the state image hold the key colour 0x00FF00FF, the control's
// cache (width x height of the control, in the cache's top-left) takes the parent's background: from a
// bitmap the colour bytes (alpha kept; places outside it left), else the colour (a mask with an alpha
// half keeps the alpha byte; a plain mask writes the colour whole, and the key colour paints nothing).
// Nothing when the mask's corner flag is 0.
void PaintParentBgCorners(const TsPixelView& cache, Integer width, Integer height, const TsMaskData& mask,
                          const TsPixelView& maskImage, Integer state, Integer corners, const TsParentBg& parent);

// Writes value into count consecutive int32 (nothing for a count of 0 or less).
void FillInt32Array(Integer* p, Integer count, Integer value);
// Whether a folder of that name exists.
bool SkinFolderExists(std::string_view path);

#if defined(_WIN32)
#include "vcl/gui/Geometry.h"
#include "vcl/rtl/SysTypes.h"

class TBitmap;
class TsCommonData;
class TsSkinManager;
struct TskBgInfo;

// The section painters' view of a manager's loaded skin (valid while the skin stays loaded).
TsSkinPixels SkinPixelsOf(const TsSkinManager& manager);
// PaintSectionBackground on a 32-bit bitmap with the manager's skin (nil: the default manager).
void PaintSectionBackground(Integer section, Integer state, TsSkinManager* manager, TBitmap* bitmap,
                            const TRect& rect);
// The parent's background into the key-colour corners of a skinned control's cache bitmap: the control
// asks its parent control (or, a windowed control without one, its parent window) by the background
// request, then PaintParentBgCorners. Nothing without a valid border mask with a corner flag, a cache
// bitmap, a host control, or a parent that answers.
void PaintParentBackground(TsCommonData& data, Integer state, Integer corners);

// The scan lines of a 32-bit bitmap as a view (empty for an empty bitmap or another pixel format).
TsPixelView PixelViewOf(TBitmap& bitmap);
// A background information record as the pixel loops take it (a bitmap that is not 32-bit counts as
// none).
TsBgPixels BgPixelsOf(const TskBgInfo& info);

// Draws the text anti-aliased in a colour into a 32-bit bitmap, in the bitmap's canvas font, with the
// DrawText format inside rect (clipped to the bitmap): the text is drawn black on white into a
// temporary bitmap, and every pixel the text touched moves the target toward the colour by its
// darkness, ((c - k) * m + k * 256) >> 8 per channel, and becomes opaque.
void DrawTextToBitmap(TBitmap& bitmap, const WideString& text, Integer color, UINT format, const TRect& rect);

// Text with a one-pixel contour: each contour colour that is not -1 is drawn first with the text moved
// by one pixel (left colour at (-1, 0), top (0, -1), right (+1, 0), bottom (0, +1)), then the text.
void DrawContouredText(TBitmap& bitmap, const WideString& text, const TsTextColors& colors, UINT format,
                       const TRect& rect);
// Text in a section's colours: with a valid section of the manager (nil: the default manager), its hot
// state's colours when hot is asked and the section has a hot state, else its normal ones, with the
// contours when contour is set; without one, in the canvas font's colour. Nothing for an empty text or
// rect.
void DrawSkinText(TBitmap& bitmap, const WideString& text, bool contour, TsSkinManager* manager, bool hot,
                  Integer section, UINT format, const TRect& rect);
#endif
