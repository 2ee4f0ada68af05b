// The node every expression tree is made of: its operator code, its children (owned), its result value
// and the operations that owners run over a whole tree (binding, evaluation, aggregation, planning
// questions and name resolution). Also the operator codes with their printed names.
#pragma once
#include <memory>
#include <span>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemCursor;
class TSQLMemColumnSource;
class TSQLMemExprNodeConst;
class TStrings;
struct TSQLMemSelectListItem;

// Operator codes carried by every node (the parser, the nodes and the messages use the same numbers).
// Leaves (field and constant nodes) carry 0.
enum TSQLMemOperator : Byte {
  opEqual = 1,
  opNotEqual = 2,
  opGreater = 3,
  opLess = 4,
  opGreaterOrEqual = 5,
  opLessOrEqual = 6,
  opNot = 7,
  opAnd = 8,
  opOr = 9,
  opIn = 10,
  opNotIn = 11,
  opBetween = 12,
  opNotBetween = 13,
  opLike = 14,
  opNotLike = 15,
  opIsNullFunction = 16,  // ISNULL(a, b)
  opIsNull = 17,
  opIsNotNull = 18,
  opPlus = 21,            // "+" over two or more operands
  opNegate = 22,          // unary "-", also every subtracted operand
  opMultiply = 23,
  opDivide = 24,
  opConcat = 25,
  opUpper = 26,
  opLower = 27,
  opTrim = 28,
  opLTrim = 29,
  opRTrim = 30,
  opLength = 31,
  opPos = 32,
  opSubstring = 33,
  opSum = 34,
  opAvg = 35,
  opMin = 36,
  opMax = 37,
  opCount = 38,
  opCountAll = 39,
  opSysDate = 40,
  opCurrentDate = 41,
  opCurrentTime = 42,
  opToDate = 43,
  opToString = 44,
  opYear = 45,
  opQuarter = 46,
  opMonth = 47,
  opDay = 48,
  opWeekDay = 49,
  opDayOfWeek = 50,
  opDayName = 51,
  opMonthName = 52,
  opHour = 53,
  opMinute = 54,
  opSecond = 55,
  opMSecond = 56,
  opAbs = 57,
  opCeil = 58,
  opFloor = 59,
  opMod = 60,
  opPower = 61,
  opRandom = 62,
  opRound = 63,
  opSign = 64,
  opTrunc = 65,
  opBitNot = 66,
  opBitAnd = 67,
  opBitOr = 68,
  opShiftLeft = 69,
  opShiftRight = 70,
  opXor = 71,
  opHex = 72,
  opCast = 73,
  opLastAutoInc = 74,
  opToBlob = 75,
  opCumSum = 76,
  opCumProd = 77,
  opGroupConcat = 78,
};

// Single, Double, Extended and Currency: the types a running or aggregate sum keeps.
bool IsFloatOrCurrencyFieldType(Integer fieldType);

// The text messages print for an operator code: the operator or function name where it has one,
// "unknown" for every other code.
const char* OperatorName(Integer op);

// One node. A node owns its children and one value, which Evaluate overwrites and returns; values
// taken from children are borrowed, so a result holds only until the child is evaluated again.
// An owner drives a tree in this order: build; BindCursor or BindToOperator, then Reset; per record
// SetRecordBuffer where the record lives in a buffer, then Reset; Evaluate on the root.
class TSQLMemExprNode {
 public:
  // The flags steer text comparisons: caseInsensitive ignores letter case, partialCompare compares
  // only as many characters as the right operand has. Children are taken in order (child 0 first).
  TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare);
  TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare, std::unique_ptr<TSQLMemExprNode> child0);
  TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare, std::unique_ptr<TSQLMemExprNode> child0,
                  std::unique_ptr<TSQLMemExprNode> child1);
  TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare, std::unique_ptr<TSQLMemExprNode> child0,
                  std::unique_ptr<TSQLMemExprNode> child1, std::unique_ptr<TSQLMemExprNode> child2);
  virtual ~TSQLMemExprNode() = default;
  TSQLMemExprNode(const TSQLMemExprNode&) = delete;
  TSQLMemExprNode& operator=(const TSQLMemExprNode&) = delete;

  // ---- the operations over a tree; the base forwards each to the children ----
  virtual void Reset();
  // Every field of the subtree is a field of table (the source a table operator presents).
  virtual bool RefersOnlyToTable(TSQLMemColumnSource* table) const;
  // Some field of the subtree is found in source.
  virtual bool UsesOperator(TSQLMemColumnSource* source) const;
  virtual TSQLMemVariant& Evaluate() = 0;
  virtual bool IsAggregated() const;
  virtual bool HasCountAll() const;
  virtual void StartAggregation();
  virtual void Accumulate(Integer weight);
  virtual void BindToOperator(TSQLMemColumnSource* source);
  virtual void BindCursor(TSQLMemCursor* cursor);
  virtual void SetRecordBuffer(Byte* recordBuffer);
  // The SQL field type of the result: child 0's folded with each further child's by CommonFieldType;
  // 0 (no children, or types without a common one) raises 30283.
  virtual Integer GetResultType() const;
  // The size of a text result, 0 for other results (see the .cpp for the rules per operator).
  virtual Integer GetResultSize() const;
  virtual Integer GetResultAttribute() const { return 0; }
  // Every field of the subtree is found exactly once in source.
  virtual bool IsAvailableIn(TSQLMemColumnSource* source) const;
  // Whether the node equates a column of left with a column of right (only comparisons answer true).
  virtual bool IsJoinCondition(TSQLMemColumnSource* left, TSQLMemColumnSource* right) const;
  // Field nodes named like the alias of a plain column of the select list take that column's names.
  virtual void ResolveAliases(std::span<const TSQLMemSelectListItem> items);
  // The last child's answer; a field node answers the index of its name in list. -1 without children.
  virtual Integer FindInFieldList(const TStrings& list) const;
  // Adds the constant nodes that stand for statement parameters.
  virtual void CollectParameters(std::vector<TSQLMemExprNodeConst*>& list);
  // Every field node raises 11764: for expressions where no table is in scope.
  virtual void RaiseUnresolvedField() const;

  // ---- the tree ----
  Byte Operator() const { return operator_; }
  Integer ChildCount() const { return static_cast<Integer>(children_.size()); }
  TSQLMemExprNode& Child(Integer index) const;  // ERangeError outside 0..ChildCount - 1
  void AddChild(std::unique_ptr<TSQLMemExprNode> child);
  // Takes child out of the children and hands it over; nullptr when it is not a child.
  std::unique_ptr<TSQLMemExprNode> ReleaseChild(const TSQLMemExprNode* child);
  // The value of the last Evaluate.
  const TSQLMemVariant& Value() const { return value_; }

  bool CaseInsensitive;
  bool PartialCompare;  // compare only as many characters as the right operand has

 protected:
  // The node's value becomes child index's value converted to dataType (a NULL only takes the type);
  // conversions that fail raise 30051 / 30052.
  void TakeConverted(Integer index, Integer dataType);

  std::vector<std::unique_ptr<TSQLMemExprNode>> children_;
  Byte operator_;
  TSQLMemVariant value_;
};
