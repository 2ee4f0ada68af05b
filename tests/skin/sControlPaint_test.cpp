// The control painters over real image lists, tool bars and device contexts: the frames of an image
// strip drawn into 32-bit bitmaps, the image list's picture as a bitmap, a tool button's glyph, and the
// skinned border of a control with the parent's background behind it.
#include "skin/manager/sControlPaint.h"

#include <gtest/gtest.h>

#include <memory>

#include "skin/SkinTestBitmaps.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/ToolBar.h"

using namespace skintest;

namespace {

constexpr Cardinal kRed = 0x00FF0000u, kGreen = 0x0000FF00u, kBlue = 0x000000FFu, kFuchsia = 0x00FF00FFu;
constexpr Cardinal kPaper = 0xFF336699u;

Cardinal Rgb(TBitmap& b, Integer x, Integer y) { return PixelOf(b, x, y) & 0x00FFFFFFu; }

// An image of `frames` square frames of `size` pixels in the given colours, with a fuchsia (masked)
// top-left pixel in each frame.
std::unique_ptr<TImageList> StripList(Integer size, std::initializer_list<Cardinal> colours) {
  const Integer frames = static_cast<Integer>(colours.size());
  auto list = std::make_unique<TImageList>(nullptr);
  list->SetWidth(size * frames);
  list->SetHeight(size);
  auto strip = Filled(size * frames, size, 0);
  Integer f = 0;
  for (Cardinal c : colours) {
    for (Integer y = 0; y < size; ++y)
      for (Integer x = 0; x < size; ++x) static_cast<Cardinal*>(strip->ScanLine(y))[f * size + x] = 0xFF000000u | c;
    static_cast<Cardinal*>(strip->ScanLine(0))[f * size] = kFuchsia;
    ++f;
  }
  list->AddMasked(strip.get(), clFuchsia);
  return list;
}

TEST(ImageListGlyph, DrawsTheStatesFrameOverTheTargetsPixels) {
  auto list = StripList(8, {kRed, kGreen, kBlue});
  struct Case {
    const char* what;
    Integer stateCount, state;
    TRect drawn;
    Cardinal body;
  } cases[] = {
      {"frame 1 of 3", 3, 1, {2, 1, 10, 9}, kGreen},
      {"a state past the strip shows the last frame", 3, 7, {2, 1, 10, 9}, kBlue},
      {"no state count: the whole image", 0, 2, {2, 1, 26, 9}, kRed},
  };
  for (const Case& c : cases) {
    auto target = Filled(20, 12, kPaper);
    EXPECT_EQ(DrawImageListGlyph(*list, *target, 2, 1, 0, c.stateCount, c.state), c.drawn) << c.what;
    EXPECT_EQ(Rgb(*target, 3, 2), c.body) << c.what;
    EXPECT_EQ(Rgb(*target, 9, 8), c.body) << c.what;
    EXPECT_EQ(PixelOf(*target, 2, 1), kPaper) << c.what << ": the masked pixel keeps the target";
    EXPECT_EQ(PixelOf(*target, 1, 1), kPaper) << c.what;
    EXPECT_EQ(PixelOf(*target, 3, 9), kPaper) << c.what;
  }

  auto target = Filled(20, 12, kPaper);
  TImageList unused(nullptr);  // never given an image: no handle
  auto empty = std::make_unique<TBitmap>();
  EXPECT_TRUE(DrawImageListGlyph(*list, *target, 0, 0, -1, 1, 0).IsEmpty());
  EXPECT_TRUE(DrawImageListGlyph(unused, *target, 0, 0, 0, 1, 0).IsEmpty());
  EXPECT_TRUE(DrawImageListGlyph(*list, *empty, 0, 0, 0, 1, 0).IsEmpty());
  for (Integer y = 0; y < 12; ++y)
    for (Integer x = 0; x < 20; ++x) ASSERT_EQ(PixelOf(*target, x, y), kPaper) << x << "," << y;
}

TEST(ImageListGlyph, TheListsPictureAsA32BitBitmap) {
  auto list = StripList(8, {kRed, kGreen});
  std::unique_ptr<TBitmap> picture = GetImageListBitmap32(*list, 0, 16, 8);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->PixelFormat(), pf32bit);
  EXPECT_EQ(picture->Width(), 16);
  EXPECT_EQ(picture->Height(), 8);
  EXPECT_EQ(Rgb(*picture, 4, 4), kRed);
  EXPECT_EQ(Rgb(*picture, 12, 4), kGreen);

