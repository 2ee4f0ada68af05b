// The button adapters under a real skin: the section state each kind of BUTTON window shows, the
// check mask it picks, a group box's caption strip, a foreign bitmap button's glyph, the pressed
// caption's shift and a class-library button's Hungarian caption.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "SkinFixture.h"
#include "skin/adapters/skSBButtonLayout.h"
#include "skin/adapters/skSBButtons.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/BitBtn.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Button.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/rtl/TextConv.h"

namespace {

using skintest::SkinFixture;
using skintest::TSkinVariant;

// A window printed into a 32-bit bitmap; pixels read as COLORREF (0x00BBGGRR).
class TPrinted {
 public:
  TPrinted(HWND window, int width, int height) : bitmap_(CreateBmp32(width, height)) {
    bitmap_->Canvas().Brush().SetColor(static_cast<TColor>(0xFF00FF));
    bitmap_->Canvas().FillRect(TRect{0, 0, width, height});
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(bitmap_->Canvas().Handle()), PRF_CLIENT);
  }
  Cardinal At(int x, int y) {
    const Cardinal p = static_cast<Cardinal*>(bitmap_->ScanLine(y))[x];
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
  }
  // The box around the pixels of the colour (Right and Bottom exclusive); empty when there are none.
  TRect BoundsOf(Cardinal color) {
    TRect box{bitmap_->Width(), bitmap_->Height(), 0, 0};
    for (int y = 0; y < bitmap_->Height(); ++y)
      for (int x = 0; x < bitmap_->Width(); ++x)
        if (At(x, y) == color) box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                                           std::max(box.Bottom, y + 1)};
    return box;
  }
  int CountOf(Cardinal color) {
    int n = 0;
    for (int y = 0; y < bitmap_->Height(); ++y)
      for (int x = 0; x < bitmap_->Width(); ++x) n += At(x, y) == color ? 1 : 0;
    return n;
  }

 private:
  std::unique_ptr<TBitmap> bitmap_;
};

Cardinal ColorRefOf(Integer skinColor) { return ColorToRGB(static_cast<TColor>(skinColor)); }

// The 0.4 fade of a colour over another, channel by channel, rounded.
Cardinal Faded(Cardinal own, Cardinal parent) {
  Cardinal result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double p = (own >> shift) & 0xFF, c = (parent >> shift) & 0xFF;
    result |= static_cast<Cardinal>(std::lround(c + 0.4 * (p - c))) << shift;
  }
  return result;
}

class ButtonAdapterTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    form_.reset(New<TForm>(nullptr));
    form_->SetBounds(40, 40, 420, 300);
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    if (manager_ != nullptr) manager_->SetActiveControl(static_cast<HWND>(nullptr));
    for (TskMainWnd*& adapter : adapters_) FreeAdapter(adapter);
    adapters_.clear();
    form_.reset();
    SkinFixture::TearDown();
  }
  HWND Button(const wchar_t* text, DWORD style, int x, int y, int w, int h) {
    const HWND window = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form_->Handle(),
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    return window;
  }
  template <typename T>
  T* Adapt(HWND window) {
    T* adapter = New<T>(window, false, "", nullptr, nullptr);
    adapters_.push_back(adapter);
    return adapter;
  }
  // The section painted for a state at the window's place, read at a pixel (the reference).
  Cardinal SectionPixel(HWND window, const char* section, Integer state, TPoint pixel, int top = 0) {
    RECT r{};
    GetWindowRect(window, &r);
    POINT position{r.left, r.top};
    ScreenToClient(GetParent(window), &position);
    const int w = r.right - r.left, h = r.bottom - r.top;
    auto bitmap = CreateBmp32(w, h);
    PaintSectionToDC(Section(section), section, GetParentBgOfWnd(window), nullptr, bitmap->Canvas().Handle(),
                     TPoint{position.x, position.y + top}, TRect{0, top, w, h}, state, true);
    const Cardinal p = static_cast<Cardinal*>(bitmap->ScanLine(pixel.Y))[pixel.X];
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
  }
  Cardinal ParentColor(HWND window) { return static_cast<Cardinal>(GetParentBgOfWnd(window).Color) & 0xFFFFFF; }

  std::unique_ptr<TForm> form_;
  std::vector<TskMainWnd*> adapters_;
};

