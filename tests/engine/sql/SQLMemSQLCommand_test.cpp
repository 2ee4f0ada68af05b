// The parsing services every statement uses: expecting a token, names and name lists, column lists,
// table names with their database, and pointing a table component at the statement's table.
#include "engine/sql/SQLMemSQLCommand.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/sql/SQLMemRelationalAlgebra.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

class TServiceCommand : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  void Execute(bool, bool&, bool) override {}
};

class SQLCommandServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    context_.DatabaseName = "DB";
    context_.SessionName = "S";
  }

  TServiceCommand& Command(const char* text) {
    command_.reset();
    lexer_ = std::make_unique<TSQLMemLexer>(text, nullptr);
    EXPECT_TRUE(lexer_->NextStatement());
    command_ = std::make_unique<TServiceCommand>(*lexer_, context_);
    return *command_;
  }

  TSQLMemSQLContext context_;
  std::unique_ptr<TSQLMemLexer> lexer_;
  std::unique_ptr<TServiceCommand> command_;
};

TEST_F(SQLCommandServicesTest, ExpectNextTokenChecksTheKindOrReportsTheEnd) {
  TServiceCommand& command = Command("a . b");
  EXPECT_TRUE(command.ExpectNextToken({tktDot}, 1, SQLMemUnexpectedToken));
  EXPECT_FALSE(command.ExpectNextToken({tktComma}, -1, SQLMemUnexpectedToken)) << "code -1 answers instead";
  EXPECT_EQ(command.Token().Text, "b");
  EXPECT_FALSE(command.ExpectNextToken({}, -1, SQLMemUnexpectedToken));
  ExpectSQLError([&] { Command("a .").ExpectNextToken({}, 0, ""); command_->ExpectNextToken({}, 0, ""); }, 30161,
                 "line 1, column 3");
  ExpectSQLError([&] { Command("a ,").ExpectNextToken({tktDot}, 10406, SQLMemUnexpectedToken); }, 10406,
                 "',' found at line 1, column 3");
}

TEST_F(SQLCommandServicesTest, TableNamesTakeTheirDatabaseFromTheTextOrTheContext) {
  const struct {
    const char* text;
    bool contextInMemory;
    bool inMemory;
    const char* database;
    const char* table;
    const char* next;
  } cases[] = {
      {"fans where", false, false, "DB", "fans", "where"},
      {"other.fans x", false, false, "other", "fans", "x"},
      {"[my table]", false, false, "DB", "my table", ""},
      {"MEMORY fans", false, true, "", "fans", ""},
      {"MEMORY m.fans", false, true, "m", "fans", ""},
      {"fans", true, true, "DB", "fans", ""},
      {"date", false, false, "DB", "date", ""},  // a reserved word may name a table
      {"fans.", false, false, "DB", "fans", "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    context_.InMemory = c.contextInMemory;
    TServiceCommand& command = Command(c.text);
    command.ParseTableName();
    EXPECT_EQ(command.InMemory, c.inMemory);
    EXPECT_EQ(command.DatabaseName, c.database);
    EXPECT_EQ(command.TableName, c.table);
    EXPECT_EQ(command.Token().TokenType == tktNone ? std::string() : command.Token().Text, c.next);
  }
  ExpectSQLError([&] { Command("(x)").ParseTableName(); }, 30230, "'(' found at line 1, column 1");
  ExpectSQLError([&] { Command("memory ,").ParseTableName(); }, 30231, "',' found at line 1, column 8");
}

TEST_F(SQLCommandServicesTest, NameAndColumnListsStopAtTheFirstTokenAfterThem) {
  std::vector<AnsiString> names;
  TServiceCommand& command = Command("a, [b c], `d` where");
  command.ParseNameList(names);
  EXPECT_EQ(names, (std::vector<AnsiString>{"a", "b c", "d"}));
  EXPECT_TRUE(command.IsWord("WHERE"));

  TSQLMemFields fields;
  TServiceCommand& columns = Command("a, t.b, c having");
  columns.ParseFieldList(fields);
  ASSERT_EQ(fields.Count(), 3);
  EXPECT_EQ(fields.Item(1).TableName, "t");
  EXPECT_EQ(fields.Item(1).FieldName, "b");
  EXPECT_TRUE(columns.IsWord("HAVING"));

  const struct {
    const char* text;
    bool columnList;
    Integer code;
    const char* at;
  } errors[] = {
      {"(a)", false, 10408, "'(' found at line 1, column 1"},
      {"a, 5", false, 10406, "'5' found at line 1, column 4"},
      {"a,", false, 30161, "line 1, column 2"},
      {"a + 1", true, 10409, "'a' found at line 1, column 1"},
      {"a, 5", true, 10410, "'5' found at line 1, column 4"},
      {"a, 'x'", true, 10409, "'x' found at line 1, column 4"},
      {"a, upper(b)", true, 10409, "'upper' found at line 1, column 4"},
  };
  for (const auto& e : errors) {
    SCOPED_TRACE(e.text);
    ExpectSQLError(
        [&] {
          TServiceCommand& c = Command(e.text);
          std::vector<AnsiString> list;
          TSQLMemFields columnsOut;
          if (e.columnList) {
            c.ParseFieldList(columnsOut);
          } else {
            c.ParseNameList(list);
          }
        },
        e.code, e.at);
  }
}

TEST_F(SQLCommandServicesTest, SetupTablePointsATableAtTheStatementsTable) {
  TServiceCommand& command = Command("other.fans");
  command.ParseTableName();
  TSQLMemTable table(nullptr);
  command.SetupTable(table);
  EXPECT_EQ(table.TableName(), "fans");
  EXPECT_EQ(table.DatabaseName(), "other");
  EXPECT_EQ(table.SessionName(), "") << "the context's session serves only the context's database";

  TServiceCommand& same = Command("DB.fans");
  same.ParseTableName();
  TSQLMemTable sameTable(nullptr);
  same.SetupTable(sameTable);
  EXPECT_EQ(sameTable.DatabaseName(), "DB");
  EXPECT_EQ(sameTable.SessionName(), "S");

  TServiceCommand& memory = Command("MEMORY fans");
  memory.ParseTableName();
  TSQLMemTable memoryTable(nullptr);
  memory.SetupTable(memoryTable);
  EXPECT_TRUE(memoryTable.InMemory());
  EXPECT_EQ(memoryTable.DatabaseName(), "MEMORY");
  EXPECT_EQ(memoryTable.SessionName(), "");
}

}  // namespace
