// Ground of the dataset editing and search tests: the diary fixture with a database component that
// records every record event (and can veto the before-events), a dataset whose cursor counts the
// write calls that reach it, and readers of the table's rows straight from the engine.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSource.h"

// A local cursor that counts the record operations the dataset hands it. With `forced` set, the
// operation of that kind answers the forced result code and text instead of reaching the table.
class TCountingCursor : public TSQLMemLocalCursor {
 public:
  enum Kind { kNone, kEdit, kDiscard, kPost, kDelete };
  int edits = 0, discards = 0, posts = 0, deletes = 0;
  Kind forced = kNone;
  Integer forcedCode = 0;
  AnsiString forcedText;

  void CancelRecord() override {
    ++edits;
    if (!Force(kEdit)) TSQLMemLocalCursor::CancelRecord();
  }
  void DiscardRecordChanges() override {
    ++discards;
    if (!Force(kDiscard)) TSQLMemLocalCursor::DiscardRecordChanges();
  }
  void PostRecord(bool insert) override {
    ++posts;
    if (!Force(kPost)) TSQLMemLocalCursor::PostRecord(insert);
  }
  void DeleteRecord() override {
    ++deletes;
    if (!Force(kDelete)) TSQLMemLocalCursor::DeleteRecord();
  }

 private:
  bool Force(Kind kind) {
    if (forced != kind) return false;
    ResultCode = forcedCode;
    ErrorText = forcedText;
    return true;
  }
};

// The diary dataset over a counting cursor.
class TCountingDataSet : public TDiaryDataSet {
 public:
  explicit TCountingDataSet(TComponent* owner) : TDiaryDataSet(owner) {}
  TCountingCursor* counting = nullptr;  // the current cursor (owned by the dataset)

  using TSQLMemDataSet::keptCursor_;

 protected:
  TSQLMemCursor* CreateCursorHandle() override {
    auto cursor = std::make_unique<TCountingCursor>();
    cursor->Session = Database()->Connection();
    cursor->InMemory = InMemory() ? 1 : 0;
    cursor->TableName = TableName;
    ApplyDataSetCursorOptions(*cursor);
    cursor->OpenTable(nullptr, nullptr, nullptr);
    cursor->SetIndexName(IndexName);
    ++cursorsMade;
    counting = cursor.get();
    return cursor.release();
  }
};

// A grid's link: it asks for as many buffers as the rows it shows and reads the titles it holds.
class TGridTitles : public TDataLink {
 public:
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    const int saved = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      rows.push_back(DataSet()->FieldByName("Title")->AsString());
    }
    SetActiveRecord(saved);
    return rows;
  }
};

// A value array as text: "null" or the value's text, joined by "|".
inline std::string ValuesText(const TSQLMemArrayOfTSQLMemVariant& values) {
  std::string text;
  for (const auto& value : values) {
    if (!text.empty()) text += '|';
    text += value == nullptr || value->IsNull() ? std::string("null") : std::string(value->GetAsString());
  }
  return text;
}

// The message of the EDatabaseError that f raises; "<no error>" or "<other error>" otherwise.
template <class F>
std::string DatabaseErrorOf(F&& f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.Message();
  } catch (const Exception&) {
    return "<other error>";
  }
  return "<no error>";
}

// The native code of the engine error that f raises; 0 when it raises none.
template <class F>
Integer EngineErrorOf(F&& f) {
  try {
    f();
  } catch (const ESQLMemException& e) {
    return e.NativeError();
  }
  return 0;
}

class DataSetEditingTest : public DiaryDataSetTest {
 protected:
  void SetUp() override {
    DiaryDataSetTest::SetUp();
    owner_ = std::make_unique<TComponent>(nullptr);
    database = New<TSQLMemDatabase>(owner_.get());
    database->SetDatabaseName(kDataSetTestDatabase);
    edited = New<TCountingDataSet>(owner_.get());
    edited->SetDatabaseName(kDataSetTestDatabase);
  }
  void TearDown() override {
    // The datasets let the database component go before it is freed with its owner.
    if (edited != nullptr) edited->Close();
    grid_.reset();
    source_.reset();
    if (dataSet != nullptr) dataSet->Close();
    owner_.reset();
    edited = nullptr;
    database = nullptr;
    DiaryDataSetTest::TearDown();
  }

  // Handlers that append "<event> <table> [old] [new]" lines to `events` and veto when asked.
  void RecordEvents() {
    database->BeforeInsertRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                          const TSQLMemArrayOfTSQLMemVariant& values, bool& abort) {
      events.push_back("BeforeInsert " + table + " new=" + ValuesText(values));
      abort = vetoInsert;
    };
    database->AfterInsertRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                         const TSQLMemArrayOfTSQLMemVariant& values) {
      events.push_back("AfterInsert " + table + " new=" + ValuesText(values));
    };
    database->BeforeUpdateRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                          const TSQLMemArrayOfTSQLMemVariant& oldValues,
                                          const TSQLMemArrayOfTSQLMemVariant& newValues, bool& abort) {
      events.push_back("BeforeUpdate " + table + " old=" + ValuesText(oldValues) + " new=" + ValuesText(newValues));
      abort = vetoUpdate;
    };
    database->AfterUpdateRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                         const TSQLMemArrayOfTSQLMemVariant& oldValues,
                                         const TSQLMemArrayOfTSQLMemVariant& newValues) {
      events.push_back("AfterUpdate " + table + " old=" + ValuesText(oldValues) + " new=" + ValuesText(newValues));
    };
    database->BeforeDeleteRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                          const TSQLMemArrayOfTSQLMemVariant& values, bool& abort) {
      events.push_back("BeforeDelete " + table + " old=" + ValuesText(values));
      abort = vetoDelete;
    };
    database->AfterDeleteRecord = [this](TSQLMemDataSet*, const AnsiString& table,
                                         const TSQLMemArrayOfTSQLMemVariant& values) {
      events.push_back("AfterDelete " + table + " old=" + ValuesText(values));
    };
  }

  // The table's rows in index order as "day/title/text", read by an engine cursor of their own.
  std::vector<std::string> Rows() {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = "fans";
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.SetIndexName("ByShortDate");
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    std::vector<std::string> rows;
    cursor.SetBeginOfData();
    while (cursor.GetRecord(1) == 0) {
      std::string row;
      for (Integer field : {kShortDateDay, kTitle, kText}) {
        TSQLMemVariant value;
        cursor.GetFieldValue(value, field, true, false);
        if (!row.empty()) row += '/';
        // A BLOB's value carries a terminator after its bytes.
        row += value.IsNull() ? std::string("null") : std::string(value.GetAsString().c_str());
      }
      rows.push_back(row);
    }
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    return rows;
  }

  // Shows `edited` through a grid of `rows` rows (the dataset then keeps that many buffers).
  TGridTitles& AttachGrid(int rows) {
    source_ = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
    grid_ = std::make_unique<TGridTitles>();
    grid_->SetBufferCount(rows);
    grid_->SetDataSource(source_.get());
    source_->SetDataSet(edited);
    return *grid_;
  }

  std::string Current(const char* field = "Title") { return edited->FieldByName(field)->AsString(); }

  TSQLMemDatabase* database = nullptr;
  TCountingDataSet* edited = nullptr;
  std::vector<std::string> events;
  bool vetoInsert = false, vetoUpdate = false, vetoDelete = false;

 private:
  std::unique_ptr<TComponent> owner_;
  std::unique_ptr<TDataSource> source_;
  std::unique_ptr<TGridTitles> grid_;
};
