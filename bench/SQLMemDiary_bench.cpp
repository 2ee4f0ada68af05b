// What the diary does with its table, through the dataset components, beside the same work elsewhere:
// a 20-row grid scrolling through every day in date order reading the title (SQLite stepping an ordered
// select over its index), the new-day dialog's Locate by day (a prepared indexed point lookup), inserting
// and posting a day with a memo (SQLite inserting, one transaction per row), saving the table with zlib
// at level 9 (zlib's compress2 at level 9 over the bytes of the same table stored uncompressed, written to
// a file) and loading it back (reading that file and zlib's uncompress). 20000 days, about 2 KB of real
// Hungarian text each in cp1250. tools/bench prints ours / anchor for each "pair:diary/..." path.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "DiaryBenchTable.h"
#include "PageFaults.h"
#include "RealText.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"
#ifdef QN_BENCH_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr char kDatabase[] = "DIARYBENCH";
constexpr int kDays = 20000;
constexpr int kLocates = 1000;
constexpr int kInserts = 1000;
constexpr int kGridRows = 20;

std::string Day(int n) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", 1900 + n / 372, 1 + n / 31 % 12, 1 + n % 31);
  return text;
}

std::string Title(const std::string& day) { return day + Utf16ToCp1250(Utf8ToUtf16(" - Csütörtök")); }

// The data of a run: the memos (cp1250), the days looked up and the days inserted.
struct Data {
  Data() {
    for (const std::string& text : bench::DiaryTexts(256, 2048)) memos.push_back(Utf16ToCp1250(Utf8ToUtf16(text)));
    std::mt19937 random(11);
    for (int i = 0; i < kLocates; ++i) lookups.push_back(Day(static_cast<int>(random() % kDays)));
  }
  const std::string& Memo(std::size_t i) const { return memos[i % memos.size()]; }
  std::vector<std::string> memos, lookups;
};

const Data& TheData() {
  static Data data;
  return data;
}

