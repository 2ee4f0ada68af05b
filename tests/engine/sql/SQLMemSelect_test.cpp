// The SELECT statement: the shapes its grammar reads, its errors with their positions, and the rows a
// one-table query gives through the processor, the diary's search first.
#include "engine/sql/SQLMemSelect.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

std::string Describe(const TSQLMemTableReference& ref) {
  static const char* const kJoins[] = {"CROSS", "INNER", "LEFT", "RIGHT", "FULL"};
  switch (ref.Kind) {
    case TSQLMemTableReference::kJoin: {
      std::string text = "(" + Describe(*ref.Left) + (ref.Natural ? " NATURAL " : " ") + kJoins[ref.JoinType] + " " +
                         Describe(*ref.Right);
      if (ref.OnCondition != nullptr) text += " ON";
      if (!ref.UsingFields.empty()) {
        text += " USING";
        for (const AnsiString& name : ref.UsingFields) text += " " + name;
      }
      return text + ")";
    }
    case TSQLMemTableReference::kSubQuery: return "{" + ref.SubQuerySQL + "}" + (ref.Alias.empty() ? "" : " AS " + ref.Alias);
    default: {
      std::string text = ref.DatabaseName + "." + ref.TableName;
      if (!ref.Alias.empty()) text += " AS " + ref.Alias;
      if (!ref.Password.empty()) text += " PASSWORD " + ref.Password;
      return text;
    }
  }
}

template <typename T, typename F>
std::string List(const std::vector<T>& items, F describe) {
  std::string text;
  for (const T& item : items) text += (text.empty() ? "" : "; ") + describe(item);
  return "[" + text + "]";
}

std::string Describe(const TSQLMemSQLSelect& block) {
  std::string text = "SELECT";
  if (block.Distinct) text += " DISTINCT";
  if (block.TopCount >= 0) text += " TOP " + std::to_string(block.TopCount) + "," + std::to_string(block.TopFirstRow);
  if (block.SelectAll) {
    text += " *";
  } else {
    text += " " + List(block.SelectList, [](const TSQLMemSelectListItem& item) {
      std::string t = item.IsExpression ? std::string("expr")
                                        : (item.TableName.empty() ? "" : item.TableName + ".") +
                                              (item.AllColumns ? std::string("*") : item.FieldName);
      return item.Alias.empty() ? t : t + " AS " + item.Alias;
    });
  }
  if (!block.IntoTableName.empty()) text += " INTO " + block.IntoDatabaseName + "." + block.IntoTableName;
  text += " FROM " + List(block.FromList, [](const auto& ref) { return Describe(*ref); });
  if (block.Where != nullptr) text += " WHERE";
  if (block.GroupBy.Count() > 0) {
    std::string names;
    for (const TSQLMemSelectListItem& item : block.GroupBy.Items())
      names += (names.empty() ? "" : ",") + (item.TableName.empty() ? "" : item.TableName + ".") + item.FieldName;
    text += " GROUP " + names;
  }
  if (block.Having != nullptr) text += " HAVING";
  if (!block.SortIndexName.empty()) text += " ORDER INDEX " + block.SortIndexName;
  if (!block.OrderBy.empty()) {
    text += " ORDER " + List(block.OrderBy, [](const TSQLMemSortSpecification& spec) {
      std::string t = spec.FieldNo > 0 ? "#" + std::to_string(spec.FieldNo)
                                       : (spec.TableName.empty() ? "" : spec.TableName + ".") + spec.FieldName;
      if (spec.Descending) t += " DESC";
      if (spec.CaseInsensitive) t += " NOCASE";
      return t;
    });
  }
  return text;
}

std::string Describe(const TSQLMemQueryExprNode& node) {
  static const char* const kOperations[] = {"", "UNION", "EXCEPT", "INTERSECT"};
  if (node.Kind == TSQLMemQueryExprNode::kSelect) return Describe(*node.Select);
  std::string text = "(" + Describe(*node.Left) + " " + kOperations[node.Kind];
  if (node.All) text += " ALL";
  if (node.Corresponding) text += " CORRESPONDING";
  for (const AnsiString& name : node.CorrespondingNames) text += " " + name;
  return text + " " + Describe(*node.Right) + ")";
}

class SelectParseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    params_.Add("p").Value.SetAsString("x");
  }

  // The statement parsed by the command the processor chooses for it.
  std::unique_ptr<TSQLMemSQLUnion> Parse(const char* text) {
    lexer_ = std::make_unique<TSQLMemLexer>(text, &params_);
    EXPECT_TRUE(lexer_->NextStatement());
    TSQLMemSQLContext context;
    context.DatabaseName = "DB";
    context.Params = &params_;
    context_ = context;
    auto command = CreateSQLCommand(*lexer_, context_);
    auto* query = dynamic_cast<TSQLMemSQLUnion*>(command.get());
    EXPECT_NE(query, nullptr);
    command.release();
    return std::unique_ptr<TSQLMemSQLUnion>(query);
  }

  TSQLMemSQLParams params_;
  TSQLMemSQLContext context_;
  std::unique_ptr<TSQLMemLexer> lexer_;
};

TEST_F(SelectParseTest, StatementsParseIntoTheirShapes) {
  const struct {
    const char* sql;
    const char* shape;
  } cases[] = {
      {"select a, b c, d as e from t", "SELECT [a; b AS c; d AS e] FROM [DB.t]"},
      {"SELECT DISTINCT TOP 5, 10 * FROM t", "SELECT DISTINCT TOP 5,10 * FROM [DB.t]"},
      {"select all top 3 t.*, lower(Title) 'l', x.y [z] from MEMORY fans f, db2.u as v password 'pw'",
       "SELECT TOP 3,-1 [t.*; expr AS l; x.y AS z] FROM [MEMORY.fans AS f; db2.u AS v PASSWORD pw]"},
      {"select a from t order by 1 desc nocase, x.b asc, c nocase",
       "SELECT [a] FROM [DB.t] ORDER [#1 DESC NOCASE; x.b; c NOCASE]"},
      {"select a from t order by index ByTitle", "SELECT [a] FROM [DB.t] ORDER INDEX ByTitle"},
      {"select * from a, b where a.id = b.id", "SELECT * FROM [DB.a; DB.b] WHERE"},
      {"select * from a left outer join b on a.id = b.id join c using (id, k)",
       "SELECT * FROM [((DB.a LEFT DB.b ON) INNER DB.c USING id k)]"},
      {"select * from a natural full join b cross join (c right join d on c.x = d.x)",
       "SELECT * FROM [((DB.a NATURAL FULL DB.b) CROSS (DB.c RIGHT DB.d ON))]"},
      {"select * into x from db.t", "SELECT * INTO DB.x FROM [db.t]"},
      {"select * into memory y from t", "SELECT * INTO .y FROM [DB.t]"},
      {"select a from t group by a, t.b having count(*) > 1 order by a",
       "SELECT [a] FROM [DB.t] GROUP a,t.b HAVING ORDER [a]"},
      {"select a from t union select a from u intersect select a from v",
       "(SELECT [a] FROM [DB.t] UNION (SELECT [a] FROM [DB.u] INTERSECT SELECT [a] FROM [DB.v]))"},
      {"select a from t except all select a from u minus select a from v",
       "((SELECT [a] FROM [DB.t] EXCEPT ALL SELECT [a] FROM [DB.u]) EXCEPT SELECT [a] FROM [DB.v])"},
      {"(select a from t) union corresponding by (a, b) (select a from u)",
       "(SELECT [a] FROM [DB.t] UNION CORRESPONDING a b SELECT [a] FROM [DB.u])"},
      {"select * from (select a, 'it''s' from t where (x = :p)) s",
       "SELECT * FROM [{select a , 'it''s' from t where ( x = :'p' )} AS s]"},
      // A complete query ends the statement: what follows is not read.
      {"select Title from fans order by Title limit 5", "SELECT [Title] FROM [DB.fans] ORDER [Title]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    auto query = Parse(c.sql);
    EXPECT_EQ(Describe(*query->Root), c.shape);
  }
}

TEST_F(SelectParseTest, IntoTargetPassesToTheStatementFromItsFirstBlock) {
  auto query = Parse("select a from t union select a into MEMORY r from u");
  EXPECT_EQ(query->IntoTableName, "r");
  EXPECT_EQ(query->IntoDatabaseName, "") << "an in-memory target's database is chosen when it runs";
  EXPECT_TRUE(query->InMemory);
}

// A sub-query is written again from its tokens: its names and texts keep their closing characters
// doubled, so the text reads back as the same tokens.
TEST_F(SelectParseTest, ASubQueryTextReadsBackAsItsTokens) {
  const char* inner = "select [a]]b], `q``x`, 'it''s', \"d\" from [t]] 1] where (y = :p or z in (1, 2))";
  const std::string text = std::string("select * from (") + inner + ") s";
  auto query = Parse(text.c_str());
  const TSQLMemTableReference& ref = *query->Root->Select->FromList.at(0);
  ASSERT_EQ(ref.Kind, TSQLMemTableReference::kSubQuery);

  TSQLMemLexer original(inner, &params_);
  TSQLMemLexer rebuilt(ref.SubQuerySQL, &params_);
  ASSERT_TRUE(original.NextStatement());
  ASSERT_TRUE(rebuilt.NextStatement()) << ref.SubQuerySQL;
  ASSERT_EQ(rebuilt.Command.Count(), original.Command.Count()) << ref.SubQuerySQL;
  for (Integer i = 0; i < original.Command.Count(); ++i) {
    const TToken& a = original.Command.Tokens[i];
    const TToken& b = rebuilt.Command.Tokens[i];
    EXPECT_EQ(b.Text, a.Text) << "token " << i << " of " << ref.SubQuerySQL;
    // Double quotes come back as single quotes: both are quoted strings.
    EXPECT_EQ(b.TokenType, a.TokenType) << "token " << i;
  }
}

TEST_F(SelectParseTest, ErrorsNameTheirTokenAndPosition) {
  const struct {
    const char* sql;
    Integer code;
    const char* at;
  } cases[] = {
      {"select * , a from t", 30184, "',' found at line 1, column 10"},
      {"select top x * from t", 30158, "'x' found at line 1, column 12"},
      {"select top 5, y * from t", 30159, "'y' found at line 1, column 15"},
      {"select , a from t", 30160, "',' found at line 1, column 8"},
      {"select a as 5 from t", 30162, "'5' found at line 1, column 13"},
      {"select a b c from t", 30184, "'c' found at line 1, column 12"},
      {"select * into , from t", 30165, "',' found at line 1, column 15"},
      {"select * from t into x", 11337, "line 1, column 17"},
      {"select * from", 30180, "line 1, column 10"},
      {"select * from t, ,", 30181, "',' found at line 1, column 18"},
      {"select * from t as 1", 30177, "'1' found at line 1, column 20"},
      {"select * from t password x", 30178, "'x' found at line 1, column 26"},
      {"select * from (,)", 30179, "',' found at line 1, column 16"},
      {"select * from a cross b", 30168, "'b' found at line 1, column 23"},
      {"select * from a natural x", 30169, "'x' found at line 1, column 25"},
      {"select * from a inner b", 30170, "'b' found at line 1, column 23"},
      {"select * from a left b", 30171, "'b' found at line 1, column 22"},
      {"select * from a right b", 30172, "'b' found at line 1, column 23"},
      {"select * from a full b", 30173, "'b' found at line 1, column 22"},
      {"select * from a left outer b", 30174, "'b' found at line 1, column 28"},
      {"select * from a left where x = 1", 30175, "'where' found at line 1, column 22"},
      {"select * from a join ,", 30176, "',' found at line 1, column 22"},
      {"select * from a join b using x", 30167, "'x' found at line 1, column 30"},
      {"select * from (select a from t) as ,", 11659, "',' found at line 1, column 36"},
      {"select * from t group x", 30185, "'x' found at line 1, column 23"},
      {"select * from t group by 1 + a", 10409, "'1' found at line 1, column 26"},
      {"select a from t having a > 1", 30360, "line 1, column 17"},
      {"select * from t order x", 30185 + 3, "'x' found at line 1, column 23"},
      {"select * from t order by ,", 30187, "',' found at line 1, column 26"},
      {"select * from t order by a, ,", 30189, "',' found at line 1, column 29"},
      {"select * from t order by a.,", 30186, "',' found at line 1, column 28"},
      {"select * from t order by index ,", 11244, "',' found at line 1, column 32"},
      {"select a from t union corresponding by a select a from u", 30193, "'a' found at line 1, column 40"},
      {"select a from t union from u", 30194, "'from' found at line 1, column 23"},
      {"select a from t\n  union\n  select b frm u", 30184, "'u' found at line 3, column 16"},
      {"select * from t order by", 30187, "'by' found at line 1, column 23"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Parse(c.sql); }, c.code, c.at);
  }
}

