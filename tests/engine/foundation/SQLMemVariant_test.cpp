#include "engine/foundation/SQLMemVariant.h"

#include <gtest/gtest.h>

#include "engine/foundation/EngineTestSupport.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/Stream.h"

namespace {

// Every engine block a test's values take is given back when they are gone.
class SQLMemVariantTest : public EnglishEngineBlocksTest {};

std::string BytesOf(const TSQLMemVariant& v) {
  return v.Data() ? std::string(static_cast<const char*>(v.Data()), v.DataSize()) : std::string();
}

// A block of the engine memory manager holding the bytes, for AttachData and SetData.
void* EngineBlock(const std::string& bytes) {
  void* p = MemoryManager().GetMem(static_cast<Int64>(bytes.size()));
  std::memcpy(p, bytes.data(), bytes.size());
  return p;
}

// ---- typed setters and getters ----

// Each setter on an untyped value gives the setter's type, the storage form and the same value back.
TEST_F(SQLMemVariantTest, EverySetterStoresItsTypeAndEveryGetterReadsItBack) {
  TSQLMemVariant v;
  v.SetAsShortInt(-128);
  EXPECT_EQ(v.DataType(), edtShortInt);
  EXPECT_EQ(v.GetAsShortInt(), -128);
  EXPECT_EQ(v.DataSize(), 1);

  TSQLMemVariant s16;
  s16.SetAsSmallInt(-32768);
  EXPECT_EQ(s16.DataType(), edtSmallInt);
  EXPECT_EQ(s16.GetAsSmallInt(), -32768);

  TSQLMemVariant i;
  i.SetAsInteger(std::numeric_limits<Integer>::min());
  EXPECT_EQ(i.DataType(), edtInteger);
  EXPECT_EQ(i.GetAsInteger(), std::numeric_limits<Integer>::min());
  EXPECT_EQ(BytesOf(i), std::string("\0\0\0\x80", 4));

  TSQLMemVariant l;
  l.SetAsLargeInt(std::numeric_limits<Int64>::min());
  EXPECT_EQ(l.DataType(), edtLargeInt);
  EXPECT_EQ(l.GetAsLargeInt(), std::numeric_limits<Int64>::min());
  EXPECT_EQ(l.DataSize(), 8);

  TSQLMemVariant b;
  b.SetAsByte(255);
  EXPECT_EQ(b.DataType(), edtByte);
  EXPECT_EQ(b.GetAsByte(), 255);

  TSQLMemVariant w;
  w.SetAsWord(65535);
  EXPECT_EQ(w.DataType(), edtWord);
  EXPECT_EQ(w.GetAsWord(), 65535);

  TSQLMemVariant c;
  c.SetAsCardinal(4294967295u);
  EXPECT_EQ(c.DataType(), edtCardinal);
  EXPECT_EQ(c.GetAsCardinal(), 4294967295u);

  TSQLMemVariant f;
  f.SetAsSingle(1.5f);
  EXPECT_EQ(f.DataType(), edtSingle);
  EXPECT_EQ(f.GetAsSingle(), 1.5f);

  TSQLMemVariant d;
  d.SetAsDouble(-0.1);
  EXPECT_EQ(d.DataType(), edtDouble);
  EXPECT_EQ(d.GetAsDouble(), -0.1);

  TSQLMemVariant e;
  const long double third = 1.0L / 3;
  e.SetAsExtended(third);
  EXPECT_EQ(e.DataType(), edtExtended);
  EXPECT_EQ(e.DataSize(), 10);
  EXPECT_EQ(e.GetAsExtended(), third);  // all 64 mantissa bits survive

  TSQLMemVariant date;
  date.SetAsDate(EncodeDate(2009, 3, 5));
  EXPECT_EQ(date.DataType(), edtDate);
  EXPECT_EQ(date.GetAsDateValue(), 733471);
  EXPECT_EQ(date.GetAsDate(), EncodeDate(2009, 3, 5));
  date.SetAsDateValue(1);
  EXPECT_EQ(date.GetAsDate(), EncodeDate(1, 1, 1));

  TSQLMemVariant time;
  time.SetAsTime(EncodeTime(13, 30, 0, 5));
  EXPECT_EQ(time.DataType(), edtTime);
  EXPECT_EQ(time.GetAsTimeValue(), 48600005);
  EXPECT_NEAR(time.GetAsTime(), EncodeTime(13, 30, 0, 5), 1e-12);

  TSQLMemVariant stamp;
  const TDateTime when = EncodeDateTime(2009, 3, 5, 13, 30, 0, 5);
  stamp.SetAsDateTime(when);
  EXPECT_EQ(stamp.DataType(), edtTimeStamp);
  EXPECT_EQ(stamp.GetAsTimeStampValue().date, 733471);
  EXPECT_EQ(stamp.GetAsTimeStampValue().time, 48600005);
  EXPECT_NEAR(stamp.GetAsDateTime(), when, 1e-9);
  stamp.SetAsTimeStampValue(TSQLMemTimeStamp{NullDate, NullTime});
  EXPECT_FALSE(stamp.IsNull());
  EXPECT_EQ(stamp.GetAsTimeStampValue().date, NullDate);

  TSQLMemVariant flag;
  flag.SetAsBoolean(true);
  EXPECT_EQ(flag.DataType(), edtBoolean);
  EXPECT_EQ(BytesOf(flag), "\xFF\xFF");  // true is stored as -1
  EXPECT_TRUE(flag.GetAsBoolean());
  flag.SetAsBoolean(false);
  EXPECT_FALSE(flag.GetAsBoolean());

  TSQLMemVariant money;
  money.SetAsCurrency(12.34);
  EXPECT_EQ(money.DataType(), edtCurrency);
  EXPECT_EQ(money.GetAsCurrency(), 12.34);

  TSQLMemVariant text;
  text.SetAsString("abc");
  EXPECT_EQ(text.DataType(), edtVarchar);
  EXPECT_EQ(BytesOf(text), std::string("abc\0", 4));
  EXPECT_EQ(text.GetAsString(), "abc");

  TSQLMemVariant wide;
  wide.SetAsWideString(u"\u0151z");
  EXPECT_EQ(wide.DataType(), edtWideVarchar);
  EXPECT_EQ(wide.DataSize(), 6);
  EXPECT_EQ(wide.GetAsWideString(), u"\u0151z");
  EXPECT_EQ(wide.GetAsString(), "\xF5z");  // narrowed to Windows-1250
}

// A typed value keeps its declared type whatever setter is used.
TEST_F(SQLMemVariantTest, SettersConvertIntoTheDeclaredType) {
  struct Case {
    const char* what;
    Integer declared;
    std::function<void(TSQLMemVariant&)> set;
    Integer type;
    const char* text;  // GetAsString afterwards
  };
  const Case cases[] = {
      {"Integer + '12'", edtInteger, [](TSQLMemVariant& v) { v.SetAsString("12"); }, edtInteger, "12"},
      {"untyped + '12'", edtNone, [](TSQLMemVariant& v) { v.SetAsString("12"); }, edtVarchar, "12"},
      {"Char + 'ab'", edtChar, [](TSQLMemVariant& v) { v.SetAsString("ab"); }, edtChar, "ab"},
      {"Double + 3", edtDouble, [](TSQLMemVariant& v) { v.SetAsInteger(3); }, edtDouble, "3"},
      {"String + 12.5", edtVarchar, [](TSQLMemVariant& v) { v.SetAsDouble(12.5); }, edtVarchar, "12.5"},
      {"WideString + 7", edtWideVarchar, [](TSQLMemVariant& v) { v.SetAsInteger(7); }, edtWideVarchar, "7"},
      {"Boolean + 'true'", edtBoolean, [](TSQLMemVariant& v) { v.SetAsString("true"); }, edtBoolean, "True"},
      {"Byte + Integer 300", edtByte, [](TSQLMemVariant& v) { v.SetAsInteger(300); }, edtByte, "44"},
      {"Date + 733471", edtDate, [](TSQLMemVariant& v) { v.SetAsInteger(733471); }, edtDate, "3/5/2009"},
      {"TimeStamp + date", edtTimeStamp, [](TSQLMemVariant& v) { v.SetAsDate(EncodeDate(2009, 3, 5)); },
       edtTimeStamp, "3/5/2009"},
      {"Currency + '2.5'", edtCurrency, [](TSQLMemVariant& v) { v.SetAsString("2.5"); }, edtCurrency, "2.5"},
      // A BLOB-typed value takes the incoming type.
      {"Memo + 'ab'", edtMemo, [](TSQLMemVariant& v) { v.SetAsString("ab"); }, edtVarchar, "ab"},
      {"BLOB + 5", edtBLOB, [](TSQLMemVariant& v) { v.SetAsInteger(5); }, edtInteger, "5"},
      // Empty text stores no block: the value is null and reads as empty text.
      {"String + ''", edtVarchar, [](TSQLMemVariant& v) { v.SetAsString(""); }, edtVarchar, ""},
  };
  for (const Case& c : cases) {
    TSQLMemVariant v(c.declared);
    c.set(v);
    EXPECT_EQ(v.DataType(), c.type) << c.what;
    EXPECT_EQ(v.GetAsString(), c.text) << c.what;
    EXPECT_TRUE(v.OwnsData()) << c.what;
  }
  TSQLMemVariant twelve(edtInteger);
  twelve.SetAsString("12");
  EXPECT_EQ(twelve.GetAsInteger(), 12);
}

TEST_F(SQLMemVariantTest, AFailedSetterLeavesTheValueAsItWas) {
  TSQLMemVariant v(edtInteger);
  v.SetAsInteger(5);
  ExpectEngineError([&] { v.SetAsString("x"); }, 30051, "Cannot cast from 'STRING' to 'INTEGER' - Native error: 30051");
  EXPECT_EQ(v.GetAsInteger(), 5);
  ExpectEngineError([&] { v.SetValue("\x01", edtBytes, 1); }, 30052,
                    "Cannot cast from 'BYTES' to 'INTEGER' - Native error: 30052");
  EXPECT_EQ(v.GetAsInteger(), 5);
}

TEST_F(SQLMemVariantTest, SettingTheSameTypeAgainReusesTheBlock) {
  TSQLMemVariant v;
  v.SetAsLargeInt(1);
  const void* block = v.Data();
  v.SetAsLargeInt(2);
  EXPECT_EQ(v.Data(), block);
  EXPECT_EQ(v.GetAsLargeInt(), 2);
  v.SetNull();
  v.SetAsLargeInt(3);  // the null mark goes, the block stays
  EXPECT_FALSE(v.IsNull());
  EXPECT_EQ(v.GetAsLargeInt(), 3);
}

TEST_F(SQLMemVariantTest, GettersConvertACopyAndLeaveTheValue) {
  TSQLMemVariant v;
  v.SetAsString("42");
  EXPECT_EQ(v.GetAsInteger(), 42);
  EXPECT_EQ(v.GetAsDouble(), 42.0);
  EXPECT_EQ(v.GetAsByte(), 42);
  EXPECT_EQ(v.GetAsWideString(), u"42");
  EXPECT_EQ(v.DataType(), edtVarchar);
  EXPECT_EQ(BytesOf(v), std::string("42\0", 3));
  EXPECT_THROW(v.GetAsDate(), ESQLMemException);

  TSQLMemVariant stamp;
  stamp.SetAsTimeStampValue(TSQLMemTimeStamp{733471, 43200000});
  EXPECT_EQ(stamp.GetAsDateValue(), 733471);
  EXPECT_EQ(stamp.GetAsTimeValue(), 43200000);
  EXPECT_EQ(stamp.GetAsDouble(), 733471.5);

  Integer out = 0;
  stamp.GetValue(&out, edtDate);
  EXPECT_EQ(out, 733471);
  EXPECT_THROW(stamp.GetValue(&out, edtVarchar), ERangeError);  // text has no fixed size
}

TEST_F(SQLMemVariantTest, TextGettersReadUpToTheTerminatorMemosReadEveryByte) {
  TSQLMemVariant text;
  text.SetData(EngineBlock(std::string("ab\0cd\0", 6)), 6, edtVarchar, false, true);
  EXPECT_EQ(text.GetAsString(), "ab");
  EXPECT_EQ(text.GetTextLength(), 2);

  TSQLMemVariant memo;
  memo.SetData(EngineBlock(std::string("ab\0cd", 5)), 5, edtMemo, false, true);
  EXPECT_EQ(memo.GetAsString(), std::string("ab\0cd", 5));
  EXPECT_EQ(memo.GetTextLength(), 5);

  TSQLMemVariant blob;
  blob.SetData(EngineBlock(std::string("ab\0cd", 5)), 5, edtBLOB, false, true);
  EXPECT_EQ(blob.GetAsString(), "ab");  // a BLOB converts like text

  TSQLMemVariant wide;
  wide.SetData(EngineBlock(std::string("a\0b\0\0\0c\0\0\0", 10)), 10, edtWideVarchar, false, true);
  EXPECT_EQ(wide.GetAsWideString(), u"ab");
  EXPECT_EQ(wide.GetTextLength(), 2);

  TSQLMemVariant wideMemo;
  wideMemo.SetData(EngineBlock(std::string("a\0\0\0c\0", 6)), 6, edtWideMemo, false, true);
  EXPECT_EQ(wideMemo.GetAsWideString(), std::u16string(u"a\0c", 3));
  EXPECT_EQ(wideMemo.GetTextLength(), 6);

  TSQLMemVariant number;
  number.SetAsInteger(1);
  EXPECT_EQ(number.GetTextLength(), -1);
}

// ---- null rules ----

TEST_F(SQLMemVariantTest, NullValues) {
  TSQLMemVariant v(edtInteger);
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.GetAsString(), "");
  EXPECT_EQ(v.GetAsWideString(), u"");
  ExpectEngineError([&] { v.GetAsInteger(); }, 30016, "Value is Null - Native error: 30016");
  ExpectEngineError([&] { v.CheckNotNull(); }, 30016, "Value is Null - Native error: 30016");
  EXPECT_THROW(v.GetAsBoolean(), ESQLMemException);
  EXPECT_THROW(v.GetAsDateTime(), ESQLMemException);
  EXPECT_THROW(v.GetAsExtended(), ESQLMemException);
  EXPECT_EQ(v.GetTextLength(), -1);

