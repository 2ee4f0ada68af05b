// The adapter of a skinned MDI frame's client window, under Wine with the built-in skin: the client
// shows "MDIAREA" behind two children, keeps its own background while a child is maximized, answers
// the scroll commands so that a thumb drag is its own, and moves the children 8 pixels a unit; it goes
// with the frame's skin.
#include "skin/adapters/skSBMDIWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/SkinFixture.h"
#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMDIForm.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/GuiTestSupport.h"
#include "vcl/gui/MainMenu.h"

using namespace skintest;

namespace {

class MDIClient : public SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    frame_ = MakeFrame();
    frame_->SetBounds(40, 40, 440, 320);
    auto* menu = New<TMainMenu>(frame_);
    auto* file = New<TMenuItem>(frame_);
    file->SetCaption("File");
    menu->Items()->Add(file);
    frame_->SetMenu(menu);
    frame_->SetFormStyle(fsMDIForm);
    frame_->HandleNeeded();
    provider_ = New<TsSkinProvider>(frame_);
    frame_->Show();
    for (const char* caption : {"First", "Second"}) {
      auto* child = New<TForm>(nullptr);
      child->SetCaption(caption);
      child->SetFormStyle(fsMDIChild);
      child->SetBounds(10 + 20 * static_cast<Integer>(children_.size()), 10, 120, 80);
      child->Show();
      children_.push_back(child);
    }
    guitest::Pump();
    client_ = frame_->ClientHandle();
  }
  void TearDown() override {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) delete *it;
    delete frame_;
    SkinFixture::TearDown();
  }
  virtual TForm* MakeFrame() { return New<TForm>(nullptr); }
  TskMDIWnd* Adapter() const { return dynamic_cast<TskMDIWnd*>(FindAdapter(client_)); }
  COLORREF AreaColor() const { return ColorToRGB(SectionData("MDIAREA").Props[0].Color); }
  // What WM_ERASEBKGND leaves in a client-sized memory DC that starts in a colour of its own, at a point
  // no child covers.
  COLORREF ErasedColor() {
    RECT r{};
    GetClientRect(client_, &r);
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const HBRUSH sentinel = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &r, sentinel);
    DeleteObject(sentinel);
    EXPECT_EQ(SendMessageW(client_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    const COLORREF color = GetPixel(dc, r.right - 10, r.bottom - 10);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return color;
  }
  Integer ChildTop(TForm* child) const {
    RECT r{};
    GetWindowRect(child->Handle(), &r);
    POINT p{r.left, r.top};
    ScreenToClient(client_, &p);
    return p.y;
  }

  TForm* frame_ = nullptr;
  TsSkinProvider* provider_ = nullptr;
  std::vector<TForm*> children_;
  HWND client_ = nullptr;
};

// The frame is the application's main form (an application of the test's own, made before the manager).
class MDIMainFrame : public MDIClient {
 protected:
  TForm* MakeFrame() override {
    TForm* frame = nullptr;
    app_->CreateForm(frame);
    return frame;
  }
  guitest::FreshApplication app_;
};

}  // namespace

