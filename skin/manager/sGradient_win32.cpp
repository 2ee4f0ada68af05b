// The bitmap form of the gradient painter and the triangle mode through msimg32's GradientFill.
#include <algorithm>
#include <vector>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sGradient.h"
#include "vcl/gui/Bitmap.h"

namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// msimg32 is bound by name at run time: without it the triangle mode paints nothing and the other
// modes, which need no system function, still work.
class TGradientFillBinding {
 public:
  TGradientFillBinding() : library_(LoadLibraryW(L"msimg32.dll")) {
    if (library_ != nullptr) {
      proc_ = reinterpret_cast<GradientFillProc>(reinterpret_cast<void*>(GetProcAddress(library_, "GradientFill")));
    }
  }
  ~TGradientFillBinding() {
    if (library_ != nullptr) FreeLibrary(library_);
  }
  TGradientFillBinding(const TGradientFillBinding&) = delete;
  TGradientFillBinding& operator=(const TGradientFillBinding&) = delete;

  GradientFillProc Proc() const { return proc_; }

 private:
  HMODULE library_;
  GradientFillProc proc_ = nullptr;
};

const TGradientFillBinding& GradientFillBinding() {
  static const TGradientFillBinding binding;
  return binding;
}

TRIVERTEX Vertex(LONG x, LONG y, Integer color) {
  const auto c = static_cast<Cardinal>(color);
  TRIVERTEX v{};
  v.x = x;
  v.y = y;
  v.Red = static_cast<COLOR16>((c & 0xFF) << 8);
  v.Green = static_cast<COLOR16>(((c >> 8) & 0xFF) << 8);
  v.Blue = static_cast<COLOR16>(((c >> 16) & 0xFF) << 8);
  v.Alpha = 0xFF00;
  return v;
}

// Four triangles between the corners and the centre; the corners top-left, top-right, bottom-right,
// bottom-left and the centre take the first colours of steps 0..4 (a missing step repeats the last).
void FillTriangles(HDC dc, const TRect& r, const TsGradArray& gradient) {
  const GradientFillProc gradientFill = GradientFillBinding().Proc();
  if (gradientFill == nullptr) return;
  auto color = [&](std::size_t step) { return gradient[std::min(step, gradient.size() - 1)].Color1; };
  TRIVERTEX vertices[5] = {
      Vertex(r.Left, r.Top, color(0)),
      Vertex(r.Left + r.Width() / 2, r.Top + r.Height() / 2, color(1)),
      Vertex(r.Right, r.Top, color(2)),
      Vertex(r.Right, r.Bottom, color(3)),
      Vertex(r.Left, r.Bottom, color(4)),
  };
  GRADIENT_TRIANGLE triangles[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
  gradientFill(dc, vertices, 5, triangles, 4, GRADIENT_FILL_TRIANGLE);
}

}  // namespace

bool GradientFillAvailable() { return GradientFillBinding().Proc() != nullptr; }

void DrawGradient(TBitmap& bitmap, const TRect& rect, const TsGradArray& gradient) {
  if (bitmap.Empty() || gradient.empty()) return;
  const TRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bitmap.Width()),
                 std::min(rect.Bottom, bitmap.Height())};
  if (r.IsEmpty()) return;
  const Integer mode = gradient.front().Mode;
  if (mode == gmTriangles) {
    FillTriangles(bitmap.Canvas().Handle(), r, gradient);
    return;
  }
  if (mode != gmVertical && mode != gmHorizontal) return;
  if (const TsPixelView view = PixelViewOf(bitmap); !view.IsEmpty()) {
    DrawGradient(view, r, gradient);
    return;
  }
  // Other formats: paint the rectangle in 32 bits and let GDI convert it.
  std::vector<Cardinal> pixels(static_cast<std::size_t>(r.Width()) * static_cast<std::size_t>(r.Height()));
  DrawGradient(TsPixelView{pixels.data(), r.Width(), r.Height(), r.Width()}, TRect{0, 0, r.Width(), r.Height()},
               gradient);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = r.Width();
  info.bmiHeader.biHeight = -r.Height();  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(bitmap.Canvas().Handle(), r.Left, r.Top, static_cast<DWORD>(r.Width()),
                    static_cast<DWORD>(r.Height()), 0, 0, 0, static_cast<UINT>(r.Height()), pixels.data(), &info,
                    DIB_RGB_COLORS);
}
