// Corpus: the deliberate differences of this engine from SQLite, each pinned by its golden result
// (the engine's documented answer), and the DDL statements, whose spellings differ from SQLite's.
#include "tests/engine/sql/conformance/Conformance.h"

namespace conformance {
namespace {

using enum Order;
constexpr Tag kEngine = Tag::EngineOnly;

const Case kDeviations[] = {
    // NULL handling: "<>" is true for NULL, every other comparison false, so NOT (x = 5) is true.
    {.name = "null_not_equal_is_true", .sql = "select id from people where age <> 25", .tag = kEngine,
     .golden = {"1", "3", "4", "6", "7", "8"}},
    {.name = "null_not_of_equal_is_true", .sql = "select id from people where not (age = 25)", .tag = kEngine,
     .golden = {"1", "3", "4", "6", "7", "8"}},
    {.name = "null_less_is_false", .sql = "select id from people where age < 30", .tag = kEngine, .golden = {"2", "5", "7"}},
    {.name = "equal_empty_is_null", .sql = "select id from people where city = ''", .tag = kEngine, .golden = {"4"}},
    {.name = "not_equal_empty_is_not_null", .sql = "select count(*) from people where city <> ''", .tag = kEngine,
     .golden = {"7"}},
    {.name = "equal_null_is_null", .sql = "select id from people where age = null", .tag = kEngine, .golden = {"3"}},
    {.name = "null_join_keys_match", .sql = "select p1.id, p2.id from people p1 join people p2 on p1.age = p2.age where p1.id = 3",
     .tag = kEngine, .golden = {"3|3"}},
    {.name = "in_list_with_null", .sql = "select x from a where x in (1, null)", .tag = kEngine, .golden = {"1"}},
    {.name = "not_in_list_with_null", .sql = "select x from a where x not in (1, null)", .tag = kEngine,
     .golden = {"2", "2", "3", "4"}},
    {.name = "null_arithmetic", .sql = "select 5 + age, age + 5 from people where id = 3", .tag = kEngine,
     .golden = {"NULL|5"}},
    {.name = "concatenating_null", .sql = "select name || city from people where id = 4", .tag = kEngine,
     .golden = {"'dora'"}},
    {.name = "length_of_null", .sql = "select length(city) from people where id = 4", .tag = kEngine, .golden = {"0"}},
    {.name = "sum_of_all_null", .sql = "select sum(age) from people where id = 3", .tag = kEngine, .golden = {"0"}},
    // Text.
    {.name = "like_double_percent", .sql = "select count(*) from a where 'a' like 'a%%'", .tag = kEngine, .golden = {"0"}},
    {.name = "lower_upper_cp1250", .sql = "select lower('\xC1RV\xCDZT\xDBR\xD5'), upper('\xE1rv\xEDzt\xFBr\xF5') from a where x = 1",
     .tag = kEngine, .golden = {"'\xE1rv\xEDzt\xFBr\xF5'|'\xC1RV\xCDZT\xDBR\xD5'"}},
    {.name = "trim_control_characters", .sql = "select trim('\t ab\r\n') from a where x = 1", .tag = kEngine,
     .golden = {"'ab'"}},
    {.name = "substring_from_zero", .sql = "select substring('hello', 0, 3) from a where x = 1", .tag = kEngine,
     .golden = {"'hel'"}},
    // Arithmetic and types.
    {.name = "plus_beside_text_concatenates", .sql = "select 1 + '2' from a where x = 1", .tag = kEngine, .golden = {"'12'"}},
    {.name = "division_by_zero", .sql = "select x / 0 from a", .tag = kEngine, .error = 30128},
    {.name = "integer_wraps", .sql = "select cast(2147483647 as integer) + x from a where x = 1", .tag = kEngine,
     .golden = {"-2147483648"}},
    {.name = "largeint_wraps", .sql = "select 9223372036854775807 + 1 from a where x = 1", .tag = kEngine,
     .golden = {"-9223372036854775808"}},
    {.name = "round_half_even", .sql = "select round(2.5), round(3.5), round(-2.5) from a where x = 1", .tag = kEngine,
     .golden = {"2|4|-2"}},
    {.name = "round_digits_half_up", .sql = "select round(2.25, 1) from a where x = 1", .tag = kEngine, .golden = {"2.3"}},
    // A number beside a text compares as text.
    {.name = "number_against_text", .sql = "select x from a where x = 'abc' or x = '3'", .tag = kEngine, .golden = {"3"}},
    {.name = "hexadecimal_dollar", .sql = "select $1F, 0x10 from a where x = 1", .tag = kEngine, .golden = {"31|16"}},
    {.name = "caret_is_xor", .sql = "select 6 ^ 3 from a where x = 1", .tag = kEngine, .golden = {"5"}},
    // Query semantics.
    {.name = "group_by_over_empty_input", .sql = "select y, count(*) from a where x > 100 group by y", .tag = kEngine,
     .golden = {"NULL|0"}},
    {.name = "group_concat_sorted", .sql = "select group_concat(y) from b", .tag = kEngine, .golden = {"'q,r,r,t'"}},
    {.name = "group_concat_descending", .sql = "select group_concat(desc y) from b", .tag = kEngine, .golden = {"'t,r,r,q'"}},
    {.name = "union_drops_unpaired_columns", .sql = "select x, y from a union select x from b", .tag = kEngine,
     .golden = {"1", "2", "3", "4", "5"}},
    {.name = "union_keeps_left_then_right", .sql = "select x from b union all select x from a", .order = Ordered,
     .tag = kEngine, .golden = {"2", "3", "3", "5", "1", "2", "2", "3", "4"}},
    {.name = "intersect_binds_tighter", .sql = "select x from a union select x from b intersect select k from h",
     .tag = kEngine, .golden = {"1", "2", "3", "4"}},
    {.name = "minus_is_except", .sql = "select x from a minus select x from b", .tag = kEngine, .golden = {"1", "4"}},
    {.name = "top_n", .sql = "select top 2 x from a order by x desc", .order = Ordered, .tag = kEngine, .golden = {"4", "3"}},
    {.name = "top_n_first", .sql = "select top 2, 3 x from a order by x", .order = Ordered, .tag = kEngine,
     .golden = {"2", "3"}},
    // Statements and syntax.
    {.name = "trailing_tokens_ignored", .sql = "select x from a where x = 1 these words are ignored", .tag = kEngine,
     .golden = {"1"}},
    {.name = "double_semicolon_stops", .sql = "select x from a where x = 1;; select x from b", .tag = kEngine,
     .golden = {"1"}},
    {.name = "double_quotes_are_strings", .sql = "select \"abc\" from a where y = \"q\"", .tag = kEngine,
     .golden = {"'abc'", "'abc'"}},
    {.name = "drop_missing_table", .sql = "drop table nosuch", .tag = kEngine, .kind = Kind::Change},
};

const Case kDDL[] = {
    {.name = "create_table", .sql = "select * from t", .setup = "create table t (i integer, s varchar(10), d double, b boolean)"},
    {.name = "create_table_primary_key", .sql = "select * from t",
     .setup = "create table t (i integer primary key, s varchar(10) not null)"},
    {.name = "create_table_unique", .sql = "select * from t", .setup = "create table t (i integer unique, s varchar(5))"},
    {.name = "create_existing_table_fails", .sql = "create table a (z integer)", .kind = Kind::Change, .error = -1},
    {.name = "drop_table", .sql = "select count(*) from b", .setup = "drop table a"},
    {.name = "drop_table_then_read_fails", .sql = "select * from a", .setup = "drop table a", .error = -1},
    {.name = "create_index", .sql = "select x from a where x = 2", .setup = "create index ax on a (x)"},
    {.name = "create_unique_index", .sql = "select id from people where name = 'eve'", .setup = "create unique index pn on people (name)"},
    {.name = "create_unique_index_over_duplicates_fails", .sql = "create unique index ax on a (x)", .kind = Kind::Change,
     .error = -1},
    {.name = "create_index_if_not_exists", .sql = "select count(*) from a",
     .setup = "create index ax on a (x); create index if not exists ax on a (y)"},
    {.name = "index_serves_order", .sql = "select x, y from a order by x desc, y", .order = Ordered,
     .setup = "create index ax on a (x desc)"},
    // The spellings of this engine.
    {.name = "drop_index_table_dot_index", .sql = "select x from a where x = 2", .tag = kEngine,
     .setup = "create index ax on a (x); drop index a.ax", .golden = {"2", "2"}},
    {.name = "alter_add_in_parentheses", .sql = "select x, z from a where x = 1", .tag = kEngine,
     .setup = "alter table a add (z integer)", .golden = {"1|NULL"}},
    {.name = "alter_add_column_without_parentheses", .sql = "alter table a add column z integer", .tag = kEngine,
     .kind = Kind::Change, .error = 30226},
    {.name = "alter_drop_column", .sql = "select * from a where x = 1", .tag = kEngine, .setup = "alter table a drop y",
     .golden = {"1"}},
    {.name = "alter_rename_column", .sql = "select z from a where x = 1", .tag = kEngine,
     .setup = "alter table a rename y to z", .golden = {"'p'"}},
    {.name = "rename_table", .sql = "select count(*) from c", .tag = kEngine, .setup = "rename table a to c",
     .golden = {"5"}},
    {.name = "alter_rename_to", .sql = "select count(*) from c", .tag = kEngine, .setup = "alter table a rename to c",
     .golden = {"5"}},
};

INSTANTIATE_TEST_SUITE_P(Deviation, ConformanceTest, ::testing::ValuesIn(kDeviations), CaseName());
INSTANTIATE_TEST_SUITE_P(DDL, ConformanceTest, ::testing::ValuesIn(kDDL), CaseName());

}  // namespace
}  // namespace conformance
