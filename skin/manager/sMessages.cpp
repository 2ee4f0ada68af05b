#include "skin/manager/sMessages.h"

#include "vcl/gui/WinControl.h"

LRESULT SendSkinCommand(HWND window, Word command, LPARAM lParam) {
  return SendMessageW(window, SkinCommandMessage, SkinCommandWParam(command), lParam);
}

LRESULT SendSkinSwitch(HWND window, Word command, bool on, LPARAM lParam) {
  return SendMessageW(window, SkinCommandMessage, SkinCommandWParam(command, on ? 1 : 0), lParam);
}

LRESULT SendSkinCommandToControl(TControl* control, Word command, LPARAM lParam) {
  if (control == nullptr) return 0;
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    // Asking for the handle would create the window (or re-create it during destruction); a window
    // that does not exist has nothing skinned to answer.
    if (windowed->ComponentState().Contains(csDestroying) || !windowed->HandleAllocated()) return 0;
    return SendMessageW(windowed->Handle(), SkinCommandMessage, SkinCommandWParam(command), lParam);
  }
  return control->Perform(SkinCommandMessage, SkinCommandWParam(command), lParam);
}

bool WindowIsSkinned(HWND window, Word command) { return SendSkinCommand(window, command, 0) == 1; }
