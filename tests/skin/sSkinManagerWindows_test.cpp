// The skin manager and the windows: lookups on the diary's own skin, commands that reach every form on
// a skin change, redrawing after an animated change, the control under the mouse, the CBT hook, the
// skin transfer through WM_COPYDATA and the bounded wait at exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include "skin/SkinTestControls.h"
#include "skin/builtin/skBuiltinSkin.h"
#include "skin/manager/sColorShift.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/sStyleSimply.h"
#include "skin/portable/SkinFixtures.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GuiTestSupport.h"

using namespace skintest;

namespace {

// A skinned form that also records its paints and its redraw switch, and passes the skin editor's
// WM_COPYDATA to a manager as a form provider does.
class TRecordingForm : public TSkinnedForm {
 public:
  explicit TRecordingForm(TComponent* owner) : TSkinnedForm(owner) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_PAINT) ++paints;
    if (message.Msg == WM_SETREDRAW) redrawOn = message.WParam != 0;
    if (message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == scNewSkin) {
      newSkinFrom = message.LParam;
      // What a receiver finds when it takes the new skin: the tables and the cached indexes are ready.
      const auto* m = reinterpret_cast<const TsSkinManager*>(message.LParam);
      sectionValidOnNewSkin = m->IsValidSkinIndex(m->GetSkinIndex("FORM")) && m->CommonSkinIndex >= 0;
    }
    if (message.Msg == WM_COPYDATA && transferTo != nullptr) {
      transferTo->ReceiveSkinByCopyData(message);
      return;
    }
    TSkinnedForm::WndProc(message);
  }
  int paints = 0;
  bool redrawOn = true;
  LPARAM newSkinFrom = 0;
  bool sectionValidOnNewSkin = false;
  TsSkinManager* transferTo = nullptr;
};

// A plain (unskinned) form that records the skin commands it gets.
class TPlainForm : public TForm {
 public:
  explicit TPlainForm(TComponent* owner) : TForm(owner) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == SkinCommandMessage) commands.push_back(SkinCommandOf(message.WParam));
    TForm::WndProc(message);
  }
  std::vector<Word> commands;
};

bool Has(const std::vector<Word>& commands, Word c) { return std::ranges::find(commands, c) != commands.end(); }

class SkinManagerWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHook_ = SetSkinMessageHook([this](const AnsiString& text, TMsgDlgType) { messages_.push_back(text); });
    const Bytes pack = ReadDataFile("../../skin/builtin/builtin-skin.cvz");
    manager_ = New<TsSkinManager>(nullptr);
    ASSERT_EQ(TsSkinManager::DefaultManager(), manager_);
    manager_->SetSkinDirectory((std::filesystem::temp_directory_path() / "qn-no-skins-here").string());
    manager_->InternalSkins().Add(kBuiltinSkinName, std::vector<Byte>(pack.begin(), pack.end()));
  }
  void TearDown() override {
    for (TForm* f : forms_) RemoveSkinnedForm(f);
    for (TForm* f : forms_) delete f;
    delete manager_;
    guitest::Pump();
    SetSkinMessageHook(std::move(previousHook_));
  }

  template <class T>
  T* ShownForm(TComponent* owner, bool skinnedList) {
    T* form = New<T>(owner);
    form->SetBounds(10 + 30 * static_cast<int>(forms_.size()), 10, 200, 120);
    form->Show();
    forms_.push_back(form);
    if (skinnedList) AddSkinnedForm(form);
    return form;
  }
  void LoadBuiltin() {
    manager_->SetSkinName(kBuiltinSkinName);
    ASSERT_TRUE(messages_.empty()) << messages_.front();
  }

  TsSkinManager* manager_ = nullptr;
  std::vector<TForm*> forms_;
  std::vector<AnsiString> messages_;
  TskSkinMessageHook previousHook_;
};

