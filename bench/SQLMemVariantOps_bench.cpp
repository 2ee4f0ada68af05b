// The value operators on the paths an aggregate or a computed column runs per record: a running SUM
// adding into one value, an addition that promotes its left side, and a time stamp difference.
#include <benchmark/benchmark.h>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemVariant.h"

namespace {

// Same types: the sum is overwritten in its own block, nothing is allocated per row.
void BM_RunningSumOfIntegers(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant sum, row;
  sum.SetAsInteger(0);
  row.SetAsInteger(7);
  for (auto _ : state) sum.Add(row);
  benchmark::DoNotOptimize(sum.GetAsInteger());
}
BENCHMARK(BM_RunningSumOfIntegers);

void BM_RunningSumOfDoubles(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant sum, row;
  sum.SetAsDouble(0);
  row.SetAsDouble(0.25);
  for (auto _ : state) sum.Add(row);
  benchmark::DoNotOptimize(sum.GetAsDouble());
}
BENCHMARK(BM_RunningSumOfDoubles);

// Integer + Double: the left side becomes a Double each time (a new block and a conversion).
void BM_AddPromotingIntegerToDouble(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant right;
  right.SetAsDouble(0.5);
  for (auto _ : state) {
    TSQLMemVariant v;
    v.SetAsInteger(2);
    v.Add(right);
    benchmark::DoNotOptimize(v.Data());
  }
}
BENCHMARK(BM_AddPromotingIntegerToDouble);

void BM_TimeStampDifference(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant later, earlier;
  later.SetAsTimeStampValue(TSQLMemTimeStamp{738000, 3600000});
  earlier.SetAsTimeStampValue(TSQLMemTimeStamp{737990, 7200000});
  for (auto _ : state) {
    TSQLMemVariant v;
    v.Assign(later, false);
    v.Subtract(earlier);
    benchmark::DoNotOptimize(v.Data());
  }
}
BENCHMARK(BM_TimeStampDifference);

}  // namespace

BENCHMARK_MAIN();
