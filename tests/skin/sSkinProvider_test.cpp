// The form skin provider with the built-in skin: how it takes over and gives back the form's window
// procedure, how one provider per form is kept, the skin commands it answers, the skin set-up, the
// repaints of its setters and its definition.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sStyleSimply.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiClasses.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/PropertyTable.h"

using namespace skintest;

namespace {

// The form's procedure before any provider: it records what reaches it and passes it on to the form.
class TSentinel {
 public:
  explicit TSentinel(TForm* form) : form_(form) {}
  void WndProc(TMessage& message) {
    if (message.Msg == SkinCommandMessage) commands.push_back(SkinCommandOf(message.WParam));
    if (message.Msg == kProbe) ++probes;
    form_->WndProc(message);
  }
  TWndMethod Method() { return TWndMethod(this, &TSentinel::WndProc); }

  static constexpr UINT kProbe = WM_APP + 17;
  std::vector<Word> commands;
  int probes = 0;

 private:
  TForm* form_;
};

// Whether the action repainted the form's frame on the screen: a marked pixel of the title is put back
// by a frame painting (the provider paints WM_NCPAINT itself without passing it on).
bool RepaintsFrame(HWND window, const std::function<void()>& action) {
  RECT r{};
  GetWindowRect(window, &r);
  const int x = (r.right - r.left) / 2, y = 3;
  constexpr COLORREF kMark = RGB(1, 2, 3);
  HDC dc = GetWindowDC(window);
  SetPixel(dc, x, y, kMark);
  ReleaseDC(window, dc);
  action();
  dc = GetWindowDC(window);
  const COLORREF after = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return after != kMark;
}

TWndMethod ProviderMethod(TsSkinProvider* provider) { return TWndMethod(provider, &TsSkinProvider::FormWndProc); }

int ProvidersOn(TForm* form) {
  int count = 0;
  for (int i = 0; i < form->ComponentCount(); ++i) count += dynamic_cast<TsSkinProvider*>(form->Components(i)) ? 1 : 0;
  return count;
}

long TimesListed(TForm* form) { return std::count(SkinnedForms().begin(), SkinnedForms().end(), form); }

// Where the client area lies in the picture of the whole window, from the window's own rectangles.
TPoint ClientCornerOf(HWND window) {
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const Integer frame = GetSystemMetrics(SM_CXFRAME);  // a sizeable form
  return TPoint{((outer.right - outer.left) - client.right) / 2, (outer.bottom - outer.top) - client.bottom - frame};
}

// A sizeable form with a window and the sentinel as its procedure; the child answers skin commands.
class SkinProviderTest : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    form_ = New<TForm>(nullptr);
    form_->SetBounds(60, 50, 300, 200);
    form_->SetColor(clWhite);
    sentinel_ = std::make_unique<TSentinel>(form_);
    form_->SetWindowProc(sentinel_->Method());
    child_ = AddControl<TSkinnedPanel>(form_, 10);
    form_->HandleNeeded();
  }
  void TearDown() override {
    delete form_;
    SkinFixture::TearDown();
  }
  HWND Window() { return form_->Handle(); }
  LRESULT Command(Word command, LPARAM lParam = 0) { return SendSkinCommand(Window(), command, lParam); }
  LONG_PTR Style() { return GetWindowLongPtrW(Window(), GWL_STYLE); }
  TsSkinProvider* ProviderAnswer() { return reinterpret_cast<TsSkinProvider*>(Command(scGetProvider)); }

  TForm* form_ = nullptr;
  std::unique_ptr<TSentinel> sentinel_;
  TSkinnedPanel* child_ = nullptr;
};

TEST_F(SkinProviderTest, TheFormsProcedureSeesMessagesOnlyThroughTheProviderAndGetsExactlyItselfBack) {
  const TWndMethod before = form_->WindowProc();
  ASSERT_EQ(before, sentinel_->Method());
  auto* provider = New<TsSkinProvider>(form_);
  EXPECT_EQ(sentinel_->commands, std::vector<Word>{scGetProvider});  // construction asks for a provider
  sentinel_->commands.clear();
  EXPECT_EQ(form_->WindowProc(), ProviderMethod(provider));
  EXPECT_EQ(TimesListed(form_), 1);
  EXPECT_EQ(provider->SnapBuffer, 10);
  EXPECT_EQ(provider->GripMode, gmNone);
  EXPECT_EQ(provider->ResizeMode, rmStandard);

  SendMessageW(Window(), TSentinel::kProbe, 0, 0);
  EXPECT_EQ(sentinel_->probes, 1);  // passed on by the provider
  EXPECT_EQ(Command(scIsSkinned), 1);
  EXPECT_EQ(ProviderAnswer(), provider);
  EXPECT_TRUE(sentinel_->commands.empty());  // answered by the provider, never passed on

  delete provider;
  EXPECT_EQ(form_->WindowProc(), before);
  EXPECT_EQ(TimesListed(form_), 0);
  EXPECT_EQ(Command(scIsSkinned), 0);
  SendMessageW(Window(), TSentinel::kProbe, 0, 0);
  EXPECT_EQ(sentinel_->probes, 2);
  EXPECT_EQ(sentinel_->commands, std::vector<Word>{scIsSkinned});
}

