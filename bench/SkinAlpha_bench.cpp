// The skin's pixel painters at full-HD size against plain anchors of the same size in the same run: a
// scalar per-pixel alpha blend of premultiplied pixels (what the system's AlphaBlend does) and a row
// copy (BitBlt). Target: a section background and a nine-part mask within 3x of the blend
// (tools/bench prints the ratios of the "pair:" names). The Windows timing program
// (tools/skin-timing) holds the same paints against the real BitBlt and AlphaBlend under Wine.
//
// The mask's centre is one colour in the "flat" cases (as skins mostly draw it: the resampler then
// makes each row from one source row) and shaded top to bottom in the "shaded" ones (every target
// row mixes several source rows).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sGradient.h"

namespace {

constexpr Integer kWidth = 1920;
constexpr Integer kHeight = 1080;

struct Image {
  Image(Integer w, Integer h, Cardinal fill) : pixels(static_cast<size_t>(w) * h, fill), view{pixels.data(), w, h, w} {}
  std::vector<Cardinal> pixels;
  TsPixelView view;
};

// A border mask of three 24 x 24 states with weight rows below, 8-pixel borders, key-colour corners.
struct BenchMask {
  explicit BenchMask(bool shaded) : image(72, 48, 0) {
    for (Integer y = 0; y < 24; ++y)
      for (Integer x = 0; x < 72; ++x) {
        const Integer sx = x % 24;
        const bool border = sx < 8 || y < 8 || sx >= 16 || y >= 16;
        const bool corner = (sx == 0 || sx == 23) && (y == 0 || y == 23);
        const Cardinal centre = shaded ? 0xFF000000u | (0x101010u * static_cast<Cardinal>(y)) : 0xFFE0E0E0u;
        image.view.At(x, y) = corner ? kKeyPixel : border ? 0xFF3060A0u : centre;
        image.view.At(x, y + 24) = border ? 0 : shaded ? 0x00010101u * static_cast<Cardinal>(8 * y) : 0x00404040u;
      }
    data.R = {0, 0, 72, 48};
    data.ImageCount = 3;
    data.MaskType = 1;
    data.WL = data.WT = data.WR = data.WB = 8;
  }
  Image image;
  TsMaskData data;
};

struct Case {
  bool stretched;
  bool shaded;
};

SmallInt Flags(const Case& c) { return static_cast<SmallInt>(mdPaintCentre | (c.stretched ? mdStretch : 0)); }

// A section with a two-step gradient at 70 percent over its colour and the border mask: the fill, the
// border over the saved corners, the premultiplication of the whole bitmap.
void SectionBackground(benchmark::State& state, Case c) {
  Image target(kWidth, kHeight, 0xFF808080u);
  BenchMask mask(c.shaded);
  mask.data.DrawFlags = Flags(c);
  TsMaskArray masks{mask.data};
  TsGeneralData section;
  section.Props[0].Color = 0x00C0FF;
  section.Props[0].GradientPercent = 70;
  ParseGradientData("16777215;12632256;50;0;0;12632256;8421504;50;0;0;", section.Props[0].GradientArray);
  section.BorderMask = 0;
  TsGeneralDataArray sections{section};
  TsSkinPixels skin;
  skin.Sections = &sections;
  skin.Masks = &masks;
  skin.Master = mask.image.view;
  for (auto _ : state) {
    PaintSectionBackground(target.view, {0, 0, kWidth, kHeight}, skin, 0, 1);
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void NinePartMask(benchmark::State& state, Case c) {
  Image target(kWidth, kHeight, 0xFF202020u);
  BenchMask mask(c.shaded);
  mask.data.DrawFlags = Flags(c);
  for (auto _ : state) {
    PaintMaskImage(target.view, {0, 0, kWidth, kHeight}, 2, mask.data, mask.image.view, {});
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The anchor: d = s + d * (255 - sA) / 255 per byte, premultiplied source, every pixel.
void ReferenceAlphaBlend(benchmark::State& state) {
  Image target(kWidth, kHeight, 0xFF204060u);
  Image source(kWidth, kHeight, 0x80402010u);
  for (auto _ : state) {
    for (Integer y = 0; y < kHeight; ++y) {
      Cardinal* d = target.view.Row(y);
      const Cardinal* s = source.view.Row(y);
      for (Integer x = 0; x < kWidth; ++x) {
        const Cardinal inverse = 255 - (s[x] >> 24);
        Cardinal out = 0;
        for (int c = 0; c < 32; c += 8)
          out |= (((s[x] >> c) & 0xFF) + (((d[x] >> c) & 0xFF) * inverse) / 255) << c;
        d[x] = out;
      }
    }
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void ReferenceCopy(benchmark::State& state) {
  Image target(kWidth, kHeight, 0);
  Image source(kWidth, kHeight, 0xFF102030u);
  for (auto _ : state) {
    for (Integer y = 0; y < kHeight; ++y) std::memcpy(target.view.Row(y), source.view.Row(y), kWidth * sizeof(Cardinal));
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

[[maybe_unused]] const bool registered = [] {
  const struct {
    const char* label;
    Case c;
  } cases[] = {
      {"tiled", {false, false}}, {"stretched flat", {true, false}}, {"stretched shaded", {true, true}}};
  for (const auto& k : cases) {
    using Paint = void (*)(benchmark::State&, Case);
    const std::pair<const char*, Paint> paints[] = {{"section background ", SectionBackground},
                                                     {"nine-part mask ", NinePartMask}};
    for (const auto& [what, paint] : paints) {
      const std::string name = std::string("pair:") + what + k.label + " 1920x1080";
      benchmark::RegisterBenchmark((name + "/ours").c_str(), paint, k.c)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((name + "/anchor").c_str(), ReferenceAlphaBlend)->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("row copy 1920x1080", ReferenceCopy)->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
