#include "skin/forms/sPixelRoutines.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include "vcl/rtl/Exceptions.h"

namespace {

int Channel(Cardinal pixel, int c) { return static_cast<int>((pixel >> (8 * c)) & 0xFF); }

Cardinal ColorChannelsAsPixel(Integer color) {
  const auto c = static_cast<Cardinal>(color);
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}


Integer Clamp64(Int64 v) { return static_cast<Integer>(std::clamp<Int64>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

TsCopyArea ClipCopyArea(Integer targetX, Integer targetY, const TRect& sourceRect, Integer targetWidth,
                        Integer targetHeight, Integer sourceWidth, Integer sourceHeight) {
  Int64 tx = targetX, ty = targetY, sx = sourceRect.Left, sy = sourceRect.Top;
  Int64 w = Int64{sourceRect.Right} - sourceRect.Left, h = Int64{sourceRect.Bottom} - sourceRect.Top;
  auto shift = [](Int64& own, Int64& other, Int64& size) {
    if (own < 0) {
      other -= own;
      size += own;
      own = 0;
    }
  };
  shift(sx, tx, w);
  shift(sy, ty, h);
  shift(tx, sx, w);
  shift(ty, sy, h);
  w = std::min({w, Int64{sourceWidth} - sx, Int64{targetWidth} - tx});
  h = std::min({h, Int64{sourceHeight} - sy, Int64{targetHeight} - ty});
  if (w <= 0 || h <= 0) return {};
  return {Clamp64(tx), Clamp64(ty), Clamp64(sx), Clamp64(sy), Clamp64(w), Clamp64(h)};
}

TRect ClipRect(const TRect& rect, Integer width, Integer height) {
  return TRect{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, width),
                std::min(rect.Bottom, height)};
}

Integer BlendColors(Integer a, Integer b, double f) {
  const auto ua = static_cast<Cardinal>(a), ub = static_cast<Cardinal>(b);
  Cardinal out = ua & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const double v = f * Channel(ua, c) + (1 - f) * Channel(ub, c);
    out |= static_cast<Cardinal>(std::clamp(std::lrint(v), 0L, 255L)) << (8 * c);
  }
  return static_cast<Integer>(out);
}

void BlendBitmapRect(const TsPixelView& dest, const TsPixelView& source, Integer factor, Integer destX,
                     Integer destY, const TRect& sourceRect) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  const TsCopyArea a = ClipCopyArea(destX, destY, sourceRect, dest.Width, dest.Height, source.Width, source.Height);
  const Cardinal m = static_cast<Cardinal>(std::clamp(factor, 0, 255)) * 0x010101u;
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = dest.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) d[x] = (d[x] & 0xFF000000u) | MixChannels(d[x], s[x], m);
  }
}

void BlendBitmapRectKeyed(const TsPixelView& dest, Integer x, Integer y, Cardinal key, double factor,
                          const TRect& inclusiveSourceRect, const TsPixelView& source) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TRect r = inclusiveSourceRect;
  r.Right = Clamp64(Int64{r.Right} + 1);
  r.Bottom = Clamp64(Int64{r.Bottom} + 1);
  const TsCopyArea a = ClipCopyArea(x, y, r, dest.Width, dest.Height, source.Width, source.Height);
  for (Integer row = 0; row < a.Height; ++row) {
    Cardinal* d = dest.Row(a.TargetY + row) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + row) + a.SourceX;
    for (Integer col = 0; col < a.Width; ++col) {
      if (s[col] == key) continue;
      Cardinal out = d[col] & 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const int sc = Channel(s[col], c);
        out |= static_cast<Cardinal>(std::lrint(sc + factor * (Channel(d[col], c) - sc))) << (8 * c);
      }
      d[col] = out;
    }
  }
}

void MixBitmapWithColor(const TsPixelView& bitmap, Integer color, double factor) {
  if (bitmap.IsEmpty()) return;
  const Cardinal cp = ColorChannelsAsPixel(color);
  // One table per channel: the loop then only looks values up.
  Byte table[3][256];
  for (int c = 0; c < 3; ++c) {
    const int cc = Channel(cp, c);
    for (int v = 0; v < 256; ++v) table[c][v] = static_cast<Byte>(std::lrint(cc + factor * (v - cc)));
  }
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x) {
      if (p[x] == kKeyPixel) continue;
      p[x] = (p[x] & 0xFF000000u) | Cardinal{table[2][Channel(p[x], 2)]} << 16 |
             Cardinal{table[1][Channel(p[x], 1)]} << 8 | table[0][Channel(p[x], 0)];
    }
  }
}

void GrayscaleBitmap(const TsPixelView& bitmap) {
  if (bitmap.IsEmpty()) return;
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* p = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x) {
      const auto g = static_cast<Cardinal>((Channel(p[x], 0) + Channel(p[x], 1) + Channel(p[x], 2)) / 3);
      p[x] = (p[x] & 0xFF000000u) | g << 16 | g << 8 | g;
    }
  }
}

