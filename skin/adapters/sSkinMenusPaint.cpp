// The popup item painter of the menu engine: each item copies its piece of the popup bitmap, paints
// the MENUITEM state, its check mark or glyph, caption and shortcut over it in an item bitmap and
// copies that to the menu; dividers and caption items have painters of their own. Items also repair
// the popup window's border strips beside them, which the system paints over.
#include <windows.h>

#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skSBMnuWnd.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinText.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntUtils.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Screen.h"

namespace {

constexpr Integer kFrame = 3;  // the popup frame's width in the popup bitmap

// The client origin's place in the popup window (its screen rectangle): item rectangles plus this are
// popup-bitmap places.
TPoint ClientOrigin(HWND window, const RECT& windowRect) {
  if (window == nullptr) return TPoint{kFrame, kFrame};
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return TPoint{origin.x - windowRect.left, origin.y - windowRect.top};
}

void CopyArea(HDC dest, Integer x, Integer y, Integer width, Integer height, HDC source, Integer sx, Integer sy) {
  if (width > 0 && height > 0) BitBlt(dest, x, y, width, height, source, sx, sy, SRCCOPY);
}

bool IsRightToLeft(const TMenuItem* item) {
  const TMenu* menu = item->GetParentMenu();
  return SysLocale.MiddleEast && menu != nullptr && menu->BiDiMode() != bdLeftToRight;
}

TCustomImageList* ItemImages(const TMenuItem* item) {
  if (item->Parent() != nullptr && item->Parent()->SubMenuImages() != nullptr) return item->Parent()->SubMenuImages();
  const TMenu* menu = item->GetParentMenu();
  return menu != nullptr ? menu->Images() : nullptr;
}

// First or last of the visible items of the parent.
bool IsEdgeVisibleItem(const TMenuItem* item, bool first) {
  const TMenuItem* parent = item->Parent();
  if (parent == nullptr) return false;
  const int n = parent->Count();
  for (int k = 0; k < n; ++k) {
    const TMenuItem* candidate = parent->Items(first ? k : n - 1 - k);
    if (candidate->Visible()) return candidate == item;
  }
  return false;
}

class TCanvasLock {
 public:
  explicit TCanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
  ~TCanvasLock() { canvas_.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TCanvas& canvas_;
};

}  // namespace

TBitmap* TsSkinableMenus::ItemBitmap(Integer width, Integer height, TBitmap* popup, Integer x, Integer y) {
  if (width <= 0 || height <= 0) return nullptr;
  if (!itemBitmap_) itemBitmap_ = CreateBmp32(width, height);
  itemBitmap_->SetSize(width, height);
  // It starts as the popup's background there (or the menu colour without a popup bitmap).
  if (popup != nullptr)
    CopyArea(itemBitmap_->Canvas().Handle(), 0, 0, width, height, popup->Canvas().Handle(), x, y);
  else
    FillDCColor(itemBitmap_->Canvas().Handle(), TRect{0, 0, width, height}, clMenu);
  return itemBitmap_.get();
}

void TsSkinableMenus::DrawPopupItem(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item == nullptr || manager_ == nullptr || !manager_->SkinData.Active) return;
  TCanvasLock lock(canvas);
  SkinnedMenuPainted = true;
  const HDC dc = canvas.Handle();
  const HWND window = WindowFromDC(dc);
  TRect popupRect;
  RECT windowRect{};
  if (window != nullptr) {
    GetWindowRect(window, &windowRect);
    popupRect = TRect{0, 0, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top};
  } else {
    popupRect = TRect{0, 0, PopupWidth(canvas, item) + 2 * BorderWidth, PopupHeight(canvas, item) + 2 * BorderWidth};
  }
  TskPopupRecord* record = FindPopupData(item, popupRect.Width(), window, popupRect.Height());
  TBitmap* popup = record != nullptr ? record->Bitmap.get() : nullptr;
  const TPoint origin = ClientOrigin(window, windowRect);
  const Integer extra = ExtraWidthOfColumn(item);

  if (window != nullptr && popup != nullptr) {
    // Where the system draws the frame inside the client area the item's DC reaches the border
    // already; else the window's DC is taken for it.
    const bool clientIsWindow = origin.X == 0 && origin.Y == 0;
    if (const HDC wdc = clientIsWindow ? dc : GetWindowDC(window)) {
      const HDC src = popup->Canvas().Handle();
      const Integer w = popup->Width();
      const Integer h = popup->Height();
      if (IsEdgeVisibleItem(item, true)) {
        CopyArea(wdc, 0, 0, w, BorderWidth, src, 0, 0);
        CopyArea(wdc, 0, 0, extra + std::max(SkinBorderWidth(), BorderWidth), h, src, 0, 0);
      }
      if (IsEdgeVisibleItem(item, false)) CopyArea(wdc, 0, h - BorderWidth, w, BorderWidth, src, 0, h - BorderWidth);
      CopyArea(wdc, w - BorderWidth, origin.Y + rect.Top, BorderWidth, rect.Height(), src, w - BorderWidth,
               origin.Y + rect.Top);
      if (!clientIsWindow) ReleaseDC(window, wdc);
    }
  } else if (window == nullptr) {
    PostBorderRequest(item);
  }

