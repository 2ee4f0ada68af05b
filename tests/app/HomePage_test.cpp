// The home page: the stored address deciphers to the program's home page, and opening it goes to
// the shell's "open" (here the test's hook, so no browser starts).
#include <gtest/gtest.h>

#include <vector>

#include "app/HomePage.h"

TEST(HomePage, OpensTheDecipheredAddressWithTheShell) {
  EXPECT_EQ(HomePageAddress(), "http://www.quillnote.hu");
  EXPECT_EQ(sizeof kHomePageCipherText - 1, 32u);

  std::vector<AnsiString> opened;
  const TShellOpenHook previous = SetShellOpenHook([&](const AnsiString& target) { opened.push_back(target); });
  OpenHomePage();
  SetShellOpenHook(previous);
  EXPECT_EQ(opened, std::vector<AnsiString>{"http://www.quillnote.hu"});
}
