// The DDL grammar: what a CREATE TABLE's column list makes of types, sizes, auto-increment and column
// options, keys and foreign keys, as the table component reads the table back; and every parse error of
// the DDL statements with the token, line and column it names.
#include "engine/sql/SQLMemDDLTableManipulation.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/sql/SQLMemDDLTable.h"
#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "tests/engine/sql/DDLTestSupport.h"
#include "vcl/rtl/DateUtils.h"

namespace {

class DDLGrammarTest : public DDLTest {};

TEST_F(DDLGrammarTest, TypeNamesGiveTheirFieldTypesAndSizes) {
  // Every spelling of a type, shown by the first name the type map has for it.
  const struct {
    const char* type;
    const char* shown;
  } cases[] = {
      {"CHAR(5)", "CHAR 5"},           {"FIXEDCHAR(2)", "CHAR 2"},      {"VARCHAR(20)", "STRING 20"},
      {"STRING(3)", "STRING 3"},       {"varchar2(4)", "STRING 4"},     {"WIDECHAR(6)", "WIDECHAR 6"},
      {"WIDESTRING(7)", "WIDESTRING 7"}, {"WIDEVARCHAR(8)", "WIDESTRING 8"}, {"SHORTINT", "SIGNEDINT8 0"},
      {"SMALLINT", "SIGNEDINT16 0"},   {"INTEGER", "INTEGER 0"},        {"SIGNEDINT32", "INTEGER 0"},
      {"LARGEINT", "SIGNEDINT64 0"},   {"INT64", "SIGNEDINT64 0"},      {"BYTE", "UNSIGNEDINT8 0"},
      {"WORD", "UNSIGNEDINT16 0"},     {"CARDINAL", "UNSIGNEDINT32 0"}, {"AUTOINC", "AUTOINC 0"},
      {"AUTOINCLARGEINT", "AUTOINCLARGEINT 0"}, {"SINGLE", "SINGLE 0"}, {"FLOAT", "FLOAT 0"},
      {"DOUBLE", "FLOAT 0"},           {"EXTENDED", "EXTENDED 0"},      {"BOOLEAN", "LOGICAL 0"},
      {"BIT", "LOGICAL 0"},            {"MONEY", "CURRENCY 0"},         {"DATE", "DATE 0"},
      {"TIME", "TIME 0"},              {"DATETIME", "DATETIME 0"},      {"TIMESTAMP", "TIMESTAMP 0"},
      {"BYTES(8)", "BYTES 8"},         {"VARBYTES(9)", "VARBYTES 9"},   {"BLOB", "BLOB 0"},
      {"GRAPHIC", "GRAPHIC 0"},        {"CLOB", "MEMO 0"},              {"FORMATTEDMEMO", "FORMATTEDMEMO 0"},
      {"WIDECLOB", "WIDEMEMO 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Run(("CREATE TABLE t (x " + std::string(c.type) + ")").c_str());
    EXPECT_EQ(Columns("t"), SchemaLines{"x " + std::string(c.shown)});
    Run("DROP TABLE t");
  }
}

TEST_F(DDLGrammarTest, AutoIncrementOptionsPickTheWidthAndTheSequence) {
  const struct {
    const char* type;
    Byte fieldType;
    Int64 increment, initialValue, minSequence, maxSequence;
    bool cycled;
  } cases[] = {
      {"AUTOINC", sftAutoInc, 1, 0, 0, INT64_MAX, false},
      {"AUTOINC(INTEGER)", sftAutoInc, 1, 0, 0, INT64_MAX, false},
      {"AUTOINC(LARGEINT)", sftAutoIncLargeInt, 1, 0, 0, INT64_MAX, false},
      {"AUTOINC(SIGNEDINT16, INCREMENT 5, INITIALVALUE 100, MINVALUE 1, MAXVALUE 1000, CYCLED)", sftAutoIncSmallInt,
       5, 100, 1, 1000, true},
      {"AUTOINC(MAXVALUE 9, NOMAXVALUE, MINVALUE 3, NOMINVALUE, CYCLED, NOCYCLED, BYTE)", sftAutoIncByte, 1, 0, 0,
       INT64_MAX, false},
      {"AUTOINC(AUTOINCWORD)", sftAutoIncWord, 1, 0, 0, INT64_MAX, false},
      {"AUTOINCCARDINAL(INCREMENT 0x10)", sftAutoIncCardinal, 16, 0, 0, INT64_MAX, false},
      // A descending sequence: the minus sign goes with the number.
      {"AUTOINCLARGEINT(INCREMENT -1, INITIALVALUE 0, MINVALUE -100)", sftAutoIncLargeInt, -1, 0, -100,
       INT64_MAX, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Run(("CREATE TABLE t (id " + std::string(c.type) + ", n INTEGER)").c_str());
    WithTable("t", [&](TSQLMemTable& table) {
      const TSQLMemAdvFieldDef& def = *table.AdvFieldDefs()[0];
      EXPECT_EQ(def.FieldType, c.fieldType);
      EXPECT_EQ(def.Increment, c.increment);
      EXPECT_EQ(def.InitialValue, c.initialValue);
      EXPECT_EQ(def.MinSequence, c.minSequence);
      EXPECT_EQ(def.MaxSequence, c.maxSequence);
      EXPECT_EQ(def.Cycled, c.cycled);
    });
    Run("DROP TABLE t");
  }
}

TEST_F(DDLGrammarTest, ColumnOptionsReachTheColumns) {
  // Unknown words among the options are passed over; the last of NULL / NOT NULL wins.
  Run("CREATE TABLE t (a INTEGER NOT NULL, b VARCHAR(10) DEFAULT 'abc' FOO, c INTEGER DEFAULT 1 + 2 * 3 NULL, "
      "d INTEGER NOT NULL NULL, e LARGEINT DEFAULT NULL NOT NULL, f DOUBLE DEFAULT 7, g INTEGER DEFAULT '12')");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a INTEGER 0 NOT NULL", "b STRING 10 DEFAULT abc", "c INTEGER 0 DEFAULT 7",
                                       "d INTEGER 0", "e SIGNEDINT64 0 NOT NULL", "f FLOAT 0 DEFAULT 7",
                                       "g INTEGER 0 DEFAULT 12"}));
  WithTable("t", [](TSQLMemTable& table) {
    // The default takes the column's type as the statement is read.
    EXPECT_EQ(table.AdvFieldDefs()[5]->DefaultValue.DataType(), edtDouble);
    EXPECT_EQ(table.AdvFieldDefs()[6]->DefaultValue.DataType(), edtInteger);
  });
}

