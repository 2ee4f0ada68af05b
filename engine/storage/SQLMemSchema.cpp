#include "engine/storage/SQLMemSchema.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

Integer DefaultBLOBBlockSize = 102400;

namespace {

// Every field of a definition's stream form passes its own native code to the checked transfer.
template <typename T>
void Put(TStream& stream, T value, Integer code) {
  StreamWriteValue<T>(stream, value, code);
}

template <typename T>
T Get(TStream& stream, Integer code) {
  return StreamReadValue<T>(stream, code);
}

// A size or count read from the stream that the rest of the stream cannot hold (each counted item
// takes at least minItemBytes) is refused with the read code before anything is allocated for it.
void CheckReadCount(TStream& stream, Int64 count, Int64 minItemBytes, Integer code) {
  const Int64 position = stream.Position();
  const Int64 size = stream.Size();
  if (count < 0 || count > (size - position) / minItemBytes)
    SQLMemError(code, SQLMemCannotReadBlockFromStream, {position, size, count, 0});
}

void PutChars(TStream& stream, std::string_view text, Integer code) {
  StreamWriteChecked(text.data(), CheckedCast<Integer>(text.size()), stream, code);
}

AnsiString GetChars(TStream& stream, Integer length, Integer code) {
  CheckReadCount(stream, length, 1, code);
  AnsiString text(static_cast<std::size_t>(length), '\0');
  StreamReadChecked(text.data(), length, stream, code);
  return text;
}

// Short string: uint8 length, then the characters.
void PutShortString(TStream& stream, std::string_view text, Integer lengthCode, Integer charsCode) {
  Put<Byte>(stream, CheckedCast<Byte>(text.size()), lengthCode);
  PutChars(stream, text, charsCode);
}

AnsiString GetShortString(TStream& stream, Integer lengthCode, Integer charsCode) {
  return GetChars(stream, Get<Byte>(stream, lengthCode), charsCode);
}

// n = length + 1 (as N), then n bytes: the length byte and the characters.
template <typename N>
void PutCountedShortString(TStream& stream, std::string_view text, Integer countCode, Integer bytesCode) {
  const Byte length = CheckedCast<Byte>(text.size());
  Put<N>(stream, CheckedCast<N>(Integer{length} + 1), countCode);
  AnsiString bytes(1, static_cast<char>(length));
  bytes.append(text);
  PutChars(stream, bytes, bytesCode);
}

template <typename N>
AnsiString GetCountedShortString(TStream& stream, Integer countCode, Integer bytesCode) {
  const Integer n = Get<N>(stream, countCode);
  const Int64 position = stream.Position();
  const AnsiString bytes = GetChars(stream, n, bytesCode);
  // The leading length byte must agree with the count, or the form is damaged.
  if (n < 1 || n > 256 || static_cast<Byte>(bytes[0]) != n - 1)
    SQLMemError(bytesCode, SQLMemCannotReadBlockFromStream, {position, stream.Size(), n, 0});
  return bytes.substr(1);
}

// Key columns of unique and foreign-key constraints: int32 count, then per column the int32 object id
// and the name in the form that the kind uses.
struct ColumnCodes {
  Integer count, id, nameCount, nameBytes;
};

void PutUniqueColumns(TStream& stream, const std::vector<TSQLMemConstraintColumn>& columns, const ColumnCodes& c) {
  Put<Integer>(stream, CheckedCast<Integer>(columns.size()), c.count);
  for (const TSQLMemConstraintColumn& column : columns) {
    Put<Integer>(stream, column.ObjectId, c.id);
    PutCountedShortString<Integer>(stream, column.Name, c.nameCount, c.nameBytes);
  }
}

std::vector<TSQLMemConstraintColumn> GetUniqueColumns(TStream& stream, const ColumnCodes& c) {
  const Integer count = Get<Integer>(stream, c.count);
  CheckReadCount(stream, count, 9, c.count);
  std::vector<TSQLMemConstraintColumn> columns(static_cast<std::size_t>(count));
  for (TSQLMemConstraintColumn& column : columns) {
    column.ObjectId = Get<Integer>(stream, c.id);
    column.Name = GetCountedShortString<Integer>(stream, c.nameCount, c.nameBytes);
  }
  return columns;
}

void PutForeignKeyColumns(TStream& stream, const std::vector<TSQLMemConstraintColumn>& columns, const ColumnCodes& c) {
  Put<Integer>(stream, CheckedCast<Integer>(columns.size()), c.count);
  for (const TSQLMemConstraintColumn& column : columns) {
    Put<Integer>(stream, column.ObjectId, c.id);
    Put<Integer>(stream, CheckedCast<Integer>(column.Name.size()), c.nameCount);
    PutChars(stream, column.Name, c.nameBytes);
  }
}

std::vector<TSQLMemConstraintColumn> GetForeignKeyColumns(TStream& stream, const ColumnCodes& c) {
  const Integer count = Get<Integer>(stream, c.count);
  CheckReadCount(stream, count, 8, c.count);
  std::vector<TSQLMemConstraintColumn> columns(static_cast<std::size_t>(count));
  for (TSQLMemConstraintColumn& column : columns) {
    column.ObjectId = Get<Integer>(stream, c.id);
    column.Name = GetChars(stream, Get<Integer>(stream, c.nameCount), c.nameBytes);
  }
  return columns;
}

void CopyVariant(TSQLMemVariant& target, const TSQLMemVariant& source) { target.Assign(source, true); }

template <class T>
bool IsKind(const TSQLMemMetaObjectDef& item) {
  return dynamic_cast<const T*>(&item) != nullptr;
}

bool SameName(std::string_view a, std::string_view b) { return SameNameText(a, b); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Definitions

void TSQLMemMetaObjectDef::Assign(const TSQLMemMetaObjectDef& source) {
  Name = source.Name;
  ObjectId = source.ObjectId;
  Description = source.Description;
  DescriptionId = source.DescriptionId;
}

void TSQLMemMetaObjectDef::LoadFromStream(TStream& stream) {
  Name = GetShortString(stream, 10166, 10167);
  ObjectId = Get<Integer>(stream, 10169);
}

void TSQLMemMetaObjectDef::SaveToStream(TStream& stream) const {
  PutShortString(stream, Name, 10164, 10165);
  Put<Integer>(stream, ObjectId, 10168);
}

void TSQLMemSequenceDef::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemMetaObjectDef::Assign(source);
  if (const auto* s = dynamic_cast<const TSQLMemSequenceDef*>(&source)) {
    DataType = s->DataType;
    MinValue = s->MinValue;
    MaxValue = s->MaxValue;
    CurrentValue = s->CurrentValue;
    Increment = s->Increment;
    Cycle = s->Cycle;
  }
}

void TSQLMemSequenceDef::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDef::LoadFromStream(stream);
  DataType = Get<Byte>(stream, 10212);
  MinValue = Get<Int64>(stream, 10213);
  MaxValue = Get<Int64>(stream, 10214);
  CurrentValue = Get<Int64>(stream, 10215);
  Increment = Get<Int64>(stream, 10216);
  Cycle = Get<Byte>(stream, 10217);
}

