// The string-function node: concatenation, UPPER, LOWER, TRIM, LTRIM, RTRIM, LENGTH, POS and
// SUBSTRING. An operand that is not text is read as 8-bit text; wide text stays wide.
#pragma once
#include <array>
#include <cstddef>
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeStringFunction : public TSQLMemExprNode {
 public:
  using TSQLMemExprNode::TSQLMemExprNode;

  // UPPER, LOWER, TRIM and SUBSTRING of NULL are NULL; LENGTH and POS of NULL are 0. SUBSTRING counts
  // a start below 1 as 1 and stops at the end of the text. POS finds 8-bit text (Char, Varchar, Memo)
  // in 8-bit text bytewise, anything else as wide text. Another code raises 30131.
  TSQLMemVariant& Evaluate() override;
  // Concatenation the operands' common type; LENGTH and POS Integer; the others child 0's type.
  Integer GetResultType() const override;
  Integer GetResultSize() const override;

  // For a caller that maps LOWER's or UPPER's operand while it reads it (LIKE): the operand evaluated
  // once and read as 8-bit text when it is no text, with map set to the table its bytes map through.
  // A NULL or wide operand comes back already mapped, as Evaluate gives it, with map null.
  const TSQLMemVariant& EvaluateCaseOperand(const std::array<char, 256>*& map);
  // Evaluate's answer for the operand that EvaluateCaseOperand gave unmapped.
  const TSQLMemVariant& MapCaseOperand();

 private:
  // Borrows child index's value into work_, read as 8-bit text when it is no text.
  const TSQLMemVariant& TakeText(Integer index, TSQLMemVariant& work);
  void MapCase(bool upper);
  void MapCaseOf(const TSQLMemVariant& text, bool upper);
  void TrimText();
  void Position();
  void Substring();

  TSQLMemVariant work_, second_;
  AnsiString text_;
  WideString wide_, wideSecond_;
};

// The locale's lower and upper case of each Windows-1250 byte, as AnsiLowerCase and AnsiUpperCase map
// it; the tables are made once per thread and text locale, so case mapping costs a look-up per byte.
void LowerCaseBytes(char* text, std::size_t n);
void UpperCaseBytes(char* text, std::size_t n);
// The table those map through: entry b is the mapping of byte b.
const std::array<char, 256>& CaseMapTable(bool upper);
