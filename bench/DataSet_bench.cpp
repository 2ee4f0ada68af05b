// Dataset framework: the cost of the record-buffer machinery itself, over the array-backed test
// dataset (no engine): walking the records with a one-row link and with a grid-sized link, reading
// fields by name, and editing/posting.
#include <benchmark/benchmark.h>

#include "tests/vcl/db/ArrayDataSet.h"

namespace {

struct Fixture {
  explicit Fixture(int rows, int linkBuffers) {
    owner = new TComponent(nullptr);
    ds = New<dbtest::TArrayDataSet>(owner, std::vector<dbtest::Column>{{"ID", ftInteger}, {"Title", ftString, 25}});
    ds->AddIntRows(rows);
    source = New<TDataSource>(owner);
    source->SetDataSet(ds);
    link = std::make_unique<dbtest::TRecordingLink>(log, "L", linkBuffers);
    link->SetDataSource(source);
    ds->Open();
  }
  ~Fixture() {
    link.reset();
    delete owner;
  }
  TComponent* owner;
  dbtest::TArrayDataSet* ds;
  TDataSource* source;
  dbtest::Log log;
  std::unique_ptr<dbtest::TRecordingLink> link;
};

void BM_WalkForward(benchmark::State& state) {
  Fixture f(10000, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    f.log.clear();
    for (f.ds->First(); !f.ds->Eof(); f.ds->Next()) {
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_WalkForward)->Arg(1)->Arg(25);

void BM_ReadFieldByName(benchmark::State& state) {
  Fixture f(1, 1);
  for (auto _ : state) benchmark::DoNotOptimize(f.ds->FieldByName("ID")->AsInteger());
}
BENCHMARK(BM_ReadFieldByName);

void BM_EditPost(benchmark::State& state) {
  Fixture f(100, 1);
  int i = 0;
  for (auto _ : state) {
    f.log.clear();
    f.ds->Edit();
    f.ds->FieldByName("Title")->SetAsString("title");
    f.ds->FieldByName("ID")->SetAsInteger(++i);
    f.ds->Post();
  }
}
BENCHMARK(BM_EditPost);

}  // namespace

BENCHMARK_MAIN();
