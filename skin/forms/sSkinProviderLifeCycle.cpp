// The skinned form's life cycle: showing through the show animation, hiding and closing through the
// hide animation, snapping while it moves, the maximized bounds, the skin editor's messages, the system
// menu popup and the outline moving and sizing. Painting, sizing and the title's mouse messages have units
// of their own.
#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDials.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/forms/sAnimSteps.h"
#include "skin/forms/sAnimWindow.h"
#include "skin/forms/sBorderFormGeometry.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sMinTimer.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skGlow.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/rtl/FlagScope.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

// The skin editor's window and its messages.
constexpr UINT kSkinEditorMessage = 0xA400;
constexpr WPARAM kEditorClose = 1, kEditorAsk = 3, kEditorPing = 4;
// Messages a skinned form swallows.
constexpr UINT kSwallowedA = 0xB04C, kSwallowedB = 0xBC4D;
// WM_DWMSENDICONICTHUMBNAIL and WM_DWMSENDICONICLIVEPREVIEWBITMAP.
constexpr UINT kIconicThumbnailRequest = 0x323, kLivePreviewRequest = 0x326;

// A skin transfer runs: a second copy-data message meanwhile (the loader pumps messages) is not taken.
bool gTransferRunning = false;

// SW_PARENTCLOSING and SW_PARENTOPENING as WM_SHOWWINDOW's status.
constexpr LPARAM kParentClosing = 1, kParentOpening = 3;
constexpr WPARAM kExtendedStyle = static_cast<WPARAM>(GWL_EXSTYLE);
// The SetWindowPos flags that put the border window behind the form and change nothing else.
constexpr UINT kBehindOnly = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
// A border window's picture is being reshaped for a shrinking form (the state word's bit 0): the
// mouse's entry does not repaint it meanwhile.
constexpr Cardinal kBorderReshaping = 0x1;

// While the standard system menu is prepared the form's style is WS_VISIBLE off (so that the system
// does not draw its own caption over the skin's for the changes) and WS_SYSMENU on (the system hands
// out the menu only then); the style comes back whatever happens meanwhile.
class TMenuStyleScope {
 public:
  explicit TMenuStyleScope(HWND window) : window_(window), style_(GetWindowLongPtrW(window, GWL_STYLE)) {
    SetWindowLongPtrW(window_, GWL_STYLE, (style_ & ~LONG_PTR{WS_VISIBLE}) | WS_SYSMENU);
  }
  ~TMenuStyleScope() { SetWindowLongPtrW(window_, GWL_STYLE, style_); }
  TMenuStyleScope(const TMenuStyleScope&) = delete;
  TMenuStyleScope& operator=(const TMenuStyleScope&) = delete;

 private:
  HWND window_;
  LONG_PTR style_;
};

// Every visible windowed child of the form stops (or resumes) drawing.
void SetChildrenRedraw(TCustomForm* form, bool on) {
  for (int i = 0; i < form->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(form->Controls(i));
    if (child != nullptr && child->Visible() && child->HandleAllocated())
      SendMessageW(child->Handle(), WM_SETREDRAW, on ? TRUE : FALSE, 0);
  }
}

// The outline of a move or size: one at a time in the process.
struct TOutline {
  bool Resizing = false;
  bool Moving = false;
  bool Cancelled = false;
  HWND Desktop = nullptr;
  HDC DC = nullptr;
  int SavedDC = 0;
  Integer Left = 0, Top = 0, Width = 0, Height = 0;  // the form's bounds at the start
  TPoint Offset;                                     // moving: the mouse point in the form
  Integer Right = 0, Bottom = 0;                     // sizing: the form's right and bottom edges
  Integer Direction = HTBOTTOMRIGHT;                 // sizing: the dragged edge or corner (hit-test code)
  Integer MinWidth = 0, MinHeight = 0;
  bool Drawn = false;
  TRect Last;                                        // the outline on the screen now
};
TOutline gOutline;

