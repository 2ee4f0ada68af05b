// A view of 32-bit pixels (bytes B, G, R, A; so a pixel read as a little-endian Cardinal is
// 0xAARRGGBB) in rows of a fixed stride, top row first. It borrows the memory of whatever holds the
// pixels: a DIB section's scan lines (whose rows run bottom-up in memory: a negative stride) or a
// plain buffer in tests.
#pragma once
#include <cstddef>
#include "vcl/rtl/SysTypes.h"

struct TsPixelView {
  Cardinal* Bits = nullptr;  // the top row's first pixel
  Integer Width = 0;
  Integer Height = 0;
  std::ptrdiff_t Stride = 0;  // pixels from one row to the next, negative for bottom-up storage

  Cardinal* Row(Integer y) const { return Bits + y * Stride; }
  Cardinal& At(Integer x, Integer y) const { return Row(y)[x]; }
  bool IsEmpty() const { return Bits == nullptr || Width <= 0 || Height <= 0; }
};

// A component-library colour (red in the low byte; the high byte is ignored) as an opaque pixel.
inline Cardinal ColorToPixel(Integer color) {
  const auto c = static_cast<Cardinal>(color);
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
