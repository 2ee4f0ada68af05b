#include "skin/adapters/skSBGridWnd.h"

#include <windows.h>

#include "skin/adapters/skSBPropPath.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/rtl/PropertyAccess.h"

namespace {

enum TGridColor : size_t {
  gcFixed, gcTitleFont, gcFixedFont, gcFixedLine, gcGridLine, gcGradientFrom, gcGradientTo, gcMirrorFrom,
  gcMirrorTo, gcSelection, gcSelectionText, gcTitleStart, gcTitleEnd, gcLineFixed, gcLineData, gcLineShadow,
  gcFooter, gcFooterCell, gcTitle, gcIndicatorIcon
};

bool NeedsControlLook(size_t row) { return row >= gcGradientFrom && row <= gcMirrorTo; }

}  // namespace

const std::array<const char*, TskGridWnd::kColorCount> TskGridWnd::ColorPaths = {
    "FixedColor",
    "TitleFont.Color",
    "FixedFont.Color",
    "GridFixedLineColor",
    "GridLineColor",
    "ControlLook.FixedGradientFrom",
    "ControlLook.FixedGradientTo",
    "ControlLook.FixedGradientMirrorFrom",
    "ControlLook.FixedGradientMirrorTo",
    "SelectionColor",
    "SelectionTextColor",
    "GridStyle.Title.StartColor",
    "GridStyle.Title.EndColor",
    "LineColors.FixedColor",
    "LineColors.DataColor",
    "LineColors.ShadowColor",
    "FooterColor",
    "FooterCellColor",
    "TitleColor",
    "IndicatorIconColor",
};

void TskGridWnd::SaveStdLook() {
  TskEditWnd::SaveStdLook();
  saved_.fill(-1);
  TControl* control = SkinData->HostControl;
  if (control == nullptr) return;
  const bool controlLook = HasPropByName(control, "ControlLook");
  for (size_t row = 0; row < kColorCount; ++row) {
    if (row == gcFixedFont && !controlLook) continue;
    if (NeedsControlLook(row) && !controlLook) continue;
    Integer color = 0;
    if (ReadColorPath(control, ColorPaths[row], color)) saved_[row] = color;
  }
}

void TskGridWnd::RestoreStdLook() {
  TskEditWnd::RestoreStdLook();
  TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr;
  if (control == nullptr || control->ComponentState().Contains(csDestroying)) return;
  for (size_t row = 0; row < kColorCount; ++row)
    if (saved_[row] != -1) WriteColorPath(control, ColorPaths[row], saved_[row]);
}

void TskGridWnd::SetSkinParams() {
  TskEditWnd::SetSkinParams();
  TControl* control = SkinData->HostControl;
  if (Detached() || control == nullptr || SkinManager == nullptr || !SkinManager->IsValidSkinIndex(SkinData->SectionIndex))
    return;
  const TsSkinManager& m = *SkinManager;
  const Integer global = m.GetGlobalColor();
  const Integer window = m.GetWindowColor();
  const Integer editFont = m.GetEditFontColor();
  const Integer border = m.SkinData.BorderColor;
  Integer common = global;
  if (m.IsValidSkinIndex(m.CommonSkinIndex)) common = m.gd[static_cast<size_t>(m.CommonSkinIndex)].Props[0].Color;
  std::array<Integer, kColorCount> skin{};
  skin[gcFixed] = global;
  skin[gcTitleFont] = m.GetGlobalFontColor();
  skin[gcFixedFont] = m.GetGlobalFontColor();
  skin[gcFixedLine] = border;
  skin[gcGridLine] = BlendColors(window, editFont, 0.7);
  skin[gcGradientFrom] = BlendColors(global, window, 0.5);
  skin[gcGradientTo] = global;
  skin[gcMirrorFrom] = BlendColors(global, 0, 0.95);
  skin[gcMirrorTo] = BlendColors(global, 0xFFFFFF, 0.9);
  skin[gcSelection] = m.GetHighlightColor(true);
  skin[gcSelectionText] = m.GetHighlightFontColor(true);
  skin[gcTitleStart] = BlendColors(global, window, 0.5);
  skin[gcTitleEnd] = global;
  skin[gcLineFixed] = border;
  skin[gcLineData] = BlendColors(window, editFont, 0.8);
  skin[gcLineShadow] = BlendColors(window, editFont, 0.8);
  skin[gcFooter] = common;
  skin[gcFooterCell] = common;
  skin[gcTitle] = common;
  skin[gcIndicatorIcon] = SectionFontColor(0);
  for (size_t row = 0; row < kColorCount; ++row)
    if (saved_[row] != -1) WriteColorPath(control, ColorPaths[row], skin[row]);
}

