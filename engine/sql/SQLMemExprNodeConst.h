// A literal of an expression, or the value of a statement parameter, which later executions replace.
#pragma once
#include <cstdint>
#include <string_view>
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeConst : public TSQLMemExprNode {
 public:
  explicit TSQLMemExprNodeConst(const TSQLMemVariant& value);  // keeps its own copy
  // The constant that stands for parameter name (found again by NameHash of the name).
  static std::unique_ptr<TSQLMemExprNodeConst> Parameter(std::string_view name, const TSQLMemVariant& value);

  TSQLMemVariant& Evaluate() override { return value_; }
  // The type of the value; 0 for an untyped NULL.
  Integer GetResultType() const override;
  // Bytes of a text value less its terminator (one byte for 8-bit text, two for wide text; memo
  // values have none); 0 for NULL and other types.
  Integer GetResultSize() const override;
  void CollectParameters(std::vector<TSQLMemExprNodeConst*>& list) override;

  // Replaces the value with an owned copy (a parameter's value for the next execution).
  void SetValue(const TSQLMemVariant& value);
  bool IsParameter() const { return isParameter_; }
  Cardinal ParamNameHash() const { return paramNameHash_; }
  // A number no other value of any constant had, renewed by SetValue: work prepared from the value (a
  // LIKE pattern) keeps it to tell when it is stale.
  std::uint64_t ValueGeneration() const { return valueGeneration_; }

 private:
  bool isParameter_ = false;
  Cardinal paramNameHash_ = 0;
  std::uint64_t valueGeneration_;
};