TEST_F(SkinProviderTest, ASecondProviderStaysInertAndFreeingItLeavesTheFormWorking) {
  auto* first = New<TsSkinProvider>(form_);
  auto* second = New<TsSkinProvider>(form_);
  EXPECT_TRUE(second->EmptyProvider);
  EXPECT_FALSE(first->EmptyProvider);
  EXPECT_EQ(form_->WindowProc(), ProviderMethod(first));
  EXPECT_EQ(ProviderAnswer(), first);
  EXPECT_EQ(TimesListed(form_), 1);

  delete second;
  EXPECT_EQ(form_->WindowProc(), ProviderMethod(first));
  EXPECT_EQ(TimesListed(form_), 1);
  EXPECT_EQ(ProviderAnswer(), first);
  SendMessageW(Window(), TSentinel::kProbe, 0, 0);
  EXPECT_EQ(sentinel_->probes, 1);

  delete first;
  EXPECT_EQ(form_->WindowProc(), sentinel_->Method());
  EXPECT_EQ(TimesListed(form_), 0);
}

TEST_F(SkinProviderTest, OnlyAFormMayOwnAProvider) {
  TComponent owner(nullptr);
  try {
    New<TsSkinProvider>(&owner);
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), "TsSkinProvider component may be used with forms only!");
  }
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(SkinProviderTest, ADesignedFormTakesOneProviderOnly) {
  form_->SetDesigning(true);
  auto* first = New<TsSkinProvider>(form_);
  EXPECT_EQ(form_->WindowProc(), sentinel_->Method());  // designed forms keep their procedure
  try {
    New<TsSkinProvider>(form_);
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), "Only one instance of the TsSkinProvider component is allowed!");
  }
  EXPECT_EQ(ProvidersOn(form_), 1);
  delete first;
  form_->SetDesigning(false);
}

// What the commands of a skinned form change, and what they answer.
TEST_F(SkinProviderTest, CommandsOfASkinnedFormUpdateItsState) {
  auto* provider = New<TsSkinProvider>(form_);
  TsCommonData& data = provider->SkinData();
  data.StateBits = 0;
  data.BackgroundDirty = false;
  SendSkinSwitch(Window(), scSetUpdating, true);
  EXPECT_TRUE(data.UpdatingFlag);
  EXPECT_TRUE(data.BackgroundDirty);
  EXPECT_EQ(Command(scIsUpdating), 1);
  Command(scParentUpdated);
  EXPECT_FALSE(data.UpdatingFlag);
  EXPECT_EQ(Command(scIsUpdating), 0);

  data.BackgroundDirty = false;
  Command(scBgChanged);
  EXPECT_TRUE(data.BackgroundDirty);

  // A new skin of the form's manager resolves the title again and repaints the frame once.
  form_->Show();
  guitest::Pump();
  provider->TitleSectionIndex = provider->CaptionSectionIndex = -1;
  EXPECT_TRUE(RepaintsFrame(Window(), [&] { Command(scNewSkin, reinterpret_cast<LPARAM>(manager_)); }));
  EXPECT_EQ(provider->TitleSectionIndex, Section("FORMTITLE"));
  EXPECT_EQ(provider->CaptionSectionIndex, Section("CAPTION"));
  int other = 0;
  provider->TitleSectionIndex = -1;
  Command(scNewSkin, reinterpret_cast<LPARAM>(&other));
  EXPECT_EQ(provider->TitleSectionIndex, -1);

  // Commands the provider does not know end with it.
  sentinel_->commands.clear();
  EXPECT_EQ(Command(scClearCache), 0);
  EXPECT_TRUE(sentinel_->commands.empty());
}

