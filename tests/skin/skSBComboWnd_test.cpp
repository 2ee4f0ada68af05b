// The combo-box adapters and the small static adapters under a skin whose combo button and up-down
// buttons have a distinct face per state: the list adapter made once, the one brush of the list's
// colour requests, the button's place and state, the skin's removal, another vendor's combo with a
// child list box, a static picture that the application replaces, a link label's text and an up-down
// pressed on one half.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "AdapterFixture.h"
#include "skin/adapters/skSBComboWnd.h"
#include "skin/adapters/skSBPictureWnd.h"
#include "skin/adapters/skSBSmallGeometry.h"
#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/ComboBox.h"
#include "vcl/gui/CustomControl.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/gui/ListBox.h"
#include "vcl/rtl/TextConv.h"

namespace {

using skintest::AdapterFixture;
using skintest::Ref;
using skintest::WindowPixel;
using skintest::TSkinVariant;

constexpr uint32_t kEdge = 0xFF404040u;
constexpr uint32_t kButtonFace[3] = {0xFFB0D0F0u, 0xFFC8E8C8u, 0xFF4060A0u};
constexpr uint32_t kSpinFace[3] = {0xFFE0C0A0u, 0xFFD0F0A0u, 0xFF804020u};

TSkinVariant ButtonVariant() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 3;
  shape.WL = shape.WT = shape.WR = shape.WB = 1;
  shape.DrawMode = 5;
  auto faces = [](const uint32_t* face) {
    return [face](int x, int y, int state) { return x == 0 || y == 0 || x == 5 || y == 5 ? kEdge : face[state]; };
  };
  TSkinVariant variant;
  variant.Set("EDIT", "COLOR", 0xD8ECF4)
      .AddMask("COMBOBTN", "BORDERSMASK", shape, 6, 6, faces(kButtonFace))
      .AddMask("UPDOWNBTN", "BORDERSMASK", shape, 6, 6, faces(kSpinFace));
  return variant;
}

class SmallAdapterTest : public AdapterFixture {
 protected:
  TSkinVariant Variant() const override { return ButtonVariant(); }
  HWND Combo(DWORD style, int x = 20, int y = 20, DWORD exStyle = 0) {
    const HWND combo = Child(L"COMBOBOX", L"", style | WS_VSCROLL, x, y, 160, 160, exStyle);
    for (const wchar_t* item : {L"hétfő", L"kedd", L"szerda"})
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    return combo;
  }
  static HWND ListOf(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    return info.hwndList;
  }
  static void DropDown(HWND combo, bool open) {
    SendMessageW(combo, CB_SHOWDROPDOWN, open ? TRUE : FALSE, 0);
    if (open) UpdateWindow(ListOf(combo));
    RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  // A pixel of the button's face (clear of its edge and its glyph).
  static Cardinal ButtonFacePixel(HWND combo, TskComboBoxWnd& adapter) {
    const TRect button = adapter.ButtonRect();
    return WindowPixel(combo, button.Left + 2, button.Top + 2);
  }

};

TEST_F(SmallAdapterTest, TheFirstDropDownAdaptsTheListOnceAndItsColoursCostOneBrush) {
  const HWND combo = Combo(CBS_DROPDOWNLIST);
  auto* adapter = Adapt<TskComboBoxWnd>(combo);
  EXPECT_EQ(adapter->ListAdapter(), nullptr);
  DropDown(combo, true);
  const HWND list = ListOf(combo);
  ASSERT_NE(adapter->ListAdapter(), nullptr);
  EXPECT_EQ(adapter->ListWindow(), list);
  EXPECT_EQ(FindAdapter(list), adapter->ListAdapter());
  const TskComboListWnd* first = adapter->ListAdapter();
  const HBRUSH brush = adapter->ListBrush();
  ASSERT_NE(brush, nullptr);
  LOGBRUSH logBrush{};
  ASSERT_NE(GetObjectW(brush, sizeof logBrush, &logBrush), 0);
  EXPECT_EQ(logBrush.lbColor, ColorToRGB(static_cast<TColor>(SectionData("EDIT").Props[0].Color)));
  DropDown(combo, false);

  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const HDC dc = GetDC(list);
  for (int i = 0; i < 1000; ++i) {
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    UpdateWindow(list);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(SendMessageW(combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(list))),
              brush);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    if (HasFailure()) break;
  }
  ReleaseDC(list, dc);
  EXPECT_EQ(adapter->ListAdapter(), first) << "no second list adapter";
  if (gdiBefore != 0) {
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  }
}

