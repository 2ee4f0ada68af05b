#include "skin/manager/sControlPaint.h"

#include "vcl/gui/Win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/ToolBar.h"

namespace {

std::unique_ptr<TBitmap> NewBitmap32(Integer width, Integer height) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(width, height);
  return b;
}

// Copies the pixels of a rect of one view to a point of another, clipped to both.
void CopyPixels(const TsPixelView& dest, Integer x, Integer y, const TsPixelView& source, const TRect& rect) {
  const TsCopyArea a = ClipCopyArea(x, y, rect, dest.Width, dest.Height, source.Width, source.Height);
  for (Integer row = 0; row < a.Height; ++row)
    std::copy_n(source.Row(a.SourceY + row) + a.SourceX, a.Width, dest.Row(a.TargetY + row) + a.TargetX);
}

// The four strips between a rect and a rect inside it: top, left, right, bottom.
std::array<TRect, 4> FrameStrips(const TRect& outer, const TRect& inner) {
  return {TRect{outer.Left, outer.Top, outer.Right, inner.Top}, TRect{outer.Left, inner.Top, inner.Left, inner.Bottom},
          TRect{inner.Right, inner.Top, outer.Right, inner.Bottom},
          TRect{outer.Left, inner.Bottom, outer.Right, outer.Bottom}};
}

bool WindowsBeforeVersion6() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExW(&info) && info.dwMajorVersion < 6;
#pragma GCC diagnostic pop
}

}  // namespace

void AddMissingAlpha(TBitmap& bitmap) { AddMissingAlpha(PixelViewOf(bitmap)); }

Integer ScreenBitsPerPixel() {
  const HDC screen = GetDC(nullptr);
  const Integer bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits;
}

std::unique_ptr<TBitmap> GetImageListBitmap32(TCustomImageList& list, Integer index, Integer width, Integer height) {
  if (!list.HandleAllocated() || index < 0 || index >= list.Count()) return nullptr;
  const HICON icon = ImageList_GetIcon(list.Handle(), index, ILD_NORMAL);
  if (icon == nullptr) return nullptr;
  ICONINFO info{};
  const BOOL gotInfo = GetIconInfo(icon, &info);
  DestroyIcon(icon);
  if (!gotInfo) return nullptr;
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  if (info.hbmColor == nullptr) return nullptr;
  TBitmap colour;
  colour.SetHandle(info.hbmColor);
  colour.SetPixelFormat(pf32bit);
  auto result = NewBitmap32(width, height);
  const TsPixelView target = PixelViewOf(*result);
  for (Integer y = 0; y < target.Height; ++y) std::fill_n(target.Row(y), target.Width, 0u);
  CopyPixels(target, 0, 0, PixelViewOf(colour), TRect{0, 0, colour.Width(), colour.Height()});
  // Screens of fewer colours gave old systems icons without alpha.
  if (WindowsBeforeVersion6() && ScreenBitsPerPixel() < 32) AddMissingAlpha(*result);
  return result;
}

TRect DrawImageListGlyph(TCustomImageList& list, TBitmap& target, Integer x, Integer y, Integer index,
                         Integer stateCount, Integer state, const TsAlphaBlendOptions& /*blend*/) {
  const TsPixelView dest = PixelViewOf(target);
  if (dest.IsEmpty() || !list.HandleAllocated() || index < 0) return TRect{};
  const TsGlyphFrame frame = GlyphFrame(list.Width(), stateCount, state);
  const TRect area = Bounds(x, y, frame.Width, list.Height());
  if (area.IsEmpty()) return TRect{};
  // The list draws onto a copy of the target's pixels, so that its transparent parts keep them.
  auto scratch = NewBitmap32(frame.Width, list.Height());
  const TsPixelView copy = PixelViewOf(*scratch);
  CopyPixels(copy, 0, 0, dest, area);
  list.Draw(scratch->Canvas(), -frame.Index * frame.Width, 0, index);
  GdiFlush();
  CopyPixels(dest, x, y, copy, TRect{0, 0, frame.Width, list.Height()});
  return area;
}

void DrawToolButtonGlyph(TToolBar& toolBar, TToolButton& button, Cardinal customDrawState, TBitmap& target) {
  const Integer index = button.ImageIndex();
  TCustomImageList* images = toolBar.Images();
  TCustomImageList* hot = toolBar.HotImages();
  if ((customDrawState & cdsHot) != 0 && hot != nullptr && index >= 0 && index < hot->Count()) images = hot;
  const TsPixelView dest = PixelViewOf(target);
  if (images == nullptr || dest.IsEmpty() || index < 0 || index >= images->Count()) return;
  TsToolGlyphLayout layout;
  layout.ButtonWidth = button.Width();
  layout.ButtonHeight = button.Height();
  layout.ImageWidth = images->Width();
  layout.ImageHeight = images->Height();
  layout.ListLayout = toolBar.List();
  layout.ShowCaptions = toolBar.ShowCaptions();
  if (layout.ShowCaptions && !layout.ListLayout) {
    TCanvas& canvas = target.Canvas();
    canvas.Font().Assign(&toolBar.Font());
    layout.TextHeight = canvas.TextHeight("A");
  }
  layout.DropDown = button.Style() == tbsDropDown;
  layout.Pressed = (customDrawState & cdsSelected) != 0;
  const TRect glyph = ToolButtonGlyphRect(layout);
  // The image on the key colour, then onto the target without it.
  auto picture = NewBitmap32(glyph.Width(), glyph.Height());
  const TsPixelView pixels = PixelViewOf(*picture);
  FillBitmapRectArgb(pixels, TRect{0, 0, pixels.Width, pixels.Height}, clKeyColor, 0);
  images->Draw(picture->Canvas(), 0, 0, index);
  GdiFlush();
  BlendGlyphRect(dest, pixels, glyph.Left, glyph.Top, clKeyColor, TRect{0, 0, pixels.Width - 1, pixels.Height - 1});
}