void CopyMaskRectPixels(const TsPixelView& dest, Integer destX, Integer destY, const TRect& sourceRect,
                        Integer alphaOffset, bool keyFromBackground, const TsBgPixels& background,
                        const TsPixelView& source) {
  if (dest.IsEmpty() || source.IsEmpty() || alphaOffset < 0) return;
  // The weight rows must lie inside the source too.
  const TsCopyArea a = ClipCopyArea(destX, destY, sourceRect, dest.Width, dest.Height, source.Width,
                                    Clamp64(Int64{source.Height} - alphaOffset));
  const bool hasBitmap = background.HasBitmap();
  const Cardinal opaque = hasBitmap ? 0xFF000000u : 0;
  const Cardinal bgColor = ColorChannelsAsPixel(background.Color);
  for (Integer y = 0; y < a.Height; ++y) {
    const Integer ty = a.TargetY + y;
    Cardinal* d = dest.Row(ty) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    const Cardinal* m = source.Row(a.SourceY + alphaOffset + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if (s[x] == kKeyPixel && (keyFromBackground || !hasBitmap)) {
        if (!keyFromBackground) continue;
        if (!hasBitmap) {
          d[x] = bgColor;
          continue;
        }
        const Int64 bx = Int64{a.TargetX} + x + background.OffsetX, by = Int64{ty} + background.OffsetY;
        if (bx >= 0 && by >= 0 && bx < background.Bitmap.Width && by < background.Bitmap.Height)
          d[x] = background.Bitmap.At(static_cast<Integer>(bx), static_cast<Integer>(by)) | 0xFF000000u;
        continue;
      }
      d[x] = ((d[x] | opaque) & 0xFF000000u) | MixChannels(d[x], s[x], m[x]);
    }
  }
}

void BlendGlyphRect(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer y, Integer keyColor,
                    const TRect& inclusiveSourceRect) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TRect r = inclusiveSourceRect;
  r.Right = Clamp64(Int64{r.Right} + 1);
  r.Bottom = Clamp64(Int64{r.Bottom} + 1);
  const TsCopyArea a = ClipCopyArea(x, y, r, dest.Width, dest.Height, source.Width, source.Height);
  const Cardinal key = ColorChannelsAsPixel(keyColor) | (static_cast<Cardinal>(keyColor) & 0xFF000000u);
  for (Integer row = 0; row < a.Height; ++row) {
    Cardinal* d = dest.Row(a.TargetY + row) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + row) + a.SourceX;
    for (Integer col = 0; col < a.Width; ++col)
      if (s[col] != key) d[col] = s[col];
  }
}

void StretchNearest(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                    const TRect& sourceRect) {
  StretchNearestWithin(target, targetRect, source, sourceRect, TRect{0, 0, target.Width, target.Height});
}

