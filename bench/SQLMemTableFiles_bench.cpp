// The diary's data file: saving ten years of days (3650, about 1 KB of real Hungarian text each) with
// zlib at level 9 as the diary does, and loading it back. The save goes through a flushed temporary
// file that then replaces the data file; "pair:save/unsafe" writes the same stream straight into the
// file without flushing, so tools/bench shows what the crash safety costs beside the compression.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "DiaryBenchTable.h"
#include "RealText.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr char kDatabase[] = "TABLEFILESBENCH";
constexpr int kDays = 3650;

// The diary's table in a database of its own, and a folder for the files.
struct Diary {
  Diary() {
    InitializeEngineFoundation();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    bench::ConnectInMemory(session, kDatabase);
    TSQLMemLocalCursor cursor;
    bench::OpenNewDiaryTable(cursor, session, "fans");
    const std::vector<std::string> texts = bench::DiaryTexts(kDays, 1000);
    for (int i = 0; i < kDays; ++i) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      char key[32];
      std::snprintf(key, sizeof key, "%04d.%02d.%02d", 2000 + i / 372, 1 + i / 31 % 12, 1 + i % 31);
      bench::PutText(cursor, 1, key);
      bench::PutText(cursor, 2, std::string(key) + " - Hétfő");
      const std::string text = Utf16ToCp1250(Utf8ToUtf16(texts[static_cast<std::size_t>(i)]));
      TStream* stream = cursor.OpenBLOB(3, bomWrite);
      stream->WriteBuffer(text.data(), static_cast<Integer>(text.size()));
      cursor.CloseBLOB(3);
      cursor.PostRecord(true);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    folder = std::filesystem::temp_directory_path() / ("qnt-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  ~Diary() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  AnsiString File(const char* name) const { return (folder / name).string(); }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database;
  TSQLMemLocalSession session;
  std::filesystem::path folder;
};

Diary& TheDiary() {
  static Diary diary;
  return diary;
}

struct Table {
  explicit Table(const AnsiString& name = "fans") {
    TheDiary();
    owner = std::make_unique<TComponent>(nullptr);
    table = New<TSQLMemTable>(owner.get());
    table->SetDatabaseName(kDatabase);
    table->SetTableName(name);
  }
  std::unique_ptr<TComponent> owner;
  TSQLMemTable* table;
};

void BM_SaveToFile(benchmark::State& state) {
  Table t;
  const AnsiString file = TheDiary().File("qnt.dat");
  for (auto _ : state) t.table->SaveToFile(file, 1, 9, 2097152);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file.c_str()));
  state.SetItemsProcessed(state.iterations() * kDays);
}
BENCHMARK(BM_SaveToFile)->Name("pair:save/ours")->Unit(benchmark::kMillisecond);

void BM_SaveStraightIntoTheFile(benchmark::State& state) {
  Table t;
  const AnsiString file = TheDiary().File("unsafe.dat");
  for (auto _ : state) {
    TSQLMemFileStream stream(file, SQLMemFileModeCreate);
    t.table->SaveToStream(stream, 1, 9, 2097152);
  }
  state.SetItemsProcessed(state.iterations() * kDays);
}
BENCHMARK(BM_SaveStraightIntoTheFile)->Name("pair:save/unsafe")->Unit(benchmark::kMillisecond);

void BM_LoadFromFile(benchmark::State& state) {
  const AnsiString file = TheDiary().File("load.dat");
  Table(AnsiString("fans")).table->SaveToFile(file, 1, 9, 2097152);
  Table t("loaded");
  for (auto _ : state) t.table->LoadFromFile(file);
  state.SetItemsProcessed(state.iterations() * kDays);
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