// The engine's database with the diary's tables, made once for the whole program.
struct Engine {
  Engine() {
    InitializeEngineFoundation();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    bench::ConnectInMemory(session, kDatabase);
    folder = std::filesystem::temp_directory_path() / ("qn-diary-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  ~Engine() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  AnsiString File(const char* name) const { return (folder / name).string(); }

  // A table of the diary's layout named `name` holding the days 0 .. days-1 (in a shuffled order).
  void CreateDiary(const AnsiString& name, int days) {
    TSQLMemLocalCursor cursor;
    bench::OpenNewDiaryTable(cursor, session, name);
    std::vector<int> order(static_cast<std::size_t>(days));
    for (int i = 0; i < days; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    TSQLMemVariant value;
    for (int n : order) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      const std::string day = Day(n);
      value.SetAsString(day);
      cursor.SetFieldValue(nullptr, value, 1, false);
      value.SetAsString(Title(day));
      cursor.SetFieldValue(nullptr, value, 2, false);
      const std::string& memo = TheData().Memo(static_cast<std::size_t>(n));
      TStream* stream = cursor.OpenBLOB(3, bomWrite);
      stream->WriteBuffer(memo.data(), static_cast<Integer>(memo.size()));
      cursor.CloseBLOB(3);
      cursor.PostRecord(true);
      if (cursor.ResultCode != 0) throw std::runtime_error(cursor.ErrorText);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database;
  TSQLMemLocalSession session;
  std::filesystem::path folder;
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

// The shared table of kDays days every reading benchmark uses.
const AnsiString& DiaryTable() {
  static const AnsiString name = (TheEngine().CreateDiary("days", kDays), AnsiString("days"));
  return name;
}

class TGridLink : public TDataLink {
 public:
  explicit TGridLink(int rows) { SetBufferCount(rows); }
};

// The diary's table component as the main window has it: ordered by its date index, a grid on it.
struct OpenDiary {
  explicit OpenDiary(const AnsiString& name) {
    owner = std::make_unique<TComponent>(nullptr);
    table = New<TSQLMemTable>(owner.get());
    table->SetDatabaseName(kDatabase);
    table->SetTableName(name);
    table->SetIndexName("ByShortDate");
    source = New<TDataSource>(owner.get());
    source->SetDataSet(table);
    grid = std::make_unique<TGridLink>(kGridRows);
    grid->SetDataSource(source);
    table->Open();
  }
  ~OpenDiary() {
    grid.reset();
    owner.reset();
  }
  std::unique_ptr<TComponent> owner;
  TSQLMemTable* table;
  TDataSource* source;
  std::unique_ptr<TGridLink> grid;
};

// ---- ours ----

void OursScroll(benchmark::State& state) {
  OpenDiary diary(DiaryTable());
  TField* title = diary.table->FieldByName("Title");
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t bytes = 0;
    for (diary.table->First(); !diary.table->Eof(); diary.table->Next()) bytes += title->AsString().size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * kDays);
}

void OursLocate(benchmark::State& state) {
  const Data& data = TheData();
  OpenDiary diary(DiaryTable());
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    int found = 0;
    for (const std::string& day : data.lookups) found += diary.table->Locate("ShortDateDay", Variant(day), {});
    if (found != kLocates) state.SkipWithError("a day was not found");
  }
  state.SetItemsProcessed(state.iterations() * kLocates);
}

void OursInsert(benchmark::State& state) {
  const Data& data = TheData();
  static int run = 0;
  const AnsiString name = "ins" + std::to_string(++run);
  TheEngine().CreateDiary(name, kDays);
  {
    OpenDiary diary(name);
    TField* day = diary.table->FieldByName("ShortDateDay");
    TField* title = diary.table->FieldByName("Title");
    TField* text = diary.table->FieldByName("Text");
    int n = kDays;
    const bench::PageFaults faults(state);
    for (auto _ : state) {
      const std::string key = Day(n);
      diary.table->Insert();
      day->SetAsString(key);
      title->SetAsString(Title(key));
      text->SetAsString(data.Memo(static_cast<std::size_t>(n)));
      diary.table->Post();
      ++n;
    }
    diary.table->Close();
  }
  auto owner = std::make_unique<TComponent>(nullptr);
  TSQLMemTable* drop = New<TSQLMemTable>(owner.get());
  drop->SetDatabaseName(kDatabase);
  drop->SetTableName(name);
  drop->DeleteTable();
  state.SetItemsProcessed(state.iterations());
}

struct Table {
  explicit Table(const AnsiString& name) {
    owner = std::make_unique<TComponent>(nullptr);
    table = New<TSQLMemTable>(owner.get());
    table->SetDatabaseName(kDatabase);
    table->SetTableName(name);
  }
  std::unique_ptr<TComponent> owner;
  TSQLMemTable* table;
};

void OursSave(benchmark::State& state) {
  Table t(DiaryTable());
  const AnsiString file = TheEngine().File("save.dat");
  const bench::PageFaults faults(state);
  for (auto _ : state) t.table->SaveToFile(file, 1, 9, 2097152);
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file.c_str()));
  state.SetItemsProcessed(state.iterations() * kDays);
}

void OursLoad(benchmark::State& state) {
  const AnsiString file = TheEngine().File("load.dat");
  Table(DiaryTable()).table->SaveToFile(file, 1, 9, 2097152);
  Table t("loaded");
  const bench::PageFaults faults(state);
  for (auto _ : state) t.table->LoadFromFile(file);
  state.SetItemsProcessed(state.iterations() * kDays);
}

// ---- zlib: the same table's bytes stored uncompressed ----

std::vector<Byte> StoredTable() {
  TMemoryStream stored;
  Table(DiaryTable()).table->SaveToStream(stored, 0, 0, 2097152);
  std::vector<Byte> bytes(static_cast<std::size_t>(stored.GetSize()));
  stored.SetPosition(0);
  stored.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return bytes;
}

void WriteFile(const std::string& path, const Byte* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size) throw std::runtime_error("cannot write " + path);
  std::fflush(f);
  ::fsync(::fileno(f));
  std::fclose(f);
}

// The whole file in one read.
std::vector<Byte> ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot read " + path);
  std::fseek(f, 0, SEEK_END);
  std::vector<Byte> bytes(static_cast<std::size_t>(std::ftell(f)));
  std::fseek(f, 0, SEEK_SET);
  const bool complete = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  if (!complete) throw std::runtime_error("cannot read " + path);
  return bytes;
}

void ZlibSave(benchmark::State& state) {
  const std::vector<Byte> bytes = StoredTable();
  const std::string file = TheEngine().File("zlib.dat");
  std::vector<Byte> out(compressBound(static_cast<uLong>(bytes.size())));
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    uLongf size = static_cast<uLongf>(out.size());
    if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9) != Z_OK)
      state.SkipWithError("compress2 failed");
    WriteFile(file, out.data(), size);
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
  state.SetItemsProcessed(state.iterations() * kDays);
}

void ZlibLoad(benchmark::State& state) {
  const std::vector<Byte> bytes = StoredTable();
  const std::string file = TheEngine().File("zlib-load.dat");
  {
    std::vector<Byte> out(compressBound(static_cast<uLong>(bytes.size())));
    uLongf size = static_cast<uLongf>(out.size());
    compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9);
    WriteFile(file, out.data(), size);
  }
  std::vector<Byte> table(bytes.size());
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    const std::vector<Byte> packed = ReadFile(file);
    uLongf size = static_cast<uLongf>(table.size());
    if (uncompress(table.data(), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK)
      state.SkipWithError("uncompress failed");
    benchmark::DoNotOptimize(table.data());
  }
  state.SetItemsProcessed(state.iterations() * kDays);
}

