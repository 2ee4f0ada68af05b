// The provider support of the query component: the table its text reads, its command text, its
// parameters and running it.
#include <cctype>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemQuery.h"
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

}  // namespace

AnsiString TSQLMemQuery::PSGetTableName() { return TableNameFromSQL(SQL().Text()); }

void TSQLMemQuery::PSSetCommandText(const AnsiString& text) {
  if (!text.empty()) SQL().SetText(text);
}

void TSQLMemQuery::PSSetParams(const TParams& params) {
  if (params.Count() > 0) Params().Assign(&params);
  Close();
}

void TSQLMemQuery::PSExecute() { ExecuteSQL(); }
