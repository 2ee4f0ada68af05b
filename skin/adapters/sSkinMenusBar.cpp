// The bar handlers of the menu engine: a main menu's top items are measured like the system's bar items
// and painted over the form provider's menu-line picture (MenuBarBmp), so that the skinned menu line
// shows through wherever MENUITEM is transparent.
#include <windows.h>

#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/gui/Screen.h"

namespace {

TsSkinProvider* ProviderOfWindow(HWND window) {
  if (window == nullptr || !IsWindow(window)) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(window, scGetProvider));
}

// The provider that paints the item's menu line: the one of the window showing the item's menu, else
// the main form's.
TsSkinProvider* BarProvider(const TMenuItem* item) {
  const TMenu* menu = item->GetParentMenu();
  TsSkinProvider* provider = nullptr;
  try {
    provider = ProviderOfWindow(menu != nullptr ? menu->WindowHandle() : nullptr);
  } catch (...) {
    provider = nullptr;  // a window that cannot be asked counts as no answer
  }
  if (provider == nullptr && Application != nullptr && Application->MainForm() != nullptr &&
      Application->MainForm()->HandleAllocated())
    provider = ProviderOfWindow(Application->MainForm()->Handle());
  return provider;
}

// Where the bar item's top-left corner lies in the provider's MenuBarBmp. The painter's canvas is the
// provider's cache (the menu line's picture) or the system's bar DC, whose coordinates are the form
// window's; MenuBarBmp holds the cache from the menu line's top left on (see PaintMenuLine).
TPoint MenuBarPlace(TsSkinProvider& provider, TCanvas& canvas, const TRect& rect) {
  const TskFrameInput frame = provider.FrameInput();
  const TPoint origin{FrameClientOffsetX(frame) - frame.BorderWidth,
                      FrameClientOffsetY(frame) - frame.MenuLines * frame.MenuLineHeight - frame.BorderWidth - 1};
  TPoint inCache{rect.Left, rect.Top};
  if (canvas.Handle() != provider.SkinData().CacheBitmap->Canvas().Handle()) {
    inCache.X += BorderFormSideOffset(frame) + frame.Shadow.Left;
    inCache.Y += BorderFormTopOffset(frame) + frame.Shadow.Top + (provider.TallMaxTitle ? 4 : 0);
  }
  return TPoint{inCache.X - origin.X, inCache.Y - origin.Y};
}

AnsiString WithoutAmpersands(const AnsiString& text) {
  AnsiString out = text;
  out.erase(std::remove(out.begin(), out.end(), '&'), out.end());
  return out;
}

bool RightToLeftBar(const TMenuItem* item) {
  const TMenu* menu = item->GetParentMenu();
  return SysLocale.MiddleEast && menu != nullptr && menu->BiDiMode() == bdRightToLeft;
}

}  // namespace

void TsSkinableMenus::MeasureBarItem(TObject* sender, TCanvas& canvas, Integer& width, Integer& height) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item == nullptr) return;
  height = GetSystemMetrics(SM_CYMENU) - 1;
  if (Screen != nullptr) canvas.SetFont(Screen->MenuFont());
  width = canvas.TextWidth(WithoutAmpersands(item->Caption()));
  const TMenu* menu = item->GetParentMenu();
  if (menu != nullptr && menu->Images() != nullptr && item->ImageIndex() >= 0)
    width += menu->Images()->Width() + 6;
  else if (item->HasBitmap())
    width += item->Bitmap().Width() + 6;
}

