// The diary's table through the local cursor beside the same work in SQLite (in memory, one
// transaction, the same rows): inserting N days with 2 kB memos, a full forward scan reading every
// column, Locate by day, and saving and loading the table (the diary's file: zlib, level 9). Saving is
// held against zlib -9 over the same bytes (the stream stored uncompressed) and against SQLite's backup
// to a file (ours written to a file and flushed there as well); loading against SQLite's backup from that
// file, warm (the same process again and again) and in a fresh process (a child of this program loads
// once and reports its CPU time, the first touch of its memory included). tools/bench prints ours /
// anchor for each pair, with the targets: inserts within 1.5x of SQLite, scans and Locate no slower than
// SQLite, save within 0.6x of zlib -9 with a file no larger than zlib's, loading within 1.2x of SQLite.
// QN_BENCH_QUICK=1 registers the 20 000-day pairs only.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <zlib.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PageFaults.h"
#include "RealText.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Variant.h"
#ifdef QN_BENCH_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr char kDatabase[] = "BENCHDIARY";
constexpr std::size_t kMemoSize = 2048;
constexpr int kLocates = 1000;
enum : Integer { kRecID = 0, kDay = 1, kTitle = 2, kText = 3 };

std::string Day(int n) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", 1900 + n / 372, 1 + n / 31 % 12, 1 + n % 31);
  return text;
}

// The rows of a run: day, title and memo, in a shuffled order of days.
struct Rows {
  explicit Rows(int n) : memos(bench::DiaryTexts(64, kMemoSize)) {
    for (int i = 0; i < n; ++i) days.push_back(Day(i));
    std::mt19937 random(7);
    std::shuffle(days.begin(), days.end(), random);
    for (int i = 0; i < kLocates; ++i) lookups.push_back(days[random() % days.size()]);
  }
  const std::string& Memo(std::size_t i) const { return memos[i % memos.size()]; }
  std::vector<std::string> days, memos, lookups;
};

const Rows& RowsOf(int n) {
  static std::vector<std::unique_ptr<Rows>> all;
  for (const auto& rows : all)
    if (static_cast<int>(rows->days.size()) == n) return *rows;
  all.push_back(std::make_unique<Rows>(n));
  return *all.back();
}

// ---- ours ----

struct Diary {
  Diary() {
    InitializeEngineFoundation();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    session.InMemory = 1;
    session.DatabaseName = kDatabase;
    session.SetConnected(true);
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = "Days";
    TSQLMemFieldDefs fields;
    const auto add = [&](const char* name, Byte type, Integer size) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = name;
      field.SetDataType(type, size);
    };
    add("RecID", sftAutoInc, 0);
    add("ShortDateDay", sftVarchar, 10);
    add("Title", sftVarchar, 25);
    add("Text", sftMemo, 0);
    TSQLMemIndexDefs indexes;
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = "ByShortDate";
    index.Primary = 1;
    index.Unique = 1;
    index.SetColumnCount(1);
    index.GetColumn(0).Name = "ShortDateDay";
    TSQLMemConstraintDefs constraints;
    ConstraintFromIndexDef(index, constraints);
    cursor.CreateTable(fields, indexes, constraints);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetIndexName("ByShortDate");
  }
  ~Diary() {
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    cursor.DeleteTable(false);
    session.SetConnected(false);
  }
  void Put(Integer fieldNo, const std::string& text) {
    value.SetAsString(text);
    cursor.SetFieldValue(nullptr, value, fieldNo, false);
  }
  void Insert(const std::string& day, const std::string& memo) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    Put(kDay, day);
    Put(kTitle, "Title of " + day);
    TStream* stream = cursor.OpenBLOB(kText, bomWrite);
    stream->WriteBuffer(memo.data(), static_cast<Integer>(memo.size()));
    cursor.CloseBLOB(kText);
    cursor.PostRecord(true);
    if (cursor.ResultCode != 0) throw std::runtime_error(cursor.ErrorText);
  }
  void InsertAll(const Rows& rows) {
    for (std::size_t i = 0; i < rows.days.size(); ++i) Insert(rows.days[i], rows.Memo(i));
  }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database;
  TSQLMemLocalSession session;
  TSQLMemLocalCursor cursor;
  TSQLMemVariant value;
};

