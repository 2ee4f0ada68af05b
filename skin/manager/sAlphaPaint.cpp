#include "skin/manager/sAlphaPaint.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>
#include "vcl/rtl/Exceptions.h"

namespace {

int Channel(Cardinal pixel, int c) { return static_cast<int>((pixel >> (8 * c)) & 0xFF); }
int Red(Cardinal pixel) { return Channel(pixel, 2); }

Cardinal ColorAsPixel(Integer color) { return SwapRedBlue(static_cast<Cardinal>(color)) & 0x00FFFFFFu; }

bool Inside(const TsPixelView& v, Int64 x, Int64 y) { return x >= 0 && y >= 0 && x < v.Width && y < v.Height; }

// ((t - s) * m + s * 256) >> 8 per colour channel, m the weight pixel's channel; alpha from `alpha`.
inline Cardinal MixByWeights(Cardinal t, Cardinal s, Cardinal m, Cardinal alpha) {
  Cardinal out = alpha & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const int sc = Channel(s, c);
    out |= static_cast<Cardinal>(((Channel(t, c) - sc) * Channel(m, c) + sc * 256) >> 8) << (8 * c);
  }
  return out;
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

TsRect RectOf(Integer x, Integer y, Integer w, Integer h) { return TsRect{x, y, x + w, y + h}; }

// The source rect cut to at most the target rect's size: copies take the smaller of the two.
TsRect CutToSize(TsRect source, const TsRect& target) {
  source.Right = static_cast<Integer>(std::min<Int64>(source.Right, Int64{source.Left} + target.Width()));
  source.Bottom = static_cast<Integer>(std::min<Int64>(source.Bottom, Int64{source.Top} + target.Height()));
  return source;
}

// A plain mask part copied at its size with the key colour showing the background (or left).
void CopyMaskPart(const TsPixelView& target, const TsRect& targetRect, const TsRect& sourceRect,
                  const TsBgPixels& bg, const TsPixelView& source) {
  const TsRect sr = CutToSize(sourceRect, targetRect);
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

// The source rect stretched over the target rect to the nearest pixel (the system's colour-on-colour
// stretch), clipped to the target.
void StretchNearest(const TsPixelView& target, const TsRect& targetRect, const TsPixelView& source,
                    const TsRect& sourceRect) {
  const Integer tw = targetRect.Width(), th = targetRect.Height();
  const Integer sw = sourceRect.Width(), sh = sourceRect.Height();
  if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return;
  const TsRect clip = ClipRect(targetRect, target.Width, target.Height);
  for (Integer y = clip.Top; y < clip.Bottom; ++y) {
    const Int64 sy = sourceRect.Top + Int64{y - targetRect.Top} * sh / th;
    if (sy < 0 || sy >= source.Height) continue;
    const Cardinal* s = source.Row(static_cast<Integer>(sy));
    Cardinal* d = target.Row(y);
    for (Integer x = clip.Left; x < clip.Right; ++x) {
      const Int64 sx = sourceRect.Left + Int64{x - targetRect.Left} * sw / tw;
      if (sx >= 0 && sx < source.Width) d[x] = s[sx];
    }
  }
}

// A part of a mask with an alpha half at the target size: the image part and its weights, each
// resampled by the filters (shrinking in one direction only, or both directions stretched) on a copy
// of at least 2 x 2 pixels, else to the nearest pixel.
struct TStretchedPart {
  std::vector<Cardinal> Image, Weights;
  TsPixelView ImageView, WeightView;
};

void StretchInto(const TsPixelView& source, const TsRect& part, const TsPixelView& out, bool filtered,
                 Integer filter) {
  if (!filtered) {
    StretchNearest(out, TsRect{0, 0, out.Width, out.Height}, source, part);
    return;
  }
  const Integer w = std::max(part.Width(), 2), h = std::max(part.Height(), 2);
  std::vector<Cardinal> copy(static_cast<size_t>(w) * static_cast<size_t>(h));
  const TsPixelView copyView{copy.data(), w, h, w};
  StretchNearest(copyView, TsRect{0, 0, w, h}, source, part);
  StretchBitmap(copyView, out, filter);
}

TStretchedPart StretchPart(const TsPixelView& source, const TsRect& part, Integer alphaOffset, Integer width,
                           Integer height, bool bothDirections) {
  TStretchedPart p;
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  p.Image.resize(n);
  p.Weights.resize(n);
  p.ImageView = TsPixelView{p.Image.data(), width, height, width};
  p.WeightView = TsPixelView{p.Weights.data(), width, height, width};
  const bool shrinksX = width < part.Width(), shrinksY = height < part.Height();
  const bool filtered = bothDirections || shrinksX != shrinksY;
  StretchInto(source, part, p.ImageView, filtered, sfMitchell);
  TsRect weights = part;
  weights.Top += alphaOffset;
  weights.Bottom += alphaOffset;
  StretchInto(source, weights, p.WeightView, filtered, sfHermite);
  return p;
}

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

void PremultiplyRect(const TsPixelView& bitmap, const TsRect& rect) {
  if (bitmap.IsEmpty()) return;
  const TsRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) {
      const Cardinal v = p[x];
      if (v == 0x00FFFFFFu) {
        p[x] = 0;
        continue;
      }
      const Cardinal a = v >> 24;
      p[x] = (v & 0xFF000000u) | ((((v >> 16) & 0xFF) * a) >> 8) << 16 | ((((v >> 8) & 0xFF) * a) >> 8) << 8 |
             (((v & 0xFF) * a) >> 8);
    }
  }
}

