// Corpus: INSERT, UPDATE, DELETE and transactions, compared by the whole table afterwards and by the
// count of changed rows; sub-queries of every kind; the deviations of these statements by golden results.
#include "tests/engine/sql/conformance/Conformance.h"

namespace conformance {
namespace {

using enum Order;
constexpr Tag kEngine = Tag::EngineOnly;
constexpr Kind kChange = Kind::Change;

const Case kInsert[] = {
    {.name = "insert_values", .sql = "insert into a values (9, 'z')", .kind = kChange, .table = "a"},
    {.name = "insert_column_list", .sql = "insert into a (x, y) values (8, 'w')", .kind = kChange, .table = "a"},
    {.name = "insert_column_list_reordered", .sql = "insert into a (y, x) values ('v', 7)", .kind = kChange, .table = "a"},
    {.name = "insert_partial_column_list", .sql = "insert into people (id, name) values (20, 'zoe')", .kind = kChange,
     .table = "people"},
    {.name = "insert_null", .sql = "insert into a values (null, null)", .kind = kChange, .table = "a"},
    {.name = "insert_expressions", .sql = "insert into g values (11, 2 * 3, 7 - 9, 'k' || '4')", .kind = kChange,
     .table = "g"},
    {.name = "insert_real_and_boolean", .sql = "insert into people values (21, 'ida', 33, 'eger', 1.125, true)",
     .kind = kChange, .table = "people"},
    {.name = "insert_select", .sql = "insert into b select x, y from a where x > 2", .kind = kChange, .table = "b"},
    {.name = "insert_select_all", .sql = "insert into a select * from b", .kind = kChange, .table = "a"},
    {.name = "insert_select_renamed", .sql = "insert into h select k + 100 as k, v * w as u from g where s = 'k1'",
     .kind = kChange, .table = "h"},
    // Result columns pair with the target's by position, whatever their names.
    {.name = "insert_select_pairs_by_position", .sql = "insert into h select k + 100, v * w from g where s = 'k1'",
     .kind = kChange, .table = "h"},
    {.name = "insert_select_grouped_by_position", .sql = "insert into h select v, count(*) from g group by v",
     .kind = kChange, .table = "h"},
    {.name = "insert_into_new_table", .sql = "insert into t values (1, 'one')", .setup = "create table t (i integer, s varchar(5))",
     .kind = kChange, .table = "t"},
    // Constraint violations and count mismatches fail on both sides.
    {.name = "insert_duplicate_primary_key", .sql = "insert into people (id, name) values (1, 'dup')", .kind = kChange,
     .error = -1},
    {.name = "insert_duplicate_unique", .sql = "insert into t values (1)",
     .setup = "create table t (i integer unique); insert into t values (1)", .kind = kChange, .error = -1},
    {.name = "insert_not_null_violated", .sql = "insert into t (i) values (1)",
     .setup = "create table t (i integer, s varchar(5) not null)", .kind = kChange, .error = -1},
    {.name = "insert_too_few_values", .sql = "insert into a (x, y) values (1)", .kind = kChange, .error = -1},
    {.name = "insert_too_many_values", .sql = "insert into a (x) values (1, 'p')", .kind = kChange, .error = -1},
    {.name = "insert_missing_table", .sql = "insert into nosuch values (1)", .kind = kChange, .error = -1},
};

const Case kUpdate[] = {
    {.name = "update_constant", .sql = "update a set y = 'm' where x = 2", .kind = kChange, .table = "a"},
    {.name = "update_all_rows", .sql = "update orders set amount = amount + 1", .kind = kChange, .table = "orders"},
    {.name = "update_expression", .sql = "update g set v = v * 2 - w where k > 5", .kind = kChange, .table = "g"},
    {.name = "update_two_columns", .sql = "update people set age = 50, city = 'vac' where id = 3", .kind = kChange,
     .table = "people"},
    {.name = "update_to_null", .sql = "update people set score = null where score < 3", .kind = kChange, .table = "people"},
    {.name = "update_no_row", .sql = "update a set x = 0 where x > 100", .kind = kChange, .table = "a"},
    {.name = "update_text_concat", .sql = "update orders set item = item || 's' where amount > 200", .kind = kChange,
     .table = "orders"},
    {.name = "update_indexed_column", .sql = "update a set x = x + 10 where x < 3", .setup = "create index ax on a (x)",
     .kind = kChange, .table = "a"},
    {.name = "update_where_in", .sql = "update h set u = 0 where k in (2, 11)", .kind = kChange, .table = "h"},
    {.name = "update_primary_key_clash", .sql = "update people set id = 1 where id = 2", .kind = kChange, .error = -1},
};

const Case kDelete[] = {
    {.name = "delete_where", .sql = "delete from a where x = 2", .kind = kChange, .table = "a"},
    {.name = "delete_all", .sql = "delete from b", .kind = kChange, .table = "b"},
    {.name = "delete_no_row", .sql = "delete from a where x > 100", .kind = kChange, .table = "a"},
    {.name = "delete_where_null", .sql = "delete from people where age is null or city is null", .kind = kChange,
     .table = "people"},
    {.name = "delete_where_like", .sql = "delete from orders where item like 'b%'", .kind = kChange, .table = "orders"},
    {.name = "delete_where_expression", .sql = "delete from g where v + w > 8", .kind = kChange, .table = "g"},
    {.name = "delete_with_index", .sql = "delete from a where x >= 3", .setup = "create index ax on a (x)", .kind = kChange,
     .table = "a"},
    {.name = "delete_then_select", .sql = "select count(*), sum(amount) from orders", .setup = "delete from orders where person = 4"},
};

const Case kSubQueries[] = {
    {.name = "scalar_in_where", .sql = "select id from orders where amount > (select avg(amount) from orders)"},
    {.name = "scalar_in_select_list", .sql = "select id, (select max(amount) from orders) from people where id < 3"},
    {.name = "in_sub_query", .sql = "select name from people where id in (select person from orders where amount > 100)"},
    {.name = "not_in_sub_query", .sql = "select name from people where id not in (select person from orders)"},
    {.name = "exists", .sql = "select x from a where exists (select * from b where x = 5)"},
    {.name = "not_exists", .sql = "select x from a where not exists (select * from b where x = 9)"},
    {.name = "from_sub_query", .sql = "select t.x, t.c from (select x, count(*) as c from a group by x) t where t.c > 1"},
    {.name = "from_sub_query_with_where", .sql = "select s.k from (select k, v from g where v > 3) s where s.k < 8"},
    {.name = "sub_query_with_quotes", .sql = "select x from a where y in (select y from b where y <> 'it''s')"},
    {.name = "from_sub_query_with_quotes", .sql = "select t.y from (select y from a where y = 'q' or y = 'it''s') t"},
    {.name = "having_count_star", .sql = "select item, count(*) from orders group by item having count(*) = 1"},
    {.name = "update_from_sub_query", .sql = "update a set y = 'big' where x > (select avg(x) from b)", .kind = kChange,
     .table = "a"},
    {.name = "delete_with_in_sub_query", .sql = "delete from people where id in (select person from orders)",
     .kind = kChange, .table = "people"},
    {.name = "insert_select_with_sub_query", .sql = "insert into b select x, y from a where x not in (select x from b)",
     .kind = kChange, .table = "b"},
    // The engine's own answers.
    {.name = "scalar_of_no_row", .sql = "select (select x from a where x > 100) from b", .tag = kEngine, .error = 10848},
    {.name = "scalar_of_two_rows", .sql = "select x from a where x = (select x from b)", .tag = kEngine, .error = 10849},
};

const Case kChangeDeviations[] = {
    // Transactions are accepted and change nothing: ROLLBACK keeps what was done.
    {.name = "transaction_rollback_keeps", .sql = "select x from a where x > 3", .tag = kEngine,
     .setup = "start transaction; insert into a values (9, 'z'); rollback", .golden = {"4", "9"}},
    {.name = "transaction_commit", .sql = "select count(*) from b", .tag = kEngine,
     .setup = "start transaction; delete from b where x = 3; commit", .golden = {"2"}},
    // DEFAULT is evaluated once, when the table is made.
    {.name = "default_value", .sql = "select i, s from t", .tag = kEngine,
     .setup = "create table t (i integer, s varchar(5) default 'dflt'); insert into t (i) values (1)",
     .golden = {"1|'dflt'"}},
    // Rows changed, as the query component counts them.
    // DML never changes a copy of the table (here a result sorted into a work table).
    {.name = "delete_on_a_copy_refused", .sql = "delete from a where x > 1 order by y", .tag = kEngine, .kind = kChange,
     .error = 11351},
    {.name = "create_and_drop_database", .sql = "drop database memory conformance_db", .tag = kEngine,
     .setup = "create database memory conformance_db", .kind = kChange},
    {.name = "rows_affected_delete", .sql = "delete from a where x = 2", .tag = kEngine, .kind = kChange, .table = "a",
     .golden = {"1|'p'", "3|'r'", "4|'s'"}, .rowsAffected = 2},
};

INSTANTIATE_TEST_SUITE_P(Insert, ConformanceTest, ::testing::ValuesIn(kInsert), CaseName());
INSTANTIATE_TEST_SUITE_P(Update, ConformanceTest, ::testing::ValuesIn(kUpdate), CaseName());
INSTANTIATE_TEST_SUITE_P(Delete, ConformanceTest, ::testing::ValuesIn(kDelete), CaseName());
INSTANTIATE_TEST_SUITE_P(SubQuery, ConformanceTest, ::testing::ValuesIn(kSubQueries), CaseName());
INSTANTIATE_TEST_SUITE_P(ChangeDeviation, ConformanceTest, ::testing::ValuesIn(kChangeDeviations), CaseName());

}  // namespace
}  // namespace conformance
