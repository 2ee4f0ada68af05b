#include "skin/adapters/skSBSmallGeometry.h"

#include <string_view>

TRect ComboButtonRect(Integer width, Integer height, bool hasButton, bool leftSide, Integer scrollWidth) {
  const Integer a = hasButton ? scrollWidth : 0;
  const Integer left = leftSide ? 2 : width - a - 2;
  return TRect{left, 2, left + a, height - 2};
}

Integer ComboGlyphHeight(const TsMaskData* mask) { return mask != nullptr ? MaskStateHeight(*mask) : 16; }

TPoint CentredGlyphOrigin(const TRect& rect, Integer glyphWidth, Integer glyphHeight) {
  return TPoint{rect.Left + (rect.Width() - glyphWidth) / 2, rect.Top + (rect.Height() - glyphHeight) / 2};
}

TskUpDownRects UpDownButtonRects(Integer width, Integer height, bool vertical) {
  if (vertical) return {TRect{0, 0, width, (height + 1) / 2}, TRect{0, height / 2, width, height}};
  return {TRect{0, 0, (width + 1) / 2, height}, TRect{width / 2, 0, width, height}};
}

TskUpDownStates UpDownStates(const TRect& windowRect, TPoint cursor, bool vertical, bool mouseDown) {
  const bool inside = cursor.X >= windowRect.Left && cursor.X < windowRect.Right && cursor.Y >= windowRect.Top &&
                      cursor.Y < windowRect.Bottom;
  if (!inside) return {};
  const Integer state = mouseDown ? 2 : 1;
  const bool first = vertical ? cursor.Y < windowRect.Bottom - windowRect.Height() / 2
                              : cursor.X < windowRect.Right - windowRect.Width() / 2;
  return first ? TskUpDownStates{state, 0} : TskUpDownStates{0, state};
}

AnsiString LinkDisplayText(const AnsiString& text) {
  AnsiString shown;
  shown.reserve(text.size());
  const std::string_view source(text);
  for (size_t i = 0; i < source.size();) {
    if (source.compare(i, 3, "<A>") == 0) {
      i += 3;
    } else if (source.compare(i, 4, "</A>") == 0) {
      i += 4;
    } else {
      shown += source[i++];
    }
  }
  return shown;
}
