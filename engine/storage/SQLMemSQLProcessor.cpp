#include "engine/storage/SQLMemSQLProcessor.h"

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {
constexpr Cardinal kSignatureSeed = 0xF37ADE3B;
constexpr Integer kSignedParams = 256;  // the fold's position is one byte
}  // namespace

TSQLMemSQLParam::TSQLMemSQLParam(const AnsiString& name) : Name(name), NameHashValue(NameHash(name, true)) {}

void TSQLMemSQLParam::SetName(const AnsiString& name) {
  Name = name;
  NameHashValue = NameHash(name, true);
}

void TSQLMemSQLParam::Assign(const TSQLMemVariant& source, bool copyData) { Value.Assign(source, copyData); }

void TSQLMemSQLParam::Assign(const TSQLMemSQLParam& source, bool copyData) {
  if (&source == this) return;
  Value.Assign(source.Value, copyData);
  SetName(source.Name);
}

void TSQLMemSQLParam::SaveToStream(TStream& stream) const {
  const Integer length = CheckedCast<Integer>(Name.size());
  StreamWriteValue<Integer>(stream, length, 11192);
  if (length > 0) StreamWriteChecked(Name.data(), length, stream, 11193);
  Value.SaveToStream(stream);
}

void TSQLMemSQLParam::LoadFromStream(TStream& stream) {
  const Integer length = StreamReadValue<Integer>(stream, 11190);
  const Int64 position = stream.Position();
  const Int64 size = stream.Size();
  // A damaged length is refused before a name buffer is made for it.
  if (length < 0 || length > size - position)
    SQLMemError(11191, SQLMemCannotReadBlockFromStream, {position, size, length, 0});
  AnsiString name(static_cast<std::size_t>(length), '\0');
  if (length > 0) StreamReadChecked(name.data(), length, stream, 11191);
  SetName(name);
  Value.LoadFromStream(stream);
}

TSQLMemSQLParam& TSQLMemSQLParams::Add(const AnsiString& name) {
  items_.push_back(std::make_unique<TSQLMemSQLParam>(name));
  return *items_.back();
}

TSQLMemSQLParam& TSQLMemSQLParams::GetItem(Integer index) const {
  if (index < 0 || index >= GetCount()) RaiseListIndexError(index);
  return *items_[static_cast<std::size_t>(index)];
}

TSQLMemSQLParam* TSQLMemSQLParams::FindParam(std::string_view name) const {
  for (const auto& param : items_)
    if (SameNameText(param->Name, name)) return param.get();
  return nullptr;
}

Integer TSQLMemSQLParams::IndexOfHash(Cardinal hash) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->NameHashValue == hash) return static_cast<Integer>(i);
  return -1;
}

Integer TSQLMemSQLParams::GetValueSignature() const {
  Cardinal signature = kSignatureSeed;
  const Integer count = std::min(GetCount(), kSignedParams);
  for (Integer p = 0; p < count; ++p)
    signature = MixInt32Bytes(signature, items_[static_cast<std::size_t>(p)]->Value.GetHash(), static_cast<Cardinal>(p));
  return static_cast<Integer>(signature);
}

void TSQLMemSQLProcessor::Prepare() {
  NeedsPreparation = 0;
  if (Params.GetCount() > 0) {
    const Integer signature = Params.GetValueSignature();
    if (FirstPreparation == 0 && signature != ParamSignature) Unprepare();
    ParamSignature = signature;
  }
  FirstPreparation = 0;
  RowsTotal = 0;
}