// Drawing the same outline twice removes it (R2_NOT).
void InvertOutline(const TRect& r) {
  if (gOutline.DC == nullptr) return;
  const POINT points[5] = {{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1},
                           {r.Left, r.Top}};
  Polyline(gOutline.DC, points, 5);
}

void ShowOutline(const TRect& r) {
  if (gOutline.Drawn) InvertOutline(gOutline.Last);
  InvertOutline(r);
  gOutline.Last = r;
  gOutline.Drawn = true;
}

}  // namespace

bool SessionEnding = false;

void EnableSysMenuItem(UINT command, bool enabled, HMENU menu) {
  EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

Integer TsSkinProvider::MaximizedTitleHeight() const {
  const TsSkinManager* manager = Manager();
  if (manager == nullptr) return 0;
  return manager->SkinData.MaxHeight > 0 ? manager->SkinData.MaxHeight : manager->SkinData.TitleHeight;
}

Integer TsSkinProvider::ExtraTitleHeight() const {
  return std::max<Integer>(0, MaximizedTitleHeight() - (SysCaptionHeight() + 4));
}

bool TsSkinProvider::HideAnimationWanted() const {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || !AllowAnimation || !drawNonClientArea_ || !LayeredWindowsAvailable()) return false;
  const TskFormAnimation& effect = *manager->AnimEffects().FormHide;
  return effect.Active && AnimStepCount(effect.Time) > 0;
}

bool TsSkinProvider::HideAnimationTakesBorder(const TMessage& message) const {
  return message.Msg == WM_SHOWWINDOW && message.WParam == 0 && BorderForm != nullptr && HideAnimationWanted();
}

void TsSkinProvider::GetMinMaxInfo(TMessage& message) {
  CallSavedProc(message);
  auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
  if (info == nullptr || !drawNonClientArea_ || Form->BorderStyle() == bsNone || Form->FormStyle() == fsMDIChild ||
      Form->Parent() != nullptr || !Form->HandleAllocated())
    return;
  const HWND window = Form->Handle();
  const TRect area = FormWorkArea(Form);
  const TRect monitor = MonitorAreasOf(window).Bounds;
  const Integer f = SysBorderWidth();
  Integer e = 0;
  if (BorderForm != nullptr && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
    TallMaxTitle = IsZoomed(window) && SysCaptionHeight() + 4 < MaximizedTitleHeight();
    e = ExtraTitleHeight();
  }
  // The position is the monitor's: a work area off the monitor's corner (a task bar at the top or
  // left) moves it.
  info->ptMaxPosition = POINT{area.Left - monitor.Left - f, area.Top - monitor.Top + e - f};
  info->ptMaxSize = POINT{area.Width() + 2 * f, area.Height() + 2 * f - e};
  message.Result = 0;
}

void TsSkinProvider::ShowSystemMenu(Integer x, Integer y) {
  if (SkinSysMenu == nullptr) InitializeSkin();
  if (SkinSysMenu == nullptr || Form == nullptr || !Form->HandleAllocated()) return;
  const HWND window = Form->Handle();
  if (TsSkinManager* manager = Manager(); manager != nullptr && manager->SkinnedPopups()) {
    SkinSysMenu->UpdateItems(false);
    if (MakeSkinMenu && SkinSysMenu->Items()->Count() > 0) SkinSysMenu->AddSkinItems();
    // Drawn by the skin's menu engine, like every other popup of the program.
    manager->SkinableMenus().HookPopupMenu(SkinSysMenu, true);
    SkinSysMenu->Popup(x, y);
    return;
  }
  const bool zoomed = IsZoomed(window) != 0, iconic = IsIconic(window) != 0;
  const TFormBorderStyle style = Form->BorderStyle();
  const bool sizeable = style == bsSizeable || style == bsSizeToolWin;
  HMENU menu = nullptr;
  {
    TMenuStyleScope scope(window);
    menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr) return;
    EnableSysMenuItem(SC_RESTORE, SkinSysMenu->EnabledRestore(), menu);
    EnableSysMenuItem(SC_MOVE, !zoomed && !iconic, menu);
    EnableSysMenuItem(SC_SIZE, sizeable && !iconic && !zoomed, menu);
    EnableSysMenuItem(SC_MINIMIZE, SkinSysMenu->VisibleMin() && SkinSysMenu->EnabledMin(), menu);
    EnableSysMenuItem(SC_MAXIMIZE, SkinSysMenu->VisibleMax() && SkinSysMenu->EnabledMax(), menu);
    EnableSysMenuItem(SC_CLOSE, SkinSysMenu->VisibleClose(), menu);
  }
  const UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, window, nullptr));
  if (command != 0) PostMessageW(window, WM_SYSCOMMAND, command, 0);
}