#ifdef QN_BENCH_SQLITE
// ---- SQLite ----

struct SqliteDiary {
  SqliteDiary() {
    sqlite3_open(":memory:", &db);
    Exec("CREATE TABLE days(RecID INTEGER PRIMARY KEY AUTOINCREMENT, ShortDateDay VARCHAR(10) NOT NULL UNIQUE, "
         "Title VARCHAR(25), Text TEXT)");
    Exec("BEGIN");
    std::vector<int> order(kDays);
    for (int i = 0; i < kDays; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    sqlite3_stmt* insert = Prepare("INSERT INTO days(ShortDateDay, Title, Text) VALUES(?, ?, ?)");
    for (int n : order) Insert(insert, n);
    sqlite3_finalize(insert);
    Exec("COMMIT");
  }
  ~SqliteDiary() { sqlite3_close(db); }
  void Exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    return statement;
  }
  void Insert(sqlite3_stmt* insert, int n) {
    const std::string day = Day(n);
    const std::string title = Title(day);
    const std::string& memo = TheData().Memo(static_cast<std::size_t>(n));
    sqlite3_bind_text(insert, 1, day.data(), static_cast<int>(day.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, title.data(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, memo.data(), static_cast<int>(memo.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_reset(insert);
  }
  sqlite3* db = nullptr;
};

void SqliteScroll(benchmark::State& state) {
  SqliteDiary diary;
  sqlite3_stmt* scan = diary.Prepare("SELECT Title FROM days ORDER BY ShortDateDay");
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t bytes = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      sqlite3_column_text(scan, 0);
      bytes += static_cast<std::size_t>(sqlite3_column_bytes(scan, 0));
    }
    sqlite3_reset(scan);
    benchmark::DoNotOptimize(bytes);
  }
  sqlite3_finalize(scan);
  state.SetItemsProcessed(state.iterations() * kDays);
}

void SqliteLocate(benchmark::State& state) {
  const Data& data = TheData();
  SqliteDiary diary;
  sqlite3_stmt* find = diary.Prepare("SELECT RecID, ShortDateDay, Title FROM days WHERE ShortDateDay = ?");
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    int found = 0;
    std::size_t bytes = 0;
    for (const std::string& day : data.lookups) {
      sqlite3_bind_text(find, 1, day.data(), static_cast<int>(day.size()), SQLITE_STATIC);
      if (sqlite3_step(find) == SQLITE_ROW) {
        ++found;
        bytes += static_cast<std::size_t>(sqlite3_column_int64(find, 0));
        for (int column = 1; column < 3; ++column) {
          sqlite3_column_text(find, column);
          bytes += static_cast<std::size_t>(sqlite3_column_bytes(find, column));
        }
      }
      sqlite3_reset(find);
    }
    benchmark::DoNotOptimize(bytes);
    if (found != kLocates) state.SkipWithError("a day was not found");
  }
  sqlite3_finalize(find);
  state.SetItemsProcessed(state.iterations() * kLocates);
}

void SqliteInsert(benchmark::State& state) {
  SqliteDiary diary;
  sqlite3_stmt* insert = diary.Prepare("INSERT INTO days(ShortDateDay, Title, Text) VALUES(?, ?, ?)");
  int n = kDays;
  const bench::PageFaults faults(state);
  for (auto _ : state) diary.Insert(insert, n++);  // no open transaction: each row commits on its own
  sqlite3_finalize(insert);
  state.SetItemsProcessed(state.iterations());
}
#endif

void Register() {
  const auto add = [](const std::string& what, void (*ours)(benchmark::State&), void (*anchor)(benchmark::State&),
                      bool fixedRows) {
    const std::string name = "pair:diary/" + what;
    for (auto* b : {benchmark::RegisterBenchmark((name + "/ours").c_str(), ours),
                    anchor ? benchmark::RegisterBenchmark((name + "/anchor").c_str(), anchor) : nullptr}) {
      if (b == nullptr) continue;
      if (fixedRows) b->Iterations(kInserts)->Unit(benchmark::kMicrosecond);
      else b->Unit(benchmark::kMillisecond);
    }
  };
#ifdef QN_BENCH_SQLITE
  add("scroll", OursScroll, SqliteScroll, false);
  add("locate", OursLocate, SqliteLocate, false);
  add("insert", OursInsert, SqliteInsert, true);
#else
  add("scroll", OursScroll, nullptr, false);
  add("locate", OursLocate, nullptr, false);
  add("insert", OursInsert, nullptr, true);
#endif
  add("save_zlib9", OursSave, ZlibSave, false);
  add("load", OursLoad, ZlibLoad, false);
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
