// Engine streams: appending to a memory stream (growth by allocation steps), and the temporary-file
// stream's sequential and scattered access through its one cached 32 KB block.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"

namespace {

void BM_MemoryStreamAppend(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<Byte> piece(static_cast<size_t>(state.range(1)), 0x41);
  const Int64 total = state.range(0);
  for (auto _ : state) {
    TSQLMemMemoryStream s;
    for (Int64 done = 0; done < total; done += state.range(1)) s.Write(piece.data(), static_cast<Integer>(piece.size()));
    benchmark::DoNotOptimize(s.Memory());
  }
  state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_MemoryStreamAppend)->Args({1 << 20, 64})->Args({16 << 20, 4096})->Unit(benchmark::kMillisecond);

// A temporary stream that has moved to its file.
std::unique_ptr<TSQLMemTemporaryStream> OnFile() {
  auto s = std::make_unique<TSQLMemTemporaryStream>();
  s->SetSize(Int64{s->Threshold()} + 1);
  s->SetSize(Int64{0});
  return s;
}

void BM_TemporaryFileSequential(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<Byte> piece(static_cast<size_t>(state.range(0)), 0x42);
  const Int64 total = 8 << 20;
  std::vector<Byte> back(piece.size());
  for (auto _ : state) {
    auto s = OnFile();
    for (Int64 done = 0; done < total; done += state.range(0)) s->Write(piece.data(), static_cast<Integer>(piece.size()));
    s->SetPosition(0);
    for (Int64 done = 0; done < total; done += state.range(0)) s->Read(back.data(), static_cast<Integer>(back.size()));
  }
  state.SetBytesProcessed(state.iterations() * total * 2);
}
BENCHMARK(BM_TemporaryFileSequential)->Arg(512)->Arg(65536)->Unit(benchmark::kMillisecond);

void BM_TemporaryFileScattered(benchmark::State& state) {
  InitializeEngineFoundation();
  auto s = OnFile();
  const Int64 size = 8 << 20;
  s->SetSize(size);
  std::mt19937 rng(1);
  std::vector<Byte> buffer(static_cast<size_t>(state.range(0)), 0x43);
  for (auto _ : state) {
    s->SetPosition(static_cast<Int64>(rng() % static_cast<unsigned>(size - state.range(0))));
    if (rng() & 1) {
      s->Write(buffer.data(), static_cast<Integer>(buffer.size()));
    } else {
      benchmark::DoNotOptimize(s->Read(buffer.data(), static_cast<Integer>(buffer.size())));
    }
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
// The bytes per access: up to a few kB the seek dominates and all sizes cost about the same, so
// the larger sizes show what the transfer itself costs.
BENCHMARK(BM_TemporaryFileScattered)->ArgName("bytes")->Arg(100)->Arg(4096)->Arg(65536)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
