#include "vcl/gui/Menus.h"

#include <algorithm>
#include <unordered_map>

#include "vcl/gui/ActionList.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/HintWindow.h"
#include "vcl/gui/ImageList.h"
#include "vcl/gui/Screen.h"
#include "vcl/rtl/Format.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Command numbers in use (a WM_COMMAND carries 16 bits of them; 0 is no command).
std::unordered_map<UINT, TMenuItem*>& Commands() {
  static std::unordered_map<UINT, TMenuItem*> commands;
  return commands;
}

UINT AllocateCommand(TMenuItem* item) {
  static UINT next = 1;
  auto& commands = Commands();
  for (UINT tries = 0; tries < 0xFFFF; ++tries) {
    const UINT candidate = next;
    next = next == 0xFFFF ? 1 : next + 1;
    if (commands.emplace(candidate, item).second) return candidate;
  }
  throw EMenuError("Too many menu items");
}

// Spacing of owner-drawn items, in pixels.
constexpr Integer kTextGap = 8;      // between the image column and the caption, and at the right end
constexpr Integer kShortCutGap = 16; // between the caption and the shortcut text
constexpr Integer kImageMargin = 3;  // around an image

const wchar_t* Wide(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// A caption as it shows: "&" marks the next letter, "&&" is an ampersand.
AnsiString StripAmpersands(const AnsiString& caption) {
  AnsiString text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

Integer ImageColumnWidth(const TCustomImageList* images) {
  const Integer checkWidth = GetSystemMetrics(SM_CXMENUCHECK);
  return std::max(images != nullptr ? images->Width() : 0, checkWidth) + 2 * kImageMargin;
}

}  // namespace

TSysLocale SysLocale;

TMenuItem* FindMenuItemByCommand(UINT command) {
  auto it = Commands().find(command);
  return it == Commands().end() ? nullptr : it->second;
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) { command_ = AllocateCommand(this); }

TMenuItem::~TMenuItem() {
  // Sub-items go with their parent (whoever owns them hears through the component protocol).
  while (!items_.empty()) {
    TMenuItem* child = items_.back();
    delete child;
    if (!items_.empty() && items_.back() == child) items_.pop_back();
  }
  if (parent_ != nullptr) parent_->TakeOut(this);
  Commands().erase(command_);
}

void TMenuItem::MenuChanged() {
  if (TMenu* menu = GetParentMenu()) menu->Changed();
}

void TMenuItem::SetCaption(const AnsiString& value) {
  if (value == caption_) return;
  caption_ = value;
  MenuChanged();
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (value == shortCut_) return;
  shortCut_ = value;
  MenuChanged();
}

void TMenuItem::SetImageIndex(Integer value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  MenuChanged();
}

void TMenuItem::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  MenuChanged();
}

void TMenuItem::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  MenuChanged();
}

void TMenuItem::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  // A checked radio item unchecks the others of its group among its siblings.
  if (value && radioItem_ && parent_ != nullptr) {
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
  }
  MenuChanged();
}

void TMenuItem::SetRadioItem(bool value) {
  if (value == radioItem_) return;
  radioItem_ = value;
  MenuChanged();
}

void TMenuItem::SetDefault(bool value) {
  if (value == default_) return;
  default_ = value;
  MenuChanged();
}

void TMenuItem::SetBreak(bool value) {
  if (value == break_) return;
  break_ = value;
  MenuChanged();
}

TBitmap& TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return *bitmap_;
}

bool TMenuItem::HasBitmap() const { return bitmap_ != nullptr && !bitmap_->Empty(); }

void TMenuItem::SetBitmap(const TBitmap* value) {
  Bitmap().Assign(value);
  MenuChanged();
}

void TMenuItem::SetSubMenuImages(TCustomImageList* value) {
  if (value == subMenuImages_) return;
  if (subMenuImages_ != nullptr) RemoveFreeNotification(subMenuImages_);
  subMenuImages_ = value;
  if (value != nullptr) value->FreeNotification(this);
  MenuChanged();
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == subMenuImages_) subMenuImages_ = nullptr;
  if (operation == opRemove && component == action_) action_ = nullptr;
}

