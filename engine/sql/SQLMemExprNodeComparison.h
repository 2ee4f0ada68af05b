// The comparison node: "=", "<>", ">", "<", ">=", "<=" between two operands, and IS [NOT] NULL of one,
// with the index-scan questions the table scans ask of a field-constant comparison.
#pragma once
#include "engine/sql/SQLMemExprNodeConst.h"
#include "engine/sql/SQLMemExprNodeField.h"

class TSQLMemIndexDef;

// The result is a Boolean, never NULL. With rawNull (SQL statements and filters) a NULL side makes
// every comparison false except "<>", which is true; without it (Locate, foreign keys) NULL sorts
// before every value and NULL equals NULL. Text compares by the locale, ignoring case with
// CaseInsensitive and only the right operand's length with PartialCompare.
class TSQLMemExprNodeComparison : public TSQLMemExprNode {
 public:
  // IS NULL and IS NOT NULL take a nullptr right operand (or a NULL constant, which is not read).
  TSQLMemExprNodeComparison(Byte op, std::unique_ptr<TSQLMemExprNode> left, std::unique_ptr<TSQLMemExprNode> right,
                            bool rawNull, bool caseInsensitive, bool partialCompare);
  // A wide constant compared with an 8-bit text field is converted to 8-bit text once.
  void Reset() override;
  TSQLMemVariant& Evaluate() override;  // another code raises 30117
  Integer GetResultType() const override { return sftBoolean; }
  // "=" between two fields, each found exactly once over both sources and the two in different ones.
  // A field found more than once raises 10404 (the left field) or 10405 (the right one).
  bool IsJoinCondition(TSQLMemColumnSource* left, TSQLMemColumnSource* right) const override;

  // The field and the constant of a field-constant comparison (either side); nullptr otherwise.
  TSQLMemExprNodeField* FieldOperand() const;
  TSQLMemExprNodeConst* ConstOperand() const;
  // Whether the index can serve this comparison: its first column is the field, with the same case
  // rule for text, no partial compare, and not "<>".
  bool IsIndexUsableForComparison(const TSQLMemIndexDef& indexDef) const;
  // "=" between a text field and a non-NULL constant longer than the field can hold.
  bool IsConstantLongerThanField() const;

  bool RawNull;
};