bool TsSkinProvider::LifeCycleMessage(TMessage& message) {
  TsSkinManager* manager = Manager();
  const HWND window = Form->HandleAllocated() ? Form->Handle() : nullptr;
  switch (message.Msg) {
    case CM_SHOWINGCHANGED: {
      if (!drawNonClientArea_ && !DrawClientArea) {
        CallSavedProc(message);
        skinData_->SetUpdating(false);
        return true;
      }
      if (!Form->Showing()) {
        if (!HideAnimationWanted()) BorderForm.reset();
        CallSavedProc(message);
        return true;
      }
      if (Form->FormStyle() == fsMDIChild) {
        // A child shows inside its frame's client window, without animation.
        if (controlAdapter_ != nullptr) controlAdapter_->AdaptControls(nullptr);
        CallSavedProc(message);
        return true;
      }
      AnimState &= ~Cardinal{fsAnimHiding};
      if (BorderForm != nullptr) BorderForm->Busy = false;
      // Shown normally again: a kept minimise animation has nothing more to do.
      if (dynamic_cast<TskMinTimer*>(MinMaxTimer.get()) != nullptr && !MinMaxTimer->Busy()) MinMaxTimer.reset();
      if (PreviewFlag && window != nullptr) NotifySkinEditor(window);
      if (controlAdapter_ != nullptr) controlAdapter_->AdaptControls(nullptr);
      const TskFormAnimation& effect = *manager->AnimEffects().FormShow;
      const bool animate = AllowAnimation && Form->Parent() == nullptr && effect.Active && window != PreviewedWindow &&
                           window != nullptr && LayeredWindowsAvailable();
      if (animate) {
        // The form comes up invisible and unpainted; the animation shows its finished picture.
        InAnimation = true;
        InAnimationProcess = true;
        skinData_->SetUpdating(true);
        if ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0) {
          SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
          SetLayeredWindowAttributes(window, 0, 1, LWA_ALPHA);
        }
        SetChildrenRedraw(Form, false);
      } else {
        skinData_->SetUpdating(false);
      }
      try {
        CallSavedProc(message);
      } catch (...) {
        if (animate) {
          SetChildrenRedraw(Form, true);
          RemoveLayeredStyle(window);
          InAnimation = false;
          InAnimationProcess = false;
        }
        throw;
      }
      UpdateScrollAdapter();
      if (!animate) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return true;
      }
      SetChildrenRedraw(Form, true);
      RemoveLayeredStyle(window);
      InAnimation = false;
      const Byte alpha = Form->AlphaBlend() ? Form->AlphaBlendValue() : 255;
      StartFormShowAnimation(*this, effect.Time, alpha, effect.Mode);
      InAnimationProcess = false;
      return true;
    }
    case WM_SHOWWINDOW:
      // The owner reopening the main form is the minimize animation's to show: the form's own state
      // stays as it is.
      if (message.LParam == kParentOpening && Application != nullptr && Application->MainForm() == Form &&
          manager != nullptr && manager->AnimEffects().Minimizing->Active) {
        CallSavedProc(message);
        return true;
      }
      if (message.WParam != 0 && Form->FormStyle() != fsMDIChild) {
        if (BorderForm != nullptr) BorderForm->Busy = false;
        AnimState &= 0x400;
      }
      // The owner closing remembers how the form comes back.
      if (message.LParam == kParentClosing && ShowAction != 0 && window != nullptr)
        ShowAction = IsIconic(window) ? 2 : IsZoomed(window) ? 3 : 1;
      CallSavedProc(message);
      // A maximized child that shows puts its icon and buttons on the frame's menu line.
      if (message.WParam != 0 && Form->FormStyle() == fsMDIChild && window != nullptr && IsZoomed(window))
        RefreshMDIFrame(false);
      // A frame that shows skins the children made before it had its skin.
      if (message.WParam != 0 && Form->FormStyle() == fsMDIForm)
        for (int i = 0; i < Form->MDIChildCount(); ++i) {
          TCustomForm* child = Form->MDIChildren(i);
          if (child->HandleAllocated() && !WindowIsSkinned(child->Handle())) SkinTopLevelWindow(child->Handle());
        }
      return true;
    case WM_CLOSE:
      CallSavedProc(message);
      // The picture the hide animation shows is taken while the form still shows it all.
      if (HideAnimationWanted() && (AnimState & fsAnimHiding) == 0 && window != nullptr && IsWindowVisible(window) &&
          !Form->ComponentState().Contains(csDestroying)) {
        AnimState |= fsAnimHiding;
        if (std::unique_ptr<TBitmap> image = FormAnimationImage(*this)) skinData_->CacheBitmap = std::move(image);
        skinData_->BackgroundDirty = false;
      }
      return true;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
      if (pos != nullptr && window != nullptr) {
        const bool moving = (pos->flags & SWP_NOMOVE) == 0 && (pos->x != 0 || pos->y != 0) && !IsZoomed(window) &&
                            !RegionChanging && !LoadingOrDesigning();
        if (moving && ScreenSnap && FormShowing()) SnapPosition(*pos);
        if (moving && RestoreStretchedBounds(*pos)) {
          message.Result = 0;
          return true;
        }
        ReshapeBorderForSize(*pos);
        if ((pos->flags & SWP_HIDEWINDOW) != 0 && HideAnimationWanted() && (AnimState & fsAnimHiding) == 0 &&
            skinData_->CacheBitmap && !IsIconic(window) && Form->FormStyle() != fsMDIChild && IsWindowVisible(window)) {
          AnimState |= fsAnimHiding;
          if (std::unique_ptr<TBitmap> image = FormAnimationImage(*this)) skinData_->CacheBitmap = std::move(image);
        }
      }
      CallSavedProc(message);
      return true;
    }
    case WM_WINDOWPOSCHANGED: {
      CallSavedProc(message);
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
      if (pos == nullptr || window == nullptr) return true;
      if ((pos->flags & SWP_HIDEWINDOW) != 0) HideAfterWindowPosChanged(*this, message);
      TallMaxTitle = BorderForm != nullptr && IsZoomed(window) && SysCaptionHeight() + 4 < MaximizedTitleHeight();
      return true;
    }
    case WM_GETMINMAXINFO:
      GetMinMaxInfo(message);
      return true;
    case WM_MOVE:
      CloseAllGlowEffects(true);
      CallSavedProc(message);
      return true;
    case WM_SETTINGCHANGE:
      skinData_->BackgroundDirty = true;
      // The taskbar may have moved: a minimise or restore under way flies to where it is now.
      if (auto* timer = dynamic_cast<TskMinTimer*>(MinMaxTimer.get()); timer != nullptr && message.WParam == SPI_SETWORKAREA)
        timer->ComputeTarget();
      CallSavedProc(message);
      return true;
    case kIconicThumbnailRequest:
      // The largest size the system takes: the width in the high word, the height in the low one.
      if (window != nullptr && AeroIsEnabled()) {
        const Integer width = HIWORD(message.LParam), height = LOWORD(message.LParam);
        message.Result = width != 0 && height != 0 && SendIconicThumbnail(window, *this, width, height) ? 1 : 0;
      }
      return true;
    case kLivePreviewRequest:
      if (window != nullptr && AeroIsEnabled()) message.Result = SendIconicLivePreview(window, *this) ? 1 : 0;
      return true;
    case WM_SYSCOLORCHANGE:
      CallSavedProc(message);
      MenuLineDirty = true;
      return true;
    case WM_COPYDATA:
      CallSavedProc(message);
      if (message.Result == 0 && window != nullptr && window == PreviewedWindow && !gTransferRunning &&
          message.LParam != 0 && manager != nullptr) {
        TFlagScope transfer(gTransferRunning);
        manager->ReceiveSkinByCopyData(message);
      }
      return true;
    case kSkinEditorMessage:
      switch (message.WParam) {
        case kEditorClose:
          Form->Close();
          break;
        case kEditorAsk:
          CallSavedProc(message);
          break;
        case kEditorPing:
          message.Result = 1;
          break;
        default:
          break;
      }
      return true;
    case WM_ACTIVATE:
      ActivateMessage(message);
      return true;
    case WM_ACTIVATEAPP:
      CallSavedProc(message);
      if (message.WParam != 0 && manager != nullptr && manager->AnimEffects().Minimizing->Active &&
          (AnimState & fsAnimShowing) == 0) {
        if (BorderForm != nullptr) {
          BorderForm->UpdateExBorders(false, 255);
        } else if (Application != nullptr && Application->MainForm() == Form && window != nullptr && IsIconic(window)) {
          // The application comes back while its main form is still minimized: the form is restored
          // here (no minimize animation holds it).
          Form->SetWindowState(wsNormal);
          InvalidateRect(window, nullptr, TRUE);
          RedrawWindow(window, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        }
      }
      return true;
    case WM_QUERYENDSESSION:
      SessionEnding = true;
      CallSavedProc(message);
      return true;
    case WM_STYLECHANGED:
      CallSavedProc(message);
      StyleChanged(message);
      return true;
    case WM_SIZING:
      CallSavedProc(message);
      if (BorderForm != nullptr) BorderForm->UpdateExBorders(false, 255);
      return true;
    case WM_EXITSIZEMOVE:
      CallSavedProc(message);
      // The foreign dialogs the skin took over repaint now that the form stopped moving over them.
      if (BorderForm != nullptr)
        for (TskHookedWindow* hooked : ProviderList())
          if (auto* provider = dynamic_cast<TskProvider*>(hooked); provider != nullptr && provider->DialogHandle != nullptr)
            SendMessageW(provider->DialogHandle, SkinCommandMessage, SkinCommandWParam(scRepaintNow), 0);
      return true;
    case CM_VISIBLECHANGED: {
      const bool showing = message.WParam != 0;
      if (RunTimeCreated && showing) {
        RunTimeCreated = false;
        PrepareForm();
      }
      CallSavedProc(message);
      if (showing && Form->Parent() != nullptr) {
        EndChildrenUpdate(Form);
      } else if (!showing && !Form->ComponentState().Contains(csDestroying)) {
        // A hidden form's picture is made again when it shows.
        if (skinData_->CacheBitmap) skinData_->CacheBitmap->SetSize(0, 0);
        FreeOwnerButtonEffects();
      }
      return true;
    }
    case CM_MOUSEENTER:
      CallSavedProc(message);
      if (manager != nullptr) manager->SetActiveControl(Form);
      if (BorderForm != nullptr && (AnimState & kBorderReshaping) == 0 && BorderForm->BorderHandle() != nullptr &&
          IsWindowVisible(BorderForm->BorderHandle()))
        BorderForm->UpdateExBorders(false, 255);
      return true;
    case CM_ENABLEDCHANGED:
      CallSavedProc(message);
      if (drawNonClientArea_) {
        skinData_->BackgroundDirty = true;
        SendToSelf(WM_NCPAINT, 1, 0);
      }
      return true;
    case CM_MENUCHANGED:
      if (!Form->FormState().Contains(fsCreating) && window != nullptr && IsWindowVisible(window) && !InAnimation &&
          (skinData_->StateBits & 0x800) == 0) {
        MenuRowCount = -1;
        MenuLineDirty = true;
        skinData_->BackgroundDirty = true;
      }
      CallSavedProc(message);
      return true;
    case kSwallowedA:
    case kSwallowedB:
      message.Result = 0;
      return true;
    default:
      return false;
  }
}