void StretchNearestWithin(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                          const TRect& sourceRect, const TRect& within) {
  const Integer tw = targetRect.Width(), th = targetRect.Height();
  const Integer sw = sourceRect.Width(), sh = sourceRect.Height();
  if (target.IsEmpty() || source.IsEmpty() || tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return;
  TRect clip = ClipRect(targetRect, target.Width, target.Height);
  clip = TRect{std::max(clip.Left, within.Left), std::max(clip.Top, within.Top), std::min(clip.Right, within.Right),
               std::min(clip.Bottom, within.Bottom)};
  if (clip.Left >= clip.Right || clip.Top >= clip.Bottom) return;
  std::vector<Integer> columns(static_cast<size_t>(clip.Width()));
  for (Integer x = clip.Left; x < clip.Right; ++x)
    columns[static_cast<size_t>(x - clip.Left)] =
        static_cast<Integer>(std::clamp<Int64>(sourceRect.Left + Int64{x - targetRect.Left} * sw / tw, -1, source.Width));
  for (Integer y = clip.Top; y < clip.Bottom; ++y) {
    const Int64 sy = sourceRect.Top + Int64{y - targetRect.Top} * sh / th;
    if (sy < 0 || sy >= source.Height) continue;
    const Cardinal* s = source.Row(static_cast<Integer>(sy));
    Cardinal* d = target.Row(y);
    for (Integer x = clip.Left; x < clip.Right; ++x) {
      const Integer sx = columns[static_cast<size_t>(x - clip.Left)];
      if (sx >= 0 && sx < source.Width) d[x] = s[sx];
    }
  }
}

void StretchBordered(const TsPixelView& target, const TRect& targetRect, const TsPixelView& source,
                     const TRect& sourceRect, const TRect& borders, const TRect& within) {
  if (target.IsEmpty() || source.IsEmpty()) return;
  // Three columns and three rows on each side: the borders keep their size, the middle stretches.
  const Integer dx[4] = {targetRect.Left, targetRect.Left + borders.Left, targetRect.Right - borders.Right, targetRect.Right};
  const Integer dy[4] = {targetRect.Top, targetRect.Top + borders.Top, targetRect.Bottom - borders.Bottom, targetRect.Bottom};
  const Integer sx[4] = {sourceRect.Left, sourceRect.Left + borders.Left, sourceRect.Right - borders.Right,
                         sourceRect.Right};
  const Integer sy[4] = {sourceRect.Top, sourceRect.Top + borders.Top, sourceRect.Bottom - borders.Bottom,
                         sourceRect.Bottom};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      StretchNearestWithin(target, TRect{dx[col], dy[row], dx[col + 1], dy[row + 1]}, source,
                           TRect{sx[col], sy[row], sx[col + 1], sy[row + 1]}, within);
}

namespace {

// Opaque tiles of imageRect over area from its top-left corner, the last row and column cut.
void TileOpaque(const TsPixelView& target, const TRect& area, const TsPixelView& image, const TRect& imageRect) {
  const Integer tw = imageRect.Width(), th = imageRect.Height();
  if (tw <= 0 || th <= 0 || area.IsEmpty()) return;
  for (Int64 y = area.Top; y < area.Bottom; y += th)
    for (Int64 x = area.Left; x < area.Right; x += tw) {
      const TRect tile{imageRect.Left, imageRect.Top,
                         imageRect.Left + static_cast<Integer>(std::min<Int64>(tw, area.Right - x)),
                         imageRect.Top + static_cast<Integer>(std::min<Int64>(th, area.Bottom - y))};
      const TsCopyArea a = ClipCopyArea(static_cast<Integer>(x), static_cast<Integer>(y), tile, target.Width,
                                        target.Height, image.Width, image.Height);
      for (Integer row = 0; row < a.Height; ++row)
        std::copy_n(image.Row(a.SourceY + row) + a.SourceX, a.Width, target.Row(a.TargetY + row) + a.TargetX);
    }
}

}  // namespace

TRect DrawMaskOnCanvas(const TsPixelView& target, const TRect& rect, const TsPixelView& image,
                        const TRect& imageRect, Integer mode) {
  const TRect none{0, 0, -1, 0};
  if (target.IsEmpty() || image.IsEmpty() || rect.IsEmpty() || imageRect.IsEmpty()) return rect;
  const Integer w = imageRect.Width(), h = imageRect.Height();
  const TRect& r = rect;
  // The band or column the mode covers, and what it leaves.
  TRect band = r, left = none;
  switch (mode) {
    case tmTile:
    case tmTileWhole:
    case tmStretch:
      break;
    case tmTileTop:
    case tmStretchTop:
      band.Bottom = std::min(r.Bottom, r.Top + h);
      left = TRect{r.Left, band.Bottom, r.Right, r.Bottom};
      break;
    case tmTileLeft:
    case tmStretchLeft:
      band.Right = std::min(r.Right, r.Left + w);
      left = TRect{band.Right, r.Top, r.Right, r.Bottom};
      break;
    case tmTileBottom:
      band.Top = std::max(r.Top, r.Bottom - h);
      left = TRect{r.Left, r.Top, r.Right, band.Top};
      break;
    case tmTileRight:
      band.Left = std::max(r.Left, r.Right - w);
      left = TRect{r.Left, r.Top, band.Left, r.Bottom};
      break;
    default:
      return rect;
  }
  if (mode == tmStretch || mode == tmStretchTop || mode == tmStretchLeft) {
    StretchNearest(target, band, image, imageRect);
  } else {
    TileOpaque(target, band, image, imageRect);
  }
  return left.IsEmpty() ? none : left;
}

namespace {

Cardinal Tinted(Cardinal s, Cardinal tint) {
  Cardinal out = s & 0xFF000000u;
  for (int c = 0; c < 3; ++c)
    out |= static_cast<Cardinal>(Channel(s, c) * Channel(tint, c) / 255) << (8 * c);
  return out;
}

// d + floor((s - d) * a / 256) per colour channel; alpha max(dA, a).
inline Cardinal AlphaOver(Cardinal d, Cardinal s, int a) {
  Cardinal out = std::max(d >> 24, static_cast<Cardinal>(a)) << 24;
  for (int c = 0; c < 3; ++c) {
    const int dc = Channel(d, c);
    out |= static_cast<Cardinal>(dc + (((Channel(s, c) - dc) * a) >> 8)) << (8 * c);
  }
  return out;
}

}  // namespace

void BlendBitmapWithAlpha(const TsPixelView& dest, const TRect& destRect, const TRect& sourceRect,
                          const TsPixelView& source, const TsAlphaBlendOptions& options) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TRect sr = sourceRect;
  sr.Right = std::min(sr.Right, Clamp64(Int64{sr.Left} + destRect.Width()));
  sr.Bottom = std::min(sr.Bottom, Clamp64(Int64{sr.Top} + destRect.Height()));
  const TsCopyArea a = ClipCopyArea(destRect.Left, destRect.Top, sr, dest.Width, dest.Height, source.Width,
                                    source.Height);
  if (a.IsEmpty()) return;
  const bool tinted = options.Tint != kNoTint;
  const int constant = std::clamp(options.Transparency, 0, 255);
  const TsBgPixels& bg = options.Background;
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = dest.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      Cardinal sp = s[x];
      if (constant != 0 && sp == kKeyPixel) {
        if (!options.KeyFromBackground || !bg.HasBitmap()) continue;
        const Int64 bx = Int64{a.TargetX} + x + bg.OffsetX, by = Int64{a.TargetY} + y + bg.OffsetY;
        if (bx >= 0 && by >= 0 && bx < bg.Bitmap.Width && by < bg.Bitmap.Height)
          d[x] = bg.Bitmap.At(static_cast<Integer>(bx), static_cast<Integer>(by));
        continue;
      }
      if (tinted) sp = Tinted(sp, options.Tint);
      d[x] = AlphaOver(d[x], sp, constant != 0 ? constant : static_cast<int>(sp >> 24));
    }
  }
  if (!options.Reflection) return;
  // The mirror image: at most half the source's height, and only what fits below the target rect.
  const Integer half = a.Height / 2;
  const Integer rows = std::min<Int64>(half, Int64{dest.Height} - (a.TargetY + a.Height));
  for (Integer k = 0; k < rows; ++k) {
    const int weight = 255 - static_cast<int>(Int64{255} * k / half);
    Cardinal* d = dest.Row(a.TargetY + a.Height + k) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + a.Height - 1 - k) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if (s[x] == kKeyPixel) continue;
      const Cardinal sp = tinted ? Tinted(s[x], options.Tint) : s[x];
      const int sA = constant != 0 ? constant : static_cast<int>(sp >> 24);
      const int w = constant != 0 ? weight * constant * static_cast<int>(sp >> 24) / 300 / 255
                                  : weight * sA / 3 / 255;
      d[x] = AlphaOver(d[x], sp, w);
    }
  }
}