TEST_F(SmallAdapterTest, TheButtonIsAScrollBarWideOnItsSideAndPressedWhileOpen) {
  const HWND right = Combo(CBS_DROPDOWNLIST, 20, 20);
  const HWND left = Combo(CBS_DROPDOWNLIST, 20, 80, WS_EX_RTLREADING);
  const HWND simple = Combo(CBS_SIMPLE, 220, 20);
  auto* rightAdapter = Adapt<TskComboBoxWnd>(right);
  auto* leftAdapter = Adapt<TskComboBoxWnd>(left);
  auto* simpleAdapter = Adapt<TskComboBoxWnd>(simple);
  RECT r{};
  GetWindowRect(right, &r);
  const int w = r.right - r.left, h = r.bottom - r.top, bar = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(rightAdapter->ButtonRect(), (TRect{w - bar - 2, 2, w - 2, h - 2}));
  EXPECT_EQ(leftAdapter->ButtonRect(), (TRect{2, 2, 2 + bar, h - 2}));
  EXPECT_EQ(simpleAdapter->ButtonRect().Width(), 0);

  EXPECT_EQ(ButtonFacePixel(right, *rightAdapter), Ref(kButtonFace[0]));
  EXPECT_EQ(ButtonFacePixel(left, *leftAdapter), Ref(kButtonFace[0]));
  DropDown(right, true);
  EXPECT_EQ(rightAdapter->ButtonState(), 2);
  EXPECT_EQ(ButtonFacePixel(right, *rightAdapter), Ref(kButtonFace[2]));
  DropDown(right, false);
  EXPECT_EQ(ButtonFacePixel(right, *rightAdapter), Ref(kButtonFace[0]));
}

