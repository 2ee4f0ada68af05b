// Where the conjuncts of a WHERE go before any row is read: each to the deepest query operator that
// can test it, and a table operator's own terms into its table's cursor as a filter. A conjunct is an
// operand of a root AND, or the root itself when it is not an AND; moved nodes belong to their new
// expression, and an expression may end empty.
#pragma once
#include <memory>

class TSQLMemAO;
class TSQLMemAOTable;
class TSQLMemExpression;

// Hands the conjuncts of condition down the tree below op: each goes to the deepest operator whose
// columns hold all its fields (each found once), joining that operator's own condition; without stop
// the inputs are served first (as far as PassesConditionsTo lets them). What no operator takes stays
// in condition.
void PushDownConditions(TSQLMemExpression& condition, TSQLMemAO& op, bool stop);

// Takes the conjuncts of condition that refer to table's fields alone (the whole root when it is not
// an AND) out of it and returns them as one expression bound to the table's cursor; nullptr when there
// are none. The condition must be bound to table. An AND left without operands empties condition.
std::unique_ptr<TSQLMemExpression> ExtractTableCondition(TSQLMemExpression& condition, TSQLMemAOTable& table);

class TSQLMemFields;

// Takes the equalities between a field of left and a field of right (each found once on its side)
// out of the conjuncts of condition and appends their two fields, pair by pair, to first and second.
// 10404 or 10405 for a name that both sides hold.
void ExtractJoinFields(TSQLMemExpression& condition, TSQLMemAO& left, TSQLMemAO& right, TSQLMemFields& first,
                       TSQLMemFields& second);
