#include "engine/sql/SQLMemRelationalAlgebraSortLists.h"

#include <algorithm>

#include "engine/sql/SQLMemExpression.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Strings.h"

namespace {

std::vector<AnsiString> NamesOf(const AnsiString& text) {
  TStringList list;
  SplitNameList(list, text);
  std::vector<AnsiString> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

bool Contains(const std::vector<AnsiString>& names, const AnsiString& name) {
  return std::find(names.begin(), names.end(), AnsiUpperCase(name)) != names.end();
}

void Append(AnsiString& text, const AnsiString& name) {
  if (!text.empty()) text += ';';
  text += name;
}

}  // namespace

void BuildSortLists(const AnsiString& fieldsText, const AnsiString& descText, const AnsiString& caseInsText,
                    std::vector<AnsiString>& cases, std::vector<AnsiString>& directions,
                    std::vector<AnsiString>& fields) {
  fields = NamesOf(fieldsText);
  const std::vector<AnsiString> descending = NamesOf(descText);
  const std::vector<AnsiString> caseInsensitive = NamesOf(caseInsText);
  directions.clear();
  cases.clear();
  for (const AnsiString& field : fields) directions.push_back(Contains(descending, field) ? "DESC" : "ASC");
  for (const AnsiString& field : fields) cases.push_back(Contains(caseInsensitive, field) ? "NO_CASE" : "CASE");
}

void JoinSortLists(AnsiString& fieldsText, AnsiString& descText, AnsiString& caseInsText,
                   const std::vector<AnsiString>& cases, const std::vector<AnsiString>& directions,
                   const std::vector<AnsiString>& fields) {
  fieldsText.clear();
  descText.clear();
  caseInsText.clear();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    Append(fieldsText, fields[i]);
    if (directions.at(i) == "DESC") Append(descText, fields[i]);
    if (cases.at(i) == "NO_CASE") Append(caseInsText, fields[i]);
  }
}
