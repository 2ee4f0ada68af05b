#include "vcl/gui/PopupMenu.h"

#include <algorithm>
#include <vector>

#include "vcl/gui/UtilWindow.h"

namespace {

// The popup menus alive in the process, for the list window to find the one a message is for.
std::vector<TPopupMenu*>& PopupMenus() {
  static std::vector<TPopupMenu*> menus;
  return menus;
}

HWND gListWindow = nullptr;

void ListWindowProc(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
      if (HIWORD(m.WParam) == 0 && m.LParam == 0) {  // a menu's (not an accelerator's or a control's)
        for (TPopupMenu* menu : std::vector<TPopupMenu*>(PopupMenus()))
          if (menu->DispatchCommand(LOWORD(m.WParam))) return;
      }
      break;
    case WM_INITMENUPOPUP:
      for (TPopupMenu* menu : std::vector<TPopupMenu*>(PopupMenus()))
        if (menu->DispatchPopup(reinterpret_cast<HMENU>(m.WParam))) return;
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUSELECT:
      if (HandleMenuMessage(m)) return;
      break;
    default:
      break;
  }
  m.Result = DefWindowProcW(gListWindow, m.Msg, m.WParam, m.LParam);
}

}  // namespace

HWND PopupListWindow() {
  if (gListWindow == nullptr || !IsWindow(gListWindow)) gListWindow = AllocateHWnd(TWndMethod::FromFunction(ListWindowProc));
  return gListWindow;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TPopupMenuBase(owner) {
  PopupMenus().push_back(this);
  // Shortcuts click the parents of their item first: the root's click is the menu's popup.
  Items()->OnClick = [this](TObject*) { DoPopup(); };
}

TPopupMenu::~TPopupMenu() { std::erase(PopupMenus(), this); }

HWND TPopupMenu::WindowHandle() const { return PopupListWindow(); }

void TPopupMenu::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(Integer x, Integer y) {
  popupPoint_ = Point(x, y);
  DoPopup();
  HMENU menu = Handle();
  UINT flags = TPM_RIGHTBUTTON | TPM_LEFTBUTTON;
  flags |= alignment_ == paRight ? TPM_RIGHTALIGN : alignment_ == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
  if (menuAnimation_.Contains(maNone)) flags |= TPM_NOANIMATION;
  BeginTracking();
  TrackPopupMenu(menu, flags, x, y, 0, PopupListWindow(), nullptr);
  EndTracking();
}
