#include "vcl/gui/Panel.h"

#include "vcl/rtl/TextConv.h"

namespace {

// A 3-D frame of the given width inside rect; rect shrinks to its inside.
void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
  for (int i = 0; i < width; ++i) {
    HBRUSH tl = CreateSolidBrush(topLeft);
    HBRUSH br = CreateSolidBrush(bottomRight);
    RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    FillRect(dc, &top, tl);
    FillRect(dc, &left, tl);
    FillRect(dc, &right, br);
    FillRect(dc, &bottom, br);
    DeleteObject(tl);
    DeleteObject(br);
    InflateRect(&rect, -1, -1);
  }
}

}  // namespace

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  StoreBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TPanel::Changed() {
  Realign();
  Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (value == bevelOuter_) return;
  bevelOuter_ = value;
  Changed();
}

void TPanel::SetBevelInner(TBevelCut value) {
  if (value == bevelInner_) return;
  bevelInner_ = value;
  Changed();
}

void TPanel::SetBevelWidth(Integer value) {
  if (value < 1 || value == bevelWidth_) return;
  bevelWidth_ = value;
  Changed();
}

void TPanel::SetBorderWidth(Integer value) {
  if (value < 0 || value == borderWidth_) return;
  borderWidth_ = value;
  Changed();
}

void TPanel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TPanel::SetShowCaption(bool value) {
  if (value == showCaption_) return;
  showCaption_ = value;
  Invalidate();
}

void TPanel::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  Integer inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  rect.Left += inset;
  rect.Top += inset;
  rect.Right -= inset;
  rect.Bottom -= inset;
}

void TPanel::Paint() {
  HDC dc = Canvas().Handle();
  RECT r = ToRECT(ClientRect());
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = ColorToRGB(Color());
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    if (cut == bvLowered) {
      Frame3D(dc, r, shadow, highlight, bevelWidth_);
    } else if (cut == bvRaised) {
      Frame3D(dc, r, highlight, shadow, bevelWidth_);
    } else {
      Frame3D(dc, r, face, face, bevelWidth_);
    }
  };
  bevel(bevelOuter_);
  Frame3D(dc, r, face, face, borderWidth_);
  bevel(bevelInner_);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(FromRECT(r));
  const AnsiString caption = Caption();
  if (showCaption_ && !caption.empty()) {
    const WideString w = Cp1250ToUtf16(caption);
    const int saved = SaveDC(dc);
    SelectObject(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    flags |= alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(w.c_str()), static_cast<int>(w.size()), &r, flags);
    RestoreDC(dc, saved);
  }
}

void TPanel::WndProc(TMessage& m) {
  TCustomControl::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED) Invalidate();
}
