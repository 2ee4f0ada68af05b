// The skinned dialog's clicks in its frame: a title button acts when it is pressed and released on
// itself, the icon shows the skinned system menu (and closes the dialog on a double-click), the caption
// maximizes or restores on a double-click when the dialog may, a right click on the caption or the icon
// shows the system menu at the mouse, and a caption press starts a blended move when the manager asks.
#include <windowsx.h>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDialogWnd.h"
#include "skin/forms/sBorderForm.h"
#include "skin/manager/sSkinManager.h"

namespace {

constexpr Integer kBorderFrameCode = 19;  // the border window's answer for its frame: the system's business
constexpr WPARAM kDragMove = 0xF012;      // SC_MOVE started by the mouse on the caption
constexpr WPARAM kContextHelp = 0xF180;   // SC_CONTEXTHELP

bool IsSizingCode(Integer code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }
bool IsMdiButtonCode(Integer code) { return code >= 101 && code <= 103; }

Integer MessageCode(const TMessage& message) { return static_cast<Integer>(static_cast<LONG_PTR>(message.WParam)); }

}  // namespace

bool TskDialogWnd::MouseMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_NCLBUTTONDOWN:
      NCLButtonDown(message);
      return true;
    case WM_NCLBUTTONUP:
      ButtonUp(message, MessageCode(message) == -1 && BorderForm ? BorderForm->HitTest(message) : MessageCode(message));
      return true;
    case WM_LBUTTONUP: {
      // wParam holds the key flags here, not a hit code: the point (client coordinates) is hit-tested.
      POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      ClientToScreen(Window, &p);
      TMessage probe = message;
      probe.LParam = MAKELPARAM(p.x, p.y);
      ButtonUp(message, DialogPressedMark ? HitTest(probe) : HTNOWHERE);
      return true;
    }
    case WM_NCLBUTTONDBLCLK:
      NCDoubleClick(message);
      return true;
    case WM_NCRBUTTONDOWN: {
      const Integer code = MessageCode(message);
      if (code != HTCAPTION && code != HTSYSMENU) return false;
      message.Result = 0;
      return true;
    }
    case WM_NCRBUTTONUP: {
      const Integer code = MessageCode(message) == -1 && BorderForm ? BorderForm->HitTest(message) : MessageCode(message);
      if (code != HTCAPTION && code != HTSYSMENU) return false;
      SetHotTitleButton(HTNOWHERE, true);
      ShowSystemMenu(TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      message.Result = 0;
      return true;
    }
    default:
      return false;
  }
}

// With a border window the title lies on it, and the codes it passes on are its own hit test's.
Integer TskDialogWnd::ClickHitCode(const TMessage& message) {
  const Integer code = MessageCode(message);
  if (BorderForm) return code == -1 ? BorderForm->HitTest(message) : code;
  return IsSizingCode(code) ? code : HitTest(message);
}

void TskDialogWnd::NCLButtonDown(TMessage& message) {
  if (BorderForm && MessageCode(message) == kBorderFrameCode) {
    CallOldProc(message);
    return;
  }
  const Integer code = ClickHitCode(message);
  if (code == HTSYSMENU) {
    SetHotTitleButton(HTNOWHERE, true);
    RefreshGeometry();
    ShowSystemMenu(TPoint{SysBorderWidth() + WindowRect.Left, SysBorderWidthNoExt() + WindowRect.Top + GetSystemMetrics(SM_CYSMICON)});
    return;
  }
  if (ButtonOfCode(code) != nullptr || IsMdiButtonCode(code)) {
    SetPressedTitleButton(code);
    return;
  }
  if (IsIconic(Window)) {
    SendMessageW(Window, WM_SYSCOMMAND, kDragMove, message.LParam);
    return;
  }
  SetHotTitleButton(HTNOWHERE, true);
  if (code == HTCAPTION && IsZoomed(Window)) {
    SetFocus(Window);
    return;
  }
  if (code == HTCAPTION && SkinManager != nullptr) {
    const auto& blend = SkinManager->AnimEffects().BlendOnMoving;
    if (blend && blend->Active && blend->BlendValue != 255) {
      FormActive = true;
      RepaintOwnerFrame();
      StartBlendOnMoving();
      return;
    }
  }
  message.WParam = static_cast<WPARAM>(code);
  CallOldProc(message);
}

void TskDialogWnd::ButtonUp(TMessage& message, Integer code) {
  if (!DialogPressedMark) {
    SetHotTitleButton(HTNOWHERE, true);
    CallOldProc(message);
    return;
  }
  switch (code) {
    case HTMINBUTTON:
      if (message.Msg == WM_NCLBUTTONUP && HitTest(message) != HTMINBUTTON) {
        CallOldProc(message);
        break;
      }
      DialogPressedMark = false;
      SendMessageW(Window, WM_SYSCOMMAND, IsIconic(Window) ? SC_RESTORE : SC_MINIMIZE, 0);
      // The button must not show pressed once the dialog is back.
      SetHotTitleButton(HTNOWHERE, true);
      break;
    case HTMAXBUTTON:
      DialogPressedMark = false;
      if (!IsIconic(Window) || ButtonRules().Maximize) MaxRestoreCommand(IsZoomed(Window) ? SC_RESTORE : SC_MAXIMIZE);
      break;
    case HTCLOSE:
      DialogPressedMark = false;
      // The dialog may be gone once the command returns; the adapter lives until its own call ends.
      SendMessageW(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
      FreeTitleButtons();
      if (IsWindow(Window) && IsWindowVisible(Window)) SetHotTitleButton(HTNOWHERE, true);
      break;
    case HTHELP:
      DialogPressedMark = false;
      SendMessageW(Window, WM_SYSCOMMAND, kContextHelp, 0);
      SystemMenu->UpdateItems();
      SendMessageW(Window, WM_NCPAINT, 0, 0);
      break;
    default:
      SetHotTitleButton(HTNOWHERE, true);
      CallOldProc(message);
      break;
  }
  message.WParam = 0;
}

void TskDialogWnd::NCDoubleClick(TMessage& message) {
  const Integer code = MessageCode(message) == -1 && BorderForm ? BorderForm->HitTest(message) : MessageCode(message);
  if (code == HTCAPTION) {
    const TskDialogButtonRules rules = ButtonRules();
    if (rules.Maximize || rules.Restore)
      MaxRestoreCommand(IsZoomed(Window) || IsIconic(Window) ? SC_RESTORE : SC_MAXIMIZE);
  } else if (code == HTSYSMENU) {
    SendMessageW(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    CallOldProc(message);
    return;
  }
  message.Result = 0;
}

void TskDialogWnd::MaxRestoreCommand(WPARAM command) {
  SendMessageW(Window, WM_SYSCOMMAND, command, 0);
  if (IsWindow(Window)) SystemMenu->UpdateItems();
}

void TskDialogWnd::ShowSystemMenu(TPoint p) {
  if (SystemMenu == nullptr) return;
  SystemMenu->UpdateItems();
  if (SkinManager != nullptr && SkinManager->SkinnedPopups()) SkinManager->SkinableMenus().HookPopupMenu(SystemMenu, true);
  SystemMenu->Popup(p.X, p.Y);
}
