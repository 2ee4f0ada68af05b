// Moving a skinned dialog with blending: while the system's move loop runs, a timer fades the dialog
// (or, with extended borders, the border window showing the whole dialog while the dialog itself is
// clear) towards the manager's BlendOnMoving value; at the end the dialog is opaque and not layered.
#include <algorithm>
#include <memory>

#include "skin/adapters/skDialogWnd.h"
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sMoveTimer.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

namespace {

constexpr WPARAM kDragMove = 0xF012;  // SC_MOVE started by the mouse on the caption
constexpr DWORD kBorderSettleMs = 40;  // the dialog shows before the border window goes behind it again

}  // namespace

void TskDialogWnd::StartBlendOnMoving() {
  if ((MoveState & fsBlendMoving) != 0 || SkinManager == nullptr || SkinData == nullptr) return;
  const auto& blend = SkinManager->AnimEffects().BlendOnMoving;
  if (!blend || !blend->Active) return;
  MoveState |= fsBlendMoving;
  const Byte target = blend->BlendValue;
  // A value close to opaque still fades, one step a tick.
  const auto step = static_cast<Byte>(std::max(1, (255 - target) / 30));
  const HWND border = BorderForm ? BorderForm->BorderHandle() : nullptr;
  std::unique_ptr<TBitmap> picture;
  if (border != nullptr && SkinData->CacheBitmap) {
    // The dialog is clear while it moves: the border window shows all of it, children included.
    picture = std::make_unique<TBitmap>();
    picture->Assign(SkinData->CacheBitmap.get());
    const TskFrameInput frame = FrameInput();
    PrintDialogChildren(picture->Canvas().Handle(), OwnerClientOffset(), TPoint{frame.ClientWidth, frame.ClientHeight});
  }
  auto timer = std::make_unique<TskMoveTimer>(border != nullptr ? BorderForm.get() : nullptr, Window, 255, target, step);
  timer->Picture = std::move(picture);
  MoveTimer = std::move(timer);
  if (border != nullptr) {
    BorderForm->UpdateExBorders(true, 255);
    SetWindowPos(Window, border, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SetWindowAlpha(Window, 0);
    MoveTimer->SetEnabled(true);
    SendMessageW(border, WM_SYSCOMMAND, kDragMove, 0);
  } else {
    SetWindowAlpha(Window, 255);
    RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    MoveTimer->SetEnabled(true);
    SendMessageW(Window, WM_SYSCOMMAND, kDragMove, 0);
  }
  StopBlendOnMoving();
}

void TskDialogWnd::StopBlendOnMoving() {
  if (!MoveTimer) return;
  MoveTimer->SetEnabled(false);
  if (!IsWindow(Window)) {
    MoveTimer.reset();
    MoveState &= ~static_cast<Cardinal>(fsBlendMoving);
    return;
  }
  constexpr UINT kRedraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME;
  const HWND border = BorderForm ? BorderForm->BorderHandle() : nullptr;
  if (border != nullptr) {
    if (SkinData->CacheBitmap) SetLayeredImage(border, SkinData->CacheBitmap.get(), 255);
    RECT b{};
    GetWindowRect(border, &b);
    const TRect shadow = GetShadowSize();
    SetWindowPos(Window, nullptr, b.left + shadow.Left + OwnerSideOffset(), b.top + shadow.Top + OwnerTopOffset(), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveState &= ~static_cast<Cardinal>(fsBlendMoving);
    RemoveLayeredStyle(Window);
    SetFocus(Window);
    RedrawWindow(Window, nullptr, nullptr, kRedraw);
    Sleep(kBorderSettleMs);
  } else {
    RemoveLayeredStyle(Window);
    UpdateWindow(Window);
    SetFocus(Window);
    RedrawWindow(Window, nullptr, nullptr, kRedraw);
    MoveState &= ~static_cast<Cardinal>(fsBlendMoving);
  }
  MoveTimer.reset();
  // The border window goes behind the dialog again, redrawn.
  if (BorderForm) {
    SkinData->BackgroundDirty = true;
    BorderForm->UpdateExBorders();
  }
}
