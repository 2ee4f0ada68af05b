#include "vcl/gui/Graphic.h"

#include <mutex>

#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Icon.h"
#include "vcl/gui/Jpeg.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

// ---- TGraphic ----

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const WideString& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::LoadFromFile(const AnsiString& fileName) { LoadFromFile(Cp1250ToUtf16(fileName)); }

void TGraphic::SaveToFile(const WideString& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::SaveToFile(const AnsiString& fileName) { SaveToFile(Cp1250ToUtf16(fileName)); }

// ---- the registry ----

namespace {

AnsiString NormalExtension(std::string_view ext) {
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  AnsiString result(ext);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return result;
}

struct Registry {
  std::mutex lock;
  std::vector<TFileFormat> formats;
  Registry() {
    formats.push_back({"bmp", "Bitmaps", &typeid(TBitmap), [] { return static_cast<TGraphic*>(New<TBitmap>()); }});
    formats.push_back({"ico", "Icons", &typeid(TIcon), [] { return static_cast<TGraphic*>(New<TIcon>()); }});
    for (const char* ext : {"jpg", "jpeg"})
      formats.push_back({ext, "JPEG images", &typeid(TJPEGImage), [] { return static_cast<TGraphic*>(New<TJPEGImage>()); }});
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::unique_ptr<TGraphic> CopyOf(const TGraphic& graphic) {
  std::function<TGraphic*()> create;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (const TFileFormat& f : r.formats)
      if (*f.type == typeid(graphic)) create = f.create;
  }
  if (!create) throw EInvalidGraphic(Format("Cannot copy a graphic of class %s", {graphic.ClassName()}));
  std::unique_ptr<TGraphic> copy(create());
  copy->Assign(&graphic);
  return copy;
}

}  // namespace

void TPicture::RegisterFormat(TFileFormat format) {
  format.extension = NormalExtension(format.extension);
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (TFileFormat& f : r.formats) {
    if (f.extension == format.extension) {
      f = std::move(format);
      return;
    }
  }
  r.formats.push_back(std::move(format));
}

void TPicture::UnregisterFileFormat(std::string_view extension) {
  const AnsiString ext = NormalExtension(extension);
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::erase_if(r.formats, [&](const TFileFormat& f) { return f.extension == ext; });
}

const TFileFormat* TPicture::FindFileFormat(std::string_view extension) {
  const AnsiString ext = NormalExtension(extension);
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TFileFormat& f : r.formats)
    if (f.extension == ext) return &f;
  return nullptr;
}

std::vector<TFileFormat> TPicture::FileFormats() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.formats;
}

// ---- TPicture ----

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* value) {
  SetGraphic(value != nullptr ? CopyOf(*value) : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> value) {
  graphic_ = std::move(value);
  if (graphic_) graphic_->OnChange = [this](TObject*) { GraphicChanged(); };
  Changed();
}

TBitmap* TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) SetGraphic(std::unique_ptr<TGraphic>(New<TBitmap>()));
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (dynamic_cast<TIcon*>(graphic_.get()) == nullptr) SetGraphic(std::unique_ptr<TGraphic>(New<TIcon>()));
  return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const WideString& fileName) {
  const AnsiString ext = Utf16ToCp1250(ExtractFileExt(fileName));
  std::function<TGraphic*()> create;
  if (const TFileFormat* f = FindFileFormat(ext)) create = f->create;
  if (!create) throw EInvalidGraphic(Format("Unknown picture file extension (%s)", {ext}));
  std::unique_ptr<TGraphic> graphic(create());
  graphic->LoadFromFile(fileName);
  SetGraphic(std::move(graphic));
}

void TPicture::LoadFromFile(const AnsiString& fileName) { LoadFromFile(Cp1250ToUtf16(fileName)); }

void TPicture::SaveToFile(const WideString& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::SaveToFile(const AnsiString& fileName) { SaveToFile(Cp1250ToUtf16(fileName)); }

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(static_cast<const TGraphic*>(nullptr));
  } else if (const auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->Graphic());
  } else if (const auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent* dest) const {
  if (auto* g = dynamic_cast<TGraphic*>(dest); g != nullptr && graphic_) {
    g->Assign(graphic_.get());
    return;
  }
  TPersistent::AssignTo(dest);
}

void TPicture::GraphicChanged() { Changed(); }

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}
