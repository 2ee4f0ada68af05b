// The bitmap side of the alpha painters: views of 32-bit bitmaps, background records, and text, which
// needs GDI to draw the glyphs before the pixel loop colours them.
#include <algorithm>

#include "skin/forms/sCommonData.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Control.h"
#include "vcl/gui/WinControl.h"

TsPixelView PixelViewOf(TBitmap& bitmap) {
  if (bitmap.Empty() || (bitmap.PixelFormat() != pf32bit && bitmap.PixelFormat() != pfDevice)) return {};
  auto* top = static_cast<Cardinal*>(bitmap.ScanLine(0));
  std::ptrdiff_t stride = bitmap.Width();
  if (bitmap.Height() > 1) stride = static_cast<Cardinal*>(bitmap.ScanLine(1)) - top;
  return TsPixelView{top, bitmap.Width(), bitmap.Height(), stride};
}

TsBgPixels BgPixelsOf(const TskBgInfo& info) {
  TsBgPixels bg;
  if (info.IsBitmap && info.Bitmap != nullptr) bg.Bitmap = PixelViewOf(*info.Bitmap);
  bg.OffsetX = info.OffsetX;
  bg.OffsetY = info.OffsetY;
  bg.Color = info.Color;
  return bg;
}

void DrawTextToBitmap(TBitmap& bitmap, const WideString& text, Integer color, UINT format, const TRect& rect) {
  const TsPixelView target = PixelViewOf(bitmap);
  if (target.IsEmpty() || text.empty() || rect.IsEmpty()) return;
  TBitmap mask;
  mask.SetPixelFormat(pf32bit);
  mask.SetSize(rect.Width(), rect.Height());
  TCanvas& canvas = mask.Canvas();
  canvas.SetFont(bitmap.Canvas().Font());
  canvas.Font().SetColor(static_cast<TColor>(0));
  canvas.Brush().SetColor(static_cast<TColor>(0xFFFFFF));
  canvas.FillRect(TRect{0, 0, rect.Width(), rect.Height()});
  HDC dc = canvas.Handle();
  // DrawTextW does not go through the canvas, which selects its font only for its own text calls: the
  // font is selected here, or the text came out in the DC's stock font (wider than the caller measured
  // it in, so an ellipsis cut it short).
  const HGDIOBJ previous = SelectObject(dc, canvas.Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, 0);
  RECT r{0, 0, rect.Width(), rect.Height()};
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &r, format);
  SelectObject(dc, previous);
  GdiFlush();
  const TsPixelView drawn = PixelViewOf(mask);
  const Cardinal k = SwapRedBlue(static_cast<Cardinal>(color));
  const TsCopyArea a = ClipCopyArea(rect.Left, rect.Top, TRect{0, 0, rect.Width(), rect.Height()}, target.Width,
                                    target.Height, drawn.Width, drawn.Height);
  for (Integer y = 0; y < a.Height; ++y) {
    Cardinal* d = target.Row(a.TargetY + y) + a.TargetX;
    const Cardinal* m = drawn.Row(a.SourceY + y) + a.SourceX;
    for (Integer x = 0; x < a.Width; ++x) {
      if ((m[x] & 0x00FFFFFFu) == 0x00FFFFFFu) continue;  // untouched by the text
      Cardinal out = 0xFF000000u;
      for (int c = 0; c < 24; c += 8) {
        const int t = static_cast<int>(d[x] >> c & 0xFF), kc = static_cast<int>(k >> c & 0xFF);
        const int w = static_cast<int>(m[x] >> c & 0xFF);
        out |= static_cast<Cardinal>(((t - kc) * w + kc * 256) >> 8) << c;
      }
      d[x] = out;
    }
  }
}

void DrawContouredText(TBitmap& bitmap, const WideString& text, const TsTextColors& colors, UINT format,
                       const TRect& rect) {
  if (text.empty() || rect.IsEmpty()) return;
  const struct {
    Integer color, dx, dy;
  } contours[] = {{colors.ContourLeft, -1, 0}, {colors.ContourTop, 0, -1}, {colors.ContourRight, 1, 0},
                  {colors.ContourBottom, 0, 1}};
  for (const auto& c : contours) {
    if (c.color == clNoContour) continue;
    DrawTextToBitmap(bitmap, text, c.color, format,
                     TRect{rect.Left + c.dx, rect.Top + c.dy, rect.Right + c.dx, rect.Bottom + c.dy});
  }
  DrawTextToBitmap(bitmap, text, colors.Text, format, rect);
}