TEST_F(MDIClient, TheClientShowsMDIAreaBehindTheChildrenAndItsOwnBackgroundBehindAMaximizedOne) {
  ASSERT_NE(client_, nullptr);
  TskMDIWnd* adapter = Adapter();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->Provider, provider_);
  EXPECT_EQ(adapter->MDIForm, frame_);
  EXPECT_EQ(provider_->MDIHelper->ClientAdapter(), adapter);
  EXPECT_EQ(SendSkinCommand(client_, scIsSkinned), 1);
  ASSERT_NE(AreaColor(), RGB(1, 2, 3));
  EXPECT_EQ(ErasedColor(), AreaColor());

  // On the screen too, below the children.
  RedrawWindow(client_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT r{};
  GetClientRect(client_, &r);
  const HDC dc = GetDC(client_);
  EXPECT_EQ(GetPixel(dc, r.right - 10, r.bottom - 10), AreaColor());
  ReleaseDC(client_, dc);

  // The client edge is the frame's picture at the client's place.
  RECT clientRect{}, formRect{};
  GetWindowRect(client_, &clientRect);
  GetWindowRect(frame_->Handle(), &formRect);
  ASSERT_NE(GetWindowLongPtrW(client_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  TBitmap& picture = *provider_->SkinData().CacheBitmap;
  const HDC windowDC = GetWindowDC(client_);
  const RECT whole{0, 0, clientRect.right - clientRect.left, clientRect.bottom - clientRect.top};
  const HBRUSH sentinel = CreateSolidBrush(RGB(1, 2, 3));
  FillRect(windowDC, &whole, sentinel);
  DeleteObject(sentinel);
  SendMessageW(client_, WM_NCPAINT, 1, 0);
  const Integer dx = clientRect.left - formRect.left, dy = clientRect.top - formRect.top;
  for (const POINT p : {POINT{0, 0}, POINT{1, 40}, POINT{60, 1}, POINT{0, clientRect.bottom - clientRect.top - 1}}) {
    const Cardinal expected = static_cast<const Cardinal*>(picture.ScanLine(dy + p.y))[dx + p.x] & 0xFFFFFF;
    const COLORREF shown = GetPixel(windowDC, p.x, p.y);
    EXPECT_EQ((GetRValue(shown) << 16) | (GetGValue(shown) << 8) | GetBValue(shown), expected) << p.x << "," << p.y;
  }
  ReleaseDC(client_, windowDC);

  ShowWindow(children_[1]->Handle(), SW_MAXIMIZE);
  guitest::Pump();
  ASSERT_TRUE(IsZoomed(children_[1]->Handle()));
  const COLORREF own = ErasedColor();
  EXPECT_NE(own, AreaColor());
  EXPECT_EQ(own, GetSysColor(COLOR_APPWORKSPACE));
  ShowWindow(children_[1]->Handle(), SW_RESTORE);
  guitest::Pump();
  EXPECT_EQ(ErasedColor(), AreaColor());

  // The skin goes: the companion frees the adapter and the client paints as the system does.
  delete provider_;
  provider_ = nullptr;
  EXPECT_EQ(FindAdapter(client_), nullptr);
  EXPECT_EQ(ErasedColor(), GetSysColor(COLOR_APPWORKSPACE));
}

TEST_F(MDIClient, AThumbDragIsTheClientsOwnAndMovesTheChildrenEightPixelsAUnit) {
  ASSERT_NE(Adapter(), nullptr);
  // The scroll commands: the thumb's codes answer 1 (the position comes in lParam), others 0.
  const struct {
    WORD code;
    LRESULT answer;
  } commands[] = {{SB_THUMBTRACK, 1}, {SB_THUMBPOSITION, 1}, {SB_LINEDOWN, 0}, {SB_PAGEUP, 0}, {SB_ENDSCROLL, 0}};
  for (const auto& c : commands)
    EXPECT_EQ(SendSkinCommand(client_, scScrollBegin, MAKELPARAM(c.code, WM_VSCROLL)), c.answer) << c.code;

  // The range the client gives itself when its children reach beyond it.
  TForm* low = children_[0];
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 400;
  info.nPage = 100;
  info.nPos = 10;
  SetScrollInfo(client_, SB_VERT, &info, TRUE);
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(client_, SB_VERT, &info));
  ASSERT_EQ(info.nPos, 10);
  const Integer start = info.nPos;
  const Integer top = ChildTop(low);

  // Tracking moves nothing; the thumb's final position moves the children 8 pixels a unit.
  SendScrollMsg(client_, WM_VSCROLL, SB_THUMBTRACK, start + 3);
  EXPECT_EQ(ChildTop(low), top);
  SendScrollMsg(client_, WM_VSCROLL, SB_THUMBPOSITION, start + 3);
  EXPECT_EQ(ChildTop(low), top - 3 * TskMDIWnd::kScrollStep);
  ASSERT_TRUE(GetScrollInfo(client_, SB_VERT, &info));
  EXPECT_EQ(info.nPos, start + 3);
  SendScrollMsg(client_, WM_VSCROLL, SB_THUMBPOSITION, start + 1);
  EXPECT_EQ(ChildTop(low), top - TskMDIWnd::kScrollStep);
}

TEST_F(MDIClient, ACreateMessageStillMakesTheChild) {
  ASSERT_NE(Adapter(), nullptr);
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefMDIChildProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"QnForeignMDIChild";
  RegisterClassW(&cls);
  MDICREATESTRUCTW create{};
  create.szClass = cls.lpszClassName;
  create.szTitle = L"Foreign";
  create.hOwner = cls.hInstance;
  create.x = create.y = 30;
  create.cx = 150;
  create.cy = 90;
  const auto child = reinterpret_cast<HWND>(SendMessageW(client_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), client_);
  // No form of the program: the top-level skinning leaves it to the system.
  EXPECT_EQ(SendSkinCommand(child, scIsSkinned), 0);
  SendMessageW(client_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
  UnregisterClassW(cls.lpszClassName, cls.hInstance);
}

TEST_F(MDIMainFrame, TheMenuLineShowsTheIconOfAMaximizedChildWithASystemMenuAndAnIcon) {
  ASSERT_EQ(Application->MainForm(), frame_);
  TForm* child = children_[1];
  child->Icon().SetHandle(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
  EXPECT_FALSE(TsSkinableMenus::MaximizedMDIChildHasIcon());
  child->SetWindowState(wsMaximized);
  guitest::Pump();
  ASSERT_EQ(frame_->ActiveMDIChild(), child);
  EXPECT_TRUE(TsSkinableMenus::MaximizedMDIChildHasIcon());
  const TBorderIcons icons = child->BorderIcons();
  child->SetBorderIcons(TBorderIcons{});
  EXPECT_FALSE(TsSkinableMenus::MaximizedMDIChildHasIcon());
  child->SetBorderIcons(icons);
  child->Icon().SetHandle(nullptr);
  EXPECT_FALSE(TsSkinableMenus::MaximizedMDIChildHasIcon());
}

TEST_F(MDIClient, TilingAndANewMenuMarkTheFramesPictureForRepainting) {
  ASSERT_NE(Adapter(), nullptr);
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wParam;
  };
  const Case cases[] = {{"cascade", WM_MDICASCADE, 0}, {"tile", WM_MDITILE, MDITILE_HORIZONTAL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RedrawWindow(frame_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    provider_->HotHitTest = HTCLOSE;
    // A mark in the picture's title: gone once the picture is painted again.
    TBitmap& picture = *provider_->SkinData().CacheBitmap;
    const Integer markY = GetSystemMetrics(SM_CYCAPTION) / 2;
    static_cast<Cardinal*>(picture.ScanLine(markY))[40] = 0x00010203;
    const Integer firstTop = ChildTop(children_[0]);
    const Integer secondTop = ChildTop(children_[1]);
    SendMessageW(client_, c.msg, c.wParam, 0);
    EXPECT_TRUE(ChildTop(children_[0]) != firstTop || ChildTop(children_[1]) != secondTop);  // the client placed them
    EXPECT_EQ(provider_->HotHitTest, -1);
    EXPECT_NE(static_cast<const Cardinal*>(provider_->SkinData().CacheBitmap->ScanLine(markY))[40] & 0xFFFFFF,
              0x010203u);
  }
  // A new menu for the frame: the menu line is counted and painted again.
  provider_->MenuRowCount = 1;
  provider_->MenuLineDirty = false;
  SendMessageW(client_, WM_MDISETMENU, reinterpret_cast<WPARAM>(GetMenu(frame_->Handle())), 0);
  EXPECT_EQ(provider_->MenuRowCount, -1);
  EXPECT_TRUE(provider_->MenuLineDirty);
}
