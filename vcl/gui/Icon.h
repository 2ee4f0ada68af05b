// TIcon: a Windows icon (HICON). LoadFromStream reads the .ico file format and takes the image that
// best fits the requested size (Width/Height set before loading; otherwise the first image);
// SaveToStream writes the loaded file back unchanged, or, for an icon made from a handle, a one-image
// 32-bit .ico file.
#pragma once
#include <vector>
#include "vcl/gui/Graphic.h"
#include "vcl/gui/Win.h"

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;

  bool Empty() const override { return icon_ == nullptr; }
  Integer Width() const override { return width_; }
  Integer Height() const override { return height_; }
  // The size to pick when loading; EInvalidGraphicOperation "Cannot change the size of an icon" once
  // an icon is held.
  void SetWidth(Integer value) override;
  void SetHeight(Integer value) override;

  HICON Handle() const { return icon_; }
  // Takes an icon over (nil empties it).
  void SetHandle(HICON icon);
  HICON ReleaseHandle();

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // An ICON resource of a module, at the requested size (0: the resource's default).
  void LoadFromResourceName(HINSTANCE instance, const AnsiString& name);
  void LoadFromResourceID(HINSTANCE instance, int id);

  void Assign(const TPersistent* source) override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) override;

 private:
  void TakeIcon(HICON icon);
  void Release();

  HICON icon_ = nullptr;
  Integer width_ = 0;
  Integer height_ = 0;
  std::vector<Byte> data_;  // the .ico file it was loaded from, written back by SaveToStream
};
