// The query statements: a query expression of SELECT blocks joined by UNION, EXCEPT (or MINUS) and
// INTERSECT, each block with its select list, FROM clause (tables, joins, sub-queries), WHERE,
// GROUP BY, HAVING and ORDER BY. The whole grammar is read here; the operator tree is built for
// tables, FROM sub-queries and their joins, grouping, and set operations over blocks.
#pragma once
#include <memory>
#include <vector>

#include "engine/sql/SQLMemRelationalAlgebra.h"
#include "engine/sql/SQLMemSQLCommand.h"

class TSQLMemExpression;

// One entry of a FROM clause: a table, a join of two entries, or a sub-query.
struct TSQLMemTableReference {
  enum : Byte { kTable = 0, kJoin = 1, kSubQuery = 2 };
  enum : Byte { kCross = 0, kInner = 1, kLeft = 2, kRight = 3, kFull = 4 };

  TSQLMemTableReference();
  ~TSQLMemTableReference();
  TSQLMemTableReference(const TSQLMemTableReference&) = delete;
  TSQLMemTableReference& operator=(const TSQLMemTableReference&) = delete;

  // Turns the reference into a join: its present content becomes Left, right becomes Right.
  void MakeJoin(std::unique_ptr<TSQLMemTableReference> right, Byte joinType,
                std::unique_ptr<TSQLMemExpression> onCondition, std::vector<AnsiString> usingFields, bool natural);

  Byte Kind = kTable;
  AnsiString SessionName;
  AnsiString DatabaseName;
  AnsiString TableName;
  AnsiString SubQuerySQL;  // the sub-query's text, re-assembled from its tokens
  AnsiString Alias;
  AnsiString Password;
  bool InMemory = false;
  bool Natural = false;
  Byte JoinType = kCross;
  std::unique_ptr<TSQLMemTableReference> Left;
  std::unique_ptr<TSQLMemTableReference> Right;
  std::vector<AnsiString> UsingFields;  // the names of USING (empty without USING)
  std::unique_ptr<TSQLMemExpression> OnCondition;
};

// One SELECT block. It owns its expressions until the operator tree takes them over.
class TSQLMemSQLSelect : public TSQLMemSQLCursorCommand {
 public:
  TSQLMemSQLSelect(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLSelect() override;

  // Reads the block from SELECT on; the lexer is left on the first token after it.
  void Parse() override;
  // The block's operator tree. The tree takes the block's select list and conditions over, so a block
  // builds one tree.
  std::unique_ptr<TSQLMemAO> BuildOperatorTree() override;
  void FreeSelectExpressions() noexcept;
  // Whether the block needs aggregation: GROUP BY, or an aggregate in the select list.
  bool NeedsAggregation() const;

  bool Distinct = false;
  Integer TopCount = -1;
  Integer TopFirstRow = -1;
  bool SelectAll = false;
  std::vector<TSQLMemSelectListItem> SelectList;  // expressions owned by the block
  std::vector<std::unique_ptr<TSQLMemTableReference>> FromList;
  std::unique_ptr<TSQLMemExpression> Where;
  TSQLMemFields GroupBy;
  std::unique_ptr<TSQLMemExpression> Having;
  std::vector<TSQLMemSortSpecification> OrderBy;
  AnsiString SortIndexName;

 private:
  std::unique_ptr<TSQLMemExpression> NewExpression() const;
  std::unique_ptr<TSQLMemExpression> ParseCondition();
  void ParseTop();
  void ParseSelectList();
  // name.* as a select-list item (the expression grammar has no such value).
  bool ParseAllColumnsOf();
  void ParseInto();
  void ParseFrom();
  void ParseOrderBy();
  bool ParseSortSpecification();
  // A whole FROM entry with its joins; false when the current token cannot start one.
  bool ParseTableReference(TSQLMemTableReference& ref);
  // A FROM entry without the joins that follow it.
  bool ParsePrimaryReference(TSQLMemTableReference& ref);
  void ParseSubQuery(TSQLMemTableReference& ref);
  void ParseAlias(AnsiString& alias, Integer code);
  bool ParseJoin(TSQLMemTableReference& ref);
  bool IsAliasToken() const;
  // The operator tree of a FROM clause with joins or several tables (SQLMemSelectJoin.cpp).
  std::unique_ptr<TSQLMemAO> BuildJoinTree();
  std::unique_ptr<TSQLMemAO> BuildReference(TSQLMemTableReference& ref);
  // The table operator of a table or FROM sub-query reference; live: the result may be the source.
  std::unique_ptr<TSQLMemAO> SourceOperator(const TSQLMemTableReference& ref, bool live) const;
};

// A node of the query expression: a SELECT block, or a set operation over two nodes.
struct TSQLMemQueryExprNode {
  enum : Byte { kSelect = 0, kUnion = 1, kExcept = 2, kIntersect = 3 };
  Byte Kind = kSelect;
  std::unique_ptr<TSQLMemQueryExprNode> Left;
  std::unique_ptr<TSQLMemQueryExprNode> Right;
  bool All = false;
  bool Corresponding = false;
  std::vector<AnsiString> CorrespondingNames;  // the names of CORRESPONDING BY
  std::unique_ptr<TSQLMemSQLSelect> Select;
};

// The statement that starts with SELECT or "(": a query expression. INTERSECT binds tighter than UNION
// and EXCEPT; all are left-associative. Tokens after a complete query expression are not read.
class TSQLMemSQLUnion : public TSQLMemSQLCursorCommand {
 public:
  TSQLMemSQLUnion(TSQLMemLexer& lexer, const TSQLMemSQLContext& context);
  ~TSQLMemSQLUnion() override;

  void Parse() override;
  std::unique_ptr<TSQLMemAO> BuildOperatorTree() override;

  std::unique_ptr<TSQLMemQueryExprNode> Root;

 private:
  std::unique_ptr<TSQLMemQueryExprNode> ParseExpression();
  std::unique_ptr<TSQLMemQueryExprNode> ParseTerm();
  std::unique_ptr<TSQLMemQueryExprNode> ParsePrimary();
  // ALL and CORRESPONDING [BY (names)] after a set operation's word.
  void ParseSetOptions(TSQLMemQueryExprNode& node);
  static std::unique_ptr<TSQLMemQueryExprNode> Combine(std::unique_ptr<TSQLMemQueryExprNode> left, Byte kind,
                                                       std::unique_ptr<TSQLMemQueryExprNode> options,
                                                       std::unique_ptr<TSQLMemQueryExprNode> right);
  void TakeOverInto();
  // The operator tree of a node: a block's own tree, or a set operator over its two sides' trees.
  std::unique_ptr<TSQLMemAO> BuildSetOperation(TSQLMemQueryExprNode& node);
};