  v.SetAsInteger(5);
  v.SetDataSize(0);  // null, type kept
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.DataType(), edtInteger);
  v.SetNull();
  EXPECT_TRUE(v.IsNull());

  char out[4] = {};
  EXPECT_FALSE(v.CopyDataTo(out, -1));
}

// ---- raw access and retyping ----

TEST_F(SQLMemVariantTest, RawAccess) {
  TSQLMemVariant v(edtVarchar);
  v.SetDataSize(3);
  std::memcpy(v.Data(), "ab", 3);
  EXPECT_EQ(v.GetAsString(), "ab");
  v.SetDataSize(5);  // kept bytes stay
  EXPECT_EQ(std::memcmp(v.Data(), "ab", 3), 0);
  EXPECT_THROW(v.SetDataSize(-1), ERangeError);

  char out[8] = {};
  EXPECT_TRUE(v.CopyDataTo(out, 2));
  EXPECT_EQ(std::string(out, 2), "ab");
  EXPECT_EQ(out[2], 0);

  TSQLMemVariant a(edtMemo);
  a.AttachData(EngineBlock("xyz"), 3);
  EXPECT_EQ(a.DataType(), edtMemo);
  EXPECT_EQ(a.GetAsString(), "xyz");
  EXPECT_TRUE(a.OwnsData());
  a.AttachData(nullptr, 3);
  EXPECT_TRUE(a.IsNull());
  EXPECT_EQ(a.DataType(), edtMemo);

  TSQLMemVariant copy;
  char local[] = "hello";
  copy.SetData(local, 6, edtVarchar, true, false);
  local[0] = 'j';
  EXPECT_EQ(copy.GetAsString(), "hello");
  EXPECT_TRUE(copy.OwnsData());
  const void* block = copy.Data();
  copy.SetData(local, 6, edtChar, true, false);  // same size: the owned block is reused
  EXPECT_EQ(copy.Data(), block);
  EXPECT_EQ(copy.DataType(), edtChar);
  EXPECT_EQ(copy.GetAsString(), "jello");
  copy.SetData(copy.Data(), 3, edtVarchar, true, false);  // a copy from inside its own block
  EXPECT_EQ(std::string(static_cast<const char*>(copy.Data()), 3), "jel");
  copy.SetData(local, 0, edtInteger, true, false);
  EXPECT_TRUE(copy.IsNull());
  EXPECT_EQ(copy.DataType(), edtInteger);
}

