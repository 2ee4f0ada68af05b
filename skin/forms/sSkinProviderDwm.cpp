#include "skin/forms/sSkinProviderDwm.h"

#include <cmath>
#include <memory>

#include "skin/forms/sCommonData.h"
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"

// Windows 6 (Vista) brought composition; earlier systems have no DWMAPI entries worth calling.
bool WindowsSixOrLater() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
  return ok && info.dwMajorVersion >= 6;
}

namespace {

template <class F>
bool Bind(F& entry, const char* name) {
  if (entry != nullptr) return true;
  if (HMODULE module = LoadDwmApi()) entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return entry != nullptr;
}

// The platform's DWM_BLURBEHIND record.
struct TskBlurBehind {
  DWORD Flags = 0;
  BOOL Enable = FALSE;
  HRGN Region = nullptr;
  BOOL TransitionOnMaximized = FALSE;
};

constexpr Cardinal kIconicBitmap = 0x800;  // AnimState: an iconic picture is being made

// The picture a thumbnail or a live preview shows: the one saved by a minimise with the animation,
// else the cache (fromCache then set).
TBitmap* IconicSource(TsSkinProvider& provider, bool& fromCache) {
  if (auto* timer = dynamic_cast<TskMinTimer*>(provider.MinMaxTimer.get()); timer != nullptr && timer->SavedImage) {
    fromCache = false;
    return timer->SavedImage.get();
  }
  fromCache = true;
  return provider.SkinData().CacheBitmap.get();
}

void StretchInto(TBitmap& source, TBitmap& target) {
  GdiFlush();
  StretchBitmap(PixelViewOf(source), PixelViewOf(target), sfTriangle);
}

void MakeOpaque(TBitmap& bitmap) {
  SetBitmapRectAlpha(PixelViewOf(bitmap), TRect{0, 0, bitmap.Width(), bitmap.Height()}, 255, false);
}

}  // namespace

TskDwmEntries& DwmEntries() {
  static TskDwmEntries entries;
  return entries;
}

HMODULE LoadDwmApi() {
  static const HMODULE module = LoadLibraryW(L"DWMAPI.DLL");
  return module;
}

bool AeroIsEnabled() {
  if (!WindowsSixOrLater() || !Bind(DwmEntries().IsCompositionEnabled, "DwmIsCompositionEnabled")) return false;
  BOOL enabled = FALSE;
  return SUCCEEDED(DwmEntries().IsCompositionEnabled(&enabled)) && enabled != FALSE;
}

HRESULT CallDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size) {
  TskDwmEntries& dwm = DwmEntries();
  if (!Bind(dwm.SetWindowAttribute, "DwmSetWindowAttribute")) return E_NOTIMPL;
  Bind(dwm.EnableBlurBehindWindow, "DwmEnableBlurBehindWindow");
  return dwm.SetWindowAttribute(window, attribute, value, size);
}

void DisableDwmTransitions(HWND window, bool flag) {
  if (!AeroIsEnabled()) return;
  constexpr DWORD kTransitionsForceDisabled = 3;
  const BOOL value = flag ? TRUE : FALSE;
  CallDwmSetWindowAttribute(window, kTransitionsForceDisabled, &value, sizeof(value));
}

HRESULT EnableBlurBehind(HWND window, bool enable, HRGN region) {
  TskDwmEntries& dwm = DwmEntries();
  if (LoadDwmApi() == nullptr || dwm.EnableBlurBehindWindow == nullptr) return S_OK;
  TskBlurBehind blur;
  blur.Flags = region != nullptr ? 3 : 1;  // enable, and the region when there is one
  blur.Enable = enable ? TRUE : FALSE;
  blur.Region = region;
  return dwm.EnableBlurBehindWindow(window, &blur);
}

void InvalidateIconicBitmaps(HWND window) {
  if (!WindowsSixOrLater() || !Bind(DwmEntries().InvalidateIconicBitmaps, "DwmInvalidateIconicBitmaps")) return;
  DwmEntries().InvalidateIconicBitmaps(window);
}

bool SendIconicThumbnail(HWND window, TsSkinProvider& provider, Integer maxWidth, Integer maxHeight) {
  if (!WindowsSixOrLater() || maxWidth <= 0 || maxHeight <= 0) return false;
  TskDwmEntries& dwm = DwmEntries();
  if (!Bind(dwm.SetIconicThumbnail, "DwmSetIconicThumbnail")) return false;
  bool fromCache = true;
  TBitmap* source = IconicSource(provider, fromCache);
  // The resampler needs two pixels each way.
  if (source == nullptr || source->Width() < 2 || source->Height() < 2) return false;
  const double sw = source->Width(), sh = source->Height();
  Integer w = maxWidth, h = maxHeight;
  if (static_cast<double>(w) / h > sw / sh) {
    w = static_cast<Integer>(std::lround(h * sw / sh));
  } else {
    h = static_cast<Integer>(std::lround(w * sh / sw));
  }
  if (w <= 0 || h <= 0) return false;
  provider.AnimState |= kIconicBitmap;
  std::unique_ptr<TBitmap> thumbnail = NewAnimBitmap(w, h);
  StretchInto(*source, *thumbnail);
  if (FAILED(dwm.SetIconicThumbnail(window, thumbnail->Handle(), 0))) {
    provider.AnimState &= ~kIconicBitmap;
    return false;
  }
  if (fromCache) {
    // The cache holds the frame only: the whole picture with the child controls follows.
    if (std::unique_ptr<TBitmap> whole = provider.CopyCacheBmp(false)) {
      StretchInto(*whole, *thumbnail);
      dwm.SetIconicThumbnail(window, thumbnail->Handle(), 0);
    }
    if (provider.BorderForm != nullptr) provider.BorderForm->UpdateExBorders(false, 255);
  }
  provider.AnimState &= ~kIconicBitmap;
  return true;
}

