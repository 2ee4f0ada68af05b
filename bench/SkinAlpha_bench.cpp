// The skin's pixel painters at full-HD size against plain anchors of the same size in the same run: a
// scalar per-pixel alpha blend of premultiplied pixels (what the system's AlphaBlend does) and a row
// copy (BitBlt). Target: a section background and a nine-part mask within 3x of the blend
// (tools/bench prints the ratios of the "pair:" names). The cases are in SkinAlphaCases.h; the
// Windows timing program (SkinAlphaTiming_win32.cpp) holds the same paints against the system's own
// BitBlt and AlphaBlend.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>
#include "SkinAlphaCases.h"

namespace {

using skinbench::kHeight;
using skinbench::kWidth;

struct Image {
  Image(Integer w, Integer h, Cardinal fill) : pixels(static_cast<size_t>(w) * h, fill), view{pixels.data(), w, h, w} {}
  std::vector<Cardinal> pixels;
  TsPixelView view;
};

void SectionBackground(benchmark::State& state, skinbench::Case c) {
  Image target(kWidth, kHeight, 0xFF808080u);
  const skinbench::SkinFixture skin(c);
  for (auto _ : state) {
    skin.PaintSection(target.view);
    benchmark::DoNotOptimize(target.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void NinePartMask(benchmark::State& state, skinbench::Case c) {
  Image target(kWidth, kHeight, 0xFF202020u);
  const skinbench::SkinFixture skin(c);
  for (auto _ : state) {
    skin.PaintMask(target.view);
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
  for (const skinbench::Case& k : skinbench::kCases) {
    using Paint = void (*)(benchmark::State&, skinbench::Case);
    const std::pair<const char*, Paint> paints[] = {{"section background ", SectionBackground},
                                                     {"nine-part mask ", NinePartMask}};
    for (const auto& [what, paint] : paints) {
      const std::string name = std::string("pair:") + what + k.Label + " 1920x1080";
      benchmark::RegisterBenchmark((name + "/ours").c_str(), paint, k)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((name + "/anchor").c_str(), ReferenceAlphaBlend)->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("row copy 1920x1080", ReferenceCopy)->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
