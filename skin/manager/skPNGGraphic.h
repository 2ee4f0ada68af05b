// TPNGGraphic: PNG images as bitmaps of the component layer (Windows only). Every PNG loads into a
// 32-bit bitmap that keeps its alpha channel, and draws alpha-blended over what the canvas holds,
// resampled first when the rectangle's size differs from the image's. TPicture picks it for ".png"
// once RegisterPNGGraphic has run (the skin library's start-up).
#pragma once
#include "skin/manager/skPNG.h"
#include "vcl/gui/Bitmap.h"

class TPNGGraphic : public TBitmap {
 public:
  TPNGGraphic() = default;

  // Reads one PNG from the stream's position and replaces the image; EInvalidGraphic for a damaged
  // file, which leaves the image as it was.
  void LoadFromStream(TStream& stream) override;
  // Copies the image properties from another TPNGGraphic, then the bitmap.
  void Assign(const TPersistent* source) override;

  // Reads signature, header and gamma only: true for a PNG with non-zero width and height.
  bool ReadImageProperties(TStream& stream);
  const TPNGImageProperties& ImageProperties() const { return properties_; }

  // Draw a fading mirror image below the picture (at its own size only).
  bool Reflected() const { return reflected_; }
  void SetReflected(bool value) { reflected_ = value; }

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) override;

 private:
  TPNGImageProperties properties_;
  bool reflected_ = false;
};

// Sets every pixel of a 32-bit bitmap that is exactly 0x00FFFFFF (white with alpha 0) to 0.
void ClearWhite(TBitmap& bitmap);

// The registration of TPNGGraphic for "png" with TPicture, and its removal at shut-down.
void RegisterPNGGraphic();
void UnregisterPNGGraphic();
