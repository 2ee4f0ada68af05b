// The pixel loops that skinned controls compose their looks with: blends of one 32-bit image into
// another, colour mixes, the copy of a mask part through its weight rows, glyph copies and the
// resampler that stretches images. They work on pixel views (sPixelView.h), so they run natively as
// well as on a bitmap's scan lines; none of them keeps state, none allocates except the resampler.
//
// Pixels are B, G, R, A bytes (0xAARRGGBB as a number); 0x00FF00FF is the key colour that marks the
// transparent pixels of skin images. Rectangles exclude their right and bottom edges unless a routine
// says otherwise. Colours are component-library values 0x00BBGGRR.
#pragma once
#include <cstddef>
#include <memory>
#include <vector>
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
TsCopyArea ClipCopyArea(Integer targetX, Integer targetY, const TRect& sourceRect, Integer targetWidth,
                        Integer targetHeight, Integer sourceWidth, Integer sourceHeight);
// The rectangle cut to 0..width, 0..height.
TRect ClipRect(const TRect& rect, Integer width, Integer height);

// Hot row loops come in two builds of one body: the baseline one and one for processors with 8-lane
// 32-bit vector multiplies (the baseline has none and emulates them), picked at run time.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QN_WIDE_VECTORS [[gnu::target("avx2")]]
inline bool HasWideVectors() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#else
#define QN_WIDE_VECTORS
inline bool HasWideVectors() { return false; }
#endif

// The weighing every mask loop does, per colour channel: (d * m + s * (256 - m)) >> 8, which is
// s + floor(m * (d - s) / 256), with m the weight pixel's channel (0 gives s, 255 nearly d); the
// result's alpha byte is 0. Grey weights (the usual case) take one multiply for red and blue together:
// no sum passes 2^16, so the channels never carry into one another.
inline Cardinal MixChannels(Cardinal d, Cardinal s, Cardinal m) {
  const Cardinal mb = m & 0xFFu;
  if ((m & 0x00FFFFFFu) == mb * 0x010101u) {
    const Cardinal ms = 256 - mb;
    return ((((d & 0x00FF00FFu) * mb + (s & 0x00FF00FFu) * ms) >> 8) & 0x00FF00FFu) |
           ((((d & 0x0000FF00u) * mb + (s & 0x0000FF00u) * ms) >> 8) & 0x0000FF00u);
  }
  Cardinal out = 0;
  for (int c = 0; c < 24; c += 8) {
    const Cardinal w = (m >> c) & 0xFFu;
    out |= ((((d >> c) & 0xFFu) * w + ((s >> c) & 0xFFu) * (256 - w)) >> 8) << c;
  }
  return out;
}

// Colours: per channel round(f * a + (1 - f) * b) (ties to even); the top byte is a's.
Integer BlendColors(Integer a, Integer b, double f);

// d := s + floor(factor * (d - s) / 256) for blue, green and red, factor 0..255 (0 shows the source,
// 255 nearly keeps the destination). Alpha is untouched.
void BlendBitmapRect(const TsPixelView& dest, const TsPixelView& source, Integer factor, Integer destX,
                     Integer destY, const TRect& sourceRect);
// For source pixels other than key: d := round(s + factor * (d - s)), factor 0..1. The source rect
// includes its right and bottom edges.
void BlendBitmapRectKeyed(const TsPixelView& dest, Integer x, Integer y, Cardinal key, double factor,
                          const TRect& inclusiveSourceRect, const TsPixelView& source);
// Pixels other than the key colour: p := round(c + factor * (p - c)), c the colour's channel.
void MixBitmapWithColor(const TsPixelView& bitmap, Integer color, double factor);
// All three colour channels become (R + G + B) / 3.
void GrayscaleBitmap(const TsPixelView& bitmap);
// The shadow image's correction for 32-bit processes on 64-bit Windows without composition: every
// pixel whose alpha is below 255 and whose colour channels differ (d, the largest difference between
// two of them) loses a sixteenth of each channel, and its alpha rises to
// min(255, round(alpha + (510 - 2 x alpha) / sqrt(255 / d))).
void CorrectShadowAlpha(const TsPixelView& bitmap);

