// The shadow band of a skinned window's picture with an extended border window (a form's provider, a
// skinned dialog): the skin's shadow image of the window's active state, stretched to the picture with
// its corners kept, shows around the frame, and through the frame's transparent outer corners.
#pragma once
#include <memory>

#include "skin/forms/sFrameGeometry.h"
#include "skin/manager/sAlphaPaint.h"

class TBitmap;
class TsSkinManager;

// The skin's shadow image of the owner's state as stretched over the whole picture (its corners kept):
// never made whole; pixels are stretched into a view on demand (a full-size stretch on every size
// change cost as much as the rest of the frame together).
struct TskShadowImage {
  TsPixelView Source;                // the 32-bit image
  std::unique_ptr<TBitmap> Copy;     // the image converted to 32 bits, when it is not
  TRect Corners;                     // the kept corners' widths: left, top, right, bottom
  Integer Width = 0, Height = 0;     // the picture's size
  bool Empty() const { return Source.Width == 0; }
  // The stretched image's pixels from the picture's point (x, y) on into the whole view.
  void Fill(const TsPixelView& into, Integer x, Integer y) const;
};

// What the band reads of the window: its section and border mask, its title section, whether it is
// drawn active.
struct TskShadowOwner {
  Integer SectionIndex = -1;
  AnsiString SectionName;
  Integer BorderMaskIndex = -1;
  Integer TitleSectionIndex = -1;
  bool Active = false;
};

// Stretches the owner state's shadow image into the picture's band outside the frame (in the skin's
// border mode 1, outside the client side of frame and title). The stretched image the band came from;
// empty (nothing painted) without a shadow image.
TskShadowImage PaintShadowBand(TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                               TBitmap& picture);
// Makes the frame opaque and takes its four outer corners from the shadow image (source) where the
// title's and the window's border masks are transparent.
void TakeFrameCornersFromShadow(const TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                                const TsPixelView& target, const TskShadowImage& source);
