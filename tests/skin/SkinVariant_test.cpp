// Variants of the built-in skin for the tests of skinned controls (SkinFixture.h), made with the skin
// generator, and the check that a variant loads with what it added.
#include <gtest/gtest.h>

#include "skin/SkinFixture.h"
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinPackWriter.h"
#include "vcl/gui/Bitmap.h"

namespace skintest {

AnsiString SkinFixture::BuiltinSkinName() { return kBuiltinSkinName; }

TSkinVariant::TSkinVariant() {
  TskBuiltinSkin skin = BuildBuiltinSkin();
  options_ = std::move(skin.Options);
  width_ = skin.Master.Width();
  height_ = skin.Master.Height();
  master_ = skin.Master.Pixels();
}

TSkinVariant& TSkinVariant::Set(const std::string& section, const std::string& key, const std::string& value) {
  TskOptionsSection* s = nullptr;
  for (TskOptionsSection& candidate : options_.Sections)
    if (candidate.Name == section) s = &candidate;
  if (s == nullptr) {
    options_.Sections.push_back({section, {}});
    s = &options_.Sections.back();
  }
  for (auto& [k, v] : s->Keys) {
    if (k == key) {
      v = value;
      return *this;
    }
  }
  s->Keys.emplace_back(key, value);
  return *this;
}

TSkinVariant& TSkinVariant::AddMask(const std::string& section, const std::string& key, TskMaskValue shape,
                                    int stateWidth, int stateHeight, const TMaskPainter& paint) {
  const int count = std::max(shape.Count, 1);
  const int rows = shape.Type + 1;
  const int top = height_ + 2;  // key-colour rows between the shelves
  const int width = std::max(width_, count * stateWidth);
  const int height = top + rows * stateHeight + 2;
  std::vector<uint32_t> master(static_cast<size_t>(width) * static_cast<size_t>(height), kKeyPixel);
  for (int y = 0; y < height_; ++y)
    std::copy_n(master_.begin() + static_cast<std::ptrdiff_t>(y) * width_, width_,
                master.begin() + static_cast<std::ptrdiff_t>(y) * width);
  for (int state = 0; state < count; ++state)
    for (int y = 0; y < stateHeight; ++y)
      for (int x = 0; x < stateWidth; ++x)
        master[static_cast<size_t>(top + y) * static_cast<size_t>(width) + static_cast<size_t>(state * stateWidth + x)] =
            paint(x, y, state);
  master_ = std::move(master);
  width_ = width;
  height_ = height;
  shape.R = TRect{0, top, count * stateWidth, top + rows * stateHeight};
  return Set(section, key, FormatMaskValue(shape));
}

std::vector<Byte> TSkinVariant::Pack() const {
  TskRgbaImage master(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) master.Set(x, y, master_[static_cast<size_t>(y) * static_cast<size_t>(width_) + x]);
  const std::string pack = WritePackedSkin({{kBuiltinOptionsEntry, WriteOptionsText(options_)},
                                            {kBuiltinMasterEntry, EncodeBmp32(master)}});
  return std::vector<Byte>(pack.begin(), pack.end());
}

namespace {

TEST_F(SkinFixture, AVariantLoadsWithItsKeysAndMasks) {
  TskMaskValue corner;
  corner.Form = TskMaskForm::Glyph;
  corner.Count = 2;
  TSkinVariant variant;
  variant.Set("PANEL", "TRANSPARENCY", 40)
      .Set("CAPTION", "COLOR", 255)
      .AddMask("FORM", "IMGTOPLEFT", corner, 5, 4, [](int x, int y, int state) {
        return x == 0 && y == 0 ? kKeyPixel : (state == 0 ? 0xFF112233u : 0xFF445566u);
      });
  LoadVariant(variant);
  EXPECT_EQ(SectionData("PANEL").Props[0].Transparency, 40);
  EXPECT_EQ(SectionData("CAPTION").Props[0].Color, 255);
  EXPECT_EQ(SectionData("EDIT").Props[0].Color, 0xFFFFFF) << "the rest is the built-in skin";
  const Integer mask = manager_->GetMaskIndexByNames("FORM", "IMGTOPLEFT");
  ASSERT_GE(mask, 0);
  const TsMaskData& m = manager_->ma[static_cast<size_t>(mask)];
  EXPECT_EQ(m.R.Width(), 10);
  EXPECT_EQ(m.R.Height(), 4);
  EXPECT_EQ(m.ImageCount, 2);
  EXPECT_EQ(SectionData("FORM").ImgTopLeft, mask);
  ASSERT_NE(manager_->MasterBitmap, nullptr);
  EXPECT_EQ(manager_->MasterBitmap->Height(), m.R.Bottom + 2);
}

}  // namespace

}  // namespace skintest