  CurrentItemType = MenuItemTypeOf(item->Caption());
  switch (CurrentItemType) {
    case smDivider:
      PaintDivider(item, canvas, rect, popup, origin, extra);
      break;
    case smCaption:
      PaintCaptionItem(item, canvas, rect, popup, origin, extra);
      break;
    default:
      if (popup != nullptr) PaintNormalItem(item, canvas, rect, state, *popup, origin, extra);
      break;
  }
  if (item->OnDrawItem) item->OnDrawItem(item, canvas, rect, state.Contains(odSelected));
}

void TsSkinableMenus::PaintNormalItem(TMenuItem* item, TCanvas& canvas, const TRect& rect, TOwnerDrawState state,
                                      TBitmap& popup, TPoint origin, Integer extra) {
  const HDC dc = canvas.Handle();
  const HDC src = popup.Canvas().Handle();
  const Integer bottomLimit = popup.Height() - kFrame - origin.Y;  // the client area's last row + 1
  const TMenuItem* parent = item->Parent();
  const int index = parent->IndexOf(item);
  // The column filler below the last item of a column, and the gap left of an item that starts one.
  const bool columnEnds = (index + 1 < parent->Count() && parent->Items(index + 1)->Break()) ||
                          (index + 1 == parent->Count() && rect.Bottom < bottomLimit);
  if (columnEnds)
    CopyArea(dc, rect.Left, rect.Bottom, rect.Width(), bottomLimit - rect.Bottom, src, rect.Left + origin.X,
             rect.Bottom + origin.Y);
  if (item->Break()) CopyArea(dc, rect.Left - 4, rect.Top, 4, bottomLimit - rect.Top, src, rect.Left - 4 + origin.X, rect.Top + origin.Y);

  const bool selected = item->Enabled() && state.Contains(odSelected);
  const bool highlighted = item->Enabled() && (selected || state.Contains(odHotLight));
  const bool rtl = IsRightToLeft(item);
  const Integer px = extra + rect.Left + origin.X;  // the item bitmap's place in the popup bitmap
  const Integer py = rect.Top + origin.Y;
  TBitmap* bitmap = ItemBitmap(std::max<Integer>(rect.Width() - extra, 0), rect.Height(), &popup, px, py);
  if (bitmap == nullptr) return;
  const TsPixelView view = PixelViewOf(*bitmap);
  const TsPixelView popupView = PixelViewOf(popup);
  const Integer section = manager_->GetSkinIndex("MENUITEM");
  if (manager_->IsValidSkinIndex(section))
    PaintSectionItem(SectionSkinOf(*manager_), section, "MENUITEM", TsBgPixels{popupView, 0, 0, clKeyColor}, -1, -1,
                     view, px, py, TRect{0, 0, bitmap->Width(), bitmap->Height()}, highlighted ? 1 : 0, true);

  const TsSkinPixels pixels = SkinPixelsOf(*manager_);
  const TsBgPixels self{view, 0, 0, clKeyColor};
  TCustomImageList* images = ItemImages(item);
  const bool hasImage = images != nullptr && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
  const Integer glyphWidth = ItemGlyphSize(item).X;
  const auto paintCheckedPlate = [&](const TRect& glyphRect) {
    const Integer plate = manager_->GetSkinIndex("SPEEDBUTTON_SMALL");
    if (!manager_->IsValidSkinIndex(plate)) return;
    TRect r{glyphRect.Left - 1, glyphRect.Top - 1, glyphRect.Right + 1, glyphRect.Bottom + 1};
    r = ClipRect(r, bitmap->Width(), bitmap->Height());
    PaintSectionItem(SectionSkinOf(*manager_), plate, "SPEEDBUTTON_SMALL", self, -1, -1, view, 0, 0, r, 2, true);
  };
  if (state.Contains(odChecked) && !item->HasBitmap() && !hasImage) {
    const Integer common = manager_->CommonSkinIndex;
    Integer mask = manager_->GetMaskIndex(common, "GLOBALINFO", item->RadioItem() ? "RADIOCHECKED" : "CHECK");
    if (!manager_->IsValidMaskIndex(mask)) mask = manager_->GetMaskIndex(common, "GLOBALINFO", "BOXCHECKED");
    if (manager_->IsValidMaskIndex(mask)) {
      const TsMaskData& m = manager_->ma[static_cast<size_t>(mask)];
      const Integer mw = MaskStateWidth(m);
      const Integer mh = MaskStateHeight(m);
      const Integer x = (rtl ? bitmap->Width() - 2 - mw : 2) + Margin;
      const Integer y = (bitmap->Height() - mh) / 2;
      PaintMaskGlyph(view, x, y, selected ? 1 : 0, self, m, pixels.ImageOf(m), 1);
    }
  } else if (!item->HasBitmap() && hasImage) {
    const Integer top = (bitmap->Height() - images->Height()) / 2;
    const Integer left = rtl ? bitmap->Width() - top - glyphWidth : std::min<Integer>(3, top);
    if (state.Contains(odChecked)) paintCheckedPlate(TRect{left, top, left + images->Width(), top + images->Height()});
    images->Draw(bitmap->Canvas(), left, top, item->ImageIndex(), true);
  } else if (!item->HasBitmap()) {
    const TMenu* menu = item->GetParentMenu();
    const char* glyph = nullptr;
    switch (item->Tag()) {
      case SC_MINIMIZE: glyph = "0"; break;
      case SC_MAXIMIZE: glyph = "1"; break;
      case SC_CLOSE: glyph = "r"; break;
      case SC_RESTORE: glyph = "2"; break;
      default: break;
    }
    if (menu != nullptr && menu->Name().rfind("skSysMenu", 0) == 0 && glyph != nullptr) {
      TCanvas& c = bitmap->Canvas();
      c.Font().SetName("Webdings");
      c.Font().SetStyle(TFontStyles());
      c.Font().SetSize(10);
      const Integer h = c.TextHeight(glyph);
      const Integer top = (bitmap->Height() - h) / 2;
      const TRect r = rtl ? TRect{rect.Width() - h - 4, top, rect.Width() - 4, top + h} : TRect{4, top, h + 14, top + h};
      DrawSectionText(c, glyph, true, manager_, highlighted ? 1 : 0, section, (rtl ? DT_RIGHT : DT_LEFT) | DT_SINGLELINE, r);
    }
  } else {
    TBitmap& glyph = item->Bitmap();
    const Integer top = (bitmap->Height() - glyph.Height()) / 2;
    const Integer left = rtl ? rect.Width() - top - glyph.Width() - extra : std::min<Integer>(3, top);
    const TRect place{left, top, left + glyph.Width(), top + glyph.Height()};
    if (state.Contains(odChecked)) paintCheckedPlate(place);
    if (glyph.PixelFormat() == pf32bit)
      CopyBitmapRectTrans(view, place, TRect{0, 0, glyph.Width(), glyph.Height()}, PixelViewOf(glyph), false, self);
    else
      bitmap->Canvas().Draw(left, top, &glyph);
  }

  // The caption and the shortcut.
  TCanvas& c = bitmap->Canvas();
  bool colorChanged = false;
  SelectItemFont(c, item, state, colorChanged);
  const Integer textSection = colorChanged ? -1 : section;
  TRect textRect{0, 0, rect.Width(), rect.Height()};
  const Integer indent = glyphWidth + Margin * 2 + Spacing;
  if (rtl)
    textRect.Right -= indent + extra;
  else
    textRect.Left += indent;
  textRect.Top += 1;
  textRect.Top += Margin;
  textRect.Bottom -= Margin;
  const TskCaptionParts parts = SplitPopupCaption(item->Caption());
  UINT align = DT_LEFT;
  if (parts.Align == caRight)
    align = DT_RIGHT;
  else if (parts.Align == caFromAlignment)
    align = Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
  UINT flags = align | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER;
  if (rtl) flags |= DT_RIGHT | DT_RTLREADING;
  if (state.Contains(odNoAccel)) flags |= DT_HIDEPREFIX;
  const Integer state01 = highlighted ? 1 : 0;
  // DT_VCENTER does not centre text that may wrap: the caption is centred in its rect by its height,
  // on the same middle as the shortcut beside it.
  TRect measured = textRect;
  const Integer textHeight = DrawTextStr(c.Handle(), parts.Text, measured, flags | DT_CALCRECT);
  if (textHeight > 0 && textHeight < textRect.Height()) {
    textRect.Top += (textRect.Height() - textHeight) / 2;
    textRect.Bottom = textRect.Top + textHeight;
  }
  DrawSectionText(c, parts.Text, true, manager_, state01, textSection, flags, textRect);
  TRect lastRect = textRect;
  if (item->ShortCut() != scNone) {
    const AnsiString keys = ShortCutToText(item->ShortCut());
    TRect measure{0, 0, 0, 0};
    DrawTextStr(c.Handle(), keys, measure, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
    const Integer right = rect.Width() - 8 - extra;
    lastRect = rtl ? TRect{6 - extra, 0, 6 - extra + measure.Width(), rect.Height()}
                   : TRect{right - measure.Width(), 0, right, rect.Height()};
    DrawSectionText(c, keys, true, manager_, state01, textSection, DT_SINGLELINE | DT_VCENTER, lastRect);
  }
  if (parts.HasTab) {
    lastRect.Right -= 8 + extra;
    DrawSectionText(c, parts.AfterTab, true, manager_, state01, textSection, DT_SINGLELINE | DT_VCENTER | DT_RIGHT,
                    lastRect);
  }
  if (OnDrawItem) OnDrawItem(item, c, TRect{0, 0, bitmap->Width(), bitmap->Height()}, state, smNormal);
  if (!item->Enabled())
    BlendBitmapRectKeyed(view, 0, 0, kKeyPixel, 0.4, TRect{px, py, px + bitmap->Width() - 1, py + bitmap->Height() - 1},
                         popupView);
  CopyArea(dc, extra + rect.Left, rect.Top, bitmap->Width(), bitmap->Height(), bitmap->Canvas().Handle(), 0, 0);
  if (index == 0 && extra > 0)
    CopyArea(dc, kFrame - origin.X, kFrame - origin.Y, extra, popup.Height() - 2 * kFrame, src, kFrame, kFrame);
}

void TsSkinableMenus::PaintDivider(TMenuItem* item, TCanvas& canvas, const TRect& rect, TBitmap* popup, TPoint origin,
                                   Integer extra) {
  (void)item;
  const HDC dc = canvas.Handle();
  const Integer section = manager_->GetSkinIndex("DIVIDERV");
  const Integer maskIndex = manager_->GetMaskIndex(section, "DIVIDERV", "BORDERSMASK");
  TRect line{extra + Margin + Spacing, 0, rect.Width() - (extra + Margin * 2 + Spacing), rect.Height()};
  if (line.Left < extra + GlyphColumnWidth) line.Left = extra + GlyphColumnWidth + 2;
  if (!manager_->IsValidMaskIndex(maskIndex)) {
    if (popup != nullptr)
      CopyArea(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), popup->Canvas().Handle(), rect.Left + origin.X,
               rect.Top + origin.Y);
    Integer color = manager_->SkinData.BorderColor;
    if ((color & 0xFFFFFF) == clKeyColor) color = clBtnShadow;
    const HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(color));
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, rect.Left + line.Left, rect.Top, nullptr);
    LineTo(dc, rect.Left + line.Right, rect.Top);
    SelectObject(dc, old);
    DeleteObject(pen);
    return;
  }
  TBitmap* bitmap = ItemBitmap(rect.Width(), rect.Height(), popup, rect.Left + origin.X, rect.Top + origin.Y);
  if (bitmap == nullptr) return;
  const TsPixelView view = PixelViewOf(*bitmap);
  const TsMaskData& mask = manager_->ma[static_cast<size_t>(maskIndex)];
  PaintMaskImage(view, ClipRect(line, view.Width, view.Height), 0, mask, SkinPixelsOf(*manager_).ImageOf(mask),
                 TsBgPixels{view, 0, 0, clKeyColor});
  CopyArea(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), bitmap->Canvas().Handle(), 0, 0);
}

