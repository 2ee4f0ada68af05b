#include "skin/manager/sAlphaPaint.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>
#include "skin/manager/sGradient.h"
#include "vcl/rtl/Exceptions.h"

namespace {

int Channel(Cardinal pixel, int c) { return static_cast<int>((pixel >> (8 * c)) & 0xFF); }
int Red(Cardinal pixel) { return Channel(pixel, 2); }

Cardinal ColorAsPixel(Integer color) { return SwapRedBlue(static_cast<Cardinal>(color)) & 0x00FFFFFFu; }

bool Inside(const TsPixelView& v, Int64 x, Int64 y) { return x >= 0 && y >= 0 && x < v.Width && y < v.Height; }

// ((t - s) * m + s * 256) >> 8 per colour channel, m the weight pixel's channel; alpha from `alpha`.
inline Cardinal MixByWeights(Cardinal t, Cardinal s, Cardinal m, Cardinal alpha) {
  return (alpha & 0xFF000000u) | MixChannels(t, s, m);
}

// The background's pixel behind target place (x, y), or false when it has none there.
bool BackgroundPixel(const TsBgPixels& bg, Int64 x, Int64 y, Cardinal& pixel) {
  if (bg.HasBitmap()) {
    if (!Inside(bg.Bitmap, x + bg.OffsetX, y + bg.OffsetY)) return false;
    pixel = bg.Bitmap.At(static_cast<Integer>(x + bg.OffsetX), static_cast<Integer>(y + bg.OffsetY));
    return true;
  }
  if (bg.Color == clKeyColor) return false;
  pixel = ColorAsPixel(bg.Color) | 0xFF000000u;
  return true;
}

TRect RectOf(Integer x, Integer y, Integer w, Integer h) { return TRect{x, y, x + w, y + h}; }

// The source rect cut to at most the target rect's size: copies take the smaller of the two.
TRect CutToSize(TRect source, const TRect& target) {
  source.Right = static_cast<Integer>(std::min<Int64>(source.Right, Int64{source.Left} + target.Width()));
  source.Bottom = static_cast<Integer>(std::min<Int64>(source.Bottom, Int64{source.Top} + target.Height()));
  return source;
}

// A plain mask part copied at its size with the key colour showing the background (or left).
void CopyMaskPart(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                  const TsBgPixels& bg, const TsPixelView& source) {
  const TRect sr = CutToSize(sourceRect, targetRect);
  const TsCopyArea a = ClipCopyArea(targetRect.Left, targetRect.Top, sr, target.Width, target.Height,
                                    source.Width, source.Height);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if (s[x] != kKeyPixel) {
        d[x] = s[x];
      } else {
        Cardinal p;
        if (BackgroundPixel(bg, Int64{a.TargetX} + x, Int64{a.TargetY} + y, p)) d[x] = p;
      }
    }
  }
}

// The rows of a part at a target size, made one at a time: resampled by a filter on a copy of the
// part at least 2 x 2 pixels large, or to the nearest pixel (the system's colour-on-colour stretch).
// Painters compose each row into the target as it comes, so no stretched copy of the part is kept.
class TStretchedRows {
 public:
  TStretchedRows(const TsPixelView& source, const TRect& part, Integer width, Integer height, bool filtered,
                 Integer filter)
      : source_(source), part_(part), width_(width), height_(height) {
    if (filtered) {
      const Integer w = std::max(part.Width(), 2), h = std::max(part.Height(), 2);
      copy_.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
      const TsPixelView copyView{copy_.data(), w, h, w};
      StretchNearest(copyView, TRect{0, 0, w, h}, source, part);
      if (w != width || h != height) {
        resampler_ = std::make_unique<TsRowResampler>(copyView, width, height, filter);
      } else {
        copySize_ = copyView;
      }
      return;
    }
    columns_.resize(static_cast<size_t>(width));
    for (Integer x = 0; x < width; ++x)
      columns_[static_cast<size_t>(x)] = part.Left + static_cast<Integer>(Int64{x} * part.Width() / width);
    row_.resize(static_cast<size_t>(width));
  }

  const Cardinal* Row(Integer y) {
    if (resampler_) return resampler_->Row(y);
    if (!copySize_.IsEmpty()) return copySize_.Row(y);
    const Int64 sy = part_.Top + Int64{y} * part_.Height() / height_;
    if (sy != rowOf_) {
      rowOf_ = sy;
      const bool inside = sy >= 0 && sy < source_.Height;
      for (Integer x = 0; x < width_; ++x) {
        const Integer sx = columns_[static_cast<size_t>(x)];
        row_[static_cast<size_t>(x)] =
            inside && sx >= 0 && sx < source_.Width ? source_.At(sx, static_cast<Integer>(sy)) : 0;
      }
    }
    return row_.data();
  }

 private:
  TsPixelView source_;
  TRect part_;
  Integer width_, height_;
  std::vector<Cardinal> copy_;
  TsPixelView copySize_;  // the copy itself when it already has the target's size
  std::unique_ptr<TsRowResampler> resampler_;
  std::vector<Integer> columns_;
  std::vector<Cardinal> row_;
  Int64 rowOf_ = -1;
};

// A part of a mask with an alpha half at the target size: its image rows (filter 6) and its weight
// rows alphaOffset lower (filter 2), filtered when the part shrinks in one direction only or both
// directions are stretched, else to the nearest pixel.
struct TStretchedPart {
  TStretchedPart(const TsPixelView& source, const TRect& part, Integer alphaOffset, Integer width, Integer height,
                 bool bothDirections)
      : Image(source, part, width, height, Filtered(part, width, height, bothDirections), sfMitchell),
        Weights(source, TRect{part.Left, part.Top + alphaOffset, part.Right, part.Bottom + alphaOffset}, width,
                height, Filtered(part, width, height, bothDirections), sfHermite) {}
  static bool Filtered(const TRect& part, Integer width, Integer height, bool bothDirections) {
    const bool shrinksX = width < part.Width(), shrinksY = height < part.Height();
    return bothDirections || shrinksX != shrinksY;
  }
  TStretchedRows Image, Weights;
};

}  // namespace

Cardinal ByteSwap32(Cardinal value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

Cardinal SwapRedBlue(Cardinal color) {
  return (color & 0xFF00FF00u) | ((color & 0xFFu) << 16) | ((color >> 16) & 0xFFu);
}

Cardinal SwapRedBlueBytes(Cardinal color) {
  const Cardinal kept = color & 0xFF00FF00u, low = color & 0x000000FFu, high = color & 0x00FF0000u;
  return kept | (low << 16) | (high >> 16);
}

Cardinal GetBitmapPixel32(const TsPixelView& bitmap, Integer x, Integer y) {
  if (bitmap.Bits == nullptr || !Inside(bitmap, x, y)) throw ERangeError("Pixel index out of range");
  return bitmap.At(x, y);
}

void SetBitmapPixel32(const TsPixelView& bitmap, Integer x, Integer y, Cardinal value) {
  if (bitmap.Bits == nullptr || !Inside(bitmap, x, y)) throw ERangeError("Pixel index out of range");
  bitmap.At(x, y) = value;
}

void NormalizeKeyPixels(const TsPixelView& bitmap) {
  if (bitmap.IsEmpty()) return;
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x)
      if ((p[x] & 0x00FFFFFFu) == 0xFF00FFu) p[x] = kKeyPixel;
  }
}

