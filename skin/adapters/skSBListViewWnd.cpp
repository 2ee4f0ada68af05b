#include "skin/adapters/skSBListViewWnd.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinText.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/rtl/ExceptionHandler.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The header's adapter, and the procedure the header had before it was subclassed.
constexpr wchar_t kHeaderAdapterProperty[] = L"SKSBHDR";
constexpr wchar_t kHeaderProcProperty[] = L"SKSBHDRPROC";

constexpr UINT kHeaderTextFormat = DT_END_ELLIPSIS | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;  // 0x8064
constexpr int kHeaderImageFormats = HDF_IMAGE | 0x8000;

WNDPROC HeaderSavedProc(HWND header) { return reinterpret_cast<WNDPROC>(GetPropW(header, kHeaderProcProperty)); }

LRESULT CALLBACK HeaderWindowProc(HWND header, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    if (auto* adapter = static_cast<TskListViewWnd*>(GetPropW(header, kHeaderAdapterProperty))) {
      result = adapter->HeaderProc(msg, wParam, lParam);
    } else if (const WNDPROC saved = HeaderSavedProc(header)) {
      // The adapter let the header go while another subclass sat above this procedure.
      result = CallWindowProcW(saved, header, msg, wParam, lParam);
    } else {
      result = DefWindowProcW(header, msg, wParam, lParam);
    }
  } catch (...) {
    HandleApplicationException(nullptr);
  }
  if (msg == WM_NCDESTROY) {
    RemovePropW(header, kHeaderAdapterProperty);
    RemovePropW(header, kHeaderProcProperty);
  }
  return result;
}

TRect ToTs(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

// The pixel colour of a component-library colour for the list view messages.
COLORREF ListColor(Integer color) { return ColorToRGB(static_cast<TColor>(color)); }

// "COLHEADER" (else "BUTTON") over the colour, in the state: the fill knows a normal and a hot look,
// the border mask has an image for the pressed state too. The section's index, -1 when the skin has
// neither.
Integer PaintHeaderSection(TBitmap& bitmap, TsSkinManager* manager, Integer color, Integer state) {
  if (manager == nullptr) return -1;
  const char* name = "COLHEADER";
  Integer section = manager->GetSkinIndex(name);
  if (!manager->IsValidSkinIndex(section)) {
    name = "BUTTON";
    section = manager->GetSkinIndex(name);
  }
  if (!manager->IsValidSkinIndex(section)) return -1;
  const TsPixelView view = PixelViewOf(bitmap);
  PaintSectionInState(*manager, section, name, view, TRect{0, 0, view.Width, view.Height},
                      TsBgPixels{{}, 0, 0, color}, TPoint{0, 0}, state);
  return section;
}

bool IsHeaderClass(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpiW(name, WC_HEADERW) == 0;
}

}  // namespace

TskListViewWnd::TskListViewWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                               TsCommonData* data)
    : TskEditWnd(window, repaint, section, manager, data) {
  SkinData->ControlKind = kListViewControlKind;
}

TskListViewWnd::~TskListViewWnd() { ReleaseHeader(); }

void TskListViewWnd::AfterConstruction() {
  TskEditWnd::AfterConstruction();
  if (const HWND header = FindWindowExW(Window, nullptr, WC_HEADERW, nullptr)) HookHeader(header);
}

void TskListViewWnd::HookHeader(HWND header) {
  if (header == nullptr || header_ == header) return;
  header_ = header;
  SetPropW(header, kHeaderAdapterProperty, this);
  // A procedure of ours still in the header's chain (an earlier adapter let it go under another
  // subclass) reaches this adapter through the property: it is not put in a second time.
  if (HeaderSavedProc(header) != nullptr) return;
  const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(header, GWLP_WNDPROC));
  SetPropW(header, kHeaderProcProperty, reinterpret_cast<HANDLE>(previous));
  SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HeaderWindowProc));
}

void TskListViewWnd::ReleaseHeader() {
  const HWND header = header_;
  header_ = nullptr;
  pressedColumn_ = hotColumn_ = -1;
  if (header == nullptr || !IsWindow(header)) return;
  if (GetPropW(header, kHeaderAdapterProperty) == this) RemovePropW(header, kHeaderAdapterProperty);
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(header, GWLP_WNDPROC)) == &HeaderWindowProc) {
    SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeaderSavedProc(header)));
    RemovePropW(header, kHeaderProcProperty);
  }
  InvalidateRect(header, nullptr, TRUE);
}

