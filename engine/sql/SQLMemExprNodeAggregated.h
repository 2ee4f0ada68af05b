// The aggregate node: SUM, AVG, MIN, MAX, COUNT, COUNT(*) and GROUP_CONCAT over the rows of a group,
// which the group's owner feeds row by row. DISTINCT and GROUP_CONCAT keep the values seen in a private
// temporary table, indexed on the value, that lives as long as the node.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemTable;

class TSQLMemExprNodeAggregated : public TSQLMemExprNode {
 public:
  explicit TSQLMemExprNodeAggregated(Byte op);  // COUNT(*)
  // descending orders GROUP_CONCAT; separator (GROUP_CONCAT only) may be nullptr for ",".
  TSQLMemExprNodeAggregated(Byte op, bool descending, std::unique_ptr<TSQLMemExprNode> argument, bool distinct,
                            std::unique_ptr<TSQLMemExprNode> separator = nullptr);
  ~TSQLMemExprNodeAggregated() override;  // drops the temporary table

  // Clears the running state for a new group; DISTINCT and GROUP_CONCAT make a fresh temporary table
  // (without an argument they raise 11338).
  void StartAggregation() override;
  // Adds the current row, counted weight times by COUNT, COUNT(*) and AVG. NULLs count for nothing;
  // SUM and AVG of a value that is no number raise 30132 / 30133; another code raises 30134.
  void Accumulate(Integer weight) override;
  // SUM of no row is NULL and of NULLs only 0; AVG divides as a Double; COUNT is an Integer;
  // GROUP_CONCAT joins the values in index order with the separator.
  TSQLMemVariant& Evaluate() override;
  Integer GetResultType() const override;
  bool IsAggregated() const override { return true; }
  bool HasCountAll() const override { return operator_ == opCountAll; }

  // The name of the latest temporary table ("TEMPORARY_TABLE_..."); empty when none was made.
  const AnsiString& TemporaryTableName() const { return temporaryTableName_; }
  bool Distinct() const { return distinct_; }

 private:
  void MakeTemporaryTable();
  void DropTemporaryTable() noexcept;
  // Whether the table has no record of this value yet; if so, the value is added.
  bool Remember(const TSQLMemVariant& value);
  void BuildConcatenation();

  Integer count_ = 0;
  bool distinct_ = false;
  bool descending_ = false;
  TSQLMemVariant sum_;
  TSQLMemVariant work_;
  std::unique_ptr<TSQLMemTable> table_;
  AnsiString temporaryTableName_;
  AnsiString separator_;
  WideString wideSeparator_;
};
