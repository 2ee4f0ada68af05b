// The statement processor: which command a statement's first words choose, a text of several
// statements run in order, what a failing statement leaves, and parameter values on every run.
#include "engine/sql/SQLMemLocalSQLProcessor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

// A statement that stands for a data-changing one: it records the token the choice table left the
// lexer on, and affects two rows.
class TRecordingCommand : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;
  static inline std::vector<std::string> seen;
  void Parse() override { seen.push_back(Token().Text); }
  void Execute(bool, bool&, bool) override { RowsAffected = 2; }
};

std::unique_ptr<TSQLMemSQLCommand> MakeRecording(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  return std::make_unique<TRecordingCommand>(lexer, context);
}

// Registers the recording command for a test's length, then gives the kinds back what they had.
class RecordingCommands {
 public:
  explicit RecordingCommands(std::vector<const char*> kinds) : kinds_(std::move(kinds)) {
    TRecordingCommand::seen.clear();
    for (const char* kind : kinds_) previous_.push_back(RegisterSQLCommand(kind, MakeRecording));
  }
  ~RecordingCommands() {
    for (std::size_t i = 0; i < kinds_.size(); ++i) RegisterSQLCommand(kinds_[i], previous_[i]);
  }

 private:
  std::vector<const char*> kinds_;
  std::vector<TSQLMemSQLCommandFactory> previous_;
};

class ProcessorTest : public FiveDaysSQLTest {};

TEST_F(ProcessorTest, TheFirstWordsChooseTheCommand) {
  RecordingCommands recording({"RENAME", "CREATE TABLE", "CREATE INDEX", "DROP DATABASE", "DELETE"});
  const struct {
    const char* sql;
    const char* leftOn;
  } cases[] = {
      {"RENAME TABLE a TO b", "a"},  {"rename a to b", "a"},           {"Create Table t (a int)", "Table"},
      {"create unique index i", "unique"}, {"CREATE INDEX i", "INDEX"}, {"drop database d", "database"},
      {"delete from t", "delete"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    TSQLMemLocalSQLProcessor& processor = Processor(c.sql);
    processor.Prepare();
    ASSERT_FALSE(TRecordingCommand::seen.empty());
    EXPECT_EQ(TRecordingCommand::seen.back(), c.leftOn);
    EXPECT_EQ(processor.RowsTotal, 2);
    EXPECT_EQ(processor.ResultCursor(), nullptr);
  }
}

TEST_F(ProcessorTest, StatementsThatChooseNoCommandNameTheirToken) {
  const struct {
    const char* sql;
    Integer code;
    const char* at;
  } cases[] = {
      {"create", 30148, "line 1, column 1"},
      {"  create view v", 30147, "'view' found at line 1, column 10"},
      {"drop unique index i", 30149, "'unique' found at line 1, column 6"},
      {"drop", 30150, "line 1, column 1"},
      {"alter index i", 30151, "'index' found at line 1, column 7"},
      {"alter", 30152, "line 1, column 1"},
      {"rename", 30353, "line 1, column 1"},
      {"where x = 1", 30153, "'where' found at line 1, column 1"},
      {"'select' * from fans", 30154, "'select' found at line 1, column 1"},
      {"x = 1", 30154, "'x' found at line 1, column 1"},
      // Positions count from the start of the statement.
      {"select * from fans;\n  drop view v", 30149, "'view' found at line 2, column 8"},
      // Statements whose command class is not there yet.
      {"insert into fans values (1)", 30035, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Run(c.sql); }, c.code, c.at);
    EXPECT_EQ(processor_->ResultCursor(), nullptr);
  }
}

TEST_F(ProcessorTest, StatementsRunInOrderAndTheLastOneGivesTheResult) {
  TSQLMemLocalSQLProcessor& processor = Processor(
      "select * into Rainy from fans where lower(Text) like '%rain%';\n"
      "select Title into Short from Rainy where RecID > 1;\n"
      "select Title from Short order by Title desc");
  processor.Prepare();
  ASSERT_NE(processor.ResultCursor(), nullptr);
  EXPECT_EQ(processor.ResultCursor()->Bof, 1) << "the cursor stands before its first record";
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), (SQLRows{"Elder", "Apple"}));
  EXPECT_EQ(TableRows("Rainy").size(), 3U);
  EXPECT_EQ(TableRows("Short"), (SQLRows{"Apple", "Elder"}));

  RecordingCommands recording({"DELETE"});
  const struct {
    const char* sql;
    bool cursor;
  } cases[] = {
      {"select * from fans; delete from fans", false},
      {"delete from fans; select * from fans", true},
      {"", false},
      {"-- only a note", false},
      {";", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    TSQLMemLocalSQLProcessor& next = Processor(c.sql);
    next.Prepare();
    EXPECT_EQ(next.ResultCursor() != nullptr, c.cursor);
    EXPECT_EQ(next.RowsTotal, std::string(c.sql).find("delete") != std::string::npos ? 2 : 0);
  }
}

