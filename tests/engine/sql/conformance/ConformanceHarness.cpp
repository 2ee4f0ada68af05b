// The harness of the conformance suite: the fixture on both sides, the two runners and the comparison.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <stdexcept>

#include "engine/dataset/SQLMemQuery.h"
#include "engine/dataset/SQLMemTable.h"
#include "tests/engine/sql/conformance/Conformance.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"

namespace conformance {

// ---------------------------------------------------------------- values

std::string Value::Shown() const {
  switch (kind) {
    case Null: return "NULL";
    case Text: return "'" + text + "'";
    case Number:
      if (integral) return std::to_string(integer);
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15g", real);
      return buffer;
  }
  return "?";
}

std::string Shown(const Rows& rows) {
  std::string out;
  for (const Row& row : rows) {
    out += "\n  ";
    for (std::size_t i = 0; i < row.size(); ++i) out += (i > 0 ? "|" : "") + row[i].Shown();
  }
  return out.empty() ? "\n  (no rows)" : out;
}

Row ParseGolden(const std::string& text) {
  Row row;
  std::size_t start = 0;
  while (true) {
    // A quoted text may hold "|".
    std::size_t end;
    if (start < text.size() && text[start] == '\'') {
      end = text.find('\'', start + 1);
      if (end == std::string::npos) throw std::invalid_argument("unterminated golden text: " + text);
      row.push_back(Value::Str(text.substr(start + 1, end - start - 1)));
      ++end;
    } else {
      end = std::min(text.find('|', start), text.size());
      const std::string item = text.substr(start, end - start);
      if (item == "NULL") {
        row.push_back(Value{});
      } else if (item.find_first_of(".eE") == std::string::npos) {
        row.push_back(Value::Int(std::stoll(item)));
      } else {
        row.push_back(Value::Real(std::stod(item)));
      }
    }
    if (end >= text.size()) break;
    start = end + 1;
  }
  return row;
}

bool SameValue(const Value& a, const Value& b, double tolerance) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case Value::Null: return true;
    case Value::Text: return a.text == b.text;
    case Value::Number:
      if (a.integral && b.integral) return a.integer == b.integer;
      return a.real == b.real || std::fabs(a.real - b.real) <= tolerance * std::max(std::fabs(a.real), std::fabs(b.real));
  }
  return false;
}

namespace {

// Orders rows for the multiset comparison: NULL, then numbers by value, then texts by bytes.
bool RowLess(const Row& a, const Row& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const Value& x = a[i];
    const Value& y = b[i];
    if (x.kind != y.kind) return x.kind < y.kind;
    if (x.kind == Value::Number && x.real != y.real) return x.real < y.real;
    if (x.kind == Value::Text && x.text != y.text) return x.text < y.text;
  }
  return a.size() < b.size();
}

}  // namespace

bool SameRows(Rows a, Rows b, Order order, double tolerance, std::string& why) {
  if (order == Order::Multiset) {
    std::stable_sort(a.begin(), a.end(), RowLess);
    std::stable_sort(b.begin(), b.end(), RowLess);
  }
  if (a.size() != b.size()) {
    why = std::to_string(a.size()) + " rows against " + std::to_string(b.size());
    return false;
  }
  for (std::size_t r = 0; r < a.size(); ++r) {
    if (a[r].size() != b[r].size()) {
      why = "row " + std::to_string(r) + ": " + std::to_string(a[r].size()) + " columns against " +
            std::to_string(b[r].size());
      return false;
    }
    for (std::size_t c = 0; c < a[r].size(); ++c) {
      if (!SameValue(a[r][c], b[r][c], tolerance)) {
        why = "row " + std::to_string(r) + ", column " + std::to_string(c) + ": " + a[r][c].Shown() + " against " +
              b[r][c].Shown();
        return false;
      }
    }
  }
  return true;
}

// ---------------------------------------------------------------- the fixture

const char* FixtureSchema() {
  return "create table people (id integer, name varchar(20), age integer, city varchar(20), score double,"
         " active boolean, primary key (id));"
         "create table orders (id integer, person integer, amount integer, item varchar(20), primary key (id));"
         "create table a (x integer, y varchar(10));"
         "create table b (x integer, y varchar(10));"
         "create table g (k integer, v integer, w integer, s varchar(10));"
         "create table h (k integer, u integer)";
}