void OursInsert(benchmark::State& state) {
  const Rows& rows = RowsOf(static_cast<int>(state.range(0)));
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    state.PauseTiming();
    {
      Diary diary;
      state.ResumeTiming();
      diary.InsertAll(rows);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void OursScan(benchmark::State& state) {
  Diary diary;
  diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
  TSQLMemVariant value;
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t bytes = 0;
    diary.cursor.SetBeginOfData();
    while (diary.cursor.GetRecord(1) == 0) {
      for (Integer field : {kRecID, kDay, kTitle, kText}) {
        diary.cursor.GetFieldValue(value, field, false, false);
        bytes += static_cast<std::size_t>(value.DataSize());
      }
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void OursLocate(benchmark::State& state) {
  Diary diary;
  const Rows& rows = RowsOf(static_cast<int>(state.range(0)));
  diary.InsertAll(rows);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    int found = 0;
    for (const std::string& day : rows.lookups) found += diary.cursor.Locate("ShortDateDay", Variant(day), false, false);
    if (found != kLocates) state.SkipWithError("a day was not found");
  }
  state.SetItemsProcessed(state.iterations() * kLocates);
}

std::string BenchFile(const char* kind) {
  return (std::filesystem::temp_directory_path() / ("qn_bench_diary_" + std::to_string(::getpid()) + kind)).string();
}

// The table stream of the diary (closed, as the diary saves it).
void SaveDiary(Diary& diary, TStream& file, Byte algorithm) {
  diary.cursor.FreeRecordBuffer(diary.cursor.CurrentRecordBuffer);
  diary.cursor.CloseTable();
  diary.cursor.SaveTableToStream(file, algorithm, 9, 2097152, false, false);
}

void OursSave(benchmark::State& state) {
  Diary diary;
  diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
  diary.cursor.FreeRecordBuffer(diary.cursor.CurrentRecordBuffer);
  diary.cursor.CloseTable();
  Int64 fileBytes = 0;
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    TMemoryStream file;
    diary.cursor.SaveTableToStream(file, 1, 9, 2097152, false, false);
    fileBytes = file.GetSize();
  }
  state.counters["file_bytes"] = static_cast<double>(fileBytes);
  diary.cursor.OpenTable(nullptr, nullptr, nullptr);
  diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
}

// The same save into a file on disk, flushed there, as SQLite's backup into a file is.
void OursSaveFile(benchmark::State& state) {
  Diary diary;
  diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
  diary.cursor.FreeRecordBuffer(diary.cursor.CurrentRecordBuffer);
  diary.cursor.CloseTable();
  const std::string path = BenchFile(".save");
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    TMemoryStream file;
    diary.cursor.SaveTableToStream(file, 1, 9, 2097152, false, false);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(file.Memory(), 1, static_cast<std::size_t>(file.GetSize()), f) !=
                            static_cast<std::size_t>(file.GetSize()))
      state.SkipWithError("cannot write the file");
    if (f != nullptr) {
      std::fflush(f);
      ::fsync(::fileno(f));
      std::fclose(f);
    }
  }
  std::filesystem::remove(path);
  diary.cursor.OpenTable(nullptr, nullptr, nullptr);
  diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
}

// zlib -9 over the bytes of the same table stream stored uncompressed.
void ZlibSave(benchmark::State& state) {
  std::vector<Byte> bytes;
  {
    Diary diary;
    diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
    TMemoryStream stored;
    SaveDiary(diary, stored, 0);
    bytes.resize(static_cast<std::size_t>(stored.GetSize()));
    stored.SetPosition(0);
    stored.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    diary.cursor.OpenTable(nullptr, nullptr, nullptr);
    diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
  }
  std::vector<Byte> out(compressBound(static_cast<uLong>(bytes.size())));
  uLongf size = 0;
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    size = static_cast<uLongf>(out.size());
    compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9);
    benchmark::DoNotOptimize(size);
  }
  state.counters["file_bytes"] = static_cast<double>(size);
}

// Loading reads the diary's file as the diary does: a file stream that others may only read.
constexpr Word kLoadMode = 0x20;

// The diary's file of n days, written once per program run and removed at its end.
const std::string& DiaryFile(int n) {
  struct File {
    std::string path;
    ~File() { std::filesystem::remove(path); }
  };
  static std::vector<std::pair<int, std::unique_ptr<File>>> files;
  for (const auto& f : files)
    if (f.first == n) return f.second->path;
  auto file = std::make_unique<File>();
  file->path = BenchFile((".qnt" + std::to_string(n)).c_str());
  {
    Diary diary;
    diary.InsertAll(RowsOf(n));
    TSQLMemFileStream stream(file->path, SQLMemFileModeCreate);
    SaveDiary(diary, stream, 1);
    diary.cursor.OpenTable(nullptr, nullptr, nullptr);
    diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
  }
  files.emplace_back(n, std::move(file));
  return files.back().second->path;
}

void OursLoad(benchmark::State& state) {
  const std::string& path = DiaryFile(static_cast<int>(state.range(0)));
  Diary diary;
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    TSQLMemFileStream file(path, kLoadMode);
    diary.cursor.LoadTableFromStream(file);
  }
  diary.cursor.OpenTable(nullptr, nullptr, nullptr);
  diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
}

