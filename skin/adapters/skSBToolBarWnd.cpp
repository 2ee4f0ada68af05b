#include "skin/adapters/skSBToolBarWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "skin/adapters/skSBBarGeometry.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSkinText.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/rtl/TextConv.h"

namespace {

// A button's caption (TB_GETBUTTONTEXTW, read in code page 1250); empty when it has none.
AnsiString ButtonText(HWND bar, int command) {
  const LRESULT length = SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), 0);
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Utf16ToCp1250(text);
}

}  // namespace

bool TskToolBarWnd::IsUpdating() const {
  const HWND parent = GetParent(Window);
  return (parent != nullptr && SendSkinCommand(parent, scIsUpdating) == 1) || SkinData->IsUpdating();
}

void TskToolBarWnd::WndProc(TMessage& message) {
  if (SkinOff()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT: {
      if (!IsWindowVisible(Window)) break;
      PAINTSTRUCT ps{};
      BeginPaint(Window, &ps);
      if (!IsUpdating()) PaintButtons(message);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      PaintBorder();
      message.Result = 0;
      return;
    case WM_PRINT:
      PaintButtons(message);
      return;
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      SkinData->BackgroundDirty = true;
      TskMainWnd::WndProc(message);
      SendMessageW(Window, WM_NCPAINT, 0, 0);
      return;
    case SkinCommandMessage:
      if (SkinCommandOf(message.WParam) == scParentUpdated) {
        if (SkinData->UpdatingFlag) {
          SkinData->UpdatingFlag = false;
          RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
        }
        message.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

void TskToolBarWnd::UpdateCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (!SkinData->BackgroundDirty && SkinData->CacheBitmap != nullptr) return;
  RECT client{};
  GetClientRect(Window, &client);
  RebuildWindowBg(SkinData, Window, false);
  borderOffset_ = (WndSize.Y - client.bottom) / 2;
}

void TskToolBarWnd::PaintButtons(const TMessage& message) {
  UpdateCache();
  if (SkinData->CacheBitmap == nullptr || SkinData->CacheBitmap->Empty()) return;
  TBitmap& cache = *SkinData->CacheBitmap;
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(cache.Width(), cache.Height());
  BitBlt(bitmap.Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, SRCCOPY);
  const auto count = static_cast<Integer>(SendMessageW(Window, TB_BUTTONCOUNT, 0, 0));
  for (Integer i = 0; i < count; ++i) {
    RECT r{};
    if (SendMessageW(Window, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) == 0) continue;
    DrawToolButton(i, TRect{r.left + borderOffset_, r.top + borderOffset_, r.right + borderOffset_, r.bottom + borderOffset_},
                   bitmap);
  }
  const auto given = reinterpret_cast<HDC>(message.WParam);
  const HDC dc = given != nullptr ? given : GetDC(Window);
  if (dc == nullptr) return;
  BitBlt(dc, 0, 0, cache.Width() - 2 * borderOffset_, cache.Height() - 2 * borderOffset_, bitmap.Canvas().Handle(),
         borderOffset_, borderOffset_, SRCCOPY);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskToolBarWnd::DrawToolButton(Integer index, const TRect& rect, TBitmap& target) {
  TBBUTTON button{};
  if (SendMessageW(Window, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) == 0) return;
  const Integer w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0) return;
  const TsSkinManager& manager = *SkinManager;
  TBitmap& cache = *SkinData->CacheBitmap;
  TsBgPixels background;
  background.Bitmap = PixelViewOf(cache);
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(w, h);
  const TsPixelView view = PixelViewOf(bitmap);
  BitBlt(bitmap.Canvas().Handle(), 0, 0, w, h, cache.Canvas().Handle(), rect.Left, rect.Top, SRCCOPY);

  if ((button.fsStyle & TBSTYLE_SEP) != 0) {
    const Integer divider = manager.GetSkinIndex("DIVIDER");
    if (!manager.IsValidSkinIndex(divider) || !manager.IsValidMaskIndex(manager.gd[static_cast<size_t>(divider)].BorderMask))
      return;
    const TRect place = SeparatorDividerRect(w, h);
    PaintSectionInState(manager, divider, "DIVIDER", view, place, background,
                        TPoint{rect.Left + place.Left, rect.Top + place.Top}, 0);
    BitBlt(target.Canvas().Handle(), rect.Left, rect.Top, w, h, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
    return;
  }

  const bool enabled = (button.fsState & TBSTATE_ENABLED) != 0;
  const bool pressed = (button.fsState & TBSTATE_PRESSED) != 0;
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT origin{rect.Left - borderOffset_, rect.Top - borderOffset_};
  ClientToScreen(Window, &origin);
  const bool hot = cursor.x >= origin.x && cursor.x < origin.x + w && cursor.y >= origin.y && cursor.y < origin.y + h;
  const Integer state = SystemToolButtonState(enabled, pressed, hot);
  const Integer section = manager.GetSkinIndex("TOOLBUTTON");
  PaintSectionInState(manager, section, "TOOLBUTTON", view, TRect{0, 0, w, h}, background, TPoint{rect.Left, rect.Top},
                      state);

  Integer iconHeight = 0;
  const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window, TB_GETIMAGELIST, 0, 0));
  // Image 0 stands for "no image" on these bars.
  if (button.iBitmap != 0 && images != nullptr) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    ImageList_SetBkColor(images, CLR_NONE);
    const Integer arrowMask = manager.ConstData.ScrollButtons[sbBottom].GlyphMask;
    const TPoint arrow = SkinGlyphSize(manager, arrowMask);
    const bool withArrow = (button.fsStyle & BTNS_WHOLEDROPDOWN) != 0 && arrow.X > 0 && arrow.Y > 0;
    const TskToolGlyphPlaces places = SystemToolGlyphPlaces(w, h, cx, pressed, withArrow, arrow.X, arrow.Y);
    if (withArrow) PaintSkinGlyph(manager, arrowMask, view, places.Arrow, state);
    ImageList_Draw(images, button.iBitmap, bitmap.Canvas().Handle(), places.Image.X, places.Image.Y, ILD_TRANSPARENT);
    iconHeight = cy;
  }

  const AnsiString text = ButtonText(Window, button.idCommand);
  if (!text.empty()) {
    const Integer p = pressed ? 1 : 0;
    const Integer top = p + 2 + (iconHeight > 0 ? iconHeight + 2 : 0);
    DrawCaption(bitmap, text, TRect{p + 2, top, w + p - 2, p + h - 2}, state);
  }
  if (!enabled) {
    // Faded towards the bar: 40 percent of the button over 60 percent of what lies behind it.
    BlendBitmapRectKeyed(view, 0, 0, clKeyColor, 0.4, TRect{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1},
                         PixelViewOf(cache));
  }
  BitBlt(target.Canvas().Handle(), rect.Left, rect.Top, w, h, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskToolBarWnd::DrawCaption(TBitmap& bitmap, const AnsiString& text, const TRect& rect, Integer state) {
  TCanvas& canvas = bitmap.Canvas();
  AssignWindowFont(canvas, Window);
  canvas.Brush().SetStyle(bsClear);
  const HDC dc = canvas.Handle();
  const Integer section = SkinManager->GetSkinIndex("TOOLBUTTON");
  const Integer textState = state != 0 ? 1 : 0;
  const TskCaptionLines lines = SplitToolCaption(text, rect.Width(), [dc](const std::string& s) {
    return TextExtentStr(dc, s).X;
  });
  if (lines.Second.empty()) {
    DrawSectionText(canvas, text, true, SkinManager, textState, section, DT_END_ELLIPSIS | DT_WORDBREAK | DT_VCENTER | DT_CENTER,
                    rect);
    return;
  }
  const Integer lineHeight = TextExtentStr(dc, "Wg").Y;
  DrawSectionText(canvas, lines.First, true, SkinManager, textState, section, DT_CENTER,
                  TRect{rect.Left, rect.Top, rect.Right, rect.Top + lineHeight});
  DrawSectionText(canvas, lines.Second, true, SkinManager, textState, section, DT_CENTER | DT_END_ELLIPSIS,
                  TRect{rect.Left, rect.Top + lineHeight, rect.Right, rect.Bottom});
}

void TskToolBarWnd::PaintBorder() {
  if ((GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0 || IsUpdating()) return;
  UpdateCache();
  if (SkinData->CacheBitmap == nullptr) return;
  RECT client{};
  GetClientRect(Window, &client);
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  const int saved = SaveDC(dc);
  CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0,
                  (WndSize.X - client.right) / 2);
  RestoreDC(dc, saved);
  ReleaseDC(Window, dc);
}
