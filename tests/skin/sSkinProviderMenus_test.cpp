// The menu line of a skinned form and its MDI parts, under Wine with the built-in skin: the bar's items
// painted into the cache by their own (here recording) owner-draw handlers at the bar's rectangles, the
// menu bar's background kept in MenuBarBmp, an MDI frame's Window menu listing each child once, the
// active child's merged items replacing the frame's of their group and wrapping to the next row.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinMenuLineTesting.h"
#include "skin/SkinTestBitmaps.h"
#include "vcl/gui/ActionList.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/MainMenu.h"
#include "vcl/rtl/TextConv.h"

using namespace skintest;

namespace {

// Owner-draw handlers that measure every item `width` wide, fill its rectangle with `color` and record
// what they were asked to paint.
struct TRecorder {
  struct Call {
    std::string caption;
    TRect rect;
    TOwnerDrawState state;
  };
  Integer width = 60;
  TColor color = clRed;
  std::vector<Call> calls;

  void Measure(TObject*, TCanvas&, Integer& w, Integer&) { w = width; }
  void Draw(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state) {
    calls.push_back({Cp1250ToUtf8(static_cast<TMenuItem*>(sender)->Caption()), rect, state});
    canvas.Brush().SetColor(color);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(rect);
  }
  void Attach(TMenuItem* item) {
    item->OnMeasureItem = TMenuMeasureItemEvent(this, &TRecorder::Measure);
    item->OnAdvancedDrawItem = TAdvancedMenuDrawItemEvent(this, &TRecorder::Draw);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.caption);
    return out;
  }
  const Call* Find(const std::string& caption) const {
    for (const Call& c : calls)
      if (c.caption == caption) return &c;
    return nullptr;
  }
};

TMenuItem* AddItem(TMainMenu* menu, const char* caption, Integer group, TRecorder* recorder) {
  auto* item = New<TMenuItem>(menu->Owner());
  item->SetCaption(caption);
  item->SetGroupIndex(group);
  if (recorder != nullptr) recorder->Attach(item);
  menu->Items()->Add(item);
  return item;
}

using Strings = std::vector<std::string>;

class MenuLineTest : public SkinFixture {
 protected:
  void TearDown() override {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) delete *it;
    children_.clear();
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  // A skinned form (an MDI frame with mdi) with a main menu; the provider comes before the window shows.
  void MakeForm(bool mdi, Integer width = 420) {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(60, 50, width, 260);
    menu_ = New<TMainMenu>(form_);
    form_->SetMenu(menu_);
    if (mdi) form_->SetFormStyle(fsMDIForm);
  }
  void Skin() {
    form_->HandleNeeded();
    provider_ = New<TsSkinProvider>(form_);
    form_->Show();
  }
  TForm* Child(const char* caption, std::initializer_list<std::pair<const char*, Integer>> items) {
    auto* child = New<TForm>(nullptr);
    child->SetCaption(caption);
    child->SetFormStyle(fsMDIChild);
    auto* menu = New<TMainMenu>(child);
    for (const auto& [text, group] : items) AddItem(menu, text, group, &childRecorder_);
    child->SetMenu(menu);
    child->SetBounds(10, 10, 160, 100);
    child->Show();
    children_.push_back(child);
    return child;
  }
  TBitmap& Paint() {
    recorder_.calls.clear();
    childRecorder_.calls.clear();
    return RepaintPicture(*provider_);
  }
  // A bar entry's rectangle in the cache's coordinates (the form's window has no border window here).
  TRect BarRect(UINT position) const { return MenuBarEntryRect(form_->Handle(), position); }

  TForm* form_ = nullptr;
  TMainMenu* menu_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  TRecorder recorder_;
  TRecorder childRecorder_{60, clBlue, {}};
  std::vector<TForm*> children_;
};

}  // namespace

