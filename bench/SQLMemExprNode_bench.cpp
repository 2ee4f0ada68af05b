// The expression nodes on the diary's search path: LOWER over a day's 2 kB text (a byte table against
// the locale conversion per call) and LIKE with a constant pattern (prepared once per binding against
// a pattern made per row).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "RealText.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExprNodeBoolean.h"
#include "engine/sql/SQLMemExprNodeConst.h"
#include "engine/sql/SQLMemExprNodeString.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr std::size_t kRows = 64;

std::vector<std::string> Texts() {
  std::vector<std::string> texts;
  for (const std::string& text : bench::DiaryTexts(kRows, 2048)) texts.push_back(Utf8ToCp1250(text));
  return texts;
}

std::unique_ptr<TSQLMemExprNodeConst> TextNode(const std::string& text) {
  TSQLMemVariant value(edtVarchar);
  value.SetAsString(text);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

// LOWER through the node, one row's text after another.
void BM_LowerNode(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<std::string> texts = Texts();
  std::vector<std::unique_ptr<TSQLMemExprNodeStringFunction>> nodes;
  for (const std::string& text : texts) nodes.push_back(std::make_unique<TSQLMemExprNodeStringFunction>(opLower, false, false, TextNode(text)));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(nodes[i++ % kRows]->Evaluate().Data());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2048);
}
BENCHMARK(BM_LowerNode);

// The same texts through AnsiLowerCase, which converts each call through UTF-16 and the locale.
void BM_LowerAnsiLowerCase(benchmark::State& state) {
  const std::vector<std::string> texts = Texts();
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(AnsiLowerCase(texts[i++ % kRows]));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2048);
}
BENCHMARK(BM_LowerAnsiLowerCase);

// LIKE '%...%' with a constant pattern over the rows; each node keeps its prepared pattern.
void BM_LikeNodeConstantPattern(benchmark::State& state, bool caseInsensitive) {
  InitializeEngineFoundation();
  const std::vector<std::string> texts = Texts();
  std::vector<std::unique_ptr<TSQLMemExprNodeBoolean>> nodes;
  for (const std::string& text : texts)
    nodes.push_back(std::make_unique<TSQLMemExprNodeBoolean>(opLike, caseInsensitive, false, TextNode(text),
                                                             TextNode("%holnaputan%")));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(nodes[i++ % kRows]->Evaluate().IsNull());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2048);
}
BENCHMARK_CAPTURE(BM_LikeNodeConstantPattern, exact, false);
BENCHMARK_CAPTURE(BM_LikeNodeConstantPattern, ignoreCase, true);

// The same match with the pattern prepared again for every row.
void BM_LikePatternPerRow(benchmark::State& state, bool caseInsensitive) {
  const std::vector<std::string> texts = Texts();
  std::size_t i = 0;
  for (auto _ : state) {
    TSQLMemLikePattern pattern("%holnaputan%", caseInsensitive);
    benchmark::DoNotOptimize(pattern.Matches(texts[i++ % kRows]));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2048);
}
BENCHMARK_CAPTURE(BM_LikePatternPerRow, exact, false);
BENCHMARK_CAPTURE(BM_LikePatternPerRow, ignoreCase, true);

}  // namespace

BENCHMARK_MAIN();
