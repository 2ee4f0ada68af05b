// TBitBtn: a push button with a glyph beside (or above, below) its caption. The glyph is a strip of
// NumGlyphs images side by side (up, disabled, pressed, ...), its bottom-left pixel the transparent
// colour. The button draws itself (owner-drawn BUTTON): a push-button frame, the first image (the
// second while disabled, when the strip has one) and the caption, laid out by Layout, Margin (-1:
// centred) and Spacing.
#pragma once
#include <memory>
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Button.h"

enum TButtonLayout : Integer { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* owner);

  TBitmap& Glyph() { return *glyph_; }
  const TBitmap& Glyph() const { return *glyph_; }
  void SetGlyph(const TBitmap& value);
  Integer NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(Integer value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  Integer Margin() const { return margin_; }
  void SetMargin(Integer value);
  Integer Spacing() const { return spacing_; }
  void SetSpacing(Integer value);

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  void DrawItem(const DRAWITEMSTRUCT& item);
  void Changed();

  std::unique_ptr<TBitmap> glyph_;
  Integer numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  Integer margin_ = -1;
  Integer spacing_ = 4;
};
