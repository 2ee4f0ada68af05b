#include "skin/manager/sSkinManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <jpeglib.h>

#include "skin/builtin/skBuiltinSkin.h"
#include "skin/builtin/skSkinLint.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Jpeg.h"
#include "vcl/rtl/Reader.h"

using namespace skintest;
namespace fs = std::filesystem;

namespace {

// The master bitmap: 64 x 32, grey, with one magenta pixel in the corner of a border mask's first
// state (at 0,0) and none in the corners of the second mask's (at 32,0).
Bytes MasterBmp() {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(64, 32);
  for (Integer y = 0; y < 32; ++y)
    for (Integer x = 0; x < 64; ++x) static_cast<Cardinal*>(b.ScanLine(y))[x] = 0xFF808080u;
  static_cast<Cardinal*>(b.ScanLine(0))[0] = 0x00FF00FFu;
  TMemoryStream out;
  b.SaveToStream(out);
  return ContentOf(out);
}

// A 2 x 1 RGBA PNG: half-transparent white, then white with alpha 0.
Bytes GlyphPng() {
  return Serialize(PngChunks(2, 1, 8, 6, false, [](uint32_t x, uint32_t) {
    return std::vector<uint32_t>{255, 255, 255, x == 0 ? 128u : 0u};
  }));
}

const char* const kOptions =
    "[GLOBALINFO]\r\nVERSION=8.00\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=12632256\r\nSTATES=2\r\n"
    "BOXCHECKED=@0040@0000@0060@0010@2@0\r\n"
    "[FORM]\r\nCOLOR=15790320\r\nBORDERSMASK=^0000^0000^0030^0020^0004^0004^0004^0004^2^0^1^0\r\n"
    "[BUTTON]\r\nPARENTCLASS=FORM\r\nHOTCOLOR=255\r\nGLYPHMASK=!GLYPH.PNG!2!0!2\r\n"
    "PATTERN=Wood.jpg\r\nOUTSIDE=@0060@0000@0090@0010@1@0\r\n"
    "[BUTTON_HUGE]\r\nBORDERSMASK=^0032^0000^0062^0020^0004^0004^0004^0004^2^0^1^0\r\n";

Bytes SkinPack(const std::string& options = kOptions) {
  return Pack({{"Options.dat", options}, {"MASTER.BMP", MasterBmp()}, {"GLYPH.PNG", GlyphPng()}});
}

// A w x h JPEG of one grey, made with libjpeg's encoder.
Bytes GreyJpeg(int width, int height) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width), 0x60);
  while (info.next_scanline < info.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes data(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return data;
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

AnsiString Ansi(const fs::path& p) { return p.string(); }

// A skin folder for each test, a manager whose boxes are recorded and whose window notices are counted.
class SkinManagerTest : public ::testing::Test, public IWindowsNotifier {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("qn-skins-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    previousHook_ = SetSkinMessageHook([this](const AnsiString& text, TMsgDlgType type) {
      messages_.push_back(text);
      types_.push_back(type);
      dialogsDuringBox_ = manager_ != nullptr && manager_->SkinningRules().Contains(srStdDialogs);
    });
  }
  void TearDown() override {
    delete manager_;
    SetSkinMessageHook(std::move(previousHook_));
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  TsSkinManager& Manager() {
    if (manager_ == nullptr) {
      manager_ = New<TsSkinManager>(nullptr);
      manager_->SetWindowsNotifier(this);
      manager_->SetSkinDirectory(Ansi(dir_));
    }
    return *manager_;
  }

  void RefreshAllWindows(TsSkinManager&, bool) override { ++refreshes_; }
  void RemoveSkinFromAllWindows(TsSkinManager&) override { ++removals_; }
  void CaptureFormsBeforeChange(TsSkinManager&) override {}

  fs::path dir_;
  TsSkinManager* manager_ = nullptr;
  TskSkinMessageHook previousHook_;
  std::vector<AnsiString> messages_;
  std::vector<TMsgDlgType> types_;
  bool dialogsDuringBox_ = true;
  int refreshes_ = 0;
  int removals_ = 0;
};

struct MaskRow {
  AnsiString section, key;
  TRect r;
  SmallInt count, type, flags;
  Byte imgType;
  bool ownImage;
  friend bool operator==(const MaskRow&, const MaskRow&) = default;
};

std::vector<MaskRow> MaskRows(const TsSkinManager& m) {
  std::vector<MaskRow> rows;
  for (const TsMaskData& d : m.ma)
    rows.push_back({d.ClassName, d.PropertyName, d.R, d.ImageCount, d.MaskType, d.Flags, d.ImgType, d.Image != nullptr});
  return rows;
}

std::vector<std::pair<AnsiString, Integer>> SectionRows(const TsSkinManager& m) {
  std::vector<std::pair<AnsiString, Integer>> rows;
  for (const TsGeneralData& g : m.gd) rows.emplace_back(g.ClassName, g.Props[1].Color);
  return rows;
}

TEST_F(SkinManagerTest, PackFolderAndStoredSkinLoadIntoTheSameTables) {
  WriteFile(dir_ / "Packed.cvz", SkinPack());
  WriteFile(dir_ / "Folder" / "Options.dat", kOptions);
  WriteFile(dir_ / "Folder" / "MASTER.BMP", MasterBmp());
  WriteFile(dir_ / "Folder" / "GLYPH.PNG", GlyphPng());
  const Bytes pack = SkinPack();

  TsSkinManager& m = Manager();
  m.InternalSkins().Add("Stored", std::vector<Byte>(pack.begin(), pack.end()));
  m.SetSkinName("Packed");
  ASSERT_TRUE(messages_.empty()) << messages_[0];
  EXPECT_TRUE(m.IsPacked);
  EXPECT_TRUE(m.SkinData.Active);
  EXPECT_EQ(m.SkinInfo(), "8");
  const auto masks = MaskRows(m);
  const auto sections = SectionRows(m);

  const std::vector<MaskRow> expected = {
      {"GLOBALINFO", "BOXCHECKED", {40, 0, 60, 10}, 2, 0, 0, itSimple, false},
      {"FORM", "BORDERSMASK", {0, 0, 30, 20}, 2, 0, 1, itBorders, false},  // magenta in a corner
      {"BUTTON", "GLYPHMASK", {0, 0, 2, 1}, 2, 0, 0, 2, true},
      {"BUTTON_HUGE", "BORDERSMASK", {32, 0, 62, 20}, 2, 0, 2, itBorders, false},
  };
  EXPECT_EQ(masks, expected);  // OUTSIDE lies past the master; the JPEG pattern adds nothing
  EXPECT_TRUE(m.pa.empty());
  EXPECT_EQ(sections.size(), 4u);
  EXPECT_EQ(sections[2], (std::pair<AnsiString, Integer>{"BUTTON", 255}));
  EXPECT_EQ(m.gd[2].Props[0].Color, 15790320);  // inherited from FORM
  EXPECT_EQ(m.CommonSkinIndex, 0);
  // The PNG glyph: white with alpha 0 cleared, the other pixel premultiplied.
  const auto* glyph = static_cast<const Cardinal*>(m.ma[2].Image->ScanLine(0));
  EXPECT_EQ(glyph[0], 0x807F7F7Fu);
  EXPECT_EQ(glyph[1], 0u);
  ASSERT_NE(m.MasterBitmap, nullptr);
  EXPECT_EQ(m.MasterBitmap->Width(), 64);

  m.SetSkinName("Folder");
  EXPECT_FALSE(m.IsPacked);
  EXPECT_EQ(m.SkinData.SkinPath, Ansi(dir_) + "\\Folder\\");
  EXPECT_EQ(MaskRows(m), masks);
  EXPECT_EQ(SectionRows(m), sections);

  m.SetSkinName("Stored");
  EXPECT_TRUE(m.IsPacked);
  EXPECT_EQ(m.SkinData.SkinPath, "");
  EXPECT_EQ(MaskRows(m), masks);
  EXPECT_EQ(SectionRows(m), sections);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(refreshes_, 3);
}

TEST_F(SkinManagerTest, NamesAndSourcesFollowTheSearchOrder) {
  WriteFile(dir_ / "Mint.cvz", SkinPack());
  WriteFile(dir_ / "Mint" / "Options.dat", "[GLOBALINFO]\r\nVERSION=8.00\r\n[FOLDERONLY]\r\nCOLOR=1\r\n");
  const Bytes pack = SkinPack("[GLOBALINFO]\r\nVERSION=8.00\r\n[STOREDONLY]\r\nCOLOR=1\r\n");
  TsSkinManager& m = Manager();

  m.SetSkinName("Mint.CVZ");
  EXPECT_EQ(m.SkinName(), "Mint");
  EXPECT_TRUE(m.IsPacked);  // the pack wins over the folder of the same name
  // Once a skin was transferred from the editor, the folder wins.
  SkinTransferred = true;
  m.SetSkinName("Mint");
  SkinTransferred = false;
  EXPECT_FALSE(m.IsPacked);
  EXPECT_EQ(m.gd.back().ClassName, "FOLDERONLY");

  // No source and no stored skin: the manager goes inactive and the windows lose their skin.
  m.SetSkinName("Nothing");
  EXPECT_FALSE(m.Active());
  EXPECT_EQ(removals_, 1);
  EXPECT_FALSE(m.SkinData.Active);
  EXPECT_EQ(m.SkinInfo(), "N/A");

  // An unknown name with stored skins: the first one loads under its own name.
  m.InternalSkins().Add("First", std::vector<Byte>(pack.begin(), pack.end()));
  m.InternalSkins().Add("Second", {});
  m.SetSkinName("Nothing");
  m.SetActive(true);
  EXPECT_TRUE(m.Active());
  EXPECT_EQ(m.SkinName(), "First");
  EXPECT_EQ(m.gd.back().ClassName, "STOREDONLY");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SkinManagerTest, FailedLoadsKeepThePreviousSkinAndReport) {
  WriteFile(dir_ / "Good.cvz", SkinPack());
  WriteFile(dir_ / "Foreign.cvz", "PK\x03\x04 not a skin");
  WriteFile(dir_ / "BadMask.cvz", SkinPack("[GLOBALINFO]\r\nVERSION=8.00\r\n[FORM]\r\nBORDERSMASK=^00x0^0000\r\n"));
  WriteFile(dir_ / "Cycle" / "Options.dat",
            "[GLOBALINFO]\r\nVERSION=8.00\r\n[A]\r\nPARENTCLASS=B\r\n[B]\r\nPARENTCLASS=A\r\nCOLOR=5\r\n");
  // Numbers outside their meaning: borders wider than the mask's state, a negative transparency.
  WriteFile(dir_ / "Uneven.cvz",
            SkinPack(std::string(kOptions) + "[PANEL]\r\nBORDERSMASK=^0000^0000^0020^0020^0015^0001^0009^0001^1^0^1^0\r\n"));
  WriteFile(dir_ / "SeeThrough.cvz", SkinPack(std::string(kOptions) + "[PANEL]\r\nTRANSPARENCY=-50\r\n"));
  TsSkinManager& m = Manager();
  m.InternalSkins().Add("Empty", {});
  m.SetSkinName("Good");
  ASSERT_TRUE(messages_.empty());
  const auto masks = MaskRows(m);

  const std::pair<const char*, const char*> failures[] = {
      {"Foreign", "Loaded data is not a packed Corvane file"},
      {"BadMask", nullptr},  // the conversion error's own text
      {"Empty", "The stored skin \"Empty\" holds no data"},
      {"Uneven", "The skin's value BORDERSMASK in section [PANEL] is out of range: left and right borders 15 and 9 "
                 "exceed the state width 20"},
      {"SeeThrough", "The skin's value TRANSPARENCY in section [PANEL] is out of range: -50 is outside 0..100"},
  };
  for (const auto& [name, text] : failures) {
    SCOPED_TRACE(name);
    messages_.clear();
    m.SetSkinName(name);
    ASSERT_EQ(messages_.size(), 1u);
    if (text != nullptr) {
      EXPECT_EQ(messages_[0], text);
    }
    EXPECT_EQ(types_.back(), mtError);
    EXPECT_EQ(m.SkinName(), "Good");
    EXPECT_EQ(MaskRows(m), masks);
    EXPECT_TRUE(m.SkinData.Active);
  }
  // Missing sections, keys and a parent cycle are no failure.
  messages_.clear();
  m.SetSkinName("Cycle");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(m.SkinName(), "Cycle");
  EXPECT_EQ(m.gd[1].Props[0].Color, 5);
  EXPECT_TRUE(m.ma.empty());
}

TEST_F(SkinManagerTest, ANewSkinDirectoryBecomesTheSkinPathWithoutAReload) {
  WriteFile(dir_ / "Good.cvz", SkinPack());
  TsSkinManager& m = Manager();
  m.SetSkinName("Good");
  const auto masks = MaskRows(m);
  int listChanges = 0;
  m.OnSkinListChanged = [&](TObject*) { ++listChanges; };
  m.SetSkinDirectory("C:\\Other\\Skins");
  EXPECT_EQ(m.SkinData.SkinPath, "C:\\Other\\Skins");
  EXPECT_EQ(m.SkinData.SkinPath, m.ResolveSkinDirectory());
  EXPECT_EQ(listChanges, 1);
  EXPECT_EQ(MaskRows(m), masks);  // the loaded skin stays
  m.SetSkinDirectory("C:\\Other\\Skins");  // the same folder: nothing happens
  EXPECT_EQ(listChanges, 1);
}

TEST_F(SkinManagerTest, JpegImagesBecomePatternsOrTexturesOfTheSkin) {
  // 1000 x 900 pixels stay a JPEG pattern; 1000 x 899 and smaller become textures of the mask table.
  WriteFile(dir_ / "Wood.cvz",
            Pack({{"Options.dat", "[GLOBALINFO]\r\nVERSION=8.00\r\n[FORM]\r\nPATTERN=Large.jpg\r\n"
                                  "[BUTTON]\r\nPARENTCLASS=FORM\r\nPATTERN=Small.jpg\r\nHOTPATTERN=EDGE.JPEG\r\n"},
                  {"LARGE.JPG", GreyJpeg(1000, 900)},
                  {"SMALL.JPG", GreyJpeg(8, 4)},
                  {"EDGE.JPEG", GreyJpeg(1000, 899)}}));
  TsSkinManager& m = Manager();
  m.SetSkinName("Wood");
  ASSERT_TRUE(messages_.empty()) << messages_[0];
  ASSERT_EQ(m.pa.size(), 1u);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(m.pa[0].Img.get()), nullptr);
  EXPECT_EQ(m.pa[0].Img->Width(), 1000);
  const Integer button = m.GetSkinIndex("BUTTON");
  EXPECT_EQ(m.GetPatternIndex(button, "BUTTON", "PATTERN"), 0);  // inherited from FORM
  const Integer small = m.GetTextureIndex(button, "BUTTON", "PATTERN");
  const Integer edge = m.GetTextureIndex(button, "BUTTON", "HOTPATTERN");
  ASSERT_TRUE(m.IsValidMaskIndex(small));
  ASSERT_TRUE(m.IsValidMaskIndex(edge));
  const TsMaskData& texture = m.ma[static_cast<size_t>(small)];
  EXPECT_EQ(texture.ImgType, itTexture);
  EXPECT_EQ(texture.R, (TRect{0, 0, 8, 4}));
  ASSERT_NE(texture.Image, nullptr);
  const Cardinal pixel = static_cast<Cardinal*>(texture.Image->ScanLine(2))[3];
  EXPECT_EQ(pixel >> 24, 0xFFu);                      // opaque
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0x60, 2);  // the JPEG's grey
  EXPECT_EQ(m.ma[static_cast<size_t>(edge)].R, (TRect{0, 0, 1000, 899}));
}

