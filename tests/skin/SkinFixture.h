// The skin that tests of skinned controls, adapters and forms paint with: the diary's real built-in skin
// loaded through a TsSkinManager (the process's default manager while a test runs), or a variant of it
// made with the skin generator where a test needs what the built-in skin lacks (a glow mask, corner
// images, other widths). And a recorder of the two layered-window entries, since a headless system
// cannot read a layered window back.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/builtin/skOptionsText.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sSkinManager.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/gui/GuiTestSupport.h"

namespace skintest {

// The built-in skin with changes: keys set in sections (sections added when missing) and masks drawn
// on a new shelf below the master bitmap. (Made in SkinVariant_test.cpp: the generator's headers and
// the painters' cannot share a translation unit.)
class TSkinVariant {
 public:
  // The pixel (0xAARRGGBB) of a mask's state image at (x, y) of that image.
  using TMaskPainter = std::function<uint32_t(int x, int y, int state)>;

  TSkinVariant();

  // Sets the key in the section, replacing the value it has.
  TSkinVariant& Set(const std::string& section, const std::string& key, const std::string& value);
  TSkinVariant& Set(const std::string& section, const std::string& key, int value) {
    return Set(section, key, std::to_string(value));
  }
  // A mask of `shape`'s form, count, type, border widths and draw mode, whose states are stateWidth x
  // stateHeight, painted below what the master bitmap holds; its rectangle is the place found.
  TSkinVariant& AddMask(const std::string& section, const std::string& key, TskMaskValue shape, int stateWidth,
                        int stateHeight, const TMaskPainter& paint);

  const TskOptionsText& Options() const { return options_; }
  // The options text and the master bitmap packed as a skin.
  std::vector<Byte> Pack() const;

 private:
  TskOptionsText options_;
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> master_;  // top row first
};

// The built-in skin with a glow for the close button: a one-image bordered mask of the size, every pixel
// the given one, and the glow's margin.
inline TSkinVariant CloseGlowVariant(int margin, int width, int height, uint32_t pixel) {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 1;
  shape.WL = shape.WT = shape.WR = shape.WB = 4;
  TSkinVariant variant;
  variant.Set("GLOBALINFO", "BICONCLOSEGLOW", 4).Set("GLOBALINFO", "BICONCLOSEGLOWMARGIN", margin)
      .AddMask("GLOBALINFO", "BICONCLOSEGLOW0", shape, width, height, [pixel](int, int, int) { return pixel; });
  return variant;
}

// A test with the built-in skin loaded by a manager of its own, which is the default manager meanwhile.
// The skin's message boxes are recorded instead of shown.
class SkinFixture : public ::testing::Test {
 public:
  static AnsiString BuiltinSkinName();

 protected:
  void SetUp() override {
    previousHook_ = SetSkinMessageHook([this](const AnsiString& text, TMsgDlgType) { messages_.push_back(text); });
    manager_ = New<TsSkinManager>(nullptr);
    ASSERT_EQ(TsSkinManager::DefaultManager(), manager_) << "a manager of an earlier test is still alive";
    manager_->SetSkinDirectory((std::filesystem::temp_directory_path() / "qn-no-skins-here").string());
    const Bytes pack = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
    ASSERT_FALSE(pack.empty());
    manager_->InternalSkins().Add(BuiltinSkinName(), std::vector<Byte>(pack.begin(), pack.end()));
    LoadSkin(BuiltinSkinName());
  }
  void TearDown() override {
    delete manager_;
    manager_ = nullptr;
    guitest::Pump();
    SetSkinMessageHook(std::move(previousHook_));
  }

  // Stores the variant in the manager under the name and loads it.
  void LoadVariant(const TSkinVariant& variant, const AnsiString& name = "Test variant") {
    manager_->InternalSkins().Add(name, variant.Pack());
    LoadSkin(name);
  }
  void LoadSkin(const AnsiString& name) {
    manager_->SetSkinName(name);
    ASSERT_TRUE(messages_.empty()) << messages_.front();
    ASSERT_EQ(manager_->SkinName(), name);
    ASSERT_TRUE(manager_->SkinData.Active);
  }
  Integer Section(const char* name) const { return manager_->GetSkinIndex(name); }
  const TsGeneralData& SectionData(const char* name) const {
    return manager_->gd.at(static_cast<size_t>(Section(name)));
  }

