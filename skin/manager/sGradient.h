// Section backgrounds painted from a gradient description: the text a section carries ("c1;c2;percent;
// mode;x;" repeated per step) parsed into a TsGradArray, and the painters that lay the steps out from
// the top (vertical mode) or from the left (horizontal mode) of a rectangle, or fill four triangles
// between the corners and the centre (triangle mode, through the system's gradient fill).
#pragma once
#include <string_view>
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"

// Empties the array and fills it from the text: words separated by ";" (empty words do not count),
// five per step: first colour, second colour, percent, mode and one word that is skipped. Words left
// over after the last whole step are ignored. Colours below 0 become 0, the percent is clamped to
// 0..100. A word that is not an integer raises EConvertError (the array is then empty).
void ParseGradientData(std::string_view text, TsGradArray& gradient);

// Paints the vertical or horizontal gradient into the rectangle, clipped to the pixels; opaque pixels.
// Each step covers its share of the rectangle's height (width), starting on the row where the previous
// one ended; the last step always ends on the last row. A step of one row paints its first colour.
// The triangle mode needs the system's gradient fill: on a pixel view it paints nothing (use the
// bitmap form below); so do other modes, an empty array and an empty rectangle.
void DrawGradient(const TsPixelView& target, const TRect& rect, const TsGradArray& gradient);

// The vertical and horizontal modes, mixed with a texture: the reference rectangle of `texture` is
// tiled over `rect` from its top-left corner, and each pixel becomes
//   mix = g + textureWeight * (t - g) / 256      (g gradient, t texture, per channel)
//   out = p + gradientWeight * (mix - p) / 256   (p the pixel already there)
// with the texture weight 0..255 and the gradient weight 0..256 (256: the mix replaces the pixel;
// integer arithmetic, shifts by 8). Without texture pixels (an empty view or
// a reference rectangle outside it) the mix is the gradient alone.
void DrawGradientInRect(const TsPixelView& target, const TRect& rect, const TsGradArray& gradient,
                        const TsPixelView& texture, const TRect& textureRect, Integer textureWeight,
                        Integer gradientWeight);

#if defined(_WIN32)
class TBitmap;
// DrawGradient on a bitmap: a 32-bit bitmap is painted through its scan lines, the triangle mode with
// msimg32's GradientFill on its canvas (nothing when that function is missing). Other pixel formats
// are painted through the canvas, row by row or column by column.
void DrawGradient(TBitmap& bitmap, const TRect& rect, const TsGradArray& gradient);
// Whether msimg32's GradientFill could be bound (bound once, on first use).
bool GradientFillAvailable();
#endif