TEST_F(SkinManagerTest, VersionRuleWarnsOnlyAboveTheSupportedRange) {
  const std::pair<const char*, bool> cases[] = {{"8.99", false}, {"9.0", true}, {"6.5", false}, {"7", false}};
  for (const auto& [version, warns] : cases) {
    SCOPED_TRACE(version);
    const std::string name = std::string("V") + version;
    WriteFile(dir_ / (name + ".cvz"), SkinPack(std::string("[GLOBALINFO]\r\nVERSION=") + version + "\r\n"));
    messages_.clear();
    Manager().SetSkinName(name);
    ASSERT_EQ(messages_.size(), warns ? 1u : 0u);
    if (warns) {
      EXPECT_EQ(messages_[0], kTooNewSkinText);
      EXPECT_EQ(types_[0], mtWarning);
      EXPECT_FALSE(dialogsDuringBox_);
    }
    EXPECT_TRUE(Manager().SkinningRules().Contains(srStdDialogs));
  }
}

TEST_F(SkinManagerTest, ListSkinsByKind) {
  WriteFile(dir_ / "Zeta.cvz", SkinPack());
  WriteFile(dir_ / "a.b.cvz", SkinPack());
  WriteFile(dir_ / "Upper.CVZ", SkinPack());  // the extension is compared exactly
  WriteFile(dir_ / "Folder" / "Options.dat", "[GLOBALINFO]\r\n");
  fs::create_directories(dir_ / "NoOptions");
  TsSkinManager& m = Manager();
  const std::pair<Byte, std::vector<AnsiString>> cases[] = {
      {0, {"Folder", "Stored"}}, {1, {"a", "Stored", "Zeta"}}, {2, {"a", "Folder", "Stored", "Zeta"}}};
  m.InternalSkins().Add("Stored", {});
  for (const auto& [kind, names] : cases) {
    TStringList list;
    AnsiString first;
    m.ListSkins(list, kind, first);
    std::vector<AnsiString> got;
    for (int i = 0; i < list.Count(); ++i) got.push_back(list.Strings(i));
    EXPECT_EQ(got, names) << int{kind};
    EXPECT_EQ(first, "Stored");
  }
  m.InternalSkins().Clear();
  TStringList list;
  AnsiString first;
  m.ListSkins(list, 0, first);
  EXPECT_EQ(first, "Folder");
}

