// Writes the title bar's menu-button picture (resources/skMENUBTN.bmp): three states side by side
// (normal, hot, pressed), each a rounded button whose corners are the key colour 0xFF00FF. The alpha
// byte holds the transparency (0 opaque), as the title bar's loader expects: it turns it into opacity
// and multiplies the colours by it.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kStateWidth = 24, kHeight = 20, kStates = 3;
constexpr uint32_t kKey = 0x00FF00FF;

struct StateLook {
  uint32_t fill, edge;
  int opacity;
};
constexpr StateLook kLooks[kStates] = {{0x3A4A60, 0x8090A8, 170}, {0x4A6A90, 0xA0B8D8, 210}, {0x203048, 0x607088, 235}};

bool Corner(int x, int y) {
  const int cx = x < 2 ? 2 - x : x > kStateWidth - 3 ? x - (kStateWidth - 3) : 0;
  const int cy = y < 2 ? 2 - y : y > kHeight - 3 ? y - (kHeight - 3) : 0;
  return cx * cx + cy * cy > 4;
}

uint32_t Pixel(int x, int y, int state) {
  if (Corner(x, y)) return kKey;
  const StateLook& look = kLooks[state];
  const bool edge = x == 0 || y == 0 || x == kStateWidth - 1 || y == kHeight - 1 || Corner(x - 1, y) ||
                    Corner(x + 1, y) || Corner(x, y - 1) || Corner(x, y + 1);
  const uint32_t transparency = static_cast<uint32_t>(255 - look.opacity);
  return (transparency << 24) | (edge ? look.edge : look.fill);
}

void Put16(std::string& out, uint32_t v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>(v >> 8 & 0xFF); }
void Put32(std::string& out, uint32_t v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " <output file>\n";
    return 2;
  }
  const int width = kStateWidth * kStates;
  const uint32_t pixelBytes = static_cast<uint32_t>(width * kHeight * 4);
  std::string bmp;
  bmp += "BM";
  Put32(bmp, 14 + 40 + pixelBytes);
  Put32(bmp, 0);
  Put32(bmp, 14 + 40);
  Put32(bmp, 40);
  Put32(bmp, static_cast<uint32_t>(width));
  Put32(bmp, static_cast<uint32_t>(kHeight));  // bottom-up
  Put16(bmp, 1);
  Put16(bmp, 32);
  Put32(bmp, 0);  // BI_RGB
  Put32(bmp, pixelBytes);
  Put32(bmp, 2835), Put32(bmp, 2835), Put32(bmp, 0), Put32(bmp, 0);
  for (int y = kHeight - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) Put32(bmp, Pixel(x % kStateWidth, y, x / kStateWidth));
  std::ofstream out(argv[1], std::ios::binary);
  out.write(bmp.data(), static_cast<std::streamsize>(bmp.size()));
  if (!out) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
