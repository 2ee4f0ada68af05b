#include "skin/builtin/skSkinImage.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinTables.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

namespace {

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}
void PutBE32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s & 0xFF);
}
uint32_t GetLE(const std::string& in, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(in[at + i]);
  return v;
}

uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
  uint32_t out = 0xFF000000u;
  for (int s = 0; s <= 16; s += 8) {
    const int ca = a >> s & 0xFF, cb = b >> s & 0xFF;
    out |= static_cast<uint32_t>(ca + (cb - ca) * num / den) << s;
  }
  return out;
}

void PutPngChunk(std::string& out, const char* type, const std::string& data) {
  PutBE32(out, static_cast<uint32_t>(data.size()));
  const std::string typed = type + data;
  out += typed;
  PutBE32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

}  // namespace

TskRgbaImage::TskRgbaImage(int width, int height, uint32_t fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void TskRgbaImage::Set(int x, int y, uint32_t p) {
  if (Contains(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = p;
}

TsPixelView TskRgbaImage::View() {
  return TsPixelView{reinterpret_cast<Cardinal*>(pixels_.data()), width_, height_, width_};
}

void TskRgbaImage::Fill(const TRect& r, uint32_t p) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) Set(x, y, p);
}

void TskRgbaImage::Frame(const TRect& r, uint32_t p) {
  for (int x = r.Left; x < r.Right; ++x) {
    Set(x, r.Top, p);
    Set(x, r.Bottom - 1, p);
  }
  for (int y = r.Top; y < r.Bottom; ++y) {
    Set(r.Left, y, p);
    Set(r.Right - 1, y, p);
  }
}

void TskRgbaImage::VerticalGradient(const TRect& r, uint32_t top, uint32_t bottom) {
  const int rows = r.Height();
  for (int y = 0; y < rows; ++y)
    Fill({r.Left, r.Top + y, r.Right, r.Top + y + 1}, rows > 1 ? Mix(top, bottom, y, rows - 1) : top);
}

void TskRgbaImage::RoundedPlate(const TRect& r, int radius, uint32_t border, uint32_t face, uint32_t faceBottom) {
  VerticalGradient(r, face, faceBottom);
  Frame(r, border);
  if (radius <= 0) return;
  // Each corner: pixels whose centre lies outside the circle become key, those within a pixel of its
  // edge become outline.
  for (int dy = 0; dy < radius; ++dy) {
    for (int dx = 0; dx < radius; ++dx) {
      const double ox = radius - dx - 0.5, oy = radius - dy - 0.5;
      const double d = std::sqrt(ox * ox + oy * oy);
      const int xs[2] = {r.Left + dx, r.Right - 1 - dx}, ys[2] = {r.Top + dy, r.Bottom - 1 - dy};
      for (int x : xs)
        for (int y : ys) {
          if (d > radius) Set(x, y, kKeyPixel);
          else if (d > radius - 1.2) Set(x, y, border);
        }
    }
  }
}

void TskRgbaImage::Line(int x0, int y0, int x1, int y1, uint32_t p) {
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, p);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x0 += sx; }
    if (e2 <= dx) { err += dx; y0 += sy; }
  }
}

void TskRgbaImage::Disc(double cx, double cy, double radius, uint32_t p) {
  for (int y = static_cast<int>(cy - radius) - 1; y <= static_cast<int>(cy + radius) + 1; ++y)
    for (int x = static_cast<int>(cx - radius) - 1; x <= static_cast<int>(cx + radius) + 1; ++x) {
      const double ox = x + 0.5 - cx, oy = y + 0.5 - cy;
      if (ox * ox + oy * oy <= radius * radius) Set(x, y, p);
    }
}

void TskRgbaImage::Blit(const TskRgbaImage& src, const TRect& from, int x, int y, bool keyed) {
  for (int sy = from.Top; sy < from.Bottom; ++sy)
    for (int sx = from.Left; sx < from.Right; ++sx) {
      if (!src.Contains(sx, sy)) continue;
      const uint32_t p = src.At(sx, sy);
      if (!keyed || p != kKeyPixel) Set(x + sx - from.Left, y + sy - from.Top, p);
    }
}

