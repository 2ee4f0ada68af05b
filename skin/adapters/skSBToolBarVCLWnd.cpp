#include "skin/adapters/skSBToolBarVCLWnd.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "skin/adapters/skSBBarGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sControlPaint.h"
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
      if (command == scFillBgRequest) {
        // The bar's children ask in client coordinates; the cache is the whole window's.
        if (message.LParam == 0 || SentFromOtherThread()) return;
        GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
        auto& request = *reinterpret_cast<TskBgRequest*>(message.LParam);
        SkinData->FillBgRequest(request, 0, Window);
        const TRect client = ClientRectInWindow(Window);
        request.OffsetX += client.Left;
        request.OffsetY += client.Top;
        message.Result = 1;
        return;
      }
      if (command == scNewSkin) AssignEvents(true);
      if (own && (command == scRemoveSkin || command == scRefresh)) droppedButton_ = nullptr;
      if (own && command == scRemoveSkin) AssignEvents(false);
      break;
    }
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_PAINT:
      if (!SkinData->IsUpdating()) break;
      {
        PAINTSTRUCT ps{};
        BeginPaint(Window, &ps);
        EndPaint(Window, &ps);
      }
      message.Result = 0;
      return;
    case WM_NCPAINT:
      if (!InAnimationProcess) PaintToolBarFrame(nullptr);
      message.Result = 0;
      return;
    case WM_PRINT:
      Print(reinterpret_cast<HDC>(message.WParam));
      message.Result = 0;
      return;
    case WM_SIZE:
      TskMainWnd::WndProc(message);
      if (!SkinData->IsUpdating()) {
        RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE);
        // The bar draws its edges at the new size itself, without a frame message.
        if (!InAnimationProcess) PaintToolBarFrame(nullptr);
      }
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
    case CN_NOTIFY:
      Notify(message);
      return;
    case CN_DROPDOWNCLOSED:
      if (droppedButton_ != nullptr) {
        hotIndex_ = -1;
        // The button may have gone while its menu was open: it is looked for among the bar's.
        const TToolButton* dropped = droppedButton_;
        droppedButton_ = nullptr;
        for (int i = 0; i < toolBar_->ButtonCount(); ++i)
          if (toolBar_->Buttons(i) == dropped) RepaintButton(i);
      }
      break;
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

void TskToolBarVCLWnd::Notify(TMessage& message) {
  const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
  if (header != nullptr && header->code == TBN_DROPDOWN) {
    // The button whose menu opens shows its drop-down part pressed until the bar says it closed.
    const int command = reinterpret_cast<const NMTOOLBARW*>(header)->iItem;
    const auto index = static_cast<Integer>(SendMessageW(Window, TB_COMMANDTOINDEX, static_cast<WPARAM>(command), 0));
    TBBUTTON native{};
    if (index >= 0 && SendMessageW(Window, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&native)) != 0) {
      if (auto* button = reinterpret_cast<TToolButton*>(native.dwData);
          button != nullptr && button->ToolBar() == toolBar_) {
        droppedButton_ = button;
        RepaintButton(button->Index());
      }
    }
  } else if (header != nullptr && header->code == TBN_DELETINGBUTTON) {
    if (hotIndex_ >= toolBar_->ButtonCount()) hotIndex_ = -1;
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
  const HDC dc = sender->Canvas().Handle();
  PaintToolBarBg(sender, client, dc, rect);
  // The bar's graphic children (its buttons draw nothing here) over the background, then the
  // windowed ones told that the bar has painted.
  PaintControlImage(dc, sender, true, TPoint{0, 0});
  EndChildrenUpdate(sender);
  if (client != TRect{0, 0, sender->Width(), sender->Height()}) SendMessageW(Window, WM_NCPAINT, 1, 0);
}

