// The engine foundation's per-value paths beside the library each one is held against, in one run:
// text compare vs ICU's ucol_strcoll, number compare vs the plain C++ compare, GetMem/FreeMem vs
// malloc/free (also with four threads), CRC-32 vs zlib's crc32, the uncontended read lock vs
// std::shared_mutex. tools/bench prints ours / anchor for each "pair:" name.
#include <benchmark/benchmark.h>
#include <unicode/ucol.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <shared_mutex>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemCriticalSection.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "vcl/rtl/TextConv.h"

namespace {

// ---- text compare, 16 characters, case ignored ----

// Pairs of Hungarian words that differ late, as an index compares neighbouring keys.
const std::vector<std::pair<std::string, std::string>>& ComparePairsUtf8() {
  static const std::vector<std::pair<std::string, std::string>> pairs = {
      {"árvíztűrő tükörf", "árvíztűrő tükörF"}, {"szeretettel üdvö", "szeretettel üdvő"},
      {"naplóbejegyzés 1", "naplóbejegyzés 2"}, {"kedves naplóm, m", "kedves naplóm, a"},
  };
  return pairs;
}

void OursTextCompare(benchmark::State& state) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& [a, b] : ComparePairsUtf8()) pairs.emplace_back(Utf8ToCp1250(a) + '\0', Utf8ToCp1250(b) + '\0');
  Integer sink = 0;
  std::size_t k = 0;
  for (auto _ : state) {
    const auto& [a, b] = pairs[k++ & 3];
    const TSQLMemValueRef x{a.data(), static_cast<Integer>(a.size()), edtVarchar, false};
    const TSQLMemValueRef y{b.data(), static_cast<Integer>(b.size()), edtVarchar, false};
    sink += CompareValues(x, y, true, -1);
  }
  benchmark::DoNotOptimize(sink);
}

void AnchorTextCompare(benchmark::State& state) {
  UErrorCode err = U_ZERO_ERROR;
  UCollator* collator = ucol_open("hu_HU", &err);
  ucol_setStrength(collator, UCOL_SECONDARY);
  ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &err);
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  for (const auto& [a, b] : ComparePairsUtf8()) pairs.emplace_back(Utf8ToUtf16(a), Utf8ToUtf16(b));
  int sink = 0;
  std::size_t k = 0;
  for (auto _ : state) {
    const auto& [a, b] = pairs[k++ & 3];
    sink += ucol_strcoll(collator, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                         reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
  }
  benchmark::DoNotOptimize(sink);
  ucol_close(collator);
}

// ---- Integer against LargeInt ----

void OursNumberCompare(benchmark::State& state) {
  Byte a[4], b[8];
  StoreValue(a, Integer{123456});
  StoreValue(b, Int64{123457});
  Integer sink = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    const TSQLMemValueRef x{a, 4, edtInteger, false};
    const TSQLMemValueRef y{b, 8, edtLargeInt, false};
    sink += CompareValues(x, y, false, -1);
  }
  benchmark::DoNotOptimize(sink);
}

void AnchorNumberCompare(benchmark::State& state) {
  Integer a = 123456;
  Int64 b = 123457;
  int sink = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    sink += static_cast<Int64>(a) < b ? 1 : static_cast<Int64>(a) == b ? 2 : 3;
  }
  benchmark::DoNotOptimize(sink);
}

// ---- GetMem / FreeMem of 64 bytes ----

void OursGetMem(benchmark::State& state) {
  auto& manager = MemoryManager();
  for (auto _ : state) {
    void* p = manager.GetMem(64);
    benchmark::DoNotOptimize(p);
    manager.FreeMem(p);
  }
}

void AnchorGetMem(benchmark::State& state) {
  for (auto _ : state) {
    void* p = std::malloc(64);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
}

// ---- CRC-32 of 1 MiB ----

const std::vector<Byte>& MiB() {
  static const std::vector<Byte> data = [] {
    std::vector<Byte> d(1 << 20);
    std::mt19937 rng(7);
    for (Byte& b : d) b = static_cast<Byte>(rng());
    return d;
  }();
  return data;
}

void OursCrc32(benchmark::State& state) {
  const auto& d = MiB();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32Update(0, d.data(), static_cast<Integer>(d.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.size()));
}

void AnchorCrc32(benchmark::State& state) {
  const auto& d = MiB();
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, d.data(), static_cast<uInt>(d.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.size()));
}

// ---- uncontended read lock ----

void OursReadLock(benchmark::State& state) {
  static TSQLMemReadWriteThreadSyncByCriticalSections lock;
  for (auto _ : state) {
    lock.BeginRead();
    lock.EndLock();
  }
}

void AnchorReadLock(benchmark::State& state) {
  static std::shared_mutex lock;
  for (auto _ : state) {
    lock.lock_shared();
    lock.unlock_shared();
  }
}

template <typename F>
void Pair(const char* label, F ours, F anchor, int threads = 1) {
  const std::string name = std::string("pair:") + label;
  auto* o = benchmark::RegisterBenchmark((name + "/ours").c_str(), ours);
  auto* a = benchmark::RegisterBenchmark((name + "/anchor").c_str(), anchor);
  if (threads > 1) {
    o->Threads(threads);
    a->Threads(threads);
  }
}

[[maybe_unused]] const bool registered = [] {
  using Fn = void (*)(benchmark::State&);
  Pair<Fn>("text compare 16 chars ci", OursTextCompare, AnchorTextCompare);
  Pair<Fn>("text compare 16 chars ci", OursTextCompare, AnchorTextCompare, 4);
  Pair<Fn>("Integer vs LargeInt compare", OursNumberCompare, AnchorNumberCompare);
  Pair<Fn>("GetMem+FreeMem 64 B", OursGetMem, AnchorGetMem);
  Pair<Fn>("GetMem+FreeMem 64 B", OursGetMem, AnchorGetMem, 4);
  Pair<Fn>("CRC-32 1 MiB", OursCrc32, AnchorCrc32);
  Pair<Fn>("uncontended read lock", OursReadLock, AnchorReadLock);
  return true;
}();

}  // namespace

int main(int argc, char** argv) {
  InitializeEngineFoundation();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeEngineFoundation();
  return 0;
}
