#include "skin/forms/sSectionPaint.h"

#include <algorithm>
#include <cmath>
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sGradient.h"

namespace {

constexpr SmallInt kPatternDrawMode = 10;  // a texture with an alpha half tiled over the whole rect

// The texture of a fill: a mask of the skin, or a pattern image; neither when both are empty.
struct TTexture {
  const TsMaskData* Mask = nullptr;
  TsPixelView Pattern;
  bool Present() const { return Mask != nullptr || !Pattern.IsEmpty(); }
};

// What the inner layering paints with.
struct TLayers {
  Integer Color = 0;
  Integer ImagePercent = 0;
  Integer GradientPercent = 0;
  const TsGradArray* Gradient = nullptr;
  TTexture Texture;
};

const TsMaskData* MaskAt(const TsSkinPixels& skin, Integer index) {
  return skin.ValidMask(index) ? &(*skin.Masks)[static_cast<size_t>(index)] : nullptr;
}

// The copy of the rect's size from the background bitmap at (x, y) into the rect.
void CopyBackground(const TsPixelView& bitmap, const TRect& rect, const TsBgPixels& background, Integer x, Integer y) {
  if (background.Bitmap.Bits == bitmap.Bits) return;  // the background is the target itself
  const TsCopyArea a = ClipCopyArea(rect.Left, rect.Top, TRect{x, y, x + rect.Width(), y + rect.Height()},
                                    bitmap.Width, bitmap.Height, background.Bitmap.Width, background.Bitmap.Height);
  for (Integer row = 0; row < a.Height; ++row)
    std::copy_n(background.Bitmap.Row(a.SourceY + row) + a.SourceX, a.Width, bitmap.Row(a.TargetY + row) + a.TargetX);
}

// The background behind the rect: its bitmap's pixels, else its colour.
void PutBackground(const TsPixelView& bitmap, const TRect& rect, const TsBgPixels& background, Integer offsetX,
                   Integer offsetY) {
  if (background.HasBitmap()) {
    CopyBackground(bitmap, rect, background, background.OffsetX + offsetX, background.OffsetY + offsetY);
  } else {
    FillBitmapRectArgb(bitmap, rect, background.Color, 255);
  }
}

void PaintGradientOrColor(const TsPixelView& bitmap, const TRect& rect, const TLayers& l) {
  if (l.Gradient == nullptr || l.Gradient->empty()) {
    FillBitmapRectArgb(bitmap, rect, l.Color, 255);
  } else {
    DrawGradient(bitmap, rect, *l.Gradient);
    SetBitmapRectAlpha(bitmap, rect, 255, false);
  }
}

// Colour, texture and gradient by their percentages, opaque, into the rect of the target.
void PaintLayers(const TsPixelView& target, const TRect& rect, const TLayers& l, const TsSkinPixels& skin,
                 const TsBgPixels& background, Integer transparency) {
  const Integer img = l.ImagePercent;
  const Integer grad = l.GradientPercent;
  const TsMaskData* mask = l.Texture.Mask;
  // Gradient and texture in one pass.
  if (mask != nullptr && img + grad == 100 && grad >= 1 && grad <= 99 && mask->DrawFlags == 0 &&
      l.Gradient != nullptr && !l.Gradient->empty() && l.Gradient->front().Mode < gmTriangles) {
    DrawGradientInRect(target, rect, *l.Gradient, skin.ImageOf(*mask), mask->R, img * 255 / 100, 256);
    SetBitmapRectAlpha(target, rect, 255, false);
    return;
  }
  if (img > 0) {
    TRect uncovered = rect;
    if (!l.Texture.Pattern.IsEmpty()) {
      uncovered = DrawMaskOnCanvas(target, rect, l.Texture.Pattern,
                                   TRect{0, 0, l.Texture.Pattern.Width, l.Texture.Pattern.Height}, tmTile);
    } else if (mask != nullptr) {
      uncovered = DrawMaskOnCanvas(target, rect, skin.ImageOf(*mask), mask->R, mask->DrawFlags);
    }
    if (!uncovered.IsEmpty()) FillBitmapRectArgb(target, uncovered, l.Color, 255);
  }
  if (grad > 0) {
    if (img > 0) {
      std::vector<Cardinal> layer(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()));
      const TsPixelView view{layer.data(), rect.Width(), rect.Height(), rect.Width()};
      const TRect whole{0, 0, rect.Width(), rect.Height()};
      PaintGradientOrColor(view, whole, l);
      BlendBitmapRect(target, view, std::min(img * 255 / 100, 255), rect.Left, rect.Top, whole);
    } else {
      PaintGradientOrColor(target, rect, l);
    }
  }
  if (img == 0 && grad == 0) {
    // Only a background of the key colour (none) reaches here without a bitmap: the section's colour
    // is the fill. A real colour would be mixed as a half-transparent plain fill is.
    Integer fill = l.Color;
    if (!background.HasBitmap() && background.Color != clKeyColor && transparency > 0 && transparency < 100)
      fill = BlendColors(background.Color, l.Color, transparency / 100.0);
    FillBitmapRectArgb(target, rect, fill, 255);
  }
  const Integer sum = img + grad;
  if (sum >= 1 && sum <= 99)
    BlendRectWithColor(target, TRect{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1}, sum, l.Color);
}