void TSQLMemSequenceDef::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDef::SaveToStream(stream);
  Put<Byte>(stream, DataType, 10206);
  Put<Int64>(stream, MinValue, 10207);
  Put<Int64>(stream, MaxValue, 10208);
  Put<Int64>(stream, CurrentValue, 10209);
  Put<Int64>(stream, Increment, 10210);
  Put<Byte>(stream, Cycle, 10211);
}

Int64 TSQLMemSequenceDef::NextValue() {
  const Int64 next = CheckedAdd(CurrentValue, Increment);
  if (next > MaxValue) {
    if (Cycle == 0) SQLMemError(30009, SQLMemSequenceOverflow, {std::string_view(Name)});
    CurrentValue = MinValue;
  } else {
    CurrentValue = next;
  }
  return CurrentValue;
}

void TSQLMemFieldDef::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemMetaObjectDef::Assign(source);
  const auto* s = dynamic_cast<const TSQLMemFieldDef*>(&source);
  if (s == nullptr) return;
  DataType = s->DataType;
  FieldType = s->FieldType;
  Size = s->Size;
  DataSize = s->DataSize;
  CompactSize = s->CompactSize;
  RecordOffset = s->RecordOffset;
  CompactOffset = s->CompactOffset;
  SequenceId = s->SequenceId;
  CopyVariant(DefaultValue, s->DefaultValue);
  BLOBCompressionAlgorithm = s->BLOBCompressionAlgorithm;
  BLOBCompressionLevel = s->BLOBCompressionLevel;
  BLOBBlockSize = s->BLOBBlockSize;
  Increment = s->Increment;
  InitialValue = s->InitialValue;
  MinValue = s->MinValue;
  MaxValue = s->MaxValue;
  Cycle = s->Cycle;
  TableFieldNo = s->TableFieldNo;
}

void TSQLMemFieldDef::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDef::LoadFromStream(stream);
  DataType = Get<Byte>(stream, 10187);
  DefaultValue.Clear(DataType);
  FieldType = Get<Byte>(stream, 10188);
  Size = Get<Integer>(stream, 10189);
  if (IsBLOBDataType(DataType)) {
    BLOBCompressionAlgorithm = Get<Byte>(stream, 10192);
    BLOBCompressionLevel = Get<Byte>(stream, 10193);
    BLOBBlockSize = Get<Integer>(stream, 10194);
  }
  if (IsAutoIncFieldType(FieldType)) {
    SequenceId = Get<Integer>(stream, 10195);
    Increment = Get<Int64>(stream, 10690);
    InitialValue = Get<Int64>(stream, 10691);
    MinValue = Get<Int64>(stream, 10692);
    MaxValue = Get<Int64>(stream, 10693);
    Cycle = Get<Byte>(stream, 10694);
  } else {
    DefaultValue.LoadFromStream(stream);
  }
  ComputeSizes();
}