namespace {

constexpr double kPi = 3.14159265358979323846;

double FilterRadius(Integer filter) {
  switch (filter) {
    case sfBox: return 0.51;
    case sfBell: return 1.5;
    case sfSpline: return 2.0;
    case sfLanczos: return 3.0;
    case sfMitchell: return 2.0;
    default: return 1.0;
  }
}

// The filter's weight at distance x >= 0 (signed: the distance with its sign, for the box's edge).
double FilterWeight(Integer filter, double x, double signedX) {
  switch (filter) {
    case sfBox:
      return x <= 0.5 && signedX != -0.5 ? 1 : 0;
    case sfHermite:
      return x < 1 ? x * x * (2 * x - 3) + 1 : 0;
    case sfBell:
      if (x < 0.5) return 0.75 - x * x;
      return x < 1.5 ? (x - 1.5) * (x - 1.5) / 2 : 0;
    case sfSpline:
      if (x < 1) return x * x * (x / 2 - 1) + 2.0 / 3;
      return x < 2 ? (2 - x) * (2 - x) * (2 - x) / 6 : 0;
    case sfLanczos:
      if (x == 0) return 1;
      return x < 3 ? std::sin(kPi * x) * std::sin(x) / (kPi * x * x) : 0;
    case sfMitchell: {
      const double x2 = x * x, x3 = x2 * x;
      if (x < 1) return 7.0 / 6 * x3 - 2 * x2 + 8.0 / 9;
      return x < 2 ? -7.0 / 18 * x3 + 2 * x2 - 10.0 / 3 * x + 16.0 / 9 : 0;
    }
    default:
      return x < 1 ? 1 - x : 0;
  }
}

}  // namespace

// For every output position of a line, the input positions that feed it and their 16.16 weights,
// flat: the taps of position i are First[i] .. First[i + 1] - 1.
struct TWeightTable {
  std::vector<Integer> First;
  std::vector<Integer> Index;
  std::vector<Integer> Weight;
  Int64 MaxAbsSum = 0;  // the largest sum of |weight| over one position's taps
};

