#include "vcl/gui/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <cstring>

#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr Int64 kMaxImageBytes = Int64{512} * 1024 * 1024;  // larger pixel data is taken as damage

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

Integer StrideOf(Integer width, int bits) {
  return static_cast<Integer>(((static_cast<Int64>(width) * bits + 31) / 32) * 4);
}

std::vector<RGBQUAD> DefaultPalette(TPixelFormat format) {
  std::vector<RGBQUAD> palette;
  if (format == pf1bit) {
    palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else if (format == pf4bit) {
    static constexpr Cardinal kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                          0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                          0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};  // 0xRRGGBB
    for (Cardinal c : kVga)
      palette.push_back(RGBQUAD{static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                                static_cast<BYTE>((c >> 16) & 0xFF), 0});
  } else if (format == pf8bit) {
    for (int i = 0; i < 256; ++i)
      palette.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0});
  }
  return palette;
}

// A BITMAPINFO with room for a full colour table or the three bit-field masks.
struct DibInfo {
  BITMAPINFOHEADER header{};
  RGBQUAD colors[256]{};
};

void SetMasks(DibInfo& info, Cardinal r, Cardinal g, Cardinal b) {
  Cardinal masks[3] = {r, g, b};
  std::memcpy(info.colors, masks, sizeof(masks));
}

// Reads exactly count bytes; a short stream means a damaged image.
void ReadExactly(TStream& stream, void* buffer, Int64 count) {
  try {
    stream.ReadBuffer64(buffer, count);
  } catch (const EReadError&) {
    InvalidBitmap();
  }
}

template <class T>
T ReadLe(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

}  // namespace

// ---- the bitmap's canvas: a memory DC with the DIB section selected ----

class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {
    OnChange = [this](TObject*) { owner_.Changed(); };
  }
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    if (!HandleAllocated()) return;
    HDC dc = Handle();
    SetHandle(nullptr);
    if (oldBitmap_ != nullptr) SelectObject(dc, oldBitmap_);
    oldBitmap_ = nullptr;
    DeleteDC(dc);
    std::erase(WithContext(), this);
  }

  // The canvases that hold a memory DC (GUI thread only).
  static std::vector<TBitmapCanvas*>& WithContext() {
    static std::vector<TBitmapCanvas*> list;
    return list;
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return;
    if (owner_.bitmap_ != nullptr) oldBitmap_ = static_cast<HBITMAP>(SelectObject(dc, owner_.bitmap_));
    WithContext().push_back(this);
    SetHandle(dc);
  }

 private:
  TBitmap& owner_;
  HBITMAP oldBitmap_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (adopted_ != nullptr) DeleteObject(adopted_);
  if (palette_ != nullptr) DeleteObject(palette_);
}

void TBitmap::FreeMemoryContexts() noexcept {
  for (TBitmapCanvas* canvas : std::vector<TBitmapCanvas*>(TBitmapCanvas::WithContext()))
    if (canvas->LockCount() == 0) canvas->FreeContext();
}

int TBitmap::BitsPerPixel() const { return BitsOf(pixelFormat_); }

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return *canvas_;
}

void TBitmap::FreeCanvasContext() {
  if (canvas_) canvas_->FreeContext();
}

HBITMAP TBitmap::NewDib(Integer width, Integer height, TPixelFormat format, void** bits,
                        const std::vector<RGBQUAD>* palette) const {
  *bits = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  const int bpp = BitsOf(format);
  if (static_cast<Int64>(StrideOf(width, bpp)) * height > kMaxImageBytes)
    throw EInvalidGraphic("Bitmap is too large");
  DibInfo info;
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;  // bottom-up, as in the file format
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = BI_RGB;
  if (format == pf16bit) {
    info.header.biCompression = BI_BITFIELDS;
    SetMasks(info, 0xF800, 0x07E0, 0x001F);
  } else if (bpp <= 8) {
    const std::vector<RGBQUAD> standard = DefaultPalette(format);
    const std::vector<RGBQUAD>& colors = palette != nullptr && !palette->empty() ? *palette : standard;
    const std::size_t n = std::min<std::size_t>(colors.size(), std::size_t{1} << bpp);
    std::copy_n(colors.begin(), n, info.colors);
    info.header.biClrUsed = static_cast<DWORD>(std::size_t{1} << bpp);
  }
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
  if (dib == nullptr) throw EOutOfMemory("Out of system resources");
  return dib;
}

