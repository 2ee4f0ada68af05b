// TImageList: a list of equally sized images (icons with alpha or masked bitmaps) over a comctl32
// image list, drawn by index either normally or disabled (grey and faded), as tool bars, menus and
// actions show them. Images come from icons, bitmaps (a strip of Width-wide images), the program's
// resources, or the stream that a form definition stores (ReadData/WriteData).
#pragma once
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/Icon.h"
#include "vcl/rtl/Component.h"

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  // Image size in pixels (16 x 16 by default); changing it clears the list.
  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  Integer Height() const { return height_; }
  void SetHeight(Integer value);
  int Count() const;

  HIMAGELIST Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  // Each returns the index of the (first) new image.
  int AddIcon(TIcon* icon);
  int Add(TBitmap* image, TBitmap* mask);              // mask may be nil
  int AddMasked(TBitmap* image, TColor maskColor);     // a strip adds one image per Width pixels
  // An ICON resource of the module, loaded at the list's size.
  int AddIconResource(HINSTANCE instance, const AnsiString& name);
  // A BITMAP resource holding a strip of images, masked by maskColor.
  int AddBitmapResource(HINSTANCE instance, const AnsiString& name, TColor maskColor);
  void ReplaceIcon(int index, TIcon* icon);
  void Delete(int index);
  void Clear();
  void GetIcon(int index, TIcon* icon);
  void GetBitmap(int index, TBitmap* image);  // a 32-bit bitmap of the image on white

  // Draws an image; a disabled one is grey and half transparent. An index outside the list (such as the
  // -1 of "no image") draws nothing.
  void Draw(TCanvas& canvas, Integer x, Integer y, int index, bool enabled = true);

  // The images as a form definition stores them: a 32-bit count, then per image a 32-bit length and
  // a .ico file. ReadData replaces the images.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  // A definition stores the images as the binary property "Bitmap" (ReadData's format).
  void DefineProperties(TFiler& filer) override;

  TNotifyEvent OnChange;

 protected:
  void Change();

 private:
  void CheckIndex(int index) const;
  void Recreate();

  HIMAGELIST handle_ = nullptr;
  Integer width_ = 16;
  Integer height_ = 16;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};