void TskGridWnd::WndProc(TMessage& message) {
  if (!SkinnedNow()) {
    TskEditWnd::WndProc(message);
    return;
  }
  TControl* control = SkinData->HostControl;
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // The grid paints every cell itself.
      SkinData->SetUpdating(false);
      SkinData->SetUpdating(SkinData->IsUpdating());
      message.Result = 1;
      return;
    case WM_VSCROLL:
      if (control != nullptr && HasPropByName(control, "DataSource")) {
        const Integer code = LOWORD(message.WParam);
        if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) {
          // The skinned bar does not move the system's track position: the position sent is it.
          SCROLLINFO si{};
          si.cbSize = sizeof si;
          si.fMask = SIF_ALL;
          GetScrollInfo(Window, SB_VERT, &si);
          si.nPos = message.LParam != 0 ? static_cast<int>(message.LParam) : HIWORD(message.WParam);
          si.nTrackPos = si.nPos;
          si.fMask = SIF_POS;
          SetScrollInfo(Window, SB_VERT, &si, FALSE);
        } else if (code == SB_ENDSCROLL && control->ClassNameIs("TwwDBGrid")) {
          SCROLLINFO si{};
          si.cbSize = sizeof si;
          si.fMask = SIF_TRACKPOS;
          GetScrollInfo(Window, SB_VERT, &si);
          SendScrollMsg(Window, WM_VSCROLL, SB_THUMBPOSITION, si.nTrackPos);
        }
      }
      break;
    default:
      break;
  }
  TskEditWnd::WndProc(message);
  if (Detached()) return;
  switch (message.Msg) {
    case WM_PAINT:
      UpdateScrollInfo(true);
      break;
    case WM_WINDOWPOSCHANGED:
      if (IsWindowVisible(Window)) SendMessageW(Window, WM_NCPAINT, 0, 0);
      break;
    default:
      break;
  }
}

// ---- another vendor's grid ----

namespace {

enum TEhColor : size_t { ecEvenRow, ecOddRow, ecBright, ecDataHorz, ecDataVert, ecDark, ecRowDetail };

}  // namespace

const std::array<const char*, TskGridEhWnd::kEhColorCount> TskGridEhWnd::EhColorPaths = {
    "EvenRowColor",
    "OddRowColor",
    "GridLineParams.BrightColor",
    "GridLineParams.DataHorzColor",
    "GridLineParams.DataVertColor",
    "GridLineParams.DarkColor",
    "RowDetailPanel.Color",
};

void TskGridEhWnd::SaveStdLook() {
  TskGridWnd::SaveStdLook();
  savedEh_.fill(-1);
  TControl* control = SkinData->HostControl;
  if (control == nullptr) return;
  for (size_t row = 0; row < kEhColorCount; ++row) {
    // Row colours read as "none" are the window's.
    const Integer none = row <= ecOddRow ? static_cast<Integer>(clWindow) : -1;
    if (Integer color = 0; ReadColorPath(control, EhColorPaths[row], color, none)) savedEh_[row] = color;
  }
  // The row colours are the skin's only where the grid shows rows in two colours.
  if (savedEh_[ecEvenRow] == savedEh_[ecOddRow]) savedEh_[ecEvenRow] = savedEh_[ecOddRow] = -1;
}

void TskGridEhWnd::RestoreStdLook() {
  TskGridWnd::RestoreStdLook();
  TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr;
  if (control == nullptr || control->ComponentState().Contains(csDestroying)) return;
  for (size_t row = 0; row < kEhColorCount; ++row)
    if (savedEh_[row] != -1) WriteColorPath(control, EhColorPaths[row], savedEh_[row]);
}

void TskGridEhWnd::SetSkinParams() {
  TskGridWnd::SetSkinParams();
  TControl* control = SkinData->HostControl;
  if (Detached() || control == nullptr || SkinManager == nullptr) return;
  const Integer window = SkinManager->GetWindowColor();
  const Integer editFont = SkinManager->GetEditFontColor();
  const Integer global = SkinManager->GetGlobalColor();
  std::array<Integer, kEhColorCount> skin{};
  skin[ecEvenRow] = BlendColors(editFont, window, 0.1);
  skin[ecOddRow] = window;
  skin[ecBright] = BlendColors(0xFFFFFF, window, 0.2);
  skin[ecDataHorz] = BlendColors(editFont, window, 0.2);
  skin[ecDataVert] = BlendColors(editFont, window, 0.2);
  skin[ecDark] = BlendColors(0, global, 0.3);
  skin[ecRowDetail] = global;
  for (size_t row = 0; row < kEhColorCount; ++row)
    if (savedEh_[row] != -1) WriteColorPath(control, EhColorPaths[row], skin[row]);
}

void TskGridEhWnd::WndProc(TMessage& message) {
  TskGridWnd::WndProc(message);
  // A child the grid makes (an editor, a panel) is skinned by the form when foreign controls are.
  if (message.Msg == WM_PARENTNOTIFY && LOWORD(message.WParam) == WM_CREATE && !Detached() && SkinManager != nullptr &&
      SkinManager->SkinningRules().Contains(srThirdParty))
    NotifyParentForm(SkinData->HostControl);
}
