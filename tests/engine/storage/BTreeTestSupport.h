// A B-tree over a page store for the tests, driven the way an index drives it (root kept aside, changes
// applied after each operation), with an ordered-multiset oracle and key builders.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreePage.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "tests/engine/storage/PageTestSupport.h"

using Key = std::vector<Byte>;

// One column of a test key: an Integer or a text of `length` characters.
struct TestColumn {
  Byte dataType = edtInteger;
  Integer length = 0;
  bool descending = false;
  bool caseInsensitive = false;
};

// A value of a test column: nullopt is NULL; integers use .number, texts .text.
struct TestValue {
  bool isNull = false;
  Integer number = 0;
  std::string text;
};

inline void BuildKeyRef(TSQLMemBTreeKeyRef& keyRef, const std::vector<TestColumn>& columns) {
  Integer offset = 0;
  for (Integer i = 0; i < static_cast<Integer>(columns.size()); ++i) {
    const TestColumn& c = columns[static_cast<std::size_t>(i)];
    const Integer size = ValueBufferSize(c.dataType, c.length);
    keyRef.AddColumn(offset, i, size, c.dataType, c.descending, c.caseInsensitive);
    offset += size;
  }
}

inline Key MakeTestKey(const TSQLMemBTreeKeyRef& keyRef, const std::vector<TestValue>& values) {
  Key key(static_cast<std::size_t>(keyRef.KeySize()), 0);
  for (Integer i = 0; i < keyRef.ColumnCount(); ++i) {
    const TSQLMemKeyColumn& column = keyRef.Column(i);
    const TestValue& v = values[static_cast<std::size_t>(i)];
    Byte* segment = key.data() + column.KeyOffset;
    if (v.isNull) {
      segment[0] = 1;
    } else if (column.DataType == edtInteger) {
      StoreValue<Integer>(segment + 1, v.number);
    } else {
      std::memcpy(segment + 1, v.text.data(), std::min<std::size_t>(v.text.size(), static_cast<std::size_t>(column.SegmentSize - 2)));
    }
  }
  return key;
}

inline Key Reference(Integer n) {
  Key ref(6, 0);
  StoreRecordID(ref.data(), TSQLMemRecordID{n, static_cast<Word>(n % 7)});
  return ref;
}

// Whether a comparison result c (item against probe) passes a search of the given kind; kind 0 passes all.
inline bool KindAccepts(int c, Byte kind) {
  switch (kind) {
    case ckEqual: return c == 0;
    case ckLess: return c < 0;
    case ckGreater: return c > 0;
    case ckLessOrEqual: return c <= 0;
    case ckGreaterOrEqual: return c >= 0;
    default: return true;
  }
}

// An item of the tree or the oracle.
struct TestItem {
  Key key;
  Key ref;
};

// The tree under test: its pages in a memory store of a chosen page size, session 1.
class TestTree {
 public:
  static constexpr Integer kSession = 1;

  TestTree(const std::vector<TestColumn>& columns, Word pageSize)
      : manager_(pageSize, 200), tree_(manager_, keyRef_) {
    BuildKeyRef(keyRef_, columns);
  }
  ~TestTree() {
    if (root_ != -1) {
      try {
        Take(root_).Controller().FreePages(kSession);
        manager_.ApplyChanges(kSession);
      } catch (...) {
      }
    }
  }

  TSQLMemBTreeKeyRef& KeyRef() { return keyRef_; }
  TSQLMemMemoryPageManager& Manager() { return manager_; }
  TSQLMemBTreePages& Pages() { return tree_; }
  Integer Root() const { return root_; }
  TSQLMemBTreePage Take(Integer pageNo) { return TSQLMemBTreePage(tree_, tree_.TakePage(kSession, pageNo)); }

  void Insert(const Key& key, const Key& ref) {
    if (root_ == -1) {
      TSQLMemBTreePage root(tree_, tree_.NewPage(kSession));
      root.InitRoot();
      root.SetDirty();
      root_ = root.PageNo();
    }
    {
      TSQLMemKeyPath path;
      TSQLMemBTreePage root = Take(root_);
      root.Controller().InsertKey(kSession, key.data(), path, ref.data());
    }
    manager_.ApplyChanges(kSession);
  }

