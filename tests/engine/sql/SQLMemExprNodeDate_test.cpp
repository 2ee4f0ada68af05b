#include "engine/sql/SQLMemExprNodeDate.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExprTestSupport.h"
#include "vcl/rtl/DateUtils.h"

namespace {

using Node = std::unique_ptr<TSQLMemExprNode>;

// 14 January 2024 was a Sunday; 15:04:05.250 in the afternoon.
class DateFunctionTest : public OneTableTest {
 protected:
  void SetUp() override {
    OneTableTest::SetUp();
    previous_ = SetClockHook([] { return EncodeDateTime(2024, 1, 14, 15, 4, 5, 250); });
  }
  void TearDown() override {
    SetClockHook(previous_);
    OneTableTest::TearDown();
  }
  static Node Fn(Byte op, Node argument = nullptr, const char* pattern = "") {
    return std::make_unique<TSQLMemExprNodeDateFunction>(op, pattern, std::move(argument));
  }
  static Node Sunday() {
    TSQLMemVariant value;
    value.SetAsDateTime(EncodeDateTime(2024, 1, 14, 15, 4, 5, 250));
    return std::make_unique<TSQLMemExprNodeConst>(value);
  }

  TClockHook previous_;
};

TEST_F(DateFunctionTest, PartsAndNamesOfADateTime) {
  const struct {
    Byte op;
    const char* value;
    Integer type, size;
  } cases[] = {
      {opYear, "2024", sftWord, 0},       {opQuarter, "1", sftWord, 0},     {opMonth, "1", sftWord, 0},
      {opDay, "14", sftWord, 0},          {opWeekDay, "1", sftWord, 0},     {opDayOfWeek, "7", sftWord, 0},
      {opDayName, "Sunday", sftVarchar, 9}, {opMonthName, "January", sftVarchar, 9},
      {opHour, "15", sftWord, 0},         {opMinute, "4", sftWord, 0},      {opSecond, "5", sftWord, 0},
      {opMSecond, "250", sftWord, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.op));
    Node node = Fn(c.op, Sunday());
    EXPECT_EQ(TextOf(node->Evaluate()), c.value);
    EXPECT_EQ(node->GetResultType(), c.type);
    EXPECT_EQ(node->GetResultSize(), c.size);
    Node ofNull = Fn(c.op, NullOf(edtTimeStamp));
    EXPECT_TRUE(ofNull->Evaluate().IsNull());
    EXPECT_EQ(ofNull->Evaluate().DataType(), FieldTypeToDataType(c.type));
  }
  // Months to quarters and names.
  for (Word month = 1; month <= 12; ++month) {
    TSQLMemVariant v;
    v.SetAsDate(EncodeDate(2023, month, 1));
    EXPECT_EQ(Fn(opQuarter, std::make_unique<TSQLMemExprNodeConst>(v))->Evaluate().GetAsInteger(), (month + 2) / 3);
  }
  TSQLMemVariant december;
  december.SetAsDate(EncodeDate(2023, 12, 6));  // a Wednesday
  EXPECT_EQ(TextOf(Fn(opMonthName, std::make_unique<TSQLMemExprNodeConst>(december))->Evaluate()), "December");
  EXPECT_EQ(TextOf(Fn(opDayName, std::make_unique<TSQLMemExprNodeConst>(december))->Evaluate()), "Wednesday");
  EXPECT_EQ(TextOf(Fn(opDayOfWeek, std::make_unique<TSQLMemExprNodeConst>(december))->Evaluate()), "3");
}

TEST_F(DateFunctionTest, TheClockAndConversionsByPattern) {
  const TDateTime now = EncodeDateTime(2024, 1, 14, 15, 4, 5, 250);
  EXPECT_DOUBLE_EQ(Fn(opSysDate)->Evaluate().GetAsDateTime(), now);
  EXPECT_EQ(Fn(opCurrentDate)->Evaluate().DataType(), edtDate);
  EXPECT_DOUBLE_EQ(Fn(opCurrentDate)->Evaluate().GetAsDateTime(), EncodeDate(2024, 1, 14));
  EXPECT_EQ(Fn(opCurrentTime)->Evaluate().DataType(), edtTime);
  EXPECT_EQ(Fn(opCurrentTime)->GetResultType(), sftDateTime);

  const struct {
    const char* text;
    const char* pattern;
    Byte dataType;
    TDateTime value;
  } toDate[] = {
      {"2024-01-14 15:04:05", "YYYY-MM-DD HH24:NN:SS", edtTimeStamp, EncodeDateTime(2024, 1, 14, 15, 4, 5, 0)},
      {"2024-01-14", "YYYY-MM-DD", edtDate, EncodeDate(2024, 1, 14)},
      {"15:04", "HH24:NN", edtTime, EncodeTime(15, 4, 0, 0)},
      {"00:00", "HH24:NN", edtDate, 0},  // exactly 0 is a date
  };
  for (const auto& c : toDate) {
    SCOPED_TRACE(c.text);
    Node node = Fn(opToDate, Text(c.text), c.pattern);
    const TSQLMemVariant& value = node->Evaluate();
    EXPECT_EQ(value.DataType(), c.dataType);
    EXPECT_DOUBLE_EQ(value.GetAsDateTime(), c.value);
    EXPECT_EQ(node->GetResultType(), sftDateTime);
  }
  Node nullDate = Fn(opToDate, NullOf(edtVarchar), "YYYY");
  EXPECT_TRUE(nullDate->Evaluate().IsNull());
  EXPECT_EQ(nullDate->Evaluate().DataType(), edtTimeStamp);

  Node text = Fn(opToString, Sunday(), "DD.MM.YYYY HH24:NN");
  EXPECT_EQ(TextOf(text->Evaluate()), "14.01.2024 15:04");
  EXPECT_EQ(text->GetResultType(), sftVarchar);
  EXPECT_EQ(text->GetResultSize(), 16);
  EXPECT_TRUE(Fn(opToString, NullOf(edtDate), "YYYY")->Evaluate().IsNull());
}

TEST_F(DateFunctionTest, ErrorsOfTheDateNode) {
  ExpectEngineError([] { Fn(opYear)->Evaluate(); }, 11606, "Argument expected in SQL function unknown - Native error: 11606");
  ExpectEngineError([] { Fn(opHex, Int(1))->Evaluate(); }, 30130, "Unknown operator: 'unknown' - Native error: 30130");
  ExpectEngineError([] { (void)Fn(opUpper, Int(1))->GetResultType(); }, 30287,
                    "Unknown operator: 'UPPER' - Native error: 30287");
}

}  // namespace
