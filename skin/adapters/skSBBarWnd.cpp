#include "skin/adapters/skSBBarWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "skin/adapters/skSBBarGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/StatusBar.h"
#include "vcl/rtl/TextConv.h"

// ---- status bar ----

TskStatusBarWnd::TskStatusBarWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                                 TsCommonData* data)
    : TskMainWnd(window, repaint, SectionOrDefault(section, "STATUSBAR"), manager, data) {
  if (SkinData != nullptr) statusBar_ = dynamic_cast<TStatusBar*>(SkinData->HostControl);
}

void TskStatusBarWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || !SkinData->Skinned()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: {
      // The bar is painted whole in the erase that BeginPaint sends.
      InvalidateRect(Window, nullptr, TRUE);
      PAINTSTRUCT ps{};
      BeginPaint(Window, &ps);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      PaintStatusBar(reinterpret_cast<HDC>(message.WParam), true);
      message.Result = 1;
      return;
    case WM_PRINT:
      PaintStatusBar(reinterpret_cast<HDC>(message.WParam), false);
      message.Result = 1;
      return;
    case WM_NCPAINT:
      if (!InAnimationProcess) PaintStatusFrame(nullptr);
      message.Result = 0;
      return;
    case WM_SIZE:
      TskMainWnd::WndProc(message);
      RedrawWindow(Window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskStatusBarWnd::PaintStatusBar(HDC given, bool clientDc) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  PrepareCache();
  // The cache is the whole window's; a client DC starts at the client area's place in it.
  const TRect client = given != nullptr && clientDc ? ClientRectInWindow(Window) : TRect{};
  BitBlt(dc, -client.Left, -client.Top, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskStatusBarWnd::PaintStatusFrame(HDC given) {
  if (statusBar_ == nullptr || statusBar_->BorderWidth() <= 0) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  if (SkinData->BackgroundDirty || SkinData->CacheBitmap == nullptr) PrepareCache();
  if (SkinData->CacheBitmap != nullptr && SkinData->CacheBitmap->Width() == WndSize.X)
    CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0,
                    statusBar_->BorderWidth());
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskStatusBarWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  SkinData->BackgroundDirty = true;
  RebuildWindowBg(SkinData, Window, false);
  if (SkinData->CacheBitmap == nullptr || SkinData->CacheBitmap->Width() != WndSize.X) return;
  PaintPanels();
  SkinData->BackgroundDirty = false;
}

void TskStatusBarWnd::PaintPanels() {
  const bool simple = SendMessageW(Window, SB_ISSIMPLE, 0, 0) != 0;
  if (simple) {
    PaintPanel(-1, TRect{0, 1, WndSize.X - 1, WndSize.Y - 1}, true, true);
    return;
  }
  const auto parts = static_cast<Integer>(SendMessageW(Window, SB_GETPARTS, 0, 0));
  // The parts' rects are the client area's; the cache is the window's.
  const TRect client = ClientRectInWindow(Window);
  for (Integer i = 0; i < parts; ++i) {
    RECT r{};
    SendMessageW(Window, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, client.Left, client.Top);
    PaintPanel(i, TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, false, i == parts - 1);
  }
}

void TskStatusBarWnd::PaintPanel(Integer index, const TRect& rect, bool simple, bool last) {
  if (SkinManager == nullptr || !SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) return;
  const TsSkinManager& manager = *SkinManager;
  TBitmap& cache = *SkinData->CacheBitmap;
  const TsPixelView view = PixelViewOf(cache);
  const Integer panelMask = manager.GetMaskIndex(SkinData->SectionIndex, SkinData->SkinSection(), "STATUSPANELMASK");
  if (manager.IsValidMaskIndex(panelMask)) {
    const TsMaskData& mask = manager.ma[static_cast<size_t>(panelMask)];
    PaintMaskImage(view, simple ? TRect{0, 0, WndSize.X, WndSize.Y} : rect, 0, mask, SkinPixelsOf(manager).ImageOf(mask),
                   TsBgPixels{});
  } else if (!simple && !last) {
    const Integer divider = manager.GetSkinIndex("DIVIDER");
    if (manager.IsValidSkinIndex(divider)) {
      const Integer border = manager.gd[static_cast<size_t>(divider)].BorderMask;
      const bool hasMask = manager.IsValidMaskIndex(border);
      const Integer width = hasMask ? StatusDividerWidth(manager.ma[static_cast<size_t>(border)].WL,
                                                         manager.ma[static_cast<size_t>(border)].WR)
                                    : StatusDividerWidth(0, 0);
      TsBgPixels background;
      background.Bitmap = view;  // the section already in the cache shows through the divider
      const TRect place{rect.Right - width, 1, rect.Right, WndSize.Y - 1};
      PaintSectionInState(manager, divider, "DIVIDER", view, place, background, TPoint{place.Left, place.Top}, 0);
    }
  }
  if (statusBar_ != nullptr && !simple && index >= 0 && index < statusBar_->PanelCount() &&
      statusBar_->Panels(index).Style == psOwnerDraw && statusBar_->OnDrawPanel) {
    // The application draws the panel straight into the cache.
    TCanvas& barCanvas = statusBar_->Canvas();
    const HDC previous = barCanvas.HandleAllocated() ? barCanvas.Handle() : nullptr;
    barCanvas.SetHandle(cache.Canvas().Handle());
    try {
      statusBar_->OnDrawPanel(statusBar_, &statusBar_->Panels(index), rect);
    } catch (...) {
      barCanvas.SetHandle(previous);
      throw;
    }
    barCanvas.SetHandle(previous);
    return;
  }
  const AnsiString text = PanelText(index, simple);
  if (text.empty()) return;
  TCanvas& canvas = cache.Canvas();
  AssignWindowFont(canvas, Window);
  canvas.Brush().SetStyle(bsClear);
  TRect textRect{rect.Left + 1 + 2, rect.Top + 1, rect.Right - 1 - 4, rect.Bottom - 1 - 1};
  const AnsiString shown = ShortenTextToWidth(canvas, text, textRect.Width());
  const bool ownPanel = statusBar_ != nullptr && !simple && index >= 0 && index < statusBar_->PanelCount();
  const UINT flags = ControlTextFlags(statusBar_, ownPanel ? statusBar_->Panels(index).Alignment : taLeftJustify) |
                     DT_SINGLELINE | DT_VCENTER;
  DrawControlText(canvas, shown, true, false, *SkinData, flags, textRect);
}

AnsiString TskStatusBarWnd::PanelText(Integer index, bool simple) {
  if (SendMessageW(Window, SB_GETPARTS, 0, 0) == 0) return {};
  if (simple) {
    // The simple part's own text: WM_GETTEXT answers with the first part's, which simple mode hides,
    // while a simple bar answers part 0 with its simple part (some bars refuse the simple part's id).
    const auto length = LOWORD(SendMessageW(Window, SB_GETTEXTLENGTHW, 0, 0));
    if (length == 0) return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    SendMessageW(Window, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return Utf16ToCp1250(text);
  }
  // A foreign bar's texts are its own to draw.
  if (statusBar_ == nullptr) return {};
  if (statusBar_->PanelCount() == 0) return statusBar_->SimpleText();
  return index >= 0 && index < statusBar_->PanelCount() ? statusBar_->Panels(index).Text : AnsiString();
}

// ---- size grip ----

void TskSizerWnd::WndProc(TMessage& message) {
  if (SkinOff()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      Paint();
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      message.Result = 1;
      return;
    case WM_NCHITTEST:
      TskMainWnd::WndProc(message);
      if (IsWindowEnabled(Window))
        if (TsSkinManager* manager = TsSkinManager::DefaultManager(); manager != nullptr && manager->ActiveWindow() == Window)
          manager->SetActiveControl(static_cast<HWND>(nullptr));
      message.Result = HTBOTTOMRIGHT;
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskSizerWnd::Paint() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  PAINTSTRUCT ps{};
  BeginPaint(Window, &ps);
  const Integer grip = SkinManager->ConstData.GripImage;
  const TPoint size = SkinGlyphSize(*SkinManager, grip);
  if (size.X > 0 && size.Y > 0 && WndSize.X > 0 && WndSize.Y > 0) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(WndSize.X, WndSize.Y);
    const TsPixelView view = PixelViewOf(bitmap);
    FillWithParentBg(view, Window, WndPos);
    PaintSkinGlyph(*SkinManager, grip, view, GripOrigin(WndSize.X, WndSize.Y, size.X, size.Y), 0);
    if (const HDC dc = GetDC(Window); dc != nullptr) {
      BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
      ReleaseDC(Window, dc);
    }
  }
  EndPaint(Window, &ps);
}