TEST_F(SkinManagerWindows, LookupsAnswerFromTheBuiltInSkin) {
  LoadBuiltin();
  const TskBuiltinSkin builtin = BuildBuiltinSkin();
  const auto number = [&](const char* section, const char* key) {
    const std::string* v = builtin.Options.Find(section)->Find(key);
    return v != nullptr ? std::stoi(*v) : -1;
  };
  TsSkinManager& m = *manager_;
  const Integer dialog = m.GetSkinIndex("DIALOG");
  ASSERT_GE(dialog, 0);
  EXPECT_EQ(m.GetSkinIndex("dialog"), -1);
  // DIALOG has no frame of its own: it takes FORM's.
  EXPECT_EQ(m.GetMaskIndexByNames("DIALOG", "BORDERSMASK"), -1);
  EXPECT_GE(m.GetMaskIndex(dialog, "DIALOG", "BORDERSMASK"), 0);
  EXPECT_EQ(m.GetMaskIndex(dialog, "DIALOG", "BORDERSMASK"), m.GetMaskIndexByNames("FORM", "BORDERSMASK"));
  EXPECT_EQ(m.gd[static_cast<size_t>(dialog)].BorderMask, m.GetMaskIndexByNames("FORM", "BORDERSMASK"));

  EXPECT_EQ(m.GetGlobalColor(), number("GLOBALINFO", "COLOR"));
  EXPECT_EQ(m.GetHighlightColor(false), number("SELECTION", "COLOR"));
  EXPECT_EQ(m.GetHighlightFontColor(true), number("SELECTION", "HOTFONTCOLOR"));
  EXPECT_EQ(m.GetEditFontColor(), number("EDIT", "FONTCOLOR"));

  EXPECT_EQ(m.CommonSkinIndex, m.GetSkinIndex("GLOBALINFO"));
  EXPECT_EQ(m.ConstData.TitleButtons[tbBigClose], m.GetMaskIndexByNames("GLOBALINFO", "BICONCLOSE"));
  EXPECT_GE(m.ConstData.TitleButtons[tbBigClose], 0);
  EXPECT_GE(m.ConstData.CheckGlyphs[cgBoxChecked], 0);
  const Integer frame = m.GetMaskIndexByNames("FORM", "BORDERSMASK");
  EXPECT_EQ(m.MaskLeftWidth(frame), 4);  // the frame is four pixels wide on every side
  EXPECT_EQ(m.MaskBottomHeight(frame), 4);
  EXPECT_EQ(m.MaskLeftWidth(-1), 0);

  // Without a skin the system answers.
  m.SetActive(false);
  EXPECT_TRUE(m.gd.empty());
  EXPECT_EQ(m.CommonSkinIndex, -1);
  EXPECT_EQ(m.GetGlobalColor(), static_cast<Integer>(ColorToRGB(clBtnFace)));
  EXPECT_EQ(m.GetHighlightColor(false), static_cast<Integer>(ColorToRGB(clHighlight)));
}

