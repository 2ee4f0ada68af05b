// The provider support of the engine's datasets: statements that a provider sends, written again
// through the SQL lexer and run by a query on the dataset's database, and record updates that the
// dataset's OnUpdateRecord handler applies.
#include "engine/dataset/SQLMemDataSet.h"

#include "engine/dataset/SQLMemQuery.h"
#include "engine/sql/SQLMemLexer.h"
#include "vcl/db/Params.h"
#include "vcl/rtl/StrUtils.h"

namespace {

// The provider's text statement by statement: tokens separated by single blanks, string constants in
// double quotes, bracketed names in brackets, parameters as ":" and the name, "@name" as "[name] "; each
// statement ends with ";" and a line break.
AnsiString RewriteStatements(const AnsiString& sql) {
  TSQLMemLexer lexer(sql, nullptr);
  AnsiString text;
  while (lexer.NextStatement()) {
    const std::vector<TToken>& tokens = lexer.Command.Tokens;
    AnsiString statement;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const TToken& token = tokens[i];
      if (!statement.empty() && statement.back() != ' ') statement += ' ';
      // The lexer reads "@name" as one word, or "@" alone before a quoted name.
      if (token.TokenType == tktString && token.Text == "@" && i + 1 < tokens.size()) {
        statement += "[" + tokens[++i].Text + "] ";
        continue;
      }
      if (token.TokenType == tktString && token.Text.size() > 1 && token.Text[0] == '@') {
        statement += "[" + token.Text.substr(1) + "] ";
        continue;
      }
      switch (token.TokenType) {
        case tktQuotedString: statement += AnsiQuotedStr(token.Text, '"'); break;
        case tktBracketedString: statement += "[" + token.Text + "]"; break;
        case tktParameter: statement += ":" + token.Text; break;
        default: statement += token.Text; break;
      }
    }
    text += statement + ";\r\n";
  }
  return text;
}

}  // namespace

Integer TSQLMemDataSet::PSExecuteStatement(const AnsiString& sql, const TParams* params,
                                           std::unique_ptr<TDataSet>* resultSet) {
  const bool held = HoldsDatabase(hrProvider);
  HoldDatabase(hrProvider, true);
  struct Restore {
    TSQLMemDataSet& dataSet;
    bool held;
    ~Restore() {
      try {
        dataSet.HoldDatabase(hrProvider, held);
      } catch (...) {
        // Letting a hold go does not fail once the database was found.
      }
    }
  } restore{*this, held};
  auto query = std::make_unique<TSQLMemQuery>(nullptr);
  query->SetInMemory(InMemory());
  query->SetDatabaseName(DatabaseName());
  if (!SessionName().empty()) query->SetSessionName(SessionName());
  query->SQL().SetText(RewriteStatements(sql));
  if (params != nullptr) {
    // By position: the value goes over, the query keeps its own name; extra ones are appended.
    TParams& own = query->Params();
    for (int i = 0; i < params->Count(); ++i) {
      const TParam& source = *params->Items(i);
      if (i < own.Count()) {
        TParam& target = *own.Items(i);
        const AnsiString name = target.Name();
        target.Assign(&source);
        target.SetName(name);
      } else {
        own.AddParam()->Assign(&source);
      }
    }
  }
  query->ExecuteSQL();
  const Integer rows = query->RowsAffected();
  if (resultSet != nullptr) *resultSet = std::move(query);
  return rows;
}

bool TSQLMemDataSet::PSUpdateRecord(TUpdateKind kind, TDataSet& delta) {
  if (!OnUpdateRecord) return false;
  TUpdateAction action = uaFail;
  OnUpdateRecord(delta, kind, action);
  return action == uaApplied;
}
