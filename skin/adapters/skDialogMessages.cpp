// The dialog adapter's message table; the clicks in the frame are skDialogMouse.cpp's.
// The provider that adapts a dialog's children is the hook's; this adapter only marks when that is due.
#include <algorithm>

#include "skin/adapters/skDialogWnd.h"
#include "skin/adapters/skDials.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/forms/sSkinStateRules.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"

namespace {
constexpr UINT kVisibleChanged = 0xB00B;  // the class library's CM_VISIBLECHANGED
constexpr UINT kReadapt = 0x52E;
}  // namespace

void TskDialogWnd::WndProc(TMessage& message) {
  if (message.Msg == SkinCommandMessage && SkinManager != nullptr && SkinData != nullptr && SkinCommand(message)) return;
  switch (message.Msg) {
    case WM_DESTROY:
      // The border window is owned by the dialog: it goes first. The inherited handling passes the
      // message on (DefWindowProcW when nothing was replaced) and detaches the adapter.
      BorderForm.reset();
      TskScrollWnd::WndProc(message);
      return;
    case WM_SIZE:
      SizeChanged(message);
      return;
    case WM_KILLFOCUS:
      CallOldProc(message);
      if (const HWND active = GetActiveWindow(); active != nullptr)
        RedrawWindow(active, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!IsWindowVisible(Window)) break;
      CallOldProc(message);
      SkinData->BackgroundDirty = true;
      if (BorderForm) RefreshBorderWindow();
      else SendMessageW(Window, WM_NCPAINT, 0, 0);
      return;
    case WM_PAINT:
      if (NoClientPaint) {
        PAINTSTRUCT ps;
        BeginPaint(Window, &ps);
        EndPaint(Window, &ps);
        message.Result = 0;
      } else {
        CallOldProc(message);
      }
      return;
    case WM_ERASEBKGND:
      EraseBackground(message);
      return;
    case WM_SHOWWINDOW:
      ShowWindowMessage(message);
      return;
    case WM_DRAWITEM:
      if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam); item != nullptr && item->CtlType == ODT_STATIC)
        SetBkMode(item->hDC, TRANSPARENT);
      break;
    case WM_WINDOWPOSCHANGED:
      WindowPosChanged(message);
      return;
    case WM_NCHITTEST: {
      const Integer code = HitTest(message);
      if (code == HTNOWHERE || code == HTCAPTION) {
        CallOldProc(message);
        SetHotTitleButton(HTNOWHERE, true);
      } else {
        message.Result = code;
      }
      return;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
      // The skinned scroll bars take their own clicks.
      if (message.Msg != WM_LBUTTONUP && (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL)) break;
      if (MouseMessage(message)) return;
      break;
    case WM_NCPAINT:
      if (!IsWindowVisible(Window)) break;
      NCPaint(message);
      return;
    case WM_NCACTIVATE:
      if (!IsWindowVisible(Window)) break;
      NCActivate(message);
      return;
    case WM_GETDLGCODE:
      message.Result = 0;
      return;
    case WM_COMMAND:
      CommandMessage(message);
      return;
    case WM_CTLCOLORDLG:
      CtlColorDlg(message);
      return;
    case WM_MOUSEMOVE:
      if (IsWindowEnabled(Window) && SkinManager != nullptr) SkinManager->SetActiveControl(static_cast<TControl*>(nullptr));
      break;
    case WM_NCMOUSELEAVE:
    case WM_MOUSELEAVE:  // also from a button's fading once the cursor has left it
      SetHotTitleButton(HTNOWHERE, true);
      break;
    case WM_USER + 1:
      TskScrollWnd::WndProc(message);
      AdaptDialogChildren();
      return;
    case kReadapt:
      CallOldProc(message);
      AdaptDialogChildren();
      RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
      return;
    case kVisibleChanged:
      TskScrollWnd::WndProc(message);
      if (message.WParam == 0) FreeTitleButtons();
      return;
    default:
      break;
  }
  const TMessage original = message;
  TskScrollWnd::WndProc(message);
  // After the inherited handling.
  if (original.Msg == WM_SYSCOMMAND) {
    if (original.WParam == 0xF012) {
      UpdateWindow(Window);
      RefreshBorderWindow();
    } else if (original.WParam == SC_MAXIMIZE || original.WParam == SC_RESTORE) {
      if ((SavedStyle & WS_MAXIMIZEBOX) != 0) CurrentHT = HTMAXBUTTON;
      SetHotTitleButton(HTNOWHERE, true);
    }
  } else if (original.Msg == WM_SIZING && (MoveState & fsBlendMoving) == 0) {
    RefreshBorderWindow();
  }
}

