#include "skin/forms/sVclUtils.h"

#include "skin/manager/sMessages.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/WinControl.h"

bool InAnimationProcess = false;

namespace {

// A library handle of 32 or below is an error code of older systems.
TSetWindowTheme BindSetWindowTheme() {
  const HMODULE uxtheme = LoadLibraryA("UXTHEME");
  if (reinterpret_cast<UINT_PTR>(uxtheme) <= 32) return nullptr;
  return reinterpret_cast<TSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")));
}

}  // namespace

// The library stays loaded for the process's life: adapters may call the entry until the very end.
TSetWindowTheme SetWindowThemeProc = BindSetWindowTheme();

namespace {

bool BeingDestroyed(const TControl* control) { return control->ComponentState().Contains(csDestroying); }

struct TChildWindowsBroadcast {
  HWND parent;
  const TMessage* message;
};

BOOL CALLBACK SendToDirectChild(HWND child, LPARAM data) {
  const auto* broadcast = reinterpret_cast<const TChildWindowsBroadcast*>(data);
  if (GetParent(child) == broadcast->parent) {
    SendMessageW(child, broadcast->message->Msg, broadcast->message->WParam, broadcast->message->LParam);
  }
  return TRUE;
}

}  // namespace

void BroadcastToChildControls(TWinControl* control, const TMessage& message) {
  if (control == nullptr) return;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (BeingDestroyed(child)) return;
    auto* windowed = dynamic_cast<TWinControl*>(child);
    if (windowed == nullptr || !windowed->HandleAllocated()) {
      child->Perform(message.Msg, message.WParam, message.LParam);
    } else if ((SendSkinCommandToControl(windowed, scIsSkinned) & 0xFF) != 0) {
      SendMessageW(windowed->Handle(), message.Msg, message.WParam, message.LParam);
    } else {
      BroadcastToChildControls(windowed, message);
    }
  }
}

void BroadcastToChildWindows(HWND window, const TMessage& message) {
  TChildWindowsBroadcast broadcast{window, &message};
  EnumChildWindows(window, SendToDirectChild, reinterpret_cast<LPARAM>(&broadcast));
}

void EndChildrenUpdate(TWinControl* control) {
  if (InAnimationProcess || control == nullptr) return;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (Is<TGraphicControl>(child) || BeingDestroyed(child)) continue;
    if (auto* windowed = dynamic_cast<TWinControl*>(child)) {
      if (windowed->HandleAllocated() && windowed->Showing()) SendSkinCommand(windowed->Handle(), scParentUpdated);
    } else {
      SendSkinCommandToControl(child, scParentUpdated);
    }
  }
}

void EndChildWindowsUpdate(HWND window) {
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) != 0) SendSkinCommand(child, scParentUpdated);
  }
}

void NotifyParentForm(TControl* control) {
  if (control == nullptr) return;
  const auto state = control->ComponentState();
  if (state.Contains(csDesigning) || state.Contains(csLoading)) return;
  TCustomForm* form = GetParentForm(control);
  if (form != nullptr) SendSkinCommand(form->Handle(), scControlAdded, reinterpret_cast<LPARAM>(control));
}

LRESULT AskControl(TControl* control, Word command) { return SendSkinCommandToControl(control, command, 0); }

Integer ControlBackgroundColor(TControl* control) {
  if (control == nullptr) return static_cast<Integer>(clSkinNoColor);
  if (SendSkinCommandToControl(control, scIsSkinned) != 1) return static_cast<Integer>(ColorToRGB(control->Color()));
  const LRESULT answer = control->Perform(SkinCommandMessage, SkinCommandWParam(scGetBgColor), clSkinNoColor);
  return static_cast<Integer>(ColorToRGB(static_cast<TColor>(answer)));
}

Integer WindowBackgroundColor(HWND window) {
  if (window == nullptr) return static_cast<Integer>(clSkinNoColor);
  return static_cast<Integer>(ColorToRGB(static_cast<TColor>(SendSkinCommand(window, scGetBgColor, clSkinNoColor))));
}

bool CursorPosition(TPoint& point) {
  POINT p{};
  const bool got = GetCursorPos(&p) != FALSE;
  point = TPoint{p.x, p.y};
  return got;
}

bool ControlIsPaintable(TControl* control) {
  if (control == nullptr || control->Parent() == nullptr) return false;
  if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && !windowed->HandleAllocated())
    return false;
  const TControlState state = control->ControlState();
  if (state.Contains(csCreating) || state.Contains(csReadingState)) return false;
  const auto components = control->ComponentState();
  return !components.Contains(csLoading) && !components.Contains(csDestroying);
}

TCustomForm* MenuOwnerForm(TComponent* menu) {
  for (TComponent* c = menu; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  }
  return nullptr;
}

UINT ControlTextFlags(TControl* /*control*/, TAlignment alignment) {
  // Controls here read left to right only, so no right-to-left flags join the alignment.
  UINT align = DT_LEFT;
  if (alignment == taRightJustify) align = DT_RIGHT;
  if (alignment == taCenter) align = DT_CENTER;
  return align | DT_EXPANDTABS | DT_VCENTER;
}

TRect ClientRectInWindow(HWND window) {
  RECT client{}, bounds{};
  GetClientRect(window, &client);
  GetWindowRect(window, &bounds);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const LONG dx = origin.x - bounds.left;
  const LONG dy = origin.y - bounds.top;
  return TRect{client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
}

Integer AlignedChildrenSize(TWinControl* control, Integer align, bool includeGraphic) {
  const bool vertical = align == alTop || align == alBottom;
  const bool horizontal = align == alLeft || align == alRight;
  if (control == nullptr || (!vertical && !horizontal)) return 0;
  Integer size = 0;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child->Visible() || child->Align() != align) continue;
    if (!includeGraphic && dynamic_cast<TWinControl*>(child) == nullptr) continue;
    size += vertical ? child->Height() : child->Width();
  }
  return size;
}

HWND TopLevelAncestor(HWND window) {
  if (window == nullptr) return nullptr;
  const HWND root = GetAncestor(window, GA_ROOT);
  return root != nullptr ? root : window;
}