TEST_F(SQLMemVariantTest, ConvertToAndSetDataType) {
  TSQLMemVariant v;
  v.SetAsString("x");
  ExpectEngineError([&] { v.ConvertTo(edtInteger); }, 30051, "Cannot cast from 'STRING' to 'INTEGER' - Native error: 30051");
  EXPECT_EQ(v.DataType(), edtVarchar);
  EXPECT_EQ(v.GetAsString(), "x");
  ExpectEngineError([&] { v.ConvertTo(edtBytes); }, 30052, "Cannot cast from 'STRING' to 'BYTES' - Native error: 30052");

  const void* block = v.Data();
  v.ConvertTo(edtChar);  // between the 8-bit text types only the code changes
  EXPECT_EQ(v.DataType(), edtChar);
  EXPECT_EQ(v.Data(), block);

  v.SetDataType(edtInteger);  // does not convert: a null Integer, no error
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.DataType(), edtInteger);
  EXPECT_EQ(v.Data(), nullptr);

  TSQLMemVariant n;
  n.SetAsString("12");
  n.SetDataType(edtSmallInt);
  EXPECT_EQ(n.DataType(), edtSmallInt);
  EXPECT_EQ(n.GetAsSmallInt(), 12);
  n.ConvertTo(edtWideVarchar);
  EXPECT_EQ(n.GetAsWideString(), u"12");
  n.ConvertTo(edtMemo);
  EXPECT_EQ(BytesOf(n), "12");  // a Memo holds no terminator

  TSQLMemVariant empty(edtDate);
  empty.ConvertTo(edtVarchar);
  EXPECT_EQ(empty.DataType(), edtVarchar);
  EXPECT_TRUE(empty.IsNull());
}

