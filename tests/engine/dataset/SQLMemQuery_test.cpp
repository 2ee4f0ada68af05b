// The query component over the diary's table: text and parameters, preparation, running and reading
// the result, and the errors of an unusable text.
#include "engine/dataset/SQLMemQuery.h"

#include <gtest/gtest.h>

#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "tests/engine/sql/SQLTestSupport.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"
#include "vcl/rtl/Writer.h"

namespace {

class QueryTest : public SQLStatementTest {
 protected:
  void SetUp() override {
    SQLStatementTest::SetUp();
    AddDays({{"2024.01.03", "Cherry", "Rain all day"},
             {"2024.01.01", "Banana", "Sunny"},
             {"2024.01.02", "Apple", "rain, then sun"},
             {"2024.01.05", "Elder", "no RAIN"}});
    query = std::make_unique<TSQLMemQuery>(nullptr);
    query->SetDatabaseName(kDataSetTestDatabase);
  }
  void TearDown() override {
    query.reset();  // the query and its result go before the database
    SQLStatementTest::TearDown();
  }

  // The titles of the open query's rows, joined by ",".
  std::string Titles() {
    std::string titles;
    for (query->First(); !query->Eof(); query->Next()) {
      if (!titles.empty()) titles += ",";
      titles += query->FieldByName("Title")->AsString();
    }
    return titles;
  }

  std::unique_ptr<TSQLMemQuery> query;
};

TEST_F(QueryTest, TheDiarySearchRunsWithItsParameterAndRunsAgainWithANewValue) {
  query->SQL().SetText("select * from fans where lower(Text) like :p order by Title");
  ASSERT_EQ(query->Params().Count(), 1);
  query->ParamByName("p")->SetAsString("%rain%");
  EXPECT_EQ(query->RowsAffected(), -1) << "never run";
  query->Prepare();
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Cherry,Elder");
  EXPECT_FALSE(query->CanModify()) << "a result that was not asked to be live is read-only";
  query->Close();
  EXPECT_TRUE(query->Prepared()) << "a query with parameters keeps its processor across a close";
  query->ParamByName("p")->SetAsString("%sun%");
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Banana");
  query->Close();
  query->Unprepare();
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->HoldSet(), 0) << "no hold outlives the query's use";
}

TEST_F(QueryTest, SubQueriesRunNestedQueriesInsideTheRunningStatementAtEveryRun) {
  // The sub-query's query runs while the outer statement scans, over the same table, and takes the
  // parameter's value of each run.
  query->SQL().SetText("select Title from fans where Title in (select Title from fans where lower(Text) like :p)"
                       " order by Title");
  query->ParamByName("p")->SetAsString("%rain%");
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Cherry,Elder");
  query->Close();
  query->ParamByName("p")->SetAsString("%sun%");
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Banana");
  query->Close();

  // A live query whose result is a sub-query's result: the nested query's cursor, projected anew.
  TSQLMemQuery live(nullptr);
  live.SetDatabaseName(kDataSetTestDatabase);
  live.SetRequestLive(true);
  live.SQL().SetText("select Title from (select * from fans where Title > 'B') s");
  live.Open();
  std::string titles;
  for (live.First(); !live.Eof(); live.Next()) titles += live.FieldByName("Title")->AsString() + ",";
  EXPECT_EQ(titles, "Cherry,Banana,Elder,");
  EXPECT_EQ(live.FieldCount(), 1);
  live.Close();
  EXPECT_EQ(live.HoldSet(), 0);
}

TEST_F(QueryTest, AQueryWithoutParametersUnpreparesWhenItCloses) {
  query->SQL().SetText("select Title from fans where Title < 'C' order by Title");
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Banana");
  query->Close();
  EXPECT_FALSE(query->Prepared());
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Banana") << "the next open runs the text again";
}

TEST_F(QueryTest, TextChangesConvertMarkersAndKeepValuesByName) {
  query->SQL().SetText("select * from fans where Title = :p");
  query->ParamByName("p")->SetAsString("Apple");

  // The same text again changes nothing: the query stays open on its result.
  query->Open();
  TStringList same;
  same.SetText(query->SQL().Text());
  query->SetSQL(same);
  EXPECT_TRUE(query->Active());
  EXPECT_EQ(Titles(), "Apple");

  // A new text closes the query; p keeps its value, the "?" markers become named parameters.
  query->SQL().SetText("select * from fans where Title = :p or Title = ? or ShortDateDay = ? order by Title");
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(std::string(query->SQL().Text()).find('?'), std::string::npos) << query->SQL().Text();
  ASSERT_EQ(query->Params().Count(), 3);
  EXPECT_EQ(query->Params().Items(0)->Name(), "p");
  EXPECT_EQ(query->Params().Items(0)->AsString(), "Apple");
  EXPECT_EQ(query->Params().Items(1)->Name(), "SQLMem_MS_Param0");
  EXPECT_EQ(query->Params().Items(2)->Name(), "SQLMem_MS_Param1");
  query->Params().Items(1)->SetAsString("Elder");
  query->Params().Items(2)->SetAsString("2024.01.01");
  query->Open();
  EXPECT_EQ(Titles(), "Apple,Banana,Elder");
  query->Close();

  // Without ParamCheck the list stays as it is and the text goes as written.
  query->SetParamCheck(false);
  query->SQL().SetText("select * from fans where Title = :q");
  EXPECT_EQ(query->Params().Count(), 3);
  EXPECT_EQ(query->ParsedText(), query->SQL().Text());
}