  bool Delete(const Key& key, const Key& ref) {
    if (root_ == -1) return false;
    bool found;
    {
      TSQLMemKeyPath path;
      TSQLMemBTreePage root = Take(root_);
      found = root.Controller().DeleteKey(kSession, key.data(), path, ref.data());
    }
    manager_.ApplyChanges(kSession);
    return found;
  }

  void Validate() {
    if (root_ == -1) return;
    TSQLMemKeyPath path;
    Take(root_).Controller().Validate(kSession, path);
  }

  // The items of the leaves from the first leaf along the next links.
  std::vector<TestItem> Items() {
    std::vector<TestItem> items;
    if (root_ == -1) return items;
    TSQLMemKeyPath path;
    if (!Take(root_).Controller().First(kSession, path)) return items;
    for (Integer pageNo = path.At(path.Count() - 1).PageNo; pageNo != -1;) {
      TSQLMemBTreePage leaf = Take(pageNo);
      for (Integer i = 0; i < leaf.Count(); ++i) {
        const Byte* item = leaf.ItemPtr(i);
        items.push_back({Key(item, item + leaf.KeyLength()), Key(leaf.DataPtr(i), leaf.DataPtr(i) + 6)});
      }
      pageNo = leaf.NextPageNo();
    }
    return items;
  }

  // The item a path ends at.
  TestItem ItemAt(const TSQLMemKeyPath& path) {
    const TSQLMemKeyPath::Level& level = path.At(path.Count() - 1);
    TSQLMemBTreePage leaf = Take(level.PageNo);
    const Byte* item = leaf.ItemPtr(level.EntryNo);
    return {Key(item, item + leaf.KeyLength()), Key(leaf.DataPtr(level.EntryNo), leaf.DataPtr(level.EntryNo) + 6)};
  }

  Integer Depth() {
    Integer depth = 0;
    for (Integer pageNo = root_; pageNo != -1; ++depth) {
      TSQLMemBTreePage page = Take(pageNo);
      pageNo = page.IsLeaf() || page.Count() == 0 ? -1 : page.ChildPageNo(0);
    }
    return depth;
  }

 private:
  TSQLMemBTreeKeyRef keyRef_;
  TSQLMemMemoryPageManager manager_;
  TSQLMemBTreePages tree_;
  Integer root_ = -1;
};

// The ordered multiset the tree must equal: items sorted by key (stable among equal keys, which the
// tree may hold in any order).
class Oracle {
 public:
  explicit Oracle(const TSQLMemBTreeKeyRef& keyRef) : keyRef_(keyRef) {}

  void Insert(const Key& key, const Key& ref) {
    auto it = std::upper_bound(items_.begin(), items_.end(), key,
                               [&](const Key& k, const TestItem& item) { return keyRef_.Compare(k.data(), item.key.data()) < 0; });
    items_.insert(it, {key, ref});
  }
  bool Erase(const Key& key, const Key& ref) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
      if (it->key == key && it->ref == ref) {
        items_.erase(it);
        return true;
      }
    }
    return false;
  }
  const std::vector<TestItem>& Items() const { return items_; }

 private:
  const TSQLMemBTreeKeyRef& keyRef_;
  std::vector<TestItem> items_;
};

// The tree holds the oracle's items: the same keys in the same order, and the same (key, reference)
// pairs among each run of equal keys.
inline ::testing::AssertionResult SameItems(const TSQLMemBTreeKeyRef& keyRef, std::vector<TestItem> tree, std::vector<TestItem> oracle) {
  if (tree.size() != oracle.size())
    return ::testing::AssertionFailure() << "tree holds " << tree.size() << " items, oracle " << oracle.size();
  for (std::size_t i = 0; i < tree.size(); ++i)
    if (keyRef.Compare(tree[i].key.data(), oracle[i].key.data()) != 0)
      return ::testing::AssertionFailure() << "key order differs at item " << i;
  auto byBytes = [](const TestItem& a, const TestItem& b) { return a.key != b.key ? a.key < b.key : a.ref < b.ref; };
  std::sort(tree.begin(), tree.end(), byBytes);
  std::sort(oracle.begin(), oracle.end(), byBytes);
  for (std::size_t i = 0; i < tree.size(); ++i)
    if (tree[i].key != oracle[i].key || tree[i].ref != oracle[i].ref)
      return ::testing::AssertionFailure() << "items differ";
  return ::testing::AssertionSuccess();
}

