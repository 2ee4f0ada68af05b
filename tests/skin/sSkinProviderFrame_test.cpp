// The frame a skinned form paints into its provider's cache, under Wine with the built-in skin: the
// form section and its border, the title section, the caption text by alignment (on a "CAPTION"
// section when the skin has one), the system buttons, the grip, an iconic form's short cache, and the
// form's own OnPaint at the client area's place.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinLookups.h"
#include "vcl/gui/Panel.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"

using namespace skintest;

namespace {

// The library's own shadow images while a test runs.
struct TLibraryRun {
  TLibraryRun() { SkinLibraryStartup(); }
  ~TLibraryRun() { SkinLibraryShutdown(); }
  TLibraryRun(const TLibraryRun&) = delete;
  TLibraryRun& operator=(const TLibraryRun&) = delete;
};

class FrameTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  void MakeForm(const AnsiString& caption = AnsiString(), int show = SW_SHOWNOACTIVATE) {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(60, 50, 320, 220);
    form_->SetCaption(caption);
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    ShowWindow(form_->Handle(), show);
  }
  // The cache after a complete repaint in the state.
  TBitmap& Paint(bool active = true) {
    provider_->DrawnActive = active;
    provider_->SkinData().BackgroundDirty = true;
    EXPECT_TRUE(provider_->PaintFormFrame());
    return *provider_->SkinData().CacheBitmap;
  }
  std::unique_ptr<TBitmap> Snapshot(bool active = true) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(&Paint(active));
    return copy;
  }
  // A section painted alone over a bitmap of the cache's size, in the rect.
  std::unique_ptr<TBitmap> Alone(Integer section, Integer state, const TRect& rect) {
    const TBitmap& cache = *provider_->SkinData().CacheBitmap;
    auto out = Filled(cache.Width(), cache.Height(), 0);
    PaintSectionBackground(section, state, manager_, out.get(), rect);
    return out;
  }
  // The bounding box of the pixels (colour only) that differ between two bitmaps of one size.
  static TRect Changed(TBitmap& a, TBitmap& b) {
    TRect box{a.Width(), a.Height(), -1, -1};
    for (Integer y = 0; y < a.Height(); ++y)
      for (Integer x = 0; x < a.Width(); ++x)
        if (((PixelOf(a, x, y) ^ PixelOf(b, x, y)) & 0xFFFFFF) != 0) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box.Right < 0 ? TRect{} : box;
  }
  // Colours within one step per channel: the frame painter and the lone section round their blends
  // over different backgrounds.
  static bool Near(Cardinal a, Cardinal b) {
    for (int c = 0; c < 24; c += 8)
      if (std::abs(static_cast<int>(a >> c & 0xFF) - static_cast<int>(b >> c & 0xFF)) > 1) return false;
    return true;
  }
  static bool Inside(const TRect& inner, const TRect& outer) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
  }
  Integer TitleBottom() const { return FrameTitleBottom(provider_->FrameInput()); }

  TForm* form_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
};

TEST_F(FrameTest, TheCacheHoldsTheFormsBorderAndTheTitleInBothStates) {
  MakeForm();
  for (bool active : {false, true}) {
    SCOPED_TRACE(active ? "active" : "inactive");
    TBitmap& cache = Paint(active);
    RECT outer{};
    GetWindowRect(form_->Handle(), &outer);
    ASSERT_EQ(cache.Width(), outer.right - outer.left);
    ASSERT_EQ(cache.Height(), outer.bottom - outer.top);
    const Integer w = cache.Width(), h = cache.Height();
    const Integer state = active ? 1 : 0;
    // Below the title: the form section with its border mask, as the section paints alone.
    const auto form = Alone(Section("FORM"), std::min<Integer>(state, SectionData("FORM").States - 1), TRect{0, 0, w, h});
    for (const TPoint p : {TPoint{0, h - 1}, TPoint{w - 1, h - 1}, TPoint{0, h / 2}, TPoint{w - 1, h / 2},
                           TPoint{w / 2, h - 1}, TPoint{1, h - 2}, TPoint{w - 2, h - 2}}) {
      EXPECT_TRUE(Near(PixelOf(cache, p.X, p.Y), PixelOf(*form, p.X, p.Y))) << p.X << ", " << p.Y;
    }
    // In the title strip, between the caption and the buttons: the title section of the state.
    const TRect strip{0, 0, w, TitleBottom()};
    const auto title = Alone(Section("FORMTITLE"), state, strip);
    const TPoint mid{w / 2, TitleBottom() / 2};
    EXPECT_TRUE(Near(PixelOf(cache, mid.X, mid.Y), PixelOf(*title, mid.X, mid.Y)));
  }
  // The title's two states differ.
  const auto inactive = Snapshot(false);
  const auto active = Snapshot(true);
  EXPECT_NE(PixelOf(*inactive, 160, TitleBottom() / 2) & 0xFFFFFF, PixelOf(*active, 160, TitleBottom() / 2) & 0xFFFFFF);
}