// WM_ACTIVATE: the old procedure first while the form is visible (alone otherwise), then the scroll
// and control adapters when missing; an activation refreshes the system menu's items, and a borderless
// form's children end their updates (no frame painting tells them).
void TsSkinProvider::ActivateMessage(TMessage& message) {
  CallSavedProc(message);
  const HWND window = Form->HandleAllocated() ? Form->Handle() : nullptr;
  if (window == nullptr || !IsWindowVisible(window)) return;
  if (drawNonClientArea_ && ClientScrollAdapter == nullptr) UpdateScrollAdapter();
  if (Form->ControlState().Contains(csCreating)) return;
  if (controlAdapter_ == nullptr) NewControlAdapter();
  MenuRowCount = -1;
  if (LOWORD(message.WParam) != WA_ACTIVE) return;
  TsSkinManager* manager = Manager();
  if (manager != nullptr && !manager->ComponentState().Contains(csDesigning)) {
    MenusHooked = FormSkinned();
    if (SkinSysMenu != nullptr) SkinSysMenu->UpdateItems(false);
  }
  if (Form->BorderStyle() == bsNone) EndChildrenUpdate(Form);
}

// WM_STYLECHANGED, after the old procedure: the system menu follows the new style, the frame shows or
// hides the help button, and a change of the layered style shows in the border window's picture.
void TsSkinProvider::StyleChanged(const TMessage& message) {
  if (SkinSysMenu != nullptr) {
    const bool helpShown = SysButtons[sbHelp].State >= 0;
    SkinSysMenu->UpdateItems(false);
    UpdateTitleLayout();
    if (helpShown != (SysButtons[sbHelp].State >= 0)) {
      skinData_->BackgroundDirty = true;
      RepaintFrame();
    }
  }
  const auto* change = reinterpret_cast<const STYLESTRUCT*>(message.LParam);
  if (message.WParam != kExtendedStyle || change == nullptr || BorderForm == nullptr ||
      (AnimState & (fsBlendMoving | fsAnimShowing | 0x400)) != 0)
    return;
  if (((change->styleOld ^ change->styleNew) & WS_EX_LAYERED) != 0) RepaintThroughBorderWindow(true);
}

