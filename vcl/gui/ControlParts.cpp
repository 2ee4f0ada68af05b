#include "vcl/gui/ControlParts.h"

#include <algorithm>

void TMargins::Set(Integer left, Integer top, Integer right, Integer bottom) {
  if (left == left_ && top == top_ && right == right_ && bottom == bottom_) return;
  left_ = left;
  top_ = top;
  right_ = right;
  bottom_ = bottom;
  if (OnChange) OnChange(this);
}

void TMargins::Assign(const TPersistent* source) {
  if (const auto* m = dynamic_cast<const TMargins*>(source)) {
    Set(m->left_, m->top_, m->right_, m->bottom_);
    return;
  }
  TPersistent::Assign(source);
}

void TSizeConstraints::Changed() {
  if (OnChange) OnChange(this);
}

void TSizeConstraints::SetMinWidth(Integer value) {
  value = std::max(value, 0);
  if (value == minWidth_) return;
  minWidth_ = value;
  if (maxWidth_ > 0 && maxWidth_ < minWidth_) maxWidth_ = minWidth_;
  Changed();
}

void TSizeConstraints::SetMinHeight(Integer value) {
  value = std::max(value, 0);
  if (value == minHeight_) return;
  minHeight_ = value;
  if (maxHeight_ > 0 && maxHeight_ < minHeight_) maxHeight_ = minHeight_;
  Changed();
}

void TSizeConstraints::SetMaxWidth(Integer value) {
  value = std::max(value, 0);
  if (value == maxWidth_) return;
  maxWidth_ = value;
  if (maxWidth_ > 0 && minWidth_ > maxWidth_) minWidth_ = maxWidth_;
  Changed();
}

void TSizeConstraints::SetMaxHeight(Integer value) {
  value = std::max(value, 0);
  if (value == maxHeight_) return;
  maxHeight_ = value;
  if (maxHeight_ > 0 && minHeight_ > maxHeight_) minHeight_ = maxHeight_;
  Changed();
}

void TSizeConstraints::Apply(Integer& width, Integer& height) const {
  if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
  if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
  if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
  if (minHeight_ > 0 && height < minHeight_) height = minHeight_;
}

void TSizeConstraints::Assign(const TPersistent* source) {
  if (const auto* c = dynamic_cast<const TSizeConstraints*>(source)) {
    minWidth_ = c->minWidth_;
    minHeight_ = c->minHeight_;
    maxWidth_ = c->maxWidth_;
    maxHeight_ = c->maxHeight_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}