TEST_F(SkinManagerTest, CommonSectionsAddMasksAndSectionsTheSkinLacks) {
  WriteFile(dir_ / "Base.cvz", SkinPack());
  TsSkinManager& m = Manager();
  m.SetSkinName("Base");
  TStringList lines;
  lines.SetText("; extra\n[MyPanel]\nPARENTCLASS = FORM\nEDGE=#E (0,0,30,20) (2,0,3)\n[FORM]\nCOLOR=1\n");
  m.SetCommonSections(lines);
  EXPECT_EQ(m.CommonSections().Strings(2), "PARENTCLASS=FORM");
  ASSERT_TRUE(messages_.empty());
  const TsGeneralData& mine = m.gd.back();
  EXPECT_EQ(mine.ClassName, "MyPanel");
  EXPECT_EQ(mine.Props[0].Color, 15790320);
  EXPECT_EQ(m.gd[1].Props[0].Color, 15790320);  // the skin's FORM stays as it is
  const TsMaskData& edge = m.ma.back();
  EXPECT_EQ(edge.ClassName, "MYPANEL");
  EXPECT_EQ(edge.PropertyName, "EDGE");
  EXPECT_EQ(edge.WL, 3);
  EXPECT_EQ(edge.Flags, 1);
}

}  // namespace