// A mask over the rect, its key colour showing the background moved by the offset; its centre only
// with fillCentre.
void PaintMaskOver(const TsPixelView& bitmap, const TRect& rect, Integer state, const TsMaskData& mask,
                   const TsSkinPixels& skin, const TsBgPixels& background, Integer offsetX, Integer offsetY,
                   bool fillCentre) {
  TsBgPixels moved = background;
  moved.OffsetX += offsetX;
  moved.OffsetY += offsetY;
  TsMaskData copy = mask;
  if (!fillCentre) copy.DrawFlags = static_cast<SmallInt>(copy.DrawFlags & ~mdPaintCentre);
  PaintMaskImage(bitmap, rect, state, copy, skin.ImageOf(mask), moved);
}

// The layers into one temporary bitmap, the background under them, one blend by the factor (0 keeps
// the layers, 255 nearly the background).
void PaintOverBackground(const TsPixelView& bitmap, const TRect& rect, const TLayers& l, const TsSkinPixels& skin,
                         const TsBgPixels& layerBackground, Integer transparency, const TsBgPixels& background,
                         Integer offsetX, Integer offsetY, Integer factor) {
  std::vector<Cardinal> layer(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()));
  const TsPixelView view{layer.data(), rect.Width(), rect.Height(), rect.Width()};
  const TRect whole{0, 0, rect.Width(), rect.Height()};
  PaintLayers(view, whole, l, skin, layerBackground, transparency);
  PutBackground(bitmap, rect, background, offsetX, offsetY);
  BlendBitmapRect(bitmap, view, factor, rect.Left, rect.Top, whole);
}

TTexture FindTexture(const TsSectionSkin& skin, Integer section, std::string_view name, Integer hotTexture,
                     Integer texture, Integer state) {
  const TsSkinTables tables = skin.Tables();
  const TsGeneralData& data = (*skin.Pixels.Sections)[static_cast<size_t>(section)];
  const char* const key = state == 1 ? "HOTPATTERN" : "PATTERN";
  Integer index = state == 1 ? hotTexture : texture;
  if (state == 1 && index == -1) index = FindMaskIndex(tables, section, name, key);
  if (state == 0 && index < 0) index = data.TextureIndex;
  if (state == 0 && index < 0) index = FindMaskIndex(tables, section, name, key);
  TTexture result;
  const TsMaskData* mask = MaskAt(skin.Pixels, index);
  if (mask != nullptr && mask->MaskType == 0) {
    result.Mask = mask;
    return result;
  }
  const Integer pattern = skin.Patterns != nullptr ? FindPatternIndex(tables, section, name, key) : -1;
  if (pattern >= 0 && pattern < std::ssize(*skin.Patterns) && skin.PatternImage != nullptr)
    result.Pattern = skin.PatternImage((*skin.Patterns)[static_cast<size_t>(pattern)]);
  return result;
}

bool RectInside(const TRect& rect, const TsPixelView& bitmap) {
  return !rect.IsEmpty() && rect.Left >= 0 && rect.Top >= 0 && rect.Right <= bitmap.Width && rect.Bottom <= bitmap.Height;
}

Integer ClampState(const TsGeneralData& section, Integer state) {
  return std::clamp(state, 0, std::clamp(section.States - 1, 0, 1));
}

}  // namespace

TsSkinTables TsSectionSkin::Tables() const {
  static const TsPatternArray noPatterns;
  return TsSkinTables{*Pixels.Sections, *Pixels.Masks, Patterns != nullptr ? *Patterns : noPatterns};
}

