// The engine's condition object: a tree of expression nodes (field references, constants, comparisons
// and Boolean operators) that filters, Locate, foreign-key checks and table scans evaluate on record
// buffers, with the builders that make conditions without parsing text and the extraction of
// index-servable comparisons for table scans.
#pragma once
#include <memory>
#include <span>
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
class TSQLMemLexer;
class TSQLMemSQLParams;
class TStrings;
struct TSQLMemFilterOptions;

// Clears list, then fills it with the items of a ";"-separated text, each trimmed of blanks and
// upper-cased; empty items stay, a trailing ";" adds nothing. Field lists of ORDER BY and Locate.
void SplitNameList(TStrings& list, const AnsiString& text);

class TSQLMemExpression {
 public:
  TSQLMemExpression();
  // Takes root as the expression's tree.
  explicit TSQLMemExpression(std::unique_ptr<TSQLMemExprNode> root);
  static std::unique_ptr<TSQLMemExpression> CreateWithRoot(std::unique_ptr<TSQLMemExprNode> root);
  ~TSQLMemExpression();
  TSQLMemExpression(const TSQLMemExpression&) = delete;
  TSQLMemExpression& operator=(const TSQLMemExpression&) = delete;

  // Takes source's lexer, flags, database and session names and a copy of its parameter values (none
  // when source has none). The tree is not shared: this expression keeps its own root.
  void Assign(const TSQLMemExpression& source);

  // ---- parsing (the grammar is in SQLMemExpressionParser.cpp) ----
  // Clears the expression and parses one condition from the lexer's current token; an AND at the top
  // takes the operands of inner ANDs. The lexer is left on the first token after the condition. With
  // a cursor set the field nodes are bound to it. No token to start with raises 30118.
  void ParseCondition(TSQLMemLexer& lexer);
  // Parses one value expression from the lexer's current token into the root (which must be empty).
  // No token to start with raises 30136.
  void ParseValueExpression(TSQLMemLexer& lexer);
  // A filter text over cursor's fields: the options' flags steer text comparisons (a constant ending
  // in "*" compares as a prefix with PartialCompare). A blank text raises 30119.
  void ParseText(TSQLMemCursor* cursor, const AnsiString& text, const TSQLMemFilterOptions& options);

  // The root's value (owned by the root, valid until it is evaluated again); nullptr when empty. A NULL
  // result becomes false in place unless keepNull.
  TSQLMemVariant* GetValue(bool keepNull);

  // ---- questions and walks over the tree (an empty expression answers false, 0 or nothing) ----
  bool ContainsAggregate() const;
  bool ContainsCountStar() const;
  bool IsCountStar() const;
  void ResetAggregates();
  void AccumulateAggregates(Integer count);
  Integer GetResultType() const;
  Integer GetResultSize() const;
  Integer GetResultAttribute() const;
  void ResolveAliases(std::span<const TSQLMemSelectListItem> items);
  void CollectParameters(std::vector<TSQLMemExprNodeConst*>& list);
  void CheckNoFields() const;  // every field node raises 11764
  bool IsField() const;
  bool IsConstant() const;
  bool IsNullConstant() const;
  // The root field's qualifier and column; a root that is no field raises 30198.
  void GetFieldName(AnsiString& tableName, AnsiString& fieldName) const;

  TSQLMemLexer* Lexer() const { return lexer_; }
  TSQLMemCursor* Cursor() const { return cursor_; }
  void SetCursor(TSQLMemCursor* cursor) { cursor_ = cursor; }
  TSQLMemSQLParams* Params() const { return params_.get(); }
  // A copy of params becomes the expression's parameter values (nullptr drops them).
  void SetParams(const TSQLMemSQLParams* params);

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
  // The statement's database, which sub-query and LASTAUTOINC nodes open tables in.
  bool InMemory = false;
  AnsiString DatabaseName;
  AnsiString SessionName;

 private:
  void StartBuild(TSQLMemCursor* cursor, bool nullSemantics);
  void AddEquality(const AnsiString& fieldName, const TSQLMemVariant& value);
  void FinishBuild();
  void AddScanCondition(TSQLMemExprNodeComparison& comparison, const TSQLMemIndexDef& indexDef,
                        TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending);
  std::vector<TSQLMemExprNode*> Conjuncts() const;

  TSQLMemCursor* cursor_ = nullptr;
  TSQLMemLexer* lexer_ = nullptr;  // borrowed while and after parsing
  std::unique_ptr<TSQLMemExprNode> root_;
  std::unique_ptr<TSQLMemSQLParams> params_;
};

// The SQL field type of a type name (upper-cased; the first row of the type map that has it); 0 when
// no row has it. CAST and column definitions read type names through it.
Integer FieldTypeByName(const AnsiString& name);
// The first type-map name of a field type code; empty when none.
AnsiString DataTypeName(Integer fieldType);

// Start-up step of the expression unit: installs the scan-condition services of the foundation.
void StartExpressionUnit();
void StopExpressionUnit() noexcept;
