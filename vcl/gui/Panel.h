// TPanel: a container control (window class "TPanel") that paints its colour, optional 3-D bevels and
// a caption (centred unless Alignment says otherwise; ShowCaption off hides it). Its children are aligned
// inside the bevels, the border width and Padding.
#pragma once
#include "vcl/gui/CustomControl.h"

enum TBevelCut { bvNone = 0, bvLowered = 1, bvRaised = 2, bvSpace = 3 };

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  Integer BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(Integer value);
  Integer BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(Integer value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool value);

  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& rect) override;

 private:
  void Changed();

  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  Integer bevelWidth_ = 1;
  Integer borderWidth_ = 0;
  TAlignment alignment_ = taCenter;
  bool showCaption_ = true;
};