void PremultiplyRect(const TsPixelView& bitmap, const TRect& rect) {
  if (bitmap.IsEmpty()) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) {
      const Cardinal v = p[x];
      if (v == 0x00FFFFFFu) {
        p[x] = 0;
        continue;
      }
      // Red and blue side by side, then green: each product stays below 2^16.
      const Cardinal a = v >> 24;
      p[x] = (v & 0xFF000000u) | ((((v & 0x00FF00FFu) * a) >> 8) & 0x00FF00FFu) |
             ((((v & 0x0000FF00u) * a) >> 8) & 0x0000FF00u);
    }
  }
}

void PremultiplyBitmap(const TsPixelView& bitmap) { PremultiplyRect(bitmap, TRect{0, 0, bitmap.Width, bitmap.Height}); }

void FillBitmapRectArgb(const TsPixelView& bitmap, const TRect& rect, Integer color, Byte alpha) {
  if (bitmap.IsEmpty()) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  const Cardinal value = Cardinal{alpha} << 24 | ColorAsPixel(color);
  for (Integer y = r.Top; y < r.Bottom; ++y) std::fill(bitmap.Row(y) + r.Left, bitmap.Row(y) + r.Right, value);
}

void FillRectFrame(const TsPixelView& bitmap, const TRect& rect, Integer left, Integer color, Integer bottom,
                   Integer right, Integer top) {
  const TRect& r = rect;
  FillBitmapRectArgb(bitmap, TRect{r.Left, r.Top, r.Right, r.Top + top}, color, 255);
  FillBitmapRectArgb(bitmap, TRect{r.Left, r.Top + top, r.Left + left, r.Bottom}, color, 255);
  FillBitmapRectArgb(bitmap, TRect{r.Left + left, r.Bottom - bottom, r.Right, r.Bottom}, color, 255);
  FillBitmapRectArgb(bitmap, TRect{r.Right - right, r.Top + top, r.Right, r.Bottom - bottom}, color, 255);
}

namespace {

// Runs a per-channel table over the colour channels of every pixel of the (clipped, exclusive) rect;
// alpha from `alpha` when it is 0..255, else kept.
void ApplyChannelTables(const TsPixelView& bitmap, const TRect& r, const Byte table[3][256], int alpha) {
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) {
      const Cardinal v = p[x];
      const Cardinal a = alpha < 0 ? (v & 0xFF000000u) : static_cast<Cardinal>(alpha) << 24;
      p[x] = a | Cardinal{table[2][Channel(v, 2)]} << 16 | Cardinal{table[1][Channel(v, 1)]} << 8 |
             table[0][Channel(v, 0)];
    }
  }
}

}  // namespace

void BlendRectWithColor(const TsPixelView& bitmap, const TRect& inclusiveRect, Integer percent, Integer color) {
  if (bitmap.IsEmpty()) return;
  const TRect& ir = inclusiveRect;
  const TRect r{std::max(ir.Left, 0), std::max(ir.Top, 0), std::min(ir.Right, bitmap.Width - 1) + 1,
                 std::min(ir.Bottom, bitmap.Height - 1) + 1};
  if (r.IsEmpty()) return;
  const double g = percent / 100.0, h = 1 - g;
  const Cardinal cp = ColorAsPixel(color);
  Byte table[3][256];
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v)
      table[c][v] = static_cast<Byte>(std::clamp(std::lrint(g * v + h * Channel(cp, c)), 0L, 255L));
  ApplyChannelTables(bitmap, r, table, -1);
}

void BlendRectTowardColor(const TsPixelView& bitmap, const TRect& rect, Integer color, Byte alpha, Integer percent) {
  if (bitmap.IsEmpty()) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  if (r.IsEmpty()) return;
  const Cardinal cp = ColorAsPixel(color);
  Byte table[3][256];
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v)
      table[c][v] = static_cast<Byte>(
          std::clamp(std::lrint(v - percent * static_cast<double>(v - Channel(cp, c)) / 100), 0L, 255L));
  ApplyChannelTables(bitmap, r, table, alpha);
}

void SetBitmapRectAlpha(const TsPixelView& bitmap, const TRect& rect, Byte alpha, bool keepKey) {
  if (bitmap.IsEmpty()) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  const Cardinal a = Cardinal{alpha} << 24;
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x)
      if (!keepKey || p[x] != kKeyPixel) p[x] = (p[x] & 0x00FFFFFFu) | a;
  }
}

void BlendWithBackground(const TsPixelView& bitmap, Integer flags, Integer offsetX, Integer offsetY,
                         const TsBgPixels& background, Integer controlColor) {
  if (bitmap.IsEmpty()) return;
  if ((flags & bwGrayscale) != 0) GrayscaleBitmap(bitmap);
  if ((flags & bwBlend) == 0) return;
  if (background.HasBitmap()) {
    // The background's pixels behind the bitmap blended over by 0.4 of the bitmap's own.
    const Int64 bx = Int64{background.OffsetX} + offsetX, by = Int64{background.OffsetY} + offsetY;
    const TRect source{static_cast<Integer>(std::clamp<Int64>(bx, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(by, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(bx + bitmap.Width - 1, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(by + bitmap.Height - 1, INT32_MIN, INT32_MAX))};
    BlendBitmapRectKeyed(bitmap, 0, 0, kKeyPixel, 0.4, source, background.Bitmap);
    return;
  }
  const Integer color = background.Color == clKeyColor ? controlColor : background.Color;
  BlendRectWithColor(bitmap, TRect{0, 0, bitmap.Width - 1, bitmap.Height - 1}, 50, color);
}

void CopyThroughMask(const TsPixelView& target, const TsPixelView& source, const TRect& rect, Integer drawMode,
                     const TsMaskData* mask, const TsPixelView& maskImage, Integer sourceX, Integer sourceY) {
  if (target.IsEmpty() || source.IsEmpty()) return;
  const TsCopyArea a = ClipCopyArea(rect.Left, rect.Top, RectOf(sourceX, sourceY, rect.Width(), rect.Height()),
                                    target.Width, target.Height, source.Width, source.Height);
  Int64 mx = 0, my = 0;
  if (mask != nullptr) {
    mx = mask->R.Left;
    my = mask->R.Top;
    if (drawMode == 14 || drawMode == 17) mx += Int64{MaskStateWidth(*mask)} - mask->WR;
    if (drawMode == 16 || drawMode == 17) my += Int64{MaskStateHeight(*mask)} - mask->WB;
    if (maskImage.IsEmpty()) return;
  }
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      Cardinal probe = d[x];
      if (mask != nullptr) {
        const Int64 px = mx + a.TargetX - rect.Left + x, py = my + a.TargetY - rect.Top + y;
        if (!Inside(maskImage, px, py)) continue;
        probe = maskImage.At(static_cast<Integer>(px), static_cast<Integer>(py));
      }
      if ((probe & 0x00FFFFFFu) == 0xFF00FFu) d[x] = s[x];
    }
  }
}

void CopyMaskFromMaster(const TsPixelView& target, const TRect& rect, const TRect& sourceRect,
                        const TsMaskData& mask, const TsPixelView& maskImage, const TsBgPixels& background) {
  if (target.IsEmpty() || maskImage.IsEmpty()) return;
  const TRect sr = CutToSize(sourceRect, rect);
  const bool alphaHalf = mask.MaskType > 0;
  const Integer offset = alphaHalf ? MaskStateHeight(mask) : 0;
  const TsCopyArea a = ClipCopyArea(rect.Left, rect.Top, sr, target.Width, target.Height, maskImage.Width,
                                    maskImage.Height - offset);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = maskImage.Row(a.SourceY + y) + a.SourceX;
    const Cardinal* m = maskImage.Row(a.SourceY + offset + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if (s[x] == kKeyPixel) {
        Cardinal p;
        if (BackgroundPixel(background, Int64{a.TargetX} + x, Int64{a.TargetY} + y, p)) d[x] = p;
      } else {
        d[x] = alphaHalf ? MixByWeights(d[x], s[x], m[x], s[x]) : s[x];
      }
    }
  }
}

