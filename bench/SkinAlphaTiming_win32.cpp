// Times the skin's painters on 32-bit DIB sections of full-HD size against the system's own BitBlt
// and AlphaBlend of the same size, in one run: the Windows side of SkinAlpha_bench, whose anchor is a
// scalar blend. Then a skinned 1920 x 1080 form with the built-in skin: a frame repaint (the picture
// painted again and its strips copied), the steady copy of the strips that WM_NCPAINT does, and the
// client background with graphic children, each against BitBlt and AlphaBlend of the same areas from
// a ready picture. Each paint runs a warm-up round and then `rounds` timed rounds; the median counts.
// Usage (win64 tree): build/win64/wine-run build/win64/bench/skin_alpha_timing.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>
#include "SkinAlphaCases.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/Label.h"

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

void PrintRow(const char* name, double ms, double alphaBlend, double bitBlt) {
  std::printf("%-44s %9.2f %12.2f %9.2f\n", name, ms, ms / alphaBlend, ms / bitBlt);
}

// The same rectangles of the source copied and blended into the target.
struct TAnchors {
  double BitBlt = 0;
  double AlphaBlend = 0;
};
TAnchors TimeAnchors(int rounds, HDC target, HDC source, const std::vector<RECT>& areas) {
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  TAnchors a;
  a.BitBlt = MedianMs(rounds, [&] {
    for (const RECT& r : areas)
      BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
  });
  a.AlphaBlend = MedianMs(rounds, [&] {
    for (const RECT& r : areas)
      AlphaBlend(target, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, r.right - r.left,
                 r.bottom - r.top, blend);
  });
  return a;
}

// The skinned form's frame and client painting; true when the targets are met.
bool TimeFormPainting(int rounds) {
  RegisterGuiClasses();
  Application->Initialize();
  SkinLibraryStartup();
  bool met = true;
  {
    std::unique_ptr<TsSkinManager> manager(New<TsSkinManager>(nullptr));
    std::ifstream in(QN_BUILTIN_SKIN, std::ios::binary);
    manager->InternalSkins().Add("Quillnote", std::vector<Byte>(std::istreambuf_iterator<char>(in), {}));
    manager->SetSkinName("Quillnote");
    std::unique_ptr<TForm> form(New<TForm>(nullptr));
    // Larger than the test system's screen: the limits keep the system from shrinking it to the screen.
    form->Constraints().SetMaxWidth(kWidth);
    form->Constraints().SetMaxHeight(kHeight);
    form->SetBounds(0, 0, kWidth, kHeight);
    form->SetCaption("Frame timing");
    form->HandleNeeded();
    // Graphic children as a form has them: a grid of labels over the client area.
    for (int i = 0; i < 40; ++i) {
      auto* label = New<TLabel>(form.get());
      label->SetBounds(20 + (i % 8) * 220, 20 + (i / 8) * 180, 180, 24);
      label->SetCaption("A label of the form");
      label->SetParent(form.get());
    }
    auto* provider = New<TsSkinProvider>(form.get());
    form->SetVisible(true);
    provider->SkinData().StateBits &= static_cast<Word>(~ssPlainBackground);  // the client comes from the picture
    provider->SkinData().BackgroundDirty = true;
    if (!provider->PaintFormFrame() || !provider->SkinData().CacheBitmap) {
      std::fprintf(stderr, "the form's picture was not painted\n");
      return false;
    }
    TBitmap& cache = *provider->SkinData().CacheBitmap;
    auto target = Dib(0xFF204060u);
    const HDC targetDC = target->Canvas().Handle();
    const HDC cacheDC = cache.Canvas().Handle();
    const double repaint = MedianMs(rounds, [&] {
      provider->SkinData().BackgroundDirty = true;
      provider->PaintNonClientToDC(targetDC);
    });
    // The strip copies take microseconds: more rounds, so that the median stands still.
    const int copyRounds = std::max(rounds, 101);
    const double steady = MedianMs(copyRounds, [&] { provider->PaintNonClientToDC(targetDC); });
    const double geometry = MedianMs(rounds, [&] { provider->FrameInput(); });
    const double client = MedianMs(rounds, [&] {
      const int saved = SaveDC(targetDC);
      SetWindowOrgEx(targetDC, -provider->ClientOffsetX(), -provider->ClientOffsetY(), nullptr);
      provider->PaintClientArea(targetDC, false);
      RestoreDC(targetDC, saved);
    });
    // The areas: the four frame strips, the client rectangle, and the whole picture.
    const Integer ox = provider->ClientOffsetX(), oy = provider->ClientOffsetY();
    RECT c{};
    GetClientRect(form->Handle(), &c);
    const Integer w = cache.Width(), h = cache.Height();
    const std::vector<RECT> strips = {{0, 0, w, oy}, {0, oy, ox, h}, {ox + c.right, oy, w, h}, {ox, oy + c.bottom, ox + c.right, h}};
    const std::vector<RECT> clientArea = {{ox, oy, ox + c.right, oy + c.bottom}};
    const std::vector<RECT> whole = {{0, 0, w, h}};
    const TAnchors stripAnchors = TimeAnchors(copyRounds, targetDC, cacheDC, strips);
    const TAnchors clientAnchors = TimeAnchors(rounds, targetDC, cacheDC, clientArea);
    const TAnchors wholeAnchors = TimeAnchors(rounds, targetDC, cacheDC, whole);
    std::printf("\n%-44s %9s %12s %9s\n", "skinned form 1920x1080 (median of rounds)", "ms", "/AlphaBlend", "/BitBlt");
    PrintRow("frame repaint (picture + strips)", repaint, wholeAnchors.AlphaBlend, wholeAnchors.BitBlt);
    PrintRow("steady WM_NCPAINT strip copy", steady, stripAnchors.AlphaBlend, stripAnchors.BitBlt);
    PrintRow("client area with 40 labels", client, clientAnchors.AlphaBlend, clientAnchors.BitBlt);
    std::printf("picture %dx%d; the frame's geometry read from the window: %.3f ms\n", w, h, geometry);
    std::printf("anchors ms (BitBlt / AlphaBlend): picture %.2f / %.2f, strips %.2f / %.2f, client %.2f / %.2f\n",
                wholeAnchors.BitBlt, wholeAnchors.AlphaBlend, stripAnchors.BitBlt, stripAnchors.AlphaBlend,
                clientAnchors.BitBlt, clientAnchors.AlphaBlend);
    const bool repaintMet = repaint <= 2 * wholeAnchors.AlphaBlend;
    const bool steadyMet = steady <= 1.2 * stripAnchors.BitBlt;
    const bool clientMet = client <= 2 * clientAnchors.AlphaBlend;
    std::printf("targets: repaint within 2x AlphaBlend %s; steady copy within 1.2x BitBlt %s; client within 2x AlphaBlend %s\n",
                repaintMet ? "met" : "MISSED", steadyMet ? "met" : "MISSED", clientMet ? "met" : "MISSED");
    met = repaintMet && steadyMet && clientMet;
    provider = nullptr;
    form.reset();
  }
  SkinLibraryShutdown();
  return met;
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
  try {
    TimeFormPainting(rounds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
