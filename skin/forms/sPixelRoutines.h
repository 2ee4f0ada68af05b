// The pixel loops that skinned controls compose their looks with: blends of one 32-bit image into
// another, colour mixes, the copy of a mask part through its weight rows, glyph copies and the
// resampler that stretches images. They work on pixel views (sPixelView.h), so they run natively as
// well as on a bitmap's scan lines; none of them keeps state, none allocates except the resampler.
//
// Pixels are B, G, R, A bytes (0xAARRGGBB as a number); 0x00FF00FF is the key colour that marks the
// transparent pixels of skin images. Rectangles exclude their right and bottom edges unless a routine
// says otherwise. Colours are component-library values 0x00BBGGRR.
#pragma once
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"

inline constexpr Cardinal kKeyPixel = 0x00FF00FFu;
inline constexpr Integer clKeyColor = 0xFF00FF;  // the key colour as a colour value ("no colour")

// The background behind a painted part: the pixels of a bitmap (seen at OffsetX, OffsetY from the
// target's origin), or, with an empty view, a colour.
struct TsBgPixels {
  TsPixelView Bitmap;
  Integer OffsetX = 0;
  Integer OffsetY = 0;
  Integer Color = clKeyColor;

  bool HasBitmap() const { return !Bitmap.IsEmpty(); }
};

// Where one rectangle of a source lands in a target once clipped to both: negative origins on either
// side shift the other, and the size is cut at both right and bottom edges.
struct TsCopyArea {
  Integer TargetX = 0;
  Integer TargetY = 0;
  Integer SourceX = 0;
  Integer SourceY = 0;
  Integer Width = 0;
  Integer Height = 0;

  bool IsEmpty() const { return Width <= 0 || Height <= 0; }
};
TsCopyArea ClipCopyArea(Integer targetX, Integer targetY, const TsRect& sourceRect, Integer targetWidth,
                        Integer targetHeight, Integer sourceWidth, Integer sourceHeight);
// The rectangle cut to 0..width, 0..height.
TsRect ClipRect(const TsRect& rect, Integer width, Integer height);

// Colours: per channel round(f * a + (1 - f) * b) (ties to even); the top byte is a's.
Integer BlendColors(Integer a, Integer b, double f);

// d := s + floor(factor * (d - s) / 256) for blue, green and red, factor 0..255 (0 shows the source,
// 255 nearly keeps the destination). Alpha is untouched.
void BlendBitmapRect(const TsPixelView& dest, const TsPixelView& source, Integer factor, Integer destX,
                     Integer destY, const TsRect& sourceRect);
// For source pixels other than key: d := round(s + factor * (d - s)), factor 0..1. The source rect
// includes its right and bottom edges.
void BlendBitmapRectKeyed(const TsPixelView& dest, Integer x, Integer y, Cardinal key, double factor,
                          const TsRect& inclusiveSourceRect, const TsPixelView& source);
// Pixels other than the key colour: p := round(c + factor * (p - c)), c the colour's channel.
void MixBitmapWithColor(const TsPixelView& bitmap, Integer color, double factor);
// All three colour channels become (R + G + B) / 3.
void GrayscaleBitmap(const TsPixelView& bitmap);

// The inner loop of the mask painters: the image pixel s at the source place, the weight pixel m
// alphaOffset rows lower (the mask's weight rows), d := s + floor(m * (d - s) / 256) per colour
// channel (weight 0 shows the image, 255 keeps the target). Key-colour image pixels: with
// keyFromBackground they take the background (its bitmap's pixel, pixels outside it left; else the
// background colour as a whole pixel); without it a background bitmap blends them like the others and
// no background bitmap leaves them. With a background bitmap every written pixel gets alpha 255.
void CopyMaskRectPixels(const TsPixelView& dest, Integer destX, Integer destY, const TsRect& sourceRect,
                        Integer alphaOffset, bool keyFromBackground, const TsBgPixels& background,
                        const TsPixelView& source);

// Copies the source rect (right and bottom included) to (x, y), pixels outside the target left out;
// source pixels equal to the key colour (a colour value, compared with red and blue swapped) are
// skipped.
void BlendGlyphRect(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer y, Integer keyColor,
                    const TsRect& inclusiveSourceRect);

// Tint value that means "no tint" for BlendBitmapWithAlpha.
inline constexpr Cardinal kNoTint = 0x1FFFFFFF;

// Options of BlendBitmapWithAlpha.
struct TsAlphaBlendOptions {
  bool Reflection = false;     // mirror the image fading into the rows below the target rect
  Integer Transparency = 0;    // 0: each pixel's own alpha; 1..255: that constant for every pixel
  Cardinal Tint = kNoTint;     // otherwise: source channels scaled by the tint's channels / 255
  bool KeyFromBackground = false;  // with a constant: key-colour pixels take the background's
  TsBgPixels Background;
};
// Blends the source rect onto the target rect (both clipped to both views): per colour channel
// d := d + floor((s - d) * a / 256) with a the source alpha (or the constant), the target's alpha
// becoming max(dA, a). Reflection: the rows below the target rect (at most half the source height and
// what fits) receive the source's rows from its last one up, weighted by w * sA / 3 / 255, w falling
// from 255 toward 0 over those rows; key-colour pixels are left there.
void BlendBitmapWithAlpha(const TsPixelView& dest, const TsRect& destRect, const TsRect& sourceRect,
                          const TsPixelView& source, const TsAlphaBlendOptions& options = {});

// The resampler's filters (their numbers are stored in skins and passed by callers).
enum TsStretchFilter : Integer {
  sfBox = 0, sfTriangle = 1, sfHermite = 2, sfBell = 3, sfSpline = 4, sfLanczos = 5, sfMitchell = 6
};
// Resamples the source into the whole target view (any sizes; both 32-bit): a horizontal pass then a
// vertical one, 16.16 fixed-point weights, every channel (alpha too) clamped to 0..255. Equal sizes
// copy. A source of one pixel or less in either direction raises Exception "Source bitmap is too
// small"; an unknown filter number counts as the triangle.
void StretchBitmap(const TsPixelView& source, const TsPixelView& dest, Integer filter);
