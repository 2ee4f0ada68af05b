// Writes the two built-in shadow images into a folder (tools/make-shadow-images passes resources/).
#include <fstream>
#include <iostream>
#include <string>

#include "ShadowImages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " <output folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  const struct {
    const char* file;
    int darkest;
  } images[] = {{"skSHDA.png", shadow_images::kActiveAlpha}, {"skSHDI.png", shadow_images::kInactiveAlpha}};
  for (const auto& image : images) {
    const std::string path = folder + "/" + image.file;
    std::ofstream out(path, std::ios::binary);
    const std::string png = shadow_images::ShadowPNG(image.darkest);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
