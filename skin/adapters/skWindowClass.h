// What the skin manager asks of the window adapters about a raw window: its class name, and whether it
// is a popup menu. The window adapters work adds the rest that the manager drives: the adapter base
// TskMainWnd (stored on its window as the property "SKSBSC"), the CBT hook procedure SkinHookProc with
// its list of hooked windows, the MDI client adapter and the skinned menus (FreeMenuAdapters,
// TskMenuSupport, TsSkinableMenus).
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

// The class of the system's popup menu windows.
inline constexpr char kPopupMenuClassName[] = "#32768";

// The window's class name (at most 128 characters; empty for a window that does not exist).
AnsiString GetWindowClassName(HWND window);
bool IsPopupMenuWindow(HWND window);
