#include "skin/manager/skPNG.h"

#include <gtest/gtest.h>

#include <cmath>
#include "skin/portable/SkinFixtures.h"

using namespace skintest;

namespace {

TPNGPixels Decode(const Bytes& png) {
  auto s = StreamOf(png);
  return ReadPNG(*s);
}

// The message a damaged file is refused with; "" when it loads.
std::string Refusal(const Bytes& png) {
  try {
    Decode(png);
    return "";
  } catch (const EInvalidGraphic& e) {
    return e.Message();
  }
}

const std::string kCrc = "Cannot load image. CRC error found in PNG file.";
const std::string kInvalid = "Cannot load image. Invalid or unexpected PNG image format.";
const std::string kCritical = "Cannot load PNG image. Unexpected but critical chunk detected.";
const std::string kPalette = "Cannot load image. Palette in PNG file is invalid.";
const std::string kCompression = "Cannot load image. Compression error found in PNG file.";
const std::string kExtra = "Cannot load image. Extra compressed data found in PNG file.";

// Samples from a fixed-seed hash of the position, in range for the depth.
SampleFn Random(int colorType, int depth, uint32_t seed) {
  return [=](uint32_t x, uint32_t y) {
    std::vector<uint32_t> v;
    for (int c = 0; c < SamplesOf(colorType); ++c) {
      uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (static_cast<uint32_t>(c) * 83492791u) ^ seed;
      h ^= h >> 13;
      h *= 0x5bd1e995u;
      h ^= h >> 15;
      v.push_back(h & ((1u << depth) - 1));
    }
    return v;
  };
}

// What a sample of the given depth shows as in 8 bits: grey levels spread over 0..255, 16-bit values
// scaled by 255 / 65535 (truncated).
uint32_t Level(uint32_t v, int depth) { return depth == 16 ? v * 255 / 65535 : depth == 8 ? v : v * 255 / ((1u << depth) - 1); }

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// The pixel the reader must produce for the given samples.
uint32_t Expected(int colorType, int depth, const std::vector<uint32_t>& s, const std::vector<uint32_t>& palette) {
  switch (colorType) {
    case 0: return Argb(255, Level(s[0], depth), Level(s[0], depth), Level(s[0], depth));
    case 2: return Argb(255, Level(s[0], depth), Level(s[1], depth), Level(s[2], depth));
    case 3: return palette[s[0]];
    case 4: return Argb(Level(s[1], depth), Level(s[0], depth), Level(s[0], depth), Level(s[0], depth));
    default: return Argb(Level(s[3], depth), Level(s[0], depth), Level(s[1], depth), Level(s[2], depth));
  }
}

Bytes Png(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced, const SampleFn& f,
          std::vector<PngChunk> extra = {}, int idatPieces = 1) {
  return Serialize(PngChunks(w, h, depth, colorType, interlaced, f, std::move(extra), idatPieces));
}

// A small RGBA image that the damage tests start from.
Bytes SmallRgba(std::vector<PngChunk> extra = {}, int idatPieces = 1) {
  return Png(5, 4, 8, 6, false, Random(6, 8, 11), std::move(extra), idatPieces);
}

}  // namespace

