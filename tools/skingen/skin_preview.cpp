// Paints a contact sheet of a packed skin (or of the built-in skin as the generator makes it now) into a
// PNG: skin_preview OUT.png [SKIN.cvz]. The pack is read through the skin library's own reader.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinPreview.h"
#include "skin/manager/skSkinPack.h"
#include "vcl/rtl/Exceptions.h"

namespace {

std::string ContentOf(TMemoryStream& m) {
  return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: skin_preview OUT.png [SKIN.cvz]\n");
    return 2;
  }
  try {
    TskOptionsText options;
    TskRgbaImage master;
    if (argc == 3) {
      std::unique_ptr<TskSkinConvertor> pack;
      LoadPackedSkinFile(AnsiString(argv[2]), pack, true);
      if (!pack) throw Exception(std::string("cannot read ") + argv[2]);
      options = ParseOptionsText(ContentOf(*pack->Options));
      const std::string* masterName = options.Lookup("GLOBALINFO", "MASTERBITMAP");
      for (const TskImageItem& item : pack->ImageItems)
        if (masterName && item.Name == *masterName) master = DecodeBmp32(ContentOf(*item.Data));
      if (master.Width() == 0) throw Exception("the pack has no master bitmap");
    } else {
      TskBuiltinSkin skin = BuildBuiltinSkin();
      options = std::move(skin.Options);
      master = std::move(skin.Master);
    }
    const std::string png = EncodePng(PaintContactSheet(options, master));
    std::ofstream out(argv[1], std::ios::binary);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    if (!out.good()) throw Exception(std::string("cannot write ") + argv[1]);
    std::printf("%s\n", argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skin_preview: %s\n", e.what());
    return 1;
  }
}
