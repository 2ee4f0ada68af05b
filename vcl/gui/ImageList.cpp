#include "vcl/gui/ImageList.h"

#include <algorithm>
#include <vector>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/TextConv.h"

namespace {

[[noreturn]] void IndexError() { throw EInvalidOperation("Invalid ImageList Index"); }

// A 32-bit top-down DIB section with its own memory DC.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Byte* bits = nullptr;
  Surface(int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<Byte*>(p);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

}  // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  if (handle_ != nullptr) ImageList_Destroy(handle_);
}

HIMAGELIST TCustomImageList::Handle() {
  if (handle_ == nullptr) {
    handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, 4, 4);
    if (handle_ == nullptr) throw EOutOfMemory("Failed to create the image list");
  }
  return handle_;
}

void TCustomImageList::Recreate() {
  if (handle_ != nullptr) ImageList_Destroy(handle_);
  handle_ = nullptr;
  Change();
}

void TCustomImageList::SetWidth(Integer value) {
  if (value <= 0 || value == width_) return;
  width_ = value;
  Recreate();
}

void TCustomImageList::SetHeight(Integer value) {
  if (value <= 0 || value == height_) return;
  height_ = value;
  Recreate();
}

int TCustomImageList::Count() const { return handle_ != nullptr ? ImageList_GetImageCount(handle_) : 0; }

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) IndexError();
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
}

int TCustomImageList::AddIcon(TIcon* icon) {
  if (icon == nullptr || icon->Empty()) return -1;
  const int index = ImageList_ReplaceIcon(Handle(), -1, icon->Handle());
  if (index < 0) throw EInvalidOperation("Failed to add the icon to the image list");
  Change();
  return index;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (image == nullptr || image->Empty()) return -1;
  const int index = ImageList_Add(Handle(), image->Handle(), mask != nullptr ? mask->Handle() : nullptr);
  if (index < 0) throw EInvalidOperation("Failed to add the bitmap to the image list");
  Change();
  return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (image == nullptr || image->Empty()) return -1;
  // The image list changes the pixels of the mask colour in the bitmap it is given: hand it a copy.
  TBitmap copy;
  copy.Assign(image);
  HBITMAP handle = copy.Handle();
  const int index = ImageList_AddMasked(Handle(), handle, ColorToRGB(maskColor));
  if (index < 0) throw EInvalidOperation("Failed to add the bitmap to the image list");
  Change();
  return index;
}

int TCustomImageList::AddIconResource(HINSTANCE instance, const AnsiString& name) {
  TIcon icon;
  icon.SetWidth(width_);
  icon.SetHeight(height_);
  icon.LoadFromResourceName(instance, name);
  return AddIcon(&icon);
}

int TCustomImageList::AddBitmapResource(HINSTANCE instance, const AnsiString& name, TColor maskColor) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(instance, name);
  return AddMasked(&bitmap, maskColor);
}

void TCustomImageList::ReplaceIcon(int index, TIcon* icon) {
  CheckIndex(index);
  if (icon == nullptr || icon->Empty()) return;
  ImageList_ReplaceIcon(Handle(), index, icon->Handle());
  Change();
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  ImageList_Remove(handle_, index);
  Change();
}

void TCustomImageList::Clear() {
  if (handle_ != nullptr) ImageList_Remove(handle_, -1);
  Change();
}

void TCustomImageList::GetIcon(int index, TIcon* icon) {
  CheckIndex(index);
  if (icon == nullptr) return;
  icon->SetHandle(ImageList_GetIcon(handle_, index, ILD_NORMAL));
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) {
  CheckIndex(index);
  if (image == nullptr) return;
  image->Assign(nullptr);
  image->SetPixelFormat(pf32bit);
  image->SetSize(width_, height_);
  image->Canvas().Brush().SetColor(clWhite);
  image->Canvas().FillRect(Rect(0, 0, width_, height_));
  ImageList_Draw(handle_, index, image->Canvas().Handle(), 0, 0, ILD_NORMAL);
  GdiFlush();
}

