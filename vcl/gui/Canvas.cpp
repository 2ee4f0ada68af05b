#include "vcl/gui/Canvas.h"

#include "vcl/gui/Graphic.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {
const wchar_t* Wide(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  brush_->OnChange = [this](TObject*) { BrushChanged(); };
  pen_->OnChange = [this](TObject*) { PenChanged(); };
}

TCanvas::~TCanvas() {
  // The DC belongs to whoever gave it (or to the derived canvas, which released it already); only the
  // canvas's own objects are taken out of it.
  try {
    DeselectHandles();
  } catch (...) {
  }
}

HDC TCanvas::Handle() {
  if (dc_ == nullptr) CreateHandle();
  if (dc_ == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DeselectHandles();
  dc_ = dc;
  fontValid_ = penValid_ = brushValid_ = false;
}

void TCanvas::DeselectHandles() {
  if (dc_ != nullptr && (fontValid_ || penValid_ || brushValid_)) {
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(HOLLOW_BRUSH));
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  }
  fontValid_ = penValid_ = brushValid_ = false;
}

void TCanvas::FontChanged() {
  if (fontValid_ && dc_ != nullptr) SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  fontValid_ = false;
}

void TCanvas::PenChanged() {
  if (penValid_ && dc_ != nullptr) SelectObject(dc_, GetStockObject(BLACK_PEN));
  penValid_ = false;
}

void TCanvas::BrushChanged() {
  if (brushValid_ && dc_ != nullptr) SelectObject(dc_, GetStockObject(HOLLOW_BRUSH));
  brushValid_ = false;
}

void TCanvas::RequiredState(int needs) {
  HDC dc = Handle();
  if ((needs & static_cast<int>(Need::Font)) && !fontValid_) {
    SelectObject(dc, font_->Handle());
    SetTextColor(dc, ColorToRGB(font_->Color()));
    fontValid_ = true;
  }
  if ((needs & static_cast<int>(Need::Pen)) && !penValid_) {
    SelectObject(dc, pen_->Handle());
    SetROP2(dc, pen_->Rop2());
    penValid_ = true;
  }
  if ((needs & static_cast<int>(Need::Brush)) && !brushValid_) {
    SelectObject(dc, brush_->Handle());
    SetBkColor(dc, ColorToRGB(brush_->Color()));
    SetBkMode(dc, brush_->Style() == bsClear ? TRANSPARENT : OPAQUE);
    brushValid_ = true;
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::MoveTo(Integer x, Integer y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(Integer x, Integer y) {
  Changing();
  RequiredState(static_cast<int>(Need::Pen) | static_cast<int>(Need::Brush));
  ::LineTo(dc_, x, y);
  Changed();
}

TPoint TCanvas::PenPos() {
  POINT p{};
  GetCurrentPositionEx(Handle(), &p);
  return FromPOINT(p);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  std::vector<POINT> pts;
  pts.reserve(points.size());
  for (const TPoint& p : points) pts.push_back(ToPOINT(p));
  Changing();
  RequiredState(static_cast<int>(Need::Pen) | static_cast<int>(Need::Brush));
  ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  std::vector<POINT> pts;
  pts.reserve(points.size());
  for (const TPoint& p : points) pts.push_back(ToPOINT(p));
  Changing();
  RequiredState(static_cast<int>(Need::Pen) | static_cast<int>(Need::Brush));
  ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
  Changed();
}

void TCanvas::Rectangle(Integer x1, Integer y1, Integer x2, Integer y2) {
  Changing();
  RequiredState(static_cast<int>(Need::Pen) | static_cast<int>(Need::Brush));
  ::Rectangle(dc_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Ellipse(Integer x1, Integer y1, Integer x2, Integer y2) {
  Changing();
  RequiredState(static_cast<int>(Need::Pen) | static_cast<int>(Need::Brush));
  ::Ellipse(dc_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  const RECT rc = ToRECT(r);
  ::FillRect(dc_, &rc, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  const RECT rc = ToRECT(r);
  ::FrameRect(dc_, &rc, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  const RECT rc = ToRECT(r);
  ::DrawFocusRect(dc_, &rc);
  Changed();
}

void TCanvas::TextOut(Integer x, Integer y, const AnsiString& text) {
  const WideString w = Cp1250ToUtf16(text);
  Changing();
  RequiredState(static_cast<int>(Need::Font) | static_cast<int>(Need::Brush));
  ExtTextOutW(dc_, x, y, 0, nullptr, Wide(w), static_cast<UINT>(w.size()), nullptr);
  MoveToEx(dc_, x + TextWidth(text), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& r, Integer x, Integer y, const AnsiString& text) {
  const WideString w = Cp1250ToUtf16(text);
  Changing();
  RequiredState(static_cast<int>(Need::Font) | static_cast<int>(Need::Brush));
  const RECT rc = ToRECT(r);
  const UINT options = ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOutW(dc_, x, y, options, &rc, Wide(w), static_cast<UINT>(w.size()), nullptr);
  Changed();
}

TPoint TCanvas::TextExtent(const AnsiString& text) {
  const WideString w = Cp1250ToUtf16(text);
  RequiredState(static_cast<int>(Need::Font));
  SIZE size{};
  GetTextExtentPoint32W(dc_, Wide(w), static_cast<int>(w.size()), &size);
  return TPoint{static_cast<Integer>(size.cx), static_cast<Integer>(size.cy)};
}

void TCanvas::Draw(Integer x, Integer y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  graphic->Draw(*this, r);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect) {
  Changing();
  RequiredState(static_cast<int>(Need::Brush));
  source.RequiredState(static_cast<int>(Need::Brush));
  SetStretchBltMode(dc_, COLORONCOLOR);
  StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), source.dc_, srcRect.Left, srcRect.Top,
             srcRect.Width(), srcRect.Height(), copyMode_);
  Changed();
}

TColor TCanvas::Pixels(Integer x, Integer y) { return static_cast<TColor>(GetPixel(Handle(), x, y)); }

void TCanvas::SetPixels(Integer x, Integer y, TColor color) {
  Changing();
  SetPixel(Handle(), x, y, ColorToRGB(color));
  Changed();
}

TRect TCanvas::ClipRect() {
  RECT r{};
  GetClipBox(Handle(), &r);
  return FromRECT(r);
}
