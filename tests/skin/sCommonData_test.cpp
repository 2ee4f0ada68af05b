// The skin state of controls skinned with the diary's built-in skin: what its setters ask of the host,
// the update bracket, when a host counts as active, skinned or updating, its background colour, the
// indexes and state it resolves, and the glow around a hot host.
#include "skin/forms/sCommonData.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"

using namespace skintest;

namespace {

using TSkinnedEdit = TSkinned<TEdit>;

// A shown red form holding a skinned panel and a skinned edit, with the built-in skin loaded.
class CommonData : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    form_ = New<TSkinnedForm>(nullptr);
    form_->SetBounds(120, 100, 320, 200);
    form_->SetColor(clRed);
    panel_ = AddControl<TSkinnedPanel>(form_, 10);
    edit_ = AddControl<TSkinnedEdit>(form_, 100);
    other_ = AddControl<TSkinnedEdit>(form_, 200);
    form_->Show();
    guitest::Pump();
    panel_->commands.clear();
    edit_->commands.clear();
  }
  void TearDown() override {
    CloseAllGlowEffects(true);
    delete form_;
    SkinFixture::TearDown();
  }
  TsCommonData& Panel() { return *panel_->data; }

  TSkinnedForm* form_ = nullptr;
  TSkinnedPanel* panel_ = nullptr;
  TSkinnedEdit* edit_ = nullptr;
  TSkinnedEdit* other_ = nullptr;
};

TEST_F(CommonData, SectionAndManagerSettersHaveTheHostRefreshOrDropTheSkinOnce) {
  TsSkinManager* const skinless = New<TsSkinManager>(nullptr);  // no skin loaded: no sections
  ASSERT_EQ(TsSkinManager::DefaultManager(), manager_);
  TsCommonData& d = Panel();
  const auto lp = [](TsSkinManager* m) { return reinterpret_cast<LPARAM>(m); };
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<Word> commands;
    LPARAM lParam;
    const char* section;
    const char* resolved;  // the section the index names, nullptr for -1
  } steps[] = {
      {"a section of the skin", [&] { d.SetSkinSection("edit"); }, {scRefresh}, lp(manager_), "EDIT", "EDIT"},
      {"the same text again", [&] { d.SetSkinSection("edit"); }, {}, 0, "EDIT", "EDIT"},
      {"the stored name", [&] { d.SetSkinSection("EDIT"); }, {}, 0, "EDIT", "EDIT"},
      {"a section the skin lacks", [&] { d.SetSkinSection("NoSuch"); }, {scRemoveSkin}, lp(manager_), "NOSUCH", nullptr},
      {"no name", [&] { d.SetSkinSection(""); }, {scRemoveSkin}, lp(manager_), "UNKNOWN", nullptr},
      {"no name again", [&] { d.SetSkinSection(""); }, {}, 0, "UNKNOWN", nullptr},
      {"back to a section", [&] { d.SetSkinSection("panel"); }, {scRefresh}, lp(manager_), "PANEL", "PANEL"},
      {"a manager without skin", [&] { d.SetSkinManager(skinless); }, {scRemoveSkin}, lp(skinless), "PANEL", nullptr},
      {"the same manager", [&] { d.SetSkinManager(skinless); }, {}, 0, "PANEL", nullptr},
      {"the default manager", [&] { d.SetSkinManager(manager_); }, {scRefresh}, lp(manager_), "PANEL", "PANEL"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    panel_->commands.clear();
    panel_->lastLParam = 0;
    d.SetUpdating(false);  // a host that dropped the skin (command 2) waits as updating until refreshed
    s.act();
    EXPECT_EQ(panel_->commands, s.commands);
    EXPECT_EQ(panel_->lastLParam, s.lParam);
    EXPECT_EQ(d.SkinSection(), s.section);
    EXPECT_EQ(d.SectionIndex, s.resolved != nullptr ? Section(s.resolved) : -1);
  }
  // The default manager is never stored: the host follows whichever manager is the default.
  EXPECT_EQ(d.OwnSkinManager, nullptr);
  EXPECT_FALSE(d.SkinManagerStored());
  EXPECT_EQ(d.GetSkinManager(), manager_);
  d.SetSkinManager(skinless);
  EXPECT_TRUE(d.SkinManagerStored());
  EXPECT_EQ(d.GetSkinManager(), skinless);
  d.SetSkinManager(nullptr);
  EXPECT_EQ(d.GetSkinManager(), manager_);
  delete skinless;

  // A host without parent or still loading only keeps the name.
  TSkinnedPanel* loose = New<TSkinnedPanel>(form_);
  loose->data->SetSkinSection("edit");
  EXPECT_TRUE(loose->commands.empty());
  EXPECT_EQ(loose->data->SectionIndex, Section("EDIT"));
}

TEST_F(CommonData, NestedUpdatesEndOnceTheOutermostEnds) {
  TsCommonData& d = Panel();
  d.SetSkinSection("PANEL");
  panel_->commands.clear();
  d.BeginUpdate();
  d.BeginUpdate();
  EXPECT_EQ(d.UpdateDepth, 2);
  EXPECT_TRUE(d.UpdatingFlag);
  EXPECT_EQ(d.StateBits & ssInUpdate, ssInUpdate);
  d.BackgroundDirty = false;
  d.EndUpdate(true);
  EXPECT_EQ(d.UpdateDepth, 1);
  EXPECT_FALSE(d.UpdatingFlag) << "any end clears the flag; only the depth waits";
  EXPECT_FALSE(d.BackgroundDirty) << "no repaint before the outermost end";
  d.EndUpdate(true);
  EXPECT_EQ(d.UpdateDepth, 0);
  EXPECT_EQ(d.StateBits & ssInUpdate, 0);
  EXPECT_TRUE(d.BackgroundDirty) << "the repaint invalidates";
  EXPECT_EQ(panel_->commands, (std::vector<Word>{scBeginUpdate, scBeginUpdate, scEndUpdate}));
}