void TSQLMemFieldDef::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDef::SaveToStream(stream);
  Put<Byte>(stream, DataType, 10170);
  Put<Byte>(stream, FieldType, 10171);
  Put<Integer>(stream, Size, 10172);
  if (IsBLOBDataType(DataType)) {
    Put<Byte>(stream, BLOBCompressionAlgorithm, 10175);
    Put<Byte>(stream, BLOBCompressionLevel, 10176);
    Put<Integer>(stream, BLOBBlockSize, 10177);
  }
  if (IsAutoIncFieldType(FieldType)) {
    Put<Integer>(stream, SequenceId, 10178);
    Put<Int64>(stream, Increment, 10685);
    Put<Int64>(stream, InitialValue, 10686);
    Put<Int64>(stream, MinValue, 10687);
    Put<Int64>(stream, MaxValue, 10688);
    Put<Byte>(stream, Cycle, 10689);
  } else {
    DefaultValue.SaveToStream(stream);
  }
}

void TSQLMemFieldDef::SetDataType(Integer fieldType, Integer size) {
  const EngineDataType dataType = FieldTypeToDataType(fieldType);
  if (dataType == edtNone) SQLMemError(30007, SQLMemUnsupportedDataType, {FieldTypeName(fieldType)});
  FieldType = CheckedCast<Byte>(fieldType);
  DataType = dataType;
  Size = size;
  ComputeSizes();
}

void TSQLMemFieldDef::ComputeSizes() {
  DataSize = ValueBufferSize(DataType, Size);
  CompactSize = IsBLOBDataType(DataType) || IsVarStringDataType(DataType) ? 6 : DataSize;
}

TSQLMemIndexColumn& TSQLMemIndexDef::GetColumn(Integer index) {
  CheckIndex(index, columns_.size());
  return columns_[static_cast<std::size_t>(index)];
}

const TSQLMemIndexColumn& TSQLMemIndexDef::GetColumn(Integer index) const {
  CheckIndex(index, columns_.size());
  return columns_[static_cast<std::size_t>(index)];
}

void TSQLMemIndexDef::SetColumnCount(Integer n) {
  if (n < 0) RaiseRangeError();
  columns_.resize(static_cast<std::size_t>(n));
}

void TSQLMemIndexDef::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemMetaObjectDef::Assign(source);
  const auto* s = dynamic_cast<const TSQLMemIndexDef*>(&source);
  if (s == nullptr) return;
  IndexKind = s->IndexKind;
  Unique = s->Unique;
  Primary = s->Primary;
  RootPageNo = s->RootPageNo;
  Temporary = s->Temporary;
  columns_ = s->columns_;
}

void TSQLMemIndexDef::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDef::LoadFromStream(stream);
  IndexKind = Get<Byte>(stream, 10349);
  Unique = Get<Byte>(stream, 10350);
  Primary = Get<Byte>(stream, 10351);
  const Integer count = Get<Integer>(stream, 10352);
  RootPageNo = Get<Integer>(stream, 10353);
  CheckReadCount(stream, count, 4, 10352);
  std::vector<TSQLMemIndexColumn> columns(static_cast<std::size_t>(count));
  for (TSQLMemIndexColumn& column : columns) {
    const Byte length = Get<Byte>(stream, 10358);
    if (length == 0) RaiseRangeError();
    column.Name = GetChars(stream, length, 10359);
    column.Descending = Get<Byte>(stream, 10360);
    column.CaseInsensitive = Get<Byte>(stream, 10361);
  }
  columns_ = std::move(columns);
  Temporary = 0;
}

void TSQLMemIndexDef::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDef::SaveToStream(stream);
  Put<Byte>(stream, IndexKind, 10344);
  Put<Byte>(stream, Unique, 10345);
  Put<Byte>(stream, Primary, 10346);
  Put<Integer>(stream, GetColumnCount(), 10347);
  Put<Integer>(stream, RootPageNo, 10348);
  for (const TSQLMemIndexColumn& column : columns_) {
    if (column.Name.empty()) RaiseRangeError();
    PutShortString(stream, column.Name, 10354, 10355);
    Put<Byte>(stream, column.Descending, 10356);
    Put<Byte>(stream, column.CaseInsensitive, 10357);
  }
}