void CopyMaskPartOverBackground(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                                Integer alphaOffset, const TsBgPixels& background, const TsPixelView& maskImage) {
  if (target.IsEmpty() || maskImage.IsEmpty() || alphaOffset < 0) return;
  const TRect sr = CutToSize(sourceRect, targetRect);
  const TsCopyArea a = ClipCopyArea(targetRect.Left, targetRect.Top, sr, target.Width, target.Height,
                                    maskImage.Width, maskImage.Height - alphaOffset);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = maskImage.Row(a.SourceY + y) + a.SourceX;
    const Cardinal* m = maskImage.Row(a.SourceY + alphaOffset + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if (s[x] == kKeyPixel) {
        Cardinal p;
        if (background.HasBitmap()) {
          if (BackgroundPixel(background, Int64{a.TargetX} + x, Int64{a.TargetY} + y, p)) d[x] = p;
        } else {
          d[x] &= 0x00FFFFFFu;
        }
        continue;
      }
      Cardinal alpha = d[x] >> 24;
      const Cardinal opacity = 255u - static_cast<Cardinal>(Red(m[x]));
      if (alpha == 0) {
        alpha = opacity;
      } else if (alpha != 255) {
        alpha = std::max(alpha, opacity);
      }
      d[x] = MixByWeights(d[x], s[x], m[x], alpha << 24);
    }
  }
}