TEST_F(CommonData, ActiveByRealFocusAndByTheMouseForKindsThatTrackIt) {
  TsCommonData& e = *edit_->data;
  e.ControlKind = 10;
  other_->SetFocus();
  guitest::Pump();
  ASSERT_EQ(GetFocus(), other_->Handle());
  EXPECT_FALSE(e.IsActive());
  edit_->SetFocus();
  guitest::Pump();
  ASSERT_EQ(GetFocus(), edit_->Handle());
  EXPECT_TRUE(e.IsActive()) << "the focus, without the flag that a message would set";
  EXPECT_FALSE(e.FocusFlag);
  edit_->SetEnabled(false);
  EXPECT_FALSE(e.IsActive()) << "never while disabled";
  edit_->SetEnabled(true);
  other_->SetFocus();
  guitest::Pump();

  struct Case {
    Integer kind;
    bool mouseInside, focusFlag, active;
  } cases[] = {
      {10, false, false, false}, {10, true, false, true}, {0, true, false, true},
      {51, true, false, false},  {19, true, false, false}, {150, true, false, false},
      {51, false, true, true},   {300, true, false, true},
  };
  for (const Case& c : cases) {
    e.ControlKind = c.kind;
    e.MouseInside = c.mouseInside;
    e.FocusFlag = c.focusFlag;
    EXPECT_EQ(e.IsActive(), c.active) << "kind " << c.kind << " mouse " << c.mouseInside;
  }

  // A panel never counts as active by holding the focus.
  TsCommonData& p = Panel();
  SetFocus(panel_->Handle());
  ASSERT_EQ(GetFocus(), panel_->Handle());
  EXPECT_FALSE(p.IsActive());

  // Plain panels wait for updates only while active.
  p.SetSkinSection("PANEL");
  p.StateBits = ssPlainBackground;
  p.UpdatingFlag = true;
  EXPECT_FALSE(p.StateClearOrActive());
  EXPECT_TRUE(p.IsUpdating());
  p.UpdatingFlag = false;
  form_->data->UpdatingFlag = true;  // the parent says it is updating...
  EXPECT_FALSE(p.IsUpdating()) << "...but a plain, inactive host does not ask it";
  p.StateBits = 0;
  EXPECT_TRUE(p.IsUpdating()) << "the parent's answer to the updating question";
  form_->data->UpdatingFlag = false;
  form_->data->BackgroundDirty = false;
  EXPECT_FALSE(p.IsUpdating());
}

TEST_F(CommonData, SkinnedOnlyWithASectionOfTheLoadedSkin) {
  TsCommonData& d = Panel();
  EXPECT_FALSE(d.Skinned()) << "no section yet";
  d.SetSkinSection("NOSUCH");
  EXPECT_FALSE(d.Skinned());
  EXPECT_FALSE(d.Skinned(true));
  d.SetSkinSection("PANEL");
  EXPECT_TRUE(d.Skinned());
  EXPECT_TRUE(d.Skinned(true));
  manager_->SkinData.Active = false;
  EXPECT_TRUE(d.Skinned());
  EXPECT_FALSE(d.Skinned(true)) << "the skin must also be applied";
  manager_->SkinData.Active = true;
  d.SectionIndex = static_cast<Integer>(manager_->gd.size());
  EXPECT_FALSE(d.Skinned()) << "an index past the sections";
}

TEST_F(CommonData, BackgroundColourOfTheBuiltInSections) {
  TsCommonData& d = Panel();
  d.SetSkinSection("EDIT");
  const Integer editColor = SectionData("EDIT").Props[0].Color;
  EXPECT_EQ(d.GetBgColor(0), editColor);
  EXPECT_EQ(d.GetBgColor(1), SectionData("EDIT").Props[1].Color);
  d.SetCustomColor(true);
  panel_->SetColor(0x123456);
  EXPECT_EQ(d.GetBgColor(0), 0x123456) << "a host keeping its colour";
  d.SetCustomColor(false);

  // GROUPBOX is fully transparent: the colour of the parent (an unskinned host answers its own colour
  // to the skin command).
  d.SetSkinSection("GROUPBOX");
  ASSERT_EQ(SectionData("GROUPBOX").Props[0].Transparency, 100);
  EXPECT_EQ(d.GetBgColor(0), 0x0000FF);
  EXPECT_EQ(d.GetBgColor(1), 0x0000FF);

  // Unskinned: the host's colour as it stands.
  d.SetSkinSection("NOSUCH");
  panel_->SetColor(clBtnFace);
  EXPECT_EQ(d.GetBgColor(0), clBtnFace);

  // A record without control stands for a window: its parent window is asked; with neither, the
  // button face.
  TsCommonData windowless(nullptr);
  windowless.SetSkinSection("GROUPBOX");
  ASSERT_TRUE(windowless.Skinned());
  EXPECT_EQ(windowless.GetBgColor(0, edit_->Handle()), 0x0000FF);
  EXPECT_EQ(windowless.GetBgColor(0), clSkinFallbackColor);
  windowless.SetSkinSection("NOSUCH");
  EXPECT_EQ(windowless.GetBgColor(0, edit_->Handle()), clSkinFallbackColor);
}

