// The common reaction of skinned hosts to the skin command message and to window and control messages,
// with a variant of the built-in skin whose sections give known colours and transparencies.
#include "skin/forms/sCommonData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestControls.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"

using namespace skintest;

namespace {

// A host that passes every message through the common control-message reaction first, and counts the
// WM_NCPAINT messages that reach it.
template <class Base>
class TMessageHost : public Base {
 public:
  explicit TMessageHost(TComponent* owner) : Base(owner), data(new TsCommonData(this, true)) {}
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_NCPAINT) ++ncPaints;
    if (HandleControlMessage(message, data.get())) return;
    Base::WndProc(message);
  }
  std::unique_ptr<TsCommonData> data;
  int ncPaints = 0;
};
using TEditHost = TMessageHost<TEdit>;
using TPanelHost = TMessageHost<TPanel>;

// A white unskinned form holding a panel ("PANEL": half transparent, black, plain) and an edit ("EDIT":
// a gradient share), both answering through the common receivers.
class SkinCommands : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    if (HasFatalFailure()) return;
    TSkinVariant variant;
    variant.Set("PANEL", "TRANSPARENCY", 50).Set("PANEL", "COLOR", 0).Set("PANEL", "GRADIENTPERCENT", 0);
    variant.Set("PANEL", "IMAGEPERCENT", 0);
    variant.Set("EDIT", "TRANSPARENCY", 0).Set("EDIT", "IMAGEPERCENT", 40).Set("EDIT", "STATES", 2);
    LoadVariant(variant);
    if (HasFatalFailure()) return;
    form_ = New<TSkinnedForm>(nullptr);
    form_->SetBounds(100, 100, 320, 200);
    form_->SetColor(clWhite);
    panel_ = AddControl<TPanelHost>(form_, 10);
    edit_ = AddControl<TEditHost>(form_, 100);
    other_ = AddControl<TEditHost>(form_, 200);
    panel_->data->SetSkinSection("PANEL");
    edit_->data->SetSkinSection("EDIT");
    edit_->data->ControlKind = 2;  // an edit: edit-like, follows focus and hover
    other_->data->SetSkinSection("EDIT");
    form_->Show();
    guitest::Pump();
  }
  void TearDown() override {
    delete form_;
    SkinFixture::TearDown();
  }

  TSkinnedForm* form_ = nullptr;
  TPanelHost* panel_ = nullptr;
  TEditHost* edit_ = nullptr;
  TEditHost* other_ = nullptr;
};