namespace {

TEST_F(SkinManagerTest, DefinitionLoadsTheSkinAndRefreshesOnceWhenLoaded) {
  WriteFile(dir_ / "Packed.cvz", SkinPack());
  RegisterSkinManagerClasses();
  TsSkinManager& m = Manager();
  ReadComponentFromText(m, "object sSkinManager1: TsSkinManager\n"
                           "  SkinDirectory = '" + Ansi(dir_) + "'\n"
                           "  SkinInfo = '8'\n"
                           "  SkinName = 'Packed.cvz'\n"
                           "  SkinningRules = [srStdForms, srThirdParty]\n"
                           "end\n");
  EXPECT_EQ(m.SkinName(), "Packed");
  EXPECT_TRUE(m.SkinData.Active);
  EXPECT_EQ(m.ma.size(), 4u);
  EXPECT_EQ(refreshes_, 1);  // not while reading: once, when the definition is complete
  EXPECT_FALSE(m.SkinningRules().Contains(srStdDialogs));
  EXPECT_TRUE(messages_.empty());
}

}  // namespace

// The diary's own skin, stored as the main window stores it, loads through the manager with no box:
// every section the diary asks for and every GLOBALINFO mask is there, masks cut from the master
// bitmap lie inside it.
TEST_F(SkinManagerTest, TheBuiltInSkinLoadsWithEverySectionAndMaskTheDiaryNeeds) {
  const Bytes pack = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
  TsSkinManager& m = Manager();
  m.InternalSkins().Add(kBuiltinSkinName, std::vector<Byte>(pack.begin(), pack.end()));
  m.SetSkinName(kBuiltinSkinName);
  ASSERT_TRUE(messages_.empty()) << messages_[0];
  EXPECT_TRUE(m.SkinData.Active);
  EXPECT_EQ(m.SkinName(), kBuiltinSkinName);
  EXPECT_EQ(m.SkinInfo(), "8");
  ASSERT_NE(m.MasterBitmap, nullptr);

  for (const std::string& section : kDiarySkinSections) {
    const bool found = std::any_of(m.gd.begin(), m.gd.end(), [&](const TsGeneralData& g) { return g.ClassName == section; });
    EXPECT_TRUE(found) << section;
  }
  for (const std::string& mask : kGlobalInfoMasks) {
    const bool found = std::any_of(m.ma.begin(), m.ma.end(), [&](const TsMaskData& d) {
      return d.ClassName == "GLOBALINFO" && d.PropertyName == mask;
    });
    EXPECT_TRUE(found) << mask;
  }
  for (const TsMaskData& d : m.ma) {
    if (d.Image != nullptr) continue;
    SCOPED_TRACE(std::string(d.ClassName) + "." + std::string(d.PropertyName));
    EXPECT_GE(d.R.Left, 0);
    EXPECT_GE(d.R.Top, 0);
    EXPECT_LE(d.R.Right, m.MasterBitmap->Width());
    EXPECT_LE(d.R.Bottom, m.MasterBitmap->Height());
  }
}