namespace {

TWeightTable Contributors(Integer inSize, Integer outSize, Integer filter) {
  const double radius = FilterRadius(filter);
  const double scale = outSize < inSize ? static_cast<double>(outSize) / inSize : 1.0;
  const double support = radius / scale;
  TWeightTable table;
  table.First.reserve(static_cast<size_t>(outSize) + 1);
  for (Integer i = 0; i < outSize; ++i) {
    table.First.push_back(static_cast<Integer>(table.Index.size()));
    const double centre = static_cast<double>(i) * inSize / outSize;
    const auto first = static_cast<Int64>(std::floor(centre - support));
    const auto last = static_cast<Int64>(std::ceil(centre + support));
    Int64 absSum = 0;
    for (Int64 j = first; j <= last; ++j) {
      const double signedX = (centre - static_cast<double>(j)) * scale;
      const double x = std::fabs(signedX);
      if (x >= radius) continue;
      const auto weight = static_cast<Integer>(std::lrint(FilterWeight(filter, x, signedX) * scale * 65536));
      Int64 index = j < 0 ? -j : j >= inSize ? 2 * Int64{inSize} - 1 - j : j;
      index = std::clamp<Int64>(index, 0, inSize - 1);  // mirrors past a short line's far edge
      table.Index.push_back(static_cast<Integer>(index));
      table.Weight.push_back(weight);
      absSum += weight < 0 ? -Int64{weight} : weight;
    }
    table.MaxAbsSum = std::max(table.MaxAbsSum, absSum);
  }
  table.First.push_back(static_cast<Integer>(table.Index.size()));
  return table;
}

// Sums of weight x byte stay below 2^31 when the weights' absolute sum times 255 does: then 32-bit
// accumulators, which vectorise, give the same sums as 64-bit ones.
bool FitsInt32(const TWeightTable& table) { return table.MaxAbsSum * 255 < (Int64{1} << 31); }

template <class Acc>
void ResampleLine(const TWeightTable& table, const Cardinal* line, Cardinal* out, Integer outSize) {
  for (Integer i = 0; i < outSize; ++i) {
    Acc sum[4] = {};
    for (Integer t = table.First[static_cast<size_t>(i)]; t < table.First[static_cast<size_t>(i) + 1]; ++t) {
      const Cardinal p = line[table.Index[static_cast<size_t>(t)]];
      const Acc w = table.Weight[static_cast<size_t>(t)];
      for (int ch = 0; ch < 4; ++ch) sum[ch] += w * static_cast<Acc>(Channel(p, ch));
    }
    Cardinal v = 0;
    for (int ch = 0; ch < 4; ++ch) v |= static_cast<Cardinal>(std::clamp<Acc>(sum[ch] >> 16, 0, 255)) << (8 * ch);
    out[i] = v;
  }
}

// out = clamp((sum of weight x row byte) >> 16) over every byte of the rows: the vertical pass, one
// output row from a few input rows, lane by lane in 32 bits (the caller checked that the sums fit).
template <int N>
[[gnu::always_inline]] inline void WeighFixedRows(const Byte* const* rows, const Integer* weights, size_t bytes,
                                                  Byte* __restrict out) {
  // Local copies: the output bytes could otherwise alias the row pointers and weights.
  const Byte* __restrict r[N];
  Integer w[N];
  for (int k = 0; k < N; ++k) r[k] = rows[k], w[k] = weights[k];
  for (size_t i = 0; i < bytes; ++i) {
    Integer sum = 0;
    for (int k = 0; k < N; ++k) sum += w[k] * r[k][i];
    out[i] = static_cast<Byte>(std::clamp(sum >> 16, 0, 255));
  }
}

[[gnu::always_inline]] inline void WeighRowsBody(const Byte* const* rows, const Integer* weights, Integer count,
                                                 size_t bytes, Integer* acc, Byte* out) {
  // The usual tap counts in one pass each; more taps (reductions) sum through the accumulators.
  switch (count) {
    case 1: return WeighFixedRows<1>(rows, weights, bytes, out);
    case 2: return WeighFixedRows<2>(rows, weights, bytes, out);
    case 3: return WeighFixedRows<3>(rows, weights, bytes, out);
    case 4: return WeighFixedRows<4>(rows, weights, bytes, out);
    case 5: return WeighFixedRows<5>(rows, weights, bytes, out);
    case 6: return WeighFixedRows<6>(rows, weights, bytes, out);
    default: break;
  }
  const Byte* r0 = rows[0];
  const Integer w0 = weights[0];
  for (size_t i = 0; i < bytes; ++i) acc[i] = w0 * r0[i];
  for (Integer k = 1; k < count; ++k) {
    const Byte* r = rows[k];
    const Integer w = weights[k];
    for (size_t i = 0; i < bytes; ++i) acc[i] += w * r[i];
  }
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<Byte>(std::clamp(acc[i] >> 16, 0, 255));
}

void WeighRowsPlain(const Byte* const* rows, const Integer* weights, Integer count, size_t bytes, Integer* acc,
                    Byte* out) {
  WeighRowsBody(rows, weights, count, bytes, acc, out);
}

QN_WIDE_VECTORS void WeighRowsWide(const Byte* const* rows, const Integer* weights, Integer count, size_t bytes,
                                   Integer* acc, Byte* out) {
  WeighRowsBody(rows, weights, count, bytes, acc, out);
}

void WeighRows(const Byte* const* rows, const Integer* weights, Integer count, size_t bytes, Integer* acc, Byte* out) {
  (HasWideVectors() ? WeighRowsWide : WeighRowsPlain)(rows, weights, count, bytes, acc, out);
}

}  // namespace

