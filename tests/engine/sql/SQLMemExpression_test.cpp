#include "engine/sql/SQLMemExpression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/storage/TestCursor.h"

namespace {

// One record of a small table: Name varchar(10) "Anna", Age 30, City NULL.
class ExpressionTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    cursor_ = std::make_unique<TestCursor>(
        std::initializer_list<CursorTestColumn>{{"Name", sftVarchar, 10}, {"Age", sftInteger, 0}, {"City", sftVarchar, 10}});
    TSQLMemVariant v;
    v.SetAsString("Anna");
    cursor_->Put(0, v);
    TSQLMemVariant age;
    age.SetAsInteger(30);
    cursor_->Put(1, age);
  }
  void TearDown() override {
    cursor_.reset();
    EngineBlocksTest::TearDown();
  }

  bool Locate(const AnsiString& names, const Variant& values, bool caseInsensitive = false, bool partial = false) {
    TSQLMemExpression e;
    e.BuildLocateCondition(cursor_.get(), names, values, caseInsensitive, partial);
    return e.GetBooleanValue();
  }

  std::unique_ptr<TestCursor> cursor_;
};

TEST_F(ExpressionTest, LocateConditionsEvaluateOnTheRecord) {
  const struct {
    const char* name;
    const char* fields;
    Variant values;
    bool caseInsensitive, partial, expected;
  } cases[] = {
      {"one field", "Name", Variant("Anna"), false, false, true},
      {"field names ignore case", " name ", Variant("Anna"), false, false, true},
      {"other value", "Name", Variant("Bea"), false, false, false},
      {"case matters", "Name", Variant("anna"), false, false, false},
      {"case ignored", "Name", Variant("anna"), true, false, true},
      {"partial key", "Name", Variant("An"), false, true, true},
      {"prefix without partial", "Name", Variant("An"), false, false, false},
      {"two fields", "Name;Age", VarArrayOf({Variant("Anna"), Variant(30)}), false, false, true},
      {"second field differs", "Name;Age", VarArrayOf({Variant("Anna"), Variant(31)}), false, false, false},
      {"number as text", "Age", Variant("30"), false, false, true},
      {"NULL finds NULL", "City", Null(), false, false, true},
      {"NULL misses a value", "Name", Null(), false, false, false},
      {"value misses NULL", "City", Variant("Pécs"), false, false, false},
      {"three fields with NULL", "Age;City;Name", VarArrayOf({Variant(30), Null(), Variant("Anna")}), false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Locate(c.fields, c.values, c.caseInsensitive, c.partial), c.expected);
  }
}

TEST_F(ExpressionTest, LocateShapesTheTreeAndChecksItsCounts) {
  TSQLMemExpression e;
  e.BuildLocateCondition(cursor_.get(), "Name", Variant("Anna"), false, false);
  ASSERT_NE(e.Root(), nullptr);
  EXPECT_EQ(e.Root()->Operator(), opEqual);
  e.BuildLocateCondition(cursor_.get(), "Name;Age;City", VarArrayOf({Variant("Anna"), Variant(30), Null()}), false, false);
  ASSERT_EQ(e.Root()->Operator(), opAnd);
  ASSERT_EQ(e.Root()->ChildCount(), 3);
  EXPECT_EQ(dynamic_cast<TSQLMemExprNodeComparison&>(e.Root()->Child(2)).FieldOperand()->FieldName(), "CITY");

  ExpectEngineError([&] { e.BuildLocateCondition(cursor_.get(), "Name;Age;City", VarArrayOf({Variant(1), Variant(2)}), false, false); },
                    30112, "Count of FieldNames (3) not equal counts of KeyValues (2) - Native error: 30112");
  ExpectEngineError([&] { e.BuildLocateCondition(cursor_.get(), "Name;Age", Variant("Anna"), false, false); }, 30112,
                    "Count of FieldNames (2) not equal counts of KeyValues (1) - Native error: 30112");
  ExpectEngineError([&] { e.BuildLocateCondition(cursor_.get(), "Street", Variant("x"), false, false); }, 30115,
                    "Field 'STREET' not found - Native error: 30115");
}

