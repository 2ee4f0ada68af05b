// A skinned MDI frame's client painting, under Wine with the built-in skin: its graphic child controls
// are drawn over the client on WM_PAINT, WM_PRINT shows its client window, and a
// child in the plain state that lies inside the frame's client keeps only its title rows of the picture.
#include <gtest/gtest.h>

#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinMenuLineTesting.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// A COLORREF as a 32-bit DIB pixel's colour bits.
Cardinal DibColor(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A graphic control that fills itself and counts its paintings.
class TProbe : public TGraphicControl {
 public:
  explicit TProbe(TComponent* owner) : TGraphicControl(owner) {}
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas().Brush().SetColor(clLime);
    Canvas().FillRect(TRect{0, 0, Width(), Height()});
  }
};

class MDIFramePaint : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    frame_ = New<TForm>(nullptr);
    frame_->SetBounds(40, 40, 440, 320);
    frame_->SetFormStyle(fsMDIForm);
    probe_ = New<TProbe>(frame_);
    probe_->SetParent(frame_);
    probe_->SetHeight(24);
    probe_->SetAlign(alTop);
    frame_->HandleNeeded();
    New<TsSkinProvider>(frame_);
    frame_->Show();
    child_ = New<TForm>(nullptr);
    child_->SetFormStyle(fsMDIChild);
    child_->SetBounds(10, 10, 150, 100);
    child_->Show();
    guitest::Pump();
    UpdateWindow(frame_->Handle());
  }
  void TearDown() override {
    delete child_;
    delete frame_;
    SkinFixture::TearDown();
  }

  TForm* frame_ = nullptr;
  TProbe* probe_ = nullptr;
  TForm* child_ = nullptr;
};

}  // namespace

TEST_F(MDIFramePaint, TheFramesGraphicChildrenArePaintedOverItsClient) {
  probe_->Paints = 0;
  RedrawWindow(frame_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(probe_->Paints, 0);
}

TEST_F(MDIFramePaint, PrintingTheFrameShowsItsClientWindow) {
  TBitmap print;
  print.SetPixelFormat(pf32bit);
  print.SetSize(frame_->Width(), frame_->Height());
  print.Canvas().Brush().SetColor(TColor(RGB(1, 2, 3)));
  print.Canvas().FillRect(TRect{0, 0, print.Width(), print.Height()});
  SendMessageW(frame_->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(print.Canvas().Handle()),
               PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
  GdiFlush();
  // A point of the client window that no child covers shows MDIAREA.
  RECT area{};
  GetWindowRect(frame_->ClientHandle(), &area);
  RECT frameRect{};
  GetWindowRect(frame_->Handle(), &frameRect);
  const Integer ax = area.right - frameRect.left - 12, ay = area.bottom - frameRect.top - 12;
  const COLORREF expected = ColorToRGB(SectionData("MDIAREA").Props[0].Color);
  EXPECT_EQ(PixelOf(print, ax, ay) & 0xFFFFFF, DibColor(expected));
}

TEST_F(MDIFramePaint, AChildInThePlainStateInsideTheClientCutsItsPictureBelowTheTitle) {
  TsSkinProvider* provider = FormProvider(child_);
  ASSERT_NE(provider, nullptr);
  TsCommonData& data = provider->SkinData();
  ASSERT_NE(data.CacheBitmap, nullptr);
  const Integer full = child_->Height();
  const Integer titleRows = provider->SysBorderWidth() + provider->CaptionHeight(false) + 1;
  ASSERT_LT(titleRows, full);
  struct Case {
    const char* name;
    Integer left;  // the child's place in the client
    Integer height;
  };
  const Case cases[] = {{"inside", 10, titleRows}, {"partly outside", -40, full}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    child_->SetLeft(c.left);
    guitest::Pump();
    RepaintPicture(*provider);
    ASSERT_EQ(data.CacheBitmap->Height(), full);
    data.BackgroundDirty = false;
    const Word bits = data.StateBits;
    data.StateBits |= ssPlainBackground;
    ASSERT_FALSE(data.StateClearOrActive());
    TBitmap dc;
    dc.SetSize(child_->ClientWidth(), child_->ClientHeight());
    SendMessageW(child_->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Canvas().Handle()), 0);
    data.StateBits = bits;
    EXPECT_EQ(data.CacheBitmap->Height(), c.height);
    EXPECT_EQ(data.BackgroundDirty, c.height != full);
  }
}
