// The skin command message between real windows: a plain window, a skinned windowed control and a
// skinned control without a window, each answering through the common receiver of skinned hosts.
#include <gtest/gtest.h>

#include <memory>

#include "skin/adapters/skWindowClass.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/Panel.h"
#include "skin/SkinTestControls.h"

namespace {

using skintest::TSkinnedGraphic;
using skintest::TSkinnedPanel;

class TfrmSkinTest : public TForm {
 public:
  explicit TfrmSkinTest(TComponent* owner) : TForm(owner) {
    plain = New<TPanel>(this);
    plain->SetParent(this);
    skinned = New<TSkinnedPanel>(this);
    skinned->SetParent(this);
    skinned->SetColor(clRed);
    graphic = New<TSkinnedGraphic>(this);
    graphic->SetParent(this);
    graphic->SetColor(clBtnFace);
  }
  TPanel* plain;
  TSkinnedPanel* skinned;
  TSkinnedGraphic* graphic;
};

struct SkinMessageFixture : ::testing::Test {
  std::unique_ptr<TfrmSkinTest> form{New<TfrmSkinTest>(nullptr)};
  HWND Plain() { return form->plain->Handle(); }
  HWND Skinned() { return form->skinned->Handle(); }
  TsCommonData& Data() { return *form->skinned->data; }
  void TearDown() override { guitest::Pump(); }
};

TEST_F(SkinMessageFixture, SkinnedAndPlainWindowsAnswerQuestions) {
  Data().SectionIndex = 4;
  Data().BackgroundDirty = false;
  struct Case {
    Word command;
    LRESULT plain, skinned;
  } cases[] = {
      {scIsSkinned, 0, 1},
      {scIsUpdating, 0, 0},
      {scIsHalfVisible, 0, 1},  // a new host has not painted itself whole yet
      {scGetBgColor, 0, 0x0000FF},
      {scGetProvider, 0, 0},     // no provider on a control
      {scGetSkinManager, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(SendSkinCommand(Plain(), c.command), c.plain);
    EXPECT_EQ(SendSkinCommand(Skinned(), c.command), c.skinned);
  }
  EXPECT_FALSE(WindowIsSkinned(Plain()));
  EXPECT_TRUE(WindowIsSkinned(Skinned()));
  EXPECT_EQ(SendSkinCommand(Skinned(), scGetCommonData), reinterpret_cast<LRESULT>(&Data()));

  // The section index travels back through the record; a window that does not answer leaves -1.
  TskSectionInfo info;
  SendSkinCommand(Plain(), scGetSkinIndex, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.Index, -1);
  SendSkinCommand(Skinned(), scGetSkinIndex, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.Index, 4);
}

TEST_F(SkinMessageFixture, SwitchesAndSettersChangeTheHost) {
  Data().BackgroundDirty = false;
  SendSkinSwitch(Skinned(), scSetUpdating, true);
  EXPECT_EQ(form->skinned->lastWParam, static_cast<WPARAM>(0x00080001));  // command high, switch low
  EXPECT_TRUE(Data().UpdatingFlag);
  EXPECT_TRUE(WindowIsSkinned(Skinned(), scIsUpdating));
  SendSkinSwitch(Skinned(), scSetUpdating, false);
  EXPECT_EQ(form->skinned->lastWParam, static_cast<WPARAM>(0x00080000));
  EXPECT_FALSE(Data().UpdatingFlag);
  EXPECT_FALSE(WindowIsSkinned(Skinned(), scIsUpdating));
  SendSkinCommand(Skinned(), scBgChanged);
  EXPECT_TRUE(WindowIsSkinned(Skinned(), scIsUpdating));

  TskSectionInfo section;
  section.Name = "formTitle";
  Data().SectionIndex = 4;
  SendSkinCommand(Skinned(), scSetSkinSection, reinterpret_cast<LPARAM>(&section));
  EXPECT_EQ(Data().SkinSection(), "FORMTITLE");
  EXPECT_EQ(Data().SectionIndex, -1);  // no manager to find it in
  section.Name.clear();
  SendSkinCommand(Skinned(), scSetSkinSection, reinterpret_cast<LPARAM>(&section));
  EXPECT_EQ(Data().SkinSection(), "UNKNOWN");

  HDC dc = CreateCompatibleDC(nullptr);
  SendSkinCommand(Skinned(), scPrintMode, reinterpret_cast<LPARAM>(dc));
  EXPECT_EQ(Data().StateBits & ssPrinting, ssPrinting);
  EXPECT_EQ(Data().PrintTarget, dc);
  SendSkinCommand(Skinned(), scPrintMode, 0);
  EXPECT_EQ(Data().StateBits & ssPrinting, 0);
  EXPECT_EQ(Data().PrintTarget, nullptr);
  DeleteDC(dc);
}

TEST_F(SkinMessageFixture, ControlsAreAskedByWindowOrByPerform) {
  // A windowed control without a window gets nothing (asking would create it).
  EXPECT_FALSE(form->skinned->HandleAllocated());
  EXPECT_EQ(SendSkinCommandToControl(form->skinned, scIsSkinned), 0);
  EXPECT_TRUE(form->skinned->commands.empty());
  EXPECT_FALSE(form->skinned->HandleAllocated());

  form->skinned->HandleNeeded();
  EXPECT_EQ(SendSkinCommandToControl(form->skinned, scIsSkinned), 1);
  EXPECT_EQ(SendSkinCommandToControl(form->plain, scIsSkinned), 0);
  // A graphic control is asked through Perform; an unskinned host answers its own colour.
  EXPECT_EQ(SendSkinCommandToControl(form->graphic, scIsSkinned), 1);
  EXPECT_EQ(static_cast<Cardinal>(SendSkinCommandToControl(form->graphic, scGetBgColor)), ColorToRGB(clBtnFace));
  EXPECT_EQ(form->graphic->commands.size(), 2u);
  EXPECT_EQ(SendSkinCommandToControl(nullptr, scIsSkinned), 0);
}

// Arguments and answers are pointers on a 64-bit system: nothing may cut them to 32 bits.
LRESULT CALLBACK EchoProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SkinCommandMessage && SkinCommandOf(wParam) == scGetCommonData) return lParam;
  return DefWindowProcW(window, msg, wParam, lParam);
}

TEST(SkinMessage, PointerSizedArgumentsAndAnswersPassWhole) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = EchoProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QnSkinEcho";
  RegisterClassW(&cls);
  HWND window = CreateWindowExW(0, L"QnSkinEcho", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const auto big = static_cast<LPARAM>(0x123456789ABCDEF0LL);
  EXPECT_EQ(SendSkinCommand(window, scGetCommonData, big), big);
  EXPECT_EQ(SendSkinCommand(window, scIsSkinned, big), 0);
  EXPECT_EQ(GetWindowClassName(window), "QnSkinEcho");
  EXPECT_FALSE(IsPopupMenuWindow(window));
  DestroyWindow(window);
  EXPECT_EQ(GetWindowClassName(window), "");
  UnregisterClassW(L"QnSkinEcho", cls.hInstance);
}

}  // namespace
