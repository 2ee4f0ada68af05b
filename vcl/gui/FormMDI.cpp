// The form's main menu bar, menu merging and the MDI frame and child windows.
#include <algorithm>

#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// The commands of the MDI client's own Window-menu entries start here, above any item's command that a
// menu is likely to have.
constexpr UINT kFirstMDIChildCommand = 0xFF00;

bool IsMenuBarMessage(const TMessage& m) { return m.LParam == 0 && HIWORD(m.WParam) == 0; }

}  // namespace

TCustomForm* TCustomForm::MDIFrame() {
  if (Application != nullptr && Application->MainForm() != nullptr && Application->MainForm()->FormStyle() == fsMDIForm)
    return Application->MainForm();
  if (Screen == nullptr) return nullptr;
  for (int i = 0; i < Screen->CustomFormCount(); ++i) {
    TCustomForm* form = Screen->CustomForms(i);
    if (form->FormStyle() == fsMDIForm && !form->ComponentState().Contains(csDestroying)) return form;
  }
  return nullptr;
}

void TCustomForm::MDIChildParams(TCreateParams& params) {
  TCustomForm* frame = MDIFrame();
  if (frame == nullptr || frame == this) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
  frame->HandleNeeded();
  if (frame->ClientHandle() == nullptr) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
  params.WndParent = frame->ClientHandle();
  params.Style &= ~static_cast<DWORD>(WS_POPUP);
  params.Style |= WS_CHILD | WS_CLIPSIBLINGS;
  params.ExStyle |= WS_EX_MDICHILD;
  params.ExStyle &= ~static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_TOPMOST);
}

// A child is made by its frame's client window, as the system's MDI children are, so that whatever
// watches the client sees it come.
HWND TCustomForm::NewWindow(const TCreateParams& params) {
  if (formStyle_ != fsMDIChild) return TWinControl::NewWindow(params);
  MDICREATESTRUCTW create{};
  create.szClass = params.WinClassName.c_str();
  create.szTitle = reinterpret_cast<const wchar_t*>(params.Caption.c_str());
  create.hOwner = params.WindowClass.hInstance;
  create.x = params.X;
  create.y = params.Y;
  create.cx = params.Width;
  create.cy = params.Height;
  create.style = params.Style;
  const auto window =
      reinterpret_cast<HWND>(SendMessageW(params.WndParent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  // The client gives a child no extended style but its own.
  const LONG_PTR exStyle = window != nullptr ? GetWindowLongPtrW(window, GWL_EXSTYLE) : 0;
  if (window != nullptr && (exStyle | params.ExStyle) != exStyle)
    SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | params.ExStyle);
  return window;
}

void TCustomForm::CreateClientWindow() {
  CLIENTCREATESTRUCT create{};
  create.hWindowMenu = nullptr;
  if (menu_ != nullptr && windowMenu_ != nullptr) {
    menu_->Handle();  // makes the Window menu's sub-menu
    create.hWindowMenu = windowMenu_->Handle();
  }
  create.idFirstChild = kFirstMDIChildCommand;
  RECT client{};
  GetClientRect(Handle(), &client);
  clientHandle_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                  WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0,
                                  client.right, client.bottom, Handle(), nullptr, GetModuleHandleW(nullptr), &create);
  if (clientHandle_ == nullptr) os::RaiseLastOSError();
  Realign();
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  if (clientHandle_ != nullptr)
    MoveWindow(clientHandle_, rect.Left, rect.Top, std::max<Integer>(rect.Width(), 0), std::max<Integer>(rect.Height(), 0), TRUE);
}

void TCustomForm::SetMenu(TMainMenu* value) {
  if (value == menu_) return;
  if (menu_ != nullptr) RemoveFreeNotification(menu_);
  menu_ = value;
  if (value != nullptr) value->FreeNotification(this);
  if (HandleAllocated() && value == nullptr && formStyle_ != fsMDIChild) {
    if (clientHandle_ != nullptr) SendMessageW(clientHandle_, WM_MDISETMENU, 0, 0);
    ::SetMenu(Handle(), nullptr);
  }
  UpdateMenuBar();
}

void TCustomForm::SetWindowMenu(TMenuItem* value) {
  if (value == windowMenu_) return;
  if (windowMenu_ != nullptr) RemoveFreeNotification(windowMenu_);
  windowMenu_ = value;
  if (value != nullptr) value->FreeNotification(this);
  UpdateMenuBar();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == windowMenu_) windowMenu_ = nullptr;
  if (component == menu_) {
    menu_ = nullptr;
    if (HandleAllocated() && formStyle_ != fsMDIChild) ::SetMenu(Handle(), nullptr);
  }
}

