#include "engine/foundation/SQLMemSettings.h"

#include <gtest/gtest.h>

#include "engine/foundation/SQLMemMemory.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// Each test starts from a stopped foundation with a fixed memory figure, and leaves it stopped.
class EngineStartup : public testing::Test {
 protected:
  void SetUp() override {
    FinalizeEngineFoundation();
    previous_ = SetAvailableMemorySource([this] { return available_; });
  }
  void TearDown() override {
    FinalizeEngineFoundation();
    SetAvailableMemorySource(previous_);
  }

  Int64 available_ = Int64{2147483648};  // 2 GiB

 private:
  TAvailableMemorySource previous_;
};

}  // namespace

TEST(EngineSettings, PageBudgetIsATenthOfMemoryInPages) {
  EXPECT_EQ(TempPagesForAvailableMemory(2147483648), 52428);
  EXPECT_EQ(TempPagesForAvailableMemory(40959), 0);
  EXPECT_EQ(TempPagesForAvailableMemory(40960), 1);
  // The largest figure whose budget still fits 32 bits, and the next page beyond it.
  EXPECT_EQ(TempPagesForAvailableMemory(Int64{2147483647} * 40960 + 40959), 2147483647);
  EXPECT_THROW(TempPagesForAvailableMemory(Int64{2147483648} * 40960), ERangeError);
}

TEST_F(EngineStartup, StartUpCreatesTheManagerAndSetsTheSettings) {
  EngineWipeMemory = true;
  DataSetInDesignState = true;
  TempPagesInMemory = 1;
  EXPECT_FALSE(MemoryManagerExists());
  EXPECT_THROW(MemoryManager(), EInvalidOperation);

  InitializeEngineFoundation();
  EXPECT_TRUE(EngineFoundationInitialized());
  EXPECT_TRUE(MemoryManagerExists());
  EXPECT_EQ(TempPagesInMemory, 52428);
  EXPECT_FALSE(EngineWipeMemory);
  EXPECT_FALSE(DataSetInDesignState);
  EXPECT_EQ(EngineTempFolder, os::TempFolder());
  ASSERT_FALSE(EngineTempFolder.empty());
  EXPECT_EQ(EngineTempFolder.back(), os::PathDelimiter());

  void* p = MemoryManager().GetMem(10);
  MemoryManager().FreeMem(p);
}

TEST_F(EngineStartup, StartingTwiceKeepsTheSameManagerAndStoppingTwiceIsHarmless) {
  InitializeEngineFoundation();
  TSQLMemMemoryManager* first = &MemoryManager();
  void* p = first->GetMem(32);
  InitializeEngineFoundation();
  EXPECT_EQ(&MemoryManager(), first);
  EXPECT_EQ(MemoryManager().Allocated(), 32);
  MemoryManager().FreeMem(p);

  FinalizeEngineFoundation();
  EXPECT_FALSE(EngineFoundationInitialized());
  EXPECT_FALSE(MemoryManagerExists());
  EXPECT_TRUE(EngineTempFolder.empty());
  FinalizeEngineFoundation();

  // A fresh start reads the memory figure again.
  available_ = Int64{409600} * 10;
  InitializeEngineFoundation();
  EXPECT_EQ(TempPagesInMemory, 100);
  EXPECT_EQ(MemoryManager().Allocated(), 0);
}

TEST_F(EngineStartup, ABudgetBeyond32BitsStopsStartUpWhereItFailed) {
  available_ = Int64{1} << 62;
  EngineWipeMemory = true;
  EXPECT_THROW(InitializeEngineFoundation(), ERangeError);
  EXPECT_FALSE(EngineFoundationInitialized());
  EXPECT_FALSE(EngineWipeMemory);           // the constants ran
  EXPECT_FALSE(MemoryManagerExists());      // the failed step left nothing behind
  EXPECT_TRUE(EngineTempFolder.empty());    // the streams did not run

  // The next call resumes with the failed step.
  available_ = Int64{2147483648};
  InitializeEngineFoundation();
  EXPECT_TRUE(EngineFoundationInitialized());
  EXPECT_EQ(TempPagesInMemory, 52428);
  EXPECT_FALSE(EngineTempFolder.empty());
}
