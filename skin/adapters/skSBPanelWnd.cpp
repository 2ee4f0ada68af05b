#include "skin/adapters/skSBPanelWnd.h"

#include <windows.h>

#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"

namespace {

// The panel whose window this is, when the skin state's host is one.
TPanel* PanelOf(const TsCommonData* data) {
  return data != nullptr ? dynamic_cast<TPanel*>(data->HostControl) : nullptr;
}

AnsiString InitialSection(const AnsiString& section, const TsCommonData* data) {
  if (!section.empty()) return section;
  const TPanel* panel = PanelOf(data);
  // The layer's panels have no border of their own.
  return panel != nullptr ? PanelSectionOfBevels(panel->BevelOuter(), panel->BevelInner(), false) : section;
}

Integer BevelCount(const TPanel& panel) {
  return (panel.BevelOuter() != bvNone ? 1 : 0) + (panel.BevelInner() != bvNone ? 1 : 0);
}

}  // namespace

AnsiString PanelSectionOfBevels(TBevelCut outer, TBevelCut inner, bool bordered) {
  switch (outer) {
    case bvLowered: return inner == bvRaised ? "GROUPBOX" : "PANEL_LOW";
    case bvRaised: return inner == bvLowered ? "GROUPBOX" : "PANEL";
    default: return bordered ? "PANEL_LOW" : "CHECKBOX";
  }
}

// ---- the panel ----

TskPanelWnd::TskPanelWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                         TsCommonData* data)
    : TskMainWnd(window, repaint, InitialSection(section, data), manager, data) {}

TPanel* TskPanelWnd::Panel() const { return PanelOf(SkinData); }

bool TskPanelWnd::Handles() const {
  if (Detached() || SkinData == nullptr || !SkinData->Skinned()) return false;
  // A foreign panel window has no control to ask: it is a container.
  const TControl* owner = SkinData->HostControl;
  return owner == nullptr || owner->ControlStyle().Contains(csAcceptsControls);
}

void TskPanelWnd::DrawCaption(const TRect& area) {
  TPanel* panel = Panel();
  if (WindowText.empty() || (panel != nullptr && !panel->ShowCaption())) return;
  TCanvas& canvas = SkinData->CacheBitmap->Canvas();
  if (TControl* owner = SkinData->HostControl) {
    canvas.SetFont(owner->Font());
  } else {
    AssignSystemFont(canvas, 5);
  }
  canvas.Brush().SetStyle(bsClear);
  const Integer h = TextExtentStr(canvas.Handle(), "W").Y;
  TRect rect = area;
  rect.Top = (area.Top + area.Bottom - h) / 2;
  rect.Bottom = rect.Top + h;
  UINT flags = DT_CENTER | DT_VCENTER;
  if (panel != nullptr) flags = ControlTextFlags(panel, panel->Alignment()) | DT_WORDBREAK | DT_VCENTER;
  const bool enabled = SkinData->HostControl == nullptr || SkinData->HostControl->Enabled();
  DrawControlText(canvas, WindowText, enabled, false, *SkinData, flags, rect);
}

void TskPanelWnd::PrepareCache() {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  TBitmap& cache = CacheOfSize(*SkinData, WndSize.X, WndSize.Y);
  const TControl* owner = SkinData->HostControl;
  const TskBgInfo background = owner != nullptr ? SkinData->GetParentBg() : GetParentBgOfWnd(Window);
  const TPoint at = owner != nullptr ? TPoint{owner->Left(), owner->Top()} : WndPos;
  SkinData->PaintOwnSection(background, true, cache, at, TRect{0, 0, WndSize.X, WndSize.Y}, 0);
  RECT client{};
  GetClientRect(Window, &client);
  TRect text = FromRECT(client);
  if (const TPanel* panel = Panel(); panel != nullptr) {
    const Integer inset = panel->BevelWidth() * BevelCount(*panel) + panel->BorderWidth();
    text = TRect{text.Left + inset, text.Top + inset, text.Right - inset, text.Bottom - inset};
  }
  DrawCaption(text);
  SkinData->BackgroundDirty = false;
}

void TskPanelWnd::PaintPanel(HDC given) {
  TControl* owner = SkinData->HostControl;
  if (owner != nullptr) {
    if (owner->ComponentState().Contains(csDestroying)) return;
    if (owner->Parent() != nullptr && owner->Parent()->ControlState().Contains(csCreating)) return;
  }
  if (SkinData->IsUpdating()) return;
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  const int saved = SaveDC(dc);
  bool halfVisible = false;
  if (SkinData->ParentBgState() != 0) {
    RECT box{};
    GetClipBox(dc, &box);
    halfVisible = box.left != 0 || box.top != 0 || box.right != WndSize.X || box.bottom != WndSize.Y;
  }
  const bool rebuild = halfVisible || SkinData->BackgroundDirty || !SkinData->CacheBitmap;
  if (rebuild) PrepareCache();
  RECT client{};
  GetClientRect(Window, &client);
  const Integer b = (WndSize.X - client.right) / 2;
  const TRect source{b, b, WndSize.X - b, WndSize.Y - b};
  const TRect clip{0, 0, WndSize.X - 2 * b, WndSize.Y - 2 * b};
  auto* container = dynamic_cast<TWinControl*>(owner);
  if (container != nullptr) {
    CopyControlCache(container, *SkinData, source, 0, 0, true, dc, clip);
    PaintControlImage(dc, container, true, TPoint{0, 0});
  } else {
    CopyGroupBoxCache(Window, *SkinData, source, 0, 0, true, dc, clip);
  }
  RestoreDC(dc, saved);
  if (given == nullptr) ReleaseDC(Window, dc);
  if (container != nullptr) {
    EndChildrenUpdate(container);
  } else {
    EndChildWindowsUpdate(Window);
  }
}