namespace {

// The manager's section of that index, or nil for an index it has no section for.
const TsGeneralData* SectionOf(const TsSkinManager& manager, Integer index) {
  return manager.IsValidSkinIndex(index) ? &manager.gd[static_cast<size_t>(index)] : nullptr;
}

}  // namespace

void DrawSkinText(TBitmap& bitmap, const WideString& text, bool contour, TsSkinManager* manager, bool hot,
                  Integer section, UINT format, const TRect& rect) {
  if (text.empty() || rect.IsEmpty()) return;
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  const TsGeneralData* data = manager != nullptr ? SectionOf(*manager, section) : nullptr;
  if (data == nullptr) {
    DrawTextToBitmap(bitmap, text, static_cast<Integer>(ColorToRGB(bitmap.Canvas().Font().Color())), format, rect);
    return;
  }
  TsTextColors colors = SectionTextColors(*data, hot);
  if (!contour) colors.ContourLeft = colors.ContourTop = colors.ContourRight = colors.ContourBottom = clNoContour;
  DrawContouredText(bitmap, text, colors, format, rect);
}

TsSkinPixels SkinPixelsOf(const TsSkinManager& manager) {
  TsSkinPixels skin;
  skin.Sections = &manager.gd;
  skin.Masks = &manager.ma;
  if (manager.MasterBitmap) skin.Master = PixelViewOf(*manager.MasterBitmap);
  skin.OwnImage = [](const TsMaskData& mask) { return mask.Image ? PixelViewOf(*mask.Image) : TsPixelView{}; };
  return skin;
}

void PaintSectionBackground(Integer section, Integer state, TsSkinManager* manager, TBitmap* bitmap,
                            const TRect& rect) {
  if (manager == nullptr) manager = TsSkinManager::DefaultManager();
  if (manager == nullptr || bitmap == nullptr) return;
  GdiFlush();  // pending GDI output lands before the pixels are read
  PaintSectionBackground(PixelViewOf(*bitmap), rect,
                         SkinPixelsOf(*manager), section, state);
}

void PaintParentBackground(TsCommonData& data, Integer state, Integer corners) {
  TsSkinManager* manager = data.GetSkinManager() != nullptr ? data.GetSkinManager() : TsSkinManager::DefaultManager();
  TControl* control = data.HostControl;
  if (manager == nullptr || control == nullptr || !data.CacheBitmap || data.BorderMaskIndex < 0 ||
      static_cast<size_t>(data.BorderMaskIndex) >= manager->ma.size())
    return;
  TsMaskData mask = manager->ma[static_cast<size_t>(data.BorderMaskIndex)];
  if (mask.Flags == 0) return;
  // An image of its own without a state count: three states with weight rows, the whole image.
  if (mask.Image && mask.ImageCount == 0) {
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.R = TRect{0, 0, mask.Image->Width(), mask.Image->Height()};
  }
  TskBgRequest request;
  if (control->Parent() != nullptr) {
    GetParentBgFromControl(request, control->Parent(), false);
  } else if (auto* windowed = dynamic_cast<TWinControl*>(control);
             windowed != nullptr && windowed->HandleAllocated() && GetParent(windowed->Handle()) != nullptr) {
    GetParentBgFromWindow(request, GetParent(windowed->Handle()), false);
  } else {
    return;
  }
  TsParentBg parent;
  if (request.AnswerKind == bgBitmap && request.Bitmap != nullptr) {
    parent.Bitmap = PixelViewOf(*request.Bitmap);
    parent.OffsetX = request.OffsetX + control->Left();
    parent.OffsetY = request.OffsetY + control->Top();
  } else {
    parent.Color = static_cast<Integer>(ColorToRGB(static_cast<TColor>(request.Color)));
  }
  GdiFlush();
  const TsPixelView image = SkinPixelsOf(*manager).ImageOf(mask);
  PaintParentBgCorners(PixelViewOf(*data.CacheBitmap), control->Width(), control->Height(), mask, image, state, corners,
                       parent);
}