void PremultiplyBitmap(const TsPixelView& bitmap) { PremultiplyRect(bitmap, TsRect{0, 0, bitmap.Width, bitmap.Height}); }

void FillBitmapRectArgb(const TsPixelView& bitmap, const TsRect& rect, Integer color, Byte alpha) {
  if (bitmap.IsEmpty()) return;
  const TsRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  const Cardinal value = Cardinal{alpha} << 24 | ColorAsPixel(color);
  for (Integer y = r.Top; y < r.Bottom; ++y) std::fill(bitmap.Row(y) + r.Left, bitmap.Row(y) + r.Right, value);
}

void FillRectFrame(const TsPixelView& bitmap, const TsRect& rect, Integer left, Integer color, Integer bottom,
                   Integer right, Integer top) {
  const TsRect& r = rect;
  FillBitmapRectArgb(bitmap, TsRect{r.Left, r.Top, r.Right, r.Top + top}, color, 255);
  FillBitmapRectArgb(bitmap, TsRect{r.Left, r.Top + top, r.Left + left, r.Bottom}, color, 255);
  FillBitmapRectArgb(bitmap, TsRect{r.Left + left, r.Bottom - bottom, r.Right, r.Bottom}, color, 255);
  FillBitmapRectArgb(bitmap, TsRect{r.Right - right, r.Top + top, r.Right, r.Bottom - bottom}, color, 255);
}