// ---- ownership ----

TEST_F(SQLMemVariantTest, BorrowedBlocksAreNeverFreed) {
  TSQLMemVariant owner;
  owner.SetAsString("shared");
  const Int64 allocated = MemoryManager().Allocated();
  {
    TSQLMemVariant borrower;
    borrower.Assign(owner, false);
    EXPECT_EQ(borrower.Data(), owner.Data());
    EXPECT_FALSE(borrower.OwnsData());
    EXPECT_EQ(borrower.GetAsString(), "shared");
    borrower.Clear(edtInteger);  // forgets the pointer
    EXPECT_EQ(borrower.Data(), nullptr);
    borrower.Assign(owner, false);
  }
  EXPECT_EQ(MemoryManager().Allocated(), allocated);
  EXPECT_EQ(owner.GetAsString(), "shared");

  // A foreign buffer that is not an engine block: releasing the value must not touch it (ASan).
  char stack[] = "on the stack";
  {
    TSQLMemVariant v;
    v.SetData(stack, sizeof stack, edtVarchar, false, false);
    EXPECT_EQ(v.GetAsString(), "on the stack");
    EXPECT_FALSE(v.OwnsData());
    v.SetAsString("replaced");  // a new owned block; the stack buffer stays
    EXPECT_TRUE(v.OwnsData());
  }
  EXPECT_STREQ(stack, "on the stack");

  // Resizing a borrowed block copies it into a block of the value's own.
  {
    TSQLMemVariant v;
    v.SetData(stack, 3, edtVarchar, false, false);
    v.SetDataSize(6);
    EXPECT_TRUE(v.OwnsData());
    EXPECT_NE(v.Data(), static_cast<void*>(stack));
    EXPECT_EQ(std::string(static_cast<const char*>(v.Data()), 3), "on ");
  }

  // Taking ownership: the value frees the block (the fixture checks that nothing is left).
  {
    TSQLMemVariant v;
    v.SetData(EngineBlock("own"), 3, edtMemo, false, true);
    EXPECT_TRUE(v.OwnsData());
  }
}

TEST_F(SQLMemVariantTest, AssignCopiesOrShares) {
  TSQLMemVariant source;
  source.SetAsInteger(7);
  TSQLMemVariant copy;
  copy.Assign(source, true);
  EXPECT_NE(copy.Data(), source.Data());
  EXPECT_TRUE(copy.OwnsData());
  EXPECT_EQ(copy.GetAsInteger(), 7);

  // A BLOB copy takes the whole block the source owns, not just its data size.
  TSQLMemVariant blob(edtBLOB);
  blob.AttachData(EngineBlock("0123456789abcdef"), 5);
  TSQLMemVariant blobCopy;
  blobCopy.Assign(blob, true);
  EXPECT_EQ(blobCopy.DataSize(), 5);
  EXPECT_EQ(MemoryManager().GetBlockSize(blobCopy.Data()), 16);
  EXPECT_EQ(BytesOf(blobCopy), "01234");

  // A null source gives a null of its type.
  TSQLMemVariant nullSource(edtDouble);
  copy.Assign(nullSource, true);
  EXPECT_TRUE(copy.IsNull());
  EXPECT_EQ(copy.DataType(), edtDouble);

  // Copying back from a value that borrows this one's block.
  TSQLMemVariant a;
  a.SetAsString("hello");
  TSQLMemVariant b;
  b.Assign(a, false);
  a.Assign(b, true);
  EXPECT_EQ(a.GetAsString(), "hello");
  EXPECT_TRUE(a.OwnsData());
  a.Assign(a, true);
  EXPECT_EQ(a.GetAsString(), "hello");
}

// Under EngineWipeMemory an owned block is zero-filled before release: a BLOB over its whole block,
// other types over their data (ASan checks that the wipe stays inside the block).
TEST_F(SQLMemVariantTest, WipingReleasesOwnedBlocksOnly) {
  EngineWipeMemory = true;
  {
    TSQLMemVariant blob(edtBLOB);
    blob.AttachData(EngineBlock("0123456789abcdef"), 4);
    TSQLMemVariant text;
    text.SetAsString("secret");
    char stack[] = "borrowed";
    TSQLMemVariant borrowed;
    borrowed.SetData(stack, sizeof stack, edtVarchar, false, false);
    blob.Clear();
    text.Clear();
    borrowed.Clear();
    EXPECT_STREQ(stack, "borrowed");
  }
  EngineWipeMemory = false;
}

