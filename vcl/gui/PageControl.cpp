#include "vcl/gui/PageControl.h"

#include <algorithm>

#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

// ---- the sheet ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetAlign(alClient);
  SetVisible(false);
  SetColor(clBtnFace);
}

TTabSheet::~TTabSheet() = default;

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* value) { SetParent(value); }

Integer TTabSheet::PageIndex() const {
  const TPageControl* control = PageControl();
  if (control == nullptr) return -1;
  const auto it = std::find(control->pages_.begin(), control->pages_.end(), this);
  return it != control->pages_.end() ? static_cast<Integer>(it - control->pages_.begin()) : -1;
}

void TTabSheet::WndProc(TMessage& message) {
  TWinControl::WndProc(message);
  if (message.Msg == CM_TEXTCHANGED)
    if (TPageControl* control = PageControl()) control->SetTabText(PageIndex());
}

// ---- the control ----

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
  StoreBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() = default;

TTabSheet* TPageControl::Pages(Integer index) const {
  if (index < 0 || index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return pages_[static_cast<std::size_t>(index)];
}

void TPageControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROLW);
  switch (tabPosition_) {
    case tpBottom: params.Style |= TCS_BOTTOM; break;
    case tpLeft: params.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
    case tpRight: params.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
    default: break;
  }
}

void TPageControl::InsertTab(Integer index) {
  const WideString text = Cp1250ToUtf16(pages_[static_cast<std::size_t>(index)]->Caption());
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
  SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void TPageControl::AfterCreateWnd() {
  for (Integer i = 0; i < PageCount(); ++i) InsertTab(i);
  SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(ActivePageIndex()), 0);
  Realign();
}

void TPageControl::SetTabText(Integer index) {
  if (index < 0 || !HandleAllocated()) return;
  const WideString text = Cp1250ToUtf16(pages_[static_cast<std::size_t>(index)]->Caption());
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text.c_str()));
  SendMessageW(Handle(), TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  Realign();
}

void TPageControl::AdjustClientRect(TRect& rect) {
  TWinControl::AdjustClientRect(rect);
  if (!HandleAllocated()) return;
  RECT r = ToRECT(rect);
  SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  rect = FromRECT(r);
}

Integer TPageControl::ActivePageIndex() const { return active_ != nullptr ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(Integer value) {
  SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<std::size_t>(value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && page->PageControl() != this) return;
  if (page == active_) return;
  TTabSheet* previous = active_;
  active_ = page;
  if (page != nullptr) {
    page->SetVisible(true);
    page->BringToFront();
  }
  if (previous != nullptr) previous->SetVisible(false);
  if (HandleAllocated()) SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(ActivePageIndex()), 0);
}

void TPageControl::SetTabPosition(TTabPosition value) {
  if (value == tabPosition_) return;
  tabPosition_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TPageControl::PageAdded(TTabSheet* page) {
  if (std::find(pages_.begin(), pages_.end(), page) != pages_.end()) return;
  pages_.push_back(page);
  if (HandleAllocated()) InsertTab(PageCount() - 1);
  if (active_ == nullptr) SetActivePage(page);
}

void TPageControl::PageRemoved(TTabSheet* page) {
  const auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const auto index = static_cast<WPARAM>(it - pages_.begin());
  pages_.erase(it);
  if (HandleAllocated()) SendMessageW(Handle(), TCM_DELETEITEM, index, 0);
  if (page == active_) {
    active_ = nullptr;
    if (!pages_.empty()) SetActivePage(pages_[std::min<std::size_t>(index, pages_.size() - 1)]);
  } else if (HandleAllocated()) {
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(ActivePageIndex()), 0);
  }
}

void TPageControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_CONTROLLISTCHANGE:
      if (auto* page = dynamic_cast<TTabSheet*>(reinterpret_cast<TControl*>(message.WParam))) {
        if (message.LParam != 0) {
          PageAdded(page);
        } else {
          PageRemoved(page);
        }
      }
      break;
    case CN_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(message.LParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
        const auto index = static_cast<Integer>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
        SetActivePageIndex(index);
        if (OnChange) OnChange(this);
        return;
      }
      break;
    default:
      break;
  }
  TWinControl::WndProc(message);
}
