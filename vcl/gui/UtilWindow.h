// Hidden utility windows (window class "TPUtilWindow") whose messages go to a method: components that
// need a window of their own without being controls (the single-instance component's receiver, timers)
// make one with AllocateHWnd. The method gets every message and sets its Result; it calls
// DefWindowProcW itself for what it does not handle. An exception from the method goes to
// Application->HandleException.
#pragma once
#include "vcl/gui/Messages.h"

HWND AllocateHWnd(TWndMethod method);
// Destroys a window made by AllocateHWnd (nil is ignored).
void DeallocateHWnd(HWND window);