// A run-time provider is replaced by the one the form's definition brings, which reads back as written.
TEST_F(SkinProviderTest, AStreamedProviderFreesTheRunTimeOneAndReadsBackAsWritten) {
  RegisterGuiClasses();
  RegisterSkinProviderClasses();
  const Integer colorBefore = form_->Color();
  auto* runTime = TsSkinProvider::CreateRunTime(form_);
  EXPECT_TRUE(runTime->RunTimeCreated);
  EXPECT_EQ(form_->Color(), colorBefore);  // a run-time provider waits for the form's first showing
  EXPECT_NE(Style() & WS_SYSMENU, 0);
  EXPECT_EQ(form_->WindowProc(), ProviderMethod(runTime));

  ReadComponentFromText(*form_, R"(object Form1: TForm
  object sSkinProvider1: TsSkinProvider
    AddedTitle.Text = 'extra'
    AddedTitle.ShowMainCaption = False
    AllowAnimation = False
    CaptionAlignment = taCenter
    GripMode = gmRightBottom
    ResizeMode = rmBorder
    ScreenSnap = True
    SnapBuffer = 7
    ShowAppIcon = False
    SkinData.SkinSection = 'DIALOG'
    TitleIcon.Width = 16
    TitleSkin = 'MYTITLE'
    UseGlobalColor = False
    TitleButtons = <
      item
        Name = 'Pin'
        Hint = 'Keep on top'
        UseSkinData = False
      end>
  end
end
)");
  ASSERT_EQ(ProvidersOn(form_), 1);
  auto* provider = dynamic_cast<TsSkinProvider*>(form_->FindComponent("sSkinProvider1"));
  ASSERT_NE(provider, nullptr);
  EXPECT_FALSE(provider->RunTimeCreated);
  EXPECT_EQ(ProviderAnswer(), provider);
  EXPECT_EQ(form_->WindowProc(), ProviderMethod(provider));
  EXPECT_EQ(TimesListed(form_), 1);

  EXPECT_EQ(provider->AddedTitle().Text(), "extra");
  EXPECT_FALSE(provider->AddedTitle().ShowMainCaption());
  EXPECT_FALSE(provider->AllowAnimation);
  EXPECT_EQ(provider->CaptionAlignment(), taCenter);
  EXPECT_EQ(provider->GripMode, gmRightBottom);
  EXPECT_EQ(provider->ResizeMode, rmBorder);
  EXPECT_TRUE(provider->ScreenSnap);
  EXPECT_EQ(provider->SnapBuffer, 7);
  EXPECT_FALSE(provider->ShowAppIcon());
  EXPECT_EQ(provider->SkinData().SkinSection(), "DIALOG");
  EXPECT_EQ(provider->TitleIcon().Width(), 16);
  EXPECT_EQ(provider->TitleSkin(), "MYTITLE");
  EXPECT_FALSE(provider->UseGlobalColor());
  ASSERT_EQ(provider->TitleButtons().Count(), 1);
  EXPECT_EQ(provider->TitleButtons().Items(0)->Name(), "Pin");
  EXPECT_EQ(provider->TitleButtons().Items(0)->Hint(), "Keep on top");
  EXPECT_FALSE(provider->TitleButtons().Items(0)->UseSkinData());
  // Defaults the definition did not name.
  EXPECT_TRUE(provider->DrawNonClientArea());
  EXPECT_TRUE(provider->AllowExtBorders());
  EXPECT_TRUE(provider->TitleIcon().Visible());

  delete provider;
  EXPECT_EQ(form_->WindowProc(), sentinel_->Method());
}

// Once read, a provider prepares its skinned form: title buttons take the skin's title-button mask
// when they use skin data, and a sizeable tool window neither blends while moved nor keeps its colour.
TEST_F(SkinProviderTest, AReadProviderPreparesTheForm) {
  TskMaskValue shape;
  shape.Count = 3;
  TSkinVariant variant;
  variant.AddMask("GLOBALINFO", "TITLEBUTTON", shape, 8, 8, [](int, int, int) { return 0xFF808080u; });
  LoadVariant(variant);
  const Integer mask = manager_->GetMaskIndexByNames("GLOBALINFO", "TITLEBUTTON");
  ASSERT_GE(mask, 0);
  RegisterGuiClasses();
  RegisterSkinProviderClasses();
  form_->SetBorderStyle(bsSizeToolWin);
  form_->HandleNeeded();
  ReadComponentFromText(*form_, R"(object Form1: TForm
  object sSkinProvider1: TsSkinProvider
    AllowBlendOnMoving = True
    UseGlobalColor = False
    TitleButtons = <
      item
        Name = 'Skinned'
      end
      item
        Name = 'Own'
        UseSkinData = False
      end>
  end
end
)");
  auto* provider = dynamic_cast<TsSkinProvider*>(form_->FindComponent("sSkinProvider1"));
  ASSERT_NE(provider, nullptr);
  EXPECT_FALSE(provider->AllowBlendOnMoving);
  EXPECT_TRUE(provider->UseGlobalColor());
  EXPECT_EQ(form_->Color(), manager_->GetGlobalColor());
  EXPECT_EQ(provider->TitleButtons().Items(0)->MaskIndex, mask);
  EXPECT_EQ(provider->TitleButtons().Items(1)->MaskIndex, -1);
}