TEST_F(CommonData, AHalfTransparentSectionMixesItsColourWithTheParents) {
  TSkinVariant variant;
  variant.Set("PANEL", "TRANSPARENCY", 40).Set("PANEL", "COLOR", 0x323232);
  LoadVariant(variant);
  form_->SetColor(0xC86400);
  Panel().SetSkinSection("PANEL");
  ASSERT_EQ(SectionData("PANEL").States, 1);
  const Integer expected = (110 << 16) | (70 << 8) | 30;  // round(0.4 x parent + 0.6 x section)
  EXPECT_EQ(Panel().GetBgColor(0), expected);
  EXPECT_EQ(Panel().GetBgColor(1), expected) << "one state: hot is normal";
}

TEST_F(CommonData, ResolvesIndexesStateAndColoursFromTheSkin) {
  TsCommonData& d = Panel();
  d.SetSkinSection("BUTTON");
  const Integer button = Section("BUTTON");
  EXPECT_EQ(d.SectionIndex, button);
  EXPECT_EQ(d.BorderMaskIndex, manager_->gd[static_cast<size_t>(button)].BorderMask);
  EXPECT_GE(d.BorderMaskIndex, 0);
  EXPECT_EQ(d.TextureIndex, manager_->GetTextureIndex(button, "BUTTON", "PATTERN"));
  EXPECT_EQ(d.BackgroundMode, 0);
  d.SetSkinSection("FORMTITLE");
  EXPECT_EQ(d.BackgroundMode, bmHeight) << "a vertical gradient";

  // A panel on a plain section has a plain background; a border painting its centre has not. The
  // answer to the state question computes a state that was never computed.
  d.SetSkinSection("PANEL");
  EXPECT_EQ(d.PlainBackgroundKind(), 1);
  EXPECT_EQ(d.StateBits, ssPlainBackground);
  d.StateBits = ssNotComputed;
  EXPECT_EQ(SendSkinCommand(panel_->Handle(), scGetSkinState), ssPlainBackground);
  d.SetSkinSection("BUTTON");
  EXPECT_EQ(d.PlainBackgroundKind(), 0);
  EXPECT_EQ(d.StateBits, 0);

  // Default sections: by kind, else the class name.
  TsCommonData byKind(edit_);
  byKind.ControlKind = 10;
  byKind.ApplyDefaultSection();
  EXPECT_EQ(byKind.SkinSection(), "EDIT");
  TPanel* plain = AddControl<TPanel>(form_, 250);
  TsCommonData byClass(plain);
  byClass.ApplyDefaultSection();
  EXPECT_EQ(byClass.SkinSection(), "TPANEL");
  EXPECT_EQ(byClass.SectionIndex, -1);

  // Edit-like hosts take the section's colours unless they keep their own.
  TsCommonData& e = *edit_->data;
  e.ControlKind = 10;
  edit_->SetColor(clRed);
  edit_->Font().SetColor(clRed);
  e.SetCustomFont(true);
  e.SetSkinSection("EDIT");
  e.UpdateHostColors(false);
  EXPECT_EQ(edit_->Color(), SectionData("EDIT").Props[0].Color);
  EXPECT_EQ(edit_->Font().Color(), clRed);
  d.ControlKind = 51;  // not edit-like: keeps its colour
  panel_->SetColor(clRed);
  d.UpdateHostColors(false);
  EXPECT_EQ(panel_->Color(), clRed);

  d.InitCacheBmp();
  ASSERT_NE(d.CacheBitmap, nullptr);
  EXPECT_EQ(d.CacheBitmap->Width(), panel_->Width());
  EXPECT_EQ(d.CacheBitmap->Height(), panel_->Height());
  EXPECT_EQ(d.CacheBitmap->PixelFormat(), pf32bit);
}

// PANEL gets a glow: GLOW 4 with margin 1 and a 16 x 16 mask of borders 6, filled with one pixel.
constexpr Cardinal kGlowPixel = 0x80204080u;

TSkinVariant GlowingPanels() {
  TskMaskValue shape;
  shape.Form = TskMaskForm::Borders;
  shape.Count = 1;
  shape.WL = shape.WT = shape.WR = shape.WB = 6;
  TSkinVariant variant;
  variant.Set("PANEL", "GLOW", 4).Set("PANEL", "GLOWMARGIN", 1)
      .AddMask("PANEL", "GLOW0", shape, 16, 16, [](int, int, int) { return kGlowPixel; });
  return variant;
}

