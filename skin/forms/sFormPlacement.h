// Where a form may lie on the screen, and the link to the skin editor that previews the program: the
// work area of a form's monitor (asked through a source that tests replace, since a test machine's one
// monitor has no taskbar), and the notice that the editor gets when the previewed main form shows.
#pragma once
#include <windows.h>

#include <functional>

#include "vcl/rtl/Types.h"

class TCustomForm;

// A monitor's whole bounds and its work area (the bounds less the taskbar and docked bars).
struct TskMonitorAreas {
  TRect Bounds;
  TRect WorkArea;
};
// The areas of the monitor that holds the window.
using TskMonitorSource = std::function<TskMonitorAreas(HWND window)>;
// Replaces the source (nil: the system's, MonitorFromWindow and GetMonitorInfo); returns the one it
// replaced.
TskMonitorSource SetMonitorSource(TskMonitorSource source);
// The areas of the window's monitor, asked through the source.
TskMonitorAreas MonitorAreasOf(HWND window);

// A stay-on-top form may cover the taskbar: its monitor's bounds; any other form its monitor's work
// area.
TRect FormWorkArea(TCustomForm* form);

// The window whose skin the editor previews (0 before the editor was told).
extern HWND PreviewedWindow;
// The editor's window title.
inline constexpr const wchar_t* kSkinEditorTitle = L"Rivazoro Zededu";
// How long one notice may wait for the editor's answer.
inline constexpr UINT kSkinEditorTimeoutMs = 1000;
// While the program runs as the editor's preview and no window was shown to it yet: the main form's
// window (any form's while there is no main form) becomes PreviewedWindow and the editor is told
// (message 0xA400, wParam 3, lParam the window) until it answers 1, at most 101 times. An editor that
// does not answer within kSkinEditorTimeoutMs is not asked again.
void NotifySkinEditor(HWND window);
