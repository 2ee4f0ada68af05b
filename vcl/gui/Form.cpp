#include "vcl/gui/Form.h"

#include <algorithm>
#include <typeinfo>
#include <vector>

#include "vcl/db/DataSet.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

constexpr const char* kCannotFocus = "Cannot focus a disabled or invisible window";

// The windows of this thread that a modal form disables while it runs.
std::vector<HWND> DisableTaskWindows(HWND modal) {
  struct Context {
    HWND modal;
    std::vector<HWND> disabled;
  } context{modal, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM lParam) -> BOOL {
        auto* c = reinterpret_cast<Context*>(lParam);
        if (window != c->modal && IsWindowVisible(window) && IsWindowEnabled(window)) {
          c->disabled.push_back(window);
          EnableWindow(window, FALSE);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return context.disabled;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND window : windows)
    if (IsWindow(window)) EnableWindow(window, TRUE);
}

TRect WorkArea() {
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) {
    r = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return FromRECT(r);
}

}  // namespace

namespace {
// Datasets of a form that cannot open while the form is being created stay closed quietly.
bool FormCreating(const TComponent* owner) {
  const auto* form = dynamic_cast<const TCustomForm*>(owner);
  return form != nullptr && form->FormState().Contains(fsCreating);
}
const bool formCreatingQueryInstalled = (SetOwnerCreatingQuery(&FormCreating), true);
}  // namespace

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner), icon_(std::make_unique<TIcon>()), canvas_(std::make_unique<TControlCanvas>(*this)) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  formState_.Include(fsCreating);
  InitVisible(false);
  InitParentFont(false);
  InitParentShowHint(false);
  SetColor(clBtnFace);
  StoreBounds(0, 0, 320, 240);
  icon_->OnChange = [this](TObject*) {
    if (HandleAllocated()) {
      SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_->Handle()));
      SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_->Handle()));
    }
    Perform(CM_ICONCHANGED, 0, 0);
  };
  if (Screen != nullptr) Screen->AddForm(this);
}

bool TCustomForm::ReadsDefinition() const {
  if (typeid(*this) == typeid(TForm) || typeid(*this) == typeid(TCustomForm)) return false;
  return PropertyTableOf(*this) != nullptr;
}

void TCustomForm::AfterConstruction() {
  TWinControl::AfterConstruction();
  if (ReadsDefinition()) {
    ReadComponentResource(*this);  // ends in DefinitionLoaded
  } else {
    FinishCreation();
  }
}

void TCustomForm::DefinitionLoaded() { FinishCreation(); }

void TCustomForm::FinishCreation() {
  formState_.Exclude(fsCreating);
  DoCreate();
  if (formState_.Contains(fsVisible)) {
    formState_.Exclude(fsVisible);
    Show();
  }
}

void TCustomForm::SetFormVisible(bool value) {
  if (formState_.Contains(fsCreating)) {
    if (value) {
      formState_.Include(fsVisible);
    } else {
      formState_.Exclude(fsVisible);
    }
    return;
  }
  SetVisible(value);
}

void TCustomForm::BeforeDestruction() {
  // OnHide and OnDestroy run while the form and its controls are complete.
  try {
    if (Visible()) Hide();
  } catch (...) {
    if (Application != nullptr) Application->HandleException(this);
  }
  DoDestroy();
  if (formStyle_ == fsMDIChild) MergeMenu(false);
  if (Screen != nullptr) Screen->RemoveForm(this);
  TWinControl::BeforeDestruction();
}

TCustomForm::~TCustomForm() {
  if (Screen != nullptr) Screen->RemoveForm(this);
}

// ---- events ----

void TCustomForm::DoCreate() {
  // As with the library, an exception from OnCreate is shown and the form stays.
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    if (Application != nullptr) Application->HandleException(this);
  }
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    if (Application != nullptr) Application->HandleException(this);
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

// ---- appearance ----

