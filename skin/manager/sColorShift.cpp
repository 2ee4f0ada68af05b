#include "skin/manager/sColorShift.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>
#include "skin/manager/sSkinLookups.h"

namespace {

constexpr Cardinal kKey = 0x00FF00FFu;

// Rounds half to even, as the platform's default floating-point rounding does.
Integer RoundChannel(double v) { return static_cast<Integer>(std::nearbyint(std::clamp(v, 0.0, 255.0))); }

Integer SwapRedBlue(Integer c) {
  const auto u = static_cast<Cardinal>(c);
  return static_cast<Integer>((u & 0xFF00FF00u) | ((u & 0xFFu) << 16) | ((u >> 16) & 0xFFu));
}

bool IsGrey(Cardinal p) { return (p & 0xFF) == ((p >> 8) & 0xFF) && (p & 0xFF) == ((p >> 16) & 0xFF); }

template <class F>
void ForEachShiftablePixel(const TsPixelView& bitmap, F change) {
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* row = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x)
      if (row[x] != kKey && !IsGrey(row[x])) row[x] = change(row[x]);
  }
}

bool MeansNoColor(Integer c) { return c == -1 || c == 0xFF00FF; }

// Every colour of a section that the shift changes.
template <class F>
void ForEachSectionColor(TsGeneralData& s, F&& change) {
  const auto state = [&](TsStateValues& v) {
    change(v.Color);
    change(v.TextColor);
    change(v.ContourLeft);
    change(v.ContourTop);
    change(v.ContourRight);
    change(v.ContourBottom);
    for (TsGradStep& step : v.GradientArray) {
      change(step.Color1);
      change(step.Color2);
    }
  };
  for (TsGenState& g : s.Props) {
    state(g);
    change(g.GlowColor);
  }
  state(s.Normal);
  state(s.Hot);
  change(s.GlowColor);
  change(s.HotGlowColor);
}

void ShiftSections(TsGeneralDataArray& sections, const std::function<Integer(Integer)>& shift) {
  for (TsGeneralData& s : sections)
    ForEachSectionColor(s, [&](Integer& c) {
      if (!MeansNoColor(c)) c = shift(c);
    });
}

// Title-button glyphs that keep their hue: all of them with BIKEEPHUE 1, the close buttons otherwise.
std::vector<const char*> HueKeepingMasks(Integer keepHue) {
  if (keepHue == 1)
    return {"BICONCLOSE", "SICONCLOSE", "BICONMAX", "BICONMIN", "BICONNORM",
            "BICONHELP",  "SICONMAX",   "SICONMIN", "SICONNORM"};
  return {"BICONCLOSE", "SICONCLOSE"};
}

struct TSavedRect {
  TRect R;
  std::vector<Cardinal> Pixels;
};

}  // namespace

Integer RotateHueRGB(Integer shift, Integer rgb) {
  const auto u = static_cast<Cardinal>(rgb);
  const double r = (u >> 16) & 0xFF, g = (u >> 8) & 0xFF, b = u & 0xFF;
  const double v = std::max({r, g, b});
  const double delta = v - std::min({r, g, b});
  const double s = v == 0 ? 0 : delta / v;
  if (s == 0) return static_cast<Integer>((u & 0xFF00FFFFu) | (static_cast<Cardinal>(RoundChannel(v)) << 16));
  double h = r == v ? 60 * (g - b) / delta : g == v ? 120 + 60 * (b - r) / delta : 240 + 60 * (r - g) / delta;
  if (h < 0) h += 360;
  // A negative shift could give a negative hue; it is brought into 0..359 like any other.
  Integer hue = static_cast<Integer>(std::nearbyint(shift + h)) % 360;
  if (hue < 0) hue += 360;
  const Integer sector = hue / 60;
  const double f = hue / 60.0 - sector;
  const Integer V = RoundChannel(v), p = RoundChannel(v * (1 - s)), q = RoundChannel(v * (1 - f * s)),
                t = RoundChannel(v * (1 - (1 - f) * s));
  static constexpr std::array<std::array<int, 3>, 6> kSectors = {
      {{0, 3, 1}, {2, 0, 1}, {1, 0, 3}, {1, 2, 0}, {3, 1, 0}, {0, 1, 2}}};  // V, p, q, t per R, G, B
  const Integer values[4] = {V, p, q, t};
  const auto& pick = kSectors[static_cast<size_t>(sector)];
  const auto channel = [&](int i) { return static_cast<Cardinal>(values[pick[static_cast<size_t>(i)]]); };
  return static_cast<Integer>((u & 0xFF000000u) | channel(0) << 16 | channel(1) << 8 | channel(2));
}