// ---- stream form ----

TEST_F(SQLMemVariantTest, StreamFormIsTypeNullMarkSizeAndData) {
  struct Case {
    const char* what;
    std::function<void(TSQLMemVariant&)> set;
    std::string bytes;
  };
  const Case cases[] = {
      {"null Integer", [](TSQLMemVariant& v) { v.Clear(edtInteger); }, std::string("\x07\xFF", 2)},
      {"Integer", [](TSQLMemVariant& v) { v.SetAsInteger(0x01020304); },
       std::string("\x07\x00\x04\x00\x00\x00\x04\x03\x02\x01", 10)},
      {"text", [](TSQLMemVariant& v) { v.SetAsString("ab"); }, std::string("\x03\x00\x03\x00\x00\x00" "ab\x00", 9)},
      {"Memo", [](TSQLMemVariant& v) { v.SetData(EngineBlock("ab"), 2, edtMemo, false, true); },
       std::string("\x13\x00\x02\x00\x00\x00" "ab", 8)},
      {"Boolean", [](TSQLMemVariant& v) { v.SetAsBoolean(true); }, std::string("\x15\x00\x02\x00\x00\x00\xFF\xFF", 8)},
      {"null mark over a block", [](TSQLMemVariant& v) { v.SetAsLargeInt(9); v.SetNull(); }, std::string("\x08\xFF", 2)},
      {"untyped", [](TSQLMemVariant&) {}, std::string("\x00\xFF", 2)},
  };
  for (const Case& c : cases) {
    TSQLMemVariant v;
    c.set(v);
    TMemoryStream stream;
    v.SaveToStream(stream);
    ASSERT_EQ(stream.Size(), static_cast<Int64>(c.bytes.size())) << c.what;
    EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), c.bytes.size()), c.bytes) << c.what;

    stream.SetPosition(0);
    TSQLMemVariant back(edtDouble);
    back.SetAsDouble(1);
    back.LoadFromStream(stream);
    EXPECT_EQ(back.DataType(), v.DataType()) << c.what;
    EXPECT_EQ(back.IsNull(), v.IsNull()) << c.what;
    if (!v.IsNull()) {
      EXPECT_EQ(BytesOf(back), BytesOf(v)) << c.what;
    }
    EXPECT_EQ(stream.Position(), stream.Size()) << c.what;
  }
}

TEST_F(SQLMemVariantTest, EveryTypeSurvivesTheStream) {
  std::vector<std::function<void(TSQLMemVariant&)>> setters = {
      [](TSQLMemVariant& v) { v.SetAsShortInt(-3); },     [](TSQLMemVariant& v) { v.SetAsSmallInt(-300); },
      [](TSQLMemVariant& v) { v.SetAsInteger(-70000); },  [](TSQLMemVariant& v) { v.SetAsLargeInt(1LL << 40); },
      [](TSQLMemVariant& v) { v.SetAsByte(200); },        [](TSQLMemVariant& v) { v.SetAsWord(60000); },
      [](TSQLMemVariant& v) { v.SetAsCardinal(4000000000u); }, [](TSQLMemVariant& v) { v.SetAsSingle(0.25f); },
      [](TSQLMemVariant& v) { v.SetAsDouble(0.1); },      [](TSQLMemVariant& v) { v.SetAsExtended(0.1L); },
      [](TSQLMemVariant& v) { v.SetAsDateValue(733471); }, [](TSQLMemVariant& v) { v.SetAsTimeValue(1); },
      [](TSQLMemVariant& v) { v.SetAsTimeStampValue({1, 2}); }, [](TSQLMemVariant& v) { v.SetAsBoolean(false); },
      [](TSQLMemVariant& v) { v.SetAsCurrency(1.25); },   [](TSQLMemVariant& v) { v.SetAsString("\xF5r"); },
      [](TSQLMemVariant& v) { v.SetAsWideString(u"\u0171"); },
      [](TSQLMemVariant& v) { v.SetValue("\x00\x01", edtVarBytes, 2); },
  };
  for (std::size_t i = 0; i < setters.size(); ++i) {
    TSQLMemVariant v;
    setters[i](v);
    TMemoryStream stream;
    v.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 6 + v.DataSize()) << i;
    stream.SetPosition(0);
    TSQLMemVariant back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.DataType(), v.DataType()) << i;
    EXPECT_EQ(BytesOf(back), BytesOf(v)) << i;
    if (v.DataType() != edtVarBytes) {  // byte strings have no order
      EXPECT_EQ(back.Compare(v, true, false, false), ccEqual) << i << " " << EngineDataTypeName(v.DataType());
    }
  }
}

// A stream that takes or gives at most `limit` bytes in all.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(Int64 limit) : limit_(limit) {}
  using TMemoryStream::Seek;
  Integer Write(const void* buffer, Integer count) override {
    const Integer n = static_cast<Integer>(std::min<Int64>(count, limit_));
    limit_ -= n;
    return TMemoryStream::Write(buffer, n);
  }

 private:
  Int64 limit_;
};