void TBitmap::Replace(HBITMAP bitmap, void* bits, Integer width, Integer height, TPixelFormat format) {
  FreeCanvasContext();
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (adopted_ != nullptr) DeleteObject(adopted_);
  adopted_ = nullptr;
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
  bitmap_ = bitmap;
  bits_ = bits;
  width_ = bitmap != nullptr ? width : 0;
  height_ = bitmap != nullptr ? height : 0;
  pixelFormat_ = format;
  stride_ = bitmap != nullptr ? StrideOf(width, BitsOf(format)) : 0;
}

void TBitmap::Clear() { Replace(nullptr, nullptr, 0, 0, pixelFormat_); }

namespace {

// White into a rectangle of a DIB section selected into dc. A raster operation over a large picture
// costs far more than a copy (tens of milliseconds for a full-HD picture under Wine), so for 24 and 32
// bits a pixel only the first pixel is painted so, and its bytes are repeated over the rectangle.
void FillWhite(HDC dc, HBITMAP target, Integer left, Integer top, Integer width, Integer height) {
  if (width <= 0 || height <= 0) return;
  DIBSECTION dib{};
  const int bpp = GetObjectW(target, sizeof(dib), &dib) == sizeof(dib) ? dib.dsBm.bmBitsPixel : 0;
  if ((bpp != 24 && bpp != 32) || dib.dsBm.bmBits == nullptr) {
    PatBlt(dc, left, top, width, height, WHITENESS);
    return;
  }
  PatBlt(dc, left, top, 1, 1, WHITENESS);
  GdiFlush();
  const bool bottomUp = dib.dsBmih.biHeight > 0;
  auto* bits = static_cast<unsigned char*>(dib.dsBm.bmBits);
  const std::size_t pixel = static_cast<std::size_t>(bpp / 8);
  const auto rowStart = [&](Integer y) {
    const Integer row = bottomUp ? dib.dsBm.bmHeight - 1 - y : y;
    return bits + static_cast<std::size_t>(row) * static_cast<std::size_t>(dib.dsBm.bmWidthBytes) +
           static_cast<std::size_t>(left) * pixel;
  };
  unsigned char white[4] = {};
  std::memcpy(white, rowStart(top), pixel);
  for (Integer y = top; y < top + height; ++y) {
    unsigned char* p = rowStart(y);
    for (Integer x = 0; x < width; ++x, p += pixel) std::memcpy(p, white, pixel);
  }
}

}  // namespace

// Copies the top-left part of the current pixels that fits into target and paints the rest white
// (only the uncovered strips: the copy covers the rest).
void TBitmap::CopyPixelsInto(HBITMAP target, Integer width, Integer height) {
  FreeCanvasContext();
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldDst = SelectObject(dst, target);
  const Integer kept = bitmap_ != nullptr ? std::min(width, width_) : 0;
  const Integer keptHeight = bitmap_ != nullptr ? std::min(height, height_) : 0;
  FillWhite(dst, target, kept, 0, width - kept, height);
  FillWhite(dst, target, 0, keptHeight, kept, height - keptHeight);
  if (bitmap_ != nullptr) {
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSrc = SelectObject(src, bitmap_);
    BitBlt(dst, 0, 0, kept, keptHeight, src, 0, 0, SRCCOPY);
    SelectObject(src, oldSrc);
    DeleteDC(src);
  }
  SelectObject(dst, oldDst);
  DeleteDC(dst);
  GdiFlush();
}

