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

void AssignSystemFont(TCanvas& canvas, int kind) {
  const HFONT font = CreateSystemFont(kind);
  if (font == nullptr) return;
  TFont temporary;
  temporary.SetHandle(font);  // takes the font's properties; the handle stays ours
  canvas.SetFont(temporary);
  DeleteObject(font);
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
