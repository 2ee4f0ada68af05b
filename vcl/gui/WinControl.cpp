#include "vcl/gui/WinControl.h"

#include <windowsx.h>

#include <algorithm>

#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/PopupMenuBase.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

TControl* GetCaptureControlOf(TWinControl* parent);  // Control.cpp

namespace {

// The window property that leads from a window to its control.
const wchar_t kControlProp[] = L"QuillnoteControl";

// The control whose CreateWindowEx is running on this thread; its window binds to it at the first
// message the window receives.
thread_local TWinControl* tCreating = nullptr;

const wchar_t* Wide(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }


bool IsWindowed(const TControl* c) { return dynamic_cast<const TWinControl*>(c) != nullptr; }

// Alignment order among controls of the same alignment: by position, so that a control keeps its
// place relative to its neighbours.
bool InsertBefore(const TControl* c1, const TControl* c2, TAlign align) {
  switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
  }
}

}  // namespace

TWinControl* FindControl(HWND window) {
  if (window == nullptr) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  return static_cast<TWinControl*>(GetPropW(window, kControlProp));
}

TWinControl* ControlBeingCreated() { return tCreating; }

// ---- construction and destruction ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  FreeChildren();
  DestroyHandle();
}

TWinControl::~TWinControl() {
  // Only for a control not freed with `delete`: the window is cut off from this (no longer complete)
  // object before it is destroyed.
  try {
    RemoveFocus(true);
  } catch (...) {
  }
  if (handle_ != nullptr) {
    HWND window = handle_;
    Unbind();
    DestroyWindow(window);
  }
  FreeChildren();
}

void TWinControl::FreeChildren() noexcept {
  // Children go with their parent (whoever owns them hears through the component protocol).
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    delete child;
    if (!controls_.empty() && controls_.back() == child) controls_.pop_back();  // could not leave
  }
}

// ---- the window ----

void TWinControl::Bind(HWND window) {
  handle_ = window;
  SetPropW(window, kControlProp, this);
}

void TWinControl::Unbind() noexcept {
  if (handle_ != nullptr) RemovePropW(handle_, kControlProp);
  handle_ = nullptr;
  showing_ = false;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropW(window, kControlProp));
  if (control == nullptr) {
    if (tCreating == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    control = tCreating;
    tCreating = nullptr;
    control->Bind(window);
  }
  const LRESULT result = control->MainWndProc(msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    TControlCanvas::FreeDeviceContexts(window);
    if (control->handle_ == window) control->Unbind();
  }
  return result;
}

LRESULT TWinControl::MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  TMessage m{msg, wParam, lParam, 0};
  try {
    DeliverMessage(m);
  } catch (...) {
    if (Application != nullptr) Application->HandleException(this);
  }
  return m.Result;
}

// Binds the window being created to its control as soon as Windows announces it (HCBT_CREATEWND,
// before its first message), so that CBT hooks further down the chain (installed earlier, such as a
// skin library's) already find the control and its handle.
LRESULT CALLBACK TWinControl::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && tCreating != nullptr) {
    TWinControl* control = tCreating;
    tCreating = nullptr;
    control->Bind(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND TWinControl::Handle() {
  // A window under creation answers what it has (bound at HCBT_CREATEWND); it is never made twice.
  if (handle_ == nullptr && !ControlState().Contains(csCreating)) CreateHandle();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = Cp1250ToUtf16(StoredText());
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls)) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (tabStop_) params.Style |= WS_TABSTOP;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = Parent() != nullptr && Parent()->HandleAllocated() ? Parent()->handle_ : parentWindow_;
  params.WindowClass = WNDCLASSEXW{};
  params.WindowClass.cbSize = sizeof(WNDCLASSEXW);
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcW;
  params.WindowClass.hInstance = GetModuleHandleW(nullptr);
  params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  const WideString name = Cp1250ToUtf16(ClassName());
  params.WinClassName.assign(name.begin(), name.end());
}