TEST_F(SQLMemVariantTest, ShortTransfersRaiseTheirOwnCodes) {
  TSQLMemVariant v;
  v.SetAsInteger(1);
  const Integer writeCodes[] = {10179, 10180, 10181, 10181, 10182};
  const Int64 limits[] = {0, 1, 2, 5, 6};
  for (int i = 0; i < 5; ++i) {
    TShortStream stream(limits[i]);
    try {
      v.SaveToStream(stream);
      ADD_FAILURE() << "no error at limit " << limits[i];
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), writeCodes[i]) << limits[i];
    }
  }
  TShortStream cut(1);
  ExpectEngineError([&] { v.SaveToStream(cut); }, 10180,
                    "Cannot write to stream. Position = 1, Stream size = 1, Block size = 1, Bytes Write = 0 - Native "
                    "error: 10180");

  TMemoryStream full;
  v.SaveToStream(full);
  const std::string bytes(static_cast<const char*>(full.Memory()), full.Size());
  const Integer readCodes[] = {10183, 10184, 10185, 10185, 10186};
  const std::size_t lengths[] = {0, 1, 2, 5, 9};
  for (int i = 0; i < 5; ++i) {
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), static_cast<Integer>(lengths[i]));
    in.SetPosition(0);
    TSQLMemVariant back;
    try {
      back.LoadFromStream(in);
      ADD_FAILURE() << "no error at length " << lengths[i];
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), readCodes[i]) << lengths[i];
    }
  }
}

// Damaged sizes are refused before anything is allocated for them.
TEST_F(SQLMemVariantTest, DamagedSizesAreRefused) {
  for (Integer size : {-5, 1000000000, std::numeric_limits<Integer>::max()}) {
    TMemoryStream in;
    const char header[2] = {3, 0};
    in.WriteBuffer(header, 2);
    in.WriteBuffer(&size, 4);
    in.WriteBuffer("abc", 3);
    in.SetPosition(0);
    TSQLMemVariant back;
    ExpectEngineError([&] { back.LoadFromStream(in); }, 10186,
                      "Cannot read from stream. Position = 6, Stream size = 9, Block size = " + std::to_string(size) +
                          ", Bytes Read = 0 - Native error: 10186");
    EXPECT_EQ(back.DataType(), edtVarchar);  // partly read
    EXPECT_TRUE(back.IsNull());
  }
  // A size of zero with the value mark reads as null.
  TMemoryStream in;
  in.WriteBuffer(std::string("\x07\x00\x00\x00\x00\x00", 6).data(), 6);
  in.SetPosition(0);
  TSQLMemVariant back;
  back.LoadFromStream(in);
  EXPECT_TRUE(back.IsNull());
  EXPECT_EQ(back.DataType(), edtInteger);
}

// A value whose data is shorter than its type raises instead of reading past the block.
TEST_F(SQLMemVariantTest, ShortDataIsNotReadPastItsEnd) {
  TMemoryStream in;
  in.WriteBuffer(std::string("\x08\x00\x01\x00\x00\x00\x05", 7).data(), 7);
  in.SetPosition(0);
  TSQLMemVariant v;
  v.LoadFromStream(in);
  EXPECT_EQ(v.DataType(), edtLargeInt);
  EXPECT_THROW(v.GetAsLargeInt(), ERangeError);
  EXPECT_THROW(v.GetAsString(), ERangeError);
  TSQLMemVariant other;
  other.SetAsLargeInt(5);
  EXPECT_THROW(v.Compare(other, true, false, false), ERangeError);
}

// ---- exchange with Variant ----

TEST_F(SQLMemVariantTest, SetAsVariantByTypeCode) {
  struct Case {
    Variant value;
    Integer type;
    const char* text;
  };
  const Case cases[] = {
      {Variant(SmallInt(-2)), edtSmallInt, "-2"},
      {Variant(Integer(70000)), edtInteger, "70000"},
      {Variant(0.5f), edtSingle, "0.5"},
      {Variant(0.25), edtDouble, "0.25"},
      {Variant(Currency::FromRaw(12345)), edtCurrency, "1.2345"},
      {VarFromDateTime(EncodeDate(2009, 3, 5)), edtTimeStamp, "3/5/2009"},
      {Variant(u"w\u0151"), edtWideVarchar, "w\xF5"},
      {Variant(true), edtBoolean, "True"},
      {Variant(ShortInt(-5)), edtShortInt, "-5"},
      {Variant(Byte(250)), edtByte, "250"},
      {Variant(Word(65000)), edtWord, "65000"},
      {Variant(LongWord(4000000000u)), edtCardinal, "4000000000"},
      {Variant(Int64(1) << 40), edtLargeInt, "1099511627776"},
      {Variant("text"), edtVarchar, "text"},
  };
  for (const Case& c : cases) {
    TSQLMemVariant v;
    v.SetAsVariant(c.value);
    EXPECT_EQ(v.DataType(), c.type) << c.text;
    EXPECT_EQ(v.GetAsString(), c.text);
  }

  // Null keeps the type; a typed value converts whatever arrives.
  TSQLMemVariant typed(edtInteger);
  typed.SetAsVariant(Variant("12"));
  EXPECT_EQ(typed.GetAsInteger(), 12);
  typed.SetAsVariant(Null());
  EXPECT_TRUE(typed.IsNull());
  EXPECT_EQ(typed.DataType(), edtInteger);

  // A byte array becomes Bytes holding every byte (it once became null on the way).
  const Byte raw[] = {0, 1, 2, 255};
  TSQLMemVariant bytes;
  bytes.SetAsVariant(VarArrayOfBytes(raw));
  EXPECT_EQ(bytes.DataType(), edtBytes);
  EXPECT_FALSE(bytes.IsNull());
  EXPECT_EQ(BytesOf(bytes), std::string("\x00\x01\x02\xFF", 4));
  Variant shifted = VarArrayCreate(5, 6, varByte);
  VarArrayPut(shifted, Variant(Byte(9)), 6);
  bytes.SetAsVariant(shifted);
  EXPECT_EQ(BytesOf(bytes), std::string("\x00\x09", 2));

  ExpectEngineError([&] { bytes.SetAsVariant(Variant()); }, 30113, "Unsupported Variant Type 0 - Native error: 30113");
  ExpectEngineError([&] { bytes.SetAsVariant(Variant(UInt64(1))); }, 30113,
                    "Unsupported Variant Type 21 - Native error: 30113");
  ExpectEngineError([&] { bytes.SetAsVariant(VarArrayOf({Variant(1)})); }, 30113,
                    "Unsupported Variant Type 8204 - Native error: 30113");
}