void TsSkinableMenus::DrawBarItem(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item == nullptr || manager_ == nullptr || rect.Width() <= 0 || rect.Height() <= 0) return;
  TsSkinProvider* provider = BarProvider(item);
  if (provider == nullptr || !provider->SkinData().CacheBitmap || !provider->MenuBarBmp) return;
  TBitmap& line = *provider->MenuBarBmp;
  const TPoint at = MenuBarPlace(*provider, canvas, rect);
  const Integer w = rect.Width();
  const Integer h = rect.Height();
  std::unique_ptr<TBitmap> bitmap = CreateBmp32(w, h);
  BitBlt(bitmap->Canvas().Handle(), 0, 0, w, h, line.Canvas().Handle(), at.X, at.Y, SRCCOPY);
  GdiFlush();
  const TsPixelView view = PixelViewOf(*bitmap);
  const TsPixelView lineView = PixelViewOf(line);

  const bool highlighted = item->Enabled() && (state.Contains(odSelected) || state.Contains(odHotLight));
  const Integer section = manager_->GetSkinIndex("MENUITEM");
  if (manager_->IsValidSkinIndex(section))
    PaintSectionItem(SectionSkinOf(*manager_), section, "MENUITEM", TsBgPixels{lineView, 0, 0, clKeyColor}, -1, -1,
                     view, at.X, at.Y, TRect{0, 0, w, h}, highlighted ? 1 : 0, true);

  // The glyph: the item's bitmap, else its image.
  const bool rtl = RightToLeftBar(item);
  Integer glyphArea = 0;
  const TMenu* menu = item->GetParentMenu();
  TCustomImageList* images = menu != nullptr ? menu->Images() : nullptr;
  if (item->HasBitmap()) {
    TBitmap& glyph = item->Bitmap();
    Integer left = rtl ? w - glyph.Width() - 3 : 3;
    Integer top = (h - glyph.Height()) / 2;
    if (!item->Enabled()) {
      left = 3;
      top = 1;
    }
    bitmap->Canvas().Draw(left, top, &glyph);
    glyphArea = glyph.Width() + 3;
  } else if (images != nullptr && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    const Integer left = rtl ? w - images->Width() - 3 : 3;
    images->Draw(bitmap->Canvas(), left, (h - images->Height()) / 2, item->ImageIndex(), true);
    glyphArea = images->Width() + 3;
  }

  // The caption.
  TCanvas& c = bitmap->Canvas();
  if (Screen != nullptr) c.SetFont(Screen->MenuFont());
  if (TCustomForm* form = MenuOwnerForm(item->GetParentMenu())) c.Font().SetCharset(form->Font().Charset());
  TFontStyles style;
  if (state.Contains(odDefault)) style.Include(fsBold);
  c.Font().SetStyle(style);
  TRect textRect{Margin, 0, w - Margin, h};
  if (rtl)
    textRect.Right -= glyphArea;
  else
    textRect.Left += glyphArea;
  UINT flags = DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  if (state.Contains(odNoAccel)) flags |= DT_HIDEPREFIX;
  if (Alignment == taRightJustify) flags |= DT_RIGHT;
  DrawSectionText(c, item->Caption(), true, manager_, highlighted ? 1 : 0, manager_->GetSkinIndex("MENULINE"), flags,
                  textRect);
  if (OnDrawItem) OnDrawItem(item, c, TRect{0, 0, w, h}, state, smTopLine);

  if (!item->Enabled()) {
    GdiFlush();
    BlendBitmapRect(view, lineView, 102, 0, 0, TRect{at.X, at.Y, at.X + w, at.Y + h});
  }
  BitBlt(canvas.Handle(), rect.Left, rect.Top, w, h, bitmap->Canvas().Handle(), 0, 0, SRCCOPY);
  if (canvas.Handle() == provider->SkinData().CacheBitmap->Canvas().Handle()) return;
  if (highlighted) {
    PendingBarItem = item;
    PendingBarRect = rect;
  } else if (PendingBarItem == item) {
    PendingBarItem = nullptr;
  }
}

bool TsSkinableMenus::MaximizedMDIChildHasIcon() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr || !main->HandleAllocated() || ProviderOfWindow(main->Handle()) == nullptr) return false;
  if (main->FormStyle() != fsMDIForm) return false;
  TCustomForm* child = main->ActiveMDIChild();
  return child != nullptr && child->WindowState() == wsMaximized && child->BorderIcons().Contains(biSystemMenu) &&
         !child->Icon().Empty();
}
