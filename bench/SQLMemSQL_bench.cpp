// SQL statements through the query component, as an application runs them, beside SQLite in the same
// program (in-memory database, prepared statement, the same rows): a point SELECT by the primary key
// with a parameter, a range scan over a secondary index with two parameters, an ORDER BY that no
// index serves, and a GROUP BY with COUNT and SUM over a column without an index (100 groups); a join
// of two 10 000-row tables on an indexed key; INSERT ... SELECT of the whole table into an empty one
// of the same layout (SQLite in one transaction). Every column of every row of each result is read on
// both sides. For the profile, without a target: the fixed cost of one statement, the point SELECT's
// text run once by the SQL processor (lexer, parser, operator tree, result table, no query component)
// and its lexer and parser alone, each beside sqlite3_prepare_v2 and finalize of the same text. And the diary's search end to end: the text set, p set, open, Title and Text of every hit
// read, close, over 20 000 days with 2 KB Hungarian memos (SQLite with case_sensitive_like on, as our
// LIKE compares letter case). tools/bench prints ours / anchor for each "pair:sql/..." path.
//
// The table "items" (kRows rows) is shared by every benchmark of this program and may be joined with
// further tables of the same layout (RowsTable(name, count)):
//   ID     integer, primary key (index ByID), 1 .. count in insertion order
//   Code   integer, a permutation of 1 .. count, secondary index ByCode
//   Grp    integer, 0 .. 99, no index (for grouping)
//   Name   varchar(20), pseudo-random letters, no index (for sorting)
//   Amount double
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "DiaryBenchTable.h"
#include "PageFaults.h"
#include "RealText.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/TextConv.h"
#ifdef QN_BENCH_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr char kDatabase[] = "SQLBENCH";
constexpr int kRows = 100000;
constexpr int kLookups = 1000;     // point SELECTs per iteration
constexpr int kRanges = 10;        // range scans per iteration
constexpr int kRangeWidth = 1000;  // rows per range scan

constexpr int kDiaryDays = 20000;
constexpr char kSearchTerm[] = "hiba";  // lower-case ASCII: both sides find the same days

constexpr char kPointSelect[] = "select * from items where ID = :id";
constexpr char kRangeScan[] = "select * from items where Code >= :lo and Code < :hi";
constexpr char kOrderBy[] = "select * from items order by Name";
constexpr char kGroupBy[] = "select Grp, count(*), sum(Amount) from items group by Grp";
constexpr int kGroups = 100;  // the values of Grp
// Each row of ja finds its one partner in jb through jb's primary key (Code is a permutation of the IDs).
constexpr int kJoinRows = 10000;
constexpr char kJoin[] = "select * from ja join jb on ja.Code = jb.ID";
constexpr char kInsertSelect[] = "insert into copied select * from items";
constexpr char kEmptyCopy[] = "delete from copied";

// ---- the rows, the same on both sides ----

struct Row {
  int id, code, grp;
  std::string name;
  double amount;
};

// The rows of a table of `count` rows; the same count gives the same rows.
std::vector<Row> MakeRows(int count) {
  std::mt19937 random(7);
  std::vector<int> codes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) codes[static_cast<std::size_t>(i)] = i + 1;
  std::shuffle(codes.begin(), codes.end(), random);
  std::vector<Row> rows(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Row& row = rows[static_cast<std::size_t>(i)];
    row.id = i + 1;
    row.code = codes[static_cast<std::size_t>(i)];
    row.grp = static_cast<int>(random() % 100);
    const std::size_t length = 6 + random() % 15;
    for (std::size_t c = 0; c < length; ++c) row.name += static_cast<char>('a' + random() % 26);
    row.amount = static_cast<double>(random() % 1000000) / 100.0;
  }
  return rows;
}

// The random keys of the point look-ups and the starts of the ranges.
struct Keys {
  Keys() {
    std::mt19937 random(11);
    for (int i = 0; i < kLookups; ++i) ids.push_back(1 + static_cast<int>(random() % kRows));
    for (int i = 0; i < kRanges; ++i) starts.push_back(1 + static_cast<int>(random() % (kRows - kRangeWidth)));
  }
  std::vector<int> ids, starts;
};

