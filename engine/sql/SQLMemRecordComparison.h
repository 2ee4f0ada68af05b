// The duplicate detector of SELECT DISTINCT: the row's values are hashed column by column and the
// hashes folded into one; a row is new unless an earlier row had the same combined hash AND the same
// values. Comparing the values on a hash hit means a collision never drops a row. Values compare by
// their byte image and data type, so 1 and 1.0 (different types) stay two rows, as the hash says.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemRecordComparison {
 public:
  // columnCount columns per row; inputRecordCount sizes the hash set.
  TSQLMemRecordComparison(Integer columnCount, Int64 inputRecordCount);

  // Column index of the current row takes value (its hash and its image); outside 0..count-1 raises 11661.
  void SetItem(const TSQLMemVariant& value, Integer index);
  // Folds the columns' hashes: column 0's hash, then each further column mixed in by its position.
  void CombineHashes();
  Cardinal CombinedHash() const { return combined_; }
  // Whether the current row is new; a new row is remembered.
  bool IsNew();

 private:
  std::vector<Cardinal> hashes_;
  std::vector<std::string> images_;
  Cardinal combined_ = 0;
  // Per combined hash, the images of the rows seen with it (several only after a collision).
  std::unordered_map<Cardinal, std::vector<std::string>> seen_;
};
