// A table for the schema managers' tests: field definitions given by the test, records kept in a map,
// pages in a small memory store (128-byte pages, so that a few dozen keys split leaves), the real
// index manager, and the duplicate-key test done as the table does it (through the index's
// key-free tests). The foreign-key test answers what the test sets.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/storage/SQLMemIndexManager.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemSession.h"
#include "engine/storage/SQLMemTableServices.h"

struct ManagerTestField {
  const char* name;
  Byte fieldType;
  Integer size = 0;
};

class TestSession : public TSQLMemBaseSession {
 public:
  explicit TestSession(Integer id) { SessionId = id; }
  bool GetConnected() override { return true; }
  void SetConnected(bool /*connected*/) override {}
};

// Records by record number; only reads of the current record navigate.
class TestRecordManager : public TSQLMemBaseRecordManager {
 public:
  explicit TestRecordManager(Integer recordSize) { recordSize_ = recordSize; }

  void EmptyRecords(Integer /*sessionId*/) override { rows_.clear(); }
  bool AppendRecord(const Byte* recordBuffer, TSQLMemRecordID& recordId, Integer /*sessionId*/) override {
    recordId = TSQLMemRecordID{nextNo_++, 0};
    rows_[recordId.RecordNo].assign(recordBuffer, recordBuffer + recordSize_);
    recordCount_ = static_cast<Int64>(rows_.size());
    return true;
  }
  bool UpdateRecord(const Byte* recordBuffer, const TSQLMemRecordID& recordId, Integer /*sessionId*/) override {
    auto row = rows_.find(recordId.RecordNo);
    if (row == rows_.end()) return false;
    row->second.assign(recordBuffer, recordBuffer + recordSize_);
    return true;
  }
  bool DeleteRecord(const TSQLMemRecordID& recordId, Integer /*sessionId*/) override {
    const bool erased = rows_.erase(recordId.RecordNo) == 1;
    recordCount_ = static_cast<Int64>(rows_.size());
    return erased;
  }
  bool RecordExists(const TSQLMemRecordID& recordId, Integer /*sessionId*/) override {
    return rows_.count(recordId.RecordNo) == 1;
  }
  void NavigateRecord(TSQLMemNavigationRequest& request) override {
    ++navigations;
    auto row = rows_.find(request.RecordId.RecordNo);
    if (request.Direction != ndCurrent || request.First != 0 || request.Last != 0 || row == rows_.end()) {
      request.Result = nrNotFound;
      return;
    }
    std::memcpy(request.RecordBuffer, row->second.data(), row->second.size());
    request.Result = nrFound;
  }
  Int64 GetRecordNo(const TSQLMemRecordID& recordId, Integer /*sessionId*/) override {
    Int64 no = 1;
    for (const auto& row : rows_) {
      if (row.first == recordId.RecordNo) return no;
      ++no;
    }
    return -1;
  }

  const std::map<Integer, std::vector<Byte>>& Rows() const { return rows_; }
  Integer navigations = 0;

 private:
  std::map<Integer, std::vector<Byte>> rows_;
  Integer nextNo_ = 1;
};

class ManagerTestTable : public TSQLMemTableServices, public TSQLMemIndexRecordSource {
 public:
  static constexpr Integer kSession = 1;

  explicit ManagerTestTable(std::initializer_list<ManagerTestField> fields) : pages_(128, 200) {
    Integer id = 100;
    for (const ManagerTestField& f : fields) {
      TSQLMemFieldDef& field = fields_.AddFieldDef();
      field.Name = f.name;
      field.ObjectId = id++;
      field.SetDataType(f.fieldType, f.size);
    }
    fields_.UpdateLayout();
    records_ = std::make_unique<TestRecordManager>(fields_.RecordSize());
    indexes_ = std::make_unique<TSQLMemBaseIndexManager>(*this);
  }
  ~ManagerTestTable() override {
    // Gives the pages of every index back before the store goes.
    try {
      indexes_->DropAllIndexPages(kSession);
      pages_.ApplyChanges(kSession);
    } catch (...) {
    }
  }