const Keys& TheKeys() {
  static const Keys keys;
  return keys;
}

// Every iteration must have read `perIteration` rows: a wrong plan or a wrong result is no measurement.
void CheckRows(benchmark::State& state, std::size_t rows, std::size_t perIteration) {
  if (rows != static_cast<std::size_t>(state.iterations()) * perIteration) state.SkipWithError("wrong row count");
}

// ---- ours: an in-memory database with the tables, made once for the whole program ----

struct Engine {
  Engine() {
    InitializeEngineFoundation();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    bench::ConnectInMemory(session, kDatabase);
  }

  // Creates table `name` of the layout above with the rows of MakeRows(count).
  void CreateRows(const AnsiString& name, int count) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = name;
    TSQLMemFieldDefs fields;
    const std::pair<const char*, std::pair<Byte, Integer>> columns[] = {{"ID", {sftInteger, 0}},
                                                                         {"Code", {sftInteger, 0}},
                                                                         {"Grp", {sftInteger, 0}},
                                                                         {"Name", {sftVarchar, 20}},
                                                                         {"Amount", {sftDouble, 0}}};
    for (const auto& column : columns) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = column.first;
      field.SetDataType(column.second.first, column.second.second);
    }
    TSQLMemIndexDefs indexes;
    TSQLMemIndexDef& primary = indexes.AddIndexDef();
    primary.Name = "ByID";
    primary.Primary = 1;
    primary.Unique = 1;
    primary.SetColumnCount(1);
    primary.GetColumn(0).Name = "ID";
    TSQLMemIndexDef& byCode = indexes.AddIndexDef();
    byCode.Name = "ByCode";
    byCode.SetColumnCount(1);
    byCode.GetColumn(0).Name = "Code";
    TSQLMemConstraintDefs constraints;
    ConstraintFromIndexDef(primary, constraints);
    cursor.CreateTable(fields, indexes, constraints);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    for (const Row& row : MakeRows(count)) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      // A value keeps the type it was given first, so each column has its own.
      TSQLMemVariant id, code, grp, name, amount;
      id.SetAsInteger(row.id);
      code.SetAsInteger(row.code);
      grp.SetAsInteger(row.grp);
      name.SetAsString(row.name);
      amount.SetAsDouble(row.amount);
      Integer fieldNo = 0;
      for (TSQLMemVariant* value : {&id, &code, &grp, &name, &amount})
        cursor.SetFieldValue(nullptr, *value, fieldNo++, false);  // numbered from 0
      cursor.PostRecord(true);
      if (cursor.ResultCode != 0) throw std::runtime_error(cursor.ErrorText);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database;
  TSQLMemLocalSession session;
  std::map<AnsiString, int> tables;
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

// Table `name` of `count` rows in our database, made at its first use.
const AnsiString& RowsTable(const AnsiString& name = "items", int count = kRows) {
  Engine& engine = TheEngine();
  auto [it, made] = engine.tables.emplace(name, count);
  if (made) engine.CreateRows(name, count);
  if (it->second != count) throw std::logic_error("table " + name + " exists with another row count");
  return it->first;
}

// A query component on our database as an application holds one.
struct Query {
  // The engine and the shared table exist before the component.
  explicit Query(const char* text) : query((RowsTable(), std::make_unique<TSQLMemQuery>(nullptr))) {
    query->SetDatabaseName(kDatabase);
    query->SQL().SetText(text);
  }
  // Reads every column of every row of the open query; the sum of what it read. Counts the rows.
  std::size_t ReadAll() {
    std::vector<TField*> fields;
    for (int i = 0; i < query->FieldCount(); ++i) fields.push_back(query->Fields()[i]);
    std::size_t sum = 0;
    for (; !query->Eof(); query->Next()) {
      ++rows;
      for (TField* field : fields) {
        switch (field->DataType()) {
          case ftInteger: sum += static_cast<std::size_t>(field->AsInteger()); break;
          case ftFloat: sum += static_cast<std::size_t>(field->AsFloat()); break;
          default: sum += field->AsString().size(); break;
        }
      }
    }
    return sum;
  }
  std::unique_ptr<TSQLMemQuery> query;
  std::size_t rows = 0;
};

