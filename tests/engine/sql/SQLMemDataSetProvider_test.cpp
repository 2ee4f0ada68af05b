// The provider support of the engine's datasets: statements a provider sends, run on the dataset's
// database with their parameters by position, the provider's transactions and record updates.
#include "engine/dataset/SQLMemQuery.h"
#include "tests/engine/sql/SQLTestSupport.h"
#include "vcl/db/Params.h"

namespace {

class ProviderTest : public FiveDaysSQLTest {
 protected:
  void SetUp() override {
    FiveDaysSQLTest::SetUp();
    table = std::make_unique<TSQLMemTable>(nullptr);
    table->SetDatabaseName(kDataSetTestDatabase);
    table->SetTableName("fans");
  }
  void TearDown() override {
    table.reset();
    FiveDaysSQLTest::TearDown();
  }
  std::unique_ptr<TSQLMemTable> table;
};

TEST_F(ProviderTest, StatementsRunRewrittenWithTheirParametersByPosition) {
  TParams params(nullptr);
  // The provider's name differs from the statement's: the value goes by position.
  params.CreateParam(ftString, "first", ptInput)->SetValue(Variant(AnsiString("Fig")));
  EXPECT_EQ(table->PSExecuteStatement("update fans set Title = :t where ShortDateDay = '2024.01.01'", &params, nullptr),
            1);
  // "@name" names a column; a string constant keeps its quotes inside it.
  EXPECT_EQ(table->PSExecuteStatement("update fans set Text = 'it''s' where @Title = 'Apple'", nullptr, nullptr), 1);
  EXPECT_EQ(Run("select Title, Text from fans where ShortDateDay <= '2024.01.02' order by Title"),
            (SQLRows{"Apple|it's", "Fig|Sunny"}));
  std::unique_ptr<TDataSet> result;
  EXPECT_EQ(table->PSExecuteStatement("delete from fans where Title = 'Elder'; delete from fans where Title = 'Date'",
                                      nullptr, &result),
            2);
  EXPECT_NE(dynamic_cast<TSQLMemQuery*>(result.get()), nullptr) << "the query that ran is handed over";
  result.reset();
  EXPECT_EQ(table->HoldSet(), 0) << "the provider's hold ends with the statement";
  ExpectSQLError([&] { table->PSExecuteStatement("delete from nowhere", nullptr, nullptr); }, 11505, "");
  EXPECT_EQ(table->HoldSet(), 0) << "also after a failure";
}

TEST_F(ProviderTest, TransactionsHoldTheDatabaseAndUpdatesGoToTheHandler) {
  EXPECT_TRUE(table->PSIsSQLBased());
  EXPECT_TRUE(table->PSIsSQLSupported());
  EXPECT_EQ(table->PSGetQuoteChar(), " @ ");
  table->PSStartTransaction();
  EXPECT_TRUE(table->HoldsDatabase(hrProvider));
  EXPECT_FALSE(table->PSInTransaction());
  table->PSEndTransaction(true);
  EXPECT_FALSE(table->HoldsDatabase(hrProvider));

  TSQLMemTable delta(nullptr);
  EXPECT_FALSE(table->PSUpdateRecord(ukInsert, delta)) << "without a handler the provider applies it";
  std::vector<std::pair<TUpdateKind, TUpdateAction>> seen;
  TUpdateAction answer = uaSkip;
  table->OnUpdateRecord = [&](TDataSet& d, TUpdateKind kind, TUpdateAction& action) {
    EXPECT_EQ(&d, &delta);
    seen.emplace_back(kind, action);
    action = answer;
  };
  EXPECT_FALSE(table->PSUpdateRecord(ukDelete, delta));
  answer = uaApplied;
  EXPECT_TRUE(table->PSUpdateRecord(ukModify, delta));
  EXPECT_EQ(seen, (std::vector<std::pair<TUpdateKind, TUpdateAction>>{{ukDelete, uaFail}, {ukModify, uaFail}}));
}

}  // namespace

namespace {

TEST_F(ProviderTest, TheTableGivesItsNameOrderAndKeys) {
  EXPECT_EQ(table->PSGetTableName(), "fans");
  table->PSSetCommandText("");
  EXPECT_EQ(table->PSGetTableName(), "fans") << "an empty text changes nothing";
  AddIndex("fans", "ByTitle", "Title");
  table->Open();
  // The diary's table: primary and unique index ByShortDate, and an index on Title.
  std::unique_ptr<TIndexDef> order = table->PSGetDefaultOrder();
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->Fields(), "ShortDateDay");
  EXPECT_EQ(table->PSGetKeyFields(), "ShortDateDay");
  table->SetIndexFieldNames("Title");
  order = table->PSGetDefaultOrder();
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->Fields(), "Title") << "the order the table is read in";
  table->Close();
  table->PSSetCommandText("other");
  EXPECT_EQ(table->PSGetTableName(), "other");
}