void TSQLMemConstraintDefNamed::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemMetaObjectDef::Assign(source);
  if (const auto* s = dynamic_cast<const TSQLMemConstraintDefNamed*>(&source)) {
    Name1 = s->Name1;
    Name2 = s->Name2;
    Name3 = s->Name3;
    Id1 = s->Id1;
    Id2 = s->Id2;
    Id3 = s->Id3;
  }
}

namespace {

// Codes of the not-null and check forms, in stream order: the three ids, then count and bytes per name.
struct NamedCodes {
  Integer ids[3];
  Integer names[6];
};
constexpr NamedCodes kNotNullRead{{10249, 10250, 10251}, {10252, 10253, 10254, 10255, 10256, 10257}};
constexpr NamedCodes kNotNullWrite{{10240, 10241, 10242}, {10243, 10244, 10245, 10246, 10247, 10248}};
constexpr NamedCodes kCheckRead{{10230, 10231, 10232}, {10233, 10234, 10235, 10236, 10237, 10238}};
constexpr NamedCodes kCheckWrite{{10227, 10228, 10229}, {10221, 10222, 10223, 10224, 10225, 10226}};
constexpr NamedCodes kUniqueRead{{30303, 30304, 30317}, {30305, 30306, 30307, 30308, 30396, 30398}};
constexpr NamedCodes kUniqueWrite{{30313, 30314, 30318}, {30315, 30316, 30317, 30318, 30400, 30401}};
constexpr ColumnCodes kUniqueColumnsRead{30309, 30310, 30311, 30312};
constexpr ColumnCodes kUniqueColumnsWrite{30394, 30395, 30397, 30399};
constexpr ColumnCodes kForeignKeyColumnsRead{11404, 11405, 11406, 11407};
constexpr ColumnCodes kForeignKeyColumnsWrite{11414, 11415, 11416, 11417};

template <typename N>
void SaveNamed(const TSQLMemConstraintDefNamed& def, TStream& stream, const NamedCodes& c) {
  def.TSQLMemMetaObjectDef::SaveToStream(stream);
  Put<Integer>(stream, def.Id1, c.ids[0]);
  Put<Integer>(stream, def.Id2, c.ids[1]);
  Put<Integer>(stream, def.Id3, c.ids[2]);
  PutCountedShortString<N>(stream, def.Name1, c.names[0], c.names[1]);
  PutCountedShortString<N>(stream, def.Name2, c.names[2], c.names[3]);
  PutCountedShortString<N>(stream, def.Name3, c.names[4], c.names[5]);
}

template <typename N>
void LoadNamed(TSQLMemConstraintDefNamed& def, TStream& stream, const NamedCodes& c) {
  def.TSQLMemMetaObjectDef::LoadFromStream(stream);
  def.Id1 = Get<Integer>(stream, c.ids[0]);
  def.Id2 = Get<Integer>(stream, c.ids[1]);
  def.Id3 = Get<Integer>(stream, c.ids[2]);
  def.Name1 = GetCountedShortString<N>(stream, c.names[0], c.names[1]);
  def.Name2 = GetCountedShortString<N>(stream, c.names[2], c.names[3]);
  def.Name3 = GetCountedShortString<N>(stream, c.names[4], c.names[5]);
}

}  // namespace

TSQLMemConstraintDefNotNull::TSQLMemConstraintDefNotNull() : TSQLMemConstraintDefNotNull(ckNotNull) {}

TSQLMemConstraintDefNotNull::TSQLMemConstraintDefNotNull(Byte kind) : TSQLMemConstraintDefNamed(kind) {
  ObjectId = 0;
}

void TSQLMemConstraintDefNotNull::LoadFromStream(TStream& stream) { LoadNamed<Byte>(*this, stream, kNotNullRead); }

void TSQLMemConstraintDefNotNull::SaveToStream(TStream& stream) const { SaveNamed<Byte>(*this, stream, kNotNullWrite); }

TSQLMemConstraintDefCheck::TSQLMemConstraintDefCheck() : TSQLMemConstraintDefNotNull(ckCheck) {}

void TSQLMemConstraintDefCheck::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemConstraintDefNamed::Assign(source);
  if (const auto* s = dynamic_cast<const TSQLMemConstraintDefCheck*>(&source)) {
    CopyVariant(MinValue, s->MinValue);
    CopyVariant(MaxValue, s->MaxValue);
  }
}

void TSQLMemConstraintDefCheck::LoadFromStream(TStream& stream) {
  LoadNamed<Byte>(*this, stream, kCheckRead);
  MinValue.LoadFromStream(stream);
  MaxValue.LoadFromStream(stream);
}

void TSQLMemConstraintDefCheck::SaveToStream(TStream& stream) const {
  SaveNamed<Byte>(*this, stream, kCheckWrite);
  MinValue.SaveToStream(stream);
  MaxValue.SaveToStream(stream);
}

TSQLMemConstraintDefUnique::TSQLMemConstraintDefUnique() : TSQLMemConstraintDefUnique(ckUnique) {}