Integer ChangeColorHue(Integer shift, Integer color) {
  if (shift == 0) return color;
  return SwapRedBlue(RotateHueRGB(shift, SwapRedBlue(color)));
}

Integer ChangeColorSaturation(Integer color, Integer amount) {
  if (amount == 0) return color;
  const auto u = static_cast<Cardinal>(color);
  const double c[3] = {static_cast<double>(u & 0xFF), static_cast<double>((u >> 8) & 0xFF),
                       static_cast<double>((u >> 16) & 0xFF)};
  const double mean = (c[0] + c[1] + c[2]) / 3;
  Cardinal out = u & 0xFF000000u;
  for (int i = 0; i < 3; ++i)
    out |= static_cast<Cardinal>(RoundChannel(c[i] - (mean - c[i]) * amount / 100)) << (8 * i);
  return static_cast<Integer>(out);
}

void ChangeBitmapHue(const TsPixelView& bitmap, Integer shift) {
  if (shift == 0) return;
  ForEachShiftablePixel(bitmap, [shift](Cardinal p) { return static_cast<Cardinal>(RotateHueRGB(shift, static_cast<Integer>(p))); });
}

void ChangeBitmapSaturation(const TsPixelView& bitmap, Integer amount) {
  if (amount == 0) return;
  // The saturation change is symmetric in the channels, so the pixel's byte order needs no swap.
  ForEachShiftablePixel(bitmap, [amount](Cardinal p) {
    return static_cast<Cardinal>(ChangeColorSaturation(static_cast<Integer>(p), amount));
  });
}

void ShiftSkinColors(TsShiftedSkin& skin, Integer hueOffset, Integer saturation) {
  const auto ownImage = [&](const TsMaskData& m) { return skin.OwnImage ? skin.OwnImage(m) : TsPixelView{}; };

  if (hueOffset != 0) {
    // Glyphs that keep their hue: cut from the master, their pixels are put back after the shift; with an
    // image of their own, that image is not shifted.
    std::set<const TsMaskData*> keptImages;
    std::vector<TSavedRect> saved;
    if (skin.Data.BIKeepHUE != 0)
      for (const char* name : HueKeepingMasks(skin.Data.BIKeepHUE))
        for (const AnsiString& key : {AnsiString(name), AnsiString(name) + "GLOW0"}) {
          const Integer i = FindMaskIndexByNames(skin.Masks, kGlobalInfo, key);
          if (i < 0) continue;
          const TsMaskData& m = skin.Masks[static_cast<size_t>(i)];
          if (!ownImage(m).IsEmpty()) {
            keptImages.insert(&m);
            continue;
          }
          TSavedRect s{m.R, {}};
          s.R.Left = std::max<Integer>(s.R.Left, 0);
          s.R.Top = std::max<Integer>(s.R.Top, 0);
          s.R.Right = std::min(s.R.Right, skin.Master.Width);
          s.R.Bottom = std::min(s.R.Bottom, skin.Master.Height);
          if (skin.Master.IsEmpty() || s.R.IsEmpty()) continue;
          for (Integer y = s.R.Top; y < s.R.Bottom; ++y)
            for (Integer x = s.R.Left; x < s.R.Right; ++x) s.Pixels.push_back(skin.Master.At(x, y));
          saved.push_back(std::move(s));
        }
    ChangeBitmapHue(skin.Master, hueOffset);
    for (const TsMaskData& m : skin.Masks)
      if (!keptImages.contains(&m)) ChangeBitmapHue(ownImage(m), hueOffset);
    for (const TSavedRect& s : saved) {
      size_t n = 0;
      for (Integer y = s.R.Top; y < s.R.Bottom; ++y)
        for (Integer x = s.R.Left; x < s.R.Right; ++x) skin.Master.At(x, y) = s.Pixels[n++];
    }
    ShiftSections(skin.Sections, [hueOffset](Integer c) { return ChangeColorHue(hueOffset, c); });
  }

  const Integer amount = NormalizedSaturation(saturation);
  if (amount != 0) {
    ChangeBitmapSaturation(skin.Master, amount);
    for (const TsMaskData& m : skin.Masks) ChangeBitmapSaturation(ownImage(m), amount);
    const auto change = [amount](Integer c) { return ChangeColorSaturation(c, amount); };
    ShiftSections(skin.Sections, change);
    if (!MeansNoColor(skin.Data.Shadow1Color)) skin.Data.Shadow1Color = change(skin.Data.Shadow1Color);
    if (!MeansNoColor(skin.Data.BorderColor)) skin.Data.BorderColor = change(skin.Data.BorderColor);
  }
}
