// The diary's table for the benchmarks, made through a local cursor in an in-memory database:
// RecID (auto-increment), ShortDateDay (varchar 10), Title (varchar 25) and Text (memo), ordered by
// its primary index ByShortDate.
#pragma once
#include <string>
#include <utility>

#include "engine/foundation/SQLMemVariant.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemLocalSession.h"

namespace bench {

// Connects the session to the in-memory database `name`.
inline void ConnectInMemory(TSQLMemLocalSession& session, const char* name) {
  session.InMemory = 1;
  session.DatabaseName = name;
  session.DatabaseFileName = name;
  session.SetConnected(true);
}

// Creates the in-memory table `tableName` of the session's database and opens the cursor on it, with a
// record buffer to write days through.
inline void OpenNewDiaryTable(TSQLMemLocalCursor& cursor, TSQLMemLocalSession& session, const AnsiString& tableName) {
  cursor.Session = &session;
  cursor.InMemory = 1;
  cursor.TableName = tableName;
  TSQLMemFieldDefs fields;
  const std::pair<const char*, std::pair<Byte, Integer>> columns[] = {
      {"RecID", {sftAutoInc, 0}}, {"ShortDateDay", {sftVarchar, 10}}, {"Title", {sftVarchar, 25}}, {"Text", {sftMemo, 0}}};
  for (const auto& column : columns) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = column.first;
    field.SetDataType(column.second.first, column.second.second);
  }
  TSQLMemIndexDefs indexes;
  TSQLMemIndexDef& index = indexes.AddIndexDef();
  index.Name = "ByShortDate";
  index.Primary = 1;
  index.Unique = 1;
  index.SetColumnCount(1);
  index.GetColumn(0).Name = "ShortDateDay";
  TSQLMemConstraintDefs constraints;
  ConstraintFromIndexDef(index, constraints);
  cursor.CreateTable(fields, indexes, constraints);
  cursor.OpenTable(nullptr, nullptr, nullptr);
  cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
}

// Writes a text value into field `fieldNo` of the cursor's current record buffer.
inline void PutText(TSQLMemLocalCursor& cursor, Integer fieldNo, const std::string& text) {
  TSQLMemVariant value;
  value.SetAsString(text);
  cursor.SetFieldValue(nullptr, value, fieldNo, false);
}

}  // namespace bench
