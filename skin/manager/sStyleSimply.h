// The list of skinned forms (form providers add and remove their forms) and the freezing of those forms
// around an animated skin change: captured forms stop redrawing while every window takes the new skin,
// and are released together afterwards, so that the change shows as one step. Every capture is followed
// by a release, on every path, so that no form stays frozen.
#pragma once
#include <vector>

class TForm;
class TsSkinManager;

// Set while forms are captured for an animated skin change of the default manager; painters read it.
extern bool SkinChangeAnimating;

// The list keeps one entry per form; removing moves the last entry into the removed one's place.
void AddSkinnedForm(TForm* form);
void RemoveSkinnedForm(TForm* form);
const std::vector<TForm*>& SkinnedForms();

// Whether the form belongs to the manager: it names the manager when asked for its skin manager, or it
// names none and the manager is the default one.
bool FormBelongsTo(TForm* form, const TsSkinManager& manager);

// Before the manager loads another skin: marks every visible skinned form of the manager that is not
// minimized and has no parent as animating, so that it shows the new skin in one step once released.
// Nothing while the application is minimized or the manager is designed or read from a definition.
void CaptureFormsBeforeChange(TsSkinManager& manager);
bool FormIsAnimating(const TForm* form);

// Freezes (WM_SETREDRAW 0) every visible skinned form of the manager that has a window, is not
// minimized and has no parent, and remembers it as frozen. Nothing while the application is minimized.
void CaptureFormsBeforeRefresh(TsSkinManager& manager);
// Lets every frozen form of the manager redraw again; animated, each one that is not minimized is
// redrawn at once, frame and children included. Clears the animating marks of the manager's forms and,
// for the default manager, the skin-change animation flag.
void ReleaseFormsAfterRefresh(TsSkinManager& manager, bool animate);
bool FormIsFrozen(const TForm* form);
