#include "vcl/gui/ScrollBar.h"

#include "vcl/rtl/Exceptions.h"

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csFramed, csDoubleClicks, csOpaque});
  StoreBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"SCROLLBAR");
  params.Style |= kind_ == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::AfterCreateWnd() { UpdateWindow(); }

void TScrollBar::UpdateWindow() {
  if (!HandleAllocated()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  info.nMin = min_;
  info.nMax = max_;
  info.nPage = static_cast<UINT>(pageSize_);
  info.nPos = position_;
  SetScrollInfo(Handle(), SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (value == kind_) return;
  kind_ = value;
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetParams(Integer position, Integer min, Integer max) {
  if (max < min) throw EInvalidOperation("Scroll bar property out of range");
  const bool changed = position != position_;
  min_ = min;
  max_ = max;
  if (pageSize_ > max_ - min_ + 1) pageSize_ = max_ - min_ + 1;
  position_ = std::clamp(position, min_, LastPosition());
  UpdateWindow();
  if (!changed) return;
  Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
  if (OnChange) OnChange(this);
}

void TScrollBar::SetPageSize(Integer value) {
  if (value < 0 || value > max_ - min_ + 1) throw EInvalidOperation("Scroll bar property out of range");
  pageSize_ = value;
  position_ = std::clamp(position_, min_, LastPosition());
  UpdateWindow();
}

void TScrollBar::Scroll(Word code) {
  const Integer page = std::max(pageSize_, 1);
  Integer position = position_;
  switch (code) {
    case SB_LINEUP: position -= 1; break;
    case SB_LINEDOWN: position += 1; break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_TOP: position = min_; break;
    case SB_BOTTOM: position = max_; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(Handle(), SB_CTL, &info)) position = info.nTrackPos;
      break;
    }
    default:
      return;
  }
  SetPosition(position);
}

void TScrollBar::WndProc(TMessage& message) {
  if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
    Scroll(LOWORD(message.WParam));
    message.Result = 0;
    return;
  }
  TWinControl::WndProc(message);
}
