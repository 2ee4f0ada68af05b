#include "skin/manager/sSkinTables.h"

#include <gtest/gtest.h>

#include <string>
#include "skin/manager/skSkinPack.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

using namespace skintest;

namespace {

// A w x h RGBA PNG of one colour.
Bytes SolidPng(uint32_t w, uint32_t h, uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
  return Serialize(PngChunks(w, h, 8, 6, false, [=](uint32_t, uint32_t) { return std::vector<uint32_t>{r, g, b, a}; }));
}

std::unique_ptr<TskSkinConvertor> Unpacked(const Bytes& pack) {
  auto convertor = std::make_unique<TskSkinConvertor>();
  convertor->PackedData = StreamOf(pack);
  ParsePackedSkin(convertor);
  EXPECT_NE(convertor, nullptr);
  return convertor;
}

// A stand-in for the GUI layer's JPEG picture: the entry's text "WxH" gives the size of a grey image
// with alpha 0, so that the reader's opaque textures show.
TsJpegImage FakeJpeg(TStream& data) {
  std::string text(static_cast<size_t>(data.Size() - data.Position()), '\0');
  data.ReadBuffer(text.data(), static_cast<Integer>(text.size()));
  const size_t x = text.find('x');
  if (x == std::string::npos) throw Exception("not a JPEG");
  auto image = std::make_shared<TsSkinImage>();
  image->Width = std::stoi(text.substr(0, x));
  image->Height = std::stoi(text.substr(x + 1));
  image->Pixels.assign(static_cast<size_t>(image->Width) * static_cast<size_t>(image->Height), 0x00808080u);
  // Natively there is no picture class: a stand-in pointer that the reader only stores, never follows.
  return TsJpegImage{image, std::shared_ptr<TGraphic>(reinterpret_cast<TGraphic*>(image.get()), [](TGraphic*) {})};
}

}  // namespace

TEST(SkinTables, MasksComeFromTheMasterOrTheirOwnImagesInTheTextsOrder) {
  const Bytes pack = Pack({{"Options.dat",
                            "[GLOBALINFO]\r\nVERSION=8.00\r\nMASTERBITMAP=MASTER.PNG\r\n"
                            "[BUTTON]\r\nBORDERSMASK=^0000^0000^0012^0006^0002^0002^0002^0002^2^0^1^0\r\n"
                            "GLYPHMASK=!GLYPH.PNG!2!0!2\r\nMISSING=!NONE.PNG!1\r\nOUTSIDE=@0010@0000@0040@0004@1@0\r\n"
                            "STATES=2\r\nHOTCOLOR=255\r\n"},
                           {"MASTER.PNG", SolidPng(12, 6, 0x80, 0x80, 0x80)},
                           {"GLYPH.PNG", SolidPng(4, 2, 255, 255, 255, 128)}});
  auto convertor = Unpacked(pack);
  TsLoadedSkin skin;
  TStringList common;
  common.SetText("[MyPanel]\nPARENTCLASS=BUTTON\n");
  TsSkinReadOptions options;
  options.CommonSections = &common;
  double version = 0;
  options.CheckVersion = [&](double v) { version = v; };
  ReadPackedSkinTables(*convertor, options, skin);
  EXPECT_DOUBLE_EQ(version, 8.0);
  ASSERT_NE(skin.Master, nullptr);
  EXPECT_EQ(skin.Master->Width, 12);
  // The missing image and the rectangle outside the master add nothing.
  ASSERT_EQ(skin.Masks.size(), 2u);
  ASSERT_EQ(skin.MaskImages.size(), 2u);
  EXPECT_EQ(skin.Masks[0].PropertyName, "BORDERSMASK");
  EXPECT_EQ(skin.MaskImages[0], nullptr);
  EXPECT_EQ(skin.ImageOf(0).Bits, skin.Master->Pixels.data());
  EXPECT_EQ(skin.Masks[1].PropertyName, "GLYPHMASK");
  EXPECT_EQ(skin.Masks[1].R, (TRect{0, 0, 4, 2}));
  ASSERT_NE(skin.MaskImages[1], nullptr);
  EXPECT_EQ(skin.ImageOf(1).At(0, 0), 0x807F7F7Fu);  // premultiplied: 255 * 128 / 256
  EXPECT_EQ(skin.Masks[1].Manager, nullptr);          // the manager sets its own
  ASSERT_EQ(skin.Sections.size(), 3u);
  EXPECT_EQ(skin.Sections[1].Props[1].Color, 255);
  EXPECT_EQ(skin.Sections[2].ClassName, "MyPanel");
  EXPECT_TRUE(skin.Patterns.empty());
}