TEST_F(DDLGrammarTest, LimitsAndBlobOptionsReachTheColumns) {
  Run("CREATE TABLE t (a INTEGER MINVALUE 1 MAXVALUE 10, b INTEGER MINVALUE -5 NOMAXVALUE, c INTEGER NOMINVALUE, "
      "m BLOB BLOBBLOCKSIZE 4096 BLOBCOMPRESSIONALGORITHM ZLIB BLOBCOMPRESSIONMODE 5, "
      "n MEMO BLOBCOMPRESSIONALGORITHM bzip, o BLOB BLOBCOMPRESSIONALGORITHM none)");
  WithTable("t", [](TSQLMemTable& table) {
    const TSQLMemAdvFieldDefs& defs = table.AdvFieldDefs();
    EXPECT_EQ(defs[0]->MinValue.GetAsLargeInt(), 1);
    EXPECT_EQ(defs[0]->MaxValue.GetAsLargeInt(), 10);
    EXPECT_EQ(defs[1]->MinValue.GetAsLargeInt(), -5);
    EXPECT_TRUE(defs[1]->MaxValue.IsNull());
    EXPECT_TRUE(defs[2]->MinValue.IsNull());
    EXPECT_EQ(defs[3]->BlobBlockSize, 4096);
    EXPECT_EQ(defs[3]->BlobCompressionAlgorithm, 1);
    EXPECT_EQ(defs[3]->BlobCompressionMode, 5);
    EXPECT_EQ(defs[4]->BlobCompressionAlgorithm, 2);
    EXPECT_EQ(defs[5]->BlobCompressionAlgorithm, 0);
  });
  // The limits hold: a value outside them is refused.
  EXPECT_NO_THROW(Insert("t", {{"1", "-5", "0"}}));
  EXPECT_THROW(Insert("t", {{"11", "0", "0"}}), Exception);
  EXPECT_THROW(Insert("t", {{"5", "-6", "0"}}), Exception);
}

