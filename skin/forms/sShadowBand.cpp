#include "skin/forms/sShadowBand.h"

#include <algorithm>
#include <vector>

#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sControlPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"

namespace {

// The frame's corners that the shadow image shows through where the frame's mask is transparent.
enum : Integer { kTopLeft = 13, kTopRight = 14, kBottomLeft = 16, kBottomRight = 17 };
constexpr Integer kTitleCornerMax = 8;  // a corner taken through the form's mask in place of the title's

}  // namespace

TskShadowImage PaintShadowBand(TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                               TBitmap& picture) {
  const std::shared_ptr<TBitmap>& image = manager.ShadowTemplates[owner.Active ? 1 : 0];
  if (!image || image->Empty()) return {};
  const bool modeOne = frame.BorderWindow && manager.SkinData.BorderMode == 1;
  const Integer width = picture.Width(), height = picture.Height();
  // The corners kept as they are: the skin's EXBORDER widths, else half the image.
  const Integer exBorder = manager.GetMaskIndex(owner.SectionIndex, owner.SectionName, "EXBORDER");
  TsBorderWidths corners;
  if (manager.IsValidMaskIndex(exBorder)) {
    const TsMaskData& mask = manager.ma[static_cast<size_t>(exBorder)];
    corners = {mask.WL, mask.WT, mask.WR, mask.WB};
  } else {
    const Integer half = (image->Width() - 1) / 2;
    const Integer halfHeight = (image->Height() - 1) / 2;
    corners = {half, halfHeight, half, halfHeight};
  }
  // The part of the picture the image leaves alone: the frame rectangle, or in border mode 1 (the image
  // drawing the frame and the title strip as well) the client side of them.
  TRect inner = FrameRect(frame);
  if (modeOne) {
    const Integer caption = frame.CaptionHeight;
    corners.Top = std::min(corners.Top, (height - caption) / 2 + caption);
    corners.Bottom = std::min(corners.Bottom, (height - caption) / 2);
    const Integer side = FrameSysBorderWidth(frame, false);
    inner = TRect{side + frame.Shadow.Left, frame.Shadow.Top + frame.CaptionHeightExt, width - side - frame.Shadow.Right,
                  height - side - frame.Shadow.Bottom};
  }
  TskShadowImage shadow;
  if (image->PixelFormat() != pf32bit) {
    shadow.Copy = std::make_unique<TBitmap>();
    shadow.Copy->Assign(image.get());
    shadow.Copy->SetPixelFormat(pf32bit);
  }
  GdiFlush();
  shadow.Source = PixelViewOf(shadow.Copy ? *shadow.Copy : *image);
  shadow.Corners = TRect{corners.Left, corners.Top, corners.Right, corners.Bottom};
  shadow.Width = width;
  shadow.Height = height;
  const TsPixelView to = PixelViewOf(picture);
  const TRect whole{0, 0, width, height};
  const TRect band[] = {{0, 0, width, inner.Top},
                        {0, inner.Bottom, width, height},
                        {0, inner.Top, inner.Left, inner.Bottom},
                        {inner.Right, inner.Top, width, inner.Bottom}};
  for (const TRect& piece : band)
    StretchBordered(to, whole, shadow.Source, TRect{0, 0, shadow.Source.Width, shadow.Source.Height}, shadow.Corners,
                    piece);
  return shadow;
}

void TskShadowImage::Fill(const TsPixelView& into, Integer x, Integer y) const {
  StretchBordered(into, TRect{-x, -y, Width - x, Height - y}, Source, TRect{0, 0, Source.Width, Source.Height}, Corners,
                  TRect{0, 0, into.Width, into.Height});
}

void TakeFrameCornersFromShadow(const TsSkinManager& manager, const TskFrameInput& frame, const TskShadowOwner& owner,
                                const TsPixelView& target, const TskShadowImage& source) {
  const TRect frameRect = FrameRect(frame);
  // The frame is opaque (plain GDI painting leaves alpha 0).
  for (Integer y = std::max<Integer>(frameRect.Top, 0); y < std::min(frameRect.Bottom, target.Height); ++y) {
    Cardinal* row = target.Row(y);
    for (Integer x = std::max<Integer>(frameRect.Left, 0); x < std::min(frameRect.Right, target.Width); ++x) row[x] |= 0xFF000000u;
  }
  // The frame's transparent corners show the shadow.
  const Integer formMask = owner.BorderMaskIndex;
  if (!manager.IsValidMaskIndex(formMask)) return;
  const TsMaskData& form = manager.ma[static_cast<size_t>(formMask)];
  const TsPixelView formImage = SkinPixelsOf(manager).ImageOf(form);
  const TsBorderWidths fw = MaskBorderWidths(form);
  const Integer titleIndex = owner.TitleSectionIndex >= 0 && static_cast<size_t>(owner.TitleSectionIndex) < manager.gd.size()
                                 ? manager.gd[static_cast<size_t>(owner.TitleSectionIndex)].BorderMask
                                 : -1;
  const bool titleMask = manager.IsValidMaskIndex(titleIndex);
  const TsMaskData& top = titleMask ? manager.ma[static_cast<size_t>(titleIndex)] : form;
  const TsPixelView topImage = titleMask ? SkinPixelsOf(manager).ImageOf(top) : formImage;
  const TsBorderWidths tw = MaskBorderWidths(top);
  auto take = [&](Integer mode, Integer w, Integer h, bool right, bool bottom, const TsMaskData& mask, const TsPixelView& maskImage) {
    const Integer x = std::max<Integer>(right ? frameRect.Right - w : frameRect.Left, 0);
    const Integer y = std::max<Integer>(bottom ? frameRect.Bottom - h : frameRect.Top, 0);
    if (w <= 0 || h <= 0) return;
    std::vector<Cardinal> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    const TsPixelView part{pixels.data(), w, h, w};
    source.Fill(part, x, y);
    CopyThroughMask(target, part, TRect{x, y, x + w, y + h}, mode, &mask, maskImage, 0, 0);
  };
  const Integer topLeftW = titleMask ? tw.Left : std::min(fw.Left, kTitleCornerMax);
  const Integer topLeftH = titleMask ? tw.Top : std::min(fw.Top, kTitleCornerMax);
  const Integer topRightW = titleMask ? tw.Right : std::min(fw.Right, kTitleCornerMax);
  take(kTopLeft, topLeftW, topLeftH, false, false, top, topImage);
  take(kTopRight, topRightW, topLeftH, true, false, top, topImage);
  take(kBottomLeft, fw.Left, fw.Bottom, false, true, form, formImage);
  take(kBottomRight, fw.Right, fw.Bottom, true, true, form, formImage);
}
