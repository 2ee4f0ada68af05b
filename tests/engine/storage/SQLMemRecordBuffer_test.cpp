#include "engine/storage/SQLMemRecordBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/storage/SQLMemSchema.h"

namespace {

// A table of nine fields, so that the null bitmap takes two bytes and field 8 is bit 0 of the second.
class RecordBufferTest : public EngineBlocksTest {
 protected:
  enum : Integer { kInt, kText5, kWide3, kMemo, kDouble, kBytes4, kChar2, kBool, kLast };

  void SetUp() override {
    EngineBlocksTest::SetUp();
    const struct {
      Byte type;
      Integer size;
    } columns[] = {{sftInteger, 0}, {sftVarchar, 5}, {sftWideVarchar, 3}, {sftMemo, 0}, {sftDouble, 0},
                   {sftBytes, 4},   {sftChar, 2},    {sftBoolean, 0},     {sftLargeInt, 0}};
    for (const auto& c : columns) fields_.AddFieldDef().SetDataType(c.type, c.size);
    fields_.UpdateLayout();
    ResetRecord();
  }

  // Every slot filled with 'x' and every field holding a value.
  void ResetRecord() {
    record_.assign(static_cast<std::size_t>(fields_.RecordSize()), 'x');
    record_[0] = record_[1] = 0;
  }

  Byte* Record() { return record_.data(); }
  Byte* Slot(Integer field) { return Record() + fields_.GetFieldDef(field).RecordOffset; }
  std::string SlotBytes(Integer field) {
    return std::string(reinterpret_cast<const char*>(Slot(field)),
                       static_cast<std::size_t>(fields_.GetFieldDef(field).DataSize));
  }