void TWinControl::CreateSubClass(TCreateParams& params, const wchar_t* baseClass) {
  const HINSTANCE instance = params.WindowClass.hInstance;
  WNDCLASSEXW base{};
  base.cbSize = sizeof(base);
  if (!GetClassInfoExW(nullptr, baseClass, &base) && !GetClassInfoExW(instance, baseClass, &base)) {
    throw EInvalidOperation(Format("Window class %s is not available", {Utf16ToCp1250(reinterpret_cast<const char16_t*>(baseClass))}));
  }
  base.hInstance = instance;
  base.style = (base.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_VREDRAW | CS_HREDRAW;
  base.lpszClassName = nullptr;
  base.lpszMenuName = nullptr;
  params.WindowClass = base;
}

void TWinControl::CreateWnd() {
  if (Parent() != nullptr) Parent()->HandleNeeded();
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == nullptr && (params.Style & WS_CHILD) != 0)
    throw EInvalidOperation(Format("Control '%s' has no parent window", {Name()}));
  defWndProc_ = params.WindowClass.lpfnWndProc;
  WNDCLASSEXW registered{};
  registered.cbSize = sizeof(registered);
  const HINSTANCE instance = params.WindowClass.hInstance;
  const bool known = GetClassInfoExW(instance, params.WinClassName.c_str(), &registered) != 0;
  if (!known || registered.lpfnWndProc != &TWinControl::StdWndProc) {
    if (known) UnregisterClassW(params.WinClassName.c_str(), instance);
    WNDCLASSEXW wc = params.WindowClass;
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    if (RegisterClassExW(&wc) == 0) os::RaiseLastOSError();
  }
  CreateWindowHandle(params);
  if (handle_ == nullptr) os::RaiseLastOSError();
  // The font goes to the window itself (system controls draw their text with it).
  TMessage setFont{WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0, 0};
  DefaultHandler(setFont);
  AfterCreateWnd();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  TWinControl* outer = tCreating;
  tCreating = this;
  TControlState state = ControlState();
  SetControlState(state.Include(csCreating));
  HHOOK hook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
  HWND window = NewWindow(params);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  if (tCreating == this) tCreating = outer;
  state = ControlState();
  SetControlState(state.Exclude(csCreating));
  if (window == nullptr) {
    Unbind();  // bound by the hook, then refused by the window's creation messages
  } else if (handle_ == nullptr) {
    Bind(window);
  }
}

HWND TWinControl::NewWindow(const TCreateParams& params) {
  return CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), Wide(params.Caption), params.Style, params.X,
                         params.Y, params.Width, params.Height, params.WndParent, nullptr, params.WindowClass.hInstance,
                         nullptr);
}

