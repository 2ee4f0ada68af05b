// Desktop composition for skinned forms: the composition functions bound late from DWMAPI.DLL (the
// program runs where it is missing), the composition test, transitions and blur-behind of a window,
// and 32-bit pictures shown on layered windows.
#pragma once
#include <memory>
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Win.h"

class TBitmap;
class TForm;
class TsSkinProvider;

// The composition entry points. Each is looked up the first time it is needed and kept; one the
// lookup did not find stays nil and is looked up again next time. A test may put its own functions
// here: a filled entry is never looked up.
struct TskDwmEntries {
  HRESULT(WINAPI* SetWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
  HRESULT(WINAPI* EnableBlurBehindWindow)(HWND, const void*) = nullptr;  // a DWM_BLURBEHIND record
  HRESULT(WINAPI* IsCompositionEnabled)(BOOL*) = nullptr;
  HRESULT(WINAPI* SetIconicThumbnail)(HWND, HBITMAP, DWORD) = nullptr;
  HRESULT(WINAPI* SetIconicLivePreviewBitmap)(HWND, HBITMAP, POINT*, DWORD) = nullptr;
  HRESULT(WINAPI* InvalidateIconicBitmaps)(HWND) = nullptr;
};
TskDwmEntries& DwmEntries();

// The system reports version 6 (Vista) or later.
bool WindowsSixOrLater();
// Loads DWMAPI.DLL once (never freed); nil where the system has none.
HMODULE LoadDwmApi();
// The system is Windows 6 or later and reports composition on.
bool AeroIsEnabled();
// DwmSetWindowAttribute's result; E_NOTIMPL without DWMAPI or the function.
HRESULT CallDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size);
// With composition on: the window's transitions are forced off (flag) or allowed again.
void DisableDwmTransitions(HWND window, bool flag);
// Blur behind the window (in the region when one is given); the call's result, S_OK when nothing
// could be called.
HRESULT EnableBlurBehind(HWND window, bool enable, HRGN region = nullptr);
// Windows 6 or later: the system asks for the window's iconic pictures again.
void InvalidateIconicBitmaps(HWND window);
// The answer to the system's request for a taskbar thumbnail of the provider's form of at most width x
// height: the picture saved when the form minimised with the animation, else the cache, stretched into
// that box with its aspect ratio kept. False (and no bitmap left behind) below Windows 6, without the
// entry, for an empty box or picture, or when the call fails. AnimState bit 0x800 is set meanwhile.
bool SendIconicThumbnail(HWND window, TsSkinProvider& provider, Integer maxWidth, Integer maxHeight);
// The answer to the request for the live preview: the same picture at its own size (a cache as the
// whole picture with child controls); true when the call succeeded.
bool SendIconicLivePreview(HWND window, TsSkinProvider& provider);
// Makes the window layered and shows the 32-bit bitmap on it with the constant alpha, at the position
// (the window's own when nil); without a bitmap a blank one of the window's size.
void SetLayeredImage(HWND window, TBitmap* bitmap, Byte alpha, const TPoint* position = nullptr);
// Makes the window layered (when it is not) and gives it the constant alpha (LWA_ALPHA, no colour key).
void SetWindowAlpha(HWND window, Byte alpha);
// A borderless tool window over the window's rectangle that shows what the window shows now (opaque),
// topmost and not activated; animations move it while the window itself is hidden. Tag -98 marks it
// as the library's own.
std::unique_ptr<TForm> CreateAnimForm(HWND window);
// The taskbar's window, nil when there is none.
HWND FindTaskbarWindow();
