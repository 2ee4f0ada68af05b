// New records of a table: default values and autoincrement values written by the field manager.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemFieldManager.h"
#include "engine/storage/SQLMemSequenceManager.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/ManagerTestSupport.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

namespace {

class FieldManagerTest : public EngineBlocksTest {
 protected:
  // Fields: ID (autoinc integer), Small (autoinc smallint), Name (text of 5), Num (integer).
  void SetUp() override {
    EngineBlocksTest::SetUp();
    fields_ = std::make_unique<TSQLMemBaseFieldManager>(nullptr, &sequences_);
    AddField("ID", sftAutoIncInteger, 0, 1);
    AddField("Small", sftAutoIncSmallInt, 0, 2);
    AddField("Name", sftVarchar, 5, -1);
    AddField("Num", sftInteger, 0, -1);
    fields_->FieldDefs.UpdateLayout();
  }
  void TearDown() override {
    fields_.reset();
    sequences_.SequenceDefs.Clear();
    EngineBlocksTest::TearDown();
  }

  TSQLMemFieldDef& AddField(const char* name, Byte fieldType, Integer size, Integer sequenceId) {
    TSQLMemFieldDef& field = fields_->FieldDefs.AddFieldDef();
    field.Name = name;
    field.SetDataType(fieldType, size);
    if (sequenceId != -1) {
      field.SequenceId = sequenceId;
      TSQLMemSequenceDef& sequence = sequences_.SequenceDefs.AddSequenceDef();
      sequence.Name = AnsiString("$S_Autoinc$T$") + name;
      sequence.ObjectId = sequenceId;
      sequence.MaxValue = 1LL << 40;
    }
    return field;
  }
  TSQLMemFieldDefs& Fields() { return fields_->FieldDefs; }
  std::vector<Byte> NullBuffer() {
    std::vector<Byte> buffer(static_cast<std::size_t>(Fields().RecordSize()), 0xA5);
    for (Integer i = 0; i < Fields().GetCount(); ++i) SetRecordFieldNull(i, true, buffer.data());
    return buffer;
  }
  Integer IntegerAt(const std::vector<Byte>& buffer, Integer fieldNo) {
    return LoadValue<Integer>(buffer.data() + Fields().GetFieldDef(fieldNo).RecordOffset);
  }

