// Speed and ratio of the engine's buffer compression: every algorithm at its usual modes on 1 MB of
// English and Hungarian diary text and of table-like binary records. Besides bytes per second each
// run reports "ratio" (compressed size / original size) and "bpc" (compressed bits per byte).
#include <benchmark/benchmark.h>

#include <string>
#include "engine/foundation/SQLMemCompression.h"
#include "tests/engine/foundation/CompressionSamples.h"

namespace {

constexpr std::size_t kSampleSize = 1 << 20;

const std::string& Sample(int kind) {
  static const std::string english = samples::EnglishText(kSampleSize);
  static const std::string hungarian = samples::HungarianText(kSampleSize);
  static const std::string records = samples::RecordBinary(kSampleSize);
  return kind == 0 ? english : kind == 1 ? hungarian : records;
}

const char* SampleName(int kind) { return kind == 0 ? "English" : kind == 1 ? "Hungarian" : "records"; }

void SetRatio(benchmark::State& state, std::size_t original, Integer packed) {
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(original);
  state.counters["bpc"] = 8.0 * static_cast<double>(packed) / static_cast<double>(original);
}

// Arguments: algorithm, mode, sample kind (0 English, 1 Hungarian, 2 records).
void BM_Compress(benchmark::State& state) {
  const auto algorithm = static_cast<Byte>(state.range(0));
  const auto mode = static_cast<Byte>(state.range(1));
  const std::string& data = Sample(static_cast<int>(state.range(2)));
  Integer packed = 0;
  for (auto _ : state) {
    THeapBlock out;
    if (!CompressBuffer(algorithm, mode, data.data(), static_cast<Integer>(data.size()), out, packed)) {
      state.SkipWithError("compression failed");
      return;
    }
    benchmark::DoNotOptimize(out.Data());
  }
  state.SetLabel(CompressionAlgorithmName(algorithm) + " " + std::to_string(mode) + " " +
                 SampleName(static_cast<int>(state.range(2))));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  SetRatio(state, data.size(), packed);
}

void BM_Decompress(benchmark::State& state) {
  const auto algorithm = static_cast<Byte>(state.range(0));
  const auto mode = static_cast<Byte>(state.range(1));
  const std::string& data = Sample(static_cast<int>(state.range(2)));
  THeapBlock packed;
  Integer packedSize = 0;
  if (!CompressBuffer(algorithm, mode, data.data(), static_cast<Integer>(data.size()), packed, packedSize)) {
    state.SkipWithError("compression failed");
    return;
  }
  for (auto _ : state) {
    THeapBlock out;
    Integer size = static_cast<Integer>(data.size());
    if (!DecompressBuffer(algorithm, packed.Data(), packedSize, size, out)) {
      state.SkipWithError("decompression failed");
      return;
    }
    benchmark::DoNotOptimize(out.Data());
  }
  state.SetLabel(CompressionAlgorithmName(algorithm) + " " + std::to_string(mode) + " " +
                 SampleName(static_cast<int>(state.range(2))));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  SetRatio(state, data.size(), packedSize);
}

void Modes(benchmark::internal::Benchmark* b) {
  for (int kind = 0; kind < 3; ++kind) {
    for (int level : {1, 6, 9}) b->Args({1, level, kind});  // zlib
    for (int block : {1, 9}) b->Args({2, block, kind});     // bzip2
    for (int level = 1; level <= 9; ++level) b->Args({3, level, kind});  // PPM
  }
}

BENCHMARK(BM_Compress)->Apply(Modes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress)->Apply(Modes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
