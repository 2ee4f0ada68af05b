#include "vcl/gui/Splitter.h"

#include <algorithm>

#include "vcl/gui/WinControl.h"

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  StoreBounds(0, 0, 3, 100);
  SetAlign(alLeft);
  SetCursor(crHSplit);
  SetParentColor(true);
}

void TSplitter::SetBeveled(bool value) {
  if (value == beveled_) return;
  beveled_ = value;
  Invalidate();
}

void TSplitter::RequestAlign() {
  if (Align() == alLeft || Align() == alRight) {
    if (Cursor() == crVSplit) SetCursor(crHSplit);
  } else if (Align() == alTop || Align() == alBottom) {
    if (Cursor() == crHSplit) SetCursor(crVSplit);
  }
  TGraphicControl::RequestAlign();
}

void TSplitter::Paint() {
  Canvas().Brush().SetColor(Color());
  Canvas().Brush().SetStyle(bsSolid);
  const TRect r = ClientRect();
  Canvas().FillRect(r);
  if (beveled_) {
    RECT edge = ToRECT(r);
    DrawEdge(Canvas().Handle(), &edge, BDR_RAISEDINNER, Horizontal() ? (BF_LEFT | BF_RIGHT) : (BF_TOP | BF_BOTTOM));
  }
}

TControl* TSplitter::FindNeighbour() const {
  TWinControl* parent = Parent();
  if (parent == nullptr) return nullptr;
  TPoint p = Point(Left(), Top());
  switch (Align()) {
    case alLeft: --p.X; break;
    case alRight: p.X += Width(); break;
    case alTop: --p.Y; break;
    case alBottom: p.Y += Height(); break;
    default: return nullptr;
  }
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    TRect r = c->BoundsRect();
    // A control folded to nothing is still found on its side of the splitter.
    const bool before = Align() == alLeft || Align() == alTop;
    if (r.Width() == 0) {
      if (before) {
        --r.Left;
      } else {
        ++r.Right;
      }
    }
    if (r.Height() == 0) {
      if (before) {
        --r.Top;
      } else {
        ++r.Bottom;
      }
    }
    if (r.Contains(p)) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  neighbour_ = FindNeighbour();
  if (neighbour_ == nullptr) return;
  TWinControl* parent = Parent();
  downPos_ = ParentPos(x, y);
  startSize_ = Horizontal() ? neighbour_->Width() : neighbour_->Height();
  // The most the neighbour may take: what the parent's other controls on this axis leave, less the
  // minimum kept for the rest.
  const TRect client = parent->ClientRect();
  Integer room = Horizontal() ? client.Width() - parent->Padding().Left() - parent->Padding().Right()
                              : client.Height() - parent->Padding().Top() - parent->Padding().Bottom();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    const TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    if (Horizontal() && (c->Align() == alLeft || c->Align() == alRight)) room -= c->Width();
    if (!Horizontal() && (c->Align() == alTop || c->Align() == alBottom)) room -= c->Height();
  }
  maxSize_ = std::max<Integer>(room + startSize_ - minSize_, 0);
  barSize_ = -1;
  if (resizeStyle_ == rsLine || resizeStyle_ == rsPattern) DrawBar(startSize_);
}

Integer TSplitter::NewSize(Integer pos) const {
  const Integer delta = pos - downPos_;
  Integer size = (Align() == alLeft || Align() == alTop) ? startSize_ + delta : startSize_ - delta;
  if (size > maxSize_) size = maxSize_;
  if (size < minSize_) size = autoSnap_ ? 0 : std::min(minSize_, maxSize_);
  return size;
}

void TSplitter::MouseMove(TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (neighbour_ == nullptr) return;
  const Integer size = NewSize(ParentPos(x, y));
  if (resizeStyle_ == rsUpdate) {
    Apply(size);
  } else if ((resizeStyle_ == rsLine || resizeStyle_ == rsPattern) && size != barSize_) {
    DrawBar(barSize_);
    DrawBar(size);
  }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button == mbLeft && neighbour_ != nullptr) StopDrag(true, ParentPos(x, y));
}

void TSplitter::StopDrag(bool apply, Integer pos) {
  if (barSize_ >= 0) DrawBar(barSize_);
  barSize_ = -1;
  if (apply && neighbour_ != nullptr) Apply(NewSize(pos));
  neighbour_ = nullptr;
}

void TSplitter::Apply(Integer size) {
  if (neighbour_ == nullptr) return;
  bool accept = true;
  if (OnCanResize) OnCanResize(this, size, accept);
  if (!accept) return;
  const Integer current = Horizontal() ? neighbour_->Width() : neighbour_->Height();
  if (size == current) return;
  // The parent's alignment moves the splitter and the other controls along.
  if (Horizontal()) {
    neighbour_->SetWidth(size);
  } else {
    neighbour_->SetHeight(size);
  }
  if (Parent() != nullptr) Parent()->Update();
  if (OnMoved) OnMoved(this);
}

void TSplitter::DrawBar(Integer size) {
  if (size < 0 || neighbour_ == nullptr || Parent() == nullptr || !Parent()->HandleAllocated()) return;
  TRect bar = BoundsRect();
  const TRect n = neighbour_->BoundsRect();
  switch (Align()) {
    case alLeft: bar = Bounds(n.Left + size, Top(), Width(), Height()); break;
    case alRight: bar = Bounds(n.Right - size - Width(), Top(), Width(), Height()); break;
    case alTop: bar = Bounds(Left(), n.Top + size, Width(), Height()); break;
    case alBottom: bar = Bounds(Left(), n.Bottom - size - Height(), Width(), Height()); break;
    default: return;
  }
  HWND window = Parent()->Handle();
  HDC dc = GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
  HBRUSH brush = nullptr;
  HBITMAP pattern = nullptr;
  if (resizeStyle_ == rsPattern) {
    // A halftone of alternate pixels, so that the bar shows over any colour.
    const WORD bits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    pattern = CreateBitmap(8, 8, 1, 1, bits);
    brush = CreatePatternBrush(pattern);
  } else {
    brush = CreateSolidBrush(RGB(255, 255, 255));
  }
  HGDIOBJ old = SelectObject(dc, brush);
  PatBlt(dc, bar.Left, bar.Top, bar.Width(), bar.Height(), PATINVERT);
  SelectObject(dc, old);
  DeleteObject(brush);
  if (pattern != nullptr) DeleteObject(pattern);
  ReleaseDC(window, dc);
  barSize_ = barSize_ == size ? -1 : size;
}

void TSplitter::WndProc(TMessage& m) {
  if (m.Msg == WM_CANCELMODE && neighbour_ != nullptr) StopDrag(false, 0);
  TGraphicControl::WndProc(m);
}