  TImageList unused(nullptr);
  EXPECT_EQ(GetImageListBitmap32(*list, 1, 16, 8), nullptr);
  EXPECT_EQ(GetImageListBitmap32(*list, -1, 16, 8), nullptr);
  EXPECT_EQ(GetImageListBitmap32(unused, 0, 16, 8), nullptr);
  EXPECT_GT(ScreenBitsPerPixel(), 0);
}

TEST(ToolButtonGlyph, TheImageGoesCentredOntoTheButtonWithoutItsMaskedPixels) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  auto list = StripList(16, {kRed});
  auto* bar = New<TToolBar>(form.get());
  bar->SetButtonWidth(24);
  bar->SetButtonHeight(22);
  bar->SetImages(list.get());
  bar->SetParent(form.get());
  auto* button = New<TToolButton>(form.get());
  button->SetImageIndex(0);
  button->SetParent(bar);
  ASSERT_EQ(button->Width(), 24);
  ASSERT_EQ(button->Height(), 22);

  struct Case {
    const char* what;
    Cardinal state;
    TPoint origin;  // where the glyph's top-left lands
  } cases[] = {{"normal", 0, {5, 3}}, {"hot", cdsHot, {5, 3}}, {"pressed", cdsSelected, {6, 4}}};
  for (const Case& c : cases) {
    auto target = Filled(24, 22, kPaper);
    DrawToolButtonGlyph(*bar, *button, c.state, *target);
    EXPECT_EQ(PixelOf(*target, c.origin.X, c.origin.Y), kPaper) << c.what << ": masked corner";
    EXPECT_EQ(Rgb(*target, c.origin.X + 1, c.origin.Y), kRed) << c.what;
    EXPECT_EQ(Rgb(*target, c.origin.X + 15, c.origin.Y + 15), kRed) << c.what;
    EXPECT_EQ(PixelOf(*target, c.origin.X + 16, c.origin.Y + 15), kPaper) << c.what;
    EXPECT_EQ(PixelOf(*target, c.origin.X - 1, c.origin.Y + 1), kPaper) << c.what;
  }

  // Hot images while hot, when they hold the button's image.
  auto hot = StripList(16, {kBlue});
  bar->SetHotImages(hot.get());
  struct HotCase {
    const char* what;
    Cardinal state;
    Integer image;
    Cardinal body;
  } hotCases[] = {{"hot", cdsHot, 0, kBlue}, {"not hot", 0, 0, kRed}, {"hot, beyond the hot images", cdsHot, 1, kGreen}};
  list->AddMasked(Filled(16, 16, 0xFF000000u | kGreen).get(), clFuchsia);  // image 1: green
  for (const HotCase& c : hotCases) {
    button->SetImageIndex(c.image);
    auto target = Filled(24, 22, kPaper);
    DrawToolButtonGlyph(*bar, *button, c.state, *target);
    EXPECT_EQ(Rgb(*target, 10, 10), c.body) << c.what;
  }
  bar->SetHotImages(nullptr);

  button->SetImageIndex(-1);
  auto target = Filled(24, 22, kPaper);
  DrawToolButtonGlyph(*bar, *button, 0, *target);
  EXPECT_EQ(PixelOf(*target, 10, 10), kPaper) << "no image, nothing drawn";
}

// A parent that answers the background request with a colour, or with a bitmap when it has one.
class TBackgroundPanel : public TPanel {
 public:
  using TPanel::TPanel;
  Integer answerColor = 0x0000FF;  // red, as a colour value
  TBitmap* answerBitmap = nullptr;
  int asked = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == SkinCommandMessage && SkinCommandOf(m.WParam) == scFillBgRequest) {
      ++asked;
      auto* request = reinterpret_cast<TskBgRequest*>(m.LParam);
      if (answerBitmap != nullptr) {
        request->AnswerKind = bgBitmap;
        request->Bitmap = answerBitmap;
      } else {
        request->AnswerKind = bgColor;
        request->Color = answerColor;
      }
      m.Result = 1;
      return;
    }
    TPanel::WndProc(m);
  }
};

