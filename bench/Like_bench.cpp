// LIKE on long texts: patterns with several "%" must stay proportional to text length times pattern
// length (the diary's search frames the user's term in "%" and runs it over every day's text).
#include <benchmark/benchmark.h>
#include <string>
#include "engine/foundation/SQLMemTypes.h"

namespace {

void BM_LikeManyPercentSigns(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) benchmark::DoNotOptimize(MatchLikePattern(text, "%a%a%a%a%a%b", false));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LikeManyPercentSigns)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oN);

void BM_LikeSearchTerm(benchmark::State& state, bool caseInsensitive) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "ma is esett az eso, holnap is fog. ";
  for (auto _ : state) benchmark::DoNotOptimize(MatchLikePattern(text, "%holnaputan%", caseInsensitive));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_LikeSearchTerm, exact, false)->Arg(64 << 10);
BENCHMARK_CAPTURE(BM_LikeSearchTerm, ignoreCase, true)->Arg(64 << 10);

void BM_LikeWideManyPercentSigns(benchmark::State& state) {
  const std::u16string text(static_cast<std::size_t>(state.range(0)), u'a');
  for (auto _ : state) benchmark::DoNotOptimize(MatchLikePatternW(text, u"%a%a%a%a%a%b", true));
}
BENCHMARK(BM_LikeWideManyPercentSigns)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