// ---- the diary's search ----

// The diary's days: key, title and a 2 KB memo of real Hungarian text (cp1250), in key order.
struct DiaryDay {
  std::string key, title, text;
};

const std::vector<DiaryDay>& DiaryDays() {
  static const std::vector<DiaryDay> days = [] {
    std::vector<std::string> memos;
    for (const std::string& text : bench::DiaryTexts(256, 2048)) memos.push_back(Utf16ToCp1250(Utf8ToUtf16(text)));
    std::vector<DiaryDay> all;
    for (int n = 0; n < kDiaryDays; ++n) {
      char key[16];
      std::snprintf(key, sizeof key, "%04d.%02d.%02d", 1900 + n / 372, 1 + n / 31 % 12, 1 + n % 31);
      all.push_back({key, std::string(key) + " - nap", memos[static_cast<std::size_t>(n) % memos.size()]});
    }
    return all;
  }();
  return days;
}

// The diary's table "fans" in our database, made once.
const AnsiString& DiaryTable() {
  static const AnsiString name = [] {
    TSQLMemLocalCursor cursor;
    bench::OpenNewDiaryTable(cursor, TheEngine().session, "fans");
    for (const DiaryDay& day : DiaryDays()) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      bench::PutText(cursor, 1, day.key);
      bench::PutText(cursor, 2, day.title);
      TStream* stream = cursor.OpenBLOB(3, bomWrite);
      stream->WriteBuffer(day.text.data(), static_cast<Integer>(day.text.size()));
      cursor.CloseBLOB(3);
      cursor.PostRecord(true);
      if (cursor.ResultCode != 0) throw std::runtime_error(cursor.ErrorText);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    return AnsiString("fans");
  }();
  return name;
}

void OursDiarySearch(benchmark::State& state) {
  DiaryTable();
  Query q("");
  TSQLMemQuery& query = *q.query;
  const bench::PageFaults faults(state);
  std::size_t hits = 0;
  for (auto _ : state) {
    // As the diary's search handler does it.
    query.Close();
    query.SQL().Clear();
    query.SQL().Add("select * from " + DiaryTable() + " where lower(Text) like :p order by Title");
    query.Params().Items(0)->SetAsString(std::string("%") + kSearchTerm + "%");
    query.Open();
    TField* title = query.FieldByName("Title");
    TField* text = query.FieldByName("Text");
    std::size_t bytes = 0;
    hits = 0;
    for (query.First(); !query.Eof(); query.Next(), ++hits) bytes += title->AsString().size() + text->AsString().size();
    query.Close();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["hits"] = static_cast<double>(hits);
}

void OursPointSelect(benchmark::State& state) {
  Query q(kPointSelect);
  TParam* id = q.query->ParamByName("id");
  q.query->Prepare();
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t sum = 0;
    for (int key : TheKeys().ids) {
      id->SetAsInteger(key);
      q.query->Open();
      sum += q.ReadAll();
      q.query->Close();
    }
    benchmark::DoNotOptimize(sum);
  }
  CheckRows(state, q.rows, static_cast<std::size_t>(kLookups));
  state.SetItemsProcessed(state.iterations() * kLookups);
}

void OursRangeScan(benchmark::State& state) {
  Query q(kRangeScan);
  TParam* lo = q.query->ParamByName("lo");
  TParam* hi = q.query->ParamByName("hi");
  q.query->Prepare();
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t sum = 0;
    for (int start : TheKeys().starts) {
      lo->SetAsInteger(start);
      hi->SetAsInteger(start + kRangeWidth);
      q.query->Open();
      sum += q.ReadAll();
      q.query->Close();
    }
    benchmark::DoNotOptimize(sum);
  }
  CheckRows(state, q.rows, static_cast<std::size_t>(kRanges * kRangeWidth));
  state.SetItemsProcessed(state.iterations() * kRanges * kRangeWidth);
}

// One statement without parameters over the whole table, giving `rows` rows.
void OursWholeTable(benchmark::State& state, const char* text, int rows) {
  Query q(text);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    q.query->Open();
    benchmark::DoNotOptimize(q.ReadAll());
    q.query->Close();
  }
  CheckRows(state, q.rows, static_cast<std::size_t>(rows));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void OursOrderBy(benchmark::State& state) { OursWholeTable(state, kOrderBy, kRows); }
