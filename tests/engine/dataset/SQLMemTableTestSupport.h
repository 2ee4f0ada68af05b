// Ground for the table component's tests: the dataset fixture's diary table "fans" in its own in-memory
// database, table components on it, a test folder for data files, and small readers of files and
// records.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/OsSeam.h"

class TableComponentTest : public DiaryDataSetTest {
 protected:
  void TearDown() override {
    owner_.reset();  // the table components go before the database they use
    DiaryDataSetTest::TearDown();
  }

  // A closed table component of the fixture's database.
  TSQLMemTable* NewTable(const AnsiString& tableName = "fans") {
    auto* table = New<TSQLMemTable>(owner_.get());
    table->SetDatabaseName(kDataSetTestDatabase);
    table->SetTableName(tableName);
    return table;
  }

  // Every record of the table as "day|title|text", in the order of the open table.
  static std::vector<std::string> Rows(TSQLMemTable& table) {
    const bool wasActive = table.Active();
    table.Open();
    std::vector<std::string> rows;
    for (table.First(); !table.Eof(); table.Next()) {
      rows.push_back(std::string(table.FieldByName("ShortDateDay")->AsString()) + "|" +
                     std::string(table.FieldByName("Title")->AsString()) + "|" +
                     std::string(table.FieldByName("Text")->AsString()));
    }
    if (!wasActive) table.Close();
    return rows;
  }

  // The RecID values of the table's records in the open table's order.
  static std::vector<Int64> RecIDs(TSQLMemTable& table) {
    table.Open();
    std::vector<Int64> ids;
    for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.FieldByName("RecID")->AsLargeInt());
    table.Close();
    return ids;
  }

  // Whether the engine database has a table of that name (asked through a fresh component).
  bool TableExists(const AnsiString& name) { return NewTable(name)->Exists(); }

  static std::string ReadFileBytes(const WideString& path) {
    const os::FileHandle h = os::FileOpen(path, os::kAccessRead, os::kShareRead | os::kShareWrite,
                                          os::FileCreation::OpenExisting);
    if (h == os::kInvalidFile) return "<missing>";
    std::string bytes;
    char chunk[65536];
    for (Int64 n; (n = os::FileRead(h, chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<std::size_t>(n));
    os::FileClose(h);
    return bytes;
  }
  static void WriteFileBytes(const WideString& path, const std::string& bytes) {
    const os::FileHandle h = os::FileOpen(path, os::kAccessWrite, os::kShareNone, os::FileCreation::CreateAlways);
    ASSERT_NE(h, os::kInvalidFile);
    EXPECT_EQ(os::FileWrite(h, bytes.data(), static_cast<Int64>(bytes.size())), static_cast<Int64>(bytes.size()));
    os::FileClose(h);
  }

  TempDir dir;

 private:
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
};

// The message of the exception f raises ("<no error>" when it raises none).
template <class F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return std::string(e.Message());
  }
  return "<no error>";
}