// Printed (WM_PRINT): the frame, the selected item's text beside the button, the button.
TEST_F(SmallAdapterTest, APrintedComboShowsItsTextBesideTheButtonOnEitherSide) {
  for (const bool rightToLeft : {false, true}) {
    SCOPED_TRACE(rightToLeft ? "right to left" : "left to right");
    const HWND combo = Combo(CBS_DROPDOWNLIST, 20, rightToLeft ? 80 : 20, rightToLeft ? WS_EX_RTLREADING : 0);
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    auto* adapter = Adapt<TskComboBoxWnd>(combo);
    RECT r{};
    GetWindowRect(combo, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, w, h, BLACKNESS);
    SendMessageW(combo, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
    const TRect button = adapter->ButtonRect();
    EXPECT_EQ(GetPixel(dc, button.Left + 2, button.Top + 2), Ref(kButtonFace[0]));
    // The text's ink lies between the frame and the button.
    const COLORREF field = GetPixel(dc, rightToLeft ? w - 4 : 4, 4);
    int inkLeft = w, inkRight = 0;
    for (int y = 4; y < h - 4; ++y)
      for (int x = 0; x < w; ++x)
        if (GetPixel(dc, x, y) != field && (x < button.Left || x >= button.Right) && x > 2 && x < w - 3) {
          inkLeft = std::min(inkLeft, x);
          inkRight = std::max(inkRight, x + 1);
        }
    EXPECT_LT(inkLeft, inkRight) << "the text is printed";
    if (rightToLeft) {
      EXPECT_GE(inkLeft, button.Right);
    } else {
      EXPECT_LE(inkRight, button.Left);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
}

TEST_F(SmallAdapterTest, RemovingTheSkinGivesTheListAPlainBorderAndLetsItGo) {
  const HWND combo = Combo(CBS_DROPDOWNLIST);
  auto* adapter = Adapt<TskComboBoxWnd>(combo);
  DropDown(combo, true);
  DropDown(combo, false);
  const HWND list = ListOf(combo);
  ASSERT_NE(FindAdapter(list), nullptr);
  SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | WS_THICKFRAME);
  SendMessageW(combo, SkinCommandMessage, SkinCommandWParam(scRemoveSkin), reinterpret_cast<LPARAM>(manager_));
  const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  EXPECT_NE(style & WS_BORDER, 0);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_EQ(FindAdapter(list), nullptr);
  EXPECT_EQ(adapter->ListAdapter(), nullptr);
  EXPECT_EQ(adapter->ListBrush(), nullptr);
}

// Another vendor's combo box: a control whose list is a child list box.
class TOwnListCombo : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};

TEST_F(SmallAdapterTest, AForeignComboAdaptsItsChildListBoxAndASimpleOneHasNoButton) {
  auto* combo = New<TOwnListCombo>(form_);
  combo->SetBounds(20, 20, 180, 24);
  combo->SetStyle(csDropDownList);
  combo->SetParent(form_);
  TsCommonData data(combo);
  auto* adapter = New<TskWWComboBoxWnd>(combo, true, "", nullptr, &data);
  adapters_.push_back(adapter);
  EXPECT_EQ(adapter->ButtonRect().Width(), GetSystemMetrics(SM_CXVSCROLL));
  auto* box = New<TListBox>(form_);
  box->SetBounds(0, 24, 180, 80);
  box->SetParent(combo);
  const HWND boxWindow = box->Handle();  // made now: its parent hears of it
  EXPECT_EQ(adapter->ListBox(), box);
  ASSERT_NE(adapter->ListBoxAdapter(), nullptr);
  EXPECT_EQ(FindAdapter(boxWindow), adapter->ListBoxAdapter());
  EXPECT_NE(dynamic_cast<TskEditWnd*>(adapter->ListBoxAdapter()), nullptr);

  auto* simple = New<TComboBox>(form_);
  simple->SetBounds(220, 20, 180, 80);
  simple->SetStyle(csSimple);
  simple->SetParent(form_);
  TsCommonData simpleData(simple);
  auto* simpleAdapter = New<TskWWComboBoxWnd>(simple, true, "", nullptr, &simpleData);
  adapters_.push_back(simpleAdapter);
  EXPECT_EQ(simpleAdapter->ButtonRect().Width(), 0);
  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
}

// A solid picture of one colour: a bitmap of the display's format, or an icon made of it.
HBITMAP SolidBitmap(COLORREF colour, int size) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  const HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const HBRUSH brush = CreateSolidBrush(colour);
  const RECT r{0, 0, size, size};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

TEST_F(SmallAdapterTest, StaticPicturesShowTheIconAndTheBitmapTheWindowHoldsNow) {
  const HBITMAP colour = SolidBitmap(RGB(200, 30, 60), 32);
  const HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  const HDC maskDc = CreateCompatibleDC(nullptr);
  const HGDIOBJ oldMask = SelectObject(maskDc, mask);
  PatBlt(maskDc, 0, 0, 32, 32, BLACKNESS);  // all opaque
  SelectObject(maskDc, oldMask);
  DeleteDC(maskDc);
  ICONINFO iconInfo{TRUE, 0, 0, mask, colour};
  const HICON icon = CreateIconIndirect(&iconInfo);
  const HWND iconStatic = Child(L"STATIC", L"", SS_ICON, 20, 20, 32, 32);
  SendMessageW(iconStatic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  auto* iconAdapter = Adapt<TskIconWnd>(iconStatic, "CHECKBOX");
  EXPECT_FALSE(iconAdapter->IsBitmap());
  EXPECT_EQ(WindowPixel(iconStatic, 10, 10), RGB(200, 30, 60));

  const HBITMAP first = SolidBitmap(RGB(20, 160, 40), 24);
  const HWND picture = Child(L"STATIC", L"", SS_BITMAP, 100, 20, 24, 24);
  SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(first));
  auto* pictureAdapter = Adapt<TskIconWnd>(picture, "CHECKBOX");
  EXPECT_TRUE(pictureAdapter->IsBitmap());
  EXPECT_EQ(WindowPixel(picture, 10, 10), RGB(20, 160, 40));
  const HBITMAP second = SolidBitmap(RGB(30, 40, 220), 24);
  const auto old = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(second)));
  EXPECT_EQ(old, first);
  DeleteObject(old);
  RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(WindowPixel(picture, 10, 10), RGB(30, 40, 220));

  for (TskMainWnd*& a : adapters_) FreeAdapter(a);
  BITMAP info{};
  EXPECT_NE(GetObjectW(second, sizeof info, &info), 0) << "the window's bitmap stays the window's";
  DestroyIcon(icon);
  DeleteObject(colour);
  DeleteObject(mask);
  DestroyWindow(picture);
  DeleteObject(second);
}

