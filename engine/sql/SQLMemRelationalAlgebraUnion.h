// The set operator of a query expression: UNION, INTERSECT and EXCEPT (MINUS) over two query blocks.
// Columns are paired by position, or by name with CORRESPONDING [BY (names)]; a pair whose types have
// no common type is left out. UNION gives the left input's rows, then the right's; INTERSECT and EXCEPT
// give the left rows that are (are not) found in the right input. Without ALL, duplicates are removed
// by the base operator's DISTINCT.
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
  // INTERSECT and EXCEPT: moves the left input to its next row that qualifies (from the current one).
  void SkipToQualifying();
  bool FoundInRight();

  Byte operation_;
  std::vector<Integer> leftNumbers_;
  std::vector<Integer> rightNumbers_;
  bool readingLeft_ = true;
  // INTERSECT and EXCEPT: the right input's rows, read once.
  std::vector<std::vector<std::unique_ptr<TSQLMemVariant>>> rightRows_;
  bool rightRowsRead_ = false;
};