TEST_F(ExpressionTest, AnEmptyConditionPassesAndANullResultCountsAsFalse) {
  TSQLMemExpression e;
  EXPECT_TRUE(e.IsEmpty());
  EXPECT_TRUE(e.GetBooleanValue());

  // NOT over a NULL comparison operand: City is NULL, so NOT City is NULL.
  auto notNode = std::make_unique<TSQLMemExprNodeBoolean>(opNot, true, false);
  notNode->AddChild(std::make_unique<TSQLMemExprNodeField>(cursor_.get(), "", "City"));
  e.AddCondition(std::move(notNode));
  EXPECT_FALSE(e.GetBooleanValue());
}

// Three-valued AND and OR over constant operands (true, false, NULL).
TEST_F(ExpressionTest, AndAndOrFollowThreeValuedLogic) {
  enum { T, F, N };
  auto constant = [](int v) {
    TSQLMemVariant value(edtBoolean);
    if (v != N) value.SetAsBoolean(v == T);
    return std::make_unique<TSQLMemExprNodeConst>(value);
  };
  const struct {
    Byte op;
    int a, b, expected;
  } cases[] = {
      {opAnd, T, T, T}, {opAnd, T, F, F}, {opAnd, N, T, N}, {opAnd, N, F, F}, {opAnd, F, N, F},
      {opOr, F, F, F},  {opOr, N, F, N},  {opOr, N, T, T},  {opOr, T, N, T},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.op) << ": " << c.a << " " << c.b);
    TSQLMemExprNodeBoolean node(c.op, true, false);
    node.AddChild(constant(c.a));
    node.AddChild(constant(c.b));
    const TSQLMemVariant& result = node.Evaluate();
    if (c.expected == N)
      EXPECT_TRUE(result.IsNull());
    else
      EXPECT_EQ(!result.IsNull() && result.GetAsBoolean(), c.expected == T);
  }
}

TEST_F(ExpressionTest, SQLRuleComparisonsWithNullAreFalseExceptNotEqual) {
  const struct {
    Byte op;
    bool rawNull, expected;
  } cases[] = {
      {opEqual, true, false}, {opNotEqual, true, true}, {opLess, true, false},
      {opEqual, false, true}, {opLess, false, false},   {opGreaterOrEqual, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.op) << (c.rawNull ? " sql" : " locate"));
    TSQLMemExpression e;
    e.AddCondition(std::make_unique<TSQLMemExprNodeComparison>(
        c.op, std::make_unique<TSQLMemExprNodeField>(cursor_.get(), "", "City"),
        std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant(edtVarchar)), c.rawNull, false, false));
    EXPECT_EQ(e.GetBooleanValue(), c.expected);
  }
}

TEST_F(ExpressionTest, FieldsReadTheBufferTheyAreSetTo) {
  TSQLMemExpression e;
  e.BuildLocateCondition(cursor_.get(), "Age", Variant(31), false, false);
  EXPECT_FALSE(e.GetBooleanValue());
  Byte* other = cursor_->AllocRecordBuffer();
  cursor_->InitRecordBuffer(other);
  TSQLMemVariant age;
  age.SetAsInteger(31);
  cursor_->SetFieldValue(other, age, 1, true);
  Byte* current = cursor_->CurrentRecordBuffer;
  e.SetRecordBuffer(other);
  EXPECT_TRUE(e.GetBooleanValue());
  EXPECT_EQ(cursor_->CurrentRecordBuffer, current) << "the cursor's own buffer is back after each read";
  cursor_->FreeRecordBuffer(other);
}

// Parent table (Code varchar(4), Part integer) referenced by a child (PCode, PPart).
class ForeignKeyTest : public ExpressionTest {
 protected:
  void SetUp() override {
    ExpressionTest::SetUp();
    parent_ = std::make_unique<TestCursor>(std::initializer_list<CursorTestColumn>{{"Code", sftVarchar, 4}, {"Part", sftInteger, 0}});
    child_ = std::make_unique<TestCursor>(
        std::initializer_list<CursorTestColumn>{{"Id", sftInteger, 0}, {"PCode", sftVarchar, 4}, {"PPart", sftInteger, 0}});
    primary_.SetColumnCount(2);
    primary_.GetColumn(0).Name = "Code";
    primary_.GetColumn(1).Name = "Part";
    foreignKey_.Columns.push_back({"PCode", child_->FieldDefs->GetFieldDef(1).ObjectId});
    foreignKey_.Columns.push_back({"PPart", child_->FieldDefs->GetFieldDef(2).ObjectId});
  }
  void TearDown() override {
    parent_.reset();
    child_.reset();
    ExpressionTest::TearDown();
  }
  static void Set(TestCursor& cursor, Integer field, const char* text, Integer number) {
    TSQLMemVariant v(field == 1 && cursor.FieldDefs->GetCount() == 3 ? edtVarchar : edtNone);
    if (text != nullptr) v.SetAsString(text);
    if (number >= 0) v.SetAsInteger(number);
    if (text == nullptr && number < 0) v.Clear(cursor.FieldDefs->GetFieldDef(field).DataType);
    cursor.Put(field, v);
  }