void PaintSectionFill(const TsSectionSkin& skin, Integer section, std::string_view name, const TsBgPixels& background,
                      Integer color, Integer hotTexture, Integer texture, const TsPixelView& bitmap, Integer offsetX,
                      Integer offsetY, const TRect& rect, Integer state) {
  if (!skin.Pixels.ValidSection(section) || bitmap.IsEmpty()) return;
  const TRect r = ClipRect(rect, bitmap.Width, bitmap.Height);
  if (r.IsEmpty()) return;
  offsetX += r.Left - rect.Left;
  offsetY += r.Top - rect.Top;
  const TsGeneralData& data = (*skin.Pixels.Sections)[static_cast<size_t>(section)];
  state = ClampState(data, state);
  TLayers l;
  Integer t = 0;
  if (color == clKeyColor) {
    const TsGenState& values = data.Props[static_cast<size_t>(state)];
    l.Color = values.Color;
    t = std::clamp(values.Transparency, 0, 100);
    if (t != 100) {
      l.ImagePercent = std::clamp(values.ImagePercent, 0, 100);
      l.GradientPercent = std::clamp(values.GradientPercent, 0, 100);
      if (l.ImagePercent > 0) l.Texture = FindTexture(skin, section, name, hotTexture, texture, state);
      if (l.GradientPercent > 0) l.Gradient = &values.GradientArray;
    }
  } else {
    l.Color = color;
  }

  const bool layered = l.ImagePercent > 0 || l.GradientPercent > 0;
  if ((!background.HasBitmap() && background.Color == clKeyColor) || t == 0) {
    PaintLayers(bitmap, r, l, skin.Pixels, background, t);
  } else if (t == 100) {
    PutBackground(bitmap, r, background, offsetX, offsetY);
  } else if (background.HasBitmap() || layered) {
    // round(t x 2.55) keeps that much of the background.
    PaintOverBackground(bitmap, r, l, skin.Pixels, background, t, background, offsetX, offsetY,
                        static_cast<Integer>(std::lround(t * 2.55)));
  } else {
    FillBitmapRectArgb(bitmap, r, BlendColors(background.Color, l.Color, t / 100.0), 255);
  }

  if (state == 0) {
    const Integer used = texture != -1 ? texture : hotTexture;
    const TsMaskData* mask = MaskAt(skin.Pixels, used);
    if (mask != nullptr && mask->MaskType > 0 && mask->DrawFlags == kPatternDrawMode) {
      TsBgPixels moved = background;
      moved.OffsetX += offsetX;
      moved.OffsetY += offsetY;
      PaintPatternTexture(bitmap, r, moved, tmTileWhole, *mask, skin.Pixels.ImageOf(*mask));
    }
  }
}

void PaintSectionWithMask(const TsSectionSkin& skin, Integer section, Integer mask, Integer texture,
                          Integer hotTexture, const TsPixelView& bitmap, Integer offsetX, Integer offsetY,
                          const TRect& rect, Integer state, bool fillCentre, const TsBgPixels& background) {
  if (bitmap.IsEmpty() || !skin.Pixels.ValidSection(section) || !RectInside(rect, bitmap)) return;
  const TsGeneralData& data = (*skin.Pixels.Sections)[static_cast<size_t>(section)];
  state = ClampState(data, state);
  const TsGenState& values = data.Props[static_cast<size_t>(state)];
  TLayers l;
  l.Color = values.Color;
  const Integer t = std::clamp(values.Transparency, 0, 100);
  l.ImagePercent = std::clamp(values.ImagePercent, 0, 100);
  l.GradientPercent = std::clamp(values.GradientPercent, 0, 100);
  if (l.GradientPercent > 0) l.Gradient = &values.GradientArray;
  if (l.ImagePercent > 0) {
    const TsMaskData* given = MaskAt(skin.Pixels, state == 1 ? hotTexture : texture);
    if (given != nullptr && given->MaskType == 0) l.Texture.Mask = given;
  }
  const TsBgPixels noBackground{{}, 0, 0, clKeyColor};  // the layers alone decide the look
  if (!background.HasBitmap()) {
    if (t == 100 && l.ImagePercent + l.GradientPercent == 0) {
      FillBitmapRectArgb(bitmap, rect, background.Color, 255);
    } else {
      PaintLayers(bitmap, rect, l, skin.Pixels, noBackground, 0);
    }
  } else if (t == 100) {
    PutBackground(bitmap, rect, background, offsetX, offsetY);
  } else if (t == 0) {
    PaintLayers(bitmap, rect, l, skin.Pixels, noBackground, 0);
  } else {
    PaintOverBackground(bitmap, rect, l, skin.Pixels, noBackground, 0, background, offsetX, offsetY, t * 255 / 100);
  }
  if (const TsMaskData* m = MaskAt(skin.Pixels, mask))
    PaintMaskOver(bitmap, rect, state, *m, skin.Pixels, background, offsetX, offsetY, fillCentre);
}