TEST_F(QueryTest, AnEmptyMemoParameterArrivesAsANullBLOB) {
  query->SQL().SetText("select Title from fans where :m is null and Title = 'Apple'");
  query->ParamByName("m")->SetAsMemo("");
  query->Open();
  EXPECT_EQ(Titles(), "Apple");
  query->Close();
  query->ParamByName("m")->SetAsMemo("x");
  query->Open();
  EXPECT_EQ(Titles(), "");
}

TEST_F(QueryTest, UnusableTextsAndPreparingAnOpenQueryRaise) {
  ExpectSQLError([&] { query->Open(); }, 20034, "No SQL statement available");
  query->SQL().SetText("x");
  ExpectSQLError([&] { query->Open(); }, 30142, "No SQL statement available");
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(query->HoldSet(), 0) << "a failed open lets the database go";
  query->SQL().SetText("select * from fans");
  query->Open();
  ExpectSQLError([&] { query->SetPrepared(true); }, 30141, "Cannot perform this operation on an open dataset");
}

TEST_F(QueryTest, UnprepareOnAnOpenQueryClosesItBeforeTheResultGoes) {
  query->SQL().SetText("select * from fans where Title > :p order by Title");
  query->ParamByName("p")->SetAsString("B");
  query->Prepare();
  query->Open();
  query->Next();
  query->Unprepare();
  EXPECT_FALSE(query->Active());
  EXPECT_FALSE(query->Prepared());
  query->Open();
  EXPECT_EQ(Titles(), "Banana,Cherry,Elder");
}

TEST_F(QueryTest, ExecuteSQLRunsOnAnInactiveQueryAndReleasesItsHold) {
  query->SQL().SetText("select * from fans");
  query->ExecuteSQL();
  EXPECT_FALSE(query->Active());
  EXPECT_FALSE(query->HoldsDatabase(hrExecuting));
  query->SQL().SetText("select * from nowhere");
  EXPECT_THROW(query->ExecuteSQL(), ESQLMemException);
  EXPECT_EQ(query->HoldSet(), 0) << "a failed run lets the database go";
  query->SQL().SetText("select * from fans");
  query->Open();
  EXPECT_THROW(query->ExecuteSQL(), EDatabaseError) << "an open query does not execute";
}

}  // namespace

namespace {

TEST_F(QueryTest, ADetailQueryFollowsItsMaster) {
  TSQLMemTable master(nullptr);
  master.SetDatabaseName(kDataSetTestDatabase);
  master.SetTableName("fans");
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  query->SQL().SetText("select Title from fans where ShortDateDay = :ShortDateDay");
  query->SetDataSource(&source);
  master.Open();
  query->Open();
  EXPECT_EQ(Titles(), "Cherry") << "the master stands on its first record";
  std::vector<TField*> masterFields, detailFields;
  query->GetDetailLinkFields(masterFields, detailFields);
  ASSERT_EQ(masterFields.size(), 1u);
  EXPECT_EQ(masterFields[0]->FieldName(), "ShortDateDay");
  EXPECT_TRUE(detailFields.empty()) << "the query shows no field of that name";
  master.Next();
  EXPECT_EQ(Titles(), "Banana");
  master.Last();
  EXPECT_EQ(Titles(), "Elder");
  EXPECT_THROW(
      {
        TDataSource own(nullptr);
        own.SetDataSet(query.get());
        query->SetDataSource(&own);
      },
      EDatabaseError)
      << "a query cannot be its own master";
  query->Close();
  query->SetDataSource(nullptr);
}

}  // namespace

namespace {

// Stands for the data-changing statements until they exist: a DELETE affects 3 rows, an UPDATE 2.
class TChangingCommand : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  void Execute(bool, bool&, bool) override { RowsAffected = IsWord("DELETE") ? 3 : 2; }
};

std::unique_ptr<TSQLMemSQLCommand> MakeChanging(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  return std::make_unique<TChangingCommand>(lexer, context);
}

TEST_F(QueryTest, RowsAffectedCountsTheLastRunAndIsUnknownUntilARun) {
  const TSQLMemSQLCommandFactory update = RegisterSQLCommand("UPDATE", MakeChanging);
  const TSQLMemSQLCommandFactory remove = RegisterSQLCommand("DELETE", MakeChanging);
  query->SQL().SetText("delete from fans where Title = :t");
  query->ParamByName("t")->SetAsString("Apple");
  query->Prepare();
  EXPECT_EQ(query->RowsAffected(), -1) << "prepared, not run";
  query->ExecuteSQL();
  EXPECT_EQ(query->RowsAffected(), 3);
  query->Unprepare();
  EXPECT_EQ(query->RowsAffected(), 3) << "the count outlives the processor";
  query->Prepare();
  EXPECT_EQ(query->RowsAffected(), -1) << "a new preparation forgets it";
  query->Unprepare();

  // Every statement of the text counts; without an explicit Prepare the run unprepares at its end.
  query->SQL().SetText("update fans set Title = 'x'; delete from fans");
  query->ExecuteSQL();
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->RowsAffected(), 5);
  RegisterSQLCommand("UPDATE", update);
  RegisterSQLCommand("DELETE", remove);
}

