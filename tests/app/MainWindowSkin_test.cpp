// The diary's main window wears its skin: read from its definition (the program's own resource), its
// skin manager loads the built-in skin from the data stored in the definition, which is the built-in
// pack byte for byte, and activates it without a box.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include "common/TestData.h"
#include "app/uMain.h"
#include "app/uNew.h"
#include "engine/foundation/SQLMemSettings.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/FileUtils.h"

namespace {

std::vector<Byte> BuiltinPack() {
  std::ifstream in(TestDataRoot() + "/../../skin/builtin/builtin-skin.cvz", std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open the built-in pack";
  return std::vector<Byte>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(MainWindowSkin, TheDefinitionsStoredSkinLoadsAndActivatesWithoutABox) {
  // The skin folder the definition names does not exist here, so the stored skin is what loads; a file
  // of the skin's name there would win over it.
  ASSERT_FALSE(FileExists("c:\\Skins\\XPLuna (internal).cvz"));
  ASSERT_FALSE(FileExists("c:\\Skins\\XPLuna (internal)\\Options.dat"));
  InitializeEngineFoundation();  // the window's table needs the engine
  RegisterGuiClasses();
  RegisterMainForm();
  std::vector<AnsiString> boxes;
  TskSkinMessageHook previous = SetSkinMessageHook([&](const AnsiString& text, TMsgDlgType) { boxes.push_back(text); });

  std::unique_ptr<TfrmMain> form(New<TfrmMain>(nullptr));
  SetSkinMessageHook(std::move(previous));
  ASSERT_NE(form->sSkinManager1, nullptr);
  TsSkinManager& m = *form->sSkinManager1;
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  RemoveDir(DataFolder);  // made by the window's creation beside this program (empty: nothing saved)

  EXPECT_TRUE(m.Active());
  EXPECT_TRUE(m.SkinData.Active);
  EXPECT_EQ(m.SkinName(), "XPLuna (internal)");
  EXPECT_TRUE(m.IsPacked);
  EXPECT_TRUE(m.SkinData.SkinPath.empty()) << "loaded from a folder or file, not from the stored data";
  EXPECT_EQ(m.SkinInfo(), "8");
  EXPECT_GE(m.GetSkinIndex("FORM"), 0);

  // The rest of the manager's definition.
  EXPECT_TRUE(m.ExtendedBorders());
  EXPECT_EQ(m.SkinDirectory(), "c:\\Skins");
  EXPECT_EQ(m.MenuSupport().IcoLineSkin, "ICOLINE");
  for (int kind = 0; kind < TsSkinManager::ThirdPartyKindCount; ++kind)
    EXPECT_EQ(m.ThirdParty(kind), kind == 1 ? "TButton" : " ") << TsSkinManager::ThirdPartyNames[static_cast<size_t>(kind)];

  TsStoredSkins& stored = m.InternalSkins();
  ASSERT_EQ(stored.Count(), 1);
  const TsStoredSkin* skin = stored.Items(0);
  EXPECT_EQ(skin->Name, "XPLuna (internal)");
  EXPECT_EQ(skin->Shadow1Color, 0);
  EXPECT_EQ(skin->Shadow1Offset, 0);
  EXPECT_EQ(skin->Shadow1Transparency, 0);
  EXPECT_EQ(skin->Shadow1Blur, -1);
  EXPECT_EQ(skin->BorderColor, 0xFF00FF);
  EXPECT_TRUE(skin->PackedBytes() == BuiltinPack())
      << "app/uMain.qfm holds another pack than skin/builtin/builtin-skin.cvz; rewrite it with: cmake --build "
         "--preset native --target skin_embed && build/native/tools/skingen/skin_embed "
         "skin/builtin/builtin-skin.cvz app/uMain.qfm";
}

// The diary's main form read from its definition, with the skin's message boxes silenced while it
// loads and no data folder left behind.
std::unique_ptr<TfrmMain> MakeQuietMainForm() {
  InitializeEngineFoundation();
  RegisterGuiClasses();
  RegisterMainForm();
  TskSkinMessageHook previous = SetSkinMessageHook([](const AnsiString&, TMsgDlgType) {});
  std::unique_ptr<TfrmMain> form(New<TfrmMain>(nullptr));
  SetSkinMessageHook(std::move(previous));
  RemoveDir(DataFolder);
  return form;
}

TEST(MainWindowSkin, TheDefinitionsProviderSkinsTheMainWindowAndPaintsItsFrameIntoTheCache) {
  std::unique_ptr<TfrmMain> form = MakeQuietMainForm();
  TsSkinProvider* provider = form->sSkinProvider1;
  ASSERT_NE(provider, nullptr);
  EXPECT_EQ(provider->SkinData().SkinSection(), "FORM");
  EXPECT_EQ(provider->TitleButtons().Count(), 0);
  EXPECT_FALSE(provider->RunTimeCreated);
  EXPECT_FALSE(provider->EmptyProvider);
  form->HandleNeeded();
  ASSERT_TRUE(provider->FormSkinned());
  EXPECT_EQ(form->WindowProc(), TWndMethod(provider, &TsSkinProvider::FormWndProc));
  provider->DrawnActive = true;
  ASSERT_TRUE(provider->PaintFormFrame());
  TBitmap* cache = provider->SkinData().CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  RECT outer{};
  GetWindowRect(form->Handle(), &outer);
  EXPECT_EQ(cache->Width(), outer.right - outer.left);
  EXPECT_EQ(cache->Height(), outer.bottom - outer.top);
  // The diary's caption, its close button and the title section beside them.
  EXPECT_FALSE(form->Caption().empty());
  EXPECT_FALSE(provider->CaptionTextBounds.IsEmpty());
  const TskSysButtonData& close = provider->SysButtons[sbClose];
  EXPECT_EQ(close.State, 0);
  EXPECT_GE(close.ImageIndex, 0);
  TsSkinManager& m = *form->sSkinManager1;
  const TskFrameInput frame = provider->FrameInput();
  const Integer y = FrameTitleBottom(frame) / 2;
  const Integer x = provider->SysButtons[sbMin].Rect.Left - 6;
  ASSERT_GT(x, provider->CaptionTextBounds.Right);
  TBitmap title;
  title.SetPixelFormat(pf32bit);
  title.SetSize(cache->Width(), cache->Height());
  PaintSectionBackground(m.GetSkinIndex("FORMTITLE"), 1, &m, &title, TRect{0, 0, cache->Width(), FrameTitleBottom(frame)});
  const auto pixel = [](TBitmap& b, Integer px, Integer py) { return static_cast<const Cardinal*>(b.ScanLine(py))[px] & 0xFFFFFF; };
  EXPECT_EQ(pixel(*cache, x, y), pixel(title, x, y));
}

TEST(MainWindowSkin, TheShownMainWindowGetsItsBorderWindow) {
  std::unique_ptr<TfrmMain> form = MakeQuietMainForm();
  form->HandleNeeded();
  TsSkinProvider* provider = form->sSkinProvider1;
  ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(provider->BorderForm) << "the manager's ExtendedBorders gives the shown window its border window";
  const HWND border = provider->BorderForm->BorderHandle();
  ASSERT_NE(border, nullptr);
  EXPECT_EQ(GetWindow(border, GW_OWNER), form->Handle());
  EXPECT_EQ(provider->BorderForm->BorderWnd()->Tag(), -98);
  EXPECT_TRUE(IsWindowVisible(border));
  // The picture is the window grown by the wide border and the shadow.
  const TBitmap* cache = provider->SkinData().CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  const TRect shadow = provider->GetShadowMargins();
  EXPECT_EQ(cache->Width(), form->Width() + 2 * BorderFormSideOffset(provider->FrameInput()) + shadow.Left + shadow.Right);
  // The border window lies above the window: its picture is clear over the whole client, so the
  // diary's controls show even where the region's hole is not honoured.
  RECT client{};
  GetClientRect(form->Handle(), &client);
  ASSERT_GT(client.right, 0);
  Integer covered = 0;
  for (Integer y = 0; y < client.bottom; ++y) {
    const auto* row = static_cast<const Cardinal*>(const_cast<TBitmap*>(cache)->ScanLine(provider->ClientOffsetY() + y));
    for (Integer x = 0; x < client.right; ++x) covered += (row[provider->ClientOffsetX() + x] >> 24) != 0 ? 1 : 0;
  }
  EXPECT_EQ(covered, 0);
  // The title shows the program's own icon, opaque in the picture: each pixel the icon covers when drawn
  // alone on a key colour is the icon's pixel there.
  ASSERT_FALSE(Application->Icon().Empty()) << "the program's icon is taken from its resources";
  const TRect icon = provider->CaptionIconRect;
  ASSERT_EQ(icon.Width(), 16);
  TBitmap alone;
  alone.SetPixelFormat(pf32bit);
  alone.SetSize(16, 16);
  alone.Canvas().Brush().SetColor(static_cast<TColor>(0xFF00FF));
  alone.Canvas().FillRect(TRect{0, 0, 16, 16});
  DrawIconEx(alone.Canvas().Handle(), 0, 0, Application->Icon().Handle(), 16, 16, 0, nullptr, DI_NORMAL);
  GdiFlush();
  Integer drawn = 0, wrong = 0;
  for (Integer y = 0; y < 16; ++y)
    for (Integer x = 0; x < 16; ++x) {
      const Cardinal own = static_cast<const Cardinal*>(alone.ScanLine(y))[x] & 0xFFFFFF;
      if (own == 0xFF00FF) continue;
      ++drawn;
      const Cardinal shown = static_cast<const Cardinal*>(const_cast<TBitmap*>(cache)->ScanLine(icon.Top + y))[icon.Left + x];
      wrong += shown != (own | 0xFF000000u) ? 1 : 0;
    }
  EXPECT_GT(drawn, 100);
  EXPECT_EQ(wrong, 0);
  ShowWindow(form->Handle(), SW_HIDE);
  EXPECT_FALSE(provider->BorderForm);
}

// The new-day dialog has no provider of its own: the thread hook gives it a run-time one, which sets
// the form up at its first non-client painting and paints the frame there.
TEST(MainWindowSkin, ARunTimeProviderOnTheNewDayDialogPaintsAtItsFirstNonClientPainting) {
  std::unique_ptr<TfrmMain> main = MakeQuietMainForm();  // its manager is the default manager
  std::unique_ptr<TfrmNew> dialog(New<TfrmNew>(nullptr));
  dialog->HandleNeeded();
  TsSkinProvider* provider = TsSkinProvider::CreateRunTime(dialog.get());
  ASSERT_TRUE(provider->RunTimeCreated);
  EXPECT_FALSE(provider->SkinData().CacheBitmap);
  ShowWindow(dialog->Handle(), SW_SHOWNOACTIVATE);
  SendMessageW(dialog->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_FALSE(provider->RunTimeCreated);
  ASSERT_NE(provider->SkinData().CacheBitmap, nullptr);
  EXPECT_FALSE(provider->SkinData().BackgroundDirty);
  const TBitmap& cache = *provider->SkinData().CacheBitmap;
  const TskFrameInput frame = provider->FrameInput();
  EXPECT_EQ(cache.Width(), FrameCacheWidth(frame));
  EXPECT_EQ(cache.Height(), FrameCacheHeight(frame));
  // The dialog's caption and its close button are in the picture.
  EXPECT_FALSE(provider->CaptionTextBounds.IsEmpty());
  EXPECT_EQ(provider->SysButtons[sbClose].State, 0);
  ShowWindow(dialog->Handle(), SW_HIDE);
}