TEST_F(DDLGrammarTest, DefaultIsEvaluatedOnceWhenTheStatementIsRead) {
  struct RestoreClock {
    TClockHook previous;
    ~RestoreClock() { SetClockHook(previous); }
  } restore{SetClockHook([] { return EncodeDateTime(2024, 3, 15, 12, 0, 0, 0); })};
  Run("CREATE TABLE t (a INTEGER, d DATE DEFAULT CURRENT_DATE)");
  SetClockHook([] { return EncodeDate(2025, 1, 1); });
  Insert("t", {{"1"}});
  WithTable("t", [](TSQLMemTable& table) {
    EXPECT_EQ(table.AdvFieldDefs()[1]->DefaultValue.GetAsDate(), EncodeDate(2024, 3, 15));
    EXPECT_EQ(table.Fields()[1]->AsDateTime(), EncodeDate(2024, 3, 15));
  });
}

TEST_F(DDLGrammarTest, KeysMakeIndexes) {
  const struct {
    const char* sql;
    SchemaLines indexes;
  } cases[] = {
      {"CREATE TABLE t (a INTEGER PRIMARY KEY, b VARCHAR(20) UNIQUE)",
       {"C_PK$a*|a|||PU", "C_Unique$b*|b|||U"}},
      // The key's fields are joined by ","; the table component reads both.
      {"CREATE TABLE t (a INTEGER, b VARCHAR(5), PRIMARY KEY (a DESC, b NOCASE))", {"C_PK$a$b*|a;b|a|b|PU"}},
      {"CREATE TABLE t (a INTEGER, b VARCHAR(5), PRIMARY KEY pk (b DESC ASC CASE NOCASE, a))", {"pk|b;a||b|PU"}},
      {"CREATE TABLE t (a INTEGER PRIMARY DESC, b INTEGER UNIQUE, c INTEGER UNIQUE)",
       {"C_PK$a*|a|||PUD", "C_Unique$b*|b|||U", "C_Unique$c*|c|||U"}},
      {"CREATE TABLE t (a INTEGER, PRIMARY (a))", {"C_PK$a*|a|||PU"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    Run(c.sql);
    EXPECT_EQ(Indexes("t"), c.indexes);
    Run("DROP TABLE t");
  }
}

TEST_F(DDLGrammarTest, ForeignKeysKeepTheirMatchAndActions) {
  Run("CREATE TABLE p (id INTEGER PRIMARY KEY, id2 INTEGER)");
  const struct {
    const char* key;
    const char* shown;
  } cases[] = {
      {"FOREIGN KEY fk (a) REFERENCES p", "fk|a|p|0|0|0"},
      {"FOREIGN KEY fk (a) REFERENCES p MATCH FULL ON DELETE CASCADE", "fk|a|p|1|1|0"},
      {"FOREIGN KEY fk (a) REFERENCES p MATCH PARTIAL ON UPDATE SET NULL ON DELETE SET DEFAULT", "fk|a|p|2|3|2"},
      {"FOREIGN KEY fk (a) REFERENCES p ON DELETE NO ACTION ON UPDATE CASCADE", "fk|a|p|0|4|1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    Run(("CREATE TABLE t (a INTEGER, " + std::string(c.key) + ")").c_str());
    EXPECT_EQ(ForeignKeys("t"), SchemaLines{c.shown});
    Run("DROP TABLE t CASCADE");
  }
  // A key over two columns lists them with ";".
  Run("CREATE TABLE q (x INTEGER, y INTEGER, PRIMARY KEY (x, y))");
  Run("CREATE TABLE t (a INTEGER, b INTEGER, FOREIGN KEY (a, b) REFERENCES q)");
  WithTable("t", [](TSQLMemTable& table) {
    ASSERT_EQ(table.ForeignKeyDefs().Count(), 1);
    EXPECT_EQ(table.ForeignKeyDefs().Items(0)->Fields, "a;b");
  });
}

TEST_F(DDLGrammarTest, ParseErrorsNameTheirTokenLineAndColumn) {
  // A statement that ends inside an open parenthesis stops the lexer first (30059), so the ends of a
  // column's options are reached only through an unknown token.
  const struct {
    const char* sql;
    Integer code;
    const char* at;
  } cases[] = {
      {"CREATE TABLE", 30249, "Blank SQL command"},
      {"CREATE TABLE t a INTEGER", 30226, "Token '(' expected, but 'a' found at line 1, column 16"},
      {"CREATE TABLE t", 30161, "Unexpected end of SQL command found at line 1, column 14"},
      {"CREATE TABLE t (1 INTEGER)", 30227, "Field name expected, but '1' found at line 1, column 17"},
      {"CREATE TABLE t (a)", 30228, "Field type expected, but ')' found at line 1, column 18"},
      {"CREATE TABLE t (a NUMBER)", 30232, "Unknown field type 'NUMBER' at line 1, column 19"},
      {"CREATE TABLE t (id AUTOINC(INTEGER, INCREMENT 5, INITIALVALUE 100), n VARCHAR)", 30233,
       "'(' symbol expected, but ')' found at line 1, column 78"},
      {"CREATE TABLE t (n VARCHAR(x))", 30235, "Decimal constant expected, but 'x' found at line 1, column 27"},
      {"CREATE TABLE t (n VARCHAR(5 6))", 30236, "')' or ',' symbol expected, but '6' found at line 1, column 29"},
      {"CREATE TABLE t (id AUTOINC(INCREMENT x))", 30292, "Integer expected, but 'x' found at line 1, column 38"},
      {"CREATE TABLE t (id AUTOINC(INCREMENT 99999999999999999999))", 30291,
       "Integer expected, but '99999999999999999999' found at line 1, column 38"},
      {"CREATE TABLE t (id AUTOINC(DOUBLE))", 30295,
       "Unsupported Autoinc DataType (DOUBLE) found at line 1, column 28"},
      {"CREATE TABLE t (id AUTOINCWORD(SMALLINT))", 30294, "Unexpected token 'SMALLINT' found at line 1, column 32"},
      {"CREATE TABLE t (a INTEGER NOT 5)", 30237, "Unexpected end of SQL command found at line 1, column 31"},
      {"CREATE TABLE t (a INTEGER NOT UNIQUE)", 2011,
       "'NULL' expected (for NOT NULL), but 'UNIQUE' found at line 1, column 31"},
      {"CREATE TABLE t (a INTEGER DEFAULT 1 DEFAULT 2)", 30299, "default value for column 'a' declared twice"},
      {"CREATE TABLE t (a INTEGER FOO 5)", 30229, "')' or ',' symbol expected, but '5' found at line 1, column 31"},
      {"CREATE TABLE t (a INTEGER NULL 5)", 30229, "')' or ',' symbol expected, but '5' found at line 1, column 32"},
      {"CREATE TABLE t (a INTEGER, PRIMARY KEY a)", 30327, "'(' symbol expected, but ')' found at line 1, column 41"},
      {"CREATE TABLE t (a INTEGER, PRIMARY KEY (1))", 30244, "Field name expected, but '1' found at line 1, column 41"},
      {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a b))", 30245,
       "')' or ',' symbol expected, but 'b' found at line 1, column 43"},
      {"CREATE TABLE t (a INTEGER, FOREIGN (a) REFERENCES p)", 11467,
       "Token 'KEY' expected, but '(' found at line 1, column 36"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY fk 1)", 11468,
       "'(' symbol expected, but '1' found at line 1, column 43"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (1))", 11469, "Field name expected, but '1' found at line 1, column 41"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a b))", 11470,
       "')' or ',' symbol expected, but 'b' found at line 1, column 43"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) p)", 11477,
       "Token 'REFERENCES' expected, but 'p' found at line 1, column 44"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES 1)", 11478,
       "Table name expected, but '1' found at line 1, column 55"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p MATCH SIMPLE)", 11471,
       "Token 'FULL or PARTIAL' expected, but 'SIMPLE' found at line 1, column 63"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p ON INSERT CASCADE)", 11472,
       "Token 'UPDATE or DELETE' expected, but 'INSERT' found at line 1, column 60"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p ON DELETE CASCADE ON DELETE CASCADE)", 11473,
       "Token 'UPDATE or DELETE' expected, but 'DELETE' found at line 1, column 78"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p ON DELETE RESTRICT)", 11476,
       "Token 'CASCADE or SET or NO' expected, but 'RESTRICT' found at line 1, column 67"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p ON UPDATE SET ZERO)", 11474,
       "Token 'NULL or DEFAULT' expected, but 'ZERO' found at line 1, column 71"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES p ON UPDATE NO WAY)", 11475,
       "Token 'ACTION' expected, but 'WAY' found at line 1, column 70"},
      {"CREATE TABLE t (a INTEGER) x", 30246, "Unexpected token 'x' found at line 1, column 28"},
      {"ALTER TABLE t ADD PRIMARY", 30333, "Unexpected end of SQL command found at line 1, column 19"},
      {"ALTER TABLE t ADD PRIMARY KEY pk", 30333, "Unexpected end of SQL command found at line 1, column 31"},
      {"DROP TABLE", 30251, "Blank SQL command"},
      {"DROP TABLE t x", 30246, "Unexpected token 'x' found at line 1, column 14"},
      {"ALTER TABLE", 30261, "Blank SQL command"},
      {"ALTER TABLE t", 30161, "Unexpected end of SQL command found at line 1, column 13"},
      {"ALTER TABLE t ADD COLUMN c INTEGER", 30226, "Token '(' expected, but 'c' found at line 1, column 26"},
      {"ALTER TABLE t CREATE c", 30252, "ADD, DROP or ALTER keyword expected, but 'CREATE' found at line 1, column 15"},
      {"ALTER TABLE t 5", 30253, "ADD, DROP or ALTER keyword expected, but '5' found at line 1, column 15"},
      {"ALTER TABLE t MODIFY c INTEGER", 30226, "Token '(' expected, but 'c' found at line 1, column 22"},
      {"ALTER TABLE t ADD (PRIMARY KEY (a) x)", 30226, "Token ')' expected, but 'x' found at line 1, column 36"},
      {"ALTER TABLE t DROP a,", 30161, "Unexpected end of SQL command found at line 1, column 21"},
      {"ALTER TABLE t DROP a, 5", 10406, "Unexpected token '5' found at line 1, column 23"},
      {"ALTER TABLE t DROP CONSTRAINT 5", 11495, "Constraint name expected, but '5' found at line 1, column 31"},
      {"ALTER TABLE t DROP CONSTRAINT c FORCE", 11496,
       "Token 'CASCADE or RESTRICT' expected, but 'FORCE' found at line 1, column 33"},
      {"ALTER TABLE t RENAME COLUMN a b", 30352, "Token 'TO' expected, but 'b' found at line 1, column 31"},
      {"ALTER TABLE t ADD (c INTEGER) x", 30246, "Unexpected token 'x' found at line 1, column 31"},
      {"RENAME TABLE", 30354, "Blank SQL command"},
      {"RENAME a b", 30355, "Token 'TO' expected, but 'b' found at line 1, column 10"},
      {"RENAME a TO 5", 30230, "Table name expected, but '5' found at line 1, column 13"},
      {"CREATE INDEX", 30266, "Blank SQL command"},
      {"CREATE UNIQUE", 30266, "Blank SQL command"},
      {"CREATE UNIQUE TABLE t", 30267, "'INDEX' keyword expected, but 'TABLE' found at line 1, column 15"},
      {"CREATE UNIQUE x", 30268, "'INDEX' keyword expected, but 'x' found at line 1, column 15"},
      {"CREATE INDEX IF EXISTS i", 11236, "'NOT' keyword expected, but 'EXISTS' found at line 1, column 17"},
      {"CREATE INDEX IF x", 11237, "'NOT' keyword expected, but 'x' found at line 1, column 17"},
      {"CREATE INDEX IF NOT NULL", 11238, "'EXISTS' keyword expected, but 'NULL' found at line 1, column 21"},
      {"CREATE INDEX IF NOT x", 11239, "'EXISTS' keyword expected, but 'x' found at line 1, column 21"},
      {"CREATE INDEX ON fans", 30269, "index name expected, but 'ON' found at line 1, column 14"},
      {"CREATE INDEX i IN fans", 30270, "'ON' keyword expected, but 'IN' found at line 1, column 16"},
      {"CREATE INDEX i fans", 30271, "'ON' keyword expected, but 'fans' found at line 1, column 16"},
      {"CREATE INDEX i ON 5", 30272, "Table name expected, but '5' found at line 1, column 19"},
      {"CREATE INDEX i ON MEMORY 5", 11301, "Table name expected, but '5' found at line 1, column 26"},
      {"CREATE INDEX i ON fans Title", 30273, "'(' symbol expected, but 'Title' found at line 1, column 24"},
      {"CREATE INDEX i ON fans (5)", 30274, "Field name expected, but '5' found at line 1, column 25"},
      {"CREATE INDEX i ON fans (PASSWORD x)", 30275,
       "Quoted password expected (for PASSWORD \"passwordData\"), but 'x' found at line 1, column 34"},
      {"CREATE INDEX i ON fans (PASSWORD 'x' y)", 30276,
       "')' or ',' symbol expected, but 'y' found at line 1, column 38"},
      {"CREATE INDEX i ON fans (Title y)", 30276, "')' or ',' symbol expected, but 'y' found at line 1, column 31"},
      {"DROP INDEX", 30278, "Unexpected end of SQL command found at line 1, column 6"},
      {"DROP INDEX IF", 11243, "Unexpected end of SQL command found at line 1, column 12"},
      {"DROP INDEX IF NOT", 11241, "'EXISTS' keyword expected, but 'NOT' found at line 1, column 15"},
      {"DROP INDEX IF x", 11242, "'EXISTS' keyword expected, but 'x' found at line 1, column 15"},
      {"DROP INDEX MEMORY 5", 11302, "Table name expected, but '5' found at line 1, column 19"},
      {"DROP INDEX fans", 30279, "Unexpected end of SQL command found at line 1, column 12"},
      {"DROP INDEX fans i", 30280, "Token '.' expected, but 'i' found at line 1, column 17"},
      {"DROP INDEX fans.", 30281, "Unexpected end of SQL command found at line 1, column 16"},
      {"DROP INDEX fans.i PASSWORD x", 30282,
       "Quoted password expected (for PASSWORD \"passwordData\"), but 'x' found at line 1, column 28"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Run(c.sql); }, c.code, c.at);
  }
  // Nothing was made along the way.
  EXPECT_FALSE(TableExists("t"));
}

