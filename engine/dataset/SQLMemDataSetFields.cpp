// The engine dataset's field data: values moved between the engine record and the framework's native
// forms, the calculated-fields area, and BLOB access at the cursor.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemBlobStream.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/Fields.h"
#include "vcl/db/SQLTimeStamp.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr double kMSecsPerDay = 86400000.0;

Int64 LoadEngineInteger(Byte dataType, const Byte* slot) {
  switch (dataType) {
    case edtShortInt: return LoadValue<std::int8_t>(slot);
    case edtSmallInt: return LoadValue<std::int16_t>(slot);
    case edtInteger: return LoadValue<std::int32_t>(slot);
    case edtLargeInt: return LoadValue<std::int64_t>(slot);
    case edtByte: return LoadValue<std::uint8_t>(slot);
    case edtWord: return LoadValue<std::uint16_t>(slot);
    case edtCardinal: return LoadValue<std::uint32_t>(slot);
    default: return 0;
  }
}

// Raises ERangeError (through CheckedCast) when the value does not fit the engine column.
void StoreEngineInteger(Byte dataType, Int64 value, Byte* slot) {
  switch (dataType) {
    case edtShortInt: StoreValue(slot, CheckedCast<std::int8_t>(value)); break;
    case edtSmallInt: StoreValue(slot, CheckedCast<std::int16_t>(value)); break;
    case edtInteger: StoreValue(slot, CheckedCast<std::int32_t>(value)); break;
    case edtLargeInt: StoreValue(slot, value); break;
    case edtByte: StoreValue(slot, CheckedCast<std::uint8_t>(value)); break;
    case edtWord: StoreValue(slot, CheckedCast<std::uint16_t>(value)); break;
    case edtCardinal: StoreValue(slot, CheckedCast<std::uint32_t>(value)); break;
    default: break;
  }
}

// The framework's integer fields hold 2 (smallint, word), 4 (integer, autoinc) or 8 bytes (largeint).
Int64 LoadFrameworkInteger(const TField* field, const Byte* native) {
  switch (field->DataType()) {
    case ftSmallint: return LoadValue<std::int16_t>(native);
    case ftWord: return LoadValue<std::uint16_t>(native);
    case ftLargeint: return LoadValue<std::int64_t>(native);
    default: return LoadValue<std::int32_t>(native);
  }
}

void StoreFrameworkInteger(const TField* field, Int64 value, Byte* native) {
  switch (field->DataType()) {
    case ftSmallint: StoreValue(native, CheckedCast<std::int16_t>(value)); break;
    case ftWord: StoreValue(native, CheckedCast<std::uint16_t>(value)); break;
    case ftLargeint: StoreValue(native, value); break;
    default: StoreValue(native, CheckedCast<std::int32_t>(value)); break;
  }
}

// A double as the 15-digit decimal text the framework's float conversion writes, read back: the
// single-precision value stored is then the one nearest to that text, not to the double's binary
// expansion (0.1 is stored as the float nearest 0.1).
float NarrowThroughText(double value) {
  if (!std::isfinite(value)) return static_cast<float>(value);
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  double parsed = value;
  std::from_chars(text, written.ptr, parsed);
  if (std::fabs(parsed) > std::numeric_limits<float>::max()) RaiseRangeError();
  return static_cast<float>(parsed);
}

TSQLTimeStamp EngineStampToSQLTimeStamp(Integer date, Integer time) {
  TSQLTimeStamp stamp;
  if (date == NullDate) return stamp;
  Word year = 0, month = 0, day = 0;
  DecodeDate(static_cast<TDateTime>(static_cast<Int64>(date) - DateDelta), year, month, day);
  stamp.Year = static_cast<SmallInt>(year);
  stamp.Month = month;
  stamp.Day = day;
  const Integer ms = time == NullTime ? 0 : time;
  stamp.Hour = static_cast<Word>(ms / 3600000);
  stamp.Minute = static_cast<Word>(ms / 60000 % 60);
  stamp.Second = static_cast<Word>(ms / 1000 % 60);
  stamp.Fractions = static_cast<LongWord>(ms % 1000);
  return stamp;
}

