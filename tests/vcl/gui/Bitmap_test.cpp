// TBitmap: pixels through ScanLine and through the canvas are the same pixels, the BMP format round
// trip keeps format and pixels, damaged files are refused, and resizing/assigning copy what they should.
#include "vcl/gui/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

Cardinal Pixel32(TBitmap& b, int x, int y) {
  Cardinal v;
  std::memcpy(&v, static_cast<Byte*>(b.ScanLine(y)) + 4 * x, 4);
  return v & 0xFFFFFF;  // 0x00RRGGBB
}

void PutPixel32(TBitmap& b, int x, int y, Cardinal rgb) {
  std::memcpy(static_cast<Byte*>(b.ScanLine(y)) + 4 * x, &rgb, 4);
}

std::vector<Byte> Bytes(TMemoryStream& s) {
  const auto* p = static_cast<const Byte*>(s.Memory());
  return std::vector<Byte>(p, p + s.GetSize());
}

}  // namespace

TEST(Bitmap, CanvasDrawingIsReadBackThroughScanLine) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(20, 10);
  b.Canvas().Brush().SetColor(clBlue);  // 0x00BBGGRR: blue
  b.Canvas().FillRect(Rect(0, 0, 20, 10));
  b.Canvas().Brush().SetColor(static_cast<TColor>(0x3366CC));  // R=0xCC G=0x66 B=0x33
  b.Canvas().FillRect(Rect(5, 2, 8, 4));

  EXPECT_EQ(Pixel32(b, 0, 0), 0x0000FFu);       // scan line bytes B,G,R: blue
  EXPECT_EQ(Pixel32(b, 5, 2), 0xCC6633u);
  EXPECT_EQ(Pixel32(b, 7, 3), 0xCC6633u);
  EXPECT_EQ(Pixel32(b, 8, 3), 0x0000FFu);       // right edge excluded
  EXPECT_EQ(Pixel32(b, 5, 4), 0x0000FFu);       // bottom edge excluded
  EXPECT_EQ(b.ScanLineSize(), 80);
}

TEST(Bitmap, ScanLineWritesAreSeenByTheCanvas) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(4, 3);
  PutPixel32(b, 0, 0, 0x00112233);  // top-left
  PutPixel32(b, 3, 2, 0x00ABCDEF);  // bottom-right
  EXPECT_EQ(b.Canvas().Pixels(0, 0), static_cast<TColor>(0x332211));  // TColor is 0x00BBGGRR
  EXPECT_EQ(b.Canvas().Pixels(3, 2), static_cast<TColor>(0xEFCDAB));
  EXPECT_THROW(b.ScanLine(3), ERangeError);
  EXPECT_THROW(b.ScanLine(-1), ERangeError);
}

TEST(Bitmap, ResizingKeepsPixelsAndPaintsNewAreaWhite) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(2, 2);
  PutPixel32(b, 1, 1, 0x00FF0000);
  b.SetSize(3, 4);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(Pixel32(b, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel32(b, 2, 3), 0xFFFFFFu);
  b.SetSize(0, 4);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Handle(), nullptr);
}

TEST(Bitmap, BmpRoundTripKeepsFormatAndPixels) {
  const TPixelFormat formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
  for (TPixelFormat format : formats) {
    SCOPED_TRACE(static_cast<int>(format));
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(13, 7);  // odd width: rows are padded
    b.Canvas().Brush().SetColor(clBlack);
    b.Canvas().FillRect(Rect(0, 0, 13, 7));
    b.Canvas().Brush().SetColor(clWhite);
    b.Canvas().FillRect(Rect(3, 1, 9, 5));

    TMemoryStream stream;
    b.SaveToStream(stream);
    const std::vector<Byte> saved = Bytes(stream);
    ASSERT_GT(saved.size(), 54u);
    EXPECT_EQ(saved[0], 'B');
    EXPECT_EQ(saved[1], 'M');

    stream.SetPosition(0);
    TBitmap c;
    c.LoadFromStream(stream);
    EXPECT_EQ(c.PixelFormat(), format);
    EXPECT_EQ(c.Width(), 13);
    EXPECT_EQ(c.Height(), 7);
    // 15/16-bit colours come back as the format holds them; compare with the original's pixels.
    for (const auto& [x, y] : {std::pair{0, 0}, {3, 1}, {8, 4}, {9, 4}, {12, 6}})
      EXPECT_EQ(c.Canvas().Pixels(x, y), b.Canvas().Pixels(x, y)) << x << "," << y;
    EXPECT_NE(c.Canvas().Pixels(3, 1), c.Canvas().Pixels(9, 4));

    TMemoryStream again;
    c.SaveToStream(again);
    EXPECT_EQ(Bytes(again), saved);
  }
}

