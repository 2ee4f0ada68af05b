// The pixel buffer that the skin generator draws into, with the few primitives the built-in skin is
// made of (fills, frames, gradients, rounded plates, lines, discs), and the two file forms it writes:
// a 32-bit BMP for the skin's master bitmap and an RGBA PNG for review sheets.
//
// Pixels are 0xAARRGGBB, top row first (the layout of a 32-bit bitmap's scan line read as a
// little-endian integer). The key colour that skins treat as "no pixel" is exactly kKeyPixel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "skin/forms/sPixelRoutines.h"  // kKeyPixel, the painters' own key colour
#include "skin/manager/sConst.h"
#include "skin/manager/sPixelView.h"

// An opaque pixel from 8-bit channels.
constexpr uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}
// The component-library colour value (red in the low byte) of an opaque pixel.
constexpr int32_t PixelToColor(uint32_t p) {
  return static_cast<int32_t>((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16);
}

class TskRgbaImage {
 public:
  TskRgbaImage() = default;
  TskRgbaImage(int width, int height, uint32_t fill = kKeyPixel);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  // Sets one pixel; pixels outside the image are ignored (every primitive clips through it).
  void Set(int x, int y, uint32_t p);
  TsPixelView View();

  void Fill(const TRect& r, uint32_t p);
  void Frame(const TRect& r, uint32_t p);  // the 1-pixel outline of r
  void VerticalGradient(const TRect& r, uint32_t top, uint32_t bottom);
  // A plate with rounded corners: the pixels outside the rounding become the key colour, the outline
  // takes `border`, the inside `face` (a gradient from `face` to `faceBottom`).
  void RoundedPlate(const TRect& r, int radius, uint32_t border, uint32_t face, uint32_t faceBottom);
  void Line(int x0, int y0, int x1, int y1, uint32_t p);
  void Disc(double cx, double cy, double radius, uint32_t p);
  // Copies src's rectangle to (x, y); with keyed, key pixels of src are skipped.
  void Blit(const TskRgbaImage& src, const TRect& from, int x, int y, bool keyed);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// A bottom-up BI_RGB bitmap file with 32 bits per pixel (alpha kept as stored).
std::string EncodeBmp32(const TskRgbaImage& image);
// Reads what EncodeBmp32 writes (32-bit BI_RGB, either row order); raises Exception otherwise.
TskRgbaImage DecodeBmp32(const std::string& file);
// An 8-bit RGBA PNG (filter 0 on every row, zlib level 9).
std::string EncodePng(const TskRgbaImage& image);

// The skin reader's decoders for the files the generator writes (32-bit BMP), where the GUI layer's
// picture classes are not at hand: the native tools, tests and fuzz targets read packs through these.
struct TsImageDecoders;
TsImageDecoders GeneratorImageDecoders();