// A move of a form that an edge double-click stretched gives it back its bounds along the stretched
// axis (the height with its top); true when the position was changed so.
bool TsSkinProvider::RestoreStretchedBounds(WINDOWPOS& pos) {
  if ((AnimState & (fsWidthStretched | fsHeightStretched)) == 0 || BorderForm == nullptr) return false;
  const TRect& saved = BorderForm->StretchedBounds();
  RECT now{};
  GetWindowRect(Form->Handle(), &now);
  if ((pos.flags & SWP_NOSIZE) != 0) {
    pos.cx = now.right - now.left;
    pos.cy = now.bottom - now.top;
    pos.flags &= ~static_cast<UINT>(SWP_NOSIZE);
  }
  if ((AnimState & fsWidthStretched) != 0) pos.cx = saved.Right - saved.Left;
  if ((AnimState & fsHeightStretched) != 0) {
    pos.y = saved.Top;
    pos.cy = saved.Bottom - saved.Top;
  }
  AnimState &= ~Cardinal{fsWidthStretched | fsHeightStretched};
  return true;
}

// A form with a shown border window shrinking below its last client size: the border window takes the
// region of the new size first and lies behind the form, so that its old frame does not show where the
// form no longer is.
void TsSkinProvider::ReshapeBorderForSize(const WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOSIZE) != 0 || pos.cx == 0 || pos.cy == 0 || BorderForm == nullptr) return;
  const HWND border = BorderForm->BorderHandle();
  const HWND window = Form->Handle();
  if (border == nullptr || !IsWindowVisible(border) || lastClient_.IsEmpty()) return;
  if ((GetWindowLongPtrW(window, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) != 0) return;
  RECT now{}, client{};
  GetWindowRect(window, &now);
  GetClientRect(window, &client);
  const Integer dx = pos.cx - (now.right - now.left), dy = pos.cy - (now.bottom - now.top);
  if (client.right + dx >= lastClient_.Width() && client.bottom + dy >= lastClient_.Height()) return;
  AnimState |= kBorderReshaping;
  BorderForm->SetRegionForSize(dx, dy);
  SetWindowPos(border, window, 0, 0, 0, 0, kBehindOnly);
  AnimState &= ~kBorderReshaping;
}

