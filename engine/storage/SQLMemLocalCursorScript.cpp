// The local cursor's SQL script of its table, in the engine's own dialect: the statements that drop
// and create the table (fields, primary key, foreign keys), those that drop and create its other
// indexes, and one INSERT per record the cursor sees. Pieces are joined by single blanks, lines end
// with CR LF and items of a list start with a TAB.
#include <cstring>
#include <initializer_list>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr Int64 kLargestInt64 = 9223372036854775807;

AnsiString Join(std::initializer_list<AnsiString> pieces) {
  AnsiString text;
  for (const AnsiString& piece : pieces) {
    if (!text.empty()) text += ' ';
    text += piece;
  }
  return text;
}

// The SQL type name of a field type: the first row of the type map that has it; empty when none does.
AnsiString DataTypeName(Integer fieldType) {
  for (const TSQLFieldType& row : TypeMap)
    if (row.fieldType == fieldType) return row.name;
  return AnsiString();
}

AnsiString Quoted(const AnsiString& text) {
  AnsiString quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

// Floating text with a point, whatever the process-wide separator is: the script is read back by
// the engine's parser, not by the user's locale.
AnsiString PointFloatText(double value) {
  TFormatSettings settings = FormatSettings();
  settings.DecimalSeparator = '.';
  return FloatToStr(value, settings);
}

bool IsFloatDataType(Integer dataType) {
  return dataType == edtSingle || dataType == edtDouble || dataType == edtExtended || dataType == edtCurrency;
}

// A default or check value: strings quoted, floats with a point, others in their text form.
AnsiString ConstantText(const TSQLMemVariant& value) {
  if (IsTextDataType(value.DataType())) return Quoted(value.GetAsString());
  if (IsFloatDataType(value.DataType())) return PointFloatText(value.GetAsDouble());
  return value.GetAsString();
}

AnsiString DateTimeValueText(const TSQLMemVariant& value) {
  TDateTime moment = 0;
  switch (value.DataType()) {
    case edtDate: moment = value.GetAsDate(); break;
    case edtTime: moment = value.GetAsTime(); break;
    default: moment = value.GetAsDateTime(); break;
  }
  Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDateTime(moment, year, month, day, hour, minute, second, ms);
  const auto n = [](Word part) { return IntToStr(part); };
  return "TODATE('" + n(month) + "/" + n(day) + "/" + n(year) + " " + n(hour) + ":" + n(minute) + ":" + n(second) +
         ":" + n(ms) + "','M/D/YYYY H24:N:S:Z')";
}

// A value of an INSERT statement.
AnsiString InsertValueText(const TSQLMemVariant& value) {
  if (value.IsNull()) return "NULL";
  const Byte type = value.DataType();
  if (IsBLOBDataType(type)) {
    // The cursor reads a BLOB with a terminator (two zero bytes for a wide memo) after its bytes.
    const Integer bytes = value.DataSize() - (type == edtWideMemo ? 2 : 1);
    if (bytes <= 0) return "NULL";
    return Join({"TOBLOB", "('" + BinaryToMime64(value.Data(), bytes) + "',MIME64)"});
  }
  if (IsDateTimeDataType(type)) return DateTimeValueText(value);
  return ConstantText(value);
}

class ScriptWriter {
 public:
  ScriptWriter(TSQLMemLocalCursor& cursor, const TSQLMemLocalCursor::ScriptOptions& options, AnsiString& text)
      : cursor_(cursor), options_(options), text_(text) {
    table_ = cursor.InMemory != 0 ? "MEMORY " + Name(cursor.TableName) : Name(cursor.TableName);
  }

  void WriteCreateTable();
  void WriteIndexes();
  void WriteInserts();

 private:
  AnsiString Name(const AnsiString& name) const { return options_.BracketNames ? "[" + name + "]" : name; }
  AnsiString ColumnText(const TSQLMemFieldDef& field) const;
  AnsiString TypeText(const TSQLMemFieldDef& field) const;
  AnsiString ConstraintText(const TSQLMemFieldDef& field) const;
  AnsiString IndexColumnText(const TSQLMemIndexColumn& column) const;
  AnsiString ForeignKeyText(const TSQLMemConstraintDefForeignKeyAction& key) const;
  void WriteInsert();

  TSQLMemLocalCursor& cursor_;
  const TSQLMemLocalCursor::ScriptOptions& options_;
  AnsiString& text_;
  AnsiString table_;
};

AnsiString ScriptWriter::TypeText(const TSQLMemFieldDef& field) const {
  AnsiString type;
  if (IsAutoIncFieldType(field.FieldType)) {
    type = " " + DataTypeName(sftAutoInc) + " (" +
           Join({DataTypeName(field.FieldType), "INITIALVALUE", IntToStr(field.InitialValue), "INCREMENT",
                 IntToStr(field.Increment), field.MinValue == 0 ? "NOMINVALUE" : Join({"MINVALUE", IntToStr(field.MinValue)}),
                 field.MaxValue == kLargestInt64 ? "NOMAXVALUE" : Join({"MAXVALUE", IntToStr(field.MaxValue)}),
                 field.Cycle != 0 ? "CYCLED" : "NOCYCLED"}) +
           ")";
  } else {
    type = DataTypeName(field.FieldType);
    if (IsStringFieldType(field.FieldType) || IsBytesFieldType(field.FieldType))
      type += " (" + IntToStr(field.Size) + ")";
  }
  if (IsBLOBDataType(field.DataType))
    type += " " + Join({"BLOBBLOCKSIZE", IntToStr(field.BLOBBlockSize), "BLOBCOMPRESSIONALGORITHM",
                        CompressionAlgorithmName(field.BLOBCompressionAlgorithm), "BLOBCOMPRESSIONMODE",
                        IntToStr(field.BLOBCompressionLevel)});
  if (!field.DefaultValue.IsNull()) type += " DEFAULT " + ConstantText(field.DefaultValue);
  return type;
}

AnsiString ScriptWriter::ConstraintText(const TSQLMemFieldDef& field) const {
  AnsiString text;
  const TSQLMemConstraintDefs& constraints = *cursor_.ConstraintDefs;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    if (constraint.Kind != ckNotNull && constraint.Kind != ckCheck) continue;
    if (!SameNameText(static_cast<const TSQLMemConstraintDefNamed&>(constraint).Name3, field.Name)) continue;
    if (constraint.Kind == ckNotNull) {
      text += " NOT NULL";
      continue;
    }
    const auto& check = static_cast<const TSQLMemConstraintDefCheck&>(constraint);
    if (!check.MinValue.IsNull()) text += " MINVALUE " + ConstantText(check.MinValue);
    if (!check.MaxValue.IsNull()) text += " MAXVALUE " + ConstantText(check.MaxValue);
  }
  return text;
}