void TMenuItem::SetAction(TBasicAction* value) {
  if (value == action_) return;
  if (action_ != nullptr) action_->RemoveFreeNotification(this);
  action_ = value;
  if (value == nullptr) return;
  value->FreeNotification(this);
  ActionChanged();
}

void TMenuItem::InitiateAction() {
  if (action_ == nullptr) return;
  action_->Update();
  ActionChanged();
}

void TMenuItem::ActionChanged() {
  const auto* action = dynamic_cast<const TCustomAction*>(action_);
  if (action == nullptr) return;
  if (caption_ != action->Caption()) SetCaption(action->Caption());
  if (enabled_ != action->Enabled()) SetEnabled(action->Enabled());
  if (visible_ != action->Visible()) SetVisible(action->Visible());
  if (checked_ != action->Checked()) SetChecked(action->Checked());
  if (shortCut_ != action->ShortCut()) SetShortCut(action->ShortCut());
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError(Format("Menu index out of range (%d)", {index}));
  return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::CheckInsert(const TMenuItem* item) const {
  if (item == nullptr) throw EMenuError("Menu item is nil");
  for (const TMenuItem* p = this; p != nullptr; p = p->parent_)
    if (p == item) throw EMenuError("A menu item cannot hold itself");
  if (item->menu_ != nullptr) throw EMenuError("The items of a menu cannot be moved into another");
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  CheckInsert(item);
  if (item->parent_ == this) throw EMenuError("Menu item inserted twice");
  if (index < 0 || index > Count()) throw EMenuError(Format("Menu index out of range (%d)", {index}));
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  MenuChanged();
}

void TMenuItem::TakeOut(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  // The old Windows menu still shows the item until it is built again; its entry only holds the
  // command number, so nothing points at the item meanwhile.
  MenuChanged();
}

void TMenuItem::Delete(int index) { TakeOut(Items(index)); }

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index < 0) throw EMenuError("Menu item not found");
  Delete(index);
}

void TMenuItem::Clear() {
  while (!items_.empty()) {
    TMenuItem* child = items_.back();
    delete child;
    if (!items_.empty() && items_.back() == child) items_.pop_back();
  }
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::SetMenuIndex(int value) {
  if (parent_ == nullptr) return;
  TMenuItem* parent = parent_;
  value = std::clamp(value, 0, parent->Count() - 1);
  if (value == MenuIndex()) return;
  parent->TakeOut(this);
  parent->Insert(value, this);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_ != nullptr) root = root->parent_;
  return root->menu_;
}

TMenuItem* TMenuItem::Find(UINT value, TFindItemKind kind) const {
  for (TMenuItem* item : items_) {
    switch (kind) {
      case fkCommand:
        if (item->command_ == value) return item;
        break;
      case fkShortCut:
        if (item->shortCut_ != scNone && item->shortCut_ == value) return item;
        break;
    }
    if (TMenuItem* found = item->Find(value, kind)) return found;
  }
  return nullptr;
}

TMenuItem* TMenuItem::FindHandle(HMENU handle) const {
  for (TMenuItem* item : items_) {
    if (item->handle_ != nullptr && item->handle_ == handle) return item;
    if (TMenuItem* found = item->FindHandle(handle)) return found;
  }
  return nullptr;
}

void TMenuItem::RebuildHandle() {
  if (handle_ != nullptr && IsMenu(handle_)) FillMenu(handle_);
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (OnClick) {
    OnClick(this);
  } else if (action_ != nullptr) {
    action_->Execute();
  }
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ != nullptr && parent_->menu_ != nullptr) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* menu = dynamic_cast<TMenu*>(parent)) {
    menu->Items()->Add(this);
  } else if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
    item->Add(this);
  } else if (parent_ != nullptr && parent == nullptr) {
    parent_->Remove(this);
  }
}

bool TMenuItem::IsOwnerDrawn() const {
  if (OnMeasureItem || OnDrawItem || OnAdvancedDrawItem) return true;
  const TMenu* menu = GetParentMenu();
  return menu != nullptr && (menu->OwnerDraw() || menu->Images() != nullptr);
}

