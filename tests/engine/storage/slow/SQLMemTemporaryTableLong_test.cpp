// A result set far past the memory limit: 200 000 rows of a temporary table whose record store keeps
// 1000 in memory and spills the rest, read back in order with every memo intact; the table and its
// spill file go with the last cursor.
#include <gtest/gtest.h>

#include "tests/engine/storage/TemporaryTableTestSupport.h"
#include "vcl/rtl/FileUtils.h"

class TemporaryTableLongTest : public TemporaryTableTest {};

TEST_F(TemporaryTableLongTest, TwoHundredThousandRowsSpillAndComeBackInOrderWithTheirMemos) {
  constexpr int kRows = 200000;
  // Every row has a memo of its own; every 97th one spans several compressed blocks' worth of text.
  const auto rowOf = [](int n) {
    std::string memo = "memo of row " + std::to_string(n);
    if (n % 97 == 0) memo += std::string(3000 + n % 1000, static_cast<char>('a' + n % 26));
    return ResultRow{n, "row " + std::to_string(n % 1000), memo};
  };
  TableCursor& cursor = NewCursor();
  TSQLMemTemporaryTableData& table = Create(cursor, ResultSchema(), 1000);
  for (int n = 0; n < kRows; ++n) ASSERT_TRUE(Append(cursor, rowOf(n))) << n;
  EXPECT_EQ(table.GetRecordCount(), kRows);
  EXPECT_EQ(table.TemporaryRecordManager()->MemoryCount(), 1000);
  const WideString spill = table.TemporaryRecordManager()->SpillFileName();
  ASSERT_TRUE(FileExists(spill));

  int n = 0;
  cursor.SetBeginOfData();
  while (table.MoveCursor(cursor, ndNext) == nrFound) {
    const ResultRow row = Row(cursor);
    if (row != rowOf(n)) {
      ADD_FAILURE() << "row " << n << " came back as " << row;
      break;
    }
    ++n;
  }
  EXPECT_EQ(n, kRows);

  Detach(cursor);
  EXPECT_EQ(database->GetTableCount(), 0);
  EXPECT_FALSE(FileExists(spill));
}
