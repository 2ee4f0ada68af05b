// Cost of an engine block against the runtime heap: a GetMem/FreeMem pair per iteration, for a size
// in each band of the method chooser.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "engine/foundation/SQLMemMemory.h"

static void BM_EngineGetFree(benchmark::State& state) {
  TSQLMemMemoryManager mm;
  const Int64 size = state.range(0);
  for (auto _ : state) {
    void* p = mm.GetMem(size);
    benchmark::DoNotOptimize(p);
    mm.FreeMem(p);
  }
}
BENCHMARK(BM_EngineGetFree)->Arg(16)->Arg(1000)->Arg(100000)->Arg(2000000);

static void BM_HeapMallocFree(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* p = std::malloc(size);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
}
BENCHMARK(BM_HeapMallocFree)->Arg(16)->Arg(1000)->Arg(100000)->Arg(2000000);

static void BM_EngineReallocGrow(benchmark::State& state) {
  TSQLMemMemoryManager mm;
  for (auto _ : state) {
    void* p = mm.GetMem(16);
    for (Int64 size = 1024; size <= 1048576; size += GetAllocationStep(size)) mm.ReallocMem(p, false, size);
    mm.FreeMem(p);
  }
}
BENCHMARK(BM_EngineReallocGrow);

BENCHMARK_MAIN();
