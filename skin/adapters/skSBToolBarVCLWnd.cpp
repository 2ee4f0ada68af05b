#include "skin/adapters/skSBToolBarVCLWnd.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "skin/adapters/skSBBarGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/ImageList.h"

TskToolBarVCLWnd::TskToolBarVCLWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                                   TsCommonData* data)
    : TskMainWnd(window, repaint,
                 data != nullptr && dynamic_cast<TToolBar*>(data->HostControl) != nullptr ? SectionOrDefault(section, "TOOLBAR")
                                                                                         : section,
                 manager, data) {
  if (SkinData != nullptr) toolBar_ = dynamic_cast<TToolBar*>(SkinData->HostControl);
  AssignEvents(true);
}

void TskToolBarVCLWnd::BeforeDestruction() {
  // The events point at this adapter.
  AssignEvents(false);
  TskMainWnd::BeforeDestruction();
}

void TskToolBarVCLWnd::AssignEvents(bool skinned) {
  if (toolBar_ == nullptr) return;
  if (!skinned) {
    toolBar_->OnAdvancedCustomDraw = nullptr;
    toolBar_->OnAdvancedCustomDrawButton = nullptr;
    return;
  }
  toolBar_->OnAdvancedCustomDraw = [this](TToolBar* sender, const TRect& rect, TCustomDrawStage stage,
                                          bool& defaultDraw) { DrawToolBarBg(sender, rect, stage, defaultDraw); };
  toolBar_->OnAdvancedCustomDrawButton = [this](TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                                TCustomDrawStage stage, Cardinal& flags, bool& defaultDraw) {
    DrawToolBarButton(sender, button, state, stage, flags, defaultDraw);
  };
}

