#include "engine/sql/SQLMemExprNodeConst.h"

#include <atomic>

#include "engine/foundation/SQLMemTypes.h"

namespace {

std::uint64_t NextValueGeneration() {
  static std::atomic<std::uint64_t> generation{0};
  return ++generation;
}

}  // namespace

TSQLMemExprNodeConst::TSQLMemExprNodeConst(const TSQLMemVariant& value)
    : TSQLMemExprNode(0, true, false), valueGeneration_(NextValueGeneration()) {
  value_.Assign(value, true);
}

std::unique_ptr<TSQLMemExprNodeConst> TSQLMemExprNodeConst::Parameter(std::string_view name,
                                                                      const TSQLMemVariant& value) {
  auto node = std::make_unique<TSQLMemExprNodeConst>(value);
  node->isParameter_ = true;
  node->paramNameHash_ = NameHash(name, true);
  return node;
}

Integer TSQLMemExprNodeConst::GetResultType() const { return DataTypeToFieldType(value_.DataType()); }

Integer TSQLMemExprNodeConst::GetResultSize() const {
  if (value_.IsNull() || !value_.IsText()) return 0;
  switch (value_.DataType()) {
    case edtChar:
    case edtVarchar: return value_.DataSize() - 1;
    case edtWideChar:
    case edtWideVarchar: return value_.DataSize() - 2;
    default: return value_.DataSize();
  }
}

void TSQLMemExprNodeConst::CollectParameters(std::vector<TSQLMemExprNodeConst*>& list) {
  if (isParameter_) list.push_back(this);
}

void TSQLMemExprNodeConst::SetValue(const TSQLMemVariant& value) {
  value_.Assign(value, true);
  valueGeneration_ = NextValueGeneration();
}
