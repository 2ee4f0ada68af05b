// The provider's control adapter: made when the skinned form is prepared, walking the form again on a
// new or refreshed skin, when a control asks for it (command 25), when the form starts showing or is
// activated, when a child window is made and when a tab control changes its page; freed when the skin
// goes.
#include <windows.h>

#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/WinControl.h"

namespace {

// A tab control's notice that another page was chosen.
constexpr int kTabSelectionChanged = -551;

// The windowed control at that address among the form's descendants, or nil: a command's lParam is
// trusted only once it is found there.
TWinControl* DescendantAt(TWinControl* parent, LPARAM address) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(parent->Controls(i));
    if (child == nullptr) continue;
    if (reinterpret_cast<LPARAM>(child) == address) return child;
    if (TWinControl* found = DescendantAt(child, address)) return found;
  }
  return nullptr;
}

}  // namespace

void TsSkinProvider::NewControlAdapter() {
  if (Designing() || skinData_ == nullptr || !skinData_->Skinned(false)) return;
  controlAdapter_ = std::make_unique<TskCtrlAdapter>(this);
  controlAdapter_->AdaptControls(nullptr);
}

void TsSkinProvider::AdaptAllControls() {
  if (controlAdapter_ == nullptr) {
    NewControlAdapter();
  } else {
    controlAdapter_->AdaptControls(nullptr);
  }
}

void TsSkinProvider::RemoveAdapter() {
  if (Designing() || controlAdapter_ == nullptr) return;
  const TMessage remove{SkinCommandMessage, SkinCommandWParam(scRemoveSkin), reinterpret_cast<LPARAM>(Manager()), 0};
  controlAdapter_->BroadcastMessage(remove);
  controlAdapter_.reset();
}

void TsSkinProvider::AdapterCommand(const TMessage& message) {
  if (Designing() || controlAdapter_ == nullptr) return;
  controlAdapter_->BroadcastMessage(message);
}

void TsSkinProvider::EndChildrenPainting() {
  if (Form == nullptr) return;
  EndChildrenUpdate(Form);
  AdapterCommand(TMessage{SkinCommandMessage, SkinCommandWParam(scParentUpdated), 0, 0});
}

void TsSkinProvider::AdapterAfterCommand(const TMessage& message) {
  const bool destroying = Form == nullptr || Form->ComponentState().Contains(csDestroying);
  if (destroying || skinData_ == nullptr) return;
  const bool ownManager = Manager() != nullptr && message.LParam == reinterpret_cast<LPARAM>(Manager());
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin:
      if (ownManager && FormSkinned()) AdaptAllControls();
      return;
    case scRefresh:
      if (!ownManager || !FormSkinned()) return;
      AdaptAllControls();
      if (FormShowing()) AdapterCommand(message);
      return;
    case scControlAdded: {
      if (!FormSkinned() || Form->ComponentState().Contains(csLoading) || controlAdapter_ == nullptr) return;
      if (message.LParam == 0) {
        controlAdapter_->AdaptControls(nullptr);
      } else if (TWinControl* root = DescendantAt(Form, message.LParam); root != nullptr && !SentFromOtherThread()) {
        controlAdapter_->AdaptControls(root);
      }
      return;
    }
    default:
      return;
  }
}

// The old procedure runs first; the walk follows, when a control adapter exists (WM_ACTIVATE, in the
// life-cycle unit, makes one when it is missing).
bool TsSkinProvider::AdapterMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_PARENTNOTIFY: {
      CallSavedProc(message);
      const Word event = LOWORD(message.WParam);
      if ((event != WM_CREATE && event != WM_DESTROY) || Form->ComponentState().Contains(csLoading)) return true;
      if (event == WM_CREATE && controlAdapter_ != nullptr) controlAdapter_->AdaptControls(nullptr);
      BroadcastToChildControls(Form, TMessage{SkinCommandMessage, SkinCommandWParam(scGetSkinState), 1, 0});
      return true;
    }
    case WM_NOTIFY: {
      CallSavedProc(message);
      const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
      if (header != nullptr && static_cast<int>(header->code) == kTabSelectionChanged && controlAdapter_ != nullptr)
        controlAdapter_->AdaptControls(nullptr);
      return true;
    }
    case CM_CONTROLLISTCHANGE: {
      CallSavedProc(message);
      TWinControl* control =
          message.LParam != 0 && !SentFromOtherThread() ? DescendantAt(Form, static_cast<LPARAM>(message.WParam)) : nullptr;
      if (control == nullptr) return true;
      if (controlAdapter_ != nullptr && controlAdapter_->IsAdaptable(control)) controlAdapter_->AddNewControl(control);
      const TMessage state{SkinCommandMessage, SkinCommandWParam(scGetSkinState), 1, 0};
      SendSkinCommandToControl(control, scGetSkinState, 1);
      BroadcastToChildControls(control, state);
      return true;
    }
    default:
      return false;
  }
}