void SQLTimeStampToEngineStamp(const TSQLTimeStamp& stamp, Integer& date, Integer& time) {
  if (IsSQLTimeStampBlank(stamp)) {
    date = DateDelta;
    time = 0;
    return;
  }
  const TDateTime day = EncodeDate(static_cast<Word>(stamp.Year), stamp.Month, stamp.Day);
  if (stamp.Hour > 23 || stamp.Minute > 59 || stamp.Second > 59 || stamp.Fractions > 999)
    EncodeTime(stamp.Hour, stamp.Minute, stamp.Second, static_cast<Word>(std::min<LongWord>(stamp.Fractions, 65535)));
  date = CheckedCast<Integer>(static_cast<Int64>(std::llround(day)) + DateDelta);
  time = ((stamp.Hour * 60 + stamp.Minute) * 60 + stamp.Second) * 1000 + static_cast<Integer>(stamp.Fractions);
}

}  // namespace

// ---- which record ----

Byte* TSQLMemDataSet::RecordBufferOfState() {
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    case dsSetKey:
      return setKeyBuffer_;
    case dsCalcFields:
    case dsInternalCalc:
      return CalcBuffer();
    case dsFilter:
      return filterBuffer_;
    default:
      return nullptr;
  }
}

// ---- reading ----

bool TSQLMemDataSet::GetFieldData(TField* field, Byte* buffer) {
  if (field == nullptr || cursor_ == nullptr) return false;
  const Byte* record = RecordBufferOfState();
  if (record == nullptr) return false;
  if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup || field->FieldNo() <= 0) {
    const Byte* area = record + CalcFieldsOffset() + field->Offset();
    const bool hasValue = area[0] != 0;
    if (hasValue && buffer != nullptr) std::memcpy(buffer, area + 1, static_cast<std::size_t>(field->DataSize()));
    return hasValue;
  }
  TSQLMemCursor& cursor = *cursor_;
  const Integer fieldNo = field->FieldNo() - 1;
  if (!cursor.GetFieldData(fieldNo, nullptr, record)) return false;
  if (buffer == nullptr) return true;
  const TSQLMemFieldDef& projected = cursor.ProjectedFieldDefs().GetFieldDef(fieldNo);
  const TSQLMemFieldDef& def = cursor.FieldDefs->GetFieldDef(projected.TableFieldNo);
  const Byte* slot = record + def.RecordOffset;
  const Integer size = field->DataSize();
  switch (def.DataType) {
    case edtChar:
    case edtVarchar: {
      const Integer limit = std::min(def.DataSize, size) - 1;
      Integer length = 0;
      while (length < limit && slot[length] != 0) ++length;
      std::memcpy(buffer, slot, static_cast<std::size_t>(length));
      buffer[length] = 0;
      break;
    }
    case edtWideChar:
    case edtWideVarchar: {
      const Integer limit = std::min(def.DataSize, size) / 2 - 1;
      Integer units = 0;
      while (units < limit && (slot[units * 2] != 0 || slot[units * 2 + 1] != 0)) ++units;
      std::memcpy(buffer, slot, static_cast<std::size_t>(units) * 2);
      buffer[units * 2] = buffer[units * 2 + 1] = 0;
      break;
    }
    case edtShortInt:
    case edtSmallInt:
    case edtInteger:
    case edtLargeInt:
    case edtByte:
    case edtWord:
    case edtCardinal:
      StoreFrameworkInteger(field, LoadEngineInteger(def.DataType, slot), buffer);
      break;
    case edtSingle:
      StoreValue(buffer, static_cast<double>(LoadValue<float>(slot)));
      break;
    case edtExtended:
      StoreValue(buffer, static_cast<double>(LoadExtended(slot)));
      break;
    case edtDouble:
    case edtCurrency:
      StoreValue(buffer, LoadValue<double>(slot));
      break;
    case edtDate:
    case edtTime:
      // The engine keeps the framework's forms: the day number with its offset, milliseconds of the day.
      StoreValue(buffer, LoadValue<Integer>(slot));
      break;
    case edtTimeStamp: {
      const Integer date = LoadValue<Integer>(slot);
      const Integer time = LoadValue<Integer>(slot + 4);
      if (field->DataType() == ftTimeStamp) {
        const TSQLTimeStamp stamp = EngineStampToSQLTimeStamp(date, time);
        std::memcpy(buffer, &stamp, sizeof stamp);
      } else {
        StoreValue(buffer, static_cast<double>(date) * kMSecsPerDay + (time == NullTime ? 0 : time));
      }
      break;
    }
    case edtBoolean:
      StoreValue(buffer, static_cast<std::int16_t>(LoadValue<std::int16_t>(slot) != 0 ? 1 : 0));
      break;
    case edtVarBytes: {
      // The engine's slot keeps no length: the value ends with its last non-zero byte.
      Integer length = std::min(def.DataSize, size - 2);
      while (length > 0 && slot[length - 1] == 0) --length;
      StoreValue(buffer, static_cast<Word>(length));
      std::memcpy(buffer + 2, slot, static_cast<std::size_t>(length));
      break;
    }
    case edtBLOB:
    case edtMemo:
    case edtWideMemo:
      break;  // read through CreateBlobStream
    default:
      std::memcpy(buffer, slot, static_cast<std::size_t>(std::min(def.DataSize, size)));
      break;
  }
  return true;
}