TEST_F(CommonData, AGlowIdEmptiedByAFormMoveNeverClosesALaterGlow) {
  LoadVariant(GlowingPanels());
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TLayeredRecorder recorder;
  TSkinnedPanel* second = AddControl<TSkinnedPanel>(form_, 160);
  TsCommonData& a = Panel();
  TsCommonData& b = *second->data;
  for (TsCommonData* d : {&a, &b}) {
    d->SetSkinSection("PANEL");
    d->MouseInside = true;
  }

  a.ShowGlow(false);
  ASSERT_GE(a.GlowIndex, 0);
  TskGlowEffect* glow = GlowEffectAt(a.GlowIndex);
  ASSERT_NE(glow, nullptr);
  const HWND glowWindow = glow->GlowForm()->Handle();
  ASSERT_EQ(recorder.calls.size(), 1u);
  const TLayeredCall& shown = recorder.calls[0];
  EXPECT_TRUE(shown.Update);
  EXPECT_EQ(shown.Window, glowWindow);
  RECT r;
  GetWindowRect(panel_->Handle(), &r);
  EXPECT_EQ(shown.Position, (TPoint{r.left - 5, r.top - 5})) << "borders 6 less the margin";
  EXPECT_EQ(shown.Size, (TPoint{panel_->Width() + 10, panel_->Height() + 10}));
  EXPECT_EQ(shown.PixelAt(2, 2), kGlowPixel);
  EXPECT_EQ(shown.PixelAt(shown.Size.X / 2, shown.Size.Y / 2), 0u) << "the control shows through";

  const Integer first = a.GlowIndex;
  a.ShowGlow(false);
  EXPECT_EQ(a.GlowIndex, first) << "already open";
  EXPECT_EQ(recorder.calls.size(), 1u);

  CloseAllGlowEffects(true);  // what a form's move does
  EXPECT_FALSE(IsWindow(glowWindow));
  EXPECT_EQ(a.GlowIndex, first) << "the host still holds the index";

  b.ShowGlow(false);
  ASSERT_GE(b.GlowIndex, 0);
  EXPECT_NE(b.GlowIndex, first) << "ids are never handed out twice";
  const HWND secondWindow = GlowEffectAt(b.GlowIndex)->GlowForm()->Handle();
  Integer stale = first;
  CloseGlowEffect(stale);
  EXPECT_EQ(stale, first) << "a stale id closes nothing";
  ASSERT_NE(GlowEffectAt(b.GlowIndex), nullptr) << "the second glow stays";
  EXPECT_TRUE(IsWindow(secondWindow));

  a.MouseInside = false;
  a.ShowGlow(false);  // the mouse left: only an open glow is closed
  EXPECT_EQ(a.GlowIndex, -1);
  EXPECT_TRUE(IsWindow(secondWindow));

  // A glow that went with the list opens again when the host is hot again.
  a.MouseInside = true;
  a.GlowIndex = first;
  a.ShowGlow(false);
  EXPECT_GE(a.GlowIndex, 0);
  EXPECT_NE(a.GlowIndex, first);
  EXPECT_NE(a.GlowIndex, b.GlowIndex);

  b.ShowGlow(true);  // hide
  EXPECT_EQ(b.GlowIndex, -1);
  EXPECT_FALSE(IsWindow(secondWindow));
  EXPECT_NE(GlowEffectAt(a.GlowIndex), nullptr);
}

TEST_F(CommonData, NoGlowWithoutGlowSizeOrWithTheButtonDown) {
  if (!manager_->Effects().AllowGlowing()) GTEST_SKIP() << "no layered windows here";
  TLayeredRecorder recorder;
  TsCommonData& d = Panel();
  d.SetSkinSection("PANEL");
  d.MouseInside = true;
  d.ShowGlow(false);
  EXPECT_EQ(d.GlowIndex, -1) << "the built-in skin has no glows";
  LoadVariant(GlowingPanels());
  d.UpdateIndexes();
  panel_->SetControlState(panel_->ControlState().Include(csLButtonDown));
  d.ShowGlow(false);
  EXPECT_EQ(d.GlowIndex, -1);
  panel_->SetControlState(panel_->ControlState().Exclude(csLButtonDown));
  d.ShowGlow(false);
  EXPECT_GE(d.GlowIndex, 0);
  EXPECT_EQ(recorder.calls.size(), 1u);
}

}  // namespace

namespace {

// The skin state of a form's provider: a component that names the form whose frame it skins.
class TTestProvider : public TComponent, public IskProviderHost {
 public:
  TTestProvider(TCustomForm* form) : TComponent(nullptr), form_(form) {}
  TCustomForm* ProviderForm() const override { return form_; }