constexpr Cardinal kMaskState0 = 0xFF000080u, kMaskState1 = 0xFF008000u;

// A control (40 x 30 at 10, 5 in its parent) of section EDIT (two states, green background in the
// normal state, blue in the hot one) with a two-state border mask of 6 x 6 images and borders of 2;
// each image has a key-colour top-left pixel.
class ControlBorder : public testing::Test {
 protected:
  void SetUp() override {
    manager_ = New<TsSkinManager>(nullptr);
    TsGeneralData section;
    section.ClassName = "EDIT";
    section.States = 2;
    section.Props[0].Color = 0x00FF00;
    section.Props[1].Color = 0xFF0000;
    manager_->gd.push_back(section);
    TsMaskData mask;
    mask.ClassName = "EDIT";
    mask.PropertyName = "BORDERSMASK";
    mask.Image = std::shared_ptr<TBitmap>(Filled(12, 6, kMaskState0).release());
    for (Integer y = 0; y < 6; ++y)
      for (Integer x = 6; x < 12; ++x) static_cast<Cardinal*>(mask.Image->ScanLine(y))[x] = kMaskState1;
    static_cast<Cardinal*>(mask.Image->ScanLine(0))[0] = 0x00FF00FFu;
    static_cast<Cardinal*>(mask.Image->ScanLine(0))[6] = 0x00FF00FFu;
    mask.R = TRect{0, 0, 12, 6};
    mask.ImageCount = 2;
    mask.WL = mask.WT = mask.WR = mask.WB = 2;
    manager_->ma.push_back(mask);

    form_.reset(New<TForm>(nullptr));
    parent_ = New<TBackgroundPanel>(form_.get());
    parent_->SetBounds(0, 0, 100, 80);
    parent_->SetParent(form_.get());
    control_ = New<TPanel>(form_.get());
    control_->SetBounds(10, 5, 40, 30);
    control_->SetParent(parent_);
    parent_->HandleNeeded();
    data_ = std::make_unique<TsCommonData>(control_);
    data_->OwnSkinManager = manager_;
    data_->SectionIndex = 0;
    data_->BorderMaskIndex = 0;
  }
  void TearDown() override {
    data_.reset();
    form_.reset();
    delete manager_;
  }
  TsSkinManager* manager_ = nullptr;
  std::unique_ptr<TForm> form_;
  TBackgroundPanel* parent_ = nullptr;
  TPanel* control_ = nullptr;
  std::unique_ptr<TsCommonData> data_;
};

TEST_F(ControlBorder, MaskThenBackgroundBandIntoTheCacheAndTheBandOntoTheTarget) {
  auto target = Filled(40, 30, kPaper);
  TRect inner;
  PaintControlBorder(target->Canvas().Handle(), Rect(0, 0, 40, 30), 4, inner, 0, *data_);
  EXPECT_EQ(parent_->asked, 1);
  EXPECT_EQ(inner, Rect(4, 4, 36, 26));
  ASSERT_NE(data_->CacheBitmap, nullptr);
  TBitmap& cache = *data_->CacheBitmap;
  ASSERT_GE(cache.Width(), 40);
  ASSERT_GE(cache.Height(), 30);
  const Cardinal green = 0xFF00FF00u, red = 0xFFFF0000u;
  struct Point {
    const char* what;
    Integer x, y;
    Cardinal cache;
  } points[] = {
      {"key corner shows the parent's colour", 0, 0, red},
      {"mask corner", 1, 1, kMaskState0},
      {"mask side", 20, 1, kMaskState0},
      {"mask bottom-right", 39, 29, kMaskState0},
      {"band left", 2, 15, green},
      {"band top", 20, 3, green},
      {"band right", 37, 15, green},
      {"band bottom", 20, 27, green},
  };
  for (const Point& p : points) {
    EXPECT_EQ(PixelOf(cache, p.x, p.y), p.cache) << p.what;
    EXPECT_EQ(Rgb(*target, p.x, p.y), p.cache & 0x00FFFFFFu) << p.what << " (copied to the target)";
  }
  EXPECT_EQ(PixelOf(*target, 20, 15), kPaper) << "inside the border the target is left alone";
}

