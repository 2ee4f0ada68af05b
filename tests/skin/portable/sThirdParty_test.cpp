// The classes that are never skinned as top-level windows.
#include "skin/manager/sThirdParty.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "vcl/rtl/AnsiStrings.h"

TEST(NeverSkinnedClasses, FoundWithoutRegardToCaseAndNothingElse) {
  struct Case {
    const char* name;
    bool never;
  } cases[] = {{"TApplication", true}, {"tapplication", true}, {"TFCPOPUP", true}, {"TfcPopup", true},
               {"TApplicationX", false}, {"TApp", false}, {"TForm", false}, {"", false}, {"Zz", false}};
  for (const Case& c : cases) EXPECT_EQ(IsNeverSkinnedWindowClass(c.name), c.never) << c.name;
  EXPECT_TRUE(std::is_sorted(NeverSkinnedWindowClasses.begin(), NeverSkinnedWindowClasses.end(),
                             [](std::string_view a, std::string_view b) { return CompareText(a, b) < 0; }))
      << "the lookup searches by halves";
}
