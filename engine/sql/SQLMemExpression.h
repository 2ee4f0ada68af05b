// The engine's condition object: a tree of expression nodes (field references, constants, comparisons
// and Boolean operators) that filters, Locate, foreign-key checks and table scans evaluate on record
// buffers, with the builders that make conditions without parsing text and the extraction of
// index-servable comparisons for table scans.
#pragma once
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"
#include "vcl/rtl/Variant.h"

class TSQLMemCursor;
class TSQLMemIndexDef;
class TSQLMemIndexDefs;
class TSQLMemConstraintDefForeignKeyAction;

// Operator codes carried by every node (the parser and the messages use the same numbers).
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
};

// One node. A node owns its children and one value, which Evaluate overwrites and returns; values
// taken from children are borrowed, so a result holds only until the child is evaluated again.
class TSQLMemExprNode {
 public:
  TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare);
  virtual ~TSQLMemExprNode() = default;
  TSQLMemExprNode(const TSQLMemExprNode&) = delete;
  TSQLMemExprNode& operator=(const TSQLMemExprNode&) = delete;

  virtual void Reset();
  virtual TSQLMemVariant& Evaluate() = 0;
  virtual void BindCursor(TSQLMemCursor* cursor);
  virtual void SetRecordBuffer(Byte* recordBuffer);

  Byte Operator() const { return operator_; }
  Integer ChildCount() const { return static_cast<Integer>(children_.size()); }
  TSQLMemExprNode& Child(Integer index) const;  // ERangeError outside 0..ChildCount - 1
  void AddChild(std::unique_ptr<TSQLMemExprNode> child);
  // Takes child out of the children and hands it over; nullptr when it is not a child.
  std::unique_ptr<TSQLMemExprNode> ReleaseChild(const TSQLMemExprNode* child);

  bool CaseInsensitive;
  bool PartialCompare;  // compare only as many characters as the right operand has

 protected:
  std::vector<std::unique_ptr<TSQLMemExprNode>> children_;
  Byte operator_;
  TSQLMemVariant value_;
};

// A column of a cursor's table, read from the record buffer the node is set to.
class TSQLMemExprNodeField : public TSQLMemExprNode {
 public:
  // With a cursor the node binds at once.
  TSQLMemExprNodeField(TSQLMemCursor* cursor, const AnsiString& tableName, const AnsiString& fieldName);
  // Finds the field among the cursor's table fields, else among its projected fields (taking the table
  // field that one shows); a nil cursor raises 30202, a missing field 30115. Then reads from the
  // cursor's current record buffer.
  void BindCursor(TSQLMemCursor* cursor) override;
  void SetRecordBuffer(Byte* recordBuffer) override { recordBuffer_ = recordBuffer; }
  // NULL when the buffer's null bit is set; otherwise the cursor reads the field from the node's buffer.
  // Without a buffer 30196, without a cursor 11300.
  TSQLMemVariant& Evaluate() override;

  const AnsiString& FieldName() const { return fieldName_; }
  TSQLMemCursor* Cursor() const { return cursor_; }
  Integer ColumnIndex() const { return columnIndex_; }  // table field number, -1 until bound
  Byte DataType() const { return dataType_; }
  Integer DeclaredSize() const { return declaredSize_; }

 private:
  TSQLMemCursor* cursor_ = nullptr;
  Byte* recordBuffer_ = nullptr;
  AnsiString tableName_;
  AnsiString fieldName_;
  Integer columnIndex_ = -1;
  Integer dataSize_ = 0;
  Byte fieldType_ = 0;
  Byte dataType_ = 0;
  Integer declaredSize_ = 0;
};

// A literal value.
class TSQLMemExprNodeConst : public TSQLMemExprNode {
 public:
  explicit TSQLMemExprNodeConst(const TSQLMemVariant& value);  // keeps its own copy
  TSQLMemVariant& Evaluate() override { return value_; }
  const TSQLMemVariant& Value() const { return value_; }
  void SetValue(const TSQLMemVariant& value) { value_.Assign(value, true); }
};

