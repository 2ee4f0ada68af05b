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

// s + floor(m * (d - s) / 256) on the three colour channels; alpha from `alpha`.
inline Cardinal WeighChannels(Cardinal d, Cardinal s, const int m[3], Cardinal alpha) {
  Cardinal out = alpha & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const int sc = Channel(s, c);
    out |= static_cast<Cardinal>(sc + ((m[c] * (Channel(d, c) - sc)) >> 8)) << (8 * c);
  }
  return out;
}

Integer Clamp64(Int64 v) { return static_cast<Integer>(std::clamp<Int64>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

TsCopyArea ClipCopyArea(Integer targetX, Integer targetY, const TsRect& sourceRect, Integer targetWidth,
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

TsRect ClipRect(const TsRect& rect, Integer width, Integer height) {
  return TsRect{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, width),
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
                     Integer destY, const TsRect& sourceRect) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  const TsCopyArea a = ClipCopyArea(destX, destY, sourceRect, dest.Width, dest.Height, source.Width, source.Height);
  const int f = std::clamp(factor, 0, 255);
  const int m[3] = {f, f, f};
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = dest.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* s = source.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) d[x] = WeighChannels(d[x], s[x], m, d[x]);
  }
}

void BlendBitmapRectKeyed(const TsPixelView& dest, Integer x, Integer y, Cardinal key, double factor,
                          const TsRect& inclusiveSourceRect, const TsPixelView& source) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TsRect r = inclusiveSourceRect;
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

void CopyMaskRectPixels(const TsPixelView& dest, Integer destX, Integer destY, const TsRect& sourceRect,
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
      const int w[3] = {Channel(m[x], 0), Channel(m[x], 1), Channel(m[x], 2)};
      d[x] = WeighChannels(d[x], s[x], w, d[x] | opaque);
    }
  }
}

void BlendGlyphRect(const TsPixelView& dest, const TsPixelView& source, Integer x, Integer y, Integer keyColor,
                    const TsRect& inclusiveSourceRect) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TsRect r = inclusiveSourceRect;
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

void BlendBitmapWithAlpha(const TsPixelView& dest, const TsRect& destRect, const TsRect& sourceRect,
                          const TsPixelView& source, const TsAlphaBlendOptions& options) {
  if (dest.IsEmpty() || source.IsEmpty()) return;
  TsRect sr = sourceRect;
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

struct TContributor {
  Integer Index;
  Integer Weight;  // 16.16
};

// For every output position of a line, the input positions that feed it and their weights.
std::vector<std::vector<TContributor>> Contributors(Integer inSize, Integer outSize, Integer filter) {
  const double radius = FilterRadius(filter);
  const double scale = outSize < inSize ? static_cast<double>(outSize) / inSize : 1.0;
  const double support = radius / scale;
  std::vector<std::vector<TContributor>> list(static_cast<size_t>(outSize));
  for (Integer i = 0; i < outSize; ++i) {
    const double centre = static_cast<double>(i) * inSize / outSize;
    const auto first = static_cast<Int64>(std::floor(centre - support));
    const auto last = static_cast<Int64>(std::ceil(centre + support));
    for (Int64 j = first; j <= last; ++j) {
      const double signedX = (centre - static_cast<double>(j)) * scale;
      const double x = std::fabs(signedX);
      if (x >= radius) continue;
      const auto weight = static_cast<Integer>(std::lrint(FilterWeight(filter, x, signedX) * scale * 65536));
      Int64 index = j < 0 ? -j : j >= inSize ? 2 * Int64{inSize} - 1 - j : j;
      index = std::clamp<Int64>(index, 0, inSize - 1);  // mirrors past a short line's far edge
      list[static_cast<size_t>(i)].push_back({static_cast<Integer>(index), weight});
    }
  }
  return list;
}

Cardinal Resample(const std::vector<TContributor>& contributors, const Cardinal* line, std::ptrdiff_t step) {
  Int64 sum[4] = {};
  for (const TContributor& c : contributors) {
    const Cardinal p = line[c.Index * step];
    for (int ch = 0; ch < 4; ++ch) sum[ch] += Int64{c.Weight} * Channel(p, ch);
  }
  Cardinal out = 0;
  for (int ch = 0; ch < 4; ++ch) out |= static_cast<Cardinal>(std::clamp<Int64>(sum[ch] >> 16, 0, 255)) << (8 * ch);
  return out;
}

}  // namespace

void StretchBitmap(const TsPixelView& source, const TsPixelView& dest, Integer filter) {
  if (source.Width <= 1 || source.Height <= 1 || source.Bits == nullptr) throw Exception("Source bitmap is too small");
  if (dest.IsEmpty()) return;
  if (source.Width == dest.Width && source.Height == dest.Height) {
    if (source.Bits == dest.Bits) return;
    for (Integer y = 0; y < dest.Height; ++y) std::copy_n(source.Row(y), dest.Width, dest.Row(y));
    return;
  }
  // Horizontal pass into a work image of the target's width and the source's height.
  std::vector<Cardinal> work(static_cast<size_t>(dest.Width) * static_cast<size_t>(source.Height));
  const auto across = Contributors(source.Width, dest.Width, filter);
  for (Integer y = 0; y < source.Height; ++y) {
    const Cardinal* line = source.Row(y);
    Cardinal* out = &work[static_cast<size_t>(y) * static_cast<size_t>(dest.Width)];
    for (Integer x = 0; x < dest.Width; ++x) out[x] = Resample(across[static_cast<size_t>(x)], line, 1);
  }
  const auto down = Contributors(source.Height, dest.Height, filter);
  for (Integer y = 0; y < dest.Height; ++y) {
    Cardinal* out = dest.Row(y);
    for (Integer x = 0; x < dest.Width; ++x) out[x] = Resample(down[static_cast<size_t>(y)], &work[static_cast<size_t>(x)], dest.Width);
  }
}