void TWinControl::CreateHandle() {
  if (handle_ != nullptr) return;
  CreateWnd();
  if (Parent() != nullptr) {
    // Windows stack in the order of the parent's control list (last on top).
    HWND insertAfter = HWND_TOP;
    const auto& siblings = Parent()->controls_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    for (++it; it != siblings.end(); ++it) {
      auto* w = dynamic_cast<TWinControl*>(*it);
      if (w != nullptr && w->handle_ != nullptr) {
        insertAfter = w->handle_;
        break;
      }
    }
    SetWindowPos(handle_, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

AnsiString TWinControl::GetText() const {
  if (handle_ == nullptr) return TControl::GetText();
  const int length = GetWindowTextLengthW(handle_);
  if (length <= 0) return AnsiString();
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(handle_, reinterpret_cast<wchar_t*>(buffer.data()), length + 1);
  buffer.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Utf16ToCp1250(buffer);
}

void TWinControl::SetTextValue(const AnsiString& value) {
  SetStoredText(value);
  if (handle_ != nullptr) {
    const WideString w = Cp1250ToUtf16(value);
    SetWindowTextW(handle_, Wide(w));
  }
}

void TWinControl::DestroyWnd() {
  SetStoredText(GetText());
  TControlState state = ControlState();
  SetControlState(state.Include(csDestroyingHandle));
  HWND window = handle_;
  TControlCanvas::FreeDeviceContexts(window);
  DestroyWindow(window);
  if (handle_ == window) Unbind();  // a window whose procedure was taken over and not given back
  state = ControlState();
  SetControlState(state.Exclude(csDestroyingHandle));
}

void TWinControl::DestroyHandle() {
  if (handle_ == nullptr) return;
  for (TControl* c : std::vector<TControl*>(controls_))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (handle_ != nullptr) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::SetParentWindow(HWND value) {
  if (Parent() != nullptr || value == parentWindow_) return;
  DestroyHandle();
  parentWindow_ = value;
  UpdateControlState();
}

// ---- showing ----

bool TWinControl::Showing() const {
  return showing_ && (Parent() == nullptr || Parent()->Showing());
}

void TWinControl::UpdateShowing() {
  const bool show = Visible() && !ControlState().Contains(csReadingState);
  if (show) {
    if (handle_ == nullptr) CreateHandle();
    for (TControl* c : std::vector<TControl*>(controls_))
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
  }
  if (handle_ != nullptr && showing_ != show) {
    showing_ = show;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      showing_ = !show;
      throw;
    }
  }
}

void TWinControl::UpdateControlState() {
  TWinControl* top = this;
  while (top->Parent() != nullptr) {
    top = top->Parent();
    if (!top->showing_) return;
  }
  if (dynamic_cast<TCustomForm*>(top) != nullptr || top->parentWindow_ != nullptr) UpdateShowing();
}

// ---- children ----

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  if (control == nullptr || control->parent_ == this) return;
  Perform(CM_CONTROLLISTCHANGING, reinterpret_cast<WPARAM>(control), 1);
  control->parent_ = this;
  controls_.push_back(control);
  auto* windowed = dynamic_cast<TWinControl*>(control);
  if (windowed != nullptr) tabList_.push_back(windowed);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
  control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  control->Perform(CM_PARENTFONTCHANGED, 0, 0);
  control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (windowed != nullptr) {
    windowed->UpdateControlState();
  } else if (handle_ != nullptr) {
    control->Invalidate();
  }
  AlignControl(control);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  Perform(CM_CONTROLLISTCHANGING, reinterpret_cast<WPARAM>(control), 0);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    windowed->RemoveFocus(true);
    windowed->DestroyHandle();
  } else if (handle_ != nullptr) {
    control->InvalidateControl(control->Visible(), false);
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), control));
  std::erase_if(tabList_, [control](TWinControl* w) { return static_cast<TControl*>(w) == control; });
  control->parent_ = nullptr;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
  Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  while (control != nullptr && control != this) control = control->Parent();
  return control != nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (IsWindowed(c) && !allowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    if (c->BoundsRect().Contains(p)) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    c->DeliverMessage(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage m{msg, 0, 0, 0};
  Broadcast(m);
}

// ---- alignment ----

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0) --alignDisabled_;
  if (alignDisabled_ == 0 && ControlState().Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
  if (ComponentState().Contains(csDestroying)) return;
  TControlState state = ControlState();
  if (alignDisabled_ > 0 || ComponentState().Contains(csLoading)) {
    SetControlState(state.Include(csAlignmentNeeded));
    return;
  }
  DisableAlign();
  try {
    TRect r = ClientRect();
    AlignControls(control, r);
  } catch (...) {
    state = ControlState();
    SetControlState(state.Exclude(csAlignmentNeeded));
    --alignDisabled_;
    throw;
  }
  state = ControlState();
  SetControlState(state.Exclude(csAlignmentNeeded));
  --alignDisabled_;
}

void TWinControl::AdjustClientRect(TRect& rect) {
  rect.Left += padding_.Left();
  rect.Top += padding_.Top();
  rect.Right -= padding_.Right();
  rect.Bottom -= padding_.Bottom();
}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  bool any = false;
  for (const TControl* c : controls_) any = any || c->Align() != alNone;
  if (!any) return;
  AdjustClientRect(rect);
  DoAlign(alTop, control, rect);
  DoAlign(alBottom, control, rect);
  DoAlign(alLeft, control, rect);
  DoAlign(alRight, control, rect);
  DoAlign(alClient, control, rect);
}