void TBitmap::SetSize(Integer width, Integer height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  if (width == 0 || height == 0) {
    Clear();
    width_ = width;
    height_ = height;
    Changed();
    return;
  }
  const std::vector<RGBQUAD> palette = bitmap_ != nullptr ? ColorTable() : pendingPalette_;
  void* bits = nullptr;
  HBITMAP dib = NewDib(width, height, pixelFormat_, &bits, &palette);
  CopyPixelsInto(dib, width, height);
  Replace(dib, bits, width, height, pixelFormat_);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == pfCustom) throw EInvalidGraphicOperation("Cannot change to a custom pixel format");
  if (value == pixelFormat_) return;
  if (bitmap_ == nullptr) {
    pixelFormat_ = value;
    stride_ = 0;
    Changed();
    return;
  }
  void* bits = nullptr;
  HBITMAP dib = NewDib(width_, height_, value, &bits, nullptr);
  CopyPixelsInto(dib, width_, height_);
  Replace(dib, bits, width_, height_, value);
  Changed();
}

void* TBitmap::ScanLine(Integer row) {
  if (bitmap_ == nullptr || row < 0 || row >= height_) throw ERangeError("Scan line index out of range");
  GdiFlush();
  return static_cast<Byte*>(bits_) + static_cast<std::ptrdiff_t>(height_ - 1 - row) * stride_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == bitmap_) return;
  if (bitmap == nullptr) {
    Clear();
    Changed();
    return;
  }
  DIBSECTION ds{};
  const int got = GetObjectW(bitmap, sizeof(ds), &ds);
  TPixelFormat format = pfCustom;
  if (got == sizeof(DIBSECTION) && ds.dsBm.bmBits != nullptr && ds.dsBmih.biHeight > 0) {
    switch (ds.dsBmih.biBitCount) {
      case 1: format = pf1bit; break;
      case 4: format = pf4bit; break;
      case 8: format = pf8bit; break;
      case 24: format = pf24bit; break;
      case 32:
        if (ds.dsBmih.biCompression == BI_RGB ||
            (ds.dsBitfields[0] == 0xFF0000 && ds.dsBitfields[1] == 0xFF00 && ds.dsBitfields[2] == 0xFF))
          format = pf32bit;
        break;
      case 16:
        if (ds.dsBmih.biCompression == BI_RGB || ds.dsBitfields[1] == 0x3E0) {
          format = pf15bit;
        } else if (ds.dsBitfields[0] == 0xF800 && ds.dsBitfields[1] == 0x7E0 && ds.dsBitfields[2] == 0x1F) {
          format = pf16bit;
        }
        break;
      default: break;
    }
  }
  if (format != pfCustom) {
    Replace(bitmap, ds.dsBm.bmBits, ds.dsBm.bmWidth, ds.dsBm.bmHeight, format);
    Changed();
    return;
  }
  // A device-dependent or top-down bitmap: its pixels move into a 32-bit DIB section of our own; the
  // original is kept for ReleaseHandle.
  BITMAP bm{};
  if (GetObjectW(bitmap, sizeof(bm), &bm) == 0) InvalidBitmap();
  void* bits = nullptr;
  HBITMAP dib = NewDib(bm.bmWidth, bm.bmHeight, pf32bit, &bits, nullptr);
  HDC src = CreateCompatibleDC(nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(src, bitmap);
  HGDIOBJ oldDst = SelectObject(dst, dib);
  BitBlt(dst, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  GdiFlush();
  Replace(dib, bits, bm.bmWidth, bm.bmHeight, pf32bit);
  adopted_ = bitmap;
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeCanvasContext();
  HBITMAP result = bitmap_;
  if (adopted_ != nullptr) {
    DeleteObject(bitmap_);  // our copy of it
    result = adopted_;
    adopted_ = nullptr;
  }
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = stride_ = 0;
  return result;
}

std::vector<RGBQUAD> TBitmap::ColorTable() {
  std::vector<RGBQUAD> colors;
  if (bitmap_ == nullptr || BitsPerPixel() > 8) return colors;
  colors.resize(std::size_t{1} << BitsPerPixel());
  const UINT got = GetDIBColorTable(Canvas().Handle(), 0, static_cast<UINT>(colors.size()), colors.data());
  colors.resize(got);
  return colors;
}

HPALETTE TBitmap::Palette() {
  if (palette_ != nullptr || pixelFormat_ < pf1bit || pixelFormat_ > pf8bit) return palette_;
  const std::vector<RGBQUAD> colors = bitmap_ != nullptr ? ColorTable() : pendingPalette_;
  if (colors.empty()) return nullptr;
  std::vector<Byte> block(sizeof(LOGPALETTE) + colors.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i)
    log->palPalEntry[i] = PALETTEENTRY{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  palette_ = CreatePalette(log);
  return palette_;
}

void TBitmap::SetPalette(HPALETTE palette) {
  std::vector<RGBQUAD> colors;
  if (palette != nullptr) {
    WORD count = 0;
    GetObjectW(palette, sizeof(count), &count);
    std::vector<PALETTEENTRY> entries(count);
    if (count > 0) GetPaletteEntries(palette, 0, count, entries.data());
    for (const PALETTEENTRY& e : entries) colors.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  }
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
  if (bitmap_ == nullptr || BitsPerPixel() > 8) {
    pendingPalette_ = std::move(colors);
    return;
  }
  if (!colors.empty()) {
    const UINT n = static_cast<UINT>(std::min<std::size_t>(colors.size(), std::size_t{1} << BitsPerPixel()));
    SetDIBColorTable(Canvas().Handle(), 0, n, colors.data());
  }
  Changed();
}

void TBitmap::SetAlphaFormat(TAlphaFormat value) {
  if (value == alphaFormat_) return;
  alphaFormat_ = value;
  Changed();
}

void TBitmap::DrawTransparent(TCanvas& canvas, const TRect& rect, Byte opacity) {
  if (Empty()) return;
  Blend(canvas, rect, opacity);
}

void TBitmap::Blend(TCanvas& canvas, const TRect& rect, Byte opacity) {
  const bool perPixel = alphaFormat_ != afIgnored && pixelFormat_ == pf32bit;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
  HDC dst = canvas.Handle();
  if (!perPixel || alphaFormat_ == afPremultiplied) {
    ::AlphaBlend(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), Canvas().Handle(), 0, 0, width_, height_, blend);
    return;
  }
  // Straight alpha: AlphaBlend wants the colours multiplied by it, in a copy.
  void* bits = nullptr;
  HBITMAP copy = NewDib(width_, height_, pf32bit, &bits, nullptr);
  GdiFlush();
  const auto* src = static_cast<const Byte*>(bits_);
  auto* out = static_cast<Byte*>(bits);
  const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned a = src[4 * i + 3];
    for (int c = 0; c < 3; ++c) out[4 * i + c] = static_cast<Byte>((src[4 * i + c] * a + 127) / 255);
    out[4 * i + 3] = static_cast<Byte>(a);
  }
  HDC src_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src_dc, copy);
  ::AlphaBlend(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src_dc, 0, 0, width_, height_, blend);
  SelectObject(src_dc, old);
  DeleteDC(src_dc);
  DeleteObject(copy);
}

