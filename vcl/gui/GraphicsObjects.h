// The drawing tools a canvas selects into a device context: TFont, TBrush and TPen. Each keeps its
// properties and makes its GDI handle when first asked; any change frees the handle (after telling
// OnChange, so that a canvas that has it selected can let go of it first) and the next Handle() makes
// a new one. Text properties are Windows-1250; fonts are made through the W API.
#pragma once
#include "vcl/gui/Colors.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Set.h"

class TGraphicsObject : public TPersistent {
 public:
  ~TGraphicsObject() override;
  TNotifyEvent OnChange;

 protected:
  // Frees the cached handle and fires OnChange (before the old handle is deleted).
  void Changed();
  HGDIOBJ CachedHandle() const { return handle_; }
  void SetCachedHandle(HGDIOBJ handle, bool owned);

 private:
  HGDIOBJ handle_ = nullptr;
  bool owned_ = false;  // stock objects are not deleted
};

enum TFontStyle { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

class TFont : public TGraphicsObject {
 public:
  TFont();

  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& value);
  // Height in pixels: negative for the character height (the usual -11), positive for the cell height.
  Integer Height() const { return height_; }
  void SetHeight(Integer value);
  // Size in points at the screen's pixels per inch (Height = -Size * ppi / 72).
  Integer Size() const;
  void SetSize(Integer value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  Byte Charset() const { return charset_; }
  void SetCharset(Byte value);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch value);

  HFONT Handle();
  // Takes the properties of an existing font handle (the handle itself stays the caller's).
  void SetHandle(HFONT font);

  void Assign(const TPersistent* source) override;
  static Integer PixelsPerInch();  // of the screen (LOGPIXELSY)

 private:
  AnsiString name_ = "Tahoma";
  Integer height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
  Byte charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
};

enum TBrushStyle {
  bsSolid = 0, bsClear = 1, bsHorizontal = 2, bsVertical = 3, bsFDiagonal = 4, bsBDiagonal = 5, bsCross = 6,
  bsDiagCross = 7
};

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle value);
  HBRUSH Handle();
  void Assign(const TPersistent* source) override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

enum TPenStyle { psSolid = 0, psDash = 1, psDot = 2, psDashDot = 3, psDashDotDot = 4, psClear = 5, psInsideFrame = 6 };
enum TPenMode {
  pmBlack = 0, pmWhite = 1, pmNop = 2, pmNot = 3, pmCopy = 4, pmNotCopy = 5, pmMergePenNot = 6, pmMaskPenNot = 7,
  pmMergeNotPen = 8, pmMaskNotPen = 9, pmMerge = 10, pmNotMerge = 11, pmMask = 12, pmNotMask = 13, pmXor = 14,
  pmNotXor = 15
};

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode value);
  int Rop2() const;  // the R2_ code of Mode
  HPEN Handle();
  void Assign(const TPersistent* source) override;

 private:
  TColor color_ = clBlack;
  Integer width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};