TEST_F(SQLMemVariantTest, GetAsVariantByDataType) {
  struct Case {
    std::function<void(TSQLMemVariant&)> set;
    TVarType varType;
    Variant expected;
  };
  const Case cases[] = {
      {[](TSQLMemVariant& v) { v.SetAsString("ab"); }, varString, Variant("ab")},
      {[](TSQLMemVariant& v) { v.SetAsWideString(u"ab"); }, varOleStr, Variant(u"ab")},
      {[](TSQLMemVariant& v) { v.SetAsShortInt(-1); }, varShortInt, Variant(ShortInt(-1))},
      {[](TSQLMemVariant& v) { v.SetAsSmallInt(-1); }, varSmallint, Variant(SmallInt(-1))},
      {[](TSQLMemVariant& v) { v.SetAsInteger(-1); }, varInteger, Variant(Integer(-1))},
      {[](TSQLMemVariant& v) { v.SetAsLargeInt(-1); }, varInt64, Variant(Int64(-1))},
      {[](TSQLMemVariant& v) { v.SetAsByte(1); }, varByte, Variant(Byte(1))},
      {[](TSQLMemVariant& v) { v.SetAsWord(1); }, varWord, Variant(Word(1))},
      {[](TSQLMemVariant& v) { v.SetAsCardinal(4000000000u); }, varLongWord, Variant(LongWord(4000000000u))},
      {[](TSQLMemVariant& v) { v.SetAsSingle(0.5f); }, varDouble, Variant(0.5)},
      {[](TSQLMemVariant& v) { v.SetAsExtended(0.5L); }, varDouble, Variant(0.5)},
      {[](TSQLMemVariant& v) { v.SetAsCurrency(2.5); }, varDouble, Variant(2.5)},
      {[](TSQLMemVariant& v) { v.SetAsDateValue(693596); }, varDouble, Variant(2.0)},
      {[](TSQLMemVariant& v) { v.SetAsTimeValue(43200000); }, varDouble, Variant(0.5)},
      {[](TSQLMemVariant& v) { v.SetAsTimeStampValue({693596, 43200000}); }, varDate, VarFromDateTime(2.5)},
      {[](TSQLMemVariant& v) { v.SetAsBoolean(true); }, varBoolean, Variant(true)},
      {[](TSQLMemVariant& v) { v.SetData(EngineBlock(std::string("ab\0c", 4)), 4, edtBLOB, false, true); }, varString,
       Variant("ab")},
      {[](TSQLMemVariant& v) { v.Clear(edtBytes); }, varEmpty, Variant()},
      {[](TSQLMemVariant& v) { v.Clear(edtMemo); }, varNull, Null()},
      {[](TSQLMemVariant& v) { v.Clear(edtNone); }, varNull, Null()},
      {[](TSQLMemVariant& v) { v.Clear(edtVarchar); }, varString, Variant("")},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    TSQLMemVariant v;
    cases[i].set(v);
    const Variant got = v.GetAsVariant();
    EXPECT_EQ(got.VarType(), cases[i].varType) << i;
    EXPECT_TRUE(VarSameValue(got, cases[i].expected) || (got.IsNull() && cases[i].expected.IsNull())) << i;
  }

  TSQLMemVariant bytes;
  bytes.SetValue("\x07\x08", edtBytes, 2);
  const Variant array = bytes.GetAsVariant();
  EXPECT_EQ(array.VarType(), varArray | varByte);
  EXPECT_EQ(VarArrayLowBound(array), 0);
  EXPECT_EQ(VarArrayHighBound(array), 1);
  EXPECT_EQ(VarArrayBytes(array)[1], 8);

  TSQLMemVariant memo;
  memo.SetData(EngineBlock("m"), 1, edtMemo, false, true);
  ExpectEngineError([&] { memo.GetAsVariant(); }, 30114, "Unsupported Variant Type MEMO - Native error: 30114");
  TSQLMemVariant nullInteger(edtInteger);
  ExpectEngineError([&] { nullInteger.GetAsVariant(); }, 30016, "Value is Null - Native error: 30016");
}

// ---- comparison ----

TEST_F(SQLMemVariantTest, CompareMapsNullCodesUnlessRaw) {
  TSQLMemVariant null1(edtInteger), null2(edtVarchar), value;
  value.SetAsInteger(1);
  EXPECT_EQ(null1.Compare(value, true, false, false), ccFirstNull);
  EXPECT_EQ(null1.Compare(value, false, false, false), ccLess);
  EXPECT_EQ(value.Compare(null1, true, false, false), ccSecondNull);
  EXPECT_EQ(value.Compare(null1, false, false, false), ccGreater);
  EXPECT_EQ(null1.Compare(null2, true, false, false), ccBothNull);
  EXPECT_EQ(null1.Compare(null2, false, false, false), ccEqual);
}

