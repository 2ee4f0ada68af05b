// The Boolean node: NOT, AND, OR, IN and NOT IN over a value list, BETWEEN and NOT BETWEEN, LIKE and
// NOT LIKE, IS NULL and IS NOT NULL. Results are Booleans or NULL (unknown).
#pragma once
#include <array>
#include <cstdint>
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExprNode.h"

// NOT (child 0) is NULL for NULL. AND (any number of children) is false when a child is false (later
// children are not evaluated), else NULL when a child is NULL; OR (two) likewise with true.
// IN (value, items...): NULL for a NULL value, else whether an item equals the value (case matters; a
// NULL item matches nothing, so 2 IN (1, NULL) is false). BETWEEN (value, low, high): NULL when any of
// them is NULL; text compares by CaseInsensitive, which the parser sets for BETWEEN. LIKE (text,
// pattern): NULL when either is NULL; "%" stands for any run, "_" for one character, no escape; a
// constant or parameter pattern is prepared once per binding and value. The NOT forms negate a
// non-NULL result.
class TSQLMemExprNodeBoolean : public TSQLMemExprNode {
 public:
  // The forms of the base: flags, then no to three children.
  using TSQLMemExprNode::TSQLMemExprNode;

  void BindCursor(TSQLMemCursor* cursor) override;
  void BindToOperator(TSQLMemColumnSource* source) override;
  // Another code raises 30116; LIKE over operands that do not meet as text raises 30120.
  TSQLMemVariant& Evaluate() override;
  Integer GetResultType() const override { return sftBoolean; }

  // How many times this node has prepared a LIKE pattern (each binding or new pattern value once).
  Integer PatternPreparations() const { return patternPreparations_; }

 private:
  // A constant pattern prepared for matching, and the value it was prepared from.
  struct TPreparedPattern {
    const TSQLMemExprNodeConst* source = nullptr;
    std::uint64_t valueGeneration = 0;
    std::unique_ptr<TSQLMemLikePattern> narrow;
    std::unique_ptr<TSQLMemLikePatternW> wide;
    // The narrow form matched against the operand of LOWER or UPPER, mapping each text byte.
    std::unique_ptr<TSQLMemLikePattern> narrowLower, narrowUpper;
  };
  void EvaluateIn();
  void EvaluateBetween();
  void EvaluateLike();
  template <typename Ch>
  bool Match(const TSQLMemVariant& text, const TSQLMemVariant& pattern, std::basic_string<Ch>& textScratch,
             std::basic_string<Ch>& patternScratch, const std::array<char, 256>* map);

  std::unique_ptr<TPreparedPattern> prepared_;
  Integer patternPreparations_ = 0;
  AnsiString narrowText_, narrowPattern_;  // operands that are not 8-bit text values, as 8-bit text
  WideString wideText_, widePattern_;      // operands of a wide match, copied out of their blocks
};
