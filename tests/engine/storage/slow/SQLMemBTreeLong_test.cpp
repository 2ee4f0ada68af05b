// Long randomised runs of the B-tree against the ordered-multiset oracle: more seeds, more steps and
// larger trees than the default suite's run.
#include <gtest/gtest.h>

#include "tests/engine/storage/BTreeTestSupport.h"

class BTreeLongTest : public EngineBlocksTest {};

TEST_F(BTreeLongTest, LongRandomSequencesMatchAnOrderedMultiset) {
  unsigned seed = 100;
  for (const TreeShape& shape : kShapes) {
    RunRandomSequence(shape, seed++, 1000, 60);
    RunRandomSequence(shape, seed++, 1000, 100000);
  }
}
