// Shared fixtures of the engine's tests: the engine started, and every engine block a test takes given
// back when its objects are gone; and the check of a raised engine error's code and text.
#pragma once
#include <gtest/gtest.h>

#include <functional>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "vcl/rtl/FormatSettings.h"

class EngineBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    allocatedBefore_ = MemoryManager().Allocated();
  }
  void TearDown() override { EXPECT_EQ(MemoryManager().Allocated(), allocatedBefore_) << "engine blocks leaked"; }

 private:
  Int64 allocatedBefore_ = 0;
};

// The same under the English format settings, for tests that pin texts of numbers and dates.
class EnglishEngineBlocksTest : public EngineBlocksTest {
 private:
  TFormatSettingsScope english_{EnglishFormatSettings()};
};

template <class F>
void ExpectEngineError(F f, Integer code, const AnsiString& message) {
  try {
    f();
    ADD_FAILURE() << "no error, expected " << code;
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), code);
    EXPECT_EQ(e.Message(), message);
  }
}

// The native code of the engine error that action raises; 0 when it raises none.
inline Integer NativeErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESQLMemException& e) {
    return e.NativeError();
  }
  return 0;
}
