// The Win32 API as the GUI units see it: windows.h and the common controls, with the few macros taken
// out again that would otherwise rename methods of the component layer in one file and not in another
// (TStrings::GetObject, TCanvas::TextOut, os::DeleteFile). The GUI calls the W functions by name.
#pragma once
#include <windows.h>
#include <commctrl.h>

#undef GetObject
#undef TextOut
#undef DeleteFile