// The provider's parameters restrict the table to the records whose index fields equal them.
TEST_F(ProviderTest, TheTablesParametersSetItsRange) {
  AddIndex("fans", "ByTitle", "Title");
  table->SetIndexFieldNames("Title");
  auto titles = [&] {
    std::vector<AnsiString> seen;
    for (table->First(); !table->Eof(); table->Next()) seen.push_back(table->FieldByName("Title")->AsString());
    return seen;
  };
  TParams params(nullptr);
  params.CreateParam(ftString, "", ptInput)->SetValue(Variant(AnsiString("Cherry")));
  table->PSSetParams(params);
  ASSERT_TRUE(table->Active()) << "the parameters open the table";
  EXPECT_EQ(titles(), std::vector<AnsiString>{"Cherry"}) << "an unnamed parameter fills the index field";
  params.Items(0)->SetName("Title");
  params.Items(0)->SetValue(Variant(AnsiString("Date")));
  table->PSSetParams(params);
  EXPECT_EQ(titles(), std::vector<AnsiString>{"Date"}) << "a named one fills its field";
  params.Items(0)->SetName("NoSuchField");
  EXPECT_THROW(table->PSSetParams(params), Exception);
  EXPECT_EQ(table->State(), dsBrowse) << "a failed key edit is cancelled";
  table->PSSetParams(TParams(nullptr));
  EXPECT_EQ(titles(), (std::vector<AnsiString>{"Apple", "Banana", "Cherry", "Date", "Elder"}))
      << "an empty list drops the range";
}

TEST_F(ProviderTest, TheQueryFindsItsTableInItsText) {
  TSQLMemQuery query(nullptr);
  const struct {
    const char* sql;
    const char* table;
  } cases[] = {
      {"select * from fans", "fans"},
      {"select Title from fans where Title > 'B' order by Title", "fans"},
      {"select f.Title from fans f where f.RecID = 1", "fans"},
      {"select Title from [my table] as t", "my table"},
      {"select (select count(*) from other) from fans;", "fans"},
      {"select * from fans, other", ""},
      {"select * from fans join other on fans.RecID = other.id", ""},
      {"select * from (select * from fans) s", ""},
      {"update fans set Title = 'x'", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    query.SQL().SetText(c.sql);
    EXPECT_EQ(query.PSGetTableName(), c.table);
  }
}

// The query's default order is its ORDER BY: the columns, the descending and the case-insensitive ones;
// a position names the result's column, so it needs the query's fields.
TEST_F(ProviderTest, TheQueryOrdersByItsOrderBy) {
  AddIndex("fans", "ByTitle", "Title");
  TSQLMemQuery query(nullptr);
  query.SetDatabaseName(kDataSetTestDatabase);
  const struct {
    const char* sql;
    const char* fields;  // nullptr: no order
    const char* descending;
    const char* caseInsensitive;
  } cases[] = {
      {"select * from fans where lower(Text) like :p order by Title", "Title", "", ""},
      {"select * from fans order by Title desc, ShortDateDay", "Title;ShortDateDay", "Title", ""},
      {"select * from fans f order by f.Title asc nocase, [f].[RecID] DESC;", "Title;RecID", "RecID", "Title"},
      {"select * from fans order by 3, RecID desc", "Title;RecID", "RecID", ""},
      {"select Title from (select * from fans order by RecID) s", nullptr, nullptr, nullptr},
      {"select * from fans where RecID in (select RecID from fans order by Title) order by RecID", "RecID", "", ""},
      {"select * from fans order by index ByTitle", nullptr, nullptr, nullptr},
      {"select * from fans order by 9", nullptr, nullptr, nullptr},
      {"select * from fans order by 'x'", nullptr, nullptr, nullptr},
      {"select * from fans", nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    query.SQL().SetText(c.sql);
    if (TParam* p = query.Params().FindParam("p")) p->SetAsString("%");
    // The texts without an order need not run at all.
    if (c.fields != nullptr) query.Open();
    std::unique_ptr<TIndexDef> order = query.PSGetDefaultOrder();
    query.Close();
    if (c.fields == nullptr) {
      EXPECT_EQ(order, nullptr);
      continue;
    }
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->Fields(), c.fields);
    EXPECT_EQ(order->DescFields(), c.descending);
    EXPECT_EQ(order->CaseInsFields(), c.caseInsensitive);
  }
  TSQLMemQuery fresh(nullptr);
  fresh.SQL().SetText("select * from fans order by 3");
  EXPECT_EQ(fresh.PSGetDefaultOrder(), nullptr) << "a query that never ran knows no third column";
}

TEST_F(ProviderTest, TheQueryTakesItsTextAndParametersAndRuns) {
  TSQLMemQuery query(nullptr);
  query.SetDatabaseName(kDataSetTestDatabase);
  query.PSSetCommandText("update fans set Title = :t where ShortDateDay = :d");
  query.PSSetCommandText("");
  EXPECT_EQ(query.SQL().Count(), 1) << "an empty text changes nothing";
  TParams params(nullptr);
  params.CreateParam(ftString, "t", ptInput)->SetValue(Variant(AnsiString("Fig")));
  params.CreateParam(ftString, "d", ptInput)->SetValue(Variant(AnsiString("2024.01.03")));
  query.PSSetParams(params);
  query.PSSetParams(TParams(nullptr));
  ASSERT_EQ(query.Params().Count(), 2) << "an empty list keeps the parameters";
  EXPECT_EQ(query.Params().Items(0)->Value().AsString(), "Fig");
  query.PSExecute();
  EXPECT_EQ(query.RowsAffected(), 1);
  EXPECT_EQ(Run("select Title from fans where ShortDateDay = '2024.01.03'"), SQLRows{"Fig"});

  query.SQL().SetText("select Title from fans");
  query.Open();
  query.PSSetParams(params);
  EXPECT_FALSE(query.Active()) << "new parameters close the query";
}

}  // namespace