void OursGroupBy(benchmark::State& state) { OursWholeTable(state, kGroupBy, kGroups); }
void OursJoin(benchmark::State& state) {
  RowsTable("ja", kJoinRows);
  RowsTable("jb", kJoinRows);
  Query q(kJoin);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    q.query->Open();
    benchmark::DoNotOptimize(q.ReadAll());
    q.query->Close();
  }
  CheckRows(state, q.rows, static_cast<std::size_t>(kJoinRows));
  state.SetItemsProcessed(state.iterations() * kJoinRows);
}

void OursInsertSelect(benchmark::State& state) {
  RowsTable("copied", 0);
  Query insert(kInsertSelect);
  Query empty(kEmptyCopy);
  const bench::PageFaults faults(state);
  std::size_t inserted = 0;
  for (auto _ : state) {
    insert.query->ExecuteSQL();
    inserted += static_cast<std::size_t>(insert.query->RowsAffected());
    state.PauseTiming();
    empty.query->ExecuteSQL();
    state.ResumeTiming();
  }
  CheckRows(state, inserted, static_cast<std::size_t>(kRows));
  state.SetItemsProcessed(state.iterations() * kRows);
}

// ---- the fixed cost of one statement ----

// The statement context of a query component on our database.
TSQLMemSQLContext PointSelectContext() {
  const Query q("");
  TSQLMemSQLContext context;
  context.DatabaseName = q.query->DatabaseName();
  context.SessionName = q.query->SessionName();
  context.InMemory = q.query->InMemory();
  return context;
}

// The processor runs the point SELECT's text: lexer, parser, operator tree, result table and its row.
void OursStatementRun(benchmark::State& state) {
  // A prepared query holds the database, as an application's open components do: the runs find it
  // connected.
  Query holder(kPointSelect);
  holder.query->Prepare();
  TSQLMemLocalSQLProcessor processor(PointSelectContext());
  processor.SetSQLText(kPointSelect);
  processor.Params.Add("id").Value.SetAsInteger(TheKeys().ids.front());
  std::size_t rows = 0;
  for (auto _ : state) {
    processor.Prepare();
    rows += static_cast<std::size_t>(processor.ResultCursor()->GetRecordCount());
  }
  CheckRows(state, rows, 1);
}

// The lexer and the parser of the point SELECT's text, nothing run.
void OursStatementParse(benchmark::State& state) {
  const TSQLMemSQLContext context = PointSelectContext();
  TSQLMemSQLParams params;
  params.Add("id").Value.SetAsInteger(1);
  for (auto _ : state) {
    TSQLMemLexer lexer(kPointSelect, &params);
    lexer.NextStatement();
    benchmark::DoNotOptimize(CreateSQLCommand(lexer, context));
  }
}

#ifdef QN_BENCH_SQLITE
// ---- SQLite: the same tables in an in-memory database ----