const std::vector<FixtureTable>& FixtureRows() {
  const Value null;
  auto i = [](std::int64_t v) { return Value::Int(v); };
  auto r = [](double v) { return Value::Real(v); };
  auto s = [](const char* v) { return Value::Str(v); };
  static const std::vector<FixtureTable> tables = {
      {"people",
       {{i(1), s("ann"), i(31), s("pecs"), r(4.5), i(1)},
        {i(2), s("bob"), i(25), s("gyor"), r(3.25), i(0)},
        {i(3), s("cid"), null, s("pecs"), null, i(1)},
        {i(4), s("dora"), i(42), null, r(5.0), i(1)},
        {i(5), s("eve"), i(25), s("szeged"), r(2.75), i(0)},
        {i(6), s("Fred"), i(58), s("gyor"), r(3.5), i(1)},
        {i(7), s("gus"), i(19), s("budapest"), null, i(0)},
        {i(8), s("hanna"), i(31), s("szeged"), r(4.0), i(1)}}},
      {"orders",
       {{i(1), i(1), i(100), s("pen")},
        {i(2), i(1), i(250), s("book")},
        {i(3), i(2), i(75), s("pen")},
        {i(4), i(4), i(300), s("lamp")},
        {i(5), i(4), i(120), s("book")},
        {i(6), i(5), i(60), s("cup")},
        {i(7), i(9), i(500), s("desk")},
        {i(8), i(6), i(250), s("book")}}},
      {"a", {{i(1), s("p")}, {i(2), s("q")}, {i(2), s("q")}, {i(3), s("r")}, {i(4), s("s")}}},
      {"b", {{i(2), s("q")}, {i(3), s("r")}, {i(3), s("r")}, {i(5), s("t")}}},
      {"g",
       {{i(1), i(4), i(7), s("k1")},
        {i(2), i(-3), i(2), s("k2")},
        {i(3), i(4), i(0), s("k3")},
        {i(4), i(9), i(-5), s("k1")},
        {i(5), i(0), i(3), s("k2")},
        {i(6), i(12), i(12), s("k3")},
        {i(7), i(-8), i(1), s("k1")},
        {i(8), i(4), i(6), s("k2")},
        {i(9), i(5), i(-2), s("k3")},
        {i(10), i(1), i(8), s("k1")}}},
      {"h", {{i(1), i(10)}, {i(2), i(20)}, {i(4), i(40)}, {i(4), i(41)}, {i(11), i(110)}, {i(12), i(120)}}},
  };
  return tables;
}

std::string ForSQLite(const std::string& ddl) {
  static const std::regex text(R"(((var)?char\s*\(\s*\d+\s*\)))", std::regex::icase);
  return std::regex_replace(ddl, text, "$1 collate ENG");
}

// ---------------------------------------------------------------- SQLite

namespace {

int EngineCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return AnsiCompareStr(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

struct Statement {
  sqlite3_stmt* handle = nullptr;
  ~Statement() { sqlite3_finalize(handle); }
};

}  // namespace

SQLiteSide::SQLiteSide() {
  if (sqlite3_open(":memory:", &db_) != SQLITE_OK) throw std::runtime_error("sqlite3_open failed");
  sqlite3_create_collation(db_, "ENG", SQLITE_UTF8, nullptr, EngineCollation);
  Execute("PRAGMA case_sensitive_like = ON");
  Execute(ForSQLite(FixtureSchema()));
  for (const FixtureTable& table : FixtureRows()) {
    for (const Row& row : table.rows) {
      std::string sql = "insert into " + std::string(table.name) + " values (";
      for (std::size_t c = 0; c < row.size(); ++c) sql += c > 0 ? ", ?" : "?";
      sql += ")";
      Statement insert;
      sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert.handle, nullptr);
      for (std::size_t c = 0; c < row.size(); ++c) {
        const Value& v = row[c];
        const int at = static_cast<int>(c) + 1;
        if (v.kind == Value::Null) sqlite3_bind_null(insert.handle, at);
        else if (v.kind == Value::Text)
          sqlite3_bind_text(insert.handle, at, v.text.c_str(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        else if (v.integral) sqlite3_bind_int64(insert.handle, at, v.integer);
        else sqlite3_bind_double(insert.handle, at, v.real);
      }
      if (sqlite3_step(insert.handle) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    }
  }
}

SQLiteSide::~SQLiteSide() { sqlite3_close(db_); }

void SQLiteSide::Execute(const std::string& text) {
  char* error = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "error";
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

Rows SQLiteSide::Query(const std::string& sql) {
  Statement statement;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement.handle, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db_));
  Rows rows;
  int step;
  while ((step = sqlite3_step(statement.handle)) == SQLITE_ROW) {
    Row row;
    for (int c = 0; c < sqlite3_column_count(statement.handle); ++c) {
      switch (sqlite3_column_type(statement.handle, c)) {
        case SQLITE_NULL: row.push_back(Value{}); break;
        case SQLITE_INTEGER: row.push_back(Value::Int(sqlite3_column_int64(statement.handle, c))); break;
        case SQLITE_FLOAT: row.push_back(Value::Real(sqlite3_column_double(statement.handle, c))); break;
        default: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.handle, c));
          row.push_back(Value::Str(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement.handle, c)))));
        }
      }
    }
    rows.push_back(std::move(row));
  }
  if (step != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
  return rows;
}

Outcome SQLiteSide::Run(const Case& c) {
  Outcome outcome;
  try {
    const char* setup = c.liteSetup != nullptr ? c.liteSetup : c.setup;
    if (*setup != '\0') Execute(ForSQLite(setup));
    if (c.kind == Kind::Query) {
      outcome.rows = Query(c.sql);
    } else {
      Execute(ForSQLite(c.sql));
      outcome.changed = sqlite3_changes(db_);
      if (c.table != nullptr) outcome.rows = Query(std::string("select * from ") + c.table);
    }
  } catch (const std::runtime_error& e) {
    outcome.failed = true;
    outcome.message = e.what();
  }
  return outcome;
}