void TskToolBarVCLWnd::PaintToolBarBg(TToolBar* bar, const TRect& client, HDC dc, const TRect& rect) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
  // Children that paint themselves over the bar keep their places. The buttons are left in: their
  // own drawing covers them, and a separator has none.
  const bool designing = bar->ComponentState().Contains(csDesigning);
  for (int i = 0; i < bar->ControlCount(); ++i) {
    TControl* child = bar->Controls(i);
    if (!child->Visible() || dynamic_cast<TToolButton*>(child) != nullptr) continue;
    const bool graphic = dynamic_cast<TWinControl*>(child) == nullptr;
    if (!designing && !graphic && !child->ControlStyle().Contains(csOpaque)) continue;
    const TRect r = child->BoundsRect();
    if (r.Right > rect.Left && r.Left < rect.Right && r.Bottom > rect.Top && r.Top < rect.Bottom)
      ExcludeClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  }
  BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), SkinData->CacheBitmap->Canvas().Handle(),
         client.Left + rect.Left, client.Top + rect.Top, SRCCOPY);
  RestoreDC(dc, saved);
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
  const Integer index = ToolButtonStateIndex(state, button->Marked(), button->Indeterminate());
  PaintSectionInState(manager, section, "TOOLBUTTON", view, TRect{0, 0, w, h}, background, at, index);

  const Integer arrowMask = manager.ConstData.ScrollButtons[sbBottom].GlyphMask;
  const TPoint arrow = SkinGlyphSize(manager, arrowMask);
  const Integer a = arrow.X > 0 && arrow.Y > 0 ? DropDownArrowWidth(button->Style(), GetSystemMetrics(SM_CXVSCROLL)) : 0;
  if (sender->ShowCaptions()) DrawCaption(sender, button, bitmap, section, index, w - a, h);
  if (TCustomImageList* images = sender->Images();
      images != nullptr && button->ImageIndex() >= 0 && button->ImageIndex() < images->Count()) {
    DrawToolButtonGlyph(*sender, *button, index == 2 ? (state | kCdsSelected) : (state & ~kCdsSelected), bitmap);
  }
  if (a > 0) {
    const Integer dropState =
        DropDownStateIndex(state, droppedButton_ == button && button->DropdownMenu() != nullptr, button->Down());
    const TRect strip{w - a, 0, w, h};
    PaintSectionInState(manager, section, "TOOLBUTTON", view, strip, background, TPoint{at.X + strip.Left, at.Y}, dropState);
    PaintSkinGlyph(manager, arrowMask, view, DropDownArrowOrigin(a, w, sender->ButtonHeight(), arrow.X, arrow.Y),
                   dropState);
  }
  if ((state & kCdsDisabled) != 0 || button->Indeterminate()) {
    TsBgPixels behind = background;
    behind.OffsetX = at.X;
    behind.OffsetY = at.Y;
    BlendWithBackground(view, bwBlend, 0, 0, behind, 0);
  }
  BitBlt(sender->Canvas().Handle(), r.left, r.top, w, h, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskToolBarVCLWnd::PaintToolBarFrame(HDC given) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const TRect client = ClientRectInWindow(Window);
  if (client == TRect{0, 0, WndSize.X, WndSize.Y}) return;
  PrepareCache();
  if (SkinData->CacheBitmap == nullptr) return;
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, client.Left, client.Top, client.Right, client.Bottom);
  CopyFrameParts(dc, client);
  RestoreDC(dc, saved);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskToolBarVCLWnd::CopyFrameParts(HDC dc, const TRect& client) {
  // Top, left, bottom and right of the client area, each from the same place of the cache.
  const HDC cache = SkinData->CacheBitmap->Canvas().Handle();
  const TRect strips[4] = {
      {0, 0, WndSize.X, client.Top},
      {0, client.Top, client.Left, client.Bottom},
      {0, client.Bottom, WndSize.X, WndSize.Y},
      {client.Right, client.Top, WndSize.X, client.Bottom},
  };
  for (const TRect& r : strips)
    if (!r.IsEmpty()) BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), cache, r.Left, r.Top, SRCCOPY);
}

void TskToolBarVCLWnd::Print(HDC dc) {
  if (dc == nullptr) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const TRect client = ClientRectInWindow(Window);
  PrepareCache();
  if (SkinData->CacheBitmap == nullptr) return;
  const int saved = SaveDC(dc);
  CopyFrameParts(dc, client);
  // The bar paints its client area (through the custom-draw events) at the client's place.
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + client.Left, origin.y + client.Top, nullptr);
  IntersectClipRect(dc, 0, 0, client.Width(), client.Height());
  SendMessageW(Window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
}

void TskToolBarVCLWnd::DrawCaption(TToolBar* bar, TToolButton* button, TBitmap& bitmap, Integer section,
                                   Integer stateIndex, Integer width, Integer height) {
  const AnsiString caption = button->Caption();
  if (caption.empty()) return;
  TCanvas& canvas = bitmap.Canvas();
  canvas.Font().Assign(&bar->Font());
  canvas.Brush().SetStyle(bsClear);
  TskToolCaptionInput in;
  in.ButtonWidth = width;
  in.ButtonHeight = height;
  in.List = bar->List();
  if (TCustomImageList* images = bar->Images(); images != nullptr && button->ImageIndex() >= 0) {
    in.HasImage = true;
    in.ImageWidth = images->Width();
    in.ImageHeight = images->Height();
  }
  in.TextWidth = canvas.TextWidth(caption);
  in.LineHeight = canvas.TextHeight("A");
  in.StateIndex = stateIndex;
  const Integer colours = ParentSectionIndex(button, section, *SkinManager, stateIndex);
  DrawSectionText(canvas, caption, true, SkinManager, stateIndex > 0 ? 1 : 0, colours,
                  DT_SINGLELINE | DT_VCENTER | DT_CENTER, ToolButtonCaptionRect(in));
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