TEST_F(SkinManagerWindows, HueAndSaturationShiftTheLoadedSkinAndRepaint) {
  LoadBuiltin();
  auto* form = ShownForm<TRecordingForm>(nullptr, true);
  const Integer color = manager_->GetGlobalColor();
  const Integer hot = manager_->GetHighlightColor(true);
  form->commands.clear();
  manager_->SetHueOffset(120);
  EXPECT_EQ(manager_->GetGlobalColor(), ChangeColorHue(120, color));
  EXPECT_EQ(manager_->GetHighlightColor(true), ChangeColorHue(120, hot));
  EXPECT_TRUE(form->Saw(scRefresh));
  manager_->SetHueOffset(0);
  manager_->SetSaturation(-100);  // grey
  const Integer grey = manager_->GetGlobalColor();
  EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
  EXPECT_EQ(grey & 0xFF, (grey >> 16) & 0xFF);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SkinManagerWindows, SkinChangesReachEveryForm) {
  auto* plain = ShownForm<TPlainForm>(Application, false);          // reached through the application
  auto* plainChild = AddControl<TSkinnedPanel>(plain);
  auto* listed = ShownForm<TRecordingForm>(nullptr, true);          // reached through the skinned-form list
  auto* skinnedOwned = ShownForm<TRecordingForm>(Application, true);  // both: but gets each command once
  auto* unlisted = ShownForm<TRecordingForm>(Application, false);   // skinned, but no provider listed it
  LoadBuiltin();

  EXPECT_TRUE(Has(plain->commands, scNewSkin));
  EXPECT_TRUE(plainChild->Saw(scNewSkin));
  EXPECT_TRUE(listed->Saw(scNewSkin));
  EXPECT_EQ(std::ranges::count(skinnedOwned->commands, scNewSkin), 1);
  EXPECT_FALSE(unlisted->Saw(scNewSkin));
  EXPECT_EQ(listed->newSkinFrom, reinterpret_cast<LPARAM>(manager_));
  EXPECT_TRUE(listed->sectionValidOnNewSkin);
  // A change at run time is a repaint too: 16, then 3.
  EXPECT_TRUE(listed->Saw(scBeforeRefresh));
  EXPECT_TRUE(listed->Saw(scRefresh));

  manager_->SetActive(false);
  EXPECT_TRUE(Has(plain->commands, scRemoveSkin));
  EXPECT_TRUE(listed->Saw(scRemoveSkin));
  EXPECT_FALSE(manager_->SkinData.Active);
}

TEST_F(SkinManagerWindows, AnimatedSkinChangeLeavesNoFormFrozenAndRedrawsEveryForm) {
  auto* a = ShownForm<TRecordingForm>(nullptr, true);
  auto* b = ShownForm<TRecordingForm>(Application, true);
  guitest::Pump();
  for (TRecordingForm* f : {a, b}) f->paints = 0;
  ASSERT_TRUE(manager_->AnimEffects().SkinChanging->Active);

  LoadBuiltin();  // at run time: animated
  for (TRecordingForm* f : {a, b}) {
    EXPECT_FALSE(FormIsFrozen(f));
    EXPECT_TRUE(f->redrawOn);
    EXPECT_GT(f->paints, 0);
  }
  EXPECT_FALSE(SkinChangeAnimating);

  // And a second change, as the user's choice of skin would make it.
  for (TRecordingForm* f : {a, b}) f->paints = 0;
  manager_->SetSkinName(kBuiltinSkinName);
  for (TRecordingForm* f : {a, b}) {
    EXPECT_FALSE(FormIsFrozen(f));
    EXPECT_TRUE(f->redrawOn);
    EXPECT_GT(f->paints, 0);
  }
  EXPECT_FALSE(SkinChangeAnimating);
}

TEST_F(SkinManagerWindows, MouseEnterAndLeaveGoOnlyToChangedControls) {
  auto* form = ShownForm<TRecordingForm>(nullptr, false);
  auto* first = AddControl<TSkinnedPanel>(form, 0);
  auto* second = AddControl<TSkinnedPanel>(form, 50);
  auto* graphic = AddControl<TSkinnedGraphic>(form, 100);
  TsSkinManager& m = *manager_;

  m.SetActiveControl(first);
  m.SetActiveControl(first);
  EXPECT_EQ(first->commands, (std::vector<Word>{scMouseEnter}));
  m.SetActiveControl(second);
  EXPECT_EQ(first->commands, (std::vector<Word>{scMouseEnter, scMouseLeave}));
  EXPECT_EQ(second->commands, (std::vector<Word>{scMouseEnter}));
  EXPECT_EQ(second->lastLParam, reinterpret_cast<LPARAM>(&m));

  // A hot graphic control takes over from the windowed one; while the mouse is still over it, it stays.
  m.SetActiveGraphControl(graphic);
  EXPECT_EQ(m.ActiveControl(), nullptr);
  graphic->data->MouseInside = true;
  m.SetActiveGraphControl(nullptr);
  EXPECT_EQ(m.ActiveGraphControl(), graphic);
  graphic->data->MouseInside = false;
  graphic->commands.clear();
  m.SetActiveGraphControl(nullptr);
  EXPECT_EQ(m.ActiveGraphControl(), nullptr);
  EXPECT_EQ(graphic->commands, (std::vector<Word>{scGetCommonData, scMouseLeave}));

  // A hot control that is freed is forgotten.
  m.SetActiveControl(first);
  delete first;
  EXPECT_EQ(m.ActiveControl(), nullptr);
  m.SetActiveControl(second);  // no message to the freed one
  EXPECT_EQ(m.ActiveControl(), second);
}