// The inner loop of the mask painters: the image pixel s at the source place, the weight pixel m
// alphaOffset rows lower (the mask's weight rows), d := s + floor(m * (d - s) / 256) per colour
// channel (weight 0 shows the image, 255 keeps the target). Key-colour image pixels: with
// keyFromBackground they take the background (its bitmap's pixel, pixels outside it left; else the
// background colour as a whole pixel); without it a background bitmap blends them like the others and
// no background bitmap leaves them. With a background bitmap every written pixel gets alpha 255.
void CopyMaskRectPixels(const TsPixelView& dest, Integer destX, Integer destY, const TRect& sourceRect,
                        Integer alphaOffset, bool keyFromBackground, const TsBgPixels& background,
                        const TsPixelView& source);

// Copies the source rect (right and bottom included) to (x, y), pixels outside the target left out;
// source pixels equal to the key colour (a colour value, compared with red and blue swapped) are
// skipped.
void BlendGlyphRect(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer y, Integer keyColor,
                    const TRect& inclusiveSourceRect);

// An 8-bit view (one byte per pixel, top row first; a negative stride for bottom-up storage): the
// grey masks of text shadows and the byte channels taken out of 32-bit images.
struct TsByteView {
  Byte* Bits = nullptr;
  Integer Width = 0;
  Integer Height = 0;
  std::ptrdiff_t Stride = 0;  // bytes from one row to the next

  Byte* Row(Integer y) const { return Bits + y * Stride; }
  Byte& At(Integer x, Integer y) const { return Row(y)[x]; }
  bool IsEmpty() const { return Bits == nullptr || Width <= 0 || Height <= 0; }
};

// Pixels other than the key colour: p := c + floor((p - c) * m / 256) per colour channel, m the mask
// pixel's byte of that channel (0 gives the colour, 255 nearly keeps the pixel). Nothing when the mask's
// size differs from the bitmap's. Alpha is untouched.
void MixBitmapWithColorByMask(const TsPixelView& bitmap, const TsPixelView& mask, Integer color);
// dest := b + floor((a - b) * m / 256) per colour channel, m the mask pixel's byte of that channel, or
// factor (0..255) for every pixel when there is no mask. Nothing when a and b (or a and the mask)
// differ in size; the part that lies outside dest is left out. Dest's alpha is untouched.
void MixTwoBitmaps(const TsPixelView& dest, const TsPixelView& a, const TsPixelView& b, Integer factor,
                   const TsPixelView* mask = nullptr);
// One byte channel (0 blue, 1 green, 2 red, 3 alpha) of every pixel into the 8-bit view (toBytes) or
// back from it, over the part both views share.
void CopyByteChannel(const TsPixelView& bitmap, const TsByteView& bytes, Integer channel, bool toBytes);
// The whole source into dest with its top-left at (x, y), clipped to dest; source pixels whose colour
// is keyColor (a colour value, compared with red and blue swapped) are skipped, the others are written
// opaque (alpha 255).
void PutBitmapAt(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer keyColor, Integer y);
// Alpha-blends the source rect onto the dest rect (the smaller size of both, clipped to both views):
// d := d + floor((s - d) * sA / 256) per colour channel, dest alpha untouched. With a background bitmap,
// key-colour source pixels are not blended: with keyFromBackground they take the background's pixel
// at their dest place plus its offsets, opaque (places outside the background are left); else they are
// left. Without a background bitmap every pixel is blended.
void CopyBitmapRectTrans(const TsPixelView& dest, const TRect& destRect, const TRect& sourceRect,
                         const TsPixelView& source, bool keyFromBackground, const TsBgPixels& background);

// Gaussian blur in place: a kernel of sigma `radius` cut where both tails together weigh less than
// 1/510 (half a grey level at full white), rows then columns, the edge pixels repeated outward, each
// result rounded and clamped to 0..255. A radius of 0 or less leaves the image.
void BlurGray8(const TsByteView& bitmap, Integer radius);
// The glow behind text: each mask byte v other than 255 at (i, r) draws over dest (left + i, top + r)
// when inside it: every colour channel p := g + v * (p - g) / 255 (g the glow colour's channel,
// truncated toward zero) and alpha a := a + (255 - v) * (255 - a) / 255. Black mask pixels take the
// glow colour and become opaque; white ones leave dest.
void ApplyGlowMask(const TsPixelView& dest, const TsByteView& mask, Integer left, Integer top, Integer glowColor);

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
void BlendBitmapWithAlpha(const TsPixelView& dest, const TRect& destRect, const TRect& sourceRect,
                          const TsPixelView& source, const TsAlphaBlendOptions& options = {});