// ---- a fresh process ----

// The option that makes this program a child that loads one file and prints the CPU time of the load.
constexpr char kFreshLoadOption[] = "--fresh-load=";

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs this program as a child that loads `path` the `kind` way ("ours" or "anchor") and returns the
// CPU time it reports (user and system time: the first touch of a page is the system's).
double FreshLoadSeconds(const char* kind, const std::string& path) {
  const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe " + kFreshLoadOption + kind + ":" + path;
  std::FILE* child = ::popen(command.c_str(), "r");
  if (child == nullptr) throw std::runtime_error("cannot start " + command);
  double seconds = -1;
  if (std::fscanf(child, "%lf", &seconds) != 1) seconds = -1;
  if (::pclose(child) != 0 || seconds < 0) throw std::runtime_error("the fresh load failed: " + command);
  return seconds;
}

void OursLoadFresh(benchmark::State& state) {
  const std::string& path = DiaryFile(static_cast<int>(state.range(0)));
  for (auto _ : state) state.SetIterationTime(FreshLoadSeconds("ours", path));
}

int OursFreshLoad(const std::string& path) {
  Diary diary;
  const double start = ProcessCpuSeconds();
  {
    TSQLMemFileStream file(path, kLoadMode);
    diary.cursor.LoadTableFromStream(file);
  }
  std::printf("%.9f\n", ProcessCpuSeconds() - start);
  diary.cursor.OpenTable(nullptr, nullptr, nullptr);
  diary.cursor.CurrentRecordBuffer = diary.cursor.AllocRecordBuffer();
  return 0;
}

#ifdef QN_BENCH_SQLITE
// ---- the anchor ----

struct SqliteDiary {
  SqliteDiary() {
    sqlite3_open(":memory:", &db);
    Exec("CREATE TABLE Days(RecID INTEGER PRIMARY KEY AUTOINCREMENT, ShortDateDay VARCHAR(10) NOT NULL UNIQUE, "
         "Title VARCHAR(25), Text TEXT)");
  }
  ~SqliteDiary() { sqlite3_close(db); }
  void Exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  }
  void InsertAll(const Rows& rows) {
    Exec("BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Days(ShortDateDay, Title, Text) VALUES(?, ?, ?)", -1, &insert, nullptr);
    for (std::size_t i = 0; i < rows.days.size(); ++i) {
      const std::string title = "Title of " + rows.days[i];
      sqlite3_bind_text(insert, 1, rows.days[i].data(), static_cast<int>(rows.days[i].size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 2, title.data(), static_cast<int>(title.size()), SQLITE_STATIC);
      const std::string& memo = rows.Memo(i);
      sqlite3_bind_text(insert, 3, memo.data(), static_cast<int>(memo.size()), SQLITE_STATIC);
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec("COMMIT");
  }
  sqlite3* db = nullptr;
};

void SqliteInsert(benchmark::State& state) {
  const Rows& rows = RowsOf(static_cast<int>(state.range(0)));
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    state.PauseTiming();
    {
      SqliteDiary diary;
      state.ResumeTiming();
      diary.InsertAll(rows);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SqliteScan(benchmark::State& state) {
  SqliteDiary diary;
  diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(diary.db, "SELECT RecID, ShortDateDay, Title, Text FROM Days ORDER BY ShortDateDay", -1, &scan,
                     nullptr);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t bytes = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      bytes += static_cast<std::size_t>(sqlite3_column_int64(scan, 0) != 0);
      for (int column = 1; column < 4; ++column) {
        sqlite3_column_text(scan, column);
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(scan, column));
      }
    }
    sqlite3_reset(scan);
    benchmark::DoNotOptimize(bytes);
  }
  sqlite3_finalize(scan);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SqliteLocate(benchmark::State& state) {
  SqliteDiary diary;
  const Rows& rows = RowsOf(static_cast<int>(state.range(0)));
  diary.InsertAll(rows);
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(diary.db, "SELECT RecID, ShortDateDay, Title, Text FROM Days WHERE ShortDateDay = ?", -1, &find,
                     nullptr);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    int found = 0;
    for (const std::string& day : rows.lookups) {
      sqlite3_bind_text(find, 1, day.data(), static_cast<int>(day.size()), SQLITE_STATIC);
      found += sqlite3_step(find) == SQLITE_ROW;
      sqlite3_reset(find);
    }
    if (found != kLocates) state.SkipWithError("a day was not found");
  }
  sqlite3_finalize(find);
  state.SetItemsProcessed(state.iterations() * kLocates);
}
// SQLite's save: the in-memory database backed up into a file.
void Backup(sqlite3* from, const char* path, bool toFile) {
  sqlite3* file = nullptr;
  sqlite3_open(path, &file);
  sqlite3_backup* backup = toFile ? sqlite3_backup_init(file, "main", from, "main")
                                  : sqlite3_backup_init(from, "main", file, "main");
  sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  sqlite3_close(file);
}