TEST_F(SkinManagerWindows, TheApplicationsActivationRepaintsEveryForm) {
  auto* a = ShownForm<TRecordingForm>(nullptr, false);
  auto* b = ShownForm<TRecordingForm>(Application, true);
  SendMessageW(Application->Handle(), CM_ACTIVATE, 0, 0);
  EXPECT_TRUE(a->Saw(scRepaintNow));
  EXPECT_TRUE(b->Saw(scRepaintNow));
  // Once the manager is gone, its hook is too.
  delete manager_;
  manager_ = nullptr;
  a->commands.clear();
  SendMessageW(Application->Handle(), CM_ACTIVATE, 0, 0);
  EXPECT_FALSE(a->Saw(scRepaintNow));
}

int gWindowCreations = 0;
LRESULT CALLBACK CountingHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) ++gWindowCreations;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SkinManagerWindows, TheCbtHookIsInstalledOnceAndRemovedWithTheSkin) {
  const HOOKPROC previous = SetSkinHookProcedure(CountingHook);
  LoadBuiltin();
  manager_->SetSkinName(kBuiltinSkinName);  // refreshes again: no second hook
  EXPECT_TRUE(manager_->SkinHookInstalled());
  gWindowCreations = 0;
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(window);
  EXPECT_EQ(gWindowCreations, 1);

  manager_->SetActive(false);
  EXPECT_FALSE(manager_->SkinHookInstalled());
  gWindowCreations = 0;
  window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(window);
  EXPECT_EQ(gWindowCreations, 0);
  SetSkinHookProcedure(previous);
}

// An adapter of the hook's list that says when it is freed.
struct TCountedHookedWindow : TskHookedWindow {
  TCountedHookedWindow(HWND window, int& freed) : TskHookedWindow(window), freed_(freed) {}
  ~TCountedHookedWindow() override { ++freed_; }
  int& freed_;
};

TEST_F(SkinManagerWindows, HookedWindowsGetTheBroadcastsAndGoWithTheHook) {
  LoadBuiltin();
  auto* adapted = ShownForm<TPlainForm>(nullptr, false);  // reached only as a hooked window
  int freed = 0;
  HookedWindows().push_back(new TCountedHookedWindow(adapted->Handle(), freed));
  HookedWindows().push_back(nullptr);  // an entry that went away: skipped
  HookedWindows().push_back(new TCountedHookedWindow(nullptr, freed));  // reached otherwise
  manager_->SetSkinName(kBuiltinSkinName);
  EXPECT_TRUE(Has(adapted->commands, scNewSkin));
  EXPECT_TRUE(Has(adapted->commands, scRefresh));
  EXPECT_EQ(freed, 0);
  manager_->SetActive(false);  // the hook goes, and its list with it
  EXPECT_EQ(freed, 2);
  EXPECT_TRUE(HookedWindows().empty());
}

std::vector<char> TransferBlock(const std::string& name, const std::string& dir, const std::string& options) {
  std::vector<char> block(kSkinTransferBlockSize, '\0');
  const Cardinal magic = kSkinTransferMagic;
  std::memcpy(block.data(), &magic, sizeof magic);
  std::memcpy(block.data() + 4, name.data(), name.size());
  std::memcpy(block.data() + 132, dir.data(), dir.size());
  std::memcpy(block.data() + 645, options.data(), options.size());
  return block;
}

