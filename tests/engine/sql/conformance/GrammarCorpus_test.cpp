// Corpus: the remaining forms of the grammar: operator spellings, predicates and functions that only
// this engine has (golden), the join and set-operation variants, the table options of CREATE and ALTER,
// and the index mends (constant-first comparisons and NULLs under an index) beside SQLite.
#include "tests/engine/sql/conformance/Conformance.h"

namespace conformance {
namespace {

using enum Order;
constexpr Tag kEngine = Tag::EngineOnly;
constexpr Kind kChange = Kind::Change;

const Case kForms[] = {
    // Spellings SQLite shares.
    {.name = "bang_equal", .sql = "select id from orders where item != 'pen'"},
    {.name = "double_equal", .sql = "select id from orders where amount == 250"},
    {.name = "is_true_is_false", .sql = "select id from people where (age > 30) is true or (age < 20) is true"},
    {.name = "natural_join", .sql = "select a.x, b.y from a natural join b"},
    {.name = "parenthesised_join", .sql = "select p.id, o.id from (people p join orders o on p.id = o.person) where o.amount < 100"},
    {.name = "union_all_of_same_table", .sql = "select x from a where x < 3 union all select x from a where x > 2"},
    {.name = "trunc", .sql = "select trunc(score) from people where score is not null"},
    {.name = "bitwise_operators", .sql = "select k & 3, k | 8, k << 2, k >> 1 from g"},
    {.name = "nested_functions", .sql = "select upper(substring(name, 1, 1)) || lower(substring(name, 2)) from people"},
    // The index mends: the same rows with and without an index.
    {.name = "constant_first_with_index", .sql = "select id from people where 40 < age", .setup = "create index pa on people (age)"},
    {.name = "constant_first_less_equal_with_index", .sql = "select id from people where 25 >= age",
     .setup = "create index pa on people (age)"},
    {.name = "nulls_under_index_less", .sql = "select id from people where age < 30", .setup = "create index pa on people (age)"},
    {.name = "nulls_under_index_less_equal", .sql = "select id from people where age <= 31", .setup = "create index pa on people (age)"},
    {.name = "nulls_under_index_ordered", .sql = "select id, age from people where age < 100 order by age, id", .order = Ordered,
     .setup = "create index pa on people (age)"},
    {.name = "text_range_under_index", .sql = "select id from people where city < 'r'", .setup = "create index pc on people (city)"},
    // Forms of this engine only.
    // LIMIT is no word of this grammar: it and what follows are trailing tokens, ignored (TOP limits).
    {.name = "limit_is_a_trailing_token", .sql = "select x from a order by x limit 3", .order = Ordered, .tag = kEngine,
     .golden = {"1", "2", "2", "3", "4"}},
    {.name = "not_bang", .sql = "select x from a where !(x = 2)", .tag = kEngine, .golden = {"1", "3", "4"}},
    {.name = "is_unknown", .sql = "select id from people where (age > 30) is unknown", .tag = kEngine, .golden = {}},
    {.name = "isnull_predicate", .sql = "select id from people where isnull(age)", .tag = kEngine, .golden = {"3"}},
    {.name = "isnull_replacement", .sql = "select isnull(age, -1) from people where id = 3 or id = 1", .tag = kEngine,
     .golden = {"31", "-1"}},
    {.name = "position_and_pos", .sql = "select pos('n', name), position('a' in name) from people where id = 8",
     .tag = kEngine, .golden = {"3|2"}},
    {.name = "substring_from_for", .sql = "select substring(name from 2 for 3) from people where id = 8", .tag = kEngine,
     .golden = {"'ann'"}},
    {.name = "cast_to_text_and_number", .sql = "select cast(x as varchar) || '!', cast('12' as integer) + 1 from a where x = 1",
     .tag = kEngine, .golden = {"'1!'|13"}},
    {.name = "cumulative_sum", .sql = "select cumsum(k) from g where k < 5", .order = Ordered, .tag = kEngine,
     .golden = {"1", "3", "6", "10"}},
    {.name = "hex", .sql = "select hex(255) from a where x = 1", .tag = kEngine, .golden = {"'00000000000000FF'"}},
    {.name = "aggregate_distinct_before_parenthesis", .sql = "select count distinct (age) from people", .tag = kEngine,
     .golden = {"5"}},
    {.name = "corresponding", .sql = "select x, y from a union corresponding select y, x from b", .tag = kEngine,
     .golden = {"1|'p'", "2|'q'", "3|'r'", "4|'s'", "5|'t'"}},
    // INTERSECT ALL keeps every scanned row found in the searched side (here the table's own rows).
    {.name = "intersect_all", .sql = "select x from a intersect all select x from b", .tag = kEngine,
     .golden = {"2", "2", "3"}},
    {.name = "date_parts", .sql = "select year(todate('2024.03.15', 'yyyy.mm.dd')), month(todate('2024.03.15', 'yyyy.mm.dd')),"
                                  " day(todate('2024.03.15', 'yyyy.mm.dd')) from a where x = 1",
     .tag = kEngine, .golden = {"2024|3|15"}},
    {.name = "extract_and_tostring", .sql = "select extract(month from todate('2024.11.05', 'yyyy.mm.dd')),"
                                            " tostring(todate('2024.11.05', 'yyyy.mm.dd'), 'dd/mm/yyyy') from a where x = 1",
     .tag = kEngine, .golden = {"11|'05/11/2024'"}},
    // Table options and constraints.
    {.name = "create_table_options", .sql = "select * from t", .tag = kEngine,
     .setup = "create table t (i integer not null default 5 minvalue 0 maxvalue 9, s varchar(5) null, m memo,"
              " d date, c currency, l largeint, primary key pk (i desc))",
     .golden = {}},
    {.name = "foreign_key_restricts_insert", .sql = "insert into child values (1, 99)", .tag = kEngine,
     .setup = "create table parent (id integer, primary key (id)); insert into parent values (1);"
              " create table child (id integer, pid integer, foreign key fk (pid) references parent)",
     .kind = kChange, .error = -1},
    {.name = "alter_modify_column", .sql = "select x, y from a where x = 1", .tag = kEngine,
     .setup = "alter table a modify (y varchar(30))", .golden = {"1|'p'"}},
    {.name = "alter_add_primary_key", .sql = "insert into t values (3)", .tag = kEngine,
     .setup = "create table t (i integer); insert into t values (3); alter table t add primary key (i)", .kind = kChange,
     .error = -1},
    {.name = "create_index_nocase", .sql = "select id from people where name = 'eve'", .tag = kEngine,
     .setup = "create index pn on people (name nocase desc)", .golden = {"5"}},
    {.name = "drop_index_if_exists", .sql = "drop index if exists a.nosuch", .tag = kEngine, .kind = kChange},
    {.name = "drop_table_cascade", .sql = "select count(*) from b", .tag = kEngine, .setup = "drop table a cascade",
     .golden = {"4"}},
    {.name = "commit_noflush", .sql = "select count(*) from a", .tag = kEngine, .setup = "start transaction; commit noflush",
     .golden = {"5"}},
};

INSTANTIATE_TEST_SUITE_P(Grammar, ConformanceTest, ::testing::ValuesIn(kForms), CaseName());

}  // namespace
}  // namespace conformance
