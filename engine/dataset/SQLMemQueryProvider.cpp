// The provider support of the query component: the table its text reads, the order its ORDER BY gives,
// its command text, its parameters and running it.
#include <cctype>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemQuery.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/db/Params.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

// The text split into words (a bracketed or double-quoted name is one word without its quotes), string
// constants (kept with their quotes) and single symbols.
std::vector<AnsiString> SplitSQL(const AnsiString& text) {
  std::vector<AnsiString> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '[' || c == '"' || c == '\'') {
      const char close = c == '[' ? ']' : static_cast<char>(c);
      std::size_t end = text.find(close, i + 1);
      if (end == AnsiString::npos) end = text.size();
      tokens.push_back(c == '\'' ? text.substr(i, end + 1 - i) : text.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (std::isalnum(c) || c == '_' || c == '$' || c == '.' || c >= 0x80) {
      const std::size_t start = i;
      while (i < text.size()) {
        const unsigned char d = static_cast<unsigned char>(text[i]);
        if (!(std::isalnum(d) || d == '_' || d == '$' || d == '.' || d >= 0x80)) break;
        ++i;
      }
      tokens.push_back(text.substr(start, i - start));
    } else {
      tokens.push_back(text.substr(i, 1));
      ++i;
    }
  }
  return tokens;
}

bool IsAny(const AnsiString& token, std::initializer_list<const char*> words) {
  for (const char* word : words)
    if (SameText(token, word)) return true;
  return false;
}

// The table a SELECT reads when it reads exactly one: the name after its FROM, followed by nothing but
// an alias, a clause or the end; empty for joins, several tables, sub-queries and other statements.
AnsiString TableNameFromSQL(const AnsiString& text) {
  const std::vector<AnsiString> tokens = SplitSQL(text);
  if (tokens.empty() || !SameText(tokens[0], "SELECT")) return AnsiString();
  std::size_t i = 0;
  int depth = 0;
  for (; i < tokens.size(); ++i) {
    if (tokens[i] == "(") ++depth;
    if (tokens[i] == ")") --depth;
    if (depth == 0 && SameText(tokens[i], "FROM")) break;
  }
  if (i + 1 >= tokens.size() || tokens[i + 1] == "(") return AnsiString();
  const AnsiString name = tokens[i + 1];
  std::size_t next = i + 2;
  const auto endsHere = [&](std::size_t at) {
    return at >= tokens.size() || tokens[at] == ";" ||
           IsAny(tokens[at], {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "EXCEPT", "INTERSECT"});
  };
  if (endsHere(next)) return name;
  if (SameText(tokens[next], "AS")) ++next;
  // An alias is a word, never a symbol such as "," or "(".
  if (next < tokens.size() && !tokens[next].empty() &&
      (std::isalnum(static_cast<unsigned char>(tokens[next][0])) || tokens[next][0] == '_') &&
      !IsAny(tokens[next], {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER"}) &&
      endsHere(next + 1))
    return name;
  return AnsiString();
}

// One term of an ORDER BY: a column by name or by its 1-based position, its direction and case mode.
struct OrderTerm {
  AnsiString name;
  int position = 0;
  bool descending = false;
  bool caseInsensitive = false;
};

bool IsNumber(const AnsiString& token) {
  if (token.empty() || token.size() > 9) return false;
  for (const char c : token)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsNameToken(const AnsiString& token) {
  if (token.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(token[0]);
  return std::isalnum(c) || c == '_' || c >= 0x80 || c == '.';
}

// The terms of the text's last ORDER BY outside parentheses. False when there is none, or when a term is
// neither a column nor a position (ORDER BY INDEX names no columns).
bool OrderByTerms(const AnsiString& text, std::vector<OrderTerm>& terms) {
  const std::vector<AnsiString> tokens = SplitSQL(text);
  std::size_t start = tokens.size();
  int depth = 0;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i] == "(") ++depth;
    if (tokens[i] == ")") --depth;
    if (depth == 0 && SameText(tokens[i], "ORDER") && SameText(tokens[i + 1], "BY")) start = i + 2;
  }
  if (start >= tokens.size() || SameText(tokens[start], "INDEX")) return false;
  terms.clear();
  std::size_t i = start;
  while (i < tokens.size() && tokens[i] != ";" && tokens[i] != ")") {
    OrderTerm term;
    if (IsNumber(tokens[i])) {
      term.position = std::stoi(tokens[i]);
      ++i;
    } else {
      // A column, perhaps qualified by its table ("t.Title", "[t].[Title]"): its last part names it.
      AnsiString qualified;
      while (i < tokens.size() && IsNameToken(tokens[i]) &&
             (qualified.empty() || qualified.back() == '.' || tokens[i] == "." || tokens[i][0] == '.') &&
             !IsAny(tokens[i], {"ASC", "DESC", "NOCASE"}))
        qualified += tokens[i++];
      const std::size_t dot = qualified.rfind('.');
      term.name = dot == AnsiString::npos ? qualified : qualified.substr(dot + 1);
      if (term.name.empty()) return false;
    }
    if (i < tokens.size() && IsAny(tokens[i], {"ASC", "DESC"})) term.descending = SameText(tokens[i++], "DESC");
    if (i < tokens.size() && SameText(tokens[i], "NOCASE")) {
      term.caseInsensitive = true;
      ++i;
    }
    terms.push_back(term);
    if (i < tokens.size() && tokens[i] == ",") {
      ++i;
      continue;
    }
    if (i < tokens.size() && tokens[i] != ";" && tokens[i] != ")") return false;
  }
  return !terms.empty();
}

AnsiString AddField(const AnsiString& list, const AnsiString& name) { return list.empty() ? name : list + ";" + name; }

}  // namespace

std::unique_ptr<TIndexDef> TSQLMemQuery::PSGetDefaultOrder() {
  std::unique_ptr<TIndexDef> order = TSQLMemDataSet::PSGetDefaultOrder();
  if (order != nullptr) return order;
  std::vector<OrderTerm> terms;
  if (!OrderByTerms(SQL().Text(), terms)) return nullptr;
  order = std::make_unique<TIndexDef>(nullptr);
  AnsiString fields, descending, caseInsensitive;
  for (const OrderTerm& term : terms) {
    AnsiString name = term.name;
    if (term.position > 0) {
      // A position names the result's column: its field when the query has fields, else its definition.
      if (term.position <= FieldCount())
        name = Fields()[term.position - 1]->FieldName();
      else if (term.position <= FieldDefs().Count())
        name = FieldDefs().Items(term.position - 1)->Name();
      else
        return nullptr;
    }
    fields = AddField(fields, name);
    if (term.descending) descending = AddField(descending, name);
    if (term.caseInsensitive) caseInsensitive = AddField(caseInsensitive, name);
  }
  order->SetFields(fields);
  order->SetDescFields(descending);
  order->SetCaseInsFields(caseInsensitive);
  return order;
}

AnsiString TSQLMemQuery::PSGetTableName() { return TableNameFromSQL(SQL().Text()); }

void TSQLMemQuery::PSSetCommandText(const AnsiString& text) {
  if (!text.empty()) SQL().SetText(text);
}

void TSQLMemQuery::PSSetParams(const TParams& params) {
  if (params.Count() > 0) Params().Assign(&params);
  Close();
}

void TSQLMemQuery::PSExecute() { ExecuteSQL(); }
