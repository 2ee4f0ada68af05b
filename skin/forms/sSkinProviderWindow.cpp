// A skinned form's creation, size, text, icon and redraw messages: the skin is applied once the
// window exists; a size change mends the grip and the corner images, reshapes the window and repaints
// the frame; a new caption or icon repaints the frame; and while the system draws its own caption for
// a new text, a borderless caption form covers the title so that the system's caption never shows on
// the screen.
#include <algorithm>

#include "skin/adapters/skDials.h"
#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"

namespace {

// Runs the action, then the closing step, also when the action raises.
template <typename Action, typename Closing>
void WithClosing(Action&& action, Closing&& closing) {
  try {
    action();
  } catch (...) {
    closing();
    throw;
  }
  closing();
}

}  // namespace

// The part of a picture rectangle (window coordinates of the cache) that falls in the client area.
void TsSkinProvider::InvalidatePictureRect(const TRect& r, bool erase) {
  const Integer x = ClientOffsetX(), y = ClientOffsetY();
  const RECT client{r.Left - x, r.Top - y, r.Right - x, r.Bottom - y};
  InvalidateRect(Form->Handle(), &client, erase ? TRUE : FALSE);
}

// The grip's cell and the right-hand corner images lie where the client's edge was or now is: the
// places that the size change uncovered or moved are painted again.
void TsSkinProvider::MendSizedCorners(Integer width, Integer height) {
  TsSkinManager* manager = Manager();
  if (manager == nullptr) return;
  const HWND window = Form->Handle();
  const bool erase = !skinData_->StateClearOrActive();
  const bool known = !lastClient_.IsEmpty();
  const bool grew = known && (width > lastClient_.Width() || height > lastClient_.Height());
  const bool shrank = !known || width < lastClient_.Width() || height < lastClient_.Height();
  const Integer grip = manager->ConstData.GripImage;
  if (GripVisible() && manager->IsValidMaskIndex(grip)) {
    // The cell of one grip image; a mask without images or rows has none.
    const TsMaskData& mask = manager->ma[static_cast<size_t>(grip)];
    const Integer w = MaskStateWidth(mask), h = MaskStateHeight(mask);
    if (w > 0 && h > 0) {
      if (grew) {
        const RECT old{lastClient_.Right - w, lastClient_.Bottom - h, lastClient_.Right, lastClient_.Bottom};
        InvalidateRect(window, &old, erase ? TRUE : FALSE);
      }
      if (known && shrank) {
        const RECT now{width - w, height - h, width, height};
        InvalidateRect(window, &now, erase ? TRUE : FALSE);
      }
    }
  }
  if (!shrank) return;
  if (!manager->IsValidSkinIndex(skinData_->SectionIndex)) return;
  const TsGeneralData& section = manager->gd[static_cast<size_t>(skinData_->SectionIndex)];
  const TRect frame = FrameRect(FrameInput());
  struct TCorner {
    Integer index;
    bool top;
  };
  for (const TCorner corner : {TCorner{section.ImgTopRight, true}, TCorner{section.ImgBottomRight, false}}) {
    const Integer index = corner.index;
    if (!manager->IsValidMaskIndex(index)) continue;
    const TsMaskData& mask = manager->ma[static_cast<size_t>(index)];
    const Integer w = MaskStateWidth(mask), h = MaskStateHeight(mask);
    if (w <= 0 || h <= 0) continue;
    const Integer top = corner.top ? frame.Top : frame.Bottom - h;
    InvalidatePictureRect(TRect{frame.Right - w, top, frame.Right, top + h}, erase);
  }
}

