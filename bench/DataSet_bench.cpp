// Dataset framework: the cost of the record-buffer machinery itself, over the array-backed test
// dataset (no engine): walking the records with a one-row link and with a grid-sized link (heap
// allocations per record counted), reading fields by name in a row of diary width, and editing/posting.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/vcl/db/ArrayDataSet.h"

// Every allocation of the program is counted, so that a benchmark can report its allocations per step.
// The replaced operators pair malloc with free, which GCC cannot see through its inlining of new/delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A link that only keeps the window of buffers: what a grid's link costs without the grid.
class TPlainLink : public TDataLink {
 public:
  explicit TPlainLink(int bufferCount) { SetBufferCount(bufferCount); }
};

struct Fixture {
  explicit Fixture(int rows, int linkBuffers) {
    owner = new TComponent(nullptr);
    // The width of a diary day: key, date, title, mood, weather, place, tags, counts and flags.
    ds = New<dbtest::TArrayDataSet>(
        owner, std::vector<dbtest::Column>{{"ID", ftInteger},       {"Day", ftInteger},        {"Title", ftString, 25},
                                           {"Mood", ftString, 20},  {"Weather", ftString, 20}, {"Place", ftString, 40},
                                           {"Tags", ftString, 60},  {"Words", ftInteger},      {"Pictures", ftInteger},
                                           {"Locked", ftInteger},   {"Created", ftInteger},    {"Changed", ftInteger}});
    ds->AddIntRows(rows);
    source = New<TDataSource>(owner);
    source->SetDataSet(ds);
    link = std::make_unique<TPlainLink>(linkBuffers);
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
  std::unique_ptr<TPlainLink> link;
};

void BM_WalkForward(benchmark::State& state) {
  Fixture f(10000, static_cast<int>(state.range(0)));
  long long allocated = 0;
  for (auto _ : state) {
    f.ds->First();
    const long long before = allocations.load(std::memory_order_relaxed);
    while (!f.ds->Eof()) f.ds->Next();
    allocated += allocations.load(std::memory_order_relaxed) - before;
  }
  state.SetItemsProcessed(state.iterations() * 10000);
  state.counters["allocs/record"] = static_cast<double>(allocated) / static_cast<double>(state.iterations() * 10000);
}
BENCHMARK(BM_WalkForward)->Arg(1)->Arg(25);

void BM_ReadFieldByName(benchmark::State& state) {
  Fixture f(1, 1);
  for (auto _ : state) benchmark::DoNotOptimize(f.ds->FieldByName("Changed")->AsInteger());
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