TSQLMemConstraintDefUnique::TSQLMemConstraintDefUnique(Byte kind) : TSQLMemConstraintDefNamed(kind) {}

void TSQLMemConstraintDefUnique::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemConstraintDefNamed::Assign(source);
  if (const auto* s = dynamic_cast<const TSQLMemConstraintDefUnique*>(&source)) Columns = s->Columns;
}

void TSQLMemConstraintDefUnique::LoadFromStream(TStream& stream) {
  LoadNamed<Integer>(*this, stream, kUniqueRead);
  Columns = GetUniqueColumns(stream, kUniqueColumnsRead);
}

void TSQLMemConstraintDefUnique::SaveToStream(TStream& stream) const {
  SaveNamed<Integer>(*this, stream, kUniqueWrite);
  PutUniqueColumns(stream, Columns, kUniqueColumnsWrite);
}

TSQLMemConstraintDefPrimary::TSQLMemConstraintDefPrimary() : TSQLMemConstraintDefUnique(ckPrimary) {}

TSQLMemConstraintDefForeignKeyAction::TSQLMemConstraintDefForeignKeyAction()
    : TSQLMemConstraintDefForeignKeyAction(ckForeignKeyAction) {}

TSQLMemConstraintDefForeignKeyAction::TSQLMemConstraintDefForeignKeyAction(Byte kind) : TSQLMemConstraintDef(kind) {}

void TSQLMemConstraintDefForeignKeyAction::Assign(const TSQLMemMetaObjectDef& source) {
  TSQLMemMetaObjectDef::Assign(source);
  const auto* s = dynamic_cast<const TSQLMemConstraintDefForeignKeyAction*>(&source);
  if (s == nullptr) return;
  RelatedTableName = s->RelatedTableName;
  RelatedTableId = s->RelatedTableId;
  RelatedConstraintName = s->RelatedConstraintName;
  RelatedConstraintId = s->RelatedConstraintId;
  DeleteAction = s->DeleteAction;
  UpdateAction = s->UpdateAction;
  MatchType = s->MatchType;
  Columns = s->Columns;
}

void TSQLMemConstraintDefForeignKeyAction::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDef::LoadFromStream(stream);
  RelatedTableName = GetChars(stream, Get<Integer>(stream, 11398), 11399);
  RelatedTableId = Get<Integer>(stream, 11400);
  RelatedConstraintName = GetChars(stream, Get<Integer>(stream, 11439), 11440);
  RelatedConstraintId = Get<Integer>(stream, 11441);
  DeleteAction = Get<Byte>(stream, 11402);
  UpdateAction = Get<Byte>(stream, 11403);
  MatchType = Get<Byte>(stream, 11401);
  Columns = GetForeignKeyColumns(stream, kForeignKeyColumnsRead);
}

void TSQLMemConstraintDefForeignKeyAction::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDef::SaveToStream(stream);
  Put<Integer>(stream, CheckedCast<Integer>(RelatedTableName.size()), 11408);
  PutChars(stream, RelatedTableName, 11409);
  Put<Integer>(stream, RelatedTableId, 11410);
  Put<Integer>(stream, CheckedCast<Integer>(RelatedConstraintName.size()), 11436);
  PutChars(stream, RelatedConstraintName, 11437);
  Put<Integer>(stream, RelatedConstraintId, 11438);
  Put<Byte>(stream, DeleteAction, 11412);
  Put<Byte>(stream, UpdateAction, 11413);
  Put<Byte>(stream, MatchType, 11411);
  PutForeignKeyColumns(stream, Columns, kForeignKeyColumnsWrite);
}

TSQLMemConstraintDefForeignKey::TSQLMemConstraintDefForeignKey()
    : TSQLMemConstraintDefForeignKeyAction(ckForeignKey) {}

// ---------------------------------------------------------------------------------------------
// Lists

void TSQLMemMetaObjectDefs::AddItem(std::unique_ptr<TSQLMemMetaObjectDef> item) { Append(std::move(item)); }

void TSQLMemMetaObjectDefs::CheckItem(const TSQLMemMetaObjectDef* item) const {
  if (item == nullptr) SQLMemError(10425, SQLMemNilPointer);
  if (!Holds(*item)) throw EInvalidCast(AnsiString("Invalid item for ") + ClassName());
}

TSQLMemMetaObjectDef& TSQLMemMetaObjectDefs::Append(std::unique_ptr<TSQLMemMetaObjectDef> item) {
  CheckItem(item.get());
  items_.push_back(std::move(item));
  TSQLMemMetaObjectDef& added = *items_.back();
  ItemsChanged();
  return added;
}

TSQLMemMetaObjectDef& TSQLMemMetaObjectDefs::InternalAddCreated() {
  SQLMemError(30339, SQLMemMethodNotOverridden, {"InternalAddCreated", ClassName()});
}

