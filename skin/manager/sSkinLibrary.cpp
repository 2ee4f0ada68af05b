#include "skin/manager/sSkinLibrary.h"

#include "vcl/rtl/AnsiStrings.h"

bool HasSkinVersionSwitch(const std::vector<AnsiString>& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (LowerCase(arguments[i]) == "/skver") return true;
  }
  return false;
}
