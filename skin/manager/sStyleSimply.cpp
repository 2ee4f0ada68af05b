#include "skin/manager/sStyleSimply.h"

#include <windows.h>

#include <algorithm>
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Form.h"

bool SkinChangeAnimating = false;

namespace {

std::vector<TForm*>& FormList() {
  static std::vector<TForm*> forms;
  return forms;
}

// The forms whose redrawing is off, until the next release.
std::vector<TForm*>& Frozen() {
  static std::vector<TForm*> forms;
  return forms;
}

bool ApplicationMinimized() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  return main != nullptr && main->HandleAllocated() && IsIconic(main->Handle());
}

bool Destroying(const TForm* form) { return form->ComponentState().Contains(csDestroying); }

}  // namespace

void AddSkinnedForm(TForm* form) {
  if (form == nullptr || std::ranges::find(FormList(), form) != FormList().end()) return;
  FormList().push_back(form);
}

void RemoveSkinnedForm(TForm* form) {
  std::vector<TForm*>& forms = FormList();
  const auto it = std::ranges::find(forms, form);
  if (it != forms.end()) {
    *it = forms.back();
    forms.pop_back();
  }
  // A form that goes away while frozen is never released; forget it.
  std::erase(Frozen(), form);
}

const std::vector<TForm*>& SkinnedForms() { return FormList(); }

bool FormBelongsTo(TForm* form, const TsSkinManager& manager) {
  if (!form->HandleAllocated()) return false;
  const auto* named = reinterpret_cast<const TsSkinManager*>(SendSkinCommand(form->Handle(), scGetSkinManager));
  return named == &manager || (named == nullptr && TsSkinManager::DefaultManager() == &manager);
}

bool FormIsFrozen(const TForm* form) { return std::ranges::find(Frozen(), form) != Frozen().end(); }

void CaptureFormsBeforeRefresh(TsSkinManager& manager) {
  if (ApplicationMinimized()) return;
  if (TsSkinManager::DefaultManager() == &manager && manager.SkinChangingAnimation) SkinChangeAnimating = true;
  for (TForm* form : FormList()) {
    if (Destroying(form) || !form->HandleAllocated() || form->Parent() != nullptr || FormIsFrozen(form)) continue;
    const HWND window = form->Handle();
    if (!IsWindowVisible(window) || IsIconic(window) || !FormBelongsTo(form, manager)) continue;
    Frozen().push_back(form);
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  }
}

void ReleaseFormsAfterRefresh(TsSkinManager& manager, bool animate) {
  if (TsSkinManager::DefaultManager() == &manager) SkinChangeAnimating = false;
  std::vector<TForm*> released;
  std::erase_if(Frozen(), [&](TForm* form) {
    if (!form->HandleAllocated() || !FormBelongsTo(form, manager)) return false;
    released.push_back(form);
    return true;
  });
  // First every form may redraw, then each one redraws: a form's repaint can ask its neighbours for
  // their backgrounds.
  for (TForm* form : released) SendMessageW(form->Handle(), WM_SETREDRAW, TRUE, 0);
  if (!animate) return;
  for (TForm* form : released) {
    const HWND window = form->Handle();
    if (Destroying(form) || IsIconic(window)) continue;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
}
