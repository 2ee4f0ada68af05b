// The skin library's start-up in a real process (this test program carries the library's resources,
// as the diary does) and the system routines with their fallbacks under Wine.
#include "skin/manager/sSkinLibrary.h"

#include <gtest/gtest.h>

#include "vcl/gui/Win.h"

#include <shellapi.h>

#include "skin/manager/skPNGGraphic.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Dialogs.h"
#include "vcl/gui/Graphic.h"
#include "vcl/gui/Icon.h"

namespace {

struct TDialogCall {
  AnsiString text;
  TMsgDlgType type;
  bool okOnly;
};

// Records every MessageDlg instead of showing it, so that no path can block the test.
class SkinLibrary : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageDlgHook([this](const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, Integer) {
      calls_.push_back({text, type, buttons == TMsgDlgButtons{mbOK}});
      return mrOk;
    });
  }
  void TearDown() override {
    SkinLibraryShutdown();
    SetMessageDlgHook(nullptr);
  }
  std::vector<TDialogCall> calls_;
};

Cardinal PixelOf(TBitmap& b, Integer x, Integer y) { return static_cast<const Cardinal*>(b.ScanLine(y))[x]; }

TEST_F(SkinLibrary, StartupLoadsShadowsCaptionsAndValuesAndShutdownFreesThem) {
  EXPECT_EQ(ActiveShadowTemplate(), nullptr);
  SkinLibraryStartup();
  SkinLibraryStartup();  // a second start-up changes nothing

  struct Shadow {
    TPNGGraphic* image;
    Cardinal darkest;
  } shadows[] = {{ActiveShadowTemplate(), 84}, {InactiveShadowTemplate(), 42}};
  for (const Shadow& s : shadows) {
    ASSERT_NE(s.image, nullptr);
    EXPECT_EQ(s.image->Width(), 19);
    EXPECT_EQ(s.image->Height(), 19);
    EXPECT_EQ(s.image->PixelFormat(), pf32bit);
    EXPECT_EQ(PixelOf(*s.image, 9, 9), 0u);                // under the window
    EXPECT_EQ(PixelOf(*s.image, 8, 9), s.darkest << 24);   // black, darkest next to the window
    EXPECT_LE(PixelOf(*s.image, 0, 0) >> 24, 1u);          // faded out at the corner
  }

  for (Integer id : SkinCaptionIds) EXPECT_FALSE(SkinCaption(id).empty()) << id;
  EXPECT_EQ(SkinCaption(scapOK), "OK");
  EXPECT_EQ(SkinCaption(scapHelp), "&Help");
  EXPECT_EQ(SkinCaption(scapAvailSkins), "Available skins");
  EXPECT_EQ(SkinCaption(scapInvalidDate), "Invalid date");
  EXPECT_EQ(SkinCaption(1), "");

  EXPECT_GT(ScrollArrowWidth(), 0);
  EXPECT_TRUE(IsNTPlatform());
  EXPECT_NE(TPicture::FindFileFormat(".png"), nullptr);
  ASSERT_NE(ProgramSmallIcon(), nullptr);
  ASSERT_NE(ProgramLargeIcon(), nullptr);
  EXPECT_LT(ProgramSmallIcon()->Width(), ProgramLargeIcon()->Width());
  EXPECT_TRUE(calls_.empty()) << "the test's command line has no /skver";

  SkinLibraryShutdown();
  EXPECT_EQ(ActiveShadowTemplate(), nullptr);
  EXPECT_EQ(InactiveShadowTemplate(), nullptr);
  EXPECT_EQ(ProgramSmallIcon(), nullptr);
  EXPECT_EQ(SkinCaption(scapOK), "");
  EXPECT_EQ(TPicture::FindFileFormat(".png"), nullptr);
}

TEST_F(SkinLibrary, VersionSwitchShowsTheVersionOnceThroughTheDialogHook) {
  ShowSkinVersionIfAsked({"qnt.exe", "/x", "/SkVer", "/skver"});
  ShowSkinVersionIfAsked({"/skver"});  // the program's own name is no switch
  ShowSkinVersionIfAsked({});
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].text, "Tessaline v8.12");
  EXPECT_EQ(calls_[0].type, mtInformation);
  EXPECT_TRUE(calls_[0].okOnly);
}

TEST_F(SkinLibrary, SkinErrorGoesThroughTheDialogHook) {
  ShowSkinError("Skin not found");
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].text, "Skin not found");
  EXPECT_EQ(calls_[0].type, mtError);
  EXPECT_TRUE(calls_[0].okOnly);
}

TEST(SkinSystemRoutines, CaptionFontAndSystemSettings) {
  EXPECT_NE(GetCaptionFontHeight(), 0);
  HFONT font = CreateCaptionFont();
  ASSERT_NE(font, nullptr);
  LOGFONTA described{};
  EXPECT_GT(GetObjectA(font, sizeof(described), &described), 0);
  EXPECT_EQ(described.lfHeight, GetCaptionFontHeight());
  DeleteObject(font);
  const bool animation = GetMinMaxAnimation();
  EXPECT_EQ(GetMinMaxAnimation(), animation);  // reading changes nothing
}

TEST(SkinSystemRoutines, OptionalFunctionsAnswerTheirFallbacksOrTheSystem) {
  InitSkinSystemRoutines();
  EXPECT_FALSE(DebuggerPresent());
  EXPECT_FALSE(IsWow64());  // a 64-bit process never runs under WOW64
  EXPECT_FALSE(Wow64WithoutComposition());
  // With or without composition, the iconic-bitmap switch must not fail on a plain window.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetDwmIconicBitmap(window, true);
  SetDwmIconicBitmap(window, false);
  DestroyWindow(window);
  DoneSkinSystemRoutines();
  DoneSkinSystemRoutines();
}

TEST(SkinSystemRoutines, FileIconsAndProgramFolder) {
  const AnsiString exe = Application->ExeName();
  EXPECT_EQ(AppPath(), exe.substr(0, exe.find_last_of('\\') + 1));
  EXPECT_EQ(AppPath().back(), '\\');
  const auto icon = GetFileIcon(exe, SHGFI_SMALLICON);
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->Empty());
  EXPECT_EQ(GetFileIcon(AppPath() + "no such file.exe", 0), nullptr);
}

TEST(SkinSystemRoutines, RecordsOfMessagesAndBackgrounds) {
  const TMessage m = MakeMessageRecord(WM_USER + 5, 7, -3, 11);
  EXPECT_EQ(m.Msg, static_cast<UINT>(WM_USER + 5));
  EXPECT_EQ(m.WParam, 7u);
  EXPECT_EQ(m.LParam, -3);
  EXPECT_EQ(m.Result, 11);
  TBitmap bitmap;
  const TskBgInfo info = MakeBgInfoFromBitmap(&bitmap, 4, -2);
  EXPECT_EQ(info.Bitmap, &bitmap);
  EXPECT_EQ(info.OffsetX, 4);
  EXPECT_EQ(info.OffsetY, -2);
  EXPECT_EQ(info.Color, 0xFF00FF);
  EXPECT_TRUE(info.IsBitmap);
}

int timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

TEST(SkinSystemRoutines, WaitingKeepsHandlingMessages) {
  timerTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 5, CountTick);
  ASSERT_NE(timer, 0u);
  const DWORD start = GetTickCount();
  WaitProcessingMessages(60);
  KillTimer(nullptr, timer);
  EXPECT_GE(GetTickCount() - start, 60u);
  EXPECT_GT(timerTicks, 0);
}

}  // namespace