void PaintSectionItem(const TsSectionSkin& skin, Integer section, std::string_view name, const TsBgPixels& background,
                      Integer hotTexture, Integer texture, const TsPixelView& bitmap, Integer offsetX, Integer offsetY,
                      const TRect& rect, Integer state, bool fillCentre) {
  if (bitmap.IsEmpty() || !skin.Pixels.ValidSection(section) || !RectInside(rect, bitmap)) return;
  const TsGeneralData& data = (*skin.Pixels.Sections)[static_cast<size_t>(section)];
  state = ClampState(data, state);
  PaintSectionFill(skin, section, name, background, clKeyColor, hotTexture, texture, bitmap, offsetX, offsetY, rect,
                   state);

  PaintSectionFrame(skin, section, background, data.BorderMask, bitmap, offsetX, offsetY, rect, state, fillCentre);
}

bool PaintSectionFrame(const TsSectionSkin& skin, Integer section, const TsBgPixels& background, Integer borderMask,
                       const TsPixelView& bitmap, Integer offsetX, Integer offsetY, const TRect& rect, Integer state,
                       bool fillCentre) {
  if (bitmap.IsEmpty() || !skin.Pixels.ValidSection(section)) return false;
  const TsGeneralData& data = (*skin.Pixels.Sections)[static_cast<size_t>(section)];
  // Corner images lie over the fill: their key colour shows the fill.
  const TsBgPixels self{bitmap, 0, 0, clKeyColor};
  struct Corner {
    Integer index;
    bool right, bottom;
  } corners[] = {{data.ImgTopLeft, false, false}, {data.ImgTopRight, true, false},
                 {data.ImgBottomLeft, false, true}, {data.ImgBottomRight, true, true}};
  for (const Corner& c : corners) {
    const TsMaskData* mask = MaskAt(skin.Pixels, c.index);
    if (mask == nullptr) continue;
    const Integer x = c.right ? rect.Right - MaskStateWidth(*mask) : rect.Left;
    const Integer y = c.bottom ? rect.Bottom - MaskStateHeight(*mask) : rect.Top;
    PaintMaskGlyph(bitmap, x, y, state, self, *mask, skin.Pixels.ImageOf(*mask), 1);
  }
  const TsMaskData* border = MaskAt(skin.Pixels, borderMask);
  if (border == nullptr || (state == 0 && (border->DrawFlags & mdSkipNormalState) != 0)) return false;
  PaintMaskOver(bitmap, rect, state, *border, skin.Pixels, background, offsetX, offsetY, fillCentre);
  return true;
}

void AddMaskRegionRects(std::vector<TRect>& rects, Integer width, const TsMaskData& mask, const TsPixelView& image,
                        bool bottom, Integer top) {
  if (image.IsEmpty()) return;
  const Integer rows = bottom ? MaskBottomHeight(mask) : MaskTopHeight(mask);
  const Integer stateWidth = MaskStateWidth(mask);
  const Integer firstRow = mask.R.Top + (bottom ? MaskStateHeight(mask) - rows : 0);
  if (rows <= 0 || firstRow < 0 || firstRow + rows > image.Height) return;
  const auto isKey = [&](Integer x, Integer y) {
    return x >= 0 && x < image.Width && (image.At(x, y) & 0x00FFFFFFu) == 0x00FF00FFu;
  };
  // Runs of key pixels in columns first..last of the first state image, placed at x + shift.
  const auto scan = [&](Integer row, Integer first, Integer last, Integer shift) {
    const Integer y = firstRow + row;
    Integer start = -1;
    for (Integer col = first; col <= last + 1; ++col) {
      const bool key = col <= last && isKey(mask.R.Left + col, y);
      if (key && start < 0) start = col;
      if (!key && start >= 0) {
        rects.push_back(TRect{start + shift, top + row, col + shift, top + row + 1});
        start = -1;
      }
    }
  };
  const Integer left = MaskLeftWidth(mask);
  const Integer right = MaskRightWidth(mask);
  for (Integer row = 0; row < rows; ++row) {
    scan(row, 0, left - 1, 0);
    scan(row, stateWidth - right, stateWidth - 1, width - stateWidth);
  }
}