TEST_F(MenuLineTest, TheBarsItemsArePaintedIntoTheCacheByTheirHandlersAtTheBarsRectangles) {
  MakeForm(false);
  AddItem(menu_, "File", 0, &recorder_);
  AddItem(menu_, "Edit", 0, &recorder_)->SetGroupIndex(1);
  AddItem(menu_, "Help", 2, &recorder_);
  Skin();
  ASSERT_TRUE(provider_->HasMenuLine());
  ASSERT_TRUE(provider_->MenuPresent());
  EXPECT_EQ(provider_->MenuLineHeight(), GetSystemMetrics(SM_CYMENU) - 1);
  EXPECT_EQ(provider_->MenuLinesCount(), 1);
  TBitmap& cache = Paint();
  ASSERT_EQ(recorder_.Captions(), (Strings{"File", "Edit", "Help"}));
  const TskFrameInput frame = provider_->FrameInput();
  for (UINT i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TRecorder::Call& call = recorder_.calls[i];
    EXPECT_EQ(call.rect, BarRect(i));
    EXPECT_EQ(call.state, (TOwnerDrawState{odNoAccel, odReserved1}));
    EXPECT_GE(call.rect.Top, FrameTitleBottom(frame));  // the bar starts below the title
    EXPECT_LE(call.rect.Bottom, FrameClientOffsetY(frame));
    // What the handler painted is in the picture.
    const TPoint mid{(call.rect.Left + call.rect.Right) / 2, (call.rect.Top + call.rect.Bottom) / 2};
    EXPECT_EQ(PixelOf(cache, mid.X, mid.Y) & 0xFFFFFF, 0xFF0000u);
  }
  // The items lie on the menu line's section: the line beyond the last item shows MENULINE, and
  // MenuBarBmp keeps the line as it was before the items.
  ASSERT_TRUE(provider_->MenuBarBmp);
  EXPECT_EQ(provider_->MenuBarBmp->Width(), cache.Width());
  EXPECT_EQ(provider_->MenuBarBmp->Height(), provider_->MenuLineHeight() + 1);
  const TRecorder::Call& file = recorder_.calls[0];
  const Integer barX = FrameClientOffsetX(frame), barY = FrameClientOffsetY(frame) - provider_->MenuLineHeight() - 1;
  EXPECT_EQ(barY, FrameTitleBottom(frame));
  const Integer inside = (file.rect.Top + file.rect.Bottom) / 2 - barY;
  EXPECT_NE(PixelOf(*provider_->MenuBarBmp, file.rect.Left + 2 - barX, inside) & 0xFFFFFF, 0xFF0000u);
  const Integer beyond = recorder_.calls[2].rect.Right + 20;
  EXPECT_EQ(PixelOf(*provider_->MenuBarBmp, beyond - barX, inside) & 0xFFFFFF, PixelOf(cache, beyond, barY + inside) & 0xFFFFFF);

  // A hidden item is neither on the bar nor painted.
  menu_->Items()->Items(1)->SetVisible(false);
  Paint();
  EXPECT_EQ(recorder_.Captions(), (Strings{"File", "Help"}));
  EXPECT_EQ(recorder_.calls[1].rect, BarRect(1));
}

TEST_F(MenuLineTest, WithoutAMenuLineSectionMenuBarBmpStillComesFromTheCache) {
  MakeForm(false);
  AddItem(menu_, "File", 0, &recorder_);
  Skin();
  provider_->SetMenuLineSkin("NO SUCH LINE");
  TBitmap& cache = Paint();
  ASSERT_EQ(recorder_.Captions(), (Strings{"File"}));
  const TskFrameInput frame = provider_->FrameInput();
  const Integer barX = FrameClientOffsetX(frame), barY = FrameClientOffsetY(frame) - provider_->MenuLineHeight() - 1;
  ASSERT_TRUE(provider_->MenuBarBmp);
  TBitmap& bar = *provider_->MenuBarBmp;
  ASSERT_EQ(bar.Height(), provider_->MenuLineHeight() + 1);
  // Every pixel right of the item equals the cache's there (the form's own section shows through).
  const Integer from = recorder_.calls[0].rect.Right + 2 - barX;
  for (Integer y = 0; y < bar.Height(); ++y)
    for (Integer x = from; x < bar.Width() - 2 * barX; ++x)
      ASSERT_EQ(PixelOf(bar, x, y) & 0xFFFFFF, PixelOf(cache, x + barX, y + barY) & 0xFFFFFF) << x << "," << y;
}

