// WM_SYSCOMMAND of a skinned form: what the provider does before and after the form's own handling of
// minimising, maximising, restoring, moving and sizing.
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSystemAnimation.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"

namespace {

constexpr WPARAM kDragMove = 0xF012;  // SC_MOVE started by the mouse on the caption
constexpr Cardinal kAnimHidingState = 0x200;
constexpr Cardinal kAnimShowingState = 0x100;

}  // namespace

void TsSkinProvider::SysCommand(TMessage& message) {
  // The system keeps the low four bits for itself (a caption double-click sends 0xF032).
  const WPARAM command = message.WParam & 0xFFF0;
  if (Form->FormStyle() == fsMDIChild) {
    // An MDI child's commands refresh its frame and siblings around the form's handling.
    MDIChildSysCommand(message, command);
    return;
  }
  if (Form->FormStyle() == fsMDIForm) {
    CallSavedProc(message);
    if (command == SC_MINIMIZE || command == SC_MAXIMIZE || command == SC_RESTORE) {
      MenuRowCount = -1;
      SendToSelf(WM_NCPAINT, 1, 0);
      if (command == SC_MAXIMIZE && BorderForm != nullptr) BorderForm->UpdateExBorders(true);
    }
    return;
  }
  if (SysCommandBeforeDefault(message, command)) return;
  const LPARAM key = message.LParam;
  CallSavedProc(message);
  SysCommandAfterDefault(command, key);
}

// The steps before the form's own handling; true when the command is done.
bool TsSkinProvider::SysCommandBeforeDefault(TMessage& message, WPARAM command) {
  TsSkinManager* manager = Manager();
  const HWND window = Form->Handle();
  const bool mainForm = Application != nullptr && Application->MainForm() == Form;
  const bool iconic = IsIconic(window) != FALSE;
  if (message.WParam == kDragMove) RepaintFrame();
  const bool minimizeEffect = manager != nullptr && manager->AnimEffects().Minimizing->Active;
  if (command == SC_MINIMIZE && mainForm && Form->Parent() == nullptr && Application->Handle() != window) {
    // The application minimises its main form: the manager's hook on the application window animates
    // it there.
    SendMessageW(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, message.LParam);
    return true;
  }
  if (command == SC_MINIMIZE && !mainForm && minimizeEffect) {
    // The provider's own minimise animation takes the system's place.
    TSystemAnimationOff off;
    StartMinimizeAnimation();
    CallSavedProc(message);
    return true;
  }
  const auto* minTimer = dynamic_cast<const TskMinTimer*>(MinMaxTimer.get());
  if (command == SC_MAXIMIZE && Form->Parent() == nullptr && minTimer != nullptr && minTimer->Minimized()) {
    TSystemAnimationOff off;
    StartRestoreAnimation();
    CallSavedProc(message);
    return true;
  }
  if (command == SC_RESTORE) {
    if ((AnimState & kAnimHidingState) != 0) {
      AnimState &= ~kAnimHidingState;
      if (BorderForm != nullptr) BorderForm->Busy = false;
      TSystemAnimationOff off;
      CallSavedProc(message);
      return true;
    }
    if (!mainForm && iconic && minTimer != nullptr) {
      TSystemAnimationOff off;
      StartRestoreAnimation();
      CallSavedProc(message);
      return true;
    }
    if (mainForm && iconic && Form->Parent() == nullptr && MinMaxTimer != nullptr && Application->Handle() != window) {
      // Minimised with the animation through the application: it restores the form the same way.
      SendMessageW(Application->Handle(), WM_SYSCOMMAND, SC_RESTORE, message.LParam);
      return true;
    }
    if (!mainForm && !iconic) {
      // A border window lost on the way (minimised, hidden) comes back first.
      const bool lost = BorderForm != nullptr ? BorderForm->BorderHandle() == nullptr
                                              : manager != nullptr && WantsExtBorders(manager->ExtendedBorders());
      if (lost) UpdateExtBorders(manager != nullptr && manager->ExtendedBorders());
    }
    if (mainForm && iconic && Form->Parent() == nullptr && BorderForm == nullptr && AeroIsEnabled()) {
      CallSavedProc(message);
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
      InvalidateRect(window, nullptr, TRUE);
      return true;
    }
  }
  if (ResizeMode == rmBorder && Form->Enabled() && (command == SC_MOVE || command == SC_SIZE)) {
    // The provider's outline dragging, not the system's move loop; a press on the frame has started it
    // already, a menu or key command starts it at the cursor.
    if (!BorderResizing()) {
      POINT p{};
      GetCursorPos(&p);
      StartBorderResize(p.x, p.y, command == SC_MOVE);
    }
    SetCapture(window);
    message.Result = 0;
    return true;
  }
  if (command == SC_RESTORE) BorderForm.reset();
  return false;
}

void TsSkinProvider::SysCommandAfterDefault(WPARAM command, LPARAM key) {
  if (Form == nullptr || !Form->HandleAllocated()) return;
  TsSkinManager* manager = Manager();
  const HWND window = Form->Handle();
  // Alt+Space opens the skinned system menu under the icon.
  if (command == SC_KEYMENU && key == VK_SPACE && IsBordered() && HasSysMenu()) ShowSystemMenuAtIcon();
  if (command == SC_MAXIMIZE || command == SC_RESTORE) {
    if (SkinSysMenu != nullptr && SkinSysMenu->VisibleMax()) HotHitTest = HTMAXBUTTON;
    SetHotButton(-1, true);
  }
  if (command == SC_RESTORE) {
    skinData_->BackgroundDirty = true;
    RegionChanged = true;
    if (allowExtBorders_ && drawNonClientArea_ && Form->Parent() == nullptr && manager != nullptr) {
      UpdateExtBorders(manager->ExtendedBorders());
    }
    if (Form->BorderStyle() != bsNone) {
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    } else {
      SetWindowRgn(window, nullptr, TRUE);
    }
  }
  if (command == SC_MINIMIZE) {
    if (manager != nullptr && manager->AnimEffects().Minimizing->Active) AnimState &= ~Cardinal{fsAnimating};
    if (BorderForm != nullptr && BorderForm->BorderHandle() != nullptr && (AnimState & kAnimShowingState) == 0)
      BorderForm.reset();
  }
}
