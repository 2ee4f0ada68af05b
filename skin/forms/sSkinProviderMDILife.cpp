// A skinned MDI frame and its children over time: a child's activation, destruction, showing and system
// commands make the frame paint its menu line again (a maximized child puts its icon and buttons there),
// and during the frame's menu loop a small helper form keeps the maximized child's buttons on the screen
// over the bar that the system draws meanwhile.
#include <algorithm>

#include "skin/forms/sSkinProvider.h"
#include "skin/manager/sMDIForm.h"
#include "skin/manager/sMessages.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"

TsSkinProvider* ActiveMDIChildProvider = nullptr;

namespace {

constexpr Integer kMenuLineEndWidth = 60;  // the piece of the menu line that the helper form shows
constexpr Integer kHelperFormTag = -98;    // the library's own helper forms are never skinned

Integer MenuLineEndHeight() { return GetSystemMetrics(SM_CYMENU) + 3; }

bool Zoomed(TCustomForm* form) { return form != nullptr && form->HandleAllocated() && IsZoomed(form->Handle()); }

// The frame's menu line is measured and painted again.
void MarkFrameMenuLine(TsSkinProvider& frame) {
  frame.SkinData().BackgroundDirty = true;
  frame.MenuLineDirty = true;
  frame.MenuRowCount = -1;
}

}  // namespace

void RefreshMDIFrame(bool withBorder) {
  TsSkinProvider* frame = MDIFrameProvider;
  if (frame == nullptr || frame->Form == nullptr || !frame->Form->HandleAllocated()) return;
  const HWND window = frame->Form->Handle();
  if (!frame->DrawNonClientArea()) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    return;
  }
  TsCommonData& data = frame->SkinData();
  data.BeginUpdate();
  try {
    if (frame->MDIHelper != nullptr) frame->MDIHelper->RefreshProviderFrame();
  } catch (...) {
    data.EndUpdate(false);
    throw;
  }
  frame->CaptionGlow[0].reset();
  frame->CaptionGlow[1].reset();
  MarkFrameMenuLine(*frame);
  data.EndUpdate(false);
  if (const HWND client = frame->Form->ClientHandle())
    RedrawWindow(client, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME | (withBorder ? RDW_UPDATENOW : 0));
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  if (withBorder && frame->BorderForm != nullptr) frame->BorderForm->UpdateExBorders(true, 255);
}

bool TsSkinProvider::MDIMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_MDIACTIVATE:
    case WM_MDIDESTROY:
      if (Form->FormStyle() != fsMDIChild) return false;
      CallSavedProc(message);
      if (MDIFrameProvider != nullptr && MDIFrameProvider->Form != nullptr && MDIFrameProvider->Form->HandleAllocated()) {
        TsSkinProvider& frame = *MDIFrameProvider;
        if (Zoomed(Form)) {
          frame.SkinData().BackgroundDirty = true;
          SendMessageW(frame.Form->Handle(), WM_NCPAINT, 1, 0);
          RefreshMDIFrame(false);
        } else {
          MarkFrameMenuLine(frame);
          SendMessageW(frame.Form->Handle(), WM_NCPAINT, 1, 0);
        }
      }
      ActiveMDIChildProvider = this;
      return true;
    case WM_CHILDACTIVATE:
      CallSavedProc(message);
      MenuLineDirty = true;
      if (MDIFrameProvider != nullptr && MDIFrameProvider->Form != nullptr) {
        TCustomForm* active = MDIFrameProvider->Form->ActiveMDIChild();
        if (Zoomed(active)) {
          if (MDIFrameProvider->MDIHelper != nullptr) MDIFrameProvider->MDIHelper->RefreshProviderFrame();
        } else if (active != nullptr && Form->FormStyle() == fsMDIChild) {
          SetSysMenuStyle(true);  // the system gave the child its system menu style back
        }
      }
      return true;
    case WM_ENTERMENULOOP:
      if (Form->FormStyle() == fsMDIForm && !MDIMenuLoop && MaximizedMDIChild() != nullptr) {
        MDIMenuLoop = true;
        ShowMDIIcons();
      }
      CallSavedProc(message);
      return true;
    case WM_EXITMENULOOP:
      MDIMenuLoop = false;
      if (mdiIcons_) {
        mdiIcons_->SetWindowProc(mdiIconsProc_);
        mdiIcons_.reset();
      }
      CallSavedProc(message);
      return true;
    default:
      return false;
  }
}

bool TsSkinProvider::CoveredByMaximizedSibling() const {
  if (Form == nullptr || Form->FormStyle() != fsMDIChild || MDIFrameProvider == nullptr) return false;
  const TCustomForm* maximized = MDIFrameProvider->MaximizedMDIChild();
  return maximized != nullptr && maximized != Form;
}

