// The set operator of a query expression: UNION, INTERSECT and EXCEPT (MINUS) over two query blocks.
// Columns are paired by position, or by name with CORRESPONDING [BY (names)]; a pair whose types have
// no common type is left out. UNION gives the left input's rows, then the right's; INTERSECT and EXCEPT
// give the rows of one input that are (are not) found in the other. Without ALL, duplicates are removed
// by the base operator's DISTINCT.
//
// INTERSECT and EXCEPT walk one input (the scanned) and look each row up by key in the other (the
// searched), whose result is indexed on its paired columns: EXCEPT searches the right input;
// INTERSECT searches the left, unless the left is a table operator, and then the right.
//
// The operator runs its inputs while it is built, so that its columns (and an ORDER BY after the last
// block) are known before the statement goes on; their table locks are given back when that fails.
#pragma once
#include <memory>
#include <vector>

#include "engine/sql/SQLMemRelationalAlgebra.h"

class TSQLMemAOUnion : public TSQLMemAO {
 public:
  enum : Byte { kUnion = 0, kIntersect = 1, kExcept = 2 };

  // 10339 when no column pair remains.
  TSQLMemAOUnion(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, Byte operation,
                 bool corresponding, bool distinct, const std::vector<AnsiString>& correspondingNames);
  ~TSQLMemAOUnion() override;

  // The inputs ran when the operator was built: only the operator's own rows are made here.
  void Execute(bool topLevel) override;
  // The inputs were locked when they ran.
  void LockTables() override {}

  Byte Operation() const { return operation_; }

 protected:
  void DoFirst() override;
  void DoNext() override;
  bool DoEof() override;
  Integer DoGetRecordCount() override;

 private:
  void RunInputs();
  void PairColumns(bool corresponding, const std::vector<AnsiString>& correspondingNames, bool distinct);
  void AddPair(Integer leftField, Integer rightField, bool distinct);
  // Every column reads the left (true) or the right input's result.
  void ReadFrom(bool left);
  TSQLMemAO& Searched() const { return searchedIsLeft_ ? *left_ : *right_; }
  TSQLMemAO& Scanned() const { return searchedIsLeft_ ? *right_ : *left_; }
  // The searched input's result gets an index on its paired fields (11701 when it is no table).
  void IndexSearchedResult();
  // INTERSECT and EXCEPT: moves the scanned input to its next row that qualifies (from the current one).
  void SkipToQualifying();
  // Looks the scanned row up in the searched result; found, the searched result stands on the match.
  bool FoundInSearched();

  Byte operation_;
  std::vector<Integer> leftNumbers_;
  std::vector<Integer> rightNumbers_;
  bool readingLeft_ = true;
  bool searchedIsLeft_ = false;
  bool searchedEmpty_ = false;
  TSQLMemVariant keyValue_;
  TSQLMemVariant storedKey_;
};
