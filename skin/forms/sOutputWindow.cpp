#include "skin/forms/sOutputWindow.h"

#include <memory>

#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sBorderForm.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"

namespace {

TOutputWindow* gCover = nullptr;
std::unique_ptr<TBitmap>& Capture() {
  static std::unique_ptr<TBitmap> capture;
  return capture;
}

void PaintOnWindow(HWND cover, TBitmap& frame, Integer) {
  const HDC dc = GetWindowDC(cover);
  GdiFlush();
  BitBlt(dc, 0, 0, frame.Width(), frame.Height(), frame.Canvas().Handle(), 0, 0, SRCCOPY);
  ReleaseDC(cover, dc);
}

TRect ScreenRectOf(TControl* control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && windowed->HandleAllocated()) {
    RECT r{};
    GetWindowRect(windowed->Handle(), &r);
    return TRect{r.left, r.top, r.right, r.bottom};
  }
  const TPoint origin = control->ClientToScreen(TPoint{0, 0});
  return TRect{origin.X, origin.Y, origin.X + control->Width(), origin.Y + control->Height()};
}

}  // namespace

TskCoverPaint CoverPaintProc = PaintOnWindow;

TOutputWindow::TOutputWindow(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
  SetCaption("skOutputWindow");
  SetColor(0xFF00FF);
  SetTag(kSkinOwnWindowTag);
}

TOutputWindow::~TOutputWindow() {
  if (gCover == this) gCover = nullptr;
}

void TOutputWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (Parent() != nullptr || ParentWindow() != nullptr) return;
  params.Style = WS_POPUP;
  params.WndParent = Application != nullptr ? Application->Handle() : nullptr;
  auto* owner = dynamic_cast<TWinControl*>(Owner());
  if (owner != nullptr && owner->HandleAllocated() && (GetWindowLongPtrW(owner->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0)
    params.ExStyle |= WS_EX_TOPMOST;
}

void TOutputWindow::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      message.Result = 0;
      return;
    case WM_PAINT: {
      // Whatever lies under the cover stays on the screen: validate without painting.
      ValidateRect(Handle(), nullptr);
      message.Result = 0;
      return;
    }
    default:
      TCustomControl::WndProc(message);
  }
}

void CoverControl(TControl* control) {
  if (control == nullptr) return;
  const TRect r = ScreenRectOf(control);
  if (!Capture()) Capture() = NewAnimBitmap(r.Width(), r.Height());
  const HDC screen = GetDC(nullptr);
  BitBlt(Capture()->Canvas().Handle(), 0, 0, r.Width(), r.Height(), screen, r.Left, r.Top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  if (gCover == nullptr) gCover = New<TOutputWindow>(control);
  if (TWinControl* parent = control->Parent()) {
    gCover->SetParent(parent);
    gCover->SetBounds(control->Left(), control->Top(), control->Width(), control->Height());
    const HWND cover = gCover->Handle();
    auto* windowed = dynamic_cast<TWinControl*>(control);
    // Right above the control among its siblings.
    HWND above = HWND_TOP;
    if (windowed != nullptr && windowed->HandleAllocated()) {
      const HWND previous = GetWindow(windowed->Handle(), GW_HWNDPREV);
      if (previous != nullptr && previous != cover) above = previous;
    }
    SetWindowPos(cover, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(cover, SW_SHOWNA);
    return;
  }
  const HWND cover = gCover->Handle();
  SetWindowPos(cover, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

TOutputWindow* CoverWindow() { return gCover; }
TBitmap* CoverCapture() { return Capture().get(); }

void FreeCover() {
  delete gCover;  // the destructor forgets it
  gCover = nullptr;
  Capture().reset();
}