TEST(Bitmap, TopDownFileIsReadRightSideUp) {
  // 2x2 24-bit, rows stored top first (negative height): top row red, bottom row blue.
  const Byte file[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                       // file header
                       40, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0, 0, 0, 0, 0,  // width 2, height -2
                       16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                       0, 0, 255, 0, 0, 255, 0, 0,    // top row: red red + padding
                       255, 0, 0, 255, 0, 0, 0, 0};   // bottom row: blue blue + padding
  TMemoryStream stream;
  stream.WriteBuffer(file, sizeof(file));
  stream.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(stream);
  EXPECT_EQ(b.Canvas().Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas().Pixels(1, 1), clBlue);
}

TEST(Bitmap, DamagedFilesAreRefused) {
  TBitmap good;
  good.SetPixelFormat(pf8bit);
  good.SetSize(4, 4);
  TMemoryStream stream;
  good.SaveToStream(stream);
  const std::vector<Byte> valid = Bytes(stream);

  struct Case {
    const char* what;
    std::size_t offset;
    std::vector<Byte> bytes;  // written at offset
    std::size_t cut;          // length to keep (0: all)
  };
  const Case cases[] = {
      {"signature", 0, {'X'}, 0},
      {"header size", 14, {99, 0, 0, 0}, 0},
      {"planes", 26, {2, 0}, 0},
      {"bits per pixel", 28, {7, 0}, 0},
      {"compression RLE8", 30, {1, 0, 0, 0}, 0},
      {"zero width", 18, {0, 0, 0, 0}, 0},
      {"huge width", 18, {0xFF, 0xFF, 0xFF, 0x7F}, 0},
      {"more colours than bits", 46, {1, 1, 0, 0}, 0},
      {"pixels before header end", 10, {20, 0, 0, 0}, 0},
      {"truncated pixels", 0, {}, valid.size() - 3},
      {"truncated header", 0, {}, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Byte> bytes = valid;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    if (c.cut != 0) bytes.resize(c.cut);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    s.SetPosition(0);
    TBitmap b;
    EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic);
    EXPECT_TRUE(b.Empty());
  }
}

TEST(Bitmap, PixelFormatConversionKeepsColours) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(3, 3);
  b.Canvas().Brush().SetColor(clLime);
  b.Canvas().FillRect(Rect(0, 0, 3, 3));
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.ScanLineSize(), 12);  // 9 bytes padded to 4
  const Byte* row = static_cast<Byte*>(b.ScanLine(1));
  EXPECT_EQ(row[3], 0);    // B
  EXPECT_EQ(row[4], 255);  // G
  EXPECT_EQ(row[5], 0);    // R
  EXPECT_THROW(b.SetPixelFormat(pfCustom), EInvalidGraphicOperation);
}

TEST(Bitmap, AssignCopiesPixelsIndependently) {
  TBitmap a;
  a.SetPixelFormat(pf32bit);
  a.SetSize(2, 2);
  PutPixel32(a, 0, 0, 0x00123456);
  TBitmap b;
  b.Assign(&a);
  PutPixel32(a, 0, 0, 0x00000000);
  EXPECT_EQ(Pixel32(b, 0, 0), 0x123456u);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, DrawOntoAnotherCanvasStretchesAndHonoursTransparency) {
  TBitmap src;
  src.SetPixelFormat(pf32bit);
  src.SetSize(2, 2);
  src.Canvas().Brush().SetColor(clFuchsia);
  src.Canvas().FillRect(Rect(0, 0, 2, 2));
  src.Canvas().SetPixels(1, 0, clRed);  // top-right red; bottom-left (the transparent colour) fuchsia

  TBitmap dst;
  dst.SetPixelFormat(pf32bit);
  dst.SetSize(8, 8);
  dst.Canvas().Brush().SetColor(clWhite);
  dst.Canvas().FillRect(Rect(0, 0, 8, 8));
  dst.Canvas().StretchDraw(Rect(0, 0, 4, 4), &src);
  EXPECT_EQ(dst.Canvas().Pixels(3, 0), clRed);
  EXPECT_EQ(dst.Canvas().Pixels(0, 3), clFuchsia);

  src.SetTransparent(true);
  dst.Canvas().Draw(4, 4, &src);
  EXPECT_EQ(dst.Canvas().Pixels(5, 4), clRed);
  EXPECT_EQ(dst.Canvas().Pixels(4, 5), clWhite);  // fuchsia left out
}

TEST(Bitmap, ReleaseHandleGivesTheDibAway) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(5, 5);
  HBITMAP h = b.ReleaseHandle();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(b.Empty());
  TBitmap c;
  c.SetHandle(h);  // a 32-bit DIB section is taken over as it is
  EXPECT_EQ(c.Handle(), h);
  EXPECT_EQ(c.Width(), 5);
  EXPECT_EQ(c.PixelFormat(), pf32bit);
}

