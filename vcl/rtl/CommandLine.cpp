#include "vcl/rtl/CommandLine.h"

#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

std::vector<WideString> SplitCommandLine(std::u16string_view line) {
  std::vector<WideString> items;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && line[i] > 0 && line[i] <= u' ') ++i;
    if (i >= line.size()) break;
    WideString item;
    bool quoted = false;
    for (; i < line.size() && (quoted || line[i] > u' '); ++i) {
      if (line[i] == u'"') {
        quoted = !quoted;
      } else {
        item += line[i];
      }
    }
    items.push_back(std::move(item));
  }
  return items;
}

Integer ParamCount() { return static_cast<Integer>(ProgramArguments().size()); }

AnsiString ParamStr(Integer index) {
  if (index == 0) return Utf16ToCp1250(os::ExecutablePath());
  const std::vector<WideString> args = ProgramArguments();
  if (index < 0 || index > static_cast<Integer>(args.size())) return AnsiString();
  return Utf16ToCp1250(args[static_cast<std::size_t>(index - 1)]);
}