  // ---- the services ----
  const TSQLMemFieldDefs* KeyFieldDefs() const override { return &fields_; }
  TSQLMemPageManager& IndexPageManager() override { return pages_; }
  void ReadIndexedRecord(TSQLMemNavigationRequest& request) override {
    const std::vector<Byte>& row = records_->Rows().at(request.RecordId.RecordNo);
    std::memcpy(request.RecordBuffer, row.data(), row.size());
  }
  const AnsiString& GetTableName() const override { return name_; }
  const TSQLMemFieldDefs& TableFieldDefs() const override { return fields_; }
  TSQLMemBaseIndexManager& TableIndexManager() override { return *indexes_; }
  TSQLMemBaseRecordManager& TableRecordManager() override { return *records_; }
  Integer NextObjectId() override { return nextObjectId_++; }
  bool HasDuplicateKey(Integer sessionId, Integer indexId, const TSQLMemRecordID& /*recordId*/, bool insert,
                       const Byte* oldRecordBuffer, const Byte* newRecordBuffer) override {
    ++duplicateTests;
    if (records_->GetRecordCount() == 0) return false;
    TSQLMemIndex& index = indexes_->GetIndex(indexId);
    return insert ? !index.IsKeyFree(sessionId, newRecordBuffer)
                  : !index.IsUpdateKeyFree(sessionId, oldRecordBuffer, newRecordBuffer);
  }
  bool ForeignKeyHolds(TSQLMemCursor* /*cursor*/, const TSQLMemConstraintDefForeignKey& foreignKey,
                       const Byte* /*recordBuffer*/) override {
    testedForeignKeys.push_back(foreignKey.Name);
    return foreignKeysHold;
  }

  // ---- the records the index manager builds an index over (all of them, in record order) ----
  bool NextRecord(Byte* recordBuffer, TSQLMemRecordID& recordId) override {
    auto row = records_->Rows().upper_bound(scanAfter_);
    if (row == records_->Rows().end()) return false;
    std::memcpy(recordBuffer, row->second.data(), row->second.size());
    recordId = TSQLMemRecordID{row->first, 0};
    scanAfter_ = row->first;
    return true;
  }
  TSQLMemIndexRecordSource& AllRecords() {
    scanAfter_ = 0;
    return *this;
  }

  // ---- building records ----
  std::vector<Byte> NewBuffer() const {
    std::vector<Byte> buffer(static_cast<std::size_t>(fields_.RecordSize()), 0);
    for (Integer i = 0; i < fields_.GetCount(); ++i) SetRecordFieldNull(i, true, buffer.data());
    return buffer;
  }
  // A buffer with an integer field and a text field set (nullptr / null: NULL), the others NULL.
  std::vector<Byte> Buffer(Integer intField, const Integer* number, Integer textField, const char* text) const {
    std::vector<Byte> buffer = NewBuffer();
    PutRecordFieldData(intField, fields_, number, buffer.data());
    if (textField >= 0) PutRecordFieldData(textField, fields_, text, buffer.data());
    return buffer;
  }
  // Stores the record and puts its keys into every index, as the table's insert does.
  TSQLMemRecordID Store(const std::vector<Byte>& buffer) {
    TSQLMemRecordID id;
    records_->AppendRecord(buffer.data(), id, kSession);
    indexes_->InsertRecordKeys(TSQLMemIndexedRecord{kSession, buffer.data(), nullptr, id});
    pages_.ApplyChanges(kSession);
    return id;
  }
  // An index over the given fields, built over the records already stored; its object id.
  Integer AddIndex(const AnsiString& name, std::initializer_list<const char*> columns, bool unique = false,
                   bool primary = false) {
    TSQLMemIndexDef def;
    def.Name = name;
    def.Unique = unique ? 1 : 0;
    def.Primary = primary ? 1 : 0;
    def.SetColumnCount(static_cast<Integer>(columns.size()));
    Integer i = 0;
    for (const char* column : columns) def.GetColumn(i++).Name = column;
    const Integer id = indexes_->AddIndex(kSession, AllRecords(), def);
    pages_.ApplyChanges(kSession);
    return id;
  }

  TSQLMemFieldDefs& Fields() { return fields_; }
  TSQLMemMemoryPageManager& Pages() { return pages_; }
  TestRecordManager& Records() { return *records_; }
  TSQLMemBaseIndexManager& Indexes() { return *indexes_; }

  bool foreignKeysHold = true;
  std::vector<AnsiString> testedForeignKeys;
  Integer duplicateTests = 0;

 private:
  AnsiString name_ = "T";
  TSQLMemFieldDefs fields_;
  TSQLMemMemoryPageManager pages_;
  std::unique_ptr<TestRecordManager> records_;
  std::unique_ptr<TSQLMemBaseIndexManager> indexes_;
  Integer nextObjectId_ = 1;
  Integer scanAfter_ = 0;
};
