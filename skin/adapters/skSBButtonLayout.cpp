#include "skin/adapters/skSBButtonLayout.h"

#include <algorithm>

#include "skin/forms/sImagePlace.h"

TRect ButtonCaptionRect(Integer width, Integer height, Integer textWidth, Integer textHeight, bool pressed) {
  const Integer dx = (width - textWidth) / 2;
  const Integer dy = (height - textHeight) / 2;
  TRect rect{dx - 1, dy, width - dx + 2, height - dy};
  if (pressed) rect = TRect{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
  return rect;
}

Integer ButtonMaxCaptionWidth(bool hasCaption, Integer width, Integer glyphWidth) {
  if (!hasCaption) return 0;
  if (glyphWidth == 0) return width + 1;
  return std::max<Integer>(0, width - glyphWidth);
}

TRect BitBtnGlyphRect(const TsBitBtnLayout& b) {
  const Integer s = b.GlyphWidth > 0 && b.HasCaption ? b.Spacing : 0;
  Integer x = 0, y = 0;
  switch (b.Layout) {
    case 1:
      x = (b.Width + s + b.TextWidth - b.GlyphWidth) / 2;
      y = (b.Height - b.GlyphHeight) / 2;
      break;
    case 2:
      x = (b.Width - b.GlyphWidth) / 2 + 1;
      y = (b.Height - b.GlyphHeight - b.TextHeight - s) / 2;
      break;
    case 3:
      x = (b.Width - b.GlyphWidth) / 2 + 1;
      y = b.Height - (b.Height - b.GlyphHeight - b.TextHeight - s) / 2 - b.GlyphHeight;
      break;
    default:
      x = (b.Width - b.GlyphWidth - b.TextWidth - s) / 2;
      y = (b.Height - b.GlyphHeight) / 2;
      break;
  }
  if (b.Pressed) {
    ++x;
    ++y;
  }
  return TRect{x, y, x + b.GlyphWidth, y + b.GlyphHeight};
}

TRect BitBtnCaptionRect(const TsBitBtnLayout& b) {
  TRect rect;
  if (b.GlyphWidth > 0 && b.Layout >= 0 && b.Layout <= 3) {
    // The caption takes the rest of the button past the glyph and the spacing, keeping to the glyph's side.
    TsBitBtnLayout still = b;
    still.Pressed = false;
    const TRect glyph = BitBtnGlyphRect(still);
    const Integer s = b.HasCaption ? b.Spacing : 0;
    TRect area{0, 0, b.Width, b.Height};
    switch (b.Layout) {
      case 1: area.Right = glyph.Left - s; break;
      case 2: area.Top = glyph.Bottom + s; break;
      case 3: area.Bottom = glyph.Top - s; break;
      default: area.Left = glyph.Right + s; break;
    }
    rect = CalcImageRect(area, b.TextWidth, b.TextHeight, static_cast<TsImageLayout>(b.Layout), taCenter, false);
  } else {
    rect = CalcImageRect(TRect{0, 0, b.Width, b.Height}, b.TextWidth, b.TextHeight, ilCenter, taCenter, false);
  }
  if (b.Pressed) rect = TRect{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
  return rect;
}

Integer BitBtnMaxCaptionWidth(const TsBitBtnLayout& b) {
  if (!b.HasCaption) return 0;
  Integer width = b.Width - 2 * b.Margin;
  if (b.Layout < 2 && b.GlyphHeight != 0) width -= b.GlyphWidth + b.Spacing;
  return std::max<Integer>(0, width);
}

TRect ForeignGlyphCaptionRect(const TRect& captionRect, Integer glyphWidth) {
  if (glyphWidth == 0) return captionRect;
  const Integer shift = glyphWidth / 2 + 1;
  return TRect{captionRect.Left + shift, captionRect.Top, captionRect.Right + shift, captionRect.Bottom};
}

TRect ForeignGlyphRect(const TRect& captionRect, Integer height, Integer glyphWidth, Integer glyphHeight,
                        bool pressed) {
  if (glyphWidth <= 0 || glyphHeight <= 0) return TRect{};
  const Integer right = captionRect.Left - 2;
  const Integer top = (height - glyphHeight) / 2 + (pressed ? 1 : 0);
  return TRect{right - glyphWidth, top, right, top + glyphHeight};
}

TRect GroupBoxCaptionRect(Integer width, Integer textWidth, Integer textHeight, bool rightToLeft) {
  TRect rect;
  rect.Left = rightToLeft ? width - textWidth - 14 : 6;
  rect.Top = 0;
  rect.Bottom = std::max<Integer>(4, textHeight) + 2;
  rect.Right = std::min<Integer>(rect.Left + textWidth + 8, width - 1);
  return rect;
}

Integer CheckStateOf(Integer buttonState) {
  if ((buttonState & 2) != 0) return 2;  // BST_INDETERMINATE
  return buttonState & 1;                // BST_CHECKED
}

bool IsRadioType(Integer t) {
  return ((t & 4) == 4 || (t & 9) == 9) && (t & 3) != 3 && (t & 2) != 2 && (t & 5) != 5;
}

std::string_view CheckMaskName(bool radio, Integer checkState) {
  if (checkState == 2) return "BOXGRAYED";
  if (radio) return checkState == 1 ? "RADIOCHECKED" : "RADIOUNCHECKED";
  return checkState == 1 ? "BOXCHECKED" : "BOXUNCHECKED";
}

TsGlyphSize CheckGlyphSize(const TsMaskData& mask, Integer ownBitmapWidth, Integer ownBitmapHeight) {
  if (ownBitmapWidth > 0 || ownBitmapHeight > 0) return TsGlyphSize{ownBitmapWidth / 3, ownBitmapHeight / 2};
  const Integer count = std::max<Integer>(1, mask.ImageCount);
  return TsGlyphSize{mask.R.Width() / count, MaskStateHeight(mask)};
}