void TMenuItem::FillEntries(HMENU menu, const std::vector<TMenuItem*>& items) {
  // Entries are put in afresh: whatever the menu held goes (with its sub-menus).
  while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
  UINT position = 0;
  for (TMenuItem* item : items) {
    if (!item->visible_) {
      item->ForgetHandles();
      continue;
    }
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    info.wID = item->command_;
    info.dwItemData = item->command_;
    info.fState = (item->enabled_ ? MFS_ENABLED : MFS_GRAYED) | (item->checked_ ? MFS_CHECKED : 0) |
                  (item->default_ ? MFS_DEFAULT : 0);
    info.fType = item->IsLine() ? MFT_SEPARATOR : MFT_STRING;
    item->builtOwnerDrawn_ = item->IsOwnerDrawn();
    if (item->builtOwnerDrawn_) info.fType |= MFT_OWNERDRAW;
    if (item->radioItem_) info.fType |= MFT_RADIOCHECK;
    if (item->break_) info.fType |= MFT_MENUBREAK;
    WideString text;
    if (!item->IsLine()) {
      AnsiString caption = item->caption_;
      if (item->shortCut_ != scNone) caption += "\t" + ShortCutToText(item->shortCut_);
      text = Cp1250ToUtf16(caption);
      info.fMask |= MIIM_STRING;
      info.dwTypeData = const_cast<wchar_t*>(Wide(text));
    }
    item->handle_ = nullptr;
    if (!item->items_.empty()) {
      item->handle_ = CreatePopupMenu();
      if (item->handle_ == nullptr) os::RaiseLastOSError();
      item->FillMenu(item->handle_);
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = item->handle_;
    }
    if (!InsertMenuItemW(menu, position, TRUE, &info)) {
      if (item->handle_ != nullptr) DestroyMenu(item->handle_);
      item->ForgetHandles();
      os::RaiseLastOSError();
    }
    ++position;
  }
}

void TMenuItem::ForgetHandles() {
  handle_ = nullptr;
  for (TMenuItem* item : items_) item->ForgetHandles();
}

bool TMenuItem::OwnerDrawingChanged() const {
  for (const TMenuItem* item : items_) {
    if (!item->visible_) continue;
    if (item->builtOwnerDrawn_ != item->IsOwnerDrawn() || item->OwnerDrawingChanged()) return true;
  }
  return false;
}

// ---- owner drawing ----

void TMenuItem::MeasureItem(TCanvas& canvas, Integer& width, Integer& height) {
  const TMenu* menu = GetParentMenu();
  const TCustomImageList* images = menu != nullptr ? menu->Images() : nullptr;
  if (IsLine()) {
    width = 0;
    height = GetSystemMetrics(SM_CYMENU) / 2;
  } else {
    if (Screen != nullptr) canvas.SetFont(Screen->MenuFont());
    if (default_) canvas.Font().SetStyle(canvas.Font().Style().Include(fsBold));
    const TPoint text = canvas.TextExtent(StripAmpersands(caption_));
    width = ImageColumnWidth(images) + kTextGap + text.X + kTextGap;
    if (shortCut_ != scNone) width += kShortCutGap + canvas.TextWidth(ShortCutToText(shortCut_));
    height = std::max<Integer>({text.Y + 6, GetSystemMetrics(SM_CYMENU),
                                images != nullptr ? images->Height() + 2 * kImageMargin : 0});
  }
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas& canvas, const TRect& rect, TOwnerDrawState state) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, canvas, rect, state);
  } else if (OnDrawItem) {
    OnDrawItem(this, canvas, rect, state.Contains(odSelected));
  } else {
    DrawItem(canvas, rect, state);
  }
}