void TSQLMemMetaObjectDefs::LoadFromStream(TStream& stream) {
  Clear();
  StreamCount = Get<Integer>(stream, 10159);
  CheckReadCount(stream, StreamCount, 1, 10159);
}

void TSQLMemMetaObjectDefs::SaveToStream(TStream& stream) const { Put<Integer>(stream, GetCount(), 10158); }

void TSQLMemMetaObjectDefs::Assign(const TSQLMemMetaObjectDefs& source) {
  Clear();
  for (const auto& item : source.items_) {
    if (IndexOfName(item->Name) >= 0) SQLMemError(10424, SQLMemDuplicateFieldName, {std::string_view(item->Name)});
    InternalAddCreated().Assign(*item);
  }
}

void TSQLMemMetaObjectDefs::Delete(Integer index) {
  CheckIndex(index, items_.size());
  items_.erase(items_.begin() + index);
  ItemsChanged();
}

void TSQLMemMetaObjectDefs::Insert(Integer index, std::unique_ptr<TSQLMemMetaObjectDef> item) {
  if (index < 0 || index > GetCount()) RaiseRangeError();
  CheckItem(item.get());
  items_.insert(items_.begin() + index, std::move(item));
  ItemsChanged();
}

void TSQLMemMetaObjectDefs::Move(Integer curIndex, Integer newIndex) {
  CheckIndex(curIndex, items_.size());
  CheckIndex(newIndex, items_.size());
  auto item = std::move(items_[static_cast<std::size_t>(curIndex)]);
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, std::move(item));
}

void TSQLMemMetaObjectDefs::Clear() {
  items_.clear();
  ItemsChanged();
}

TSQLMemMetaObjectDef& TSQLMemMetaObjectDefs::GetDef(Integer index) const {
  CheckIndex(index, items_.size());
  return *items_[static_cast<std::size_t>(index)];
}

void TSQLMemMetaObjectDefs::SetDef(Integer index, std::unique_ptr<TSQLMemMetaObjectDef> item) {
  CheckIndex(index, items_.size());
  CheckItem(item.get());
  items_[static_cast<std::size_t>(index)] = std::move(item);
  ItemsChanged();
}

Integer TSQLMemMetaObjectDefs::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (SameNameText(items_[i]->Name, name)) return static_cast<Integer>(i);
  return -1;
}

TSQLMemMetaObjectDef* TSQLMemMetaObjectDefs::FindByName(std::string_view name) const {
  const Integer i = IndexOfName(name);
  return i < 0 ? nullptr : &GetDef(i);
}

Integer TSQLMemMetaObjectDefs::IndexOfObjectID(Integer id) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->ObjectId == id) return static_cast<Integer>(i);
  return -1;
}

TSQLMemMetaObjectDef* TSQLMemMetaObjectDefs::FindByObjectID(Integer id) const {
  const Integer i = IndexOfObjectID(id);
  return i < 0 ? nullptr : &GetDef(i);
}

// ---- fields

void TSQLMemFieldDefs::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDefs::LoadFromStream(stream);
  for (Integer i = 0; i < StreamCount; ++i) {
    auto field = std::make_unique<TSQLMemFieldDef>();
    field->FormatVersion = FormatVersion;
    field->LoadFromStream(stream);
    Append(std::move(field));
  }
  UpdateLayout();
}

void TSQLMemFieldDefs::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDefs::SaveToStream(stream);
  for (Integer i = 0; i < GetCount(); ++i) {
    TSQLMemFieldDef& field = GetFieldDef(i);
    field.FormatVersion = FormatVersion;
    field.SaveToStream(stream);
  }
}

bool TSQLMemFieldDefs::Holds(const TSQLMemMetaObjectDef& item) const { return IsKind<TSQLMemFieldDef>(item); }

TSQLMemFieldDef& TSQLMemFieldDefs::GetFieldDef(Integer index) const {
  return static_cast<TSQLMemFieldDef&>(GetDef(index));
}

TSQLMemFieldDef& TSQLMemFieldDefs::AddFieldDef() {
  return static_cast<TSQLMemFieldDef&>(Append(std::make_unique<TSQLMemFieldDef>()));
}

TSQLMemFieldDef* TSQLMemFieldDefs::FindByName(std::string_view name) const {
  return static_cast<TSQLMemFieldDef*>(TSQLMemMetaObjectDefs::FindByName(name));
}

