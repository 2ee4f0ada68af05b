#include "engine/sql/SQLMemExprNodeField.h"

#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "engine/sql/SQLMemSelectListItem.h"

namespace {

// An operator over two tables T and U: T.ID, T.NAME, U.ID, U.TOTAL; the table it reads is T.
class FieldNodeTest : public OneTableTest {
 protected:
  void SetUp() override {
    OneTableTest::SetUp();
    source_ = std::make_unique<TestColumnSource>(
        std::vector<TestColumnSource::Column>{{"T", "ID", sftInteger, 0, 0},
                                              {"T", "NAME", sftVarchar, 20, 0},
                                              {"U", "ID", sftInteger, 0, 0},
                                              {"U", "TOTAL", sftDouble, 0, 2}},
        "ID;NAME");
  }
  void TearDown() override {
    source_.reset();
    OneTableTest::TearDown();
  }
  void SetRow(Integer tId, const char* name, Integer uId) {
    TSQLMemVariant v;
    v.SetAsInteger(tId);
    source_->Set(0, v);
    if (name != nullptr)
      source_->Set(1, Text(name)->Value());
    else
      source_->Set(1, TSQLMemVariant(edtVarchar));
    v.SetAsInteger(uId);
    source_->Set(2, v);
  }

  std::unique_ptr<TestColumnSource> source_;
};

TEST_F(FieldNodeTest, FieldNodesReadTheOperatorsCurrentRow) {
  TSQLMemExprNodeField name(nullptr, "t", "name");
  name.BindToOperator(source_.get());
  EXPECT_EQ(name.ColumnIndex(), 1);
  EXPECT_EQ(name.GetResultType(), sftVarchar);
  EXPECT_EQ(name.GetResultSize(), 20);
  EXPECT_EQ(name.DataType(), edtVarchar);
  TSQLMemExprNodeField total(nullptr, "", "Total");
  total.BindToOperator(source_.get());
  EXPECT_EQ(total.GetResultType(), sftDouble);
  EXPECT_EQ(total.ColumnAttribute(), 2);
  EXPECT_EQ(total.GetResultAttribute(), 0) << "no node answers the attribute";
  EXPECT_EQ(source_->markedLookups, 0) << "binding a condition marks no column as output";

  SetRow(1, "Anna", 7);
  EXPECT_EQ(name.Evaluate().GetAsString(), "Anna");
  SetRow(2, nullptr, 7);
  EXPECT_TRUE(name.Evaluate().IsNull());
  EXPECT_EQ(source_->reads, 2);

  // A whole condition over the operator follows its rows.
  TSQLMemExpression condition;
  condition.AddCondition(std::make_unique<TSQLMemExprNodeComparison>(
      opEqual, std::make_unique<TSQLMemExprNodeField>(nullptr, "U", "id"), Int(7), true, false, false));
  condition.AddCondition(std::make_unique<TSQLMemExprNodeComparison>(
      opGreater, std::make_unique<TSQLMemExprNodeField>(nullptr, "T", "ID"), Int(1), true, false, false));
  condition.BindToOperator(source_.get());
  EXPECT_TRUE(condition.GetBooleanValue());
  SetRow(1, "Anna", 7);
  EXPECT_FALSE(condition.GetBooleanValue());
  SetRow(5, "Bea", 8);
  EXPECT_FALSE(condition.GetBooleanValue());
}

TEST_F(FieldNodeTest, BindingSwitchesBetweenCursorAndOperator) {
  // A table T whose field is called Name like the cursor's.
  TSQLMemExprNodeField name(cursor_.get(), "", "Name");
  EXPECT_EQ(name.Cursor(), cursor_.get());
  EXPECT_EQ(name.Evaluate().GetAsString(), "Anna");
  name.BindToOperator(source_.get());
  EXPECT_EQ(name.Cursor(), nullptr);
  EXPECT_EQ(name.Source(), source_.get());
  SetRow(1, "Bea", 1);
  EXPECT_EQ(name.Evaluate().GetAsString(), "Bea");
  name.BindCursor(cursor_.get());
  EXPECT_EQ(name.Source(), nullptr);
  EXPECT_EQ(name.Evaluate().GetAsString(), "Anna");
  EXPECT_EQ(name.GetResultType(), sftVarchar);
  EXPECT_EQ(name.GetResultSize(), 10);
}

TEST_F(FieldNodeTest, BindingAndReadingErrorsRaiseTheirCodes) {
  const struct {
    const char* name;
    std::function<void()> action;
    Integer code;
    const char* message;
  } cases[] = {
      {"same name in two tables",
       [&] { TSQLMemExprNodeField(nullptr, "", "id").BindToOperator(source_.get()); }, 30197, "Field '.id' not found"},
      {"no such column",
       [&] { TSQLMemExprNodeField(nullptr, "T", "Total").BindToOperator(source_.get()); }, 30197, "Field 'T.Total' not found"},
      {"nil cursor", [&] { TSQLMemExprNodeField(nullptr, "", "Name").BindCursor(nullptr); }, 30202, "Value is Null"},
      {"no such field", [&] { TSQLMemExprNodeField(cursor_.get(), "", "Street"); }, 30115, "Field 'Street' not found"},
      {"never bound", [&] { TSQLMemExprNodeField(nullptr, "", "Name").Evaluate(); }, 30196, "Dataset and AO not assigned"},
      {"unbound from the operator",
       [&] {
         TSQLMemExprNodeField field(nullptr, "T", "ID");
         field.BindToOperator(source_.get());
         field.BindToOperator(nullptr);
         field.Evaluate();
       },
       30196, "Dataset and AO not assigned"},
      {"a record buffer but no cursor",
       [&] {
         TSQLMemExprNodeField field(nullptr, "T", "ID");
         field.BindToOperator(source_.get());
         field.SetRecordBuffer(cursor_->CurrentRecordBuffer);  // column 0 (Name) is not NULL there
         field.Evaluate();
       },
       11300, "Nil pointer occured"},
      {"type of an unbound field", [&] { (void)TSQLMemExprNodeField(nullptr, "", "Name").GetResultType(); }, 30284,
       "Cannot determine expression type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectEngineError(c.action, c.code, AnsiString(c.message) + " - Native error: " + std::to_string(c.code));
  }
}

TEST_F(FieldNodeTest, AvailabilityQuestionsLookTheFieldsUp) {
  TestColumnSource other({{"V", "ID", sftInteger, 0, 0}});
  const struct {
    const char* table;
    const char* field;
    bool availableHere, availableInOther;
  } cases[] = {
      {"T", "ID", true, false},   {"", "NAME", true, false}, {"", "id", false, true},
      {"u", "total", true, false}, {"", "Street", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.table << "." << c.field);
    TSQLMemExprNodeField field(nullptr, c.table, c.field);
    EXPECT_EQ(field.IsAvailableIn(source_.get()), c.availableHere);
    EXPECT_EQ(field.UsesOperator(source_.get()), c.availableHere);
    EXPECT_EQ(field.IsAvailableIn(&other), c.availableInOther);
    EXPECT_FALSE(field.IsAvailableIn(nullptr));
  }

  // A condition is available where all its fields are; constants are available anywhere.
  TSQLMemExprNodeBoolean both(opAnd, true, false);
  both.AddChild(std::make_unique<TSQLMemExprNodeComparison>(opEqual, std::make_unique<TSQLMemExprNodeField>(nullptr, "T", "ID"),
                                                            Int(1), true, false, false));
  both.AddChild(std::make_unique<TSQLMemExprNodeComparison>(opEqual, std::make_unique<TSQLMemExprNodeField>(nullptr, "", "NAME"),
                                                            Text("x"), true, false, false));
  EXPECT_TRUE(both.IsAvailableIn(source_.get()));
  EXPECT_FALSE(both.IsAvailableIn(&other));
  EXPECT_TRUE(both.UsesOperator(source_.get()));
  both.AddChild(std::make_unique<TSQLMemExprNodeField>(nullptr, "V", "ID"));
  EXPECT_FALSE(both.IsAvailableIn(source_.get()));
  EXPECT_TRUE(both.UsesOperator(&other)) << "one field of the other source is enough";
  EXPECT_TRUE(Int(1)->IsAvailableIn(source_.get()));
}

TEST_F(FieldNodeTest, OnlyFieldsBoundToTheTableOperatorReferToItsTable) {
  TestColumnSource other({{"T", "ID", sftInteger, 0, 0}}, "ID");
  TSQLMemExprNodeField id(nullptr, "T", "ID");
  EXPECT_FALSE(id.RefersOnlyToTable(source_.get())) << "not bound yet";
  id.BindToOperator(source_.get());
  EXPECT_TRUE(id.RefersOnlyToTable(source_.get()));
  EXPECT_FALSE(id.RefersOnlyToTable(&other)) << "bound to another operator";
  TSQLMemExprNodeField total(nullptr, "U", "TOTAL");
  total.BindToOperator(source_.get());
  EXPECT_FALSE(total.RefersOnlyToTable(source_.get())) << "a column that is not a field of the table";

  TSQLMemExprNodeComparison comparison(opEqual, std::make_unique<TSQLMemExprNodeField>(nullptr, "T", "NAME"), Text("x"),
                                       true, false, false);
  comparison.BindToOperator(source_.get());
  EXPECT_TRUE(comparison.RefersOnlyToTable(source_.get()));
}

TEST_F(FieldNodeTest, AliasesOfPlainColumnsResolveToTheirColumn) {
  TSQLMemExpression someExpression;
  std::vector<TSQLMemSelectListItem> items(4);
  items[0].FieldName = "Name";
  items[0].Alias = "N";
  items[1].TableName = "t";
  items[1].FieldName = "Age";
  items[1].Alias = "Years";
  items[2].IsExpression = true;
  items[2].Expression = &someExpression;
  items[2].Alias = "Total";
  items[3].FieldName = "Letter";
  items[3].Alias = "Name";  // "SELECT Name AS N, ..., Letter AS Name": N is Name, not Letter
  const struct {
    const char* table;
    const char* field;
    const char* resolvedTable;
    const char* resolvedField;
  } cases[] = {
      {"", "n", "", "Name"},           {"", "YEARS", "t", "Age"}, {"", "Total", "", "Total"},
      {"x", "n", "x", "n"},            {"", "City", "", "City"},  {"", "Name", "", "Letter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.table << "." << c.field);
    TSQLMemExprNodeBoolean tree(opNot, true, false, std::make_unique<TSQLMemExprNodeField>(nullptr, c.table, c.field));
    tree.ResolveAliases(items);
    const auto& field = static_cast<const TSQLMemExprNodeField&>(tree.Child(0));
    EXPECT_EQ(field.TableName(), c.resolvedTable);
    EXPECT_EQ(field.FieldName(), c.resolvedField);
  }
}

TEST_F(FieldNodeTest, ConstantsAnswerTheirValuesTypeAndTextSize) {
  const struct {
    const char* name;
    std::unique_ptr<TSQLMemExprNodeConst> node;
    Integer type, size;
  } cases[] = {
      {"text", Text("abc"), sftVarchar, 3},
      {"wide text: bytes", WideText(u"abc"), sftWideVarchar, 6},
      {"number", Int(7), sftInteger, 0},
      {"typed NULL", NullOf(edtVarchar), sftVarchar, 0},
      {"untyped NULL", NullOf(edtNone), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.node->GetResultType(), c.type);
    EXPECT_EQ(c.node->GetResultSize(), c.size);
    EXPECT_EQ(&c.node->Evaluate(), &c.node->Value());
  }

  auto constant = Text("abc");
  const std::uint64_t generation = constant->ValueGeneration();
  EXPECT_NE(Text("abc")->ValueGeneration(), generation) << "no two constants share a generation";
  constant->SetValue(Int(4)->Value());
  EXPECT_NE(constant->ValueGeneration(), generation);
  EXPECT_EQ(constant->Evaluate().GetAsInteger(), 4);
}

}  // namespace
