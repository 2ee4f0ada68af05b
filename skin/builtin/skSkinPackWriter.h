// Writes packed skins ("CVzf"), the container that skin/manager/skSkinPack.h reads: the entry count,
// then per entry its name, unpacked size and a zlib stream of its bytes (level 9).
#pragma once
#include <string>
#include <vector>

struct TskPackEntry {
  std::string Name;  // 8-bit, written without terminator
  std::string Data;
};

// Raises Exception for an empty entry: a zero-size entry has no stream a reader could find its end by.
std::string WritePackedSkin(const std::vector<TskPackEntry>& entries);