void TSQLMemFieldDefs::UpdateLayout() {
  HasBLOBOrVarString = HasAutoInc = HasDefaults = false;
  Integer recordOffset = NullBitmapSize();
  Integer compactOffset = recordOffset;
  for (Integer i = 0; i < GetCount(); ++i) {
    TSQLMemFieldDef& field = GetFieldDef(i);
    if (IsBLOBDataType(field.DataType) || IsVarStringDataType(field.DataType)) HasBLOBOrVarString = true;
    if (IsAutoIncFieldType(field.FieldType)) HasAutoInc = true;
    if (!field.DefaultValue.IsNull()) HasDefaults = true;
    field.RecordOffset = recordOffset;
    field.CompactOffset = compactOffset;
    recordOffset = CheckedAdd(recordOffset, field.DataSize);
    compactOffset = CheckedAdd(compactOffset, field.CompactSize);
  }
}

Integer TSQLMemFieldDefs::RecordSize() const {
  if (GetCount() == 0) SQLMemError(10131, SQLMemCreateTableNoFieldsSpecified);
  const TSQLMemFieldDef& last = GetFieldDef(GetCount() - 1);
  return CheckedAdd(last.RecordOffset, last.DataSize);
}

// ---- indexes

void TSQLMemIndexDefs::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDefs::LoadFromStream(stream);
  for (Integer i = 0; i < StreamCount; ++i) {
    auto index = std::make_unique<TSQLMemIndexDef>();
    index->LoadFromStream(stream);
    Append(std::move(index));
  }
}

void TSQLMemIndexDefs::SaveToStream(TStream& stream) const {
  Integer saved = 0;
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i).Temporary == 0) ++saved;
  Put<Integer>(stream, saved, 10343);
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i).Temporary == 0) GetItem(i).SaveToStream(stream);
}

bool TSQLMemIndexDefs::Holds(const TSQLMemMetaObjectDef& item) const { return IsKind<TSQLMemIndexDef>(item); }

TSQLMemIndexDef& TSQLMemIndexDefs::GetItem(Integer index) const {
  return static_cast<TSQLMemIndexDef&>(GetDef(index));
}

void TSQLMemIndexDefs::SetItem(Integer index, std::unique_ptr<TSQLMemIndexDef> item) { SetDef(index, std::move(item)); }

TSQLMemIndexDef& TSQLMemIndexDefs::AddIndexDef() {
  return static_cast<TSQLMemIndexDef&>(Append(std::make_unique<TSQLMemIndexDef>()));
}

TSQLMemIndexDef* TSQLMemIndexDefs::FindByName(std::string_view name) const {
  return static_cast<TSQLMemIndexDef*>(TSQLMemMetaObjectDefs::FindByName(name));
}

TSQLMemIndexDef* TSQLMemIndexDefs::FindPrimary() const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetItem(i).Primary != 0) return &GetItem(i);
  return nullptr;
}

namespace {

// A direction or case word that names one of two states demands it; any other word accepts either.
bool WordAccepts(const AnsiString& word, const char* whenClear, const char* whenSet, bool flag) {
  const AnsiString upper = UpperCase(word);
  if (upper == whenClear) return !flag;
  if (upper == whenSet) return flag;
  return true;
}

}  // namespace

Integer TSQLMemIndexDefs::FindIndexByColumns(const std::vector<AnsiString>* columns,
                                             const std::vector<AnsiString>* directions,
                                             const std::vector<AnsiString>* cases) const {
  if (columns == nullptr) SQLMemError(10389, SQLMemNilPointer);
  if (directions == nullptr) SQLMemError(10390, SQLMemNilPointer);
  if (cases == nullptr) SQLMemError(10391, SQLMemNilPointer);
  const auto n = static_cast<Integer>(columns->size());
  if (directions->size() != columns->size())
    SQLMemError(10276, SQLMemDifferentListsLength, {n, static_cast<Integer>(directions->size())});
  if (cases->size() != columns->size())
    SQLMemError(10277, SQLMemDifferentListsLength, {n, static_cast<Integer>(cases->size())});
  for (Integer i = 0; i < GetCount(); ++i) {
    const TSQLMemIndexDef& index = GetItem(i);
    if (index.GetColumnCount() < n) continue;
    bool matches = true;
    for (Integer c = 0; c < n && matches; ++c) {
      const TSQLMemIndexColumn& column = index.GetColumn(c);
      const auto k = static_cast<std::size_t>(c);
      matches = SameName(column.Name, (*columns)[k]) &&
                WordAccepts((*directions)[k], "ASC", "DESC", column.Descending != 0) &&
                WordAccepts((*cases)[k], "CASE", "NO_CASE", column.CaseInsensitive != 0);
    }
    if (matches) return index.ObjectId;
  }
  return -1;
}

// ---- constraints

void TSQLMemConstraintDefs::LoadFromStream(TStream& stream) {
  TSQLMemMetaObjectDefs::LoadFromStream(stream);
  for (Integer i = 0; i < StreamCount; ++i) {
    const Byte kind = Get<Byte>(stream, 10220);
    TSQLMemConstraintDef* def = AddByKind(kind);
    if (def == nullptr) SQLMemError(30316, SQLMemUnknownConstraintType, {kind});
    def->LoadFromStream(stream);
  }
}