LRESULT SendCopyData(HWND window, WPARAM wParam, std::vector<char>& block, size_t size) {
  COPYDATASTRUCT copy{};
  copy.dwData = 0;
  copy.cbData = static_cast<DWORD>(size);
  copy.lpData = block.data();
  return SendMessageW(window, WM_COPYDATA, wParam, reinterpret_cast<LPARAM>(&copy));
}

TEST_F(SkinManagerWindows, SkinTransferLoadsAValidBlockAndIgnoresDamagedOnes) {
  LoadBuiltin();
  auto* form = ShownForm<TRecordingForm>(nullptr, true);
  form->transferTo = manager_;
  const std::string dir = (std::filesystem::temp_directory_path() / "qn-transfer").string();
  auto block = TransferBlock("Sent", dir, "[GLOBALINFO]\r\nVERSION=8.00\r\n[SENTSECTION]\r\nCOLOR=255\r\n");

  // Short, foreign or sent with another purpose: nothing changes.
  EXPECT_EQ(SendCopyData(form->Handle(), 7, block, 10), 0);
  EXPECT_EQ(SendCopyData(form->Handle(), 7, block, kSkinTransferBlockSize - 1), 0);
  EXPECT_EQ(SendCopyData(form->Handle(), 6, block, block.size()), 0);
  auto foreign = block;
  foreign[1] = 0x00;  // magic 0x0000
  EXPECT_EQ(SendCopyData(form->Handle(), 7, foreign, foreign.size()), 0);
  EXPECT_EQ(manager_->SkinName(), kBuiltinSkinName);
  EXPECT_EQ(manager_->GetSkinIndex("SENTSECTION"), -1);

  form->commands.clear();
  EXPECT_EQ(SendCopyData(form->Handle(), 7, block, block.size()), 1);
  EXPECT_EQ(manager_->SkinName(), "Sent");
  EXPECT_EQ(manager_->SkinDirectory(), dir);
  EXPECT_GE(manager_->GetSkinIndex("SENTSECTION"), 0);
  EXPECT_FALSE(manager_->ManualUpdate);
  EXPECT_EQ(manager_->TransferOptions, nullptr);
  EXPECT_TRUE(manager_->AnimEffects().SkinChanging->Active);
  EXPECT_EQ(std::ranges::count(form->commands, scNewSkin), 1);  // one refresh, by the transfer itself
  EXPECT_FALSE(FormIsFrozen(form));
  EXPECT_TRUE(messages_.empty());
}

// A master bitmap of two 20 x 10 states in two colours, as a 32-bit BMP file.
Bytes TwoStateMaster() {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(40, 10);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 40; ++x) static_cast<Cardinal*>(b.ScanLine(y))[x] = x < 20 ? 0xFF112233u : 0xFF445566u;
  TMemoryStream out;
  b.SaveToStream(out);
  return ContentOf(out);
}

Cardinal PixelAt(TBitmap& b, Integer x, Integer y) { return static_cast<Cardinal*>(b.ScanLine(y))[x]; }