  std::unique_ptr<TestCursor> parent_, child_;
  TSQLMemIndexDef primary_;
  TSQLMemConstraintDefForeignKey foreignKey_;
};

TEST_F(ForeignKeyTest, TheChildsKeyFindsItsParentAndNullColumnsAreLeftOut) {
  Set(*parent_, 0, "AB", -1);
  Set(*parent_, 1, nullptr, 7);
  const struct {
    const char* name;
    const char* code;
    Integer part;
    Integer comparisons;  // -1: empty
    bool found;
  } cases[] = {
      {"both match", "AB", 7, 2, true},
      {"part differs", "AB", 8, 2, false},
      {"null part is left out", "AB", -1, 1, true},
      {"null code is left out", nullptr, 8, 1, false},
      {"all null: nothing to check", nullptr, -1, -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Set(*child_, 1, c.code, -1);
    Set(*child_, 2, nullptr, c.part);
    TSQLMemExpression e;
    e.BuildForeignKeyCondition(parent_.get(), child_.get(), primary_, foreignKey_);
    if (c.comparisons < 0)
      EXPECT_TRUE(e.IsEmpty());
    else
      EXPECT_EQ(e.Root()->Operator() == opAnd ? e.Root()->ChildCount() : 1, c.comparisons);
    EXPECT_EQ(e.GetBooleanValue(), c.found);
  }
}

TEST_F(ForeignKeyTest, ReferencingRowsAreSelectedAndFullMatchComparesNullsBySQLRules) {
  Set(*child_, 1, "AB", -1);
  Set(*child_, 2, nullptr, -1);  // the child's PPart is NULL
  Set(*parent_, 0, "AB", -1);
  Set(*parent_, 1, nullptr, -1);  // so is the parent's Part
  TSQLMemExpression e;
  e.BuildReferencingKeyCondition(child_.get(), parent_.get(), primary_, foreignKey_);
  EXPECT_EQ(e.Root()->Operator(), opEqual) << "the null parent column adds no comparison";
  EXPECT_TRUE(e.GetBooleanValue());

  foreignKey_.MatchType = 2;
  e.BuildReferencingKeyCondition(child_.get(), parent_.get(), primary_, foreignKey_);
  ASSERT_EQ(e.Root()->Operator(), opAnd);
  EXPECT_EQ(e.Root()->ChildCount(), 2);
  EXPECT_FALSE(e.GetBooleanValue()) << "NULL matches nothing under full match";
}

TEST_F(ExpressionTest, ImpossibleTextEqualityIsFoundAtTheRootOrUnderItsAnd) {
  const struct {
    const char* fields;
    Variant values;
    bool impossible;
  } cases[] = {
      {"Name", Variant("12345678901"), true},
      {"Name", Variant("1234567890"), false},
      {"Age;Name", VarArrayOf({Variant(1), Variant("12345678901")}), true},
      {"Name", Null(), false},
      {"Age", Variant(123456789), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    TSQLMemExpression e;
    e.BuildLocateCondition(cursor_.get(), c.fields, c.values, false, false);
    EXPECT_EQ(e.HasImpossibleTextEquality(), c.impossible);
  }
  EXPECT_FALSE(TSQLMemExpression().HasImpossibleTextEquality());
}

// The scan conditions reach the condition object through the services installed at start-up.
TEST_F(ExpressionTest, ScanConditionsTakeIndexedComparisonsOutAndGiveThemBack) {
  TSQLMemIndexDefs indexes;
  TSQLMemIndexDef& byAge = indexes.AddIndexDef();
  byAge.Name = "ByAge";
  byAge.ObjectId = 77;
  byAge.SetColumnCount(1);
  byAge.GetColumn(0).Name = "age";

  auto e = std::make_unique<TSQLMemExpression>();
  e->BuildLocateCondition(cursor_.get(), "Name;Age", VarArrayOf({Variant("Anna"), Variant(30)}), false, false);
  TSQLMemScanSearchConditionArray conditions;
  conditions.AddFromExpression(e.get());
  TSQLMemScanPendingList pending;
  conditions.BindIndexes(indexes, pending);

  ASSERT_EQ(conditions.Count(), 2);
  const TSQLMemScanSearchCondition& lookup = conditions.GetItem(1);
  EXPECT_EQ(lookup.Kind, 1);
  EXPECT_EQ(lookup.IndexID, 77);
  EXPECT_EQ(lookup.KeyFieldCount, 1);
  Integer key = 0;
  ASSERT_FALSE(IsRecordFieldNull(1, static_cast<Byte*>(lookup.KeyBuffer)));
  std::memcpy(&key, static_cast<Byte*>(lookup.KeyBuffer) + cursor_->FieldDefs->GetFieldDef(1).RecordOffset, 4);
  EXPECT_EQ(key, 30);
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].Expression, e.get());
  EXPECT_EQ(pending[0].KeyBuffer, lookup.KeyBuffer);

  // What stays is the residual condition on Name alone.
  ASSERT_EQ(e->Root()->ChildCount(), 1);
  cursor_->Put(1, TSQLMemVariant(edtInteger));  // Age NULL: the residual still holds
  EXPECT_TRUE(e->GetBooleanValue());

  TSQLMemScanSearchConditionArray::AddFromList(pending);
  EXPECT_TRUE(pending.empty());
  ASSERT_EQ(e->Root()->ChildCount(), 2);
  EXPECT_FALSE(e->GetBooleanValue()) << "the Age comparison is back in the condition";
}