TEST_F(SkinCommands, EveryCommandAnswersAndChangesWhatItSays) {
  TsCommonData& d = *panel_->data;
  const Integer panelSection = Section("PANEL");
  ASSERT_GE(panelSection, 0);
  TsSkinManager* foreign = New<TsSkinManager>(nullptr);
  const auto lp = [](const void* p) { return reinterpret_cast<LPARAM>(p); };
  TskSectionInfo info;
  info.Name = "edit";
  TskSectionInfo asked;
  TskBgRequest request;
  HDC printDC = reinterpret_cast<HDC>(static_cast<intptr_t>(0x1234));

  struct Case {
    const char* what;
    Word command;
    Word switchValue;
    LPARAM lParam;
    std::function<void()> before;  // puts the fields where the command shows its effect
    bool handled;
    LRESULT result;
    std::function<void()> check;
  };
  const auto dirtyClear = [&] {
    d.BackgroundDirty = false;
    d.UpdatingFlag = false;
  };
  const Case cases[] = {
      {"new skin of a foreign manager", scNewSkin, 0, lp(foreign), [&] { d.SectionIndex = 99; d.StateBits = 0; },
       false, 0, [&] { EXPECT_EQ(d.SectionIndex, 99); EXPECT_EQ(d.StateBits, 0); }},
      {"new skin", scNewSkin, 0, lp(manager_), [&] { d.SectionIndex = 99; SkinIsChanging = true; }, false, 0,
       [&] { EXPECT_EQ(d.SectionIndex, panelSection); EXPECT_FALSE(SkinIsChanging); }},
      {"refresh of a foreign manager", scRefresh, 0, lp(foreign), [&] { dirtyClear(); d.UpdatingFlag = true; }, false, 0,
       [&] { EXPECT_FALSE(d.BackgroundDirty); EXPECT_TRUE(d.UpdatingFlag); }},
      {"refresh", scRefresh, 0, lp(manager_), [&] { dirtyClear(); d.UpdatingFlag = true; }, false, 0,
       [&] { EXPECT_TRUE(d.BackgroundDirty); EXPECT_FALSE(d.UpdatingFlag); }},
      {"skinned?", scIsSkinned, 0, 0, [] {}, true, 1, [] {}},
      {"updating on", scSetUpdating, 1, 0, dirtyClear, false, 0, [&] { EXPECT_TRUE(d.UpdatingFlag); }},
      {"updating off", scSetUpdating, 0, 0, [&] { d.UpdatingFlag = true; }, false, 0, [&] { EXPECT_FALSE(d.UpdatingFlag); }},
      {"urgent", scSetUrgentPainting, 1, 0, [&] { d.UrgentPaint = false; }, false, 0, [&] { EXPECT_TRUE(d.UrgentPaint); }},
      {"not urgent", scSetUrgentPainting, 0, 0, [&] { d.UrgentPaint = true; }, false, 0, [&] { EXPECT_FALSE(d.UrgentPaint); }},
      {"needs repaint, clean", scIsUpdating, 0, 0, dirtyClear, true, 0, [] {}},
      {"needs repaint, dirty", scIsUpdating, 0, 0, [&] { dirtyClear(); d.BackgroundDirty = true; }, true, 1, [] {}},
      {"partial paint?", scIsHalfVisible, 0, 0, [&] { d.PartialPaint = true; }, true, 1, [] {}},
      {"partial paint set", scSetHalfVisible, 0, 0, [&] { d.PartialPaint = false; }, false, 0, [&] { EXPECT_TRUE(d.PartialPaint); }},
      {"background changed", scBgChanged, 0, 0, dirtyClear, false, 0, [&] { EXPECT_TRUE(d.BackgroundDirty); }},
      {"section index", scGetSkinIndex, 0, lp(&asked), [&] { asked.Index = -7; }, true, 0,
       [&] { EXPECT_EQ(asked.Index, panelSection); }},
      {"complex background: plain half-transparent over an unskinned form", scParentBgNeeded, 0, 0, [] {}, true, 0, [] {}},
      {"background colour: 50% black over white", scGetBgColor, 0, 0, [] {}, true, 0x313131, [] {}},
      {"background request", scFillBgRequest, 0, lp(&request), [&] { request = TskBgRequest{}; }, true, 0,
       [&] { EXPECT_NE(request.AnswerKind, bgNotAnswered); }},
      {"state word", scGetSkinState, 0, 0, [&] { d.StateBits = ssNotComputed; }, true, -1,
       [&] { EXPECT_EQ(d.StateBits & ssNotComputed, 0); }},
      {"common data", scGetCommonData, 0, 0, [] {}, true, lp(&d), [] {}},
      {"print mode on", scPrintMode, 0, lp(printDC), [&] { d.StateBits = 0; }, true, 0,
       [&] { EXPECT_EQ(d.StateBits, ssPrinting); EXPECT_EQ(d.PrintTarget, printDC); }},
      {"print mode off", scPrintMode, 0, 0, [&] { d.StateBits = ssPrinting | ssPlainBackground; }, true, 0,
       [&] { EXPECT_EQ(d.StateBits, ssPlainBackground); EXPECT_EQ(d.PrintTarget, nullptr); }},
      {"application", scGetApplication, 0, 0, [] {}, false, lp(Application), [] {}},
      {"drop caches", scClearCache, 0, 0, [&] { d.InitCacheBmp(); dirtyClear(); }, false, 0,
       [&] { EXPECT_TRUE(d.CacheBitmap->Empty()); EXPECT_TRUE(d.BackgroundDirty); EXPECT_TRUE(d.UpdatingFlag); }},
      {"set section", scSetSkinSection, 0, lp(&info), [] {}, false, 0, [&] { EXPECT_EQ(d.SkinSection(), "EDIT"); }},
      {"section back", scSetSkinSection, 0, 0, [&] { d.SetSkinSection("PANEL"); }, false, 0,
       [&] { EXPECT_EQ(d.SkinSection(), "PANEL"); }},
      {"skin removed, foreign manager", scRemoveSkin, 0, lp(foreign), [] {}, false, 0,
       [&] { EXPECT_EQ(d.SectionIndex, panelSection); }},
      {"provider? (not ours)", scGetProvider, 0, 0, [] {}, false, 0, [] {}},
      {"unknown 99", 99, 0, 0, [] {}, false, 0, [] {}},
      {"skin removed", scRemoveSkin, 0, lp(manager_), [&] { d.InitCacheBmp(); d.UpdatingFlag = false; }, false, 0, [&] {
         EXPECT_EQ(d.SectionIndex, -1);
         EXPECT_EQ(d.BorderMaskIndex, -1);
         EXPECT_EQ(d.TextureIndex, -1);
         EXPECT_EQ(d.HotTextureIndex, -1);
         EXPECT_TRUE(d.UpdatingFlag);
         EXPECT_TRUE(d.CacheBitmap->Empty());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.before();
    TMessage message{SkinCommandMessage, SkinCommandWParam(c.command, c.switchValue), c.lParam, 0};
    const Word bits = d.StateBits;
    EXPECT_EQ(HandleSkinCommand(message, &d), c.handled);
    if (c.result == -1) {
      EXPECT_EQ(message.Result, d.StateBits) << "answers the state word it computed (was " << bits << ")";
    } else {
      EXPECT_EQ(message.Result, c.result);
    }
    c.check();
  }
  TMessage other{WM_USER, SkinCommandWParam(scIsSkinned), 0, 0};
  EXPECT_FALSE(HandleSkinCommand(other, &d)) << "another message";
  TMessage nil{SkinCommandMessage, SkinCommandWParam(scIsSkinned), 0, 0};
  EXPECT_FALSE(HandleSkinCommand(nil, nullptr));
  EXPECT_EQ(nil.Result, 0);
  delete foreign;
}

TEST_F(SkinCommands, ComplexBackgroundAndColourFollowTheSection) {
  // The edit's section has an image share: its background is not one colour. The answer also lands
  // in lParam.
  TMessage m{SkinCommandMessage, SkinCommandWParam(scParentBgNeeded), 0, 0};
  EXPECT_TRUE(HandleSkinCommand(m, edit_->data.get()));
  EXPECT_EQ(m.Result, 1);
  EXPECT_EQ(m.LParam, 1);
  // Opaque: the section's own colour; unskinned: the control's Color.
  TMessage c{SkinCommandMessage, SkinCommandWParam(scGetBgColor), 0, 0};
  EXPECT_TRUE(HandleSkinCommand(c, edit_->data.get()));
  EXPECT_EQ(c.Result, SectionData("EDIT").Props[0].Color);
  edit_->data->SetSkinSection("NOSUCH");
  edit_->SetColor(static_cast<TColor>(0x123456));
  c.Result = 0;
  EXPECT_TRUE(HandleSkinCommand(c, edit_->data.get()));
  EXPECT_EQ(c.Result, 0x123456);
  // Without a host control there is nothing to answer for.
  TsCommonData loose(nullptr);
  c.Result = 0;
  EXPECT_FALSE(HandleSkinCommand(c, &loose));
  // Through the window, as other controls ask: the same 0x313131.
  EXPECT_EQ(SendSkinCommand(panel_->Handle(), scGetBgColor), 0x313131);
}

TEST_F(SkinCommands, AddressCommandsFromAnotherThreadAreIgnored) {
  const HWND window = panel_->Handle();
  TskBgRequest request;
  TskSectionInfo info;
  info.Name = "edit";
  TskSectionInfo asked;
  std::atomic<bool> done{false};
  std::thread sender([&] {
    SendMessageW(window, SkinCommandMessage, SkinCommandWParam(scFillBgRequest), reinterpret_cast<LPARAM>(&request));
    SendMessageW(window, SkinCommandMessage, SkinCommandWParam(scSetSkinSection), reinterpret_cast<LPARAM>(&info));
    SendMessageW(window, SkinCommandMessage, SkinCommandWParam(scGetSkinIndex), reinterpret_cast<LPARAM>(&asked));
    done = true;
  });
  // Sends from another thread are delivered while this one looks at its queue.
  for (int round = 0; !done && round < 500; ++round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    guitest::Pump();
  }
  sender.join();
  EXPECT_EQ(request.AnswerKind, bgNotAnswered);
  EXPECT_EQ(panel_->data->SkinSection(), "PANEL");
  EXPECT_EQ(asked.Index, -1);
  // The same from the GUI thread itself is answered.
  SendMessageW(window, SkinCommandMessage, SkinCommandWParam(scFillBgRequest), reinterpret_cast<LPARAM>(&request));
  EXPECT_NE(request.AnswerKind, bgNotAnswered);
}

TEST_F(SkinCommands, FocusAndTheMouseSetTheFlagsAndRepaintTheFrame) {
  TsCommonData& d = *edit_->data;
  ASSERT_TRUE(d.Skinned());
  edit_->SetFocus();
  guitest::Pump();
  EXPECT_TRUE(d.FocusFlag);
  other_->SetFocus();
  guitest::Pump();
  EXPECT_FALSE(d.FocusFlag);
  EXPECT_TRUE(other_->data->FocusFlag);
  // A host without TabStop keeps its flag as it is.
  edit_->SetTabStop(false);
  edit_->SetFocus();
  guitest::Pump();
  EXPECT_FALSE(d.FocusFlag);

  // The mouse moves over the edit, then over the panel, then over the other edit.
  const auto moveOver = [](TWinControl* control) {
    const TPoint at = control->ClientToScreen(Point(5, 5));
    SetCursorPos(at.X, at.Y);
    SendMessageW(control->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  };
  edit_->ncPaints = 0;
  d.BackgroundDirty = false;
  moveOver(edit_);
  EXPECT_TRUE(d.MouseInside);
  EXPECT_TRUE(d.BackgroundDirty);
  EXPECT_EQ(edit_->ncPaints, 1) << "the edit-like frame repaints once on entering";
  EXPECT_EQ(manager_->ActiveControl(), static_cast<TControl*>(edit_));
  d.BackgroundDirty = false;
  panel_->ncPaints = 0;
  moveOver(panel_);
  EXPECT_FALSE(d.MouseInside);
  EXPECT_TRUE(d.BackgroundDirty);
  EXPECT_EQ(edit_->ncPaints, 2) << "and once on leaving";
  // A panel is not edit-like: the flag only.
  EXPECT_TRUE(panel_->data->MouseInside);
  moveOver(other_);
  EXPECT_FALSE(panel_->data->MouseInside);
  EXPECT_EQ(panel_->ncPaints, 0);
  EXPECT_TRUE(other_->data->MouseInside);
  // Disabling forgets hover and focus.
  d.MouseInside = d.FocusFlag = true;
  edit_->SetEnabled(false);
  EXPECT_FALSE(d.MouseInside);
  EXPECT_FALSE(d.FocusFlag);
}

TEST_F(SkinCommands, MovesSizesAndHidingMarkTheBackground) {
  TsCommonData& d = *panel_->data;
  d.InitCacheBmp();
  d.BackgroundDirty = false;
  panel_->SetBounds(20, 5, 60, 40);
  guitest::Pump();
  EXPECT_TRUE(d.BackgroundDirty) << "a skinned host's size changed";
  d.BackgroundDirty = false;
  d.UpdatingFlag = true;
  panel_->SetVisible(false);
  guitest::Pump();
  EXPECT_TRUE(d.CacheBitmap->Empty()) << "a hidden host drops its cache";
  EXPECT_TRUE(d.BackgroundDirty);
  d.BackgroundDirty = false;
  d.InitCacheBmp();
  panel_->SetVisible(true);
  guitest::Pump();
  EXPECT_FALSE(d.UpdatingFlag) << "shown again it paints";
  EXPECT_TRUE(d.BackgroundDirty);
  // A skinned host swallows the UI-state message.
  EXPECT_EQ(SendMessageW(panel_->Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0), 0);
  TMessage ui{WM_UPDATEUISTATE, 0, 0, 0};
  EXPECT_TRUE(HandleControlMessage(ui, &d));
  TMessage nothing{WM_UPDATEUISTATE, 0, 0, 0};
  EXPECT_FALSE(HandleControlMessage(nothing, nullptr));
}

}  // namespace
