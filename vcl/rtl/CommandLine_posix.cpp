#include <fstream>
#include <iterator>
#include <string>

#include "vcl/rtl/CommandLine.h"
#include "vcl/rtl/TextConv.h"

std::vector<WideString> ProgramArguments() {
  // The kernel keeps the arguments as the program got them, each ended by a zero byte.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<WideString> items;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    items.push_back(Utf8ToUtf16(std::string_view(all).substr(start, end - start)));
    start = end + 1;
  }
  if (!items.empty()) items.erase(items.begin());
  return items;
}
