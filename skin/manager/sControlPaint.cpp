#include "skin/manager/sControlPaint.h"

#include <algorithm>

void AddMissingAlpha(const TsPixelView& bitmap) {
  if (bitmap.IsEmpty()) return;
  for (Integer y = 0; y < bitmap.Height; ++y) {
    const Cardinal* row = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x)
      if ((row[x] >> 24) != 0) return;
  }
  const Cardinal transparent = bitmap.At(0, bitmap.Height - 1) & 0x00FFFFFFu;
  for (Integer y = 0; y < bitmap.Height; ++y) {
    Cardinal* row = bitmap.Row(y);
    for (Integer x = 0; x < bitmap.Width; ++x)
      if ((row[x] & 0x00FFFFFFu) != transparent) row[x] |= 0xFF000000u;
  }
}

TsBorderWidths MaskBorderWidths(const TsMaskData& mask) {
  const auto side = [&](SmallInt own, Integer stateSize) -> Integer {
    if (own > 0) return own;
    if (mask.BorderWidth > 0) return mask.BorderWidth;
    return stateSize;
  };
  TsMaskData counted = mask;
  if (counted.ImageCount == 0) counted.ImageCount = 1;
  const Integer stateHeight = MaskStateHeight(mask);
  return TsBorderWidths{side(mask.WL, MaskStateWidth(counted)), side(mask.WT, stateHeight),
                        side(mask.WR, MaskStateWidth(mask)), side(mask.WB, stateHeight)};
}

TRect ToolButtonGlyphRect(const TsToolGlyphLayout& l) {
  Integer x, y;
  if (l.ListLayout) {
    x = 5;
    y = (l.ButtonHeight - l.ImageHeight) / 2;
  } else {
    x = (l.ButtonWidth - l.ImageWidth) / 2 - (l.DropDown ? 8 : 0) + 1;
    y = (l.ButtonHeight - l.ImageHeight - (l.ShowCaptions ? l.TextHeight + 3 : 0)) / 2;
  }
  if (l.Pressed) {
    ++x;
    ++y;
  }
  return TRect{x, y, x + l.ImageWidth, y + l.ImageHeight};
}

TsGlyphFrame GlyphFrame(Integer imageWidth, Integer stateCount, Integer state) {
  // A count of 0 would divide by zero; a state past the frames shows the last one.
  const Integer count = std::max(stateCount, 1);
  return TsGlyphFrame{imageWidth / count, std::clamp(state, 0, count - 1)};
}

TsBorderWidths BorderBandWidths(const TRect& rect, Integer borderWidth, const TsBorderWidths& mask) {
  const auto band = [&](Integer size, Integer opposite, Integer own) {
    return std::max(std::min(borderWidth, size - opposite) - own, 0);
  };
  return TsBorderWidths{band(rect.Width(), mask.Right, mask.Left), band(rect.Height(), mask.Bottom, mask.Top),
                        band(rect.Width(), mask.Left, mask.Right), band(rect.Height(), mask.Top, mask.Bottom)};
}

TRect ShrinkRect(const TRect& rect, const TsBorderWidths& w) {
  TRect r{rect.Left + w.Left, rect.Top + w.Top, rect.Right - w.Right, rect.Bottom - w.Bottom};
  // Never inverted: an excess meets in the middle.
  if (r.Right < r.Left) r.Left = r.Right = rect.Left + std::clamp(w.Left, 0, rect.Width());
  if (r.Bottom < r.Top) r.Top = r.Bottom = rect.Top + std::clamp(w.Top, 0, rect.Height());
  return r;
}
