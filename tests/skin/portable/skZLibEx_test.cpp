#include "skin/manager/skZLibEx.h"

#include <gtest/gtest.h>

#include "skin/portable/SkinFixtures.h"

using namespace skintest;

namespace {

Bytes ReadAll(TStream& s, Integer piece = 1000) {
  Bytes out;
  std::string buf(static_cast<size_t>(piece), '\0');
  for (Integer n; (n = s.Read(buf.data(), piece)) > 0;) out.append(buf, 0, static_cast<size_t>(n));
  return out;
}

// A source holding one zlib stream of 20,000 known bytes, then a tail that is not part of it.
struct ZSource : ::testing::Test {
  Bytes data = Noise(20000, 7);
  Bytes tail = "TAIL";
  std::unique_ptr<TMemoryStream> source = StreamOf(Deflate(data) + tail);
};

}  // namespace

TEST_F(ZSource, ReadsTheStreamAndLeavesTheSourceJustAfterIt) {
  TZDecompressionStream z(*source);
  EXPECT_EQ(ReadAll(z), data);
  EXPECT_TRUE(z.StreamEnded());
  EXPECT_EQ(z.Position(), 20000);
  char rest[4];
  source->ReadBuffer(rest, 4);
  EXPECT_EQ(Bytes(rest, 4), tail);
}

TEST_F(ZSource, ContinuesFromItsOwnPlaceWhenTheSharedSourceWasMoved) {
  TZDecompressionStream z(*source);
  Bytes first(100, '\0');
  z.ReadBuffer(first.data(), 100);
  source->SetPosition(3);  // another reader of the same source
  EXPECT_EQ(first + ReadAll(z), data);
}

TEST_F(ZSource, SeekRules) {
  TZDecompressionStream z(*source);
  Bytes buf(10, '\0');
  z.ReadBuffer(buf.data(), 10);
  // 0 from the beginning restarts inflate at the source's start.
  EXPECT_EQ(z.Seek(Int64{0}, soBeginning), 0);
  z.ReadBuffer(buf.data(), 10);
  EXPECT_EQ(buf, data.substr(0, 10));
  // Forward moves skip inflated bytes, from the current position or from the beginning.
  EXPECT_EQ(z.Seek(Int64{100}, soCurrent), 110);
  EXPECT_EQ(z.Seek(Int64{9000}, soBeginning), 9000);
  z.ReadBuffer(buf.data(), 10);
  EXPECT_EQ(buf, data.substr(9000, 10));
  EXPECT_EQ(z.Position(), 9010);
  // 0 from the end runs to the end of the data.
  EXPECT_EQ(z.Seek(Int64{0}, soEnd), 20000);

  const struct {
    Int64 offset;
    TSeekOrigin origin;
  } invalid[] = {{-1, soCurrent}, {5, soBeginning}, {-5, soEnd}, {5, soEnd}};
  for (const auto& c : invalid) {
    try {
      z.Seek(c.offset, c.origin);
      ADD_FAILURE() << "seek " << c.offset << " from " << static_cast<int>(c.origin) << " did not raise";
    } catch (const EZDecompressionError& e) {
      EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
    }
  }
}

TEST_F(ZSource, SkippingPastTheEndIsAReadErrorAndWritingIsRefused) {
  TZDecompressionStream z(*source);
  EXPECT_THROW(z.Seek(Int64{20001}, soCurrent), EReadError);
  try {
    z.Write("x", 1);
    ADD_FAILURE() << "Write did not raise";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
  }
}

TEST(ZDecompressionStream, DamagedStreamsRaiseWithZLibsCodeAndText) {
  Bytes damaged = Deflate(Noise(5000, 3));
  damaged[20] = static_cast<char>(damaged[20] ^ 0x55);
  damaged[21] = static_cast<char>(damaged[21] ^ 0x55);
  // A stream that asks for a preset dictionary (header flag FDICT) cannot go on: no loop, an error.
  const Bytes withDictionary = Bytes("\x78\xBB\x00\x00\x00\x01", 6) + Bytes(10, '\0');
  const struct {
    const char* what;
    Bytes bytes;
    Integer code;
    const char* message;
  } cases[] = {
      {"bad header", Bytes("\x12\x34\x56\x78", 4), Z_DATA_ERROR, "data error"},
      {"damaged data", damaged, Z_DATA_ERROR, "data error"},
      {"preset dictionary", withDictionary, Z_NEED_DICT, "need dictionary"},
  };
  for (const auto& c : cases) {
    auto source = StreamOf(c.bytes);
    TZDecompressionStream z(*source);
    try {
      ReadAll(z);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EZDecompressionError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
}

TEST(ZDecompressionStream, ErrorTextsByCode) {
  const struct {
    Integer code;
    const char* text;
  } table[] = {{2, "need dictionary"}, {1, "stream end"},          {0, "ok"},           {-1, "file error"},
               {-2, "stream error"},   {-3, "data error"},          {-4, "insufficient memory"},
               {-5, "buffer error"},   {-6, "incompatible version"}};
  for (const auto& t : table) EXPECT_EQ(EZLibError(t.code).Message(), t.text) << t.code;
}

TEST(ZDecompressionStream, SkipToStreamEndReportsWhatWasLeftOrThatTheSourceEnded) {
  const Bytes data = Noise(3000, 1);
  auto source = StreamOf(Deflate(data));
  TZDecompressionStream z(*source);
  Bytes head(1000, '\0');
  z.ReadBuffer(head.data(), 1000);
  EXPECT_EQ(z.SkipToStreamEnd(), 2000);
  EXPECT_EQ(source->Position(), source->Size());

  const Bytes whole = Deflate(data);
  auto cut = StreamOf(whole.substr(0, whole.size() - 2));  // the trailer is incomplete
  TZDecompressionStream zc(*cut);
  EXPECT_THROW(zc.SkipToStreamEnd(), EReadError);
}
