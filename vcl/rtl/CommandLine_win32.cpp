#include <windows.h>

#include "vcl/rtl/CommandLine.h"

std::vector<WideString> ProgramArguments() {
  const wchar_t* line = GetCommandLineW();
  std::vector<WideString> items = SplitCommandLine(reinterpret_cast<const char16_t*>(line));
  if (!items.empty()) items.erase(items.begin());
  return items;
}
