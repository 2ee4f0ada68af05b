#include "skin/adapters/skSBTreeViewWnd.h"

#include <windows.h>
#include <commctrl.h>

#include "skin/adapters/skSBPropPath.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

// Sets the vertical or horizontal bar's position to the thumb's track position without redrawing.
void TakeTrackPosition(HWND window, int bar, int position) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  si.nPos = position;
  SetScrollInfo(window, bar, &si, FALSE);
}

}  // namespace

// ---- system tree views ----

void TskTreeViewWnd::SetSkinParams() {
  SkinParamsApplied = true;
  TColor colour = clWindow;
  TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr;
  if (!DialogMode && SkinData != nullptr && SkinManager != nullptr &&
      SkinManager->IsValidSkinIndex(SkinData->SectionIndex)) {
    const Integer state = IsMultiStateSection(SkinData) && SkinData->IsActive() ? 1 : 0;
    colour = static_cast<TColor>(SectionColor(state));
    if (control != nullptr && !SkinData->CustomFont) control->Font().SetColor(static_cast<TColor>(SectionFontColor(state)));
    if (SkinData->CustomColor || (control != nullptr && control->Color() == colour)) return;
  }
  treeColor_ = colour;
  SendMessageW(Window, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(colour)));
}

void TskTreeViewWnd::RestoreStdLook() {
  TskEditWnd::RestoreStdLook();
  if (IsWindowVisible(Window)) SendMessageW(Window, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
}

void TskTreeViewWnd::WndProc(TMessage& message) {
  if (SkinData == nullptr || !SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  // The component layer has no tree view that erases its own background: the erase is always the
  // adapter's.
  if (message.Msg == WM_ERASEBKGND) {
    if (SkinData->UpdatingFlag) return;
    if (!SkinParamsApplied) SetSkinParams();
    RebuildWindowBg(SkinData, Window, DialogMode);
    const auto given = reinterpret_cast<HDC>(message.WParam);
    const HDC dc = given != nullptr ? given : GetWindowDC(Window);
    RECT r{};
    GetWindowRect(Window, &r);
    const TColor colour = DialogMode ? clWindow : static_cast<TColor>(SectionColor(0));
    FillDCColor(dc, TRect{0, 0, r.right - r.left, r.bottom - r.top}, colour);
    if (given == nullptr) ReleaseDC(Window, dc);
    message.Result = 0;
    return;
  }
  TskEditWnd::WndProc(message);
  if (message.Msg == WM_LBUTTONUP && !Detached()) ReleaseCapture();
}

// ---- virtual trees of another vendor ----

const std::array<const char*, 3> TskVirtualTreeViewWnd::TextColorPaths = {
    "VETColors.CompressedTextColor", "VETColors.FileTextColor", "VETColors.FolderTextColor"};

void TskVirtualTreeViewWnd::SaveStdLook() {
  TskEditWnd::SaveStdLook();
  TControl* control = SkinData->HostControl;
  for (size_t i = 0; i < TextColorPaths.size(); ++i) {
    Integer color = -1;
    savedTextColors_[i] = control != nullptr && ReadColorPath(control, TextColorPaths[i], color) ? color : -1;
  }
  TObject* header = control != nullptr ? GetObjPropByName(control, "Header") : nullptr;
  headerOwnerDraw_ = header != nullptr && SetPropHasElement(header, "Options", "hoOwnerDraw");
}

void TskVirtualTreeViewWnd::RestoreStdLook() {
  TskEditWnd::RestoreStdLook();
  TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr;
  if (control == nullptr || control->ComponentState().Contains(csDestroying)) return;
  for (size_t i = 0; i < TextColorPaths.size(); ++i)
    if (savedTextColors_[i] != -1) WriteColorPath(control, TextColorPaths[i], savedTextColors_[i]);
  if (TObject* header = GetObjPropByName(control, "Header"))
    ChangeSetPropByName(header, "Options", "hoOwnerDraw", headerOwnerDraw_);
  if (HasPropByName(control, "PaintInfoColumn")) {
    SetOrdPropByName(control, "Themed", 1);
    WriteColorPath(control, "PaintInfoColumn.Color", clBtnFace);
    WriteColorPath(control, "Header.Color", clBtnFace);
    WriteColorPath(control, "Header.Font.Color", clBtnText);
  }
}

void TskVirtualTreeViewWnd::SetSkinParams() {
  TskEditWnd::SetSkinParams();
  TControl* control = SkinData->HostControl;
  if (Detached() || control == nullptr || SkinManager == nullptr) return;
  const Integer fontColor = SectionFontColor(0);
  for (const char* path : TextColorPaths) WriteColorPath(control, path, fontColor);
  // The header's owner drawing goes through event properties, which the component layer does not
  // reach by name: the vendor's own header painting stays.
  if (HasPropByName(control, "PaintInfoColumn")) {
    WriteColorPath(control, "PaintInfoColumn.Color", SkinManager->GetGlobalColor());
    if (TObject* column = GetObjPropByName(control, "PaintInfoColumn")) SetOrdPropByName(column, "Style", 1);
    WriteColorPath(control, "Header.Color", SkinManager->GetWindowColor());
    WriteColorPath(control, "Header.Font.Color", SkinManager->GetGlobalFontColor());
    RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    SetOrdPropByName(control, "Themed", 0);
  }
}

void TskVirtualTreeViewWnd::NCPaint(TMessage& message) {
  message.Result = 0;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (SkinData->UpdatingFlag) return;
  RebuildWindowBg(SkinData, Window, DialogMode);
  FillBorderCorners(SkinData, 0, this);
  const HDC dc = GetWindowDC(Window);
  if (dc == nullptr) return;
  PaintFrame(dc);
  ReleaseDC(Window, dc);
}

void TskVirtualTreeViewWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCPAINT:
      if (!IsWindowVisible(Window)) break;
      NCPaint(message);
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(message.WParam) == SB_THUMBTRACK)
        TakeTrackPosition(Window, message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ,
                          message.LParam != 0 ? static_cast<int>(message.LParam) : HIWORD(message.WParam));
      break;
    default:
      break;
  }
  TskEditWnd::WndProc(message);
}
