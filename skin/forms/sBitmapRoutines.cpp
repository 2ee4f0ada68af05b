#include "skin/forms/sBitmapRoutines.h"

#include <algorithm>
#include <vector>

#include "skin/forms/sPixelRoutines.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicControl.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/WinControl.h"
#include "vcl/rtl/TextConv.h"

namespace {

// A brush of the colour, selected into a saved DC for the fills; all comes back on destruction.
class TSolidFill {
 public:
  TSolidFill(HDC dc, Integer color)
      : dc_(dc), saved_(SaveDC(dc)), brush_(CreateSolidBrush(ColorToRGB(static_cast<TColor>(color)))) {}
  ~TSolidFill() {
    RestoreDC(dc_, saved_);
    DeleteObject(brush_);
  }
  TSolidFill(const TSolidFill&) = delete;
  TSolidFill& operator=(const TSolidFill&) = delete;
  void Fill(Integer left, Integer top, Integer right, Integer bottom) const {
    if (right <= left || bottom <= top) return;
    RECT r{left, top, right, bottom};
    FillRect(dc_, &r, brush_);
  }

 private:
  HDC dc_;
  int saved_;
  HBRUSH brush_;
};

// The colour value of a pixel (red and blue swapped back).
Integer PixelColor(Cardinal pixel) { return static_cast<Integer>(SwapRedBlue(pixel) & 0x00FFFFFFu); }

// The bitmap's pixels as 32 bits: the bitmap itself, or a 32-bit copy in `copy`.
TsPixelView Pixels32(TBitmap& bitmap, std::unique_ptr<TBitmap>& copy) {
  if (bitmap.PixelFormat() == pf32bit) return PixelViewOf(bitmap);
  copy = std::make_unique<TBitmap>();
  copy->Assign(&bitmap);
  copy->SetPixelFormat(pf32bit);
  return PixelViewOf(*copy);
}

}  // namespace

std::unique_ptr<TBitmap> CreateBmp32(Integer width, Integer height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(width, height);
  return bitmap;
}

std::unique_ptr<TBitmap> CreateBmpLike(const TBitmap& bitmap) {
  auto like = std::make_unique<TBitmap>();
  like->SetPixelFormat(bitmap.PixelFormat());
  like->SetSize(bitmap.Width(), bitmap.Height());
  return like;
}

void FillDCColor(HDC dc, const TRect& rect, Integer color) {
  TSolidFill(dc, color).Fill(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void FillDCBorders(HDC dc, const TRect& rect, Integer left, Integer color, Integer bottom, Integer right, Integer top) {
  const TSolidFill fill(dc, color);
  fill.Fill(rect.Left, rect.Top, rect.Right, rect.Top + top);
  fill.Fill(rect.Left, rect.Top + top, rect.Left + left, rect.Bottom);
  fill.Fill(rect.Left + left, rect.Bottom - bottom, rect.Right, rect.Bottom);
  fill.Fill(rect.Right - right, rect.Top + top, rect.Right, rect.Bottom - bottom);
}

void CopyFrameStrips(HDC dest, Integer x, Integer y, Integer width, Integer height, HDC source, Integer sx, Integer sy,
                     Integer border) {
  BitBlt(dest, x, y, border, height, source, sx, sy, SRCCOPY);
  BitBlt(dest, x + border, y, width - border, border, source, sx + border, sy, SRCCOPY);
  BitBlt(dest, x + width - border, y + border, border, height - border, source, sx + width - border, sy + border,
         SRCCOPY);
  BitBlt(dest, x + border, y + height - border, width - border, border, source, sx + border, sy + height - border,
         SRCCOPY);
}

void ExcludeGraphicChildren(HDC dc, TWinControl* parent, Integer dy, Integer dx) {
  if (parent == nullptr) return;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* child = parent->Controls(i);
    if (dynamic_cast<TGraphicControl*>(child) == nullptr || !child->Visible()) continue;
    ExcludeClipRect(dc, child->Left() + dx, child->Top() + dy, child->Left() + child->Width() + dx,
                    child->Top() + child->Height() + dy);
  }
}

void DrawTwoColorFrame(HDC dc, const TRect& rect, Integer topLeftColor, Integer& count, Integer bottomRightColor) {
  const int saved = SaveDC(dc);
  HPEN light = CreatePen(PS_SOLID, 1, ColorToRGB(static_cast<TColor>(topLeftColor)));
  HPEN dark = CreatePen(PS_SOLID, 1, ColorToRGB(static_cast<TColor>(bottomRightColor)));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  TRect r = rect;
  for (; count > 0; --count) {
    if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) continue;
    // Polylines leave out their last point: the corner pixels go to the side that reaches them first.
    SelectObject(dc, dark);
    const POINT bottomRight[] = {{r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}, {r.Right - 1, r.Top - 1}};
    Polyline(dc, bottomRight, 3);
    SelectObject(dc, light);
    const POINT topLeft[] = {{r.Left, r.Bottom - 1}, {r.Left, r.Top}, {r.Right - 1, r.Top}};
    Polyline(dc, topLeft, 3);
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  }
  RestoreDC(dc, saved);
  DeleteObject(light);
  DeleteObject(dark);
  count = 0;
}

