// Where the checked-in test data (tests/data) lies: QN_TEST_DATA when it is set (CTest sets it), else
// the folder the build was configured from, so a test program also runs by itself from any folder.
#pragma once
#include <cstdlib>
#include <string>

inline std::string TestDataRoot() {
  const char* root = std::getenv("QN_TEST_DATA");
  if (root != nullptr && *root != '\0') return root;
#ifdef QN_TEST_DATA_DIR
  return QN_TEST_DATA_DIR;
#else
  return "tests/data";
#endif
}
