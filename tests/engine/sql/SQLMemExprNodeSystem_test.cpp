#include "engine/sql/SQLMemExprNodeSystem.h"

#include <gtest/gtest.h>

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/EngineTestSupport.h"
#include "engine/sql/SQLMemExprNodeBLOB.h"
#include "tests/engine/dataset/DataSetTestSupport.h"

namespace {

using LastAutoIncTest = DiaryDataSetTest;

// The last value is the one the session handed out: days are added through a table component of the
// default session, which the node reads too.
TEST_F(LastAutoIncTest, LastAutoIncReadsTheSessionsLastValue) {
  AddNumberedDays(2);
  std::unique_ptr<TSQLMemTable> fans(New<TSQLMemTable>(nullptr));
  fans->SetDatabaseName(kDataSetTestDatabase);
  fans->SetTableName("fans");
  fans->Open();
  auto addDay = [&](const char* day) {
    fans->Append();
    fans->FieldByName("ShortDateDay")->SetAsString(day);
    fans->FieldByName("Title")->SetAsString("t");
    fans->Post();
  };
  addDay("2025.01.01");
  TSQLMemExprNodeSystem node(opLastAutoInc, kDataSetTestDatabase, "", true, "RecID", "fans");
  EXPECT_EQ(node.Evaluate().GetAsLargeInt(), 3);
  EXPECT_EQ(node.GetResultType(), sftAutoInc);
  addDay("2025.01.02");
  EXPECT_EQ(node.Evaluate().GetAsLargeInt(), 4) << "read at each evaluation";
  fans->Close();

  ExpectEngineError([] { TSQLMemExprNodeSystem(opLastAutoInc, kDataSetTestDatabase, "", true, "Nope", "fans"); }, 30337,
                    "Field 'Nope' not found - Native error: 30337");
  TSQLMemExprNodeSystem other(opUpper, kDataSetTestDatabase, "", true, "RecID", "fans");
  ExpectEngineError([&] { other.Evaluate(); }, 30338, "Unknown operator: 'UPPER' - Native error: 30338");
}

class BLOBFunctionTest : public EngineBlocksTest {};

TEST_F(BLOBFunctionTest, BLOBLiteralsAreDecodedOnce) {
  const struct {
    Integer format;
    const char* literal;
    const char* bytes;
  } cases[] = {{0, "QUJD", "ABC"}, {1, "414243", "ABC"}, {1, "00ff", "\x00\xff"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.literal);
    TSQLMemExprNodeBLOBFunction node(opToBlob, c.format, c.literal);
    const TSQLMemVariant& value = node.Evaluate();
    EXPECT_EQ(value.DataType(), edtBLOB);
    const std::string expected(c.bytes, c.format == 1 ? std::string(c.literal).size() / 2 : 3);
    ASSERT_EQ(value.DataSize(), static_cast<Integer>(expected.size()));
    EXPECT_EQ(std::string(static_cast<const char*>(value.Data()), expected.size()), expected);
    EXPECT_EQ(&node.Evaluate(), &value);
    EXPECT_EQ(node.GetResultType(), sftBLOB);
  }
  ExpectEngineError([] { TSQLMemExprNodeBLOBFunction(opToBlob, 1, "XY"); }, 11344,
                    "Error - cannot convert BLOB value \"XY\", format = 1 - Native error: 11344");
  TSQLMemExprNodeBLOBFunction other(opHex, 0, "QUJD");
  ExpectEngineError([&] { other.Evaluate(); }, 11343, "Unknown operator: 'unknown' - Native error: 11343");
}

}  // namespace