struct Sqlite {
  Sqlite() { sqlite3_open(":memory:", &db); }
  ~Sqlite() { sqlite3_close(db); }
  void Exec(const std::string& sql) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
    return statement;
  }
  // Creates table `name` of the layout above with the rows of MakeRows(count), once.
  void RowsTable(const std::string& name = "items", int count = kRows) {
    if (!tables.emplace(name, count).second) return;
    Exec("CREATE TABLE " + name +
         "(ID INTEGER PRIMARY KEY, Code INTEGER NOT NULL, Grp INTEGER NOT NULL, Name VARCHAR(20) NOT NULL, "
         "Amount DOUBLE NOT NULL)");
    Exec("CREATE INDEX " + name + "_ByCode ON " + name + "(Code)");
    Exec("BEGIN");
    sqlite3_stmt* insert = Prepare("INSERT INTO " + name + " VALUES(?, ?, ?, ?, ?)");
    for (const Row& row : MakeRows(count)) {
      sqlite3_bind_int(insert, 1, row.id);
      sqlite3_bind_int(insert, 2, row.code);
      sqlite3_bind_int(insert, 3, row.grp);
      sqlite3_bind_text(insert, 4, row.name.data(), static_cast<int>(row.name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_double(insert, 5, row.amount);
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec("COMMIT");
  }
  sqlite3* db = nullptr;
  std::map<std::string, int> tables;
};

Sqlite& TheSqlite() {
  static Sqlite sqlite;
  sqlite.RowsTable();
  return sqlite;
}

// A prepared statement; the SQL text of ours serves unchanged, ":name" being SQLite's marker too.
struct Statement {
  explicit Statement(const char* text) : statement(TheSqlite().Prepare(text)) {}
  ~Statement() { sqlite3_finalize(statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  // Steps through the result reading every column of every row; the sum of what it read.
  std::size_t ReadAll() {
    std::size_t sum = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      ++rows;
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(statement, c)) {
          case SQLITE_INTEGER: sum += static_cast<std::size_t>(sqlite3_column_int(statement, c)); break;
          case SQLITE_FLOAT: sum += static_cast<std::size_t>(sqlite3_column_double(statement, c)); break;
          default:
            sqlite3_column_text(statement, c);
            sum += static_cast<std::size_t>(sqlite3_column_bytes(statement, c));
            break;
        }
      }
    }
    sqlite3_reset(statement);
    return sum;
  }
  sqlite3_stmt* statement;
  std::size_t rows = 0;
};

void SqliteDiarySearch(benchmark::State& state) {
  Sqlite& sqlite = TheSqlite();
  static const bool made = [&sqlite] {
    sqlite.Exec("CREATE TABLE fans(RecID INTEGER PRIMARY KEY AUTOINCREMENT, ShortDateDay VARCHAR(10) NOT NULL UNIQUE, "
                "Title VARCHAR(25), Text TEXT)");
    sqlite.Exec("BEGIN");
    sqlite3_stmt* insert = sqlite.Prepare("INSERT INTO fans(ShortDateDay, Title, Text) VALUES(?, ?, ?)");
    for (const DiaryDay& day : DiaryDays()) {
      sqlite3_bind_text(insert, 1, day.key.data(), static_cast<int>(day.key.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 2, day.title.data(), static_cast<int>(day.title.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 3, day.text.data(), static_cast<int>(day.text.size()), SQLITE_STATIC);
      if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite.db));
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite.Exec("COMMIT");
    sqlite.Exec("PRAGMA case_sensitive_like = ON");
    return true;
  }();
  benchmark::DoNotOptimize(made);
  Statement s("select * from fans where lower(Text) like ?1 order by Title");
  const std::string pattern = std::string("%") + kSearchTerm + "%";
  const bench::PageFaults faults(state);
  std::size_t hits = 0;
  for (auto _ : state) {
    sqlite3_bind_text(s.statement, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_STATIC);
    std::size_t bytes = 0;
    hits = 0;
    while (sqlite3_step(s.statement) == SQLITE_ROW) {
      ++hits;
      for (int column : {2, 3}) {
        sqlite3_column_text(s.statement, column);
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(s.statement, column));
      }
    }
    sqlite3_reset(s.statement);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["hits"] = static_cast<double>(hits);
}

void SqlitePointSelect(benchmark::State& state) {
  Statement s(kPointSelect);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t sum = 0;
    for (int key : TheKeys().ids) {
      sqlite3_bind_int(s.statement, 1, key);
      sum += s.ReadAll();
    }
    benchmark::DoNotOptimize(sum);
  }
  CheckRows(state, s.rows, static_cast<std::size_t>(kLookups));
  state.SetItemsProcessed(state.iterations() * kLookups);
}

void SqliteRangeScan(benchmark::State& state) {
  Statement s(kRangeScan);
  const bench::PageFaults faults(state);
  for (auto _ : state) {
    std::size_t sum = 0;
    for (int start : TheKeys().starts) {
      sqlite3_bind_int(s.statement, 1, start);
      sqlite3_bind_int(s.statement, 2, start + kRangeWidth);
      sum += s.ReadAll();
    }
    benchmark::DoNotOptimize(sum);
  }
  CheckRows(state, s.rows, static_cast<std::size_t>(kRanges * kRangeWidth));
  state.SetItemsProcessed(state.iterations() * kRanges * kRangeWidth);
}

void SqliteWholeTable(benchmark::State& state, const char* text, int rows) {
  Statement s(text);
  const bench::PageFaults faults(state);
  for (auto _ : state) benchmark::DoNotOptimize(s.ReadAll());
  CheckRows(state, s.rows, static_cast<std::size_t>(rows));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SqliteOrderBy(benchmark::State& state) { SqliteWholeTable(state, kOrderBy, kRows); }
void SqliteGroupBy(benchmark::State& state) { SqliteWholeTable(state, kGroupBy, kGroups); }
void SqliteJoin(benchmark::State& state) {
  TheSqlite().RowsTable("ja", kJoinRows);
  TheSqlite().RowsTable("jb", kJoinRows);
  Statement s(kJoin);
  const bench::PageFaults faults(state);
  for (auto _ : state) benchmark::DoNotOptimize(s.ReadAll());
  CheckRows(state, s.rows, static_cast<std::size_t>(kJoinRows));
  state.SetItemsProcessed(state.iterations() * kJoinRows);
}

void SqliteInsertSelect(benchmark::State& state) {
  Sqlite& sqlite = TheSqlite();
  sqlite.RowsTable("copied", 0);
  const bench::PageFaults faults(state);
  std::size_t inserted = 0;
  for (auto _ : state) {
    sqlite.Exec("BEGIN");
    sqlite.Exec(kInsertSelect);
    sqlite.Exec("COMMIT");
    inserted += static_cast<std::size_t>(sqlite3_changes(sqlite.db));
    state.PauseTiming();
    sqlite.Exec(kEmptyCopy);
    state.ResumeTiming();
  }
  CheckRows(state, inserted, static_cast<std::size_t>(kRows));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SqlitePrepare(benchmark::State& state) {
  Sqlite& sqlite = TheSqlite();
  for (auto _ : state) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(sqlite.db, kPointSelect, -1, &statement, nullptr) != SQLITE_OK) state.SkipWithError("prepare");
    sqlite3_finalize(statement);
  }
}
#endif

void Register() {
  const auto add = [](const std::string& what, void (*ours)(benchmark::State&), void (*anchor)(benchmark::State&),
                      const char* group = "sql", benchmark::TimeUnit unit = benchmark::kMillisecond) {
    const std::string name = std::string("pair:") + group + "/" + what;
    benchmark::RegisterBenchmark((name + "/ours").c_str(), ours)->Unit(unit);
    if (anchor != nullptr) benchmark::RegisterBenchmark((name + "/anchor").c_str(), anchor)->Unit(unit);
  };
  // Outside "sql/": tools/bench shows these ratios without a target.
  const char* fixedCost = "sql_fixed_cost";
#ifdef QN_BENCH_SQLITE
  add("point_select_pk", OursPointSelect, SqlitePointSelect);
  add("range_scan_index", OursRangeScan, SqliteRangeScan);
  add("order_by_no_index", OursOrderBy, SqliteOrderBy);
  add("group_by_no_index", OursGroupBy, SqliteGroupBy);
  add("diary_search", OursDiarySearch, SqliteDiarySearch);
  add("join_indexed_key", OursJoin, SqliteJoin);
  add("insert_select", OursInsertSelect, SqliteInsertSelect);
  add("statement_run_vs_prepare", OursStatementRun, SqlitePrepare, fixedCost, benchmark::kMicrosecond);
  add("lexer_parser_vs_prepare", OursStatementParse, SqlitePrepare, fixedCost, benchmark::kMicrosecond);
#else
  add("point_select_pk", OursPointSelect, nullptr);
  add("range_scan_index", OursRangeScan, nullptr);
  add("order_by_no_index", OursOrderBy, nullptr);
  add("group_by_no_index", OursGroupBy, nullptr);
  add("diary_search", OursDiarySearch, nullptr);
  add("join_indexed_key", OursJoin, nullptr);
  add("insert_select", OursInsertSelect, nullptr);
  add("statement_run_vs_prepare", OursStatementRun, nullptr, fixedCost, benchmark::kMicrosecond);
  add("lexer_parser_vs_prepare", OursStatementParse, nullptr, fixedCost, benchmark::kMicrosecond);
#endif
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