void TWinControl::DoAlign(TAlign align, TControl* control, TRect& rect) {
  std::vector<TControl*> list;
  if (control != nullptr && control->Align() == align && control->Visible() && control->Parent() == this)
    list.push_back(control);
  for (TControl* c : controls_) {
    if (c == control || c->Align() != align || !c->Visible()) continue;
    std::size_t j = 0;
    while (j < list.size() && !InsertBefore(c, list[j], align)) ++j;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
  }
  for (TControl* c : list) {
    Integer ml = 0, mt = 0, mr = 0, mb = 0;
    if (c->AlignWithMargins()) {
      ml = c->Margins().Left();
      mt = c->Margins().Top();
      mr = c->Margins().Right();
      mb = c->Margins().Bottom();
    }
    Integer newWidth = rect.Width() - ml - mr;
    if (newWidth < 0 || align == alLeft || align == alRight) newWidth = c->Width();
    Integer newHeight = rect.Height() - mt - mb;
    if (newHeight < 0 || align == alTop || align == alBottom) newHeight = c->Height();
    Integer newLeft = rect.Left + ml;
    Integer newTop = rect.Top + mt;
    switch (align) {
      case alTop: rect.Top += newHeight + mt + mb; break;
      case alBottom:
        rect.Bottom -= newHeight + mt + mb;
        newTop = rect.Bottom + mt;
        break;
      case alLeft: rect.Left += newWidth + ml + mr; break;
      case alRight:
        rect.Right -= newWidth + ml + mr;
        newLeft = rect.Right + ml;
        break;
      default: break;
    }
    c->SetBounds(newLeft, newTop, newWidth, newHeight);
    // A control that did not take the size it was given (its constraints) moves the remaining area.
    if (c->Width() != newWidth || c->Height() != newHeight) {
      switch (align) {
        case alTop: rect.Top -= newHeight - c->Height(); break;
        case alBottom: rect.Bottom += newHeight - c->Height(); break;
        case alLeft: rect.Left -= newWidth - c->Width(); break;
        case alRight: rect.Right += newWidth - c->Width(); break;
        default: break;
      }
    }
  }
}

// ---- geometry ----

void TWinControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  DoConstrain(width, height);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  const bool resized = width != Width() || height != Height();
  if (handle_ != nullptr && !IsIconic(handle_)) {
    // The window's WM_WINDOWPOSCHANGED stores the bounds; its WM_SIZE realigns and fires OnResize.
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (Left() != left || Top() != top || Width() != width || Height() != height) {
      // The system kept another size (a top-level window's limits): that is the size now.
      UpdateBounds();
    }
  } else {
    StoreBounds(left, top, width, height);
    if (resized) {
      Realign();
      if (!ComponentState().Contains(csLoading)) Resize();
    }
  }
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (handle_ == nullptr || IsIconic(handle_)) return;
  RECT r{};
  GetWindowRect(handle_, &r);
  if ((GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) != 0) {
    HWND parent = GetParent(handle_);
    if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  StoreBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

TRect TWinControl::ClientRect() {
  if (handle_ != nullptr) {
    RECT r{};
    GetClientRect(handle_, &r);
    return FromRECT(r);
  }
  TCreateParams params;
  CreateParams(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style & ~WS_VISIBLE, FALSE, params.ExStyle);
  Integer w = Width() - (frame.right - frame.left);
  Integer h = Height() - (frame.bottom - frame.top);
  if (params.Style & WS_VSCROLL) w -= GetSystemMetrics(SM_CXVSCROLL);
  if (params.Style & WS_HSCROLL) h -= GetSystemMetrics(SM_CYHSCROLL);
  return Rect(0, 0, std::max(w, 0), std::max(h, 0));
}

void TWinControl::SetClientSize(Integer width, Integer height) {
  const TRect client = ClientRect();
  SetBounds(Left(), Top(), Width() - client.Width() + width, Height() - client.Height() + height);
}

TPoint TWinControl::ClientOrigin() {
  if (handle_ != nullptr) {
    POINT p{0, 0};
    ::ClientToScreen(handle_, &p);
    return FromPOINT(p);
  }
  TCreateParams params;
  CreateParams(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style & ~WS_VISIBLE, FALSE, params.ExStyle);
  TPoint origin = Parent() != nullptr ? Parent()->ClientOrigin() : Point(0, 0);
  return Point(origin.X + Left() - frame.left, origin.Y + Top() - frame.top);
}

void TWinControl::SetZOrder(bool topMost) {
  TControl::SetZOrder(topMost);
  if (handle_ != nullptr)
    SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_ != nullptr) UpdateWindow(handle_);
}

