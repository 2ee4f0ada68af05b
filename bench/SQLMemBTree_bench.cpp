// Cost per key of B-tree inserts and point finds at 10^4, 10^5 and 10^6 integer keys, each beside
// std::multimap doing the same in the same run: the B-tree's cost per key must grow like the
// multimap's, logarithmically. Inserts apply the page changes after each key, as a table does.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreePage.h"
#include "engine/storage/SQLMemMemoryPageManager.h"

namespace {

constexpr Integer kSession = 1;

struct Tree {
  TSQLMemMemoryPageManager manager;
  TSQLMemBTreeKeyRef keyRef;
  TSQLMemBTreePages pages{manager, keyRef};
  Integer root = -1;

  Tree() { keyRef.AddColumn(0, 0, 4, edtInteger, false, false); }
  ~Tree() {
    if (root == -1) return;
    {
      TSQLMemBTreePage page(pages, pages.TakePage(kSession, root));
      page.Controller().FreePages(kSession);
    }
    manager.ApplyChanges(kSession);
  }

  void Insert(const Byte* key, const Byte* ref) {
    if (root == -1) {
      TSQLMemBTreePage page(pages, pages.NewPage(kSession));
      page.InitRoot();
      root = page.PageNo();
    }
    {
      TSQLMemKeyPath path;
      TSQLMemBTreePage page(pages, pages.TakePage(kSession, root));
      page.Controller().InsertKey(kSession, key, path, ref);
    }
    manager.ApplyChanges(kSession);
  }

  bool Find(const Byte* key, const Byte* ref) {
    TSQLMemKeyPath path;
    TSQLMemBTreePage page(pages, pages.TakePage(kSession, root));
    return page.Controller().FindKey(kSession, key, path, ref);
  }
};

struct Item {
  Byte key[5];
  Byte ref[6];
};

std::vector<Item> RandomItems(Integer n) {
  std::mt19937 random(42);
  std::vector<Item> items(static_cast<std::size_t>(n));
  for (Integer i = 0; i < n; ++i) {
    Item& item = items[static_cast<std::size_t>(i)];
    item.key[0] = 0;
    StoreValue<Integer>(item.key + 1, static_cast<Integer>(random() % 1000000000));
    StoreRecordID(item.ref, TSQLMemRecordID{i, 0});
  }
  return items;
}

void BM_BTreeInsert(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<Item> items = RandomItems(static_cast<Integer>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto tree = std::make_unique<Tree>();
    state.ResumeTiming();
    for (const Item& item : items) tree->Insert(item.key, item.ref);
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MultimapInsert(benchmark::State& state) {
  const std::vector<Item> items = RandomItems(static_cast<Integer>(state.range(0)));
  for (auto _ : state) {
    std::multimap<Integer, Integer> map;
    for (const Item& item : items) map.emplace(LoadValue<Integer>(item.key + 1), LoadValue<Integer>(item.ref));
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BTreeFind(benchmark::State& state) {
  InitializeEngineFoundation();
  const std::vector<Item> items = RandomItems(static_cast<Integer>(state.range(0)));
  Tree tree;
  for (const Item& item : items) tree.Insert(item.key, item.ref);
  std::size_t i = 0;
  for (auto _ : state) {
    const Item& item = items[i];
    benchmark::DoNotOptimize(tree.Find(item.key, item.ref));
    i = (i + 7919) % items.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_MultimapFind(benchmark::State& state) {
  const std::vector<Item> items = RandomItems(static_cast<Integer>(state.range(0)));
  std::multimap<Integer, Integer> map;
  for (const Item& item : items) map.emplace(LoadValue<Integer>(item.key + 1), LoadValue<Integer>(item.ref));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(LoadValue<Integer>(items[i].key + 1)));
    i = (i + 7919) % items.size();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_BTreeInsert)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MultimapInsert)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BTreeFind)->Arg(10000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_MultimapFind)->Arg(10000)->Arg(100000)->Arg(1000000);

BENCHMARK_MAIN();
