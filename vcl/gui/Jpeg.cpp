#include "vcl/gui/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "vcl/gui/Canvas.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr Int64 kMaxPixels = Int64{128} * 1024 * 1024;  // larger images are taken as damage

// libjpeg reports errors through these: an error jumps back to the decoder (which then raises), a
// warning that the data ended too soon is noted.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
};

void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

struct RawImage {
  Byte* pixels;  // malloc'ed, BGRA rows top-down
  JDIMENSION width;
  JDIMENSION height;
};

// Decodes data into image.pixels; false (with err.message) for damaged data. libjpeg leaves this
// function by longjmp on an error, so it holds plain data only: nothing here needs a destructor.
bool DecodeRaw(const Byte* data, unsigned long size, RawImage& image, ErrorManager& err) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.truncated = false;
  err.message[0] = '\0';
  image.pixels = nullptr;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    std::free(image.pixels);
    image.pixels = nullptr;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRA;  // alpha bytes come out as 255
  jpeg_start_decompress(&info);
  image.width = info.output_width;
  image.height = info.output_height;
  if (static_cast<Int64>(image.width) * image.height > kMaxPixels) {
    std::snprintf(err.message, sizeof(err.message), "JPEG image is too large");
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  image.pixels = static_cast<Byte*>(std::malloc(stride * image.height));
  if (image.pixels == nullptr) {
    std::snprintf(err.message, sizeof(err.message), "Out of memory");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.pixels + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  if (err.truncated) {
    std::snprintf(err.message, sizeof(err.message), "Premature end of JPEG file");
    return false;
  }
  return true;
}

}  // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetWidth(Integer) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(Integer) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::LoadFromStream(TStream& stream) {
  const Int64 rest = stream.GetSize() - stream.GetPosition();
  if (rest <= 0 || rest > kMaxPixels) throw EInvalidGraphic("JPEG image is not valid");
  std::vector<Byte> data(static_cast<std::size_t>(rest));
  try {
    stream.ReadBuffer64(data.data(), rest);
  } catch (const EReadError&) {
    throw EInvalidGraphic("JPEG image is not valid");
  }
  ErrorManager err;
  RawImage raw{};
  if (!DecodeRaw(data.data(), static_cast<unsigned long>(data.size()), raw, err))
    throw EInvalidGraphic(AnsiString("JPEG error: ") + err.message);
  std::unique_ptr<Byte, decltype(&std::free)> pixels(raw.pixels, &std::free);

  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(static_cast<Integer>(raw.width), static_cast<Integer>(raw.height));
  const std::size_t stride = static_cast<std::size_t>(raw.width) * 4;
  for (JDIMENSION y = 0; y < raw.height; ++y)
    std::memcpy(bitmap->ScanLine(static_cast<Integer>(y)), pixels.get() + stride * y, stride);
  data_ = std::move(data);
  bitmap_ = std::move(bitmap);
  Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (!data_.empty()) stream.WriteBuffer64(data_.data(), static_cast<Int64>(data_.size()));
}

void TJPEGImage::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TJPEGImage*>(source);
  if (other == nullptr) {
    TGraphic::Assign(source);
    return;
  }
  if (other == this) return;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(other->bitmap_.get());
  data_ = other->data_;
  bitmap_ = std::move(bitmap);
  Changed();
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    bitmap->Assign(bitmap_.get());
    return;
  }
  TGraphic::AssignTo(dest);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) { canvas.StretchDraw(rect, bitmap_.get()); }