bool TskDialogWnd::SkinCommand(TMessage& message) {
  TsSkinManager& manager = *SkinManager;
  TsCommonData& data = *SkinData;
  switch (SkinCommandOf(message.WParam)) {
    case scNewSkin:
      SetExtendedBorders(manager.GetExtendedBorders());
      if (message.LParam == reinterpret_cast<LPARAM>(&manager)) {
        // The global colour may change with the skin: the dialog's brush is made again when asked.
        if (dialogBrush_ != nullptr) DeleteObject(dialogBrush_);
        dialogBrush_ = nullptr;
        data.UpdateIndexes();
        data.BackgroundDirty = true;
        CaptionGlow[0].reset();
        CaptionGlow[1].reset();
        LoadTitleSections();
        SendToChildren(Window, message.Msg, message.WParam, message.LParam);
      }
      return true;
    case scRefresh:
      data.UpdateIndexes();
      SetExtendedBorders(manager.GetExtendedBorders());
      data.Invalidate();
      RefreshBorderWindow();
      return true;
    case scSetUpdating:
      data.SetUpdating(LOWORD(message.WParam) == 1);
      if (data.UpdatingFlag) data.BackgroundDirty = true;
      return false;
    case scIsUpdating:
      message.Result = data.UpdatingFlag ? 1 : 0;
      return true;
    case scRepaintNow:
      if (BorderForm) BorderForm->UpdateExBorders(false, 255);
      return false;
    case scParentBgNeeded: {
      message.Result = 0;
      if (manager.IsValidSkinIndex(data.SectionIndex)) {
        const auto& values = manager.gd[static_cast<size_t>(data.SectionIndex)].Props[0];
        message.Result = values.GradientPercent + values.ImagePercent > 0 ? 1 : 0;
      }
      return true;
    }
    case scGetBgColor:
      message.Result = static_cast<LRESULT>(ColorToRGB(static_cast<TColor>(data.GetBgColor(0, Window))));
      return true;
    case scReadaptChildren:
      AdaptDialogChildren();
      return false;
    case scFillBgRequest: {
      if (message.LParam == 0) return true;
      auto& request = *reinterpret_cast<TskBgRequest*>(message.LParam);
      const Integer dx = SideBorderWidth(), dy = VertFrameSize();
      const bool paint = request.PaintFlag != 0;
      if (paint) {
        request.OffsetX += dx;
        request.OffsetY += dy;
      }
      data.FillBgRequest(request, FormActive ? 1 : 0, Window);
      if (!paint && request.AnswerKind == bgBitmap && request.Bitmap == nullptr) {
        PaintNonClient();
        request.Bitmap = data.CacheBitmap.get();
        request.OffsetX = dx;
        request.OffsetY = dy;
      }
      message.Result = 1;
      return true;
    }
    case scGetClientOffset:
      message.Result = static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(SideBorderWidth(), VertFrameSize())));
      return true;
    default:
      return false;
  }
}

void TskDialogWnd::CtlColorDlg(TMessage& message) {
  const Integer color = SkinManager != nullptr ? static_cast<Integer>(ColorToRGB(static_cast<TColor>(SkinManager->GetGlobalColor())))
                                               : static_cast<Integer>(GetSysColor(COLOR_BTNFACE));
  if (dialogBrush_ == nullptr || color != dialogBrushColor_) {
    if (dialogBrush_ != nullptr) DeleteObject(dialogBrush_);
    dialogBrush_ = CreateSolidBrush(static_cast<COLORREF>(color));
    dialogBrushColor_ = color;
  }
  message.Result = reinterpret_cast<LRESULT>(dialogBrush_);
}

