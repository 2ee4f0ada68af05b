// Where a minimising form flies: the application's button on the shell's taskbar, found by reading the
// shell's task toolbar (a control of another process, read through that process's memory), or the
// taskbar's inner edge when the button cannot be found, or the screen's corner without a taskbar.
#pragma once
#include <windows.h>

#include "vcl/rtl/Types.h"

// The window whose taskbar button stands for the application: the main form's window (the main form
// carries the taskbar button), else the application window.
HWND ApplicationButtonWindow();
// The screen rectangle of the taskbar button whose data names the window (the chain "Shell_TrayWnd",
// "ReBarWindow32", "MSTaskSwWClass", "ToolbarWindow32"; separators, groups, drop-downs and hidden
// buttons skipped). The button records are read in the layout of the shell's own bitness, the window
// compared pointer-sized. Empty when anything on the way is missing or fails.
TRect TaskbarButtonRect(HWND window);
// The rectangle a minimising form with that window rectangle shrinks into: the application's taskbar
// button (not looked up while the desktop composes), else a point on the taskbar's edge level with the
// form's centre; the point (0, 0) without a taskbar.
TRect MinimizeTargetRect(const TRect& formRect);