namespace {

// One target pixel under image pixel s with weight red d: d = 0 shows s opaque, 255 keeps the
// target, otherwise e = min(d, alpha) mixes (t * e + s * (255 - e)) >> 8 and alpha max(alpha, 255 - d).
inline Cardinal ComposeOver(Cardinal t, Cardinal s, int d) {
  if (d == 0) return s | 0xFF000000u;
  if (d == 255) return t;
  const Cardinal alpha = t >> 24;
  const Cardinal e = std::min(static_cast<Cardinal>(d), alpha), f = 255 - e;
  // Red and blue side by side, then green: each product sum stays below 255 * 255, so the channels
  // never carry into one another.
  const Cardinal rb = (((t & 0x00FF00FFu) * e + (s & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
  const Cardinal g = (((t & 0x0000FF00u) * e + (s & 0x0000FF00u) * f) >> 8) & 0x0000FF00u;
  return std::max(alpha, 255u - static_cast<Cardinal>(d)) << 24 | rb | g;
}

// ComposeOver along a row, d the red byte of each weight pixel; without branches in the loop, so that
// it runs in vector lanes.
[[gnu::always_inline]] inline void ComposeRowBody(Cardinal* __restrict t, const Cardinal* __restrict s,
                                                  const Cardinal* __restrict m, Integer n) {
  for (Integer x = 0; x < n; ++x) {
    const Cardinal d = (m[x] >> 16) & 0xFFu, tp = t[x], sp = s[x];
    const Cardinal alpha = tp >> 24;
    const Cardinal e = std::min(d, alpha), f = 255 - e;
    const Cardinal rb = (((tp & 0x00FF00FFu) * e + (sp & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    const Cardinal g = (((tp & 0x0000FF00u) * e + (sp & 0x0000FF00u) * f) >> 8) & 0x0000FF00u;
    const Cardinal mixed = std::max(alpha, 255u - d) << 24 | rb | g;
    t[x] = d == 0 ? (sp | 0xFF000000u) : d == 255 ? tp : mixed;
  }
}

void ComposeRowPlain(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) { ComposeRowBody(t, s, m, n); }

QN_WIDE_VECTORS void ComposeRowWide(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) {
  ComposeRowBody(t, s, m, n);
}
void ComposeRow(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) {
  (HasWideVectors() ? ComposeRowWide : ComposeRowPlain)(t, s, m, n);
}

bool StretchGuardsPass(const TsPixelView& target, const TRect& targetRect) {
  return !(targetRect.Left < 0 || targetRect.Top < 0 || targetRect.Width() < 1 || targetRect.Height() < 1 ||
           target.Width < 2 || target.Height < 2);
}

}  // namespace

void StretchMaskPartOverBackground(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                                   const TsPixelView& maskImage, Integer alphaOffset, bool bothDirections) {
  if (target.IsEmpty() || maskImage.IsEmpty() || !StretchGuardsPass(target, targetRect)) return;
  if (alphaOffset == 0) {
    StretchNearest(target, targetRect, maskImage, sourceRect);
    return;
  }
  if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.IsEmpty() || sourceRect.Right > maskImage.Width ||
      sourceRect.Bottom > maskImage.Height)
    return;
  const TRect r = ClipRect(targetRect, target.Width, target.Height);
  if (bothDirections && sourceRect.Width() == 1 && sourceRect.Height() == 1) {
    if (Int64{maskImage.Height} <= Int64{sourceRect.Top} + alphaOffset) return;
    const Cardinal s = maskImage.At(sourceRect.Left, sourceRect.Top);
    const int d = Red(maskImage.At(sourceRect.Left, sourceRect.Top + alphaOffset));
    if (d == 0) {
      FillBitmapRectArgb(target, r, static_cast<Integer>(SwapRedBlue(s) & 0xFFFFFFu), 255);
    } else if (d != 255) {
      for (Integer y = r.Top; y < r.Bottom; ++y)
        for (Integer x = r.Left; x < r.Right; ++x) target.At(x, y) = ComposeOver(target.At(x, y), s, d);
    }
    return;
  }
  if (Int64{sourceRect.Bottom} + alphaOffset > maskImage.Height) return;
  TStretchedPart part(maskImage, sourceRect, alphaOffset, targetRect.Width(), targetRect.Height(), bothDirections);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* t = target.Row(y);
    const Cardinal* s = part.Image.Row(y - targetRect.Top) - targetRect.Left;
    const Cardinal* m = part.Weights.Row(y - targetRect.Top) - targetRect.Left;
    ComposeRow(t + r.Left, s + r.Left, m + r.Left, r.Width());
  }
}

TsBorderWidths FitBorders(const TsMaskData& mask, Integer width, Integer height) {
  auto fit = [](Integer& first, Integer& second, Integer size) {
    size = std::max<Integer>(size, 0);
    const Int64 excess = Int64{first} + second - size;
    if (excess <= 0) return;
    first = static_cast<Integer>(std::max<Int64>(first - excess / 2, 0));
    second = static_cast<Integer>(std::max<Int64>(second - excess / 2 - excess % 2, 0));
    // A side narrower than its half of the excess gives what it has; the other gives the rest, so the
    // two never cover more than the size (15 and 1 in 8 are 8 and 0, not 11 and 0).
    if (second == 0) first = std::min(first, size);
    if (first == 0) second = std::min(second, size);
  };
  TsBorderWidths w{mask.WL, mask.WT, mask.WR, mask.WB};
  fit(w.Left, w.Right, width);
  fit(w.Top, w.Bottom, height);
  return w;
}

namespace {

enum class TPartKind { Corner, Side, Centre };

// One of the nine parts: where it comes from in the state image and where it goes in the target.
struct TMaskPart {
  TRect Source;
  TRect Target;
  TPartKind Kind;
};

// The parts in painting order: top-left corner, left side, top side, bottom-left corner, bottom side,
// bottom-right corner, top-right corner, right side, centre. Sides and centre come from between the
// mask's borders; corners at the fitted sizes from the state image's corners.
std::vector<TMaskPart> NineParts(const TsMaskData& mask, const TRect& rect, Integer state, bool& middleValid) {
  const Integer stateW = MaskStateWidth(mask), stateH = MaskStateHeight(mask);
  const Integer index = std::clamp<Integer>(state, 0, std::max<Integer>(mask.ImageCount - 1, 0));
  const Integer sx = mask.R.Left + index * stateW, sy = mask.R.Top;
  const Integer midW = stateW - mask.WL - mask.WR, midH = stateH - mask.WT - mask.WB;
  middleValid = midW >= 0 && midH >= 0;
  const TsBorderWidths b = FitBorders(mask, rect.Width(), rect.Height());
  const Integer innerW = rect.Width() - b.Left - b.Right, innerH = rect.Height() - b.Top - b.Bottom;
  const Integer rightX = sx + stateW - b.Right, bottomY = sy + stateH - b.Bottom;
  const Integer tRight = rect.Right - b.Right, tBottom = rect.Bottom - b.Bottom;
  std::vector<TMaskPart> parts = {
      {RectOf(sx, sy, b.Left, b.Top), RectOf(rect.Left, rect.Top, b.Left, b.Top), TPartKind::Corner},
      {RectOf(sx, sy + mask.WT, b.Left, midH), RectOf(rect.Left, rect.Top + b.Top, b.Left, innerH), TPartKind::Side},
      {RectOf(sx + mask.WL, sy, midW, b.Top), RectOf(rect.Left + b.Left, rect.Top, innerW, b.Top), TPartKind::Side},
      {RectOf(sx, bottomY, b.Left, b.Bottom), RectOf(rect.Left, tBottom, b.Left, b.Bottom), TPartKind::Corner},
      {RectOf(sx + mask.WL, bottomY, midW, b.Bottom), RectOf(rect.Left + b.Left, tBottom, innerW, b.Bottom),
       TPartKind::Side},
      {RectOf(rightX, bottomY, b.Right, b.Bottom), RectOf(tRight, tBottom, b.Right, b.Bottom), TPartKind::Corner},
      {RectOf(rightX, sy, b.Right, b.Top), RectOf(tRight, rect.Top, b.Right, b.Top), TPartKind::Corner},
      {RectOf(rightX, sy + mask.WT, b.Right, midH), RectOf(tRight, rect.Top + b.Top, b.Right, innerH),
       TPartKind::Side},
  };
  if ((mask.DrawFlags & mdPaintCentre) != 0)
    parts.push_back({RectOf(sx + mask.WL, sy + mask.WT, midW, midH),
                     RectOf(rect.Left + b.Left, rect.Top + b.Top, innerW, innerH), TPartKind::Centre});
  return parts;
}

// Lays tiles of the source part over the target area: whole tiles while one ends before the area's
// end, then one cut to the rest (the part's top-left piece). A part size of 0 lays only the cut tile
// when cutTileAlways, else nothing. copy(targetRect, sourceRect) does the copying.
template <class Copy>
void Tile(const TRect& source, const TRect& area, bool cutTileAlways, Copy copy) {
  const Integer tw = source.Width(), th = source.Height();
  if (area.IsEmpty()) return;
  if ((tw <= 0 || th <= 0) && !cutTileAlways) return;
  auto spans = [cutTileAlways](Integer start, Integer end, Integer step) {
    std::vector<std::pair<Integer, Integer>> out;  // (position, length)
    Integer pos = start;
    if (step > 0)
      while (Int64{pos} + step < end) {
        out.emplace_back(pos, step);
        pos += step;
      }
    if (pos < end && (step > 0 || cutTileAlways)) out.emplace_back(pos, end - pos);
    return out;
  };
  for (const auto& [y, h] : spans(area.Top, area.Bottom, th))
    for (const auto& [x, w] : spans(area.Left, area.Right, tw))
      copy(RectOf(x, y, w, h), RectOf(source.Left, source.Top, w, h));
}

bool MaskPaintable(const TsMaskData& mask, const TsPixelView& target, const TsPixelView& image, const TRect& rect,
                   Integer state) {
  if (target.IsEmpty() || image.IsEmpty()) return false;
  if ((mask.DrawFlags & mdSkipNormalState) != 0 && state == 0) return false;
  return rect.Width() >= 2 && rect.Height() >= 2;
}

}  // namespace

namespace {

// MixByWeights along a row with every pixel made opaque (the stretched parts of PaintMaskImage).
[[gnu::always_inline]] inline void WeighRowOpaqueBody(Cardinal* __restrict t, const Cardinal* __restrict s,
                                                      const Cardinal* __restrict m, Integer n) {
  for (Integer x = 0; x < n; ++x) {
    const Cardinal tp = t[x], sp = s[x], mp = m[x];
    Cardinal out = 0xFF000000u;
    for (int c = 0; c < 24; c += 8) {
      const Cardinal w = (mp >> c) & 0xFFu;
      out |= ((((tp >> c) & 0xFFu) * w + ((sp >> c) & 0xFFu) * (256 - w)) >> 8) << c;
    }
    t[x] = out;
  }
}

void WeighRowOpaquePlain(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) {
  WeighRowOpaqueBody(t, s, m, n);
}
QN_WIDE_VECTORS void WeighRowOpaqueWide(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) {
  WeighRowOpaqueBody(t, s, m, n);
}
void WeighRowOpaque(Cardinal* t, const Cardinal* s, const Cardinal* m, Integer n) {
  (HasWideVectors() ? WeighRowOpaqueWide : WeighRowOpaquePlain)(t, s, m, n);
}

// CopyMaskPartOverBackground without a background along a row: s the image pixels, m their weights.
[[gnu::always_inline]] inline void OverNothingRowBody(Cardinal* __restrict d, const Cardinal* __restrict s,
                                                      const Cardinal* __restrict m, Integer n) {
  for (Integer x = 0; x < n; ++x) {
    const Cardinal dp = d[x], sp = s[x], mp = m[x];
    const Cardinal alpha = dp >> 24, opacity = 255 - ((mp >> 16) & 0xFFu);
    const Cardinal newAlpha = alpha == 0 ? opacity : alpha == 255 ? 255u : std::max(alpha, opacity);
    Cardinal mixed = newAlpha << 24;
    for (int c = 0; c < 24; c += 8) {
      const Cardinal w = (mp >> c) & 0xFFu;
      mixed |= ((((dp >> c) & 0xFFu) * w + ((sp >> c) & 0xFFu) * (256 - w)) >> 8) << c;
    }
    d[x] = sp == kKeyPixel ? (dp & 0x00FFFFFFu) : mixed;
  }
}

void OverNothingRowPlain(Cardinal* d, const Cardinal* s, const Cardinal* m, Integer n) { OverNothingRowBody(d, s, m, n); }

QN_WIDE_VECTORS void OverNothingRowWide(Cardinal* d, const Cardinal* s, const Cardinal* m, Integer n) {
  OverNothingRowBody(d, s, m, n);
}
void OverNothingRow(Cardinal* d, const Cardinal* s, const Cardinal* m, Integer n) {
  (HasWideVectors() ? OverNothingRowWide : OverNothingRowPlain)(d, s, m, n);
}

// The tiles of a part with an alpha half over the area, laid a target row at a time: the tiles of one
// row, side by side, are the part's row repeated from the area's left edge (the last one cut), so one
// long loop per row paints what the tile-by-tile copies would. False (nothing painted) when the part
// is empty or not wholly inside the image; the tile-by-tile copies then clip it.
bool TileRowsOverNothing(const TsPixelView& target, const TRect& part, const TRect& area, Integer offset,
                         const TsPixelView& image) {
  const Integer tw = part.Width(), th = part.Height();
  if (tw <= 0 || th <= 0 || part.Left < 0 || part.Top < 0 || part.Right > image.Width || offset < 0 ||
      Int64{part.Bottom} + offset > image.Height)
    return false;
  const TRect r = ClipRect(area, target.Width, target.Height);
  if (r.IsEmpty()) return true;
  const Integer n = r.Width();
  const Integer phase = static_cast<Integer>((Int64{r.Left} - area.Left) % tw);
  std::vector<Cardinal> pixels(static_cast<size_t>(n)), weights(static_cast<size_t>(n));
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    const Integer sy = part.Top + static_cast<Integer>((Int64{y} - area.Top) % th);
    const Cardinal* sRow = image.Row(sy) + part.Left;
    const Cardinal* mRow = image.Row(sy + offset) + part.Left;
    for (Integer x = 0, k = phase; x < n; ++x, k = k + 1 == tw ? 0 : k + 1) {
      pixels[static_cast<size_t>(x)] = sRow[k];
      weights[static_cast<size_t>(x)] = mRow[k];
    }
    OverNothingRow(target.Row(y) + r.Left, pixels.data(), weights.data(), n);
  }
  return true;
}

}  // namespace

void PaintSectionBorderMask(const TsPixelView& target, const TRect& rect, const TsBgPixels& background,
                            const TsMaskData& mask, const TsPixelView& maskImage, Integer state) {
  if (!MaskPaintable(mask, target, maskImage, rect, state)) return;
  bool middleValid = true;
  const auto parts = NineParts(mask, rect, state, middleValid);
  if (!middleValid) return;
  const bool stretch = (mask.DrawFlags & mdStretch) != 0;
  const bool alphaHalf = mask.MaskType != 0;
  const Integer offset = MaskStateHeight(mask);
  const TsBgPixels noBackground{};
  for (const TMaskPart& p : parts) {
    if (p.Target.IsEmpty()) continue;
    if (p.Kind == TPartKind::Corner) {
      if (alphaHalf) {
        CopyMaskPartOverBackground(target, p.Target, p.Source, offset, background, maskImage);
      } else {
        CopyMaskPart(target, p.Target, p.Source, background, maskImage);
      }
    } else if (stretch) {
      if (alphaHalf) {
        StretchMaskPartOverBackground(target, p.Target, p.Source, maskImage, offset, p.Kind == TPartKind::Centre);
      } else if (StretchGuardsPass(target, p.Target)) {
        StretchNearest(target, p.Target, maskImage, p.Source);
      }
    } else if (!alphaHalf || !TileRowsOverNothing(target, p.Source, p.Target, offset, maskImage)) {
      Tile(p.Source, p.Target, !alphaHalf, [&](const TRect& t, const TRect& s) {
        if (alphaHalf) {
          CopyMaskPartOverBackground(target, t, s, offset, noBackground, maskImage);
        } else {
          const TsCopyArea a = ClipCopyArea(t.Left, t.Top, s, target.Width, target.Height, maskImage.Width,
                                            maskImage.Height);
          for (Integer y = 0; y < a.Height; ++y)
            std::copy_n(maskImage.Row(a.SourceY + y) + a.SourceX, a.Width, target.Row(a.TargetY + y) + a.TargetX);
        }
      });
    }
  }
}

namespace {

// A stretched part of a mask with an alpha half: ((t - image) * weight + image * 256) >> 8, alpha 255.
void StretchMaskPart(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                     const TsPixelView& image, Integer offset, bool bothDirections) {
  if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.IsEmpty() || sourceRect.Right > image.Width ||
      Int64{sourceRect.Bottom} + offset > image.Height)
    return;
  const TRect r = ClipRect(targetRect, target.Width, target.Height);
  if (bothDirections && sourceRect.Width() == 1 && sourceRect.Height() == 1) {
    const Cardinal s = image.At(sourceRect.Left, sourceRect.Top);
    const Cardinal m = image.At(sourceRect.Left, sourceRect.Top + offset);
    if (Red(m) == 255) return;
    const Cardinal weights = Cardinal{static_cast<Byte>(Red(m))} * 0x010101u;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x)
        target.At(x, y) = MixByWeights(target.At(x, y), s, weights, 0xFF000000u);
    return;
  }
  TStretchedPart part(image, sourceRect, offset, targetRect.Width(), targetRect.Height(), bothDirections);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* t = target.Row(y);
    const Cardinal* s = part.Image.Row(y - targetRect.Top) - targetRect.Left;
    const Cardinal* m = part.Weights.Row(y - targetRect.Top) - targetRect.Left;
    WeighRowOpaque(t + r.Left, s + r.Left, m + r.Left, r.Width());
  }
}

}  // namespace

