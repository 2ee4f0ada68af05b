// TIcon and TPicture: the .ico format in and out, icons drawn with their transparency, and the
// registry that picks a graphic class by file extension.
#include "vcl/gui/Icon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/TempDir.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/rtl/TextConv.h"

namespace {

TColor Drawn(TIcon& icon, int x, int y) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(icon.Width(), icon.Height());
  b.Canvas().Brush().SetColor(clWhite);
  b.Canvas().FillRect(Rect(0, 0, b.Width(), b.Height()));
  b.Canvas().Draw(0, 0, &icon);
  return b.Canvas().Pixels(x, y);
}

// The test program's icon resource: opaque red with a transparent 4x4 corner at the top left.
void LoadTestIcon(TIcon& icon) { icon.LoadFromResourceName(GetModuleHandleW(nullptr), "TESTICON"); }

}  // namespace

TEST(Icon, ResourceIconDrawsWithItsTransparency) {
  TIcon icon;
  icon.SetWidth(16);
  icon.SetHeight(16);
  LoadTestIcon(icon);
  ASSERT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(Drawn(icon, 8, 8), clRed);
  EXPECT_EQ(Drawn(icon, 1, 1), clWhite);
  EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
}

TEST(Icon, StreamRoundTripOfAnIconMadeFromAHandle) {
  TIcon original;
  LoadTestIcon(original);
  TMemoryStream stream;
  original.SaveToStream(stream);  // made from a handle: written as a 32-bit image
  ASSERT_GT(stream.GetSize(), 22);
  stream.SetPosition(0);
  TIcon copy;
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.Width(), 16);
  EXPECT_EQ(Drawn(copy, 10, 12), clRed);
  EXPECT_EQ(Drawn(copy, 0, 0), clWhite);

  // A loaded icon is written back byte for byte.
  TMemoryStream again;
  copy.SaveToStream(again);
  ASSERT_EQ(again.GetSize(), stream.GetSize());
  EXPECT_EQ(std::memcmp(again.Memory(), stream.Memory(), static_cast<std::size_t>(stream.GetSize())), 0);
}

TEST(Icon, DamagedIconFilesAreRefused) {
  struct Case {
    const char* what;
    std::vector<Byte> bytes;
  };
  const Case cases[] = {
      {"too short", {0, 0, 1}},
      {"not an icon (type 2)", {0, 0, 2, 0, 1, 0}},
      {"no images", {0, 0, 1, 0, 0, 0}},
      {"directory beyond the end", {0, 0, 1, 0, 5, 0, 16, 16, 0, 0, 1, 0, 32, 0}},
      {"image beyond the end",
       {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0xFF, 0xFF, 0, 0, 22, 0, 0, 0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream s;
    s.WriteBuffer(c.bytes.data(), static_cast<Integer>(c.bytes.size()));
    s.SetPosition(0);
    TIcon icon;
    EXPECT_THROW(icon.LoadFromStream(s), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
  }
}

namespace {
// A graphic format of the test's own, registered by extension like the skin library's PNG.
class TTestGraphic : public TGraphic {
 public:
  bool Empty() const override { return data_.empty(); }
  Integer Width() const override { return 1; }
  Integer Height() const override { return 1; }
  void SetWidth(Integer) override {}
  void SetHeight(Integer) override {}
  void LoadFromStream(TStream& s) override {
    data_.resize(static_cast<std::size_t>(s.GetSize() - s.GetPosition()));
    s.ReadBuffer(data_.data(), static_cast<Integer>(data_.size()));
  }
  void SaveToStream(TStream& s) override { s.WriteBuffer(data_.data(), static_cast<Integer>(data_.size())); }
  void Assign(const TPersistent* source) override {
    if (const auto* g = dynamic_cast<const TTestGraphic*>(source)) {
      data_ = g->data_;
      return;
    }
    TGraphic::Assign(source);
  }
  std::string data_;

 protected:
  void Draw(TCanvas&, const TRect&) override {}
};
}  // namespace

TEST(Picture, FileFormatRegistryPicksTheClassByExtension) {
  TempDir dir;
  const WideString bmpName = dir.Path() + Utf8ToUtf16("kép.BMP");
  const WideString tstName = dir.Path() + u"data.tst";
  {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    b.SaveToFile(bmpName);
    TFileStream f(tstName, fmCreate);
    f.WriteBuffer("abc", 3);
  }

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.LoadFromFile(bmpName);
  ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_GE(changes, 1);

  EXPECT_THROW(picture.LoadFromFile(tstName), EInvalidGraphic);  // no class for ".tst" yet
  TPicture::RegisterFileFormat<TTestGraphic>(".TST", "Test data");
  ASSERT_NE(TPicture::FindFileFormat("tst"), nullptr);
  picture.LoadFromFile(tstName);
  auto* loaded = dynamic_cast<TTestGraphic*>(picture.Graphic());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->data_, "abc");

  TPicture copy;
  copy.Assign(&picture);  // a new object of the registered class
  ASSERT_NE(dynamic_cast<TTestGraphic*>(copy.Graphic()), nullptr);
  EXPECT_NE(copy.Graphic(), picture.Graphic());
  EXPECT_EQ(dynamic_cast<TTestGraphic*>(copy.Graphic())->data_, "abc");

  TPicture::UnregisterFileFormat("tst");
  EXPECT_EQ(TPicture::FindFileFormat("tst"), nullptr);
  EXPECT_NE(TPicture::FindFileFormat("bmp"), nullptr);
  EXPECT_NE(TPicture::FindFileFormat(".ico"), nullptr);

  EXPECT_NE(copy.Bitmap(), nullptr);  // replaces the graphic by an empty bitmap
  EXPECT_TRUE(copy.Bitmap()->Empty());
}
