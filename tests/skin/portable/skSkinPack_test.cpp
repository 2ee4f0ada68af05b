#include "skin/manager/skSkinPack.h"

#include <gtest/gtest.h>

#include "common/TempDir.h"
#include "skin/manager/skZLibEx.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/rtl/TextConv.h"

using namespace skintest;

namespace {

std::unique_ptr<TskSkinConvertor> Parse(const Bytes& packed) {
  std::unique_ptr<TskSkinConvertor> c(New<TskSkinConvertor>());
  c->PackedData = StreamOf(packed);
  ParsePackedSkin(c);
  return c;
}

const Bytes kOptions = "[GLOBALINFO]\r\nVERSION=8.00\r\n";

}  // namespace

TEST(SkinPack, UnpacksOptionsAndImagesInFileOrder) {
  const Bytes master = Noise(3000, 1), glyph = Noise(500, 2), pattern = "JPEG";
  auto c = Parse(Pack({{"Master.bmp", master}, {"Options.dat", kOptions}, {"Glyph.PNG", glyph}, {"wood.jpg", pattern}}));
  ASSERT_NE(c, nullptr);
  ASSERT_NE(c->Options, nullptr);
  EXPECT_EQ(ContentOf(*c->Options), kOptions);
  EXPECT_EQ(c->Options->Position(), 0);
  EXPECT_EQ(c->ImageCount, 3);
  ASSERT_EQ(c->ImageItems.size(), 3u);
  const struct {
    const char* name;
    bool isBitmap;
    Bytes data;
  } expected[] = {{"Master.bmp", true, master}, {"Glyph.PNG", false, glyph}, {"wood.jpg", false, pattern}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(c->ImageItems[i].Name, expected[i].name);
    EXPECT_EQ(c->ImageItems[i].IsBitmap, expected[i].isBitmap) << expected[i].name;
    EXPECT_EQ(ContentOf(*c->ImageItems[i].Data), expected[i].data) << expected[i].name;
  }
}

TEST(SkinPack, NamesMatchInAnyLetterCase) {
  for (const char* name : {"options.dat", "OPTIONS.DAT", "oPtIoNs.DaT"}) {
    auto c = Parse(Pack({{name, kOptions}, {"A.BMP", "x"}, {"b.Bmp", "y"}, {"c.bmpx", "z"}}));
    ASSERT_NE(c->Options, nullptr) << name;
    EXPECT_EQ(c->ImageCount, 3);
    EXPECT_TRUE(c->ImageItems[0].IsBitmap);
    EXPECT_TRUE(c->ImageItems[1].IsBitmap);
    EXPECT_FALSE(c->ImageItems[2].IsBitmap);
  }
  auto only = Parse(Pack({{"Options.dat", kOptions}}));
  EXPECT_EQ(only->ImageCount, 0);
  EXPECT_TRUE(only->ImageItems.empty());
}

TEST(SkinPack, WrongMagicFreesTheConvertor) {
  for (const Bytes& bytes : {Bytes("CVzF\1\0\0\0", 8), Bytes("PK\3\4 zip file"), Bytes()}) {
    std::unique_ptr<TskSkinConvertor> c(New<TskSkinConvertor>());
    c->PackedData = StreamOf(bytes);
    try {
      ParsePackedSkin(c);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Loaded data is not a packed Corvane file");
    }
    EXPECT_EQ(c, nullptr);
  }
}

TEST(SkinPack, APackWithoutOptionsIsRefused) {
  try {
    Parse(Pack({{"Master.bmp", "x"}}));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Packed skin has no Options.dat entry");
  }
}

// The compressed length of an entry is stored nowhere, and the reader takes its input in pieces of
// 64 KiB: the next entry must be found wherever the first one's trailer falls.
TEST(SkinPack, EntriesOfAnySizeAndPlaceAreFollowedCorrectly) {
  // The big entry comes first: its zlib stream starts the first 64 KiB read. Stored blocks make the stream's length predictable; find payload sizes that put the end of the
  // deflate data and the Adler-32 trailer around the first 64 KiB read.
  // A stored stream is the payload, 5 bytes per block of up to 65,535 bytes, a 2-byte header and the
  // 4-byte trailer.
  const auto payloadFor = [](size_t streamLength) {
    const size_t payload = streamLength - 6 - (streamLength - 6 > 65535 + 5 ? 10 : 5);
    EXPECT_EQ(Deflate(Bytes(payload, 'a'), 0).size(), streamLength);
    return payload;
  };
  const struct {
    const char* what;
    size_t streamLength;  // of the big entry's zlib stream
  } cases[] = {
      {"trailer straddles the boundary", 65536 + 2},
      {"trailer wholly after the boundary", 65536 + 4},
      {"trailer ends on the boundary", 65536},
      {"stream well past the boundary", 65536 + 700},
  };
  for (const auto& c : cases) {
    const Bytes big = Noise(payloadFor(c.streamLength), 5);
    const Bytes packed = Pack({{"Big.bmp", big, 0}, {"Options.dat", kOptions}, {"Small.png", "tiny"}});
    auto conv = Parse(packed);
    ASSERT_EQ(conv->ImageCount, 2) << c.what;
    EXPECT_EQ(ContentOf(*conv->ImageItems[0].Data), big) << c.what;
    EXPECT_EQ(ContentOf(*conv->Options), kOptions) << c.what;
    EXPECT_EQ(ContentOf(*conv->ImageItems[1].Data), "tiny") << c.what;
  }
  // A large entry that compresses well, and an empty one, each followed by more entries.
  const Bytes large(300000, 'q');
  auto conv = Parse(Pack({{"Large.bmp", large}, {"Empty.png", ""}, {"Options.dat", kOptions}, {"After.bmp", "z"}}));
  ASSERT_EQ(conv->ImageCount, 3);
  EXPECT_EQ(ContentOf(*conv->ImageItems[0].Data), large);
  EXPECT_EQ(conv->ImageItems[1].Data->Size(), 0);
  EXPECT_EQ(ContentOf(*conv->ImageItems[2].Data), "z");
}

