// TCanvas: drawing on a device context with the canvas's Font, Brush and Pen, which it selects into the
// DC when a drawing operation needs them. The DC comes from outside (SetHandle, e.g. during WM_PAINT) or
// from a derived canvas that makes one on demand (a control's or a bitmap's canvas). Text is
// Windows-1250 and is drawn through the W API. Coordinates are the DC's logical coordinates.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/Geometry.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/rtl/Persistent.h"

class TGraphic;

// Raster operation of CopyRect (Win32 ROP codes).
using TCopyMode = Cardinal;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC; a canvas without one asks CreateHandle, and raises EInvalidOperation "Canvas does not
  // allow drawing" when it still has none.
  HDC Handle();
  // Uses another DC (nil: none); objects selected into the previous DC are taken out of it first.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont& Font() { return *font_; }
  TBrush& Brush() { return *brush_; }
  TPen& Pen() { return *pen_; }
  void SetFont(const TFont& value) { font_->Assign(&value); }
  void SetBrush(const TBrush& value) { brush_->Assign(&value); }
  void SetPen(const TPen& value) { pen_->Assign(&value); }

  void MoveTo(Integer x, Integer y);
  void LineTo(Integer x, Integer y);
  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  // Outline with the pen, inside with the brush; right and bottom excluded.
  void Rectangle(Integer x1, Integer y1, Integer x2, Integer y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(Integer x1, Integer y1, Integer x2, Integer y2);
  void FillRect(const TRect& r);   // with the brush, no outline
  void FrameRect(const TRect& r);  // one pixel, with the brush
  void DrawFocusRect(const TRect& r);

  void TextOut(Integer x, Integer y, const AnsiString& text);
  // Text clipped to r, its top-left corner at (x, y).
  void TextRect(const TRect& r, Integer x, Integer y, const AnsiString& text);
  TPoint TextExtent(const AnsiString& text);  // X = width, Y = height
  Integer TextWidth(const AnsiString& text) { return TextExtent(text).X; }
  Integer TextHeight(const AnsiString& text) { return TextExtent(text).Y; }

  // A graphic at its own size, or stretched into r.
  void Draw(Integer x, Integer y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies source's srcRect into dest of this canvas (stretching when the sizes differ) with CopyMode.
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect);
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode value) { copyMode_ = value; }

  TColor Pixels(Integer x, Integer y);  // -1 (CLR_INVALID) outside the DC's surface
  void SetPixels(Integer x, Integer y, TColor color);
  TRect ClipRect();

  // Canvases are used from the GUI thread only; the lock is a nesting count that drawing code can test.
  void Lock() { ++lockCount_; }
  void Unlock() { if (lockCount_ > 0) --lockCount_; }
  int LockCount() const { return lockCount_; }

  // Around every drawing operation (a bitmap uses them to know its pixels changed).
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  void Changing();
  void Changed();
  enum class Need { Font = 1, Pen = 2, Brush = 4 };
  void RequiredState(int needs);  // or-ed Need values; also makes sure there is a DC
  // Takes the canvas's objects out of the DC (stock objects in their place).
  void DeselectHandles();

 private:
  void FontChanged();
  void PenChanged();
  void BrushChanged();

  HDC dc_ = nullptr;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TPen> pen_;
  bool fontValid_ = false;
  bool penValid_ = false;
  bool brushValid_ = false;
  TCopyMode copyMode_ = cmSrcCopy;
  int lockCount_ = 0;
};