void TsSkinProvider::RefreshFrameOfChild() {
  if (Form->FormStyle() != fsMDIChild || MDIFrameProvider == nullptr || MDIFrameProvider->Form == nullptr ||
      !Form->HandleAllocated() || !IsWindowVisible(Form->Handle()) ||
      (GetWindowLongPtrW(Form->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD) == 0)
    return;
  TsSkinProvider& frame = *MDIFrameProvider;
  frame.MenuRowCount = -1;
  if (frame.MDIHelper != nullptr) frame.MDIHelper->RefreshProviderFrame();
  if (!frame.Form->HandleAllocated()) return;
  SendMessageW(frame.Form->Handle(), WM_NCPAINT, 1, 0);
  if (const HWND client = frame.Form->ClientHandle()) SendMessageW(client, WM_NCPAINT, 1, 0);
}

void TsSkinProvider::MDIChildSysCommand(TMessage& message, WPARAM command) {
  const HWND window = Form->Handle();
  switch (command) {
    case SC_RESTORE: {
      CallSavedProc(message);
      if (!Form->HandleAllocated()) return;
      SetSysMenuStyle(true);
      RefreshMDIFrame(true);
      if (SkinSysMenu != nullptr) SkinSysMenu->UpdateItems(false);
      // The siblings show their own frames again; none of them stays maximized.
      TCustomForm* frameForm = MDIFrameProvider != nullptr ? MDIFrameProvider->Form : nullptr;
      for (int i = 0; frameForm != nullptr && i < frameForm->MDIChildCount(); ++i) {
        TCustomForm* sibling = frameForm->MDIChildren(i);
        if (sibling == Form || !sibling->HandleAllocated()) continue;
        if (IsZoomed(sibling->Handle())) ShowWindow(sibling->Handle(), SW_SHOWNOACTIVATE);
        if (TsSkinProvider* provider = FormProvider(sibling)) provider->SkinData().BackgroundDirty = true;
        RedrawWindow(sibling->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      }
      return;
    }
    case SC_MINIMIZE:
    case SC_MAXIMIZE: {
      RefreshMDIFrame(false);
      // The child is maximized unseen: the frame shows it once its menu line holds the child's buttons.
      const bool hide = command == SC_MAXIMIZE && IsWindowVisible(window);
      if (command == SC_MAXIMIZE) ActiveMDIChildProvider = this;
      if (hide) SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) & ~LONG_PTR{WS_VISIBLE});
      const auto restore = [&] {
        if (hide && IsWindow(window)) SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_VISIBLE);
      };
      try {
        CallSavedProc(message);
      } catch (...) {
        restore();
        throw;
      }
      restore();
      if (hide && IsWindow(window)) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      RefreshMDIFrame(true);
      return;
    }
    default:
      CallSavedProc(message);
      if (Form->HandleAllocated() && IsZoomed(window) && MDIFrameProvider != nullptr &&
          MDIFrameProvider->Form->HandleAllocated()) {
        MarkFrameMenuLine(*MDIFrameProvider);
        SendMessageW(MDIFrameProvider->Form->Handle(), WM_NCPAINT, 1, 0);
      }
      return;
  }
}

// ---- the helper form of the menu loop ----

void TsSkinProvider::ShowMDIIcons() {
  if (!Form->HandleAllocated()) return;
  if (!mdiIcons_) {
    mdiIcons_.reset(New<TForm>(nullptr));
    mdiIcons_->SetName("skMDIIcons");
    mdiIcons_->SetTag(kHelperFormTag);
    mdiIcons_->SetBorderStyle(bsNone);
    mdiIcons_->OnPaint = [this](TObject*) { CopyMenuLineEnd(mdiIcons_.get()); };
    mdiIconsProc_ = mdiIcons_->WindowProc();
    mdiIcons_->SetWindowProc(TWndMethod(this, &TsSkinProvider::MDIIconsWndProc));
  }
  RECT r{};
  GetWindowRect(Form->Handle(), &r);
  const Integer f = SysBorderWidth();
  SetWindowPos(mdiIcons_->Handle(), HWND_TOP, r.right - f - kMenuLineEndWidth, r.top + f + CaptionHeight(true),
               kMenuLineEndWidth, MenuLineEndHeight(), SWP_NOACTIVATE | SWP_NOREDRAW | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
}

void TsSkinProvider::MDIIconsWndProc(TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;  // OnPaint covers it all
    return;
  }
  mdiIconsProc_(message);
}

HWND TsSkinProvider::MDIIconsHandle() const {
  return mdiIcons_ && mdiIcons_->HandleAllocated() ? mdiIcons_->Handle() : nullptr;
}

// The piece is the one under the helper form: the menu line's last 60 pixels inside the frame, below
// the title, in the picture's coordinates.
void TsSkinProvider::CopyMenuLineEnd(TCustomForm* form) {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (form == nullptr || cache == nullptr || Form == nullptr) return;
  const TskFrameInput frame = FrameInput();
  const Integer x = FrameCacheWidth(frame) - FrameSysBorderWidth(frame, true) - frame.Shadow.Right - kMenuLineEndWidth;
  const Integer y = FrameTitleBottom(frame);
  BitBlt(form->Canvas().Handle(), 0, 0, kMenuLineEndWidth, MenuLineEndHeight(), cache->Canvas().Handle(), x, y, SRCCOPY);
}