void PaintMaskImage(const TsPixelView& target, const TRect& rect, Integer state, const TsMaskData& mask,
                    const TsPixelView& maskImage, const TsBgPixels& background) {
  if (!MaskPaintable(mask, target, maskImage, rect, state)) return;
  bool middleValid = true;
  const auto parts = NineParts(mask, rect, state, middleValid);
  const bool stretch = (mask.DrawFlags & mdStretch) != 0;
  const bool alphaHalf = mask.MaskType > 0;
  const Integer offset = MaskStateHeight(mask);
  auto copy = [&](const TRect& t, const TRect& s) {
    if (alphaHalf) {
      const TRect sr = CutToSize(s, t);
      CopyMaskRectPixels(target, t.Left, t.Top, sr, offset, true, background, maskImage);
    } else {
      CopyMaskPart(target, t, s, background, maskImage);
    }
  };
  for (const TMaskPart& p : parts) {
    if (p.Target.IsEmpty()) continue;
    if (p.Kind == TPartKind::Corner) {
      copy(p.Target, p.Source);
      continue;
    }
    // Nothing between the borders: neither sides nor centre.
    if (!middleValid) return;
    if (!stretch) {
      Tile(p.Source, p.Target, false, copy);
    } else if (StretchGuardsPass(target, p.Target)) {
      if (alphaHalf) {
        StretchMaskPart(target, p.Target, p.Source, maskImage, offset, p.Kind == TPartKind::Centre);
      } else {
        StretchNearest(target, p.Target, maskImage, p.Source);
      }
    }
  }
}