// The position moves onto the edges of the work area within the snap distance: with a border window
// the form keeps its visible frame inside the area.
void TsSkinProvider::SnapPosition(WINDOWPOS& pos) const {
  const TRect area = FormWorkArea(Form);
  const Integer width = (pos.flags & SWP_NOSIZE) == 0 ? pos.cx : Form->Width();
  const Integer height = (pos.flags & SWP_NOSIZE) == 0 ? pos.cy : Form->Height();
  Integer e = 0, top = 0;
  if (BorderForm != nullptr) {
    const Integer shadow = Manager() != nullptr ? Manager()->SkinData.ExtShadow : 0;
    e = OwnerSideOffset() + shadow;
    top = -(OwnerTopOffset() + shadow);
  }
  const auto snap = [this](Integer value, Integer edge, Integer offset) {
    return SnapCoord(value + offset, edge, SnapBuffer) - offset;
  };
  pos.x = snap(pos.x, area.Right, width + e);
  pos.x = snap(pos.x, area.Left, -e);
  pos.y = snap(pos.y, area.Bottom, height + e);
  pos.y = snap(pos.y, area.Top, top);
}

void TsSkinProvider::StartBorderResize(Integer x, Integer y, bool moving, Integer direction) {
  if (ResizeMode != rmBorder || Form == nullptr || !Form->Enabled() || gOutline.Resizing) return;
  gOutline = TOutline{};
  gOutline.Resizing = true;
  gOutline.Moving = moving;
  if (direction >= HTLEFT && direction <= HTBOTTOMRIGHT) gOutline.Direction = direction;
  gOutline.Desktop = GetDesktopWindow();
  gOutline.DC = GetWindowDC(gOutline.Desktop);
  if (gOutline.DC != nullptr) {
    gOutline.SavedDC = SaveDC(gOutline.DC);
    SetROP2(gOutline.DC, R2_NOT);
  }
  gOutline.Left = Form->Left();
  gOutline.Top = Form->Top();
  gOutline.Width = Form->Width();
  gOutline.Height = Form->Height();
  if (moving) {
    gOutline.Offset = TPoint{x - gOutline.Left, y - gOutline.Top};
    ShowOutline(TRect{gOutline.Left, gOutline.Top, gOutline.Left + gOutline.Width, gOutline.Top + gOutline.Height});
    return;
  }
  gOutline.MinWidth = Form->Constraints().MinWidth();
  gOutline.MinHeight = Form->Constraints().MinHeight();
  gOutline.Right = gOutline.Left + gOutline.Width;
  gOutline.Bottom = gOutline.Top + gOutline.Height;
  ShowOutline(TRect{gOutline.Left, gOutline.Top, gOutline.Right, gOutline.Bottom});
}