void TCustomForm::UpdateStyles() {
  if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  UpdateStyles();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (value == borderIcons_) return;
  borderIcons_ = value;
  UpdateStyles();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (value == formStyle_) return;
  const bool mdi = [](TFormStyle style) { return style == fsMDIChild || style == fsMDIForm; }(value);
  const bool wasMdi = formStyle_ == fsMDIChild || formStyle_ == fsMDIForm;
  formStyle_ = value;
  if (mdi || wasMdi) {
    UpdateStyles();
    return;
  }
  if (HandleAllocated())
    SetWindowPos(Handle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == windowState_) return;
  windowState_ = value;
  if (HandleAllocated() && Showing()) {
    static constexpr int kShow[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
    ShowWindow(Handle(), kShow[value]);
  }
}

void TCustomForm::SetAlphaBlend(bool value) {
  if (value == alphaBlend_) return;
  alphaBlend_ = value;
  ApplyAlphaBlend();
}

void TCustomForm::SetAlphaBlendValue(Byte value) {
  if (value == alphaBlendValue_) return;
  alphaBlendValue_ = value;
  ApplyAlphaBlend();
}

void TCustomForm::ApplyAlphaBlend() {
  if (!HandleAllocated()) return;
  HWND window = Handle();
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (alphaBlend_) {
    if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, alphaBlendValue_, LWA_ALPHA);
  } else if ((exStyle & WS_EX_LAYERED) != 0) {
    SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_GROUP | WS_TABSTOP | WS_DISABLED);
  params.WndParent = Application != nullptr ? Application->Handle() : nullptr;
  if (Application != nullptr && Application->MainForm() == this) params.ExStyle |= WS_EX_APPWINDOW;
  params.WindowClass.style = CS_DBLCLKS;
  const bool tool = borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin;
  switch (borderStyle_) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (tool) params.ExStyle |= WS_EX_TOOLWINDOW;
  if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
    params.Style |= WS_SYSMENU;
    if (borderStyle_ != bsDialog && !tool) {
      if (borderIcons_.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
      if (borderIcons_.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
    }
    if (borderIcons_.Contains(biHelp) &&
        (borderStyle_ == bsDialog || !(borderIcons_.Contains(biMinimize) || borderIcons_.Contains(biMaximize))))
      params.ExStyle |= WS_EX_CONTEXTHELP;
  }
  if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
  if (formStyle_ == fsMDIChild) MDIChildParams(params);
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  // A form without an icon of its own shows the application's.
  HICON icon = icon_->Handle();
  if (icon == nullptr && Application != nullptr) icon = Application->Icon().Handle();
  if (icon != nullptr) {
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  ApplyAlphaBlend();
  if (formStyle_ == fsMDIForm) CreateClientWindow();
  UpdateMenuBar();
}

void TCustomForm::PaintWindow(HDC dc) {
  TCanvasPaintScope scope(*canvas_, dc);
  Paint();
}

void TCustomForm::SetClientSize(Integer width, Integer height) {
  if (ComponentState().Contains(csLoading)) {
    // The frame depends on properties that may still come (BorderStyle): applied in Loaded.
    const TRect client = ClientRect();
    if (width != client.Width()) pendingClientWidth_ = width;
    if (height != client.Height()) pendingClientHeight_ = height;
    return;
  }
  TWinControl::SetClientSize(width, height);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  if (pendingClientWidth_ >= 0 || pendingClientHeight_ >= 0) {
    const TRect client = ClientRect();
    const Integer w = pendingClientWidth_ >= 0 ? pendingClientWidth_ : client.Width();
    const Integer h = pendingClientHeight_ >= 0 ? pendingClientHeight_ : client.Height();
    pendingClientWidth_ = pendingClientHeight_ = -1;
    TWinControl::SetClientSize(w, h);
  }
}

// ---- focus ----

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == activeControl_) return;
  const bool loading = ComponentState().Contains(csLoading);
  if (!(control == nullptr ||
        (control != this && GetParentForm(control) == this && (loading || control->CanFocus())))) {
    throw EInvalidOperation(kCannotFocus);
  }
  activeControl_ = control;
  if (!loading && active_) SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND target = activeControl_ != nullptr ? activeControl_->Handle() : Handle();
  if (target != nullptr) ::SetFocus(target);
}

void TCustomForm::FocusControl(TWinControl* control) {
  const bool wasActive = active_;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation(kCannotFocus);
  SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (ComponentState().Contains(csDestroying)) return true;
  TWinControl* old = focusedControl_;
  if (control != this) activeControl_ = control;
  focusedControl_ = control;
  if (Screen != nullptr) Screen->SetActive(this, control);
  if (old != control) {
    if (old != nullptr && old != this && ContainsControl(old)) old->Perform(CM_EXIT, 0, 0);
    if (control != this) control->Perform(CM_ENTER, 0, 0);
  }
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  return true;
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(focusedControl_)) focusedControl_ = control->Parent();
  if (control->ContainsControl(activeControl_)) activeControl_ = nullptr;
}

void TCustomForm::SetActive(bool value) {
  active_ = value;
  if (value) {
    if (activeControl_ == nullptr) activeControl_ = FindNextControl(nullptr, true, true, false);
    SetWindowFocus();
    if (Screen != nullptr) Screen->SetActive(this, activeControl_);
    Perform(CM_ACTIVATE, 0, 0);
  } else {
    Perform(CM_DEACTIVATE, 0, 0);
  }
}

// ---- showing and closing ----

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::ApplyPosition() {
  TRect area = WorkArea();
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* center = position_ == poMainFormCenter && Application != nullptr
                                ? Application->MainForm()
                                : dynamic_cast<TCustomForm*>(Owner());
      if (center != nullptr && center != this && center->Visible()) area = center->BoundsRect();
      break;
    }
    default:
      return;
  }
  Integer x = area.Left + (area.Width() - Width()) / 2;
  Integer y = area.Top + (area.Height() - Height()) / 2;
  const TRect screen = WorkArea();
  x = std::max(screen.Left, std::min(x, screen.Right - Width()));
  y = std::max(screen.Top, std::min(y, screen.Bottom - Height()));
  SetBounds(x, y, Width(), Height());
}