TEST_F(SQLMemVariantTest, CompareAcrossTypesAndPartially) {
  TSQLMemVariant two, ten, abcdef, abc, ABC;
  two.SetAsInteger(2);
  ten.SetAsString("10");
  abcdef.SetAsString("abcdef");
  abc.SetAsString("abc");
  ABC.SetAsWideString(u"ABC");
  EXPECT_EQ(two.Compare(ten, false, false, false), ccGreater);  // as text
  EXPECT_EQ(abcdef.Compare(abc, false, true, false), ccEqual);  // starts with
  EXPECT_EQ(abcdef.Compare(abc, false, false, false), ccGreater);
  EXPECT_EQ(abc.Compare(abcdef, false, true, false), ccLess);
  EXPECT_EQ(abc.Compare(ABC, false, false, true), ccEqual);
  EXPECT_NE(abc.Compare(ABC, false, false, false), ccEqual);
}

TEST_F(SQLMemVariantTest, BLOBsCompareWithTextAsText) {
  TSQLMemVariant blob, memo, text, wide;
  blob.SetData(EngineBlock("abcdef"), 6, edtBLOB, false, true);
  memo.SetData(EngineBlock("abc"), 3, edtMemo, false, true);
  text.SetAsString("abc");
  wide.SetAsWideString(u"abd");
  EXPECT_EQ(blob.Compare(text, false, false, false), ccGreater);
  EXPECT_EQ(text.Compare(blob, false, false, false), ccLess);
  EXPECT_EQ(blob.Compare(text, false, true, false), ccEqual);  // the text side's length
  EXPECT_EQ(text.Compare(blob, false, true, false), ccEqual);
  EXPECT_EQ(memo.Compare(text, false, false, false), ccEqual);
  // A Memo is 8-bit text and a WideMemo UTF-16, whatever the other side's width.
  EXPECT_EQ(memo.Compare(wide, false, false, false), ccLess);
  EXPECT_EQ(wide.Compare(memo, false, false, false), ccGreater);
  TSQLMemVariant wideMemo;
  wideMemo.SetData(EngineBlock(std::string("a\0b\0c\0", 6)), 6, edtWideMemo, false, true);
  EXPECT_EQ(wideMemo.Compare(text, false, false, false), ccEqual);
  EXPECT_EQ(text.Compare(wideMemo, false, false, false), ccEqual);
  EXPECT_EQ(wideMemo.Compare(wide, false, false, false), ccLess);
  // A BLOB takes the text side's width.
  TSQLMemVariant wideBlob;
  wideBlob.SetData(EngineBlock(std::string("a\0b\0d\0", 6)), 6, edtBLOB, false, true);
  EXPECT_EQ(wideBlob.Compare(wide, false, false, false), ccEqual);
  TSQLMemVariant number;
  number.SetAsInteger(1);
  ExpectEngineError([&] { blob.Compare(number, false, false, false); }, 30044,
                    "Cannot compare Incompatible DataTypes: 'BLOB' and 'INTEGER' - Native error: 30044");
}

// ---- hash ----

TEST_F(SQLMemVariantTest, HashOfNullAndEmptyText) {
  TSQLMemVariant null(edtVarchar);
  EXPECT_EQ(null.GetHash(), 0x73B58EAFu);
  TSQLMemVariant empty;
  empty.SetData(EngineBlock(std::string("\0", 1)), 1, edtVarchar, false, true);
  EXPECT_FALSE(empty.IsNull());
  EXPECT_EQ(empty.GetHash(), 0xDE3C6A08u);
}

TEST_F(SQLMemVariantTest, HashCoversTheValueNotItsBuffer) {
  // Short values add their bytes to the CRC; longer ones are the CRC alone.
  TSQLMemVariant one;
  one.SetAsInteger(1);
  EXPECT_EQ(one.GetHash(), Crc32Update(0xDE3C6A08, std::string("\x01\0\0\0", 4)) + 1);
  TSQLMemVariant longText;
  longText.SetAsString("abcdefghijk");  // 11 bytes
  EXPECT_EQ(longText.GetHash(), Crc32Update(0xDE3C6A08, "abcdefghijk"));

  // Equal values with equal storage hash alike, whatever lies behind the terminator.
  TSQLMemVariant fixed, var, padded, wideA, wideB;
  fixed.SetData(EngineBlock(std::string("abc\0", 4)), 4, edtChar, false, true);
  var.SetAsString("abc");
  padded.SetData(EngineBlock(std::string("abc\0xyz\0", 8)), 8, edtVarchar, false, true);
  wideA.SetAsWideString(u"abc");
  wideB.SetData(EngineBlock(std::string("a\0b\0c\0\0\0q\0", 10)), 10, edtWideChar, false, true);
  EXPECT_EQ(fixed.GetHash(), var.GetHash());
  EXPECT_EQ(padded.GetHash(), var.GetHash());
  EXPECT_EQ(wideA.GetHash(), wideB.GetHash());
  EXPECT_EQ(padded.Compare(var, false, false, false), ccEqual);
  EXPECT_EQ(wideA.Compare(wideB, false, false, false), ccEqual);

  // A Memo hashes its bytes: the same as text without the terminator.
  TSQLMemVariant memo;
  memo.SetData(EngineBlock("abc"), 3, edtMemo, false, true);
  EXPECT_EQ(memo.GetHash(), var.GetHash());

  // Values of one type that are equal hash alike, whatever way they were set.
  TSQLMemVariant viaText(edtLargeInt), viaInt;
  viaText.SetAsString("123456789012");
  viaInt.SetAsLargeInt(123456789012LL);
  EXPECT_EQ(viaText.GetHash(), viaInt.GetHash());
  EXPECT_EQ(viaText.Compare(viaInt, false, false, false), ccEqual);
  TSQLMemVariant d1(edtDate), d2;
  d1.SetAsString("3/5/2009");
  d2.SetAsDate(EncodeDate(2009, 3, 5));
  EXPECT_EQ(d1.GetHash(), d2.GetHash());

  EXPECT_NE(one.GetHash(), viaInt.GetHash());
}

}  // namespace