void TSQLMemConstraintDefs::SaveToStream(TStream& stream) const {
  TSQLMemMetaObjectDefs::SaveToStream(stream);
  for (Integer i = 0; i < GetCount(); ++i) {
    const TSQLMemConstraintDef& def = GetConstraintDef(i);
    Put<Byte>(stream, def.Kind, 10219);
    def.SaveToStream(stream);
  }
}

void TSQLMemConstraintDefs::Assign(const TSQLMemMetaObjectDefs& source) {
  Clear();
  for (Integer i = 0; i < source.GetCount(); ++i) {
    const auto* item = dynamic_cast<const TSQLMemConstraintDef*>(&source.GetDef(i));
    TSQLMemConstraintDef* def = item == nullptr ? nullptr : AddByKind(item->Kind);
    if (def == nullptr) SQLMemError(30035, SQLMemNotImplementedYet);
    def->Assign(*item);
  }
}

bool TSQLMemConstraintDefs::Holds(const TSQLMemMetaObjectDef& item) const { return IsKind<TSQLMemConstraintDef>(item); }

void TSQLMemConstraintDefs::ItemsChanged() {
  HasForeignKeys = HasForeignKeyActions = false;
  for (Integer i = 0; i < GetCount(); ++i) {
    const Byte kind = GetConstraintDef(i).Kind;
    if (kind == ckForeignKey) HasForeignKeys = true;
    if (kind == ckForeignKeyAction) HasForeignKeyActions = true;
  }
}

TSQLMemConstraintDef& TSQLMemConstraintDefs::GetConstraintDef(Integer index) const {
  return static_cast<TSQLMemConstraintDef&>(GetDef(index));
}

TSQLMemConstraintDefPrimary& TSQLMemConstraintDefs::AddPrimary() {
  return static_cast<TSQLMemConstraintDefPrimary&>(Append(std::make_unique<TSQLMemConstraintDefPrimary>()));
}

TSQLMemConstraintDefForeignKey& TSQLMemConstraintDefs::AddForeignKey() {
  return static_cast<TSQLMemConstraintDefForeignKey&>(Append(std::make_unique<TSQLMemConstraintDefForeignKey>()));
}

TSQLMemConstraintDefUnique& TSQLMemConstraintDefs::AddUnique() {
  return static_cast<TSQLMemConstraintDefUnique&>(Append(std::make_unique<TSQLMemConstraintDefUnique>()));
}

TSQLMemConstraintDefNotNull& TSQLMemConstraintDefs::AddNotNull() {
  return static_cast<TSQLMemConstraintDefNotNull&>(Append(std::make_unique<TSQLMemConstraintDefNotNull>()));
}

TSQLMemConstraintDefCheck& TSQLMemConstraintDefs::AddCheck() {
  return static_cast<TSQLMemConstraintDefCheck&>(Append(std::make_unique<TSQLMemConstraintDefCheck>()));
}

TSQLMemConstraintDefForeignKeyAction& TSQLMemConstraintDefs::AddForeignKeyAction() {
  return static_cast<TSQLMemConstraintDefForeignKeyAction&>(
      Append(std::make_unique<TSQLMemConstraintDefForeignKeyAction>()));
}

TSQLMemConstraintDef* TSQLMemConstraintDefs::AddByKind(Byte kind) {
  switch (kind) {
    case ckPrimary: return &AddPrimary();
    case ckForeignKey: return &AddForeignKey();
    case ckUnique: return &AddUnique();
    case ckNotNull: return &AddNotNull();
    case ckCheck: return &AddCheck();
    case ckForeignKeyAction: return &AddForeignKeyAction();
    default: return nullptr;
  }
}

bool TSQLMemConstraintDefs::HasActions(Byte TSQLMemConstraintDefForeignKeyAction::*action) const {
  if (!HasForeignKeyActions) return false;
  for (Integer i = 0; i < GetCount(); ++i) {
    const auto* def = dynamic_cast<const TSQLMemConstraintDefForeignKeyAction*>(&GetConstraintDef(i));
    if (def != nullptr && def->Kind == ckForeignKeyAction && def->*action != 4) return true;
  }
  return false;
}

// ---- sequences

bool TSQLMemSequenceDefs::Holds(const TSQLMemMetaObjectDef& item) const { return IsKind<TSQLMemSequenceDef>(item); }

TSQLMemSequenceDef& TSQLMemSequenceDefs::GetSequenceDef(Integer index) const {
  return static_cast<TSQLMemSequenceDef&>(GetDef(index));
}

TSQLMemSequenceDef& TSQLMemSequenceDefs::AddSequenceDef() {
  return static_cast<TSQLMemSequenceDef&>(Append(std::make_unique<TSQLMemSequenceDef>()));
}
