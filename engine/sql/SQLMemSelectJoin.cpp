// The join steps of the SELECT tree builder: a FROM clause of several entries and explicit joins
// becomes a left-deep tree of join operators over table operators.
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebraJoin.h"
#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "engine/sql/SQLMemSelect.h"

namespace {

// For USING: the column name qualified with the table of input that holds it (unqualified when none
// or several do, so that the join reports the name).
TSQLMemSelectListItem UsingField(TSQLMemAO& input, const AnsiString& name, const AnsiString& otherTable) {
  TSQLMemSelectListItem item;
  item.FieldName = name;
  TSQLMemIntegerArray matches(0, 4, 64);
  if (input.FindColumns(name, AnsiString(), matches, false) == 1) {
    const TSQLMemFieldLink& link = input.Column(matches.GetItem(0));
    item.TableName = link.TableAlias.empty() ? link.TableName : link.TableAlias;
  } else {
    // Not in this input: a qualifier naming the other side's table only keeps the look-up there.
    item.TableName = otherTable;
  }
  return item;
}

AnsiString AnyTableOf(TSQLMemAO& input) {
  for (Integer i = 0; i < input.ColumnCount(); ++i) {
    const TSQLMemFieldLink& link = input.Column(i);
    if (!link.TableAlias.empty()) return link.TableAlias;
    if (!link.TableName.empty()) return link.TableName;
  }
  return AnsiString();
}

// Conjuncts that no operator below root can test: a field that does not exist, or 30144.
void RejectRest(TSQLMemExpression& condition) {
  if (condition.IsEmpty()) return;
  condition.CheckNoFields();
  SQLMemError(30144, SQLMemSearchConditionNotApplicable);
}

}  // namespace

std::unique_ptr<TSQLMemAO> TSQLMemSQLSelect::BuildJoinTree() {
  std::unique_ptr<TSQLMemAO> root = BuildReference(*FromList[0]);
  // A comma join takes its keys from the WHERE; without any it is a cross join.
  for (std::size_t i = 1; i < FromList.size(); ++i) {
    std::unique_ptr<TSQLMemAO> right = BuildReference(*FromList[i]);
    TSQLMemFields first, second;
    if (Where != nullptr) ExtractJoinFields(*Where, *root, *right, first, second);
    const Byte type = first.Count() > 0 ? TSQLMemAOJoin::kInner : TSQLMemAOJoin::kCross;
    root = std::make_unique<TSQLMemAOJoin>(std::move(root), std::move(right), type, false, first, second);
  }
  return root;
}

std::unique_ptr<TSQLMemAO> TSQLMemSQLSelect::BuildReference(TSQLMemTableReference& ref) {
  // A joined table is always read into a copy: the join filters and walks it.
  if (ref.Kind != TSQLMemTableReference::kJoin) return SourceOperator(ref, false);
  std::unique_ptr<TSQLMemAO> left = BuildReference(*ref.Left);
  std::unique_ptr<TSQLMemAO> right = BuildReference(*ref.Right);
  Byte type = ref.JoinType;
  TSQLMemFields first, second;
  TSQLMemExpression* on = ref.OnCondition.get();
  if (!ref.Natural && type != TSQLMemAOJoin::kCross) {
    if (!ref.UsingFields.empty()) {
      const AnsiString leftTable = AnyTableOf(*left);
      const AnsiString rightTable = AnyTableOf(*right);
      for (const AnsiString& name : ref.UsingFields) {
        first.Add(UsingField(*left, name, rightTable));
        second.Add(UsingField(*right, name, leftTable));
      }
    } else {
      if (on != nullptr) ExtractJoinFields(*on, *left, *right, first, second);
      // An inner join also takes its keys from the WHERE; an outer join never does, since a WHERE
      // equality filters after null extension.
      if (type == TSQLMemAOJoin::kInner && Where != nullptr) ExtractJoinFields(*Where, *left, *right, first, second);
      // An inner join without equalities is a cross join filtered by its ON.
      if (type == TSQLMemAOJoin::kInner && first.Count() == 0) type = TSQLMemAOJoin::kCross;
    }
  }
  TSQLMemAO* nullSupplying = type == TSQLMemAOJoin::kLeft    ? right.get()
                             : type == TSQLMemAOJoin::kRight ? left.get()
                                                             : nullptr;
  auto join = std::make_unique<TSQLMemAOJoin>(std::move(left), std::move(right), type, ref.Natural, first, second);
  if (on == nullptr || on->IsEmpty()) return join;
  if (type == TSQLMemAOJoin::kCross || type == TSQLMemAOJoin::kInner) {
    PushDownConditions(*on, *join, false);
    RejectRest(*on);
    return join;
  }
  // An outer join's ON never filters its preserved side: a conjunct of the null-supplying side alone
  // filters that input, every other one is part of the match test of each candidate pair.
  if (nullSupplying != nullptr) PushDownConditions(*on, *nullSupplying, false);
  if (!on->IsEmpty()) join->SetMatchCondition(std::move(ref.OnCondition));
  return join;
}
