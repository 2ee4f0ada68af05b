#include "skin/builtin/skSkinPackWriter.h"

#include <zlib.h>

#include "vcl/rtl/Exceptions.h"

namespace {

void PutLE32(std::string& out, uint32_t v) {
  for (int s = 0; s <= 24; s += 8) out += static_cast<char>(v >> s & 0xFF);
}

}  // namespace

std::string WritePackedSkin(const std::vector<TskPackEntry>& entries) {
  std::string out = "CVzf";
  PutLE32(out, static_cast<uint32_t>(entries.size()));
  for (const TskPackEntry& e : entries) {
    if (e.Data.empty()) throw Exception("packed skin entry " + e.Name + " is empty");
    uLongf size = compressBound(static_cast<uLong>(e.Data.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(e.Data.data()),
                  static_cast<uLong>(e.Data.size()), 9) != Z_OK)
      throw Exception("cannot compress packed skin entry " + e.Name);
    z.resize(size);
    PutLE32(out, static_cast<uint32_t>(e.Name.size()));
    out += e.Name;
    PutLE32(out, static_cast<uint32_t>(e.Data.size()));
    out += z;
  }
  return out;
}