TEST_F(DDLGrammarTest, StatementsEndingInsideTheirListsNameTheLastToken) {
  // The lexer refuses a text whose parentheses stay open, so these ends are made by cutting the
  // statement's tokens after a complete text was read.
  const struct {
    const char* sql;
    Integer keep;  // tokens kept
    Integer code;
    const char* at;
  } cases[] = {
      {"CREATE TABLE t (id AUTOINC(INCREMENT 5))", 8, 30290, "line 1, column 28"},
      {"CREATE TABLE t (a INTEGER NOT NULL)", 7, 30237, "line 1, column 27"},
      {"CREATE TABLE t (a INTEGER DEFAULT 1)", 7, 30297, "line 1, column 27"},
      {"CREATE TABLE t (a INTEGER MAXVALUE 1)", 7, 30300, "line 1, column 27"},
      {"CREATE TABLE t (a INTEGER, PRIMARY KEY (a))", 11, 30333, "line 1, column 41"},
      {"CREATE TABLE t (a INTEGER NULL)", 6, 30161, "line 1, column 19"},
      {"CREATE INDEX i ON t (a, b)", 7, 30277, "line 1, column 22"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    TSQLMemLexer lexer(c.sql, nullptr);
    ASSERT_TRUE(lexer.NextStatement());
    lexer.SetTokenCount(c.keep);
    const TSQLMemSQLContext context = Context();
    ExpectSQLError([&] { CreateSQLCommand(lexer, context); }, c.code,
                   std::string("Unexpected end of SQL command found at ") + c.at);
  }
}

TEST_F(DDLGrammarTest, ThePrimaryKeysFieldsAreJoinedByCommas) {
  // The component's definitions as CREATE TABLE hands them over, before the engine reads them back.
  class TExposedCreateTable : public TSQLMemDDLCreateTable {
   public:
    using TSQLMemDDLCreateTable::TSQLMemDDLCreateTable;
    using TSQLMemDDLCreateTable::AddPrimaryKeyIndex;
  };
  TSQLMemLexer lexer("CREATE TABLE t (a INTEGER, b VARCHAR(5), c INTEGER, PRIMARY KEY (a DESC, b NOCASE, c))",
                     nullptr);
  ASSERT_TRUE(lexer.NextStatement());
  TToken table;
  lexer.NextToken(table);
  const TSQLMemSQLContext context = Context();
  TExposedCreateTable command(lexer, context);
  command.Parse();
  TSQLMemTable component(nullptr);
  command.AddPrimaryKeyIndex(component, true);
  for (const TIndexDefs* defs : {&component.IndexDefs(), &component.IndexDefsCopy()}) {
    ASSERT_EQ(defs->Count(), 1);
    EXPECT_EQ(defs->Items(0)->Fields(), "a,b,c");
    EXPECT_EQ(defs->Items(0)->DescFields(), "a");
    EXPECT_EQ(defs->Items(0)->CaseInsFields(), "b");
    EXPECT_TRUE(defs->Items(0)->Options().Contains(ixPrimary));
  }
}

TEST_F(DDLGrammarTest, PositionsCountFromTheStatementStart) {
  ExpectSQLError([&] { Run("CREATE TABLE a (x INTEGER);\nCREATE TABLE b (\n  x INTEGER,\n  y NUMBER)"); }, 30232,
                 "Unknown field type 'NUMBER' at line 4, column 5");
  EXPECT_TRUE(TableExists("a"));
}

}  // namespace