TEST(PNGReader, EveryColourTypeAndDepthPlainAndInterlaced) {
  const struct {
    int colorType;
    std::vector<int> depths;
  } formats[] = {{0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  // Sizes that leave Adam7 passes partial or empty, and wide enough rows for every filter to matter.
  const struct {
    uint32_t w, h;
  } sizes[] = {{13, 11}, {1, 1}, {1, 9}, {9, 1}, {33, 3}};
  for (const auto& f : formats) {
    for (int depth : f.depths) {
      // A full palette for the depth, its alpha given by tRNS for all but the last entries.
      std::vector<uint32_t> palette;
      Bytes plte, trns;
      const uint32_t entries = f.colorType == 3 ? 1u << depth : 0;
      for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t r = (i * 37) & 255, g = (i * 91 + 7) & 255, b = (i * 13 + 100) & 255;
        const uint32_t a = i + 2 < entries ? (i * 59) & 255 : 255;
        plte += {static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
        if (i + 2 < entries) trns += static_cast<char>(a);
        palette.push_back(Argb(a, r, g, b));
      }
      for (bool interlaced : {false, true}) {
        for (const auto& size : sizes) {
          std::vector<PngChunk> extra;
          if (entries) extra = {{"PLTE", plte}, {"tRNS", trns}};
          const SampleFn sample = Random(f.colorType, depth, static_cast<uint32_t>(depth * 10 + f.colorType));
          const TPNGPixels img = Decode(Png(size.w, size.h, depth, f.colorType, interlaced, sample, extra));
          SCOPED_TRACE(testing::Message() << "colour type " << f.colorType << ", depth " << depth
                                          << (interlaced ? ", interlaced " : ", plain ") << size.w << "x" << size.h);
          ASSERT_EQ(img.Width, static_cast<Integer>(size.w));
          ASSERT_EQ(img.Height, static_cast<Integer>(size.h));
          EXPECT_EQ(img.Properties.Interlaced, interlaced);
          EXPECT_EQ(img.Properties.BitsPerSample, depth);
          int wrong = 0;
          for (uint32_t y = 0; y < size.h; ++y)
            for (uint32_t x = 0; x < size.w; ++x)
              if (img.Pixel(static_cast<Integer>(x), static_cast<Integer>(y)) != Expected(f.colorType, depth, sample(x, y), palette) &&
                  ++wrong <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                              << img.Pixel(static_cast<Integer>(x), static_cast<Integer>(y)) << " instead of "
                              << Expected(f.colorType, depth, sample(x, y), palette);
        }
      }
    }
  }
}

TEST(PNGReader, ImagePropertiesFromTheHeader) {
  const struct {
    int colorType, depth;
    TColorScheme scheme;
    int samples;
    bool alpha;
  } cases[] = {{0, 2, csG, 1, false}, {2, 16, csRGB, 3, false}, {3, 4, csIndexed, 1, false},
               {4, 8, csGA, 2, true},  {6, 16, csRGBA, 4, true}};
  for (const auto& c : cases) {
    std::vector<PngChunk> extra{{"gAMA", Bytes("\0\0\xB1\x8F", 4)}};  // 45455
    if (c.colorType == 3) extra.push_back({"PLTE", Bytes(48, '\x10')});
    auto s = StreamOf(Png(7, 3, c.depth, c.colorType, true, Random(c.colorType, c.depth, 1), extra));
    TPNGImageProperties p;
    ASSERT_TRUE(ReadPNGImageProperties(*s, p));
    EXPECT_EQ(p.Width, 7u);
    EXPECT_EQ(p.Height, 3u);
    EXPECT_EQ(p.ColorScheme, c.scheme);
    EXPECT_EQ(p.SamplesPerPixel, c.samples);
    EXPECT_EQ(p.BitsPerPixel, c.samples * c.depth);
    EXPECT_EQ(p.HasAlpha, c.alpha);
    EXPECT_TRUE(p.Interlaced);
    EXPECT_DOUBLE_EQ(p.FileGamma, 0.45455);
  }
  TPNGImageProperties p;
  auto notPng = StreamOf("GIF89a and more bytes than a signature");
  EXPECT_FALSE(ReadPNGImageProperties(*notPng, p));
  auto zeroWidth = StreamOf(Serialize({{"IHDR", IhdrData(0, 5, 8, 2)}, {"IEND", ""}}));
  EXPECT_FALSE(ReadPNGImageProperties(*zeroWidth, p));
}

TEST(PNGReader, TransparentColoursOfGreyAndRgbImages) {
  // Grey 2 bits: sample 1 is transparent; its colour value is the level it shows as (85).
  const SampleFn greys = [](uint32_t x, uint32_t) { return std::vector<uint32_t>{x % 4}; };
  TPNGPixels g = Decode(Png(4, 1, 2, 0, false, greys, {{"tRNS", Bytes("\0\1", 2)}}));
  EXPECT_TRUE(g.HasTransparentColor);
  EXPECT_EQ(g.TransparentColor, 0x555555u);
  EXPECT_EQ(g.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(g.Pixel(1, 0), 0x00555555u);
  EXPECT_EQ(g.Pixel(2, 0), 0xFFAAAAAAu);
  EXPECT_EQ(g.Pixel(3, 0), 0xFFFFFFFFu);

  // RGB 16 bits: the full 16-bit value must match, not just its 8-bit scale.
  const SampleFn rgb16 = [](uint32_t x, uint32_t) {
    return x == 0 ? std::vector<uint32_t>{0x1234, 0xFFFF, 0x0000} : std::vector<uint32_t>{0x1235, 0xFFFF, 0x0000};
  };
  TPNGPixels c = Decode(Png(2, 1, 16, 2, false, rgb16, {{"tRNS", Bytes("\x12\x34\xFF\xFF\0\0", 6)}}));
  EXPECT_EQ(c.TransparentColor, 0x0000FF12u);  // 0x00BBGGRR
  EXPECT_EQ(c.Pixel(0, 0), 0x0012FF00u);
  EXPECT_EQ(c.Pixel(1, 0), 0xFF12FF00u);

  // Images with an alpha channel ignore tRNS.
  TPNGPixels a = Decode(Png(1, 1, 8, 4, false, [](uint32_t, uint32_t) { return std::vector<uint32_t>{9, 200}; },
                            {{"tRNS", Bytes("\0\x09", 2)}}));
  EXPECT_FALSE(a.HasTransparentColor);
  EXPECT_EQ(a.Pixel(0, 0), 0xC8090909u);
}

TEST(PNGReader, GammaChangesTheColourChannelsOfRgbImagesOnly) {
  // File gamma 1.0 with the display gamma 2.2: 128 -> round(255 * (128/255)^(1/2.2)) = 186.
  const Bytes gamma1("\0\x01\x86\xA0", 4);
  const SampleFn rgba = [](uint32_t, uint32_t) { return std::vector<uint32_t>{128, 0, 255, 128}; };
  EXPECT_EQ(Decode(Png(1, 1, 8, 6, false, rgba, {{"gAMA", gamma1}})).Pixel(0, 0), 0x80BA00FFu);
  EXPECT_EQ(Decode(Png(1, 1, 8, 6, false, rgba)).Pixel(0, 0), 0x808000FFu);
  const SampleFn grey = [](uint32_t, uint32_t) { return std::vector<uint32_t>{128}; };
  EXPECT_EQ(Decode(Png(1, 1, 8, 0, false, grey, {{"gAMA", gamma1}})).Pixel(0, 0), 0xFF808080u);
  // The usual 1/2.2 of a file cancels the display gamma.
  EXPECT_EQ(Decode(Png(1, 1, 8, 6, false, rgba, {{"gAMA", Bytes("\0\0\xB1\x8F", 4)}})).Pixel(0, 0), 0x808000FFu);
}

TEST(PNGReader, ChunkLetterCaseSplitImageDataAndAncillaryChunksDoNotChangeTheImage) {
  const SampleFn f = Random(6, 16, 3);
  const TPNGPixels reference = Decode(Png(17, 6, 16, 6, true, f));
  std::vector<PngChunk> lower = PngChunks(17, 6, 16, 6, true, f);
  for (PngChunk& c : lower)
    for (char& ch : c.type) ch = static_cast<char>(ch | 0x20);
  EXPECT_EQ(Decode(Serialize(lower)).Pixels, reference.Pixels);
  EXPECT_EQ(Decode(Png(17, 6, 16, 6, true, f, {}, 9)).Pixels, reference.Pixels);
  // Empty IDAT chunks within the run, unknown ancillary chunks, bKGD and a second run are harmless.
  std::vector<PngChunk> chunks = PngChunks(17, 6, 16, 6, true, f, {{"tEXt", "Comment\0x"}, {"bKGD", Bytes(6, '\0')}}, 3);
  chunks.insert(chunks.begin() + 4, PngChunk{"IDAT", ""});
  chunks.insert(chunks.end() - 1, PngChunk{"zzZz", "private"});
  chunks.insert(chunks.end() - 1, PngChunk{"IDAT", "ignored"});
  EXPECT_EQ(Decode(Serialize(chunks)).Pixels, reference.Pixels);
}

TEST(PNGReader, TheStreamIsLeftAfterTheImage) {
  auto s = StreamOf(SmallRgba() + "NEXT");
  ReadPNG(*s);
  char next[4];
  s->ReadBuffer(next, 4);
  EXPECT_EQ(Bytes(next, 4), "NEXT");
}

TEST(PNGReader, DamagedFilesAreRefusedWithTheirMessage) {
  const SampleFn rgba = Random(6, 8, 11);
  const auto withIdat = [&](const Bytes& z) {
    return Serialize({{"IHDR", IhdrData(5, 4, 8, 6)}, {"IDAT", z}, {"IEND", ""}});
  };
  const Bytes rows = ImageData(5, 4, 8, 6, false, rgba);
  std::vector<PngChunk> badIhdrCrc = PngChunks(5, 4, 8, 6, false, rgba);
  badIhdrCrc[0].badCrc = true;
  std::vector<PngChunk> badIdatCrc = PngChunks(5, 4, 8, 6, false, rgba);
  badIdatCrc[1].badCrc = true;
  std::vector<PngChunk> badIendCrc = PngChunks(5, 4, 8, 6, false, rgba);
  badIendCrc.back().badCrc = true;
  const SampleFn index = [](uint32_t, uint32_t) { return std::vector<uint32_t>{1}; };
  const struct {
    const char* what;
    Bytes png;
    std::string message;
  } cases[] = {
      {"CRC error in IHDR", Serialize(badIhdrCrc), kCrc},
      {"CRC error in IDAT", Serialize(badIdatCrc), kCrc},
      {"CRC error in IEND", Serialize(badIendCrc), kCrc},
      {"wrong signature", "\x89PnG\r\n\x1a\n" + SmallRgba().substr(8), kInvalid},
      {"first chunk not IHDR", Serialize({{"gAMA", Bytes(4, '\1')}, {"IHDR", IhdrData(1, 1, 8, 0)}}), kInvalid},
      {"zero height", Serialize({{"IHDR", IhdrData(4, 0, 8, 0)}, {"IEND", ""}}), kInvalid},
      {"unknown interlace method", Serialize({{"IHDR", IhdrData(4, 4, 8, 0, 2)}, {"IEND", ""}}), kInvalid},
      {"short IHDR", Serialize({{"IHDR", IhdrData(4, 4, 8, 0).substr(0, 12)}, {"IEND", ""}}), kInvalid},
      // A size no skin uses is refused before anything is allocated (a 16384 x 16384 image in a file of
      // a few hundred KB would take 1.5 GB, 3 GB at 16 bits).
      {"16384 x 16384 pixels", Serialize({{"IHDR", IhdrData(16384, 16384, 8, 0)}, {"IDAT", Deflate(Bytes(100, '\0'))},
                                         {"IEND", ""}}),
       "Cannot load image. The PNG image of 16384 x 16384 pixels is larger than 67108864 pixels."},
      {"64 M + 1 pixels, 16-bit RGBA", Serialize({{"IHDR", IhdrData(67108865, 1, 16, 6)}, {"IEND", ""}}),
       "Cannot load image. The PNG image of 67108865 x 1 pixels is larger than 67108864 pixels."},
      {"no image data", Serialize({{"IHDR", IhdrData(4, 4, 8, 0)}, {"IEND", ""}}), kInvalid},
      {"no IEND", Serialize(PngChunks(5, 4, 8, 6, false, rgba)).substr(0, SmallRgba().size() - 12), kInvalid},
      {"RGB of 4 bits", Serialize({{"IHDR", IhdrData(4, 4, 4, 2)}, {"IEND", ""}}), "Invalid color format in PNG file."},
      {"colour type 5", Serialize({{"IHDR", IhdrData(4, 4, 8, 5)}, {"IEND", ""}}), "Invalid color format in PNG file."},
      {"compression method 1", Serialize({{"IHDR", IhdrData(4, 4, 8, 0, 0, 1)}, {"IEND", ""}}),
       "Cannot load image. The compression scheme is not supported for PNG files."},
      {"unknown critical chunk", SmallRgba({{"QNTx", "data"}}), kCritical},
      {"palette not of triples", Png(2, 2, 8, 3, false, index, {{"PLTE", Bytes(4, '\0')}}), kPalette},
      {"palette of 257 entries", Png(2, 2, 8, 3, false, index, {{"PLTE", Bytes(3 * 257, '\0')}}), kPalette},
      {"indexed without palette", Png(2, 2, 8, 3, false, index), kPalette},
      {"damaged deflate data", withIdat(Bytes("\x78\x9C\xFF\xFF\xFF", 5)), kCompression},
      {"image data stops early", withIdat(Deflate(rows).substr(0, 20)), kCompression},
      {"image data too short", withIdat(Deflate(rows.substr(0, rows.size() - 1))), kExtra},
      {"data after the zlib stream", withIdat(Deflate(rows) + "junk"), kExtra},
      {"largest image, little data", Serialize({{"IHDR", IhdrData(8192, 8192, 8, 0)}, {"IDAT", Deflate(Bytes(100, '\0'))},
                                             {"IEND", ""}}),
       kExtra},
  };
  for (const auto& c : cases) EXPECT_EQ(Refusal(c.png), c.message) << c.what;
}

TEST(PNGReader, EveryTruncationAndEveryBitFlipIsRefused) {
  // Each chunk's CRC covers its type and data, and a changed length misplaces the CRC: no single bit
  // of a PNG can change unnoticed.
  const Bytes png = Png(6, 5, 4, 3, true, Random(3, 4, 2), {{"PLTE", Bytes(48, '\x22')}, {"tRNS", Bytes(3, '\x80')}}, 2);
  for (size_t length = 0; length < png.size(); ++length)
    EXPECT_NE(Refusal(png.substr(0, length)), "") << "cut at " << length;
  for (size_t bit = 0; bit < png.size() * 8; ++bit) {
    Bytes damaged = png;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << bit % 8));
    EXPECT_NE(Refusal(damaged), "") << "bit " << bit;
  }
}

// Small files written by hand, their pixels worked out from the bytes.
TEST(PNGReader, HandCheckedFiles) {
  const struct {
    const char* file;
    Integer w, h;
    std::vector<Cardinal> pixels;
  } files[] = {
      {"grey2-4x1.png", 4, 1, {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
      // 0x8000 -> 127, 0x0101 -> 1, 0x8080 -> 128
      {"rgba16-2x2-adam7.png", 2, 2, {0xFFFF0000, 0x7F00FF00, 0x010000FF, 0x00808080}},
      {"palette-trns-3x2.png", 3, 2, {0x40FF0000, 0xFF0000FF, 0x40FF0000, 0xFF0000FF, 0xFF0000FF, 0x40FF0000}},
  };
  for (const auto& f : files) {
    const TPNGPixels img = Decode(ReadDataFile(std::string("skin/") + f.file));
    EXPECT_EQ(img.Width, f.w) << f.file;
    EXPECT_EQ(img.Height, f.h) << f.file;
    EXPECT_EQ(img.Pixels, f.pixels) << f.file;
  }
}

TEST(PNGReader, ClearWhiteZeroesOnlyTransparentWhite) {
  std::vector<Cardinal> px{0x00FFFFFF, 0xFFFFFFFF, 0x00FFFFFE, 0x01FFFFFF, 0x00FFFFFF};
  ClearWhite(px.data(), px.size());
  EXPECT_EQ(px, (std::vector<Cardinal>{0, 0xFFFFFFFF, 0x00FFFFFE, 0x01FFFFFF, 0}));
}
