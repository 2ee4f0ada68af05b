#include "vcl/gui/Label.h"

#include "vcl/rtl/TextConv.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  TControlStyle style = ControlStyle();
  SetControlStyle(style.Include(csOpaque).Include(csReplicatable));
  StoreBounds(0, 0, 65, 17);
  SetParentColor(true);
}

UINT TLabel::TextFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  return flags;
}

RECT TLabel::TextRect(HDC dc, Integer width) {
  AnsiString text = Caption();
  if (text.empty() || (showAccelChar_ && text == "&")) text = " ";
  const WideString w = Cp1250ToUtf16(text);
  RECT r{0, 0, width, 0};
  const int saved = SaveDC(dc);
  SelectObject(dc, Font().Handle());
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(w.c_str()), static_cast<int>(w.size()), &r,
            (TextFlags() & ~static_cast<UINT>(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
  RestoreDC(dc, saved);
  return r;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csLoading)) return;
  HDC dc = GetDC(nullptr);
  const RECT r = TextRect(dc, wordWrap_ ? Width() : 0x7FFF);
  ReleaseDC(nullptr, dc);
  Integer left = Left();
  const Integer newWidth = wordWrap_ ? Width() : static_cast<Integer>(r.right);
  // A right-aligned label keeps its right edge.
  if (alignment_ == taRightJustify && !wordWrap_) left += Width() - newWidth;
  SetBounds(left, Top(), newWidth, static_cast<Integer>(r.bottom));
}

void TLabel::Paint() {
  HDC dc = Canvas().Handle();
  const TRect client = ClientRect();
  if (!Transparent()) {
    Canvas().Brush().SetColor(Color());
    Canvas().Brush().SetStyle(bsSolid);
    Canvas().FillRect(client);
  }
  const WideString w = Cp1250ToUtf16(Caption());
  RECT r = ToRECT(client);
  if (layout_ != tlTop) {
    const RECT needed = TextRect(dc, client.Width());
    const int offset = client.Height() - (needed.bottom - needed.top);
    r.top += layout_ == tlBottom ? offset : offset / 2;
  }
  const int saved = SaveDC(dc);
  SelectObject(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font().Color() : clGrayText));
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(w.c_str()), static_cast<int>(w.size()), &r, TextFlags());
  RestoreDC(dc, saved);
}

void TLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TLabel::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  TControlStyle style = ControlStyle();
  SetControlStyle(value ? style.Exclude(csOpaque) : style.Include(csOpaque));
  Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  AdjustBounds();
  Invalidate();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}
