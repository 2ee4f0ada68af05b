// The memory database's stream: all its tables, one table stream after the other.
#include <vector>

#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemTableStream.h"
#include "vcl/rtl/Strings.h"

namespace {

// A cursor of the session on the database's memory tables, for the stream's work only.
void PrepareStreamCursor(TSQLMemLocalCursor& cursor, TSQLMemLocalSession& session) {
  cursor.Session = &session;
  cursor.InMemory = 1;
}

}  // namespace

void TSQLMemMemoryDatabaseData::SaveToStream(TSQLMemLocalSession& session, TStream& stream, Byte algorithm, Byte level,
                                             Int64 headerSizeValue) {
  LockTables(true);
  try {
    TStringList names;
    GetTableNames(names);
    TSQLMemLocalCursor cursor;
    PrepareStreamCursor(cursor, session);
    SaveDatabaseStream(stream, names.Count(), [&](Integer i) {
      cursor.TableName = names.Strings(i);
      // Other cursors may be open on the table: the save leaves them be.
      cursor.SaveTableToStream(stream, algorithm, level, headerSizeValue, true, false);
    });
  } catch (...) {
    UnlockTables();
    throw;
  }
  UnlockTables();
}

void TSQLMemMemoryDatabaseData::LoadFromStream(TSQLMemLocalSession& session, TStream& stream) {
  LockTables(true);
  try {
    TSQLMemLocalCursor cursor;
    PrepareStreamCursor(cursor, session);
    LoadDatabaseStream(stream, [&] { cursor.LoadTableFromStream(stream); });
  } catch (...) {
    UnlockTables();
    throw;
  }
  UnlockTables();
}