void TsSkinableMenus::PaintCaptionItem(TMenuItem* item, TCanvas& canvas, const TRect& rect, TBitmap* popup,
                                       TPoint origin, Integer extra) {
  TBitmap* bitmap = ItemBitmap(rect.Width(), rect.Height(), popup, rect.Left + origin.X, rect.Top + origin.Y);
  if (bitmap == nullptr) return;
  AnsiString name = "MENUCAPTION";
  Integer section = manager_->GetSkinIndex(name);
  if (!manager_->IsValidSkinIndex(section)) {
    name = "TOOLBAR";
    section = manager_->GetSkinIndex(name);
  }
  const TRect plate{extra + 1, 1, rect.Width() - 1, rect.Height() - 1};
  if (manager_->IsValidSkinIndex(section) && plate.Width() > 0 && plate.Height() > 0) {
    const TsPixelView view = PixelViewOf(*bitmap);
    const TsBgPixels background = popup != nullptr ? TsBgPixels{PixelViewOf(*popup), 0, 0, clKeyColor} : TsBgPixels{};
    PaintSectionItem(SectionSkinOf(*manager_), section, name.c_str(), background, -1, -1, view,
                     rect.Left + origin.X + 1, rect.Top + origin.Y + 1, plate, 0, true);
  }
  TCanvas& c = bitmap->Canvas();
  c.SetFont(CaptionFont());
  const AnsiString text = GetWordBySet(1, item->Caption(), TCharSet("-"));
  TRect textRect{extra, Margin + 2, rect.Width(), rect.Height() - Margin - 2};
  DrawSectionText(c, text, true, manager_, 0, section, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_HIDEPREFIX, textRect);
  CopyArea(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), bitmap->Canvas().Handle(), 0, 0);
}