Integer TskListViewWnd::ListViewStyle() const {
  switch (SendMessageW(Window, LVM_GETVIEW, 0, 0)) {
    case LV_VIEW_ICON: return 0;
    case LV_VIEW_DETAILS: return 3;
    case LV_VIEW_SMALLICON: return 1;
    default: return 2;
  }
}

void TskListViewWnd::RepaintHeader() {
  if (header_ != nullptr) RedrawWindow(header_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// ---- the header ----

bool TskListViewWnd::HeaderItemRect(Integer position, TRect& rect) const {
  if (header_ == nullptr) return false;
  const auto count = static_cast<Integer>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
  if (position < 0 || position >= count) return false;
  // Positions are display positions: the column order array (the identity while no column was
  // dragged) gives the item.
  const auto index = static_cast<Integer>(SendMessageW(header_, HDM_ORDERTOINDEX, position, 0));
  RECT r{};
  if (!SendMessageW(header_, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) return false;
  rect = ToTs(r);
  return true;
}

Integer TskListViewWnd::HeaderColumnAt(TPoint point) const {
  if (header_ == nullptr) return -2;
  const auto count = static_cast<Integer>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
  for (Integer position = 0; position < count; ++position) {
    TRect r;
    if (HeaderItemRect(position, r) && point.X >= r.Left && point.X < r.Right && point.Y >= r.Top &&
        point.Y < r.Bottom)
      return position;
  }
  return -2;
}

void TskListViewWnd::PaintHeader(HDC dc) {
  PAINTSTRUCT ps{};
  const HDC target = dc != nullptr ? dc : BeginPaint(header_, &ps);
  RECT client{};
  GetClientRect(header_, &client);
  const auto count = static_cast<Integer>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
  Integer right = 0;
  for (Integer position = 0; position < count; ++position) {
    TRect r;
    if (!HeaderItemRect(position, r) || r.IsEmpty()) continue;
    lineHeight_ = r.Height();
    PaintHeaderItem(r, static_cast<Integer>(SendMessageW(header_, HDM_ORDERTOINDEX, position, 0)), target);
    right = std::max(right, r.Right);
  }
  if (right < client.right) PaintHeaderItem(TRect{right, 0, client.right, client.bottom}, -2, target);
  if (dc == nullptr) EndPaint(header_, &ps);
}

void TskListViewWnd::PaintHeaderItem(const TRect& rect, Integer column, HDC dc) {
  if (rect.IsEmpty() || header_ == nullptr) return;
  Integer state = 0;
  if (column >= 0 && column == pressedColumn_) {
    state = 2;
  } else if (pressedColumn_ < 0 && column >= 0 && column == hotColumn_) {
    state = 1;
  }
  auto bitmap = CreateBmp32(rect.Width(), rect.Height());
  TControl* owner = SkinData != nullptr ? SkinData->HostControl : nullptr;
  const Integer background = static_cast<Integer>(ColorToRGB(owner != nullptr ? owner->Color() : clWindow));
  const Integer section = PaintHeaderSection(*bitmap, SkinManager, background, state);
  TCanvas& canvas = bitmap->Canvas();
  if (const auto font = reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0))) canvas.Font().SetHandle(font);
  if (column >= 0 && SkinManager != nullptr) {
    TRect textRect{4, 1, rect.Width() - 4, rect.Height() - 1};
    wchar_t buffer[129] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE | HDI_ORDER;
    item.pszText = buffer;
    item.cchTextMax = 129;
    SendMessageW(header_, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    const AnsiString text = Utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(buffer)));
    // The small images of the list, when the item shows one.
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int imageWidth = 0, imageHeight = 0;
    if (images != nullptr && (item.fmt & kHeaderImageFormats) != 0) ImageList_GetIconSize(images, &imageWidth, &imageHeight);
    const Integer imageSpace = imageWidth > 0 ? imageWidth + 4 : 0;
    // The sort glyph.
    const char* glyphSection = (item.fmt & HDF_SORTDOWN) != 0 ? "SCROLLBTNBOTTOM"
                               : (item.fmt & HDF_SORTUP) != 0 ? "SCROLLBTNTOP"
                                                              : nullptr;
    const TsMaskData* glyph = nullptr;
    if (glyphSection != nullptr) {
      const Integer glyphSectionIndex = SkinManager->GetSkinIndex(glyphSection);
      const Integer mask = SkinManager->GetMaskIndex(glyphSectionIndex, glyphSection, "GLYPHMASK");
      if (SkinManager->IsValidMaskIndex(mask)) glyph = &SkinManager->ma[static_cast<size_t>(mask)];
    }
    const Integer glyphWidth = glyph != nullptr ? MaskStateWidth(*glyph) : 0;
    const Integer glyphHeight = glyph != nullptr ? MaskStateHeight(*glyph) : 0;
    const Integer glyphSpace = glyphWidth > 0 && glyphHeight > 0 ? glyphWidth + 6 : 0;
    const Integer textWidth = text.empty() ? 0 : TextExtentStr(canvas.Handle(), text).X + 5;
    Integer left = textRect.Left;
    switch (item.fmt & HDF_JUSTIFYMASK) {
      case HDF_RIGHT:
        left = std::max(textRect.Left + imageSpace, textRect.Right - glyphSpace - textWidth);
        break;
      case HDF_CENTER:
        left = std::max(textRect.Left, textRect.Left + (textRect.Width() - imageSpace - textWidth - glyphSpace) / 2) +
               imageSpace;
        break;
      default:
        left = textRect.Left + imageSpace;
        break;
    }
    const Integer shift = state == 2 ? 1 : 0;
    TRect drawRect{left + shift, textRect.Top + shift, std::min(left + textWidth, textRect.Right - glyphSpace) + shift,
                   textRect.Bottom + shift};
    if (!text.empty() && drawRect.Right > drawRect.Left) {
      SetBkMode(canvas.Handle(), TRANSPARENT);
      DrawSectionText(canvas, text, true, SkinManager, state, section, kHeaderTextFormat, drawRect);
    }
    if (glyphSpace > 0) {
      const TsPixelView view = PixelViewOf(*bitmap);
      GdiFlush();
      // Six pixels right of the text (its width counts five more).
      const Integer x = std::min(left + textWidth, textRect.Right - glyphSpace) + 1;
      const Integer y = (rect.Height() - glyphHeight) / 2;
      TsBgPixels glyphBackground;
      glyphBackground.Bitmap = view;
      PaintMaskGlyph(view, x, y, 0, glyphBackground, *glyph, SkinPixelsOf(*SkinManager).ImageOf(*glyph), 1);
    }
    if (imageSpace > 0)
      ImageList_Draw(images, item.iImage, canvas.Handle(), left - imageSpace,
                     (rect.Height() - imageHeight) / 2 + shift, ILD_TRANSPARENT);
  }
  const HDC target = dc != nullptr ? dc : GetDC(header_);
  BitBlt(target, rect.Left, rect.Top, rect.Width(), rect.Height(), canvas.Handle(), 0, 0, SRCCOPY);
  if (dc == nullptr) ReleaseDC(header_, target);
}