void TsSkinProvider::DrawResizeOutline(Integer x, Integer y) {
  if (!gOutline.Resizing) return;
  if (gOutline.Moving) {
    gOutline.Left = x - gOutline.Offset.X;
    gOutline.Top = y - gOutline.Offset.Y;
    ShowOutline(TRect{gOutline.Left, gOutline.Top, gOutline.Left + gOutline.Width, gOutline.Top + gOutline.Height});
    return;
  }
  // The edges the direction names follow the point; one dragged past the opposite edge still leaves
  // the smallest allowed form (1 x 1 without constraints).
  const Integer d = gOutline.Direction;
  const Integer minWidth = std::max<Integer>(gOutline.MinWidth, 1), minHeight = std::max<Integer>(gOutline.MinHeight, 1);
  if (d == HTRIGHT || d == HTTOPRIGHT || d == HTBOTTOMRIGHT) gOutline.Right = std::max<Integer>(x, gOutline.Left + minWidth);
  if (d == HTLEFT || d == HTTOPLEFT || d == HTBOTTOMLEFT) gOutline.Left = std::min<Integer>(x, gOutline.Right - minWidth);
  if (d == HTBOTTOM || d == HTBOTTOMLEFT || d == HTBOTTOMRIGHT) gOutline.Bottom = std::max<Integer>(y, gOutline.Top + minHeight);
  if (d == HTTOP || d == HTTOPLEFT || d == HTTOPRIGHT) gOutline.Top = std::min<Integer>(y, gOutline.Bottom - minHeight);
  ShowOutline(TRect{gOutline.Left, gOutline.Top, gOutline.Right, gOutline.Bottom});
}

