#include "skin/forms/sVclUtils.h"

#include "skin/manager/sMessages.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/WinControl.h"

bool InAnimationProcess = false;

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
