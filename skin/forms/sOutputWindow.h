// The screen cover of the re-skin cross-fade: a window laid over a control that keeps showing what
// the screen showed there (it paints nothing itself) while the control takes the new skin underneath,
// and on which the old and the new look are then mixed. One cover and one screen capture exist at a
// time; the cross-fade frees both when it ends.
#pragma once
#include <windows.h>

#include "vcl/gui/CustomControl.h"

class TBitmap;

class TOutputWindow : public TCustomControl {
 public:
  // Hidden, caption "skOutputWindow", colour 0xFF00FF, Tag -98 (the library's own window).
  explicit TOutputWindow(TComponent* owner);
  ~TOutputWindow() override;
  void WndProc(TMessage& message) override;

 protected:
  // Without a parent: a popup owned by the application's window, topmost when the owner control's
  // window is.
  void CreateParams(TCreateParams& params) override;
};

// Copies the control's screen area into the shared capture (made at the control's size on first use)
// and lays the shared cover (made once, owned by the control) over the control: as a sibling right
// above it, or over its screen rectangle when it has no parent; shown without activation.
void CoverControl(TControl* control);
// The shared cover and capture; nil when none.
TOutputWindow* CoverWindow();
TBitmap* CoverCapture();
// Frees the shared cover and capture.
void FreeCover();

// Draws one frame of the cross-fade on the cover: factor is the old look's weight (255 all old, 0 the
// new look alone). A process-wide pointer, so that a test can count the frames (a headless system
// cannot read the screen back).
using TskCoverPaint = void (*)(HWND cover, TBitmap& frame, Integer factor);
extern TskCoverPaint CoverPaintProc;