TEST_F(ExpressionTest, ScanKindsFollowTheOperatorTheIndexDirectionAndItsCaseRule) {
  const struct {
    Byte op;
    bool descending;
    bool indexCaseInsensitive;
    int kind;  // 0: not taken
    bool constantFirst = false;  // 'Anna' op Name
  } cases[] = {
      {opEqual, false, false, 1},          {opGreater, false, false, 3},       {opLess, false, false, 2},
      {opGreaterOrEqual, false, false, 5}, {opLessOrEqual, false, false, 4},   {opGreater, true, false, 2},
      {opLess, true, false, 3},            {opGreaterOrEqual, true, false, 4}, {opLessOrEqual, true, false, 5},
      {opNotEqual, false, false, 0},       {opEqual, false, true, 0},
      // 'Anna' > Name asks for the names below 'Anna'.
      {opEqual, false, false, 1, true},          {opGreater, false, false, 2, true},
      {opLess, false, false, 3, true},           {opGreaterOrEqual, false, false, 4, true},
      {opLessOrEqual, false, false, 5, true},    {opGreater, true, false, 3, true},
      {opGreaterOrEqual, true, false, 5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.op) << (c.descending ? " desc" : "") << (c.indexCaseInsensitive ? " nocase" : "")
                                    << (c.constantFirst ? " constant first" : ""));
    TSQLMemIndexDefs indexes;
    TSQLMemIndexDef& byName = indexes.AddIndexDef();
    byName.ObjectId = 5;
    byName.SetColumnCount(1);
    byName.GetColumn(0).Name = "NAME";
    byName.GetColumn(0).Descending = c.descending;
    byName.GetColumn(0).CaseInsensitive = c.indexCaseInsensitive;
    TSQLMemVariant anna;
    anna.SetAsString("Anna");
    TSQLMemExpression e;
    std::unique_ptr<TSQLMemExprNode> field = std::make_unique<TSQLMemExprNodeField>(cursor_.get(), "", "Name");
    std::unique_ptr<TSQLMemExprNode> constant = std::make_unique<TSQLMemExprNodeConst>(anna);
    if (c.constantFirst) std::swap(field, constant);
    e.AddCondition(std::make_unique<TSQLMemExprNodeComparison>(c.op, std::move(field), std::move(constant), true, false,
                                                               false));
    TSQLMemScanSearchConditionArray conditions;
    TSQLMemScanPendingList pending;
    e.ExtractScanConditions(indexes, conditions, pending);
    if (c.kind == 0) {
      EXPECT_EQ(conditions.Count(), 0);
      EXPECT_FALSE(e.IsEmpty());
      continue;
    }
    ASSERT_EQ(conditions.Count(), 1);
    EXPECT_EQ(conditions.GetItem(0).Kind, c.kind);
    EXPECT_TRUE(e.IsEmpty()) << "a usable root leaves nothing behind";
    TSQLMemScanSearchConditionArray::AddFromList(pending);
    EXPECT_FALSE(e.IsEmpty());
  }
}

}  // namespace