// ---- writing ----

void TSQLMemDataSet::SetFieldData(TField* field, const Byte* buffer) {
  if (field == nullptr) SQLMemError(10054, SQLMemNilPointer);
  const TDataSetState state = State();
  if (!dsWriteModes.Contains(state)) SQLMemError(10007, SQLMemDatasetNotInEditOrInsert);
  const bool calculated =
      field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup || field->FieldNo() <= 0;
  if (state == dsSetKey) {
    bool inKey = keyFieldNos_.empty();
    for (Word no : keyFieldNos_)
      if (no == field->FieldNo()) inKey = true;
    if (calculated || !inKey) SQLMemError(20019, SQLMemFieldNotInCurrentIndex, {field->DisplayName()});
  }
  Byte* record = RecordBufferOfState();
  if (record == nullptr || cursor_ == nullptr) SQLMemError(10055, SQLMemNilPointer);
  fieldChanged_ = true;
  const bool notify = state != dsCalcFields && state != dsFilter && state != dsNewValue;
  if (calculated) {
    Byte* area = record + CalcFieldsOffset() + field->Offset();
    area[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr) std::memcpy(area + 1, buffer, static_cast<std::size_t>(field->DataSize()));
    if (notify) DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
    return;
  }
  field->Validate(buffer);
  TSQLMemCursor& cursor = *cursor_;
  const Integer fieldNo = field->FieldNo() - 1;
  if (buffer == nullptr) {
    cursor.SetFieldData(fieldNo, nullptr, record);
  } else {
    const TSQLMemFieldDef& projected = cursor.ProjectedFieldDefs().GetFieldDef(fieldNo);
    const TSQLMemFieldDef& def = cursor.FieldDefs->GetFieldDef(projected.TableFieldNo);
    std::vector<Byte> value(static_cast<std::size_t>(std::max(def.DataSize, 1)) + 2, 0);
    Byte* engine = value.data();
    switch (def.DataType) {
      case edtChar:
      case edtVarchar: {
        // The cursor cuts the text to the column and terminates it.
        const Integer limit = std::min(field->DataSize(), def.DataSize) - 1;
        Integer length = 0;
        while (length < limit && buffer[length] != 0) ++length;
        std::memcpy(engine, buffer, static_cast<std::size_t>(length));
        break;
      }
      case edtWideChar:
      case edtWideVarchar: {
        const Integer limit = std::min(field->DataSize(), def.DataSize) / 2 - 1;
        Integer units = 0;
        while (units < limit && (buffer[units * 2] != 0 || buffer[units * 2 + 1] != 0)) ++units;
        std::memcpy(engine, buffer, static_cast<std::size_t>(units) * 2);
        break;
      }
      case edtShortInt:
      case edtSmallInt:
      case edtInteger:
      case edtLargeInt:
      case edtByte:
      case edtWord:
      case edtCardinal:
        StoreEngineInteger(def.DataType, LoadFrameworkInteger(field, buffer), engine);
        break;
      case edtSingle:
        StoreValue(engine, NarrowThroughText(LoadValue<double>(buffer)));
        break;
      case edtExtended:
        StoreExtended(engine, static_cast<long double>(LoadValue<double>(buffer)));
        break;
      case edtDouble:
      case edtCurrency:
        StoreValue(engine, LoadValue<double>(buffer));
        break;
      case edtDate:
      case edtTime:
        StoreValue(engine, LoadValue<Integer>(buffer));
        break;
      case edtTimeStamp: {
        Integer date = 0, time = 0;
        if (field->DataType() == ftTimeStamp) {
          TSQLTimeStamp stamp;
          std::memcpy(&stamp, buffer, sizeof stamp);
          SQLTimeStampToEngineStamp(stamp, date, time);
        } else {
          const double ms = std::round(LoadValue<double>(buffer));
          const double days = std::floor(ms / kMSecsPerDay);
          if (!(days >= std::numeric_limits<Integer>::min() && days <= std::numeric_limits<Integer>::max()))
            RaiseRangeError();
          date = static_cast<Integer>(days);
          time = static_cast<Integer>(ms - days * kMSecsPerDay);
        }
        StoreValue(engine, date);
        StoreValue(engine + 4, time);
        break;
      }
      case edtBoolean:
        StoreValue(engine, static_cast<std::int16_t>(LoadValue<std::int16_t>(buffer) != 0 ? -1 : 0));
        break;
      case edtVarBytes: {
        const Integer length = std::min<Integer>(LoadValue<Word>(buffer), std::min(def.DataSize, field->DataSize() - 2));
        std::memcpy(engine, buffer + 2, static_cast<std::size_t>(std::max(length, 0)));
        break;
      }
      case edtBLOB:
      case edtMemo:
      case edtWideMemo:
        // BLOB values travel through CreateBlobStream; a value here only clears the null mark.
        break;
      default:
        std::memcpy(engine, buffer, static_cast<std::size_t>(std::min(def.DataSize, field->DataSize())));
        break;
    }
    if (!IsBLOBDataType(def.DataType)) {
      if (IsTextDataType(def.DataType) && engine[0] == 0 && (!IsWideDataType(def.DataType) || engine[1] == 0)) {
        // An empty text is stored as null: the engine never keeps a zero-length string.
        cursor.SetFieldData(fieldNo, nullptr, record);
      } else {
        cursor.SetFieldData(fieldNo, engine, record);
      }
    }
  }
  if (notify) DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

void TSQLMemDataSet::DataConvert(TField* field, const Byte* source, Byte* dest, bool toNative) {
  if (field->DataType() == ftWideString || field->DataType() == ftFixedWideChar) {
    // Copied with both terminating zero bytes, never more than the field holds.
    const Integer maxUnits = field->DataSize() / 2;
    Integer units = 0;
    while (units < maxUnits - 1 && (source[units * 2] != 0 || source[units * 2 + 1] != 0)) ++units;
    std::memcpy(dest, source, static_cast<std::size_t>(units) * 2);
    dest[units * 2] = dest[units * 2 + 1] = 0;
    return;
  }
  TDataSet::DataConvert(field, source, dest, toNative);
}

bool TSQLMemDataSet::GetIsIndexField(TField* field) {
  if (field == nullptr || field->FieldNo() <= 0) return false;
  for (Word no : keyFieldNos_)
    if (no == field->FieldNo()) return true;
  return false;
}

// ---- BLOBs ----

TStream* TSQLMemDataSet::OpenCursorBlob(TField* field, TBlobStreamMode mode) {
  TSQLMemCursor& cursor = CheckCursor(10057);
  if (field == nullptr || field->FieldNo() <= 0) SQLMemError(10058, SQLMemNilPointer);
  const bool writing = mode != bmRead;
  if (writing && State() != dsEdit && State() != dsInsert) SQLMemError(10111, SQLMemDatasetNotInEditOrInsert);
  Byte* record = RecordBufferOfState();
  if (record == nullptr) return nullptr;
  cursor.CurrentRecordBuffer = record;
  if (GetBookmarkFlag(record) == bfCurrent) PositionCursorAt(record + BookmarkOffset());
  const Byte engineMode = mode == bmRead ? 1 : (mode == bmWrite ? 0 : 2);
  return cursor.OpenBLOB(field->FieldNo() - 1, engineMode);
}

std::unique_ptr<TStream> TSQLMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  if (mode != bmRead && readOnly_) SQLMemError(10107, SQLMemDatasetReadOnly);
  if (field == nullptr) SQLMemError(10059, SQLMemNilPointer);
  auto stream = std::make_unique<TSQLMemBlobStream>(field, mode);
  if (mode != bmRead) fieldChanged_ = true;
  return stream;
}

void TSQLMemDataSet::CloseBlob(TField* field) {
  TSQLMemCursor& cursor = CheckCursor(10108);
  if (field == nullptr || field->FieldNo() <= 0) return;
  // A writer stores its value into the record it was opened on.
  if (Byte* record = RecordBufferOfState()) cursor.CurrentRecordBuffer = record;
  cursor.CloseBLOB(field->FieldNo() - 1);
}