TsRowResampler::TsRowResampler(const TsPixelView& source, Integer width, Integer height, Integer filter)
    : source_(source), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  if (source.Width <= 1 || source.Height <= 1 || source.Bits == nullptr) throw Exception("Source bitmap is too small");
  across_ = std::make_unique<TWeightTable>(Contributors(source.Width, width_, filter));
  down_ = std::make_unique<TWeightTable>(Contributors(source.Height, height_, filter));
  work_.resize(static_cast<size_t>(width_) * static_cast<size_t>(source.Height));
  workDone_.assign(static_cast<size_t>(source.Height), false);
  row_.resize(static_cast<size_t>(width_));
  // Runs of equal source rows give equal horizontal results: an output row whose taps all fall in
  // one run is that row times the weights' sum.
  runOf_.resize(static_cast<size_t>(source.Height));
  Integer run = 0;
  for (Integer y = 0; y < source.Height; ++y) {
    if (y > 0 && !std::equal(source.Row(y), source.Row(y) + source.Width, source.Row(y - 1))) ++run;
    runOf_[static_cast<size_t>(y)] = run;
  }
}

TsRowResampler::~TsRowResampler() = default;

const Cardinal* TsRowResampler::WorkRow(Integer y) {
  Cardinal* out = &work_[static_cast<size_t>(y) * static_cast<size_t>(width_)];
  if (!workDone_[static_cast<size_t>(y)]) {
    if (FitsInt32(*across_)) {
      ResampleLine<Integer>(*across_, source_.Row(y), out, width_);
    } else {
      ResampleLine<Int64>(*across_, source_.Row(y), out, width_);
    }
    workDone_[static_cast<size_t>(y)] = true;
  }
  return out;
}

const Cardinal* TsRowResampler::Row(Integer y) {
  const size_t first = static_cast<size_t>(down_->First[static_cast<size_t>(y)]);
  const size_t last = static_cast<size_t>(down_->First[static_cast<size_t>(y) + 1]);
  const Byte* rows[64];
  Integer weights[64];
  Integer count = 0;
  bool oneRun = true;
  Int64 weightSum = 0;
  for (size_t t = first; t < last; ++t) {
    oneRun = oneRun && runOf_[static_cast<size_t>(down_->Index[t])] == runOf_[static_cast<size_t>(down_->Index[first])];
    weightSum += down_->Weight[t];
  }
  const size_t bytes = static_cast<size_t>(width_) * 4;
  if (first == last) {
    std::fill(row_.begin(), row_.end(), 0u);
    return row_.data();
  }
  if (oneRun) {
    const Cardinal* only = WorkRow(down_->Index[first]);
    if (weightSum == 65536) return only;  // the row itself: v * 65536 >> 16 = v
    if ((weightSum < 0 ? -weightSum : weightSum) * 255 < (Int64{1} << 31)) {
      rows[0] = reinterpret_cast<const Byte*>(only);
      weights[0] = static_cast<Integer>(weightSum);
      count = 1;
    }
  } else if (last - first <= 64 && FitsInt32(*down_)) {
    for (size_t t = first; t < last; ++t, ++count) {
      rows[count] = reinterpret_cast<const Byte*>(WorkRow(down_->Index[t]));
      weights[count] = down_->Weight[t];
    }
  }
  if (count > 0) {
    acc32_.resize(bytes);
    WeighRows(rows, weights, count, bytes, acc32_.data(), reinterpret_cast<Byte*>(row_.data()));
    return row_.data();
  }
  // Many taps (a strong reduction) or sums past 32 bits: one pixel at a time in 64 bits.
  for (Integer x = 0; x < width_; ++x) {
    Int64 sum[4] = {};
    for (size_t t = first; t < last; ++t) {
      const Cardinal p = WorkRow(down_->Index[t])[x];
      for (int ch = 0; ch < 4; ++ch) sum[ch] += Int64{down_->Weight[t]} * Channel(p, ch);
    }
    Cardinal v = 0;
    for (int ch = 0; ch < 4; ++ch) v |= static_cast<Cardinal>(std::clamp<Int64>(sum[ch] >> 16, 0, 255)) << (8 * ch);
    row_[static_cast<size_t>(x)] = v;
  }
  return row_.data();
}