// One table over the kinds of BUTTON window and their states: the section state each shows at a fixed
// interior pixel; a disabled push button is its normal look faded 0.4 towards the parent's colour.
TEST_F(ButtonAdapterTest, EachKindShowsTheSectionStateOfItsButtonState) {
  ASSERT_FALSE(GetParentBgOfWnd(form_->Handle()).IsBitmap);
  enum Kind { Push, DefaultPush, Check, Radio, Group };
  enum How { Normal, HotByCursor, Focused, Pressed, Disabled };
  struct Case {
    Kind kind;
    How how;
    Integer state;  // the section state expected; Disabled: the faded state 0
  } cases[] = {
      {Push, Normal, 0},        {Push, HotByCursor, 1},        {Push, Focused, 1},
      {Push, Pressed, 2},       {Push, Disabled, 0},           {DefaultPush, Normal, 1},
      {DefaultPush, Pressed, 2}, {DefaultPush, Disabled, 0},   {Check, Normal, 0},
      {Check, HotByCursor, 1},  {Check, Focused, 1},           {Check, Disabled, 0},
      {Radio, Normal, 0},       {Radio, Pressed, 0},           {Group, Normal, 0},
      {Group, Focused, 0},      {Group, Disabled, 0},
  };
  static constexpr const char* kKindNames[] = {"push", "default push", "3-state check", "radio", "group box"};
  static constexpr const char* kHowNames[] = {"normal", "hot", "focused", "pressed", "disabled"};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(kKindNames[c.kind]) + " " + kHowNames[c.how]);
    const DWORD styles[] = {BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTO3STATE, BS_AUTORADIOBUTTON, BS_GROUPBOX};
    const int w = c.kind == Group ? 160 : 90, h = c.kind == Group ? 90 : 26;
    const HWND window = Button(L"OK", styles[c.kind] | WS_TABSTOP, 30, 40, w, h);
    const char* section = c.kind <= DefaultPush ? "BUTTON" : c.kind == Group ? "GROUPBOX" : "CHECKBOX";
    if (c.kind <= DefaultPush) {
      Adapt<TskBtnWnd>(window);
    } else if (c.kind == Group) {
      Adapt<TskGroupBoxWnd>(window);
    } else {
      Adapt<TskCheckBoxWnd>(window);
    }
    // Away from the caption (and the check glyph), inside the border.
    const TPoint pixel = c.kind == Group ? TPoint{w / 2, h - 12} : TPoint{w - 6, h / 2};
    switch (c.how) {
      case HotByCursor: {
        RECT r{};
        GetWindowRect(window, &r);
        ASSERT_TRUE(SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(w / 2, h / 2));
        ASSERT_EQ(manager_->ActiveWindow(), window);
        break;
      }
      case Focused:
        SetForegroundWindow(form_->Handle());
        SetFocus(window);
        ASSERT_EQ(GetFocus(), window);
        break;
      case Pressed:
        SendMessageW(window, BM_SETSTATE, TRUE, 0);
        break;
      case Disabled:
        EnableWindow(window, FALSE);
        break;
      default:
        break;
    }
    TPrinted printed(window, w, h);
    const int top = c.kind == Group ? static_cast<int>(SendSkinCommand(window, scGroupBoxCaptionHeight)) / 2 : 0;
    const Cardinal expected = SectionPixel(window, section, c.state, pixel, top);
    if (c.how == Disabled && c.kind != Group) {
      EXPECT_EQ(printed.At(pixel.X, pixel.Y), Faded(expected, ParentColor(window)));
    } else {
      EXPECT_EQ(printed.At(pixel.X, pixel.Y), expected);
    }
    manager_->SetActiveControl(static_cast<HWND>(nullptr));
    SetFocus(form_->Handle());
    FreeAdapter(adapters_.back());
    adapters_.pop_back();
    DestroyWindow(window);
  }
  // Normal, hot and disabled differ in the skin, so the table tells them apart. (The section painters
  // paint a pressed button with the hot state's images.)
  const HWND probe = Button(L"", BS_PUSHBUTTON, 30, 40, 90, 26);
  EXPECT_NE(SectionPixel(probe, "BUTTON", 0, {84, 13}), SectionPixel(probe, "BUTTON", 1, {84, 13}));
  EXPECT_NE(Faded(SectionPixel(probe, "BUTTON", 0, {84, 13}), ParentColor(probe)), SectionPixel(probe, "BUTTON", 0, {84, 13}));
  DestroyWindow(probe);
}

