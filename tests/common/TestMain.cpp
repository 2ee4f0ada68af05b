// Entry point of every test program: GoogleTest, with Windows error boxes switched off so that a
// crash under Wine ends the program instead of waiting for a click. The process-wide format
// settings start from the machine's locale; tests pin the English profile so that they do not
// depend on it (a test that needs another profile sets it with TFormatSettingsScope).
#include <gtest/gtest.h>

#include "vcl/rtl/FormatSettings.h"
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#endif
  FormatSettings() = EnglishFormatSettings();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