namespace {

// Runs a per-channel table over the colour channels of every pixel of the (clipped, exclusive) rect;
// alpha from `alpha` when it is 0..255, else kept.
void ApplyChannelTables(const TsPixelView& bitmap, const TsRect& r, const Byte table[3][256], int alpha) {
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

void BlendRectWithColor(const TsPixelView& bitmap, const TsRect& inclusiveRect, Integer percent, Integer color) {
  if (bitmap.IsEmpty()) return;
  const TsRect& ir = inclusiveRect;
  const TsRect r{std::max(ir.Left, 0), std::max(ir.Top, 0), std::min(ir.Right, bitmap.Width - 1) + 1,
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

void BlendRectTowardColor(const TsPixelView& bitmap, const TsRect& rect, Integer color, Byte alpha, Integer percent) {
  if (bitmap.IsEmpty()) return;
  const TsRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  if (r.IsEmpty()) return;
  const Cardinal cp = ColorAsPixel(color);
  Byte table[3][256];
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v)
      table[c][v] = static_cast<Byte>(
          std::clamp(std::lrint(v - percent * static_cast<double>(v - Channel(cp, c)) / 100), 0L, 255L));
  ApplyChannelTables(bitmap, r, table, alpha);
}

void SetBitmapRectAlpha(const TsPixelView& bitmap, const TsRect& rect, Byte alpha, bool keepKey) {
  if (bitmap.IsEmpty()) return;
  const TsRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
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
    const TsRect source{static_cast<Integer>(std::clamp<Int64>(bx, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(by, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(bx + bitmap.Width - 1, INT32_MIN, INT32_MAX)),
                        static_cast<Integer>(std::clamp<Int64>(by + bitmap.Height - 1, INT32_MIN, INT32_MAX))};
    BlendBitmapRectKeyed(bitmap, 0, 0, kKeyPixel, 0.4, source, background.Bitmap);
    return;
  }
  const Integer color = background.Color == clKeyColor ? controlColor : background.Color;
  BlendRectWithColor(bitmap, TsRect{0, 0, bitmap.Width - 1, bitmap.Height - 1}, 50, color);
}

void CopyThroughMask(const TsPixelView& target, const TsPixelView& source, const TsRect& rect, Integer drawMode,
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

void CopyMaskFromMaster(const TsPixelView& target, const TsRect& rect, const TsRect& sourceRect,
                        const TsMaskData& mask, const TsPixelView& maskImage, const TsBgPixels& background) {
  if (target.IsEmpty() || maskImage.IsEmpty()) return;
  const TsRect sr = CutToSize(sourceRect, rect);
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

void CopyMaskPartOverBackground(const TsPixelView& target, const TsRect& targetRect, const TsRect& sourceRect,
                                Integer alphaOffset, const TsBgPixels& background, const TsPixelView& maskImage) {
  if (target.IsEmpty() || maskImage.IsEmpty() || alphaOffset < 0) return;
  const TsRect sr = CutToSize(sourceRect, targetRect);
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
  const int alpha = static_cast<int>(t >> 24);
  const int e = std::min(d, alpha);
  Cardinal out = static_cast<Cardinal>(std::max(alpha, 255 - d)) << 24;
  for (int c = 0; c < 3; ++c)
    out |= static_cast<Cardinal>((Channel(t, c) * e + Channel(s, c) * (255 - e)) >> 8) << (8 * c);
  return out;
}

bool StretchGuardsPass(const TsPixelView& target, const TsRect& targetRect) {
  return !(targetRect.Left < 0 || targetRect.Top < 0 || targetRect.Width() < 1 || targetRect.Height() < 1 ||
           target.Width < 2 || target.Height < 2);
}

}  // namespace

void StretchMaskPartOverBackground(const TsPixelView& target, const TsRect& targetRect, const TsRect& sourceRect,
                                   const TsPixelView& maskImage, Integer alphaOffset, bool bothDirections) {
  if (target.IsEmpty() || maskImage.IsEmpty() || !StretchGuardsPass(target, targetRect)) return;
  if (alphaOffset == 0) {
    StretchNearest(target, targetRect, maskImage, sourceRect);
    return;
  }
  if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.IsEmpty() || sourceRect.Right > maskImage.Width ||
      sourceRect.Bottom > maskImage.Height)
    return;
  const TsRect r = ClipRect(targetRect, target.Width, target.Height);
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
  const TStretchedPart part =
      StretchPart(maskImage, sourceRect, alphaOffset, targetRect.Width(), targetRect.Height(), bothDirections);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* t = target.Row(y);
    const Cardinal* s = part.ImageView.Row(y - targetRect.Top) - targetRect.Left;
    const Cardinal* m = part.WeightView.Row(y - targetRect.Top) - targetRect.Left;
    for (Integer x = r.Left; x < r.Right; ++x) t[x] = ComposeOver(t[x], s[x], Red(m[x]));
  }
}

TsBorderWidths FitBorders(const TsMaskData& mask, Integer width, Integer height) {
  auto fit = [](Integer& first, Integer& second, Integer size) {
    const Int64 excess = Int64{first} + second - size;
    if (excess <= 0) return;
    first = static_cast<Integer>(std::max<Int64>(first - excess / 2, 0));
    second = static_cast<Integer>(std::max<Int64>(second - excess / 2 - excess % 2, 0));
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
  TsRect Source;
  TsRect Target;
  TPartKind Kind;
};

// The parts in painting order: top-left corner, left side, top side, bottom-left corner, bottom side,
// bottom-right corner, top-right corner, right side, centre. Sides and centre come from between the
// mask's borders; corners at the fitted sizes from the state image's corners.
std::vector<TMaskPart> NineParts(const TsMaskData& mask, const TsRect& rect, Integer state, bool& middleValid) {
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
void Tile(const TsRect& source, const TsRect& area, bool cutTileAlways, Copy copy) {
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

bool MaskPaintable(const TsMaskData& mask, const TsPixelView& target, const TsPixelView& image, const TsRect& rect,
                   Integer state) {
  if (target.IsEmpty() || image.IsEmpty()) return false;
  if ((mask.DrawFlags & mdSkipNormalState) != 0 && state == 0) return false;
  return rect.Width() >= 2 && rect.Height() >= 2;
}

}  // namespace

void PaintSectionBorderMask(const TsPixelView& target, const TsRect& rect, const TsBgPixels& background,
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
    } else {
      Tile(p.Source, p.Target, !alphaHalf, [&](const TsRect& t, const TsRect& s) {
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
void StretchMaskPart(const TsPixelView& target, const TsRect& targetRect, const TsRect& sourceRect,
                     const TsPixelView& image, Integer offset, bool bothDirections) {
  if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.IsEmpty() || sourceRect.Right > image.Width ||
      Int64{sourceRect.Bottom} + offset > image.Height)
    return;
  const TsRect r = ClipRect(targetRect, target.Width, target.Height);
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
  const TStretchedPart part =
      StretchPart(image, sourceRect, offset, targetRect.Width(), targetRect.Height(), bothDirections);
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    Cardinal* t = target.Row(y);
    const Cardinal* s = part.ImageView.Row(y - targetRect.Top) - targetRect.Left;
    const Cardinal* m = part.WeightView.Row(y - targetRect.Top) - targetRect.Left;
    for (Integer x = r.Left; x < r.Right; ++x) t[x] = MixByWeights(t[x], s[x], m[x], 0xFF000000u);
  }
}

}  // namespace

void PaintMaskImage(const TsPixelView& target, const TsRect& rect, Integer state, const TsMaskData& mask,
                    const TsPixelView& maskImage, const TsBgPixels& background) {
  if (!MaskPaintable(mask, target, maskImage, rect, state)) return;
  bool middleValid = true;
  const auto parts = NineParts(mask, rect, state, middleValid);
  const bool stretch = (mask.DrawFlags & mdStretch) != 0;
  const bool alphaHalf = mask.MaskType > 0;
  const Integer offset = MaskStateHeight(mask);
  auto copy = [&](const TsRect& t, const TsRect& s) {
    if (alphaHalf) {
      const TsRect sr = CutToSize(s, t);
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

void CopyGlyphWithAlphaHalf(const TsPixelView& target, const TsRect& targetRect, const TsRect& sourceRect,
                            const TsMaskData& mask, Integer blendMode, const TsPixelView& source) {
  if (target.IsEmpty() || source.IsEmpty()) return;
  if (mask.MaskType <= 0) {
    BlendGlyphRect(target, source, targetRect.Left, targetRect.Top, clKeyColor,
                   TsRect{sourceRect.Left, sourceRect.Top, sourceRect.Right - 1, sourceRect.Bottom - 1});
    return;
  }
  const Integer stateH = sourceRect.Height() / (mask.MaskType + 1);
  const TsRect sr = CutToSize({sourceRect.Left, sourceRect.Top, sourceRect.Right, sourceRect.Top + stateH}, targetRect);
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
  const TsRect source = RectOf(sx, mask.R.Top, stateW, MaskStateHeight(mask));
  if (blendMode == 1) {
    CopyMaskPart(target, RectOf(x, y, stateW, source.Height()), source, background, maskImage);
  } else {
    BlendBitmapRectKeyed(target, x, y, kKeyPixel, 0.5, TsRect{source.Left, source.Top, source.Right - 1, source.Bottom - 1},
                         maskImage);
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
