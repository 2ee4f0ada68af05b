#include "skin/adapters/skSBSpinWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

bool TskSpinWnd::IsVertical() const { return (GetWindowLongPtrW(Window, GWL_STYLE) & UDS_HORZ) == 0; }

void TskSpinWnd::Redraw() { RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE); }

void TskSpinWnd::PrepareCache() {
  if (SkinManager == nullptr || SkinData == nullptr) return;
  if (!SkinManager->IsValidSkinIndex(SkinManager->GetSkinIndex(SkinData->SkinSection())))
    SkinData->SetSkinSection("BUTTON");
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  TskBgRequest request;
  if (ParentWnd != nullptr) GetParentBgFromWindow(request, ParentWnd, false);
  const TskBgInfo background = ParentWnd != nullptr ? BgInfoFromReply(request) : DefaultBgInfo;
  SkinData->InitCacheBmp();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (cache.Width() != WndSize.X || cache.Height() != WndSize.Y) cache.SetSize(WndSize.X, WndSize.Y);
  const bool vertical = IsVertical();
  const Integer left = std::clamp(LeftOffset, 0, WndSize.X);
  TskUpDownRects rects = UpDownButtonRects(WndSize.X - left, WndSize.Y, vertical);
  for (TRect* r : {&rects.First, &rects.Second}) {
    r->Left += left;
    r->Right += left;
  }
  const auto& arrows = SkinManager->ConstData.ScrollButtons;
  const Integer glyphs[2] = {arrows[vertical ? sbTop : sbLeft].GlyphMask, arrows[vertical ? sbBottom : sbRight].GlyphMask};
  const TsPixelView view = PixelViewOf(cache);
  const TsBgPixels bgPixels = BgPixelsOf(background);
  const TRect buttons[2] = {rects.First, rects.Second};
  const Integer states[2] = {firstState_, secondState_};
  for (int i = 0; i < 2; ++i) {
    const TRect& r = buttons[i];
    PaintSectionInState(*SkinManager, SkinData->SectionIndex, SkinData->SkinSection(), view, r, bgPixels,
                        TPoint{WndPos.X + r.Left, WndPos.Y + r.Top}, states[i]);
    const TPoint size = SkinGlyphSize(*SkinManager, glyphs[i]);
    PaintSkinGlyph(*SkinManager, glyphs[i], view, CentredGlyphOrigin(r, size.X, size.Y), states[i]);
  }
  SkinData->BackgroundDirty = false;
}

void TskSpinWnd::Paint(TMessage& message) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  POINT cursor{};
  GetCursorPos(&cursor);
  const TskUpDownStates states = UpDownStates(WndRect, TPoint{cursor.x, cursor.y}, IsVertical(), mouseDown_);
  firstState_ = states.First;
  secondState_ = states.Second;
  PAINTSTRUCT ps{};
  BeginPaint(Window, &ps);
  SkinData->SetUpdating(SkinData->IsUpdating());
  if (!SkinData->UpdatingFlag) {
    const auto given = reinterpret_cast<HDC>(message.WParam);
    const HDC dc = given != nullptr ? given : GetDC(Window);
    SkinData->BackgroundDirty = true;
    PrepareCache();
    const Integer left = std::clamp(LeftOffset, 0, WndSize.X);
    BitBlt(dc, left, 0, WndSize.X - left, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), left, 0, SRCCOPY);
    if (given == nullptr) ReleaseDC(Window, dc);
  }
  EndPaint(Window, &ps);
}

void TskSpinWnd::WndProc(TMessage& message) {
  if (SkinOff()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      Paint(message);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      message.Result = 0;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      mouseDown_ = message.Msg == WM_LBUTTONDOWN;
      CallOldProc(message);
      Redraw();
      return;
    case WM_LBUTTONDBLCLK:
      CallOldProc(message);
      mouseDown_ = true;
      Redraw();
      mouseDown_ = false;
      return;
    case WM_MOUSEMOVE: {
      CallOldProc(message);
      TsSkinManager* manager = TsSkinManager::DefaultManager();
      if (manager == nullptr || manager->ComponentState().Contains(csDesigning) || !IsWindowEnabled(Window)) return;
      POINT cursor{};
      RECT r{};
      GetCursorPos(&cursor);
      GetWindowRect(Window, &r);
      if (PtInRect(&r, cursor)) {
        if (manager->ActiveWindow() == Window) {
          Redraw();
        } else {
          manager->SetActiveControl(Window);
        }
      } else if (manager->ActiveWindow() == Window) {
        manager->SetActiveControl(static_cast<HWND>(nullptr));
      }
      return;
    }
    case WM_MOUSELEAVE:
      InvalidateRect(Window, nullptr, FALSE);
      CallOldProc(message);
      return;
    case SkinCommandMessage:
      if (SkinCommandOf(message.WParam) == scMouseLeave) {
        Redraw();
        CallOldProc(message);
        return;
      }
      break;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}
