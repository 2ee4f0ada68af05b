// The shadow band of a skinned window's picture with an extended border window (a form's provider, a
// skinned dialog): the skin's shadow image of the window's active state, stretched to the picture with
// its corners kept, shows around the frame, and through the frame's transparent outer corners.
#pragma once
#include <memory>

#include "skin/forms/sFrameGeometry.h"
#include "skin/manager/sAlphaPaint.h"

class TBitmap;
class TsSkinManager;

// The shadow image of each state stretched to the picture's size: kept while the image, the size and
// the kept corners stay, so that a repaint only copies its band.
struct TskShadowStretch {
  std::shared_ptr<TBitmap> Source;
  Integer Width = 0, Height = 0;
  TRect Corners;  // the kept corners' widths: left, top, right, bottom
  std::unique_ptr<TBitmap> Image;
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

// Copies the band of the owner state's stretched shadow image outside the frame (in the skin's border
// mode 1, outside the client side of frame and title) into the picture. The view of the stretched
// image the band came from; empty (nothing painted) without a shadow image.
TsPixelView PaintShadowBand(TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                            TBitmap& picture, TskShadowStretch (&kept)[2]);
// Makes the frame opaque and takes its four outer corners from the shadow image (source) where the
// title's and the window's border masks are transparent.
void TakeFrameCornersFromShadow(const TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                                const TsPixelView& target, const TsPixelView& source);