void TMenuItem::DrawItem(TCanvas& canvas, const TRect& rect, TOwnerDrawState state) {
  const TMenu* menu = GetParentMenu();
  TCustomImageList* images = menu != nullptr ? menu->Images() : nullptr;
  const bool selected = state.Contains(odSelected) && !IsLine();
  const bool enabled = !state.Contains(odDisabled) && !state.Contains(odGrayed);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(selected ? clHighlight : clMenu);
  canvas.FillRect(rect);
  HDC dc = canvas.Handle();
  if (IsLine()) {
    RECT line = ToRECT(rect);
    line.top += rect.Height() / 2 - 1;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const Integer column = ImageColumnWidth(images);
  if (images != nullptr && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
    const Integer x = rect.Left + (column - images->Width()) / 2;
    const Integer y = rect.Top + (rect.Height() - images->Height()) / 2;
    if (state.Contains(odChecked)) {
      RECT frame{x - 2, y - 2, x + images->Width() + 2, y + images->Height() + 2};
      DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    images->Draw(canvas, x, y, imageIndex_, enabled);
  } else if (state.Contains(odChecked)) {
    const Integer size = GetSystemMetrics(SM_CXMENUCHECK);
    RECT mark{rect.Left + (column - size) / 2, rect.Top + (rect.Height() - size) / 2, 0, 0};
    mark.right = mark.left + size;
    mark.bottom = mark.top + size;
    DrawFrameControl(dc, &mark, DFC_MENU, radioItem_ ? DFCS_MENUBULLET : DFCS_MENUCHECK);
  }
  if (Screen != nullptr) canvas.SetFont(Screen->MenuFont());
  if (default_) canvas.Font().SetStyle(canvas.Font().Style().Include(fsBold));
  canvas.Font().SetColor(!enabled ? clGrayText : selected ? clHighlightText : clMenuText);
  const int saved = SaveDC(dc);
  canvas.Brush().SetStyle(bsClear);
  canvas.TextExtent(" ");  // selects the font
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(canvas.Font().Color()));
  RECT textRect = ToRECT(rect);
  textRect.left += column + kTextGap;
  textRect.right -= kTextGap;
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_EXPANDTABS;
  if (state.Contains(odNoAccel)) flags |= DT_HIDEPREFIX;
  const WideString caption = Cp1250ToUtf16(caption_);
  DrawTextW(dc, Wide(caption), static_cast<int>(caption.size()), &textRect, flags);
  if (shortCut_ != scNone) {
    const WideString keys = Cp1250ToUtf16(ShortCutToText(shortCut_));
    DrawTextW(dc, Wide(keys), static_cast<int>(keys.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  RestoreDC(dc, saved);
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(New<TMenuItem>(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() {
  // The items (owned by the form) leave the menu as the root goes; none of them calls back here.
  TMenuItem* root = items_;
  root->menu_ = nullptr;
  DestroyHandle();
  delete root;
}

void TMenu::Changed() {
  stale_ = true;
  if (!ComponentState().Contains(csDestroying) && OnChange) OnChange(this);
}

void TMenu::SetImages(TCustomImageList* value) {
  if (value == images_) return;
  if (images_ != nullptr) RemoveFreeNotification(images_);
  images_ = value;
  if (value != nullptr) value->FreeNotification(this);
  Changed();
}

void TMenu::SetOwnerDraw(bool value) {
  if (value == ownerDraw_) return;
  ownerDraw_ = value;
  Changed();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    Changed();
  }
}

void TMenu::DestroyHandle() noexcept {
  if (handle_ == nullptr) return;
  DestroyMenu(handle_);  // with every sub-menu in it
  handle_ = nullptr;
  items_->ForgetHandles();
}

HMENU TMenu::Handle() {
  if (handle_ != nullptr && !stale_ && items_->OwnerDrawingChanged()) Changed();
  if (handle_ != nullptr && (!stale_ || tracking_ > 0)) return handle_;
  DestroyHandle();
  handle_ = NewHandle();
  if (handle_ == nullptr) os::RaiseLastOSError();
  try {
    FillHandle(handle_);
  } catch (...) {
    DestroyHandle();
    throw;
  }
  stale_ = false;
  return handle_;
}

HMENU TMenu::NewHandle() { return CreatePopupMenu(); }

void TMenu::FillHandle(HMENU handle) { items_->FillMenu(handle); }

bool TMenu::IsShortCut(const TWMKey& message) {
  const TShortCut shortCut = ShortCutFromMessage(message);
  if (shortCut == scNone) return false;
  TMenuItem* item = FindItem(shortCut, fkShortCut);
  if (item == nullptr) return false;
  // The chain from the root down to the item's parent is clicked first; a disabled parent stops it.
  std::vector<TMenuItem*> chain;
  for (TMenuItem* p = item->Parent(); p != nullptr; p = p->Parent()) chain.insert(chain.begin(), p);
  for (TMenuItem* p : chain) {
    if (!p->Enabled()) return true;
    p->Click();
  }
  // The handlers may have freed or moved the item: look it up again by its shortcut.
  item = FindItem(shortCut, fkShortCut);
  if (item != nullptr && item->Enabled()) item->Click();
  return true;
}

bool TMenu::DispatchCommand(UINT command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU submenu) {
  if (submenu == nullptr) return false;
  TMenuItem* item = items_->FindHandle(submenu);
  if (item == nullptr) return false;
  item->Click();
  // The handler may have changed the sub-items: the open menu shows them as they are now.
  if (item->Handle() == submenu && IsMenu(submenu)) item->FillMenu(submenu);
  return true;
}

// ---- messages of windows that show menus ----

bool HandleMenuMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (mi == nullptr || mi->CtlType != ODT_MENU) return false;
      TMenuItem* item = FindMenuItemByCommand(static_cast<UINT>(mi->itemData));
      if (item == nullptr) return false;
      TCanvas canvas;
      HDC dc = GetDC(nullptr);
      canvas.SetHandle(dc);
      Integer width = 0, height = 0;
      try {
        item->MeasureItem(canvas, width, height);
      } catch (...) {
        canvas.SetHandle(nullptr);
        ReleaseDC(nullptr, dc);
        throw;
      }
      canvas.SetHandle(nullptr);
      ReleaseDC(nullptr, dc);
      mi->itemWidth = static_cast<UINT>(std::max<Integer>(width, 0));
      mi->itemHeight = static_cast<UINT>(std::max<Integer>(height, 0));
      m.Result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (di == nullptr || di->CtlType != ODT_MENU) return false;
      TMenuItem* item = FindMenuItemByCommand(static_cast<UINT>(di->itemData));
      if (item == nullptr) return false;
      TOwnerDrawState state;
      if (di->itemState & ODS_SELECTED) state.Include(odSelected);
      if (di->itemState & ODS_GRAYED) state.Include(odGrayed);
      if (di->itemState & ODS_DISABLED) state.Include(odDisabled);
      if (di->itemState & ODS_CHECKED) state.Include(odChecked);
      if (di->itemState & ODS_FOCUS) state.Include(odFocused);
      if (di->itemState & ODS_DEFAULT) state.Include(odDefault);
      if (di->itemState & ODS_HOTLIGHT) state.Include(odHotLight);
      if (di->itemState & ODS_INACTIVE) state.Include(odInactive);
      if (di->itemState & ODS_NOACCEL) state.Include(odNoAccel);
      if (di->itemState & ODS_NOFOCUSRECT) state.Include(odNoFocusRect);
      TCanvas canvas;
      const int saved = SaveDC(di->hDC);
      canvas.SetHandle(di->hDC);
      try {
        item->AdvancedDrawItem(canvas, FromRECT(di->rcItem), state);
      } catch (...) {
        canvas.SetHandle(nullptr);
        RestoreDC(di->hDC, saved);
        throw;
      }
      canvas.SetHandle(nullptr);
      RestoreDC(di->hDC, saved);
      m.Result = TRUE;
      return true;
    }
    case WM_MENUSELECT: {
      if (Application == nullptr) return false;
      const UINT flags = HIWORD(m.WParam);
      auto menu = reinterpret_cast<HMENU>(m.LParam);
      if (flags == 0xFFFF && menu == nullptr) {  // the menu closed
        Application->SetHint(AnsiString());
        return false;
      }
      TMenuItem* item = nullptr;
      if ((flags & MF_POPUP) != 0) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        if (GetMenuItemInfoW(menu, LOWORD(m.WParam), TRUE, &info)) item = FindMenuItemByCommand(static_cast<UINT>(info.dwItemData));
      } else {
        item = FindMenuItemByCommand(LOWORD(m.WParam));
      }
      Application->SetHint(item != nullptr ? GetLongHint(item->Hint()) : AnsiString());
      return false;
    }
    default:
      return false;
  }
}