void TCustomForm::UpdateMenuBar() {
  if (!HandleAllocated() || formStyle_ == fsMDIChild || ComponentState().Contains(csDestroying)) return;
  if (menu_ == nullptr || menu_->AutoMerge() || menu_->Tracking()) return;
  const HMENU bar = menu_->Handle();
  if (clientHandle_ != nullptr) {
    // The client keeps the Window menu's list of children and a maximized child's buttons on the bar.
    SendMessageW(clientHandle_, WM_MDISETMENU, reinterpret_cast<WPARAM>(bar),
                 reinterpret_cast<LPARAM>(windowMenu_ != nullptr ? windowMenu_->Handle() : nullptr));
  } else if (GetMenu(Handle()) != bar) {
    ::SetMenu(Handle(), bar);
  }
  DrawMenuBar(Handle());
}

void TCustomForm::MergeMenu(bool mergeState) {
  if (formState_.Contains(fsModal)) return;
  TCustomForm* target = formStyle_ == fsMDIChild ? MDIFrame() : (Application != nullptr ? Application->MainForm() : nullptr);
  if (target == nullptr || target == this || target->Menu() == nullptr) return;
  if (formStyle_ != fsMDIChild && target->FormStyle() == fsMDIForm) return;
  TMainMenu* own = menu_ != nullptr && (menu_->AutoMerge() || formStyle_ == fsMDIChild) ? menu_ : nullptr;
  if (mergeState) {
    target->Menu()->Merge(own);
  } else {
    target->Menu()->Unmerge(own);
  }
}

int TCustomForm::MDIChildCount() const {
  int count = 0;
  for (int i = 0; formStyle_ == fsMDIForm && Screen != nullptr && i < Screen->CustomFormCount(); ++i)
    if (Screen->CustomForms(i)->FormStyle() == fsMDIChild) ++count;
  return count;
}

TCustomForm* TCustomForm::MDIChildren(int index) const {
  int at = 0;
  for (int i = 0; formStyle_ == fsMDIForm && Screen != nullptr && i < Screen->CustomFormCount(); ++i) {
    TCustomForm* form = Screen->CustomForms(i);
    if (form->FormStyle() != fsMDIChild) continue;
    if (at++ == index) return form;
  }
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (formStyle_ != fsMDIForm || clientHandle_ == nullptr) return nullptr;
  const auto active = reinterpret_cast<HWND>(SendMessageW(clientHandle_, WM_MDIGETACTIVE, 0, 0));
  return active != nullptr ? dynamic_cast<TCustomForm*>(FindControl(active)) : nullptr;
}

void TCustomForm::SetZOrder(bool topMost) {
  if (topMost && formStyle_ == fsMDIChild && HandleAllocated()) {
    TControl::SetZOrder(topMost);
    SendMessageW(GetParent(Handle()), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(Handle()), 0);
    return;
  }
  TWinControl::SetZOrder(topMost);
}

void TCustomForm::DefaultHandler(TMessage& m) {
  if (HandleAllocated() && !(m.Msg >= CM_BASE && m.Msg <= 0xBFFF)) {
    if (formStyle_ == fsMDIForm && clientHandle_ != nullptr) {
      m.Result = DefFrameProcW(Handle(), clientHandle_, m.Msg, m.WParam, m.LParam);
      return;
    }
    if (formStyle_ == fsMDIChild && (GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
      m.Result = DefMDIChildProcW(Handle(), m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  TWinControl::DefaultHandler(m);
}

bool TCustomForm::MenuMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
      if (IsMenuBarMessage(m) && menu_ != nullptr && menu_->DispatchMenuCommand(LOWORD(m.WParam))) {
        m.Result = 0;
        return true;
      }
      return false;
    case WM_INITMENUPOPUP:
      if (menu_ != nullptr && HIWORD(m.LParam) == 0) menu_->DispatchMenuPopup(reinterpret_cast<HMENU>(m.WParam));
      return false;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUSELECT:
      return HandleMenuMessage(m);
    case WM_ENTERMENULOOP:
      if (m.WParam == 0 && menu_ != nullptr) menu_->EnterMenuLoop();
      return false;
    case WM_EXITMENULOOP:
      if (m.WParam == 0 && menu_ != nullptr && menu_->Tracking()) {
        menu_->ExitMenuLoop();
        UpdateMenuBar();
      }
      return false;
    case WM_MDIACTIVATE:
      if (formStyle_ == fsMDIChild) {
        if (reinterpret_cast<HWND>(m.LParam) == Handle()) {
          MergeMenu(true);
        } else if (reinterpret_cast<HWND>(m.WParam) == Handle()) {
          MergeMenu(false);
        }
      }
      return false;
    case CM_ACTIVATE:
    case CM_DEACTIVATE:
      if (formStyle_ != fsMDIChild) MergeMenu(m.Msg == CM_ACTIVATE);
      return false;
    case WM_DESTROY:
      // The system destroys a window's menu with the window: the bar belongs to the TMainMenu.
      if (formStyle_ != fsMDIChild && GetMenu(Handle()) != nullptr) ::SetMenu(Handle(), nullptr);
      clientHandle_ = nullptr;
      return false;
    default:
      return false;
  }
}
