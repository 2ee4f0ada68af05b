// The skin library's two built-in window shadows, drawn here and written as PNG files
// (resources/skSHDA.png for active windows, resources/skSHDI.png for inactive ones).
//
// Each image is a 19x19 frame template: 9-pixel corners around a 1-pixel middle that the frame painter
// stretches along the window's edges; the middle pixel is where the window itself lies and stays clear.
// Pixels are black with an alpha that falls off smoothly from the window's edge outwards, rounded at the
// corners, so that the premultiplied form the layered window needs equals the plain one.
//
// Header-only so that the generator (main.cpp) and the test that checks the stored files against it
// share one drawing.
#pragma once
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace shadow_images {

inline constexpr int kSize = 19;       // width and height
inline constexpr int kCentre = 9;      // the window's pixel
inline constexpr int kActiveAlpha = 84;    // darkest alpha, next to an active window
inline constexpr int kInactiveAlpha = 42;  // the same for an inactive window

// Alpha of the pixel at (x, y) for a shadow whose darkest alpha is `darkest`.
inline int ShadowAlpha(int x, int y, int darkest) {
  const double dx = x - kCentre;
  const double dy = y - kCentre;
  const double distance = std::sqrt(dx * dx + dy * dy);
  if (distance < 0.5) return 0;  // under the window
  constexpr double reach = kCentre + 0.5;
  const double u = 1.0 - (distance - 1.0) / (reach - 1.0);  // 1 next to the window, 0 at the reach
  if (u <= 0) return 0;
  const double smooth = u * u * (3 - 2 * u);
  return static_cast<int>(std::lround(darkest * smooth));
}

// The image's pixels as R, G, B, A bytes, row by row.
inline std::vector<std::uint8_t> ShadowRGBA(int darkest) {
  std::vector<std::uint8_t> rgba;
  rgba.reserve(kSize * kSize * 4);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      rgba.insert(rgba.end(), {0, 0, 0, static_cast<std::uint8_t>(ShadowAlpha(x, y, darkest))});
    }
  }
  return rgba;
}

namespace detail {

inline void PutBE32(std::string& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s & 0xFF);
}

inline void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBE32(out, static_cast<std::uint32_t>(data.size()));
  const std::string typed = type + data;
  out += typed;
  PutBE32(out, static_cast<std::uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

}  // namespace detail

// A PNG file (8-bit RGBA, no interlace, filter 0 on every row) of a width x height RGBA image.
inline std::string EncodePNG(int width, int height, const std::vector<std::uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) {
    throw std::invalid_argument("EncodePNG: pixel count does not match the size");
  }
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter type None
    raw.append(reinterpret_cast<const char*>(rgba.data()) + static_cast<size_t>(y) * width * 4,
               static_cast<size_t>(width) * 4);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 9) != Z_OK) {
    throw std::runtime_error("EncodePNG: zlib failed");
  }
  packed.resize(packedSize);

  std::string header;
  detail::PutBE32(header, static_cast<std::uint32_t>(width));
  detail::PutBE32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // depth 8, RGBA, deflate, adaptive filters, no interlace

  std::string png("\x89PNG\r\n\x1a\n", 8);
  detail::PutChunk(png, "IHDR", header);
  detail::PutChunk(png, "IDAT", packed);
  detail::PutChunk(png, "IEND", std::string());
  return png;
}

inline std::string ShadowPNG(int darkest) { return EncodePNG(kSize, kSize, ShadowRGBA(darkest)); }

}  // namespace shadow_images