void CopyGlyphWithAlphaHalf(const TsPixelView& target, const TRect& targetRect, const TRect& sourceRect,
                            const TsMaskData& mask, Integer blendMode, const TsPixelView& source) {
  if (target.IsEmpty() || source.IsEmpty()) return;
  if (mask.MaskType <= 0) {
    BlendGlyphRect(target, source, targetRect.Left, targetRect.Top, clKeyColor,
                   TRect{sourceRect.Left, sourceRect.Top, sourceRect.Right - 1, sourceRect.Bottom - 1});
    return;
  }
  const Integer stateH = sourceRect.Height() / (mask.MaskType + 1);
  const TRect sr = CutToSize({sourceRect.Left, sourceRect.Top, sourceRect.Right, sourceRect.Top + stateH}, targetRect);
  const TsCopyArea a = ClipCopyArea(targetRect.Left, targetRect.Top, sr, target.Width, target.Height, source.Width,
                                    source.Height - stateH);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    const Cardinal* m = source.Row(a.SourceY + stateH + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      const int w = Red(m[x]);
      if (s[x] == kKeyPixel || w >= 255) continue;
      Cardinal weights = m[x];
      if (blendMode != 1) {
        weights = 0;
        for (int c = 0; c < 3; ++c) weights |= static_cast<Cardinal>(std::min(Channel(m[x], c) + 100, 255)) << (8 * c);
      }
      const Cardinal alpha = d[x] >> 24;
      const Cardinal grown = alpha + (((255 - alpha) * static_cast<Cardinal>(255 - w)) >> 8);
      d[x] = MixByWeights(d[x], s[x], weights, grown << 24);
    }
  }
}

void PaintMaskGlyph(const TsPixelView& target, Integer x, Integer y, Integer state, const TsBgPixels& background,
                    const TsMaskData& mask, const TsPixelView& maskImage, Integer blendMode) {
  if (target.IsEmpty() || maskImage.IsEmpty()) return;
  const Integer stateW = MaskStateWidth(mask);
  const Integer index = std::clamp<Integer>(state, 0, std::max<Integer>(mask.ImageCount - 1, 0));
  const Integer sx = mask.R.Left + index * stateW;
  if (mask.MaskType > 0) {
    // The whole column of the state: image rows and weight rows.
    CopyGlyphWithAlphaHalf(target, RectOf(x, y, stateW, mask.R.Height()), RectOf(sx, mask.R.Top, stateW, mask.R.Height()),
                           mask, blendMode, maskImage);
    return;
  }
  const TRect source = RectOf(sx, mask.R.Top, stateW, MaskStateHeight(mask));
  if (blendMode == 1) {
    CopyMaskPart(target, RectOf(x, y, stateW, source.Height()), source, background, maskImage);
  } else {
    BlendBitmapRectKeyed(target, x, y, kKeyPixel, 0.5, TRect{source.Left, source.Top, source.Right - 1, source.Bottom - 1},
                         maskImage);
  }
}

void PaintPatternTexture(const TsPixelView& target, const TRect& rect, const TsBgPixels& background, Integer mode,
                         const TsMaskData& mask, const TsPixelView& maskImage) {
  if (target.IsEmpty() || maskImage.IsEmpty() || rect.IsEmpty()) return;
  if (mode != tmTile && mode != tmTileWhole) return;
  // A texture without images has no state size: nothing to lay (a division by its count otherwise).
  const Integer tileW = MaskStateWidth(mask), tileH = MaskStateHeight(mask);
  if (tileW <= 0 || tileH <= 0) return;
  const TRect source = RectOf(mask.R.Left, mask.R.Top, tileW, tileH);
  const bool wholeOnly = mode == tmTileWhole;
  Int64 coveredRight = rect.Left, coveredBottom = rect.Top;
  for (Int64 y = rect.Top; y < rect.Bottom; y += tileH) {
    if (wholeOnly && y + tileH > rect.Bottom) break;
    for (Int64 x = rect.Left; x < rect.Right; x += tileW) {
      if (wholeOnly && x + tileW > rect.Right) break;
      const TRect tile{static_cast<Integer>(x), static_cast<Integer>(y),
                        static_cast<Integer>(std::min<Int64>(x + tileW, rect.Right)),
                        static_cast<Integer>(std::min<Int64>(y + tileH, rect.Bottom))};
      CopyMaskFromMaster(target, tile, source, mask, maskImage, background);
      coveredRight = std::max<Int64>(coveredRight, tile.Right);
      coveredBottom = std::max<Int64>(coveredBottom, tile.Bottom);
    }
  }
  if (!wholeOnly) return;
  // The strips no whole tile covers: the right column (full height) and the bottom row.
  const TRect strips[2] = {{static_cast<Integer>(coveredRight), rect.Top, rect.Right, rect.Bottom},
                            {rect.Left, static_cast<Integer>(coveredBottom), static_cast<Integer>(coveredRight), rect.Bottom}};
  for (const TRect& strip : strips) {
    if (strip.IsEmpty()) continue;
    if (background.HasBitmap()) {
      const TRect from = RectOf(strip.Left + background.OffsetX, strip.Top + background.OffsetY, strip.Width(),
                                 strip.Height());
      const TsCopyArea a = ClipCopyArea(strip.Left, strip.Top, from, target.Width, target.Height,
                                        background.Bitmap.Width, background.Bitmap.Height);
      for (Integer row = 0; row < a.Height; ++row)
        std::copy_n(background.Bitmap.Row(a.SourceY + row) + a.SourceX, a.Width, target.Row(a.TargetY + row) + a.TargetX);
    } else {
      FillBitmapRectArgb(target, strip, background.Color, 255);
    }
  }
}