// ---------------------------------------------------------------- running over the diary's table

class SelectRunTest : public FiveDaysSQLTest {};

TEST_F(SelectRunTest, TheDiarySearchGivesTheMatchingDaysInTitleOrder) {
  const char* search = "select * from fans where lower(Text) like :p order by Title";
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "with an index on Title" : "without an index on Title");
    if (indexed) AddIndex("fans", "ByTitle", "Title");
    TSQLMemLocalSQLProcessor& processor = Processor(search, {{"p", "%rain%"}});
    processor.Prepare();
    ASSERT_NE(processor.ResultCursor(), nullptr);
    auto* result = dynamic_cast<TSQLMemTable*>(processor.ResultDataSet());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(RowsOf(*result), (SQLRows{"3|2024.01.02|Apple|rain, then sun", "1|2024.01.03|Cherry|Rain all day",
                                        "4|2024.01.05|Elder|no RAIN"}));
    EXPECT_TRUE(result->Temporary()) << "the result is a copy in TEMP";
    EXPECT_TRUE(processor.ResultIsReadOnly);
    const bool temporaryIndex = result->IndexName().starts_with("TEMPORARY_TABLE_INDEX_");
    EXPECT_EQ(temporaryIndex, !indexed) << "the copy is sorted by an index of its own only when the table has none";
    if (indexed) {
      EXPECT_EQ(result->IndexDefs().Count(), 0);
    }
  }
}

