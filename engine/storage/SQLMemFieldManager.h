// The field definitions of a table and what they put into a new record: default values and the next
// values of the autoincrement fields.
#pragma once
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemBaseSession;
class TSQLMemBaseSequenceManager;
class TSQLMemTableServices;

class TSQLMemBaseFieldManager {
 public:
  TSQLMemBaseFieldManager(TSQLMemTableServices* table, TSQLMemBaseSequenceManager* sequences)
      : Table(table), Sequences(sequences) {}
  virtual ~TSQLMemBaseFieldManager() = default;
  TSQLMemBaseFieldManager(const TSQLMemBaseFieldManager&) = delete;
  TSQLMemBaseFieldManager& operator=(const TSQLMemBaseFieldManager&) = delete;

  // The field list in its stream form, written and read in FormatVersion.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);

  // Writes each field's default value (never more than its slot) into a new record buffer and clears
  // its null bit; with withAutoinc, also the next value of each autoincrement field's sequence (the
  // low bytes, as many as the field's slot holds). A table with neither leaves the buffer untouched.
  void ApplyDefaults(TSQLMemBaseSession* session, Byte* recordBuffer, bool withAutoinc);

  TSQLMemFieldDefs FieldDefs;
  TSQLMemTableServices* Table;            // borrowed
  TSQLMemBaseSequenceManager* Sequences;  // borrowed: the table's sequence manager
  double FormatVersion = 4.2;
};
