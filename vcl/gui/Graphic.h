// TGraphic, the base of every picture kind (bitmap, icon, and the formats other libraries add, such as
// PNG), and TPicture, which holds one graphic of any kind and picks the kind of a file by its extension
// from a process-wide registry: TPicture::RegisterFileFormat<TPNGGraphic>("png", "PNG image").
#pragma once
#include <functional>
#include <memory>
#include <string_view>
#include <typeinfo>
#include <vector>
#include "vcl/gui/Geometry.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Stream.h"

class TCanvas;
class TBitmap;
class TIcon;

QN_DECLARE_EXCEPTION(EInvalidGraphic, Exception);           // damaged or unsupported image data
QN_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);  // e.g. a canvas of an icon

class TGraphic : public TPersistent {
 public:
  virtual bool Empty() const = 0;
  virtual Integer Width() const = 0;
  virtual Integer Height() const = 0;
  virtual void SetWidth(Integer value) = 0;
  virtual void SetHeight(Integer value) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);

  // The graphic in its file format, from the stream's position.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const WideString& fileName);
  void LoadFromFile(const AnsiString& fileName);  // Windows-1250 name
  void SaveToFile(const WideString& fileName);
  void SaveToFile(const AnsiString& fileName);

  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  // Paints the graphic into rect of the canvas (stretched when the sizes differ).
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  // Marks the graphic modified and fires OnChange.
  virtual void Changed();

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

// One registered file format: the extension (lower case, no dot), its description and the class.
struct TFileFormat {
  AnsiString extension;
  AnsiString description;
  const std::type_info* type = nullptr;
  std::function<TGraphic*()> create;
};

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;

  // The held graphic (nil when none).
  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of value (a new object of its class, assigned from it); nil empties the picture.
  void SetGraphic(const TGraphic* value);
  // Takes a graphic over.
  void SetGraphic(std::unique_ptr<TGraphic> value);
  // The graphic as a bitmap / icon; a graphic of another kind is replaced by an empty one first.
  TBitmap* Bitmap();
  TIcon* Icon();

  Integer Width() const { return graphic_ ? graphic_->Width() : 0; }
  Integer Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Loads a file with the graphic class registered for its extension; EInvalidGraphic
  // "Unknown picture file extension (.xyz)" when there is none.
  void LoadFromFile(const WideString& fileName);
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const WideString& fileName);
  void SaveToFile(const AnsiString& fileName);

  void Assign(const TPersistent* source) override;  // a TPicture or a TGraphic
  TNotifyEvent OnChange;

  // ---- the registry of file formats (bmp and ico are there from the start) ----
  template <class T>
  static void RegisterFileFormat(std::string_view extension, std::string_view description) {
    static_assert(std::is_base_of_v<TGraphic, T>, "file formats are graphic classes");
    RegisterFormat(TFileFormat{AnsiString(extension), AnsiString(description), &typeid(T),
                               [] { return static_cast<TGraphic*>(New<T>()); }});
  }
  static void UnregisterFileFormat(std::string_view extension);
  // The format of an extension (with or without the dot, ASCII case ignored); nil when none.
  static const TFileFormat* FindFileFormat(std::string_view extension);
  static std::vector<TFileFormat> FileFormats();

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  static void RegisterFormat(TFileFormat format);
  void GraphicChanged();
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};
