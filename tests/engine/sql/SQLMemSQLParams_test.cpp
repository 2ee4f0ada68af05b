// The parameter list as the SQL layer uses it: look-up by name and hash, assignment and the stream form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

using SQLParams = EngineBlocksTest;

std::vector<Byte> Bytes(TMemoryStream& stream) {
  const Byte* p = static_cast<const Byte*>(stream.Memory());
  return std::vector<Byte>(p, p + stream.Size());
}

// Takes writes until its room is spent, then takes nothing: a full disk part-way through.
class FullStream : public TStream {
 public:
  explicit FullStream(Integer room) : room_(room) {}
  using TStream::Seek;
  Integer Read(void* buffer, Integer count) override { return inner_.Read(buffer, count); }
  Integer Write(const void* buffer, Integer count) override {
    const Integer n = std::min(count, room_);
    room_ -= n;
    return inner_.Write(buffer, n);
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }

 private:
  TMemoryStream inner_;
  Integer room_;
};

TEST_F(SQLParams, StreamFormIsNameLengthNameThenValue) {
  TSQLMemSQLParams params;
  params.Add("Day").Value.SetAsInteger(5);
  TMemoryStream stream;
  params.GetItem(0).SaveToStream(stream);
  const std::vector<Byte> expected = {3, 0, 0, 0, 'D', 'a', 'y', edtInteger, 0, 4, 0, 0, 0, 5, 0, 0, 0};
  EXPECT_EQ(Bytes(stream), expected);

  TMemoryStream unnamed;
  TSQLMemSQLParam nameless;
  nameless.SaveToStream(unnamed);
  EXPECT_EQ(Bytes(unnamed), (std::vector<Byte>{0, 0, 0, 0, edtNone, 255})) << "no name bytes, a null value";
}

TEST_F(SQLParams, StreamRoundTripKeepsNamesHashesAndValues) {
  TSQLMemSQLParams saved;
  saved.Add("Day").Value.SetAsInteger(-7);
  saved.Add(Utf8ToCp1250("Cím")).Value.SetAsString(Utf8ToCp1250("árvíztűrő tükörfúrógép"));
  saved.Add("Wide").Value.SetAsWideString(u"ő");
  saved.Add("Nothing").Value.Clear(edtDate);
  saved.Add("");
  TMemoryStream stream;
  for (Integer i = 0; i < saved.GetCount(); ++i) saved.GetItem(i).SaveToStream(stream);

  stream.SetPosition(0);
  TSQLMemSQLParams loaded;
  for (Integer i = 0; i < saved.GetCount(); ++i) loaded.Add("old name").LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  for (Integer i = 0; i < saved.GetCount(); ++i) {
    const TSQLMemSQLParam& a = saved.GetItem(i);
    const TSQLMemSQLParam& b = loaded.GetItem(i);
    SCOPED_TRACE(a.Name);
    EXPECT_EQ(b.Name, a.Name);
    EXPECT_EQ(b.NameHashValue, a.NameHashValue);
    EXPECT_EQ(b.Value.DataType(), a.Value.DataType());
    EXPECT_EQ(b.Value.IsNull(), a.Value.IsNull());
    EXPECT_EQ(b.Value.GetHash(), a.Value.GetHash());
  }
  EXPECT_EQ(loaded.GetItem(1).Value.GetAsString(), Utf8ToCp1250("árvíztűrő tükörfúrógép"));
  EXPECT_EQ(loaded.GetItem(4).NameHashValue, 0u) << "an empty name hashes to 0";
  EXPECT_EQ(loaded.GetValueSignature(), saved.GetValueSignature());
}