LRESULT TskListViewWnd::HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND header = header_;
  const WNDPROC saved = HeaderSavedProc(header);
  auto passOn = [&] {
    return saved != nullptr ? CallWindowProcW(saved, header, msg, wParam, lParam)
                            : DefWindowProcW(header, msg, wParam, lParam);
  };
  if (ListViewStyle() != 3 || !SkinnedNow()) return passOn();
  switch (msg) {
    case WM_PAINT:
      PaintHeader(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_WINDOWPOSCHANGED:
      if (IsWindowVisible(Window)) SendMessageW(Window, WM_NCPAINT, 0, 0);
      return passOn();
    case WM_NCDESTROY: {
      const LRESULT result = passOn();
      header_ = nullptr;
      return result;
    }
    case WM_NCHITTEST: {
      const LRESULT result = passOn();
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(header, &p);
      const Integer position = HeaderColumnAt(TPoint{p.x, p.y});
      const Integer column =
          position >= 0 ? static_cast<Integer>(SendMessageW(header, HDM_ORDERTOINDEX, position, 0)) : -1;
      if (column != hotColumn_) {
        hotColumn_ = column;
        RepaintHeader();
      }
      return result;
    }
    case WM_LBUTTONUP:
      pressedColumn_ = -1;
      return passOn();
    case WM_LBUTTONDOWN: {
      const LRESULT result = passOn();
      HDHITTESTINFO hit{};
      hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const auto item = static_cast<Integer>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      pressedColumn_ = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0 ? -1 : item;
      InvalidateRect(header, nullptr, FALSE);
      return result;
    }
    default:
      return passOn();
  }
}

// ---- the list ----

void TskListViewWnd::SaveStdLook() {
  TskEditWnd::SaveStdLook();
  SavedColor = static_cast<TColor>(SendMessageW(Window, LVM_GETBKCOLOR, 0, 0));
  SavedFontColor = static_cast<TColor>(SendMessageW(Window, LVM_GETTEXTCOLOR, 0, 0));
}