TEST_F(MenuLineTest, TheWindowMenuListsEachChildOnceAndItsEntriesBringTheirChildToTheFront) {
  MakeForm(true);
  AddItem(menu_, "File", 0, nullptr);
  TMenuItem* window = AddItem(menu_, "Window", 9, nullptr);
  auto* cascade = New<TMenuItem>(form_);
  window->Add(cascade);
  // The entry's action decides before the menu opens.
  auto* arrange = New<TAction>(form_);
  arrange->SetCaption("Cascade");
  int updates = 0;
  arrange->OnUpdate = [&](TObject*) { arrange->SetEnabled(++updates % 2 == 0); };
  cascade->SetAction(arrange);
  form_->SetWindowMenu(window);
  Skin();
  TForm* first = Child("First", {});
  TForm* second = Child("Second", {});
  ASSERT_EQ(form_->ActiveMDIChild(), second);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    SendMessageW(form_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window->Handle()), MAKELPARAM(1, 0));
    ASSERT_EQ(window->Count(), 4);
    EXPECT_EQ(window->Items(0), cascade);
    EXPECT_EQ(updates, round + 1);
    EXPECT_EQ(cascade->Enabled(), round == 1);
    EXPECT_EQ(cascade->Caption(), "Cascade");
    EXPECT_TRUE(window->Items(1)->IsLine());
    Strings listed;
    for (int i = 2; i < 4; ++i) listed.push_back(Cp1250ToUtf8(window->Items(i)->Caption()));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (Strings{"First", "Second"}));
    // The Windows menu shows exactly these entries: none that the MDI client added for the children.
    EXPECT_EQ(GetMenuItemCount(window->Handle()), 4);
  }
  TMenuItem* firstEntry = Cp1250ToUtf8(window->Items(2)->Caption()) == "First" ? window->Items(2) : window->Items(3);
  EXPECT_FALSE(firstEntry->Checked());
  firstEntry->Click();
  EXPECT_EQ(form_->ActiveMDIChild(), first);
  SendMessageW(form_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window->Handle()), MAKELPARAM(1, 0));
  for (int i = 2; i < 4; ++i)
    EXPECT_EQ(window->Items(i)->Checked(), Cp1250ToUtf8(window->Items(i)->Caption()) == "First");
  // An entry of a child closed meanwhile does nothing.
  TMenuItem* stale = window->Items(3);
  const Integer tag = stale->Tag();
  delete children_.back();
  children_.pop_back();
  stale->SetTag((tag & 0x200) | 5);
  stale->Click();
  EXPECT_EQ(form_->MDIChildCount(), 1);
}

TEST_F(MenuLineTest, TheActiveChildsItemsReplaceTheFramesGroupAndWrapToTheNextRow) {
  MakeForm(true);
  AddItem(menu_, "File", 0, &recorder_);
  AddItem(menu_, "Edit", 1, &recorder_);
  AddItem(menu_, "Window", 9, &recorder_);
  Skin();
  Child("Doc", {{"Doc edit", 1}, {"Doc view", 2}});
  ASSERT_EQ(GetMenuItemCount(GetMenu(form_->Handle())), 4);
  Paint();
  EXPECT_EQ(recorder_.Captions(), (Strings{"File", "Window"}));  // Edit's group is the child's
  EXPECT_EQ(childRecorder_.Captions(), (Strings{"Doc edit", "Doc view"}));
  const TRecorder::Call* edit = childRecorder_.Find("Doc edit");
  const TRecorder::Call* view = childRecorder_.Find("Doc view");
  ASSERT_TRUE(edit != nullptr && view != nullptr);
  EXPECT_EQ(edit->rect.Left, recorder_.calls[0].rect.Right);  // right after File
  EXPECT_EQ(view->rect.Left, edit->rect.Right);
  EXPECT_EQ(edit->rect.Width(), BarRect(1).Width());
  EXPECT_EQ(edit->rect.Height(), provider_->MenuLineHeight());
  EXPECT_EQ(edit->state, TOwnerDrawState{});

  // Wide child items: the one that does not fit the row starts the next one (the bar measures them
  // again when they change).
  childRecorder_.width = 200;
  edit = view = nullptr;
  for (TMenuItem* item : form_->Menu()->BarItems()) item->SetCaption(item->Caption() + " ");
  ASSERT_EQ(provider_->MenuLinesCount(), 2);
  Paint();
  const TskFrameInput frame = provider_->FrameInput();
  const TRecorder::Call* wrapped = childRecorder_.Find("Doc view ");
  ASSERT_NE(wrapped, nullptr);
  EXPECT_EQ(wrapped->rect.Left, FrameSysBorderWidth(frame, true));
  const Integer firstRow = BarRect(0).Top;
  EXPECT_EQ(childRecorder_.Find("Doc edit ")->rect.Top, firstRow);
  EXPECT_EQ(wrapped->rect.Top, firstRow + provider_->MenuLineHeight());
}

