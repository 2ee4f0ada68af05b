// The engine dataset over the diary's table: what a grid costs when it scrolls through the days (a
// 20-row link, the title read on each step), reading each day's memo, and jumping by bookmark and by
// record number. 10000 days with about 1 KB of text each.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "DiaryBenchTable.h"
#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/Fields.h"

namespace {

constexpr char kDatabase[] = "DATASETBENCH";
constexpr int kDays = 10000;

class TBenchDataSet : public TSQLMemDataSet {
 public:
  using TSQLMemDataSet::TSQLMemDataSet;

 protected:
  TSQLMemCursor* CreateCursorHandle() override {
    auto cursor = std::make_unique<TSQLMemLocalCursor>();
    cursor->Session = Database()->Connection();
    cursor->InMemory = 1;
    cursor->TableName = "fans";
    cursor->OpenTable(nullptr, nullptr, nullptr);
    cursor->SetIndexName("ByShortDate");
    return cursor.release();
  }
};

class TGridLink : public TDataLink {
 public:
  explicit TGridLink(int rows) { SetBufferCount(rows); }
};

// The diary's table with kDays days, made once for the whole program.
struct Diary {
  Diary() {
    InitializeEngineFoundation();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    bench::ConnectInMemory(session, kDatabase);
    TSQLMemLocalCursor cursor;
    bench::OpenNewDiaryTable(cursor, session, "fans");
    std::string text;
    while (text.size() < 1000) text += "Ma reggel esett az eső, délután sétáltunk a parkban. ";
    for (int i = 0; i < kDays; ++i) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      char key[32];
      std::snprintf(key, sizeof key, "%04d.%02d.%02d", 2000 + i / 372, 1 + i / 31 % 12, 1 + i % 31);
      bench::PutText(cursor, 1, key);
      bench::PutText(cursor, 2, std::string(key) + " - Hétfő");
      TStream* stream = cursor.OpenBLOB(3, bomWrite);
      stream->WriteBuffer(text.data(), static_cast<Integer>(text.size()));
      cursor.CloseBLOB(3);
      cursor.PostRecord(true);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }
  std::unique_ptr<TSQLMemMemoryDatabaseData> database;
  TSQLMemLocalSession session;
};

Diary& TheDiary() {
  static Diary diary;
  return diary;
}

struct OpenDataSet {
  OpenDataSet() {
    TheDiary();
    owner = std::make_unique<TComponent>(nullptr);
    ds = New<TBenchDataSet>(owner.get());
    ds->SetDatabaseName(kDatabase);
    source = New<TDataSource>(owner.get());
    source->SetDataSet(ds);
    grid = std::make_unique<TGridLink>(20);
    grid->SetDataSource(source);
    ds->Open();
  }
  ~OpenDataSet() {
    grid.reset();
    owner.reset();
  }
  std::unique_ptr<TComponent> owner;
  TBenchDataSet* ds;
  TDataSource* source;
  std::unique_ptr<TGridLink> grid;
};

void BM_ScrollGridThroughTheDays(benchmark::State& state) {
  OpenDataSet set;
  TField* title = set.ds->FieldByName("Title");
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (set.ds->First(); !set.ds->Eof(); set.ds->Next()) bytes += title->AsString().size();
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kDays);
}
BENCHMARK(BM_ScrollGridThroughTheDays)->Unit(benchmark::kMillisecond);

void BM_ReadEveryMemo(benchmark::State& state) {
  OpenDataSet set;
  TField* text = set.ds->FieldByName("Text");
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (set.ds->First(); !set.ds->Eof(); set.ds->Next()) bytes += text->AsString().size();
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kDays);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadEveryMemo)->Unit(benchmark::kMillisecond);

void BM_JumpByRecNo(benchmark::State& state) {
  OpenDataSet set;
  Integer n = 1;
  for (auto _ : state) {
    set.ds->SetRecNo(n);
    n = n * 7919 % kDays + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JumpByRecNo);

void BM_GotoBookmark(benchmark::State& state) {
  OpenDataSet set;
  set.ds->SetRecNo(kDays / 3);
  const TBookmark first = set.ds->GetBookmark();
  set.ds->SetRecNo(kDays / 3 * 2);
  const TBookmark second = set.ds->GetBookmark();
  bool flip = false;
  for (auto _ : state) {
    set.ds->GotoBookmark(flip ? first : second);
    flip = !flip;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GotoBookmark);

}  // namespace

BENCHMARK_MAIN();
