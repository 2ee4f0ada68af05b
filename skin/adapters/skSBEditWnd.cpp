#include "skin/adapters/skSBEditWnd.h"

#include <windows.h>

#include <algorithm>

#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/Edit.h"
#include "vcl/gui/ListBox.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

// Messages of the component layer that the family reacts to by number.
constexpr UINT kFontChangedWhileHidden = 0x2100;  // swallowed: the frame follows WM_SETFONT
constexpr UINT CM_ENABLEDCHANGED_MSG = 0xB00C;
constexpr UINT CM_BORDERCHANGED_MSG = 0xB00E;
constexpr UINT CN_KEYDOWN_MSG = 0xBD00;
constexpr UINT CN_KEYUP_MSG = 0xBD01;

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

bool ClipBoxEmpty(HDC dc) {
  RECT box{};
  return GetClipBox(dc, &box) == NULLREGION;
}

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }

bool FromOwnManager(const TMessage& message, const TsSkinManager* manager) {
  return message.LParam == reinterpret_cast<LPARAM>(manager);
}

}  // namespace

// ---- TskBaseWnd ----

void TskBaseWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || !SkinData->Skinned()) {
    TskScrollWnd::WndProc(message);
    return;
  }
  const Word command = message.Msg == SkinCommandMessage ? SkinCommandOf(message.WParam) : 0;
  switch (message.Msg) {
    case SkinCommandMessage:
      if (command == scRefresh && FromOwnManager(message, SkinManager)) {
        TskScrollWnd::WndProc(message);
        if (Visible(Window)) SendMessageW(Window, WM_NCPAINT, 0, 0);
        return;
      }
      if (command == scRebuildCache) RebuildWindowBg(SkinData, Window, false);
      break;
    case WM_SIZE:
    case WM_EXITSIZEMOVE:
      SkinData->BackgroundDirty = true;
      break;
    case WM_SETCURSOR:
      CallOldProc(message);
      return;
    case kFontChangedWhileHidden:
      return;
    default:
      break;
  }
  TskScrollWnd::WndProc(message);
  if (Detached()) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!Scrolling) UpdateScrollInfo(true);
      break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED_MSG:
      if (Visible(Window)) SendMessageW(Window, WM_NCPAINT, 0, 0);
      break;
    default:
      break;
  }
}

// ---- TskEditWnd ----

TskEditWnd::TskEditWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                       TsCommonData* data)
    : TskBaseWnd(window, repaint, section.empty() ? AnsiString("EDIT") : section, manager, data) {
  SkinData->SetSkinSection(section.empty() ? AnsiString("EDIT") : section);
  SingleLineEdit = dynamic_cast<TCustomEdit*>(SkinData->HostControl) != nullptr &&
                   (GetWindowLongPtrW(window, GWL_STYLE) & ES_MULTILINE) == 0;
}

bool TskEditWnd::DropsTheme() const {
  if (Window == nullptr || !IsWindow(Window)) return false;
  if (!OwnsSkinData() && SkinData != nullptr) {
    // A list view keeps its theme (the system's list views of Windows 6 and later draw well with it),
    // and so does a control that chooses its theme itself.
    if (SkinData->ControlKind == 10) return false;
    if (SkinData->HostControl != nullptr && HasPropByName(SkinData->HostControl, "UseXPThemes")) return false;
  }
  return TskBaseWnd::DropsTheme();
}

bool TskEditWnd::SkinnedNow() const {
  return !Detached() && SkinData != nullptr && SkinManager != nullptr && SkinManager->Active() && SkinData->Skinned();
}

Integer TskEditWnd::SectionColor(Integer state) const {
  if (SkinManager == nullptr || !SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) return 0;
  const TsGeneralData& section = SkinManager->gd[static_cast<size_t>(SkinData->SectionIndex)];
  return section.Props[state != 0 && section.States > 1 ? 1 : 0].Color;
}

Integer TskEditWnd::SectionFontColor(Integer state) const {
  if (SkinManager == nullptr || !SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) return 0;
  const TsGeneralData& section = SkinManager->gd[static_cast<size_t>(SkinData->SectionIndex)];
  return section.Props[state != 0 && section.States > 1 ? 1 : 0].TextColor;
}

TRect TskEditWnd::ClientRect() {
  if (clientRect_.Top < 0) clientRect_ = ClientRectInWindow(Window);
  return clientRect_;
}

