// The differential conformance suite: each case runs one statement through the engine (by the query
// component) and through SQLite over the same tables, and compares the answers. A case tagged Same
// expects SQLite's answer; a case tagged EngineOnly pins a deliberate difference of this engine by its
// golden result (rows or an error code) and does not run on SQLite.
//
// Values are compared normalised: NULL, number (integers and reals compare numerically, reals within a
// relative tolerance), text (bytes). Data-changing statements are compared by the whole table afterwards
// and by the count of changed rows. SQLite runs with case-sensitive LIKE and with the engine's own text
// comparison as the collation "ENG" of every text column, so ORDER BY and "<" agree on text.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/engine/dataset/DataSetTestSupport.h"

struct sqlite3;

namespace conformance {

// One normalised value.
struct Value {
  enum Kind { Null, Number, Text } kind = Null;
  bool integral = false;  // a Number that came as an integer
  std::int64_t integer = 0;
  double real = 0;
  std::string text;

  static Value Int(std::int64_t v) { return Value{Number, true, v, static_cast<double>(v), {}}; }
  static Value Real(double v) { return Value{Number, false, 0, v, {}}; }
  static Value Str(std::string v) { return Value{Text, false, 0, 0, std::move(v)}; }
  std::string Shown() const;  // NULL, 12, 1.5, 'text'
};
using Row = std::vector<Value>;
using Rows = std::vector<Row>;

enum class Order { Ordered, Multiset };
enum class Tag { Same, EngineOnly };
// How the statement runs: a query giving rows, or a statement whose effect is read from a table.
enum class Kind { Query, Change };

struct Case {
  const char* name;            // the test's name: letters, digits and "_"
  const char* sql;             // the statement compared
  Order order = Order::Multiset;
  Tag tag = Tag::Same;
  const char* setup = "";      // statements run before, on both sides (on the engine only for EngineOnly)
  const char* liteSetup = nullptr;  // SQLite's own spelling of setup, when it differs
  Kind kind = Kind::Query;
  const char* table = nullptr;  // Change: the table compared afterwards ("select * from <table>", multiset)
  std::vector<const char*> golden = {};  // EngineOnly rows: values split by "|": NULL, numbers, 'text'
  int error = 0;               // the engine's error code (EngineOnly); -1: any error (on both sides for Same)
  double tolerance = 1e-9;     // relative tolerance of reals
  int rowsAffected = -2;       // EngineOnly Change: the engine's count (-2: not checked)
};

// gtest shows a failing case by its statement.
inline void PrintTo(const Case& c, std::ostream* os) { *os << (c.sql != nullptr ? c.sql : c.name); }

// The tables every case starts with, on both sides.
const char* FixtureSchema();
// Their rows: one INSERT text per row for SQLite, the same values for the engine's table component.
struct FixtureTable {
  const char* name;
  std::vector<Row> rows;
};
const std::vector<FixtureTable>& FixtureRows();

// Parses a golden row "1|'a'|NULL|2.5".
Row ParseGolden(const std::string& text);
// Equal under the normalisation; tolerance is relative for reals.
bool SameValue(const Value& a, const Value& b, double tolerance);
bool SameRows(Rows a, Rows b, Order order, double tolerance, std::string& why);
std::string Shown(const Rows& rows);

// The outcome of a statement on one side.
struct Outcome {
  bool failed = false;
  int errorCode = 0;
  std::string message;
  Rows rows;            // the query's rows, or the changed table's rows afterwards
  Integer changed = -1;  // Change: the rows the statement changed
};

// SQLite side: an in-memory database with the fixture.
class SQLiteSide {
 public:
  SQLiteSide();
  ~SQLiteSide();
  SQLiteSide(const SQLiteSide&) = delete;
  SQLiteSide& operator=(const SQLiteSide&) = delete;
  // Runs a text of statements; raises std::runtime_error with SQLite's message.
  void Execute(const std::string& text);
  Outcome Run(const Case& c);
  Rows Query(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

// The engine's DDL of the fixture as SQLite takes it: text columns compare through the collation ENG.
std::string ForSQLite(const std::string& ddl);

// Engine side: the dataset tests' database, through the query component.
class ConformanceBase : public DiaryDataSetTest {
 protected:
  // The fixture on the engine, and on SQLite when withSQLite.
  void SetUpSides(bool withSQLite);
  void TearDown() override;
  // Runs a text through the query component; rows when wantRows.
  Rows EngineRun(const std::string& sql, bool wantRows, Integer* changed = nullptr);
  Outcome EngineOutcome(const Case& c);
  void Check(const Case& c);

  std::unique_ptr<SQLiteSide> sqlite_;
};

class ConformanceTest : public ConformanceBase, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override { SetUpSides(GetParam().tag == Tag::Same); }
};

// Test names of the parameterised suite: the case's own.
struct CaseName {
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const { return info.param.name; }
};

}  // namespace conformance
