// Pixel buffers for the painting tests, and golden images: a painted buffer is compared pixel for pixel
// (tolerance 0) with a PNG kept under tests/data/skin. Run a test program with QN_WRITE_GOLDEN=1 to
// (re)write the PNGs from the current painters, then look at them before committing.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>
#include "skin/manager/sPixelView.h"
#include "skin/manager/skPNG.h"
#include "skin/portable/SkinFixtures.h"

namespace skintest {

constexpr Cardinal Argb(Cardinal a, Cardinal r, Cardinal g, Cardinal b) { return a << 24 | r << 16 | g << 8 | b; }

// A top-down 32-bit buffer filled with one value.
struct Pixels {
  Pixels(Integer width, Integer height, Cardinal fill = 0)
      : data(static_cast<size_t>(width) * static_cast<size_t>(height), fill), view{data.data(), width, height, width} {}
  Pixels(const Pixels& other) : data(other.data), view{data.data(), other.view.Width, other.view.Height, other.view.Width} {}
  Pixels& operator=(const Pixels&) = delete;
  Cardinal operator()(Integer x, Integer y) const { return view.At(x, y); }
  Cardinal& operator()(Integer x, Integer y) { return view.At(x, y); }
  std::vector<Cardinal> data;
  TsPixelView view;
};

inline std::string GoldenPath(const std::string& name) {
  return TestDataRoot() + "/skin/" + name;
}

// An RGBA PNG of the pixels, alpha kept.
inline Bytes EncodePng(const Pixels& p) {
  const SampleFn sample = [&](uint32_t x, uint32_t y) {
    const Cardinal v = p(static_cast<Integer>(x), static_cast<Integer>(y));
    return std::vector<uint32_t>{v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF, v >> 24};
  };
  return Serialize(PngChunks(static_cast<uint32_t>(p.view.Width), static_cast<uint32_t>(p.view.Height), 8, 6,
                             false, sample));
}

// Compares the painted pixels with the golden PNG, naming the first pixels that differ.
inline void ExpectMatchesGolden(const Pixels& painted, const std::string& name) {
  if (std::getenv("QN_WRITE_GOLDEN") != nullptr) {
    std::ofstream out(GoldenPath(name), std::ios::binary);
    const Bytes png = EncodePng(painted);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return;
  }
  auto stream = StreamOf(ReadDataFile("skin/" + name));
  const TPNGPixels golden = ReadPNG(*stream);
  ASSERT_EQ(golden.Width, painted.view.Width) << name;
  ASSERT_EQ(golden.Height, painted.view.Height) << name;
  int differences = 0;
  for (Integer y = 0; y < golden.Height; ++y)
    for (Integer x = 0; x < golden.Width; ++x)
      if (golden.Pixel(x, y) != painted(x, y) && ++differences <= 5)
        ADD_FAILURE() << name << " differs at (" << x << ", " << y << "): golden " << std::hex << golden.Pixel(x, y)
                      << ", painted " << painted(x, y);
  EXPECT_EQ(differences, 0) << name;
}

}  // namespace skintest
