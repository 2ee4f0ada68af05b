// JPEG pictures: decoding into a 32-bit bitmap, the picture registry's extensions, saving the data as
// loaded, and damaged data refused with EInvalidGraphic (never an exit of the program).
#include "vcl/gui/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "vcl/gui/Canvas.h"
#include "vcl/rtl/Stream.h"

namespace {

// A width x height JPEG whose left half is red and right half blue, made with libjpeg's encoder.
std::vector<Byte> EncodeHalves(int width, int height) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    const bool left = x < width / 2;
    row[3 * x] = left ? 255 : 0;
    row[3 * x + 1] = 0;
    row[3 * x + 2] = left ? 0 : 255;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<Byte> data(out, out + size);
  std::free(out);
  return data;
}

void LoadBytes(TJPEGImage& image, const std::vector<Byte>& data) {
  TMemoryStream s;
  if (!data.empty()) s.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
  s.SetPosition(0);
  image.LoadFromStream(s);
}

bool Near(TColor c, int r, int g, int b) {
  return std::abs(static_cast<int>(c & 0xFF) - r) < 24 && std::abs(static_cast<int>((c >> 8) & 0xFF) - g) < 24 &&
         std::abs(static_cast<int>((c >> 16) & 0xFF) - b) < 24;
}

}  // namespace

TEST(Jpeg, DecodesIntoA32BitBitmapAndSavesTheDataAsLoaded) {
  const std::vector<Byte> data = EncodeHalves(32, 16);
  TJPEGImage image;
  LoadBytes(image, data);
  EXPECT_EQ(image.Width(), 32);
  EXPECT_EQ(image.Height(), 16);
  EXPECT_EQ(image.Bitmap().PixelFormat(), pf32bit);

  TBitmap target;
  target.Assign(&image);
  EXPECT_TRUE(Near(target.Canvas().Pixels(2, 8), 255, 0, 0));
  EXPECT_TRUE(Near(target.Canvas().Pixels(29, 8), 0, 0, 255));
  EXPECT_EQ(static_cast<const Byte*>(target.ScanLine(0))[3], 255);  // opaque

  TMemoryStream saved;
  image.SaveToStream(saved);
  ASSERT_EQ(saved.Size(), static_cast<Int64>(data.size()));
  EXPECT_EQ(std::memcmp(saved.Memory(), data.data(), data.size()), 0);
  EXPECT_THROW(image.SetWidth(5), EInvalidGraphicOperation);

  for (const char* ext : {"jpg", ".JPEG"}) {
    const TFileFormat* format = TPicture::FindFileFormat(ext);
    ASSERT_NE(format, nullptr) << ext;
    EXPECT_TRUE(*format->type == typeid(TJPEGImage));
  }
}

TEST(Jpeg, DamagedDataIsRefused) {
  const std::vector<Byte> good = EncodeHalves(16, 16);
  std::vector<Byte> badHeader = good;
  for (std::size_t i = 0; i + 4 < badHeader.size(); ++i) {
    if (badHeader[i] == 0xFF && badHeader[i + 1] == 0xC0) {  // the frame header: its sample precision
      badHeader[i + 4] = 3;
      break;
    }
  }
  std::vector<Byte> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  const std::vector<Byte> notJpeg = {'B', 'M', 0, 0, 0, 0};
  for (const std::vector<Byte>* data : std::vector<const std::vector<Byte>*>{&badHeader, &cut, &notJpeg}) {
    TJPEGImage image;
    EXPECT_THROW(LoadBytes(image, *data), EInvalidGraphic) << data->size();
    EXPECT_TRUE(image.Empty());
  }
  TJPEGImage image;
  EXPECT_THROW(LoadBytes(image, {}), EInvalidGraphic);
  LoadBytes(image, good);  // a failure leaves the object usable
  EXPECT_EQ(image.Width(), 16);
}