 private:
  TCustomForm* form_;
};

TEST_F(CommonData, AProvidersStateTalksToItsFormsWindow) {
  std::unique_ptr<TTestProvider> provider(New<TTestProvider>(form_));
  TsCommonData d(provider.get());
  EXPECT_EQ(d.HostControl, nullptr);
  d.BackgroundDirty = false;
  d.SetSkinSection("FORM");
  EXPECT_TRUE(d.BackgroundDirty) << "a provider's section marks its frame for repainting";
  EXPECT_EQ(d.SectionIndex, Section("FORM"));
  EXPECT_FALSE(form_->Saw(scRefresh)) << "and refreshes nothing itself";
  EXPECT_EQ(d.StateBits, ssPlainBackground) << "FORM is one colour inside a thin border";
  form_->OnPaint = [](TObject*) {};
  EXPECT_EQ(d.PlainBackgroundKind(), 0) << "a form that paints itself";
  form_->OnPaint = nullptr;

  form_->commands.clear();
  d.BeginUpdate();
  d.EndUpdate(false);
  EXPECT_EQ(form_->commands, (std::vector<Word>{scBeginUpdate, scEndUpdate}));
  form_->SetColor(0x00ABCDEF);
  d.SetSkinSection("NOSUCH");
  EXPECT_EQ(d.GetBgColor(0), 0x00ABCDEF) << "an unskinned provider answers its form's colour";
  d.BackgroundDirty = false;
  d.Invalidate();
  EXPECT_TRUE(d.BackgroundDirty);
}

TEST_F(CommonData, ParentBackgroundIsAskedAnewWhenUrgentUnskinnedOrDisabled) {
  TsCommonData& d = Panel();
  EXPECT_EQ(d.ParentBgState(), 1) << "not skinned";
  d.SetSkinSection("PANEL");
  EXPECT_EQ(d.ParentBgState(), 0) << "an opaque section";
  d.UrgentPaint = true;
  EXPECT_EQ(d.ParentBgState(), 1);
  d.UrgentPaint = false;
  panel_->SetEnabled(false);
  EXPECT_EQ(d.ParentBgState(), 1);
  panel_->SetEnabled(true);
  d.SetSkinSection("GROUPBOX");
  EXPECT_EQ(d.ParentBgState(), 0) << "see-through: the parent's answer (an unskinned form gives none)";
  EXPECT_EQ(d.ParentRepaintAnswer(), 0);
}

TEST_F(CommonData, InvalidateRedrawsTheHostNowOrLater) {
  TsCommonData& d = Panel();
  d.SetSkinSection("PANEL");
  guitest::Pump();
  RECT pending;
  ASSERT_FALSE(GetUpdateRect(panel_->Handle(), &pending, FALSE));
  d.BackgroundDirty = false;
  d.Invalidate(false);
  EXPECT_TRUE(d.BackgroundDirty);
  EXPECT_TRUE(GetUpdateRect(panel_->Handle(), &pending, FALSE)) << "left to the next paint";
  guitest::Pump();
  d.Invalidate(true);
  EXPECT_FALSE(GetUpdateRect(panel_->Handle(), &pending, FALSE)) << "painted at once";

  // A host that is being read or has no parent is only marked.
  TSkinnedPanel* loose = New<TSkinnedPanel>(form_);
  loose->data->BackgroundDirty = false;
  loose->data->Invalidate(true);
  EXPECT_TRUE(loose->data->BackgroundDirty);
  EXPECT_FALSE(loose->HandleAllocated());
}

}  // namespace

namespace {

// A skinned host that answers background requests, as skinned controls do.
template <class Base>
class TBgHost : public TSkinned<Base> {
 public:
  using TSkinned<Base>::TSkinned;
  void WndProc(TMessage& message) override {
    if (message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == scFillBgRequest && message.LParam != 0) {
      this->data->FillBgRequest(*reinterpret_cast<TskBgRequest*>(message.LParam), 0, nullptr);
      message.Result = 1;
      return;
    }
    TSkinned<Base>::WndProc(message);
  }
};
using TBgPanel = TBgHost<TPanel>;

constexpr Cardinal CachePixel(Integer x, Integer y) { return 0xFF000000u | static_cast<Cardinal>(x) << 8 | static_cast<Cardinal>(y); }

// A 32-bit bitmap whose every pixel tells its place.
std::unique_ptr<TBitmap> Patterned(Integer width, Integer height) {
  auto bitmap = Filled(width, height, 0);
  const TsPixelView v = PixelViewOf(*bitmap);
  for (Integer y = 0; y < height; ++y)
    for (Integer x = 0; x < width; ++x) v.At(x, y) = CachePixel(x, y);
  return bitmap;
}

// grand (an opaque gradient section with a cache of known pixels) > parent at (10, 7) > child at (5, 3),
// both see-through.
class BgRequests : public CommonData {
 protected:
  void SetUp() override {
    CommonData::SetUp();
    if (HasFatalFailure()) return;
    grand_ = AddControl<TBgPanel>(form_, 0);
    grand_->SetBounds(0, 0, 100, 80);
    parent_ = AddControl<TBgPanel>(grand_);
    parent_->SetBounds(10, 7, 60, 50);
    child_ = AddControl<TBgPanel>(parent_);
    child_->SetBounds(5, 3, 30, 20);
    guitest::Pump();
    grand_->data->SetSkinSection("FORMTITLE");
    parent_->data->SetSkinSection("GROUPBOX");
    child_->data->SetSkinSection("GROUPBOX");
    ASSERT_EQ(SectionData("GROUPBOX").Props[0].Transparency, 100);
    TsCommonData& g = *grand_->data;
    g.InitCacheBmp();
    const TsPixelView cache = PixelViewOf(*g.CacheBitmap);
    for (Integer y = 0; y < cache.Height; ++y)
      for (Integer x = 0; x < cache.Width; ++x) cache.At(x, y) = CachePixel(x, y);
    g.BackgroundDirty = false;
  }

