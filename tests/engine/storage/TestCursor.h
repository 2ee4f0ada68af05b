// A cursor over one record buffer of a table described in the test, with BLOB values kept by field;
// enough of a cursor for the base helpers and the condition object.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "vcl/rtl/Stream.h"

struct CursorTestColumn {
  const char* name;
  Byte fieldType;
  Integer size;
};

class TestCursor : public TSQLMemCursor {
 public:
  explicit TestCursor(std::initializer_list<CursorTestColumn> columns) {
    Integer id = 100;
    for (const CursorTestColumn& c : columns) {
      TSQLMemFieldDef& field = FieldDefs->AddFieldDef();
      field.Name = c.name;
      field.ObjectId = id++;
      field.SetDataType(c.fieldType, c.size);
    }
    FieldDefs->UpdateLayout();
    ComputeBufferGeometry();
    ProjectAllFields();
    CurrentRecordBuffer = AllocRecordBuffer();
    InitRecordBuffer(CurrentRecordBuffer);
  }
  ~TestCursor() override {
    if (CurrentRecordBuffer != nullptr) FreeRecordBuffer(CurrentRecordBuffer);
  }

  void ClearRecordBuffer(Byte* recordBuffer, bool /*applyDefaults*/) override {
    for (Integer i = 0; i < FieldDefs->NullBitmapSize(); ++i) recordBuffer[i] = 0xFF;
  }
  TStream* OpenBLOB(Integer fieldNo, Byte /*mode*/) override {
    auto stream = std::make_unique<TMemoryStream>();
    const std::string& bytes = blobs[fieldNo];
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    openStreams[fieldNo] = std::move(stream);
    return openStreams[fieldNo].get();
  }
  void CloseBLOB(Integer fieldNo) override {
    openStreams.erase(fieldNo);
    ++closedBLOBs;
  }

  // Writes a value through the cursor's own helper (table field numbers).
  void Put(Integer fieldNo, const TSQLMemVariant& value) { SetFieldValue(nullptr, value, fieldNo, true); }

  std::map<Integer, std::string> blobs;  // by projected field number
  std::map<Integer, std::unique_ptr<TMemoryStream>> openStreams;
  Integer closedBLOBs = 0;
};
