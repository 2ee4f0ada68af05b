#include "vcl/gui/GraphicsObjects.h"

#include <algorithm>
#include <cwchar>

#include "vcl/rtl/TextConv.h"

TGraphicsObject::~TGraphicsObject() {
  if (handle_ != nullptr && owned_) DeleteObject(handle_);
}

void TGraphicsObject::Changed() {
  HGDIOBJ old = handle_;
  const bool owned = owned_;
  handle_ = nullptr;
  owned_ = false;
  // A canvas that has the old handle selected puts a stock object in its place from OnChange; only
  // then can the handle be deleted.
  struct DeleteLater {
    HGDIOBJ h;
    bool owned;
    ~DeleteLater() {
      if (h != nullptr && owned) DeleteObject(h);
    }
  } deleteLater{old, owned};
  if (OnChange) OnChange(this);
}

void TGraphicsObject::SetCachedHandle(HGDIOBJ handle, bool owned) {
  handle_ = handle;
  owned_ = owned;
}

// ---- TFont ----

TFont::TFont() = default;

Integer TFont::PixelsPerInch() {
  static const Integer ppi = [] {
    HDC dc = GetDC(nullptr);
    const int value = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc != nullptr) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return ppi;
}

void TFont::SetName(const AnsiString& value) {
  if (value == name_ || value.empty()) return;
  name_ = value;
  Changed();
}

void TFont::SetHeight(Integer value) {
  if (value == height_) return;
  height_ = value;
  Changed();
}

Integer TFont::Size() const { return MulDiv(-height_, 72, PixelsPerInch()); }

void TFont::SetSize(Integer value) { SetHeight(-MulDiv(value, PixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles value) {
  if (value == style_) return;
  style_ = value;
  Changed();
}

void TFont::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();
}

void TFont::SetCharset(Byte value) {
  if (value == charset_) return;
  charset_ = value;
  Changed();
}

void TFont::SetPitch(TFontPitch value) {
  if (value == pitch_) return;
  pitch_ = value;
  Changed();
}

HFONT TFont::Handle() {
  if (CachedHandle() == nullptr) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = pitch_ == fpVariable ? VARIABLE_PITCH : pitch_ == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    const WideString face = Cp1250ToUtf16(name_);
    const std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.begin(), n, lf.lfFaceName);
    lf.lfFaceName[n] = 0;
    HFONT font = CreateFontIndirectW(&lf);
    if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SetCachedHandle(font, font != GetStockObject(DEFAULT_GUI_FONT));
  }
  return static_cast<HFONT>(CachedHandle());
}

void TFont::SetHandle(HFONT font) {
  LOGFONTW lf{};
  if (font == nullptr || GetObjectW(font, sizeof(lf), &lf) == 0) return;
  name_ = Utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(lf.lfFaceName),
                                            std::wcslen(lf.lfFaceName)));
  height_ = lf.lfHeight;
  style_ = TFontStyles{};
  if (lf.lfWeight >= FW_BOLD) style_.Include(fsBold);
  if (lf.lfItalic) style_.Include(fsItalic);
  if (lf.lfUnderline) style_.Include(fsUnderline);
  if (lf.lfStrikeOut) style_.Include(fsStrikeOut);
  charset_ = lf.lfCharSet;
  const int pitch = lf.lfPitchAndFamily & 3;
  pitch_ = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  if (const auto* f = dynamic_cast<const TFont*>(source)) {
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---- TBrush ----

void TBrush::SetColor(TColor value) {
  if (value == color_ && style_ != bsClear) return;
  color_ = value;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
  if (value == style_) return;
  style_ = value;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (CachedHandle() == nullptr) {
    static constexpr int kHatch[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS,
                                     HS_DIAGCROSS};
    HBRUSH brush;
    bool owned = true;
    if (style_ == bsClear) {
      brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      owned = false;
    } else if (style_ == bsSolid) {
      brush = CreateSolidBrush(ColorToRGB(color_));
    } else {
      brush = CreateHatchBrush(kHatch[style_], ColorToRGB(color_));
    }
    SetCachedHandle(brush, owned);
  }
  return static_cast<HBRUSH>(CachedHandle());
}

void TBrush::Assign(const TPersistent* source) {
  if (const auto* b = dynamic_cast<const TBrush*>(source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---- TPen ----

void TPen::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();
}

void TPen::SetWidth(Integer value) {
  if (value < 0 || value == width_) return;
  width_ = value;
  Changed();
}

void TPen::SetStyle(TPenStyle value) {
  if (value == style_) return;
  style_ = value;
  Changed();
}

void TPen::SetMode(TPenMode value) {
  if (value == mode_) return;
  mode_ = value;
  Changed();
}

int TPen::Rop2() const {
  static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,       R2_NOT,          R2_COPYPEN,   R2_NOTCOPYPEN,
                                  R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,  R2_NOTMERGEPEN,
                                  R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,    R2_NOTXORPEN};
  return kRop2[mode_];
}

HPEN TPen::Handle() {
  if (CachedHandle() == nullptr) {
    static constexpr int kStyle[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    HPEN pen = CreatePen(kStyle[style_], width_, ColorToRGB(color_));
    SetCachedHandle(pen, true);
  }
  return static_cast<HPEN>(CachedHandle());
}

void TPen::Assign(const TPersistent* source) {
  if (const auto* p = dynamic_cast<const TPen*>(source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}