TsPixelView TsSkinPixels::ImageOf(const TsMaskData& mask) const {
  if (OwnImage) {
    const TsPixelView own = OwnImage(mask);
    if (!own.IsEmpty()) return own;
  }
  return Master;
}

namespace {

// The draw mode of a texture from its draw flags: the modes textures know, anything else tiling.
Integer TextureMode(SmallInt drawFlags) {
  switch (drawFlags) {
    case tmTile: case tmStretch: case tmTileTop: case tmTileLeft: case tmStretchTop: case tmStretchLeft:
    case tmTileBottom: case tmTileRight: case tmTileWhole:
      return drawFlags;
    default:
      return tmTile;
  }
}

// The gradient of a state, or the plain colour without one, opaque over the rect.
void PaintGradientOrColor(const TsPixelView& bitmap, const TRect& rect, const TsGradArray& gradient, Integer color) {
  if (gradient.empty()) {
    FillBitmapRectArgb(bitmap, rect, color, 255);
  } else {
    DrawGradient(bitmap, rect, gradient);
  }
}

bool RectInside(const TRect& rect, const TsPixelView& bitmap) {
  return rect.Left >= 0 && rect.Top >= 0 && rect.Right <= bitmap.Width && rect.Bottom <= bitmap.Height;
}

bool CoversBitmap(const TRect& rect, const TsPixelView& bitmap) {
  return rect.Left <= 0 && rect.Top <= 0 && rect.Right >= bitmap.Width && rect.Bottom >= bitmap.Height;
}

}  // namespace

void FillSectionState(const TsPixelView& bitmap, const TRect& rect, const TsSkinPixels& skin, Integer section,
                      Integer state, Integer color) {
  if (bitmap.IsEmpty() || !skin.ValidSection(section)) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  if (r.IsEmpty()) return;
  const TsGenState& values = (*skin.Sections)[static_cast<size_t>(section)].Props[std::clamp(state, 0, 1)];
  Integer c = values.Color, gradPercent = values.GradientPercent, imgPercent = values.ImagePercent;
  Integer transparency = values.Transparency;
  if (color != clKeyColor) {
    c = color;
    gradPercent = imgPercent = transparency = 0;
  }
  if (transparency >= 100) {
    if (CoversBitmap(rect, bitmap)) FillBitmapRectArgb(bitmap, r, 0, 0);
    return;
  }
  // An image share without a texture to paint it from counts as none: the layers below would otherwise
  // mix the colour into whatever the rect held.
  const TsMaskData* texture = imgPercent > 0 && skin.ValidMask(values.Texture)
                                  ? &(*skin.Masks)[static_cast<size_t>(values.Texture)]
                                  : nullptr;
  if (texture == nullptr) imgPercent = 0;
  const TsGradArray& gradient = values.GradientArray;

  // Gradient and texture in one pass.
  if (texture != nullptr && imgPercent + gradPercent == 100 && gradPercent >= 1 && gradPercent <= 99 &&
      texture->DrawFlags == 0 && !gradient.empty() && gradient[0].Mode < gmTriangles) {
    DrawGradientInRect(bitmap, r, gradient, skin.ImageOf(*texture), texture->R, 255 * imgPercent / 100, 256);
    SetBitmapRectAlpha(bitmap, r, static_cast<Byte>(std::lrint(255 * (100 - transparency) / 100.0)), false);
    return;
  }
  if (texture != nullptr) {
    const Integer mode = TextureMode(texture->DrawFlags);
    const TsPixelView image = skin.ImageOf(*texture);
    TRect uncovered{0, 0, -1, 0};
    if (texture->MaskType != 0) {
      PaintPatternTexture(bitmap, r, TsBgPixels{}, mode, *texture, image);
    } else {
      uncovered = DrawMaskOnCanvas(bitmap, r, image, texture->R, mode);
    }
    if (!uncovered.IsEmpty()) FillBitmapRectArgb(bitmap, uncovered, c, 255);
  }
  if (gradPercent > 0) {
    if (texture != nullptr) {
      std::vector<Cardinal> layer(static_cast<size_t>(r.Width()) * static_cast<size_t>(r.Height()));
      const TsPixelView layerView{layer.data(), r.Width(), r.Height(), r.Width()};
      PaintGradientOrColor(layerView, TRect{0, 0, r.Width(), r.Height()}, gradient, c);
      BlendBitmapRect(bitmap, layerView, std::min(255, imgPercent * 255 / 100), r.Left, r.Top,
                      TRect{0, 0, r.Width(), r.Height()});
    } else {
      PaintGradientOrColor(bitmap, r, gradient, c);
    }
  }
  const Integer kept = imgPercent + gradPercent;
  if (kept >= 1 && kept <= 99) {
    BlendRectWithColor(bitmap, TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1}, kept, c);
  } else if (kept == 0) {
    // The plain colour, judged by what the rect's first pixel holds.
    const Cardinal first = bitmap.At(r.Left, r.Top);
    const Integer opacity = (100 - transparency) * 255 / 100;
    if (first == 0) {
      FillBitmapRectArgb(bitmap, r, c, static_cast<Byte>(opacity));
    } else if (transparency == 0) {
      FillBitmapRectArgb(bitmap, r, c, 255);
    } else {
      BlendRectTowardColor(bitmap, r, c, static_cast<Byte>(std::max<Integer>(first >> 24, opacity)), 100 - transparency);
    }
  }
}

