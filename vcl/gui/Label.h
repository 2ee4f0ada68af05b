// TLabel: text painted on the parent (no window of its own). With AutoSize it takes the size of its
// text (with WordWrap only its height follows); Layout places the text vertically, Alignment
// horizontally; a Transparent label paints no background; "&" marks an accelerator unless
// ShowAccelChar is off.
#pragma once
#include "vcl/gui/GraphicControl.h"

enum TTextLayout { tlTop = 0, tlCenter = 1, tlBottom = 2 };

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);

  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void Loaded() override;

 private:
  UINT TextFlags() const;
  // The text's rectangle for the current width (height as needed).
  RECT TextRect(HDC dc, Integer width);
  void AdjustBounds();

  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
};