AnsiString ScriptWriter::ColumnText(const TSQLMemFieldDef& field) const {
  return Name(field.Name) + " " + TypeText(field) + ConstraintText(field);
}

AnsiString ScriptWriter::IndexColumnText(const TSQLMemIndexColumn& column) const {
  AnsiString text = Name(column.Name);
  if (column.Descending != 0) text += " DESC";
  if (column.CaseInsensitive != 0) text += " NOCASE";
  return text;
}

AnsiString ScriptWriter::ForeignKeyText(const TSQLMemConstraintDefForeignKeyAction& key) const {
  AnsiString columns;
  for (const TSQLMemConstraintColumn& column : key.Columns) columns += (columns.empty() ? "" : ", ") + Name(column.Name);
  AnsiString text = Join({"FOREIGN", "KEY", Name(key.Name), "("}) + columns + Join({")", "REFERENCES", Name(key.RelatedTableName)}) + " ";
  if (key.MatchType == 1) text += "MATCH FULL";
  if (key.MatchType == 2) text += "MATCH PARTIAL";
  const auto action = [](const char* event, Byte kind) -> AnsiString {
    const AnsiString on = AnsiString(" ON ") + event + " ";
    switch (kind) {
      case 1: return on + "CASCADE";
      case 2: return on + Join({"SET", "NULL"});
      case 3: return on + Join({"SET", "DEFAULT"});
      case 4: return on + Join({"NO", "ACTION"});
      default: return AnsiString();
    }
  };
  return text + action("DELETE", key.DeleteAction) + action("UPDATE", key.UpdateAction);
}

