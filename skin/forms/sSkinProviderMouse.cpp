// The skinned form's mouse in its frame: presses and releases of the title buttons (an action needs the
// press and the release on the same button), the icon's system menu and its double-click, the right
// click on the caption, the outline dragging of ResizeMode rmBorder, the menu loop messages, and the
// system commands with what the provider does around the form's own handling.
#include <windowsx.h>

#include <memory>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/forms/skTitleBar.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/PopupMenu.h"


namespace {

constexpr Integer kBorderFrameCode = 19;  // the border window's answer for its frame: the system's business
constexpr WPARAM kDragMove = 0xF012;      // SC_MOVE started by the mouse on the caption
constexpr DWORD kIconWaitMs = 200;        // the icon's press waits this long for a double-click

bool IsSizingCode(Integer code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }
bool IsUserButtonCode(Integer code) { return code >= 1000 && code < 2000; }
bool IsTitleBarItemCode(Integer code) { return code >= 2000 && code <= 2255; }

std::unique_ptr<TskFreeWatch> Watch(TComponent* provider) {
  return std::unique_ptr<TskFreeWatch>(New<TskFreeWatch>(provider));
}

bool DragFullWindows() {
  BOOL on = FALSE;
  return SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &on, 0) != FALSE && on != FALSE;
}

}  // namespace

Integer TsSkinProvider::MessageHitCode(const TMessage& message) {
  const auto code = static_cast<Integer>(static_cast<LONG_PTR>(message.WParam));
  if (code == -1 && BorderForm != nullptr) return BorderForm->HitTest(message);
  return code;
}

bool TsSkinProvider::ButtonHeldDown(Integer code) {
  if (!TitleButtonPressed) return false;
  const TskSysButtonData* button = ButtonOfCode(code);
  return button != nullptr && button->State == 2;
}

bool TsSkinProvider::MouseMessage(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSELEAVE:
      // A child control that the mouse left tells its parents too: that says nothing of the title.
      if (message.LParam != 0 && message.LParam != reinterpret_cast<LPARAM>(Form)) {
        CallSavedProc(message);
        return true;
      }
      [[fallthrough]];
    case WM_MOUSELEAVE:
      SetHotButton(-1, true);
      TitleButtonPressed = false;
      CallSavedProc(message);
      return true;
    case WM_NCLBUTTONDOWN:
      NCLButtonDown(message);
      return true;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
      NCLButtonUp(message);
      return true;
    case WM_NCLBUTTONDBLCLK:
      NCLButtonDblClk(message);
      return true;
    case WM_NCRBUTTONDOWN: {
      const Integer code = MessageHitCode(message);
      // The caption's and the icon's menu comes with the button's release.
      if (code == HTCAPTION || code == HTSYSMENU) {
        message.Result = 0;
      } else {
        CallSavedProc(message);
      }
      return true;
    }
    case WM_NCRBUTTONUP:
      NCRButtonUp(message);
      return true;
    case 0x313: {  // the task bar asks for the system menu
      POINT p{};
      GetCursorPos(&p);
      ShowSystemMenu(p.x, p.y);
      message.Result = 0;
      return true;
    }
    case WM_MOUSEMOVE:
      CallSavedProc(message);
      if (TsSkinManager* manager = TsSkinManager::DefaultManager(); manager != nullptr && !manager->ComponentState().Contains(csDesigning))
        manager->SetActiveControl(static_cast<TControl*>(nullptr));
      if (ResizeMode == rmBorder && Form->Enabled() && BorderResizing()) {
        POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        ClientToScreen(Form->Handle(), &p);
        DrawResizeOutline(p.x, p.y);
      }
      return true;
    case WM_INITMENUPOPUP:
      // The skinned popups fill in the form's window menu here (MDI frames); the form's own handling
      // never sees the message.
      message.Result = 0;
      return true;
    case WM_ENTERIDLE:
      message.Result = 0;
      return true;
    case WM_MEASUREITEM: {
      const auto* measure = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
      TsSkinManager* manager = Manager();
      if (measure != nullptr && measure->CtlType == ODT_MENU && manager != nullptr && GetMenu(Form->Handle()) != nullptr) {
        if (TMenuItem* item = FindMenuItemByCommand(measure->itemID)) manager->SkinableMenus().HookItem(item, true);
      }
      CallSavedProc(message);
      return true;
    }
    case WM_CONTEXTMENU:
      if (TsSkinManager* manager = Manager()) {
        if (auto* popup = dynamic_cast<TPopupMenu*>(Form->PopupMenu()))
          manager->SkinableMenus().HookPopupMenu(popup, manager->SkinnedPopups());
      }
      CallSavedProc(message);
      return true;
    case WM_SYSCOMMAND:
      SysCommand(message);
      return true;
    default:
      return false;
  }
}