void TsSkinProvider::EndBorderResize() {
  if (ResizeMode != rmBorder || !gOutline.Resizing) return;
  ReleaseCapture();
  gOutline.Resizing = false;
  if (gOutline.Drawn) InvertOutline(gOutline.Last);
  if (gOutline.DC != nullptr) {
    RestoreDC(gOutline.DC, gOutline.SavedDC);
    ReleaseDC(gOutline.Desktop, gOutline.DC);
  }
  const TOutline done = gOutline;
  gOutline = TOutline{};
  if (Form == nullptr || !Form->HandleAllocated()) return;
  if (done.Moving) {
    MoveWindow(Form->Handle(), done.Left, done.Top, done.Width, done.Height, TRUE);
  } else if (!done.Cancelled) {
    Form->SetBounds(done.Left, done.Top, done.Right - done.Left, done.Bottom - done.Top);
  }
}

void TsSkinProvider::CancelBorderResize() { gOutline.Cancelled = true; }

bool TsSkinProvider::BorderResizing() { return gOutline.Resizing; }

void TsSkinProvider::UpdateScrollAdapter() {
  constexpr Cardinal kSettingUp = 0x20000;
  if (Form == nullptr || Form->ComponentState().Contains(csDestroying) || !Form->HandleAllocated() ||
      (AnimState & kSettingUp) != 0 || GetOrdPropByName(Form, "AutoScroll") != 1)
    return;
  AnimState |= kSettingUp;
  struct TClear {
    Cardinal& state;
    ~TClear() { state &= ~Cardinal{0x20000}; }
  } clear{AnimState};
  if (!FormSkinned()) {
    FreeAdapter(ClientScrollAdapter);
    return;
  }
  if (ClientScrollAdapter != nullptr && ClientScrollAdapter->Detached()) FreeAdapter(ClientScrollAdapter);
  if (ClientScrollAdapter == nullptr)
    ClientScrollAdapter = New<TskScrollWnd>(Form->Handle(), true, AnsiString(), Manager(), skinData_.get());
}