TEST_F(MenuLineTest, AMaximizedChildsButtonsSitAtTheLinesRightEndAndCommandTheChild) {
  MakeForm(true);
  AddItem(menu_, "File", 0, &recorder_);
  Skin();
  TForm* child = Child("Doc", {{"Doc edit", 1}});
  int closes = 0;
  child->OnClose = [&](TObject*, TCloseAction& action) {
    ++closes;
    action = caNone;
  };
  const auto maximize = [&] {
    ShowWindow(child->Handle(), SW_MAXIMIZE);
    ASSERT_EQ(provider_->MaximizedMDIChild(), child);
    Paint();
  };
  maximize();
  // The maximized child's icon takes the bar's first entry; the items follow it.
  EXPECT_EQ(recorder_.Captions(), (Strings{"File"}));
  EXPECT_EQ(recorder_.calls[0].rect, BarRect(1));

  const TskFrameInput frame = provider_->FrameInput();
  const TRect min = provider_->MDIButtons[0].Rect, restore = provider_->MDIButtons[1].Rect,
              close = provider_->MDIButtons[2].Rect;
  const Integer w = provider_->MDIButtonWidth();
  EXPECT_EQ(close.Right, FrameCacheWidth(frame) - FrameSysBorderWidth(frame, true) - 1);
  EXPECT_EQ(restore.Right, close.Left - 1);
  EXPECT_EQ(min.Right, restore.Left - 1);
  for (const TRect& r : {min, restore, close}) {
    EXPECT_EQ(r.Width(), w);
    EXPECT_EQ(r.Height(), provider_->MDIButtonHeight());
    EXPECT_GE(r.Top, FrameTitleBottom(frame));  // on the menu line
    EXPECT_LE(r.Bottom, FrameClientOffsetY(frame));
  }
  RECT outer{};
  GetWindowRect(form_->Handle(), &outer);
  const auto at = [&](const TRect& r) {
    return MAKELPARAM(outer.left + (r.Left + r.Right) / 2, outer.top + (r.Top + r.Bottom) / 2);
  };
  EXPECT_EQ(SendMessageW(form_->Handle(), WM_NCHITTEST, 0, at(min)), 103);
  EXPECT_EQ(SendMessageW(form_->Handle(), WM_NCHITTEST, 0, at(restore)), 102);
  EXPECT_EQ(SendMessageW(form_->Handle(), WM_NCHITTEST, 0, at(close)), 101);
  EXPECT_NE(SendMessageW(form_->Handle(), WM_NCHITTEST, 0, at(recorder_.calls[0].rect)), 101);

  const auto click = [&](WPARAM code, const TRect& r) {
    SendMessageW(form_->Handle(), WM_NCLBUTTONDOWN, code, at(r));
    SendMessageW(form_->Handle(), WM_NCLBUTTONUP, code, at(r));
  };
  // A release without its press does nothing.
  SendMessageW(form_->Handle(), WM_NCLBUTTONUP, 102, at(restore));
  EXPECT_TRUE(IsZoomed(child->Handle()));
  click(102, restore);
  EXPECT_FALSE(IsZoomed(child->Handle()));
  EXPECT_FALSE(IsIconic(child->Handle()));
  EXPECT_EQ(provider_->MaximizedMDIChild(), nullptr);
  EXPECT_EQ(SendMessageW(form_->Handle(), WM_NCHITTEST, 0, at(close)) == 101, false);  // no buttons now
  maximize();
  click(103, min);
  EXPECT_TRUE(IsIconic(child->Handle()));
  maximize();
  click(101, close);
  EXPECT_EQ(closes, 1);
}

