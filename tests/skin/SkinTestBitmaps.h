// 32-bit bitmaps for the skin tests: one filled with a value, and pixel reads through the scan lines.
#pragma once
#include <memory>

#include "vcl/gui/Bitmap.h"

namespace skintest {

inline Cardinal PixelOf(TBitmap& b, Integer x, Integer y) { return static_cast<const Cardinal*>(b.ScanLine(y))[x]; }

// A 32-bit bitmap filled with one value.
inline std::unique_ptr<TBitmap> Filled(Integer w, Integer h, Cardinal value) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(w, h);
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) static_cast<Cardinal*>(b->ScanLine(y))[x] = value;
  return b;
}

}  // namespace skintest
