#include "vcl/gui/Icon.h"

#include <cstdlib>
#include <cstring>

#include "vcl/gui/Canvas.h"
#include "vcl/rtl/TextConv.h"

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }

template <class T>
T ReadLe(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <class T>
void Put(std::vector<Byte>& out, T v) {
  const std::size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &v, sizeof(T));
}

// The pixel size of an icon handle (its colour bitmap, or half of the mask of a monochrome icon).
void IconSize(HICON icon, Integer& width, Integer& height) {
  width = height = 0;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return;
  BITMAP bm{};
  if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof(bm), &bm) != 0) {
    width = bm.bmWidth;
    height = bm.bmHeight;
  } else if (info.hbmMask != nullptr && GetObjectW(info.hbmMask, sizeof(bm), &bm) != 0) {
    width = bm.bmWidth;
    height = bm.bmHeight / 2;
  }
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
}

}  // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() { Release(); }

void TIcon::Release() {
  if (icon_ != nullptr) DestroyIcon(icon_);
  icon_ = nullptr;
}

void TIcon::TakeIcon(HICON icon) {
  Release();
  icon_ = icon;
  if (icon_ != nullptr) IconSize(icon_, width_, height_);
}

void TIcon::SetWidth(Integer value) {
  if (value == width_) return;
  if (icon_ != nullptr) throw EInvalidGraphicOperation("Cannot change the size of an icon");
  width_ = value;
}

void TIcon::SetHeight(Integer value) {
  if (value == height_) return;
  if (icon_ != nullptr) throw EInvalidGraphicOperation("Cannot change the size of an icon");
  height_ = value;
}

void TIcon::SetHandle(HICON icon) {
  if (icon == icon_) return;
  data_.clear();
  TakeIcon(icon);
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON result = icon_;
  icon_ = nullptr;
  data_.clear();
  return result;
}