void TsSkinProvider::NCLButtonDown(TMessage& message) {
  Integer code = static_cast<Integer>(static_cast<LONG_PTR>(message.WParam));
  if (!drawNonClientArea_) {
    if (code == HTSYSMENU) {
      ShowSystemMenuAtIcon();
    } else {
      CallSavedProc(message);
    }
    return;
  }
  if (BorderForm != nullptr) {
    if (code == kBorderFrameCode) {
      CallSavedProc(message);
      return;
    }
    // The border window passes its presses with -1: the saved procedure gets the place's own code
    // (a press on a sizing edge starts the system's sizing there).
    code = MessageHitCode(message);
    message.WParam = static_cast<WPARAM>(static_cast<LONG_PTR>(code));
  }
  const TPoint screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  switch (code) {
    case HTMINBUTTON: case HTMAXBUTTON: case HTCLOSE: case HTHELP:
      SetPressedButton(code);
      return;
    case 101: case 102: case 103:
      // The buttons of a maximised MDI child in the frame's menu line.
      return;
    case HTSYSMENU:
      message.Result = 0;
      CallSavedProc(message);
      if (message.Result == 0) PressedIconClick();
      return;
    case HTMENU:
      CallSavedProc(message);
      return;
    default:
      break;
  }
  if (IsUserButtonCode(code)) {
    SetPressedButton(code);
    if (code - 1000 < titleButtons_->Count()) {
      const TPoint p = ScreenToFormPoint(screen.X, screen.Y);
      titleButtons_->Items(code - 1000)->MouseDown(mbLeft, TShiftState{}, p.X, p.Y);
    }
    return;
  }
  if (IsTitleBarItemCode(code)) {
    TskTitleBarItem* item = TitleItemOfCode(code);
    if (item == nullptr) return;
    SetPressedButton(code);
    const TPoint p = ScreenToFormPoint(screen.X, screen.Y);
    const auto watch = Watch(this);
    item->MouseDown(mbLeft, TShiftState{}, p.X, p.Y);
    if (watch->Gone()) return;
    // A tab or a drop-down menu has clicked already: the press is over.
    if (!item->Pressed && TitleButtonPressed) {
      TitleButtonPressed = false;
      HotHitTest = 0;
      RepaintButton(code);
    }
    return;
  }
  const HWND window = Form->Handle();
  if (IsIconic(window) != FALSE) {
    Form->Perform(WM_SYSCOMMAND, kDragMove, 0);
    return;
  }
  SetHotButton(0, true);
  if (IsZoomed(window) != FALSE) {
    const TPoint p = ScreenToFormPoint(screen.X, screen.Y);
    if (p.Y <= SysBorderWidth() + CaptionHeight(true)) {
      // A maximised form does not move: the click only activates it.
      if (!Form->Active() && Form->Enabled()) SetFocus(window);
      return;
    }
  }
  if (DragFullWindows() && ResizeMode == rmBorder && Form->Enabled() && code != HTMENU &&
      (code == HTCAPTION || IsSizingCode(code))) {
    // Outline dragging: the provider's own loop (the system's would move the form at once).
    const bool moving = !IsSizingCode(code);
    StartBorderResize(screen.X, screen.Y, moving, moving ? 0 : code);
    Form->Perform(WM_SYSCOMMAND, moving ? SC_MOVE : SC_SIZE, 0);
    return;
  }
  if (DragFullWindows() && code == HTCAPTION && Form->FormStyle() != fsMDIChild && BlendsOnMoving()) {
    // The form moves translucent: the provider runs the move loop itself.
    if (!DrawnActive) skinData_->BackgroundDirty = true;
    DrawnActive = true;
    SetFocus(window);
    StartBlendOnMoving();
    return;
  }
  CallSavedProc(message);
}

