// The skinned form's client area and its window messages, under Wine with the built-in skin: the
// client background comes from the provider's cache (or is the form's colour in the plain state) with
// the graphic children over it, WM_PRINT draws the whole form into a bitmap, the form's own procedure
// sees a size change once and never a client print, and a caption form covers the title while the
// system draws its caption for a new text.
#include "skin/forms/sSkinProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/SkinTestBitmaps.h"
#include "skin/SkinTestControls.h"
#include "skin/forms/sFormPlacement.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"

using namespace skintest;

namespace {

// The form's procedure before the provider: it records the messages that reach it, and what it
// finds on the screen when a new text arrives.
class TRecorder {
 public:
  explicit TRecorder(TForm* form) : form_(form) {}
  void WndProc(TMessage& message) {
    messages.push_back(message.Msg);
    if (message.Msg == WM_SETTEXT && onSetText) onSetText();
    form_->WndProc(message);
  }
  TWndMethod Method() { return TWndMethod(this, &TRecorder::WndProc); }
  long Count(UINT msg) const { return std::count(messages.begin(), messages.end(), msg); }

  std::vector<UINT> messages;
  std::function<void()> onSetText;

 private:
  TForm* form_;
};

// A graphic control that paints itself in one colour.
class TSolidGraphic : public TGraphicControl {
 public:
  explicit TSolidGraphic(TComponent* owner) : TGraphicControl(owner) {}
  TColor colour = static_cast<TColor>(0x2040C0);

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(colour);
    Canvas().FillRect(TRect{0, 0, Width(), Height()});
  }
};