TEST_F(FrameTest, TheSystemButtonsLieOverTheSavedTitleAtTheirRectangles) {
  MakeForm();
  const auto painted = Snapshot();
  provider_->RestoreButtonsArea();  // the title as it lay under the buttons
  TBitmap& cache = *provider_->SkinData().CacheBitmap;
  for (TskSysButton b : {sbClose, sbMax, sbMin}) {
    SCOPED_TRACE(b);
    const TskSysButtonData& button = provider_->SysButtons[b];
    ASSERT_GE(button.ImageIndex, 0);
    auto expected = std::make_unique<TBitmap>();
    expected->Assign(&cache);
    const TsMaskData& mask = manager_->ma.at(static_cast<size_t>(button.ImageIndex));
    const TsPixelView view = PixelViewOf(*expected);
    TsBgPixels bg;
    bg.Bitmap = view;
    PaintMaskGlyph(view, button.Rect.Left, button.Rect.Top, 0, bg, mask, SkinPixelsOf(*manager_).ImageOf(mask), 1);
    const TRect r = button.Rect;
    int differences = 0;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x) differences += PixelOf(*painted, x, y) != PixelOf(*expected, x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_NE(Changed(*painted, cache), TRect{}) << "the buttons were painted over the title";
  }
}

TEST_F(FrameTest, TheCaptionMovesWithItsAlignmentAndStaysInItsRectangle) {
  MakeForm();
  const auto empty = Snapshot();
  form_->SetCaption("Quillnote diary");
  TRect boxes[3];
  const TAlignment alignments[] = {taLeftJustify, taCenter, taRightJustify};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    provider_->SetCaptionAlignment(alignments[i]);
    TBitmap& cache = Paint();
    boxes[i] = Changed(*empty, cache);
    ASSERT_FALSE(boxes[i].IsEmpty());
    EXPECT_TRUE(Inside(boxes[i], provider_->CaptionTextBounds));
    EXPECT_LE(boxes[i].Bottom, TitleBottom());
  }
  EXPECT_LT(boxes[0].Left, boxes[1].Left);
  EXPECT_LT(boxes[1].Left, boxes[2].Left);
  EXPECT_EQ(boxes[0].Width(), boxes[2].Width()) << "the same text";
  EXPECT_GT(boxes[0].Width(), 40) << "the whole text, not an ellipsis";
  // Right-aligned text ends 12 pixels before the buttons.
  EXPECT_LE(boxes[2].Right, provider_->SkinData().CacheBitmap->Width() - provider_->ButtonsWidth() - 12);
}

