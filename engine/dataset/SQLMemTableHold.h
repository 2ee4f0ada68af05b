// Holds a dataset's database for one reason for the length of a scope; the hold is let go however the
// scope ends, and a failure to let it go never replaces the failure that ended the scope.
#pragma once
#include "engine/dataset/SQLMemDataSet.h"

class TSQLMemTableHold {
 public:
  // May hold nothing (no database while the owner is still being read): Database() then stays nil.
  TSQLMemTableHold(TSQLMemDataSet& dataSet, Byte reason) : dataSet_(dataSet), reason_(reason) {
    dataSet_.HoldDatabase(reason_, true);
  }
  ~TSQLMemTableHold() {
    try {
      dataSet_.HoldDatabase(reason_, false);
    } catch (...) {
    }
  }
  TSQLMemTableHold(const TSQLMemTableHold&) = delete;
  TSQLMemTableHold& operator=(const TSQLMemTableHold&) = delete;

 private:
  TSQLMemDataSet& dataSet_;
  Byte reason_;
};