void TskEditWnd::SaveStdLook() {
  TskBaseWnd::SaveStdLook();
  if (TControl* control = SkinData->HostControl) {
    SavedColor = control->Color();
    SavedFontColor = control->Font().Color();
    if (HasPropByName(control, "FocusColor"))
      SavedFocusColor = static_cast<TColor>(GetOrdPropByName(control, "FocusColor"));
  }
}

void TskEditWnd::RestoreStdLook() {
  if (Visible(Window))
    SetWindowPos(Window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
  TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr;
  if (control == nullptr || control->ComponentState().Contains(csDestroying)) return;
  if (SavedColor != clNone) control->SetColor(SavedColor);
  if (SavedFontColor != clNone) control->Font().SetColor(SavedFontColor);
  if (SavedFocusColor != clNone) SetIntPropIfPresent(control, "FocusColor", SavedFocusColor);
}

void TskEditWnd::SetSkinParams() {
  // A colour change sends messages back to the adapter: a nested call returns at once.
  if (inSetSkinParams_ || SkinData == nullptr) return;
  inSetSkinParams_ = true;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{inSetSkinParams_};
  SkinData->SetUpdating(true);
  SkinParamsApplied = true;
  if (SkinManager == nullptr || !SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) {
    FrameColor = 0;
    SkinData->SetUpdating(false);
    return;
  }
  if (TControl* control = SkinData->HostControl) {
    const Integer state = IsMultiStateSection(SkinData) && SkinData->IsActive() ? 1 : 0;
    if (!SkinData->CustomColor) {
      const auto colour = static_cast<TColor>(SkinData->GetBgColor(state));
      if (HasPropByName(control, "FocusColor")) {
        if (GetOrdPropByName(control, "Color") != colour) SetOrdPropByName(control, "Color", colour);
        SetOrdPropByName(control, "FocusColor", colour);
      } else if (control->Color() != colour) {
        control->SetColor(colour);
      }
      Color = colour;
    }
    if (!SkinData->CustomFont) {
      const auto fontColor = static_cast<TColor>(SectionFontColor(state));
      if (control->Font().Color() != fontColor) control->Font().SetColor(fontColor);
      // The control made its window again meanwhile: the adapter has let it go.
      if (Detached()) return;
    }
  } else {
    if (!SkinData->CustomColor) Color = DialogMode ? clWindow : static_cast<TColor>(SectionColor(0));
    FrameColor = SkinManager->SkinData.BorderColor;
  }
  SkinData->BackgroundDirty = true;
  SkinData->SetUpdating(false);
}

void TskEditWnd::PaintFrame(HDC dc) {
  if (!SkinData->CacheBitmap) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const Integer border = ClientRect().Top;
  if (border > 0)
    CopyFrameStrips(dc, 0, 0, WndSize.X, WndSize.Y, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, border);
  PaintScrollBars(dc);
}

void TskEditWnd::PrintClient(HDC dc) {
  const TRect client = ClientRect();
  RECT clientSize{};
  GetClientRect(Window, &clientSize);
  const int saved = SaveDC(dc);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x + client.Left, origin.y + client.Top, nullptr);
  IntersectClipRect(dc, 0, 0, clientSize.right, clientSize.bottom);
  SendMessageW(Window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(Window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(Window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_CHILDREN);
  RestoreDC(dc, saved);
}

void TskEditWnd::Paint(TMessage& message) {
  const auto given = reinterpret_cast<HDC>(message.WParam);
  if (given != nullptr && given != SkinData->PrintTarget && ClipBoxEmpty(given)) return;
  SkinData->SetUpdating(false);
  SkinData->SetUpdating(SkinData->IsUpdating());
  if (SingleLineEdit && !IsWindowEnabled(Window)) {
    // A disabled text box shows the text the cache holds (drawn there by RebuildWindowBg).
    PAINTSTRUCT ps{};
    const HDC dc = given != nullptr ? given : BeginPaint(Window, &ps);
    SkinData->BackgroundDirty = true;
    RebuildWindowBg(SkinData, Window, DialogMode);
    const TRect client = ClientRect();
    RECT size{};
    GetClientRect(Window, &size);
    if (SkinData->CacheBitmap)
      BitBlt(dc, 0, 0, size.right, size.bottom, SkinData->CacheBitmap->Canvas().Handle(), client.Left, client.Top,
             SRCCOPY);
    if (given == nullptr) EndPaint(Window, &ps);
    message.Result = 0;
    return;
  }
  if (SkinData->UpdatingFlag || (InAnimationProcess && given != SkinData->PrintTarget)) {
    ValidateRect(Window, nullptr);
    return;
  }
  PaintScrollBars(nullptr);
  if (!SkinParamsApplied) SetSkinParams();
  TskBaseWnd::WndProc(message);
}

void TskEditWnd::EraseBackground(TMessage& message) {
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  if (dc != nullptr && dc != SkinData->PrintTarget && ClipBoxEmpty(dc)) return;
  if (SkinData->UpdatingFlag) return;
  if (!SkinParamsApplied) SetSkinParams();
  if ((SingleLineEdit && !IsWindowEnabled(Window)) || (InAnimationProcess && dc != SkinData->PrintTarget)) {
    message.Result = 1;
    return;
  }
  TskBaseWnd::WndProc(message);
}

void TskEditWnd::NCPaint(TMessage& message) {
  message.Result = 0;
  if (InAnimationProcess || SkinData->UpdatingFlag) return;
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  if (!ClipBoxEmpty(dc) || dc == SkinData->PrintTarget) {
    if (SkinData->BackgroundDirty) {
      if (!SkinParamsApplied) SetSkinParams();
      RebuildWindowBg(SkinData, Window, DialogMode);
    }
    PaintFrame(dc);
  }
  ReleaseDC(Window, dc);
}

void TskEditWnd::Print(TMessage& message) {
  CallOldProc(message);
  if (message.Result == 2) return;
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  SkinData->SetUpdating(false);
  SkinData->BackgroundDirty = true;
  if (!SkinParamsApplied) SetSkinParams();
  RebuildWindowBg(SkinData, Window, DialogMode);
  if (!DialogMode) FillBorderCorners(SkinData, 0, this);
  if (dc == nullptr) return;
  PaintFrame(dc);
  PrintClient(dc);
}

bool TskEditWnd::HandleCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case scRefresh:
      if (!FromOwnManager(message, SkinManager)) return false;
      TskBaseWnd::WndProc(message);
      if (!Detached()) SetSkinParams();
      return true;
    case scParentUpdated:
      if (!SkinData->IsUpdating()) RedrawWindow(Window, nullptr, nullptr, kRedrawAll);
      return false;
    case scIsSkinned:
      message.Result = 1;
      return true;
    case scRebuildCache:
      GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
      RebuildWindowBg(SkinData, Window, DialogMode);
      FillBorderCorners(SkinData, 0, this);
      return true;
    case scGetSkinIndex:
      if (message.LParam != 0 && !SentFromOtherThread())
        reinterpret_cast<TskSectionInfo*>(message.LParam)->Index = SkinData->SectionIndex;
      return true;
    case scFillBgRequest: {
      CallOldProc(message);
      if (message.LParam == 0 || SentFromOtherThread()) return true;
      auto& request = *reinterpret_cast<TskBgRequest*>(message.LParam);
      if (request.AnswerKind != bgNotAnswered) return true;
      if (SkinData->CustomColor) {
        request.AnswerKind = bgColor;
        request.Color = static_cast<Integer>(ColorToRGB(Color));
      } else {
        SkinData->FillBgRequest(request, 0, Window);
      }
      return true;
    }
    case scScrollBegin:
    case scScrollEnd:
      if ((GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) == 0) return false;
      if (SkinCommandOf(message.WParam) == scScrollBegin) {
        SendMessageW(Window, WM_SETREDRAW, 0, 0);
      } else {
        SendMessageW(Window, WM_SETREDRAW, 1, 0);
        InvalidateRect(Window, nullptr, TRUE);
      }
      return true;
    case scGetApplication:
      message.Result = reinterpret_cast<LRESULT>(Application);
      return true;
    default:
      return false;
  }
}

void TskEditWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskBaseWnd::WndProc(message);
    return;
  }
  const bool drawing = Visible(Window) && !PreventStyleChange;
  switch (message.Msg) {
    case SkinCommandMessage:
      if (HandleCommand(message)) return;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      TskBaseWnd::WndProc(message);
      auto* control = dynamic_cast<TWinControl*>(SkinData->HostControl);
      if (!Detached() && IsMultiStateSection(SkinData) && control != nullptr && control->CanFocus() &&
          control->TabStop()) {
        SkinData->BackgroundDirty = true;
        SkinData->FocusFlag = message.Msg == WM_SETFOCUS;
        SendMessageW(Window, WM_NCPAINT, 0, 0);
      }
      return;
    }
    case WM_PAINT:
      if (!drawing) break;
      Paint(message);
      return;
    case WM_ERASEBKGND:
      if (!drawing) break;
      EraseBackground(message);
      return;
    case WM_NCPAINT:
      if (!drawing) break;
      NCPaint(message);
      return;
    case WM_PRINT:
      Print(message);
      return;
    case CM_BORDERCHANGED_MSG:
      if (!SkinData->UpdatingFlag) RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      break;
    default:
      break;
  }
  TskBaseWnd::WndProc(message);
  if (!Detached()) AfterBase(message, message.Result);
}