class ClientTest : public SkinFixture {
 protected:
  void TearDown() override {
    delete form_;
    form_ = nullptr;
    SkinFixture::TearDown();
  }
  // A visible skinned form with a graphic child and a skinned panel; with a recorder as the procedure
  // that the provider takes over.
  void MakeForm(bool record = false) {
    form_ = New<TForm>(nullptr);
    form_->SetBounds(40, 40, 320, 220);
    form_->SetCaption("Quillnote");
    form_->HandleNeeded();
    graphic_ = New<TSolidGraphic>(form_);
    graphic_->SetBounds(10, 10, 30, 20);
    graphic_->SetParent(form_);
    panel_ = New<TSkinnedPanel>(form_);
    panel_->SetBounds(200, 100, 60, 40);
    panel_->SetParent(form_);
    if (record) {
      recorder_ = std::make_unique<TRecorder>(form_);
      form_->SetWindowProc(recorder_->Method());
    }
    provider_ = New<TsSkinProvider>(form_);
    form_->SetVisible(true);
    UpdateWindow(form_->Handle());
    guitest::Pump();
  }
  // The form printed into a 32-bit bitmap of its size.
  std::unique_ptr<TBitmap> Print() {
    auto out = Filled(form_->Width(), form_->Height(), 0xFF010203);
    SendMessageW(form_->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(out->Canvas().Handle()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    GdiFlush();
    return out;
  }
  Cardinal WindowPixel(Integer x, Integer y) const {
    const HDC dc = GetWindowDC(form_->Handle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(form_->Handle(), dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  static Cardinal Rgb(TColor c) {
    const auto v = static_cast<Cardinal>(c);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
  }
  TBitmap& Cache() { return *provider_->SkinData().CacheBitmap; }
  // A client point away from the children, in window coordinates.
  TPoint ClientPoint() const { return TPoint{provider_->ClientOffsetX() + 120, provider_->ClientOffsetY() + 60}; }
  TPoint GraphicPoint() const { return TPoint{provider_->ClientOffsetX() + 20, provider_->ClientOffsetY() + 15}; }

  TForm* form_ = nullptr;
  TSolidGraphic* graphic_ = nullptr;
  TSkinnedPanel* panel_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::unique_ptr<TRecorder> recorder_;
};

TEST_F(ClientTest, APrintHoldsTheCachesFrameAndTheClientWithItsGraphicChildrenInBothStates) {
  MakeForm();
  ASSERT_TRUE(provider_->FormSkinned());
  for (const bool plain : {false, true}) {
    SCOPED_TRACE(plain ? "plain" : "section");
    if (plain) {
      provider_->SkinData().StateBits |= ssPlainBackground;
    } else {
      provider_->SkinData().StateBits &= static_cast<Word>(~ssPlainBackground);
    }
    provider_->SkinData().BackgroundDirty = true;
    const auto print = Print();
    ASSERT_TRUE(provider_->SkinData().CacheBitmap);
    TBitmap& cache = Cache();
    const Integer w = form_->Width(), h = form_->Height();
    // The frame: the title, both sides and the bottom.
    for (const TPoint p : {TPoint{w / 2, 3}, TPoint{1, h / 2}, TPoint{w - 2, h / 2}, TPoint{w / 2, h - 2}})
      EXPECT_EQ(PixelOf(*print, p.X, p.Y) & 0xFFFFFF, PixelOf(cache, p.X, p.Y) & 0xFFFFFF) << p.X << "," << p.Y;
    // The client: the cache's client part, or the form's colour in the plain state.
    const TPoint c = ClientPoint();
    const Cardinal client = plain ? Rgb(provider_->FormColor()) : PixelOf(cache, c.X, c.Y) & 0xFFFFFF;
    EXPECT_EQ(PixelOf(*print, c.X, c.Y) & 0xFFFFFF, client);
    const TPoint g = GraphicPoint();
    EXPECT_EQ(PixelOf(*print, g.X, g.Y) & 0xFFFFFF, Rgb(graphic_->colour));
  }
}

TEST_F(ClientTest, TheWindowShowsTheCachesClientPartAndTheChildrenEndTheirUpdateAfterThePainting) {
  MakeForm();
  provider_->SkinData().StateBits &= static_cast<Word>(~ssPlainBackground);
  panel_->commands.clear();
  RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  guitest::Pump();
  ASSERT_TRUE(provider_->SkinData().CacheBitmap);
  const TPoint c = ClientPoint();
  EXPECT_EQ(WindowPixel(c.X, c.Y), PixelOf(Cache(), c.X, c.Y) & 0xFFFFFF);
  const TPoint g = GraphicPoint();
  EXPECT_EQ(WindowPixel(g.X, g.Y), Rgb(graphic_->colour));
  EXPECT_TRUE(panel_->Saw(scParentUpdated));
  // The frame on the screen is the cache's as well.
  EXPECT_EQ(WindowPixel(form_->Width() / 2, 3), PixelOf(Cache(), form_->Width() / 2, 3) & 0xFFFFFF);
}

TEST_F(ClientTest, TheSavedProcedureSeesASizeChangeOnceAndNeverAClientPrint) {
  MakeForm(true);
  recorder_->messages.clear();
  form_->SetBounds(40, 40, 360, 260);
  guitest::Pump();
  EXPECT_EQ(recorder_->Count(WM_SIZE), 1);
  // The frame follows the new size.
  ASSERT_TRUE(provider_->SkinData().CacheBitmap);
  EXPECT_EQ(Cache().Width(), 360);
  EXPECT_EQ(Cache().Height(), 260);
  EXPECT_FALSE(provider_->CacheSizeChanged());
  Print();
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(360, 260);
  SendMessageW(form_->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Canvas().Handle()), PRF_CLIENT);
  EXPECT_EQ(recorder_->Count(WM_PRINTCLIENT), 0);
  EXPECT_EQ(recorder_->Count(WM_PAINT), 0);
}

// A grip mask without images or without rows has no cell: a size change then mends nothing and
// divides by nothing.
TEST_F(ClientTest, ASizeChangeWithAGripMaskOfNoCellStillPassesOnce) {
  const Integer grip = manager_->ConstData.GripImage;
  ASSERT_TRUE(manager_->IsValidMaskIndex(grip));
  struct TCase {
    const char* name;
    Integer imageCount, maskType;
  };
  const TsMaskData original = manager_->ma[static_cast<size_t>(grip)];
  for (const TCase c : {TCase{"whole", original.ImageCount, original.MaskType}, TCase{"no images", 0, original.MaskType},
                        TCase{"no rows", original.ImageCount, -1}}) {
    SCOPED_TRACE(c.name);
    manager_->ma[static_cast<size_t>(grip)].ImageCount = c.imageCount;
    manager_->ma[static_cast<size_t>(grip)].MaskType = c.maskType;
    MakeForm(true);
    provider_->GripMode = gmRightBottom;
    ASSERT_TRUE(provider_->GripVisible());
    recorder_->messages.clear();
    form_->SetBounds(40, 40, 300, 200);
    form_->SetBounds(40, 40, 340, 240);
    guitest::Pump();
    EXPECT_EQ(recorder_->Count(WM_SIZE), 2);
    delete form_;
    form_ = nullptr;
    recorder_.reset();
  }
  manager_->ma[static_cast<size_t>(grip)] = original;
}

TEST_F(ClientTest, ACaptionFormCoversTheTitleWhileTheTextChangesAndGoesAfterwards) {
  MakeForm(true);
  ASSERT_FALSE(provider_->BorderForm);
  RECT title{};
  GetWindowRect(form_->Handle(), &title);
  title.bottom = title.top + FrameTitleAreaHeight(provider_->FrameInput());
  HWND covering = nullptr;
  RECT covered{};
  recorder_->onSetText = [&] {
    covering = provider_->CaptFormHandle();
    if (covering == nullptr) return;
    GetWindowRect(covering, &covered);
    EXPECT_TRUE(IsWindowVisible(covering));
    EXPECT_EQ(GetWindow(covering, GW_HWNDNEXT), form_->Handle()) << "right above the form";
    auto* cover = dynamic_cast<TCustomForm*>(FindControl(covering));
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->Tag(), -98);
  };
  const Integer before = provider_->CaptionTextBounds.Width();
  form_->SetCaption("Quillnote - 2026. december 11., péntek");
  ASSERT_NE(covering, nullptr) << "no caption form during the change";
  EXPECT_TRUE(EqualRect(&covered, &title));
  EXPECT_FALSE(IsWindow(covering));
  EXPECT_EQ(provider_->CaptFormHandle(), nullptr);
  // The frame was painted again with the new, longer caption.
  EXPECT_FALSE(provider_->SkinData().BackgroundDirty);
  EXPECT_GT(provider_->CaptionTextBounds.Width(), before);
  EXPECT_EQ(WindowPixel(form_->Width() / 2, 3), PixelOf(Cache(), form_->Width() / 2, 3) & 0xFFFFFF);
}

TEST_F(ClientTest, RedrawLocksCountAndAnIconChangeRepaintsTheFrame) {
  MakeForm();
  const HWND window = form_->Handle();
  SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  EXPECT_EQ(provider_->RedrawLockCount, 2);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(provider_->RedrawLockCount, 0);
  // A mark in the title is painted over by the frame repaint of a new icon.
  const int x = form_->Width() / 2;
  HDC dc = GetWindowDC(window);
  SetPixel(dc, x, 3, RGB(1, 2, 3));
  ReleaseDC(window, dc);
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconW(nullptr, IDI_APPLICATION)));
  EXPECT_EQ(WindowPixel(x, 3), PixelOf(Cache(), x, 3) & 0xFFFFFF);
  EXPECT_NE(WindowPixel(x, 3), 0x010203u);
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST(FormWorkArea, AStayOnTopFormTakesTheMonitorsBoundsAndAnyOtherItsWorkArea) {
  const TskMonitorAreas areas{TRect{0, 0, 1600, 900}, TRect{0, 0, 1600, 860}};
  TskMonitorSource previous = SetMonitorSource([&](HWND) { return areas; });
  std::unique_ptr<TForm> form(New<TForm>(nullptr));
  EXPECT_EQ(FormWorkArea(form.get()), areas.WorkArea);
  form->SetFormStyle(fsStayOnTop);
  EXPECT_EQ(FormWorkArea(form.get()), areas.Bounds);
  SetMonitorSource(std::move(previous));
  // The system's own answer: a work area inside the screen.
  const TRect system = FormWorkArea(form.get());
  EXPECT_GT(system.Width(), 0);
  EXPECT_GT(system.Height(), 0);
}

// A window titled as the skin editor that answers its notice with `answer` and counts the notices.
class TEditorWindow {
 public:
  explicit TEditorWindow(LRESULT answer) : answer_(answer) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = Proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"QnEditorProbe";
    RegisterClassW(&cls);
    window_ = CreateWindowW(L"QnEditorProbe", kSkinEditorTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            cls.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TEditorWindow() { DestroyWindow(window_); }
  int notices = 0;
  LPARAM shown = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TEditorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg == 0xA400 && wParam == 3 && self != nullptr) {
      ++self->notices;
      self->shown = lParam;
      return self->answer_;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  LRESULT answer_;
  HWND window_ = nullptr;
};

// The preview's state as the program starts with "/skpreview", put back afterwards.
struct TPreviewRun {
  TPreviewRun() {
    PreviewFlag = true;
    PreviewedWindow = nullptr;
  }
  ~TPreviewRun() {
    PreviewFlag = false;
    PreviewedWindow = nullptr;
  }
};

TEST(SkinEditor, TheEditorIsToldOnceUntilItAnswersAndAHungEditorHoldsTheProgramOnlyASecond) {
  const HWND shownWindow = GetDesktopWindow();  // any window stands for the previewed form
  struct TCase {
    LRESULT answer;
    int notices;
  };
  for (const TCase c : {TCase{1, 1}, TCase{0, 101}}) {
    TPreviewRun preview;
    TEditorWindow editor(c.answer);
    NotifySkinEditor(shownWindow);
    EXPECT_EQ(editor.notices, c.notices);
    EXPECT_EQ(editor.shown, reinterpret_cast<LPARAM>(shownWindow));
    EXPECT_EQ(PreviewedWindow, shownWindow);
    EXPECT_FALSE(PreviewFlag);
    NotifySkinEditor(shownWindow);  // told once only
    EXPECT_EQ(editor.notices, c.notices);
  }
  // An editor whose thread never takes its messages.
  TPreviewRun preview;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread hung([&] {
    TEditorWindow editor(1);
    SetEvent(ready);
    WaitForSingleObject(release, 10000);
  });
  WaitForSingleObject(ready, 5000);
  const auto start = std::chrono::steady_clock::now();
  NotifySkinEditor(shownWindow);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(waited, std::chrono::milliseconds(3 * kSkinEditorTimeoutMs));
  EXPECT_EQ(PreviewedWindow, shownWindow);
  SetEvent(release);
  hung.join();
  CloseHandle(ready);
  CloseHandle(release);
}

}  // namespace