std::string EncodeBmp32(const TskRgbaImage& image) {
  const uint32_t dataSize = static_cast<uint32_t>(image.Width()) * image.Height() * 4;
  std::string out = "BM";
  PutLE(out, 14 + 40 + dataSize, 4);
  PutLE(out, 0, 4);        // reserved
  PutLE(out, 14 + 40, 4);  // offset of the pixels
  PutLE(out, 40, 4);       // BITMAPINFOHEADER
  PutLE(out, static_cast<uint32_t>(image.Width()), 4);
  PutLE(out, static_cast<uint32_t>(image.Height()), 4);  // positive: bottom-up
  PutLE(out, 1, 2);
  PutLE(out, 32, 2);
  PutLE(out, 0, 4);  // BI_RGB
  PutLE(out, dataSize, 4);
  PutLE(out, 2835, 4);  // 72 dpi
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = image.Height() - 1; y >= 0; --y)
    for (int x = 0; x < image.Width(); ++x) PutLE(out, image.At(x, y), 4);
  return out;
}

TskRgbaImage DecodeBmp32(const std::string& file) {
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0 || GetLE(file, 28, 2) != 32 || GetLE(file, 30, 4) != 0)
    throw Exception("not a 32-bit BI_RGB bitmap");
  const uint32_t offset = GetLE(file, 10, 4);
  const int32_t width = static_cast<int32_t>(GetLE(file, 18, 4)), height = static_cast<int32_t>(GetLE(file, 22, 4));
  const int64_t rows = std::abs(static_cast<int64_t>(height));
  if (width <= 0 || rows == 0 || width > 9999 || rows > 9999 ||
      offset + static_cast<uint64_t>(width) * rows * 4 > file.size())
    throw Exception("damaged bitmap");
  TskRgbaImage image(width, static_cast<int>(rows));
  for (int y = 0; y < rows; ++y) {
    const int target = height > 0 ? static_cast<int>(rows) - 1 - y : y;
    for (int x = 0; x < width; ++x)
      image.Set(x, target, GetLE(file, offset + (static_cast<size_t>(y) * width + x) * 4, 4));
  }
  return image;
}

std::string EncodePng(const TskRgbaImage& image) {
  std::string raw;
  raw.reserve(static_cast<size_t>(image.Width() * 4 + 1) * image.Height());
  for (int y = 0; y < image.Height(); ++y) {
    raw += '\0';
    for (int x = 0; x < image.Width(); ++x) {
      const uint32_t p = image.At(x, y);
      for (int s : {16, 8, 0, 24}) raw += static_cast<char>(p >> s & 0xFF);
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string z(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 9) != Z_OK)
    throw Exception("PNG compression failed");
  z.resize(size);
  std::string header;
  PutBE32(header, static_cast<uint32_t>(image.Width()));
  PutBE32(header, static_cast<uint32_t>(image.Height()));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, filter 0, no interlace
  std::string out("\x89PNG\r\n\x1a\n", 8);
  PutPngChunk(out, "IHDR", header);
  PutPngChunk(out, "IDAT", z);
  PutPngChunk(out, "IEND", "");
  return out;
}

TsImageDecoders GeneratorImageDecoders() {
  TsImageDecoders decoders;
  decoders.Bitmap = [](TStream& data) {
    std::string file(static_cast<size_t>(data.Size() - data.Position()), '\0');
    if (!file.empty()) data.ReadBuffer(file.data(), static_cast<Integer>(file.size()));
    const TskRgbaImage bmp = DecodeBmp32(file);
    auto image = std::make_shared<TsSkinImage>();
    image->Width = bmp.Width();
    image->Height = bmp.Height();
    image->Pixels = bmp.Pixels();
    NormalizeKeyPixels(image->View());
    return image;
  };
  return decoders;
}