void TCustomForm::ShowingChanged() {
  if (Showing()) {
    try {
      DoShow();
    } catch (...) {
      if (Application != nullptr) Application->HandleException(this);
    }
    ApplyPosition();
    int show = SW_SHOWNORMAL;
    if (windowState_ == wsMinimized) show = SW_SHOWMINIMIZED;
    if (windowState_ == wsMaximized) show = SW_SHOWMAXIMIZED;
    formState_.Include(fsShowing);
    ShowWindow(Handle(), show);
    formState_.Exclude(fsShowing);
  } else {
    try {
      DoHide();
    } catch (...) {
      if (Application != nullptr) Application->HandleException(this);
    }
    ShowWindow(Handle(), SW_HIDE);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || formState_.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND captured = GetCapture()) SendMessageW(captured, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  // A hint of the window below must not stay over the dialog.
  if (Application != nullptr) Application->CancelHint();
  formState_.Include(fsModal);
  HWND activeWindow = GetActiveWindow();
  const TCursor savedCursor = Screen != nullptr ? Screen->Cursor() : crDefault;
  if (Screen != nullptr) Screen->SetCursor(crDefault);
  const std::vector<HWND> disabled = DisableTaskWindows(Handle());
  struct Restore {
    TCustomForm* form;
    const std::vector<HWND>& disabled;
    HWND activeWindow;
    TCursor cursor;
    ~Restore() {
      EnableTaskWindows(disabled);
      if (activeWindow != nullptr && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
      form->formState_.Exclude(fsModal);
      if (Screen != nullptr) {
        try {
          Screen->SetCursor(cursor);
        } catch (...) {
        }
      }
    }
  } restore{this, disabled, activeWindow, savedCursor};

  Show();
  struct HideAfter {
    TCustomForm* form;
    ~HideAfter() {
      try {
        form->Hide();
      } catch (...) {
        if (Application != nullptr) Application->HandleException(form);
      }
    }
  } hideAfter{this};
  modalResult_ = mrNone;
  do {
    Application->HandleMessage();
    if (Application->Terminated()) {
      modalResult_ = mrCancel;
    } else if (modalResult_ != mrNone) {
      CloseModal();
    }
  } while (modalResult_ == mrNone);
  return modalResult_;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  switch (action) {
    case caNone: modalResult_ = mrNone; break;
    case caFree: Release(); break;
    default: break;
  }
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (formState_.Contains(fsModal)) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  // The application window frees the form when it gets the message, outside any of the form's own
  // handlers.
  if (Application != nullptr) PostMessageW(Application->Handle(), CM_RELEASE, 0, reinterpret_cast<LPARAM>(this));
}

bool TCustomForm::IsShortCut(const TWMKey& message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(message, handled);
  if (handled) return true;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* list = dynamic_cast<TCustomActionList*>(Components(i)); list != nullptr && list->IsShortCut(message))
      return true;
  }
  return false;
}

// ---- messages ----

void TCustomForm::WndProc(TMessage& m) {
  if (MenuMessage(m)) return;
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_ACTIVATE:
      SetActive(LOWORD(m.WParam) != WA_INACTIVE);
      return;
    case WM_QUERYENDSESSION:
      m.Result = CloseQuery() ? 1 : 0;
      return;
    case WM_GETMINMAXINFO: {
      TWinControl::WndProc(m);
      auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
      TSizeConstraints& c = Constraints();
      if (c.MinWidth() > 0) info->ptMinTrackSize.x = c.MinWidth();
      if (c.MinHeight() > 0) info->ptMinTrackSize.y = c.MinHeight();
      if (c.MaxWidth() > 0) info->ptMaxTrackSize.x = c.MaxWidth();
      if (c.MaxHeight() > 0) info->ptMaxTrackSize.y = c.MaxHeight();
      return;
    }
    case WM_SIZE:
      if (Showing()) {
        if (m.WParam == SIZE_MINIMIZED) windowState_ = wsMinimized;
        if (m.WParam == SIZE_MAXIMIZED) windowState_ = wsMaximized;
        if (m.WParam == SIZE_RESTORED) windowState_ = wsNormal;
      }
      break;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      TControlStateScope customPaint(*this, csCustomPaint);
      TWinControl::WndProc(m);
      return;
    }
    case CM_SHOWINGCHANGED:
      ShowingChanged();
      return;
    case CM_ACTIVATE:
      Activate();
      return;
    case CM_DEACTIVATE:
      Deactivate();
      return;
    case CM_DIALOGKEY:
      if (GetKeyState(VK_MENU) >= 0) {
        switch (m.WParam) {
          case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
              SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
              m.Result = 1;
              return;
            }
            break;
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
            if (activeControl_ != nullptr && activeControl_->Parent() != nullptr) {
              activeControl_->Parent()->SelectNext(activeControl_, m.WParam == VK_RIGHT || m.WParam == VK_DOWN,
                                                   false);
              m.Result = 1;
              return;
            }
            break;
          default: break;
        }
      }
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}
