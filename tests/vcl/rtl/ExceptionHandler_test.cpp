// The installable application exception handler: the most recent installation handles, removal by
// owner in any order, no handler means "re-raise", and a failing handler stops nothing.
#include "vcl/rtl/ExceptionHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vcl/rtl/Exceptions.h"

namespace {

std::vector<std::string> gReports;

TExceptionHandler Reporter(std::string who) {
  return [who](TObject*) {
    try {
      throw;
    } catch (const Exception& e) {
      gReports.push_back(who + ": " + std::string(e.Message()));
    }
  };
}

bool Raise(const char* text) {
  try {
    throw Exception(text);
  } catch (...) {
    return HandleApplicationException(nullptr);
  }
}

}  // namespace

TEST(ExceptionHandler, LatestInstallationHandlesUntilItIsRemoved) {
  gReports.clear();
  EXPECT_FALSE(ExceptionHandlerInstalled());
  EXPECT_FALSE(Raise("nobody"));

  int first = 0, second = 0;
  InstallExceptionHandler(&first, Reporter("first"));
  InstallExceptionHandler(&second, Reporter("second"));
  EXPECT_TRUE(Raise("a"));
  RemoveExceptionHandler(&first);  // out of order: the later one still handles
  EXPECT_TRUE(Raise("b"));
  RemoveExceptionHandler(&second);
  EXPECT_FALSE(Raise("c"));
  RemoveExceptionHandler(&second);  // twice: nothing happens
  EXPECT_EQ(gReports, (std::vector<std::string>{"second: a", "second: b"}));
}

TEST(ExceptionHandler, FailingHandlerCountsAsHandled) {
  int owner = 0;
  InstallExceptionHandler(&owner, [](TObject*) { throw Exception("worse"); });
  EXPECT_TRUE(Raise("bad"));
  RemoveExceptionHandler(&owner);
}