void TWinControl::PaintTo(HDC dc, Integer x, Integer y) {
  if (handle_ == nullptr) return;
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, x, y, nullptr);
  SendMessageW(handle_, WM_PRINT, reinterpret_cast<WPARAM>(dc),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  RestoreDC(dc, saved);
}

// ---- focus and tab order ----

bool TWinControl::Focused() const { return handle_ != nullptr && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  const TCustomForm* form = GetParentForm(this);
  if (form == nullptr) return false;
  for (const TControl* c = this; c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (parentWindow_ != nullptr) {
    ::SetFocus(Handle());
  } else {
    throw EInvalidOperation(Format("Control '%s' has no parent window", {Name()}));
  }
}

void TWinControl::RemoveFocus(bool removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, removing);
}

void TWinControl::SetTabStop(bool value) {
  if (value == tabStop_) return;
  tabStop_ = value;
  if (handle_ != nullptr) {
    LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
    style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtrW(handle_, GWL_STYLE, style);
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  value = std::clamp(value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* w : tabList_) {
    list.push_back(w);
    w->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (goForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  do {
    i = goForward ? (i + 1) % n : (i == 0 ? n - 1 : i - 1);
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c != current && c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

// ---- keyboard ----

bool TWinControl::DoKeyDown(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyDown(m))
    return true;
  if (!ControlStyle().Contains(csNoStdEvents)) {
    Word key = static_cast<Word>(m.WParam);
    KeyDown(key, KeyDataToShiftState(m.LParam));
    if (key == 0) return true;
    m.WParam = key;
  }
  return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyUp(m))
    return true;
  if (!ControlStyle().Contains(csNoStdEvents)) {
    Word key = static_cast<Word>(m.WParam);
    KeyUp(key, KeyDataToShiftState(m.LParam));
    if (key == 0) return true;
    m.WParam = key;
  }
  return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyPress(m))
    return true;
  if (!ControlStyle().Contains(csNoStdEvents)) {
    const auto wide = static_cast<char16_t>(m.WParam);
    const unsigned char narrow = wide < 0x80 ? static_cast<unsigned char>(wide) : Utf16CharToCp1250(wide);
    // A character that Windows-1250 cannot hold reaches the handler as '?'; unless the handler changes
    // it, the window gets the original character.
    char key = narrow != 0 || wide == 0 ? static_cast<char>(narrow) : '?';
    const char before = key;
    KeyPress(key);
    if (key == 0) return true;
    if (key != before) m.WParam = Cp1250CharToUtf16(static_cast<unsigned char>(key));
  }
  return false;
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(Word& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::IsMenuKey(TMessage& m) {
  const TWMKey key{static_cast<Word>(m.WParam), m.LParam};
  for (TControl* c = this; c != nullptr; c = c->Parent()) {
    TPopupMenuBase* menu = c->GetPopupMenu();
    if (menu != nullptr && menu->IsShortCut(key)) return true;
  }
  if (TCustomForm* form = GetParentForm(this); form != nullptr && form->IsShortCut(key)) return true;
  return Application != nullptr && Application->IsShortCut(key);
}

void TWinControl::CNKeyDown(TMessage& m) {
  m.Result = 1;
  if (IsMenuKey(m)) return;
  if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  LRESULT mask = 0;
  switch (m.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.WParam, 0) == 0 && (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
  }
  m.Result = 0;
}

void TWinControl::CNSysKeyDown(TMessage& m) {
  m.Result = 1;
  if (IsMenuKey(m)) return;
  if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
  m.Result = 0;
}

// ---- painting ----

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first != nullptr) it = std::find(controls_.begin(), controls_.end(), first);
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (IsWindowed(c) || !c->Visible()) continue;
    const RECT bounds = ToRECT(c->BoundsRect());
    if (!RectVisible(dc, &bounds)) continue;
    const int saved = SaveDC(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - c->Left(), origin.y - c->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintHandler(TMessage& m) {
  PAINTSTRUCT ps{};
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  const bool own = dc == nullptr;
  if (own) dc = BeginPaint(handle_, &ps);
  try {
    bool graphicChildren = false;
    for (const TControl* c : controls_) graphicChildren = graphicChildren || (!IsWindowed(c) && c->Visible());
    if (!graphicChildren) {
      PaintWindow(dc);
    } else {
      const int saved = SaveDC(dc);
      int clip = SIMPLEREGION;
      for (const TControl* c : controls_) {
        if (IsWindowed(c) || !c->Visible() || !c->ControlStyle().Contains(csOpaque)) continue;
        clip = ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
        if (clip == NULLREGION) break;
      }
      if (clip != NULLREGION) PaintWindow(dc);
      RestoreDC(dc, saved);
    }
    PaintControls(dc, nullptr);
  } catch (...) {
    if (own) EndPaint(handle_, &ps);
    throw;
  }
  if (own) EndPaint(handle_, &ps);
}

// ---- messages ----

bool TWinControl::DoControlMsg(HWND child, TMessage& m) {
  TWinControl* control = FindControl(child);
  if (control == nullptr || control == this) return false;
  m.Result = control->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
  return true;
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* target = nullptr;
  if (GetCapture() == handle_ && handle_ != nullptr) {
    target = GetCaptureControlOf(this);
  } else if (m.Msg != WM_MOUSEWHEEL) {
    target = ControlAtPos(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)), false);
  }
  if (target == nullptr) return false;
  const LPARAM local =
      MAKELPARAM(static_cast<WORD>(GET_X_LPARAM(m.LParam) - target->Left()),
                 static_cast<WORD>(GET_Y_LPARAM(m.LParam) - target->Top()));
  m.Result = target->Perform(m.Msg, m.WParam, local);
  return true;
}

void TWinControl::HandleSetCursor(TMessage& m) {
  if (Screen != nullptr && Screen->Cursor() != crDefault) {
    ::SetCursor(Screen->Cursors(Screen->Cursor()));
    m.Result = 1;
    return;
  }
  if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == handle_) {
    TCursor cursor = Cursor();
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(handle_, &p);
    if (TControl* child = ControlAtPos(FromPOINT(p), false); child != nullptr && child->Cursor() != crDefault)
      cursor = child->Cursor();
    if (cursor != crDefault && Screen != nullptr) {
      ::SetCursor(Screen->Cursors(cursor));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form != nullptr && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (ControlState().Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(m);
      if (m.Result == HTTRANSPARENT &&
          ControlAtPos(ScreenToClient(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam))), false) != nullptr)
        m.Result = HTCLIENT;
      return;
    default:
      if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && IsControlMouseMsg(m)) return;
      break;
  }

  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      TMessage paint{WM_PAINT, m.WParam, 0, 0};
      bool graphicChildren = false;
      for (const TControl* c : controls_) graphicChildren = graphicChildren || !IsWindowed(c);
      if (!ControlState().Contains(csCustomPaint) && !graphicChildren) {
        DefaultHandler(m);
      } else {
        PaintHandler(paint);
      }
      return;
    }
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(handle_, &r);
      FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush_->Handle());
      m.Result = 1;
      return;
    }
    case WM_WINDOWPOSCHANGED:
      UpdateBounds();
      DefaultHandler(m);
      return;
    case WM_SIZE:
      UpdateBounds();
      DefaultHandler(m);
      Realign();
      if (!ComponentState().Contains(csLoading)) Resize();
      return;
    case WM_COMMAND:
      if (m.LParam != 0 && DoControlMsg(reinterpret_cast<HWND>(m.LParam), m)) return;
      break;
    case WM_NOTIFY:
      if (m.LParam != 0 && DoControlMsg(reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom, m)) return;
      break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      if (DoControlMsg(reinterpret_cast<HWND>(m.LParam), m)) return;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (m.LParam != 0 && DoControlMsg(reinterpret_cast<HWND>(m.LParam), m)) return;
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
      if (item != nullptr && item->CtlType != ODT_MENU && DoControlMsg(item->hwndItem, m)) return;
      break;
    }
    case WM_SETCURSOR:
      HandleSetCursor(m);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!DoKeyDown(m)) DefaultHandler(m);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!DoKeyUp(m)) DefaultHandler(m);
      return;
    case WM_CHAR:
      if (!DoKeyPress(m)) DefaultHandler(m);
      return;
    case WM_CONTEXTMENU:
      if (m.Result == 0 && m.LParam != -1) {
        const TPoint p = ScreenToClient(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
        if (TControl* child = ControlAtPos(p, false)) m.Result = child->Perform(WM_CONTEXTMENU, m.WParam, m.LParam);
        if (m.Result != 0) return;
      }
      break;
    case WM_MOUSELEAVE:
      if (Application != nullptr) {
        TControl* inside = Application->MouseControl();
        if (inside == this || (inside != nullptr && inside->Parent() == this && !IsWindowed(inside)))
          Application->SetMouseControl(nullptr);
      }
      DefaultHandler(m);
      return;
    case CN_KEYDOWN:
      CNKeyDown(m);
      return;
    case CN_SYSKEYDOWN:
      CNSysKeyDown(m);
      return;
    case CN_CHAR:
    case CN_SYSCHAR:
    case CN_KEYUP:
      m.Result = 0;
      return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      SetTextColor(dc, ColorToRGB(Font().Color()));
      SetBkColor(dc, ColorToRGB(Color()));
      m.Result = reinterpret_cast<LRESULT>(brush_->Handle());
      return;
    }
    case CM_CHILDKEY:
      m.Result = Parent() != nullptr ? Parent()->Perform(CM_CHILDKEY, m.WParam, m.LParam) : 0;
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
      Broadcast(m);
      return;
    case CM_VISIBLECHANGED:
      if (!Visible() && Parent() != nullptr) RemoveFocus(false);
      UpdateControlState();
      return;
    case CM_SHOWINGCHANGED:
      SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                       (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && Parent() != nullptr) RemoveFocus(false);
      if (handle_ != nullptr) EnableWindow(handle_, Enabled());
      return;
    case CM_COLORCHANGED:
      brush_->SetColor(Color());
      Invalidate();
      NotifyControls(CM_PARENTCOLORCHANGED);
      return;
    case CM_FONTCHANGED:
      if (handle_ != nullptr) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
      NotifyControls(CM_PARENTFONTCHANGED);
      Invalidate();
      return;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_RECREATEWND: {
      const bool wasFocused = Focused();
      DestroyHandle();
      UpdateControlState();
      if (wasFocused && handle_ != nullptr) ::SetFocus(handle_);
      return;
    }
    case CM_ENTER:
      if (OnEnter) OnEnter(this);
      return;
    case CM_EXIT:
      if (OnExit) OnExit(this);
      return;
    default:
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_ == nullptr) {
    TControl::DefaultHandler(m);
    return;
  }
  if (m.Msg >= CM_BASE && m.Msg <= 0xBFFF) {
    // The layer's own notifications and reflected messages mean nothing to the system procedure.
    m.Result = 0;
    return;
  }
  m.Result = CallWindowProcW(defWndProc_ != nullptr ? defWndProc_ : DefWindowProcW, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}
