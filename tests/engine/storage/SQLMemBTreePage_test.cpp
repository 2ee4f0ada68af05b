#include "engine/storage/SQLMemBTreePage.h"

#include <gtest/gtest.h>

#include "tests/engine/storage/BTreeTestSupport.h"


class BTreeTest : public EngineBlocksTest {};

TEST_F(BTreeTest, RandomInsertsAndDeletesMatchAnOrderedMultiset) {
  unsigned seed = 1;
  for (const TreeShape& shape : kShapes) {
    RunRandomSequence(shape, seed++, 250, 40);   // many duplicates
    RunRandomSequence(shape, seed++, 250, 4000); // few
  }
}

TEST_F(BTreeTest, LeafOfTenByteKeysSplitsAtTheTwoHundredFiftyFifthItem) {
  // A 10-byte key (an integer and a 4-character text) makes 16-byte leaf items: 254 fit a page.
  TestTree tree({{edtInteger, 0}, {edtVarchar, 3}}, 4096);
  ASSERT_EQ(tree.KeyRef().KeySize(), 10);
  for (Integer i = 0; i < 254; ++i) tree.Insert(MakeTestKey(tree.KeyRef(), {{false, i, ""}, {false, 0, "ab"}}), Reference(i));
  EXPECT_EQ(tree.Depth(), 1);
  {
    TSQLMemBTreePage root = tree.Take(tree.Root());
    EXPECT_EQ(root.Count(), 254);
    EXPECT_FALSE(root.HasRoom());
  }
  tree.Insert(MakeTestKey(tree.KeyRef(), {{false, 254, ""}, {false, 0, "ab"}}), Reference(254));
  TSQLMemBTreePage root = tree.Take(tree.Root());
  EXPECT_FALSE(root.IsLeaf());
  EXPECT_EQ(root.PageNo(), 0);  // the root stays in place
  ASSERT_EQ(root.Count(), 2);
  TSQLMemBTreePage left = tree.Take(root.ChildPageNo(0));
  TSQLMemBTreePage right = tree.Take(root.ChildPageNo(1));
  EXPECT_EQ(left.Count(), 127);
  EXPECT_EQ(right.Count(), 128);
  EXPECT_EQ(left.NextPageNo(), right.PageNo());
  EXPECT_EQ(right.PriorPageNo(), left.PageNo());
  EXPECT_EQ(left.PriorPageNo(), -1);
  EXPECT_EQ(right.NextPageNo(), -1);
  EXPECT_EQ(std::memcmp(root.ItemPtr(1), right.ItemPtr(0), 10), 0);
}

TEST_F(BTreeTest, UnderfullLeafMergesIntoItsPriorSiblingElseItsNext) {
  // Three leaves of an integer tree; emptying the middle one merges it into the first, emptying the
  // first merges it into its next sibling. The root never merges.
  TestTree tree({{edtInteger, 0}}, 4096);
  // Leaf items are 11 bytes: 371 fit a page; 3 x 300 keys in order fill three leaves.
  Oracle oracle(tree.KeyRef());
  for (Integer i = 0; i < 600; ++i) {
    const Key key = MakeTestKey(tree.KeyRef(), {{false, i, ""}});
    tree.Insert(key, Reference(i));
    oracle.Insert(key, Reference(i));
  }
  auto leafCounts = [&] {
    std::vector<Integer> counts;
    TSQLMemBTreePage root = tree.Take(tree.Root());
    for (Integer i = 0; i < root.Count(); ++i) counts.push_back(tree.Take(root.ChildPageNo(i)).Count());
    return counts;
  };
  ASSERT_EQ(leafCounts(), (std::vector<Integer>{185, 185, 230}));
  auto remove = [&](Integer i) {
    const Key key = MakeTestKey(tree.KeyRef(), {{false, i, ""}});
    ASSERT_TRUE(tree.Delete(key, Reference(i)));
    oracle.Erase(key, Reference(i));
  };
  // Leaves below half a page (185 items or fewer) are underfull. The second leaf's first deletion
  // leaves 184 items, which fit beside the first leaf's 185: it merges into its prior sibling.
  remove(185);
  EXPECT_EQ(leafCounts(), (std::vector<Integer>{369, 230}));
  tree.Validate();
  EXPECT_TRUE(SameItems(tree.KeyRef(), tree.Items(), oracle.Items()));
  // The first leaf has no prior sibling; it fits beside the next one's 230 items only at 140 items.
  Integer removed = 0;
  for (Integer next = 0; leafCounts().size() == 2; ++next) {
    if (next == 185) continue;
    remove(next);
    ++removed;
  }
  EXPECT_EQ(removed, 369 - 140);
  EXPECT_EQ(leafCounts(), (std::vector<Integer>{370}));
  // The root, now a node with one child, stays: the tree does not lose its level.
  EXPECT_EQ(tree.Depth(), 2);
  tree.Validate();
  EXPECT_TRUE(SameItems(tree.KeyRef(), tree.Items(), oracle.Items()));
}

TEST_F(BTreeTest, FindByConditionMatchesBruteForce) {
  for (const TreeShape& shape : {kShapes[0], kShapes[1]}) {
    SCOPED_TRACE(shape.name);
    std::mt19937 rng(7);
    TestTree tree(shape.columns, shape.pageSize);
    Oracle oracle(tree.KeyRef());
    for (Integer i = 0; i < 400; ++i) {
      const Key key = RandomKey(rng, tree, shape.columns, 30);
      tree.Insert(key, Reference(i));
      oracle.Insert(key, Reference(i));
    }
    const std::vector<TestItem> items = tree.Items();
    ASSERT_TRUE(SameItems(tree.KeyRef(), items, oracle.Items()));
    const TSQLMemBTreeKeyRef& keys = tree.KeyRef();
    auto matches = [&](const Key& itemKey, Byte kind, const Key& probe) {
      return KindAccepts(keys.Compare(itemKey.data(), probe.data()), kind);
    };
    for (int p = 0; p < 60; ++p) {
      const Key probe = RandomKey(rng, tree, shape.columns, 34);
      for (Byte kind = 0; kind <= 5; ++kind) {
        for (bool forward : {true, false}) {
          SCOPED_TRACE(::testing::Message() << "probe " << p << " kind " << int(kind) << (forward ? " forward" : " backward"));
          std::ptrdiff_t expected = -1;
          for (std::size_t i = 0; i < items.size(); ++i) {
            const std::size_t at = forward ? i : items.size() - 1 - i;
            if (matches(items[at].key, kind, probe)) {
              expected = static_cast<std::ptrdiff_t>(at);
              break;
            }
          }
          TSQLMemKeyPath path;
          const bool found = tree.Take(tree.Root()).Controller().FindByCondition(TestTree::kSession, forward, path, kind, probe.data());
          ASSERT_EQ(found, expected >= 0);
          if (!found) continue;
          const TestItem at = tree.ItemAt(path);
          EXPECT_EQ(at.ref, items[static_cast<std::size_t>(expected)].ref);
        }
      }
    }
  }
}
