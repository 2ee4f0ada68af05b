#include "engine/foundation/SQLMemExcept.h"

#include <gtest/gtest.h>

TEST(SQLMemException, MessageEndsInTheFiveDigitNativeError) {
  ESQLMemException e(30001, "Invalid pointer");
  EXPECT_EQ(e.Message(), "Invalid pointer - Native error: 30001");
  EXPECT_EQ(e.NativeError(), 30001);
  EXPECT_EQ(ESQLMemException::CreateFromFormat(2011, "x", {}).Message(), "x - Native error: 02011");
}

TEST(SQLMemException, FormatsArgumentsOrFallsBackOnAMismatch) {
  EXPECT_EQ(ESQLMemException::CreateFromFormat(10000, "Invalid field number - FieldNo = %d, FieldCount = %d", {3, 2})
                .Message(),
            "Invalid field number - FieldNo = 3, FieldCount = 2 - Native error: 10000");
  EXPECT_EQ(ESQLMemException::CreateFromFormat(30325, "Field '%s' not found", {1}).Message(),
            "Field '%s' not found Arguments are invalid! - Native error: 30325");
}

TEST(SQLMemException, RaiseHelpersThrowTheEngineException) {
  try {
    SQLMemError(30016, "Value is Null");
    FAIL();
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30016);
  }
  EXPECT_THROW(SQLMemError(30015, "GetMem error: %s", {"inner"}), Exception);
}