// ---------------------------------------------------------------- the engine

namespace {

Value EngineValue(const TField& field) {
  if (field.IsNull()) return Value{};
  switch (field.DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
      return Value::Int(field.AsLargeInt());
    case ftBoolean: return Value::Int(field.AsBoolean() ? 1 : 0);
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: return Value::Real(field.AsFloat());
    default: return Value::Str(field.AsString());
  }
}

void PutValue(TField& field, const Value& v) {
  if (v.kind == Value::Null) return;
  if (v.kind == Value::Text) field.SetAsString(v.text);
  else if (field.DataType() == ftBoolean) field.SetAsBoolean(v.integer != 0);
  else if (v.integral) field.SetAsLargeInt(v.integer);
  else field.SetAsFloat(v.real);
}

}  // namespace

void ConformanceBase::SetUpSides(bool withSQLite) {
  DiaryDataSetTest::SetUp();
  EngineRun(FixtureSchema(), false);
  for (const FixtureTable& fixture : FixtureRows()) {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.SetTableName(fixture.name);
    table.Open();
    for (const Row& row : fixture.rows) {
      table.Append();
      for (std::size_t c = 0; c < row.size(); ++c) PutValue(*table.Fields()[static_cast<int>(c)], row[c]);
      table.Post();
    }
    table.Close();
  }
  if (withSQLite) sqlite_ = std::make_unique<SQLiteSide>();
}

void ConformanceBase::TearDown() {
  sqlite_.reset();
  DiaryDataSetTest::TearDown();
}

Rows ConformanceBase::EngineRun(const std::string& sql, bool wantRows, Integer* changed) {
  TSQLMemQuery query(nullptr);
  query.SetDatabaseName(kDataSetTestDatabase);
  query.SQL().SetText(sql);
  Rows rows;
  if (!wantRows) {
    query.ExecuteSQL();
    if (changed != nullptr) *changed = query.RowsAffected();
    return rows;
  }
  query.Open();
  for (query.First(); !query.Eof(); query.Next()) {
    Row row;
    for (int i = 0; i < query.FieldCount(); ++i) row.push_back(EngineValue(*query.Fields()[i]));
    rows.push_back(std::move(row));
  }
  query.Close();
  return rows;
}

Outcome ConformanceBase::EngineOutcome(const Case& c) {
  Outcome outcome;
  try {
    if (*c.setup != '\0') EngineRun(c.setup, false);
    if (c.kind == Kind::Query) {
      outcome.rows = EngineRun(c.sql, true);
    } else {
      EngineRun(c.sql, false, &outcome.changed);
      if (c.table != nullptr) outcome.rows = EngineRun(std::string("select * from ") + c.table, true);
    }
  } catch (const ESQLMemException& e) {
    outcome.failed = true;
    outcome.errorCode = e.NativeError();
    outcome.message = e.Message();
  } catch (const Exception& e) {
    outcome.failed = true;
    outcome.message = e.Message();
  }
  return outcome;
}

void ConformanceBase::Check(const Case& c) {
  SCOPED_TRACE(c.sql);
  const Outcome engine = EngineOutcome(c);
  std::string why;
  if (c.tag == Tag::EngineOnly) {
    if (c.error != 0) {
      EXPECT_TRUE(engine.failed) << "the engine gave no error, expected " << c.error << Shown(engine.rows);
      if (c.error != -1) {
        EXPECT_EQ(engine.errorCode, c.error) << engine.message;
      }
      return;
    }
    ASSERT_FALSE(engine.failed) << engine.message;
    Rows golden;
    for (const char* row : c.golden) golden.push_back(ParseGolden(row));
    EXPECT_TRUE(SameRows(engine.rows, golden, c.order, c.tolerance, why))
        << why << "\nengine:" << Shown(engine.rows) << "\ngolden:" << Shown(golden);
    if (c.rowsAffected != -2) {
      EXPECT_EQ(engine.changed, c.rowsAffected);
    }
    return;
  }
  const Outcome lite = sqlite_->Run(c);
  if (c.error == -1) {
    EXPECT_TRUE(engine.failed) << "the engine gave no error" << Shown(engine.rows);
    EXPECT_TRUE(lite.failed) << "SQLite gave no error" << Shown(lite.rows);
    return;
  }
  ASSERT_FALSE(lite.failed) << "SQLite: " << lite.message;
  ASSERT_FALSE(engine.failed) << "engine: " << engine.message;
  EXPECT_TRUE(SameRows(engine.rows, lite.rows, c.kind == Kind::Change ? Order::Multiset : c.order, c.tolerance, why))
      << why << "\nengine:" << Shown(engine.rows) << "\nSQLite:" << Shown(lite.rows);
  if (c.kind == Kind::Change) {
    EXPECT_EQ(engine.changed, lite.changed) << "rows affected";
  }
}

}  // namespace conformance
