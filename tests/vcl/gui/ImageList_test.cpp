// TImageList: icons and masked bitmap strips in, images drawn by index (disabled ones grey and
// faded), and the stream a form definition stores.
#include "vcl/gui/ImageList.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const HINSTANCE kModule = GetModuleHandleW(nullptr);

struct Surface {
  TBitmap bitmap;
  Surface() {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(40, 20);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(Rect(0, 0, 40, 20));
  }
  TColor At(int x, int y) { return bitmap.Canvas().Pixels(x, y); }
};

int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }

}  // namespace

TEST(ImageList, IconsAndStripsFromResourcesDrawByIndex) {
  TImageList images(nullptr);
  EXPECT_EQ(images.AddIconResource(kModule, "TESTICON"), 0);
  EXPECT_EQ(images.AddBitmapResource(kModule, "TESTSTRIP", clFuchsia), 1);  // a 32-pixel strip: two images
  EXPECT_EQ(images.Count(), 3);

  Surface s;
  images.Draw(s.bitmap.Canvas(), 0, 0, 0);
  images.Draw(s.bitmap.Canvas(), 20, 0, 2);
  EXPECT_EQ(s.At(8, 8), clRed);      // icon body
  EXPECT_EQ(s.At(1, 1), clWhite);    // icon's transparent corner
  EXPECT_EQ(s.At(28, 8), static_cast<TColor>(0x008000));  // second image of the strip: green
  EXPECT_EQ(s.At(20, 8), clWhite);   // its masked (fuchsia) column

  images.Draw(s.bitmap.Canvas(), 0, 0, 7);   // out of the list: nothing
  images.Draw(s.bitmap.Canvas(), 0, 0, -1);  // "no image"
  EXPECT_EQ(s.At(8, 8), clRed);
  EXPECT_THROW(images.Delete(3), EInvalidOperation);
  images.Delete(0);
  EXPECT_EQ(images.Count(), 2);
}

TEST(ImageList, DisabledImagesAreGreyAndLighter) {
  TImageList images(nullptr);
  images.AddIconResource(kModule, "TESTICON");
  Surface s;
  images.Draw(s.bitmap.Canvas(), 0, 0, 0, true);
  images.Draw(s.bitmap.Canvas(), 20, 0, 0, false);
  const TColor enabled = s.At(8, 8);
  const TColor disabled = s.At(28, 8);
  EXPECT_EQ(enabled, clRed);
  EXPECT_LE(std::abs(R(disabled) - G(disabled)), 2);  // grey
  EXPECT_LE(std::abs(G(disabled) - B(disabled)), 2);
  EXPECT_GT(G(disabled), 128);                          // faded towards the white background
  EXPECT_LT(G(disabled), 255);
  EXPECT_EQ(s.At(21, 1), clWhite);                      // the transparent corner stays transparent
}

TEST(ImageList, StoredDataRoundTrip) {
  TImageList images(nullptr);
  images.AddIconResource(kModule, "TESTICON");
  images.AddBitmapResource(kModule, "TESTSTRIP", clFuchsia);
  TMemoryStream stream;
  images.WriteData(stream);
  stream.SetPosition(0);

  TImageList copy(nullptr);
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.ReadData(stream);
  EXPECT_EQ(copy.Count(), 3);
  EXPECT_EQ(changes, 1);
  Surface s;
  copy.Draw(s.bitmap.Canvas(), 0, 0, 1);
  EXPECT_EQ(s.At(8, 8), clBlue);
  EXPECT_EQ(s.At(0, 8), clWhite);

  const Integer bogus[] = {1, 1000000};  // one image claiming a million bytes
  TMemoryStream bad;
  bad.WriteBuffer(bogus, sizeof(bogus));
  bad.SetPosition(0);
  EXPECT_THROW(copy.ReadData(bad), EReadError);
  EXPECT_EQ(copy.Count(), 3);  // unchanged
}

TEST(ImageList, ChangingTheSizeEmptiesTheList) {
  TImageList images(nullptr);
  images.AddIconResource(kModule, "TESTICON");
  images.SetWidth(24);
  EXPECT_EQ(images.Count(), 0);
  EXPECT_EQ(images.Width(), 24);
}