TColor TBitmap::TransparentColor() {
  if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
  if (Empty()) return clDefault;
  return Canvas().Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
  transparentColor_ = value;
  transparentMode_ = value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
  if (value == transparentMode_) return;
  transparentMode_ = value;
  if (value == tmAuto) transparentColor_ = clDefault;
  Changed();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty()) return;
  if (alphaFormat_ != afIgnored && pixelFormat_ == pf32bit) {
    Blend(canvas, rect, 255);
    return;
  }
  HDC src = Canvas().Handle();
  HDC dst = canvas.Handle();
  if (Transparent()) {
    TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                   ColorToRGB(TransparentColor()));
  } else {
    SetStretchBltMode(dst, COLORONCOLOR);
    StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
               canvas.CopyMode());
  }
}

void TBitmap::LoadFromStream(TStream& stream) {
  const Int64 start = stream.GetPosition();
  Byte fileHeader[14];
  ReadExactly(stream, fileHeader, sizeof(fileHeader));
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') InvalidBitmap();
  const Cardinal offBits = ReadLe<Cardinal>(fileHeader + 10);

  Byte header[124] = {};
  ReadExactly(stream, header, 4);
  const Cardinal headerSize = ReadLe<Cardinal>(header);
  Int64 width = 0, height = 0;
  int bpp = 0, planes = 0;
  Cardinal compression = BI_RGB, clrUsed = 0;
  Cardinal masks[3] = {0, 0, 0};
  bool core = false;
  if (headerSize == 12) {
    core = true;
    ReadExactly(stream, header + 4, 8);
    width = ReadLe<Word>(header + 4);
    height = ReadLe<Word>(header + 6);
    planes = ReadLe<Word>(header + 8);
    bpp = ReadLe<Word>(header + 10);
  } else if (headerSize >= 40 && headerSize <= 124) {
    ReadExactly(stream, header + 4, headerSize - 4);
    width = ReadLe<Integer>(header + 4);
    height = ReadLe<Integer>(header + 8);
    planes = ReadLe<Word>(header + 12);
    bpp = ReadLe<Word>(header + 14);
    compression = ReadLe<Cardinal>(header + 16);
    clrUsed = ReadLe<Cardinal>(header + 32);
    if (compression == BI_BITFIELDS) {
      if (headerSize >= 52) {
        for (int i = 0; i < 3; ++i) masks[i] = ReadLe<Cardinal>(header + 40 + 4 * i);
      } else {
        Byte m[12];
        ReadExactly(stream, m, sizeof(m));
        for (int i = 0; i < 3; ++i) masks[i] = ReadLe<Cardinal>(m + 4 * i);
      }
    }
  } else {
    InvalidBitmap();
  }

  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (planes != 1 || width <= 0 || height <= 0 || width > 65535 || height > 65535) InvalidBitmap();

  TPixelFormat format = pfCustom;
  switch (bpp) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 16:
      if (compression == BI_RGB || (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F)) {
        format = pf15bit;
      } else if (masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F) {
        format = pf16bit;
      }
      break;
    case 32:
      if (compression == BI_RGB || (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) format = pf32bit;
      break;
    default: break;
  }
  if (format == pfCustom) InvalidBitmap();
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) InvalidBitmap();

  std::vector<RGBQUAD> palette;
  if (bpp <= 8) {
    const Cardinal full = 1u << bpp;
    const Cardinal count = clrUsed == 0 ? full : clrUsed;
    if (count > full) InvalidBitmap();
    const int entrySize = core ? 3 : 4;
    std::vector<Byte> raw(static_cast<std::size_t>(count) * entrySize);
    ReadExactly(stream, raw.data(), static_cast<Int64>(raw.size()));
    palette.assign(full, RGBQUAD{0, 0, 0, 0});
    for (Cardinal i = 0; i < count; ++i) {
      const Byte* e = raw.data() + static_cast<std::size_t>(i) * entrySize;
      palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }

  const Integer stride = StrideOf(static_cast<Integer>(width), bpp);
  const Int64 dataSize = static_cast<Int64>(stride) * height;
  if (dataSize > kMaxImageBytes) InvalidBitmap();
  if (offBits != 0) {
    const Int64 dataStart = start + offBits;
    if (dataStart < stream.GetPosition()) InvalidBitmap();
    stream.SetPosition(dataStart);
  }
  if (stream.GetSize() - stream.GetPosition() < dataSize) InvalidBitmap();

  void* bits = nullptr;
  HBITMAP dib = NewDib(static_cast<Integer>(width), static_cast<Integer>(height), format, &bits, &palette);
  try {
    if (!topDown) {
      ReadExactly(stream, bits, dataSize);
    } else {
      for (Int64 row = 0; row < height; ++row)
        ReadExactly(stream, static_cast<Byte*>(bits) + (height - 1 - row) * stride, stride);
    }
  } catch (...) {
    DeleteObject(dib);
    throw;
  }
  Replace(dib, bits, static_cast<Integer>(width), static_cast<Integer>(height), format);
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  if (Empty()) return;
  const int bpp = BitsPerPixel();
  const Cardinal colors = bpp <= 8 ? (1u << bpp) : 0;
  const Cardinal maskBytes = pixelFormat_ == pf16bit ? 12 : 0;
  const Cardinal offBits = 14 + 40 + colors * 4 + maskBytes;
  const Cardinal imageSize = static_cast<Cardinal>(stride_) * static_cast<Cardinal>(height_);

  Byte fileHeader[14] = {'B', 'M'};
  const Cardinal fileSize = offBits + imageSize;
  std::memcpy(fileHeader + 2, &fileSize, 4);
  std::memcpy(fileHeader + 10, &offBits, 4);
  stream.WriteBuffer(fileHeader, sizeof(fileHeader));

  BITMAPINFOHEADER info{};
  info.biSize = 40;
  info.biWidth = width_;
  info.biHeight = height_;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bpp);
  info.biCompression = pixelFormat_ == pf16bit ? BI_BITFIELDS : BI_RGB;
  info.biSizeImage = imageSize;
  info.biClrUsed = colors;
  stream.WriteBuffer(&info, sizeof(info));
  if (pixelFormat_ == pf16bit) {
    const Cardinal masks[3] = {0xF800, 0x07E0, 0x001F};
    stream.WriteBuffer(masks, sizeof(masks));
  }
  if (colors > 0) {
    std::vector<RGBQUAD> palette(colors);
    GetDIBColorTable(Canvas().Handle(), 0, colors, palette.data());
    stream.WriteBuffer(palette.data(), static_cast<Integer>(colors * sizeof(RGBQUAD)));
  }
  GdiFlush();
  stream.WriteBuffer64(bits_, imageSize);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const AnsiString& name) {
  const WideString w = Cp1250ToUtf16(name);
  HANDLE h = LoadImageW(instance, reinterpret_cast<const wchar_t*>(w.c_str()), IMAGE_BITMAP, 0, 0,
                        LR_CREATEDIBSECTION);
  if (h == nullptr) throw EInvalidGraphic("Bitmap resource " + name + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  HANDLE h = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (h == nullptr) throw EInvalidGraphic("Bitmap resource " + std::to_string(id) + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    Changed();
    return;
  }
  if (const auto* other = dynamic_cast<const TBitmap*>(source)) {
    if (other == this) return;
    std::vector<RGBQUAD> palette;
    if (other->bitmap_ != nullptr && BitsOf(other->pixelFormat_) <= 8) {
      palette.resize(std::size_t{1} << BitsOf(other->pixelFormat_));
      HDC dc = CreateCompatibleDC(nullptr);
      // The other bitmap may be selected into its canvas; its colour table is read through that DC then.
      HDC source_dc = other->canvas_ && other->canvas_->HandleAllocated() ? other->canvas_->Handle() : dc;
      HGDIOBJ old = source_dc == dc ? SelectObject(dc, other->bitmap_) : nullptr;
      GetDIBColorTable(source_dc, 0, static_cast<UINT>(palette.size()), palette.data());
      if (old != nullptr) SelectObject(dc, old);
      DeleteDC(dc);
    }
    void* bits = nullptr;
    HBITMAP dib = NewDib(other->width_, other->height_, other->pixelFormat_, &bits, &palette);
    if (dib != nullptr) {
      GdiFlush();
      std::memcpy(bits, other->bits_, static_cast<std::size_t>(other->stride_) * other->height_);
    }
    Replace(dib, bits, other->width_, other->height_, other->pixelFormat_);
    width_ = other->width_;
    height_ = other->height_;
    transparentColor_ = other->transparentColor_;
    transparentMode_ = other->transparentMode_;
    TGraphic::SetTransparent(other->Transparent());
    Changed();
    return;
  }
  if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    auto* g = const_cast<TGraphic*>(graphic);  // drawing reads the graphic; it stays unchanged
    Clear();
    pixelFormat_ = pf32bit;
    SetSize(g->Width(), g->Height());
    if (!Empty()) {
      Canvas().Brush().SetColor(clWhite);
      Canvas().FillRect(Rect(0, 0, width_, height_));
      Canvas().Draw(0, 0, g);
    }
    Changed();
    return;
  }
  TGraphic::Assign(source);
}
