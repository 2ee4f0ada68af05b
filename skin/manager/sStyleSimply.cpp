#include "skin/manager/sStyleSimply.h"

#include <windows.h>

#include <algorithm>
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
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

TsSkinProvider* ProviderOf(TForm* form) {
  if (!form->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(form->Handle(), scGetProvider));
}

HWND BorderWindowOf(const TsSkinProvider* provider) {
  return provider != nullptr && provider->BorderForm ? provider->BorderForm->BorderHandle() : nullptr;
}

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
  for (TForm* form : FormList()) {
    if (FormIsAnimating(form) || !CapturableForm(form, manager)) continue;
    Animating().push_back(form);
    // A border window shows the old look (the cover) while the form takes the new skin.
    TsSkinProvider* provider = ProviderOf(form);
    if (BorderWindowOf(provider) == nullptr) continue;
    provider->AnimState |= fsAnimating;
    provider->CoverBmp = FormAnimationImage(*provider);
  }
}

void CaptureFormsBeforeRefresh(TsSkinManager& manager) {
  if (ApplicationMinimized()) return;
  MarkAnimatingIfDefault(manager);
  for (TForm* form : FormList()) {
    if (FormIsFrozen(form) || !CapturableForm(form, manager)) continue;
    if (!FormIsAnimating(form)) Animating().push_back(form);
    Frozen().push_back(form);
    TsSkinProvider* provider = ProviderOf(form);
    if (const HWND border = BorderWindowOf(provider); border != nullptr) {
      if (provider->CoverBmp) {
        const Byte alpha = form->AlphaBlend() ? form->AlphaBlendValue() : 255;
        ShowAnimImage(border, *provider->CoverBmp, alpha, FormImagePosition(*provider));
      }
      if (HRGN region = provider->BorderForm->FormRegion()) {
        if (SetWindowRgn(border, region, TRUE) == 0) DeleteObject(region);
      }
    }
    SendMessageW(form->Handle(), WM_SETREDRAW, FALSE, 0);
  }
}

namespace {

// A captured form shows the new skin: through the re-skin cross-fade when the manager's SkinChanging
// effect is active (at once where the provider does not paint the frame); the cover goes and the
// border window shows the form again.
void ShowNewLook(TForm* form, TsSkinManager& manager) {
  TsSkinProvider* provider = ProviderOf(form);
  const bool frame = provider != nullptr && provider->DrawNonClientArea();
  const TskSkinChanging& changing = *manager.AnimEffects().SkinChanging;
  if (changing.Active) AnimShowForm(form, frame ? changing.Time : 0, 255, frame ? changing.Mode : atFading);
  if (provider != nullptr) {
    provider->AnimState &= ~Cardinal{fsAnimating};
    provider->CoverBmp.reset();
  }
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  if (frame && provider->BorderForm) {
    provider->SkinData().BackgroundDirty = true;
    provider->BorderForm->UpdateExBorders(true, 255);
  }
}

void DropCover(TForm* form) {
  if (TsSkinProvider* provider = ProviderOf(form)) {
    provider->AnimState &= ~Cardinal{fsAnimating};
    provider->CoverBmp.reset();
  }
}

}  // namespace

void ReleaseFormsAfterRefresh(TsSkinManager& manager, bool animate) {
  if (TsSkinManager::DefaultManager() == &manager) SkinChangeAnimating = false;
  std::vector<TForm*> animating;
  std::erase_if(Animating(), [&](TForm* form) {
    if (!form->HandleAllocated()) return true;
    if (!FormBelongsTo(form, manager)) return false;
    animating.push_back(form);
    return true;
  });
  std::vector<TForm*> released;
  std::erase_if(Frozen(), [&](TForm* form) {
    if (!form->HandleAllocated() || !FormBelongsTo(form, manager)) return false;
    released.push_back(form);
    return true;
  });
  // First every form may redraw, then each one redraws: a form's repaint can ask its neighbours for
  // their backgrounds.
  for (TForm* form : released) SendMessageW(form->Handle(), WM_SETREDRAW, TRUE, 0);
  for (TForm* form : released) {
    const HWND window = form->Handle();
    const bool wasAnimating = std::ranges::find(animating, form) != animating.end();
    if (!animate || Destroying(form) || IsIconic(window)) {
      if (wasAnimating) DropCover(form);
      continue;
    }
    if (wasAnimating)
      ShowNewLook(form, manager);
    else
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
  // Captured forms that were not frozen keep no cover.
  for (TForm* form : animating)
    if (std::ranges::find(released, form) == released.end()) DropCover(form);
}
