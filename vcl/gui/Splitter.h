// TSplitter: a thin bar between aligned controls that the user drags to resize the control before it
// (on its left for alLeft, above it for alTop, after it for alRight and alBottom). The neighbour stays
// at least MinSize wide, and so does the room left for the rest of the parent; with AutoSnap a drag
// below MinSize folds the neighbour to 0. ResizeStyle rsUpdate resizes while dragging, rsLine and
// rsPattern draw a moving bar over the parent and resize when the button is let go, rsNone only then.
#pragma once
#include <functional>
#include "vcl/gui/GraphicControl.h"

enum TResizeStyle { rsNone = 0, rsLine = 1, rsUpdate = 2, rsPattern = 3 };

// Asked before a new size is applied; accept false keeps the old one, newSize may be changed.
using TCanResizeEvent = std::function<void(TObject* sender, Integer& newSize, bool& accept)>;

class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(TComponent* owner);

  Integer MinSize() const { return minSize_; }
  void SetMinSize(Integer value) { minSize_ = value < 1 ? 1 : value; }
  bool AutoSnap() const { return autoSnap_; }
  void SetAutoSnap(bool value) { autoSnap_ = value; }
  TResizeStyle ResizeStyle() const { return resizeStyle_; }
  void SetResizeStyle(TResizeStyle value) { resizeStyle_ = value; }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool value);

  // The control the splitter resizes: the visible, enabled sibling right before it in its alignment.
  TControl* FindNeighbour() const;

  TNotifyEvent OnMoved;
  TCanResizeEvent OnCanResize;

  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void RequestAlign() override;
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseMove(TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

 private:
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  // The mouse position along the splitter's axis, in the parent's client coordinates.
  Integer ParentPos(Integer x, Integer y) const { return Horizontal() ? Left() + x : Top() + y; }
  Integer NewSize(Integer pos) const;
  void Apply(Integer size);
  void DrawBar(Integer size);  // the moving bar of rsLine/rsPattern (drawn twice to erase)
  void StopDrag(bool apply, Integer pos);

  Integer minSize_ = 30;
  bool autoSnap_ = true;
  TResizeStyle resizeStyle_ = rsPattern;
  bool beveled_ = false;
  // The drag in progress.
  TControl* neighbour_ = nullptr;
  Integer downPos_ = 0;
  Integer startSize_ = 0;
  Integer maxSize_ = 0;
  Integer barSize_ = -1;  // the size the drawn bar shows; -1 when none is drawn
};
