// Corpus: single-table SELECT: select lists, WHERE predicates, expressions and functions, ORDER BY,
// DISTINCT and TOP, compared with SQLite's answers.
#include "tests/engine/sql/conformance/Conformance.h"

namespace conformance {
namespace {

using enum Order;

const Case kSelect[] = {
    // Select lists.
    {.name = "star", .sql = "select * from people"},
    {.name = "column_list", .sql = "select name, age from people"},
    {.name = "alias_as_and_bare", .sql = "select name as n, age years from people"},
    {.name = "table_star", .sql = "select p.* from people p"},
    {.name = "qualified_columns", .sql = "select people.id, people.city from people"},
    {.name = "expression_list", .sql = "select id, age + 1, age * 2 - id from people where age is not null"},
    {.name = "constant_column", .sql = "select x, 7, 'x' from a"},
    // WHERE.
    {.name = "where_equal", .sql = "select id from people where age = 25"},
    {.name = "where_less", .sql = "select id from people where age < 30"},
    {.name = "where_greater_equal", .sql = "select id from people where age >= 31"},
    {.name = "where_less_equal", .sql = "select id from people where age <= 25"},
    {.name = "where_text_equal", .sql = "select id from people where city = 'pecs'"},
    {.name = "where_text_less", .sql = "select id, name from people where name < 'dora'"},
    {.name = "where_and", .sql = "select id from people where age > 20 and city = 'szeged'"},
    {.name = "where_or", .sql = "select id from people where age < 20 or city = 'gyor'"},
    {.name = "where_and_or_precedence", .sql = "select id from people where city = 'pecs' or city = 'gyor' and age > 30"},
    {.name = "where_not_on_null_free", .sql = "select id from orders where not amount > 100"},
    {.name = "where_not_equal_null_free", .sql = "select id from orders where item <> 'book'"},
    {.name = "where_parenthesised", .sql = "select id from people where (age > 40 or age < 20) and active = true"},
    {.name = "where_is_null", .sql = "select id from people where age is null"},
    {.name = "where_is_not_null", .sql = "select id from people where city is not null"},
    {.name = "where_in_list", .sql = "select id from people where age in (25, 31, 99)"},
    {.name = "where_not_in_list", .sql = "select id from orders where amount not in (250, 60)"},
    {.name = "where_text_in_list", .sql = "select id from people where city in ('pecs', 'budapest')"},
    {.name = "where_between", .sql = "select id from people where age between 25 and 42"},
    {.name = "where_not_between", .sql = "select id from orders where amount not between 100 and 300"},
    {.name = "where_text_between", .sql = "select id from people where name between 'b' and 'e'"},
    {.name = "where_like_prefix", .sql = "select id from people where city like 'sz%'"},
    {.name = "where_like_inner", .sql = "select id from people where name like '%n%'"},
    {.name = "where_like_underscore", .sql = "select id from people where name like '_o_'"},
    {.name = "where_like_case_sensitive", .sql = "select id from people where name like 'f%'"},
    {.name = "where_not_like", .sql = "select id from orders where item not like 'b%'"},
    {.name = "where_constant_first", .sql = "select id from people where 40 < age"},
    {.name = "where_column_against_column", .sql = "select id from orders where amount > person * 50"},
    {.name = "where_boolean_column", .sql = "select id from people where active = false"},
    {.name = "where_real_compare", .sql = "select id from people where score > 3.4"},
    {.name = "where_true", .sql = "select x from a where true"},
    {.name = "where_false", .sql = "select x from a where false"},
    // Arithmetic and functions.
    {.name = "integer_arithmetic", .sql = "select id, amount + person, amount - 500, amount * 3, amount / 5 from orders"},
    {.name = "integer_modulo", .sql = "select id, amount % 7, mod(amount, 7) from orders"},
    {.name = "real_arithmetic", .sql = "select id, score * 2, score + 0.5 from people where score is not null"},
    {.name = "abs_sign", .sql = "select k, abs(v), sign(v) from g"},
    {.name = "ceil_floor", .sql = "select id, ceil(score), floor(score) from people where score is not null"},
    {.name = "power", .sql = "select k, power(k, 2) from g"},
    {.name = "concat_pipes", .sql = "select o.id, name || '-' || item from people p, orders o where p.id = o.person"},
    {.name = "upper_lower_ascii", .sql = "select upper(name), lower(name) from people"},
    {.name = "length", .sql = "select name, length(name) from people"},
    {.name = "trim_spaces", .sql = "select trim('  ab  '), ltrim('  ab'), rtrim('ab  ') from a where x = 1"},
    {.name = "substring_from_one", .sql = "select substring(name, 1, 2), substring(name, 2, 3) from people"},
    {.name = "substring_to_end", .sql = "select substring(name, 2) from people"},
    {.name = "round_digits", .sql = "select round(score, 1) from people where score is not null"},
    // ORDER BY.
    {.name = "order_by_column", .sql = "select id, age from people order by age, id", .order = Ordered},
    {.name = "order_by_desc", .sql = "select id, age from people order by age desc, id", .order = Ordered},
    {.name = "order_by_text", .sql = "select name from people order by name", .order = Ordered},
    {.name = "order_by_text_desc", .sql = "select city from people order by city desc", .order = Ordered},
    {.name = "order_by_position", .sql = "select name, age from people order by 2, 1", .order = Ordered},
    {.name = "order_by_two_columns", .sql = "select city, name from people order by city, name desc", .order = Ordered},
    {.name = "order_by_alias", .sql = "select name as n from people order by n", .order = Ordered},
    {.name = "order_by_real", .sql = "select id, score from people order by score, id", .order = Ordered},
    {.name = "order_by_expression_column", .sql = "select id, amount * 2 as twice from orders order by twice, id", .order = Ordered},
    // DISTINCT.
    {.name = "distinct_one_column", .sql = "select distinct age from people"},
    {.name = "distinct_two_columns", .sql = "select distinct x, y from a"},
    {.name = "distinct_ordered", .sql = "select distinct item from orders order by item", .order = Ordered},
    {.name = "distinct_with_nulls", .sql = "select distinct city from people"},
};

INSTANTIATE_TEST_SUITE_P(Select, ConformanceTest, ::testing::ValuesIn(kSelect), CaseName());

}  // namespace
}  // namespace conformance
