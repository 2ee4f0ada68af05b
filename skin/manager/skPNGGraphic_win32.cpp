#include "skin/manager/skPNGGraphic.h"

#include "skin/forms/sPixelRoutines.h"

#include <cstring>
#include <vector>

namespace {

// A 32-bit top-down DIB section selected into a memory DC, for reading and writing canvas pixels.
class WorkBitmap {
 public:
  WorkBitmap(Integer width, Integer height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    if (dc_ == nullptr || bitmap_ == nullptr) {
      Release();
      throw EOutOfMemory("Out of system resources");
    }
    old_ = SelectObject(dc_, bitmap_);
  }
  ~WorkBitmap() { Release(); }
  WorkBitmap(const WorkBitmap&) = delete;
  WorkBitmap& operator=(const WorkBitmap&) = delete;

  HDC Dc() const { return dc_; }
  Cardinal* Row(Integer y) const { return bits_ + static_cast<size_t>(y) * width_; }
  Integer Width() const { return width_; }
  Integer Height() const { return height_; }

 private:
  void Release() {
    if (dc_ != nullptr && old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  Integer width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  Cardinal* bits_ = nullptr;
};

}  // namespace

void TPNGGraphic::LoadFromStream(TStream& stream) {
  const TPNGPixels image = ReadPNG(stream);
  SetPixelFormat(pf32bit);
  SetSize(image.Width, image.Height);
  for (Integer y = 0; y < image.Height; ++y)
    std::memcpy(ScanLine(y), image.Pixels.data() + static_cast<size_t>(y) * image.Width,
                static_cast<size_t>(image.Width) * 4);
  properties_ = image.Properties;
  if (image.HasTransparentColor) {
    SetTransparentColor(static_cast<TColor>(image.TransparentColor));
    SetTransparent(true);
  }
  Changed();
}

void TPNGGraphic::Assign(const TPersistent* source) {
  if (const auto* png = dynamic_cast<const TPNGGraphic*>(source)) properties_ = png->properties_;
  TBitmap::Assign(source);
}

bool TPNGGraphic::ReadImageProperties(TStream& stream) { return ReadPNGImageProperties(stream, properties_); }

void TPNGGraphic::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty() || rect.IsEmpty()) return;
  if (PixelFormat() != pf32bit) {
    TBitmap::Draw(canvas, rect);
    return;
  }
  const Integer w = rect.Width(), h = rect.Height();
  const bool sameSize = w == Width() && h == Height();
  // The reflection takes half the image's height below it.
  const Integer reflection = sameSize && reflected_ ? h / 2 : 0;
  // The source at the rectangle's size: the image itself, or resampled to the nearest pixel (colour
  // and alpha alike).
  std::vector<Cardinal> source(static_cast<size_t>(w) * h);
  for (Integer y = 0; y < h; ++y) {
    const auto* row = static_cast<const Cardinal*>(ScanLine(static_cast<Integer>(Int64{y} * Height() / h)));
    for (Integer x = 0; x < w; ++x) source[static_cast<size_t>(y) * w + x] = row[Int64{x} * Width() / w];
  }
  WorkBitmap work(w, h + reflection);
  HDC dc = canvas.Handle();
  BitBlt(work.Dc(), 0, 0, w, h + reflection, dc, rect.Left, rect.Top, SRCCOPY);
  GdiFlush();
  // Blended by each pixel's alpha; the mirror image fades from a third of the image's alpha to nothing.
  TsAlphaBlendOptions options;
  options.Reflection = reflection > 0;
  BlendBitmapWithAlpha(TsPixelView{work.Row(0), w, h + reflection, w}, TRect{0, 0, w, h}, TRect{0, 0, w, h},
                       TsPixelView{source.data(), w, h, w}, options);
  BitBlt(dc, rect.Left, rect.Top, w, h + reflection, work.Dc(), 0, 0, SRCCOPY);
}

void ClearWhite(TBitmap& bitmap) {
  if (bitmap.PixelFormat() != pf32bit) return;
  for (Integer y = 0; y < bitmap.Height(); ++y)
    ClearWhite(static_cast<Cardinal*>(bitmap.ScanLine(y)), static_cast<size_t>(bitmap.Width()));
}

void RegisterPNGGraphic() { TPicture::RegisterFileFormat<TPNGGraphic>("png", "Portable Network Graphics"); }

void UnregisterPNGGraphic() { TPicture::UnregisterFileFormat("png"); }
