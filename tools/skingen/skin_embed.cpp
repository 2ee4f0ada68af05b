// skin_embed: writes a packed skin into a form definition as a stored skin's "Data", so that the
// definition carries exactly the bytes of the pack. The stored skin is the item whose Name line names
// the skin; its "Data = { ... }" block is replaced, everything else of the definition is kept.
//
//   skin_embed <pack.cvz> <definition.qfm> ["<skin name>"]     (default name: XPLuna (internal))
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include "vcl/rtl/Writer.h"

namespace {

bool ReadWhole(const char* path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: skin_embed <pack.cvz> <definition.qfm> [\"<skin name>\"]\n");
    return 2;
  }
  const std::string name = argc == 4 ? argv[3] : "XPLuna (internal)";
  std::string pack, text;
  if (!ReadWhole(argv[1], pack) || !ReadWhole(argv[2], text)) {
    std::fprintf(stderr, "skin_embed: cannot read %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  const size_t item = text.find("Name = " + DefinitionStringLiteral(name));
  const size_t data = item == std::string::npos ? item : text.find("Data = {", item);
  const size_t close = data == std::string::npos ? data : text.find('}', data);
  if (close == std::string::npos) {
    std::fprintf(stderr, "skin_embed: %s has no stored skin %s with a Data block\n", argv[2], name.c_str());
    return 1;
  }
  // The hex lines are indented one level deeper than the "Data" line.
  const size_t lineStart = text.rfind('\n', data) + 1;
  const int level = static_cast<int>(data - lineStart) / 2 + 1;
  const size_t open = data + std::string("Data = ").size();
  text.replace(open, close + 1 - open, DefinitionBinaryLiteral(pack.data(), pack.size(), level));
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << text;
  return out ? 0 : 1;
}
