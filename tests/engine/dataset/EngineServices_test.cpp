// What the dataset components rely on of the engine beneath them, checked at the seam: the type map
// between engine and framework field types, the stored date form, the engine error's text, and the
// cursor option the dataset copies before it opens a table.
#include <gtest/gtest.h>

#include <string>

#include "engine/dataset/SQLMemMain.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemLocalSession.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/db/FieldTypes.h"

namespace {

TEST(EngineServices, FieldTypesOfTheDiaryMapBothWays) {
  struct Case {
    TFieldType framework;
    Integer engine;
    bool blob;
  };
  const Case cases[] = {
      {ftAutoInc, sftAutoInc, false},
      {ftString, sftVarchar, false},
      {ftMemo, sftMemo, true},
      {ftInteger, sftInteger, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VCLFieldTypeToFieldType(c.framework), c.engine) << c.framework;
    EXPECT_EQ(FieldTypeToVCLFieldType(c.engine), c.framework) << c.engine;
    EXPECT_EQ(IsBLOBDataType(FieldTypeToDataType(c.engine)), c.blob) << c.engine;
  }
}

TEST(EngineServices, StoredDatesCountDaysFromTheFrameworksDayZero) {
  EXPECT_EQ(DateTimeToDate(0.0), 693594);
  EXPECT_EQ(DateTimeToDate(46001.75), 693594 + 46001);
  EXPECT_DOUBLE_EQ(DateToDateTime(DateTimeToDate(46001.0)), 46001.0);
}

TEST(EngineServices, EngineErrorsCarryTheirNativeCode) {
  try {
    SQLMemError(20002, "Invalid session name '%s'", {"x"});
    FAIL() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 20002);
    EXPECT_EQ(e.Message(), "Invalid session name 'x' - Native error: 20002");
  }
}

// A table that a dataset opens with field definitions of its own: with the rebuild option on, an
// existing empty in-memory table takes the dataset's structure; off (the default), the table keeps
// its own.
TEST(EngineServices, RebuildOnOpenOptionReachesTheCursor) {
  InitializeEngineFoundation();
  ASSERT_FALSE(RebuildTablesOnOpen);
  TSQLMemMemoryDatabaseData database("REBUILDTEST");
  TSQLMemLocalSession session;
  session.InMemory = 1;
  session.DatabaseName = "REBUILDTEST";
  session.DatabaseFileName = "REBUILDTEST";
  session.SetConnected(true);
  {
    TSQLMemLocalCursor creator;
    creator.Session = &session;
    creator.InMemory = 1;
    creator.TableName = "Days";
    const DiarySchema schema;
    creator.CreateTable(schema.fields, schema.indexes, schema.constraints);
    creator.CloseTable();
  }
  TSQLMemFieldDefs twoFields;
  for (const char* name : {"A", "B"}) {
    TSQLMemFieldDef& field = twoFields.AddFieldDef();
    field.Name = name;
    field.SetDataType(sftInteger, 0);
  }
  for (bool rebuild : {false, true}) {
    RebuildTablesOnOpen = rebuild;
    TSQLMemLocalCursor cursor;
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = "Days";
    ApplyDataSetCursorOptions(cursor);
    EXPECT_EQ(cursor.RebuildOnOpen, rebuild ? 1 : 0);
    cursor.OpenTable(&twoFields, nullptr, nullptr);
    EXPECT_EQ(cursor.FieldDefs->GetCount(), rebuild ? 2 : 4) << rebuild;
    cursor.CloseTable();
  }
  RebuildTablesOnOpen = false;
  session.SetConnected(false);
}

}  // namespace
