#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"

#include "engine/dataset/SQLMemTable.h"
#include "engine/sql/SQLMemExprNodeBoolean.h"
#include "engine/sql/SQLMemExprNodeField.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"

namespace {

bool IsConjunction(const TSQLMemExprNode* node) {
  return node != nullptr && node->Operator() == opAnd && dynamic_cast<const TSQLMemExprNodeBoolean*>(node) != nullptr;
}

}  // namespace

void PushDownConditions(TSQLMemExpression& condition, TSQLMemAO& op, bool stop) {
  if (condition.IsEmpty()) return;
  if (!stop) {
    for (TSQLMemAO* input : {op.Left(), op.Right()})
      if (input != nullptr && op.PassesConditionsTo(*input)) PushDownConditions(condition, *input, false);
    if (condition.IsEmpty()) return;
  }
  std::vector<std::unique_ptr<TSQLMemExprNode>> moved;
  TSQLMemExprNode* root = condition.Root();
  if (IsConjunction(root)) {
    std::vector<TSQLMemExprNode*> takers;
    for (Integer i = 0; i < root->ChildCount(); ++i)
      if (root->Child(i).IsAvailableIn(&op)) takers.push_back(&root->Child(i));
    for (TSQLMemExprNode* node : takers) moved.push_back(root->ReleaseChild(node));
    if (root->ChildCount() == 0) condition.Clear();
  } else if (root->IsAvailableIn(&op)) {
    moved.push_back(condition.ReleaseRoot());
  }
  if (moved.empty()) return;
  std::unique_ptr<TSQLMemExpression> target = op.ReleaseCondition();
  if (target == nullptr) {
    target = std::make_unique<TSQLMemExpression>();
    target->Assign(condition);
  }
  for (auto& node : moved) target->AddCondition(std::move(node));
  op.SetCondition(std::move(target));
}

std::unique_ptr<TSQLMemExpression> ExtractTableCondition(TSQLMemExpression& condition, TSQLMemAOTable& table) {
  if (condition.IsEmpty()) return nullptr;
  TSQLMemExprNode* root = condition.Root();
  std::unique_ptr<TSQLMemExprNode> taken;
  if (IsConjunction(root)) {
    std::vector<TSQLMemExprNode*> collected;
    for (Integer i = 0; i < root->ChildCount(); ++i)
      if (root->Child(i).RefersOnlyToTable(&table)) collected.push_back(&root->Child(i));
    if (collected.empty()) return nullptr;
    if (collected.size() == 1) {
      taken = root->ReleaseChild(collected[0]);
    } else {
      taken = std::make_unique<TSQLMemExprNodeBoolean>(opAnd, root->CaseInsensitive, root->PartialCompare);
      for (TSQLMemExprNode* node : collected) taken->AddChild(root->ReleaseChild(node));
    }
    if (root->ChildCount() == 0) condition.Clear();
  } else if (root->RefersOnlyToTable(&table)) {
    taken = condition.ReleaseRoot();
  } else {
    return nullptr;
  }
  auto filter = std::make_unique<TSQLMemExpression>();
  filter->Assign(condition);
  filter->SetRoot(std::move(taken));
  if (table.SourceDataSet() != nullptr && table.SourceDataSet()->Cursor() != nullptr)
    filter->BindCursor(table.SourceDataSet()->Cursor());
  return filter;
}

void ExtractJoinFields(TSQLMemExpression& condition, TSQLMemAO& left, TSQLMemAO& right, TSQLMemFields& first,
                       TSQLMemFields& second) {
  if (condition.IsEmpty()) return;
  const auto addPair = [&](const TSQLMemExprNode& equality) {
    for (Integer side = 0; side < 2; ++side) {
      const auto& field = dynamic_cast<const TSQLMemExprNodeField&>(equality.Child(side));
      TSQLMemSelectListItem item;
      item.TableName = field.TableName();
      item.FieldName = field.FieldName();
      (side == 0 ? first : second).Add(item);
    }
  };
  TSQLMemExprNode* root = condition.Root();
  if (IsConjunction(root)) {
    std::vector<TSQLMemExprNode*> taken;
    for (Integer i = 0; i < root->ChildCount(); ++i)
      if (root->Child(i).IsJoinCondition(&left, &right)) taken.push_back(&root->Child(i));
    for (TSQLMemExprNode* node : taken) addPair(*root->ReleaseChild(node));
    if (root->ChildCount() == 0) condition.Clear();
  } else if (root->IsJoinCondition(&left, &right)) {
    addPair(*condition.ReleaseRoot());
  }
}