TEST_F(SkinProviderTest, CommandsAnswerWhetherOrNotTheFormIsSkinned) {
  auto* provider = New<TsSkinProvider>(form_);
  sentinel_->commands.clear();
  const TPoint corner = ClientCornerOf(Window());
  ASSERT_NE(corner.X, corner.Y);  // so that swapped words show
  for (const bool active : {true, false}) {
    SCOPED_TRACE(active ? "skinned" : "not skinned");
    if (!active) manager_->SetActive(false);
    EXPECT_EQ(provider->FormSkinned(), active);
    EXPECT_EQ(Command(scIsSkinned), 1);
    EXPECT_EQ(ProviderAnswer(), provider);
    const auto offsets = static_cast<DWORD>(Command(scGetClientOffsets));
    EXPECT_EQ(LOWORD(offsets), corner.X);
    EXPECT_EQ(HIWORD(offsets), corner.Y);
    EXPECT_EQ(Command(scGetApplicationObject), reinterpret_cast<LRESULT>(Application));
    provider->SkinData().StateBits = 0x1234;
    EXPECT_EQ(Command(scGetStateWord), 0x1234);
  }
  EXPECT_TRUE(sentinel_->commands.empty());
}

TEST_F(SkinProviderTest, InitializeSkinTakesTheSystemMenuAwayAndSetsTheGlobalColour) {
  ASSERT_NE(Style() & WS_SYSMENU, 0);
  auto* provider = New<TsSkinProvider>(form_);
  EXPECT_EQ(Style() & WS_SYSMENU, 0);
  EXPECT_EQ(form_->Color(), manager_->GetGlobalColor());
  EXPECT_NE(manager_->GetGlobalColor(), clWhite);
  EXPECT_EQ(provider->CaptionSectionIndex, Section("CAPTION"));
  EXPECT_EQ(provider->TitleSectionIndex, Section("FORMTITLE"));

  provider->SetUseGlobalColor(false);
  EXPECT_EQ(form_->Color(), clBtnFace);
  provider->SetUseGlobalColor(true);
  EXPECT_EQ(form_->Color(), manager_->GetGlobalColor());

  provider->SetDrawNonClientArea(false);  // the system draws the frame again, with its buttons
  EXPECT_NE(Style() & WS_SYSMENU, 0);
  provider->SetDrawNonClientArea(true);
  EXPECT_EQ(Style() & WS_SYSMENU, 0);
}

TEST_F(SkinProviderTest, RemovingTheSkinOfAForeignManagerReachesOnlyTheChildren) {
  auto* provider = New<TsSkinProvider>(form_);
  sentinel_->commands.clear();
  const Integer section = provider->SkinData().SectionIndex;
  ASSERT_GE(section, 0);
  int foreignManager = 0;
  const auto foreign = reinterpret_cast<LPARAM>(&foreignManager);
  Command(scRemoveSkin, foreign);
  EXPECT_TRUE(child_->Saw(scRemoveSkin));
  EXPECT_EQ(child_->lastLParam, foreign);
  EXPECT_EQ(Style() & WS_SYSMENU, 0);
  EXPECT_EQ(form_->Color(), manager_->GetGlobalColor());
  EXPECT_EQ(provider->SkinData().SectionIndex, section);
  EXPECT_EQ(provider->CaptionSectionIndex, Section("CAPTION"));
  EXPECT_TRUE(sentinel_->commands.empty());

  // The provider's own manager takes the skin away from the form as well.
  child_->commands.clear();
  Command(scRemoveSkin, reinterpret_cast<LPARAM>(manager_));
  EXPECT_TRUE(child_->Saw(scRemoveSkin));
  EXPECT_NE(Style() & WS_SYSMENU, 0);
  EXPECT_EQ(form_->Color(), clBtnFace);
  EXPECT_EQ(provider->SkinData().SectionIndex, -1);
  EXPECT_EQ(provider->CaptionSectionIndex, -1);
}