// The check masks in a variant skin are solid colours of their own: the glyph's centre shows the
// mask of the button's type and check state.
TEST_F(ButtonAdapterTest, CheckAndRadioButtonsShowTheNamedMask) {
  struct Mask {
    const char* name;
    Cardinal pixel;  // 0xAARRGGBB
  } masks[] = {{"BOXUNCHECKED", 0xFF102030}, {"BOXCHECKED", 0xFF204060}, {"BOXGRAYED", 0xFF306090},
               {"RADIOUNCHECKED", 0xFF4080C0}, {"RADIOCHECKED", 0xFF50A0F0}};
  TskMaskValue shape;
  shape.Form = TskMaskForm::Glyph;
  shape.Count = 3;
  TSkinVariant variant;
  for (const Mask& m : masks) {
    const Cardinal pixel = m.pixel;
    variant.AddMask("GLOBALINFO", m.name, shape, 13, 13, [pixel](int, int, int) { return pixel; });
  }
  LoadVariant(variant);
  struct Case {
    DWORD style;
    WPARAM check;
    const char* mask;
  } cases[] = {
      {BS_AUTO3STATE, BST_UNCHECKED, "BOXUNCHECKED"},       {BS_AUTO3STATE, BST_CHECKED, "BOXCHECKED"},
      {BS_AUTO3STATE, BST_INDETERMINATE, "BOXGRAYED"},      {BS_AUTORADIOBUTTON, BST_UNCHECKED, "RADIOUNCHECKED"},
      {BS_AUTORADIOBUTTON, BST_CHECKED, "RADIOCHECKED"},    {BS_RADIOBUTTON, BST_INDETERMINATE, "BOXGRAYED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    const HWND window = Button(L"Emlékeztető", c.style, 20, 20, 140, 21);
    TskCheckBoxWnd* adapter = Adapt<TskCheckBoxWnd>(window);
    SendMessageW(window, BM_SETCHECK, c.check, 0);
    // Wine keeps BST_INDETERMINATE only for 3-state boxes; the radio case is set through the state bits.
    if (c.style == BS_RADIOBUTTON && c.check == BST_INDETERMINATE &&
        (SendMessageW(window, BM_GETSTATE, 0, 0) & BST_INDETERMINATE) == 0) {
      FreeAdapter(adapters_.back());
      adapters_.pop_back();
      DestroyWindow(window);
      EXPECT_EQ(CheckMaskName(true, CheckStateOf(BST_INDETERMINATE)), std::string_view("BOXGRAYED"));
      continue;
    }
    EXPECT_EQ(adapter->CheckMaskIndex(), manager_->GetMaskIndex(manager_->CommonSkinIndex, "GLOBALINFO", c.mask));
    TPrinted printed(window, 140, 21);
    const TRect glyph = adapter->CheckGlyphRect();
    ASSERT_EQ(glyph.Width(), 13);
    EXPECT_EQ(glyph.Top, (21 - 13) / 2);
    Cardinal expected = 0;
    for (const Mask& m : masks)
      if (std::string(m.name) == c.mask)
        expected = ((m.pixel & 0xFF) << 16) | (m.pixel & 0xFF00) | ((m.pixel >> 16) & 0xFF);  // ARGB -> COLORREF
    EXPECT_EQ(printed.At(glyph.Left + 6, glyph.Top + 6), expected);
    FreeAdapter(adapters_.back());
    adapters_.pop_back();
    DestroyWindow(window);
  }
}

// A group box answers command 27 with its caption's height, starts its frame half of it lower, and
// keeps a caption longer than itself inside W - 1.
TEST_F(ButtonAdapterTest, GroupBoxCaptionStripAndFrame) {
  const HWND box = Button(L"Keresés", BS_GROUPBOX, 20, 20, 200, 100);
  TskGroupBoxWnd* adapter = Adapt<TskGroupBoxWnd>(box);
  const Integer height = static_cast<Integer>(SendSkinCommand(box, scGroupBoxCaptionHeight));
  EXPECT_EQ(height, adapter->CaptionRect().Height());
  EXPECT_GE(height, 10) << "a caption in the message font";
  const TsGeneralData& section = SectionData("GROUPBOX");
  ASSERT_EQ(section.Props[0].Transparency, 100);
  TPrinted printed(box, 200, 100);
  const Cardinal parent = ParentColor(box);
  // Right of the caption: the parent above the frame line, the frame's line at half the caption.
  const Cardinal line = SectionPixel(box, "GROUPBOX", 0, {150, height / 2}, height / 2);
  ASSERT_NE(line, parent);
  EXPECT_EQ(printed.At(150, height / 2), line);
  EXPECT_EQ(printed.At(150, height / 2 - 1), parent);
  EXPECT_EQ(printed.At(150, 0), parent);

  const HWND narrow = Button(L"Egy nagyon hosszú felirat", BS_GROUPBOX, 20, 140, 60, 60);
  TskGroupBoxWnd* narrowAdapter = Adapt<TskGroupBoxWnd>(narrow);
  EXPECT_EQ(narrowAdapter->CaptionRect().Right, 59);
  TPrinted narrowPrinted(narrow, 60, 60);
  const Cardinal text = ColorRefOf(section.Props[0].TextColor);
  EXPECT_GT(narrowPrinted.CountOf(text), 0);
  EXPECT_LE(narrowPrinted.BoundsOf(text).Right, 59) << "no caption pixel in the last column";
}

// A raw BS_BITMAP button with a 16 x 16 image: the image shows left of the caption.
TEST_F(ButtonAdapterTest, ForeignBitmapButtonShowsItsGlyphLeftOfTheCaption) {
  const HWND window = Button(L"Megnyitás", BS_PUSHBUTTON | BS_BITMAP, 20, 20, 140, 30);
  constexpr Cardinal kGlyph = 0x2040C0;  // COLORREF; 0x00C04020 in the bitmap's memory
  const std::vector<Cardinal> bits(16 * 16, 0x00C04020u);
  const HBITMAP glyph = CreateBitmap(16, 16, 1, 32, bits.data());
  SendMessageW(window, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
  TskBitBtnWnd* adapter = Adapt<TskBitBtnWnd>(window);
  TPrinted printed(window, 140, 30);
  EXPECT_EQ(printed.CountOf(kGlyph), 256);
  const TRect glyphBox = printed.BoundsOf(kGlyph);
  EXPECT_EQ(glyphBox, adapter->GlyphRect());
  const TRect textBox = printed.BoundsOf(ColorRefOf(SectionData("BUTTON").Props[0].TextColor));
  ASSERT_LT(textBox.Left, textBox.Right) << "the caption is drawn";
  EXPECT_LE(glyphBox.Right + 2, textBox.Left);
  EXPECT_EQ(glyphBox.Top, (30 - 16) / 2);
  SendMessageW(window, BM_SETIMAGE, IMAGE_BITMAP, 0);
  DeleteObject(glyph);
}

// A pressed button's caption is drawn one pixel lower and right; a TButton's Hungarian caption (read
// through the W functions) shows in the skin's font colour.
TEST_F(ButtonAdapterTest, PressedCaptionMovesAndClassLibraryCaptionTakesTheSkinFont) {
  const HWND window = Button(L"Mentés", BS_PUSHBUTTON, 20, 20, 100, 28);
  Adapt<TskBtnWnd>(window);
  const TsGeneralData& section = SectionData("BUTTON");
  const Cardinal text = ColorRefOf(section.Props[0].TextColor);
  ASSERT_EQ(ColorRefOf(section.Props[1].TextColor), text) << "pressed and hot captions take the hot colour";
  const TRect normal = TPrinted(window, 100, 28).BoundsOf(text);
  ASSERT_LT(normal.Left, normal.Right);
  SendMessageW(window, BM_SETSTATE, TRUE, 0);
  const TRect pressed = TPrinted(window, 100, 28).BoundsOf(text);
  EXPECT_EQ(pressed, (TRect{normal.Left + 1, normal.Top + 1, normal.Right + 1, normal.Bottom + 1}));
  SendMessageW(window, BM_SETSTATE, FALSE, 0);

  TButton* button = New<TButton>(form_.get());
  button->SetParent(form_.get());
  button->SetBounds(20, 80, 90, 26);
  button->SetCaption(Utf8ToCp1250("Mégse"));
  auto data = std::make_unique<TsCommonData>(button);
  TskMainWnd* adapter = New<TskBtnWnd>(button->Handle(), false, "", nullptr, data.get());
  EXPECT_EQ(adapter->WindowText, Utf8ToCp1250("Mégse"));
  TPrinted printed(button->Handle(), 90, 26);
  EXPECT_GT(printed.CountOf(text), 10);
  FreeAdapter(adapter);
}

// A TBitBtn's glyph is placed by its layout under the skin, and it draws glyph and caption itself
// without one.
TEST_F(ButtonAdapterTest, BitBtnGlyphByLayoutSkinnedAndUnskinned) {
  TBitBtn* button = New<TBitBtn>(form_.get());
  button->SetParent(form_.get());
  button->SetBounds(20, 20, 120, 48);
  button->SetCaption(Utf8ToCp1250("Napló"));
  auto glyph = CreateBmp32(16, 16);
  constexpr Cardinal kGlyph = 0x30A050;
  glyph->Canvas().Brush().SetColor(static_cast<TColor>(kGlyph));
  glyph->Canvas().FillRect(TRect{0, 0, 16, 16});
  glyph->Canvas().SetPixels(0, 15, static_cast<TColor>(0xFF00FF));  // the transparent corner
  button->SetGlyph(*glyph);

  // Unskinned: the button draws itself.
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  {
    TPrinted own(button->Handle(), 120, 48);
    EXPECT_EQ(own.CountOf(kGlyph), 255);
  }
  auto data = std::make_unique<TsCommonData>(button);
  TskBitBtnWnd* adapter = New<TskBitBtnWnd>(button->Handle(), false, "", nullptr, data.get());
  for (const TButtonLayout layout : {blGlyphLeft, blGlyphRight, blGlyphTop}) {
    SCOPED_TRACE(static_cast<int>(layout));
    button->SetLayout(layout);
    TPrinted printed(button->Handle(), 120, 48);
    const TRect box = printed.BoundsOf(kGlyph);
    EXPECT_EQ(printed.CountOf(kGlyph), 255);
    const TRect expected = adapter->GlyphRect();
    EXPECT_EQ(box.Left, expected.Left);
    EXPECT_EQ(box.Bottom, expected.Bottom);
  }
  TskMainWnd* base = adapter;
  FreeAdapter(base);
}

}  // namespace

namespace {

// BUTTON gets a glow (GLOW 4, margin 1, a 16 x 16 mask of borders 6).
TSkinVariant GlowingButtons() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 1;
  shape.WL = shape.WT = shape.WR = shape.WB = 6;
  TSkinVariant variant;
  variant.Set("BUTTON", "GLOW", 4).Set("BUTTON", "GLOWMARGIN", 1)
      .AddMask("BUTTON", "GLOW0", shape, 16, 16, [](int, int, int) { return 0x80204080u; });
  return variant;
}

// The mouse entering a button opens its glow; pressing it closes the glow, leaving closes it too.
TEST_F(ButtonAdapterTest, HotButtonGlowsUntilPressed) {
  LoadVariant(GlowingButtons());
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  const HWND window = Button(L"Keresés", BS_PUSHBUTTON, 40, 40, 100, 28);
  TskBtnWnd* adapter = Adapt<TskBtnWnd>(window);
  RECT r{};
  GetWindowRect(window, &r);
  ASSERT_TRUE(SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(50, 14));
  ASSERT_TRUE(adapter->SkinData->MouseInside);
  EXPECT_NE(adapter->SkinData->GlowIndex, -1) << "the hot button glows";
  EXPECT_EQ(adapter->ButtonState(), 1);
  SendMessageW(window, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(adapter->SkinData->GlowIndex, -1) << "pressed: no glow";
  EXPECT_EQ(adapter->ButtonState(), 2);
  SendMessageW(window, BM_SETSTATE, FALSE, 0);
  // The cursor leaves: the button is no longer hot.
  ASSERT_TRUE(SetCursorPos(r.right + 40, r.bottom + 40));
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(140, 68));
  EXPECT_NE(manager_->ActiveWindow(), window);
  EXPECT_FALSE(adapter->SkinData->MouseInside);
  EXPECT_EQ(adapter->ButtonState(), 0);
}

}  // namespace
