// Costs of the engine's small containers and of an uncontended lock round trip.
#include <benchmark/benchmark.h>

#include <random>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemCriticalSection.h"
#include "engine/foundation/SQLMemSettings.h"

namespace {

void BM_IntegerArrayAppend(benchmark::State& state) {
  InitializeEngineFoundation();
  for (auto _ : state) {
    TSQLMemIntegerArray a(0, 10, 100);
    for (Integer i = 0; i < state.range(0); ++i) a.Append(i);
    benchmark::DoNotOptimize(a.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IntegerArrayAppend)->Arg(1000)->Arg(100000);

void FillRandom(TSQLMemRecordIDArray& a, Integer n) {
  std::mt19937 random(7);
  a.SetSize(0);
  for (Integer i = 0; i < n; ++i) a.Append({static_cast<Integer>(random() % 1000000), 0});
}

void BM_RecordIdSort(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemRecordIDArray a(0, 10, 100000);
  for (auto _ : state) {
    state.PauseTiming();
    FillRandom(a, static_cast<Integer>(state.range(0)));
    state.ResumeTiming();
    a.Sort();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RecordIdSort)->Arg(1000)->Arg(100000);

void BM_RecordIdSortedIndexOf(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemRecordIDArray a(0, 10, 100000);
  FillRandom(a, static_cast<Integer>(state.range(0)));
  a.Sort();
  Integer i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.IndexOf({i, 0}));
    i = (i + 7919) % 1000000;
  }
}
BENCHMARK(BM_RecordIdSortedIndexOf)->Arg(1000)->Arg(100000);

void BM_LockReadRoundTrip(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemReadWriteThreadSyncByCriticalSections lock;
  for (auto _ : state) {
    lock.BeginRead();
    lock.EndLock();
  }
}
BENCHMARK(BM_LockReadRoundTrip);

void BM_LockWriteRoundTrip(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemReadWriteThreadSyncByCriticalSections lock;
  for (auto _ : state) {
    lock.BeginWrite();
    lock.EndLock();
  }
}
BENCHMARK(BM_LockWriteRoundTrip);

void BM_HashFindOrAdd(benchmark::State& state) {
  InitializeEngineFoundation();
  for (auto _ : state) {
    TSQLMemHashArray h(0, 12, 0, 8);
    std::mt19937 random(3);
    for (int i = 0; i < 100000; ++i) h.FindOrAdd(static_cast<Cardinal>(random()), nullptr);
    benchmark::DoNotOptimize(h.EntriesStored());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_HashFindOrAdd);

}  // namespace

BENCHMARK_MAIN();
