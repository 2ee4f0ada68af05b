#include "skin/forms/sTextFit.h"

AnsiString ShortenTextToWidth(const AnsiString& text, Integer width, const TskTextMeasure& measure) {
  if (width <= 0) return {};
  if (measure(text) <= width) return text;
  AnsiString out = text;
  while (!out.empty() && measure(out + "...") > width) out.pop_back();
  return out.empty() ? out : out + "...";
}
