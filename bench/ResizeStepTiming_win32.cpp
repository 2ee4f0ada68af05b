// Times one live-resize step of a 1920 x 1080 skinned form with its extended border window (the window
// grows or shrinks by 12 pixels and everything it asks to repaint is painted) against a BitBlt of the
// window's area. Each runs a warm-up round and then `rounds` timed rounds; the median counts. Target: a
// step within twice the BitBlt. Also timed: a new bitmap of the picture's size, which each step makes
// (under Wine its fresh memory costs far more than the copy: see the figure beside the step's).
// Usage (win64 tree): build/win64/wine-run build/win64/bench/resize_step_timing.exe [rounds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
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
    // The system keeps windows within the screen's size (1024 x 768 under Wine's headless driver)
    // unless the form allows more.
    form->Constraints().SetMaxWidth(1940);
    form->Constraints().SetMaxHeight(1100);
    form->SetBounds(0, 0, 1920, 1080);
    form->SetCaption("Resize timing");
    form->HandleNeeded();
    auto* provider = New<TsSkinProvider>(form.get());
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    Application->ProcessMessages();
    if (!provider->BorderForm) {
      std::fprintf(stderr, "no border window\n");
      return 1;
    }
    const HWND window = form->Handle();
    RECT bounds{};
    GetWindowRect(window, &bounds);
    if (bounds.right - bounds.left != 1920) {
      std::fprintf(stderr, "the form is %ld wide, not 1920\n", bounds.right - bounds.left);
      return 1;
    }
    int step = 0;
    const double resize = MedianMs(rounds, [&] {
      const int width = 1920 + ((step++ % 2) == 0 ? 12 : 0);
      SetWindowPos(window, nullptr, 0, 0, width, 1080, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
      UpdateWindow(window);
      Application->ProcessMessages();
    });
    // The anchor: the window's area copied once between two pictures of its size.
    TBitmap source, target;
    for (TBitmap* b : {&source, &target}) {
      b->SetPixelFormat(pf32bit);
      b->SetSize(1920, 1080);
    }
    const double blit = MedianMs(rounds, [&] {
      BitBlt(target.Canvas().Handle(), 0, 0, 1920, 1080, source.Canvas().Handle(), 0, 0, SRCCOPY);
    });
    // What a step cannot avoid while the picture is a bitmap of the window's size: a new bitmap of that
    // size, its memory touched for the first time (the system hands out fresh pages one fault at a time).
    const Integer pictureWidth = provider->SkinData().CacheBitmap ? provider->SkinData().CacheBitmap->Width() : 1920;
    const Integer pictureHeight = provider->SkinData().CacheBitmap ? provider->SkinData().CacheBitmap->Height() : 1080;
    const double fresh = MedianMs(rounds, [&] {
      TBitmap picture;
      picture.SetPixelFormat(pf32bit);
      picture.SetSize(pictureWidth, pictureHeight);
    });
    std::printf("resize step of a 1920x1080 form: %8.3f ms\nBitBlt of its area:               %8.3f ms\nratio %.2f (target <= 2)\n"
                "a new %ldx%ld picture:         %8.3f ms (the step less this: %.3f ms)\n",
                resize, blit, resize / blit, static_cast<long>(pictureWidth), static_cast<long>(pictureHeight), fresh,
                resize - fresh);
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