void TskPanelWnd::PaintBorder(HDC given) {
  RECT window{};
  RECT client{};
  GetWindowRect(Window, &window);
  GetClientRect(Window, &client);
  const Integer width = window.right - window.left;
  const Integer b = (width - client.right) / 2;
  if (b <= 0) return;
  if (SkinData->BackgroundDirty || !SkinData->CacheBitmap) PrepareCache();
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc == nullptr) return;
  CopyFrameStrips(dc, 0, 0, width, window.bottom - window.top, SkinData->CacheBitmap->Canvas().Handle(), 0, 0, b);
  if (given == nullptr) ReleaseDC(Window, dc);
}

void TskPanelWnd::WndProc(TMessage& message) {
  if (!Handles()) {
    TskMainWnd::WndProc(message);
    return;
  }
  TControl* owner = SkinData->HostControl;
  const bool visible = IsWindowVisible(Window) != FALSE;
  switch (message.Msg) {
    case SkinCommandMessage:
      switch (SkinCommandOf(message.WParam)) {
        case scNewSkin:
        case scRefresh:
          TskMainWnd::WndProc(message);
          NotifyChildren(owner, Window, message);
          return;
        case scRemoveSkin:
          SkinData->SectionIndex = -1;
          if (owner != nullptr) {
            TControlStyle style = owner->ControlStyle();
            owner->SetControlStyle(style.Exclude(csOpaque));
          }
          TskMainWnd::WndProc(message);
          return;
        case scIsSkinned:
          message.Result = 1;
          return;
        case scRebuildCache:
          return;
        case scGetApplication:
          message.Result = reinterpret_cast<LRESULT>(Application);
          return;
        default:
          break;
      }
      break;
    case WM_PAINT:
      PaintOnErase(Window);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      PaintPanel(reinterpret_cast<HDC>(message.WParam));
      message.Result = 1;
      return;
    case WM_NCPAINT:
      PaintBorder(nullptr);
      message.Result = 0;
      return;
    case WM_PRINT:
      PaintPanel(reinterpret_cast<HDC>(message.WParam));
      PaintBorder(reinterpret_cast<HDC>(message.WParam));
      return;
    case WM_SETTEXT:
      if (!visible) break;
      SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
      TskMainWnd::WndProc(message);
      SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
      SkinData->BackgroundDirty = true;
      SendMessageW(Window, WM_PAINT, 0, 0);
      return;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
      const TsSkinManager* manager = SkinData->GetSkinManager();
      if (manager != nullptr && manager->IsValidSkinIndex(SkinData->SectionIndex) &&
          manager->gd[static_cast<size_t>(SkinData->SectionIndex)].Props[0].Transparency != 0)
        SkinData->BackgroundDirty = true;
      TskMainWnd::WndProc(message);
      if (message.Msg == WM_WINDOWPOSCHANGING) SendMessageW(Window, WM_NCPAINT, 0, 0);
      return;
    }
    case WM_UPDATEUISTATE:
      message.Result = 1;
      return;
    case WM_PARENTNOTIFY:
      TskMainWnd::WndProc(message);
      if (LOWORD(message.WParam) == WM_CREATE) NotifyParentForm(owner);
      return;
    case CM_TEXTCHANGED:
      SkinData->BackgroundDirty = true;
      break;
    case CM_SHOWINGCHANGED:
      if (owner != nullptr && owner->Visible()) {
        NotifyParentForm(owner);
        const auto manager = reinterpret_cast<LPARAM>(SkinManager);
        NotifyChildren(owner, Window, TMessage{SkinCommandMessage, SkinCommandWParam(scNewSkin), manager, 0});
        NotifyChildren(owner, Window, TMessage{SkinCommandMessage, SkinCommandWParam(scRefresh), manager, 0});
      }
      break;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

// ---- the pane with its parent's look ----

void TskTransPanelWnd::Paint(TMessage& message) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  PAINTSTRUCT ps{};
  BeginPaint(Window, &ps);
  const auto given = reinterpret_cast<HDC>(message.WParam);
  const HDC dc = given != nullptr ? given : GetWindowDC(Window);
  if (dc != nullptr) {
    SkinData->BackgroundDirty = true;
    RebuildWindowBg(SkinData, Window, false);
    const TRect whole{0, 0, WndSize.X, WndSize.Y};
    CopyGroupBoxCache(Window, *SkinData, whole, 0, 0, false, dc, whole);
    if (given == nullptr) ReleaseDC(Window, dc);
  }
  EndPaint(Window, &ps);
}

void TskTransPanelWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || !SkinData->Skinned()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      Paint(message);
      message.Result = 1;
      return;
    case WM_NCPAINT:
      message.Result = 0;
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}