TEST(SkinPack, DamagedPacksAreRefusedWithReadOrDataErrors) {
  const Bytes options = PackEntryBytes("Options.dat", kOptions);
  const struct {
    const char* what;
    Bytes packed;
    bool dataError;  // EZDecompressionError "data error", else EReadError
  } cases[] = {
      {"count larger than the entries", PackHeader(2) + options, false},
      {"name longer than the data", PackHeader(1) + Bytes("\xFF\xFF\xFF\x7F", 4) + "Options.dat", false},
      {"negative name length", PackHeader(1) + Bytes("\xFF\xFF\xFF\xFF", 4), false},
      {"huge unpacked size", PackHeader(1) + PackEntryBytes("Options.dat", kOptions, 9, 0x7FFFFFFF), false},
      {"negative unpacked size", PackHeader(1) + PackEntryBytes("Options.dat", kOptions, 9, 0x80000000u), false},
      {"size smaller than the data", PackHeader(1) + PackEntryBytes("Options.dat", kOptions, 9, 5), true},
      {"size larger than the data", PackHeader(1) + PackEntryBytes("Options.dat", kOptions, 9, 100), false},
  };
  for (const auto& c : cases) {
    try {
      Parse(c.packed);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EZDecompressionError& e) {
      EXPECT_TRUE(c.dataError) << c.what << ": " << e.Message();
      EXPECT_EQ(e.ErrorCode(), Z_DATA_ERROR) << c.what;
    } catch (const EReadError& e) {
      EXPECT_FALSE(c.dataError) << c.what;
      EXPECT_EQ(e.Message(), "Stream read error") << c.what;
    }
  }
}

TEST(SkinPack, EveryTruncationAndEveryBitFlipEndsInAnException) {
  const Bytes packed = Pack({{"Options.dat", kOptions}, {"a.bmp", Noise(300, 9)}, {"b.png", Bytes(200, 'b')}});
  for (size_t length = 0; length < packed.size(); ++length)
    EXPECT_THROW(Parse(packed.substr(0, length)), Exception) << "cut at " << length;
  // A flip in a name may still give a valid pack; a crash, a hang or another exception type may not.
  size_t refused = 0;
  for (size_t bit = 0; bit < packed.size() * 8; ++bit) {
    Bytes damaged = packed;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << bit % 8));
    try {
      Parse(damaged);
    } catch (const Exception&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, packed.size() * 8 * 9 / 10);
}

TEST(SkinPack, LoadPackedSkinFile) {
  TempDir dir;
  std::unique_ptr<TskSkinConvertor> c;
  LoadPackedSkinFile(dir / u"missing.cvz", c, true);
  EXPECT_EQ(c, nullptr);  // a missing file is not an error

  const Bytes packed = Pack({{"Options.dat", kOptions}, {"m.bmp", "pixels"}});
  {
    TMemoryStream file;
    file.WriteBuffer(packed.data(), static_cast<Integer>(packed.size()));
    file.SaveToFile(dir / u"Mint.cvz");
  }
  LoadPackedSkinFile(dir / u"Mint.cvz", c, false);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->ImageCount, 1);
  ASSERT_NE(c->PackedData, nullptr);
  EXPECT_EQ(ContentOf(*c->PackedData), packed);

  // An existing convertor is cleared first; the free-source flag drops the packed data.
  TskSkinConvertor* same = c.get();
  LoadPackedSkinFile(dir.Ansi(u"Mint.cvz"), c, true);
  EXPECT_EQ(c.get(), same);
  EXPECT_EQ(c->ImageItems.size(), 1u);
  EXPECT_EQ(c->PackedData, nullptr);
  EXPECT_EQ(ContentOf(*c->Options), kOptions);
}
