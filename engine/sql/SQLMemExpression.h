// The engine's condition object: a tree of expression nodes (field references, constants, comparisons
// and Boolean operators) that filters, Locate, foreign-key checks and table scans evaluate on record
// buffers, with the builders that make conditions without parsing text and the extraction of
// index-servable comparisons for table scans.
#pragma once
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemVariant.h"
#include "engine/sql/SQLMemExprNode.h"
#include "engine/sql/SQLMemExprNodeBoolean.h"
#include "engine/sql/SQLMemExprNodeComparison.h"
#include "engine/sql/SQLMemExprNodeConst.h"
#include "engine/sql/SQLMemExprNodeField.h"
#include "vcl/rtl/SysTypes.h"
#include "vcl/rtl/Variant.h"

class TSQLMemCursor;
class TSQLMemIndexDef;
class TSQLMemIndexDefs;
class TSQLMemConstraintDefForeignKeyAction;
class TStrings;

// Clears list, then fills it with the items of a ";"-separated text, each trimmed of blanks and
// upper-cased; empty items stay, a trailing ";" adds nothing. Field lists of ORDER BY and Locate.
void SplitNameList(TStrings& list, const AnsiString& text);

class TSQLMemExpression {
 public:
  TSQLMemExpression() = default;
  ~TSQLMemExpression() = default;
  TSQLMemExpression(const TSQLMemExpression&) = delete;
  TSQLMemExpression& operator=(const TSQLMemExpression&) = delete;

  bool IsEmpty() const { return root_ == nullptr; }
  TSQLMemExprNode* Root() const { return root_.get(); }
  void Clear();
  // Hands the root over (the expression is empty afterwards) / takes a root over; binding is the
  // caller's. The planners of the query operators move conjuncts between expressions through them.
  std::unique_ptr<TSQLMemExprNode> ReleaseRoot() { return std::move(root_); }
  void SetRoot(std::unique_ptr<TSQLMemExprNode> root) { root_ = std::move(root); }

  // Binds every field node to the field of that name in cursor (missing: 30115), then resets.
  void BindCursor(TSQLMemCursor* cursor);
  // Binds every field node to its column in a query operator's columns (30197 unless found exactly
  // once), then resets.
  void BindToOperator(TSQLMemColumnSource* source);
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