void TskDialogWnd::CopyFrameToWindow() {
  TBitmap* cache = SkinData->CacheBitmap.get();
  if (cache == nullptr || BorderForm) return;
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  // The picture is laid out left to right; a mirrored dialog's DC is taken as it lies on the screen.
  SetLayout(dc, 0);
  const TPoint client = OwnerClientOffset();
  RECT r{};
  GetClientRect(Window, &r);
  ExcludeClipRect(dc, client.X, client.Y, client.X + r.right, client.Y + r.bottom);
  BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
  ReleaseDC(Window, dc);
}

void TskDialogWnd::AdaptDialogChildren() {
  ChildrenAdapted = true;
  if (Provider != nullptr) Provider->AdaptChildren(Window);
}

void TskDialogWnd::NCPaint(TMessage& message) {
  RefreshGeometry();
  if (BorderForm && !IsWindowVisible(BorderForm->BorderHandle()) && (MoveState & (fsAnimating | fsAnimShowing)) == 0) {
    if (AeroIsEnabled()) {
      UpdateRegion(false);
      BorderForm->UpdateExBorders();
      SetFocus(Window);
    } else {
      BorderForm->UpdateExBorders();
    }
  }
  AdaptDialogChildren();  // children made since the last paint
  PaintNonClient();
  if (!RegionUpdating && RegionChanged && (BorderKind != dbNone || (SavedStyle & WS_THICKFRAME) != 0)) {
    UpdateRegionRects();
    RegionChanged = false;
    UpdateRegion(true);
  }
  CopyFrameToWindow();
  SkinData->SetUpdating(false);
  RegionUpdating = false;
  message.Result = 1;
}

void TskDialogWnd::EraseBackground(TMessage& message) {
  RefreshGeometry();
  if (!ChildrenAdapted) AdaptDialogChildren();
  const bool ownDC = message.WParam == 0;
  const HDC dc = ownDC ? GetDC(Window) : reinterpret_cast<HDC>(message.WParam);
  if (dc == nullptr) return;
  SkinData->SetUpdating(false);
  const int saved = SaveDC(dc);
  ExcludeChildRects(dc, Window, 0, 0);
  if (SkinData->BackgroundDirty || !SkinData->CacheBitmap) PaintNonClient();
  if (TBitmap* cache = SkinData->CacheBitmap.get()) {
    const TPoint client = OwnerClientOffset();
    RECT r{};
    GetClientRect(Window, &r);
    BitBlt(dc, 0, 0, r.right, r.bottom, cache->Canvas().Handle(), client.X, client.Y, SRCCOPY);
  }
  RestoreDC(dc, saved);
  if (ownDC) ReleaseDC(Window, dc);
  SendToChildren(Window, SkinCommandMessage, SkinCommandWParam(scParentUpdated), 0);
  message.Result = 1;
}

// The right-hand corner images lie at the client's old bottom-right corner: when the client shrank
// (or its size is not known yet) that place is painted again.
void TskDialogWnd::InvalidateSizedCorners(Integer width, Integer height) {
  const TRect& old = LastClientRect;
  if (!old.IsEmpty() && width >= old.Width() && height >= old.Height()) return;
  const TsSkinManager& manager = *SkinManager;
  if (!manager.IsValidSkinIndex(SkinData->SectionIndex)) return;
  const TsGeneralData& section = manager.gd[static_cast<size_t>(SkinData->SectionIndex)];
  for (const Integer index : {section.ImgTopRight, section.ImgBottomRight}) {
    if (!manager.IsValidMaskIndex(index)) continue;
    const TsMaskData& mask = manager.ma[static_cast<size_t>(index)];
    const Integer w = MaskStateWidth(mask), h = MaskStateHeight(mask);
    if (w <= 0 || h <= 0) continue;
    const RECT r{old.Right - w, old.Bottom - h, old.Right, old.Bottom};
    InvalidateRect(Window, &r, TRUE);
  }
}