  TBgPanel* grand_ = nullptr;
  TBgPanel* parent_ = nullptr;
  TBgPanel* child_ = nullptr;
};

TEST_F(BgRequests, ASeeThroughChildOfASeeThroughParentGetsTheGrandparentsCache) {
  TskBgRequest request;
  ASSERT_TRUE(GetParentBgFromControl(request, child_, false));
  EXPECT_EQ(request.AnswerKind, bgBitmap);
  EXPECT_EQ(request.Bitmap, grand_->data->CacheBitmap.get());
  EXPECT_EQ(request.OffsetX, 15) << "both places added";
  EXPECT_EQ(request.OffsetY, 10);

  // The child's own background: its parent's answer (the parent's place in the grandparent).
  const TskBgInfo info = child_->data->GetParentBg();
  EXPECT_TRUE(info.IsBitmap);
  EXPECT_EQ(info.Bitmap, grand_->data->CacheBitmap.get());
  EXPECT_EQ(info.OffsetX, 10);
  EXPECT_EQ(info.OffsetY, 7);

  // Paint mode: the grandparent's pixels at the requester's place (1, 2) inside the child.
  auto target = Filled(8, 6, 0);
  TskBgRequest paint;
  paint.TargetDC = target->Canvas().Handle();
  paint.Rect = TRect{0, 0, 8, 6};
  paint.OffsetX = 1;
  paint.OffsetY = 2;
  ASSERT_TRUE(GetParentBgFromControl(paint, child_, true));
  EXPECT_EQ(paint.AnswerKind, bgBitmap);
  GdiFlush();
  const TsPixelView out = PixelViewOf(*target);
  for (Integer y = 0; y < 6; ++y)
    for (Integer x = 0; x < 8; ++x)
      ASSERT_EQ(out.At(x, y) & 0x00FFFFFFu, CachePixel(1 + 5 + 10 + x, 2 + 3 + 7 + y) & 0x00FFFFFFu) << x << "," << y;
}

TEST_F(BgRequests, OpaquePlainSectionsAnswerAColourAndUnskinnedOnesTheirOwn) {
  TsCommonData& p = *parent_->data;
  p.SetSkinSection("EDIT");
  p.InitCacheBmp();
  p.BackgroundDirty = false;
  TskBgRequest request;
  ASSERT_TRUE(GetParentBgFromControl(request, parent_, false));
  EXPECT_EQ(request.AnswerKind, bgColor) << "a colour although a cache exists";
  EXPECT_EQ(request.Color, SectionData("EDIT").Props[0].Color);

  // An opaque section with a gradient answers its cache; before it has one, the skin's global colour.
  ASSERT_TRUE(GetParentBgFromControl(request, grand_, false));
  EXPECT_EQ(request.AnswerKind, bgBitmap);
  EXPECT_EQ(request.OffsetX, 0);
  grand_->data->CacheBitmap.reset();
  ASSERT_TRUE(GetParentBgFromControl(request, grand_, false));
  EXPECT_EQ(request.AnswerKind, bgColor);
  EXPECT_EQ(request.Color, manager_->GetGlobalColor());

  p.SetSkinSection("NOSUCH");
  parent_->SetColor(clRed);
  ASSERT_TRUE(GetParentBgFromControl(request, parent_, false));
  EXPECT_EQ(request.AnswerKind, bgColor);
  EXPECT_EQ(request.Color, clRed);
  const TskBgInfo info = BgInfoFromReply(request);
  EXPECT_FALSE(info.IsBitmap);
  EXPECT_EQ(info.Color, 0x0000FF) << "as RGB";
}

// A window that does not answer background requests and paints blue, with a red square at (20, 10)
// to (30, 20), into whatever DC its messages bring.
LRESULT CALLBACK SelfPaintingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto fill = [&](RECT r, COLORREF color) {
    const HBRUSH brush = CreateSolidBrush(color);
    FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
    DeleteObject(brush);
  };
  if (msg == WM_ERASEBKGND && wParam != 0) {
    fill(RECT{0, 0, 100, 100}, RGB(0, 0, 255));
    return 1;
  }
  if (msg == WM_PAINT && wParam != 0) {
    fill(RECT{20, 10, 30, 20}, RGB(255, 0, 0));
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

TEST_F(CommonData, AnUnansweredRequestPaintsThroughAMovedViewportOrAnswersTheGlobalColour) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = SelfPaintingProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QnSelfPainting";
  RegisterClassW(&cls);
  const HWND window = CreateWindowExW(0, L"QnSelfPainting", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                      cls.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  TskBgRequest colour;
  EXPECT_FALSE(GetParentBgFromWindow(colour, window, false));
  EXPECT_EQ(colour.AnswerKind, bgColor);
  EXPECT_EQ(colour.Color, manager_->GetGlobalColor());

  auto target = Filled(8, 6, 0);
  TskBgRequest paint;
  paint.TargetDC = target->Canvas().Handle();
  paint.Rect = TRect{0, 0, 8, 6};
  paint.OffsetX = 18;
  paint.OffsetY = 8;
  paint.PaintFlag = 1;
  EXPECT_FALSE(GetParentBgFromWindow(paint, window, true));
  EXPECT_EQ(paint.Rect, (TRect{18, 8, 26, 14})) << "Rect stays moved";
  GdiFlush();
  const TsPixelView out = PixelViewOf(*target);
  for (Integer y = 0; y < 6; ++y)
    for (Integer x = 0; x < 8; ++x) {
      const bool red = x >= 2 && y >= 2;  // the square's corner (20, 10) seen from (18, 8)
      EXPECT_EQ(out.At(x, y) & 0x00FFFFFFu, red ? 0x00FF0000u : 0x000000FFu) << x << "," << y;
    }
  DestroyWindow(window);
  UnregisterClassW(L"QnSelfPainting", cls.hInstance);

  // A raw window without parent has the default background.
  const TskBgInfo none = GetParentBgOfWnd(form_->Handle());
  EXPECT_EQ(none.OffsetX, -99);
  EXPECT_EQ(none.Color, 0xFF00FF);
}

}  // namespace

namespace {

Cardinal CentreOf(TBitmap& bitmap) {
  GdiFlush();
  const TsPixelView v = PixelViewOf(bitmap);
  return v.At(v.Width / 2, v.Height / 2);
}

TEST_F(CommonData, AHostPaintsItsOwnSectionInItsColourAndShifts) {
  TsCommonData& d = Panel();
  d.SetSkinSection("PANEL");
  d.InitCacheBmp();
  TBitmap& cache = *d.CacheBitmap;
  const TRect whole{0, 0, cache.Width(), cache.Height()};
  const TskBgInfo background{nullptr, 0, 0, 0x0000FF, false};
  d.PaintOwnSection(background, true, cache, TPoint{0, 0}, whole, 0);
  EXPECT_EQ(CentreOf(cache), ColorToPixel(SectionData("PANEL").Props[0].Color));

  d.SetCustomColor(true);
  panel_->SetColor(clRed);
  d.PaintOwnSection(background, true, cache, TPoint{0, 0}, whole, 0);
  EXPECT_EQ(CentreOf(cache), 0xFFFF0000u) << "its own colour";
  d.HueShift = 120;
  d.PaintOwnSection(background, true, cache, TPoint{0, 0}, whole, 0);
  EXPECT_EQ(CentreOf(cache), 0xFF00FF00u) << "red turned by 120 degrees";

  // A see-through section without a border shows the background as it is, unshifted.
  d.SetCustomColor(false);
  d.SetSkinSection("CHECKBOX");
  ASSERT_EQ(SectionData("CHECKBOX").BorderMask, -1);
  d.PaintOwnSection(background, true, cache, TPoint{0, 0}, whole, 0);
  EXPECT_EQ(CentreOf(cache), 0xFFFF0000u);

  // A rect past the bitmap paints nothing.
  const Cardinal before = CentreOf(cache);
  d.SetSkinSection("PANEL");
  d.PaintOwnSection(background, true, cache, TPoint{0, 0}, TRect{0, 0, cache.Width() + 1, cache.Height()}, 0);
  EXPECT_EQ(CentreOf(cache), before);
}

TEST_F(CommonData, ASectionPaintsIntoADeviceContext) {
  auto target = Filled(12, 10, 0xFF123456u);
  const TsPixelView v = PixelViewOf(*target);
  PaintSectionToDC(Section("EDIT"), "EDIT", DefaultBgInfo, nullptr, target->Canvas().Handle(), TPoint{0, 0},
                   TRect{2, 2, 10, 8}, 0, true);
  GdiFlush();
  EXPECT_EQ(v.At(6, 5), ColorToPixel(SectionData("EDIT").Props[0].Color)) << "inside the border";
  EXPECT_EQ(v.At(1, 1), 0xFF123456u);
  EXPECT_EQ(v.At(10, 8), 0xFF123456u);
  PaintSectionToDC(Section("EDIT"), "EDIT", DefaultBgInfo, nullptr, target->Canvas().Handle(), TPoint{0, 0},
                   TRect{-1, 2, 10, 8}, 0, true);
  GdiFlush();
  EXPECT_EQ(v.At(0, 5), 0xFF123456u) << "a rect left of the DC's origin paints nothing";
}

}  // namespace

namespace {

TEST_F(CommonData, FontSectionsComeFromTheNearestParentThatGivesItsOwnFont) {
  TSkinnedPanel* box = AddControl<TSkinnedPanel>(panel_);
  TSkinnedPanel* inner = AddControl<TSkinnedPanel>(box);
  guitest::Pump();
  Panel().SetSkinSection("PANEL");
  box->data->SetSkinSection("GROUPBOX");  // see-through: the search goes on up
  ASSERT_FALSE(SectionData("PANEL").GiveOwnFont);
  EXPECT_EQ(ParentSectionIndex(inner, -7, *manager_, 0), -7) << "PANEL gives no font of its own";
  EXPECT_EQ(ParentSectionIndex(box, -7, *manager_, 0), -7);
  EXPECT_EQ(ParentSectionIndex(panel_, -7, *manager_, 0), -7) << "an unskinned parent";

  TSkinVariant variant;
  variant.Set("PANEL", "GIVEOWNFONT", 1);
  LoadVariant(variant);
  for (TsCommonData* d : {&Panel(), box->data.get()}) d->UpdateIndexes();
  EXPECT_EQ(ParentSectionIndex(inner, -7, *manager_, 0), Section("PANEL")) << "past the see-through box";
  EXPECT_EQ(ParentSectionIndex(box, -7, *manager_, 1), Section("PANEL"));
  EXPECT_EQ(ParentSectionIndex(form_, -7, *manager_, 0), -7) << "no parent";
}

TEST_F(CommonData, SectionsPaintByNameOrTheirAlternative) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(12, 10);
  EXPECT_EQ(PaintSectionByName(bitmap, "EDIT", "PANEL", nullptr, 0, TRect{0, 0, 12, 10}, nullptr, 0), Section("EDIT"));
  EXPECT_EQ(CentreOf(bitmap), ColorToPixel(SectionData("EDIT").Props[0].Color));
  EXPECT_EQ(PaintSectionByName(bitmap, "NOSUCH", "PANEL", nullptr, 0, TRect{0, 0, 12, 10}, nullptr, 0), Section("PANEL"));
  EXPECT_EQ(CentreOf(bitmap), ColorToPixel(SectionData("PANEL").Props[0].Color));
  EXPECT_EQ(PaintSectionByName(bitmap, "NOSUCH", "NOTHER", nullptr, 0, TRect{0, 0, 12, 10}, nullptr, 0), -1);
  EXPECT_EQ(CentreOf(bitmap), ColorToPixel(SectionData("PANEL").Props[0].Color)) << "nothing painted";

