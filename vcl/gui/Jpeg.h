// TJPEGImage: a JPEG picture, decoded with libjpeg(-turbo) into a 32-bit bitmap when it is loaded and
// kept in its compressed form for saving. TPicture knows it by the extensions "jpg" and "jpeg".
// Damaged data (a broken header or image data, or a file that ends too soon) raises EInvalidGraphic;
// libjpeg's own error handling never ends the program.
#pragma once
#include <memory>
#include <vector>
#include "vcl/gui/Bitmap.h"

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  bool Empty() const override { return bitmap_->Empty(); }
  Integer Width() const override { return bitmap_->Width(); }
  Integer Height() const override { return bitmap_->Height(); }
  // A JPEG image has the size its data gives: EInvalidGraphicOperation.
  void SetWidth(Integer value) override;
  void SetHeight(Integer value) override;

  // Reads the rest of the stream as one JPEG image.
  void LoadFromStream(TStream& stream) override;
  // Writes the compressed data as it was loaded.
  void SaveToStream(TStream& stream) override;

  // The decoded pixels (pf32bit, opaque).
  const TBitmap& Bitmap() const { return *bitmap_; }

  // From another JPEG image; anything else raises.
  void Assign(const TPersistent* source) override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) override;
  // Into a TBitmap: the decoded pixels.
  void AssignTo(TPersistent* dest) const override;

 private:
  std::vector<Byte> data_;
  std::unique_ptr<TBitmap> bitmap_;
};