void ScriptWriter::WriteCreateTable() {
  if (options_.DropTable) text_ += Join({"DROP", "TABLE", table_, "CASCADE"}) + ";" + kCrLf;
  text_ += Join({"CREATE", "TABLE", table_, "("}) + kCrLf;
  const TSQLMemFieldDefs& fields = *cursor_.FieldDefs;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    if (i > 0) text_ += AnsiString(",") + kCrLf;
    text_ += "\t" + ColumnText(fields.GetFieldDef(i));
  }
  const TSQLMemIndexDefs& indexes = *cursor_.IndexDefs;
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexes.GetItem(i);
    if (index.Primary == 0) continue;
    AnsiString columns;
    for (Integer c = 0; c < index.GetColumnCount(); ++c)
      columns += (c > 0 ? ", " : "") + IndexColumnText(index.GetColumn(c));
    text_ += AnsiString(",") + kCrLf + Join({"PRIMARY", "KEY", Name(index.Name), "("}) + columns + ")";
  }
  const TSQLMemConstraintDefs& constraints = *cursor_.ConstraintDefs;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    if (constraint.Kind != ckForeignKey) continue;
    text_ += AnsiString(",") + kCrLf +
             ForeignKeyText(static_cast<const TSQLMemConstraintDefForeignKeyAction&>(constraint));
  }
  text_ += AnsiString(kCrLf) + ");" + kCrLf;
}

void ScriptWriter::WriteIndexes() {
  const TSQLMemIndexDefs& indexes = *cursor_.IndexDefs;
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexes.GetItem(i);
    if (index.Primary != 0) continue;
    if (options_.DropIndexes)
      text_ += Join({"DROP", "INDEX", "IF", "EXISTS"}) + " " + table_ + "." + Name(index.Name) + ";" + kCrLf;
    text_ += (index.Unique != 0 ? Join({"CREATE", "UNIQUE", "INDEX", Name(index.Name), "ON", table_, "("})
                                : Join({"CREATE", "INDEX", Name(index.Name), "ON", table_, "("})) +
             kCrLf;
    for (Integer c = 0; c < index.GetColumnCount(); ++c) {
      if (c > 0) text_ += AnsiString(",") + kCrLf;
      text_ += "\t" + IndexColumnText(index.GetColumn(c));
    }
    text_ += AnsiString(kCrLf) + ");" + kCrLf;
  }
}

void ScriptWriter::WriteInsert() {
  const TSQLMemFieldDefs& fields = *cursor_.FieldDefs;
  AnsiString columns, values;
  bool leftOut = false;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!options_.IncludeBLOBs && IsBLOBDataType(field.DataType)) {
      leftOut = true;
      continue;
    }
    TSQLMemVariant value;
    cursor_.GetFieldValue(value, i, false, true);
    if (!values.empty()) {
      values += AnsiString(",") + kCrLf;
      columns += ", ";
    }
    values += "\t" + InsertValueText(value);
    columns += Name(field.Name);
  }
  text_ += Join({"INSERT", "INTO", table_}) + " " + (leftOut ? "(" + columns + ") " : AnsiString()) + "VALUES (" +
           kCrLf + values + kCrLf + ");" + kCrLf;
}

void ScriptWriter::WriteInserts() {
  // The walk uses a scratch buffer and puts the cursor back where it was, also when a read fails.
  struct PositionKeeper {
    TSQLMemLocalCursor& cursor;
    Byte* savedBuffer;
    void* bookmark;
    ~PositionKeeper() {
      Byte* scratch = cursor.CurrentRecordBuffer;
      cursor.CurrentRecordBuffer = savedBuffer;
      try {
        cursor.CloseBLOBStreams(false);
      } catch (...) {  // the readers opened by the walk store nothing
      }
      cursor.FreeRecordBuffer(scratch);
      cursor.SetBookmark(bookmark);
      cursor.FreeBookmark(bookmark);
    }
  };
  cursor_.CloseBLOBStreams(false);
  Byte* scratch = cursor_.AllocRecordBuffer();
  void* bookmark = nullptr;
  try {
    bookmark = cursor_.GetBookmark();
  } catch (...) {
    cursor_.FreeRecordBuffer(scratch);
    throw;
  }
  PositionKeeper keeper{cursor_, cursor_.CurrentRecordBuffer, bookmark};
  cursor_.CurrentRecordBuffer = scratch;
  cursor_.SetBeginOfData();
  for (;;) {
    const Byte result = cursor_.GetRecord(1);
    if (result == 0) {
      WriteInsert();
      continue;
    }
    // A record that cannot be read ends the script with the table's own message, never with a
    // script that silently lacks the rest of the records.
    if (result == 3) SQLMemError(cursor_.ResultCode != 0 ? cursor_.ResultCode : 10154, cursor_.ErrorText);
    break;
  }
}

}  // namespace

void TSQLMemLocalCursor::ExportTableToSQL(const ScriptOptions& options, AnsiString& text) {
  text.clear();
  OpenTableData(10154);
  ScriptWriter writer(*this, options, text);
  if (options.CreateTable) writer.WriteCreateTable();
  if (options.Indexes) writer.WriteIndexes();
  if (options.Data) writer.WriteInserts();
}