bool SendIconicLivePreview(HWND window, TsSkinProvider& provider) {
  TskDwmEntries& dwm = DwmEntries();
  if (!WindowsSixOrLater() || !Bind(dwm.SetIconicLivePreviewBitmap, "DwmSetIconicLivePreviewBitmap")) return false;
  bool fromCache = true;
  TBitmap* source = IconicSource(provider, fromCache);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) return false;
  provider.AnimState |= kIconicBitmap;
  std::unique_ptr<TBitmap> whole;
  if (fromCache) {
    whole = provider.CopyCacheBmp(false);
    if (whole != nullptr) source = whole.get();
  }
  POINT offset{0, 0};
  constexpr DWORD kDisplayFrame = 1;  // DWM_SIT_DISPLAYFRAME
  const bool done = SUCCEEDED(dwm.SetIconicLivePreviewBitmap(window, source->Handle(), &offset, kDisplayFrame));
  if (fromCache && provider.BorderForm != nullptr) provider.BorderForm->UpdateExBorders(false, 255);
  provider.AnimState &= ~kIconicBitmap;
  return done;
}

void SetLayeredImage(HWND window, TBitmap* bitmap, Byte alpha, const TPoint* position) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  std::unique_ptr<TBitmap> blank;
  RECT bounds{};
  GetWindowRect(window, &bounds);
  if (bitmap == nullptr) {
    blank = std::make_unique<TBitmap>();
    blank->SetPixelFormat(pf32bit);
    blank->SetSize(bounds.right - bounds.left, bounds.bottom - bounds.top);
    // Fully transparent: the window shows nothing until a picture comes.
    FillBitmapRectArgb(PixelViewOf(*blank), TRect{0, 0, blank->Width(), blank->Height()}, 0, 0);
    bitmap = blank.get();
  }
  TUpdateLayeredWindow update = UpdateLayeredWindowFunction();
  if (update == nullptr) return;
  POINT at{bounds.left, bounds.top};
  if (position != nullptr) at = POINT{position->X, position->Y};
  SIZE size{bitmap->Width(), bitmap->Height()};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  const HDC screen = GetDC(nullptr);
  update(window, screen, &at, &size, bitmap->Canvas().Handle(), &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
}

void SetWindowAlpha(HWND window, Byte alpha) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  if (SetLayeredWindowAttributesProc != nullptr) SetLayeredWindowAttributesProc(window, 0, alpha, LWA_ALPHA);
}

HWND FindTaskbarWindow() { return FindWindowW(L"Shell_TrayWnd", nullptr); }

std::unique_ptr<TForm> CreateAnimForm(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const Integer width = bounds.right - bounds.left;
  const Integer height = bounds.bottom - bounds.top;
  auto picture = std::make_unique<TBitmap>();
  picture->SetPixelFormat(pf32bit);
  picture->SetSize(width, height);
  const HDC source = GetWindowDC(window);
  BitBlt(picture->Canvas().Handle(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  ReleaseDC(window, source);
  MakeOpaque(*picture);

  auto form = std::unique_ptr<TForm>(New<TForm>(nullptr));
  form->SetTag(-98);
  form->SetBorderStyle(bsNone);
  form->SetBounds(bounds.left, bounds.top, width, height);
  const HWND anim = form->Handle();
  SetWindowLongPtrW(anim, GWL_EXSTYLE, GetWindowLongPtrW(anim, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  const TPoint at{bounds.left, bounds.top};
  SetLayeredImage(anim, picture.get(), 255, &at);
  SetWindowPos(anim, HWND_TOPMOST, bounds.left, bounds.top, width, height, SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  ShowWindow(anim, SW_SHOWNOACTIVATE);
  return form;
}

std::unique_ptr<TBitmap> TsSkinProvider::CopyCacheBmp(bool freeCache) {
  TBitmap* cache = SkinData().CacheBitmap.get();
  if (cache == nullptr || Form == nullptr) return nullptr;
  std::unique_ptr<TBitmap> picture;
  if (BorderForm != nullptr) {
    // The picture holds the shadow around the form: the shadow and the frame keep their alpha, the
    // form's client (with its child controls) is opaque at its place in the picture.
    picture = FormAnimationImage(*this);
    if (picture == nullptr) return nullptr;
  } else {
    picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(pf32bit);
    picture->SetSize(cache->Width(), cache->Height());
    PaintWindowImage(*picture, Form, 0, 0);
    MakeOpaque(*picture);  // no extended border window: the whole picture is the form
  }
  if (freeCache) SkinData().CacheBitmap.reset();
  return picture;
}