void TskDialogWnd::SizeChanged(TMessage& message) {
  if (!BorderForm) {
    SkinData->BackgroundDirty = true;
    RegionChanged = true;
    CallOldProc(message);
    RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    return;
  }
  if (SkinData->UpdatingFlag) {
    CallOldProc(message);
    return;
  }
  const Integer width = LOWORD(message.LParam), height = HIWORD(message.LParam);
  InvalidateSizedCorners(width, height);
  const bool wasUpdating = SkinData->UpdatingFlag;
  SkinData->SetUpdating(true);
  CallOldProc(message);
  SkinData->SetUpdating(wasUpdating);
  RefreshGeometry();
  const TBitmap* cache = SkinData->CacheBitmap.get();
  const TskFrameInput frame = FrameInput();
  // An iconic dialog under composition keeps a picture of another height.
  const bool heightCounts = !(IsIconic(Window) && AeroIsEnabled());
  if ((MoveState & fsAnimating) == 0 && IsWindowVisible(Window)) {
    const bool pictureChanged = cache == nullptr || cache->Width() != FrameCacheWidth(frame) ||
                                (heightCounts && cache->Height() != FrameCacheHeight(frame));
    if (pictureChanged) {
      RegionChanged = true;
      SkinData->BackgroundDirty = true;
      RefreshBorderWindow();
      SendMessageW(Window, WM_NCPAINT, 0, 0);
    }
    // Children whose background is stretched over the dialog's width or height paint it again. The
    // system may have painted the frame at its new size before this message: the picture then matches
    // already, but the children still have to hear of it.
    const bool widthChanged = width != LastClientRect.Width(), heightChanged = height != LastClientRect.Height();
    const bool follows = ((SkinData->BackgroundMode & bmWidth) != 0 && widthChanged) ||
                         ((SkinData->BackgroundMode & bmHeight) != 0 && heightChanged);
    if (follows) SendToChildren(Window, SkinCommandMessage, SkinCommandWParam(scUpdateChildren, 1), 0);
    if (pictureChanged || follows)
      RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  RECT r{};
  GetClientRect(Window, &r);
  LastClientRect = TRect{r.left, r.top, r.right, r.bottom};
}

void TskDialogWnd::NCActivate(TMessage& message) {
  // The system's own caption must not show for a moment.
  SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
  CallOldProc(message);
  FormActive = LOWORD(message.WParam) != 0;
  SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
  SkinData->BackgroundDirty = true;
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE);
  RefreshBorderWindow();
}

void TskDialogWnd::ShowWindowMessage(TMessage& message) {
  CallOldProc(message);
  DisableDwmTransitions(Window, true);
  if (message.WParam == 0 || SkinManager == nullptr) return;
  const auto& show = SkinManager->AnimEffects().DialogShow;
  if (show && show->Active && show->Time > 0) {
    CaptionText = ::ReadWindowText(Window);
    AdaptDialogChildren();
    AnimShowDialog(*this, show->Time, 255, show->Mode);
  }
}

bool TskDialogWnd::HideAnimationWanted() const {
  if (SkinManager == nullptr) return false;
  const auto& hide = SkinManager->AnimEffects().DialogHide;
  return hide && hide->Active && hide->Time > 0;
}

void TskDialogWnd::WindowPosChanged(TMessage& message) {
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
  if (pos != nullptr && (pos->flags & SWP_HIDEWINDOW) != 0 && LayeredWindowsAvailable()) {
    RegionChanged = true;
    CallOldProc(message);
    if (HideAnimationWanted()) {
      StartDialogHideAnimation(*this);
      // The picture fades on the animation's window; the dialog itself is plain and hidden.
      MakeWindowTransparent(Window, false);
    }
    SetExtendedBorders(false);
    return;
  }
  CallOldProc(message);
  if ((MoveState & fsBlendMoving) == 0) RefreshBorderWindow();
}

// The hide animation's picture is taken when Cancel or Yes closes the dialog (Ok and the other
// commands take none).
void TskDialogWnd::CommandMessage(TMessage& message) {
  if ((message.WParam == IDCANCEL || message.WParam == IDYES) && HideAnimationWanted() && SkinData->CacheBitmap) {
    CaptureDialogImage(*this, *SkinData->CacheBitmap, false);
    if (BorderForm) {
      const HWND border = BorderForm->BorderHandle();
      if (border != nullptr) {
        SetWindowRgn(border, nullptr, FALSE);
        SetLayeredImage(border, SkinData->CacheBitmap.get(), 255);
      }
      MoveState |= fsAnimHiding;
      CallOldProc(message);
      return;
    }
    CoverForm = CreateAnimForm(Window);
  }
  TskScrollWnd::WndProc(message);
}
