// Writes the diary's built-in skin as a packed skin file: skingen OUT.cvz
#include <cstdio>
#include <fstream>
#include <string>
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinLint.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skingen OUT.cvz\n");
    return 2;
  }
  const TskBuiltinSkin skin = BuildBuiltinSkin();
  std::vector<std::string> problems = LintSkinOptions(skin.OptionsText, skin.Master.Width(), skin.Master.Height());
  for (const std::vector<std::string>& more : {LintMasterBitmap(skin.Master), LintPack(skin.Pack)})
    problems.insert(problems.end(), more.begin(), more.end());
  for (const std::string& p : problems) std::fprintf(stderr, "skingen: %s\n", p.c_str());
  if (!problems.empty()) return 1;
  std::ofstream out(argv[1], std::ios::binary);
  out.write(skin.Pack.data(), static_cast<std::streamsize>(skin.Pack.size()));
  if (!out.good()) {
    std::fprintf(stderr, "skingen: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes, %zu sections, master %dx%d\n", argv[1], skin.Pack.size(), skin.Options.Sections.size(),
              skin.Master.Width(), skin.Master.Height());
  return 0;
}
