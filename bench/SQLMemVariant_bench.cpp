// The typed value on the paths that indexes, sorts and filters run per record: comparing two values
// (same type, mixed types, locale-aware text), hashing, and setting and reading through conversions.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemVariant.h"

namespace {

void BM_CompareIntegers(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant a, b;
  a.SetAsInteger(12345);
  b.SetAsInteger(12346);
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b, false, false, false));
}
BENCHMARK(BM_CompareIntegers);

// Integer against Double: the first operand is converted into a temporary block on every call.
void BM_CompareMixedNumbers(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant a, b;
  a.SetAsInteger(12345);
  b.SetAsDouble(12345.5);
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b, false, false, false));
}
BENCHMARK(BM_CompareMixedNumbers);

void BM_CompareText(benchmark::State& state) {
  InitializeEngineFoundation();
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "ma is esett az eso, holnap is fog. ";
  TSQLMemVariant a, b;
  a.SetAsString(text + "a");
  b.SetAsString(text + "b");
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b, false, false, true));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompareText)->Arg(16)->Arg(1024);

void BM_HashText(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant a;
  a.SetAsString(std::string(static_cast<std::size_t>(state.range(0)), 'x'));
  for (auto _ : state) benchmark::DoNotOptimize(a.GetHash());
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HashText)->Arg(16)->Arg(4096);

void BM_SetTextIntoInteger(benchmark::State& state) {
  InitializeEngineFoundation();
  TSQLMemVariant v(edtInteger);
  for (auto _ : state) {
    v.SetAsString("123456");
    benchmark::DoNotOptimize(v.GetAsInteger());
  }
}
BENCHMARK(BM_SetTextIntoInteger);

}  // namespace

BENCHMARK_MAIN();