// Border painting:
// 1. The background colour is the section's for the state; the parent is asked for its background
//    (skin command 34).
// 2. With a border mask: the state is limited to the section's states. A mask with one row of weights
//    first gets the parent's background under it (the parent's bitmap at the control's place, or the
//    border strips in the background colour), then the mask is painted with the parent's background
//    behind its key-colour pixels; inner is the rect less the mask's widths. With a border width above
//    0 the band between the mask's widths and that width takes the background colour, inner is the
//    rect less the border width, and the band is copied to the target when the target is not the
//    cache.
// 3. Without a border mask, a border width above 0 frames the target in the background colour.
void PaintControlBorder(HDC target, const TRect& rect, Integer borderWidth, TRect& inner, Integer state,
                        TsCommonData& data) {
  inner = rect;
  TsSkinManager* manager = data.GetSkinManager();
  const bool hasSection = manager != nullptr && data.SectionIndex >= 0 &&
                          static_cast<size_t>(data.SectionIndex) < manager->gd.size();
  const TsGeneralData* section = hasSection ? &manager->gd[static_cast<size_t>(data.SectionIndex)] : nullptr;
  const Integer stateIndex = std::clamp(state, 0, 1);
  const Integer backColor =
      section != nullptr ? section->Props[static_cast<size_t>(stateIndex)].Color
                         : (data.HostControl != nullptr ? static_cast<Integer>(ColorToRGB(data.HostControl->Color()))
                                                        : clKeyColor);

  TskBgRequest request;
  TControl* control = data.HostControl;
  if (control != nullptr && control->Parent() != nullptr)
    SendSkinCommandToControl(control->Parent(), scFillBgRequest, reinterpret_cast<LPARAM>(&request));
  TsBgPixels parentBg;
  parentBg.Color = request.AnswerKind == bgColor ? request.Color : backColor;
  if (request.AnswerKind == bgBitmap && request.Bitmap != nullptr) {
    parentBg.Bitmap = PixelViewOf(*request.Bitmap);
    parentBg.OffsetX = request.OffsetX + (control != nullptr ? control->Left() : 0);
    parentBg.OffsetY = request.OffsetY + (control != nullptr ? control->Top() : 0);
  }

  const bool hasMask = section != nullptr && data.BorderMaskIndex >= 0 &&
                       static_cast<size_t>(data.BorderMaskIndex) < manager->ma.size();
  if (!hasMask) {
    if (borderWidth <= 0) return;
    const HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(backColor) & 0x00FFFFFF);
    const TsBorderWidths bw{borderWidth, borderWidth, borderWidth, borderWidth};
    inner = ShrinkRect(rect, bw);
    for (const TRect& strip : FrameStrips(rect, inner)) {
      const RECT r = ToRECT(strip);
      FillRect(target, &r, brush);
    }
    DeleteObject(brush);
    GdiFlush();
    return;
  }

  const TsMaskData& mask = manager->ma[static_cast<size_t>(data.BorderMaskIndex)];
  TBitmap* maskSource = mask.Image ? mask.Image.get() : manager->MasterBitmap.get();
  if (!data.CacheBitmap) data.CacheBitmap = NewBitmap32(0, 0);
  TBitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf32bit) cache.SetPixelFormat(pf32bit);
  if (cache.Width() < rect.Right || cache.Height() < rect.Bottom)
    cache.SetSize(std::max(cache.Width(), rect.Right), std::max(cache.Height(), rect.Bottom));
  const TsPixelView view = PixelViewOf(cache);
  const TRect r = rect;
  const TsBorderWidths maskWidths = MaskBorderWidths(mask);
  const Integer maskState = std::clamp(state, 0, std::max(section->States - 1, 0));

  if (mask.MaskType == 1) {
    if (parentBg.HasBitmap()) {
      CopyPixels(view, r.Left, r.Top, parentBg.Bitmap,
                 TRect{r.Left + parentBg.OffsetX, r.Top + parentBg.OffsetY, r.Right + parentBg.OffsetX,
                        r.Bottom + parentBg.OffsetY});
    } else {
      FillRectFrame(view, r, maskWidths.Left, parentBg.Color, maskWidths.Bottom, maskWidths.Right, maskWidths.Top);
    }
  }
  if (maskSource != nullptr) PaintSectionBorderMask(view, r, parentBg, mask, PixelViewOf(*maskSource), maskState);
  inner = ShrinkRect(r, maskWidths);
  if (borderWidth <= 0) return;

  const TsBorderWidths band = BorderBandWidths(r, borderWidth, maskWidths);
  FillRectFrame(view, ShrinkRect(r, maskWidths), band.Left, backColor, band.Bottom, band.Right, band.Top);
  inner = ShrinkRect(r, TsBorderWidths{borderWidth, borderWidth, borderWidth, borderWidth});
  const HDC cacheDC = cache.Canvas().Handle();
  if (target == cacheDC) return;
  for (const TRect& s : FrameStrips(rect, inner))
    if (!s.IsEmpty()) BitBlt(target, s.Left, s.Top, s.Width(), s.Height(), cacheDC, s.Left, s.Top, SRCCOPY);
  GdiFlush();
}
