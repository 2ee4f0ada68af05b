#include "engine/storage/SQLMemFieldManager.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSequenceManager.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

// Whether an autoincrement field of that SQL type holds the value.
bool AutoincValueFits(Integer fieldType, Int64 value) {
  switch (fieldType) {
    case sftAutoIncShortInt: return value >= -128 && value <= 127;
    case sftAutoIncSmallInt: return value >= -32768 && value <= 32767;
    case sftAutoIncByte: return value >= 0 && value <= 255;
    case sftAutoIncWord: return value >= 0 && value <= 65535;
    case sftAutoIncCardinal: return value >= 0 && value <= 4294967295LL;
    case sftAutoIncLargeInt: return true;
    default: return value >= -2147483648LL && value <= 2147483647LL;  // AutoInc, AutoIncInteger
  }
}

}  // namespace

void TSQLMemBaseFieldManager::LoadFromStream(TStream& stream) {
  FieldDefs.FormatVersion = FormatVersion;
  FieldDefs.LoadFromStream(stream);
}

void TSQLMemBaseFieldManager::SaveToStream(TStream& stream) {
  FieldDefs.FormatVersion = FormatVersion;
  FieldDefs.SaveToStream(stream);
}

void TSQLMemBaseFieldManager::ApplyDefaults(TSQLMemBaseSession* session, Byte* recordBuffer, bool withAutoinc) {
  if (!FieldDefs.HasAutoInc && !FieldDefs.HasDefaults) return;
  for (Integer fieldNo = 0; fieldNo < FieldDefs.GetCount(); ++fieldNo) {
    const TSQLMemFieldDef& field = FieldDefs.GetFieldDef(fieldNo);
    Byte* slot = recordBuffer + field.RecordOffset;
    // A BLOB slot holds a reference to the value's blocks, never the value: a default there would be
    // taken for a reference.
    if (!field.DefaultValue.IsNull() && !IsBLOBDataType(field.DataType)) {
      const Integer size = std::min(field.DefaultValue.DataSize(), field.DataSize);
      std::memcpy(slot, field.DefaultValue.Data(), static_cast<std::size_t>(size));
      // A text default longer than its slot keeps a terminator, so that reading the field stops inside it.
      const Integer unit = IsWideDataType(field.DataType) ? 2 : 1;
      if (IsTextDataType(field.DataType) && size == field.DataSize && size >= unit)
        std::memset(slot + size - unit, 0, static_cast<std::size_t>(unit));
      SetRecordFieldNull(fieldNo, false, recordBuffer);
    }
    if (withAutoinc && IsAutoIncFieldType(field.FieldType)) {
      // A value the field cannot hold is a range error: cut to the field's bytes it would repeat a
      // value handed out before. The value is drawn all the same, so it is never handed out later.
      const Int64 value = Sequences->GetNextValue(session, field.SequenceId);
      if (!AutoincValueFits(field.FieldType, value)) RaiseRangeError();
      Byte bytes[sizeof(Int64)];
      for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<Byte>(static_cast<UInt64>(value) >> (8 * i));
      std::memcpy(slot, bytes, static_cast<std::size_t>(std::clamp<Integer>(field.DataSize, 0, sizeof bytes)));
      SetRecordFieldNull(fieldNo, false, recordBuffer);
    }
  }
}
