#include "skin/adapters/skSBUtils.h"

#include <windows.h>

#include <algorithm>

#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Control.h"
#include "vcl/rtl/PropertyAccess.h"
#include "vcl/rtl/TextConv.h"

void GetWindowGeometry(HWND window, HWND& parent, TRect& rect, TPoint& position, TPoint& size, TRect& parentRect) {
  RECT r{};
  GetWindowRect(window, &r);
  rect = TRect{r.left, r.top, r.right, r.bottom};
  parent = GetParent(window);
  RECT p{};
  if (parent != nullptr) GetWindowRect(parent, &p);
  parentRect = TRect{p.left, p.top, p.right, p.bottom};
  size = TPoint{r.right - r.left, r.bottom - r.top};
  POINT topLeft{r.left, r.top};
  if (parent != nullptr) ScreenToClient(parent, &topLeft);
  position = TPoint{topLeft.x, topLeft.y};
}

HFONT CreateSystemFont(int kind) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;  // the size without the padded-border field, accepted by every system version
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return nullptr;
  const LOGFONTW* font = nullptr;
  switch (kind) {
    case 1: font = &metrics.lfCaptionFont; break;
    case 2: font = &metrics.lfSmCaptionFont; break;
    case 3: font = &metrics.lfMenuFont; break;
    case 4: font = &metrics.lfStatusFont; break;
    case 5: font = &metrics.lfMessageFont; break;
    default: return nullptr;
  }
  return CreateFontIndirectW(font);
}

namespace {

void AssignFontHandle(TCanvas& canvas, HFONT font) {
  TFont temporary;
  temporary.SetHandle(font);  // takes the font's properties; the handle stays the caller's
  canvas.SetFont(temporary);
}

}  // namespace

void AssignSystemFont(TCanvas& canvas, int kind) {
  const HFONT font = CreateSystemFont(kind);
  if (font == nullptr) return;
  AssignFontHandle(canvas, font);
  DeleteObject(font);
}

void AssignWindowFont(TCanvas& canvas, HWND window) {
  if (const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); font != nullptr)
    AssignFontHandle(canvas, font);
}

void SetIntPropIfPresent(TControl* control, const char* name, Integer value) {
  if (control != nullptr && HasPropByName(control, name)) SetOrdPropByName(control, name, value);
}

Integer GetColorPropRGB(TControl* control, const char* name) {
  if (control == nullptr || !HasPropByName(control, name)) return 0;
  return static_cast<Integer>(ColorToRGB(static_cast<TColor>(GetOrdPropByName(control, name))));
}

bool IsMultiStateSection(const TsCommonData* data) {
  if (data == nullptr) return false;
  const TsSkinManager* manager = data->GetSkinManager();
  if (manager == nullptr || !manager->IsValidSkinIndex(data->SectionIndex) ||
      !manager->IsValidMaskIndex(data->BorderMaskIndex))
    return false;
  return manager->ma[static_cast<size_t>(data->BorderMaskIndex)].ImageCount > 1 ||
         manager->gd[static_cast<size_t>(data->SectionIndex)].States > 1;
}

void SendToTopLevel(HWND window) {
  if (window == nullptr) return;
  HWND top = window;
  for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(top)) top = parent;
  SendSkinCommand(top, scControlAdded, 0);
}

void PaintSectionInState(const TsSkinManager& manager, Integer section, const AnsiString& name, const TsPixelView& view,
                         const TRect& rect, const TsBgPixels& background, TPoint offset, Integer state) {
  if (!manager.IsValidSkinIndex(section) || view.IsEmpty() || rect.IsEmpty()) return;
  const TsSectionSkin skin = SectionSkinOf(manager);
  PaintSectionFill(skin, section, name, background, clKeyColor, -1, -1, view, offset.X, offset.Y, rect,
                   std::min<Integer>(state, 1));
  PaintSectionFrame(skin, section, background, manager.gd[static_cast<size_t>(section)].BorderMask, view, offset.X,
                    offset.Y, rect, state, true);
}

TBitmap& CacheOfSize(TsCommonData& data, Integer width, Integer height) {
  data.InitCacheBmp();
  TBitmap& cache = *data.CacheBitmap;
  if (cache.Width() != width || cache.Height() != height) cache.SetSize(width, height);
  return cache;
}

void PaintOnErase(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  PAINTSTRUCT ps{};
  BeginPaint(window, &ps);
  EndPaint(window, &ps);
}

void FillWithBackground(const TsPixelView& view, const TsBgPixels& background) {
  if (view.IsEmpty()) return;
  const Cardinal color = ColorToPixel(background.Color);
  for (Integer y = 0; y < view.Height; ++y) {
    for (Integer x = 0; x < view.Width; ++x) {
      const Integer sx = x + background.OffsetX, sy = y + background.OffsetY;
      const bool inside = background.HasBitmap() && sx >= 0 && sy >= 0 && sx < background.Bitmap.Width &&
                          sy < background.Bitmap.Height;
      view.At(x, y) = inside ? background.Bitmap.At(sx, sy) | 0xFF000000u : color;
    }
  }
}

TskBgInfo FillWithParentBg(const TsPixelView& view, HWND window, TPoint position) {
  const TskBgInfo background = GetParentBgOfWnd(window);
  TsBgPixels behind = BgPixelsOf(background);
  behind.OffsetX += position.X;
  behind.OffsetY += position.Y;
  FillWithBackground(view, behind);
  return background;
}

TPoint SkinGlyphSize(const TsSkinManager& manager, Integer mask) {
  if (!manager.IsValidMaskIndex(mask)) return {};
  const TsMaskData& data = manager.ma[static_cast<size_t>(mask)];
  return TPoint{MaskStateWidth(data), MaskStateHeight(data)};
}

bool PaintSkinGlyph(const TsSkinManager& manager, Integer mask, const TsPixelView& view, TPoint at, Integer state) {
  const TPoint size = SkinGlyphSize(manager, mask);
  if (size.X <= 0 || size.Y <= 0 || view.IsEmpty()) return false;
  const TsMaskData& data = manager.ma[static_cast<size_t>(mask)];
  TsBgPixels self;
  self.Bitmap = view;
  const Integer last = std::max<Integer>(data.ImageCount, 1) - 1;
  PaintMaskGlyph(view, at.X, at.Y, std::clamp<Integer>(state, 0, last), self, data,
                 SkinPixelsOf(manager).ImageOf(data), 1);
  return true;
}
