// The glyph button drawing itself: its glyph (the first image of the strip, the second while
// disabled, transparent at the key colour) placed by Layout and Margin beside its caption, one pixel
// lower and right while pressed.
#include "vcl/gui/BitBtn.h"

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr COLORREF kUp = RGB(40, 160, 60), kDisabled = RGB(30, 60, 200);

// The box (Right, Bottom exclusive) of the pixels of a colour as the button prints itself.
TRect BoundsOf(TBitBtn* button, COLORREF color) {
  TBitmap image;
  image.SetPixelFormat(pf32bit);
  image.SetSize(button->Width(), button->Height());
  SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(image.Canvas().Handle()), PRF_CLIENT);
  TRect box{button->Width(), button->Height(), 0, 0};
  for (int y = 0; y < button->Height(); ++y)
    for (int x = 0; x < button->Width(); ++x)
      if (static_cast<COLORREF>(image.Canvas().Pixels(x, y)) == color)
        box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
  return box;
}

TEST(BitBtn, GlyphByLayoutMarginStateAndImage) {
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  form->SetClientSize(300, 200);
  auto* button = New<TBitBtn>(form.get());
  button->SetBounds(10, 10, 140, 48);
  button->SetCaption(Utf8ToCp1250("Napló"));
  button->SetParent(form.get());
  // Two 16 x 16 images; the bottom-left pixel of the strip is the transparent colour.
  TBitmap glyph;
  glyph.SetPixelFormat(pf32bit);
  glyph.SetSize(32, 16);
  glyph.Canvas().Brush().SetColor(static_cast<TColor>(kUp));
  glyph.Canvas().FillRect(TRect{0, 0, 16, 16});
  glyph.Canvas().Brush().SetColor(static_cast<TColor>(kDisabled));
  glyph.Canvas().FillRect(TRect{16, 0, 32, 16});
  glyph.Canvas().SetPixels(0, 15, static_cast<TColor>(RGB(255, 0, 255)));
  button->SetGlyph(glyph);
  button->SetNumGlyphs(2);
  form->Show();
  guitest::Pump();
  ASSERT_EQ(GetWindowLongPtrW(button->Handle(), GWL_STYLE) & 0xF, BS_OWNERDRAW);

  const TRect left = BoundsOf(button, kUp);
  EXPECT_EQ(left.Width(), 16);
  EXPECT_EQ(left.Top, (48 - 16) / 2);
  button->SetLayout(blGlyphRight);
  const TRect right = BoundsOf(button, kUp);
  EXPECT_GT(right.Left, left.Right) << "the caption now lies left of the glyph";
  EXPECT_EQ(left.Left + right.Right, 140) << "both centred as one block";
  button->SetLayout(blGlyphTop);
  const TRect top = BoundsOf(button, kUp);
  EXPECT_EQ(top.Left, (140 - 16) / 2);
  EXPECT_LT(top.Top, left.Top);
  button->SetLayout(blGlyphLeft);
  button->SetMargin(4);
  EXPECT_EQ(BoundsOf(button, kUp).Left, 4);

  SendMessageW(button->Handle(), BM_SETSTATE, TRUE, 0);
  const TRect pressed = BoundsOf(button, kUp);
  EXPECT_EQ(pressed.Left, 5);
  EXPECT_EQ(pressed.Top, left.Top + 1);
  SendMessageW(button->Handle(), BM_SETSTATE, FALSE, 0);

  button->SetEnabled(false);
  EXPECT_LE(BoundsOf(button, kUp).Width(), 0) << "no up image while disabled";
  EXPECT_EQ(BoundsOf(button, kDisabled).Width(), 16);
}

}  // namespace