void TsSkinProvider::SizeMessage(TMessage& message) {
  if (skinData_->UpdatingFlag) {
    skinData_->BackgroundDirty = true;
    CallSavedProc(message);
    return;
  }
  const HWND window = Form->Handle();
  const Integer width = LOWORD(message.LParam), height = HIWORD(message.LParam);
  MendSizedCorners(width, height);
  CaptionGlow[0].reset();
  CaptionGlow[1].reset();
  MenuRowCount = -1;
  if ((AnimState & fsBlendMoving) != 0) StopBlendOnMoving();
  const bool markUpdating = Form->Parent() == nullptr && DrawClientArea;
  const bool wasUpdating = skinData_->UpdatingFlag;
  if (markUpdating) skinData_->SetUpdating(true);
  WithClosing([&] { CallSavedProc(message); }, [&] { if (markUpdating) skinData_->SetUpdating(wasUpdating); });
  if (!InAnimationProcess) {
    if (!IsWindowVisible(window)) {
      skinData_->BackgroundDirty = true;
    } else if (!IsIconic(window) && CacheSizeChanged()) {
      RegionChanged = true;
      skinData_->BackgroundDirty = true;
      if (!BorderForm) {
        UpdateRegionRects();
        UpdateFormRegion(false);
      }
      SendToSelf(WM_NCPAINT, 1, 0);
      const bool widthChanged = width != lastClient_.Width(), heightChanged = height != lastClient_.Height();
      const bool follows = ((skinData_->BackgroundMode & bmWidth) != 0 && widthChanged) ||
                           ((skinData_->BackgroundMode & bmHeight) != 0 && heightChanged);
      if (!skinData_->UpdatingFlag && follows) {
        BroadcastToChildControls(Form, TMessage{SkinCommandMessage, SkinCommandWParam(scUpdateChildren, 1), 0, 0});
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
    }
  }
  lastClient_ = TRect{0, 0, Form->ClientWidth(), Form->ClientHeight()};
}

// ---- the caption form ----

void TsSkinProvider::UpdateCaptForm(bool fullHeight) {
  if (!drawNonClientArea_ || ProviderAnimating() || RedrawLockCount > 0 || BorderForm || (AnimState & 0x80) != 0)
    return;
  if (Form == nullptr || !Form->HandleAllocated()) return;
  if (!captForm_) {
    captForm_.reset(New<TForm>(nullptr));
    captForm_->SetTag(-98);
    captForm_->SetBorderStyle(bsNone);
    captForm_->OnPaint = [](TObject*) {};  // the form's own title stays on the screen under it
    captFormProc_ = captForm_->WindowProc();
    captForm_->SetWindowProc(TWndMethod(this, &TsSkinProvider::CaptFormWndProc));
  }
  captForm_->SetVisible(false);
  const HWND window = Form->Handle();
  RECT r{};
  GetWindowRect(window, &r);
  const Integer height = fullHeight ? r.bottom - r.top : FrameTitleAreaHeight(FrameInput());
  HWND after = HWND_TOPMOST;
  if ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
    after = GetWindow(window, GW_HWNDPREV);
    if (after == nullptr) after = HWND_TOP;
  }
  SetWindowPos(captForm_->Handle(), after, r.left, r.top, r.right - r.left, height,
               SWP_NOACTIVATE | SWP_NOREDRAW | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

void TsSkinProvider::KillCaptForm() {
  if (!captForm_) return;
  captForm_->SetWindowProc(captFormProc_);
  captForm_.reset();
}

void TsSkinProvider::CaptFormWndProc(TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;
    return;
  }
  captFormProc_(message);
}

HWND TsSkinProvider::CaptFormHandle() const {
  return captForm_ && captForm_->HandleAllocated() ? captForm_->Handle() : nullptr;
}

void TsSkinProvider::SetTextMessage(TMessage& message) {
  const HWND window = Form->Handle();
  const bool creating = Form->FormState().Contains(fsCreating) || Form->ControlState().Contains(csCreating);
  if (!IsWindowVisible(window) || creating || !drawNonClientArea_) {
    CallSavedProc(message);
    return;
  }
  CaptionGlow[0].reset();
  CaptionGlow[1].reset();
  if (Form->FormStyle() == fsMDIChild && IsZoomed(window) && MDIFrameProvider != nullptr && MDIFrameProvider != this) {
    // The frame's caption shows the maximized child's text: the system draws it there, under the
    // frame's caption form.
    TsSkinProvider& frame = *MDIFrameProvider;
    frame.SkinData().BackgroundDirty = true;
    frame.UpdateCaptForm(false);
    WithClosing([&] { CallSavedProc(message); }, [&] { frame.KillCaptForm(); });
    RepaintFrame();
    return;
  }
  if (!AeroIsEnabled()) {
    // The system draws its caption for the new text; the caption form hides it from the screen.
    skinData_->BackgroundDirty = true;
    UpdateCaptForm(false);
    WithClosing([&] { CallSavedProc(message); }, [&] { KillCaptForm(); });
    if (Form->AlphaBlend()) SendToSelf(WM_NCPAINT, 1, 0);
  } else if (!BorderForm) {
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    WithClosing([&] { CallSavedProc(message); }, [&] { SendMessageW(window, WM_SETREDRAW, TRUE, 0); });
    skinData_->BackgroundDirty = true;
    SendToSelf(WM_NCPAINT, 1, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  } else {
    CallSavedProc(message);
  }
  RepaintFrame();
}

bool TsSkinProvider::WindowMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_CREATE:
      // A provider read with the form's definition hooked the form before its window existed.
      CallSavedProc(message);
      if (Form->FormStyle() != fsMDIChild) {
        InitializeSkin();
      } else if (MDIFrameProvider == nullptr && Application != nullptr && Application->MainForm() != nullptr &&
                 Application->MainForm()->HandleAllocated()) {
        // A skinned child skins the frame it shows in (the frame has no provider of its own).
        SkinTopLevelWindow(Application->MainForm()->Handle());
      }
      return true;
    case WM_SIZE:
      SizeMessage(message);
      return true;
    case WM_NCCALCSIZE:
      // The form's window class asks for the whole window to be redrawn on every size change; the
      // provider repaints what the size changes itself (the frame, the uncovered client strips, and the
      // whole client when its background follows the size), so the client's pixels are kept.
      CallSavedProc(message);
      if (message.WParam != 0 && DrawClientArea && !Form->OnPaint)
        message.Result &= ~static_cast<LRESULT>(WVR_HREDRAW | WVR_VREDRAW);
      return true;
    case WM_SETTEXT:
      SetTextMessage(message);
      return true;
    case WM_SETICON: {
      const bool skip = ComponentState().Contains(csLoading) || message.LParam == 0 || InAnimationProcess ||
                        !IsWindowVisible(Form->Handle());
      if (skip) return false;
      const HWND window = Form->Handle();
      const bool lock = !AeroIsEnabled();
      if (lock) SendMessageW(window, WM_SETREDRAW, FALSE, 0);
      WithClosing([&] { CallSavedProc(message); }, [&] { if (lock) SendMessageW(window, WM_SETREDRAW, TRUE, 0); });
      RepaintFrame();
      return true;
    }
    case CM_RECREATEWND:
      CallSavedProc(message);
      if (PreviewFlag && Form->HandleAllocated()) NotifySkinEditor(Form->Handle());
      return true;
    case WM_SETREDRAW:
      RedrawLockCount = message.WParam != 0 ? std::max<Integer>(0, RedrawLockCount - 1) : RedrawLockCount + 1;
      CallSavedProc(message);
      return true;
    default:
      return false;
  }
}
