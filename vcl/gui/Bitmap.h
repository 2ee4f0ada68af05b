// TBitmap: an image held as a DIB section, so that its pixels can be reached row by row (ScanLine)
// as well as drawn with its Canvas. 32-bit rows are B, G, R, A bytes; rows are stored bottom-up as
// in the BMP format, and ScanLine(0) is the top row. A bitmap of pixel format pfDevice is a 32-bit
// DIB as well. LoadFromStream/SaveToStream read and write the BMP file format (uncompressed
// 1/4/8/16/24/32 bits per pixel); anything damaged raises EInvalidGraphic.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Graphic.h"

enum TPixelFormat {
  pfDevice = 0, pf1bit = 1, pf4bit = 2, pf8bit = 3, pf15bit = 4, pf16bit = 5, pf24bit = 6, pf32bit = 7, pfCustom = 8
};
enum TTransparentMode { tmAuto = 0, tmFixed = 1 };
// How the fourth byte of 32-bit pixels is drawn: ignored, as per-pixel alpha (straight colours), or as
// per-pixel alpha with the colours already multiplied by it.
enum TAlphaFormat { afIgnored = 0, afDefined = 1, afPremultiplied = 2 };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  bool Empty() const override { return width_ <= 0 || height_ <= 0; }
  Integer Width() const override { return width_; }
  Integer Height() const override { return height_; }
  // Resizing keeps the pixels that still fit; new pixels are white.
  void SetWidth(Integer value) override { SetSize(value, height_); }
  void SetHeight(Integer value) override { SetSize(width_, value); }
  void SetSize(Integer width, Integer height);

  TPixelFormat PixelFormat() const { return pixelFormat_; }
  // Converts the pixels to the new format (8 bits and fewer get a grey / fixed palette).
  void SetPixelFormat(TPixelFormat value);
  int BitsPerPixel() const;

  TCanvas& Canvas();
  // The first byte of a row (0 = top); ERangeError "Scan line index out of range" outside the image.
  void* ScanLine(Integer row);
  Integer ScanLineSize() const { return stride_; }  // bytes per row, padded to 4

  // The DIB section (nil while empty). SetHandle takes a bitmap over: a DIB section is used as it is,
  // any other bitmap is copied into a DIB section of our own and kept beside it. Either way the bitmap
  // owns the handle it was given until ReleaseHandle, which gives back exactly that handle (the one of
  // SetHandle, or the bitmap's own DIB section) and leaves the bitmap empty. So a handle that belongs to
  // someone else (a system control's picture) can be adopted for painting and handed back unharmed.
  HBITMAP Handle() const { return bitmap_; }
  void SetHandle(HBITMAP bitmap);
  HBITMAP ReleaseHandle();
  bool HandleAllocated() const { return bitmap_ != nullptr; }

  // The colours of a paletted image (8 bits per pixel and fewer) as a logical palette, made on demand
  // and owned by the bitmap; nil for other formats. SetPalette copies a palette's entries into the
  // colour table (kept for the next SetSize while the bitmap is empty); the caller keeps its palette.
  HPALETTE Palette();
  void SetPalette(HPALETTE palette);

  // Per-pixel alpha of a 32-bit bitmap, used by Draw (AlphaBlend) and DrawTransparent.
  TAlphaFormat AlphaFormat() const { return alphaFormat_; }
  void SetAlphaFormat(TAlphaFormat value);
  // Paints the bitmap with a constant opacity (255 opaque) on top of its per-pixel alpha.
  void DrawTransparent(TCanvas& canvas, const TRect& rect, Byte opacity);

  // Lets go of the memory DCs that bitmap canvases keep between uses, except for canvases locked
  // right now (the application does it when it goes idle; a canvas makes a new DC when used again).
  static void FreeMemoryContexts() noexcept;

  // The colour drawn transparently when Transparent is on: with tmAuto the bottom-left pixel's colour.
  TColor TransparentColor();
  void SetTransparentColor(TColor value);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode value);

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // A BITMAP resource of a module.
  void LoadFromResourceName(HINSTANCE instance, const AnsiString& name);
  void LoadFromResourceID(HINSTANCE instance, int id);

  // From another bitmap (a copy of its pixels, format and transparency) or any graphic (drawn into a
  // 32-bit bitmap of its size); nil empties the bitmap.
  void Assign(const TPersistent* source) override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) override;

 private:
  class TBitmapCanvas;
  void Replace(HBITMAP bitmap, void* bits, Integer width, Integer height, TPixelFormat format);
  void Clear();
  HBITMAP NewDib(Integer width, Integer height, TPixelFormat format, void** bits,
                 const std::vector<RGBQUAD>* palette) const;
  void CopyPixelsInto(HBITMAP target, Integer width, Integer height);
  void FreeCanvasContext();
  void Blend(TCanvas& canvas, const TRect& rect, Byte opacity);
  std::vector<RGBQUAD> ColorTable();

  HBITMAP bitmap_ = nullptr;
  HBITMAP adopted_ = nullptr;  // a non-DIB handle given to SetHandle, kept for ReleaseHandle
  HPALETTE palette_ = nullptr;
  std::vector<RGBQUAD> pendingPalette_;  // SetPalette on an empty bitmap
  TAlphaFormat alphaFormat_ = afIgnored;
  void* bits_ = nullptr;
  Integer width_ = 0;
  Integer height_ = 0;
  Integer stride_ = 0;
  TPixelFormat pixelFormat_ = pfDevice;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
  std::unique_ptr<TBitmapCanvas> canvas_;
};