void TCustomImageList::Draw(TCanvas& canvas, Integer x, Integer y, int index, bool enabled) {
  if (index < 0 || index >= Count()) return;
  HDC dc = canvas.Handle();
  if (enabled) {
    ImageList_Draw(handle_, index, dc, x, y, ILD_NORMAL);
    return;
  }
  // Disabled: recover colour and coverage of the image from renders on black and on white, turn the
  // colour into a light grey, halve the coverage, and blend the result onto the canvas.
  const int w = width_, h = height_;
  Surface onBlack(w, h), onWhite(w, h);
  if (onBlack.bits == nullptr || onWhite.bits == nullptr) return;
  PatBlt(onBlack.dc, 0, 0, w, h, BLACKNESS);
  PatBlt(onWhite.dc, 0, 0, w, h, WHITENESS);
  ImageList_Draw(handle_, index, onBlack.dc, 0, 0, ILD_NORMAL);
  ImageList_Draw(handle_, index, onWhite.dc, 0, 0, ILD_NORMAL);
  GdiFlush();
  for (int i = 0; i < w * h; ++i) {
    Byte* b = onBlack.bits + i * 4;
    const Byte* wt = onWhite.bits + i * 4;
    const int coverage = 255 - ((wt[0] - b[0]) + (wt[1] - b[1]) + (wt[2] - b[2])) / 3;
    const int alpha = std::clamp(coverage, 0, 255);
    int grey = 0;
    if (alpha > 0) {
      // b holds colour * alpha / 255 (drawn over black): the luminance of the colour itself.
      const int lum = (b[2] * 77 + b[1] * 150 + b[0] * 29) / 256;
      grey = std::min(255, lum * 255 / alpha);
      grey = 128 + grey / 2;
    }
    const int a = alpha / 2;
    const Byte premultiplied = static_cast<Byte>(grey * a / 255);
    b[0] = b[1] = b[2] = premultiplied;
    b[3] = static_cast<Byte>(a);
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, x, y, w, h, onBlack.dc, 0, 0, w, h, blend);
}

void TCustomImageList::ReadData(TStream& stream) {
  Integer count = 0;
  stream.ReadBuffer(&count, sizeof(count));
  if (count < 0 || count > 65535) throw EReadError("Invalid image list data");
  HIMAGELIST fresh = ImageList_Create(width_, height_, ILC_COLOR32 | ILC_MASK, std::max(count, 1), 4);
  if (fresh == nullptr) throw EOutOfMemory("Failed to create the image list");
  try {
    for (Integer i = 0; i < count; ++i) {
      Integer size = 0;
      stream.ReadBuffer(&size, sizeof(size));
      if (size <= 0 || size > stream.GetSize() - stream.GetPosition()) throw EReadError("Invalid image list data");
      TMemoryStream image;
      image.CopyFrom(stream, size);
      image.SetPosition(0);
      TIcon icon;
      icon.SetWidth(width_);
      icon.SetHeight(height_);
      icon.LoadFromStream(image);
      ImageList_ReplaceIcon(fresh, -1, icon.Handle());
    }
  } catch (...) {
    ImageList_Destroy(fresh);
    throw;
  }
  if (handle_ != nullptr) ImageList_Destroy(handle_);
  handle_ = fresh;
  Change();
}

void TCustomImageList::WriteData(TStream& stream) {
  const Integer count = Count();
  stream.WriteBuffer(&count, sizeof(count));
  for (Integer i = 0; i < count; ++i) {
    TIcon icon;
    icon.SetHandle(ImageList_GetIcon(handle_, i, ILD_NORMAL));
    TMemoryStream image;
    icon.SaveToStream(image);
    const Integer size = static_cast<Integer>(image.GetSize());
    stream.WriteBuffer(&size, sizeof(size));
    stream.WriteBuffer(image.Memory(), size);
  }
}

void TCustomImageList::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Bitmap", [this](TStream& stream) { ReadData(stream); }, [this](TStream& stream) { WriteData(stream); },
      Count() > 0);
}
