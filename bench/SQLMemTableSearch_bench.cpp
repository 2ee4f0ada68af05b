// Locate on a memory table of 10^3, 10^4 and 10^5 rows, by the primary key (the unique index drives the
// search: the cost per Locate must grow like log n) and, for contrast, by an unindexed field with the
// same values (a walk over the records: linear).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemSession.h"

namespace {

class BenchSession : public TSQLMemBaseSession {
 public:
  bool GetConnected() override { return true; }
  void SetConnected(bool /*connected*/) override {}
};

class BenchCursor : public TSQLMemCursor {
 public:
  explicit BenchCursor(TSQLMemBaseSession& session) : session_(session) { TableName = "bench"; }
  ~BenchCursor() override {
    if (CurrentRecordBuffer != nullptr) FreeRecordBuffer(CurrentRecordBuffer);
  }
  void ClearRecordBuffer(Byte* recordBuffer, bool /*applyDefaults*/) override {
    for (Integer i = 0; i < FieldDefs->NullBitmapSize(); ++i) recordBuffer[i] = 0xFF;
  }
  TStream* OpenBLOB(Integer /*fieldNo*/, Byte /*mode*/) override { return nullptr; }
  void CloseBLOB(Integer /*fieldNo*/) override {}
  TSQLMemBaseSession* StorageSession() const override { return &session_; }
  void RefreshDefs() override {
    FieldDefs->Assign(table->TableFieldDefs());
    FieldDefs->UpdateLayout();
    IndexDefs->Assign(table->IndexManager()->IndexDefs);
    ComputeBufferGeometry();
    ProjectAllFields();
    if (CurrentRecordBuffer == nullptr) CurrentRecordBuffer = AllocRecordBuffer();
  }
  TSQLMemTableData* table = nullptr;

 private:
  TSQLMemBaseSession& session_;
};

// A table bench(ID int primary key, Plain int) with rows ID = Plain = 0..n-1, and a cursor on it.
struct BenchTable {
  explicit BenchTable(Integer n) : cursor(session) {
    database.AddSession(&session);
    TSQLMemFieldDefs fields;
    for (const char* name : {"ID", "Plain"}) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = name;
      field.SetDataType(sftInteger, 0);
    }
    TSQLMemIndexDefs indexes;
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = "ById";
    index.Primary = index.Unique = 1;
    index.SetColumnCount(1);
    index.GetColumn(0).Name = "ID";
    TSQLMemConstraintDefs constraints;
    table = static_cast<TSQLMemMemoryTableData*>(database.CreateTableData(cursor));
    table->CreateTable(cursor, fields, constraints, indexes);
    cursor.table = table;
    table->AttachCursor(cursor);
    for (Integer i = 0; i < n; ++i) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      TSQLMemVariant value;
      value.SetAsInteger(i);
      cursor.SetFieldValue(cursor.CurrentRecordBuffer, value, 0, true);
      cursor.SetFieldValue(cursor.CurrentRecordBuffer, value, 1, true);
      table->InsertRecord(cursor);
    }
  }
  ~BenchTable() {
    table->DetachCursor(cursor);
    TSQLMemTableData* gone = table;
    DropTableData(gone, &session, false, true);
  }

  BenchSession session;
  TSQLMemMemoryDatabaseData database{"BENCH"};
  BenchCursor cursor;
  TSQLMemMemoryTableData* table = nullptr;
};

// Built once per size; freed before the engine stops.
std::map<Integer, std::unique_ptr<BenchTable>> tables;

BenchTable& TableOf(Integer n) {
  std::unique_ptr<BenchTable>& table = tables[n];
  if (table == nullptr) table = std::make_unique<BenchTable>(n);
  return *table;
}

void Locate(benchmark::State& state, const char* field) {
  const Integer n = static_cast<Integer>(state.range(0));
  BenchTable& t = TableOf(n);
  std::mt19937 random(42);
  Int64 found = 0;
  for (auto _ : state) {
    TSQLMemExpression expression;
    TSQLMemVariant value;
    value.SetAsInteger(static_cast<Integer>(random() % static_cast<unsigned>(n)));
    expression.AddCondition(std::make_unique<TSQLMemExprNodeComparison>(
        opEqual, std::make_unique<TSQLMemExprNodeField>(&t.cursor, "", field),
        std::make_unique<TSQLMemExprNodeConst>(value), false, false, false));
    t.cursor.SetBeginOfData();
    found += t.table->LocateByExpression(t.cursor, &expression) ? 1 : 0;
  }
  if (found != static_cast<Int64>(state.iterations())) state.SkipWithError("a key was not found");
  state.SetComplexityN(n);
}

void BM_LocateByPrimaryKey(benchmark::State& state) { Locate(state, "ID"); }
void BM_LocateByUnindexedField(benchmark::State& state) { Locate(state, "Plain"); }

BENCHMARK(BM_LocateByPrimaryKey)->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oLogN);
BENCHMARK(BM_LocateByUnindexedField)->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  InitializeEngineFoundation();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tables.clear();
  FinalizeEngineFoundation();
  return 0;
}
