// The skin library's routines over the system: the caption font and the minimize/maximize animation
// from the system settings, the message record, the background info of a bitmap, the skin's error box,
// a message-pumping wait, the program's folder and file icons, and the optional functions that older
// or emulated systems lack (kernel32's IsDebuggerPresent and IsWow64Process, the desktop window
// manager's). Optional functions are bound by name when first needed; a missing or failing one gives
// the routine's stated fallback, never an error.
#pragma once
#include <memory>
#include "skin/forms/sCommonData.h"
#include "vcl/gui/Icon.h"
#include "vcl/gui/Messages.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

class TBitmap;

// The caption font of the non-client metrics: its height (0 when the metrics cannot be read), or a
// new font handle that the caller deletes (0 on failure).
Integer GetCaptionFontHeight();
HFONT CreateCaptionFont();

// Whether windows animate when minimized and maximized (false when the setting cannot be read).
bool GetMinMaxAnimation();
void SetMinMaxAnimation(bool value);

TMessage MakeMessageRecord(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT result);

// The background info of a bitmap at an offset, with the skin's transparent key colour.
TskBgInfo MakeBgInfoFromBitmap(TBitmap* bitmap, Integer x, Integer y);

// The skin's error box: an error message with an OK button, through MessageDlg (whose hook replaces
// it in tests and in programs that must not block).
void ShowSkinError(const AnsiString& text);

// Processes the application's messages until that many milliseconds have passed.
void WaitProcessingMessages(Cardinal milliseconds);

// IsDebuggerPresent's answer; true when the function is missing (the careful answer).
bool DebuggerPresent();
// IsWow64Process's answer for this process; false when the function is missing or fails.
bool IsWow64();
// Set at start-up when the process runs under WOW64 without desktop composition (glowing is then off).
bool Wow64WithoutComposition();

// Process-wide switches, off unless a program turns them on: captions drawn in the default character
// set instead of the form font's; maximised forms shown without the extended border window.
extern bool UseDefaultCharset;
extern bool NoExtBordersOnMaximized;

// Whether the desktop window manager composes the screen; false without dwmapi.
bool DesktopCompositionAvailable();
// With composition only: tells the window manager whether the window supplies its own iconic bitmap
// (attribute 10, or attribute 7 when 10 is refused), then invalidates the window's iconic bitmaps.
void SetDwmIconicBitmap(HWND window, bool value);

// The folder of the program's file, ending in "\".
AnsiString AppPath();

// The shell's icon of a file (flags as for SHGetFileInfo, SHGFI_ICON is added); nil for a missing file,
// a failure or an empty icon.
std::unique_ptr<TIcon> GetFileIcon(const AnsiString& fileName, UINT flags);

// Binds kernel32's optional functions and sets the WOW64-without-composition flag (once); the
// shut-down releases the module reference.
void InitSkinSystemRoutines();
void DoneSkinSystemRoutines();