class TdmQueryTest : public TComponent {
 public:
  using TComponent::TComponent;
};

// Reads a data module holding one query "qrySearch" whose body is `body`.
std::unique_ptr<TdmQueryTest> ReadQueryModule(const std::string& body) {
  RegisterSQLMemDatabaseComponents();
  RegisterSQLMemQuery();
  RegisterStreamedClass<TdmQueryTest, TComponent>("TdmQueryTest");
  std::unique_ptr<TdmQueryTest> module(New<TdmQueryTest>(nullptr));
  ReadComponentFromText(*module, "object dmData: TdmQueryTest\n  object qrySearch: TSQLMemQuery\n" + body +
                                     "  end\nend\n");
  return module;
}

TSQLMemQuery& SearchOf(TdmQueryTest& module) {
  auto* query = dynamic_cast<TSQLMemQuery*>(module.FindComponent("qrySearch"));
  if (query == nullptr) throw std::runtime_error("no qrySearch");
  return *query;
}

TEST_F(QueryTest, AFormDefinitionRestoresParametersAndKeepsTheStoredDataThroughASave) {
  const std::unique_ptr<TdmQueryTest> module = ReadQueryModule(R"(    DatabaseName = 'DATASETTEST'
    SQL = (
      'select Title from fans'
      'where lower(Text) like :p and :n = 3 and :m is null'
      'order by Title')
    Data = { 00FF7F80 0A0D }
    ParamData = <
      item
        DataType = ftString
        Name = 'p'
        ParamType = ptInput
        Value = '%rain%'
      end
      item
        DataType = ftInteger
        Name = 'n'
        ParamType = ptInput
        Value = 3
      end
      item
        DataType = ftBoolean
        Name = 'b'
        ParamType = ptInput
        Value = True
      end
      item
        DataType = ftMemo
        Name = 'm'
        ParamType = ptInput
        Value = Null
      end
      item
        DataType = ftDateTime
        Name = 'd'
        ParamType = ptInputOutput
        Value = 45292.5
      end
      item
        DataType = ftFloat
        Name = 'f'
        ParamType = ptInput
        Size = 8
        Precision = 15
        NumericScale = 2
        Value = 2.5
      end>
    Active = True
)");
  TSQLMemQuery& read = SearchOf(*module);
  EXPECT_EQ(read.StoredData(), (std::vector<Byte>{0x00, 0xFF, 0x7F, 0x80, 0x0A, 0x0D}));
  ASSERT_EQ(read.Params().Count(), 6);
  const struct {
    const char* name;
    TFieldType type;
    TVarType kind;
  } expected[] = {{"p", ftString, varString},  {"n", ftInteger, varInteger}, {"b", ftBoolean, varBoolean},
                  {"m", ftMemo, varNull},      {"d", ftDateTime, varDate},   {"f", ftFloat, varDouble}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(expected[i].name);
    const TParam& param = *read.Params().Items(i);
    EXPECT_EQ(param.Name(), expected[i].name);
    EXPECT_EQ(param.DataType(), expected[i].type);
    EXPECT_EQ(param.Value().VarType(), expected[i].kind);
  }
  EXPECT_EQ(read.ParamByName("d")->AsDateTime(), 45292.5);
  EXPECT_EQ(read.ParamByName("d")->ParamType(), ptInputOutput);
  EXPECT_EQ(read.ParamByName("f")->NumericScale(), 2);
  ASSERT_TRUE(read.Active()) << "the definition's values ran the text";
  std::string titles;
  for (read.First(); !read.Eof(); read.Next()) titles += read.FieldByName("Title")->AsString() + ",";
  EXPECT_EQ(titles, "Apple,Cherry,Elder,");
  read.Close();

  // Saving the form writes both back as they were read; reading that gives the same query.
  TWriter writer(2);
  writer.WriteDefinedProperties(read);
  const std::unique_ptr<TdmQueryTest> again = ReadQueryModule(writer.Text());
  TSQLMemQuery& copy = SearchOf(*again);
  EXPECT_EQ(copy.StoredData(), read.StoredData());
  EXPECT_TRUE(copy.Params().IsEqual(read.Params())) << writer.Text();

  // A new text drops the stored bytes; a query without parameters or bytes writes neither property.
  copy.SQL().SetText("select Title from fans");
  EXPECT_TRUE(copy.StoredData().empty());
  TWriter empty(2);
  empty.WriteDefinedProperties(copy);
  EXPECT_EQ(empty.Text(), "");
}

}  // namespace