void SqliteSave(benchmark::State& state) {
  SqliteDiary diary;
  diary.InsertAll(RowsOf(static_cast<int>(state.range(0))));
  const std::string path = BenchFile(".db");
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
    Backup(diary.db, path.c_str(), true);
  }
  std::filesystem::remove(path);
}

// SQLite's file of n days, written once per program run and removed at its end.
const std::string& SqliteFile(int n) {
  struct File {
    std::string path;
    ~File() { std::filesystem::remove(path); }
  };
  static std::vector<std::pair<int, std::unique_ptr<File>>> files;
  for (const auto& f : files)
    if (f.first == n) return f.second->path;
  auto file = std::make_unique<File>();
  file->path = BenchFile((".db" + std::to_string(n)).c_str());
  {
    SqliteDiary diary;
    diary.InsertAll(RowsOf(n));
    std::filesystem::remove(file->path);
    Backup(diary.db, file->path.c_str(), true);
  }
  files.emplace_back(n, std::move(file));
  return files.back().second->path;
}

void SqliteLoadFile(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Backup(db, path.c_str(), false);
  sqlite3_close(db);
}

void SqliteLoad(benchmark::State& state) {
  const std::string& path = SqliteFile(static_cast<int>(state.range(0)));
  const bench::PageFaults faults(state);
  for (auto _ : state) SqliteLoadFile(path);
}

void SqliteLoadFresh(benchmark::State& state) {
  const std::string& path = SqliteFile(static_cast<int>(state.range(0)));
  for (auto _ : state) state.SetIterationTime(FreshLoadSeconds("anchor", path));
}

int SqliteFreshLoad(const std::string& path) {
  const double start = ProcessCpuSeconds();
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Backup(db, path.c_str(), false);
  const double took = ProcessCpuSeconds() - start;
  std::printf("%.9f\n", took);
  sqlite3_close(db);
  return 0;
}
#endif

void Register() {
  const bool quick = std::getenv("QN_BENCH_QUICK") != nullptr && std::strcmp(std::getenv("QN_BENCH_QUICK"), "1") == 0;
  for (int n : {1000, 20000, 100000}) {
    if (quick && n != 20000) continue;
    const std::string size = std::to_string(n);
    // Inserts build a whole table per iteration: a fixed, small number of them.
    const auto add = [&](const std::string& what, void (*ours)(benchmark::State&), void (*anchor)(benchmark::State&)) {
      const std::string name = "pair:diary_cursor/" + what + "/" + size;
      const auto configure = [&](benchmark::internal::Benchmark* b) {
        b->Arg(n)->Unit(benchmark::kMillisecond);
        if (what == "insert") b->Iterations(n >= 100000 ? 1 : 3);
        if (n >= 100000 && what != "scan" && what != "locate") b->Iterations(2);
        // A child process per iteration, timed by what it reports.
        if (what == "load_fresh") b->Iterations(quick ? 3 : 7)->UseManualTime();
      };
      configure(benchmark::RegisterBenchmark((name + "/ours").c_str(), ours));
#ifdef QN_BENCH_SQLITE
      configure(benchmark::RegisterBenchmark((name + "/anchor").c_str(), anchor));
#else
      (void)anchor;
#endif
    };
#ifdef QN_BENCH_SQLITE
    add("insert", OursInsert, SqliteInsert);
    add("scan", OursScan, SqliteScan);
    add("locate", OursLocate, SqliteLocate);
    add("save_vs_zlib9", OursSave, ZlibSave);
    add("save", OursSaveFile, SqliteSave);
    add("load", OursLoad, SqliteLoad);
    if (n <= 20000) add("load_fresh", OursLoadFresh, SqliteLoadFresh);
#else
    add("insert", OursInsert, nullptr);
    add("scan", OursScan, nullptr);
    add("locate", OursLocate, nullptr);
    add("save_vs_zlib9", OursSave, ZlibSave);
#endif
  }
}

// A child started by FreshLoadSeconds: one load, its CPU time on standard output.
int FreshLoad(const std::string& request) {
  const std::size_t colon = request.find(':');
  const std::string kind = request.substr(0, colon);
  const std::string path = request.substr(colon + 1);
  if (kind == "ours") return OursFreshLoad(path);
#ifdef QN_BENCH_SQLITE
  if (kind == "anchor") return SqliteFreshLoad(path);
#endif
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], kFreshLoadOption, std::strlen(kFreshLoadOption)) == 0)
      return FreshLoad(argv[i] + std::strlen(kFreshLoadOption));
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
