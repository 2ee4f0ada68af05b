// Speed of the runtime pieces that the engine calls per row or per byte: locale-aware comparison and
// case mapping of 8-bit text (ICU natively), and memory and file streams.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

void BM_AnsiCompareText(benchmark::State& state) {
  os::SetTextLocale("hu-HU");
  const AnsiString a = Utf8ToCp1250("Árvíztűrő tükörfúrógép, második sor");
  const AnsiString b = Utf8ToCp1250("árvíztűrő tükörfúrógép, második sör");
  for (auto _ : state) benchmark::DoNotOptimize(AnsiCompareText(a, b));
}
BENCHMARK(BM_AnsiCompareText);

void BM_AnsiUpperCase(benchmark::State& state) {
  const AnsiString a = Utf8ToCp1250("árvíztűrő tükörfúrógép, második sor");
  for (auto _ : state) benchmark::DoNotOptimize(AnsiUpperCase(a));
}
BENCHMARK(BM_AnsiUpperCase);

void BM_MemoryStreamWrite(benchmark::State& state) {
  const std::vector<Byte> piece(static_cast<size_t>(state.range(0)), 0x5A);
  for (auto _ : state) {
    TMemoryStream s;
    for (int i = 0; i < (1 << 24) / state.range(0); ++i) s.WriteBuffer(piece.data(), static_cast<Integer>(piece.size()));
    benchmark::DoNotOptimize(s.Memory());
  }
  state.SetBytesProcessed(state.iterations() * (1 << 24));
}
BENCHMARK(BM_MemoryStreamWrite)->Arg(16)->Arg(4096);

void BM_FileStreamWriteRead(benchmark::State& state) {
  const WideString name = os::CreateTempFileName(os::TempFolder(), u"QNB");
  std::vector<Byte> piece(65536, 0x5A);
  for (auto _ : state) {
    {
      TFileStream s(name, fmCreate);
      for (int i = 0; i < 256; ++i) s.WriteBuffer(piece.data(), 65536);
    }
    TFileStream s(name, fmOpenRead | fmShareDenyWrite);
    for (int i = 0; i < 256; ++i) s.ReadBuffer(piece.data(), 65536);
  }
  os::DeleteFile(name);
  state.SetBytesProcessed(state.iterations() * 2 * (1 << 24));
}
BENCHMARK(BM_FileStreamWriteRead);

}  // namespace

BENCHMARK_MAIN();
