// The static-text adapter and the background the adapters rebuild: a Hungarian text printed into a
// bitmap in the section's colours, and a disabled password box showing its password characters.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "SkinFixture.h"
#include "SkinTestControls.h"
#include "skin/adapters/skSBStaticWnd.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/Form.h"
#include "vcl/rtl/TextConv.h"

namespace {

using skintest::SkinFixture;

// A 32-bit bitmap with a DC to print windows into; pixels read as 0xRRGGBB.
class TPrintTarget {
 public:
  TPrintTarget(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = 0x00FF00FF;
  }
  ~TPrintTarget() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  Cardinal Rgb(int x, int y) const {
    const Cardinal p = bits_[y * width_ + x];
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);  // BGR in memory -> COLORREF order
  }
  int CountOf(Cardinal colorRef) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) n += Rgb(x, y) == colorRef ? 1 : 0;
    return n;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  Cardinal* bits_ = nullptr;
};

// COLORREF (0x00BBGGRR) of a skin colour as painted.
Cardinal ColorRefOf(Integer skinColor) { return ColorToRGB(static_cast<TColor>(skinColor)); }

class StaticAdapterTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    form_.reset(New<TForm>(nullptr));
    form_->SetBounds(40, 40, 320, 240);
    form_->Show();
  }
  void TearDown() override {
    form_.reset();
    SkinFixture::TearDown();
  }
  std::unique_ptr<TForm> form_;
};