void DrawDottedFrame(TCanvas& canvas, const TRect& rect, Integer color1, Integer color2) {
  const auto dot = [&](Integer x, Integer y, Integer color) {
    if (x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom) canvas.SetPixels(x, y, static_cast<TColor>(color));
  };
  for (Integer x = rect.Left; x < rect.Right; x += 3)
    for (Integer y : {rect.Top, rect.Bottom - 1}) {
      dot(x, y, color1);
      dot(x + 1, y, color2);
    }
  for (Integer y = rect.Top; y < rect.Bottom; y += 3)
    for (Integer x : {rect.Left, rect.Right - 1}) {
      dot(x, y, color1);
      dot(x, y + 1, color2);
    }
}

TPoint FontTextExtent(TFont& font, const AnsiString& text) {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return {};
  const HGDIOBJ old = SelectObject(screen, font.Handle());
  const WideString w = Cp1250ToUtf16(text);
  SIZE size{};
  const bool ok = GetTextExtentPoint32W(screen, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return ok ? TPoint{size.cx, size.cy} : TPoint{};
}

void PutBitmapAt(TBitmap& dest, TBitmap& source, Integer x, Integer keyColor, Integer y) {
  std::unique_ptr<TBitmap> copy;
  const TsPixelView s = Pixels32(source, copy);
  GdiFlush();
  PutBitmapAt(PixelViewOf(dest), s, x, keyColor, y);
}

void DrawGlyphWithEffects(TBitmap& glyph, TBitmap& dest, const TRect& rect, Integer state, Integer blend, Integer kind,
                          Integer effects, bool enabled, Integer count) {
  if (glyph.Empty()) return;
  const TsPixelView target = PixelViewOf(dest);
  if (target.IsEmpty()) return;
  const bool fourBit = glyph.PixelFormat() == pf4bit;
  // A private 32-bit copy: the effects change its pixels.
  auto image = std::make_unique<TBitmap>();
  image->Assign(&glyph);
  image->SetPixelFormat(pf32bit);
  GdiFlush();
  const TsPixelView pixels = PixelViewOf(*image);
  const double factor = blend / 100.0;
  if (count <= 1) {
    if (!enabled && (effects & geGray) != 0) GrayscaleBitmap(pixels);
    const Integer key = PixelColor(pixels.At(0, pixels.Height - 1));
    const bool mixIn = enabled ? kind == gkPlain && blend > 0 : (effects & geBlend) != 0;
    const TRect all{0, 0, pixels.Width - 1, pixels.Height - 1};
    if (mixIn) {
      BlendBitmapRectKeyed(target, rect.Left, rect.Top, enabled ? kKeyPixel : pixels.At(0, pixels.Height - 1),
                           enabled ? factor : 0.5, all, pixels);
    } else {
      PutBitmapAt(target, pixels, rect.Left, key, rect.Top);
    }
    return;
  }
  const Integer width = pixels.Width / count;
  if (width <= 0) return;
  Integer index = 0;
  if (enabled && kind == gkSecond) {
    index = fourBit ? 0 : 1;
  } else if (enabled && kind == gkByState) {
    index = state + 2 < count ? state + 2 : (state > 0 ? 1 : 0);
    if (index == 1 && fourBit) index = 0;
  }
  const TRect part{index * width, 0, (index + 1) * width - 1, pixels.Height - 1};
  const Cardinal keyPixel = pixels.At(part.Left, pixels.Height - 1);
  if (!enabled && kind == gkPlain && blend > 0) {
    BlendBitmapRectKeyed(target, rect.Left, rect.Top, keyPixel, factor, part, pixels);
  } else {
    BlendGlyphRect(target, pixels, rect.Left, rect.Top, static_cast<Integer>(SwapRedBlue(keyPixel)), part);
  }
}

void PaintBorderedStretch(TBitmap& dest, const TRect& destRect, TBitmap& source, const TRect& sourceRect,
                          const TsBorderWidths& borders) {
  std::unique_ptr<TBitmap> copy;
  const TsPixelView s = Pixels32(source, copy);
  const TsPixelView d = PixelViewOf(dest);
  if (s.IsEmpty() || d.IsEmpty()) return;
  GdiFlush();
  StretchBordered(d, destRect, s, sourceRect, TRect{borders.Left, borders.Top, borders.Right, borders.Bottom},
                  TRect{0, 0, d.Width, d.Height});
}

void DrawScrollArrow(TBitmap& bitmap, const TRect& rect, TsArrowDirection direction, Integer color) {
  const TsPixelView target = PixelViewOf(bitmap);
  const TRect area = ClipRect(rect, target.Width, target.Height);
  if (target.IsEmpty() || area.IsEmpty()) return;
  const Integer w = area.Width(), h = area.Height();
  // The shape: black on white, a triangle whose base is about half the shorter side.
  auto shape = CreateBmp32(w, h);
  TCanvas& canvas = shape->Canvas();
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect(TRect{0, 0, w, h});
  canvas.Brush().SetColor(clBlack);
  canvas.Pen().SetColor(clBlack);
  const Integer half = std::max<Integer>(1, std::min(w, h) / 4);
  const Integer cx = w / 2, cy = h / 2;
  std::vector<TPoint> points;
  switch (direction) {
    case adUp: points = {{cx - half, cy + half / 2}, {cx + half, cy + half / 2}, {cx, cy - half / 2 - 1}}; break;
    case adDown: points = {{cx - half, cy - half / 2}, {cx + half, cy - half / 2}, {cx, cy + half / 2 + 1}}; break;
    case adLeft: points = {{cx + half / 2, cy - half}, {cx + half / 2, cy + half}, {cx - half / 2 - 1, cy}}; break;
    case adRight: points = {{cx - half / 2, cy - half}, {cx - half / 2, cy + half}, {cx + half / 2 + 1, cy}}; break;
  }
  canvas.Polygon(points);
  GdiFlush();
  auto mixed = CreateBmp32(w, h);
  const TsPixelView m = PixelViewOf(*mixed);
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) m.At(x, y) = target.At(area.Left + x, area.Top + y);
  const TsPixelView mask = PixelViewOf(*shape);
  MixBitmapWithColorByMask(m, mask, color);
  // Only the shape's pixels go back: white mask pixels leave the target exactly as it was.
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x)
      if ((mask.At(x, y) & 0x00FFFFFFu) != 0x00FFFFFFu) target.At(area.Left + x, area.Top + y) = m.At(x, y);
}