  // Over a DC: a see-through section shows the DC's pixels from the rect's corner.
  auto source = Patterned(30, 30);
  PaintSectionByName(bitmap, "GROUPBOX", "", source->Canvas().Handle(), 0, TRect{7, 4, 19, 14}, nullptr, 0);
  EXPECT_EQ(CentreOf(bitmap) & 0x00FFFFFFu, CachePixel(7 + 6, 4 + 5) & 0x00FFFFFFu);
}

TEST_F(CommonData, ACacheIsCopiedAroundTheChildrenThatPaintOverIt) {
  TsCommonData& d = Panel();
  panel_->SetBounds(10, 0, 40, 30);
  d.InitCacheBmp();
  const TsPixelView cache = PixelViewOf(*d.CacheBitmap);
  for (Integer y = 0; y < cache.Height; ++y)
    for (Integer x = 0; x < cache.Width; ++x) cache.At(x, y) = CachePixel(x, y);
  auto* graphic = AddControl<TSkinnedGraphic>(panel_);
  graphic->SetBounds(4, 6, 10, 8);
  TSkinnedPanel* windowed = AddControl<TSkinnedPanel>(panel_);
  windowed->SetBounds(20, 6, 10, 8);
  windowed->SetControlStyle(windowed->ControlStyle().Exclude(csOpaque));  // panels are opaque by default
  guitest::Pump();

  auto target = Filled(40, 30, 0xFF123456u);
  const TsPixelView out = PixelViewOf(*target);
  CopyControlCache(panel_, d, TRect{0, 0, 40, 30}, 0, 0, false, target->Canvas().Handle(), TRect{0, 0, 40, 30});
  GdiFlush();
  EXPECT_EQ(out.At(1, 1) & 0x00FFFFFFu, CachePixel(1, 1) & 0x00FFFFFFu);
  EXPECT_EQ(out.At(8, 10), 0xFF123456u) << "the graphic child's place is left out";
  EXPECT_EQ(out.At(25, 10) & 0x00FFFFFFu, CachePixel(25, 10) & 0x00FFFFFFu) << "a windowed child's is not";
  windowed->SetControlStyle(windowed->ControlStyle().Include(csOpaque));
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 40; ++x) out.At(x, y) = 0xFF123456u;
  CopyControlCache(panel_, d, TRect{0, 0, 40, 30}, 0, 0, false, target->Canvas().Handle(), TRect{0, 0, 40, 30});
  GdiFlush();
  EXPECT_EQ(out.At(25, 10), 0xFF123456u) << "an opaque windowed child is left out";