TEST_F(ProcessorTest, AFailingStatementKeepsWhatTheOnesBeforeItDidAndTheNextRunStartsAfresh) {
  TSQLMemLocalSQLProcessor& processor = Processor(
      "select * into Kept from fans where RecID <= 2;\n"
      "select * from Later;\n"
      "select Title into Third from Kept");
  ExpectSQLError([&] { processor.Prepare(); }, 10303, "");
  EXPECT_EQ(processor.ResultCursor(), nullptr);
  EXPECT_EQ(processor.ResultDataSet(), nullptr);
  EXPECT_EQ(TableRows("Kept").size(), 2U) << "the first statement's table stays";
  EXPECT_FALSE(TableExists("Third")) << "the third statement did not run";

  // The missing table appears; the same processor reads its text again and runs all three.
  {
    TSQLMemLocalSQLProcessor other(Context());
    other.SetSQLText("select Title into Later from fans where RecID = 5");
    other.Prepare();
  }
  processor.Prepare();
  EXPECT_EQ(TableRows("Third"), (SQLRows{"Cherry", "Banana"}));
  ASSERT_NE(processor.ResultDataSet(), nullptr) << "SELECT ... INTO gives its table as the result";
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), (SQLRows{"Cherry", "Banana"}));
}

TEST_F(ProcessorTest, EveryRunTakesTheCurrentParameterValues) {
  TSQLMemLocalSQLProcessor& processor =
      Processor("select Title from fans where lower(Text) like :p order by Title", {{"p", "%rain%"}});
  processor.Prepare();
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), (SQLRows{"Apple", "Cherry", "Elder"}));
  processor.Params.GetItem(0).Value.SetAsString("s%");
  processor.Prepare();
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), (SQLRows{"Banana", "Date"}));
  // Values whose hashes might agree are not trusted to be equal: a run always rebinds.
  processor.Params.GetItem(0).Value.SetAsString("%day");
  processor.Prepare();
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), (SQLRows{"Cherry"}));

  ExpectSQLError([&] { Run("select * from fans where Title = :missing"); }, 30358, "");
}

// Processors share nothing per statement: one runs while another's live result is open over the same
// table, each with its own parameter values, and a statement whose sub-query runs a processor of its
// own inside it leaves the outer result as it was.
TEST_F(ProcessorTest, ProcessorsRunBesideAndInsideAnotherOnesStatement) {
  TSQLMemSQLContext context = Context();
  context.RequestLive = true;
  TSQLMemLocalSQLProcessor first(context);
  first.SetSQLText("select Title from fans where Title > :p");
  first.Params.Add("p").Value.SetAsString("C");
  first.Prepare();
  EXPECT_EQ(Run("select Title from fans where Title < :p order by Title", {{"p", "C"}}), (SQLRows{"Apple", "Banana"}));
  EXPECT_EQ(Run("select Title from fans where Title in (select Title from fans where Title < :p) order by Title",
                {{"p", "C"}}),
            (SQLRows{"Apple", "Banana"}));
  EXPECT_EQ(RowsOf(*first.ResultDataSet()), (SQLRows{"Cherry", "Elder", "Date"}));
  first.Prepare();
  EXPECT_EQ(RowsOf(*first.ResultDataSet()), (SQLRows{"Cherry", "Elder", "Date"}));
}

TEST_F(ProcessorTest, ALiveRequestGetsTheTableItselfAndItsEditability) {
  TSQLMemSQLContext context = Context();
  context.RequestLive = true;
  TSQLMemLocalSQLProcessor live(context);
  live.SetSQLText("select * from fans where Title = 'Apple'");
  live.Prepare();
  auto* result = dynamic_cast<TSQLMemTable*>(live.ResultDataSet());
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->Temporary()) << "the live result is the table";
  EXPECT_FALSE(live.ResultIsReadOnly);
  EXPECT_EQ(RowsOf(*result).size(), 1U);

  Run("select * from fans where Title = 'Apple'");
  EXPECT_TRUE(processor_->ResultIsReadOnly) << "a copy is read-only";
}

// A query whose database is in-memory reads and writes that database, not the shared "MEMORY".
TEST_F(ProcessorTest, AnInMemoryContextStaysInItsDatabase) {
  TSQLMemSQLContext context = Context();
  context.InMemory = true;
  TSQLMemLocalSQLProcessor processor(context);
  processor.SetSQLText("select Title into Picked from fans where RecID = 1; select * from Picked");
  processor.Prepare();
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()), SQLRows{"Cherry"});
  EXPECT_EQ(TableRows("Picked"), SQLRows{"Cherry"});
}

}  // namespace
