// Times the skin's painters on 32-bit DIB sections of full-HD size against the system's own BitBlt
// and AlphaBlend of the same size, in one run: the Windows side of SkinAlpha_bench, whose anchor is a
// scalar blend. Each paint runs a warm-up round and then `rounds` timed rounds; the median counts.
// Usage (win64 tree): build/win64/wine-run build/win64/bench/skin_alpha_timing.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
#include "SkinAlphaCases.h"
#include "vcl/gui/Bitmap.h"

namespace {

using skinbench::kHeight;
using skinbench::kWidth;

double MedianMs(int rounds, const std::function<void()>& paint) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  paint();
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    QueryPerformanceCounter(&start);
    paint();
    GdiFlush();
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A full-HD 32-bit DIB section filled with one premultiplied value.
std::unique_ptr<TBitmap> Dib(Cardinal fill) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(kWidth, kHeight);
  const TsPixelView v = PixelViewOf(*b);
  for (Integer y = 0; y < v.Height; ++y) std::fill_n(v.Row(y), v.Width, fill);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  auto target = Dib(0xFF204060u);
  auto source = Dib(0x80402010u);
  HDC targetDC = target->Canvas().Handle();
  HDC sourceDC = source->Canvas().Handle();
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  const double bitBlt =
      MedianMs(rounds, [&] { BitBlt(targetDC, 0, 0, kWidth, kHeight, sourceDC, 0, 0, SRCCOPY); });
  const double alphaBlend = MedianMs(
      rounds, [&] { AlphaBlend(targetDC, 0, 0, kWidth, kHeight, sourceDC, 0, 0, kWidth, kHeight, blend); });
  std::printf("%-44s %9s %12s %9s\n", "paint 1920x1080 (median of rounds)", "ms", "/AlphaBlend", "/BitBlt");
  std::printf("%-44s %9.2f %12.2f %9.2f\n", "BitBlt SRCCOPY", bitBlt, bitBlt / alphaBlend, 1.0);
  std::printf("%-44s %9.2f %12.2f %9.2f\n", "AlphaBlend per-pixel alpha", alphaBlend, 1.0, alphaBlend / bitBlt);
  bool met = true;
  for (const skinbench::Case& c : skinbench::kCases) {
    const skinbench::SkinFixture skin(c);
    const TsPixelView view = PixelViewOf(*target);
    const struct {
      const char* what;
      std::function<void()> paint;
    } paints[] = {{"section background ", [&] { skin.PaintSection(view); }},
                  {"nine-part mask ", [&] { skin.PaintMask(view); }}};
    for (const auto& p : paints) {
      const double ms = MedianMs(rounds, p.paint);
      met = met && ms <= 3 * alphaBlend;
      char name[64];
      std::snprintf(name, sizeof name, "%s%s", p.what, c.Label);
      std::printf("%-44s %9.2f %12.2f %9.2f\n", name, ms, ms / alphaBlend, ms / bitBlt);
    }
  }
  std::printf("target: every paint within 3x of AlphaBlend: %s\n", met ? "met" : "MISSED");
  return 0;
}
