#include "vcl/gui/BitBtn.h"

#include <algorithm>

#include "vcl/rtl/TextConv.h"

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {}

void TBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.Style = (params.Style & ~0xFu) | BS_OWNERDRAW;
}

void TBitBtn::Changed() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TBitBtn::SetGlyph(const TBitmap& value) {
  glyph_->Assign(&value);
  Changed();
}

void TBitBtn::SetNumGlyphs(Integer value) {
  numGlyphs_ = std::clamp<Integer>(value, 1, 4);
  Changed();
}

void TBitBtn::SetLayout(TButtonLayout value) {
  layout_ = value;
  Changed();
}

void TBitBtn::SetMargin(Integer value) {
  margin_ = std::max<Integer>(-1, value);
  Changed();
}

void TBitBtn::SetSpacing(Integer value) {
  spacing_ = value;
  Changed();
}

void TBitBtn::WndProc(TMessage& message) {
  if (message.Msg == CN_BASE + WM_DRAWITEM) {
    if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam)) DrawItem(*item);
    message.Result = 1;
    return;
  }
  // The button keeps drawing itself when it becomes (or stops being) the default one.
  if (message.Msg == BM_SETSTYLE) message.WParam = (message.WParam & ~WPARAM{0xF}) | BS_OWNERDRAW;
  TButton::WndProc(message);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0u));
  const Integer shift = pressed ? 1 : 0;
  const Integer width = rect.right - rect.left, height = rect.bottom - rect.top;

  const std::u16string text = Cp1250ToUtf16(Caption());
  const HGDIOBJ oldFont = SelectObject(dc, Font().Handle());
  RECT textRect{0, 0, width, 0};
  if (!text.empty())
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &textRect,
              DT_CALCRECT | DT_SINGLELINE);
  const Integer tw = text.empty() ? 0 : textRect.right, th = text.empty() ? 0 : textRect.bottom;
  const Integer gw = glyph_->Empty() ? 0 : glyph_->Width() / numGlyphs_, gh = glyph_->Empty() ? 0 : glyph_->Height();
  const Integer s = gw > 0 && tw > 0 ? spacing_ : 0;
  // The glyph and the caption as one block, centred (or at the margin) along the layout's direction.
  Integer gx = 0, gy = 0, tx = 0, ty = 0;
  if (layout_ == blGlyphLeft || layout_ == blGlyphRight) {
    const Integer block = gw + s + tw;
    const Integer start = margin_ >= 0 ? (layout_ == blGlyphLeft ? margin_ : width - margin_ - block) : (width - block) / 2;
    gx = layout_ == blGlyphLeft ? start : start + tw + s;
    tx = layout_ == blGlyphLeft ? start + gw + s : start;
    gy = (height - gh) / 2;
    ty = (height - th) / 2;
  } else {
    const Integer block = gh + s + th;
    const Integer start = margin_ >= 0 ? (layout_ == blGlyphTop ? margin_ : height - margin_ - block) : (height - block) / 2;
    gy = layout_ == blGlyphTop ? start : start + th + s;
    ty = layout_ == blGlyphTop ? start + gh + s : start;
    gx = (width - gw) / 2;
    tx = (width - tw) / 2;
  }
  if (gw > 0) {
    const Integer image = !enabled && numGlyphs_ > 1 ? 1 : 0;
    const HDC glyphDc = glyph_->Canvas().Handle();
    const COLORREF key = GetPixel(glyphDc, 0, gh - 1);
    TransparentBlt(dc, gx + shift, gy + shift, gw, gh, glyphDc, image * gw, 0, gw, gh, key);
  }
  if (tw > 0) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT r{tx + shift, ty + shift, tx + shift + tw, ty + shift + th};
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &r, DT_SINGLELINE);
  }
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus{rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, oldFont);
}