TEST_F(MenuLineTest, AMenuItemRepaintedAloneLandsInTheCacheAndOnTheWindow) {
  MakeForm(false);
  TMenuItem* file = AddItem(menu_, "File", 0, &recorder_);
  AddItem(menu_, "Help", 0, &recorder_);
  Skin();
  Paint();
  const TRect rect = recorder_.calls[0].rect;
  recorder_.calls.clear();
  recorder_.color = clLime;
  provider_->RepaintMenuItem(file, rect, TOwnerDrawState{odSelected});
  ASSERT_EQ(recorder_.Captions(), (Strings{"File"}));
  EXPECT_EQ(recorder_.calls[0].rect, rect);
  EXPECT_EQ(recorder_.calls[0].state, TOwnerDrawState{odSelected});
  const TPoint mid{(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
  EXPECT_EQ(PixelOf(*provider_->SkinData().CacheBitmap, mid.X, mid.Y) & 0xFFFFFF, 0x00FF00u);
  const HDC dc = GetWindowDC(form_->Handle());
  EXPECT_EQ(GetPixel(dc, mid.X, mid.Y), RGB(0, 255, 0));
  EXPECT_NE(GetPixel(dc, rect.Right + 10, mid.Y), RGB(0, 255, 0));  // the next item stays as it was
  ReleaseDC(form_->Handle(), dc);
  // An item that is not on the form's bar is not painted there.
  auto* sub = New<TMenuItem>(form_);
  sub->SetCaption("Open");
  recorder_.Attach(sub);
  file->Add(sub);
  recorder_.calls.clear();
  provider_->RepaintMenuItem(sub, rect, TOwnerDrawState{});
  EXPECT_TRUE(recorder_.calls.empty());
}

namespace {

// A skinned MDI frame whose children have providers of their own.
class MDIFrameTest : public MenuLineTest {
 protected:
  // The frame's pending painting done.
  void Settle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    UpdateWindow(form_->Handle());
  }
  TForm* SkinnedChild(const char* caption, std::initializer_list<std::pair<const char*, Integer>> items) {
    TForm* child = Child(caption, items);
    child->HandleNeeded();
    New<TsSkinProvider>(child);
    return child;
  }
};

}  // namespace

TEST_F(MDIFrameTest, AChildsSystemCommandsRepaintTheFramesMenuLineWithItsButtons) {
  MakeForm(true);
  AddItem(menu_, "File", 0, &recorder_);
  Skin();
  TForm* first = SkinnedChild("First", {{"First edit", 1}});
  TForm* second = SkinnedChild("Second", {{"Second edit", 1}});
  Paint();
  ASSERT_EQ(form_->ActiveMDIChild(), second);
  EXPECT_TRUE(provider_->MDIButtons[2].Rect.IsEmpty());
  // Activating a child repaints the frame's line with that child's merged items.
  childRecorder_.calls.clear();
  first->BringToFront();
  ASSERT_EQ(form_->ActiveMDIChild(), first);
  EXPECT_EQ(ActiveMDIChildProvider, FormProvider(first));
  ASSERT_FALSE(childRecorder_.calls.empty());
  EXPECT_EQ(childRecorder_.calls.back().caption, "First edit");
  second->BringToFront();
  ASSERT_EQ(form_->ActiveMDIChild(), second);

  // Maximizing the child repaints the frame at once: the child's icon first, then File, and the buttons.
  recorder_.calls.clear();
  SendMessageW(second->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(IsZoomed(second->Handle()));
  EXPECT_TRUE(IsWindowVisible(second->Handle()));
  EXPECT_EQ(ActiveMDIChildProvider, FormProvider(second));
  ASSERT_FALSE(recorder_.calls.empty());
  EXPECT_EQ(recorder_.calls.back().rect, BarRect(1));
  EXPECT_FALSE(provider_->MDIButtons[2].Rect.IsEmpty());
  // The maximized child covers its sibling: the sibling's frame is not painted meanwhile.
  TsSkinProvider* firstProvider = FormProvider(first);
  ASSERT_NE(firstProvider, nullptr);
  firstProvider->SkinData().BackgroundDirty = true;
  SendMessageW(first->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_TRUE(firstProvider->SkinData().BackgroundDirty);
  {
    // Nor does it print itself.
    TBitmap print;
    print.SetPixelFormat(pf32bit);
    print.SetSize(first->Width(), first->Height());
    print.Canvas().Brush().SetColor(clLime);
    print.Canvas().FillRect(TRect{0, 0, print.Width(), print.Height()});
    SendMessageW(first->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(print.Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
    GdiFlush();
    EXPECT_EQ(PixelOf(print, print.Width() / 2, 5) & 0xFFFFFF, 0x00FF00u);
  }
  // The line is marked to be measured again; the frame's next update paints it.
  EXPECT_TRUE(provider_->MenuLineDirty);
  Settle();
  EXPECT_FALSE(provider_->MenuLineDirty);
  // Its title is the frame's: a new text repaints the frame (and leaves no caption form behind).
  recorder_.calls.clear();
  second->SetCaption("Second renamed");
  ASSERT_FALSE(recorder_.calls.empty());
  for (const std::string& caption : recorder_.Captions()) EXPECT_EQ(caption, "File");
  EXPECT_EQ(provider_->CaptFormHandle(), nullptr);

  // The other child activated takes over the maximized state and the buttons stay.
  recorder_.calls.clear();
  first->BringToFront();
  ASSERT_EQ(form_->ActiveMDIChild(), first);
  EXPECT_EQ(ActiveMDIChildProvider, FormProvider(first));
  EXPECT_EQ(provider_->MaximizedMDIChild(), first);
  provider_->SkinData().BackgroundDirty = true;
  SendMessageW(form_->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_FALSE(provider_->MDIButtons[2].Rect.IsEmpty());

  // Restored: the bar loses the icon and the buttons.
  recorder_.calls.clear();
  SendMessageW(first->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(first->Handle()));
  EXPECT_FALSE(IsZoomed(second->Handle()));
  ASSERT_FALSE(recorder_.calls.empty());
  EXPECT_EQ(recorder_.calls.back().rect, BarRect(0));
  EXPECT_TRUE(provider_->MDIButtons[2].Rect.IsEmpty());
  // The child draws its own frame without the system's menu style.
  EXPECT_EQ(GetWindowLongPtrW(first->Handle(), GWL_STYLE) & WS_SYSMENU, 0);

  // Minimized: the frame's line is painted again.
  Settle();
  recorder_.calls.clear();
  SendMessageW(first->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(first->Handle()));
  EXPECT_FALSE(recorder_.calls.empty());
  Settle();
  EXPECT_FALSE(provider_->MenuLineDirty);
  EXPECT_TRUE(provider_->MDIButtons[2].Rect.IsEmpty());
}

namespace {

// Looks at the frame's picture after every message that a child coming up maximized gets while its
// window is being shown (the messages come back through a thread hook).
struct TShowingProbe {
  TsSkinProvider* frame = nullptr;
  TForm* child = nullptr;
  std::vector<bool> painted;
};
TShowingProbe* gShowing = nullptr;

LRESULT CALLBACK PaintWhileShowing(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  TShowingProbe* probe = gShowing;
  if (code == HC_ACTION && probe != nullptr && probe->child->HandleAllocated() && sent->hwnd == probe->child->Handle() &&
      probe->child->FormState().Contains(fsShowing) && probe->frame->MaximizedMDIChild() == probe->child) {
    probe->frame->MenuLineDirty = true;
    probe->frame->SkinData().BackgroundDirty = true;
    probe->painted.push_back(probe->frame->PaintFormFrame());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(MDIFrameTest, TheFramesPictureWaitsWhileAMaximizedChildIsComingUp) {
  MakeForm(true);
  AddItem(menu_, "File", 0, &recorder_);
  Skin();
  SkinnedChild("Before", {});
  Paint();
  auto* child = New<TForm>(nullptr);
  children_.push_back(child);
  child->SetFormStyle(fsMDIChild);
  child->SetBounds(10, 10, 160, 100);
  child->SetWindowState(wsMaximized);
  TShowingProbe probe{provider_, child, {}};
  gShowing = &probe;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, PaintWhileShowing, nullptr, GetCurrentThreadId());
  child->Show();
  UnhookWindowsHookEx(hook);
  gShowing = nullptr;
  ASSERT_TRUE(IsZoomed(child->Handle()));
  ASSERT_FALSE(probe.painted.empty());
  for (bool painted : probe.painted) EXPECT_FALSE(painted);
  // Once shown the picture is painted again, with the child's buttons.
  provider_->SkinData().BackgroundDirty = true;
  EXPECT_TRUE(provider_->PaintFormFrame());
  EXPECT_FALSE(provider_->MenuLineDirty);
  EXPECT_FALSE(provider_->MDIButtons[2].Rect.IsEmpty());
}

namespace {

// The menu loop of the test below: a timer inside the loop looks at the frame and then presses keys
// that choose the first item of the bar's second entry; a second timer ends a loop that goes wrong.
struct TMenuLoopProbe {
  TsSkinProvider* provider = nullptr;
  bool ran = false;
  bool inLoop = false;
  HWND helper = nullptr;
  bool helperVisible = false;
  RECT helperRect{};
  COLORREF helperPixel = CLR_INVALID;
  Cardinal cachePixel = 0;
  TPoint probePoint;  // in the helper window
  TPoint cachePoint;  // the same place in the frame's picture
};
TMenuLoopProbe gProbe;

void CALLBACK ProbeMenuLoop(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  gProbe.ran = true;
  gProbe.inLoop = gProbe.provider->MDIMenuLoop;
  gProbe.helper = gProbe.provider->MDIIconsHandle();
  if (gProbe.helper != nullptr) {
    gProbe.helperVisible = IsWindowVisible(gProbe.helper) != FALSE;
    GetWindowRect(gProbe.helper, &gProbe.helperRect);
    // Shown without redrawing, it keeps what the screen showed; painted, it copies the picture.
    InvalidateRect(gProbe.helper, nullptr, FALSE);
    UpdateWindow(gProbe.helper);
    gProbe.cachePixel = PixelOf(*gProbe.provider->SkinData().CacheBitmap, gProbe.cachePoint.X, gProbe.cachePoint.Y);
    const HDC dc = GetWindowDC(gProbe.helper);
    gProbe.helperPixel = GetPixel(dc, gProbe.probePoint.X, gProbe.probePoint.Y);
    ReleaseDC(gProbe.helper, dc);
  }
  // Past the child's icon to the first item, open it, choose its first entry.
  for (WPARAM key : {VK_RIGHT, VK_DOWN, VK_RETURN}) PostMessageW(window, WM_KEYDOWN, key, 0);
}

void CALLBACK EndStuckMenuLoop(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  EndMenu();
}

}  // namespace

TEST_F(MDIFrameTest, AMenuOpenedOnTheSkinnedLineChoosesItsItemWhileTheHelperShowsTheChildsButtons) {
  MakeForm(true);
  TMenuItem* file = AddItem(menu_, "&File", 0, &recorder_);
  int chosen = 0;
  auto* fresh = New<TMenuItem>(form_);
  fresh->SetCaption("&New");
  fresh->OnClick = [&](TObject*) { ++chosen; };
  file->Add(fresh);
  Skin();
  TForm* child = SkinnedChild("Doc", {});
  SendMessageW(child->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_EQ(provider_->MaximizedMDIChild(), child);
  Paint();
  // The helper shows the line's last 60 pixels: the close button's middle lies there too.
  const TskFrameInput frame = provider_->FrameInput();
  const TRect close = provider_->MDIButtons[2].Rect;
  ASSERT_FALSE(close.IsEmpty());
  const Integer lineEnd = FrameCacheWidth(frame) - FrameSysBorderWidth(frame, true);
  const TPoint mid{(close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2};
  gProbe = TMenuLoopProbe{};
  gProbe.provider = provider_;
  gProbe.probePoint = TPoint{mid.X - (lineEnd - 60), mid.Y - FrameTitleBottom(frame)};
  gProbe.cachePoint = mid;

  const HWND window = form_->Handle();
  SetTimer(window, 1, 20, ProbeMenuLoop);
  SetTimer(window, 2, 3000, EndStuckMenuLoop);
  SendMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
  KillTimer(window, 2);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

  ASSERT_TRUE(gProbe.ran);
  EXPECT_TRUE(gProbe.inLoop);
  ASSERT_NE(gProbe.helper, nullptr);
  EXPECT_TRUE(gProbe.helperVisible);
  RECT outer{};
  GetWindowRect(window, &outer);
  const Integer f = provider_->SysBorderWidth();
  EXPECT_EQ(gProbe.helperRect.left, outer.right - f - 60);
  EXPECT_EQ(gProbe.helperRect.top, outer.top + f + provider_->CaptionHeight(true));
  EXPECT_EQ(gProbe.helperRect.right - gProbe.helperRect.left, 60);
  EXPECT_EQ(gProbe.helperRect.bottom - gProbe.helperRect.top, GetSystemMetrics(SM_CYMENU) + 3);
  // COLORREF is 0x00BBGGRR, the cache's pixels 0x00RRGGBB.
  const Cardinal expected = gProbe.cachePixel & 0xFFFFFF;
  EXPECT_EQ(gProbe.helperPixel, RGB(GetBValue(expected), GetGValue(expected), GetRValue(expected)));
  EXPECT_EQ(chosen, 1);
  EXPECT_FALSE(provider_->MDIMenuLoop);
  EXPECT_EQ(provider_->MDIIconsHandle(), nullptr);
  EXPECT_FALSE(IsWindow(gProbe.helper));
}
