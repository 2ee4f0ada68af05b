#include "skin/manager/sThirdParty.h"

#include <algorithm>

#include "vcl/rtl/AnsiStrings.h"

bool IsNeverSkinnedWindowClass(std::string_view className) {
  const auto& list = NeverSkinnedWindowClasses;
  const auto it = std::lower_bound(list.begin(), list.end(), className, [](std::string_view entry, std::string_view name) {
    return CompareText(entry, name) < 0;
  });
  return it != list.end() && CompareText(*it, className) == 0;
}