// The press on the icon: without the skinned popups it waits a moment so that a double-click closes
// the form instead; the form may be gone afterwards.
void TsSkinProvider::PressedIconClick() {
  SetHotButton(0, true);
  TitleButtonPressed = false;
  TsSkinManager* manager = Manager();
  if (manager == nullptr || !manager->SkinnedPopups()) {
    const auto watch = Watch(this);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kIconWaitMs) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (watch->Gone()) return;
      }
      if (watch->Gone() || skinData_->UpdatingFlag) return;
      Sleep(5);
    }
    if (watch->Gone() || Form == nullptr || !Form->HandleAllocated() || !IsWindowVisible(Form->Handle())) return;
  }
  ShowSystemMenuAtIcon();
}

void TsSkinProvider::ShowSystemMenuAtIcon() {
  if (Form == nullptr || !Form->HandleAllocated()) return;
  RECT r{};
  GetWindowRect(Form->Handle(), &r);
  const bool iconic = IsIconic(Form->Handle()) != FALSE;
  if (Form->FormStyle() == fsMDIChild) {
    ShowSystemMenu(r.left, r.top + SysCaptionHeight() + 4 - (iconic ? 16 : 0));
    return;
  }
  const Integer frame = SysBorderWidth();
  const Integer y = r.top + frame + CaptionIconRect.Height() + FrameInput().PlainFrame - (iconic ? 16 : 0);
  ShowSystemMenu(r.left + frame, y);
}