void PaintSectionBackground(const TsPixelView& bitmap, const TRect& rect, const TsSkinPixels& skin,
                            Integer section, Integer state) {
  if (bitmap.IsEmpty() || rect.IsEmpty() || !skin.ValidSection(section) || !RectInside(rect, bitmap)) return;
  const TsGeneralData& data = (*skin.Sections)[static_cast<size_t>(section)];
  state = std::clamp(state, 0, std::max(data.States - 1, 0));
  const TsMaskData* border = skin.ValidMask(data.BorderMask) ? &(*skin.Masks)[static_cast<size_t>(data.BorderMask)] : nullptr;

  // What the rect holds before the fill, for the border's key-colour corners. The border painter reads
  // its background only under the four corners, so only those blocks are saved; the rest of the buffer
  // is never read (nor written, so its pages are never touched).
  const Integer w = rect.Width(), h = rect.Height();
  std::unique_ptr<Cardinal[]> saved;
  TsBgPixels background;
  if (border != nullptr) {
    saved.reset(new Cardinal[static_cast<size_t>(w) * static_cast<size_t>(h)]);
    background = TsBgPixels{TsPixelView{saved.get(), w, h, w}, -rect.Left, -rect.Top, clKeyColor};
    const TsBorderWidths b = FitBorders(*border, w, h);
    const TRect corners[4] = {RectOf(0, 0, b.Left, b.Top), RectOf(0, h - b.Bottom, b.Left, b.Bottom),
                               RectOf(w - b.Right, 0, b.Right, b.Top), RectOf(w - b.Right, h - b.Bottom, b.Right, b.Bottom)};
    for (const TRect& block : corners) {
      const TRect corner = ClipRect(block, w, h);  // fitted borders stay inside; this keeps it so
      for (Integer y = corner.Top; y < corner.Bottom; ++y)
        std::copy_n(bitmap.Row(rect.Top + y) + rect.Left + corner.Left, corner.Width(), background.Bitmap.Row(y) + corner.Left);
    }
  }
  FillSectionState(bitmap, rect, skin, section, std::min(state, 1), clKeyColor);
  if (border != nullptr) PaintSectionBorderMask(bitmap, rect, background, *border, skin.ImageOf(*border), state);
  if (CoversBitmap(rect, bitmap)) PremultiplyRect(bitmap, rect);
}

namespace {

// The cache pixel under a key-colour mask pixel takes the parent's background there.
inline void TakeParentPixel(Cardinal& pixel, Int64 x, Int64 y, const TsParentBg& parent, bool wholeColor) {
  if (!parent.Bitmap.IsEmpty()) {
    const Int64 bx = x + parent.OffsetX, by = y + parent.OffsetY;
    if (!Inside(parent.Bitmap, bx, by)) return;
    pixel = (pixel & 0xFF000000u) | (parent.Bitmap.At(static_cast<Integer>(bx), static_cast<Integer>(by)) & 0x00FFFFFFu);
  } else if (wholeColor) {
    pixel = SwapRedBlue(static_cast<Cardinal>(parent.Color));
  } else {
    pixel = (pixel & 0xFF000000u) | ColorAsPixel(parent.Color);
  }
}

// A corner block of a mask with an alpha half: the smaller of the two rects, clipped to both images.
void CopyParentBgToCornerRect(const TsPixelView& cache, const TRect& targetRect, const TRect& sourceRect,
                              const TsPixelView& maskImage, const TsParentBg& parent) {
  const TsCopyArea a = ClipCopyArea(targetRect.Left, targetRect.Top, CutToSize(sourceRect, targetRect), cache.Width,
                                    cache.Height, maskImage.Width, maskImage.Height);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = cache.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* m = maskImage.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x)
      if (m[x] == kKeyPixel) TakeParentPixel(d[x], Int64{a.TargetX} + x, Int64{a.TargetY} + y, parent, false);
  }
}

// A corner block of a plain mask: the source rect (right and bottom included) cut to the mask image,
// cache places outside the cache skipped.
void CopyParentBgToCorner(const TsPixelView& maskImage, Integer targetX, Integer targetY, const TRect& inclusiveSource,
                          const TsParentBg& parent, const TsPixelView& cache) {
  if (parent.Bitmap.IsEmpty() && static_cast<Cardinal>(parent.Color) == kKeyPixel) return;
  const TRect source = ClipRect(TRect{inclusiveSource.Left, inclusiveSource.Top, inclusiveSource.Right + 1,
                                        inclusiveSource.Bottom + 1},
                                 maskImage.Width, maskImage.Height);
  for (Integer y = source.Top; y < source.Bottom; ++y)
    for (Integer x = source.Left; x < source.Right; ++x) {
      const Int64 cx = Int64{targetX} + x - inclusiveSource.Left, cy = Int64{targetY} + y - inclusiveSource.Top;
      if (maskImage.At(x, y) != kKeyPixel || !Inside(cache, cx, cy)) continue;
      TakeParentPixel(cache.At(static_cast<Integer>(cx), static_cast<Integer>(cy)), cx, cy, parent, true);
    }
}

}  // namespace

void PaintParentBgCorners(const TsPixelView& cache, Integer width, Integer height, const TsMaskData& mask,
                          const TsPixelView& maskImage, Integer state, Integer corners, const TsParentBg& parent) {
  if (cache.IsEmpty() || maskImage.IsEmpty() || mask.Flags == 0) return;
  const Integer stateW = MaskStateWidth(mask), stateH = MaskStateHeight(mask);
  const Integer index = std::clamp<Integer>(state, 0, std::max<Integer>(mask.ImageCount - 1, 0));
  const Integer left = mask.R.Left + index * stateW, top = mask.R.Top;
  const Integer right = left + stateW - mask.WR, bottom = top + stateH - mask.WB;
  const struct {
    Integer bit;
    TRect source;
    Integer x, y;
  } blocks[] = {
      {pcTopLeft, RectOf(left, top, mask.WL, mask.WT), 0, 0},
      {pcBottomLeft, RectOf(left, bottom, mask.WL, mask.WB), 0, height - mask.WB},
      {pcBottomRight, RectOf(right, bottom, mask.WR, mask.WB), width - mask.WR, height - mask.WB},
      {pcTopRight, RectOf(right, top, mask.WR, mask.WT), width - mask.WR, 0},
  };
  for (const auto& block : blocks) {
    if ((corners & block.bit) == 0 || block.source.IsEmpty()) continue;
    if (mask.MaskType != 0) {
      CopyParentBgToCornerRect(cache, RectOf(block.x, block.y, block.source.Width(), block.source.Height()),
                               block.source, maskImage, parent);
    } else {
      CopyParentBgToCorner(maskImage, block.x, block.y,
                           TRect{block.source.Left, block.source.Top, block.source.Right - 1, block.source.Bottom - 1},
                           parent, cache);
    }
  }
}

void FillInt32Array(Integer* p, Integer count, Integer value) {
  if (p == nullptr || count <= 0) return;
  std::fill_n(p, count, value);
}

bool SkinFolderExists(std::string_view path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(std::filesystem::path(path), error);
}

TsTextColors SectionTextColors(const TsGeneralData& section, bool hot) {
  const TsGenState& state = section.Props[hot && section.States > 1 ? 1 : 0];
  return TsTextColors{state.TextColor, state.ContourLeft, state.ContourTop, state.ContourRight, state.ContourBottom};
}
