// Times the extended border window's update of a 1920 x 1080 skinned form (the whole picture painted
// again with the shadow margins, then shown through UpdateLayeredWindow) against an AlphaBlend of an
// image of that picture's size from a ready cache. Each runs a warm-up round and then `rounds` timed
// rounds; the median counts. Target: the update within twice the blend.
// Usage (win64 tree): build/win64/wine-run build/win64/bench/border_form_timing.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "GuiTiming.h"
#include "SkinTiming.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/GuiClasses.h"

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  try {
    std::unique_ptr<TsSkinManager> manager = StartBuiltinSkin(QN_BUILTIN_SKIN);
    manager->SetExtendedBorders(true);
    std::unique_ptr<TForm> form(New<TForm>(nullptr));
    form->SetBounds(0, 0, 1920, 1080);
    form->SetCaption("Border timing");
    form->HandleNeeded();
    auto* provider = New<TsSkinProvider>(form.get());
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    if (!provider->BorderForm || !provider->SkinData().CacheBitmap) {
      std::fprintf(stderr, "no border window\n");
      return 1;
    }
    TBitmap& cache = *provider->SkinData().CacheBitmap;
    const double update = MedianMs(rounds, [&] {
      provider->SkinData().BackgroundDirty = true;
      provider->BorderForm->UpdateExBorders(true, 255);
    });
    const double paint = MedianMs(rounds, [&] {
      provider->SkinData().BackgroundDirty = true;
      provider->PaintFormFrame();
    });
    const double show = MedianMs(rounds, [&] { provider->BorderForm->UpdateExBorders(false, 255); });
    // The anchor: the ready picture blended onto a target of its size.
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(cache.Width(), cache.Height());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const double alpha = MedianMs(rounds, [&] {
      AlphaBlend(target.Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0,
                 cache.Width(), cache.Height(), blend);
    });
    std::printf("picture %dx%d\nUpdateExBorders with repaint: %8.3f ms (painting %.3f ms, showing a ready picture %.3f ms)\nAlphaBlend of the picture:     %8.3f ms\nratio %.2f (target <= 2)\n",
                cache.Width(), cache.Height(), update, paint, show, alpha, update / alpha);
    provider = nullptr;
    form.reset();
    manager.reset();
    SkinLibraryShutdown();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
