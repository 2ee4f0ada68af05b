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

// The forms captured before a skin change, until the next release.
std::vector<TForm*>& Animating() {
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
  std::erase(Animating(), form);
}

const std::vector<TForm*>& SkinnedForms() { return FormList(); }

bool FormBelongsTo(TForm* form, const TsSkinManager& manager) {
  if (!form->HandleAllocated()) return false;
  const auto* named = reinterpret_cast<const TsSkinManager*>(SendSkinCommand(form->Handle(), scGetSkinManager));
  return named == &manager || (named == nullptr && TsSkinManager::DefaultManager() == &manager);
}

bool FormIsFrozen(const TForm* form) { return std::ranges::find(Frozen(), form) != Frozen().end(); }

bool FormIsAnimating(const TForm* form) { return std::ranges::find(Animating(), form) != Animating().end(); }

namespace {

void MarkAnimatingIfDefault(TsSkinManager& manager) {
  if (TsSkinManager::DefaultManager() == &manager && manager.AnimEffects().SkinChanging->Active) SkinChangeAnimating = true;
}

// A top-level form of the manager that shows on screen now.
bool CapturableForm(TForm* form, TsSkinManager& manager) {
  if (Destroying(form) || !form->HandleAllocated() || form->Parent() != nullptr) return false;
  const HWND window = form->Handle();
  return IsWindowVisible(window) && !IsIconic(window) && FormBelongsTo(form, manager);
}

}  // namespace

void CaptureFormsBeforeChange(TsSkinManager& manager) {
  const TComponentState state = manager.ComponentState();
  if (ApplicationMinimized() || state.Contains(csDesigning) || state.Contains(csLoading) || state.Contains(csReading))
    return;
  MarkAnimatingIfDefault(manager);
  for (TForm* form : FormList())
    if (!FormIsAnimating(form) && CapturableForm(form, manager)) Animating().push_back(form);
}

void CaptureFormsBeforeRefresh(TsSkinManager& manager) {
  if (ApplicationMinimized()) return;
  MarkAnimatingIfDefault(manager);
  for (TForm* form : FormList()) {
    if (FormIsFrozen(form) || !CapturableForm(form, manager)) continue;
    if (!FormIsAnimating(form)) Animating().push_back(form);
    Frozen().push_back(form);
    SendMessageW(form->Handle(), WM_SETREDRAW, FALSE, 0);
  }
}

void ReleaseFormsAfterRefresh(TsSkinManager& manager, bool animate) {
  if (TsSkinManager::DefaultManager() == &manager) SkinChangeAnimating = false;
  std::erase_if(Animating(), [&](TForm* form) { return !form->HandleAllocated() || FormBelongsTo(form, manager); });
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