  TSQLMemBaseSequenceManager sequences_{nullptr};
  std::unique_ptr<TSQLMemBaseFieldManager> fields_;
  TestSession session_{1};
};

TEST_F(FieldManagerTest, NewRecordsGetIncreasingAutoincValuesAndTheSessionKeepsTheLast) {
  for (Integer expected = 1; expected <= 3; ++expected) {
    std::vector<Byte> buffer = NullBuffer();
    fields_->ApplyDefaults(&session_, buffer.data(), true);
    EXPECT_FALSE(IsRecordFieldNull(0, buffer.data()));
    EXPECT_EQ(IntegerAt(buffer, 0), expected);
    // Fields without a default stay NULL.
    EXPECT_TRUE(IsRecordFieldNull(2, buffer.data()));
    EXPECT_TRUE(IsRecordFieldNull(3, buffer.data()));
  }
  EXPECT_EQ(sequences_.GetCurrentValue(&session_, 1), 3);
}

TEST_F(FieldManagerTest, WithoutAutoincTheAutoincFieldsStayNullAndNoValueIsDrawn) {
  Fields().GetFieldDef(3).DefaultValue.SetAsInteger(42);
  Fields().UpdateLayout();
  std::vector<Byte> buffer = NullBuffer();
  fields_->ApplyDefaults(&session_, buffer.data(), false);
  EXPECT_TRUE(IsRecordFieldNull(0, buffer.data()));
  EXPECT_TRUE(IsRecordFieldNull(1, buffer.data()));
  EXPECT_EQ(IntegerAt(buffer, 3), 42);
  EXPECT_EQ(sequences_.GetSequenceDef(1).CurrentValue, 0);
}

TEST_F(FieldManagerTest, SmallIntAutoincWritesItsTwoBytesAndLeavesTheNextFieldAlone) {
  sequences_.GetSequenceDef(2).CurrentValue = 0x1233;
  std::vector<Byte> buffer = NullBuffer();
  fields_->ApplyDefaults(&session_, buffer.data(), true);
  const TSQLMemFieldDef& small = Fields().GetFieldDef(1);
  ASSERT_EQ(small.DataSize, 2);
  EXPECT_EQ(LoadValue<SmallInt>(buffer.data() + small.RecordOffset), 0x1234);
  // The bytes after the slot (the next field's) are not touched.
  EXPECT_EQ(buffer[static_cast<std::size_t>(small.RecordOffset + 2)], 0xA5);
  EXPECT_EQ(sequences_.GetCurrentValue(&session_, 2), 0x1234);
}

// A narrow autoincrement field takes values up to its range and then refuses: cut to its bytes, the
// next value would repeat one handed out before.
TEST(AutoincRange, ANarrowFieldRaisesPastItsRangeAndNeverRepeatsAValue) {
  InitializeEngineFoundation();
  const struct {
    Byte fieldType;
    Int64 last;  // the highest value the field holds
  } cases[] = {
      {sftAutoIncByte, 255},          {sftAutoIncShortInt, 127},       {sftAutoIncSmallInt, 32767},
      {sftAutoIncWord, 65535},        {sftAutoIncInteger, 2147483647}, {sftAutoInc, 2147483647},
      {sftAutoIncCardinal, 4294967295LL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fieldType));
    TSQLMemBaseSequenceManager sequences(nullptr);
    TSQLMemBaseFieldManager fields(nullptr, &sequences);
    TSQLMemFieldDef& field = fields.FieldDefs.AddFieldDef();
    field.Name = "ID";
    field.SetDataType(c.fieldType, 0);
    field.SequenceId = 1;
    TSQLMemSequenceDef& sequence = sequences.SequenceDefs.AddSequenceDef();
    sequence.Name = "$S_Autoinc$T$ID";
    sequence.ObjectId = 1;
    sequence.MaxValue = 1LL << 40;
    sequence.CurrentValue = c.last - 2;
    fields.FieldDefs.UpdateLayout();
    const TSQLMemFieldDef& laidOut = fields.FieldDefs.GetFieldDef(0);
    std::vector<Byte> buffer(static_cast<std::size_t>(fields.FieldDefs.RecordSize()), 0);
    std::vector<Int64> handedOut;
    for (int i = 0; i < 4; ++i) {
      SetRecordFieldNull(0, true, buffer.data());
      try {
        fields.ApplyDefaults(nullptr, buffer.data(), true);
      } catch (const ERangeError&) {
        EXPECT_TRUE(IsRecordFieldNull(0, buffer.data())) << "a refused value is not written";
        continue;
      }
      Byte bytes[8] = {};
      std::memcpy(bytes, buffer.data() + laidOut.RecordOffset, static_cast<std::size_t>(laidOut.DataSize));
      Int64 value = 0;
      for (int b = laidOut.DataSize - 1; b >= 0; --b) value = value << 8 | bytes[b];
      handedOut.push_back(value);
    }
    EXPECT_EQ(handedOut, (std::vector<Int64>{c.last - 1, c.last}));
  }
}

TEST_F(FieldManagerTest, TextDefaultsAreCutToTheirSlotAndStayTerminated) {
  Fields().GetFieldDef(2).DefaultValue.SetAsString("abcdefgh");  // the slot holds 5 characters
  Fields().UpdateLayout();
  std::vector<Byte> buffer = NullBuffer();
  fields_->ApplyDefaults(&session_, buffer.data(), false);
  char text[16] = {};
  ASSERT_TRUE(GetRecordFieldData(2, Fields(), text, buffer.data()));
  EXPECT_STREQ(text, "abcde");
}

TEST_F(FieldManagerTest, TableWithoutDefaultsOrAutoincLeavesTheBufferUntouched) {
  TSQLMemBaseFieldManager fields(nullptr, nullptr);  // never asks a sequence manager
  TSQLMemFieldDef& field = fields.FieldDefs.AddFieldDef();
  field.Name = "Num";
  field.SetDataType(sftInteger, 0);
  fields.FieldDefs.UpdateLayout();
  std::vector<Byte> buffer(static_cast<std::size_t>(fields.FieldDefs.RecordSize()), 0x5A);
  const std::vector<Byte> before = buffer;
  fields.ApplyDefaults(nullptr, buffer.data(), true);
  EXPECT_EQ(buffer, before);
}

TEST_F(FieldManagerTest, FieldsRoundTripThroughTheManagersStreamForm) {
  Fields().GetFieldDef(3).DefaultValue.SetAsInteger(7);
  TMemoryStream stream;
  fields_->SaveToStream(stream);
  TSQLMemBaseFieldManager loaded(nullptr, &sequences_);
  stream.SetPosition(0);
  loaded.LoadFromStream(stream);
  ASSERT_EQ(loaded.FieldDefs.GetCount(), 4);
  EXPECT_EQ(loaded.FieldDefs.GetFieldDef(1).Name, "Small");
  EXPECT_EQ(loaded.FieldDefs.GetFieldDef(1).SequenceId, 2);
  EXPECT_EQ(loaded.FieldDefs.GetFieldDef(3).DefaultValue.GetAsInteger(), 7);
  EXPECT_EQ(loaded.FieldDefs.RecordSize(), Fields().RecordSize());
}

}  // namespace
