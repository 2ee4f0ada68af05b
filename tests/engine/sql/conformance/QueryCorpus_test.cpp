// Corpus: grouping and aggregates, joins, set operations and SELECT ... INTO, compared with SQLite's
// answers.
#include "tests/engine/sql/conformance/Conformance.h"

namespace conformance {
namespace {

using enum Order;

const Case kGrouping[] = {
    {.name = "count_star", .sql = "select count(*) from people"},
    {.name = "count_column_skips_nulls", .sql = "select count(age), count(city) from people"},
    {.name = "count_distinct", .sql = "select count(distinct age) from people"},
    {.name = "sum_avg_min_max", .sql = "select sum(amount), avg(amount), min(amount), max(amount) from orders"},
    {.name = "aggregates_with_where", .sql = "select count(*), sum(amount) from orders where item = 'book'"},
    {.name = "min_max_text_one_case", .sql = "select min(item), max(item) from orders"},
    {.name = "avg_real", .sql = "select avg(score) from people where score is not null"},
    {.name = "group_by_one", .sql = "select item, count(*), sum(amount) from orders group by item"},
    {.name = "group_by_two", .sql = "select x, y, count(*) from a group by x, y"},
    {.name = "group_by_ordered", .sql = "select item, max(amount) from orders group by item order by item", .order = Ordered},
    {.name = "group_by_null_key", .sql = "select city, count(*) from people group by city"},
    {.name = "group_by_where", .sql = "select person, sum(amount) from orders where amount > 70 group by person"},
    {.name = "having_aggregate", .sql = "select item, count(*) from orders group by item having count(*) > 1"},
    {.name = "having_sum", .sql = "select person, sum(amount) from orders group by person having sum(amount) >= 250"},
    {.name = "having_on_key", .sql = "select s, min(v) from g group by s having s = 'k2'"},
    {.name = "group_expression_of_aggregates", .sql = "select s, max(v) - min(v) from g group by s"},
    {.name = "group_avg", .sql = "select s, avg(w) from g group by s"},
    {.name = "count_distinct_grouped", .sql = "select s, count(distinct v) from g group by s"},
    {.name = "sum_distinct", .sql = "select sum(distinct amount) from orders"},
    {.name = "group_order_by_aggregate", .sql = "select person, count(*) as c from orders group by person order by c desc, person", .order = Ordered},
};

const Case kJoins[] = {
    {.name = "comma_join", .sql = "select p.name, o.item from people p, orders o where p.id = o.person"},
    {.name = "inner_join", .sql = "select p.name, o.amount from people p inner join orders o on p.id = o.person"},
    {.name = "join_without_inner", .sql = "select p.name, o.amount from people p join orders o on o.person = p.id"},
    {.name = "left_join", .sql = "select p.id, o.id from people p left join orders o on p.id = o.person"},
    {.name = "left_outer_join", .sql = "select p.id, o.item from people p left outer join orders o on p.id = o.person"},
    {.name = "right_join", .sql = "select p.name, o.id from people p right join orders o on p.id = o.person"},
    {.name = "full_join", .sql = "select p.id, o.id from people p full join orders o on p.id = o.person"},
    {.name = "join_with_where", .sql = "select p.name, o.item from people p join orders o on p.id = o.person where o.amount > 100"},
    {.name = "left_join_on_extra_condition", .sql = "select p.id, o.id from people p left join orders o on p.id = o.person and o.amount > 100"},
    {.name = "left_join_where_on_right", .sql = "select p.id, o.id from people p left join orders o on p.id = o.person where o.item = 'book'"},
    {.name = "left_join_where_is_null", .sql = "select p.id from people p left join orders o on p.id = o.person where o.id is null"},
    {.name = "join_using", .sql = "select a.y, b.y from a join b using (x)"},
    {.name = "self_join", .sql = "select x1.k, x2.k from g x1 join g x2 on x1.v = x2.w"},
    {.name = "three_tables", .sql = "select p.name, o.item, h.u from people p join orders o on p.id = o.person join h on h.k = o.id"},
    {.name = "cross_join", .sql = "select a.x, b.x from a cross join b"},
    {.name = "join_grouped", .sql = "select p.name, count(*), sum(o.amount) from people p join orders o on p.id = o.person group by p.name"},
    {.name = "join_ordered", .sql = "select p.name, o.amount from people p join orders o on p.id = o.person order by o.amount, p.name", .order = Ordered},
    {.name = "join_on_text", .sql = "select a.x, b.x from a join b on a.y = b.y"},
};

const Case kSetOperations[] = {
    {.name = "union", .sql = "select x, y from a union select x, y from b"},
    {.name = "union_all", .sql = "select x, y from a union all select x, y from b"},
    {.name = "intersect", .sql = "select x, y from a intersect select x, y from b"},
    {.name = "except", .sql = "select x, y from a except select x, y from b"},
    {.name = "union_three", .sql = "select x from a union select x from b union select k from h"},
    {.name = "union_of_filtered", .sql = "select id from people where age > 40 union select person from orders where amount > 200"},
    {.name = "except_of_columns", .sql = "select id from people except select person from orders"},
    {.name = "union_of_aggregates", .sql = "select count(*) from a union all select count(*) from b"},
};

const Case kInto[] = {
    // INTO makes a table; the rows are read from it afterwards. SQLite spells it CREATE TABLE ... AS.
    {.name = "select_into", .sql = "select x, y from t_into", .setup = "select x, y into t_into from a where x > 1",
     .liteSetup = "create table t_into as select x, y from a where x > 1"},
};

INSTANTIATE_TEST_SUITE_P(Grouping, ConformanceTest, ::testing::ValuesIn(kGrouping), CaseName());
INSTANTIATE_TEST_SUITE_P(Join, ConformanceTest, ::testing::ValuesIn(kJoins), CaseName());
INSTANTIATE_TEST_SUITE_P(SetOperation, ConformanceTest, ::testing::ValuesIn(kSetOperations), CaseName());
INSTANTIATE_TEST_SUITE_P(Into, ConformanceTest, ::testing::ValuesIn(kInto), CaseName());

}  // namespace
}  // namespace conformance
