// The DDL statement tests' ground: the SQL statement fixture with readers of a table's schema as the
// table component reports it (columns, indexes, foreign keys, each as a line of text) and a writer of
// rows through the table component.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemTypes.h"
#include "tests/engine/sql/SQLTestSupport.h"

using SchemaLines = std::vector<std::string>;

class DDLTest : public SQLStatementTest {
 protected:
  // Runs action on an open table component on tableName.
  void WithTable(const char* tableName, const std::function<void(TSQLMemTable& table)>& action) {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.SetTableName(tableName);
    table.Open();
    action(table);
    table.Close();
  }

  // "name TYPE size", then " NOT NULL" and " DEFAULT value" when they apply.
  SchemaLines Columns(const char* tableName) {
    SchemaLines lines;
    WithTable(tableName, [&](TSQLMemTable& table) {
      for (Integer i = 0; i < table.AdvFieldDefs().Count(); ++i) {
        const TSQLMemAdvFieldDef& def = *table.AdvFieldDefs()[i];
        std::string line = def.Name + " " + FieldTypeName(def.FieldType) + " " + std::to_string(def.Size);
        if (def.Required) line += " NOT NULL";
        if (!def.DefaultValue.IsNull()) line += " DEFAULT " + def.DefaultValue.GetAsString();
        lines.push_back(line);
      }
    });
    return lines;
  }

  // "name|fields|descending fields|case-insensitive fields|options", options P (primary), U (unique),
  // D (every field descending), C (every field case-insensitive). A generated name shows as its
  // prefix followed by "*": the suffix is random.
  SchemaLines Indexes(const char* tableName) {
    SchemaLines lines;
    WithTable(tableName, [&](TSQLMemTable& table) {
      for (int i = 0; i < table.IndexDefs().Count(); ++i) {
        const TIndexDef& def = *table.IndexDefs().Items(i);
        std::string options;
        if (def.Options().Contains(ixPrimary)) options += "P";
        if (def.Options().Contains(ixUnique)) options += "U";
        if (def.Options().Contains(ixDescending)) options += "D";
        if (def.Options().Contains(ixCaseInsensitive)) options += "C";
        lines.push_back(ShownIndexName(def.Name()) + "|" + def.Fields() + "|" + def.DescFields() + "|" +
                        def.CaseInsFields() + "|" + options);
      }
    });
    return lines;
  }

  // "name|fields|referenced table|match|on delete|on update".
  SchemaLines ForeignKeys(const char* tableName) {
    SchemaLines lines;
    WithTable(tableName, [&](TSQLMemTable& table) {
      for (Integer i = 0; i < table.ForeignKeyDefs().Count(); ++i) {
        const TSQLMemForeignKeyDef& def = *table.ForeignKeyDefs().Items(i);
        lines.push_back(def.Name + "|" + def.Fields + "|" + def.ReferenceTableName + "|" +
                        std::to_string(def.MatchType) + "|" + std::to_string(def.DeleteAction) + "|" +
                        std::to_string(def.UpdateAction));
      }
    });
    return lines;
  }

  // Appends rows through the table component, the values in field order; nullptr leaves a field null.
  void Insert(const char* tableName, const std::vector<std::vector<const char*>>& rows) {
    WithTable(tableName, [&](TSQLMemTable& table) {
      for (const auto& row : rows) {
        table.Append();
        for (std::size_t i = 0; i < row.size(); ++i)
          if (row[i] != nullptr) table.Fields()[static_cast<int>(i)]->SetAsString(row[i]);
        table.Post();
      }
    });
  }

  // The generated index names: a fixed prefix, then digits, "-" and digits.
  static std::string ShownIndexName(const std::string& name) {
    static const std::regex generated(R"(^((C_PK|C_Unique)\$.*?)\d+-\d+$)");
    std::smatch match;
    return std::regex_match(name, match, generated) ? match[1].str() + "*" : name;
  }
};
