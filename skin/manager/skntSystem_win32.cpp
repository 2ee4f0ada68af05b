#include "skin/manager/skntSystem.h"

#include "vcl/gui/Win.h"

#include <shellapi.h>

#include "vcl/gui/Application.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/TextConv.h"

namespace {

// A function of a system library looked up by name. The library is loaded on first use and kept for
// the process (a library the system maps anyway costs nothing to keep); a missing library or function
// leaves the pointer nil.
template <class F>
F BindOptional(const wchar_t* library, const char* name) {
  HMODULE module = GetModuleHandleW(library);
  if (!module) module = LoadLibraryW(library);
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using IsDebuggerPresentProc = BOOL(WINAPI*)();
using IsWow64ProcessProc = BOOL(WINAPI*)(HANDLE, PBOOL);

struct TKernelFunctions {
  HMODULE Kernel32 = nullptr;
  IsDebuggerPresentProc IsDebuggerPresent = nullptr;
  IsWow64ProcessProc IsWow64Process = nullptr;
  bool Wow64WithoutComposition = false;
  bool Bound = false;
};

TKernelFunctions& Kernel() {
  static TKernelFunctions functions;
  return functions;
}

using DwmIsCompositionEnabledProc = HRESULT(WINAPI*)(BOOL*);
using DwmSetWindowAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using DwmInvalidateIconicBitmapsProc = HRESULT(WINAPI*)(HWND);

constexpr DWORD kDwmHasIconicBitmap = 10;
constexpr DWORD kDwmForceIconicRepresentation = 7;

bool ReadNonClientMetrics(NONCLIENTMETRICSA& metrics) {
  metrics = {};
  metrics.cbSize = sizeof(metrics);
  return SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) != 0;
}

}  // namespace

void InitSkinSystemRoutines() {
  TKernelFunctions& k = Kernel();
  if (k.Bound) return;
  k.Bound = true;
  k.Kernel32 = LoadLibraryW(L"kernel32.dll");
  if (!k.Kernel32) return;
  k.IsDebuggerPresent = reinterpret_cast<IsDebuggerPresentProc>(
      reinterpret_cast<void*>(GetProcAddress(k.Kernel32, "IsDebuggerPresent")));
  k.IsWow64Process = reinterpret_cast<IsWow64ProcessProc>(
      reinterpret_cast<void*>(GetProcAddress(k.Kernel32, "IsWow64Process")));
  k.Wow64WithoutComposition = IsWow64() && !DesktopCompositionAvailable();
}

void DoneSkinSystemRoutines() {
  TKernelFunctions& k = Kernel();
  if (k.Kernel32) FreeLibrary(k.Kernel32);
  k = TKernelFunctions{};
}

bool DebuggerPresent() {
  InitSkinSystemRoutines();
  return Kernel().IsDebuggerPresent ? Kernel().IsDebuggerPresent() != 0 : true;
}

bool IsWow64() {
  // Called from InitSkinSystemRoutines itself, so it must not bind again: the pointers are set by then.
  const IsWow64ProcessProc isWow64Process = Kernel().IsWow64Process;
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  return isWow64Process(GetCurrentProcess(), &wow64) != 0 && wow64 != 0;
}

bool Wow64WithoutComposition() { return Kernel().Wow64WithoutComposition; }

bool UseDefaultCharset = false;
bool NoExtBordersOnMaximized = false;

bool DesktopCompositionAvailable() {
  static const auto isEnabled = BindOptional<DwmIsCompositionEnabledProc>(L"dwmapi.dll", "DwmIsCompositionEnabled");
  BOOL enabled = FALSE;
  return isEnabled && SUCCEEDED(isEnabled(&enabled)) && enabled;
}

void SetDwmIconicBitmap(HWND window, bool value) {
  if (!DesktopCompositionAvailable()) return;
  static const auto setAttribute = BindOptional<DwmSetWindowAttributeProc>(L"dwmapi.dll", "DwmSetWindowAttribute");
  static const auto invalidate =
      BindOptional<DwmInvalidateIconicBitmapsProc>(L"dwmapi.dll", "DwmInvalidateIconicBitmaps");
  if (!setAttribute) return;
  const BOOL flag = value ? TRUE : FALSE;
  if (FAILED(setAttribute(window, kDwmHasIconicBitmap, &flag, sizeof(flag)))) {
    setAttribute(window, kDwmForceIconicRepresentation, &flag, sizeof(flag));
  }
  if (invalidate) invalidate(window);
}

Integer GetCaptionFontHeight() {
  NONCLIENTMETRICSA metrics;
  return ReadNonClientMetrics(metrics) ? metrics.lfCaptionFont.lfHeight : 0;
}

HFONT CreateCaptionFont() {
  NONCLIENTMETRICSA metrics;
  return ReadNonClientMetrics(metrics) ? CreateFontIndirectA(&metrics.lfCaptionFont) : nullptr;
}

bool GetMinMaxAnimation() {
  ANIMATIONINFO info{};
  info.cbSize = sizeof(info);
  return SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0) != 0 && info.iMinAnimate != 0;
}

void SetMinMaxAnimation(bool value) {
  ANIMATIONINFO info{};
  info.cbSize = sizeof(info);
  info.iMinAnimate = value ? 1 : 0;
  SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
}

TMessage MakeMessageRecord(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = result;
  return m;
}

TskBgInfo MakeBgInfoFromBitmap(TBitmap* bitmap, Integer x, Integer y) {
  TskBgInfo info;
  info.Bitmap = bitmap;
  info.OffsetX = x;
  info.OffsetY = y;
  info.Color = 0xFF00FF;
  info.IsBitmap = true;
  return info;
}

void ShowSkinError(const AnsiString& text) { MessageDlg(text, mtError, TMsgDlgButtons{mbOK}, 0); }

void WaitProcessingMessages(Cardinal milliseconds) {
  // Unsigned differences stay right when the tick count wraps around.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    Application->ProcessMessages();
    Sleep(1);
  }
}

AnsiString AppPath() { return ExtractFilePath(Application->ExeName()); }

std::unique_ptr<TIcon> GetFileIcon(const AnsiString& fileName, UINT flags) {
  if (!FileExists(fileName)) return nullptr;
  const WideString wide = Cp1250ToUtf16(fileName);
  SHFILEINFOW info{};
  if (SHGetFileInfoW(reinterpret_cast<const wchar_t*>(wide.c_str()), 0, &info, sizeof(info), flags | SHGFI_ICON) == 0 ||
      !info.hIcon) {
    return nullptr;
  }
  auto icon = std::make_unique<TIcon>();
  icon->SetHandle(info.hIcon);
  if (icon->Empty()) return nullptr;
  return icon;
}