  TSQLMemFieldDefs fields_;
  std::vector<Byte> record_;
};

TEST_F(RecordBufferTest, NullBitsFollowFieldOrderLeastSignificantFirst) {
  EXPECT_EQ(fields_.GetFieldDef(0).RecordOffset, 2);
  PutRecordFieldData(kLast, fields_, nullptr, Record());
  EXPECT_EQ(record_[0], 0);
  EXPECT_EQ(record_[1], 0x01);
  PutRecordFieldData(kText5, fields_, nullptr, Record());
  EXPECT_EQ(record_[0], 0x02);
  EXPECT_FALSE(GetRecordFieldData(kLast, fields_, nullptr, Record()));
  EXPECT_TRUE(GetRecordFieldData(kInt, fields_, nullptr, Record()));

  const Int64 value = 42;
  PutRecordFieldData(kLast, fields_, &value, Record());
  EXPECT_EQ(record_[1], 0);
}

TEST_F(RecordBufferTest, PutAndGetObeyNullTerminatorAndTruncation) {
  struct Case {
    const char* what;
    Integer field;
    std::string source;      // bytes handed to PutRecordFieldData (a terminator is added for text)
    bool isNull;             // the field is NULL afterwards
    std::string slot;        // the slot's bytes afterwards (untouched bytes stay 'x')
    std::string read;        // what GetRecordFieldData copies out (text: with its terminator)
  };
  const std::string i32("\x2A\x00\x00\x00", 4);
  const std::string dbl("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);  // 1.0
  const Case cases[] = {
      {"text that fits", kText5, "abc", false, std::string("abc\0xx", 6), std::string("abc\0", 4)},
      {"text cut to the slot", kText5, "0123456789", false, std::string("01234\0", 6), std::string("01234\0", 6)},
      {"empty text is NULL", kText5, "", true, "xxxxxx", ""},
      {"fixed char", kChar2, "pq", false, std::string("pq\0", 3), std::string("pq\0", 3)},
      {"wide text cut to the slot", kWide3, std::string("a\0b\0c\0d\0", 8), false, std::string("a\0b\0c\0\0\0", 8), ""},
      {"empty wide text is NULL", kWide3, "", true, "xxxxxxxx", ""},
      {"integer", kInt, i32, false, i32, i32},
      {"double", kDouble, dbl, false, dbl, dbl},
      {"bytes copy the whole slot", kBytes4, std::string("\0\1\2\3", 4), false, std::string("\0\1\2\3", 4),
       std::string("\0\1\2\3", 4)},
      {"BLOB slot is written but not read", kMemo, std::string("\1\0\0\0\0\0\0\0", 8), false,
       std::string("\1\0\0\0\0\0\0\0", 8), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetRecord();
    std::string source = c.source;
    source.append(2, '\0');  // terminators for text sources, ignored by the others
    PutRecordFieldData(c.field, fields_, source.data(), Record());
    EXPECT_EQ(IsRecordFieldNull(c.field, Record()), c.isNull);
    EXPECT_EQ(SlotBytes(c.field), c.slot);

    std::string out(16, '?');
    EXPECT_EQ(GetRecordFieldData(c.field, fields_, out.data(), Record()), !c.isNull);
    if (!c.read.empty()) {
      EXPECT_EQ(out.substr(0, c.read.size()), c.read);
    } else if (!IsWideFieldType(fields_.GetFieldDef(c.field).FieldType)) {
      EXPECT_EQ(out, std::string(16, '?')) << "nothing copied";
    }
  }
}

TEST_F(RecordBufferTest, WideTextReadGivesTheSlotsAddress) {
  const char16_t text[] = u"ab";
  PutRecordFieldData(kWide3, fields_, text, Record());
  char16_t* address = nullptr;
  ASSERT_TRUE(GetRecordFieldData(kWide3, fields_, &address, Record()));
  EXPECT_EQ(reinterpret_cast<Byte*>(address), Slot(kWide3));
  // Writing through the address changes the record itself.
  const char16_t z = u'z';
  std::memcpy(address, &z, 2);
  EXPECT_EQ(Slot(kWide3)[0], 'z');
}

TEST_F(RecordBufferTest, TextWithoutTerminatorIsReadOnlyUpToItsSlot) {
  std::memset(Slot(kText5), 'q', 6);  // a damaged slot: no terminator
  std::string out(16, '?');
  ASSERT_TRUE(GetRecordFieldData(kText5, fields_, out.data(), Record()));
  EXPECT_EQ(out.substr(0, 7), std::string("qqqqq\0?", 7));
}

TEST_F(RecordBufferTest, FieldNumbersOutsideTheFieldsAreRefused) {
  Integer v = 0;
  ExpectEngineError([&] { GetRecordFieldData(9, fields_, &v, Record()); }, 10000,
                    "Invalid field number - FieldNo = 9, FieldCount = 9 - Native error: 10000");
  ExpectEngineError([&] { GetRecordFieldData(-1, fields_, &v, Record()); }, 10000,
                    "Invalid field number - FieldNo = -1, FieldCount = 9 - Native error: 10000");
  ExpectEngineError([&] { PutRecordFieldData(9, fields_, &v, Record()); }, 10004,
                    "Invalid field number - FieldNo = 9, FieldCount = 9 - Native error: 10004");
}

// ---- the buffer cache ----

using BufferCacheTest = EngineBlocksTest;

TEST_F(BufferCacheTest, BorrowersThatDoNotOverlapShareOneBuffer) {
  TSQLMemRecordBufferCache cache(24);
  Byte* first = cache.GetBuffer();
  cache.ReleaseBuffer(first);
  Byte* second = cache.GetBuffer();
  EXPECT_EQ(second, first);
  cache.ReleaseBuffer(second);
  EXPECT_EQ(cache.GetBufferCount(), 1);
  EXPECT_EQ(cache.GetUsedCount(), 0);
}

TEST_F(BufferCacheTest, OverlappingBorrowersGetTheirOwnBuffersAndFreedOnesComeBackFirst) {
  TSQLMemRecordBufferCache cache(24);
  Byte* a = cache.GetBuffer();
  Byte* b = cache.GetBuffer();
  Byte* c = cache.GetBuffer();
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(cache.GetBufferCount(), 3);
  EXPECT_EQ(cache.GetUsedCount(), 3);
  std::memset(a, 1, 24);  // a full buffer is writable
  cache.ReleaseBuffer(c);
  cache.ReleaseBuffer(a);
  EXPECT_EQ(cache.GetUsedCount(), 1);
  EXPECT_EQ(cache.GetBuffer(), a) << "the lowest free buffer is lent first";
  EXPECT_EQ(cache.GetBuffer(), c);
  EXPECT_EQ(cache.GetBufferCount(), 3);

  Byte foreign[4];
  cache.ReleaseBuffer(foreign);  // not the cache's: ignored
  EXPECT_EQ(cache.GetUsedCount(), 3);
  // Buffers still lent out when the cache goes are freed with it (the fixture checks for leaks).
}

}  // namespace