TEST(Bitmap, AdoptedHandleIsGivenBackUnharmed) {
  // A picture that belongs to someone else (a system control's) is painted through a bitmap and given
  // back: the very handle returns, still valid.
  HDC screen = GetDC(nullptr);
  HBITMAP foreign = CreateCompatibleBitmap(screen, 6, 4);
  ReleaseDC(nullptr, screen);
  auto b = std::make_unique<TBitmap>();
  b->SetHandle(foreign);
  EXPECT_NE(b->Handle(), foreign);  // painted through a DIB copy
  EXPECT_EQ(b->Width(), 6);
  EXPECT_EQ(b->ReleaseHandle(), foreign);
  EXPECT_TRUE(b->Empty());
  b.reset();
  BITMAP bm{};
  EXPECT_EQ(GetObjectW(foreign, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
  EXPECT_EQ(bm.bmWidth, 6);
  DeleteObject(foreign);
}

TEST(Bitmap, PaletteOfPalettedImages) {
  // A palette set before the size (as a decoder does) colours the new pixels' table.
  std::vector<Byte> block(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = 4;
  log->palPalEntry[0] = PALETTEENTRY{0, 0, 0, 0};
  log->palPalEntry[1] = PALETTEENTRY{255, 0, 0, 0};
  log->palPalEntry[2] = PALETTEENTRY{0, 255, 0, 0};
  log->palPalEntry[3] = PALETTEENTRY{0, 0, 255, 0};
  HPALETTE mine = CreatePalette(log);
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetPalette(mine);
  b.SetSize(2, 1);
  DeleteObject(mine);  // the caller keeps its own
  static_cast<Byte*>(b.ScanLine(0))[0] = 1;
  static_cast<Byte*>(b.ScanLine(0))[1] = 3;
  EXPECT_EQ(b.Canvas().Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas().Pixels(1, 0), clBlue);

  HPALETTE own = b.Palette();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(b.Palette(), own);  // made once, owned by the bitmap
  PALETTEENTRY entries[4] = {};
  ASSERT_GE(GetPaletteEntries(own, 0, 4, entries), 4u);
  EXPECT_EQ(entries[2].peGreen, 255);

  TBitmap rgb;
  rgb.SetPixelFormat(pf24bit);
  rgb.SetSize(1, 1);
  EXPECT_EQ(rgb.Palette(), nullptr);
}

TEST(Bitmap, PerPixelAlphaIsBlended) {
  TBitmap src;
  src.SetPixelFormat(pf32bit);
  src.SetSize(2, 1);
  auto* px = static_cast<Byte*>(src.ScanLine(0));
  const Byte pixels[8] = {0, 0, 255, 255, 0, 0, 255, 0};  // opaque red, fully transparent red
  std::memcpy(px, pixels, sizeof(pixels));
  TBitmap dst;
  dst.SetPixelFormat(pf32bit);
  dst.SetSize(2, 1);
  struct Case {
    TAlphaFormat format;
    TColor left, right;
  } cases[] = {
      {afIgnored, clRed, clRed},
      {afDefined, clRed, clWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    dst.Canvas().Brush().SetColor(clWhite);
    dst.Canvas().FillRect(Rect(0, 0, 2, 1));
    src.SetAlphaFormat(c.format);
    dst.Canvas().Draw(0, 0, &src);
    EXPECT_EQ(dst.Canvas().Pixels(0, 0), c.left);
    EXPECT_EQ(dst.Canvas().Pixels(1, 0), c.right);
  }
  // A constant opacity on top: half of the opaque red over white.
  dst.Canvas().FillRect(Rect(0, 0, 2, 1));
  src.DrawTransparent(dst.Canvas(), Rect(0, 0, 2, 1), 128);
  const TColor half = dst.Canvas().Pixels(0, 0);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 255, 1);
  EXPECT_NEAR(static_cast<int>((half >> 8) & 0xFF), 127, 2);
}

TEST(Bitmap, IdleReleasesMemoryContextsButNotLockedOnes) {
  TBitmap a, b;
  a.SetSize(2, 2);
  b.SetSize(2, 2);
  a.Canvas().Handle();
  b.Canvas().Handle();
  b.Canvas().Lock();
  TBitmap::FreeMemoryContexts();
  EXPECT_FALSE(a.Canvas().HandleAllocated());
  EXPECT_TRUE(b.Canvas().HandleAllocated());
  b.Canvas().Unlock();
  a.Canvas().SetPixels(1, 1, clRed);  // a new DC when used again
  EXPECT_EQ(a.Canvas().Pixels(1, 1), clRed);
}

TEST(Bitmap, DeviceDependentBitmapIsConvertedToA32BitDib) {
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 6, 4);
  ReleaseDC(nullptr, screen);
  TBitmap b;
  b.SetHandle(ddb);
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_NO_THROW(b.ScanLine(3));
}
