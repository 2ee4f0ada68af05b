#include "engine/foundation/SQLMemSettings.h"

#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemDecUtil.h"

#include <cstddef>
#include <iterator>

#include "engine/dataset/SQLMemMain.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/sql/SQLMemDataChange.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"

Integer TempPagesInMemory = 1000;
Integer PageCacheCapacity = 200;
Integer MemoryPageSize = 4096;
Integer TemporaryPageSize = 4096;
Integer MemoryTableGrowthStep = 1000;
Integer HashKeyBytes = 4;
Integer HashWordBits = 32;
Integer HashReferenceBytes = 4;
bool EngineWipeMemory = false;
bool DataSetInDesignState = false;
WideString EngineTempFolder;

Integer TempPagesForAvailableMemory(Int64 availableBytes) {
  return CheckedCast<Integer>(availableBytes / 10 / 4096);
}

namespace {

void StartConstants() {
  EngineWipeMemory = false;
  DataSetInDesignState = false;
}

// The constants unit owns the engine's strings; the temporary folder is one of them.
void StopConstants() noexcept { EngineTempFolder.clear(); }

void StartMemory() {
  CreateProcessMemoryManager();
  try {
    TempPagesInMemory = TempPagesForAvailableMemory(MemoryManager().GetAvailableMemory());
  } catch (...) {
    // A step either completes or leaves nothing behind, so that a later start runs it again.
    FreeProcessMemoryManager();
    throw;
  }
}

void StopMemory() noexcept { FreeProcessMemoryManager(); }

struct TStartupStep {
  TEngineStartupStage stage;
  void (*start)();
  void (*stop)() noexcept;
};

// Rows run top to bottom and stop bottom to top. A unit that lands with start-up work adds its row
// under its stage (see the header). Stages without a row yet: types, locks.
constexpr TStartupStep kSteps[] = {
    {TEngineStartupStage::Constants, &StartConstants, &StopConstants},
    {TEngineStartupStage::MemoryManager, &StartMemory, &StopMemory},
    {TEngineStartupStage::StringFormats, &RegisterStringFormats, &ResetStringFormats},
    {TEngineStartupStage::Streams, &StartStreamUnit, nullptr},
    {TEngineStartupStage::DateFormats, &StartDateFormatUnit, nullptr},
    {TEngineStartupStage::ConditionServices, &StartExpressionUnit, &StopExpressionUnit},
    {TEngineStartupStage::Databases, &StartDatabaseListUnit, &StopDatabaseListUnit},
    {TEngineStartupStage::DataSetComponents, &StartDataSetUnit, &StopDataSetUnit},
    {TEngineStartupStage::SQLStatements, &RegisterDataChangeStatements, &UnregisterDataChangeStatements},
};

constexpr std::size_t kStepCount = std::size(kSteps);

// Rows whose start step has completed; they are the ones to stop.
std::size_t startedSteps = 0;

constexpr bool StagesAscend() {
  for (std::size_t i = 1; i < kStepCount; ++i) {
    if (static_cast<int>(kSteps[i].stage) < static_cast<int>(kSteps[i - 1].stage)) return false;
  }
  return true;
}
static_assert(StagesAscend(), "start-up rows must follow the stage order");

}  // namespace

void InitializeEngineFoundation() {
  while (startedSteps < kStepCount) {
    const TStartupStep& step = kSteps[startedSteps];
    if (step.start != nullptr) step.start();
    ++startedSteps;
  }
}

void FinalizeEngineFoundation() noexcept {
  while (startedSteps > 0) {
    --startedSteps;
    const TStartupStep& step = kSteps[startedSteps];
    if (step.stop != nullptr) step.stop();
  }
}

bool EngineFoundationInitialized() noexcept { return startedSteps == kStepCount; }