void TskToolBarVCLWnd::WndProc(TMessage& message) {
  if (SkinOff() || toolBar_ == nullptr || !SkinData->Skinned()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SkinCommandMessage: {
      const bool own = message.LParam == reinterpret_cast<LPARAM>(SkinManager);
      const Word command = SkinCommandOf(message.WParam);
      if (command == scNewSkin) AssignEvents(true);
      if (own && (command == scRemoveSkin || command == scRefresh)) droppedButton_ = nullptr;
      if (own && command == scRemoveSkin) AssignEvents(false);
      break;
    }
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_MOUSEMOVE: {
      TskMainWnd::WndProc(message);
      if (toolBar_->Flat()) return;
      const Integer index = ButtonAtPoint(TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      if (index == hotIndex_ || (index >= 0 && !toolBar_->Buttons(index)->Enabled())) return;
      const Integer old = hotIndex_;
      hotIndex_ = index;
      // A button removed since it was hot has no place left to repaint.
      for (const Integer i : {old, index})
        if (i >= 0 && i < toolBar_->ButtonCount() && !toolBar_->Buttons(i)->Down()) RepaintButton(i);
      return;
    }
    case CM_MOUSELEAVE: {
      // A button's own leave passed up to the bar (the button in lParam) leaves the bar's hot place.
      if (message.LParam != 0) break;
      TskMainWnd::WndProc(message);
      const Integer old = hotIndex_;
      hotIndex_ = -1;
      if (old >= 0 && old < toolBar_->ButtonCount() && !toolBar_->Buttons(old)->Down()) RepaintButton(old);
      return;
    }
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

Integer TskToolBarVCLWnd::ButtonAtPoint(TPoint p) const {
  for (int i = 0; i < toolBar_->ButtonCount(); ++i) {
    RECT r{};
    SendMessageW(Window, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    if (TRect{r.left, r.top, r.right, r.bottom}.Contains(p)) return toolBar_->Buttons(i)->Style() < tbsSeparator ? i : -1;
  }
  return -1;
}

void TskToolBarVCLWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (SkinData->CacheBitmap != nullptr && !SkinData->BackgroundDirty && SkinData->CacheBitmap->Width() == WndSize.X &&
      SkinData->CacheBitmap->Height() == WndSize.Y)
    return;
  SkinData->BackgroundDirty = true;
  RebuildWindowBg(SkinData, Window, false);
}

void TskToolBarVCLWnd::DrawToolBarBg(TToolBar* sender, const TRect& rect, TCustomDrawStage stage, bool& defaultDraw) {
  if (!SkinData->Skinned(true)) {
    defaultDraw = true;
    return;
  }
  if (stage != cdPrePaint) {
    defaultDraw = false;
    return;
  }
  if (SkinData->IsUpdating()) return;
  PrepareCache();
  if (SkinData->CacheBitmap == nullptr) return;
  const TRect client = ClientRectInWindow(Window);
  BitBlt(sender->Canvas().Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(),
         SkinData->CacheBitmap->Canvas().Handle(), client.Left + rect.Left, client.Top + rect.Top, SRCCOPY);
}

void TskToolBarVCLWnd::DrawToolBarButton(TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                         TCustomDrawStage stage, Cardinal& flags, bool& defaultDraw) {
  if (!SkinData->Skinned(true)) {
    defaultDraw = true;
    return;
  }
  defaultDraw = false;
  if (stage != cdPrePaint || button == nullptr) return;
  if (!sender->Flat() && button->Index() == hotIndex_) state |= kCdsHot;
  flags |= TBCDRF_NOEDGES | TBCDRF_NOETCHEDEFFECT;
  RECT r{};
  SendMessageW(Window, TB_GETITEMRECT, static_cast<WPARAM>(button->Index()), reinterpret_cast<LPARAM>(&r));
  const Integer w = std::max<Integer>(r.right - r.left, 0), h = std::max<Integer>(r.bottom - r.top, 0);
  if (w == 0 || h == 0) return;
  PrepareCache();
  if (SkinData->CacheBitmap == nullptr) return;
  const TsSkinManager& manager = *SkinManager;
  const TRect client = ClientRectInWindow(Window);
  TBitmap& cache = *SkinData->CacheBitmap;
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(w, h);
  const TsPixelView view = PixelViewOf(bitmap);
  TsBgPixels background;
  background.Bitmap = PixelViewOf(cache);
  const TPoint at{client.Left + r.left, client.Top + r.top};
  BitBlt(bitmap.Canvas().Handle(), 0, 0, w, h, cache.Canvas().Handle(), at.X, at.Y, SRCCOPY);
  const Integer section = manager.GetSkinIndex("TOOLBUTTON");
  const Integer index = ToolButtonStateIndex(state, false, false);
  PaintSectionInState(manager, section, "TOOLBUTTON", view, TRect{0, 0, w, h}, background, at, index);

  const Integer arrowMask = manager.ConstData.ScrollButtons[sbBottom].GlyphMask;
  const TPoint arrow = SkinGlyphSize(manager, arrowMask);
  const Integer a = arrow.X > 0 && arrow.Y > 0 ? DropDownArrowWidth(button->Style(), GetSystemMetrics(SM_CXVSCROLL)) : 0;
  if (TCustomImageList* images = sender->Images();
      images != nullptr && button->ImageIndex() >= 0 && button->ImageIndex() < images->Count()) {
    images->Draw(bitmap.Canvas(), (w - a - images->Width()) / 2 + (index == 2 ? 1 : 0),
                 (h - images->Height()) / 2 + (index == 2 ? 1 : 0), button->ImageIndex(), (state & kCdsDisabled) == 0);
  }
  if (a > 0) {
    const Integer dropState = DropDownStateIndex(state, droppedButton_ == button, button->Down());
    const TRect strip{w - a, 0, w, h};
    PaintSectionInState(manager, section, "TOOLBUTTON", view, strip, background, TPoint{at.X + strip.Left, at.Y}, dropState);
    PaintSkinGlyph(manager, arrowMask, view, DropDownArrowOrigin(a, w, sender->ButtonHeight(), arrow.X, arrow.Y),
                   dropState);
  }
  if ((state & kCdsDisabled) != 0) {
    TsBgPixels behind = background;
    behind.OffsetX = at.X;
    behind.OffsetY = at.Y;
    BlendWithBackground(view, bwBlend, 0, 0, behind, 0);
  }
  BitBlt(sender->Canvas().Handle(), r.left, r.top, w, h, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskToolBarVCLWnd::RepaintButton(Integer index) {
  if (index < 0 || index >= toolBar_->ButtonCount() || !toolBar_->Buttons(index)->Visible()) return;
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  const int saved = SaveDC(dc);
  const TRect client = ClientRectInWindow(Window);
  SetViewportOrgEx(dc, client.Left, client.Top, nullptr);
  toolBar_->Canvas().SetHandle(dc);
  Cardinal flags = TBCDRF_NOEDGES | TBCDRF_NOETCHEDEFFECT;
  bool defaultDraw = true;
  DrawToolBarButton(toolBar_, toolBar_->Buttons(index), 0, cdPrePaint, flags, defaultDraw);
  toolBar_->Canvas().SetHandle(nullptr);
  RestoreDC(dc, saved);
  ReleaseDC(Window, dc);
}
