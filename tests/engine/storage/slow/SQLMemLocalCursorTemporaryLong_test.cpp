// A result set far past the memory limit, the way the components build one: a temporary table made
// and filled through the local cursor while the engine sees memory for only 1000 of its records, so
// that 199 000 rows spill to the record store's file; read back in order through the cursor with
// every memo intact (by position as well); the table and its spill file go when the last cursor closes.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/storage/TemporaryCursorTestSupport.h"
#include "vcl/rtl/FileUtils.h"

class TemporaryCursorLongTest : public TemporaryCursorTest {};

TEST_F(TemporaryCursorLongTest, TwoHundredThousandRowsSpillAndComeBackInOrderWithTheirMemos) {
  constexpr int kRows = 200000;
  constexpr int kInMemory = 1000;
  // Every row has a memo of its own; every 97th one spans several compressed blocks' worth of text.
  const auto rowOf = [](int n) {
    std::string memo = "memo of row " + std::to_string(n);
    if (n % 97 == 0) memo += std::string(3000 + n % 1000, static_cast<char>('a' + n % 26));
    return ResultRow{n, "row " + std::to_string(n % 1000), memo};
  };
  TSQLMemLocalCursor& writer = CreateAndOpen(ResultSchema(), kInMemory);
  const AnsiString name = writer.TableName;
  for (int n = 0; n < kRows; ++n) ASSERT_EQ(Post(writer, rowOf(n)), 0) << n << ": " << writer.ErrorText;
  EXPECT_EQ(writer.GetRecordCount(), kRows);
  TSQLMemTemporaryRecordManager& store = *TableOf(writer).TemporaryRecordManager();
  EXPECT_EQ(store.MemoryLimit(), kInMemory);
  EXPECT_EQ(store.MemoryCount(), kInMemory);
  const WideString spill = SpillFileOf(writer);
  ASSERT_TRUE(FileExists(spill));

  // A second cursor reads the whole table back in append order.
  TSQLMemLocalCursor& reader = NewCursor(name);
  Open(reader);
  int n = 0;
  reader.SetBeginOfData();
  while (reader.GetRecord(ndNext) == nrFound) {
    const ResultRow row = Row(reader);
    if (row != rowOf(n)) {
      ADD_FAILURE() << "row " << n << " came back as " << row;
      break;
    }
    ++n;
  }
  EXPECT_EQ(n, kRows);
  // Backwards from the end, and by record number on both sides of the limit.
  reader.SetEndOfData();
  ASSERT_EQ(reader.GetRecord(ndPrior), nrFound);
  EXPECT_EQ(Row(reader), rowOf(kRows - 1));
  for (const int recordNo : {1, kInMemory, kInMemory + 1, 123457, kRows}) {
    reader.SetRecNo(recordNo);
    ASSERT_EQ(reader.GetRecord(ndCurrent), nrFound) << recordNo;
    EXPECT_EQ(Row(reader), rowOf(recordNo - 1)) << recordNo;
  }

  writer.CloseTable();
  EXPECT_TRUE(TableExists(name)) << "the reader still has it open";
  EXPECT_TRUE(FileExists(spill));
  reader.CloseTable();
  EXPECT_FALSE(TableExists(name));
  EXPECT_FALSE(FileExists(spill));
}
