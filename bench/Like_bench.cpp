// LIKE: patterns with several "%" must stay proportional to text length times pattern length (the
// diary's search frames the user's term in "%" and runs it over every day's text), a pattern decided by
// the first character costs the same on any text, and the matcher beside SQLite's matcher on the same texts.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>
#include "RealText.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/TextConv.h"
#ifdef QN_BENCH_SQLITE
#include <sqlite3.h>
#endif

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

// A pattern decided by the text's first character costs the same on any length of text.
void BM_LikeDecidedByTheFirstCharacter(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'b');
  for (auto _ : state) benchmark::DoNotOptimize(MatchLikePattern(text, "a%", true));
}
BENCHMARK(BM_LikeDecidedByTheFirstCharacter)->Arg(16)->Arg(1 << 20);

// ---- the diary search beside SQLite: 20 000 real Hungarian texts of about 2 kB ----

constexpr std::size_t kDiaryRows = 20000;
constexpr std::size_t kDiaryTextSize = 2048;

const std::vector<std::string>& DiaryUtf8() {
  static const std::vector<std::string> texts = bench::DiaryTexts(kDiaryRows, kDiaryTextSize);
  return texts;
}

const std::vector<std::string>& DiaryCp1250() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    for (const std::string& s : DiaryUtf8()) t.push_back(Utf8ToCp1250(s));
    return t;
  }();
  return texts;
}

void OursLike(benchmark::State& state, const std::string& patternUtf8, bool caseInsensitive) {
  const auto& rows = DiaryCp1250();
  std::size_t bytes = 0;
  for (const std::string& r : rows) bytes += r.size();
  Integer matches = 0;
  for (auto _ : state) {
    const TSQLMemLikePattern pattern(Utf8ToCp1250(patternUtf8), caseInsensitive);  // once per statement
    matches = 0;
    for (const std::string& r : rows) matches += pattern.Matches(r) ? 1 : 0;
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = matches;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

#ifdef QN_BENCH_SQLITE
struct TSqliteRows {
  sqlite3* db = nullptr;
  TSqliteRows() {
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE t(x TEXT)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?1)", -1, &insert, nullptr);
    for (const std::string& r : DiaryUtf8()) {
      sqlite3_bind_text(insert, 1, r.data(), static_cast<int>(r.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  ~TSqliteRows() { sqlite3_close(db); }
};

// The matcher alone: SQLite's own LIKE and GLOB matchers on the same texts (UTF-8), one call per row,
// as ours is one call per row; its LIKE folds the case of ASCII letters only.
void SqliteMatcher(benchmark::State& state, bool glob, const std::string& patternUtf8) {
  const auto& rows = DiaryUtf8();
  std::size_t bytes = 0;
  for (const std::string& r : rows) bytes += r.size();
  Integer matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const std::string& r : rows) {
      const int differs = glob ? sqlite3_strglob(patternUtf8.c_str(), r.c_str())
                               : sqlite3_strlike(patternUtf8.c_str(), r.c_str(), 0);
      matches += differs == 0 ? 1 : 0;
    }
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = matches;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The SQL layer's table scan with LIKE, shown for information until our SQL layer's scan is its pair.
void SqliteLike(benchmark::State& state, const std::string& sql, const std::string& patternUtf8) {
  static TSqliteRows rows;
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(rows.db, sql.c_str(), -1, &query, nullptr);
  sqlite3_bind_text(query, 1, patternUtf8.data(), static_cast<int>(patternUtf8.size()), SQLITE_STATIC);
  int matches = 0;
  for (auto _ : state) {
    sqlite3_step(query);
    matches = sqlite3_column_int(query, 0);
    sqlite3_reset(query);
    benchmark::DoNotOptimize(matches);
  }
  sqlite3_finalize(query);
  state.counters["matches"] = matches;
}
#endif

struct TDiaryPattern {
  const char* label;
  const char* ours;    // LIKE pattern, UTF-8
  bool caseInsensitive;
  const char* anchorSql;
  const char* anchorPattern;
};

const TDiaryPattern kDiaryPatterns[] = {
    {"like ci '%szeret%'", "%szeret%", true, "SELECT count(*) FROM t WHERE x LIKE ?1", "%szeret%"},
    {"like cs '%szeret%' (GLOB)", "%szeret%", false, "SELECT count(*) FROM t WHERE x GLOB ?1", "*szeret*"},
    {"like ci '%nem%fájl%'", "%nem%fájl%", true, "SELECT count(*) FROM t WHERE x LIKE ?1", "%nem%fájl%"},
    {"like ci 'a%'", "a%", true, "SELECT count(*) FROM t WHERE x LIKE ?1", "a%"},
};

[[maybe_unused]] const bool registered = [] {
  for (const TDiaryPattern& p : kDiaryPatterns) {
    const std::string name = std::string("pair:") + p.label;
    const std::string pattern = p.ours;
    const bool ci = p.caseInsensitive;
    benchmark::RegisterBenchmark((name + "/ours").c_str(), [pattern, ci](benchmark::State& s) {
      OursLike(s, pattern, ci);
    })->Unit(benchmark::kMillisecond);
#ifdef QN_BENCH_SQLITE
    const std::string sql = p.anchorSql, anchorPattern = p.anchorPattern;
    const bool glob = sql.find("GLOB") != std::string::npos;
    benchmark::RegisterBenchmark((name + "/anchor").c_str(), [glob, anchorPattern](benchmark::State& s) {
      SqliteMatcher(s, glob, anchorPattern);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("sqlite table scan:") + p.label).c_str(),
                                 [sql, anchorPattern](benchmark::State& s) { SqliteLike(s, sql, anchorPattern); })
        ->Unit(benchmark::kMillisecond);
#endif
  }
  return true;
}();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("text", bench::RealTextSource());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
