// Skin commands to many receivers at once: every child control or child window of a container, the
// end of an update bracket, and the notice to a control's form that a control was added. All of them
// send synchronously on the GUI thread. The form-skinning work adds the rest of this unit: the images
// of windows and controls for animations, and the painting of windowless child controls.
#pragma once
#include "vcl/gui/Messages.h"

class TControl;
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