// "=", "<>", ">", "<", ">=", "<=" between children 0 and 1. The result is a Boolean, never NULL. With
// rawNull a NULL side makes every comparison false except "<>"; without it NULL sorts first and NULL
// equals NULL.
class TSQLMemExprNodeComparison : public TSQLMemExprNode {
 public:
  TSQLMemExprNodeComparison(Byte op, std::unique_ptr<TSQLMemExprNode> left, std::unique_ptr<TSQLMemExprNode> right,
                            bool rawNull, bool caseInsensitive, bool partialCompare);
  // A wide constant compared with an 8-bit text field is converted to 8-bit text once.
  void Reset() override;
  TSQLMemVariant& Evaluate() override;  // another code raises 30117

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

// NOT (child 0), AND (any number of children), OR (two). Three-valued: AND is false when a child is
// false (later children are not evaluated), else NULL when a child is NULL; OR likewise with true.
class TSQLMemExprNodeBoolean : public TSQLMemExprNode {
 public:
  TSQLMemExprNodeBoolean(Byte op, bool caseInsensitive, bool partialCompare);
  TSQLMemVariant& Evaluate() override;  // another code raises 30116
};

class TSQLMemExpression {
 public:
  TSQLMemExpression() = default;
  ~TSQLMemExpression() = default;
  TSQLMemExpression(const TSQLMemExpression&) = delete;
  TSQLMemExpression& operator=(const TSQLMemExpression&) = delete;

  bool IsEmpty() const { return root_ == nullptr; }
  TSQLMemExprNode* Root() const { return root_.get(); }
  void Clear();

  // Binds every field node to the field of that name in cursor (missing: 30115), then resets.
  void BindCursor(TSQLMemCursor* cursor);
  // Every field node reads from recordBuffer from now on; then resets.
  void SetRecordBuffer(Byte* recordBuffer);
  void Reset();
  // The condition's truth on the current buffers. An empty expression lets every record pass; a NULL
  // result counts as false.
  bool GetBooleanValue();

  // Adds node to the condition: the root when empty; joined to a root AND; otherwise a new AND over
  // the old root and node.
  void AddCondition(std::unique_ptr<TSQLMemExprNode> node);

  // fieldNames lists names separated by ";"; keyValues is one value or an array of one per name. One
  // name gives one "=" comparison, several an AND of them in order; NULL equals NULL. A count mismatch
  // raises 30112.
  void BuildLocateCondition(TSQLMemCursor* cursor, const AnsiString& fieldNames, const Variant& keyValues,
                            bool caseInsensitive, bool partialKey);
  // The referenced side of a foreign key: column i of the primary index (fields of cursor) equals the
  // current value of the foreign key's column i in otherCursor; NULL values add no comparison, so an
  // all-NULL key leaves the expression empty.
  void BuildForeignKeyCondition(TSQLMemCursor* cursor, TSQLMemCursor* otherCursor, const TSQLMemIndexDef& primaryIndex,
                                const TSQLMemConstraintDefForeignKeyAction& foreignKey);
  // The referencing side: the child's foreign-key column i (fields of cursor) equals the parent's
  // current value of primary-index column i (otherCursor). A NULL parent value adds no comparison,
  // except under match type 2, where every column is compared by SQL rules (NULL matches nothing).
  void BuildReferencingKeyCondition(TSQLMemCursor* cursor, TSQLMemCursor* otherCursor,
                                    const TSQLMemIndexDef& primaryIndex,
                                    const TSQLMemConstraintDefForeignKeyAction& foreignKey);
  // True when the root, or an operand of a root AND, is an equality that no record can meet.
  bool HasImpossibleTextEquality() const;
  // Takes every comparison that an index of indexDefs can serve out of the condition: each becomes a
  // scan condition of conditions (its search value in a record buffer of the field's cursor) and a
  // pending entry, until AddFromList gives it back. What stays is evaluated per record.
  void ExtractScanConditions(const TSQLMemIndexDefs& indexDefs, TSQLMemScanSearchConditionArray& conditions,
                             TSQLMemScanPendingList& pending);

  bool CaseInsensitive = false;
  bool PartialCompare = false;
  bool NullSemantics = true;  // SQL rule for NULL in comparisons; off for Locate and foreign keys

 private:
  void StartBuild(TSQLMemCursor* cursor, bool nullSemantics);
  void AddEquality(const AnsiString& fieldName, const TSQLMemVariant& value);
  void FinishBuild();
  void AddScanCondition(TSQLMemExprNodeComparison& comparison, const TSQLMemIndexDef& indexDef,
                        TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending);
  std::vector<TSQLMemExprNode*> Conjuncts() const;

  TSQLMemCursor* cursor_ = nullptr;
  std::unique_ptr<TSQLMemExprNode> root_;
};

// Start-up step of the expression unit: installs the scan-condition services of the foundation.
void StartExpressionUnit();
void StopExpressionUnit() noexcept;
