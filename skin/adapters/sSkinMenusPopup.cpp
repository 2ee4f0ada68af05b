// The popup records of the menu engine: each open popup's background bitmap (the MAINMENU fill, the
// icon column, the border mask, the extra line), the popup window's region and border, and the
// application messages that give a popup its border when the painter could not find its window.
#include <windows.h>

#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr Word kAskBorderApplied = 8;  // a popup answers 1 when its border is applied already
constexpr Integer kFrameStrip = 3;     // the popup frame's strips copied to the window
const char* const kSkinSelectItem = "SkinSelectItem";
const char* const kDefaultExtraCaption = "Use OnGetExtraLineData event";

bool extraLineQuery = false;  // the extra-line event is being asked

bool ClassIs(HWND window, const wchar_t* name) {
  wchar_t cls[64] = {};
  return window != nullptr && GetClassNameW(window, cls, 64) > 0 && lstrcmpiW(cls, name) == 0;
}

AnsiString WithoutAmpersands(const AnsiString& text) {
  AnsiString out;
  for (char c : text)
    if (c != '&') out += c;
  return out;
}

}  // namespace

std::vector<std::unique_ptr<TskPopupRecord>>& PopupRecords() {
  static std::vector<std::unique_ptr<TskPopupRecord>> records;
  return records;
}

void ClearMenuItemDataList() { PopupRecords().clear(); }

TskExtraLineData& ExtraLineData() {
  static TskExtraLineData data;
  return data;
}

Integer TsSkinableMenus::SkinBorderWidth() {
  if (skinBorderWidth_ >= 0) return skinBorderWidth_;
  if (manager_ == nullptr) return 0;
  const Integer section = manager_->GetSkinIndex("MAINMENU");
  const Integer mask = manager_->GetMaskIndex(section, "MAINMENU", "BORDERSMASK");
  if (!manager_->IsValidMaskIndex(mask)) {
    skinBorderWidth_ = 0;
  } else {
    const Integer shared = manager_->ma[static_cast<size_t>(mask)].BorderWidth;
    skinBorderWidth_ = shared > 0 ? shared : 3;
  }
  return skinBorderWidth_;
}

TskPopupRecord* TsSkinableMenus::FindPopupData(TMenuItem* item, Integer width, HWND window, Integer height) {
  auto& records = PopupRecords();
  if (item == nullptr) {
    if (window == nullptr) return nullptr;
    for (auto& r : records)
      if (r->Window == window) return r.get();
    return nullptr;
  }
  const TMenuItem* parent = item->Parent();
  if (parent == nullptr || parent->Count() == 0) return nullptr;
  TMenuItem* first = parent->Items(0);
  for (auto& r : records)
    if (r->FirstItem == first) {
      // A popup shown again at another size (items shown or hidden meanwhile) gets a new bitmap.
      if (width == 0 || (r->Bitmap->Width() == width && r->Bitmap->Height() == height)) return r.get();
      std::erase(records, r);
      break;
    }
  if (width == 0) return nullptr;
  return PreparePopupBitmap(first, width, window, height);
}

bool TsSkinableMenus::QueryExtraLine(TMenuItem* firstItem) {
  TskExtraLineData& data = ExtraLineData();
  if (extraLineQuery || Designing()) return false;
  if (firstItem == nullptr || firstItem->Name() == kSkinSelectItem) return false;
  extraLineQuery = true;
  bool shown = true;
  try {
    data.Section = "EXTRALINE";
    data.Glyph.reset();
    data.Caption = kDefaultExtraCaption;
    if (manager_ != nullptr && manager_->OnGetMenuExtraLineData)
      manager_->OnGetMenuExtraLineData(firstItem, data.Section, data.Caption, data.Glyph, shown);
  } catch (...) {
    extraLineQuery = false;
    throw;
  }
  extraLineQuery = false;
  data.Caption = WithoutAmpersands(data.Caption);
  if (!shown) data.Glyph.reset();
  return shown;
}