void TskListViewWnd::RestoreStdLook() {
  if (IsWindow(Window)) {
    SendMessageW(Window, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ListColor(clWindowText)));
    // A list view of a dialog has no control to give its colour back: the one it had is given back.
    if (SkinData != nullptr && SkinData->HostControl == nullptr && SavedColor != clNone) {
      SendMessageW(Window, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(SavedColor));
      SendMessageW(Window, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(SavedColor));
    }
  }
  ReleaseHeader();
  TskEditWnd::RestoreStdLook();
}

void TskListViewWnd::SetSkinParams() {
  TskEditWnd::SetSkinParams();
  if (Detached() || SkinManager == nullptr) return;
  COLORREF background = 0, text = 0;
  if (DialogMode) {
    background = ListColor(clWindow);
    text = ListColor(clWindowText);
  } else if (SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) {
    background = ListColor(SectionColor(0));
    text = ListColor(SectionFontColor(0));
  } else {
    return;
  }
  SendMessageW(Window, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
  SendMessageW(Window, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(background));
  SendMessageW(Window, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

void TskListViewWnd::ThumbScroll(TMessage& message, bool vertical) {
  Integer position = message.LParam != 0 ? static_cast<Integer>(message.LParam) : HIWORD(message.WParam);
  Integer& last = lastThumbPos_[vertical ? 1 : 0];
  const Integer delta = position - last;
  last = position;
  if (delta == 0) return;
  const Integer style = ListViewStyle();
  RECT item{};
  item.left = LVIR_BOUNDS;
  const bool hasItem = SendMessageW(Window, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)) != 0;
  if (vertical) {
    const Integer step = style == 3 && hasItem ? item.bottom - item.top : 1;
    SendMessageW(Window, LVM_SCROLL, 0, delta * step);
  } else {
    const Integer step = style == 2 && hasItem ? item.right - item.left : 1;
    SendMessageW(Window, LVM_SCROLL, delta * step, 0);
  }
  message.Result = 0;
}

void TskListViewWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SkinCommandMessage:
      switch (SkinCommandOf(message.WParam)) {
        case scRefresh:
          TskEditWnd::WndProc(message);
          if (header_ != nullptr && message.LParam == reinterpret_cast<LPARAM>(SkinManager)) RepaintHeader();
          return;
        case scScrollBegin:
          // The list scrolls itself: the position comes in lParam.
          message.Result = 1;
          return;
        default:
          break;
      }
      break;
    case WM_PAINT:
      if (!SkinParamsApplied) SetSkinParams();
      break;
    case WM_NCHITTEST:
      if (hotColumn_ >= 0 || pressedColumn_ >= 0) {
        hotColumn_ = pressedColumn_ = -1;
        RepaintHeader();
      }
      break;
    case WM_NCPAINT:
      message.Result = 0;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(message.WParam) == SB_THUMBTRACK) {
        ThumbScroll(message, message.Msg == WM_VSCROLL);
        return;
      }
      if (LOWORD(message.WParam) == SB_THUMBPOSITION || LOWORD(message.WParam) == SB_ENDSCROLL)
        lastThumbPos_[message.Msg == WM_VSCROLL ? 1 : 0] =
            GetScrollPos(Window, message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ);
      if (message.Msg == WM_VSCROLL) message.LParam = 0;
      break;
    default:
      break;
  }
  TskEditWnd::WndProc(message);
  if (Detached()) return;
  switch (message.Msg) {
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
      if (!SkinData->UpdatingFlag) UpdateScrollInfo(true);
      break;
    case WM_LBUTTONUP:
      ReleaseCapture();
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE) {
        const auto child = reinterpret_cast<HWND>(message.LParam);
        if (child != nullptr && IsHeaderClass(child)) {
          ReleaseHeader();
          HookHeader(child);
        }
      }
      break;
    case WM_PRINT:
      if (header_ != nullptr && ListViewStyle() == 3 && message.WParam != 0) {
        const auto dc = reinterpret_cast<HDC>(message.WParam);
        const TRect client = ClientRect();
        const int saved = SaveDC(dc);
        POINT origin{};
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x + client.Left, origin.y + client.Top, nullptr);
        RECT headerRect{};
        GetClientRect(header_, &headerRect);
        IntersectClipRect(dc, 0, 0, headerRect.right, headerRect.bottom);
        PaintHeader(dc);
        RestoreDC(dc, saved);
      }
      break;
    default:
      break;
  }
}
