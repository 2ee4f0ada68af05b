#include "engine/storage/SQLMemSQLProcessor.h"

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/CheckedInt.h"

namespace {
constexpr Cardinal kSignatureSeed = 0xF37ADE3B;
constexpr Integer kSignedParams = 256;  // the fold's position is one byte
}  // namespace

TSQLMemSQLParam::TSQLMemSQLParam(const AnsiString& name) : Name(name), NameHashValue(NameHash(name, true)) {}

TSQLMemSQLParam& TSQLMemSQLParams::Add(const AnsiString& name) {
  items_.push_back(std::make_unique<TSQLMemSQLParam>(name));
  return *items_.back();
}

TSQLMemSQLParam& TSQLMemSQLParams::GetItem(Integer index) const {
  CheckIndex(index, items_.size());
  return *items_[static_cast<std::size_t>(index)];
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