void TsSkinableMenus::PaintExtraLine(TBitmap& popup, Integer height, Integer border, TMenuItem* firstItem) {
  TskExtraLineData& data = ExtraLineData();
  const Integer section = manager_->GetSkinIndex(data.Section);
  if (!manager_->IsValidSkinIndex(section)) return;
  const TskMenuSupport& support = manager_->MenuSupport();
  const Integer stripWidth = support.ExtraLineWidth;
  const Integer stripHeight = height - 2 * border;
  if (stripWidth <= 0 || stripHeight <= 0) return;
  auto strip = CreateBmp32(stripWidth, stripHeight);
  const TsBgPixels background{PixelViewOf(popup), 0, 0, clKeyColor};
  PaintSectionItem(SectionSkinOf(*manager_), section, data.Section.c_str(), background, -1, -1, PixelViewOf(*strip),
                   border, border, TRect{0, 0, stripWidth, stripHeight}, 0, true);
  Integer textOffset = 12;
  if (data.Glyph && !data.Glyph->Empty()) {
    const Integer gx = (stripWidth - data.Glyph->Width()) / 2;
    const Integer gy = stripHeight - 12 - data.Glyph->Height();
    strip->Canvas().Draw(gx, gy, data.Glyph.get());
    textOffset = data.Glyph->Height() + 20;
  }
  if (!data.Caption.empty()) {
    const TFont& f = support.ExtraLineFont();
    LOGFONTW lf{};
    lf.lfHeight = f.Height();
    lf.lfWeight = f.Style().Contains(fsBold) ? 700 : 400;
    lf.lfItalic = f.Style().Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = f.Style().Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = f.Style().Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = f.Charset();
    if (TCustomForm* form = MenuOwnerForm(firstItem->GetParentMenu())) lf.lfCharSet = form->Font().Charset();
    lf.lfEscapement = lf.lfOrientation = -2700;
    const WideString face = Cp1250ToUtf16(f.Name());
    lstrcpynW(lf.lfFaceName, reinterpret_cast<const wchar_t*>(face.c_str()), LF_FACESIZE);
    const HFONT font = CreateFontIndirectW(&lf);
    const HDC dc = strip->Canvas().Handle();
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const TsGeneralData& gd = manager_->gd[static_cast<size_t>(section)];
    SetTextColor(dc, ColorToRGB(gd.Props[0].TextColor));
    const WideString text = Cp1250ToUtf16(data.Caption);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &size);
    RECT clip{0, 0, stripWidth, stripHeight};
    ExtTextOutW(dc, (stripWidth - size.cy) / 2, stripHeight - textOffset, ETO_CLIPPED, &clip,
                reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<UINT>(text.size()), nullptr);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  BitBlt(popup.Canvas().Handle(), border, border, stripWidth, stripHeight, strip->Canvas().Handle(), 0, 0, SRCCOPY);
  data.Glyph.reset();
}

