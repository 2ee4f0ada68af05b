// The sequences behind a table's autoincrement fields: advancing them, the last value each session
// drew (kept in the session's named objects, so every session sees only its own), and the names of
// new sequences.
#pragma once
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemBaseSession;
class TSQLMemDatabaseData;

class TSQLMemBaseSequenceManager {
 public:
  explicit TSQLMemBaseSequenceManager(TSQLMemDatabaseData* database) : Database(database) {}
  virtual ~TSQLMemBaseSequenceManager() = default;
  TSQLMemBaseSequenceManager(const TSQLMemBaseSequenceManager&) = delete;
  TSQLMemBaseSequenceManager& operator=(const TSQLMemBaseSequenceManager&) = delete;

  // The definition with that object id; 30013 "Sequence #%d not found" when there is none.
  virtual TSQLMemSequenceDef& GetSequenceDef(Integer objectId);
  // Advances the sequence (its own overflow rule) and records the value as the session's last value
  // of that sequence (a nil session records nothing). Unknown id: 30010.
  virtual Int64 GetNextValue(TSQLMemBaseSession* session, Integer objectId);
  // The last value the session drew from the sequence. Unknown id: 30011; no value drawn yet in this
  // session (or no session): 30012.
  virtual Int64 GetCurrentValue(TSQLMemBaseSession* session, Integer objectId);
  // Makes value the session's last value of the sequence, as if the session had drawn it.
  void SetCurrentValue(TSQLMemBaseSession& session, Integer objectId, Int64 value);

  // "$S_Autoinc$<table>$<field>" (or "$S_Linked$..." without autoinc); while a sequence of that name
  // exists, the base name followed by a random number 0..65534 (drawn anew each round).
  AnsiString MakeSequenceName(bool autoinc, const AnsiString& fieldName, const AnsiString& tableName) const;

  TSQLMemSequenceDefs SequenceDefs;
  TSQLMemDatabaseData* Database;  // borrowed
};