void TsSkinProvider::NCLButtonUp(TMessage& message) {
  if (!drawNonClientArea_ || !Form->Enabled()) {
    CallSavedProc(message);
    return;
  }
  // A client button-up carries key flags, not a hit-test code.
  const Integer code = message.Msg == WM_LBUTTONUP ? HTNOWHERE : MessageHitCode(message);
  const HWND window = Form->Handle();
  const bool held = ButtonHeldDown(code);
  const auto watch = Watch(this);
  switch (code) {
    case HTHELP:
      if (held) SendMessageW(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      if (watch->Gone()) return;
      SetHotButton(0, true);
      if (held) {
        SkinSysMenu->UpdateItems(false);
        Form->Perform(WM_NCPAINT, 0, 0);
      }
      break;
    case HTCLOSE:
      if (held) {
        SysButtons[sbClose].State = 0;
        TitleButtonPressed = false;
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (watch->Gone()) return;
        if (!Form->ComponentState().Contains(csDestroying)) {
          FreeTitleButtonEffects();
          if (Form->HandleAllocated() && IsWindowVisible(Form->Handle()) != FALSE) {
            SetHotButton(-1, false);
            RepaintFrame();
          }
        }
      } else {
        SetHotButton(0, true);
      }
      break;
    case HTMAXBUTTON: {
      const bool zoomed = IsZoomed(window) != FALSE;
      if (SkinSysMenu == nullptr || !(SkinSysMenu->EnabledMax() || (zoomed && SkinSysMenu->EnabledRestore()))) break;
      if (held) {
        SysButtons[sbMax].State = 0;
        TitleButtonPressed = false;
        SendMessageW(window, WM_SYSCOMMAND, zoomed ? SC_RESTORE : SC_MAXIMIZE, 0);
        if (watch->Gone()) return;
        SkinSysMenu->UpdateItems(false);
      } else {
        SetHotButton(0, true);
        CallSavedProc(message);
      }
      break;
    }
    case HTMINBUTTON: {
      const TPoint p = ScreenToFormPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      const TRect& r = SysButtons[sbMin].Rect;
      const bool inside = BorderForm != nullptr || (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom);
      if (held && inside) {
        SysButtons[sbMin].State = 0;
        TitleButtonPressed = false;
        const bool mainForm = Application != nullptr && Application->MainForm() == Form;
        if (mainForm) HideAnimGuard = true;
        SendMessageW(window, WM_SYSCOMMAND, IsIconic(window) != FALSE ? SC_RESTORE : SC_MINIMIZE, 0);
        if (watch->Gone()) return;
        if (mainForm) HideAnimGuard = false;
        skinData_->BackgroundDirty = true;
        RegionChanged = true;
      } else {
        CallSavedProc(message);
      }
      break;
    }
    case 101: case 102: case 103:
      // The maximised MDI child's close, restore and minimise buttons act on the active child.
      break;
    default:
      if (IsUserButtonCode(code)) {
        if (code - 1000 < titleButtons_->Count()) {
          const TPoint p = ScreenToFormPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
          TitleButtonPressed = false;
          SetHotButton(code, true);
          titleButtons_->Items(code - 1000)->MouseUp(mbLeft, TShiftState{}, p.X, p.Y);
          if (watch->Gone()) return;
        }
      } else if (IsTitleBarItemCode(code)) {
        if (TskTitleBarItem* item = TitleItemOfCode(code)) {
          const TPoint p = ScreenToFormPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
          TitleButtonPressed = false;
          item->MouseState = 1;
          item->MouseUp(mbLeft, TShiftState{}, p.X, p.Y);
          if (watch->Gone()) return;
          RepaintButton(code);
        }
      } else if (ResizeMode == rmBorder && BorderResizing()) {
        EndBorderResize();
      } else {
        CallSavedProc(message);
        if (watch->Gone()) return;
      }
  }
  // A release anywhere ends the press; a pressed button that the mouse left shows normal again.
  if (TitleButtonPressed) {
    TitleButtonPressed = false;
    if (TskSysButtonData* button = ButtonOfCode(HotHitTest); button != nullptr && button->State == 2) {
      button->State = 0;
      RepaintButton(HotHitTest);
    }
  }
}

void TsSkinProvider::NCLButtonDblClk(TMessage& message) {
  if (BorderResizing()) EndBorderResize();
  const Integer code = MessageHitCode(message);
  const HWND window = Form->Handle();
  switch (code) {
    case HTCAPTION: {
      const bool iconic = IsIconic(window) != FALSE, zoomed = IsZoomed(window) != FALSE;
      const bool allowed = HasSysMenu() && SkinSysMenu != nullptr &&
                           (SkinSysMenu->EnabledMax() || SkinSysMenu->EnabledRestore());
      if (allowed || (!IsBordered() && iconic)) {
        const auto watch = Watch(this);
        SendMessageW(window, WM_SYSCOMMAND, zoomed || iconic ? SC_RESTORE : SC_MAXIMIZE, 0);
        if (watch->Gone()) return;
        if (SkinSysMenu != nullptr) SkinSysMenu->UpdateItems(false);
      }
      message.WParam = 0;
      return;
    }
    case HTSYSMENU:
      if (TsSkinManager* manager = Manager(); manager == nullptr || !manager->SkinnedPopups()) skinData_->SetUpdating(true);
      Form->Close();
      return;
    default:
      CallSavedProc(message);
  }
}

void TsSkinProvider::NCRButtonUp(TMessage& message) {
  Integer code = static_cast<Integer>(static_cast<LONG_PTR>(message.WParam));
  if (IsBordered()) code = BorderForm != nullptr ? BorderForm->HitTest(message) : HitTest(message);
  if (code != HTCAPTION && code != HTSYSMENU) {
    CallSavedProc(message);
    return;
  }
  SetHotButton(0, true);
  TitleButtonPressed = false;
  ShowSystemMenu(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
  message.Result = 0;
}
