// What storage needs of the dataset components above it: the hook through which a cursor tells its
// owner dataset that its index definitions changed, and the key constraint that an index definition
// implies. The dataset components implement the hook; storage never reaches further up.
#pragma once
#include "vcl/rtl/SysTypes.h"

class TSQLMemCursor;
class TSQLMemIndexDef;
class TSQLMemConstraintDefs;
class TSQLMemConstraintDefUnique;

// The dataset that uses a cursor (borrowed by the cursor, never owned).
class TSQLMemCursorOwnerDataSet {
 public:
  virtual ~TSQLMemCursorOwnerDataSet() = default;
  // Copies the cursor's index definitions into the dataset's own index lists.
  virtual void LoadIndexDefsFromCursor(TSQLMemCursor& cursor) = 0;
};

// Appends the constraint a primary (kind 0) or unique (kind 2) index implies and returns it; any other
// index appends nothing and gives nullptr. The constraint and its index name are the index's name, its
// index id the index's object id, one column per index column (field ids are filled in later).
TSQLMemConstraintDefUnique* ConstraintFromIndexDef(const TSQLMemIndexDef& indexDef, TSQLMemConstraintDefs& constraints);