TEST_F(SkinManagerWindows, ShadowTemplatesComeFromTheExtendedBorderMask) {
  const Bytes pack = Pack({{"Options.dat",
                            "[GLOBALINFO]\r\nVERSION=8.00\r\nMASTERBITMAP=MASTER.BMP\r\nFORMOFFSET=2\r\n"
                            "EXBORDER=^0000^0000^0040^0010^0006^0005^0004^0003^2^0^1^0\r\n"},
                           {"MASTER.BMP", TwoStateMaster()}});
  manager_->InternalSkins().Add("Shadowed", std::vector<Byte>(pack.begin(), pack.end()))->SetIndex(0);
  manager_->SetSkinName("Shadowed");
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(manager_->ShadowSize, TsShadowSize{});  // extended borders are off
  EXPECT_EQ(manager_->ShadowTemplates[0], nullptr);

  manager_->SetExtendedBorders(true);
  ASSERT_TRUE(manager_->GetExtendedBorders());
  EXPECT_EQ(manager_->ShadowSize, (TsShadowSize{4, 3, 2, 1}));  // the widths less FORMOFFSET
  ASSERT_NE(manager_->ShadowTemplates[0], nullptr);
  ASSERT_NE(manager_->ShadowTemplates[1], nullptr);
  EXPECT_EQ(manager_->ShadowTemplates[0]->Width(), 20);
  EXPECT_EQ(manager_->ShadowTemplates[0]->Height(), 10);
  EXPECT_EQ(PixelAt(*manager_->ShadowTemplates[0], 19, 9), 0xFF112233u);  // inactive: the first state
  EXPECT_EQ(PixelAt(*manager_->ShadowTemplates[1], 0, 0), 0xFF445566u);   // active: the second

  // The diary's skin has no EXBORDER: the built-in images' nine pixels on every side.
  manager_->SetSkinName(kBuiltinSkinName);
  EXPECT_EQ(manager_->ShadowSize, (TsShadowSize{9, 9, 9, 9}));
  manager_->SetExtendedBorders(false);
  EXPECT_EQ(manager_->ShadowSize, TsShadowSize{});
}

TEST_F(SkinManagerWindows, AnotherManagerMadeDefaultTakesTheHookAndTheWindows) {
  LoadBuiltin();
  auto* listed = ShownForm<TRecordingForm>(nullptr, true);
  ASSERT_TRUE(manager_->SkinHookInstalled());
  std::unique_ptr<TsSkinManager> second{New<TsSkinManager>(nullptr)};
  EXPECT_FALSE(second->IsDefault());
  second->SetIsDefault(false);
  EXPECT_TRUE(manager_->IsDefault());

  listed->commands.clear();
  second->SetIsDefault(true);
  EXPECT_TRUE(second->IsDefault());
  EXPECT_FALSE(manager_->IsDefault());
  EXPECT_FALSE(manager_->SkinHookInstalled());
  EXPECT_TRUE(listed->Saw(scRemoveSkin));  // the new default has no skin
  second.reset();
  EXPECT_EQ(TsSkinManager::DefaultManager(), nullptr);
}

TEST(SkinChangeWait, EndsWhenTheAnimationEndsOrAfterItsTime) {
  SkinChangeAnimating = true;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitForSkinChangeAnimation(50));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Messages are handled while waiting: the end of the animation arrives through one.
  guitest::RunLater([] { SkinChangeAnimating = false; });
  EXPECT_TRUE(WaitForSkinChangeAnimation(5000));
  EXPECT_FALSE(SkinChangeAnimating);
}

}  // namespace

namespace {

TEST(SkinManagerThirdParty, ListsStartWithButtonsAndFollowEachChange) {
  std::unique_ptr<TsSkinManager> m{New<TsSkinManager>(nullptr)};
  EXPECT_EQ(TsSkinManager::ThirdPartyNames[1], std::string("ThirdButtons"));
  EXPECT_EQ(TsSkinManager::ThirdPartyNames[20], std::string("ThirdScrollBar"));
  EXPECT_EQ(m->ThirdParty(1), "TButton");
  EXPECT_EQ(m->ThirdPartyList(1).Count(), 1);
  EXPECT_EQ(m->ThirdParty(0), " ");
  EXPECT_EQ(m->ThirdPartyList(0).Count(), 0);

  m->SetThirdParty(4, "TMyCombo\r\n  TOther \r\n\r\n");
  const TStringList& combos = m->ThirdPartyList(4);
  ASSERT_EQ(combos.Count(), 2);
  EXPECT_EQ(combos.Strings(0), "TMyCombo");
  EXPECT_EQ(combos.Strings(1), "TOther");
  EXPECT_EQ(combos.IndexOf("tmycombo"), -1);  // class names compare exactly
  EXPECT_THROW(m->SetThirdParty(21, "TX"), EListError);
  EXPECT_THROW(m->ThirdPartyList(-1), EListError);
}

}  // namespace