void StretchBitmap(const TsPixelView& source, const TsPixelView& dest, Integer filter) {
  if (source.Width <= 1 || source.Height <= 1 || source.Bits == nullptr) throw Exception("Source bitmap is too small");
  if (dest.IsEmpty()) return;
  if (source.Width == dest.Width && source.Height == dest.Height) {
    if (source.Bits == dest.Bits) return;
    for (Integer y = 0; y < dest.Height; ++y) std::copy_n(source.Row(y), dest.Width, dest.Row(y));
    return;
  }
  TsRowResampler rows(source, dest.Width, dest.Height, filter);
  for (Integer y = 0; y < dest.Height; ++y) std::copy_n(rows.Row(y), dest.Width, dest.Row(y));
}

namespace {

bool SameSize(const TsPixelView& a, const TsPixelView& b) { return a.Width == b.Width && a.Height == b.Height; }

}  // namespace

void MixBitmapWithColorByMask(const TsPixelView& bitmap, const TsPixelView& mask, Integer color) {
  if (bitmap.IsEmpty() || mask.IsEmpty() || !SameSize(bitmap, mask)) return;
  const Cardinal c = ColorChannelsAsPixel(color);
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* p = bitmap.Row(y);
    const Cardinal* m = mask.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x)
      if (p[x] != kKeyPixel) p[x] = (p[x] & 0xFF000000u) | MixChannels(p[x], c, m[x]);
  }
}

void MixTwoBitmaps(const TsPixelView& dest, const TsPixelView& a, const TsPixelView& b, Integer factor,
                   const TsPixelView* mask) {
  if (dest.IsEmpty() || a.IsEmpty() || !SameSize(a, b)) return;
  if (mask != nullptr && !SameSize(a, *mask)) return;
  const Cardinal constant = static_cast<Cardinal>(std::clamp(factor, 0, 255)) * 0x010101u;
  const Integer w = std::min(dest.Width, a.Width), h = std::min(dest.Height, a.Height);
  for (Integer y = 0; y < h; ++y) {
    Cardinal* d = dest.Row(y);
    const Cardinal* pa = a.Row(y);
    const Cardinal* pb = b.Row(y);
    const Cardinal* m = mask != nullptr ? mask->Row(y) : nullptr;
    for (Integer x = 0; x < w; ++x)
      d[x] = (d[x] & 0xFF000000u) | MixChannels(pa[x], pb[x], m != nullptr ? m[x] : constant);
  }
}

void CopyByteChannel(const TsPixelView& bitmap, const TsByteView& bytes, Integer channel, bool toBytes) {
  if (bitmap.IsEmpty() || bytes.IsEmpty() || channel < 0 || channel > 3) return;
  const int shift = 8 * channel;
  const Integer w = std::min(bitmap.Width, bytes.Width), h = std::min(bitmap.Height, bytes.Height);
  for (Integer y = 0; y < h; ++y) {
    Cardinal* p = bitmap.Row(y);
    Byte* b = bytes.Row(y);
    for (Integer x = 0; x < w; ++x) {
      if (toBytes) {
        b[x] = static_cast<Byte>(p[x] >> shift);
      } else {
        p[x] = (p[x] & ~(0xFFu << shift)) | Cardinal{b[x]} << shift;
      }
    }
  }
}

void PutBitmapAt(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer keyColor, Integer y) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  const TsCopyArea a =
      ClipCopyArea(x, y, TRect{0, 0, source.Width, source.Height}, dest.Width, dest.Height, source.Width, source.Height);
  const Cardinal key = ColorChannelsAsPixel(keyColor);
  for (Integer row = 0; row < a.Height; ++row) {
    Cardinal* d = dest.Row(a.TargetY + row) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + row) + a.SourceX;
    for (Integer col = 0; col < a.Width; ++col)
      if ((s[col] & 0x00FFFFFFu) != key) d[col] = s[col] | 0xFF000000u;
  }
}

void CopyBitmapRectTrans(const TsPixelView& dest, const TRect& destRect, const TRect& sourceRect,
                         const TsPixelView& source, bool keyFromBackground, const TsBgPixels& background) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TRect r = sourceRect;
  r.Right = static_cast<Integer>(std::min<Int64>(r.Right, Int64{r.Left} + destRect.Width()));
  r.Bottom = static_cast<Integer>(std::min<Int64>(r.Bottom, Int64{r.Top} + destRect.Height()));
  const TsCopyArea a =
      ClipCopyArea(destRect.Left, destRect.Top, r, dest.Width, dest.Height, source.Width, source.Height);
  const bool hasBitmap = background.HasBitmap();
  for (Integer row = 0; row < a.Height; ++row) {
    const Integer ty = a.TargetY + row;
    Cardinal* d = dest.Row(ty) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + row) + a.SourceX;
    for (Integer col = 0; col < a.Width; ++col) {
      if (hasBitmap && s[col] == kKeyPixel) {
        if (!keyFromBackground) continue;
        const Int64 bx = Int64{a.TargetX} + col + background.OffsetX, by = Int64{ty} + background.OffsetY;
        if (bx >= 0 && by >= 0 && bx < background.Bitmap.Width && by < background.Bitmap.Height)
          d[col] = background.Bitmap.At(static_cast<Integer>(bx), static_cast<Integer>(by)) | 0xFF000000u;
        continue;
      }
      d[col] = (d[col] & 0xFF000000u) | MixChannels(s[col], d[col], (s[col] >> 24) * 0x010101u);
    }
  }
}

