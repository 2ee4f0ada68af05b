#include "skin/adapters/skSBScrollWnd.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>

#include "skin/forms/sCommonData.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"

TGetScrollBarInfo GetScrollBarInfoProc = nullptr;
TFlatSB InitializeFlatSBProc = nullptr;
TFlatSB UninitializeFlatSBProc = nullptr;

namespace {

// The run-time bindings, made when the library starts.
[[maybe_unused]] const bool kBound = [] {
  if (const HMODULE user = GetModuleHandleW(L"user32.dll"))
    GetScrollBarInfoProc =
        reinterpret_cast<TGetScrollBarInfo>(reinterpret_cast<void*>(GetProcAddress(user, "GetScrollBarInfo")));
  if (const HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
    InitializeFlatSBProc = reinterpret_cast<TFlatSB>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitializeFlatSB")));
    UninitializeFlatSBProc =
        reinterpret_cast<TFlatSB>(reinterpret_cast<void*>(GetProcAddress(comctl, "UninitializeFlatSB")));
  }
  return true;
}();

// The process-wide tracking state: one mouse, one GUI thread.
struct TskScrollTracking {
  HWND Window = nullptr;
  Integer Pressed = spNone;       // the part pressed
  Integer ShownPressed = spNone;  // the part shown pressed (the pressed one while the mouse is over it)
  Word Kind = 0;
  UINT ScrollMsg = 0;
  bool Repeating = false;
  // A thumb drag.
  Integer ThumbLength = 0;
  Integer ThumbStart = 0;
  TRect BarRect;
  Integer Grab = 0;
  Integer LastPos = 0;
  // Hover: the bar under the mouse and its part.
  Integer HotKind = -1;
  Integer HotPart = spNone;
};
TskScrollTracking Tracking;

void ResetTracking() { Tracking = TskScrollTracking{}; }

TRect ToTs(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TRect WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return ToTs(r);
}

TRect Moved(const TRect& r, Integer dx, Integer dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// The arrow sections by bar kind (first, second) and the track and thumb sections.
const char* FirstArrowSection(Word kind) { return kind == 0 ? "SCROLLBTNLEFT" : "SCROLLBTNTOP"; }
const char* SecondArrowSection(Word kind) { return kind == 0 ? "SCROLLBTNRIGHT" : "SCROLLBTNBOTTOM"; }
const char* TrackBeforeSection(Word kind) { return kind == 0 ? "SCROLLBAR1H" : "SCROLLBAR1V"; }
const char* TrackAfterSection(Word kind) { return kind == 0 ? "SCROLLBAR2H" : "SCROLLBAR2V"; }
const char* ThumbSection(Word kind) { return kind == 0 ? "SCROLLSLIDERH" : "SCROLLSLIDERV"; }

// One part: the section with its border mask and patterns, then its glyph centred over glyphRect.
void PaintPart(TsSkinManager& manager, const TsSectionSkin& skin, const char* name, const TsPixelView& view,
               const TRect& rect, const TRect& glyphRect, Integer state, const TsBgPixels& background) {
  const Integer section = manager.GetSkinIndex(name);
  if (!manager.IsValidSkinIndex(section) || rect.IsEmpty()) return;
  const Integer border = manager.GetMaskIndex(section, name, "BORDERSMASK");
  const Integer texture = manager.GetTextureIndex(section, name, "PATTERN");
  const Integer hotTexture = manager.GetTextureIndex(section, name, "HOTPATTERN");
  PaintSectionWithMask(skin, section, border, texture, hotTexture, view, 0, 0, rect, state, true, background);
  const Integer glyph = manager.GetMaskIndex(section, name, "GLYPHMASK");
  if (!manager.IsValidMaskIndex(glyph)) return;
  const TsMaskData& mask = manager.ma[static_cast<size_t>(glyph)];
  // Masks without images or rows have no glyph size: nothing is drawn.
  const Integer w = MaskStateWidth(mask);
  const Integer h = MaskStateHeight(mask);
  if (w <= 0 || h <= 0) return;
  const Integer x = glyphRect.Left + (glyphRect.Width() - w) / 2;
  const Integer y = glyphRect.Top + (glyphRect.Height() - h) / 2;
  PaintMaskGlyph(view, x, y, std::min<Integer>(state, std::max<Integer>(mask.ImageCount, 1) - 1), background, mask,
                 skin.Pixels.ImageOf(mask), 1);
}

}  // namespace

HWND ScrollTrackingWindow() { return Tracking.Window; }

TskScrollMetrics CurrentScrollMetrics(TsSkinManager* manager) {
  TskScrollMetrics m;
  m.HorzBarHeight = GetSystemMetrics(SM_CYHSCROLL);
  m.VertBarWidth = GetSystemMetrics(SM_CXVSCROLL);
  m.ArrowLength = GetSystemMetrics(SM_CXHSCROLL);
  if (manager == nullptr) return m;
  const Integer left = manager->GetSkinIndex("SCROLLBTNLEFT");
  if (!manager->IsValidSkinIndex(left) || !manager->gd[static_cast<size_t>(left)].ReservedBoolean) return m;
  const Integer leftMask = manager->GetMaskIndex(left, "SCROLLBTNLEFT", "BORDERSMASK");
  const Integer top = manager->GetSkinIndex("SCROLLBTNTOP");
  const Integer topMask = manager->GetMaskIndex(top, "SCROLLBTNTOP", "BORDERSMASK");
  if (manager->IsValidMaskIndex(leftMask)) m.SkinArrowHorz = MaskStateWidth(manager->ma[static_cast<size_t>(leftMask)]);
  if (manager->IsValidMaskIndex(topMask)) m.SkinArrowVert = MaskStateHeight(manager->ma[static_cast<size_t>(topMask)]);
  return m;
}

TskScrollBar::TskScrollBar(TskScrollWnd* owner, Word kind) : Owner(owner) {
  State.Kind = kind;
  State.ButtonLength = -1;
  State.Thickness = -1;
  State.MinThumb = 10;
}

TskScrollWnd::~TskScrollWnd() {
  if (Tracking.Window == Window) ResetTracking();
}

void TskScrollWnd::SaveStdLook() {
  // The bars are made once: a later SaveStdLook (a new skin) keeps them.
  if (!horz_) horz_ = std::make_unique<TskScrollBar>(this, 0);
  if (!vert_) vert_ = std::make_unique<TskScrollBar>(this, 1);
  ThumbTracking = false;
  PreventStyleChange = false;
  LeftScrollBar = (GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  horz_->State.StyleFlags = (style & WS_HSCROLL) ? sbfHasStyle : 0;
  vert_->State.StyleFlags = (style & WS_VSCROLL) ? sbfHasStyle : 0;
  ReadScrollInfo(*horz_);
  ReadScrollInfo(*vert_);
}

void TskScrollWnd::ReadScrollInfo(TskScrollBar& bar) const {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!GetScrollInfo(Window, bar.State.Kind == 0 ? SB_HORZ : SB_VERT, &si)) si = SCROLLINFO{};
  bar.State.Info = {si.nMin, si.nMax, si.nPage, si.nPos, si.nTrackPos};
}

TskBarLayout TskScrollWnd::Layout() const {
  TskBarLayout layout;
  if (horz_) layout.Horz = horz_->State;
  if (vert_) layout.Vert = vert_->State;
  layout.Edges = Edges;
  layout.LeftScrollBar = LeftScrollBar;
  layout.Metrics = CurrentScrollMetrics(SkinManager);
  return layout;
}

bool TskScrollWnd::BarRect(Integer kind, TRect& rect) const {
  if (kind != 0 && kind != 1) return false;
  const TskBarLayout layout = Layout();
  const TRect window = WindowRectOf(Window);
  rect = kind == 0 ? HorzBarRect(layout, window) : VertBarRect(layout, window);
  return true;
}

bool TskScrollWnd::IsScrollBarEnabled(const TskScrollBar& bar) const {
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  if (GetScrollBarInfoProc == nullptr) return (style & (bar.State.Kind == 0 ? WS_HSCROLL : WS_VSCROLL)) != 0;
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  const LONG object = bar.State.Kind == 0 ? OBJID_HSCROLL : bar.State.Kind == 1 ? OBJID_VSCROLL : OBJID_CLIENT;
  if (!GetScrollBarInfoProc(Window, object, &info)) return false;
  const Word flags = bar.State.StyleFlags;
  if ((flags & sbfFirstArrowDisabled) && (flags & sbfSecondArrowDisabled)) return false;
  const TskScrollInfo& si = bar.State.Info;
  if ((flags & sbfNeedsUsableRange) &&
      !(si.Max >= static_cast<Integer>(si.Page) && si.Min < si.Max && si.Max != 0))
    return false;
  return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

void TskScrollWnd::UpdateScrollInfo(bool repaint) {
  if (!IsWindowVisible(Window) || !horz_ || !vert_ || (SkinData != nullptr && SkinData->IsUpdating())) return;
  ReadScrollInfo(*horz_);
  ReadScrollInfo(*vert_);
  if (repaint) PaintScrollBars(nullptr);
}

void SendScrollMsg(HWND window, UINT msg, Integer code, Integer pos) {
  const LPARAM command = MAKELPARAM(code, msg);
  const bool posInLParam = SendSkinCommand(window, scScrollBegin, command) == 1;
  if (!posInLParam && code == SB_THUMBTRACK) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(window, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &si, FALSE);
  }
  const WPARAM wParam = MAKEWPARAM(code, std::clamp<Integer>(pos, 0, 0xFFFF));
  SendMessageW(window, msg, wParam, posInLParam ? static_cast<LPARAM>(pos) : 0);
  SendSkinCommand(window, scScrollEnd, command);
}

// ---- painting ----

void TskScrollWnd::PaintScrollBars(HDC dc, Integer thumbPos) {
  if (!horz_ || !vert_ || SkinManager == nullptr || !SkinManager->Active()) return;
  if (SkinData != nullptr) {
    if (SkinData->IsUpdating()) return;
    if (!IsWindowVisible(Window)) return;
  }
  const HDC target = dc != nullptr ? dc : GetWindowDC(Window);
  if (target == nullptr) return;
  const TRect window = WindowRectOf(Window);
  if (horz_->State.Shown) PaintBar(target, *horz_, window, thumbPos);
  if (vert_->State.Shown) PaintBar(target, *vert_, window, thumbPos);
  const TskBarLayout layout = Layout();
  const TRect corner = CornerRect(layout, window);
  if (!corner.IsEmpty()) {
    TskBgRequest request;
    GetParentBgFromWindow(request, Window, false);
    const TRect local = Moved(corner, -window.Left, -window.Top);
    const TColor color = static_cast<TColor>(request.AnswerKind == bgBitmap ? ColorToRGB(clBtnFace) : request.Color);
    const HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    const RECT r{local.Left, local.Top, local.Right, local.Bottom};
    FillRect(target, &r, brush);
    DeleteObject(brush);
  }
  if (dc == nullptr) ReleaseDC(Window, target);
}

void TskScrollWnd::PaintBar(HDC dc, const TskScrollBar& bar, const TRect& windowRect, Integer thumbPos) {
  TRect rect;
  BarRect(bar.State.Kind, rect);
  const Word kind = bar.State.Kind;
  const Integer length = kind == 0 ? rect.Width() : rect.Height();
  const Integer across = kind == 0 ? rect.Height() : rect.Width();
  if (length <= 1 || across <= 0 || SkinManager->GetSkinIndex(TrackBeforeSection(kind)) < 0) return;
  TskScrollBar& mutableBar = kind == 0 ? *horz_ : *vert_;
  ReadScrollInfo(mutableBar);
  const TskBarState& state = mutableBar.State;
  const TskScrollMetrics metrics = CurrentScrollMetrics(SkinManager);
  const Integer b = ScrollBarPartSize(&state, false, true, metrics);
  bool enabled = IsScrollBarEnabled(bar);
  if (TControl* control = SkinData != nullptr ? SkinData->HostControl : nullptr) enabled = enabled && control->Enabled();

  const bool tracked = Tracking.Window == Window && Tracking.Kind == kind;
  const Integer pressed = tracked ? Tracking.ShownPressed : spNone;
  const Integer hot = Tracking.Window == Window && Tracking.HotKind == kind && enabled ? Tracking.HotPart : spNone;
  auto stateOf = [&](Integer part) {
    if (pressed == part) return 2;
    return hot == part && part != spTrackBefore && part != spTrackAfter ? 1 : 0;
  };

  // The background behind the bar: the window's own answer.
  TskBgRequest request;
  GetParentBgFromWindow(request, Window, false);
  const TskBgInfo bgInfo = BgInfoFromReply(request);
  const Integer bgColor = bgInfo.IsBitmap ? static_cast<Integer>(ColorToRGB(clBtnFace)) : bgInfo.Color;

  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(rect.Width(), rect.Height());
  const TsPixelView view = PixelViewOf(bitmap);
  const TRect all{0, 0, rect.Width(), rect.Height()};
  FillBitmapRectArgb(view, all, bgColor, 255);
  TsBgPixels background;
  background.Color = bgColor;
  const TsSectionSkin skin = SectionSkinOf(*SkinManager);

  // Rects along the bar in bitmap coordinates.
  auto along = [&](Integer from, Integer to) {
    return kind == 0 ? TRect{from, 0, to, across} : TRect{0, from, across, to};
  };
  const Integer arrowSquare = metrics.ArrowLength;
  if (2 * b < length) {
    const TRect local = Moved(rect, -rect.Left, -rect.Top);
    TskThumb thumb = ThumbGeometry(state, local, metrics);
    if (thumbPos >= 0 && tracked) thumb.Start = thumbPos - (kind == 0 ? rect.Left : rect.Top);
    const bool thumbShown = enabled && ThumbFits(state, local, metrics);
    const Integer centre = thumbShown ? thumb.Start + thumb.Length / 2 : length / 2;
    PaintPart(*SkinManager, skin, TrackBeforeSection(kind), view, along(b, centre), along(b, centre),
              stateOf(spTrackBefore), background);
    PaintPart(*SkinManager, skin, TrackAfterSection(kind), view, along(centre, length - b), along(centre, length - b),
              stateOf(spTrackAfter), background);
    PaintPart(*SkinManager, skin, FirstArrowSection(kind), view, along(0, b), along(0, std::min(b, arrowSquare)),
              stateOf(spFirstArrow), background);
    PaintPart(*SkinManager, skin, SecondArrowSection(kind), view, along(length - b, length),
              along(length - std::min(b, arrowSquare), length), stateOf(spSecondArrow), background);
    if (thumbShown) {
      const TRect t = along(thumb.Start, thumb.Start + thumb.Length);
      PaintPart(*SkinManager, skin, ThumbSection(kind), view, t, t, stateOf(spThumb), background);
    }
  } else {
    const Integer half = length / 2;
    PaintPart(*SkinManager, skin, TrackBeforeSection(kind), view, along(0, half), along(0, half), 0, background);
    PaintPart(*SkinManager, skin, TrackAfterSection(kind), view, along(half, length), along(half, length), 0,
              background);
    PaintPart(*SkinManager, skin, FirstArrowSection(kind), view, along(0, half), along(0, half),
              stateOf(spFirstArrow), background);
    PaintPart(*SkinManager, skin, SecondArrowSection(kind), view, along(half, length), along(half, length),
              stateOf(spSecondArrow), background);
  }
  // A disabled bar shows 40 percent of itself over the background.
  if (!enabled) MixBitmapWithColor(view, bgColor, 0.4);
  BitBlt(dc, rect.Left - windowRect.Left, rect.Top - windowRect.Top, rect.Width(), rect.Height(),
         bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- messages ----

void TskScrollWnd::NCCalcSize(TMessage& message) {
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(message.LParam);
  const TRect proposed = ToTs(params->rgrc[0]);
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  const bool hasHorz = (style & WS_HSCROLL) != 0;
  const bool hasVert = (style & WS_VSCROLL) != 0;
  if (hasHorz || hasVert) {
    // The window's own calculation runs without the bars, which the adapter lays out itself.
    PreventStyleChange = true;
    SetWindowLongPtrW(Window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_HSCROLL | WS_VSCROLL));
    CallOldProc(message);
    SetWindowLongPtrW(Window, GWL_STYLE, style);
    PreventStyleChange = false;
  } else {
    CallOldProc(message);
  }
  TskBarLayout layout = Layout();
  TRect client = ToTs(params->rgrc[0]);
  ScrollNCCalcSize(layout, proposed, client, hasHorz, hasVert);
  params->rgrc[0] = RECT{client.Left, client.Top, client.Right, client.Bottom};
  Edges = layout.Edges;
  horz_->State.StyleFlags = static_cast<Word>((horz_->State.StyleFlags & ~sbfHasStyle) | layout.Horz.StyleFlags);
  vert_->State.StyleFlags = static_cast<Word>((vert_->State.StyleFlags & ~sbfHasStyle) | layout.Vert.StyleFlags);
  horz_->State.Shown = layout.Horz.Shown;
  vert_->State.Shown = layout.Vert.Shown;
}

void TskScrollWnd::NCHitTest(TMessage& message) {
  const Integer x = GET_X_LPARAM(message.LParam);
  const Integer y = GET_Y_LPARAM(message.LParam);
  const TskBarLayout layout = Layout();
  const TRect window = WindowRectOf(Window);
  auto inside = [&](const TRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; };
  if (horz_->State.Shown && inside(HorzBarRect(layout, window))) {
    ReadScrollInfo(*horz_);
    message.Result = IsScrollBarEnabled(*horz_) ? HTHSCROLL : HTNOWHERE;
    return;
  }
  if (vert_->State.Shown && inside(VertBarRect(layout, window))) {
    ReadScrollInfo(*vert_);
    message.Result = IsScrollBarEnabled(*vert_) ? HTVSCROLL : HTNOWHERE;
    return;
  }
  CallOldProc(message);
}

void TskScrollWnd::NCButtonDown(TMessage& message) {
  TskScrollBar& bar = message.WParam == HTHSCROLL ? *horz_ : *vert_;
  const Word kind = bar.State.Kind;
  ReadScrollInfo(bar);
  TRect rect;
  BarRect(kind, rect);
  const TskScrollMetrics metrics = CurrentScrollMetrics(SkinManager);
  const Integer part = HitTestBar(bar.State, rect, GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam), metrics);
  Tracking.Window = Window;
  Tracking.Kind = kind;
  Tracking.ScrollMsg = kind == 0 ? WM_HSCROLL : WM_VSCROLL;
  Tracking.Pressed = part;
  message.Result = 0;
  if (part == spNone) {
    ResetTracking();
    return;
  }
  if ((part == spFirstArrow && (bar.State.StyleFlags & sbfFirstArrowDisabled)) ||
      (part == spSecondArrow && (bar.State.StyleFlags & sbfSecondArrowDisabled)) || !IsScrollBarEnabled(bar)) {
    ResetTracking();
    return;
  }
  if (part == spThumb) {
    const TskThumb thumb = ThumbGeometry(bar.State, rect, metrics);
    Tracking.ThumbLength = thumb.Length;
    Tracking.ThumbStart = thumb.Start;
    Tracking.BarRect = rect;
    Tracking.Grab = (kind == 0 ? GET_X_LPARAM(message.LParam) : GET_Y_LPARAM(message.LParam)) - thumb.Start;
    Tracking.LastPos = bar.State.Info.Pos;
    Tracking.ShownPressed = spThumb;
    ThumbTracking = true;
    PaintScrollBars(nullptr, thumb.Start);
  } else {
    Tracking.ShownPressed = part;
    PaintScrollBars(nullptr);
    Scrolling = true;
    SendScrollMsg(Window, Tracking.ScrollMsg, part, 0);
    Scrolling = false;
    UpdateScrollInfo(true);
    SetTimer(Window, kScrollRepeatDelayTimer, 300, nullptr);
    Tracking.Repeating = true;
  }
  SetCapture(Window);
}

void TskScrollWnd::NCMouseMove(TMessage& message) {
  const Integer kind = message.WParam == HTHSCROLL ? 0 : 1;
  if (Tracking.Window != Window || Tracking.HotKind != kind) {
    if (Tracking.Window != nullptr && Tracking.Window != Window && Tracking.Pressed != spNone) return;
    Tracking.Window = Window;
    Tracking.HotKind = kind;
    Tracking.HotPart = spNone;
    SetTimer(Window, kScrollHoverTimer, 20, nullptr);
  }
  HoverTimer();
}

void TskScrollWnd::HoverTimer() {
  if (Tracking.Window != Window || Tracking.HotKind < 0) {
    KillTimer(Window, kScrollHoverTimer);
    return;
  }
  if (ThumbTracking) return;
  TskScrollBar& bar = Tracking.HotKind == 0 ? *horz_ : *vert_;
  TRect rect;
  BarRect(Tracking.HotKind, rect);
  POINT cursor{};
  GetCursorPos(&cursor);
  const bool inside = cursor.x >= rect.Left && cursor.x < rect.Right && cursor.y >= rect.Top && cursor.y < rect.Bottom;
  if (!inside) {
    // The mouse has left the bar: the hot state goes (a pressed part keeps its tracking).
    KillTimer(Window, kScrollHoverTimer);
    Tracking.HotKind = -1;
    Tracking.HotPart = spNone;
    if (Tracking.Pressed == spNone) Tracking.Window = nullptr;
    PaintScrollBars(nullptr);
    return;
  }
  const Integer part = HitTestBar(bar.State, rect, cursor.x, cursor.y, CurrentScrollMetrics(SkinManager));
  if (part != Tracking.HotPart) {
    Tracking.HotPart = part;
    PaintScrollBars(nullptr);
  }
}

void TskScrollWnd::RepeatTimer(UINT_PTR id) {
  if (id == kScrollRepeatDelayTimer) {
    KillTimer(Window, kScrollRepeatDelayTimer);
    SetTimer(Window, kScrollRepeatTimer, 55, nullptr);
  }
  if (Tracking.Window != Window || Tracking.Pressed == spNone || Tracking.Pressed == spThumb) return;
  TskScrollBar& bar = Tracking.Kind == 0 ? *horz_ : *vert_;
  ReadScrollInfo(bar);
  TRect rect;
  BarRect(Tracking.Kind, rect);
  POINT cursor{};
  GetCursorPos(&cursor);
  const Integer part = HitTestBar(bar.State, rect, cursor.x, cursor.y, CurrentScrollMetrics(SkinManager));
  if (part != Tracking.Pressed) return;
  Scrolling = true;
  SendScrollMsg(Window, Tracking.ScrollMsg, part, 0);
  Scrolling = false;
  UpdateScrollInfo(true);
}

void TskScrollWnd::TrackThumb(TMessage& message) {
  // The mouse comes in client coordinates (negative over a bar left of the client area).
  POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  ClientToScreen(Window, &p);
  TskScrollBar& bar = Tracking.Kind == 0 ? *horz_ : *vert_;
  const TskThumbDrag drag = ThumbDragPosition(bar.State, Tracking.BarRect, Tracking.ThumbLength,
                                              Tracking.Kind == 0 ? p.x : p.y, Tracking.Grab,
                                              CurrentScrollMetrics(SkinManager));
  Tracking.ThumbStart = drag.Start;
  PaintScrollBars(nullptr, drag.Start);
  if (drag.Position != Tracking.LastPos) {
    Scrolling = true;
    SendScrollMsg(Window, Tracking.ScrollMsg, SB_THUMBTRACK, drag.Position);
    Scrolling = false;
    Tracking.LastPos = drag.Position;
  }
  message.Result = 0;
}

void TskScrollWnd::ButtonUp(TMessage& message) {
  ReleaseCapture();
  const UINT msg = Tracking.ScrollMsg;
  if (Tracking.Pressed == spThumb) {
    ThumbTracking = false;
    SendScrollMsg(Window, msg, SB_THUMBPOSITION, Tracking.LastPos);
  } else {
    KillTimer(Window, kScrollRepeatDelayTimer);
    KillTimer(Window, kScrollRepeatTimer);
  }
  SendScrollMsg(Window, msg, SB_ENDSCROLL, 0);
  ResetTracking();
  UpdateScrollInfo(true);
  CallOldProc(message);
}

void TskScrollWnd::WndProc(TMessage& message) {
  const bool tracking = Tracking.Window == Window && Tracking.Pressed != spNone;
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
      // The tracking state never outlives its window.
      if (Tracking.Window == Window) ResetTracking();
      TskMainWnd::WndProc(message);
      return;
    default:
      break;
  }
  if (Detached() || !horz_ || !vert_ || SkinManager == nullptr || !SkinManager->Active()) {
    TskMainWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_NCCALCSIZE:
      NCCalcSize(message);
      return;
    case WM_NCHITTEST:
      NCHitTest(message);
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) {
        NCButtonDown(message);
        return;
      }
      break;
    case WM_NCMOUSEMOVE:
      // Passed on first: the system tracks its own bar's hot parts and paints them over the skinned
      // bar; the skinned one is painted after it.
      TskMainWnd::WndProc(message);
      if (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) {
        NCMouseMove(message);
        PaintScrollBars(nullptr);
      }
      return;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      if (message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) {
        message.Result = 0;
        return;
      }
      break;
    case WM_SYSCOMMAND:
      if ((message.WParam & 0xFFF0) == 0xF070 && (message.WParam & 0xF) == 7) return;
      break;
    case WM_TIMER:
      if (message.WParam == kScrollHoverTimer) {
        HoverTimer();
        return;
      }
      if (message.WParam == kScrollRepeatDelayTimer || message.WParam == kScrollRepeatTimer) {
        RepeatTimer(message.WParam);
        return;
      }
      break;
    case WM_MOUSEMOVE:
      if (tracking && Tracking.Pressed == spThumb && ThumbTracking) {
        TrackThumb(message);
        return;
      }
      break;
    case WM_LBUTTONUP:
      if (tracking) {
        ButtonUp(message);
        return;
      }
      break;
    case WM_STYLECHANGED:
      if (PreventStyleChange) {
        message.Result = 0;
        return;
      }
      if (message.WParam == static_cast<WPARAM>(GWL_EXSTYLE))
        LeftScrollBar = (reinterpret_cast<const STYLESTRUCT*>(message.LParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
      break;
    case WM_NCPAINT:
      // The window's own frame first: its procedure would paint the system's bars over the skinned ones.
      TskMainWnd::WndProc(message);
      if (IsWindowVisible(Window) && !Scrolling) UpdateScrollInfo(true);
      return;
    case WM_MOUSEWHEEL:
    case WM_NCMOUSELEAVE:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SETTEXT:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case EM_LINESCROLL:
    case EM_SCROLL:
    case EM_SCROLLCARET:
    case EM_REPLACESEL:
    case EM_SETSEL:
    case LB_SETTOPINDEX:
    case LB_SETCURSEL:
      // The window moves its own scroll state here, and the system repaints its own bar over the
      // skinned one when it does: the skinned bar is painted again afterwards.
      TskMainWnd::WndProc(message);
      if (!Scrolling) UpdateScrollInfo(true);
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

// ---- attaching and detaching ----

bool DetachScrollWnd(HWND window, bool free, bool frameChanged, TskMainWnd*& adapter) {
  // The base detaches every adapter that is not detached yet, foreign windows included, and gives a
  // hook back only while it is still on top; the bars go with the adapter (owned once).
  if (adapter != nullptr && ScrollTrackingWindow() == window) ResetTracking();
  return DetachAdapter(window, free, frameChanged, adapter);
}

TskScrollBar* GetScrollBarOf(HWND window, Integer kind) {
  auto* adapter = dynamic_cast<TskScrollWnd*>(FindAdapter(window));
  if (adapter == nullptr) return nullptr;
  return kind == 0 ? adapter->HorzBar() : kind == 1 ? adapter->VertBar() : nullptr;
}

bool SetMinThumbSize(HWND window, Integer which, Word size) {
  auto* adapter = dynamic_cast<TskScrollWnd*>(FindAdapter(window));
  if (adapter == nullptr) return false;
  if ((which == 0 || which == 3) && adapter->HorzBar() != nullptr) adapter->HorzBar()->State.MinThumb = size;
  if ((which == 1 || which == 3) && adapter->VertBar() != nullptr) adapter->VertBar()->State.MinThumb = size;
  return true;
}