TEST_F(SelectRunTest, OneTableQueriesGiveTheirRows) {
  const struct {
    const char* sql;
    SQLRows rows;
  } cases[] = {
      {"select Title from fans where Title like 'B%' or ShortDateDay > '2024.01.04' order by ShortDateDay",
       {"Banana", "Elder"}},
      {"select top 2 Title from fans order by Title desc", {"Elder", "Date"}},
      {"select top 2, 2 Title from fans order by Title", {"Banana", "Cherry"}},
      {"select Title t, ShortDateDay from fans where t = 'Apple'", {"Apple|2024.01.02"}},
      {"select ShortDateDay as DayKey from fans order by 1 desc", {"2024.01.05", "2024.01.04", "2024.01.03",
                                                               "2024.01.02", "2024.01.01"}},
      {"select upper(Title) from fans where RecID < 3 order by RecID", {"CHERRY", "BANANA"}},
      {"select fans.Title from fans f where f.RecID = 2", {"Banana"}},
      // LIMIT is not read: the statement ends with its complete query.
      {"select Title from fans order by Title limit 1", {"Apple", "Banana", "Cherry", "Date", "Elder"}},
      {"select Title from fans order by index ByShortDate", {"Banana", "Apple", "Cherry", "Date", "Elder"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(Run(c.sql), c.rows);
  }
}

TEST_F(SelectRunTest, AWhereNoOperatorCanTakeIsAnError) {
  ExpectSQLError([&] { Run("select * from fans where Nope = 1"); }, 11764, "");
  ExpectSQLError([&] { Run("select * from nope"); }, 10303, "");
}

// Comparisons with the constant on the left, and comparisons over NULL values, give the same rows
// with and without an index on the compared column.
TEST_F(SelectRunTest, IndexScansGiveTheRowsOfTheRoadWithoutAnIndex) {
  {
    TSQLMemLocalCursor creator;
    creator.Session = &EngineSession();
    creator.InMemory = 1;
    creator.TableName = "people";
    TSQLMemFieldDefs fields;
    TSQLMemFieldDef& name = fields.AddFieldDef();
    name.Name = "Name";
    name.SetDataType(sftVarchar, 10);
    TSQLMemFieldDef& age = fields.AddFieldDef();
    age.Name = "Age";
    age.SetDataType(sftInteger, 0);
    creator.CreateTable(fields, TSQLMemIndexDefs(), TSQLMemConstraintDefs());
    creator.CloseTable();
  }
  Run("select * from people");  // the table is empty
  {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = "people";
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    const struct {
      const char* name;
      Integer age;  // -1: NULL
    } people[] = {{"Ann", 30}, {"Bob", 40}, {"Cid", -1}, {"Dan", 50}, {"Eve", 41}, {"Fay", -1}, {"Gus", 39}};
    for (const auto& person : people) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      TSQLMemVariant value;
      value.SetAsString(person.name);
      cursor.SetFieldValue(nullptr, value, 0, false);
      if (person.age >= 0) {
        value.SetAsInteger(person.age);
        cursor.SetFieldValue(nullptr, value, 1, false);
      }
      cursor.PostRecord(true);
      ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }
  const struct {
    const char* sql;
    SQLRows rows;
  } cases[] = {
      {"select Name from people where 40 < Age order by Name", {"Dan", "Eve"}},
      {"select Name from people where Age > 40 order by Name", {"Dan", "Eve"}},
      {"select Name from people where 40 >= Age order by Name", {"Ann", "Bob", "Gus"}},
      {"select Name from people where Age < 40 order by Name", {"Ann", "Gus"}},
      {"select Name from people where Age <= 40 and Age >= 39 order by Name", {"Bob", "Gus"}},
      {"select Name from people where Age is null order by Name", {"Cid", "Fay"}},
  };
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "with an index on Age" : "without an index on Age");
    if (indexed) AddIndex("people", "ByAge", "Age");
    for (const auto& c : cases) {
      SCOPED_TRACE(c.sql);
      EXPECT_EQ(Run(c.sql), c.rows);
    }
  }
}

}  // namespace
