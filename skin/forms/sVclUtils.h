// Skin commands to many receivers (every child control or child window of a container, the end of an
// update bracket, the notice to a control's form that a control was added), the questions asked
// through the skin command message (is it skinned, its background colour), and small utilities over
// controls and windows that skinned hosts share. All of them send synchronously on the GUI thread.
#pragma once
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Component.h"

class TBitmap;
class TComponent;
class TControl;
class TCustomForm;
class TWinControl;

// True while a show or hide animation runs; EndChildrenUpdate then sends nothing.
extern bool InAnimationProcess;

// The message record's Msg, WParam and LParam (Result is never written) to the container's child
// controls, in order of index, re-reading the count each round: a control without a window (or without
// a handle yet) through its Perform; a windowed child that is skinned (answers the skinned question)
// by SendMessage, as it passes the message on to its own children; any other windowed child gets
// nothing itself and the broadcast goes on into its children. A child being destroyed ends the whole
// broadcast there.
void BroadcastToChildControls(TWinControl* control, const TMessage& message);
// The message to the direct child windows of the window (grandchildren are skipped).
void BroadcastToChildWindows(HWND window, const TMessage& message);

// The parent ended an update: scParentUpdated to each child control that is neither a graphic control
// nor being destroyed (windowed children only when they have a window and are showing).
void EndChildrenUpdate(TWinControl* control);
// The same to every window in the window's child list that has the WS_CHILD style.
void EndChildWindowsUpdate(HWND window);

// scControlAdded with the control to its parent form (nothing for nil, designing or loading controls,
// or a control without form).
void NotifyParentForm(TControl* control);

// SendSkinCommandToControl with lParam 0.
LRESULT AskControl(TControl* control, Word command);

// The background colour a control shows, as RGB: a skinned control's answer to scGetBgColor (asked
// through Perform, also for windowed controls), an unskinned one's Color; the key colour for nil.
Integer ControlBackgroundColor(TControl* control);
// A window's answer to scGetBgColor as RGB; the key colour for no window.
Integer WindowBackgroundColor(HWND window);

// The mouse position on the screen; false when the system cannot tell.
bool CursorPosition(TPoint& point);
// The control can be painted now: it exists with a parent, has its window when it is windowed, and is
// neither being made, read nor freed.
bool ControlIsPaintable(TControl* control);
// The form that owns a menu (the first form along the Owner chain), or nil.
TCustomForm* MenuOwnerForm(TComponent* menu);
// DrawText flags for a control's text: the alignment, expanded tabs, centred vertically.
UINT ControlTextFlags(TControl* control, TAlignment alignment);
// The window's client rectangle in window coordinates.
TRect ClientRectInWindow(HWND window);
// The height (alTop, alBottom) or width (alLeft, alRight) taken by the visible children with exactly
// that alignment; graphic children only with includeGraphic. 0 for the other alignments.
Integer AlignedChildrenSize(TWinControl* control, Integer align, bool includeGraphic);
// The root of the window's parent chain. Owners are not followed: the glow of a control on a dialog
// belongs beside the dialog, not beside the dialog's owner.
HWND TopLevelAncestor(HWND window);

// uxtheme's SetWindowTheme, bound at start-up; nil where the system has no visual themes.
using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
extern TSetWindowTheme SetWindowThemeProc;

// ---- images of windows and controls ----
// The extended border of a form's provider: its shadow margins around the form in the image.
struct TskBorderMargins {
  Integer Left = 0;
  Integer Top = 0;
};
// The control with all its windowed children into the 32-bit bitmap, its top-left at (x, y) (the
// origin of the bitmap's DC already moved there by the caller for children): skinned windows print
// themselves (in print mode), others through PaintTo. A hidden control shows its parent's background
// there instead. With a border (a form with an extended border) the form is not clipped to its size,
// and its client area gets alpha 255 in the bitmap.
void PaintWindowImage(TBitmap& bitmap, TControl* control, Integer x, Integer y, const TskBorderMargins* border = nullptr);
// The container's graphic child controls into the DC, each at its place plus the offset: painted over
// the container's background in a bitmap of the container's size, then copied, except a child whose
// top-left pixel there stayed the key colour (it drew nothing). Re-entry returns at once; an empty
// clip box only tells the container (scSetHalfVisible).
void PaintControlImage(HDC dc, TWinControl* container, bool onlyIfVisible, TPoint offset);

// Hears when a component is freed: a handler that pumps messages, or sends a command that may close a
// form, asks Gone before it touches the component again.
class TskFreeWatch : public TComponent {
 public:
  explicit TskFreeWatch(TComponent* watched) : TComponent(nullptr), watched_(watched) {}
  ~TskFreeWatch() override;
  void AfterConstruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool Gone() const { return gone_; }

 private:
  TComponent* watched_;
  bool gone_ = false;
};
