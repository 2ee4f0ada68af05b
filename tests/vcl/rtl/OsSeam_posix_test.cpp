// The native text locale follows the environment, with Hungarian standing in for the C locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "vcl/rtl/OsSeam.h"

namespace {

class EnvironmentLocale : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : kVars) {
      const char* value = std::getenv(v);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(v);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) setenv(kVars[i], saved_[i]->c_str(), 1);
      else unsetenv(kVars[i]);
    }
    os::SetTextLocale("");
  }
  static constexpr const char* kVars[] = {"LC_ALL", "LC_COLLATE", "LANG"};
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(EnvironmentLocale, DefaultFollowsLcAllThenLcCollateThenLang) {
  struct Case {
    const char* lcAll;
    const char* lcCollate;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, "hu-HU"},          // nothing chosen
      {"C", nullptr, "de_DE.UTF-8", "hu-HU"},        // LC_ALL wins, and C means Hungarian
      {"POSIX", nullptr, nullptr, "hu-HU"},
      {"C.UTF-8", nullptr, nullptr, "hu-HU"},
      {nullptr, nullptr, "de_DE.UTF-8", "de-DE"},
      {nullptr, "sv_SE.UTF-8", "de_DE.UTF-8", "sv-SE"},
      {"fr_FR.UTF-8@euro", "sv_SE", nullptr, "fr-FR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    for (size_t i = 0; i < 3; ++i) {
      const char* value = i == 0 ? c.lcAll : i == 1 ? c.lcCollate : c.lang;
      if (value) setenv(kVars[i], value, 1);
      else unsetenv(kVars[i]);
    }
    ASSERT_TRUE(os::SetTextLocale(""));
    EXPECT_EQ(os::TextLocaleName(), c.expected);
  }
}

}  // namespace
