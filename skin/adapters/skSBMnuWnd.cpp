#include "skin/adapters/skSBMnuWnd.h"

#include <windows.h>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"

bool SkinnedMenuPainted = false;
bool PopupMeasured = false;

namespace {

// The width of the popup frame that the adapter paints.
constexpr Integer kPopupBorder = 3;

// Skin commands the skinned menus send a popup window.
constexpr Word kAskBorderApplied = 8;    // -> whether the border region was applied since the last erase
constexpr Word kBorderApplied = scMenuRegionChanged;

void SetLayeredAlpha(HWND window, Byte alpha) {
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  if (SetLayeredWindowAttributesProc != nullptr) SetLayeredWindowAttributesProc(window, 0, alpha, LWA_ALPHA);
}

}  // namespace

void TskMnuWnd::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
      Destroyed(message);
      return;
    case WM_TIMER:
      CallOldProc(message);
      return;
    default:
      break;
  }
  if (message.Msg == SkinCommandMessage) {
    SkinCommand(message);
    return;
  }
  // Until the skinned menus have taken the popup over, it stays as the system draws it.
  if (!SkinnedMenuPainted && !PopupMeasured) {
    TskScrollWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      Erase(message);
      return;
    case WM_WINDOWPOSCHANGING:
      PositionChanging(message);
      return;
    case WM_NCPAINT:
      // Every system this program runs on is of the NT family.
      PaintFrame();
      if (AeroIsEnabled() && !Shown) RedrawWindow(Window, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
      ApplyAlpha();
      return;
    default:
      TskScrollWnd::WndProc(message);
  }
}

void TskMnuWnd::SkinCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case scIsSkinned:
      message.Result = 1;
      return;
    case kAskBorderApplied:
      message.Result = BorderApplied ? 1 : 0;
      return;
    case kBorderApplied:
      if (IsWindowVisible(Window)) BorderApplied = true;
      return;
    case scGetApplication:
      message.Result = reinterpret_cast<LRESULT>(Application);
      return;
    default:
      return;  // other commands are not for popup windows
  }
}

// The last popup to go frees every popup adapter, itself included: it is running, so it goes when
// this call has returned, and nothing below touches it after FreeMenuAdapters.
void TskMnuWnd::Destroyed(TMessage& message) {
  // Without a saved procedure CallOldProc answers with DefWindowProcW: the message is never sent to the
  // window again, which would reach this adapter without end.
  CallOldProc(message);
  TskMainWnd* self = this;
  DetachAdapter(Window, false, false, self);
  BorderApplied = false;
  ClearMenuItemDataList();
  bool othersOpen = false;
  for (TskMnuWnd* other : PopupMenuAdapters()) {
    if (other == nullptr || other == this || other->Detached()) continue;
    othersOpen = true;
    RedrawWindow(other->Window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
  }
  if (!othersOpen) {
    FreeMenuAdapters();
    PopupMeasured = false;
  }
  SkinnedMenuPainted = false;
}

void TskMnuWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (SkinData == nullptr || !SkinData->BackgroundDirty) return;
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  cache.SetSize(WndSize.X, WndSize.Y);
  const TPoint offset{WndRect.Left - ParentRect.Left, WndRect.Top - ParentRect.Top};
  // The section with its border mask, over no background.
  SkinData->PaintOwnSection(DefaultBgInfo, true, cache, offset, TRect{0, 0, WndSize.X, WndSize.Y}, 0);
  SkinData->BackgroundDirty = false;
}

void TskMnuWnd::Erase(TMessage& message) {
  PrepareCache();
  const bool ownDC = message.WParam == 0;
  const HDC dc = ownDC ? GetDC(Window) : reinterpret_cast<HDC>(message.WParam);
  TBitmap& cache = *SkinData->CacheBitmap;
  BitBlt(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), kPopupBorder, kPopupBorder, SRCCOPY);
  if (ownDC) ReleaseDC(Window, dc);
  BorderApplied = false;
  message.Result = 1;
  // A popup whose frame is never painted still becomes visible here.
  if (!Shown) ApplyAlpha();
}

void TskMnuWnd::PositionChanging(TMessage& message) {
  TskScrollWnd::WndProc(message);
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
  if (settingLayered_ || pos == nullptr || (pos->flags & SWP_NOREDRAW) != 0) return;
  if ((pos->flags & SWP_SHOWWINDOW) != 0 && !IsWindowVisible(Window)) {
    settingLayered_ = true;
    SetLayeredAlpha(Window, 0);
    settingLayered_ = false;
  }
}

void TskMnuWnd::PaintFrame() {
  PrepareCache();
  // The skinned menus' popup bitmap of this window, when it fits, else the adapter's own cache.
  TBitmap* source = SkinData->CacheBitmap.get();
  if (SkinManager != nullptr)
    if (TskPopupRecord* record = SkinManager->SkinableMenus().FindPopupData(nullptr, 0, Window, 0))
      if (record->Bitmap->Width() == WndSize.X && record->Bitmap->Height() == WndSize.Y) source = record->Bitmap.get();
  if (source == nullptr || source->Width() != WndSize.X || source->Height() != WndSize.Y) return;
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, source->Canvas().Handle(), 0, 0, kPopupBorder);
  ReleaseDC(Window, dc);
}

void TskMnuWnd::ApplyAlpha() {
  Shown = true;
  if (SkinManager == nullptr) return;
  const Byte alpha = SkinManager->MenuSupport().AlphaBlend;
  if (alpha == 255) {
    const LONG_PTR exStyle = GetWindowLongPtrW(Window, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) != 0) SetWindowLongPtrW(Window, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
  } else {
    SetLayeredAlpha(Window, alpha);
  }
}