// The ink of a window: the box of pixels that differ from the corner pixel.
TRect InkBox(HWND window, int w, int h) {
  const HDC dc = GetWindowDC(window);
  const COLORREF back = GetPixel(dc, w - 1, h - 1);
  TRect box{w, h, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (GetPixel(dc, x, y) != back)
        box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
  ReleaseDC(window, dc);
  return box;
}

int MessageFontWidth(const wchar_t* text) {
  const HFONT font = CreateSystemFont(5);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return size.cx;
}

TEST_F(SmallAdapterTest, ALinkShowsItsTextWithoutTheUpperCaseTagsUnderlined) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  const struct {
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {{L"nézd <A>itt</A>", L"nézd itt"}, {L"<a>nézd</a>", L"<a>nézd</a>"}};
  int y = 20;
  for (const auto& c : cases) {
    HWND link = Child(L"SysLink", c.text, 0, 20, y, 220, 24);
    if (link == nullptr) link = Child(L"STATIC", c.text, 0, 20, y, 220, 24);
    ASSERT_NE(link, nullptr);
    Adapt<TskLinkWnd>(link, "CHECKBOX");
    const TRect ink = InkBox(link, 220, 24);
    const int width = MessageFontWidth(c.shown);
    EXPECT_NEAR(ink.Width(), width, 2) << Utf16ToUtf8(reinterpret_cast<const char16_t*>(c.text));
    // The underline: one row of ink nearly as wide as the text.
    const HDC dc = GetWindowDC(link);
    const COLORREF back = GetPixel(dc, 219, 23);
    int widest = 0;
    for (int row = ink.Top; row < ink.Bottom; ++row) {
      int run = 0;
      for (int x = ink.Left; x < ink.Right; ++x) run += GetPixel(dc, x, row) != back ? 1 : 0;
      widest = std::max(widest, run);
    }
    ReleaseDC(link, dc);
    EXPECT_GE(widest, width - 3) << "underlined";
    y += 40;
  }
}

TEST_F(SmallAdapterTest, AnUpDownPressedOnItsTopHalfShowsThatHalfPressed) {
  const HWND spin = Child(UPDOWN_CLASSW, L"", 0, 300, 40, 20, 41);
  ASSERT_NE(spin, nullptr);
  auto* adapter = Adapt<TskSpinWnd>(spin, "UPDOWNBTN");
  RECT r{};
  GetWindowRect(spin, &r);
  SetCursorPos(r.left + 10, r.top + 6);
  SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 6));
  EXPECT_EQ(adapter->FirstState(), 2);
  EXPECT_EQ(adapter->SecondState(), 0);
  EXPECT_EQ(WindowPixel(spin, 2, 2), Ref(kSpinFace[2]));
  EXPECT_EQ(WindowPixel(spin, 2, 38), Ref(kSpinFace[0]));
  SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(10, 6));
  EXPECT_EQ(adapter->FirstState(), 1) << "hot under the cursor";
  SetCursorPos(r.left - 50, r.top - 50);
  RedrawWindow(spin, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(WindowPixel(spin, 2, 2), Ref(kSpinFace[0]));
}

}  // namespace
