// Compressed BLOB stream: writing a large value (in 64 KB appends, each of which compresses the partly
// filled last block again, or in one write) and reading it back; small reads at random places, each of
// which decompresses the whole block it touches unless it is the block the stream keeps from the last read.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemCompressedBLOBStream.h"
#include "engine/foundation/SQLMemSettings.h"

namespace {

// Prose-like text: words of a small vocabulary in random order.
std::vector<Byte> DiaryText(size_t size) {
  static const char* const kWords[] = {"ma ", "esett ", "az ", "eső, ", "holnap ", "sétálni ", "megyünk ", "a ",
                                       "parkba; ", "napló ", "minden ", "este ", "kap ", "egy ", "bejegyzést.\r\n"};
  std::mt19937 rng(7);
  std::vector<Byte> v;
  while (v.size() < size) {
    const std::string w = kWords[rng() % std::size(kWords)];
    v.insert(v.end(), w.begin(), w.end());
  }
  v.resize(size);
  return v;
}

CompressedBLOBDescriptor Descriptor(Byte algorithm, Byte mode) {
  CompressedBLOBDescriptor d;
  d.Algorithm = algorithm;
  d.Mode = mode;
  return d;
}

void BM_BlobAppendAndReadBack(benchmark::State& state) {
  InitializeEngineFoundation();
  const auto algorithm = static_cast<Byte>(state.range(0));
  const auto mode = static_cast<Byte>(state.range(1));
  const std::vector<Byte> data = DiaryText(2 << 20);
  std::vector<Byte> back(data.size());
  for (auto _ : state) {
    TSQLMemMemoryStream base;
    TSQLMemCompressedBLOBStream s(base, Descriptor(algorithm, mode), true);
    const auto piece = static_cast<size_t>(state.range(2));
    for (size_t done = 0; done < data.size(); done += piece) s.Write(data.data() + done, static_cast<Integer>(piece));
    s.SetPosition(0);
    s.ReadBuffer64(back.data(), static_cast<Int64>(back.size()));
    state.counters["ratio %"] = s.CompressionRatio();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<Int64>(data.size()) * 2);
}
BENCHMARK(BM_BlobAppendAndReadBack)
    ->Args({0, 0, 65536})
    ->Args({1, 1, 65536})
    ->Args({1, 6, 65536})
    ->Args({1, 6, 2 << 20})  // one write: each block compressed once
    ->Args({2, 1, 65536})
    ->Args({2, 1, 2 << 20})
   ->Unit(benchmark::kMillisecond);

// Arguments: algorithm (0 stores the bytes as they are; 1 is zlib) and mode (the zlib level: level 0
// still frames every block and checksums it, so it is not the same as no compression).
void BM_BlobScatteredSmallReads(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<Byte> data = DiaryText(2 << 20);
  TSQLMemMemoryStream base;
  TSQLMemCompressedBLOBStream s(
      base, Descriptor(static_cast<Byte>(state.range(0)), static_cast<Byte>(state.range(1))), true);
  s.WriteBuffer64(data.data(), static_cast<Int64>(data.size()));
  std::mt19937 rng(1);
  Byte buffer[4096];
  for (auto _ : state) {
    s.SetPosition(static_cast<Int64>(rng() % (data.size() - sizeof(buffer))));
    benchmark::DoNotOptimize(s.Read(buffer, sizeof(buffer)));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<Int64>(sizeof(buffer)));
}
BENCHMARK(BM_BlobScatteredSmallReads)
    ->ArgNames({"algorithm", "level"})
    ->Args({0, 0})  // no compression
    ->Args({1, 0})  // zlib, stored blocks
    ->Args({1, 1})
    ->Args({1, 9})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