// The draw modes of textures: how an image covers a rectangle.
enum TsTextureMode : Integer {
  tmTile = 0,          // tiles over the whole rectangle
  tmStretch = 1,       // stretched over the whole rectangle
  tmTileTop = 2,       // one band of tiles along the top
  tmTileLeft = 3,      // one column of tiles along the left
  tmStretchTop = 4,    // stretched to the rectangle's width along the top, at the image's height
  tmStretchLeft = 5,   // stretched to the rectangle's height along the left, at the image's width
  tmTileBottom = 6,    // one band of tiles along the bottom
  tmTileRight = 7,     // one column of tiles along the right
  tmTileWhole = 10,    // tiles over the whole rectangle (patterns: whole tiles only)
};
// Draws imageRect of the image into rect by draw mode, opaque (key-colour pixels copied as they are):
// tiles start at rect's top-left corner, the last row and column cut; stretching takes the nearest
// pixel. Returns the part of rect left uncovered (empty when none). Other modes draw nothing and leave
// the whole rect.
TRect DrawMaskOnCanvas(const TsPixelView& target, const TRect& rect, const TsPixelView& image,
                        const TRect& imageRect, Integer mode);

// The source rect stretched over the target rect to the nearest pixel (the system's colour-on-colour
// stretch), clipped to the target; source places outside the source are skipped.
void StretchNearest(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                    const TRect& sourceRect);
// The same stretch writing only the target pixels inside `within` (target coordinates): a part of a
// large stretch costs only its own pixels.
void StretchNearestWithin(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                          const TRect& sourceRect, const TRect& within);
// The source rect onto the target rect keeping its corners (the border widths) as they are, stretching
// its sides along one direction and its centre in both, to the nearest pixel; only the target pixels
// inside `within` are written. The border widths come as a rect's left, top, right and bottom.
void StretchBordered(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                     const TRect& sourceRect, const TRect& borders, const TRect& within);

// The resampler's filters (their numbers are stored in skins and passed by callers).
enum TsStretchFilter : Integer {
  sfBox = 0, sfTriangle = 1, sfHermite = 2, sfBell = 3, sfSpline = 4, sfLanczos = 5, sfMitchell = 6
};
// Resamples the source into the whole target view (any sizes; both 32-bit): a horizontal pass then a
// vertical one, 16.16 fixed-point weights, every channel (alpha too) clamped to 0..255. Equal sizes
// copy. A source of one pixel or less in either direction raises Exception "Source bitmap is too
// small"; an unknown filter number counts as the triangle.
void StretchBitmap(const TsPixelView& source, const TsPixelView& dest, Integer filter);

struct TWeightTable;
// The resampler one target row at a time, for painters that compose the stretched pixels as they go
// and keep no stretched copy: Row(y) gives the y-th row of the source resampled to width x height,
// exactly as StretchBitmap would write it. The pointer holds until the next call. Each source row is
// resampled across once; a target row whose sources are equal rows costs one multiply per byte, or
// nothing when the weights sum to one. Raises like StretchBitmap.
class TsRowResampler {
 public:
  TsRowResampler(const TsPixelView& source, Integer width, Integer height, Integer filter);
  ~TsRowResampler();
  TsRowResampler(const TsRowResampler&) = delete;
  TsRowResampler& operator=(const TsRowResampler&) = delete;
  const Cardinal* Row(Integer y);  // 0 <= y < height

 private:
  const Cardinal* WorkRow(Integer sourceY);  // the source row resampled across

  TsPixelView source_;
  Integer width_;
  Integer height_;
  std::unique_ptr<TWeightTable> across_;
  std::unique_ptr<TWeightTable> down_;
  std::vector<Cardinal> work_;      // source height x target width, filled on demand
  std::vector<bool> workDone_;
  std::vector<Integer> runOf_;      // per source row: the number of its run of equal rows
  std::vector<Cardinal> row_;
  std::vector<Integer> acc32_;
};