// ---- the randomised run against the oracle ----


struct TreeShape {
  const char* name;
  std::vector<TestColumn> columns;
  Word pageSize;
};

// Key sizes from 5 to 62 bytes; pages of three or four items, so that a hundred keys make a tree of
// several levels.
inline const TreeShape kShapes[] = {
    {"integer", {{edtInteger, 0, false, false}}, 64},
    {"descending integer, case-insensitive text", {{edtInteger, 0, true, false}, {edtVarchar, 6, false, true}}, 96},
    {"wide text key", {{edtVarchar, 60, false, false}}, 256},
    {"text then descending text", {{edtVarchar, 3, false, false}, {edtVarchar, 3, true, true}}, 80},
};

inline TestValue RandomValue(std::mt19937& rng, const TestColumn& column, int domain) {
  TestValue v;
  if (rng() % 10 == 0) {
    v.isNull = true;
    return v;
  }
  const int n = static_cast<int>(rng() % static_cast<unsigned>(domain));
  if (column.dataType == edtInteger) {
    v.number = n - domain / 2;
  } else {
    // Letters in both cases, so that the case-insensitive columns see equal keys spelt differently.
    const char* letters = "aAbBcC";
    v.text = std::string(1, letters[n % 6]) + std::string(1, letters[(n / 6) % 6]);
  }
  return v;
}

inline Key RandomKey(std::mt19937& rng, const TestTree& tree, const std::vector<TestColumn>& columns, int domain) {
  std::vector<TestValue> values;
  for (const TestColumn& c : columns) values.push_back(RandomValue(rng, c, domain));
  return MakeTestKey(const_cast<TestTree&>(tree).KeyRef(), values);
}

// Random inserts and deletes against the oracle, with the tree checked after every step.
inline void RunRandomSequence(const TreeShape& shape, unsigned seed, int steps, int domain) {
  SCOPED_TRACE(::testing::Message() << shape.name << ", seed " << seed);
  std::mt19937 rng(seed);
  TestTree tree(shape.columns, shape.pageSize);
  Oracle oracle(tree.KeyRef());
  Integer nextRef = 0;
  int maxDepth = 0;
  // The tree grows for `steps` operations, then shrinks until it is empty; it is checked after each.
  for (int step = 0; step < steps || !oracle.Items().empty(); ++step) {
    SCOPED_TRACE(step);
    const auto& items = oracle.Items();
    const unsigned roll = static_cast<unsigned>(rng() % 100);
    const unsigned inserts = step < steps ? 70 : 25;
    if (items.empty() || roll < inserts) {
      const Key key = RandomKey(rng, tree, shape.columns, domain);
      const Key ref = Reference(nextRef++);
      tree.Insert(key, ref);
      oracle.Insert(key, ref);
    } else if (roll < 95) {
      const TestItem victim = items[rng() % items.size()];
      ASSERT_TRUE(tree.Delete(victim.key, victim.ref));
      oracle.Erase(victim.key, victim.ref);
    } else {
      const TestItem other = items[rng() % items.size()];
      ASSERT_FALSE(tree.Delete(other.key, Reference(-1)));
    }
    ASSERT_NO_THROW(tree.Validate());
    ASSERT_TRUE(SameItems(tree.KeyRef(), tree.Items(), oracle.Items()));
    if (!oracle.Items().empty()) {
      const TestItem probe = oracle.Items()[rng() % oracle.Items().size()];
      TSQLMemKeyPath path;
      ASSERT_TRUE(tree.Take(tree.Root()).Controller().FindKey(TestTree::kSession, probe.key.data(), path, probe.ref.data()));
      const TestItem at = tree.ItemAt(path);
      ASSERT_EQ(at.ref, probe.ref);
    }
    maxDepth = std::max(maxDepth, tree.Depth());
  }
  EXPECT_GE(maxDepth, 3) << "the sequence should grow the tree past two levels";
  // An emptied tree keeps its root and the pages above a single leaf.
  EXPECT_TRUE(tree.Items().empty());
}