// A static with a Hungarian text printed into a DIB: the section's colour around the text, the
// section's font colour in it, and the text read through the W functions in code page 1250.
TEST_F(StaticAdapterTest, PrintsHungarianTextInSectionColours) {
  const AnsiString text = Utf8ToCp1250("Árvíztűrő tükörfúrógép ŐŰ");
  const WideString wide = Cp1250ToUtf16(text);
  const HWND stat = CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t*>(wide.c_str()),
                                    WS_CHILD | WS_VISIBLE, 10, 10, 200, 60, form_->Handle(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(stat, nullptr);
  TskMainWnd* adapter = New<TskStaticWnd>(stat, false, "PANEL_LOW", nullptr, nullptr);
  EXPECT_EQ(adapter->WindowText, text);
  const TsGeneralData& section = SectionData("PANEL_LOW");
  ASSERT_EQ(section.Props[0].Transparency, 0);
  const Cardinal back = ColorRefOf(section.Props[0].Color);
  const Cardinal font = ColorRefOf(section.Props[0].TextColor);
  ASSERT_NE(back, font);

  TPrintTarget target(200, 60);
  SendMessageW(stat, WM_PRINT, reinterpret_cast<WPARAM>(target.Dc()), PRF_CLIENT);
  EXPECT_EQ(target.Rgb(190, 50), back) << "the section below the text";
  EXPECT_GT(target.CountOf(back), 200 * 60 / 2);
  EXPECT_GT(target.CountOf(font), 20) << "the text in the section's font colour";
  EXPECT_EQ(target.CountOf(0xFF00FF), 0) << "the whole window is painted";

  // A new text through WM_SETTEXT is read again; an empty one leaves only the section.
  SetWindowTextW(stat, L"");
  EXPECT_TRUE(adapter->WindowText.empty());
  TPrintTarget empty(200, 60);
  SendMessageW(stat, WM_PRINT, reinterpret_cast<WPARAM>(empty.Dc()), PRF_CLIENT);
  EXPECT_EQ(empty.CountOf(font), 0);

  // A static with a static edge is not painted by this adapter.
  SetWindowLongPtrW(stat, GWL_EXSTYLE, WS_EX_STATICEDGE);
  TPrintTarget edged(200, 60);
  SendMessageW(stat, WM_PAINT, reinterpret_cast<WPARAM>(edged.Dc()), 0);
  EXPECT_EQ(edged.CountOf(back), 0);
  FreeAdapter(adapter);
  DestroyWindow(stat);
}

// A disabled password box paints its password characters, never its text: its cache equals that of the
// same box showing "***" as its text, and differs from one showing the text itself.
TEST_F(StaticAdapterTest, DisabledPasswordEditShowsPasswordCharacters) {
  auto cacheOf = [&](TEdit* edit, const char* text) {
    edit->SetBounds(20, 20, 120, 24);
    edit->SetParent(form_.get());
    edit->SetText(text);
    edit->SetEnabled(false);
    auto data = std::make_unique<TsCommonData>(edit);
    TskMainWnd* adapter = New<TskMainWnd>(edit->Handle(), false, "EDIT", nullptr, data.get());
    data->BackgroundDirty = true;
    RebuildWindowBg(data.get(), edit->Handle(), false);
    EXPECT_FALSE(data->BackgroundDirty);
    std::vector<Cardinal> pixels;
    TBitmap& cache = *data->CacheBitmap;
    for (int y = 0; y < cache.Height(); ++y)
      for (int x = 0; x < cache.Width(); ++x) pixels.push_back(static_cast<Cardinal*>(cache.ScanLine(y))[x] & 0xFFFFFF);
    FreeAdapter(adapter);
    delete edit;
    return pixels;
  };
  const std::vector<Cardinal> password = cacheOf(New<skintest::TPasswordEdit>(nullptr), "abc");
  const std::vector<Cardinal> stars = cacheOf(New<TEdit>(nullptr), "***");
  const std::vector<Cardinal> plain = cacheOf(New<TEdit>(nullptr), "abc");
  const std::vector<Cardinal> none = cacheOf(New<TEdit>(nullptr), "");
  ASSERT_EQ(password.size(), stars.size());
  ASSERT_FALSE(password.empty());
  EXPECT_TRUE(password == stars);
  EXPECT_FALSE(password == plain);
  EXPECT_FALSE(password == none) << "the characters are drawn";
}

// The system fonts by kind, and the guards of the shared routines.
TEST(AdapterUtils, SystemFontsAndSectionStates) {
  for (int kind = 1; kind <= 5; ++kind) {
    const HFONT font = CreateSystemFont(kind);
    EXPECT_NE(font, nullptr) << kind;
    DeleteObject(font);
  }
  EXPECT_EQ(CreateSystemFont(0), nullptr);
  EXPECT_EQ(CreateSystemFont(6), nullptr);
  EXPECT_FALSE(IsMultiStateSection(nullptr));
  TsCommonData orphan(nullptr);
  EXPECT_FALSE(IsMultiStateSection(&orphan));
}

// A parent that answers a background request with kind 3 is updating: the cache is not painted, the
// background stays marked changed and the adapter's state waits; the next rebuild after the parent is
// done paints.
LRESULT CALLBACK UpdatingParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  static bool updating = true;
  if (msg == WM_USER) updating = wParam != 0;
  if (msg == SkinCommandMessage && SkinCommandOf(wParam) == scFillBgRequest && updating) {
    reinterpret_cast<TskBgRequest*>(lParam)->AnswerKind = bgColorKey;
    return 1;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

TEST_F(StaticAdapterTest, ParentUpdatingStopsTheRebuild) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = UpdatingParentProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QnUpdatingParent";
  RegisterClassW(&cls);
  const HWND parent = CreateWindowExW(0, L"QnUpdatingParent", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100,
                                      form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  const HWND stat = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, parent, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  TskMainWnd* adapter = New<TskStaticWnd>(stat, false, "PANEL_LOW", nullptr, nullptr);
  TsCommonData& data = *adapter->SkinData;
  SendMessageW(parent, WM_USER, 1, 0);
  data.BackgroundDirty = true;
  RebuildWindowBg(&data, stat, false);
  EXPECT_TRUE(data.BackgroundDirty);
  EXPECT_TRUE(data.UpdatingFlag);
  EXPECT_EQ(SendSkinCommand(stat, scIsUpdating), 1);

  SendMessageW(parent, WM_USER, 0, 0);
  data.UpdatingFlag = false;
  RebuildWindowBg(&data, stat, false);
  EXPECT_FALSE(data.BackgroundDirty);
  ASSERT_EQ(data.CacheBitmap->Width(), 50);
  const Cardinal pixel = static_cast<Cardinal*>(data.CacheBitmap->ScanLine(10))[25] & 0xFFFFFF;
  EXPECT_EQ(pixel, static_cast<Cardinal>(SectionData("PANEL_LOW").Props[0].Color) & 0xFFFFFF)
      << "the section painted once the parent is done";
  FreeAdapter(adapter);
  DestroyWindow(parent);
}

}  // namespace