TEST_F(SkinProviderTest, SettersRepaintTheFrameOnceWhenTheValueChanges) {
  auto* provider = New<TsSkinProvider>(form_);
  form_->Show();
  guitest::Pump();
  struct Case {
    const char* name;
    std::function<void()> set;
    int ncPaints;
  };
  const Case cases[] = {
      {"CaptionAlignment", [&] { provider->SetCaptionAlignment(taCenter); }, 1},
      {"CaptionAlignment again", [&] { provider->SetCaptionAlignment(taCenter); }, 0},
      {"ShowAppIcon", [&] { provider->SetShowAppIcon(false); }, 1},
      {"ShowAppIcon again", [&] { provider->SetShowAppIcon(false); }, 0},
      {"TitleSkin", [&] { provider->SetTitleSkin("FORMTITLE"); }, 1},
      {"TitleSkin again", [&] { provider->SetTitleSkin("FORMTITLE"); }, 0},
      {"AllowExtBorders", [&] { provider->SetAllowExtBorders(false); }, 1},
      {"DrawNonClientArea on", [&] { provider->SetDrawNonClientArea(true); }, 0},
      {"AddedTitle.Text", [&] { provider->AddedTitle().SetText("more"); }, 1},
      {"TitleIcon.Visible", [&] { provider->TitleIcon().SetVisible(false); }, 1},
      {"UseGlobalColor", [&] { provider->SetUseGlobalColor(false); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    provider->SkinData().BackgroundDirty = false;
    EXPECT_EQ(RepaintsFrame(Window(),
                            [&] {
                              c.set();
                              guitest::Pump();
                            }),
              c.ncPaints == 1);
  }
}

// The background under a child: the answer describes the whole picture of the form (its origin is the
// client area's corner in it); in paint mode the child's place moves by that corner before the copy.
TEST_F(SkinProviderTest, BackgroundRequestsGiveTheClientOffsetsInBothModes) {
  TSkinVariant variant;
  for (const char* prefix : {"", "HOT"}) {
    const std::string p = prefix;
    variant.Set("FORM", p + "TRANSPARENCY", 0).Set("FORM", p + "IMAGEPERCENT", 40).Set("FORM", p + "GRADIENTPERCENT", 0);
  }
  LoadVariant(variant);
  auto* provider = New<TsSkinProvider>(form_);
  RECT outer{};
  GetWindowRect(Window(), &outer);
  // The frame painter's picture stands in: each pixel tells where it lies.
  auto& cache = provider->SkinData().CacheBitmap;
  cache = Filled(outer.right - outer.left, outer.bottom - outer.top, 0);
  for (Integer y = 0; y < cache->Height(); ++y)
    for (Integer x = 0; x < cache->Width(); ++x) static_cast<Cardinal*>(cache->ScanLine(y))[x] = 0xFF000000u | x << 8 | y;
  provider->SkinData().BackgroundDirty = false;
  const TPoint corner = ClientCornerOf(Window());

  TskBgRequest request;
  EXPECT_EQ(Command(scFillBgRequest, reinterpret_cast<LPARAM>(&request)), 0);
  EXPECT_EQ(request.AnswerKind, bgBitmap);
  EXPECT_EQ(request.Bitmap, cache.get());
  EXPECT_EQ(request.OffsetX, corner.X);
  EXPECT_EQ(request.OffsetY, corner.Y);

  auto target = Filled(3, 3, 0);
  TskBgRequest paint;
  paint.PaintFlag = 1;
  paint.OffsetX = 10;  // the child's place in the client area
  paint.OffsetY = 12;
  paint.Rect = TRect(0, 0, 3, 3);
  paint.TargetDC = target->Canvas().Handle();
  Command(scFillBgRequest, reinterpret_cast<LPARAM>(&paint));
  EXPECT_EQ(paint.OffsetX, 10 + corner.X);
  EXPECT_EQ(paint.OffsetY, 12 + corner.Y);
  EXPECT_EQ(PixelOf(*target, 0, 0) & 0xFFFFFF, static_cast<Cardinal>((10 + corner.X) << 8 | (12 + corner.Y)));
  EXPECT_EQ(PixelOf(*target, 2, 1) & 0xFFFFFF, static_cast<Cardinal>((12 + corner.X) << 8 | (13 + corner.Y)));
}

}  // namespace