  TsSkinManager* manager_ = nullptr;
  std::vector<AnsiString> messages_;

 private:
  TskSkinMessageHook previousHook_;
};

// One call of a layered-window entry.
struct TLayeredCall {
  bool Update = false;      // UpdateLayeredWindow; else SetLayeredWindowAttributes
  HWND Window = nullptr;
  bool HasPosition = false;
  TPoint Position;
  TPoint Size;              // X width, Y height (UpdateLayeredWindow with a size)
  Byte Alpha = 0;           // the constant alpha
  DWORD Flags = 0;
  COLORREF Key = 0;
  std::vector<Cardinal> Pixels;  // the source pixels shown, top row first (UpdateLayeredWindow)

  Cardinal PixelAt(int x, int y) const { return Pixels.at(static_cast<size_t>(y * Size.X + x)); }
};

// Puts recorders in the place of both layered-window entries while it lives. The recorders pass every
// call on to the system, so windows behave as without them.
class TLayeredRecorder {
 public:
  TLayeredRecorder() : update_(UpdateLayeredWindowProc), attributes_(SetLayeredWindowAttributesProc) {
    current_ = this;
    UpdateLayeredWindowProc = RecordUpdate;
    SetLayeredWindowAttributesProc = RecordAttributes;
  }
  ~TLayeredRecorder() {
    UpdateLayeredWindowProc = update_;
    SetLayeredWindowAttributesProc = attributes_;
    current_ = nullptr;
  }
  TLayeredRecorder(const TLayeredRecorder&) = delete;
  TLayeredRecorder& operator=(const TLayeredRecorder&) = delete;

  size_t CountFor(HWND window) const {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const TLayeredCall& c) { return c.Window == window; }));
  }

  std::vector<TLayeredCall> calls;
  // Called with each recorded call while the caller is still inside it (nil: none).
  std::function<void(const TLayeredCall&)> OnCall;

 private:
  static BOOL WINAPI RecordUpdate(HWND window, HDC screen, POINT* position, SIZE* size, HDC source, POINT* sourceAt,
                                  COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    TLayeredCall call;
    call.Update = true;
    call.Window = window;
    call.HasPosition = position != nullptr;
    if (position != nullptr) call.Position = TPoint{position->x, position->y};
    if (size != nullptr) call.Size = TPoint{size->cx, size->cy};
    call.Alpha = blend != nullptr ? blend->SourceConstantAlpha : 255;
    call.Flags = flags;
    call.Key = key;
    if (source != nullptr && size != nullptr) call.Pixels = CopySource(source, sourceAt, *size);
    current_->calls.push_back(std::move(call));
    if (current_->OnCall) current_->OnCall(current_->calls.back());
    return current_->update_(window, screen, position, size, source, sourceAt, key, blend, flags);
  }
  static BOOL WINAPI RecordAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    TLayeredCall call;
    call.Window = window;
    call.Alpha = alpha;
    call.Flags = flags;
    call.Key = key;
    current_->calls.push_back(call);
    return current_->attributes_(window, key, alpha, flags);
  }
  // The part of the bitmap selected into the source DC, as 32-bit pixels top row first.
  static std::vector<Cardinal> CopySource(HDC source, const POINT* at, SIZE size) {
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(source, OBJ_BITMAP));
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return {};
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<Cardinal> all(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    GetDIBits(source, bitmap, 0, static_cast<UINT>(info.bmHeight), all.data(), &header, DIB_RGB_COLORS);
    const int x0 = at != nullptr ? at->x : 0;
    const int y0 = at != nullptr ? at->y : 0;
    std::vector<Cardinal> pixels;
    pixels.reserve(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    for (int y = y0; y < y0 + size.cy; ++y)
      for (int x = x0; x < x0 + size.cx; ++x) {
        const bool inside = x >= 0 && y >= 0 && x < info.bmWidth && y < info.bmHeight;
        pixels.push_back(inside ? all[static_cast<size_t>(y) * static_cast<size_t>(info.bmWidth) + x] : 0u);
      }
    return pixels;
  }

  inline static TLayeredRecorder* current_ = nullptr;
  TUpdateLayeredWindow update_;
  TSetLayeredWindowAttributes attributes_;
};

}  // namespace skintest
