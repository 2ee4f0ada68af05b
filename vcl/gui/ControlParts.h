// The small persistent objects a control holds for its layout: TMargins (space kept around a control
// aligned with AlignWithMargins), TPadding (space kept inside a container before its children are
// aligned) and TSizeConstraints (the smallest and largest Width and Height; 0 = no limit).
#pragma once
#include "vcl/rtl/Persistent.h"

class TMargins : public TPersistent {
 public:
  TMargins() : TMargins(3) {}
  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Right() const { return right_; }
  Integer Bottom() const { return bottom_; }
  void SetLeft(Integer value) { Set(value, top_, right_, bottom_); }
  void SetTop(Integer value) { Set(left_, value, right_, bottom_); }
  void SetRight(Integer value) { Set(left_, top_, value, bottom_); }
  void SetBottom(Integer value) { Set(left_, top_, right_, value); }
  void SetBounds(Integer left, Integer top, Integer right, Integer bottom) { Set(left, top, right, bottom); }
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 protected:
  explicit TMargins(Integer all) : left_(all), top_(all), right_(all), bottom_(all) {}

 private:
  void Set(Integer left, Integer top, Integer right, Integer bottom);
  Integer left_, top_, right_, bottom_;
};

class TPadding : public TMargins {
 public:
  TPadding() : TMargins(0) {}
};

class TSizeConstraints : public TPersistent {
 public:
  Integer MinWidth() const { return minWidth_; }
  Integer MinHeight() const { return minHeight_; }
  Integer MaxWidth() const { return maxWidth_; }
  Integer MaxHeight() const { return maxHeight_; }
  // A minimum above the maximum lifts the maximum, and the other way round.
  void SetMinWidth(Integer value);
  void SetMinHeight(Integer value);
  void SetMaxWidth(Integer value);
  void SetMaxHeight(Integer value);
  // width and height brought within the limits.
  void Apply(Integer& width, Integer& height) const;
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  Integer minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};