// The caption is measured in the font it is drawn in, the system's caption font: a measure in the DC's
// default font cut the diary's caption short, and the font's negative height put it half below the
// title.
TEST_F(FrameTest, TheCaptionTakesItsWholeWidthInTheCaptionFontInsideTheTitle) {
  const AnsiString caption = "Quillnote diary";
  MakeForm(caption);
  Paint(true);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ previous = SelectObject(dc, font);
  RECT measured{0, 0, 0, 0};
  DrawTextW(dc, L"Quillnote diary", -1, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(font);
  const TRect text = provider_->CaptionTextBounds;
  EXPECT_EQ(text.Width(), measured.right - measured.left);
  const TskFrameInput frame = provider_->FrameInput();
  EXPECT_GE(text.Top, FrameRect(frame).Top);
  EXPECT_LE(text.Bottom, FrameTitleBottom(frame));
  EXPECT_EQ(text.Height(), measured.bottom - measured.top);
}

TEST_F(FrameTest, TheAddedTitleFollowsTheCaption) {
  MakeForm("Quillnote diary");
  const auto plain = Snapshot();
  const TRect caption = provider_->CaptionTextBounds;
  provider_->AddedTitle().SetText("second text");
  TBitmap& cache = Paint();
  const TRect box = Changed(*plain, cache);
  ASSERT_FALSE(box.IsEmpty());
  EXPECT_GE(box.Left, caption.Right + 4) << "after the caption, 4 pixels on";
  EXPECT_EQ(provider_->CaptionTextBounds, caption) << "the caption itself stays";
}

TEST_F(FrameTest, ACaptionSectionLiesUnderTheCaptionWhichStartsTwoPixelsFurtherRight) {
  MakeForm("Quillnote diary");
  Paint(false);
  const TRect plain = provider_->CaptionTextBounds;
  delete form_;
  form_ = nullptr;
  TSkinVariant variant;
  variant.Set("CAPTION", "COLOR", 0x0000FF).Set("CAPTION", "TRANSPARENCY", 0).Set("CAPTION", "GRADIENT", "")
      .Set("CAPTION", "GRADPERCENT", 0).Set("CAPTION", "IMGPERCENT", 0);
  LoadVariant(variant);
  MakeForm("Quillnote diary");
  ASSERT_GE(provider_->CaptionSectionIndex, 0);
  TBitmap& cache = Paint(false);  // the section's normal state carries the colour
  const TRect withSection = provider_->CaptionTextBounds;
  EXPECT_EQ(withSection.Left, plain.Left + 2);
  // The section's colour shows around the text (4 to the left, inside the title).
  EXPECT_EQ(PixelOf(cache, withSection.Left - 2, (withSection.Top + withSection.Bottom) / 2) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(FrameTest, ATitleWithAGlowSpreadsItAroundTheCaption) {
  TSkinVariant variant;
  variant.Set("FORMTITLE", "HGSIZE", 4).Set("FORMTITLE", "HGCOL", 0x00FF00);
  LoadVariant(variant);
  MakeForm();
  const auto empty = Snapshot(true);
  form_->SetCaption("Quillnote diary");
  TBitmap& cache = Paint(true);
  const TRect text = provider_->CaptionTextBounds;
  const TRect box = Changed(*empty, cache);
  ASSERT_FALSE(text.IsEmpty());
  EXPECT_LT(box.Left, text.Left) << "the glow reaches beyond the text";
  EXPECT_GT(box.Bottom, text.Bottom);
  // Inactive, the title has no glow: the caption's pixels stay inside its rectangle.
  const auto withCaption = Snapshot(false);
  const TRect inactiveText = provider_->CaptionTextBounds;
  form_->SetCaption("");
  const auto withoutCaption = Snapshot(false);
  EXPECT_TRUE(Inside(Changed(*withoutCaption, *withCaption), inactiveText));
}

TEST_F(FrameTest, TheCacheIsPaintedAgainOnlyWhileTheBackgroundIsMarkedChanged) {
  MakeForm("Quillnote diary");
  const auto first = Snapshot();
  EXPECT_FALSE(provider_->SkinData().BackgroundDirty);
  EXPECT_TRUE(provider_->FirstInitialized);
  const TRect before = provider_->CaptionTextBounds;
  provider_->DrawnActive = false;  // another look asked for, but nothing marked: the picture stays
  EXPECT_TRUE(provider_->PaintFormFrame());
  EXPECT_EQ(Changed(*first, *provider_->SkinData().CacheBitmap), TRect{});
  provider_->DrawnActive = true;
  // A shown form's new caption marks the picture and paints it again at once.
  form_->SetCaption("Another caption, much longer");
  EXPECT_FALSE(provider_->SkinData().BackgroundDirty);
  EXPECT_NE(Changed(*first, *provider_->SkinData().CacheBitmap), TRect{});
  EXPECT_GT(provider_->CaptionTextBounds.Width(), before.Width()) << "the longer text takes more room";
}

TEST_F(FrameTest, TheGripLiesAtItsPosition) {
  MakeForm();
  const auto plain = Snapshot();
  provider_->GripMode = gmRightBottom;
  ASSERT_TRUE(provider_->GripVisible());
  TBitmap& cache = Paint();  // active: the built-in form section is a plain colour, whose grip shows when active
  const Integer mask = manager_->ConstData.GripImage;
  ASSERT_GE(mask, 0);
  const TsMaskData& grip = manager_->ma.at(static_cast<size_t>(mask));
  const TPoint at = provider_->GripPosition(mask);
  const TRect box = Changed(*plain, cache);
  ASSERT_FALSE(box.IsEmpty());
  EXPECT_TRUE(Inside(box, Bounds(at.X, at.Y, MaskStateWidth(grip), MaskStateHeight(grip))));
}

TEST_F(FrameTest, AnIconicSecondaryFormsCacheIsCaptionAndFrameHigh) {
  MakeForm("Quillnote diary", SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(IsIconic(form_->Handle()));
  TBitmap& cache = Paint();
  RECT outer{};
  GetWindowRect(form_->Handle(), &outer);
  EXPECT_EQ(cache.Width(), outer.right - outer.left);
  EXPECT_EQ(cache.Height(), GetSystemMetrics(SM_CYCAPTION) + provider_->SysBorderWidth() + 2);
}

TEST_F(FrameTest, WhatTheFormPaintsItselfLandsAtTheClientOffsets) {
  MakeForm();
  form_->OnPaint = [this](TObject*) {
    form_->Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));
    form_->Canvas().FillRect(TRect{0, 0, 10, 10});
  };
  TBitmap& cache = Paint();
  const Integer x = provider_->ClientOffsetX(), y = provider_->ClientOffsetY();
  EXPECT_EQ(PixelOf(cache, x, y) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(PixelOf(cache, x + 9, y + 9) & 0xFFFFFF, 0xFF0000u);
  EXPECT_NE(PixelOf(cache, x + 10, y + 10) & 0xFFFFFF, 0xFF0000u);
  form_->OnPaint = nullptr;
}

TEST_F(FrameTest, WithBorderWindowInputsTheCacheGrowsAndCarriesTheShadowImageAtItsCorners) {
  TLibraryRun library;
  manager_->SetExtendedBorders(true);
  MakeForm("Quillnote diary");
  provider_->PaintsForBorderWindow = true;
  const std::shared_ptr<TBitmap> image = manager_->ShadowTemplates[1];
  if (!image || image->Empty()) GTEST_SKIP() << "no shadow image loaded";
  const TsShadowSize shadow = manager_->ShadowSize;
  ASSERT_GT(shadow.Left + shadow.Top, 0);
  TBitmap& cache = Paint(true);
  // The side offset is the skin's border width less the system frame; the top offset the skin's title
  // less the system caption and frame.
  const Integer frame = GetSystemMetrics(SM_CXFRAME);
  const Integer side = manager_->SkinData.BorderWidth != 0 ? manager_->SkinData.BorderWidth - frame : 0;
  const Integer top = manager_->SkinData.TitleHeight - GetSystemMetrics(SM_CYCAPTION) - frame;
  EXPECT_EQ(cache.Width(), 320 + 2 * side + shadow.Left + shadow.Right);
  EXPECT_EQ(cache.Height(), 220 + side + top + shadow.Top + shadow.Bottom);
  // The image's corners are kept as they are.
  const Integer w = cache.Width(), h = cache.Height();
  TBitmap& source = *image;
  EXPECT_EQ(PixelOf(cache, 0, 0), PixelOf(source, 0, 0));
  EXPECT_EQ(PixelOf(cache, w - 1, 0), PixelOf(source, source.Width() - 1, 0));
  EXPECT_EQ(PixelOf(cache, 0, h - 1), PixelOf(source, 0, source.Height() - 1));
  EXPECT_EQ(PixelOf(cache, w - 1, h - 1), PixelOf(source, source.Width() - 1, source.Height() - 1));
  // Next to the frame's corner the shadow shows (not just an empty pixel).
  const TPoint corner{shadow.Left - 1, shadow.Top - 1};
  EXPECT_GT(PixelOf(source, corner.X, corner.Y) >> 24, 0u);
  EXPECT_EQ(PixelOf(cache, corner.X, corner.Y), PixelOf(source, corner.X, corner.Y));
  // The client area sits inside the offsets and margins.
  EXPECT_EQ(provider_->ClientOffsetX(), manager_->SkinData.BorderWidth + shadow.Left);
  // The inactive state takes the other image.
  TBitmap& inactive = Paint(false);
  EXPECT_EQ(PixelOf(inactive, 0, 0), PixelOf(*manager_->ShadowTemplates[0], 0, 0));
  manager_->SetExtendedBorders(false);
}

// With a border window the title lies below the top shadow and beside the left one: the icon, the
// caption and the buttons centre on the skin's title, and the caption's pixels are opaque (the border
// window shows the picture's alpha, which plain GDI text would leave clear). An inactive added title
// in a colour of its own is drawn half way to the title's normal font colour.
TEST_F(FrameTest, WithABorderWindowTheTitleLiesInsideTheShadowAndItsCaptionIsOpaque) {
  TLibraryRun library;
  manager_->SetExtendedBorders(true);
  MakeForm();
  provider_->PaintsForBorderWindow = true;
  const auto empty = Snapshot();
  form_->SetCaption("Quillnote diary");
  TBitmap& cache = Paint(true);
  const TsShadowSize shadow = manager_->ShadowSize;
  ASSERT_GT(shadow.Top, 0);
  const TRect title{shadow.Left, shadow.Top, cache.Width() - shadow.Right, TitleBottom()};
  const TRect text = Changed(*empty, cache);
  ASSERT_FALSE(text.IsEmpty());
  EXPECT_TRUE(Inside(text, title)) << "the whole caption in the title strip";
  EXPECT_GT(text.Width(), 40) << "the whole text, not an ellipsis";
  Integer clear = 0;
  for (Integer y = text.Top; y < text.Bottom; ++y)
    for (Integer x = text.Left; x < text.Right; ++x) clear += (PixelOf(cache, x, y) >> 24) != 0xFF ? 1 : 0;
  EXPECT_EQ(clear, 0) << "caption pixels the border window would not show";
  const TRect icon = provider_->CaptionIconRect;
  EXPECT_EQ(icon.Left, manager_->SkinData.BorderWidth + shadow.Left + manager_->SkinData.BILeftMargin);
  const TRect close = provider_->SysButtons[sbClose].Rect;
  ASSERT_FALSE(close.IsEmpty());
  EXPECT_TRUE(Inside(close, title));
  if (!icon.IsEmpty()) {
    EXPECT_TRUE(Inside(icon, title));
    EXPECT_LE(std::abs((icon.Top + icon.Bottom) - (close.Top + close.Bottom)), 2) << "one centre";
  }
  EXPECT_LE(std::abs((text.Top + text.Bottom) - (close.Top + close.Bottom)), 4) << "one centre";

  // The added title of a colour of its own, active and inactive.
  provider_->AddedTitle().SetText("ADDED");
  provider_->AddedTitle().Font().SetColor(static_cast<TColor>(0x0000FF));
  const Integer titleSection = provider_->TitleSkinIndex();
  ASSERT_GE(titleSection, 0);
  const Integer normal = manager_->gd[static_cast<size_t>(titleSection)].Props[0].TextColor;
  for (bool active : {true, false}) {
    SCOPED_TRACE(active);
    const auto before = std::make_unique<TBitmap>();
    provider_->AddedTitle().SetText("");
    before->Assign(&Paint(active));
    provider_->AddedTitle().SetText("ADDED");
    TBitmap& withAdded = Paint(active);
    const TRect added = Changed(*before, withAdded);
    ASSERT_FALSE(added.IsEmpty());
    EXPECT_TRUE(Inside(added, title));
    // The strongest pixel of the text is the colour itself (letters are solid in their middle).
    const Integer expected = active ? 0x0000FF : AddedTitleColor(true, 0x0000FF, false, normal, -1);
    bool found = false;
    for (Integer y = added.Top; y < added.Bottom && !found; ++y)
      for (Integer x = added.Left; x < added.Right && !found; ++x) {
        const Cardinal p = PixelOf(withAdded, x, y);
        const auto e = static_cast<Cardinal>(expected);
        found = Near(p, (e & 0xFF) << 16 | (e & 0xFF00) | (e >> 16 & 0xFF)) && (p >> 24) == 0xFF;
      }
    EXPECT_TRUE(found) << std::hex << expected;
  }
  manager_->SetExtendedBorders(false);
}

// One colour for the border image, so that every pixel taken from it is known.
constexpr Cardinal kImageColour = 0xFF123456;

TEST_F(FrameTest, TheFramesSeeThroughCornersShowTheBorderImageAndBorderModeOnePaintsTheTitleOverIt) {
  TLibraryRun library;
  // Frame masks whose outermost corner pixels are the key colour (rounded corners).
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 2;
  shape.WL = shape.WT = shape.WR = shape.WB = 3;
  shape.DrawMode = 1;
  const auto rounded = [](int x, int y, int) {
    return (x == 0 || x == 7) && (y == 0 || y == 7) ? 0xFFFF00FFu : 0xFF405060u;
  };
  TSkinVariant variant;
  variant.AddMask("FORM", "BORDERSMASK", shape, 8, 8, rounded).AddMask("FORMTITLE", "BORDERSMASK", shape, 8, 8, rounded);
  LoadVariant(variant);
  manager_->SetExtendedBorders(true);
  MakeForm();
  provider_->PaintsForBorderWindow = true;
  manager_->ShadowTemplates[1] = std::shared_ptr<TBitmap>(Filled(40, 40, kImageColour).release());
  const TsShadowSize shadow = manager_->ShadowSize;
  TBitmap& cache = Paint(true);
  const Integer w = cache.Width(), h = cache.Height();
  // The corners through the masks: the title's at the top, the form's at the bottom. Where the mask is
  // the key colour the image shows; elsewhere the frame.
  const TsSkinPixels pixels = SkinPixelsOf(*manager_);
  const Integer title = manager_->GetSkinIndex("FORMTITLE");
  const Integer formMask = provider_->SkinData().BorderMaskIndex;
  ASSERT_TRUE(manager_->IsValidMaskIndex(formMask));
  const Integer titleMask = manager_->IsValidSkinIndex(title) ? manager_->gd[static_cast<size_t>(title)].BorderMask : -1;
  const Integer topMask = manager_->IsValidMaskIndex(titleMask) ? titleMask : formMask;
  struct Corner {
    Integer mask;
    bool right, bottom;
  };
  int seeThrough = 0, solid = 0;
  for (const Corner c : {Corner{topMask, false, false}, Corner{topMask, true, false}, Corner{formMask, false, true},
                         Corner{formMask, true, true}}) {
    const TsMaskData& m = manager_->ma[static_cast<size_t>(c.mask)];
    const TsPixelView image = pixels.ImageOf(m);
    const Integer mw = std::min<Integer>(c.right ? MaskRightWidth(m) : MaskLeftWidth(m), 8);
    const Integer mh = std::min<Integer>(c.bottom ? MaskBottomHeight(m) : MaskTopHeight(m), 8);
    const Integer stateW = MaskStateWidth(m), stateH = MaskStateHeight(m);
    for (Integer y = 0; y < mh; ++y)
      for (Integer x = 0; x < mw; ++x) {
        const Integer mx = m.R.Left + (c.right ? stateW - mw + x : x);
        const Integer my = m.R.Top + (c.bottom ? stateH - mh + y : y);
        const Integer cx = c.right ? w - shadow.Right - mw + x : shadow.Left + x;
        const Integer cy = c.bottom ? h - shadow.Bottom - mh + y : shadow.Top + y;
        const bool key = (image.At(mx, my) & 0xFFFFFF) == 0xFF00FF;
        if (key) {
          ++seeThrough;
          EXPECT_EQ(PixelOf(cache, cx, cy), kImageColour) << cx << "," << cy;
        } else if (PixelOf(cache, cx, cy) != kImageColour) {
          ++solid;
        }
      }
  }
  EXPECT_EQ(seeThrough, 4);
  EXPECT_GT(solid, 0);
  // The title strip's middle holds the title section, not the image.
  const TPoint middle{w / 2, shadow.Top + 2};
  EXPECT_NE(PixelOf(cache, middle.X, middle.Y), kImageColour);
  // Border mode 1: the image draws the frame and the title strip; the title section is left out.
  manager_->SkinData.BorderMode = 1;
  TBitmap& modeOne = Paint(true);
  EXPECT_EQ(PixelOf(modeOne, middle.X, middle.Y), kImageColour);
  EXPECT_EQ(PixelOf(modeOne, shadow.Left + 1, h / 2), kImageColour);  // the left side
  EXPECT_NE(PixelOf(modeOne, provider_->ClientOffsetX() + 4, provider_->ClientOffsetY() + 4), kImageColour);
  manager_->SkinData.BorderMode = 0;
  manager_->SetExtendedBorders(false);
}

TEST_F(FrameTest, APlainColouredFrameWithABorderWindowFillsTheFrameRectangleOpaque) {
  TLibraryRun library;
  manager_->SetExtendedBorders(true);
  MakeForm();
  form_->SetColor(static_cast<TColor>(0x3366CC));  // red 0xCC, green 0x66, blue 0x33
  provider_->PaintsForBorderWindow = true;
  Paint(true);
  provider_->SkinData().StateBits |= ssPlainBackground;
  TBitmap& cache = Paint(true);
  const TRect frame = FrameRect(provider_->FrameInput());
  const TPoint inside[] = {{provider_->ClientOffsetX() + 3, provider_->ClientOffsetY() + 3},
                           {frame.Left + frame.Width() / 2, frame.Bottom - 40}};
  for (const TPoint p : inside) EXPECT_EQ(PixelOf(cache, p.X, p.Y), 0xFFCC6633u) << p.X << "," << p.Y;
  manager_->SetExtendedBorders(false);
}

// A parent that cannot tell its background yet when asked to (answer kind 3), else its colour.
class TUnsurePanel : public TPanel {
 public:
  explicit TUnsurePanel(TComponent* owner) : TPanel(owner) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == scFillBgRequest && message.LParam != 0) {
      auto& request = *reinterpret_cast<TskBgRequest*>(message.LParam);
      request.AnswerKind = unsure ? bgColorKey : bgColor;
      request.Color = 0x808080;
      return;
    }
    TPanel::WndProc(message);
  }
  bool unsure = false;
};

TEST_F(FrameTest, AParentThatCannotTellItsBackgroundLeavesTheCacheUntouched) {
  std::unique_ptr<TForm> host(New<TForm>(nullptr));
  host->SetBounds(20, 20, 500, 400);
  auto* panel = New<TUnsurePanel>(host.get());
  panel->SetBounds(0, 0, 480, 360);
  panel->SetParent(host.get());
  MakeForm("Quillnote diary");
  form_->SetParent(panel);
  ASSERT_GT(provider_->CaptionHeight(true), 0);
  const auto before = Snapshot();
  panel->unsure = true;
  provider_->DrawnActive = false;
  provider_->SkinData().BackgroundDirty = true;
  EXPECT_FALSE(provider_->PaintFormFrame());
  EXPECT_TRUE(provider_->SkinData().UpdatingFlag) << "the next painting tries again";
  EXPECT_EQ(Changed(*before, *provider_->SkinData().CacheBitmap), TRect{});
  panel->unsure = false;
  provider_->SkinData().SetUpdating(false);
  EXPECT_TRUE(provider_->PaintFormFrame());
  EXPECT_NE(Changed(*before, *provider_->SkinData().CacheBitmap), TRect{}) << "the inactive title";
  form_->SetParent(nullptr);
}

}  // namespace