TEST(SkinTables, LargeJpegsStayPatternsSmallOnesBecomeOpaqueTextures) {
  const Bytes pack = Pack({{"Options.dat",
                            "[GLOBALINFO]\r\nVERSION=8.00\r\n"
                            "[FORM]\r\nPATTERN=wide.jpg\r\nHOTPATTERN=Small.JPG\r\n"
                            "[PANEL]\r\nPATTERN=EDGE.JPEG\r\nHOTPATTERN=BROKEN.JPG\r\nOTHER=Absent.jpg\r\n"},
                           {"WIDE.JPG", "1000x900"},     // 900000 pixels: a pattern
                           {"SMALL.JPG", "3x2"},
                           {"EDGE.JPEG", "1000x899"},    // 899000: a texture
                           {"BROKEN.JPG", "garbage"}});
  auto convertor = Unpacked(pack);
  TsSkinReadOptions options;
  options.Decoders.Jpeg = FakeJpeg;
  TsLoadedSkin skin;
  ReadPackedSkinTables(*convertor, options, skin);
  ASSERT_EQ(skin.Patterns.size(), 1u);
  EXPECT_EQ(skin.Patterns[0].ClassName, "FORM");
  EXPECT_EQ(skin.Patterns[0].PropertyName, "PATTERN");
  EXPECT_NE(skin.Patterns[0].Img, nullptr);
  ASSERT_EQ(skin.Masks.size(), 2u);
  const struct {
    const char* section;
    const char* key;
    TRect r;
  } textures[] = {{"FORM", "HOTPATTERN", {0, 0, 3, 2}}, {"PANEL", "PATTERN", {0, 0, 1000, 899}}};
  for (size_t i = 0; i < 2; ++i) {
    const TsMaskData& m = skin.Masks[i];
    EXPECT_EQ(m.ClassName, textures[i].section);
    EXPECT_EQ(m.PropertyName, textures[i].key);
    EXPECT_EQ(m.R, textures[i].r);
    EXPECT_EQ(m.ImgType, itTexture);
    EXPECT_EQ(m.ImageCount, 1);
    EXPECT_EQ(skin.ImageOf(i).At(0, 0), 0xFF808080u);
  }
  // Without a JPEG decoder (the native build) JPEG values add nothing.
  TsLoadedSkin plain;
  ReadPackedSkinTables(*convertor, TsSkinReadOptions{}, plain);
  EXPECT_TRUE(plain.Patterns.empty());
  EXPECT_TRUE(plain.Masks.empty());
}

TEST(SkinTables, ABadValueRefusesTheWholeRead) {
  const Bytes pack = Pack({{"Options.dat",
                            "[GLOBALINFO]\r\nVERSION=8.00\r\n"
                            "[PANEL]\r\nGLYPHMASK=!G.PNG!1!0!0!15!1!9!1\r\n"},
                           {"G.PNG", SolidPng(20, 20, 1, 2, 3)}});
  auto convertor = Unpacked(pack);
  TsLoadedSkin skin;
  try {
    ReadPackedSkinTables(*convertor, TsSkinReadOptions{}, skin);
    ADD_FAILURE() << "taken";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The skin's value GLYPHMASK in section [PANEL] is out of range: left and right borders 15 "
                           "and 9 exceed the state width 20");
  }
  TskSkinConvertor noOptions;
  EXPECT_THROW(ReadPackedSkinTables(noOptions, TsSkinReadOptions{}, skin), Exception);
}
