#include "vcl/db/Params.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"

namespace {

template <class E, class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

std::vector<std::string> NamesOf(const TParams& params) {
  std::vector<std::string> names;
  for (int i = 0; i < params.Count(); ++i) names.push_back(params.Items(i)->Name());
  return names;
}

// ---- ParseSQL ----

TEST(ParseSQL, DiarySearchHasOneUntypedParameter) {
  TParams params;
  const AnsiString text = params.ParseSQL("select * from fans where lower(Text) like :p order by Title", true);
  EXPECT_EQ(text, "select * from fans where lower(Text) like ? order by Title");
  ASSERT_EQ(params.Count(), 1);
  EXPECT_EQ(params.Items(0)->Name(), "p");
  EXPECT_EQ(params.Items(0)->DataType(), ftUnknown);
  EXPECT_EQ(params.Items(0)->ParamType(), ptUnknown);
  EXPECT_TRUE(params.Items(0)->IsNull());
  EXPECT_FALSE(params.Items(0)->Bound());
}

TEST(ParseSQL, MarkersLiteralsAndComments) {
  struct Case {
    const char* sql;
    const char* text;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"where a = :a and b = :b", "where a = ? and b = ?", {"a", "b"}},
      // Colons inside literals of every quoting kind are text.
      {"select '12:30', :p from t", "select '12:30', ? from t", {"p"}},
      {"select \"a:b\", `c:d`, [e:f] from t where x = :x", "select \"a:b\", `c:d`, [e:f] from t where x = ?", {"x"}},
      {"where s = 'it''s :no' and t = :yes", "where s = 'it''s :no' and t = ?", {"yes"}},
      {"select 'abc :p", "select 'abc :p", {}},  // an open literal runs to the end
      // "::" is an escaped colon.
      {"select a::b, :c", "select a:b, ?", {"c"}},
      {"select :::x", "select :?", {"x"}},
      // One parameter per name, case ignored, first spelling kept.
      {"where a = :p or b = :P or c = :q or d = :p", "where a = ? or b = ? or c = ? or d = ?", {"p", "q"}},
      // Quoted names, with doubled quotes inside.
      {"where a = :\"my param\" and b = :'x y' and c = :`k`", "where a = ? and b = ? and c = ?", {"my param", "x y", "k"}},
      {"where a = :\"a\"\"b\"", "where a = ?", {"a\"b"}},
      {"where a = :\"abc", "where a = :\"abc", {}},  // unterminated: no marker
      {"where a = :\"\"", "where a = :\"\"", {}},      // empty name: no marker
      // Names end at anything but letters, digits and '_'.
      {"where a=:last", "where a=?", {"last"}},
      {"where a=:p1,b=:p_2) and c=:t.x", "where a=?,b=?) and c=?.x", {"p1", "p_2", "t"}},
      {"where a = :d\xE1tum", "where a = ?", {"d\xE1tum"}},  // Windows-1250 letters belong to names
      // A colon without a name after it is left alone.
      {"a := 1; b : c; :1; :(x); [y]:[z]; x:", "a := 1; b : c; :1; :(x); [y]:[z]; x:", {}},
      // Comments hide markers and quotes.
      {"select 1 -- don't :a\nfrom t where x = :b /* :c ' */ and y = :d",
       "select 1 -- don't :a\nfrom t where x = ? /* :c ' */ and y = ?", {"b", "d"}},
      {"select 1 /* :open", "select 1 /* :open", {}},
      {"a - :b / :c", "a - ? / ?", {"b", "c"}},
      // What positional markers become before the query parses its text.
      {"select * from t where a = :`p` and b = :SQLMem_MS_Param0 ; ",
       "select * from t where a = ? and b = ? ; ", {"p", "SQLMem_MS_Param0"}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    TParams params;
    EXPECT_EQ(params.ParseSQL(c.sql, true), c.text) << c.sql;
    EXPECT_EQ(NamesOf(params), c.names) << c.sql;
  }
}

TEST(ParseSQL, WithoutCreationTheListIsLeftAlone) {
  TParams params;
  params.CreateParam(ftString, "old", ptInput)->SetAsString("kept");
  EXPECT_EQ(params.ParseSQL("select :new", false), "select ?");
  EXPECT_EQ(NamesOf(params), std::vector<std::string>{"old"});
  EXPECT_EQ(params.Items(0)->AsString(), "kept");

  // With creation the list becomes the text's parameters.
  params.ParseSQL("select :new", true);
  EXPECT_EQ(NamesOf(params), std::vector<std::string>{"new"});
}

TEST(ParseSQL, ValuesSurviveATextChangeByName) {
  // A query re-parses a changed text into a new list and carries the old values over by name.
  TParams old;
  old.ParseSQL("where a = :p and b = :gone", true);
  old.ParamByName("p")->SetAsString("%nap%");
  old.ParamByName("gone")->SetAsInteger(3);

  TParams fresh;
  fresh.ParseSQL("where x = :P and y = :q", true);
  fresh.AssignValues(old);
  EXPECT_EQ(NamesOf(fresh), (std::vector<std::string>{"p", "q"}));
  EXPECT_EQ(fresh.Items(0)->DataType(), ftString);
  EXPECT_EQ(fresh.Items(0)->AsString(), "%nap%");
  EXPECT_TRUE(fresh.Items(0)->Bound());
  EXPECT_TRUE(fresh.Items(1)->IsNull());
  EXPECT_EQ(fresh.Items(1)->DataType(), ftUnknown);
}

// ---- TParam ----

TEST(Param, TypedSettersSetTheirFieldType) {
  struct Case {
    const char* what;
    std::function<void(TParam&)> set;
    TFieldType type;
    TVarType varType;
    std::function<void(const TParam&)> check;
  };
  const Case cases[] = {
      {"AsString", [](TParam& p) { p.SetAsString("abc"); }, ftString, varString,
       [](const TParam& p) { EXPECT_EQ(p.AsString(), "abc"); }},
      {"AsInteger", [](TParam& p) { p.SetAsInteger(-42); }, ftInteger, varInteger,
       [](const TParam& p) {
         EXPECT_EQ(p.AsInteger(), -42);
         EXPECT_EQ(p.AsString(), "-42");
         EXPECT_EQ(p.AsFloat(), -42.0);
       }},
      {"AsSmallInt", [](TParam& p) { p.SetAsSmallInt(-7); }, ftSmallint, varSmallint,
       [](const TParam& p) { EXPECT_EQ(p.AsSmallInt(), -7); }},
      {"AsWord", [](TParam& p) { p.SetAsWord(65535); }, ftWord, varWord,
       [](const TParam& p) { EXPECT_EQ(p.AsInteger(), 65535); }},
      {"AsLargeInt", [](TParam& p) { p.SetAsLargeInt(Int64{1} << 40); }, ftLargeint, varInt64,
       [](const TParam& p) {
         EXPECT_EQ(p.AsLargeInt(), Int64{1} << 40);
         EXPECT_THROW(p.AsInteger(), EVariantOverflowError);
       }},
      {"AsFloat", [](TParam& p) { p.SetAsFloat(2.5); }, ftFloat, varDouble,
       [](const TParam& p) {
         EXPECT_EQ(p.AsFloat(), 2.5);
         EXPECT_EQ(p.AsInteger(), 2);  // half to even
       }},
      {"AsCurrency", [](TParam& p) { p.SetAsCurrency(Currency::FromRaw(12345)); }, ftCurrency, varCurrency,
       [](const TParam& p) { EXPECT_EQ(p.AsCurrency(), Currency::FromRaw(12345)); }},
      {"AsBCD", [](TParam& p) { p.SetAsBCD(Currency(3)); }, ftBCD, varCurrency,
       [](const TParam& p) { EXPECT_EQ(p.AsBCD(), Currency(3)); }},
      {"AsDate", [](TParam& p) { p.SetAsDate(45000.0); }, ftDate, varDate,
       [](const TParam& p) { EXPECT_EQ(p.AsDate(), 45000.0); }},
      {"AsTime", [](TParam& p) { p.SetAsTime(0.5); }, ftTime, varDate,
       [](const TParam& p) { EXPECT_EQ(p.AsTime(), 0.5); }},
      {"AsDateTime", [](TParam& p) { p.SetAsDateTime(45000.25); }, ftDateTime, varDate,
       [](const TParam& p) { EXPECT_EQ(p.AsDateTime(), 45000.25); }},
      {"AsBoolean", [](TParam& p) { p.SetAsBoolean(true); }, ftBoolean, varBoolean,
       [](const TParam& p) {
         EXPECT_TRUE(p.AsBoolean());
         EXPECT_EQ(p.AsString(), "True");
       }},
      {"AsMemo", [](TParam& p) { p.SetAsMemo("line 1\r\nline 2"); }, ftMemo, varString,
       [](const TParam& p) { EXPECT_EQ(p.AsMemo(), "line 1\r\nline 2"); }},
      {"AsBlob", [](TParam& p) { p.SetAsBlob(std::string("a\0b", 3)); }, ftBlob, varString,
       [](const TParam& p) { EXPECT_EQ(p.AsBlob(), std::string("a\0b", 3)); }},
      {"AsWideString", [](TParam& p) { p.SetAsWideString(u"\u0151r"); }, ftWideString, varOleStr,
       [](const TParam& p) { EXPECT_EQ(p.AsWideString(), u"\u0151r"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TParams params;
    // The setter decides the type whatever the parameter had before.
    TParam* p = params.CreateParam(ftVarBytes, "p", ptInput);
    c.set(*p);
    EXPECT_EQ(p->DataType(), c.type);
    EXPECT_EQ(p->Value().VarType(), c.varType);
    EXPECT_TRUE(p->Bound());
    EXPECT_FALSE(p->IsNull());
    EXPECT_EQ(p->ParamType(), ptInput);
    c.check(*p);
  }
}

TEST(Param, NullParameterReadsAsEmptyValues) {
  TParams params;
  TParam* p = params.CreateParam(ftString, "p", ptInput);
  EXPECT_TRUE(p->IsNull());
  EXPECT_FALSE(p->Bound());
  EXPECT_EQ(p->AsString(), "");
  EXPECT_EQ(p->AsInteger(), 0);
  EXPECT_EQ(p->AsFloat(), 0.0);
  EXPECT_FALSE(p->AsBoolean());
  EXPECT_EQ(p->AsDateTime(), 0.0);

  p->SetAsString("x");
  p->Clear();
  EXPECT_TRUE(p->IsNull());
  EXPECT_EQ(p->DataType(), ftString);
  EXPECT_EQ(p->Name(), "p");
  EXPECT_TRUE(p->Bound());  // given a value once; Clear does not unbind
  EXPECT_EQ(p->AsString(), "");

  p->SetValue(Null());
  EXPECT_TRUE(p->IsNull());
  EXPECT_TRUE(p->Bound());
  p->SetValue(Unassigned());
  EXPECT_FALSE(p->Bound());
}

TEST(Param, AsStringKeepsFixedChar) {
  TParams params;
  TParam* p = params.CreateParam(ftFixedChar, "p", ptInput);
  p->SetAsString("ab");
  EXPECT_EQ(p->DataType(), ftFixedChar);
  p->SetDataType(ftMemo);
  p->SetAsString("ab");
  EXPECT_EQ(p->DataType(), ftString);
}

TEST(Param, UntypedParameterTakesItsTypeFromTheValue) {
  struct Case {
    Variant value;
    TFieldType type;
  };
  const Case cases[] = {
      {Variant(ShortInt{1}), ftSmallint}, {Variant(Byte{1}), ftSmallint},   {Variant(SmallInt{1}), ftSmallint},
      {Variant(Word{1}), ftInteger},      {Variant(Integer{1}), ftInteger}, {Variant(LongWord{1}), ftLargeint},
      {Variant(Int64{1}), ftLargeint},    {Variant(1.5), ftFloat},          {Variant(1.5f), ftFloat},
      {Variant(Currency(1)), ftCurrency}, {VarFromDateTime(1.0), ftDateTime}, {Variant(true), ftBoolean},
      {Variant("s"), ftString},           {Variant(u"w"), ftWideString},    {Null(), ftUnknown},
  };
  for (const Case& c : cases) {
    TParams params;
    TParam* p = params.CreateParam(ftUnknown, "p", ptUnknown);
    p->SetValue(c.value);
    EXPECT_EQ(p->DataType(), c.type) << VarTypeAsText(c.value.VarType());
  }
  // A typed parameter keeps its type and takes the value as given.
  TParams params;
  TParam* p = params.CreateParam(ftString, "p", ptInput);
  p->SetValue(Variant(5));
  EXPECT_EQ(p->DataType(), ftString);
  EXPECT_EQ(p->AsString(), "5");
  p->SetText("6");
  EXPECT_EQ(p->Value().VarType(), varString);
  EXPECT_EQ(p->AsInteger(), 6);
  // The getters convert by the variant rules, so text that is no number raises.
  p->SetText("abc");
  EXPECT_THROW(p->AsInteger(), EVariantTypeCastError);
}

TEST(Param, ChangingTheTypeConvertsTheValueOrMakesItNull) {
  TParams params;
  TParam* p = params.CreateParam(ftString, "p", ptInput);
  p->SetAsString("42");
  p->SetDataType(ftInteger);
  EXPECT_EQ(p->Value().VarType(), varInteger);
  EXPECT_EQ(p->AsInteger(), 42);
  p->SetDataType(ftDateTime);
  EXPECT_EQ(p->Value().VarType(), varDate);
  EXPECT_EQ(p->AsDateTime(), 42.0);
  p->SetDataType(ftUnknown);  // no type: the value stays as it is
  EXPECT_EQ(p->Value().VarType(), varDate);

  p->SetAsString("abc");
  p->SetDataType(ftInteger);
  EXPECT_TRUE(p->IsNull());

  p->SetAsInteger(1);
  p->SetDataType(ftCursor);  // a type that holds no plain value
  EXPECT_TRUE(p->IsNull());
  EXPECT_EQ(p->DataType(), ftCursor);
}

TEST(Param, AssignAndIsEqual) {
  TParams a;
  TParam* p = a.CreateParam(ftString, "p", ptInput);
  p->SetAsString("x");
  p->SetSize(10);

  TParams b;
  TParam* q = b.CreateParam(ftUnknown, "", ptUnknown);
  q->Assign(p);
  EXPECT_EQ(q->Name(), "p");
  EXPECT_EQ(q->DataType(), ftString);
  EXPECT_EQ(q->ParamType(), ptInput);
  EXPECT_EQ(q->AsString(), "x");
  EXPECT_EQ(q->Size(), 10);
  EXPECT_TRUE(q->IsEqual(*p));
  EXPECT_TRUE(b.IsEqual(a));

  // A parameter with a direction of its own keeps it.
  TParam* r = b.CreateParam(ftUnknown, "r", ptOutput);
  r->Assign(p);
  EXPECT_EQ(r->ParamType(), ptOutput);
  EXPECT_FALSE(r->IsEqual(*p));
  EXPECT_FALSE(b.IsEqual(a));  // counts differ

  struct Change {
    const char* what;
    std::function<void(TParam&)> apply;
  };
  const Change changes[] = {
      {"name case", [](TParam& x) { x.SetName("P"); }},
      {"value", [](TParam& x) { x.SetAsString("y"); }},
      {"variant kind", [](TParam& x) { x.SetValue(Variant(WideString(u"x"))); }},
      {"data type", [](TParam& x) { x.SetDataType(ftMemo); }},
      {"null", [](TParam& x) { x.Clear(); }},
      {"bound", [](TParam& x) { x.SetBound(false); }},
  };
  for (const Change& c : changes) {
    TParams copy;
    copy.Assign(&a);
    c.apply(*copy.Items(0));
    EXPECT_FALSE(copy.Items(0)->IsEqual(*p)) << c.what;
    EXPECT_FALSE(copy.IsEqual(a)) << c.what;
  }

  std::unique_ptr<TComponent> notAParam(new TComponent(nullptr));
  EXPECT_THROW(q->Assign(notAParam.get()), EConvertError);
}

// ---- TParams ----

TEST(Params, ParamByNameIgnoresCaseAndNamesTheOwner) {
  std::unique_ptr<TComponent> query(new TComponent(nullptr));
  query->SetName("SQLMemQuery1");
  TParams params(query.get());
  params.CreateParam(ftString, "Title", ptInput);
  EXPECT_EQ(params.ParamByName("TITLE"), params.Items(0));
  EXPECT_EQ(params.FindParam("text"), nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { params.ParamByName("text"); }),
            "SQLMemQuery1: Parameter 'text' not found");
  TParams loose;
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { loose.ParamByName("x"); }), "Parameter 'x' not found");
}

TEST(Params, AssignValuesTakesOnlyParametersOfTheSameName) {
  TParams target;
  target.CreateParam(ftUnknown, "a", ptUnknown);
  target.CreateParam(ftInteger, "b", ptInput)->SetAsInteger(1);
  TParams source;
  source.CreateParam(ftString, "A", ptInput)->SetAsString("from source");
  source.CreateParam(ftString, "c", ptInput)->SetAsString("not in target");

  target.AssignValues(source);
  EXPECT_EQ(NamesOf(target), (std::vector<std::string>{"A", "b"}));
  EXPECT_EQ(target.Items(0)->AsString(), "from source");
  EXPECT_EQ(target.Items(0)->DataType(), ftString);
  EXPECT_EQ(target.Items(1)->AsInteger(), 1);
  target.AssignValues(target);  // from itself: nothing changes
  EXPECT_EQ(target.Count(), 2);
}

}  // namespace