TEST_F(SQLParams, DamagedOrShortStreamsRaiseTheirCodes) {
  const struct {
    const char* what;
    std::vector<Byte> bytes;
    Integer code;
  } cases[] = {
      {"empty", {}, 11190},
      {"short length", {3, 0}, 11190},
      {"short name", {3, 0, 0, 0, 'D'}, 11191},
      {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'D'}, 11191},
      {"length beyond the stream", {0xFF, 0xFF, 0xFF, 0x7F, 'D'}, 11191},
      {"no value", {1, 0, 0, 0, 'D'}, 10183},
  };
  for (const auto& c : cases) {
    TMemoryStream stream;
    if (!c.bytes.empty()) stream.WriteBuffer(c.bytes.data(), static_cast<Integer>(c.bytes.size()));
    stream.SetPosition(0);
    TSQLMemSQLParam param("p");
    EXPECT_EQ(NativeErrorOf([&] { param.LoadFromStream(stream); }), c.code) << c.what;
  }

  TSQLMemSQLParam param("Day");
  param.Value.SetAsInteger(5);
  const struct {
    Integer room;
    Integer code;
  } writes[] = {{0, 11192}, {3, 11192}, {4, 11193}, {6, 11193}, {7, 10179}};
  for (const auto& w : writes) {
    FullStream full(w.room);
    EXPECT_EQ(NativeErrorOf([&] { param.SaveToStream(full); }), w.code) << w.room;
  }
}

TEST_F(SQLParams, FindByNameIgnoresLetterCaseAndTakesTheFirst) {
  TSQLMemSQLParams params;
  params.Add("Day").Value.SetAsInteger(1);
  params.Add(Utf8ToCp1250("Őszi")).Value.SetAsInteger(2);
  params.Add("DAY").Value.SetAsInteger(3);
  ASSERT_NE(params.FindParam("day"), nullptr);
  EXPECT_EQ(params.FindParam("day")->Value.GetAsInteger(), 1) << "duplicates are allowed; the first wins";
  ASSERT_NE(params.FindParam(Utf8ToCp1250("ŐSZI")), nullptr) << "accented letters fold too";
  EXPECT_EQ(params.FindParam(Utf8ToCp1250("őszi")), &params.GetItem(1));
  EXPECT_EQ(params.FindParam("Da"), nullptr);
  EXPECT_EQ(params.FindParam(""), nullptr);

  EXPECT_EQ(params.IndexOfHash(NameHash("dAy", true)), 0);
  EXPECT_EQ(params.IndexOfHash(NameHash(Utf8ToCp1250("őSZI"), true)), 1);
  EXPECT_EQ(params.IndexOfHash(NameHash("Night", true)), -1);

  params.GetItem(0).SetName("Night");
  EXPECT_EQ(params.IndexOfHash(NameHash("NIGHT", true)), 0) << "SetName recomputes the hash";
  EXPECT_EQ(params.IndexOfHash(NameHash("day", true)), 2);

  EXPECT_THROW(params.GetItem(3), EListError);
  EXPECT_THROW(params.GetItem(-1), EListError);
  params.Clear();
  EXPECT_EQ(params.GetCount(), 0);
}

TEST_F(SQLParams, AssignTakesTheNameOnlyFromAParameter) {
  TSQLMemSQLParam source("Title");
  source.Value.SetAsString("tea");
  TSQLMemSQLParam target("Day");
  target.Assign(source.Value, true);
  EXPECT_EQ(target.Name, "Day") << "a plain value has no name to give";
  EXPECT_EQ(target.Value.GetAsString(), "tea");

  target.Assign(source, true);
  EXPECT_EQ(target.Name, "Title");
  EXPECT_EQ(target.NameHashValue, NameHash("title", true));
  EXPECT_NE(target.Value.Data(), source.Value.Data()) << "a copy";
  source.Value.SetAsString("rum");
  EXPECT_EQ(target.Value.GetAsString(), "tea");

  target.Assign(target, true);
  EXPECT_EQ(target.Name, "Title") << "assigning to itself changes nothing";
  EXPECT_EQ(target.Value.GetAsString(), "tea");
}

}  // namespace