void TskEditWnd::AfterBase(TMessage& message, LRESULT answer) {
  switch (message.Msg) {
    case WM_SIZE:
      if (Visible(Window)) SendMessageW(Window, WM_NCPAINT, 0, 0);
      break;
    case WM_SETFONT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case CN_KEYDOWN_MSG:
    case CN_KEYUP_MSG:
      if (!Scrolling) UpdateScrollInfo(true);
      break;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
      UpdateScrollInfo(true);
      break;
    case LB_GETTOPINDEX:
      // An empty list box has no top item.
      if (auto* box = dynamic_cast<TCustomListBox*>(SkinData->HostControl);
          box != nullptr && answer == 0 && box->Items().Count() == 0)
        message.Result = -1;
      break;
    case WM_MOUSEMOVE:
      if (!SkinData->UpdatingFlag && GetCapture() != nullptr) UpdateScrollInfo(true);
      break;
    default:
      break;
  }
}

// ---- shared routines ----

void FillBorderCorners(TsCommonData* data, Integer state, TskMainWnd* adapter) {
  if (data == nullptr || adapter == nullptr || adapter->DialogMode || !data->CacheBitmap) return;
  TsSkinManager* manager = data->GetSkinManager();
  if (manager == nullptr || !manager->IsValidMaskIndex(data->BorderMaskIndex)) return;
  const HWND window = adapter->Window;
  RECT r{};
  if (window == nullptr || !GetWindowRect(window, &r) || r.right - r.left < 2 || r.bottom - r.top < 2) return;
  TsMaskData mask = manager->ma[static_cast<size_t>(data->BorderMaskIndex)];
  // An image of its own without a state count: three states with weight rows, the whole image.
  if (mask.Image && mask.ImageCount == 0) {
    mask.ImageCount = 3;
    mask.MaskType = 1;
    mask.R = TRect{0, 0, mask.Image->Width(), mask.Image->Height()};
  }
  const Integer images = std::max<Integer>(mask.ImageCount, 1);
  state = std::clamp<Integer>(state, 0, images - 1);
  const TskBgInfo background = GetParentBgOfWnd(window);
  TsParentBg parent;
  if (background.IsBitmap && background.Bitmap != nullptr) {
    POINT topLeft{r.left, r.top};
    ScreenToClient(GetParent(window), &topLeft);
    parent.Bitmap = PixelViewOf(*background.Bitmap);
    parent.OffsetX = background.OffsetX + topLeft.x;
    parent.OffsetY = background.OffsetY + topLeft.y;
  } else {
    parent.Color = static_cast<Integer>(ColorToRGB(static_cast<TColor>(background.Color)));
  }
  GdiFlush();
  const TsPixelView image = SkinPixelsOf(*manager).ImageOf(mask);
  // The corner blocks are as wide as the mask's borders (its state size where a width is not given).
  mask.WL = static_cast<SmallInt>(MaskLeftWidth(mask));
  mask.WT = static_cast<SmallInt>(MaskTopHeight(mask));
  mask.WR = static_cast<SmallInt>(MaskRightWidth(mask));
  mask.WB = static_cast<SmallInt>(MaskBottomHeight(mask));
  mask.Flags = static_cast<SmallInt>(pcTopLeft | pcBottomLeft | pcTopRight | pcBottomRight);
  PaintParentBgCorners(PixelViewOf(*data->CacheBitmap), r.right - r.left, r.bottom - r.top, mask, image, state,
                       mask.Flags, parent);
}

void UpdateEditAdapter(TsCommonData* data, TskMainWnd*& adapter) {
  if (data == nullptr) return;
  auto* control = dynamic_cast<TWinControl*>(data->HostControl);
  if (data->Skinned() && control != nullptr) {
    if (adapter != nullptr && adapter->Detached()) FreeAdapter(adapter);
    if (adapter == nullptr)
      adapter = New<TskEditWnd>(control->Handle(), false, data->SkinSection(), data->GetSkinManager(), data);
    return;
  }
  FreeAdapter(adapter);
}
