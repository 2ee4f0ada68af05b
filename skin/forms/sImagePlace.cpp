#include "skin/forms/sImagePlace.h"

namespace {

Integer Centred(Integer from, Integer to, Integer size) { return from + (to - from - size) / 2; }

}  // namespace

TRect CalcImageRect(const TRect& rect, Integer width, Integer height, TsImageLayout layout, TAlignment alignment,
                     bool rightToLeft) {
  if (rightToLeft) {
    if (layout == ilLeft) {
      layout = ilRight;
    } else if (layout == ilRight) {
      layout = ilLeft;
    }
    if (alignment == taLeftJustify) {
      alignment = taRightJustify;
    } else if (alignment == taRightJustify) {
      alignment = taLeftJustify;
    }
  }
  Integer left = Centred(rect.Left, rect.Right, width);
  Integer top = Centred(rect.Top, rect.Bottom, height);
  switch (layout) {
    case ilLeft: left = rect.Left; break;
    case ilRight: left = rect.Right - width; break;
    case ilTop:
    case ilBottom:
      top = layout == ilTop ? rect.Top : rect.Bottom - height;
      if (alignment == taLeftJustify) left = rect.Left;
      if (alignment == taRightJustify) left = rect.Right - width;
      break;
    case ilCenter: break;
  }
  return TRect{left, top, left + width, top + height};
}