void TIcon::LoadFromStream(TStream& stream) {
  const Int64 available = stream.GetSize() - stream.GetPosition();
  if (available < 6 || available > Int64{64} * 1024 * 1024) InvalidIcon();
  std::vector<Byte> data(static_cast<std::size_t>(available));
  stream.ReadBuffer64(data.data(), available);

  if (ReadLe<Word>(data.data()) != 0 || ReadLe<Word>(data.data() + 2) != 1) InvalidIcon();
  const Word count = ReadLe<Word>(data.data() + 4);
  if (count == 0 || 6 + static_cast<std::size_t>(count) * 16 > data.size()) InvalidIcon();

  // The entry whose size is closest to the requested one (the first when no size is requested), the
  // deeper colour among equals.
  int best = 0;
  if (width_ > 0 || height_ > 0) {
    long bestScore = 0;
    for (int i = 0; i < count; ++i) {
      const Byte* e = data.data() + 6 + i * 16;
      const int w = e[0] == 0 ? 256 : e[0];
      const int h = e[1] == 0 ? 256 : e[1];
      const long score = (std::labs(w - width_) + std::labs(h - height_)) * 64 - ReadLe<Word>(e + 6);
      if (i == 0 || score < bestScore) {
        best = i;
        bestScore = score;
      }
    }
  }
  const Byte* e = data.data() + 6 + best * 16;
  const Cardinal size = ReadLe<Cardinal>(e + 8);
  const Cardinal offset = ReadLe<Cardinal>(e + 12);
  if (size == 0 || offset > data.size() || size > data.size() - offset) InvalidIcon();
  const int w = e[0] == 0 ? 256 : e[0];
  const int h = e[1] == 0 ? 256 : e[1];
  HICON icon = CreateIconFromResourceEx(data.data() + offset, size, TRUE, 0x00030000, w, h, LR_DEFAULTCOLOR);
  if (icon == nullptr) InvalidIcon();
  TakeIcon(icon);
  data_ = std::move(data);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  if (!data_.empty()) {
    stream.WriteBuffer64(data_.data(), static_cast<Int64>(data_.size()));
    return;
  }
  if (icon_ == nullptr) return;
  // A one-image icon file: 32-bit colour with alpha, and the AND mask.
  ICONINFO info{};
  if (!GetIconInfo(icon_, &info)) InvalidIcon();
  const Integer w = width_, h = height_;
  std::vector<Byte> color(static_cast<std::size_t>(w) * h * 4);
  const Integer maskStride = ((w + 31) / 32) * 4;
  std::vector<Byte> mask(static_cast<std::size_t>(maskStride) * h);
  HDC dc = CreateCompatibleDC(nullptr);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } bi{};
  bi.header.biSize = sizeof(BITMAPINFOHEADER);
  bi.header.biWidth = w;
  bi.header.biHeight = h;
  bi.header.biPlanes = 1;
  bi.header.biBitCount = 32;
  if (info.hbmColor != nullptr) {
    GetDIBits(dc, info.hbmColor, 0, h, color.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  }
  bi.header.biBitCount = 1;
  bi.header.biHeight = info.hbmColor != nullptr ? h : 2 * h;
  std::vector<Byte> maskAll(static_cast<std::size_t>(maskStride) * h * 2);
  if (info.hbmMask != nullptr) {
    GetDIBits(dc, info.hbmMask, 0, bi.header.biHeight, maskAll.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
  }
  DeleteDC(dc);
  if (info.hbmColor != nullptr) {
    std::memcpy(mask.data(), maskAll.data(), mask.size());
    DeleteObject(info.hbmColor);
  } else {
    // Monochrome icon: the upper half of the mask bitmap is the AND mask (rows bottom-up: the second
    // half of the buffer), the lower half the XOR image.
    std::memcpy(mask.data(), maskAll.data() + mask.size(), mask.size());
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) {
        const bool set = (maskAll[static_cast<std::size_t>(y) * maskStride + x / 8] >> (7 - x % 8)) & 1;
        Byte* p = color.data() + (static_cast<std::size_t>(y) * w + x) * 4;
        p[0] = p[1] = p[2] = set ? 255 : 0;
        p[3] = 255;
      }
  }
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);

  const Cardinal imageSize = 40 + static_cast<Cardinal>(color.size() + mask.size());
  std::vector<Byte> out;
  Put<Word>(out, 0);
  Put<Word>(out, 1);
  Put<Word>(out, 1);
  out.push_back(static_cast<Byte>(w >= 256 ? 0 : w));
  out.push_back(static_cast<Byte>(h >= 256 ? 0 : h));
  out.push_back(0);
  out.push_back(0);
  Put<Word>(out, 1);
  Put<Word>(out, 32);
  Put<Cardinal>(out, imageSize);
  Put<Cardinal>(out, 22);
  Put<Cardinal>(out, 40);
  Put<Integer>(out, w);
  Put<Integer>(out, h * 2);
  Put<Word>(out, 1);
  Put<Word>(out, 32);
  for (int i = 0; i < 6; ++i) Put<Cardinal>(out, 0);
  out.insert(out.end(), color.begin(), color.end());
  out.insert(out.end(), mask.begin(), mask.end());
  stream.WriteBuffer64(out.data(), static_cast<Int64>(out.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const AnsiString& name) {
  const WideString w = Cp1250ToUtf16(name);
  HANDLE h = LoadImageW(instance, reinterpret_cast<const wchar_t*>(w.c_str()), IMAGE_ICON, width_, height_,
                        LR_DEFAULTCOLOR);
  if (h == nullptr) throw EInvalidGraphic("Icon resource " + name + " not found");
  data_.clear();
  TakeIcon(static_cast<HICON>(h));
  Changed();
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id) {
  HANDLE h = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, width_, height_, LR_DEFAULTCOLOR);
  if (h == nullptr) throw EInvalidGraphic("Icon resource " + std::to_string(id) + " not found");
  data_.clear();
  TakeIcon(static_cast<HICON>(h));
  Changed();
}

void TIcon::Assign(const TPersistent* source) {
  if (source == nullptr) {
    data_.clear();
    Release();
    Changed();
    return;
  }
  if (const auto* other = dynamic_cast<const TIcon*>(source)) {
    if (other == this) return;
    data_ = other->data_;
    Release();
    width_ = other->width_;
    height_ = other->height_;
    if (other->icon_ != nullptr) TakeIcon(CopyIcon(other->icon_));
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
  if (icon_ == nullptr) return;
  DrawIconEx(canvas.Handle(), rect.Left, rect.Top, icon_, rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}
