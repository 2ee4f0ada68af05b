// The skin's pixel painters at full-HD size against plain anchors of the same size in the same run: a
// scalar per-pixel alpha blend of premultiplied pixels (what the system's AlphaBlend does) and a row
// copy (BitBlt). Target: a section background and a nine-part mask within 3x of the blend.
#include <benchmark/benchmark.h>

#include <cstring>
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
  BenchMask() : image(72, 48, 0) {
    for (Integer y = 0; y < 24; ++y)
      for (Integer x = 0; x < 72; ++x) {
        const Integer sx = x % 24;
        const bool border = sx < 8 || y < 8 || sx >= 16 || y >= 16;
        const bool corner = (sx == 0 || sx == 23) && (y == 0 || y == 23);
        image.view.At(x, y) = corner ? kKeyPixel : border ? 0xFF3060A0u : 0xFFE0E0E0u;
        image.view.At(x, y + 24) = border ? 0 : 0x00404040u;
      }
    data.R = {0, 0, 72, 48};
    data.ImageCount = 3;
    data.MaskType = 1;
    data.WL = data.WT = data.WR = data.WB = 8;
    data.DrawFlags = mdPaintCentre;
  }
  Image image;
  TsMaskData data;
};

void SectionBackground(benchmark::State& state) {
  Image target(kWidth, kHeight, 0);
  Image saved(kWidth, kHeight, 0xFF808080u);
  BenchMask mask;
  mask.data.DrawFlags = static_cast<SmallInt>(mdPaintCentre | (state.range(0) != 0 ? mdStretch : 0));
  TsGradArray gradient;
  ParseGradientData("16777215;12632256;50;0;0;12632256;8421504;50;0;0;", gradient);
  const TsRect all{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    DrawGradient(target.view, all, gradient);
    BlendRectWithColor(target.view, all, 70, 0x00C0FF);
    PaintSectionBorderMask(target.view, all, TsBgPixels{saved.view, 0, 0, clKeyColor}, mask.data, mask.image.view, 1);
    PremultiplyBitmap(target.view);
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(SectionBackground)->Arg(0)->Arg(1)->ArgNames({"stretched"})->Unit(benchmark::kMillisecond);

void NinePartMask(benchmark::State& state) {
  Image target(kWidth, kHeight, 0xFF202020u);
  BenchMask mask;
  mask.data.DrawFlags = static_cast<SmallInt>(mdPaintCentre | (state.range(0) != 0 ? mdStretch : 0));
  for (auto _ : state) {
    PaintMaskImage(target.view, {0, 0, kWidth, kHeight}, 2, mask.data, mask.image.view, {});
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(NinePartMask)->Arg(0)->Arg(1)->ArgNames({"stretched"})->Unit(benchmark::kMillisecond);

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
BENCHMARK(ReferenceAlphaBlend)->Unit(benchmark::kMillisecond);

void ReferenceCopy(benchmark::State& state) {
  Image target(kWidth, kHeight, 0);
  Image source(kWidth, kHeight, 0xFF102030u);
  for (auto _ : state) {
    for (Integer y = 0; y < kHeight; ++y) std::memcpy(target.view.Row(y), source.view.Row(y), kWidth * sizeof(Cardinal));
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(ReferenceCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