void BlurGray8(const TsByteView& bitmap, Integer radius) {
  if (bitmap.IsEmpty() || radius <= 0) return;
  constexpr int kHalf = 100;
  double weights[2 * kHalf + 1];
  double sum = 0;
  for (int k = -kHalf; k <= kHalf; ++k) {
    const double t = static_cast<double>(k) / radius;
    sum += weights[k + kHalf] = std::exp(-t * t / 2);
  }
  for (double& w : weights) w /= sum;
  // Lower the half-width while what falls off both tails stays below half a grey level.
  int j = kHalf;
  double tails = 0;
  while (j > 1 && tails + 2 * weights[kHalf + j] < 1.0 / 510) {
    tails += 2 * weights[kHalf + j];
    --j;
  }
  std::vector<double> kernel(weights + kHalf - j, weights + kHalf + j + 1);
  sum = 0;
  for (double w : kernel) sum += w;
  for (double& w : kernel) w /= sum;

  // One line (a row or a column) of n bytes, `step` apart, through a line buffer.
  std::vector<Byte> line;
  auto blurLine = [&](Byte* first, Integer n, std::ptrdiff_t step) {
    line.resize(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) {
      double v = 0;
      for (int k = -j; k <= j; ++k) {
        const Integer at = std::clamp<Integer>(i + k, 0, n - 1);
        v += kernel[static_cast<size_t>(k + j)] * first[at * step];
      }
      line[static_cast<size_t>(i)] = static_cast<Byte>(std::clamp(std::lrint(v), 0L, 255L));
    }
    for (Integer i = 0; i < n; ++i) first[i * step] = line[static_cast<size_t>(i)];
  };
  for (Integer y = 0; y < bitmap.Height; ++y) blurLine(bitmap.Row(y), bitmap.Width, 1);
  for (Integer x = 0; x < bitmap.Width; ++x) blurLine(bitmap.Row(0) + x, bitmap.Height, bitmap.Stride);
}

void ApplyGlowMask(const TsPixelView& dest, const TsByteView& mask, Integer left, Integer top, Integer glowColor) {
  if (dest.IsEmpty() || mask.IsEmpty()) return;
  const Cardinal g = ColorChannelsAsPixel(glowColor);
  const TsCopyArea a =
      ClipCopyArea(left, top, TRect{0, 0, mask.Width, mask.Height}, dest.Width, dest.Height, mask.Width, mask.Height);
  for (Integer row = 0; row < a.Height; ++row) {
    Cardinal* d = dest.Row(a.TargetY + row) + a.TargetX;
    const Byte* m = mask.Row(a.SourceY + row) + a.SourceX;
    for (Integer col = 0; col < a.Width; ++col) {
      const int v = m[col];
      if (v == 255) continue;
      Cardinal out = 0;
      for (int c = 0; c < 3; ++c) {
        const int gc = Channel(g, c);
        out |= static_cast<Cardinal>(gc + v * (Channel(d[col], c) - gc) / 255) << (8 * c);
      }
      const int alpha = Channel(d[col], 3);
      d[col] = out | static_cast<Cardinal>(alpha + (255 - v) * (255 - alpha) / 255) << 24;
    }
  }
}

void CorrectShadowAlpha(const TsPixelView& bitmap) {
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* row = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x) {
      const Cardinal p = row[x];
      const int a = static_cast<int>(p >> 24);
      if (a == 255) continue;
      const int r = static_cast<int>(p >> 16 & 0xFF), g = static_cast<int>(p >> 8 & 0xFF), b = static_cast<int>(p & 0xFF);
      const int d = std::max({r, g, b}) - std::min({r, g, b});
      if (d == 0) continue;
      const double raised = std::round(a + (510.0 - 2.0 * a) / std::sqrt(255.0 / d));
      const Cardinal alpha = static_cast<Cardinal>(std::min(255.0, raised));
      row[x] = alpha << 24 | static_cast<Cardinal>(r - (r >> 4)) << 16 | static_cast<Cardinal>(g - (g >> 4)) << 8 |
               static_cast<Cardinal>(b - (b >> 4));
    }
  }
}
