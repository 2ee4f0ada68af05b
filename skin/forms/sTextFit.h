// Fitting a caption into a width: the text shortened with "..." until it fits. Portable: the width of
// a text comes from a measure the caller gives (a canvas's TextWidth on Windows, a table in tests).
#pragma once
#include <functional>
#include "vcl/rtl/SysTypes.h"

using TskTextMeasure = std::function<Integer(const AnsiString& text)>;

// The text when it fits in width (width above 0); else the longest start of it that fits with "..."
// after it, with the "..." appended. Empty when width is 0 or less, or when not even the first
// character fits with "..." (never "..." alone).
AnsiString ShortenTextToWidth(const AnsiString& text, Integer width, const TskTextMeasure& measure);