TskPopupRecord* TsSkinableMenus::PreparePopupBitmap(TMenuItem* firstItem, Integer width, HWND window, Integer height) {
  auto record = std::make_unique<TskPopupRecord>();
  record->FirstItem = firstItem;
  record->Window = window;
  record->LineShown = QueryExtraLine(firstItem);
  record->Bitmap = CreateBmp32(std::max<Integer>(width, 0), std::max<Integer>(height, 0));
  TBitmap& popup = *record->Bitmap;
  popup.Canvas().Lock();
  const TPoint glyph = ItemGlyphSize(firstItem);
  PopupGlyphWidth = glyph.X;
  GlyphColumnWidth = Margin + glyph.X + Spacing;
  const Integer section = manager_ != nullptr ? manager_->GetSkinIndex("MAINMENU") : -1;
  if (manager_ != nullptr && manager_->IsValidSkinIndex(section) && !popup.Empty()) {
    const TsSectionSkin skin = SectionSkinOf(*manager_);
    const TsPixelView view = PixelViewOf(popup);
    const TsBgPixels self{view, 0, 0, clKeyColor};
    const TRect whole{0, 0, width, height};
    PaintSectionFill(skin, section, "MAINMENU", TsBgPixels{}, clKeyColor, -1, -1, view, 0, 0, whole, 0);
    const Integer border = SkinBorderWidth();
    const Integer extra = record->LineShown && manager_->MenuSupport().UseExtraLine ? manager_->MenuSupport().ExtraLineWidth : 0;
    const TMenu* menu = firstItem->GetParentMenu();
    const HWND owner = menu != nullptr ? menu->WindowHandle() : nullptr;
    const bool noIconColumn = owner != nullptr && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
    const Integer icoLine = manager_->GetSkinIndex(manager_->MenuSupport().IcoLineSkin);
    if (!noIconColumn && manager_->IsValidSkinIndex(icoLine) && height - 2 * border > 0 && GlyphColumnWidth > 0) {
      auto column = CreateBmp32(GlyphColumnWidth, height - 2 * border);
      PaintSectionItem(skin, icoLine, manager_->MenuSupport().IcoLineSkin.c_str(), self, -1, -1, PixelViewOf(*column),
                       extra + border, border, TRect{0, 0, column->Width(), column->Height()}, 0, true);
      BitBlt(popup.Canvas().Handle(), extra + border, border, column->Width(), column->Height(),
             column->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    const Integer maskIndex = manager_->GetMaskIndex(section, "MAINMENU", "BORDERSMASK");
    const TsMaskData* mask = manager_->IsValidMaskIndex(maskIndex) ? &manager_->ma[static_cast<size_t>(maskIndex)] : nullptr;
    const TsSkinPixels pixels = SkinPixelsOf(*manager_);
    if (mask != nullptr) {
      // The frame only: its centre would cover the fill and the icon column.
      TsMaskData frame = *mask;
      frame.DrawFlags = static_cast<SmallInt>(frame.DrawFlags & ~mdPaintCentre);
      PaintMaskImage(view, whole, 0, frame, pixels.ImageOf(*mask), self);
    }
    if (record->LineShown && manager_->MenuSupport().UseExtraLine) PaintExtraLine(popup, height, border, firstItem);
    if (menu != nullptr && menu->BiDiMode() != bdLeftToRight)
      StretchBlt(popup.Canvas().Handle(), width - 1, 0, -width, height, popup.Canvas().Handle(), 0, 0, width, height, SRCCOPY);
    outerRegions_.clear();
    if (mask != nullptr) {
      AddMaskRegionRects(outerRegions_, width, *mask, pixels.ImageOf(*mask), false, 0);
      AddMaskRegionRects(outerRegions_, width, *mask, pixels.ImageOf(*mask), true, height - MaskBottomHeight(*mask));
    }
    if (window != nullptr) ApplyPopupBorder(window, &popup);
  }
  ExtraLineData().Glyph.reset();
  popup.Canvas().Unlock();
  PopupRecords().push_back(std::move(record));
  return PopupRecords().back().get();
}

void TsSkinableMenus::ApplyPopupBorder(HWND window, TBitmap* bitmap) {
  if (drawingBorder_ || window == nullptr || bitmap == nullptr || bitmap->Empty()) return;
  if (SendSkinCommand(window, kAskBorderApplied) != 0) return;
  SendSkinCommand(window, scMenuRegionChanged);
  drawingBorder_ = true;
  HRGN region = CreateRectRgn(0, 0, bitmap->Width(), bitmap->Height());
  const auto cut = [&](const TRect& r) {
    HRGN part = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    CombineRgn(region, region, part, RGN_DIFF);
    DeleteObject(part);
  };
  if (outerRegions_.empty())
    cut(TRect{0, 0, 1, 1});
  else
    for (const TRect& r : outerRegions_) cut(r);
  // The region belongs to the system from here on.
  if (SetWindowRgn(window, region, TRUE) == 0) DeleteObject(region);
  if (const HDC dc = GetWindowDC(window)) {
    CopyFrameStrips(dc, 0, 0, bitmap->Width(), bitmap->Height(), bitmap->Canvas().Handle(), 0, 0, kFrameStrip);
    ReleaseDC(window, dc);
  }
  drawingBorder_ = false;
}

// ---- the application messages ----

void TsSkinableMenus::PostBorderRequest(TMenuItem* item) {
  if (Application == nullptr || item->Parent() == nullptr) return;
  const HWND target = Application->Handle();
  MSG pending;
  if (PeekMessageW(&pending, target, WM_SKINMENUITEMBORDER, WM_SKINMENUWINDOWBORDER, PM_NOREMOVE)) return;
  // The item by its menu and command, never by address: the popup may be rebuilt (its items freed)
  // before the message is handled.
  const TMenuItem* parent = item->Parent();
  HMENU menu = parent->Handle();
  if (menu == nullptr && parent->GetParentMenu() != nullptr && parent->GetParentMenu()->Items() == parent)
    menu = parent->GetParentMenu()->CurrentHandle();
  if (menu == nullptr) return;
  PostMessageW(target, WM_SKINMENUITEMBORDER, item->Command(), reinterpret_cast<LPARAM>(menu));
}

void TsSkinableMenus::ApplyBorderOfItem(TMenuItem* item, HMENU menu) {
  if (!IsMenu(menu)) return;
  int position = -1;
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i)
    if (GetMenuItemID(menu, i) == item->Command()) position = i;
  RECT r{};
  if (position < 0 || !GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &r)) return;
  const HWND window = WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  if (!ClassIs(window, L"#32768")) return;
  if (TskPopupRecord* record = FindPopupData(item, 0, window, 0)) ApplyPopupBorder(window, record->Bitmap.get());
}

void TsSkinableMenus::ApplyBorderOfWindow(HWND window) {
  if (!ClassIs(window, L"#32768")) return;
  if (TskPopupRecord* record = FindPopupData(nullptr, 0, window, 0)) ApplyPopupBorder(window, record->Bitmap.get());
}

bool TsSkinableMenus::HandleApplicationMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_SKINMENUITEMBORDER:
      if (TMenuItem* item = FindMenuItemByCommand(static_cast<UINT>(message.WParam)))
        ApplyBorderOfItem(item, reinterpret_cast<HMENU>(message.LParam));
      return true;
    case WM_SKINMENUWINDOWBORDER:
      ApplyBorderOfWindow(reinterpret_cast<HWND>(message.WParam));
      return true;
    default:
      return false;
  }
}