TEST_F(ControlBorder, StatesBeyondTheSectionsUseItsLastAndTheHotColour) {
  auto target = Filled(40, 30, kPaper);
  TRect inner;
  PaintControlBorder(target->Canvas().Handle(), Rect(0, 0, 40, 30), 3, inner, 5, *data_);
  TBitmap& cache = *data_->CacheBitmap;
  EXPECT_EQ(PixelOf(cache, 1, 1), kMaskState1);
  EXPECT_EQ(PixelOf(cache, 2, 15), 0xFF0000FFu) << "the hot background (blue)";
  EXPECT_EQ(inner, Rect(3, 3, 37, 27));

  // With no border width only the mask is painted, into the cache alone.
  auto untouched = Filled(40, 30, kPaper);
  PaintControlBorder(untouched->Canvas().Handle(), Rect(0, 0, 40, 30), 0, inner, 0, *data_);
  EXPECT_EQ(inner, Rect(2, 2, 38, 28));
  EXPECT_EQ(PixelOf(cache, 1, 1), kMaskState0);
  EXPECT_EQ(PixelOf(*untouched, 1, 1), kPaper);
}

TEST_F(ControlBorder, WithoutAMaskTheTargetIsFramedInTheBackgroundColour) {
  data_->BorderMaskIndex = -1;
  auto target = Filled(40, 30, kPaper);
  TRect inner;
  PaintControlBorder(target->Canvas().Handle(), Rect(0, 0, 40, 30), 3, inner, 0, *data_);
  EXPECT_EQ(inner, Rect(3, 3, 37, 27));
  for (TPoint p : {TPoint{0, 0}, TPoint{2, 15}, TPoint{39, 29}, TPoint{37, 10}, TPoint{20, 27}})
    EXPECT_EQ(Rgb(*target, p.X, p.Y), 0x00FF00u) << p.X << "," << p.Y;
  EXPECT_EQ(PixelOf(*target, 3, 3), kPaper);
  EXPECT_EQ(PixelOf(*target, 36, 26), kPaper);
  EXPECT_EQ(data_->CacheBitmap, nullptr) << "no cache needed";

  auto plain = Filled(40, 30, kPaper);
  PaintControlBorder(plain->Canvas().Handle(), Rect(0, 0, 40, 30), 0, inner, 0, *data_);
  EXPECT_EQ(inner, Rect(0, 0, 40, 30));
  EXPECT_EQ(PixelOf(*plain, 0, 0), kPaper);
}

TEST_F(ControlBorder, AMaskWithWeightRowsGetsTheParentsBitmapUnderIt) {
  // One weight row under each image: weights 0 (the image) everywhere but the key pixel.
  TsMaskData& mask = manager_->ma[0];
  auto image = Filled(12, 12, 0xFF000000u);
  for (Integer y = 0; y < 6; ++y)
    for (Integer x = 0; x < 12; ++x) static_cast<Cardinal*>(image->ScanLine(y))[x] = x < 6 ? kMaskState0 : kMaskState1;
  static_cast<Cardinal*>(image->ScanLine(0))[0] = 0x00FF00FFu;
  mask.Image = std::shared_ptr<TBitmap>(image.release());
  mask.R = TRect{0, 0, 12, 12};
  mask.MaskType = 1;
  auto parentPicture = Filled(100, 80, 0xFF101010u);
  static_cast<Cardinal*>(parentPicture->ScanLine(5))[10] = 0xFF202020u;  // under the control's corner
  parent_->answerBitmap = parentPicture.get();

  TRect inner;
  auto target = Filled(40, 30, kPaper);
  PaintControlBorder(target->Canvas().Handle(), Rect(0, 0, 40, 30), 0, inner, 0, *data_);
  TBitmap& cache = *data_->CacheBitmap;
  EXPECT_EQ(Rgb(cache, 0, 0), 0x202020u) << "the parent's pixel at the control's place";
  EXPECT_EQ(Rgb(cache, 1, 1), kMaskState0 & 0x00FFFFFFu);
  EXPECT_EQ(inner, Rect(2, 2, 38, 28));
}

}  // namespace
