// The dataset tests' shared ground: an in-memory engine database of the tests' own with the diary's
// table "fans" (RecID autoincrement, ShortDateDay string(10) with the primary index "ByShortDate",
// Title string(25), Text memo), reached through the default session, and a dataset on that table.
//
// TDiaryDataSet is the smallest table dataset: it opens a local cursor on its table (without field
// definitions, so a missing table is an error) and selects its index. Tests of derived components
// (tables, queries) use the fixture's database and days with their own dataset class.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemSessionComponent.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Stream.h"

// The fixture's in-memory database: no test leaves tables in "MEMORY".
inline constexpr char kDataSetTestDatabase[] = "DATASETTEST";

class TDiaryDataSet : public TSQLMemDataSet {
 public:
  explicit TDiaryDataSet(TComponent* owner) : TSQLMemDataSet(owner) {}

  AnsiString TableName = "fans";
  AnsiString IndexName = "ByShortDate";
  // How many cursors the dataset made (a kept cursor is made once).
  int cursorsMade = 0;

  using TDataSet::BufferCount;
  using TDataSet::CurrentRecord;
  using TDataSet::ActiveRecord;
  using TDataSet::SetTempState;
  using TDataSet::RestoreState;
  using TSQLMemDataSet::cursor_;

 protected:
  TSQLMemCursor* CreateCursorHandle() override {
    auto cursor = std::make_unique<TSQLMemLocalCursor>();
    cursor->Session = Database()->Connection();
    cursor->InMemory = InMemory() ? 1 : 0;
    cursor->TableName = TableName;
    ApplyDataSetCursorOptions(*cursor);
    cursor->OpenTable(nullptr, nullptr, nullptr);
    cursor->SetIndexName(IndexName);
    ++cursorsMade;
    return cursor.release();
  }
};

// One day of the diary table.
struct DiaryDay {
  std::string day;
  std::string title;
  std::string text;
};

class DiaryDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeEngineFoundation();
    blocksBefore_ = MemoryManager().Allocated();
    database_ = std::make_unique<TSQLMemMemoryDatabaseData>(kDataSetTestDatabase);
    session_.InMemory = 1;
    session_.DatabaseName = kDataSetTestDatabase;
    session_.DatabaseFileName = kDataSetTestDatabase;
    session_.SetConnected(true);
    TSQLMemLocalCursor creator;
    creator.Session = &session_;
    creator.InMemory = 1;
    creator.TableName = "fans";
    const DiarySchema schema;
    creator.CreateTable(schema.fields, schema.indexes, schema.constraints);
    creator.CloseTable();
    dataSet = NewDataSet();
  }
  void TearDown() override {
    form_.reset();  // frees the datasets, which let their temporary database go
    session_.SetConnected(false);
    database_.reset();
    // Every record, key and BLOB block the datasets and cursors took is back.
    EXPECT_EQ(MemoryManager().Allocated(), blocksBefore_) << "engine blocks leaked";
  }

  // A dataset of the form on the fixture's table.
  TDiaryDataSet* NewDataSet() {
    auto* set = New<TDiaryDataSet>(form_.get());
    set->SetDatabaseName(kDataSetTestDatabase);
    return set;
  }

  // Adds days straight through an engine cursor (the dataset's own editing is not involved).
  void AddDays(const std::vector<DiaryDay>& days) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &session_;
    cursor.InMemory = 1;
    cursor.TableName = "fans";
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    for (const DiaryDay& day : days) {
      cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
      cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
      PutText(cursor, kShortDateDay, day.day);
      PutText(cursor, kTitle, day.title);
      if (!day.text.empty()) {
        TStream* stream = cursor.OpenBLOB(kText, bomWrite);
        ASSERT_NE(stream, nullptr);
        stream->WriteBuffer(day.text.data(), static_cast<Integer>(day.text.size()));
        cursor.CloseBLOB(kText);
      }
      cursor.PostRecord(true);
      ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }
  // n days from 2024.01.01 on, titled "Day <i>" with the text "Text <i>".
  void AddNumberedDays(int n) {
    std::vector<DiaryDay> days;
    for (int i = 0; i < n; ++i) days.push_back(NumberedDay(i));
    AddDays(days);
  }
  static DiaryDay NumberedDay(int i) {
    // Days counted from 2024-01-01 without a calendar: a key only needs to sort by i.
    char key[48];
    std::snprintf(key, sizeof key, "%04d.%02d.%02d", 2024 + i / 372, 1 + i / 31 % 12, 1 + i % 31);
    return DiaryDay{key, "Day " + std::to_string(i), "Text " + std::to_string(i)};
  }

  // The engine database's own session (for cursors of the tests).
  TSQLMemLocalSession& EngineSession() { return session_; }

  TDiaryDataSet* dataSet = nullptr;

 private:
  static void PutText(TSQLMemLocalCursor& cursor, Integer fieldNo, const std::string& text) {
    TSQLMemVariant value;
    value.SetAsString(text);
    cursor.SetFieldValue(nullptr, value, fieldNo, false);
  }

  Int64 blocksBefore_ = 0;
  std::unique_ptr<TSQLMemMemoryDatabaseData> database_;
  TSQLMemLocalSession session_;
  std::unique_ptr<TComponent> form_ = std::make_unique<TComponent>(nullptr);
};