  // Moved by (dx, dy) = (3, 2): the left-out place moves with it.
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 40; ++x) out.At(x, y) = 0xFF123456u;
  CopyControlCache(panel_, d, TRect{0, 0, 40, 30}, 2, 3, false, target->Canvas().Handle(), TRect{0, 0, 40, 30});
  GdiFlush();
  EXPECT_EQ(out.At(5, 7) & 0x00FFFFFFu, CachePixel(5, 7) & 0x00FFFFFFu);
  EXPECT_EQ(out.At(8, 9), 0xFF123456u);
  EXPECT_EQ(out.At(16, 15), 0xFF123456u);
}

}  // namespace

namespace {

TEST_F(CommonData, AGroupBoxWindowKeepsItsInsideWhenACacheIsCopied) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 300, 300, 60, 40, nullptr, nullptr,
                                      instance, nullptr);
  const HWND group = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 4, 4, 30, 20, window,
                                     nullptr, instance, nullptr);
  const HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 40, 4, 10, 10, window, nullptr,
                                     instance, nullptr);
  ASSERT_TRUE(window && group && label);
  TsCommonData d(nullptr);
  d.CacheBitmap = Patterned(60, 40);
  auto target = Filled(60, 40, 0xFF123456u);
  const TsPixelView out = PixelViewOf(*target);
  CopyGroupBoxCache(window, d, TRect{0, 0, 60, 40}, 0, 0, false, target->Canvas().Handle(), TRect{0, 0, 60, 40});
  GdiFlush();
  const Integer side = manager_->MaskLeftWidth(SectionData("GROUPBOX").BorderMask);
  ASSERT_GT(side, 0);
  EXPECT_EQ(out.At(2, 2) & 0x00FFFFFFu, CachePixel(2, 2) & 0x00FFFFFFu) << "around the children";
  EXPECT_EQ(out.At(18, 14) & 0x00FFFFFFu, CachePixel(18, 14) & 0x00FFFFFFu) << "inside the group box";
  EXPECT_EQ(out.At(4, 14), 0xFF123456u) << "its left border strip";
  EXPECT_EQ(out.At(18, 23), 0xFF123456u) << "its bottom border strip";
  EXPECT_EQ(out.At(45, 8), 0xFF123456u) << "another child is left out whole";
  DestroyWindow(window);
}

}  // namespace
