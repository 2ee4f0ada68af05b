// Where an image of a given size goes inside a rectangle (a button's glyph beside or above its
// caption): by the side it keeps to and the caption's alignment, mirrored for right-to-left reading.
// Portable.
#pragma once
#include "skin/manager/sConst.h"
#include "vcl/rtl/Alignment.h"

// The side of the rectangle the image keeps to.
enum TsImageLayout : Integer { ilLeft = 0, ilRight = 1, ilTop = 2, ilBottom = 3, ilCenter = 4 };

// The image's rectangle (width x height) in rect: ilLeft and ilRight put it at that edge, centred
// vertically; ilTop and ilBottom at that edge, placed across by the alignment (left, right or centred);
// ilCenter in the middle. Right-to-left reading swaps left and right, in the layout and the alignment.
// Centring leaves an odd pixel to the right or bottom, also when the image is larger than rect.
TRect CalcImageRect(const TRect& rect, Integer width, Integer height, TsImageLayout layout, TAlignment alignment,
                     bool rightToLeft);
