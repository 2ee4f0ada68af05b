// Skin sections for tests, read from an options text by the skin's own options reader, so that values
// and parent classes are stored as a skin gives them.
#pragma once
#include <string_view>
#include "skin/manager/sSkinOptions.h"
#include "vcl/rtl/Strings.h"

namespace skintest {

inline TsGeneralDataArray SectionsOf(std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  TMemIniFile ini(AnsiString(), true);
  ini.SetStrings(lines);
  TsGeneralDataArray sections;
  ReadSkinSections(ini, nullptr, [](Integer c) { return c; }, sections);
  return sections;
}

}  // namespace skintest
